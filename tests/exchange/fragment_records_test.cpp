// Fragment insertion into a real drawing: the copies, their numbers and
// places, re-insertion, removal, renumbering, the counter limit, a fragment
// from the other open drawing, and the whole-projection copy.
#include "output/fragment_instances.h"

#include "tests/store/store_test_support.h"
#include "tests/exchange/chain_copies.h"

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "geometry/kernel_context.h"
#include "geometry/naming.h"
#include "geometry/tolerance.h"
#include "store/kernel_binding.h"
#include "store/number_pools.h"
#include "store/record_layouts.h"
#include "store/settings_block.h"
#include "output/fragment_update.h"
#include "stages/points_elements/bars.h"
#include "stages/points_elements/element_records.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t fragment_key = 1;
constexpr uint32_t target_key = 2;

struct Asked {
    std::vector<int> codes;
    std::vector<std::string> extras;
    int answer = 0;
};
Asked& asked() {
    static Asked a;
    return a;
}

class FragmentTest : public store_test::StoreTest {
protected:
    DrawingFile* df = nullptr;

    void SetUp() override {
        StoreTest::SetUp();
        kernel_context_set_defaults();
        tolerance_set(tolerance_standing);
        ASSERT_EQ(settings_block_unpack(), 0);
        store_bind_kernel();
        asked() = Asked();
        fragment_shell = fragment_shell_unbound;
        fragment_shell.ask = [](int code, const char* extra) {
            asked().codes.push_back(code);
            asked().extras.push_back(extra);
            return asked().answer;
        };
        df = create();
        build_fragment(df);
        add_projection(df, target_key, true);
        add(df, target_key, projection_points, table_points, point(100, 50, 50));
        add(df, target_key, projection_points, table_points, point(101, 50, 70));
    }
    void TearDown() override {
        fragment_shell = fragment_shell_unbound;
        settings_block_free();
        StoreTest::TearDown();
    }

    static void add_projection(DrawingFile* d, uint32_t key, bool directed) {
        Bytes p(projection_record_head, 0);
        put_u16(p.data(), record_length, projection_record_head);
        put_u32(p.data(), record_key, key);
        put_u16(p.data(), projection_flags, directed ? 0x1000 : 0);
        put_f64(p.data(), projection_scale_offset, 1.0);
        RecordRef head = get_u32(d->header, header_projections);
        ASSERT_NE(record_add_at_end(d, &head, p.data(), &page_buffers[table_projections]), 0u);
        put_u32(d->header, header_projections, head);
    }
    static void add(DrawingFile* d, uint32_t key, uint32_t chain, int table, const Bytes& r) {
        uint8_t* p = fragment_projection_in(d, key);
        ASSERT_NE(p, nullptr);
        RecordRef head = get_u32(p, chain);
        ASSERT_NE(record_add_at_end(d, &head, r.data(), &page_buffers[table]), 0u);
        p = fragment_projection_in(d, key);
        put_u32(p, chain, head);
        page_buffers[table_projections].clean = 0;
    }
    static std::vector<Bytes> records(DrawingFile* d, uint32_t key, uint32_t chain, int table) {
        return fragment_test::chain_copies(d, key, chain, table);
    }
    std::vector<Bytes> target(uint32_t chain, int table) { return records(df, target_key, chain, table); }

    static Bytes point(uint32_t n, double x, double y) {
        Bytes r(point_record_size, 0);
        put_u16(r.data(), record_length, point_record_size);
        put_u32(r.data(), point_number, n);
        put_u16(r.data(), point_flags, 0x0003);
        put_point2(r.data(), point_sketch_x, Point2{x, y});
        put_point2(r.data(), point_true_x, Point2{x, y});
        return r;
    }
    static Bytes element(int kind, uint32_t n, std::vector<uint32_t> pts, std::vector<Point2> xy) {
        uint32_t size = pts.size() == 2 ? element_size2 : element_size3;
        Bytes r(size, 0);
        put_u16(r.data(), record_length, static_cast<uint16_t>(size));
        put_u32(r.data(), element_number, n);
        put_u16(r.data(), element_flags, static_cast<uint16_t>(kind | (1 << 4)));
        for (size_t i = 0; i < pts.size(); ++i) put_u32(r.data(), element_points + 4 * i, pts[i]);
        uint32_t at = pts.size() == 2 ? element_coords2 : element_coords3;
        for (size_t i = 0; i < xy.size(); ++i) put_point2(r.data(), at + 16 * i, xy[i]);
        return r;
    }
    static Bytes dimension(uint32_t n, int kind, uint32_t p1, uint32_t p2, double nominal, uint16_t variable) {
        Bytes r(dimension_record_size, 0);
        put_u16(r.data(), record_length, dimension_record_size);
        put_u32(r.data(), dimension_number, n);
        put_u32(r.data(), dimension_axis_point1, p1);
        put_u32(r.data(), dimension_axis_point2, p2);
        put_f64(r.data(), dimension_nominal, nominal);
        put_u16(r.data(), dimension_variable, variable);
        put_u16(r.data(), dimension_kind_word, static_cast<uint16_t>(kind));
        return r;
    }
    static Bytes annotation(int kind, uint32_t key, size_t size) {
        Bytes r(size, 0);
        put_u16(r.data(), record_length, static_cast<uint16_t>(size));
        put_u32(r.data(), record_key, key);
        r[record_kind] = static_cast<uint8_t>(kind);
        return r;
    }
    static void put_pf(Bytes& r, uint32_t at, float x, float y) {
        put_f32(r.data(), at, x);
        put_f32(r.data(), at + 4, y);
    }
    static Bytes contour(uint32_t n, std::vector<uint32_t> members) {
        Bytes r(contour_head_size + 4 * members.size(), 0);
        put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
        put_u32(r.data(), contour_number, n);
        put_i16(r.data(), contour_level, 2);
        put_i16(r.data(), contour_member_count, static_cast<int16_t>(members.size()));
        for (size_t i = 0; i < members.size(); ++i) put_u32(r.data(), contour_members + 4 * i, members[i]);
        return r;
    }

