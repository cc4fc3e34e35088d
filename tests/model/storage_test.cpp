// Tests of the stored model programs and saved variables: real drawing
// files, text round trips, a failing page write, ids over runs and the
// write-back of values edited in the drawing.
#include "model/model_storage.h"
#include "model_test_support.h"
#include "tests/store/store_test_support.h"

#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/text_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using store_test::StoreTest;

namespace {

class ModelStorage : public StoreTest {
protected:
    std::string store_and_load(const std::string& text, int slot = 0) {
        ModelHead h;
        h.slot = static_cast<uint8_t>(slot);
        ModelError e;
        EXPECT_TRUE(model_program_store(df_, h, text.data(), text.size(), &e)) << e.message;
        std::string back;
        EXPECT_TRUE(model_program_load(df_, slot, back, nullptr));
        return back;
    }
    DrawingFile* df_ = nullptr;
    void SetUp() override {
        StoreTest::SetUp();
        df_ = create();
    }
};

TEST_F(ModelStorage, ProgramRoundTrips) {
    struct Case {
        const char* name;
        std::string text;
        std::string loaded;
    } cases[] = {
        {"CR LF", "DIM A\r\nA = 1\r\n", "DIM A\r\nA = 1\r\n"},
        {"LF only", "DIM A\nA = 1\n", "DIM A\r\nA = 1\r\n"},
        {"CR only", "DIM A\rA = 1", "DIM A\r\nA = 1\r\n"},
        {"no final break", "PRINT \"x\"", "PRINT \"x\"\r\n"},
        {"blank lines and trailing blanks", "\r\nDIM A   \r\n\r\n  \r\n  A = 1 ' c\t\r\n",
         "DIM A\r\n  A = 1 ' c\r\n"},  // a tab does not pack: a blank
        {"Cyrillic and signs", "S$ = \"Сталь 45; ё\" ' Ширина\r\n", "S$ = \"Сталь 45; ё\" ' Ширина\r\n"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(store_and_load(c.text), c.loaded);
        EXPECT_EQ(error_flag, 0);
    }
    EXPECT_EQ(get_u32(df_->header, header_model_program), 0u);  // the empty text leaves no chain
}

TEST_F(ModelStorage, SlotsAndHeadAreKeptApart) {
    ModelHead h;
    h.slot = 1;
    h.step = 0.25;
    std::string two = "PRINT 2\r\n";
    ASSERT_TRUE(model_program_store(df_, h, two.data(), two.size(), nullptr));
    EXPECT_EQ(store_and_load("PRINT 1\r\n", 0), "PRINT 1\r\n");
    std::string back;
    ModelHead loaded;
    ASSERT_TRUE(model_program_load(df_, 1, back, &loaded));
    EXPECT_EQ(back, two);
    EXPECT_EQ(loaded.step, 0.25);
    EXPECT_EQ(loaded.slot, 1);
    EXPECT_EQ(loaded.text_length, two.size());
    df_ = reopen(df_);
    ASSERT_TRUE(model_program_load(df_, 0, back, &loaded));
    EXPECT_EQ(back, "PRINT 1\r\n");
    EXPECT_EQ(loaded.step, model_default_step);
    model_program_reset(df_, 1, &loaded);
    EXPECT_EQ(get_u32(df_->header, header_model_program2), 0u);
    ASSERT_TRUE(model_program_load(df_, 1, back, nullptr));
    EXPECT_EQ(back, "");
}

std::string letters(size_t n) {
    std::string s(n, 'A');
    for (size_t i = 1; i < n; i += 2) s[i] = 'B';  // no runs for the codec to shorten
    return s;
}

TEST_F(ModelStorage, LongLinesAreRefusedNotCut) {
    // Capital letters pack three symbols to a word after one class switch:
    // 3056 of them take 2038 bytes.
    std::string fits = letters(3056);
    std::vector<uint16_t> words(4096);
    ASSERT_EQ(text_pack_words(3056, fits.c_str(), words.data(), 4096, 5), 2038);
    std::string first = "PRINT 1\r\n" + fits + "\r\n";
    EXPECT_TRUE(store_and_load(first) == first);
    std::string longer = "PRINT 1\r\n\r\n" + letters(3057) + "\r\n";
    ModelHead h;
    ModelError e;
    EXPECT_FALSE(model_program_store(df_, h, longer.data(), longer.size(), &e));
    EXPECT_EQ(e.message, "слишком длинная строка");
    EXPECT_EQ(e.line, 3u);
    std::string back;
    ASSERT_TRUE(model_program_load(df_, 0, back, nullptr));
    EXPECT_TRUE(back == first);  // the previous program stays
    std::string huge(65536, 'A');
    EXPECT_FALSE(model_program_store(df_, h, huge.data(), huge.size(), &e));
    EXPECT_EQ(e.message, "Длина программы модели не может быть больше 65535 байт");
}

int fail_all_writes(int write, uint64_t, size_t) { return write ? 1 : 0; }

TEST_F(ModelStorage, FailedWriteKeepsThePreviousProgram) {
    std::string first = "DIM A\r\nA = 1\r\n";
    ASSERT_EQ(store_and_load(first), first);
    df_->cache_enabled = 0;
    // A program over several pages, so that pages are written while it is stored.
    std::string big;
    for (int i = 0; i < 400; ++i) big += "PRINT \"line " + std::to_string(i) + " of a long program\"\r\n";
    drawing_io_fault = fail_all_writes;
    ModelHead h;
    EXPECT_FALSE(model_program_store(df_, h, big.data(), big.size(), nullptr));
    drawing_io_fault = nullptr;
    error_flag = 0;
    std::string back;
    ASSERT_TRUE(model_program_load(df_, 0, back, nullptr));
    EXPECT_EQ(back, first);
}

TEST_F(ModelStorage, VariableRecordsRoundTrip) {
    ModelVariableInfo v;
    v.id = 7;
    v.type = model_type_real;
    v.flags = model_variable_flag_rounding;
    v.step_or_copy = 0.5;
    v.value = 12.25;
    v.name = "ШИРИНА_1";
    std::vector<uint8_t> r = model_variable_record_build(v);
    EXPECT_EQ(r.size(), 27u + model_variable_name_length(r.data()));
    ModelVariableInfo back;
    ASSERT_TRUE(model_variable_record_read(r.data(), back));
    EXPECT_EQ(back.id, 7u);
    EXPECT_EQ(back.name, "ШИРИНА_1");
    EXPECT_EQ(back.value, 12.25);
    EXPECT_EQ(back.step_or_copy, 0.5);
    EXPECT_EQ(back.flags, model_variable_flag_rounding);

    // A long string value is cut so that the record keeps within 2044 bytes,
    // and its length field says what was kept.
    ModelVariableInfo s;
    s.id = 1;
    s.type = model_type_string;
    s.name = std::string(40, 'N');
    s.text = std::string(5000, 'x') ;
    for (size_t i = 0; i < s.text.size(); i += 2) s.text[i] = 'y';  // no repeats to shorten it
    r = model_variable_record_build(s);
    EXPECT_LE(r.size(), 2044u);
    EXPECT_EQ(get_u16(r.data(), 0), r.size());
    ASSERT_TRUE(model_variable_record_read(r.data(), back));
    EXPECT_GT(back.text.size(), 2000u);
    EXPECT_EQ(back.text, s.text.substr(0, back.text.size()));
    EXPECT_EQ(get_u16(r.data(), model_variable_string_length), back.text.size());
}

std::vector<uint32_t> unbound;
void record_unbind(void*, DrawingFile*, uint32_t id) { unbound.push_back(id); }

TEST_F(ModelStorage, IdsStayWithNamesOverRuns) {
    ModelStoreHooks hooks;
    hooks.unbind = record_unbind;
    unbound.clear();
    auto run_and_store = [&](const std::string& program) {
        ModelRunResult res;
        model_test::run_lines(program, &res);
        EXPECT_EQ(res.outcome, model_run_finished);
        std::string text = program;
        bool changed = true;
        EXPECT_TRUE(variables_store_after_run(df_, res.saved, text, &changed, hooks));
        EXPECT_FALSE(changed);
        std::vector<std::pair<std::string, uint32_t>> ids;
        for (const ModelVariableInfo& v : model_variables_read(df_)) ids.push_back({v.name, v.id});
        return ids;
    };
    using Ids = std::vector<std::pair<std::string, uint32_t>>;
    EXPECT_EQ(run_and_store("SAVE A, B, C$\nA = 1\nC$ = \"t\"\n"), (Ids{{"A", 1}, {"B", 2}, {"C$", 3}}));
    EXPECT_EQ(run_and_store("SAVE A, B, C$\nA = 2\n"), (Ids{{"A", 1}, {"B", 2}, {"C$", 3}}));
    EXPECT_TRUE(unbound.empty());
    // B is no longer saved: unbound, and its id goes to the next new name.
    EXPECT_EQ(run_and_store("SAVE C$, D, A, E\n"), (Ids{{"C$", 3}, {"D", 2}, {"A", 1}, {"E", 4}}));
    EXPECT_EQ(unbound, (std::vector<uint32_t>{2}));
    std::vector<ModelVariableInfo> vars = model_variables_read(df_);
    EXPECT_EQ(vars[2].value, 0.0);
    df_ = reopen(df_);
    EXPECT_EQ(model_variables_read(df_).size(), 4u);
}

TEST_F(ModelStorage, WriteBackLines) {
    struct Case {
        const char* name;
        std::string text;
        unsigned line;
        double stored;
        std::string expected;
    } cases[] = {
        {"comment kept", "X = 5 ' width\r\n", 1, 7, "X = 7 ' width\r\n"},
        {"old line as comment", "X = 5\r\n", 1, 7, "X = 7 'X = 5\r\n"},
        {"quoted apostrophe", "DIM S$\r\nX = LEN(\"it's\") ' w\r\n", 2, 2.5, "DIM S$\r\nX = 2.5 ' w\r\n"},
        {"labelled line keeps its label", "10 X = 5\nGOTO 10\n", 1, 3, "10 X = 3 '10 X = 5\nGOTO 10\n"},
        {"blank lines counted", "\r\n\r\nX = 1\r\n", 3, 4, "\r\n\r\nX = 4 'X = 1\r\n"},
        {"within the tolerance", "X = 5\r\n", 1, 5.0001, "X = 5\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = c.text;
        ModelSavedVariable live;
        live.name = "X";
        live.type = model_type_real;
        live.value = 5;
        live.source_line = static_cast<uint16_t>(c.line);
        ModelVariableInfo rec;
        rec.flags = model_variable_flag_edited;
        rec.value = c.stored;
        bool changed = variable_writeback_line(text, live, rec);
        EXPECT_EQ(text, c.expected);
        EXPECT_EQ(changed, text != c.text);
        EXPECT_EQ(rec.flags & model_variable_flag_edited, 0);
        EXPECT_EQ(rec.step_or_copy, c.stored);
    }
    // Near the size limits: no comment from 64535 bytes on; nothing at all
    // when the text would reach 65535.
    ModelSavedVariable live;
    live.name = "X";
    live.type = model_type_real;
    live.value = 5;
    live.source_line = 1;
    ModelVariableInfo rec;
    rec.value = 7;
    std::string pad = "\r\n' " + std::string(64535 - 10, 'p');
    std::string text = "X = 5" + pad;
    ASSERT_EQ(text.size(), 64534u);
    ASSERT_TRUE(variable_writeback_line(text, live, rec));
    EXPECT_EQ(text, "X = 7 'X = 5" + pad);
    live.value = 5;
    text = "X = 5" + pad + "p";
    ASSERT_TRUE(variable_writeback_line(text, live, rec));
    EXPECT_EQ(text, "X = 7" + pad + "p");
    live.value = 5;
    rec.value = 7.5;
    std::string full = "X = 5\r\n' " + std::string(65533 - 9, 'p');
    text = full;
    ASSERT_EQ(text.size(), 65533u);
    EXPECT_FALSE(variable_writeback_line(text, live, rec));
    EXPECT_EQ(text, full);
}

TEST_F(ModelStorage, EditedValueIsWrittenBackAfterARun) {
    std::string program = "SAVE X\r\nX = 5 ' width\r\nPRINT X\r\n";
    ModelRunResult res;
    model_test::run_lines(program, &res);
    std::string text = program;
    ModelStoreHooks hooks;
    ASSERT_TRUE(variables_store_after_run(df_, res.saved, text, nullptr, hooks));
    // A dimension bound to X was measured anew at 7: the record says so.
    std::vector<ModelVariableInfo> vars = model_variables_read(df_);
    ASSERT_EQ(vars.size(), 1u);
    vars[0].value = 7;
    vars[0].flags = model_variable_flag_edited | model_variable_flag_remeasured;
    RecordRef list = 0;
    std::vector<uint8_t> r = model_variable_record_build(vars[0]);
    record_add(df_, &list, r.data(), &page_buffers[table_model]);
    RecordRef old = get_u32(df_->header, header_model_variables);
    page_chain_free(df_, &old, &page_buffers[table_model]);
    put_u32(df_->header, header_model_variables, list);

    model_test::run_lines(text, &res);
    bool changed = false;
    ASSERT_TRUE(variables_store_after_run(df_, res.saved, text, &changed, hooks));
    EXPECT_TRUE(changed);
    EXPECT_EQ(text, "SAVE X\r\nX = 7 ' width\r\nPRINT X\r\n");
    vars = model_variables_read(df_);
    ASSERT_EQ(vars.size(), 1u);
    EXPECT_EQ(vars[0].value, 7.0);
    EXPECT_EQ(vars[0].flags, 0);
    EXPECT_EQ(vars[0].id, 1u);
}

}  // namespace
