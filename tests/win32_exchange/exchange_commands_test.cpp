// The import and export commands under Wine: the file dialogs (answered
// through the documents' dialog hook), the overwrite question asked by the
// save dialog, the extension appended (and the program's own question when
// the extended name exists), the import options dialog driven as a user
// would, and a cancelled options dialog importing nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/document_seams.h"
#include "documents/documents.h"
#include "output/dxf_import.h"
#include "output/exchange_binding.h"
#include "output/import_session.h"
#include "render/output/dxf_writers.h"
#include "shell/commands.h"
#include "shell/document_ui.h"
#include "shell/exchange_commands.h"
#include "shell/frame_window.h"
#include "shell/panels.h"
#include "shell/resource_ids.h"
#include "store/drawing_header.h"
#include "store/kernel_binding.h"
#include "store/records.h"
#include "store/settings_block.h"

namespace fs = std::filesystem;

namespace {

std::string answer_path;
std::vector<std::string> messages;
// The program's own questions: code and extra text; answered with `answer`.
struct Questions {
    std::vector<std::pair<int, std::string>> asked;
    int answer = 0;
} questions;

size_t projection_count() {
    DrawingFile* df = current_drawing_file();
    if (!df) return 0;
    size_t n = 0;
    RecordRef h = get_u32(df->header, header_projections);
    for (uint8_t* p = record_next(df, &h, nullptr, &page_buffers[table_projections]); p;
         p = record_next(df, &h, p, &page_buffers[table_projections]))
        ++n;
    return n;
}

class ExchangeCommands : public ::testing::Test {
protected:
    fs::path home, dir;
    void SetUp() override {
        home = fs::current_path();
        dir = home / (std::string("exchwin_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directory(dir);
        fs::current_path(dir);
        ASSERT_EQ(store_init(), 0);
        ASSERT_EQ(settings_block_unpack(), 0);
        page_buffers_init_defaults();
        store_bind_kernel();
        program_instance = GetModuleHandleA(nullptr);
        messages.clear();
        program_message_display = [](const ProgramMessage& m) { messages.push_back(m.text); };
        document_shell = document_shell_unbound;
        questions = Questions();
        document_shell.ask = [](int code, const char* extra, unsigned) {
            questions.asked.emplace_back(code, extra ? extra : "");
            return questions.answer;
        };
        exchange_bind();
        exchange_commands_init();
        import_options = ImportOptions{0};
        dxf_line_width = 0;
        answer_path.clear();
        document_dialog_answer = [](int, char* path, size_t size) {
            if (answer_path.empty()) return 0;
            std::snprintf(path, size, "%s", answer_path.c_str());
            return 1;
        };
        import_options_answer = nullptr;
        ASSERT_EQ(drawing_new(1), 0);
    }
    void TearDown() override {
        document_dialog_answer = nullptr;
        import_options_answer = nullptr;
        while (open_drawing_count > 0 && drawing_close() == 0) {
        }
        program_message_display = program_message_unshown;
        fs::current_path(home);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void write_text(const std::string& name, const std::string& text) {
        FILE* f = std::fopen(name.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    static std::string read_text(const fs::path& name) {
        FILE* f = std::fopen(name.string().c_str(), "rb");
        if (!f) return "";
        std::string text(8192, '\0');
        text.resize(std::fread(&text[0], 1, text.size(), f));
        std::fclose(f);
        return text;
    }
};

const char small_dxf[] =
    "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nLINE\r\n  8\r\n0\r\n 10\r\n0\r\n 20\r\n0\r\n 11\r\n10\r\n 21\r\n0\r\n"
    "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";

TEST_F(ExchangeCommands, MenuCommandsReachTheExchangeCode) {
    EXPECT_EQ(command_seams.import_drawing, &import_drawing);
    EXPECT_EQ(command_seams.export_drawing, &export_drawing);
}

TEST_F(ExchangeCommands, ExportAsksBeforeOverwritingAndAppendsTheExtension) {
    answer_path = (dir / "part").string();
    export_drawing(0);
    EXPECT_EQ(std::string(exchange_dialog_seen.title), "Имя файла для экспорта");
    // The save dialog asks before it replaces an existing file.
    EXPECT_TRUE(exchange_dialog_seen.flags & OFN_OVERWRITEPROMPT);
    EXPECT_EQ(std::string(exchange_dialog_seen.default_extension), "mgi");
    // Proposed: the drawing's name without its extension, no trailing blank.
    std::string proposed = exchange_dialog_seen.proposed;
    EXPECT_EQ(proposed.find('.'), std::string::npos) << proposed;
    EXPECT_NE(proposed.back(), ' ');
    ASSERT_TRUE(fs::exists(dir / "part.mgi"));
    FILE* f = std::fopen((dir / "part.mgi").string().c_str(), "rb");
    char magic[5] = {0};
    ASSERT_EQ(std::fread(magic, 1, 4, f), 4u);
    std::fclose(f);
    EXPECT_STREQ(magic, "MGI ");
    // An extension no writer knows: the default one is added.
    answer_path = (dir / "part.txt").string();
    export_drawing(0);
    EXPECT_TRUE(fs::exists(dir / "part.txt.mgi"));
    EXPECT_FALSE(fs::exists(dir / "part.txt"));
    // Cancelled: nothing written.
    answer_path.clear();
    export_drawing(0);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3 + 0)
        << "part.mgi, part.txt.mgi and the working drawing";
    EXPECT_TRUE(messages.empty());
    // So far every file written was new, or the name the dialog itself
    // asked about: the program asked nothing of its own.
    EXPECT_TRUE(questions.asked.empty());
}

TEST_F(ExchangeCommands, NameExtendedByTheProgramIsReplacedOnlyAfterItsQuestion) {
    // The dialog accepted "part.txt"; the export writes "part.txt.mgi",
    // which exists already: question 3 names it, and "No" keeps it.
    write_text("part.txt.mgi", "keep");
    answer_path = (dir / "part.txt").string();
    export_drawing(0);
    ASSERT_EQ(questions.asked.size(), 1u);
    EXPECT_EQ(questions.asked[0].first, 3);
    EXPECT_EQ(questions.asked[0].second, (dir / "part.txt.mgi").string());
    EXPECT_EQ(read_text(dir / "part.txt.mgi"), "keep");
    EXPECT_FALSE(fs::exists(dir / "part.txt"));
    // "Yes" replaces it with the export.
    questions.answer = 1;
    export_drawing(0);
    EXPECT_EQ(questions.asked.size(), 2u);
    EXPECT_EQ(read_text(dir / "part.txt.mgi").compare(0, 4, "MGI "), 0);
    // A name ending in a point is the same name once extended.
    write_text("plan.mgi", "keep");
    questions.answer = 0;
    answer_path = (dir / "plan.").string();
    export_drawing(0);
    ASSERT_EQ(questions.asked.size(), 3u);
    EXPECT_EQ(questions.asked[2].second, (dir / "plan.mgi").string());
    EXPECT_EQ(read_text(dir / "plan.mgi"), "keep");
    EXPECT_TRUE(messages.empty());
}

TEST_F(ExchangeCommands, AtTheLayoutStageDxfIsOfferedAndWrittenWithCrLf) {
    DrawingFile* df = current_drawing_file();
    put_u16(df->header, header_options, get_u16(df->header, header_options) | header_opt_hatch_lines);
    unsigned char keep = current_stage;
    current_stage = 6;
    answer_path = (dir / "plan").string();
    export_drawing(0);
    current_stage = keep;
    EXPECT_EQ(std::string(exchange_dialog_seen.default_extension), "dxf");
    ASSERT_TRUE(fs::exists(dir / "plan.dxf"));
    EXPECT_FALSE(fs::exists(dir / "$$$sarvolt$dxf.tmp"));
    FILE* f = std::fopen((dir / "plan.dxf").string().c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::string text(4096, '\0');
    text.resize(std::fread(&text[0], 1, text.size(), f));
    std::fclose(f);
    EXPECT_EQ(text.compare(0, 12, "  0\r\nSECTION"), 0) << text.substr(0, 20);
    EXPECT_NE(text.find("$HANDSEED"), std::string::npos);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ExchangeCommands, ImportChoosesTheReaderByExtension) {
    answer_path = (dir / "a.mgi").string();
    export_drawing(0);
    write_text("b.dxf", small_dxf);
    import_options_answer = [] { return 1; };
    answer_path = (dir / "b.dxf").string();
    import_drawing();
    EXPECT_EQ(std::string(exchange_dialog_seen.title), "Имя файла для импорта");
    EXPECT_EQ(projection_count(), 1u);
    // A cancelled options dialog reads nothing.
    import_options_answer = [] { return 0; };
    import_drawing();
    EXPECT_EQ(projection_count(), 1u);
    // MGI needs no options; a missing file gets the open-failure message.
    import_options_answer = nullptr;
    answer_path = (dir / "missing.mgi").string();
    import_drawing();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("missing.mgi"), std::string::npos);
}

TEST_F(ExchangeCommands, OptionsDialogTakesTheWidthAndTheCheckBox) {
    write_text("c.dxf", small_dxf);
    answer_path = (dir / "c.dxf").string();
    // Drive the real dialog from another thread, as the user would.
    std::string shown_main;
    std::thread user([&] {
        HWND d = nullptr;
        // Found once shown: the dialog is set up before it becomes visible.
        for (int i = 0; i < 200 && !d; ++i) {
            Sleep(25);
            d = FindWindowA("#32770", "Импорт");
            if (d && !IsWindowVisible(d)) d = nullptr;
        }
        if (!d) return;
        char text[100] = {0};
        GetDlgItemTextA(d, IDC_IMPORT_THIN_WIDTH, text, sizeof text);
        shown_main = text;
        SetDlgItemTextA(d, IDC_IMPORT_THIN_WIDTH, "-0.4");
        SendDlgItemMessageA(d, IDC_IMPORT_NO_AUTO, BM_SETCHECK, BST_CHECKED, 0);
        GetDlgItemTextA(d, IDC_IMPORT_MAIN_WIDTH, text, sizeof text);
        shown_main += "|";
        shown_main += text;
        PostMessageA(d, WM_COMMAND, IDOK, 0);
    });
    import_drawing();
    user.join();
    EXPECT_EQ(shown_main, "  0.25|Ширина основной линии более   0.40 мм");
    EXPECT_DOUBLE_EQ(dxf_line_width, 0.4);
    EXPECT_EQ(import_options.no_auto_construction, 1);
    EXPECT_EQ(projection_count(), 1u);
    // The projection made carries "без автопостроения" (flag bit 10).
    DrawingFile* df = current_drawing_file();
    RecordRef h = get_u32(df->header, header_projections);
    uint8_t* p = record_next(df, &h, nullptr, &page_buffers[table_projections]);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(get_u16(p, 98) & 0x0400);
}

}  // namespace
