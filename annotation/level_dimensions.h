// Level dimension merging: the level dimensions whose points of one role
// are spread along the dimension line get one generated level dimension
// spanning them (overlapping spans on one line share it), which placement
// puts beside the others; generated dimensions are removed and made again
// at every placement run of a changed projection, and one placed by hand
// keeps its line across that.
//
// Generated dimensions carry state bit 2, have no links and take numbers
// counting down from 0xFFFFFFFD (the projection's u32 at +108 holds the
// last one given) until they would meet the drawing's dimension counter.
#pragma once
#include <cstdint>
#include <vector>

#include "geometry/geom_types.h"

// One spread level dimension: the extreme points of its chosen role,
// ordered along the dimension line, and its extension direction.
struct LevelSpan {
    int item;          // the caller's index of the dimension
    Point2 a, b;
    double direction;  // radians
};

// A group of spans on one line that overlap: their union and the spans
// that joined it, the first one first.
struct LevelGroup {
    Point2 a, b;
    double direction;
    std::vector<int> members;  // LevelSpan::item of each member
};

// The extreme points of a role's points along the dimension line (across
// the extension direction), a before b.  False when the role has no point,
// the direction is not finite, or the extremes lie within eps of each
// other (the points are not spread).
bool level_span_of(const std::vector<Point2>& points, double direction, double eps, Point2* a, Point2* b);

// Groups the spans in list order: each span not yet taken starts a group,
// which takes every other span lying on the same line (the same direction,
// within eps of the group's line) and overlapping its union, until a pass
// adds nothing.
std::vector<LevelGroup> merge_level_spans(const std::vector<LevelSpan>& spans, double eps);

// A generated level dimension placed by hand, kept from the removal to the
// merging of one run.
struct SavedLevelPlacement {
    std::vector<uint8_t> dimension, label;
};

// Removes every generated dimension (state bit 2) of the projection with
// its label; one of kind 6 that was placed by hand (value bit 11), is shown
// (value bit 3 clear) and whose label is shown (flags bit 12 clear) is
// copied into *saved first.  Resets the projection's generated-number
// counter.  Returns how many were removed, -1 on a store failure.
int collect_generated_dimensions(uint8_t* projection, std::vector<SavedLevelPlacement>* saved);

enum GeneratedResult { generated_made = 0, generated_too_many, generated_failed };

// Makes a generated level dimension: the next number below the counter,
// state bit 2 (and bit 1 for `side`), nominal 0, the kind word given, value
// bits 0, 1 and 4, the axis points of `model` (the group's first
// dimension), and a label with the head of `model_label` (or the default
// one) and the texts "0" and ",000".  *number gets the new number.
GeneratedResult create_generated_level_dimension(uint8_t* projection, const uint8_t* model, const uint8_t* model_label,
                                                 uint16_t kind_word, bool side, uint32_t* number);

// Replaces the label of dimension `number` by a copy of `label` keyed to
// that number.  False on a store failure.
bool restore_level_label(uint8_t* projection, uint32_t number, const std::vector<uint8_t>& label);

extern const char* const too_many_dimensions_message;  // "Слишком много размеров"
extern const char* const merged_group_gone_code;       // "E20427"

// The projection's last generated number (+108).
enum : uint32_t { projection_generated_counter = 108, generated_counter_reset = 0xFFFFFFFEu };
