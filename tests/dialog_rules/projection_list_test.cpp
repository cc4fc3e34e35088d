// The lists dialog's filter over view types, the active position and the
// checks of typed scales and sheet numbers, and the sketch choices written
// into a projection record.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "geometry/naming.h"
#include "shell/core/projection_list.h"

namespace {

TEST(ProjectionList, FilterOverEveryType) {
    // Types 0-11 in a chain; the types each filter lists.
    struct Case {
        int kind_filter, subtype;
        std::vector<int> listed;
    } cases[] = {
        {8, 0, {8}}, {8, 1, {8}}, {8, 2, {8}},
        {0, 0, {0, 1, 2, 3, 4, 5, 6, 7, 10}}, {0, 1, {9}}, {0, 2, {11}},
        {3, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}}, {3, 2, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "filter " << c.kind_filter << " subtype " << c.subtype);
        std::vector<int> got;
        for (int type = 0; type < 12; ++type)
            if (projection_listed(c.kind_filter, c.subtype, type)) got.push_back(type);
        EXPECT_EQ(got, c.listed);
    }
}

TEST(ProjectionList, ActivePosition) {
    EXPECT_EQ(projection_list_position({}, 5), 0);
    EXPECT_EQ(projection_list_position({3, 5, 9}, 3), 1);
    EXPECT_EQ(projection_list_position({3, 5, 9}, 9), 3);
    EXPECT_EQ(projection_list_position({3, 5, 9}, 4), -1);
    EXPECT_EQ(projection_list_position({3}, 0xFFFFFFFFu), -1);  // no active window
}

TEST(ProjectionList, TypedScaleAndSheet) {
    for (double ok : {0.001, 1.0, 2500.0}) EXPECT_TRUE(projection_scale_acceptable(ok)) << ok;
    for (double bad : {0.0, -1.0, 2500.5, 1e300, std::numeric_limits<double>::infinity(), std::nan("")})
        EXPECT_FALSE(projection_scale_acceptable(bad)) << bad;
    EXPECT_TRUE(projection_sheet_acceptable(1, 3));
    EXPECT_TRUE(projection_sheet_acceptable(3, 3));
    EXPECT_FALSE(projection_sheet_acceptable(0, 3));
    EXPECT_FALSE(projection_sheet_acceptable(4, 3));
    EXPECT_FALSE(projection_sheet_acceptable(2047, 3));
}

// A projection record with a sketch reference (or none), the lightening
// and a sketch rotation, in a buffer of the record's full room.
std::vector<uint8_t> sketch_record(const char* path, bool lighten, double rotation) {
    std::vector<uint8_t> r(projection_record_room, 0);
    put_u16(r.data(), 0, 180);
    put_u32(r.data(), 2, 4);
    put_u16(r.data(), 98, static_cast<uint16_t>(path ? 0x0203 : 0x0213));  // type 3, bit 9; bit 4 without sketch
    put_u16(r.data(), 100, static_cast<uint16_t>(0x0400 | (lighten ? 0x0008 : 0)));
    put_f64(r.data(), 120, rotation);
    if (path) {
        EXPECT_EQ(sketch_reference_store(r.data(), path, 0), 0);
    }
    return r;
}

std::string sketch_of(const std::vector<uint8_t>& r) {
    char out[300] = "";
    return sketch_reference_load(r.data(), out, sizeof out) > 0 ? out : "";
}

TEST(ProjectionList, SketchChoicesWrittenBack) {
    const char* a = "C:\\Эскизы\\a.bmp";
    const char* b = "D:\\листы\\b.bmp";
    struct Case {
        const char* name;
        const char* path;  // the stored reference, null: none
        bool lighten;
        double rotation;
        ProjectionSketchEdit edit;
        bool changed;
        uint16_t flags, second;  // words 98 and 100 after
        double rotation_after;
        std::string sketch_after;
    } cases[] = {
        {"no sketch", a, true, 0.5, {true, true, false, nullptr}, true, 0x0213, 0x0400, 0.0, a},
        {"no sketch, a file chosen too", a, false, 0.0, {true, false, false, b}, true, 0x0213, 0x0400, 0.0, a},
        {"new file", nullptr, false, 0.0, {false, true, false, b}, true, 0x0203, 0x0408, 0.0, b},
        {"new file, lightening off", a, true, 0.25, {false, false, false, b}, true, 0x0203, 0x0400, 0.25, b},
        {"rotation dropped", a, true, 0.5, {false, true, true, nullptr}, true, 0x0203, 0x0408, 0.0, a},
        {"lightening on", a, false, 0.0, {false, true, false, nullptr}, true, 0x0203, 0x0408, 0.0, a},
        {"as shown", a, true, 0.5, {false, true, false, nullptr}, false, 0x0203, 0x0408, 0.5, a},
        {"rotation already 0", a, false, 0.0, {false, false, true, nullptr}, false, 0x0203, 0x0400, 0.0, a},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> r = sketch_record(c.path, c.lighten, c.rotation);
        std::vector<uint8_t> before = r;
        EXPECT_EQ(projection_sketch_apply(r.data(), c.edit), c.changed) << c.name;
        EXPECT_EQ(get_u16(r.data(), 98), c.flags) << c.name;
        EXPECT_EQ(get_u16(r.data(), 100), c.second) << c.name;
        EXPECT_EQ(get_f64(r.data(), 120), c.rotation_after) << c.name;
        EXPECT_EQ(sketch_of(r), c.sketch_after) << c.name;
        if (!c.changed) {
            EXPECT_EQ(r, before) << c.name;
        }
    }
    // The new reference sets the record's length: head + packed bytes.
    std::vector<uint8_t> r = sketch_record(nullptr, false, 0);
    ProjectionSketchEdit e;
    e.new_path = b;
    ASSERT_TRUE(projection_sketch_apply(r.data(), e));
    EXPECT_EQ(get_u16(r.data(), 0), 180 + get_u16(r.data(), 146));
    EXPECT_GT(get_u16(r.data(), 146), 0);
}

}  // namespace
