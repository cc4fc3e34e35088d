// Annotation binding: measurers and the property dialogs' layout services.
#include "annotation/properties_layout_binding.h"

#include "annotation/annotation_layout.h"
#include "annotation/annotation_properties.h"
#include "annotation/annotation_records.h"
#include "annotation/dimension_layout.h"
#include "annotation/properties_layout_seams.h"
#include "geometry/extents.h"

namespace {

unsigned char* tolerance_at(uint8_t* projection, RecordRef* ref, double x, double y) {
    return layout_tolerance_designation(projection, ref, x, y, false);
}
unsigned char* leader_at(uint8_t* projection, RecordRef* ref, double x, double y) {
    return layout_leader_at_point(projection, ref, x, y, false);
}
int box_of(uint8_t*, const uint8_t* rec, Box* out) {
    if (annotation_record_check(rec) != annotation_record_ok) return 0;
    return annotation_record_box(rec, out) ? 1 : 0;
}

}  // namespace

void annotation_bind() {
    kernel_measurers.dimension_label_metrics = measure_dimension_label;
    kernel_measurers.annotation_text_metrics = measure_annotation_text;
    properties_layout.layout_tolerance_designation = tolerance_at;
    properties_layout.layout_leader_at_point = leader_at;
    properties_layout.annotation_box = box_of;
    properties_layout.relayout_dimension = relayout_dimension;
}
