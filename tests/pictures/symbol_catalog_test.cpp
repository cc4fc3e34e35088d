// The conventional-symbol catalogue: every code once, the picker bitmap ids,
// the reference points a new symbol takes, and the lookup of unknown codes.
#include "render/output/symbol_catalog.h"

#include <gtest/gtest.h>

#include <set>

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
