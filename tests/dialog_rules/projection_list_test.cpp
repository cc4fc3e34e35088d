// The lists dialog's filter over view types, the active position and the
// checks of typed scales and sheet numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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

}  // namespace
