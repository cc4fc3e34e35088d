// The piece graph and the tracing of closed loops.
#include "render/contours/contour_graph.h"

#include "geometry/contour_area.h"
#include "geometry/extents.h"
#include "geometry/intersect.h"
#include "geometry/kernel_angles.h"
#include "geometry/metric.h"
#include "geometry/naming.h"
#include "geometry/tolerance.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

void (*contour_restore_cursor)() = nullptr;

void push_view_caption_detail(const uint8_t* projection) {
    static char caption[128];
    caption[0] = '\0';
    if (projection) view_caption(projection, caption, sizeof caption);
    error_stack_push(caption);
}

namespace {

bool same(Point2 a, Point2 b) { return points_equal(a.x, a.y, b.x, b.y) != 0; }

ContourPiece* copy_piece(const ContourPiece* p) {
    ContourPiece* n = static_cast<ContourPiece*>(std::calloc(1, sizeof(ContourPiece)));
    if (!n) return nullptr;
    *n = *p;
    n->next = nullptr;
    for (int i = 0; i < 2; ++i) n->smallest_turn[i] = n->largest_turn[i] = nullptr;
    return n;
}

ContourPiece* list_tail(ContourPiece* p) {
    while (p->next) p = p->next;
    return p;
}

ArcByCentre arc_of(const ContourPiece* p) { return ArcByCentre{p->g[0], p->g[1], p->g[2]}; }

void circle_to_full_arc(ContourPiece* p) {
    if (piece_kind(p) != piece_circle) return;
    Point2 on = p->g[0], c = p->g[1];
    p->g[0] = on;
    p->g[1] = on;
    p->g[2] = c;
    p->kind = static_cast<uint16_t>((p->kind & ~piece_kind_mask) | piece_arc);
}

void split_segment(ContourPiece* piece, const Point2* points, int count) {
    std::vector<Point2> pts;
    for (int i = 0; i < count; ++i)
        if (!same(points[i], piece->g[0])) pts.push_back(points[i]);
    std::vector<Point2> rest;
    for (const Point2& p : pts)
        if (!same(p, piece->g[1])) rest.push_back(p);
    if (rest.empty()) return;
    // Order by distance from end 0; a point at the distance of the one taken
    // before it is dropped.
    std::vector<Point2> cuts;
    std::vector<bool> taken(rest.size(), false);
    double previous = -1;
    for (size_t k = 0; k < rest.size(); ++k) {
        size_t best = rest.size();
        double bd = DBL_MAX;
        for (size_t i = 0; i < rest.size(); ++i) {
            if (taken[i]) continue;
            double d = point_distance(piece->g[0], rest[i]);
            if (d < bd) {
                bd = d;
                best = i;
            }
        }
        taken[best] = true;
        if (previous >= 0 && compare_doubles(bd, previous) == 0) continue;
        cuts.push_back(rest[best]);
        previous = bd;
    }
    Point2 end1 = piece->g[1];
    double length = point_distance(piece->g[0], end1);
    if (compare_doubles(point_distance(piece->g[0], cuts.back()), length) != 0) cuts.push_back(end1);
    uint16_t end1_mark = piece->kind & piece_joined_end1;
    ContourPiece* tail = list_tail(piece);
    piece->g[1] = cuts[0];
    piece->kind |= piece_joined_end1;
    ContourPiece* last = nullptr;
    for (size_t i = 1; i < cuts.size(); ++i) {
        ContourPiece* n = copy_piece(piece);
        if (!n) {
            contour_report_out_of_memory();
            return;
        }
        n->g[0] = cuts[i - 1];
        n->g[1] = cuts[i];
        n->kind = static_cast<uint16_t>((n->kind & ~(piece_kind_mask | piece_traced_forward | piece_traced_backward)) |
                                        piece_segment | piece_joined_end0 | piece_joined_end1);
        tail->next = n;
        tail = n;
        last = n;
    }
    if (last) last->kind = static_cast<uint16_t>((last->kind & ~piece_joined_end1) | end1_mark);
}

void split_arc(ContourPiece* piece, const Point2* points, int count) {
    ToleranceGuard standing(tolerance_standing);
    circle_to_full_arc(piece);
    std::vector<Point2> rest;
    for (int i = 0; i < count; ++i)
        if (!same(points[i], piece->g[0]) && !same(points[i], piece->g[1])) rest.push_back(points[i]);
    if (rest.empty()) return;
    std::vector<double> sweep;
    for (const Point2& p : rest) {
        ArcByCentre part{piece->g[0], p, piece->g[2]};
        sweep.push_back(arc_sweep_angle(&part));
    }
    uint16_t end1_mark = piece->kind & piece_joined_end1;
    Point2 old_end = piece->g[1];
    ContourPiece* current = piece;
    ContourPiece* last = nullptr;
    std::vector<bool> taken(rest.size(), false);
    for (size_t k = 0; k < rest.size(); ++k) {
        size_t best = 0;
        double bs = DBL_MAX;
        for (size_t i = 0; i < rest.size(); ++i) {
            if (!taken[i] && sweep[i] < bs) {
                bs = sweep[i];
                best = i;
            }
        }
        taken[best] = true;
        Point2 p = rest[best];
        if (same(p, current->g[0])) continue;
        ContourPiece* n = copy_piece(current);
        if (!n) {
            contour_report_out_of_memory();
            return;
        }
        current->g[1] = p;
        ArcByCentre a = arc_of(current);
        correct_arc_center(&a);
        current->g[2] = a.centre;
        if (current == piece) piece->kind |= piece_joined_end1;
        n->g[0] = p;
        n->g[1] = old_end;
        ArcByCentre b = arc_of(n);
        correct_arc_center(&b);
        n->g[2] = b.centre;
        n->kind = static_cast<uint16_t>((n->kind & ~(piece_traced_forward | piece_traced_backward)) |
                                        piece_joined_end0 | piece_joined_end1);
        n->next = current->next;
        current->next = n;
        current = n;
        last = n;
    }
    if (last) last->kind = static_cast<uint16_t>((last->kind & ~piece_joined_end1) | end1_mark);
}

CircleGeom circle_of(const ContourPiece* p) { return CircleGeom{p->g[0], p->g[1]}; }
Segment segment_of(const ContourPiece* p) { return Segment{p->g[0], p->g[1]}; }

// Intersects one old and one new piece and splits both.
void split_pair(ContourPiece* old_piece, ContourPiece* new_piece) {
    Point2 pts[4];
    int n = 0;
    int ko = piece_kind(old_piece), kn = piece_kind(new_piece);
    ContourPiece* seg = nullptr;
    ContourPiece* other = nullptr;
    if (ko == piece_segment && kn == piece_segment) {
        Segment a = segment_of(old_piece), b = segment_of(new_piece);
        n = intersect_segments(&a, &b, pts);
    } else if (ko == piece_segment || kn == piece_segment) {
        seg = ko == piece_segment ? old_piece : new_piece;
        other = seg == old_piece ? new_piece : old_piece;
        Segment s = segment_of(seg);
        if (piece_kind(other) == piece_circle) {
            CircleGeom c = circle_of(other);
            n = intersect_segment_circle(&s, &c, pts);
        } else {
            ArcByCentre a = arc_of(other);
            n = intersect_segment_arc(&s, &a, 3, pts);
        }
    } else if (ko == piece_circle && kn == piece_circle) {
        CircleGeom a = circle_of(old_piece), b = circle_of(new_piece);
        n = intersect_circle_records(&a, &b, pts);
    } else if (ko == piece_circle || kn == piece_circle) {
        ContourPiece* circle = ko == piece_circle ? old_piece : new_piece;
        ContourPiece* arc = circle == old_piece ? new_piece : old_piece;
        ArcByCentre a = arc_of(arc);
        CircleGeom c = circle_of(circle);
        n = intersect_arc_circle(&a, 3, &c, pts);
    } else {
        ArcByCentre a = arc_of(old_piece), b = arc_of(new_piece);
        n = intersect_arcs(&a, 3, &b, 3, pts);
    }
    if (n <= 0) return;
    ContourPiece* both[2] = {old_piece, new_piece};
    for (ContourPiece* p : both) {
        if (error_flag) return;
        if (piece_kind(p) == piece_segment) split_segment(p, pts, n);
        else split_arc(p, pts, n);
    }
}

}  // namespace

