// Tests of the bind pass and the run driver on a drawing with one
// projection holding two bound dimensions and one bound bar.
#include "model/model_binding.h"
#include "model_test_support.h"
#include "tests/store/store_test_support.h"

#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Counts {
    int checkpoints = 0;
    int labels = 0;
    int bar_rebuilds = 0;
    int view_changes = 0;
};

void count_checkpoint(void* c) { ++static_cast<Counts*>(c)->checkpoints; }
void count_label(void* c, DrawingFile*, unsigned char*, unsigned char*) { ++static_cast<Counts*>(c)->labels; }
void count_bars(void* c, DrawingFile*, unsigned char*) { ++static_cast<Counts*>(c)->bar_rebuilds; }
void count_view(void* c) { ++static_cast<Counts*>(c)->view_changes; }

class ModelBinding : public store_test::StoreTest {
protected:
    DrawingFile* df = nullptr;
    Counts counts;
    ModelBindHooks hooks;

    void SetUp() override {
        StoreTest::SetUp();
        df = create();
        hooks.context = &counts;
        hooks.checkpoint = count_checkpoint;
        hooks.dimension_label = count_label;
        hooks.bars_changed = count_bars;
        hooks.dimensions_changed = count_view;
        // One projection: dimensions 1 and 2 bound to variables 1 and 2
        // (nominals 10 and 20), a bar bound to variable 3 (width 5).
        std::vector<uint8_t> p(projection_record_head, 0);
        put_u16(p.data(), record_length, projection_record_head);
        put_u32(p.data(), record_key, 1);
        add_dimension(p, 1, 1, 10.0);
        add_dimension(p, 2, 2, 20.0);
        std::vector<uint8_t> bar(construction_default_size, 0);
        put_u16(bar.data(), record_length, construction_default_size);
        put_u32(bar.data(), record_key, 1);
        bar[record_kind] = 8;
        put_u16(bar.data(), 14, 3);
        put_f64(bar.data(), 16, 5.0);
        ASSERT_NE(record_add(df, chain(p, projection_construction), bar.data(), &page_buffers[table_construction]), 0u);
        ASSERT_NE(record_add(df, reinterpret_cast<RecordRef*>(df->header + header_projections), p.data(),
                             &page_buffers[table_projections]),
                  0u);
    }
    static RecordRef* chain(std::vector<uint8_t>& p, uint32_t offset) {
        return reinterpret_cast<RecordRef*>(p.data() + offset);
    }
    void add_dimension(std::vector<uint8_t>& p, uint32_t number, uint16_t variable, double nominal) {
        std::vector<uint8_t> d(dimension_record_size, 0);
        put_u16(d.data(), record_length, dimension_record_size);
        put_u32(d.data(), dimension_number, number);
        put_f64(d.data(), dimension_nominal, nominal);
        put_u16(d.data(), dimension_variable, variable);
        put_u16(d.data(), dimension_value_word, 0x8800);
        ASSERT_NE(record_add(df, chain(p, projection_dimensions), d.data(), &page_buffers[table_dimensions]), 0u);
    }

    struct State {
        uint16_t flags;
        double nominal[2];
        uint16_t variable[2];
        uint16_t value_word[2];
        double bar_width;
        uint16_t bar_variable;
    };
    State state() {
        State s{};
        RecordRef* projections = reinterpret_cast<RecordRef*>(df->header + header_projections);
        unsigned char* p = record_next(df, projections, nullptr, &page_buffers[table_projections]);
        EXPECT_NE(p, nullptr);
        if (!p) return s;
        s.flags = get_u16(p, projection_flags);
        RecordRef* dims = reinterpret_cast<RecordRef*>(p + projection_dimensions);
        int i = 0;
        for (unsigned char* d = record_next(df, dims, nullptr, &page_buffers[table_dimensions]); d && i < 2;
             d = record_next(df, dims, d, &page_buffers[table_dimensions])) {
            int k = get_u32(d, dimension_number) == 1 ? 0 : 1;
            s.nominal[k] = get_f64(d, dimension_nominal);
            s.variable[k] = get_u16(d, dimension_variable);
            s.value_word[k] = get_u16(d, dimension_value_word);
            ++i;
        }
        RecordRef* cons = reinterpret_cast<RecordRef*>(p + projection_construction);
        unsigned char* c = record_next(df, cons, nullptr, &page_buffers[table_construction]);
        EXPECT_NE(c, nullptr);
        if (c) {
            s.bar_width = get_f64(c, 16);
            s.bar_variable = get_u16(c, 14);
        }
        return s;
    }
    ModelProgramRun run(const std::string& program, uint64_t budget = 0) {
        ModelHead h;
        EXPECT_TRUE(model_program_store(df, h, program.data(), program.size(), nullptr));
        model_test::Recorder r;
        ModelHost host = model_test::recording_host(r);
        host.statement_budget = budget;
        return model_run_program(df, 0, host, hooks, nullptr);
    }
};

