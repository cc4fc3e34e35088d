// AAMA export: a DXF dialect for garment patterns.  Every view of the
// current sheet is one pattern piece, written as a block "Pattern_<number>"
// with its outer outline (a closed POLYLINE on layer 1), the outlines of its
// hatched holes (layer 8) and the outline's corner POINTs (layer 2); the
// ENTITIES section holds the two TEXTs of the format and one INSERT per
// piece.
//
// The outer outline is the closed contour met first from the left along the
// horizontal line through the centre of the view's frame; the outlines are
// walked piece by piece with tolerant end matching; an arc gives points by
// its sweep, a whole circle 7 inner points and its end.  The drawing is not
// changed by the export: contours are found in their unstored form and the
// hatchings already written are remembered outside the records.
#pragma once
#include <cstdio>
#include <vector>

#include "output/dxf_export.h"

// Writes the AAMA file to f (opened for text writing).  Returns 0, or -1
// after "$экспорта" (with the piece's caption on the detail list) for a
// piece without an outer outline.
int aama_write(FILE* f, DrawingFile* df, const std::vector<DxfView>& views);
