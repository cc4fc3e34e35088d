// Column and row edits of the table editor as record work, each undone as
// one group.
#include "model/table_edits.h"
#include "tests/store/store_test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Cells = std::map<std::pair<int, int>, std::string>;  // (column, row) -> text

class TableEdits : public store_test::StoreTest {
protected:
    DrawingFile* df = nullptr;
    uint32_t t = 0;
    TableHistory h;

    // Table T: columns A, B, C; rows 0-4 hold "<column letter><row>".
    void SetUp() override {
        StoreTest::SetUp();
        df = create();
        t = table_create(df, "T", nullptr, 0);
        ASSERT_NE(t, 0u);
        const char* names[3] = {"A", "B", "C"};
        for (uint16_t c = 1; c <= 3; ++c) {
            ASSERT_TRUE(table_add_column(df, t, c, names[c - 1], nullptr, 0));
            for (uint16_t r = 0; r < 5; ++r)
                ASSERT_TRUE(table_cell_write(df, t, c, r, names[c - 1] + std::to_string(r), nullptr, 0));
        }
    }
    Cells cells() {
        Cells out;
        for (const TableRecordInfo& r : table_records(df))
            if (r.key == t && r.kind == table_kind_cell) out[{r.column, r.row}] = r.text;
        return out;
    }
    std::map<int, std::string> columns() {
        std::map<int, std::string> out;
        for (const TableRecordInfo& r : table_records(df))
            if (r.key == t && r.kind == table_kind_column) {
                EXPECT_EQ(out.count(r.column), 0u) << "two columns numbered " << r.column;
                out[r.column] = r.text;
            }
        return out;
    }
    std::vector<std::tuple<int, int>> locks() {
        std::vector<std::tuple<int, int>> out;
        for (const TableRecordInfo& r : table_records(df))
            if (r.key == t && r.kind == table_kind_lock) out.push_back({r.column, r.row});
        return out;
    }
    void add_lock(uint16_t column, uint16_t row) {
        TableRecordInfo l;
        l.kind = table_kind_lock;
        l.key = t;
        l.column = column;
        l.row = row;
        ASSERT_TRUE(table_record_insert(df, l, nullptr, 0));
    }
    uint16_t column_count() {
        for (const TableRecordInfo& r : table_records(df))
            if (r.key == t && r.kind == table_kind_table) return r.column;
        return 0;
    }
};

TEST_F(TableEdits, RenameAndUndoLeaveOneColumn) {
    Cells before = cells();
    ASSERT_TRUE(table_rename_column(df, t, 2, "Масса", &h, h.next_group()));
    EXPECT_EQ(columns(), (std::map<int, std::string>{{1, "A"}, {2, "Масса"}, {3, "C"}}));
    ASSERT_TRUE(h.undo(df));
    EXPECT_EQ(columns(), (std::map<int, std::string>{{1, "A"}, {2, "B"}, {3, "C"}}));
    ASSERT_TRUE(h.redo(df));
    EXPECT_EQ(columns(), (std::map<int, std::string>{{1, "A"}, {2, "Масса"}, {3, "C"}}));
    EXPECT_EQ(cells(), before);
}

TEST_F(TableEdits, InsertColumnRenumbersCellsAndLocksAndUndoes) {
    add_lock(3, 2);  // the cell C1
    add_lock(0, 4);  // row 3, every column: stays
    Cells before = cells();
    ASSERT_TRUE(table_insert_column(df, t, 2, "Новая", &h, h.next_group()));
    EXPECT_EQ(columns(), (std::map<int, std::string>{{1, "A"}, {2, "B"}, {3, "Новая"}, {4, "C"}}));
    EXPECT_EQ(column_count(), 4);
    Cells after = cells();
    EXPECT_EQ(after.count({3, 0}), 0u);
    EXPECT_EQ(after[std::make_pair(4, 0)], "C0");
    EXPECT_EQ(after[std::make_pair(4, 4)], "C4");
    EXPECT_EQ(after[std::make_pair(2, 4)], "B4");
    auto l = locks();
    std::sort(l.begin(), l.end());
    EXPECT_EQ(l, (std::vector<std::tuple<int, int>>{{0, 4}, {4, 2}}));
    ASSERT_TRUE(h.undo(df));
    EXPECT_EQ(cells(), before);
    EXPECT_EQ(columns(), (std::map<int, std::string>{{1, "A"}, {2, "B"}, {3, "C"}}));
    EXPECT_EQ(column_count(), 3);
    EXPECT_EQ(h.undo_count(), 0u);
}

