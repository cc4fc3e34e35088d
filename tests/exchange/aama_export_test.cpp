// AAMA export: a rectangle with a hatched rectangular hole, a round piece
// and a rounded corner, written and read back by the program's own DXF
// reader (and by ezdxf in the native tree).
#include "tests/exchange/exchange_test_support.h"

#include "output/aama_export.h"
#include "output/dxf_import.h"
#include "render/contours/contour_lists.h"
#include "render/output/dxf_writers.h"

#include <fstream>
#include <sstream>

namespace exchange_test {
namespace {

class AamaTest : public ExchangeTest {
protected:
    void SetUp() override {
        ExchangeTest::SetUp();
        contour_lists_bind();
        bind_current_drawing_header([]() -> const uint8_t* {
            DrawingFile* d = open_drawings[current_drawing & 1];
            return d ? d->header : nullptr;
        });
    }
    void TearDown() override {
        bind_current_drawing_header(nullptr);
        ExchangeTest::TearDown();
    }
    std::string written() {
        DrawingFile* df = current_drawing_file();
        put_f64(df->header, header_scale, 1.0);
        put_f32(df->header, header_sheet_height, 297);
        FILE* f = std::fopen(full("p.aam").c_str(), "w");
        EXPECT_EQ(aama_write(f, df, dxf_sheet_views(df)), 0);
        std::fclose(f);
        std::ifstream in(full("p.aam"));
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static int count(const std::string& text, const std::string& what) {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }
    void hatching_at(RecordRef p, Point2 seed) {
        Bytes h(hatching_record_size, 0);
        put_u16(h.data(), 0, hatching_record_size);
        put_u32(h.data(), 2, 1);
        h[record_kind] = annotation_hatching;
        put_f32(h.data(), hatching_seed, static_cast<float>(seed.x));
        put_f32(h.data(), hatching_seed + 4, static_cast<float>(seed.y));
        doc_test::add_to_projection(p, projection_annotations, table_annotation, h);
    }
    void rectangle(RecordRef p, uint32_t first, Point2 a, Point2 b) {
        Point2 c[4] = {a, {b.x, a.y}, b, {a.x, b.y}};
        for (uint32_t i = 0; i < 4; ++i) add_element(p, element(element_kind_segment, first + i, {c[i], c[(i + 1) % 4]}));
    }
};

TEST_F(AamaTest, EmptySheetHasNoBlocksTwoTextsAndNoInsert) {
    ASSERT_EQ(drawing_new(1), 0);
    std::string t = written();
    EXPECT_EQ(t, "  0\nSECTION\n  2\nHEADER\n  0\nENDSEC\n  0\nSECTION\n  2\nBLOCKS\n  0\nENDSEC\n"
                 "  0\nSECTION\n  2\nENTITIES\n"
                 "  0\nTEXT\n  8\n1\n  10\n0.000000\n  20\n0.000000\n  40\n0.250000\n  50\n0.000000\n  1\n"
                 "Author:Veruzurev Oduvoder 2\n  7\nSTANDARD\n"
                 "  0\nTEXT\n  8\n1\n  10\n0.000000\n  20\n0.000000\n  40\n0.250000\n  50\n0.000000\n  1\n"
                 "Version:1\n  7\nSTANDARD\n"
                 "  0\nENDSEC\n  0\nEOF\n");
}

TEST_F(AamaTest, RectangleWithAHatchedHoleGivesOuterAndInnerOutlines) {
    ASSERT_EQ(drawing_new(1), 0);
    RecordRef p = projection(1, 0, 0, 100, 60);
    rectangle(p, 1, {0, 0}, {100, 60});
    rectangle(p, 11, {40, 20}, {60, 40});
    hatching_at(p, {50, 30});
    std::string t = written();
    EXPECT_EQ(count(t, "  0\nPOLYLINE\n  8\n1\n"), 1);
    EXPECT_EQ(count(t, "  0\nPOLYLINE\n  8\n8\n"), 1);
    EXPECT_EQ(count(t, "  0\nVERTEX\n  8\n1\n"), 4);
    EXPECT_EQ(count(t, "  0\nVERTEX\n  8\n8\n"), 4);
    EXPECT_EQ(count(t, "  0\nPOINT\n  8\n2\n"), 8);
    EXPECT_EQ(count(t, "  2\nPattern_1\n"), 2);  // the block and its INSERT
#ifndef _WIN32
    // An independent reader sees a closed polyline of 4 vertices on layers
    // 1 and 8, and 8 corner points on layer 2.
    std::string cmd = "/usr/bin/python3 -c \"import sys, ezdxf; d = ezdxf.readfile(sys.argv[1]); "
                      "b = d.blocks.get('Pattern_1'); "
                      "print(sorted((e.dxf.layer, len(list(e.vertices)), e.is_closed) for e in b.query('POLYLINE')), "
                      "len(b.query('POINT[layer==\\\"2\\\"]')), len(d.modelspace().query('INSERT')))\" '" +
                      full("p.aam") + "' > ezdxf.txt 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream in("ezdxf.txt");
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "[('1', 4, True), ('8', 4, True)] 8 1");
#endif
    // Read back by the program's own reader: the two outlines' segments.
    close_and_forget();
    dxf_line_width = 0;
    FILE* f = std::fopen(full("p.aam").c_str(), "r");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(dxf_read(f), 8);
    std::fclose(f);
}

TEST_F(AamaTest, ARoundPieceAndAnArcCornerGivePointsOnTheirArcs) {
    ASSERT_EQ(drawing_new(1), 0);
    RecordRef p = projection(1, 0, 0, 20, 20);
    add_element(p, element(element_kind_circle, 1, {{20, 10}, {10, 10}}));
    std::string t = written();
    EXPECT_EQ(count(t, "  0\nVERTEX\n  8\n1\n"), 8);
    close_and_forget();
    ASSERT_EQ(drawing_new(1), 0);
    // A square with one corner rounded by a quarter arc (sweep pi/2): three
    // inner points and the arc's end.
    RecordRef q = projection(1, 0, 0, 100, 100);
    add_element(q, element(element_kind_segment, 1, {{0, 0}, {90, 0}}));
    add_element(q, element(element_kind_arc_centre, 2, {{100, 10}, {90, 0}, {90, 10}}));
    add_element(q, element(element_kind_segment, 3, {{100, 10}, {100, 100}}));
    add_element(q, element(element_kind_segment, 4, {{100, 100}, {0, 100}}));
    add_element(q, element(element_kind_segment, 5, {{0, 100}, {0, 0}}));
    t = written();
    EXPECT_EQ(count(t, "  0\nVERTEX\n  8\n1\n"), 4 + 1 + 3);
}

TEST_F(AamaTest, APieceWithoutAClosedOutlineStopsTheExportWithItsCaption) {
    ASSERT_EQ(drawing_new(1), 0);
    RecordRef p = projection(1, 0, 0, 100, 60);
    add_element(p, element(element_kind_segment, 1, {{0, 0}, {100, 0}}));
    add_element(p, element(element_kind_segment, 2, {{100, 0}, {100, 60}}));
    DrawingFile* df = current_drawing_file();
    FILE* f = std::fopen(full("open.aam").c_str(), "w");
    EXPECT_EQ(aama_write(f, df, dxf_sheet_views(df)), -1);
    std::fclose(f);
    ASSERT_EQ(doc_test::rec().messages.size(), 1u);
    EXPECT_EQ(doc_test::rec().messages[0].rfind(expanded("$экспорта"), 0), 0u) << doc_test::rec().messages[0];
    EXPECT_GT(doc_test::rec().messages[0].size(), expanded("$экспорта").size() + 1);
}

}  // namespace
}  // namespace exchange_test
