// The text codec: every byte of the code page through every mode, random
// texts, the size edge cases, runs, and the markup bytes that carry a value.
#include "store/text_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// What a byte reads back as: control bytes other than 24-29 are blanks.
char expected_char(unsigned char c) {
    return (c < 24 || c == 30 || c == 31) ? ' ' : static_cast<char>(c);
}

std::string round_trip(const std::string& text, int mode, int* bytes = nullptr) {
    std::vector<uint16_t> words(text.size() * 2 + 8);
    int n = text_pack_words(static_cast<int>(text.size()), text.data(), words.data(),
                            static_cast<int>(words.size()), mode);
    if (bytes) *bytes = n;
    std::vector<char> out(text.size() + 16);
    int m = text_unpack_words(n, words.data(), out.data(), static_cast<int>(out.size()), mode);
    std::string s(out.data(), static_cast<size_t>(m));
    while (!s.empty() && s.back() == ' ') s.pop_back();  // filler symbols
    return s;
}

const int modes[] = {1, 2, 3, 5};

TEST(TextCodec, EveryByteRoundTripsInEveryMode) {
    for (int mode : modes) {
        SCOPED_TRACE(mode);
        for (int c = 1; c < 256; ++c) {
            unsigned char b = static_cast<unsigned char>(c);
            if (b == 25 || b == 29) continue;  // markup bytes: below
            std::string t = std::string("a") + static_cast<char>(b) + "Z";
            std::string expect = std::string("a") + expected_char(b) + "Z";
            ASSERT_EQ(round_trip(t, mode), expect) << "byte " << c;
        }
        // All bytes in one text, in both directions.
        std::string all, expect;
        for (int c = 255; c >= 32; --c) {
            all += static_cast<char>(c);
            expect += expected_char(static_cast<unsigned char>(c));
        }
        expect.pop_back();  // the trailing blank is not told from filler
        EXPECT_EQ(round_trip(all, mode), expect);
    }
}

TEST(TextCodec, EveryNonBlankByteHasItsOwnClassAndSymbol) {
    std::vector<int> seen(8 * 40, -1);
    for (int c = 24; c < 256; ++c) {
        if (c == 30 || c == 31 || c == 32) continue;
        int cls = 0, sym = 0;
        text_char_symbol(static_cast<unsigned char>(c), &cls, &sym);
        ASSERT_GE(cls, 1) << c;
        ASSERT_LE(cls, 7) << c;
        ASSERT_GE(sym, cls <= 5 ? 7 : 1) << c;
        ASSERT_LE(sym, cls == 5 || cls >= 6 ? 38 : 39) << c;
        EXPECT_EQ(seen[cls * 40 + sym], -1) << c << " shares with " << seen[cls * 40 + sym];
        seen[cls * 40 + sym] = c;
    }
}

TEST(TextCodec, RandomTextsRoundTrip) {
    std::mt19937 rng(7);
    for (int i = 0; i < 2000; ++i) {
        int mode = modes[rng() % 4];
        size_t len = rng() % 200;
        std::string t, expect;
        for (size_t k = 0; k < len; ++k) {
            unsigned char b;
            int kind = static_cast<int>(rng() % 4);
            if (kind == 0) b = static_cast<unsigned char>(0xE0 + rng() % 32);
            else if (kind == 1) b = static_cast<unsigned char>(32 + rng() % 95);
            else if (kind == 2 && !t.empty()) b = static_cast<unsigned char>(t.back());  // runs
            else b = static_cast<unsigned char>(24 + rng() % 232);
            if (b == 25 || b == 29) b = 'x';
            t += static_cast<char>(b);
            expect += expected_char(b);
        }
        while (!expect.empty() && expect.back() == ' ') expect.pop_back();
        ASSERT_EQ(round_trip(t, mode), expect) << "text " << i << " mode " << mode;
    }
}

