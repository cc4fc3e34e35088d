// MGI format: the writer run by the export command and the reader run by the
// import command.
#include "output/mgi_format.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/extents.h"
#include "geometry/geom_types.h"
#include "geometry/metric.h"
#include "geometry/tolerance.h"
#include "output/import_session.h"
#include "render/contours/contour_lists.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/text_codec.h"

namespace {

const char text_export_failed[] = "$экспорта";
const char text_header_too_long[] = "%о длинные строки в заголовке";
const char text_read_failed[] = "$чтения файла МГИ";
const char text_not_mgi[] = "Открытый файл не МГИ";
const char text_bad_format[] = "$формата МГИ";
const char text_no_end[] = "Нет конца МГИ";
const char text_store_failed[] = "$в структуре данных";

// The title-block fields carried in the header, in their order.
const uint32_t title_fields[4] = {2, 1, 111, 131};
enum : uint32_t { header_texts = 34, title_text_max = 519 };

typedef std::vector<uint8_t> Bytes;

// ---------------------------------------------------------------- title block
// The text of title-block field number (mode-1 packed text), or false.
bool title_text_read(DrawingFile* df, uint32_t number, std::string* out) {
    RecordRef head = get_u32(df->header, header_title_block);
    if (!head) return false;
    uint8_t* r = record_find_key(df, &head, number, nullptr, &page_buffers[table_title_block]);
    if (!r) return false;
    int len = get_u16(r, record_length);
    int packed = len > static_cast<int>(title_field_text) ? len - static_cast<int>(title_field_text) : 0;
    std::vector<uint16_t> words(static_cast<size_t>(packed + 1) / 2 + 1, 0);
    std::memcpy(words.data(), r + title_field_text, static_cast<size_t>(packed));
    char text[1200];
    int n = text_unpack_words(packed, words.data(), text, sizeof text, 1);
    while (n > 0 && text[n - 1] == ' ') --n;  // the blank that fills the last word
    out->assign(text, static_cast<size_t>(n));
    return true;
}

// Stores a title-block field for sheet; returns false when the store failed.
bool title_text_store(DrawingFile* df, uint32_t number, uint16_t sheet, const char* text, size_t length) {
    std::string t(text, length);
    uint16_t words[260];
    int bytes = text_pack_words(static_cast<int>(t.size()), t.c_str(), words, 260, 1);
    Bytes rec(title_field_text + static_cast<size_t>(bytes), 0);
    put_u16(rec.data(), record_length, static_cast<uint16_t>(rec.size()));
    put_u32(rec.data(), title_field_number, number);
    put_u16(rec.data(), title_field_sheet, sheet);
    std::memcpy(rec.data() + title_field_text, words, static_cast<size_t>(bytes));
    RecordRef head = get_u32(df->header, header_title_block);
    RecordRef got = record_add(df, &head, rec.data(), &page_buffers[table_title_block]);
    put_u32(df->header, header_title_block, head);
    return got != 0;
}

// ---------------------------------------------------------------- writing
struct Writer {
    FILE* f;
    double min_x, max_y;
    uint16_t serial;
};

int write_failed() {
    show_program_message(text_export_failed);
    error_flag = 1;
    return -1;
}

int write_record(Writer* w, Bytes& rec, int kind) {
    rec[2] = static_cast<uint8_t>(kind);
    put_u16(rec.data(), 0, static_cast<uint16_t>(rec.size()));
    if (std::fwrite(rec.data(), 1, rec.size(), w->f) != rec.size()) return write_failed();
    return 0;
}

void put_file_point(const Writer* w, Bytes& rec, size_t off, Point2 p) {
    put_f64(rec.data(), off, p.x - w->min_x);
    put_f64(rec.data(), off + 8, w->max_y - p.y);
}

// Builds the kind-2 record of a segment (kind 1), arc with centre (kind 3) or
// arc on three points (kind 4) from the points {start, end, third}.
size_t mgi_arc_record(const Writer* w, int kind, const Point2* pts, Bytes& rec) {
    Point2 centre = pts[2];
    int sub = 0;
    if (kind == element_kind_arc_centre) {
        sub = 2;
    } else if (kind == element_kind_arc_points) {
        ArcByPoints a{pts[0], pts[1], pts[2]};
        int turn = arc_center_from_three_points(&a, &centre);
        sub = turn == 0 ? 0 : turn > 0 ? 3 : 2;
    }
    rec.assign(sub == 0 ? 40 : 56, 0);
    rec[3] = static_cast<uint8_t>(sub);
    put_file_point(w, rec, 8, pts[0]);
    put_file_point(w, rec, 24, pts[1]);
    if (sub) put_file_point(w, rec, 40, centre);
    put_u16(rec.data(), 6, w->serial);
    return rec.size();
}

// Writes one graphic element (kinds 1-5 as element records, 11 as a symbol
// record; other kinds write nothing).
int write_element(Writer* w, const uint8_t* e) {
    int kind = element_kind(e);
    int line_type = element_line_type(e);
    uint16_t len = get_u16(e, record_length);
    Bytes rec;
    switch (kind) {
    case element_kind_segment:
    case element_kind_arc_centre:
    case element_kind_arc_points: {
        if (len < (kind == element_kind_segment ? element_size2 : element_size3)) return 0;
        uint32_t c = kind == element_kind_segment ? element_coords2 : element_coords3;
        Point2 pts[3] = {get_point2(e, c), get_point2(e, c + 16), {0, 0}};
        if (kind != element_kind_segment) pts[2] = get_point2(e, c + 32);
        mgi_arc_record(w, kind, pts, rec);
        break;
    }
    case element_kind_circle: {
        if (len < element_size2) return 0;
        Point2 on = get_point2(e, element_coords2), centre = get_point2(e, element_coords2 + 16);
        rec.assign(32, 0);
        rec[3] = 1;
        put_file_point(w, rec, 8, centre);
        put_f64(rec.data(), 24, point_distance(on, centre));
        put_u16(rec.data(), 6, w->serial);
        break;
    }
    case element_kind_curve: {
        int n = static_cast<int16_t>(get_u16(e, curve_count));
        int room = len > curve_vertices ? static_cast<int>((len - curve_vertices + 16) / curve_vertex_size) : 0;
        if (n > room) n = room;
        for (int i = 0; i + 1 < n; ++i) {
            uint32_t a = curve_vertices + curve_vertex_size * static_cast<uint32_t>(i);
            uint32_t b = a + curve_vertex_size;
            Point2 pts[3] = {get_point2(e, a + curve_vertex_x), get_point2(e, b + curve_vertex_x),
                             get_point2(e, a + curve_vertex_through_x)};
            mgi_arc_record(w, element_kind_arc_points, pts, rec);
            rec[4] = static_cast<uint8_t>(line_type);
            rec[5] = 1;
            if (write_record(w, rec, mgi_record_element) != 0) return -1;
        }
        ++w->serial;
        return 0;
    }
    case element_kind_symbol: {
        if (len < element_symbol_items) return 0;
        int n = get_u16(e, element_symbol_count);
        int room = static_cast<int>((len - element_symbol_items) / element_symbol_item_size);
        if (n > room) n = room;
        // The record is sized from its points; the count byte keeps only the
        // low byte of a count above 255.
        rec.assign(6 + 16 * static_cast<size_t>(n), 0);
        rec[3] = static_cast<uint8_t>(n & 0xFF);
        put_u16(rec.data(), 4, get_u16(e, element_symbol_code));
        for (int i = 0; i < n; ++i) {
            uint32_t at = element_symbol_items + element_symbol_item_size * static_cast<uint32_t>(i);
            put_file_point(w, rec, 6 + 16 * static_cast<size_t>(i), get_point2(e, at + 4));
        }
        if (write_record(w, rec, mgi_record_symbol) != 0) return -1;
        ++w->serial;
        return 0;
    }
    default:
        return 0;
    }
    rec[4] = static_cast<uint8_t>(line_type);
    if (write_record(w, rec, mgi_record_element) != 0) return -1;
    ++w->serial;
    return 0;
}

// Elements left out of the file: deleted, generated screening pieces,
// hidden by screening, line types above 7, generated thin lines.
bool element_written(const uint8_t* e) {
    uint16_t f = get_u16(e, element_flags);
    int lt = element_line_type(e);
    if (f & 0x8000) return false;
    if ((f & 0x3000) == 0x2000) return false;
    if (f & 0x0800) return false;
    if (lt > 7) return false;
    if ((f & 0x0200) && lt == 2) return false;
    return true;
}

int write_contour(Writer* w, uint8_t* projection, const uint8_t* c) {
    uint16_t len = get_u16(c, record_length);
    if (len < contour_head_size) return 0;
    Bytes rec(36, 0);
    rec[3] = static_cast<uint8_t>(get_u16(c, contour_flags) & contour_flag_kind);
    double x1 = get_f64(c, contour_box), y1 = get_f64(c, contour_box + 8);
    double x2 = get_f64(c, contour_box + 16), y2 = get_f64(c, contour_box + 24);
    put_file_point(w, rec, 4, Point2{x1, y2});
    put_file_point(w, rec, 20, Point2{x2, y1});
    if (write_record(w, rec, mgi_record_contour_start) != 0) return -1;
    w->serial = 0;
    int members = static_cast<int16_t>(get_u16(c, contour_member_count));
    int room = static_cast<int>((len - contour_members) / 4);
    if (members > room) members = room;
    std::vector<uint32_t> keys;
    for (int i = 0; i < members; ++i) keys.push_back(get_u32(c, contour_members + 4 * static_cast<uint32_t>(i)));
    for (uint32_t key : keys) {
        // Copy each match before writing: the walk continues from it.
        for (uint8_t* e = element_find_by_key(projection, nullptr, key); e;
             e = element_find_by_key(projection, e, key)) {
            Bytes copy(e, e + get_u16(e, record_length));
            if (write_element(w, copy.data()) != 0) return -1;
        }
    }
    Bytes end(4, 0);
    return write_record(w, end, mgi_record_contour_end);
}

int write_projection(Writer* w, DrawingFile* df, Bytes& p) {
    uint8_t* pr = p.data();
    float min_x = get_f32(pr, projection_frame_offset), min_y = get_f32(pr, projection_frame_offset + 4);
    float max_x = get_f32(pr, projection_frame_offset + 8), max_y = get_f32(pr, projection_frame_offset + 12);
    w->min_x = min_x;
    w->max_y = max_y;
    w->serial = 0;
    double scale = get_f64(df->header, header_scale);
    float sheet_h = get_f32(df->header, header_sheet_height);
    char name[800];
    int packed = get_u16(pr, 144);
    if (packed > 32) packed = 32;
    std::vector<uint16_t> words(17, 0);
    std::memcpy(words.data(), pr + 148, static_cast<size_t>(packed));
    int name_len = text_unpack_words(packed, words.data(), name, 781, 3);
    Bytes rec(30 + static_cast<size_t>(name_len), 0);
    rec[3] = static_cast<uint8_t>(get_u16(pr, projection_flags) & 0x0F);
    put_f32(rec.data(), 4, max_x - min_x);
    put_f32(rec.data(), 8, max_y - min_y);
    put_f32(rec.data(), 12, static_cast<float>((get_f32(pr, projection_area_origin_offset) + min_x) * scale));
    put_f32(rec.data(), 16,
            static_cast<float>((sheet_h - get_f32(pr, projection_area_origin_offset + 4) - min_y) * scale));
    put_f64(rec.data(), 20, scale);
    put_u16(rec.data(), 28, static_cast<uint16_t>(name_len));
    std::memcpy(rec.data() + 30, name, static_cast<size_t>(name_len));
    if (write_record(w, rec, mgi_record_projection) != 0) return -1;

    PageBuffer* eb = &page_buffers[table_elements];
    RecordRef head = get_u32(pr, projection_elements);
    for (uint8_t* e = record_next(df, &head, nullptr, eb); e; e = record_next(df, &head, e, eb)) {
        if (!element_written(e)) continue;
        if (write_element(w, e) != 0 || error_flag) return -1;
    }
    PageBuffer* cb = &page_buffers[table_contours];
    RecordRef chead = get_u32(pr, projection_contours);
    for (uint8_t* c = record_next(df, &chead, nullptr, cb); c; c = record_next(df, &chead, c, cb)) {
        uint16_t f = get_u16(c, contour_flags);
        if (f & (contour_flag_continuation | 0x0080)) continue;
        uint8_t* whole = c;
        if (f & contour_flag_first_chunk) {
            whole = copy_contour_record(df, &chead, c, cb);
            if (!whole) return write_failed();
        }
        Bytes copy(whole, whole + get_u16(whole, record_length));
        if (record_is_heap_copy(whole, cb)) std::free(whole);
        RecordRef cref = record_ref_of(cb, c);
        if (write_contour(w, pr, copy.data()) != 0 || error_flag) return -1;
        c = record_read_at(df, &cref, cb);
        if (!c) break;
    }
    return 0;
}

// ---------------------------------------------------------------- reading
bool read_exact(FILE* f, void* dst, size_t n) { return std::fread(dst, 1, n, f) == n; }

// Length a record of kind must have (given its bytes so far), or 0 when the
// length cannot be valid for that kind.
bool record_length_valid(const Bytes& r) {
    size_t n = r.size();
    switch (r[2]) {
    case mgi_record_projection:
        return n >= 30 && get_u16(r.data(), 28) == n - 30 && n - 30 <= 780;
    case mgi_record_element:
        if (n < 8) return false;
        switch (r[3]) {
        case 0: return n == 40;
        case 1: return n == 32;
        case 2:
        case 3: return n == 56;
        default: return false;
        }
    case mgi_record_symbol: return n >= 6 && (n - 6) % 16 == 0;
    case mgi_record_contour_start: return n == 36;
    case mgi_record_contour_end:
    case mgi_record_end: return n == 4;
    default: return false;
    }
}

struct Reader {
    ImportSession s;
    double w = 0, h = 0;
    bool in_contour = false;
    bool end_seen = false;
};

Point2 file_point(const Reader& rd, const uint8_t* at) {
    return Point2{get_f64(at, 0), rd.h - get_f64(at, 8)};
}

bool finite_points(const Point2* p, int n) {
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(p[i].x) || !std::isfinite(p[i].y)) return false;
    return true;
}

