// Pens of dimension and annotation line work.
#include "render/output/dimension_pens.h"

#include "render/output/text_output.h"
#include "store/settings_block.h"

PenDesc dimension_pen(const OutputView* view, double width_mm, uint32_t colour) {
    PenDesc pen = create_text_pen(view, width_mm);
    pen.colour = colour;
    return pen;
}

uint32_t dimension_line_colour() {
    return settings_u32(settings_line_colour_offset);
}

PenScope select_dimension_pen(OutputView* view, double width_mm) {
    return canvas_select_pen(&view->canvas, dimension_pen(view, width_mm, dimension_line_colour()));
}
