// MGI export and import: round trips through a file, the arc on three points
// made for a centre outside the box, title-block texts, and a table of
// damaged files, each with its message and nothing lost of what was stored.
#include "tests/exchange/exchange_test_support.h"

#include "geometry/curves.h"
#include "output/mgi_format.h"
#include "store/text_codec.h"

namespace exchange_test {
namespace {

class MgiTest : public ExchangeTest {
protected:
    int write(const std::string& path) {
        FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        int r = mgi_write(f, current_drawing_file(), 5);
        std::fclose(f);
        return r;
    }
    long read(const std::string& path) {
        FILE* f = std::fopen(path.c_str(), "rb");
        EXPECT_NE(f, nullptr);
        long r = mgi_read(f);
        std::fclose(f);
        return r;
    }
    void close_all() {
        doc_test::rec().answer = 0;  // no save
        for (int i = 0; i < 3 && open_drawing_count > 0; ++i) drawing_close();
        ASSERT_EQ(open_drawing_count, 0);
        doc_test::rec().answer = 1;
    }
    // The arc geometry {start, end, centre} of an imported kind 3 or 4 element.
    static ArcByCentre arc_of(const Bytes& e) {
        ArcByCentre a{pt(e, 0), pt(e, 1), pt(e, 2)};
        if (kind_of(e) == element_kind_arc_points) {
            ArcByPoints b{pt(e, 0), pt(e, 1), pt(e, 2)};
            EXPECT_EQ(arc_by_points_to_centre(&b, &a), 1);
        }
        return a;
    }
    static void add_title(uint32_t number, const std::string& text) {
        DrawingFile* df = current_drawing_file();
        uint16_t words[400];
        int bytes = text_pack_words(static_cast<int>(text.size()), text.c_str(), words, 400, 1);
        Bytes rec(8 + bytes, 0);
        put_u16(rec.data(), 0, static_cast<uint16_t>(rec.size()));
        put_u32(rec.data(), 2, number);
        std::memcpy(rec.data() + 8, words, static_cast<size_t>(bytes));
        RecordRef head = get_u32(df->header, header_title_block);
        record_add(df, &head, rec.data(), &page_buffers[table_title_block]);
        put_u32(df->header, header_title_block, head);
    }
    static std::string title(uint32_t number) {
        DrawingFile* df = current_drawing_file();
        RecordRef head = get_u32(df->header, header_title_block);
        uint8_t* r = record_find_key(df, &head, number, nullptr, &page_buffers[table_title_block]);
        if (!r) return "<none>";
        std::vector<uint16_t> w(400, 0);
        int packed = get_u16(r, 0) - 8;
        std::memcpy(w.data(), r + 8, static_cast<size_t>(packed));
        char out[1200];
        int n = text_unpack_words(packed, w.data(), out, sizeof out, 1);
        while (n > 0 && out[n - 1] == ' ') --n;
        return std::string(out, static_cast<size_t>(n));
    }
};

TEST_F(MgiTest, RoundTripKeepsGeometryOfEveryElementKind) {
    ASSERT_EQ(drawing_new(1), 0);
    // Frame (-10, -5)-(110, 85): read back, coordinates move by (10, 5).
    RecordRef p = projection(1, -10, -5, 110, 85);
    add_element(p, element(element_kind_segment, 1, {{10, 10}, {50, 10}}));
    add_element(p, element(element_kind_segment, 2, {{50, 10}, {50, 30}}, 3));
    add_element(p, element(element_kind_circle, 3, {{40, 40}, {30, 40}}));
    // Arcs with centre, both senses (decreasing angle from start to end).
    add_element(p, element(element_kind_arc_centre, 4, {{70, 40}, {60, 30}, {60, 40}}));
    add_element(p, element(element_kind_arc_centre, 5, {{60, 30}, {70, 40}, {60, 40}}));
    // Arcs on three points: a real one and a collinear one.
    add_element(p, element(element_kind_arc_points, 6, {{10, 60}, {30, 60}, {20, 70}}));
    add_element(p, element(element_kind_arc_points, 7, {{10, 80}, {30, 80}, {20, 80}}));
    std::vector<CurveVertex> v = {{0, {80, 10}, {}}, {0, {90, 20}, {}}, {0, {100, 10}, {}}, {0, {105, 30}, {}}};
    smooth_curve_through_points(v.data(), 4, 0, 1);
    add_element(p, curve(8, v));
    // A conventional symbol: written, ignored on reading.
    Bytes sym(element_symbol_items + 2 * element_symbol_item_size, 0);
    put_u16(sym.data(), 0, static_cast<uint16_t>(sym.size()));
    put_u32(sym.data(), element_number, 9);
    put_u16(sym.data(), element_flags, element_kind_symbol | (1 << 4));
    put_u16(sym.data(), element_symbol_count, 2);
    add_element(p, sym);
    // Left out: a deleted element and a generated thin line.
    Bytes deleted = element(element_kind_segment, 10, {{0, 0}, {5, 5}});
    put_u16(deleted.data(), element_flags, get_u16(deleted.data(), element_flags) | 0x8000);
    add_element(p, deleted);
    Bytes generated = element(element_kind_segment, 11, {{0, 0}, {5, 6}}, 2);
    put_u16(generated.data(), element_flags, get_u16(generated.data(), element_flags) | 0x0200);
    add_element(p, generated);
    // A contour over the first segment and the circle: its members are
    // written again inside it, and not imported twice.
    Bytes contour(contour_members + 8, 0);
    put_u16(contour.data(), 0, static_cast<uint16_t>(contour.size()));
    put_u32(contour.data(), contour_number, 1);
    put_u16(contour.data(), contour_flags, 1);
    put_u16(contour.data(), contour_member_count, 2);
    put_u32(contour.data(), contour_members, 1);
    put_u32(contour.data(), contour_members + 4, 3);
    doc_test::add_to_projection(p, projection_contours, table_contours, contour);

    ASSERT_EQ(write(full("a.mgi")), 0);
    close_all();  // reading with no drawing open makes a new one
    EXPECT_EQ(read(full("a.mgi")), 10);
    EXPECT_EQ(doc_test::rec().messages, std::vector<std::string>{});
    EXPECT_EQ(shell().prompts.back(), "Введено 10 элементов графики");
    EXPECT_EQ(shell().finished, 1);

    std::vector<Bytes> ps = projections();
    ASSERT_EQ(ps.size(), 1u);
    std::vector<Bytes> es = elements(ps[0]);
    ASSERT_EQ(es.size(), 10u);
    Point2 d{10, 5};
    auto moved = [&](Point2 q) { return Point2{q.x + d.x, q.y + d.y}; };
    EXPECT_EQ(kind_of(es[0]), element_kind_segment);
    EXPECT_TRUE(near(pt(es[0], 0), moved({10, 10})));
    EXPECT_TRUE(near(pt(es[0], 1), moved({50, 10})));
    EXPECT_EQ(element_line_type(es[1].data()), 3);
    // The two segments meet at (50, 10): one reference point.
    EXPECT_EQ(point_no(es[0], 1), point_no(es[1], 0));
    EXPECT_EQ(kind_of(es[2]), element_kind_circle);
    EXPECT_TRUE(near(pt(es[2], 1), moved({30, 40})));
    EXPECT_NEAR(point_distance(pt(es[2], 0), pt(es[2], 1)), 10, 1e-9);
    for (int i : {3, 4}) {
        ASSERT_EQ(kind_of(es[i]), element_kind_arc_centre) << i;
    }
    EXPECT_TRUE(near(pt(es[3], 0), moved({70, 40})));
    EXPECT_TRUE(near(pt(es[3], 1), moved({60, 30})));
    EXPECT_TRUE(near(pt(es[4], 0), moved({60, 30})));
    EXPECT_TRUE(near(pt(es[4], 1), moved({70, 40})));
    // The three-point arc comes back as the same arc: through (20, 70).
    ArcByCentre a = arc_of(es[5]);
    Point2 mid;
    arc_midpoint(&a, &mid);
    EXPECT_TRUE(near(mid, moved({20, 70}), 1e-6));
    EXPECT_TRUE(near(a.centre, moved({20, 60}), 1e-6));
    // Collinear: a segment over its first two points.
    EXPECT_EQ(kind_of(es[6]), element_kind_segment);
    EXPECT_TRUE(near(pt(es[6], 0), moved({10, 80})));
    EXPECT_TRUE(near(pt(es[6], 1), moved({30, 80})));
    // The curve: three arc pieces joining the vertices through their points.
    for (int i = 0; i < 3; ++i) {
        const Bytes& e = es[7 + i];
        if (kind_of(e) == element_kind_segment) {
            // A straight piece: its through point lies on it.
            Segment seg{pt(e, 0), pt(e, 1)};
            EXPECT_TRUE(near(seg.start, moved(v[i].point)) && near(seg.end, moved(v[i + 1].point))) << i;
            EXPECT_NEAR(point_line_distance(&seg, moved(v[i].through)), 0, 1e-6) << i;
            continue;
        }
        ArcByCentre piece = arc_of(e);
        Point2 ends[2] = {moved(v[i].point), moved(v[i + 1].point)};
        EXPECT_TRUE((near(piece.start, ends[0]) && near(piece.end, ends[1])) ||
                    (near(piece.start, ends[1]) && near(piece.end, ends[0])))
            << i;
        EXPECT_NEAR(point_distance(piece.centre, moved(v[i].through)), point_distance(piece.centre, piece.start),
                    1e-6)
            << i;
    }
}

TEST_F(MgiTest, ArcWithCentreOutsideTheBoxBecomesAnArcOnThreePoints) {
    ASSERT_EQ(drawing_new(1), 0);
    RecordRef p = projection(1, 0, 0, 100, 100);
    // Centre (50, 150), radius 60, from angle -60 degrees down to -120.
    double r = 60, s = -k_pi() / 3, e = -2 * k_pi() / 3;
    Point2 c{50, 150};
    Point2 start{c.x + r * std::cos(s), c.y + r * std::sin(s)}, end{c.x + r * std::cos(e), c.y + r * std::sin(e)};
    add_element(p, element(element_kind_arc_centre, 1, {start, end, c}));
    ArcByCentre original{start, end, c};
    ASSERT_EQ(write(full("b.mgi")), 0);
    close_all();
    EXPECT_EQ(read(full("b.mgi")), 1);
    std::vector<Bytes> es = elements(projections()[0]);
    ASSERT_EQ(es.size(), 1u);
    ASSERT_EQ(kind_of(es[0]), element_kind_arc_points);
    EXPECT_TRUE(near(pt(es[0], 0), start));
    EXPECT_TRUE(near(pt(es[0], 1), end));
    EXPECT_TRUE(near(pt(es[0], 2), Point2{50, 90}));  // the arc's middle
    ArcByCentre back = arc_of(es[0]);
    EXPECT_NEAR(arc_sweep_angle(&back), arc_sweep_angle(&original), 1e-9);
}

TEST_F(MgiTest, TitleBlockTextsTravelAndExistingOnesStay) {
    ASSERT_EQ(drawing_new(1), 0);
    add_title(2, "АБВГ.123456.001");
    add_title(1, "Вал");
    add_title(131, "01.02.26");
    ASSERT_EQ(write(full("t.mgi")), 0);
    // Into a new drawing without projections: a file of a header and an end
    // record brings its texts and nothing else.
    close_all();
    ASSERT_EQ(drawing_new(1), 0);
    add_title(1, "Ось");
    EXPECT_EQ(read(full("t.mgi")), 0);
    EXPECT_EQ(title(2), "АБВГ.123456.001");
    EXPECT_EQ(title(1), "Ось");
    EXPECT_EQ(title(111), "<none>");
    EXPECT_EQ(title(131), "01.02.26");
    EXPECT_TRUE(projections().empty());
    EXPECT_EQ(shell().prompts.back(), "Введено 0 элементов графики");
}

TEST_F(MgiTest, OverlongTitleTextsStopTheExportBeforeAnyByte) {
    ASSERT_EQ(drawing_new(1), 0);
    // 2010 bytes fit after the 34 of the header; one more does not.
    add_title(2, std::string(1000, 'A'));
    add_title(1, std::string(1010, 'B'));
    ASSERT_EQ(write(full("ok.mgi")), 0);
    add_title(111, "C");
    EXPECT_EQ(write(full("long.mgi")), -1);
    EXPECT_EQ(doc_test::rec().messages.back(), expanded("%о длинные строки в заголовке"));
    EXPECT_EQ(doc_test::file_bytes(full("long.mgi")).size(), 0u);
    EXPECT_EQ(doc_test::file_bytes(full("ok.mgi")).size(), 2044u + 4u);
}

// ---------------------------------------------------------------- damaged files
Bytes header(std::vector<std::pair<uint16_t, std::string>> texts = {}) {
    Bytes h(34, 0);
    std::memcpy(h.data(), "MGI ", 4);
    put_u16(h.data(), 4, 1);
    for (size_t i = 0; i < texts.size(); ++i) {
        put_u16(h.data(), 18 + 2 * i, texts[i].first ? texts[i].first : static_cast<uint16_t>(h.size()));
        put_u16(h.data(), 26 + 2 * i, static_cast<uint16_t>(texts[i].second.size()));
        h.insert(h.end(), texts[i].second.begin(), texts[i].second.end());
    }
    put_u16(h.data(), 6, static_cast<uint16_t>(h.size() - 6));
    return h;
}
Bytes projection_record(const std::string& name = "Вид", int extra_name = 0) {
    Bytes r(30 + name.size(), 0);
    r[2] = 1;
    put_f32(r.data(), 4, 100);
    put_f32(r.data(), 8, 100);
    put_f64(r.data(), 20, 1.0);
    put_u16(r.data(), 28, static_cast<uint16_t>(name.size() + extra_name));
    std::memcpy(r.data() + 30, name.data(), name.size());
    put_u16(r.data(), 0, static_cast<uint16_t>(r.size()));
    return r;
}
Bytes segment_record(double x1, double y1, double x2, double y2) {
    Bytes r(40, 0);
    put_u16(r.data(), 0, 40);
    r[2] = 2;
    r[4] = 1;
    put_f64(r.data(), 8, x1);
    put_f64(r.data(), 16, y1);
    put_f64(r.data(), 24, x2);
    put_f64(r.data(), 32, y2);
    return r;
}
Bytes small_record(int kind, uint16_t length = 4) {
    Bytes r(std::max<uint16_t>(length, 3), 0);
    put_u16(r.data(), 0, length);
    r[2] = static_cast<uint8_t>(kind);
    return r;
}
Bytes cat(std::vector<Bytes> parts) {
    Bytes out;
    for (const Bytes& b : parts) out.insert(out.end(), b.begin(), b.end());
    return out;
}

TEST_F(MgiTest, DamagedFilesGiveTheirMessageAndKeepWhatWasStored) {
    const std::string read_failed = expanded("$чтения файла МГИ");
    const std::string not_mgi = "Открытый файл не МГИ";
    const std::string bad = expanded("$формата МГИ");
    const std::string no_end = "Нет конца МГИ";
    Bytes good = cat({projection_record(), segment_record(0, 0, 10, 10)});
    Bytes wrong_magic = header();
    wrong_magic[3] = 'X';
    Bytes byte8 = header();
    byte8[8] = 1;
    Bytes huge_header = header();
    put_u16(huge_header.data(), 6, 65535);
    Bytes arc_short = segment_record(0, 0, 1, 1);
    arc_short[3] = 2;  // an arc needs 56 bytes
    Bytes len3 = small_record(6, 3);
    Bytes symbol_odd = small_record(3, 7);
    Bytes cut_header = header();
    cut_header.resize(20);
    Bytes cut_segment = segment_record(1, 1, 2, 2);
    cut_segment.resize(20);
    struct Case {
        const char* name;
        Bytes file;
        std::string message;
        size_t elements;  // stored and kept
    } cases[] = {
        {"short header", Bytes{'M', 'G', 'I'}, read_failed, 0},
        {"wrong magic", wrong_magic, not_mgi, 0},
        {"byte 8 not zero", byte8, not_mgi, 0},
        {"header length 65535", huge_header, bad, 0},
        {"header shorter than its fields", Bytes{'M', 'G', 'I', ' ', 1, 0, 2, 0}, bad, 0},
        {"header cut", cut_header, read_failed, 0},
        {"title offset below 34", header({{20, "AB"}}), bad, 0},
        {"title past the header", header({{40, "ABCDEFGHIJ"}}), bad, 0},
        {"no end record", cat({header(), good}), no_end, 1},
        {"record length 2 before the end", cat({header(), good, small_record(6, 2)}), no_end, 1},
        {"record length 2 after the end", cat({header(), good, small_record(6), small_record(6, 2)}), "", 1},
        {"record length 3", cat({header(), good, len3}), bad, 1},
        {"record length 32770", cat({header(), good, small_record(6, 32770)}), no_end, 1},
        {"element before any projection", cat({header(), segment_record(0, 0, 1, 1)}), bad, 0},
        {"contour before any projection", cat({header(), small_record(4, 36)}), bad, 0},
        {"arc record too short", cat({header(), good, arc_short, small_record(6)}), bad, 1},
        {"name length past its record", cat({header(), projection_record("Вид", 5)}), bad, 0},
        {"contour end of wrong length", cat({header(), good, small_record(5, 8), small_record(6)}), bad, 1},
        {"symbol of a broken length", cat({header(), good, symbol_odd, small_record(6)}), bad, 1},
        {"unknown kind", cat({header(), good, small_record(9), small_record(6)}), bad, 1},
        {"record cut by the file end", cat({header(), good, cut_segment}),
         read_failed, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        doc_test::rec().messages.clear();
        shell().prompts.clear();
        close_all();
        doc_test::write_bytes(full("x.mgi"), c.file);
        long got = read(full("x.mgi"));
        EXPECT_EQ(got, c.message.empty() ? 1 : -1);
        if (c.message.empty()) {
            EXPECT_TRUE(doc_test::rec().messages.empty());
        } else {
            ASSERT_EQ(doc_test::rec().messages.size(), 1u);
            EXPECT_EQ(doc_test::rec().messages[0], c.message);
        }
        size_t stored = 0;
        if (current_drawing_file()) {
            for (const Bytes& p : projections()) stored += elements(p).size();
        }
        EXPECT_EQ(stored, c.elements);
        if (current_drawing_file()) {
            // The count prompt closes every import that got past the header.
            ASSERT_FALSE(shell().prompts.empty());
            EXPECT_EQ(shell().prompts.back(), "Введено " + std::to_string(c.elements) + " элементов графики");
        }
    }
}

}  // namespace
}  // namespace exchange_test
