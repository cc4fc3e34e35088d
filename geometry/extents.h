// Extents and lengths: bounding boxes of elements, annotation and contours,
// lengths of elements and curves, and the frame of a projection.
//
// Routines that walk a projection's chains run inside the caller's document
// lock, except elements_total_length, which takes it itself.
#pragma once
#include "geometry/geom_types.h"
#include "geometry/tolerance.h"

#include <cstddef>
#include <cstdint>

bool box_is_empty(const Box* b);
void box_union(Box* a, const Box* b);
void box_normalize(Box* out, double x1, double y1, double x2, double y2);
void box_of_circle(Box* out, const CircleGeom* c);
// arc: three points (ArcByCentre for kind 3, ArcByPoints layout for kind 4).
void box_of_segment_or_arc(Box* out, const ArcByCentre* arc, int kind);
int16_t box_of_curve_pieces(Box* out, const CurveVertex* v, int count);
// Widens every side by m.
void box_widen(Box* b, double m);

// ---------------------------------------------------------------- elements
// Element records: kind in bits 0-3 of the flags at 10; segment and circle
// geometry at 22, arcs (kinds 3, 4) at 26, curves (kind 5) count at 14 and
// vertices from 16.
void box_add_segment_element(Box* box, const uint8_t* element);
void box_add_circle_element(Box* box, const uint8_t* element);
void box_add_arc_element(Box* box, const uint8_t* element);
void box_add_curve_element(Box* box, const uint8_t* element);
// Through the symbol measurer; nothing when the projection has no open window.
void box_add_symbol_element(uint8_t* projection, Box* box, const uint8_t* element);
// By the element's kind: segments, circles, arcs, curves and symbols give a
// box; every other kind (ellipses, wavy lines and Bezier splines count
// through their curve images) gives none.  Returns 1 when a box was added.
int box_add_element(uint8_t* projection, Box* box, const uint8_t* element);
// Every reference point not flagged 0x20, computed or entered position; a
// box of zero width or height then starts at 0 on that axis.
void box_add_projection_points(uint8_t* projection, Box* box, int computed);

// kind 1..4 with the geometry's first Point2; other kinds 0.
double element_length(int kind, const Point2* geometry);
double curve_length(const uint8_t* curve);
// Sum of the lengths of the projection's elements with that number (kinds
// 1..5, not generated).  Takes the document lock itself: never call it
// while painting.
double elements_total_length(uint8_t* projection, uint32_t number);

// ---------------------------------------------------------------- annotation
// Metrics of one or two text lines: rise above the anchor, height, width.
struct TextLineMetrics {
    double rise, height, width;
};
struct TextMetrics {
    TextLineMetrics line[2];
};

int box_of_rotated_text(Box* out, const TextMetrics* m, PointF anchor, PointF anchor2, const PointF leader[3],
                        int two_anchors, int no_leader, double angle);
void box_of_dimension_label(Box* out, const uint8_t* label, const TextMetrics* m);
void box_of_dimension_label_text(Box* out, const uint8_t* label, const TextMetrics* m);
void box_of_annotation_text(Box* out, const uint8_t* rec, const TextMetrics* m);
void box_of_leader_annotation(Box* out, const uint8_t* leader, const TextMetrics* m);
void box_of_two_point_annotation(Box* out, const uint8_t* rec);
void box_of_repeated_annotation(Box* out, const uint8_t* rec);

// ---------------------------------------------------------------- measurers
// Filled by the subsystems that draw symbols, leader marks and texts.  Each
// returns 1 with *out set, or 0 when it measures nothing.
struct KernelMeasurers {
    int (*symbol_box)(uint8_t* projection, const uint8_t* element, Box* out);
    int (*leader_marks_box)(const uint8_t* leader, const PointF corners[4], PointF anchor, Box* out);
    int (*dimension_label_metrics)(const uint8_t* label, TextMetrics* out);
    int (*annotation_text_metrics)(const uint8_t* rec, TextMetrics* out);
    int (*section_designation_bounds)(const uint8_t* rec, Box* out);
    int (*roughness_sign_bounds)(const uint8_t* rec, Box* out);
};
// Starts as kernel_measurers_unbound: every measurer measures nothing.
extern const KernelMeasurers kernel_measurers_unbound;
extern KernelMeasurers kernel_measurers;

// ---------------------------------------------------------------- projection frame
// What the kernel reads and writes of a projection's open window.
struct ProjectionFrameWindow {
    float sketch_width, sketch_height;  // 0 without a sketch
    Box frame_box;
    PointF area_origin, area_size, constructed_origin, first_corner;
};
// The open window of a projection, or null; and the current design stage.
extern ProjectionFrameWindow* (*kernel_projection_window)(const uint8_t* projection);
extern int (*kernel_current_stage)();

// ProjectionRecord fields.
constexpr size_t projection_area_origin_offset = 50;        // two floats
constexpr size_t projection_frame_offset = 58;              // two PointF corners
constexpr size_t projection_constructed_origin_offset = 82; // two floats
constexpr size_t projection_area_size_offset = 90;          // two floats
constexpr size_t projection_type_word_offset = 98;          // bits 0-3 type, bit 4 no sketch
constexpr size_t projection_options_offset = 100;           // bit 5: window frame box kept

void projection_store_frame(uint8_t* projection, const Box* b, int padded);
// Computes and stores the frame; returns 0, or -1 when the store failed
// during the walk (nothing stored).
int projection_compute_extents(uint8_t* projection, int computed);
void projection_extend_frame_to_element(uint8_t* projection, const uint8_t* element);
void projection_extend_frame_to_point(uint8_t* projection, const uint8_t* point);
void projection_compute_contour_extents(uint8_t* projection);
void projection_compute_annotation_extents(uint8_t* projection);
