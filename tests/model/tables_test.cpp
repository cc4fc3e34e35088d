// Tests of the drawing's tables: cells, keys, the text exchange round trip,
// undo in groups, the history cap and the row sort.
#include "model/tables.h"
#include "tests/store/store_test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Cells = std::map<std::pair<int, int>, std::string>;  // (row, column) -> text

class Tables : public store_test::StoreTest {
protected:
    DrawingFile* df = nullptr;
    void SetUp() override {
        StoreTest::SetUp();
        df = create();
    }
    Cells cells(uint32_t table) {
        Cells out;
        for (const TableRecordInfo& r : table_records(df))
            if (r.kind == table_kind_cell && r.key == table) out[{r.row, r.column}] = r.text;
        return out;
    }
    std::vector<std::string> columns(uint32_t table) {
        std::map<int, std::string> m;
        for (const TableRecordInfo& r : table_records(df))
            if (r.kind == table_kind_column && r.key == table) m[r.column] = r.text;
        std::vector<std::string> out;
        for (auto& c : m) out.push_back(c.second);
        return out;
    }
    int next_row(uint32_t table) {
        for (const TableRecordInfo& r : table_records(df))
            if (r.kind == table_kind_table && r.key == table) return r.row;
        return -1;
    }
    uint32_t bill(const char* name = "Спецификация") {
        uint32_t t = table_create(df, name, nullptr, 0);
        EXPECT_NE(t, 0u);
        const char* names[] = {"Поз.", "Обозначение", "Кол."};
        for (int c = 0; c < 3; ++c) EXPECT_TRUE(table_add_column(df, t, static_cast<uint16_t>(c + 1), names[c], nullptr, 0));
        return t;
    }
};

TEST_F(Tables, CellsAndLookups) {
    uint32_t t = bill();
    ASSERT_TRUE(table_cell_write(df, t, 1, 0, "1", nullptr, 0));
    ASSERT_TRUE(table_cell_write(df, t, 2, 0, "Вал", nullptr, 0));
    ASSERT_TRUE(table_cell_write(df, t, 2, 3, "Втулка", nullptr, 0));
    ASSERT_TRUE(table_cell_write(df, t, 2, 0, "Вал ступенчатый  ", nullptr, 0));  // replaces
    EXPECT_EQ(cells(t), (Cells{{{0, 1}, "1"}, {{0, 2}, "Вал ступенчатый"}, {{3, 2}, "Втулка"}}));
    EXPECT_EQ(next_row(t), 4);
    EXPECT_EQ(table_find_by_name(df, "Спецификация"), t);
    EXPECT_EQ(table_find_by_name(df, "Нет"), 0u);
    EXPECT_EQ(table_find_column(df, t, "Кол."), 3);
    EXPECT_EQ(table_find_column(df, t, "Масса"), 0);
    EXPECT_EQ(table_find_row_by_key(df, t, 2, "Втулка"), 3);
    EXPECT_EQ(table_find_row_by_key(df, t, 2, "Вал"), -1);
    ASSERT_TRUE(table_cell_write(df, t, 2, 3, "", nullptr, 0));  // an empty text deletes the cell
    EXPECT_EQ(next_row(t), 1);
    std::string s;
    EXPECT_FALSE(table_cell_at(df, t, 2, 3, &s));
    // A text that does not pack into 782 bytes is refused; the cell stays.
    std::string longer;
    for (int i = 0; i < 1200; ++i) longer += static_cast<char>('A' + i % 2);
    EXPECT_FALSE(table_cell_write(df, t, 1, 0, longer, nullptr, 0));
    ASSERT_TRUE(table_cell_at(df, t, 1, 0, &s));
    EXPECT_EQ(s, "1");
    EXPECT_EQ(table_create(df, "Спецификация", nullptr, 0), 0u);  // names are unique
    EXPECT_EQ(table_create(df, "", nullptr, 0), 0u);
}

TEST_F(Tables, FortyTablesGetFortyKeys) {
    std::vector<uint32_t> keys;
    for (int i = 0; i < 40; ++i) keys.push_back(table_create(df, "T" + std::to_string(i), nullptr, 0));
    for (int i = 0; i < 40; ++i) EXPECT_EQ(keys[i], static_cast<uint32_t>(i + 1));
}

TEST_F(Tables, ExportImportRoundTrip) {
    uint32_t t = bill();
    // Empty cells, an empty row 1, cells with the separator and with quotes.
    table_cell_write(df, t, 1, 0, "1", nullptr, 0);
    table_cell_write(df, t, 2, 0, "Вал; ступенчатый", nullptr, 0);
    table_cell_write(df, t, 3, 2, "2", nullptr, 0);
    table_cell_write(df, t, 2, 3, "Гайка \"М12\" ГОСТ 5915", nullptr, 0);
    std::string text = table_export_text(df, t, ';');
    EXPECT_EQ(text,
              "Поз.;Обозначение;Кол.;\r\n"
              "1;\"Вал; ступенчатый\";;\r\n"
              ";;;\r\n"
              ";;2;\r\n"
              ";\"Гайка \"\"М12\"\" ГОСТ 5915\";;\r\n");
    uint32_t copy = table_create(df, "Копия", nullptr, 0);
    TableHistory h;
    EXPECT_EQ(table_import_text(df, copy, text, ';', &h, h.next_group()), "");
    EXPECT_EQ(columns(copy), columns(t));
    EXPECT_EQ(cells(copy), cells(t));
    EXPECT_EQ(next_row(copy), 4);  // no extra row
    // Exported again: the same text.
    EXPECT_EQ(table_export_text(df, copy, ';'), text);
    // Another separator.
    std::string tabbed = table_export_text(df, t, '\t');
    uint32_t third = table_create(df, "Третья", nullptr, 0);
    EXPECT_EQ(table_import_text(df, third, tabbed, '\t', nullptr, 0), "");
    EXPECT_EQ(cells(third), cells(t));
}

