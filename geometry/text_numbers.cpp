// Trimming, number reading and number printing.
#include "geometry/text_numbers.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "geometry/kernel_context.h"

namespace {

bool is_strippable(char c) {
    return c == '0' || c == ' ' || c == '\0';
}

// Strips the mantissa of a text with an exponent: buf[0, e) is the mantissa
// holding the '.' at dot, buf[e, len) the exponent and its padding.
size_t strip_mantissa(size_t len, char* buf, size_t dot, size_t e, bool keep_one) {
    size_t end = trim_trailing_blanks(len, buf);
    size_t j = e - 1;
    while (j > dot && is_strippable(buf[j])) {
        --j;
    }
    size_t mantissa_end;
    if (j == dot) {
        if (keep_one && dot + 1 < e) {
            buf[dot + 1] = '0';
            mantissa_end = dot + 2;
        } else {
            mantissa_end = dot;
        }
    } else {
        mantissa_end = j + 1;
    }
    size_t exponent_len = end - e;
    std::memmove(buf + mantissa_end, buf + e, exponent_len);
    size_t new_len = mantissa_end + exponent_len;
    std::memset(buf + new_len, 0, end - new_len);
    return new_len;
}

size_t strip_zeros(size_t len, char* buf, bool keep_one) {
    size_t dot = len;
    for (size_t i = len; i > 0; --i) {
        if (buf[i - 1] == '.') {
            dot = i - 1;
            break;
        }
    }
    if (dot == len) {
        return trim_trailing_blanks(len, buf);
    }
    for (size_t i = dot + 1; i < len && buf[i] != '\0'; ++i) {
        if (buf[i] == 'e' || buf[i] == 'E') {
            return strip_mantissa(len, buf, dot, i, keep_one);
        }
    }
    size_t j = len - 1;
    while (j > dot && is_strippable(buf[j])) {
        buf[j] = '\0';
        --j;
    }
    if (j != dot) {
        return j + 1;
    }
    if (keep_one && dot + 1 < len) {
        buf[dot + 1] = '0';
        return dot + 2;
    }
    buf[dot] = '\0';
    return dot;
}

// Copies text (length len) into out within out_size; returns the length kept.
size_t copy_bounded(char* out, size_t out_size, const char* text, size_t len) {
    if (out_size == 0) {
        return 0;
    }
    if (len > out_size - 1) {
        len = out_size - 1;
    }
    std::memcpy(out, text, len);
    out[len] = '\0';
    return len;
}

// Work buffer of the formatters: room for any double printed by the formats.
constexpr size_t work_size = 780;

enum StripKind { strip_plain, strip_keep_one };

size_t format_with(char* out, size_t out_size, const char* format, double value, StripKind kind) {
    char work[work_size];
    int n = std::snprintf(work, sizeof work, format, value);
    if (n < 0) {
        n = 0;
        work[0] = '\0';
    }
    size_t len = static_cast<size_t>(n) < sizeof work ? static_cast<size_t>(n) : sizeof work - 1;
    len = kind == strip_keep_one ? strip_zeros(len, work, true) : strip_zeros(len, work, false);
    return copy_bounded(out, out_size, work, len);
}

}  // namespace

// ---------------------------------------------------------------- trimming
size_t trim_trailing_blanks(size_t len, char* buf) {
    while (len > 0 && (buf[len - 1] == ' ' || buf[len - 1] == '\0')) {
        buf[len - 1] = '\0';
        --len;
    }
    return len;
}

size_t strip_trailing_zeros(size_t len, char* buf) {
    return strip_zeros(len, buf, false);
}

size_t strip_trailing_zeros_keep_one(size_t len, char* buf) {
    return strip_zeros(len, buf, true);
}

void join_text_lines(char* dst, const char* src) {
    size_t w = 0;
    size_t i = 0;
    while (src[i] != '\0') {
        char c = src[i];
        if (c != '\r' && c != '\n') {
            dst[w++] = c;
            ++i;
            continue;
        }
        // One line break: CR LF, or a lone CR or LF.
        if (c == '\r' && src[i + 1] == '\n') {
            i += 2;
        } else {
            ++i;
        }
        if (w > 0 && dst[w - 1] == '-') {
            --w;
            while (src[i] == ' ') {
                ++i;
            }
        }
    }
    dst[w] = '\0';
}

size_t copy_without_blanks(char* dst, const char* src, size_t max_len) {
    size_t n = std::strlen(src);
    if (n > max_len) {
        n = max_len;
    }
    size_t w = 0;
    for (size_t i = 0; i < n; ++i) {
        if (src[i] != ' ') {
            dst[w++] = src[i];
        }
    }
    dst[w] = '\0';
    return n;
}

const char* skip_blanks(const char* text, int* count) {
    const char* p = text;
    while (*p == ' ') {
        ++p;
    }
    if (count != nullptr) {
        *count += static_cast<int>(p - text);
    }
    return p;
}

char* skip_blanks(char* text, int* count) {
    return const_cast<char*>(skip_blanks(static_cast<const char*>(text), count));
}