    // The fragment: points 1 (0,0), 2 (10,0), 3 (0,10), 4 (10,10); a
    // segment 1-2, an arc from 2 to 3 about 1, a segment 2-4; dimension 1
    // (kind 1, 1-2, nominal 10, variable 7) with its label and a link;
    // dimension 2 (kind 5, 2-4); a leader bound to 3; a text fragment; a
    // contour of elements 1 and 3.
    static void build_fragment(DrawingFile* d) {
        add_projection(d, fragment_key, true);
        add(d, fragment_key, projection_points, table_points, point(1, 0, 0));
        add(d, fragment_key, projection_points, table_points, point(2, 10, 0));
        add(d, fragment_key, projection_points, table_points, point(3, 0, 10));
        add(d, fragment_key, projection_points, table_points, point(4, 10, 10));
        add(d, fragment_key, projection_elements, table_elements,
            element(element_kind_segment, 1, {1, 2}, {{0, 0}, {10, 0}}));
        add(d, fragment_key, projection_elements, table_elements,
            element(element_kind_arc_centre, 2, {2, 3, 1}, {{10, 0}, {0, 10}, {0, 0}}));
        add(d, fragment_key, projection_elements, table_elements,
            element(element_kind_segment, 3, {2, 4}, {{10, 0}, {10, 10}}));
        add(d, fragment_key, projection_dimensions, table_dimensions, dimension(1, 1, 1, 2, 10.0, 7));
        add(d, fragment_key, projection_dimensions, table_dimensions, dimension(2, 5, 2, 4, 10.0, 0));
        add(d, fragment_key, projection_annotations, table_annotation,
            annotation(annotation_dimension_text, 1, dimension_text_head + 2));
        Bytes link(link_record_size, 0);
        put_u16(link.data(), record_length, link_record_size);
        put_u32(link.data(), link_number, 1);
        put_u32(link.data(), link_point, 1);
        put_u32(link.data(), link_dimension, 1);
        add(d, fragment_key, projection_links, table_links, link);
        Bytes leader = annotation(annotation_leader, 0, leader_head + 2);
        put_u32(leader.data(), leader_binding, 3);
        put_pf(leader, leader_point1, 0, 10);
        put_pf(leader, leader_point2, 5, 15);
        put_pf(leader, leader_point3, 10, 15);
        put_pf(leader, leader_text1, 8, 14);
        add(d, fragment_key, projection_annotations, table_annotation, leader);
        Bytes text = annotation(annotation_text_fragment, 0, text_fragment_head + 2);
        put_pf(text, text_fragment_corner1, 20, 20);
        put_pf(text, text_fragment_corner2, 30, 25);
        put_f32(text.data(), text_fragment_baseline, 22);
        add(d, fragment_key, projection_annotations, table_annotation, text);
        add(d, fragment_key, projection_contours, table_contours, contour(1, {1, 3}));
        put_u32(d->header, header_highest_dimension, 2);
        put_u32(d->header, header_highest_link, 1);
        put_u32(d->header, header_contour_counter, 1);
    }

    // Binding 1-2 of the fragment onto 100-101 of the target: a quarter turn
    // and a scale of 2 about (50,50).
    static FragmentInsertParams two_points() {
        FragmentInsertParams p;
        p.source_projection = fragment_key;
        p.target_projection = target_key;
        p.source_count = p.target_count = 2;
        p.source_points[0] = 1;
        p.source_points[1] = 2;
        p.source_xy[0] = {0, 0};
        p.source_xy[1] = {10, 0};
        p.target_points[0] = 100;
        p.target_points[1] = 101;
        p.target_xy[0] = {50, 50};
        p.target_xy[1] = {50, 70};
        return p;
    }
    int insert(FragmentInsertParams& p, const FragmentSettings& s = FragmentSettings(),
               DrawingFile* source = nullptr, FragmentCopyResult* result = nullptr) {
        return insert_fragment(df, target_key, source ? source : df, fragment_key, &p, s, false, result);
    }

    std::vector<Bytes> of_instance(uint32_t chain, int table, uint32_t at, uint16_t instance) {
        std::vector<Bytes> out;
        for (Bytes& r : target(chain, table))
            if (get_u16(r.data(), at) == instance) out.push_back(r);
        return out;
    }
    static const Bytes* by_number(const std::vector<Bytes>& rs, uint32_t n) {
        for (const Bytes& r : rs)
            if (get_u32(r.data(), record_key) == n) return &r;
        return nullptr;
    }
    // The copy of fragment object `from` under the instance's number map.
    uint32_t copy_of(int map_kind, uint32_t from, uint16_t instance) {
        for (Bytes& r : target(projection_construction, table_construction))
            if (r[record_kind] == construction_number_map && get_u16(r.data(), number_map_instance) == instance &&
                (r[construction_flags] & 0x0F) == map_kind && get_u32(r.data(), record_key) == from)
                return get_u32(r.data(), number_map_target);
        return 0;
    }
    uint16_t counter() { return get_u16(fragment_projection_in(df, target_key), projection_fragment_counter); }
};

void expect_at(const Bytes& r, uint32_t at, Point2 want, const char* what) {
    Point2 got = get_point2(r.data(), at);
    EXPECT_NEAR(got.x, want.x, 1e-9) << what;
    EXPECT_NEAR(got.y, want.y, 1e-9) << what;
}
void expect_float_at(const Bytes& r, uint32_t at, float x, float y, const char* what) {
    EXPECT_NEAR(get_f32(r.data(), at), x, 1e-4) << what;
    EXPECT_NEAR(get_f32(r.data(), at + 4), y, 1e-4) << what;
}

