// Trimming, number reading and number printing.
#include "geometry/kernel_context.h"
#include "geometry/text_numbers.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Runs a strip routine on text padded into a buffer of its own length.
struct Stripped {
    std::string text;
    size_t length;
};

Stripped strip(size_t (*f)(size_t, char*), const char* text) {
    std::vector<char> buf(text, text + std::strlen(text) + 1);
    size_t n = f(std::strlen(text), buf.data());
    return Stripped{std::string(buf.data()), n};
}

TEST(Trimming, StripTrailingZerosTable) {
    struct Case {
        const char* in;
        const char* plain;
        const char* keep_one;
    } cases[] = {
        {"12.500", "12.5", "12.5"},
        {"12.000", "12", "12.0"},
        {".000", "", ".0"},
        {"1200", "1200", "1200"},
        {"1200   ", "1200", "1200"},
        {"12.50    ", "12.5", "12.5"},
        {"-0.0000   ", "-0", "-0.0"},
        {"100.", "100", "100"},
        // Exponent texts keep the zeros of their exponent.
        {"1.5e+20", "1.5e+20", "1.5e+20"},
        {"3.4e-10", "3.4e-10", "3.4e-10"},
        {"2.5e+10       ", "2.5e+10", "2.5e+10"},
        {"1.500e+20  ", "1.5e+20", "1.5e+20"},
        {"2.000E-100", "2E-100", "2.0E-100"},
        {"3.4e-010", "3.4e-010", "3.4e-010"},
        {"1e+20    ", "1e+20", "1e+20"},
        {"", "", ""},
        {"  ", "", ""},
        {"a\t ", "a\t", "a\t"},
    };
    for (const Case& c : cases) {
        Stripped p = strip(strip_trailing_zeros, c.in);
        Stripped k = strip(strip_trailing_zeros_keep_one, c.in);
        EXPECT_EQ(c.plain, p.text) << '"' << c.in << '"';
        EXPECT_EQ(std::strlen(c.plain), p.length) << c.in;
        EXPECT_EQ(c.keep_one, k.text) << '"' << c.in << '"';
        EXPECT_EQ(std::strlen(c.keep_one), k.length) << c.in;
    }
}

TEST(Trimming, TrimClearsBlanksAndNulsOnly) {
    char buf[] = "ab\t \0 \0";
    EXPECT_EQ(3u, trim_trailing_blanks(sizeof buf - 1, buf));
    EXPECT_EQ(0, std::memcmp(buf, "ab\t\0\0\0\0", sizeof buf));
    char none[] = "xyz";
    EXPECT_EQ(3u, trim_trailing_blanks(3, none));
    EXPECT_EQ(0u, trim_trailing_blanks(0, none));
}

TEST(Trimming, JoinTextLines) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"ab-\r\n  cd", "abcd"},
        {"ab\r\ncd", "abcd"},
        {"ab\ncd\nef", "abcdef"},
        {"\r\nab", "ab"},
        {"-\r\n x", "x"},
        {"a - \r\n b", "a -  b"},
        {"ab--\r\ncd", "ab-cd"},
        {"ab-\r\n\r\n  cd", "ab  cd"},
        {"", ""},
    };
    for (const Case& c : cases) {
        std::vector<char> dst(std::strlen(c.in) + 1, 'x');
        join_text_lines(dst.data(), c.in);
        EXPECT_STREQ(c.out, dst.data()) << c.in;
    }
}

TEST(Trimming, CopyWithoutBlanksAndSkipBlanks) {
    char dst[16];
    EXPECT_EQ(6u, copy_without_blanks(dst, " 1 2,5 ", 6));
    EXPECT_STREQ("12,5", dst);
    EXPECT_EQ(3u, copy_without_blanks(dst, "a b", 32));
    EXPECT_STREQ("ab", dst);

    const char* text = "   x y";
    int count = 10;
    EXPECT_EQ(text + 3, skip_blanks(text, &count));
    EXPECT_EQ(13, count);
    EXPECT_EQ(text + 3, skip_blanks(text));
    char tab[] = "\tx";
    EXPECT_EQ(tab, skip_blanks(tab));

    EXPECT_EQ(0, is_nonzero(0.0));
    EXPECT_EQ(0, is_nonzero(-0.0));
    EXPECT_EQ(1, is_nonzero(1e-300));
}

TEST(NumberInput, ParseNumberText) {
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"3,5", 3.5},       {"3.5", 3.5},     {"1,2,3", 1.2},   {"abc", 0.0},
        {"  -2,25mm", -2.25}, {"", 0.0},      {"1e3", 1000.0},  {",5", 0.5},
        {"0.1", 0.1},       {"1.7976931348623157e308", DBL_MAX},
        {"2.2250738585072014e-308", DBL_MIN},
        // Halfway and near-halfway decimal inputs read to the nearest double.
        {"9007199254740993", 9007199254740992.0},
        {"9007199254740995", 9007199254740996.0},
        {"0.30000000000000004", 0.30000000000000004},
        {"123456789012345678901234567890", 1.2345678901234568e29},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.value, parse_number_text(c.text)) << c.text;
    }
    // Only the first 259 characters are read.
    std::string longer = "1" + std::string(300, '0');
    EXPECT_EQ(1e258, parse_number_text(longer.c_str()));
}

