// DXF import: small files written pair by pair in the layout that DXF
// writers use (R12 POLYLINE/VERTEX, R2000 LWPOLYLINE and subclass markers),
// each checked for the elements, reference points and line types it gives;
// and a table of damaged files.
#include "tests/exchange/exchange_test_support.h"

#include "output/dxf_import.h"
#include "render/output/dxf_writers.h"

namespace exchange_test {
namespace {

typedef std::vector<std::pair<int, std::string>> Pairs;

std::string dxf_text(const Pairs& pairs, const char* eol = "\n") {
    std::string s;
    for (const auto& p : pairs) {
        char code[16];
        std::snprintf(code, sizeof code, "%3d", p.first);
        s += code;
        s += eol;
        s += p.second;
        s += eol;
    }
    return s;
}

Pairs entities(const Pairs& body, const Pairs& tables = {}) {
    Pairs out;
    if (!tables.empty()) {
        out.push_back({0, "SECTION"});
        out.push_back({2, "TABLES"});
        out.insert(out.end(), tables.begin(), tables.end());
        out.push_back({0, "ENDSEC"});
    }
    out.push_back({0, "SECTION"});
    out.push_back({2, "ENTITIES"});
    out.insert(out.end(), body.begin(), body.end());
    out.push_back({0, "ENDSEC"});
    out.push_back({0, "EOF"});
    return out;
}

Pairs line(double x1, double y1, double x2, double y2, Pairs extra = {}) {
    Pairs p = {{0, "LINE"}, {5, "2F"}, {100, "AcDbEntity"}, {8, "0"}};
    p.insert(p.end(), extra.begin(), extra.end());
    Pairs g = {{100, "AcDbLine"}, {10, std::to_string(x1)}, {20, std::to_string(y1)}, {30, "0.0"},
               {11, std::to_string(x2)}, {21, std::to_string(y2)}, {31, "0.0"}};
    p.insert(p.end(), g.begin(), g.end());
    return p;
}

Pairs operator+(Pairs a, const Pairs& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class DxfImportTest : public ExchangeTest {
protected:
    long import(const std::string& text) {
        doc_test::write_bytes(full("x.dxf"), Bytes(text.begin(), text.end()));
        FILE* f = std::fopen(full("x.dxf").c_str(), "r");
        EXPECT_NE(f, nullptr);
        long r = dxf_read(f);
        std::fclose(f);
        return r;
    }
    void SetUp() override {
        ExchangeTest::SetUp();
        import_options = ImportOptions{0};
        dxf_line_width = 0;
    }
    std::vector<Bytes> only_elements() {
        std::vector<Bytes> ps = projections();
        EXPECT_EQ(ps.size(), 1u);
        return ps.empty() ? std::vector<Bytes>{} : elements(ps[0]);
    }
};

TEST_F(DxfImportTest, LinesShareReferencePointsAndYIsTurned) {
    EXPECT_EQ(import(dxf_text(entities(line(0, 0, 10, 0) + line(10, 0, 10, 5)))), 2);
    std::vector<Bytes> ps = projections();
    ASSERT_EQ(ps.size(), 1u);
    EXPECT_EQ(projection_name(ps[0]), "ENTITIES");
    std::vector<Bytes> es = elements(ps[0]);
    ASSERT_EQ(es.size(), 2u);
    EXPECT_TRUE(near(pt(es[1], 0), Point2{10, 0}));
    EXPECT_TRUE(near(pt(es[1], 1), Point2{10, -5}));
    EXPECT_EQ(point_no(es[0], 1), point_no(es[1], 0));
    EXPECT_EQ(points(ps[0]).size(), 3u);
    EXPECT_EQ(shell().prompts.back(), "Введено 2 элементов графики");
}

TEST_F(DxfImportTest, CrLfAndLfFilesReadAlikeAndTheLastLineKeepsItsCharacters) {
    std::string lf = dxf_text(entities(line(1, 2, 3, 4)));
    lf.resize(lf.size() - 1);  // no line end after "EOF"
    EXPECT_EQ(import(lf), 1);
    std::vector<Bytes> a = only_elements();
    close_and_forget();
    EXPECT_EQ(import(dxf_text(entities(line(1, 2, 3, 4)), "\r\n")), 1);
    std::vector<Bytes> b = only_elements();
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_TRUE(near(pt(a[0], 1), pt(b[0], 1)));
    EXPECT_TRUE(near(pt(b[0], 1), Point2{3, -4}));
}

TEST_F(DxfImportTest, CircleArcAndTheSenseOfTheArc) {
    Pairs body = {{0, "CIRCLE"}, {8, "0"}, {10, "5"}, {20, "5"}, {40, "2"},
                  {0, "ARC"}, {8, "0"}, {10, "0"}, {20, "0"}, {40, "10"}, {50, "0"}, {51, "90"}};
    EXPECT_EQ(import(dxf_text(entities(body))), 2);
    std::vector<Bytes> es = only_elements();
    ASSERT_EQ(es.size(), 2u);
    EXPECT_EQ(kind_of(es[0]), element_kind_circle);
    EXPECT_TRUE(near(pt(es[0], 0), Point2{7, -5}));
    EXPECT_TRUE(near(pt(es[0], 1), Point2{5, -5}));
    // Counter-clockwise from 0 to 90 degrees in the file, y turned: the model
    // arc runs from (10, 0) with decreasing angle to (0, -10).
    ASSERT_EQ(kind_of(es[1]), element_kind_arc_centre);
    EXPECT_TRUE(near(pt(es[1], 0), Point2{10, 0}));
    EXPECT_TRUE(near(pt(es[1], 1), Point2{0, -10}));
    ArcByCentre a{pt(es[1], 0), pt(es[1], 1), pt(es[1], 2)};
    EXPECT_NEAR(arc_sweep_angle(&a), k_half_pi(), 1e-9);
}

TEST_F(DxfImportTest, SolidIsOutlinedWithoutCrossingAndATriangleHasThreeSides) {
    // Corners in DXF order: 1, 2, then 3 and 4 zig-zag (outline 1-2-4-3).
    Pairs body = {{0, "SOLID"}, {8, "0"}, {10, "0"}, {20, "0"}, {11, "10"}, {21, "0"},
                  {12, "0"}, {22, "10"}, {13, "10"}, {23, "10"},
                  {0, "TRACE"}, {8, "0"}, {10, "20"}, {20, "0"}, {11, "30"}, {21, "0"},
                  {12, "25"}, {22, "5"}, {13, "25"}, {23, "5"}};
    EXPECT_EQ(import(dxf_text(entities(body))), 7);
    std::vector<Bytes> es = only_elements();
    ASSERT_EQ(es.size(), 7u);
    // The square's sides are axis-parallel: no diagonal.
    for (int i = 0; i < 4; ++i) {
        Point2 a = pt(es[i], 0), b = pt(es[i], 1);
        EXPECT_TRUE(std::fabs(a.x - b.x) < 1e-9 || std::fabs(a.y - b.y) < 1e-9) << i;
    }
}

TEST_F(DxfImportTest, PolylinesCloseOnlyWhenFlagged) {
    // R12: the head's 10/20 is no vertex, each VERTEX brings its own 70.
    auto polyline = [](int closed) {
        Pairs p = {{0, "POLYLINE"}, {8, "0"}, {66, "1"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"},
                   {70, std::to_string(closed)}};
        for (auto v : std::vector<std::pair<int, int>>{{1, 1}, {5, 1}, {5, 4}, {1, 4}})
            p = p + Pairs{{0, "VERTEX"}, {8, "0"}, {10, std::to_string(v.first)}, {20, std::to_string(v.second)},
                          {30, "0.0"}, {70, "0"}};
        return p + Pairs{{0, "SEQEND"}, {8, "0"}};
    };
    auto lwpolyline = [](int closed) {
        Pairs p = {{0, "LWPOLYLINE"}, {5, "30"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbPolyline"},
                   {90, "4"}, {70, std::to_string(closed)}};
        for (auto v : std::vector<std::pair<int, int>>{{11, 1}, {15, 1}, {15, 4}, {11, 4}})
            p = p + Pairs{{10, std::to_string(v.first)}, {20, std::to_string(v.second)}};
        return p;
    };
    struct Case {
        Pairs body;
        long segments;
    } cases[] = {{polyline(0), 3}, {polyline(1), 4}, {lwpolyline(0), 3}, {lwpolyline(1), 4}};
    for (const Case& c : cases) {
        close_and_forget();
        EXPECT_EQ(import(dxf_text(entities(c.body + line(50, 50, 60, 60)))), c.segments + 1);
        std::vector<Bytes> es = only_elements();
        ASSERT_EQ(static_cast<long>(es.size()), c.segments + 1);
        // No vertex at the head's (0, 0).
        for (const Bytes& e : es) EXPECT_FALSE(near(pt(e, 0), Point2{0, 0}));
    }
}

TEST_F(DxfImportTest, LwpolylineCountIsOnlyAHint) {
    // A count of 0 and one of a billion: the vertices that arrive are taken.
    for (const char* count : {"0", "1000000000"}) {
        close_and_forget();
        Pairs p = {{0, "LWPOLYLINE"}, {8, "0"}, {90, count}, {70, "0"},
                   {10, "0"}, {20, "0"}, {10, "1"}, {20, "0"}, {10, "1"}, {20, "1"}};
        EXPECT_EQ(import(dxf_text(entities(p))), 2) << count;
    }
}

TEST_F(DxfImportTest, IgnoredEntitiesLeaveNothingPending) {
    // A POINT and an INSERT between two lines add nothing, and their 10/20
    // do not move the line before them.
    Pairs body = line(0, 0, 10, 0) + Pairs{{0, "POINT"}, {8, "0"}, {10, "99"}, {20, "99"}} +
                 Pairs{{0, "INSERT"}, {8, "0"}, {2, "B"}, {10, "77"}, {20, "77"}} + line(0, 5, 10, 5);
    EXPECT_EQ(import(dxf_text(entities(body))), 2);
    std::vector<Bytes> es = only_elements();
    ASSERT_EQ(es.size(), 2u);
    EXPECT_TRUE(near(pt(es[0], 1), Point2{10, 0}));
    EXPECT_TRUE(near(pt(es[1], 0), Point2{0, -5}));
}

TEST_F(DxfImportTest, LastEntityOfASectionAndOfABlockIsStored) {
    Pairs blocks = {{0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}, {8, "0"}, {2, "DETAIL"}, {70, "0"},
                    {10, "0"}, {20, "0"}};
    blocks = blocks + line(0, 0, 1, 1) + Pairs{{0, "ENDBLK"}, {8, "0"}};
    blocks = blocks + Pairs{{0, "BLOCK"}, {8, "0"}, {2, "*Model_Space"}, {0, "ENDBLK"}, {0, "ENDSEC"}};
    Pairs all = blocks + Pairs{{0, "SECTION"}, {2, "ENTITIES"}} + line(0, 0, 2, 2) + Pairs{{0, "ENDSEC"}};
    // No EOF pair: the file simply ends.
    EXPECT_EQ(import(dxf_text(all)), 2);
    std::vector<Bytes> ps = projections();
    ASSERT_EQ(ps.size(), 3u);
    EXPECT_EQ(projection_name(ps[0]), "DETAIL");
    EXPECT_EQ(elements(ps[0]).size(), 1u);
    EXPECT_EQ(elements(ps[1]).size(), 0u);
    EXPECT_EQ(elements(ps[2]).size(), 1u);
    EXPECT_EQ(projection_name(ps[2]), "ENTITIES");
}

TEST_F(DxfImportTest, LineTypesFromLayersNamesAndLineweights) {
    Pairs tables = {{0, "TABLE"}, {2, "LTYPE"}, {70, "2"},
                    {0, "LTYPE"}, {2, "DASHED"}, {70, "0"}, {3, "__ __"}, {72, "65"}, {73, "2"},
                    {0, "LTYPE"}, {2, "Center"}, {70, "0"}, {73, "4"},
                    {0, "LTYPE"}, {2, "DIVIDE"}, {73, "6"},
                    {0, "ENDTAB"},
                    {0, "TABLE"}, {2, "LAYER"},
                    {0, "LAYER"}, {2, "axes"}, {70, "0"}, {62, "7"}, {6, "CENTER"}, {370, "-3"},
                    {0, "ENDTAB"}};
    struct Case {
        Pairs extra;
        int line_type;
    } cases[] = {
        {{}, 1},
        {{{6, "dashed"}}, 3},
        {{{8, "AXES"}}, 4},
        {{{6, "DIVIDE"}}, 6},
        {{{6, "UNKNOWN"}}, 1},
        {{{370, "18"}}, 2},               // thin
        {{{370, "25"}}, 2},               // equal to the limit: thin
        {{{370, "30"}}, 1},
        {{{8, "AXES"}, {370, "50"}}, 5},  // dash-dot thickened
        {{{8, "AXES"}, {370, "18"}}, 4},
        {{{370, "-1"}}, 1},               // ByLayer
        {{{370, "-3"}}, 1},               // Default
    };
    for (const Case& c : cases) {
        close_and_forget();
        EXPECT_EQ(import(dxf_text(entities(line(0, 0, 1, 0, c.extra), tables))), 1);
        std::vector<Bytes> es = only_elements();
        ASSERT_EQ(es.size(), 1u);
        EXPECT_EQ(element_line_type(es[0].data()), c.line_type) << dxf_text(c.extra);
    }
}

TEST_F(DxfImportTest, SplineBecomesOneCurveThroughItsControlPoints) {
    Pairs body = {{0, "SPLINE"}, {8, "0"}, {100, "AcDbSpline"}, {70, "8"}, {71, "3"}, {72, "8"},
                  {73, "4"}, {40, "0"}, {40, "0"}, {40, "0"}, {40, "0"}, {40, "1"}, {40, "1"},
                  {40, "1"}, {40, "1"}, {10, "0"}, {20, "0"}, {10, "10"}, {20, "10"}, {10, "20"},
                  {20, "10"}, {10, "30"}, {20, "0"}};
    EXPECT_EQ(import(dxf_text(entities(body))), 1);
    std::vector<Bytes> es = only_elements();
    ASSERT_EQ(es.size(), 1u);
    ASSERT_EQ(kind_of(es[0]), element_kind_curve);
    ASSERT_EQ(get_u16(es[0].data(), curve_count), 4);
    EXPECT_TRUE(near(get_point2(es[0].data(), curve_vertices + curve_vertex_x), Point2{0, 0}));
    EXPECT_TRUE(near(get_point2(es[0].data(), curve_vertices + 3 * curve_vertex_size + curve_vertex_x),
                     Point2{30, 0}));
}

TEST_F(DxfImportTest, TextGoesToTheTextPlacementAsWritten) {
    static std::vector<std::string> texts;
    static std::vector<Point2> places;
    texts.clear();
    places.clear();
    exchange_shell.place_text = [](uint8_t*, double x, double y, int, const char* t) {
        texts.push_back(t);
        places.push_back(Point2{x, y});
        return 1;
    };
    Pairs body = {{0, "TEXT"}, {8, "0"}, {10, "3"}, {20, "4"}, {40, "2.5"}, {1, "Привет ГОСТ"}};
    EXPECT_EQ(import(dxf_text(entities(body + line(0, 0, 1, 1)))), 1);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "Привет ГОСТ");
    EXPECT_TRUE(near(places[0], Point2{3, -4}));
    // A projection without a window cannot take a text.
    close_and_forget();
    exchange_shell.place_text = [](uint8_t*, double, double, int, const char*) { return 0; };
    EXPECT_EQ(import(dxf_text(entities(line(0, 0, 1, 1) + body))), -1);
    EXPECT_EQ(doc_test::rec().messages.back(), expanded("$формата DXF"));
    EXPECT_EQ(only_elements().size(), 1u);
}

TEST_F(DxfImportTest, DamagedFilesGiveTheFormatMessageAndKeepWhatWasStored) {
    // Two lines: the first is stored when the second begins; damage after
    // them drops the second, which may be incomplete.
    std::string good = dxf_text(Pairs{{0, "SECTION"}, {2, "ENTITIES"}} + line(0, 0, 1, 1) + line(0, 0, 3, 1));
    std::string long_line = dxf_text(Pairs{{0, "SECTION"}, {2, "ENTITIES"}} + line(0, 0, 1, 1) +
                                     Pairs{{999, std::string(5000, 'x')}} + line(0, 0, 2, 2) +
                                     Pairs{{0, "ENDSEC"}});
    struct Case {
        const char* name;
        std::string text;
        long result;
        size_t stored;
    } cases[] = {
        {"empty file", "", 0, 0},
        {"code line not a number", good + "abc\nLINE\n", -1, 1},
        {"value line missing", good + "  0", -1, 1},
        {"blank code line", good + "\n0\n", -1, 1},
        {"dash count before any line type",
         dxf_text({{0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "LTYPE"}, {0, "LTYPE"}, {73, "2"}}), -1, 0},
        {"layer line type before any layer",
         dxf_text({{0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "LAYER"}, {0, "LAYER"}, {6, "X"}}), -1, 0},
        {"truncated in an entity", good + " 10\n5\n 20\n", -1, 1},
        {"over-long line keeps the pairs in step", long_line, 2, 2},
        {"non-numeric coordinate", dxf_text(Pairs{{0, "SECTION"}, {2, "ENTITIES"}} + line(0, 0, 1, 1) +
                                            Pairs{{0, "LINE"}, {10, "abc"}, {20, "1e999"}, {11, "3"}, {21, "3"}}),
         2, 2},
        {"binary DXF", std::string("AutoCAD Binary DXF\r\n\x1a\x00", 22) + std::string(40, '\x01'), -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        close_and_forget();
        doc_test::rec().messages.clear();
        EXPECT_EQ(import(c.text), c.result);
        if (c.result < 0) {
            ASSERT_EQ(doc_test::rec().messages.size(), 1u);
            EXPECT_EQ(doc_test::rec().messages[0], expanded("$формата DXF"));
        } else {
            EXPECT_TRUE(doc_test::rec().messages.empty());
        }
        size_t stored = 0;
        for (const Bytes& p : projections()) stored += elements(p).size();
        EXPECT_EQ(stored, c.stored);
    }
}

}  // namespace
}  // namespace exchange_test
