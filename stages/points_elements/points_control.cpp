// The control distance and the control angle of a projection.
#include "stages/points_elements/points_control.h"

#include <cmath>
#include <cstdio>

#include "store/record_layouts.h"

bool control_points_read(DrawingFile* df, unsigned char* projection, Point2 out[2]) {
    int n = 0;
    for (const PointCopy& p : points_of_projection(df, projection)) {
        if (!(p.flags() & point_flag_control)) continue;
        if (n < 2) out[n] = p.sketch();
        ++n;
    }
    return n >= 2;
}

double control_value_shown(const Point2 points[2], bool angle) {
    double dx = points[1].x - points[0].x, dy = points[1].y - points[0].y;
    return angle ? -std::atan2(dy, dx) : std::hypot(dx, dy);
}

int control_value_apply(PointContext& ctx, bool angle, double typed_angle, double* window_scale) {
    std::vector<uint32_t> numbers;
    Point2 at[2] = {};
    for (const PointCopy& p : points_of_projection(ctx.df, ctx.projection)) {
        if (!(p.flags() & point_flag_control)) continue;
        if (numbers.size() < 2) at[numbers.size()] = p.sketch();
        numbers.push_back(p.number());
    }
    if (numbers.size() < 2) return 0;
    // The control points go first, whatever follows.
    for (uint32_t n : numbers) ref_point_delete(ctx, n);
    unsigned char* p = ctx.projection;
    put_u16(p, projection_flags, static_cast<uint16_t>(get_u16(p, projection_flags) & ~projection_word_control_count));
    double dx = at[1].x - at[0].x, dy = at[1].y - at[0].y;
    if (angle) {
        double rotation = get_f64(p, projection_sketch_rotation) - typed_angle - std::atan2(dy, dx);
        put_f64(p, projection_sketch_rotation, rotation);
        return 1;
    }
    double c = std::hypot(dx, dy);
    if (c == 0) {
        if (ctx.hooks.message) ctx.hooks.message("Контрольные точки стояли слишком близко друг от друга");
        return -1;
    }
    double distance = get_f64(p, projection_control_distance);
    if (distance != 0) {
        double scale = c / (*window_scale > 0 ? *window_scale : 1.0);
        put_f64(p, projection_sketch_scale, scale);
        *window_scale = distance / scale;
    } else {
        put_f64(p, projection_sketch_scale, 0);
        *window_scale = 1.0;
    }
    return 1;
}

void control_distance_set(unsigned char* projection, double typed, double* window_scale) {
    double d = std::isfinite(typed) ? std::fabs(typed) : 0;
    put_f64(projection, projection_control_distance, d);
    if (d == 0) {
        put_f64(projection, projection_sketch_scale, 0);
        *window_scale = 1.0;
    }
}

std::string marked_points_list(DrawingFile* df, unsigned char* projection) {
    std::string out;
    int i = 0;
    char line[64];
    for (const PointCopy& p : points_of_projection(df, projection)) {
        if (p.mark() != 0x40) continue;
        std::snprintf(line, sizeof line, "point(%i) = %lu\n", ++i, static_cast<unsigned long>(p.number()));
        out += line;
    }
    std::snprintf(line, sizeof line, "npoint = %i\n", i);
    return out + line;
}

std::string marked_points_file_name(const std::string& chosen) {
    size_t slash = chosen.find_last_of("\\/:");
    size_t base = slash == std::string::npos ? 0 : slash + 1;
    if (chosen.find(".txt", base) != std::string::npos) return chosen;
    std::string name = chosen;
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot >= base) name.resize(dot);
    return name + ".txt";
}
