// Character classes, case conversion and collation of Windows-1251 texts.
#include "base/byte_order.h"
#include "geometry/kernel_context.h"
#include "geometry/text_chars.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Classified {
    int result;
    uint16_t bits;
};

template <typename F>
Classified classify(F f, unsigned char c) {
    char_class_flags = 0;
    int r = f(c);
    return Classified{r, char_class_flags};
}

TEST(CharClasses, SpotTable) {
    struct Case {
        unsigned char c;
        Classified digit, decimal, number, letter, identifier;
    } cases[] = {
        {'0', {0, 0x02}, {0, 0x02}, {0, 0x02}, {1, 0}, {0, 0x02}},
        {'9', {0, 0x02}, {0, 0x02}, {0, 0x02}, {1, 0}, {0, 0x02}},
        {'.', {1, 0}, {0, 0x04}, {0, 0x04}, {1, 0}, {1, 0}},
        {',', {1, 0}, {0, 0x04}, {0, 0x04}, {1, 0}, {1, 0}},
        {'+', {1, 0}, {0, 0x08}, {0, 0x08}, {1, 0}, {1, 0}},
        {'-', {1, 0}, {0, 0x10}, {0, 0x10}, {1, 0}, {1, 0}},
        {'E', {1, 0}, {1, 0}, {0, 0x01}, {0, 0x01}, {0, 0x01}},
        {'e', {1, 0}, {1, 0}, {0, 0x21}, {0, 0x21}, {0, 0x21}},
        {0xC5, {1, 0}, {1, 0}, {0, 0x41}, {0, 0x41}, {0, 0x41}},  // Е
        {0xE5, {1, 0}, {1, 0}, {0, 0x81}, {0, 0x81}, {0, 0x81}},  // е
        {'`', {1, 0}, {1, 0}, {0, 0x100}, {1, 0}, {1, 0}},
        {'D', {1, 0}, {1, 0}, {1, 0}, {0, 0x01}, {0, 0x01}},
        {'z', {1, 0}, {1, 0}, {1, 0}, {0, 0x21}, {0, 0x21}},
        {0xC0, {1, 0}, {1, 0}, {1, 0}, {0, 0x41}, {0, 0x41}},
        {0xDF, {1, 0}, {1, 0}, {1, 0}, {0, 0x41}, {0, 0x41}},
        {0xE0, {1, 0}, {1, 0}, {1, 0}, {0, 0x81}, {0, 0x81}},
        {0xFF, {1, 0}, {1, 0}, {1, 0}, {0, 0x81}, {0, 0x81}},
        {0xA8, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}},  // Ё is no letter
        {0xB8, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}},  // ё
        {'_', {1, 0}, {1, 0}, {1, 0}, {1, 0}, {0, 0}},
        {'%', {1, 0}, {1, 0}, {1, 0}, {1, 0}, {0, 0}},
        {'!', {1, 0}, {1, 0}, {1, 0}, {1, 0}, {0, 0}},
        {'$', {1, 0}, {1, 0}, {1, 0}, {1, 0}, {0, 0}},
        {'&', {1, 0}, {1, 0}, {1, 0}, {1, 0}, {0, 0}},
        {'#', {1, 0}, {1, 0}, {1, 0}, {1, 0}, {0, 0}},
        {'@', {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}},
        {' ', {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}},
        {0, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}},
    };
    for (const Case& c : cases) {
        const Classified got[] = {classify(classify_digit, c.c), classify(classify_decimal_char, c.c),
                                  classify(classify_number_char, c.c), classify(classify_letter, c.c),
                                  classify(classify_identifier_char, c.c)};
        const Classified want[] = {c.digit, c.decimal, c.number, c.letter, c.identifier};
        for (int f = 0; f < 5; ++f) {
            EXPECT_EQ(want[f].result, got[f].result) << "byte " << int(c.c) << " function " << f;
            EXPECT_EQ(want[f].bits, got[f].bits) << "byte " << int(c.c) << " function " << f;
        }
    }
}

