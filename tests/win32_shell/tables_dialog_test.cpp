// The table editor and the model window's dialogs on a drawing: a bill of
// materials made, a text file imported, the rows sorted, the undo after the
// sort refused, and the records left in the drawing; the table's graphic
// image built from two template fragments gives pages that get page sheets
// on entering the layout stage; the model properties export the program
// and the operator list inserts an entry.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "annotation/annotation_properties.h"
#include "annotation/leader_properties.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/naming.h"
#include "model/model_storage.h"
#include "model/tables.h"
#include "output/page_sheets.h"
#include "output/sheets.h"
#include "output/title_block_fields.h"
#include "shell/commands.h"
#include "shell/document_ui.h"
#include "shell/frame_window.h"
#include "shell/model_window.h"
#include "shell/resource_ids.h"
#include "shell/core/projection_records.h"
#include "shell/core/table_image.h"
#include "shell/core/table_template.h"
#include "shell/layout_windows.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "shell/tables_dialog.h"
#include "shell_fixture.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

std::string answer_path;
int answer(int, char* path, size_t size) {
    std::snprintf(path, size, "%s", answer_path.c_str());
    return 1;
}

std::vector<std::string> shown_messages;
void record_message(const ProgramMessage& m) { shown_messages.push_back(m.text); }

struct TablesDialog : ::testing::Test {
    DrawingFile* df = nullptr;
    const char* name = "tables_dialog_test.svt";
    void (*display_before)(const ProgramMessage&) = nullptr;
    void SetUp() override {
        test_frame();
        std::remove(name);
        ASSERT_EQ(store_init(), 0);
        df = drawing_file_new(name);
        ASSERT_NE(df, nullptr);
        drawing_file_set_mode(df, drawing_mode_create_new);
        ASSERT_EQ(drawing_file_open(df, 0), 0);
        open_drawings[0] = df;
        current_drawing = 0;
        error_flag = 0;
        model_bind();
        document_dialog_answer = answer;
        display_before = program_message_display;
        program_message_display = record_message;
        shown_messages.clear();
    }
    void TearDown() override {
        // A built template opened its window, which named itself in the
        // frame's title: both go, for the tests after this one.
        projection_windows_destroy_all();
        SetWindowTextA(test_frame(), frame_window_title);
        program_message_display = display_before;
        document_dialog_answer = nullptr;
        open_drawings[0] = nullptr;
        drawing_file_close(df);
        drawing_file_free(df);
        std::remove(name);
    }
};

int list_rows(HWND d) {
    return static_cast<int>(SendDlgItemMessageA(d, IDC_TABLES_LIST, LVM_GETITEMCOUNT, 0, 0));
}

