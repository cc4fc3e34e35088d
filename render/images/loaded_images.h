// The loaded pictures of the open drawings: one entry per picture record,
// holding the record's fields and the picture as a 24-bit bottom-up DIB
// (40-byte info header and rows), from which the symbols are drawn and the
// bent pictures made.
//
// An entry is linked only once its picture is loaded, so every entry in the
// list has pixels.  Entries belong to the drawing whose picture chain they
// came from; the look-ups see the current drawing's entries only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "render/images/bmp_pixels.h"
#include "render/images/raster_pixels.h"
#include "store/drawing_file.h"

enum : uint16_t {
    loaded_flag_tolerance = 0x003F,
    loaded_flag_transparent = 0x0040,
    loaded_flag_temporary = 0x0080,
    loaded_flag_channel_window = 0x0100,
};

struct LoadedImage {
    const DrawingFile* owner = nullptr;
    uint32_t id = 0;
    RecordRef record = 0;
    float height_mm = 0;
    uint16_t flags = 0;          // loaded_flag_*
    uint32_t key_colour = 0;     // COLORREF
    int32_t key_x = 0, key_y = 0;  // key pixel, row from the bottom
    int point_count = 1;
    int32_t points[4][2] = {};   // x from the left, y from the top
    char name[33] = {};
    int32_t width = 0, height = 0;
    std::vector<uint8_t> dib;    // 24-bit bottom-up DIB
};

extern std::vector<std::unique_ptr<LoadedImage>> loaded_images;
// Entries of the current drawing with ids below 55001.
int loaded_images_low_count();

// A 24-bit view of an entry's pixels with its key colour set (black for an
// opaque picture); false for an entry without pixels.
bool loaded_image_view(LoadedImage* image, RasterView* view);


// Builds the entry of a picture record from its BMP file image: fields,
// pixels (key-colour cleaning for a transparent picture; a key pixel outside
// the picture drops transparency).  False for a damaged record or image.
bool loaded_image_from_bmp(const uint8_t* record, const uint8_t* bmp, size_t length, LoadedImage* out);

// Loads a picture record of the current drawing (its blob read from the
// drawing file) and links it: 1, or 0 with the Part's message (damaged
// data, out of memory) and nothing linked.
int load_conventional_image(const uint8_t* record);

// The entry of the current drawing with that id, or null.
LoadedImage* loaded_image_find(uint32_t id);

// Unlinks and frees the entries of a drawing (all of them for null).
void loaded_images_free(const DrawingFile* df);
