// The dimension generator on a real drawing file: the network it makes on
// a small part (diameters, radii, X and Y dimensions from the start point),
// constructed by the solver back onto the sketch; the roles by side, the
// points already dimensioned, the tied points, the comments, and the
// refusals with their messages.
#include "tests/dimensions/one_projection.h"

#include "stages/dimensions/dimension_edit.h"
#include "stages/dimensions/dimension_generator.h"
#include "stages/dimensions/dimension_network.h"
#include "stages/dimensions/view_construction.h"
#include "store/record_layouts.h"

#include <cmath>
#include <map>

using namespace store_test;
using one_projection::chain_copies;

namespace {

struct Sketch {
    uint32_t n;
    double x, y;
};

class Generator : public StoreTest {
protected:
    DrawingFile* df = nullptr;
    std::vector<std::string> messages, prompts;
    GeneratorHooks hooks;
    int checkpoints = 0;

    void SetUp() override {
        StoreTest::SetUp();
        df = create();
        one_projection::add(df);
        hooks.message = [this](const char* t) { messages.push_back(t); };
        hooks.prompt = [this](const char* t) { prompts.push_back(t); };
        hooks.checkpoint = [this] { ++checkpoints; };
    }

    unsigned char* projection() { return one_projection::record(); }

    // The true position starts far from the sketch (except the origin's),
    // so only a constructed point stands at its sketch position afterwards.
    void point(uint32_t n, double x, double y, uint16_t flags = 0) {
        bool origin = flags & point_flag_origin;
        one_projection::add_point(df, n, x, y, flags, origin ? x : -500.0 - n, origin ? y : 700.0 + n);
        if (get_u32(df->header, 68) < n) put_u32(df->header, 68, n);
    }
    void element(uint32_t n, int kind, int line_type, std::vector<uint32_t> pts) {
        uint32_t size = pts.size() == 2 ? element_size2 : element_size3;
        std::vector<uint8_t> r(size, 0);
        put_u16(r.data(), 0, static_cast<uint16_t>(size));
        put_u32(r.data(), element_number, n);
        put_u16(r.data(), element_flags, static_cast<uint16_t>(kind | (line_type << 4)));
        for (size_t i = 0; i < pts.size(); ++i) put_u32(r.data(), element_points + 4 * i, pts[i]);
        record_add_at_end(df, reinterpret_cast<RecordRef*>(projection() + projection_elements), r.data(),
                          &page_buffers[table_elements]);
    }

    // A plate 60 x 40 from point 1 (the origin), a circle about 5 through
    // 6, an arc about 8 from 9 to 10 (radius 10).
    std::vector<Sketch> plain_part() {
        std::vector<Sketch> s = {{1, 20, 20}, {2, 80, 20}, {3, 80, 60},  {4, 20, 60}, {5, 50, 40},
                                 {6, 60, 40}, {8, 100, 40}, {9, 110, 40}, {10, 106, 32}};
        for (const Sketch& p : s) point(p.n, p.x, p.y, p.n == 1 ? point_flag_origin : 0);
        element(1, element_kind_segment, 1, {1, 2});
        element(2, element_kind_segment, 1, {2, 3});
        element(3, element_kind_segment, 1, {3, 4});
        element(4, element_kind_segment, 1, {4, 1});
        element(5, element_kind_circle, 1, {6, 5});
        element(6, element_kind_arc_centre, 1, {9, 10, 8});
        return s;
    }

    // The projection emptied again: its chains dropped, its flags cleared.
    void empty_projection() {
        unsigned char* pr = projection();
        for (uint32_t chain : {projection_points, projection_elements, projection_dimensions, projection_links,
                               projection_annotations})
            put_u32(pr, chain, 0);
        put_u16(pr, projection_flags, 0);
        messages.clear();
        prompts.clear();
    }

    std::vector<std::vector<uint8_t>> dimensions() { return chain_copies(df, projection_dimensions, table_dimensions); }
    std::vector<std::vector<uint8_t>> links_of(uint32_t dim) {
        std::vector<std::vector<uint8_t>> out;
        for (auto& l : chain_copies(df, projection_links, table_links))
            if (get_u32(l.data(), link_dimension) == dim) out.push_back(l);
        return out;
    }
    int role_of(uint32_t dim, uint32_t point) {
        for (auto& l : links_of(dim))
            if (get_u32(l.data(), link_point) == point) return get_u16(l.data(), 24) & 3;
        return 0;
    }
    std::vector<uint8_t> point_copy(uint32_t n) {
        for (auto& p : chain_copies(df, projection_points, table_points))
            if (get_u32(p.data(), 2) == n) return p;
        return {};
    }

