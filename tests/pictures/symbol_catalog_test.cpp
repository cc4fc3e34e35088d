// The conventional-symbol catalogue: every code once, the picker bitmap ids,
// the reference points a new symbol takes, and the lookup of unknown codes.
#include "render/output/symbol_catalog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "base/byte_order.h"

namespace {

uint32_t expected_bitmap(uint32_t code) {
    if (code <= 46) return 419 + code;
    switch (code) {
        case 47: return 471;
        case 48: return 682;
        case 49: return 683;
        case 50: return 685;  // the flow signs' pictures are swapped
        case 51: return 684;
        default: return 686 + (code - 52);
    }
}

TEST(SymbolCatalog, EveryCodeOnceWithItsPickerBitmap) {
    std::set<uint32_t> codes;
    for (const SymbolCatalogEntry& e : symbol_catalog) {
        EXPECT_TRUE(codes.insert(e.code).second) << "code " << e.code << " twice";
        EXPECT_LT(e.code, 57u);
        EXPECT_EQ(e.reserved, 0u);
        EXPECT_EQ(e.bitmap_id, expected_bitmap(e.code)) << "code " << e.code;
        EXPECT_GE(e.point_count, 1u);
        EXPECT_LE(e.point_count, 4u);
        ASSERT_NE(e.name, nullptr);
        EXPECT_EQ(e.name[0], ' ') << "code " << e.code;
        EXPECT_EQ(symbol_catalog_entry(e.code), &e);
    }
    EXPECT_EQ(codes.size(), 57u);
    // Picker order starts with the small holes and ends with the pipe breaks.
    EXPECT_EQ(symbol_catalog[0].code, 0u);
    EXPECT_EQ(symbol_catalog[5].code, 43u);
    EXPECT_EQ(symbol_catalog[56].code, 56u);
}

TEST(SymbolCatalog, ReferencePointCountsAndUnknownCodes) {
    struct Case { uint32_t code; uint32_t points; };
    const Case cases[] = {{0, 2}, {5, 2}, {13, 3}, {14, 3}, {23, 4}, {24, 4}, {27, 4},
                          {29, 3}, {31, 3}, {38, 2}, {47, 3}, {48, 1}, {49, 1}, {56, 2}};
    for (const Case& c : cases) {
        const SymbolCatalogEntry* e = symbol_catalog_entry(c.code);
        ASSERT_NE(e, nullptr) << c.code;
        EXPECT_EQ(e->point_count, c.points) << "code " << c.code;
    }
    for (uint32_t code : {57u, 58u, 1001u, 55001u, 0xFFFFu, 0xFFFFFFFFu})
        EXPECT_EQ(symbol_catalog_entry(code), nullptr) << code;
}

}  // namespace

namespace {

std::vector<uint8_t> symbol_record(uint16_t code, uint16_t count, uint16_t length) {
    std::vector<uint8_t> rec(18 + 20 * 4, 0);
    put_u16(rec.data(), 0, length);
    put_u16(rec.data(), 14, code);
    put_u16(rec.data(), 16, count);
    for (int i = 0; i < 4; ++i) {
        put_u32(rec.data(), 18 + 20 * i, 100 + i);
        put_f64(rec.data(), 18 + 20 * i + 4, 1.5 * i);
        put_f64(rec.data(), 18 + 20 * i + 12, -2.0 * i);
    }
    return rec;
}

TEST(SymbolCatalog, SymbolRecordsWithDamagedCountsAreRefused) {
    struct Case { uint16_t code, count, length; int expected; };
    const Case cases[] = {
        {0, 2, 58, 2},       // hole: two points
        {48, 1, 38, 1},      // dot: one point
        {23, 4, 98, 4},      // screw: four points
        {1001, 1, 38, 1},    // picture symbol: any count 1..4
        {1001, 4, 98, 4},
        {0, 0, 18, 0},       // no points
        {0, 5, 118, 0},      // more than four slots
        {0xFFFF, 60000, 18 + 20 * 4, 0},
        {0, 2, 78, 0},       // length of three points with a count of two
        {13, 2, 58, 0},      // a three-point rectangle stored with two
        {23, 3, 78, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> rec = symbol_record(c.code, c.count, c.length);
        uint32_t code = 0;
        double points[4][2] = {};
        EXPECT_EQ(symbol_element_points(rec.data(), rec.size(), &code, points), c.expected)
            << "code " << c.code << " count " << c.count << " length " << c.length;
        if (c.expected > 0) {
            EXPECT_EQ(code, c.code);
            EXPECT_EQ(points[c.expected - 1][0], 1.5 * (c.expected - 1));
            EXPECT_EQ(points[c.expected - 1][1], -2.0 * (c.expected - 1));
        }
    }
    // A record cut short of its stated length, and a point that is not a number.
    std::vector<uint8_t> rec = symbol_record(0, 2, 58);
    uint32_t code;
    double points[4][2];
    EXPECT_EQ(symbol_element_points(rec.data(), 57, &code, points), 0);
    put_f64(rec.data(), 18 + 20 + 4, std::nan(""));
    EXPECT_EQ(symbol_element_points(rec.data(), rec.size(), &code, points), 0);
}

}  // namespace
