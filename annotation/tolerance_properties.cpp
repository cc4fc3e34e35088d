// Tolerance properties: signs, frame text and cell widths of a tolerance frame.
#include "annotation/tolerance_properties.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "render/text/stroke_font.h"
#include "store/record_layouts.h"

#include <algorithm>

namespace {
struct SignEntry {
    uint8_t chars[3];
    const char* hint;
};
const SignEntry signs_table[tolerance_sign_count] = {
    {{' '}, " Знак не задан"},
    {{133}, " Д.прямолинейности"},
    {{128}, " Д.плоскостности"},
    {{129}, " Д.круглости"},
    {{130}, " Д.цилиндричности"},
    {{131}, " Д.профиля продольного сечения"},
    {{132}, " Д.параллельности"},
    {{134}, " Д.перпендикулярности"},
    {{137}, " Д.наклона"},
    {{136}, " Д.соосности"},
    {{135}, " Д.симметричности"},
    {{138}, " Д.позиционный"},
    {{143}, " Д.пересечения осей"},
    {{139}, " Д.биения"},
    {{139, 141, 139}, " Д.полного биения"},
    {{140}, " Д.формы профиля"},
    {{142}, " Д.формы поверхности"},
};

std::vector<std::string> lines_of(const std::string& s) {
    std::vector<std::string> out(1);
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
            out.emplace_back();
            ++i;
        } else {
            out.back() += s[i];
        }
    }
    return out;
}

int commas(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), ',')); }
}  // namespace

bool tolerance_sign_chars(int code, std::string* chars) {
    if (code < 0 || code >= tolerance_sign_count) return false;
    chars->assign(1, static_cast<char>(signs_table[code].chars[0]));
    if (code == 14) {
        chars->push_back(static_cast<char>(signs_table[code].chars[1]));
        chars->push_back(static_cast<char>(signs_table[code].chars[2]));
    }
    return true;
}

const char* tolerance_sign_hint(int code) {
    return code >= 0 && code < tolerance_sign_count ? signs_table[code].hint : nullptr;
}

std::string tolerance_sign_part(const uint8_t codes[3], int count) {
    std::string s;
    if (count <= 0) return s;
    s = "@1";
    for (int i = 0; i < count && i < 3; ++i) {
        std::string c;
        if (tolerance_sign_chars(codes[i], &c)) s += c;
    }
    s += '@';
    return s;
}

int tolerance_signs_compact(uint8_t codes[3]) {
    int n = 0;
    for (int i = 0; i < 3; ++i)
        if (codes[i] != 0) codes[n++] = codes[i];
    for (int i = n; i < 3; ++i) codes[i] = 0;
    return n;
}

ToleranceTexts tolerance_split(const std::string& joined) {
    ToleranceTexts t;
    size_t a = joined.find('\x18');
    if (a == std::string::npos) {
        t.signs = joined;
        return t;
    }
    t.signs = joined.substr(0, a);
    size_t b = joined.find('\x1a', a + 1);
    if (b == std::string::npos) {
        t.value = joined.substr(a + 1);
        return t;
    }
    t.value = joined.substr(a + 1, b - a - 1);
    t.datums = joined.substr(b + 1);
    return t;
}

std::string tolerance_join(const ToleranceTexts& t) {
    return t.signs + '\x18' + t.value + '\x1a' + t.datums;
}

void tolerance_stacked_widths(const ToleranceTexts& t, double h, double min_value_width, double m,
                              const ToleranceMeasure& measure, double* sign_cell, double* datum_offset,
                              double* total) {
    double sign = 0;
    if (!t.signs.empty()) {
        // One glyph per row: the characters between the markup bytes.
        std::string inner = t.signs;
        if (inner.size() >= 3 && inner[0] == '@' && inner[1] == '1') inner = inner.substr(2);
        if (!inner.empty() && inner.back() == '@') inner.pop_back();
        double widest = 0;
        for (size_t i = 0; i < inner.size(); ++i) {
            // The three characters of code 14 form one sign.
            size_t n = (static_cast<uint8_t>(inner[i]) == 139 && i + 2 < inner.size() &&
                        static_cast<uint8_t>(inner[i + 1]) == 141) ? 3 : 1;
            widest = std::max(widest, measure("@1" + inner.substr(i, n) + "@", true));
            i += n - 1;
        }
        sign = std::max(widest + 2 * m, h);
    }
    double value = 0;
    for (const std::string& line : lines_of(t.value)) value = std::max(value, measure(line, false));
    value = std::max(value + 2 * m, min_value_width);
    double datum = 0;
    if (!t.datums.empty()) {
        int most = 0;
        for (const std::string& line : lines_of(t.datums)) {
            datum = std::max(datum, measure(line, false));
            most = std::max(most, commas(line));
        }
        datum += 2 * m + 2 * m * most;
    }
    *sign_cell = sign;
    *datum_offset = t.datums.empty() ? 0 : sign + value;
    *total = sign + value + datum;
}

