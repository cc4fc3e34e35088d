// The layout stage's windows on a real drawing: entering the stage makes
// sheet 1 with a format for the views and shows them; dragging a view
// places it by hand (both coordinates must change); dropping it on another
// sheet's thumbnail moves it there; the sheet list switches sheets; closing
// while the rebuild thread runs ends the thread before the nodes go.
#include "tests/output/element_chain_fixture.h"

#include <windows.h>

#include <string>

#include "geometry/kernel_context.h"
#include "output/layout_view_math.h"
#include "render/contours/contour_lists.h"
#include "render/contours/hatch_generation.h"
#include "render/contours/hatch_patterns.h"
#include "render/output/output_binding.h"
#include "output/page_sheets.h"
#include "output/sheets.h"
#include "output/title_block_fields.h"
#include "shell/commands.h"
#include "shell/core/projection_records.h"
#include "shell/frame_window.h"
#include "shell/layout_windows.h"
#include "shell/panels.h"
#include "shell/resource_ids.h"
#include "shell/print_run.h"
#include "shell/projection_windows.h"
#include "shell/startup.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"

using namespace output_test;

namespace {

LRESULT CALLBACK host_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return DefFrameProcA(w, mdi_client, m, wp, lp);
}

class LayoutWindowsTest : public ElementChainTest {
protected:
    HWND host = nullptr;
    OsEvent* own_paint = nullptr;
    OsEvent* own_list = nullptr;
    void SetUp() override {
        ElementChainTest::SetUp();
        bind_current_drawing_header([]() -> const uint8_t* { return open_drawings[current_drawing]->header; });
        put_f64(df->header, header_scale, 1.0);
        put_u8(df->header, header_title_block_kind, 1);
        if (!drawing_critical_section) drawing_critical_section = os_lock_create();
        own_paint = sheet_paint_event = os_event_create(true);
        own_list = page_list_event = os_event_create(true);
        layout_windows_bind();
        HINSTANCE inst = GetModuleHandleA(nullptr);
        WNDCLASSA wc{};
        wc.hInstance = inst;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpfnWndProc = sheet_window_proc_hook;
        wc.lpszClassName = "Assembly";
        RegisterClassA(&wc);
        wc.lpfnWndProc = sheet_list_proc_hook;
        wc.lpszClassName = "ListPage";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
        RegisterClassA(&wc);
        wc.lpfnWndProc = host_proc;
        wc.lpszClassName = "LayoutTestHost";
        RegisterClassA(&wc);
        host = CreateWindowA("LayoutTestHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1000, 800, nullptr,
                             nullptr, inst, nullptr);
        ASSERT_NE(host, nullptr);
        CLIENTCREATESTRUCT cc{};
        mdi_client = CreateWindowA("MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 100, 0, 880, 760,
                                   host, nullptr, inst, &cc);
        ASSERT_NE(mdi_client, nullptr);
        current_stage = 5;
    }
    void TearDown() override {
        close_layout_windows();
        pump(50);
        if (host) DestroyWindow(host);
        mdi_client = nullptr;
        scale_panel = nullptr;
        command_seams = command_seams_unbound;
        sheet_paint_event = nullptr;
        page_list_event = nullptr;
        os_event_destroy(own_paint);
        os_event_destroy(own_list);
        bind_current_drawing_header(nullptr);
        ElementChainTest::TearDown();
    }
    static void pump(int ms) {
        DWORD end = GetTickCount() + ms;
        MSG m;
        do {
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&m);
                DispatchMessageA(&m);
            }
            Sleep(5);
        } while (GetTickCount() < end);
    }
    // Waits (serving messages) until the rebuild thread has ended.
    void wait_rebuild() {
        for (int i = 0; i < 1000 && (layout_wait_pending() || worker_thread); ++i) pump(10);
        ASSERT_EQ(layout_wait_pending(), 0);
    }
    // A projection of kind with a frame and a segment inside it.
    void add_view(uint32_t number, int kind, float x0, float y0, float x1, float y1) {
        uint8_t rec[projection_record_max] = {};
        projection_record_init(rec, number, static_cast<uint16_t>(kind));
        put_f32(rec, 58, x0);
        put_f32(rec, 62, y0);
        put_f32(rec, 66, x1);
        put_f32(rec, 70, y1);
        put_u16(rec, 106, 0);
        RecordRef* eh = reinterpret_cast<RecordRef*>(rec + projection_elements);
        std::vector<uint8_t> seg = segment_element({x0, y0}, {x1, y1});
        put_u32(seg.data(), element_number, number * 10);
        ASSERT_NE(record_add(df, eh, seg.data(), &page_buffers[table_elements]), 0u);
        RecordRef phead = get_u32(df->header, header_projections);
        ASSERT_NE(record_add_at_end(df, &phead, rec, &page_buffers[table_projections]), 0u);
        put_u32(df->header, header_projections, phead);
    }
    unsigned char* stored(uint32_t number) {
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_projections);
        return record_find_key(df, head, number, nullptr, &page_buffers[table_projections]);
    }
    LayoutNode* node(uint32_t number) {
        for (auto& n : layout_window->nodes)
            if (n->number == number) return n.get();
        return nullptr;
    }
    POINT node_centre_pixel(const LayoutNode* n) {
        return {static_cast<LONG>(std::lround((n->x + n->width / 2 - layout_window->origin_x) * layout_window->scale_x)),
                static_cast<LONG>(std::lround((n->y + n->height / 2 - layout_window->origin_y) * layout_window->scale_y))};
    }
    void drag(POINT from, int dx, int dy) {
        layout_window->last_click_time = 0;  // no double click with the last drag
        SendMessageA(sheet_window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
        SendMessageA(sheet_window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(from.x + dx, from.y + dy));
        SendMessageA(sheet_window, WM_LBUTTONUP, 0, MAKELPARAM(from.x + dx, from.y + dy));
        pump(20);
    }
};

