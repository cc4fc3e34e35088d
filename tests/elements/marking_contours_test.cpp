// Contours from marked elements, their descriptions, and the level rules of
// deleting a contour.
#include "tests/elements/elements_fixture.h"

#include "stages/points_elements/marking_contours.h"

#include "geometry/curve_images.h"

#include <algorithm>

using namespace elements_test;

TEST(ContourDescribe, TextsByKind) {
    struct Case { int kind, level; uint32_t number; double length; const char* want; } cases[] = {
        {0, 4, 9, 0, "Помечен охватывающий контур уровня  4, неопределённой длины"},
        {1, 2, 9, 0, "Помечен охватываемый контур уровня  2, неопределённой длины"},
        {4, 2, 12, 0, "Помечен маршрут  12, неопределённой длины"},
        {5, 2, 13, 25, "Помечена составная кривая 13"},
        {6, 2, 14, 0, "Помечена складка 14, неопределённой длины"},
    };
    for (const Case& c : cases) {
        std::string t = "Помечен";
        contour_describe(t, c.kind, c.level, c.number, c.length);
        EXPECT_EQ(t, c.want) << c.kind;
    }
    std::string t = "Показан";
    contour_describe(t, 4, 2, 3, 12.5);
    EXPECT_EQ(t.rfind("Показан маршрут  3, длиной ", 0), 0u) << t;
    EXPECT_EQ(t.substr(t.size() - 3), " мм");
    t = "Удален";
    contour_describe(t, 0, 2, 3, 40);
    EXPECT_NE(t.find(", длина периметра "), std::string::npos) << t;
}

class Contours : public ElementsTest {
protected:
    ContourHooks hooks;
    std::vector<std::string> messages;
    void SetUp() override {
        ElementsTest::SetUp();
        hooks.message = [this](const char* t) { messages.push_back(t); };
        put_u32(df->header, 92, 0xFFFFFFFF);
        point(1, 0, 0);
        point(2, 10, 0);
        point(3, 10, 10);
    }
    void mark(uint32_t n) {
        PageBuffer* b = &page_buffers[table_elements];
        for (uint8_t* r = record_next(df, head(projection_elements), nullptr, b); r;
             r = record_next(df, head(projection_elements), r, b))
            if (get_u32(r, element_number) == n) {
                put_u16(r, element_flags, static_cast<uint16_t>(get_u16(r, element_flags) | element_flag_marked));
                b->clean = 0;
            }
    }
    uint32_t contour_of(std::vector<uint32_t> marked, int kind = 0) {
        for (uint32_t n : marked) mark(n);
        unsigned char* p = proj();
        return contour_create_from_marked(df, &p, kind, hooks);
    }
    int level_of_contour(uint32_t n) {
        int level = -1;
        contour_member_list(df, proj(), n, nullptr, nullptr, &level);
        return level;
    }
    int element_level_of(uint32_t n) { return get_u16(stored(n).data(), element_level); }
};

TEST_F(Contours, CreationFlagsMembersOnceAndRaisesTheLevel) {
    add(fixed(1, {1, 2}), 11);
    add(fixed(1, {2, 3}), 12);
    Bytes piece = fixed(1, {1, 2});
    put_u16(piece.data(), element_flags, static_cast<uint16_t>(get_u16(piece.data(), element_flags) | 0x1000));
    add(piece, 11);   // a screening piece of 11
    uint32_t c = contour_of({11, 12});
    ASSERT_NE(c, 0u);
    std::vector<uint32_t> members;
    int kind = -1, level = -1;
    ASSERT_TRUE(contour_member_list(df, proj(), c, &members, &kind, &level));
    EXPECT_EQ(members, (std::vector<uint32_t>{11, 12}));
    EXPECT_EQ(kind, 0);
    EXPECT_EQ(level, 2);
    EXPECT_EQ(get_u16(proj(), 102), 2);
    for (const Bytes& r : chain()) {
        EXPECT_TRUE(get_u16(r.data(), element_flags) & element_flag_contour_member);
        EXPECT_FALSE(get_u16(r.data(), element_flags) & element_flag_marked);
        EXPECT_EQ(get_u16(r.data(), element_level), 2);
    }
    EXPECT_EQ(get_u32(df->header, 88), c);
}

TEST_F(Contours, UsedUpContourNumbersStoreNothingAndFlagNothing) {
    add(fixed(1, {1, 2}), 11);
    put_u32(df->header, 88, 40);
    put_u32(df->header, 92, 41);
    EXPECT_EQ(contour_of({11}), 0u);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Слишком много контуров");
    Bytes e = stored(11);
    EXPECT_FALSE(get_u16(e.data(), element_flags) & element_flag_contour_member);
    EXPECT_EQ(get_u16(e.data(), element_level), 0);
    EXPECT_EQ(get_u32(df->header, 88), 40u);
}

