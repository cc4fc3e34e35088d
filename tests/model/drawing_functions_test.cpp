// The drawing functions 35-50 run from model programs against a fixture
// drawing: one projection with three points, a contour "K1", a table
// "ДЕТАЛИ"; and a second drawing file whose saved variables VARFILE reads.
// Expected values are worked out by hand from the fixture's numbers.
#include "shell/core/model_drawing_functions.h"
#include "model/model_storage.h"
#include "model/tables.h"
#include "model_test_support.h"
#include "tests/store/store_test_support.h"

#include "geometry/geom_types.h"
#include "stages/points_elements/points.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

class DrawingFunctions : public store_test::StoreTest {
protected:
    DrawingFile* df = nullptr;
    ModelDrawingContext ctx;
    std::vector<std::string> notices;
    std::vector<uint32_t> moved;

    static void note(void* c, const char* line) { static_cast<DrawingFunctions*>(c)->notices.push_back(line); }
    static void on_move(void* c, uint32_t p) { static_cast<DrawingFunctions*>(c)->moved.push_back(p); }

    void SetUp() override {
        StoreTest::SetUp();
        df = create();
        // Projection 1: points 1 (10, 20), 2 (35, 5), 3 (0, 0) in stored
        // coordinates (true = sketch); contour K1 with box (5, 2)-(50, 40),
        // perimeter 123.5, area 456.25.
        Bytes p(projection_record_head, 0);
        put_u16(p.data(), record_length, projection_record_head);
        put_u32(p.data(), record_key, 1);
        add_point(p, 1, 10, 20);
        add_point(p, 2, 35, 5);
        add_point(p, 3, 0, 0);
        Bytes c(contour_default_size, 0);
        put_u16(c.data(), record_length, contour_default_size);
        put_u32(c.data(), contour_number, 4);
        put_box(c.data(), contour_box, Box{5, 2, 50, 40});
        put_f64(c.data(), contour_perimeter, 123.5);
        put_f64(c.data(), contour_area, 456.25);
        std::memcpy(c.data() + 68, "K1", 2);
        ASSERT_NE(record_add(df, chain(p, projection_contours), c.data(), &page_buffers[table_contours]), 0u);
        ASSERT_NE(record_add(df, reinterpret_cast<RecordRef*>(df->header + header_projections), p.data(),
                             &page_buffers[table_projections]),
                  0u);
        // Table ДЕТАЛИ: columns Поз, Масса; rows 0..2.
        uint32_t t = table_create(df, "ДЕТАЛИ", nullptr, 0);
        ASSERT_NE(t, 0u);
        ASSERT_TRUE(table_add_column(df, t, 1, "Поз", nullptr, 0));
        ASSERT_TRUE(table_add_column(df, t, 2, "Масса", nullptr, 0));
        const char* cells[3][2] = {{"1", "2.5"}, {"7", "11"}, {"12", "0.75"}};
        for (uint16_t r = 0; r < 3; ++r)
            for (uint16_t k = 0; k < 2; ++k) ASSERT_TRUE(table_cell_write(df, t, k + 1, r, cells[r][k], nullptr, 0));
        ctx.df = df;
        ctx.notice = note;
        ctx.notice_context = this;
        ctx.point_moved = on_move;
    }
    static RecordRef* chain(Bytes& p, uint32_t offset) { return reinterpret_cast<RecordRef*>(p.data() + offset); }
    void add_point(Bytes& p, uint32_t n, double x, double y) {
        PointCopy pt;
        const double xy[2] = {x, y};
        ref_point_init(pt.bytes, n, xy);
        ASSERT_NE(record_add(df, chain(p, projection_points), pt.bytes, &page_buffers[table_points]), 0u);
    }
    // Runs text with the drawing functions; the lines between start and stop.
    std::vector<std::string> run(const std::string& text, ModelRunResult* result = nullptr) {
        model_test::Recorder r;
        ModelHost h = model_test::recording_host(r);
        h.drawing_function = model_drawing_function;
        h.drawing_context = &ctx;
        // Every variable the tests use, declared on a line of its own.
        std::string program = "DIM A, B, X, Y, A$, B$, C$, D$\n" + text;
        ModelRunResult res = model_run(program.data(), program.size(), 1, h);
        if (result) *result = res;
        std::vector<std::string> body;
        for (size_t i = 1; i + 1 < r.lines.size(); ++i) body.push_back(r.lines[i]);
        return body;
    }
    Point2 true_of(uint32_t n) {
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_projections);
        unsigned char* p = record_next(df, head, nullptr, &page_buffers[table_projections]);
        PointCopy pt;
        EXPECT_TRUE(p && point_read(df, p, n, &pt));
        return pt.true_position();
    }
};

