// Stroke fonts: loading the "gfnt" sets, the font state, markup and measuring.
#include "render/text/stroke_font.h"

#include "base/byte_order.h"
#include "geometry/kernel_context.h"
#include "base/program_messages.h"
#include "store/settings_block.h"
#include "render/text/text_variables.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------- byte access

namespace {

struct SetRange {
    uint16_t id;
    uint8_t first, last;
    uint16_t baseline;
};

// The codes and baseline of every set, in load order.
const SetRange set_ranges[stroke_font_count] = {
    {247, 0xC0, 0xFF, 40}, {248, 0x20, 0x3F, 40}, {252, 0x41, 0x7F, 40},
    {254, 0xC0, 0xFF, 30}, {369, 0x20, 0x3F, 30}, {370, 0x41, 0x7F, 30},
    {380, 0xA1, 0xBF, 40}, {381, 0xA1, 0xBF, 30}, {494, 0x80, 0x8F, 40},
    {495, 0x80, 0x8F, 30}, {552, 0x41, 0x7A, 40}, {553, 0x41, 0x7A, 30},
    {639, 0xA1, 0xBF, 40}, {640, 0xA1, 0xBF, 30},
};

// The sets of each style row, by id (0 = empty slot), per font type.
const uint16_t table_layout[2][4][4] = {
    {{247, 248, 252, 380}, {248, 494, 552, 0}, {247, 248, 252, 639}, {0, 0, 0, 0}},
    {{254, 369, 370, 381}, {369, 495, 553, 0}, {254, 369, 370, 640}, {0, 0, 0, 0}},
};

int set_index_of(uint16_t id) {
    for (int i = 0; i < stroke_font_count; ++i)
        if (set_ranges[i].id == id)
            return i;
    return -1;
}

GlyphRecord decode_record(const uint8_t* p) {
    GlyphRecord g;
    g.top = p[0];
    g.bottom = p[1];
    g.left_top = p[2];
    g.left_bottom = p[3];
    g.right_top = p[4];
    g.right_bottom = p[5];
    g.line_count = p[6];
    g.curve_count = p[7];
    g.line_offset = get_u16(p, 8);
    g.curve_offset = get_u16(p, 10);
    return g;
}

}  // namespace

// ---------------------------------------------------------------- globals

const uint16_t stroke_font_ids[stroke_font_count] = {247, 248, 252, 254, 369, 370, 380,
                                                     381, 494, 495, 552, 553, 639, 640};
StrokeFontSet stroke_font_sets[stroke_font_count];
const StrokeFontSet* stroke_font_tables[2][4][4];
uint16_t stroke_font_failed_id;

TextSettings text_settings = {
    {1.8, 2.5, 3.5, 5.0, 7.0, 10.0, 14.0, 20.0, 28.0, 40.0},
    {{70, 50}, {270, 190}, {130, 90}, {330, 230}},
    -0.2679491924311227,
    0x000000,
};
TextFontState text_font_state = {0, 1.8, 0, 0, 0, 0.0, 0};

void text_settings_bind_settings_block() {
    for (int i = 0; i < 10; ++i)
        text_settings.text_heights[i] = settings_f64(settings_text_heights_offset + 8 * i);
    for (int i = 0; i < 4; ++i)
        for (int t = 0; t < 2; ++t)
            text_settings.index_shifts[i][t] = settings_f64(settings_index_shifts_offset + 16 * i + 8 * t);
    text_settings.slant_factor = settings_f64(settings_slant_factor_offset);
    text_settings.text_colour = settings_u32(settings_text_colour_offset);
    select_text_font(text_font_state.size_index, text_font_state.slant, text_font_state.font_type);
}

// ---------------------------------------------------------------- loading

