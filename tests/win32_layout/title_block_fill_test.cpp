// The title-block fill-in dialogs: each kind's template holds the edits of
// its fields; an edit that loses the focus stores its text for the mode
// (common before the layout stage, this sheet's from it on, falling back to
// the common text); the scale text sets the drawing scale unless it is 0;
// "Всё очистить" removes the mode's records but keeps the scale.
#include "tests/output/element_chain_fixture.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "geometry/kernel_context.h"
#include "output/sheets.h"
#include "output/title_block_fields.h"
#include "shell/panels.h"
#include "shell/resource_ids.h"
#include "shell/title_block_dialog.h"
#include "store/drawing_header.h"

using namespace output_test;

namespace {

class TitleBlockFillTest : public ElementChainTest {
protected:
    void SetUp() override {
        ElementChainTest::SetUp();
        bind_current_drawing_header([]() -> const uint8_t* { return open_drawings[current_drawing]->header; });
        put_f64(df->header, header_scale, 1.0);
        put_u8(df->header, header_title_block_kind, 1);
        put_u8(df->header, header_sheet_format, sheet_format_a3);
        sheet_chain_open(df);
    }
    void TearDown() override {
        current_stage = 0;
        bind_current_drawing_header(nullptr);
        ElementChainTest::TearDown();
    }
    std::string field(uint32_t f, uint32_t sheet, bool fall_back) {
        std::string s;
        title_block_field_text(df, f, sheet, fall_back, &s);
        return s;
    }
    // Runs kind's dialog; drive gets the dialog once it is up, then it is closed.
    void run(int kind, const std::function<void(HWND)>& drive) {
        std::atomic<bool> done{false};
        std::thread t([&] {
            HWND d = nullptr;
            for (int i = 0; i < 400 && !d; ++i) {
                d = FindWindowA(nullptr, title_block_kind_name(kind));
                if (!d) Sleep(25);
            }
            for (int i = 0; i < 400 && d && !IsWindowVisible(d); ++i) Sleep(10);
            if (!d) return;
            drive(d);
            done = true;
            PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(title_block_fill_dialog(kind), 1);
        t.join();
        EXPECT_TRUE(done);
    }
    static void type(HWND d, int id, const char* text) {
        SetDlgItemTextA(d, id, text);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(GetDlgItem(d, id)));
    }
    static std::string shown_text(HWND d, int id) {
        char buf[600] = {};
        GetDlgItemTextA(d, id, buf, sizeof buf);
        return buf;
    }
};

TEST_F(TitleBlockFillTest, EachKindHoldsTheEditsOfItsFields) {
    // A field of every kind's main block, and one each kind lacks.
    struct Case {
        int kind;
        int has, lacks;
    } cases[] = {
        {1, IDC_TITLE_FIELD_3, IDC_TITLE_FIELD_4},     {2, IDC_TITLE_FIELD_10, IDC_TITLE_FIELD_3},
        {3, IDC_TITLE_FIELD_23, IDC_TITLE_FIELD_1},    {4, IDC_TITLE_FIELD_420, IDC_TITLE_FIELD_1},
        {5, IDC_TITLE_FIELD_451, IDC_TITLE_FIELD_420}, {6, IDC_TITLE_FIELD_137, IDC_TITLE_FIELD_106},
        {7, IDC_TITLE_FIELD_452, IDC_TITLE_FIELD_1},
    };
    current_stage = 6;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        bool has = false, lacks = true, modes = false;
        run(c.kind, [&](HWND d) {
            has = GetDlgItem(d, c.has) != nullptr;
            lacks = GetDlgItem(d, c.lacks) == nullptr;
            modes = IsDlgButtonChecked(d, IDC_TITLE_MODE_ALL) == BST_CHECKED;
        });
        EXPECT_TRUE(has);
        EXPECT_TRUE(lacks);
        EXPECT_TRUE(modes);  // the layout stage opens in "все поля"
    }
}

TEST_F(TitleBlockFillTest, BeforeLayoutFieldsAreCommonAndTheScaleIsTaken) {
    current_stage = 4;
    bool sheet_modes_enabled = true;
    run(1, [&](HWND d) {
        sheet_modes_enabled = IsWindowEnabled(GetDlgItem(d, IDC_TITLE_MODE_SHEET)) ||
                              IsWindowEnabled(GetDlgItem(d, IDC_TITLE_MODE_ALL));
        type(d, IDC_TITLE_FIELD_1, "Вал");
        type(d, IDC_TITLE_FIELD_6, "1:2");
        type(d, IDC_TITLE_FIELD_111, "Иванов");
    });
    EXPECT_FALSE(sheet_modes_enabled);
    EXPECT_EQ(field(1, 0, false), "Вал");
    EXPECT_EQ(field(111, 0, false), "Иванов");
    EXPECT_EQ(field(6, 0, false), "1:2");
    EXPECT_DOUBLE_EQ(get_f64(df->header, header_scale), 0.5);
    // A scale of 0 is neither stored nor taken.
    run(1, [&](HWND d) { type(d, IDC_TITLE_FIELD_6, "0:1"); });
    EXPECT_EQ(field(6, 0, false), "1:2");
    EXPECT_DOUBLE_EQ(get_f64(df->header, header_scale), 0.5);
    // "Всё очистить" empties the common fields but the scale.
    run(1, [&](HWND d) {
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_TITLE_CLEAR, BN_CLICKED), 0);
    });
    EXPECT_EQ(field(1, 0, false), "");
    EXPECT_EQ(field(111, 0, false), "");
    EXPECT_EQ(field(6, 0, false), "1:2");
    // "Закрыть" while the edit being typed in still has the focus keeps its text.
    run(1, [&](HWND d) { SetDlgItemTextA(d, IDC_TITLE_FIELD_1, "Ось"); });
    EXPECT_EQ(field(1, 0, false), "Ось");
}

TEST_F(TitleBlockFillTest, InTheLayoutStageASheetsTextOverridesTheCommonOne) {
    title_block_field_store(df, 1, "Общее", 0, title_mode_all_sheets);
    current_stage = 6;
    std::string shown_all, shown_sheet_only;
    run(1, [&](HWND d) {
        shown_all = shown_text(d, IDC_TITLE_FIELD_1);  // falls back to the common text
        type(d, IDC_TITLE_FIELD_1, "Лист один");
        CheckRadioButton(d, IDC_TITLE_MODE_SHEET, IDC_TITLE_MODE_SHEETS, IDC_TITLE_MODE_SHEETS);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_TITLE_MODE_SHEETS, BN_CLICKED), 0);
        shown_sheet_only = shown_text(d, IDC_TITLE_FIELD_1);
    });
    EXPECT_EQ(shown_all, "Общее");
    EXPECT_EQ(field(1, 1, false), "Лист один");
    EXPECT_EQ(field(1, 0, false), "Общее");
    EXPECT_EQ(shown_sheet_only, "Общее");  // "поля всех листов" shows the common record
}

}  // namespace
