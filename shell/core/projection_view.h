// View arithmetic of the projection windows: the sketch's factor, base scale
// and display size, the scroll ranges and offsets of one axis, the zoom
// factor with its bounds, fitting a projection into its window, the two
// window placements, the numbering of projections, the default view angles
// and the perspective eye.  Portable: the Win32 window code feeds it the
// client sizes and applies the results.
//
// One axis of a window: `origin` is the world coordinate where the
// scrollable area starts, `area` its length, `offset` the world coordinate
// shown at the client's left (top) edge, `scale` pixels per world unit and
// `client` the client length in pixels.  The visible length is client /
// scale; a valid offset lies in [origin, origin + area - visible], or is the
// origin when everything is visible.
#pragma once
#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------- sketch
// World units per sketch pixel: control distance on the sketch / true
// distance; 1.0 without a sketch or when either value is 0 (tolerant).
double sketch_factor(double on_sketch, double true_distance, int no_sketch);
// Screen pixels per millimetre over the sketch's pixels per millimetre
// (pixels per metre x 0.001); half the screen value without a sketch or a
// resolution.
double sketch_base_scale(double screen_ppmm, int32_t pixels_per_metre, int no_sketch);
// The area length raised to |origin| + sketch size when it is smaller.
float sketch_area_widen(float origin, float area, float sketch_size);
// c + trunc((255 - c) x 2/3).
int sketch_lighten_channel(uint8_t c);
// Shrinks a w x h bitmap by 0.95 per step (sides truncated) while
// can_create(ctx, w, h) fails and a side exceeds 99 pixels.  Returns 1 with
// the size that could be created, 0 when none could.  The sketch keeps its
// world size: callers take the world size from the original image, so the
// points placed on it do not drift with the reduction.
int sketch_reduce(int32_t* w, int32_t* h, int (*can_create)(void* ctx, int32_t w, int32_t h), void* ctx);
// Rotation of a 24-bit bottom-up or top-down pixel buffer by -angle about
// its centre, mapped from each destination pixel back to its source (so
// every destination pixel gets a value: no holes); destination pixels whose
// source falls outside are the background colour (r, g, b).  stride is the
// row length in bytes of both buffers.  Lightening (lighten non-zero) is
// applied to every source pixel taken.
void sketch_rotate_pixels(const uint8_t* src, uint8_t* dst, int32_t w, int32_t h, size_t stride,
                          double angle, int lighten, uint8_t bg_r, uint8_t bg_g, uint8_t bg_b);

// ---------------------------------------------------------------- axes
struct ViewAxis {
    double origin, area, offset, scale, client;
};
struct ScrollBarState {
    int range;  // 0: bar hidden
    int thumb;
};
double view_axis_visible(const ViewAxis* a);
// Clamps the offset into [origin, origin + area - visible] (the origin when
// everything is visible) and gives the scroll bar of the axis.
ScrollBarState view_axis_clamp(ViewAxis* a);
// The thumb position of the current offset over a range of client pixels;
// 0 when everything is visible.
int view_axis_thumb(const ViewAxis* a);
// One pan step: the offset moves by the world length of delta_px pixels
// (dragging right shows what lies left), then is clamped.
ScrollBarState view_axis_pan(ViewAxis* a, int delta_px);
// Scroll-bar and key requests.
enum ScrollRequest {
    scroll_line_up = 0,
    scroll_line_down = 1,
    scroll_page_up = 2,
    scroll_page_down = 3,
    scroll_thumb = 5
};
// A line is a tenth of the visible length, a page the visible length; the
// thumb position (0..client) maps linearly onto the offsets.  Clamped.
ScrollBarState view_axis_scroll(ViewAxis* a, int request, int thumb_position);
// After a scroll or pan from old_offset: moves a->offset to the nearest
// offset that lies a whole number of client pixels from old_offset and still
// inside [origin, origin + area - visible], so that the pixels still shown
// can be moved instead of drawn again.  *pixels: how far the content moves
// on the screen (positive: right or down).  Returns 1 with 0 pixels when
// the offset did not change; 0, leaving the offset, when the move is less
// than a pixel, not smaller than the client, or has no such offset.
int view_axis_snap(ViewAxis* a, double old_offset, int* pixels);

// ---------------------------------------------------------------- zoom
constexpr double zoom_minimum = 0.001;
constexpr double zoom_maximum = 100000.0;
// A zoom of 0 (tolerant) or one that is not a number becomes 1.0; others are
// kept within [zoom_minimum, zoom_maximum].  Every path that sets the panel
// scale (typed value, buttons, wheel, fit) goes through it.
double zoom_clamp(double z);
// One wheel turn: delta capped at +360, zoom x (1 - delta / 480), clamped.
double wheel_zoom(double zoom, int delta);
// The offset that keeps the world point under pixel px when the scale goes
// from old_scale to new_scale.
double zoom_keep_offset(double offset, double old_scale, double new_scale, double px);
// Fit of one axis: client / base / length for a positive length, else 1.0.
double fit_axis_factor(double client, double base, double length);
// The offset of a fit: the start of the frame, or the area origin when the
// frame is empty (length not positive).
double fit_axis_offset(double frame_min, double frame_max, double origin);

// ---------------------------------------------------------------- placement
struct Placement {
    int32_t x, y, w, h;
};
struct PlacementState {
    int second;           // the window stands in its second placement
    int was_minimised;    // it was minimised when moved there
    Placement normal;     // saved when leaving the normal placement
    Placement alternate;  // w == 0: not set yet
};
// One toggle: current is the window's rectangle relative to the MDI client,
// minimised its state, client_w x client_h the MDI client.  Returns the
// rectangle to move to; *minimise tells whether to minimise afterwards.
Placement placement_toggle(PlacementState* s, Placement current, int minimised, int client_w, int client_h,
                           int* minimise);

// ---------------------------------------------------------------- numbering
// The smallest number from 1 that no open window uses (open: count numbers);
// when it is not below *counter the counter grows by one and its new value
// is the result.
uint32_t projection_number_next_of(const uint32_t* open, size_t count, uint32_t* counter);
// Default first and second view angles by view type.
void view_default_angles(int type, double* first, double* second);
// The eye of a perspective record (60 bytes): offsets and distance from its
// distance and turns; returns k = 50 / tan(pi/3).
double perspective_update(uint8_t* record);
