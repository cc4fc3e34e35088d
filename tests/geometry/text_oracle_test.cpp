// Number, dimension and angle texts checked against texts built here from
// the printf formats and the written rules alone: lengths and plain numbers
// by snprintf with the formats' literal texts and a trailing-zero strip that
// leaves exponents alone; angles from whole hundredths of a second in integer
// arithmetic.  The golden file only proves that two builds agree; these
// tables say what the texts must be.
#include "geometry/dimension_text.h"
#include "geometry/text_numbers.h"

#include "fake_drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const double PI = 3.14159265358979323846;

class TextOracle : public KernelTest {};

std::string printed(const char* format, double v) {
    char b[128];
    std::snprintf(b, sizeof b, format, v);
    return b;
}

// Trailing blanks go; in a text with a point and no exponent, trailing
// zeros go back to the point, and the point too when nothing follows it
// (keep_one leaves one zero after it instead).
std::string stripped(std::string t, bool keep_one) {
    while (!t.empty() && t.back() == ' ') t.pop_back();
    if (t.find('.') == std::string::npos || t.find_first_of("eE") != std::string::npos) return t;
    while (t.back() == '0') t.pop_back();
    if (t.back() == '.') {
        if (keep_one) t += '0';
        else t.pop_back();
    }
    return t;
}

std::string comparison_sign(int comparison) {
    static const char* const signs[] = {"", "<", "<=", ">", ">="};
    return signs[comparison];
}

std::string call_dimension_value(double v, int kind, int comparison) {
    char out[96];
    format_dimension_value(out, sizeof out, v, kind, comparison);
    return out;
}

// The angle text of sign x (deg, min, centi-seconds): "%4i°%2u'%5.2lf" and
// the seconds sign, cut after the minutes sign when the seconds are 0 and
// after the degree sign when the minutes are 0 too, the first ".00" made
// blanks, then the first two characters kept and the rest without blanks.
std::string angle_text(bool negative, int deg, int min, int centis) {
    char head[16];
    if (negative && deg == 0) std::snprintf(head, sizeof head, "%4s", "-0");
    else std::snprintf(head, sizeof head, "%4i", negative ? -deg : deg);
    char t[64];
    std::snprintf(t, sizeof t, "%s\xB0%2d'%2d.%02d\"", head, min, centis / 100, centis % 100);
    std::string s = t;
    if (centis == 0) {
        s = s.substr(0, s.rfind('\'') + 1);
        if (min == 0) s = s.substr(0, s.rfind('\xB0') + 1);
    }
    size_t dot = s.find(".00");
    if (dot != std::string::npos) s.replace(dot, 3, "   ");
    std::string out = s.substr(0, 2);
    for (size_t i = 2; i < s.size(); ++i)
        if (s[i] != ' ') out += s[i];
    return out;
}

}  // namespace

TEST_F(TextOracle, LengthTextsFollowTheThreeFormats) {
    // Away from the format bounds 1e4 and 1e8, which are compared within the
    // standing tolerance.
    const double values[] = {0.0,      0.5,        -0.125,     12.0,      12.5,      99.99,
                             1234.56789, -9999.5,  12345.678,  -250000.0, 99999999.0 - 5,
                             2.5e8,    -3.25e12,   1.5e20,     1.0e9,     7.0e-6,    123456789012.0};
    for (double v : values) {
        double a = std::fabs(v);
        const char* format = a < 10000.0 ? "%14.8lf" : a < 100000000.0 ? "%18.8lf" : "%14.5lg";
        std::string number = stripped(printed(format, v), false);
        for (int comparison = 0; comparison <= 4; ++comparison)
            EXPECT_EQ(call_dimension_value(v, 0, comparison), comparison_sign(comparison) + number)
                << v << " " << comparison;
    }
    // A few read off by hand, to pin the oracle itself.
    EXPECT_EQ(call_dimension_value(1234.56789, 0, 0), " 1234.56789");
    EXPECT_EQ(call_dimension_value(2.5e8, 0, 2), "<=       2.5e+08");
    EXPECT_EQ(call_dimension_value(-250000.0, 0, 0), "  -250000");
}

