// Saved-variable tools of the model properties dialog, and the program
// file checks of its import and export.
#include "model/variable_tools.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/dimension_text.h"
#include "geometry/naming.h"
#include "geometry/text_numbers.h"
#include "model/model_translator.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

RecordRef* variables_head(DrawingFile* df) {
    return reinterpret_cast<RecordRef*>(df->header + header_model_variables);
}

const char* const msg_too_long = "Длина программы модели не может быть больше 65535 байт";

// A dimension's nominal as the program text writes it.
std::string nominal_text(double v) {
    char buf[64];
    format_dimension_value(buf, sizeof buf, v, 0, 0);
    const char* s = buf;
    while (*s == ' ') ++s;
    return s;
}

}  // namespace

std::string variable_display_text(const ModelVariableInfo& v, size_t size) {
    std::string name = v.name;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    std::string out = name + ((v.flags & model_variable_flag_rounding) ? " =_" : " = ");
    char buf[64];
    if (v.type == model_type_integer) {
        std::snprintf(buf, sizeof buf, "%.0f", std::isfinite(v.value) ? v.value : 0.0);
        out += buf;
    } else if (v.type == model_type_real) {
        format_number_by_magnitude(buf, sizeof buf, v.value);
        out += buf;
    } else {
        std::string t = v.text;
        if (size > 2 && t.size() > size - 2) t.resize(size - 2);
        out += "\"" + t + "\"";
    }
    if (size > 0 && out.size() > size - 1) out.resize(size - 1);
    return out;
}

int variables_set_rounding(DrawingFile* df, uint32_t id, bool on, double step) {
    int changed = 0;
    PageBuffer* buf = &page_buffers[table_model];
    for (unsigned char* r = record_next(df, variables_head(df), nullptr, buf); r && !error_flag;
         r = record_next(df, variables_head(df), r, buf)) {
        if (get_u16(r, record_length) < model_variable_head) continue;
        int type = model_variable_type(r);
        if (type != model_type_integer && type != model_type_real) continue;
        if (id && get_u32(r, model_variable_id) != id) continue;
        uint16_t flags = get_u16(r, model_variable_flags);
        flags = on ? static_cast<uint16_t>(flags | model_variable_flag_rounding)
                   : static_cast<uint16_t>(flags & ~model_variable_flag_rounding);
        put_u16(r, model_variable_flags, flags);
        put_f64(r, model_variable_step, on ? step : get_f64(r, model_variable_value));
        buf->clean = 0;
        ++changed;
    }
    return changed;
}

int variables_from_dimensions(DrawingFile* df, RecordRef projection_ref, std::string& text, std::string* message) {
    PageBuffer* pbuf = &page_buffers[table_projections];
    PageBuffer* dbuf = &page_buffers[table_dimensions];
    RecordRef at = projection_ref;
    unsigned char* p = record_read_at(df, &at, pbuf);
    if (!p) return 0;
    char caption[128] = "";
    view_caption(p, caption, sizeof caption);
    // The unbound dimensions, their names and nominals.
    struct New {
        uint32_t number;
        std::string name;
        double nominal;
    };
    std::vector<New> made;
    RecordRef* dims = reinterpret_cast<RecordRef*>(p + projection_dimensions);
    for (unsigned char* d = record_next(df, dims, nullptr, dbuf); d && !error_flag; d = record_next(df, dims, d, dbuf)) {
        if (get_u16(d, record_length) < dimension_record_size - 2 || get_u16(d, dimension_variable) != 0) continue;
        int mode = (get_u16(d, dimension_kind_word) >> 5) & 7;
        char name[32];
        std::snprintf(name, sizeof name, "%c!%lu", mode == 0 ? 'X' : mode == 1 ? 'Y' : 'D',
                      static_cast<unsigned long>(get_u32(d, dimension_number)));
        made.push_back({get_u32(d, dimension_number), name, get_f64(d, dimension_nominal)});
    }
    if (made.empty() || error_flag) return 0;
    // The text first: a text that would be too long makes nothing.
    std::string head = "' ...для проекции \"" + std::string(caption) + "\"\r\n";
    std::string line = "save ";
    for (size_t i = 0; i < made.size(); ++i) {
        std::string item = (line.size() > 5 ? ", " : "") + made[i].name;
        if (line.size() > 5 && line.size() + item.size() >= 124) {
            head += line + "\r\n";
            line = "save ";
            item = made[i].name;
        }
        line += item;
    }
    head += line + "\r\n";
    std::string body;
    for (const New& n : made) body += n.name + " = " + nominal_text(n.nominal) + "\r\n";
    std::string result = text;
    if (!result.empty() && result.back() != '\n' && result.back() != '\r') result += "\r\n";
    result += head + body;
    if (result.size() > 65533) {
        if (message) *message = msg_too_long;
        return -1;
    }
    // Records and bindings, ids from the highest stored one up.
    uint32_t highest = 0;
    for (const ModelVariableInfo& v : model_variables_read(df)) highest = std::max(highest, v.id);
    PageBuffer* mbuf = &page_buffers[table_model];
    int count = 0;
    for (const New& n : made) {
        ModelVariableInfo v;
        v.id = ++highest;
        v.type = model_type_real;
        v.name = n.name;
        v.value = v.step_or_copy = n.nominal;
        std::vector<uint8_t> rec = model_variable_record_build(v);
        if (!record_add_at_end(df, variables_head(df), rec.data(), mbuf) || error_flag) break;
        at = projection_ref;
        p = record_read_at(df, &at, pbuf);
        if (!p) break;
        dims = reinterpret_cast<RecordRef*>(p + projection_dimensions);
        unsigned char* d = record_find_key(df, dims, n.number, nullptr, dbuf);
        if (!d) break;
        put_u16(d, dimension_variable, static_cast<uint16_t>(v.id));
        dbuf->clean = 0;
        ++count;
    }
    text = result;
    return count;
}

std::string variable_listing_file_name(const std::string& drawing_name) {
    size_t slash = drawing_name.find_last_of("\\/");
    size_t dot = drawing_name.rfind('.');
    std::string base = drawing_name;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) base.resize(dot);
    return base + "-var.txt";
}

bool model_import_fits(size_t text_length, uint64_t file_size) {
    return static_cast<uint64_t>(text_length) + file_size + 6 <= 65539;
}

std::string model_export_file_name(const std::string& name) {
    std::string lower;
    for (char c : name) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower.find(".bas") != std::string::npos) return name;
    size_t slash = name.find_last_of("\\/");
    size_t dot = name.rfind('.');
    std::string base = name;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) base.resize(dot);
    return base + ".bas";
}

std::string model_text_with_crlf(const std::string& text) {
    std::string out;
    std::vector<ModelLine> lines = model_split_lines(text.data(), text.size());
    for (const ModelLine& l : lines) {
        out.append(text, l.begin, l.end - l.begin);
        out += "\r\n";
    }
    return out;
}