TEST_F(DrawingFunctions, ReadsContoursPointsAndDistances) {
    struct Case {
        const char* expr;
        const char* printed;
    } cases[] = {
        {"PERIMETER(\"K1\")", "00003  123.5"},
        {"AREA(\"K1\")", "00003  456.25"},
        {"POINTX(\"K1\", 2)", "00003  30"},  // 35 - 5
        {"POINTY(\"K1\", 1)", "00003  -18"},  // -(20 - 2)
        {"DISTX(1, 2)", "00003  -25"},        // 10 - 35
        {"DISTY(1, 2)", "00003  -15"},        // 5 - 20
    };
    for (const Case& c : cases) {
        ModelRunResult r;
        std::vector<std::string> out = run(std::string("X = ") + c.expr + "\nPRINT X\n", &r);
        EXPECT_EQ(r.outcome, model_run_finished) << c.expr;
        ASSERT_EQ(out.size(), 1u) << c.expr;
        EXPECT_EQ(out[0], c.printed) << c.expr;
    }
}

TEST_F(DrawingFunctions, MissingThingsGiveTheirMessages) {
    struct Case {
        const char* program;
        const char* message;  // part of the error line; "" when the run finishes
    } cases[] = {
        {"X = DISTX(1, 99)", "недопустимый номер точки"},
        {"X = DISTX(99, 1)", "недопустимый номер точки"},
        {"X = POINTX(\"K1\", 99)", "недопустимый номер точки"},
        {"X = POINTX(\"KONTUR7\", 1)", "недопустимое имя контура"},
        {"X$ = CELL$(\"НЕТ\", \"\", 1, \"Поз\")", "нет таблицы с таким именем"},
        {"X$ = CELL$(\"ДЕТАЛИ\", \"\", 1, \"Цена\")", "в этой таблице нет колонки с таким именем"},
        {"X = SETCELL(\"ДЕТАЛИ\", \"Поз\", \"99\", \"Масса\", 1)", "в этой таблице нет записи с указанным ключом"},
        {"X = MOVEX(5, 99, 1)", "недопустимый номер точки"},
        {"X = VARFILE(\"no_such_drawing.svt\", \"A\")", "ОШИБКА открытия файла"},
    };
    for (const Case& c : cases) {
        ModelRunResult r;
        std::vector<std::string> out = run(std::string(c.program) + "\n", &r);
        EXPECT_EQ(r.outcome, model_run_failed) << c.program;
        ASSERT_FALSE(out.empty()) << c.program;
        EXPECT_NE(out[0].find(c.message), std::string::npos) << c.program << " -> " << out[0];
    }
}

TEST_F(DrawingFunctions, AMissingContourGivesZeroAndADetailLine) {
    ModelRunResult r;
    std::vector<std::string> out = run("X = AREA(\"K9\")\nPRINT X\n", &r);
    EXPECT_EQ(r.outcome, model_run_finished);
    EXPECT_EQ(out, std::vector<std::string>{"00003  0"});
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("K9"), std::string::npos);
}

