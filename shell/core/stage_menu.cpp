// Stage-submenu names and pictures, and the context-menu plans (see
// stage_menu.h).
#include "shell/core/stage_menu.h"

#include "shell/core/window_list.h"
#include "shell/resource_ids.h"

namespace {

struct StageItem {
    int command;
    const char* name;
};

// The stage submenus in the order of the stage-command tables; the names
// are the hints of the panels' buttons.
const StageItem stage1_items[] = {
    {IDM_POINTS_ADD, " Разрешить добавлять\n новые точки"},
    {IDM_POINTS_MOVE, " Разрешить перемещать точки"},
    {IDM_POINTS_BREAK_ELEMENT, " Разорвать элемент и\n вставить точку"},
    {IDM_POINTS_AUX_LINES, " Построить вспомогательные линии"},
    {IDM_POINTS_AT_DISTANCE, " Разместить точку\n на указанном расстоянии"},
    {IDM_POINTS_CONTROL_DISTANCE, " Задать контрольное\n расстояние между двумя\n точками на эскизе (в мм)"},
    {IDM_POINTS_CONTROL_ANGLE, " Задать контрольный угол\n наклона вектора между\n двумя точками на эскизе"},
    {IDM_POINTS_FIND, " Найти точку по номеру"},
};
const StageItem stage2_items[] = {
    {IDM_DIMENSION_FIRST_END, " Опора меньшей\n координаты размера"},
    {IDM_DIMENSION_CENTRE, " Центр радиальных размеров"},
    {IDM_DIMENSION_SECOND_END, " Опора большей\n координаты размера"},
    {IDM_DIMENSION_COMMIT, " Завершить ввод размера\n и его запомнить"},
    {IDM_DIMENSION_AUTOMATIC, " Назначить размеры свободным\n опорным точкам"},
    {IDM_DIMENSION_CYCLE, " Циклический просмотр всех размеров"},
    {IDM_DIMENSION_SELECTION, " Включить режим селекции\n размеров на опорных точках"},
    {IDM_DIMENSION_DELETE, " Удалить размер"},
    {IDM_DIMENSION_DIRECTION_0, " Будут введены размеры\n вдоль оси X"},
    {IDM_DIMENSION_DIRECTION_1, " Будут введены размеры\n вдоль оси Y"},
    {IDM_DIMENSION_DIRECTION_2, " Будут введены размеры\n вдоль произвольной оси"},
    {IDM_DIMENSION_DIRECTION_3, " Будут введены размеры перпен-\n дикулярно произвольной оси"},
    {IDM_DIMENSION_DIRECTION_4, " Будут введены размеры симмет-\n ричные относительно оси"},
    {IDM_DIMENSION_HIDE_ALL, " На чертеже не показывать\n все размеры проекции"},
    {IDM_DIMENSION_HIDDEN, " Не показывать размер на чертеже"},
    {IDM_DIMENSION_SHOW_ONLY, " Размер только для показа"},
    {IDM_DIMENSION_SHAFT, " Размер вала"},
    {IDM_DIMENSION_HOLE, " Размер отверстия"},
    {IDM_DIMENSION_KEEP_NOMINAL, " Сохранить номинал"},
};
const StageItem stage3_items[] = {
    {IDM_IMAGE_LINE, " Две точки на отрезке\n прямой линии"},
    {IDM_IMAGE_CIRCLE, " Точка на окружности\n и точка в центре"},
    {IDM_IMAGE_ARC_BY_CENTRE, " Две точки на концах дуги\n окружности и точка в центре"},
    {IDM_IMAGE_ARC_BY_POINTS, " Две точки на концах дуги\n окружности и точка на дуге"},
    {IDM_IMAGE_ELLIPSE, " Две точки на эллипсе\n и точка в центре"},
    {IDM_IMAGE_ELLIPSE_ARC, " Две точки на эллипсе,\n точка в центре и две\n точки на концах его дуги"},
    {IDM_IMAGE_WAVY_LINE, " Три точки на волнистой линии"},
    {IDM_IMAGE_SPLINE, " Две точки на концах сплайна и\n две контрольный точки"},
    {IDM_IMAGE_SMOOTH_CURVE, " Точки на плавной кривой,\n составленной из дуг окружностей"},
    {IDM_IMAGE_FINISH_CURVE, " Закончить перечисление\n точек на кривой"},
    {IDM_IMAGE_FRAGMENT, " Вставить фрагмент"},
    {IDM_IMAGE_SYMBOL, " Выбрать условное изображение"},
    {IDM_IMAGE_MARKING, " Пометка элементов графики"},
    {IDM_IMAGE_DELETE_MARKED, " Удалить помеченные\n элементы гафики"},
    {IDM_IMAGE_DELETE_FRAGMENT, " Удалить помеченный фрагмент"},
    {IDM_IMAGE_DELETE_CONTOUR, " Удалить помеченные контура и маршруты"},
    {IDM_IMAGE_DELETE_ALL_CONTOURS, " Удалить все контура и маршруты"},
    {IDM_IMAGE_ROUTE, " Объединить помеченные элементы\n графики в маршрут (нейтральный контур)"},
    {IDM_IMAGE_SCREEN, " Объединить помеченные элементы\n графики в контур, охватывающий\n непрозрачный \"экран\""},
    {IDM_IMAGE_SCREEN_HOLE,
     " Объединить помеченные элементы\n графики в контур, охватываемый\n непрозрачным \"экраном\" (отверстие в экране)"},
    {IDM_IMAGE_BREAK, " Указать место разрыва изображения"},
    {IDM_IMAGE_BAR, " Создать брусок на\n помеченных элементах"},
    {IDM_IMAGE_VISIBILITY_LEVELS, " Режим распределения уровней\n видимости элементов и экранов"},
    {IDM_IMAGE_NEXT_LEVEL, " Показать контура очередного уровня"},
    {IDM_IMAGE_LAYERS, " Свойства слоёв\n графических элементов"},
};
// The construction submenu lists the first five commands of its table.
const StageItem stage4_items[] = {
    {IDM_CONSTRUCTION_MARK_IN_LIST, " Пометить размер в списке"},
    {IDM_DIMENSION_SELECTION, " Включить режим селекции\n размеров на опорных точках"},
    {IDM_DIMENSION_CYCLE, " Циклический просмотр всех размеров"},
    {IDM_CONSTRUCTION_NEXT_IN_CHAIN, " Показать очередной размер\n замкнутой размерной цепи"},
    {IDM_DIMENSION_COMMIT, " Прекратить процесс\n просмотра размеров"},
};
const StageItem stage5_items[] = {
    {IDM_ANNOTATION_MOVE, " Разрешить перемещать\n элементы оформления"},
    {IDM_ANNOTATION_ARROWHEADS, " Разрешить изменять виды\n наконечников размерных стрелок"},
    {IDM_ANNOTATION_ROUGHNESS, " Создание нового обозна-\n чения шероховатости"},
    {IDM_ANNOTATION_ROUGHNESS_UNMARKED, " Шероховатость для необо-\n значенных поверхностей"},
    {IDM_ANNOTATION_TOLERANCE, " Создание нового указателя\n допуска формы или расположения"},
    {IDM_ANNOTATION_LEADER, " Создание новой выноски"},
    {IDM_ANNOTATION_HATCHING, " Пометка новой области штриховки"},
    {IDM_ANNOTATION_TEXT, " Ввод текстового фрагмента"},
    {IDM_ANNOTATION_SECTION_LINE, " Обозначение новой линии сечения"},
    {IDM_ANNOTATION_REPLACE_DIMENSIONS, " Переразместить автоматически все\n размеры на текущей проекции"},
    {IDM_ANNOTATION_REPLACE_SKETCHES, " Заменить эскизы всех проек-\n ций на реальные изображения"},
    {IDM_ANNOTATION_SHOW_VARIABLES, " Показать на всех проекциях\n используемые переменные"},
};

// The layout stage's commands stand for the format panel's controls and
// carry their texts.
const StageItem stage6_items[] = {
    {IDM_LAYOUT_COMMAND_1, " Повёрнуто"},
    {IDM_LAYOUT_COMMAND_2, " Автокомпоновка"},
    {IDM_LAYOUT_COMMAND_3, " Добавить лист"},
    {IDM_LAYOUT_COMMAND_4, " Удалить лист"},
};

struct StageItems {
    const StageItem* items;
    int count;
};
#define ITEMS(a) {a, static_cast<int>(sizeof a / sizeof a[0])}
const StageItems stage_items[7] = {{nullptr, 0},          ITEMS(stage1_items), ITEMS(stage2_items),
                                   ITEMS(stage3_items),   ITEMS(stage4_items), ITEMS(stage5_items),
                                   ITEMS(stage6_items)};
#undef ITEMS

int stage_item_index(int stage, int command) {
    if (stage < 1 || stage > 6) return -1;
    const StageItems& t = stage_items[stage];
    for (int i = 0; i < t.count; ++i)
        if (t.items[i].command == command) return i;
    return -1;
}

ContextMenuItem item(int id, const std::string& text, bool greyed, int picture) {
    ContextMenuItem it;
    it.id = id;
    it.text = text;
    it.greyed = greyed;
    it.picture = picture;
    return it;
}

void points_plan(const ContextMenuState& s, ContextMenuPlan& plan) {
    if (plan.popup == context_popup_control_distance || plan.popup == context_popup_distance)
        plan.items.push_back(item(IDM_POINTS_ACCEPT_VALUE, "", !s.apply_enabled, menu_picture_accept_value));
    plan.items.push_back(item(IDM_POINTS_PROPERTIES, "", false, menu_picture_point_properties));
    if (s.points_marked) {
        ContextMenuItem save = item(IDM_POINTS_SAVE_MARKED, "Сохранить список помеченных точек", false,
                                    menu_picture_save_marked_points);
        save.at_end = true;
        plan.items.push_back(save);
    } else {
        plan.removed.push_back(IDM_POINTS_SAVE_MARKED);
    }
}

void dimensions_plan(const ContextMenuState& s, ContextMenuPlan& plan) {
    const int ids[5] = {IDM_DIMENSION_FIRST_END, IDM_DIMENSION_CENTRE, IDM_DIMENSION_SECOND_END,
                        IDM_DIMENSION_SELECTION, IDM_DIMENSION_COMMIT};
    for (int i = 0; i < 5; ++i) {
        int id = ids[i];
        std::string text;
        int picture = stage_command_picture_id(2, id);
        if (id == IDM_DIMENSION_SELECTION)
            text = s.selection_on ? "   Отключить режим селекции" : "   Включить режим селекции";
        if (id == IDM_DIMENSION_CENTRE) {
            if (s.dimension_kind < 0) {
                plan.removed.push_back(id);
                continue;
            }
            bool level = s.dimension_kind == 6;
            text = level ? "   Точки на нулевом уровне" : "   Центр радиальных размеров";
            if (level) picture = menu_picture_zero_level;
        }
        ContextMenuItem it = item(id, text, !s.role_enabled[i], picture);
        if (id == IDM_DIMENSION_CENTRE) it.insert_before = IDM_DIMENSION_COMMIT;
        plan.items.push_back(it);
    }
}

void image_plan(const ContextMenuState& s, ContextMenuPlan& plan) {
    int marking_picture = stage_command_picture_id(3, IDM_IMAGE_MARKING);
    if (s.elements_marked) {
        if (plan.popup == context_popup_marked_solid)
            plan.items.push_back(item(IDM_IMAGE_MERGE_FOR_DXF_3D, "", false, menu_picture_merge_for_dxf));
        plan.items.push_back(item(IDM_IMAGE_MARKING, "", false, marking_picture));
        if (s.change_type_enabled)
            plan.items.push_back(item(IDM_IMAGE_CHANGE_LINE_TYPE, "   Сменить тип на \"" + s.line_type_name + "\"",
                                      false, menu_picture_change_line_type));
        else
            plan.items.push_back(
                item(IDM_IMAGE_CHANGE_LINE_TYPE, "   Тип линии нельзя сменить", true, menu_picture_change_line_type));
        // The commands on marked elements that the image submenu also lists.
        for (int id : {IDM_IMAGE_DELETE_MARKED, IDM_IMAGE_ROUTE, IDM_IMAGE_SCREEN, IDM_IMAGE_SCREEN_HOLE, IDM_IMAGE_BAR})
            plan.items.push_back(item(id, "", false, stage_command_picture_id(3, id)));
    } else {
        plan.items.push_back(item(IDM_IMAGE_MARKING,
                                  s.marking_tool ? "   Пометка разрешена" : "   Разрешить пометку", false,
                                  marking_picture));
    }
    // Projections of kinds 9 and 11 take neither visibility levels nor
    // allowances.
    bool plain = s.projection_kind != 9 && s.projection_kind != 11 && s.has_elements;
    if (plain && s.marked_non_symbol) {
        ContextMenuItem it =
            item(IDM_IMAGE_VISIBILITY_LEVEL, "   Назначить уровень видимости", false, menu_picture_visibility_level);
        it.insert_before = IDM_CONTEXT_FIT_TO_WINDOW;
        plan.items.push_back(it);
    } else {
        plan.removed.push_back(IDM_IMAGE_VISIBILITY_LEVEL);
    }
    bool remove_allowance = plain && s.bar_record;
    bool add_allowance = plain && !s.bar_record && s.contour_around_click && s.contour_around_click();
    if (remove_allowance) {
        ContextMenuItem it = item(IDM_IMAGE_REMOVE_ALLOWANCE, "   Убрать припуск", false, menu_picture_remove_allowance);
        it.insert_before = IDM_CONTEXT_FIT_TO_WINDOW;
        plan.items.push_back(it);
    } else {
        plan.removed.push_back(IDM_IMAGE_REMOVE_ALLOWANCE);
    }
    if (add_allowance) {
        ContextMenuItem it = item(IDM_IMAGE_ADD_ALLOWANCE, "   Добавить припуск", false, menu_picture_add_allowance);
        it.insert_before = IDM_CONTEXT_FIT_TO_WINDOW;
        plan.items.push_back(it);
    } else {
        plan.removed.push_back(IDM_IMAGE_ADD_ALLOWANCE);
    }
}

}  // namespace