TEST_F(FragmentTest, InsertedTwiceGivesTwoInstancesWithTheirOwnNumbersAndPlaces) {
    FragmentInsertParams p = two_points();
    FragmentCopyResult r1, r2;
    ASSERT_EQ(insert(p, FragmentSettings(), nullptr, &r1), fragment_inserted);
    EXPECT_EQ(r1.instance, 1);
    p = two_points();
    ASSERT_EQ(insert(p, FragmentSettings(), nullptr, &r2), fragment_inserted);
    EXPECT_EQ(r2.instance, 2);
    EXPECT_EQ(counter(), 2);
    EXPECT_EQ(error_flag, 0);

    std::set<uint32_t> point_numbers, element_numbers;
    for (uint16_t inst : {1, 2}) {
        auto pts = of_instance(projection_points, table_points, point_fragment, inst);
        auto els = of_instance(projection_elements, table_elements, element_fragment, inst);
        ASSERT_EQ(pts.size(), 3u) << inst;  // point 1 lands on target point 100
        ASSERT_EQ(els.size(), 3u) << inst;
        for (auto& r : pts) point_numbers.insert(get_u32(r.data(), point_number));
        for (auto& r : els) element_numbers.insert(get_u32(r.data(), element_number));

        // Quarter turn, scale 2, (0,0) on (50,50): (x,y) -> (50 - 2y, 50 + 2x).
        uint32_t p2 = copy_of(number_map_points, 2, inst), p3 = copy_of(number_map_points, 3, inst),
                 p4 = copy_of(number_map_points, 4, inst);
        ASSERT_TRUE(p2 && p3 && p4);
        EXPECT_EQ(copy_of(number_map_points, 1, inst), 100u);
        expect_at(*by_number(pts, p2), point_sketch_x, {50, 70}, "point 2");
        expect_at(*by_number(pts, p3), point_true_x, {30, 50}, "point 3 true");
        expect_at(*by_number(pts, p4), point_sketch_x, {30, 70}, "point 4");

        const Bytes* arc = by_number(els, copy_of(number_map_elements, 2, inst));
        ASSERT_NE(arc, nullptr);
        EXPECT_EQ(get_u32(arc->data(), element_points), p2);
        EXPECT_EQ(get_u32(arc->data(), element_points + 4), p3);
        EXPECT_EQ(get_u32(arc->data(), element_points + 8), 100u);
        expect_at(*arc, element_coords3, {50, 70}, "arc start");
        expect_at(*arc, element_coords3 + 16, {30, 50}, "arc end");

        auto dims = of_instance(projection_dimensions, table_dimensions, 30, inst);
        ASSERT_EQ(dims.size(), 2u);
        const Bytes* d1 = by_number(dims, copy_of(number_map_dimensions, 1, inst));
        ASSERT_NE(d1, nullptr);
        EXPECT_EQ(get_u32(d1->data(), dimension_axis_point1), 100u);
        EXPECT_EQ(get_u32(d1->data(), dimension_axis_point2), p2);
        EXPECT_DOUBLE_EQ(get_f64(d1->data(), dimension_nominal), 20.0);  // scale 2 from the points
        EXPECT_EQ(get_u16(d1->data(), dimension_variable), 0);           // dropped at scale 2

        auto links = of_instance(projection_links, table_links, link_zero, inst);
        ASSERT_EQ(links.size(), 1u);
        EXPECT_EQ(get_u32(links[0].data(), link_point), 100u);
        EXPECT_EQ(get_u32(links[0].data(), link_dimension), get_u32(d1->data(), dimension_number));

        auto contours = of_instance(projection_contours, table_contours, contour_fragment, inst);
        ASSERT_EQ(contours.size(), 1u);
        EXPECT_EQ(get_u32(contours[0].data(), contour_members), copy_of(number_map_elements, 1, inst));
        EXPECT_EQ(get_u32(contours[0].data(), contour_members + 4), copy_of(number_map_elements, 3, inst));
        ShortName name;
        short_name_decimal(get_u32(contours[0].data(), contour_number), &name);
        EXPECT_EQ(std::memcmp(contours[0].data() + 74, name.text, 8), 0);
    }
    EXPECT_EQ(point_numbers.size(), 6u);
    EXPECT_EQ(element_numbers.size(), 6u);
    for (uint32_t n : point_numbers) EXPECT_TRUE(n != 100 && n != 101) << n;

    // Labels follow their dimension; leader and text fragment land at their
    // transformed places with the instance number.
    int labels = 0, leaders = 0, texts = 0;
    for (Bytes& a : target(projection_annotations, table_annotation)) {
        switch (a[record_kind]) {
        case annotation_dimension_text:
            ++labels;
            EXPECT_TRUE(get_u16(a.data(), annotation_flags) & 0x0800);
            break;
        case annotation_leader: {
            ++leaders;
            uint16_t inst = static_cast<uint16_t>(get_u16(a.data(), 12));
            EXPECT_EQ(get_u32(a.data(), leader_binding), copy_of(number_map_points, 3, inst));
            expect_float_at(a, leader_point1, 30, 50, "leader arrow");
            expect_float_at(a, leader_point3, 20, 70, "leader shelf end");
            expect_float_at(a, leader_text1, 18, 69, "leader text moved with the shelf end");
            break;
        }
        case annotation_text_fragment:
            ++texts;
            EXPECT_NE(get_u16(a.data(), 12), 0);
            expect_float_at(a, text_fragment_corner1, 10, 90, "text corner");
            expect_float_at(a, text_fragment_corner2, 20, 95, "text corner 2 shifted alike");
            EXPECT_NEAR(get_f32(a.data(), text_fragment_baseline), 92, 1e-4);
            break;
        }
    }
    EXPECT_EQ(labels, 2);
    EXPECT_EQ(leaders, 2);
    EXPECT_EQ(texts, 2);

    // One instance record each, with the placement's inputs.
    int records = 0;
    for (Bytes& r : target(projection_construction, table_construction)) {
        if (r[record_kind] != construction_fragment_instance) continue;
        ++records;
        ASSERT_EQ(r.size(), fragment_record_size);
        EXPECT_EQ(get_u32(r.data(), fragment_source), fragment_key);
        EXPECT_EQ(r[fragment_mode] & 0x80, 0x80);
        EXPECT_EQ(get_u16(r.data(), fragment_source_bindings), 2);
        EXPECT_EQ(get_u32(r.data(), fragment_source_points + 4), 2u);
        EXPECT_EQ(get_u32(r.data(), fragment_target_points + 4), 101u);
        EXPECT_DOUBLE_EQ(get_f64(r.data(), fragment_scale), 1.0);
    }
    EXPECT_EQ(records, 2);
}

TEST_F(FragmentTest, ReinsertionKeepsNumbersSoTargetDimensionsStayBound) {
    FragmentInsertParams p = two_points();
    ASSERT_EQ(insert(p), fragment_inserted);
    uint32_t p3 = copy_of(number_map_points, 3, 1), e2 = copy_of(number_map_elements, 2, 1),
             d1 = copy_of(number_map_dimensions, 1, 1);
    uint32_t contour = get_u32(of_instance(projection_contours, table_contours, contour_fragment, 1)[0].data(),
                               contour_number);
    // A dimension of the target's own on a point of the instance.
    add(df, target_key, projection_dimensions, table_dimensions, dimension(60, 1, 101, p3, 5.0, 0));

    FragmentSettings s;
    s.reinsert = true;
    p = two_points();
    p.instance = 1;
    p.target_xy[1] = {50, 60};  // the target moved: scale 1 now
    ASSERT_EQ(insert(p, s), fragment_inserted);
    EXPECT_EQ(error_flag, 0);
    EXPECT_EQ(counter(), 1);
    EXPECT_EQ(copy_of(number_map_points, 3, 1), p3);
    EXPECT_EQ(copy_of(number_map_elements, 2, 1), e2);
    EXPECT_EQ(copy_of(number_map_dimensions, 1, 1), d1);
    auto pts = of_instance(projection_points, table_points, point_fragment, 1);
    ASSERT_NE(by_number(pts, p3), nullptr);
    expect_at(*by_number(pts, p3), point_sketch_x, {40, 50}, "point 3 at the new place");
    EXPECT_NE(by_number(target(projection_dimensions, table_dimensions), 60), nullptr);
    EXPECT_EQ(of_instance(projection_elements, table_elements, element_fragment, 1).size(), 3u);
    auto contours = of_instance(projection_contours, table_contours, contour_fragment, 1);
    ASSERT_EQ(contours.size(), 1u);
    EXPECT_EQ(get_u32(contours[0].data(), contour_number), contour);
    int records = 0;
    for (Bytes& r : target(projection_construction, table_construction))
        if (r[record_kind] == construction_fragment_instance) ++records;
    EXPECT_EQ(records, 1);
}

TEST_F(FragmentTest, WithoutDimensionsKeepsOnlyHiddenKindFiveAndCopiesEveryPoint) {
    FragmentSettings s;
    s.mode = fragment_mode_without_dimensions;
    FragmentInsertParams p = two_points();
    ASSERT_EQ(insert(p, s), fragment_inserted);
    auto dims = of_instance(projection_dimensions, table_dimensions, 30, 1);
    ASSERT_EQ(dims.size(), 1u);
    EXPECT_EQ(dimension_kind(dims[0].data()), 5);
    EXPECT_TRUE(get_u16(dims[0].data(), dimension_value_word) & 0x0008);
    auto pts = of_instance(projection_points, table_points, point_fragment, 1);
    EXPECT_EQ(pts.size(), 4u);
    for (auto& r : pts) EXPECT_EQ(get_u16(r.data(), point_flags) & 3, 0);
    EXPECT_TRUE(of_instance(projection_links, table_links, link_zero, 1).empty());
}

