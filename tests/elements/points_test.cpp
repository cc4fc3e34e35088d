// Reference points: the hit test's tie rules and its pixel conversion, grid
// and auxiliary-line snapping, dropping a dragged point (grid, merge with
// its question, Ctrl, links), deletion with its questions, and the
// auxiliary-line tool.
#include "tests/elements/elements_fixture.h"

#include "stages/points_elements/aux_lines.h"
#include "stages/points_elements/points.h"
#include "store/drawing_header.h"

using namespace elements_test;

namespace {

class Points : public ElementsTest {
protected:
    PointContext ctx;
    std::vector<std::string> events;
    bool answer = true;

    void SetUp() override {
        ElementsTest::SetUp();
        ctx.df = df;
        ctx.projection = proj();
        ctx.view.scale = {2, 2};  // 2 pixels per unit, no offset
        ctx.mark_half_x = ctx.mark_half_y = 3;
        ctx.hooks.ask = [this](int code) {
            events.push_back("ask " + std::to_string(code));
            return answer;
        };
        ctx.hooks.recheck_dimension = [this](unsigned char*, uint32_t d) { events.push_back("recheck " + std::to_string(d)); };
        ctx.hooks.bind_to_aux_line = [this](unsigned char*, uint32_t, uint32_t p) { events.push_back("bind " + std::to_string(p)); };
        ctx.hooks.message = [this](const char* t) { events.push_back(t); };
        set_grid(0, 0);
        // Sketch positions are the true ones in these projections.
        put_u16(proj(), projection_flags, projection_word_no_auto);
    }
    void set_grid(float x, float y) {
        put_f32(df->header, header_grid_x, x);
        put_f32(df->header, header_grid_y, y);
    }
    uint32_t hit(int x, int y, int max = -1) {
        PointCopy p;
        return ref_point_hit_test(ctx, x, y, max, &p) ? p.number() : 0;
    }
    void set_flags2(uint32_t n, uint16_t f2) {
        PointCopy p;
        ASSERT_TRUE(point_read(df, proj(), n, &p));
        p.set_flags2(f2);
        ASSERT_TRUE(point_write(df, proj(), p));
    }
    void link(uint32_t key, uint32_t point, uint32_t dimension) {
        Bytes r(link_record_size, 0);
        put_u16(r.data(), record_length, link_record_size);
        put_u32(r.data(), link_number, key);
        put_u32(r.data(), link_point, point);
        put_u32(r.data(), link_dimension, dimension);
        ASSERT_NE(record_add(df, head(projection_links), r.data(), &page_buffers[table_links]), 0u);
    }
    std::vector<uint32_t> links_of(uint32_t point) {
        std::vector<uint32_t> out;
        PageBuffer* b = &page_buffers[table_links];
        for (uint8_t* r = record_next(df, head(projection_links), nullptr, b); r; r = record_next(df, head(projection_links), r, b))
            if (get_u32(r, link_point) == point) out.push_back(get_u32(r, link_number));
        return out;
    }
    bool has_point(uint32_t n) {
        PointCopy p;
        return point_read(df, proj(), n, &p);
    }
    std::vector<Bytes> aux_lines() {
        std::vector<Bytes> out;
        PageBuffer* b = &page_buffers[table_construction];
        for (uint8_t* r = record_next(df, head(projection_construction), nullptr, b); r;
             r = record_next(df, head(projection_construction), r, b))
            out.emplace_back(r, r + get_u16(r, record_length));
        return out;
    }
};

// Two points 4 pixels either side of the click: the tie rules decide.
TEST_F(Points, HitTestTieRules) {
    struct Case {
        const char* what;
        uint16_t flags_a, flags2_a, flags_b, flags2_b;
        uint32_t current;
        bool a_used, b_used;
        uint32_t expected;
    };
    const Case cases[] = {
        {"nothing special: the earlier stays", 0, 0, 0, 0, 0, false, false, 1},
        {"priority wins", 0, 0, 0, point_flag2_priority, 0, false, false, 2},
        {"a priority pick is kept", 0, point_flag2_priority, 0, 0, 0, false, false, 1},
        {"of two priority points the last", 0, point_flag2_priority, 0, point_flag2_priority, 0, false, false, 2},
        {"the current point wins", 0, 0, 0, 0, 2, false, false, 2},
        {"the current point is kept", 0, 0, 0, 0, 1, false, true, 1},
        {"priority beats the current point", 0, 0, 0, point_flag2_priority, 1, false, false, 2},
        {"movable beats fixed", point_flag_fixed, 0, 0, 0, 0, true, false, 2},
        {"a movable pick is kept", 0, 0, point_flag_fixed, 0, 0, false, true, 1},
        {"used by an element wins", 0, 0, 0, 0, 0, false, true, 2},
        {"a used pick is kept", 0, 0, 0, 0, 0, true, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        projection = Bytes(projection_record_max, 0);
        put_u16(proj(), record_length, projection_record_head);
        ctx.projection = proj();
        point(1, 10, 10, c.flags_a);
        point(2, 14, 10, c.flags_b);
        point(3, 40, 40);
        set_flags2(1, c.flags2_a);
        set_flags2(2, c.flags2_b);
        if (c.a_used) add(fixed(1, {1, 3}), 101);
        if (c.b_used) add(fixed(1, {3, 2}), 102);
        ctx.current_point = c.current;
        EXPECT_EQ(hit(24, 20), c.expected);
    }
}

TEST_F(Points, HitTestEligibilityDistanceAndScroll) {
    point(1, 10, 10, point_flag_hidden);
    point(2, 20, 10, point_flag_control);
    point(3, 30, 10);
    EXPECT_EQ(hit(20, 20), 2u) << "hidden points are never picked; control points at stage 1";
    ctx.stage = 3;
    EXPECT_EQ(hit(40, 20), 3u) << "control points are not picked at stages 2 to 4";
    ctx.stage = 1;
    EXPECT_EQ(hit(70, 20, 3), 0u) << "5 pixels away is beyond a 3-pixel pick";
    EXPECT_EQ(hit(63, 20, 3), 3u);
    // A scrolled view: pixel = (x - offset + shift) * scale, both ways.
    ctx.view.scroll_shift = {5, 0};
    EXPECT_EQ(hit(70, 20, 1), 3u);
    EXPECT_EQ(hit(60, 20, 1), 0u);
}

TEST_F(Points, GridSnapRoundsHalfAwayFromZero) {
    struct Case {
        float gx, gy;
        Point2 in, out;
    };
    const Case cases[] = {
        {5, 0, {12.5, 7.3}, {15, 7.3}},
        {5, 0, {-2.5, -7.3}, {-5, -7.3}},
        {5, 0, {-2.4, 1}, {0, 1}},
        {0, 0.5f, {3.3, -0.25}, {3.3, -0.5}},
        {0, 0.5f, {0.3, 0.74}, {0.3, 0.5}},
        {2, 2, {3, -3}, {4, -4}},
        {0, 0, {1.26, -8.5}, {1.26, -8.5}},
    };
    for (const Case& c : cases) {
        set_grid(c.gx, c.gy);
        PointCopy p;
        double xy[2] = {c.in.x, c.in.y};
        ref_point_init(p.bytes, 7, xy);
        ref_point_snap_to_grid(df, proj(), &p);
        EXPECT_DOUBLE_EQ(p.sketch().x, c.out.x) << c.in.x << " step " << c.gx;
        EXPECT_DOUBLE_EQ(p.sketch().y, c.out.y) << c.in.y << " step " << c.gy;
        EXPECT_DOUBLE_EQ(p.true_position().x, c.out.x) << "without automatic construction true follows";
    }
    // With automatic construction the true position is the solver's.
    put_u16(proj(), projection_flags, 0);
    set_grid(5, 5);
    PointCopy p;
    double xy[2] = {12.5, 12.5};
    ref_point_init(p.bytes, 7, xy);
    ref_point_snap_to_grid(df, proj(), &p);
    EXPECT_DOUBLE_EQ(p.sketch().x, 15);
    EXPECT_DOUBLE_EQ(p.true_position().x, 12.5);
}

// A point near a horizontal and an inclined line ends on their crossing,
// in either chain order; a degenerate line is skipped; far lines are not
// taken.
TEST_F(Points, AuxSnapEndsOnTheCrossing) {
    for (int order = 0; order < 2; ++order) {
        SCOPED_TRACE(order ? "inclined first" : "horizontal first");
        projection = Bytes(projection_record_max, 0);
        put_u16(proj(), record_length, projection_record_head);
        put_u16(proj(), projection_flags, projection_word_no_auto);
        ctx.projection = proj();
        aux_line_add(ctx, 2, false, {5, 5}, {5, 5}, 0, 0);  // degenerate: no direction
        if (order == 0) aux_line_add(ctx, 0, false, {0, 10}, {1, 10}, 0, 0);
        aux_line_add(ctx, 2, false, {0, 0}, {20, 20}, 0, 0);
        if (order == 1) aux_line_add(ctx, 0, false, {0, 10}, {1, 10}, 0, 0);
        aux_line_add(ctx, 1, false, {50, 0}, {50, 1}, 0, 0);  // far away
        PointCopy p;
        double xy[2] = {10.5, 10.4};
        ref_point_init(p.bytes, 7, xy);
        EXPECT_EQ(ref_point_snap_to_aux_lines(ctx, &p, false), 2);
        EXPECT_NEAR(p.sketch().x, 10, 1e-12);
        EXPECT_NEAR(p.sketch().y, 10, 1e-12);
        EXPECT_NEAR(p.true_position().y, 10, 1e-12);
    }
}

TEST_F(Points, AnchoredLinesFollowTheirPoint) {
    point(1, 10, 10);
    aux_line_add(ctx, 0, true, {10, 10}, {11, 10}, 1, 1);
    aux_line_add(ctx, 0, false, {10, 10}, {11, 10}, 0, 0);
    aux_line_add(ctx, 2, true, {0, 0}, {10, 10}, 3, 1);
    PointCopy p;
    ASSERT_TRUE(point_read(df, proj(), 1, &p));
    p.set_sketch({20, 30});
    aux_lines_follow_point(ctx, p, false);
    std::vector<Bytes> lines = aux_lines();
    ASSERT_EQ(lines.size(), 3u);
    // The anchored horizontal line keeps its second point one unit right.
    EXPECT_EQ(get_point2(lines[0].data(), aux_line_x1).x, 20);
    EXPECT_EQ(get_point2(lines[0].data(), aux_line_x1).y, 30);
    EXPECT_EQ(get_point2(lines[0].data(), aux_line_x2).x, 21);
    EXPECT_EQ(get_point2(lines[0].data(), aux_line_x2).y, 30);
    // A free line stays.
    EXPECT_EQ(get_point2(lines[1].data(), aux_line_x1).y, 10);
    // A two-point line moves the end anchored on the point only.
    EXPECT_EQ(get_point2(lines[2].data(), aux_line_x1).x, 0);
    EXPECT_EQ(get_point2(lines[2].data(), aux_line_x2).x, 20);
    EXPECT_EQ(get_point2(lines[2].data(), aux_line_x2).y, 30);
}

TEST_F(Points, DropSnapsToTheGrid) {
    set_grid(5, 5);
    point(1, 12, 11);
    point(2, 40, 40);
    EXPECT_EQ(ref_point_drop(ctx, 1, {0, 0}, DropOptions{}), 0);
    EXPECT_EQ(point_at(1).x, 10);
    EXPECT_EQ(point_at(1).y, 10);
    EXPECT_EQ(point_at(2).x, 40);
    EXPECT_TRUE(events.empty()) << "no question without a point on the pixel";
    EXPECT_TRUE(get_u16(proj(), projection_flags) & projection_word_changed);
    // A control point is never snapped.
    point(3, 12, 11, point_flag_control);
    ref_point_drop(ctx, 3, {0, 0}, DropOptions{});
    EXPECT_EQ(point_at(3).x, 12);
}

// Dropping a point on another's pixel: one question for the drop; Yes
// merges (references re-pointed, the larger dimensioning state kept, the
// number given back, a line between the two gone), No keeps both.
TEST_F(Points, DropOnAnotherPointMergesAfterTheQuestion) {
    for (bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        projection = Bytes(projection_record_max, 0);
        put_u16(proj(), record_length, projection_record_head);
        put_u16(proj(), projection_flags, projection_word_no_auto);
        ctx.projection = proj();
        events.clear();
        answer = yes;
        point(1, 30.1, 30.1, 1);
        point(2, 30, 30, 2);
        point(4, 30.05, 30.05, 0);
        point(3, 0, 0);
        add(fixed(1, {2, 3}), 101);
        add(fixed(1, {1, 2}), 102);
        add(curve({3, 4, 2}), 103);
        link(501, 2, 601);
        EXPECT_EQ(ref_point_drop(ctx, 1, {0, 0}, DropOptions{}), yes ? 2 : 0);
        EXPECT_EQ(events, (std::vector<std::string>{"ask 8"}));
        EXPECT_EQ(has_point(2), !yes);
        EXPECT_EQ(has_point(4), !yes);
        if (yes) {
            EXPECT_EQ(get_u32(stored(101).data(), element_points), 1u);
            EXPECT_TRUE(stored(102).empty()) << "the line between the merged points collapsed";
            Bytes c = stored(103);
            EXPECT_EQ(get_u32(c.data(), curve_vertices + 36), 1u);
            EXPECT_EQ(get_u32(c.data(), curve_vertices + 72), 1u);
            EXPECT_EQ(links_of(1), (std::vector<uint32_t>{501}));
            EXPECT_EQ(point_flags_of(1) & point_flag_state, 2);
            EXPECT_FALSE(point_number_is_used(2));
            EXPECT_FALSE(point_number_is_used(4));
        } else {
            EXPECT_EQ(get_u32(stored(101).data(), element_points), 2u);
            EXPECT_FALSE(stored(102).empty());
            EXPECT_TRUE(point_number_is_used(2));
        }
    }
}

TEST_F(Points, CtrlDropMovesEveryPointButTheExcluded) {
    point(1, 15, 10);
    point(2, 20, 20);
    point(3, 30, 30);
    set_flags2(3, point_flag2_no_hit);
    add(fixed(1, {2, 3}), 101);
    DropOptions o;
    o.ctrl = true;
    EXPECT_EQ(ref_point_drop(ctx, 1, {10, 10}, o), 0);
    EXPECT_EQ(point_at(2).x, 25);
    EXPECT_EQ(point_at(3).x, 30) << "a point excluded from the hit test stays";
    // Without automatic construction the stored line moves with them.
    Bytes line = stored(101);
    EXPECT_EQ(get_point2(line.data(), element_coords2).x, 5);
}

// Links are dropped before the snapping binds the point to an anchored
// line, so the binding stays; Ctrl keeps the links.
TEST_F(Points, DropDropsLinksBeforeBinding) {
    point(1, 20.2, 10, 3);
    link(501, 1, 601);
    link(502, 1, 602);
    aux_line_add(ctx, 1, true, {20, 0}, {20, 1}, 9, 9);
    EXPECT_EQ(ref_point_drop(ctx, 1, {0, 0}, DropOptions{}), 0);
    EXPECT_EQ(events, (std::vector<std::string>{"recheck 601", "recheck 602", "bind 1"}));
    EXPECT_TRUE(links_of(1).empty());
    EXPECT_EQ(point_flags_of(1) & point_flag_state, 0);
    EXPECT_EQ(point_at(1).x, 20);

    events.clear();
    link(503, 1, 603);
    DropOptions o;
    o.ctrl = true;
    ref_point_drop(ctx, 1, {20, 10}, o);
    EXPECT_EQ(links_of(1), (std::vector<uint32_t>{503}));
}

TEST_F(Points, DeleteAsksBeforeAnythingChanges) {
    struct Case {
        bool links, used, yes;
        std::vector<std::string> asked;
        bool deleted;
    };
    const Case cases[] = {
        {false, false, true, {}, true},
        {true, false, false, {"ask 10"}, false},
        {false, true, false, {"ask 11"}, false},
        {true, true, false, {"ask 10"}, false},
        {true, true, true, {"ask 10", "ask 11", "recheck 601"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.links) + std::to_string(c.used) + std::to_string(c.yes));
        projection = Bytes(projection_record_max, 0);
        put_u16(proj(), record_length, projection_record_head);
        ctx.projection = proj();
        events.clear();
        answer = c.yes;
        point(1, 10, 10);
        point(2, 20, 20);
        point(3, 30, 30);
        if (c.links) link(501, 1, 601);
        if (c.used) {
            add(fixed(1, {1, 2}), 101);
            add(fixed(4, {2, 3, 1}), 102);
        }
        add(fixed(1, {2, 3}), 103);
        aux_line_add(ctx, 0, true, {10, 10}, {11, 10}, 1, 1);
        EXPECT_EQ(ref_point_delete(ctx, 1), c.deleted ? 1 : 0);
        EXPECT_EQ(events, c.asked);
        EXPECT_EQ(has_point(1), !c.deleted);
        EXPECT_EQ(point_number_is_used(1) != 0, !c.deleted);
        EXPECT_FALSE(stored(103).empty()) << "an element not on the point stays";
        if (c.used) {
            EXPECT_EQ(stored(101).empty(), c.deleted);
            EXPECT_EQ(stored(102).empty(), c.deleted);
        }
        EXPECT_EQ(links_of(1).empty(), !c.links || c.deleted);
        Bytes line = aux_lines().at(0);
        EXPECT_EQ((line[construction_flags] & aux_line_anchored) == 0, c.deleted);
        EXPECT_EQ(get_u32(line.data(), aux_line_anchor1) == 0, c.deleted);
    }
}

TEST_F(Points, CreateRefusesNearPointsAndCountsControlPoints) {
    point(1, 10, 10);
    uint32_t n = 0;
    EXPECT_EQ(ref_point_create(ctx, 23, 17, false, &n), 0u) << "within the mark of point 1";
    EXPECT_NE(ref_point_create(ctx, 24, 20, false, &n), 0u);
    EXPECT_NE(n, 0u);
    EXPECT_EQ(point_at(n).x, 12);
    // The control tools: two control points, then ordinary points; no refusal.
    for (int i = 0; i < 3; ++i) {
        uint32_t c = 0;
        ASSERT_NE(ref_point_create(ctx, 20, 20, true, &c), 0u);
        EXPECT_EQ((point_flags_of(c) & point_flag_control) != 0, i < 2);
    }
    EXPECT_EQ((get_u16(proj(), projection_flags) & projection_word_control_count) >> 5, 2);
}

// The Ctrl click of the image stage: a point within the pick distance is
// taken as it is; on empty space a new ordinary point is made at the click.
TEST_F(Points, TakeOrCreateTakesThePointUnderTheCursorElseMakesOne) {
    point(1, 10, 10);  // pixel (20, 20)
    struct Case {
        int x, y;
        bool created;
        Point2 at;  // the point's sketch position
    } cases[] = {
        {20, 20, false, {10, 10}},
        {24, 23, false, {10, 10}},  // within 5 pixels
        {40, 30, true, {20, 15}},
        {40, 31, false, {20, 15}},  // the point just made
    };
    size_t points = points_of_projection(df, proj()).size();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        PointCopy p;
        bool created = !c.created;
        ASSERT_NE(ref_point_take_or_create(ctx, c.x, c.y, 5, &p, &created), 0u);
        EXPECT_EQ(created, c.created);
        EXPECT_EQ(p.sketch().x, c.at.x);
        EXPECT_EQ(p.sketch().y, c.at.y);
        if (c.created) {
            ++points;
            EXPECT_EQ(p.true_position().x, c.at.x);
            EXPECT_EQ(p.flags() & point_flag_control, 0);
        }
        EXPECT_EQ(points_of_projection(df, proj()).size(), points);
    }
}

TEST_F(Points, CreateSnapsAndTakesTheNumberOption) {
    set_grid(5, 5);
    put_u16(df->header, header_options, header_opt_point_numbers);
    aux_line_add(ctx, 1, false, {21, 0}, {21, 1}, 0, 0);
    uint32_t n = 0;
    ASSERT_NE(ref_point_create(ctx, 43, 43, false, &n), 0u);  // (21.5, 21.5): grid (20, 20), then the line x = 21
    EXPECT_EQ(point_at(n).x, 21);
    EXPECT_EQ(point_at(n).y, 20);
    EXPECT_TRUE(point_flags_of(n) & point_flag_show_number);
}

TEST_F(Points, AuxLineToolEdgeCases) {
    point(1, 10, 10);
    point(2, 30, 20);
    PointCopy p1, p2;
    ASSERT_TRUE(point_read(df, proj(), 1, &p1));
    ASSERT_TRUE(point_read(df, proj(), 2, &p2));
    AuxLineTool tool;
    tool.mode = aux_mode_two_points;
    tool.anchored = true;
    // The same point twice: the pending line goes.
    EXPECT_EQ(aux_line_click(tool, ctx, p1, nullptr), 1);
    EXPECT_EQ(aux_lines().size(), 1u);
    EXPECT_EQ(aux_line_click(tool, ctx, p1, nullptr), 0);
    EXPECT_TRUE(aux_lines().empty());
    // Two points: an anchored line through both.
    aux_line_click(tool, ctx, p1, nullptr);
    EXPECT_EQ(aux_line_click(tool, ctx, p2, nullptr), 1);
    ASSERT_EQ(aux_lines().size(), 1u);
    Bytes line = aux_lines()[0];
    EXPECT_EQ(get_point2(line.data(), aux_line_x2).x, 30);
    EXPECT_EQ(get_u32(line.data(), aux_line_anchor1), 1u);
    EXPECT_EQ(get_u32(line.data(), aux_line_anchor2), 2u);
    EXPECT_EQ(tool.pending, 0u);
    // The second point in another projection: the pending line is deleted
    // from the first one.
    aux_line_click(tool, ctx, p1, nullptr);
    Bytes other(projection_record_max, 0);
    put_u32(other.data(), record_key, 2);
    PointContext ctx2 = ctx;
    ctx2.projection = other.data();
    uint32_t asked_projection = 0;
    EXPECT_EQ(aux_line_click(tool, ctx2, p2, [&](uint32_t pr, RecordRef) {
                  asked_projection = pr;
                  aux_line_drop_pending(tool, ctx);
              }),
              0);
    EXPECT_EQ(asked_projection, 1u);
    EXPECT_EQ(aux_lines().size(), 1u);
    // A free horizontal line has no anchors and does not follow its point.
    tool.mode = aux_mode_horizontal;
    tool.anchored = false;
    aux_line_click(tool, ctx, p1, nullptr);
    line = aux_lines().back();
    EXPECT_EQ(get_u32(line.data(), aux_line_anchor1), 0u);
    EXPECT_EQ(get_point2(line.data(), aux_line_x2).x, 11);
    p1.set_sketch({50, 50});
    aux_lines_follow_point(ctx, p1, false);
    EXPECT_EQ(get_point2(aux_lines().back().data(), aux_line_x1).y, 10);
    // ...while the anchored two-point line took its end along.
    EXPECT_EQ(get_point2(aux_lines().front().data(), aux_line_x1).x, 50);
    // A point that takes no dimension is refused while lines are anchored.
    tool.anchored = true;
    PointCopy p3 = p2;
    p3.set_flags(point_flag_no_dimension);
    events.clear();
    EXPECT_EQ(aux_line_click(tool, ctx, p3, nullptr), -1);
    EXPECT_EQ(events, (std::vector<std::string>{"На эту точку ставить размер нельзя!"}));
    // Alt+click with the tool: the lines near the point go (the free line
    // still through it), the point stays.
    EXPECT_EQ(aux_lines_delete_near(ctx, {10, 10}), 1);
    EXPECT_EQ(aux_lines().size(), 1u);
    EXPECT_TRUE(has_point(1));
}

}  // namespace
