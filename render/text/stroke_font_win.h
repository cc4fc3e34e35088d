// Win32 side of the stroke fonts: the fourteen "gfnt" resources of a module.
#pragma once

#include <windows.h>

// Finds, loads and locks the fourteen font resources (custom type "gfnt")
// of `module` and fills the font tables from them, used in place.  Returns
// 0; or -1 at the first resource that is missing or damaged (its id in
// stroke_font_failed_id): start-up then shows "$загрузки ресурсов" and ends.
int stroke_fonts_load_module(HMODULE module);
