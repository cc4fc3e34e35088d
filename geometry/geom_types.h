// Geometric value types of the kernel and their stored forms.
//
// All plane geometry is done in doubles in model units (drawing units). Model
// y grows the same way as pixel rows: there is no flip between model and
// pixels. An ArcByCentre runs from start to end in the direction of
// decreasing atan2 angle about its centre.
//
// The in-memory structs below are plain values with natural alignment. Where
// such a value is stored inside a drawing record it is packed and may lie at
// any byte position: read and write it with the get_/put_ helpers here, never
// by casting a record pointer to one of these structs.
#pragma once

#include <cfloat>
#include <cstddef>
#include <cstdint>

#include "base/byte_order.h"

struct Point2 {
    double x;
    double y;
};

struct PointF {
    float x;
    float y;
};

struct PointI {
    int32_t x;
    int32_t y;
};

// Axis-aligned box. The empty box is {DBL_MAX, DBL_MAX, -DBL_MAX, -DBL_MAX},
// so that a union with any box yields that box.
struct Box {
    double min_x;
    double min_y;
    double max_x;
    double max_y;
};

inline Box box_empty() {
    return Box{DBL_MAX, DBL_MAX, -DBL_MAX, -DBL_MAX};
}

// Kind 1.
struct Segment {
    Point2 start;
    Point2 end;
};

// Kind 2: the radius is the distance of the two points.
struct CircleGeom {
    Point2 on_circle;
    Point2 centre;
};

// Kind 3: from start to end with decreasing angle about the centre; a full
// circle when start and end are equal (points_equal). The radius is the
// distance from start to centre.
struct ArcByCentre {
    Point2 start;
    Point2 end;
    Point2 centre;
};

// Kind 4 and every piece of an arc-piece curve: from start to end through the
// third point; the chord start-end when the three points make no arc.
struct ArcByPoints {
    Point2 start;
    Point2 end;
    Point2 through;
};

// Cubic Bezier spline, end points first (element kind 12).
struct BezierGeom {
    Point2 start;
    Point2 end;
    Point2 control1;
    Point2 control2;
};

// x' = m0*x + m2*y + m4, y' = m1*x + m3*y + m5. The int32 field is kept 0 by
// every builder.
struct AffineMatrix {
    double m0;
    double m1;
    double m2;
    double m3;
    double m4;
    double m5;
    int32_t reserved;
};

// One vertex of an arc-piece curve. Piece i of a curve is the ArcByPoints
// {v[i].point, v[i+1].point, v[i].through}.
struct CurveVertex {
    uint32_t point_number;
    Point2 point;
    Point2 through;
};

// A hit of a horizontal scan line.
struct ScanHit {
    double x;
    double y;
    int16_t end_mark;
};

// Geometry kind codes, the low four bits of an element's flags word.
enum GeometryKind : int {
    geom_segment = 1,
    geom_circle = 2,
    geom_arc_by_centre = 3,
    geom_arc_by_points = 4,
    geom_curve = 5,
};

// ---------------------------------------------------------------- stored forms
// Sizes and field offsets of the packed stored forms.
constexpr size_t point2_stored_size = 16;
constexpr size_t pointf_stored_size = 8;
constexpr size_t pointi_stored_size = 8;
constexpr size_t box_stored_size = 32;

constexpr size_t curve_vertex_stored_size = 36;
constexpr size_t curve_vertex_point_number_offset = 0;
constexpr size_t curve_vertex_point_offset = 4;
constexpr size_t curve_vertex_through_offset = 20;

constexpr size_t scan_hit_stored_size = 18;
constexpr size_t scan_hit_x_offset = 0;
constexpr size_t scan_hit_y_offset = 8;
constexpr size_t scan_hit_end_mark_offset = 16;

static_assert(curve_vertex_through_offset + point2_stored_size == curve_vertex_stored_size,
              "a stored curve vertex is 36 bytes");
static_assert(scan_hit_end_mark_offset + 2 == scan_hit_stored_size,
              "a stored scan hit is 18 bytes");

inline Point2 get_point2(const void* buf, size_t off) {
    return Point2{get_f64(buf, off), get_f64(buf, off + 8)};
}

inline void put_point2(void* buf, size_t off, Point2 p) {
    put_f64(buf, off, p.x);
    put_f64(buf, off + 8, p.y);
}

inline PointF get_pointf(const void* buf, size_t off) {
    return PointF{get_f32(buf, off), get_f32(buf, off + 4)};
}

inline void put_pointf(void* buf, size_t off, PointF p) {
    put_f32(buf, off, p.x);
    put_f32(buf, off + 4, p.y);
}

inline PointI get_pointi(const void* buf, size_t off) {
    return PointI{get_i32(buf, off), get_i32(buf, off + 4)};
}

inline void put_pointi(void* buf, size_t off, PointI p) {
    put_i32(buf, off, p.x);
    put_i32(buf, off + 4, p.y);
}

inline Box get_box(const void* buf, size_t off) {
    return Box{get_f64(buf, off), get_f64(buf, off + 8), get_f64(buf, off + 16),
               get_f64(buf, off + 24)};
}

inline void put_box(void* buf, size_t off, const Box& b) {
    put_f64(buf, off, b.min_x);
    put_f64(buf, off + 8, b.min_y);
    put_f64(buf, off + 16, b.max_x);
    put_f64(buf, off + 24, b.max_y);
}

// Vertex i of a packed vertex list beginning at byte off of buf.
inline CurveVertex get_curve_vertex(const void* buf, size_t off, size_t i = 0) {
    size_t at = off + i * curve_vertex_stored_size;
    return CurveVertex{get_u32(buf, at + curve_vertex_point_number_offset),
                       get_point2(buf, at + curve_vertex_point_offset),
                       get_point2(buf, at + curve_vertex_through_offset)};
}

inline void put_curve_vertex(void* buf, size_t off, const CurveVertex& v, size_t i = 0) {
    size_t at = off + i * curve_vertex_stored_size;
    put_u32(buf, at + curve_vertex_point_number_offset, v.point_number);
    put_point2(buf, at + curve_vertex_point_offset, v.point);
    put_point2(buf, at + curve_vertex_through_offset, v.through);
}

// Hit i of a packed hit array beginning at byte off of buf.
inline ScanHit get_scan_hit(const void* buf, size_t off, size_t i = 0) {
    size_t at = off + i * scan_hit_stored_size;
    return ScanHit{get_f64(buf, at + scan_hit_x_offset), get_f64(buf, at + scan_hit_y_offset),
                   get_i16(buf, at + scan_hit_end_mark_offset)};
}

inline void put_scan_hit(void* buf, size_t off, const ScanHit& h, size_t i = 0) {
    size_t at = off + i * scan_hit_stored_size;
    put_f64(buf, at + scan_hit_x_offset, h.x);
    put_f64(buf, at + scan_hit_y_offset, h.y);
    put_i16(buf, at + scan_hit_end_mark_offset, h.end_mark);
}
