// Contours from marked elements, their descriptions, and the level rules of
// deleting a contour.
#include "tests/elements/elements_fixture.h"

#include "stages/points_elements/marking_contours.h"

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
