// The layout stage's format panel on a real drawing: the format list and
// its choice, the turn, adding and deleting sheets with the views moving
// off a deleted sheet, and the user format dialog with its refusals.
#include "tests/output/element_chain_fixture.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "geometry/kernel_context.h"
#include "output/sheets.h"
#include "output/title_block_fields.h"
#include "shell/core/projection_records.h"
#include "shell/layout_panel.h"
#include "shell/resource_ids.h"
#include "shell/stage_tools.h"
#include "shell/title_block_dialog.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

using namespace output_test;

namespace {

class LayoutPanelTest : public ElementChainTest {
protected:
    HWND panel = nullptr;
    HWND host = nullptr;
    void SetUp() override {
        ElementChainTest::SetUp();
        bind_current_drawing_header([]() -> const uint8_t* { return open_drawings[current_drawing]->header; });
        put_u8(df->header, header_sheet_format, sheet_format_a4);
        put_f64(df->header, header_scale, 1.0);
        layout_panel_bind();
        ASSERT_NE(stage_tools[6].panel_procedure, nullptr);
        // The panel is a child dialog: a plain window hosts it.
        host = CreateWindowA("STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 200, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(host, nullptr);
        panel = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PANEL_LAYOUT), host,
                                   stage_tools[6].panel_procedure, 0);
        ASSERT_NE(panel, nullptr);
    }
    void TearDown() override {
        if (panel) DestroyWindow(panel);
        if (host) DestroyWindow(host);
        stage_tools[6] = StageTools{};
        bind_current_drawing_header(nullptr);
        ElementChainTest::TearDown();
    }
    void choose(int index) {
        SendDlgItemMessageA(panel, IDC_LAYOUT_FORMAT, CB_SETCURSEL, index, 0);
        SendMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_LAYOUT_FORMAT, CBN_SELENDOK),
                     reinterpret_cast<LPARAM>(GetDlgItem(panel, IDC_LAYOUT_FORMAT)));
    }
    void click(int id) {
        SendMessageA(panel, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(panel, id)));
    }
    std::string entry(int i) {
        char buf[64] = {};
        SendDlgItemMessageA(panel, IDC_LAYOUT_FORMAT, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
        return buf;
    }
    std::string field(uint32_t f, uint32_t sheet) {
        std::string s;
        title_block_field_text(df, f, sheet, true, &s);
        return s;
    }
    int sheets() {
        int n = 0;
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_sheets);
        for (unsigned char* r = record_next(df, head, nullptr, &page_buffers[table_tables]); r;
             r = record_next(df, head, r, &page_buffers[table_tables]))
            if (get_u16(r, 0) == sheet_record_size) ++n;
        return n;
    }
};

TEST_F(LayoutPanelTest, FormatListTurnAndScale) {
    // The panel opens sheet 1 from the header and lists the 27 entries.
    EXPECT_EQ(SendDlgItemMessageA(panel, IDC_LAYOUT_FORMAT, CB_GETCOUNT, 0, 0), 27);
    EXPECT_EQ(entry(4), "A3  297x420");
    EXPECT_EQ(entry(25), "Пользовательский");
    EXPECT_EQ(SendDlgItemMessageA(panel, IDC_LAYOUT_FORMAT, CB_GETCURSEL, 0, 0), sheet_format_a4);
    EXPECT_EQ(sheets(), 1);
    EXPECT_EQ(get_u16(df->header, header_current_sheet), 1);
    // A drawing without title-block texts gets the scale 1:1 in field 6.
    EXPECT_EQ(field(title_field_scale, 1), "1:1");
    // A3: 420 x 297, its designation in field 32 of the sheet.
    choose(sheet_format_a3);
    EXPECT_EQ(get_u8(df->header, header_sheet_format), sheet_format_a3);
    EXPECT_FLOAT_EQ(get_f32(df->header, header_sheet_width), 420.f);
    EXPECT_FLOAT_EQ(get_f32(df->header, header_sheet_height), 297.f);
    EXPECT_EQ(field(title_field_format, 1), "A3");
    // Turned: the sides swap, the header's bit is set, and the sheet record follows.
    CheckDlgButton(panel, IDC_LAYOUT_ROTATED, BST_CHECKED);
    click(IDC_LAYOUT_ROTATED);
    EXPECT_TRUE(get_u16(df->header, header_options) & header_opt_sheet_turned);
    EXPECT_FLOAT_EQ(get_f32(df->header, header_sheet_width), 297.f);
    EXPECT_FLOAT_EQ(get_f32(df->header, header_sheet_height), 420.f);
    RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_sheets);
    unsigned char* r = record_next(df, head, nullptr, &page_buffers[table_tables]);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(get_u8(r, sheet_format), sheet_format_a3);
    EXPECT_TRUE(get_u16(r, sheet_flags) & sheet_flag_rotated);
    // Automatic layout is offered.
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, IDC_LAYOUT_AUTO)));
}