TEST_F(LayoutWindowsTest, EnteringTheStageMakesSheetOneAndShowsTheViews) {
    add_view(1, 1, 0, 0, 100, 60);
    add_view(2, 3, 0, 0, 40, 60);
    add_view(3, 8, 0, 0, 10, 10);  // a fragment: never on a sheet
    open_layout_windows();
    ASSERT_NE(sheet_window, nullptr);
    ASSERT_NE(sheet_list_window, nullptr);
    ASSERT_NE(layout_window, nullptr);
    wait_rebuild();
    EXPECT_EQ(current_stage, 6);
    std::vector<SheetInfo> sheets = sheet_chain_list(df);
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].number, 1u);
    // 140 x 60 of views fit A4's usable 170 x 209.
    EXPECT_EQ(get_u8(df->header, header_sheet_format), sheet_format_a4);
    EXPECT_EQ(layout_window->nodes.size(), 2u);
    EXPECT_GT(layout_window->panel_scale, 0);
    // The sheet's frame line at x = 20 mm is drawn: dark pixels in its column.
    UpdateWindow(sheet_window);
    HDC dc = GetDC(sheet_window);
    int fx = static_cast<int>(std::lround(20.0 * layout_window->scale_x));
    int mid = static_cast<int>(148.0 * layout_window->scale_y);
    int dark = 0;
    for (int dx = -2; dx <= 2; ++dx)
        if (GetRValue(GetPixel(dc, fx + dx, mid)) < 128) ++dark;
    ReleaseDC(sheet_window, dc);
    EXPECT_GT(dark, 0);
    hatch_line_drawers = {nullptr, nullptr, nullptr};
}

