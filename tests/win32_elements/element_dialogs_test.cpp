// The image-stage dialogs under Wine: each opens from its tool on the image
// panel, refuses bad numbers with its message and stays open, and changes
// the drawing only on its confirming button (the drawing's records compared
// before and after a cancel).  Also the marking clicks and the rubber band
// of a projection window at the image stage.
#include "tests/documents/doc_test_support.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <set>
#include <cmath>
#include <string>

#include "documents/checkpoints.h"
#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"
#include "geometry/transforms.h"
#include "shell/bar_dialog.h"
#include "shell/element_dialogs.h"
#include "shell/element_marking_tools.h"
#include "shell/elements_binding.h"
#include "shell/frame_window.h"
#include "shell/panels.h"
#include "shell/point_properties_dialog.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/stage_tools.h"
#include "shell/startup.h"
#include "stages/points_elements/bars.h"
#include "stages/points_elements/element_layers.h"
#include "stages/points_elements/element_records.h"
#include "stages/points_elements/element_marking.h"
#include "stages/points_elements/marking_contours.h"
#include "store/kernel_binding.h"
#include "store/settings_block.h"

namespace {

using doc_test::Bytes;

std::function<void(HWND, int)>& script() {
    static std::function<void(HWND, int)> s;
    return s;
}
std::vector<int>& shown() {
    static std::vector<int> v;
    return v;
}

void set_edit(HWND dialog, int id, const std::string& text) {
    SetDlgItemTextA(dialog, id, text.c_str());
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
void press_now(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
void press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
void check(HWND dialog, int id) {
    CheckDlgButton(dialog, id, IsDlgButtonChecked(dialog, id) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
    press_now(dialog, id);
}

class ElementDialogs : public doc_test::DocTest {
protected:
    RecordRef pref = 0;
    ProjectionWindow window{};
    HWND panel = nullptr;
    HWND frame = nullptr;
    std::vector<int> questions;

    void SetUp() override {
        DocTest::SetUp();
        kernel_context_set_defaults();
        tolerance_set(tolerance_standing);
        ASSERT_EQ(settings_block_unpack(), 0);
        store_bind_kernel();
        program_instance = GetModuleHandleA(nullptr);
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_USEREX_CLASSES};
        InitCommonControlsEx(&icc);
        ASSERT_EQ(drawing_new(1), 0);
        put_u32(current_drawing_file()->header, 92, 0xFFFFFFFF);
        pref = doc_test::add_projection(1);
        window = ProjectionWindow();
        window.number = 1;
        window.record_ref = pref;
        window.visible_layers = 0x00FF;
        window.scale[0] = window.scale[1] = 1;
        projection_windows = &window;
        shown().clear();
        script() = nullptr;
        element_dialog_shown = [](HWND d, int id) {
            shown().push_back(id);
            if (script()) script()(d, id);
            else press(d, IDCANCEL);
        };
        element_question = [this](int code) {
            questions.push_back(code);
            return 1;
        };
        element_panel_bind();
        current_stage = 3;
        // The panel is a child dialog: it lives in a frame of its own here.
        frame = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1100, 80, nullptr, nullptr, program_instance, nullptr);
        ASSERT_NE(frame, nullptr);
        panel = CreateDialogParamA(program_instance, MAKEINTRESOURCEA(IDD_PANEL_IMAGE), frame,
                                   stage_tools[3].panel_procedure, 0);
        ASSERT_NE(panel, nullptr);
        stage_panel = panel;
    }
    void TearDown() override {
        if (panel) DestroyWindow(panel);
        if (frame) DestroyWindow(frame);
        stage_panel = nullptr;
        stage_tools[3] = stage_tools_unbound;
        element_dialog_shown = nullptr;
        element_question = nullptr;
        script() = nullptr;
        projection_windows = nullptr;
        current_stage = 0;
        DocTest::TearDown();
        settings_block_free();
    }
    uint8_t* projection() {
        RecordRef at = pref;
        return record_read_at(current_drawing_file(), &at, &page_buffers[table_projections]);
    }
    void point(uint32_t n, double x, double y) {
        doc_test::add_to_projection(pref, projection_points, table_points, doc_test::point_bytes(n, x, y, x, y));
        point_number_mark_used(n);
    }
    void line(uint32_t n, uint32_t a, uint32_t b, Point2 pa, Point2 pb, int type = 1) {
        Bytes r(54, 0);
        put_u16(r.data(), 0, 54);
        put_u32(r.data(), element_number, n);
        put_u16(r.data(), element_flags, static_cast<uint16_t>(1 | (type << 4)));
        put_u32(r.data(), element_points, a);
        put_u32(r.data(), element_points + 4, b);
        put_point2(r.data(), element_coords2, pa);
        put_point2(r.data(), element_coords2 + 16, pb);
        doc_test::add_to_projection(pref, projection_elements, table_elements, r);
        element_number_mark_used(n);
    }
    // Runs op on the stored projection record, writing its heads back.
    template <typename Op>
    void on_projection(Op op) {
        with_image_projection(&window, [&](DrawingFile* df, unsigned char* p) { op(df, p); }, false);
    }
    void mark(uint32_t n) {
        on_projection([&](DrawingFile* df, unsigned char* p) { element_number_set_mark(df, p, n, true); });
    }
    uint32_t contour(std::vector<uint32_t> members, int kind) {
        uint32_t c = 0;
        for (uint32_t m : members) mark(m);
        on_projection([&](DrawingFile* df, unsigned char* p) {
            c = contour_create_from_marked(df, &p, kind, ContourHooks());
        });
        return c;
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
    Bytes element(uint32_t n) {
        for (Bytes& r : chain(projection_elements, table_elements))
            if (get_u32(r.data(), element_number) == n) return r;
        return Bytes();
    }
    // Everything the dialogs may change: the projection record, points,
    // elements, contours and construction records; marks left out when
    // asked (marking is the selection, not the drawing).
    std::vector<Bytes> state(bool without_marks = false) {
        std::vector<Bytes> s;
        uint8_t* p = projection();
        s.emplace_back(p, p + get_u16(p, 0));
        for (auto [off, table] : {std::pair<uint32_t, int>{projection_points, table_points},
                                  {projection_elements, table_elements},
                                  {projection_contours, table_contours},
                                  {projection_construction, table_construction}})
            for (Bytes& r : chain(off, table)) {
                if (without_marks && off == projection_elements)
                    put_u16(r.data(), element_flags,
                            static_cast<uint16_t>(get_u16(r.data(), element_flags) & ~element_flag_marked));
                s.push_back(r);
            }
        return s;
    }
    // A panel command, as its button sends it.
    void command(int id, int code = BN_CLICKED) {
        SendMessageA(panel, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(panel, id)));
    }
    int messages_containing(const std::string& part) {
        int n = 0;
        for (const std::string& m : doc_test::rec().messages) n += m.find(part) != std::string::npos;
        return n;
    }
    // A drawing of two lines on four points: 11 from (0, 0) to (10, 0) and
    // 12 from (0, 5) to (0, 25).
    void two_lines() {
        point(1, 0, 0);
        point(2, 10, 0);
        point(3, 0, 5);
        point(4, 0, 25);
        line(11, 1, 2, {0, 0}, {10, 0});
        line(12, 3, 4, {0, 5}, {0, 25});
    }
    void choose_in_list(uint32_t number) {
        HWND list = GetDlgItem(panel, IDC_IMAGE_MARKED_LIST);
        int n = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i)
            if (static_cast<uint32_t>(SendMessageA(list, CB_GETITEMDATA, i, 0)) == number)
                SendMessageA(list, CB_SETCURSEL, i, 0);
        command(IDC_IMAGE_MARKED_LIST, CBN_SELCHANGE);
    }
};

TEST_F(ElementDialogs, EveryDialogOpensFromItsTool) {
    two_lines();
    command(IDC_IMAGE_MARKING);
    // Layers, and the colour dialog from a layer's colour button; the
    // layers dialog is closed once the colour dialog has been seen.
    script() = [](HWND d, int id) {
        if (id == IDD_LAYERS) {
            press(d, IDC_LAYERS_COLOUR_3);
        } else {
            press(d, IDCANCEL);
            PostMessageA(GetWindow(d, GW_OWNER), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    };
    command(IDC_IMAGE_LAYERS);
    EXPECT_EQ(shown(), (std::vector<int>{IDD_LAYERS, IDD_COLOUR}));

    // Visibility level and line length need marked elements.
    script() = nullptr;
    shown().clear();
    mark(11);
    marking_panel_refresh(panel, 21);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, IDC_IMAGE_ASSIGN_LEVEL)));
    command(IDC_IMAGE_ASSIGN_LEVEL);
    choose_in_list(11);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, IDC_IMAGE_INFO)));
    command(IDC_IMAGE_INFO);
    // Contour information: a marked contour member, nothing chosen.
    uint32_t c = contour({12}, 0);
    ASSERT_NE(c, 0u);
    mark(12);
    command(IDC_IMAGE_INFO);
    // Fold: made from the marked line, then its dialog.
    on_projection([](DrawingFile* df, unsigned char* p) { elements_unmark_all(df, p); });
    mark(11);
    marking_panel_refresh(panel, 21);
    script() = [](HWND d, int id) {
        if (id == IDD_FOLD) press(d, IDC_FOLD_DELETE);
    };
    command(IDC_IMAGE_FOLD);
    EXPECT_EQ(shown(), (std::vector<int>{IDD_VISIBILITY_LEVEL, IDD_LINE_LENGTH, IDD_CONTOUR_INFO, IDD_FOLD}));
}

