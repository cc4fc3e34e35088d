// Sketches shared between projection windows: windows that show the same
// sketch file (same page, turn and lightening) use one rendered bitmap and
// its memory DC, so the file is decoded and rendered once however many
// windows show it.  Each window holds one reference; the bitmap and the DC
// go with the last one.
#pragma once
#include <windows.h>

#include <cstdint>

struct SketchShare {
    HDC dc;
    HBITMAP bitmap;
    int32_t bitmap_size[2];  // the rendered (possibly reduced) bitmap
    int32_t image_size[2];   // the decoded image's pixels
    int32_t resolution[2];   // the image's pixels per metre
};

// Takes a new reference of the share of the sketch file at path as it is
// now on disk (its size and time of last change are part of the key) and
// copies it to *out; false when no window shows that sketch.
bool sketch_share_take(const char* path, int page, double angle, bool lighten, SketchShare* out);
// Records the rendered sketch of one window as a share with one reference
// (the caller's).  Nothing happens when the file cannot be examined; the
// window then keeps its own bitmap.
void sketch_share_add(const char* path, int page, double angle, bool lighten, const SketchShare& rendered);
// Gives up a window's sketch: a shared one loses a reference and goes with
// the last; one not shared is deleted at once.
void sketch_release(HDC dc, HBITMAP bitmap);
// The number of references of the share holding dc (0: not shared).
int sketch_share_references(HDC dc);
