// Sketch replacement: points take their true positions as their sketch.
#include "shell/core/sketch_replacement.h"

#include "base/byte_order.h"
#include "stages/points_elements/points.h"
#include "store/record_layouts.h"

int projection_sketch_from_true_images(DrawingFile* df, uint8_t* projection) {
    if (!df || !projection) return 0;
    PointContext ctx;
    ctx.df = df;
    ctx.projection = projection;
    int moved = 0;
    for (PointCopy p : points_of_projection(df, projection)) {
        Point2 t = p.true_position(), s = p.sketch();
        if (t.x == s.x && t.y == s.y) continue;
        p.set_sketch(t);
        if (!point_write(df, projection, p)) continue;
        aux_lines_follow_point(ctx, p, false);
        ++moved;
    }
    put_u16(projection, projection_flags,
            static_cast<uint16_t>(get_u16(projection, projection_flags) | projection_word_bit12));
    return moved;
}
