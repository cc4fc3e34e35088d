// The portable half of program messages: marker expansion, details, the
// once-only rule while a failure is passed up, the dialog choice, and the
// mark of a failed document.
#include "store_test_support.h"

using namespace store_test;

namespace {

std::vector<ProgramMessage> seen;
std::vector<std::string> seen_text;
void keep(const ProgramMessage& m) {
    seen.push_back(m);
    seen_text.push_back(m.text);
}

class ProgramMessages : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        seen.clear();
        seen_text.clear();
        program_message_display = keep;
    }
};

TEST_F(ProgramMessages, MarkersExpand) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"$чтения файла чертежа", "ОШИБКА чтения файла чертежа"},
        {"%ая версия файла", "недопустимая версия файла"},
        {"Сбой#", "Сбой"},
        {"$%$", "ОШИБКА недопустимОШИБКА "},
        {"", ""},
    };
    for (const Case& c : cases) {
        char buf[360];
        int16_t n = expand_message_markers(c.in, buf, sizeof buf);
        EXPECT_STREQ(buf, c.out);
        EXPECT_EQ(n, static_cast<int16_t>(std::strlen(c.out)));
    }
    // "ОШИБКА " is 7 bytes and "недопустим" 10 in the program's code page.
    char buf[32];
    EXPECT_EQ(expand_message_markers("$", buf, sizeof buf), 7);
    EXPECT_EQ(expand_message_markers("%", buf, sizeof buf), 10);
    // The destination size is respected.
    EXPECT_EQ(expand_message_markers("%%%%", buf, 12), 11);
    EXPECT_EQ(std::strlen(buf), 11u);
}

TEST_F(ProgramMessages, RepeatedTextShowsOnceWhileTheFailureIsPassedUp) {
    error_flag = 1;
    for (int i = 0; i < 3; ++i) show_program_message("$записи в файл чертежа");
    EXPECT_EQ(seen.size(), 1u);
    error_flag = 0;
    for (int i = 0; i < 3; ++i) show_program_message("$записи в файл чертежа");
    EXPECT_EQ(seen.size(), 4u);
}

TEST_F(ProgramMessages, DetailsFollowOnTheirOwnLinesAndEmptyTheList) {
    error_stack_push("деталь 1");
    error_stack_push("деталь 2");
    show_program_message("Текст");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen_text[0], "Текст\nдеталь 1\nдеталь 2\n");
    EXPECT_EQ(error_stack.count, 0);
    error_stack_push("только деталь");
    show_program_message("");
    EXPECT_EQ(seen_text.back(), "только деталь\n");
    for (int i = 0; i < 6; ++i) error_stack_push(i == 5 ? "шестая" : "x");
    EXPECT_EQ(error_stack.count, 5);
    show_program_message("М");
    EXPECT_EQ(seen_text.back().find("шестая"), std::string::npos);
}

TEST_F(ProgramMessages, LongTextsStayWithinTheBuffer) {
    std::string text(355, 'a');
    std::string detail(300, 'b');
    for (int i = 0; i < 5; ++i) error_stack_push(detail.c_str());
    show_program_message(text.c_str());
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_LE(seen_text[0].size(), 359u);
    // Markers that expand past the buffer are cut, not overflowed.
    std::string many(300, '%');
    show_program_message(many.c_str());
    EXPECT_LE(seen_text.back().size(), 359u);
}

TEST_F(ProgramMessages, TheShownTextCanBeShownAgain) {
    show_program_message("%ая версия");
    show_program_message(message_text);  // no marker is left to expand
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen_text[1], "недопустимая версия");
}

TEST_F(ProgramMessages, DialogAndClosingDecisions) {
    DrawingFile* df = create();
    struct Case {
        const char* text;
        const char* detail;
        bool marked;
        bool internal_code;
        bool fatal;
        bool close;
    } cases[] = {
        {"$в структуре данных", "E20113", false, true, false, false},
        {"$в структуре данных", "E20113", true, true, false, true},
        {"$открытия чертежа", "LINE20.svt", true, false, false, false},
        {"$открытия чертежа", "E2045.bmp", true, false, false, false},
        {"$открытия чертежа", "E201234", true, false, false, false},
        {"Недостаточно памяти#", nullptr, false, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + (c.detail ? c.detail : "-"));
        df->header[111] = c.marked ? 0x08 : 0;
        error_flag = 0;
        seen.clear();
        if (c.detail) error_stack_push(c.detail);
        show_program_message(c.text);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].internal_code, c.internal_code);
        EXPECT_EQ(seen[0].fatal, c.fatal);
        EXPECT_EQ(seen[0].close_everything, c.close);
        // Closing everything leaves the error flag set for the callers.
        if (c.close) {
            EXPECT_EQ(error_flag, 1);
        }
    }
    df->header[111] = 0;
}

TEST_F(ProgramMessages, DocumentFailureMarksTheHeader) {
    DrawingFile* df = create();
    error_stack_push("E20112");
    report_document_failure(df);
    EXPECT_TRUE(df->header[111] & 0x08);
    EXPECT_EQ(error_flag, 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen_text[0], "ОШИБКА в структуре данных\nE20112\n");
    EXPECT_TRUE(seen[0].internal_code);
    EXPECT_TRUE(seen[0].close_everything);
    df->header[111] = 0;
}

TEST_F(ProgramMessages, DamagedFileClosesEverythingOnce) {
    file_unusable = 1;
    show_program_message("A");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].close_everything);
    error_flag = 0;
    show_program_message("B");
    EXPECT_FALSE(seen[1].close_everything);
}

}  // namespace