    void construct_and_expect_sketch(const std::vector<Sketch>& s) {
        one_projection::expect_constructed(df);
        for (const Sketch& p : s) {
            std::vector<uint8_t> r = point_copy(p.n);
            ASSERT_FALSE(r.empty());
            EXPECT_NEAR(get_f64(r.data(), point_true_x), p.x, 1e-6) << "point " << p.n;
            EXPECT_NEAR(get_f64(r.data(), point_true_y), p.y, 1e-6) << "point " << p.n;
        }
    }
};

TEST_F(Generator, PlainPartGivesANetworkThatConstructsBackToTheSketch) {
    std::vector<Sketch> s = plain_part();
    GeneratorSettings set;
    GeneratorResult r = generate_dimensions(df, projection(), 1, 0, set, hooks);
    ASSERT_FALSE(r.refused) << (messages.empty() ? "" : messages.back());
    EXPECT_EQ(checkpoints, 1);
    // Diameter of the circle, radius of the arc; X: 2, 3, 4, 5, 8 (the
    // circle's and the arc's points wait for the radial ones); Y: every
    // point but the origin and the circle's point 6.
    std::map<int, int> kinds;
    int x = 0, y = 0;
    for (auto& d : dimensions()) {
        int kind = get_u16(d.data(), dimension_kind_word) & 0x1F;
        int mode = (get_u16(d.data(), dimension_kind_word) >> 5) & 7;
        ++kinds[kind];
        if (kind == DIM_LINEAR) (mode == 0 ? x : y)++;
        // Not shown by default, and the nominal is the sketch's value.
        EXPECT_TRUE(get_u16(d.data(), dimension_value_word) & 0x0008);
    }
    EXPECT_EQ(kinds[DIM_DIAMETER], 1);
    EXPECT_EQ(kinds[DIM_RADIUS], 1);
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 7);
    EXPECT_EQ(r.made, 14);
    for (auto& d : dimensions()) {
        int kind = get_u16(d.data(), dimension_kind_word) & 0x1F;
        double v = get_f64(d.data(), dimension_nominal);
        if (kind == DIM_DIAMETER) EXPECT_DOUBLE_EQ(v, 20);
        if (kind == DIM_RADIUS) EXPECT_DOUBLE_EQ(v, 10);
    }
    ASSERT_FALSE(prompts.empty());
    EXPECT_EQ(prompts.back(), "Построение завершено!");
    EXPECT_TRUE(messages.empty());
    // Every free point is dimensioned in both directions now.
    for (const Sketch& p : s)
        if (p.n != 1) EXPECT_EQ(get_u16(point_copy(p.n).data(), point_flags) & 3, 2) << p.n;
    construct_and_expect_sketch(s);
}

TEST_F(Generator, APartDimensionedAlreadyGetsNothingNew) {
    plain_part();
    GeneratorSettings set;
    ASSERT_EQ(generate_dimensions(df, projection(), 1, 0, set, hooks).made, 14);
    GeneratorResult again = generate_dimensions(df, projection(), 1, 0, set, hooks);
    EXPECT_EQ(again.made, 0);
    EXPECT_EQ(dimensions().size(), 14u);
}

TEST_F(Generator, RolesFollowTheSideOfTheStartPoint) {
    // Two-point mode from 2: 1 lies left of 2 (X: first end) and 7 lies
    // below it in the model (greater y: Y first end); 1 level with 2 is a
    // Y second end.
    point(1, 20, 20);
    point(2, 80, 20);
    point(7, 90, 50);
    GeneratorSettings set;
    set.two_points = true;
    struct Case {
        uint32_t other;
        int x_role, y_role;   // roles of the other point
    } cases[] = {{1, LINK_FIRST, LINK_SECOND}, {7, LINK_SECOND, LINK_FIRST}};
    for (const Case& c : cases) {
        GeneratorResult r = generate_dimensions(df, projection(), 2, c.other, set, hooks);
        ASSERT_EQ(r.made, 2) << c.other;
        EXPECT_EQ(role_of(r.numbers[0], c.other), c.x_role) << c.other;
        EXPECT_EQ(role_of(r.numbers[0], 2), c.x_role == LINK_FIRST ? LINK_SECOND : LINK_FIRST);
        EXPECT_EQ(role_of(r.numbers[1], c.other), c.y_role) << c.other;
        double v = get_f64(dimension_record_copy(df, projection(), r.numbers[0]).data(), dimension_nominal);
        EXPECT_DOUBLE_EQ(v, c.other == 1 ? 60 : 10);
    }
}

