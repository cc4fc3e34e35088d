// The dimension network between the drawing store and memory: copies of a
// projection's point, dimension and link records for the checks and the
// solver, and the write-back of what construction changes in them (the
// dimensions' state words, the points' flags and true positions).
//
// Both run under the drawing lock of the caller; nothing here keeps a
// record pointer beyond one store call.
#pragma once
#include "stages/dimensions/dimension_network.h"
#include "geometry/geom_types.h"
#include "store/drawing_file.h"

// Reads the records of the projection (a ProjectionRecord in a page buffer
// or a heap copy) into *out, with the drawing header's unit and the
// coinciding-points option. Returns false when a chain could not be read.
bool network_load(DrawingFile* df, const unsigned char* projection, NetworkRecords* out);

// Writes the dimension state words, the point flags and the true positions
// of *rec back into the projection's records, matched by number. Returns
// false when a chain could not be read.
bool network_store_back(DrawingFile* df, const unsigned char* projection, const NetworkRecords& rec);

// Applying construction results to the record copies: fillet marks, one
// common offset from the anchor point, the true positions and the point
// flags 8 and 10. `result` is the projection's result code: 0 or 100
// without errors, a positive error count, -1 for a stopped run (nothing is
// applied then: the previous true image stays). `aux_crossings` lists
// positions where a horizontal and a vertical auxiliary line cross, in the
// order the anchor search takes them. Returns the point node chosen as
// anchor, or -1.
int apply_construction_results(NetworkRecords& rec, const Network& net, int result,
                               const std::vector<Point2>& aux_crossings);

// The value a dimension record has on the points' true positions, in the
// drawing's units (divided by the unit factor and the checked projection
// scale), measured as the solver builds it: linear kinds as (P2 - P1)
// along the offset direction (0, -pi/2, a, a - pi/2 for modes 0, 1, 2,
// 3 and 4 with a the axis direction), radius and diameter from the centre,
// angles as the opening from the first end to the second (radians), arc
// lengths as the opening times the radius. False when the dimension's
// points are missing or its axis is degenerate.
bool measure_dimension_record(const NetworkRecords& rec, size_t dimension, double* value);
