// The GDI back end of the pixel canvas: one implementation for a projection
// window on screen, the sheet window and a printer page; only the device
// context (and the view's scales) differ.
#pragma once

#include <windows.h>

#include "render/output/pixel_canvas.h"

extern const PixelCanvasOps gdi_canvas_ops;

// A canvas on dc; the pen recorded as current is the one selected in dc.
PixelCanvas gdi_canvas(HDC dc);