TEST_F(LayoutPanelTest, AddingAndDeletingSheetsMovesTheViews) {
    // A view on sheet 1.
    uint8_t rec[projection_record_max] = {};
    projection_record_init(rec, 1, 1);
    put_u16(rec, 106, 1);
    put_u16(rec, projection_flags, static_cast<uint16_t>(get_u16(rec, projection_flags) | 0x0080));
    RecordRef phead = get_u32(df->header, header_projections);
    ASSERT_NE(record_add_at_end(df, &phead, rec, &page_buffers[table_projections]), 0u);
    put_u32(df->header, header_projections, phead);

    click(IDC_LAYOUT_ADD_SHEET);
    click(IDC_LAYOUT_ADD_SHEET);
    EXPECT_EQ(sheets(), 3);
    EXPECT_EQ(get_u16(df->header, header_current_sheet), 1);  // a new sheet does not become current
    // Deleting the first sheet makes the next one current and moves its view
    // there, no longer placed by hand.
    click(IDC_LAYOUT_DELETE_SHEET);
    EXPECT_EQ(sheets(), 2);
    EXPECT_EQ(get_u16(df->header, header_current_sheet), 2);
    std::vector<ProjectionEntry> views = projection_chain_entries(df);
    ASSERT_EQ(views.size(), 1u);
    RecordRef ref = views[0].ref;
    unsigned char* p = record_read_at(df, &ref, &page_buffers[table_projections]);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(get_u16(p, 106) & 0x07ff, 2);
    EXPECT_EQ(get_u16(p, projection_flags) & 0x0080, 0);
    // The freed number is given again.
    click(IDC_LAYOUT_ADD_SHEET);
    EXPECT_EQ(sheets(), 3);
    EXPECT_EQ(sheet_next_free_number_of(df), 4u);
    // The only sheet is never deleted.
    click(IDC_LAYOUT_DELETE_SHEET);
    click(IDC_LAYOUT_DELETE_SHEET);
    store_test::shown().clear();
    click(IDC_LAYOUT_DELETE_SHEET);
    EXPECT_EQ(sheets(), 1);
    ASSERT_EQ(store_test::shown().size(), 1u);
    EXPECT_NE(store_test::shown()[0].find("Нельзя удалить единственный лист!"), std::string::npos);
}

// Fills the user format dialog when it is up and presses a button.
void answer_user_format(const char* x, const char* y, int button, std::atomic<bool>* done) {
    HWND d = nullptr;
    for (int i = 0; i < 400 && !d; ++i) {
        d = FindWindowA(nullptr, "Формат пользователя");
        if (!d) Sleep(25);
    }
    // A dialog is visible once its initialisation has run.
    for (int i = 0; i < 400 && d && !IsWindowVisible(d); ++i) Sleep(10);
    if (!d) return;
    SetDlgItemTextA(d, IDC_USER_FORMAT_X, x);
    SetDlgItemTextA(d, IDC_USER_FORMAT_Y, y);
    PostMessageA(d, WM_COMMAND, button, 0);
    *done = true;
}

