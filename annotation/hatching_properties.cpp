// Hatching properties: kinds, parameters, names and the kind window.
#include "annotation/hatching_properties.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/dimension_text.h"
#include "geometry/text_numbers.h"
#include "geometry/extents.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"

#include <cmath>
#include <cstring>

const int hatch_kind_buttons[8] = {1171, 1175, 1176, 1292, 1172, 1173, 1174, 1177};

namespace {
const double quarter_pi = std::acos(-1.0) / 4.0;
const char* const slope = "Наклон: ";
const char* const interval = "Интервал: ";
const HatchKindRule rules[hatch_dialog_kinds] = {
    {" нет штриховки", {{hatch_param_none, nullptr, 0}, {hatch_param_none, nullptr, 0}}},
    {" металлы", {{hatch_param_angle, slope, quarter_pi}, {hatch_param_length, interval, 2.5}}},
    {" неметаллы", {{hatch_param_angle, slope, quarter_pi}, {hatch_param_length, interval, 2.5}}},
    {" дерево", {{hatch_param_length, interval, 2.5}, {hatch_param_none, nullptr, 0}}},
    {" камень", {{hatch_param_angle, slope, quarter_pi}, {hatch_param_length, interval, 2.5}}},
    {" керамика", {{hatch_param_angle, slope, quarter_pi}, {hatch_param_length, interval, 2.5}}},
    {" бетон", {{hatch_param_angle, slope, quarter_pi}, {hatch_param_length, interval, 2.5}}},
    {" стекло", {{hatch_param_angle, slope, quarter_pi}, {hatch_param_length, interval, 5.0}}},
    {" жидкость", {{hatch_param_length, interval, 2.5}, {hatch_param_none, nullptr, 0}}},
    {" грунт", {{hatch_param_angle, slope, quarter_pi}, {hatch_param_length, interval, 2.5}}},
    {" зачернить", {{hatch_param_none, nullptr, 0}, {hatch_param_none, nullptr, 0}}},
    {" песок", {{hatch_param_length, interval, 1.25}, {hatch_param_none, nullptr, 0}}},
    {" засыпка", {{hatch_param_length, interval, 1.25}, {hatch_param_none, nullptr, 0}}},
    {" штриховка\n пользователя", {{hatch_param_length, "Шаг X: ", 2.5}, {hatch_param_length, "Шаг Y: ", 2.5}}},
};
const double degree = std::acos(-1.0) / 180.0;
}  // namespace

const HatchKindRule* hatch_kind_rule(int code) {
    return code >= 0 && code < hatch_dialog_kinds ? &rules[code] : nullptr;
}

double hatch_param_shown(int code, int which, double stored) {
    const HatchKindRule* r = hatch_kind_rule(code);
    if (!r || which < 0 || which > 1) return 0;
    const HatchParamRule& p = r->params[which];
    if (p.kind == hatch_param_none) return 0;
    double v = std::isfinite(stored) ? std::fabs(stored) : 0;
    if (p.kind == hatch_param_angle) {
        // Whole degrees, rounded down (a hair's tolerance for values that
        // were whole degrees before the float conversion).
        v = std::floor(v / degree + 1e-4) * degree;
    }
    return v == 0 ? p.fallback : v;
}

std::string hatch_param_text(int code, int which, double value) {
    const HatchKindRule* r = hatch_kind_rule(code);
    if (!r || which < 0 || which > 1 || r->params[which].kind == hatch_param_none) return std::string();
    char out[64];
    if (r->params[which].kind == hatch_param_angle)
        format_dimension_value(out, sizeof out, value, 3, 0);
    else
        format_number_by_magnitude(out, sizeof out, value);
    return out;
}

bool hatch_param_typed(int code, int which, const char* text, double* value) {
    const HatchKindRule* r = hatch_kind_rule(code);
    if (!r || which < 0 || which > 1 || !text) return false;
    const HatchParamRule& p = r->params[which];
    if (p.kind == hatch_param_none) return false;
    double v;
    if (p.kind == hatch_param_angle) {
        int kind = 0;
        v = parse_angle(text, &kind);
    } else {
        v = parse_number_text(text);
    }
    if (!std::isfinite(v) || std::fabs(v) > 3.0e38) return false;
    *value = hatch_param_shown(code, which, std::fabs(v));
    return true;
}

