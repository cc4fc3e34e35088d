// Placing a four-point picture symbol with clicks of the image stage under
// Wine, through the image panel's conventional-image command and the
// projection window's left-button tool: a Ctrl click on empty space makes a
// reference point there, and one outside the projection's frame widens the
// stored frame; a Ctrl click on a point takes it and, as the third or
// fourth point, makes it a control point; a plain click on empty space takes
// nothing.  The fourth point stores the symbol and its picture is bent on
// the window's preparation thread.
#include "tests/win32_pictures/pictures_test_support.h"

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <vector>

#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"
#include "geometry/transforms.h"
#include "render/images/conventional_image_store.h"
#include "render/images/loaded_images.h"
#include "render/images/picture_records.h"
#include "render/output/bent_pictures.h"
#include "render/output/symbol_drawing.h"
#include "shell/conventional_image_thread.h"
#include "shell/conventional_images_dialog.h"
#include "shell/elements_binding.h"
#include "shell/frame_face.h"
#include "shell/frame_window.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/stage_tools.h"
#include "stages/points_elements/element_input.h"
#include "store/drawing_header.h"
#include "store/kernel_binding.h"
#include "store/records.h"
#include "store/settings_block.h"

namespace {

using doc_test::Bytes;

using pictures_test::grey_bmp;

// The projection's open window as the frame code sees it: no sketch.
ProjectionFrameWindow frame_window_view;
ProjectionFrameWindow* window_of_projection(const uint8_t*) { return &frame_window_view; }

class PictureSymbolClicks : public pictures_test::PicturesDocTest {
protected:
    RecordRef pref = 0;
    ProjectionWindow window{};
    HWND hwnd = nullptr;
    HWND frame = nullptr;
    HWND panel = nullptr;
    ProjectionFrameWindow* (*kept_window_of)(const uint8_t*) = nullptr;

