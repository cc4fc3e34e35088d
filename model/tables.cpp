// Tables of a drawing: records, lookups, cell writes, history, sort, exchange.
#include "model/tables.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/text_chars.h"
#include "geometry/tolerance.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/text_codec.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

PageBuffer* tables_buffer() { return &page_buffers[table_tables]; }
RecordRef* tables_head(DrawingFile* df) { return reinterpret_cast<RecordRef*>(df->header + header_tables); }

// Whether a stored record holds the place of b (kind, table, and for
// columns and cells the column and row), without unpacking its text.
bool at_place(const unsigned char* p, const TableRecordInfo& b) {
    uint16_t kind = get_u16(p, table_record_kind);
    if (kind != b.kind || get_u32(p, table_record_key) != b.key) return false;
    return kind == table_kind_table ||
           (get_u16(p, table_record_column) == b.column && get_u16(p, table_record_row) == b.row);
}

// The reference of the record at the place of r, or 0.
RecordRef find_place(DrawingFile* df, const TableRecordInfo& r) {
    PageBuffer* buf = tables_buffer();
    for (unsigned char* p = record_next(df, tables_head(df), nullptr, buf); p;
         p = record_next(df, tables_head(df), p, buf)) {
        if (at_place(p, r)) return record_ref_of(buf, p);
    }
    return 0;
}

bool add_record(DrawingFile* df, const TableRecordInfo& r) {
    std::vector<uint8_t> bytes = table_record_build(r);
    if (bytes.empty()) return false;
    return record_add(df, tables_head(df), bytes.data(), tables_buffer()) != 0 && error_flag == 0;
}

bool delete_place(DrawingFile* df, const TableRecordInfo& r) {
    RecordRef ref = find_place(df, r);
    if (!ref) return false;
    record_delete(df, tables_head(df), ref, tables_buffer());
    return error_flag == 0;
}

// Writes the kind 0 record's column count or next free row.
void set_table_field(DrawingFile* df, uint32_t table, uint32_t offset, uint16_t value) {
    PageBuffer* buf = tables_buffer();
    for (unsigned char* p = record_next(df, tables_head(df), nullptr, buf); p;
         p = record_next(df, tables_head(df), p, buf)) {
        if (get_u16(p, table_record_kind) == table_kind_table && get_u32(p, table_record_key) == table) {
            put_u16(p, offset, value);
            buf->clean = 0;
            return;
        }
    }
}

}  // namespace

std::vector<uint8_t> table_record_build(const TableRecordInfo& r) {
    std::vector<uint16_t> words(r.text.size() + 8);
    int bytes = text_pack_words(static_cast<int>(r.text.size()), r.text.c_str(), words.data(),
                                static_cast<int>(words.size()), 5);
    if (bytes > table_cell_packed_max) return {};
    std::vector<uint8_t> out(static_cast<size_t>(table_record_text + bytes), 0);
    put_u16(out.data(), record_length, static_cast<uint16_t>(out.size()));
    put_u16(out.data(), table_record_kind, r.kind);
    put_u32(out.data(), table_record_key, r.key);
    put_u16(out.data(), table_record_column, r.column);
    put_u16(out.data(), table_record_row, r.row);
    put_u16(out.data(), table_record_text_length, static_cast<uint16_t>(r.text.size()));
    std::memcpy(out.data() + table_record_text, words.data(), static_cast<size_t>(bytes));
    return out;
}

TableRecordInfo table_record_read(const unsigned char* rec) {
    TableRecordInfo r;
    int len = get_u16(rec, record_length);
    r.kind = get_u16(rec, table_record_kind);
    r.key = get_u32(rec, table_record_key);
    r.column = get_u16(rec, table_record_column);
    r.row = get_u16(rec, table_record_row);
    int bytes = len - static_cast<int>(table_record_text);
    if (bytes > 0) {
        std::vector<uint16_t> words(static_cast<size_t>((bytes + 1) / 2));
        for (size_t w = 0; w < words.size(); ++w)
            words[w] = 2 * w + 1 < static_cast<size_t>(bytes) ? get_u16(rec, table_record_text + 2 * w)
                                                              : rec[table_record_text + 2 * w];
        // A repeat symbol may write many characters per word; the stored
        // length bounds what is kept, so a little more than that is enough.
        size_t want = get_u16(rec, table_record_text_length);
        std::vector<char> out(std::max<size_t>(want, static_cast<size_t>(bytes) * 2) + 64);
        int n = text_unpack_words(bytes, words.data(), out.data(), static_cast<int>(out.size()), 5);
        size_t keep = std::min<size_t>(static_cast<size_t>(n), get_u16(rec, table_record_text_length));
        r.text.assign(out.data(), keep);
        while (!r.text.empty() && r.text.back() == ' ') r.text.pop_back();
    }
    return r;
}

