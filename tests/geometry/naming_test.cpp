// Paths, sketch references, captions, designations, short names and BMP
// images of DIBs.
#include "geometry/naming.h"

#include "base/byte_order.h"
#include "geometry/kernel_seams.h"
#include "store/text_codec.h"

#include "fake_drawing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::string g_photolib, g_drawing, g_current;
std::vector<std::string> g_messages;
std::vector<std::vector<uint8_t>> g_long_records;

size_t give(const std::string& s, char* out, size_t size) {
    size_t n = s.size() < size ? s.size() : size - 1;
    std::memcpy(out, s.data(), n);
    out[n] = 0;
    return n;
}

class Naming : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        g_photolib = "";
        g_drawing = "";
        g_current = "C:\\work";
        g_messages.clear();
        g_long_records.clear();
        kernel_photolib_folder = [](char* o, size_t s) { return give(g_photolib, o, s); };
        kernel_drawing_path = [](char* o, size_t s) { return give(g_drawing, o, s); };
        kernel_current_folder = [](char* o, size_t s) { return give(g_current, o, s); };
        kernel_text_pack = text_pack_words;
        kernel_text_unpack = text_unpack_words;
        kernel_store_long_record = [](const uint8_t* d, uint32_t n) {
            g_long_records.emplace_back(d, d + n);
            return static_cast<uint32_t>(0x1000 * g_long_records.size() + 4);
        };
        kernel_context().report_message = [](const char* t) { g_messages.push_back(t); };
    }
};

void put_title(uint8_t* projection, const char* title) {
    uint16_t words[16];
    int bytes = text_pack_words(static_cast<int>(std::strlen(title)), title, words, 16, 3);
    for (int i = 0; i < (bytes + 1) / 2; ++i) put_u16(projection, projection_title_offset + 2 * i, words[i]);
    put_u16(projection, projection_title_length_offset, static_cast<uint16_t>(bytes));
}

}  // namespace

TEST_F(Naming, ExtensionsAndFileNames) {
    struct Case { const char* path; const char* ext; const char* replaced; const char* name; };
    const Case cases[] = {
        {"C:\\scans\\a.jpg", ".bmp", "C:\\scans\\a.bmp", "a.bmp"},
        {"C:\\v1.2\\scan", ".bmp", "C:\\v1.2\\scan.bmp", "scan"},       // a dot in a folder
        {"scan.tar.gz", ".bmp", "scan.tar.bmp", "scan.tar.bmp"},
        {"noext", ".bmp", "noext.bmp", "noext"},
        {"C:/v1.2/scan", ".x", "C:/v1.2/scan.x", "scan"},
    };
    for (const Case& c : cases) {
        char buf[64];
        std::strcpy(buf, c.path);
        EXPECT_EQ(replace_extension(buf, sizeof buf, c.ext), 0);
        EXPECT_STREQ(buf, c.replaced);
        file_name_with_extension(buf, sizeof buf, c.path, c.ext);
        EXPECT_STREQ(buf, c.name) << c.path;
    }
    char small[10] = "abc.jpg";
    EXPECT_EQ(replace_extension(small, sizeof small, ".jpeg23"), -1);
    EXPECT_STREQ(small, "abc.jpg");
    char name[8];
    file_name_with_extension(name, sizeof name, "D:\\a\\longname.jpg", "");
    EXPECT_STREQ(name, "longnam");
    struct Ext { const char* path; const char* list; int result; };
    const Ext exts[] = {{"a.bmp", "BM", 1}, {"A.JPE", "JPEG|JPG|JPE", 1}, {"a.tif", "TIFF|TIF", 1},
                        {"a.png", "JPEG|JPG|JPE", 0}, {"noext", "BM", 0}, {"C:\\v1.2\\scan", "2", 0},
                        {"a.xyz", "JPG|", 1}, {"scan.\xEA\xE0\xF0", "\xCA\xC0", 1}};
    for (const Ext& e : exts) EXPECT_EQ(extension_in_list(e.path, e.list), e.result) << e.path;
}