// Takes one element record; -1 on a store failure.
int take_element(Reader& rd, const Bytes& r) {
    int sub = r[3];
    int line_type = r[4] & 0x0F;
    const uint8_t* g = r.data() + 8;
    if (sub == 0) {
        Point2 p[2] = {file_point(rd, g), file_point(rd, g + 16)};
        if (!finite_points(p, 2)) return 0;
        return import_element_store(&rd.s, element_kind_segment, line_type, p) < 0 ? -1 : 0;
    }
    if (sub == 1) {
        Point2 c = file_point(rd, g);
        double radius = get_f64(g, 16);
        Point2 p[2] = {{c.x + radius, c.y}, c};
        if (!finite_points(p, 2)) return 0;
        return import_element_store(&rd.s, element_kind_circle, line_type, p) < 0 ? -1 : 0;
    }
    Point2 start = file_point(rd, g), end = file_point(rd, g + 16), centre = file_point(rd, g + 32);
    if (sub == 3) std::swap(start, end);
    Point2 p[3] = {start, end, centre};
    if (!finite_points(p, 3)) return 0;
    int kind = element_kind_arc_centre;
    bool inside = compare_doubles(centre.x, 0) >= 0 && compare_doubles(centre.x, rd.w) <= 0 &&
                  compare_doubles(centre.y, 0) >= 0 && compare_doubles(centre.y, rd.h) <= 0;
    if (!inside) {
        // The middle of the arc: it runs with decreasing angle from start to
        // end, so its middle lies a quarter turn to the left of the chord
        // direction, seen from the centre.
        double r = point_distance(start, centre);
        double a = std::atan2(end.y - start.y, end.x - start.x) + k_half_pi();
        p[2] = Point2{centre.x + r * std::cos(a), centre.y + r * std::sin(a)};
        kind = element_kind_arc_points;
    }
    return import_element_store(&rd.s, kind, line_type, p) < 0 ? -1 : 0;
}

}  // namespace