TEST_F(FragmentTest, MirroredArcExchangesItsEnds) {
    FragmentInsertParams p = two_points();
    p.source_count = p.target_count = 3;
    p.source_points[2] = 3;
    p.source_xy[2] = {0, 10};
    p.target_points[2] = 100;  // only its place matters here
    p.target_xy[2] = {70, 50};
    ASSERT_EQ(insert(p), fragment_inserted);
    // Mirror about the bisector: (x,y) -> (50 + 2y, 50 + 2x).
    auto elements = target(projection_elements, table_elements);
    const Bytes* arc = by_number(elements, copy_of(number_map_elements, 2, 1));
    ASSERT_NE(arc, nullptr);
    EXPECT_EQ(get_u32(arc->data(), element_points), copy_of(number_map_points, 3, 1));
    EXPECT_EQ(get_u32(arc->data(), element_points + 4), copy_of(number_map_points, 2, 1));
    expect_at(*arc, element_coords3, {70, 50}, "start: the image of the old end");
    expect_at(*arc, element_coords3 + 16, {50, 70}, "end: the image of the old start");
    expect_at(*arc, element_coords3 + 32, {50, 50}, "centre");
}

TEST_F(FragmentTest, TurnOfDirectedDimensionsIsAskedAndNoInsertsNothing) {
    // A kind-0 dimension keeps a direction of its own: a quarter turn asks.
    add(df, fragment_key, projection_dimensions, table_dimensions, dimension(3, 0, 3, 4, 10.0, 0));
    size_t before = target(projection_elements, table_elements).size();
    FragmentInsertParams p = two_points();
    asked().answer = 0;
    EXPECT_EQ(insert(p), fragment_refused);
    ASSERT_EQ(asked().codes.size(), 1u);
    EXPECT_EQ(asked().codes[0], 12);
    EXPECT_EQ(asked().extras[0], "  Вставить фрагмент несмотря на это?");
    EXPECT_EQ(target(projection_elements, table_elements).size(), before);
    EXPECT_EQ(counter(), 0);
    asked().answer = 1;
    EXPECT_EQ(insert(p), fragment_inserted);
    // A half turn (t2 left of t1) asks nothing.
    asked() = Asked();
    p = two_points();
    p.target_xy[1] = {30, 50};
    EXPECT_EQ(insert(p), fragment_inserted);
    EXPECT_TRUE(asked().codes.empty());
}

TEST_F(FragmentTest, RemovalTakesEverythingOfTheInstanceAndGivesNumbersBack) {
    FragmentInsertParams p = two_points();
    ASSERT_EQ(insert(p), fragment_inserted);
    ASSERT_EQ(insert(p = two_points()), fragment_inserted);
    std::vector<uint32_t> points1, elements1;
    for (auto& r : of_instance(projection_points, table_points, point_fragment, 1))
        points1.push_back(get_u32(r.data(), point_number));
    for (auto& r : of_instance(projection_elements, table_elements, element_fragment, 1))
        elements1.push_back(get_u32(r.data(), element_number));
    ASSERT_EQ(points1.size(), 3u);

    remove_fragment_instance(df, fragment_projection_in(df, target_key), 1, false);
    page_buffers[table_projections].clean = 0;
    EXPECT_EQ(error_flag, 0);
    for (uint32_t chain_table : {0, 1, 2, 3, 4}) {
        static const uint32_t chains[] = {projection_points, projection_elements, projection_dimensions,
                                          projection_links, projection_contours};
        static const int tables[] = {table_points, table_elements, table_dimensions, table_links, table_contours};
        static const uint32_t fields[] = {point_fragment, element_fragment, 30, link_zero, contour_fragment};
        EXPECT_TRUE(of_instance(chains[chain_table], tables[chain_table], fields[chain_table], 1).empty())
            << chain_table;
        EXPECT_FALSE(of_instance(chains[chain_table], tables[chain_table], fields[chain_table], 2).empty())
            << chain_table;
    }
    int labels = 0;
    for (Bytes& a : target(projection_annotations, table_annotation)) {
        if (a[record_kind] == annotation_leader || a[record_kind] == annotation_text_fragment) {
            EXPECT_EQ(get_u16(a.data(), 12), 2);
        }
        if (a[record_kind] == annotation_dimension_text) ++labels;
    }
    EXPECT_EQ(labels, 1);
    for (Bytes& r : target(projection_construction, table_construction)) {
        EXPECT_NE(get_u16(r.data(), r[record_kind] == construction_number_map ? uint32_t{number_map_instance} : 8u), 1)
            << int(r[record_kind]);
    }
    for (uint32_t n : points1) EXPECT_FALSE(point_number_is_used(n)) << n;
    for (uint32_t n : elements1) EXPECT_FALSE(element_number_is_used(n)) << n;
    // The target's own points stay.
    EXPECT_EQ(of_instance(projection_points, table_points, point_fragment, 0).size(), 2u);
}

TEST_F(FragmentTest, RenumberingClosesGapsAndCountsNumbersHeldOnlyByBars) {
    auto element_of = [&](uint32_t n, uint16_t inst) {
        Bytes e = element(element_kind_segment, n, {100, 101}, {{50, 50}, {50, 70}});
        put_u16(e.data(), element_fragment, inst);
        add(df, target_key, projection_elements, table_elements, e);
    };
    auto instance_record = [&](uint16_t inst) {
        Bytes r(fragment_record_size, 0);
        put_u16(r.data(), record_length, fragment_record_size);
        r[record_kind] = construction_fragment_instance;
        put_u16(r.data(), fragment_instance, inst);
        add(df, target_key, projection_construction, table_construction, r);
    };
    auto bar = [&](uint16_t inst) {
        Bytes r(construction_default_size, 0);
        put_u16(r.data(), record_length, construction_default_size);
        r[record_kind] = construction_bar;
        put_u16(r.data(), bar_instance, inst);
        add(df, target_key, projection_construction, table_construction, r);
    };
    element_of(10, 2);
    instance_record(2);
    element_of(11, 5);
    instance_record(5);
    renumber_fragment_instances(df, fragment_projection_in(df, target_key));
    page_buffers[table_projections].clean = 0;
    std::multiset<uint16_t> got;
    for (auto& e : target(projection_elements, table_elements)) got.insert(get_u16(e.data(), element_fragment));
    EXPECT_EQ(got, (std::multiset<uint16_t>{1, 2}));
    std::multiset<uint16_t> records;
    for (auto& r : target(projection_construction, table_construction))
        records.insert(get_u16(r.data(), fragment_instance));
    EXPECT_EQ(records, (std::multiset<uint16_t>{1, 2}));
    EXPECT_EQ(counter(), 2);

    // A bar holding 3 alone: 6 moves into 4, not onto the bar's number.
    bar(3);
    element_of(12, 6);
    renumber_fragment_instances(df, fragment_projection_in(df, target_key));
    page_buffers[table_projections].clean = 0;
    got.clear();
    for (auto& e : target(projection_elements, table_elements)) got.insert(get_u16(e.data(), element_fragment));
    EXPECT_EQ(got, (std::multiset<uint16_t>{1, 2, 4}));
    EXPECT_EQ(counter(), 4);
}

