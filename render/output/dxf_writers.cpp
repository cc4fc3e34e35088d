// The DXF output switch, the entity writer table and its test recorder.
#include "render/output/dxf_writers.h"

#include "store/record_layouts.h"

int dxf_output_active = 0;
double dxf_line_width = 0.0;
DxfWriters dxf_writers = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

namespace {

bool writing() {
    return dxf_output_active && dxf_line_width != 0.0;
}

}  // namespace

void dxf_write_line(OutputView* view, const Segment* seg) {
    if (writing() && seg && dxf_writers.line) dxf_writers.line(view, seg);
}

void dxf_write_circle(OutputView* view, const CircleGeom* circle) {
    if (writing() && circle && dxf_writers.circle) dxf_writers.circle(view, circle);
}

void dxf_write_arc(OutputView* view, const ArcByCentre* arc) {
    if (writing() && arc && dxf_writers.arc) dxf_writers.arc(view, arc);
}

void dxf_write_spline(OutputView* view, const Point2* points, int pieces) {
    if (writing() && points && pieces > 0 && dxf_writers.spline) dxf_writers.spline(view, points, pieces);
}

void dxf_write_rectangle(OutputView* view, Point2 corner1, Point2 corner2) {
    if (writing() && dxf_writers.rectangle) dxf_writers.rectangle(view, corner1, corner2);
}

void dxf_write_filled_shapes(OutputView* view, int end, int style, int geometry_type, const Point2 points[3]) {
    if (!dxf_output_active) return;
    dxf_line_width = 0.25;
    if (points && dxf_writers.filled_shapes) dxf_writers.filled_shapes(view, end, style, geometry_type, points);
}

void dxf_set_line_width(const uint8_t* element) {
    int type = element ? element_line_type(element) : 0;
    switch (type) {
    case 0:
    case 15: dxf_line_width = 0.0; break;
    case 1: dxf_line_width = 0.6; break;
    case 5: dxf_line_width = 0.5; break;
    default: dxf_line_width = 0.25; break;
    }
}

// ---------------------------------------------------------------- recorder
namespace {

std::vector<DxfEntity> recorded;

DxfEntity entity(int kind, std::initializer_list<Point2> points) {
    DxfEntity e;
    e.kind = kind;
    e.width = dxf_line_width;
    e.points.assign(points.begin(), points.end());
    e.pieces = 0;
    e.end = e.style = e.geometry_type = 0;
    return e;
}

void rec_line(OutputView*, const Segment* s) {
    recorded.push_back(entity(dxf_line_entity, {s->start, s->end}));
}

void rec_circle(OutputView*, const CircleGeom* c) {
    recorded.push_back(entity(dxf_circle_entity, {c->on_circle, c->centre}));
}

void rec_arc(OutputView*, const ArcByCentre* a) {
    recorded.push_back(entity(dxf_arc_entity, {a->start, a->end, a->centre}));
}

void rec_spline(OutputView*, const Point2* p, int pieces) {
    DxfEntity e = entity(dxf_spline_entity, {});
    e.points.assign(p, p + 3 * pieces + 1);
    e.pieces = pieces;
    recorded.push_back(e);
}

void rec_rectangle(OutputView*, Point2 a, Point2 b) {
    recorded.push_back(entity(dxf_rectangle_entity, {a, b}));
}

void rec_filled(OutputView*, int end, int style, int geometry_type, const Point2 points[3]) {
    DxfEntity e = entity(dxf_filled_shapes_entity, {points[0], points[1], points[2]});
    e.end = end;
    e.style = style;
    e.geometry_type = geometry_type;
    recorded.push_back(e);
}

}  // namespace

void dxf_recorder_install() {
    recorded.clear();
    dxf_writers = DxfWriters{rec_line, rec_circle, rec_arc, rec_spline, rec_rectangle, rec_filled};
}

void dxf_recorder_remove() {
    recorded.clear();
    dxf_writers = DxfWriters{nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
}

const std::vector<DxfEntity>& dxf_recorded_entities() {
    return recorded;
}

void dxf_recorder_clear() {
    recorded.clear();
}
