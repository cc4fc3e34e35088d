// Start-up of the program, run once inside the frame's WM_CREATE.
#include "shell/startup.h"
#include "documents/documents.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"
#include "geometry/units_scale.h"
#include "render/contours/hatch_patterns.h"
#include "render/text/stroke_font.h"
#include "render/text/stroke_font_win.h"
#include "shell/frame_window.h"
#include "shell/message_dialogs.h"
#include "shell/registry_settings.h"
#include "shell/resource_ids.h"
#include "base/program_messages.h"
#include "store/records.h"
#include "store/settings_block.h"

OsEvent* sheet_paint_event;
OsEvent* page_list_event;
int screen_dpi = 96;
double screen_pixels_per_mm_x, screen_pixels_per_mm_y;
HMENU context_menu;
HCURSOR normal_cursor, hand_cursor;
HCURSOR tool_cursors[34];
const int tool_cursor_ids[34] = {198, 199, 200, 201, 202, 203, 239, 240, 260, 261, 265, 266,
                                 399, 475, 544, 546, 599, 616, 617, 618, 619, 620, 621, 622,
                                 623, 624, 625, 626, 674, 708, 714, 715, 1069, 1171};
COLORREF prompt_colour;
HBRUSH prompt_brush;
COLORREF highlight_colour = RGB(255, 255, 32);
HBRUSH hint_brush;
char program_folder[1028];
HICON help_icon;
HBITMAP empty_mono_bitmap;
HBITMAP stage_check_bitmaps[6];

HIMAGELIST images_annotation_panel, images_settings_lines, images_dimension_panel,
    images_annotation_small, images_annotation_wide, images_property_a, images_property_b,
    images_visibility;

static const int annotation_panel_bitmaps[] = {221, 222, 224, 225, 223, 229, 228, 226, 227, 249, 478};
static const int settings_lines_bitmaps[] = {221, 224, 225, 226};
static const int dimension_panel_bitmaps[] = {347, 343, 344, 345, 346, 348};
static const int annotation_small_bitmaps[] = {401, 402, 403};
static const int annotation_wide_bitmaps[] = {413, 404, 405, 406, 407, 408, 409, 559};
static const int property_a_bitmaps[] = {487, 480, 482, 483, 485, 486, 479};
static const int property_b_bitmaps[] = {487, 497, 498, 499, 500, 501, 502, 503, 504,
                                         505, 506, 507, 508, 509, 510, 511, 512};
static const int visibility_bitmaps[] = {884, 883, 891, 890, 889, 887, 888, 886, 885};

#define IMAGE_LIST(list, cx, cy, arr) {&list, cx, cy, static_cast<int>(sizeof arr / sizeof arr[0]), arr}
const ImageListSpec image_list_specs[8] = {
    IMAGE_LIST(images_annotation_panel, 48, 20, annotation_panel_bitmaps),
    IMAGE_LIST(images_settings_lines, 48, 20, settings_lines_bitmaps),
    IMAGE_LIST(images_dimension_panel, 18, 18, dimension_panel_bitmaps),
    IMAGE_LIST(images_annotation_small, 18, 18, annotation_small_bitmaps),
    IMAGE_LIST(images_annotation_wide, 34, 18, annotation_wide_bitmaps),
    IMAGE_LIST(images_property_a, 24, 20, property_a_bitmaps),
    IMAGE_LIST(images_property_b, 24, 20, property_b_bitmaps),
    IMAGE_LIST(images_visibility, 48, 16, visibility_bitmaps),
};
#undef IMAGE_LIST

static const int stage_commands[6] = {IDM_STAGE_POINTS,       IDM_STAGE_IMAGE,      IDM_STAGE_DIMENSIONS,
                                      IDM_STAGE_CONSTRUCTION, IDM_STAGE_ANNOTATION, IDM_STAGE_LAYOUT};

// Window procedures of the child window classes; the projection and layout
// code set them, DefWindowProcA stands in until then.
WNDPROC projection_window_proc_hook = DefWindowProcA;
WNDPROC sheet_window_proc_hook = DefWindowProcA;
WNDPROC sheet_list_proc_hook = DefWindowProcA;

