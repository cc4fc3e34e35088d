// MGI: the program's own binary exchange file of a drawing's graphic content
// (projections, their graphic elements and contours, four title-block
// texts).  Little-endian, packed; coordinates are doubles unless a float is
// said.
//
// Header (no kind byte): "MGI " | u16 version 1 | u16 header length - 6 |
// u8 0 (anything else: not an MGI file) | u8 stage code - 4 | float sheet
// width | float sheet height (header floats 120, 124) | 4 x u16 offsets of the
// title-block texts 2, 1, 111, 131 from the header's start (0 absent) | 4 x u16
// their lengths | the texts from byte 34, without terminators.  At most 2044
// bytes in all.
//
// Records: u16 length (whole record) | u8 kind | ...
//   1 projection, 30 + name length: +3 view type, +4 float W, +8 float H,
//     +12 float (area origin x + min x) x scale, +16 float (sheet height -
//     area origin y - min y) x scale, +20 double drawing scale, +28 u16 name
//     length, +30 name (mode-3 text unpacked, at most 780 bytes);
//   2 element: +3 sub-kind, +4 line type, +5 1 for curve pieces, +6 u16
//     serial, +8 geometry: sub-kind 0 segment (40 bytes: start, end), 1 circle
//     (32: centre, radius), 2 and 3 arc (56: start, end, centre);
//   3 conventional symbol, 6 + 16 n: +3 low byte of n, +4 symbol code, points;
//   4 contour start, 36: +3 kind bits, box corners (x1, y2), (x2, y1);
//   5 contour end, 4;  6 end of file, 4.
// File coordinates: x_file = x - min_x, y_file = max_y - y with the float
// frame of the projection; reading puts y = H - y_file.
//
// Arc sense.  The model's y axis grows downward and its arcs (kind 3) run
// from start to end with decreasing angle.  The writer keeps that order and
// only flips y, so in file coordinates (y upward) sub-kind 2 runs from start
// to end with INCREASING angle about the centre, and sub-kind 3 with
// decreasing angle.  A reader that flips y back gets the model's sense.
#pragma once
#include <cstdint>
#include <cstdio>

struct DrawingFile;

enum : int {
    mgi_record_projection = 1,
    mgi_record_element = 2,
    mgi_record_symbol = 3,
    mgi_record_contour_start = 4,
    mgi_record_contour_end = 5,
    mgi_record_end = 6
};
enum : uint32_t { mgi_header_max = 2044, mgi_record_max = 32769 };

// Writes the current drawing df as MGI to f (opened "wb"); stage is the
// design stage code.  Returns 0, or -1 after its message ("$экспорта" for a
// failed write, "%о длинные строки в заголовке" when the title texts do not
// fit); error_flag is then set.  A failed export leaves the partial file.
int mgi_write(FILE* f, DrawingFile* df, int stage);

// Reads an MGI file (opened "rb") into the current drawing (a new one is made
// when none is open).  Ends with the prompt "Введено %lu элементов графики";
// every reading error shows its message and keeps what was stored.
// Returns the number of graphic elements taken, or -1 after an error.
long mgi_read(FILE* f);
