// Projection windows: their records, the sketch loading, the MDI children,
// opening every projection of a loaded drawing and destroying the windows
// when it closes, the zoom and fit of the scale panel, the two placements
// and the window list of the window menu.
#include "shell/projection_windows.h"
#include "shell/layout_windows.h"

#include <commdlg.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/document_seams.h"
#include "documents/documents.h"
#include "geometry/extents.h"
#include "geometry/naming.h"
#include "geometry/text_numbers.h"
#include "geometry/tolerance.h"
#include "render/contours/contour_search.h"
#include "render/images/bmp_image.h"
#include "render/images/image_loaders_win.h"
#include "shell/commands.h"
#include "shell/context_menus.h"
#include "shell/core/projection_records.h"
#include "shell/core/stage_menu.h"
#include "shell/projection_dialog.h"
#include "shell/core/window_list.h"
#include "shell/file_dialog.h"
#include "shell/frame_window.h"
#include "shell/hints.h"
#include "shell/message_dialogs.h"
#include "shell/panels.h"
#include "shell/resource_ids.h"
#include "shell/sketch_shares.h"
#include "shell/startup.h"
#include "shell/view_picking.h"
#include "output/import_session.h"
#include "shell/core/mark_set.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

ProjectionWindow* projection_windows;
double panel_scale = 1.0;
uint32_t active_projection_number = static_cast<uint32_t>(-1);
ProjectionWindow* current_projection_window;
int scale_edit_active;
int (*sketch_dialog_answer)(char* path, size_t size);

static char sketch_path[1288];
static char* sketch_search_folder;
// The record whose MDI child is being created (its WM_CREATE takes it).
ProjectionWindow* projection_window_creating;
// Projection numbers of the window list, entry k at index k.
static std::vector<uint32_t> window_list_numbers;
extern int keep_projection_on_destroy;

LRESULT CALLBACK projection_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// ---------------------------------------------------------------- lookup
ProjectionWindow* projection_window_find_by_hwnd(HWND window) {
    for (ProjectionWindow* w = projection_windows; w; w = w->next)
        if (w->window == window && window) return w;
    return nullptr;
}

ProjectionWindow* projection_window_find_by_id(uint32_t number) {
    for (ProjectionWindow* w = projection_windows; w; w = w->next)
        if (w->number == number && number) return w;
    return nullptr;
}

static RecordRef window_record_ref(uint32_t number) {
    ProjectionWindow* w = projection_window_find_by_id(number);
    return w ? w->record_ref : 0;
}

static unsigned char* window_record(ProjectionWindow* w) {
    if (!w || !w->record_ref) return nullptr;
    RecordRef r = w->record_ref;
    return record_fetch(&r);
}

static double drawing_scale() {
    DrawingFile* df = current_drawing_file();
    double s = df && df->header ? get_f64(df->header, header_scale) : 1.0;
    return std::isfinite(s) && s > 0 ? s : 1.0;
}

ProjectionWindow* projection_window_active() {
    if (!projection_windows || !mdi_client) return nullptr;
    HWND active = reinterpret_cast<HWND>(SendMessageA(mdi_client, WM_MDIGETACTIVE, 0, 0));
    ProjectionWindow* w = projection_window_find_by_hwnd(active);
    if (w) return w;
    if (!active && projection_windows->window) {
        SendMessageA(mdi_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(projection_windows->window), 0);
        return projection_windows;
    }
    return active ? nullptr : projection_windows;
}

// ---------------------------------------------------------------- the kernel's view of a window
static ProjectionFrameWindow kernel_frames[64];

static ProjectionFrameWindow* kernel_window_of(const uint8_t* projection) {
    if (!projection) return nullptr;
    int i = 0;
    for (ProjectionWindow* w = projection_windows; w; w = w->next, ++i) {
        if (w->number != get_u32(projection, 2)) continue;
        ProjectionFrameWindow* f = &kernel_frames[i % 64];
        f->sketch_width = w->sketch_size[0];
        f->sketch_height = w->sketch_size[1];
        f->frame_box = {w->frame[0], w->frame[1], w->frame[2], w->frame[3]};
        f->area_origin = {w->area_origin[0], w->area_origin[1]};
        f->area_size = {w->area_size[0], w->area_size[1]};
        f->constructed_origin = {w->constructed_origin[0], w->constructed_origin[1]};
        f->first_corner = {w->view_offset[0], w->view_offset[1]};
        return f;
    }
    return nullptr;
}

// ---------------------------------------------------------------- sketch loading
static void* read_whole_file(const char* path, DWORD* size, int* missing, int* no_memory) {
    *missing = 0;
    *no_memory = 0;
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        *missing = 1;
        return nullptr;
    }
    DWORD high = 0;
    DWORD n = GetFileSize(f, &high);
    if (n == INVALID_FILE_SIZE || high != 0 || n > 0x7FFFFFFF) {
        CloseHandle(f);
        *no_memory = high != 0 || n > 0x7FFFFFFF;
        return nullptr;
    }
    void* block = std::malloc(n ? n : 1);
    if (!block) {
        CloseHandle(f);
        *no_memory = 1;
        return nullptr;
    }
    DWORD got = 0;
    if (!ReadFile(f, block, n, &got, nullptr) || got != n) {
        std::free(block);
        CloseHandle(f);
        return nullptr;
    }
    CloseHandle(f);
    *size = n;
    return block;
}

