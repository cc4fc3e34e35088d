// Auxiliary lines: laying them with the tool, and removing them.
#include "stages/points_elements/aux_lines.h"

#include <cstring>

#include "base/program_messages.h"
#include "geometry/metric.h"
#include "store/records.h"

namespace {

PageBuffer* construction_buffer() { return &page_buffers[table_construction]; }

// The pending line's record when it is still what the tool made: a
// two-point line whose first point is the remembered one.
unsigned char* pending_record(AuxLineTool& tool, PointContext& ctx) {
    if (!tool.pending) return nullptr;
    RecordRef at = tool.pending;
    unsigned char* r = record_read_at(ctx.df, &at, construction_buffer());
    if (!r || get_u16(r, record_length) != aux_line_record_size || r[record_kind] != construction_kind_aux_line ||
        (r[construction_flags] & aux_line_direction) != aux_mode_two_points ||
        get_f64(r, aux_line_x1) != tool.pending_first.x || get_f64(r, aux_line_y1) != tool.pending_first.y)
        return nullptr;
    return r;
}

void forget(AuxLineTool& tool) {
    tool.pending = 0;
    tool.pending_projection = 0;
}

}  // namespace

const char* aux_line_mode_prompt(int mode) {
    switch (mode) {
    case aux_mode_vertical: return "Выбран тип \"Вдоль оси Y\"";
    case aux_mode_two_points: return "Выбран тип \"По двум точкам\"";
    default: return "Выбран тип \"Вдоль оси X\"";
    }
}

RecordRef aux_line_add(PointContext& ctx, int direction, bool anchored, Point2 a, Point2 b, uint32_t anchor1,
                       uint32_t anchor2) {
    unsigned char rec[aux_line_record_size] = {};
    put_u16(rec, record_length, aux_line_record_size);
    put_u32(rec, record_key, get_u32(ctx.projection, record_key));
    rec[record_kind] = construction_kind_aux_line;
    rec[construction_flags] = static_cast<uint8_t>((direction & aux_line_direction) | (anchored ? aux_line_anchored : 0));
    put_f64(rec, aux_line_x1, a.x);
    put_f64(rec, aux_line_y1, a.y);
    put_f64(rec, aux_line_x2, b.x);
    put_f64(rec, aux_line_y2, b.y);
    put_u32(rec, aux_line_anchor1, anchor1);
    put_u32(rec, aux_line_anchor2, anchor2);
    return record_add(ctx.df, projection_chain(ctx.projection, projection_construction), rec, construction_buffer());
}

void aux_line_drop_pending(AuxLineTool& tool, PointContext& ctx) {
    if (tool.pending_projection == get_u32(ctx.projection, record_key)) {
        unsigned char* r = pending_record(tool, ctx);
        if (r)
            record_delete(ctx.df, projection_chain(ctx.projection, projection_construction), tool.pending,
                          construction_buffer());
    }
    forget(tool);
}

int aux_line_click(AuxLineTool& tool, PointContext& ctx, const PointCopy& point,
                   const std::function<void(uint32_t projection, RecordRef line)>& delete_elsewhere) {
    if (!ctx.df || !ctx.projection) return 0;
    if (tool.anchored && (point.flags() & point_flag_no_dimension)) {
        if (ctx.hooks.message) ctx.hooks.message("На эту точку ставить размер нельзя!");
        return -1;
    }
    uint32_t here = get_u32(ctx.projection, record_key);
    Point2 at = point.sketch();
    if (tool.pending) {
        if (tool.pending_projection != here) {
            if (delete_elsewhere) delete_elsewhere(tool.pending_projection, tool.pending);
            forget(tool);
            if (ctx.hooks.prompt) ctx.hooks.prompt(aux_line_mode_prompt(aux_mode_two_points));
            return 0;
        }
        unsigned char* r = pending_record(tool, ctx);
        if (!r) {
            forget(tool);
        } else if (get_u32(r, aux_line_anchor1) == point.number() ||
                   (at.x == tool.pending_first.x && at.y == tool.pending_first.y)) {
            // The same point twice makes no line.
            aux_line_drop_pending(tool, ctx);
            if (ctx.hooks.prompt) ctx.hooks.prompt(aux_line_mode_prompt(aux_mode_two_points));
            return 0;
        } else {
            put_f64(r, aux_line_x2, at.x);
            put_f64(r, aux_line_y2, at.y);
            put_u32(r, aux_line_anchor2, (r[construction_flags] & aux_line_anchored) ? point.number() : 0);
            construction_buffer()->clean = 0;
            forget(tool);
            if (ctx.hooks.prompt) ctx.hooks.prompt(aux_line_mode_prompt(aux_mode_two_points));
            return 1;
        }
    }
    uint32_t anchor = tool.anchored ? point.number() : 0;
    Point2 b = at;
    if (tool.mode == aux_mode_horizontal) b.x += 1;
    else if (tool.mode == aux_mode_vertical) b.y += 1;
    RecordRef ref = aux_line_add(ctx, tool.mode, tool.anchored, at, b, anchor, anchor);
    if (!ref || error_flag) return 0;
    if (tool.mode == aux_mode_two_points) {
        tool.pending = ref;
        tool.pending_projection = here;
        tool.pending_first = at;
        if (ctx.hooks.prompt) ctx.hooks.prompt("*вторую точку");
    } else if (ctx.hooks.prompt) {
        ctx.hooks.prompt(aux_line_mode_prompt(tool.mode));
    }
    return 1;
}

int aux_lines_delete_near(PointContext& ctx, Point2 p) {
    RecordRef* head = projection_chain(ctx.projection, projection_construction);
    PageBuffer* b = construction_buffer();
    int n = 0;
    for (unsigned char* r = record_next(ctx.df, head, nullptr, b); r && !error_flag;) {
        bool line = get_u16(r, record_length) >= aux_line_record_size && r[record_kind] == construction_kind_aux_line;
        Segment s = {{get_f64(r, aux_line_x1), get_f64(r, aux_line_y1)}, {get_f64(r, aux_line_x2), get_f64(r, aux_line_y2)}};
        bool near = false;
        if (line) {
            if (s.start.x == s.end.x && s.start.y == s.end.y)
                near = point_distance(s.start, p) * ctx.view.scale.x < ctx.mark_half_x;
            else
                near = point_line_distance(&s, p) * ctx.view.scale.x < ctx.mark_half_x;
        }
        if (near) {
            r = record_delete_and_next(ctx.df, head, r, b);
            ++n;
        } else {
            r = record_next(ctx.df, head, r, b);
        }
    }
    return n;
}
