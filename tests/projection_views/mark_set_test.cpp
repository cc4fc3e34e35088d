// The marking list of a projection window over the store: the ends of a
// dimension, linked points, removal, the damaged-drawing paths, and the
// geometry of the drawn marks.
#include "shell/core/mark_set.h"
#include "tests/documents/doc_test_support.h"

#include <cmath>

using namespace doc_test;

namespace {

constexpr double kPi = 3.14159265358979323846;

Bytes dimension_bytes(uint32_t key, uint32_t p1, uint32_t p2, uint16_t kind) {
    Bytes d(dimension_record_size, 0);
    put_u16(d.data(), record_length, dimension_record_size);
    put_u32(d.data(), record_key, key);
    put_u32(d.data(), dimension_axis_point1, p1);
    put_u32(d.data(), dimension_axis_point2, p2);
    put_u16(d.data(), dimension_kind_word, kind);
    return d;
}

Bytes link_bytes(uint32_t key, uint32_t point, uint16_t role, double direction) {
    Bytes l(link_record_size, 0);
    put_u16(l.data(), record_length, link_record_size);
    put_u32(l.data(), link_number, key);
    put_u32(l.data(), link_point, point);
    put_f64(l.data(), link_direction, direction);
    put_u16(l.data(), link_role, role);
    return l;
}

class MarkSetTest : public DocTest {
protected:
    DrawingFile* df = nullptr;
    Bytes projection;
    void open_with_points(int n) {
        make_drawing("marks.svt", n);
        drawing_open_path("marks.svt");
        df = current_drawing_file();
        ASSERT_NE(df, nullptr);
        load_projection();
    }
    // A copy of the projection record: its chain heads are all the set needs.
    void load_projection() {
        RecordRef head = get_u32(df->header, header_projections);
        unsigned char* p = record_next(df, &head, nullptr, &page_buffers[table_projections]);
        ASSERT_NE(p, nullptr);
        projection.assign(p, p + get_u16(p, 0));
    }
    int links_left() {
        RecordRef h = get_u32(projection.data(), projection_links);
        int n = 0;
        for (unsigned char* r = nullptr; (r = record_next(df, &h, r, &page_buffers[table_links])) != nullptr;) ++n;
        return n;
    }
};

// Both ends give two entries flagged 4 and 8 with the points' positions
// (sketch or constructed); one end alone gives a set without entries.
TEST_F(MarkSetTest, EndsOfTheDimension) {
    open_with_points(3);  // point i at sketch (i, 2i), constructed (i, 2i)
    // Give point 3 a constructed position apart from its sketch one.
    RecordRef from = 0;
    unsigned char* p3 = record_find_key(df, projection_chain(projection.data(), projection_points), 3, &from,
                                        &page_buffers[table_points]);
    ASSERT_NE(p3, nullptr);
    put_f64(p3, point_true_x, 30.0);
    put_f64(p3, point_true_y, 60.0);
    page_buffers[table_points].clean = 0;
    Bytes anchor = point_bytes(9, 7, 8, 70, 80);

    Bytes dim = dimension_bytes(11, 1, 3, 0x0025);
    for (int use_true = 0; use_true <= 1; ++use_true) {
        MarkSet* set = mark_set_build(df, projection.data(), dim.data(), 1234, anchor.data(), use_true);
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(set->kind, 5);
        EXPECT_EQ(set->owner, 1234u);
        EXPECT_EQ(set->flags, mark_set_anchor_valid);
        EXPECT_EQ(set->anchor[0], use_true ? 70.0 : 7.0);
        MarkEntry* a = set->first;
        ASSERT_NE(a, nullptr);
        MarkEntry* b = a->next;
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->next, nullptr);
        EXPECT_EQ(a->flags, mark_first_end);
        EXPECT_EQ(a->point_number, 1u);
        EXPECT_EQ(b->flags, mark_second_end);
        EXPECT_EQ(b->point_number, 3u);
        EXPECT_EQ(b->x, use_true ? 30.0 : 3.0);
        EXPECT_EQ(b->y, use_true ? 60.0 : 6.0);
        mark_set_free(set);
    }
    Bytes one_end = dimension_bytes(12, 2, 0, 1);
    MarkSet* set = mark_set_build(df, projection.data(), one_end.data(), 0, nullptr, 0);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->first, nullptr);
    EXPECT_EQ(set->flags, 0);
    mark_set_free(set);
    EXPECT_EQ(error_flag, 0);
}

