// Table templates and axis grids built as points, elements and dimensions.
#include "shell/core/table_template.h"

#include "annotation/annotation_layout.h"
#include "annotation/annotation_records.h"
#include "annotation/annotation_tools.h"
#include "annotation/leader_properties.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "shell/core/projection_records.h"
#include "stages/dimensions/dimension_edit.h"
#include "stages/points_elements/points.h"
#include "store/drawing_header.h"
#include "store/number_pools.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/text_codec.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

enum : uint8_t { kind_template = 5, kind_template_column = 6, kind_table_binding = 7 };
enum : uint16_t { projection_type_fragment = 8 };

RecordRef* chain(unsigned char* p, uint32_t offset) { return reinterpret_cast<RecordRef*>(p + offset); }

// The name packed in mode 3 into a zeroed 32-byte buffer; its packed length.
int packed_name(const std::string& name, uint8_t out[32]) {
    uint16_t words[16] = {};
    int bytes = name.empty() ? 0 : text_pack_words(static_cast<int>(name.size()), name.c_str(), words, 16, 3);
    if (bytes < 0) bytes = 0;
    if (bytes > 31) bytes = 31;
    std::memset(out, 0, 32);
    std::memcpy(out, words, static_cast<size_t>(bytes));
    return bytes;
}

std::string unpacked_name(const unsigned char* packed, int bytes) {
    if (bytes <= 0) return "";
    std::vector<uint16_t> words(static_cast<size_t>((bytes + 1) / 2), 0);
    std::memcpy(words.data(), packed, static_cast<size_t>(bytes));
    char out[160] = "";
    int n = text_unpack_words(bytes, words.data(), out, sizeof out - 1, 3);
    std::string s(out, n > 0 ? static_cast<size_t>(n) : 0);
    while (!s.empty() && (s.back() == ' ' || s.back() == 0)) s.pop_back();
    return s;
}

// A first axis mark packed (mode 5) into its 4 bytes of the template
// record, and read back with trailing blanks removed.
void packed_mark(const std::string& mark, uint8_t out[4]) {
    uint16_t words[2] = {};
    if (!mark.empty()) text_pack_words(static_cast<int>(mark.size()), mark.c_str(), words, 2, 5);
    std::memcpy(out, words, 4);
}

std::string unpacked_mark(const uint8_t packed[4]) {
    uint16_t words[2];
    std::memcpy(words, packed, 4);
    char out[16] = "";
    int n = text_unpack_words(4, words, out, sizeof out, 5);
    std::string s(out, n > 0 ? static_cast<size_t>(n) : 0);
    while (!s.empty() && (s.back() == ' ' || s.back() == 0)) s.pop_back();
    return s;
}

uint32_t add_point(DrawingFile* df, unsigned char* p, double x, double y) {
    uint32_t n = point_number_alloc();
    if (!n) return 0;
    PointCopy pt;
    const double xy[2] = {x, y};
    ref_point_init(pt.bytes, n, xy);
    if (!record_add(df, chain(p, projection_points), pt.bytes, &page_buffers[table_points]) || error_flag) return 0;
    return n;
}

bool add_line(DrawingFile* df, unsigned char* p, uint32_t a, uint32_t b, const double* pa, const double* pb,
              int line_type) {
    uint32_t n = element_number_alloc();
    if (!n) return false;
    uint8_t e[element_size2] = {};
    put_u16(e, record_length, element_size2);
    put_u32(e, element_number, n);
    put_u16(e, element_flags, static_cast<uint16_t>(1 | ((line_type & 0x0F) << 4)));
    put_u32(e, element_points, a);
    put_u32(e, element_points + 4, b);
    put_f64(e, element_coords2, pa[0]);
    put_f64(e, element_coords2 + 8, pa[1]);
    put_f64(e, element_coords2 + 16, pb[0]);
    put_f64(e, element_coords2 + 24, pb[1]);
    return record_add(df, chain(p, projection_elements), e, &page_buffers[table_elements]) && !error_flag;
}

