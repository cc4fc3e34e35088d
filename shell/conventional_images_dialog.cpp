// The conventional-images dialogs: the list of symbols and images (466 and
// its compact form 467) and the dialog of a new or shown image (663).
#include "shell/conventional_images_dialog.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "documents/document_seams.h"
#include "geometry/naming.h"
#include "geometry/text_numbers.h"
#include "render/images/bmp_image.h"
#include "render/images/bmp_pixels.h"
#include "render/images/conventional_image_store.h"
#include "render/images/conventional_images.h"
#include "render/images/image_loaders_win.h"
#include "render/images/loaded_images.h"
#include "render/images/picture_records.h"
#include "render/images/picture_thumbnails.h"
#include "render/images/raster_pixels.h"
#include "render/output/gdi_canvas_win.h"
#include "render/output/output_view.h"
#include "render/output/symbol_catalog.h"
#include "render/output/symbol_drawing.h"
#include "shell/file_dialog.h"
#include "shell/frame_face.h"
#include "shell/help.h"
#include "shell/hints.h"
#include "shell/message_dialogs.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/startup.h"
#include "store/drawing_file.h"
#include "store/record_layouts.h"
#include "store/settings_block.h"

int (*conventional_image_file_answer)(char* path, size_t size) = nullptr;
std::function<void(HWND dialog, int id)> conventional_image_dialog_shown;