const char* stage_command_name(int stage, int command) {
    int i = stage_item_index(stage, command);
    return i < 0 ? nullptr : stage_items[stage].items[i].name;
}

int stage_command_picture_id(int stage, int command) {
    int i = stage_item_index(stage, command);
    // The layout stage's items have no pictures.
    return i < 0 || stage == 6 ? 0 : menu_picture_stage_first + 100 * stage + i;
}

int window_item_picture(int id, bool second_placement) {
    switch (id) {
    case IDM_CONTEXT_RAISE_WINDOW: return second_placement ? menu_picture_remove_window : menu_picture_raise_window;
    case IDM_CONTEXT_PROJECTION_PROPERTIES: return menu_picture_projection_properties;
    case IDM_CONTEXT_FIT_TO_WINDOW: return menu_picture_fit_to_window;
    default: return 0;
    }
}

ContextMenuPlan context_menu_plan(const ContextMenuState& s) {
    ContextMenuPlan plan;
    plan.popup = context_popup_index(s.stage, s.point_tool, s.elements_marked ? 1 : 0, s.projection_kind);
    switch (s.stage) {
    case 1: points_plan(s, plan); break;
    case 2: dimensions_plan(s, plan); break;
    case 3: image_plan(s, plan); break;
    default: break;
    }
    return plan;
}
