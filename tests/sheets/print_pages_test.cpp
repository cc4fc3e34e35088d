// Print pages: the page grid of a sheet larger than the paper, its
// registration marks, page selection lists and the reduction note.
#include "output/print_pages.h"

#include <gtest/gtest.h>

namespace {

// A1 (841 x 594) on the A4 page of the PDF printer (209 x 297 printable), 1:1.
PrintGrid a1_on_a4(bool title_page) {
    PrintGrid g;
    EXPECT_EQ(print_split_pages({0, 0}, 841, 594, 209, 297, 10, title_page, 841, 594, &g), print_split_ok);
    return g;
}

TEST(PrintSplit, A1OnA4Grid) {
    PrintGrid g = a1_on_a4(false);
    // ceil(841 / 199) = 5 columns, ceil(594 / 287) = 3 rows.
    EXPECT_EQ(g.columns, 5);
    EXPECT_EQ(g.rows, 3);
    EXPECT_EQ(g.page_count, 15);
    EXPECT_FALSE(g.single_page);
    ASSERT_EQ(g.pages.size(), 15u);
    // Column by column, row by row within a column.
    const PrintPage* p = print_find_page(g, 1, 2);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->number, 1 * 3 + 2 + 1);
    EXPECT_DOUBLE_EQ(p->start.x, 199);
    EXPECT_DOUBLE_EQ(p->start.y, 574);
    EXPECT_DOUBLE_EQ(p->end.x, 408);
    EXPECT_DOUBLE_EQ(p->end.y, 871);
    EXPECT_EQ(print_find_page(g, 5, 0), nullptr);
    // With the title block on a page of its own the drawing pages start at 2.
    PrintGrid t = a1_on_a4(true);
    EXPECT_EQ(t.page_count, 16);
    EXPECT_EQ(t.pages.front().number, 2);
    EXPECT_EQ(t.pages.back().number, 16);
}

TEST(PrintSplit, RegistrationMarksInTheOverlaps) {
    PrintGrid g = a1_on_a4(false);
    const PrintPage* p00 = print_find_page(g, 0, 0);
    // Right marks 5 mm inside the right edge at 1/8 and 7/8 of the height:
    // 297/8 = 37.125 and 7 x 297/8 = 259.875, rounded.
    EXPECT_EQ(p00->marks, print_marks_right | print_marks_bottom);
    EXPECT_DOUBLE_EQ(p00->mark[1][0].x, 204);
    EXPECT_DOUBLE_EQ(p00->mark[1][0].y, 37);
    EXPECT_DOUBLE_EQ(p00->mark[1][1].y, 260);
    // Bottom marks 5 mm above the bottom edge at 209/8 = 26.125 and 182.875.
    EXPECT_DOUBLE_EQ(p00->mark[2][0].y, 292);
    EXPECT_DOUBLE_EQ(p00->mark[2][0].x, 26);
    EXPECT_DOUBLE_EQ(p00->mark[2][1].x, 183);
    // Neighbours share the marks: they lie in both pages' overlap.
    const PrintPage* p10 = print_find_page(g, 1, 0);
    EXPECT_TRUE(p10->marks & print_marks_left);
    EXPECT_DOUBLE_EQ(p10->mark[3][0].x, 204);
    EXPECT_GT(p10->mark[3][0].x, p10->start.x);
    const PrintPage* p01 = print_find_page(g, 0, 1);
    EXPECT_TRUE(p01->marks & print_marks_top);
    EXPECT_DOUBLE_EQ(p01->mark[0][1].x, 183);
    EXPECT_GT(p01->mark[0][1].y, p01->start.y);
    // The last column has no right marks, the last row no bottom marks.
    for (const PrintPage& p : g.pages) {
        EXPECT_EQ(bool(p.marks & print_marks_right), p.column < 4) << p.number;
        EXPECT_EQ(bool(p.marks & print_marks_bottom), p.row < 2) << p.number;
        EXPECT_EQ(bool(p.marks & print_marks_left), p.column > 0) << p.number;
        EXPECT_EQ(bool(p.marks & print_marks_top), p.row > 0) << p.number;
    }
}