namespace {

constexpr int help_topic_conventional_images = 28;
constexpr int max_range = 63;

void shown_hook(HWND dialog, int id) {
    if (conventional_image_dialog_shown) conventional_image_dialog_shown(dialog, id);
}

void repaint_projections() {
    for (ProjectionWindow* w = projection_windows; w; w = w->next)
        if (w->window) InvalidateRect(w->window, nullptr, TRUE);
}

// A screen bitmap of a 24-bit bottom-up DIB.
HBITMAP bitmap_of_dib(const std::vector<uint8_t>& dib) {
    if (dib.size() < bmp_info_header_size) return nullptr;
    const int32_t w = get_i32(dib.data(), 4), h = get_i32(dib.data(), 8);
    HDC screen = GetDC(nullptr);
    HBITMAP b = CreateCompatibleBitmap(screen, w, h);
    if (b) {
        HDC mem = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(mem, b);
        StretchDIBits(mem, 0, 0, w, h, 0, 0, w, h, dib.data() + bmp_info_header_size,
                      reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
    }
    ReleaseDC(nullptr, screen);
    return b;
}

// The picture of a catalogue symbol: the sign drawn with fixed reference
// points and fitted into 32 x 32 pixels, with a frame.
HBITMAP symbol_bitmap(const SymbolCatalogEntry& e) {
    const int n = static_cast<int>(std::min<uint32_t>(4, std::max<uint32_t>(1, e.point_count)));
    static const double pts[4][2] = {{0, 0}, {10, 0}, {3, -4}, {7, -4}};
    std::vector<uint8_t> rec(element_symbol_items + element_symbol_item_size * n, 0);
    put_u16(rec.data(), record_length, static_cast<uint16_t>(rec.size()));
    put_u16(rec.data(), element_flags, static_cast<uint16_t>(element_kind_symbol | (1 << 4)));
    put_u16(rec.data(), element_symbol_code, static_cast<uint16_t>(e.code));
    put_u16(rec.data(), element_symbol_count, static_cast<uint16_t>(n));
    for (int i = 0; i < n; ++i)
        put_point2(rec.data(), element_symbol_items + element_symbol_item_size * i + 4, Point2{pts[i][0], pts[i][1]});
    Box box;
    if (!draw_symbol(nullptr, rec.data(), &box, 0)) return nullptr;
    const double span = std::max(box.max_x - box.min_x, box.max_y - box.min_y);
    if (!(span > 0) || !std::isfinite(span)) return nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP b = CreateCompatibleBitmap(screen, thumbnail_size, thumbnail_size);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, b);
    RECT r = {0, 0, thumbnail_size, thumbnail_size};
    FillRect(mem, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    OutputView view;
    output_view_init(&view, output_screen);
    view.canvas = gdi_canvas(mem);
    view.stage = 9;
    view.visible_layers = 0xFF;
    const double scale = 26 / span;
    view.transform.scale = ViewScale{scale, scale};
    view.transform.view_offset.x = static_cast<float>((box.min_x + box.max_x) / 2 - 16 / scale);
    view.transform.view_offset.y = static_cast<float>((box.min_y + box.max_y) / 2 - 16 / scale);
    draw_symbol(&view, rec.data(), nullptr, 1);
    HGDIOBJ pen = SelectObject(mem, GetStockObject(BLACK_PEN));
    HGDIOBJ brush = SelectObject(mem, GetStockObject(NULL_BRUSH));
    Rectangle(mem, 0, 0, thumbnail_size, thumbnail_size);
    SelectObject(mem, brush);
    SelectObject(mem, pen);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return b;
}

// The loaded pictures change under the drawing's critical section (a
// preparation thread stores bent pictures): the dialogs read them holding it.
struct PictureListHold {
    PictureListHold() {
        if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    }
    ~PictureListHold() {
        if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    }
    PictureListHold(const PictureListHold&) = delete;
    PictureListHold& operator=(const PictureListHold&) = delete;
};

// ---------------------------------------------------------------- dialog 466
struct ListState {
    int first = 0;
    int total = symbol_catalog_size;
    uint32_t current = 0xFFFFFFFFu;
    uint32_t shown[conventional_image_buttons] = {};
    bool adding = false;     // dialog 663 open
    std::vector<HBITMAP> bitmaps;  // made for this dialog, freed at its end
    ConventionalImageChoice* choice = nullptr;
};
ListState list;

bool is_symbol_code(uint32_t id) { return id < symbol_catalog_size; }

void free_bitmaps() {
    for (HBITMAP b : list.bitmaps)
        if (b) DeleteObject(b);
    list.bitmaps.clear();
}

void recount() {
    PictureListHold hold;
    list.total = symbol_catalog_size + static_cast<int>(conventional_image_ids().size());
}

void set_scroll(HWND dialog) {
    SCROLLINFO si = {sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 1, list.total, conventional_image_buttons, list.first, 0};
    SetScrollInfo(GetDlgItem(dialog, IDC_CIMAGES_SCROLL), SB_CTL, &si, TRUE);
}

void fill_conventional_image_buttons(HWND dialog, int first, bool force) {
    if (first == list.first && !force) return;
    PictureListHold hold;
    list.first = first;
    const std::vector<uint32_t> images = conventional_image_ids();
    for (int b = 0; b < conventional_image_buttons; ++b) {
        HWND button = GetDlgItem(dialog, IDC_CIMAGES_BUTTON_FIRST + b);
        SendMessageA(button, BM_SETCHECK, BST_UNCHECKED, 0);
        const int i = first - 1 + b;
        HBITMAP picture = nullptr;
        std::string name;
        uint32_t id = 0xFFFFFFFFu;
        if (i >= 0 && i < static_cast<int>(symbol_catalog_size)) {
            id = symbol_catalog[i].code;
            picture = symbol_bitmap(symbol_catalog[i]);
            name = symbol_catalog[i].name;
        } else if (i >= static_cast<int>(symbol_catalog_size) &&
                   i - static_cast<int>(symbol_catalog_size) < static_cast<int>(images.size())) {
            id = images[static_cast<size_t>(i) - symbol_catalog_size];
            if (LoadedImage* e = loaded_image_find(id)) {
                picture = bitmap_of_dib(picture_thumbnail(e));
                name = std::string(" ") + e->name;
            }
        }
        if (picture) list.bitmaps.push_back(picture);
        list.shown[b] = id;
        SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
        EnableWindow(button, id != 0xFFFFFFFFu);
        hint_set_text(button, name.c_str());
        if (id == list.current && id != 0xFFFFFFFFu) SendMessageA(button, BM_SETCHECK, BST_CHECKED, 0);
    }
    // Bitmaps of earlier pages no button shows any more.
    if (list.bitmaps.size() > 4 * conventional_image_buttons) {
        std::vector<HBITMAP> keep;
        for (int b = 0; b < conventional_image_buttons; ++b) {
            HBITMAP h = reinterpret_cast<HBITMAP>(
                SendMessageA(GetDlgItem(dialog, IDC_CIMAGES_BUTTON_FIRST + b), BM_GETIMAGE, IMAGE_BITMAP, 0));
            if (h) keep.push_back(h);
        }
        for (HBITMAP h : list.bitmaps)
            if (std::find(keep.begin(), keep.end(), h) == keep.end()) DeleteObject(h);
        list.bitmaps = keep;
    }
}

void show_page(HWND dialog, int first, bool force) {
    fill_conventional_image_buttons(dialog, first, force);
    set_scroll(dialog);
}

void show_last_page(HWND dialog) {
    recount();
    show_page(dialog, conventional_image_list_first(list.first, list.total, list_right, 0), true);
}

void choose_button(HWND dialog, int b) {
    PictureListHold hold;
    const uint32_t id = list.shown[b];
    if (id == 0xFFFFFFFFu) return;
    list.current = id;
    for (int i = 0; i < conventional_image_buttons; ++i)
        CheckDlgButton(dialog, IDC_CIMAGES_BUTTON_FIRST + i, i == b ? BST_CHECKED : BST_UNCHECKED);
    char text[64];
    if (is_symbol_code(id)) {
        std::snprintf(text, sizeof text, "%u", id + 1);
    } else {
        const LoadedImage* e = loaded_image_find(id);
        std::snprintf(text, sizeof text, "%s", e ? e->name : "");
    }
    SetDlgItemTextA(dialog, IDC_CIMAGES_NAME, text);
    EnableWindow(GetDlgItem(dialog, IDC_CIMAGES_DELETE), !is_symbol_code(id));
    EnableWindow(GetDlgItem(dialog, IDC_CIMAGES_SHOW), !is_symbol_code(id));
}

void disable_image_buttons(HWND dialog) {
    EnableWindow(GetDlgItem(dialog, IDC_CIMAGES_DELETE), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_CIMAGES_SHOW), FALSE);
}

INT_PTR CALLBACK conventional_image_list_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        list.choice = reinterpret_cast<ConventionalImageChoice*>(lparam);
        list.current = 0xFFFFFFFFu;
        list.first = 0;
        list.adding = false;
        recount();
        for (int b = 0; b < conventional_image_buttons; ++b)
            hint_add(dialog, GetDlgItem(dialog, IDC_CIMAGES_BUTTON_FIRST + b), "");
        show_page(dialog, 1, true);
        CheckDlgButton(dialog, IDC_CIMAGES_ON_TOP, BST_CHECKED);
        shown_hook(dialog, IDD_CONVENTIONAL_IMAGES);
        return TRUE;
    }
    case WM_HSCROLL: {
        const int request = LOWORD(wparam);
        if (request > list_right) return TRUE;  // SB_ENDSCROLL
        show_page(dialog, conventional_image_list_first(list.first, list.total, request, HIWORD(wparam)), false);
        return TRUE;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wparam);
        if (id >= IDC_CIMAGES_BUTTON_FIRST && id <= IDC_CIMAGES_BUTTON_LAST) {
            choose_button(dialog, id - IDC_CIMAGES_BUTTON_FIRST);
            return TRUE;
        }
        switch (id) {
        case IDC_CIMAGES_ADD: {
            if (list.adding) return TRUE;
            list.adding = true;
            EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
            uint32_t added = 0;
            const int r = conventional_image_dialog(dialog, 0, &added);
            list.adding = false;
            EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
            show_last_page(dialog);
            if (r == IDOK && added) {
                list.current = added;
                show_page(dialog, list.first, true);
                char name[40] = {};
                {
                    PictureListHold hold;
                    if (const LoadedImage* e = loaded_image_find(added)) std::snprintf(name, sizeof name, "%s", e->name);
                }
                SetDlgItemTextA(dialog, IDC_CIMAGES_NAME, name);
                EnableWindow(GetDlgItem(dialog, IDC_CIMAGES_DELETE), TRUE);
                EnableWindow(GetDlgItem(dialog, IDC_CIMAGES_SHOW), TRUE);
            }
            return TRUE;
        }
        case IDC_CIMAGES_SHOW:
            if (list.adding || is_symbol_code(list.current) || list.current == 0xFFFFFFFFu) return TRUE;
            list.adding = true;
            EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
            conventional_image_dialog(dialog, list.current, nullptr);
            list.adding = false;
            EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
            show_page(dialog, list.first, true);
            return TRUE;
        case IDC_CIMAGES_DELETE:
            if (list.adding || is_symbol_code(list.current) || list.current == 0xFFFFFFFFu) return TRUE;
            if (delete_conventional_image(dialog, list.current)) {
                list.current = 0xFFFFFFFFu;
                SetDlgItemTextA(dialog, IDC_CIMAGES_NAME, "");
            }
            show_last_page(dialog);
            disable_image_buttons(dialog);
            return TRUE;
        case IDOK: {
            if (list.adding) return TRUE;
            PictureListHold hold;
            uint32_t code = list.current;
            if (!symbol_catalog_entry(code) && !(code > conventional_image_last_id ? nullptr : loaded_image_find(code)))
                code = symbol_catalog[0].code;
            if (list.choice) {
                list.choice->code = code;
                const SymbolCatalogEntry* e = symbol_catalog_entry(code);
                const LoadedImage* image = e ? nullptr : loaded_image_find(code);
                list.choice->points = e ? static_cast<int>(e->point_count) : image ? image->point_count : 1;
                list.choice->below = IsDlgButtonChecked(dialog, IDC_CIMAGES_ON_TOP) != BST_CHECKED;
            }
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            if (list.adding) return TRUE;
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    }
    case WM_DESTROY:
        free_bitmaps();
        return FALSE;
    default:
        return FALSE;
    }
}

