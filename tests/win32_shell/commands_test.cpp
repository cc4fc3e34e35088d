// The command dispatcher and its tables: menu enabling by state, stage
// commands forwarded to the stage panel, the seams of later subsystems, the
// recent-file list in the registry, the stage bar.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "shell/commands.h"
#include "shell/frame_window.h"
#include "shell/help.h"
#include "shell/message_dialogs.h"
#include "shell/panels.h"
#include "shell/startup.h"
#include "shell_fixture.h"
#include "documents/document_seams.h"
#include "shell/document_ui.h"
#include "base/program_messages.h"
#include "store/settings_block.h"
#include "base/byte_order.h"
#include "documents/documents.h"
#include "documents/tool_state.h"
#include "shell/resource_ids.h"
#include "shell/document_stage.h"
#include "shell/projection_windows.h"
#include "store/drawing_header.h"

namespace {

bool enabled(int id) {
    UINT s = GetMenuState(main_menu, id, MF_BYCOMMAND);
    return s != static_cast<UINT>(-1) && !(s & (MF_GRAYED | MF_DISABLED));
}

bool settings_popup_enabled() {
    UINT s = GetMenuState(GetSubMenu(main_menu, 0), 17, MF_BYPOSITION);
    return !(s & (MF_GRAYED | MF_DISABLED));
}

bool bar_enabled(int button) { return IsWindowEnabled(GetDlgItem(stage_bar, button)) != FALSE; }

// A stand-in stage panel: buttons with the given ids and styles; the clicks
// posted to it are recorded.
std::vector<int> panel_clicks;
LRESULT CALLBACK panel_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_COMMAND) panel_clicks.push_back(LOWORD(wp));
    return DefWindowProcA(w, m, wp, lp);
}

HWND make_panel(std::initializer_list<std::pair<int, DWORD>> buttons) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA c = {};
        c.lpfnWndProc = panel_proc;
        c.hInstance = GetModuleHandleA(nullptr);
        c.lpszClassName = "TestStagePanel";
        RegisterClassA(&c);
        registered = true;
    }
    HWND panel = CreateWindowA("TestStagePanel", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    for (const auto& b : buttons)
        CreateWindowA("BUTTON", "", WS_CHILD | b.second, 0, 0, 10, 10, panel,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.first)), GetModuleHandleA(nullptr),
                      nullptr);
    return panel;
}

struct SeamCalls {
    std::vector<std::string> calls;
    int options_answer = 0;
    int layout_waiting = 0;
    int printed = 0;
};
SeamCalls* seam_calls;
void note(const char* what, int arg = -1) {
    char text[64];
    if (arg >= 0)
        std::snprintf(text, sizeof text, "%s %d", what, arg);
    else
        std::snprintf(text, sizeof text, "%s", what);
    seam_calls->calls.push_back(text);
}

struct Dispatcher : ::testing::Test {
    SeamCalls record;
    unsigned char stage_before = 0;
    HWND panel_before = nullptr;
    void SetUp() override {
        test_frame();
        seam_calls = &record;
        stage_before = current_stage;
        panel_before = stage_panel;
        command_seams = command_seams_unbound;
        command_seams.projection_dialog_run = [](int k) { note("projection dialog", k); };
        command_seams.projection_properties_dialog = [](int k) { note("properties", k); };
        command_seams.projection_windows_refresh = [](int f) { note("refresh", f); };
        command_seams.model_dialog = [] { note("model"); };
        command_seams.tables_dialog = [] { note("tables"); };
        command_seams.choose_title_block = [](int a) { note("title block", a); };
        command_seams.symbol_table_dialog = [] { note("symbols"); };
        command_seams.units_dialog = [] { note("units"); };
        command_seams.drawing_options_dialog = [] {
            note("options");
            return seam_calls->options_answer;
        };
        command_seams.drawing_options_more_dialog = [] { note("options more"); };
        command_seams.import_drawing = [] { note("import"); };
        command_seams.export_drawing = [](int k) { note("export", k); };
        command_seams.open_layout_windows = [] { note("layout windows"); };
        command_seams.rebuild_changed_projections = [](int a) { note("rebuild", a); };
        command_seams.layout_wait_pending = [] { return seam_calls->layout_waiting; };
        command_seams.print_dialog_and_print = [] {
            note("print");
            return seam_calls->printed;
        };
    }
    void TearDown() override {
        command_seams = command_seams_unbound;
        if (stage_panel != panel_before) {
            DestroyWindow(stage_panel);
            stage_panel = panel_before;
        }
        current_stage = stage_before;
        seam_calls = nullptr;
        pump_messages();
    }
};

const char* file_part_of(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    return path.c_str() + (cut == std::string::npos ? 0 : cut + 1);
}

std::string prompt_text(int id = 1052) {
    char text[300] = {};
    GetDlgItemTextA(prompt_panel, id, text, sizeof text);
    return text;
}

}  // namespace

