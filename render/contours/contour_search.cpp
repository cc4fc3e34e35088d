// Piece collection, gap closing, the contour search and store, the hatch
// contour rebuild and the purge of automatic records.
#include "render/contours/contour_search.h"

#include "geometry/curves.h"
#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "geometry/metric.h"
#include "geometry/tolerance.h"
#include "store/drawing_header.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

PageBuffer* elements_buf() { return &page_buffers[table_elements]; }
PageBuffer* contours_buf() { return &page_buffers[table_contours]; }
PageBuffer* annotation_buf() { return &page_buffers[table_annotation]; }
bool same(Point2 a, Point2 b) { return points_equal(a.x, a.y, b.x, b.y) != 0; }

// An element that makes contour pieces.
bool drawable(const uint8_t* e) {
    uint16_t flags = get_u16(e, element_flags);
    int kind = flags & element_flag_kind;
    int line = (flags >> 4) & 0x0F;
    if (kind < 1 || kind > 5 || line == 0 || line == 7) return false;
    if (flags & (element_flag_screened | element_flag_purge)) return false;
    if ((flags & element_flag_screen_piece) == 0x2000) return false;
    return !(e[element_options] & 0x04);
}

ContourPiece* new_piece(int kind, const uint8_t* e, RecordRef ref) {
    ContourPiece* p = static_cast<ContourPiece*>(std::calloc(1, sizeof(ContourPiece)));
    if (!p) return nullptr;
    p->number = get_u32(e, element_number);
    p->source = ref;
    p->kind = static_cast<uint16_t>(kind | (get_u16(e, element_flags) & piece_line_type_mask));
    return p;
}

// An arc of three points in centre form: a segment piece when it is no arc.
void arc_piece_from_points(ContourPiece* p, Point2 a, Point2 b, Point2 through, bool correct) {
    ArcByPoints ap{a, b, through};
    ArcByCentre ac;
    if (!arc_by_points_to_centre(&ap, &ac)) {
        p->kind = static_cast<uint16_t>((p->kind & ~piece_kind_mask) | piece_segment);
        p->g[0] = a;
        p->g[1] = b;
        return;
    }
    if (correct) correct_arc_center(&ac);
    p->g[0] = ac.start;
    p->g[1] = ac.end;
    p->g[2] = ac.centre;
}

// The pieces of one element, as a list; false when memory ran out.
bool element_pieces(uint8_t* projection, const uint8_t* e, RecordRef ref, ContourPiece** out) {
    *out = nullptr;
    int kind = element_kind(e);
    uint16_t len = get_u16(e, record_length);
    if (kind == 1 && len >= element_size2) {
        Point2 a = get_point2(e, element_coords2), b = get_point2(e, element_coords2 + 16);
        if (same(a, b)) return true;
        ContourPiece* p = new_piece(piece_segment, e, ref);
        if (!p) return false;
        p->g[0] = a;
        p->g[1] = b;
        *out = p;
    } else if (kind == 2 && len >= element_size2) {
        Point2 on = get_point2(e, element_coords2), c = get_point2(e, element_coords2 + 16);
        if (compare_doubles(point_distance(on, c), 0.0) == 0) return true;
        ContourPiece* p = new_piece(piece_circle, e, ref);
        if (!p) return false;
        p->g[0] = on;
        p->g[1] = c;
        *out = p;
    } else if ((kind == 3 || kind == 4) && len >= element_size3) {
        Point2 g[3];
        for (int i = 0; i < 3; ++i) g[i] = get_point2(e, element_coords3 + 16 * static_cast<size_t>(i));
        ContourPiece* p = new_piece(piece_arc, e, ref);
        if (!p) return false;
        if (kind == 4) {
            arc_piece_from_points(p, g[0], g[1], g[2], true);
        } else {
            ArcByCentre ac{g[0], g[1], g[2]};
            correct_arc_center(&ac);
            p->g[0] = ac.start;
            p->g[1] = ac.end;
            p->g[2] = ac.centre;
        }
        bool degenerate = piece_kind(p) == piece_segment ? same(p->g[0], p->g[1]) : same(p->g[0], p->g[2]);
        if (degenerate) {
            std::free(p);
            return true;
        }
        *out = p;
    } else if (kind == 5) {
        uint8_t* joined = curve_join_pieces(projection, get_u32(e, element_number), e, 0);
        if (!joined) return true;
        int count = get_i16(joined, curve_count);
        ContourPiece* tail = nullptr;
        // The joined curve read before the element buffer moved on.
        std::vector<uint8_t> saved(e, e + element_head_size);
        for (int i = 0; i + 1 < count; ++i) {
            CurveVertex v = curve_vertex(joined, i);
            Point2 b = get_point2(joined, curve_vertices + static_cast<size_t>(i + 1) * curve_vertex_size + 4);
            if (same(v.point, b) && same(v.point, v.through)) continue;
            ContourPiece* p = new_piece(piece_arc, saved.data(), ref);
            if (!p) {
                std::free(joined);
                while (*out) {
                    ContourPiece* n = (*out)->next;
                    std::free(*out);
                    *out = n;
                }
                return false;
            }
            arc_piece_from_points(p, v.point, b, v.through, false);
            if (tail) tail->next = p;
            else *out = p;
            tail = p;
        }
        std::free(joined);
    }
    return true;
}