// A page projection gets its page sheet on entering the stage, and the
// format of the drawing sheet is chosen for the views that stay on it.  The
// thumbnails take the settings block's colours: the accent colour for the
// current sheet, the hidden-line colour for the others.
TEST_F(LayoutWindowsTest, PageProjectionsGetTheirSheetsAndThumbnailsTheirColours) {
    add_view(1, 1, 0, 0, 100, 60);
    add_view(2, 0, 0, 0, 180, 240);
    unsigned char* page = stored(2);
    ASSERT_NE(page, nullptr);
    put_u16(page, projection_page_flags, page_projection_mark);
    page_buffers[table_projections].clean = 0;
    std::vector<uint8_t> settings(settings_block_size, 0);
    put_u32(settings.data(), settings_accent_colour_offset, RGB(0, 200, 0));
    put_u32(settings.data(), settings_hidden_colour_offset, RGB(0, 0, 200));
    put_u32(settings.data(), settings_background_colour_offset, RGB(255, 255, 255));

    open_layout_windows();
    wait_rebuild();
    std::vector<SheetInfo> sheets = sheet_chain_list(df);
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[1].flags & sheet_flag_page, sheet_flag_page);
    EXPECT_EQ(node(2)->sheet, sheets[1].number);
    EXPECT_EQ(get_u16(stored(2), projection_sheet_number) & 0x07ff, sheets[1].number);
    // The 240 mm page would have needed A3 on the drawing sheet.
    EXPECT_EQ(get_u8(df->header, header_sheet_format), sheet_format_a4);

    MoveWindow(sheet_list_window, 0, 0, 84, 600, TRUE);
    ShowWindow(sheet_list_window, SW_SHOW);
    settings_block = settings.data();
    InvalidateRect(sheet_list_window, nullptr, TRUE);
    UpdateWindow(sheet_list_window);
    RECT rc;
    GetClientRect(sheet_list_window, &rc);
    int th = layout_thumbnail_height(rc.right);
    HDC dc = GetDC(sheet_list_window);
    COLORREF current = GetPixel(dc, rc.right / 2, 7);
    COLORREF other = GetPixel(dc, rc.right / 2, th + 7);
    ReleaseDC(sheet_list_window, dc);
    settings_block = nullptr;
    EXPECT_EQ(current, RGB(0, 200, 0));
    EXPECT_EQ(other, RGB(0, 0, 200));
}

TEST_F(LayoutWindowsTest, DraggingPlacesByHandOnlyWhenBothCoordinatesChange) {
    add_view(1, 1, 0, 0, 100, 60);
    open_layout_windows();
    wait_rebuild();
    LayoutNode* n = node(1);
    ASSERT_NE(n, nullptr);
    double x0 = n->x, y0 = n->y;
    // Along x only: nothing changes.
    drag(node_centre_pixel(n), 30, 0);
    EXPECT_DOUBLE_EQ(n->x, x0);
    EXPECT_FALSE(get_u16(stored(1), projection_flags) & projection_flag_hand_placed);
    // Both ways: the view moves by the drag and is placed by hand.
    drag(node_centre_pixel(n), 30, 20);
    EXPECT_NEAR(n->x, x0 + 30 / layout_window->scale_x, 1e-6);
    EXPECT_NEAR(n->y, y0 + 20 / layout_window->scale_y, 1e-6);
    unsigned char* p = stored(1);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(get_u16(p, projection_flags) & projection_flag_hand_placed);
    EXPECT_NEAR(get_f32(p, projection_place_x), n->x, 1e-3);
    EXPECT_NEAR(get_f32(p, projection_place_y), n->y, 1e-3);
}

