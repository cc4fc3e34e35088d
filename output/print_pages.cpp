// Print pages: the page grid, registration marks, page selection and the
// reduction note.
#include "output/print_pages.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

double round_unit(double v) { return std::floor(v + 0.5); }

// Pages of size step + overlap that advance by step cover
// (n - 1) x step + step + overlap, so ceil((extent - overlap) / step) of them
// cover the extent; at least 1; -1 when beyond the page limit.
int page_count_along(double extent, double step, double overlap) {
    double n = std::ceil((extent - overlap) / step);
    if (!(n >= 1.0)) return 1;  // also NaN and an empty extent
    if (n > print_page_limit) return -1;
    return static_cast<int>(n);
}

}  // namespace

int print_split_pages(PrintPoint origin, double extent_w, double extent_h, double page_w, double page_h,
                      double overlap, bool title_page, double sheet_w, double sheet_h, PrintGrid* grid) {
    *grid = PrintGrid();
    double step_x = page_w - overlap, step_y = page_h - overlap;
    if (!(step_x > 0.0) || !(step_y > 0.0) || !std::isfinite(page_w) || !std::isfinite(page_h))
        return print_split_bad_page;
    int cols = page_count_along(extent_w, step_x, overlap);
    int rows = page_count_along(extent_h, step_y, overlap);
    if (cols < 0 || rows < 0 || static_cast<long>(cols) * rows + 1 > print_page_limit) return print_split_too_many;
    grid->columns = cols;
    grid->rows = rows;
    int first = title_page ? 2 : 1;
    grid->pages.reserve(static_cast<size_t>(cols) * rows);
    for (int c = 0; c < cols; ++c) {
        for (int r = 0; r < rows; ++r) {
            PrintPage p;
            std::memset(&p, 0, sizeof p);
            p.number = static_cast<uint16_t>(first + c * rows + r);
            p.column = static_cast<uint16_t>(c);
            p.row = static_cast<uint16_t>(r);
            p.start = {origin.x + c * step_x, origin.y + r * step_y};
            p.end = {p.start.x + page_w, p.start.y + page_h};
            grid->pages.push_back(p);
        }
    }
    grid->page_count = cols * rows + (title_page ? 1 : 0);
    grid->single_page = cols == 1 && rows == 1 && page_w >= sheet_w && page_h >= sheet_h;
    print_place_marks(grid, overlap);
    return print_split_ok;
}

const PrintPage* print_find_page(const PrintGrid& grid, int column, int row) {
    if (column < 0 || row < 0 || column >= grid.columns || row >= grid.rows) return nullptr;
    size_t i = static_cast<size_t>(column) * grid.rows + row;
    return i < grid.pages.size() ? &grid.pages[i] : nullptr;
}

void print_place_marks(PrintGrid* grid, double overlap) {
    if (grid->columns <= 1 && grid->rows <= 1) return;
    for (int c = 0; c < grid->columns; ++c) {
        for (int r = 0; r < grid->rows; ++r) {
            size_t i = static_cast<size_t>(c) * grid->rows + r;
            if (i >= grid->pages.size()) return;
            PrintPage& p = grid->pages[i];
            if (r > 0) {
                const PrintPage& above = grid->pages[i - 1];
                if (above.marks & print_marks_bottom) {
                    p.mark[0][0] = above.mark[2][0];
                    p.mark[0][1] = above.mark[2][1];
                    p.marks |= print_marks_top;
                }
            }
            if (c > 0) {
                const PrintPage& left = grid->pages[i - grid->rows];
                if (left.marks & print_marks_right) {
                    p.mark[3][0] = left.mark[1][0];
                    p.mark[3][1] = left.mark[1][1];
                    p.marks |= print_marks_left;
                }
            }
            if (c + 1 < grid->columns) {
                double x = round_unit(p.end.x - overlap / 2);
                p.mark[1][0] = {x, round_unit((7 * p.start.y + p.end.y) / 8)};
                p.mark[1][1] = {x, round_unit((p.start.y + 7 * p.end.y) / 8)};
                p.marks |= print_marks_right;
            }
            if (r + 1 < grid->rows) {
                double y = round_unit(p.end.y - overlap / 2);
                p.mark[2][0] = {round_unit((7 * p.start.x + p.end.x) / 8), y};
                p.mark[2][1] = {round_unit((p.start.x + 7 * p.end.x) / 8), y};
                p.marks |= print_marks_bottom;
            }
        }
    }
}

int print_next_page(const char* list, int current, int page_count) {
    if (!list) list = "";
    const char* s = list;
    while (*s == ' ') ++s;
    if (*s == '\0') return current < page_count ? current + 1 : 0;
    long best = 0;
    while (*s) {
        while (*s == ' ') ++s;
        if (!std::isdigit(static_cast<unsigned char>(*s))) return -1;
        char* e = nullptr;
        long a = std::strtol(s, &e, 10);
        s = e;
        long b = a;
        while (*s == ' ') ++s;
        if (*s == '-') {
            ++s;
            while (*s == ' ') ++s;
            if (std::isdigit(static_cast<unsigned char>(*s))) {
                b = std::strtol(s, &e, 10);
                s = e;
            } else {
                b = page_count;
            }
        }
        while (*s == ' ') ++s;
        if (*s == ',') ++s;
        else if (*s != '\0') return -1;
        // The smallest number of [a, b] above current and not above the count.
        long lo = a > current ? a : current + 1;
        long hi = b < page_count ? b : page_count;
        if (lo <= hi && (best == 0 || lo < best)) best = lo;
    }
    return static_cast<int>(best);
}

std::string print_reduction_note(double zoom) {
    if (!(zoom > 0.0) || zoom == 1.0 || !std::isfinite(zoom)) return std::string();
    char num[64];
    std::snprintf(num, sizeof num, "%.3f", 1.0 / zoom);
    size_t n = std::strlen(num);
    while (n > 0 && num[n - 1] == '0') num[--n] = '\0';
    if (n > 0 && num[n - 1] == '.') num[--n] = '\0';
    for (size_t i = 0; i < n; ++i)
        if (num[i] == '.') num[i] = ',';
    return std::string("Уменьшено в ") + num + " раза";
}
