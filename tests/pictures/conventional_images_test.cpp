// The conventional-images list and preview arithmetic: scroll positions,
// click mapping, the reference-point rule, default names.
#include "render/images/conventional_images.h"

#include <gtest/gtest.h>

namespace {

TEST(ConventionalImages, ListScrollKeepsSixteenEntriesInRange) {
    struct Case { int total, first, request, position, expected; };
    const Case cases[] = {
        {57, 1, list_right, 0, 42},          // no images: the last page shows 42..57
        {57, 1, list_line_right, 0, 17},
        {57, 33, list_page_right, 0, 42},    // 49 would pass the end
        {57, 17, list_line_right, 0, 33},
        {57, 42, list_line_right, 0, 42},
        {57, 17, list_line_left, 0, 1},
        {57, 10, list_page_left, 0, 1},      // never below 1
        {57, 42, list_page_left, 0, 26},
        {57, 30, list_left, 0, 1},
        {57, 1, list_thumb_position, 20, 20},
        {57, 1, list_thumb_track, 50, 42},   // past total - 16
        {58, 1, list_right, 0, 43},
        {58, 17, list_page_right, 0, 33},
        {58, 33, list_page_right, 0, 43},    // 49 reaches 42 = total - 16
        {73, 17, list_page_right, 0, 33},
        {73, 33, list_page_right, 0, 49},
        {73, 49, list_page_right, 0, 58},
        {200, 1, list_right, 0, 185},
        {200, 150, list_page_right, 0, 166},
        {200, 170, list_page_right, 0, 185},
        {200, 1, list_thumb_track, 185, 185},
        {200, 1, list_thumb_track, 0, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(conventional_image_list_first(c.first, c.total, c.request, c.position),
                  c.expected)
            << "total " << c.total << " first " << c.first << " request " << c.request;
}

TEST(ConventionalImages, PreviewClickAlwaysLandsInsideThePicture) {
    // 200 x 100 image in a 100 x 100 control: preview 100 x 50, 25 rows above.
    // 50 x 100 image in a 100 x 100 control: preview 50 x 100, 25 columns left.
    struct Case { int32_t w, h, cx, cy; bool inside; int32_t x, y; };
    const Case cases[] = {
        {200, 100, 0, 25, true, 0, 0},      // top left corner of the preview
        {200, 100, 99, 74, true, 198, 98},  // bottom right
        {200, 100, 50, 50, true, 100, 50},
        {200, 100, 50, 24, false, 0, 0},    // above the preview
        {200, 100, 50, 75, false, 0, 0},    // below it
        {50, 100, 25, 0, true, 0, 0},
        {50, 100, 74, 99, true, 49, 99},
        {50, 100, 24, 50, false, 0, 0},
        {50, 100, 75, 50, false, 0, 0},
        {3, 3, 99, 99, true, 2, 2},         // scaled up: the last pixel, not one past
        {3, 3, 0, 0, true, 0, 0},
    };
    for (const Case& c : cases) {
        int32_t x = -1, y = -1;
        EXPECT_EQ(conventional_image_click_pixel(c.cx, c.cy, c.w, c.h, 100, 100, &x, &y), c.inside)
            << c.w << "x" << c.h << " at " << c.cx << "," << c.cy;
        if (c.inside) {
            EXPECT_EQ(x, c.x) << c.w << "x" << c.h << " at " << c.cx << "," << c.cy;
            EXPECT_EQ(y, c.y) << c.w << "x" << c.h << " at " << c.cx << "," << c.cy;
        }
    }
    int32_t x, y;
    EXPECT_FALSE(conventional_image_click_pixel(1, 1, 0, 10, 100, 100, &x, &y));
}

TEST(ConventionalImages, ReferencePointRule) {
    int32_t p[4][2] = {};
    int n = 0;
    n = conventional_image_add_point(p, n, 2, 10, 20);
    n = conventional_image_add_point(p, n, 2, 10, 20);  // repeated: ignored
    EXPECT_EQ(n, 1);
    n = conventional_image_add_point(p, n, 2, 30, 40);
    EXPECT_EQ(n, 2);
    n = conventional_image_add_point(p, n, 2, 50, 60);  // all picked
    EXPECT_EQ(n, 2);
    EXPECT_EQ(p[1][0], 30);

    // Three wanted: the second takes the first one's y once the third lands.
    int32_t q[4][2] = {};
    n = conventional_image_add_point(q, 0, 3, 10, 20);
    n = conventional_image_add_point(q, n, 3, 30, 45);
    n = conventional_image_add_point(q, n, 3, 12, 70);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(q[1][0], 30);
    EXPECT_EQ(q[1][1], 20);

    // The second directly below the first: made equal, one point remains.
    int32_t r[4][2] = {};
    n = conventional_image_add_point(r, 0, 3, 10, 20);
    n = conventional_image_add_point(r, n, 3, 10, 45);
    n = conventional_image_add_point(r, n, 3, 40, 70);
    EXPECT_EQ(n, 1);

    // A third point on the first one's row would give a flat picture: refused.
    int32_t s[4][2] = {};
    n = conventional_image_add_point(s, 0, 3, 10, 20);
    n = conventional_image_add_point(s, n, 3, 30, 25);
    n = conventional_image_add_point(s, n, 3, 60, 20);
    EXPECT_EQ(n, 2);
    n = conventional_image_add_point(s, n, 3, 60, 50);
    EXPECT_EQ(n, 3);
}

TEST(ConventionalImages, DefaultNameSkipsTakenNames) {
    EXPECT_EQ(conventional_image_default_name(1001, {}), "УИ1001");
    EXPECT_EQ(conventional_image_default_name(1001, {"УИ1001"}), "УИ1002");
    EXPECT_EQ(conventional_image_default_name(1001, {"УИ1002", "УИ1001", "УИ1003"}), "УИ1004");
    EXPECT_EQ(conventional_image_default_name(1001, {"УИ1002"}), "УИ1001");
    EXPECT_TRUE(conventional_image_name_used("ДВЕРЬ", {"окно", "ДВЕРЬ"}));
    EXPECT_FALSE(conventional_image_name_used("SPL1", {"SPL2"}));
}

}  // namespace
