// Model programs and saved variables in the drawing file.
#include "model/model_storage.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/dimension_text.h"
#include "geometry/text_numbers.h"
#include "geometry/tolerance.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/text_codec.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace {

const char* const msg_too_long = "Длина программы модели не может быть больше 65535 байт";
const char* const msg_long_line = "слишком длинная строка";

PageBuffer* model_buffer() { return &page_buffers[table_model]; }

RecordRef* header_ref(DrawingFile* df, uint32_t offset) {
    return reinterpret_cast<RecordRef*>(df->header + offset);
}

// Packs text in mode; returns the packed bytes, or -1 when it needs more
// than max_bytes.
int pack_checked(const std::string& text, int mode, std::vector<uint16_t>& words, int max_bytes) {
    // Room for the whole text however it packs: every character takes at
    // most two symbols, three symbols to a word.
    int room = static_cast<int>(text.size()) + 8;
    words.assign(static_cast<size_t>(room), 0);
    int bytes = text_pack_words(static_cast<int>(text.size()), text.c_str(), words.data(), room, mode);
    return bytes > max_bytes ? -1 : bytes;
}

std::string unpack(const unsigned char* at, int bytes, int mode) {
    std::vector<uint16_t> words(static_cast<size_t>((bytes + 1) / 2));
    for (size_t w = 0; w < words.size(); ++w)
        words[w] = 2 * w + 1 < static_cast<size_t>(bytes) ? get_u16(at, 2 * w) : at[2 * w];
    // A repeat symbol writes up to some thousands of characters per word.
    std::vector<char> out(static_cast<size_t>(bytes) * 64 + 64);
    int n = text_unpack_words(bytes, words.data(), out.data(), static_cast<int>(out.size()), mode);
    return std::string(out.data(), static_cast<size_t>(n));
}

}  // namespace

uint32_t model_program_head_offset(int slot) {
    return slot == 0 ? header_model_program : header_model_program2;
}

bool model_program_load(DrawingFile* df, int slot, std::string& text, ModelHead* head) {
    text.clear();
    ModelHead h;
    h.slot = static_cast<uint8_t>(slot);
    RecordRef* chain = header_ref(df, model_program_head_offset(slot));
    PageBuffer* buf = model_buffer();
    int16_t saved_error = error_flag;
    error_flag = 0;
    for (unsigned char* r = record_next(df, chain, nullptr, buf); r; r = record_next(df, chain, r, buf)) {
        uint16_t len = get_u16(r, record_length);
        if (get_u32(r, record_key) == 0) {
            if (len >= model_head_size) {
                h.step = get_f64(r, 6);
                h.text_length = get_u16(r, 16);
            }
            continue;
        }
        if (len < 6) continue;
        std::string line = unpack(r + 6, len - 6, 5);
        while (!line.empty() && line.back() == ' ') line.pop_back();
        text += line;
        text += "\r\n";
    }
    bool ok = error_flag == 0;
    if (!ok) text.clear();
    if (error_flag == 0) error_flag = saved_error;
    if (compare_doubles(h.step, 0.0) == 0) h.step = model_default_step;
    if (head) *head = h;
    return ok;
}

