// Dimension placement run: gathering, searching and writing back.
#include "annotation/dimension_placement_run.h"

#include <cmath>
#include <unordered_map>
#include <vector>

#include "annotation/annotation_layout.h"
#include "annotation/dimension_layout.h"
#include "annotation/dimension_placement.h"
#include "annotation/level_dimensions.h"
#include "annotation/roughness_placement.h"
#include "annotation/text_fragment_cell.h"
#include "render/text/text_fragment_layout.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "geometry/metric.h"
#include "geometry/units_scale.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

const char* const missing_link_point_code = "E20445";

namespace {

const double pi = 3.14159265358979323846;

enum : uint16_t {
    value_first_drawn = 0x0001,
    value_second_drawn = 0x0002,
    value_centre = 0x0004,
    value_hidden = 0x0008,
    value_shape = 0x00F0,
    value_by_hand = 0x0800,
    state_generated = 0x0004,
    state_marked = 0x0020,
    projection_placement_due = 0x0200
};

Point2 pair(const uint8_t* rec, uint32_t at) { return {get_f32(rec, at), get_f32(rec, at + 4)}; }
void put_pair(uint8_t* rec, uint32_t at, Point2 p) {
    put_f32(rec, at, static_cast<float>(p.x));
    put_f32(rec, at + 4, static_cast<float>(p.y));
}
bool is_zero(Point2 p) { return p.x == 0 && p.y == 0; }
bool same_point(Point2 a, Point2 b, double eps) { return std::fabs(a.x - b.x) <= eps && std::fabs(a.y - b.y) <= eps; }

// One dimension taking part: its number, the points of its two roles and
// whether the search is to place it.
struct Gathered {
    uint32_t number;
    std::vector<Point2> role[3];  // first, second, centre
    bool place;                   // false: kept as it stands
    int radial = 0;               // 1 a radius, 2 a diameter through its centre
    int kind = 0;
    uint16_t kind_word = 0;
    bool level_side = false;      // a level dimension measured from its second role (state bit 1)
    bool group = false;           // a generated level dimension spanning a merged group
    bool by_hand = false;         // a group whose line was placed by hand: it keeps value bit 11
    bool arc = false;             // an angle or arc length: an arc about its centre
};

// The arc (kind 3 by its centre, kind 4 through three points) that starts
// or ends at point `number`: a fillet's arc.
bool arc_at_point(const std::vector<std::vector<uint8_t>>& elements, uint32_t number, ArcByCentre* out) {
    for (const std::vector<uint8_t>& e : elements) {
        if (e.size() < element_size3) continue;
        int kind = get_u16(e.data(), element_flags) & element_flag_kind;
        if (kind != element_kind_arc_centre && kind != element_kind_arc_points) continue;
        if (get_u32(e.data(), element_points) != number && get_u32(e.data(), element_points + 4) != number) continue;
        Point2 p0 = {get_f64(e.data(), element_coords3), get_f64(e.data(), element_coords3 + 8)};
        Point2 p1 = {get_f64(e.data(), element_coords3 + 16), get_f64(e.data(), element_coords3 + 24)};
        Point2 p2 = {get_f64(e.data(), element_coords3 + 32), get_f64(e.data(), element_coords3 + 40)};
        if (kind == element_kind_arc_centre) {
            *out = ArcByCentre{p0, p1, p2};
            return true;
        }
        ArcByPoints by_points{p0, p1, p2};
        if (arc_by_points_to_centre(&by_points, out)) return true;
    }
    return false;
}

// The centre of an angle or arc length: its centre link, else the point
// its two roles share, else where the lines of the two roles' point pairs
// meet.
bool angle_centre(const Gathered& g, double eps, Point2* c) {
    if (!g.role[2].empty()) {
        *c = g.role[2][0];
        return true;
    }
    for (Point2 p : g.role[0])
        for (Point2 q : g.role[1])
            if (std::fabs(p.x - q.x) <= eps && std::fabs(p.y - q.y) <= eps) {
                *c = p;
                return true;
            }
    if (g.role[0].size() < 2 || g.role[1].size() < 2) return false;
    Point2 a = g.role[0][0], b = g.role[0][1], p = g.role[1][0], q = g.role[1][1];
    double dx1 = b.x - a.x, dy1 = b.y - a.y, dx2 = q.x - p.x, dy2 = q.y - p.y;
    double den = dx1 * dy2 - dy1 * dx2;
    if (std::fabs(den) <= 1e-12 * (std::fabs(dx1 * dy2) + std::fabs(dy1 * dx2) + 1e-300)) return false;
    double t = ((p.x - a.x) * dy2 - (p.y - a.y) * dx2) / den;
    *c = {a.x + t * dx1, a.y + t * dy1};
    return std::isfinite(c->x) && std::isfinite(c->y);
}

// The point of a role farthest from c.
Point2 farthest_from(const std::vector<Point2>& points, Point2 c) {
    Point2 best = points[0];
    for (Point2 p : points)
        if (std::hypot(p.x - c.x, p.y - c.y) > std::hypot(best.x - c.x, best.y - c.y)) best = p;
    return best;
}

// The role point that starts an extension line running towards `to`: the
// one furthest along that way (nearest the dimension line).
Point2 extension_start(const std::vector<Point2>& points, Point2 fallback, Point2 to) {
    if (points.empty()) return fallback;
    Point2 best = points[0];
    Point2 u = {to.x - fallback.x, to.y - fallback.y};
    double best_t = -INFINITY;
    for (Point2 p : points) {
        double t = p.x * u.x + p.y * u.y;
        if (t > best_t) best_t = t, best = p;
    }
    return best;
}

// A visible graphic element's stored form: its kind and two ends (the
// segments and arcs), or its centre and radius (the arcs and circles).
struct ElementGeometry {
    int kind = 0;
    uint32_t end_point[2] = {0, 0};
    Point2 end[2]{};
    bool round = false;  // a circle or an arc: centre, radius and span below
    Point2 centre{};
    double radius = 0;
    RadialSpan span;
};

bool element_geometry(const std::vector<uint8_t>& e, ElementGeometry* out) {
    if (e.size() < element_size2) return false;
    uint16_t flags = get_u16(e.data(), element_flags);
    if (flags & element_flag_screen_piece) return false;
    int kind = flags & element_flag_kind;
    ElementGeometry g;
    g.kind = kind;
    auto coord = [&](uint32_t at) { return Point2{get_f64(e.data(), at), get_f64(e.data(), at + 8)}; };
    if (kind == element_kind_segment || kind == element_kind_circle) {
        g.end_point[0] = get_u32(e.data(), element_points);
        g.end_point[1] = get_u32(e.data(), element_points + 4);
        g.end[0] = coord(element_coords2);
        g.end[1] = coord(element_coords2 + 16);
        if (kind == element_kind_circle) {
            // On the circle, then the centre.
            g.round = true;
            g.centre = g.end[1];
            g.radius = std::hypot(g.end[0].x - g.centre.x, g.end[0].y - g.centre.y);
            g.span.kind = RadialSpan::whole;
            g.end_point[0] = g.end_point[1] = 0;  // a circle has no ends
        }
    } else if ((kind == element_kind_arc_centre || kind == element_kind_arc_points) && e.size() >= element_size3) {
        g.end_point[0] = get_u32(e.data(), element_points);
        g.end_point[1] = get_u32(e.data(), element_points + 4);
        Point2 p0 = coord(element_coords3), p1 = coord(element_coords3 + 16), p2 = coord(element_coords3 + 32);
        ArcByCentre arc{p0, p1, p2};
        if (kind == element_kind_arc_points) {
            ArcByPoints by_points{p0, p1, p2};
            if (!arc_by_points_to_centre(&by_points, &arc)) return false;
        }
        g.end[0] = arc.start;
        g.end[1] = arc.end;
        g.round = true;
        g.centre = arc.centre;
        g.radius = std::hypot(arc.start.x - arc.centre.x, arc.start.y - arc.centre.y);
        // An arc runs from its start to its end in decreasing angle.
        double from = std::atan2(arc.end.y - arc.centre.y, arc.end.x - arc.centre.x);
        double sweep = std::fmod(std::atan2(arc.start.y - arc.centre.y, arc.start.x - arc.centre.x) - from + 4 * pi, 2 * pi);
        g.span.kind = RadialSpan::arc;
        g.span.from = from;
        g.span.sweep = sweep == 0 ? 2 * pi : sweep;
    } else {
        return false;
    }
    *out = g;
    return true;
}

// The span of the circle or arc about c of radius r that a radial
// dimension measures; none known: the line keeps its direction.
RadialSpan radial_span_about(const std::vector<ElementGeometry>& elements, Point2 c, double r, double eps) {
    for (const ElementGeometry& e : elements)
        if (e.round && same_point(e.centre, c, eps) && std::fabs(e.radius - r) <= eps) return e.span;
    return RadialSpan{};
}

// With the newer drawing style an extension line that would start at the
// end of a straight element lying along it, towards the dimension line,
// starts at the element's other end instead, so that it is not drawn over
// the element.
Point2 extension_start_past_element(const std::vector<ElementGeometry>& elements, Point2 start, Point2 to,
                                    double eps) {
    double len = std::hypot(to.x - start.x, to.y - start.y);
    if (!(len > eps)) return start;
    Point2 u = {(to.x - start.x) / len, (to.y - start.y) / len};
    for (const ElementGeometry& e : elements) {
        if (e.kind != element_kind_segment) continue;
        for (int i = 0; i < 2; ++i) {
            if (!same_point(e.end[i], start, eps)) continue;
            Point2 other = e.end[1 - i];
            double along = (other.x - start.x) * u.x + (other.y - start.y) * u.y;
            double across = (other.x - start.x) * u.y - (other.y - start.y) * u.x;
            if (along > eps && along <= len + eps && std::fabs(across) <= eps) return other;
        }
    }
    return start;
}

bool near_any(Point2 p, const std::vector<Point2>& points, double eps) {
    for (Point2 q : points)
        if (std::fabs(p.x - q.x) <= eps && std::fabs(p.y - q.y) <= eps) return true;
    return false;
}

// Copies of every record of one of the projection's chains.
bool load_chain(DrawingFile* df, uint8_t* projection, uint32_t chain, std::vector<std::vector<uint8_t>>* out) {
    RecordRef* head = projection_chain(projection, chain);
    PageBuffer* buf = projection_chain_buffer(chain);
    if (!head || !buf) return false;
    for (unsigned char* r = record_next(df, head, nullptr, buf); r; r = record_next(df, head, r, buf)) {
        uint16_t len = get_u16(r, record_length);
        if (len < 6) return false;
        out->emplace_back(r, r + len);
    }
    return !error_flag;
}

void fail(const char* code) {
    error_stack_push(code);
    if (DrawingFile* df = current_drawing_file()) report_document_failure(df);
}

// The measuring direction of a straight dimension by its direction mode:
// along x, along y, along the axis, across it.
double measuring_direction(int mode, bool has_axis, double axis) {
    switch (mode) {
    case 0: return 0;
    case 1: return -pi / 2;
    case 2: return has_axis ? axis : 0;
    default: return has_axis ? axis - pi / 2 : 0;
    }
}


bool same_at(Point2 a, Point2 b, double eps) { return std::fabs(a.x - b.x) <= eps && std::fabs(a.y - b.y) <= eps; }

// Whether a dimension's extension lines start at the two ends of a span
// (either way round).
bool starts_at(const uint8_t* d, Point2 a, Point2 b, double eps) {
    Point2 s1 = pair(d, dimension_extension1), s2 = pair(d, dimension_extension2);
    return (same_at(s1, a, eps) && same_at(s2, b, eps)) || (same_at(s1, b, eps) && same_at(s2, a, eps));
}

// The level dimensions whose chosen role is spread get a generated level
// dimension per group of overlapping spans, added to the items (after the
// others, so that of equal keys they are placed first).  On a changed
// projection (due) the dimensions are made, taking over a line placed by
// hand from `saved`; else each group takes the generated dimension that
// already spans it, and a group without one is left out.  False when a
// failure ended the run.
bool merge_level_dimensions(uint8_t* projection, bool due, double eps, std::vector<PlacementItem>& items,
                            std::vector<Gathered>& gathered,
                            const std::vector<const std::vector<uint8_t>*>& generated,
                            const std::vector<SavedLevelPlacement>& saved) {
    std::vector<LevelSpan> spans;
    for (size_t i = 0; i < items.size(); ++i) {
        const Gathered& g = gathered[i];
        if (g.kind != 6 || g.radial || g.group) continue;
        Point2 a{}, b{};
        if (level_span_of(g.role[g.level_side ? 1 : 0], items[i].first_direction, eps, &a, &b))
            spans.push_back({static_cast<int>(i), a, b, items[i].first_direction});
    }
    if (spans.empty()) return true;
    std::vector<LevelGroup> groups = merge_level_spans(spans, eps);
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_dimensions);
    PageBuffer* buf = &page_buffers[table_dimensions];
    std::vector<bool> taken(generated.size(), false);
    for (const LevelGroup& grp : groups) {
        const Gathered first = gathered[grp.members[0]];
        // The ends: a level mark at the spread role's end, none at the
        // other; the generated dimension stands on the other side.
        int e1 = first.level_side ? 9 : 7, e2 = first.level_side ? 7 : 9;
        uint16_t kind_word = static_cast<uint16_t>((first.kind_word & 0x00E0) | 6 | (e1 << 8) | (e2 << 12));
        bool side = !first.level_side;
        PlacementItem it{};
        it.first = grp.a;
        it.second = grp.b;
        it.first_direction = it.second_direction = grp.direction;
        it.view_length = 0;  // the nominal of a generated dimension
        Gathered g{0, {}, true};
        g.kind = 6;
        g.kind_word = kind_word;
        g.level_side = side;
        g.group = true;
        g.role[0] = {grp.a};
        g.role[1] = {grp.b};
        if (due) {
            unsigned char* d = record_find_key(df, head, first.number, nullptr, buf);
            if (!d || get_u16(d, record_length) < dimension_record_size - 2) {
                error_flag = 0;
                fail(merged_group_gone_code);
                return false;
            }
            std::vector<uint8_t> model(d, d + dimension_comment_length);
            std::vector<uint8_t> model_label;
            RecordRef lref = 0;
            unsigned char* l = annotation_find_key_kind(projection, first.number, annotation_dimension_text, &lref);
            if (l && get_u16(l, record_length) >= dimension_text_head) model_label.assign(l, l + dimension_text_head);
            error_flag = 0;
            uint32_t number = 0;
            GeneratedResult made = create_generated_level_dimension(
                projection, model.data(), model_label.empty() ? nullptr : model_label.data(), kind_word, side, &number);
            if (made == generated_too_many) {
                show_program_message(too_many_dimensions_message);
                break;
            }
            if (made != generated_made) {
                error_flag = 0;
                return false;
            }
            g.number = number;
            for (const SavedLevelPlacement& sp : saved) {
                const uint8_t* sd = sp.dimension.data();
                if (((get_u16(sd, dimension_state) & 0x0002) != 0) != side || !starts_at(sd, grp.a, grp.b, eps)) continue;
                it.line_start = pair(sd, dimension_line_start);
                it.line_end = pair(sd, dimension_line_end);
                it.keep = true;
                g.kind_word = static_cast<uint16_t>((kind_word & 0x00FF) | (get_u16(sd, dimension_kind_word) & 0xFF00));
                g.by_hand = true;
                if (!restore_level_label(projection, number, sp.label)) error_flag = 0;
                break;
            }
        } else {
            bool found = false;
            for (size_t k = 0; k < generated.size() && !found; ++k) {
                const uint8_t* sd = generated[k]->data();
                if (taken[k] || !starts_at(sd, grp.a, grp.b, eps)) continue;
                taken[k] = found = true;
                g.number = get_u32(sd, dimension_number);
                g.kind_word = get_u16(sd, dimension_kind_word);
                g.level_side = (get_u16(sd, dimension_state) & 0x0002) != 0;
                if (get_u16(sd, dimension_value_word) & value_by_hand) {
                    it.line_start = pair(sd, dimension_line_start);
                    it.line_end = pair(sd, dimension_line_end);
                    it.keep = true;
                    g.by_hand = true;
                }
            }
            if (!found) continue;
        }
        items.push_back(it);
        gathered.push_back(g);
    }
    return true;
}

}  // namespace