void split_piece_at_points(ContourPiece* piece, const Point2* points, int count) {
    if (piece_kind(piece) == piece_segment) split_segment(piece, points, count);
    else split_arc(piece, points, count);
}

void split_pieces_at_intersections(ContourPiece* new_list) {
    error_flag = 0;
    for (ContourPiece* o = contour_pieces; o && !error_flag; o = o->next)
        for (ContourPiece* n = new_list; n && !error_flag; n = n->next) split_pair(o, n);
    if (!new_list) return;
    for (ContourPiece* n = new_list; n; n = n->next)
        for (int i = 0; i < 2; ++i) n->smallest_turn[i] = n->largest_turn[i] = nullptr;
    list_tail(new_list)->next = contour_pieces;
    contour_pieces = new_list;
}

double contour_turn(const ContourPiece* a, int ea, const ContourPiece* b, int eb) {
    double angle[2];
    {
        ToleranceGuard fine(tolerance_fine);
        const ContourPiece* p[2] = {a, b};
        int e[2] = {ea, eb};
        for (int i = 0; i < 2; ++i) {
            int kind = piece_kind(p[i]);
            Point2 end = p[i]->g[e[i]];
            if (kind == piece_segment) {
                Point2 other = p[i]->g[1 - e[i]];
                angle[i] = std::atan2(other.y - end.y, other.x - end.x);
            } else if (kind == piece_arc) {
                // The chord toward a point of the arc a tiny step away from
                // the end: nearly the tangent, bent toward the centre, so
                // that an arc and a segment leaving along its tangent are
                // told apart.
                const double step = 4.848e-6;
                double r = point_distance(end, p[i]->g[2]);
                double g = r <= step ? k_half_pi() : std::acos(step / r);
                double toward = std::atan2(p[i]->g[2].y - end.y, p[i]->g[2].x - end.x);
                angle[i] = e[i] == 1 ? toward - g : toward + g;
            } else {
                show_program_message("$алгоритма 2");
                return 0;
            }
            if (compare_doubles(angle[i], 0.0) == 0) angle[i] = 0;
            else if (angle[i] > 0) angle[i] -= k_two_pi();
            while (angle[i] <= -k_two_pi()) angle[i] += k_two_pi();
        }
    }
    // The guard gave the caller's tolerance back.
    double d = angle[1] - angle[0];
    if (angle[0] < angle[1]) d -= k_two_pi();
    while (d < -k_two_pi()) d += k_two_pi();
    return std::fabs(d);
}