int is_nonzero(double x) {
    return x != 0.0 ? 1 : 0;
}

// ---------------------------------------------------------------- number input
double parse_number_text(const char* text) {
    char work[260];
    size_t n = 0;
    while (n < sizeof work - 1 && text[n] != '\0') {
        work[n] = text[n];
        ++n;
    }
    work[n] = '\0';
    char* comma = std::strchr(work, ',');
    if (comma != nullptr) {
        *comma = '.';
    }
    return std::strtod(work, nullptr);
}

int parse_number_pair(const char* text, int pos, double out[2]) {
    for (int k = 0; k < 2; ++k) {
        if (text[pos] == ',' || text[pos] == '/') {
            ++pos;
        }
        double v = 0.0;
        int read = 0;
        if (std::sscanf(text + pos, "%lg%n", &v, &read) == 1 && read > 0) {
            pos += read;
            if (text[pos] == ',') {
                out[0] = v;
            } else {
                out[1] = v;
            }
        }
    }
    if (text[pos] == '/') {
        ++pos;
    }
    return pos;
}

// ---------------------------------------------------------------- number output
size_t format_number(char* out, size_t out_size, double value) {
    return format_with(out, out_size, kernel_context().number_format, value, strip_keep_one);
}

size_t append_number(char* out, size_t out_size, double value) {
    size_t used = strnlen(out, out_size);
    if (used >= out_size) {
        return used;
    }
    return used + format_number(out + used, out_size - used, value);
}

size_t format_number_by_magnitude(char* out, size_t out_size, double value) {
    const KernelContext& k = kernel_context();
    const char* format = std::fabs(value) < 100000.0 ? k.number_format_small : k.number_format_large;
    return format_with(out, out_size, format, value, strip_keep_one);
}

size_t format_number_short(char* out, size_t out_size, double value) {
    const char* format = std::fabs(value) < 100000.0 ? "%-10.1lf" : "%-14.2lg";
    return format_with(out, out_size, format, value, strip_plain);
}

// ---------------------------------------------------------------- helpers
NumberList* append_number_to_list(NumberList* list, int n) {
    if (list == nullptr) {
        list = static_cast<NumberList*>(std::malloc(sizeof(NumberList)));
        char* text = static_cast<char*>(std::malloc(4));
        if (list == nullptr || text == nullptr) {
            std::free(list);
            std::free(text);
            kernel_report_message(kernel_context().out_of_memory_text);
            return nullptr;
        }
        text[0] = '\0';
        list->text = text;
        list->length = 0;
        list->capacity = 4;
    }
    char number[16];
    int len = std::snprintf(number, sizeof number, list->length == 0 ? "%i" : ",%i", n);
    size_t need = list->length + static_cast<size_t>(len) + 1;
    if (need > list->capacity) {
        size_t capacity = list->length + 16 > need ? list->length + 16 : need;
        char* grown = static_cast<char*>(std::realloc(list->text, capacity));
        if (grown == nullptr) {
            number_list_free(list);
            kernel_report_message(kernel_context().out_of_memory_text);
            return nullptr;
        }
        list->text = grown;
        list->capacity = capacity;
    }
    std::memcpy(list->text + list->length, number, static_cast<size_t>(len) + 1);
    list->length += static_cast<size_t>(len);
    return list;
}

void number_list_free(NumberList* list) {
    if (list != nullptr) {
        std::free(list->text);
        std::free(list);
    }
}

void* swap_values(void* a, void* b, size_t size) {
    switch (size) {
    case 2:
    case 4:
    case 8:
    case 12:
    case 16: {
        unsigned char t[16];
        std::memcpy(t, a, size);
        std::memmove(a, b, size);
        std::memcpy(b, t, size);
        return a;
    }
    default:
        break;
    }
    void* t = std::malloc(size);
    if (t != nullptr) {
        std::memcpy(t, a, size);
        std::memmove(a, b, size);
        std::memcpy(b, t, size);
        std::free(t);
    }
    return nullptr;
}

namespace {

std::atomic<uint64_t> g_random_state{0};
std::atomic<bool> g_random_seeded{false};

// One step of splitmix64 on the shared state; thread-safe.
uint64_t next_random() {
    if (!g_random_seeded.load(std::memory_order_acquire)) {
        bool expected = false;
        if (g_random_seeded.compare_exchange_strong(expected, true)) {
            uint64_t seed = static_cast<uint64_t>(std::time(nullptr)) ^
                            static_cast<uint64_t>(
                                std::chrono::steady_clock::now().time_since_epoch().count());
            g_random_state.fetch_add(seed);
        }
    }
    uint64_t z = g_random_state.fetch_add(0x9E3779B97F4A7C15ull) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

void fill_random_words(void* buf, size_t bytes) {
    unsigned char* p = static_cast<unsigned char*>(buf);
    for (size_t i = 0; i < bytes; i += 2) {
        uint16_t word = static_cast<uint16_t>(next_random() & 0x7FFF);
        p[i] = static_cast<unsigned char>(word);
        if (i + 1 < bytes) {
            p[i + 1] = static_cast<unsigned char>(word >> 8);
        }
    }
}
