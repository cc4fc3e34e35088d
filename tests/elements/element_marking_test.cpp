// Marking at the image stage: which element a click takes, contours and
// fragments marked whole, the rubber band, the marked list; the layer
// records; the contour name and line type; the fold checks.
#include "tests/elements/elements_fixture.h"

#include "stages/points_elements/element_layers.h"
#include "stages/points_elements/element_marking.h"
#include "stages/points_elements/marking_contours.h"

using namespace elements_test;

namespace {

class Marking : public ElementsTest {
protected:
    ContourHooks hooks;
    void SetUp() override {
        ElementsTest::SetUp();
        put_u32(df->header, 92, 0xFFFFFFFF);
    }
    // An element with its coordinates filled from the given positions.
    static Bytes placed(int kind, std::vector<uint32_t> pts, std::vector<Point2> at, int line_type = 1) {
        Bytes r = fixed(kind, pts, line_type);
        uint32_t c = element_coords_offset(kind);
        for (size_t i = 0; i < at.size(); ++i) put_point2(r.data(), c + 16 * static_cast<uint32_t>(i), at[i]);
        return r;
    }
    uint16_t flags_of(uint32_t n) { return get_u16(stored(n).data(), element_flags); }
    bool marked(uint32_t n) { return (flags_of(n) & element_flag_marked) != 0; }
    void mark(uint32_t n) { element_number_set_mark(df, proj(), n, true); }
    uint32_t contour_of(std::vector<uint32_t> members, int kind = 0) {
        for (uint32_t n : members) mark(n);
        unsigned char* p = proj();
        return contour_create_from_marked(df, &p, kind, hooks);
    }
    void set_u16(uint32_t n, uint32_t at, uint16_t v) {
        PageBuffer* b = &page_buffers[table_elements];
        for (uint8_t* r = record_next(df, head(projection_elements), nullptr, b); r;
             r = record_next(df, head(projection_elements), r, b))
            if (get_u32(r, element_number) == n) put_u16(r, at, v);
        b->clean = 0;
    }
};

TEST_F(Marking, HitTestTakesTheNearestVisibleSelectableElement) {
    // A horizontal line y = 0 from 0 to 10, a circle of radius 5 about
    // (20, 0), an arc with centre (40, 0) from (35, 0) to (45, 0): arcs run
    // by decreasing angle, so through (40, 5).
    add(placed(1, {1, 2}, {{0, 0}, {10, 0}}), 11);
    add(placed(2, {3, 4}, {{25, 0}, {20, 0}}), 12);
    add(placed(3, {5, 6, 7}, {{35, 0}, {45, 0}, {40, 0}}), 13);
    struct Case { Point2 p; double reach; uint32_t want; } cases[] = {
        {{5, 0.4}, 1, 11},     // above the line
        {{20, 5.3}, 1, 12},    // above the circle's top
        {{20, 0}, 1, 0},       // the circle's centre is 5 away
        {{40, 5.2}, 1, 13},    // the arc's top
        {{40, -5}, 1, 0},      // where the lower half would be
        {{12, 0}, 1, 0},       // beyond the line's end
        {{12, 0}, 3, 11},      // ... within a larger reach
    };
    for (const Case& c : cases)
        EXPECT_EQ(element_hit_test(df, proj(), c.p, c.reach, layer_mask_all), c.want) << c.p.x << "," << c.p.y;
    // Hidden layer, a screened source and an inside screening piece are not
    // taken.
    set_u16(11, element_options, 3 << 13);
    EXPECT_EQ(element_hit_test(df, proj(), {5, 0.4}, 1, 0x0001), 0u);
    EXPECT_EQ(element_hit_test(df, proj(), {5, 0.4}, 1, 0x0008), 11u);
    set_u16(12, element_flags, static_cast<uint16_t>(2 | (1 << 4) | element_flag_screened));
    EXPECT_EQ(element_hit_test(df, proj(), {20, 5.3}, 1, layer_mask_all), 0u);
    set_u16(12, element_flags, static_cast<uint16_t>(2 | (1 << 4) | 0x2000));
    EXPECT_EQ(element_hit_test(df, proj(), {20, 5.3}, 1, layer_mask_all), 0u);
}

TEST_F(Marking, CurvePiecesAndImagesAreFoundAndMarkedWithTheirSource) {
    // An ellipse (kind 10) drawn through its kind-5 image of the same number.
    add(fixed(10, {1, 2, 3}), 20);
    Bytes image(16 + 36 * 2, 0);
    put_u16(image.data(), record_length, static_cast<uint16_t>(image.size()));
    put_u16(image.data(), element_flags, 5 | (1 << 4) | element_flag_generated);
    put_u16(image.data(), element_options, element_opt_image);
    put_i16(image.data(), curve_count, 2);
    // One straight piece from (0, 10) to (10, 10), its through point on it.
    put_point2(image.data(), curve_vertices + 4, {0, 10});
    put_point2(image.data(), curve_vertices + 20, {5, 10});
    put_point2(image.data(), curve_vertices + 36 + 4, {10, 10});
    add(image, 20);
    EXPECT_EQ(element_hit_test(df, proj(), {5, 10.3}, 1, layer_mask_all), 20u);
    MarkOutcome o = element_mark_click(df, proj(), 20, false);
    EXPECT_TRUE(o.marked);
    for (const Bytes& r : all(20)) EXPECT_TRUE(get_u16(r.data(), element_flags) & element_flag_marked);
    // The list names the source once, never the image.
    std::vector<MarkedLine> lines = marked_element_lines(df, proj());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].number, 20u);
    EXPECT_EQ(lines[0].text, "20 эллипс - Сплошная основная");
    // A second click unmarks every record.
    element_mark_click(df, proj(), 20, false);
    for (const Bytes& r : all(20)) EXPECT_FALSE(get_u16(r.data(), element_flags) & element_flag_marked);
}

