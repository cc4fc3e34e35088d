// Tests of the model language translator: statement lists of snippets,
// the messages of faulty ones, line numbering and the line search.
#include "model/model_translator.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* text;
    const char* dump = nullptr;     // expected node dump, or null when an error is expected
    const char* message = nullptr;  // expected message (as stored)
    unsigned line = 0;              // line of the message
    const char* detail = nullptr;   // first detail line, or null
};

void check(const Case& c, int slot = 0) {
    ModelProgram p;
    ModelError e;
    std::string text(c.text);
    bool ok = model_translate(text.data(), text.size(), slot, p, e);
    SCOPED_TRACE(c.text);
    if (c.dump) {
        ASSERT_TRUE(ok) << e.message << " at " << e.line;
        EXPECT_EQ(model_dump_program(p), c.dump);
    } else {
        ASSERT_FALSE(ok) << model_dump_program(p);
        EXPECT_EQ(e.message, c.message);
        EXPECT_EQ(e.line, c.line);
        if (c.detail) {
            ASSERT_FALSE(e.details.empty());
            EXPECT_EQ(e.details[0], c.detail);
        } else {
            EXPECT_TRUE(e.details.empty());
        }
        EXPECT_TRUE(p.nodes.empty());
    }
}

TEST(ModelTranslator, StatementLists) {
    const Case cases[] = {
        {"DIM A AS INTEGER, B$, C(1 TO 3, 5)", "1 0 1 A id1 t1 s8\n1 0 1 B$ id2 t3 s0\n1 0 1 C id3 t2 s8 1..3 0..5\n"},
        {"dim a as double", "1 0 1 A id1 t2 s8\n"},
        {"DIM S(3) AS STRING * 5, N AS SINGLE, K AS LONG",
         "1 0 1 S id1 t3 s5 0..3\n1 0 1 N id2 t2 s8\n1 0 1 K id3 t1 s8\n"},
        {"DIM A\r\nDIM A(4)", "1 0 1 A id1 t2 s8\n2 0 1 A id1 t2 s8 0..4\n"},
        {"DIM X\nIF X > 1 THEN\nX = 1\nELSE\nX = 2\nENDIF",
         "1 0 1 X id1 t2 s8\n2 0 7 [X > 1] else@5\n3 0 5 [1]\n3 0 6 [X]\n4 0 3 ->50000\n5 0 5 [2]\n"
         "5 0 6 [X]\n6 50000 19\n"},
        {"IF 1 THEN\nENDIF", "1 0 7 [1] else@1\n2 0 19\n"},
        {"IF X THEN GOTO 100", "1 0 7 [X] else@-1\n1 0 3 ->100\n"},
        {"49999 STOP", "1 49999 17\n"},
        {"10 GOSUB 20\n20 RETURN", "1 10 2 ->20\n2 20 4\n"},
        {"LET A = 1\nA(1, 2) = B + 1", "1 0 5 [1]\n1 0 6 [A]\n2 0 5 [B + 1]\n2 0 6 [A(1, 2)]\n"},
        {"DO WHILE A < 3\nLOOP", "1 0 11 WHILE [A < 3] @1\n2 0 10 @0\n"},
        {"DO\nLOOP UNTIL A", "1 0 11 @1\n2 0 10 UNTIL [A] @0\n"},
        // "=" inside a string does not make an assignment.
        {"OPEN \"W\", \"A=B.TXT\", #1", "1 0 13 [OPEN(\"W\", \"A=B.TXT\", #1)]\n"},
        {"print \"It's\" ' a note", "1 0 12 [PRINT(\"It's\")]\n"},
        {"PRINT \"C:\\\\\", 1", "1 0 12 [PRINT(\"C:\\\\\", 1)]\n"},
        {"PRINT \"say \\\"hi\\\"\"", "1 0 12 [PRINT(\"say \\\"hi\\\"\")]\n"},
        // Keyword searches are whole words outside strings.
        {"IF ATHENS > 1 THEN\nENDIF", "1 0 7 [ATHENS > 1] else@1\n2 0 19\n"},
        {"DIM I\nFOR I = LEN(\" TO \") TO 5\nNEXT",
         "1 0 1 I id1 t2 s8\n2 0 8 I [LEN(\" TO \")] [5] next@2\n3 0 9 for@1\n"},
        {"DIM I\nFOR I = 1 TO 10 STEP 2\nNEXT I", "1 0 1 I id1 t2 s8\n2 0 8 I [1] [10] [2] next@2\n3 0 9 for@1\n"},
        // A string goes on over a line break, which it loses; the statement
        // keeps its first line and the next statement its own.
        {"PRINT \"a\r\nb\"\r\nSTOP", "1 0 12 [PRINT(\"ab\")]\n3 0 17\n"},
    };
    for (const Case& c : cases) check(c);
}

