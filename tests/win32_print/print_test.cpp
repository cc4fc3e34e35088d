// Printing through the real Windows printing interface: the refusals of the
// print command, the page list of a sheet larger than the paper, and, where
// a printer is installed (scripts/print_to_pdf.sh starts a CUPS PDF
// printer), whole print runs through the print dialog and the print thread.
// Each printed run writes what its PDF must hold into print_expect.txt of
// the folder SARVOLT_PRINT_OUT names; scripts/check_pdfs.py checks the PDFs
// against it with poppler's tools.
#include "tests/output/element_chain_fixture.h"
#include "tests/fonts/font_test_support.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "geometry/kernel_context.h"
#include "output/sheets.h"
#include "render/output/output_view.h"
#include "shell/core/projection_records.h"
#include "shell/frame_face.h"
#include "shell/print_run.h"
#include "shell/resource_ids.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

using namespace output_test;

namespace {

PrintDeviceCaps fake_caps;
void fake_device_caps(HDC, PrintDeviceCaps* caps) { *caps = fake_caps; }

// The default printer without a dialog, on the paper `paper` (DMPAPER_*)
// turned when `landscape`.
short want_paper = DMPAPER_A4;
bool want_landscape = false;
BOOL default_printer_setup(PRINTDLGA* setup) {
    PRINTDLGA pd = *setup;
    pd.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    pd.hDevMode = nullptr;
    pd.hDevNames = nullptr;
    if (!PrintDlgA(&pd)) return FALSE;
    if (pd.hDevMode) {
        if (DEVMODEA* dm = static_cast<DEVMODEA*>(GlobalLock(pd.hDevMode))) {
            dm->dmPaperSize = want_paper;
            dm->dmOrientation = want_landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
            dm->dmFields |= DM_PAPERSIZE | DM_ORIENTATION;
            ResetDCA(pd.hDC, dm);
            GlobalUnlock(pd.hDevMode);
        }
    }
    setup->hDC = pd.hDC;
    setup->hDevMode = pd.hDevMode;
    setup->hDevNames = pd.hDevNames;
    return TRUE;
}

// The runs that print need the PDF printer of scripts/print_to_pdf.sh,
// which names its output folder in SARVOLT_PRINT_OUT.
bool have_printer() {
    const char* o = std::getenv("SARVOLT_PRINT_OUT");
    char name[256];
    DWORD n = sizeof name;
    return o && *o && GetDefaultPrinterA(name, &n) != 0;
}

std::string out_folder() {
    const char* o = std::getenv("SARVOLT_PRINT_OUT");
    return o ? o : "";
}

void expect_pdf(const std::string& line) {
    std::string dir = out_folder();
    if (dir.empty()) return;
    FILE* f = std::fopen((dir + "\\print_expect.txt").c_str(), "a");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
}

class PrintTest : public ElementChainTest {
protected:
    std::vector<std::vector<uint8_t>> fonts_;
    void SetUp() override {
        ElementChainTest::SetUp();
        fonts_ = font_test::built_fonts();
        ASSERT_EQ(font_test::load_fonts(fonts_), 0);
        bind_current_drawing_header([]() -> const uint8_t* { return open_drawings[current_drawing]->header; });
        print_device_seams = print_device_seams_system;
        init_print_dialog(GetModuleHandleA(nullptr));
        fake_caps = {2479, 3508, 209, 297, 300, 300, RC_BITBLT};
    }
    void TearDown() override {
        print_device_seams = print_device_seams_system;
        if (print_setup.hDC) DeleteDC(print_setup.hDC);
        if (print_setup.hDevMode) GlobalFree(print_setup.hDevMode);
        if (print_setup.hDevNames) GlobalFree(print_setup.hDevNames);
        print_setup.hDC = nullptr;
        print_setup.hDevMode = print_setup.hDevNames = nullptr;
        bind_current_drawing_header(nullptr);
        FontResourceBytes none[stroke_font_count] = {};
        stroke_fonts_load(none);
        ElementChainTest::TearDown();
    }
    void set_sheet(int code, bool rotated, int kind) {
        put_u8(df->header, header_sheet_format, static_cast<uint8_t>(code));
        uint16_t o = get_u16(df->header, header_options);
        put_u16(df->header, header_options, rotated ? (o | header_opt_sheet_turned) : (o & ~header_opt_sheet_turned));
        put_u8(df->header, header_title_block_kind, static_cast<uint8_t>(kind));
        put_f64(df->header, header_scale, 1.0);
        put_u16(df->header, header_current_sheet, 1);
    }
    // One view on sheet 1 whose frame (0,0)-(200,100) stands at (60, 50) of
    // the sheet: a 200 mm line along its top and a 100 mm line down its
    // left side, so the lines run from (60,50) to (260,50) and (60,150).
    void add_view(int elements = 2) {
        uint8_t rec[projection_record_max] = {};
        projection_record_init(rec, 1, 1);
        put_f32(rec, 58, 0.f);
        put_f32(rec, 62, 0.f);
        put_f32(rec, 66, 200.f);
        put_f32(rec, 70, 100.f);
        put_f32(rec, 74, 60.f);
        put_f32(rec, 78, 50.f);
        put_u16(rec, 106, 1);
        std::copy(rec, rec + projection_record_max, projection.begin());
        add(segment_element({0, 0}, {200, 0}, 1), 1);
        add(segment_element({0, 0}, {0, 100}, 1), 2);
        for (int i = 2; i < elements; ++i) {
            double y = 1 + (i % 99), x = (i * 7) % 190;
            add(segment_element({x, y}, {x + 10, y}, 1), static_cast<uint32_t>(i + 1));
        }
        std::copy(projection.begin(), projection.begin() + 180, rec);
        RecordRef head = get_u32(df->header, header_projections);
        RecordRef ref = record_add_at_end(df, &head, rec, &page_buffers[table_projections]);
        put_u32(df->header, header_projections, head);
        ASSERT_NE(ref, 0u);
    }
};

// Presses the print dialog's buttons once it is up: `clicks` in order, then
// "Выполнить"; with stop_after a page, "Остановить" once that many pages are
// reported.
struct DialogDriver {
    std::vector<int> clicks;
    int copies_up = 0;
    int stop_after = 0;
    std::atomic<bool> done{false};
    std::thread t;
    void start() {
        t = std::thread([this] {
            HWND d = nullptr;
            for (int i = 0; i < 600 && !d; ++i) {
                d = FindWindowA(nullptr, "Печать чертежа");
                if (!d) Sleep(50);
            }
            // A dialog is visible once its initialisation has run.
            for (int i = 0; i < 400 && d && !IsWindowVisible(d); ++i) Sleep(10);
            if (!d) return;
            for (int id : clicks) {
                SendMessageA(GetDlgItem(d, id), BM_SETCHECK, BST_CHECKED, 0);
                SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
            }
            for (int i = 0; i < copies_up; ++i)
                SendMessageA(d, WM_VSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_PRINT_COPIES_SPIN)));
            PostMessageA(d, WM_COMMAND, IDOK, 0);
            if (stop_after > 0) {
                for (int i = 0; i < 24000 && IsWindow(d); ++i) {
                    char buf[64] = {};
                    GetDlgItemTextA(d, IDC_PRINT_PROGRESS, buf, sizeof buf);
                    // "Страница  2  из  15": the first number is the page printed.
                    const char* q = buf;
                    while (*q && (*q < '0' || *q > '9')) ++q;
                    unsigned long page = std::strtoul(q, nullptr, 10);
                    if (page >= static_cast<unsigned long>(stop_after)) {
                        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
                        break;
                    }
                    Sleep(5);
                }
            }
            done = true;
        });
    }
    ~DialogDriver() {
        if (t.joinable()) t.join();
    }
};

