// Printing: the print-setup record, the print command, the print dialog and
// the print thread.
//
// The printed scale comes from the printer's pixels per inch (LOGPIXELSX/Y):
// HORZSIZE and VERTSIZE are whole millimetres and would make every printed
// length a little wrong.  Each page is drawn once between StartPage and
// EndPage (a driver that bands does so itself), and a document that got no
// page out is aborted rather than left open in the spooler.
#include "shell/print_run.h"

#include <process.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "output/layout_nodes.h"
#include "output/sheet_drawing.h"
#include "output/sheets.h"
#include "render/output/element_drawing.h"
#include "render/output/gdi_canvas_win.h"
#include "render/output/output_view.h"
#include "render/output/primitives.h"
#include "render/output/text_output.h"
#include "shell/commands.h"
#include "shell/core/projection_records.h"
#include "shell/frame_face.h"
#include "shell/frame_window.h"
#include "shell/layout_windows.h"
#include "shell/startup.h"
#include "shell/resource_ids.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

BOOL system_print_setup(PRINTDLGA* setup) { return PrintDlgA(setup); }

void system_device_caps(HDC dc, PrintDeviceCaps* caps) {
    caps->horzres = GetDeviceCaps(dc, HORZRES);
    caps->vertres = GetDeviceCaps(dc, VERTRES);
    caps->horzsize = GetDeviceCaps(dc, HORZSIZE);
    caps->vertsize = GetDeviceCaps(dc, VERTSIZE);
    caps->logpixelsx = GetDeviceCaps(dc, LOGPIXELSX);
    caps->logpixelsy = GetDeviceCaps(dc, LOGPIXELSY);
    caps->rastercaps = GetDeviceCaps(dc, RASTERCAPS);
}

const char* const message_no_graphics = "Этот принтер для вывода графики не приспособлен!";
const char* const message_bad_metrics = "От драйвера принтера получены %ые данные!";
const char* const message_too_large = "Формат листа слишком велик для печати на этом принтере!";
const char* const message_bad_selection = "Неверно указаны номера страниц!";

uint32_t current_sheet_number(const uint8_t* h) {
    uint32_t s = get_u16(h, header_current_sheet);
    return s ? s : 1;
}

// The projections shown on the current sheet that have a drawing.
LayoutNodes views_on_current_sheet(DrawingFile* df) {
    LayoutNodes out;
    if (!df) return out;
    uint32_t sheet = current_sheet_number(df->header);
    for (auto& n : layout_build_nodes(df)) {
        if (n->sheet != sheet || (n->flags & layout_node_not_shown)) continue;
        if (n->record.size() <= projection_elements + 4 || !get_u32(n->record.data(), projection_elements)) continue;
        out.push_back(std::move(n));
    }
    return out;
}

void sheet_size_model(double* w, double* h) {
    const uint8_t* hd = current_drawing_header();
    float fw = 0, fh = 0;
    if (hd)
        sheet_size(get_u8(hd, header_sheet_format), (get_u16(hd, header_options) & header_opt_sheet_turned) ? 1 : 0,
                   &fw, &fh);
    *w = sheet_to_model_length(fw);
    *h = sheet_to_model_length(fh);
}

// The view drawing on the printer at the run's scale with origin at (ox, oy)
// of the sheet (model units).
void page_view(OutputView* v, HDC dc, const PrintRun& r, double ox, double oy) {
    output_view_init(v, output_printer);
    v->canvas = gdi_canvas(dc);
    v->stage = 9;
    double unit_mm = model_to_sheet_length(1.0);  // paper mm of one model unit
    v->transform.scale.x = r.base_x * unit_mm * r.zoom;
    v->transform.scale.y = r.base_y * unit_mm * r.zoom;
    v->transform.view_offset.x = static_cast<float>(ox);
    v->transform.view_offset.y = static_cast<float>(oy);
    v->visible_layers = 0xff;
}

// Each view of the page with its symbols, elements, hatch lines,
// dimensions and annotation.
void draw_views(HDC dc, const PrintRun& r, LayoutNodes& views, double ox, double oy) {
    for (auto& n : views) {
        if (!worker_running && r.running) return;
        OutputView v;
        page_view(&v, dc, r, 0, 0);
        layout_draw_node(&v, n.get(), ox, oy, true);
        if (error_flag) return;
    }
}