namespace {

void unlink_piece(ContourPiece* p) {
    ContourPiece** at = &contour_pieces;
    while (*at && *at != p) at = &(*at)->next;
    if (*at) *at = p->next;
}

bool duplicate(const ContourPiece* a, const ContourPiece* b) {
    int ka = piece_kind(a), kb = piece_kind(b);
    if (ka != kb) return false;
    if (ka == piece_circle) {
        return same(a->g[0], b->g[0]) &&
               compare_doubles(point_distance(a->g[0], a->g[1]), point_distance(b->g[0], b->g[1])) == 0;
    }
    bool forward = same(a->g[0], b->g[0]) && same(a->g[1], b->g[1]);
    bool reversed = same(a->g[0], b->g[1]) && same(a->g[1], b->g[0]);
    if (ka == piece_segment) return forward || reversed;
    // Two arcs of one circle between the same two points in opposite order
    // are the circle's two complementary parts, not one arc twice.
    return forward && same(a->g[2], b->g[2]);
}

// Clears every link that points at p.
void forget_links_to(const ContourPiece* p) {
    for (ContourPiece* q = contour_pieces; q; q = q->next)
        for (int e = 0; e < 2; ++e) {
            if (q->smallest_turn[e] == p) q->smallest_turn[e] = nullptr;
            if (q->largest_turn[e] == p) q->largest_turn[e] = nullptr;
        }
}

void link_piece(ContourPiece* p) {
    for (int e = 0; e < 2; ++e) {
        double smallest = DBL_MAX, largest = -DBL_MAX;
        p->smallest_turn[e] = p->largest_turn[e] = nullptr;
        for (ContourPiece* q = contour_pieces; q; q = q->next) {
            if (q == p || piece_kind(q) == piece_circle) continue;
            for (int f = 0; f < 2; ++f) {
                if (!same(p->g[e], q->g[f])) continue;
                double t = contour_turn(p, e, q, f);
                if (t < smallest) {
                    smallest = t;
                    p->smallest_turn[e] = q;
                }
                if (t > largest) {
                    largest = t;
                    p->largest_turn[e] = q;
                }
            }
        }
    }
}

}  // namespace

