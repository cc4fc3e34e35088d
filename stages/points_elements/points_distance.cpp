// Placing points at a distance: marking and placing.
#include "stages/points_elements/points_distance.h"

#include <cmath>
#include <vector>

#include "base/program_messages.h"
#include "geometry/metric.h"
#include "geometry/tolerance.h"
#include "store/records.h"

namespace {

const double pi = 3.14159265358979323846;

bool find_mark(PointContext& ctx, uint16_t mark, PointCopy* out) {
    for (const PointCopy& p : points_of_projection(ctx.df, ctx.projection)) {
        if (p.mark() != mark) continue;
        *out = p;
        return true;
    }
    return false;
}

void set_mark(PointContext& ctx, PointCopy p, uint16_t mark) {
    p.set_flags(static_cast<uint16_t>((p.flags() & ~point_flag_marks) | mark));
    point_write(ctx.df, ctx.projection, p);
}

// The first anchored auxiliary line through point `base` (anchored on it,
// or passing through its position).
bool anchored_line_through(PointContext& ctx, const PointCopy& base, Segment* line) {
    RecordRef* head = projection_chain(ctx.projection, projection_construction);
    PageBuffer* b = &page_buffers[table_construction];
    Point2 q = base.sketch();
    for (unsigned char* r = record_next(ctx.df, head, nullptr, b); r && !error_flag; r = record_next(ctx.df, head, r, b)) {
        if (get_u16(r, record_length) < aux_line_record_size || r[record_kind] != construction_kind_aux_line) continue;
        if (!(r[construction_flags] & aux_line_anchored)) continue;
        Segment s = {{get_f64(r, aux_line_x1), get_f64(r, aux_line_y1)}, {get_f64(r, aux_line_x2), get_f64(r, aux_line_y2)}};
        if (s.start.x == s.end.x && s.start.y == s.end.y) continue;
        bool on = get_u32(r, aux_line_anchor1) == base.number() || get_u32(r, aux_line_anchor2) == base.number() ||
                  point_line_distance(&s, q) <= 1e-9 * (1 + std::fabs(q.x) + std::fabs(q.y));
        if (!on) continue;
        *line = s;
        return true;
    }
    return false;
}

// The foot of the perpendicular from p on the line.
Point2 foot_on(const Segment& s, Point2 p) {
    double dx = s.end.x - s.start.x, dy = s.end.y - s.start.y;
    double t = ((p.x - s.start.x) * dx + (p.y - s.start.y) * dy) / (dx * dx + dy * dy);
    return {s.start.x + t * dx, s.start.y + t * dy};
}

}  // namespace

const char* distance_first_prompt(int mode) {
    switch (mode) {
    case distance_along_y: return "*первую точку расстояния вдоль оси Y";
    case distance_from_line: return "*точку на оси";
    case distance_angle: return "*первую точку угла";
    default: return "*первую точку расстояния вдоль оси X";
    }
}

void points_unmark_all(PointContext& ctx) {
    for (PointCopy p : points_of_projection(ctx.df, ctx.projection))
        if (p.mark()) set_mark(ctx, p, 0);
}

int distance_tool_click(DistanceTool& tool, PointContext& ctx, const PointCopy& p, bool* place_marked) {
    if (place_marked) *place_marked = false;
    uint32_t here = get_u32(ctx.projection, record_key);
    if (tool.state > 0 && tool.projection != here) {
        error_stack_push("Начинайте сначала.");
        if (ctx.hooks.message) ctx.hooks.message("Помечаемые точки должны быть на одной проекции!");
        error_stack_clear();
        if (ctx.hooks.prompt) ctx.hooks.prompt(distance_first_prompt(tool.mode));
        tool.state = 0;
        return 0;  // the caller clears the marks of the other projection
    }
    if (tool.state == 0) {
        if (ctx.hooks.checkpoint) ctx.hooks.checkpoint(p.number());
        tool.projection = here;
        points_unmark_all(ctx);
        if (tool.dimensions && (p.flags() & point_flag_no_dimension)) {
            error_stack_push("Начинайте сначала.");
            if (ctx.hooks.message) ctx.hooks.message("На эту точку ставить размер нельзя!");
            error_stack_clear();
            return 0;
        }
        PointCopy fresh;
        if (!point_read(ctx.df, ctx.projection, p.number(), &fresh)) return 0;
        set_mark(ctx, fresh, distance_mark_base);
        if (ctx.hooks.prompt) ctx.hooks.prompt(tool.mode == distance_angle ? "*точку центра угла" : "*следующую точку");
        tool.state = 1;
        return 1;
    }
    PointCopy fresh;
    if (!point_read(ctx.df, ctx.projection, p.number(), &fresh)) return tool.state;
    if (tool.mode == distance_angle && tool.state == 1) {
        set_mark(ctx, fresh, distance_mark_centre);
        if (ctx.hooks.prompt) ctx.hooks.prompt("*точку угла на втором луче");
        tool.state = 2;
        return 2;
    }
    set_mark(ctx, fresh, distance_mark_place);
    if (ctx.hooks.prompt)
        ctx.hooks.prompt(tool.mode == distance_angle ? "*точку угла на втором луче" : "*следующую точку");
    if (place_marked) *place_marked = true;
    return tool.state;
}

