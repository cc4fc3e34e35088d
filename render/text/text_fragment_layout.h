// Laying out a text fragment (annotation record of kind 3) in its frame.
#pragma once

#include <cstddef>

// Replaces the text of a text-fragment record and returns the rebuilt record
// (the annotation services set it; null until then: the text stays as it was).
extern unsigned char* (*text_fragment_set_text_hook)(void* projection, unsigned char* record,
                                                     const char* text, size_t buffer_size);

// Lays the record's text out in the record's font:
//  - lines along a direction whose extent is not fixed: the second corner
//    moves to the first corner + the text width, the frame's far corner keeps
//    its distance beyond it;
//  - a fixed extent: lines too long for it are broken at the character (an
//    ESC is inserted; a line whose first glyph does not fit stays whole);
//    breaks of an earlier layout are removed first;
//  - across the lines, likewise, with the block centred in a fixed extent;
//  - the line count (byte 64) and the baseline of the last line (float at
//    byte 18) are stored.
// The corners and counts are written into `record` in place.  When the text
// changed (breaks moved), the record is rebuilt through
// text_fragment_set_text_hook and the new record is returned.  References
// to model variables stay in the stored text: breaks never fall inside one.
// Out of memory: the program's out-of-memory message, error_flag 1 and the
// record returned unchanged.
unsigned char* layout_text_fragment(void* projection, unsigned char* record);
