// Dimension line work drawn through GDI into a 24-bit DIB section: a filled
// arrow covers its inside and leaves its notch, keeps 4.2 mm on paper at two
// drawing scales, and an extension line leaves a gap where a centre line
// runs along it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "geometry/tolerance.h"
#include "geometry/units_scale.h"
#include "render/output/dimension_line_ends.h"
#include "render/output/dimension_lines.h"
#include "render/output/output_view.h"
#include "store/record_layouts.h"
#include "store/settings_block.h"
#include "tests/win32_output/dib_picture.h"

namespace {

using output_test::DibPicture;

uint8_t header[drawing_header_size];

class DimensionGdi : public ::testing::Test {
protected:
    void SetUp() override {
        kernel_context_set_defaults();
        tolerance_set(tolerance_standing);
        ASSERT_EQ(settings_block_unpack(), 0);
        init_dimension_drawing_constants();
        scale(1.0);
    }
    void TearDown() override {
        bind_current_drawing_header(nullptr);
        settings_block_free();
    }
    static void scale(double s) {
        put_f64(header, header_scale_offset, s);
        bind_current_drawing_header([]() -> const uint8_t* { return header; });
    }
};

TEST_F(DimensionGdi, AFilledArrowCoversItsInsideAndLeavesItsNotch) {
    for (double drawing_scale : {1.0, 0.2}) {
        scale(drawing_scale);
        // 10 pixels per sheet millimetre: the arrow is 42 pixels long.
        DibPicture pic(120, 60, 10.0 * drawing_scale, 5);
        const Point2 p[3] = {{20 / (10.0 * drawing_scale), 30 / (10.0 * drawing_scale)},
                             {110 / (10.0 * drawing_scale), 30 / (10.0 * drawing_scale)},
                             {0, 0}};
        draw_line_end(&pic.view, 0, 0, 1, p, 0);
        EXPECT_TRUE(pic.ink(21, 30)) << "tip";
        EXPECT_TRUE(pic.ink(45, 30)) << "inside, on the axis";
        EXPECT_TRUE(pic.ink(50, 28)) << "inside, beside the axis";
        EXPECT_FALSE(pic.ink(61, 30)) << "the notch";
        EXPECT_FALSE(pic.ink(20 + 42 + 2, 30)) << "beyond the base";
        int last = 0;
        for (int x = 0; x < 120; ++x)
            for (int y = 20; y < 40; ++y)
                if (pic.ink(x, y)) last = x;
        EXPECT_NEAR(last - 20, 42, 1) << drawing_scale;
    }
}

TEST_F(DimensionGdi, AnExtensionLineLeavesAGapAlongACentreLine) {
    DibPicture pic(100, 120, 1.0, 5);
    std::vector<Segment> obstacles = {Segment{{40, 30}, {40, 60}}};
    const Point2 p[3] = {{40, 100}, {90, 100}, {0, 0}};
    const Segment ext{{40, 10}, {40, 20}};
    DimensionLineContext ctx{nullptr, &obstacles, 0};
    draw_dimension_line(&pic.view, 1, 5, 1, p, &ext, 0, 0, nullptr, 0, &ctx);
    EXPECT_TRUE(pic.ink(40, 20));
    EXPECT_FALSE(pic.ink(40, 45)) << "the gap";
    EXPECT_TRUE(pic.ink(40, 80));
    EXPECT_TRUE(pic.ink(40, 101)) << "past the dimension line";
}

}  // namespace
