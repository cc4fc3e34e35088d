// Printing time of a large sheet: an A1 sheet with a title block and one
// view of 10,000 segments, printed at 1:1 on the default printer's A4 paper
// (15 pages of the grid), through the same print run as the print dialog's
// "Выполнить".  Reports the pages and the time to hand them to the spooler;
// scripts/print_to_pdf.sh around it gives the time until the PDF is written:
//
//     cmake --build build/win64 --target bench_print
//     time bash scripts/print_to_pdf.sh /tmp/bench-pdf bash scripts/wine_run.sh build/win64/bench_print.exe
#include "tests/output/element_chain_fixture.h"
#include "tests/fonts/font_test_support.h"

#include <windows.h>

#include <chrono>
#include <cstdio>

#include "geometry/kernel_context.h"
#include "output/sheets.h"
#include "shell/core/projection_records.h"
#include "shell/print_run.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

using namespace output_test;

namespace {

class PrintBench : public ElementChainTest {};

TEST_F(PrintBench, A1SheetOfTenThousandElements) {
    std::vector<std::vector<uint8_t>> fonts = font_test::built_fonts();
    ASSERT_EQ(font_test::load_fonts(fonts), 0);
    bind_current_drawing_header([]() -> const uint8_t* { return open_drawings[current_drawing]->header; });
    put_u8(df->header, header_sheet_format, sheet_format_a1);
    put_u8(df->header, header_title_block_kind, 1);
    put_f64(df->header, header_scale, 1.0);
    put_u16(df->header, header_current_sheet, 1);
    // One view of 10,000 segments over 780 x 500 mm of the sheet.
    uint8_t rec[projection_record_max] = {};
    projection_record_init(rec, 1, 1);
    put_f32(rec, 58, 0.f);
    put_f32(rec, 62, 0.f);
    put_f32(rec, 66, 780.f);
    put_f32(rec, 70, 500.f);
    put_f32(rec, 74, 30.f);
    put_f32(rec, 78, 20.f);
    put_u16(rec, 106, 1);
    std::copy(rec, rec + projection_record_max, projection.begin());
    for (int i = 0; i < 10000; ++i) {
        double x = (i * 37) % 760, y = (i * 13) % 500;
        add(segment_element({x, y}, {x + 20, y + (i % 7)}, 1), static_cast<uint32_t>(i + 1));
    }
    std::copy(projection.begin(), projection.begin() + 180, rec);
    RecordRef head = get_u32(df->header, header_projections);
    ASSERT_NE(record_add_at_end(df, &head, rec, &page_buffers[table_projections]), 0u);
    put_u32(df->header, header_projections, head);

    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    if (!PrintDlgA(&pd) || !pd.hDC) GTEST_SKIP() << "no default printer (run under scripts/print_to_pdf.sh)";
    auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(print_run_begin(pd.hDC, "bench"), print_done);
    int pages = print_run->grid.page_count;
    ASSERT_EQ(print_start(true), 1);
    int printed = print_run->pages_printed, result = print_run->result;
    print_run_end();
    auto t1 = std::chrono::steady_clock::now();
    std::printf("A1 sheet, 10000 elements: %d pages of %d printed (result %d) in %.0f ms to the spooler\n", printed,
                pages, result, std::chrono::duration<double, std::milli>(t1 - t0).count());
    EXPECT_EQ(result, 1);
    DeleteDC(pd.hDC);
    if (pd.hDevMode) GlobalFree(pd.hDevMode);
    if (pd.hDevNames) GlobalFree(pd.hDevNames);
    bind_current_drawing_header(nullptr);
}

}  // namespace
