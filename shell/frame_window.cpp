// The MDI frame window: its panels and their layout, the private messages,
// the stage hot keys, the stage panel slot, the repaint queue and shut-down.
#include "shell/frame_window.h"

#include "shell/annotation_mouse.h"
#include "shell/commands.h"
#include "shell/construction_run.h"
#include "shell/document_hooks.h"

#include <cstdlib>
#include <cstring>

#include "shell/help.h"
#include "shell/hints.h"
#include "shell/message_dialogs.h"
#include "shell/panels.h"
#include "shell/startup.h"
#include "documents/checkpoints.h"
#include "documents/documents.h"
#include "shell/document_ui.h"
#include "shell/resource_ids.h"
#include "shell/settings_dialogs.h"
#include "shell/projection_windows.h"
#include "shell/core/pick_marker.h"
#include "base/program_messages.h"
#include "documents/saving.h"

const char frame_class_name[] = "SarVolt";
const char frame_window_title[] = "SARVOLT - Конструкторская документация";

HINSTANCE program_instance;
HWND frame_window;
HWND mdi_client;
HMENU main_menu;
char* command_line_file;
HWND prompt_panel;
HWND top_separator;
HWND panel_separator;
HWND scale_panel;
HWND stage_bar;
HWND stage_panel;
int stage_panel_id;
HFONT stage_panel_font;
HWND current_modeless_dialog;
HWND sheet_window;
HWND sheet_list_window;
volatile LONG worker_running;
HANDLE worker_thread;
int wheel_seen;
DWORD gui_thread_id;
volatile LONG program_closing;
InvalidateRequest* invalidate_queue;


char* command_line_path(const char* tail) {
    if (!tail || !*tail) return nullptr;
    size_t n = std::strlen(tail);
    char* path = static_cast<char*>(std::malloc(n + 2));
    if (!path) return nullptr;
    size_t k = 0;
    for (size_t i = 0; i < n; ++i)
        if (tail[i] != '"') path[k++] = tail[i];
    path[k] = 0;
    return path;
}

// ---------------------------------------------------------------- layout
FrameLayout frame_layout(int w, int h, int ph, int sw, int sh, int bw, bool sheet) {
    FrameLayout l;
    int H = h - ph - sh - 2;
    int L = sheet ? 84 : 0;
    l.prompt = {0, h - ph, w, ph};
    l.top = {0, 0, w, 2};
    l.scale = {0, 2, sw, sh};
    l.separator = {sw, 2, 2, sh};
    l.stage = {sw + 2, 2, w - sw - 2, sh};
    l.bar = {w - bw, sh + 2, bw, H};
    l.client = {L, sh + 2, w - bw - L, H};
    l.sheet_list = {0, sh + 2, 84, H};
    l.has_sheet_list = sheet;
    return l;
}

static int window_width(HWND w) {
    RECT r;
    return w && GetWindowRect(w, &r) ? r.right - r.left : 0;
}
static int window_height(HWND w) {
    RECT r;
    return w && GetWindowRect(w, &r) ? r.bottom - r.top : 0;
}
static void place(HWND w, const PanelRect& r) {
    if (w) MoveWindow(w, r.x, r.y, r.w, r.h, TRUE);
}

void frame_layout_apply(HWND frame) {
    RECT c;
    GetClientRect(frame, &c);
    FrameLayout l = frame_layout(c.right, c.bottom, window_height(prompt_panel),
                                 window_width(scale_panel), window_height(scale_panel),
                                 window_width(stage_bar), sheet_window != nullptr);
    place(prompt_panel, l.prompt);
    place(top_separator, l.top);
    place(scale_panel, l.scale);
    place(panel_separator, l.separator);
    place(stage_panel, l.stage);
    place(stage_bar, l.bar);
    place(mdi_client, l.client);
    if (sheet_window) place(sheet_list_window, l.sheet_list);
}

// ---------------------------------------------------------------- creation
static void create_mdi_client(HWND frame) {
    CLIENTCREATESTRUCT ccs;
    ccs.hWindowMenu = nullptr;
    ccs.idFirstChild = IDM_WINDOW_LIST_FIRST;
    mdi_client = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, frame,
                                 reinterpret_cast<HMENU>(1), program_instance, &ccs);
}

static HWND modeless(int id, HWND owner, DLGPROC proc) {
    return CreateDialogParamA(program_instance, MAKEINTRESOURCEA(id), owner, proc, 0);
}