TEST_F(FragmentTest, FullCounterRefusesAndCopiesNothing) {
    uint8_t* t = fragment_projection_in(df, target_key);
    put_u16(t, projection_fragment_counter, 65535);
    page_buffers[table_projections].clean = 0;
    FragmentInsertParams p = two_points();
    EXPECT_EQ(insert(p), fragment_failed);
    ASSERT_FALSE(store_test::shown().empty());
    EXPECT_EQ(store_test::shown().back(), "Счётчик фрагментов переполнен");
    EXPECT_TRUE(target(projection_elements, table_elements).empty());
    EXPECT_EQ(target(projection_points, table_points).size(), 2u);
}

TEST_F(FragmentTest, FragmentFromTheOtherOpenDrawingCopiesTheSame) {
    DrawingFile* lib = create("library");
    build_fragment(lib);
    open_drawings[0] = df;
    open_drawings[1] = lib;
    current_drawing = 0;
    FragmentInsertParams p = two_points();
    ASSERT_EQ(insert(p, FragmentSettings(), lib), fragment_inserted);
    EXPECT_EQ(error_flag, 0);
    auto pts = of_instance(projection_points, table_points, point_fragment, 1);
    ASSERT_EQ(pts.size(), 3u);
    std::set<std::pair<double, double>> places;
    for (auto& r : pts) places.insert({get_f64(r.data(), point_sketch_x), get_f64(r.data(), point_sketch_y)});
    EXPECT_EQ(places, (std::set<std::pair<double, double>>{{50, 70}, {30, 50}, {30, 70}}));
    EXPECT_EQ(of_instance(projection_elements, table_elements, element_fragment, 1).size(), 3u);
    EXPECT_EQ(of_instance(projection_dimensions, table_dimensions, 30, 1).size(), 2u);
    // The library is left as it was.
    EXPECT_EQ(records(lib, fragment_key, projection_points, table_points).size(), 4u);
}

TEST_F(FragmentTest, WholeProjectionCopyRewritesEveryReference) {
    Bytes hatching = annotation(annotation_hatching, 1, hatching_record_size);
    put_u32(hatching.data(), hatching_binding, 3);
    put_pf(hatching, hatching_seed, 5, 1);
    add(df, fragment_key, projection_annotations, table_annotation, hatching);
    Bytes section = annotation(annotation_section, 0, section_nodes);
    put_u32(section.data(), section_binding, 4);
    put_pf(section, section_anchor1, 1, 2);
    add(df, fragment_key, projection_annotations, table_annotation, section);
    Bytes sign = annotation(annotation_roughness, 1, roughness_head + 2);
    put_u16(sign.data(), annotation_flags, 1 << 9);  // on the first extension line of dimension 1
    add(df, fragment_key, projection_annotations, table_annotation, sign);
    Bytes tolerance = annotation(annotation_tolerance, 0, tolerance_head + 2);
    put_u32(tolerance.data(), tolerance_element, 3);
    add(df, fragment_key, projection_annotations, table_annotation, tolerance);
    Bytes dangling = tolerance;
    put_u32(dangling.data(), tolerance_element, 99);  // no such element
    add(df, fragment_key, projection_annotations, table_annotation, dangling);

    // Copy into an empty projection, shifted by (100, 0).
    add_projection(df, 3, false);
    FragmentPlacement shift;
    shift.matrix = AffineMatrix{1, 0, 0, 1, 100, 0, 0};
    FragmentCopyRequest request;
    request.placement = &shift;
    FragmentCopyResult result;
    std::vector<uint8_t> source(fragment_projection_in(df, fragment_key),
                                fragment_projection_in(df, fragment_key) + projection_record_head);
    ASSERT_EQ(insert_fragment_records(df, fragment_projection_in(df, 3), source.data(), df, request, &result), 0);
    page_buffers[table_projections].clean = 0;
    EXPECT_EQ(error_flag, 0);
    EXPECT_EQ(result.instance, 0);
    EXPECT_EQ(result.skipped_annotations, 1);  // the dangling tolerance, without ending the copy
    EXPECT_TRUE(store_test::shown().empty());

    auto pts = records(df, 3, projection_points, table_points);
    auto els = records(df, 3, projection_elements, table_elements);
    auto dims = records(df, 3, projection_dimensions, table_dimensions);
    auto contours = records(df, 3, projection_contours, table_contours);
    ASSERT_EQ(pts.size(), 4u);
    ASSERT_EQ(els.size(), 3u);
    ASSERT_EQ(dims.size(), 2u);
    ASSERT_EQ(contours.size(), 1u);
    auto number_at = [&](Point2 at) -> uint32_t {
        for (auto& r : pts)
            if (get_point2(r.data(), point_sketch_x).x == at.x && get_point2(r.data(), point_sketch_x).y == at.y)
                return get_u32(r.data(), point_number);
        return 0;
    };
    uint32_t p3 = number_at({100, 10}), p4 = number_at({110, 10});
    ASSERT_TRUE(p3 && p4);
    uint32_t seg3 = 0;
    for (auto& e : els)
        if (element_kind(e.data()) == element_kind_segment && get_u32(e.data(), element_points + 4) == p4)
            seg3 = get_u32(e.data(), element_number);
    ASSERT_NE(seg3, 0u);
    uint32_t dim1 = 0;
    for (auto& d : dims)
        if (dimension_kind(d.data()) == 1) dim1 = get_u32(d.data(), dimension_number);
    for (auto& d : dims) EXPECT_EQ(get_u16(d.data(), dimension_variable), 0);  // no instance: dropped
    uint32_t copied_contour = get_u32(contours[0].data(), contour_number);
    EXPECT_NE(copied_contour, 1u);

    int seen = 0;
    for (auto& a : records(df, 3, projection_annotations, table_annotation)) {
        switch (a[record_kind]) {
        case annotation_hatching:
            ++seen;
            EXPECT_EQ(get_u32(a.data(), record_key), copied_contour);
            EXPECT_EQ(get_u32(a.data(), hatching_binding), p3);
            expect_float_at(a, hatching_seed, 105, 1, "seed");
            break;
        case annotation_section:
            ++seen;
            EXPECT_EQ(get_u32(a.data(), section_binding), p4);
            expect_float_at(a, section_anchor1, 101, 2, "section anchor");
            break;
        case annotation_roughness:
            ++seen;
            EXPECT_EQ(get_u32(a.data(), record_key), dim1);
            break;
        case annotation_tolerance:
            ++seen;
            EXPECT_EQ(get_u32(a.data(), tolerance_element), seg3);
            break;
        }
    }
    EXPECT_EQ(seen, 4);
}


// ------------------------------------------------------------------ bars