TEST_F(Marking, AContourMemberBringsItsInnermostContourUnlessShiftIsHeld) {
    for (uint32_t n = 11; n <= 14; ++n) add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), n);
    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 15);  // a loose element, marked before
    uint32_t outer = contour_of({11, 12, 13});
    uint32_t inner = contour_of({12, 13});
    ASSERT_TRUE(outer && inner);
    mark(15);
    MarkOutcome o = element_mark_click(df, proj(), 12, false);
    EXPECT_TRUE(o.marked);
    EXPECT_EQ(o.contour, inner);
    EXPECT_EQ(o.contour_level, 4);
    EXPECT_EQ(o.contour_kind, 0);
    EXPECT_TRUE(marked(12) && marked(13));
    EXPECT_FALSE(marked(11));
    EXPECT_FALSE(marked(15)) << "marks are cleared before a contour is marked";
    uint32_t c = 0;
    EXPECT_TRUE(marked_contour_member(df, proj(), &c));
    EXPECT_EQ(c, inner);
    // Shift: the one element only, other marks kept.
    elements_unmark_all(df, proj());
    mark(15);
    o = element_mark_click(df, proj(), 11, true);
    EXPECT_EQ(o.contour, 0u);
    EXPECT_TRUE(marked(11) && marked(15));
    EXPECT_FALSE(marked(12));
}

// A pick by the pick marker: the paint has marked the clicked record
// already, and the mark it gave is what the element and its contour get
// (a click would turn the mark back).
TEST_F(Marking, AMarkGivenByThePaintIsSpreadNotTurned) {
    for (uint32_t n = 11; n <= 13; ++n) add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), n);
    uint32_t inner = contour_of({12, 13});
    ASSERT_TRUE(inner);
    mark(12);
    MarkOutcome o = element_mark_set(df, proj(), 12, true, false);
    EXPECT_TRUE(o.marked);
    EXPECT_EQ(o.contour, inner);
    EXPECT_TRUE(marked(12) && marked(13));
    EXPECT_FALSE(marked(11));
    o = element_mark_set(df, proj(), 12, false, false);
    EXPECT_FALSE(o.marked);
    EXPECT_FALSE(marked(12));
}

TEST_F(Marking, AStaleMemberFlagIsDroppedAndAFragmentIsMarkedWhole) {
    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 11);
    set_u16(11, element_flags, static_cast<uint16_t>(1 | (1 << 4) | element_flag_contour_member));
    MarkOutcome o = element_mark_click(df, proj(), 11, false);
    EXPECT_FALSE(o.marked);
    EXPECT_EQ(flags_of(11) & (element_flag_contour_member | element_flag_marked), 0);

    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 21);
    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 22);
    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 23);
    set_u16(21, element_fragment, 3);
    set_u16(22, element_fragment, 3);
    set_u16(23, element_fragment, 4);
    o = element_mark_click(df, proj(), 22, false);
    EXPECT_EQ(o.fragment, 3);
    EXPECT_TRUE(marked(21) && marked(22));
    EXPECT_FALSE(marked(23));
    EXPECT_TRUE(marked_fragment_element(df, proj()));
}