// A text fragment whose frame has its smaller corner at (x, y), so that a
// text placed at a cell's corner stands inside that cell; false when the
// text cannot be laid out (the stroke fonts measure it) or stored.  The
// style word becomes its flags, text flags bit 0 its fit-into-cell bit, and
// rotated texts turn by -pi/2.
bool add_text(DrawingFile* df, unsigned char* p, const std::string& text, double x, double y, uint16_t style,
              uint16_t text_flags, uint8_t alignment) {
    RecordBytes rec;
    const char* refusal = nullptr;
    if (!build_new_text_fragment(text, x, y, &rec, &refusal)) return false;
    translate_text_fragment_record(rec.data(), x - get_f32(rec.data(), text_fragment_frame1),
                                   y - get_f32(rec.data(), text_fragment_frame1 + 4));
    put_u16(rec.data(), annotation_flags, style);
    rec[text_fragment_alignment] = alignment <= 2 ? alignment : 0;
    if (text_flags & template_text_fit) put_u16(rec.data(), text_fragment_options, 1);
    if (text_flags & template_text_rotated) put_f64(rec.data(), text_fragment_angle, -std::acos(0.0));
    return record_add(df, chain(p, projection_annotations), rec.data(), &page_buffers[table_annotation]) &&
           !error_flag;
}

// A leader whose arrow ends on (ax, ay) and whose text, the mark, stands at
// (tx, ty).
bool add_mark(DrawingFile* df, unsigned char* p, double ax, double ay, double tx, double ty, const std::string& mark) {
    RecordBytes leader = build_new_leader(ax, ay);
    // The arrow exactly on the axis end.
    put_f32(leader.data(), leader_point1, static_cast<float>(ax));
    put_f32(leader.data(), leader_point1 + 4, static_cast<float>(ay));
    RecordBytes marked;
    const char* refusal = nullptr;
    if (!leader_build_texts(leader.data(), mark.c_str(), "", &marked, &refusal)) return false;
    RecordRef ref = record_add(df, chain(p, projection_annotations), marked.data(), &page_buffers[table_annotation]);
    if (!ref || error_flag) return false;
    return layout_leader_at_point(p, &ref, tx, ty, false) != nullptr && !error_flag;
}

// The axis marks of a grid whose axes cross at xs (vertical axes) and ys
// (horizontal axes, y downward).  Returns the leaders made; -1 on failure.
int add_axis_marks(DrawingFile* df, unsigned char* p, const TemplateParams& t, const std::vector<double>& xs,
                   const std::vector<double>& ys) {
    if (!(t.flags & template_flag_grid) || !(t.flags & template_flag_marks) || xs.empty() || ys.empty()) return 0;
    const double out = sheet_to_model_length(10.0);
    const double left = xs.front(), right = xs.back(), top = ys.front(), bottom = ys.back();
    int made = 0;
    struct Side {
        uint16_t bit;
        bool horizontal_axes;  // the side carries the ends of the horizontal axes
        double dx, dy;         // from the axis end out to the text
    } sides[] = {{template_mark_left, true, -out, 0}, {template_mark_right, true, out, 0},
                 {template_mark_top, false, 0, -out}, {template_mark_bottom, false, 0, out}};
    for (const Side& s : sides) {
        if (!(t.flags & s.bit)) continue;
        const std::vector<double>& axes = s.horizontal_axes ? ys : xs;
        bool reversed = s.horizontal_axes ? (t.flags & template_first_bottom) != 0 : (t.flags & template_first_right) != 0;
        std::string mark = s.horizontal_axes ? t.first_horizontal_mark : t.first_vertical_mark;
        for (size_t i = 0; i < axes.size(); ++i) {
            double a = axes[reversed ? axes.size() - 1 - i : i];
            double ax = s.horizontal_axes ? (s.bit == template_mark_left ? left : right) : a;
            double ay = s.horizontal_axes ? a : (s.bit == template_mark_top ? top : bottom);
            if (!add_mark(df, p, ax, ay, ax + s.dx, ay + s.dy, mark)) return -1;
            ++made;
            mark = template_next_mark(mark);
        }
    }
    return made;
}