TEST_F(Generator, TiedPointsShareTheDimensionsAndStillConstruct) {
    // 4 has the origin's x: with the option it is linked beside the origin
    // on every X dimension and gets none of its own.
    std::vector<Sketch> s = plain_part();
    GeneratorSettings set;
    set.join_orthogonal = true;
    GeneratorResult r = generate_dimensions(df, projection(), 1, 0, set, hooks);
    ASSERT_FALSE(r.refused);
    int x_dims = 0;
    for (uint32_t n : r.numbers) {
        auto d = dimension_record_copy(df, projection(), n);
        int kw = get_u16(d.data(), dimension_kind_word);
        if ((kw & 0x1F) != DIM_LINEAR || ((kw >> 5) & 7) != 0) continue;
        ++x_dims;
        EXPECT_NE(role_of(n, 4), 0) << "dimension " << n;
        EXPECT_EQ(role_of(n, 4), role_of(n, 1));
    }
    EXPECT_EQ(x_dims, 3);   // 3 shares x with 2 and rides on its dimension: 2, 5, 8
    construct_and_expect_sketch(s);
}

TEST_F(Generator, CommentsNameThePointsAndThePass) {
    point(1, 0, 0);
    point(2, 30, -10);
    GeneratorSettings set;
    set.two_points = true;
    set.comments = true;
    GeneratorResult r = generate_dimensions(df, projection(), 1, 2, set, hooks);
    ASSERT_EQ(r.made, 2);
    EXPECT_EQ(dimension_comment_text(dimension_record_copy(df, projection(), r.numbers[0]).data()), " т1 - т2  курс 1");
    EXPECT_EQ(dimension_comment_text(dimension_record_copy(df, projection(), r.numbers[1]).data()), " т1 - т2  курс 2");
}

TEST_F(Generator, RefusalsSayWhyAndMakeNothing) {
    struct Case {
        const char* what;
        bool points, elements, not_auto;
        GeneratorSettings set;
        const char* message;
    };
    GeneratorSettings plain, joined;
    joined.join_orthogonal = true;
    const Case cases[] = {
        {"no points", false, false, false, plain, "На проекции нет свободных точек"},
        {"no elements", true, false, false, plain, "Для такого построения необходимы графические элементы на проекции"},
        {"not constructed automatically", true, true, true, joined,
         "Эта проекция \"без автопостроения\", поэтому на ней все размеры могут быть только для показа"},
    };
    for (const Case& c : cases) {
        // An empty projection again: the chains dropped, the flags cleared.
        unsigned char* pr = projection();
        put_u32(pr, projection_points, 0);
        put_u32(pr, projection_elements, 0);
        put_u16(pr, projection_flags, 0);
        messages.clear();
        if (c.points) {
            point(1, 0, 0);
            point(2, 10, 5);
        }
        if (c.elements) element(1, element_kind_segment, 1, {1, 2});
        if (c.not_auto) put_u16(projection(), projection_flags, 0x0400);
        GeneratorResult r = generate_dimensions(df, projection(), 1, 0, c.set, hooks);
        EXPECT_TRUE(r.refused) << c.what;
        EXPECT_EQ(r.made, 0) << c.what;
        ASSERT_EQ(messages.size(), 1u) << c.what;
        EXPECT_EQ(messages[0], c.message);
        EXPECT_TRUE(dimensions().empty()) << c.what;
    }
}

// A square 40 x 40 about O = 1 at (50, 50) (model y downward): corners
// 4 (30, 30), 5 (70, 30), 6 (70, 70), 7 (30, 70) joined by sides; the
// vertical axis from 1 to 2 (50, 10) and the horizontal one from 1 to 3
// (90, 50), drawn thin dash-dot. Every point must construct back onto its
// sketch.
struct Made {
    int kind, mode;
    uint32_t first, second;   // the first point of each end role
    double nominal;
    uint32_t axis1, axis2;
};