// Linked points are appended by role; removal takes the first linked entry
// of the point and never an end of the dimension.
TEST_F(MarkSetTest, LinkedPointsAndRemoval) {
    open_with_points(3);
    Bytes dim = dimension_bytes(11, 1, 2, 0);
    MarkSet* set = mark_set_build(df, projection.data(), dim.data(), 0, nullptr, 0);
    ASSERT_NE(set, nullptr);
    Bytes l1 = link_bytes(1, 3, 2, 1.5), l2 = link_bytes(2, 2, 3, 0.5);
    MarkEntry* e = mark_set_add_link(set, df, projection.data(), l1.data(), 0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->flags, 2);
    EXPECT_EQ(e->direction, 1.5);
    EXPECT_EQ(e->x, 3.0);
    ASSERT_NE(mark_set_add_link(set, df, projection.data(), l2.data(), 0), nullptr);
    std::vector<uint32_t> order;
    for (MarkEntry* m = set->first; m; m = m->next) order.push_back(m->point_number);
    EXPECT_EQ(order, (std::vector<uint32_t>{1, 2, 3, 2}));
    EXPECT_EQ(mark_set_remove(set, 1), 0) << "an end is not a linked point";
    EXPECT_EQ(mark_set_remove(set, 2), 1);
    order.clear();
    for (MarkEntry* m = set->first; m; m = m->next) order.push_back(m->point_number);
    EXPECT_EQ(order, (std::vector<uint32_t>{1, 2, 3}));
    EXPECT_EQ(mark_set_remove(set, 2), 0);
    mark_set_free(set);
    EXPECT_EQ(mark_set_add_link(nullptr, df, projection.data(), l1.data(), 0), nullptr);
}

// A missing end flags the dimension and reports the damaged drawing; a
// missing linked point deletes its link from the chain before the report.
TEST_F(MarkSetTest, MissingPointsAreReported) {
    open_with_points(2);
    Bytes dim = dimension_bytes(11, 1, 7, 0);
    EXPECT_EQ(mark_set_build(df, projection.data(), dim.data(), 0, nullptr, 0), nullptr);
    EXPECT_EQ(dim[dimension_state] & 0x20, 0x20);
    EXPECT_EQ(error_flag, 1);
    EXPECT_EQ(messages_with("в структуре данных"), 1);

    // The failed mark may have closed nothing here: the drawing stays open.
    error_flag = 0;
    RecordRef pref = get_u32(df->header, header_projections);
    add_to_projection(pref, projection_links, table_links, link_bytes(5, 9, 1, 0.0));
    add_to_projection(pref, projection_links, table_links, link_bytes(6, 2, 1, 0.0));
    load_projection();
    ASSERT_EQ(links_left(), 2);
    Bytes good = dimension_bytes(12, 1, 2, 0);
    MarkSet* set = mark_set_build(df, projection.data(), good.data(), 0, nullptr, 0);
    ASSERT_NE(set, nullptr);
    RecordRef from = 0;
    unsigned char* dangling = record_find_key(df, projection_chain(projection.data(), projection_links), 5, &from,
                                              &page_buffers[table_links]);
    ASSERT_NE(dangling, nullptr);
    EXPECT_EQ(mark_set_add_link(set, df, projection.data(), dangling, 0), nullptr);
    EXPECT_EQ(error_flag, 1);
    load_projection();
    EXPECT_EQ(links_left(), 1);
    EXPECT_EQ(messages_with("в структуре данных"), 2);
    int entries = 0;
    for (MarkEntry* m = set->first; m; m = m->next) ++entries;
    EXPECT_EQ(entries, 2);
    mark_set_free(set);
}

