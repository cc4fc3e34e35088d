// The catalogue of built-in conventional symbols (codes 0..56) in picker
// order: the code stored in a symbol element, the picker picture's bitmap id,
// the number of reference points a new symbol of that code takes, and its
// name (one leading blank; some names hold a line break).
#pragma once
#include <cstddef>
#include <cstdint>

struct SymbolCatalogEntry {
    uint32_t code;
    uint32_t reserved;  // always 0
    uint32_t bitmap_id;
    uint32_t point_count;
    const char* name;
};

enum : uint32_t { symbol_catalog_size = 57, picture_symbol_first_code = 57 };

extern const SymbolCatalogEntry symbol_catalog[symbol_catalog_size];

// The entry of a code, or null for codes outside 0..56 (picture symbols and
// damaged values).
const SymbolCatalogEntry* symbol_catalog_entry(uint32_t code);

// The reference points of a symbol element record (kind 11) of `available`
// bytes: its stored length must equal 18 + 20 x count, with 1 <= count <= 4,
// and a catalogue code needs at least the catalogue's number of points.
// Returns the count and fills code and points (model x, y); 0 for a damaged
// record, which is then neither drawn nor measured.
int symbol_element_points(const uint8_t* rec, size_t available, uint32_t* code,
                          double points[4][2]);