// ---------------------------------------------------------------- dialog 663
struct ImageWork {
    bool show_mode = false;
    uint32_t id = 0;
    std::vector<uint8_t> bmp;     // the BMP file image as stored
    std::vector<uint8_t> dib;     // its 24-bit pixels
    int32_t width = 0, height = 0;
    unsigned bits = 24;
    bool compressed = false;
    int wanted = 1, count = 0;
    int32_t points[4][2] = {};
    bool picking_key = false;
    bool transparent = false;
    int32_t key_x = 0, key_y = 0;  // y from the top
    uint32_t key_colour = 0;       // COLORREF
    unsigned range = 0;
    bool channel_window = false;
    double height_mm = 5.0;
    std::string name;
    std::vector<uint8_t> preview;  // the pixels shown: cleaned, key drawn as the ground
    bool updating = false;
    WNDPROC preview_proc = nullptr;
};

bool can_be_transparent(const ImageWork& w) { return w.bits == 24 && !w.compressed; }

// The pixels the preview shows: a copy cleaned from the key pixel with the
// range and mode, its key colour replaced by the dialog's ground.
void rebuild_preview(ImageWork& w) {
    w.preview = w.dib;
    if (!w.transparent || !can_be_transparent(w)) return;
    uint32_t key = 0;
    if (!picture_key_colour_clean(w.preview.data(), w.preview.size(), w.key_x, w.height - 1 - w.key_y, w.range,
                                  w.channel_window ? 1 : 0, &key))
        return;
    w.key_colour = key;
    RasterView v;
    if (!raster_view_of_dib(w.preview.data(), w.preview.size(), &v)) return;
    const uint32_t k = pixel_from_colorref(key);
    const uint32_t ground = pixel_from_colorref(GetSysColor(COLOR_BTNFACE));
    for (int32_t y = 0; y < v.height; ++y)
        for (int32_t x = 0; x < v.width; ++x)
            if (static_cast<uint32_t>(raster_pixel_get(v, x, y)) == k) raster_pixel_set(v, x, y, ground);
}