PlacementRunResult place_dimensions(uint8_t* projection, int mode) {
    PlacementRunResult result;
    DrawingFile* df = current_drawing_file();
    if (!df || !projection) return result;
    bool due = (get_u16(projection, projection_flags) & projection_placement_due) != 0;
    if (mode == placement_when_due && !due) return result;

    // A changed projection's generated level dimensions are made again;
    // those placed by hand are kept aside to take their lines over.
    std::vector<SavedLevelPlacement> saved;
    if (due && collect_generated_dimensions(projection, &saved) < 0) {
        result.failed = true;
        error_flag = 0;
        return result;
    }
    std::vector<std::vector<uint8_t>> dimensions, points, links, elements;
    if (!load_chain(df, projection, projection_dimensions, &dimensions) ||
        !load_chain(df, projection, projection_points, &points) ||
        !load_chain(df, projection, projection_links, &links) ||
        !load_chain(df, projection, projection_elements, &elements)) {
        result.failed = true;
        return result;
    }
    std::unordered_map<uint32_t, Point2> position;
    std::unordered_map<uint32_t, uint16_t> point_flags_of;
    for (const std::vector<uint8_t>& p : points)
        if (p.size() >= point_record_size) {
            uint32_t n = get_u32(p.data(), point_number);
            position[n] = {get_f64(p.data(), point_true_x), get_f64(p.data(), point_true_y)};
            point_flags_of[n] = get_u16(p.data(), point_flags);
        }
    std::vector<ElementGeometry> shapes;
    for (const std::vector<uint8_t>& e : elements) {
        ElementGeometry g;
        if (element_geometry(e, &g)) shapes.push_back(g);
    }
    // A view with a break draws its elements moved apart from its points:
    // there a point stands where a visible element that ends at it is drawn,
    // and a point that ends no such element is not used.
    const bool broken = (get_u16(projection, projection_flags) & projection_word_has_break) != 0;
    std::unordered_map<uint32_t, Point2> drawn_at;
    if (broken)
        for (const ElementGeometry& g : shapes)
            for (int i = 0; i < 2; ++i)
                if (g.end_point[i]) drawn_at.emplace(g.end_point[i], g.end[i]);
    const uint8_t* header = current_drawing_header();
    const bool new_style = header && (get_u16(header, header_options2) & header_opt2_new_style);
    std::unordered_map<uint32_t, std::vector<const uint8_t*>> links_of;
    for (const std::vector<uint8_t>& l : links)
        if (l.size() >= link_record_size) links_of[get_u32(l.data(), link_dimension)].push_back(l.data());

    const double mm = sheet_to_model_length(1.0);
    const double eps = sheet_to_model_length(0.01);
    std::vector<PlacementItem> items;
    std::vector<Gathered> gathered;
    std::vector<uint32_t> to_mark, to_hide;
    std::vector<const std::vector<uint8_t>*> generated;  // generated dimensions left standing
    Box points_box = box_empty();
    for (const auto& entry : position) {
        Box one{entry.second.x, entry.second.y, entry.second.x, entry.second.y};
        box_union(&points_box, &one);
    }

    for (const std::vector<uint8_t>& copy : dimensions) {
        if (copy.size() < dimension_record_size - 2) continue;
        const uint8_t* d = copy.data();
        uint32_t number = get_u32(d, dimension_number);
        uint16_t kind_word = get_u16(d, dimension_kind_word), value = get_u16(d, dimension_value_word);
        uint16_t state = get_u16(d, dimension_state);
        int kind = kind_word & 0x1F;
        if ((value & value_hidden) && kind != 2) continue;
        if (state & state_generated) {
            generated.push_back(&copy);
            continue;
        }
        Gathered g{number, {}, true};
        g.kind = kind;
        g.kind_word = kind_word;
        g.level_side = (state & 0x0002) != 0;
        // The links in two passes: first those whose point is not a thread
        // line's end moved by the thread clean-up (point flag bit 9), then,
        // only when a role the dimension needs is still empty, those whose
        // point is.
        auto role_missing = [&] {
            return ((value & value_first_drawn) && g.role[0].empty()) ||
                   ((value & value_second_drawn) && kind != 2 && g.role[1].empty()) ||
                   ((value & value_centre) && g.role[2].empty());
        };
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1 && !role_missing()) break;
            for (const uint8_t* l : links_of[number]) {
                int role = get_u16(l, link_role) & 3;
                uint32_t pt = get_u32(l, link_point);
                auto at = position.find(pt);
                if (at == position.end()) {
                    fail(missing_link_point_code);
                    result.failed = true;
                    return result;
                }
                bool moved_end = (point_flags_of[pt] & point_flag_thread_end) != 0;
                if (moved_end != (pass == 1)) continue;
                Point2 where = at->second;
                if (broken) {
                    auto drawn = drawn_at.find(pt);
                    if (drawn == drawn_at.end()) continue;
                    where = drawn->second;
                }
                if (role >= 1 && role <= 3) g.role[role - 1].push_back(where);
            }
        }
        bool straight = kind == 0 || kind == 6 || (kind == 2 && !(value & value_centre));
        Point2 line_a = pair(d, dimension_line_start), line_b = pair(d, dimension_line_end);
        bool stored = !(is_zero(line_a) && is_zero(line_b));
        PlacementItem it{};
        it.line_start = line_a;
        it.line_end = line_b;
        bool by_hand_kept = (value & value_by_hand) && stored && !due;
        if (kind == 5 && !by_hand_kept) {
            // A fillet: from the middle of its arc (the arc that ends at
            // its point) to the arc's centre; only that end is drawn.
            const std::vector<const uint8_t*>& own = links_of[number];
            ArcByCentre arc{};
            if (own.empty() || !arc_at_point(elements, get_u32(own[0], link_point), &arc)) {
                to_mark.push_back(number);
                continue;
            }
            Point2 c = arc.centre;
            double r = std::hypot(arc.start.x - c.x, arc.start.y - c.y);
            // An arc runs clockwise from its start to its end.
            double from = std::atan2(arc.end.y - c.y, arc.end.x - c.x);
            double sweep = std::fmod(std::atan2(arc.start.y - c.y, arc.start.x - c.x) - from + 4 * pi, 2 * pi);
            if (sweep == 0) sweep = 2 * pi;
            RadialSpan span;
            span.kind = RadialSpan::arc;
            span.from = from;
            span.sweep = sweep;
            double mid = choose_radial_direction(from + sweep / 2, span);
            Point2 p = {c.x + r * std::cos(mid), c.y + r * std::sin(mid)};
            if (!(r > 0) || !std::isfinite(p.x) || !std::isfinite(p.y)) {
                to_mark.push_back(number);
                continue;
            }
            it.line_start = it.first = p;
            it.line_end = it.second = c;
            it.first_direction = it.second_direction = mid + pi / 2;
            it.keep = true;
            g.radial = 1;
            g.role[2].assign(1, c);
            items.push_back(it);
            gathered.push_back(g);
            continue;
        }
        if ((kind == 3 || kind == 4) && !by_hand_kept) {
            // An angle or arc length: an arc about the centre between the
            // extension lines that run out from it through each role's
            // farthest point.
            Point2 c{};
            if (g.role[0].empty() || g.role[1].empty() || !angle_centre(g, eps, &c)) {
                to_mark.push_back(number);
                continue;
            }
            Point2 p1 = farthest_from(g.role[0], c), p2 = farthest_from(g.role[1], c);
            if (std::hypot(p1.x - c.x, p1.y - c.y) <= eps || std::hypot(p2.x - c.x, p2.y - c.y) <= eps) {
                to_mark.push_back(number);
                continue;
            }
            it.shape = 3;
            it.centre = c;
            it.first = p1;
            it.second = p2;
            it.first_direction = std::atan2(p1.y - c.y, p1.x - c.x);
            it.second_direction = std::atan2(p2.y - c.y, p2.x - c.x);
            it.view_length = nominal_to_view_length(projection, get_f64(d, dimension_nominal), kind);
            if (!std::isfinite(it.view_length)) it.view_length = 0;
            g.arc = true;
            items.push_back(it);
            gathered.push_back(g);
            continue;
        }
        bool radial = kind == 1 || (kind == 2 && (value & value_centre));
        if (radial && !by_hand_kept) {
            // A radius or a diameter about its centre: the line runs from
            // the circle through the first-end point to the centre (a
            // diameter on to the opposite side); it is a line the others
            // keep clear of.
            if (g.role[0].empty() || g.role[2].empty()) {
                to_mark.push_back(number);
                continue;
            }
            Point2 c = g.role[2][0], p = g.role[0][0];
            double r = std::hypot(p.x - c.x, p.y - c.y);
            if (!(r > 0) || !std::isfinite(r)) {
                to_mark.push_back(number);
                continue;
            }
            // The line turns, inside the circle's or arc's span, out of the
            // directions whose label would read from the top down.
            double wanted = std::atan2(p.y - c.y, p.x - c.x);
            double chosen = choose_radial_direction(wanted, radial_span_about(shapes, c, r, eps));
            Point2 u = {std::cos(chosen), std::sin(chosen)};
            if (chosen != wanted) p = {c.x + r * u.x, c.y + r * u.y};
            it.line_start = p;
            it.line_end = kind == 2 ? Point2{c.x - r * u.x, c.y - r * u.y} : c;
            it.first = p;
            it.second = it.line_end;
            it.first_direction = it.second_direction = std::atan2(u.y, u.x) + pi / 2;
            it.keep = true;
            g.radial = kind == 2 ? 2 : 1;
            items.push_back(it);
            gathered.push_back(g);
            continue;
        }
        if (!straight) {
            // Kept as it stands: its line is one to keep clear of.
            if (!stored) continue;
            Point2 e1 = pair(d, dimension_extension1), e1b = pair(d, dimension_extension1 + 8);
            it.first = e1;
            it.second = pair(d, dimension_extension2);
            it.first_direction = it.second_direction = std::atan2(e1b.y - e1.y, e1b.x - e1.x);
            if (!std::isfinite(it.first_direction)) it.first_direction = it.second_direction = 0;
            if (((value & value_shape) >> 4) == 3) {
                it.shape = 3;
                it.centre = pair(d, dimension_centre);
            }
            it.keep = true;
            g.place = false;
            items.push_back(it);
            gathered.push_back(g);
            ++result.kept;
            continue;
        }
        if (g.role[0].empty() || g.role[1].empty()) {
            to_mark.push_back(number);
            continue;
        }
        // The extension lines run across the measuring direction.
        int dmode = (kind_word >> 5) & 7;
        double axis = 0;
        bool has_axis = false;
        if (dmode >= 2) {
            auto p1 = position.find(get_u32(d, dimension_axis_point1)), p2 = position.find(get_u32(d, dimension_axis_point2));
            if (p1 != position.end() && p2 != position.end()) {
                axis = std::atan2(p2->second.y - p1->second.y, p2->second.x - p1->second.x);
                has_axis = std::isfinite(axis) && !(p1->second.x == p2->second.x && p1->second.y == p2->second.y);
            }
        }
        double direction = measuring_direction(dmode, has_axis, axis) + pi / 2;
        if (broken) {
            // The points of one role must stand on one extension line; in a
            // view whose break moved some of them apart the dimension cannot
            // be drawn: it is hidden with its label.
            Point2 u = {std::cos(direction), std::sin(direction)};
            bool apart = false;
            for (int r = 0; r < 2; ++r)
                for (Point2 q : g.role[r]) {
                    double across = (q.x - g.role[r][0].x) * u.y - (q.y - g.role[r][0].y) * u.x;
                    if (std::fabs(across) > eps) apart = true;
                }
            if (apart) {
                to_hide.push_back(number);
                continue;
            }
        }
        it.first = g.role[0][0];
        it.second = g.role[1][0];
        it.first_direction = it.second_direction = direction;
        it.view_length = nominal_to_view_length(projection, get_f64(d, dimension_nominal), kind);
        if (!std::isfinite(it.view_length)) it.view_length = 0;
        // A line placed by hand stays: always when the projection has not
        // changed, and on a changed projection while its points have not
        // moved (its extension lines still start at them).
        if ((value & value_by_hand) && stored) {
            auto starts_from = [&](Point2 stored, const std::vector<Point2>& role, Point2 to) {
                if (near_any(stored, role, eps)) return true;
                if (!new_style) return false;
                for (Point2 q : role)
                    if (same_point(stored, extension_start_past_element(shapes, q, to, eps), eps)) return true;
                return false;
            };
            bool unmoved = starts_from(pair(d, dimension_extension1), g.role[0], pair(d, dimension_extension1 + 8)) &&
                           starts_from(pair(d, dimension_extension2), g.role[1], pair(d, dimension_extension2 + 8));
            it.keep = !due || unmoved;
        }
        g.place = !it.keep;
        if (it.keep) ++result.kept;
        items.push_back(it);
        gathered.push_back(g);
    }

    Box frame{get_f32(projection, projection_frame_offset), get_f32(projection, projection_frame_offset + 4),
              get_f32(projection, projection_frame_offset + 8), get_f32(projection, projection_frame_offset + 12)};
    if (!(frame.min_x < frame.max_x || frame.min_y < frame.max_y) || !std::isfinite(frame.min_x) ||
        !std::isfinite(frame.max_x) || !std::isfinite(frame.min_y) || !std::isfinite(frame.max_y))
        frame = box_is_empty(&points_box) ? Box{0, 0, 0, 0} : points_box;
    PlacementFrame pf{frame, mm > 0 && std::isfinite(mm) ? mm : 1.0};
    // The tallest shown label widens the band the lines keep free.
    {
        RecordRef* ahead = projection_chain(projection, projection_annotations);
        PageBuffer* abuf = &page_buffers[table_annotation];
        for (unsigned char* r = ahead ? record_next(df, ahead, nullptr, abuf) : nullptr; r;
             r = record_next(df, ahead, r, abuf)) {
            if (r[record_kind] != annotation_dimension_text || get_u16(r, record_length) < dimension_text_head) continue;
            uint16_t f = get_u16(r, annotation_flags);
            if (f & 0x1000) continue;
            double h = annotation_text_height((f >> 7) & 0x0F);
            if (std::isfinite(h) && h > pf.label_height) pf.label_height = h;
        }
        error_flag = 0;
    }
    if (!merge_level_dimensions(projection, due, eps, items, gathered, generated, saved)) {
        result.failed = true;
        return result;
    }
    resolve_placement_collisions(items, pf);

    RecordRef* head = projection_chain(projection, projection_dimensions);
    PageBuffer* buf = &page_buffers[table_dimensions];
    std::vector<uint32_t> written;
    for (size_t i = 0; i < items.size(); ++i) {
        const PlacementItem& it = items[i];
        const Gathered& g = gathered[i];
        if (!g.place) continue;
        if (it.unplaceable || !it.placed) {
            to_mark.push_back(g.number);
            continue;
        }
        unsigned char* d = record_find_key(df, head, g.number, nullptr, buf);
        if (!d || get_u16(d, record_length) < dimension_record_size - 2) continue;
        if (g.radial) {
            // The ends on the circle carry extension lines of no length.
            put_pair(d, dimension_line_start, it.line_start);
            put_pair(d, dimension_line_end, it.line_end);
            put_pair(d, dimension_centre, g.role[2][0]);
            put_pair(d, dimension_extension1, it.line_start);
            put_pair(d, dimension_extension1 + 8, it.line_start);
            put_pair(d, dimension_extension2, it.line_end);
            put_pair(d, dimension_extension2 + 8, it.line_end);
            uint16_t value = get_u16(d, dimension_value_word);
            value = static_cast<uint16_t>((value & ~(value_shape | value_by_hand)) | 0x0010 | value_first_drawn |
                                          (g.radial == 2 ? value_second_drawn : 0));
            put_u16(d, dimension_value_word, value);
            buf->clean = 0;
            written.push_back(g.number);
            continue;
        }
        if (g.arc) {
            // The arc about its centre; the extension lines run out from
            // the object's points to its ends.
            put_pair(d, dimension_line_start, it.line_start);
            put_pair(d, dimension_line_end, it.line_end);
            put_pair(d, dimension_centre, it.centre);
            Point2 a1 = it.first, a2 = it.second;
            if (new_style) {
                a1 = extension_start_past_element(shapes, a1, it.line_start, eps);
                a2 = extension_start_past_element(shapes, a2, it.line_end, eps);
            }
            put_pair(d, dimension_extension1, a1);
            put_pair(d, dimension_extension1 + 8, it.line_start);
            put_pair(d, dimension_extension2, a2);
            put_pair(d, dimension_extension2 + 8, it.line_end);
            uint16_t value = get_u16(d, dimension_value_word);
            value = static_cast<uint16_t>((value & ~(value_shape | value_by_hand)) | 0x0030 | value_first_drawn |
                                          value_second_drawn);
            put_u16(d, dimension_value_word, value);
            buf->clean = 0;
            written.push_back(g.number);
            continue;
        }
        Point2 s1 = extension_start(g.role[0], it.first, it.line_start);
        Point2 s2 = extension_start(g.role[1], it.second, it.line_end);
        if (new_style && !g.group) {
            s1 = extension_start_past_element(shapes, s1, it.line_start, eps);
            s2 = extension_start_past_element(shapes, s2, it.line_end, eps);
        }
        put_pair(d, dimension_line_start, it.line_start);
        put_pair(d, dimension_line_end, it.line_end);
        put_pair(d, dimension_centre, Point2{0, 0});
        put_pair(d, dimension_extension1, s1);
        put_pair(d, dimension_extension1 + 8, it.line_start);
        put_pair(d, dimension_extension2, s2);
        put_pair(d, dimension_extension2 + 8, it.line_end);
        uint16_t value = get_u16(d, dimension_value_word);
        value = static_cast<uint16_t>((value & ~(value_shape | value_by_hand)) | 0x0010 | value_first_drawn |
                                      value_second_drawn | (g.by_hand ? value_by_hand : 0));
        put_u16(d, dimension_value_word, value);
        // A merged group's line ends (and side) are the whole kind word.
        if (g.group) put_u16(d, dimension_kind_word, g.kind_word);
        buf->clean = 0;
        written.push_back(g.number);
    }
    for (uint32_t number : to_hide) {
        if (unsigned char* d = record_find_key(df, head, number, nullptr, buf)) {
            put_u16(d, dimension_value_word, static_cast<uint16_t>(get_u16(d, dimension_value_word) | value_hidden));
            buf->clean = 0;
        }
        RecordRef lref = 0;
        if (unsigned char* l = annotation_find_key_kind(projection, number, annotation_dimension_text, &lref)) {
            put_u16(l, annotation_flags, static_cast<uint16_t>(get_u16(l, annotation_flags) | 0x1000));
            page_buffers[table_annotation].clean = 0;
        }
        error_flag = 0;
    }
    for (uint32_t number : to_mark) {
        if (unsigned char* d = record_find_key(df, head, number, nullptr, buf)) {
            put_u16(d, dimension_state, static_cast<uint16_t>(get_u16(d, dimension_state) | state_marked));
            buf->clean = 0;
        }
    }
    for (uint32_t number : written) {
        relayout_dimension(projection, number);
        unsigned char* d = record_find_key(df, head, number, nullptr, buf);
        if (d && (get_u16(d, dimension_state) & 0x0018)) keep_roughness_signs_on_extension_lines(projection, number);
    }
    result.placed = static_cast<int>(written.size());
    result.marked = static_cast<int>(to_mark.size());
    if (result.marked) show_program_message(placement_marked_message);
    relayout_text_fragments(projection);
    projection_compute_annotation_extents(projection);
    return result;
}

