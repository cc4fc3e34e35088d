// The symbol table's rules: the character codes of a page, the caption of a
// cell, the register (glyph set) in force at the end of a collected line and
// how a picked character is appended to it.  Portable.
#pragma once
#include <string>

enum { symbol_table_pages = 7, symbol_table_cells = 32 };

// The first code of page p (clamped to 0..6): 32 x (p + 1).
int symbol_page_first_code(int page);
// The page clamped to 0..6.
int symbol_page_clamped(int page);

// The caption of a cell: the character ('&' doubled so it is no mnemonic),
// a line break and the code in three digits.
std::string symbol_cell_caption(unsigned char code);

// The text drawn in a cell: "@1" / "@2" and the character for registers 1
// and 2 (the character after a prefix is drawn as it is); in register 0 the
// character, the markup characters '@' and '\' doubled so they are drawn
// as themselves.
std::string symbol_cell_text(unsigned char code, int reg);

// The register in force at the end of a line, read as the stroke text reads
// it: '@' and a digit selects that register (3..9 give 0) and takes the
// next character as it is; '@' and any other character returns to register
// 0; "\\" is a literal backslash.  0 when the line has no prefix.
int symbol_register_in_force(const std::string& line);

// Appends a picked character: when the register chosen differs from the one
// in force, or a markup character ('@', '\') is picked in register 1 or 2,
// the prefix ("@0" brings back register 0) and the character as it is;
// otherwise the character, '@' and '\' doubled.
void symbol_pick_append(std::string& line, unsigned char code, int reg);

// The text-height index a cell draws its character in: from index 6 down to
// 1, the first whose measured box (measure(index, &w, &h), in cell units)
// fits the cell in width and height; 1 when none fits.
int symbol_cell_size_index(double cell_w, double cell_h, void (*measure)(int index, double* w, double* h, void* ctx),
                           void* ctx);