bool add_construction(DrawingFile* df, unsigned char* p, const std::vector<uint8_t>& rec) {
    return record_add(df, chain(p, projection_construction), rec.data(), &page_buffers[table_construction]) &&
           !error_flag;
}

std::vector<uint8_t> template_record(const TemplateParams& t) {
    uint8_t name[32];
    int n = packed_name(t.name, name);
    std::vector<uint8_t> r(static_cast<size_t>(60 + n), 0);
    put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
    r[6] = kind_template;
    r[7] = static_cast<uint8_t>(n);
    put_u32(r.data(), 8, static_cast<uint32_t>(t.columns.size()));
    put_u32(r.data(), 12, t.rows);
    put_f64(r.data(), 16, t.header_height);
    put_f64(r.data(), 24, t.row_height);
    put_u16(r.data(), 32, t.header_variable);
    put_u16(r.data(), 34, t.row_variable);
    put_u32(r.data(), 36, static_cast<uint32_t>(t.bindings.size()));
    put_u16(r.data(), 40, t.flags);
    packed_mark(t.first_horizontal_mark, r.data() + 44);
    packed_mark(t.first_vertical_mark, r.data() + 52);
    std::memcpy(r.data() + 60, name, static_cast<size_t>(n));
    return r;
}

std::vector<uint8_t> column_record(const TemplateColumn& c, uint16_t number) {
    std::vector<uint16_t> words(130, 0);
    int n = c.caption.empty() ? 0
                              : text_pack_words(static_cast<int>(c.caption.size()), c.caption.c_str(), words.data(),
                                                129, 3);
    if (n < 0) n = 0;
    std::vector<uint8_t> r(static_cast<size_t>(46 + n), 0);
    put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
    put_u32(r.data(), 2, c.width_dimension);
    r[6] = kind_template_column;
    r[7] = c.alignment;
    put_u16(r.data(), 8, number);
    put_u16(r.data(), 10, c.style);
    put_u16(r.data(), 12, c.text_flags);
    put_f64(r.data(), 14, c.width);
    put_f64(r.data(), 22, c.offset_x);
    put_f64(r.data(), 30, c.offset_y);
    put_u16(r.data(), 38, c.width_variable);
    put_u16(r.data(), 40, c.offset_x_variable);
    put_u16(r.data(), 42, c.offset_y_variable);
    put_u16(r.data(), 44, static_cast<uint16_t>(n));
    std::memcpy(r.data() + 46, words.data(), static_cast<size_t>(n));
    return r;
}

std::vector<uint8_t> binding_record(const TemplateBinding& b) {
    std::vector<uint8_t> r(40, 0);
    put_u16(r.data(), record_length, 40);
    r[6] = kind_table_binding;
    r[7] = b.alignment;
    put_u32(r.data(), 8, b.table_column);
    put_u32(r.data(), 12, b.template_column);
    put_u16(r.data(), 16, b.style);
    put_u16(r.data(), 18, b.text_flags);
    put_f64(r.data(), 20, b.offset_x);
    put_f64(r.data(), 28, b.offset_y);
    put_u16(r.data(), 36, b.offset_x_variable);
    put_u16(r.data(), 38, b.offset_y_variable);
    return r;
}

// A new, empty type-8 projection named name; its reference or 0.
RecordRef new_projection(DrawingFile* df, const std::string& name) {
    uint32_t number = 0;
    for (const ProjectionEntry& e : projection_chain_entries(df)) number = std::max(number, e.number);
    ++number;
    uint8_t rec[projection_record_max] = {};
    projection_record_init(rec, number, projection_type_fragment | projection_flag_no_sketch);
    uint8_t packed[32];
    int n = packed_name(name, packed);
    std::memcpy(rec + projection_title, packed, 32);
    put_u16(rec, projection_title_length, static_cast<uint16_t>(n));
    RecordRef head = get_u32(df->header, header_projections);
    RecordRef ref = record_add(df, &head, rec, &page_buffers[table_projections]);
    put_u32(df->header, header_projections, head);
    if (ref && get_u32(df->header, header_counters) < number) put_u32(df->header, header_counters, number);
    return error_flag ? 0 : ref;
}

}  // namespace

