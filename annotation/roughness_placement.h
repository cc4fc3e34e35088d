// Roughness placement: a sign's tip put on a dimension's extension line,
// and a sign carried by a leader laid out on the leader's shelf.
#pragma once
#include <cstdint>

#include "geometry/geom_types.h"
#include "store/drawing_file.h"

// The click projected onto the line start-end; a projection outside the
// line's box goes to the end on the side where it left the box: below the
// box the end with the smaller x (a vertical line: smaller y), above it the
// end with the larger one.
Point2 snap_roughness_to_extension_line(Point2 start, Point2 end, Point2 click);

// Lays the leader at *leader_ref out at (x, y), then puts the tip of the
// sign it carries (kind 5, key `key`, attachment 1) on its shelf: x = the
// upper text position + 1.24 mm + the upper text width + the sign's own
// offset (+28), y = the shelf's height.  Returns the leader (null on failure).
unsigned char* layout_roughness_on_leader(uint8_t* projection, uint32_t key, RecordRef* leader_ref, double x, double y,
                                          bool keep_bend);
