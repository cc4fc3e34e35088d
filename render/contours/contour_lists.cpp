// Contour records on the heap, the contour and piece lists, the member walk
// and the inside test.
#include "render/contours/contour_lists.h"

#include "geometry/growing_arrays.h"
#include "geometry/intersect.h"
#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "geometry/tolerance.h"
#include "store/drawing_header.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/text_codec.h"

#include <cstdlib>
#include <cstring>
#include <vector>

ContourPiece* contour_pieces = nullptr;
int& contour_pieces_active = temporary_element_source_active;
uint8_t** contour_array = nullptr;
size_t contour_array_count = 0;
uint32_t* element_index = nullptr;

namespace {

PageBuffer* contour_buffer() { return &page_buffers[table_contours]; }
PageBuffer* element_buffer() { return &page_buffers[table_elements]; }

unsigned char* piece_hook(uint32_t number) { return contour_piece_element(number); }

struct AutoBind {
    AutoBind() { contour_lists_bind(); }
} auto_bind;

}  // namespace

void contour_lists_bind() {
    piece_to_element_record = piece_hook;
    kernel_contour_pieces_active = &temporary_element_source_active;
}

void contour_report_out_of_memory() {
    show_program_message(kernel_context().out_of_memory_text);
    error_flag = 1;
}

uint8_t* ensure_block_capacity(uint8_t* block, size_t* capacity, size_t needed) {
    if (block && *capacity >= needed + 2) return block;
    uint8_t* grown = static_cast<uint8_t*>(std::realloc(block, needed + 16));
    if (!grown) return nullptr;
    *capacity = needed + 16;
    return grown;
}

bool record_is_heap_copy(const uint8_t* record, const PageBuffer* buf) {
    if (!record) return false;
    if (!buf || !buf->data) return true;
    uintptr_t p = reinterpret_cast<uintptr_t>(record);
    uintptr_t b = reinterpret_cast<uintptr_t>(buf->data);
    return p < b || p >= b + page_size;
}

uint8_t* copy_contour_record(DrawingFile* df, RecordRef* head, const uint8_t* contour, PageBuffer* buf) {
    if (!contour) return nullptr;
    RecordRef entry_page = buf ? buf->page : 0;
    size_t capacity = contour_block_size;
    uint8_t* copy = static_cast<uint8_t*>(std::calloc(1, capacity));
    if (!copy) return nullptr;
    uint16_t length = get_u16(contour, record_length);
    if (length > record_max_length) length = record_max_length;
    std::memcpy(copy, contour, length);
    uint32_t number = get_u32(contour, contour_number);
    bool failed = false;
    for (unsigned char* r = record_next(df, head, nullptr, buf); r && !error_flag; r = record_next(df, head, r, buf)) {
        if (!(get_u16(r, contour_flags) & contour_flag_continuation) || get_u32(r, contour_number) != number)
            continue;
        int have = get_i16(copy, contour_member_count);
        int add = get_i16(r, contour_member_count);
        int room = (static_cast<int>(get_u16(r, record_length)) - static_cast<int>(contour_members)) / 4;
        if (add > room) add = room;
        if (add <= 0) continue;
        size_t cur = contour_members + 4 * static_cast<size_t>(have);
        uint8_t* grown = ensure_block_capacity(copy, &capacity, cur + 4 * static_cast<size_t>(add));
        if (!grown) {
            failed = true;
            break;
        }
        copy = grown;
        std::memcpy(copy + cur, r + contour_members, 4 * static_cast<size_t>(add));
        put_i16(copy, contour_member_count, static_cast<int16_t>(have + add));
        put_u16(copy, record_length, static_cast<uint16_t>(get_u16(copy, record_length) + 4 * add));
    }
    if (buf && entry_page) {
        RecordRef p = entry_page;
        page_load(df, &p, buf);
    }
    if (failed) {
        std::free(copy);
        return nullptr;
    }
    return copy;
}

uint8_t* find_contour_by_number(DrawingFile* df, RecordRef* head, uint32_t number) {
    PageBuffer* buf = contour_buffer();
    for (unsigned char* r = record_next(df, head, nullptr, buf); r && !error_flag; r = record_next(df, head, r, buf)) {
        if (get_u16(r, contour_flags) & contour_flag_continuation) continue;
        if (get_u32(r, contour_number) == number) return r;
    }
    return nullptr;
}

