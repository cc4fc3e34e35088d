// Element input: click sequences per state and the records they store,
// refusals and the prompt kept aside, the curve's largest point count, the
// Bezier control-point rules.
#include "tests/elements/elements_fixture.h"

#include "stages/points_elements/element_input.h"
#include "stages/points_elements/marking_contours.h"

using namespace elements_test;

class Input : public ElementsTest {
protected:
    ElementInput in;
    ElementInputHooks hooks;
    std::vector<std::string> prompts, messages;
    int saves = 0, checkpoints = 0;
    std::vector<uint32_t> stored_numbers;
    void SetUp() override {
        ElementsTest::SetUp();
        current_line_type = 1;
        hooks.prompt = [this](const char* t) { prompts.push_back(t); };
        hooks.message = [this](const char* t) { messages.push_back(t); };
        hooks.save = [this] { ++saves; };
        hooks.stored = [this](unsigned char*, uint32_t n) { stored_numbers.push_back(n); };
        hooks.store.checkpoint = [this](unsigned char* p) { ++checkpoints; return p; };
        for (uint32_t n = 1; n <= 9; ++n) point(n, 10.0 * n, n % 2 ? 0.0 : 7.0);
        point(20, 5, 40);   // for the curve tests
    }
    Bytes point_record(uint32_t n) {
        RecordRef from = 0;
        unsigned char* r = record_find_key(df, head(projection_points), n, &from, &page_buffers[table_points]);
        EXPECT_NE(r, nullptr);
        return r ? Bytes(r, r + point_record_size) : Bytes(point_record_size, 0);
    }
    int click(uint32_t n, bool ctrl = false) {
        Bytes p = point_record(n);
        unsigned char* pr = proj();
        return element_input_click(in, df, &pr, p.data(), ctrl, hooks);
    }
    void set_flags2(uint32_t n, uint8_t bits) {
        RecordRef from = 0;
        unsigned char* r = record_find_key(df, head(projection_points), n, &from, &page_buffers[table_points]);
        ASSERT_NE(r, nullptr);
        r[point_flags2] = bits;
        page_buffers[table_points].clean = 0;
    }
};

TEST_F(Input, ClickSequencesStoreTheElementOfEachState) {
    struct Case {
        int state;
        std::vector<uint32_t> clicks;
        int kind;
        std::vector<uint32_t> points;   // as stored from +14
        size_t length;
    } cases[] = {
        {input_line, {1, 1, 2}, 1, {1, 2}, 54},
        {input_circle, {3, 4}, 2, {3, 4}, 54},
        {input_arc_centre, {1, 2, 1, 2, 3}, 3, {1, 2, 3}, 74},
        {input_arc_points, {4, 5, 6}, 4, {4, 5, 6}, 74},
        {input_wavy, {1, 2, 3}, 6, {1, 2, 3}, 74},
        {input_ellipse, {1, 3, 2}, 10, {1, 3, 2}, 74},
        // The end of the arc on its start drops the start too.
        {input_elliptic_arc, {1, 3, 2, 4, 4, 4, 5}, 9, {1, 3, 2, 4, 5}, 114},
    };
    for (const Case& c : cases) {
        element_input_choose(in, c.state, hooks);
        stored_numbers.clear();
        for (uint32_t p : c.clicks) click(p);
        ASSERT_EQ(stored_numbers.size(), 1u) << "state " << c.state;
        Bytes r = stored(stored_numbers[0]);
        ASSERT_EQ(r.size(), c.length) << "state " << c.state;
        EXPECT_EQ(element_kind(r.data()), c.kind);
        EXPECT_EQ(element_line_type(r.data()), 1);
        if (c.kind == 6) {
            EXPECT_FALSE(image_of(stored_numbers[0]).empty());
        }
        uint32_t coords = element_coords_offset(c.kind);
        for (size_t i = 0; i < c.points.size(); ++i) {
            EXPECT_EQ(get_u32(r.data(), 14 + 4 * i), c.points[i]) << "state " << c.state << " point " << i;
            Point2 want = point_at(c.points[i]);
            EXPECT_EQ(get_f64(r.data(), coords + 16 * i), want.x);
            EXPECT_EQ(get_f64(r.data(), coords + 16 * i + 8), want.y);
        }
        EXPECT_EQ(in.step, 0);
        EXPECT_EQ(in.state, c.state);   // the state waits for the next element
    }
    EXPECT_TRUE(get_u16(proj(), 98) & 0x0200);
}

