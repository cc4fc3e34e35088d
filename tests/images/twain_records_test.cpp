// The TWAIN records in their 32-bit Windows layout: the program's identity
// and the one-value container, byte by byte.
#include "render/images/twain_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/byte_order.h"

namespace {

std::string str32(const uint8_t* block, size_t offset) {
    const char* p = reinterpret_cast<const char*>(block + offset);
    return std::string(p, strnlen(p, 34));
}

TEST(TwainRecords, ApplicationIdentity) {
    uint8_t id[156];
    std::memset(id, 0xAB, sizeof id);
    twain_fill_application_identity(id);
    EXPECT_EQ(get_u32(id, 0), 0u);
    EXPECT_EQ(get_u16(id, 4), 9);      // Version.MajorNum
    EXPECT_EQ(get_u16(id, 6), 4);      // Version.MinorNum
    EXPECT_EQ(get_u16(id, 8), 78);     // Russian
    EXPECT_EQ(get_u16(id, 10), 7);     // Russia
    EXPECT_EQ(str32(id, 12), "9.4");
    EXPECT_EQ(get_u16(id, 46), 1);     // protocol 1.8
    EXPECT_EQ(get_u16(id, 48), 8);
    EXPECT_EQ(get_u32(id, 50), 3u);    // control and image groups
    EXPECT_EQ(str32(id, 54), "");
    EXPECT_EQ(str32(id, 88), "Zorvan");
    EXPECT_EQ(str32(id, 122), "SARVOLT");
    // Every byte past each text is zero, up to the end of the record.
    for (size_t i = 122 + 7; i < 156; ++i) EXPECT_EQ(id[i], 0) << i;
    for (size_t i = 12 + 3; i < 46; ++i) EXPECT_EQ(id[i], 0) << i;
}

TEST(TwainRecords, Str32IsCutToThirtyTwoCharacters) {
    uint8_t block[40];
    std::memset(block, 0xAB, sizeof block);
    twain_put_str32(block, 2, "0123456789012345678901234567890123456789");
    EXPECT_EQ(str32(block, 2), "01234567890123456789012345678901");
    EXPECT_EQ(block[34], 0);
    EXPECT_EQ(block[35], 0);
    EXPECT_EQ(block[36], 0xAB);
    EXPECT_EQ(block[1], 0xAB);
}

TEST(TwainRecords, OneValueContainer) {
    uint8_t one[6];
    twain_fill_one_value(one, 1, true);
    EXPECT_EQ(get_u16(one, 0), 1);  // TWTY_INT16
    EXPECT_EQ(get_u32(one, 2), 1u);
    twain_fill_one_value(one, 600, false);
    EXPECT_EQ(get_u16(one, 0), 4);  // TWTY_UINT16
    EXPECT_EQ(get_u32(one, 2), 600u);
    twain_fill_one_value(one, -1, true);
    EXPECT_EQ(get_u16(one, 2), 0xFFFF);
}

}  // namespace
