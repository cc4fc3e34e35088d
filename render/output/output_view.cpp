// The output view: its standing state and the window seams.
#include "render/output/output_view.h"

#include "geometry/extents.h"
#include "store/records.h"

// Until the window code binds them: no pick marker, no point tool, no
// active projection, panels that show nothing, no image-stage input.
namespace {
int not_damaged(OutputView*, int, const uint8_t*) { return 0; }
void no_position(OutputView*, Point2*) {}
void nothing_in_view(OutputView*) {}
int not_consumed(OutputView*, uint8_t*) { return 0; }
uint32_t no_projection() { return 0; }
void no_prompt(const char*) {}
void no_number(unsigned) {}
void no_combo(OutputView*, int) {}
int none() { return 0; }
void nothing() {}
void no_designation(OutputView*, Point2) {}
void no_counter(int) {}
void nothing_to_element(uint8_t*, uint8_t*) {}
}  // namespace

const OutputWindowSeams output_window_seams_unbound = {
    not_damaged, no_position, nothing_in_view, not_consumed, no_projection,
    no_prompt, no_number, no_combo, none, nothing, no_designation, no_counter,
    none, nothing_to_element, nothing_to_element, nothing_to_element, nothing_to_element,
    nothing_to_element, nothing_to_element,
};
OutputWindowSeams output_window_seams = output_window_seams_unbound;

int output_current_stage() {
    int stage = kernel_current_stage ? kernel_current_stage() : 0;
    return stage > 0 ? stage : 1;
}

void output_view_init(OutputView* view, int device) {
    if (!view) return;
    *view = OutputView{};
    view->canvas.ops = nullptr;
    view->canvas.dc = nullptr;
    view->canvas.pen = PenDesc{pen_solid, 1, 0};
    view->transform.view_offset = PointF{0.0f, 0.0f};
    view->transform.scroll_shift = PointF{0.0f, 0.0f};
    view->transform.scale = ViewScale{1.0, 1.0};
    view->device = device;
    view->stage = output_current_stage();
    view->projection = nullptr;
    view->projection_ref = 0;
    view->view_flags = 0;
    view->window_flags = 0;
    view->visible_layers = 3;
    for (uint32_t& c : view->layer_colours) c = 0;
    view->window = nullptr;
}

uint8_t* output_view_projection(OutputView* view) {
    if (!view) return nullptr;
    if (view->projection) return view->projection;
    if (!view->projection_ref) return nullptr;
    RecordRef ref = view->projection_ref;
    return record_fetch(&ref);
}
