// Point properties: the reference points that share the current point's
// pixel, the flags the properties dialog sets on them, and storing those
// flags (one origin per projection).
#pragma once
#include <cstdint>
#include <vector>

#include "geometry/transforms.h"
#include "stages/points_elements/points.h"

// The current point first, then every other point of the projection in
// chain order that is not hidden (flags2 bits 2 and 3 both set) and whose
// sketch position falls on the current point's pixel.  Empty when the
// current point does not exist.
std::vector<PointCopy> points_on_pixel(DrawingFile* df, unsigned char* projection, const ViewTransform* view,
                                       uint32_t current);

// The flags the dialog's check boxes stand for.
enum PointPropertyFlag {
    point_property_show_number,  // flags bit 12
    point_property_origin,       // flags bit 14: one origin per projection
    point_property_annotation,   // flags bit 13
    point_property_fixed,        // flags bit 15
    point_property_priority      // flags2 bit 8: one per pixel
};
bool point_property(const PointCopy& p, PointPropertyFlag flag);
// Sets or clears the flag of list[i]; giving the priority to one point
// takes it from the others of the list, and the origin likewise.
void point_property_set(std::vector<PointCopy>& list, size_t i, PointPropertyFlag flag, bool on);

// Writes the flags of the listed points back; when one of them is the
// origin, every other point of the projection stops being one.  Returns
// the number of point records changed.
int point_properties_store(DrawingFile* df, unsigned char* projection, const std::vector<PointCopy>& list);