TEST(ModelTranslator, BlankLinesCountInEveryBreakStyle) {
    const Case cases[] = {
        {"\r\n\r\nSTOP", "3 0 17\n"},
        {"\n\nSTOP\n", "3 0 17\n"},
        {"\r\rSTOP", "3 0 17\n"},
        {"\r\n\nSTOP", "3 0 17\n"},
        {"  \t \r\n' only a comment\r\nSTOP   ", "3 0 17\n"},
    };
    for (const Case& c : cases) check(c);
}

TEST(ModelTranslator, Messages) {
    const char* syntax = "%ый оператор";
    const char* name = "%ое имя переменной";
    const char* type = "%ый тип переменной";
    const char* extra = "лишний оператор";
    const char* loop = "%ый оператор цикла DO";
    const char* size = "%ый размер переменной";
    const Case cases[] = {
        {"PRINT", nullptr, syntax, 1, nullptr},
        {"STOP\nHELLO", nullptr, syntax, 2, nullptr},
        {"IF X THEN 100", nullptr, syntax, 1, nullptr},
        {"IF THEN", nullptr, syntax, 1, nullptr},
        {"IF X > 1", nullptr, syntax, 1, nullptr},
        {"DO\nLOOP", nullptr, loop, 2, nullptr},
        {"DO WHILE A\nLOOP UNTIL B", nullptr, loop, 2, nullptr},
        {"DO FOREVER\nLOOP", nullptr, loop, 1, nullptr},
        {"50000 STOP", nullptr, syntax, 1, nullptr},
        {"GOTO 50000", nullptr, syntax, 1, nullptr},
        {"GOTO 65636", nullptr, syntax, 1, nullptr},
        {"GOSUB 0", nullptr, syntax, 1, nullptr},
        {"GOTO", nullptr, syntax, 1, nullptr},
        {"10 STOP\n10 STOP", nullptr, "Недопустимая метка перехода", 2, nullptr},
        {"FOR I = 1 TO 3\nNEXT\nDIM I", nullptr, name, 1, "       I"},
        {"DIM I\nFOR I=1TO 3\nNEXT", nullptr, syntax, 2, nullptr},
        {"DIM I\nFOR I 1 TO 3\nNEXT", nullptr, syntax, 2, nullptr},
        {"DIM I, J\nFOR I = 1 TO 2\nNEXT J", nullptr, name, 3, "       J"},
        {"NEXT", nullptr, extra, 1, nullptr},
        {"LOOP UNTIL 1", nullptr, extra, 1, nullptr},
        {"ELSE", nullptr, extra, 1, nullptr},
        {"ENDIF", nullptr, extra, 1, nullptr},
        {"IF 1 THEN\nELSE\nELSE\nENDIF", nullptr, extra, 3, nullptr},
        {"IF 1 THEN\nELSE IF 2 THEN\nENDIF\nENDIF", nullptr, syntax, 2, nullptr},
        // Blocks that cross each other.
        {"DIM I\nFOR I = 1 TO 2\nIF I THEN\nNEXT\nENDIF", nullptr, "не завершён оператор IF", 4, nullptr},
        {"DIM I\nIF 1 THEN\nFOR I = 1 TO 2\nENDIF\nNEXT", nullptr, "не завершён цикл FOR", 4, nullptr},
        // Blocks open at the end of the text, reported IF, FOR, DO in turn.
        {"DIM I\nDO\nFOR I = 1 TO 2\nIF 1 THEN", nullptr, "не завершён оператор IF", 4, nullptr},
        {"DIM I\nDO\nFOR I = 1 TO 2", nullptr, "не завершён цикл FOR", 3, nullptr},
        {"DO WHILE 1", nullptr, "не завершён цикл DO", 1, nullptr},
        {"PRINT \"abc", nullptr, "Не закрытые кавычки", 1, nullptr},
        {"PRINT \"C:\\\"", nullptr, "Не закрытые кавычки", 1, nullptr},
        {"= 5", nullptr, syntax, 1, nullptr},
        {"A =", nullptr, syntax, 1, nullptr},
        {"SAVE A(3)", nullptr, "Сохраняемой переменной не может быть массив!", 1, "       A"},
        {"DIM S AS STRING * 0", nullptr, size, 1, "       S"},
        {"DIM S AS STRING * 2048", nullptr, size, 1, "       S"},
        {"DIM S$(3)", nullptr, size, 1, "       S$"},
        {"DIM A(70000)", nullptr, "$синтаксиса", 1, "       A"},
        {"DIM A(5 TO 1)", nullptr, size, 1, "       A"},
        {"DIM A(1, 2, 3, 4, 5)", nullptr, "%ая размерность массива", 1, "       A"},
        {"DIM A(3", nullptr, "$синтаксиса", 1, "       A"},
        {"DIM A% AS INTEGER", nullptr, type, 1, "       A%"},
        {"DIM A AS FLOAT", nullptr, type, 1, "       A"},
        {"DIM A B", nullptr, type, 1, "       A"},
        {"DIM SIN", nullptr, name, 1, "       SIN"},
        {"DIM STEP", nullptr, name, 1, "       STEP"},
        {"DIM AND", nullptr, name, 1, "       AND"},
        {"DIM 1A", nullptr, name, 1, "       1A"},
        {"DIM ЁЖ", nullptr, name, 1, "       ЁЖ"},
        {"DIM A-B", nullptr, name, 1, "       A-B"},
        {"DIM ABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJK", nullptr, name, 1,
         "       ABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJK"},
        {"DIM , A", nullptr, syntax, 1, nullptr},
        {"RETURN 5", nullptr, syntax, 1, nullptr},
    };
    for (const Case& c : cases) check(c);
}