TEST_F(Dispatcher, CommandsOfLaterSubsystemsGoThroughTheirSeams) {
    struct Case {
        int id;
        std::vector<std::string> calls;
    } cases[] = {
        {40099, {"projection dialog 0", "refresh 0"}},
        {40100, {"projection dialog 8", "refresh 0"}},
        {40015, {"properties 0"}},
        {40030, {"properties 8"}},
        {40010, {"model"}},
        {40012, {"title block 1"}},
        {40053, {"symbols"}},
        {40082, {"import"}},
        {40018, {"export 0"}},
        {40043, {}},  // no drawing open: the units dialog needs one
        {40055, {"options"}},
    };
    for (const Case& c : cases) {
        record.calls.clear();
        EXPECT_EQ(dispatch_menu_command(c.id), 0) << c.id;
        EXPECT_EQ(record.calls, c.calls) << c.id;
    }
    // The drawing options go on to their second dialog when the first says so.
    record.calls.clear();
    record.options_answer = 1;
    dispatch_menu_command(40055);
    EXPECT_EQ(record.calls, (std::vector<std::string>{"options", "options more"}));
    EXPECT_EQ(help_topic, 36);
    // A new projection or fragment is made under the document lock: the
    // busy flag is set while its dialog runs and clear afterwards.
    static int busy_in_dialog;
    busy_in_dialog = -1;
    command_seams.projection_dialog_run = [](int) { busy_in_dialog = busy_flag; };
    for (int id : {40099, 40100}) {
        busy_in_dialog = -1;
        busy_flag = 0;
        dispatch_menu_command(id);
        EXPECT_EQ(busy_in_dialog, 1) << id;
        EXPECT_EQ(busy_flag, 0) << id;
    }
    // With every seam empty the same commands do nothing and do not fail.
    command_seams = command_seams_unbound;
    for (const Case& c : cases) EXPECT_EQ(dispatch_menu_command(c.id), 0) << c.id;
}

TEST_F(Dispatcher, StageCommandsKeepTheirPreconditions) {
    // The finishing stage does nothing when it is already the stage.
    current_stage = 5;
    dispatch_menu_command(40007);
    EXPECT_TRUE(record.calls.empty());
    // Layout runs only below stage 6.
    current_stage = 6;
    dispatch_menu_command(40029);
    EXPECT_TRUE(record.calls.empty());
    current_stage = 5;
    dispatch_menu_command(40029);
    EXPECT_EQ(record.calls, (std::vector<std::string>{"layout windows"}));
    EXPECT_EQ(current_stage, 6);
    EXPECT_EQ(prompt_text(1010), "6. Компоновка чертежа");
    // Coming from stage 6 back to the points rebuilds the changed projections.
    record.calls.clear();
    dispatch_menu_command(40004);
    EXPECT_EQ(current_stage, 1);
    EXPECT_EQ(record.calls, (std::vector<std::string>{"rebuild 0"}));
    record.calls.clear();
    dispatch_menu_command(40005);
    EXPECT_EQ(current_stage, 2);
    EXPECT_TRUE(record.calls.empty());
    // A layout that waits takes the stage commands back to itself.
    record.layout_waiting = 1;
    dispatch_menu_command(40006);
    EXPECT_EQ(current_stage, 6);
    EXPECT_EQ(IsDlgButtonChecked(stage_bar, 1303), BST_CHECKED);
    record.layout_waiting = 0;
}

TEST_F(Dispatcher, PrintingShowsWhetherTheDrawingWentToThePrinter) {
    current_stage = 6;
    record.printed = 1;
    dispatch_menu_command(40019);
    EXPECT_EQ(current_stage, 6);
    EXPECT_EQ(prompt_text(), "Чертёж отправлен на принтер");
    record.printed = 0;
    dispatch_menu_command(40019);
    EXPECT_EQ(prompt_text(), "Чертёж не распечатан");
    EXPECT_EQ(print_cancelled, 0);  // cleared by the stage change that showed it
    stage_set(6);
    EXPECT_EQ(prompt_text(), "Размещение проекций на чертеже");
}