TEST_F(PrintTest, PrintersThatCannotPrintAreRefused) {
    set_sheet(sheet_format_a3, false, 1);
    print_device_seams.device_caps = fake_device_caps;
    HDC dc = CreateCompatibleDC(nullptr);
    struct {
        PrintDeviceCaps caps;
        int result;
        const char* text;
    } cases[] = {
        {{2479, 3508, 209, 297, 300, 300, 0}, print_refused_no_graphics, "Этот принтер для вывода графики не приспособлен!"},
        {{2479, 3508, 0, 297, 300, 300, RC_BITBLT}, print_refused_bad_metrics, "недопустимые данные"},
        {{0, 3508, 209, 297, 300, 300, RC_BITBLT}, print_refused_bad_metrics, "недопустимые данные"},
        {{2479, 3508, 209, 297, 0, 300, RC_BITBLT}, print_refused_bad_metrics, "недопустимые данные"},
    };
    for (auto& c : cases) {
        store_test::shown().clear();
        error_flag = 0;
        fake_caps = c.caps;
        EXPECT_EQ(print_run_begin(dc, "Плоттер 7"), c.result);
        ASSERT_EQ(store_test::shown().size(), 1u);
        EXPECT_NE(store_test::shown()[0].find(c.text), std::string::npos) << store_test::shown()[0];
        if (c.result == print_refused_no_graphics) {
            EXPECT_NE(store_test::shown()[0].find("Плоттер 7"), std::string::npos);
        }
        EXPECT_EQ(print_run, nullptr);
    }
    // Without a printer DC nothing is done.
    error_flag = 0;
    store_test::shown().clear();
    print_setup.hDC = nullptr;
    EXPECT_EQ(print_drawing(), print_refused_no_dc);
    EXPECT_TRUE(store_test::shown().empty());
    // A sheet that would take more pages than any print run holds, and a
    // page no larger than the pages' overlap, are refused with a message.
    put_u32(df->header, header_user_format_width, 10000);
    put_u32(df->header, header_user_format_height, 10000);
    set_sheet(sheet_format_user, false, 0);
    const PrintDeviceCaps small[] = {{236, 236, 20, 20, 300, 300, RC_BITBLT}, {100, 100, 8, 8, 300, 300, RC_BITBLT}};
    for (const PrintDeviceCaps& c : small) {
        store_test::shown().clear();
        fake_caps = c;
        EXPECT_EQ(print_run_begin(dc, "PDF"), print_refused_pages);
        EXPECT_EQ(store_test::shown().size(), 1u);
        EXPECT_EQ(print_run, nullptr);
    }
    DeleteDC(dc);
}