std::vector<TableRecordInfo> table_records(DrawingFile* df) {
    std::vector<TableRecordInfo> out;
    PageBuffer* buf = tables_buffer();
    for (unsigned char* p = record_next(df, tables_head(df), nullptr, buf); p;
         p = record_next(df, tables_head(df), p, buf))
        out.push_back(table_record_read(p));
    return out;
}

uint32_t table_find_by_name(DrawingFile* df, const std::string& name) {
    for (const TableRecordInfo& r : table_records(df))
        if (r.kind == table_kind_table && r.text == name) return r.key;
    return 0;
}

uint16_t table_find_column(DrawingFile* df, uint32_t table, const std::string& name) {
    for (const TableRecordInfo& r : table_records(df))
        if (r.kind == table_kind_column && r.key == table && r.text == name) return r.column;
    return 0;
}

int table_find_row_by_key(DrawingFile* df, uint32_t table, uint16_t column, const std::string& key) {
    int best = -1;
    for (const TableRecordInfo& r : table_records(df))
        if (r.kind == table_kind_cell && r.key == table && r.column == column && r.text == key &&
            (best < 0 || r.row < best))
            best = r.row;
    return best;
}

bool table_cell_at(DrawingFile* df, uint32_t table, uint16_t column, uint16_t row, std::string* text) {
    TableRecordInfo want;
    want.kind = table_kind_cell;
    want.key = table;
    want.column = column;
    want.row = row;
    PageBuffer* buf = tables_buffer();
    for (unsigned char* p = record_next(df, tables_head(df), nullptr, buf); p;
         p = record_next(df, tables_head(df), p, buf)) {
        if (!at_place(p, want)) continue;
        if (text) *text = table_record_read(p).text;
        return true;
    }
    return false;
}

uint32_t table_new_key(DrawingFile* df) {
    uint32_t top = 0;
    for (const TableRecordInfo& r : table_records(df))
        if (r.kind == table_kind_table) top = std::max(top, r.key);
    return top == UINT32_MAX ? 0 : top + 1;
}

int table_update_next_row(DrawingFile* df, uint32_t table) {
    int next = 0;
    PageBuffer* buf = tables_buffer();
    for (unsigned char* p = record_next(df, tables_head(df), nullptr, buf); p;
         p = record_next(df, tables_head(df), p, buf))
        if (get_u16(p, table_record_kind) == table_kind_cell && get_u32(p, table_record_key) == table)
            next = std::max(next, get_u16(p, table_record_row) + 1);
    set_table_field(df, table, table_record_row, static_cast<uint16_t>(next));
    return next;
}

int table_update_column_count(DrawingFile* df, uint32_t table) {
    uint16_t count = 0;
    PageBuffer* buf = tables_buffer();
    for (unsigned char* p = record_next(df, tables_head(df), nullptr, buf); p;
         p = record_next(df, tables_head(df), p, buf))
        if (get_u16(p, table_record_kind) == table_kind_column && get_u32(p, table_record_key) == table)
            count = std::max(count, get_u16(p, table_record_column));
    set_table_field(df, table, table_record_column, count);
    return count;
}

uint32_t table_create(DrawingFile* df, const std::string& name, TableHistory* history, int group) {
    if (name.empty() || table_find_by_name(df, name)) return 0;
    TableRecordInfo r;
    r.kind = table_kind_table;
    r.key = table_new_key(df);
    r.text = name;
    if (r.key == 0 || !add_record(df, r)) return 0;
    if (history) history->push(2, r, group);
    return r.key;
}

