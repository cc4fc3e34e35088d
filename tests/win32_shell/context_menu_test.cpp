// The stage-command submenu with the program's names and pictures, and the
// context menus of a projection window put together from the real pop-ups
// of menu 649 for the state of a real stage panel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "shell/commands.h"
#include "shell/context_menus.h"
#include "shell/frame_window.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/startup.h"
#include "shell_fixture.h"

namespace {

struct Item {
    UINT id;
    std::string text;
    bool separator, greyed, picture;
};

std::vector<Item> items_of(HMENU menu) {
    std::vector<Item> out;
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        char text[256] = "";
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_CHECKMARKS;
        info.dwTypeData = text;
        info.cch = sizeof text;
        EXPECT_TRUE(GetMenuItemInfoA(menu, i, TRUE, &info));
        out.push_back({info.wID, text, (info.fType & MFT_SEPARATOR) != 0, (info.fState & MFS_GRAYED) != 0,
                       info.hbmpChecked != nullptr});
    }
    return out;
}

std::vector<UINT> ids_of(const std::vector<Item>& items) {
    std::vector<UINT> ids;
    for (const Item& it : items) ids.push_back(it.separator ? 0 : it.id);
    return ids;
}

const Item* item(const std::vector<Item>& items, UINT id) {
    for (const Item& it : items)
        if (!it.separator && it.id == id) return &it;
    return nullptr;
}

INT_PTR CALLBACK quiet_panel(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// A stage panel made from the program's template, standing in the frame's
// panel slot for one test.
class PanelScope {
public:
    PanelScope(int stage, int dialog)
        : saved_panel_(stage_panel), saved_stage_(current_stage), saved_tool_(point_tool_hook) {
        panel_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(dialog), test_frame(), quiet_panel, 0);
        stage_panel = panel_;
        current_stage = static_cast<unsigned char>(stage);
        window_ = static_cast<ProjectionWindow*>(std::calloc(1, sizeof(ProjectionWindow)));
        window_->view_flags = 1;
    }
    ~PanelScope() {
        stage_panel = saved_panel_;
        current_stage = saved_stage_;
        DestroyWindow(panel_);
        std::free(window_);
        command_seams.dimension_input_active = command_seams_unbound.dimension_input_active;
        point_tool_hook = saved_tool_;
    }
    HWND panel() const { return panel_; }
    ProjectionWindow* window() const { return window_; }

private:
    HWND panel_;
    HWND saved_panel_;
    unsigned char saved_stage_;
    int (*saved_tool_)();
    ProjectionWindow* window_;
};

int entered_kind_none() { return 0; }
int entered_kind_some() { return 1; }
int tool_control_distance() { return 1990; }

LRESULT CALLBACK plain_child(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefMDIChildProcA(w, m, wp, lp); }

// A maximised MDI child of the test frame, of a plain class; the frame's
// menu bar then starts with the child's system menu.
HWND maximised_child() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = plain_child;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "MaximisedTestChild";
        registered = RegisterClassA(&wc) != 0;
    }
    MDICREATESTRUCTA mc = {};
    mc.szClass = "MaximisedTestChild";
    mc.szTitle = "child";
    mc.hOwner = GetModuleHandleA(nullptr);
    mc.x = mc.y = mc.cx = mc.cy = CW_USEDEFAULT;
    mc.style = WS_MAXIMIZE;
    HWND child = reinterpret_cast<HWND>(SendMessageA(mdi_client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mc)));
    pump_messages();
    return child;
}

void close_child(HWND child) {
    SendMessageA(mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(child), 0);
    pump_messages();
}

}  // namespace

// The stage submenu of the test frame, with the stage in force and its
// submenu put back after each test.
class StageSubmenu : public ::testing::Test {
protected:
    void SetUp() override {
        test_frame();
        stage_menu_bind();
        stage_ = current_stage;
    }
    void TearDown() override {
        current_stage = stage_;
        stage_submenu_rebuild();
    }

private:
    unsigned char stage_ = 0;
};

TEST_F(StageSubmenu, ListsTheToolNamesWithTheirPictures) {
    HMENU submenu = GetSubMenu(main_menu, 3);
    struct Case {
        int stage, count;
        const char* first;
    } cases[] = {{1, 8, " Разрешить добавлять новые точки"},
                 {2, 19, " Опора меньшей координаты размера"},
                 {3, 25, " Две точки на отрезке прямой линии"},
                 {4, 5, " Пометить размер в списке"},
                 {5, 12, " Разрешить перемещать элементы оформления"}};
    for (const Case& c : cases) {
        stage_set(c.stage);
        std::vector<Item> items = items_of(submenu);
        ASSERT_EQ(static_cast<int>(items.size()), c.count) << c.stage;
        EXPECT_EQ(items[0].text, c.first);
        for (const Item& it : items) EXPECT_TRUE(it.picture) << c.stage << " " << it.id;
    }
    // A hyphen at a line break joins the word.
    stage_set(2);
    EXPECT_EQ(item(items_of(submenu), IDM_DIMENSION_DIRECTION_3)->text,
              " Будут введены размеры перпендикулярно произвольной оси");
}