TEST_F(ElementDialogs, LineLengthRefusesNoNumberAndScalesOnlyOnExecute) {
    two_lines();
    command(IDC_IMAGE_MARKING);
    std::vector<Bytes> before = state(true);
    // A text that is no number: the message, the dialog stays; then cancel.
    bool stayed = false;
    script() = [&](HWND d, int) {
        ShowWindow(d, SW_SHOW);  // ending a dialog hides it
        set_edit(d, IDC_LENGTH_NEW, "двадцать");
        press_now(d, IDOK);
        stayed = IsWindow(d) && IsWindowVisible(d);
        press(d, IDCANCEL);
    };
    EXPECT_EQ(line_length_dialog(&window, 11), IDCANCEL);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(messages_containing("Длина задана неверно"), 1);
    EXPECT_EQ(state(true), before);
    // The same length: nothing changes.
    script() = [](HWND d, int) {
        set_edit(d, IDC_LENGTH_NEW, "10,0");
        press(d, IDOK);
    };
    line_length_dialog(&window, 11);
    EXPECT_EQ(state(true), before);
    // 25 "от конца": the end (10, 0) stays, the start goes to (-15, 0).
    script() = [](HWND d, int) {
        char caption[64] = {};
        GetWindowTextA(d, caption, sizeof caption);
        EXPECT_STREQ(caption, " Длина линии 11");
        CheckRadioButton(d, IDC_LENGTH_FROM_START, IDC_LENGTH_FROM_END, IDC_LENGTH_FROM_END);
        set_edit(d, IDC_LENGTH_NEW, "25");
        press(d, IDOK);
    };
    EXPECT_EQ(line_length_dialog(&window, 11), IDOK);
    Bytes e = element(11);
    EXPECT_NEAR(get_f64(e.data(), element_coords2), -15, 1e-9);
    EXPECT_NEAR(get_f64(e.data(), element_coords2 + 16), 10, 1e-9);
    EXPECT_NE(get_u16(projection(), projection_flags) & 0x0200, 0);
}

