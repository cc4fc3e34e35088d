// Dimension value texts, deviations and model-variable values.
#include "geometry/dimension_text.h"

#include "base/byte_order.h"
#include "geometry/kernel_angles.h"
#include "geometry/text_chars.h"
#include "geometry/text_numbers.h"
#include "geometry/tolerance.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const unsigned char degree_sign = 0xB0;

// Appends text to out within out_size (terminator included); returns the new
// length.
size_t append(char* out, size_t out_size, size_t len, const char* text) {
    while (*text && len + 1 < out_size) out[len++] = *text++;
    if (out_size) out[len < out_size ? len : out_size - 1] = 0;
    return len;
}

// A printf of one double into a work buffer, with its trailing zeros (and a
// last '.') stripped.
size_t print_stripped(char* buf, size_t size, const char* format, double v) {
    int n = std::snprintf(buf, size, format, v);
    if (n < 0) n = 0;
    size_t len = static_cast<size_t>(n) < size ? static_cast<size_t>(n) : size - 1;
    len = strip_trailing_zeros(len, buf);
    if (len > 0 && buf[len - 1] == '.') buf[--len] = 0;
    return len;
}

void without_blanks(char* dst, const char* src, size_t max_len) { copy_without_blanks(dst, src, max_len); }

}  // namespace

int comparison_kind(const char* text) {
    bool lt = false, gt = false, eq = false;
    for (const char* p = text; *p; ++p) {
        if (*p == '<') lt = true;
        else if (*p == '>') gt = true;
        else if (*p == '=') eq = true;
        else if (*p != ' ') break;
    }
    if (lt == gt) return 0;  // none, '=' alone, or both '<' and '>'
    if (lt) return eq ? 2 : 1;
    return eq ? 4 : 3;
}

double parse_angle(const char* text, int* kind) {
    if (std::strstr(text, "<н")) {
        if (kind) *kind = 0;
        return 0.0;
    }
    char copy[64];
    size_t n = 0;
    for (; text[n] && n < 62; ++n) copy[n] = text[n] == '^' ? static_cast<char>(degree_sign) : text[n];
    copy[n] = 0;
    if (kind) {
        *kind = comparison_kind(copy);
        if (*kind != 0)
            for (char* p = copy; *p; ++p)
                if (*p == '<' || *p == '>' || *p == '=') *p = ' ';
    }
    double whole = parse_number_text(copy);
    // The sign belongs to the whole angle: "-0^30'" is minus half a degree.
    bool negative = *skip_blanks(copy) == '-';
    const char marks[3] = {static_cast<char>(degree_sign), '\'', '"'};
    double sum = 0;
    bool any = false;
    char* rest = copy;
    double unit = 1;
    for (int i = 0; i < 3; ++i, unit *= 60) {
        char* at = std::strchr(rest, marks[i]);
        if (!at) continue;
        *at = 0;
        sum += std::fabs(parse_number_text(rest)) * k_pi() / (180 * unit);
        rest = at + 1;
        any = true;
    }
    if (!any) return whole;
    return negative ? -sum : sum;
}

uint16_t fit_letters_code(const char* text) {
    char t[40];
    without_blanks(t, text, 32);
    size_t n = std::strlen(t);
    if (n == 0 || n > 2 || classify_letter(static_cast<unsigned char>(t[0])) != 0) return 0;
    uint16_t code = static_cast<unsigned char>(t[0]);
    if (n == 2) code = static_cast<uint16_t>(code | (static_cast<unsigned char>(t[1]) << 8));
    return code;
}

double parse_upper_deviation(const char* text) {
    char t[40];
    without_blanks(t, text, 32);
    if (!t[0] || classify_decimal_char(static_cast<unsigned char>(t[0])) != 0) return 0.0;
    if (t[0] == '/') return 0.0;
    if ((t[0] == '+' && t[1] == '-') || (t[0] == '-' && t[1] == '+')) return parse_number_text(t + 2);
    if (t[0] == '-') return 0.0;
    char* slash = std::strchr(t, '/');
    if (slash) *slash = 0;
    return parse_number_text(t);
}