TEST_F(Marking, TheBandTakesWhatItsSidesCrossOrWhatStartsInside) {
    Box box{0, 0, 10, 10};
    add(placed(1, {1, 2}, {{-5, 5}, {5, 5}}), 11);     // crosses the left side
    add(placed(1, {1, 2}, {{2, 2}, {3, 3}}), 12);      // wholly inside
    add(placed(1, {1, 2}, {{20, 0}, {30, 0}}), 13);    // outside
    add(placed(2, {3, 4}, {{105, 5}, {5, 5}}), 14);    // circle around the box
    add(placed(2, {3, 4}, {{12, 5}, {5, 5}}), 15);     // circle crossing all sides
    add(placed(3, {5, 6, 7}, {{6, 0}, {14, 0}, {10, 0}}), 16);  // through (10, 4): crosses x = 10
    add(placed(3, {5, 6, 7}, {{16, 0}, {24, 0}, {20, 0}}), 17);  // arc beyond the box
    EXPECT_EQ(elements_mark_in_box(df, proj(), box, layer_mask_all, true), 4);
    EXPECT_TRUE(marked(11) && marked(12) && marked(15) && marked(16));
    EXPECT_FALSE(marked(13) || marked(14) || marked(17));
}

TEST_F(Marking, NextLevelMarksOddElementLevelsAndEvenContourLevels) {
    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 11);
    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 12);
    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 13);
    set_u16(13, element_level, 3);
    uint32_t c = contour_of({12});
    uint32_t shown = 0;
    EXPECT_EQ(mark_level(df, proj(), 1, &shown), 1);  // level 0 counts as 1
    EXPECT_TRUE(marked(11));
    elements_unmark_all(df, proj());
    EXPECT_GT(mark_level(df, proj(), 2, &shown), 0);
    EXPECT_EQ(shown, c);
    EXPECT_TRUE(marked(12));
    EXPECT_FALSE(marked(11) || marked(13));
    elements_unmark_all(df, proj());
    EXPECT_EQ(mark_level(df, proj(), 3, &shown), 1);
    EXPECT_TRUE(marked(13));
    EXPECT_EQ(mark_level(df, proj(), 4, &shown), 0);
}


TEST_F(Marking, TheCurrentLineTypeGoesToTheMarkedElementsByTheKindRules) {
    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 11);
    add(fixed(6, {1, 2, 3}), 12);   // wavy line: never above 2
    add(fixed(8, {1, 2}), 13);      // view break: never 7
    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 14);  // not marked
    struct Case { int code; int want11, want12, want13; } cases[] = {
        {7, 7, 2, 2}, {3, 3, 2, 3}, {0, 0, 0, 0}, {15, 15, 2, 15}};
    for (const Case& c : cases) {
        mark(11);
        mark(12);
        mark(13);
        marked_apply_line_type(df, proj(), c.code);
        EXPECT_EQ(element_line_type(stored(11).data()), c.want11) << c.code;
        EXPECT_EQ(element_line_type(stored(12).data()), c.want12) << c.code;
        EXPECT_EQ(element_line_type(stored(13).data()), c.want13) << c.code;
        EXPECT_EQ(element_line_type(stored(14).data()), 1);
        EXPECT_FALSE(marked(11) || marked(12) || marked(13));
    }
}

TEST_F(Marking, DeletingAllContoursKeepsHatchContoursAndTheElements) {
    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 11);
    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 12);
    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 13);
    uint32_t a = contour_of({11});
    contour_of({12, 13});
    uint32_t hatch = contour_of({13});
    // Make the third a hatch contour.
    PageBuffer* cb = &page_buffers[table_contours];
    for (uint8_t* c = record_next(df, head(projection_contours), nullptr, cb); c;
         c = record_next(df, head(projection_contours), c, cb))
        if (get_u32(c, contour_number) == hatch) put_u16(c, contour_flags, static_cast<uint16_t>((get_u16(c, contour_flags) & ~7) | 2));
    cb->clean = 0;
    Bytes piece = placed(1, {1, 2}, {{0, 0}, {1, 0}});
    put_u16(piece.data(), element_flags, 1 | (1 << 4) | 0x1000);
    add(piece, 11);
    Bytes brk = fixed(8, {1, 2});
    put_u32(brk.data(), element_break_contour, a);
    add(brk, 30);
    Bytes gone = placed(1, {1, 2}, {{0, 0}, {1, 0}});
    put_u16(gone.data(), element_flags, 1 | (1 << 4) | element_flag_purge | element_flag_contour_member);
    add(gone, 31);
    put_u16(proj(), projection_flags, 0x2000 | 0x0200);
    mark(12);
    EXPECT_EQ(contours_delete_all(df, proj()), 2);
    std::vector<uint32_t> left;
    for (uint8_t* c = record_next(df, head(projection_contours), nullptr, cb); c;
         c = record_next(df, head(projection_contours), c, cb))
        left.push_back(get_u32(c, contour_number));
    EXPECT_EQ(left, (std::vector<uint32_t>{hatch}));
    EXPECT_EQ(all(11).size(), 1u) << "the screening piece is deleted";
    EXPECT_TRUE(all(30).empty()) << "the break is deleted";
    for (uint32_t n : {11u, 12u, 13u}) {
        EXPECT_EQ(flags_of(n) & (element_flag_marked | element_flag_contour_member | element_flag_screened), 0) << n;
        EXPECT_EQ(get_u16(stored(n).data(), element_level), 0) << n;
    }
    EXPECT_TRUE(flags_of(31) & element_flag_contour_member) << "a record awaiting the purge is left alone";
    EXPECT_EQ(get_u16(proj(), projection_flags), 0x0200);
    EXPECT_EQ(get_u16(proj(), projection_highest_level), 0);
}