TEST_F(Contours, DeletingTheMiddleLevelMovesTheOthersDown) {
    add(fixed(1, {1, 2}), 11);
    add(fixed(1, {2, 3}), 12);
    add(fixed(1, {3, 1}), 13);
    add(fixed(1, {1, 3}), 14);
    uint32_t c2 = contour_of({11});
    uint32_t c4 = contour_of({12});
    uint32_t c6 = contour_of({13});
    ASSERT_EQ(level_of_contour(c2), 2);
    ASSERT_EQ(level_of_contour(c4), 4);
    ASSERT_EQ(level_of_contour(c6), 6);
    // A loose element between the levels 4 and 6.
    {
        PageBuffer* b = &page_buffers[table_elements];
        for (uint8_t* r = record_next(df, head(projection_elements), nullptr, b); r;
             r = record_next(df, head(projection_elements), r, b))
            if (get_u32(r, element_number) == 14) put_u16(r, element_level, 5), b->clean = 0;
    }
    EXPECT_EQ(contour_delete(df, proj(), c4), 4);
    struct Want { uint32_t element; int level; bool member; } wants[] = {
        {11, 2, true}, {12, 4, false}, {13, 4, true}, {14, 3, false},
    };
    for (const Want& w : wants) {
        Bytes e = stored(w.element);
        EXPECT_EQ(get_u16(e.data(), element_level), w.level) << w.element;
        EXPECT_EQ((get_u16(e.data(), element_flags) & element_flag_contour_member) != 0, w.member) << w.element;
    }
    EXPECT_EQ(level_of_contour(c2), 2);
    EXPECT_EQ(level_of_contour(c6), 4);
    EXPECT_FALSE(contour_member_list(df, proj(), c4, nullptr, nullptr, nullptr));
    // The highest level is what remains (4), so the next contour gets 6 and
    // meets no other contour's level.
    EXPECT_EQ(get_u16(proj(), 102), 4);
    uint32_t next = contour_of({14});
    EXPECT_EQ(level_of_contour(next), 6);
}

TEST_F(Contours, DeletingTheOnlyContourFreesItsMembers) {
    add(fixed(1, {1, 2}), 11);
    uint32_t c = contour_of({11}, 4);
    EXPECT_EQ(contour_delete(df, proj(), c), 2);
    EXPECT_FALSE(get_u16(stored(11).data(), element_flags) & element_flag_contour_member);
    EXPECT_EQ(contour_delete(df, proj(), c), 0);
}

TEST_F(Contours, ALongContourIsChunkedAndGrowsWhenAMemberIsSplit) {
    for (uint32_t n = 1; n <= 500; ++n) add(fixed(1, {1, 2}), 1000 + n);
    for (uint32_t n = 1; n <= 500; ++n) mark(1000 + n);
    unsigned char* p = proj();
    uint32_t c = contour_create_from_marked(df, &p, 4, hooks);
    ASSERT_NE(c, 0u);
    int records = 0;
    PageBuffer* b = &page_buffers[table_contours];
    for (uint8_t* r = record_next(df, head(projection_contours), nullptr, b); r;
         r = record_next(df, head(projection_contours), r, b))
        ++records;
    EXPECT_EQ(records, 2);
    contours_add_split_element(df, proj(), 1250, 5000);
    std::vector<uint32_t> members;
    ASSERT_TRUE(contour_member_list(df, proj(), c, &members, nullptr, nullptr));
    ASSERT_EQ(members.size(), 501u);
    EXPECT_EQ(members.front(), 1001u);
    EXPECT_EQ(members[489], 1490u);
    EXPECT_EQ(members[499], 1500u);
    EXPECT_EQ(members.back(), 5000u);
    int level = 0;
    EXPECT_EQ(contour_innermost_of_element(df, proj(), 5000, &level), c);
    EXPECT_EQ(level, 2);
}

TEST_F(Contours, LevelDistributionTable) {
    struct Case {
        const char* what;
        uint32_t near_element;
        bool near_single;
        uint32_t far_element;
        bool far_single;
        int changed;
        int level_11, level_12, level_13, level_14;  // after
        int contour_a, contour_b;
    } cases[] = {
        {"loose element before a far contour", 13, true, 12, false, 1, 2, 4, 5, 0, 2, 4},
        {"loose element before a loose one", 13, true, 14, true, 1, 2, 4, 1, 0, 2, 4},
        {"near contour behind a farther one", 11, false, 12, false, 1, 4, 2, 0, 0, 4, 2},
        {"near contour already in front", 12, false, 11, false, 0, 2, 4, 0, 0, 2, 4},
        {"far element alone behind a near contour", 11, false, 14, true, 1, 2, 4, 0, 1, 2, 4},
    };
    for (const Case& c : cases) {
        Bytes fresh(projection_record_max, 0);
        projection = fresh;
        add(fixed(1, {1, 2}), 11);
        add(fixed(1, {2, 3}), 12);
        add(fixed(1, {3, 1}), 13);
        add(fixed(1, {1, 3}), 14);
        uint32_t a = contour_of({11});
        uint32_t b = contour_of({12});
        ASSERT_EQ(level_of_contour(a), 2);
        ASSERT_EQ(level_of_contour(b), 4);
        mark(c.near_element);
        EXPECT_EQ(distribute_levels(df, proj(), c.near_element, c.near_single, c.far_element, c.far_single), c.changed)
            << c.what;
        EXPECT_EQ(element_level_of(11), c.level_11) << c.what;
        EXPECT_EQ(element_level_of(12), c.level_12) << c.what;
        EXPECT_EQ(element_level_of(13), c.level_13) << c.what;
        EXPECT_EQ(element_level_of(14), c.level_14) << c.what;
        EXPECT_EQ(level_of_contour(a), c.contour_a) << c.what;
        EXPECT_EQ(level_of_contour(b), c.contour_b) << c.what;
        if (c.changed) {
            EXPECT_FALSE(get_u16(stored(c.near_element).data(), element_flags) & element_flag_marked) << c.what;
            EXPECT_GE(get_u16(proj(), 102), std::max({c.contour_a, c.contour_b, c.level_13, c.level_14})) << c.what;
            EXPECT_EQ(get_u16(proj(), 102) % 2, 0) << c.what;
        }
    }
}