TEST_F(Generator, SymmetricInXAndYAboutTwoAxes) {
    std::vector<Sketch> s;
    for (Sketch p : std::vector<Sketch>{{1, 50, 50}, {2, 50, 10}, {3, 90, 50}, {4, 30, 30}, {5, 70, 30},
                                        {6, 70, 70}, {7, 30, 70}}) {
        point(p.n, p.x, p.y, p.n == 1 ? point_flag_origin : 0);
        s.push_back(p);
    }
    element(1, element_kind_segment, 4, {1, 2});
    element(2, element_kind_segment, 4, {1, 3});
    element(3, element_kind_segment, 1, {4, 5});
    element(4, element_kind_segment, 1, {5, 6});
    element(5, element_kind_segment, 1, {6, 7});
    element(6, element_kind_segment, 1, {7, 4});
    GeneratorSettings set;
    set.symmetry_item = 0;
    GeneratorResult r = generate_dimensions(df, projection(), 1, 0, set, hooks);
    ASSERT_FALSE(r.refused) << (messages.empty() ? "" : messages.back());
    // The vertical axis first: its end 2 along X from O (0); across it 3
    // from O (40, no partner: its only line is the other axis), the pairs
    // 4-5 and 6-7 symmetric (40 across, the end on the axis' positive side
    // u(a - pi/2) = (-1, 0) second). Then the horizontal axis: its end 3
    // along Y (0); across it 2 from O (40), the pairs 4-7 and 5-6.
    const Made want[] = {
        {DIM_LINEAR, 0, 1, 2, 0, 0, 0},  {DIM_LINEAR, 3, 3, 1, 40, 1, 2}, {DIM_LINEAR, 4, 5, 4, 40, 1, 2},
        {DIM_LINEAR, 4, 6, 7, 40, 1, 2}, {DIM_LINEAR, 1, 1, 3, 0, 0, 0},  {DIM_LINEAR, 3, 1, 2, 40, 1, 3},
        {DIM_LINEAR, 4, 7, 4, 40, 1, 3}, {DIM_LINEAR, 4, 6, 5, 40, 1, 3},
    };
    ASSERT_EQ(r.numbers.size(), sizeof want / sizeof want[0]);
    for (size_t i = 0; i < r.numbers.size(); ++i) {
        auto d = dimension_record_copy(df, projection(), r.numbers[i]);
        int kw = get_u16(d.data(), dimension_kind_word);
        EXPECT_EQ(kw & 0x1F, want[i].kind) << i;
        EXPECT_EQ((kw >> 5) & 7, want[i].mode) << i;
        EXPECT_DOUBLE_EQ(get_f64(d.data(), dimension_nominal), want[i].nominal) << i;
        EXPECT_EQ(get_u32(d.data(), dimension_axis_point1), want[i].axis1) << i;
        EXPECT_EQ(get_u32(d.data(), dimension_axis_point2), want[i].axis2) << i;
        EXPECT_EQ(role_of(r.numbers[i], want[i].first), LINK_FIRST) << i;
        EXPECT_EQ(role_of(r.numbers[i], want[i].second), LINK_SECOND) << i;
    }
    for (const Sketch& p : s)
        if (p.n != 1) EXPECT_EQ(get_u16(point_copy(p.n).data(), point_flags) & 3, 2) << p.n;
    construct_and_expect_sketch(s);
}

TEST_F(Generator, SymmetricAboutOneAxis) {
    // The vertical axis alone: its end 2 gets X (0) and, with every point,
    // its distance along the axis from O (u(a) = (0, -1)); then the pairs
    // across it. "Симметрия по оси вращения" makes the pairs diameters.
    for (int item : {2, 1}) {
        SCOPED_TRACE(item);
        empty_projection();
        std::vector<Sketch> s = {{1, 50, 50}, {2, 50, 10}, {4, 30, 30}, {5, 70, 30}, {6, 70, 70}, {7, 30, 70}};
        for (const Sketch& p : s) point(p.n, p.x, p.y, p.n == 1 ? point_flag_origin : 0);
        element(1, element_kind_segment, 4, {1, 2});
        element(3, element_kind_segment, 1, {4, 5});
        element(4, element_kind_segment, 1, {5, 6});
        element(5, element_kind_segment, 1, {6, 7});
        element(6, element_kind_segment, 1, {7, 4});
        GeneratorSettings set;
        set.symmetry_item = item;
        GeneratorResult r = generate_dimensions(df, projection(), 1, 0, set, hooks);
        ASSERT_FALSE(r.refused) << (messages.empty() ? "" : messages.back());
        const int pair = item == 1 ? DIM_DIAMETER : DIM_LINEAR;
        const Made want[] = {
            {DIM_LINEAR, 0, 1, 2, 0, 0, 0},   {DIM_LINEAR, 2, 1, 2, 40, 1, 2}, {DIM_LINEAR, 2, 1, 4, 20, 1, 2},
            {DIM_LINEAR, 2, 1, 5, 20, 1, 2},  {DIM_LINEAR, 2, 6, 1, 20, 1, 2}, {DIM_LINEAR, 2, 7, 1, 20, 1, 2},
            {pair, 4, 5, 4, 40, 1, 2},        {pair, 4, 6, 7, 40, 1, 2},
        };
        ASSERT_EQ(r.numbers.size(), sizeof want / sizeof want[0]);
        for (size_t i = 0; i < r.numbers.size(); ++i) {
            auto d = dimension_record_copy(df, projection(), r.numbers[i]);
            int kw = get_u16(d.data(), dimension_kind_word);
            EXPECT_EQ(kw & 0x1F, want[i].kind) << i;
            EXPECT_EQ((kw >> 5) & 7, want[i].mode) << i;
            EXPECT_DOUBLE_EQ(get_f64(d.data(), dimension_nominal), want[i].nominal) << i;
            EXPECT_EQ(get_u32(d.data(), dimension_axis_point1), want[i].axis1) << i;
            EXPECT_EQ(role_of(r.numbers[i], want[i].first), LINK_FIRST) << i;
            EXPECT_EQ(role_of(r.numbers[i], want[i].second), LINK_SECOND) << i;
        }
        construct_and_expect_sketch(s);
    }
}

