// Annotation properties binding: fills the hooks the property code serves
// (the text-fragment text replacement of the layout, the section
// designation's measurer) and the do-nothing layout table.
#include "annotation/properties_binding.h"

#include "annotation/properties_layout_seams.h"
#include "annotation/section_properties.h"
#include "annotation/text_fragment_properties.h"
#include "geometry/extents.h"
#include "render/text/text_fragment_layout.h"

namespace {
unsigned char* no_layout_tolerance(uint8_t*, RecordRef* ref, double, double) {
    return annotation_record_at(*ref);
}
unsigned char* no_layout_leader(uint8_t*, RecordRef* ref, double, double) {
    return annotation_record_at(*ref);
}
int no_relayout_dimension(uint8_t*, uint32_t) { return 1; }
int no_box(uint8_t*, const uint8_t*, Box*) { return 0; }
}  // namespace

const PropertiesLayoutSeams properties_layout_unbound = {no_layout_tolerance, no_layout_leader,
                                                         no_relayout_dimension, no_box};
PropertiesLayoutSeams properties_layout = properties_layout_unbound;

void annotation_properties_bind() {
    text_fragment_set_text_hook = text_fragment_set_text;
    kernel_measurers.section_designation_bounds = section_designation_bounds;
}
