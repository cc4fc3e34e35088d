// Drawing a sheet through the recording back end: the outline, the frame
// and the main block of the title block land where the standard puts them,
// with the thick and thin pens.
#include "output/sheet_drawing.h"

#include "output/sheets.h"
#include "output/title_block_fields.h"
#include "render/text/stroke_font.h"
#include "render/output/recording_canvas.h"
#include "geometry/kernel_context.h"

#include "../store/store_test_support.h"
#include "tests/fonts/font_test_support.h"

#include <algorithm>
#include <cmath>
#include <vector>

using store_test::StoreTest;

namespace {

// 100 pixels per model unit: one pixel is 0.01 mm at scale 1:1.
constexpr double px_per_unit = 100.0;

struct Drawn {
    double x1, y1, x2, y2;  // sheet mm
    int pen;                // pixels
};

class SheetDrawing : public StoreTest {
protected:
    DrawingFile* df = nullptr;
    std::vector<std::vector<uint8_t>> fonts_;
    void SetUp() override {
        StoreTest::SetUp();
        fonts_ = font_test::built_fonts();
        ASSERT_EQ(font_test::load_fonts(fonts_), 0);
        df = create();
        ASSERT_NE(df, nullptr);
        // The drawing code reads the current header and its scale.
        bind_current_drawing_header([]() -> const uint8_t* { return open_drawings[current_drawing]->header; });
    }
    void TearDown() override {
        bind_current_drawing_header(nullptr);
        select_text_font(0, 0, 0);
        FontResourceBytes none[stroke_font_count] = {};
        stroke_fonts_load(none);
        StoreTest::TearDown();
    }
    void set_sheet(int code, bool rotated, int kind, double scale) {
        put_u8(df->header, header_sheet_format, static_cast<uint8_t>(code));
        uint16_t o = get_u16(df->header, header_options);
        put_u16(df->header, header_options, rotated ? (o | header_opt_sheet_turned) : (o & ~header_opt_sheet_turned));
        put_u8(df->header, header_title_block_kind, static_cast<uint8_t>(kind));
        put_f64(df->header, header_scale, scale);
    }
    // Every segment drawn, in sheet mm (pixels / px_per_unit x scale).
    std::vector<Drawn> draw(double scale) {
        RecordingCanvas rec;
        OutputView view;
        output_view_init(&view, output_sheet);
        view.canvas = recording_canvas(&rec);
        view.transform.scale.x = px_per_unit;
        view.transform.scale.y = px_per_unit;
        draw_sheet(&view);
        std::vector<Drawn> out;
        int pen = 0;
        const CanvasCall* from = nullptr;
        double k = scale / px_per_unit;
        for (const CanvasCall& c : rec.calls) {
            if (c.kind == call_select_pen) pen = c.pen.width;
            if (c.kind == call_move_to) from = &c;
            if (c.kind == call_line_to && from) {
                out.push_back({from->args[0] * k, from->args[1] * k, c.args[0] * k, c.args[1] * k, pen});
                from = nullptr;
            }
        }
        return out;
    }
    // Every point any call put on the canvas, in sheet mm.
    std::vector<std::pair<double, double>> points(double scale) {
        RecordingCanvas rec;
        OutputView view;
        output_view_init(&view, output_sheet);
        view.canvas = recording_canvas(&rec);
        view.transform.scale.x = px_per_unit;
        view.transform.scale.y = px_per_unit;
        draw_sheet(&view);
        std::vector<std::pair<double, double>> out;
        double k = scale / px_per_unit;
        for (const CanvasCall& c : rec.calls)
            if (c.kind == call_move_to || c.kind == call_line_to) out.push_back({c.args[0] * k, c.args[1] * k});
        return out;
    }
    static bool same(const Drawn& d, double x1, double y1, double x2, double y2) {
        const double tol = 0.05;
        auto near = [&](double a, double b) { return std::fabs(a - b) <= tol; };
        return (near(d.x1, x1) && near(d.y1, y1) && near(d.x2, x2) && near(d.y2, y2)) ||
               (near(d.x1, x2) && near(d.y1, y2) && near(d.x2, x1) && near(d.y2, y1));
    }
    // The pen width in pixels of the drawn segment (x1,y1)-(x2,y2), -1 when absent.
    static int pen_of(const std::vector<Drawn>& v, double x1, double y1, double x2, double y2) {
        for (const Drawn& d : v)
            if (same(d, x1, y1, x2, y2)) return d.pen;
        return -1;
    }
};

// Pens in pixels: width mm / scale x 100 px per unit, rounded.
int pen_px(double mm, double scale) { return static_cast<int>(mm / scale * px_per_unit + 0.5); }

TEST_F(SheetDrawing, FrameOfEachFormatAtItsStandardSize) {
    struct {
        int code;
        bool rotated;
        double w, h;
        double scale;
    } cases[] = {
        {5, false, 210, 297, 1.0}, {4, false, 420, 297, 1.0}, {4, true, 297, 420, 1.0},
        {1, false, 1189, 841, 2.0}, {5, false, 210, 297, 0.5},
    };
    for (auto& c : cases) {
        set_sheet(c.code, c.rotated, 0, c.scale);
        std::vector<Drawn> v = draw(c.scale);
        SCOPED_TRACE(c.code);
        // Outline with the thin pen, the frame 20 mm from the left and 5 mm
        // from the other edges with the thick one.
        EXPECT_EQ(pen_of(v, 0, 0, c.w, 0), pen_px(0.25, c.scale));
        EXPECT_EQ(pen_of(v, c.w, 0, c.w, c.h), pen_px(0.25, c.scale));
        EXPECT_EQ(pen_of(v, 20, 5, c.w - 5, 5), pen_px(0.6, c.scale));
        EXPECT_EQ(pen_of(v, c.w - 5, 5, c.w - 5, c.h - 5), pen_px(0.6, c.scale));
        EXPECT_EQ(pen_of(v, c.w - 5, c.h - 5, 20, c.h - 5), pen_px(0.6, c.scale));
        EXPECT_EQ(pen_of(v, 20, c.h - 5, 20, 5), pen_px(0.6, c.scale));
        // Kind 0: the frame only.
        EXPECT_EQ(v.size(), 8u);
    }
}

TEST_F(SheetDrawing, MainBlockOfADrawingOnA3) {
    set_sheet(4, false, 1, 1.0);
    std::vector<Drawn> v = draw(1.0);
    const double R = 415, B = 292;  // the frame's bottom right corner
    int thick = pen_px(0.6, 1.0), thin = pen_px(0.25, 1.0);
    // The block is 185 x 55 mm.
    EXPECT_EQ(pen_of(v, R - 185, B - 55, R, B - 55), thick);
    EXPECT_EQ(pen_of(v, R - 185, B, R - 185, B - 55), thick);
    // Column lines of the left part, over the whole height.
    for (double x : {168.0, 145.0, 130.0, 120.0}) EXPECT_EQ(pen_of(v, R - x, B, R - x, B - 55), thick) << x;
    // The change-number column stops at the signature rows.
    EXPECT_EQ(pen_of(v, R - 178, B - 30, R - 178, B - 55), thick);
    // Heading row of the changes between thick lines; the other rows thin.
    EXPECT_EQ(pen_of(v, R - 185, B - 30, R - 120, B - 30), thick);
    EXPECT_EQ(pen_of(v, R - 185, B - 35, R - 120, B - 35), thick);
    for (double y : {5.0, 10.0, 15.0, 20.0, 25.0, 40.0, 45.0, 50.0})
        EXPECT_EQ(pen_of(v, R - 185, B - y, R - 120, B - y), thin) << y;
    // Right part: designation above y 40, name and material left of x -50.
    EXPECT_EQ(pen_of(v, R - 120, B - 40, R, B - 40), thick);
    EXPECT_EQ(pen_of(v, R - 120, B - 15, R, B - 15), thick);
    EXPECT_EQ(pen_of(v, R - 50, B, R - 50, B - 40), thick);
    EXPECT_EQ(pen_of(v, R - 45, B - 20, R - 45, B - 35), thin);
    // Every line of the main block is drawn at its place.
    int n = 0;
    const TitleBlockLine* main = title_block_main_lines(1, &n);
    ASSERT_EQ(n, 29);
    for (int i = 0; i < n; ++i)
        EXPECT_NE(pen_of(v, R + main[i].x1, B - main[i].y1, R + main[i].x2, B - main[i].y2), -1) << i;
}

TEST_F(SheetDrawing, MainBlockFollowsTheFrameOnARotatedA4) {
    set_sheet(5, true, 1, 1.0);
    std::vector<Drawn> v = draw(1.0);
    // Rotated A4 is 297 x 210: the block hangs from (292, 205).
    EXPECT_EQ(pen_of(v, 292 - 185, 205 - 55, 292, 205 - 55), pen_px(0.6, 1.0));
    EXPECT_EQ(pen_of(v, 292 - 120, 205, 292 - 120, 150), pen_px(0.6, 1.0));
}

// The main blocks of the text and building forms: their outline of 185 mm
// by the form's height at the frame's bottom right corner, thick, and the
// lines that divide their columns, as the standard forms size them (x to
// the left and y up from that corner, on an A4 sheet).
TEST_F(SheetDrawing, MainBlocksOfTheOtherKindsOnA4) {
    struct Line {
        double x1, y1, x2, y2;
        int thick;
    };
    struct {
        int kind;
        double height;
        std::vector<Line> lines;
    } cases[] = {
        // text documents, first sheet: designation 120 x 15 on top, letter /
        // sheet / sheets 15, 15, 20 wide, organisation 50 x 15; heading row
        // 25..30 between thick lines, signature rows thin
        {2, 40, {{120, 25, 0, 25, 1}, {50, 0, 50, 25, 1}, {35, 15, 35, 25, 1}, {20, 15, 20, 25, 1},
                  {50, 15, 0, 15, 1}, {168, 0, 168, 40, 1}, {120, 0, 120, 40, 1}, {178, 25, 178, 40, 1},
                  {185, 25, 120, 25, 1}, {185, 30, 120, 30, 1}, {185, 20, 120, 20, 0}, {185, 35, 120, 35, 0}}},
        // later sheets: three 5 mm rows, the sheet column 10 wide at the right
        {3, 15, {{10, 0, 10, 15, 1}, {185, 5, 120, 5, 1}, {185, 10, 120, 10, 0}, {178, 0, 178, 15, 1},
                  {120, 0, 120, 15, 1}}},
        // building main drawings: designation 15, object 10, building and
        // content 15 + 15; stage / sheet / sheets 15, 15, 20
        {4, 55, {{120, 40, 0, 40, 1}, {120, 30, 0, 30, 1}, {120, 15, 0, 15, 1}, {50, 0, 50, 30, 1},
                  {35, 15, 35, 30, 1}, {20, 15, 20, 30, 1}, {175, 30, 175, 55, 1}, {165, 0, 165, 55, 1},
                  {155, 30, 155, 55, 1}, {145, 0, 145, 55, 1}, {130, 0, 130, 55, 1}, {185, 30, 120, 30, 1},
                  {185, 35, 120, 35, 1}, {185, 25, 120, 25, 0}}},
        // building products, first sheet: the right part of a drawing
        {5, 55, {{120, 40, 0, 40, 1}, {120, 15, 0, 15, 1}, {50, 0, 50, 40, 1}, {35, 20, 35, 40, 1},
                  {18, 20, 18, 40, 1}, {30, 15, 30, 20, 1}, {165, 0, 165, 55, 1}, {185, 30, 120, 30, 1}}},
        // building text documents, first sheet
        {6, 40, {{120, 25, 0, 25, 1}, {50, 0, 50, 25, 1}, {35, 15, 35, 25, 1}, {20, 15, 20, 25, 1},
                  {175, 25, 175, 40, 1}, {165, 0, 165, 40, 1}, {185, 25, 120, 25, 1}, {185, 30, 120, 30, 1}}},
        // building later sheets
        {7, 15, {{10, 0, 10, 15, 1}, {175, 0, 175, 15, 1}, {165, 0, 165, 15, 1}, {155, 0, 155, 15, 1},
                  {185, 5, 120, 5, 1}, {185, 10, 120, 10, 0}}},
    };
    const double R = 205, B = 292;
    for (auto& c : cases) {
        SCOPED_TRACE(c.kind);
        set_sheet(5, false, c.kind, 1.0);
        std::vector<Drawn> v = draw(1.0);
        int thick = pen_px(0.6, 1.0), thin = pen_px(0.25, 1.0);
        double H = c.height;
        EXPECT_DOUBLE_EQ(title_block_height_of(c.kind), H);
        EXPECT_EQ(pen_of(v, R - 185, B - H, R, B - H), thick);
        EXPECT_EQ(pen_of(v, R - 185, B, R - 185, B - H), thick);
        EXPECT_EQ(pen_of(v, R, B, R, B - H), thick);
        for (const Line& l : c.lines)
            EXPECT_EQ(pen_of(v, R - l.x1, B - l.y1, R - l.x2, B - l.y2), l.thick ? thick : thin)
                << l.x1 << "," << l.y1 << " " << l.x2 << "," << l.y2;
        int n = 0;
        title_block_main_lines(c.kind, &n);
        EXPECT_GT(n, 4);
    }
}

// The margin columns stand in the 12 mm between the sheet edge (x 8..20
// from the left, a 5 mm label column outside a 7 mm value column) from the
// frame's bottom up: 145 mm for the machine-building forms, 85 mm for the
// building ones, where they are optional.
TEST_F(SheetDrawing, MarginColumnsAlongTheBindingEdge) {
    const double B = 292;
    int thick = pen_px(0.6, 1.0);
    for (int kind : {1, 2, 3, 7}) {
        SCOPED_TRACE(kind);
        set_sheet(5, false, kind, 1.0);
        std::vector<Drawn> v = draw(1.0);
        EXPECT_EQ(pen_of(v, 8, B, 8, B - 145), thick);
        EXPECT_EQ(pen_of(v, 13, B, 13, B - 145), thick);
        for (double y : {0.0, 25.0, 60.0, 85.0, 110.0, 145.0}) EXPECT_EQ(pen_of(v, 20, B - y, 8, B - y), thick) << y;
    }
    // Building forms: nothing until one of the columns has a text.
    set_sheet(5, false, 4, 1.0);
    EXPECT_EQ(pen_of(draw(1.0), 8, B, 8, B - 85), -1);
    ASSERT_EQ(title_block_field_store(df, 20, "Петров 01.02", 0, title_mode_all_sheets), title_store_ok);
    std::vector<Drawn> v = draw(1.0);
    EXPECT_EQ(pen_of(v, 8, B, 8, B - 85), thick);
    for (double y : {0.0, 25.0, 60.0, 85.0}) EXPECT_EQ(pen_of(v, 20, B - y, 8, B - y), thick) << y;
    // The approval table above them stays away while it is empty.
    EXPECT_EQ(pen_of(v, 20, B - 85, 20, B - 150), -1);
}

// The optional reference columns 24-25 and column 30 appear only with a
// stored text; the turned designation column 26 (70 x 14) is at the top
// left and follows a turned sheet to the top right.
TEST_F(SheetDrawing, OptionalAndTurnedBlocks) {
    int thick = pen_px(0.6, 1.0);
    set_sheet(5, false, 1, 1.0);
    std::vector<Drawn> v = draw(1.0);
    EXPECT_EQ(pen_of(v, 8, 292 - 167, 8, 292 - 287), -1);
    EXPECT_EQ(pen_of(v, 205 - 120, 292 - 63, 205, 292 - 63), -1);
    // Column 26 of a drawing: x 20..90, y 5..19.
    EXPECT_EQ(pen_of(v, 20, 19, 90, 19), thick);
    EXPECT_EQ(pen_of(v, 90, 5, 90, 19), thick);
    ASSERT_EQ(title_block_field_store(df, 25, "АБВГ.123", 0, title_mode_all_sheets), title_store_ok);
    ASSERT_EQ(title_block_field_store(df, 30, "X", 0, title_mode_all_sheets), title_store_ok);
    v = draw(1.0);
    // 24-25: from 167 mm above the frame's bottom to the frame's top.
    EXPECT_EQ(pen_of(v, 8, 292 - 167, 8, 5), thick);
    EXPECT_EQ(pen_of(v, 20, 292 - 227, 8, 292 - 227), thick);
    // Column 30: 120 x 8 on the main block.
    EXPECT_EQ(pen_of(v, 205 - 120, 292 - 63, 205, 292 - 63), thick);
    EXPECT_EQ(pen_of(v, 205 - 120, 292 - 55, 205 - 120, 292 - 63), thick);

    // A turned A4 (297 x 210): column 26 of a building drawing moves to the
    // top right, turned a quarter: x 278..292, y 5..75.
    set_sheet(5, true, 4, 1.0);
    v = draw(1.0);
    EXPECT_EQ(pen_of(v, 278, 5, 278, 75), thick);
    EXPECT_EQ(pen_of(v, 278, 75, 292, 75), thick);
    // Column 26 of the same sheet unturned is at the top left.
    set_sheet(5, false, 4, 1.0);
    v = draw(1.0);
    EXPECT_EQ(pen_of(v, 20, 19, 90, 19), thick);
}

// Field texts are written inside their cells: a surname in the first
// signature row of a drawing, and a text in the turned margin column.
TEST_F(SheetDrawing, FieldTextsStayInsideTheirCells) {
    set_sheet(4, false, 1, 1.0);
    size_t before = points(1.0).size();
    struct {
        uint32_t field;
        const char* text;
        double x0, y0, x1, y1;  // the cell on the sheet, mm
    } cases[] = {
        {111, "Константинопольский", 415 - 168, 292 - 30, 415 - 145, 292 - 25},
        {1, "Вал ведущий\r\nс шестернёй", 415 - 120, 292 - 40, 415 - 50, 292 - 15},
        {19, "12345", 13, 292 - 25, 20, 292},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.field);
        ASSERT_EQ(title_block_field_store(df, c.field, c.text, 0, title_mode_all_sheets), title_store_ok);
        std::vector<std::pair<double, double>> p = points(1.0);
        ASSERT_GT(p.size(), before);
        int inside = 0;
        for (const auto& q : p)
            if (q.first >= c.x0 - 0.01 && q.first <= c.x1 + 0.01 && q.second >= c.y0 - 0.01 && q.second <= c.y1 + 0.01)
                ++inside;
        // Without the text only the cell's borders touch it.
        set_sheet(4, false, 1, 1.0);
        ASSERT_EQ(title_block_field_store(df, c.field, "", 0, title_mode_all_sheets), title_store_ok);
        int empty_inside = 0;
        std::vector<std::pair<double, double>> e = points(1.0);
        for (const auto& q : e)
            if (q.first >= c.x0 - 0.01 && q.first <= c.x1 + 0.01 && q.second >= c.y0 - 0.01 && q.second <= c.y1 + 0.01)
                ++empty_inside;
        EXPECT_GT(inside, empty_inside);
        EXPECT_EQ(p.size() - e.size(), static_cast<size_t>(inside - empty_inside)) << "a stroke left the cell";
    }
}

