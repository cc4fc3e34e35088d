// Binding of the output code into the hatch-line drawers.
#include "render/output/output_binding.h"

#include "render/contours/hatch_generation.h"
#include "render/output/element_drawing.h"
#include "render/output/leader_marks.h"
#include "render/output/roughness_sign.h"

namespace {

int hatch_segment(const uint8_t* element) {
    return draw_segment_element(hatch_output_view, element);
}

int hatch_circle(const uint8_t* element) {
    return draw_circle_element(hatch_output_view, element);
}

int hatch_arc(const uint8_t* element) {
    return draw_arc_element(hatch_output_view, element);
}

}  // namespace

void render_output_bind() {
    hatch_line_drawers = HatchLineDrawers{hatch_segment, hatch_circle, hatch_arc};
    leader_marks_bind();
    roughness_sign_binding();
}

int draw_view_hatch_lines(OutputView* view, const ContourWindow* window) {
    OutputView* before = hatch_output_view;
    hatch_output_view = view;
    int result = draw_hatch_lines(window);
    hatch_output_view = before;
    return result;
}