void draw_preview(HWND control, HDC dc, const ImageWork& w) {
    RECT r;
    GetClientRect(control, &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    if (w.preview.empty()) return;
    int32_t pw, ph;
    conventional_image_preview_size(w.width, w.height, r.right, r.bottom, &pw, &ph);
    const int x0 = (r.right - pw) / 2, y0 = (r.bottom - ph) / 2;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, x0, y0, pw, ph, 0, 0, w.width, w.height, w.preview.data() + bmp_info_header_size,
                  reinterpret_cast<const BITMAPINFO*>(w.preview.data()), DIB_RGB_COLORS, SRCCOPY);
    // The reference points: a small cross and the point's number.
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(dc, pen);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 0, 0));
    for (int i = 0; i < w.count; ++i) {
        const int x = x0 + static_cast<int>((w.points[i][0] + 0.5) * pw / w.width);
        const int y = y0 + static_cast<int>((w.points[i][1] + 0.5) * ph / w.height);
        MoveToEx(dc, x - 2, y, nullptr);
        LineTo(dc, x + 3, y);
        MoveToEx(dc, x, y - 2, nullptr);
        LineTo(dc, x, y + 3);
        char digit[2] = {static_cast<char>('1' + i), 0};
        TextOutA(dc, x > 10 ? x - 9 : x + 3, y > 5 ? (y + 6 >= y0 + ph ? y - 14 : y - 11) : y + 3, digit, 1);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

ImageWork* work_of(HWND dialog) { return reinterpret_cast<ImageWork*>(GetWindowLongPtrA(dialog, DWLP_USER)); }

void enable_ranges(HWND dialog, const ImageWork& w) {
    const bool can = can_be_transparent(w);
    EnableWindow(GetDlgItem(dialog, IDC_CIMAGE_PICK_KEY), can);
    const bool on = can && w.transparent;
    for (int id : {IDC_CIMAGE_RANGE_BRIGHTNESS, IDC_CIMAGE_RANGE_COLOUR, IDC_CIMAGE_RANGE, IDC_CIMAGE_RANGE_SPIN})
        EnableWindow(GetDlgItem(dialog, id), on && w.count >= w.wanted);
}

void show_point_fields(HWND dialog, ImageWork& w) {
    const bool done = w.count >= w.wanted && w.count > 0;
    w.updating = true;
    if (done) {
        SetDlgItemInt(dialog, IDC_CIMAGE_X, static_cast<UINT>(w.points[w.count - 1][0]), FALSE);
        SetDlgItemInt(dialog, IDC_CIMAGE_Y, static_cast<UINT>(w.points[w.count - 1][1]), FALSE);
    } else {
        SetDlgItemTextA(dialog, IDC_CIMAGE_X, "");
        SetDlgItemTextA(dialog, IDC_CIMAGE_Y, "");
    }
    w.updating = false;
    EnableWindow(GetDlgItem(dialog, IDC_CIMAGE_X), done);
    EnableWindow(GetDlgItem(dialog, IDC_CIMAGE_Y), done);
    EnableWindow(GetDlgItem(dialog, IDOK), done);
    enable_ranges(dialog, w);
    InvalidateRect(GetDlgItem(dialog, IDC_CIMAGE_PREVIEW), nullptr, FALSE);
}

void show_height(HWND dialog, ImageWork& w) {
    char text[64];
    format_number_short(text, sizeof text, w.height_mm);
    w.updating = true;
    SetDlgItemTextA(dialog, IDC_CIMAGE_HEIGHT, text);
    w.updating = false;
}

void show_name(HWND dialog, ImageWork& w) {
    w.updating = true;
    SetDlgItemTextA(dialog, IDC_CIMAGE_NAME, w.name.c_str());
    w.updating = false;
}

// A click in the preview at control coordinates.
void preview_click(HWND dialog, int x, int y) {
    ImageWork* w = work_of(dialog);
    if (!w || w->dib.empty()) return;
    RECT r;
    GetClientRect(GetDlgItem(dialog, IDC_CIMAGE_PREVIEW), &r);
    int32_t px, py;
    if (!conventional_image_click_pixel(x, y, w->width, w->height, r.right, r.bottom, &px, &py)) return;
    if (w->picking_key) {
        w->picking_key = false;
        RasterView v;
        if (!raster_view_of_dib(w->dib.data(), w->dib.size(), &v)) return;
        w->key_x = px;
        w->key_y = py;
        w->key_colour = colorref_from_pixel(static_cast<uint32_t>(raster_pixel_get(v, px, w->height - 1 - py)));
        w->transparent = true;
        rebuild_preview(*w);
        show_point_fields(dialog, *w);
        return;
    }
    if (w->count >= w->wanted) return;
    w->count = conventional_image_add_point(w->points, w->count, w->wanted, px, py);
    show_point_fields(dialog, *w);
}

LRESULT CALLBACK preview_subclass(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
    HWND dialog = GetParent(control);
    ImageWork* w = work_of(dialog);
    if (message == WM_LBUTTONDOWN) {
        preview_click(dialog, static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
        return 0;
    }
    if (message == WM_PAINT && w) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(control, &ps);
        draw_preview(control, dc, *w);
        EndPaint(control, &ps);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return w && w->preview_proc ? CallWindowProcA(w->preview_proc, control, message, wparam, lparam)
                                : DefWindowProcA(control, message, wparam, lparam);
}

// Reads the chosen file into the work record; false with its
// message when it cannot be taken.
bool load_file(const char* path, ImageWork& w) {
    std::vector<uint8_t> data;
    if (extension_in_list(path, "JPEG|JPG|JPE")) {
        BmpImage* image = load_jpeg_as_bmp(path);
        if (!image) {
            error_stack_push(path);
            show_program_message(settings_text(settings_open_failure_offset));
            return false;
        }
        data.assign(image, image + bmp_image_size(image));
        std::free(image);
    } else {
        FILE* f = std::fopen(path, "rb");
        if (!f) {
            error_stack_push(path);
            show_program_message(settings_text(settings_open_failure_offset));
            return false;
        }
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) data.insert(data.end(), buffer, buffer + n);
        const bool failed = std::ferror(f) != 0;
        std::fclose(f);
        if (failed) {
            error_stack_push(path);
            show_program_message(settings_text(settings_open_failure_offset));
            return false;
        }
    }
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M' ||
        !bmp_to_dib24(data.data(), data.size(), &w.dib, &w.width, &w.height)) {
        show_program_message("Файл не в формате BMP!");
        return false;
    }
    w.bits = get_u16(data.data(), 28);
    w.compressed = get_u32(data.data(), 30) != 0;
    const int32_t ppm = get_i32(data.data(), 42);
    w.height_mm = ppm > 0 ? static_cast<double>(w.height) / ppm * 1000.0 : 5.0;
    w.bmp.swap(data);
    return true;
}