// An A1 sheet on A4 paper at 300 dpi (2479 x 3508 pixels: 209.9 x 297.0 mm):
// columns ceil((841 - 10) / 199.9) = 5, rows ceil((594 - 10) / 287) = 3;
// page 1's right marks at x = 209.9 - 5 and y = 297 / 8, 7 x 297 / 8; the
// title block on a page of its own puts "Стр. 1 - основная надпись" first
// and numbers the drawing pages from 2.
TEST_F(PrintTest, PageListOfAnA1SheetOnA4) {
    set_sheet(sheet_format_a1, false, 1);
    add_view();
    print_device_seams.device_caps = fake_device_caps;
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_EQ(print_run_begin(dc, "PDF"), print_done);
    ASSERT_NE(print_run, nullptr);
    EXPECT_EQ(print_run->grid.columns, 5);
    EXPECT_EQ(print_run->grid.rows, 3);
    EXPECT_EQ(print_run->grid.page_count, 15);
    EXPECT_FALSE(print_run->grid.single_page);
    EXPECT_EQ(print_page_list_line(0), "Стр. 1 ");
    EXPECT_EQ(print_page_list_line(1), "   X1 =  205,  Y1 =   37");
    EXPECT_EQ(print_page_list_line(2), "   X2 =  205,  Y2 =  260");
    EXPECT_EQ(print_page_list_line(3), "   X3 =   26,  Y3 =  292");
    EXPECT_EQ(print_page_list_line(4), "   X4 =  184,  Y4 =  292");
    EXPECT_EQ(print_page_list_line(5), "Стр. 2 ");
    // Title block on its own page: the area is the view's box, 200 x 100
    // from (60, 50): one page.
    print_run->title_page = true;
    ASSERT_EQ(print_run_split(), print_split_ok);
    EXPECT_EQ(print_run->grid.page_count, 2);
    EXPECT_EQ(print_page_list_line(0), "Стр. 1 - основная надпись");
    EXPECT_EQ(print_page_list_line(1), "Стр. 2 ");
    print_run_end();
    EXPECT_EQ(print_run, nullptr);
    DeleteDC(dc);
}