TEST_F(TablesDialog, BillOfMaterialsImportSortAndRefusedUndo) {
    const char* file = "tables_dialog_fixture.txt";
    {
        std::ofstream f(file, std::ios::binary);
        f << "Формат;Зона;Поз.;Раздел;Обозначение;Наименование;Кол.;Примечание;\r\n"
             "A4;;3;Детали;АБВ.001;Втулка;2;;\r\n"
             "\r\n"
             "A4;;1;Детали;АБВ.002;Ось;1;;\r\n"
             "A3;;2;Детали;АБВ.003;Корпус;1;;\r\n";
    }
    answer_path = file;
    int rows_after_import = -1;
    int columns_shown = -1;
    std::vector<std::string> captions;
    DialogWatcher w([&](HWND d) {
        char caption[128] = "";
        GetWindowTextA(d, caption, sizeof caption);
        captions.push_back(caption);
        std::string c = caption;
        if (c == "Таблицы") {
            SetDlgItemTextA(d, IDC_TABLES_NAME, "Спецификация");
            press(d, IDC_TABLES_ADD);
            pump_messages(100);
            press(d, IDC_TABLES_BILL);
            pump_messages(100);
            HWND header = reinterpret_cast<HWND>(SendDlgItemMessageA(d, IDC_TABLES_LIST, LVM_GETHEADER, 0, 0));
            columns_shown = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
            press(d, IDC_TABLES_EXCHANGE);  // the exchange dialog imports (below)
            pump_messages(100);
            rows_after_import = list_rows(d);
            press(d, IDC_TABLES_SORT);  // sorted by the first key column, ascending
            pump_messages(100);
            press(d, IDC_TABLES_UNDO);  // refused after a sort
            pump_messages(100);
            press(d, IDOK);
        } else if (c.empty() && GetDlgItem(d, IDC_TABLEX_IMPORT)) {
            press(d, IDC_TABLEX_IMPORT);
            pump_messages(100);
            press(d, IDOK);
        } else {
            press(d, IDOK);
        }
    });
    ASSERT_NE(command_seams.tables_dialog, nullptr);
    command_seams.tables_dialog();
    EXPECT_EQ(captions.front(), "Таблицы");
    EXPECT_EQ(columns_shown, 9);  // "№стр" and the 8 columns
    EXPECT_EQ(rows_after_import, 3);
    ASSERT_EQ(shown_messages.size(), 1u);
    EXPECT_NE(shown_messages[0].find("сортировки выполняется по"), std::string::npos);
    // The drawing holds the table, its 8 columns and the sorted cells.
    uint32_t t = table_find_by_name(df, "Спецификация");
    ASSERT_NE(t, 0u);
    std::map<int, std::string> columns;
    std::map<std::pair<int, int>, std::string> cells;
    for (const TableRecordInfo& r : table_records(df)) {
        if (r.key != t) continue;
        if (r.kind == table_kind_column) columns[r.column] = r.text;
        if (r.kind == table_kind_cell) cells[{r.column, r.row}] = r.text;
    }
    ASSERT_EQ(columns.size(), 8u);
    EXPECT_EQ(columns[6], "Наименование");
    EXPECT_EQ(cells.size(), 18u);  // 3 rows of 6 filled fields
    // Keys in column order: "Формат" first (A3 before A4), then the missing
    // "Зона" (equal), then "Поз." (1 before 3).
    EXPECT_EQ(cells[std::make_pair(6, 0)], "Корпус");
    EXPECT_EQ(cells[std::make_pair(6, 1)], "Ось");
    EXPECT_EQ(cells[std::make_pair(6, 2)], "Втулка");
    EXPECT_EQ(cells[std::make_pair(3, 2)], "3");
    EXPECT_EQ(tables_dialog_window, nullptr);
    std::remove(file);
}

TEST_F(TablesDialog, TemplateBuiltFromTheEditor) {
    std::vector<std::string> captions;
    DialogWatcher w([&](HWND d) {
        char caption[128] = "";
        GetWindowTextA(d, caption, sizeof caption);
        std::string c = caption;
        captions.push_back(c);
        if (c == "Таблицы") {
            press(d, IDC_TABLES_TEMPLATE);
            pump_messages(100);
            press(d, IDOK);
        } else if (c == "Создать шаблон таблицы") {
            SetDlgItemTextA(d, IDC_TEMPLATE_NAME, "Ш1");
            SetDlgItemTextA(d, IDC_TEMPLATE_ROWS, "3");
            SetDlgItemTextA(d, IDC_TEMPLATE_TABLE_COLUMNS, "2");
            SendDlgItemMessageA(d, IDC_TEMPLATE_BOUND_COLUMN, CB_SETCURSEL, 3, 0);  // table column 1 in column 3
            press(d, IDC_TEMPLATE_COLUMN_TEXT);  // font B upright, size 3, for every column (below)
            pump_messages(100);
            press(d, IDOK);
        } else if (c == "Параметры текста") {
            CheckDlgButton(d, IDC_TEXTPAR_A_SLANTED, BST_UNCHECKED);
            CheckDlgButton(d, IDC_TEXTPAR_B_UPRIGHT, BST_CHECKED);
            SendDlgItemMessageA(d, IDC_TEXTPAR_SIZE, CB_SETCURSEL, 3, 0);
            CheckDlgButton(d, IDC_TEXTPAR_CURRENT_ONLY, BST_UNCHECKED);
            CheckDlgButton(d, IDC_TEXTPAR_ALL_COLUMNS, BST_CHECKED);
            CheckDlgButton(d, IDC_TEXTPAR_EDGE2_THIN, BST_CHECKED);
            press(d, IDOK);
        } else {
            press(d, IDOK);
        }
    });
    command_seams.tables_dialog();
    ASSERT_GE(captions.size(), 2u);
    EXPECT_EQ(captions[1], "Создать шаблон таблицы");
    RecordRef ref = template_find_projection(df, "Ш1");
    ASSERT_NE(ref, 0u);
    TemplateParams t;
    ASSERT_TRUE(template_load(df, ref, t));
    EXPECT_EQ(t.rows, 3u);
    EXPECT_EQ(t.columns.size(), 4u);  // the default
    // Font B (bit 0), upright (bit 1 clear), size 3 (bits 2-5), the second
    // edge thin (bits 8-9 = 2), on every column.
    for (const TemplateColumn& c : t.columns) EXPECT_EQ(c.style, 0x0001 | (3 << 2) | (2 << 8));
    ASSERT_EQ(t.bindings.size(), 2u);
    EXPECT_EQ(t.bindings[0].template_column, 3u);
    EXPECT_EQ(t.bindings[1].template_column, 0u);
    // Points of the view: (3 + 2) x (4 + 1).
    unsigned char* p = record_read_at(df, &ref, &page_buffers[table_projections]);
    ASSERT_NE(p, nullptr);
    int points = 0;
    RecordRef* head = reinterpret_cast<RecordRef*>(p + 30);
    for (unsigned char* r = record_next(df, head, nullptr, &page_buffers[table_points]); r;
         r = record_next(df, head, r, &page_buffers[table_points]))
        ++points;
    EXPECT_EQ(points, 25);
    // The built template opens in its window, the active one.
    ProjectionWindow* view = projection_window_find_by_id(get_u32(p, 2));
    ASSERT_NE(view, nullptr);
    ASSERT_NE(view->window, nullptr);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(mdi_client, WM_MDIGETACTIVE, 0, 0)), view->window);
}