bool ask_file(HWND dialog, char* path, size_t size) {
    path[0] = 0;
    if (conventional_image_file_answer) return conventional_image_file_answer(path, size) != 0;
    OPENFILENAMEA o;
    file_dialog_init(&o, dialog, path, size);
    o.lpstrFilter = "Файл с условным изображением  (*.bmp;*.jpg)\0*.bmp;*.jpg;*.jpeg;*.jpe\0";
    o.lpstrTitle = "Имя файла с условным изображением";
    o.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_LONGNAMES | OFN_EXPLORER;
    return GetOpenFileNameA(&o) != 0;
}

void choose_wanted(HWND dialog, ImageWork& w, int wanted) {
    w.wanted = wanted;
    w.count = 0;
    w.picking_key = false;
    show_point_fields(dialog, w);
}

// A corrected coordinate of the last point: refused (the field shows the
// kept value again) when it leaves the picture or repeats an earlier point.
void point_field_changed(HWND dialog, ImageWork& w, int id) {
    if (w.updating || w.count < 1 || w.count < w.wanted) return;
    BOOL ok = FALSE;
    const UINT v = GetDlgItemInt(dialog, id, &ok, FALSE);
    int32_t p[2] = {w.points[w.count - 1][0], w.points[w.count - 1][1]};
    const int axis = id == IDC_CIMAGE_X ? 0 : 1;
    const int32_t limit = axis == 0 ? w.width : w.height;
    bool refused = !ok || v >= static_cast<UINT>(limit);
    if (!refused) {
        p[axis] = static_cast<int32_t>(v);
        for (int i = 0; i + 1 < w.count; ++i)
            if (w.points[i][0] == p[0] && w.points[i][1] == p[1]) refused = true;
        if (w.wanted == 3 && w.count == 3 && p[1] == w.points[0][1]) refused = true;  // on the first line
    }
    if (refused) {
        MessageBeep(MB_ICONEXCLAMATION);
        show_point_fields(dialog, w);
        return;
    }
    w.points[w.count - 1][0] = p[0];
    w.points[w.count - 1][1] = p[1];
    InvalidateRect(GetDlgItem(dialog, IDC_CIMAGE_PREVIEW), nullptr, FALSE);
}