static bool file_exists(const char* path) {
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The image of the sketch file, checked: its DIB lies inside the block.
// *state: 0 loaded, 1 missing, 2 damaged or not an image, 3 out of memory.
static BmpImage* sketch_image_load(const char* path, int page, size_t* size, DibLayout* layout, int* state) {
    *state = 0;
    BmpImage* image = nullptr;
    size_t n = 0;
    if (extension_in_list(path, "JPEG|JPG|JPE")) {
        if (!file_exists(path)) {
            *state = 1;
            return nullptr;
        }
        image = load_jpeg_as_bmp(path);
        if (image) n = bmp_image_size(image);
    } else if (extension_in_list(path, "TIFF|TIF")) {
        if (!file_exists(path)) {
            *state = 1;
            return nullptr;
        }
        image = load_tiff_page_as_bmp(path, page < 1 ? 1 : page);
        if (image) n = bmp_image_size(image);
    } else {
        DWORD got = 0;
        int missing = 0, no_memory = 0;
        image = static_cast<BmpImage*>(read_whole_file(path, &got, &missing, &no_memory));
        if (!image) {
            *state = missing ? 1 : no_memory ? 3 : 2;
            return nullptr;
        }
        n = got;
        if (n < bmp_file_header_size + bmp_info_header_size || image[0] != 'B' || image[1] != 'M') {
            std::free(image);
            error_stack_push(path);
            show_program_message("Файл эскиза не в формате BMP!");
            *state = 2;
            return nullptr;
        }
    }
    if (!image) {
        *state = 2;
        error_stack_push(path);
        show_program_message("$чтения файла эскиза");
        return nullptr;
    }
    if (dib_layout(image + bmp_file_header_size, n - bmp_file_header_size, layout) != 0 ||
        get_i32(image, 18) <= 0 || get_i32(image, 22) == 0) {
        std::free(image);
        error_stack_push(path);
        show_program_message("Файл эскиза повреждён");
        *state = 2;
        return nullptr;
    }
    *size = n;
    return image;
}

// The sketch file dialog ("Имя файла эскиза проекции"); 0 when cancelled.
static int sketch_file_dialog(char* path, size_t size) {
    if (sketch_dialog_answer) return sketch_dialog_answer(path, size);
    current_dir_save();
    char file[260];
    std::snprintf(file, sizeof file, "%s", path);
    char title[260] = "";
    OPENFILENAMEA o;
    sketch_file_dialog_init(&o, frame_window, file, sizeof file);
    o.lpstrFileTitle = title;
    o.nMaxFileTitle = sizeof title;
    if (!GetOpenFileNameA(&o)) return 0;
    std::snprintf(path, size, "%s", file);
    return 1;
}

// Loads the sketch of the projection record p into an image; null when it
// has none, the file could not be found and the user gave no other, or it
// could not be read (the projection then opens without its sketch).  When
// another window already shows the same sketch, *shared gets its bitmap
// (with a reference taken) and nothing is decoded.
// *chosen: the user picked the path in the file dialog.
static BmpImage* sketch_load_for(const uint8_t* p, int* page_out, DibLayout* layout, size_t* size, int* chosen,
                                 bool* shared, SketchShare* share) {
    *chosen = 0;
    *shared = false;
    int page = sketch_reference_load(p, sketch_path, sizeof sketch_path);
    if (page <= 0 || !sketch_path[0]) return nullptr;
    double angle = get_f64(p, projection_sketch_angle);
    bool lighten = (get_u16(p, projection_second_flags) & projection_flag2_lighten) != 0;
    bool folder_tried = false;
    for (;;) {
        if (sketch_share_take(sketch_path, page, angle, lighten, share)) {
            *shared = true;
            *page_out = page;
            return nullptr;
        }
        int state = 0;
        BmpImage* image = sketch_image_load(sketch_path, page, size, layout, &state);
        if (image) {
            *page_out = page;
            return image;
        }
        if (state == 2) return nullptr;
        if (state == 3) {
            show_program_message("Недостаточно оперативной памяти для образа эскиза");
            return nullptr;
        }
        if (sketch_search_folder && !folder_tried) {
            folder_tried = true;
            char candidate[sizeof sketch_path];
            std::snprintf(candidate, sizeof candidate, "%s", sketch_search_folder);
            char* cut = std::strrchr(candidate, '\\');
            if (!cut) cut = std::strrchr(candidate, ':');
            if (cut) cut[1] = '\0';
            else candidate[0] = '\0';
            const char* name = std::strrchr(sketch_path, '\\');
            name = name ? name + 1 : sketch_path;
            std::strncat(candidate, name, sizeof candidate - std::strlen(candidate) - 1);
            std::snprintf(sketch_path, sizeof sketch_path, "%s", candidate);
            // Found there, the sketch has a new place to be stored.
            *chosen = 1;
            continue;
        }
        char caption[200];
        view_caption_full(p, caption, sizeof caption);
        char detail[400];
        if (std::strlen(sketch_path) + std::strlen(caption) + 15 < 356)
            std::snprintf(detail, sizeof detail, "%s для проекции: %s", sketch_path, caption);
        else
            std::snprintf(detail, sizeof detail, "%.355s", sketch_path);
        // "No" opens the projection without its sketch: nothing is lost and
        // the sketch can be given again later.
        if (!ask_confirmation(frame_window, 14, detail) || program_closing) return nullptr;
        const char* name = std::strrchr(sketch_path, '\\');
        char bare[260];
        std::snprintf(bare, sizeof bare, "%s", name ? name + 1 : sketch_path);
        std::snprintf(sketch_path, sizeof sketch_path, "%s", bare);
        if (!sketch_file_dialog(sketch_path, sizeof sketch_path)) return nullptr;
        char* comma = std::strrchr(sketch_path, ',');
        if (comma && comma[1] >= '0' && comma[1] <= '9') {
            page = std::atoi(comma + 1);
            *comma = '\0';
        }
        std::free(sketch_search_folder);
        sketch_search_folder = _strdup(sketch_path);
        folder_tried = true;
        *chosen = 1;
    }
}

static int can_create_bitmap(void* ctx, int32_t w, int32_t h) {
    HBITMAP* out = static_cast<HBITMAP*>(ctx);
    *out = CreateCompatibleBitmap(reinterpret_cast<HDC>(out[1]), w, h);
    return *out != nullptr;
}

// Rotates and lightens the sketch bitmap as the projection asks.
static void sketch_prepare_bitmap(ProjectionWindow* w) {
    unsigned char* p = window_record(w);
    if (!p || !w->sketch_bitmap || !w->sketch_dc) return;
    double angle = get_f64(p, projection_sketch_angle);
    int lighten = (w->view_flags & view_flag_lighten) != 0;
    if ((angle == 0 || !std::isfinite(angle)) && !lighten) return;
    int32_t bw = w->bitmap_size[0], bh = w->bitmap_size[1];
    if (bw <= 0 || bh <= 0) return;
    BITMAPINFO bi;
    ZeroMemory(&bi, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = bw;
    bi.bmiHeader.biHeight = -bh;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    size_t stride = bmp_row_stride(static_cast<uint32_t>(bw), 3);
    std::vector<uint8_t> src, dst;
    try {
        src.resize(stride * bh);
        dst.resize(stride * bh);
    } catch (...) {
        return;
    }
    // The bitmap is taken out of its DC while its bits are read and written.
    HBITMAP stand_in = CreateCompatibleBitmap(w->sketch_dc, 1, 1);
    if (!stand_in) return;
    SelectObject(w->sketch_dc, stand_in);
    int got = GetDIBits(w->sketch_dc, w->sketch_bitmap, 0, bh, src.data(), &bi, DIB_RGB_COLORS);
    if (got == bh) {
        if (angle != 0 && std::isfinite(angle)) {
            sketch_rotate_pixels(src.data(), dst.data(), bw, bh, stride, angle, lighten, 255, 255, 255);
        } else {
            for (size_t i = 0; i < src.size(); ++i) dst[i] = static_cast<uint8_t>(sketch_lighten_channel(src[i]));
        }
        SetDIBits(w->sketch_dc, w->sketch_bitmap, 0, bh, dst.data(), &bi, DIB_RGB_COLORS);
    }
    SelectObject(w->sketch_dc, w->sketch_bitmap);
    DeleteObject(stand_in);
}

// Renders the loaded image into the window's sketch bitmap, reduced until
// the display can hold it.
static void sketch_render(ProjectionWindow* w, BmpImage* image, const DibLayout& layout) {
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    w->sketch_dc = display ? CreateCompatibleDC(display) : nullptr;
    if (!w->sketch_dc) {
        if (display) DeleteDC(display);
        show_program_message("Не хватает памяти для отображения образа эскиза для проекции");
        return;
    }
    int32_t width = image ? get_i32(image, 18) : 0;
    int32_t height = image ? std::abs(get_i32(image, 22)) : 0;
    HBITMAP bitmap = nullptr;
    if (image) {
        void* ctx[2] = {nullptr, display};
        if (sketch_reduce(&width, &height, can_create_bitmap, ctx)) bitmap = static_cast<HBITMAP>(ctx[0]);
        if (!bitmap) show_program_message("Не хватает памяти для отображения образа эскиза для проекции");
    } else {
        bitmap = CreateCompatibleBitmap(display, 0, 0);
    }
    DeleteDC(display);
    w->sketch_bitmap = bitmap;
    if (!bitmap) {
        w->bitmap_size[0] = w->bitmap_size[1] = 0;
        return;
    }
    w->bitmap_size[0] = image ? width : 0;
    w->bitmap_size[1] = image ? height : 0;
    HGDIOBJ old = SelectObject(w->sketch_dc, bitmap);
    if (old) DeleteObject(old);
    if (image) {
        SetStretchBltMode(w->sketch_dc, HALFTONE);
        SetBrushOrgEx(w->sketch_dc, 0, 0, nullptr);
        StretchDIBits(w->sketch_dc, 0, 0, width, height, 0, 0, get_i32(image, 18), std::abs(get_i32(image, 22)),
                      image + layout.pixel_offset, reinterpret_cast<BITMAPINFO*>(image + bmp_file_header_size),
                      DIB_RGB_COLORS, SRCCOPY);
    }
}

ProjectionWindow* projection_window_open(RecordRef ref, int create_child) {
    DrawingFile* df = current_drawing_file();
    RecordRef at = ref;
    unsigned char* live = df ? record_read_at(df, &at, &page_buffers[table_projections]) : nullptr;
    if (!live) {
        error_flag = 1;
        return nullptr;
    }
    std::vector<uint8_t> p(live, live + get_u16(live, 0));
    if (p.size() < projection_record_head) p.resize(projection_record_head, 0);
    uint16_t flags = get_u16(p.data(), projection_flags);
    uint16_t flags2 = get_u16(p.data(), projection_second_flags);

    BmpImage* image = nullptr;
    DibLayout layout = {};
    size_t image_size = 0;
    int page = 1, chosen = 0;
    bool shared = false;
    SketchShare share = {};
    if (!(flags & projection_flag_no_sketch)) {
        cursor_set_clock(frame_window);
        image = sketch_load_for(p.data(), &page, &layout, &image_size, &chosen, &shared, &share);
        cursor_set_normal(frame_window);
        if (program_closing) {
            std::free(image);
            if (shared) sketch_release(share.dc, share.bitmap);
            error_flag = 1;
            return nullptr;
        }
    }
    // The path the sketch was found at: the key of its share.
    std::string loaded_path = image || shared ? sketch_path : "";
    if (image) {
        share.image_size[0] = get_i32(image, 18);
        share.image_size[1] = std::abs(get_i32(image, 22));
        share.resolution[0] = get_i32(image, 38);
        share.resolution[1] = get_i32(image, 42);
    }
    bool sketched = image || shared;
    ProjectionWindow* w = static_cast<ProjectionWindow*>(std::calloc(1, sizeof(ProjectionWindow)));
    if (!w) {
        std::free(image);
        if (shared) sketch_release(share.dc, share.bitmap);
        show_program_message("Недостаточно оперативной памяти для окна проекции");
        error_flag = 1;
        return nullptr;
    }
    w->next = projection_windows;
    projection_windows = w;
    w->number = get_u32(p.data(), 2);
    w->record_ref = ref;
    uint16_t vf = flags & 0x000F;
    if ((flags & projection_flag_no_sketch) || !sketched) vf |= view_flag_no_sketch;
    if (flags2 & 0x0100) vf |= 0x0020;
    if (flags & 0x0080) vf |= 0x0040;
    if (flags & projection_flag_not_on_sheets) vf |= view_flag_not_on_sheets;
    if (flags2 & projection_flag2_lighten) vf |= view_flag_lighten;
    w->view_flags = vf;
    w->sheet_number = get_u16(p.data(), projection_sheet) & 0x7FF;
    // Layers and their colours from the construction chain.
    w->visible_layers = 3;
    bool layers_seen = false;
    RecordRef ch = get_u32(p.data(), projection_construction);
    unsigned char* c = nullptr;
    while (ch && (c = record_next(df, &ch, c, &page_buffers[table_construction])) != nullptr) {
        if (c[6] == 37 && !layers_seen) {
            w->visible_layers = get_u16(c, 8);
            layers_seen = true;
        } else if (c[6] == 39) {
            w->layer_colours[c[8] & 7] = (static_cast<uint32_t>(c[2]) << 16) | (c[3] << 8) | c[4];
        }
    }
    for (int i = 0; i < 2; ++i) {
        w->area_origin[i] = get_f32(p.data(), projection_area_origin + 4 * i);
        w->area_size[i] = get_f32(p.data(), projection_area_size + 4 * i);
        w->constructed_origin[i] = w->constructed_origin_copy[i] = get_f32(p.data(), projection_constructed_origin + 4 * i);
        if (!std::isfinite(w->area_origin[i])) w->area_origin[i] = 0;
        if (!std::isfinite(w->area_size[i]) || w->area_size[i] < 0) w->area_size[i] = 0;
        w->view_offset[i] = w->area_origin[i];
    }
    for (int i = 0; i < 4; ++i) w->frame[i] = get_f32(p.data(), projection_frame + 4 * i);
    int no_sketch = (w->view_flags & view_flag_no_sketch) != 0;
    w->sketch_factor = sketch_factor(get_f64(p.data(), projection_control_sketch),
                                     get_f64(p.data(), projection_control_true), no_sketch);
    for (int i = 0; i < 2; ++i)
        w->base_scale[i] = sketch_base_scale(screen_pixels_per_mm_x, sketched ? share.resolution[i] : 0, no_sketch);
    w->panel_scale = panel_scale;
    for (int i = 0; i < 2; ++i) w->scale[i] = drawing_scale() * w->panel_scale * w->base_scale[i];
    RECT mc = {0, 0, 600, 400};
    if (mdi_client) GetClientRect(mdi_client, &mc);
    w->client_size[0] = (mc.right - mc.left) * 2.0f / 3.0f;
    w->client_size[1] = (mc.bottom - mc.top) * 2.0f / 3.0f;

    int32_t image_w = sketched ? share.image_size[0] : 0, image_h = sketched ? share.image_size[1] : 0;
    if (shared) {
        w->sketch_dc = share.dc;
        w->sketch_bitmap = share.bitmap;
        w->bitmap_size[0] = share.bitmap_size[0];
        w->bitmap_size[1] = share.bitmap_size[1];
    } else {
        sketch_render(w, image, layout);
    }
    // The sketch keeps its world size whatever bitmap could be made.
    for (int i = 0; i < 2; ++i) {
        w->sketch_size[i] = static_cast<float>(w->sketch_factor * (i ? image_h : image_w));
        if (!w->sketch_bitmap) w->sketch_size[i] = 0;
        w->area_size[i] = sketch_area_widen(w->area_origin[i], w->area_size[i], w->sketch_size[i]);
    }
    std::free(image);
    if (sketched && chosen) {
        w->window_flags |= window_flag_new_sketch;
        if (extension_in_list(sketch_path, "DAT")) replace_extension(sketch_path, sizeof sketch_path, "bmp");
        char keep[sizeof sketch_path + 16];
        if (extension_in_list(sketch_path, "TIFF|TIF") && page > 1)
            std::snprintf(keep, sizeof keep, "%s,%i", sketch_path, page);
        else
            std::snprintf(keep, sizeof keep, "%s", sketch_path);
        w->new_sketch_path = _strdup(keep);
    }
    if (image) {
        sketch_prepare_bitmap(w);
        // Later windows of the same sketch take this bitmap.
        if (w->sketch_bitmap && w->bitmap_size[0] > 0 && w->bitmap_size[1] > 0) {
            share.dc = w->sketch_dc;
            share.bitmap = w->sketch_bitmap;
            share.bitmap_size[0] = w->bitmap_size[0];
            share.bitmap_size[1] = w->bitmap_size[1];
            sketch_share_add(loaded_path.c_str(), page, get_f64(p.data(), projection_sketch_angle),
                             (flags2 & projection_flag2_lighten) != 0, share);
        }
    }
    if (create_child) projection_window_create_child(w);
    return w;
}

void projection_window_create_child(ProjectionWindow* w) {
    if (!w || !mdi_client) return;
    unsigned char* p = window_record(w);
    char caption[200] = "";
    if (p) view_caption_full(p, caption, sizeof caption);
    MDICREATESTRUCTA m;
    ZeroMemory(&m, sizeof m);
    m.szClass = "Projec";
    m.szTitle = caption;
    m.hOwner = program_instance;
    m.x = 0;
    m.y = 0;
    m.cx = static_cast<int>(w->client_size[0] + 0.5f);
    m.cy = static_cast<int>(w->client_size[1] + 0.5f);
    m.style = WS_HSCROLL | WS_VSCROLL;
    projection_window_creating = w;
    HWND child = reinterpret_cast<HWND>(SendMessageA(mdi_client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&m)));
    projection_window_creating = nullptr;
    if (child) w->window = child;
    window_list_build();
}

// ---------------------------------------------------------------- all windows of a drawing
static void enable_command(int id, int button, bool on) {
    if (main_menu) EnableMenuItem(main_menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    if (button) stage_bar_enable(button, on ? 1 : 0);
}

void projection_windows_open_all() {
    DrawingFile* df = current_drawing_file();
    if (!df || !df->header) return;
    if (get_u32(df->header, header_projections) == 0) {
        char name[260];
        drawing_file_name_part(name, sizeof name);
        error_stack_push(name);
        show_program_message("Это пустой файл!");
        return;
    }
    bool points = false, elements = false, to_construct = false;
    std::vector<ProjectionEntry> entries = projection_chain_entries(df);
    for (const ProjectionEntry& e : entries) {
        RecordRef at = e.ref;
        unsigned char* p = record_read_at(df, &at, &page_buffers[table_projections]);
        if (!p) continue;
        points = points || get_u32(p, projection_points) != 0;
        elements = elements || get_u32(p, projection_elements) != 0;
        to_construct = to_construct || (get_u16(p, projection_flags) & projection_flag_construct);
        char prompt[64];
        std::snprintf(prompt, sizeof prompt, "Загрузка проекции %-lu", static_cast<unsigned long>(e.number));
        prompt_show(prompt);
        error_flag = 0;
        projection_window_open(e.ref, 0);
        if (error_flag || program_closing) break;
    }
    if (program_closing) return;
    for (const ProjectionEntry& e : entries) {
        ProjectionWindow* w = projection_window_find_by_id(e.number);
        if (w && !w->window) projection_window_create_child(w);
    }
    int stage = get_u16(df->header, 108);  // the stage the drawing was saved in
    // A drawing that was not closed normally starts again at the reference
    // points.  The header's "drawing open" bit is already set again by the
    // load itself, so the state found at open is asked instead.
    if (df->opened_unclosed) stage = 1;
    int command = 0, state = 0;
    switch (stage) {
    case 1: command = IDM_STAGE_POINTS; break;
    case 2: command = IDM_STAGE_DIMENSIONS; break;
    case 3: command = IDM_STAGE_IMAGE; break;
    case 4: command = IDM_STAGE_DIMENSIONS; break;
    case 5: command = IDM_STAGE_ANNOTATION; break;
    case 6: command = IDM_STAGE_LAYOUT; state = menu_state_sheet_window_closed; break;
    default: break;
    }
    update_menu_state(state ? state : command ? command : IDM_FILE_OPEN);
    if (points) {
        enable_command(IDM_STAGE_DIMENSIONS, IDC_STAGE_DIMENSIONS, true);
        enable_command(IDM_STAGE_IMAGE, IDC_STAGE_IMAGE, true);
    }
    if (elements) {
        enable_command(IDM_STAGE_CONSTRUCTION, IDC_STAGE_CONSTRUCTION, true);
        if (!to_construct && get_u16(df->header, header_word_106) > 4)
            enable_command(IDM_STAGE_ANNOTATION, IDC_STAGE_ANNOTATION, true);
    }
    if (df->header[header_options3] & 0x80) {
        PostMessageA(frame_window, WM_COMMAND, IDM_WINDOW_MINIMISE_SECOND_LIST, 0);
    } else if (mdi_client) {
        SendMessageA(mdi_client, WM_MDITILE, 0, 0);
        for (ProjectionWindow* w = projection_windows; w; w = w->next) {
            if (!w->window) continue;
            SendMessageA(mdi_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(w->window), 0);
            projection_window_fit(w);
            projection_window_fit(w);
        }
    }
    // The saved stage's command runs once the load is done; a drawing saved
    // without a stage gets none (a command 0 is not a command).
    if (command) PostMessageA(frame_window, WM_COMMAND, MAKEWPARAM(IDM_REPOST_COMMAND, command), 0);
    PostMessageA(frame_window, WM_COMMAND, IDM_SKETCH_PATHS_UPDATE, 0);
    std::free(sketch_search_folder);
    sketch_search_folder = nullptr;
    main_title_update();
}

void projection_windows_destroy_all() {
    while (projection_windows) {
        ProjectionWindow* w = projection_windows;
        keep_projection_on_destroy = 1;
        if (w->window && IsWindow(w->window)) {
            SendMessageA(mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(w->window), 0);
        }
        if (projection_windows == w) {
            // No window took the record with it: free it here.
            projection_windows = w->next;
            sketch_release(w->sketch_dc,
                           (w->window_flags & window_flag_bitmap_borrowed) ? nullptr : w->sketch_bitmap);
            picking_window_gone(w);
            mark_set_free(w->marks);
            std::free(w->diameter_crosses);
            std::free(w->new_sketch_path);
            std::free(w);
        }
    }
    current_projection_window = nullptr;
    active_projection_number = static_cast<uint32_t>(-1);
    window_list_numbers.clear();
}

// ---------------------------------------------------------------- zoom, fit and placement
ViewAxis projection_window_axis(const ProjectionWindow* w, int axis) {
    ViewAxis a;
    a.origin = w->area_origin[axis];
    a.area = w->area_size[axis];
    a.offset = w->view_offset[axis];
    a.scale = w->scale[axis];
    a.client = w->client_size[axis];
    return a;
}

static void send_size(ProjectionWindow* w) {
    if (!w->window) return;
    BOOL maximised = FALSE;
    HWND active = mdi_client ? reinterpret_cast<HWND>(SendMessageA(mdi_client, WM_MDIGETACTIVE, 0,
                                                                    reinterpret_cast<LPARAM>(&maximised)))
                             : nullptr;
    WPARAM kind = active == w->window && maximised ? SIZE_MAXIMIZED : SIZE_RESTORED;
    SendMessageA(w->window, WM_SIZE, kind,
                 MAKELPARAM(static_cast<int>(w->client_size[0]), static_cast<int>(w->client_size[1])));
    InvalidateRect(w->window, nullptr, TRUE);
}

void show_scale_value(double value) {
    panel_scale = value;
    if (!scale_panel) return;
    char text[64];
    format_number_by_magnitude(text, sizeof text, value);
    SetDlgItemTextA(scale_panel, IDC_SCALE_EDIT, text);
}

void projection_window_apply_scale(ProjectionWindow* w, int x, int y, int keep_point) {
    if (!w) return;
    panel_scale = zoom_clamp(panel_scale);
    char text[64];
    format_number_by_magnitude(text, sizeof text, panel_scale);
    double shown = parse_number_text(text);
    if (std::isfinite(shown) && shown > 0) panel_scale = zoom_clamp(shown);
    show_scale_value(panel_scale);
    double px[2] = {keep_point ? static_cast<double>(x) : w->client_size[0] / 2.0,
                    keep_point ? static_cast<double>(y) : w->client_size[1] / 2.0};
    w->panel_scale = panel_scale;
    for (int i = 0; i < 2; ++i) {
        double old_scale = w->scale[i];
        w->scale[i] = drawing_scale() * w->panel_scale * w->base_scale[i];
        w->view_offset[i] = static_cast<float>(zoom_keep_offset(w->view_offset[i], old_scale, w->scale[i], px[i]));
    }
    send_size(w);
}

static void apply_to_windows(ProjectionWindow* chosen) {
    bool all = scale_panel && IsDlgButtonChecked(scale_panel, IDC_SCALE_ALL) == BST_CHECKED;
    if (all) {
        for (ProjectionWindow* w = projection_windows; w; w = w->next) projection_window_apply_scale(w, 0, 0, 0);
    } else if (chosen) {
        projection_window_apply_scale(chosen, 0, 0, 0);
    }
}

void projection_window_fit(ProjectionWindow* w) {
    if (!w) return;
    unsigned char* p = window_record(w);
    if (p)
        for (int i = 0; i < 4; ++i) w->frame[i] = get_f32(p, projection_frame + 4 * i);
    double factor[2];
    for (int i = 0; i < 2; ++i) {
        double lo = w->frame[i], hi = w->frame[i + 2];
        double length = hi - lo;
        if (current_stage >= 4) {
            w->view_offset[i] = w->constructed_origin[i];
        } else {
            w->view_offset[i] = static_cast<float>(fit_axis_offset(lo, hi, w->area_origin[i]));
        }
        factor[i] = fit_axis_factor(w->client_size[i], w->base_scale[i], length);
    }
    panel_scale = factor[0] <= factor[1] ? factor[0] : factor[1];
    panel_scale /= drawing_scale();
    panel_scale = zoom_clamp(panel_scale);
    w->panel_scale = panel_scale;
    for (int i = 0; i < 2; ++i) w->scale[i] = drawing_scale() * w->panel_scale * w->base_scale[i];
    show_scale_value(panel_scale);
    send_size(w);
}

void projection_window_toggle_placement(ProjectionWindow* w) {
    if (!w || !w->window || !mdi_client) return;
    RECT r;
    GetWindowRect(w->window, &r);
    MapWindowPoints(nullptr, mdi_client, reinterpret_cast<POINT*>(&r), 2);
    RECT mc;
    GetClientRect(mdi_client, &mc);
    bool second = (w->window_flags & window_flag_second_placement) != 0;
    int minimised = IsIconic(w->window) ? 1 : 0;
    if (!second && minimised) {
        OpenIcon(w->window);
        GetWindowRect(w->window, &r);
        MapWindowPoints(nullptr, mdi_client, reinterpret_cast<POINT*>(&r), 2);
    }
    PlacementState s;
    s.second = second ? 1 : 0;
    s.was_minimised = (w->window_flags & window_flag_was_minimised) ? 1 : 0;
    s.normal = {w->normal_placement[0], w->normal_placement[1], w->normal_placement[2], w->normal_placement[3]};
    s.alternate = {w->second_placement[0], w->second_placement[1], w->second_placement[2], w->second_placement[3]};
    Placement current = {r.left, r.top, r.right - r.left - (second ? 2 : 0), r.bottom - r.top - (second ? 2 : 0)};
    int minimise = 0;
    Placement to = placement_toggle(&s, current, minimised, mc.right - mc.left, mc.bottom - mc.top, &minimise);
    w->normal_placement[0] = s.normal.x, w->normal_placement[1] = s.normal.y;
    w->normal_placement[2] = s.normal.w, w->normal_placement[3] = s.normal.h;
    w->second_placement[0] = s.alternate.x, w->second_placement[1] = s.alternate.y;
    w->second_placement[2] = s.alternate.w, w->second_placement[3] = s.alternate.h;
    w->window_flags = static_cast<uint16_t>((w->window_flags & ~(window_flag_second_placement | window_flag_was_minimised)) |
                                            (s.second ? window_flag_second_placement : 0) |
                                            (s.was_minimised ? window_flag_was_minimised : 0));
    MoveWindow(w->window, to.x, to.y, to.w, to.h, TRUE);
    if (minimise) ShowWindow(w->window, SW_MINIMIZE);
    if (s.second) SendMessageA(mdi_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(w->window), 0);
    window_menu_items_update(w, GetSystemMenu(w->window, FALSE));
    for (int i = 0; i < 2; ++i)
        if (scale_panel) PostMessageA(scale_panel, WM_COMMAND, MAKEWPARAM(IDC_SCALE_FIT, 0x501), 0);
}

void drawing_scale_set(double factor) {
    DrawingFile* df = current_drawing_file();
    if (!df || !df->header || !(df->flags & drawing_flag_open) || !std::isfinite(factor) || !(factor > 0)) return;
    double old = get_f64(df->header, header_scale);
    if (compare_doubles(factor, old) != 0) {
        // Generated hatch lines were built at the old scale.
        if (get_u16(df->header, header_options) & header_opt_hatch_lines) purge_temporary_records();
        put_u32(df->header, header_construction_time, static_cast<uint32_t>(time(nullptr)));
        put_u32(df->header, header_dword_140, 0);
    }
    put_f64(df->header, header_scale, factor);
    show_scale_value(zoom_clamp(panel_scale / factor));
}

INT_PTR scale_panel_command(HWND panel, WPARAM wparam, LPARAM) {
    int id = LOWORD(wparam), code = HIWORD(wparam);
    // In the layout stage the panel works on the sheet window.
    if (layout_scale_panel_command(panel, id, code)) return TRUE;
    switch (id) {
    case IDC_SCALE_EDIT:
        if (code == EN_SETFOCUS) {
            hints_suppress(1);
            scale_edit_active = 1;
        } else if (code == EN_KILLFOCUS) {
            hints_suppress(0);
            scale_edit_active = 0;
            show_scale_value(panel_scale);
        } else if (code == EN_MAXTEXT) {
            scale_edit_active = 0;
            char text[64] = "";
            GetDlgItemTextA(panel, IDC_SCALE_EDIT, text, sizeof text);
            panel_scale = zoom_clamp(std::fabs(parse_number_text(text)));
            HWND active = mdi_client ? reinterpret_cast<HWND>(SendMessageA(mdi_client, WM_MDIGETACTIVE, 0, 0)) : nullptr;
            ProjectionWindow* w = projection_window_find_by_hwnd(active);
            if (w) apply_to_windows(w);
            else show_scale_value(panel_scale);
        }
        return TRUE;
    case IDC_SCALE_ZOOM_IN:
    case IDC_SCALE_ZOOM_OUT: {
        CheckDlgButton(panel, id, BST_UNCHECKED);
        ProjectionWindow* w = projection_window_active();
        if (w) {
            panel_scale = zoom_clamp(panel_scale * (id == IDC_SCALE_ZOOM_IN ? 1.25 : 0.8));
            apply_to_windows(w);
        }
        return TRUE;
    }
    case IDC_SCALE_FIT: {
        ProjectionWindow* w = projection_window_active();
        if (!w) return TRUE;
        bool all = IsDlgButtonChecked(panel, IDC_SCALE_ALL) == BST_CHECKED;
        projection_window_fit(w);
        if (all)
            for (ProjectionWindow* o = projection_windows; o; o = o->next)
                if (o != w) projection_window_apply_scale(o, 0, 0, 0);
        return TRUE;
    }
    default: return FALSE;
    }
}

// ---------------------------------------------------------------- window menu
static HMENU window_submenu() {
    if (!main_menu) return nullptr;
    int n = GetMenuItemCount(main_menu);
    for (int i = 0; i < n; ++i) {
        HMENU sub = GetSubMenu(main_menu, i);
        if (sub && GetMenuState(sub, IDM_WINDOW_CASCADE, MF_BYCOMMAND) != static_cast<UINT>(-1)) return sub;
    }
    return nullptr;
}

int window_list_build() {
    HMENU menu = window_submenu();
    window_list_numbers.clear();
    if (!menu) return 0;
    for (int i = GetMenuItemCount(menu) - 1; i >= 0; --i) {
        UINT id = GetMenuItemID(menu, i);
        if (id >= IDM_WINDOW_LIST_FIRST && id < IDM_WINDOW_LIST_END) DeleteMenu(menu, i, MF_BYPOSITION);
    }
    DrawingFile* df = current_drawing_file();
    if (!df) return 0;
    struct Item {
        uint32_t number;
        int kind;
        char text[208];
    };
    std::vector<Item> items;
    for (const ProjectionEntry& e : projection_chain_entries(df)) {
        ProjectionWindow* w = projection_window_find_by_id(e.number);
        if (!w || !w->window) continue;
        RecordRef at = e.ref;
        unsigned char* p = record_read_at(df, &at, &page_buffers[table_projections]);
        if (!p) continue;
        Item it;
        it.number = e.number;
        it.kind = get_u16(p, projection_flags) & 0x0F;
        w->view_flags = static_cast<uint16_t>((w->view_flags & ~view_flag_type_mask) | it.kind);
        char caption[200];
        view_caption_full(p, caption, sizeof caption);
        std::snprintf(it.text, sizeof it.text, "  %s", caption);
        items.push_back(it);
    }
    std::vector<WindowListEntry> entries;
    for (const Item& it : items) entries.push_back({it.kind, it.text});
    std::vector<size_t> order(items.size());
    size_t n = window_list_order(entries.data(), entries.size(), order.data());
    for (size_t k = 0; k < n; ++k) {
        const Item& it = items[order[k]];
        AppendMenuA(menu, MF_STRING, IDM_WINDOW_LIST_FIRST + k, it.text);
        HBITMAP picture = menu_picture(menu_picture_view_kind_first + (it.kind & 0x0F));
        if (picture) SetMenuItemBitmaps(menu, IDM_WINDOW_LIST_FIRST + k, MF_BYCOMMAND, picture, picture);
        window_list_numbers.push_back(it.number);
    }
    DrawMenuBar(frame_window);
    return static_cast<int>(n);
}

void window_menu_items_update(ProjectionWindow* w, HMENU menu) {
    if (!w || !menu) return;
    bool second = (w->window_flags & window_flag_second_placement) != 0;
    char text[64] = "";
    GetMenuStringA(menu, IDM_CONTEXT_RAISE_WINDOW, text, sizeof text, MF_BYCOMMAND);
    size_t blanks = 0;
    while (text[blanks] == ' ') ++blanks;
    char updated[64];
    std::snprintf(updated, sizeof updated, "%.*s%s", static_cast<int>(blanks), text,
                  second ? "Убрать окно" : "Поднять окно");
    MENUITEMINFOA info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = updated;
    SetMenuItemInfoA(menu, IDM_CONTEXT_RAISE_WINDOW, FALSE, &info);
    for (int id : {IDM_CONTEXT_RAISE_WINDOW, IDM_CONTEXT_PROJECTION_PROPERTIES, IDM_CONTEXT_FIT_TO_WINDOW}) {
        HBITMAP b = menu_picture(window_item_picture(id, second));
        if (b && GetMenuState(menu, id, MF_BYCOMMAND) != static_cast<UINT>(-1))
            SetMenuItemBitmaps(menu, id, MF_BYCOMMAND, b, b);
    }
}

// Re-tiling: tile the windows, then activate and fit each window marked for
// it; every mark is cleared.
static void retile() {
    busy_flag = 0;
    if (mdi_client) SendMessageA(mdi_client, WM_MDITILE, 0, 0);
    for (ProjectionWindow* w = projection_windows; w; w = w->next) {
        if (!w->window || !(w->window_flags & window_flag_retile) || IsIconic(w->window)) continue;
        SendMessageA(mdi_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(w->window), 0);
        RECT r;
        GetClientRect(w->window, &r);
        w->client_size[0] = static_cast<float>(r.right);
        w->client_size[1] = static_cast<float>(r.bottom);
        projection_window_fit(w);
    }
    for (ProjectionWindow* w = projection_windows; w; w = w->next)
        w->window_flags = static_cast<uint16_t>(w->window_flags & ~window_flag_retile);
}

// Minimises the windows of fragments (type 8), or of the second list (flag
// 0x400, not on the sheets), and marks the others for re-tiling.
static void minimise_and_retile(bool fragments) {
    busy_flag = 1;
    if (paint_event) os_event_wait(paint_event);
    DrawingFile* df = current_drawing_file();
    if (!fragments && df && df->header) df->header[header_options3] |= 0x80;
    for (ProjectionWindow* w = projection_windows; w; w = w->next) {
        unsigned char* p = window_record(w);
        uint16_t flags = p ? get_u16(p, projection_flags) : 0;
        bool minimise = fragments ? (flags & view_flag_type_mask) == 8 : (flags & view_flag_not_on_sheets) != 0;
        if (minimise && w->window) {
            ShowWindow(w->window, SW_MINIMIZE);
            w->window_flags = static_cast<uint16_t>(w->window_flags & ~window_flag_retile);
        } else {
            w->window_flags |= window_flag_retile;
        }
    }
    retile();
}

void projection_window_reopen(ProjectionWindow* target) {
    ProjectionWindow* w = projection_windows;
    while (w && w != target) w = w->next;
    if (!w || !w->window || !w->record_ref) return;
    unsigned char* p = window_record(w);
    if (!p) return;
    uint32_t number = get_u32(p, record_key);
    ProjectionWindow* same = projection_window_find_by_id(number);
    if (same != w) return;
    RecordRef ref = w->record_ref;
    keep_projection_on_destroy = 1;
    SendMessageA(mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(w->window), 0);
    DrawingFile* df = current_drawing_file();
    RecordRef at = ref;
    p = df ? record_read_at(df, &at, &page_buffers[table_projections]) : nullptr;
    if (!p || get_u32(p, record_key) != number) return;
    if (get_u16(p, projection_flags) & view_flag_no_sketch) {
        // A projection without sketch drops its kind-18 construction records.
        RecordRef head = get_u32(p, projection_construction);
        bool removed = false;
        for (unsigned char* r = record_next(df, &head, nullptr, &page_buffers[table_construction]); r && !error_flag;) {
            if (r[record_kind] == 18) {
                record_delete(df, &head, record_ref_of(&page_buffers[table_construction], r),
                              &page_buffers[table_construction]);
                removed = true;
                r = record_next(df, &head, nullptr, &page_buffers[table_construction]);
            } else {
                r = record_next(df, &head, r, &page_buffers[table_construction]);
            }
        }
        if (removed) {
            at = ref;
            p = record_read_at(df, &at, &page_buffers[table_projections]);
            if (!p) return;
            put_u32(p, projection_construction, head);
            page_buffers[table_projections].clean = 0;
        }
    }
    projection_window_open(ref, 1);
}

void projection_refs_refresh() {
    DrawingFile* df = current_drawing_file();
    for (const ProjectionEntry& e : projection_chain_entries(df)) {
        ProjectionWindow* w = projection_window_find_by_id(e.number);
        if (w) w->record_ref = e.ref;
    }
}

// "Сделать первым на экране": the active projection's record moves to the
// end of the projection chain; the windows are then tiled again.
static void bring_first() {
    ProjectionWindow* w = projection_window_find_by_id(active_projection_number);
    DrawingFile* df = current_drawing_file();
    if (!w || !df || !df->header || !w->record_ref) return;
    document_lock_acquire();
    RecordRef at = w->record_ref;
    unsigned char* p = record_read_at(df, &at, &page_buffers[table_projections]);
    if (p) {
        std::vector<unsigned char> copy(p, p + get_u16(p, record_length));
        RecordRef head = get_u32(df->header, header_projections);
        record_delete(df, &head, w->record_ref, &page_buffers[table_projections]);
        RecordRef moved = error_flag ? 0 : record_add_at_end(df, &head, copy.data(), &page_buffers[table_projections]);
        put_u32(df->header, header_projections, head);
        if (moved) w->record_ref = moved;
        projection_refs_refresh();
    }
    document_lock_release();
    if (frame_window) PostMessageA(frame_window, WM_COMMAND, IDM_WINDOW_TILE, 0);
}

static int window_command(int id) {
    if (id >= IDM_WINDOW_LIST_FIRST && id < IDM_WINDOW_LIST_END) {
        size_t k = static_cast<size_t>(id - IDM_WINDOW_LIST_FIRST);
        if (k >= window_list_numbers.size()) return 0;
        ProjectionWindow* w = projection_window_find_by_id(window_list_numbers[k]);
        if (!w || !w->window) return 1;
        if (IsIconic(w->window)) OpenIcon(w->window);
        SendMessageA(mdi_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(w->window), 0);
        return 1;
    }
    switch (id) {
    case IDM_WINDOW_CASCADE:
    case IDM_WINDOW_TILE:
        for (ProjectionWindow* w = projection_windows; w; w = w->next) {
            w->window_flags = static_cast<uint16_t>(w->window_flags & ~window_flag_second_placement);
            if (!w->window || IsIconic(w->window)) continue;
            RECT r;
            GetClientRect(w->window, &r);
            w->client_size[0] = static_cast<float>(r.right);
            w->client_size[1] = static_cast<float>(r.bottom);
            projection_window_fit(w);
        }
        return 1;
    case IDM_WINDOW_REDRAW_ALL: {
        for (ProjectionWindow* w = projection_windows; w; w = w->next) {
            if (w->window) InvalidateRect(w->window, nullptr, TRUE);
        }
        DrawingFile* df = current_drawing_file();
        if (df && df->header) df->header[header_options3] = static_cast<uint8_t>(df->header[header_options3] & ~0x80);
        retile();
        return 1;
    }
    case IDM_WINDOW_MINIMISE_FRAGMENTS: minimise_and_retile(true); return 1;
    case IDM_WINDOW_MINIMISE_SECOND_LIST: minimise_and_retile(false); return 1;
    case IDM_WINDOW_BRING_FIRST: bring_first(); return 1;
    // "Поднять окно" picked in the system menu of a maximised window, which
    // then sits in the frame's menu bar and sends its commands to the frame.
    case IDM_CONTEXT_RAISE_WINDOW: projection_window_toggle_placement(projection_window_active()); return 1;
    default: return 0;
    }
}

static const char* active_caption() {
    static char caption[200];
    ProjectionWindow* w = nullptr;
    if (mdi_client) {
        HWND active = reinterpret_cast<HWND>(SendMessageA(mdi_client, WM_MDIGETACTIVE, 0, 0));
        w = projection_window_find_by_hwnd(active);
    }
    unsigned char* p = window_record(w);
    if (!p) return nullptr;
    view_caption_full(p, caption, sizeof caption);
    return caption;
}

static void windows_refresh(int) {
    for (ProjectionWindow* w = projection_windows; w; w = w->next)
        if (w->window) InvalidateRect(w->window, nullptr, TRUE);
}

// ---------------------------------------------------------------- imported projections
// A projection made by an import gets its window at once.
static void imported_projection_opened(uint32_t number) {
    for (const ProjectionEntry& e : projection_chain_entries(current_drawing_file())) {
        if (e.number != number || projection_window_find_by_id(number)) continue;
        projection_window_open(e.ref, 1);
        break;
    }
    if (frame_window) cursor_set_clock(frame_window);
}

// The import ended: the changed projections are rebuilt (when asked) and
// the windows tiled and fitted.
static void imported_projections_finished(int rebuild, int tile) {
    if (rebuild) command_seams.rebuild_changed_projections(0);
    if (tile && mdi_client) {
        SendMessageA(mdi_client, WM_MDITILE, 0, 0);
        for (ProjectionWindow* w = projection_windows; w; w = w->next) {
            if (!w->window || IsIconic(w->window)) continue;
            SendMessageA(mdi_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(w->window), 0);
            RECT r;
            GetClientRect(w->window, &r);
            w->client_size[0] = static_cast<float>(r.right);
            w->client_size[1] = static_cast<float>(r.bottom);
            projection_window_fit(w);
        }
    }
    if (frame_window) cursor_set_normal(frame_window);
    main_title_update();
}

// Command 132, after the loader opened every window: each sketch found at a
// new place is stored with its new path.  The record grows or shrinks with
// the path, so it is replaced: the old one deleted, the copy added.
static void sketch_paths_update() {
    DrawingFile* df = current_drawing_file();
    if (!df || !df->header) return;
    bool changed = false;
    for (ProjectionWindow* w = projection_windows; w; w = w->next) {
        if (!(w->window_flags & window_flag_new_sketch) || !w->new_sketch_path) continue;
        if (!(w->view_flags & view_flag_no_sketch) && w->record_ref) {
            RecordRef at = w->record_ref;
            unsigned char* p = record_read_at(df, &at, &page_buffers[table_projections]);
            if (p) {
                std::vector<unsigned char> copy(projection_record_max, 0);
                std::memcpy(copy.data(), p, get_u16(p, record_length));
                // A TIFF page travels as ",page" after the path.
                std::string path = w->new_sketch_path;
                int page = 0;
                size_t comma = path.rfind(',');
                if (comma != std::string::npos && comma + 1 < path.size() &&
                    path.find_first_not_of("0123456789", comma + 1) == std::string::npos &&
                    extension_in_list(path.substr(0, comma).c_str(), "TIFF|TIF")) {
                    page = std::atoi(path.c_str() + comma + 1);
                    path.resize(comma);
                }
                if (sketch_reference_store(copy.data(), path.c_str(), page) == 0) {
                    document_lock_acquire();
                    RecordRef head = get_u32(df->header, header_projections);
                    record_delete(df, &head, w->record_ref, &page_buffers[table_projections]);
                    RecordRef added = error_flag ? 0 : record_add(df, &head, copy.data(), &page_buffers[table_projections]);
                    put_u32(df->header, header_projections, head);
                    if (added) w->record_ref = added;
                    document_lock_release();
                    changed = true;
                }
            }
        }
        std::free(w->new_sketch_path);
        w->new_sketch_path = nullptr;
        w->window_flags = static_cast<uint16_t>(w->window_flags & ~window_flag_new_sketch);
    }
    if (changed) projection_refs_refresh();
}

static void run_projection_dialog(int kind) { projection_dialog_run(kind); }

void projection_windows_bind() {
    view_picking_bind();
    exchange_shell.projection_opened = imported_projection_opened;
    exchange_shell.import_finished = imported_projections_finished;
    projection_window_proc_hook = projection_window_proc;
    document_shell.projection_windows_open_all = projection_windows_open_all;
    document_shell.projection_windows_destroy_all = projection_windows_destroy_all;
    document_shell.active_projection_caption = active_caption;
    document_shell.create_initial_projections = create_initial_projections;
    command_seams.window_command = window_command;
    command_seams.projection_windows_refresh = windows_refresh;
    projection_window_record_ref = window_record_ref;
    kernel_projection_window = kernel_window_of;
    scale_panel_command_hook = scale_panel_command;
    stage_menu_bind();
    command_seams.projection_dialog_run = run_projection_dialog;
    command_seams.sketch_paths_update = sketch_paths_update;
}