static void frame_create_panels(HWND frame) {
    prompt_panel = modeless(IDD_PROMPT_PANEL, frame, prompt_panel_proc);
    top_separator = modeless(IDD_TOP_SEPARATOR, frame, nullptr);
    panel_separator = modeless(IDD_PANEL_SEPARATOR, frame, nullptr);
    bool compact = screen_dpi <= 100;
    scale_panel = modeless(compact ? IDD_SCALE_PANEL_COMPACT : IDD_SCALE_PANEL, frame, scale_panel_proc);
    stage_bar = modeless(compact ? IDD_STAGE_BAR_COMPACT : IDD_STAGE_BAR, frame, stage_bar_proc);
    stage_panel = modeless(IDD_STAGE_PANEL_EMPTY, frame, nullptr);
}

static bool screen_too_small() {
    return GetSystemMetrics(SM_CXSCREEN) < 782 || GetSystemMetrics(SM_CYSCREEN) < 546;
}

// ---------------------------------------------------------------- shut-down
bool stop_worker(DWORD ms) {
    InterlockedExchange(&worker_running, 0);
    if (!worker_thread) return true;
    DWORD start = GetTickCount();
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &worker_thread, FALSE, 200, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) break;
        if (GetTickCount() - start > ms) return false;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // serves sent messages
    }
    CloseHandle(worker_thread);
    worker_thread = nullptr;
    return true;
}

bool worker_busy() {
    if (!worker_thread) return false;
    if (WaitForSingleObject(worker_thread, 0) != WAIT_OBJECT_0) return true;
    CloseHandle(worker_thread);
    worker_thread = nullptr;
    return false;
}

static void frame_destroy() {
    bool stopped = stop_worker(10000);
    if (sheet_window) {
        DestroyWindow(sheet_window);
        sheet_window = nullptr;
    }
    if (stopped) {
        // A worker that did not end may still hold the lock: then the
        // program quits without touching drawing data.
        document_lock_acquire();
        terminate_workers_and_close();
        document_lock_release();
    }
    PostQuitMessage(0);
}

// ---------------------------------------------------------------- the window
LRESULT CALLBACK frame_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        frame_window = window;
        if (screen_too_small()) {
            error_stack_push("Экран должен быть не менее 782x546");
            show_program_message("Для запуска программы SARVOLT");
            // The frame is not created: nothing else is set up and no start
            // dialog can run behind the message.
            return -1;
        }
        startup_init(window);
        documents_menus_init();
        frame_create_panels(window);
        create_mdi_client(window);
        hint_timer_start();
        return 0;
    case WM_SIZE: {
        if (!shell_documents.is_open()) {
            RECT r;
            GetWindowRect(window, &r);
            char size[40];
            wsprintfA(size, "%lix%li", static_cast<long>(r.right - r.left),
                      static_cast<long>(r.bottom - r.top));
            prompt_show(size);
        }
        frame_layout_apply(window);
        return 0;
    }
    case WM_COMMAND:
        hints_enable();
        if (lparam != 0) break;
        switch (LOWORD(wparam)) {
        case IDM_REPOST_COMMAND:
            PostMessageA(window, WM_COMMAND, HIWORD(wparam), 0);
            return 0;
        case IDM_WARN_3D_LINES:
            if (HIWORD(wparam) == 0)
                show_program_message("Изменения могут привести к исчезновению помеченных на "
                                     "проекции 3D линий, задействованных в развёртках");
            return 0;
        default:
            check_stage_button(LOWORD(wparam));
            if (dispatch_menu_command(LOWORD(wparam)) == 0) return 0;
            break;
        }
        break;
    case WM_SYSCOMMAND:
        // "Поднять окно" of a maximised projection window, whose system
        // menu then sits in this menu bar and reports to this window.  The
        // id is compared whole: masked with 0xFFF0 it would read as another.
        if (wparam == IDM_CONTEXT_RAISE_WINDOW) {
            dispatch_menu_command(IDM_CONTEXT_RAISE_WINDOW);
            return 0;
        }
        // The Alt of an annotation binding, let go after the mouse button:
        // its release opens no menu.
        if ((wparam & 0xFFF0) == SC_KEYMENU && lparam == 0 && annotation_mouse_take_alt_release()) return 0;
        break;
    case WM_INITMENUPOPUP:
        hints_disable();
        return 0;
    case WM_MOUSEWHEEL:
        wheel_seen = 1;
        return 0;
    case WM_DESTROY:
        frame_destroy();
        return 0;
    case UM_OPEN_START_FILE:
        if (command_line_file) shell_documents.open_path(command_line_file);
        return 0;
    case UM_INIT_MENUS:
        help_init();
        recent_files_menu_build(1);
        update_menu_state(current_drawing_file() ? IDM_FILE_OPEN : IDM_FILE_CLOSE);
        return 0;
    case UM_SHOW_START_DIALOG:
        start_dialog_show(window);
        return 0;
    case UM_UNDO:
        shell_documents.undo();
        return 0;
    case UM_REDO:
        shell_documents.redo();
        return 0;
    case UM_SHOW_CONSTRUCTION_DIALOG:
        start_view_construction();
        return 0;
    case UM_START_CONSTRUCTION:
        start_construction_thread();
        return 0;
    case UM_REOPEN_PROJECTION_WINDOW:
        projection_window_reopen(reinterpret_cast<ProjectionWindow*>(lparam));
        return 0;
    case UM_CLOSE_EVERYTHING: {
        char* path = reinterpret_cast<char*>(lparam);
        close_everything_and_quit(path, wparam != 0);
        std::free(path);
        return 0;
    }
    default:
        break;
    }
    return DefFrameProcA(window, mdi_client, message, wparam, lparam);
}

