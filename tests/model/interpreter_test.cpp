// Tests of the model interpreter: small programs and the lines they print,
// worked out by hand from the language's rules (model/LANGUAGE.md).
#include "model/model_interpreter.h"
#include "model_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <dirent.h>
#endif

using model_test::run_lines;
using Lines = std::vector<std::string>;

namespace {

struct Program {
    const char* name;
    const char* text;
    Lines expected;  // lines between the start and the stop line
};

void check_programs(const std::vector<Program>& programs) {
    for (const Program& p : programs) {
        SCOPED_TRACE(p.name);
        EXPECT_EQ(run_lines(p.text), p.expected);
    }
}

TEST(ModelInterpreter, StartAndStopLines) {
    model_test::Recorder r;
    ModelHost h = model_test::recording_host(r);
    std::string text = "DIM A\r\nA = 1\r\n\r\nPRINT A";
    ModelRunResult res = model_run(text.data(), text.size(), 0, h);
    EXPECT_EQ(res.outcome, model_run_finished);
    EXPECT_EQ(r.lines, (Lines{"00000  *=С Т А Р Т=* ***** 09:05:04 *****", "00004  1",
                              "00004  *=С Т О П  машина!=*"}));
}

TEST(ModelInterpreter, Arithmetic) {
    check_programs({
        {"priorities",
         "DIM A, I AS INTEGER, S$\n"
         "A = 2 + 3 * 4\n"
         "PRINT A\n"
         "PRINT -2 ^ 2, 2 ^ 3 ^ 2, 2 ^ -1, (1 + 2) * 3\n"
         "PRINT 7 / 2, 7 \\ 2, -7 \\ 2, 10 - 4 - 3\n"
         "I = 2.5\n"
         "PRINT I\n"
         "I = -2.5\n"
         "PRINT I\n"
         "S$ = \"ab\" + \"cd\"\n"
         "PRINT S$, LEN(S$)\n"
         "PRINT 1 < 2, NOT 0, NOT 1 > 2, 2 = 2 AND 3 > 4, 6 AND 3, 6 OR 3, 6 XOR 3\n"
         "PRINT (1 > 0) = NOT (0 > 1), 5 EQV 5, 4 -> 6, 6 -> 4, \"B\" > \"A\"\n"
         "PRINT 1.5E2, 2.5e-1, .5\n",
         {"00003  14", "00004  -4, 64, 0.5, 9", "00005  3.5, 3, -4, 3", "00007  3", "00009  -3",
          "00011  \"abcd\", 4", "00012  -1, -1, -1, 0, 2, 7, 5", "00013  -1, -1, -1, 0, -1",
          "00014  150, 0.25, 0.5"}},
        {"maths",
         "PRINT ABS(-3), SGN(-2), SGN(0), INT(-2.5), FLOOR(2.7), CEIL(2.1), CEIL(-2.5), CEIL(4)\n"
         "PRINT SQR(16), EXP(0), LOG(1), COS(0), SIN(0), ATN(0), ATN2(0, 1), TAN(0), CDBL(3)\n"
         "PRINT INT(SQR(2) * 1000), INT(ATN2(1, 1) * 4000)\n",
         {"00001  3, -1, 0, -3, 2, 3, 0, 4", "00002  4, 1, 0, 1, 0, 0, 0, 0, 3", "00003  1414, 3141"}},
    });
}

// Assignments, conditions and loop bounds evaluate number expressions on a
// path of their own, PRINT on the general one: each expression is assigned
// and printed, and both must show the value worked out by hand; errors on
// that path keep their messages, and texts or other calls fall back.
TEST(ModelInterpreter, NumberExpressionsAgreeOnEveryPath) {
    const struct {
        const char* expression;
        const char* value;
    } cases[] = {
        {"2 + 3 * 4", "14"},
        {"-2 ^ 2", "-4"},
        {"2 ^ 3 ^ 2", "64"},
        {"7 / 2", "3.5"},
        {"7 \\ 2", "3"},
        {"-7 \\ 2", "-4"},
        {"NOT 0", "-1"},
        {"NOT 1 > 2", "-1"},
        {"2 = 2 AND 3 > 4", "0"},
        {"6 XOR 3", "5"},
        {"4 -> 6", "-1"},
        {"ABS(-3) + SGN(-2)", "2"},
        {"INT(-2.5) + CEIL(2.1)", "0"},
        {"SQR(16) * EXP(0) + LOG(1) + COS(0)", "5"},
        {"INT(SQR(2) * 1000)", "1414"},
        {"A(1) * 2 - A(0)", "5"},
        {"-A(1)", "-2.5"},
        {"SQR(4) + LEN(\"ab\")", "4"},
    };
    std::vector<Program> programs;
    std::vector<std::string> texts;
    texts.reserve(std::size(cases));
    for (const auto& c : cases) {
        texts.push_back(std::string("DIM X, A(2)\nA(1) = 2.5\nX = ") + c.expression + "\nPRINT X, " + c.expression +
                        "\n");
        programs.push_back({c.expression, texts.back().c_str(), {std::string("00004  ") + c.value + ", " + c.value}});
    }
    check_programs(programs);
    check_programs({
        {"square root of a negative assigned", "DIM X\nX = SQR(-1)\n", {"00002  переполнение числа"}},
        {"division by zero as a condition", "DIM X\nIF 1 / 0 THEN\nX = 1\nENDIF\n", {"00002  переполнение числа"}},
        {"log of zero as a loop end", "DIM I\nFOR I = 1 TO LOG(0)\nNEXT\n", {"00002  переполнение числа"}},
        {"a text met half-way", "DIM X, S$\nS$ = \"a\"\nX = SQR(4) + S$\n", {"00003  ОШИБКА в типах переменных!"}},
        {"an unknown variable", "DIM X\nX = SQR(4) + Q\n", {"00002  недопустимая переменная", "       Q"}},
        {"integer target rounds", "DIM I AS INTEGER\nI = SQR(6.25)\nPRINT I\n", {"00003  3"}},
        {"loop bounds of functions", "DIM I, C\nFOR I = ABS(-1) TO SQR(9) STEP INT(1.5)\nC = C + I\nNEXT\nPRINT C\n",
         {"00005  6"}},
    });
}

TEST(ModelInterpreter, ForLoops) {
    check_programs({
        {"up", "DIM I, C\nFOR I = 1 TO 3\nC = C + 1\nNEXT\nPRINT C, I\n", {"00005  3, 4"}},
        {"down without step", "DIM I, C\nFOR I = 5 TO 1\nC = C + 1\nNEXT\nPRINT C, I\n", {"00005  5, 0"}},
        {"one pass", "DIM I, C\nFOR I = 1 TO 1\nC = C + 1\nNEXT\nPRINT C, I\n", {"00005  1, 2"}},
        {"tenths within the tolerance", "DIM X, C\nFOR X = 0 TO 1 STEP 0.1\nC = C + 1\nNEXT\nPRINT C\n",
         {"00005  11"}},
        {"explicit step down", "DIM I, C\nFOR I = 10 TO 1 STEP -3\nC = C + I\nNEXT\nPRINT C, I\n",
         {"00005  22, -2"}},
        {"step up never entered", "DIM I, C\nFOR I = 3 TO 1 STEP 1\nC = C + 1\nNEXT\nPRINT C, I\n",
         {"00005  0, 3"}},
        {"end changed inside the loop",
         "DIM I, N\nN = 3\nFOR I = 1 TO N\nN = 5\nPRINT I\nNEXT\n",
         {"00005  1", "00005  2", "00005  3", "00005  4", "00005  5"}},
        {"nested", "DIM I, J, C\nFOR I = 1 TO 3\nFOR J = I TO 3\nC = C + 1\nNEXT J\nNEXT I\nPRINT C\n",
         {"00007  6"}},
    });
}

TEST(ModelInterpreter, Control) {
    check_programs({
        {"if else",
         "DIM X\nX = 0.5\nIF X THEN\nPRINT 1\nELSE\nPRINT 2\nENDIF\nIF \"A\" THEN\nPRINT 3\nENDIF\n"
         "IF 2 > 1 THEN GOTO 20\nPRINT 4\n20 PRINT 5\n",
         {"00006  2", "00009  3", "00013  5"}},
        {"gosub and return",
         "DIM K\nGOSUB 100\nGOSUB 100\nPRINT K\nSTOP\n100 K = K + 1\nRETURN\n", {"00004  2"}},
        {"return without gosub ends the run", "PRINT 1\nRETURN\nPRINT 2\n", {"00001  1"}},
        {"do while", "DIM I\nDO WHILE I < 3\nI = I + 1\nLOOP\nPRINT I\n", {"00005  3"}},
        {"do until at the bottom", "DIM I\nDO\nI = I + 2\nLOOP UNTIL I >= 5\nPRINT I\n", {"00005  6"}},
        {"do until at the top, never entered", "DIM I\nDO UNTIL I = 0\nI = 9\nLOOP\nPRINT I\n", {"00005  0"}},
        {"goto backwards", "DIM I\n10 I = I + 1\nIF I < 4 THEN GOTO 10\nPRINT I\n", {"00004  4"}},
    });
}

TEST(ModelInterpreter, ArraysAndRedeclaration) {
    check_programs({
        {"a second DIM keeps the common elements",
         "DIM A(5)\nA(3) = 3\nA(5) = 7\nDIM A(3)\nPRINT A(3)\nPRINT A(5)\n",
         {"00005  3", "00006  Выход за границы массива!", "       A", "       1-й индекс = 5    "}},
        {"two dimensions, first index fastest",
         "DIM B(1 TO 3, 5), I, J, C\nFOR J = 0 TO 5\nFOR I = 1 TO 3\nC = C + 1\nB(I, J) = C\nNEXT\nNEXT\n"
         "PRINT B(1, 0), B(3, 0), B(1, 1), B(3, 5)\nPRINT B(0, 0)\n",
         {"00008  1, 3, 4, 18", "00009  Выход за границы массива!", "       B", "       1-й индекс = 0    "}},
        {"index truncated", "DIM A(2)\nA(1.9) = 5\nPRINT A(1), ELEMENT(A, 1)\n", {"00003  5, 5"}},
        {"type change keeps values", "DIM A(2)\nA(1) = 2.5\nDIM A(2) AS STRING * 10\nPRINT A(1)\n",
         {"00004  \"2.5\""}},
        {"fixed strings are cut", "DIM S(1) AS STRING * 4\nS(0) = \"abcdef\"\nPRINT S(0)\n",
         {"00003  \"abc\""}},
        {"swap", "DIM A, B, S$, T$\nA = 1\nB = 2\nS$ = \"x\"\nT$ = \"y\"\nA = SWAP(A, B)\nA = SWAP(S$, T$)\n"
                 "PRINT B, S$, T$\n",
         {"00008  1, \"y\", \"x\""}},
    });
}

TEST(ModelInterpreter, Strings) {
    check_programs({
        {"slices",
         "DIM S$\nS$ = \"HELLO\"\n"
         "PRINT LEFT$(S$, 2), RIGHT$(S$, 2), MID$(S$, 2, 3), MID$(S$, 4, 10), MID$(S$, 0, 1), LEFT$(S$, 9)\n"
         "PRINT INSTR(1, S$, \"L\"), INSTR(4, S$, \"L\"), INSTR(0, S$, \"Z\"), ASC(\"A\"), CHR$(66)\n"
         "PRINT STR$(1.5), TEXT$(2), VAL(\"3,5\") + 1, VAL(\"x\")\n"
         "print left$(\"Hello\", 2)\n",
         {"00003  \"HE\", \"LO\", \"ELL\", \"LO\", \"H\", \"HELLO\"", "00004  3, 4, 0, 65, \"B\"",
          "00005  \"1.5\", \"2\", 4.5, 0", "00006  \"He\""}},
        {"quotes and backslashes",
         "PRINT \"say \\\"hi\\\"\", \"C:\\TEMP\\\\\", \"it's\" ' comment\n",
         {"00001  \"say \\\"hi\\\"\", \"C:\\\\TEMP\\\\\", \"it's\""}},
        {"dates", "PRINT DATE$, DATE$(1), DATE$(2), TIME$\n",
         {"00001  \"07.03.2026\", \"07.03.26\", \"07 марта 2026\", \"09:05:04\""}},
    });
}

TEST(ModelInterpreter, RunErrors) {
    check_programs({
        {"type mismatch", "DIM A\nA = \"x\"\nPRINT 1\n", {"00002  ОШИБКА в типах переменных!"}},
        {"number plus text", "PRINT 1 + \"x\"\n", {"00001  ОШИБКА в типах переменных!"}},
        {"unknown variable", "PRINT 1\nPRINT Q\n", {"00001  1", "00002  недопустимая переменная", "       Q"}},
        {"variable used before its DIM runs", "GOTO 10\nDIM A\n10 PRINT A\n",
         {"00003  недопустимая переменная", "       A"}},
        {"missing label", "GOTO 77\n", {"00001  Недопустимая метка перехода"}},
        {"square root of a negative", "PRINT SQR(-1)\n", {"00001  переполнение числа"}},
        {"log of zero", "PRINT LOG(0)\n", {"00001  переполнение числа"}},
        {"overflow", "PRINT 1E300 * 1E300\n", {"00001  переполнение числа"}},
        {"huge index", "DIM A(3)\nPRINT A(1E300)\n", {"00002  переполнение числа"}},
        {"NaN to an integer", "DIM I AS INTEGER\nI = SQR(-4)\n", {"00002  переполнение числа"}},
        {"huge value to bits", "PRINT 1E30 AND 1\n", {"00001  переполнение числа"}},
        {"zero to a negative power", "PRINT 0 ^ -1\n", {"00001  переполнение числа"}},
        {"division by zero", "PRINT 1 / 0\n", {"00001  переполнение числа"}},
        {"swap into a constant", "DIM A\nA = SWAP(A, 5)\n", {"00002  ОШИБКА в типах переменных!"}},
        {"unknown function", "PRINT PERIMETER(\"K1\")\n", {"00001  недопустимая функция", "       PERIMETER"}},
        {"argument count", "PRINT SIN(1, 2)\n", {"00001  недопустимое количество аргументов", "       SIN"}},
        {"argument type", "PRINT LEN(5)\n", {"00001  недопустимый тип аргумента"}},
        {"missing bracket", "PRINT (1 + 2\n", {"00001  Нет закрывающей скобки", "       символ 0006"}},
        {"extra bracket", "PRINT 1 + 2)\n", {"00001  Лишняя закрывающая скобка", "       символ 0013"}},
        {"bad number", "PRINT 1.2.3\n", {"00001  недопустимая числовая константа", "       символ 0010"}},
        {"bad character", "PRINT 1 ; 2\n", {"00001  недопустимый символ в параметрах", "       символ 0009"}},
        {"dangling operator", "PRINT 1 +\n", {"00001  недопустимый синтаксис", "       символ 0010"}},
        {"an expression as a target", "DIM A\nA + 1 = 5\n", {"00002  недопустимый идентификатор"}},
        {"translation error", "DIM A\nIF A THEN\n", {"00002  не завершён оператор IF"}},
        {"huge array", "DIM A(32767, 32767)\n", {"00001  ОШИБКА выделения памяти!"}},
    });
}

TEST(ModelInterpreter, SavedVariablesOnlyFromFinishedRuns) {
    ModelRunResult res;
    run_lines("SAVE A, S$, K%\nA = 5\nS$ = \"x\"\nDIM B\nB = 1\n", &res);
    ASSERT_EQ(res.outcome, model_run_finished);
    ASSERT_EQ(res.saved.size(), 3u);
    EXPECT_EQ(res.saved[0].name, "A");
    EXPECT_EQ(res.saved[0].type, model_type_real);
    EXPECT_EQ(res.saved[0].value, 5.0);
    EXPECT_EQ(res.saved[0].source_line, 2);
    EXPECT_EQ(res.saved[1].name, "S$");
    EXPECT_EQ(res.saved[1].text, "x");
    EXPECT_EQ(res.saved[2].name, "K%");
    EXPECT_EQ(res.saved[2].type, model_type_integer);
    EXPECT_EQ(res.saved[2].source_line, 0);

    run_lines("SAVE A\nA = 5\nPRINT Q\n", &res);
    EXPECT_EQ(res.outcome, model_run_failed);
    EXPECT_TRUE(res.saved.empty());

    // A DIM after SAVE keeps the saved mark.
    run_lines("SAVE A\nDIM A AS INTEGER\nA = 2.6\n", &res);
    ASSERT_EQ(res.saved.size(), 1u);
    EXPECT_EQ(res.saved[0].value, 3.0);
}

TEST(ModelInterpreter, StopFlagEndsTheRunAndStoresNothing) {
    model_test::Recorder r;
    r.lines_before_stop = 3;  // start line and two printed lines
    ModelHost h = model_test::recording_host(r);
    std::string text = "SAVE A\nDIM I\n10 I = I + 1\nA = I\nPRINT I\nGOTO 10\n";
    ModelRunResult res = model_run(text.data(), text.size(), 0, h);
    EXPECT_EQ(res.outcome, model_run_stopped);
    EXPECT_TRUE(res.saved.empty());
    ASSERT_EQ(r.lines.size(), 4u);
    EXPECT_EQ(r.lines[2], "00005  2");
    EXPECT_EQ(r.lines[3], "00005  *=С Т О П  машина!=*");
}

TEST(ModelInterpreter, SilentRunsHaveABudget) {
    // An endless loop in a run nobody can stop ends at the budget.
    model_test::Recorder r;
    ModelHost h = model_test::recording_host(r);
    h.silent = true;
    h.stop_requested = nullptr;
    h.statement_budget = 1000;
    std::string text = "SAVE A\n10 A = A + 1\nGOTO 10\n";
    ModelRunResult res = model_run(text.data(), text.size(), 0, h);
    EXPECT_EQ(res.outcome, model_run_stopped);
    EXPECT_EQ(res.statements, 1000u);
    EXPECT_TRUE(res.saved.empty());
    EXPECT_TRUE(r.lines.empty());  // silent: nothing posted

    // The same with output shows the message.
    model_test::Recorder r2;
    ModelHost h2 = model_test::recording_host(r2);
    h2.statement_budget = 10;
    model_run(text.data(), text.size(), 0, h2);
    ASSERT_EQ(r2.lines.size(), 3u);
    EXPECT_EQ(r2.lines[1], "00002  не хватает ресурсов");
}

#ifndef _WIN32
int open_descriptors() {
    int n = 0;
    DIR* d = opendir("/proc/self/fd");
    if (!d) return -1;
    while (readdir(d)) ++n;
    closedir(d);
    return n;
}
#endif

std::string file_text(const char* path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

TEST(ModelInterpreter, ChannelFiles) {
    std::remove("model_chan.lst");
    std::remove("model_chan.txt");
    check_programs({
        {"write, read back",
         "DIM X, S$, K AS INTEGER\n"
         "OPEN \"W\", \"model_chan.txt\", #1\n"
         "WRITE #1, 1.5, \"a\\\"b\", 7\n"
         "PRINT #1, 2\n"
         "CLOSE #1\n"
         "OPEN \"r\", \"model_chan.lst\", #2\n"
         "INPUT #2, X, S$, K\n"
         "PRINT X, S$, K\n"
         "INPUT #2, K\n"
         "PRINT K\n",
         {"00008  1.5, \"a\\\"b\", 7", "00010  2"}},
    });
    // Files are text files: lines end as the system's do.
#ifdef _WIN32
    const std::string nl = "\r\n";
#else
    const std::string nl = "\n";
#endif
    EXPECT_EQ(file_text("model_chan.lst"), "1.5, \"a\\\"b\", 7" + nl + "2" + nl);
    std::ifstream txt("model_chan.txt");
    EXPECT_FALSE(txt.good());  // the .txt name became .lst
    check_programs({
        {"append", "OPEN \"A\", \"model_chan\", #3\nWRITE #3, \"more\"\n", {}},
    });
    EXPECT_EQ(file_text("model_chan.lst"), "1.5, \"a\\\"b\", 7" + nl + "2" + nl + "\"more\"" + nl);

#ifndef _WIN32
    int before = open_descriptors();
#endif
    const char* io = "00002  недопустимый оператор ввода/вывода";
    check_programs({
        {"close unopened", "PRINT 1\nCLOSE #3\n", {"00001  1", io}},
        {"write after close", "OPEN \"W\", \"model_chan2\", #1\nCLOSE #1\nWRITE #1, 5\n",
         {"00003  недопустимый оператор ввода/вывода"}},
        {"open twice", "OPEN \"R\", \"model_chan.lst\", #1\nOPEN \"R\", \"model_chan.lst\", #1\n", {io}},
        {"channel 0", "OPEN \"R\", \"model_chan.lst\", #1\nCLOSE #0\n", {io}},
        {"channel 256", "OPEN \"R\", \"model_chan.lst\", #1\nCLOSE #256\n", {io}},
        {"channel without #", "OPEN \"R\", \"model_chan.lst\", #1\nCLOSE 1\n", {io}},
        {"bad mode", "OPEN \"R\", \"model_chan.lst\", #1\nOPEN \"X\", \"model_chan.lst\", #2\n", {io}},
        {"input into a constant", "OPEN \"R\", \"model_chan.lst\", #1\nINPUT #1, 5\n",
         {"00002  ОШИБКА в типах переменных!"}},
        {"missing file", "OPEN \"R\", \"model_no_such_file.lst\", #1\n",
         {"00001  ОШИБКА открытия файла", "       model_no_such_file.lst"}},
        {"read past the end", "DIM X\nOPEN \"W\", \"model_empty\", #1\nCLOSE #1\nOPEN \"R\", \"model_empty.lst\", #1\n"
                              "INPUT #1, X\n",
         {"00005  ОШИБКА чтения файла", "       model_empty.lst"}},
    });
#ifndef _WIN32
    // Files left open by failing runs are closed at their end.
    EXPECT_EQ(open_descriptors(), before);
#endif
    std::remove("model_chan.lst");
    std::remove("model_empty.lst");
    std::remove("model_chan2.lst");
}

}  // namespace
