// DXF files written by another program (ezdxf, R12 and R2000, Windows-1251;
// made by scripts/make_exchange_fixtures.py) read into a new drawing: one
// projection per block and one for ENTITIES, the element count of each
// entity kind, shared reference points and the Cyrillic text as written.
#include "tests/exchange/exchange_test_support.h"

#include "output/dxf_import.h"
#include "render/output/dxf_writers.h"

namespace exchange_test {
namespace {

std::vector<std::string> texts;

class DxfFixtureTest : public ExchangeTest {
protected:
    void SetUp() override {
        ExchangeTest::SetUp();
        import_options = ImportOptions{0};
        dxf_line_width = 0;
        texts.clear();
        exchange_shell.place_text = [](uint8_t*, double, double, int, const char* t) {
            texts.push_back(t);
            return 1;
        };
    }
    long import(const char* name) {
        std::string path = std::string(SARVOLT_TEST_DATA) + "/exchange/dxf/" + name;
        FILE* f = std::fopen(path.c_str(), "r");
        EXPECT_NE(f, nullptr) << path;
        if (!f) return -2;
        long r = dxf_read(f);
        std::fclose(f);
        return r;
    }
    static std::vector<int> kinds(const std::vector<Bytes>& es) {
        std::vector<int> k(element_kind_count, 0);
        for (const Bytes& e : es) ++k[kind_of(e)];
        return k;
    }
};

TEST_F(DxfFixtureTest, EveryEntityKindOfBothVersions) {
    struct Case {
        const char* file;
        const char* model_space;
        const char* paper_space;
        long segments;  // LINE 2, SOLID 4, TRACE 4, POLYLINE 3 + 4 (+ LWPOLYLINE 3 + 4)
        long curves;
    } cases[] = {
        {"r12.dxf", "$MODEL_SPACE", "$PAPER_SPACE", 17, 0},
        {"r2000.dxf", "*MODEL_SPACE", "*PAPER_SPACE", 24, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        close_and_forget();
        texts.clear();
        long total = c.segments + 2 + c.curves;  // and a circle and an arc
        EXPECT_EQ(import(c.file), total);
        EXPECT_TRUE(doc_test::rec().messages.empty());
        std::vector<Bytes> ps = projections();
        ASSERT_EQ(ps.size(), 3u);
        // Block names as written (ezdxf's letter case differs by version).
        std::string m = projection_name(ps[0]), p = projection_name(ps[1]);
        for (char& ch : m) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        for (char& ch : p) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        EXPECT_EQ(m, c.model_space);
        EXPECT_EQ(p, c.paper_space);
        EXPECT_EQ(projection_name(ps[2]), "ENTITIES");
        EXPECT_TRUE(elements(ps[0]).empty());
        EXPECT_TRUE(elements(ps[1]).empty());
        std::vector<Bytes> es = elements(ps[2]);
        std::vector<int> k = kinds(es);
        EXPECT_EQ(k[element_kind_segment], c.segments);
        EXPECT_EQ(k[element_kind_circle], 1);
        EXPECT_EQ(k[element_kind_arc_centre], 1);
        EXPECT_EQ(k[element_kind_curve], c.curves);
        // The first two lines meet at (10, 0): one reference point; the POINT
        // between them added nothing.
        ASSERT_GE(es.size(), 2u);
        EXPECT_TRUE(near(pt(es[0], 1), Point2{10, 0}));
        EXPECT_EQ(point_no(es[0], 1), point_no(es[1], 0));
        EXPECT_TRUE(near(pt(es[1], 1), Point2{10, -10}));
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0], "Привет ГОСТ");
    }
}

}  // namespace
}  // namespace exchange_test
