// Comparison signs, angle texts in both directions, deviations, fit letters,
// model-variable values, dimension descriptions, units and scale texts.
#include "geometry/dimension_text.h"

#include "base/byte_order.h"
#include "geometry/units_scale.h"

#include "fake_drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

const double PI = 3.14159265358979323846;
const double DEG = PI / 180;

class DimensionText : public KernelTest {};

std::string value_text(double v, int kind, int comparison = 0, size_t* ret = nullptr) {
    char out[64];
    size_t n = format_dimension_value(out, sizeof out, v, kind, comparison);
    if (ret) *ret = n;
    return out;
}

}  // namespace

TEST_F(DimensionText, ComparisonKinds) {
    struct Case { const char* text; int kind; };
    const Case cases[] = {{"<", 1}, {"<=", 2}, {"=<", 2}, {" > = 5", 4}, {">", 3}, {"=>", 4},
                          {"<>", 0}, {"=", 0}, {"", 0}, {"12<", 0}, {"< 12", 1}};
    for (const Case& c : cases) EXPECT_EQ(comparison_kind(c.text), c.kind) << c.text;
}

TEST_F(DimensionText, ParseAngle) {
    struct Case { const char* text; double radians; int kind; };
    const Case cases[] = {
        {"30^15'", 30.25 * DEG, 0},
        {"-10^30'", -10.5 * DEG, 0},
        {"30'", 0.5 * DEG, 0},
        {"0.5", 0.5, 0},
        {"-0^30'", -0.5 * DEG, 0},            // the sign of zero degrees counts
        {"-0^0'30\"", -DEG / 120, 0},
        {"12\xB0 30' 36\"", (12 + 30 / 60.0 + 36 / 3600.0) * DEG, 0},
        {">=45^", 45 * DEG, 4},
        {"<90^", 90 * DEG, 1},
        {"<н", 0, 0},
        {"1,5", 1.5, 0},
    };
    for (const Case& c : cases) {
        int kind = -1;
        EXPECT_NEAR(parse_angle(c.text, &kind), c.radians, 1e-12) << c.text;
        EXPECT_EQ(kind, c.kind) << c.text;
        EXPECT_NEAR(parse_angle(c.text, nullptr), c.kind ? 0.0 : c.radians, c.kind ? 1e9 : 1e-12) << c.text;
    }
}

TEST_F(DimensionText, LengthValueTexts) {
    struct Case { double v; int comparison; const char* text; };
    const Case cases[] = {
        {12.5, 0, "   12.5"},
        {12.0, 0, "   12"},
        {-0.125, 2, "<=   -0.125"},
        {9999.999, 0, " 9999.999"},
        {9999.99999999, 0, "     9999.99999999"},  // equal to 1e4 at the tolerance
        {10000.0, 3, ">    10000"},
        {1e8, 0, "         1e+08"},
        {1.5e10, 4, ">=       1.5e+10"},
        {-2.25e9, 1, "<     -2.25e+09"},
    };
    for (const Case& c : cases) {
        size_t n;
        std::string t = value_text(c.v, 0, c.comparison, &n);
        EXPECT_EQ(t, c.text) << c.v;
        size_t sign = c.comparison == 0 ? 0 : (c.comparison % 2 == 0 ? 2 : 1);
        EXPECT_EQ(n, t.size() - sign) << c.v;  // the length written after the sign
    }
}

TEST_F(DimensionText, AngleValueTexts) {
    struct Case { double v; const char* text; };
    const Case cases[] = {
        {30 * DEG, "  30\xB0"},
        {(30 + 15 / 60.0) * DEG, "  30\xB0" "15'"},
        {(30 + 15 / 60.0 + 7.5 / 3600) * DEG, "  30\xB0" "15'7.50\""},
        {(1 + 2 / 3600.0) * DEG, "  1\xB0" "0'2\""},
        {-0.5 * DEG, "  -0\xB0" "30'"},
        {-(10.5) * DEG, " -10\xB0" "30'"},
        {(59 / 60.0 + 59.996 / 3600) * DEG, "  1\xB0"},       // carries into the degrees
        {180 * DEG, " 180\xB0"},
        {0, "  0\xB0"},
    };
    for (const Case& c : cases) {
        size_t n;
        std::string t = value_text(c.v, 3, 0, &n);
        EXPECT_EQ(t, c.text) << c.v / DEG;
        EXPECT_EQ(n, t.size());
    }
}