TEST_F(Dispatcher, StageCommandsAreForwardedToTheButtonsOfTheCurrentPanel) {
    stage_panel = make_panel({{1975, BS_PUSHBUTTON},
                              {1904, BS_AUTORADIOBUTTON | BS_PUSHLIKE},
                              {1908, BS_AUTORADIOBUTTON | BS_PUSHLIKE},
                              {1170, BS_AUTOCHECKBOX | BS_PUSHLIKE}});
    struct Case {
        int stage, command;
        int forwarded;   // result of forward_stage_command
        int click;       // button clicked, 0 none
    } cases[] = {
        {2, 40188, 1, 1975},
        {3, 40188, 0, 0},  // not a command of the image stage
        {1, 40154, 1, 1904},
        {0, 40188, 1, 0},  // no stage: taken as handled, nothing posted
        {9, 40154, 1, 0},
    };
    for (const Case& c : cases) {
        current_stage = static_cast<unsigned char>(c.stage);
        panel_clicks.clear();
        CheckDlgButton(stage_panel, 1904, BST_UNCHECKED);
        CheckDlgButton(stage_panel, 1908, BST_CHECKED);
        CheckDlgButton(stage_panel, 1170, BST_CHECKED);
        EXPECT_EQ(forward_stage_command(c.command), c.forwarded) << c.stage << " " << c.command;
        pump_messages(20);
        EXPECT_EQ(panel_clicks, c.click ? std::vector<int>{c.click} : std::vector<int>{})
            << c.stage << " " << c.command;
    }
    // A push-like button is checked alone among the table's check and radio buttons.
    EXPECT_EQ(IsDlgButtonChecked(stage_panel, 1904), BST_UNCHECKED);  // the last cases changed nothing
    current_stage = 1;
    forward_stage_command(40154);
    EXPECT_EQ(IsDlgButtonChecked(stage_panel, 1904), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(stage_panel, 1908), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(stage_panel, 1170), BST_UNCHECKED);
    // Without a stage panel nothing is forwarded.
    DestroyWindow(stage_panel);
    stage_panel = nullptr;
    current_stage = 2;
    EXPECT_EQ(forward_stage_command(40188), 0);
    // The stage submenu's items follow the panel's buttons.
    stage_panel = make_panel({{1975, BS_PUSHBUTTON}, {1025, BS_PUSHBUTTON | WS_DISABLED}});
    HMENU stage_menu = GetSubMenu(main_menu, 3);
    AppendMenuA(stage_menu, MF_STRING, 40188, "a");
    AppendMenuA(stage_menu, MF_STRING, 40117, "b");
    AppendMenuA(stage_menu, MF_STRING, 40119, "c");
    enable_stage_commands();
    EXPECT_TRUE(enabled(40188));
    EXPECT_FALSE(enabled(40117));  // its button is disabled
    EXPECT_FALSE(enabled(40119));  // its button is missing
    stage_submenu_rebuild();
}

// The dispatcher with the hooks the program itself fills at start-up (no
// seam replaced): a new drawing is made by the documents code with the
// settings of a new drawing, the stage commands move the stage, and closing
// the unnamed drawing asks question 2, empties the stage-panel slot, ends
// the busy state and takes the window items off the window menu.  Opening
// the working file again makes the next stage command build its panel anew.
TEST(ProgramWiring, NewDrawingStagesAndCloseRunThroughTheDocumentsCode) {
    test_frame();
    ASSERT_EQ(open_drawing_count, 0);
    ASSERT_NE(settings_block, nullptr);
    put_u16(settings_block, settings_text_size_index_offset, 6);
    dimension_tool_state = 5;
    {
        // The new-drawing wizard is taken as it comes (one front view).
        DialogWatcher wizard([](HWND d) { press(d, IDOK); });
        EXPECT_EQ(dispatch_menu_command(IDM_FILE_NEW), 0);
        pump_messages(100);
    }
    DrawingFile* df = current_drawing_file();
    ASSERT_NE(df, nullptr);
    std::string path = df->path;
    EXPECT_TRUE(df->flags & drawing_flag_unnamed);
    EXPECT_EQ(get_u16(settings_block, settings_text_size_index_offset), 2);
    EXPECT_EQ(get_f64(settings_block, settings_text_height_offset), 3.5);
    EXPECT_EQ(get_f64(df->header, 128), 1.0);
    EXPECT_EQ(dimension_tool_state, 0);
    dispatch_menu_command(IDM_STAGE_POINTS);
    EXPECT_EQ(current_stage, 1);
    dispatch_menu_command(IDM_STAGE_DIMENSIONS);
    EXPECT_EQ(current_stage, 2);
    char title[300] = {};
    GetWindowTextA(frame_window, title, sizeof title);
    // The wizard's one view is the active projection window, named in the title.
    EXPECT_EQ(std::string(title), std::string(file_part_of(path)) +
                                      " [этап 3. Размерная сеть, активная проекция: \"Вид спереди\"] - SARVOLT 9.4");

    HMENU window_menu = GetSubMenu(main_menu, 4);
    ASSERT_NE(window_menu, nullptr);
    // The items before the window list stay; the list (the new drawing's
    // own view among it) goes with the drawing.
    int items_before = GetMenuItemCount(window_menu);
    for (int i = 0; i < items_before; ++i) {
        UINT item = GetMenuItemID(window_menu, i);
        if (item != static_cast<UINT>(-1) && item >= IDM_WINDOW_LIST_FIRST) {
            items_before = i;
            break;
        }
    }
    AppendMenuA(window_menu, MF_STRING, IDM_WINDOW_LIST_FIRST, "1 Вид спереди");
    AppendMenuA(window_menu, MF_STRING, IDM_WINDOW_LIST_FIRST + 1, "2 Вид сверху");
    busy_flag = 1;
    DialogWatcher no([](HWND d) { press(d, IDCANCEL); });
    dispatch_menu_command(IDM_FILE_CLOSE);
    pump_messages(100);
    ASSERT_EQ(no.seen.size(), 1u);
    EXPECT_NE(no.seen[0].text(IDC_QUESTION_TEXT).find("Определить имя временному документу?"), std::string::npos);
    EXPECT_EQ(open_drawing_count, 0);
    EXPECT_EQ(current_stage, 0);
    GetWindowTextA(frame_window, title, sizeof title);
    EXPECT_STREQ(title, "SARVOLT - Конструкторская документация");
    EXPECT_EQ(stage_panel_id, IDD_STAGE_PANEL_EMPTY);
    EXPECT_TRUE(IsWindow(stage_panel));
    EXPECT_EQ(busy_flag, 0);
    EXPECT_EQ(GetMenuItemCount(window_menu), items_before);
    EXPECT_EQ(GetMenuState(window_menu, IDM_WINDOW_LIST_FIRST, MF_BYCOMMAND), static_cast<UINT>(-1));

    // The working file opened again: the remembered (empty) stage panel is
    // forgotten; the drawing's own stage may show its panel again.
    drawing_open_path(path.c_str());
    pump_messages(100);
    ASSERT_EQ(open_drawing_count, 1);
    EXPECT_NE(stage_panel_id, IDD_STAGE_PANEL_EMPTY);
    dispatch_menu_command(IDM_FILE_CLOSE);
    pump_messages(100);
    EXPECT_EQ(no.seen.size(), 2u);
    EXPECT_EQ(open_drawing_count, 0);
    DeleteFileA(path.c_str());
}