int stroke_font_set_open(uint16_t id, const uint8_t* data, uint32_t size, StrokeFontSet* out) {
    int k = set_index_of(id);
    if (k < 0 || data == nullptr || size < 4)
        return -1;
    const SetRange& r = set_ranges[k];
    if (data[0] != r.first || data[1] != r.last || get_u16(data, 2) != r.baseline)
        return -1;
    uint32_t count = static_cast<uint32_t>(r.last - r.first + 1);
    uint32_t records_end = 4 + glyph_record_size * count;
    if (records_end > size)
        return -1;
    for (uint32_t i = 0; i < count; ++i) {
        GlyphRecord g = decode_record(data + 4 + glyph_record_size * i);
        if (g.line_count != 0 &&
            static_cast<uint32_t>(g.line_offset) + glyph_line_size * g.line_count > size)
            return -1;
        if (g.curve_count != 0 &&
            static_cast<uint32_t>(g.curve_offset) + glyph_curve_size * g.curve_count > size)
            return -1;
        if (glyph_left(g) > glyph_right(g) || g.bottom > g.top)
            return -1;
    }
    out->data = data;
    out->size = size;
    out->first = r.first;
    out->last = r.last;
    out->baseline = r.baseline;
    return 0;
}

int stroke_fonts_load(const FontResourceBytes resources[stroke_font_count]) {
    std::memset(stroke_font_tables, 0, sizeof stroke_font_tables);
    std::memset(stroke_font_sets, 0, sizeof stroke_font_sets);
    stroke_font_failed_id = 0;
    for (int i = 0; i < stroke_font_count; ++i) {
        if (stroke_font_set_open(stroke_font_ids[i], resources[i].data, resources[i].size,
                                 &stroke_font_sets[i]) != 0) {
            std::memset(stroke_font_sets, 0, sizeof stroke_font_sets);
            stroke_font_failed_id = stroke_font_ids[i];
            // The detail names the resource; the caller shows the message.
            static char detail[16];
            std::snprintf(detail, sizeof detail, "gfnt %u", static_cast<unsigned>(stroke_font_failed_id));
            error_stack_push(detail);
            error_flag = 1;
            return -1;
        }
    }
    for (int t = 0; t < 2; ++t)
        for (int row = 0; row < 4; ++row)
            for (int slot = 0; slot < 4; ++slot) {
                uint16_t id = table_layout[t][row][slot];
                stroke_font_tables[t][row][slot] = id ? &stroke_font_sets[set_index_of(id)] : nullptr;
            }
    return 0;
}

GlyphRecord glyph_record(const StrokeFontSet* set, uint8_t code) {
    return decode_record(set->data + 4 + glyph_record_size * static_cast<uint32_t>(code - set->first));
}

GlyphLine glyph_line(const StrokeFontSet* set, const GlyphRecord& g, int index) {
    const uint8_t* p = set->data + g.line_offset + glyph_line_size * static_cast<uint32_t>(index);
    GlyphLine l = {p[0], p[1], p[2], p[3]};
    return l;
}

GlyphCurve glyph_curve(const StrokeFontSet* set, const GlyphRecord& g, int index) {
    const uint8_t* p = set->data + g.curve_offset + glyph_curve_size * static_cast<uint32_t>(index);
    GlyphCurve c;
    c.x0 = p[0];
    c.y0 = p[1];
    c.x1 = get_i16(p, 2);
    c.y1 = get_i16(p, 4);
    c.x2 = get_i16(p, 6);
    c.y2 = get_i16(p, 8);
    c.x3 = p[10];
    c.y3 = p[11];
    return c;
}

int glyph_left(const GlyphRecord& g) {
    return g.left_top < g.left_bottom ? g.left_top : g.left_bottom;
}

int glyph_right(const GlyphRecord& g) {
    return g.right_top > g.right_bottom ? g.right_top : g.right_bottom;
}

int glyph_advance(const GlyphRecord& g) {
    return glyph_right(g) - glyph_left(g);
}

// ---------------------------------------------------------------- font state

