// Surface roughness signs: the check mark with its long leg and shelf, the
// circles of its variants, and the places of its texts.
//
// A RoughnessRecord (kind 5) holds the tip T at +12/+16, the angle at +20,
// the direction-of-lay sign in byte 7 (0 none, 1..7), the tick form in byte
// 32 (1 closing bar, 2 inscribed circle) and, after its 36-byte head, one
// packed text cut into three parts by the lengths in bytes 33..35.  With h
// the text height of its size index (flag bits 2-5), k = cot 60 degrees and
// c = 1.24 mm, the mark is the polyline (x - k h, y - h), T,
// E = (x + k L, y - L) and the shelf end, started at (x + k h, y - h) for
// tick form 1.  The second arrangement holds when drawing option bit 1 of
// header byte 110 is set and flag bit 12 is clear.
//
// Text places (all left-aligned, x0 = E.x + c, + 2.1 mm with the circle of
// flag bit 6): the second text on the shelf (baseline E.y - c); in the first
// arrangement the first text above the mark (left x - k h, baseline
// y - h - c), the third text under the shelf (top E.y + c) and the lay sign
// under that (or under the shelf without a third text); in the second
// arrangement the first text, as lines 10 glyph units apart, under the
// shelf (top E.y + c) and the lay sign right of it on its first baseline.
// In the second arrangement the first text stands on the shelf too: its
// width counts in the shelf's length.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/geom_types.h"

struct OutputView;

// Part 0..2 of the record's text (empty for other parts); each part is cut
// to what remains of the unpacked text.  Returns its length.
int roughness_record_text(const uint8_t* record, int part, std::string* out);

enum RoughnessPieceKind : int { roughness_segment = 1, roughness_circle = 2 };
struct RoughnessPiece {
    int kind;
    Point2 a, b;     // segment ends; circle: centre in a
    double radius;
};

enum RoughnessTextIndex : int { roughness_lay_text = 0, roughness_first_text, roughness_second_text, roughness_third_text };
struct RoughnessText {
    bool present;
    std::string text;
    Point2 anchor;          // baseline left (for the first text of the second arrangement: of its last line)
    double width, height;   // measured box
    int lines;              // lines of the first text
};

struct RoughnessLayout {
    std::vector<RoughnessPiece> pieces;
    RoughnessText texts[4];
    double long_leg;        // L
    bool second_arrangement;
    bool shelf;
};

// Builds the sign unturned about its tip; returns the number of pieces.
int build_roughness_sign_strokes(const uint8_t* record, RoughnessLayout* out);

// The box of the sign (its strokes and every text it shows) turned about
// its tip by the record's angle and widened by 0.25 mm on every side.
// Returns 0 (an empty box) for a null record.
int roughness_sign_bounds(const uint8_t* record, Box* out);
// The same, and the distance from the tip to the box's left edge goes into
// the record's f32 at +28 (where a sign on a leader's shelf starts).
void roughness_sign_bounds_store(uint8_t* record, Box* out);
// Sets the kernel's roughness measurer to roughness_sign_bounds.
void roughness_sign_binding();

// Draws the sign turned about its tip by the record's angle: segments with a
// 0.25 mm pen, the circles, then the texts, all in the normal colour.
void draw_roughness_sign(OutputView* view, const uint8_t* record);