void free_contour_array() {
    for (size_t i = 0; i < contour_array_count; ++i) std::free(contour_array[i]);
    std::free(contour_array);
    contour_array = nullptr;
    contour_array_count = 0;
}

int build_contour_array(uint8_t* projection, int screening_only) {
    free_contour_array();
    if (!projection) return 0;
    DrawingFile* df = current_drawing_file();
    PageBuffer* buf = contour_buffer();
    RecordRef* head = projection_chain(projection, projection_contours);
    for (unsigned char* r = record_next(df, head, nullptr, buf); r && !error_flag; r = record_next(df, head, r, buf)) {
        uint16_t flags = get_u16(r, contour_flags);
        int kind = flags & contour_flag_kind;
        if (get_u32(r, contour_number) == 0 || (flags & contour_flag_continuation)) continue;
        if (!(kind == 0 || kind == 1 || (kind == 2 && !screening_only))) continue;
        uint8_t* copy;
        if (flags & contour_flag_first_chunk) {
            copy = copy_contour_record(df, head, r, buf);
            if (!copy) continue;  // a joined copy that fails is passed over
        } else {
            size_t len = get_u16(r, record_length);
            if (len > record_max_length) len = record_max_length;
            copy = static_cast<uint8_t*>(std::calloc(1, len < contour_block_size ? contour_block_size : len));
            if (!copy) {
                contour_report_out_of_memory();
                return -1;
            }
            std::memcpy(copy, r, len);
        }
        uint8_t** grown = static_cast<uint8_t**>(std::realloc(contour_array, (contour_array_count + 1) * sizeof(uint8_t*)));
        if (!grown) {
            std::free(copy);
            contour_report_out_of_memory();
            return -1;
        }
        contour_array = grown;
        contour_array[contour_array_count++] = copy;
    }
    return error_flag ? -1 : 0;
}

void free_contour_piece_list() {
    while (contour_pieces) {
        ContourPiece* n = contour_pieces->next;
        std::free(contour_pieces);
        contour_pieces = n;
    }
}

uint8_t* contour_piece_element(uint32_t number) {
    static uint8_t segment[element_size2];
    static uint8_t circle[element_size2];
    static uint8_t arc[element_size3];
    const ContourPiece* p = contour_pieces;
    while (p && p->number != number) p = p->next;
    if (!p) return nullptr;
    int kind = piece_kind(p);
    uint8_t* out = kind == piece_arc ? arc : kind == piece_circle ? circle : segment;
    size_t size = kind == piece_arc ? element_size3 : element_size2;
    std::memset(out, 0, size);
    put_u16(out, record_length, static_cast<uint16_t>(size));
    put_u32(out, element_number, number);
    put_u16(out, element_flags, static_cast<uint16_t>((kind & 0x0F) | (p->kind & piece_line_type_mask)));
    if (kind == piece_arc) {
        for (int i = 0; i < 3; ++i) put_point2(out, element_coords3 + 16 * i, p->g[i]);
    } else {
        for (int i = 0; i < 2; ++i) put_point2(out, element_coords2 + 16 * i, p->g[i]);
    }
    return out;
}

uint8_t* contour_member_next(uint8_t* projection, const uint8_t* prev, uint32_t member) {
    if (contour_pieces_active) return prev ? nullptr : contour_piece_element(member);
    DrawingFile* df = current_drawing_file();
    if (element_index) {
        uint32_t count = element_index[0];
        uint32_t i = 0;
        if (prev) {
            RecordRef pref = record_ref_of(element_buffer(), prev);
            while (i < count && element_index[2 + 2 * i] != pref) ++i;
            if (i == count) return nullptr;
            ++i;
        }
        for (; i < count; ++i) {
            if (element_index[1 + 2 * i] != member) continue;
            RecordRef ref = element_index[2 + 2 * i];
            unsigned char* r = record_read_at(df, &ref, element_buffer());
            if (error_flag || !r) return nullptr;
            return get_u16(r, record_length) ? r : nullptr;
        }
        return nullptr;
    }
    if (!projection) return nullptr;
    RecordRef* head = projection_chain(projection, projection_elements);
    for (unsigned char* r = record_next(df, head, prev, element_buffer()); r; r = record_next(df, head, r, element_buffer())) {
        if (error_flag) return nullptr;
        if (get_u32(r, element_number) == member) return r;
    }
    return nullptr;
}

