// Pick marker: finding the drawn object under a click by pixels.
//
// A click records a 3x3-pixel marker in one projection window.  The next
// paint of that window first draws the nine pixels in the marker colour;
// every drawing walk then asks, after each object it drew, whether one of
// the nine pixels changed colour: the first object that did lies under the
// click.  After the walks the saved pixels are put back.  The marker also
// remembers where a rubber band starts.
//
// There is one marker in the program.  The window is opaque here: the
// pixels are reached through PickMarkerDevice, which the window code fills
// (the paint DC while painting, the window's own DC otherwise).
#pragma once
#include <cstdint>

struct ProjectionWindow;

// Pixel access of a window, filled by the window code.
struct PickMarkerDevice {
    // Colour (0x00BBGGRR) of a client pixel.
    uint32_t (*get_pixel)(ProjectionWindow* w, int x, int y);
    void (*set_pixel)(ProjectionWindow* w, int x, int y, uint32_t colour);
    // Invalidates the client rectangle [left, right) x [top, bottom).
    void (*invalidate)(ProjectionWindow* w, int left, int top, int right, int bottom);
    // Non-zero when the whole 3x3 square about (x, y) lies inside what the
    // current paint may draw (the update region), so that its pixels can be
    // set and read back truthfully.
    int (*square_drawable)(ProjectionWindow* w, int x, int y);
    void (*client_size)(ProjectionWindow* w, int* width, int* height);
    // The design stage the program is in.
    int (*current_stage)();
};
extern const PickMarkerDevice pick_marker_device_unbound;
extern PickMarkerDevice pick_marker_device;

// The marker colour, RGB(85, 255, 255).
enum : uint32_t { pick_marker_colour = 0x00FFFF55u };

struct PickMarker {
    int placed;
    int visible;
    ProjectionWindow* owner;
    int32_t x, y;
    uint32_t saved[9];
    int saved_valid;        // the nine pixels were read from the window
    int drawn;              // drawn by the paint in progress
    uint32_t colour_read;   // what the device gave back at the centre
    int band_armed;
    uint32_t band_projection;
    int32_t band_start[2];
};
extern PickMarker pick_marker;

// Forgets any marker and records the click; places the marker (and arms the
// rubber band) when the click lies 3 pixels or more inside the client on
// every side.  Clicks at x = 0 or y = 0 are ignored.
void pick_marker_record_click(ProjectionWindow* w, int x, int y);
// Erases a placed marker, then places it at (x, y) unless that lies within
// 3 pixels of the client's edge: saves the nine pixels and invalidates the
// 40 x 40 square about it.
void pick_marker_move(ProjectionWindow* w, int x, int y);
// Draws the marker at the start of w's paint.  0 when drawn; 1 when there is
// none for w, or when it cannot be drawn whole in this paint (it is then
// kept for a later one).
int pick_marker_draw(ProjectionWindow* w);
// 1 when the marker drawn in w at this stage no longer shows its colour in
// one of its nine pixels (an object has been drawn over it).
int pick_marker_damaged(ProjectionWindow* w, int stage);
// Ends the marker of a paint: puts the saved pixels back (when they were
// saved), invalidates the 3 x 3 square and forgets the marker.  0 (nothing
// done) without a marker or when it was not drawn in this paint.
int pick_marker_erase();
// Draws the nine pixels of w's marker again during the paint in progress, so
// that what was drawn over it since (an object not to be picked) does not
// count; 1 when done, 0 when w has no drawn marker.
int pick_marker_redraw(ProjectionWindow* w);
void pick_marker_hide();
void pick_marker_show();
// Forgets the marker and the band without touching the screen.
void pick_marker_reset();
// 1 and the centre when placed, else 0.
int pick_marker_position(int* x, int* y);
// The last recorded position, placed or not.
void pick_marker_last_click(int* x, int* y);
// Forgets the marker when it belongs to w (a window that goes away).
void pick_marker_forget_window(ProjectionWindow* w);
