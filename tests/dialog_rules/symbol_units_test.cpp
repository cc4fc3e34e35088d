// Symbol table rules (pages, captions, registers, the collected line) and
// the units dialog's rules (grid-step texts, scale parts, grid steps).
#include <gtest/gtest.h>

#include <string>

#include "shell/core/symbol_table.h"
#include "shell/core/units_grid.h"

namespace {

TEST(SymbolTable, Pages) {
    EXPECT_EQ(symbol_page_first_code(0), 32);
    EXPECT_EQ(symbol_page_first_code(3), 128);
    EXPECT_EQ(symbol_page_first_code(6), 224);  // the last page: 224..255
    EXPECT_EQ(symbol_page_first_code(7), 224);  // no page past it
    EXPECT_EQ(symbol_page_first_code(-1), 32);
    EXPECT_EQ(symbol_page_first_code(6) + symbol_table_cells - 1, 255);
}

TEST(SymbolTable, Captions) {
    EXPECT_EQ(symbol_cell_caption('A'), "A\n065");
    EXPECT_EQ(symbol_cell_caption('&'), "&&\n038");
    EXPECT_EQ(symbol_cell_caption(255), std::string("\xFF") + "\n255");
    EXPECT_EQ(symbol_cell_caption(' '), " \n032");
}

TEST(SymbolTable, CellTexts) {
    EXPECT_EQ(symbol_cell_text('A', 0), "A");
    EXPECT_EQ(symbol_cell_text('A', 1), "@1A");
    EXPECT_EQ(symbol_cell_text('A', 2), "@2A");
    EXPECT_EQ(symbol_cell_text('@', 0), "@@");
    EXPECT_EQ(symbol_cell_text('\\', 0), "\\\\");
    EXPECT_EQ(symbol_cell_text('@', 1), "@1@");
}

TEST(SymbolTable, RegisterInForce) {
    struct Case {
        const char* line;
        int reg;
    } cases[] = {
        {"", 0},         {"abc", 0},      {"@1a", 1},     {"@2a", 2},      {"@1ab@2c", 2},
        {"@1a@0b", 0},   {"@1a@x", 0},    {"@@", 0},      {"@1a@@", 0},    {"@1@", 1},
        {"@1@b", 1},     {"@5a", 0},      {"\\\\@1a", 1}, {"@1", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(symbol_register_in_force(c.line), c.reg);
    }
}

TEST(SymbolTable, PickSequences) {
    struct Pick {
        unsigned char code;
        int reg;
    };
    struct Case {
        const char* start;
        std::vector<Pick> picks;
        const char* want;
    } cases[] = {
        {"", {{'a', 1}, {'b', 1}}, "@1ab"},          // the prefix once
        {"", {{'a', 1}, {'b', 0}}, "@1a@0b"},        // back to register 0
        {"", {{'a', 0}, {'b', 0}}, "ab"},            // register 0 needs no prefix
        {"x", {{'a', 2}}, "x@2a"},
        {"", {{'@', 0}}, "@@"},                      // markup doubled
        {"", {{'\\', 0}}, "\\\\"},
        {"", {{'a', 1}, {'@', 1}}, "@1a@1@"},        // a markup character keeps its prefix
        {"@1a", {{'b', 2}, {'c', 2}}, "@1a@2bc"},
        {"q@@", {{'a', 0}}, "q@@a"},                 // a literal '@' is no prefix
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.want);
        std::string line = c.start;
        for (const Pick& p : c.picks) symbol_pick_append(line, p.code, p.reg);
        EXPECT_EQ(line, c.want);
        // The register the line ends in is the last one picked.
        EXPECT_EQ(symbol_register_in_force(line), c.picks.back().reg);
    }
}

TEST(GridStep, Texts) {
    struct Case {
        double step;
        const char* text;
    } cases[] = {{0.0, "нет"}, {2.5, "2.5"}, {10.0, "10"}, {0.125, "0.125"}, {1234.5, "1234.5"}};
    for (const Case& c : cases) {
        char out[64];
        size_t n = format_grid_step(out, sizeof out, c.step);
        EXPECT_STREQ(out, c.text);
        EXPECT_EQ(n, std::string(c.text).size());
    }
}

TEST(GridStep, Bounds) {
    struct Case {
        const char* text;
        int unit;
        bool ok;
        double step;
    } cases[] = {
        {"0", 0, true, 0.0},       {"2,5", 0, true, 2.5},     {"-5", 0, true, 5.0},
        {"0.001", 0, false, 0},    {"0.01", 0, true, 0.01},   {"100000", 0, true, 100000.0},
        {"100001", 0, false, 0},   {"1e30", 0, false, 0},     {"0.001", 2, true, 0.001},  // 1 mm in metres
        {"1000", 2, false, 0},     {"0.0001", 3, true, 0.0001},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " unit " << c.unit);
        double step = -7;
        EXPECT_EQ(grid_step_from_text(c.text, c.unit, &step), c.ok);
        EXPECT_DOUBLE_EQ(step, c.ok ? c.step : -7.0);
    }
}

TEST(ScaleParts, Fields) {
    struct Case {
        const char* text;
        int part;
    } cases[] = {{"50", 50}, {"", 1}, {"0", 1}, {"-4", 4}, {"2.9", 2}, {"2,9", 2}, {"abc", 1},
                 {"1e12", scale_part_max}, {"100000", scale_part_max}, {"99999", 99999}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(scale_part_from_text(c.text), c.part);
    }
}

TEST(ScaleParts, TitleBlockText) {
    struct Case {
        const char* text;
        int a, b;
    } cases[] = {
        {"1:50", 1, 50}, {"", 1, 1}, {"2", 1, 1}, {"1:0", 1, 1}, {"0:0", 1, 1},
        {"5:1", 5, 1},   {"1:2.5", 1, 2}, {"-1:-20", 1, 20}, {"1:1e40", 1, scale_part_max},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int a = -1, b = -1;
        scale_from_field(c.text, &a, &b);
        EXPECT_EQ(a, c.a);
        EXPECT_EQ(b, c.b);
    }
}

}  // namespace

namespace {

// Boxes of a character by height index, as the measuring would give them.
const double box_w[10] = {1, 2, 3, 4, 6, 8, 11, 15, 20, 28};
const double box_h[10] = {2, 3, 4, 5, 7, 10, 14, 20, 28, 40};
void fake_measure(int index, double* w, double* h, void*) {
    *w = box_w[index];
    *h = box_h[index];
}

TEST(SymbolTable, CellHeightFromSixDown) {
    struct Case {
        double cell_w, cell_h;
        int index;
    } cases[] = {
        {30, 30, 6},   // the largest tried is 6, never 7..9
        {11, 14, 6},   // exactly the box of 6 fits
        {10.9, 14, 5}, // too narrow for 6
        {11, 13.9, 5}, // too low for 6
        {4, 5, 3},
        {2, 3, 1},
        {0.5, 0.5, 1}, // nothing fits: the smallest tried
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cell_w << " x " << c.cell_h);
        EXPECT_EQ(symbol_cell_size_index(c.cell_w, c.cell_h, fake_measure, nullptr), c.index);
    }
}

}  // namespace
