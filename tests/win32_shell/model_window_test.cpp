// The model window on a drawing: an MDI child that lays out its controls
// when resized; a run shows its start, output and stop lines; the search
// names the editor's line; closing (and closing the drawing) is refused
// while a run goes on; the editor's text is stored on closing and before
// the drawing is saved.
#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "base/program_messages.h"
#include "model/model_storage.h"
#include "shell/commands.h"
#include "shell/frame_window.h"
#include "shell/model_window.h"
#include "shell/resource_ids.h"
#include "shell_fixture.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/records.h"

namespace {

std::vector<std::string> console(HWND d) {
    std::vector<std::string> out;
    HWND list = GetDlgItem(d, IDC_MODEL_CONSOLE);
    int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char buf[1024] = {};
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
        out.push_back(buf);
    }
    return out;
}

bool console_has(HWND d, const std::string& text) {
    for (const std::string& l : console(d))
        if (l.find(text) != std::string::npos) return true;
    return false;
}

// Pumps messages until the console shows text (or about 10 s pass).
bool wait_for(HWND d, const std::string& text) {
    for (int i = 0; i < 200; ++i) {
        if (console_has(d, text)) return true;
        pump_messages(50);
    }
    return console_has(d, text);
}

struct ModelWindow : ::testing::Test {
    DrawingFile* df = nullptr;
    const char* name = "model_window_test.svt";
    void SetUp() override {
        test_frame();
        std::remove(name);
        ASSERT_EQ(store_init(), 0);
        df = drawing_file_new(name);
        ASSERT_NE(df, nullptr);
        drawing_file_set_mode(df, drawing_mode_create_new);
        ASSERT_EQ(drawing_file_open(df, 0), 0);
        open_drawings[0] = df;
        current_drawing = 0;
        error_flag = 0;
        model_bind();
    }
    void TearDown() override {
        // A test that failed half-way leaves no window for the next one.
        if (model_window) {
            stop_worker(5000);
            pump_messages(100);
            if (model_window) SendMessageA(mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(GetParent(model_window)), 0);
        }
        open_drawings[0] = nullptr;
        drawing_file_close(df);
        drawing_file_free(df);
        std::remove(name);
    }
    void store(const std::string& text) {
        ModelHead h;
        ASSERT_TRUE(model_program_store(df, h, text.data(), text.size(), nullptr));
    }
};

TEST(ModelGutter, LinesFromTheFirstVisibleOne) {
    EXPECT_EQ(model_gutter_text(1, 3), "00001\n00002\n00003\n");
    EXPECT_EQ(model_gutter_text(99999, 2), "99999\n00000\n");
    EXPECT_EQ(model_gutter_text(7, 0), "");
}

// Pumps messages until the model window has closed (or about 5 s pass).
bool wait_closed() {
    for (int i = 0; i < 100 && model_window; ++i) pump_messages(50);
    return model_window == nullptr;
}

RECT placed_in(HWND dialog, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(ModelWindow, RunShowsStartOutputAndStopLines) {
    store("SAVE A\r\n\r\nA = 2\r\nPRINT A * 21\r\n");
    ASSERT_NE(command_seams.model_dialog, nullptr);
    command_seams.model_dialog();
    HWND d = model_window;
    ASSERT_NE(d, nullptr);
    press(d, IDC_MODEL_RUN);
    ASSERT_TRUE(wait_for(d, "*=С Т О П  машина!=*"));
    std::vector<std::string> lines = console(d);
    SetDlgItemTextA(d, IDC_MODEL_SEARCH_TEXT, "A=2");
    press(d, IDC_MODEL_SEARCH);
    ASSERT_TRUE(wait_for(d, "По заданному запросу"));
    std::string search_line = console(d).back();
    press(d, IDOK);
    ASSERT_TRUE(wait_closed());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 27), "00000  *=С Т А Р Т=* ***** ");
    // The stored program has no blank line: the editor shows it as stored.
    EXPECT_EQ(lines[1], "00003  42");
    EXPECT_EQ(lines[2], "00003  *=С Т О П  машина!=*");
    EXPECT_EQ(search_line, "По заданному запросу найдено в строке 2");
    std::vector<ModelVariableInfo> vars = model_variables_read(df);
    ASSERT_EQ(vars.size(), 1u);
    EXPECT_EQ(vars[0].name, "A");
    EXPECT_EQ(vars[0].value, 2.0);
}