TEST_F(DimensionText, AngleSweepRoundTripsWithoutSixtySecondsOrNegativeMinutes) {
    const double secs[] = {0, 0.004, 0.005, 59.994, 59.995};
    for (int d = 0; d <= 360; d += (d < 3 ? 1 : 7)) {
        for (int m = 0; m < 60; ++m) {
            for (double s : secs) {
                for (int sign = -1; sign <= 1; sign += 2) {
                    double v = sign * (d + m / 60.0 + s / 3600.0) * DEG;
                    std::string t = value_text(v, 3);
                    ASSERT_EQ(t.find("60\""), std::string::npos) << t;
                    ASSERT_EQ(t.find("60'"), std::string::npos) << t;
                    ASSERT_EQ(t.find("-", 3), std::string::npos) << t;
                    double back = parse_angle(t.c_str(), nullptr);
                    ASSERT_NEAR(back, v, 0.005 / 3600 * DEG + 1e-15) << t;
                }
            }
        }
    }
}

TEST_F(DimensionText, Deviations) {
    struct Case { const char* text; double upper, lower; };
    const Case cases[] = {
        {"0.05", 0.05, -0.05}, {"+0.05", 0.05, 0.0}, {"-0.05", 0.0, -0.05}, {"+-0.02", 0.02, -0.02},
        {"-+0.02", 0.02, -0.02}, {"+0.1/-0.05", 0.1, -0.05}, {"+ 0,1 / - 0,05", 0.1, -0.05},
        {"/-0.05", 0.0, -0.05}, {"", 0.0, 0.0}, {"H7", 0.0, 0.0}, {"+0.2/+0.1", 0.2, 0.1},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(parse_upper_deviation(c.text), c.upper, 1e-12) << c.text;
        EXPECT_NEAR(parse_lower_deviation(c.text), c.lower, 1e-12) << c.text;
    }
    struct Fit { const char* text; uint16_t code; };
    const Fit fits[] = {{"H", 'H'}, {"h 7", 'h' | ('7' << 8)}, {"js", 'j' | ('s' << 8)}, {" K ", 'K'}, {"7", 0}, {"", 0},
                        {"\xC0\xC1", 0xC0 | (0xC1 << 8)}, {"H7", 'H' | ('7' << 8)}, {"H 7 f", 0}};
    for (const Fit& f : fits) EXPECT_EQ(fit_letters_code(f.text), f.code) << f.text;
    struct Out { uint16_t letters; double upper, lower; const char* text; };
    const Out outs[] = {
        {0, 0.1, -0.05, "+0.1/-0.05"}, {0, 0.02, -0.02, "+-0.02"}, {0, 0, 0, ""}, {0, 0.1, 0, "+0.1"},
        {0, 0, -0.05, "/-0.05"}, {'H', 0.1, -0.1, "H"}, {'j' | ('s' << 8), 0, 0, "js"},
        {0, 0.2, 0.1, "+0.2/+0.1"}, {0, -0.1, -0.2, "-0.1/-0.2"}, {0, 1.0, -2.0, "+1/-2"},
    };
    for (const Out& o : outs) {
        char out[64];
        size_t n = format_limit_deviations(out, sizeof out, o.letters, o.upper, o.lower);
        EXPECT_STREQ(out, o.text);
        EXPECT_EQ(n, std::strlen(out));
    }
    char small[5];
    format_limit_deviations(small, sizeof small, 0, 0.125, -0.0625);
    EXPECT_STREQ(small, "+0.1");
}

TEST_F(DimensionText, VariableValues) {
    struct Case { uint16_t type; double step, value, expect; };
    const Case cases[] = {
        {2 | 0x2000, 0.5, 7.3, 7.5}, {2 | 0x2000, 0.5, -7.3, -7.5}, {1, 0, 2.5, 2}, {1, 0, -2.5, -2},
        {1, 0, 2.6, 3}, {2, 0.5, 7.3, 7.3}, {2 | 0x2000, 0.0, 7.3, 7.3}, {2 | 0x2000, 0.0, 0.0, 0.0},
        {1 | 0x2000, 0.0, 3.7, 4}, {1 | 0x2000, 2.0, 5.2, 6},
    };
    for (const Case& c : cases) {
        uint8_t rec[32] = {};
        put_u16(rec, model_variable_type_offset, c.type);
        put_f64(rec, model_variable_step_offset, c.step);
        put_f64(rec, model_variable_value_offset, c.value);
        EXPECT_EQ(variable_numeric_value(rec), c.expect) << c.type << " " << c.step << " " << c.value;
    }
}

