// The point properties dialog of the reference-point stage.
#pragma once
#include <windows.h>

#include <cstdint>

#include "shell/projection_windows.h"

// Dialog 641 for `point` of the window's projection and the points on its
// pixel; flags and the transformation are stored on "Да" only.  Returns
// the point shown last (the scroll bar makes another the current one).
uint32_t point_properties_dialog(ProjectionWindow* w, uint32_t point);

// The route-length mode of the point information, switched by the dialog's
// radio buttons "Показать координаты точки" / "Показать длины маршрутов":
// while it is on, the panel shows the lengths of the routes through the
// current point in place of its coordinates.
extern bool point_route_lengths_mode;
