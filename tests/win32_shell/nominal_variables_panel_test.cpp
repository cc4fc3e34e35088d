// The dimension panel with the drawing's model variables: the nominal combo
// lists them, a chosen number variable shows its value with its braced name
// and is bound into the dimension at its commit, the dimension list marks
// the bound dimension with the name, a text variable is refused, and a
// variable deleted before the commit is forgotten.
#include "shell_fixture.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "model/model_names.h"
#include "model/model_storage.h"
#include "documents/documents.h"
#include "shell/dimension_panels.h"
#include "shell/frame_window.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "stages/dimensions/dimension_input.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Values are shown right-aligned with leading blanks; the tests read them without.
std::string trimmed(const char* text) {
    while (*text == ' ') ++text;
    return text;
}

std::vector<std::string> combo_items(HWND combo) {
    std::vector<std::string> out;
    int n = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char buf[300] = {0};
        if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof buf))
            SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
        out.push_back(trimmed(buf));
    }
    return out;
}

std::string field(HWND panel, int id) {
    char buf[300] = {0};
    GetDlgItemTextA(panel, id, buf, sizeof buf);
    return trimmed(buf);
}

void select_item(HWND panel, int id, int index) {
    HWND combo = GetDlgItem(panel, id);
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(panel, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    pump_messages(50);
}

// Opens the nominal combo's list (which refills it) and closes it again.
void drop_nominal(HWND panel) {
    HWND combo = GetDlgItem(panel, IDC_DIMENSION_NOMINAL);
    SendMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_DIMENSION_NOMINAL, CBN_DROPDOWN), reinterpret_cast<LPARAM>(combo));
    pump_messages(20);
}

class NominalVariablesPanel : public WizardDrawingTest {
protected:

    void SetUp() override {
        WizardDrawingTest::SetUp();
        if (HasFatalFailure()) return;
        // Points 1 and 2, one linear dimension between them (nominal 10).
        bool made = with_active_projection(
            [](DrawingFile* df, unsigned char* p) {
                for (uint32_t n = 1; n <= 2; ++n) {
                    uint8_t r[48] = {};
                    put_u16(r, 0, 48);
                    put_u32(r, 2, n);
                    put_f64(r, 12, n == 1 ? 0.0 : 10.0);
                    put_f64(r, 28, n == 1 ? 0.0 : 10.0);
                    record_add_at_end(df, projection_chain(p, projection_points), r, &page_buffers[table_points]);
                }
                if (get_u32(df->header, 68) < 2) put_u32(df->header, 68, 2);
                DimensionInput in;
                DimensionInputHooks none;
                for (uint32_t n = 1; n <= 2; ++n) {
                    in.role = n == 1 ? LINK_FIRST : LINK_SECOND;
                    std::vector<uint8_t> pt;
                    RecordRef* head = projection_chain(p, projection_points);
                    for (unsigned char* r = record_next(df, head, nullptr, &page_buffers[table_points]); r;
                         r = record_next(df, head, r, &page_buffers[table_points]))
                        if (get_u32(r, 2) == n) pt.assign(r, r + 48);
                    dimension_input_point(in, df, p, get_u32(p, 2), pt.data(), none);
                }
                in.nominal_text = "10";
                dimension_input_commit(in, df, p, none);
            },
            w);
        ASSERT_TRUE(made);
        add_variable(1, model_type_real, "LEN", 42.5);
        add_variable(2, model_type_string, "TXT", 0);
        dispatch_menu_command(IDM_STAGE_DIMENSIONS);
        pump_messages(50);
        ASSERT_EQ(current_stage, 2);
        ASSERT_NE(stage_panel, nullptr);
        ASSERT_NE(GetDlgItem(stage_panel, IDC_DIMENSION_NOMINAL), nullptr);
    }
    void TearDown() override {
        WizardDrawingTest::TearDown();
    }
    void add_variable(uint32_t id, uint8_t type, const char* name, double value) {
        ModelVariableInfo v;
        v.id = id;
        v.type = type;
        v.name = name;
        v.value = value;
        v.text = type == model_type_string ? "ABC" : "";
        std::vector<uint8_t> rec = model_variable_record_build(v);
        DrawingFile* df = current_drawing_file();
        document_lock_acquire();
        record_add_at_end(df, reinterpret_cast<RecordRef*>(df->header + header_model_variables), rec.data(),
                          &page_buffers[table_model]);
        document_lock_release();
    }
    // The dimension record's bound variable and nominal.
    std::pair<int, double> binding() {
        std::pair<int, double> out{-1, 0};
        with_active_projection(
            [&](DrawingFile* df, unsigned char* p) {
                RecordRef* head = projection_chain(p, projection_dimensions);
                unsigned char* r = record_next(df, head, nullptr, &page_buffers[table_dimensions]);
                if (r) out = {get_u16(r, dimension_variable), get_f64(r, dimension_nominal)};
            },
            w);
        return out;
    }
    void open_first_dimension() { select_item(stage_panel, IDC_DIMENSION_LIST, 0); }
};

}  // namespace