ContourPiece* build_piece_graph(uint8_t* projection, ContourPiece* start) {
    if (start) {
        link_piece(start);
        return start;
    }
    // Degenerate segments.
    for (ContourPiece* p = contour_pieces; p;) {
        ContourPiece* next = p->next;
        if (piece_kind(p) == piece_segment && same(p->g[0], p->g[1])) {
            unlink_piece(p);
            std::free(p);
        }
        p = next;
    }
    // Duplicates: of two segments or arcs the earlier goes when its line
    // type is 8, else the later; of two circles the later.
    for (ContourPiece* p = contour_pieces; p;) {
        bool removed_p = false;
        for (ContourPiece* q = p->next; q;) {
            ContourPiece* qn = q->next;
            if (duplicate(p, q)) {
                if (piece_kind(p) != piece_circle && ((p->kind & piece_line_type_mask) >> 4) == 8) {
                    ContourPiece* pn = p->next;
                    unlink_piece(p);
                    std::free(p);
                    p = pn;
                    removed_p = true;
                    break;
                }
                unlink_piece(q);
                std::free(q);
            }
            q = qn;
        }
        if (!removed_p) p = p->next;
    }
    for (ContourPiece* p = contour_pieces; p; p = p->next) {
        if (piece_kind(p) == piece_circle) continue;
        link_piece(p);
    }
    bool single_circle = contour_pieces && !contour_pieces->next && piece_kind(contour_pieces) == piece_arc &&
                         same(contour_pieces->g[0], contour_pieces->g[1]);
    if (single_circle) {
        ContourPiece* p = contour_pieces;
        p->g[1] = p->g[2];
        p->kind = static_cast<uint16_t>((p->kind & ~piece_kind_mask) | piece_circle);
        for (int i = 0; i < 2; ++i) p->smallest_turn[i] = p->largest_turn[i] = nullptr;
    } else {
        // Dead ends, from the head again after each removal.
        for (bool removed = true; removed && !error_flag;) {
            removed = false;
            for (ContourPiece* p = contour_pieces; p; p = p->next) {
                if (piece_kind(p) == piece_circle) continue;
                int open_end = !p->smallest_turn[0] ? 0 : !p->smallest_turn[1] ? 1 : -1;
                if (open_end < 0) continue;
                int other = 1 - open_end;
                unlink_piece(p);
                ContourPiece* s = p->smallest_turn[other];
                ContourPiece* l = p->largest_turn[other];
                if (s && l) {
                    int se = s->largest_turn[0] == p ? 0 : s->largest_turn[1] == p ? 1 : -1;
                    int le = l->smallest_turn[0] == p ? 0 : l->smallest_turn[1] == p ? 1 : -1;
                    if (se < 0 || le < 0) {
                        error_stack_push("Неправильно задан контур");
                        push_view_caption_detail(projection);
                        show_program_message("$алгоритма");
                        error_flag = 1;
                        std::free(p);
                        return contour_pieces;
                    }
                    if (s == l && se == le) {
                        s->largest_turn[se] = nullptr;
                        s->smallest_turn[se] = nullptr;
                    } else {
                        s->largest_turn[se] = l;
                        l->smallest_turn[le] = s;
                    }
                } else if (s || l) {
                    error_stack_push("Неправильно задан контур");
                    push_view_caption_detail(projection);
                    show_program_message("$алгоритма");
                    error_flag = 1;
                    std::free(p);
                    return contour_pieces;
                }
                forget_links_to(p);
                std::free(p);
                removed = true;
                break;
            }
        }
    }
    uint32_t n = 0;
    for (ContourPiece* p = contour_pieces; p; p = p->next) {
        p->number = ++n;
        p->kind &= static_cast<uint16_t>(~(piece_traced_forward | piece_traced_backward));
    }
    return contour_pieces;
}

