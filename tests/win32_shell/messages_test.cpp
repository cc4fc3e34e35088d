// Program messages and questions: which dialog shows which text, the
// close-everything roads (also from a worker thread), the question table,
// the extra-text wrap and the remembered answer.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "shell/document_hooks.h"
#include "shell/frame_window.h"
#include "shell/help.h"
#include "shell/message_dialogs.h"
#include "shell/startup.h"
#include "shell_fixture.h"
#include "base/program_messages.h"
#include "store/settings_block.h"

namespace {

int closes;
DWORD close_thread;
void record_close() {
    ++closes;
    close_thread = GetCurrentThreadId();
}
const char* drawing_path() { return "C:\\Мои чертежи\\вал 1.svt"; }

struct MessageRoads : ::testing::Test {
    ShellDocumentHooks saved_hooks;
    void SetUp() override {
        test_frame();
        program_message_display = program_message_show;  // store tests may have replaced it
        closes = 0;
        saved_hooks = shell_documents;
        shell_documents.close_all = record_close;
        error_flag = 0;
        error_stack_clear();
        file_unusable = unusable_quit_done = 0;
        closed_everything = false;
    }
    void TearDown() override {
        shell_documents = saved_hooks;
        program_closing = 0;
        closed_everything = false;
        file_unusable = unusable_quit_done = 0;
        error_flag = 0;
        pump_messages();
    }
};

}  // namespace

TEST_F(MessageRoads, PlainAndInternalCodeMessagesUseTheirDialogs) {
    struct Case {
        const char* text;
        const char* detail;
        const char* shown;
        bool internal;
    } cases[] = {
        {"$чтения файла", nullptr, "ОШИБКА чтения файла", false},
        {"%ая версия файла", nullptr, "недопустимая версия файла", false},
        {"Сбой программы", "E20113", "Сбой программы\nE20113\n", true},
        {"$открытия %s", "LINE20.svt", "ОШИБКА открытия недопустимs\nLINE20.svt\n", false},
    };
    for (const Case& c : cases) {
        DialogWatcher w;
        if (c.detail) error_stack_push(c.detail);
        show_program_message(c.text);
        ASSERT_EQ(w.seen.size(), 1u) << c.text;
        EXPECT_EQ(w.seen[0].caption, "В Н И М А Н И Е !!!");
        EXPECT_EQ(w.seen[0].text(1001), c.shown);
        EXPECT_EQ(w.seen[0].has_bitmap, c.internal) << c.text;
    }
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(message_dialog_open, 0);
}

TEST_F(MessageRoads, DamagedFileClosesEverythingOnceAfterTheDialog) {
    file_unusable = 1;
    {
        DialogWatcher w;
        show_program_message("$чтения файла");
        EXPECT_EQ(w.seen.size(), 1u);
    }
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(unusable_quit_done, 1);
    program_closing = 0;
    closed_everything = false;
    {
        DialogWatcher w;
        show_program_message("$записи в файл");
    }
    EXPECT_EQ(closes, 1);
}