TEST(ModelTranslator, SaveOnlyInTheMainModel) {
    check({"SAVE A", "1 0 18 A id1 t2 s8\n", nullptr, 0, nullptr}, 0);
    check({"\nSAVE A", nullptr, "оператор SAVE разрешён только в основной модели", 2, nullptr}, 1);
}

TEST(ModelTranslator, LongestNameIsAccepted) {
    std::string forty(40, 'Z');
    ModelProgram p;
    ModelError e;
    std::string text = "DIM " + forty;
    ASSERT_TRUE(model_translate(text.data(), text.size(), 0, p, e)) << e.message;
    EXPECT_EQ(p.names.at(0), forty);
}

TEST(ModelTranslator, FindLineCountsEveryLine) {
    // Blank lines above the match count, in every break style.
    const char* texts[] = {"X = 1\r\n\r\n\r\nA = B\r\nA=B", "X = 1\n\n\nA = B\nA=B", "X = 1\r\r\rA = B\rA=B"};
    for (const char* t : texts) {
        SCOPED_TRACE(t);
        size_t n = std::string(t).size();
        EXPECT_EQ(model_find_line(t, n, 0, "A=B"), 4u);
        EXPECT_EQ(model_find_line(t, n, 4, "A = B"), 5u);
        EXPECT_EQ(model_find_line(t, n, 5, "A=B"), 0u);
        EXPECT_EQ(model_find_line(t, n, 0, "Q"), 0u);
    }
    EXPECT_EQ(model_find_line("\tA\t=\tB", 7, 0, "A=B"), 1u);
}

}  // namespace