TEST_F(Tables, ImportChecksTheHeaderAndDropsSurplusFields) {
    uint32_t t = bill();
    EXPECT_EQ(table_import_text(df, t, "Поз.;Имя;Кол.;\r\n1;2;3;\r\n", ';', nullptr, 0), "Структуры таблиц не совпадают");
    EXPECT_TRUE(cells(t).empty());
    // Empty names match any column; empty lines are skipped; a fourth field has no column.
    EXPECT_EQ(table_import_text(df, t, "\r\n;Обозначение;;\r\n\r\n1;Болт;4;лишнее;\r\n", ';', nullptr, 0), "");
    EXPECT_EQ(cells(t), (Cells{{{0, 1}, "1"}, {{0, 2}, "Болт"}, {{0, 3}, "4"}}));
    uint32_t fresh = table_create(df, "Новая", nullptr, 0);
    EXPECT_EQ(table_import_text(df, fresh, "А;;В\r\nx;y;z\r\n", ';', nullptr, 0), "");
    EXPECT_EQ(columns(fresh), (std::vector<std::string>{"А", "Колонка 2", "В"}));
}

TEST_F(Tables, UndoOfAnImportRemovesAllOfIt) {
    uint32_t t = table_create(df, "Большая", nullptr, 0);
    std::string text = "A;B;C;\r\n";
    for (int r = 0; r < 200; ++r) text += std::to_string(r) + ";x" + std::to_string(r) + ";y;\r\n";
    TableHistory h;
    ASSERT_EQ(table_import_text(df, t, text, ';', &h, h.next_group()), "");
    EXPECT_EQ(cells(t).size(), 600u);
    EXPECT_EQ(h.undo_count(), 603u);  // one group over the cap stays whole
    ASSERT_TRUE(h.undo(df));
    EXPECT_TRUE(cells(t).empty());
    EXPECT_TRUE(columns(t).empty());
    EXPECT_EQ(next_row(t), 0);
    ASSERT_TRUE(h.redo(df));
    EXPECT_EQ(cells(t).size(), 600u);
    EXPECT_EQ(columns(t).size(), 3u);
    EXPECT_EQ(next_row(t), 200);
}

TEST_F(Tables, HistoryKeepsTheNewest500Steps) {
    uint32_t t = bill();
    TableHistory h;
    for (int i = 0; i < 501; ++i)
        ASSERT_TRUE(table_cell_write(df, t, 1, static_cast<uint16_t>(i), "v", &h, h.next_group()));
    EXPECT_EQ(h.undo_count(), 500u);
    int undone = 0;
    while (h.undo(df)) ++undone;
    EXPECT_EQ(undone, 500);
    EXPECT_EQ(cells(t), (Cells{{{0, 1}, "v"}}));  // the oldest edit stays
    // An edit after undo empties the redo list; a change undoes to the old text.
    table_cell_write(df, t, 1, 0, "w", &h, h.next_group());
    EXPECT_EQ(h.redo_count(), 0u);
    ASSERT_TRUE(h.undo(df));
    EXPECT_EQ(cells(t), (Cells{{{0, 1}, "v"}}));
}

TEST_F(Tables, SortMixesNumbersAndWords) {
    uint32_t t = bill();
    // Column 1 keys; column 2 names the row so the order can be read.
    const std::vector<std::pair<const char*, const char*>> rows = {
        {"10", "r0"}, {"9", "r1"}, {nullptr, "r2"}, {"Abc", "r3"}, {"0", "r4"}, {"9", "r5"}};
    auto fill = [&] {
        for (size_t r = 0; r < rows.size(); ++r) {
            for (int c = 1; c <= 2; ++c) table_cell_write(df, t, static_cast<uint16_t>(c), static_cast<uint16_t>(r), "", nullptr, 0);
            if (rows[r].first) table_cell_write(df, t, 1, static_cast<uint16_t>(r), rows[r].first, nullptr, 0);
            table_cell_write(df, t, 2, static_cast<uint16_t>(r), rows[r].second, nullptr, 0);
        }
    };
    auto order = [&] {
        std::string o;
        for (size_t r = 0; r < rows.size(); ++r) {
            std::string s;
            table_cell_at(df, t, 2, static_cast<uint16_t>(r), &s);
            o += s + " ";
        }
        return o;
    };
    struct Case {
        const char* name;
        bool ascending;
        std::vector<uint16_t> selected;
        const char* expected;
    } cases[] = {
        // Missing first; "0" is text and sorts before the digits; 9 < 10 as
        // numbers; between the two nines the second key column decides.
        {"ascending", true, {}, "r2 r4 r1 r5 r0 r3 "},
        {"descending", false, {}, "r3 r0 r5 r1 r4 r2 "},  // column 2 decides between the nines
        {"selected rows only", true, {0, 1, 3}, "r1 r0 r2 r3 r4 r5 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fill();
        table_sort_rows(df, t, {1, 2}, c.ascending, c.selected.empty() ? nullptr : &c.selected);
        EXPECT_EQ(order(), c.expected);
        EXPECT_EQ(next_row(t), 6);
    }
}

}  // namespace