bool hatch_apply_kind(uint8_t* rec, int code) {
    const HatchKindRule* r = hatch_kind_rule(code);
    if (!r || rec[hatching_kind_code] == code) return false;
    rec[hatching_kind_code] = static_cast<uint8_t>(code);
    put_f32(rec, hatching_param1, static_cast<float>(r->params[0].kind ? r->params[0].fallback : 0));
    put_f32(rec, hatching_param2, static_cast<float>(r->params[1].kind ? r->params[1].fallback : 0));
    return true;
}

void hatch_params_normalise(uint8_t* rec) {
    int code = rec[hatching_kind_code];
    put_f32(rec, hatching_param1, static_cast<float>(hatch_param_shown(code, 0, get_f32(rec, hatching_param1))));
    put_f32(rec, hatching_param2, static_cast<float>(hatch_param_shown(code, 1, get_f32(rec, hatching_param2))));
}

void hatch_name_from_text(const char* text, uint8_t name[6]) {
    char first[8] = {};
    if (text) std::strncpy(first, text, 7);
    size_t n = std::strlen(first);
    while (n > 0 && first[n - 1] == ' ') first[--n] = 0;
    if (n > 6) n = 6;
    std::memset(name, 0, 6);
    std::memcpy(name, first, n);
}

int find_contour_by_name(const uint8_t name[6], RecordRef* projection_out, RecordRef* contour_out) {
    DrawingFile* df = current_drawing_file();
    if (!df) return 0;
    PageBuffer* pbuf = &page_buffers[table_projections];
    PageBuffer* abuf = &page_buffers[table_annotation];
    PageBuffer* cbuf = &page_buffers[table_contours];
    RecordRef* projections = reinterpret_cast<RecordRef*>(df->header + header_projections);
    for (int pass = 0; pass < 2; ++pass) {
        for (uint8_t* p = record_next(df, projections, nullptr, pbuf); p && !error_flag;
             p = record_next(df, projections, p, pbuf)) {
            RecordRef pref = record_ref_of(pbuf, p);
            if (pass == 0) {
                if ((get_u16(p, projection_type_word_offset) & 0x0F) == 8) continue;
                RecordRef* annotations = projection_chain(p, projection_annotations);
                for (uint8_t* a = record_next(df, annotations, nullptr, abuf); a && !error_flag;
                     a = record_next(df, annotations, a, abuf)) {
                    if (a[record_kind] != annotation_hatching || get_u16(a, record_length) < hatching_record_size) continue;
                    if (std::memcmp(a + hatching_name, name, 6) != 0) continue;
                    uint32_t number = get_u32(a, record_key);
                    if (projection_out) *projection_out = pref;
                    if (contour_out) {
                        *contour_out = 0;
                        RecordRef at = pref;
                        uint8_t* pp = record_read_at(df, &at, pbuf);
                        uint8_t* c = pp ? record_find_key(df, projection_chain(pp, projection_contours), number, nullptr, cbuf)
                                        : nullptr;
                        if (c) *contour_out = record_ref_of(cbuf, c);
                    }
                    return 1;
                }
            } else {
                RecordRef* contours = projection_chain(p, projection_contours);
                for (uint8_t* c = record_next(df, contours, nullptr, cbuf); c && !error_flag;
                     c = record_next(df, contours, c, cbuf)) {
                    if (get_u16(c, record_length) < contour_head_size) continue;
                    if (get_u16(c, contour_flags) & contour_flag_continuation) continue;
                    if (std::memcmp(c + contour_name_offset, name, 6) != 0) continue;
                    if (projection_out) *projection_out = pref;
                    if (contour_out) *contour_out = record_ref_of(cbuf, c);
                    return 1;
                }
            }
        }
    }
    return 0;
}

int hatch_window_start(int start) {
    if (start < 0) return 0;
    return start + 8 > hatch_dialog_kinds ? hatch_dialog_kinds - 8 : start;
}

int hatch_scroll(int start, int request, int thumb) {
    switch (request) {
    case 0: case 2: return start >= 9 ? start - 8 : 0;
    case 1: case 3: return start + 8 > 6 ? 6 : start + 8;
    case 4: case 5: return thumb <= 1 ? 0 : thumb > 6 ? 6 : thumb;
    case 6: return 0;
    case 7: return 6;
    default: return start;
    }
}