const StrokeFontSet* find_font_set(uint8_t code) {
    int type = text_font_state.font_type ? 1 : 0;
    int row = text_font_state.style_row < 4 ? text_font_state.style_row : 0;
    for (int slot = 0; slot < 4; ++slot) {
        const StrokeFontSet* set = stroke_font_tables[type][row][slot];
        if (set == nullptr)
            break;
        if (set->first <= code && code <= set->last)
            return set;
    }
    return nullptr;
}

void select_text_font(int size_index, int slant, int font_type) {
    if (size_index >= 0 && size_index <= 9) {
        text_font_state.size_index = static_cast<uint16_t>(size_index);
        text_font_state.text_height = text_settings.text_heights[size_index];
    }
    text_font_state.slant = slant;
    text_font_state.font_type = font_type;
}

uint32_t swap_text_colour(uint32_t colour) {
    uint32_t old = text_settings.text_colour;
    text_settings.text_colour = colour;
    if (settings_block != nullptr)
        settings_set_u32(settings_text_colour_offset, colour);
    return old;
}

double text_line_step(int size_index) {
    if (size_index < 0 || size_index >= 10)
        return 0.0;
    double h = sheet_to_model_length(text_settings.text_heights[size_index]);
    return text_font_state.font_type ? h * 1.7 : h * 11.0 / 7.0;
}

double text_spacing_unit(int size_index) {
    if (size_index < 0 || size_index >= 10)
        return 0.0;
    double h = sheet_to_model_length(text_settings.text_heights[size_index]);
    return text_font_state.font_type ? h * 0.1 : h / 14.0;
}

// ---------------------------------------------------------------- one line

namespace {

// (style row, code) pairs that are never slanted: upright signs.
bool slant_exempt(int row, int code) {
    static const uint8_t row0[] = {127, 161, 162, 163, 164, 175, 178, 180, 188, 189, 190};
    static const uint8_t row1[] = {128, 130, 132, 134, 138, 140, 142, 143};
    const uint8_t* list = row == 0 ? row0 : row1;
    size_t n = row == 0 ? sizeof row0 : sizeof row1;
    if (row > 1)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (list[i] == code)
            return true;
    return false;
}

bool decimal_char(int c) {
    return (c >= '0' && c <= '9') || c == ',' || c == '.' || c == '+' || c == '-';
}

// The height one size below the size index (the same for index 0).
double smaller_height() {
    int i = text_font_state.size_index;
    return text_settings.text_heights[i > 0 ? i - 1 : 0];
}

struct LineState {
    const TextCanvas* canvas;
    double x0, y0, cs, sn;
    double height;                  // sheet mm of the glyphs now drawn
    double x, max_x, saved_x;
    int lower, upper;               // index levels 0..2
    bool underline, smaller;
    bool arc_active, arc_pending;
    TextPoint arc_start, arc_end;
    bool first_glyph;
    int prev_right_top, prev_right_bottom;
    double top, bottom, width;
};

// Glyph point (gx, gy) of the glyph now placed, on the drawing.
struct GlyphPlace {
    double s, k, h, left, baseline;
};

TextPoint place_point(const LineState& st, const GlyphPlace& gp, double gx, double gy) {
    double ly = gp.h - gp.s * (gy - gp.baseline);
    double lx = st.x + gp.s * (gx - gp.left) + gp.k * ly;
    TextPoint p = {st.x0 + lx * st.cs - ly * st.sn, st.y0 + lx * st.sn + ly * st.cs};
    return p;
}

}  // namespace

double arc_sign_height(double text_height) {
    return sheet_to_model_length(text_height) / 4.0;
}

TextPoint arc_sign_middle(TextPoint start, TextPoint end, double text_height) {
    double r = arc_sign_height(text_height);
    double dir = std::atan2(end.y - start.y, end.x - start.x) - std::acos(-1.0) / 2.0;
    TextPoint mid = {(start.x + end.x) / 2.0 + r * std::cos(dir), (start.y + end.y) / 2.0 + r * std::sin(dir)};
    return mid;
}