// Pages that step by page - overlap: n of them cover (n - 1) x step + page,
// so the fewest that cover an extent E are ceil((E - overlap) / step).
TEST(PrintSplit, FewestPagesThatCoverTheExtent) {
    struct {
        double extent, page;
        int pages;
    } cases[] = {
        {200, 209, 1},        // narrower than the page: one column
        {209, 209, 1},        // exactly the page
        {210, 209, 2},        // one millimetre more
        {408, 209, 2},        // 199 + 209 = 408 covered by two
        {409, 209, 3},
        {420, 420.12, 1},     // an A3 sheet on A3 paper printed turned
        {841, 209, 5},        // A1 on A4: ceil(831 / 199)
        {594, 297, 3},        // ceil(584 / 287)
    };
    for (auto& c : cases) {
        PrintGrid g;
        ASSERT_EQ(print_split_pages({0, 0}, c.extent, 100, c.page, 297, 10, false, c.extent, 100, &g), print_split_ok);
        EXPECT_EQ(g.columns, c.pages) << c.extent << " on " << c.page;
        // The last page reaches the extent's end.
        EXPECT_GE(g.pages.back().end.x, c.extent - 1e-9) << c.extent;
    }
    // An A3 sheet at 1:1 on turned A3 paper (420.12 x 297.01 mm printable)
    // is printed whole.
    PrintGrid g;
    ASSERT_EQ(print_split_pages({0, 0}, 420, 297, 420.12, 297.01, 10, false, 420, 297, &g), print_split_ok);
    EXPECT_TRUE(g.single_page);
    EXPECT_EQ(g.page_count, 1);
}

TEST(PrintSplit, SinglePageAndRefusals) {
    PrintGrid g;
    // A4 sheet on A3 paper: one page holding the whole sheet, no marks.
    ASSERT_EQ(print_split_pages({0, 0}, 210, 297, 297, 420, 10, false, 210, 297, &g), print_split_ok);
    EXPECT_TRUE(g.single_page);
    EXPECT_EQ(g.page_count, 1);
    EXPECT_EQ(g.pages[0].marks, 0);
    // An area that fits one page step, on a page smaller than the sheet: not single-page.
    ASSERT_EQ(print_split_pages({0, 0}, 100, 100, 209, 297, 10, true, 420, 297, &g), print_split_ok);
    EXPECT_FALSE(g.single_page);
    EXPECT_EQ(g.page_count, 2);
    // A page no larger than the overlap cannot advance.
    EXPECT_EQ(print_split_pages({0, 0}, 841, 594, 10, 297, 10, false, 841, 594, &g), print_split_bad_page);
    EXPECT_TRUE(g.pages.empty());
    // A giant user format on A4: refused instead of a huge page list.
    EXPECT_EQ(print_split_pages({0, 0}, 1e9, 1e9, 209, 297, 10, false, 1e9, 1e9, &g), print_split_too_many);
    EXPECT_TRUE(g.pages.empty());
}

TEST(PrintSelection, NextPageOfAList) {
    struct {
        const char* list;
        int count;
        std::vector<int> pages;
    } cases[] = {
        {"", 3, {1, 2, 3}},
        {"  ", 2, {1, 2}},
        {"2,5-7", 10, {2, 5, 6, 7}},
        {"7-, 2", 9, {2, 7, 8, 9}},
        {"4-2", 9, {}},
        {"3,3,1", 5, {1, 3}},
        {"8-12", 10, {8, 9, 10}},
        {"0,20", 10, {}},
    };
    for (auto& c : cases) {
        std::vector<int> got;
        for (int p = print_next_page(c.list, 0, c.count); p > 0 && got.size() < 50; p = print_next_page(c.list, p, c.count))
            got.push_back(p);
        EXPECT_EQ(got, c.pages) << "'" << c.list << "'";
    }
    for (const char* bad : {"a", "1;2", "1-2-3", "-3", "2,x"}) EXPECT_EQ(print_next_page(bad, 0, 9), -1) << bad;
}

TEST(PrintReductionNote, TextOfTheFactor) {
    EXPECT_EQ(print_reduction_note(1.0), "");
    EXPECT_EQ(print_reduction_note(0.5), "Уменьшено в 2 раза");
    EXPECT_EQ(print_reduction_note(0.4), "Уменьшено в 2,5 раза");
    EXPECT_EQ(print_reduction_note(1.0 / 1.414), "Уменьшено в 1,414 раза");
    EXPECT_EQ(print_reduction_note(0.0), "");
}

}  // namespace