// The drawing scale: 0.0 is ignored; a different factor renews the
// construction time stamp (and clears the word beside it), one equal within
// the tolerance only stores the factor.
TEST(ProgramWiring, DrawingScaleRenewsTheConstructionStampOnlyWhenItChanges) {
    test_frame();
    ASSERT_EQ(open_drawing_count, 0);
    {
        DialogWatcher wizard([](HWND d) { press(d, IDOK); });
        dispatch_menu_command(IDM_FILE_NEW);
        pump_messages(100);
    }
    DrawingFile* df = current_drawing_file();
    ASSERT_NE(df, nullptr);
    std::string path = df->path;
    unsigned char* h = df->header;
    put_u32(h, header_construction_time, 5);
    put_u32(h, header_dword_140, 9);
    drawing_scale_set(0.0);
    EXPECT_EQ(get_f64(h, header_scale), 1.0);
    EXPECT_EQ(get_u32(h, header_construction_time), 5u);
    drawing_scale_set(1.0 + 1e-9);  // the same scale within the tolerance
    EXPECT_EQ(get_u32(h, header_construction_time), 5u);
    EXPECT_EQ(get_u32(h, header_dword_140), 9u);
    uint32_t before = static_cast<uint32_t>(time(nullptr));
    drawing_scale_set(0.5);
    EXPECT_EQ(get_f64(h, header_scale), 0.5);
    EXPECT_GE(get_u32(h, header_construction_time), before);
    EXPECT_EQ(get_u32(h, header_dword_140), 0u);
    DialogWatcher no([](HWND d) { press(d, IDCANCEL); });
    dispatch_menu_command(IDM_FILE_CLOSE);
    pump_messages(100);
    EXPECT_EQ(open_drawing_count, 0);
    DeleteFileA(path.c_str());
}

