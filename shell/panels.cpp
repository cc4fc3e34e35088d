// The fixed panels of the frame as far as start-up needs them.
#include "shell/panels.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/byte_order.h"
#include "geometry/text_numbers.h"
#include "shell/commands.h"
#include "documents/documents.h"
#include "store/settings_block.h"

#include "shell/frame_window.h"
#include "shell/help.h"
#include "shell/hints.h"
#include "shell/startup.h"
#include "shell/resource_ids.h"

unsigned char current_stage;

const StageBarButton stage_bar_buttons[7] = {
    {IDC_STAGE_POINTS, IDM_STAGE_POINTS, 7, IDI_STAGE_POINTS,
     " Ввод опорных точек для графи-\n ческих элементов проекций объ-\n екта и их размерных сетей"},
    {IDC_STAGE_IMAGE, IDM_STAGE_IMAGE, 8, IDI_STAGE_IMAGE, " Ввод графических элементов проекции"},
    {IDC_STAGE_DIMENSIONS, IDM_STAGE_DIMENSIONS, 9, IDI_STAGE_DIMENSIONS, " Ввод размерной сети проекции"},
    {IDC_STAGE_CONSTRUCTION, IDM_STAGE_CONSTRUCTION, 10, IDI_STAGE_CONSTRUCTION,
     " Построение истинного изображения всех\n проекций по заданным размерам"},
    {IDC_STAGE_ANNOTATION, IDM_STAGE_ANNOTATION, 11, IDI_STAGE_ANNOTATION, " Ввод элементов оформления чертежа"},
    {IDC_STAGE_LAYOUT, IDM_STAGE_LAYOUT, 12, IDI_STAGE_LAYOUT,
     " Окончательное размещение всех\n проекций объекта на чертеже"},
    {IDC_STAGE_PRINT, IDM_FILE_PRINT, 13, IDI_STAGE_PRINT, " Подготовка вывода на принтер"},
};

unsigned char previous_stage;
int prompts_held;
int print_cancelled;
int shift_held, ctrl_held, alt_held;
int ctrl_hint_mode;
char saved_prompt[260];
int prompt_saved;
COLORREF prompt_target_colour;
int fade_step_red, fade_step_green, fade_step_blue;
HCURSOR clock_cursor;
short progress_ticks = -1;
double progress_seconds;
char progress_text[260];

void colour_split(COLORREF colour, int* red, int* green, int* blue) {
    *red = GetRValue(colour);
    *green = GetGValue(colour);
    *blue = GetBValue(colour);
}

void prompt_show(const char* text) {
    if (!prompt_panel || !text || prompts_held) return;
    char shown[300];
    if (text[0] == '*')
        wsprintfA(shown, "Укажите %.280s", text + 1);
    else if (text[0] == '+')
        wsprintfA(shown, "Задайте %.280s", text + 1);
    else
        lstrcpynA(shown, text, sizeof shown);
    SetDlgItemTextA(prompt_panel, IDC_PROMPT, shown);
    KillTimer(prompt_panel, 1);
    prompt_colour = highlight_colour;
    SetTimer(prompt_panel, 1, 120, nullptr);
}

char* prompt_point_rejected() {
    char* copy = nullptr;
    if (prompt_panel) {
        int n = GetWindowTextLengthA(GetDlgItem(prompt_panel, IDC_PROMPT));
        copy = static_cast<char*>(std::malloc(n + 2));
        if (copy) GetDlgItemTextA(prompt_panel, IDC_PROMPT, copy, n + 1);
    }
    prompt_show("Эту точку использовать нельзя!");
    return copy;
}

void stage_caption_show(const char* text) {
    if (prompt_panel) SetDlgItemTextA(prompt_panel, IDC_STAGE_CAPTION, text);
}

void status_show_number(unsigned value) {
    char text[16] = "";
    if (!(value & 0x8000)) wsprintfA(text, "%u", value & 0xFFFF);
    if (prompt_panel) SetDlgItemTextA(prompt_panel, IDC_STATUS_NUMBER, text);
}

void status_show_pair(unsigned first, unsigned second) {
    char text[32] = "";
    if (!(first & 0x8000)) wsprintfA(text, "%1u.%1u", first, second);
    if (prompt_panel) SetDlgItemTextA(prompt_panel, IDC_STATUS_NUMBER, text);
}