ToleranceWidths tolerance_cell_widths(const ToleranceTexts& t, double h, double m, bool stacked,
                                      const ToleranceMeasure& measure) {
    ToleranceWidths w{};
    if (stacked) {
        tolerance_stacked_widths(t, h, 2 * h, m, measure, &w.sign_cell, &w.datum_offset, &w.total);
        return w;
    }
    double sign = t.signs.empty() ? 0 : std::max(measure(t.signs, true) + 2 * m, h);
    double value = std::max(measure(t.value, false) + 2 * m, 2 * h);
    double datum = t.datums.empty() ? 0 : measure(t.datums, false) + 2 * m + 2 * m * commas(t.datums);
    w.sign_cell = sign;
    w.datum_offset = t.datums.empty() ? 0 : sign + value;
    w.total = sign + value + datum;
    return w;
}

bool tolerance_build(const uint8_t* old, const char* signs, const char* value, const char* datums, double h,
                     double m, const ToleranceMeasure& measure, RecordBytes* out, const char** refusal) {
    *refusal = nullptr;
    ToleranceTexts t = tolerance_split(record_text(old, tolerance_head));
    if (signs) t.signs = signs;
    if (value) t.value = value;
    if (datums) t.datums = datums;
    std::string joined = tolerance_join(t);
    if (joined.size() > 255) {
        *refusal = text_refusal_length;
        return false;
    }
    RecordBytes packed = pack_whole_text(joined);
    if (tolerance_head + packed.size() > record_max_length) {
        *refusal = text_refusal_length;
        return false;
    }
    bool stacked = (get_u16(old, annotation_flags) & tolerance_flag_stacked) != 0;
    ToleranceWidths w = tolerance_cell_widths(t, h, m, stacked, measure);
    out->assign(old, old + tolerance_head);
    out->insert(out->end(), packed.begin(), packed.end());
    put_u16(out->data(), record_length, static_cast<uint16_t>(out->size()));
    (*out)[tolerance_text_length] = static_cast<uint8_t>(joined.size());
    put_f32(out->data(), tolerance_separator1, static_cast<float>(w.sign_cell));
    put_f32(out->data(), tolerance_separator2, static_cast<float>(w.datum_offset));
    put_f32(out->data(), tolerance_frame2, static_cast<float>(get_f32(old, tolerance_frame1) + w.total));
    return true;
}

unsigned char* build_tolerance_record(uint8_t* projection, RecordRef* ref, const char* signs, const char* value,
                                      const char* datums) {
    unsigned char* rec = annotation_record_at(*ref);
    if (!rec || error_flag || rec[record_kind] != annotation_tolerance) return nullptr;
    TextStyle style{};
    annotation_style_get(rec, &style);
    double h = sheet_to_model_length(text_settings.text_heights[style.height_index] + 2.48);
    double m = sheet_to_model_length(1.24);
    ToleranceMeasure measure = [&](const std::string& text, bool upright) {
        select_text_font(style.height_index, upright ? 0 : style.slant, style.font_b);
        double w = 0, hh = 0;
        measure_text(text.c_str(), &w, &hh);
        return w;
    };
    RecordBytes built;
    const char* refusal = nullptr;
    try {
        if (!tolerance_build(rec, signs, value, datums, h, m, measure, &built, &refusal)) {
            show_program_message(refusal);
            return annotation_record_at(*ref);
        }
    } catch (const std::bad_alloc&) {
        show_program_message(kernel_context().out_of_memory_text);
        error_flag = 1;
        return nullptr;
    }
    return projection_annotation_replace(projection, ref, built.data());
}

unsigned char* tolerance_signs_apply(uint8_t* projection, RecordRef* ref, int slot, int code, int* slot_out) {
    unsigned char* rec = annotation_record_at(*ref);
    if (!rec || error_flag || rec[record_kind] != annotation_tolerance) return nullptr;
    uint8_t codes[3] = {rec[tolerance_signs], rec[tolerance_signs + 1], rec[tolerance_signs + 2]};
    if (slot >= 0 && slot < 3 && code >= 0 && code < tolerance_sign_count) codes[slot] = static_cast<uint8_t>(code);
    // The slot just edited, moved forward over the empty slots before it.
    int edited = 0;
    for (int i = 0; i < slot && i < 3; ++i)
        if (codes[i] != 0) ++edited;
    int n = tolerance_signs_compact(codes);
    for (int i = 0; i < 3; ++i) rec[tolerance_signs + i] = codes[i];
    uint16_t f = get_u16(rec, annotation_flags);
    put_u16(rec, annotation_flags, static_cast<uint16_t>((f & ~(7 << 6)) | (n << 6)));
    page_buffers[table_annotation].clean = 0;
    if (slot_out) *slot_out = std::min(edited, n > 0 ? n - 1 : 0);
    std::string part = tolerance_sign_part(codes, n);
    return build_tolerance_record(projection, ref, part.c_str(), nullptr, nullptr);
}
