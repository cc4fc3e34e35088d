// Help pages in the web browser, and the start of outside programs.
#include "shell/help.h"

#include "shell/document_hooks.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "shell/frame_window.h"
#include "shell/startup.h"
#include "shell/resource_ids.h"
#include "base/program_messages.h"
#include "store/settings_block.h"

static const char manual[] = "Руководство.htm";

const HelpTopic help_topics[87] = {
    {manual, "#1_Введение"},
    {manual, "#2_Установка_программы"},
    {manual, "#3_Начало_проектирования"},
    {manual, "#3_1_Пункт_меню_файл"},
    {manual, "#3_2_Пункт_меню_подготовка"},
    {manual, "#4_Масштабы_и_единицы_измерений"},
    {manual, "#5_Этапы_пректирования"},
    {manual, "#5_1_Опорные_точки"},
    {manual, "#5_2_Изображение"},
    {manual, "#5_3_Размерная_сеть"},
    {manual, "#5_4_Построение_вида"},  // 10
    {manual, "#5_5_Оформление"},
    {manual, "#5_6_Компоновка_чертежа"},
    {manual, "#6_Печать_чертежа"},
    {manual, "#Приложение_1"},
    {manual, "#Приложение_2"},
    {manual, nullptr},
    {manual, "#Создание_фрагмента"},
    {manual, "#Команда_модель"},
    {manual, "#Команда_модель"},
    {manual, "#Экспорт"},  // 20
    {manual, "#Таблицы"},
    {manual, "#Параметры_вставки"},
    {manual, "#Импорт"},
    {manual, "#Назначить_размеры"},
    {manual, "#Номер_точки"},
    {manual, "#Ввод_оси"},
    {manual, "#Расстояния"},
    {manual, "#Условное_изображение"},
    {manual, "#Пометка_элементов_графики"},
    {manual, "#Распределение_видимости"},  // 30
    {manual, "#Свойства_перспективы"},
    {manual, "#Развёртка"},
    {manual, "#Импорт_STL"},
    {manual, "#Свойства_развёртки"},
    {manual, "#Нюансы_чертежа"},
    {manual, "#Дополнительные_нюансы"},
    {manual, "#Настройки_3D"},
    {manual, "#Принты"},
    {"Конструирование одежды.htm", "#ParamDummy"},
    {manual, "#Барельеф"},  // 40
    {manual, "#Удаление_проекции"},
    {manual, "#Закрыть"},
    {manual, "#3_1_Пункт_меню_файл"},
    {manual, "#5_3_Размерная_сеть"},
    {manual, "#3_1_Пункт_меню_файл"},
    {manual, "#Вставка_фрагмента"},
    {manual, "#Команда_модель"},
    {manual, "#Перемещение_опорных_точек"},
    {manual, "#Штриховка"},
    {manual, "#Удалить_точку"},  // 50
    {manual, "#Удалить_точку"},
    {manual, "#Фрагмент_с_зависимыми_размерами"},
    {manual, nullptr},
    {manual, "#3_1_Пункт_меню_файл"},
    {manual, "#Генерация_таблиц"},
    {manual, "#Повтор_ввода_точки"},
    {manual, "#Генерация_шаблона"},
    {manual, "#3_1_Пункт_меню_файл"},
    {manual, "#Графика_3D"},
    {manual, "#Перемещение_опорных_точек"},  // 60
    {manual, "#Перемещение_опорных_точек"},
    {manual, "#Настройки_3D"},
    {manual, "#Настройки_3D"},
    {manual, "#Перемещение_опорных_точек"},
    {manual, "#Экспорт_STL"},
    {manual, "#Обновление_всех_развёрток"},
    {manual, "#Засечки"},
    {"Как нарисовать чертёж.htm", nullptr},
    {"Как нарисовать чертёж.htm", nullptr},
    {"Пример чертежа.htm", nullptr},  // 70
    {"Модель и параметризация.htm", nullptr},
    {"Основные и вспомогательные элементы графики.htm", nullptr},
    {"Фаски.htm", nullptr},
    {"Фрагменты и местные виды с масштабом.htm", nullptr},
    {"Особенности скруглений.htm", nullptr},
    {"Как доработать чертёж.htm", nullptr},
    {"Как точно навести указатель выноски.htm", nullptr},
    {"Использование сканера.htm", nullptr},
    {"Как рассчитать площадь земельного участка.htm", nullptr},
    {"Технология работы с программой.htm", nullptr},  // 80
    {"Конструирование одежды.htm", nullptr},
    {"Подготовка фотографий для фона эскиза.htm", nullptr},
    {nullptr, nullptr},  // 83: no page
    {"Сообщения.htm", nullptr},
    {"Что нового.htm", nullptr},
    {nullptr, nullptr},  // 86: the program's web site
};

