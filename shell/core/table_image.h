// The graphic image of a table: the table cut into pages, each page a view
// of the drawing copied from a template fragment (a projection of type 8,
// "Фрагмент"): the first page from the first-sheet template, the others
// from the following-sheets template.  A page is named "<page> <table>"; it
// holds the template's points, elements and annotation, and its dimensions
// (hidden, so that they keep the grid in place without being drawn).
//
// Cell placeholders: a text fragment of the template whose text is "!",
// a column mark ("к" or "c") with the table column number, and a row mark
// ("с" or "r") with the row number within the page, both from 1 (the
// template builder writes "!к<column>с<row>").  On a page, each receives the
// text of the table cell its row stands for, or is dropped when that cell
// is empty.  Page 1 shows table rows 0 .. F - 1, page k > 1 the rows from
// F + (k - 2) N on, where F and N are the highest row numbers among the
// placeholders of the two templates.
//
// A filled text stands in its cell (the closed cell of drawing lines
// around the placeholder, else the placeholder's own frame): across the
// text it is centred; along it, it stands at the cell's start (alignment
// 0), in its middle (1) or at its end (2), 1.24 mm (on the sheet) from the
// cell's lines.  With the main font register set (1..7) every line begins
// with "@<register>".  With wrapping, the text is broken into lines no
// longer than the cell less its margins: at blanks, or inside a word too
// long for a line.
//
// Every page is marked as a page projection in its second flag word (the
// first as a new page, the others as continuing the page before), so that
// page sheets are made for it; a replaced page keeps its sheet.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "store/drawing_file.h"

struct CellPlaceholder {
    uint32_t column = 0;  // table column, from 1
    uint32_t row = 0;     // row within the page, from 1
};
// Reads a placeholder text (either mark in either case, blanks around it
// ignored).  False for any other text.
bool cell_placeholder_parse(const std::string& text, CellPlaceholder* out);

// Pages needed for `rows` table rows when the first page shows `first`
// rows and each further page `next` rows: at least 1; -1 when the rows do
// not fit the first page and next is 0.
int table_image_page_count(uint32_t rows, uint32_t first, uint32_t next);
// The table row (from 0) that row `row` (from 1) of page `page` (from 1)
// stands for.
uint32_t table_image_table_row(uint32_t page, uint32_t row, uint32_t first, uint32_t next);

// Breaks `text` into lines whose measured length is at most `width`: at
// blanks (a run of blanks between two lines is dropped), and a word longer
// than a line at the character (never inside a "{...}" variable
// reference, never leaving a line empty).  The two characters "\" "n" are
// kept as breaks.  A text that fits, or a width that is not positive,
// comes back as one line.
std::vector<std::string> cell_text_wrap(const std::string& text, double width,
                                        const std::function<double(const std::string&)>& measure);

struct TableImageRequest {
    uint32_t table = 0;           // table key
    uint32_t first_template = 0;  // projection numbers of the template fragments (0: none)
    uint32_t next_template = 0;
    bool wrap = false;
    unsigned font_register = 0;   // 0: none
    // Asked with the page's name before an existing view of that name is
    // replaced; false keeps that view and its page is not built.  Null:
    // replaced without asking.
    std::function<bool(const std::string&)> replace;
};

struct TableImageResult {
    std::vector<uint32_t> pages;    // projection numbers of the pages built, in page order
    std::vector<uint32_t> created;  // those of them that are new projections
    int texts = 0;                  // placeholders filled
    std::string message;            // why nothing was built
};

// Builds the pages.  The caller takes the checkpoint, holds the document
// lock and saves the drawing afterwards.  Messages: "Не заданы шаблоны
// таблицы" without a first template, or when the rows need following pages
// and there is no following template with placeholders; "Слишком много
// листов" for more pages than sheet numbers (2047); "ОШИБКА в структуре
// данных" on a store failure (pages built before it stay).
TableImageResult table_image_build(DrawingFile* df, const TableImageRequest& request);

// The template fragments a table image may use: every projection of type 8
// in chain order, with its title.
struct TemplateFragment {
    uint32_t number = 0;
    std::string title;
};
std::vector<TemplateFragment> table_image_fragments(DrawingFile* df);

// The page's name: "<page> <table name>".
std::string table_image_page_name(uint32_t page, const std::string& table);

extern const char* const table_image_no_templates;  // "Не заданы шаблоны таблицы"