TEST(TextCodec, MarkupBytesCarryTheirValueExactly) {
    for (int mode : modes) {
        for (int v = 1; v < 256; ++v) {  // a NUL ends the text
            for (char markup : {'\x19', '\x1d'}) {
                std::string t = std::string("ab") + markup + static_cast<char>(v) + "cd";
                std::vector<uint16_t> w(16);
                int n = text_pack_words(static_cast<int>(t.size()), t.data(), w.data(), 16, mode);
                char out[32];
                int m = text_unpack_words(n, w.data(), out, sizeof out, mode);
                ASSERT_GE(m, 6);
                ASSERT_EQ(std::string(out, 6), t) << "mode " << mode << " value " << v;
            }
        }
        // A markup byte at the very end of the text.
        EXPECT_EQ(round_trip("ab\x19", mode), "ab\x19");
    }
}

TEST(TextCodec, SizesOfPackedTexts) {
    uint16_t w[8];
    // Three characters of the starting class: one word.
    EXPECT_EQ(text_pack_words(3, "абв", w, 8, 5), 2);
    EXPECT_EQ(text_pack_words(3, "abc", w, 8, 2), 2);
    EXPECT_EQ(text_pack_words(3, "ABC", w, 8, 3), 2);
    // The first needs a class switch: two words.
    EXPECT_EQ(text_pack_words(3, "Абв", w, 8, 5), 4);
    EXPECT_EQ(text_pack_words(0, "abc", w, 8, 5), 0);
    EXPECT_EQ(text_pack_words(3, "", w, 8, 5), 0);  // an empty text
    EXPECT_EQ(text_pack_words(3, "   ", w, 8, 5), 2);  // blanks pack like any text
    // A run of ten packs into fewer than ten symbols.
    EXPECT_LE(text_pack_words(10, "аааааааааа", w, 8, 5), 6);
    EXPECT_EQ(round_trip("аааааааааа", 5), "аааааааааа");
    std::string long_run(500, 'я');
    EXPECT_EQ(round_trip(long_run + "b" + std::string(100, '#'), 5), long_run + "b" + std::string(100, '#'));
    // Output stops at the destination size, NUL included.
    int n = text_pack_words(9, "абвгдеёжз", w, 8, 5);
    char small[5];
    std::memset(small, 'X', sizeof small);
    EXPECT_EQ(text_unpack_words(n, w, small, 4, 5), 3);
    EXPECT_EQ(small[3], '\0');
    EXPECT_EQ(small[4], 'X');
    // A packed length of 0 gives an empty text.
    char out[8] = "zzz";
    EXPECT_EQ(text_unpack_words(0, w, out, 8, 5), 0);
    EXPECT_STREQ(out, "");
    // max_words cuts the packed text.
    EXPECT_EQ(text_pack_words(30, "абвгдеёжзийклмнопрстуфхцчшщъыь", w, 2, 5), 4);
}

TEST(TextCodec, PackUnpackAndTextBlocks) {
    uint16_t w[32];
    int n = text_pack("Проверка 123 OK   ", w, sizeof w);
    char out[64];
    EXPECT_EQ(text_unpack(out, sizeof out, w, n), 15);
    EXPECT_STREQ(out, "Проверка 123 OK");
    int m = text_pack_words(16, "line1\\nline2\\tx", w, 32, 2);
    std::string block = unpack_text_block(w, m / 2);
    EXPECT_EQ(block.substr(0, 13), "line1\nline2\tx");
    EXPECT_EQ(block.find_first_not_of(' ', 13), std::string::npos);  // then filler blanks only
    EXPECT_STREQ(unpack_text_block(w, 0), "");
    uint8_t s[3];
    text_word_to_symbols(text_symbols_to_word(39, 0, 25), s);
    EXPECT_EQ(s[0], 39);
    EXPECT_EQ(s[1], 0);
    EXPECT_EQ(s[2], 25);
}

}  // namespace