// The layout stage lists the format panel's four commands, without
// pictures, greyed as the panel's controls; a command reaches its control,
// and the turn changes the check box's state as a click does.
TEST_F(StageSubmenu, LayoutStageCommandsFollowTheFormatPanel) {
    {
        PanelScope scope(6, IDD_PANEL_LAYOUT);
        stage_submenu_rebuild();
        EnableWindow(GetDlgItem(scope.panel(), IDC_LAYOUT_DELETE_SHEET), FALSE);
        enable_stage_commands();
        std::vector<Item> items = items_of(GetSubMenu(main_menu, 3));
        std::vector<UINT> ids = {40204, 40205, 40206, 40207};
        EXPECT_EQ(ids_of(items), ids);
        const char* texts[] = {" Повёрнуто", " Автокомпоновка", " Добавить лист", " Удалить лист"};
        for (size_t i = 0; i < items.size() && i < 4; ++i) {
            EXPECT_EQ(items[i].text, texts[i]);
            EXPECT_FALSE(items[i].picture) << items[i].id;
            EXPECT_EQ(items[i].greyed, items[i].id == 40207) << items[i].id;
        }
        EXPECT_EQ(IsDlgButtonChecked(scope.panel(), IDC_LAYOUT_ROTATED), BST_UNCHECKED);
        EXPECT_EQ(forward_stage_command(40204), 1);
        EXPECT_EQ(IsDlgButtonChecked(scope.panel(), IDC_LAYOUT_ROTATED), BST_CHECKED);
        forward_stage_command(40204);
        EXPECT_EQ(IsDlgButtonChecked(scope.panel(), IDC_LAYOUT_ROTATED), BST_UNCHECKED);
        pump_messages();
    }
}

TEST(ContextMenus, DimensionPopupFollowsThePanelAndTheDimensionKind) {
    PanelScope scope(2, IDD_PANEL_DIMENSIONS);
    HWND kinds = GetDlgItem(scope.panel(), IDC_DIMENSION_KIND);
    for (const char* k : {"Линейный", "Радиус", "Диаметр", "Угол", "Длина дуги", "Скругление", "Уровень"})
        SendMessageA(kinds, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(k));
    SendMessageA(kinds, CB_SETCURSEL, 6, 0);
    EnableWindow(GetDlgItem(scope.panel(), IDC_DIMENSION_SECOND_END), FALSE);
    EnableWindow(GetDlgItem(scope.panel(), IDC_DIMENSION_COMMIT), TRUE);
    CheckDlgButton(scope.panel(), IDC_DIMENSION_SELECTION, BST_CHECKED);
    command_seams.dimension_input_active = entered_kind_some;

    HMENU menu = context_menu_prepare(scope.window(), 10, 10);
    ASSERT_EQ(menu, GetSubMenu(context_menu, 0));
    std::vector<Item> items = items_of(menu);
    std::vector<UINT> with_centre = {40117, 40119, 40127, 40118, 0, 40121, 0, 40125, 40138, 40142};
    EXPECT_EQ(ids_of(items), with_centre);
    EXPECT_EQ(item(items, 40118)->text, "   Точки на нулевом уровне");
    EXPECT_EQ(item(items, 40127)->text, "   Отключить режим селекции");
    EXPECT_TRUE(item(items, 40119)->greyed);
    EXPECT_FALSE(item(items, 40117)->greyed);
    EXPECT_FALSE(item(items, 40121)->greyed);
    EXPECT_EQ(item(items, 40142)->text, "   Поднять окно");
    for (UINT id : {40117u, 40118u, 40119u, 40127u, 40121u, 40125u, 40138u, 40142u})
        EXPECT_TRUE(item(items, id)->picture) << id;

    // No dimension being entered: 40118 goes with its separator; the pop-up
    // keeps that until the next use.
    command_seams.dimension_input_active = entered_kind_none;
    context_menu_prepare(scope.window(), 10, 10);
    std::vector<UINT> without = {40117, 40119, 40127, 40121, 0, 40125, 40138, 40142};
    EXPECT_EQ(ids_of(items_of(menu)), without);
    EXPECT_EQ(ids_of(items_of(GetSubMenu(context_menu, 0))), without);

    // Entered again, a radius: back before 40121 with a separator.
    command_seams.dimension_input_active = entered_kind_some;
    SendMessageA(kinds, CB_SETCURSEL, 1, 0);
    CheckDlgButton(scope.panel(), IDC_DIMENSION_SELECTION, BST_UNCHECKED);
    scope.window()->window_flags |= window_flag_second_placement;
    context_menu_prepare(scope.window(), 10, 10);
    items = items_of(menu);
    EXPECT_EQ(ids_of(items), with_centre);
    EXPECT_EQ(item(items, 40118)->text, "   Центр радиальных размеров");
    EXPECT_EQ(item(items, 40127)->text, "   Включить режим селекции");
    EXPECT_EQ(item(items, 40142)->text, "   Убрать окно");
}

