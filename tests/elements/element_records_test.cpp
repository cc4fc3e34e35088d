// Element records: layouts by kind, point lists, names and line types, the
// walk over the elements of a point, and storing a new element.
#include "tests/elements/elements_fixture.h"

#include "render/output/element_drawing.h"

#include <cstring>
#include <string>

using namespace elements_test;

TEST(ElementRecords, LengthsByKindAreChecked) {
    struct Case {
        int kind;
        int length;
        int count;  // curve vertices / image points
        bool valid;
    } cases[] = {
        {1, 54, 0, true},   {1, 74, 0, false}, {2, 54, 0, true},  {3, 74, 0, true},  {4, 74, 0, true},
        {6, 74, 0, true},   {8, 74, 0, true},  {8, 54, 0, false}, {9, 114, 0, true}, {10, 74, 0, true},
        {12, 94, 0, true},  {12, 74, 0, false},
        {5, 36 * 3, 3, true},        // user curve: last vertex without through point
        {5, 16 + 36 * 3, 3, true},   // image: complete last vertex
        {5, 36 * 3 + 4, 3, false},   {5, 36 * 3, 0, false},
        {11, 18 + 20 * 2, 2, true},  {11, 18 + 20 * 4, 2, false}, {11, 18, 0, false},
        {0, 54, 0, false},  {7, 54, 0, false}, {13, 54, 0, false},
    };
    for (const Case& c : cases) {
        Bytes r(static_cast<size_t>(c.length) + 40, 0);
        put_u16(r.data(), record_length, static_cast<uint16_t>(c.length));
        put_u16(r.data(), element_flags, static_cast<uint16_t>(c.kind));
        if (c.kind == 5) put_i16(r.data(), curve_count, static_cast<int16_t>(c.count));
        if (c.kind == 11) put_u16(r.data(), element_symbol_count, static_cast<uint16_t>(c.count));
        EXPECT_EQ(element_record_valid(r.data()), c.valid) << "kind " << c.kind << " length " << c.length;
    }
}

TEST(ElementRecords, PointNumbersByKind) {
    const int expected[16] = {0, 2, 2, 3, 3, 0, 3, 0, 2, 5, 3, 0, 4, 0, 0, 0};
    for (int kind = 0; kind < 16; ++kind) {
        Bytes r(120, 0);
        put_u16(r.data(), element_flags, static_cast<uint16_t>(kind | 0x10));
        put_u32(r.data(), 14, 77);
        const unsigned char* numbers = nullptr;
        EXPECT_EQ(element_point_numbers(r.data(), &numbers), expected[kind]) << "kind " << kind;
        EXPECT_EQ(get_u32(numbers, 0), 77u);
    }
}

TEST(ElementRecords, PointSlotsGiveNumbersAndCoordinatePlaces) {
    Bytes arc = ElementsTest::fixed(3, {4, 5, 6});
    ElementPointPlace s[8];
    ASSERT_EQ(element_point_places(arc.data(), s, 8), 3);
    EXPECT_EQ(s[2].number, 6u);
    EXPECT_EQ(s[2].coords, 26u + 32u);
    Bytes cur = ElementsTest::curve({7, 8, 9, 10});
    ASSERT_EQ(element_point_places(cur.data(), s, 8), 4);
    EXPECT_EQ(s[3].number, 10u);
    EXPECT_EQ(s[3].coords, 16u + 3 * 36 + 4);
    Bytes sym = ElementsTest::symbol(3, {11, 12});
    ASSERT_EQ(element_point_places(sym.data(), s, 8), 2);
    EXPECT_EQ(s[1].number, 12u);
    EXPECT_EQ(s[1].coords, 18u + 20 + 4);
}

TEST(ElementRecords, KindNames) {
    EXPECT_STREQ(element_kind_name(1), "прямая линия");
    EXPECT_STREQ(element_kind_name(12), "сплайн Безье");
    EXPECT_STREQ(element_kind_name(4), "дуга на трёх точках");
    EXPECT_STREQ(element_kind_name(13), "элемент графики");
    EXPECT_STREQ(element_kind_name(-1), "элемент графики");
    EXPECT_STREQ(element_kind_name(0), "элемент графики");
}

