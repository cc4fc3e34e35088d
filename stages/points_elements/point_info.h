// What the reference-point tools tell about a point: its information line
// (number, sketch and true positions measured from the projection's origin
// point) and the lengths of the routes that pass through it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "stages/points_elements/points.h"

// "Номер: n\nX,Yэск=(x,y)\nX,Yизо=(x,y)": the sketch and true positions
// relative to the projection's origin point (the first point with the
// origin flag in chain order; none: the drawing's origin), y counted
// upwards.  projection may be null (no origin).
std::string point_info_text(DrawingFile* df, unsigned char* projection, const PointCopy& p);

// A route (contour of kind 4) through a point: its number, its six-letter
// name and its length.
struct RouteLength {
    uint32_t contour;
    std::string name;
    double length;
};

// The routes holding an element that uses the point (a contour member, not
// generated, no curve image), each once, in the order their elements are
// met.  A route whose stored length is 0 gets the sum of its members'
// lengths.
std::vector<RouteLength> routes_through_point(DrawingFile* df, unsigned char* projection, uint32_t point);

// At most three lines "name = length мм", the length cut to a whole number;
// empty without routes.
std::string route_lengths_text(const std::vector<RouteLength>& routes);

// The note of a point that came from a fragment instance: the text up to
// an earlier "Фрагмент" and its last '.', then ". " when anything is left,
// then "Фрагмент" and the instance number.  Without a fragment the text
// stays as it is.
std::string point_fragment_note(const std::string& text, uint16_t fragment);