RecordRef template_find_projection(DrawingFile* df, const std::string& name) {
    uint8_t want[32];
    packed_name(name, want);
    PageBuffer* pbuf = &page_buffers[table_projections];
    RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_projections);
    for (unsigned char* p = record_next(df, head, nullptr, pbuf); p && !error_flag; p = record_next(df, head, p, pbuf)) {
        if ((get_u16(p, projection_flags) & projection_flag_type_mask) != projection_type_fragment) continue;
        uint8_t have[32] = {};
        int n = get_u16(p, projection_title_length);
        if (n > 31) n = 31;
        std::memcpy(have, p + projection_title, static_cast<size_t>(n));
        if (std::memcmp(have, want, 32) == 0) return record_ref_of(pbuf, p);
    }
    return 0;
}

TemplateBuildResult template_build(DrawingFile* df, TemplateParams& t, RecordRef reuse) {
    TemplateBuildResult out;
    std::string name = t.name;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name.empty()) {
        out.message = "Имя шаблона не может быть пустым";
        return out;
    }
    if (t.columns.empty()) t.columns.resize(1);
    RecordRef ref = reuse;
    if (ref) {
        if (projection_clear_contents(df, ref) != 0) ref = 0;
    } else {
        ref = new_projection(df, name);
    }
    PageBuffer* pbuf = &page_buffers[table_projections];
    unsigned char* stored = ref ? record_read_at(df, &ref, pbuf) : nullptr;
    if (!stored || error_flag) {
        out.message = "ОШИБКА в структуре данных";
        return out;
    }
    unsigned char p[projection_record_max] = {};
    uint32_t len = get_u16(stored, record_length);
    if (len > sizeof p) len = sizeof p;
    std::memcpy(p, stored, len);

    const size_t cols = t.columns.size();
    const size_t lines = t.rows + 2;
    std::vector<double> xs(cols + 1, 0.0), ys(lines, 0.0);
    for (size_t c = 0; c < cols; ++c) xs[c + 1] = xs[c] + t.columns[c].width;
    for (size_t d = 1; d < lines; ++d) ys[d] = t.header_height + static_cast<double>(d - 1) * t.row_height;
    int frame = (t.flags & template_flag_frame_type) >> 4;
    int separator = t.flags & template_flag_separator_type;

    // Points at every crossing, row line by row line.
    std::vector<std::vector<uint32_t>> pt(lines, std::vector<uint32_t>(cols + 1, 0));
    bool ok = true;
    for (size_t d = 0; d < lines && ok; ++d)
        for (size_t c = 0; c <= cols && ok; ++c) {
            pt[d][c] = add_point(df, p, xs[c], ys[d]);
            ok = pt[d][c] != 0;
            out.points += ok;
        }
    // Elements: horizontal stretches, then vertical ones.
    for (size_t d = 0; d < lines && ok; ++d)
        for (size_t c = 0; c < cols && ok; ++c) {
            double a[2] = {xs[c], ys[d]}, b[2] = {xs[c + 1], ys[d]};
            bool inner = d >= 2 && d + 1 < lines;  // between two body rows
            ok = add_line(df, p, pt[d][c], pt[d][c + 1], a, b, inner ? separator : frame);
            out.elements += ok;
        }
    for (size_t d = 0; d + 1 < lines && ok; ++d)
        for (size_t c = 0; c <= cols && ok; ++c) {
            double a[2] = {xs[c], ys[d]}, b[2] = {xs[c], ys[d + 1]};
            ok = add_line(df, p, pt[d][c], pt[d + 1][c], a, b, frame);
            out.elements += ok;
        }
    // Width dimensions (along x), linked to the corners of the column's cells.
    for (size_t c = 0; c < cols && ok; ++c) {
        DimensionParams dp;
        dp.mode = 0;
        dp.nominal = t.columns[c].width;
        uint32_t dim = dimension_create(df, p, dp);
        ok = dim != 0 && !error_flag;
        if (!ok) break;
        ++out.dimensions;
        t.columns[c].width_dimension = dim;
        for (size_t d = 0; d + 1 < lines && ok; ++d) {
            const uint32_t corners[4] = {pt[d][c], pt[d + 1][c], pt[d][c + 1], pt[d + 1][c + 1]};
            for (int k = 0; k < 4 && ok; ++k) {
                ok = dimension_link_add(df, p, dim, corners[k], k < 2 ? LINK_FIRST : LINK_SECOND) != 0;
                out.links += ok;
            }
        }
    }
    // Height dimensions (along y), one per row band, linked along the row.
    for (size_t d = 0; d + 1 < lines && ok; ++d) {
        DimensionParams dp;
        dp.mode = 1;
        dp.nominal = d == 0 ? t.header_height : t.row_height;
        uint32_t dim = dimension_create(df, p, dp);
        ok = dim != 0 && !error_flag;
        if (!ok) break;
        ++out.dimensions;
        for (size_t c = 0; c <= cols && ok; ++c) {
            ok = dimension_link_add(df, p, dim, pt[d][c], LINK_FIRST) != 0 &&
                 dimension_link_add(df, p, dim, pt[d + 1][c], LINK_SECOND) != 0;
            out.links += ok ? 2 : 0;
        }
    }
    // Captions in the header row; in every body row a placeholder of the
    // table cell in each template column that shows a table column.
    for (size_t c = 0; c < cols && ok; ++c) {
        const TemplateColumn& k = t.columns[c];
        if (k.caption.empty()) continue;
        bool shift = (k.text_flags & template_text_offset) != 0;
        if (add_text(df, p, k.caption, xs[c] + (shift ? k.offset_x : 0), ys[0] + (shift ? k.offset_y : 0), k.style,
                     k.text_flags, k.alignment))
            ++out.texts;
    }
    for (uint32_t row = 1; row <= t.rows && ok; ++row)
        for (const TemplateBinding& b : t.bindings) {
            if (b.template_column == 0 || b.template_column > cols) continue;
            char text[40];
            std::snprintf(text, sizeof text, "!к%luс%lu", static_cast<unsigned long>(b.table_column),
                          static_cast<unsigned long>(row));
            bool shift = (b.text_flags & template_text_offset) != 0;
            size_t c = b.template_column - 1;
            if (add_text(df, p, text, xs[c] + (shift ? b.offset_x : 0), ys[row] + (shift ? b.offset_y : 0), b.style,
                         b.text_flags, b.alignment))
                ++out.texts;
        }
    if (ok) {
        int marks = add_axis_marks(df, p, t, xs, ys);
        ok = marks >= 0;
        if (ok) out.marks = marks;
    }
    // The parameters, for loading and building again.
    if (ok) ok = add_construction(df, p, template_record(t));
    for (size_t c = 0; c < cols && ok; ++c) ok = add_construction(df, p, column_record(t.columns[c], static_cast<uint16_t>(c + 1)));
    for (size_t b = 0; b < t.bindings.size() && ok; ++b) ok = add_construction(df, p, binding_record(t.bindings[b]));
    put_u16(p, projection_flags, static_cast<uint16_t>(get_u16(p, projection_flags) & ~projection_flag_construct));
    // The copy's chain heads go back into the stored record, whatever happened.
    stored = record_read_at(df, &ref, pbuf);
    if (stored) {
        std::memcpy(stored, p, len);
        pbuf->clean = 0;
    }
    out.projection = get_u32(p, record_key);
    if (!ok && out.message.empty()) out.message = "ОШИБКА в структуре данных";
    return out;
}