namespace {

void end_arc(LineState& st) {
    double r = arc_sign_height(st.height);
    TextPoint mid = arc_sign_middle(st.arc_start, st.arc_end, st.height);
    if (st.canvas) {
        if (st.canvas->arc_sign)
            st.canvas->arc_sign(st.canvas->context, st.arc_start, st.arc_end, mid);
    } else if (st.arc_start.y - r < st.top) {
        st.top = st.arc_start.y - r;
    }
    st.arc_active = false;
}

void draw_glyph(LineState& st, int code, int next_index) {
    const StrokeFontSet* set = find_font_set(static_cast<uint8_t>(code));
    int type = text_font_state.font_type ? 1 : 0;
    if (set == nullptr) {
        code = '?';
        set = &stroke_font_sets[set_index_of(type ? 369 : 248)];
        if (set->data == nullptr)
            return;   // fonts not loaded
    }
    GlyphRecord g = glyph_record(set, static_cast<uint8_t>(code));
    GlyphPlace gp;
    gp.s = sheet_to_model_length(st.height) * (type ? 0.01 : 1.0 / 140.0);
    gp.k = text_font_state.slant ? text_settings.slant_factor : 0.0;
    if (slant_exempt(text_font_state.style_row, code))
        gp.k = 0.0;
    gp.left = glyph_left(g);
    gp.baseline = set->baseline;

    if (!st.first_glyph) {
        bool parallel = st.prev_right_top - g.left_top == st.prev_right_bottom - g.left_bottom;
        st.x += (parallel ? 20.0 : 10.0) * gp.s;
    }
    st.first_glyph = false;
    if (st.upper)
        gp.h = -gp.s * text_settings.index_shifts[st.upper == 1 ? 2 : 3][type];
    else if (st.lower)
        gp.h = gp.s * text_settings.index_shifts[st.lower == 1 ? 0 : 1][type];
    else
        gp.h = 0.0;
    double arc_y = type ? 140.0 : 200.0;
    if (st.arc_active && st.arc_pending) {
        st.arc_start = place_point(st, gp, 0.0, arc_y);
        st.arc_pending = false;
    }

    if (st.canvas) {
        const TextCanvas* cv = st.canvas;
        if (cv->begin_glyph)
            cv->begin_glyph(cv->context, st.height * (type ? 0.01 : 1.0 / 140.0) * 10.0);
        for (int i = 0; i < g.line_count; ++i) {
            GlyphLine l = glyph_line(set, g, i);
            if (l.y2 == glyph_circle_mark) {
                if (cv->circle)
                    cv->circle(cv->context, place_point(st, gp, l.x1, l.y1), l.x2 * gp.s);
            } else if (cv->line) {
                cv->line(cv->context, place_point(st, gp, l.x1, l.y1), place_point(st, gp, l.x2, l.y2));
            }
        }
        for (int i = 0; i < g.curve_count; ++i) {
            GlyphCurve c = glyph_curve(set, g, i);
            TextPoint p[4] = {place_point(st, gp, c.x0, c.y0),
                              place_point(st, gp, c.x1 / 100.0, c.y1 / 100.0),
                              place_point(st, gp, c.x2 / 100.0, c.y2 / 100.0),
                              place_point(st, gp, c.x3, c.y3)};
            if (cv->bezier)
                cv->bezier(cv->context, p);
        }
        if (st.underline && cv->line)
            cv->line(cv->context, place_point(st, gp, gp.left - 10.0, 5.0),
                     place_point(st, gp, glyph_right(g) + 10.0, 5.0));
        if (cv->end_glyph)
            cv->end_glyph(cv->context);
    } else {
        // The glyph's right end at its top and bottom.
        TextPoint t = place_point(st, gp, glyph_right(g), g.top);
        TextPoint b = place_point(st, gp, glyph_right(g), g.bottom);
        if (t.y < st.top)
            st.top = t.y;
        if (b.y > st.bottom)
            st.bottom = b.y;
        if (t.x > st.width)
            st.width = t.x;
        if (st.width <= text_font_state.width_limit)
            text_font_state.fit_index = next_index;
    }
    if (st.arc_active)
        st.arc_end = place_point(st, gp, glyph_right(g), arc_y);
    st.x += glyph_advance(g) * gp.s;
    if (!st.upper && !st.lower)
        st.saved_x = st.x;
    if (st.x > st.max_x)
        st.max_x = st.x;
    st.prev_right_top = g.right_top;
    st.prev_right_bottom = g.right_bottom;
}

}  // namespace

