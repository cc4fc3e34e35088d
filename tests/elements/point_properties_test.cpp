// Point properties: which points share the current point's pixel, the
// priority and the origin held by one point only, and storing the flags.
#include <gtest/gtest.h>

#include "stages/points_elements/point_properties.h"
#include "tests/elements/elements_fixture.h"

namespace elements_test {
namespace {

class PointPropertiesTest : public ElementsTest {
public:
    ViewTransform view{};
    void SetUp() override {
        ElementsTest::SetUp();
        view.scale = {1, 1};  // one pixel per unit
    }
    std::vector<uint32_t> numbers(const std::vector<PointCopy>& list) {
        std::vector<uint32_t> out;
        for (const PointCopy& p : list) out.push_back(p.number());
        return out;
    }
};

TEST_F(PointPropertiesTest, PointsOnThePixelComeAfterTheCurrentOne) {
    point(1, 10.1, 10.1);
    point(2, 10.2, 10.0);                                     // same pixel
    point(3, 14.0, 10.0);                                     // elsewhere
    point(4, 10.0, 10.2);                                     // same pixel
    point(5, 10.0, 10.0);
    // Point 5 is hidden: both flags2 bits 2 and 3.
    PointCopy p5;
    ASSERT_TRUE(point_read(df, proj(), 5, &p5));
    p5.set_flags2(point_flag2_hidden_a | point_flag2_hidden_b);
    ASSERT_TRUE(point_write(df, proj(), p5));
    EXPECT_EQ(numbers(points_on_pixel(df, proj(), &view, 4)), (std::vector<uint32_t>{4, 1, 2}));
    EXPECT_EQ(numbers(points_on_pixel(df, proj(), &view, 3)), (std::vector<uint32_t>{3}));
    EXPECT_TRUE(points_on_pixel(df, proj(), &view, 99).empty());
}

TEST_F(PointPropertiesTest, PriorityAndOriginBelongToOnePointAndAreStoredTogether) {
    point(1, 10, 10);
    point(2, 10, 10);
    point(3, 10, 10);
    point(7, 50, 50, point_flag_origin);  // the origin so far, on another pixel
    std::vector<PointCopy> list = points_on_pixel(df, proj(), &view, 1);
    ASSERT_EQ(list.size(), 3u);
    point_property_set(list, 1, point_property_priority, true);
    point_property_set(list, 2, point_property_priority, true);
    point_property_set(list, 0, point_property_show_number, true);
    point_property_set(list, 0, point_property_origin, true);
    struct Want {
        size_t i;
        PointPropertyFlag flag;
        bool on;
    } table[] = {
        {0, point_property_priority, false}, {1, point_property_priority, false}, {2, point_property_priority, true},
        {0, point_property_show_number, true}, {1, point_property_show_number, false},
        {0, point_property_origin, true},
    };
    for (const Want& w : table) EXPECT_EQ(point_property(list[w.i], w.flag), w.on) << w.i << " " << w.flag;
    // Nothing is stored before the caller asks.
    EXPECT_FALSE(point_flags_of(1) & point_flag_origin);
    EXPECT_EQ(point_properties_store(df, proj(), list), 3);  // 1, 3 and the old origin 7
    EXPECT_EQ(point_flags_of(1), point_flag_show_number | point_flag_origin);
    EXPECT_EQ(point_flags_of(7), 0);
    PointCopy p3;
    ASSERT_TRUE(point_read(df, proj(), 3, &p3));
    EXPECT_EQ(p3.flags2(), point_flag2_priority);
}

}  // namespace
}  // namespace elements_test