TEST(NumberInput, ParseNumberPair) {
    struct Case {
        const char* text;
        int pos;
        double first, second;
        int end;
    } cases[] = {
        {"5,10", 0, 5.0, 10.0, 4},
        {"5/10", 0, -1.0, 10.0, 4},
        {"2.5,", 0, 2.5, -1.0, 4},
        {"x=5,7/", 2, 5.0, 7.0, 6},
        {"", 0, -1.0, -1.0, 0},
        {"abc", 0, -1.0, -1.0, 0},
        {",", 0, -1.0, -1.0, 1},
    };
    for (const Case& c : cases) {
        double out[2] = {-1.0, -1.0};
        EXPECT_EQ(c.end, parse_number_pair(c.text, c.pos, out)) << c.text;
        EXPECT_EQ(c.first, out[0]) << c.text;
        EXPECT_EQ(c.second, out[1]) << c.text;
    }
}

// The golden number texts: the same bytes in every build.
const char* const golden_table =
    "value | format_number | by_magnitude | short\n"
    "0 | 0 | 0.0 | 0\n"
    "12 | 12 | 12.0 | 12\n"
    "12.5 | 12.5 | 12.5 | 12.5\n"
    "-0 | -0 | -0.0 | -0\n"
    "99999.999949999998 | 99999.99995 | 99999.9999 | 100000\n"
    "100000 | 100000 | 1e+05 | 1e+05\n"
    "1.5e+20 | 1.5e+20 | 1.5e+20 | 1.5e+20\n"
    "3.4000000000000001e-10 | 3.4e-10 | 0.0 | 0\n"
    "25000000000 | 25000000000 | 2.5e+10 | 2.5e+10\n"
    "1e-100 | 1e-100 | 0.0 | 0\n"
    "-123456789012340 | -1.2345678901234e+14 | -1.2346e+14 | -1.2e+14\n"
    "0.10000000000000001 | 0.1 | 0.1 | 0.1\n"
    "-0.050000000000000003 | -0.05 | -0.05 | -0.1\n"
    "0.25 | 0.25 | 0.25 | 0.2\n"
    "1.0000000000000002 | 1 | 1.0 | 1\n"
    "123456.789 | 123456.789 | 1.2346e+05 | 1.2e+05\n"
    "100000000000000 | 1e+14 | 1e+14 | 1e+14\n"
    "0.0001 | 0.0001 | 0.0001 | 0\n"
    "1.7976931348623157e+308 | 1.7976931348623e+308 | 1.7977e+308 | 1.8e+308\n"
    "-4.9406564584124654e-324 | -4.9406564584125e-324 | -0.0 | -0\n";

TEST(NumberOutput, GoldenTableIsTheSameInEveryBuild) {
    const double values[] = {0.0,     12.0,    12.5,      -0.0,    99999.99995, 100000.0,
                             1.5e20,  3.4e-10, 2.5e10,    1e-100,  -1.2345678901234e14,
                             0.1,     -0.05,   0.25,      1.0000000000000002, 123456.789,
                             1e14,    0.0001,  DBL_MAX,   -4.9406564584124654e-324};
    std::string table = "value | format_number | by_magnitude | short\n";
    for (double v : values) {
        char value_text[40], a[64], b[64], c[64];
        std::snprintf(value_text, sizeof value_text, "%.17g", v);
        format_number(a, sizeof a, v);
        format_number_by_magnitude(b, sizeof b, v);
        format_number_short(c, sizeof c, v);
        table += std::string(value_text) + " | " + a + " | " + b + " | " + c + "\n";
    }
    EXPECT_EQ(std::string(golden_table), table);
}

TEST(NumberOutput, TextsReadBackToTheirValue) {
    // What the exchange writer prints reads back to the value at the
    // precision of its 14 significant digits.
    const double values[] = {1.5e20, 3.4e-10, 2.5e10, 1e-100, -1.2345678901234e14, 0.1,
                             -7.25, 1e-5, 6.02214076e23, 12.0};
    for (double v : values) {
        char text[64];
        format_number(text, sizeof text, v);
        EXPECT_NEAR(v, parse_number_text(text), std::fabs(v) * 1e-13) << text;
        format_number_by_magnitude(text, sizeof text, v);
        if (std::fabs(v) >= 100000.0) {
            EXPECT_NEAR(v, parse_number_text(text), std::fabs(v) * 1e-4) << text;
        }
    }
}

