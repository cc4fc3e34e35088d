// The stage-submenu names and pictures and the plans of the three context
// menus of a projection window.
#include "shell/core/stage_menu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace {

const ContextMenuItem* find(const ContextMenuPlan& p, int id) {
    for (const ContextMenuItem& it : p.items)
        if (it.id == id) return &it;
    return nullptr;
}

bool removed(const ContextMenuPlan& p, int id) {
    return std::find(p.removed.begin(), p.removed.end(), id) != p.removed.end();
}

}  // namespace

TEST(StageMenu, NamesAndPicturesFollowTheStageTables) {
    struct Case {
        int stage, command;
        const char* name;  // null: not listed at that stage
    } cases[] = {
        {1, 40151, " Разрешить добавлять\n новые точки"},
        {1, 136, " Найти точку по номеру"},
        {2, 40117, " Опора меньшей\n координаты размера"},
        {2, 40188, " Сохранить номинал"},
        {3, 40157, " Две точки на отрезке\n прямой линии"},
        {3, 162, " Свойства слоёв\n графических элементов"},
        {4, 40121, " Прекратить процесс\n просмотра размеров"},
        // The construction submenu stops at five: its sixth command is the
        // annotation stage's first.
        {4, 40193, nullptr},
        {5, 40193, " Разрешить перемещать\n элементы оформления"},
        {5, 125, " Обозначение новой линии сечения"},
        {2, 40151, nullptr},
        {6, 40204, " Повёрнуто"},
        {6, 40207, " Удалить лист"},
        {6, 40151, nullptr},
        {0, 40151, nullptr},
        {7, 40151, nullptr},
    };
    for (const Case& c : cases) {
        const char* name = stage_command_name(c.stage, c.command);
        if (!c.name) {
            EXPECT_EQ(name, nullptr) << c.stage << " " << c.command;
            EXPECT_EQ(stage_command_picture_id(c.stage, c.command), 0) << c.stage << " " << c.command;
        } else {
            ASSERT_NE(name, nullptr) << c.stage << " " << c.command;
            EXPECT_STREQ(name, c.name);
        }
    }
    // A command listed at two stages has a picture at each; every picture id
    // lies in the stage range and no two items share one.
    EXPECT_NE(stage_command_picture_id(2, 40127), stage_command_picture_id(4, 40127));
    EXPECT_EQ(stage_command_picture_id(1, 40151), 16100);
    EXPECT_EQ(stage_command_picture_id(3, 162), 16324);
    // The layout stage's items have texts but no pictures.
    for (int command = 40204; command <= 40207; ++command) EXPECT_EQ(stage_command_picture_id(6, command), 0);
    EXPECT_EQ(window_item_picture(40142, false), menu_picture_raise_window);
    EXPECT_EQ(window_item_picture(40142, true), menu_picture_remove_window);
    EXPECT_EQ(window_item_picture(40125, true), menu_picture_projection_properties);
    EXPECT_EQ(window_item_picture(40117, true), 0);
}

TEST(ContextMenu, ReferencePointPopups) {
    ContextMenuState s;
    s.stage = 1;
    s.point_tool = 1908;
    ContextMenuPlan p = context_menu_plan(s);
    EXPECT_EQ(p.popup, context_popup_distance);
    ASSERT_NE(find(p, 40122), nullptr);
    EXPECT_TRUE(find(p, 40122)->greyed);  // "Да" of the panel disabled
    EXPECT_TRUE(removed(p, 154));
    EXPECT_EQ(find(p, 154), nullptr);

    s.point_tool = 1990;
    s.apply_enabled = true;
    s.points_marked = true;
    p = context_menu_plan(s);
    EXPECT_EQ(p.popup, context_popup_control_distance);
    EXPECT_FALSE(find(p, 40122)->greyed);
    const ContextMenuItem* save = find(p, 154);
    ASSERT_NE(save, nullptr);
    EXPECT_TRUE(save->at_end);
    EXPECT_EQ(save->text, "Сохранить список помеченных точек");
    EXPECT_FALSE(removed(p, 154));

    s.point_tool = 239;
    p = context_menu_plan(s);
    EXPECT_EQ(p.popup, context_popup_points);
    EXPECT_EQ(find(p, 40122), nullptr);  // pop-up 3 has no "Принять"
}