// ---------------------------------------------------------------- layers

TEST_F(Marking, LayerRecordsHaveTheirLayoutAndAreFoundByKindAndLayer) {
    EXPECT_EQ(layer_mask_read(df, proj(), 0x00FF), 0x00FF);
    ASSERT_TRUE(layer_mask_store(df, proj(), 0x0013));
    ASSERT_TRUE(layer_mask_store(df, proj(), 0x0007));  // rewrites, no second record
    // Black without a record stores nothing; a colour makes a record.
    ASSERT_TRUE(layer_colour_store(df, proj(), 2, 0));
    ASSERT_TRUE(layer_colour_store(df, proj(), 2, 0x00112233));  // R 0x33, G 0x22, B 0x11
    ASSERT_TRUE(layer_colour_store(df, proj(), 5, 0x000000FF));
    ASSERT_TRUE(layer_colour_store(df, proj(), 2, 0x00445566));
    std::vector<Bytes> recs;
    PageBuffer* b = &page_buffers[table_construction];
    for (uint8_t* r = record_next(df, head(projection_construction), nullptr, b); r;
         r = record_next(df, head(projection_construction), r, b))
        recs.emplace_back(r, r + get_u16(r, 0));
    ASSERT_EQ(recs.size(), 3u);
    int masks = 0, colours = 0;
    for (const Bytes& r : recs) {
        if (r[6] == 37) {
            ++masks;
            EXPECT_EQ(r, (Bytes{12, 0, 0, 0, 0, 0, 37, 0, 0x07, 0, 0, 0}));
        } else {
            ++colours;
            ASSERT_EQ(r[6], 39);
            ASSERT_EQ(r.size(), 10u);
            if (r[8] == 2) EXPECT_EQ(r, (Bytes{10, 0, 0x44, 0x55, 0x66, 0, 39, 0, 2, 0}));
            else EXPECT_EQ(r, (Bytes{10, 0, 0x00, 0x00, 0xFF, 0, 39, 0, 5, 0}));
        }
    }
    EXPECT_EQ(masks, 1);
    EXPECT_EQ(colours, 2);
    EXPECT_EQ(layer_mask_read(df, proj(), 0x00FF), 0x0007);
    EXPECT_EQ(layer_colour_read(df, proj(), 2), 0x00445566u);
    EXPECT_EQ(layer_colour_read(df, proj(), 5), 0x000000FFu);
    EXPECT_EQ(layer_colour_read(df, proj(), 3), 0u);
}

TEST_F(Marking, MarkedElementsMoveToALayerWithAllTheirRecords) {
    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 11);
    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 11);  // its screening piece
    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 12);
    set_u16(11, element_options, 0x0040);
    mark(11);
    EXPECT_FALSE(layer_has_elements(df, proj(), 4));
    EXPECT_EQ(layer_assign_marked(df, proj(), 4), 2);
    for (const Bytes& r : all(11)) EXPECT_EQ(get_u16(r.data(), element_options), 0x0040 | (4 << 13));
    EXPECT_EQ(element_layer(stored(12).data()), 0);
    EXPECT_TRUE(layer_has_elements(df, proj(), 4));
    // Switching layer 4 off unmarks its elements.
    EXPECT_EQ(layer_unmark_hidden(df, proj(), 0x00EF), 2);
    EXPECT_FALSE(marked(11));
}

