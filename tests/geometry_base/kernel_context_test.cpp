// The kernel context: angle constants, settings-block texts and the
// current-drawing accessor.
#include "base/byte_order.h"
#include "geometry/kernel_context.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

const double pi_value = 3.141592653589793;

uint8_t g_header[drawing_header_size];
const uint8_t* test_header() { return g_header; }

class KernelContextTest : public ::testing::Test {
protected:
    void SetUp() override {
        kernel_context_set_defaults();
        bind_current_drawing_header(nullptr);
        std::memset(g_header, 0, sizeof g_header);
    }
    void TearDown() override {
        kernel_context_set_defaults();
        bind_current_drawing_header(nullptr);
    }
};

TEST_F(KernelContextTest, AngleConstants) {
    const KernelContext& k = kernel_context();
    EXPECT_EQ(pi_value, k.pi);
    EXPECT_EQ(pi_value / 2, k.half_pi);
    EXPECT_EQ(2 * pi_value, k.two_pi);
    EXPECT_NEAR(pi_value / 18, k.pi_over_18, 1e-15);
    EXPECT_NEAR(pi_value / 6, k.pi_over_6, 1e-15);
    EXPECT_NEAR(2 * pi_value / 3, k.two_thirds_pi, 1e-15);
}

TEST_F(KernelContextTest, StandingTextsAreWindows1251) {
    const KernelContext& k = kernel_context();
    EXPECT_STREQ("%-24.14lg", k.number_format);
    EXPECT_STREQ("%-10.4lf", k.number_format_small);
    EXPECT_STREQ("%-14.5lg", k.number_format_large);
    EXPECT_STREQ("%14.8lf", k.dimension_format_small);
    EXPECT_STREQ("%18.8lf", k.dimension_format_medium);
    EXPECT_STREQ("%14.5lg", k.dimension_format_large);
    EXPECT_STREQ("%4i\xB0%2u'%5.2lf\"", k.angle_format);
    // "Недостаточно" in Windows-1251, one byte a letter, and the fatal mark.
    const unsigned char* t = reinterpret_cast<const unsigned char*>(k.out_of_memory_text);
    EXPECT_EQ(0xCD, t[0]);
    EXPECT_EQ(0xE5, t[1]);
    EXPECT_EQ(80u, std::strlen(k.out_of_memory_text));
    EXPECT_EQ('#', k.out_of_memory_text[79]);
    const unsigned char vid[] = {0xC2, 0xE8, 0xE4, 0};
    EXPECT_STREQ(reinterpret_cast<const char*>(vid), "Вид");
}

TEST_F(KernelContextTest, BindsTextsOfTheSettingsBlock) {
    std::vector<uint8_t> block(settings_block_size, 'x');
    auto put_text = [&](size_t off, const char* s) { std::memcpy(&block[off], s, std::strlen(s) + 1); };
    put_text(550, "%-20.10lg");
    put_text(560, "%-9.3lf");
    put_text(569, "%-13.4lg");
    put_text(578, "%1.1lf");
    put_text(586, "%2.2lf");
    put_text(594, "%3.3lg");
    put_text(602, "%i %u %lf");
    put_text(715, "no memory#");
    ASSERT_EQ(1, kernel_context_bind_settings_block(block.data(), block.size()));
    const KernelContext& k = kernel_context();
    EXPECT_STREQ("%-20.10lg", k.number_format);
    EXPECT_STREQ("%-9.3lf", k.number_format_small);
    EXPECT_STREQ("%-13.4lg", k.number_format_large);
    EXPECT_STREQ("%1.1lf", k.dimension_format_small);
    EXPECT_STREQ("%2.2lf", k.dimension_format_medium);
    EXPECT_STREQ("%3.3lg", k.dimension_format_large);
    EXPECT_STREQ("%i %u %lf", k.angle_format);
    EXPECT_STREQ("no memory#", k.out_of_memory_text);
}

TEST_F(KernelContextTest, RefusesShortOrUnterminatedBlock) {
    std::vector<uint8_t> block(settings_block_size, 0);
    EXPECT_EQ(0, kernel_context_bind_settings_block(block.data(), block.size() - 1));
    EXPECT_EQ(0, kernel_context_bind_settings_block(nullptr, block.size()));
    std::memset(&block[560], 'x', 9);  // the small number format runs into the next field
    EXPECT_EQ(0, kernel_context_bind_settings_block(block.data(), block.size()));
    EXPECT_STREQ("%-10.4lf", kernel_context().number_format_small);
}

TEST_F(KernelContextTest, MessageHookReceivesText) {
    static std::string shown;
    shown.clear();
    kernel_report_message("nothing bound");
    kernel_context().report_message = [](const char* text) { shown = text; };
    kernel_report_message(kernel_context().out_of_memory_text);
    EXPECT_EQ(std::string(kernel_context().out_of_memory_text), shown);
}

TEST_F(KernelContextTest, CurrentDrawingHeaderFields) {
    EXPECT_FALSE(drawing_is_open());
    EXPECT_EQ(1.0, current_drawing_scale());
    EXPECT_EQ(0, current_collation_mode());
    EXPECT_FALSE(current_coarse_curves());
    EXPECT_EQ(0u, current_length_unit());

    put_f64(g_header, 128, 0.25);
    put_u16(g_header, 110, (5 << 3) | 0x8007);
    put_u8(g_header, 114, 0x04);
    put_u16(g_header, 116, 4);
    bind_current_drawing_header(test_header);
    EXPECT_TRUE(drawing_is_open());
    EXPECT_EQ(0.25, current_drawing_scale());
    EXPECT_EQ(5, current_collation_mode());
    EXPECT_TRUE(current_coarse_curves());
    EXPECT_EQ(4u, current_length_unit());
    EXPECT_EQ(0x802F, current_option_word());
    EXPECT_EQ(2.5, model_to_sheet_length(10.0));
    EXPECT_EQ(40.0, sheet_to_model_length(10.0));

    put_u8(g_header, 114, 0xFB);
    EXPECT_FALSE(current_coarse_curves());
}

TEST_F(KernelContextTest, UnusableStoredScaleCountsAsOne) {
    bind_current_drawing_header(test_header);
    for (double s : {0.0, -0.0, HUGE_VAL, std::nan("")}) {
        put_f64(g_header, 128, s);
        EXPECT_EQ(1.0, current_drawing_scale()) << s;
        EXPECT_EQ(3.0, sheet_to_model_length(3.0));
    }
}

}  // namespace