TEST_F(MessageRoads, FatalMessageClosesAndRestartsOnTheQuotedDrawingPath) {
    std::string probe = current_folder() + "\\bin\\gui_probe.exe";
    if (GetFileAttributesA(probe.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no gui_probe";
    // A recorder stands in for the program: gui_probe under another name
    // writes its command line to GUI_PROBE_RECORD.
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "sarvolt restart " + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(probe.c_str(), (folder + "\\SARVOLT.exe").c_str(), FALSE));
    std::string record = folder + "\\record.txt";
    SetEnvironmentVariableA("GUI_PROBE_RECORD", record.c_str());
    char saved[sizeof program_folder];
    std::memcpy(saved, program_folder, sizeof saved);
    lstrcpynA(program_folder, folder.c_str(), sizeof program_folder);
    shell_documents.current_path = drawing_path;
    {
        DialogWatcher w;
        show_program_message("Недостаточно оперативной памяти. Данные будут сохранены, программа рестартована#");
        ASSERT_EQ(w.seen.size(), 1u);
        EXPECT_EQ(w.seen[0].text(1001),
                  "Недостаточно оперативной памяти. Данные будут сохранены, программа рестартована");
    }
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(error_flag, 1);
    std::string line;
    for (int i = 0; i < 100 && line.empty(); ++i) {
        Sleep(50);
        if (FILE* f = std::fopen(record.c_str(), "rb")) {
            char buf[1024] = {};
            size_t n = std::fread(buf, 1, sizeof buf - 1, f);
            std::fclose(f);
            line.assign(buf, n);
        }
    }
    // The recorder writes UTF-8; the expected line is built the same way.
    wchar_t wide[1024];
    char utf8[2048];
    std::string want = "\"" + folder + "\\SARVOLT.exe\" \"C:\\Мои чертежи\\вал 1.svt\"\n";
    MultiByteToWideChar(CP_ACP, 0, want.c_str(), -1, wide, 1024);
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
    EXPECT_EQ(line, utf8);
    std::memcpy(program_folder, saved, sizeof saved);
    SetEnvironmentVariableA("GUI_PROBE_RECORD", nullptr);
    DeleteFileA(record.c_str());
    DeleteFileA((folder + "\\SARVOLT.exe").c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST_F(MessageRoads, AWorkerHandsTheClosingToTheGuiThread) {
    std::thread worker([] { close_everything_and_quit(nullptr, false); });
    worker.join();
    EXPECT_EQ(closes, 0);  // nothing closed on the worker
    pump_messages(200);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(close_thread, GetCurrentThreadId());
}

// ---------------------------------------------------------------- questions
namespace {
struct Questions : ::testing::Test {
    void SetUp() override {
        test_frame();
        ASSERT_NE(settings_block, nullptr);
    }
};
}  // namespace

TEST_F(Questions, EveryCodeHasItsText) {
    struct Case {
        int code;
        const char* text;
    } cases[] = {
        {1, "Это не просто закрытие окна!!!\nВы уверены, что хотите УДАЛИТЬ проекцию?\n"},
        {2, "Определить имя временному документу?\n"},
        {3, "Файл существует!\nЗаменить новым?\n"},
        {5, "Удалить вчерашние и более старые временные файлы SVTxxxxx.TMP?\n"},
        {6, "Преобразования фрагмента невозможны, так как проекция или фрагмент не готовы!\n"
            "Вставить фрагмент несмотря на это?"},
        {7, "Модель была изменена!\nВыйти без \"прогона\" выполнения?\n(сохранение в любом случае)"},
        {8, "Объединить совпавшие точки в одну?\n"},
        {9, "Этот фрагмент используется для формирования штриховки!!! Удалить несмотря на это?"},
        {10, "Точка занята размером !\nУдалить вместе со ссылкой на размер?"},
        {11, "Точка занята графическим элементом !\nУдалить вместе с графическими элементами?"},
        {12, "Фрагмент имеет размеры, зависимые от осей X и Y.\nС такими размерами его нельзя повернуть!"},
        {13, "Вы уверены?"},
        {14, "Нет файла на этом месте! Указать где?\n"},
        {15, "Проекция для таблицы с таким именем уже существует! Заменить?"},
        {17, "Шаблон с таким именем уже существует! Заменить?\n"},
        {18, "Чертёж в старом формате!\nПреобразовать в новый (безвозвратно)?\n"},
        {20, "Точка фиксируется размерами!\nУдалить эти размеры?"},
        {27, "Время создания \"засечек\" стало превосходить заданное значение (5 сек)! Если "
             "отказаться от их создания, то программа будет работать быстрее и у Вас останется "
             "возможность вернуться к только что созданной \"засечке\"."},
    };
    for (const Case& c : cases) {
        question_text_build(c.code, nullptr, 5);
        EXPECT_STREQ(question_text, c.text) << "code " << c.code;
    }
    for (int code : {4, 16, 19, 21, 26}) {
        char buf[8];
        EXPECT_EQ(question_for_code(code, buf, sizeof buf, 0), nullptr) << code;
    }
}

TEST_F(Questions, LongUnbrokenExtraTextGetsOneBlankAfterIts33rdCharacter) {
    const std::string q = "Вы уверены?\n";
    struct Case {
        std::string extra, shown;
    } cases[] = {
        {std::string(10, 'a'), std::string(10, 'a')},
        {std::string(33, 'a'), std::string(33, 'a')},
        {std::string(34, 'a'), std::string(33, 'a') + " a"},
        {std::string(36, 'a'), std::string(33, 'a') + " aaa"},
        {"a b" + std::string(40, 'c'), "a b" + std::string(40, 'c')},
    };
    for (const Case& c : cases) {
        question_text_build(13, c.extra.c_str(), 0);
        EXPECT_EQ(question_text, q + c.shown) << c.extra.size();
    }
    // The question and the extra text stay within the 356-character budget.
    std::string huge(600, 'x');
    question_text_build(13, huge.c_str(), 0);
    EXPECT_EQ(std::strlen(question_text), 356u - 11 + 12);
}

TEST_F(Questions, AnswersComeFromTheButtonsAndTheRememberedAnswerOfCode20) {
    remembered_answer_20 = -1;
    {
        DialogWatcher w([](HWND d) { press(d, 2); });
        EXPECT_EQ(ask_confirmation(frame_window, 5, nullptr), 0);
        ASSERT_EQ(w.seen.size(), 1u);
        EXPECT_EQ(w.seen[0].caption, "П о д т в е р д и т е  !");
        EXPECT_FALSE(w.seen[0].check_1978_enabled);
    }
    {
        DialogWatcher w([](HWND d) {
            CheckDlgButton(d, 1978, BST_CHECKED);
            press(d, 1978);
            press(d, 1);
        });
        EXPECT_EQ(ask_confirmation(frame_window, 20, "вал 1"), 1);
        ASSERT_EQ(w.seen.size(), 1u);
        EXPECT_TRUE(w.seen[0].check_1978_enabled);
        EXPECT_EQ(w.seen[0].text(1033), "Точка фиксируется размерами!\nУдалить эти размеры?\nвал 1");
    }
    {
        DialogWatcher w;
        EXPECT_EQ(ask_confirmation(frame_window, 20, nullptr), 1);
        EXPECT_TRUE(w.seen.empty());  // not asked again
    }
    remembered_answer_20 = -1;
}

TEST_F(Questions, HelpButtonOpensTheTopicOfTheCodePlus40) {
    int saved_available = help_available;
    char* saved_browser = browser_command;
    help_available = 1;
    browser_command = nullptr;  // the topic is chosen, no browser starts
    for (int code : {1, 27}) {
        DialogWatcher w([](HWND d) {
            press(d, 2112);
            press(d, 2);
        });
        ask_confirmation(frame_window, code, nullptr);
        EXPECT_EQ(help_topic, code + 40);
    }
    help_available = saved_available;
    browser_command = saved_browser;
}