// The page rectangle (one pixel inside its end corner) and its marks as
// crosses of 2 mm arms.
void draw_page_frame(OutputView* v, const PrintPage& p) {
    PenDesc pen{};
    pen.style = pen_solid;
    pen.width = 1;
    pen.colour = 0;
    PenScope s = canvas_select_pen(&v->canvas, pen);
    double px = 1.0 / v->transform.scale.x, py = 1.0 / v->transform.scale.y;
    double x2 = p.end.x - px, y2 = p.end.y - py;
    draw_line_segment_xy(v, p.start.x, p.start.y, x2, p.start.y);
    draw_line_segment_xy(v, x2, p.start.y, x2, y2);
    draw_line_segment_xy(v, x2, y2, p.start.x, y2);
    draw_line_segment_xy(v, p.start.x, y2, p.start.x, p.start.y);
    double arm = sheet_to_model_length(print_mark_size_mm);
    for (int side = 0; side < 4; ++side) {
        if (!(p.marks & (1u << side))) continue;
        for (int k = 0; k < 2; ++k) {
            const PrintPoint& m = p.mark[side][k];
            draw_line_segment_xy(v, m.x - arm, m.y, m.x + arm, m.y);
            draw_line_segment_xy(v, m.x, m.y - arm, m.x, m.y + arm);
        }
    }
    canvas_restore_pen(&s);
}

void draw_reduction_note(HDC dc, const PrintRun& r, double sheet_w, double sheet_h) {
    std::string note = print_reduction_note(r.zoom);
    if (note.empty()) return;
    OutputView v;
    page_view(&v, dc, r, -r.origin.x, -r.origin.y);
    // The largest text size whose height on paper stays under 4 mm.
    int size = 0;
    for (int i = 5; i >= 0; --i) {
        if (text_settings.text_heights[i] * r.zoom < 4.0) {
            size = i;
            break;
        }
    }
    select_text_font(size, 1, 0);
    double w = 0, h = 0;
    measure_text(note.c_str(), &w, &h);
    draw_text_at(&v, sheet_w - w, sheet_h + h * 1.5, 0.0, note.c_str());
}

volatile LONG print_counter_cell = 0;
int remembered_copies = 1;

void print_counter_update(int counting) {
    if (counting)
        InterlockedIncrement(&print_counter_cell);
    else
        InterlockedExchange(&print_counter_cell, 0);
}

// One page of the run: the title page, a page of the grid, or the whole
// sheet in single-page mode.
void draw_page(HDC dc, PrintRun& r, int number, LayoutNodes& views) {
    double sw = 0, sh = 0;
    sheet_size_model(&sw, &sh);
    if (r.grid.single_page) {
        OutputView v;
        page_view(&v, dc, r, -r.origin.x, -r.origin.y);
        draw_sheet(&v);
        draw_views(dc, r, views, -r.origin.x, -r.origin.y);
        draw_reduction_note(dc, r, sw, sh);
        return;
    }
    if (r.title_page && number == 1) {
        OutputView v;
        page_view(&v, dc, r, 0, 0);
        draw_title_block_page(&v, r.page_w_mm, r.page_h_mm);
        return;
    }
    for (const PrintPage& p : r.grid.pages) {
        if (p.number != number) continue;
        OutputView v;
        page_view(&v, dc, r, p.start.x, p.start.y);
        draw_page_frame(&v, p);
        if (!r.title_page) draw_sheet(&v);
        draw_views(dc, r, views, p.start.x, p.start.y);
        return;
    }
}

