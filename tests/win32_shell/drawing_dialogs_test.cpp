// The projection list's sketch controls and view angles on a new drawing
// made by the program's own wiring: a sketch file chosen for a view without
// one is stored and the window opened again with it, "Погасить изображение
// эскиза" hides it, a typed angle is stored, a bad one refused, and
// "Отказаться" leaves the record and the window as they were; the sheet
// number is kept to the drawing's sheets.  And "Для всех" of the option
// dialog's text height on the drawing's texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "annotation/annotation_tools.h"
#include "base/byte_order.h"
#include "documents/documents.h"
#include "geometry/naming.h"
#include "output/sheets.h"
#include "shell/commands.h"
#include "shell/core/projection_records.h"
#include "shell/frame_window.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/settings_dialogs.h"
#include "shell_fixture.h"
#include "store/record_layouts.h"
#include "store/drawing_header.h"
#include "store/records.h"
#include "store/settings_block.h"

namespace {

const char* const list_caption = "Проекции чертежа";

std::string control_text(HWND d, int id) {
    char text[600] = "";
    GetDlgItemTextA(d, id, text, sizeof text);
    return text;
}

void click(HWND d, int id, bool check) {
    CheckDlgButton(d, id, check ? BST_CHECKED : BST_UNCHECKED);
    SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(d, id)));
}

// An 8 x 8 24-bit BMP.
void write_bmp(const std::string& path) {
    std::vector<unsigned char> b(54 + 8 * 8 * 3, 0x80);
    std::memset(b.data(), 0, 54);
    b[0] = 'B', b[1] = 'M';
    put_u32(b.data(), 2, static_cast<uint32_t>(b.size()));
    put_u32(b.data(), 10, 54);
    put_u32(b.data(), 14, 40);
    put_u32(b.data(), 18, 8);
    put_u32(b.data(), 22, 8);
    put_u16(b.data(), 26, 1);
    put_u16(b.data(), 28, 24);
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
}

std::vector<unsigned char> record_bytes(uint32_t number) {
    unsigned char* p = projection_record(number);
    return p ? std::vector<unsigned char>(p, p + get_u16(p, 0)) : std::vector<unsigned char>();
}

// A new drawing with the wizard's one view; its window's number.
uint32_t new_drawing_with_one_view(std::string* path) {
    test_frame();
    EXPECT_EQ(open_drawing_count, 0);
    {
        DialogWatcher wizard([](HWND d) { press(d, IDOK); });
        dispatch_menu_command(IDM_FILE_NEW);
        pump_messages(100);
    }
    DrawingFile* df = current_drawing_file();
    if (!df || !projection_windows) return 0;
    *path = df->path;
    return projection_windows->number;
}

void close_drawing(const std::string& path) {
    DialogWatcher no([](HWND d) { press(d, IDCANCEL); });
    dispatch_menu_command(IDM_FILE_CLOSE);
    pump_messages(100);
    DeleteFileA(path.c_str());
}

// Runs the projection list; act works on it, any other dialog (a message)
// is answered with OK.
std::vector<SeenDialog> run_list(const std::function<void(HWND)>& act) {
    DialogWatcher watcher([&](HWND d) {
        char caption[128] = "";
        GetWindowTextA(d, caption, sizeof caption);
        if (std::strcmp(caption, list_caption) == 0) act(d);
        else press(d, IDOK);
    });
    projection_properties_run(0);
    pump_messages(300);
    return watcher.seen;
}