bool model_program_store(DrawingFile* df, const ModelHead& head, const char* text, size_t length,
                         ModelError* error) {
    ModelError local;
    ModelError& err = error ? *error : local;
    if (length > static_cast<size_t>(model_text_max)) {
        err.message = msg_too_long;
        return false;
    }
    // Pack every line first: a line that does not fit refuses the whole text.
    std::vector<ModelLine> lines = model_split_lines(text, length);
    std::vector<std::vector<uint8_t>> records;
    uint32_t ordinal = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string line(text + lines[i].begin, lines[i].end - lines[i].begin);
        while (!line.empty() && line.back() == ' ') line.pop_back();
        if (line.empty()) continue;
        std::vector<uint16_t> words;
        int bytes = pack_checked(line, 5, words, model_line_packed_max);
        if (bytes < 0) {
            err.line = static_cast<unsigned>(i + 1);
            err.message = msg_long_line;
            return false;
        }
        std::vector<uint8_t> rec(static_cast<size_t>(bytes) + 6, 0);
        put_u16(rec.data(), record_length, static_cast<uint16_t>(rec.size()));
        put_u32(rec.data(), record_key, ++ordinal);
        std::memcpy(rec.data() + 6, words.data(), static_cast<size_t>(bytes));
        records.push_back(std::move(rec));
    }
    PageBuffer* buf = model_buffer();
    RecordRef* field = header_ref(df, model_program_head_offset(head.slot));
    RecordRef fresh = 0;
    int16_t saved_error = error_flag;
    error_flag = 0;
    if (length > 0) {
        uint8_t h[model_head_size] = {};
        put_u16(h, record_length, model_head_size);
        put_u32(h, record_key, 0);
        put_f64(h, 6, compare_doubles(head.step, 0.0) == 0 ? model_default_step : head.step);
        h[14] = 10;
        h[15] = head.slot;
        put_u16(h, 16, static_cast<uint16_t>(length));
        if (record_add(df, &fresh, h, buf) == 0 && error_flag == 0) error_flag = 1;
        for (size_t i = 0; i < records.size() && error_flag == 0; ++i)
            if (record_add_at_end(df, &fresh, records[i].data(), buf) == 0 && error_flag == 0) error_flag = 1;
    }
    if (error_flag != 0) {
        // The previous program stays; the pages of the partial chain go back.
        int16_t failure = error_flag;
        error_flag = 0;
        if (fresh) page_chain_free(df, &fresh, buf);
        error_flag = failure;
        err.message = "$записи в файл";
        return false;
    }
    RecordRef old = get_u32(df->header, model_program_head_offset(head.slot));
    put_u32(df->header, model_program_head_offset(head.slot), fresh);
    (void)field;
    if (old) page_chain_free(df, &old, buf);
    bool ok = error_flag == 0;
    if (ok) error_flag = saved_error;
    return ok;
}

void model_program_reset(DrawingFile* df, int slot, ModelHead* head) {
    RecordRef old = get_u32(df->header, model_program_head_offset(slot));
    put_u32(df->header, model_program_head_offset(slot), 0);
    if (old) page_chain_free(df, &old, model_buffer());
    if (head) {
        *head = ModelHead();
        head->slot = static_cast<uint8_t>(slot);
    }
}

// ---------------------------------------------------------------- variable records

std::vector<uint8_t> model_variable_record_build(const ModelVariableInfo& v) {
    std::vector<uint16_t> name_words;
    int name_bytes = pack_checked(v.name, 3, name_words, 254);
    if (name_bytes < 0) name_bytes = 254;  // names are limited to 40 characters long before this
    std::vector<uint16_t> value_words;
    int value_bytes = 0;
    int chars = 0;
    if (v.type == model_type_string) {
        // The value is cut to what fits: record = 28 + name + value <= 2044.
        int room = (model_variable_record_max - 28 - name_bytes) & ~1;
        int max_words = std::min(1024, room / 2);
        value_words.assign(static_cast<size_t>(max_words) + 1, 0);
        value_bytes = text_pack_words(static_cast<int>(v.text.size()), v.text.c_str(), value_words.data(),
                                      max_words, 5);
        std::vector<char> back(v.text.size() + 64);
        chars = text_unpack_words(value_bytes, value_words.data(), back.data(), static_cast<int>(back.size()), 5);
        chars = std::min<int>(chars, static_cast<int>(v.text.size()));
    }
    size_t size = v.type == model_type_string ? 28u + name_bytes + value_bytes : 27u + name_bytes;
    std::vector<uint8_t> r(size, 0);
    put_u16(r.data(), record_length, static_cast<uint16_t>(size));
    put_u32(r.data(), model_variable_id, v.id);
    uint16_t flags = static_cast<uint16_t>((v.type & 0x1F) | ((name_bytes & 0xFF) << 5) | (v.flags & 0xE000));
    put_u16(r.data(), model_variable_flags, flags);
    put_u16(r.data(), model_variable_string_length, static_cast<uint16_t>(chars));
    if (v.type != model_type_string) {
        put_f64(r.data(), model_variable_step, v.step_or_copy);
        put_f64(r.data(), model_variable_value, v.value);
    }
    std::memcpy(r.data() + model_variable_name, name_words.data(), static_cast<size_t>(name_bytes));
    if (value_bytes)
        std::memcpy(r.data() + model_variable_name + name_bytes, value_words.data(), static_cast<size_t>(value_bytes));
    return r;
}