// Fitting: a short text keeps every character; a surname too long for a
// 23 x 5 mm cell ends at size 0 in font B, cut from the end, its box within
// the cell less 1.86 mm; a cell narrower than any glyph leaves it empty.
TEST_F(SheetDrawing, TextFittingShrinksThenCuts) {
    set_sheet(4, false, 1, 1.0);
    struct {
        const char* text;
        double w, h;
        bool cut;
        bool empty;
    } cases[] = {
        {"Иванов", 23, 5, false, false},
        {"Константинопольский-Преображенский", 23, 5, true, false},
        {"Ш", 1.5, 5, true, true},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string t = c.text;
        double bw = 0, bh = 0, d = 0;
        int lines = 0;
        int size = fit_cell_text(&t, c.w, c.h, &bw, &bh, &d, &lines);
        EXPECT_EQ(t.size() < std::string(c.text).size(), c.cut);
        EXPECT_EQ(t.empty(), c.empty);
        if (c.cut) {
            EXPECT_EQ(size, 0);
            EXPECT_EQ(text_font_state.font_type, 1);
            EXPECT_EQ(std::string(c.text).compare(0, t.size(), t), 0);
        }
        if (!c.empty) {
            EXPECT_EQ(lines, 1);
            EXPECT_LE(model_to_sheet_length(bw), c.w - 1.86 + 1e-9);
            EXPECT_LE(model_to_sheet_length(bh), c.h - 1.86 + 1e-9);
        }
    }
}

