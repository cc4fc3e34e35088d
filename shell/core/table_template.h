// Table templates and axis grids as record work: a projection of type 8
// ("Фрагмент") made of reference points at every crossing of the grid
// lines, straight elements between neighbouring crossings, one width
// dimension per column and one height dimension per row linked to the cell
// corners, and the parameters kept in its construction chain (kinds 5, 6
// and 7) so that the template can be loaded and built again.
//
// Grid lines: rows + 2 horizontal lines (y 0, the header height, then one
// more row height per body row, growing downward as stored y does) and
// columns + 1 vertical lines at the cumulative widths. So a template of
// c columns and r rows has (r + 2)(c + 1) points, (r + 2)c + (r + 1)(c + 1)
// elements and c + r + 1 dimensions; 0 rows gives the header row alone.
// The horizontal lines between body rows take the separator line type,
// every other line the frame line type.
//
// Texts: each column's caption in the header row, and in every body row
// i a placeholder "!к<table column>с<i>" in the template column that shows
// that table column, their frames at the cell's smaller corner so that they
// stand in the cell (shifted by the offsets when asked), with the style
// word as the text's flags, the alignment, the fit-into-cell bit of text
// flags bit 0, and rotated texts turned by -pi/2.
//
// Axis marks (an axis grid with marking on): on each chosen side, in the
// order left, right, top, bottom, a leader at each end of the axes on that
// side, its arrow on the axis end, its text the mark 10 mm (on the sheet)
// further out.  Left and right count the horizontal axes from the top (or
// the bottom) starting with the first horizontal mark; top and bottom count
// the vertical axes from the left (or the right) with the first vertical
// mark; each next mark is template_next_mark of the one before.
//
// Sizes come in drawing units.
#pragma once
#include "store/drawing_file.h"

#include <cstdint>
#include <string>
#include <vector>

struct TemplateColumn {
    double width = 20.0;
    std::string caption;
    uint8_t alignment = 0;
    uint16_t style = 0;
    uint16_t text_flags = 0;
    double offset_x = 0, offset_y = 0;
    uint16_t width_variable = 0, offset_x_variable = 0, offset_y_variable = 0;
    uint32_t width_dimension = 0;  // set by the build
};

struct TemplateBinding {
    uint32_t table_column = 0;     // from 1
    uint32_t template_column = 0;  // 0: none
    uint8_t alignment = 0;
    uint16_t style = 0;
    uint16_t text_flags = 0;
    double offset_x = 0, offset_y = 0;
    uint16_t offset_x_variable = 0, offset_y_variable = 0;
};

enum : uint16_t {
    template_flag_separator_type = 0x000F,  // bits 0-3
    template_flag_frame_type = 0x00F0,      // bits 4-7
    template_flag_marks = 0x0100,           // axis grid: its axes are marked
    template_mark_left = 0x0200,            // the sides that carry the marks
    template_mark_right = 0x0400,
    template_mark_top = 0x0800,
    template_mark_bottom = 0x1000,
    template_first_bottom = 0x2000,         // left and right marks count from the bottom axis
    template_first_right = 0x4000,          // top and bottom marks count from the right axis
    template_flag_grid = 0x8000
};
// A new axis grid: inner and outer axes of line type 4, marks on the left
// and on top.
constexpr uint16_t template_grid_default_flags = 0x0044 | template_flag_marks | template_mark_left | template_mark_top;
// Text flags of a column or a binding.
enum : uint16_t { template_text_fit = 0x0001, template_text_rotated = 0x0002, template_text_offset = 0x0008 };

struct TemplateParams {
    std::string name;
    uint32_t rows = 10;
    double header_height = 20.0;
    double row_height = 10.0;
    uint16_t header_variable = 0, row_variable = 0;
    uint16_t flags = 0x0012;  // separators line type 2, frame line type 1
    std::string first_horizontal_mark = "1";
    std::string first_vertical_mark = "1";
    std::vector<TemplateColumn> columns;
    std::vector<TemplateBinding> bindings;
};

struct TemplateBuildResult {
    uint32_t projection = 0;  // its number; 0 when nothing was built
    int points = 0, elements = 0, dimensions = 0, links = 0;
    int texts = 0;  // captions and placeholders placed (none without the stroke fonts)
    int marks = 0;  // axis-mark leaders
    std::string message;  // why nothing was built
};

// The type-8 projection whose packed name equals name (over 32 bytes), or 0.
RecordRef template_find_projection(DrawingFile* df, const std::string& name);

// Builds the template into the projection at reuse (its contents cleared
// first, its number kept), or into a new projection when reuse is 0. The
// caller takes the checkpoint and holds the document lock.
TemplateBuildResult template_build(DrawingFile* df, TemplateParams& p, RecordRef reuse);

// Reads the parameters kept in a template's projection. False when it holds none.
bool template_load(DrawingFile* df, RecordRef projection, TemplateParams& p);

// The mark of the next axis: the trailing number of mark (the digits after
// the last other character, trailing blanks ignored) plus one, zero-padded
// to its former width when it began with 0; "1" appended when there is no
// trailing number.
std::string template_next_mark(const std::string& mark);

// Whether a first axis mark survives its 4 packed bytes of the template
// record (trailing blanks aside); the grid dialog refuses one that does not.
bool template_mark_fits(const std::string& mark);
