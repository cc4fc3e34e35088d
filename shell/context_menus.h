// The context menus of the projection windows (pop-ups of menu 649) and the
// pictures of the stage-command submenu, the window list and the menu items
// every pop-up carries.
#pragma once
#include <windows.h>

struct ProjectionWindow;

// A menu picture by its bitmap id (shell/core/stage_menu.h), loaded once
// and kept while the program runs; null for 0 or a missing bitmap.
HBITMAP menu_picture(int id);

// The pop-up a right click at (x, y) in w's client area opens at the current
// stage, adapted to the panel and the drawing: items inserted, removed,
// renamed, greyed and given their pictures.  Null when the stage has none.
// The pop-ups keep their changes between uses.
HMENU context_menu_prepare(ProjectionWindow* w, int x, int y);
// Prepares the pop-up, shows it at the click and runs the chosen command.
void context_menu_open(ProjectionWindow* w, int x, int y);
// The window and client position of the click that opened the last pop-up
// (commands that work on the place clicked read it); false before any.
bool context_menu_last_click(ProjectionWindow** w, int* x, int* y);
// Runs a command chosen in a context menu of w: the items of every pop-up
// here, the stage's submenu commands through the stage panel's buttons, the
// panel's own commands posted to the panel.
void context_command_run(ProjectionWindow* w, int id);

// Fills the stage-submenu seams of the dispatcher with the names and
// pictures of the stage commands.
void stage_menu_bind();
