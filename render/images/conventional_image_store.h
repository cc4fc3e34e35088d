// The user's conventional images in the current drawing: adding one from a
// BMP file image (record, blob and loaded entry), changing the fields of one
// already stored, reading one back whole, and removing one with its data.
//
// The callers hold the drawing lock (document_lock_acquire) around the
// changing operations; remove_conventional_image takes it itself as well,
// since the bending of pictures calls it from its own thread.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "render/images/picture_records.h"

// Stores the BMP file image as a blob, appends the picture record of
// `fields` (its blob and length filled here) to the picture chain and loads
// it.  1 on success; 0 with the store's message shown and nothing left in
// the drawing (the blob freed, the record deleted) when a step fails.
int conventional_image_add(const PictureFields& fields, const uint8_t* bmp, size_t length);

// Writes the points, height, transparency, key colour and pixel, range,
// range mode and name of `fields` into the stored record with fields.id,
// and loads its entry again so the drawing shows the change.  0 when there
// is no such record or it cannot be loaded.
int conventional_image_update(const PictureFields& fields);

// Reads the record with that id and its BMP file image back.  0 when there
// is no such record; 0 with the damaged-data message ("$в структуре данных") when
// the stored data does not read back whole.
int conventional_image_read(uint32_t id, PictureFields* fields, std::vector<uint8_t>* bmp);

// Removes the loaded image with that id, its blob and its record; nothing
// when no image has that id.  Every other loaded image then looks its
// record up again (deleting compacts the page).
void remove_conventional_image(uint32_t id);

// Deletes a stored record with that id and its blob, whether loaded or
// not (the loaded entry is left to the caller).
void conventional_image_drop_record(uint32_t id);

// The names of the picture records other than `except`, unpacked.
std::vector<std::string> conventional_image_names(uint32_t except);

// The loaded conventional images of the current drawing (ids up to 55000),
// in list order.
std::vector<uint32_t> conventional_image_ids();