void range_changed(HWND dialog, ImageWork& w) {
    if (w.updating) return;
    BOOL ok = FALSE;
    UINT v = GetDlgItemInt(dialog, IDC_CIMAGE_RANGE, &ok, FALSE);
    if (!ok) return;
    if (v > max_range) {
        v = max_range;
        w.updating = true;
        SetDlgItemInt(dialog, IDC_CIMAGE_RANGE, v, FALSE);
        w.updating = false;
    }
    w.range = v;
    rebuild_preview(w);
    InvalidateRect(GetDlgItem(dialog, IDC_CIMAGE_PREVIEW), nullptr, FALSE);
}

void height_done(HWND dialog, ImageWork& w) {
    char text[64] = {};
    GetDlgItemTextA(dialog, IDC_CIMAGE_HEIGHT, text, sizeof text);
    for (char& c : text)
        if (c == ',') c = '.';
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    while (end && *end == ' ') ++end;
    if (end && end != text && !*end && std::isfinite(v) && v > 0.001) w.height_mm = v;
    show_height(dialog, w);
}

void name_done(HWND dialog, ImageWork& w) {
    char text[64] = {};
    GetDlgItemTextA(dialog, IDC_CIMAGE_NAME, text, sizeof text);
    std::string name = text;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    const std::vector<std::string> others = conventional_image_names(w.show_mode ? w.id : 0);
    if (!name.empty() && !conventional_image_name_used(name, others)) {
        // The name as it reads back after packing.
        PictureFields f;
        std::snprintf(f.name, sizeof f.name, "%s", name.c_str());
        uint8_t rec[picture_record_size];
        picture_record_build(f, rec);
        put_u16(rec, picture_length, picture_record_size);
        PictureFields back;
        if (picture_record_parse(rec, &back)) w.name = back.name;
    }
    show_name(dialog, w);
}

PictureFields fields_of(const ImageWork& w) {
    PictureFields f;
    f.id = w.id;
    f.point_count = std::max(1, std::min(w.count, 4));
    f.transparent = w.transparent && can_be_transparent(w);
    f.channel_window = w.channel_window;
    f.tolerance = w.range;
    f.height_mm = static_cast<float>(w.height_mm);
    f.key_colour = w.key_colour;
    for (int i = 0; i < f.point_count; ++i) {
        f.points[i][0] = w.points[i][0];
        f.points[i][1] = w.points[i][1];
    }
    std::snprintf(f.name, sizeof f.name, "%s", w.name.c_str());
    f.key_x = w.key_x;
    f.key_row = w.height - 1 - w.key_y;
    return f;
}