TEST(ElementRecords, LineTypesAndTheirKindRules) {
    EXPECT_EQ(line_type_position(15), 7);
    EXPECT_EQ(line_type_position(7), 8);
    EXPECT_STREQ(line_type_name(7), " Резьба");
    for (int code = 8; code <= 14; ++code) {
        current_line_type = code;
        EXPECT_STREQ(current_line_type_name(), " Сплошная основная") << code;
        EXPECT_EQ(current_line_type, 1) << code;
    }
    current_line_type = 15;
    EXPECT_STREQ(current_line_type_name(), " Специальная невидимая");
    current_line_type = 1;
    struct Case { int kind, asked, got; } cases[] = {
        {6, 0, 0}, {6, 2, 2}, {6, 3, 2}, {6, 15, 2}, {8, 7, 2}, {8, 3, 3}, {11, 0, 1}, {11, 7, 1},
        {1, 7, 7}, {5, 15, 15},
    };
    for (const Case& c : cases) EXPECT_EQ(line_type_for_kind(c.kind, c.asked), c.got) << c.kind << " " << c.asked;
}

class ElementChain : public ElementsTest {};

TEST_F(ElementChain, ElementsUsingAPointAreFoundInChainOrder) {
    add(fixed(1, {1, 2}), 10);
    add(fixed(6, {1, 2, 3}), 11);     // a wavy line is not a primitive
    add(curve({5, 6, 1}), 12);
    add(fixed(3, {4, 5, 1}), 13);
    add(symbol(2, {8, 1}), 14);
    add(fixed(2, {2, 3}), 15);
    RecordRef cursor = 0;
    int index = -1;
    std::vector<std::pair<uint32_t, int>> found;
    while (unsigned char* r = primitive_element_next_using_point(df, proj(), 1, &cursor, &index))
        found.push_back({get_u32(r, element_number), index});
    EXPECT_EQ(cursor, 0u);
    std::vector<std::pair<uint32_t, int>> want = {{10, 0}, {12, 2}, {13, 2}, {14, 1}};
    EXPECT_EQ(found, want);
    Bytes empty(projection_record_max, 0);
    cursor = 0;
    EXPECT_EQ(primitive_element_next_using_point(df, empty.data(), 1, &cursor, nullptr), nullptr);
}

TEST_F(ElementChain, StoringTakesACheckpointANumberAndAsksForDimensions) {
    element_number_mark_used(1);
    element_number_mark_used(2);
    int checkpoints = 0, dimensioned = 0;
    ElementStoreHooks hooks;
    hooks.checkpoint = [&](unsigned char* p) { ++checkpoints; return p; };
    hooks.auto_dimensions = [&](unsigned char*) { ++dimensioned; };
    Bytes line = fixed(1, {1, 2});
    unsigned char* p = proj();
    RecordRef ref = element_store(df, &p, line.data(), hooks);
    ASSERT_NE(ref, 0u);
    EXPECT_EQ(checkpoints, 1);
    EXPECT_EQ(dimensioned, 0);
    uint32_t first = get_u32(line.data(), element_number);
    EXPECT_EQ(first, 3u);
    EXPECT_TRUE(element_number_is_used(first));
    EXPECT_EQ(stored(first).size(), 54u);

    df->header[header_options3] |= header_opt3_auto_dimensions;
    Bytes second = fixed(1, {1, 2});
    ASSERT_NE(element_store(df, &p, second.data(), hooks), 0u);
    EXPECT_EQ(dimensioned, 1);
    EXPECT_NE(get_u32(second.data(), element_number), first);

    // A refused checkpoint stores nothing and takes no number.
    hooks.checkpoint = [](unsigned char*) -> unsigned char* { return nullptr; };
    Bytes third = fixed(1, {1, 2});
    size_t before = chain().size();
    EXPECT_EQ(element_store(df, &p, third.data(), hooks), 0u);
    EXPECT_EQ(chain().size(), before);
}
