// The drawing functions of the model language (numbers 35-50): reads of
// saved variables of another drawing file, of contours, points and table
// cells of the current drawing, and the writes that move points and fill
// table cells. The interpreter reaches them through its host
// (ModelHost::drawing_function); this file is that host's side.
//
// Each call takes the document critical section for itself. Numbers 42 and
// 44-47 are reserved names without behaviour (the interpreter refuses them).
//
// Choices where the language leaves room (model/LANGUAGE.md):
//  - 36 PERIMETER and 37 AREA give the contour's stored perimeter and area.
//  - 38 POINTX and 39 POINTY measure from the contour's origin, the lower
//    corner of its box (minimum x, minimum stored y); 39 reverses the sign of
//    the stored y, which grows downward.
//  - A number given where a text is wanted (a key, a cell value) is written
//    as PRINT writes it, so that the number 12 finds the key "12".
//  - A contour name is at most 6 characters; a longer one is refused rather
//    than cut, so it never finds a contour of another name.
//  - 35 VARFILE reads the other drawing read-only beside the open ones,
//    never in the second drawing slot, which may hold a drawing or a library.
//  - A point moved by 48 or 49 re-draws its auxiliary lines; the dimensions
//    that measure it are measured again at the next view construction, and
//    the run's own moves do not mark values for the write-back.
#pragma once
#include "model/model_interpreter.h"
#include "store/drawing_file.h"

#include <vector>

struct ModelDrawingContext {
    DrawingFile* df = nullptr;
    // Detail lines that are not errors (a contour that is not found); may be null.
    void (*notice)(void* context, const char* line) = nullptr;
    void* notice_context = nullptr;
    // After 48 or 49 moved a point of the projection with this number; may be null.
    void (*point_moved)(void* context, uint32_t projection_number) = nullptr;
};

// ModelHost::drawing_function with a ModelDrawingContext as context.
bool model_drawing_function(void* context, int number, const std::vector<ModelValue>& args, ModelValue& result,
                            ModelError& error);

// Built-in 35 alone: the value of the saved variable `name` (compared in
// capitals) of the drawing file at path. False with the error filled when the
// file cannot be opened or holds no such variable.
bool model_variable_from_drawing_file(const std::string& path, const std::string& name, ModelValue& result,
                                      ModelError& error);