TEST(MenuState, ItemsAndStageButtonsFollowTheStateReached) {
    test_frame();
    struct Case {
        int state;
        std::vector<int> on, off;              // menu commands
        std::vector<int> bar_on, bar_off;      // stage-bar buttons
        bool settings;
    } cases[] = {
        {40002, {40001, 40011}, {40002, 40013, 40004, 40099, 40102}, {}, {1298, 1299, 1306}, false},
        {40011, {40002, 40013, 40014, 40004, 40099, 40010, 40043, 40102},
         {40001, 40011, 40005, 40006, 40082, 40018, 40086}, {1298}, {1299, 1300}, true},
        {40004, {40002, 40004, 40099, 40010, 40043, 40082, 40086},
         {40005, 40006, 40027, 40001}, {1298}, {1299, 1300, 1301}, true},
        {40005, {40004, 40005, 40006, 40027, 40082}, {40007, 40018, 40029},
         {1298, 1299, 1300, 1301}, {1302, 1303}, true},
        {40027, {40027, 40010, 40043}, {40082, 40007}, {1301}, {1302}, true},
        {40007, {40007, 40018, 40099, 40086}, {40010, 40043, 40082, 40029}, {1302, 1301, 1298},
         {1303}, true},
        {102, {40029, 40007, 40018, 40099}, {40010, 40043, 40019}, {1303, 1302}, {1306}, true},
        // No drawing allows printing here, so "Печать" stays grey.
        {40029, {40029, 40007, 40002, 40012}, {40099, 40015, 40086, 40010, 40019}, {1303, 1298},
         {1306}, false},
    };
    for (const Case& c : cases) {
        update_menu_state(c.state);
        for (int id : c.on) EXPECT_TRUE(enabled(id)) << c.state << " item " << id;
        for (int id : c.off) EXPECT_FALSE(enabled(id)) << c.state << " item " << id;
        for (int b : c.bar_on) EXPECT_TRUE(bar_enabled(b)) << c.state << " button " << b;
        for (int b : c.bar_off) EXPECT_FALSE(bar_enabled(b)) << c.state << " button " << b;
        EXPECT_EQ(settings_popup_enabled(), c.settings) << c.state;
    }
    // 40016 and 40061..40077 change nothing.
    update_menu_state(40002);
    for (int state : {40016, 40061, 40077}) {
        update_menu_state(state);
        EXPECT_TRUE(enabled(40001)) << state;
    }
    // The checkpoint command is greyed while no drawing can take one.
    EnableMenuItem(main_menu, 40079, MF_BYCOMMAND | MF_ENABLED);
    update_menu_state(40004);
    EXPECT_FALSE(enabled(40079));
    update_menu_state(40002);
}

// ---------------------------------------------------------------- recent files
namespace {

const char* user_key() { return settings_text(settings_user_key_offset); }

std::map<std::string, std::string> read_values() {
    std::map<std::string, std::string> values;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, user_key(), 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        char name[256], data[2048];
        DWORD name_size = sizeof name, data_size = sizeof data - 1, type = 0;
        if (RegEnumValueA(key, i, name, &name_size, nullptr, &type, reinterpret_cast<BYTE*>(data),
                          &data_size) != ERROR_SUCCESS)
            break;
        if (type != REG_SZ) continue;
        data[data_size] = 0;
        values[name] = data;
    }
    RegCloseKey(key);
    return values;
}

void write_values(const std::map<std::string, std::string>& values) {
    RegDeleteKeyA(HKEY_CURRENT_USER, user_key());
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, user_key(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    for (const auto& v : values)
        RegSetValueExA(key, v.first.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.second.c_str()),
                       static_cast<DWORD>(v.second.size() + 1));
    RegCloseKey(key);
}

std::string menu_text(int id) {
    char text[128] = {};
    if (!GetMenuStringA(main_menu, id, text, sizeof text, MF_BYCOMMAND)) return "(none)";
    return text;
}

// Keeps the program's registry values of the test prefix and puts them back.
struct RecentFiles : ::testing::Test {
    std::map<std::string, std::string> saved;
    void SetUp() override {
        test_frame();
        ASSERT_TRUE(*user_key());
        saved = read_values();
        write_values({});
        clear_menu();
    }
    void TearDown() override {
        clear_menu();
        write_values(saved);
    }
    // The recent items and the separator before them.
    static void clear_menu() {
        for (int id : recent_file_commands) DeleteMenu(main_menu, id, MF_BYCOMMAND);
        HMENU file = GetSubMenu(main_menu, 0);
        int n;
        while ((n = GetMenuItemCount(file)) > 0 && GetMenuItemID(file, n - 1) == 0)
            DeleteMenu(file, n - 1, MF_BYPOSITION);
    }
};

std::string make_file(const char* name) {
    std::string path = current_folder() + "\\" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) std::fclose(f);
    return path;
}

}  // namespace

TEST_F(RecentFiles, NewestFirstWithoutDuplicatesAndAtMostSeven) {
    std::string a = make_file("recent_a.svt"), b = make_file("recent_b.svt"), c = make_file("recent_c.svt");
    document_shell.recent_files_add(a.c_str());
    document_shell.recent_files_add(a.c_str());
    auto v = read_values();
    EXPECT_EQ(v["LastFile1"], a);
    EXPECT_EQ(v.count("LastFile2"), 0u);
    EXPECT_EQ(v["Path"], current_folder());
    document_shell.recent_files_add(b.c_str());
    document_shell.recent_files_add(c.c_str());
    document_shell.recent_files_add(a.c_str());  // an older entry comes to the front
    v = read_values();
    EXPECT_EQ(v["LastFile1"], a);
    EXPECT_EQ(v["LastFile2"], c);
    EXPECT_EQ(v["LastFile3"], b);
    EXPECT_EQ(v.count("LastFile4"), 0u);
    // The menu follows with one separator before the list.
    EXPECT_NE(menu_text(104).find("recent_a.svt"), std::string::npos);
    EXPECT_NE(menu_text(106).find("recent_b.svt"), std::string::npos);
    HMENU file = GetSubMenu(main_menu, 0);
    int n = GetMenuItemCount(file);
    EXPECT_EQ(GetMenuItemID(file, n - 4), 0u);  // the separator
    EXPECT_NE(GetMenuItemID(file, n - 5), 0u);  // only one

    // Eight different drawings keep the last seven.
    std::vector<std::string> paths;
    for (int i = 1; i <= 8; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "recent_%d.svt", i);
        paths.push_back(make_file(name));
        document_shell.recent_files_add(paths.back().c_str());
    }
    v = read_values();
    for (int k = 1; k <= 7; ++k) EXPECT_EQ(v["LastFile" + std::to_string(k)], paths[8 - k]) << k;
    EXPECT_EQ(v.count("LastFile8"), 0u);
    EXPECT_EQ(menu_text(111), "(none)");
    for (const auto& p : paths) DeleteFileA(p.c_str());
    for (const auto& p : {a, b, c}) DeleteFileA(p.c_str());
}

