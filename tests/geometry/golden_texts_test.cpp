// One table of dimension texts, angles, deviations, captions and short
// names, compared byte for byte with a stored golden file, so that the
// native and the i686 build print exactly the same texts.  Set
// SARVOLT_WRITE_GOLDEN to a file name to write the table there instead.
#include "geometry/dimension_text.h"
#include "geometry/kernel_seams.h"
#include "geometry/naming.h"
#include "store/text_codec.h"

#include "fake_drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const double PI = 3.14159265358979323846;

// Bytes outside printable ASCII as \xNN, so the golden file stays readable.
std::string escaped(const char* s) {
    std::string r;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; ++p) {
        if (*p < 0x20 || *p >= 0x7F || *p == '\\') {
            char b[8];
            std::snprintf(b, sizeof b, "\\x%02X", *p);
            r += b;
        } else {
            r += static_cast<char>(*p);
        }
    }
    return r;
}

std::string table() {
    std::ostringstream o;
    char out[300];
    const double lengths[] = {0, 0.5, -0.125, 12, 12.5, 99.99, 1234.56789, 9999.99999999, 1e4, 123456.789,
                              -2.5e7, 99999999.9, 1e8, 1.5e10, -3.25e12, 1e-9, 0.00001};
    for (double v : lengths)
        for (int cmp = 0; cmp <= 4; ++cmp) {
            format_dimension_value(out, sizeof out, v, 0, cmp);
            o << "length " << cmp << " [" << escaped(out) << "]\n";
        }
    const double degrees[] = {0, 1, 30, 30.25, 45.5125, 89.999999, 90, 179.9999, 180, 359.99999, 360, 1e-4,
                              0.5, 12.3456789, 271.004};
    for (double d : degrees)
        for (int sign = 1; sign >= -1; sign -= 2) {
            format_dimension_value(out, sizeof out, sign * d * PI / 180, 3, sign > 0 ? 0 : 3);
            int kind = 0;
            double back = parse_angle(out, &kind);
            o << "angle [" << escaped(out) << "] back " << static_cast<long long>(std::llround(back * 180 / PI * 360000))
              << " " << kind << "\n";
        }
    const double devs[][2] = {{0.1, -0.05}, {0.02, -0.02}, {0, 0}, {0.125, 0}, {0, -0.0625}, {1e-8, -2e-8},
                              {0.2, 0.1}, {-0.1, -0.3}, {12.5, -0.001}};
    for (const auto& d : devs) {
        format_limit_deviations(out, sizeof out, 0, d[0], d[1]);
        o << "deviations [" << escaped(out) << "]\n";
    }
    const char* dev_texts[] = {"0.05", "+0.05", "-0.05", "+-0.02", "+0.1/-0.05", "H7", "h", "js", "/-0,5", "abc"};
    for (const char* t : dev_texts) {
        char up[64], lo[64];
        std::snprintf(up, sizeof up, "%.10g", parse_upper_deviation(t));
        std::snprintf(lo, sizeof lo, "%.10g", parse_lower_deviation(t));
        o << "parse [" << t << "] " << up << " " << lo << " " << fit_letters_code(t) << "\n";
    }
    uint8_t dim[100] = {};
    for (int kind = 0; kind <= 7; ++kind) {
        std::memset(dim, 0, sizeof dim);
        dim[34] = static_cast<uint8_t>(kind);
        dim[37] = static_cast<uint8_t>(kind % 5);
        dim[38] = static_cast<uint8_t>((kind & 1 ? 0x40 : 0) | (kind & 2 ? 0x20 : 0) | (kind & 4 ? 2 : 0));
        dim[36] = static_cast<uint8_t>(kind & 1 ? 0x08 : 0);
        put_f64(dim, 14, kind == 3 ? 0.75 : 12.75 * (kind + 1));
        describe_dimension(out, sizeof out, dim);
        o << "describe [" << escaped(out) << "]";
        format_signed_dimension_text(out, sizeof out, 'R', " 12.75 ", dim);
        o << " signed [" << escaped(out) << "]\n";
    }
    for (int code = 0; code <= 25; ++code) {
        char d[5];
        sheet_format_designation(code, d);
        o << "format " << code << " [" << escaped(d) << "]\n";
    }
    const uint32_t names[] = {0, 1, 40, 41, 1680, 1681, 999999, 1000000, 1234567, 68920, 115856200, 115856201,
                              4294967295u};
    for (uint32_t n : names) {
        ShortName a, b;
        short_name_base41(n, &a);
        short_name_decimal(n, &b);
        o << "name " << n << " [" << escaped(a.text) << "] [" << escaped(b.text) << "]\n";
    }
    uint8_t p[projection_record_room] = {};
    const double scales[] = {1.0, 2.0, 0.5, 0.04, 123456.0, 1.0 / 3};
    for (int kind = 0; kind <= 9; ++kind) {
        std::memset(p, 0, sizeof p);
        put_u16(p, projection_kind_word_offset, static_cast<uint16_t>(kind | (kind & 1 ? 0x400 : 0)));
        put_u16(p, projection_option_word_offset, static_cast<uint16_t>(kind & 2 ? 0x400 : 0));
        put_f64(p, projection_scale_offset, scales[kind % 6]);
        if (kind & 4) {
            const char* title = "Разрез А-А";
            uint16_t words[16];
            int bytes = text_pack_words(static_cast<int>(std::strlen(title)), title, words, 16, 3);
            for (int i = 0; i < (bytes + 1) / 2; ++i) put_u16(p, projection_title_offset + 2 * i, words[i]);
            put_u16(p, projection_title_length_offset, static_cast<uint16_t>(bytes));
        }
        view_caption_full(p, out, sizeof out);
        o << "caption " << kind << " [" << escaped(out) << "]\n";
    }
    return o.str();
}

class GoldenTexts : public KernelTest {};

}  // namespace

TEST_F(GoldenTexts, TableIsByteIdenticalToTheStoredOne) {
    kernel_text_unpack = text_unpack_words;
    std::string now = table();
    if (const char* w = std::getenv("SARVOLT_WRITE_GOLDEN")) {
        std::ofstream(w, std::ios::binary) << now;
        GTEST_SKIP() << "written to " << w;
    }
    std::ifstream in(std::string(SARVOLT_TEST_DATA) + "/geometry/texts.golden", std::ios::binary);
    ASSERT_TRUE(in.good());
    std::stringstream stored;
    stored << in.rdbuf();
    std::istringstream a(stored.str()), b(now);
    std::string la, lb;
    int line = 0;
    while (true) {
        bool ga = static_cast<bool>(std::getline(a, la)), gb = static_cast<bool>(std::getline(b, lb));
        ++line;
        if (!ga && !gb) break;
        ASSERT_EQ(lb, la) << "line " << line;
    }
}