const HelpPageCheck help_page_checks[17] = {
    {manual,
     {IDM_HELP_INTRODUCTION, IDM_HELP_INSTALLATION, IDM_HELP_GETTING_STARTED, IDM_HELP_FILE_MENU,
      IDM_HELP_PREPARATION_MENU, IDM_HELP_SCALES_UNITS, IDM_HELP_STAGES, IDM_HELP_STAGE_POINTS, IDM_HELP_STAGE_IMAGE,
      IDM_HELP_STAGE_DIMENSIONS, IDM_HELP_STAGE_CONSTRUCTION, IDM_HELP_STAGE_ANNOTATION, IDM_HELP_STAGE_LAYOUT,
      IDM_HELP_PRINTING, IDM_HELP_MANUAL, IDM_HELP_APPENDIX_1, IDM_HELP_APPENDIX_2, IDM_HELP_CONTEXT, 0}},
    {"Как нарисовать чертёж.htm", {IDM_HELP_ADVICE, IDM_HELP_HOW_TO_DRAW, 0}},
    {"Пример чертежа.htm", {IDM_HELP_EXAMPLE, 0}},
    {"Модель и параметризация.htm", {IDM_HELP_MODEL, 0}},
    {"Основные и вспомогательные элементы графики.htm", {IDM_HELP_ELEMENTS, 0}},
    {"Фаски.htm", {IDM_HELP_CHAMFERS, 0}},
    {"Фрагменты и местные виды с масштабом.htm", {IDM_HELP_FRAGMENTS, 0}},
    {"Особенности скруглений.htm", {IDM_HELP_FILLETS, 0}},
    {"Как доработать чертёж.htm", {IDM_HELP_FINISHING, 0}},
    {"Как точно навести указатель выноски.htm", {IDM_HELP_LEADER_AIM, 0}},
    {"Использование сканера.htm", {IDM_HELP_SCANNER, 0}},
    {"Как рассчитать площадь земельного участка.htm", {IDM_HELP_LAND_AREA, 0}},
    {"Технология работы с программой.htm", {IDM_HELP_TECHNOLOGY, 0}},
    {"Конструирование одежды.htm", {IDM_HELP_GARMENTS, 0}},
    {"Подготовка фотографий для фона эскиза.htm", {IDM_HELP_PHOTOS, 0}},
    {"Сообщения.htm", {IDM_HELP_MESSAGES, 0}},
    {"Что нового.htm", {IDM_HELP_WHATS_NEW, 0}},
};

char* help_folder;
char* browser_command;
int help_available;
int help_topic;
int context_help_topic;

int help_command_topic(int c) {
    if (c >= IDM_HELP_INTRODUCTION && c <= IDM_HELP_PRINTING) return c - IDM_HELP_INTRODUCTION;
    if (c >= IDM_HELP_HOW_TO_DRAW && c <= IDM_HELP_LEADER_AIM) return c - IDM_HELP_HOW_TO_DRAW + 69;
    switch (c) {
    case IDM_HELP_MANUAL: return 16;
    case IDM_HELP_APPENDIX_1: return 14;
    case IDM_HELP_APPENDIX_2: return 15;
    case IDM_HELP_ADVICE: return 68;
    case IDM_HELP_SCANNER: return 78;
    case IDM_HELP_LAND_AREA: return 79;
    case IDM_HELP_TECHNOLOGY: return 80;
    case IDM_HELP_GARMENTS: return 81;
    case IDM_HELP_PHOTOS: return 82;
    case IDM_HELP_MESSAGES: return 84;
    case IDM_HELP_WHATS_NEW: return 85;
    case IDM_HELP_WEB_SITE: return 86;
    default: return -1;
    }
}

static std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string browser_command_from(const std::string& registered, bool ie_exists) {
    std::string cmd = lower(registered);
    if (cmd.find("iexplore.exe") == std::string::npos && ie_exists)
        cmd = "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\"";
    size_t at = cmd.find(".exe\"");
    if (at == std::string::npos) return std::string();
    return cmd.substr(0, at + 5) + " ";
}