TEST_F(RecentFiles, VanishedFilesLeaveTheMenuAndTheRegistryOtherValuesSurvive) {
    std::string kept1 = make_file("recent_kept1.svt"), kept2 = make_file("recent_kept2.svt");
    std::string gone = current_folder() + "\\recent_gone.svt";
    write_values({{"LastFile1", kept1},
                  {"LastFile2", gone},
                  {"LastFile3", kept2},
                  {"Photolib", "C:\\фото"},
                  {"RenderSTL", "C:\\stl\\render.exe"},
                  {"Path", "C:\\Чертежи"}});
    recent_files_menu_build(1);
    EXPECT_NE(menu_text(104).find("recent_kept1.svt"), std::string::npos);
    EXPECT_NE(menu_text(105).find("recent_kept2.svt"), std::string::npos);
    EXPECT_EQ(menu_text(106), "(none)");
    auto v = read_values();
    EXPECT_EQ(v["LastFile1"], kept1);
    EXPECT_EQ(v["LastFile2"], kept2);
    EXPECT_EQ(v.count("LastFile3"), 0u);
    EXPECT_EQ(v["Photolib"], "C:\\фото");
    EXPECT_EQ(v["RenderSTL"], "C:\\stl\\render.exe");
    EXPECT_EQ(v["Path"], "C:\\Чертежи");  // the last folder is not lost by the rewrite
    DeleteFileA(kept1.c_str());
    DeleteFileA(kept2.c_str());
}

TEST_F(RecentFiles, ListStopsAtTheFirstGapAndGoesToTheFileMenuBehindAChildsSystemMenu) {
    std::string one = make_file("recent_one.svt"), three = make_file("recent_three.svt");
    write_values({{"LastFile1", one}, {"LastFile3", three}});
    // A maximised child puts its system menu in front of "Файл".
    HMENU system_like = CreatePopupMenu();
    AppendMenuA(system_like, MF_STRING, 61536, "x");
    InsertMenuA(main_menu, 0, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(system_like), "");
    recent_files_menu_build(1);
    EXPECT_EQ(GetMenuItemCount(system_like), 1);
    HMENU file = GetSubMenu(main_menu, 1);
    EXPECT_EQ(GetMenuItemID(file, GetMenuItemCount(file) - 1), 104u);
    EXPECT_EQ(menu_text(105), "(none)");
    RemoveMenu(main_menu, 0, MF_BYPOSITION);
    DestroyMenu(system_like);
    DeleteFileA(one.c_str());
    DeleteFileA(three.c_str());
}

TEST_F(RecentFiles, ChosenItemOpensItsDrawingWhenNoneIsOpen) {
    program_message_display = program_message_show;
    std::string gone = current_folder() + "\\recent_missing.svt";
    write_values({{"LastFile1", gone}});
    document_dialog_answer = [](int, char*, size_t) { return 0; };  // the open dialog is cancelled
    DialogWatcher watcher;
    dispatch_menu_command(105);  // no second entry: only the (cancelled) open dialog
    pump_messages();
    EXPECT_TRUE(watcher.seen.empty());
    dispatch_menu_command(104);  // the open is tried and reports the missing file
    pump_messages();
    EXPECT_EQ(watcher.seen.size(), 1u);
    document_dialog_answer = nullptr;
}

