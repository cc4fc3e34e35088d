// Stored pictures: the fields of a picture record, the ids of bent pictures
// (55001 and up) and of the user's conventional images (1001-55000).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "store/drawing_file.h"

enum : uint32_t {
    conventional_image_first_id = 1001,
    conventional_image_last_id = 55000,
    bent_picture_first_id = 55001,
};

// The fields of one picture record, names unpacked (at most 32 characters,
// trailing blanks trimmed).
struct PictureFields {
    uint32_t id = 0;
    int point_count = 1;          // 1..4
    bool transparent = false;
    bool temporary = false;
    bool channel_window = false;  // key matching: 1 channel window, 0 grey steps
    unsigned tolerance = 0;       // 0..63
    float height_mm = 0;
    uint32_t key_colour = 0;      // COLORREF
    int32_t points[4][2] = {};    // pixels, x from the left, y from the top
    char name[33] = {};
    uint32_t blob = 0;            // RecordRef
    uint32_t blob_length = 0;
    int32_t key_x = 0;
    int32_t key_row = 0;          // from the bottom row
};

// Reads a picture record; false when it is not one (length 74, kind 10).
bool picture_record_parse(const uint8_t* rec, PictureFields* out);
// Writes the 74-byte record of the fields (byte 9 and the flag bits not
// named in PictureFields are 0; point_count is clamped to 1..4; the name is
// packed into 8 bytes and shortened when it does not fit).
void picture_record_build(const PictureFields& fields, uint8_t out[74]);

// The lowest id from 55001 up that is not among used.
uint32_t next_picture_id_among(const std::vector<uint32_t>& used);
// The same over the picture chain of the current drawing.
uint32_t next_picture_id();
// The ids of the picture records of the current drawing's chain.
std::vector<uint32_t> picture_ids();

// The lowest free conventional-image id from 1001 up; 0 when every id up to
// 55000 is taken (ids above belong to bent pictures).
uint32_t free_conventional_image_id(const std::vector<uint32_t>& used);