TEST_F(LayoutPanelTest, UserFormatDialog) {
    struct {
        const char* x;
        const char* y;
        int button;
        int code;          // the format in force afterwards
        uint32_t w, h;     // user size stored
        bool refused;      // "Не введены размеры формата" shown
    } cases[] = {
        {"500", "350.7", IDOK, sheet_format_user, 500, 350, false},
        {"500", "-3", IDOK, sheet_format_auto, 500, 0, true},       // negative: refused, never wrapped
        {"1e12", "300", IDOK, sheet_format_auto, 0, 300, true},     // beyond 10000 mm
        {"abc", "300", IDOK, sheet_format_auto, 0, 300, true},
        {"500", "300", IDCANCEL, sheet_format_auto, 0, 0, true},    // cancel: "Авто"
    };
    for (auto& c : cases) {
        SCOPED_TRACE(std::string(c.x) + " x " + c.y);
        choose(sheet_format_a4);
        store_test::shown().clear();
        std::atomic<bool> done{false};
        std::thread t(answer_user_format, c.x, c.y, c.button, &done);
        choose(sheet_format_new);
        t.join();
        ASSERT_TRUE(done);
        EXPECT_EQ(get_u8(df->header, header_sheet_format), c.code);
        if (c.button == IDOK) {
            EXPECT_EQ(get_u32(df->header, header_user_format_width), c.w);
            EXPECT_EQ(get_u32(df->header, header_user_format_height), c.h);
        }
        bool refused = false;
        for (const std::string& s : store_test::shown())
            if (s.find("Не введены размеры формата") != std::string::npos) refused = true;
        EXPECT_EQ(refused, c.refused);
        if (c.code == sheet_format_user) {
            EXPECT_EQ(entry(25), "500x350");
            EXPECT_FLOAT_EQ(get_f32(df->header, header_sheet_width), 500.f);
        } else {
            EXPECT_EQ(entry(25), "Пользовательский");
        }
    }
}

// Picks entry `kind` of the title-block kind dialog once it is up and
// presses `button`.
void answer_kind(int kind, int button, std::atomic<bool>* done) {
    HWND d = nullptr;
    for (int i = 0; i < 400 && !d; ++i) {
        d = FindWindowA(nullptr, "Выбор основной надписи");
        if (!d) Sleep(25);
    }
    // A dialog is visible once its initialisation has run.
    for (int i = 0; i < 400 && d && !IsWindowVisible(d); ++i) Sleep(10);
    if (!d) return;
    char name[200] = {};
    SendDlgItemMessageA(d, IDC_TITLE_BLOCK_KIND, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(name));
    if (std::string(name) == title_block_kind_name(2)) *done = true;
    SendDlgItemMessageA(d, IDC_TITLE_BLOCK_KIND, CB_SETCURSEL, kind, 0);
    PostMessageA(d, WM_COMMAND, button, 0);
    if (button != IDOK || kind < 1) return;
    // The kind's fill-in dialog follows: closed at once.
    HWND f = nullptr;
    for (int i = 0; i < 400 && !f; ++i) {
        f = FindWindowA(nullptr, title_block_kind_name(kind));
        if (!f) Sleep(25);
    }
    for (int i = 0; i < 400 && f && !IsWindowVisible(f); ++i) Sleep(10);
    if (f) PostMessageA(f, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(LayoutPanelTest, TitleBlockKindGoesToTheHeaderAndTheSheet) {
    struct {
        int kind, button, expected;
    } cases[] = {{2, IDOK, 2}, {5, IDCANCEL, 2}, {7, IDOK, 7}, {0, IDOK, 0}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.kind);
        std::atomic<bool> done{false};
        std::thread t(answer_kind, c.kind, c.button, &done);
        choose_title_block(1);
        t.join();
        EXPECT_TRUE(done);  // the list holds the kinds' names
        EXPECT_EQ(get_u8(df->header, header_title_block_kind), c.expected);
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_sheets);
        unsigned char* r = record_next(df, head, nullptr, &page_buffers[table_tables]);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(get_u8(r, sheet_title_block), c.expected);
        EXPECT_DOUBLE_EQ(title_block_height, title_block_height_of(c.expected));
    }
}

}  // namespace
