// The layout stage's windows: the sheet window, the sheet list and the
// rebuild thread.
//
// Locks are taken in one order: a flag, then the wait for a paint event,
// then the drawing's critical section.  The sheet window's paint resets and
// sets sheet_paint_event; the sheet list's paint owns page_list_event.
// The rebuild thread does no window work itself: it posts its end to the
// sheet window, whose procedure switches the stage on the GUI thread.
#include "shell/layout_windows.h"

#include <process.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/saving.h"
#include "geometry/kernel_context.h"
#include "geometry/naming.h"
#include "geometry/text_numbers.h"
#include "output/layout_view_math.h"
#include "output/page_sheets.h"
#include "output/sheet_drawing.h"
#include "output/sheets.h"
#include "output/title_block_fields.h"
#include "render/contours/hatch_generation.h"
#include "render/output/gdi_canvas_win.h"
#include "render/output/output_view.h"
#include "shell/commands.h"
#include "shell/frame_face.h"
#include "shell/frame_window.h"
#include "shell/panels.h"
#include "shell/print_run.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/startup.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/settings_block.h"

LayoutWindow* layout_window = nullptr;
volatile LONG layout_wait_request = 0;
volatile LONG layout_input_block = 0;
volatile LONG sheet_list_busy = 0;
volatile LONG layout_dragging = 0;