TEST(ContextMenus, ReferencePointAndImagePopups) {
    {
        PanelScope scope(1, IDD_PANEL_POINTS);
        point_tool_hook = tool_control_distance;
        EnableWindow(GetDlgItem(scope.panel(), IDC_POINTS_APPLY), FALSE);
        HMENU menu = context_menu_prepare(scope.window(), 10, 10);
        ASSERT_EQ(menu, GetSubMenu(context_menu, 1));
        std::vector<Item> items = items_of(menu);
        ASSERT_NE(item(items, 40122), nullptr);
        EXPECT_EQ(item(items, 40122)->text, "   Принять контрольное расстояние");
        EXPECT_TRUE(item(items, 40122)->greyed);
        EXPECT_EQ(item(items, 154), nullptr);  // no marked points
        EXPECT_EQ(items.back().id, 40142u);
        EnableWindow(GetDlgItem(scope.panel(), IDC_POINTS_APPLY), TRUE);
        EXPECT_FALSE(item(items_of(context_menu_prepare(scope.window(), 10, 10)), 40122)->greyed);
    }
    {
        PanelScope scope(3, IDD_PANEL_IMAGE);
        HMENU menu = context_menu_prepare(scope.window(), 10, 10);
        ASSERT_EQ(menu, GetSubMenu(context_menu, 5));
        std::vector<Item> items = items_of(menu);
        EXPECT_EQ(item(items, 40137)->text, "   Разрешить пометку");
        EXPECT_TRUE(item(items, 40137)->picture);
        for (UINT id : {40133u, 141u, 151u}) EXPECT_EQ(item(items, id), nullptr) << id;
    }
    // Stages without a context menu.
    PanelScope scope(4, IDD_PANEL_CONSTRUCTION);
    EXPECT_EQ(context_menu_prepare(scope.window(), 10, 10), nullptr);
}

// A maximised MDI child puts its system menu in front of the menu bar: the
// stage submenu is then the fifth item, and it is that one that is rebuilt.
TEST_F(StageSubmenu, FollowsTheMenuBarWhenAChildIsMaximised) {
    HWND child = maximised_child();
    ASSERT_NE(child, nullptr);
    char first[64] = "";
    GetMenuStringA(main_menu, 0, first, sizeof first, MF_BYPOSITION);
    ASSERT_EQ(std::string(first).find("Файл"), std::string::npos) << "no system menu in front";
    stage_set(3);
    char caption[80] = "";
    GetMenuStringA(main_menu, 4, caption, sizeof caption, MF_BYPOSITION);
    EXPECT_STREQ(caption, "Этап 2. Ввод изображения");
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(main_menu, 4)), 25);
    char windows[80] = "";
    GetMenuStringA(main_menu, 5, windows, sizeof windows, MF_BYPOSITION);
    EXPECT_STREQ(windows, "&Окна проекций");
    close_child(child);
}

// "Поднять окно" of a maximised window's system menu, which then sits in the
// frame's menu bar and sends its command to the frame: the frame toggles the
// active window's placement, and a second pick toggles it back.
TEST(WindowMenu, RaiseItemOfAMaximisedWindowReachesTheFrame) {
    test_frame();
    HWND child = maximised_child();
    ASSERT_NE(child, nullptr);
    ProjectionWindow* w = static_cast<ProjectionWindow*>(std::calloc(1, sizeof(ProjectionWindow)));
    w->window = child;
    w->next = projection_windows;
    projection_windows = w;

    SendMessageA(test_frame(), WM_COMMAND, IDM_CONTEXT_RAISE_WINDOW, 0);
    pump_messages();
    EXPECT_TRUE(w->window_flags & window_flag_second_placement);
    SendMessageA(test_frame(), WM_COMMAND, IDM_CONTEXT_RAISE_WINDOW, 0);
    pump_messages();
    EXPECT_FALSE(w->window_flags & window_flag_second_placement);

    projection_windows = w->next;
    std::free(w);
    close_child(child);
}
