// Contours made of marked elements and the drawing-order levels of contours
// and elements: creating a contour from the marked elements, describing it,
// deleting it with the level rules that follow, extending the contours of
// an element that was split, and the texts the image stage shows.
//
// Levels: a contour has an even level from 2; its members take that level;
// odd levels are element levels between contours; 0 means none given and
// counts as 1.  The projection keeps the highest level (u16 +102), which is
// never below the highest contour or element level.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "render/contours/contour_lists.h"
#include "store/drawing_file.h"

// The contour kinds are the rendering's (contour_kind_*); a contour used by
// a view break has bit 7 of its flags word.
enum : uint16_t { contour_flag_break = 0x0080 };

// Appends the description of a contour to text (which holds its prefix,
// "Помечен", "Удален", "Выбран" or "Показан").
void contour_describe(std::string& text, int kind, int level, uint32_t number, double length);

// The member numbers of contour `number` (all its chunks, in order), and
// its head record's kind and level; false when no record has the number.
bool contour_member_list(DrawingFile* df, unsigned char* projection, uint32_t number, std::vector<uint32_t>* members,
                     int* kind, int* level);

// The contour (not a hatch contour) that holds element `element` with the
// highest level: its number, 0 when none.
uint32_t contour_innermost_of_element(DrawingFile* df, unsigned char* projection, uint32_t element, int* level);

// After element old_number was split and new_number is its second part:
// every contour of kind 0, 1, 4 or 6 holding old_number is stored again
// (chunks joined) with new_number appended.
void contours_add_split_element(DrawingFile* df, unsigned char* projection, uint32_t old_number,
                                uint32_t new_number);

struct ContourHooks {
    // Automatic checkpoint; returns the projection record to use afterwards,
    // null to give up.
    std::function<unsigned char*(unsigned char* projection)> checkpoint;
    std::function<void(const char* text)> prompt;
    std::function<void(const char* text)> message;
};

// A contour of `kind` (0 screen, 1 hole, 4 route, 6 fold) from the marked
// elements of the projection: the contour number is taken first (a drawing
// whose contour numbers are used up shows "Слишком много контуров" and
// changes nothing); the members (a screening piece stands for the source
// record of its number, each number once) get the member flag, the new
// level (highest + 2) and lose their mark.  Returns the contour number,
// 0 when nothing was stored.
uint32_t contour_create_from_marked(DrawingFile* df, unsigned char** projection, int kind,
                                    const ContourHooks& hooks);

// Deletes contour `number` and applies the level rules: contours of kinds
// 0, 1, 4, 6 at or above its level L move down by 2 (not below 2); elements
// above L move down by 2 (not below 1); members at or below L take the
// level of their innermost remaining contour, or stop being members; a view
// break on the contour is deleted.  The projection's highest level becomes
// the highest level that remains, rounded up to even (0 when none).
// Returns the deleted contour's level, 0 when there was none.
int contour_delete(DrawingFile* df, unsigned char* projection, uint32_t number);

// The highest contour or element level of the projection, rounded up to
// even.
uint16_t projection_levels_highest(DrawingFile* df, unsigned char* projection);

struct DeletionHooks {
    // Automatic checkpoint before the first deletion; returns the projection
    // record to use afterwards, null to give up.
    std::function<unsigned char*(unsigned char* projection)> checkpoint;
    // The bar whose centre element (options bit 5) was deleted, and the
    // annotations anchored to a deleted element: their owners delete them.
    std::function<void(unsigned char* projection, uint32_t element)> bar_deleted;
    std::function<void(unsigned char* projection, uint32_t element)> annotations_deleted;
};

// Deletes the marked elements of the projection (with `fragments`, bar
// outlines as well): every record of a marked element's number (its curve
// image or its source, its pieces), the contours that held it, a view
// break's mark on its contour.  Element numbers are given back.  Returns
// the number of elements deleted.
int delete_marked_elements(DrawingFile* df, unsigned char** projection, bool fragments, const DeletionHooks& hooks);

// The distribution of levels between a near object (the marked element
// `near_element`, as a contour unless single) and a far one (`far_element`,
// as a contour unless single): see the level rules at the top.  Returns 1
// when levels changed, 0 when nothing was to do or an innermost contour
// could not be found.
int distribute_levels(DrawingFile* df, unsigned char* projection, uint32_t near_element, bool near_single,
                      uint32_t far_element, bool far_single);

// The level typed in the visibility-level dialog as it is used: 0 becomes 1,
// a level above the projection's highest becomes highest + 2.
int visibility_level_typed(int typed, int highest);

// Gives the marked elements (conventional images excepted) visibility
// level L: an even L is element level L - 1 and contour level L, an odd L
// element level L and contour level L + 1.  A contour all of whose members
// are marked moves to the contour level with its members (the contours at
// or above it make room); other marked elements take the element level,
// and a member flag that no contour backs is dropped.  The projection's
// highest level takes the levels given, rounded up to even.  Returns the
// number of elements given a level.
int assign_visibility_level(DrawingFile* df, unsigned char* projection, int level);