// Geometry, in pixels at 10 px per unit: the dotted line between the ends
// and the open arrowhead at the second end (two strokes of 4 x half size at
// +-30 degrees from the line back to the first end); a first-role link gets
// a triangle opening along its direction and a tail line, the second role
// the same turned round, the centre role a cross.
TEST(MarkShapes, ArrowTrianglesAndCrosses) {
    MarkEntry centre{nullptr, 5, 3, 0.0, 2.0, 2.0};
    MarkEntry second_role{&centre, 4, 2, 0.0, 8.0, 8.0};
    MarkEntry first_role{&second_role, 3, 1, kPi / 2, 5.0, 5.0};
    MarkEntry b{&first_role, 2, mark_second_end, 0, 10.0, 0.0};
    MarkEntry a{&b, 1, mark_first_end, 0, 0.0, 0.0};
    MarkSet set{&a, 0, mark_set_anchor_valid, 0, {1.0, 1.0}};
    auto scale = [](void*, double x, double y, double* px, double* py) {
        *px = 10 * x;
        *py = 10 * y;
    };
    std::vector<MarkShape> s = mark_set_shapes(&set, scale, nullptr, 3, 3, 6);
    // 1 end line + 2 arrow strokes + 3 anchor lines + (triangle + tail) x 2 + 2 cross lines.
    ASSERT_EQ(s.size(), 12u);
    auto near = [](double got, double want) { return std::fabs(got - want) < 1e-9; };
    EXPECT_EQ(s[0].kind, MarkShape::dotted_line);
    EXPECT_TRUE(near(s[0].p[0][0], 0) && near(s[0].p[1][0], 100));
    // From (100, 0) back towards (0, 0): angle 180 +- 30 degrees, length 12.
    double dx = 12 * std::cos(kPi / 6), dy = 12 * std::sin(kPi / 6);
    EXPECT_TRUE(near(s[1].p[1][0], 100 - dx) && near(std::fabs(s[1].p[1][1]), dy));
    EXPECT_TRUE(near(s[2].p[1][0], 100 - dx) && near(std::fabs(s[2].p[1][1]), dy));
    EXPECT_TRUE(near(s[1].p[1][1], -s[2].p[1][1]));
    // Anchor lines from (10, 10) to each linked point.
    for (int i = 3; i < 6; ++i) {
        EXPECT_EQ(s[i].kind, MarkShape::dotted_line);
        EXPECT_TRUE(near(s[i].p[0][0], 10) && near(s[i].p[0][1], 10));
    }
    // First role at (50, 50), direction 90 degrees: tip on the point, base 12
    // further along +y, 6 wide; the tail 18 long the other way.
    EXPECT_EQ(s[6].kind, MarkShape::triangle);
    EXPECT_TRUE(near(s[6].p[0][0], 50) && near(s[6].p[0][1], 50));
    EXPECT_TRUE(near(s[6].p[1][1], 62) && near(s[6].p[2][1], 62));
    EXPECT_TRUE(near(std::fabs(s[6].p[1][0] - s[6].p[2][0]), 6));
    EXPECT_TRUE(near(s[7].p[1][0], 50) && near(s[7].p[1][1], 32));
    // Second role at (80, 80), direction 0, turned round: base towards -x.
    EXPECT_TRUE(near(s[8].p[1][0], 68) && near(s[8].p[2][0], 68));
    EXPECT_TRUE(near(s[9].p[1][0], 98));
    // Centre role: a cross of 18 pixels each way about (20, 20).
    EXPECT_EQ(s[10].kind, MarkShape::cross);
    EXPECT_TRUE(near(s[10].p[0][0], 2) && near(s[10].p[1][0], 38) && near(s[10].p[0][1], 20));
    EXPECT_TRUE(near(s[11].p[0][1], 2) && near(s[11].p[1][1], 38));
    EXPECT_TRUE(mark_set_shapes(nullptr, scale, nullptr, 3, 3, 6).empty());
}

}  // namespace