TEST(ProjectionList, SketchAnglesAndCancel) {
    std::string path;
    uint32_t number = new_drawing_with_one_view(&path);
    ASSERT_NE(number, 0u);
    std::string bmp = current_folder() + "\\list_sketch.bmp";
    write_bmp(bmp);
    static std::string answer;
    answer = bmp;
    sketch_dialog_answer = [](char* out, size_t size) {
        std::snprintf(out, size, "%s", answer.c_str());
        return 1;
    };

    // A sketch file for the view: stored on "Выполнить", the window opened
    // again shows it.
    bool hide_enabled = true, lighten_after_choice = false;
    std::string info;
    run_list([&](HWND d) {
        hide_enabled = IsWindowEnabled(GetDlgItem(d, IDC_LIST_SKETCH_HIDE)) != FALSE;
        click(d, IDC_LIST_NO_SKETCH, false);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_LIST_SKETCH_FILE, BN_CLICKED), 0);
        lighten_after_choice = IsDlgButtonChecked(d, IDC_LIST_SKETCH_LIGHTEN) == BST_CHECKED;
        info = control_text(d, IDC_LIST_INFO);
        save_window_picture(d, screenshot_path("projection_list_sketch"));
        press(d, IDOK);
    });
    EXPECT_FALSE(hide_enabled);  // no sketch shown yet
    EXPECT_TRUE(lighten_after_choice);
    EXPECT_NE(info.find("list_sketch.bmp"), std::string::npos) << info;
    std::vector<unsigned char> r = record_bytes(number);
    ASSERT_FALSE(r.empty());
    char stored[300] = "";
    EXPECT_GT(sketch_reference_load(r.data(), stored, sizeof stored), 0);
    EXPECT_EQ(lstrcmpiA(stored, bmp.c_str()), 0) << stored;
    EXPECT_EQ(get_u16(r.data(), projection_flags) & projection_flag_no_sketch, 0);
    EXPECT_NE(get_u16(r.data(), projection_second_flags) & projection_flag2_lighten, 0);
    ProjectionWindow* w = projection_window_find_by_id(number);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->view_flags & view_flag_no_sketch, 0);
    EXPECT_EQ(w->bitmap_size[0], 8);  // the file's picture

    // "Погасить изображение эскиза" and an angle of 45 degrees.
    run_list([&](HWND d) {
        hide_enabled = IsWindowEnabled(GetDlgItem(d, IDC_LIST_SKETCH_HIDE)) != FALSE;
        click(d, IDC_LIST_SKETCH_HIDE, true);
        SetDlgItemTextA(d, IDC_LIST_ANGLE_FIRST, "45^");
        press(d, IDOK);
    });
    EXPECT_TRUE(hide_enabled);
    w = projection_window_find_by_id(number);
    ASSERT_NE(w, nullptr);
    EXPECT_NE(w->view_flags & view_flag_sketch_hidden, 0);
    r = record_bytes(number);
    EXPECT_NEAR(get_f64(r.data(), projection_angle_first), std::atan(1.0), 1e-9);

    // A bad angle: the message, the dialog stays; then "Отказаться" after
    // changing everything leaves the record and the window unchanged.
    std::vector<unsigned char> before = record_bytes(number);
    uint16_t view_flags = w->view_flags;
    bool open_after_refusal = false;
    std::vector<SeenDialog> seen = run_list([&](HWND d) {
        SetDlgItemTextA(d, IDC_LIST_ANGLE_SECOND, "вниз");
        SendMessageA(d, WM_COMMAND, IDOK, 0);  // the message is answered inside
        open_after_refusal = IsWindow(d) != FALSE;
        SetDlgItemTextA(d, IDC_LIST_TITLE, "Другое");
        SetDlgItemTextA(d, IDC_LIST_SCALE, "2");
        click(d, IDC_LIST_SKETCH_HIDE, false);
        click(d, IDC_LIST_NO_SKETCH, true);
        click(d, IDC_LIST_SKETCH_NO_ROTATION, true);
        press(d, IDCANCEL);
    });
    ASSERT_GE(seen.size(), 2u);
    EXPECT_NE(seen[1].caption, list_caption);  // the refusal's message
    EXPECT_TRUE(open_after_refusal);
    EXPECT_EQ(record_bytes(number), before);
    w = projection_window_find_by_id(number);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->view_flags, view_flags);

    // "Нет эскиза": the window opens again without its sketch.
    run_list([&](HWND d) {
        click(d, IDC_LIST_NO_SKETCH, true);
        press(d, IDOK);
    });
    r = record_bytes(number);
    EXPECT_NE(get_u16(r.data(), projection_flags) & projection_flag_no_sketch, 0);
    EXPECT_EQ(get_u16(r.data(), projection_second_flags) & projection_flag2_lighten, 0);
    w = projection_window_find_by_id(number);
    ASSERT_NE(w, nullptr);
    EXPECT_NE(w->view_flags & view_flag_no_sketch, 0);
    EXPECT_EQ(w->bitmap_size[0], 0);

    sketch_dialog_answer = nullptr;
    close_drawing(path);
    DeleteFileA(bmp.c_str());
}