TEST_F(Contours, DeletingAMarkedCurveImageDeletesItsSourceAndItsContour) {
    point(4, 30, 0);
    point(5, 20, 8);
    Bytes ellipse = fixed(10, {1, 2, 5});
    put_point2(ellipse.data(), 26, Point2{15, 0});   // on the ellipse, end of the first axis
    put_point2(ellipse.data(), 42, Point2{5, 3});    // on the ellipse, end of the second axis
    put_point2(ellipse.data(), 58, Point2{5, 0});    // centre
    add(ellipse, 21);
    add(fixed(1, {1, 2}), 22);
    ASSERT_NE(build_ellipse_image(proj(), 21, 1), 0u);
    ASSERT_EQ(all(21).size(), 2u);
    uint32_t c = contour_of({22});
    // Mark only the image of 21, and line 22.
    PageBuffer* b = &page_buffers[table_elements];
    for (uint8_t* r = record_next(df, head(projection_elements), nullptr, b); r;
         r = record_next(df, head(projection_elements), r, b))
        if (get_u32(r, element_number) == 21 && (get_u16(r, element_options) & element_opt_image)) {
            put_u16(r, element_flags, static_cast<uint16_t>(get_u16(r, element_flags) | element_flag_marked));
            b->clean = 0;
        }
    mark(22);
    int checkpoints = 0;
    DeletionHooks dh;
    dh.checkpoint = [&](unsigned char* p) { ++checkpoints; return p; };
    unsigned char* p = proj();
    EXPECT_EQ(delete_marked_elements(df, &p, false, dh), 2);
    EXPECT_EQ(checkpoints, 1);
    EXPECT_TRUE(all(21).empty());
    EXPECT_TRUE(all(22).empty());
    EXPECT_FALSE(element_number_is_used(21));
    EXPECT_FALSE(contour_member_list(df, proj(), c, nullptr, nullptr, nullptr));
    EXPECT_TRUE(get_u16(proj(), 98) & 0x0200);
    // Nothing marked: nothing deleted, no checkpoint.
    EXPECT_EQ(delete_marked_elements(df, &p, false, dh), 0);
    EXPECT_EQ(checkpoints, 1);
}

TEST_F(Contours, AssigningAVisibilityLevel) {
    struct Typed { int typed, highest, used; } typed[] = {{0, 4, 1}, {7, 4, 6}, {3, 4, 3}, {4, 4, 4}};
    for (const Typed& t : typed) EXPECT_EQ(visibility_level_typed(t.typed, t.highest), t.used) << t.typed;
    add(fixed(1, {1, 2}), 11);
    add(fixed(1, {2, 3}), 12);
    add(fixed(1, {3, 1}), 13);
    add(fixed(1, {1, 3}), 14);
    add(symbol(1, {1}), 15);
    uint32_t a = contour_of({11});
    uint32_t b = contour_of({12});
    // Level 4: the loose element gets 3, the whole contour A moves to 4 and
    // B makes room above it; the unmarked element and the image keep theirs.
    mark(13);
    mark(11);
    mark(15);
    EXPECT_EQ(assign_visibility_level(df, proj(), 4), 2);
    EXPECT_EQ(element_level_of(13), 3);
    EXPECT_EQ(element_level_of(11), 4);
    EXPECT_EQ(level_of_contour(a), 4);
    EXPECT_EQ(level_of_contour(b), 6);
    EXPECT_EQ(element_level_of(12), 6);
    EXPECT_EQ(element_level_of(14), 0);
    EXPECT_EQ(element_level_of(15), 0);
    EXPECT_EQ(get_u16(proj(), 102), 6);
    // An odd level: elements take it, whole contours the level above.
    EXPECT_EQ(assign_visibility_level(df, proj(), 5), 2);
    EXPECT_EQ(element_level_of(13), 5);
    EXPECT_EQ(level_of_contour(a), 6);
}