bool model_variable_record_read(const unsigned char* rec, ModelVariableInfo& v) {
    int len = get_u16(rec, record_length);
    int name_bytes = model_variable_name_length(rec);
    int type = model_variable_type(rec);
    if (len < static_cast<int>(model_variable_name) + name_bytes || type < 1 || type > 3) return false;
    v = ModelVariableInfo();
    v.id = get_u32(rec, model_variable_id);
    v.type = static_cast<uint8_t>(type);
    v.flags = static_cast<uint16_t>(get_u16(rec, model_variable_flags) & 0xE000);
    v.step_or_copy = get_f64(rec, model_variable_step);
    v.value = get_f64(rec, model_variable_value);
    v.name = unpack(rec + model_variable_name, name_bytes, 3);
    while (!v.name.empty() && v.name.back() == ' ') v.name.pop_back();
    if (type == model_type_string) {
        int value_bytes = len - model_variable_name - name_bytes;
        std::string s = unpack(rec + model_variable_name + name_bytes, value_bytes, 5);
        size_t keep = get_u16(rec, model_variable_string_length);
        v.text = s.substr(0, std::min(keep, s.size()));
    }
    return true;
}

std::vector<ModelVariableInfo> model_variables_read(DrawingFile* df) {
    std::vector<ModelVariableInfo> out;
    RecordRef* chain = header_ref(df, header_model_variables);
    PageBuffer* buf = model_buffer();
    for (unsigned char* r = record_next(df, chain, nullptr, buf); r; r = record_next(df, chain, r, buf)) {
        ModelVariableInfo v;
        if (model_variable_record_read(r, v)) out.push_back(std::move(v));
    }
    return out;
}

// ---------------------------------------------------------------- write-back

namespace {

// The characters after the first "'" outside double quotes, or npos.
size_t comment_start(const std::string& line) {
    bool in_string = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (in_string) {
            if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\'))
                ++i;
            else if (c == '"')
                in_string = false;
        } else if (c == '"') {
            in_string = true;
        } else if (c == '\'') {
            return i + 1;
        }
    }
    return std::string::npos;
}

}  // namespace

bool variable_writeback_line(std::string& text, ModelSavedVariable& live, ModelVariableInfo& record) {
    if (live.source_line == 0 || (live.type != model_type_integer && live.type != model_type_real)) return false;
    if (!(record.flags & model_variable_flag_rounding)) record.step_or_copy = record.value;
    record.flags = static_cast<uint16_t>(record.flags & ~model_variable_flag_edited);
    if (compare_doubles(live.value, record.value) == 0) return false;
    live.value = record.value;
    std::vector<ModelLine> lines = model_split_lines(text.data(), text.size());
    if (live.source_line > lines.size()) return false;
    const ModelLine& ln = lines[live.source_line - 1];
    std::string old = text.substr(ln.begin, ln.end - ln.begin);
    char value[64] = "";
    format_dimension_value(value, sizeof value, record.value, 0, 0);
    const char* v = value;
    while (*v == ' ') ++v;
    // A label stays, or the jumps to this line would lose their target.
    size_t label_end = 0;
    while (label_end < old.size() && old[label_end] == ' ') ++label_end;
    size_t digits = label_end;
    while (label_end < old.size() && old[label_end] >= '0' && old[label_end] <= '9') ++label_end;
    std::string line = label_end > digits ? old.substr(digits, label_end - digits) + " " : std::string();
    line += live.name + " = " + v;
    if (text.size() < static_cast<size_t>(model_writeback_comment_limit)) {
        size_t c = comment_start(old);
        line += " '";
        line += c == std::string::npos ? old : old.substr(c);
    }
    if (line.size() > 2046) line.resize(2046);
    std::string result = text.substr(0, ln.begin) + line + text.substr(ln.end);
    if (result.size() >= static_cast<size_t>(model_text_max)) return false;
    text = std::move(result);
    return true;
}

