// Designation letters of a section line or view: where the two letter
// anchors at each end stand.
//
// A SectionRecord holds its nodes as float pairs from +50 (node k at
// 50 + 8k, count in byte 7) and its letters packed in the two words at +14.
// At the first node: psi is the direction from node 0 to node 1, the
// letters stand on the side phi = psi + pi/2 (flag bit 6 clear) or
// psi - pi/2 (set); with one node phi = pi (clear) or 0 (set).  Anchor 1
// (+18) = node 0 + 15 mm along phi, the tail of the arrow; anchor 2 (+26),
// the text anchor, = node 0 + (15 mm - m) along phi, m = 1.24 mm, moved by
// the text box (width W, height H, depth D): with n = phi in whole 4-degree
// steps (rounded half away from zero), n x 4 degrees parallel to x: y -= m +
// D; else sin phi cos phi < 0: x -= m + W and, when |sin phi| < 0.5,
// y -= m + D; else x += m and, when |sin phi| < 0.7071067, y -= m + D.
// When psi < 0 anchor 2 moves back along psi by (m + D) x 2.5 + H (not with
// one node: there is no arrow direction).  With two or more nodes anchors
// 3 (+34) and 4 (+42) are placed the same way at the last node, psi from
// the last node to the one before it and the side rule reversed.
#pragma once

#include <cstdint>

// The node count that fits the record (byte 7, at most what its length holds).
int section_node_count(const uint8_t* section);

// Writes the four anchors into the record (floats); nothing without nodes.
void place_designation_letters(uint8_t* section);
