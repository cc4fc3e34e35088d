// DXF export: a fixture drawing walked in DXF mode and written as a whole
// file, then read by an independent reader (ezdxf, through
// scripts/check_dxf_export.py; native tree only): no audit error, every
// handle unique and below $HANDSEED, lineweights 60, 50 and 25 only, line
// types 0 and 15 absent, the arc's angles and the scale as the sheet says.
#include "tests/exchange/exchange_test_support.h"

#include "output/dxf_export.h"
#include "render/output/dxf_writers.h"
#include "render/output/element_drawing.h"
#include "render/output/output_view.h"

#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace exchange_test {
namespace {

struct Entity {
    std::string type, handle;
    int lineweight;
    std::vector<double> v;
};

struct Check {
    int errors = -1, fixes = -1;
    bool loaded = false;
    std::string handseed;
    std::vector<std::string> dimstyles, fixes_text;
    std::vector<Entity> entities;
};

class DxfExportTest : public ExchangeTest {
protected:
    std::string exported(double scale = 1.0) {
        DrawingFile* df = current_drawing_file();
        put_f64(df->header, header_scale, scale);
        put_f32(df->header, header_sheet_width, 420);
        put_f32(df->header, header_sheet_height, 297);
        std::string path = full("e.dxf");
        FILE* f = std::fopen(path.c_str(), "w");
        EXPECT_NE(f, nullptr);
        EXPECT_EQ(dxf_write(f, dir.string().c_str(), df, dxf_sheet_views(df)), 0);
        std::fclose(f);
        EXPECT_FALSE(doc_test::fs::exists(dir / "$$$sarvolt$dxf.tmp"));
        EXPECT_EQ(dxf_line_width, 0.0);
        return path;
    }
    Check check(const std::string& path) {
        Check c;
#ifdef _WIN32
        (void)path;
#else
        std::string cmd = "/usr/bin/python3 " + std::string(SARVOLT_TEST_DATA) +
                          "/../../scripts/check_dxf_export.py '" + path + "' > check.txt 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        std::ifstream in("check.txt");
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream s(line);
            std::string w;
            s >> w;
            if (w == "audit") {
                std::sscanf(line.c_str(), "audit errors=%d fixes=%d", &c.errors, &c.fixes);
            } else if (w == "fix") {
                c.fixes_text.push_back(line);
            } else if (w == "load") {
                s >> w;
                c.loaded = w == "ok";
                if (!c.loaded) ADD_FAILURE() << line;
            } else if (w == "handseed") {
                s >> c.handseed;
            } else if (w == "dimstyle") {
                std::string rest;
                std::getline(s, rest);
                c.dimstyles.push_back(rest.substr(rest.find_first_not_of(' ')));
            } else if (w == "entity") {
                Entity e;
                std::string lw;
                s >> e.type >> e.handle >> lw;
                e.lineweight = lw == "none" ? -100 : std::atoi(lw.c_str());
                double d;
                while (s >> d) e.v.push_back(d);
                c.entities.push_back(e);
            }
        }
#endif
        return c;
    }
};

