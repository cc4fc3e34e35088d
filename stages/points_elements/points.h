// Reference points: the point record, the hit test with its tie rules,
// snapping to the grid and to the auxiliary lines, the lines that follow
// their anchor points, re-pointing dependent records when two points merge,
// creating, dropping (the end of a drag) and deleting points, and the
// coordinate transformation onto the grid.
//
// Every operation works on a projection record held by the caller (a copy
// whose chain heads the caller writes back) through a PointContext; points
// are read and written as 48-byte copies, so that no record pointer is held
// across a step that may load another page.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "geometry/geom_types.h"
#include "geometry/transforms.h"
#include "store/drawing_file.h"
#include "store/record_layouts.h"

// What the point operations need of the program around them; every member
// may be empty (nothing is asked, bound, checkpointed or rebuilt).
struct PointHooks {
    // A confirmation question by its code (8 merge, 10 dimension links,
    // 11 elements); true for Yes.  Empty: Yes.
    std::function<bool(int code)> ask;
    std::function<void(const char* text)> message;
    std::function<void(const char* text)> prompt;
    // A numbered automatic checkpoint before a change (point number).
    std::function<void(uint32_t point)> checkpoint;
    // Binds a point to an anchored auxiliary line (the line's dimension).
    std::function<void(unsigned char* projection, uint32_t line_key, uint32_t point)> bind_to_aux_line;
    // Re-checks a dimension after one of its links went.
    std::function<void(unsigned char* projection, uint32_t dimension)> recheck_dimension;
    // Rebuilds the projection's elements after a point moved (number; 0:
    // any number of points moved).
    std::function<void(unsigned char* projection, uint32_t point)> rebuild;
};

struct PointContext {
    DrawingFile* df = nullptr;
    unsigned char* projection = nullptr;
    ViewTransform view{};
    int stage = 1;
    // The window shows the sketch (true positions only from stage 4 on,
    // and not even then when the sketch is shown).
    bool shows_sketch = false;
    // The point last described in the panel: it wins ties of the hit test.
    uint32_t current_point = 0;
    // Half size of a point's mark in pixels.
    int mark_half_x = 3;
    int mark_half_y = 3;
    PointHooks hooks;
};

// A 48-byte point record.
struct PointCopy {
    unsigned char bytes[point_record_size];
    uint32_t number() const { return get_u32(bytes, point_number); }
    uint16_t flags() const { return get_u16(bytes, point_flags); }
    uint16_t flags2() const { return get_u16(bytes, point_flags2); }
    Point2 sketch() const { return {get_f64(bytes, point_sketch_x), get_f64(bytes, point_sketch_y)}; }
    Point2 true_position() const { return {get_f64(bytes, point_true_x), get_f64(bytes, point_true_y)}; }
    void set_flags(uint16_t f) { put_u16(bytes, point_flags, f); }
    void set_flags2(uint16_t f) { put_u16(bytes, point_flags2, f); }
    void set_sketch(Point2 p) {
        put_f64(bytes, point_sketch_x, p.x);
        put_f64(bytes, point_sketch_y, p.y);
    }
    void set_true(Point2 p) {
        put_f64(bytes, point_true_x, p.x);
        put_f64(bytes, point_true_y, p.y);
    }
    uint16_t mark() const { return flags() & point_flag_marks; }
};

// Zeroes out, sets length 48, the number and both positions to xy.
void ref_point_init(unsigned char* out, uint32_t number, const double xy[2]);

// The projection's points in chain order (damaged lengths skipped).
std::vector<PointCopy> points_of_projection(DrawingFile* df, unsigned char* projection);
// The point with this number; false when the projection has none.
bool point_read(DrawingFile* df, unsigned char* projection, uint32_t number, PointCopy* out);
// Writes p over the stored point of the same number; false when it is gone.
bool point_write(DrawingFile* df, unsigned char* projection, const PointCopy& p);

// The position a point is compared and drawn at: the sketch position in
// stages 1 to 3 or when the window shows the sketch, else the true one.
Point2 ref_point_position(const PointContext& ctx, const PointCopy& p);