int relayout_text_fragments(uint8_t* projection) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_annotations);
    if (!df || !head) return 0;
    PageBuffer* buf = &page_buffers[table_annotation];
    auto is_fragment = [](const unsigned char* r) {
        return r[record_kind] == annotation_text_fragment && get_u16(r, record_length) >= text_fragment_head;
    };
    for (unsigned char* r = record_next(df, head, nullptr, buf); r; r = record_next(df, head, r, buf)) {
        if (!is_fragment(r)) continue;
        put_u16(r, text_fragment_options, static_cast<uint16_t>(get_u16(r, text_fragment_options) & ~0x0002));
        buf->clean = 0;
    }
    // Each fragment is laid out once (marked by bit 1); when laying out
    // stored one elsewhere the walk starts again from the head.
    int laid = 0;
    bool restart = true;
    while (restart && !error_flag) {
        restart = false;
        for (unsigned char* r = record_next(df, head, nullptr, buf); r && !error_flag; r = record_next(df, head, r, buf)) {
            if (!is_fragment(r) || (get_u16(r, text_fragment_options) & 0x0002)) continue;
            RecordRef before = record_ref_of(buf, r);
            unsigned char* rec = r;
            if (!(get_u16(rec, text_fragment_options) & 1) || !fit_text_into_cell(projection, &rec, nullptr))
                rec = layout_text_fragment(projection, rec);
            if (!rec) return laid;
            put_u16(rec, text_fragment_options, static_cast<uint16_t>(get_u16(rec, text_fragment_options) | 0x0002));
            buf->clean = 0;
            ++laid;
            if (record_ref_of(buf, rec) != before) {
                restart = true;
                break;
            }
            r = rec;
        }
    }
    error_flag = 0;
    return laid;
}

PlacementRunResult replace_all_dimensions(uint8_t* projection) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_dimensions);
    if (df && head) {
        PageBuffer* buf = &page_buffers[table_dimensions];
        for (unsigned char* d = record_next(df, head, nullptr, buf); d; d = record_next(df, head, d, buf)) {
            if (get_u16(d, record_length) < dimension_record_size - 2) continue;
            uint16_t value = get_u16(d, dimension_value_word);
            if (value & value_by_hand) {
                put_u16(d, dimension_value_word, static_cast<uint16_t>(value & ~value_by_hand));
                buf->clean = 0;
            }
        }
    }
    return place_dimensions(projection, placement_always);
}