TEST_F(TextOracle, NumberTextsWithAndWithoutExponents) {
    const double values[] = {0.0, 3.0, 0.1, -2.76, 1.0 / 3.0, 12.0, 99999.95, 100000.0, 123456.789,
                             -2.5e10, 1.5e20, 1e-7, 6.02214076e23, -4.0e-12};
    for (double v : values) {
        char out[128];
        format_number(out, sizeof out, v);
        EXPECT_EQ(std::string(out), stripped(printed("%-24.14lg", v), true)) << v;
        format_number_by_magnitude(out, sizeof out, v);
        const char* by_magnitude = std::fabs(v) < 100000.0 ? "%-10.4lf" : "%-14.5lg";
        EXPECT_EQ(std::string(out), stripped(printed(by_magnitude, v), true)) << v;
        format_number_short(out, sizeof out, v);
        const char* shorter = std::fabs(v) < 100000.0 ? "%-10.1lf" : "%-14.2lg";
        EXPECT_EQ(std::string(out), stripped(printed(shorter, v), false)) << v;
    }
    struct Hand { double v; const char* number, *by_magnitude, *shorter; };
    const Hand hand[] = {
        {12.0, "12", "12.0", "12"},
        {0.1, "0.1", "0.1", "0.1"},
        {123456.789, "123456.789", "1.2346e+05", "1.2e+05"},
        {1.5e20, "1.5e+20", "1.5e+20", "1.5e+20"},
        {-2.76, "-2.76", "-2.76", "-2.8"},
    };
    for (const Hand& h : hand) {
        char out[128];
        format_number(out, sizeof out, h.v);
        EXPECT_STREQ(out, h.number);
        format_number_by_magnitude(out, sizeof out, h.v);
        EXPECT_STREQ(out, h.by_magnitude);
        format_number_short(out, sizeof out, h.v);
        EXPECT_STREQ(out, h.shorter);
    }
}

TEST_F(TextOracle, AngleTextsInDegreesMinutesAndSecondsWithSigns) {
    struct Angle { int deg, min, centis; };
    const Angle angles[] = {{0, 0, 0},   {30, 0, 0},     {30, 15, 0},  {45, 30, 4500}, {12, 20, 4444},
                            {1, 0, 200}, {0, 30, 0},     {90, 0, 0},   {179, 59, 5999}, {270, 0, 1},
                            {359, 1, 50}, {7, 7, 707},   {100, 0, 0},  {0, 0, 1}};
    for (const Angle& a : angles) {
        for (int sign = 1; sign >= -1; sign -= 2) {
            if (sign < 0 && a.deg == 0 && a.min == 0 && a.centis == 0) continue;
            long long centis = (a.deg * 3600LL + a.min * 60LL) * 100 + a.centis;
            double radians = sign * (centis / 360000.0) * PI / 180.0;
            std::string expect = angle_text(sign < 0, a.deg, a.min, a.centis);
            EXPECT_EQ(call_dimension_value(radians, 3, 0), expect) << a.deg << " " << a.min << " " << a.centis;
            EXPECT_EQ(call_dimension_value(radians, 3, 3), ">" + expect);
        }
    }
    // Read off by hand: whole degrees end at the degree sign, whole minutes
    // at the minutes sign, and ".00" seconds lose their fraction.
    EXPECT_EQ(angle_text(false, 90, 0, 0), "  90\xB0");
    EXPECT_EQ(angle_text(true, 10, 30, 0), " -10\xB0" "30'");
    EXPECT_EQ(angle_text(false, 45, 30, 4500), "  45\xB0" "30'45\"");
    EXPECT_EQ(angle_text(false, 12, 20, 4444), "  12\xB0" "20'44.44\"");
}

TEST_F(TextOracle, DeviationTextsFromTheirParts) {
    struct Case { double upper, lower; };
    const Case cases[] = {{0.1, -0.05}, {0.02, -0.02}, {0.0, 0.0}, {0.125, 0.0}, {0.0, -0.3},
                          {1.5, -0.75}, {0.001, -0.001}, {12.0, -0.5}};
    for (const Case& c : cases) {
        std::string expect;
        if (std::fabs(c.upper) == std::fabs(c.lower)) {
            if (c.upper != 0) expect = stripped(printed("+-%-12.8lf", std::fabs(c.upper)), false);
        } else {
            if (c.upper != 0) expect = stripped(printed("+%-12.8lf", c.upper), false);
            if (c.lower != 0) expect += stripped(printed("/-%-12.8lf", std::fabs(c.lower)), false);
        }
        char out[96];
        format_limit_deviations(out, sizeof out, 0, c.upper, c.lower);
        EXPECT_EQ(std::string(out), expect) << c.upper << " " << c.lower;
    }
    // Worked out by hand from the rules: equal magnitudes share "+-", a zero
    // side is left out (the lower one keeps its slash), trailing zeros and a
    // point left last go, and fit letters stand alone.
    struct Hand { uint16_t letters; double upper, lower; const char* text; };
    const Hand hand[] = {
        {0, 0.1, -0.05, "+0.1/-0.05"},  {0, 0.02, -0.02, "+-0.02"}, {0, 0.0, 0.0, ""},
        {0, 0.125, 0.0, "+0.125"},      {0, 0.0, -0.3, "/-0.3"},    {0, 12.0, -0.5, "+12/-0.5"},
        {0, 1.5, -0.75, "+1.5/-0.75"},  {0x3748, 0.1, -0.1, "H7"},
    };
    for (const Hand& h : hand) {
        char out[96];
        format_limit_deviations(out, sizeof out, h.letters, h.upper, h.lower);
        EXPECT_STREQ(out, h.text) << h.upper << " " << h.lower;
    }
}
