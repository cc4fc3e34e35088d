// Tables of a drawing: named tables of text cells in one record chain
// (header +40, the tables' record table). Record layout (record_layouts.h):
// u16 length, u16 kind (0 table, 1 column, 2 cell, 3 cell lock), u32 table
// key, u16 column (kind 0: column count), u16 row (kind 0: next free row),
// u16 text length, packed text (mode 5). An empty cell has no record.
//
// Also here: the edit history of the table editor (undo and redo in groups
// of steps, whole groups dropped at the cap), the row sort, and the text
// exchange format (fields each followed by the separator; a field holding
// the separator, a double quote or a line break is written in double
// quotes with its quotes doubled, as the csv readers expect).
#pragma once
#include "store/drawing_file.h"

#include <cstdint>
#include <string>
#include <vector>

enum : uint16_t { table_kind_table = 0, table_kind_column = 1, table_kind_cell = 2, table_kind_lock = 3 };
enum : int {
    table_cell_packed_max = 782,  // packed bytes of a cell's text
    table_row_max = 65534,        // highest row number
    table_history_cap = 500       // steps kept in each history list
};

struct TableRecordInfo {
    uint16_t kind = 0;
    uint32_t key = 0;
    uint16_t column = 0;
    uint16_t row = 0;
    std::string text;
};

// Record bytes of a table record, and back.
std::vector<uint8_t> table_record_build(const TableRecordInfo& r);
TableRecordInfo table_record_read(const unsigned char* rec);
// Every table record of the drawing, in chain order.
std::vector<TableRecordInfo> table_records(DrawingFile* df);

uint32_t table_find_by_name(DrawingFile* df, const std::string& name);        // 0: none
uint16_t table_find_column(DrawingFile* df, uint32_t table, const std::string& name);  // 0: none
// The row of the first cell of the column whose text equals key; -1: none.
int table_find_row_by_key(DrawingFile* df, uint32_t table, uint16_t column, const std::string& key);
// The text of a cell; false when the cell has no record.
bool table_cell_at(DrawingFile* df, uint32_t table, uint16_t column, uint16_t row, std::string* text);
// 1 + the largest table key; 0 when none is left.
uint32_t table_new_key(DrawingFile* df);
// Recomputes and stores the next free row of the table; returns it.
int table_update_next_row(DrawingFile* df, uint32_t table);

class TableHistory;

// Adds a table (no columns); returns its key, 0 on failure.
uint32_t table_create(DrawingFile* df, const std::string& name, TableHistory* history, int group);
// Adds column number `column` named name and sets the table's column count.
bool table_add_column(DrawingFile* df, uint32_t table, uint16_t column, const std::string& name,
                      TableHistory* history, int group);
// Writes a cell: the new record is added before the old one is deleted, so
// a failure keeps the old cell. An empty text deletes the cell. A text that
// does not pack into 782 bytes is refused. Returns true on success.
bool table_cell_write(DrawingFile* df, uint32_t table, uint16_t column, uint16_t row, const std::string& text,
                      TableHistory* history, int group);

// Deletes the record at the place of `place` (kind, table, column, row),
// recorded as deleted with its full copy. False when there is none.
bool table_record_remove(DrawingFile* df, const TableRecordInfo& place, TableHistory* history, int group);
// Adds r, recorded as added. False when it does not pack or cannot be stored.
bool table_record_insert(DrawingFile* df, const TableRecordInfo& r, TableHistory* history, int group);
// Writes the table record's column count (not recorded: undo recounts).
void table_set_column_count(DrawingFile* df, uint32_t table, uint16_t count);
// Recomputes and stores the column count (the highest column number).
int table_update_column_count(DrawingFile* df, uint32_t table);

// ---------------------------------------------------------------- history
struct TableEditStep {
    int group = 0;
    int action = 0;  // 1 deleted (undo adds it), 2 added (undo deletes it), 3 changed (undo puts the copy back)
    TableRecordInfo record;
};

class TableHistory {
public:
    void push(int action, const TableRecordInfo& record, int group);  // a new edit: empties the redo list
    bool undo(DrawingFile* df);  // replays the newest group; false when there is none
    bool redo(DrawingFile* df);
    void clear();
    size_t undo_count() const { return undo_.size(); }
    size_t redo_count() const { return redo_.size(); }
    int next_group() { return ++last_group_; }

private:
    std::vector<TableEditStep> undo_, redo_;  // oldest first
    int last_group_ = 0;
    static void cap(std::vector<TableEditStep>& list);
    bool replay(DrawingFile* df, std::vector<TableEditStep>& from, std::vector<TableEditStep>& to);
};

// ---------------------------------------------------------------- sort
// Sorts the rows of the table by the columns of key_order (first decides
// first): two non-zero numbers compare as numbers within the tolerance,
// anything else as text in the drawing's collation; a missing cell sorts
// first ascending, last descending; equal rows keep their order. With
// rows given, only those rows are sorted among themselves.
void table_sort_rows(DrawingFile* df, uint32_t table, const std::vector<uint16_t>& key_order, bool ascending,
                     const std::vector<uint16_t>* rows = nullptr);

// ---------------------------------------------------------------- exchange
std::string table_export_text(DrawingFile* df, uint32_t table, char separator);
// Imports text into the table: the header line names the columns (made when
// the table has none, else checked), every further non-empty line fills the
// next free row. Empty fields make no cells; fields beyond the columns are
// dropped. Every record made is one step of group. Returns "" or the message.
std::string table_import_text(DrawingFile* df, uint32_t table, const std::string& text, char separator,
                              TableHistory* history, int group);
