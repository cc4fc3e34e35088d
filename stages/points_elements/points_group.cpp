// The group of marked reference points.
#include "stages/points_elements/points_group.h"

#include <algorithm>
#include <cmath>

#include "geometry/tolerance.h"
#include "store/record_layouts.h"

namespace {

bool marked(const PointCopy& p) { return p.mark() == 0x40; }

}  // namespace

int group_marked_points(DrawingFile* df, unsigned char* projection, PointGroup* group) {
    *group = PointGroup();
    std::vector<PointCopy> points = points_of_projection(df, projection);
    bool fixed_marked = false;
    for (const PointCopy& p : points) fixed_marked = fixed_marked || (marked(p) && (p.flags() & point_flag_fixed));
    if (fixed_marked)
        for (PointCopy& p : points)
            if ((p.flags() & point_flag_fixed) && !marked(p)) {
                p.set_flags(static_cast<uint16_t>((p.flags() & ~point_flag_marks) | 0x40));
                point_write(df, projection, p);
            }
    int count = 0;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    for (const PointCopy& p : points) {
        if (!marked(p)) continue;
        Point2 s = p.sketch();
        if (count++ == 0) {
            x0 = x1 = s.x;
            y0 = y1 = s.y;
        } else {
            x0 = std::min(x0, s.x);
            x1 = std::max(x1, s.x);
            y0 = std::min(y0, s.y);
            y1 = std::max(y1, s.y);
        }
    }
    group->count = count;
    if (count && (compare_doubles(x0, x1) != 0 || compare_doubles(y0, y1) != 0)) {
        group->projection = get_u32(projection, record_key);
        group->centre = {(x0 + x1) / 2, (y0 + y1) / 2};
        group->handle = {group->centre.x, group->centre.y + std::max((x1 - x0) / 2, (y1 - y0) / 2)};
    }
    return count;
}

int group_move(DrawingFile* df, unsigned char* projection, Point2 delta, uint32_t except) {
    int moved = 0;
    for (PointCopy p : points_of_projection(df, projection)) {
        if (!marked(p) || p.number() == except) continue;
        Point2 s = p.sketch();
        p.set_sketch({s.x + delta.x, s.y + delta.y});
        if (point_write(df, projection, p)) ++moved;
    }
    return moved;
}

int group_rotate(DrawingFile* df, unsigned char* projection, Point2 centre, double angle) {
    double c = std::cos(angle), s = std::sin(angle);
    int turned = 0;
    for (PointCopy p : points_of_projection(df, projection)) {
        if (!marked(p)) continue;
        Point2 q = p.sketch();
        double dx = q.x - centre.x, dy = q.y - centre.y;
        p.set_sketch({centre.x + c * dx - s * dy, centre.y + s * dx + c * dy});
        if (point_write(df, projection, p)) ++turned;
    }
    return turned;
}

int group_drop(PointContext& ctx) {
    int dropped = 0;
    for (PointCopy p : points_of_projection(ctx.df, ctx.projection)) {
        if (!marked(p)) continue;
        p.set_true(p.sketch());
        ref_point_snap_to_aux_lines(ctx, &p, true);
        point_write(ctx.df, ctx.projection, p);
        aux_lines_follow_point(ctx, p, false);
        if (point_has_dimension_links(ctx.df, ctx.projection, p.number()))
            ref_point_drop_dimension_links(ctx, p.number());
        ++dropped;
    }
    if (dropped && ctx.hooks.rebuild) ctx.hooks.rebuild(ctx.projection, 0);
    return dropped;
}