bool template_load(DrawingFile* df, RecordRef projection, TemplateParams& t) {
    PageBuffer* pbuf = &page_buffers[table_projections];
    PageBuffer* cbuf = &page_buffers[table_construction];
    unsigned char* p = record_read_at(df, &projection, pbuf);
    if (!p) return false;
    std::vector<std::vector<uint8_t>> recs;
    for (unsigned char* c = record_next(df, chain(p, projection_construction), nullptr, cbuf); c && !error_flag;
         c = record_next(df, chain(p, projection_construction), c, cbuf))
        if (c[6] >= kind_template && c[6] <= kind_table_binding)
            recs.emplace_back(c, c + get_u16(c, record_length));
    bool found = false;
    std::vector<TemplateColumn> columns;
    std::vector<TemplateBinding> bindings;
    for (const auto& r : recs) {
        const uint8_t* c = r.data();
        if (c[6] == kind_template && r.size() >= 60) {
            found = true;
            t.name = unpacked_name(c + 60, c[7]);
            t.rows = get_u32(c, 12);
            t.header_height = get_f64(c, 16);
            t.row_height = get_f64(c, 24);
            t.header_variable = get_u16(c, 32);
            t.row_variable = get_u16(c, 34);
            t.flags = get_u16(c, 40);
            t.first_horizontal_mark = unpacked_mark(c + 44);
            t.first_vertical_mark = unpacked_mark(c + 52);
        }
    }
    // Columns and bindings numbered 1, 2, ... until a number is missing.
    for (uint16_t n = 1;; ++n) {
        const uint8_t* hit = nullptr;
        for (const auto& r : recs)
            if (r[6] == kind_template_column && r.size() >= 46 && get_u16(r.data(), 8) == n) hit = r.data();
        if (!hit) break;
        TemplateColumn c;
        c.width_dimension = get_u32(hit, 2);
        c.alignment = hit[7];
        c.style = get_u16(hit, 10);
        c.text_flags = get_u16(hit, 12);
        c.width = get_f64(hit, 14);
        c.offset_x = get_f64(hit, 22);
        c.offset_y = get_f64(hit, 30);
        c.width_variable = get_u16(hit, 38);
        c.offset_x_variable = get_u16(hit, 40);
        c.offset_y_variable = get_u16(hit, 42);
        c.caption = unpacked_name(hit + 46, get_u16(hit, 44));
        columns.push_back(c);
    }
    for (uint32_t n = 1;; ++n) {
        const uint8_t* hit = nullptr;
        for (const auto& r : recs)
            if (r[6] == kind_table_binding && r.size() >= 40 && get_u32(r.data(), 8) == n) hit = r.data();
        if (!hit) break;
        TemplateBinding b;
        b.table_column = n;
        b.template_column = get_u32(hit, 12);
        b.alignment = hit[7];
        b.style = get_u16(hit, 16);
        b.text_flags = get_u16(hit, 18);
        b.offset_x = get_f64(hit, 20);
        b.offset_y = get_f64(hit, 28);
        bindings.push_back(b);
    }
    if (!found) return false;
    t.columns = columns;
    t.bindings = bindings;
    return true;
}

std::string template_next_mark(const std::string& mark) {
    std::string m = mark;
    while (!m.empty() && m.back() == ' ') m.pop_back();
    size_t start = m.size();
    while (start > 0 && m[start - 1] >= '0' && m[start - 1] <= '9') --start;
    if (start == m.size()) return m + "1";
    std::string digits = m.substr(start);
    // The digits as a number plus one, carried by hand: any length works.
    std::string next = digits;
    int i = static_cast<int>(next.size()) - 1;
    while (i >= 0 && next[static_cast<size_t>(i)] == '9') next[static_cast<size_t>(i--)] = '0';
    if (i >= 0) ++next[static_cast<size_t>(i)];
    else next.insert(next.begin(), '1');
    if (digits[0] != '0') {
        // Without a leading zero the number is written without padding.
        size_t nz = next.find_first_not_of('0');
        next = nz == std::string::npos ? "0" : next.substr(nz);
    }
    return m.substr(0, start) + next;
}

bool template_mark_fits(const std::string& mark) {
    std::string m = mark;
    while (!m.empty() && m.back() == ' ') m.pop_back();
    uint8_t packed[4];
    packed_mark(m, packed);
    return unpacked_mark(packed) == m;
}