namespace {

// The scan-line hits of one element record; false when memory ran out.
bool element_scan_hits(const uint8_t* e, Point2 p, ScanHitArray* hits) {
    ScanHit two[2];
    int n = 0;
    int kind = element_kind(e);
    uint16_t len = get_u16(e, record_length);
    if (kind == 1 && len >= element_size2) {
        Segment s{get_point2(e, element_coords2), get_point2(e, element_coords2 + 16)};
        n = scanline_intersect_segment(p, &s, two);
    } else if (kind == 2 && len >= element_size2) {
        CircleGeom c{get_point2(e, element_coords2), get_point2(e, element_coords2 + 16)};
        n = scanline_intersect_circle(p, &c, two);
    } else if ((kind == 3 || kind == 4) && len >= element_size3) {
        ArcByCentre a{get_point2(e, element_coords3), get_point2(e, element_coords3 + 16),
                      get_point2(e, element_coords3 + 32)};
        n = scanline_intersect_arc(p, &a, kind, two);
    } else if (kind == 5) {
        int count = get_i16(e, curve_count);
        // Only vertices whose point lies inside the record count.
        int room = len >= 36 ? (len - 36) / 36 + 1 : 0;
        if (count > room) count = room;
        if (count < 2) return true;
        std::vector<CurveVertex> v(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            size_t at = curve_vertices + static_cast<size_t>(i) * curve_vertex_size;
            v[static_cast<size_t>(i)].point_number = get_u32(e, at);
            v[static_cast<size_t>(i)].point = get_point2(e, at + 4);
            v[static_cast<size_t>(i)].through =
                at + 36 <= len ? get_point2(e, at + 20) : v[static_cast<size_t>(i)].point;
        }
        size_t before = hits->used;
        scanline_intersect_curve(p, v.data(), count, hits);
        return !(*kernel_error_flag) || hits->used > before;
    }
    if (n <= 0) return true;
    size_t before = hits->used;
    return scan_hit_array_append(hits, two, static_cast<size_t>(n)) == before + static_cast<size_t>(n);
}

struct Run {
    ScanHit a, b;
};

}  // namespace

