// The DXF output switch and the entity writers the drawing primitives call
// while it is on.
//
// While dxf_output_active is non-zero every primitive hands its model
// geometry to these writers instead of drawing pixels; the export sets and
// clears the switch around its drawing of the views.  The writers live in a
// function table filled by the DXF export; until then (and whenever a member
// is null) an entity goes nowhere.  dxf_recorder_install puts a recorder in
// the table that keeps each entity with the width it was written at, for the
// tests.  Every dxf_write_* call writes nothing when dxf_line_width is 0 (line
// types 0 and 15) or the switch is off.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/geom_types.h"

struct OutputView;

extern int dxf_output_active;
// The width in sheet mm that entities are written at.
extern double dxf_line_width;

struct DxfWriters {
    void (*line)(OutputView* view, const Segment* seg);
    void (*circle)(OutputView* view, const CircleGeom* circle);
    void (*arc)(OutputView* view, const ArcByCentre* arc);
    // 3n + 1 control points, n cubic pieces.
    void (*spline)(OutputView* view, const Point2* points, int pieces);
    void (*rectangle)(OutputView* view, Point2 corner1, Point2 corner2);
    // A line-end mark: end 0 first / 1 second, its style, the geometry type of
    // the line (1 straight, 3 arc) and the points {first end, second end,
    // centre} in model units.
    void (*filled_shapes)(OutputView* view, int end, int style, int geometry_type,
                          const Point2 points[3]);
};
extern DxfWriters dxf_writers;

void dxf_write_line(OutputView* view, const Segment* seg);
void dxf_write_circle(OutputView* view, const CircleGeom* circle);
void dxf_write_arc(OutputView* view, const ArcByCentre* arc);
void dxf_write_spline(OutputView* view, const Point2* points, int pieces);
void dxf_write_rectangle(OutputView* view, Point2 corner1, Point2 corner2);
// Sets dxf_line_width to 0.25 and hands the mark to the table.
void dxf_write_filled_shapes(OutputView* view, int end, int style, int geometry_type,
                             const Point2 points[3]);
// From the element's line type: 0 and 15 give 0 (nothing written), 1 gives
// 0.6, 5 gives 0.5, the others 0.25.
void dxf_set_line_width(const uint8_t* element);

// ---------------------------------------------------------------- recorder
enum DxfEntityKind : int {
    dxf_line_entity,
    dxf_circle_entity,
    dxf_arc_entity,
    dxf_spline_entity,
    dxf_rectangle_entity,
    dxf_filled_shapes_entity
};

struct DxfEntity {
    int kind;                   // DxfEntityKind
    double width;               // dxf_line_width when written
    std::vector<Point2> points; // line: 2; circle: on, centre; arc: start, end, centre;
                                // spline: 3n+1; rectangle: 2; filled: 3
    int pieces;                 // spline pieces
    int end, style, geometry_type;  // filled shapes
};

// Fills the writer table with the recorder (previous entities dropped);
// dxf_recorder_remove empties the table again.
void dxf_recorder_install();
void dxf_recorder_remove();
const std::vector<DxfEntity>& dxf_recorded_entities();
void dxf_recorder_clear();