HICON load_icon_scaled(int id) {
    int size = screen_dpi <= 100 ? 32 : 64;
    HICON icon = static_cast<HICON>(
        LoadImageA(program_instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    return icon ? icon : LoadIconA(program_instance, MAKEINTRESOURCEA(id));
}

const void* load_font_resource(const char* name, const char* type) {
    HRSRC r = FindResourceA(program_instance, name, type);
    if (!r) return nullptr;
    HGLOBAL g = LoadResource(program_instance, r);
    return g ? LockResource(g) : nullptr;
}

// ---------------------------------------------------------------- registry
static bool set_class_default(const char* sub, const char* text) {
    HKEY k;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = registry_write_string(k, nullptr, text);
    RegCloseKey(k);
    return ok;
}

static bool file_exists(const char* path) {
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// folder + tail into buf when it fits.
static bool join(char* buf, size_t size, const char* folder, const char* tail) {
    size_t a = std::strlen(folder), b = std::strlen(tail);
    if (a + b + 1 > size) return false;
    std::memcpy(buf, folder, a);
    std::memcpy(buf + a, tail, b + 1);
    return true;
}

void file_association_repair() {
    const char* program_key = registry_program_key();
    if (!*program_key) return;
    char exe[1100];
    if (registry_program_folder(program_folder, sizeof program_folder) &&
        join(exe, sizeof exe, program_folder, "\\sarvolt.exe") && file_exists(exe))
        return;
    if (!GetCurrentDirectoryA(sizeof program_folder, program_folder)) return;
    if (!join(exe, sizeof exe, program_folder, "\\sarvolt.exe") || !file_exists(exe)) return;
    HKEY k;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, program_key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                        nullptr) != ERROR_SUCCESS)
        return;
    bool ok = registry_write_string(k, registry_path_value, program_folder) && registry_write_string(k, nullptr, exe);
    RegCloseKey(k);
    if (!ok) return;
    // The program path is quoted, and so is the drawing: folders hold blanks.
    char icon[1100], open[1100];
    if (!join(icon, sizeof icon, program_folder, "\\SARVOLT.exe,1")) return;
    std::string quoted = std::string("\"") + program_folder + "\\SARVOLT.exe\" \"%1\"";
    if (quoted.size() + 1 > sizeof open) return;
    std::memcpy(open, quoted.c_str(), quoted.size() + 1);
    if (!set_class_default(".svt", "svtfile")) return;
    if (!set_class_default("svtfile", "Документ SARVOLT")) return;
    if (!set_class_default("svtfile\\DefaultIcon", icon)) return;
    if (!set_class_default("svtfile\\shell\\open\\command", open)) return;
    if (!set_class_default("svtfile\\shell\\print\\command", open)) return;
    set_class_default("svtfile\\shell\\printto\\command", open);
}

// ---------------------------------------------------------------- stale files
FILETIME stale_cutoff(const SYSTEMTIME& local_now) {
    SYSTEMTIME midnight = local_now;
    midnight.wHour = 0;
    midnight.wMinute = 0;
    midnight.wSecond = 1;
    midnight.wMilliseconds = 0;
    FILETIME local, utc;
    SystemTimeToFileTime(&midnight, &local);
    // Last-write times are UTC: the local cut-off is converted to match.
    LocalFileTimeToFileTime(&local, &utc);
    return utc;
}

int stale_files_remove(const FILETIME& cutoff) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA("svt*.tmp", &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int asked = 0, removed = 0;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (CompareFileTime(&fd.ftLastWriteTime, &cutoff) >= 0) continue;
        if (!stale_file_deletable(fd.cFileName)) continue;
        if (!asked) {
            asked = 1;
            if (!ask_confirmation(frame_window, 5, "")) break;
        }
        if (DeleteFileA(fd.cFileName)) ++removed;
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return removed;
}

// ---------------------------------------------------------------- the steps
static void load_pictures() {
    normal_cursor = LoadCursorA(nullptr, IDC_ARROW);
    hand_cursor = LoadCursorA(nullptr, IDC_HAND);
    for (int i = 0; i < 34; ++i)
        tool_cursors[i] = LoadCursorA(program_instance, MAKEINTRESOURCEA(tool_cursor_ids[i]));
    help_icon = load_icon_scaled(IDI_HELP_PICTURE);
    BYTE zero[128] = {};
    empty_mono_bitmap = CreateBitmap(32, 32, 1, 1, zero);
    for (int i = 0; i < 6; ++i) {
        stage_check_bitmaps[i] = LoadBitmapA(program_instance, MAKEINTRESOURCEA(IDB_STAGE_CHECK_FIRST + i));
        if (main_menu)
            SetMenuItemBitmaps(main_menu, stage_commands[i], MF_BYCOMMAND, stage_check_bitmaps[i],
                               stage_check_bitmaps[i]);
    }
}

static void register_child_classes() {
    struct {
        const char* name;
        UINT style;
        WNDPROC proc;
        int brush;
    } classes[] = {
        {"Projec", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, projection_window_proc_hook, LTGRAY_BRUSH},
        {"Assembly", CS_HREDRAW | CS_VREDRAW, sheet_window_proc_hook, WHITE_BRUSH},
        {"ListPage", CS_HREDRAW | CS_VREDRAW, sheet_list_proc_hook, LTGRAY_BRUSH},
    };
    for (const auto& c : classes) {
        WNDCLASSEXA wc;
        ZeroMemory(&wc, sizeof wc);
        wc.cbSize = sizeof wc;
        wc.style = c.style;
        wc.lpfnWndProc = c.proc;
        wc.hInstance = program_instance;
        wc.hIcon = load_icon_scaled(IDI_PROGRAM);
        wc.hIconSm = load_icon_scaled(IDI_DOCUMENT);
        wc.hCursor = normal_cursor;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(c.brush));
        wc.lpszClassName = c.name;
        RegisterClassExA(&wc);
    }
}

