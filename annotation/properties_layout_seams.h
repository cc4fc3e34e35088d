// Annotation properties: the layout and repaint services the property
// dialogs call after each change, kept in one table.  The annotation layout
// fills it when it exists; until then each entry leaves the record as it is
// and reports no box.
#pragma once
#include <cstdint>

#include "geometry/geom_types.h"
#include "store/drawing_file.h"

struct PropertiesLayoutSeams {
    // Lays a tolerance designation out with its frame's top-left corner at
    // (x, y) and draws its leader again; returns the record (re-loaded).
    unsigned char* (*layout_tolerance_designation)(uint8_t* projection, RecordRef* ref, double x, double y);
    // Lays a leader out with its text at (x, y); returns the record.
    unsigned char* (*layout_leader_at_point)(uint8_t* projection, RecordRef* ref, double x, double y);
    // Lays a dimension out again with its label; returns 1 when done.
    int (*relayout_dimension)(uint8_t* projection, uint32_t dimension_number);
    // The drawing box of an annotation record; 0 when it has none.
    int (*annotation_box)(uint8_t* projection, const uint8_t* rec, Box* out);
};
extern PropertiesLayoutSeams properties_layout;
// The do-nothing table (tests reset to it).
extern const PropertiesLayoutSeams properties_layout_unbound;
