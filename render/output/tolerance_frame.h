// Form and position tolerance frames: the rows of cells (sign, value, datum
// letters) and the leader to the toleranced element.
//
// A ToleranceRecord (kind 6) keeps after its 74-byte head the frame text,
// sign part, byte 24, values, byte 26, datum letters (record byte 7 its
// length).  Frame corners at +18/+22 and +26/+30; separator offsets from the
// left at +34 and +38 (0: no datum cell); flag bit 9 with bits 6-8 gives
// several rows, each |y2 - y1| below the one before, whose signs are the
// kind bytes from +10 and whose values and datum letters are the lines of
// their parts split at backslash-n.  The leader runs through the four points
// at +42, +50, +58, +66 with an arrow at the first when the first segment is
// longer than the arrow (4.2 mm); a frame not yet laid out (+58 holding the
// largest float) has no leader.
#pragma once

#include <cstdint>

struct OutputView;

// Number of row frames the record draws (1, or bits 6-8 with flag bit 9).
int tolerance_frame_rows(const uint8_t* record);

void draw_tolerance_frame(OutputView* view, const uint8_t* record);