// The nearest eligible point to pixel (x, y) of the window (converted with
// the window's transform, the same one painting uses), within max_pixels
// (negative: any distance); the tie rules prefer the priority point, then
// the current point, then a movable one, then one used by an element.
// Returns its RecordRef and copies it to *out (may be null), or 0.
RecordRef ref_point_hit_test(const PointContext& ctx, int x, int y, int max_pixels, PointCopy* out);

// The next graphic element after *cursor (0 from the head) that lists point
// number: generated records (flags 0x3000) and kinds 0, 7, 13-15 skipped.
// Sets *index (may be null) to the point's place in the element's list.
unsigned char* element_next_using_point(DrawingFile* df, unsigned char* projection, uint32_t number,
                                        RecordRef* cursor, int* index);

// Grid snapping of one point: each axis with a step other than 0 rounds
// half away from zero to a multiple of the step; a projection without
// automatic construction copies the sketch to the true position.
void ref_point_snap_to_grid(DrawingFile* df, const unsigned char* projection, PointCopy* p);

// Snaps p to the auxiliary lines nearer than the mark half width (pixels);
// with bind the anchored lines bind the point and the anchored lines follow
// it.  Returns how many lines it snapped to.
int ref_point_snap_to_aux_lines(PointContext& ctx, PointCopy* p, bool bind);

// Moves the auxiliary lines anchored on p (every line naming it with all).
void aux_lines_follow_point(PointContext& ctx, const PointCopy& p, bool all);

// Re-points every element, dimension end and dimension link of the
// projection from old_number to new_number.  Returns the records changed.
int point_references_replace(PointContext& ctx, uint32_t old_number, uint32_t new_number);

// Deletes every dimension link of the point (each dimension re-checked) and
// clears its dimensioning state.  Returns the links deleted.
int ref_point_drop_dimension_links(PointContext& ctx, uint32_t number);
// Whether a dimension link uses the point.
bool point_has_dimension_links(DrawingFile* df, unsigned char* projection, uint32_t number);

// Creates a point at pixel (x, y).  With control (the control tools of the
// reference-point stage) it becomes a control point while fewer than two
// exist and is not snapped; otherwise a click within the mark half size of
// an existing point is refused (0) and the point snaps to the grid and the
// auxiliary lines.  Returns the new record's reference, 0 when refused or
// on a failure; *number gets the new number.
RecordRef ref_point_create(PointContext& ctx, int x, int y, bool control, uint32_t* number);

// A click of the image or dimension stage with Ctrl held: the point the hit
// test finds under pixel (x, y) within max_pixels, else a new point made
// there as ref_point_create makes an ordinary one.  Copies it to *out and
// sets *created; returns its reference, 0 when neither (a new point refused
// or a failure).
RecordRef ref_point_take_or_create(PointContext& ctx, int x, int y, int max_pixels, PointCopy* out, bool* created);

// The end of a drag of point `number` that started at `start` (sketch):
// grid and auxiliary-line snapping, then every other point on the same
// pixel is merged into it after question 8 (one question for the drop);
// with ctrl every other point moves by the same delta instead (and, without
// automatic construction, the stored straight lines and curves).  Dimension
// links are dropped before the snapping (so a binding made by an anchored
// line stays), unless ctrl.  Returns the points merged, -1 when the point
// is gone or the store failed.
struct DropOptions {
    bool ctrl = false;
    bool grid = true;         // grid snapping (not for a point placed at a distance)
    bool drop_links = true;   // drop the dimension links (not for a point placed at a distance)
};
int ref_point_drop(PointContext& ctx, uint32_t number, Point2 start, const DropOptions& options);

// Deletes the point: its dimension links after question 10 (No keeps
// everything), the elements using it after question 11 (No keeps the point
// too), anchored auxiliary lines lose their anchors, the control-point
// count goes down for a control point, the number returns to the pool.
// Returns 1 deleted, 0 kept, -1 on a failure.
int ref_point_delete(PointContext& ctx, uint32_t number);

// Every point of the projection snapped to the grid (control points
// excepted); returns how many moved.
int projection_snap_points_to_grid(PointContext& ctx);