namespace {

const char* const prompt_preparing = "Ждите завершения процесса подготовки...";
volatile LONG rebuild_running = 0;
// The scale panel's state before the sheet window: its value and "Для всех".
double saved_panel_scale = 1.0;
bool saved_for_all = false;
// The zoom button of the scale panel held in zoom mode (0: none); a click on
// the sheet then zooms about the clicked point instead of picking a view.
int zoom_mode = 0;
int sheet_list_scroll = 0;

// A colour of the settings block, or its default before the block is read.
COLORREF settings_colour(size_t offset, COLORREF fallback) {
    return settings_block ? static_cast<COLORREF>(settings_u32(offset)) : fallback;
}

struct Lock {
    Lock() {
        if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    }
    ~Lock() {
        if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    }
};

void wait_event(OsEvent* e) {
    if (e) os_event_wait(e);
}

uint32_t current_sheet() {
    DrawingFile* df = current_drawing_file();
    uint32_t s = df ? get_u16(df->header, header_current_sheet) : 1;
    return s ? s : 1;
}

// The pixel scales from the panel scale and the drawing scale.
void update_scales(LayoutWindow* lw) {
    double unit_mm = model_to_sheet_length(1.0);
    lw->scale_x = lw->base_x * lw->panel_scale * unit_mm;
    lw->scale_y = lw->base_y * lw->panel_scale * unit_mm;
}

void read_sheet_size(LayoutWindow* lw) {
    DrawingFile* df = current_drawing_file();
    if (!df) return;
    lw->sheet_w = get_f32(df->header, header_sheet_width);
    lw->sheet_h = get_f32(df->header, header_sheet_height);
    if (!(lw->sheet_w > 0) || !(lw->sheet_h > 0)) {
        float w = 0, h = 0;
        sheet_size(get_u8(df->header, header_sheet_format),
                   (get_u16(df->header, header_options) & header_opt_sheet_turned) ? 1 : 0, &w, &h);
        lw->sheet_w = w, lw->sheet_h = h;
    }
}

// Scroll ranges and origins for the client size: per axis a range when the
// sheet is larger than the visible part, else none and the origin at 0.
void update_scroll_bars(LayoutWindow* lw) {
    if (!lw->window || !(lw->scale_x > 0) || !(lw->scale_y > 0)) return;
    double visible[2] = {std::round(lw->client_w / lw->scale_x), std::round(lw->client_h / lw->scale_y)};
    double extent[2] = {std::round(sheet_to_model_length(lw->sheet_w)), std::round(sheet_to_model_length(lw->sheet_h))};
    double* origin[2] = {&lw->origin_x, &lw->origin_y};
    int* range[2] = {&lw->range_x, &lw->range_y};
    int* pos[2] = {&lw->scroll_x, &lw->scroll_y};
    double client[2] = {lw->client_w, lw->client_h};
    int bars[2] = {SB_HORZ, SB_VERT};
    for (int i = 0; i < 2; ++i) {
        if (extent[i] > visible[i]) {
            *range[i] = static_cast<int>(client[i]);
            if (*origin[i] > extent[i] - visible[i]) *origin[i] = extent[i] - visible[i];
            if (*origin[i] < 0) *origin[i] = 0;
            *pos[i] = extent[i] > visible[i] ? static_cast<int>(*origin[i] * *range[i] / (extent[i] - visible[i])) : 0;
        } else {
            *range[i] = 0;
            *origin[i] = 0;
            *pos[i] = 0;
        }
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
        si.nMin = 0;
        si.nMax = *range[i];
        si.nPage = *range[i] ? static_cast<UINT>(*range[i] * visible[i] / extent[i]) : 0;
        si.nPos = *pos[i];
        SetScrollInfo(lw->window, bars[i], &si, TRUE);
    }
}

bool hatch_shown() {
    DrawingFile* df = current_drawing_file();
    return df && (get_u16(df->header, header_options) & header_opt_hatch_lines) &&
           (current_stage == 6 || current_stage == 9);
}

void paint_sheet(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    LayoutWindow* lw = layout_window;
    if (dc && lw && lw->panel_scale > 0 && !layout_wait_request && current_drawing_file()) {
        InterlockedExchange(&layout_input_block, 1);
        {
            Lock lock;
            if (sheet_paint_event) os_event_reset(sheet_paint_event);
            OutputView v;
            output_view_init(&v, output_sheet);
            v.canvas = gdi_canvas(dc);
            v.stage = current_stage >= 6 ? current_stage : 6;
            v.transform.scale = {lw->scale_x, lw->scale_y};
            v.transform.view_offset = {static_cast<float>(lw->origin_x), static_cast<float>(lw->origin_y)};
            v.visible_layers = 0xff;
            draw_sheet(&v);
            uint32_t sheet = current_sheet();
            bool hatch = hatch_shown();
            for (auto& n : lw->nodes) {
                if (n->sheet != sheet || (n->flags & layout_node_not_shown)) continue;
                OutputView nv = v;
                layout_draw_node(&nv, n.get(), lw->origin_x, lw->origin_y, hatch);
                if (error_flag) break;
            }
            print_preview(&v);
            if (sheet_paint_event) os_event_set(sheet_paint_event);
        }
        InterlockedExchange(&layout_input_block, 0);
    }
    EndPaint(window, &ps);
}

// The drag outline in XOR: the dragged box.
void draw_outline(LayoutWindow* lw) {
    if (!lw->dragged || !lw->window) return;
    HDC dc = GetDC(lw->window);
    if (!dc) return;
    int old_rop = SetROP2(dc, R2_XORPEN);
    // Line colour XOR background: the outline shows on the sheet's paper
    // and on the drawing's lines alike.
    COLORREF xor_colour = settings_colour(settings_line_colour_offset, RGB(0, 0, 0)) ^
                          settings_colour(settings_background_colour_offset, RGB(255, 255, 255));
    HPEN pen = CreatePen(PS_INSIDEFRAME, 1, xor_colour & 0xFFFFFF);
    HGDIOBJ old_pen = SelectObject(dc, pen);
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    int x0 = static_cast<int>(std::lround((lw->outline_x - lw->origin_x) * lw->scale_x));
    int y0 = static_cast<int>(std::lround((lw->outline_y - lw->origin_y) * lw->scale_y));
    int x1 = static_cast<int>(std::lround((lw->outline_x + lw->dragged->width - lw->origin_x) * lw->scale_x));
    int y1 = static_cast<int>(std::lround((lw->outline_y + lw->dragged->height - lw->origin_y) * lw->scale_y));
    Rectangle(dc, x0, y0, x1 + 1, y1 + 1);
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(pen);
    SetROP2(dc, old_rop);
    ReleaseDC(lw->window, dc);
}

void repaint_both() {
    if (sheet_window) InvalidateRect(sheet_window, nullptr, TRUE);
    if (sheet_list_window) InvalidateRect(sheet_list_window, nullptr, TRUE);
}

// The format panel shows the current sheet's format and turn.
void update_stage_panel() {
    DrawingFile* df = current_drawing_file();
    if (!df || !stage_panel || !GetDlgItem(stage_panel, IDC_LAYOUT_FORMAT)) return;
    int code = get_u8(df->header, header_sheet_format);
    SendDlgItemMessageA(stage_panel, IDC_LAYOUT_FORMAT, CB_SETCURSEL, code < sheet_format_count ? code : 0, 0);
    CheckDlgButton(stage_panel, IDC_LAYOUT_ROTATED,
                   (get_u16(df->header, header_options) & header_opt_sheet_turned) ? BST_CHECKED : BST_UNCHECKED);
}

void end_drag(LayoutWindow* lw) {
    if (lw->dragged) lw->dragged->flags &= static_cast<uint16_t>(~layout_node_picked);
    lw->dragged = nullptr;
    InterlockedExchange(&layout_dragging, 0);
    if (GetCapture() == lw->window) ReleaseCapture();
}

void zoom_by(LayoutWindow* lw, double factor, int x, int y);

void mouse_down(LayoutWindow* lw, int x, int y) {
    if (layout_wait_request || layout_input_block) return;
    // A pressed zoom button of the scale panel: the click zooms.
    if (zoom_mode) {
        zoom_by(lw, zoom_mode == IDC_SCALE_ZOOM_IN ? 1.25 : 0.8, x, y);
        return;
    }
    // Two clicks within the system's double-click time and distance open
    // the title block (the window class takes no double clicks).
    DWORD now = GetTickCount();
    if (now - lw->last_click_time <= GetDoubleClickTime() &&
        std::abs(x - lw->last_click.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
        std::abs(y - lw->last_click.y) <= GetSystemMetrics(SM_CYDOUBLECLK)) {
        lw->last_click_time = 0;
        end_drag(lw);
        if (command_seams.choose_title_block) command_seams.choose_title_block(0);
        return;
    }
    lw->last_click_time = now;
    lw->last_click = {x, y};
    double sx = 0, sy = 0;
    layout_client_to_sheet(x, y, &sx, &sy);
    LayoutNode* n = nullptr;
    {
        Lock lock;
        n = layout_pick_node(lw->nodes, current_sheet(), sx, sy);
        for (auto& o : lw->nodes) o->flags &= static_cast<uint16_t>(~layout_node_picked);
    }
    if (!n) return;
    n->flags |= layout_node_picked;
    lw->dragged = n;
    lw->outline_x = n->x, lw->outline_y = n->y;
    lw->last_mouse_x = x, lw->last_mouse_y = y;
    InterlockedExchange(&layout_dragging, 1);
    // The prompt names the view being moved.
    if (!n->record.empty()) {
        char caption[200] = "";
        view_caption(n->record.data(), caption, sizeof caption);
        prompt_show(caption);
    }
    SetCapture(lw->window);
    SetCursor(LoadCursor(nullptr, IDC_SIZEALL));
    draw_outline(lw);
}

void mouse_move(LayoutWindow* lw, int x, int y) {
    if (!lw->dragged) return;
    draw_outline(lw);
    lw->outline_x += (x - lw->last_mouse_x) / lw->scale_x;
    lw->outline_y += (y - lw->last_mouse_y) / lw->scale_y;
    lw->last_mouse_x = x, lw->last_mouse_y = y;
    draw_outline(lw);
}

void mouse_up(LayoutWindow* lw, int x, int y) {
    if (!lw->dragged) return;
    draw_outline(lw);
    LayoutNode* n = lw->dragged;
    double ox = lw->outline_x, oy = lw->outline_y;
    end_drag(lw);
    // Released over the sheet list: the view goes to the thumbnail's sheet.
    POINT screen{x, y};
    ClientToScreen(lw->window, &screen);
    if (sheet_list_window && WindowFromPoint(screen) == sheet_list_window) {
        POINT lp = screen;
        ScreenToClient(sheet_list_window, &lp);
        RECT rc;
        GetClientRect(sheet_list_window, &rc);
        std::vector<SheetInfo> sheets = sheet_chain_list(current_drawing_file());
        int index = layout_thumbnail_at(rc.right, lp.y, sheet_list_scroll, static_cast<int>(sheets.size()));
        if (index > 0) {
            sheet_store_current();
            layout_move_node_to_sheet(n, sheets[index - 1].number);
        }
    } else {
        layout_drop_node(n, ox, oy);
    }
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    repaint_both();
}

void scroll(LayoutWindow* lw, int bar, int request, int thumb) {
    if (layout_wait_request || layout_input_block) return;
    bool x = bar == SB_HORZ;
    double visible = std::round((x ? lw->client_w / lw->scale_x : lw->client_h / lw->scale_y));
    double extent = std::round(sheet_to_model_length(x ? lw->sheet_w : lw->sheet_h));
    int range = x ? lw->range_x : lw->range_y;
    int* pos = x ? &lw->scroll_x : &lw->scroll_y;
    int step = range ? std::max(1, static_cast<int>(range * visible / std::max(extent, 1.0))) : 0;
    double o = layout_scroll_apply(pos, range, request, thumb, step, 0.0, extent, visible);
    (x ? lw->origin_x : lw->origin_y) = o;
    SetScrollPos(lw->window, bar, *pos, TRUE);
    InvalidateRect(lw->window, nullptr, TRUE);
}

// Zooms by factor keeping the sheet point under the client point (x, y);
// the scale panel shows the new panel scale.
void zoom_by(LayoutWindow* lw, double factor, int x, int y) {
    if (!(lw->panel_scale > 0) || !(factor > 0)) return;
    double sx = 0, sy = 0;
    layout_client_to_sheet(x, y, &sx, &sy);
    lw->panel_scale = layout_zoom_limit(lw->panel_scale * factor);
    update_scales(lw);
    lw->origin_x = sx - x / lw->scale_x;
    lw->origin_y = sy - y / lw->scale_y;
    update_scroll_bars(lw);
    show_scale_value(lw->panel_scale);
    InvalidateRect(lw->window, nullptr, TRUE);
}

// After the rebuild: the stage and the menus on the GUI thread.
void rebuild_finished() {
    InterlockedExchange(&rebuild_running, 0);
    if (worker_thread) {
        WaitForSingleObject(worker_thread, INFINITE);
        CloseHandle(worker_thread);
        worker_thread = nullptr;
    }
    if (!sheet_window) return;
    progress_clock_stop(sheet_window);
    progress_clock_clear_text();
    prompt_show("");
    update_menu_state(IDM_STAGE_LAYOUT);
    stage_set(6);
    repaint_both();
}

void destroy_sheet_window(HWND window) {
    LayoutWindow* lw = layout_window;
    // The rebuild thread walks the nodes: it ends before they are freed (a
    // thread still before its node loop sees the window gone and ends).
    sheet_window = nullptr;
    stop_worker(INFINITE);
    InterlockedExchange(&rebuild_running, 0);
    progress_clock_stop(window);
    if (sheet_list_window) {
        DestroyWindow(sheet_list_window);
        sheet_list_window = nullptr;
    }
    if (frame_window) frame_layout_apply(frame_window);
    DrawingFile* df = current_drawing_file();
    if (df) {
        InterlockedExchange(&sheet_list_busy, 1);
        wait_event(page_list_event);
        sheet_store_current_of(df);
        InterlockedExchange(&sheet_list_busy, 0);
    }
    if (main_menu) {
        EnableMenuItem(main_menu, IDM_PROJECTION_PROPERTIES, MF_BYCOMMAND | MF_ENABLED);
        EnableMenuItem(main_menu, IDM_FRAGMENT_PROPERTIES, MF_BYCOMMAND | MF_ENABLED);
        EnableMenuItem(main_menu, 4, MF_BYPOSITION | MF_ENABLED);
        if (frame_window) DrawMenuBar(frame_window);
    }
    scale_panel_restore_state();
    if (lw) {
        if (df)
            for (auto& n : lw->nodes) layout_store_node(df, *n, false);
        layout_window = nullptr;
        delete lw;  // frees each node and its hatch lines
    }
    if (ProjectionWindow* w = projection_windows) {
        if (mdi_client) SendMessageA(mdi_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(w->window), 0);
    }
}

LRESULT CALLBACK sheet_window_proc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    LayoutWindow* lw = layout_window;
    switch (msg) {
    case WM_CREATE: {
        DrawingFile* df = current_drawing_file();
        if (!df) return -1;
        lw = new LayoutWindow;
        lw->window = window;
        lw->base_x = screen_pixels_per_mm_x > 0 ? screen_pixels_per_mm_x : 3.78;
        lw->base_y = screen_pixels_per_mm_y > 0 ? screen_pixels_per_mm_y : 3.78;
        layout_window = lw;
        scale_panel_save_state();
        bool had_sheets = !sheet_chain_list(df).empty();
        {
            Lock lock;
            sheet_chain_open(df);
            title_block_height_update(df);
            lw->nodes = layout_build_nodes(df);
        }
        // Page projections get their page sheets first, so that a first
        // sheet gets its format chosen for the views that stay on it.
        {
            InterlockedExchange(&sheet_list_busy, 1);
            wait_event(page_list_event);
            layout_make_page_sheets(df, lw->nodes);
            InterlockedExchange(&sheet_list_busy, 0);
        }
        if (!had_sheets || get_u8(df->header, header_sheet_format) == sheet_format_auto)
            layout_choose_format(df, lw->nodes);
        update_stage_panel();
        read_sheet_size(lw);
        if (main_menu) {
            EnableMenuItem(main_menu, IDM_PROJECTION_PROPERTIES, MF_BYCOMMAND | MF_GRAYED);
            EnableMenuItem(main_menu, IDM_FRAGMENT_PROPERTIES, MF_BYCOMMAND | MF_GRAYED);
        }
        if (sheet_paint_event) os_event_set(sheet_paint_event);
        return 0;
    }
    case WM_PAINT:
        paint_sheet(window);
        return 0;
    case WM_ERASEBKGND:
        break;
    case WM_SIZE:
        if (lw && !layout_input_block) {
            lw->client_w = LOWORD(lp), lw->client_h = HIWORD(lp);
            update_scroll_bars(lw);
        }
        break;
    case WM_LBUTTONDOWN:
        if (lw) mouse_down(lw, static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        return 0;
    case WM_LBUTTONDBLCLK:
        if (command_seams.choose_title_block) command_seams.choose_title_block(0);
        return 0;
    case WM_MOUSEMOVE:
        if (lw) mouse_move(lw, static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        return 0;
    case WM_LBUTTONUP:
        if (lw) mouse_up(lw, static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        return 0;
    case WM_CAPTURECHANGED:
        if (lw && lw->dragged && reinterpret_cast<HWND>(lp) != window) {
            draw_outline(lw);
            end_drag(lw);
        }
        break;
    case WM_SETCURSOR:
        if (lw && lw->dragged) {
            SetCursor(LoadCursor(nullptr, IDC_SIZEALL));
            return TRUE;
        }
        if (lw && zoom_mode && LOWORD(lp) == HTCLIENT) {
            SetCursor(LoadCursor(nullptr, IDC_CROSS));
            return TRUE;
        }
        break;
    case WM_MOUSEWHEEL:
        if (lw && !layout_wait_request && !layout_input_block) {
            POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            ScreenToClient(window, &p);
            zoom_by(lw, layout_wheel_factor(static_cast<short>(HIWORD(wp))), p.x, p.y);
        }
        return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (lw) {
            int code = LOWORD(wp);
            if (code == SB_LINEUP || code == SB_LINEDOWN || code == SB_PAGEUP || code == SB_PAGEDOWN ||
                code == SB_THUMBTRACK)
                scroll(lw, msg == WM_HSCROLL ? SB_HORZ : SB_VERT, code, HIWORD(wp));
        }
        return 0;
    case WM_KEYDOWN:
        if (lw) {
            bool shift = GetKeyState(VK_SHIFT) < 0;
            switch (wp) {
            case VK_PRIOR: scroll(lw, shift ? SB_HORZ : SB_VERT, SB_PAGEUP, 0); return 0;
            case VK_NEXT: scroll(lw, shift ? SB_HORZ : SB_VERT, SB_PAGEDOWN, 0); return 0;
            case VK_LEFT: scroll(lw, SB_HORZ, SB_LINEUP, 0); return 0;
            case VK_RIGHT: scroll(lw, SB_HORZ, SB_LINEDOWN, 0); return 0;
            case VK_UP: scroll(lw, SB_VERT, SB_LINEUP, 0); return 0;
            case VK_DOWN: scroll(lw, SB_VERT, SB_LINEDOWN, 0); return 0;
            default: handle_stage_hotkey(static_cast<int>(wp)); return 0;
            }
        }
        break;
    case UM_LAYOUT_CLOCK:
        progress_clock_start(window);
        return 0;
    case UM_LAYOUT_REBUILT:
        rebuild_finished();
        return 0;
    case WM_DESTROY:
        destroy_sheet_window(window);
        break;
    }
    return DefMDIChildProcA(window, msg, wp, lp);
}

void draw_sheet_thumbnail(HDC dc, int index, int width, uint32_t number, bool current) {
    int h = layout_thumbnail_height(width);
    int top = (index - 1) * h - sheet_list_scroll;
    RECT r{0, top, width, top + h};
    // The current sheet in the accent colour, the others in the hidden-line
    // colour of the settings block.
    HBRUSH fill = CreateSolidBrush(current ? settings_colour(settings_accent_colour_offset, RGB(255, 255, 85))
                                           : settings_colour(settings_hidden_colour_offset, RGB(170, 170, 170)));
    int pen_w = std::max(1, static_cast<int>(std::lround(0.6 * (screen_pixels_per_mm_x > 0 ? screen_pixels_per_mm_x : 3.78) / 2)));
    HPEN pen = CreatePen(PS_INSIDEFRAME, pen_w, RGB(0, 0, 0));
    HGDIOBJ ob = SelectObject(dc, fill), op = SelectObject(dc, pen);
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, r.left + 2 + pen_w, r.top + 2 + pen_w, r.right - 2 - pen_w, r.bottom - 2 - pen_w);
    SelectObject(dc, ob);
    SelectObject(dc, op);
    DeleteObject(fill);
    DeleteObject(pen);
    char label[32];
    std::snprintf(label, sizeof label, "Лист.%-u", static_cast<unsigned>(number));
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, label, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void paint_sheet_list(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    DrawingFile* df = current_drawing_file();
    if (dc && df && !sheet_list_busy) {
        Lock lock;
        if (page_list_event) os_event_reset(page_list_event);
        RECT rc;
        GetClientRect(window, &rc);
        uint32_t current = current_sheet();
        int i = 0;
        for (const SheetInfo& s : sheet_chain_list(df))
            draw_sheet_thumbnail(dc, ++i, rc.right, s.number, s.number == current);
        if (page_list_event) os_event_set(page_list_event);
    }
    EndPaint(window, &ps);
}

void update_list_scroll(HWND window) {
    RECT rc;
    GetClientRect(window, &rc);
    int total = 0;
    {
        InterlockedExchange(&sheet_list_busy, 1);
        wait_event(page_list_event);
        Lock lock;
        total = static_cast<int>(sheet_chain_list(current_drawing_file()).size()) * layout_thumbnail_height(rc.right);
        InterlockedExchange(&sheet_list_busy, 0);
    }
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (total <= rc.bottom) {
        sheet_list_scroll = 0;
    } else {
        si.nMax = total;
        si.nPage = static_cast<UINT>(rc.bottom);
        if (sheet_list_scroll > total - rc.bottom) sheet_list_scroll = total - rc.bottom;
    }
    si.nPos = sheet_list_scroll;
    SetScrollInfo(window, SB_VERT, &si, TRUE);
}

LRESULT CALLBACK sheet_list_proc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT:
        paint_sheet_list(window);
        return 0;
    case WM_SIZE:
        update_list_scroll(window);
        return 0;
    case WM_VSCROLL: {
        RECT rc;
        GetClientRect(window, &rc);
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_ALL;
        GetScrollInfo(window, SB_VERT, &si);
        int h = layout_thumbnail_height(rc.right);
        switch (LOWORD(wp)) {
        case SB_LINEUP: sheet_list_scroll -= h; break;
        case SB_LINEDOWN: sheet_list_scroll += h; break;
        case SB_PAGEUP: sheet_list_scroll -= rc.bottom; break;
        case SB_PAGEDOWN: sheet_list_scroll += rc.bottom; break;
        case SB_THUMBTRACK: sheet_list_scroll = HIWORD(wp); break;
        default: break;
        }
        int max = si.nMax - static_cast<int>(si.nPage);
        if (sheet_list_scroll > max) sheet_list_scroll = max;
        if (sheet_list_scroll < 0) sheet_list_scroll = 0;
        SetScrollPos(window, SB_VERT, sheet_list_scroll, TRUE);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    case WM_LBUTTONDOWN: {
        if (layout_dragging) return 0;
        RECT rc;
        GetClientRect(window, &rc);
        std::vector<SheetInfo> sheets = sheet_chain_list(current_drawing_file());
        int index = layout_thumbnail_at(rc.right, static_cast<short>(HIWORD(lp)), sheet_list_scroll,
                                        static_cast<int>(sheets.size()));
        if (index > 0) layout_switch_sheet(sheets[index - 1].number);
        return 0;
    }
    }
    return DefWindowProcA(window, msg, wp, lp);
}

bool rebuild_keep_going() { return worker_running != 0; }

}  // namespace

void layout_client_to_sheet(int x, int y, double* sx, double* sy) {
    LayoutWindow* lw = layout_window;
    if (!lw || !(lw->scale_x > 0) || !(lw->scale_y > 0)) {
        *sx = *sy = 0;
        return;
    }
    *sx = x / lw->scale_x + lw->origin_x;
    *sy = y / lw->scale_y + lw->origin_y;
}

void layout_fit_sheet() {
    LayoutWindow* lw = layout_window;
    if (!lw || !lw->window) return;
    // Twice when the scroll bars come or go with the fit: the client size
    // changes with them.
    for (int pass = 0; pass < 2; ++pass) {
        RECT rc;
        GetClientRect(lw->window, &rc);
        {
            Lock lock;
            read_sheet_size(lw);
            title_block_height_update(current_drawing_file());
            lw->client_w = rc.right, lw->client_h = rc.bottom;
            double s = layout_fit_scale(lw->client_w, lw->client_h, lw->base_x, lw->base_y, lw->sheet_w, lw->sheet_h);
            if (s > 0) lw->panel_scale = s;
            lw->origin_x = lw->origin_y = 0;
            update_scales(lw);
        }
        update_scroll_bars(lw);
        RECT after;
        GetClientRect(lw->window, &after);
        if (after.right == rc.right && after.bottom == rc.bottom) break;
    }
    if (lw->panel_scale > 0) show_scale_value(lw->panel_scale);
    InvalidateRect(lw->window, nullptr, TRUE);
}

void layout_auto_arrange() {
    LayoutWindow* lw = layout_window;
    DrawingFile* df = current_drawing_file();
    if (!lw || !df) return;
    // On a page sheet only its page is placed again.
    InterlockedExchange(&sheet_list_busy, 1);
    wait_event(page_list_event);
    int page = layout_place_page_sheet(df, lw->nodes);
    InterlockedExchange(&sheet_list_busy, 0);
    if (!page) layout_choose_format(df, lw->nodes);
    update_stage_panel();
    layout_fit_sheet();
    if (sheet_list_window) InvalidateRect(sheet_list_window, nullptr, TRUE);
}

void layout_switch_sheet(uint32_t number) {
    DrawingFile* df = current_drawing_file();
    if (!df) return;
    InterlockedExchange(&sheet_list_busy, 1);
    wait_event(page_list_event);
    {
        Lock lock;
        sheet_make_current(df, number);
    }
    InterlockedExchange(&sheet_list_busy, 0);
    update_stage_panel();
    layout_fit_sheet();
    repaint_both();
}

void layout_move_node_to_sheet(LayoutNode* node, uint32_t number) {
    DrawingFile* df = current_drawing_file();
    if (!node || !df || !number) return;
    Lock lock;
    node->sheet = static_cast<uint16_t>(number);
    node->flags &= static_cast<uint16_t>(~(layout_node_hand_placed | layout_node_laid_out | layout_node_picked));
    layout_store_node(df, *node, false);
}

void layout_drop_node(LayoutNode* node, double x, double y) {
    DrawingFile* df = current_drawing_file();
    if (!node || !df) return;
    Lock lock;
    // A move along one axis only is taken as an unintended nudge.
    bool moved = std::fabs(x - node->x) > 1e-9 && std::fabs(y - node->y) > 1e-9;
    if (moved) {
        node->x = x, node->y = y;
        node->flags |= layout_node_hand_placed;
    }
    layout_store_node(df, *node, moved);
}

unsigned __stdcall layout_rebuild_thread(void*) {
    HWND window = sheet_window;
    if (!window) {
        InterlockedExchange(&rebuild_running, 0);
        return 0;
    }
    InterlockedExchange(&layout_input_block, 1);
    wait_event(sheet_paint_event);
    Sleep(100);
    if (!sheet_window || !layout_window) {
        // Closed meanwhile: nothing to do.
        InterlockedExchange(&layout_input_block, 0);
        InterlockedExchange(&rebuild_running, 0);
        return 0;
    }
    InterlockedExchange(&layout_wait_request, 1);
    wait_event(sheet_paint_event);
    bool saved = false;
    {
        Lock lock;
        PostMessageA(window, UM_LAYOUT_CLOCK, 0, 0);
        bool (*before)() = hatch_worker_running;
        hatch_worker_running = rebuild_keep_going;
        bool failed = false;
        LayoutWindow* lw = layout_window;
        for (size_t i = 0; lw && i < lw->nodes.size(); ++i) {
            if (!worker_running || !sheet_window) break;
            LayoutNode* n = lw->nodes[i].get();
            layout_refresh_node(current_drawing_file(), n);
            if (layout_node_regenerate_hatching(n, rebuild_keep_going) < 0) {
                failed = true;
                break;
            }
        }
        hatch_worker_running = before;
        if (!failed && current_drawing_file()) {
            drawing_save();
            saved = true;
        }
        InterlockedExchange(&layout_wait_request, 0);
        InterlockedExchange(&layout_input_block, 0);
    }
    if (sheet_window) PostMessageA(sheet_window, UM_LAYOUT_REBUILT, saved ? 1 : 0, 0);
    else InterlockedExchange(&rebuild_running, 0);
    return 0;
}

void open_layout_windows() {
    if (sheet_window || !mdi_client || !current_drawing_file()) return;
    if (sheet_paint_event) os_event_reset(sheet_paint_event);
    HINSTANCE instance = program_instance ? program_instance : GetModuleHandleA(nullptr);
    MDICREATESTRUCTA m{};
    m.szClass = "Assembly";
    m.szTitle = "Компоновка чертежа";
    m.hOwner = instance;
    m.x = m.y = 0;
    m.cx = m.cy = CW_USEDEFAULT;
    m.style = WS_HSCROLL | WS_VSCROLL | WS_MAXIMIZE;
    HWND w = reinterpret_cast<HWND>(SendMessageA(mdi_client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&m)));
    if (!w || !layout_window) {
        if (sheet_paint_event) os_event_set(sheet_paint_event);
        return;
    }
    sheet_window = w;
    // The list is a child of the frame, beside the MDI client.
    sheet_list_window = CreateWindowExA(WS_EX_CLIENTEDGE, "ListPage", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 0, 84,
                                        100, GetParent(mdi_client), nullptr, instance, nullptr);
    if (frame_window) frame_layout_apply(frame_window);
    layout_fit_sheet();
    if (sheet_list_window) InvalidateRect(sheet_list_window, nullptr, TRUE);
    InterlockedExchange(&worker_running, 1);
    InterlockedExchange(&rebuild_running, 1);
    unsigned id = 0;
    uintptr_t h = _beginthreadex(nullptr, 0, layout_rebuild_thread, nullptr, 0, &id);
    if (!h) {
        InterlockedExchange(&worker_running, 0);
        InterlockedExchange(&rebuild_running, 0);
    } else {
        worker_thread = reinterpret_cast<HANDLE>(h);
        prompt_show(prompt_preparing);
    }
    if (main_menu) {
        EnableMenuItem(main_menu, 4, MF_BYPOSITION | MF_GRAYED);
        if (frame_window) DrawMenuBar(frame_window);
    }
}

void close_layout_windows() {
    if (sheet_window) {
        if (mdi_client) SendMessageA(mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(sheet_window), 0);
        else DestroyWindow(sheet_window);
    }
}

int layout_wait_pending() { return rebuild_running ? 1 : 0; }

int layout_zoom_mode() { return zoom_mode; }

void layout_set_zoom_mode(int id) {
    zoom_mode = id == IDC_SCALE_ZOOM_IN || id == IDC_SCALE_ZOOM_OUT ? id : 0;
    if (scale_panel) {
        CheckDlgButton(scale_panel, IDC_SCALE_ZOOM_IN, zoom_mode == IDC_SCALE_ZOOM_IN ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(scale_panel, IDC_SCALE_ZOOM_OUT, zoom_mode == IDC_SCALE_ZOOM_OUT ? BST_CHECKED : BST_UNCHECKED);
    }
    SetCursor(LoadCursor(nullptr, zoom_mode ? IDC_CROSS : IDC_ARROW));
}

void scale_panel_save_state() {
    saved_panel_scale = panel_scale;
    saved_for_all = false;
    if (!scale_panel) return;
    // The sheet window is the only one the panel acts on now.
    saved_for_all = IsDlgButtonChecked(scale_panel, IDC_SCALE_ALL) == BST_CHECKED;
    CheckDlgButton(scale_panel, IDC_SCALE_ALL, BST_UNCHECKED);
    EnableWindow(GetDlgItem(scale_panel, IDC_SCALE_ALL), FALSE);
}

void scale_panel_restore_state() {
    if (zoom_mode) layout_set_zoom_mode(0);
    if (scale_panel) {
        EnableWindow(GetDlgItem(scale_panel, IDC_SCALE_ALL), TRUE);
        CheckDlgButton(scale_panel, IDC_SCALE_ALL, saved_for_all ? BST_CHECKED : BST_UNCHECKED);
    }
    show_scale_value(saved_panel_scale);
}

int layout_scale_panel_command(HWND panel, int id, int code) {
    LayoutWindow* lw = layout_window;
    if (!lw || !sheet_window || !mdi_client) return 0;
    if (reinterpret_cast<HWND>(SendMessageA(mdi_client, WM_MDIGETACTIVE, 0, 0)) != sheet_window) return 0;
    RECT rc;
    GetClientRect(sheet_window, &rc);
    switch (id) {
    case IDC_SCALE_ZOOM_IN:
    case IDC_SCALE_ZOOM_OUT:
        // A toggle: pressed, a click on the sheet zooms (the other button is
        // released first); pressed again, the normal cursor returns.
        if (code == BN_CLICKED) layout_set_zoom_mode(zoom_mode == id ? 0 : id);
        return 1;
    case IDC_SCALE_FIT:
        layout_fit_sheet();
        return 1;
    case IDC_SCALE_EDIT:
        if (code != EN_MAXTEXT || !panel) return 0;
        {
            char text[64] = "";
            GetDlgItemTextA(panel, IDC_SCALE_EDIT, text, sizeof text);
            double v = std::fabs(parse_number_text(text));
            if (v > 0 && std::isfinite(v)) zoom_by(lw, v / lw->panel_scale, rc.right / 2, rc.bottom / 2);
            else show_scale_value(lw->panel_scale);
        }
        return 1;
    default:
        return 0;
    }
}

void layout_windows_bind() {
    sheet_window_proc_hook = sheet_window_proc;
    sheet_list_proc_hook = sheet_list_proc;
    command_seams.open_layout_windows = open_layout_windows;
    command_seams.layout_wait_pending = layout_wait_pending;
}