TEST_F(DimensionText, SignedTextsAndDescriptions) {
    uint8_t dim[100] = {};
    char out[64];
    put_u8(dim, dimension_kind_offset, 6);
    EXPECT_STREQ(format_signed_dimension_text(out, sizeof out, 'R', "  12.50", dim), ",50");
    EXPECT_STREQ(out, "+12,50");
    put_u8(dim, dimension_flags38_offset, 2);
    EXPECT_EQ(format_signed_dimension_text(out, sizeof out, 0, " 3.", dim), nullptr);
    EXPECT_STREQ(out, "-3");
    put_u8(dim, dimension_kind_offset, 1);
    format_signed_dimension_text(out, sizeof out, 'R', "5.5", dim);
    EXPECT_STREQ(out, "R5,5");
    format_signed_dimension_text(out, sizeof out, 0, "5.5", dim);
    EXPECT_STREQ(out, "5,5");

    struct Case { int kind, comparison; uint8_t f36, f38; double nominal; const char* text; };
    const Case cases[] = {
        {0, 0, 0, 0, 40, "   40 L  "},
        {2, 1, 0, 0x40, 12.5, "<   12.5 D \x88 "},
        {3, 0, 0x08, 0x20, 90 * DEG, "  90\xB0 U \x86\xB6"},
        {6, 3, 0, 0x60, -1.25, ">   -1.25 V \x88\xB6"},
        {9, 0, 0, 0, 1, "    1 ?  "},
    };
    for (const Case& c : cases) {
        std::memset(dim, 0, sizeof dim);
        put_u8(dim, dimension_kind_offset, static_cast<uint8_t>(c.kind));
        put_u8(dim, dimension_comparison_offset, static_cast<uint8_t>(c.comparison));
        put_u8(dim, dimension_flags36_offset, c.f36);
        put_u8(dim, dimension_flags38_offset, c.f38);
        put_f64(dim, dimension_nominal_offset, c.nominal);
        describe_dimension(out, sizeof out, dim);
        EXPECT_STREQ(out, c.text) << c.kind;
    }
}

TEST_F(DimensionText, ScaleTextsUnitsAndViewLengths) {
    struct Case { const char* text; double value; };
    const Case cases[] = {{"1:0", 0.0}, {"2,5", 2.5}, {"1:2", 0.5}, {"0:5", 0.0}, {"10:1", 10.0},
                          {"1:2.5", 0.4}, {"12345678901234567890123456789012:1", 0.0}, {"", 0.0}};
    for (const Case& c : cases) EXPECT_NEAR(parse_scale_ratio(c.text), c.value, 1e-12) << c.text;

    uint8_t projection[440] = {};
    put_f64(projection, 112, 2.0);
    fake_drawing::set_unit(1);  // centimetres
    EXPECT_NEAR(nominal_to_view_length(projection, 3, 0), 60, 1e-12);
    EXPECT_NEAR(nominal_to_view_length(projection, 3, 3), 3, 1e-12);   // angles unchanged
    EXPECT_NEAR(nominal_to_view_length(projection, 3, 7), 3, 1e-12);
    fake_drawing::set_unit(9);  // out of the table: millimetres
    EXPECT_NEAR(nominal_to_view_length(projection, 3, 1), 6, 1e-12);
    const double bad_scales[] = {0.0, 2600.0, -1.0, NAN};
    for (double s : bad_scales) {
        put_f64(projection, 112, s);
        EXPECT_NEAR(nominal_to_view_length(projection, 3, 1), 3, 1e-12) << s;
    }
    EXPECT_STREQ(length_unit_names[0], "мм");
    EXPECT_EQ(length_unit_mm[6], 914.4);
    // Sizes on paper follow the drawing scale; a damaged scale of 0 is 1.
    fake_drawing::set_scale(10);
    EXPECT_NEAR(sheet_to_model_length(10.0), 1.0, 1e-12);
    fake_drawing::set_scale(0);
    EXPECT_NEAR(sheet_to_model_length(10.0), 10.0, 1e-12);
    init_dimension_drawing_constants();
    EXPECT_EQ(dimension_drawing_constants[0], 0.95);
    EXPECT_NEAR(dimension_drawing_constants[6], PI / 2 + PI / 6, 1e-15);
    EXPECT_EQ(dimension_drawing_constants[11], 4.2);
}