HWND frame_create(HINSTANCE instance) {
    program_instance = instance;
    gui_thread_id = GetCurrentThreadId();
    WNDCLASSEXA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = frame_window_proc;
    wc.hInstance = instance;
    // The DPI is measured here already, so the class icon has its size.
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (dc) {
        screen_dpi = GetDeviceCaps(dc, LOGPIXELSX);
        DeleteDC(dc);
    }
    wc.hIcon = load_icon_scaled(IDI_PROGRAM);
    wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON, 16, 16, 0));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = frame_class_name;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;

    main_menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAIN_MENU));
    if (main_menu) {
        char version[64];
        wsprintfA(version, "SARVOLT  версии  %u.%u", 9u, 4u);
        ModifyMenuA(main_menu, IDM_HELP_VERSION, MF_BYCOMMAND | MF_STRING, IDM_HELP_VERSION, version);
    }
    HWND frame = CreateWindowExA(0, frame_class_name, frame_window_title, WS_OVERLAPPEDWINDOW,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 nullptr, main_menu, instance, nullptr);
    if (!frame) return nullptr;
    ShowWindow(frame, SW_SHOWMAXIMIZED);
    UpdateWindow(frame);
    return frame;
}

// The focus is in a projection window or in the stage panel: only there do
// the 'X' and 'Z' short-cuts act, never while typing in another dialog.
static bool focus_in_drawing_area() {
    HWND f = GetFocus();
    if (!f) return false;
    if (stage_panel && (f == stage_panel || IsChild(stage_panel, f))) return true;
    return mdi_client && IsChild(mdi_client, f);
}

