// Column and row edits of the table editor.
#include "model/table_edits.h"

#include "base/program_messages.h"

#include <algorithm>
#include <set>

namespace {

// The records of one table of the given kinds.
std::vector<TableRecordInfo> records_of(DrawingFile* df, uint32_t table, bool columns, bool cells, bool locks) {
    std::vector<TableRecordInfo> out;
    for (const TableRecordInfo& r : table_records(df)) {
        if (r.key != table) continue;
        if ((r.kind == table_kind_column && columns) || (r.kind == table_kind_cell && cells) ||
            (r.kind == table_kind_lock && locks))
            out.push_back(r);
    }
    return out;
}

bool move(DrawingFile* df, const TableRecordInfo& r, uint16_t column, uint16_t row, TableHistory* h, int g) {
    if (!table_record_remove(df, r, h, g)) return false;
    TableRecordInfo n = r;
    n.column = column;
    n.row = row;
    return table_record_insert(df, n, h, g);
}

// Moves every record whose column lies above `above` by delta (+1 or -1).
bool shift_columns(DrawingFile* df, uint32_t table, uint16_t above, int delta, TableHistory* h, int g) {
    std::vector<TableRecordInfo> rs = records_of(df, table, true, true, true);
    rs.erase(std::remove_if(rs.begin(), rs.end(), [&](const TableRecordInfo& r) { return r.column <= above; }),
             rs.end());
    std::stable_sort(rs.begin(), rs.end(), [&](const TableRecordInfo& a, const TableRecordInfo& b) {
        return delta > 0 ? a.column > b.column : a.column < b.column;
    });
    for (const TableRecordInfo& r : rs)
        if (!move(df, r, static_cast<uint16_t>(r.column + delta), r.row, h, g)) return false;
    return true;
}

// Moves every cell whose row is at or past `from` (and every lock of such a
// row) by delta rows.
bool shift_rows(DrawingFile* df, uint32_t table, uint16_t from, int delta, TableHistory* h, int g) {
    std::vector<TableRecordInfo> rs = records_of(df, table, false, true, true);
    auto cell_row = [](const TableRecordInfo& r) { return r.kind == table_kind_lock ? r.row - 1 : r.row; };
    rs.erase(std::remove_if(rs.begin(), rs.end(),
                            [&](const TableRecordInfo& r) {
                                return (r.kind == table_kind_lock && r.row == 0) || cell_row(r) < from;
                            }),
             rs.end());
    std::stable_sort(rs.begin(), rs.end(), [&](const TableRecordInfo& a, const TableRecordInfo& b) {
        return delta > 0 ? cell_row(a) > cell_row(b) : cell_row(a) < cell_row(b);
    });
    for (const TableRecordInfo& r : rs) {
        int row = r.row + delta;
        if (row < 0 || row > table_row_max) return false;
        if (!move(df, r, r.column, static_cast<uint16_t>(row), h, g)) return false;
    }
    return true;
}

}  // namespace

bool table_insert_column(DrawingFile* df, uint32_t table, uint16_t after, const std::string& name,
                         TableHistory* history, int group) {
    if (name.empty()) return false;
    if (!shift_columns(df, table, after, 1, history, group)) return false;
    TableRecordInfo c;
    c.kind = table_kind_column;
    c.key = table;
    c.column = static_cast<uint16_t>(after + 1);
    c.text = name;
    if (!table_record_insert(df, c, history, group)) return false;
    table_update_column_count(df, table);
    return error_flag == 0;
}

bool table_rename_column(DrawingFile* df, uint32_t table, uint16_t column, const std::string& name,
                         TableHistory* history, int group) {
    if (name.empty()) return false;
    TableRecordInfo c;
    c.kind = table_kind_column;
    c.key = table;
    c.column = column;
    if (!table_record_remove(df, c, history, group)) return false;
    c.text = name;
    return table_record_insert(df, c, history, group);
}

bool table_delete_column(DrawingFile* df, uint32_t table, uint16_t column, TableHistory* history, int group) {
    for (const TableRecordInfo& r : records_of(df, table, true, true, true))
        if (r.column == column && !table_record_remove(df, r, history, group)) return false;
    if (!shift_columns(df, table, column, -1, history, group)) return false;
    table_update_column_count(df, table);
    table_update_next_row(df, table);
    return error_flag == 0;
}