bool table_add_column(DrawingFile* df, uint32_t table, uint16_t column, const std::string& name,
                      TableHistory* history, int group) {
    TableRecordInfo r;
    r.kind = table_kind_column;
    r.key = table;
    r.column = column;
    r.text = name;
    if (!add_record(df, r)) return false;
    if (history) history->push(2, r, group);
    uint16_t count = 0;
    for (const TableRecordInfo& c : table_records(df))
        if (c.kind == table_kind_column && c.key == table) count = std::max(count, c.column);
    set_table_field(df, table, table_record_column, count);
    return true;
}

bool table_record_remove(DrawingFile* df, const TableRecordInfo& place, TableHistory* history, int group) {
    RecordRef ref = find_place(df, place);
    if (!ref) return false;
    unsigned char* p = record_read_at(df, &ref, tables_buffer());
    if (!p) return false;
    TableRecordInfo old = table_record_read(p);
    record_delete(df, tables_head(df), ref, tables_buffer());
    if (error_flag) return false;
    if (history) history->push(1, old, group);
    return true;
}

bool table_record_insert(DrawingFile* df, const TableRecordInfo& r, TableHistory* history, int group) {
    if (!add_record(df, r)) return false;
    if (history) history->push(2, r, group);
    return true;
}

void table_set_column_count(DrawingFile* df, uint32_t table, uint16_t count) {
    set_table_field(df, table, table_record_column, count);
}

bool table_cell_write(DrawingFile* df, uint32_t table, uint16_t column, uint16_t row, const std::string& text,
                      TableHistory* history, int group) {
    if (row > table_row_max) return false;
    TableRecordInfo r;
    r.kind = table_kind_cell;
    r.key = table;
    r.column = column;
    r.row = row;
    r.text = text;
    while (!r.text.empty() && r.text.back() == ' ') r.text.pop_back();
    TableRecordInfo old;
    bool had = table_cell_at(df, table, column, row, &old.text);
    old.kind = table_kind_cell;
    old.key = table;
    old.column = column;
    old.row = row;
    if (r.text.empty()) {
        if (!had) return true;
        if (!delete_place(df, old)) return false;
        if (history) history->push(1, old, group);
        table_update_next_row(df, table);
        return true;
    }
    if (table_record_build(r).empty()) return false;
    if (had) {
        // The old cell goes only once the new one is in: find it first, as
        // the same place will hold two records for a moment.
        RecordRef old_ref = find_place(df, old);
        if (!add_record(df, r)) return false;
        record_delete(df, tables_head(df), old_ref, tables_buffer());
        if (error_flag) return false;
        if (history) history->push(3, old, group);
    } else {
        if (!add_record(df, r)) return false;
        if (history) history->push(2, r, group);
    }
    table_update_next_row(df, table);
    return true;
}

// ---------------------------------------------------------------- history

void TableHistory::cap(std::vector<TableEditStep>& list) {
    // Whole groups go, oldest first; the newest group is kept even when it
    // alone is over the cap, so that its undo removes all of it.
    while (list.size() > static_cast<size_t>(table_history_cap)) {
        int oldest = list.front().group;
        if (oldest == list.back().group) break;
        size_t n = 0;
        while (n < list.size() && list[n].group == oldest) ++n;
        list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(n));
    }
}

void TableHistory::push(int action, const TableRecordInfo& record, int group) {
    undo_.push_back({group, action, record});
    redo_.clear();
    cap(undo_);
    if (group > last_group_) last_group_ = group;
}

void TableHistory::clear() {
    undo_.clear();
    redo_.clear();
}