// Moves the element end of a piece (and the reference point with its
// number) onto a new position.  False when the element end is not found.
bool move_element_end(uint8_t* projection, const ContourPiece* piece, Point2 old_end, Point2 to) {
    DrawingFile* df = current_drawing_file();
    RecordRef ref = piece->source;
    uint8_t* e = record_read_at(df, &ref, elements_buf());
    if (!e || error_flag) return false;
    int kind = element_kind(e);
    size_t at = 0;
    uint32_t point_no = 0;
    if (kind == 1) {
        for (int i = 0; i < 2 && !at; ++i)
            if (same(get_point2(e, element_coords2 + 16 * static_cast<size_t>(i)), old_end)) {
                at = element_coords2 + 16 * static_cast<size_t>(i);
                point_no = get_u32(e, element_points + 4 * static_cast<size_t>(i));
            }
    } else if (kind == 3 || kind == 4) {
        for (int i = 0; i < 2 && !at; ++i)
            if (same(get_point2(e, element_coords3 + 16 * static_cast<size_t>(i)), old_end)) {
                at = element_coords3 + 16 * static_cast<size_t>(i);
                point_no = get_u32(e, element_points + 4 * static_cast<size_t>(i));
            }
    } else if (kind == 5) {
        int count = get_i16(e, curve_count);
        int room = get_u16(e, record_length) >= 36 ? (get_u16(e, record_length) - 36) / 36 + 1 : 0;
        if (count > room) count = room;
        int idx[2] = {0, count - 1};
        for (int i = 0; i < 2 && !at && count > 0; ++i) {
            size_t v = curve_vertices + static_cast<size_t>(idx[i]) * curve_vertex_size;
            if (same(get_point2(e, v + 4), old_end)) {
                at = v + 4;
                point_no = get_u32(e, v);
            }
        }
    }
    if (!at) return false;
    put_point2(e, at, to);
    elements_buf()->clean = 0;
    if (point_no) {
        uint8_t* pt = record_find_key(df, projection_chain(projection, projection_points), point_no, nullptr,
                                      &page_buffers[table_points]);
        if (pt && !error_flag) {
            put_f64(pt, point_sketch_x, to.x);
            put_f64(pt, point_sketch_y, to.y);
            put_f64(pt, point_true_x, to.x);
            put_f64(pt, point_true_y, to.y);
            page_buffers[table_points].clean = 0;
        }
    }
    return true;
}

bool end_on_piece_line(const ContourPiece* p, int e, Point2 q) {
    if (piece_kind(p) == piece_segment) {
        Point2 other = p->g[1 - e], end = p->g[e];
        if (compare_doubles(other.x, end.x) == 0) return compare_doubles(q.x, end.x) == 0;
        if (compare_doubles(other.x, q.x) == 0) return false;
        double s1 = (end.y - other.y) / (end.x - other.x);
        double s2 = (q.y - other.y) / (q.x - other.x);
        return compare_doubles(s1, s2) == 0;
    }
    if (piece_kind(p) == piece_arc)
        return compare_doubles(point_distance(q, p->g[2]), point_distance(p->g[0], p->g[2])) == 0;
    return false;
}

