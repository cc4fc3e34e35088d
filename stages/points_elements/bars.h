// Bars: strips of a given width laid along centre elements (lines, circles,
// arcs and curves of arc pieces).  The bar record in the projection's
// construction chain, the rebuilding of the outline elements (sides, caps,
// joints along a curve, pieces hidden inside other bars, corner points),
// and the creation, joining and deletion of bars from the marked elements.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "geometry/geom_types.h"
#include "store/drawing_file.h"
#include "store/record_layouts.h"

// BarRecord (construction kind 8): 72 bytes, 88 with corner points.
enum : uint32_t {
    bar_element = 2,         // u32 number of the centre element
    bar_number = 8,          // u16 bars of one number are built and joined together
    bar_serial = 10,         // u16 the projection's instance counter at creation
    bar_flags = 12,          // u16 bar_flag_*
    bar_width_variable = 14, // u16 model variable bound to the width (0 none)
    bar_width = 16,          // double, drawing length unit
    bar_slots = 24,          // 6 x {u32 element number, u16 level, u16 type word}
    bar_slot_size = 8,
    bar_corners = 72,        // 4 x u32 corner point numbers (88-byte form)
    bar_record_size = 72,
    bar_record_size_corners = 88
};
enum : uint16_t {
    bar_flag_line_type = 0x000F,
    bar_flag_built = 0x0010,           // transient; also "selected for joining" in the dialog
    bar_flag_corners_start = 0x0020,
    bar_flag_corners_end = 0x0040,
    bar_flag_lengthen_start = 0x0080,
    bar_flag_lengthen_end = 0x0100,
    bar_flag_has_element = 0x0200
};
// The type word of a slot.
enum : uint16_t { bar_slot_line_type = 0x000F, bar_slot_route = 0x0010 };
// The instance counter of the projection (u16; 65535 means used up).
enum : uint32_t { projection_instance_counter = 104 };

// Side codes of a piece from P1 to P2 with left normal n and half width h:
// 0 start cap P1 -> P1 + hn, 1 side P1 + hn -> P2 + hn, 2 end cap
// P2 + hn -> P2, 3 end cap P2 -> P2 - hn, 4 side P2 - hn -> P1 - hn,
// 5 start cap P1 - hn -> P1.  A circle gives side 1 (r - h) and 4 (r + h).
// Corner slots: 0 P1 + hn, 1 P1 - hn, 2 P2 + hn, 3 P2 - hn.

struct BarHooks {
    // Automatic checkpoint; returns the projection record to use afterwards
    // (a checkpoint reopens the file), null to give up.
    std::function<unsigned char*(unsigned char* projection)> checkpoint;
    // A message for the user (default show_program_message).
    std::function<void(const char* text)> message;
};

// Deletes the projection's bar outlines and builds them again from every
// bar; a bar whose centre element is gone is deleted.  Returns the number
// of outline records stored, -1 on a store failure (error_flag set).
// `pictures` (may be null) receives the numbers of the four-point symbols
// whose points moved with a corner point: their bent pictures must be
// prepared again.
int rebuild_bars(DrawingFile* df, unsigned char* projection, std::vector<uint32_t>* pictures = nullptr);

// Creates or moves the generated corner point of slot (0..3) of the bar
// record at *bar (88-byte form; the slot's number is written back); the
// elements on a moved point follow it.  Returns the point number, 0 on a
// failure.  `pictures` as for rebuild_bars.
uint32_t bar_corner_point_set(DrawingFile* df, unsigned char* projection, RecordRef bar, int slot, Point2 at,
                              std::vector<uint32_t>* pictures = nullptr);

// The smallest bar number from 1 that no bar of the projection uses; 0 when
// all up to 65534 are taken.
uint16_t next_free_bar_number(DrawingFile* df, unsigned char* projection);

// Whether one of the element's points (every vertex of a curve) has point
// flag bit 5 (no dimension: a fixed point).
bool element_uses_fixed_point(DrawingFile* df, unsigned char* projection, const unsigned char* element);

// What the marked elements make of the bar dialog.
struct BarDialogView {
    bool create = false;       // a marked element is neither bar centre nor outline
    bool information = false;  // a marked bar outline: only its width is shown
    bool width_known = false;
    double width = 0;          // width of the first marked bar (centre or outline)
    uint16_t width_variable = 0;
};
BarDialogView bar_dialog_examine(DrawingFile* df, unsigned char* projection);

// The choices of the bar dialog.
struct BarSettings {
    uint16_t flags = bar_flag_corners_start | bar_flag_corners_end | 1;  // line type 1
    uint16_t width_variable = 0;
    double width = 0;
};

// "Да" of the bar dialog: bars whose centre element is marked are joined
// under one new number N, every marked element that can carry a bar (kinds
// 1-5, no screening piece, outline or centre, no fixed point) gets a new bar
// of number N, the marks are cleared and the outlines rebuilt.  Returns the
// number of bars made (0 also when only joining happened), -1 when refused
// (message shown; no bar number or instance left).  *projection follows
// the checkpoint.
int bars_create_from_marked(DrawingFile* df, unsigned char** projection, const BarSettings& settings,
                            const BarHooks& hooks);

// Deletes the bar(s) whose centre element is `element`: their outline
// elements (numbers given back), their corner points unless a user element
// still uses one, the bar records; the element loses its centre bit.
// Returns the number of bars deleted.
int delete_bar_records(DrawingFile* df, unsigned char* projection, uint32_t element);

// "Удалить" of the bar dialog: every marked bar centre is unmarked and its
// bar deleted (after a checkpoint).  Returns the bars deleted.
int bars_delete_marked(DrawingFile* df, unsigned char** projection, const BarHooks& hooks);

// Deletes every bar of the projection; returns how many.
int bars_delete_all(DrawingFile* df, unsigned char* projection);

// Whether the projection has any bar.
bool projection_has_bars(DrawingFile* df, unsigned char* projection);

// The width field of the bar dialog: the text before a "{" (a bound
// variable's reference; without one the binding is dropped: *keeps_variable
// false), trimmed, taken as an absolute number (a decimal comma accepted).
// Returns 1 with *width set, 0 for a blank text (nothing changes), -1 when
// it is no number or zero.
int bar_width_parse(const char* text, double* width, bool* keeps_variable);