TEST_F(Naming, LibraryRelativePaths) {
    struct Case { const char* photolib; const char* drawing; const char* path; const char* relative; };
    const Case cases[] = {
        {"D:\\lib\\", "", "D:\\lib\\cars\\a.bmp", "cars\\a.bmp"},
        {"D:\\lib\\", "", "d:\\LIB\\cars\\a.bmp", "cars\\a.bmp"},  // case does not count
        {"D:\\lib\\", "", "E:\\other\\a.bmp", "E:\\other\\a.bmp"},
        {"D:\\lib\\", "", "D:\\lib\\", "D:\\lib\\"},                // not longer than the base
        {"", "C:\\dr\\part.svt", "C:\\dr\\s.bmp", "s.bmp"},           // the drawing's folder
        {"", "", "C:\\dr\\s.bmp", "C:\\dr\\s.bmp"},                   // no base at all
    };
    for (const Case& c : cases) {
        g_photolib = c.photolib;
        g_drawing = c.drawing;
        char out[260];
        path_relative_to_library(c.path, out, sizeof out);
        EXPECT_STREQ(out, c.relative) << c.path;
    }
    g_photolib = "D:\\lib\\";
    char p[260] = "cars\\a.bmp";
    path_absolute_from_library(p, sizeof p);
    EXPECT_STREQ(p, "D:\\lib\\cars\\a.bmp");
    char q[260] = "E:\\x.bmp";
    path_absolute_from_library(q, sizeof q);
    EXPECT_STREQ(q, "E:\\x.bmp");
    char r[260] = "\\\\server\\x.bmp";
    path_absolute_from_library(r, sizeof r);
    EXPECT_STREQ(r, "\\\\server\\x.bmp");
    char tiny[12] = "cars\\a.bmp";
    path_absolute_from_library(tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "cars\\a.bmp");
}

TEST_F(Naming, ShortenedPathsForMenus) {
    g_current = "C:\\work";
    struct Case { const char* path; int max_len; const char* shown; };
    const Case cases[] = {
        {"C:\\a\\b.svt", 20, "C:\\a\\b.svt"},
        {"C:\\work\\drawing.svt", 12, "drawing.svt"},                     // in the current folder
        {"C:\\projects\\cars\\2024\\drawing.svt", 30, "C:\\pro...\\drawing.svt"},
        {"C:\\projects\\cars\\2024\\drawing.svt", 12, "C:\\pro....."},
        {"averyveryverylongname.svt", 10, "averyv..."},
        {"C:\\projects\\x.svt", 5, "C..."},
        {"C:\\projects\\x.svt", 4, "..."},
        {"C:\\projects\\x.svt", 3, "..."},
        {"C:\\projects\\x.svt", 2, ".."},
        {"C:\\projects\\x.svt", 0, ""},
    };
    for (const Case& c : cases) {
        char out[260];
        shorten_path_for_display(out, sizeof out, c.path, c.max_len);
        EXPECT_STREQ(out, c.shown) << c.path << " " << c.max_len;
        EXPECT_LE(std::strlen(out), static_cast<size_t>(c.max_len < 0 ? 0 : c.max_len) + (std::strlen(c.path) <= (size_t)c.max_len ? 0 : 0));
    }
}

TEST_F(Naming, SketchReferencesRoundTrip) {
    g_photolib = "D:\\lib\\";
    struct Case { const char* path; int page; const char* back; int back_page; };
    const Case cases[] = {
        {"D:\\lib\\cars\\a.bmp", 1, "D:\\lib\\cars\\a.bmp", 1},
        {"D:\\lib\\cars\\a.tif", 3, "D:\\lib\\cars\\a.tif", 3},
        {"E:\\scans\\a,b.bmp", 1, "E:\\scans\\a,b.bmp", 1},        // a comma in the name
        {"E:\\scans\\a,b.tif", 3, "E:\\scans\\a,b.tif", 3},
        {"E:\\scans,2024\\a.bmp", 1, "E:\\scans,2024\\a.bmp", 1},  // a comma in a folder
        {"E:\\scans\\page,7", 1, "E:\\scans\\page,7", 1},          // ends like a suffix
        {"E:\\scans\\page,7", 2, "E:\\scans\\page,7", 2},
    };
    for (const Case& c : cases) {
        uint8_t projection[projection_record_room] = {};
        ASSERT_EQ(sketch_reference_store(projection, c.path, c.page), 0) << c.path;
        EXPECT_EQ(get_u16(projection, 0), projection_sketch_offset + get_u16(projection, projection_sketch_length_offset));
        char out[260];
        EXPECT_EQ(sketch_reference_load(projection, out, sizeof out), c.back_page) << c.path;
        EXPECT_STREQ(out, c.back);
        EXPECT_EQ(sketch_reference_load(projection, out, 259), 0);
    }
    // References written before the suffix rule: the page after the last comma.
    uint8_t old[projection_record_room] = {};
    uint16_t words[130];
    const char* text = "cars\\a.tif,4";
    int bytes = text_pack_words(static_cast<int>(std::strlen(text)), text, words, 130, 3);
    for (int i = 0; i < (bytes + 1) / 2; ++i) put_u16(old, projection_sketch_offset + 2 * i, words[i]);
    put_u16(old, projection_sketch_length_offset, static_cast<uint16_t>(bytes));
    char out[260];
    EXPECT_EQ(sketch_reference_load(old, out, sizeof out), 4);
    EXPECT_STREQ(out, "D:\\lib\\cars\\a.tif");
    // A path that does not fit the 130 words of room is refused with a
    // message and leaves the projection as it was.
    std::string longp = "E:\\";
    for (int i = 0; i < 120; ++i) longp += "\xE0" "b";  // a class switch at every character
    longp += ".bmp";
    uint8_t p2[projection_record_room] = {};
    EXPECT_EQ(sketch_reference_store(p2, longp.c_str(), 1), -1);
    EXPECT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(get_u16(p2, projection_sketch_length_offset), 0);
}

