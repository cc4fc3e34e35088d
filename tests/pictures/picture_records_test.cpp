// Picture records at their byte offsets, and the ids of bent pictures and of
// the user's conventional images.
#include "render/images/picture_records.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/byte_order.h"

namespace {

TEST(PictureRecords, FieldsLieAtTheirOffsetsAndComeBack) {
    PictureFields f;
    f.id = 55001;
    f.point_count = 4;
    f.transparent = true;
    f.channel_window = true;
    f.tolerance = 12;
    f.height_mm = 25.5f;
    f.key_colour = 0x00FF00FF;
    for (int i = 0; i < 4; ++i) {
        f.points[i][0] = 10 * i + 1;
        f.points[i][1] = -(10 * i + 2);
    }
    std::strcpy(f.name, "SPL55001");
    f.blob = 0x1234;
    f.blob_length = 4096;
    f.key_x = 7;
    f.key_row = 3;

    uint8_t rec[74];
    std::memset(rec, 0xEE, sizeof rec);
    picture_record_build(f, rec);
    EXPECT_EQ(get_u16(rec, 0), 74);
    EXPECT_EQ(get_u32(rec, 2), 55001u);
    EXPECT_EQ(rec[6], 10);
    EXPECT_EQ(rec[7], 3 | 4 | 32);
    EXPECT_EQ(rec[8], 12);
    EXPECT_EQ(rec[9], 0);
    const uint8_t height[4] = {0x00, 0x00, 0xCC, 0x41};  // 25.5f little-endian
    EXPECT_EQ(std::memcmp(rec + 10, height, 4), 0);
    EXPECT_EQ(get_u32(rec, 14), 0x00FF00FFu);
    EXPECT_EQ(get_i32(rec, 18), 1);
    EXPECT_EQ(get_i32(rec, 22), -2);
    EXPECT_EQ(get_i32(rec, 42), 31);
    EXPECT_EQ(get_i32(rec, 46), -32);
    EXPECT_EQ(get_u32(rec, 58), 0x1234u);
    EXPECT_EQ(get_u32(rec, 62), 4096u);
    EXPECT_EQ(get_i32(rec, 66), 7);
    EXPECT_EQ(get_i32(rec, 70), 3);

    PictureFields back;
    ASSERT_TRUE(picture_record_parse(rec, &back));
    EXPECT_EQ(back.id, f.id);
    EXPECT_EQ(back.point_count, 4);
    EXPECT_TRUE(back.transparent);
    EXPECT_FALSE(back.temporary);
    EXPECT_TRUE(back.channel_window);
    EXPECT_EQ(back.tolerance, 12u);
    EXPECT_EQ(back.height_mm, 25.5f);
    EXPECT_STREQ(back.name, "SPL55001");
    EXPECT_EQ(back.points[3][1], -32);
    EXPECT_EQ(back.key_row, 3);

    // Not a picture record: wrong length or kind.
    uint8_t other[74];
    std::memcpy(other, rec, 74);
    other[6] = 9;
    PictureFields untouched;
    EXPECT_FALSE(picture_record_parse(other, &untouched));
    other[6] = 10;
    put_u16(other, 0, 64);
    EXPECT_FALSE(picture_record_parse(other, &untouched));
    EXPECT_EQ(untouched.id, 0u);
    EXPECT_FALSE(picture_record_parse(nullptr, &untouched));
}

TEST(PictureRecords, BentPictureIdsReuseTheLowestFree) {
    struct Case { std::vector<uint32_t> used; uint32_t expected; };
    const Case cases[] = {
        {{}, 55001},
        {{55001, 55002}, 55003},
        {{55002}, 55001},  // 55001 deleted: taken again
        {{1001, 55001, 55003}, 55002},
        {{55003, 55001, 55002}, 55004},
    };
    for (const Case& c : cases) EXPECT_EQ(next_picture_id_among(c.used), c.expected);
}

TEST(PictureRecords, ConventionalImageIdsStopBeforeBentPictures) {
    EXPECT_EQ(free_conventional_image_id({}), 1001u);
    EXPECT_EQ(free_conventional_image_id({1001, 55001}), 1002u);
    EXPECT_EQ(free_conventional_image_id({1002, 1001, 1004}), 1003u);
    std::vector<uint32_t> full;
    for (uint32_t id = 1001; id <= 55000; ++id) full.push_back(id);
    EXPECT_EQ(free_conventional_image_id(full), 0u);
    full.erase(full.begin() + 500);
    EXPECT_EQ(free_conventional_image_id(full), 1501u);
}

}  // namespace