TEST_F(NominalVariablesPanel, ChosenVariableIsBoundAndMarkedInTheList) {
    HWND panel = stage_panel;
    open_first_dimension();
    EXPECT_EQ(field(panel, IDC_DIMENSION_NOMINAL), "10");
    drop_nominal(panel);
    std::vector<std::string> items = combo_items(GetDlgItem(panel, IDC_DIMENSION_NOMINAL));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0], "10");   // the field's own text first
    EXPECT_EQ(items[1], "LEN");
    EXPECT_EQ(items[2], "TXT");
    select_item(panel, IDC_DIMENSION_NOMINAL, 1);
    EXPECT_EQ(field(panel, IDC_DIMENSION_NOMINAL), "42.5 {LEN}");
    press(panel, IDC_DIMENSION_COMMIT);
    pump_messages(50);
    std::pair<int, double> b = binding();
    EXPECT_EQ(b.first, 1);
    EXPECT_DOUBLE_EQ(b.second, 42.5);
    std::vector<std::string> list = combo_items(GetDlgItem(panel, IDC_DIMENSION_LIST));
    ASSERT_EQ(list.size(), 1u);
    // The description of the dimension, then the variable's name in braces.
    EXPECT_EQ(list[0].rfind("42.5 L ", 0), 0u) << list[0];
    EXPECT_EQ(list[0].substr(list[0].size() - 5), "{LEN}") << list[0];
    // Reopened, the field shows the name again.
    open_first_dimension();
    EXPECT_EQ(field(panel, IDC_DIMENSION_NOMINAL), "42.5 {LEN}");
    // The braced name erased from the field: the commit unbinds.
    SetDlgItemTextA(panel, IDC_DIMENSION_NOMINAL, "12");
    press(panel, IDC_DIMENSION_COMMIT);
    pump_messages(50);
    b = binding();
    EXPECT_EQ(b.first, 0);
    EXPECT_DOUBLE_EQ(b.second, 12);
}

TEST_F(NominalVariablesPanel, TextVariableIsRefusedAndDeletedVariableForgotten) {
    HWND panel = stage_panel;
    open_first_dimension();
    drop_nominal(panel);
    {
        DialogWatcher boxes;
        select_item(panel, IDC_DIMENSION_NOMINAL, 2);   // TXT
        pump_messages(50);
        ASSERT_EQ(boxes.seen.size(), 1u);
        bool said = false;
        for (const auto& c : boxes.seen[0].controls)
            if (c.second.find("\xCD\xEE\xEC\xE8\xED\xE0\xEB \xEC\xEE\xE6\xE5\xF2") != std::string::npos) said = true;
        EXPECT_TRUE(said);
    }
    EXPECT_EQ(field(panel, IDC_DIMENSION_NOMINAL), "10");
    select_item(panel, IDC_DIMENSION_NOMINAL, 1);   // LEN
    EXPECT_EQ(field(panel, IDC_DIMENSION_NOMINAL), "42.5 {LEN}");
    // The model no longer saves LEN: its record is gone before the commit.
    DrawingFile* df = current_drawing_file();
    document_lock_acquire();
    RecordRef* chain = reinterpret_cast<RecordRef*>(df->header + header_model_variables);
    unsigned char* r = record_next(df, chain, nullptr, &page_buffers[table_model]);
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(get_u32(r, model_variable_id), 1u);
    record_delete_and_next(df, chain, r, &page_buffers[table_model]);
    document_lock_release();
    press(panel, IDC_DIMENSION_COMMIT);
    pump_messages(50);
    std::pair<int, double> b = binding();
    EXPECT_EQ(b.first, 0);
    EXPECT_DOUBLE_EQ(b.second, 42.5);   // the text's value stays as typed
    drop_nominal(panel);
    std::vector<std::string> items = combo_items(GetDlgItem(panel, IDC_DIMENSION_NOMINAL));
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1], "TXT");
}