double draw_text_line_canvas(const TextCanvas* canvas, double x, double y, double angle,
                             const char* text, double* width, double* height) {
    LineState st;
    std::memset(&st, 0, sizeof st);
    st.canvas = canvas;
    st.x0 = x;
    st.y0 = y;
    st.cs = std::cos(angle);
    st.sn = std::sin(angle);
    st.first_glyph = true;
    if (!canvas) {
        if (width)
            *width = 0.0;
        if (height)
            *height = 0.0;
    }
    text_font_state.style_row = 0;
    text_font_state.fit_index = 0;
    const double normal_height = text_settings.text_heights[text_font_state.size_index < 10 ? text_font_state.size_index : 0];
    st.height = normal_height;
    if (text == nullptr)
        text = "";
    const unsigned char* t = reinterpret_cast<const unsigned char*>(text);
    DrawingFile* drawing = text_variables_drawing();
    const bool show_names = text_variables_shown_as_names(drawing);
    text_variable_read = 0;
    text_variable_delivering = 0;

    // Indexes are int: a long text never wraps them.
    for (int i = 0; t[i] != 0; ++i) {
        int c = t[i];
        if (c == 24 || c == 26)
            continue;
        if (c == 0xAA) {
            st.arc_active = true;
            st.arc_pending = true;
            continue;
        }
        if (st.arc_active && !st.arc_pending && !decimal_char(c))
            end_arc(st);
        if (c == '{' && !show_names) {
            // A model-variable reference: its value is drawn character by
            // character (as data: no markup); an unresolved one as typed.
            char v;
            int next = next_variable_char(drawing, text, i, &v);
            if (text_variable_delivering) {
                while (v != 0) {
                    int vc = static_cast<unsigned char>(v);
                    if (st.arc_active && !st.arc_pending && !decimal_char(vc))
                        end_arc(st);
                    draw_glyph(st, vc, i);   // a break falls before the reference...
                    next = next_variable_char(drawing, text, i, &v);
                }
                if (!canvas && st.width <= text_font_state.width_limit)
                    text_font_state.fit_index = next;   // ...or after it, never inside
                i = next - 1;
                continue;
            }
            if (v == 0) {      // an empty value
                i = next - 1;
                continue;
            }
        }
        if (c == '\\') {
            st.lower = st.upper = 0;
            st.underline = false;
            st.smaller = false;
            st.prev_right_top = st.prev_right_bottom = 0;
            st.height = normal_height;
            st.x = st.max_x;
            for (;;) {
                c = t[++i];
                if (c == 0)
                    goto line_end;
                if (c == '-' && !st.lower && !st.upper) {
                    st.underline = true;
                } else if (c == '^') {
                    st.upper = st.upper ? 2 : 1;
                    st.height = smaller_height();
                    st.x = st.saved_x;
                } else if (c == '_') {
                    st.lower = st.lower ? 2 : 1;
                    st.height = smaller_height();
                    st.x = st.saved_x;
                } else if (c != 'n') {
                    break;   // drawn below, through the "/" and "@" tests
                }
            }
        }
        if (st.smaller) {
            if (c == ' ') {
                st.smaller = false;
                st.height = normal_height;
                draw_glyph(st, c, i + 1);
            } else {
                double keep = st.height;
                st.height = smaller_height();
                draw_glyph(st, c, i + 1);
                st.height = keep;
            }
            continue;
        }
        if (c == '/') {
            draw_glyph(st, c, i + 1);
            st.smaller = true;
            continue;
        }
        if (c == '@') {
            c = t[++i];
            if (c == 0)
                break;
            if (c >= '0' && c <= '9') {
                int row = c & 0x0F;
                text_font_state.style_row = static_cast<uint8_t>(row >= 3 ? 0 : row);
                c = t[++i];
                if (c == 0)
                    break;   // "@1" at the very end: the line ends here
            } else {
                text_font_state.style_row = 0;
            }
            draw_glyph(st, c, i + 1);
            continue;
        }
        draw_glyph(st, c, i + 1);
    }
line_end:
    if (st.arc_active && !st.arc_pending)
        end_arc(st);
    if (canvas)
        return 0.0;
    if (width)
        *width = st.width;
    if (height)
        *height = st.bottom - st.top;
    return st.bottom;
}