TEST_F(TableEdits, DeleteColumnMovesTheRightOnesLeft) {
    ASSERT_TRUE(table_delete_column(df, t, 1, &h, h.next_group()));
    EXPECT_EQ(columns(), (std::map<int, std::string>{{1, "B"}, {2, "C"}}));
    Cells c = cells();
    EXPECT_EQ(c.size(), 10u);
    EXPECT_EQ(c[std::make_pair(1, 3)], "B3");
    EXPECT_EQ(c[std::make_pair(2, 0)], "C0");
    EXPECT_EQ(column_count(), 2);
    ASSERT_TRUE(h.undo(df));
    EXPECT_EQ(columns(), (std::map<int, std::string>{{1, "A"}, {2, "B"}, {3, "C"}}));
    EXPECT_EQ(cells().size(), 15u);
}

TEST_F(TableEdits, DeletingRowsTwoAndFourRemovesThoseRows) {
    Cells before = cells();
    // Given in ascending order: each row still named as it was.
    ASSERT_TRUE(table_delete_rows(df, t, {1, 3}, &h, h.next_group()));
    Cells c = cells();
    EXPECT_EQ(c.size(), 9u);
    for (int col = 1; col <= 3; ++col) {
        std::string letter(1, static_cast<char>('A' + col - 1));
        EXPECT_EQ(c[std::make_pair(col, 0)], letter + "0");
        EXPECT_EQ(c[std::make_pair(col, 1)], letter + "2");
        EXPECT_EQ(c[std::make_pair(col, 2)], letter + "4");
    }
    EXPECT_EQ(table_update_next_row(df, t), 3);
    ASSERT_TRUE(h.undo(df));
    EXPECT_EQ(cells(), before);
    EXPECT_EQ(table_update_next_row(df, t), 5);
}

TEST_F(TableEdits, CopiedRowsInsertAndFillAColumn) {
    std::vector<TableBufferedCell> rows = table_copy_cells(df, t, {0, 4}, 0);
    ASSERT_EQ(rows.size(), 6u);
    ASSERT_TRUE(table_insert_rows(df, t, 2, rows, &h, h.next_group()));
    Cells c = cells();
    EXPECT_EQ(c.size(), 21u);
    EXPECT_EQ(c[std::make_pair(1, 1)], "A1");
    EXPECT_EQ(c[std::make_pair(1, 2)], "A0");
    EXPECT_EQ(c[std::make_pair(3, 3)], "C4");
    EXPECT_EQ(c[std::make_pair(2, 4)], "B2");
    EXPECT_EQ(c[std::make_pair(2, 6)], "B4");
    ASSERT_TRUE(h.undo(df));
    EXPECT_EQ(cells().size(), 15u);
    EXPECT_EQ(cells()[std::make_pair(1, 2)], "A2");
    // Column B from row 3: B0, B1 over B3, B4.
    std::vector<TableBufferedCell> col = table_copy_cells(df, t, {0, 1}, 2);
    ASSERT_TRUE(table_fill_column(df, t, 1, 3, col, &h, h.next_group()));
    c = cells();
    EXPECT_EQ(c[std::make_pair(1, 3)], "B0");
    EXPECT_EQ(c[std::make_pair(1, 4)], "B1");
    EXPECT_EQ(c[std::make_pair(1, 2)], "A2");
    ASSERT_TRUE(h.undo(df));
    EXPECT_EQ(cells()[std::make_pair(1, 3)], "A3");
}

TEST_F(TableEdits, BillOfMaterialsNumbersAfterTheLastColumn) {
    ASSERT_TRUE(table_bill_of_materials(df, t, &h, h.next_group()));
    std::map<int, std::string> c = columns();
    ASSERT_EQ(c.size(), 11u);
    EXPECT_EQ(c[4], "Формат");
    EXPECT_EQ(c[11], "Примечание");
    EXPECT_EQ(column_count(), 11);
    ASSERT_TRUE(h.undo(df));
    EXPECT_EQ(columns().size(), 3u);
    uint32_t empty = table_create(df, "E", nullptr, 0);
    ASSERT_TRUE(table_bill_of_materials(df, empty, nullptr, 0));
    std::string first;
    for (const TableRecordInfo& r : table_records(df))
        if (r.key == empty && r.kind == table_kind_column && r.column == 1) first = r.text;
    EXPECT_EQ(first, "Формат");
}

TEST_F(TableEdits, LocksCoverCellsRowsAndColumns) {
    add_lock(2, 3);  // cell (2, row 2)
    add_lock(0, 5);  // row 4
    add_lock(3, 0);  // column 3
    EXPECT_TRUE(table_cell_locked(df, t, 2, 2));
    EXPECT_FALSE(table_cell_locked(df, t, 2, 3));
    EXPECT_TRUE(table_cell_locked(df, t, 1, 4));
    EXPECT_TRUE(table_cell_locked(df, t, 3, 0));
    EXPECT_FALSE(table_cell_locked(df, t, 1, 0));
    ASSERT_TRUE(table_delete(df, t));
    EXPECT_EQ(table_find_by_name(df, "T"), 0u);
    for (const TableRecordInfo& r : table_records(df)) EXPECT_NE(r.key, t);
}

}  // namespace
