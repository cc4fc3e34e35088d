// The table editor's edits of whole columns and rows, as record work: each
// one is one group of the edit history, so one undo takes all of it back.
//
// A record that moves (another column or row) is recorded as deleted at its
// old place and added at its new one, and records move in an order where
// no two ever share a place: highest first when moving up or right, lowest
// first when moving down or left. Cell locks (kind 3) move with the cells:
// a lock's column 0 means every column and stays; its row counts from 1
// (row r of a lock is cell row r - 1), and 0 means every row.
#pragma once
#include "model/tables.h"

#include <cstdint>
#include <string>
#include <vector>

// One buffered cell of "Сохранить строки" / "Сохранить колонку".
struct TableBufferedCell {
    uint16_t column = 0;
    uint16_t row = 0;  // the row it was copied from
    std::string text;
};

// Inserts a column named name after column `after` (0: first): columns,
// cells and locks to its right move one right.
bool table_insert_column(DrawingFile* df, uint32_t table, uint16_t after, const std::string& name,
                         TableHistory* history, int group);
// Renames a column: the old record deleted, the new one added, one group.
bool table_rename_column(DrawingFile* df, uint32_t table, uint16_t column, const std::string& name,
                         TableHistory* history, int group);
// Deletes a column with its cells and locks; those to its right move left.
bool table_delete_column(DrawingFile* df, uint32_t table, uint16_t column, TableHistory* history, int group);
// Deletes the rows (any order, duplicates ignored); later rows move up.
bool table_delete_rows(DrawingFile* df, uint32_t table, std::vector<uint16_t> rows, TableHistory* history,
                       int group);
// The cells of the rows (or, with column non-zero, of that column only).
std::vector<TableBufferedCell> table_copy_cells(DrawingFile* df, uint32_t table, const std::vector<uint16_t>& rows,
                                                uint16_t column);
// Inserts the buffered rows at row `at`: the cells at and below it move
// down by the number of buffered rows, the buffer is written in its order.
bool table_insert_rows(DrawingFile* df, uint32_t table, uint16_t at, const std::vector<TableBufferedCell>& cells,
                       TableHistory* history, int group);
// Writes the buffered cells, in row order, into column from row `from` on,
// one row each; cells of the column in that range are deleted first.
bool table_fill_column(DrawingFile* df, uint32_t table, uint16_t column, uint16_t from,
                       const std::vector<TableBufferedCell>& cells, TableHistory* history, int group);
// The bill-of-materials columns "Формат", "Зона", "Поз.", "Раздел",
// "Обозначение", "Наименование", "Кол.", "Примечание", numbered after the
// table's last column (1 to 8 on an empty table).
bool table_bill_of_materials(DrawingFile* df, uint32_t table, TableHistory* history, int group);
// Deletes every record of the table (not recorded: the editor clears its history).
bool table_delete(DrawingFile* df, uint32_t table);
// Whether a lock record covers the cell (column from 1, row from 0).
bool table_cell_locked(DrawingFile* df, uint32_t table, uint16_t column, uint16_t row);
