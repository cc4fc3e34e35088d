// A point dropped on an anchored auxiliary line: the line's dimension made
// once (direction by the line), the point linked once as a second end, its
// state recomputed, the anchors themselves refused; and the bound point
// constructed onto the line.
#include "tests/dimensions/one_projection.h"

#include "stages/dimensions/dimension_edit.h"
#include "stages/dimensions/dimension_network.h"
#include "stages/dimensions/dimension_tools.h"
#include "stages/dimensions/view_construction.h"
#include "store/record_layouts.h"

using namespace store_test;
using one_projection::chain_copies;

namespace {

class AuxLineBinding : public StoreTest {
protected:
    DrawingFile* df = nullptr;
    void SetUp() override {
        StoreTest::SetUp();
        df = create();
        one_projection::add(df);
    }
    unsigned char* projection() { return one_projection::record(); }
    void point(uint32_t n, double x, double y, uint16_t flags = 0) {
        one_projection::add_point(df, n, x, y, flags, x, y);
    }
    RecordRef line(uint32_t key, int direction, uint32_t a1, uint32_t a2) {
        uint8_t r[aux_line_record_size] = {};
        put_u16(r, 0, aux_line_record_size);
        put_u32(r, 2, key);
        r[record_kind] = construction_kind_aux_line;
        r[construction_flags] = static_cast<uint8_t>(direction | aux_line_anchored);
        put_u32(r, aux_line_anchor1, a1);
        put_u32(r, aux_line_anchor2, a2);
        return record_add_at_end(df, reinterpret_cast<RecordRef*>(projection() + projection_construction), r,
                                 &page_buffers[table_construction]);
    }
    std::vector<uint8_t> point_copy(uint32_t n) {
        for (auto& p : chain_copies(df, projection_points, table_points))
            if (get_u32(p.data(), 2) == n) return p;
        return {};
    }
    int links_of(uint32_t dim, uint32_t point, int role) {
        int n = 0;
        for (auto& l : chain_copies(df, projection_links, table_links))
            if (get_u32(l.data(), link_dimension) == dim && get_u32(l.data(), link_point) == point &&
                (get_u16(l.data(), link_role) & 3) == role)
                ++n;
        return n;
    }
};

TEST_F(AuxLineBinding, DirectionOfTheLineChoosesTheMode) {
    struct Case {
        int direction;
        uint32_t a2;
        int mode;
    } cases[] = {{0, 0, 1}, {1, 0, 0}, {2, 2, 3}};
    point(1, 10, 10);
    point(2, 30, 30);
    uint32_t key = 1, p = 10;
    for (const Case& c : cases) {
        point(p, 50, 50);
        RecordRef l = line(key++, c.direction, 1, c.a2);
        uint32_t d = bind_point_to_aux_line(df, projection(), l, p);
        ASSERT_NE(d, 0u) << c.direction;
        auto rec = dimension_record_copy(df, projection(), d);
        EXPECT_EQ((get_u16(rec.data(), dimension_kind_word) >> 5) & 7, c.mode) << c.direction;
        EXPECT_TRUE(get_u16(rec.data(), dimension_value_word) & 0x0008);   // not shown
        EXPECT_EQ(get_f64(rec.data(), dimension_nominal), 0.0);
        // Only the line through two points is an axis; X and Y need none.
        EXPECT_EQ(get_u32(rec.data(), dimension_axis_point1), c.mode == 3 ? 1u : 0u);
        EXPECT_EQ(get_u32(rec.data(), dimension_axis_point2), c.mode == 3 ? c.a2 : 0u);
        EXPECT_EQ(links_of(d, 1, LINK_FIRST), 1);
        EXPECT_EQ(links_of(d, p, LINK_SECOND), 1);
        ++p;
    }
}

TEST_F(AuxLineBinding, OneDimensionPerLineOneLinkPerPointAnchorsRefused) {
    point(1, 10, 10);
    point(3, 40, 12);
    point(4, 60, 11);
    RecordRef l = line(1, 0, 1, 0);
    uint32_t d = bind_point_to_aux_line(df, projection(), l, 3);
    ASSERT_NE(d, 0u);
    EXPECT_EQ(bind_point_to_aux_line(df, projection(), l, 3), d);
    EXPECT_EQ(bind_point_to_aux_line(df, projection(), l, 4), d);
    EXPECT_EQ(links_of(d, 3, LINK_SECOND), 1);
    EXPECT_EQ(links_of(d, 4, LINK_SECOND), 1);
    EXPECT_EQ(chain_copies(df, projection_dimensions, table_dimensions).size(), 1u);
    EXPECT_EQ(bind_point_to_aux_line(df, projection(), l, 1), 0u);   // its own anchor
    // The state is recomputed: a point with an X dimension already gets 2.
    DimensionParams x;
    uint32_t xd = dimension_create(df, projection(), x);
    dimension_link_add(df, projection(), xd, 1, LINK_FIRST);
    point(5, 70, 13);
    dimension_link_add(df, projection(), xd, 5, LINK_SECOND);
    EXPECT_EQ(get_u16(point_copy(5).data(), point_flags) & 3, 1);
    bind_point_to_aux_line(df, projection(), l, 5);
    EXPECT_EQ(get_u16(point_copy(5).data(), point_flags) & 3, 2);
}

TEST_F(AuxLineBinding, BoundPointIsConstructedOntoTheLine) {
    // Origin 1 at (10,10), the horizontal line through it; 3 dropped near
    // the line with X 40 from 1: constructed at (50,10).
    point(1, 10, 10, point_flag_origin);
    point(3, 50, 13);
    RecordRef l = line(1, 0, 1, 0);
    ASSERT_NE(bind_point_to_aux_line(df, projection(), l, 3), 0u);
    DimensionParams x;
    x.nominal = 40;
    uint32_t xd = dimension_create(df, projection(), x);
    dimension_link_add(df, projection(), xd, 1, LINK_FIRST);
    dimension_link_add(df, projection(), xd, 3, LINK_SECOND);
    one_projection::expect_constructed(df);
    auto p = point_copy(3);
    EXPECT_NEAR(get_f64(p.data(), point_true_x), 50, 1e-9);
    EXPECT_NEAR(get_f64(p.data(), point_true_y), 10, 1e-9);
}

TEST_F(AuxLineBinding, RemeasuringTakesTheNewValueAndSwapsEndsPastTheOther) {
    point(1, 10, 10, point_flag_origin);
    point(2, 40, 10);
    point(3, 10, 0);
    DimensionParams x;
    x.nominal = 30;
    uint32_t xd = dimension_create(df, projection(), x);
    dimension_link_add(df, projection(), xd, 1, LINK_FIRST);
    dimension_link_add(df, projection(), xd, 2, LINK_SECOND);
    DimensionParams y;
    y.mode = 1;
    y.nominal = 10;
    uint32_t yd = dimension_create(df, projection(), y);
    dimension_link_add(df, projection(), yd, 1, LINK_FIRST);
    dimension_link_add(df, projection(), yd, 3, LINK_SECOND);   // up: the smaller model y
    auto move = [&](uint32_t n, double px, double py) {
        RecordRef* head = projection_chain(projection(), projection_points);
        PageBuffer* b = &page_buffers[table_points];
        for (unsigned char* r = record_next(df, head, nullptr, b); r; r = record_next(df, head, r, b))
            if (get_u32(r, point_number) == n) {
                put_f64(r, point_sketch_x, px);
                put_f64(r, point_sketch_y, py);
                b->clean = 0;
            }
    };
    auto nominal = [&](uint32_t d) { return get_f64(dimension_record_copy(df, projection(), d).data(), dimension_nominal); };
    struct Case {
        uint32_t point;
        double x, y;
        uint32_t dim;
        double value;
        uint32_t first;   // the point that is the first end afterwards
    } cases[] = {
        {2, 50, 10, xd, 40, 1},   // further right: 40, roles kept
        {2, 0, 10, xd, 10, 2},    // past point 1: 10, the ends exchanged
        {3, 10, -5, yd, 15, 1},   // further up: 15, a Y dimension keeps its roles
        {3, 10, 14, yd, 4, 3},    // below 1 now: 4, exchanged
    };
    for (const Case& c : cases) {
        move(c.point, c.x, c.y);
        EXPECT_EQ(remeasure_dimensions_of_point(df, projection(), c.point, false), c.dim);
        EXPECT_DOUBLE_EQ(nominal(c.dim), c.value) << c.point << " " << c.x << " " << c.y;
        EXPECT_EQ(links_of(c.dim, c.first, LINK_FIRST), 1) << c.point << " " << c.x << " " << c.y;
    }
    EXPECT_TRUE(get_u16(projection(), projection_flags) & 0x0200);
    // With the other direction of 2 and 3 given (level with 1, above 1),
    // construction keeps every point where it was put.
    DimensionParams y0;
    y0.mode = 1;
    uint32_t y2 = dimension_create(df, projection(), y0);
    dimension_link_add(df, projection(), y2, 1, LINK_FIRST);
    dimension_link_add(df, projection(), y2, 2, LINK_SECOND);
    DimensionParams x0;
    uint32_t x3 = dimension_create(df, projection(), x0);
    dimension_link_add(df, projection(), x3, 1, LINK_FIRST);
    dimension_link_add(df, projection(), x3, 3, LINK_SECOND);
    one_projection::expect_constructed(df);
    EXPECT_NEAR(get_f64(point_copy(2).data(), point_true_x), 0, 1e-9);
    EXPECT_NEAR(get_f64(point_copy(2).data(), point_true_y), 10, 1e-9);
    EXPECT_NEAR(get_f64(point_copy(3).data(), point_true_x), 10, 1e-9);
    EXPECT_NEAR(get_f64(point_copy(3).data(), point_true_y), 14, 1e-9);
}

TEST_F(AuxLineBinding, PlacementDimensionsAreMadeOnceAndConstructInPlace) {
    // Origin 1; 2 placed 30 right of 1 and 4 below it in the model; both
    // tools twice (the second time with a new value): one dimension each.
    point(1, 10, 10, point_flag_origin);
    point(2, 40, 14);
    uint32_t x = add_placement_dimension(df, projection(), placement_along_x, 1, 2, 0);
    uint32_t y = add_placement_dimension(df, projection(), placement_along_y, 1, 2, 0);
    ASSERT_NE(x, 0u);
    ASSERT_NE(y, 0u);
    EXPECT_DOUBLE_EQ(get_f64(dimension_record_copy(df, projection(), x).data(), dimension_nominal), 30);
    EXPECT_DOUBLE_EQ(get_f64(dimension_record_copy(df, projection(), y).data(), dimension_nominal), 4);
    EXPECT_EQ(add_placement_dimension(df, projection(), placement_along_x, 1, 2, 0), x);
    EXPECT_EQ(chain_copies(df, projection_dimensions, table_dimensions).size(), 2u);
    // Below in the model is the first end of a Y dimension: 2 took role 1.
    EXPECT_EQ(links_of(y, 2, LINK_FIRST), 1);
    // Line mode needs an anchored line through the base point.
    EXPECT_EQ(add_placement_dimension(df, projection(), placement_from_line, 1, 2, 0), 0u);
    one_projection::expect_constructed(df);
    EXPECT_NEAR(get_f64(point_copy(2).data(), point_true_x), 40, 1e-9);
    EXPECT_NEAR(get_f64(point_copy(2).data(), point_true_y), 14, 1e-9);
}

TEST_F(AuxLineBinding, PlacementFromALineTakesTheLinesDirection) {
    point(1, 10, 10);
    point(2, 30, 30);
    point(5, 50, 10);
    line(1, 1, 1, 0);   // vertical through 1: the distance along X
    uint32_t d = add_placement_dimension(df, projection(), placement_from_line, 1, 5, 0);
    ASSERT_NE(d, 0u);
    auto rec = dimension_record_copy(df, projection(), d);
    EXPECT_EQ((get_u16(rec.data(), dimension_kind_word) >> 5) & 7, 0);
    EXPECT_DOUBLE_EQ(get_f64(rec.data(), dimension_nominal), 40);
}

}  // namespace
