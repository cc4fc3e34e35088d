// State that the stage tools and the title-block code keep across commands
// and that the document lifecycle resets: a new drawing starts them afresh,
// a loaded drawing resets the dimension tools and the element dialog's
// default offset.  The words live on this floor so that the documents code
// can reset them without reaching up into the tools that read them.
#pragma once
#include <cstdint>

// State word of the dimension-network tools; 0 after a new or loaded drawing.
extern int32_t dimension_tool_state;
// The title-block code's two filter flags and one further flag; a new
// drawing sets them to 0, 0 and 1.
extern int32_t title_block_state[3];
// The default offset shown by the element dialog, in sheet millimetres:
// the drawing-style base value + the current text height + 2.48, set when
// a drawing is loaded.
extern double element_default_offset;
// The view construction's request to undo once its log is closed: when
// set, closing the log posts the undo command instead of going on to the
// next stage.  A loaded drawing starts without it.
extern int undo_after_construction;
// The drawing-style base value (sheet millimetres).
constexpr double drawing_style_base = 1.2;

// The text settings a new drawing starts with: size index 2 (3.5 mm) and
// arrowhead kind 0 in the settings block.
void new_drawing_text_settings();
// The tool state words of a new drawing (above).
void new_drawing_tool_state();