// The window is an MDI child of the frame, the active one, and a second
// opening brings the same window forward. Made larger, its editor and
// gutter take the added height, the console keeps its height below them
// across the full width, the bottom row keeps its distance from the bottom
// and "Выход" stays at the bottom right; it is kept at least at the size
// it opened with.
TEST_F(ModelWindow, OpensAsAnMdiChildAndResizesItsEditor) {
    store("PRINT 1\r\n");
    command_seams.model_dialog();
    HWND d = model_window;
    ASSERT_NE(d, nullptr);
    HWND child = GetParent(d);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), mdi_client);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(mdi_client, WM_MDIGETACTIVE, 0, 0)), child);
    char caption[64] = "";
    GetWindowTextA(child, caption, sizeof caption);
    EXPECT_STREQ(caption, "Модель");
    EXPECT_EQ(GetWindowLongA(d, GWL_STYLE) & (WS_CHILD | WS_CAPTION), WS_CHILD);
    command_seams.model_dialog();
    EXPECT_EQ(model_window, d);

    RECT opened;
    GetWindowRect(child, &opened);
    const int ids[] = {IDC_MODEL_EDITOR, IDC_MODEL_GUTTER, IDC_MODEL_CONSOLE, IDC_MODEL_RUN, IDC_MODEL_SEARCH,
                       IDOK};
    std::vector<RECT> before;
    for (int id : ids) before.push_back(placed_in(d, id));
    RECT client_before;
    GetClientRect(d, &client_before);
    const int dx = 120, dy = 90;
    SetWindowPos(child, nullptr, 0, 0, opened.right - opened.left + dx, opened.bottom - opened.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER);
    pump_messages(100);
    RECT client_after;
    GetClientRect(d, &client_after);
    EXPECT_EQ(client_after.right - client_before.right, dx);  // the dialog fills the child
    EXPECT_EQ(client_after.bottom - client_before.bottom, dy);
    struct Expected {
        int left, top, right, bottom;  // change of each edge
    } expected[] = {
        {0, 0, dx, dy},    // editor: wider and taller
        {0, 0, 0, dy},     // gutter: taller
        {0, dy, dx, dy},   // console: down, wider, same height
        {0, dy, 0, dy},    // run: down
        {0, dy, 0, dy},    // search: down
        {dx, dy, dx, dy},  // exit: bottom right
    };
    for (size_t i = 0; i < std::size(ids); ++i) {
        SCOPED_TRACE(ids[i]);
        RECT after = placed_in(d, ids[i]);
        EXPECT_EQ(after.left - before[i].left, expected[i].left);
        EXPECT_EQ(after.top - before[i].top, expected[i].top);
        EXPECT_EQ(after.right - before[i].right, expected[i].right);
        EXPECT_EQ(after.bottom - before[i].bottom, expected[i].bottom);
    }
    MINMAXINFO mm{};
    SendMessageA(child, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mm));
    EXPECT_EQ(mm.ptMinTrackSize.x, opened.right - opened.left);
    EXPECT_EQ(mm.ptMinTrackSize.y, opened.bottom - opened.top);
    // The search button shows its picture.
    EXPECT_NE(SendDlgItemMessageA(d, IDC_MODEL_SEARCH, BM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    // The close box closes it as "Выход" does.
    SendMessageA(child, WM_CLOSE, 0, 0);
    EXPECT_TRUE(wait_closed());
    EXPECT_FALSE(IsWindow(child));
}

TEST_F(ModelWindow, ClosingIsRefusedWhileARunGoesOnAndTheTextIsStored) {
    store("DIM I\r\n10 I = I + 1\r\nGOTO 10\r\n");
    command_seams.model_dialog();
    HWND d = model_window;
    ASSERT_NE(d, nullptr);
    press(d, IDC_MODEL_RUN);
    ASSERT_TRUE(wait_for(d, "*=С Т А Р Т=*"));
    press(d, IDCANCEL);
    pump_messages(300);
    EXPECT_TRUE(IsWindow(d) && worker_thread != nullptr);
    // Nor do the commands that close or replace the drawing get through.
    dispatch_menu_command(IDM_FILE_CLOSE);
    EXPECT_EQ(open_drawings[0], df);
    EXPECT_EQ(model_window, d);
    press(d, IDC_MODEL_RUN);  // now the stop button
    EXPECT_TRUE(wait_for(d, "*=С Т О П  машина!=*"));
    pump_messages(100);
    SetDlgItemTextA(d, IDC_MODEL_EDITOR, "PRINT 1\r\nPRINT 2\r\n");
    press(d, IDOK);
    EXPECT_TRUE(wait_closed());
    EXPECT_EQ(worker_thread, nullptr);
    std::string text;
    ASSERT_TRUE(model_program_load(df, 0, text, nullptr));
    EXPECT_EQ(text, "PRINT 1\r\nPRINT 2\r\n");
}

// Saving the drawing while the window is open stores the editor's text
// first and closes the window: the saved drawing holds what the user typed.
TEST_F(ModelWindow, SavingStoresTheEditorTextFirst) {
    store("PRINT 1\r\n");
    command_seams.model_dialog();
    HWND d = model_window;
    ASSERT_NE(d, nullptr);
    SetDlgItemTextA(d, IDC_MODEL_EDITOR, "PRINT 3\r\n");
    dispatch_menu_command(IDM_FILE_SAVE);
    pump_messages(100);
    EXPECT_EQ(model_window, nullptr);
    std::string text;
    ASSERT_TRUE(model_program_load(df, 0, text, nullptr));
    EXPECT_EQ(text, "PRINT 3\r\n");
}

TEST_F(ModelWindow, QuietRunOnlyWhenAValueWaitsForWriteBack) {
    store("SAVE A\r\nA = 3\r\n");
    command_seams.run_model_program_when_marked();
    EXPECT_TRUE(model_variables_read(df).empty());  // nothing marked: no run
    // A stored variable marked as edited in the drawing makes the run happen.
    ModelVariableInfo v;
    v.id = 1;
    v.type = model_type_real;
    v.name = "A";
    v.value = 3;
    v.flags = model_variable_flag_edited;
    std::vector<uint8_t> rec = model_variable_record_build(v);
    RecordRef* head = reinterpret_cast<RecordRef*>(df->header + 52);
    record_add(df, head, rec.data(), &page_buffers[table_model]);
    command_seams.run_model_program_when_marked();
    std::vector<ModelVariableInfo> vars = model_variables_read(df);
    ASSERT_EQ(vars.size(), 1u);
    EXPECT_EQ(vars[0].flags, 0);
}

}  // namespace