double parse_lower_deviation(const char* text) {
    char t[40];
    without_blanks(t, text, 32);
    if (!t[0]) return 0.0;
    const char* slash = std::strchr(t, '/');
    if (slash) return parse_number_text(slash + 1);
    if (classify_decimal_char(static_cast<unsigned char>(t[0])) != 0) return 0.0;
    if ((t[0] == '+' && t[1] == '-') || (t[0] == '-' && t[1] == '+')) return -std::fabs(parse_number_text(t + 2));
    if (t[0] == '+') return 0.0;
    if (t[0] == '-') return parse_number_text(t);
    return -parse_number_text(t);
}

size_t format_limit_deviations(char* out, size_t out_size, uint16_t letters, double upper, double lower) {
    if (out_size == 0) return 0;
    out[0] = 0;
    if (letters) {
        char l[3] = {static_cast<char>(letters & 0xFF), static_cast<char>(letters >> 8), 0};
        return append(out, out_size, 0, l);
    }
    char work[64];
    size_t len = 0;
    if (std::fabs(upper) == std::fabs(lower)) {
        if (upper == 0) return 0;
        len = append(out, out_size, len, "+-");
        print_stripped(work, sizeof work, "%-12.8lf", std::fabs(upper));
        return append(out, out_size, len, work);
    }
    if (upper != 0) {
        // An upper deviation below the nominal keeps its own sign.
        len = append(out, out_size, len, upper < 0 ? "-" : "+");
        print_stripped(work, sizeof work, "%-12.8lf", std::fabs(upper));
        len = append(out, out_size, len, work);
    }
    if (lower != 0) {
        // A lower deviation above the nominal keeps its own sign.
        len = append(out, out_size, len, lower > 0 ? "/+" : "/-");
        print_stripped(work, sizeof work, "%-12.8lf", std::fabs(lower));
        len = append(out, out_size, len, work);
    }
    return len;
}

double variable_numeric_value(const uint8_t* variable) {
    double v = get_f64(variable, model_variable_value_offset);
    uint16_t type = get_u16(variable, model_variable_type_offset);
    if (type & 0x2000) {
        double step = get_f64(variable, model_variable_step_offset);
        // A step of 0 means no rounding (a division by it would give inf or NaN).
        if (compare_doubles(step, 0) != 0 && std::isfinite(v / step)) {
            double n = std::trunc(std::fabs(v / step) + 0.499999999999999);
            if (v < 0) n = -n;
            v = n * step;
        }
    }
    if ((type & 0x1F) == 1) {
        double r = std::floor(std::fabs(v) + 0.499999999999999);
        return v < 0 ? -r : r;
    }
    return v;
}