// ---------------------------------------------------------------- prompt line
TEST(PromptLine, PrefixesNumbersAndModifierKeys) {
    test_frame();
    struct Case {
        const char* text;
        const char* shown;
    } cases[] = {
        {"*вторую точку", "Укажите вторую точку"},
        {"+радиус дуги", "Задайте радиус дуги"},
        {"Обычный текст", "Обычный текст"},
        {"", ""},
    };
    for (const Case& c : cases) {
        prompt_show(c.text);
        EXPECT_EQ(prompt_text(), c.shown) << c.text;
    }
    prompts_held = 1;
    prompt_show("*другое");
    EXPECT_EQ(prompt_text(), "");
    prompts_held = 0;

    prompt_show("*точку");
    char* before = prompt_point_rejected();
    ASSERT_NE(before, nullptr);
    EXPECT_STREQ(before, "Укажите точку");
    EXPECT_EQ(prompt_text(), "Эту точку использовать нельзя!");
    std::free(before);

    struct Number {
        unsigned value, second;
        bool pair;
        const char* shown;
    } numbers[] = {
        {5, 0, false, "5"}, {0x10005, 0, false, "5"}, {0x8000, 0, false, ""},
        {3, 7, true, "3.7"}, {0x8003, 7, true, ""},
    };
    for (const Number& n : numbers) {
        if (n.pair)
            status_show_pair(n.value, n.second);
        else
            status_show_number(n.value);
        EXPECT_EQ(prompt_text(1145), n.shown) << n.value;
    }

    modifier_keys_show(VK_SHIFT, 1);
    modifier_keys_show(VK_MENU, 1);
    EXPECT_EQ(prompt_text(1538), "+Alt, +Shift");
    modifier_keys_show(VK_CONTROL, 1);
    EXPECT_EQ(prompt_text(1538), "+Alt, +Ctrl, +Shift");
    modifier_keys_show(VK_MENU, 0);
    modifier_keys_show(VK_SHIFT, 0);
    EXPECT_EQ(prompt_text(1538), "+Ctrl");

    // Ctrl at the finishing stage: the hint of the mode, then the old prompt back.
    unsigned char stage = current_stage;
    current_stage = 5;
    prompt_show("*место текста");
    ctrl_hint_mode_set(2);
    modifier_prompt_show(VK_CONTROL);
    EXPECT_EQ(prompt_text(), "Произвольное перемещение размера");
    modifier_prompt_show(VK_CONTROL);  // auto-repeat keeps the first saved text
    modifier_prompt_show(-1);
    EXPECT_EQ(prompt_text(), "Укажите место текста");
    EXPECT_EQ(ctrl_hint_mode, 0);
    modifier_keys_show(VK_CONTROL, 0);
    // A key that is not held shows nothing.
    modifier_prompt_show(VK_CONTROL);
    EXPECT_EQ(prompt_text(), "Укажите место текста");
    // Alt at the points stage.
    current_stage = 1;
    modifier_keys_show(VK_MENU, 1);
    modifier_prompt_show(VK_MENU);
    EXPECT_EQ(prompt_text(), "Укажите удаляемую точку");
    modifier_keys_show(VK_MENU, 0);
    modifier_prompt_show(-1);
    EXPECT_EQ(prompt_text(), "Укажите место текста");
    current_stage = stage;
}

TEST(PromptLine, HighlightFadesToTheButtonFaceInAboutFifteenSteps) {
    test_frame();
    prompt_show("новая подсказка");
    EXPECT_EQ(prompt_colour, highlight_colour);
    int steps = 0;
    while (prompt_colour != prompt_target_colour && steps < 100) {
        prompt_fade_tick(prompt_panel);
        ++steps;
    }
    EXPECT_EQ(prompt_colour, prompt_target_colour);
    EXPECT_GE(steps, 1);
    EXPECT_LE(steps, 16);
    // Each channel moves towards its target, never past it.
    int hr, hg, hb, tr, tg, tb;
    colour_split(highlight_colour, &hr, &hg, &hb);
    colour_split(prompt_target_colour, &tr, &tg, &tb);
    EXPECT_EQ(fade_step_red, (hr - tr) / 15 ? (hr - tr) / 15 : (hr < tr ? -1 : 1));
    EXPECT_EQ(fade_step_blue, (hb - tb) / 15 ? (hb - tb) / 15 : (hb < tb ? -1 : 1));
}

TEST(StageSwitch, CaptionPromptAndStageMenuFollowTheStage) {
    test_frame();
    unsigned char stage = current_stage;
    struct Case {
        int code;
        const char* caption;
        const char* prompt;
        const char* menu;
    } cases[] = {
        {1, "1. Опорные точки", "Укажите опорные точки на проекциях", "Этап 1. Опорные точки"},
        {2, "3. Размерная сеть", "Используйте точки для описания размеров", "Этап 3. Размерная сеть"},
        {3, "2. Ввод изображения", "Используйте опорные точки для черчения", "Этап 2. Ввод изображения"},
        {4, "4. Построение вида", "Идёт построение истинного изображения проекций", "Этап 4. Построение вида"},
        {5, "5. Оформление", "Введите элементы оформления чертежа", "Этап 5. Оформление"},
        {9, "Распечатать", "Вывод чертежа на принтер", "Команды этапа"},
        {6, "6. Компоновка чертежа", "Чертёж отправлен на принтер", "Этап 6. Компоновка чертежа"},
    };
    for (const Case& c : cases) {
        stage_set(c.code);
        EXPECT_EQ(current_stage, c.code);
        EXPECT_EQ(prompt_text(1010), c.caption) << c.code;
        EXPECT_EQ(prompt_text(), c.prompt) << c.code;
        char menu[80] = {};
        GetMenuStringA(main_menu, 3, menu, sizeof menu, MF_BYPOSITION);
        EXPECT_STREQ(menu, c.menu) << c.code;
    }
    EXPECT_EQ(previous_stage, 6);  // stage 9 is kept as 6
    // An unknown code changes neither caption nor prompt.
    stage_set(7);
    EXPECT_EQ(prompt_text(1010), "6. Компоновка чертежа");
    current_stage = stage;
    stage_submenu_rebuild();
}

