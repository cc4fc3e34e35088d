// The frame: command line, panel layout, stage keys, compact templates, the
// repaint queue, and the frame created in this process with its menu and panels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "shell/construction_run.h"
#include "shell/frame_window.h"
#include "shell/panels.h"
#include "shell/startup.h"
#include "shell_fixture.h"
#include "documents/checkpoints.h"

TEST(CommandLine, QuotesAreDroppedAndTheTailStaysOnePath) {
    struct Case {
        const char* tail;
        const char* path;  // null: no path
    } cases[] = {
        {"", nullptr},
        {"\"C:\\Чертежи\\вал 1.svt\"", "C:\\Чертежи\\вал 1.svt"},
        {"\"C:\\a b.svt\" \"D:\\c.svt\"", "C:\\a b.svt D:\\c.svt"},
        {"C:\\plain.svt", "C:\\plain.svt"},
    };
    for (const Case& c : cases) {
        char* p = command_line_path(c.tail);
        if (!c.path) {
            EXPECT_EQ(p, nullptr) << c.tail;
        } else {
            ASSERT_NE(p, nullptr) << c.tail;
            EXPECT_STREQ(p, c.path);
        }
        std::free(p);
    }
}

static void expect_rect(const PanelRect& r, int x, int y, int w, int h, const char* what) {
    EXPECT_EQ(r.x, x) << what;
    EXPECT_EQ(r.y, y) << what;
    EXPECT_EQ(r.w, w) << what;
    EXPECT_EQ(r.h, h) << what;
}

TEST(FrameLayout, PanelsFillTheClientAreaWithAndWithoutTheSheetList) {
    // client 1000 x 700; prompt 20 high; scale panel 140 x 60; stage bar 40 wide
    FrameLayout l = frame_layout(1000, 700, 20, 140, 60, 40, false);
    expect_rect(l.prompt, 0, 680, 1000, 20, "prompt");
    expect_rect(l.top, 0, 0, 1000, 2, "top strip");
    expect_rect(l.scale, 0, 2, 140, 60, "scale");
    expect_rect(l.separator, 140, 2, 2, 60, "separator");
    expect_rect(l.stage, 142, 2, 858, 60, "stage panel");
    expect_rect(l.bar, 960, 62, 40, 618, "stage bar");
    expect_rect(l.client, 0, 62, 960, 618, "MDI client");
    EXPECT_FALSE(l.has_sheet_list);

    l = frame_layout(1000, 700, 20, 140, 60, 40, true);
    expect_rect(l.client, 84, 62, 876, 618, "MDI client beside the sheet list");
    expect_rect(l.sheet_list, 0, 62, 84, 618, "sheet list");
    EXPECT_TRUE(l.has_sheet_list);
}

TEST(StageKeys, DigitsAndNumericPadSelectTheStagesInTheUsersOrder) {
    const int commands[6] = {40004, 40006, 40005, 40027, 40007, 40029};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(stage_hotkey_command('1' + i), commands[i]);
        EXPECT_EQ(stage_hotkey_command(VK_NUMPAD1 + i), commands[i]);
    }
    for (int key : {int('0'), int('7'), VK_NUMPAD0, VK_NUMPAD7, int('A'), VK_F2}) EXPECT_EQ(stage_hotkey_command(key), 0);
}

TEST(StagePanels, CompactTemplatesReplaceOnlyTheirSixPanels) {
    const int pairs[][2] = {{209, 335}, {259, 338}, {121, 334}, {139, 333},
                            {122, 332}, {525, 526}, {138, 138}, {112, 112}};
    for (const auto& p : pairs) EXPECT_EQ(compact_panel_template(p[0]), p[1]) << p[0];
}

TEST(RepaintQueue, RequestsAreKeptNewestFirstAndFlushedAll) {
    HWND w = test_frame();
    RECT r = {1, 2, 30, 40};
    InvalidateRequest* a = queue_invalidate(w, &r, 1);
    InvalidateRequest* b = queue_invalidate(w, nullptr, 2);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(invalidate_queue, b);
    EXPECT_EQ(b->next, a);
    EXPECT_EQ(a->flags, 3);  // erase, rectangle valid
    EXPECT_EQ(a->rect[2], 30);
    EXPECT_EQ(b->flags, 0);  // only the low bit of erase counts; no rectangle
    flush_invalidate_queue();
    EXPECT_EQ(invalidate_queue, nullptr);
}