size_t format_dimension_value(char* out, size_t out_size, double value, int kind, int comparison) {
    if (out_size == 0) return 0;
    static const char* const signs[5] = {"", "<", "<=", ">", ">="};
    size_t pre = append(out, out_size, 0, (comparison >= 1 && comparison <= 4) ? signs[comparison] : "");
    const KernelContext& k = kernel_context();
    char text[128];
    if (kind != 3) {
        double a = std::fabs(value);
        const char* format = compare_doubles(a, 10000.0) < 0       ? k.dimension_format_small
                             : compare_doubles(a, 100000000.0) < 0 ? k.dimension_format_medium
                                                                    : k.dimension_format_large;
        int n = std::snprintf(text, sizeof text, format, value);
        size_t len = n < 0 ? 0 : (static_cast<size_t>(n) < sizeof text ? static_cast<size_t>(n) : sizeof text - 1);
        strip_trailing_zeros(len, text);
        return append(out, out_size, pre, text) - pre;
    }
    double a = std::fabs(value);
    if (!std::isfinite(a)) a = 0;
    double deg = std::floor(a * 180 / k.pi);
    double r = a - k.pi * deg * 0.005555555555555556;
    if (r < 0) r = 0;
    double min = std::floor(r * 10800.0 / k.pi);
    double r2 = r - k.pi * min * 0.00009259259259259259;
    if (r2 < 0) r2 = 0;
    double sec = std::floor(r2 * 64800000.0 / k.pi + 0.5) * 0.01;
    if (sec >= 60) {
        sec -= 60;
        min += 1;
    }
    if (min >= 60) {
        min -= 60;
        deg += 1;
    }
    int n = std::snprintf(text + 1, sizeof text - 1, k.angle_format, static_cast<int>(deg),
                          static_cast<unsigned>(min), sec);
    if (n < 0) n = 0;
    char* t = text + 1;
    // The sign is carried apart from the degrees, so -0°30' keeps it.
    bool zero = deg == 0 && min == 0 && compare_doubles(sec, 0) == 0;
    if (value < 0 && !zero) {
        char* first = t;
        while (*first == ' ') ++first;
        if (first == t) --t;  // room made in front
        first[-1] = '-';
    }
    if (compare_doubles(sec, 0) == 0) {
        char* cut = std::strrchr(t, '\'');
        if (cut) cut[1] = 0;
        if (min == 0) {
            cut = std::strrchr(t, static_cast<char>(degree_sign));
            if (cut) cut[1] = 0;
        }
    }
    char* zeros = std::strstr(t, ".00");
    if (zeros) std::memcpy(zeros, "   ", 3);
    size_t len = pre;
    for (int i = 0; i < 2 && t[i]; ++i) {
        char c[2] = {t[i], 0};
        len = append(out, out_size, len, c);
    }
    if (std::strlen(t) > 2) {
        char rest[128];
        without_blanks(rest, t + 2, sizeof rest - 1);
        len = append(out, out_size, len, rest);
    }
    return len - pre;
}

char* format_signed_dimension_text(char* out, size_t out_size, char prefix, const char* value_text,
                                   const uint8_t* dimension) {
    if (out_size == 0) return nullptr;
    size_t len = 0;
    out[0] = 0;
    int kind = get_u8(dimension, dimension_kind_offset) & 0x1F;
    if (kind == 6) {
        len = append(out, out_size, len, (get_u8(dimension, dimension_flags38_offset) & 2) ? "-" : "+");
    } else if (prefix) {
        char p[2] = {prefix, 0};
        len = append(out, out_size, len, p);
    }
    char work[260];
    without_blanks(work, value_text, sizeof work - 1);
    len = append(out, out_size, len, work);
    if (len > 0 && out[len - 1] == '.') out[--len] = 0;
    char* dot = std::strchr(out, '.');
    if (dot) *dot = ',';
    return dot;
}

void describe_dimension(char* out, size_t out_size, const uint8_t* dimension) {
    if (out_size == 0) return;
    int kind = get_u8(dimension, dimension_kind_offset) & 0x1F;
    int comparison = get_u8(dimension, dimension_comparison_offset) & 7;
    format_dimension_value(out, out_size, get_f64(dimension, dimension_nominal_offset), kind, comparison);
    size_t len = std::strlen(out);
    // Kinds without a letter show '?'.
    char tail[8] = {' ', kind <= 6 ? "LRDUACV"[kind] : '?', ' ', 0};
    size_t t = 3;
    uint8_t f38 = get_u8(dimension, dimension_flags38_offset);
    if (f38 & 0x40) tail[t++] = static_cast<char>(0x88);
    if (get_u8(dimension, dimension_flags36_offset) & 0x08) tail[t++] = static_cast<char>(0x86);
    tail[t++] = (f38 & 0x20) ? static_cast<char>(0xB6) : ' ';
    tail[t] = 0;
    append(out, out_size, len, tail);
}