    void SetUp() override {
        PicturesDocTest::SetUp();
        symbol_drawing_bind();
        picture_symbols_bind();
        program_instance = GetModuleHandleA(nullptr);
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_USEREX_CLASSES};
        InitCommonControlsEx(&icc);
        ASSERT_EQ(drawing_new(1), 0);
        loaded_images_free(nullptr);
        DrawingFile* df = current_drawing_file();
        put_f64(df->header, header_scale, 1.0);
        put_f32(df->header, header_grid_x, 0);
        put_f32(df->header, header_grid_y, 0);
        pref = doc_test::add_projection(1);
        hwnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 400, nullptr, nullptr, program_instance, nullptr);
        ASSERT_NE(hwnd, nullptr);
        // Model units 1:1 to pixels, pixel (0, 0) at model (-100, -100).
        window = ProjectionWindow();
        window.number = 1;
        window.record_ref = pref;
        window.window = hwnd;
        window.visible_layers = 0x00FF;
        window.scale[0] = window.scale[1] = 1;
        window.view_offset[0] = window.view_offset[1] = -100;
        projection_windows = &window;
        kept_window_of = kernel_projection_window;
        frame_window_view = ProjectionFrameWindow();
        kernel_projection_window = window_of_projection;
        conventional_image_dialog_shown = [](HWND d, int id) {
            if (id != IDD_CONVENTIONAL_IMAGES) {
                PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
                return;
            }
            // The last entry of the last page: the drawing's one image.
            SendMessageA(d, WM_HSCROLL, SB_RIGHT, reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_CIMAGES_SCROLL)));
            SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_CIMAGES_BUTTON_LAST, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_CIMAGES_BUTTON_LAST)));
            PostMessageA(d, WM_COMMAND, IDOK, 0);
        };
        element_panel_bind();
        current_stage = 3;
        frame = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1100, 80, nullptr, nullptr, program_instance, nullptr);
        ASSERT_NE(frame, nullptr);
        panel = CreateDialogParamA(program_instance, MAKEINTRESOURCEA(IDD_PANEL_IMAGE), frame,
                                   stage_tools[3].panel_procedure, 0);
        ASSERT_NE(panel, nullptr);
        stage_panel = panel;
    }
    void TearDown() override {
        conventional_image_threads_stop();
        if (panel) DestroyWindow(panel);
        if (frame) DestroyWindow(frame);
        stage_panel = nullptr;
        stage_tools[3] = stage_tools_unbound;
        conventional_image_dialog_shown = nullptr;
        kernel_projection_window = kept_window_of;
        projection_windows = nullptr;
        current_stage = 0;
        if (hwnd) DestroyWindow(hwnd);
        loaded_images_free(nullptr);
        picture_symbol_drawer = picture_symbol_drawer_unbound;
        PicturesDocTest::TearDown();
    }
    uint8_t* projection() {
        RecordRef at = pref;
        return record_read_at(current_drawing_file(), &at, &page_buffers[table_projections]);
    }
    void point(uint32_t n, double x, double y) {
        doc_test::add_to_projection(pref, projection_points, table_points, doc_test::point_bytes(n, x, y, x, y));
        point_number_mark_used(n);
    }
    std::vector<Bytes> chain(uint32_t offset, int table) {
        std::vector<Bytes> out;
        DrawingFile* df = current_drawing_file();
        RecordRef h = get_u32(projection(), offset);
        for (uint8_t* r = record_next(df, &h, nullptr, &page_buffers[table]); r;
             r = record_next(df, &h, r, &page_buffers[table]))
            out.emplace_back(r, r + get_u16(r, 0));
        return out;
    }
    // The stored point numbered n (empty when there is none).
    Bytes point_record(uint32_t n) {
        for (Bytes& p : chain(projection_points, table_points))
            if (get_u32(p.data(), point_number) == n) return p;
        return Bytes();
    }
    // A left click of the image stage at model (x, y) of the window.
    int click(double x, double y, bool ctrl) {
        return stage_tools[3].left_down(hwnd, static_cast<int>(x + 100), static_cast<int>(y + 100),
                                        MK_LBUTTON | (ctrl ? MK_CONTROL : 0));
    }
    bool wait_threads(DWORD ms) {
        const DWORD start = GetTickCount();
        while (conventional_image_threads_running() > 0) {
            if (GetTickCount() - start > ms) return false;
            MSG m;
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
            Sleep(10);
        }
        return true;
    }
    float frame_at(int i) { return get_f32(projection(), projection_frame_offset + 4 * static_cast<size_t>(i)); }
    float field(size_t offset) { return get_f32(projection(), offset); }
};