TEST_F(Naming, ViewCaptions) {
    uint8_t p[projection_record_room] = {};
    put_f64(p, projection_scale_offset, 1.0);
    put_u16(p, projection_kind_word_offset, 1);
    char out[300];
    view_caption(p, out, sizeof out);
    EXPECT_STREQ(out, "Вид спереди");
    put_f64(p, projection_scale_offset, 2.0);
    view_caption_full(p, out, sizeof out);
    EXPECT_STREQ(out, "Вид спереди M2.0");
    put_title(p, "ВАЛ  ");
    put_u16(p, projection_kind_word_offset, 7 | 0x400);
    put_u16(p, projection_option_word_offset, 0x400);
    put_f64(p, projection_scale_offset, 0.5);
    view_caption_full(p, out, sizeof out);
    EXPECT_STREQ(out, "ТехТребования (ВАЛ) M0.5 - без автопостроения, список II");
    // Every append is bounded by the destination.
    char small[30];
    view_caption_full(p, small, sizeof small);
    EXPECT_LT(std::strlen(small), sizeof small);
    EXPECT_EQ(std::string(small), std::string(out).substr(0, std::strlen(small)));
    for (size_t size = 1; size < 70; ++size) {
        std::vector<char> b(size, 'x');
        view_caption_full(p, b.data(), size);
        EXPECT_LT(std::strlen(b.data()), size);
    }
    view_caption(nullptr, out, sizeof out);
    EXPECT_STREQ(out, "");
}

TEST_F(Naming, DesignationsAndShortNames) {
    const char* expect[26] = {"", "A0", "A1", "A2", "A3", "A4", "A4`3", "A4`4", "A4`5", "A4`6", "A4`7", "A4`8",
                              "A4`9", "A3`3", "A3`4", "A3`5", "A3`6", "A3`7", "A2`3", "A2`4", "A2`5", "A1`3",
                              "A1`4", "A0`2", "A0`3", ""};
    for (int code = 0; code <= 25; ++code) {
        char out[5];
        sheet_format_designation(code, out);
        EXPECT_STREQ(out, expect[code]) << code;
    }
    struct Case { uint32_t n; const char* b41; const char* dec; };
    const Case cases[] = {{0, "", "0"}, {40, "9", "40"}, {41, "FD", "41"}, {1681, "FDD", "1681"},
                          {1234567, "f6fd", "123456"}, {4294967295u, "6G7UW5", "429496"}};
    for (const Case& c : cases) {
        ShortName s;
        std::memset(&s, 0x55, sizeof s);
        short_name_base41(c.n, &s);
        EXPECT_STREQ(s.text, c.b41) << c.n;
        EXPECT_EQ(s.text[7], 0);
        short_name_decimal(c.n, &s);
        EXPECT_STREQ(s.text, c.dec) << c.n;
        EXPECT_EQ(s.text[6], 0);
        EXPECT_EQ(s.text[7], 0);
    }
    // Round trip of random numbers through the base-41 digits.
    const std::string digits = "DFGIJLNQRSUVWYZbdfghijklqrstvwz0123456789";
    std::mt19937 rng(41);
    for (int i = 0; i < 10000; ++i) {
        uint32_t n = rng();
        ShortName s;
        short_name_base41(n, &s);
        ASSERT_LE(std::strlen(s.text), 6u);
        uint64_t back = 0;
        for (const char* c = s.text; *c; ++c) back = back * 41 + digits.find(*c);
        ASSERT_EQ(back, n);
    }
}