static void build_image_lists() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_USEREX_CLASSES};
    InitCommonControlsEx(&icc);
    for (const ImageListSpec& s : image_list_specs) {
        *s.list = ImageList_Create(s.cx, s.cy, ILC_COLOR4, s.count, 0);
        if (!*s.list) continue;
        for (int i = 0; i < s.count; ++i) {
            HBITMAP b = LoadBitmapA(program_instance, MAKEINTRESOURCEA(s.bitmaps[i]));
            int added = b ? ImageList_Add(*s.list, b, nullptr) : -1;
            if (b) DeleteObject(b);
            if (added < 0) break;
        }
    }
}

bool startup_run(HWND frame) {
    if (!drawing_critical_section) drawing_critical_section = os_lock_create();
    if (!drawing_critical_section) return false;
    OsEvent** events[4] = {&paint_event, &sheet_paint_event, &file_io_event, &page_list_event};
    for (OsEvent** e : events) {
        if (!*e) *e = os_event_create(true);
        if (!*e) return false;
    }
    // The page buffers and their guard bytes (0xCC), before anything can
    // touch a drawing; once only, so that a second run never wipes pages.
    if (!page_buffers[0].data && store_init() != 0) return false;
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (dc) {
        screen_dpi = GetDeviceCaps(dc, LOGPIXELSX);
        DeleteDC(dc);
    }
    screen_pixels_per_mm_x = screen_pixels_per_mm_y = GetSystemMetrics(SM_CXSCREEN) * 0.00369;
    context_menu = LoadMenuA(program_instance, MAKEINTRESOURCEA(IDR_CONTEXT_MENUS));
    load_pictures();
    if (stroke_fonts_load_module(program_instance) != 0) return false;
    hatch_kinds_install();
    register_child_classes();
    build_image_lists();
    prompt_colour = GetSysColor(COLOR_BTNFACE);
    prompt_brush = CreateSolidBrush(prompt_colour);
    hint_brush = CreateSolidBrush(highlight_colour);
    if (settings_block_unpack() != 0) return false;  // also binds the kernel's texts
    text_settings_bind_settings_block();  // text heights, index shifts, slant, colour
    // The default records of the record tables take the text size of the
    // settings block, so they are built once it is unpacked.
    page_buffers_init_defaults();
    file_association_repair();
    if (!registry_program_folder(program_folder, sizeof program_folder))
        GetCurrentDirectoryA(sizeof program_folder, program_folder);
    char work[781];
    if (registry_user_read(registry_path_value, work, sizeof work) && work[0]) SetCurrentDirectoryA(work);
    kernel_compute_angle_constants();
    init_dimension_drawing_constants();  // uses the angle constants
    SYSTEMTIME now;
    GetLocalTime(&now);
    stale_files_remove(stale_cutoff(now));
    tolerance_set_default();
    (void)frame;
    return true;
}

void startup_init(HWND frame) {
    if (startup_run(frame)) return;
    show_program_message("$загрузки ресурсов");
    // A failed start is not a success: the exit code says so.
    ExitProcess(startup_failure_exit_code);
}