bool distance_present_measure(PointContext& ctx, int mode, const PointCopy& p, double* out) {
    PointCopy base;
    if (!find_mark(ctx, distance_mark_base, &base)) return false;
    Point2 b = base.sketch(), q = p.sketch();
    switch (mode) {
    case distance_along_y: *out = std::fabs(q.y - b.y); return true;
    case distance_along_x: *out = std::fabs(q.x - b.x); return true;
    case distance_from_line: {
        Segment line;
        if (!anchored_line_through(ctx, base, &line)) return false;
        *out = point_line_distance(&line, q);
        return true;
    }
    case distance_angle: {
        PointCopy centre;
        if (!find_mark(ctx, distance_mark_centre, &centre)) return false;
        Point2 c = centre.sketch();
        double d = std::atan2(q.y - c.y, q.x - c.x) - std::atan2(b.y - c.y, b.x - c.x);
        d = std::fabs(std::remainder(d, 2 * pi));
        *out = d;
        return true;
    }
    default:
        return false;
    }
}

int place_marked_points_at_distance(PointContext& ctx, int mode, double a) {
    PointCopy base;
    if (!find_mark(ctx, distance_mark_base, &base)) return 0;
    Point2 b = base.sketch();
    PointCopy centre{};
    Point2 c{};
    double base_angle = 0;
    Segment line{};
    if (mode == distance_angle) {
        if (!find_mark(ctx, distance_mark_centre, &centre)) return 0;
        c = centre.sketch();
        base_angle = std::atan2(b.y - c.y, b.x - c.x);
        set_mark(ctx, centre, 0);
    } else if (mode == distance_from_line && !anchored_line_through(ctx, base, &line)) {
        points_unmark_all(ctx);
        error_stack_push("\"Создавать размеры для привязки точек\"");
        if (ctx.hooks.message) ctx.hooks.message("Первая точка должна быть расположена на оси со свойством");
        error_stack_clear();
        return -1;
    }
    set_mark(ctx, base, 0);
    std::vector<PointCopy> todo;
    for (const PointCopy& p : points_of_projection(ctx.df, ctx.projection))
        if (p.mark() == distance_mark_place) todo.push_back(p);
    int placed = 0;
    for (PointCopy p : todo) {
        if (!point_read(ctx.df, ctx.projection, p.number(), &p)) continue;  // merged away by an earlier drop
        Point2 q = p.sketch();
        switch (mode) {
        case distance_along_y: q.y = q.y >= b.y ? b.y + a : b.y - a; break;
        case distance_along_x: q.x = q.x >= b.x ? b.x + a : b.x - a; break;
        case distance_from_line: {
            Point2 f = foot_on(line, q);
            double dx = q.x - f.x, dy = q.y - f.y, n = std::hypot(dx, dy);
            if (n == 0) {
                // On the line: one fixed side, the line's direction turned
                // a quarter to the left.
                double lx = line.end.x - line.start.x, ly = line.end.y - line.start.y, ln = std::hypot(lx, ly);
                dx = -ly / ln;
                dy = lx / ln;
            } else {
                dx /= n;
                dy /= n;
            }
            q = {f.x + a * dx, f.y + a * dy};
            break;
        }
        case distance_angle: {
            double r = std::hypot(q.x - c.x, q.y - c.y);
            double rel = std::remainder(std::atan2(q.y - c.y, q.x - c.x) - base_angle, 2 * pi);
            double to = base_angle + (rel >= 0 ? a : -a);
            q = {c.x + r * std::cos(to), c.y + r * std::sin(to)};
            break;
        }
        default:
            return placed;
        }
        p.set_flags(static_cast<uint16_t>(p.flags() & ~point_flag_marks));
        p.set_sketch(q);
        p.set_true(q);
        if (!point_write(ctx.df, ctx.projection, p)) continue;
        DropOptions o;
        o.grid = false;
        o.drop_links = false;
        ref_point_drop(ctx, p.number(), q, o);
        ++placed;
    }
    return placed;
}