std::string help_command_line(const std::string& browser, const std::string& folder, int topic,
                              const char* web_address) {
    if (topic < 0 || topic > 86) return std::string();
    if (topic == 86) return browser + (web_address ? web_address : "");
    const HelpTopic& t = help_topics[topic];
    if (!t.file) return std::string();
    // Page names and folders hold blanks: the page is one quoted argument.
    return browser + "\"" + folder + t.file + (t.anchor ? t.anchor : "") + "\"";
}

static bool file_exists(const std::string& path) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(path.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

static std::string registry_default(const std::string& key) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return std::string();
    char buf[1549] = {};
    DWORD size = sizeof buf - 1, type = 0;
    LONG r = RegQueryValueExA(k, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::string();
    buf[size < sizeof buf ? size : sizeof buf - 1] = 0;
    return buf;
}

static bool registry_key_exists(const std::string& key) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

static char* heap_copy(const std::string& s) {
    char* p = static_cast<char*>(std::malloc(s.size() + 1));
    if (p) std::memcpy(p, s.c_str(), s.size() + 1);
    return p;
}

void help_init() {
    if (main_menu) DeleteMenu(main_menu, IDM_WINDOW_MINIMISE_SECOND_LIST, MF_BYCOMMAND);
    help_available = 0;
    bool found = false;
    std::string folder = std::string(program_folder) + "\\";
    for (const HelpPageCheck& c : help_page_checks) {
        if (file_exists(folder + c.file)) {
            found = true;
            continue;
        }
        for (const int* id = c.items; *id; ++id)
            if (main_menu) EnableMenuItem(main_menu, *id, MF_BYCOMMAND | MF_GRAYED);
    }
    std::free(help_folder);
    help_folder = heap_copy(folder);
    std::string command;
    std::string progid = registry_default(".htm");
    if (!progid.empty()) {
        std::string key = progid + "\\shell\\opennew\\command";
        if (!registry_key_exists(key)) key = progid + "\\shell\\open\\command";
        command = registry_default(key);
    }
    std::string browser = browser_command_from(
        command, file_exists("C:\\Program Files\\Internet Explorer\\iexplore.exe"));
    std::free(browser_command);
    browser_command = browser.empty() ? nullptr : heap_copy(browser);
    if (browser_command && found) {
        help_available = 1;
        context_help_topic = 3;
    }
}

static BOOL start_process(const char* application, std::string command, const char* folder) {
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    std::string buf = command;
    BOOL ok = CreateProcessA(application, &buf[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                             nullptr, folder && *folder ? folder : nullptr, &si, &pi);
    if (ok) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    return ok;
}

void help_open(int topic) {
    if (topic < 0 || topic > 86 || !browser_command) return;
    if (topic != 86 && (!help_folder || !help_available)) return;
    std::string line = help_command_line(browser_command, help_folder ? help_folder : "", topic,
                                         settings_block ? settings_text(settings_web_address_offset) : "");
    if (line.empty()) return;
    static char detail[2048];
    if (!start_process(nullptr, line, help_folder)) {
        lstrcpynA(detail, line.c_str(), sizeof detail);
        error_stack_push(detail);
        show_program_message("Подсказка не запускается");
    }
}

void open_help_topic() { help_open(help_topic); }
void open_context_help() { help_open(context_help_topic); }
void set_help_topic(int topic) { help_topic = topic; }
int set_context_help_topic(int topic) {
    int old = context_help_topic;
    context_help_topic = topic;
    return old;
}

void init_help_button(HWND dialog) {
    HWND b = GetDlgItem(dialog, IDC_HELP_PICTURE);
    if (!b) return;
    SendMessageA(b, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(help_icon));
    if (!help_available) EnableWindow(b, FALSE);
}

std::string restart_command_line(const char* folder, const char* path) {
    std::string line = std::string("\"") + folder + "\\SARVOLT.exe\"";
    if (path && *path) line += std::string(" \"") + path + "\"";
    return line;
}

BOOL restart_program(const char* path) {
    std::string app = std::string(program_folder) + "\\SARVOLT.exe";
    const char* folder = shell_documents.saved_directory();
    return start_process(app.c_str(), restart_command_line(program_folder, path), folder);
}

BOOL run_viewer_program(const char* program, const char* folder, const char* argument,
                        const char* second) {
    std::string line = std::string(program) + " " + (argument ? argument : "");
    if (second) line += std::string(" ") + second;
    BOOL ok = start_process(nullptr, line, folder);
    if (!ok) {
        static char detail[2048];
        lstrcpynA(detail, line.c_str(), sizeof detail);
        error_stack_push(detail);
        show_program_message("Программа просмотра не запускается");
    }
    return ok;
}