// The body of the print thread.  Returns 1 when the document was ended
// with its pages, 0 when nothing was printed, -1 on a spooler failure.
int print_sheet_document(PrintRun& r) {
    DOCINFOA di;
    std::memset(&di, 0, sizeof di);
    di.cbSize = sizeof di;
    di.lpszDocName = r.document.c_str();
    int last = StartDocA(r.dc, &di);
    if (last <= 0) return last < 0 ? -1 : 0;
    LayoutNodes views = views_on_current_sheet(current_drawing_file());
    // The hatch lines are made for the page (they are never kept in the
    // drawing); a failed hatching has shown its message and prints without.
    for (auto& n : views) {
        if (!worker_running) break;
        if (layout_node_regenerate_hatching(n.get(), nullptr) < 0) error_flag = 0;
    }
    int count = r.grid.single_page ? 1 : r.grid.page_count;
    int pages = 0;
    bool failed = false;
    for (int copy = 0; copy < r.copies && !failed && worker_running; ++copy) {
        int page = r.grid.single_page ? 1 : print_next_page(r.selection.c_str(), 0, count);
        while (page > 0 && worker_running) {
            last = StartPage(r.dc);
            if (last <= 0) {
                failed = true;
                break;
            }
            draw_page(r.dc, r, page, views);
            last = EndPage(r.dc);
            if (last <= 0) {
                failed = true;
                break;
            }
            ++pages;
            r.pages_printed = pages;
            if (r.dialog) PostMessageA(r.dialog, print_message_page, static_cast<WPARAM>(page), count);
            if (error_flag) {
                failed = true;
                break;
            }
            if (r.grid.single_page) break;
            page = print_next_page(r.selection.c_str(), page, count);
        }
        if (r.blank_page && !failed && worker_running) {
            if ((last = StartPage(r.dc)) <= 0 || (last = EndPage(r.dc)) <= 0) failed = true;
        }
    }
    if (pages == 0 || last < 0) {
        // An open job with nothing useful in it is taken back from the spooler.
        AbortDoc(r.dc);
        return pages == 0 ? 0 : -1;
    }
    return EndDoc(r.dc) > 0 ? 1 : -1;
}

void rebuild_pages(PrintRun& r);

// The document of the current sheet, or with "Печатать все листы" one
// document per sheet in chain order; the sheet that was current is made
// current again afterwards.  The sheet window does not paint meanwhile.
int print_document(PrintRun& r) {
    InterlockedExchange(&layout_wait_request, 1);
    if (sheet_window && sheet_paint_event) os_event_wait(sheet_paint_event);
    int result = 0;
    {
        DocumentLockGuard lock;
        DrawingFile* df = current_drawing_file();
        if (!r.all_sheets || !df) {
            result = print_sheet_document(r);
        } else {
            uint32_t keep = current_sheet_number(df->header);
            for (const SheetInfo& s : sheet_chain_list(df)) {
                if (!worker_running) break;
                sheet_make_current(df, s.number);
                rebuild_pages(r);
                int rc = print_sheet_document(r);
                if (rc < 0) result = -1;
                else if (rc > 0 && result >= 0) result = 1;
            }
            sheet_make_current(df, keep);
            rebuild_pages(r);
        }
    }
    InterlockedExchange(&layout_wait_request, 0);
    if (sheet_window) InvalidateRect(sheet_window, nullptr, TRUE);
    return result;
}

unsigned __stdcall print_thread(void* arg) {
    PrintRun* r = static_cast<PrintRun*>(arg);
    r->result = print_document(*r);
    InterlockedExchange(&worker_running, 0);
    if (r->dialog) PostMessageA(r->dialog, print_message_finished, 0, 0);
    return 0;
}

// ---------------------------------------------------------------- dialog

void set_text(HWND d, int id, const char* text) { SetDlgItemTextA(d, id, text); }
void enable(HWND d, int id, bool on) { EnableWindow(GetDlgItem(d, id), on ? TRUE : FALSE); }