class FragmentBars : public FragmentTest {
protected:
    // A bar 2 wide along segment 1 of the fragment (0,0)-(10,0), bar number
    // 3, its left side (slot 1, +y) of line type 2 and its right side (slot
    // 4) of type 3; its outlines built in the fragment as the bar dialog
    // would leave them.
    void SetUp() override {
        FragmentTest::SetUp();
        // The image stage's bar building, as the program binds it.
        fragment_shell.rebuild_bars = [](DrawingFile* d, uint8_t* p) { return rebuild_bars(d, p); };
        fragment_shell.delete_bars = [](DrawingFile* d, uint8_t* p, uint32_t e) { delete_bar_records(d, p, e); };
        modify(df, fragment_key, projection_elements, table_elements, 1, [](uint8_t* r) {
            put_u16(r, element_options, static_cast<uint16_t>(get_u16(r, element_options) | element_opt_bar_centre));
        });
        Bytes bar(bar_record_size, 0);
        put_u16(bar.data(), record_length, bar_record_size);
        put_u32(bar.data(), bar_element, 1);
        bar[record_kind] = construction_bar;
        put_u16(bar.data(), bar_number, 3);
        put_u16(bar.data(), bar_flags, 1);
        put_f64(bar.data(), bar_width, 2.0);
        for (int s = 0; s < 6; ++s)
            put_u16(bar.data(), bar_slots + bar_slot_size * s + 6, static_cast<uint16_t>(s == 1 ? 2 : s == 4 ? 3 : 1));
        add(df, fragment_key, projection_construction, table_construction, bar);
        element_numbers_rebuild();
        uint8_t* f = fragment_projection_in(df, fragment_key);
        ASSERT_GT(rebuild_bars(df, f), 0);
        page_buffers[table_projections].clean = 0;
        error_flag = 0;
        fragment_outlines = outlines(records(df, fragment_key, projection_elements, table_elements));
        ASSERT_EQ(fragment_outlines.size(), 6u);
    }
    template <class F>
    static void modify(DrawingFile* d, uint32_t key, uint32_t chain, int table, uint32_t number, F f) {
        uint8_t* p = fragment_projection_in(d, key);
        RecordRef head = get_u32(p, chain);
        for (uint8_t* r = record_next(d, &head, nullptr, &page_buffers[table]); r;
             r = record_next(d, &head, r, &page_buffers[table]))
            if (get_u32(r, record_key) == number) {
                f(r);
                page_buffers[table].clean = 0;
            }
    }
    static std::vector<Bytes> outlines(const std::vector<Bytes>& elements) {
        std::vector<Bytes> out;
        for (const Bytes& e : elements)
            if (get_u16(e.data(), element_options) & element_opt_bar_outline) out.push_back(e);
        return out;
    }
    std::vector<Bytes> bars_of(uint32_t key) {
        std::vector<Bytes> out;
        for (Bytes& r : records(df, key, projection_construction, table_construction))
            if (r[record_kind] == construction_bar) out.push_back(r);
        return out;
    }
    // The outline segments of the target that run along y = `y` between
    // x0 and x1 (either way).
    std::vector<Bytes> sides_at(double y, double x0, double x1) {
        std::vector<Bytes> out;
        for (const Bytes& e : outlines(target(projection_elements, table_elements))) {
            if (element_kind(e.data()) != element_kind_segment) continue;
            Point2 a = get_point2(e.data(), element_coords2), b = get_point2(e.data(), element_coords2 + 16);
            if (std::fabs(a.y - y) < 1e-6 && std::fabs(b.y - y) < 1e-6 &&
                std::fabs(std::fmin(a.x, b.x) - std::fmin(x0, x1)) < 1e-6 &&
                std::fabs(std::fmax(a.x, b.x) - std::fmax(x0, x1)) < 1e-6)
                out.push_back(e);
        }
        return out;
    }
    std::vector<Bytes> fragment_outlines;
};

TEST_F(FragmentBars, BarComesAlongWithNumbersOfItsOwnAndGoesWithItsInstance) {
    // One binding point: (0,0) onto 100 (50,50), then onto 101 (50,70), so
    // that neither bar hides the other.
    auto one_point = [](uint32_t target, Point2 at) {
        FragmentInsertParams p;
        p.source_count = p.target_count = 1;
        p.source_points[0] = 1;
        p.target_points[0] = target;
        p.target_xy[0] = at;
        return p;
    };
    FragmentInsertParams p = one_point(100, {50, 50});
    FragmentCopyResult r1, r2;
    ASSERT_EQ(insert(p, FragmentSettings(), nullptr, &r1), fragment_inserted);
    p = one_point(101, {50, 70});
    ASSERT_EQ(insert(p, FragmentSettings(), nullptr, &r2), fragment_inserted);
    EXPECT_EQ(r1.bars, 1);
    EXPECT_EQ(r2.bars, 1);
    // The bar takes a serial of its own after its instance's number.
    EXPECT_EQ(r1.instance, 1);
    EXPECT_EQ(r2.instance, 3);
    EXPECT_EQ(counter(), 4);

    std::vector<Bytes> bars = bars_of(target_key);
    ASSERT_EQ(bars.size(), 2u);
    std::set<uint32_t> outline_numbers, bar_numbers, serials;
    for (const Bytes& b : bars) {
        bar_numbers.insert(get_u16(b.data(), bar_number));
        serials.insert(get_u16(b.data(), bar_serial));
        for (int s = 0; s < 6; ++s) outline_numbers.insert(get_u32(b.data(), bar_slots + bar_slot_size * s));
    }
    EXPECT_EQ(bar_numbers, (std::set<uint32_t>{1, 2}));  // the smallest free numbers of the target
    EXPECT_EQ(serials, (std::set<uint32_t>{2, 4}));
    EXPECT_EQ(outline_numbers.size(), 12u);
    // Each bar follows the copy of segment 1 of its own instance.
    std::set<uint32_t> centres;
    for (const Bytes& b : bars) centres.insert(get_u32(b.data(), bar_element));
    EXPECT_EQ(centres, (std::set<uint32_t>{copy_of(number_map_elements, 1, 1), copy_of(number_map_elements, 1, 3)}));
    // Built along the copies: both sides 1 off the lines (50,50)-(60,50) and
    // (50,70)-(60,70), with the fragment's line types, once for each bar
    // (the fragment's own outlines are not left as loose elements).
    for (double y : {50.0, 70.0}) {
        ASSERT_EQ(sides_at(y + 1, 50, 60).size(), 1u) << y;
        ASSERT_EQ(sides_at(y - 1, 50, 60).size(), 1u) << y;
        EXPECT_EQ((get_u16(sides_at(y + 1, 50, 60)[0].data(), element_flags) >> 4) & 15, 2) << y;
        EXPECT_EQ((get_u16(sides_at(y - 1, 50, 60)[0].data(), element_flags) >> 4) & 15, 3) << y;
    }
    EXPECT_EQ(outlines(target(projection_elements, table_elements)).size(), 12u);
    std::set<uint32_t> element_numbers;
    for (const Bytes& e : target(projection_elements, table_elements))
        EXPECT_TRUE(element_numbers.insert(get_u32(e.data(), element_number)).second) << get_u32(e.data(), element_number);
    // The fragment keeps its bar and outlines.
    ASSERT_EQ(bars_of(fragment_key).size(), 1u);
    EXPECT_EQ(get_u16(bars_of(fragment_key)[0].data(), bar_number), 3);
    EXPECT_EQ(outlines(records(df, fragment_key, projection_elements, table_elements)).size(), 6u);

    // Removing instance 1 takes its bar and outlines; instance 3's stay.
    std::vector<uint32_t> gone;
    for (const Bytes& b : bars)
        if (get_u32(b.data(), bar_element) == copy_of(number_map_elements, 1, 1))
            for (int s = 0; s < 6; ++s) gone.push_back(get_u32(b.data(), bar_slots + bar_slot_size * s));
    remove_fragment_instance(df, fragment_projection_in(df, target_key), 1, false);
    page_buffers[table_projections].clean = 0;
    EXPECT_EQ(error_flag, 0);
    ASSERT_EQ(bars_of(target_key).size(), 1u);
    EXPECT_EQ(get_u32(bars_of(target_key)[0].data(), bar_element), copy_of(number_map_elements, 1, 3));
    EXPECT_EQ(outlines(target(projection_elements, table_elements)).size(), 6u);
    for (uint32_t n : gone) EXPECT_FALSE(element_number_is_used(n)) << n;

    // Re-inserting instance 3 keeps one bar along it, not two.
    FragmentInsertParams again;
    FragmentSettings s;
    std::vector<Bytes> records3;
    for (Bytes& r : target(projection_construction, table_construction))
        if (r[record_kind] == construction_fragment_instance) records3.push_back(r);
    ASSERT_EQ(records3.size(), 1u);
    ASSERT_TRUE(load_fragment_instance_params(df, target_key, records3[0].data(), false, &again, &s));
    ASSERT_EQ(insert(again, s), fragment_inserted);
    ASSERT_EQ(bars_of(target_key).size(), 1u);
    EXPECT_EQ(outlines(target(projection_elements, table_elements)).size(), 6u);
}