// The sheet-number field: disabled on a drawing without sheets; with three
// sheets it shows the low 11 bits of the record's sheet word, writes a new
// number into those bits alone, and refuses a number that is no sheet of
// the drawing with the range in its message, the record unchanged.
TEST(ProjectionList, SheetNumberField) {
    std::string path;
    uint32_t number = new_drawing_with_one_view(&path);
    ASSERT_NE(number, 0u);
    DrawingFile* df = current_drawing_file();
    ASSERT_NE(df, nullptr);
    ASSERT_EQ(get_u32(df->header, header_sheets), 0u);
    bool field_enabled = true, label_enabled = true;
    run_list([&](HWND d) {
        field_enabled = IsWindowEnabled(GetDlgItem(d, IDC_LIST_SHEET)) != FALSE;
        label_enabled = IsWindowEnabled(GetDlgItem(d, IDC_LIST_SHEET_LABEL)) != FALSE;
        press(d, IDCANCEL);
    });
    EXPECT_FALSE(field_enabled);
    EXPECT_FALSE(label_enabled);

    sheet_chain_open(df);
    ASSERT_NE(sheet_add(df), 0u);
    ASSERT_NE(sheet_add(df), 0u);
    // Sheet 2, with the word's upper five bits set: they are not the number.
    unsigned char* p = projection_record(number);
    ASSERT_NE(p, nullptr);
    put_u16(p, projection_sheet, 0xF802);
    page_buffers[table_projections].clean = 0;

    std::string shown;
    run_list([&](HWND d) {
        field_enabled = IsWindowEnabled(GetDlgItem(d, IDC_LIST_SHEET)) != FALSE;
        shown = control_text(d, IDC_LIST_SHEET);
        SetDlgItemTextA(d, IDC_LIST_SHEET, "3");
        press(d, IDOK);
    });
    EXPECT_TRUE(field_enabled);
    EXPECT_EQ(shown, "2");
    EXPECT_EQ(get_u16(record_bytes(number).data(), projection_sheet), 0xF803);

    // Each refused on "Выполнить" with the sheets' range; the dialog stays.
    // Below the first sheet, past the last (within the 11 bits), no number,
    // and a number with more after it.
    const char* const refused[] = {"0", "4", "", "2,5"};
    std::vector<unsigned char> before = record_bytes(number);
    bool open_after_refusals = true;
    std::vector<SeenDialog> seen = run_list([&](HWND d) {
        for (const char* text : refused) {
            SetDlgItemTextA(d, IDC_LIST_SHEET, text);
            SendMessageA(d, WM_COMMAND, IDOK, 0);  // the message is answered inside
            open_after_refusals = open_after_refusals && IsWindow(d) != FALSE;
        }
        press(d, IDCANCEL);
    });
    EXPECT_TRUE(open_after_refusals);
    ASSERT_EQ(seen.size(), 1 + sizeof refused / sizeof refused[0]);
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_NE(seen[i].text(IDC_MESSAGE_TEXT).find("Номер листа: от 1 до 3"), std::string::npos)
            << refused[i - 1] << ": " << seen[i].text(IDC_MESSAGE_TEXT);
    EXPECT_EQ(record_bytes(number), before);

    close_drawing(path);
}

TEST(DrawingOptions, TextHeightForAllLaysTheTextsOutAgain) {
    std::string path;
    uint32_t number = new_drawing_with_one_view(&path);
    ASSERT_NE(number, 0u);
    // A leader and a text fragment at the new drawing's height (index 2).
    AnnotationStage st;
    ASSERT_NE(place_leader(projection_record(number), &st, 10, 10, false), 0u);
    st.selected_annotation_ref = 0;
    ASSERT_NE(place_text_fragment(projection_record(number), &st, 40, 40, false), 0u);
    // The default height becomes 10 mm (index 5).
    std::vector<std::string> status;
    {
        DialogWatcher watcher([&](HWND d) {
            SendDlgItemMessageA(d, IDC_OPTIONS_TEXT_HEIGHT, CB_SETCURSEL, 5, 0);
            SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_OPTIONS_TEXT_HEIGHT, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_OPTIONS_TEXT_HEIGHT)));
            for (int i = 0; i < 2; ++i) {
                SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_OPTIONS_HEIGHT_ALL, BN_CLICKED), 0);
                status.push_back(control_text(d, IDC_OPTIONS_STATUS));
            }
            save_window_picture(d, screenshot_path("drawing_options_height_all"));
            press(d, IDC_OPTIONS_EXIT);
        });
        drawing_options_dialog_run();
    }
    ASSERT_EQ(status.size(), 2u);
    EXPECT_EQ(status[0], "Изменено 2 элементов на 1 проекциях");
    EXPECT_EQ(status[1], "На чертеже нет надписей с другой высотой шрифта");
    DrawingFile* df = current_drawing_file();
    RecordRef head = get_u32(projection_record(number), projection_annotations);
    int texts = 0;
    for (unsigned char* a = record_next(df, &head, nullptr, &page_buffers[table_annotation]); a;
         a = record_next(df, &head, a, &page_buffers[table_annotation])) {
        EXPECT_EQ(annotation_size_index(a), 5) << int(a[record_kind]);
        ++texts;
    }
    EXPECT_EQ(texts, 2);
    close_drawing(path);
}

}  // namespace
