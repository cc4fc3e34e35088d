// Drawing a sheet through the recording back end: the outline, the frame
// and the main block of the title block land where the standard puts them,
// with the thick and thin pens.
#include "output/sheet_drawing.h"

#include "output/sheets.h"
#include "render/output/recording_canvas.h"
#include "geometry/kernel_context.h"

#include "../store/store_test_support.h"

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
    void SetUp() override {
        StoreTest::SetUp();
        df = create();
        ASSERT_NE(df, nullptr);
        // The drawing code reads the current header and its scale.
        bind_current_drawing_header([]() -> const uint8_t* { return open_drawings[current_drawing]->header; });
    }
    void TearDown() override {
        bind_current_drawing_header(nullptr);
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
    // Every line lies inside the block.
    for (size_t i = 8; i < v.size(); ++i) {
        EXPECT_GE(std::min(v[i].x1, v[i].x2), R - 185 - 0.05);
        EXPECT_LE(std::max(v[i].x1, v[i].x2), R + 0.05);
        EXPECT_GE(std::min(v[i].y1, v[i].y2), B - 55 - 0.05);
        EXPECT_LE(std::max(v[i].y1, v[i].y2), B + 0.05);
    }
}

TEST_F(SheetDrawing, MainBlockFollowsTheFrameOnARotatedA4) {
    set_sheet(5, true, 1, 1.0);
    std::vector<Drawn> v = draw(1.0);
    // Rotated A4 is 297 x 210: the block hangs from (292, 205).
    EXPECT_EQ(pen_of(v, 292 - 185, 205 - 55, 292, 205 - 55), pen_px(0.6, 1.0));
    EXPECT_EQ(pen_of(v, 292 - 120, 205, 292 - 120, 150), pen_px(0.6, 1.0));
}

}  // namespace