TEST_F(FragmentBars, MirroredCopyKeepsEachSideWhereItsOutlineLands) {
    // Mirrored by the user's flag: (x, y) -> (50 + x, 50 - y).  The
    // fragment's left side (+y, type 2) lands below the copied line, which
    // is the copy's right side.
    FragmentInsertParams p;
    p.source_count = p.target_count = 1;
    p.source_points[0] = 1;
    p.target_points[0] = 100;
    p.target_xy[0] = {50, 50};
    FragmentSettings s;
    s.mode = fragment_mode_always | fragment_mode_without_dimensions | fragment_mode_user_parameters |
             fragment_mode_mirrored;
    ASSERT_EQ(insert(p, s), fragment_inserted);
    ASSERT_EQ(sides_at(49, 50, 60).size(), 1u);
    ASSERT_EQ(sides_at(51, 50, 60).size(), 1u);
    EXPECT_EQ((get_u16(sides_at(49, 50, 60)[0].data(), element_flags) >> 4) & 15, 2);
    EXPECT_EQ((get_u16(sides_at(51, 50, 60)[0].data(), element_flags) >> 4) & 15, 3);
}

// ------------------------------------------------------- marked elements

TEST_F(FragmentBars, MarkedElementsAloneComeOverOntoPointsAtTheirPlaces) {
    // Segments 1 (1-2) and 3 (2-4) marked; turned onto 100-101.  Points 1
    // and 2 land on the target's 100 (50,50) and 101 (50,70); point 4
    // (10,10) lands at (30,70), where nothing stands.  101 came with
    // instance 7: as a binding point it now belongs to the target.
    for (uint32_t n : {1u, 3u})
        modify(df, fragment_key, projection_elements, table_elements, n, [](uint8_t* r) {
            put_u16(r, element_flags, static_cast<uint16_t>(get_u16(r, element_flags) | element_flag_marked));
        });
    modify(df, target_key, projection_points, table_points, 101, [](uint8_t* r) { put_u16(r, point_fragment, 7); });
    put_u16(fragment_projection_in(df, target_key), projection_fragment_counter, 7);
    page_buffers[table_projections].clean = 0;
    FragmentInsertParams p = two_points();
    FragmentSettings s;
    s.mode = fragment_mode_always | fragment_mode_without_dimensions;
    s.only_marked = true;
    FragmentCopyResult r;
    ASSERT_EQ(insert(p, s, nullptr, &r), fragment_inserted);
    EXPECT_EQ(error_flag, 0);
    EXPECT_EQ(r.instance, 8);
    EXPECT_EQ(counter(), 8);

    auto els = of_instance(projection_elements, table_elements, element_fragment, 8);
    ASSERT_EQ(els.size(), 2u);  // no bar outline, no arc: only what was marked
    auto pts = target(projection_points, table_points);
    ASSERT_EQ(pts.size(), 3u);
    uint32_t added = 0;
    for (auto& q : pts)
        if (get_u32(q.data(), point_number) != 100 && get_u32(q.data(), point_number) != 101) {
            added = get_u32(q.data(), point_number);
            expect_at(q, point_sketch_x, {30, 70}, "added point");
            EXPECT_EQ(get_u16(q.data(), point_fragment), 8);
        }
    ASSERT_NE(added, 0u);
    std::set<std::pair<uint32_t, uint32_t>> ends;
    for (auto& e : els) {
        ends.insert({get_u32(e.data(), element_points), get_u32(e.data(), element_points + 4)});
        EXPECT_FALSE(get_u16(e.data(), element_flags) & element_flag_marked);
        EXPECT_FALSE(get_u16(e.data(), element_options) & element_opt_bar_centre);
        EXPECT_NE(get_u32(e.data(), element_number), 1u);
        EXPECT_NE(get_u32(e.data(), element_number), 3u);
    }
    EXPECT_EQ(ends, (std::set<std::pair<uint32_t, uint32_t>>{{100, 101}, {101, added}}));
    for (auto& q : pts)
        if (get_u32(q.data(), point_number) == 101) EXPECT_EQ(get_u16(q.data(), point_fragment), 0);
    // Nothing to re-insert: no instance record, no number maps, no dimensions.
    EXPECT_TRUE(target(projection_construction, table_construction).empty());
    EXPECT_TRUE(target(projection_dimensions, table_dimensions).empty());
}

TEST_F(FragmentTest, MarkedCurveImageBringsItsSourceAndOneWithoutIsADamagedDrawing) {
    // A wavy line 9 over points 1, 2, 4 of the fragment, not marked, and
    // its curve image (kind 5, same number), marked as the image stage
    // marks what is drawn.
    auto image_of = [](uint32_t number) {
        Bytes r(curve_vertices + 2 * curve_vertex_size, 0);
        put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
        put_u32(r.data(), element_number, number);
        put_u16(r.data(), element_flags, static_cast<uint16_t>(element_kind_curve | (1 << 4) | element_flag_marked));
        put_u16(r.data(), element_options, element_opt_image);
        put_i16(r.data(), curve_count, 1);
        return r;
    };
    add(df, fragment_key, projection_elements, table_elements,
        element(element_kind_wavy, 9, {1, 2, 4}, {{0, 0}, {10, 0}, {10, 10}}));
    add(df, fragment_key, projection_elements, table_elements, image_of(9));
    FragmentSettings s;
    s.mode = fragment_mode_always | fragment_mode_without_dimensions;
    s.only_marked = true;
    FragmentInsertParams p = two_points();
    FragmentCopyResult r;
    ASSERT_EQ(insert(p, s, nullptr, &r), fragment_inserted);
    EXPECT_EQ(error_flag, 0);
    EXPECT_TRUE(store_test::shown().empty());
    // The wavy line came along, turned onto 100-101 (its far point 4 at
    // (30,70)), under a number of its own.
    std::vector<Bytes> wavy;
    for (Bytes& e : of_instance(projection_elements, table_elements, element_fragment, r.instance))
        if (element_kind(e.data()) == element_kind_wavy) wavy.push_back(e);
    ASSERT_EQ(wavy.size(), 1u);
    EXPECT_NE(get_u32(wavy[0].data(), element_number), 9u);
    EXPECT_EQ(get_u32(wavy[0].data(), element_points), 100u);
    EXPECT_EQ(get_u32(wavy[0].data(), element_points + 4), 101u);
    expect_at(wavy[0], element_coords3 + 32, {30, 70}, "far point of the wavy line");

    // An image whose source is missing: the source drawing is reported
    // damaged and nothing is copied.
    add(df, fragment_key, projection_elements, table_elements, image_of(11));
    size_t elements_before = target(projection_elements, table_elements).size();
    uint16_t counter_before = counter();
    p = two_points();
    EXPECT_EQ(insert(p, s), fragment_failed);
    EXPECT_EQ(error_flag, 1);
    ASSERT_EQ(store_test::shown().size(), 1u);
    EXPECT_NE(store_test::shown()[0].find("E20133"), std::string::npos) << store_test::shown()[0];
    EXPECT_TRUE(get_u16(df->header, header_options) & header_opt_failed);
    EXPECT_EQ(target(projection_elements, table_elements).size(), elements_before);
    EXPECT_EQ(counter(), counter_before);
}