static const struct {
    int code;
    const char* caption;
    const char* prompt;
} stage_texts[] = {
    {1, "1. Опорные точки", "*опорные точки на проекциях"},
    {2, "3. Размерная сеть", "Используйте точки для описания размеров"},
    {3, "2. Ввод изображения", "Используйте опорные точки для черчения"},
    {4, "4. Построение вида", "Идёт построение истинного изображения проекций"},
    {5, "5. Оформление", "Введите элементы оформления чертежа"},
    {6, "6. Компоновка чертежа", "Размещение проекций на чертеже"},
    {9, "Распечатать", "Вывод чертежа на принтер"},
};

const char* stage_caption_text(int code) {
    for (const auto& t : stage_texts)
        if (t.code == code) return t.caption;
    return nullptr;
}

void stage_set(int code) {
    DrawingFile* df = current_drawing_file();
    previous_stage = current_stage;
    if (previous_stage == 0) previous_stage = df && df->header ? static_cast<unsigned char>(get_u16(df->header, 108)) : 0;
    current_stage = static_cast<unsigned char>(code);
    for (const auto& t : stage_texts) {
        if (t.code != code) continue;
        stage_caption_show(t.caption);
        const char* prompt = t.prompt;
        if (code == 6 && print_cancelled)
            prompt = "Чертёж не распечатан";
        else if (code == 6 && previous_stage == 9)
            prompt = "Чертёж отправлен на принтер";
        prompt_show(prompt);
    }
    if (df && df->header) {
        uint16_t saved = static_cast<uint16_t>(code < 6 ? code : 6);
        put_u16(df->header, 108, saved);
        if (get_u16(df->header, 106) < saved) put_u16(df->header, 106, saved);
    }
    if (previous_stage > 6) previous_stage = 6;
    print_cancelled = 0;
    main_title_update();
    stage_submenu_rebuild();
    enable_stage_commands();
}

// Position of the stage-command submenu in the menu bar: 3, or 4 while a
// maximised projection window has put its system menu in front.
static int stage_submenu_position() {
    char text[64] = "";
    GetMenuStringA(main_menu, 0, text, sizeof text, MF_BYPOSITION);
    return std::strstr(text, "Файл") ? 3 : 4;
}

// The stage-command submenu: its caption follows the stage.
void stage_submenu_rebuild() {
    if (!main_menu) return;
    int position = stage_submenu_position();
    HMENU submenu = GetSubMenu(main_menu, position);
    if (!submenu) return;
    while (GetMenuItemCount(submenu) > 0) DeleteMenu(submenu, 0, MF_BYPOSITION);
    char text[80] = "Команды этапа";
    const char* caption = stage_caption_text(current_stage);
    if (caption && current_stage >= 1 && current_stage <= 6) {
        wsprintfA(text, "Этап %s", caption);
    } else if (current_stage == 0) {
        if (prompt_panel) SetDlgItemTextA(prompt_panel, IDC_PROMPT, "");
        prompt_saved = 0;
    }
    MENUITEMINFOA info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIIM_TYPE;
    info.fType = MFT_STRING;
    info.dwTypeData = text;
    SetMenuItemInfoA(main_menu, position, TRUE, &info);
    if (frame_window) DrawMenuBar(frame_window);
    if (current_stage < 1 || current_stage > 6) return;
    // The submenu lists the first items of the stage's command table (the
    // construction stage shows five of its eight), named as the panel's tools.
    static const int item_counts[7] = {0, 8, 19, 25, 5, 12, 4};
    const StageCommandTable& t = stage_command_tables[current_stage];
    for (int i = 0; i < item_counts[current_stage] && i < t.count; ++i) {
        const char* name = command_seams.stage_command_text(current_stage, t.pairs[i].command);
        if (!name) continue;
        char joined[260];
        if (std::strlen(name) >= sizeof joined) continue;
        join_text_lines(joined, name);
        AppendMenuA(submenu, MF_STRING, t.pairs[i].command, joined);
        HBITMAP picture = command_seams.stage_command_picture(current_stage, t.pairs[i].command);
        if (picture) SetMenuItemBitmaps(submenu, t.pairs[i].command, MF_BYCOMMAND, picture, picture);
    }
}