// OK: under the drawing lock (busy flag, paint wait, critical section) a
// checkpoint, then the new record or the changed one.
bool store_work(ImageWork& w) {
    document_lock_acquire();
    error_flag = 0;
    drawing_checkpoint(1, default_undo_description());
    error_flag = 0;
    const PictureFields f = fields_of(w);
    const int ok = w.show_mode ? conventional_image_update(f) : conventional_image_add(f, w.bmp.data(), w.bmp.size());
    document_lock_release();
    repaint_projections();
    return ok != 0;
}

bool init_image_dialog(HWND dialog, ImageWork& w) {
    if (w.show_mode) {
        PictureFields f;
        if (!conventional_image_read(w.id, &f, &w.bmp)) return false;
        if (!bmp_to_dib24(w.bmp.data(), w.bmp.size(), &w.dib, &w.width, &w.height)) {
            show_program_message(settings_text(settings_document_failure_offset));
            return false;
        }
        w.bits = w.bmp.size() > 30 ? get_u16(w.bmp.data(), 28) : 24;
        w.compressed = w.bmp.size() > 34 && get_u32(w.bmp.data(), 30) != 0;
        w.wanted = w.count = f.point_count;
        std::memcpy(w.points, f.points, sizeof w.points);
        w.transparent = f.transparent;
        w.key_colour = f.key_colour;
        w.key_x = std::min(std::max(f.key_x, 0), w.width - 1);
        w.key_y = std::min(std::max(w.height - 1 - f.key_row, 0), w.height - 1);
        w.range = f.tolerance;
        w.channel_window = f.channel_window;
        w.height_mm = f.height_mm > 0 ? f.height_mm : 5.0;
        w.name = f.name;
    } else {
        w.id = free_conventional_image_id(picture_ids());
        if (!w.id) {
            show_program_message("%о много изображений");
            return false;
        }
        w.name = conventional_image_default_name(w.id, conventional_image_names(0));
        show_name(dialog, w);
        char path[MAX_PATH] = {};
        if (!ask_file(dialog, path, sizeof path)) return false;
        if (!load_file(path, w)) return false;
        w.wanted = 1;
        w.count = 0;
    }
    show_name(dialog, w);
    show_height(dialog, w);
    static const int radios[4] = {IDC_CIMAGE_POINTS_1, IDC_CIMAGE_POINTS_2, IDC_CIMAGE_POINTS_3, IDC_CIMAGE_POINTS_4};
    CheckRadioButton(dialog, IDC_CIMAGE_POINTS_1, IDC_CIMAGE_POINTS_4, radios[std::max(1, std::min(w.wanted, 4)) - 1]);
    if (can_be_transparent(w)) {
        SendDlgItemMessageA(dialog, IDC_CIMAGE_RANGE_SPIN, UDM_SETRANGE32, 0, max_range);
        w.updating = true;
        SetDlgItemInt(dialog, IDC_CIMAGE_RANGE, w.range, FALSE);
        w.updating = false;
        hint_add(dialog, GetDlgItem(dialog, IDC_CIMAGE_RANGE_BRIGHTNESS), " Диапазон яркости пикселей");
        hint_add(dialog, GetDlgItem(dialog, IDC_CIMAGE_RANGE_COLOUR), " Диапазон цветности пикселей");
        CheckRadioButton(dialog, IDC_CIMAGE_RANGE_BRIGHTNESS, IDC_CIMAGE_RANGE_COLOUR,
                         w.channel_window ? IDC_CIMAGE_RANGE_COLOUR : IDC_CIMAGE_RANGE_BRIGHTNESS);
        SetDlgItemTextA(dialog, IDC_CIMAGE_BITS, "");
    } else {
        char text[32];
        std::snprintf(text, sizeof text, "%u bit", w.bits);
        SetDlgItemTextA(dialog, IDC_CIMAGE_BITS, text);
    }
    rebuild_preview(w);
    show_point_fields(dialog, w);
    return true;
}