TEST(ColourTyped, MadePositiveAndLimited) {
    struct Case { const char* text; int want; } cases[] = {
        {"0", 0}, {"128", 128}, {"-40", 40}, {"255", 255}, {"256", 255}, {"-999", 255}, {"", 0}, {"x", 0}};
    for (const Case& c : cases) EXPECT_EQ(colour_component_typed(c.text), c.want) << c.text;
}

// ---------------------------------------------------------------- contour fields and folds

TEST_F(Marking, ContourNameAndLineTypeAreStoredAndNamesDoNotClash) {
    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 11);
    add(placed(1, {1, 2}, {{0, 0}, {1, 0}}), 12);
    uint32_t a = contour_of({11});
    uint32_t b = contour_of({12}, 4);
    ASSERT_TRUE(contour_properties_store(df, proj(), a, 3, " Val1 "));
    int type = -1, kind = -1;
    std::string name;
    ASSERT_TRUE(contour_properties_read(df, proj(), a, &type, &name, &kind));
    EXPECT_EQ(type, 3);
    EXPECT_EQ(name, "Val1");
    EXPECT_EQ(kind, 0);
    EXPECT_TRUE(contour_name_taken(df, proj(), b, "Val1"));
    EXPECT_FALSE(contour_name_taken(df, proj(), a, "Val1")) << "its own name";
    EXPECT_FALSE(contour_name_taken(df, proj(), b, "   "));
    // The kind bits and the other flag bits stay.
    ASSERT_TRUE(contour_properties_read(df, proj(), b, &type, &name, &kind));
    EXPECT_EQ(kind, 4);
}

TEST(FoldWidths, ZeroBothAndDifferenceBeyondTheLength) {
    struct Case { double a, b, length; int want; } cases[] = {
        {2, 10, 5, 2}, {10, 2, 5, 2}, {0, 0, 5, 1}, {0, 0, 0, 1},
        {2, 6, 5, 0}, {2, 7, 5, 0}, {3, 3, 0.5, 0}, {0, 5, 5, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(fold_check_widths(c.a, c.b, c.length), c.want) << c.a << " " << c.b;
}

TEST_F(Marking, AFoldNeedsOneLineOfItsOwnAndAPointOfItsOwn) {
    point(1, 0, 0);
    point(2, 5, 0);
    point(3, 5, 5);
    point(4, 9, 9);
    add(placed(1, {1, 2}, {{0, 0}, {5, 0}}), 11);
    add(placed(1, {2, 3}, {{5, 0}, {5, 5}}), 12);
    add(placed(1, {3, 4}, {{5, 5}, {9, 9}}), 13);
    add(placed(2, {1, 2}, {{0, 0}, {5, 0}}), 14);
    uint32_t line = 0;
    uint32_t f1 = contour_of({11}, 6);
    EXPECT_EQ(fold_check_opening(df, proj(), f1, &line), fold_ok);
    EXPECT_EQ(line, 11u);
    EXPECT_DOUBLE_EQ(fold_line_length(df, proj(), f1), 5.0);
    uint32_t f2 = contour_of({11}, 6);
    EXPECT_EQ(fold_check_opening(df, proj(), f2, nullptr), fold_line_shared);
    contour_delete(df, proj(), f2);
    uint32_t f3 = contour_of({12}, 6);  // shares point 2 with the line of f1
    EXPECT_EQ(fold_check_opening(df, proj(), f3, nullptr), fold_point_shared);
    contour_delete(df, proj(), f3);
    uint32_t f4 = contour_of({12, 13}, 6);
    EXPECT_EQ(fold_check_opening(df, proj(), f4, nullptr), fold_not_one_line);
    contour_delete(df, proj(), f4);
    uint32_t f5 = contour_of({14}, 6);  // a circle
    EXPECT_EQ(fold_check_opening(df, proj(), f5, nullptr), fold_not_one_line);
    EXPECT_STREQ(fold_opening_message(fold_not_one_line), "Указателем складки может быть только одна прямая линия");

    FoldFields f;
    ASSERT_TRUE(fold_read(df, proj(), f1, &f));
    f.start = 2.5f;
    f.end = 4;
    f.flags = fold_flag_opened | fold_flag_end_left;
    f.name = "F1";
    ASSERT_TRUE(fold_store(df, proj(), f1, f));
    FoldFields g;
    ASSERT_TRUE(fold_read(df, proj(), f1, &g));
    EXPECT_EQ(g.start, 2.5f);
    EXPECT_EQ(g.end, 4.0f);
    EXPECT_EQ(g.flags, fold_flag_opened | fold_flag_end_left);
    EXPECT_EQ(g.name, "F1");
}

}  // namespace
