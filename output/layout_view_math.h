// The arithmetic of the layout windows: scrolling the sheet, zooming with
// the wheel, fitting the sheet into the window and the thumbnails of the
// sheet list.  Kept apart from the windows so that it can be checked alone.
#pragma once

// Scroll requests, numbered as the system's scroll-bar codes.
enum : int {
    layout_scroll_line_up = 0,
    layout_scroll_line_down = 1,
    layout_scroll_page_up = 2,
    layout_scroll_page_down = 3,
    layout_scroll_thumb_track = 5
};

// Moves the scroll position (0..range) by a request: a line moves it by 1,
// a page by page_step, a thumb drag to thumb; other requests leave it.
// Returns the view origin for the position: minimum + position x (extent -
// page) / range, never below minimum; with a range of 0 (the sheet fits)
// the minimum.
double layout_scroll_apply(int* position, int range, int request, int thumb, int page_step, double minimum,
                           double extent, double page);

// The zoom factor of a wheel turn: 1 - delta / 480, the delta held within
// +-360 (so the factor stays within 0.25..1.75).
double layout_wheel_factor(int delta);
// A panel scale after zooming, held at most 100000.
double layout_zoom_limit(double scale);
enum : int { layout_zoom_max = 100000 };

// The panel scale that shows a sheet of sheet_w x sheet_h mm whole in a
// client of client_w x client_h pixels at base pixels per mm; 0 when
// nothing can be shown.
double layout_fit_scale(double client_w, double client_h, double base_x, double base_y, double sheet_w,
                        double sheet_h);

// Thumbnails of the sheet list: as wide as the list's client, 0.7 of that
// high, stacked from the top.  The height of one, and the 1-based index
// under a point (y in client pixels, scroll the list's scroll offset in
// pixels) among count sheets, 0 when none.
int layout_thumbnail_height(int list_width);
int layout_thumbnail_at(int list_width, int y, int scroll, int count);