TEST_F(DxfExportTest, IndependentReaderAcceptsTheFileAndSeesTheSheetGeometry) {
#ifdef _WIN32
    GTEST_SKIP() << "the independent reader runs in the native tree";
#endif
    ASSERT_EQ(drawing_new(1), 0);
    RecordRef p = projection(1, 0, 0, 100, 100);
    // Placed at (20, 30) on the sheet.
    {
        RecordRef x = p;
        uint8_t* pr = record_read_at(current_drawing_file(), &x, &page_buffers[table_projections]);
        put_f32(pr, projection_area_origin_offset, 20);
        put_f32(pr, projection_area_origin_offset + 4, 30);
        page_buffers[table_projections].clean = 0;
    }
    add_element(p, element(element_kind_segment, 1, {{0, 0}, {50, 0}}, 1));
    add_element(p, element(element_kind_segment, 2, {{0, 10}, {50, 10}}, 5));
    add_element(p, element(element_kind_segment, 3, {{0, 20}, {50, 20}}, 2));
    add_element(p, element(element_kind_segment, 4, {{0, 30}, {50, 30}}, 0));
    add_element(p, element(element_kind_segment, 5, {{0, 40}, {50, 40}}, 15));
    add_element(p, element(element_kind_circle, 6, {{70, 50}, {60, 50}}, 1));
    // From angle 0 down to -pi/2 about (60, 80): (70, 80) to (60, 70).
    add_element(p, element(element_kind_arc_centre, 7, {{70, 80}, {60, 70}, {60, 80}}, 1));

    std::string path = exported();
    Check c = check(path);
    EXPECT_EQ(c.errors, 0);
    EXPECT_EQ(c.fixes, 0);
    EXPECT_TRUE(c.loaded);
    for (const std::string& f : c.fixes_text) ADD_FAILURE() << "audit fix: " << f;
    // The style's name read back as the same Cyrillic (printed in UTF-8).
    EXPECT_NE(std::find(c.dimstyles.begin(), c.dimstyles.end(), "\xD0\x93\xD0\x9E\xD0\xA1\xD0\xA2 2.3xx"),
              c.dimstyles.end());
    std::map<std::string, int> types;
    std::set<std::string> handles;
    unsigned long seed = std::strtoul(c.handseed.c_str(), nullptr, 16);
    for (const Entity& e : c.entities) {
        ++types[e.type];
        EXPECT_TRUE(handles.insert(e.handle).second) << e.handle;
        EXPECT_LT(std::strtoul(e.handle.c_str(), nullptr, 16), seed);
        EXPECT_TRUE(e.lineweight == 60 || e.lineweight == 50 || e.lineweight == 25) << e.lineweight;
        for (size_t i = 0; i + 1 < e.v.size() && e.type == "LINE"; i += 2) {
            EXPECT_TRUE(e.v[i] >= 0 && e.v[i] <= 420 && e.v[i + 1] >= 0 && e.v[i + 1] <= 297);
        }
    }
    // Line types 0 and 15 give nothing.
    EXPECT_EQ(types["LINE"], 3);
    EXPECT_EQ(types["CIRCLE"], 1);
    EXPECT_EQ(types["ARC"], 1);
    for (const Entity& e : c.entities) {
        if (e.type == "LINE" && e.lineweight == 60) {
            // (0, 0)-(50, 0) at (20, 30): y turned by the sheet height.
            ASSERT_EQ(e.v.size(), 4u);
            EXPECT_NEAR(e.v[0], 20, 1e-9);
            EXPECT_NEAR(e.v[1], 297 - 30, 1e-9);
            EXPECT_NEAR(e.v[2], 70, 1e-9);
        }
        if (e.type == "CIRCLE") {
            EXPECT_NEAR(e.v[0], 80, 1e-9);
            EXPECT_NEAR(e.v[1], 297 - 80, 1e-9);
            EXPECT_NEAR(e.v[2], 10, 1e-9);
        }
        if (e.type == "ARC") {
            ASSERT_EQ(e.v.size(), 5u);
            EXPECT_NEAR(e.v[2], 10, 1e-9);
            EXPECT_NEAR(e.v[3], 0, 1e-9);
            EXPECT_NEAR(e.v[4], 90, 1e-9);
        }
    }
    std::map<int, int> weights;
    for (const Entity& e : c.entities)
        if (e.type == "LINE") ++weights[e.lineweight];
    EXPECT_EQ(weights[60], 1);
    EXPECT_EQ(weights[50], 1);
    EXPECT_EQ(weights[25], 1);
#ifndef _WIN32
    // A second reader: LibreCAD's console converter gives a one-page PDF
    // (under a timeout: it hangs on some damaged files).
    doc_test::fs::create_directory("pdf");
    std::string convert = "QT_QPA_PLATFORM=offscreen timeout 120 librecad dxf2pdf -t pdf '" + path +
                          "' > librecad.txt 2>&1; pdfinfo pdf/e.pdf > pdfinfo.txt 2>&1";
    EXPECT_EQ(std::system(convert.c_str()), 0);
    std::ifstream info("pdfinfo.txt");
    std::string line, pages;
    while (std::getline(info, line))
        if (line.rfind("Pages:", 0) == 0) pages = line.substr(line.find_last_of(' ') + 1);
    EXPECT_EQ(pages, "1");
#endif
}

