// The output view: its standing state and the window seams.
#include "render/output/output_view.h"

#include "geometry/extents.h"
#include "store/records.h"

OutputWindowSeams output_window_seams = {};

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
