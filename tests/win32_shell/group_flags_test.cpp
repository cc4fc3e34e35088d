// The contours' level-set flag over a real drawing file.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "base/byte_order.h"
#include "shell/group_flags.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "tests/store/store_test_support.h"

namespace {
using namespace store_test;
struct GroupFlags : StoreTest {};

struct ContourCase {
    uint32_t key;
    uint16_t kind;
    std::vector<uint32_t> members;
    int16_t stated_count;  // -1: the real count
    bool level_set;        // expected bit 11 afterwards
};
}  // namespace

TEST_F(GroupFlags, SetOnlyWhenEveryPresentMemberIsMarked) {
    DrawingFile* df = create("group");
    RecordRef elements = 0, contours = 0;
    const struct {
        uint32_t key;
        uint16_t flags;
    } elems[] = {{1, 0x0100}, {2, 0x0100}, {3, 0x0000}};
    for (const auto& e : elems) {
        std::vector<unsigned char> r = make_record(element_default_size, e.key);
        put_u16(r.data(), element_flags, e.flags);
        ASSERT_NE(record_add(df, &elements, r.data(), &page_buffers[table_elements]), 0u);
    }
    const ContourCase cases[] = {
        {10, 0, {1, 2}, -1, true},       // outline, all members marked
        {11, 1, {1, 3}, -1, false},      // hole with an unmarked member
        {12, 2, {1}, -1, false},         // hatch contours never carry the flag
        {13, 0, {1, 99}, -1, true},      // a member that is not there is passed over
        {14, 0, {3}, 0, true},           // no members: nothing unmarked
        {15, 0, {1, 2}, 900, true},      // a count beyond the record reads no further
    };
    for (const ContourCase& c : cases) {
        uint16_t len = static_cast<uint16_t>(contour_members + 4 * c.members.size());
        std::vector<unsigned char> r = make_record(std::max<uint16_t>(len, contour_default_size), c.key);
        // every contour starts with the flag set, and with it clear
        put_u16(r.data(), contour_flags, static_cast<uint16_t>(c.kind | (c.key % 2 ? 0x0800 : 0)));
        put_u16(r.data(), contour_member_count,
                static_cast<uint16_t>(c.stated_count < 0 ? c.members.size() : c.stated_count));
        for (size_t i = 0; i < c.members.size(); ++i) put_u32(r.data(), contour_members + 4 * i, c.members[i]);
        ASSERT_NE(record_add(df, &contours, r.data(), &page_buffers[table_contours]), 0u);
    }
    unsigned char projection[256] = {};
    put_u32(projection, projection_elements, elements);
    put_u32(projection, projection_contours, contours);

    group_flags_update(projection);
    ASSERT_EQ(error_flag, 0);

    std::map<uint32_t, uint16_t> flags;
    RecordRef* head = reinterpret_cast<RecordRef*>(projection + projection_contours);
    PageBuffer* buf = &page_buffers[table_contours];
    for (unsigned char* r = record_next(df, head, nullptr, buf); r; r = record_next(df, head, r, buf))
        flags[get_u32(r, 2)] = get_u16(r, contour_flags);
    for (const ContourCase& c : cases) {
        ASSERT_TRUE(flags.count(c.key)) << c.key;
        EXPECT_EQ((flags[c.key] & 0x0800) != 0, c.level_set) << "contour " << c.key;
        EXPECT_EQ(flags[c.key] & contour_flag_kind, c.kind) << "contour " << c.key;
    }
}
