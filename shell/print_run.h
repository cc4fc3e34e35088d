// Printing: the program's print-setup record, the print command (device
// checks, the page grid), the print dialog "Печать чертежа" and the print
// thread that sends the pages of the current sheet through the spooler.
#pragma once
#include <windows.h>

#include <string>

#include "output/print_pages.h"
#include "render/output/output_view.h"

// The printer's metrics the print run is built on.
struct PrintDeviceCaps {
    int horzres, vertres;        // printable area, pixels
    int horzsize, vertsize;      // printable area, whole mm
    int logpixelsx, logpixelsy;  // pixels per inch
    int rastercaps;
};

// The device side of printing: the print-setup dialog and the printer's
// metrics.  Tests put a default-printer choice without dialog, or metrics of
// a printer that refuses, in their place.
struct PrintDeviceSeams {
    BOOL (*print_setup)(PRINTDLGA* setup);
    void (*device_caps)(HDC dc, PrintDeviceCaps* caps);
};
extern const PrintDeviceSeams print_device_seams_system;
extern PrintDeviceSeams print_device_seams;

// The print-setup record, filled once at start-up by init_print_dialog:
// PD_NOSELECTION | PD_NOPAGENUMS | PD_PRINTSETUP | PD_RETURNDC |
// PD_USEDEVMODECOPIESANDCOLLATE, one copy, pages 1..0.
extern PRINTDLGA print_setup;
void init_print_dialog(HINSTANCE instance);

// One print run: what the print command prepared and the dialog adjusts.
struct PrintRun {
    HDC dc = nullptr;
    std::string device;          // the printer's name, for messages
    std::string document;        // the spooler's document name
    double base_x = 0, base_y = 0;    // pixels per paper mm
    double page_w_mm = 0, page_h_mm = 0;  // printable area, mm
    double zoom = 1.0;           // single-page reduction
    PrintPoint origin{0, 0};     // single-page: sheet origin on the page (model units)
    PrintGrid grid;
    bool title_page = false;     // the title block on a page of its own
    bool blank_page = false;     // an empty page after each copy
    bool mini = false;           // "Миниформат": the sheet reduced onto one page
    bool ignore_size = false;    // "Игнорировать размер листа": one page at full size
    bool all_sheets = false;     // "Печатать все листы"
    int copies = 1;
    std::string selection;       // the page list of edit 1272
    HWND dialog = nullptr;
    HANDLE thread = nullptr;
    bool running = false;        // a thread was started and has not finished
    int pages_printed = 0;
    int result = 0;              // 1 the document was ended, 0 nothing printed, -1 a spooler failure
};
extern PrintRun* print_run;

// Results of print_drawing.
enum : int {
    print_done = 1,              // the dialog ran (printed or not)
    print_refused_no_dc = 0,
    print_refused_no_graphics = -1,
    print_refused_bad_metrics = -2,
    print_refused_pages = -3
};

// The print command after the print-setup dialog: refuses a printer without
// bitmap output ("Этот принтер для вывода графики не приспособлен!" with its
// name) and metrics of 0 ("От драйвера принтера получены недопустимые
// данные!"), cuts the current sheet into pages and runs the print dialog.
int print_drawing();

// The print-setup dialog, then print_drawing; 0 when cancelled.
int print_dialog_and_print();

// Prepares a print run on dc for the current sheet (metrics, page grid); 0
// and a message on refusal.  The run is print_run until print_run_end.
int print_run_begin(HDC dc, const char* device);
void print_run_end();
// Rebuilds the pages (after the title-page choice changed).
int print_run_split();
// Single-page mode: zoom z (1.0 full size) and the origin that puts the
// sheet's right edge 4 mm inside the page (centred when centre is set).
void print_set_zoom(double z, bool centre);

// The shift of the drawing on the paper in single-page mode, remembered
// until the program ends: per axis (0 x, 1 y) a sign (-1, 0, +1) and a
// distance in model units.
extern int print_shift_sign[2];
extern double print_shift_distance[2];
// The single-page origin moved by the remembered shift (distance x sign /
// zoom per axis).
void print_apply_shift();

// Draws the page grid of the print run onto the sheet window's view: each
// page's frame with its marks and its number; nothing without a run or in
// single-page mode.
void print_preview(OutputView* view);

// The lines of list 1278: the title page, then each page and its marks.
std::string print_page_list_line(int index);

// Starts the print thread on print_run (the dialog gets WM_USER+1 at the
// end and WM_USER+2 after each page); prints synchronously when wait is set.
int print_start(bool wait);
// Asks a running print to stop after the current page.
void print_stop();

// Binds the print command and the print counter of the output walks.
void print_bind();

enum : UINT {
    print_message_finished = WM_USER + 1,
    print_message_page = WM_USER + 2
};
