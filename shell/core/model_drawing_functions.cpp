// The model language's drawing functions (35-50) on the current drawing.
#include "shell/core/model_drawing_functions.h"

#include "annotation/hatching_properties.h"
#include "base/byte_order.h"
#include "base/os_layer.h"
#include "base/program_messages.h"
#include "geometry/geom_types.h"
#include "geometry/text_chars.h"
#include "geometry/text_numbers.h"
#include "model/model_storage.h"
#include "model/tables.h"
#include "render/text/text_variables.h"
#include "stages/points_elements/points.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const msg_contour_name = "%ое имя контура";
const char* const msg_point_number = "%ый номер точки";
const char* const msg_no_table = "нет таблицы с таким именем";
const char* const msg_no_column = "в этой таблице нет колонки с таким именем";
const char* const msg_no_key = "в этой таблице нет записи с указанным ключом";
const char* const msg_arg_type = "%ый тип аргумента";
const char* const msg_variable = "%ая переменная";
const char* const msg_open_file = "$открытия файла";
const char* const msg_overflow = "переполнение числа";

enum : uint16_t { projection_type_mask = 0x000F, projection_type_sheet_view = 9 };

struct Failure {
    const char* message;
    std::string detail;
};

struct Lock {
    Lock() {
        if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    }
    ~Lock() {
        if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    }
};