bool TableHistory::replay(DrawingFile* df, std::vector<TableEditStep>& from, std::vector<TableEditStep>& to) {
    if (from.empty()) return false;
    int group = from.back().group;
    std::vector<uint32_t> tables;
    while (!from.empty() && from.back().group == group && error_flag == 0) {
        TableEditStep s = from.back();
        from.pop_back();
        tables.push_back(s.record.key);
        if (s.action == 1) {
            add_record(df, s.record);
            to.push_back({group, 2, s.record});
            continue;
        }
        TableRecordInfo current = s.record;
        RecordRef ref = find_place(df, s.record);
        if (!ref) continue;
        unsigned char* p = record_read_at(df, &ref, tables_buffer());
        if (p) current = table_record_read(p);
        record_delete(df, tables_head(df), ref, tables_buffer());
        if (s.action == 2) {
            to.push_back({group, 1, current});
        } else {
            add_record(df, s.record);
            to.push_back({group, 3, current});
        }
    }
    cap(to);
    std::sort(tables.begin(), tables.end());
    tables.erase(std::unique(tables.begin(), tables.end()), tables.end());
    for (uint32_t t : tables) {
        table_update_next_row(df, t);
        table_update_column_count(df, t);
    }
    return error_flag == 0;
}

bool TableHistory::undo(DrawingFile* df) { return replay(df, undo_, redo_); }
bool TableHistory::redo(DrawingFile* df) { return replay(df, redo_, undo_); }

// ---------------------------------------------------------------- sort

void table_sort_rows(DrawingFile* df, uint32_t table, const std::vector<uint16_t>& key_order, bool ascending,
                     const std::vector<uint16_t>* rows) {
    std::vector<TableRecordInfo> all = table_records(df);
    std::map<uint16_t, std::map<uint16_t, std::string>> cells;  // row -> column -> text
    for (const TableRecordInfo& r : all)
        if (r.kind == table_kind_cell && r.key == table) cells[r.row][r.column] = r.text;
    std::vector<uint16_t> order;
    if (rows) {
        order = *rows;
        std::sort(order.begin(), order.end());
    } else {
        for (const auto& c : cells) order.push_back(c.first);
    }
    auto compare = [&](uint16_t a, uint16_t b) {  // -1, 0, 1 in ascending order
        for (uint16_t col : key_order) {
            auto ia = cells[a].find(col), ib = cells[b].find(col);
            bool ha = ia != cells[a].end(), hb = ib != cells[b].end();
            if (!ha || !hb) {
                if (ha == hb) continue;
                return ha ? 1 : -1;  // a missing cell first
            }
            double na = std::atof(ia->second.c_str()), nb = std::atof(ib->second.c_str());
            int c = na != 0 && nb != 0 ? compare_doubles(na, nb)
                                       : compare_collated(ia->second.c_str(), ib->second.c_str());
            if (c) return c < 0 ? -1 : 1;
        }
        return 0;
    };
    std::vector<uint16_t> sorted = order;
    std::stable_sort(sorted.begin(), sorted.end(), [&](uint16_t a, uint16_t b) {
        int c = compare(a, b);
        return ascending ? c < 0 : c > 0;
    });
    std::map<uint16_t, uint16_t> new_row;  // former row -> new row
    for (size_t i = 0; i < order.size(); ++i) new_row[sorted[i]] = order[i];
    // Rewrite the cells of moved rows: delete them all, then add them back.
    std::vector<TableRecordInfo> moved;
    for (const TableRecordInfo& r : all)
        if (r.kind == table_kind_cell && r.key == table && new_row.count(r.row) && new_row[r.row] != r.row)
            moved.push_back(r);
    for (const TableRecordInfo& r : moved) delete_place(df, r);
    for (TableRecordInfo r : moved) {
        r.row = new_row[r.row];
        add_record(df, r);
    }
    table_update_next_row(df, table);
}

// ---------------------------------------------------------------- exchange

namespace {

void put_field(std::string& line, const std::string& text, char sep) {
    bool quote = text.find_first_of(std::string(1, sep) + "\"\r\n") != std::string::npos;
    if (quote) {
        line += '"';
        for (char c : text) {
            if (c == '"') line += '"';
            line += c;
        }
        line += '"';
    } else {
        line += text;
    }
    line += sep;
}

// Splits text into records of fields (quoted fields may hold separators and
// line breaks); empty lines give no record.
std::vector<std::vector<std::string>> parse_records(const std::string& text, char sep) {
    std::vector<std::vector<std::string>> out;
    std::vector<std::string> fields;
    std::string field;
    bool in_quotes = false, any = false;
    auto end_record = [&]() {
        if (any || !field.empty()) fields.push_back(field);
        if (!fields.empty()) out.push_back(fields);
        fields.clear();
        field.clear();
        any = false;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (in_quotes) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                in_quotes = false;
            } else {
                field += c;
            }
        } else if (c == '"' && field.empty()) {
            in_quotes = true;
            any = true;
        } else if (c == sep) {
            fields.push_back(field);
            field.clear();
            any = false;
        } else if (c == '\r' || c == '\n') {
            end_record();
        } else {
            field += c;
            any = true;
        }
    }
    end_record();
    return out;
}

}  // namespace