TEST_F(LayoutWindowsTest, DropOnAThumbnailMovesTheViewAndTheListSwitchesSheets) {
    add_view(1, 1, 0, 0, 100, 60);
    add_view(2, 0, 0, 0, 30, 30);
    open_layout_windows();
    wait_rebuild();
    ASSERT_NE(sheet_add(df), 0u);  // sheet 2
    // The list is left of the MDI client in this host: place it there.
    MoveWindow(sheet_list_window, 0, 0, 84, 600, TRUE);
    ShowWindow(sheet_list_window, SW_SHOW);
    pump(20);
    RECT rc;
    GetClientRect(sheet_list_window, &rc);
    int th = layout_thumbnail_height(rc.right);
    POINT on_thumb{rc.right / 2, th + th / 2};  // thumbnail 2
    MapWindowPoints(sheet_list_window, sheet_window, &on_thumb, 1);
    LayoutNode* n = node(2);
    ASSERT_NE(n, nullptr);
    double x0 = n->x;
    POINT from = node_centre_pixel(n);
    SendMessageA(sheet_window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    SendMessageA(sheet_window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(on_thumb.x, on_thumb.y));
    SendMessageA(sheet_window, WM_LBUTTONUP, 0, MAKELPARAM(on_thumb.x, on_thumb.y));
    pump(20);
    EXPECT_EQ(n->sheet, 2);
    EXPECT_DOUBLE_EQ(n->x, x0);  // the drop keeps the position
    EXPECT_EQ(get_u16(stored(2), projection_sheet_number) & 0x07ff, 2);
    // A click on thumbnail 2 makes sheet 2 current; the view is on it.
    SendMessageA(sheet_list_window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rc.right / 2, th + th / 2));
    pump(20);
    EXPECT_EQ(get_u16(df->header, header_current_sheet), 2);
    POINT p = node_centre_pixel(n);
    double sx, sy;
    layout_client_to_sheet(p.x, p.y, &sx, &sy);
    EXPECT_EQ(layout_pick_node(layout_window->nodes, 2, sx, sy), n);
    EXPECT_EQ(layout_pick_node(layout_window->nodes, 1, sx, sy), nullptr);
}

TEST_F(LayoutWindowsTest, WheelAndScalePanelZoomKeepThePointInPlace) {
    add_view(1, 1, 0, 0, 100, 60);
    open_layout_windows();
    wait_rebuild();
    double s0 = layout_window->panel_scale;
    ASSERT_GT(s0, 0);
    POINT at{200, 150};
    double x0, y0;
    layout_client_to_sheet(at.x, at.y, &x0, &y0);
    ASSERT_EQ(get_u8(df->header, header_sheet_format), sheet_format_a4);
    POINT screen = at;
    ClientToScreen(sheet_window, &screen);
    // A wheel turn of -120 zooms by 1 + 120/480 about the cursor.
    SendMessageA(sheet_window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), MAKELPARAM(screen.x, screen.y));
    EXPECT_NEAR(layout_window->panel_scale, s0 * 1.25, 1e-9);
    // The upright A4 sheet still fits across the wide window, so it stays
    // at the left; down the window the point under the cursor stays.
    double x1, y1;
    layout_client_to_sheet(at.x, at.y, &x1, &y1);
    EXPECT_DOUBLE_EQ(layout_window->origin_x, 0.0);
    EXPECT_NEAR(y1, y0, 1e-6);
    // The scale panel's zoom buttons are toggles on the sheet window: the
    // button alone does not zoom, a click on the sheet then zooms about the
    // clicked point and picks no view.
    EXPECT_EQ(layout_scale_panel_command(nullptr, IDC_SCALE_ZOOM_IN, BN_CLICKED), 1);
    EXPECT_EQ(layout_zoom_mode(), IDC_SCALE_ZOOM_IN);
    EXPECT_NEAR(layout_window->panel_scale, s0 * 1.25, 1e-9);
    POINT view = node_centre_pixel(node(1));
    double vx0, vy0;
    layout_client_to_sheet(view.x, view.y, &vx0, &vy0);
    layout_window->last_click_time = 0;
    SendMessageA(sheet_window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(view.x, view.y));
    SendMessageA(sheet_window, WM_LBUTTONUP, 0, MAKELPARAM(view.x, view.y));
    EXPECT_NEAR(layout_window->panel_scale, s0 * 1.25 * 1.25, 1e-9);
    EXPECT_EQ(layout_window->dragged, nullptr);
    EXPECT_EQ(layout_dragging, 0);
    double vx1, vy1;
    layout_client_to_sheet(view.x, view.y, &vx1, &vy1);
    EXPECT_NEAR(vy1, vy0, 1e-6);
    // Zoom-out releases zoom-in and shrinks by 0.8 per click.
    EXPECT_EQ(layout_scale_panel_command(nullptr, IDC_SCALE_ZOOM_OUT, BN_CLICKED), 1);
    EXPECT_EQ(layout_zoom_mode(), IDC_SCALE_ZOOM_OUT);
    layout_window->last_click_time = 0;
    SendMessageA(sheet_window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(view.x, view.y));
    SendMessageA(sheet_window, WM_LBUTTONUP, 0, MAKELPARAM(view.x, view.y));
    EXPECT_NEAR(layout_window->panel_scale, s0 * 1.25 * 1.25 * 0.8, 1e-9);
    // Pressed again it is released: a click picks views again.
    EXPECT_EQ(layout_scale_panel_command(nullptr, IDC_SCALE_ZOOM_OUT, BN_CLICKED), 1);
    EXPECT_EQ(layout_zoom_mode(), 0);
    // "На всё окно" fits the sheet again.
    EXPECT_EQ(layout_scale_panel_command(nullptr, IDC_SCALE_FIT, BN_CLICKED), 1);
    EXPECT_NEAR(layout_window->panel_scale, s0, 1e-9);
    EXPECT_EQ(layout_scale_panel_command(nullptr, IDC_SCALE_ALL, BN_CLICKED), 0);
}

