// The fixed panels of the frame as far as start-up needs them.
#include "shell/panels.h"

#include <cstring>

#include "shell/frame_window.h"
#include "shell/help.h"
#include "shell/hints.h"
#include "shell/startup.h"

unsigned char current_stage;

const StageBarButton stage_bar_buttons[7] = {
    {1298, 40004, 7, 321,
     " Ввод опорных точек для графи-\n ческих элементов проекций объ-\n екта и их размерных сетей"},
    {1299, 40006, 8, 323, " Ввод графических элементов проекции"},
    {1300, 40005, 9, 324, " Ввод размерной сети проекции"},
    {1301, 40027, 10, 325, " Построение истинного изображения всех\n проекций по заданным размерам"},
    {1302, 40007, 11, 326, " Ввод элементов оформления чертежа"},
    {1303, 40029, 12, 327, " Окончательное размещение всех\n проекций объекта на чертеже"},
    {1306, 40019, 13, 330, " Подготовка вывода на принтер"},
};

void prompt_show(const char* text) {
    if (!prompt_panel || !text) return;
    char shown[300];
    if (text[0] == '*')
        wsprintfA(shown, "Укажите %.280s", text + 1);
    else if (text[0] == '+')
        wsprintfA(shown, "Задайте %.280s", text + 1);
    else
        lstrcpynA(shown, text, sizeof shown);
    SetDlgItemTextA(prompt_panel, 1052, shown);
}

void modifier_prompt_show(int) {}

INT_PTR CALLBACK prompt_panel_proc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

void check_stage_button(int command) {
    for (const StageBarButton& b : stage_bar_buttons) {
        if (b.command != command) continue;
        for (const StageBarButton& o : stage_bar_buttons)
            if (stage_bar) CheckDlgButton(stage_bar, o.button, o.button == b.button ? BST_CHECKED : BST_UNCHECKED);
        set_context_help_topic(b.topic);
        return;
    }
}

INT_PTR CALLBACK stage_bar_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        for (const StageBarButton& b : stage_bar_buttons) {
            HWND button = GetDlgItem(dialog, b.button);
            SendMessageA(button, BM_SETIMAGE, IMAGE_ICON,
                         reinterpret_cast<LPARAM>(load_icon_scaled(b.icon)));
            hint_add(dialog, button, b.hint);
        }
        hints_enable();
        return TRUE;
    case WM_COMMAND:
        hints_enable();
        for (const StageBarButton& b : stage_bar_buttons) {
            if (b.button != LOWORD(wparam)) continue;
            set_context_help_topic(b.topic);
            dispatch_menu_command(b.command);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK scale_panel_proc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    static const struct {
        int id;
        const char* hint;
    } panel_hints[] = {
        {1322, " Управление масштабами проекций"},
        {1016, " Увеличить на 25%"},
        {1017, " Уменьшить на 20%"},
        {1018, " Пропорционально \"растянуть\"\n проекцию в пределах её окна"},
        {1019, " Выполнять для всех проекций"},
    };
    for (int id : {1016, 1017})
        SendDlgItemMessageA(dialog, id, BM_SETIMAGE, IMAGE_BITMAP,
                            reinterpret_cast<LPARAM>(LoadBitmapA(program_instance, MAKEINTRESOURCEA(id))));
    for (const auto& h : panel_hints) hint_add(dialog, GetDlgItem(dialog, h.id), h.hint);
    hints_enable();
    return TRUE;
}