// The axis grid dialog marks the sides the user chooses: left and top (the
// defaults) are swapped for right and bottom, the last side of a pair
// cannot be unchecked, a first mark that does not fit its packed 4 bytes is
// refused, and the first horizontal axis is put at the bottom.
TEST_F(TablesDialog, AxisGridMarksTheChosenSides) {
    bool left_kept = false;
    std::string refused_mark;
    DialogWatcher w([&](HWND d) {
        char caption[128] = "";
        GetWindowTextA(d, caption, sizeof caption);
        std::string c = caption;
        auto click = [&](int id) { SendDlgItemMessageA(d, id, BM_CLICK, 0, 0); };
        if (c == "Таблицы") {
            press(d, IDC_TABLES_GRID);
            pump_messages(100);
            press(d, IDOK);
        } else if (c == "Создать сетку осей") {
            SetDlgItemTextA(d, IDC_TEMPLATE_NAME, "Оси");
            SetDlgItemTextA(d, IDC_TEMPLATE_COLUMNS, "2");
            SetDlgItemTextA(d, IDC_TEMPLATE_ROWS, "1");
            click(IDC_GRID_MARK_LEFT);  // the only one of its pair: stays
            left_kept = IsDlgButtonChecked(d, IDC_GRID_MARK_LEFT) == BST_CHECKED;
            click(IDC_GRID_MARK_RIGHT);
            click(IDC_GRID_MARK_LEFT);
            click(IDC_GRID_MARK_BOTTOM);
            click(IDC_GRID_MARK_TOP);
            SetDlgItemTextA(d, IDC_GRID_FIRST_HORIZONTAL, "А1000");  // 7 packed symbols
            char buf[32] = "";
            GetDlgItemTextA(d, IDC_GRID_FIRST_HORIZONTAL, buf, sizeof buf);
            refused_mark = buf;
            SetDlgItemTextA(d, IDC_GRID_FIRST_HORIZONTAL, "01");
            SetDlgItemTextA(d, IDC_GRID_FIRST_VERTICAL, "Б");
            SendDlgItemMessageA(d, IDC_GRID_FIRST_HORIZONTAL_AT, CB_SETCURSEL, 1, 0);  // "Внизу"
            press(d, IDOK);
        } else {
            press(d, IDOK);
        }
    });
    command_seams.tables_dialog();
    EXPECT_TRUE(left_kept);
    EXPECT_EQ(refused_mark, "1");  // the default stays
    RecordRef ref = template_find_projection(df, "Оси");
    ASSERT_NE(ref, 0u) << (shown_messages.empty() ? "" : shown_messages.back());
    TemplateParams t;
    ASSERT_TRUE(template_load(df, ref, t));
    EXPECT_EQ(t.flags & (template_flag_grid | template_flag_marks | template_mark_left | template_mark_right |
                         template_mark_top | template_mark_bottom | template_first_bottom | template_first_right),
              template_flag_grid | template_flag_marks | template_mark_right | template_mark_bottom |
                  template_first_bottom);
    EXPECT_EQ(t.first_horizontal_mark, "01");
    EXPECT_EQ(t.first_vertical_mark, "Б");
    // Two spans across and one further span: 3 horizontal axes marked on the
    // right, 3 vertical axes at the bottom.
    unsigned char* p = record_read_at(df, &ref, &page_buffers[table_projections]);
    ASSERT_NE(p, nullptr);
    std::vector<std::string> marks;
    RecordRef* head = reinterpret_cast<RecordRef*>(p + projection_annotations);
    for (unsigned char* a = record_next(df, head, nullptr, &page_buffers[table_annotation]); a;
         a = record_next(df, head, a, &page_buffers[table_annotation]))
        if (a[record_kind] == annotation_leader) marks.push_back(leader_texts(a).upper);
    std::sort(marks.begin(), marks.end());
    EXPECT_EQ(marks, (std::vector<std::string>{"01", "02", "03", "Б", "Б1", "Б2"}));
}