// A sheet without views: its frame and title block print on the grid of
// the whole sheet; with the title block on a page of its own nothing else
// is left to print, so the title page alone makes the run.
TEST_F(PrintTest, ASheetWithoutViewsPrintsItsTitlePageAlone) {
    set_sheet(sheet_format_a1, false, 1);
    print_device_seams.device_caps = fake_device_caps;
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_EQ(print_run_begin(dc, "PDF"), print_done);
    ASSERT_NE(print_run, nullptr);
    EXPECT_EQ(print_run->grid.page_count, 15);
    print_run->title_page = true;
    ASSERT_EQ(print_run_split(), print_split_ok);
    EXPECT_EQ(print_run->grid.page_count, 1);
    EXPECT_TRUE(print_run->grid.pages.empty());
    EXPECT_EQ(print_page_list_line(0), "Стр. 1 - основная надпись");
    EXPECT_TRUE(store_test::shown().empty());
    print_run_end();
    DeleteDC(dc);
}

// Reduced printing of an A3 sheet on A4: the zoom that fits it, the origin
// putting its right edge 4 mm inside the page and centring it in height.
TEST_F(PrintTest, MiniformatZoomAndOrigin) {
    set_sheet(sheet_format_a3, false, 0);
    print_device_seams.device_caps = fake_device_caps;
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_EQ(print_run_begin(dc, "PDF"), print_done);
    double pw = 2479 / (300 / 25.4), ph = 3508 / (300 / 25.4);
    double z = pw / 420;
    print_set_zoom(z, false);
    EXPECT_NEAR(print_run->origin.x, (pw - 4) / z - 420, 1e-6);
    EXPECT_NEAR(print_run->origin.y, (ph / z - 297) / 2, 1e-6);
    print_set_zoom(1.0, true);
    EXPECT_NEAR(print_run->origin.x, (pw - 420) / 2, 1e-6);
    print_run_end();
    DeleteDC(dc);
}

// The shift of "Сдвинуть лист чертежа": distance x sign / zoom per axis
// moves the single-page origin; the copies count is remembered between runs.
TEST_F(PrintTest, ShiftMovesTheReducedSheetAndCopiesAreRemembered) {
    set_sheet(sheet_format_a3, false, 0);
    print_device_seams.device_caps = fake_device_caps;
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_EQ(print_run_begin(dc, "PDF"), print_done);
    print_set_zoom(0.5, false);
    print_run->grid.single_page = true;
    PrintPoint before = print_run->origin;
    print_shift_sign[0] = 1, print_shift_sign[1] = -1;
    print_shift_distance[0] = 10, print_shift_distance[1] = 4;
    print_apply_shift();
    EXPECT_NEAR(print_run->origin.x, before.x + 20, 1e-9);
    EXPECT_NEAR(print_run->origin.y, before.y - 8, 1e-9);
    // Without a sign the axis stays.
    print_shift_sign[0] = 0;
    before = print_run->origin;
    print_apply_shift();
    EXPECT_NEAR(print_run->origin.x, before.x, 1e-9);
    print_shift_sign[0] = print_shift_sign[1] = 0;
    print_shift_distance[0] = print_shift_distance[1] = 0;
    print_run_end();
    DeleteDC(dc);
}

// The whole path on the printer: an A3 sheet at 1:1 on turned A3 paper is
// one page; its 200 mm line must measure 200 mm in the PDF.
TEST_F(PrintTest, A3SheetPrintsOnOnePageAtFullSize) {
    if (!have_printer()) GTEST_SKIP() << "no printer (scripts/print_to_pdf.sh provides one)";
    set_sheet(sheet_format_a3, false, 0);
    add_view();
    want_paper = DMPAPER_A3;
    want_landscape = true;
    print_device_seams.print_setup = default_printer_setup;
    DialogDriver driver;
    driver.start();
    EXPECT_EQ(print_dialog_and_print(), 1);
    driver.t.join();
    EXPECT_TRUE(driver.done);
    expect_pdf("A3SheetPrints pages=1 size=842x1191 rot=90 line=200 line=100 line=395 line=287");
}