// A string argument as the functions take it: texts up to 1028 characters,
// numbers as PRINT shows them (12, not 12.0, so that a number finds the key
// "12" that a table cell holds).
std::string text_of(const ModelValue& v) {
    if (v.type == model_type_string) return v.text.substr(0, 1028);
    char buf[64] = "";
    append_number(buf, sizeof buf, v.number);
    const char* b = buf;
    while (*b == ' ') ++b;
    std::string out = b;
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

double number_of(const ModelValue& v) {
    if (v.type == model_type_string) throw Failure{msg_arg_type, ""};
    return v.number;
}

uint32_t point_number_of(const ModelValue& v) {
    double n = number_of(v);
    if (!(n >= 1 && n <= 4294967295.0)) {
        char d[64];
        std::snprintf(d, sizeof d, "       %.0f", n);
        throw Failure{msg_point_number, n == n ? d : ""};
    }
    return static_cast<uint32_t>(n);
}

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// A cell's text with its variable references replaced by their values.
std::string expanded(DrawingFile* df, const std::string& text) {
    if (text.find('{') == std::string::npos) return trimmed(text);
    char* e = expand_text_variables(df, text.c_str(), 0);
    if (!e) return trimmed(text);
    std::string out = e;
    std::free(e);
    return trimmed(out);
}

ModelValue real(double v) {
    ModelValue r;
    r.type = model_type_real;
    r.number = v;
    return r;
}

ModelValue integer(double v) {
    ModelValue r;
    r.type = model_type_integer;
    r.number = v;
    return r;
}

RecordRef* projections_head(DrawingFile* df) { return reinterpret_cast<RecordRef*>(df->header + header_projections); }

// The first projection, in list order, that holds point `number` (views of
// type 9 skipped when asked), and the point. False when none holds it.
bool projection_of_point(DrawingFile* df, uint32_t number, bool skip_sheet_views, RecordRef* pref, PointCopy* point) {
    PageBuffer* pbuf = &page_buffers[table_projections];
    for (unsigned char* p = record_next(df, projections_head(df), nullptr, pbuf); p && !error_flag;
         p = record_next(df, projections_head(df), p, pbuf)) {
        if (skip_sheet_views && (get_u16(p, projection_flags) & projection_type_mask) == projection_type_sheet_view)
            continue;
        RecordRef at = record_ref_of(pbuf, p);
        if (point_read(df, p, number, point)) {
            *pref = at;
            return true;
        }
        // Reading the points may have moved the projections' page.
        p = record_read_at(df, &at, pbuf);
        if (!p) break;
    }
    return false;
}

PointCopy point_of(DrawingFile* df, uint32_t number, bool skip_sheet_views, RecordRef* pref) {
    PointCopy pt;
    if (!projection_of_point(df, number, skip_sheet_views, pref, &pt)) {
        char d[40];
        std::snprintf(d, sizeof d, "       %lu", static_cast<unsigned long>(number));
        throw Failure{msg_point_number, d};
    }
    return pt;
}

// The contour named by the argument (at most 6 characters): its record bytes
// and its projection's reference. Null bytes when it is not found.
bool contour_named(const ModelValue& arg, std::vector<uint8_t>* contour, RecordRef* pref) {
    std::string name = trimmed(text_of(arg));
    if (name.empty() || name.size() > 6) throw Failure{msg_contour_name, "       " + name};
    uint8_t key[6] = {};
    std::memcpy(key, name.data(), name.size());
    RecordRef pr = 0, cr = 0;
    if (!find_contour_by_name(key, &pr, &cr) || !cr) return false;
    DrawingFile* df = current_drawing_file();
    PageBuffer* cbuf = &page_buffers[table_contours];
    unsigned char* c = record_read_at(df, &cr, cbuf);
    if (!c || get_u16(c, record_length) < contour_head_size) return false;
    contour->assign(c, c + get_u16(c, record_length));
    *pref = pr;
    return true;
}

void notice(const ModelDrawingContext& ctx, const std::string& line) {
    if (ctx.notice) ctx.notice(ctx.notice_context, line.c_str());
}

// 48, 49: b moves to a's true position plus (48, x) or minus (49, stored y) d.
ModelValue move_point(const ModelDrawingContext& ctx, int number, const std::vector<ModelValue>& args) {
    DrawingFile* df = ctx.df;
    double d = number_of(args[0]);
    uint32_t a = point_number_of(args[1]);
    uint32_t b = point_number_of(args[2]);
    RecordRef pref = 0;
    PointCopy pa = point_of(df, a, true, &pref);
    PageBuffer* pbuf = &page_buffers[table_projections];
    unsigned char* p = record_read_at(df, &pref, pbuf);
    if (!p) throw Failure{msg_point_number, ""};
    unsigned char copy[projection_record_max] = {};
    uint32_t len = get_u16(p, record_length);
    if (len > sizeof copy) len = sizeof copy;
    std::memcpy(copy, p, len);
    PointCopy pb;
    if (!point_read(df, copy, b, &pb)) {
        char detail[40];
        std::snprintf(detail, sizeof detail, "       %lu", static_cast<unsigned long>(b));
        throw Failure{msg_point_number, detail};
    }
    Point2 s = pb.sketch(), t = pb.true_position();
    double v = number == 48 ? pa.true_position().x + d : pa.true_position().y - d;
    if (!std::isfinite(v)) throw Failure{msg_overflow, ""};
    if (number == 48) s.x = t.x = v;
    else s.y = t.y = v;
    pb.set_sketch(s);
    pb.set_true(t);
    if (!point_write(df, copy, pb)) throw Failure{msg_point_number, ""};
    put_u16(copy, projection_flags, static_cast<uint16_t>(get_u16(copy, projection_flags) | projection_word_changed));
    PointContext pc;
    pc.df = df;
    pc.projection = copy;
    aux_lines_follow_point(pc, pb, false);
    p = record_read_at(df, &pref, pbuf);
    if (p) {
        std::memcpy(p, copy, len);
        pbuf->clean = 0;
    }
    if (ctx.point_moved) ctx.point_moved(ctx.notice_context, get_u32(copy, record_key));
    return integer(1);
}

struct TablePlace {
    uint32_t table = 0;
    uint16_t column = 0;
    int row = -1;  // -1: the key names no row
};

// The table, the row (by the key column's text, or by its number from 1 when
// the key column's name is empty) and the column of a 43 or 50 call.
TablePlace table_place(DrawingFile* df, const std::vector<ModelValue>& args) {
    TablePlace t;
    t.table = table_find_by_name(df, trimmed(text_of(args[0])));
    if (!t.table) throw Failure{msg_no_table, "       " + trimmed(text_of(args[0]))};
    std::string key_column = trimmed(text_of(args[1]));
    t.column = table_find_column(df, t.table, trimmed(text_of(args[3])));
    if (!t.column) throw Failure{msg_no_column, "       " + trimmed(text_of(args[3]))};
    if (key_column.empty()) {
        double n = args[2].type == model_type_string ? std::atof(args[2].text.c_str()) : args[2].number;
        if (n >= 1 && n <= table_row_max + 1) t.row = static_cast<int>(n) - 1;
        return t;
    }
    uint16_t kc = table_find_column(df, t.table, key_column);
    if (!kc) throw Failure{msg_no_column, "       " + key_column};
    std::string key = trimmed(text_of(args[2]));
    for (const TableRecordInfo& r : table_records(df))
        if (r.kind == table_kind_cell && r.key == t.table && r.column == kc && (t.row < 0 || r.row < t.row) &&
            expanded(df, r.text) == key)
            t.row = r.row;
    return t;
}

ModelValue call(const ModelDrawingContext& ctx, int number, const std::vector<ModelValue>& args) {
    DrawingFile* df = ctx.df;
    switch (number) {
    case 36:
    case 37:
    case 38:
    case 39: {
        std::vector<uint8_t> c;
        RecordRef pref = 0;
        if (!contour_named(args[0], &c, &pref)) {
            notice(ctx, "       " + std::string("недопустимое имя контура ") + trimmed(text_of(args[0])));
            return real(0.0);
        }
        if (number == 36) return real(get_f64(c.data(), contour_perimeter));
        if (number == 37) return real(get_f64(c.data(), contour_area));
        uint32_t n = point_number_of(args[1]);
        PageBuffer* pbuf = &page_buffers[table_projections];
        unsigned char* p = record_read_at(df, &pref, pbuf);
        PointCopy pt;
        if (!p || !point_read(df, p, n, &pt)) {
            char d[40];
            std::snprintf(d, sizeof d, "       %lu", static_cast<unsigned long>(n));
            throw Failure{msg_point_number, d};
        }
        Box box = get_box(c.data(), contour_box);
        if (number == 38) return real(pt.true_position().x - box.min_x);
        return real(-(pt.true_position().y - box.min_y));
    }
    case 40:
    case 41: {
        uint32_t a = point_number_of(args[0]);
        uint32_t b = point_number_of(args[1]);
        RecordRef pref = 0;
        PointCopy pa = point_of(df, a, false, &pref);
        unsigned char* p = record_read_at(df, &pref, &page_buffers[table_projections]);
        PointCopy pb;
        if (!p || !point_read(df, p, b, &pb)) {
            char d[40];
            std::snprintf(d, sizeof d, "       %lu", static_cast<unsigned long>(b));
            throw Failure{msg_point_number, d};
        }
        if (number == 40) return real(pa.true_position().x - pb.true_position().x);
        return real(pb.true_position().y - pa.true_position().y);
    }
    case 43: {
        TablePlace t = table_place(df, args);
        ModelValue r;
        r.type = model_type_string;
        std::string text;
        if (t.row >= 0 && table_cell_at(df, t.table, t.column, static_cast<uint16_t>(t.row), &text))
            r.text = expanded(df, text);
        return r;
    }
    case 48:
    case 49:
        return move_point(ctx, number, args);
    case 50: {
        TablePlace t = table_place(df, args);
        if (t.row < 0) throw Failure{msg_no_key, "       " + trimmed(text_of(args[2]))};
        std::string value = text_of(args[4]);
        if (!table_cell_write(df, t.table, t.column, static_cast<uint16_t>(t.row), value, nullptr, 0))
            throw Failure{"слишком длинная строка", ""};
        return integer(1);
    }
    default:
        throw Failure{"%ая функция", ""};
    }
}

}  // namespace