double measure_text(const char* text, double* width, double* height) {
    return draw_text_line_canvas(nullptr, 0.0, 0.0, 0.0, text, width, height);
}

// ---------------------------------------------------------------- several lines

namespace {

// Copies the line that starts at p into line (cut to max_line characters)
// and returns where the next line starts, or null after the last line.
// Lines end at NUL, CR LF, ESC and the two characters "\" "n".
const char* next_text_line(const char* p, char* line, size_t max_line) {
    size_t n = 0;
    while (p[n] != 0 && p[n] != 27 && !(p[n] == '\r' && p[n + 1] == '\n') &&
           !(p[n] == '\\' && p[n + 1] == 'n'))
        ++n;
    size_t kept = n < max_line ? n : max_line;
    std::memcpy(line, p, kept);
    line[kept] = 0;
    if (p[n] == 0)
        return nullptr;
    return p + n + (p[n] == 27 ? 1 : 2);
}

const size_t max_text_line = 2048;

}  // namespace

int measure_multiline_text(const char* text, double* box_width, double* box_height,
                           double line_step, double* last_depth) {
    char* expanded = expand_text_variables(text_variables_drawing(), text ? text : "", 1);
    char* line = static_cast<char*>(std::malloc(max_text_line + 1));
    if (line == nullptr || expanded == nullptr) {
        std::free(line);
        std::free(expanded);
        return 0;
    }
    const char* p = expanded;
    int lines = 0;
    double widest = 0.0, first_above = 0.0, depth = 0.0;
    while (p != nullptr) {
        p = next_text_line(p, line, max_text_line);
        double w = 0.0, h = 0.0;
        depth = measure_text(line, &w, &h);
        if (lines == 0)
            first_above = h - depth;
        if (w > widest)
            widest = w;
        ++lines;
    }
    std::free(line);
    std::free(expanded);
    if (box_width)
        *box_width = widest;
    if (box_height)
        *box_height = first_above + (lines - 1) * line_step + depth;
    if (last_depth)
        *last_depth = depth;
    return lines;
}

void draw_multiline_text_canvas(const TextCanvas* canvas, double x, double y, double angle,
                                const char* text, double line_step, int line_count, int alignment,
                                double width) {
    char* expanded = expand_text_variables(text_variables_drawing(), text ? text : "", 1);
    char* line = static_cast<char*>(std::malloc(max_text_line + 1));
    if (line == nullptr || expanded == nullptr) {
        std::free(line);
        std::free(expanded);
        return;
    }
    const double cs = std::cos(angle), sn = std::sin(angle);
    const int n = line_count > 1 ? line_count - 1 : 0;
    const char* p = expanded;
    for (int i = 0; p != nullptr; ++i) {
        p = next_text_line(p, line, max_text_line);
        double w = 0.0, h = 0.0;
        measure_text(line, &w, &h);
        double lx = alignment == 1 ? (width - w) / 2.0 : alignment == 2 ? width - w : 0.0;
        double ly = (i - n) * line_step;
        draw_text_line_canvas(canvas, x + lx * cs - ly * sn, y + lx * sn + ly * cs, angle, line,
                              nullptr, nullptr);
    }
    std::free(line);
    std::free(expanded);
}