TEST_F(Input, ARefusedPointKeepsThePromptAsideUntilTheNextAcceptedOne) {
    element_input_choose(in, input_line, hooks);
    int saves_before = saves;
    EXPECT_EQ(click(1), 1);
    EXPECT_EQ(click(1), 0);
    EXPECT_EQ(in.step, 1);
    EXPECT_EQ(prompts.back(), "Эту точку использовать нельзя!");
    EXPECT_EQ(click(1), 0);
    EXPECT_EQ(click(2), 2);
    // The element's prompt came back before the element was stored.
    EXPECT_NE(std::find(prompts.rbegin(), prompts.rend(), std::string("*две точки на прямой линии")), prompts.rend());
    EXPECT_EQ(prompts.back(), "*две точки на прямой линии");
    EXPECT_EQ(saves, saves_before + 1);   // the input is reset by a cancel, which saves
    EXPECT_EQ(checkpoints, 1);
}

TEST_F(Input, ChoosingAnotherToolDiscardsThePartialElement) {
    element_input_choose(in, input_arc_centre, hooks);
    click(1);
    click(2);
    int saves_before = saves;
    element_input_choose(in, input_line, hooks);
    EXPECT_EQ(saves, saves_before + 1);
    EXPECT_EQ(in.step, 0);
    EXPECT_TRUE(chain().empty());
    EXPECT_EQ(prompts.back(), "*две точки на прямой линии");
}