// A table of 5 rows, a first-sheet template of 3 rows and a following one
// of 3 rows: dialog 598 builds pages "1 Т" and "2 Т" marked as pages (the
// second continuing the first), with the cells' texts; entering the layout
// stage then makes a page sheet for each, numbered 1 and 2 in field 7.
TEST_F(TablesDialog, TableImagePagesGetPageSheets) {
    auto build_template = [&](const char* name) {
        TemplateParams t;
        t.name = name;
        t.rows = 3;
        for (int i = 0; i < 4; ++i) {
            TemplateColumn c;
            c.width = 45.0;  // 180 mm wide: a page too wide for a drawing sheet's corner
            t.columns.push_back(c);
        }
        TemplateBinding b;
        b.table_column = 1;
        b.template_column = 2;
        t.bindings.push_back(b);
        TemplateBuildResult r = template_build(df, t, 0);
        EXPECT_NE(r.projection, 0u) << r.message;
        return r.projection;
    };
    uint32_t first = build_template("Ш первый");
    uint32_t next = build_template("Ш следующий");
    uint32_t table = table_create(df, "Т", nullptr, 0);
    ASSERT_NE(table, 0u);
    ASSERT_TRUE(table_add_column(df, table, 1, "Поз.", nullptr, 0));
    for (uint16_t row = 0; row < 5; ++row)
        ASSERT_TRUE(table_cell_write(df, table, 1, row, "П" + std::to_string(row + 1), nullptr, 0));
    ASSERT_EQ(table_update_next_row(df, table), 5);

    std::vector<std::string> combo_entries;
    DialogWatcher w([&](HWND d) {
        char caption[128] = "";
        GetWindowTextA(d, caption, sizeof caption);
        std::string c = caption;
        if (c == "Таблицы") {
            press(d, IDC_TABLES_EXCHANGE);
            pump_messages(100);
            press(d, IDOK);
        } else if (c.empty() && GetDlgItem(d, IDC_TABLEX_BUILD)) {
            HWND combo = GetDlgItem(d, IDC_TABLEX_FIRST_TEMPLATE);
            int n = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
            for (int i = 0; i < n; ++i) {
                char text[64] = "";
                SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
                combo_entries.push_back(text);
            }
            SendDlgItemMessageA(d, IDC_TABLEX_FIRST_TEMPLATE, CB_SETCURSEL, 1, 0);
            SendDlgItemMessageA(d, IDC_TABLEX_NEXT_TEMPLATE, CB_SETCURSEL, 2, 0);
            CheckDlgButton(d, IDC_TABLEX_WRAP, BST_CHECKED);
            press(d, IDC_TABLEX_BUILD);
            pump_messages(200);
            press(d, IDOK);
        } else {
            press(d, IDOK);
        }
    });
    command_seams.tables_dialog();
    EXPECT_EQ(combo_entries, (std::vector<std::string>{"", "Ш первый", "Ш следующий"}));
    EXPECT_TRUE(shown_messages.empty()) << shown_messages.front();

    std::map<std::string, uint32_t> pages;
    for (const ProjectionEntry& e : projection_chain_entries(df)) {
        RecordRef ref = e.ref;
        unsigned char* p = record_read_at(df, &ref, &page_buffers[table_projections]);
        char caption[128] = "";
        view_caption(p, caption, sizeof caption);
        pages[caption] = e.number;
    }
    ASSERT_TRUE(pages.count("Вид (1 Т)") && pages.count("Вид (2 Т)")) << pages.size();
    uint32_t p1 = pages["Вид (1 Т)"], p2 = pages["Вид (2 Т)"];
    auto stored = [&](uint32_t number) {
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_projections);
        return record_find_key(df, head, number, nullptr, &page_buffers[table_projections]);
    };
    EXPECT_EQ(get_u16(stored(p1), projection_page_flags) & 0x3000, page_projection_mark);
    EXPECT_EQ(get_u16(stored(p2), projection_page_flags) & 0x3000, page_projection_mark | page_projection_continues);
    // Rows 1-3 on the first page, 4 and 5 on the second.
    auto texts = [&](uint32_t number) {
        std::vector<std::string> out;
        RecordRef* head = reinterpret_cast<RecordRef*>(stored(number) + projection_annotations);
        for (unsigned char* a = record_next(df, head, nullptr, &page_buffers[table_annotation]); a;
             a = record_next(df, head, a, &page_buffers[table_annotation]))
            if (a[record_kind] == annotation_text_fragment) out.push_back(record_text(a, text_fragment_head));
        std::sort(out.begin(), out.end());
        return out;
    };
    EXPECT_EQ(texts(p1), (std::vector<std::string>{"П1", "П2", "П3"}));
    EXPECT_EQ(texts(p2), (std::vector<std::string>{"П4", "П5"}));
    // The pages open in their windows, their frames measured: the grid of
    // 180 mm and more.
    EXPECT_NE(projection_window_find_by_id(p1), nullptr);
    EXPECT_NE(projection_window_find_by_id(p2), nullptr);
    EXPECT_GE(get_f32(stored(p1), 66) - get_f32(stored(p1), 58), 180.0f);

    // The layout stage, entered from the view construction; left again
    // whatever the checks find, for the tests after this one.
    struct StageBack {
        int stage = current_stage;
        char caption[64] = "";  // the stage menu's, as the frame made it
        // The stage menu's place: one further while a maximised window's
        // system menu stands first.
        static int position() {
            char first[32] = "";
            GetMenuStringA(main_menu, 0, first, sizeof first, MF_BYPOSITION);
            return std::strstr(first, "Файл") ? 3 : 4;
        }
        StageBack() { GetMenuStringA(main_menu, position(), caption, sizeof caption, MF_BYPOSITION); }
        ~StageBack() {
            close_layout_windows();
            pump_messages(50);
            stage_set(stage);
            MENUITEMINFOA info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_TYPE;
            info.fType = MFT_STRING;
            info.dwTypeData = caption;
            SetMenuItemInfoA(main_menu, position(), TRUE, &info);
        }
    } back;
    current_stage = 5;
    dispatch_menu_command(IDM_STAGE_LAYOUT);
    for (int i = 0; i < 1000 && (layout_wait_pending() || worker_thread); ++i) pump_messages(10);
    EXPECT_NE(sheet_window, nullptr);
    std::vector<SheetInfo> sheets = sheet_chain_list(df);

    std::vector<SheetInfo> page_sheets;
    for (const SheetInfo& s : sheets)
        if (s.flags & sheet_flag_page) page_sheets.push_back(s);
    ASSERT_EQ(page_sheets.size(), 2u);
    EXPECT_EQ(get_u16(stored(p1), projection_sheet_number) & 0x07ff, page_sheets[0].number);
    EXPECT_EQ(get_u16(stored(p2), projection_sheet_number) & 0x07ff, page_sheets[1].number);
    auto title_block = [&](uint32_t sheet) {
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_sheets);
        unsigned char* r = record_find_key(df, head, sheet, nullptr, &page_buffers[table_tables]);
        return r ? r[sheet_title_block] : -1;
    };
    EXPECT_EQ(title_block(page_sheets[0].number), 2);  // a text document's first sheet
    EXPECT_EQ(title_block(page_sheets[1].number), 3);  // and its following sheet
    std::string page_no;
    title_block_field_text(df, title_field_sheet_no, page_sheets[1].number, false, &page_no);
    EXPECT_EQ(page_no, "2");
    (void)first;
    (void)next;
}