TEST(CharClasses, AllBytesAgreeWithTheClassRanges) {
    int letters = 0, identifiers = 0, numbers = 0;
    for (int c = 0; c < 256; ++c) {
        Classified l = classify(classify_letter, static_cast<unsigned char>(c));
        bool is_letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0xC0;
        EXPECT_EQ(is_letter ? 0 : 1, l.result) << c;
        if (l.result == 0) {
            ++letters;
            EXPECT_TRUE(l.bits & 0x01) << c;
        } else {
            EXPECT_EQ(0, l.bits) << c;
        }
        if (classify(classify_identifier_char, static_cast<unsigned char>(c)).result == 0) ++identifiers;
        if (classify(classify_number_char, static_cast<unsigned char>(c)).result == 0) ++numbers;
    }
    EXPECT_EQ(52 + 64, letters);
    EXPECT_EQ(52 + 64 + 10 + 6, identifiers);
    EXPECT_EQ(10 + 4 + 5, numbers);
}

TEST(CharClasses, FlagsAccumulateUntilCleared) {
    char_class_flags = 0;
    for (const char* p = "-1,5e`"; *p; ++p) classify_number_char(static_cast<unsigned char>(*p));
    EXPECT_EQ(0x10 | 0x02 | 0x04 | 0x21 | 0x100, char_class_flags);
    classify_digit('x');  // refused: no change
    EXPECT_EQ(0x10 | 0x02 | 0x04 | 0x21 | 0x100, char_class_flags);
    // Another thread has its own word.
    uint16_t other = 0xFFFF;
    std::thread t([&] { other = char_class_flags; });
    t.join();
    EXPECT_EQ(0, other);
}

TEST(CaseConversion, AllBytes) {
    for (int c = 0; c < 256; ++c) {
        unsigned char b = static_cast<unsigned char>(c);
        unsigned char up = (c >= 'a' && c <= 'z') || c >= 0xE0 ? static_cast<unsigned char>(c - 0x20) : b;
        unsigned char low = (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDF) ? static_cast<unsigned char>(c + 0x20) : b;
        EXPECT_EQ(up, char_to_upper(b)) << c;
        EXPECT_EQ(low, char_to_lower(b)) << c;
    }
    EXPECT_EQ(0xB8, char_to_upper(0xB8));
    EXPECT_EQ(0xA8, char_to_lower(0xA8));
    EXPECT_EQ(0xDF, char_to_upper(0xFF));
}

TEST(CaseConversion, CopyInPlaceAndApart) {
    char text[] = "Вид спереди ё-1 Abc";
    char apart[sizeof text];
    copy_to_upper(apart, text);
    EXPECT_STREQ("ВИД СПЕРЕДИ ё-1 ABC", apart);
    copy_to_lower(text, text);
    EXPECT_STREQ("вид спереди ё-1 abc", text);
    char empty[1] = {0};
    copy_to_upper(empty, "");
    EXPECT_STREQ("", empty);
}

TEST(Collation, TableHoldsEveryHighByteOnce) {
    int seen[256] = {};
    for (size_t i = 0; i < collation_order_size; ++i) ++seen[collation_order[i]];
    for (int c = 0x80; c <= 0xFF; ++c) EXPECT_EQ(1, seen[c]) << c;
    for (int c = 0x20; c <= 0x7F; ++c) {
        if (c == '"') EXPECT_EQ(0, seen[c]);
        else if (c == '@') EXPECT_EQ(2, seen[c]);
        else EXPECT_EQ(1, seen[c]) << c;
    }
    EXPECT_EQ('@', collation_order[2]);
    EXPECT_EQ('@', collation_order[32]);
    EXPECT_EQ(0xDB, collation_order[137]);  // Ы
    EXPECT_EQ(0xFB, collation_order[184]);  // ы
}

std::vector<std::string> sorted_in_mode(std::vector<std::string> words, int mode) {
    std::stable_sort(words.begin(), words.end(), [mode](const std::string& a, const std::string& b) {
        return compare_collated_in_mode(a.c_str(), b.c_str(), mode) < 0;
    });
    return words;
}