namespace {

// An independent reader of the stored BMP: file header, info header,
// palette and rows, giving the pixel of (x, y) as a palette index or RGB.
uint32_t bmp_pixel(const std::vector<uint8_t>& bmp, int x, int y) {
    uint32_t off = get_u32(bmp.data(), 10);
    int32_t w = get_i32(bmp.data(), 18);
    uint16_t bits = get_u16(bmp.data(), 28);
    uint32_t row = (static_cast<uint32_t>(w) * bits + 31) / 32 * 4;
    const uint8_t* r = bmp.data() + off + row * static_cast<uint32_t>(y);
    if (bits == 8) return r[x];
    return r[3 * x] | (r[3 * x + 1] << 8) | (r[3 * x + 2] << 16);
}

std::vector<uint8_t> make_dib(int w, int h, int bits, bool state_size) {
    uint32_t palette = bits == 8 ? 256 : 0;
    uint32_t row = (static_cast<uint32_t>(w) * bits + 31) / 32 * 4;
    std::vector<uint8_t> d(40 + 4 * palette + row * h, 0);
    put_u32(d.data(), 0, 40);
    put_i32(d.data(), 4, w);
    put_i32(d.data(), 8, h);
    put_u16(d.data(), 12, 1);
    put_u16(d.data(), 14, static_cast<uint16_t>(bits));
    put_u32(d.data(), 20, state_size ? row * h : 0);
    for (uint32_t i = 0; i < palette; ++i) put_u32(d.data(), 40 + 4 * i, i * 0x010101);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = d.data() + 40 + 4 * palette + row * y;
            if (bits == 8) p[x] = static_cast<uint8_t>(x * 7 + y);
            else {
                p[3 * x] = static_cast<uint8_t>(x);
                p[3 * x + 1] = static_cast<uint8_t>(y);
                p[3 * x + 2] = static_cast<uint8_t>(x + y);
            }
        }
    return d;
}

}  // namespace

TEST_F(Naming, DibsStoredAsBmpKeepEveryPixel) {
    for (int bits : {24, 8}) {
        for (bool stated : {true, false}) {
            std::vector<uint8_t> dib = make_dib(5, 3, bits, stated);
            uint8_t* block = static_cast<uint8_t*>(std::malloc(dib.size()));
            std::memcpy(block, dib.data(), dib.size());
            uint32_t size = 0;
            g_long_records.clear();
            uint32_t ref = store_dib_as_bmp(&block, dib.size(), &size);
            EXPECT_EQ(block, nullptr);
            ASSERT_NE(ref, 0u);
            ASSERT_EQ(g_long_records.size(), 1u);
            const std::vector<uint8_t>& bmp = g_long_records[0];
            EXPECT_EQ(size, bmp.size());
            EXPECT_EQ(bmp[0], 'B');
            EXPECT_EQ(bmp[1], 'M');
            EXPECT_EQ(get_u32(bmp.data(), 2), bmp.size());
            EXPECT_EQ(get_u32(bmp.data(), 10), 14u + 40 + (bits == 8 ? 1024 : 0));
            EXPECT_EQ(bmp.size(), 14 + dib.size());
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x) {
                    uint32_t want = bits == 8 ? static_cast<uint32_t>(x * 7 + y) : static_cast<uint32_t>(x | (y << 8) | ((x + y) << 16));
                    EXPECT_EQ(bmp_pixel(bmp, x, y), want) << bits << " " << stated << " " << x << "," << y;
                }
        }
    }
    // A block shorter than its header promises, and no open drawing.
    std::vector<uint8_t> dib = make_dib(5, 3, 24, true);
    uint8_t* block = static_cast<uint8_t*>(std::malloc(dib.size()));
    std::memcpy(block, dib.data(), dib.size());
    uint32_t size = 0;
    EXPECT_EQ(store_dib_as_bmp(&block, dib.size() - 1, &size), 0u);
    EXPECT_EQ(block, nullptr);
    block = static_cast<uint8_t*>(std::malloc(dib.size()));
    std::memcpy(block, dib.data(), dib.size());
    bind_current_drawing_header(nullptr);
    g_long_records.clear();
    EXPECT_EQ(store_dib_as_bmp(&block, dib.size(), &size), 0u);
    EXPECT_TRUE(g_long_records.empty());
    EXPECT_EQ(size, 14 + dib.size());
}
