// Fragment insertion parameters: the stored instance record's fields and
// mode bits, and the program-wide settings of the insertion in progress
// (live, the copy that the insertion dialog edits, and the backup that
// batch re-insertions keep).
#pragma once
#include <cstdint>

#include "geometry/geom_types.h"

// Mode bits of the instance record (offset 7).
enum : uint8_t {
    fragment_mode_hide_dimensions = 0x01,
    fragment_mode_correct_nominals = 0x02,
    fragment_mode_without_dimensions = 0x04,
    fragment_mode_without_points = 0x08,
    fragment_mode_user_parameters = 0x10,
    fragment_mode_mirrored = 0x20,
    fragment_mode_constant_update = 0x40,
    fragment_mode_always = 0x80
};

// Construction record kinds of the instances and their number maps.
enum : uint8_t {
    construction_fragment_instance = 4,
    construction_bar = 8,
    construction_contour_map = 13,
    construction_number_map = 31
};
enum : uint32_t {
    number_map_size = 14,
    number_map_target = 8,     // u32 the copy's number
    number_map_instance = 12,  // u16
    contour_map_instance = 8,  // u16
    contour_map_target = 10,   // u32
    bar_instance = 10,         // u16 of a bar record
    projection_fragment_counter = 104  // u16 highest instance number in use
};
enum : int {
    number_map_dimensions = 0,
    number_map_points = 1,
    number_map_elements = 2,
    number_map_objects = 3
};

struct FragmentInsertParams {
    uint16_t instance = 0;
    uint32_t source_projection = 0;  // projection record numbers
    uint32_t target_projection = 0;
    int source_count = 0;
    int target_count = 0;
    uint32_t source_points[3] = {};
    uint32_t target_points[3] = {};
    Point2 source_xy[3] = {};
    Point2 target_xy[3] = {};
};

struct FragmentSettings {
    uint8_t mode = fragment_mode_always;  // the seven flags and bit 7
    bool serial = false;
    bool only_marked = false;
    bool reinsert = false;
    double scale = 1.0;
    double angle = 0.0;
};

extern FragmentInsertParams fragment_insert_params;
extern FragmentSettings fragment_settings;         // live
extern FragmentSettings fragment_dialog_settings;  // edited by the insertion dialog

void fragment_insert_params_save();
void fragment_insert_params_restore();