TEST_F(ElementDialogs, VisibilityLevelNeedsANumberAndGivesLooseElementsTheOddLevel) {
    two_lines();
    mark(11);
    // Levels up to 4 are distributed: 4 is no new level.
    on_projection([](DrawingFile*, unsigned char* p) { put_u16(p, projection_highest_level, 4); });
    std::vector<Bytes> before = state();
    bool ok_enabled_without_number = true, ok_enabled_with_number = false;
    script() = [&](HWND d, int) {
        char shown_levels[64] = {};
        GetDlgItemTextA(d, IDC_LEVEL_SHOWN, shown_levels, sizeof shown_levels);
        EXPECT_STREQ(shown_levels, "0");
        set_edit(d, IDC_LEVEL_NEW, "x");
        ok_enabled_without_number = IsWindowEnabled(GetDlgItem(d, IDOK)) != 0;
        press_now(d, IDOK);
        set_edit(d, IDC_LEVEL_NEW, "4");
        ok_enabled_with_number = IsWindowEnabled(GetDlgItem(d, IDOK)) != 0;
        press(d, IDCANCEL);
    };
    visibility_level_dialog(&window);
    EXPECT_FALSE(ok_enabled_without_number);
    EXPECT_TRUE(ok_enabled_with_number);
    EXPECT_EQ(messages_containing("Уровень задан неверно"), 1);
    EXPECT_EQ(state(), before);
    script() = [](HWND d, int) {
        set_edit(d, IDC_LEVEL_NEW, "4");
        press(d, IDOK);
    };
    visibility_level_dialog(&window);
    EXPECT_EQ(get_u16(element(11).data(), element_level), 3);
    EXPECT_EQ(get_u16(element(12).data(), element_level), 0);
    EXPECT_EQ(get_u16(projection(), projection_highest_level), 4);
}

TEST_F(ElementDialogs, LayersAssignOnExecuteAndCancelKeepsTheDrawing) {
    two_lines();
    mark(12);
    std::vector<Bytes> before = state(true);
    script() = [](HWND d, int) {
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDC_LAYERS_CHOOSE_3)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_LAYERS_VISIBLE_1)));
        press_now(d, IDC_LAYERS_CHOOSE_3);
        check(d, IDC_LAYERS_VISIBLE_5);  // layer 5 off
        press(d, IDCANCEL);
    };
    layers_dialog(&window);
    EXPECT_EQ(state(true), before);
    EXPECT_EQ(window.visible_layers, 0x00FF) << "the mask comes back from the drawing";
    script() = [](HWND d, int) {
        press_now(d, IDC_LAYERS_CHOOSE_3);
        check(d, IDC_LAYERS_VISIBLE_5);
        press(d, IDOK);
    };
    layers_dialog(&window);
    EXPECT_EQ(element_layer(element(12).data()), 2);
    EXPECT_EQ(element_layer(element(11).data()), 0);
    uint16_t mask = 0;
    on_projection([&](DrawingFile* df, unsigned char* p) { mask = layer_mask_read(df, p, 0); });
    EXPECT_EQ(mask, 0x00EF);
    EXPECT_EQ(window.visible_layers, 0x00EF);
}