TEST(Frame, MenuPanelsAndVersionItem) {
    HWND w = test_frame();
    ASSERT_NE(w, nullptr);
    char title[128] = {};
    GetWindowTextA(w, title, sizeof title);
    EXPECT_STREQ(title, "SARVOLT - Конструкторская документация");
    char version[64] = {};
    GetMenuStringA(main_menu, 40058, version, sizeof version, MF_BYCOMMAND);
    EXPECT_STREQ(version, "SARVOLT  версии  9.4");
    char file[32] = {};
    GetMenuStringA(main_menu, 0, file, sizeof file, MF_BYPOSITION);
    EXPECT_NE(std::strstr(file, "Файл"), nullptr);
    // Position 17 of the file menu is the settings pop-up.
    HMENU file_menu = GetSubMenu(main_menu, 0);
    char settings[32] = {};
    GetMenuStringA(file_menu, 17, settings, sizeof settings, MF_BYPOSITION);
    EXPECT_STREQ(settings, "Настройки...");
    EXPECT_NE(GetSubMenu(file_menu, 17), nullptr);
    char stage_menu[32] = {}, windows_menu[32] = {};
    GetMenuStringA(main_menu, 3, stage_menu, sizeof stage_menu, MF_BYPOSITION);
    GetMenuStringA(main_menu, 4, windows_menu, sizeof windows_menu, MF_BYPOSITION);
    EXPECT_STREQ(stage_menu, "&Команды этапа");
    EXPECT_STREQ(windows_menu, "&Окна проекций");
    // The panels are in place, the compact ones at 96 DPI.
    for (HWND p : {prompt_panel, top_separator, panel_separator, scale_panel, stage_bar, stage_panel, mdi_client})
        EXPECT_TRUE(IsWindow(p));
    // The prompt line shows the screen size until a drawing is opened (read
    // as start-up left it: other tests open drawings in this process).
    const char* prompt = startup_state().prompt.c_str();
    int pw = 0, ph = 0;
    EXPECT_EQ(std::sscanf(prompt, "%dx%d", &pw, &ph), 2) << prompt;
    RECT bar, client;
    GetWindowRect(stage_bar, &bar);
    GetClientRect(w, &client);
    MapWindowPoints(w, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_EQ(bar.right, client.right);
    // The context menu has its seven pop-ups, each ending with the same three items.
    ASSERT_NE(context_menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(context_menu), 7);
    for (int i = 0; i < 7; ++i) {
        HMENU m = GetSubMenu(context_menu, i);
        int n = GetMenuItemCount(m);
        EXPECT_EQ(GetMenuItemID(m, n - 3), 40125u);
        EXPECT_EQ(GetMenuItemID(m, n - 2), 40138u);
        EXPECT_EQ(GetMenuItemID(m, n - 1), 40142u);
    }
}

TEST(Frame, StageKeyDoesNothingWhileItsCommandIsGreyed) {
    test_frame();
    CheckDlgButton(stage_bar, 1301, BST_UNCHECKED);
    EnableMenuItem(main_menu, 40027, MF_BYCOMMAND | MF_GRAYED);
    handle_stage_hotkey('4');
    EXPECT_EQ(IsDlgButtonChecked(stage_bar, 1301), BST_UNCHECKED);
    EnableMenuItem(main_menu, 40027, MF_BYCOMMAND | MF_ENABLED);
    handle_stage_hotkey(VK_NUMPAD4);
    EXPECT_EQ(IsDlgButtonChecked(stage_bar, 1301), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(stage_bar, 1298), BST_UNCHECKED);
    // The construction stage asked for a run: let it end and close its log.
    end_construction_run();
    EXPECT_EQ(construction_dialog, nullptr);
}

static INT_PTR CALLBACK empty_panel_proc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

TEST(Frame, StagePanelKeepsTheOldPanelAndIdWhenTheNewOneCannotBeCreated) {
    test_frame();
    HWND before = stage_panel;
    int id_before = stage_panel_id;
    show_stage_panel(9999, empty_panel_proc);  // no such template
    EXPECT_EQ(stage_panel, before);
    EXPECT_EQ(stage_panel_id, id_before);
    show_stage_panel(128, empty_panel_proc);  // an existing template
    EXPECT_NE(stage_panel, before);
    EXPECT_EQ(stage_panel_id, 128);
    EXPECT_FALSE(IsWindow(before));
    HWND now = stage_panel;
    checkpoint_hold = 1;
    show_stage_panel(128, empty_panel_proc);  // the same id changes nothing but the hold
    EXPECT_EQ(stage_panel, now);
    EXPECT_EQ(checkpoint_hold, 0);
}

static DWORD WINAPI polite_worker(void*) {
    // Sends to the GUI thread while it runs, as the construction thread does.
    while (worker_running) {
        SendMessageA(frame_window, WM_NULL, 0, 0);
        Sleep(20);
    }
    return 0;
}

static DWORD WINAPI stuck_worker(void*) {
    Sleep(3000);
    return 0;
}

TEST(Frame, StoppingAWorkerWaitsForItWithATimeLimit) {
    test_frame();
    worker_running = 1;
    worker_thread = CreateThread(nullptr, 0, polite_worker, nullptr, 0, nullptr);
    ASSERT_NE(worker_thread, nullptr);
    Sleep(100);
    EXPECT_TRUE(stop_worker(5000));
    EXPECT_EQ(worker_thread, nullptr);

    worker_running = 1;
    worker_thread = CreateThread(nullptr, 0, stuck_worker, nullptr, 0, nullptr);
    DWORD start = GetTickCount();
    EXPECT_FALSE(stop_worker(300));  // a worker that does not end is left alone
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_EQ(worker_running, 0);
    WaitForSingleObject(worker_thread, 5000);
    CloseHandle(worker_thread);
    worker_thread = nullptr;
}

static DWORD WINAPI worker_until_set(LPVOID event) {
    return WaitForSingleObject(static_cast<HANDLE>(event), 5000);
}

// A worker that ended on its own, never joined, frees the slot for the next
// one; a running one keeps it.
TEST(Frame, WorkerSlotOfAnEndedThreadIsFreed) {
    EXPECT_FALSE(worker_busy());
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    worker_thread = CreateThread(nullptr, 0, worker_until_set, go, 0, nullptr);
    ASSERT_NE(worker_thread, nullptr);
    HANDLE running = worker_thread;
    EXPECT_TRUE(worker_busy());
    EXPECT_EQ(worker_thread, running);
    SetEvent(go);
    WaitForSingleObject(running, 5000);
    EXPECT_FALSE(worker_busy());
    EXPECT_EQ(worker_thread, nullptr);
    CloseHandle(go);
}
