// Conventional symbols: drawing and measuring one symbol element (kind 11)
// of the catalogue's codes 0..56, the small drawing helpers the signs share,
// and the per-view symbol walk with click-marking.
//
// Every sign is drawn and measured by the same code: in measuring mode each
// piece adds its model box instead of touching the canvas, so the box always
// covers what is drawn.  Codes 57 and above are picture symbols; they are
// handed to picture_symbol_drawer (filled by the picture code).
#pragma once

#include <cstdint>

#include "geometry/geom_types.h"
#include "render/output/output_view.h"
#include "render/output/pixel_canvas.h"

// Set by the walk: a marked symbol was met / a marked symbol of a fragment.
extern int walk_marked_symbol_seen;

// Draws (draw non-zero) or measures (draw 0, box in model units into out)
// one symbol element.  Returns 1 when something was drawn or measured, 0
// for a record that is no symbol, a damaged one, coincident first points or
// a sign whose points leave nothing to draw (the box is then empty).  A null
// view measures at the current drawing's scale.
int draw_symbol(OutputView* view, const uint8_t* element, Box* out, int draw);

// The per-view walk over the projection's symbols: with upper_layer the
// symbols with style bit 1 are drawn and the result tells whether others
// exist (1); without it the others are drawn.  Unless no_pick, a click in a
// stage-3 screen view toggles the mark of the symbol under the pick marker.
int draw_view_symbols(OutputView* view, int upper_layer, int no_pick);

// The kernel's measurer of symbol elements (model box).
int symbol_box_measure(uint8_t* projection, const uint8_t* element, Box* out);

// ---------------------------------------------------------------- helpers
// The four corners of the rectangle centred at p1 with half length
// half_length along direction a and half width the distance of p2 from the
// line through p0 and p1: at radius d = sqrt(hl^2 + hw^2) and the angles
// a - e, a - pi + e, a - pi - e, a + e, e = asin(hw / d).
void rectangle_corners(Point2 p0, Point2 p1, Point2 p2, double a, double half_length, Point2 out[4]);

// 1 when (x, y) lies on the side of centre that direction angle + pi/2
// points to (model coordinates), else 0.
int point_on_positive_side(Point2 centre, double x, double y, double angle);

// The box of the centre cross of a circle sign: two segments through p1,
// one along the direction to p0 and one across it, each reaching
// |p0 - p1| + 1.2 sheet mm to both sides.
void symbol_cross_box(Box* out, Point2 p0, Point2 p1);

// Picture symbols (codes 57 and above): draws or measures like draw_symbol.
// Starts as a drawer that draws and measures nothing.
struct PictureSymbolDrawer {
    int (*draw)(OutputView* view, const uint8_t* element, Box* out, int draw);
};
extern const PictureSymbolDrawer picture_symbol_drawer_unbound;
extern PictureSymbolDrawer picture_symbol_drawer;

// The picture drawing of loaded pictures placed by 1 to 3 points becomes
// the picture drawer.
void picture_symbols_bind();
// A picture symbol asking for more reference points than its picture has
// draws nothing; the message naming the picture is kept until this is
// called after the paint (once per picture and session).
void picture_symbol_messages_flush();
void picture_symbol_messages_reset();

// Fills the kernel's symbol measurer and the walk's marked-symbol seam.
void symbol_drawing_bind();