TEST_F(FragmentTest, MarkedElementsTellWhichInstanceToInsertAgain) {
    FragmentInsertParams p = two_points();
    ASSERT_EQ(insert(p), fragment_inserted);
    p = two_points();
    FragmentSettings correcting;
    correcting.mode = fragment_mode_always | fragment_mode_correct_nominals;
    ASSERT_EQ(insert(p, correcting), fragment_inserted);
    FragmentInsertParams got;
    FragmentSettings own;
    // Nothing marked.
    EXPECT_EQ(fragment_params_from_marked(df, target_key, &got, &own), 0);
    auto mark = [&](uint16_t instance) {
        uint8_t* t = fragment_projection_in(df, target_key);
        RecordRef head = get_u32(t, projection_elements);
        for (uint8_t* r = record_next(df, &head, nullptr, &page_buffers[table_elements]); r;
             r = record_next(df, &head, r, &page_buffers[table_elements]))
            if (get_u16(r, element_fragment) == instance) {
                put_u16(r, element_flags, static_cast<uint16_t>(get_u16(r, element_flags) | element_flag_marked));
                page_buffers[table_elements].clean = 0;
                return;
            }
    };
    // An element of the target's own: marked, but no instance.
    add(df, target_key, projection_elements, table_elements,
        element(element_kind_segment, 90, {100, 101}, {{50, 50}, {50, 70}}));
    mark(0);
    EXPECT_EQ(fragment_params_from_marked(df, target_key, &got, &own), 1);
    EXPECT_EQ(got.instance, 0);
    // Instance 2 marked: its record's binding points and modes.
    mark(2);
    ASSERT_EQ(fragment_params_from_marked(df, target_key, &got, &own), 1);
    EXPECT_EQ(got.instance, 2);
    EXPECT_EQ(got.source_projection, fragment_key);
    EXPECT_EQ(got.source_count, 2);
    EXPECT_EQ(got.target_points[1], 101u);
    EXPECT_NEAR(got.target_xy[1].y, 70.0, 1e-9);
    EXPECT_EQ(own.mode & 0x1F, fragment_mode_correct_nominals);
    EXPECT_TRUE(own.reinsert);
    // Instance 1 marked too, but its target binding point is gone: its
    // record is dropped on the way and instance 2 is taken.
    uint8_t* t = fragment_projection_in(df, target_key);
    RecordRef head = get_u32(t, projection_construction);
    for (uint8_t* r = record_next(df, &head, nullptr, &page_buffers[table_construction]); r;
         r = record_next(df, &head, r, &page_buffers[table_construction]))
        if (r[record_kind] == construction_fragment_instance && get_u16(r, fragment_instance) == 1) {
            put_u32(r, fragment_target_points + 4, 999);
            page_buffers[table_construction].clean = 0;
        }
    mark(1);
    auto records_of_1 = [&] {
        int n = 0;
        for (Bytes& r : target(projection_construction, table_construction))
            if (r[record_kind] == construction_fragment_instance && get_u16(r.data(), fragment_instance) == 1) ++n;
        return n;
    };
    // Read only, as the dialog looks: passed over and kept.
    ASSERT_EQ(fragment_params_from_marked(df, target_key, &got, &own, {}, true), 1);
    EXPECT_EQ(got.instance, 2);
    EXPECT_EQ(records_of_1(), 1);
    ASSERT_EQ(fragment_params_from_marked(df, target_key, &got, &own), 1);
    EXPECT_EQ(got.instance, 2);
    int records1 = 0;
    for (Bytes& r : target(projection_construction, table_construction))
        if (r[record_kind] == construction_fragment_instance && get_u16(r.data(), fragment_instance) == 1) ++records1;
    EXPECT_EQ(records1, 0);
    // Passed over once done: nothing left.
    ASSERT_EQ(fragment_params_from_marked(df, target_key, &got, &own, {2}), 1);
    EXPECT_EQ(got.instance, 0);
}

}  // namespace

namespace {

TEST(FragmentElementPlaces, EveryKindGivesItsPointsAndNothingBeyondTheRecord) {
    auto record = [](int kind, size_t size) {
        Bytes r(size, 0);
        put_u16(r.data(), record_length, static_cast<uint16_t>(size));
        put_u16(r.data(), element_flags, static_cast<uint16_t>(kind));
        return r;
    };
    struct Case {
        const char* name;
        Bytes rec;
        size_t places;
        size_t numbered;
    };
    Bytes curve = record(element_kind_curve, 3 * curve_vertex_size);  // user curve: no last through point
    put_i16(curve.data(), curve_count, 3);
    Bytes long_count = curve;
    put_i16(long_count.data(), curve_count, 400);  // a count beyond the record
    Bytes symbol = record(element_kind_symbol, element_symbol_items + 2 * element_symbol_item_size);
    put_u16(symbol.data(), element_symbol_count, 2);
    Case cases[] = {
        {"segment", record(element_kind_segment, element_size2), 2, 2},
        {"arc", record(element_kind_arc_centre, element_size3), 3, 3},
        {"bezier", record(element_kind_bezier, element_size_bezier), 4, 4},
        {"elliptic arc", record(element_kind_elliptic_arc, element_size_elliptic_arc), 5, 5},
        {"short segment", record(element_kind_segment, 40), 0, 0},
        {"fragment kind", record(element_kind_fragment, element_default_size), 0, 0},
        {"curve", curve, 5, 3},
        {"curve count past the record", long_count, 5, 3},
        {"symbol", symbol, 2, 2},
    };
    for (const Case& c : cases) {
        std::vector<ElementPlace> places = fragment_element_places(c.rec.data());
        size_t numbered = 0;
        for (const ElementPlace& p : places) {
            EXPECT_LE(p.coords + 16, c.rec.size()) << c.name;
            if (p.number) ++numbered;
        }
        EXPECT_EQ(places.size(), c.places) << c.name;
        EXPECT_EQ(numbered, c.numbered) << c.name;
    }
}

}  // namespace
