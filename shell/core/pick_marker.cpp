// Pick marker: the single marker's state and its pixel tests.
#include "shell/core/pick_marker.h"

namespace {
uint32_t no_pixel(ProjectionWindow*, int, int) { return 0xFFFFFFFFu; }
void no_set(ProjectionWindow*, int, int, uint32_t) {}
void no_invalidate(ProjectionWindow*, int, int, int, int) {}
int not_drawable(ProjectionWindow*, int, int) { return 0; }
void no_size(ProjectionWindow*, int* width, int* height) {
    *width = 0;
    *height = 0;
}
int no_stage() { return 0; }

// Within 3 pixels of an edge nothing is placed.
bool inside(ProjectionWindow* w, int x, int y) {
    int width = 0, height = 0;
    pick_marker_device.client_size(w, &width, &height);
    return x >= 3 && y >= 3 && x < width - 3 && y < height - 3;
}
}  // namespace

const PickMarkerDevice pick_marker_device_unbound = {no_pixel, no_set, no_invalidate, not_drawable, no_size,
                                                     no_stage};
PickMarkerDevice pick_marker_device = pick_marker_device_unbound;
PickMarker pick_marker = {};

void pick_marker_reset() {
    pick_marker.band_armed = 0;
    pick_marker.band_projection = 0;
    pick_marker.placed = 0;
    pick_marker.visible = 0;
    pick_marker.drawn = 0;
}

void pick_marker_record_click(ProjectionWindow* w, int x, int y) {
    pick_marker_reset();
    if (x == 0 || y == 0) return;
    pick_marker.x = x;
    pick_marker.y = y;
    pick_marker.saved_valid = 0;
    if (!inside(w, x, y)) return;
    pick_marker.band_armed = 1;
    pick_marker.band_projection = 0;
    pick_marker.band_start[0] = x;
    pick_marker.band_start[1] = y;
    pick_marker.placed = 1;
    pick_marker.visible = 1;
    pick_marker.owner = w;
}

void pick_marker_move(ProjectionWindow* w, int x, int y) {
    // The old marker goes: put back when a paint drew it, else just forgotten.
    if (pick_marker.placed && !pick_marker_erase()) {
        pick_marker.placed = 0;
        pick_marker.visible = 0;
    }
    if (x == 0 || y == 0) return;
    pick_marker.x = x;
    pick_marker.y = y;
    if (!inside(w, x, y)) return;
    pick_marker.placed = 1;
    pick_marker.visible = 1;
    pick_marker.drawn = 0;
    pick_marker.owner = w;
    for (int i = 0; i < 9; ++i)
        pick_marker.saved[i] = pick_marker_device.get_pixel(w, x - 1 + i % 3, y - 1 + i / 3);
    pick_marker.saved_valid = 1;
    pick_marker_device.invalidate(w, x - 20, y - 20, x + 20, y + 20);
}

static void paint_square(ProjectionWindow* w) {
    for (int i = 0; i < 9; ++i)
        pick_marker_device.set_pixel(w, pick_marker.x - 1 + i % 3, pick_marker.y - 1 + i / 3, pick_marker_colour);
    pick_marker.colour_read = pick_marker_device.get_pixel(w, pick_marker.x, pick_marker.y);
}

int pick_marker_draw(ProjectionWindow* w) {
    pick_marker.drawn = 0;
    if (!pick_marker.placed || pick_marker.owner != w) return 1;
    // A square the paint cannot draw whole would read back pixels the paint
    // does not own: keep the marker for a paint that covers it.
    if (!pick_marker_device.square_drawable(w, pick_marker.x, pick_marker.y)) return 1;
    paint_square(w);
    pick_marker.drawn = 1;
    return 0;
}

int pick_marker_damaged(ProjectionWindow* w, int stage) {
    if (!pick_marker.placed || !pick_marker.visible || !pick_marker.drawn || pick_marker.owner != w) return 0;
    if (stage != pick_marker_device.current_stage()) return 0;
    for (int i = 0; i < 9; ++i) {
        uint32_t c = pick_marker_device.get_pixel(w, pick_marker.x - 1 + i % 3, pick_marker.y - 1 + i / 3);
        if (c != pick_marker.colour_read) return 1;
    }
    return 0;
}

int pick_marker_erase() {
    if (!pick_marker.placed || !pick_marker.drawn) return 0;
    ProjectionWindow* w = pick_marker.owner;
    pick_marker.placed = 0;
    pick_marker.visible = 0;
    pick_marker.drawn = 0;
    if (pick_marker.saved_valid)
        for (int i = 0; i < 9; ++i)
            pick_marker_device.set_pixel(w, pick_marker.x - 1 + i % 3, pick_marker.y - 1 + i / 3,
                                         pick_marker.saved[i]);
    pick_marker_device.invalidate(w, pick_marker.x - 1, pick_marker.y - 1, pick_marker.x + 2, pick_marker.y + 2);
    return 1;
}

int pick_marker_redraw(ProjectionWindow* w) {
    if (!pick_marker.placed || !pick_marker.drawn || pick_marker.owner != w) return 0;
    paint_square(w);
    return 1;
}

void pick_marker_hide() {
    if (pick_marker.placed) pick_marker.visible = 0;
}

void pick_marker_show() {
    if (pick_marker.placed) pick_marker.visible = 1;
}

int pick_marker_position(int* x, int* y) {
    if (!pick_marker.placed) return 0;
    *x = pick_marker.x;
    *y = pick_marker.y;
    return 1;
}

void pick_marker_last_click(int* x, int* y) {
    *x = pick_marker.x;
    *y = pick_marker.y;
}

void pick_marker_forget_window(ProjectionWindow* w) {
    if (pick_marker.owner != w) return;
    pick_marker_reset();
    pick_marker.owner = nullptr;
}