TEST_F(Input, ASmoothCurveTakesAtMost55PointsAndKeepsThemOnRefusal) {
    for (uint32_t n = 100; n < 160; ++n) point(n, n * 3.0, (n % 3) * 4.0);
    element_input_choose(in, input_curve, hooks);
    for (uint32_t n = 100; n < 155; ++n) ASSERT_EQ(click(n), 1) << n;
    EXPECT_EQ(in.step, 55);
    EXPECT_EQ(click(155), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Много точек плавной кривой!");
    EXPECT_EQ(in.step, 55);
    unsigned char* p = proj();
    uint32_t number = finish_smooth_curve(in, df, &p, hooks);
    ASSERT_NE(number, 0u);
    Bytes c = stored(number);
    ASSERT_EQ(get_i16(c.data(), curve_count), 55);
    EXPECT_EQ(c.size(), 36u * 55);
    EXPECT_EQ(prompts.back(), "Плавная кривая закончилась. Вводите очередную");
    // Every piece ends on its vertices (through points recomputed).
    for (int i = 0; i + 1 < 55; ++i) {
        CurveVertex a = element_curve_vertex(c.data(), i), b = element_curve_vertex(c.data(), i + 1);
        EXPECT_EQ(a.point_number, static_cast<uint32_t>(100 + i));
        EXPECT_LT(arc_distance(4, a.point, b.point, a.through, b.point), 1e-9);
    }
    // A curve of one point is not stored.
    click(100);
    EXPECT_EQ(finish_smooth_curve(in, df, &p, hooks), 0u);
}

TEST_F(Input, BezierControlPointRules) {
    add(fixed(1, {7, 8}), 500);   // point 7 is used by a line
    set_flags2(9, 0x01);          // point 9 is already a control point
    struct Case {
        const char* what;
        std::vector<uint32_t> clicks;
        int step_after;
        const char* last_prompt;
    } cases[] = {
        {"third on a point used by a line", {1, 2, 7}, 2, "Эту точку использовать нельзя!"},
        {"third equal to the first", {1, 2, 1}, 2, "Недопустимое использование точки"},
        {"second equal to the first", {1, 1}, 1, "Недопустимое использование точки"},
        {"fourth equal to the third", {1, 2, 3, 3}, 3, "Эту точку использовать нельзя!"},
        {"a control point is taken again", {1, 2, 9}, 3, "*четыре точки на сплайне"},
    };
    for (const Case& c : cases) {
        element_input_choose(in, input_bezier, hooks);
        for (uint32_t p : c.clicks) click(p);
        EXPECT_EQ(in.step, c.step_after) << c.what;
        EXPECT_EQ(prompts.back(), c.last_prompt) << c.what;
    }
    // A control point as the first point is refused with a message.
    element_input_choose(in, input_bezier, hooks);
    messages.clear();
    EXPECT_EQ(click(9), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "%о использовать контрольную точку сплайна");
    error_flag = 0;
    // A whole spline: its control points get flagged, its image is built.
    stored_numbers.clear();
    for (uint32_t p : {1u, 2u, 3u, 4u}) click(p);
    ASSERT_EQ(stored_numbers.size(), 1u);
    EXPECT_EQ(point_record(3)[point_flags2] & 1, 1);
    EXPECT_EQ(point_record(4)[point_flags2] & 1, 1);
    EXPECT_EQ(point_record(1)[point_flags2] & 1, 0);
    EXPECT_FALSE(image_of(stored_numbers[0]).empty());
}

TEST_F(Input, TheLineTypeFollowsTheKindRules) {
    current_line_type = 3;
    element_input_choose(in, input_wavy, hooks);
    for (uint32_t p : {1u, 2u, 3u}) click(p);
    element_input_choose(in, input_line, hooks);
    for (uint32_t p : {1u, 2u}) click(p);
    ASSERT_EQ(stored_numbers.size(), 2u);
    EXPECT_EQ(element_line_type(stored(stored_numbers[0]).data()), 2);
    EXPECT_EQ(element_line_type(stored(stored_numbers[1]).data()), 3);
    current_line_type = 1;
}

TEST_F(Input, AViewBreakLiesOnTheContourOfAScreenWithInvisibleAndVisibleLines) {
    add(fixed(1, {1, 2}, 0), 11);   // invisible
    add(fixed(1, {2, 3}, 1), 12);   // visible
    add(fixed(1, {3, 4}, 1), 13);   // loose
    add(fixed(1, {5, 6}, 1), 14);   // on a screen without invisible lines
    for (uint32_t n : {11u, 12u, 14u}) {
        PageBuffer* b = &page_buffers[table_elements];
        for (uint8_t* r = record_next(df, head(projection_elements), nullptr, b); r;
             r = record_next(df, head(projection_elements), r, b))
            if (get_u32(r, element_number) == n && n != 14) {
                put_u16(r, element_flags, static_cast<uint16_t>(get_u16(r, element_flags) | element_flag_marked));
                b->clean = 0;
            }
    }
    put_u32(df->header, 92, 0xFFFFFFFF);
    ContourHooks ch;
    unsigned char* p = proj();
    uint32_t screen = contour_create_from_marked(df, &p, 0, ch);
    ASSERT_NE(screen, 0u);
    {
        PageBuffer* b = &page_buffers[table_elements];
        for (uint8_t* r = record_next(df, head(projection_elements), nullptr, b); r;
             r = record_next(df, head(projection_elements), r, b))
            if (get_u32(r, element_number) == 14) {
                put_u16(r, element_flags, static_cast<uint16_t>(get_u16(r, element_flags) | element_flag_marked));
                b->clean = 0;
            }
    }
    p = proj();
    ASSERT_NE(contour_create_from_marked(df, &p, 0, ch), 0u);
    hooks.break_gap = [] { return -7.5; };
    current_line_type = 7;   // a thread: a break takes the thin line instead
    element_input_choose(in, input_break, hooks);
    struct Step { uint32_t point; int result; } steps[] = {
        {4, 0},   // a loose line's end
        {6, 0},   // a screen without invisible lines
        {1, 1},
        {1, 0},   // the same point again
        {5, 0},   // not on the same contour
        {3, 2},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(click(s.point), s.result) << "point " << s.point;
        if (s.result == 0) {
            EXPECT_EQ(prompts.back(), s.point == 1 ? "Эту точку использовать нельзя!"
                                                   : "Помечаемая точка должна быть расположена на контуре разрыва")
                << "point " << s.point;
        }
    }
    ASSERT_EQ(stored_numbers.size(), 1u);
    Bytes r = stored(stored_numbers[0]);
    ASSERT_EQ(r.size(), 74u);
    EXPECT_EQ(element_kind(r.data()), 8);
    EXPECT_EQ(element_line_type(r.data()), 2);
    EXPECT_EQ(get_u32(r.data(), 14), 1u);
    EXPECT_EQ(get_u32(r.data(), 18), 3u);
    EXPECT_EQ(get_u32(r.data(), 54), screen);
    EXPECT_EQ(get_f64(r.data(), 66), 7.5);
    EXPECT_TRUE(get_u16(proj(), 98) & 0x2000);
    PageBuffer* cb = &page_buffers[table_contours];
    for (uint8_t* c = record_next(df, head(projection_contours), nullptr, cb); c;
         c = record_next(df, head(projection_contours), c, cb))
        EXPECT_EQ((get_u16(c, 66) & 0x80) != 0, get_u32(c, 2) == screen);
    current_line_type = 1;
}
