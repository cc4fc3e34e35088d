// Placing a conventional symbol or picture at the image stage: the symbol
// chosen in the list dialog takes as many reference points as its code
// asks (the catalogue's count for codes 0..56, the loaded picture's for the
// user's images); each click on a reference point not yet taken adds one,
// and the last one stores the element.
#pragma once
#include <cstdint>
#include <vector>

#include "stages/points_elements/element_records.h"
#include "store/drawing_file.h"

struct SymbolInput {
    uint32_t code = 0;
    int needed = 0;           // 0: nothing chosen
    bool below = false;       // drawn under the other graphics (style bit 1)
    std::vector<unsigned char> element;  // the symbol in hand, 18 + 20 x points
    std::vector<uint32_t> controls;      // its points given with Ctrl to become control points
};

// The number of reference points a symbol of that code takes: the
// catalogue's for 0..56, the loaded picture's for the images; 0 when the
// code names neither.
int symbol_input_points_needed(uint32_t code);

// Chooses the symbol to place; false (with "E20350" and the document-failure
// message) when its code names no symbol.  Drops a symbol in hand.
bool symbol_input_choose(SymbolInput& in, uint32_t code, bool below);

// Drops the symbol in hand (the choice stays).
void symbol_input_cancel(SymbolInput& in);

// One click on the reference point `point` (a 48-byte PointRecord as
// stored).  Returns 1 when the point was taken, 2 when the symbol was
// stored (its reference in *stored, its number in *number), 0 when the
// point was refused (already taken, a spline's control point as the first
// or second point: with its message and error_flag set, or nothing
// chosen), -1 on a store failure.  *projection is replaced after the checkpoint.  `ctrl`: the
// click was made with Ctrl held; the third or a later point of a
// four-point image given so becomes a control point (PointRecord flags2
// bit 0) when the symbol is stored.
int symbol_input_click(SymbolInput& in, DrawingFile* df, unsigned char** projection, const unsigned char* point,
                       const ElementStoreHooks& hooks, RecordRef* stored, uint32_t* number, bool ctrl = false);