std::string table_export_text(DrawingFile* df, uint32_t table, char separator) {
    std::vector<TableRecordInfo> all = table_records(df);
    std::map<uint16_t, std::string> columns;
    std::map<uint16_t, std::map<uint16_t, std::string>> cells;
    int next = 0;
    for (const TableRecordInfo& r : all) {
        if (r.key != table) continue;
        if (r.kind == table_kind_column) columns[r.column] = r.text;
        if (r.kind == table_kind_cell) {
            cells[r.row][r.column] = r.text;
            next = std::max(next, r.row + 1);
        }
    }
    uint16_t width = columns.empty() ? 0 : columns.rbegin()->first;
    std::string out, line;
    for (uint16_t c = 1; c <= width; ++c) put_field(line, columns.count(c) ? columns[c] : std::string(), separator);
    out += line + "\r\n";
    for (int row = 0; row < next; ++row) {
        line.clear();
        auto rit = cells.find(static_cast<uint16_t>(row));
        for (uint16_t c = 1; c <= width; ++c) {
            std::string t;
            if (rit != cells.end() && rit->second.count(c)) t = rit->second[c];
            put_field(line, t, separator);
        }
        out += line + "\r\n";
    }
    return out;
}

std::string table_import_text(DrawingFile* df, uint32_t table, const std::string& text, char separator,
                              TableHistory* history, int group) {
    std::vector<std::vector<std::string>> records = parse_records(text, separator);
    if (records.empty()) return std::string();
    const std::vector<std::string>& header = records[0];
    std::map<uint16_t, std::string> columns;
    for (const TableRecordInfo& r : table_records(df))
        if (r.key == table && r.kind == table_kind_column) columns[r.column] = r.text;
    uint16_t width;
    if (columns.empty()) {
        for (size_t i = 0; i < header.size(); ++i) {
            std::string name = header[i];
            while (!name.empty() && name.back() == ' ') name.pop_back();
            if (name.empty()) {
                char buf[32];
                std::snprintf(buf, sizeof buf, "Колонка %-i", static_cast<int>(i + 1));
                name = buf;
            }
            if (!table_add_column(df, table, static_cast<uint16_t>(i + 1), name, history, group))
                return "Недостаточно оперативной памяти. Данные будут сохранены, программа рестартована#";
        }
        width = static_cast<uint16_t>(header.size());
    } else {
        width = columns.rbegin()->first;
        for (size_t i = 0; i < header.size(); ++i) {
            std::string name = header[i];
            while (!name.empty() && name.back() == ' ') name.pop_back();
            if (name.empty()) continue;
            auto it = columns.find(static_cast<uint16_t>(i + 1));
            if (it == columns.end() || it->second != name) return "Структуры таблиц не совпадают";
        }
    }
    int row = table_update_next_row(df, table);
    if (row + static_cast<int>(records.size()) - 1 > table_row_max + 1) return "слишком длинная строка";
    for (size_t k = 1; k < records.size(); ++k, ++row) {
        const std::vector<std::string>& fields = records[k];
        for (size_t i = 0; i < fields.size() && i < width; ++i) {
            std::string t = fields[i];
            while (!t.empty() && t.back() == ' ') t.pop_back();
            if (t.empty()) continue;
            TableRecordInfo r;
            r.kind = table_kind_cell;
            r.key = table;
            r.column = static_cast<uint16_t>(i + 1);
            r.row = static_cast<uint16_t>(row);
            r.text = t;
            if (table_record_build(r).empty()) continue;  // over 782 packed bytes: not taken
            if (!add_record(df, r)) return "$записи в файл";
            if (history) history->push(2, r, group);
        }
    }
    table_update_next_row(df, table);
    return std::string();
}