namespace {

struct Candidate {
    uint8_t* block;
    size_t capacity;
};

bool start_candidate(Candidate* c, int outermost) {
    c->capacity = contour_block_size;
    c->block = static_cast<uint8_t*>(std::calloc(1, c->capacity));
    if (!c->block) return false;
    put_u16(c->block, record_length, contour_head_size);
    put_box(c->block, contour_box, box_empty());
    put_u16(c->block, contour_flags, static_cast<uint16_t>(outermost ? 1 : 0));
    return true;
}

void piece_box(const ContourPiece* p, Box* b) {
    int kind = piece_kind(p);
    if (kind == piece_segment) {
        box_normalize(b, p->g[0].x, p->g[0].y, p->g[1].x, p->g[1].y);
    } else if (kind == piece_circle) {
        CircleGeom c{p->g[0], p->g[1]};
        box_of_circle(b, &c);
    } else {
        ArcByCentre a = arc_of(p);
        box_of_segment_or_arc(b, &a, 3);
    }
}

bool has_member(const uint8_t* c, uint32_t number) {
    int n = get_i16(c, contour_member_count);
    for (int i = 0; i < n; ++i)
        if (get_u32(c, contour_members + 4 * static_cast<size_t>(i)) == number) return true;
    return false;
}

}  // namespace

uint8_t* trace_contour_around(uint8_t* projection, Point2 point, int outermost) {
    uint8_t* best = nullptr;
    double best_area = outermost ? -DBL_MAX : DBL_MAX;
    auto give_up = [&](Candidate* c) -> uint8_t* {
        std::free(c->block);
        std::free(best);
        error_flag = 1;
        return nullptr;
    };
    for (;;) {
        ContourPiece* start = nullptr;
        bool forward = true;
        for (ContourPiece* p = contour_pieces; p; p = p->next) {
            uint16_t marks = p->kind & (piece_traced_forward | piece_traced_backward);
            if (marks == (piece_traced_forward | piece_traced_backward)) continue;
            start = p;
            forward = !(marks & piece_traced_forward);
            break;
        }
        if (!start) return best;
        Candidate c;
        if (!start_candidate(&c, outermost)) {
            contour_report_out_of_memory();
            std::free(best);
            return nullptr;
        }
        ContourPiece* cur = start;
        bool first = true;
        for (;;) {
            if (!first && cur == start) break;
            first = false;
            uint16_t mark = forward ? piece_traced_forward : piece_traced_backward;
            if (has_member(c.block, cur->number) && (cur->kind & mark)) {
                push_view_caption_detail(projection);
                show_program_message(contour_kind(c.block) == contour_kind_hatch
                                         ? "Необходимо переопределить штриховку на проекции:"
                                         : "Необходимо повторить этап построения изображений из-за проекции:");
                if (contour_restore_cursor) contour_restore_cursor();
                return give_up(&c);
            }
            int count = get_i16(c.block, contour_member_count);
            size_t needed = contour_members + 4 * static_cast<size_t>(count + 1);
            uint8_t* grown = ensure_block_capacity(c.block, &c.capacity, needed);
            if (!grown) {
                contour_report_out_of_memory();
                return give_up(&c);
            }
            c.block = grown;
            put_u32(c.block, contour_members + 4 * static_cast<size_t>(count), cur->number);
            put_i16(c.block, contour_member_count, static_cast<int16_t>(count + 1));
            put_u16(c.block, 0, static_cast<uint16_t>(needed));
            Box b = get_box(c.block, contour_box), pb;
            piece_box(cur, &pb);
            box_union(&b, &pb);
            put_box(c.block, contour_box, b);
            int kind = piece_kind(cur);
            put_f64(c.block, contour_perimeter,
                    get_f64(c.block, contour_perimeter) + element_length(kind, cur->g));
            if (kind == piece_circle) {
                cur->kind |= piece_traced_forward | piece_traced_backward;
                break;
            }
            cur->kind |= mark;
            ContourPiece* next = cur->smallest_turn[forward ? 0 : 1];
            if (!next) {
                show_program_message("$алгоритма");
                return give_up(&c);
            }
            forward = next->largest_turn[0] != cur;
            cur = next;
        }
        bool inside;
        {
            int saved = contour_pieces_active;
            contour_pieces_active = 1;
            inside = point_in_contour(projection, point, c.block);
            contour_pieces_active = saved;
        }
        if (error_flag) return give_up(&c);
        if (!inside) {
            std::free(c.block);
            continue;
        }
        if (contour_measure_area(projection, c.block, c.block, 1) < 0) error_flag = 0;  // area 0: still a loop
        double area = get_f64(c.block, contour_area);
        int cmp = compare_doubles(best_area, area);
        bool keep_best = best && (outermost ? cmp > 0 : cmp < 0);
        if (keep_best) {
            std::free(c.block);
        } else {
            std::free(best);
            best = c.block;
            best_area = area;
        }
    }
}