TEST_F(ModelBinding, ValuesReachDimensionsAndBarsWithOneCheckpoint) {
    const std::string program = "SAVE W, H, B\nW = 12\nH = 20\nB = 7\n";
    ModelProgramRun r = run(program);
    ASSERT_EQ(r.run.outcome, model_run_finished);
    EXPECT_EQ(r.bind.dimensions_changed, 1);
    EXPECT_EQ(r.bind.bars_changed, 1);
    EXPECT_EQ(counts.checkpoints, 1);
    EXPECT_EQ(counts.labels, 2);  // every bound dimension's label, changed or not
    EXPECT_EQ(counts.bar_rebuilds, 1);
    EXPECT_EQ(counts.view_changes, 1);
    State s = state();
    EXPECT_EQ(s.nominal[0], 12.0);
    EXPECT_EQ(s.nominal[1], 20.0);
    EXPECT_EQ(s.value_word[0], 0);       // bits 11 and 15 cleared on the changed one
    EXPECT_EQ(s.value_word[1], 0x8800);  // the unchanged one keeps them
    EXPECT_EQ(s.bar_width, 7.0);
    EXPECT_EQ(s.flags & 0x1200, 0x0200);

    // The same run again changes nothing and takes no checkpoint; ids stay.
    r = run(program);
    EXPECT_EQ(r.bind.dimensions_changed, 0);
    EXPECT_EQ(r.bind.bars_changed, 0);
    EXPECT_EQ(counts.checkpoints, 1);
    EXPECT_EQ(counts.labels, 4);
    std::vector<ModelVariableInfo> vars = model_variables_read(df);
    ASSERT_EQ(vars.size(), 3u);
    EXPECT_EQ(vars[0].id, 1u);
    EXPECT_EQ(vars[1].id, 2u);
    EXPECT_EQ(vars[2].id, 3u);
}

TEST_F(ModelBinding, StoppedAndFailedRunsLeaveTheDrawingAlone) {
    ASSERT_EQ(run("SAVE W, H, B\nW = 12\nH = 20\nB = 7\n").run.outcome, model_run_finished);
    // A run that never reaches H's SAVE: stopped by its budget, or failing.
    ModelProgramRun r = run("SAVE W\n10 W = W + 1\nGOTO 10\nSAVE H, B\n", 50);
    EXPECT_EQ(r.run.outcome, model_run_stopped);
    r = run("SAVE W\nW = 1 / 0\nSAVE H, B\n");
    EXPECT_EQ(r.run.outcome, model_run_failed);
    State s = state();
    EXPECT_EQ(s.variable[0], 1);
    EXPECT_EQ(s.variable[1], 2);
    EXPECT_EQ(s.bar_variable, 3);
    EXPECT_EQ(s.nominal[0], 12.0);
    EXPECT_EQ(model_variables_read(df).size(), 3u);
    EXPECT_EQ(counts.checkpoints, 1);
}

TEST_F(ModelBinding, VariablesNoLongerSavedLoseTheirBindings) {
    ASSERT_EQ(run("SAVE W, H, B\nW = 12\nH = 20\nB = 7\n").run.outcome, model_run_finished);
    ModelProgramRun r = run("SAVE W, B\nW = 12\nB = 8\n");
    ASSERT_EQ(r.run.outcome, model_run_finished);
    State s = state();
    EXPECT_EQ(s.variable[0], 1);
    EXPECT_EQ(s.variable[1], 0);     // H is gone: unbound
    EXPECT_EQ(s.nominal[1], 20.0);   // and keeps its last value
    EXPECT_EQ(s.bar_variable, 3);
    EXPECT_EQ(s.bar_width, 8.0);
    EXPECT_EQ(counts.checkpoints, 1);  // bars take none
}

TEST_F(ModelBinding, RoundingStepAndIntegerValues) {
    // A stored record with rounding on: the dimension gets the value rounded
    // to the step; an integer variable gets a whole number.
    ASSERT_EQ(run("SAVE W, H%\nW = 12.3\nH% = 19.6\n").run.outcome, model_run_finished);
    State s = state();
    EXPECT_EQ(s.nominal[0], 12.3);
    EXPECT_EQ(s.nominal[1], 20.0);
    std::vector<ModelVariableInfo> vars = model_variables_read(df);
    ASSERT_EQ(vars.size(), 2u);
    vars[0].flags = model_variable_flag_rounding;
    vars[0].step_or_copy = 0.5;
    RecordRef list = 0;
    for (const ModelVariableInfo& v : vars) {
        std::vector<uint8_t> rec = model_variable_record_build(v);
        record_add_at_end(df, &list, rec.data(), &page_buffers[table_model]);
    }
    RecordRef old = get_u32(df->header, header_model_variables);
    page_chain_free(df, &old, &page_buffers[table_model]);
    put_u32(df->header, header_model_variables, list);
    model_bind_values(df, hooks);
    EXPECT_EQ(state().nominal[0], 12.5);
    // The next run keeps the rounding flag and its step.
    ASSERT_EQ(run("SAVE W, H%\nW = 13.2\nH% = 19.6\n").run.outcome, model_run_finished);
    EXPECT_EQ(state().nominal[0], 13.0);
}

}  // namespace