TEST_F(TablesDialog, ModelPropertiesExportAndOperatorList) {
    ModelHead h;
    std::string program = "DIM A\nA = 2\n";
    ASSERT_TRUE(model_program_store(df, h, program.data(), program.size(), nullptr));
    const char* out = "model_props_export.bas";
    std::remove(out);
    answer_path = "model_props_export.txt";  // the extension becomes .bas
    std::string size_text, editor_after;
    int entries = 0;
    HWND tables = nullptr, model_owner = nullptr;
    RECT model_rect{};
    DialogWatcher w([&](HWND d) {
        char caption[128] = "";
        GetWindowTextA(d, caption, sizeof caption);
        std::string c = caption;
        if (c == "Таблицы") {
            tables = d;
            press(d, IDC_TABLES_MODEL);
            pump_messages(100);  // the model window's modal loop runs here
            press(d, IDOK);
        } else if (c == "Модель") {
            model_owner = GetWindow(d, GW_OWNER);
            GetWindowRect(d, &model_rect);
            press(d, IDC_MODEL_PROPERTIES);
            pump_messages(100);
            SendDlgItemMessageA(d, IDC_MODEL_EDITOR, EM_SETSEL, 0, 0);
            press(d, IDC_MODEL_OPERATORS);
            pump_messages(100);
            char buf[512] = "";
            GetDlgItemTextA(d, IDC_MODEL_EDITOR, buf, sizeof buf);
            editor_after = buf;
            press(d, IDOK);
        } else if (c == "Управление и свойства модели") {
            char buf[128] = "";
            GetDlgItemTextA(d, IDC_MODELPROP_SIZE, buf, sizeof buf);
            size_text = buf;
            press(d, IDC_MODELPROP_EXPORT);
            pump_messages(100);
            press(d, IDC_MODELPROP_EXPORT);  // the file exists now: refused, left alone
            pump_messages(100);
            press(d, IDOK);
        } else if (GetDlgItem(d, IDC_MODELOPS_LIST)) {
            HWND list = GetDlgItem(d, IDC_MODELOPS_LIST);
            entries = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
            int at = static_cast<int>(SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                   reinterpret_cast<LPARAM>("STOP")));
            SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
            PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_MODELOPS_LIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
        } else {
            press(d, IDOK);
        }
    });
    // The model window opened from the table editor, and its two dialogs.
    command_seams.tables_dialog();
    EXPECT_EQ(model_window, nullptr);
    // Modal on the table editor, docked at the right of the main window,
    // 6 pixels in from its right edge, its top on the top of the client area.
    ASSERT_NE(tables, nullptr);
    EXPECT_EQ(model_owner, tables);
    RECT frame;
    GetWindowRect(frame_window, &frame);
    POINT client_top{0, 0};
    ClientToScreen(frame_window, &client_top);
    EXPECT_EQ(model_rect.right, frame.right - 6);
    EXPECT_EQ(model_rect.top, client_top.y);
    EXPECT_EQ(size_text, "Объём текста модели - 14 байт");  // "DIM A\r\nA = 2\r\n"
    std::ifstream f(out, std::ios::binary);
    std::string exported((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(exported, "DIM A\r\nA = 2\r\n");
    ASSERT_EQ(shown_messages.size(), 1u);  // the second export
    EXPECT_NE(shown_messages[0].find("открытия файла"), std::string::npos);
    EXPECT_GT(entries, 60);
    EXPECT_EQ(editor_after.substr(0, 4), "STOP");
    f.close();
    std::remove(out);
}

}  // namespace