// Joins loose ends closer than 0.6 sheet mm.  Circle pieces have no ends
// and take no part.
void close_gaps(uint8_t* projection) {
    const double limit = std::fabs(model_to_sheet_length(0.6));
    for (ContourPiece* p = contour_pieces; p && p->next; p = p->next) {
        if (piece_kind(p) == piece_circle) continue;
        for (int e = 0; e < 2; ++e) {
            uint16_t pmark = e ? piece_joined_end1 : piece_joined_end0;
            if (p->kind & pmark) continue;
            ContourPiece* best = nullptr;
            int bf = 0;
            double bd = DBL_MAX;
            for (ContourPiece* r = p->next; r; r = r->next) {
                if (piece_kind(r) == piece_circle) continue;
                for (int f = 0; f < 2; ++f) {
                    if (r->kind & (f ? piece_joined_end1 : piece_joined_end0)) continue;
                    double d = std::fmax(std::fabs(r->g[f].x - p->g[e].x), std::fabs(r->g[f].y - p->g[e].y));
                    if (d <= bd) {
                        bd = d;
                        best = r;
                        bf = f;
                    }
                }
            }
            if (!best || bd > limit) continue;
            Point2 pe = p->g[e], rf = best->g[bf];
            bool moved;
            if (end_on_piece_line(p, e, rf)) {
                moved = move_element_end(projection, p, pe, rf);
                if (moved) p->g[e] = rf;
            } else if (end_on_piece_line(best, bf, pe)) {
                moved = move_element_end(projection, best, rf, pe);
                if (moved) best->g[bf] = pe;
            } else {
                Point2 mid{(pe.x + rf.x) / 2, (pe.y + rf.y) / 2};
                moved = move_element_end(projection, p, pe, mid) && move_element_end(projection, best, rf, mid);
                if (moved) p->g[e] = best->g[bf] = mid;
            }
            if (error_flag) return;
            if (moved) {
                p->kind |= pmark;
                best->kind |= bf ? piece_joined_end1 : piece_joined_end0;
            }
        }
    }
}

void report_too_many_contours() {
    const char* t = settings_text(settings_too_many_contours_offset);
    show_program_message(t && *t ? t : "Слишком много контуров");
    error_flag = 1;
}

void clear_tracing_marks() {
    for (ContourPiece* p = contour_pieces; p; p = p->next)
        p->kind &= static_cast<uint16_t>(~(piece_traced_forward | piece_traced_backward));
}

}  // namespace

void collect_contour_pieces(uint8_t* projection) {
    contour_pieces = nullptr;
    error_flag = 0;
    if (!projection) return;
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_elements);
    std::vector<uint32_t> curves_done;
    bool failed = false;
    RecordRef ref = 0;
    for (uint8_t* e = record_next(df, head, nullptr, elements_buf()); e && !error_flag;) {
        ref = record_ref_of(elements_buf(), e);
        if (drawable(e)) {
            bool skip = false;
            if (element_kind(e) == 5) {
                uint32_t number = get_u32(e, element_number);
                for (uint32_t n : curves_done) skip = skip || n == number;
                if (!skip) curves_done.push_back(number);
            }
            ContourPiece* list = nullptr;
            if (!skip && !element_pieces(projection, e, ref, &list)) {
                failed = true;
                break;
            }
            if (list) {
                split_pieces_at_intersections(list);
                if (error_flag) {
                    failed = true;
                    break;
                }
            }
            RecordRef again = ref;
            e = record_read_at(df, &again, elements_buf());
            if (!e || error_flag) break;
        }
        e = record_next(df, head, e, elements_buf());
    }
    if (failed) {
        free_contour_piece_list();
        error_stack_clear();
        contour_report_out_of_memory();
        return;
    }
    if (!error_flag && (get_u16(projection, projection_flags) & 0x0400)) close_gaps(projection);
    if (!error_flag) build_piece_graph(projection, nullptr);
    if (error_flag) free_contour_piece_list();
}