TEST_F(ElementDialogs, AColourChosenForALayerIsStoredOnlyWhenTheColourDialogSaysSo) {
    two_lines();
    std::vector<Bytes> before = state();
    // Cancelled colour: no record.
    script() = [](HWND d, int id) {
        if (id == IDD_LAYERS) {
            press(d, IDC_LAYERS_COLOUR_4);
        } else {
            set_edit(d, IDC_COLOUR_RED, "200");
            press(d, IDCANCEL);
            PostMessageA(GetWindow(d, GW_OWNER), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    };
    layers_dialog(&window);
    EXPECT_EQ(state(), before);
    // Typed components, -40 made positive, 300 limited: R 200 G 40 B 255.
    script() = [](HWND d, int id) {
        if (id == IDD_LAYERS) {
            press(d, IDC_LAYERS_COLOUR_4);
        } else {
            set_edit(d, IDC_COLOUR_RED, "200");
            set_edit(d, IDC_COLOUR_GREEN, "-40");
            set_edit(d, IDC_COLOUR_BLUE, "300");
            press(d, IDOK);
            PostMessageA(GetWindow(d, GW_OWNER), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    };
    layers_dialog(&window);
    uint32_t c = 1;
    on_projection([&](DrawingFile* df, unsigned char* p) { c = layer_colour_read(df, p, 3); });
    EXPECT_EQ(c, static_cast<uint32_t>(RGB(200, 40, 255)));
    // A palette swatch: colour 12 of the settings' palette.
    script() = [](HWND d, int) {
        press_now(d, IDC_COLOUR_SWATCH_12);
        press(d, IDOK);
    };
    long chosen = colour_dialog(nullptr, 0);
    EXPECT_EQ(static_cast<uint32_t>(chosen), settings_u32(settings_colours_offset + 4 * 12) & 0xFFFFFF);
}

TEST_F(ElementDialogs, ContourInformationStoresNameAndLineTypeOnYes) {
    two_lines();
    uint32_t c = contour({11, 12}, 0);
    ASSERT_NE(c, 0u);
    mark(11);
    std::vector<Bytes> before = state();
    script() = [](HWND d, int) {
        char text[200] = {};
        GetDlgItemTextA(d, IDC_CONTOUR_DESCRIPTION, text, sizeof text);
        EXPECT_EQ(std::string(text).rfind("Выбран охватывающий контур уровня  2", 0), 0u) << text;
        SetDlgItemTextA(d, IDC_CONTOUR_NAME, "K7");
        SendDlgItemMessageA(d, IDC_CONTOUR_LINE_TYPE, CB_SETCURSEL, 3, 0);
        press(d, IDCANCEL);
    };
    contour_info_dialog(&window);
    EXPECT_EQ(state(), before);
    script() = [](HWND d, int) {
        SetDlgItemTextA(d, IDC_CONTOUR_NAME, "K7");
        SendDlgItemMessageA(d, IDC_CONTOUR_LINE_TYPE, CB_SETCURSEL, 3, 0);  // position 3: code 3
        press(d, IDOK);
    };
    contour_info_dialog(&window);
    int type = -1;
    std::string name;
    on_projection([&](DrawingFile* df, unsigned char* p) { contour_properties_read(df, p, c, &type, &name, nullptr); });
    EXPECT_EQ(type, 3);
    EXPECT_EQ(name, "K7");
}

TEST_F(ElementDialogs, FoldWidthsAreCheckedAndStoredOnYes) {
    point(1, 0, 0);
    point(2, 5, 0);
    line(11, 1, 2, {0, 0}, {5, 0});
    uint32_t fold = contour({11}, 6);
    ASSERT_NE(fold, 0u);
    std::vector<Bytes> before = state();
    // Widths 2 and 10 on a line 5 long: refused, the dialog stays; both
    // zero: refused; then "Удалить" is not pressed and 2/6 stored.
    bool stayed_difference = false, stayed_zero = false;
    script() = [&](HWND d, int) {
        ShowWindow(d, SW_SHOW);  // ending a dialog hides it
        SetDlgItemTextA(d, IDC_FOLD_WIDTH_START, "2");
        SetDlgItemTextA(d, IDC_FOLD_WIDTH_END, "10");
        press_now(d, IDOK);
        stayed_difference = IsWindowVisible(d) != 0;
        SetDlgItemTextA(d, IDC_FOLD_WIDTH_START, "0");
        SetDlgItemTextA(d, IDC_FOLD_WIDTH_END, "0");
        press_now(d, IDOK);
        stayed_zero = IsWindowVisible(d) != 0;
        SetDlgItemTextA(d, IDC_FOLD_WIDTH_START, "два");
        press_now(d, IDOK);
        EXPECT_EQ(state(), before) << "nothing stored while refused";
        SetDlgItemTextA(d, IDC_FOLD_WIDTH_START, "2");
        SetDlgItemTextA(d, IDC_FOLD_WIDTH_END, "6,5");
        CheckRadioButton(d, IDC_FOLD_END_RIGHT, IDC_FOLD_END_LEFT, IDC_FOLD_END_LEFT);
        press(d, IDOK);
    };
    fold_dialog(&window, fold);
    EXPECT_TRUE(stayed_difference);
    EXPECT_TRUE(stayed_zero);
    EXPECT_EQ(messages_containing("Разница ширин складки в начале и в конце"), 1);
    EXPECT_EQ(messages_containing("Складок с нулевой шириной не бывает!"), 1);
    EXPECT_EQ(messages_containing("Ширина задана неверно"), 1);
    FoldFields f;
    on_projection([&](DrawingFile* df, unsigned char* p) { fold_read(df, p, fold, &f); });
    EXPECT_EQ(f.start, 2.0f);
    EXPECT_EQ(f.end, 6.5f);
    EXPECT_EQ(f.flags, fold_flag_opened | fold_flag_end_left);
}

TEST_F(ElementDialogs, AFoldOnTwoLinesIsRefusedAndDeleted) {
    two_lines();
    uint32_t fold = contour({11, 12}, 6);
    ASSERT_NE(fold, 0u);
    EXPECT_EQ(fold_dialog(&window, fold), IDC_FOLD_DELETE);
    EXPECT_TRUE(shown().empty()) << "the dialog does not open";
    EXPECT_EQ(messages_containing("Указателем складки может быть только одна прямая линия"), 1);
    EXPECT_TRUE(chain(projection_contours, table_contours).empty());
}

TEST_F(ElementDialogs, ClicksAndTheBandMarkInTheProjectionWindow) {
    two_lines();
    // A real window of the projection; the view maps model units 1:1 to
    // pixels with y upwards from an origin at (100, 200).
    HWND w = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 400, nullptr, nullptr, program_instance, nullptr);
    ASSERT_NE(w, nullptr);
    window.window = w;
    window.view_offset[0] = -100;
    window.view_offset[1] = 200;
    Point2 at{};
    ViewTransform t{};
    t.view_offset = {window.view_offset[0], window.view_offset[1]};
    t.scroll_shift = {0, 0};
    t.scale = {1, 1};
    int px = view_x_to_pixel(&t, 5), py = view_y_to_pixel(&t, 0);  // middle of line 11
    view_pixel_to_point(&t, px, py, &at);
    ASSERT_NEAR(at.x, 5, 1);
    command(IDC_IMAGE_MARKING);
    EXPECT_EQ(stage_tools[3].left_down(w, px, py + 2, 0), 1);
    EXPECT_TRUE(get_u16(element(11).data(), element_flags) & element_flag_marked);
    EXPECT_FALSE(get_u16(element(12).data(), element_flags) & element_flag_marked);
    EXPECT_EQ(SendDlgItemMessageA(panel, IDC_IMAGE_MARKED_LIST, CB_GETCOUNT, 0, 0), 1);
    // Clicking again unmarks.
    stage_tools[3].left_down(w, px, py, 0);
    EXPECT_FALSE(get_u16(element(11).data(), element_flags) & element_flag_marked);
    // A band from empty space around the upper part of line 12 (model
    // x -5..5, y 10..30) marks it and not line 11.
    int x0 = view_x_to_pixel(&t, -5), y0 = view_y_to_pixel(&t, 30);
    int x1 = view_x_to_pixel(&t, 5), y1 = view_y_to_pixel(&t, 10);
    EXPECT_EQ(stage_tools[3].left_down(w, x0, y0, 0), 1);
    stage_tools[3].mouse_move(w, x1, y1, MK_LBUTTON);
    stage_tools[3].left_up(w, x1, y1, 0);
    EXPECT_TRUE(get_u16(element(12).data(), element_flags) & element_flag_marked);
    EXPECT_FALSE(get_u16(element(11).data(), element_flags) & element_flag_marked);
    // Another tool clears the marks.
    command(IDC_IMAGE_LINE);
    EXPECT_FALSE(get_u16(element(12).data(), element_flags) & element_flag_marked);
    window.window = nullptr;
    DestroyWindow(w);
}

TEST_F(ElementDialogs, PanelCommandsMakeAndDeleteContours) {
    two_lines();
    command(IDC_IMAGE_MARKING);
    mark(11);
    mark(12);
    marking_panel_refresh(panel, 21);
    command(IDC_IMAGE_SCREEN);
    std::vector<Bytes> contours = chain(projection_contours, table_contours);
    ASSERT_EQ(contours.size(), 1u);
    EXPECT_EQ(get_u16(contours[0].data(), contour_flags) & 7, 0);
    EXPECT_TRUE(get_u16(element(11).data(), element_flags) & element_flag_contour_member);
    // Delete all contours asks question 13 first; No keeps them.
    element_question = [this](int code) {
        questions.push_back(code);
        return 0;
    };
    command(IDC_IMAGE_DELETE_ALL_CONTOURS);
    EXPECT_EQ(questions, (std::vector<int>{13}));
    EXPECT_EQ(chain(projection_contours, table_contours).size(), 1u);
    element_question = [this](int code) {
        questions.push_back(code);
        return 1;
    };
    command(IDC_IMAGE_DELETE_ALL_CONTOURS);
    EXPECT_TRUE(chain(projection_contours, table_contours).empty());
    EXPECT_FALSE(get_u16(element(11).data(), element_flags) & element_flag_contour_member);
    // Deleting the marked element removes it.
    mark(12);
    command(IDC_IMAGE_DELETE_MARKED);
    EXPECT_TRUE(element(12).empty());
    EXPECT_FALSE(element(11).empty());
}

TEST_F(ElementDialogs, BarDialogRefusesABadWidthAndChangesTheDrawingOnlyOnYes) {
    two_lines();
    command(IDC_IMAGE_MARKING);
    mark(11);
    marking_panel_refresh(panel, 21);
    ASSERT_TRUE(IsWindowEnabled(GetDlgItem(panel, IDC_IMAGE_BAR)));
    std::vector<Bytes> before = state(true);
    // From the panel button: a width that is no number is refused and the
    // dialog stays; cancel leaves the drawing as it was.
    bool stayed = false;
    std::string caption;
    script() = [&](HWND d, int) {
        char text[80] = {};
        GetWindowTextA(d, text, sizeof text);
        caption = text;
        ShowWindow(d, SW_SHOW);
        SetDlgItemTextA(d, IDC_BAR_WIDTH, "широкий");
        press_now(d, IDOK);
        stayed = IsWindow(d) && IsWindowVisible(d);
        press(d, IDCANCEL);
    };
    command(IDC_IMAGE_BAR);
    EXPECT_EQ(shown(), std::vector<int>{IDD_BAR});
    EXPECT_EQ(caption, "Можно объединить бруски");
    EXPECT_TRUE(stayed);
    EXPECT_EQ(messages_containing("Ширина бруска задана неверно"), 1);
    EXPECT_EQ(state(true), before);

    // Width 4 with corner points off: one bar of 72 bytes and its outline
    // of four sides and caps at y = +-2.
    script() = [](HWND d, int) {
        SetDlgItemTextA(d, IDC_BAR_WIDTH, "4");
        for (int id : {IDC_BAR_CORNERS_START, IDC_BAR_CORNERS_END}) {
            CheckDlgButton(d, id, BST_UNCHECKED);
            press_now(d, id);
        }
        press(d, IDOK);
    };
    EXPECT_EQ(bar_dialog(&window), IDOK);
    std::vector<Bytes> bars = chain(projection_construction, table_construction);
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_EQ(get_u16(bars[0].data(), 0), bar_record_size);
    EXPECT_EQ(get_u32(bars[0].data(), bar_element), 11u);
    EXPECT_DOUBLE_EQ(get_f64(bars[0].data(), bar_width), 4.0);
    uint32_t side1 = get_u32(bars[0].data(), bar_slots + bar_slot_size);
    Bytes outline = element(side1);
    ASSERT_FALSE(outline.empty());
    EXPECT_NEAR(get_f64(outline.data(), element_coords2 + 8), 2.0, 1e-9);
    EXPECT_TRUE(get_u16(element(11).data(), element_options) & element_opt_bar_centre);
    EXPECT_FALSE(get_u16(element(11).data(), element_flags) & element_flag_marked);

    // A marked outline only shows the width: "Да" is greyed.
    mark(side1);
    before = state(true);
    bool yes_enabled = true;
    std::string width;
    script() = [&](HWND d, int) {
        char text[80] = {};
        GetWindowTextA(d, text, sizeof text);
        caption = text;
        GetDlgItemTextA(d, IDC_BAR_WIDTH, text, sizeof text);
        width = text;
        yes_enabled = IsWindowEnabled(GetDlgItem(d, IDOK)) != 0;
        press(d, IDCANCEL);
    };
    bar_dialog(&window);
    EXPECT_EQ(caption, "Только информация о ширине");
    EXPECT_FALSE(yes_enabled);
    double shown_width = 0;
    EXPECT_EQ(bar_width_parse(width.c_str(), &shown_width, nullptr), 1) << width;
    EXPECT_DOUBLE_EQ(shown_width, 4.0) << width;
    EXPECT_EQ(state(true), before);

    // "Удалить" on the marked centre removes the bar and its outline.
    on_projection([](DrawingFile* df, unsigned char* p) { elements_unmark_all(df, p); });
    mark(11);
    script() = [](HWND d, int) { press(d, IDC_BAR_DELETE); };
    EXPECT_EQ(bar_dialog(&window), IDC_BAR_DELETE);
    EXPECT_TRUE(chain(projection_construction, table_construction).empty());
    EXPECT_TRUE(element(side1).empty());
    EXPECT_FALSE(element(11).empty());

    // "Убрать припуск" from the context menu: every bar goes once the
    // question is answered Yes.
    mark(11);
    mark(12);
    script() = [](HWND d, int) {
        SetDlgItemTextA(d, IDC_BAR_WIDTH, "2");
        press(d, IDOK);
    };
    EXPECT_EQ(bar_dialog(&window), IDOK);
    ASSERT_EQ(chain(projection_construction, table_construction).size(), 2u);
    questions.clear();
    command(IDM_IMAGE_REMOVE_ALLOWANCE);
    EXPECT_EQ(questions, std::vector<int>{13});
    EXPECT_TRUE(chain(projection_construction, table_construction).empty());
    for (const Bytes& r : chain(projection_elements, table_elements))
        EXPECT_FALSE(get_u16(r.data(), element_options) & (element_opt_bar_outline | element_opt_bar_centre));
    // One undo brings both bars back.
    drawing_undo();
    EXPECT_EQ(chain(projection_construction, table_construction).size(), 2u);
}

TEST_F(ElementDialogs, PointPropertiesStepThroughThePixelAndChangeOnlyOnYes) {
    point(1, 10, 10);
    point(2, 10.2, 10.1);
    point(3, 10.3, 10);
    point(4, 20, 10);
    std::vector<Bytes> before = state();
    auto title = [](HWND d) {
        char text[80] = {};
        GetWindowTextA(d, text, sizeof text);
        return std::string(text);
    };
    auto step_down = [](HWND d) {
        HWND bar = GetDlgItem(d, IDC_POINTPROP_SCROLL);
        SendMessageA(d, WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), reinterpret_cast<LPARAM>(bar));
    };
    std::vector<std::string> titles;
    script() = [&](HWND d, int) {
        titles.push_back(title(d));
        step_down(d);
        titles.push_back(title(d));
        check(d, IDC_POINTPROP_PRIORITY);
        check(d, IDC_POINTPROP_ORIGIN);
        press(d, IDCANCEL);
    };
    EXPECT_EQ(point_properties_dialog(&window, 1), 2u);
    EXPECT_EQ(shown(), std::vector<int>{IDD_POINT_PROPERTIES});
    EXPECT_EQ(titles, (std::vector<std::string>{"Опорная точка 1 из 3", "Опорная точка 2 из 3"}));
    EXPECT_EQ(state(), before);

    // Yes: the flags of the second point, and the projection scaled by 2
    // along X about the first point.
    script() = [&](HWND d, int) {
        step_down(d);
        check(d, IDC_POINTPROP_ORIGIN);
        check(d, IDC_POINTPROP_TRANSFORM);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDC_POINTPROP_SCALE_X)));
        SetDlgItemTextA(d, IDC_POINTPROP_SCALE_X, "-2");
        press(d, IDOK);
    };
    point_properties_dialog(&window, 1);
    std::map<uint32_t, Bytes> points;
    for (Bytes& r : chain(projection_points, table_points)) points[get_u32(r.data(), point_number)] = r;
    ASSERT_EQ(points.size(), 4u);
    EXPECT_TRUE(get_u16(points[2].data(), point_flags) & point_flag_origin);
    EXPECT_FALSE(get_u16(points[1].data(), point_flags) & point_flag_origin);
    EXPECT_NEAR(get_f64(points[1].data(), point_sketch_x), 10, 1e-9);
    EXPECT_NEAR(get_f64(points[4].data(), point_sketch_x), 30, 1e-9);
    EXPECT_NEAR(get_f64(points[4].data(), point_true_x), 30, 1e-9);
    EXPECT_NEAR(get_f64(points[4].data(), point_sketch_y), 10, 1e-9);
}

