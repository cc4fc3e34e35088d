// The symbol table: the characters of the stroke fonts, 32 to a page in
// three registers, drawn into owner-drawn cells; a click adds the character
// to a line of text that is kept on the clipboard for other dialogs.
#include <cmath>
#include <cstring>
#include <string>

#include "shell/settings_dialogs.h"

#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"
#include "render/text/stroke_font.h"
#include "shell/core/symbol_table.h"
#include "shell/frame_window.h"
#include "shell/hints.h"
#include "shell/resource_ids.h"
#include "shell/startup.h"

namespace {

int symbol_page;

// The register of the radio buttons: 0, 1 or 2.
int chosen_register(HWND dialog) {
    if (IsDlgButtonChecked(dialog, IDC_SYMBOLS_REGISTER_1) == BST_CHECKED) return 1;
    if (IsDlgButtonChecked(dialog, IDC_SYMBOLS_REGISTER_2) == BST_CHECKED) return 2;
    return 0;
}

// Screen pixels per sheet millimetre of the cells.
double pixels_per_sheet_mm() { return screen_dpi > 100 ? 1.46 : 1.1; }

// Strokes of the stroke font into a device context; points come in model
// units and are scaled to pixels.  The drawing's own scale is only read.
struct GdiText {
    HDC dc;
    double k;  // pixels per model unit
};

POINT to_pixels(const GdiText* g, TextPoint p) {
    return POINT{static_cast<LONG>(std::lround(p.x * g->k)), static_cast<LONG>(std::lround(p.y * g->k))};
}

void gdi_line(void* context, TextPoint a, TextPoint b) {
    auto* g = static_cast<GdiText*>(context);
    POINT pa = to_pixels(g, a), pb = to_pixels(g, b);
    MoveToEx(g->dc, pa.x, pa.y, nullptr);
    LineTo(g->dc, pb.x, pb.y);
}

void gdi_circle(void* context, TextPoint centre, double radius) {
    auto* g = static_cast<GdiText*>(context);
    POINT c = to_pixels(g, centre);
    int r = static_cast<int>(std::lround(radius * g->k));
    if (r < 1) r = 1;
    HGDIOBJ old = SelectObject(g->dc, GetStockObject(NULL_BRUSH));
    Ellipse(g->dc, c.x - r, c.y - r, c.x + r + 1, c.y + r + 1);
    SelectObject(g->dc, old);
}

void gdi_bezier(void* context, const TextPoint points[4]) {
    auto* g = static_cast<GdiText*>(context);
    POINT p[4];
    for (int i = 0; i < 4; ++i) p[i] = to_pixels(g, points[i]);
    PolyBezier(g->dc, p, 4);
}

void gdi_nothing(void*) {}
void gdi_pen(void*, double) {}
void gdi_arc(void* context, TextPoint start, TextPoint end, TextPoint) { gdi_line(context, start, end); }

// Draws one cell: the character in the largest height (index 6 down to 1)
// whose box fits the cell.
void draw_cell(const DRAWITEMSTRUCT* item, int reg) {
    int index = static_cast<int>(item->CtlID) - IDC_SYMBOLS_CELL_FIRST;
    RECT rc = item->rcItem;
    FillRect(item->hDC, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (index < 0 || index >= symbol_table_cells) return;
    unsigned char code = static_cast<unsigned char>(symbol_page_first_code(symbol_page) + index);
    std::string text = symbol_cell_text(code, reg);
    double cell_w = rc.right - rc.left, cell_h = rc.bottom - rc.top;
    // Model units to pixels: model lengths are sheet millimetres divided by
    // the drawing scale.
    double k = pixels_per_sheet_mm() * current_drawing_scale();
    struct Measure {
        const char* text;
        double k;
    } m{text.c_str(), k};
    int size = symbol_cell_size_index(
        cell_w, cell_h,
        [](int index, double* w, double* h, void* ctx) {
            auto* mm = static_cast<Measure*>(ctx);
            select_text_font(index, 0, 0);
            measure_text(mm->text, w, h);
            *w *= mm->k, *h *= mm->k;
        },
        &m);
    double w = 0, h = 0;
    select_text_font(size, 0, 0);
    measure_text(text.c_str(), &w, &h);
    GdiText g{item->hDC, k};
    TextCanvas canvas{&g, gdi_pen, gdi_line, gdi_circle, gdi_bezier, gdi_nothing, gdi_arc};
    double x = (cell_w - w * k) * 0.5 - 1.0, y = cell_h * 0.7777777777777777;
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ old = SelectObject(item->hDC, pen);
    SetViewportOrgEx(item->hDC, rc.left, rc.top, nullptr);
    draw_text_line_canvas(&canvas, x / k, y / k, 0.0, text.c_str(), nullptr, nullptr);
    SetViewportOrgEx(item->hDC, 0, 0, nullptr);
    SelectObject(item->hDC, old);
    DeleteObject(pen);
}

// Shows a page: the captions, the scroll bar and the cells redrawn.
void symbol_table_draw_page(HWND dialog, int page) {
    symbol_page = symbol_page_clamped(page);
    int first = symbol_page_first_code(symbol_page);
    for (int i = 0; i < symbol_table_cells; ++i) {
        std::string caption = symbol_cell_caption(static_cast<unsigned char>(first + i));
        SetDlgItemTextA(dialog, IDC_SYMBOLS_CAPTION_FIRST + i, caption.c_str());
        InvalidateRect(GetDlgItem(dialog, IDC_SYMBOLS_CELL_FIRST + i), nullptr, TRUE);
    }
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    si.nPos = symbol_page;
    SetScrollInfo(GetDlgItem(dialog, IDC_SYMBOLS_SCROLL), SB_CTL, &si, TRUE);
}

void symbol_table_pick(HWND dialog, int cell) {
    int index = cell - IDC_SYMBOLS_CELL_FIRST;
    if (index < 0 || index >= symbol_table_cells) return;
    char text[1024] = "";
    GetDlgItemTextA(dialog, IDC_SYMBOLS_LINE, text, sizeof text);
    std::string line = text;
    symbol_pick_append(line, static_cast<unsigned char>(symbol_page_first_code(symbol_page) + index),
                       chosen_register(dialog));
    if (line.size() >= sizeof text) return;  // the line is full
    SetDlgItemTextA(dialog, IDC_SYMBOLS_LINE, line.c_str());
    copy_text_to_clipboard(dialog, line.c_str());
    HWND edit = GetDlgItem(dialog, IDC_SYMBOLS_LINE);
    if (hint_set_text(edit, " Эта строка уже\n в буфере обмена") != 0)
        hint_add(dialog, edit, " Эта строка уже\n в буфере обмена");
}

void scroll(HWND dialog, int request) {
    int page = symbol_page;
    switch (request & 0xFFFF) {
    case SB_LINEUP: page -= 1; break;
    case SB_LINEDOWN: page += 1; break;
    case SB_PAGEUP: page -= 1; break;
    case SB_PAGEDOWN: page += 1; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: page = static_cast<short>(request >> 16); break;
    case SB_TOP: page = 0; break;
    case SB_BOTTOM: page = symbol_table_pages - 1; break;
    default: return;
    }
    symbol_table_draw_page(dialog, page);
}

void end(HWND dialog) {
    hints_remove_dialog(dialog);
    hints_enable();
    EndDialog(dialog, 0);
}

}  // namespace

bool copy_text_to_clipboard(HWND owner, const char* text) {
    size_t n = std::strlen(text) + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, n);
    if (!memory) return false;
    void* p = GlobalLock(memory);
    if (!p) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(p, text, n);
    GlobalUnlock(memory);
    if (!OpenClipboard(owner)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    bool ok = SetClipboardData(CF_TEXT, memory) != nullptr;
    CloseClipboard();
    if (!ok) GlobalFree(memory);
    return ok;
}

INT_PTR CALLBACK symbol_table_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        hints_disable();
        CheckRadioButton(dialog, IDC_SYMBOLS_REGISTER_0, IDC_SYMBOLS_REGISTER_2, IDC_SYMBOLS_REGISTER_0);
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMin = 0;
        // With a page size of 1 the last reachable position is nMax.
        si.nMax = symbol_table_pages - 1;
        si.nPage = 1;
        si.nPos = 0;
        SetScrollInfo(GetDlgItem(dialog, IDC_SYMBOLS_SCROLL), SB_CTL, &si, FALSE);
        symbol_table_draw_page(dialog, 0);
        return TRUE;
    }
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
        if (!item || item->CtlType != ODT_STATIC) return FALSE;
        draw_cell(item, chosen_register(dialog));
        return TRUE;
    }
    case WM_VSCROLL:
        scroll(dialog, static_cast<int>(wparam));
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wparam), code = HIWORD(wparam);
        if (id >= IDC_SYMBOLS_CELL_FIRST && id < IDC_SYMBOLS_CELL_FIRST + symbol_table_cells) {
            if (code == STN_CLICKED || code == STN_DBLCLK) symbol_table_pick(dialog, id);
            return TRUE;
        }
        switch (id) {
        case IDC_SYMBOLS_REGISTER_0:
        case IDC_SYMBOLS_REGISTER_1:
        case IDC_SYMBOLS_REGISTER_2:
            if (code == BN_CLICKED) symbol_table_draw_page(dialog, 0);
            return TRUE;
        case IDOK:
        case IDCANCEL:
            end(dialog);
            return TRUE;
        default:
            return FALSE;
        }
    }
    default:
        return FALSE;
    }
}

void symbol_table_dialog_run() {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SYMBOL_TABLE), frame_window,
                    symbol_table_dialog_proc, 0);
}