void list_pages(HWND d) {
    PrintRun& r = *print_run;
    SendDlgItemMessageA(d, IDC_PRINT_LIST, LB_RESETCONTENT, 0, 0);
    if (r.grid.single_page) {
        set_text(d, IDC_PRINT_PAGES, "1");
        set_text(d, IDC_PRINT_LIST_LABEL, "");
        SendDlgItemMessageA(d, IDC_PRINT_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Выполнить  или"));
        SendDlgItemMessageA(d, IDC_PRINT_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Отказаться"));
        return;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "1-%-3u", static_cast<unsigned>(r.grid.page_count));
    set_text(d, IDC_PRINT_PAGES, buf);
    set_text(d, IDC_PRINT_LIST_LABEL, "Координаты реперных знаков:");
    for (int i = 0;; ++i) {
        std::string line = print_page_list_line(i);
        if (line.empty()) break;
        SendDlgItemMessageA(d, IDC_PRINT_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
}

// The "Миниформат" reduction: the whole sheet on the printable page.
double mini_zoom(const PrintRun& r) {
    double sw = 0, sh = 0;
    sheet_size_model(&sw, &sh);
    double pw = sheet_to_model_length(r.page_w_mm), ph = sheet_to_model_length(r.page_h_mm);
    double z = std::fmin(pw / sw, ph / sh);
    return z > 1.0 || !std::isfinite(z) ? 1.0 : z;
}

// The pages of the current sheet in the run's mode.
void rebuild_pages(PrintRun& r) {
    if (r.ignore_size) {
        print_set_zoom(1.0, true);
        r.grid.single_page = true;
    } else if (r.mini) {
        print_set_zoom(mini_zoom(r), false);
        r.grid.single_page = true;
    } else {
        r.zoom = 1.0;
        r.origin = {0, 0};
        print_run_split();
    }
}

const int shift_controls[] = {IDC_PRINT_SHIFT_X_MINUS, IDC_PRINT_SHIFT_X_PLUS, IDC_PRINT_SHIFT_X,
                              IDC_PRINT_SHIFT_Y_MINUS, IDC_PRINT_SHIFT_Y_PLUS, IDC_PRINT_SHIFT_Y};

void enable_shift_controls(HWND d, bool on) {
    for (int id : shift_controls) enable(d, id, on);
}

void show_shift(HWND d) {
    static const int minus[2] = {IDC_PRINT_SHIFT_X_MINUS, IDC_PRINT_SHIFT_Y_MINUS};
    static const int plus[2] = {IDC_PRINT_SHIFT_X_PLUS, IDC_PRINT_SHIFT_Y_PLUS};
    static const int edit[2] = {IDC_PRINT_SHIFT_X, IDC_PRINT_SHIFT_Y};
    for (int a = 0; a < 2; ++a) {
        CheckDlgButton(d, minus[a], print_shift_sign[a] < 0 ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(d, plus[a], print_shift_sign[a] > 0 ? BST_CHECKED : BST_UNCHECKED);
        char buf[32] = "";
        if (print_shift_distance[a] != 0)
            std::snprintf(buf, sizeof buf, "%g", model_to_sheet_length(print_shift_distance[a]));
        set_text(d, edit[a], buf);
    }
}

// A shift button: each pair is exclusive; checking sets the axis' sign,
// unchecking clears it.
void shift_button(HWND d, int id) {
    int axis = (id == IDC_PRINT_SHIFT_X_MINUS || id == IDC_PRINT_SHIFT_X_PLUS) ? 0 : 1;
    int sign = (id == IDC_PRINT_SHIFT_X_MINUS || id == IDC_PRINT_SHIFT_Y_MINUS) ? -1 : 1;
    bool on = IsDlgButtonChecked(d, id) == BST_CHECKED;
    print_shift_sign[axis] = on ? sign : 0;
    show_shift(d);
}

// A shift distance: |number| mm; 0 clears the axis' sign.
void shift_distance(HWND d, int id) {
    int axis = id == IDC_PRINT_SHIFT_X ? 0 : 1;
    char buf[64] = {};
    GetDlgItemTextA(d, id, buf, sizeof buf);
    double v = std::fabs(std::atof(buf));
    if (!std::isfinite(v) || v > 10000.0) v = 0;
    print_shift_distance[axis] = sheet_to_model_length(v);
    if (v == 0) {
        print_shift_sign[axis] = 0;
        show_shift(d);
    }
}

void apply_mode(HWND d) {
    PrintRun& r = *print_run;
    bool mini = IsDlgButtonChecked(d, IDC_PRINT_MINIFORMAT) == BST_CHECKED;
    bool ignore = IsDlgButtonChecked(d, IDC_PRINT_IGNORE_SIZE) == BST_CHECKED;
    if (ignore) {
        print_set_zoom(1.0, true);
        r.grid.single_page = true;
        set_text(d, IDC_PRINT_PERCENT, "100");
    } else if (mini) {
        double z = mini_zoom(r);
        print_set_zoom(z, false);
        r.grid.single_page = true;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", 100.0 / z);
        set_text(d, IDC_PRINT_PERCENT, buf);
    } else {
        r.zoom = 1.0;
        r.origin = {0, 0};
        print_run_split();
        set_text(d, IDC_PRINT_PERCENT, "");
    }
    bool single = ignore || mini;
    r.mini = mini && !ignore;
    r.ignore_size = ignore;
    enable_shift_controls(d, single);
    enable(d, IDC_PRINT_MINIFORMAT, !ignore);
    enable(d, IDC_PRINT_PERCENT, mini && !ignore);
    enable(d, IDC_PRINT_PAGES, !single && !r.grid.single_page);
    enable(d, IDC_PRINT_LIST, !single && !r.grid.single_page);
    enable(d, IDC_PRINT_TITLE_PAGE, !single && !r.grid.single_page);
    list_pages(d);
    if (sheet_window) InvalidateRect(sheet_window, nullptr, TRUE);
}

void set_copies(HWND d, int delta) {
    char buf[32] = {};
    GetDlgItemTextA(d, IDC_PRINT_COPIES, buf, sizeof buf);
    int n = std::atoi(buf) + delta;
    if (n < 1) n = 1;
    if (n > 999) n = 999;
    print_run->copies = n;
    remembered_copies = n;
    std::snprintf(buf, sizeof buf, "%-i", n);
    set_text(d, IDC_PRINT_COPIES, buf);
}

void set_running_controls(HWND d, bool running) {
    static const int ids[] = {IDOK, IDC_PRINT_PAGES, IDC_PRINT_MINIFORMAT, IDC_PRINT_IGNORE_SIZE, IDC_PRINT_PERCENT,
                              IDC_PRINT_TITLE_PAGE, IDC_PRINT_BLANK_PAGE, IDC_PRINT_COPIES, IDC_PRINT_COPIES_SPIN,
                              IDC_PRINT_LIST, IDC_PRINT_SHIFT_X_MINUS, IDC_PRINT_SHIFT_X_PLUS, IDC_PRINT_SHIFT_X,
                              IDC_PRINT_SHIFT_Y_MINUS, IDC_PRINT_SHIFT_Y_PLUS, IDC_PRINT_SHIFT_Y, IDC_PRINT_ALL_SHEETS};
    if (running)
        for (int id : ids) enable(d, id, false);
    set_text(d, IDCANCEL, running ? "Остановить" : "Отказаться");
}

INT_PTR CALLBACK print_dialog_proc(HWND d, UINT msg, WPARAM wp, LPARAM lp) {
    PrintRun* r = print_run;
    switch (msg) {
    case WM_INITDIALOG: {
        r->dialog = d;
        prompt_show("Подготовка печати");
        InterlockedExchange(&worker_running, 0);
        r->blank_page = false;
        r->all_sheets = false;
        enable(d, IDC_PRINT_PERCENT, false);
        show_shift(d);
        enable_shift_controls(d, r->grid.single_page);
        CheckDlgButton(d, IDC_PRINT_TITLE_PAGE, r->title_page ? BST_CHECKED : BST_UNCHECKED);
        if (r->grid.single_page) {
            enable(d, IDC_PRINT_PAGES, false);
            enable(d, IDC_PRINT_LIST, false);
            enable(d, IDC_PRINT_MINIFORMAT, false);
            enable(d, IDC_PRINT_TITLE_PAGE, false);
        }
        list_pages(d);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%-i", r->copies);
        set_text(d, IDC_PRINT_COPIES, buf);
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wp), code = HIWORD(wp);
        switch (id) {
        case IDC_PRINT_MINIFORMAT:
        case IDC_PRINT_IGNORE_SIZE:
            if (code == BN_CLICKED && !r->running) apply_mode(d);
            return TRUE;
        case IDC_PRINT_PERCENT:
            if ((code == EN_KILLFOCUS || code == 0x501) && !r->running) {
                char buf[64] = {};
                GetDlgItemTextA(d, IDC_PRINT_PERCENT, buf, sizeof buf);
                double v = std::fabs(std::atof(buf));
                if (v != 0 && std::isfinite(v)) print_set_zoom(100.0 / v, false);
            }
            return TRUE;
        case IDC_PRINT_TITLE_PAGE:
            if (code == BN_CLICKED && !r->running) {
                r->title_page = IsDlgButtonChecked(d, IDC_PRINT_TITLE_PAGE) == BST_CHECKED;
                print_run_split();
                list_pages(d);
                if (sheet_window) InvalidateRect(sheet_window, nullptr, TRUE);
            }
            return TRUE;
        case IDC_PRINT_SHIFT_X_MINUS:
        case IDC_PRINT_SHIFT_X_PLUS:
        case IDC_PRINT_SHIFT_Y_MINUS:
        case IDC_PRINT_SHIFT_Y_PLUS:
            if (code == BN_CLICKED && !r->running) shift_button(d, id);
            return TRUE;
        case IDC_PRINT_SHIFT_X:
        case IDC_PRINT_SHIFT_Y:
            if ((code == EN_KILLFOCUS || code == 0x501) && !r->running) shift_distance(d, id);
            return TRUE;
        case IDC_PRINT_ALL_SHEETS:
            if (code == BN_CLICKED && !r->running)
                r->all_sheets = IsDlgButtonChecked(d, IDC_PRINT_ALL_SHEETS) == BST_CHECKED;
            return TRUE;
        case IDC_PRINT_BLANK_PAGE:
            if (code == BN_CLICKED && !r->running)
                r->blank_page = IsDlgButtonChecked(d, IDC_PRINT_BLANK_PAGE) == BST_CHECKED;
            return TRUE;
        case IDOK: {
            if (r->running) return TRUE;
            char sel[256] = {};
            GetDlgItemTextA(d, IDC_PRINT_PAGES, sel, sizeof sel);
            int count = r->grid.single_page ? 1 : r->grid.page_count;
            if (!r->grid.single_page && print_next_page(sel, 0, count) < 0) {
                show_program_message(message_bad_selection);
                return TRUE;
            }
            r->selection = r->grid.single_page ? "" : sel;
            set_copies(d, 0);
            if (r->grid.single_page && !r->all_sheets) print_apply_shift();
            set_running_controls(d, true);
            if (!print_start(false)) {
                set_running_controls(d, false);
                EnableWindow(GetDlgItem(d, IDOK), TRUE);
            }
            return TRUE;
        }
        case IDCANCEL:
            if (r->running)
                print_stop();  // the thread ends the dialog
            else
                EndDialog(d, 0);
            return TRUE;
        }
        break;
    }
    case WM_VSCROLL:
        if (reinterpret_cast<HWND>(lp) == GetDlgItem(d, IDC_PRINT_COPIES_SPIN) && !r->running) {
            int code = LOWORD(wp);
            if (code == SB_LINEUP) set_copies(d, 1);
            if (code == SB_LINEDOWN) set_copies(d, -1);
        }
        return TRUE;
    case print_message_page: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "Страница %2u  из  %2u", static_cast<unsigned>(wp), static_cast<unsigned>(lp));
        set_text(d, IDC_PRINT_PROGRESS, buf);
        return TRUE;
    }
    case print_message_finished:
        if (r->thread) {
            WaitForSingleObject(r->thread, INFINITE);
            CloseHandle(r->thread);
            if (worker_thread == r->thread) worker_thread = nullptr;
            r->thread = nullptr;
        }
        r->running = false;
        prompt_show("Подготовка печати завершена");
        EndDialog(d, 1);
        return TRUE;
    case WM_CLOSE:
        SendMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

const PrintDeviceSeams print_device_seams_system = {system_print_setup, system_device_caps};
PrintDeviceSeams print_device_seams = print_device_seams_system;
PRINTDLGA print_setup;
PrintRun* print_run = nullptr;
int print_shift_sign[2] = {0, 0};
double print_shift_distance[2] = {0, 0};

void print_apply_shift() {
    if (!print_run || !print_run->grid.single_page || !(print_run->zoom > 0)) return;
    print_run->origin.x += print_shift_sign[0] * print_shift_distance[0] / print_run->zoom;
    print_run->origin.y += print_shift_sign[1] * print_shift_distance[1] / print_run->zoom;
}

void print_preview(OutputView* view) {
    PrintRun* r = print_run;
    if (!r || !view || r->grid.single_page) return;
    for (const PrintPage& p : r->grid.pages) {
        draw_page_frame(view, p);
        char number[16];
        std::snprintf(number, sizeof number, "%-2u", static_cast<unsigned>(p.number));
        select_text_font(9, 0, 0);
        double w = 0, h = 0;
        measure_text(number, &w, &h);
        draw_text_at(view, (p.start.x + p.end.x) / 2 - w / 2,
                     (p.start.y + p.end.y) / 2 + sheet_to_model_length(40.0), 0.0, number);
    }
}

void init_print_dialog(HINSTANCE instance) {
    std::memset(&print_setup, 0, sizeof print_setup);
    print_setup.lStructSize = sizeof print_setup;
    print_setup.Flags = PD_NOSELECTION | PD_NOPAGENUMS | PD_PRINTSETUP | PD_RETURNDC |
                        PD_USEDEVMODECOPIESANDCOLLATE;
    print_setup.nFromPage = 1;
    print_setup.nToPage = 0;
    print_setup.nMinPage = 1;
    print_setup.nMaxPage = 0;
    print_setup.nCopies = 1;
    print_setup.hInstance = instance;
}

int print_run_split() {
    PrintRun& r = *print_run;
    double sw = 0, sh = 0;
    sheet_size_model(&sw, &sh);
    double pw = sheet_to_model_length(r.page_w_mm) / r.zoom, ph = sheet_to_model_length(r.page_h_mm) / r.zoom;
    double overlap = sheet_to_model_length(print_overlap_mm);
    PrintPoint origin{0, 0};
    double ew = sw, eh = sh;
    if (r.title_page) {
        // The union of the shown views' boxes on the sheet.
        LayoutNodes views = views_on_current_sheet(current_drawing_file());
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        bool any = false;
        for (const auto& v : views) {
            double a = v->x, b = v->y, c = v->right(), e = v->bottom();
            if (!any) x0 = a, y0 = b, x1 = c, y1 = e, any = true;
            else x0 = std::fmin(x0, a), y0 = std::fmin(y0, b), x1 = std::fmax(x1, c), y1 = std::fmax(y1, e);
        }
        if (!any) {
            // Nothing drawn on the sheet: the title page alone.
            r.grid = PrintGrid();
            r.grid.page_count = 1;
            return print_split_ok;
        }
        origin = {x0, y0};
        ew = x1 - x0, eh = y1 - y0;
    }
    int rc = print_split_pages(origin, ew, eh, pw, ph, overlap, r.title_page, sw, sh, &r.grid);
    return rc;
}

void print_set_zoom(double z, bool centre) {
    PrintRun& r = *print_run;
    if (!(z > 0) || !std::isfinite(z)) return;
    r.zoom = z;
    double sw = 0, sh = 0;
    sheet_size_model(&sw, &sh);
    double pw = sheet_to_model_length(r.page_w_mm), ph = sheet_to_model_length(r.page_h_mm);
    if (centre) {
        r.origin = {(pw - sw) / 2, (ph - sh) / 2};
    } else {
        r.origin = {(pw - sheet_to_model_length(4.0)) / z - sw, (ph / z - sh) / 2};
    }
}

std::string print_page_list_line(int index) {
    PrintRun& r = *print_run;
    int i = 0;
    if (r.title_page) {
        if (index == i) return "Стр. 1 - основная надпись";
        ++i;
    }
    double mm = model_to_sheet_length(1.0);
    char buf[80];
    for (const PrintPage& p : r.grid.pages) {
        if (index == i) {
            std::snprintf(buf, sizeof buf, "Стр. %-2u", static_cast<unsigned>(p.number));
            return buf;
        }
        ++i;
        int k = 0;
        for (int side = 0; side < 4; ++side) {
            if (!(p.marks & (1u << side))) continue;
            for (int m = 0; m < 2; ++m) {
                ++k;
                if (index == i) {
                    std::snprintf(buf, sizeof buf, "   X%1u = %4u,  Y%1u = %4u", static_cast<unsigned>(k),
                                  static_cast<unsigned>(std::lround(p.mark[side][m].x * mm)), static_cast<unsigned>(k),
                                  static_cast<unsigned>(std::lround(p.mark[side][m].y * mm)));
                    return buf;
                }
                ++i;
            }
        }
    }
    return std::string();
}

int print_run_begin(HDC dc, const char* device) {
    PrintDeviceCaps caps{};
    print_device_seams.device_caps(dc, &caps);
    static std::string device_detail;
    device_detail = device ? device : "";
    if (!(caps.rastercaps & RC_BITBLT)) {
        error_stack_push(device_detail.c_str());
        show_program_message(message_no_graphics);
        error_flag = 1;
        return print_refused_no_graphics;
    }
    if (caps.horzres <= 0 || caps.vertres <= 0 || caps.horzsize <= 0 || caps.vertsize <= 0 || caps.logpixelsx <= 0 ||
        caps.logpixelsy <= 0) {
        show_program_message(message_bad_metrics);
        error_flag = 1;
        return print_refused_bad_metrics;
    }
    static PrintRun run;
    run = PrintRun();
    run.dc = dc;
    run.device = device_detail;
    run.base_x = caps.logpixelsx / 25.4;
    run.base_y = caps.logpixelsy / 25.4;
    run.page_w_mm = caps.horzres / run.base_x;
    run.page_h_mm = caps.vertres / run.base_y;
    DrawingFile* df = current_drawing_file();
    run.document = (df && df->path && *df->path) ? df->path : "SARVOLT";
    run.copies = remembered_copies;
    print_run = &run;
    int rc = print_run_split();
    if (rc != print_split_ok) {
        show_program_message(message_too_large);
        print_run = nullptr;
        return print_refused_pages;
    }
    return print_done;
}

void print_run_end() {
    if (print_run && print_run->thread) {
        print_stop();
        WaitForSingleObject(print_run->thread, INFINITE);
        CloseHandle(print_run->thread);
        if (worker_thread == print_run->thread) worker_thread = nullptr;
        print_run->thread = nullptr;
    }
    print_run = nullptr;
    if (sheet_window) InvalidateRect(sheet_window, nullptr, TRUE);
}

int print_start(bool wait) {
    PrintRun& r = *print_run;
    if (r.running) return 0;
    InterlockedExchange(&worker_running, 1);
    r.running = true;
    r.pages_printed = 0;
    if (wait) {
        print_thread(&r);
        r.running = false;
        return 1;
    }
    unsigned id = 0;
    uintptr_t h = _beginthreadex(nullptr, 0, print_thread, &r, 0, &id);
    if (!h) {
        InterlockedExchange(&worker_running, 0);
        r.running = false;
        return 0;
    }
    r.thread = reinterpret_cast<HANDLE>(h);
    worker_thread = r.thread;
    return 1;
}

void print_stop() { InterlockedExchange(&worker_running, 0); }

int print_drawing() {
    if (!print_setup.hDC) return print_refused_no_dc;
    char device[CCHDEVICENAME + 1] = {};
    if (print_setup.hDevMode) {
        if (DEVMODEA* dm = static_cast<DEVMODEA*>(GlobalLock(print_setup.hDevMode))) {
            std::memcpy(device, dm->dmDeviceName, CCHDEVICENAME);
            GlobalUnlock(print_setup.hDevMode);
        }
    }
    int rc = print_run_begin(print_setup.hDC, device);
    if (rc != print_done) return rc;
    // The sheet window shows the page grid while the dialog is up.
    if (sheet_window) InvalidateRect(sheet_window, nullptr, TRUE);
    DialogBoxParamA(program_instance ? program_instance : GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PRINT),
                    frame_window, print_dialog_proc, 0);
    print_run_end();
    return print_done;
}

int print_dialog_and_print() {
    print_setup.hwndOwner = frame_window;
    if (print_setup.hDC) {
        DeleteDC(print_setup.hDC);
        print_setup.hDC = nullptr;
    }
    if (!print_device_seams.print_setup(&print_setup)) return 0;
    int rc = print_drawing();
    return rc == print_done ? 1 : 0;
}

void print_bind() {
    init_print_dialog(program_instance);
    command_seams.print_dialog_and_print = print_dialog_and_print;
    output_window_seams.print_counter = print_counter_update;
}