// The scale panel keeps its state over the layout stage: "Для всех" is
// cleared and disabled while the sheet window exists, and its check, the
// panel's value and the released zoom buttons come back when it closes.
TEST_F(LayoutWindowsTest, TheScalePanelStateComesBackAfterTheLayoutStage) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    scale_panel = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 200, host, nullptr, inst, nullptr);
    ASSERT_NE(scale_panel, nullptr);
    struct Control {
        const char* cls;
        int id;
        DWORD style;
    };
    const Control controls[] = {{"EDIT", IDC_SCALE_EDIT, 0},
                                {"BUTTON", IDC_SCALE_ZOOM_IN, BS_AUTOCHECKBOX | BS_PUSHLIKE},
                                {"BUTTON", IDC_SCALE_ZOOM_OUT, BS_AUTOCHECKBOX | BS_PUSHLIKE},
                                {"BUTTON", IDC_SCALE_ALL, BS_AUTOCHECKBOX}};
    for (const Control& c : controls)
        ASSERT_NE(CreateWindowA(c.cls, "", WS_CHILD | WS_VISIBLE | c.style, 0, 0, 50, 20, scale_panel,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), inst, nullptr),
                  nullptr);
    CheckDlgButton(scale_panel, IDC_SCALE_ALL, BST_CHECKED);
    show_scale_value(2.5);

    add_view(1, 1, 0, 0, 100, 60);
    open_layout_windows();
    wait_rebuild();
    HWND all = GetDlgItem(scale_panel, IDC_SCALE_ALL);
    EXPECT_EQ(IsDlgButtonChecked(scale_panel, IDC_SCALE_ALL), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_FALSE(IsWindowEnabled(all));
    // The panel shows the sheet window's zoom meanwhile.
    EXPECT_NEAR(panel_scale, layout_window->panel_scale, 1e-9);
    layout_scale_panel_command(scale_panel, IDC_SCALE_ZOOM_IN, BN_CLICKED);
    EXPECT_EQ(IsDlgButtonChecked(scale_panel, IDC_SCALE_ZOOM_IN), static_cast<UINT>(BST_CHECKED));

    close_layout_windows();
    pump(50);
    EXPECT_EQ(layout_zoom_mode(), 0);
    EXPECT_EQ(IsDlgButtonChecked(scale_panel, IDC_SCALE_ZOOM_IN), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_TRUE(IsWindowEnabled(all));
    EXPECT_EQ(IsDlgButtonChecked(scale_panel, IDC_SCALE_ALL), static_cast<UINT>(BST_CHECKED));
    EXPECT_DOUBLE_EQ(panel_scale, 2.5);
    char text[32] = "";
    GetDlgItemTextA(scale_panel, IDC_SCALE_EDIT, text, sizeof text);
    EXPECT_STREQ(text, "2.5");
    DestroyWindow(scale_panel);
    scale_panel = nullptr;
}

// Whether a column of the sheet window at sheet mm (x, y) has dark pixels.
bool dark_at(double x_mm, double y_mm) {
    UpdateWindow(sheet_window);
    HDC dc = GetDC(sheet_window);
    int px = static_cast<int>(std::lround(x_mm * layout_window->scale_x));
    int py = static_cast<int>(std::lround(y_mm * layout_window->scale_y));
    int dark = 0;
    for (int dx = -2; dx <= 2; ++dx)
        if (GetRValue(GetPixel(dc, px + dx, py)) < 128) ++dark;
    ReleaseDC(sheet_window, dc);
    return dark > 0;
}

PrintDeviceCaps a4_caps;
void a4_device_caps(HDC, PrintDeviceCaps* caps) { *caps = a4_caps; }

TEST_F(LayoutWindowsTest, ThePrintPageGridIsShownWhileAPrintRunExists) {
    put_u8(df->header, header_sheet_format, sheet_format_a3);
    add_view(1, 1, 0, 0, 50, 40);
    open_layout_windows();
    wait_rebuild();
    ASSERT_EQ(get_u8(df->header, header_sheet_format), sheet_format_a3);
    // On A4 paper (209.9 mm printable at 300 dpi) the second column of
    // pages starts at 199.9 mm; the first page's right edge is at 209.9 mm.
    a4_caps = {2479, 3508, 209, 297, 300, 300, RC_BITBLT};
    print_device_seams.device_caps = a4_device_caps;
    HDC dc = CreateCompatibleDC(nullptr);
    double edge = 2479 / (300 / 25.4);
    EXPECT_FALSE(dark_at(edge, 150));
    ASSERT_EQ(print_run_begin(dc, "PDF"), print_done);
    InvalidateRect(sheet_window, nullptr, TRUE);
    EXPECT_TRUE(dark_at(edge, 150));
    print_run_end();
    EXPECT_FALSE(dark_at(edge, 150));
    print_device_seams = print_device_seams_system;
    DeleteDC(dc);
}

// The rebuild before layout: a view with a hatching asked for (flag bit 0)
// gets its hatch lines on the sheet; with the hatch display bit of the
// header the sheet window draws them (dark pixels inside the square).
TEST_F(LayoutWindowsTest, TheRebuildMakesTheHatchLinesOfTheSheet) {
    hatch_kinds_install();
    render_output_bind();  // the hatch lines are drawn with the element routines
    put_u16(df->header, header_options, static_cast<uint16_t>(get_u16(df->header, header_options) | header_opt_hatch_lines));
    uint8_t rec[projection_record_max] = {};
    projection_record_init(rec, 1, 1);
    put_f32(rec, 58, 0.f);
    put_f32(rec, 62, 0.f);
    put_f32(rec, 66, 40.f);
    put_f32(rec, 70, 40.f);
    put_u16(rec, projection_highest_level, 9);
    // A 40 x 40 square of segments 101..104, its contour 71 and a hatching.
    RecordRef* eh = reinterpret_cast<RecordRef*>(rec + projection_elements);
    const Point2 corner[4] = {{0, 0}, {40, 0}, {40, 40}, {0, 40}};
    for (int i = 0; i < 4; ++i) {
        std::vector<uint8_t> seg = segment_element(corner[i], corner[(i + 1) % 4]);
        put_u32(seg.data(), element_number, 101 + i);
        ASSERT_NE(record_add(df, eh, seg.data(), &page_buffers[table_elements]), 0u);
    }
    std::vector<uint8_t> c(contour_members + 16, 0);
    put_u16(c.data(), record_length, static_cast<uint16_t>(c.size()));
    put_u32(c.data(), contour_number, 71);
    put_box(c.data(), contour_box, Box{0, 0, 40, 40});
    put_i16(c.data(), contour_level, -2);
    put_u16(c.data(), contour_flags, 2);
    put_i16(c.data(), contour_member_count, 4);
    for (int i = 0; i < 4; ++i) put_u32(c.data(), contour_members + 4 * i, 101 + i);
    ASSERT_NE(contour_record_add(df, reinterpret_cast<RecordRef*>(rec + projection_contours), c.data()), 0u);
    std::vector<uint8_t> h(hatching_record_size, 0);
    put_u16(h.data(), record_length, hatching_record_size);
    put_u32(h.data(), record_key, 71);
    h[record_kind] = annotation_hatching;
    h[hatching_kind_code] = 1;
    h[8] = 1;
    put_f32(h.data(), hatching_seed, 20.f);
    put_f32(h.data(), hatching_seed + 4, 20.f);
    put_f32(h.data(), hatching_param1, 0.7853982f);
    put_f32(h.data(), hatching_param2, 2.5f);
    ASSERT_NE(record_add(df, reinterpret_cast<RecordRef*>(rec + projection_annotations), h.data(),
                         &page_buffers[table_annotation]),
              0u);
    RecordRef phead = get_u32(df->header, header_projections);
    ASSERT_NE(record_add_at_end(df, &phead, rec, &page_buffers[table_projections]), 0u);
    put_u32(df->header, header_projections, phead);

    current_stage = 6;
    open_layout_windows();
    wait_rebuild();
    LayoutNode* n = node(1);
    ASSERT_NE(n, nullptr);
    size_t lines = 0;
    for (HatchLine* l = n->hatch.hatch_lines; l; l = l->next) ++lines;
    // 45-degree lines 2.5 apart over 40 x 40: about 2 x 40 / sqrt 2 / 2.5.
    EXPECT_GE(lines, 20u);
    EXPECT_LE(lines, 25u);
    EXPECT_EQ(contour_array, nullptr);
    // Dark pixels along a diagonal across the square's inside.
    UpdateWindow(sheet_window);
    HDC dc = GetDC(sheet_window);
    int dark = 0;
    for (double t = 8; t < 32; t += 0.25) {
        int px = static_cast<int>(std::lround((n->x + t - layout_window->origin_x) * layout_window->scale_x));
        int py = static_cast<int>(std::lround((n->y + 40 - t - layout_window->origin_y) * layout_window->scale_y));
        if (GetRValue(GetPixel(dc, px, py)) < 128) ++dark;
    }
    ReleaseDC(sheet_window, dc);
    EXPECT_GT(dark, 0);
    hatch_line_drawers = {nullptr, nullptr, nullptr};
}

TEST_F(LayoutWindowsTest, ClosingDuringTheRebuildEndsTheThreadFirst) {
    for (uint32_t i = 1; i <= 6; ++i) add_view(i, i % 7, 0, 0, 50, 40);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        open_layout_windows();
        ASSERT_NE(sheet_window, nullptr);
        pump(round * 60);  // before, during and after the thread's first steps
        close_layout_windows();
        pump(20);
        EXPECT_EQ(sheet_window, nullptr);
        EXPECT_EQ(layout_window, nullptr);
        EXPECT_EQ(worker_thread, nullptr);
        EXPECT_EQ(layout_wait_request, 0);
        EXPECT_EQ(layout_input_block, 0);
    }
    // The drawing is still whole: the views keep their sheet.
    EXPECT_EQ(get_u16(stored(1), projection_sheet_number) & 0x07ff, 1);
}

}  // namespace