uint8_t* find_or_store_contour(uint8_t* projection, Point2 point, int kind, int unstored, uint32_t number) {
    int outermost = kind == contour_kind_hatch ? 0 : unstored;
    uint8_t* traced = trace_contour_around(projection, point, outermost);
    if (!traced || unstored) return traced;
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_contours);
    double perimeter = get_f64(traced, contour_perimeter);
    Box box = get_box(traced, contour_box);
    for (uint8_t* r = record_next(df, head, nullptr, contours_buf()); r && !error_flag;
         r = record_next(df, head, r, contours_buf())) {
        uint16_t flags = get_u16(r, contour_flags);
        if ((flags & contour_flag_kind) != contour_kind_hatch || (flags & contour_flag_continuation)) continue;
        Box b = get_box(r, contour_box);
        if (compare_doubles(get_f64(r, contour_perimeter), perimeter) != 0 ||
            compare_doubles(b.min_x, box.min_x) != 0 || compare_doubles(b.min_y, box.min_y) != 0 ||
            compare_doubles(b.max_x, box.max_x) != 0 || compare_doubles(b.max_y, box.max_y) != 0)
            continue;
        std::free(traced);
        if (flags & contour_flag_first_chunk) return copy_contour_record(df, head, r, contours_buf());
        return r;
    }
    if (!number) {
        uint32_t up = get_u32(df->header, header_contour_counter);
        uint32_t down = get_u32(df->header, header_dword_92);
        if (static_cast<uint64_t>(up) + 1 >= down) {
            std::free(traced);
            free_contour_piece_list();
            report_too_many_contours();
            return nullptr;
        }
        number = down;
        put_u32(df->header, header_dword_92, down - 1);
    }
    put_u32(traced, contour_number, number);
    put_i16(traced, contour_level, -2);
    put_i16(traced, contour_member_count, 0);
    put_u16(traced, record_length, contour_head_size);
    put_u16(traced, contour_flags,
            static_cast<uint16_t>((get_u16(traced, contour_flags) & ~contour_flag_kind) | (kind & 7)));
    RecordRef stored = contour_record_add(df, head, traced);
    std::free(traced);
    // The chain head may have changed inside a projection record held in
    // its page buffer.
    if (!record_is_heap_copy(projection, &page_buffers[table_projections])) page_buffers[table_projections].clean = 0;
    if (!stored || error_flag) {
        free_contour_piece_list();
        error_flag = 1;
        return nullptr;
    }
    return record_read_at(df, &stored, contours_buf());
}

uint8_t* find_closed_contour(uint8_t* projection, Point2 point, int kind, int unstored) {
    DocumentLockGuard lock;
    collect_contour_pieces(projection);
    uint8_t* result = nullptr;
    if (!error_flag) result = find_or_store_contour(projection, point, kind, unstored, 0);
    if (!unstored) free_contour_piece_list();
    return result;
}

void rebuild_hatch_contours(uint8_t* projection) {
    if (!projection) return;
    DrawingFile* df = current_drawing_file();
    RecordRef* contours = projection_chain(projection, projection_contours);
    for (bool deleted = true; deleted && !error_flag;) {
        deleted = false;
        for (uint8_t* r = record_next(df, contours, nullptr, contours_buf()); r && !error_flag;
             r = record_next(df, contours, r, contours_buf())) {
            if (get_i16(r, contour_member_count) != 0 || (get_u16(r, contour_flags) & contour_flag_continuation))
                continue;
            record_delete(df, contours, record_ref_of(contours_buf(), r), contours_buf());
            deleted = true;
            break;
        }
    }
    if (error_flag) return;
    RecordRef* annotations = projection_chain(projection, projection_annotations);
    bool collected = false;
    for (uint8_t* a = record_next(df, annotations, nullptr, annotation_buf()); a && !error_flag;) {
        RecordRef ref = record_ref_of(annotation_buf(), a);
        if (get_u16(a, record_length) >= hatching_record_size && a[record_kind] == annotation_hatching &&
            !(a[8] & 1)) {
            Point2 seed{get_f32(a, hatching_seed), get_f32(a, hatching_seed + 4)};
            uint32_t id = get_u32(a, record_key);
            if (!collected) {
                collect_contour_pieces(projection);
                collected = true;
                if (error_flag) return;
            }
            uint8_t* c = find_or_store_contour(projection, seed, contour_kind_hatch, 0, id);
            if (record_is_heap_copy(c, contours_buf())) std::free(c);
            if (error_flag) break;
            clear_tracing_marks();
            RecordRef again = ref;
            a = record_read_at(df, &again, annotation_buf());
            if (!a || error_flag) break;
        }
        a = record_next(df, annotations, a, annotation_buf());
    }
    free_contour_piece_list();
}