bool point_in_contour(uint8_t* projection, Point2 point, const uint8_t* contour) {
    if (!contour) return false;
    int kind = contour_kind(contour);
    int count = get_i16(contour, contour_member_count);
    int room = (static_cast<int>(get_u16(contour, record_length)) - static_cast<int>(contour_members)) / 4;
    if (count > room) count = room;
    std::vector<ScanHit> crossings;
    std::vector<Run> runs;
    for (int m = 0; m < count; ++m) {
        uint32_t member = get_u32(contour, contour_members + 4 * static_cast<size_t>(m));
        for (uint8_t* e = contour_member_next(projection, nullptr, member); e;
             e = contour_member_next(projection, e, member)) {
            ScanHitArray hits{nullptr, 0, 0};
            if (!element_scan_hits(e, point, &hits)) {
                scan_hit_array_free(&hits);
                contour_report_out_of_memory();
                return false;
            }
            int ekind = element_kind(e);
            for (size_t i = 0; i < hits.used; ++i) {
                if (compare_doubles(hits.items[i].x, point.x) == 0) {
                    scan_hit_array_free(&hits);
                    return kind != contour_kind_screen;
                }
            }
            if (ekind == 1 && hits.used == 2 && hits.items[0].y == hits.items[1].y &&
                compare_doubles(hits.items[0].x, hits.items[1].x) != 0) {
                runs.push_back(Run{hits.items[0], hits.items[1]});
            } else {
                for (size_t i = 0; i < hits.used; ++i) {
                    bool merged = false;
                    for (ScanHit& c : crossings) {
                        if (compare_doubles(c.x, hits.items[i].x) == 0) {
                            c.end_mark = static_cast<int16_t>(c.end_mark + hits.items[i].end_mark);
                            merged = true;
                            break;
                        }
                    }
                    if (!merged) crossings.push_back(hits.items[i]);
                }
            }
            scan_hit_array_free(&hits);
            if (error_flag) return false;
        }
    }
    // Runs that share an end become one run.
    for (bool joined = true; joined;) {
        joined = false;
        for (size_t i = 0; i < runs.size() && !joined; ++i) {
            for (size_t j = i + 1; j < runs.size() && !joined; ++j) {
                ScanHit* ei[2] = {&runs[i].a, &runs[i].b};
                ScanHit* ej[2] = {&runs[j].a, &runs[j].b};
                for (int s = 0; s < 2 && !joined; ++s) {
                    for (int t = 0; t < 2 && !joined; ++t) {
                        if (compare_doubles(ei[s]->x, ej[t]->x) != 0) continue;
                        // The far ends of both runs make the joined run.
                        Run r{*ei[1 - s], *ej[1 - t]};
                        runs[i] = r;
                        runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(j));
                        joined = true;
                    }
                }
            }
        }
    }
    for (Run& r : runs) {
        ScanHit* ends[2] = {&r.a, &r.b};
        for (ScanHit* e : ends) {
            if (e->end_mark != 0) continue;
            for (const ScanHit& c : crossings)
                if (compare_doubles(c.x, e->x) == 0) e->end_mark = c.end_mark;
        }
        if (r.a.end_mark != 0 && r.b.end_mark != 0 && r.a.end_mark != r.b.end_mark) {
            // The contour crosses the line along the run: count it once, at
            // one of its ends.
            for (ScanHit& c : crossings)
                if (c.end_mark == 1) c.end_mark = 0;
        }
    }
    int left = 0, right = 0;
    const double tol = tolerance_get();
    for (const ScanHit& c : crossings) {
        if (c.end_mark != 0) continue;
        if (c.x < point.x - tol) ++left;
        else if (c.x > point.x + tol) ++right;
    }
    return (left % 2 == 1 && right != 0) || (right % 2 == 1 && left != 0);
}

void free_contour(uint8_t* contour) {
    if (!contour || get_u32(contour, contour_number) != 0) return;
    free_contour_piece_list();
    if (record_is_heap_copy(contour, contour_buffer())) std::free(contour);
    contour_pieces_active = 0;
}

int text_unpack_trimmed(int packed_length, const uint8_t* packed, char* out, size_t out_size) {
    if (!out || out_size == 0) return 0;
    out[0] = '\0';
    if (!packed || packed_length <= 0) return 0;
    if (packed_length > 260) packed_length = 260;
    uint16_t words[131] = {};
    std::memcpy(words, packed, static_cast<size_t>(packed_length));
    int n = text_unpack_words(packed_length, words, out, static_cast<int>(out_size), 3);
    if (n < 0) n = 0;
    if (static_cast<size_t>(n) >= out_size) n = static_cast<int>(out_size) - 1;
    while (n > 0 && out[n - 1] == ' ') --n;
    out[n] = '\0';
    return n;
}

uint32_t append_variable_reference(uint32_t key, char* text, size_t text_size) {
    if (key == 0 || !text || text_size == 0) return 0;
    const char* open = std::strchr(text, '{');
    if (open && std::strchr(open + 1, '}')) return 0;
    DrawingFile* df = current_drawing_file();
    if (!df || !df->header) return 0;
    RecordRef head = get_u32(df->header, header_model_variables);
    unsigned char* v = record_find_key(df, &head, key, nullptr, &page_buffers[table_model]);
    if (!v || error_flag) return 0;
    char name[262];
    int plen = model_variable_name_length(v);
    int have = static_cast<int>(get_u16(v, record_length)) - static_cast<int>(model_variable_name);
    if (plen > have) plen = have > 0 ? have : 0;
    text_unpack_trimmed(plen, v + model_variable_name, name, sizeof name);
    size_t used = std::strlen(text);
    if (used + 2 >= text_size) return 0;
    std::strcat(text, " {");
    used += 2;
    size_t room = text_size - used - 1;
    size_t n = std::strlen(name);
    if (n > room) n = room;
    std::memcpy(text + used, name, n);
    used += n;
    text[used] = '\0';
    if (used + 1 < text_size) {
        text[used] = '}';
        text[used + 1] = '\0';
    }
    return key;
}