INT_PTR CALLBACK conventional_image_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        ImageWork* w = reinterpret_cast<ImageWork*>(lparam);
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        // Just left of the list dialog, at its height.
        if (HWND owner = GetParent(dialog)) {
            RECT o, d;
            GetWindowRect(owner, &o);
            GetWindowRect(dialog, &d);
            SetWindowPos(dialog, nullptr, std::max<LONG>(0, o.left - (d.right - d.left)), o.top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        if (w->show_mode) SetWindowTextA(dialog, "Параметры условного изображения");
        HWND preview = GetDlgItem(dialog, IDC_CIMAGE_PREVIEW);
        w->preview_proc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(preview, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(preview_subclass)));
        if (!init_image_dialog(dialog, *w)) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        shown_hook(dialog, IDD_CONVENTIONAL_IMAGE);
        return TRUE;
    }
    case WM_COMMAND: {
        ImageWork* w = work_of(dialog);
        if (!w) return FALSE;
        const int id = LOWORD(wparam), code = HIWORD(wparam);
        switch (id) {
        case IDC_CIMAGE_POINTS_1: choose_wanted(dialog, *w, 1); return TRUE;
        case IDC_CIMAGE_POINTS_2: choose_wanted(dialog, *w, 2); return TRUE;
        case IDC_CIMAGE_POINTS_3: choose_wanted(dialog, *w, 3); return TRUE;
        case IDC_CIMAGE_POINTS_4: choose_wanted(dialog, *w, 4); return TRUE;
        case IDC_CIMAGE_PICK_KEY:
            if (can_be_transparent(*w)) w->picking_key = true;
            return TRUE;
        case IDC_CIMAGE_RANGE_BRIGHTNESS:
        case IDC_CIMAGE_RANGE_COLOUR:
            w->channel_window = id == IDC_CIMAGE_RANGE_COLOUR;
            CheckRadioButton(dialog, IDC_CIMAGE_RANGE_BRIGHTNESS, IDC_CIMAGE_RANGE_COLOUR, id);
            rebuild_preview(*w);
            InvalidateRect(GetDlgItem(dialog, IDC_CIMAGE_PREVIEW), nullptr, FALSE);
            return TRUE;
        case IDC_CIMAGE_RANGE:
            if (code == EN_CHANGE) range_changed(dialog, *w);
            return TRUE;
        case IDC_CIMAGE_X:
        case IDC_CIMAGE_Y:
            if (code == EN_KILLFOCUS) point_field_changed(dialog, *w, id);
            return TRUE;
        case IDC_CIMAGE_HEIGHT:
            if (code == EN_KILLFOCUS) height_done(dialog, *w);
            return TRUE;
        case IDC_CIMAGE_NAME:
            if (code == EN_KILLFOCUS) name_done(dialog, *w);
            return TRUE;
        case IDC_CIMAGE_HELP:
            help_open(help_topic_conventional_images);
            return TRUE;
        case IDOK:
            if (w->count < w->wanted || w->count < 1) return TRUE;
            // Fields still being typed count as left.
            height_done(dialog, *w);
            name_done(dialog, *w);
            EndDialog(dialog, store_work(*w) ? IDOK : IDCANCEL);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    }
    case WM_DESTROY: {
        ImageWork* w = work_of(dialog);
        if (w && w->preview_proc)
            SetWindowLongPtrA(GetDlgItem(dialog, IDC_CIMAGE_PREVIEW), GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(w->preview_proc));
        return FALSE;
    }
    default:
        return FALSE;
    }
}

}  // namespace

int conventional_image_dialog(HWND owner, uint32_t id, uint32_t* added) {
    if (!current_drawing_file()) return IDCANCEL;
    ImageWork w;
    w.show_mode = id != 0;
    w.id = id;
    const INT_PTR r = DialogBoxParamA(program_instance, MAKEINTRESOURCEA(IDD_CONVENTIONAL_IMAGE), owner,
                                      conventional_image_dialog_proc, reinterpret_cast<LPARAM>(&w));
    if (r == IDOK && added && !w.show_mode) *added = w.id;
    return r == IDOK ? IDOK : IDCANCEL;
}

int delete_conventional_image(HWND owner, uint32_t id) {
    (void)owner;
    if (id <= 1000) return 0;
    {
        PictureListHold hold;
        if (!loaded_image_find(id)) return 0;
    }
    if (!document_shell.ask(13, nullptr, 0)) return 0;
    document_lock_acquire();
    error_flag = 0;
    drawing_checkpoint(1, default_undo_description());
    error_flag = 0;
    remove_conventional_image(id);
    document_lock_release();
    repaint_projections();
    return 1;
}

int conventional_image_list_dialog(HWND owner, ConventionalImageChoice* choice) {
    if (!current_drawing_file()) return IDCANCEL;
    const int templ = screen_dpi > 0 && screen_dpi < 101 ? IDD_CONVENTIONAL_IMAGES_COMPACT : IDD_CONVENTIONAL_IMAGES;
    const INT_PTR r = DialogBoxParamA(program_instance, MAKEINTRESOURCEA(templ), owner, conventional_image_list_proc,
                                      reinterpret_cast<LPARAM>(choice));
    return r == IDOK ? IDOK : IDCANCEL;
}