TEST(NumberOutput, BoundedByTheDestination) {
    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(7u, format_number(small, sizeof small, -1.2345678901234e14));
    EXPECT_STREQ("-1.2345", small);
    EXPECT_EQ(0u, format_number(small, 0, 1.0));
    EXPECT_EQ('-', small[0]);

    char out[12] = "x=";
    EXPECT_EQ(6u, append_number(out, sizeof out, 12.5));
    EXPECT_STREQ("x=12.5", out);
    EXPECT_EQ(11u, append_number(out, sizeof out, 123456.0));
    EXPECT_STREQ("x=12.512345", out);
    EXPECT_EQ(11u, append_number(out, sizeof out, 1.0));
    EXPECT_STREQ("x=12.512345", out);
}

TEST(NumberOutput, FormatsComeFromTheSettings) {
    std::vector<uint8_t> block(settings_block_size, 0);
    std::memcpy(&block[550], "%-20.3lf", 9);
    std::memcpy(&block[560], "%.2lf", 6);
    std::memcpy(&block[569], "%.1le", 6);
    ASSERT_EQ(1, kernel_context_bind_settings_block(block.data(), block.size()));
    char out[64];
    format_number(out, sizeof out, 2.0);
    EXPECT_STREQ("2.0", out);
    format_number_by_magnitude(out, sizeof out, 3.14159);
    EXPECT_STREQ("3.14", out);
    format_number_by_magnitude(out, sizeof out, 250000.0);
    EXPECT_STREQ("2.5e+05", out);
    kernel_context_set_defaults();
}

TEST(Helpers, NumberListGrowsSafely) {
    NumberList* list = append_number_to_list(nullptr, 5);
    ASSERT_NE(nullptr, list);
    list = append_number_to_list(list, 7);
    EXPECT_STREQ("5,7", list->text);
    number_list_free(list);

    // Numbers wider than the first block, then many more.
    list = append_number_to_list(nullptr, 1000);
    ASSERT_NE(nullptr, list);
    EXPECT_STREQ("1000", list->text);
    for (int n : {-100, INT_MAX, INT_MIN}) list = append_number_to_list(list, n);
    EXPECT_STREQ("1000,-100,2147483647,-2147483648", list->text);
    std::string expected = list->text;
    for (int i = 0; i < 100; ++i) {
        list = append_number_to_list(list, i * 12345);
        expected += "," + std::to_string(i * 12345);
    }
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(expected, list->text);
    EXPECT_EQ(expected.size(), list->length);
    EXPECT_LT(list->length, list->capacity);
    number_list_free(list);
    number_list_free(nullptr);

    list = append_number_to_list(nullptr, -100);
    EXPECT_STREQ("-100", list->text);
    number_list_free(list);
}

TEST(Helpers, SwapValues) {
    for (size_t size : {2u, 4u, 8u, 12u, 16u}) {
        unsigned char a[16], b[16];
        for (size_t i = 0; i < 16; ++i) {
            a[i] = static_cast<unsigned char>(i);
            b[i] = static_cast<unsigned char>(100 + i);
        }
        EXPECT_EQ(static_cast<void*>(a), swap_values(a, b, size));
        for (size_t i = 0; i < 16; ++i) {
            EXPECT_EQ(i < size ? 100 + i : i, a[i]) << size;
            EXPECT_EQ(i < size ? i : 100 + i, b[i]) << size;
        }
    }
    char a[7] = "abcdef", b[7] = "uvwxyz";
    EXPECT_EQ(nullptr, swap_values(a, b, 6));
    EXPECT_STREQ("uvwxyz", a);
    EXPECT_STREQ("abcdef", b);
    double x = 1.5, y = -2.0;
    swap_values(&x, &y, sizeof x);
    EXPECT_EQ(-2.0, x);
    EXPECT_EQ(1.5, y);
}

TEST(Helpers, RandomWordsFillEveryByte) {
    // Words stay 0..32767, so every high byte written has bit 7 clear: a
    // 0xCC left over would show.
    std::vector<unsigned char> buf(1002, 0xCC);
    fill_random_words(buf.data(), 1001);
    for (size_t i = 0; i + 1 < 1000; i += 2) {
        EXPECT_EQ(0, buf[i + 1] & 0x80) << i;
    }
    EXPECT_EQ(0xCC, buf[1001]);  // nothing beyond the count
    // The odd last byte is written too (it matches the old contents by
    // chance only once in 256 calls).
    int changed = 0;
    for (int trial = 0; trial < 8; ++trial) {
        buf[1000] = 0xCC;
        fill_random_words(buf.data(), 1001);
        if (buf[1000] != 0xCC) ++changed;
    }
    EXPECT_GT(changed, 0);

    // Two calls in quick succession differ.
    unsigned char first[32], second[32];
    fill_random_words(first, sizeof first);
    fill_random_words(second, sizeof second);
    EXPECT_NE(0, std::memcmp(first, second, sizeof first));
}

}  // namespace