TEST_F(Generator, SymmetryNeedsItsAxesThroughTheStartPoint) {
    // Axes (thin dash-dot lines) from 1: none, one, two; a main line from 1
    // is no axis.
    struct Case {
        int item;
        int axes;
        const char* message;   // nullptr: generated
    } cases[] = {
        {1, 0, "Не указана ось симметрии"},
        {2, 2, "Указанная точка должна принадлежать одной оси симметрии"},
        {0, 1, "Точка должна находиться на пересечении двух осей симметрии"},
        {0, 0, "Точка должна находиться на пересечении двух осей симметрии"},
        {1, 1, nullptr},
        {0, 2, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "item " << c.item << " axes " << c.axes);
        empty_projection();
        point(1, 0, 0);
        point(2, 0, -40);
        point(3, 30, 0);
        point(4, 20, -20);
        element(1, element_kind_segment, c.axes >= 1 ? 4 : 1, {1, 2});
        element(2, element_kind_segment, c.axes >= 2 ? 4 : 1, {3, 1});
        GeneratorSettings set;
        set.symmetry_item = c.item;
        GeneratorResult r = generate_dimensions(df, projection(), 1, 0, set, hooks);
        if (c.message) {
            EXPECT_TRUE(r.refused);
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0], c.message);
            EXPECT_TRUE(dimensions().empty());
        } else {
            EXPECT_FALSE(r.refused);
            EXPECT_TRUE(messages.empty());
            EXPECT_GT(r.made, 0);
        }
    }
}

TEST_F(Generator, FromTheOriginWithFixedSettings) {
    // Without an origin: a prompt and nothing else.
    point(1, 0, 0);
    point(2, 10, 5);
    element(1, element_kind_segment, 1, {1, 2});
    GeneratorResult none = auto_dimension_from_origin(df, projection(), hooks);
    EXPECT_EQ(none.made, 0);
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_TRUE(messages.empty());
    // With one (and a user's setting that must not leak in): not shown,
    // no comments; the user's settings stay as they were.
    point(3, 20, 20, point_flag_origin);
    generator_settings.comments = true;
    generator_settings.not_shown = false;
    GeneratorResult r = auto_dimension_from_origin(df, projection(), hooks);
    EXPECT_EQ(r.made, 4);
    for (uint32_t n : r.numbers) {
        auto d = dimension_record_copy(df, projection(), n);
        EXPECT_TRUE(get_u16(d.data(), dimension_value_word) & 0x0008);
        EXPECT_EQ(dimension_comment_text(d.data()), "");
    }
    EXPECT_TRUE(generator_settings.comments);
    generator_settings = GeneratorSettings();
    // A projection not constructed automatically is left alone.
    put_u16(projection(), projection_flags, 0x0400);
    EXPECT_EQ(auto_dimension_from_origin(df, projection(), hooks).made, 0);
}

TEST(GeneratorSettingsRules, SymmetryItemsAndTolerance) {
    EXPECT_EQ(generator_symmetry_mode(0), 0);
    EXPECT_EQ(generator_symmetry_mode(1), 1);
    EXPECT_EQ(generator_symmetry_mode(2), 1);
    EXPECT_EQ(generator_symmetry_mode(3), 2);
    EXPECT_DOUBLE_EQ(generator_tolerance(-20), 20);
    EXPECT_DOUBLE_EQ(generator_tolerance(80), 49);
    EXPECT_DOUBLE_EQ(generator_tolerance(15), 15);
}

}  // namespace