TEST_F(PictureSymbolClicks, CtrlClicksTakeOrMakeThePointsAndThePictureIsBent) {
    // Image 1001: a 60 x 40 picture placed by four points.
    PictureFields f;
    f.id = 1001;
    f.point_count = 4;
    f.height_mm = 40.f;
    const int32_t pts[4][2] = {{0, 20}, {59, 20}, {20, 20}, {40, 20}};
    std::memcpy(f.points, pts, sizeof pts);
    std::strcpy(f.name, "Лента");
    const Bytes bmp = grey_bmp(60, 40);
    ASSERT_EQ(conventional_image_add(f, bmp.data(), bmp.size()), 1);
    point(1, 10, 10);
    point(2, 90, 10);
    point(3, 30, 60);
    // The stored frame: (0, 0) to (100, 80).
    uint8_t* p = projection();
    const float frame0[4] = {0, 0, 100, 80};
    for (int i = 0; i < 4; ++i) put_f32(p, projection_frame_offset + 4 * static_cast<size_t>(i), frame0[i]);
    page_buffers[table_projections].clean = 0;

    SendMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_IMAGE_SYMBOL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(panel, IDC_IMAGE_SYMBOL)));
    ASSERT_EQ(image_stage_state(), input_symbol);

    // A plain click on empty space takes nothing and makes no point.
    EXPECT_EQ(click(150, -20, false), 1);
    EXPECT_EQ(chain(projection_points, table_points).size(), 3u);

    // With Ctrl a point is made there, outside the frame.  The frame grows
    // from the stored one widened by 1 to hold (150, -20): the box
    // (-1, -20)-(150, 81), stored padded by 0.6 mm.  The area: margins of
    // 1 mm give lo (-2, -21) and hi (151, 82); lo is the area origin and the
    // constructed origin, hi - lo = (153, 103) the area size.
    EXPECT_EQ(click(150, -20, true), 1);
    const Bytes p4 = point_record(4);
    ASSERT_EQ(p4.size(), point_record_size);
    EXPECT_EQ(get_f64(p4.data(), point_sketch_x), 150.0);
    EXPECT_EQ(get_f64(p4.data(), point_sketch_y), -20.0);
    const float grown[4] = {-1.6f, -20.6f, 150.6f, 81.6f};
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(frame_at(i), grown[i]) << "frame corner value " << i;
    EXPECT_FLOAT_EQ(field(projection_area_origin_offset), -2.f);
    EXPECT_FLOAT_EQ(field(projection_area_origin_offset + 4), -21.f);
    EXPECT_FLOAT_EQ(field(projection_constructed_origin_offset), -2.f);
    EXPECT_FLOAT_EQ(field(projection_constructed_origin_offset + 4), -21.f);
    EXPECT_FLOAT_EQ(field(projection_area_size_offset), 153.f);
    EXPECT_FLOAT_EQ(field(projection_area_size_offset + 4), 103.f);

    // A plain click takes point 2; a Ctrl click on point 3 takes it (no new
    // point) as a control point; a Ctrl click on empty space inside the
    // frame makes point 5, the fourth point, also a control point.
    EXPECT_EQ(click(90, 10, false), 1);
    EXPECT_EQ(click(30, 60, true), 1);
    EXPECT_EQ(chain(projection_points, table_points).size(), 4u);
    EXPECT_EQ(click(70, 60, true), 1);
    ASSERT_EQ(chain(projection_points, table_points).size(), 5u);

    const std::vector<Bytes> elements = chain(projection_elements, table_elements);
    ASSERT_EQ(elements.size(), 1u);
    const uint8_t* e = elements[0].data();
    EXPECT_EQ(get_u16(e, element_symbol_code), 1001);
    ASSERT_EQ(get_u16(e, element_symbol_count), 4);
    const uint32_t numbers[4] = {4, 2, 3, 5};
    const double places[4][2] = {{150, -20}, {90, 10}, {30, 60}, {70, 60}};
    for (int i = 0; i < 4; ++i) {
        const size_t item = element_symbol_items + element_symbol_item_size * static_cast<size_t>(i);
        EXPECT_EQ(get_u32(e, item), numbers[i]) << "item " << i;
        EXPECT_EQ(get_f64(e, item + 4), places[i][0]) << "item " << i;
        EXPECT_EQ(get_f64(e, item + 12), places[i][1]) << "item " << i;
    }
    for (uint32_t n : {1u, 2u, 3u, 4u, 5u}) {
        const bool control = (get_u16(point_record(n).data(), point_flags2) & point_flag2_bezier_control) != 0;
        EXPECT_EQ(control, n == 3 || n == 5) << "point " << n;
    }
    // The frame only grew with the symbol.
    EXPECT_LE(frame_at(0), grown[0]);
    EXPECT_LE(frame_at(1), grown[1]);
    EXPECT_GE(frame_at(2), grown[2]);
    EXPECT_GE(frame_at(3), grown[3]);

    // The fourth point started the preparation thread: the bent picture is
    // stored under the element's id, placed by its two end points.
    EXPECT_NE(window.image_thread, nullptr);
    ASSERT_TRUE(wait_threads(60000));
    const uint32_t bent_id = bent_picture_id(get_u32(e, element_number));
    ASSERT_NE(bent_id, 0u);
    LoadedImage* bent = loaded_image_find(bent_id);
    ASSERT_NE(bent, nullptr);
    EXPECT_EQ(bent->point_count, 2);
    PictureFields stored;
    Bytes data;
    EXPECT_EQ(conventional_image_read(bent_id, &stored, &data), 1);
}

}  // namespace