void set_stage_menu_item_text(int command, const char* text) {
    if (!main_menu || !text || std::strlen(text) >= 260) return;
    HMENU submenu = GetSubMenu(main_menu, stage_submenu_position());
    char joined[260];
    join_text_lines(joined, text);
    MENUITEMINFOA info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIIM_TYPE;
    info.fType = MFT_STRING;
    info.dwTypeData = joined;
    if (submenu) SetMenuItemInfoA(submenu, command, FALSE, &info);
}

void enable_stage_commands() {
    if (!main_menu || current_stage < 1 || current_stage > 6) return;
    const StageCommandTable& t = stage_command_tables[current_stage];
    for (int i = 0; i < t.count; ++i) {
        HWND button = stage_panel ? GetDlgItem(stage_panel, t.pairs[i].button) : nullptr;
        LONG style = button ? GetWindowLongA(button, GWL_STYLE) : 0;
        bool on = style != 0 && !(style & WS_DISABLED);
        EnableMenuItem(main_menu, t.pairs[i].command, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    }
}

void modifier_keys_show(int key, int state) {
    if (key == VK_SHIFT) shift_held = state;
    else if (key == VK_CONTROL) ctrl_held = state;
    else if (key == VK_MENU) alt_held = state;
    else return;
    char text[40] = "";
    if (alt_held) lstrcatA(text, "+Alt");
    if (ctrl_held) lstrcatA(text, text[0] ? ", +Ctrl" : "+Ctrl");
    if (shift_held) lstrcatA(text, text[0] ? ", +Shift" : "+Shift");
    if (prompt_panel) SetDlgItemTextA(prompt_panel, IDC_MODIFIER_KEYS, text);
}

void ctrl_hint_mode_set(int mode) { ctrl_hint_mode = mode; }

static void save_prompt() {
    if (prompt_saved || !prompt_panel) return;
    GetDlgItemTextA(prompt_panel, IDC_PROMPT, saved_prompt, sizeof saved_prompt);
    prompt_saved = 1;
}

static void hint_prompt(const char* text) {
    save_prompt();
    prompt_show(text);
}

void modifier_prompt_show(int key) {
    if (key == -1) {
        if (prompt_saved) {
            // The saved text is shown exactly as it was (no prefix expansion).
            char text[sizeof saved_prompt];
            lstrcpynA(text, saved_prompt, sizeof text);
            if (text[0] == '*' || text[0] == '+') {
                if (prompt_panel && !prompts_held) SetDlgItemTextA(prompt_panel, IDC_PROMPT, text);
            } else {
                prompt_show(text);
            }
        }
        prompt_saved = 0;
        ctrl_hint_mode = 0;
        return;
    }
    if (key == VK_SHIFT && shift_held) {
        if (current_stage == 1) hint_prompt("Пометить одну точку или группу точек");
        else if (current_stage == 5) hint_prompt("При вставке увеличить число в конце строки на 1");
        else if (current_stage == 3) hint_prompt("Пометка одного элемента из группы");
    } else if (key == VK_CONTROL && ctrl_held) {
        static const char* const stage5[4] = {
            "Специальные перемещения размеров и выносок", "Перемещение выноски вместе с наконечником",
            "Произвольное перемещение размера", "Этот размер можно двигать только в обычном направлении"};
        if (current_stage == 1) hint_prompt("Переместить все точки проекции");
        else if (current_stage == 2) hint_prompt("Создать новую точку с опорой размера");
        else if (current_stage == 3) hint_prompt("Создать новую точку для элемента");
        else if (current_stage == 5) hint_prompt(stage5[ctrl_hint_mode & 3]);
    } else if (key == VK_MENU && alt_held) {
        save_prompt();
        int tool = point_tool_hook();
        if (current_stage == 1) {
            if (tool == IDC_POINTS_AUX_LINES) prompt_show("*точку на удаляемой оси");
            else if (tool == IDC_POINTS_AT_DISTANCE) prompt_show("*удаляемую пометку точки");
            else prompt_show("*удаляемую точку");
        } else if (current_stage == 2) {
            prompt_show("*удаляемую пометку точки");
        } else if (current_stage == 5) {
            prompt_show("Осуществить привязку элемента к точке");
        }
    }
}

static int no_point_tool() { return 0; }
int (*point_tool_hook)() = no_point_tool;

static int fade_step(int highlight, int target) {
    int step = (highlight - target) / 15;
    if (step == 0) step = highlight < target ? -1 : 1;
    return step;
}

static int fade_channel(int value, int step, int target) {
    value -= step;
    int size = step < 0 ? -step : step;
    int distance = value - target < 0 ? target - value : value - target;
    if (distance < 2 * size) value = target;
    return value;
}

void prompt_fade_tick(HWND dialog) {
    if (prompt_brush) DeleteObject(prompt_brush);
    int r, g, b, tr, tg, tb;
    colour_split(prompt_colour, &r, &g, &b);
    colour_split(prompt_target_colour, &tr, &tg, &tb);
    prompt_colour = RGB(fade_channel(r, fade_step_red, tr), fade_channel(g, fade_step_green, tg),
                        fade_channel(b, fade_step_blue, tb));
    if (prompt_colour == prompt_target_colour) KillTimer(dialog, 1);
    prompt_brush = CreateSolidBrush(prompt_colour);
    HWND text = GetDlgItem(dialog, IDC_PROMPT);
    InvalidateRect(text, nullptr, TRUE);
    PostMessageA(text, WM_PAINT, 0, 0);
}

INT_PTR CALLBACK prompt_panel_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        prompt_target_colour = prompt_colour = GetSysColor(COLOR_BTNFACE);
        if (!prompt_brush) prompt_brush = CreateSolidBrush(prompt_colour);
        int hr, hg, hb, tr, tg, tb;
        colour_split(highlight_colour, &hr, &hg, &hb);
        colour_split(prompt_target_colour, &tr, &tg, &tb);
        fade_step_red = fade_step(hr, tr);
        fade_step_green = fade_step(hg, tg);
        fade_step_blue = fade_step(hb, tb);
        return TRUE;
    }
    case WM_CTLCOLORSTATIC:
        if (GetDlgCtrlID(reinterpret_cast<HWND>(lparam)) != IDC_PROMPT) return FALSE;
        SetBkColor(reinterpret_cast<HDC>(wparam), prompt_colour);
        return reinterpret_cast<INT_PTR>(prompt_brush);
    case WM_TIMER:
        if (wparam == 1) prompt_fade_tick(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

// ---------------------------------------------------------------- cursors
void window_set_cursor(HWND window, HCURSOR cursor) {
    if (window) SetClassLongPtrA(window, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(cursor));
    SetCursor(cursor);
}

void cursor_set_all(HCURSOR cursor) {
    if (mdi_client)
        for (HWND c = GetWindow(mdi_client, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            SetClassLongPtrA(c, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(cursor));
    SetCursor(cursor);
}

void cursor_set_normal(HWND window) { window_set_cursor(window, LoadCursorA(nullptr, IDC_ARROW)); }

// Copies a 32 x 32 monochrome bitmap resource into bits (128 bytes); fill
// when the resource is missing.
static void bitmap_plane(int id, unsigned char* bits, unsigned char fill) {
    std::memset(bits, fill, 128);
    HBITMAP b = LoadBitmapA(program_instance, MAKEINTRESOURCEA(id));
    if (!b) return;
    GetBitmapBits(b, 128, bits);
    DeleteObject(b);
}

double clock_hand_angle(int hand, int hour, int minute, int second) {
    const double two_pi = 6.283185307179586, half_pi = 1.5707963267948966;
    if (hand == 0) return (hour % 12) * two_pi / 12 - half_pi + minute * two_pi / 720;
    if (hand == 1) return minute * two_pi / 60 - half_pi;
    return second * two_pi / 60 - half_pi;
}

void clock_cursor_draw(HWND window, int hands) {
    unsigned char face[128], mask[128];
    bitmap_plane(IDB_CLOCK_FACE, face, 0x00);
    bitmap_plane(IDB_CLOCK_MASK, mask, 0xFF);
    HBITMAP drawn = CreateBitmap(32, 32, 1, 1, face);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old_bitmap = SelectObject(dc, drawn);
    COLORREF colour = settings_u32(settings_line_colour_offset);
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ old_pen = SelectObject(dc, pen);
    SYSTEMTIME now;
    GetLocalTime(&now);
    const int lengths[3] = {6, 9, 9};
    for (int i = 0; i < hands && i < 3; ++i) {
        double a = clock_hand_angle(i, now.wHour, now.wMinute, now.wSecond);
        int x0 = static_cast<int>(15 - 2 * std::cos(a) + 0.5), y0 = static_cast<int>(17 - 2 * std::sin(a) + 0.5);
        MoveToEx(dc, x0, y0, nullptr);
        LineTo(dc, static_cast<int>(15.5 + lengths[i] * std::cos(a)), static_cast<int>(17.5 + lengths[i] * std::sin(a)));
        SetPixel(dc, x0, y0, colour);
    }
    SelectObject(dc, old_pen);
    DeleteObject(pen);
    SelectObject(dc, old_bitmap);
    DeleteDC(dc);
    GetBitmapBits(drawn, 128, face);
    DeleteObject(drawn);
    HCURSOR cursor = CreateCursor(program_instance, 0, 0, 32, 32, mask, face);
    if (!cursor) return;
    window_set_cursor(window, cursor);
    if (clock_cursor) DestroyCursor(clock_cursor);
    clock_cursor = cursor;
}

void cursor_set_clock(HWND window) { clock_cursor_draw(window, 2); }

static HWND progress_window;

static void CALLBACK progress_tick(HWND window, UINT, UINT_PTR, DWORD) {
    if (progress_ticks < 0) {
        KillTimer(window, 2);
        cursor_set_normal(window);
        return;
    }
    if (progress_ticks > 30) progress_ticks = 1;
    clock_cursor_draw(window, 3);
    if (progress_ticks != 0) {
        ++progress_ticks;
        progress_seconds += 0.2;
        status_show_number(static_cast<unsigned>(progress_seconds + 0.5));
        if (progress_text[0] && prompt_panel) SetDlgItemTextA(prompt_panel, IDC_PROGRESS, progress_text);
    } else {
        progress_ticks = -1;
    }
}

void progress_clock_start(HWND window) {
    progress_window = window;
    progress_seconds = 0;
    progress_ticks = 1;
    SetTimer(window, 2, 200, progress_tick);
}

void progress_clock_clear_text() {
    progress_ticks = 0;
    progress_text[0] = 0;
    if (prompt_panel) SetDlgItemTextA(prompt_panel, IDC_PROGRESS, "");
}

void progress_clock_stop(HWND window) {
    KillTimer(window, 2);
    progress_ticks = -1;
    cursor_set_normal(window);
}

DWORD stopwatch_start(Stopwatch* watch) {
    watch->start = GetTickCount();
    return watch->start;
}

DWORD stopwatch_accumulate(Stopwatch* watch) {
    DWORD now = GetTickCount();
    watch->total += now - watch->start;
    watch->start = now;
    return now;
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

INT_PTR (*scale_panel_command_hook)(HWND panel, WPARAM wparam, LPARAM lparam);

INT_PTR CALLBACK scale_panel_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND) {
        hints_enable();
        return scale_panel_command_hook ? scale_panel_command_hook(dialog, wparam, lparam) : FALSE;
    }
    if (message == WM_MOUSEWHEEL) wheel_seen = 1;
    if (message != WM_INITDIALOG) return FALSE;
    static const struct {
        int id;
        const char* hint;
    } panel_hints[] = {
        {IDC_SCALE_LABEL, " Управление масштабами проекций"},
        {IDC_SCALE_EDIT, " Коэффициент масштабирования"},
        {IDC_SCALE_ZOOM_IN, " Увеличить на 25%"},
        {IDC_SCALE_ZOOM_OUT, " Уменьшить на 20%"},
        {IDC_SCALE_FIT, " Пропорционально \"растянуть\"\n проекцию в пределах её окна"},
        {IDC_SCALE_ALL, " Выполнять для всех проекций"},
    };
    static const int zoom[2][2] = {{IDC_SCALE_ZOOM_IN, IDB_SCALE_ZOOM_IN}, {IDC_SCALE_ZOOM_OUT, IDB_SCALE_ZOOM_OUT}};
    for (const auto& z : zoom)
        SendDlgItemMessageA(dialog, z[0], BM_SETIMAGE, IMAGE_BITMAP,
                            reinterpret_cast<LPARAM>(LoadBitmapA(program_instance, MAKEINTRESOURCEA(z[1]))));
    for (const auto& h : panel_hints) hint_add(dialog, GetDlgItem(dialog, h.id), h.hint);
    hints_enable();
    return TRUE;
}