int run_message_loop() {
    MSG msg;
    int restore = 1;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
            restore = 0;
            switch (msg.wParam) {
            case VK_SHIFT:
            case VK_CONTROL:
            case VK_MENU:
                modifier_keys_show(static_cast<int>(msg.wParam), 1);
                modifier_prompt_show(static_cast<int>(msg.wParam));
                break;
            case VK_ESCAPE:
                // One road only: the dialog gets WM_CLOSE and the key stops here.
                if (current_modeless_dialog) {
                    PostMessageA(current_modeless_dialog, WM_CLOSE, 0, 0);
                    continue;
                }
                restore = 1;
                break;
            case 'X':
                // The remembered nominal is entry 1 of the nominal combo; the
                // key is taken in a projection window only, so that an 'X'
                // typed into the panel's fields stays a letter.
                if (current_stage == 2 && stage_panel && mdi_client && GetFocus() && IsChild(mdi_client, GetFocus())) {
                    HWND combo = GetDlgItem(stage_panel, IDC_DIMENSION_NOMINAL);
                    if (combo && SendMessageA(combo, CB_GETCOUNT, 0, 0) > 1) {
                        SendMessageA(combo, CB_SETCURSEL, 1, 0);
                        PostMessageA(stage_panel, WM_COMMAND, MAKEWPARAM(IDC_DIMENSION_NOMINAL, CBN_SELENDOK),
                                     reinterpret_cast<LPARAM>(combo));
                    }
                }
                break;
            case 'Z':
                if (current_stage == 2 && stage_panel && focus_in_drawing_area()) {
                    HWND b = GetDlgItem(stage_panel, IDC_DIMENSION_KEEP_NOMINAL);
                    if (b && IsWindowEnabled(b)) PostMessageA(stage_panel, WM_COMMAND, IDC_DIMENSION_KEEP_NOMINAL, 0);
                }
                break;
            default:
                break;
            }
        } else if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) {
            restore = 1;
            if (msg.wParam == VK_SHIFT || msg.wParam == VK_CONTROL || msg.wParam == VK_MENU)
                modifier_keys_show(static_cast<int>(msg.wParam), 0);
            modifier_prompt_show(-1);
        } else if (restore) {
            modifier_prompt_show(-1);
        }
        if (current_modeless_dialog && IsDialogMessageA(current_modeless_dialog, &msg)) continue;
        if (mdi_client && TranslateMDISysAccel(mdi_client, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

// ---------------------------------------------------------------- stage keys
int stage_hotkey_command(int key) {
    static const int commands[6] = {IDM_STAGE_POINTS,       IDM_STAGE_IMAGE,      IDM_STAGE_DIMENSIONS,
                                    IDM_STAGE_CONSTRUCTION, IDM_STAGE_ANNOTATION, IDM_STAGE_LAYOUT};
    if (key >= '1' && key <= '6') return commands[key - '1'];
    if (key >= VK_NUMPAD1 && key <= VK_NUMPAD6) return commands[key - VK_NUMPAD1];
    return 0;
}

void handle_stage_hotkey(int key) {
    if (key == VK_F1) {
        open_context_help();
        return;
    }
    int id = stage_hotkey_command(key);
    if (!id || !main_menu) return;
    UINT state = GetMenuState(main_menu, id, MF_BYCOMMAND);
    if (state == static_cast<UINT>(-1) || (state & (MF_GRAYED | MF_DISABLED))) return;
    check_stage_button(id);
    dispatch_menu_command(id);
}

int compact_panel_template(int id) {
    static const int pairs[6][2] = {{IDD_PANEL_ANNOTATION, IDD_PANEL_ANNOTATION_COMPACT},
                                    {IDD_PANEL_LAYOUT, IDD_PANEL_LAYOUT_COMPACT},
                                    {IDD_PANEL_POINTS, IDD_PANEL_POINTS_COMPACT},
                                    {IDD_PANEL_IMAGE, IDD_PANEL_IMAGE_COMPACT},
                                    {IDD_PANEL_DIMENSIONS, IDD_PANEL_DIMENSIONS_COMPACT},
                                    {IDD_PANEL_CONSTRUCTION, IDD_PANEL_CONSTRUCTION_COMPACT}};
    for (const auto& p : pairs)
        if (p[0] == id) return p[1];
    return id;
}

void show_stage_panel(int id, DLGPROC procedure) {
    checkpoint_hold = 0;
    if (id == stage_panel_id) return;
    current_modeless_dialog = nullptr;
    drawing_save();
    int tmpl = screen_dpi <= 100 ? compact_panel_template(id) : id;
    HWND panel = CreateDialogParamA(program_instance, MAKEINTRESOURCEA(tmpl), frame_window,
                                    procedure, 0);
    if (!panel) return;  // the old panel stays, and so does its id
    if (stage_panel) {
        hints_remove_dialog(stage_panel);
        DestroyWindow(stage_panel);
    }
    // A marker placed for the old stage's tools picks nothing in the new one.
    pick_marker_reset();
    stage_panel = panel;
    stage_panel_id = id;
    stage_panel_font = reinterpret_cast<HFONT>(SendMessageA(panel, WM_GETFONT, 0, 0));
    if (mdi_client) {
        HWND active = reinterpret_cast<HWND>(SendMessageA(mdi_client, WM_MDIGETACTIVE, 0, 0));
        if (active) SetFocus(active);
    }
    busy_flag = 0;
    RECT c;
    GetClientRect(frame_window, &c);
    SendMessageA(frame_window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.right, c.bottom));
}

// ---------------------------------------------------------------- repaints
void post_paint(HWND window) { PostMessageA(window, WM_PAINT, 0, 0); }

InvalidateRequest* queue_invalidate(HWND window, const RECT* rect, int erase) {
    auto* r = static_cast<InvalidateRequest*>(std::malloc(sizeof(InvalidateRequest)));
    if (!r) return nullptr;
    r->window = window;
    r->flags = static_cast<unsigned char>(erase & 1);
    if (rect) {
        r->rect[0] = rect->left;
        r->rect[1] = rect->top;
        r->rect[2] = rect->right;
        r->rect[3] = rect->bottom;
        r->flags |= 2;
    } else {
        r->rect[0] = r->rect[1] = r->rect[2] = r->rect[3] = 0;
    }
    r->next = invalidate_queue;
    invalidate_queue = r;
    return r;
}

void flush_invalidate_queue() {
    while (invalidate_queue) {
        InvalidateRequest* r = invalidate_queue;
        RECT rc = {r->rect[0], r->rect[1], r->rect[2], r->rect[3]};
        InvalidateRect(r->window, (r->flags & 2) ? &rc : nullptr, r->flags & 1);
        invalidate_queue = r->next;
        std::free(r);
    }
}