TEST(Collation, WordListInThreeModes) {
    const std::vector<std::string> words = {"Я", "Ь", "Э", "Ы", "Е", "Ё", "Ж", "Ґ", "Г", "Д",
                                            "#1", "@1", "\"1", "!1", "\x01x", "a", "B", "ь", "я"};
    const std::vector<std::string> standard = {"\x01x", "!1", "\"1", "@1", "#1", "B", "a", "Г", "Ґ", "Д",
                                               "Е", "Ё", "Ж", "Ы", "Ь", "Э", "Я", "ь", "я"};
    std::vector<std::string> soft_last = standard;
    // Ь after Я, ь after я.
    soft_last = {"\x01x", "!1", "\"1", "@1", "#1", "B", "a", "Г", "Ґ", "Д",
                 "Е", "Ё", "Ж", "Ы", "Э", "Я", "Ь", "я", "ь"};
    const std::vector<std::string> bytes = {"\x01x", "!1", "\"1", "#1", "@1", "B", "a", "Ґ", "Ё",
                                            "Г", "Д", "Е", "Ж", "Ы", "Ь", "Э", "Я", "ь", "я"};
    EXPECT_EQ(standard, sorted_in_mode(words, 0));
    EXPECT_EQ(standard, sorted_in_mode(words, 1));
    EXPECT_EQ(soft_last, sorted_in_mode(words, 2));
    EXPECT_EQ(bytes, sorted_in_mode(words, 3));
    EXPECT_EQ(bytes, sorted_in_mode(words, 7));
    // The order of one mode does not leak into the next.
    EXPECT_EQ(standard, sorted_in_mode(words, 0));

    for (int mode : {0, 2, 5}) {
        for (const std::string& a : words) {
            for (const std::string& b : words) {
                EXPECT_EQ(compare_collated_in_mode(a.c_str(), b.c_str(), mode),
                          -compare_collated_in_mode(b.c_str(), a.c_str(), mode))
                    << a << " " << b << " mode " << mode;
                EXPECT_EQ(a == b, compare_collated_in_mode(a.c_str(), b.c_str(), mode) == 0);
            }
        }
    }
}

TEST(Collation, LengthsDecideAfterACommonBeginning) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"abc", "abcd", -1}, {"abcd", "abc", 1}, {"", "", 0}, {"", "a", -1},
        {"a", "", 1},        {"abc", "abc", 0},  {"Ь", "Э", -1},
    };
    for (int mode : {0, 2, 3}) {
        for (const Case& c : cases) {
            int expected = c.expected;
            if (mode == 2 && std::string(c.a) == "Ь") expected = 1;
            EXPECT_EQ(expected, compare_collated_in_mode(c.a, c.b, mode)) << c.a << " " << c.b;
        }
    }
}

uint8_t g_header[drawing_header_size];
const uint8_t* test_header() { return g_header; }

TEST(Collation, ModeComesFromTheCurrentDrawing) {
    std::memset(g_header, 0, sizeof g_header);
    bind_current_drawing_header(test_header);
    const char* soft = "Ь";
    const char* e = "Э";
    put_u16(g_header, 110, 0);
    EXPECT_EQ(-1, compare_collated(soft, e));
    put_u16(g_header, 110, 2 << 3);
    EXPECT_EQ(1, compare_collated(soft, e));
    put_u16(g_header, 110, 3 << 3);
    EXPECT_EQ(-1, compare_collated("\xDC", "\xDD"));
    EXPECT_EQ(1, compare_collated("\xE0", "\xA8"));  // а after Ё by byte value
    put_u16(g_header, 110, 0);
    EXPECT_EQ(-1, compare_collated("\xA8", "\xE0"));
    bind_current_drawing_header(nullptr);
    // Without a drawing: the standard order.
    EXPECT_EQ(-1, compare_collated(soft, e));
}

TEST(Collation, LongTextsBeyond16BitCounts) {
    std::string a(70000, 'x');
    std::string b = a;
    b[69999] = 'y';
    EXPECT_EQ(-1, compare_collated_in_mode(a.c_str(), b.c_str(), 0));
    std::string up(70000, 0);
    copy_to_upper(&up[0], a.c_str());
    EXPECT_EQ(std::string(70000, 'X'), up);
}

}  // namespace