TEST_F(DrawingFunctions, CellsAreReadByKeyOrRowNumberAndWritten) {
    ModelRunResult r;
    std::vector<std::string> out = run(
        "A$ = CELL$(\"ДЕТАЛИ\", \"Поз\", \"7\", \"Масса\")\n"
        "B$ = CELL$(\"ДЕТАЛИ\", \"\", 3, \"Поз\")\n"
        "C$ = CELL$(\"ДЕТАЛИ\", \"Поз\", 12, \"Масса\")\n"
        "D$ = CELL$(\"ДЕТАЛИ\", \"Поз\", \"8\", \"Масса\")\n"
        "X = SETCELL(\"ДЕТАЛИ\", \"Поз\", \"7\", \"Масса\", \"11.5\")\n"
        "Y = SETCELL(\"ДЕТАЛИ\", \"\", 5, \"Поз\", 40)\n"
        "PRINT A$, B$, C$, D$, X, Y\n",
        &r);
    EXPECT_EQ(r.outcome, model_run_finished);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], "00008  \"11\", \"12\", \"0.75\", \"\", 1, 1");
    uint32_t t = table_find_by_name(df, "ДЕТАЛИ");
    std::string text;
    ASSERT_TRUE(table_cell_at(df, t, 2, 1, &text));
    EXPECT_EQ(text, "11.5");
    ASSERT_TRUE(table_cell_at(df, t, 1, 4, &text));
    EXPECT_EQ(text, "40");
    EXPECT_EQ(table_update_next_row(df, t), 5);
}

TEST_F(DrawingFunctions, MovesPutPointBAtADistanceFromPointA) {
    ModelRunResult r;
    run("X = MOVEX(7.5, 1, 3)\nY = MOVEY(4, 2, 3)\n", &r);
    EXPECT_EQ(r.outcome, model_run_finished);
    Point2 p3 = true_of(3);
    EXPECT_DOUBLE_EQ(p3.x, 17.5);  // 10 + 7.5
    EXPECT_DOUBLE_EQ(p3.y, 1.0);   // 5 - 4
    RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_projections);
    unsigned char* p = record_next(df, head, nullptr, &page_buffers[table_projections]);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(get_u16(p, projection_flags) & projection_word_changed);
    PointCopy pt;
    ASSERT_TRUE(point_read(df, p, 3, &pt));
    EXPECT_DOUBLE_EQ(pt.sketch().x, 17.5);
    EXPECT_EQ(moved, (std::vector<uint32_t>{1, 1}));
}

TEST_F(DrawingFunctions, VarfileReadsSavedVariablesOfAnotherDrawing) {
    // The other drawing: a real W = 12.25 and a string S$ saved.
    DrawingFile* other = create("other");
    ModelVariableInfo w;
    w.id = 1;
    w.type = model_type_real;
    w.value = 12.25;
    w.name = "W";
    ModelVariableInfo s;
    s.id = 2;
    s.type = model_type_string;
    s.name = "S$";
    s.text = "сталь";
    RecordRef* list = reinterpret_cast<RecordRef*>(other->header + header_model_variables);
    for (const ModelVariableInfo& v : {w, s}) {
        Bytes b = model_variable_record_build(v);
        ASSERT_NE(record_add_at_end(other, list, b.data(), &page_buffers[table_model]), 0u);
    }
    std::string path = other->path;
    drawing_file_close(other);
    for (DrawingFile*& o : opened)
        if (o == other) o = nullptr;
    drawing_file_free(other);
    open_drawings[0] = df;
    ModelRunResult r;
    std::vector<std::string> out =
        run("A = VARFILE(\"" + path + "\", \"w\")\nB$ = VARFILE(\"" + path + "\", \"S$\")\nPRINT A, B$\n", &r);
    EXPECT_EQ(r.outcome, model_run_finished);
    EXPECT_EQ(out, std::vector<std::string>{"00004  12.25, \"сталь\""});
    out = run("A = VARFILE(\"" + path + "\", \"Q\")\n", &r);
    EXPECT_EQ(r.outcome, model_run_failed);
    // The drawing of the run is still the current one, its tables readable.
    EXPECT_EQ(current_drawing_file(), df);
    EXPECT_NE(table_find_by_name(df, "ДЕТАЛИ"), 0u);
}

}  // namespace