// The drawing's general roughness sign (the title-block record of field
// 65535) stands in the frame's top right corner: the far end of its long
// leg, the sign's top right point, lies 2.4375 mm inside the corner plus the
// 0.25 mm pen margin of its box (2.828125 mm when the turned designation
// column shares the corner on a rotated sheet).  Painting never changes the
// stored record, and without a record nothing is drawn there.
TEST_F(SheetDrawing, GeneralRoughnessSignInTheTopRightCorner) {
    auto corner_points = [&](double w) {
        std::vector<std::pair<double, double>> out;
        for (auto& p : points(1.0))
            if (p.first > w - 5 - 40 && p.first < w - 5 - 0.01 && p.second > 5.01 && p.second < 5 + 30)
                out.push_back(p);
        return out;
    };
    set_sheet(4, false, 1, 1.0);
    EXPECT_TRUE(corner_points(420).empty());

    std::vector<uint8_t> rec(36, 0);
    put_u16(rec.data(), 0, 36);
    put_u32(rec.data(), 2, title_field_roughness);
    rec[6] = 5;  // roughness sign
    put_u16(rec.data(), 8, static_cast<uint16_t>(0x0001 | (4 << 2)));
    put_f32(rec.data(), 12, 123.0f);
    put_f32(rec.data(), 16, 45.0f);
    RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_title_block);
    ASSERT_NE(record_add(df, head, rec.data(), &page_buffers[table_title_block]), 0u);

    struct {
        bool rotated;
        double w;
        double inset;
    } cases[] = {{false, 420, 2.4375}, {true, 297, 2.828125}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.rotated);
        set_sheet(4, c.rotated, 1, 1.0);
        std::vector<std::pair<double, double>> v = corner_points(c.w);
        ASSERT_FALSE(v.empty());
        double max_x = -1e9, min_y = 1e9;
        for (auto& p : v) {
            if (p.first > max_x) max_x = p.first;
            if (p.second < min_y) min_y = p.second;
        }
        // On the rotated sheet the turned designation column shares the
        // corner (its line ends lie outside the probed area).
        EXPECT_NEAR(max_x, c.w - 5 - c.inset - 0.25, 0.05);
        EXPECT_NEAR(min_y, 5 + c.inset + 0.25, 0.05);
    }
    // The stored sign keeps its own place.
    unsigned char* stored = record_find_key(df, head, title_field_roughness, nullptr, &page_buffers[table_title_block]);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(get_f32(stored, 12), 123.0f);
    EXPECT_EQ(get_f32(stored, 16), 45.0f);

    // "(other surfaces)": bit 11 adds "(" + a plain sign + ")" after it; the
    // group ends at the same place and reaches further left.
    set_sheet(4, false, 1, 1.0);
    double alone_min_x = 1e9;
    for (auto& p : corner_points(420)) alone_min_x = std::min(alone_min_x, p.first);
    put_u16(stored, 8, static_cast<uint16_t>(get_u16(stored, 8) | 0x0800));
    page_buffers[table_title_block].clean = 0;
    double max_x = -1e9, min_x = 1e9;
    for (auto& p : corner_points(420)) {
        max_x = std::max(max_x, p.first);
        min_x = std::min(min_x, p.first);
    }
    EXPECT_LE(max_x, 420 - 5 - 2.4375 + 0.05);
    EXPECT_LT(min_x, alone_min_x - 1.0);
}

}  // namespace