bool model_variable_from_drawing_file(const std::string& path, const std::string& name, ModelValue& result,
                                      ModelError& error) {
    std::string want;
    for (char c : trimmed(name)) want += static_cast<char>(char_to_upper(static_cast<unsigned char>(c)));
    Lock lock;
    int16_t saved_error = error_flag;
    error_flag = 0;
    DrawingFile* f = drawing_file_new(path.c_str());
    bool opened = false;
    bool found = false;
    if (f) {
        drawing_file_set_mode(f, drawing_mode_open_existing);
        opened = drawing_file_open(f, 1) == 0;
        if (opened) {
            for (const ModelVariableInfo& v : model_variables_read(f)) {
                if (v.name != want) continue;
                result = ModelValue();
                result.type = v.type;
                if (v.type == model_type_string) result.text = v.text;
                else result.number = v.value;
                found = true;
                break;
            }
        }
        drawing_file_close(f);
        drawing_file_free(f);
    }
    error_flag = saved_error;
    if (!opened) {
        error.message = msg_open_file;
        error.details = {"       " + path};
        return false;
    }
    if (!found) {
        error.message = msg_variable;
        error.details = {"       " + want};
        return false;
    }
    return true;
}

bool model_drawing_function(void* context, int number, const std::vector<ModelValue>& args, ModelValue& result,
                            ModelError& error) {
    const ModelDrawingContext& ctx = *static_cast<const ModelDrawingContext*>(context);
    const ModelFunctionName* f = model_function_by_number(number);
    if (!f || args.size() < f->min_args || args.size() > f->max_args) {
        error.message = "%ое количество аргументов";
        return false;
    }
    if (number == 35) {
        return model_variable_from_drawing_file(text_of(args[0]), text_of(args[1]), result, error);
    }
    if (!ctx.df) {
        error.message = "%ая функция";
        return false;
    }
    Lock lock;
    try {
        result = call(ctx, number, args);
        if (error_flag) {
            error_flag = 0;
            error.message = "$в структуре данных";
            return false;
        }
        return true;
    } catch (const Failure& f) {
        error.message = f.message;
        if (!f.detail.empty()) error.details.push_back(f.detail);
        return false;
    }
}