TEST(ContextMenu, DimensionPopupFollowsTheButtonsAndTheKind) {
    ContextMenuState s;
    s.stage = 2;
    // 1025, 1040, 1026, 1090, 1: the second end and the commit disabled.
    bool enabled[5] = {true, true, false, true, false};
    std::copy(enabled, enabled + 5, s.role_enabled);
    struct Case {
        int kind;
        bool selection;
        const char* centre;  // null: 40118 removed
        const char* selection_text;
    } cases[] = {
        {-1, false, nullptr, "   Включить режим селекции"},
        {6, true, "   Точки на нулевом уровне", "   Отключить режим селекции"},
        {1, false, "   Центр радиальных размеров", "   Включить режим селекции"},
        {0, false, "   Центр радиальных размеров", "   Включить режим селекции"},
    };
    for (const Case& c : cases) {
        s.dimension_kind = c.kind;
        s.selection_on = c.selection;
        ContextMenuPlan p = context_menu_plan(s);
        EXPECT_EQ(p.popup, context_popup_dimensions);
        EXPECT_FALSE(find(p, 40117)->greyed);
        EXPECT_TRUE(find(p, 40119)->greyed) << c.kind;
        EXPECT_FALSE(find(p, 40127)->greyed);
        EXPECT_TRUE(find(p, 40121)->greyed);
        EXPECT_EQ(find(p, 40127)->text, c.selection_text);
        for (int id : {40117, 40119, 40127, 40121}) EXPECT_NE(find(p, id)->picture, 0) << id;
        if (!c.centre) {
            EXPECT_EQ(find(p, 40118), nullptr);
            EXPECT_TRUE(removed(p, 40118));
            continue;
        }
        const ContextMenuItem* centre = find(p, 40118);
        ASSERT_NE(centre, nullptr) << c.kind;
        EXPECT_EQ(centre->text, c.centre);
        EXPECT_EQ(centre->insert_before, 40121);
        EXPECT_FALSE(centre->greyed);
        EXPECT_EQ(centre->picture == menu_picture_zero_level, c.kind == 6);
    }
}

TEST(ContextMenu, ImagePopupsMarkingLineTypeVisibilityAndAllowances) {
    int probes = 0;
    bool contour = false;
    ContextMenuState s;
    s.stage = 3;
    s.projection_kind = 1;
    s.has_elements = true;
    s.line_type_name = "Основная";
    s.contour_around_click = [&]() {
        ++probes;
        return contour;
    };
    // Nothing marked: pop-up 5, "Разрешить пометку" or "Пометка разрешена".
    ContextMenuPlan p = context_menu_plan(s);
    EXPECT_EQ(p.popup, context_popup_image);
    EXPECT_EQ(find(p, 40137)->text, "   Разрешить пометку");
    EXPECT_EQ(find(p, 40134), nullptr);
    EXPECT_TRUE(removed(p, 40133));
    EXPECT_TRUE(removed(p, 141));
    EXPECT_TRUE(removed(p, 151));
    EXPECT_EQ(probes, 1);  // no contour around the click
    s.marking_tool = true;
    EXPECT_EQ(find(context_menu_plan(s), 40137)->text, "   Пометка разрешена");

    // Marked elements, the line-type button enabled or not.
    s.elements_marked = true;
    s.marked_non_symbol = true;
    s.change_type_enabled = true;
    contour = true;
    p = context_menu_plan(s);
    EXPECT_EQ(p.popup, context_popup_marked);
    EXPECT_EQ(find(p, 40134)->text, "   Сменить тип на \"Основная\"");
    EXPECT_FALSE(find(p, 40134)->greyed);
    EXPECT_EQ(find(p, 40143), nullptr);
    ASSERT_NE(find(p, 40133), nullptr);
    EXPECT_EQ(find(p, 40133)->insert_before, 40138);
    ASSERT_NE(find(p, 141), nullptr);
    EXPECT_EQ(find(p, 141)->text, "   Добавить припуск");
    EXPECT_EQ(find(p, 141)->insert_before, 40138);
    EXPECT_TRUE(removed(p, 151));
    s.change_type_enabled = false;
    p = context_menu_plan(s);
    EXPECT_EQ(find(p, 40134)->text, "   Тип линии нельзя сменить");
    EXPECT_TRUE(find(p, 40134)->greyed);

    // A bar record: "Убрать припуск", and no contour search at all.
    probes = 0;
    s.bar_record = true;
    p = context_menu_plan(s);
    EXPECT_EQ(find(p, 151)->text, "   Убрать припуск");
    EXPECT_TRUE(removed(p, 141));
    EXPECT_EQ(probes, 0);

    // Only symbols marked: no visibility item.
    s.marked_non_symbol = false;
    EXPECT_TRUE(removed(context_menu_plan(s), 40133));

    // Kinds 9 and 11 take neither item; kind 9 has the DXF merge.
    s.marked_non_symbol = true;
    s.bar_record = false;
    for (int kind : {9, 11}) {
        s.projection_kind = kind;
        probes = 0;
        p = context_menu_plan(s);
        EXPECT_EQ(p.popup, kind == 9 ? context_popup_marked_solid : context_popup_marked);
        EXPECT_EQ(find(p, 40143) != nullptr, kind == 9);
        EXPECT_TRUE(removed(p, 40133));
        EXPECT_TRUE(removed(p, 141));
        EXPECT_TRUE(removed(p, 151));
        EXPECT_EQ(probes, 0);
    }
    // A projection without elements is not searched either.
    s.projection_kind = 1;
    s.has_elements = false;
    probes = 0;
    context_menu_plan(s);
    EXPECT_EQ(probes, 0);
}

TEST(ContextMenu, NoPopupOutsideTheFirstThreeStages) {
    for (int stage : {0, 4, 5, 6, 9}) {
        ContextMenuState s;
        s.stage = stage;
        ContextMenuPlan p = context_menu_plan(s);
        EXPECT_EQ(p.popup, -1) << stage;
        EXPECT_TRUE(p.items.empty());
    }
}