TEST(StageSwitch, StageSubmenuListsTheStagesToolsAndTakesNewTexts) {
    test_frame();
    unsigned char stage = current_stage;
    command_seams.stage_command_text = [](int, int command) -> const char* {
        return command == 40193 ? "   Текст на\nдве строки" : "   Инструмент";
    };
    HMENU submenu = GetSubMenu(main_menu, 3);
    struct Case {
        int stage, items, first;
    } cases[] = {{1, 8, 40151}, {2, 19, 40117}, {3, 25, 40157}, {4, 5, 40189}, {5, 12, 40193}, {6, 4, 40204}};
    for (const Case& c : cases) {
        stage_set(c.stage);
        EXPECT_EQ(GetMenuItemCount(submenu), c.items) << c.stage;
        EXPECT_EQ(GetMenuItemID(submenu, 0), static_cast<UINT>(c.first)) << c.stage;
    }
    // Stage 4 stops before its sixth command, which stage 5 lists first.
    stage_set(4);
    EXPECT_EQ(GetMenuState(submenu, 40193, MF_BYCOMMAND), static_cast<UINT>(-1));
    set_stage_menu_item_text(40189, "   Новое\nимя");
    char text[64] = {};
    GetMenuStringA(submenu, 40189, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "   Новоеимя");
    command_seams = command_seams_unbound;
    current_stage = 0;
    stage_submenu_rebuild();
    EXPECT_EQ(GetMenuItemCount(submenu), 0);
    current_stage = stage;
}

TEST(StageBar, PressingAButtonRunsItsStageCommand) {
    HWND frame = test_frame();
    unsigned char stage = current_stage;
    current_stage = 1;
    SendMessageA(stage_bar, WM_COMMAND, MAKEWPARAM(1300, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(stage_bar, 1300)));
    EXPECT_EQ(current_stage, 2);
    EXPECT_EQ(prompt_text(1010), "3. Размерная сеть");
    EXPECT_EQ(context_help_topic, 9);
    // A menu command checks its stage-bar button alone.
    SendMessageA(frame, WM_COMMAND, 40006, 0);
    EXPECT_EQ(current_stage, 3);
    EXPECT_EQ(IsDlgButtonChecked(stage_bar, 1299), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(stage_bar, 1300), BST_UNCHECKED);
    current_stage = stage;
    stage_submenu_rebuild();
}

TEST(Cursors, ClockCursorReplacesThePreviousOne) {
    HWND frame = test_frame();
    cursor_set_clock(frame);
    HCURSOR first = clock_cursor;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(frame, GCLP_HCURSOR)), first);
    clock_cursor_draw(frame, 3);
    EXPECT_NE(clock_cursor, nullptr);
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(frame, GCLP_HCURSOR)), clock_cursor);
    cursor_set_normal(frame);
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(frame, GCLP_HCURSOR)), LoadCursorA(nullptr, IDC_ARROW));
}

TEST(Cursors, ClockHandsFollowTheTime) {
    const double degree = 3.141592653589793 / 180;
    struct Case {
        int hand, hour, minute, second;
        double degrees_from_twelve;
    } cases[] = {
        {0, 15, 40, 0, 3.0 * 30 + 40 * 0.5},  // between three and four
        {0, 0, 0, 0, 0},
        {0, 12, 30, 0, 15},
        {1, 15, 40, 0, 240},
        {2, 9, 0, 15, 90},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(clock_hand_angle(c.hand, c.hour, c.minute, c.second) + 90 * degree, c.degrees_from_twelve * degree,
                    1e-9)
            << c.hand << " " << c.hour << ":" << c.minute << ":" << c.second;
}

TEST(Stopwatch, AccumulatesTheTimeBetweenCalls) {
    Stopwatch w = {0, 0};
    DWORD start = stopwatch_start(&w);
    EXPECT_EQ(w.start, start);
    Sleep(30);
    stopwatch_accumulate(&w);
    Sleep(30);
    DWORD now = stopwatch_accumulate(&w);
    EXPECT_EQ(w.start, now);
    // Consecutive spans add up to the whole time since the start.
    EXPECT_EQ(w.total, now - start);
    EXPECT_GT(w.total, 0u);
}