TEST_F(ElementDialogs, AllowanceAlongAContourMakesBarsWithRoundCornersOnlyOnYes) {
    // A square of four lines; the window shows drawing units as pixels.
    const Point2 c[4] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    for (uint32_t i = 0; i < 4; ++i) point(i + 1, c[i].x, c[i].y);
    for (uint32_t i = 0; i < 4; ++i) line(11 + i, i + 1, (i + 1) % 4 + 1, c[i], c[(i + 1) % 4]);

    // Outside every loop: the message, no dialog.
    EXPECT_EQ(allowance_along_contour(&window, 40, 40), IDCANCEL);
    EXPECT_TRUE(shown().empty());
    EXPECT_EQ(messages_containing("нет замкнутого контура"), 1);

    // Inside: the members are marked while dialog 931 is open; cancel
    // leaves the drawing (marks included) as it was.
    std::vector<Bytes> before = state();
    int marked = 0;
    script() = [&](HWND d, int) {
        for (uint32_t n = 11; n <= 14; ++n) marked += (get_u16(element(n).data(), element_flags) & element_flag_marked) != 0;
        press(d, IDCANCEL);
    };
    EXPECT_EQ(allowance_along_contour(&window, 5, 5), IDCANCEL);
    EXPECT_EQ(shown(), std::vector<int>{IDD_BAR_CONTOUR});
    EXPECT_EQ(marked, 4);
    EXPECT_EQ(state(), before);

    // "Да" with width 2: a bar on every side, and an arc of radius 1 about
    // every corner, outside the square.
    script() = [](HWND d, int) {
        SetDlgItemTextA(d, IDC_BAR_WIDTH, "2");
        press(d, IDOK);
    };
    EXPECT_EQ(allowance_along_contour(&window, 5, 5), IDOK);
    EXPECT_EQ(chain(projection_construction, table_construction).size(), 4u);
    std::set<std::pair<double, double>> centres;
    for (const Bytes& r : chain(projection_elements, table_elements)) {
        EXPECT_FALSE(get_u16(r.data(), element_flags) & element_flag_marked);
        if ((get_u16(r.data(), element_flags) & 0xF) != 3 || (get_u16(r.data(), element_options) & element_opt_bar_outline))
            continue;
        Point2 s = get_point2(r.data(), element_coords3), e = get_point2(r.data(), element_coords3 + 16);
        Point2 m = get_point2(r.data(), element_coords3 + 32);
        EXPECT_NEAR(std::hypot(s.x - m.x, s.y - m.y), 1.0, 1e-9);
        EXPECT_NEAR(std::hypot(e.x - m.x, e.y - m.y), 1.0, 1e-9);
        // Both ends lie outside the square.
        for (Point2 q : {s, e}) EXPECT_TRUE(q.x < 0 || q.x > 10 || q.y < 0 || q.y > 10);
        centres.insert({m.x, m.y});
    }
    EXPECT_EQ(centres, (std::set<std::pair<double, double>>{{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
    // One undo takes the bars and the arcs back (the checkpoint holds the
    // members' marks of the dialog's time).
    drawing_undo();
    EXPECT_EQ(state(true), before);
}

TEST_F(ElementDialogs, PointPropertiesShowTheRouteLengthsOfThePoint) {
    two_lines();
    on_projection([](DrawingFile*, unsigned char* p) {
        put_u16(p, projection_flags, static_cast<uint16_t>(get_u16(p, projection_flags) | projection_word_no_auto));
    });
    uint32_t route = contour({11}, 4);
    ASSERT_NE(route, 0u);
    std::string name;
    for (const Bytes& r : chain(projection_contours, table_contours))
        if (get_u32(r.data(), contour_number) == route) name.assign(reinterpret_cast<const char*>(r.data() + 74), 6);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
    std::vector<Bytes> before = state();
    std::string coordinates, routes;
    bool enabled = false;
    point_route_lengths_mode = false;
    script() = [&](HWND d, int) {
        char text[200] = {};
        GetDlgItemTextA(d, IDC_POINTPROP_INFO, text, sizeof text);
        coordinates = text;
        enabled = IsWindowEnabled(GetDlgItem(d, IDC_POINTPROP_ROUTES)) != 0;
        CheckRadioButton(d, IDC_POINTPROP_COORDINATES, IDC_POINTPROP_ROUTES, IDC_POINTPROP_ROUTES);
        press_now(d, IDC_POINTPROP_ROUTES);
        GetDlgItemTextA(d, IDC_POINTPROP_INFO, text, sizeof text);
        routes = text;
        press(d, IDCANCEL);
    };
    point_properties_dialog(&window, 2);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(coordinates.rfind("Номер: 2\n", 0), 0u) << coordinates;
    EXPECT_EQ(routes, name + " = 10 мм");
    EXPECT_TRUE(point_route_lengths_mode);
    EXPECT_EQ(state(), before);
    point_route_lengths_mode = false;
}

}  // namespace