int mgi_write(FILE* f, DrawingFile* df, int stage) {
    Bytes h(header_texts, 0);
    std::memcpy(h.data(), "MGI ", 4);
    put_u16(h.data(), 4, 1);
    h[8] = 0;
    h[9] = static_cast<uint8_t>(stage - 4);
    put_f32(h.data(), 10, get_f32(df->header, header_sheet_width));
    put_f32(h.data(), 14, get_f32(df->header, header_sheet_height));
    for (int i = 0; i < 4; ++i) {
        std::string text;
        if (!title_text_read(df, title_fields[i], &text)) continue;
        if (h.size() + text.size() > mgi_header_max) {
            show_program_message(text_header_too_long);
            error_flag = 1;
            return -1;
        }
        if (text.empty()) continue;
        put_u16(h.data(), 18 + 2 * i, static_cast<uint16_t>(h.size()));
        put_u16(h.data(), 26 + 2 * i, static_cast<uint16_t>(text.size()));
        h.insert(h.end(), text.begin(), text.end());
    }
    put_u16(h.data(), 6, static_cast<uint16_t>(h.size() - 6));
    if (std::fwrite(h.data(), 1, h.size(), f) != h.size()) return write_failed();

    Writer w{f, 0, 0, 0};
    // The projection references first: the walks below use the buffers.
    std::vector<RecordRef> refs;
    PageBuffer* pb = &page_buffers[table_projections];
    RecordRef head = get_u32(df->header, header_projections);
    for (uint8_t* p = record_next(df, &head, nullptr, pb); p; p = record_next(df, &head, p, pb))
        refs.push_back(record_ref_of(pb, p));
    for (RecordRef ref : refs) {
        RecordRef r = ref;
        uint8_t* p = record_read_at(df, &r, pb);
        if (!p) continue;
        Bytes copy(p, p + get_u16(p, record_length));
        if (copy.size() < projection_record_head) continue;
        if (write_projection(&w, df, copy) != 0) return -1;
    }
    Bytes end(4, 0);
    if (write_record(&w, end, mgi_record_end) != 0) return -1;
    if (std::fflush(f) != 0) return write_failed();
    return 0;
}

