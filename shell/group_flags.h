// The level-set flag of a projection's contours (used by the visibility-level
// dialog).
#pragma once

// For each contour of the projection (a ProjectionRecord in memory): bit 11
// of its flags is set when it is an outline or a hole and every member
// element present in the projection has bit 8 of its flags set; else cleared.
void group_flags_update(unsigned char* projection);