// ---------------------------------------------------------------- after a run

bool variables_store_after_run(DrawingFile* df, std::vector<ModelSavedVariable>& saved, std::string& text,
                               bool* text_changed, const ModelStoreHooks& hooks) {
    if (text_changed) *text_changed = false;
    std::vector<ModelVariableInfo> stored = model_variables_read(df);
    if (error_flag) return false;
    std::vector<ModelVariableInfo> fresh(saved.size());
    std::vector<bool> has_id(saved.size(), false);
    std::vector<uint32_t> unbind;
    bool changed = false;
    for (ModelVariableInfo& rec : stored) {
        size_t k = 0;
        while (k < saved.size() && (saved[k].name != rec.name || has_id[k])) ++k;
        if (k == saved.size()) {
            unbind.push_back(rec.id);
            continue;
        }
        has_id[k] = true;
        fresh[k].id = rec.id;
        fresh[k].flags = static_cast<uint16_t>(rec.flags & model_variable_flag_rounding);
        fresh[k].step_or_copy = rec.step_or_copy;
        if (rec.flags & model_variable_flag_edited) {
            ModelVariableInfo r = rec;
            if (variable_writeback_line(text, saved[k], r)) changed = true;
            if (!(rec.flags & model_variable_flag_rounding)) fresh[k].step_or_copy = r.step_or_copy;
        }
    }
    std::set<uint32_t> used;
    for (size_t k = 0; k < saved.size(); ++k)
        if (has_id[k]) used.insert(fresh[k].id);
    uint32_t next = 1;
    for (size_t k = 0; k < saved.size(); ++k) {
        if (has_id[k]) continue;
        while (used.count(next)) ++next;
        fresh[k].id = next;
        used.insert(next);
    }
    for (size_t k = 0; k < saved.size(); ++k) {
        ModelVariableInfo& f = fresh[k];
        f.type = saved[k].type;
        f.name = saved[k].name;
        if (f.type == model_type_string) {
            f.text = saved[k].text;
        } else {
            f.value = saved[k].value;
            if (!(f.flags & model_variable_flag_rounding)) f.step_or_copy = f.value;
        }
    }
    // The new list is built apart; the header switches to it only when
    // every record was written.
    PageBuffer* buf = model_buffer();
    RecordRef list = 0;
    int16_t saved_error = error_flag;
    for (const ModelVariableInfo& f : fresh) {
        std::vector<uint8_t> r = model_variable_record_build(f);
        if (record_add_at_end(df, &list, r.data(), buf) == 0 && error_flag == 0) error_flag = 1;
        if (error_flag) break;
    }
    if (error_flag) {
        int16_t failure = error_flag;
        error_flag = 0;
        if (list) page_chain_free(df, &list, buf);
        error_flag = failure;
        return false;
    }
    RecordRef old = get_u32(df->header, header_model_variables);
    put_u32(df->header, header_model_variables, list);
    if (old) page_chain_free(df, &old, buf);
    error_flag = saved_error;
    if (hooks.unbind)
        for (uint32_t id : unbind) hooks.unbind(hooks.context, df, id);
    if (text_changed) *text_changed = changed;
    return true;
}
