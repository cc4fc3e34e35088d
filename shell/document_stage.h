// What the shell shows when a drawing is made, loaded or closed: the stage
// and its panel slot, the drawing scale of a new drawing and the window
// items of the window menu.
#pragma once
#include <windows.h>


// A new drawing is ready: the reference-point stage is checked on the stage
// bar and in the menus, and the scale is 1.0.
void new_drawing_stage_ready();
// A drawing was loaded: the remembered stage panel is forgotten, so that the
// next stage command builds its panel again.
void loaded_drawing_stage_reset();
// A drawing was closed: the stage-panel slot shows the empty panel and the
// window menu loses every item from the first window item on.
void closed_drawing_stage_reset();

// Removes from menu every item from the one with id first_id on; returns
// how many went.
int menu_items_remove_from(HMENU menu, UINT first_id);
