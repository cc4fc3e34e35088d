// Annotation texts: the one rule by which every record builder of the
// annotation tools writes a text into a record (packed whole, compared with
// the room the kind leaves, refused rather than cut), the height index that
// new records take, and the trailing-number increment of Shift-clones.
#pragma once
#include <cstdint>
#include <string>

#include "annotation/annotation_properties.h"

// Packed-text room of each kind: record limit less the fixed head.
enum : int {
    leader_text_room = 1978,
    text_fragment_text_room = 1978,
    tolerance_text_room = 1970,
    roughness_text_room = 2008,
    dimension_label_text_room = 1986
};

// Packs `text` whole and checks it against `room` bytes; false (out
// untouched) when it does not fit.  An empty text packs to no bytes.
bool pack_text_into_room(const std::string& text, int room, RecordBytes* out);

// The height index new records take: the settings' default index, low four
// bits, kept within the ten heights (0..9).
int default_height_index();

// The text with its trailing number (digits, blanks after them ignored)
// increased by one, leading zeros dropped; blanks after the number are
// dropped too.  A text without a trailing number comes back unchanged and
// `*changed` is false.
std::string increment_trailing_number(const std::string& text, bool* changed);
