// Print pages: cutting the printed area into a grid of printer pages that
// overlap, the registration marks in the overlaps, page selection by a
// list of numbers, and the reduction note of a sheet printed reduced.
//
// Coordinates are model units on the sheet, x to the right, y downward.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Page overlap and the half-arm of a registration cross, in mm on paper.
constexpr double print_overlap_mm = 10.0;
constexpr double print_mark_size_mm = 2.0;

// Bits of PrintPage::marks.
enum : uint16_t {
    print_marks_top = 0x1,
    print_marks_right = 0x2,
    print_marks_bottom = 0x4,
    print_marks_left = 0x8
};

struct PrintPoint {
    double x, y;
};

struct PrintPage {
    uint16_t number;   // 1-based; drawing pages start at 2 when page 1 is the title block
    uint16_t column;   // along x, from 0
    uint16_t row;      // along y, from 0
    uint16_t marks;    // print_marks_*
    PrintPoint start;  // upper left corner on the sheet
    PrintPoint end;    // start + printable page size
    PrintPoint mark[4][2];  // top, right, bottom, left pairs
};

struct PrintGrid {
    std::vector<PrintPage> pages;  // column by column, row by row within a column
    int columns = 0;
    int rows = 0;
    int page_count = 0;      // including the title-block page
    bool single_page = false;
};

// Pages beyond this are refused: a grid that large is a format no paper fits.
enum : int { print_page_limit = 2000 };

enum : int {
    print_split_ok = 0,
    print_split_bad_page = 1,   // the printable page is not larger than the overlap
    print_split_too_many = 2    // more than print_page_limit pages
};

// Cuts the area (origin, extent) into pages of the printable size that
// overlap by `overlap` (all model units): per axis ceil((extent - overlap) /
// (page - overlap)) pages, at least one: the fewest that cover the extent.  title_page: page 1 is the title block and
// the drawing pages count from 2.  single_page is set for a 1 x 1 grid whose
// page holds the whole sheet (sheet_w x sheet_h).  Marks are placed as
// print_place_marks does.  On refusal the grid is left empty.
int print_split_pages(PrintPoint origin, double extent_w, double extent_h, double page_w, double page_h,
                      double overlap, bool title_page, double sheet_w, double sheet_h, PrintGrid* grid);

// Registration marks of every page of the grid (nothing for 1 x 1): right
// marks at x = end x - overlap/2, y at 1/8 and 7/8 of the page height,
// unless in the last column; bottom marks likewise, unless in the last
// row; a page takes the bottom marks of the page above as its top marks and
// the right marks of the page to the left as its left marks.  Coordinates
// round to whole model units.
void print_place_marks(PrintGrid* grid, double overlap);

// The page at (column, row), or null.
const PrintPage* print_find_page(const PrintGrid& grid, int column, int row);

// Page selection: the next page to print after `current` (0 before the
// first), 0 when done.  An empty list prints every page; otherwise a
// comma-separated list of numbers and ranges a-b ("a-" runs to the last
// page).  Returns -1 when the list is not of that form.
int print_next_page(const char* list, int current, int page_count);

// The note of a sheet printed reduced by zoom z (< 1): "Уменьшено в 2 раза",
// 1/z with three decimals at most and a decimal comma.  Empty for z == 1.
std::string print_reduction_note(double zoom);