long mgi_read(FILE* f) {
    Reader rd;
    uint8_t head8[8];
    const char* failure = nullptr;
    Bytes header;
    if (!read_exact(f, head8, 8)) {
        failure = text_read_failed;
    } else if (std::memcmp(head8, "MGI ", 4) != 0) {
        failure = text_not_mgi;
    } else {
        uint32_t length = get_u16(head8, 6) + 6u;  // the whole header record
        if (length < header_texts || length > mgi_header_max) {
            failure = text_bad_format;
        } else {
            header.assign(head8, head8 + 8);
            header.resize(length);
            if (!read_exact(f, header.data() + 8, length - 8)) failure = text_read_failed;
            else if (header[8] != 0) failure = text_not_mgi;
        }
    }
    if (failure) {
        show_program_message(failure);
        return -1;
    }
    error_flag = 0;
    if (import_session_begin(&rd.s) != 0) return -1;

    // Title-block texts the drawing does not have yet, for the current sheet.
    // (Also into a drawing this import has just created: a file of a header
    // and an end record brings its title block.)
    uint16_t sheet = get_u16(rd.s.df->header, header_current_sheet);
    for (int i = 0; i < 4 && !failure; ++i) {
        uint32_t off = get_u16(header.data(), 18 + 2 * i), len = get_u16(header.data(), 26 + 2 * i);
        if (len == 0) continue;
        if (off < header_texts || off + len > header.size()) {
            failure = text_bad_format;
            break;
        }
        std::string existing;
        if (title_text_read(rd.s.df, title_fields[i], &existing)) continue;
        if (len > title_text_max) len = title_text_max;
        title_text_store(rd.s.df, title_fields[i], sheet, reinterpret_cast<const char*>(header.data() + off), len);
    }

    Bytes r;
    while (!failure) {
        uint8_t lb[2];
        size_t got = std::fread(lb, 1, 2, f);
        if (got < 2) break;  // the file ends
        uint32_t length = get_u16(lb, 0);
        if (length < 3 || length > mgi_record_max) break;
        r.assign(length, 0);
        std::memcpy(r.data(), lb, 2);
        if (!read_exact(f, r.data() + 2, length - 2)) {
            failure = text_read_failed;
            break;
        }
        if (!record_length_valid(r)) {
            failure = text_bad_format;
            break;
        }
        int kind = r[2];
        bool have_projection = rd.s.projection != 0;
        switch (kind) {
        case mgi_record_projection: {
            rd.w = get_f32(r.data(), 4);
            rd.h = get_f32(r.data(), 8);
            rd.in_contour = false;
            uint16_t name_len = get_u16(r.data(), 28);
            int type = r[3];
            if (import_projection_new(&rd.s, reinterpret_cast<const char*>(r.data() + 30), name_len,
                                      type, 1) != 0)
                failure = error_flag ? "" : text_store_failed;
            break;
        }
        case mgi_record_element:
            if (!have_projection) failure = text_bad_format;
            else if (!rd.in_contour && take_element(rd, r) != 0) failure = error_flag ? "" : text_store_failed;
            break;
        case mgi_record_symbol:
            break;
        case mgi_record_contour_start:
        case mgi_record_contour_end:
            if (!have_projection) failure = text_bad_format;
            else rd.in_contour = kind == mgi_record_contour_start;
            break;
        case mgi_record_end:
            rd.end_seen = true;
            break;
        }
        if (error_flag && !failure) failure = "";
    }
    if (rd.s.projection) import_projection_extents(&rd.s);
    if (failure && *failure) show_program_message(failure);
    else if (!failure && !rd.end_seen) show_program_message(text_no_end);
    else if (!failure && exchange_shell.import_finished) exchange_shell.import_finished(1, 1);
    bool ok = !failure && rd.end_seen;
    import_session_end(&rd.s);
    char prompt[80];
    std::snprintf(prompt, sizeof prompt, "Введено %lu элементов графики", rd.s.count);
    if (exchange_shell.prompt) exchange_shell.prompt(prompt);
    return ok ? static_cast<long>(rd.s.count) : -1;
}