bool table_delete_rows(DrawingFile* df, uint32_t table, std::vector<uint16_t> rows, TableHistory* history,
                       int group) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // Highest first: the rows still to delete keep their numbers.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        uint16_t row = *it;
        for (const TableRecordInfo& r : records_of(df, table, false, true, true)) {
            bool here = r.kind == table_kind_cell ? r.row == row : r.row != 0 && r.row - 1 == row;
            if (here && !table_record_remove(df, r, history, group)) return false;
        }
        if (!shift_rows(df, table, static_cast<uint16_t>(row + 1), -1, history, group)) return false;
    }
    table_update_next_row(df, table);
    return error_flag == 0;
}

std::vector<TableBufferedCell> table_copy_cells(DrawingFile* df, uint32_t table, const std::vector<uint16_t>& rows,
                                                uint16_t column) {
    std::set<uint16_t> want(rows.begin(), rows.end());
    std::vector<TableBufferedCell> out;
    for (const TableRecordInfo& r : records_of(df, table, false, true, false))
        if (want.count(r.row) && (column == 0 || r.column == column)) out.push_back({r.column, r.row, r.text});
    std::stable_sort(out.begin(), out.end(), [](const TableBufferedCell& a, const TableBufferedCell& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    return out;
}

bool table_insert_rows(DrawingFile* df, uint32_t table, uint16_t at, const std::vector<TableBufferedCell>& cells,
                       TableHistory* history, int group) {
    if (cells.empty()) return true;
    // The buffered rows, in order, become rows at, at + 1, ...
    std::vector<uint16_t> rows;
    for (const TableBufferedCell& c : cells) rows.push_back(c.row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (at + rows.size() > static_cast<size_t>(table_row_max)) return false;
    if (!shift_rows(df, table, at, static_cast<int>(rows.size()), history, group)) return false;
    for (const TableBufferedCell& c : cells) {
        size_t index = static_cast<size_t>(std::lower_bound(rows.begin(), rows.end(), c.row) - rows.begin());
        TableRecordInfo r;
        r.kind = table_kind_cell;
        r.key = table;
        r.column = c.column;
        r.row = static_cast<uint16_t>(at + index);
        r.text = c.text;
        if (!table_record_insert(df, r, history, group)) return false;
    }
    table_update_next_row(df, table);
    return error_flag == 0;
}

bool table_fill_column(DrawingFile* df, uint32_t table, uint16_t column, uint16_t from,
                       const std::vector<TableBufferedCell>& cells, TableHistory* history, int group) {
    if (from + cells.size() > static_cast<size_t>(table_row_max) + 1) return false;
    for (const TableRecordInfo& r : records_of(df, table, false, true, false))
        if (r.column == column && r.row >= from && r.row < from + cells.size() &&
            !table_record_remove(df, r, history, group))
            return false;
    for (size_t i = 0; i < cells.size(); ++i) {
        TableRecordInfo r;
        r.kind = table_kind_cell;
        r.key = table;
        r.column = column;
        r.row = static_cast<uint16_t>(from + i);
        r.text = cells[i].text;
        if (r.text.empty()) continue;
        if (!table_record_insert(df, r, history, group)) return false;
    }
    table_update_next_row(df, table);
    return error_flag == 0;
}

bool table_bill_of_materials(DrawingFile* df, uint32_t table, TableHistory* history, int group) {
    static const char* const names[8] = {"Формат", "Зона", "Поз.", "Раздел",
                                         "Обозначение", "Наименование", "Кол.", "Примечание"};
    uint16_t last = 0;
    for (const TableRecordInfo& r : records_of(df, table, true, false, false)) last = std::max(last, r.column);
    for (int i = 0; i < 8; ++i) {
        TableRecordInfo c;
        c.kind = table_kind_column;
        c.key = table;
        c.column = static_cast<uint16_t>(last + 1 + i);
        c.text = names[i];
        if (!table_record_insert(df, c, history, group)) return false;
    }
    table_update_column_count(df, table);
    return error_flag == 0;
}

bool table_delete(DrawingFile* df, uint32_t table) {
    for (const TableRecordInfo& r : table_records(df))
        if (r.key == table && !table_record_remove(df, r, nullptr, 0)) return false;
    return error_flag == 0;
}

bool table_cell_locked(DrawingFile* df, uint32_t table, uint16_t column, uint16_t row) {
    for (const TableRecordInfo& r : records_of(df, table, false, false, true))
        if ((r.column == 0 || r.column == column) && (r.row == 0 || r.row - 1 == row)) return true;
    return false;
}