TEST_F(DxfExportTest, AHalfScaleDrawingComesOutAtHalfSize) {
#ifdef _WIN32
    GTEST_SKIP() << "the independent reader runs in the native tree";
#endif
    ASSERT_EQ(drawing_new(1), 0);
    RecordRef p = projection(1, 0, 0, 100, 100);
    add_element(p, element(element_kind_circle, 1, {{30, 20}, {20, 20}}, 1));
    Check c = check(exported(0.5));
    ASSERT_EQ(c.entities.size(), 1u);
    EXPECT_NEAR(c.entities[0].v[0], 10, 1e-9);
    EXPECT_NEAR(c.entities[0].v[1], 297 - 10, 1e-9);
    EXPECT_NEAR(c.entities[0].v[2], 5, 1e-9);
}

TEST_F(DxfExportTest, EntitiesMatchThePrimitivesOfTheSameWalk) {
    ASSERT_EQ(drawing_new(1), 0);
    RecordRef p = projection(1, 0, 0, 100, 100);
    add_element(p, element(element_kind_segment, 1, {{0, 0}, {50, 0}}, 1));
    add_element(p, element(element_kind_segment, 2, {{0, 10}, {50, 10}}, 3));
    add_element(p, element(element_kind_circle, 3, {{70, 50}, {60, 50}}, 2));
    add_element(p, element(element_kind_arc_centre, 4, {{70, 80}, {60, 70}, {60, 80}}, 1));
    add_element(p, element(element_kind_arc_points, 5, {{10, 60}, {30, 60}, {20, 70}}, 1));
    std::vector<CurveVertex> v = {{0, {80, 10}, {85, 16}}, {0, {90, 20}, {95, 16}}, {0, {100, 10}, {}}};
    add_element(p, curve(6, v));
    // The primitives the walk hands to the writers, recorded.
    DrawingFile* df = current_drawing_file();
    dxf_recorder_install();
    {
        std::vector<DxfView> views = dxf_sheet_views(df);
        ASSERT_EQ(views.size(), 1u);
        RecordRef r = views[0].projection;
        uint8_t* pr = record_read_at(df, &r, &page_buffers[table_projections]);
        Bytes copy(pr, pr + get_u16(pr, 0));
        copy.resize(projection_record_max);
        OutputView view;
        output_view_init(&view, output_sheet);
        view.stage = 6;
        view.projection = copy.data();
        dxf_output_active = 1;
        draw_view_elements(&view);
        dxf_output_active = 0;
    }
    std::map<int, int> recorded;
    int spline_pieces = 0;
    for (const DxfEntity& e : dxf_recorded_entities()) {
        if (e.width == 0) continue;
        ++recorded[e.kind];
        if (e.kind == dxf_spline_entity) spline_pieces += e.pieces;
    }
    dxf_recorder_remove();
    std::ifstream in(exported());
    std::stringstream text;
    text << in.rdbuf();
    auto count = [&](const std::string& what) {
        int n = 0;
        std::string t = text.str();
        for (size_t at = t.find(what); at != std::string::npos; at = t.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("  0\nLINE\n"), recorded[dxf_line_entity] + 4 * recorded[dxf_rectangle_entity]);
    EXPECT_EQ(count("  0\nCIRCLE\n"), recorded[dxf_circle_entity]);
    EXPECT_EQ(count("  0\nARC\n"), recorded[dxf_arc_entity]);
    EXPECT_EQ(count("  0\nSPLINE\n"), spline_pieces);
    EXPECT_GT(recorded[dxf_arc_entity], 0);
}

TEST(DxfLineweight, NearestStandardValueTiesToTheSmaller) {
    struct Case {
        double mm;
        int weight;
    } cases[] = {{0.6, 60}, {0.5, 50}, {0.25, 25}, {0.0, 0}, {0.07, 5}, {0.11, 9}, {0.115, 13},
                 {0.555, 53}, {0.57, 60}, {0.19, 18}, {0.14, 13}, {2.05, 200}, {2.2, 211}, {5.0, 211}};
    for (const Case& c : cases) EXPECT_EQ(dxf_lineweight(c.mm), c.weight) << c.mm;
}

}  // namespace
}  // namespace exchange_test