bool projection_image_box_contains(uint8_t* projection, double x, double y) {
    if (!projection) return false;
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_elements);
    Box box = box_empty();
    bool any = false;
    for (uint8_t* e = record_next(df, head, nullptr, elements_buf()); e && !error_flag;
         e = record_next(df, head, e, elements_buf())) {
        int kind = element_kind(e);
        if (kind < 1 || kind > 5 || element_line_type(e) == 0) continue;
        if (box_add_element(projection, &box, e)) any = true;
    }
    if (!any || box_is_empty(&box)) return false;
    return x > box.min_x && x < box.max_x && y > box.min_y && y < box.max_y;
}

void purge_temporary_records() {
    DrawingFile* df = current_drawing_file();
    if (!df || !df->header) return;
    PageBuffer* pbuf = &page_buffers[table_projections];
    RecordRef* projections = reinterpret_cast<RecordRef*>(df->header + header_projections);
    for (uint8_t* p = record_next(df, projections, nullptr, pbuf); p && !error_flag;) {
        RecordRef pref = record_ref_of(pbuf, p);
        put_u16(p, projection_flags, static_cast<uint16_t>(get_u16(p, projection_flags) & ~0x0800));
        pbuf->clean = 0;
        RecordRef* annotations = projection_chain(p, projection_annotations);
        for (uint8_t* a = record_next(df, annotations, nullptr, annotation_buf()); a && !error_flag;
             a = record_next(df, annotations, a, annotation_buf())) {
            if (a[record_kind] == annotation_hatching && (a[8] & 1)) {
                a[8] = static_cast<uint8_t>(a[8] & ~1);
                annotation_buf()->clean = 0;
            }
        }
        RecordRef* contours = projection_chain(p, projection_contours);
        for (bool deleted = true; deleted && !error_flag;) {
            deleted = false;
            for (uint8_t* c = record_next(df, contours, nullptr, contours_buf()); c && !error_flag;
                 c = record_next(df, contours, c, contours_buf())) {
                uint16_t flags = get_u16(c, contour_flags);
                if (get_i16(c, contour_level) != -2 || (flags & contour_flag_continuation)) continue;
                if (flags & contour_flag_first_chunk) {
                    record_delete_key(df, contours, get_u32(c, contour_number), contours_buf());
                } else {
                    record_delete(df, contours, record_ref_of(contours_buf(), c), contours_buf());
                }
                deleted = true;
                break;
            }
        }
        RecordRef* elements = projection_chain(p, projection_elements);
        for (bool deleted = true; deleted && !error_flag;) {
            deleted = false;
            for (uint8_t* e = record_next(df, elements, nullptr, elements_buf()); e && !error_flag;
                 e = record_next(df, elements, e, elements_buf())) {
                uint16_t flags = get_u16(e, element_flags);
                if (flags & element_flag_purge) {
                    record_delete(df, elements, record_ref_of(elements_buf(), e), elements_buf());
                    deleted = true;
                    break;
                }
                if (flags & element_flag_bit14) {
                    put_u16(e, element_flags, static_cast<uint16_t>(flags & ~element_flag_bit14));
                    elements_buf()->clean = 0;
                }
            }
        }
        if (error_flag) break;
        RecordRef again = pref;
        p = record_read_at(df, &again, pbuf);
        if (!p || error_flag) break;
        rebuild_hatch_contours(p);
        if (error_flag) break;
        again = pref;
        p = record_read_at(df, &again, pbuf);
        if (!p || error_flag) break;
        p = record_next(df, projections, p, pbuf);
    }
    if (!error_flag)
        put_u16(df->header, header_options, static_cast<uint16_t>(get_u16(df->header, header_options) & ~0x0200));
}
