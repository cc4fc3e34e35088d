// Element input at the image stage: the clicks on reference points that
// make lines, circles, arcs, curves, wavy lines, ellipses, elliptic arcs and
// Bezier splines.  The state says what the next clicks mean; each click
// gives one reference point, which is checked and taken; the element is
// stored when its last point is given and the same state waits for the next
// element.
//
// States: 0 idle; 1 line; 2 circle; 3 arc with centre; 4 arc through three
// points; 5 smooth curve; 6 wavy line; 8 view break (two points on the
// contour of an opaque screen that holds invisible and visible lines);
// 9 elliptic arc; 10 ellipse; 12 Bezier spline (7 fragment insertion,
// 11 conventional image, 20 and 21 selection are served by their own tools).
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "stages/points_elements/element_records.h"
#include "store/drawing_file.h"

enum {
    input_idle = 0,
    input_line = 1,
    input_circle = 2,
    input_arc_centre = 3,
    input_arc_points = 4,
    input_curve = 5,
    input_wavy = 6,
    input_fragment = 7,
    input_break = 8,
    input_elliptic_arc = 9,
    input_ellipse = 10,
    input_symbol = 11,
    input_bezier = 12,
    input_levels = 20,
    input_marking = 21
};

enum { curve_input_max_points = 55 };

struct ElementInputHooks {
    std::function<void(const char* text)> prompt;          // the prompt line
    std::function<void(int step)> show_step;               // the number field; -1 blank
    std::function<void(const char* text)> message;         // a message box (markers expanded by it)
    std::function<void()> save;                            // the drawing saved in place
    std::function<void(unsigned char* projection, uint32_t number)> stored;  // frame, clipping, repaint
    // The gap of a new view break (the gap dialog, default 10.0); its
    // absolute value is stored.
    std::function<double()> break_gap;
    ElementStoreHooks store;                               // checkpoint and automatic dimensions
};

// The input of the image stage (one input window at a time).
struct ElementInput {
    int state = input_idle;
    int step = 0;
    std::vector<unsigned char> element;  // the element in hand
    std::string prompt;                  // the prompt shown
    std::string saved_prompt;            // kept while a rejection shows
    bool prompt_saved = false;
};

// The prompt of a state-choosing tool ("*две точки на прямой линии", ...),
// null for states without one.
const char* element_input_state_prompt(int state);

// Chooses a state: the input in hand is cancelled, the state set and its
// prompt shown.
void element_input_choose(ElementInput& in, int state, const ElementInputHooks& hooks);

// Abandons the element in hand (step 0, buffer freed, saved prompt dropped)
// and saves the drawing.
void cancel_element_input(ElementInput& in, const ElementInputHooks& hooks);

// One click on the reference point `point` (a 48-byte PointRecord as
// stored) of the projection *projection.  Returns 1 when the step advanced,
// 2 when an element was stored, 0 when the point was refused or the state
// takes no points, -1 on a store failure.  *projection is replaced after a
// checkpoint.
int element_input_click(ElementInput& in, DrawingFile* df, unsigned char** projection, const unsigned char* point,
                        bool ctrl, const ElementInputHooks& hooks);

// Finishes the smooth curve in hand (the panel's finish button): stores it
// when it has two points or more.  Returns the stored element's number, 0
// when nothing was stored.
uint32_t finish_smooth_curve(ElementInput& in, DrawingFile* df, unsigned char** projection,
                             const ElementInputHooks& hooks);