// An A1 sheet on A4 with the title block on a page of its own: the 5 x 3
// grid and the title page, 16 pages.
TEST_F(PrintTest, A1SheetOnA4PrintsTheGridAndTheTitlePage) {
    if (!have_printer()) GTEST_SKIP() << "no printer";
    set_sheet(sheet_format_a1, false, 1);
    add_view();
    want_paper = DMPAPER_A4;
    want_landscape = false;
    print_device_seams.print_setup = default_printer_setup;
    DialogDriver driver;
    driver.start();
    EXPECT_EQ(print_dialog_and_print(), 1);
    driver.t.join();
    EXPECT_TRUE(driver.done);
    // Page 1 carries its right and bottom marks: crosses of 4 mm arms.
    expect_pdf("A1SheetOnA4 nth=0 pages=15 size=595x842 line=4");
    // With the title block on a page of its own the area is the view's box
    // (200 x 100 mm): one drawing page after the title page.
    DialogDriver title;
    title.clicks = {IDC_PRINT_TITLE_PAGE};
    title.start();
    EXPECT_EQ(print_dialog_and_print(), 1);
    title.t.join();
    EXPECT_TRUE(title.done);
    expect_pdf("A1SheetOnA4 nth=1 pages=2 size=595x842 line=185 line=200");
}

// "Печатать все листы": each sheet in turn is printed; the sheet that was
// current is current again afterwards.
TEST_F(PrintTest, AllSheetsArePrintedAndTheCurrentSheetComesBack) {
    if (!have_printer()) GTEST_SKIP() << "no printer";
    set_sheet(sheet_format_a4, false, 0);
    add_view();
    sheet_chain_open(df);
    ASSERT_NE(sheet_add(df), 0u);
    ASSERT_EQ(sheet_make_current(df, 2), 1);
    want_paper = DMPAPER_A4;
    want_landscape = false;
    print_device_seams.print_setup = default_printer_setup;
    DialogDriver driver;
    driver.clicks = {IDC_PRINT_ALL_SHEETS};
    driver.start();
    EXPECT_EQ(print_dialog_and_print(), 1);
    driver.t.join();
    EXPECT_TRUE(driver.done);
    EXPECT_EQ(get_u16(df->header, header_current_sheet), 2);
    EXPECT_EQ(sheet_chain_list(df).size(), 2u);
    // One document per sheet, each an A4 sheet on A4 paper whose printable
    // width (209.9 mm) less the 10 mm overlap takes two columns for 210 mm.
    expect_pdf("AllSheetsArePrint nth=0 pages=2 size=595x842");
    expect_pdf("AllSheetsArePrint nth=1 pages=2 size=595x842");
}

// "Остановить" during a long job ends it after the current page: the PDF
// holds the pages printed so far, and the program prints again afterwards.
TEST_F(PrintTest, StopDuringAJobKeepsThePagesPrinted) {
    if (!have_printer()) GTEST_SKIP() << "no printer";
    set_sheet(sheet_format_a1, false, 0);
    add_view(3000);
    want_paper = DMPAPER_A4;
    want_landscape = false;
    print_device_seams.print_setup = default_printer_setup;
    DialogDriver driver;
    driver.copies_up = 4;  // 5 copies of 15 pages
    driver.stop_after = 2;
    driver.start();
    DWORD t0 = GetTickCount();
    EXPECT_EQ(print_dialog_and_print(), 1);
    driver.t.join();
    EXPECT_LT(GetTickCount() - t0, 120000u);
    expect_pdf("StopDuringAJob nth=0 pages<75 pages>=2 size=595x842");
    // The program goes on working: a second run prints all of its pages.
    set_sheet(sheet_format_a4, false, 0);
    DialogDriver again;
    again.start();
    EXPECT_EQ(print_dialog_and_print(), 1);
    again.t.join();
    EXPECT_TRUE(again.done);
    // The copies count is remembered from the first run (5): 5 x 2 pages.
    expect_pdf("StopDuringAJob nth=1 pages=10 size=595x842 line=100");
}

}  // namespace
