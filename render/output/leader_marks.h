// Leader marks: the weld and installation marks at the bend and along a
// leader, drawn or measured from one list of pieces so that the drawing and
// the box the extents code uses cannot drift apart.
//
// A leader is given by its bend P1 (where the leader line meets the shelf or
// frame), the shelf's other end P0 and the arrow tip A.  M lies two thirds of
// the way from A to P1, d is the direction from M to P1, r = 2.4 mm and
// w = 2.4 / 0.866 mm (sheet sizes), n+ and n- the perpendiculars d + pi/2 and
// d - pi/2.  The record's style byte (+10):
//  - bits 4-5, a mark at P1: 1 a circle of 2.1 mm about P1; 2 an arc from P1
//    through P1 + t along d, t = r / cos(2 atan2(w, r) - pi/2), to
//    E + w along n, with E = P1 + r along d and n = n+ when
//    (P1.x < P0.x) xor (A.y < P1.y), else n-.  Pen 0.25 mm for value 1, else
//    0.6 mm.
//  - bits 0-3, a form at M (pen 0.25 mm for form 1, else 0.6 mm), with
//    E = M + r along d: 1 a stroke of one text height up from P1 and half of
//    it from its top away from P0; 2 an arc through E + w n-, M, E + w n+;
//    3 strokes from E + w n- and E + w n+ to M and from M + w n- to M + w n+;
//    4 a zigzag of two strokes 2r long at the angle pi + d - 75 degrees,
//    centred on M and on M + 1.2 r along d, joined end to start; 5 a bracket
//    Q1 - r d, Q1, Q2, Q2 - r d with Q1 = M + r n+, Q2 = M + r n-; 6 an open
//    arrow from (M - r d) +- r n to M.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/geom_types.h"

struct OutputView;

enum LeaderMarkPieceKind : int { leader_piece_segment = 1, leader_piece_circle = 2, leader_piece_arc = 3 };

struct LeaderMarkPiece {
    int kind;
    double pen_mm;   // 0.25 or 0.6
    Point2 p[3];     // segment: start, end; circle: centre, (radius, 0); arc: start, end, through
};

// The pieces of the marks of `leader` (its style byte at +10 and size index
// at bits 7-10 of +8).  Sizes in model units of the current drawing.
void leader_mark_pieces(const uint8_t* leader, Point2 p0, Point2 p1, Point2 tip, std::vector<LeaderMarkPiece>* out);

// Draws the marks (draw non-zero) or measures them: *box gets the box of
// every piece, starting from the empty box.  Returns the number of pieces.
int draw_leader_marks(OutputView* view, Point2 p0, Point2 p1, Point2 tip, const uint8_t* leader, Box* box, int draw);

// The extents code's measurer: corners[0] is the bend (+26), corners[2] the
// shelf end (+34), anchor the arrow tip.  Returns 1 with *out set when the
// leader has marks.
int leader_marks_box(const uint8_t* leader, const PointF corners[4], PointF anchor, Box* out);

// Puts leader_marks_box into kernel_measurers (called by the program's
// wiring at start-up).
void leader_marks_bind();
