// The model window on a drawing: a modal dialog on the frame that lays out
// its controls when resized and opens again where it was closed; a run
// shows its start, output and stop lines; the search names the editor's
// line; closing is refused while a run goes on; the editor's text is stored
// on closing; opening runs the program at once when a value edited in the
// drawing waits for the write-back; the hints behind the window are quiet
// while it is open.
#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "base/program_messages.h"
#include "model/model_storage.h"
#include "shell/commands.h"
#include "shell/frame_window.h"
#include "shell/hints.h"
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

RECT placed_in(HWND dialog, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(ModelWindow, RunShowsStartOutputAndStopLines) {
    store("SAVE A\r\n\r\nA = 2\r\nPRINT A * 21\r\n");
    std::vector<std::string> lines;
    std::string search_line;
    DialogWatcher w([&](HWND d) {
        press(d, IDC_MODEL_RUN);
        wait_for(d, "*=С Т О П  машина!=*");
        lines = console(d);
        SetDlgItemTextA(d, IDC_MODEL_SEARCH_TEXT, "A=2");
        press(d, IDC_MODEL_SEARCH);
        wait_for(d, "По заданному запросу");
        search_line = console(d).back();
        press(d, IDOK);
    });
    ASSERT_NE(command_seams.model_dialog, nullptr);
    command_seams.model_dialog();
    ASSERT_EQ(w.seen.size(), 1u);
    EXPECT_EQ(w.seen[0].caption, "Модель");
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
    EXPECT_EQ(model_window, nullptr);
}

// The window is modal on the frame: the frame takes no command while it is
// open. Made larger, its editor and gutter take the added height, the
// console keeps its height below them across the full width, the bottom row
// keeps its distance from the bottom and "Выход" stays at the bottom right;
// it is kept at least at the size of its template (380 x 300 dialog units
// of client area). Closed by its close box, it opens again at the frame's
// client origin with the size it was closed with.
TEST_F(ModelWindow, ModalOnTheFrameResizedAndPlacedWhereItClosed) {
    store("PRINT 1\r\n");
    const int dx = 120, dy = 90;
    bool frame_enabled = true;
    HWND owner = nullptr;
    LONG style = 0;
    RECT closed{}, minimum{}, moved[6]{}, before[6]{};
    SIZE grown{}, track{};
    HBITMAP search_image = nullptr;
    const int ids[] = {IDC_MODEL_EDITOR, IDC_MODEL_GUTTER, IDC_MODEL_CONSOLE, IDC_MODEL_RUN, IDC_MODEL_SEARCH,
                       IDOK};
    DialogWatcher w([&](HWND d) {
        frame_enabled = IsWindowEnabled(frame_window) != FALSE;
        owner = GetWindow(d, GW_OWNER);
        style = GetWindowLongA(d, GWL_STYLE);
        minimum = {0, 0, 380, 300};
        MapDialogRect(d, &minimum);
        AdjustWindowRectEx(&minimum, static_cast<DWORD>(style), FALSE,
                           static_cast<DWORD>(GetWindowLongA(d, GWL_EXSTYLE)));
        for (size_t i = 0; i < std::size(ids); ++i) before[i] = placed_in(d, ids[i]);
        RECT client_before, client_after, outer;
        GetClientRect(d, &client_before);
        GetWindowRect(d, &outer);
        SetWindowPos(d, nullptr, 0, 0, outer.right - outer.left + dx, outer.bottom - outer.top + dy,
                     SWP_NOMOVE | SWP_NOZORDER);
        pump_messages(100);
        GetClientRect(d, &client_after);
        grown = {client_after.right - client_before.right, client_after.bottom - client_before.bottom};
        for (size_t i = 0; i < std::size(ids); ++i) moved[i] = placed_in(d, ids[i]);
        MINMAXINFO mm{};
        SendMessageA(d, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mm));
        track = {mm.ptMinTrackSize.x, mm.ptMinTrackSize.y};
        search_image = reinterpret_cast<HBITMAP>(SendDlgItemMessageA(d, IDC_MODEL_SEARCH, BM_GETIMAGE, IMAGE_BITMAP, 0));
        GetWindowRect(d, &closed);
        // The close box closes it as "Выход" does.
        SendMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    command_seams.model_dialog();
    ASSERT_EQ(w.seen.size(), 1u);
    EXPECT_EQ(model_window, nullptr);
    EXPECT_FALSE(frame_enabled);
    EXPECT_EQ(owner, frame_window);
    EXPECT_EQ(style & (WS_CHILD | WS_POPUP | WS_CAPTION | WS_THICKFRAME), WS_POPUP | WS_CAPTION | WS_THICKFRAME);
    EXPECT_NE(search_image, nullptr);
    EXPECT_EQ(grown.cx, dx);
    EXPECT_EQ(grown.cy, dy);
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
        EXPECT_EQ(moved[i].left - before[i].left, expected[i].left);
        EXPECT_EQ(moved[i].top - before[i].top, expected[i].top);
        EXPECT_EQ(moved[i].right - before[i].right, expected[i].right);
        EXPECT_EQ(moved[i].bottom - before[i].bottom, expected[i].bottom);
    }
    EXPECT_EQ(track.cx, minimum.right - minimum.left);
    EXPECT_EQ(track.cy, minimum.bottom - minimum.top);

    RECT reopened{};
    w.act = [&](HWND d) {
        GetWindowRect(d, &reopened);
        press(d, IDOK);
    };
    command_seams.model_dialog();
    ASSERT_EQ(w.seen.size(), 2u);
    POINT origin{0, 0};
    ClientToScreen(frame_window, &origin);
    EXPECT_EQ(reopened.left, origin.x);
    EXPECT_EQ(reopened.top, origin.y);
    EXPECT_EQ(reopened.right - reopened.left, closed.right - closed.left);
    EXPECT_EQ(reopened.bottom - reopened.top, closed.bottom - closed.top);
}

TEST_F(ModelWindow, ClosingIsRefusedWhileARunGoesOnAndTheTextIsStored) {
    store("DIM I\r\n10 I = I + 1\r\nGOTO 10\r\n");
    bool open_after_close = false;
    bool stopped = false;
    DialogWatcher w([&](HWND d) {
        press(d, IDC_MODEL_RUN);
        wait_for(d, "*=С Т А Р Т=*");
        press(d, IDCANCEL);
        pump_messages(300);
        open_after_close = IsWindow(d) && worker_thread != nullptr;
        press(d, IDC_MODEL_RUN);  // now the stop button
        stopped = wait_for(d, "*=С Т О П  машина!=*");
        pump_messages(100);
        SetDlgItemTextA(d, IDC_MODEL_EDITOR, "PRINT 1\r\nPRINT 2\r\n");
        press(d, IDOK);
    });
    command_seams.model_dialog();
    EXPECT_TRUE(open_after_close);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(worker_thread, nullptr);
    std::string text;
    ASSERT_TRUE(model_program_load(df, 0, text, nullptr));
    EXPECT_EQ(text, "PRINT 1\r\nPRINT 2\r\n");
}

// Opening runs the program without a press of "Выполнить" exactly when a
// stored variable carries the mark of a value edited in the drawing (flag
// bit 14); the run takes the mark off. Another flag bit alone does not run it.
TEST_F(ModelWindow, OpeningRunsAtOnceWhenAValueWaitsForWriteBack) {
    const struct {
        uint16_t flags;
        bool runs;
    } cases[] = {
        {0, false},
        {0x0001, false},
        {model_variable_flag_edited, true},
        {static_cast<uint16_t>(model_variable_flag_edited | 0x0001), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        TearDown();
        SetUp();
        store("SAVE A\r\nA = 5\r\nPRINT A + 1\r\n");
        ModelVariableInfo v;
        v.id = 1;
        v.type = model_type_real;
        v.name = "A";
        v.value = 5;
        v.flags = c.flags;
        std::vector<uint8_t> rec = model_variable_record_build(v);
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_model_variables);
        record_add(df, head, rec.data(), &page_buffers[table_model]);
        bool stopped = false;
        std::vector<std::string> lines;
        DialogWatcher w([&](HWND d) {
            // A run started by the opening shows its stop line within a
            // second or two; without one the console stays empty.
            if (c.runs) stopped = wait_for(d, "*=С Т О П  машина!=*");
            pump_messages(c.runs ? 100 : 1500);
            stopped = stopped || console_has(d, "*=С Т О П  машина!=*");
            lines = console(d);
            press(d, IDOK);
        });
        command_seams.model_dialog();
        ASSERT_EQ(w.seen.size(), 1u);
        EXPECT_EQ(stopped, c.runs);
        if (c.runs) {
            ASSERT_EQ(lines.size(), 3u);
            EXPECT_EQ(lines[1], "00003  6");
        } else {
            EXPECT_TRUE(lines.empty());
        }
        std::vector<ModelVariableInfo> vars = model_variables_read(df);
        ASSERT_EQ(vars.size(), 1u);
        EXPECT_EQ((vars[0].flags & model_variable_flag_edited) != 0, false);
        EXPECT_EQ(worker_thread, nullptr);
    }
}

// While the window is open the hints of the windows behind it are switched
// off (also while a refused close keeps it open); its own two hints are
// live; closed, its hints are gone and the others are back.
TEST_F(ModelWindow, HintsBehindAreQuietWhileOpen) {
    HWND behind = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(behind, nullptr);
    Hint* other = hint_register(behind, nullptr, "behind", 0, 0, 10, 10, 0);
    ASSERT_NE(other, nullptr);
    store("DIM I\r\n10 I = I + 1\r\nGOTO 10\r\n");
    int other_open = -1, other_refused = -1;
    std::vector<int> own;
    HWND shown = nullptr;
    DialogWatcher w([&](HWND d) {
        shown = d;
        other_open = other->suppression;
        for (Hint* h = hints; h; h = h->next)
            if (h->dialog == d) own.push_back(h->suppression);
        press(d, IDC_MODEL_RUN);
        wait_for(d, "*=С Т А Р Т=*");
        press(d, IDCANCEL);  // refused: a run goes on
        pump_messages(200);
        other_refused = other->suppression;
        press(d, IDC_MODEL_RUN);
        wait_for(d, "*=С Т О П  машина!=*");
        pump_messages(100);
        press(d, IDOK);
    });
    command_seams.model_dialog();
    ASSERT_EQ(w.seen.size(), 1u);
    EXPECT_EQ(other_open, 1);
    EXPECT_EQ(other_refused, 1);
    EXPECT_EQ(own, (std::vector<int>{0, 0}));
    EXPECT_EQ(other->suppression, 0);
    int left = 0;
    for (Hint* h = hints; h; h = h->next)
        if (h->dialog == shown) ++left;
    EXPECT_EQ(left, 0);
    hints_remove_dialog(behind);
    DestroyWindow(behind);
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
