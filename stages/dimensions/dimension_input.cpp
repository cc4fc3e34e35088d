// Dimension input: clicks on reference points, commit, open and delete.
#include "stages/dimensions/dimension_input.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/dimension_text.h"
#include "stages/dimensions/dimension_network.h"
#include "store/record_layouts.h"

#include <cmath>

namespace {

void say(const DimensionInputHooks& h, const char* text) {
    if (h.message) h.message(text);
}
void prompt(const DimensionInputHooks& h, const char* text) {
    if (h.prompt) h.prompt(text);
}

}  // namespace

void reset_dimension_input(DimensionInput& in) {
    in.number = 0;
    in.projection = 0;
    in.role = 0;
    in.nominal_text.clear();
    in.nominal_typed = false;
    in.variable = 0;
    in.variable_value_set = false;
    in.variable_value = 0;
    in.error_mark = 0;
    if (in.params.mode >= 2) {
        in.axis_step = 1;
        in.params.axis[0] = in.params.axis[1] = 0;
    } else {
        in.axis_step = 0;
    }
}

void dimension_input_set_mode(DimensionInput& in, int mode, const DimensionInputHooks& h) {
    if (mode < 0 || mode > 4) return;
    in.params.mode = mode;
    in.params.axis[0] = in.params.axis[1] = 0;
    if (mode >= 2) {
        in.axis_step = 1;
        prompt(h, "+две точки направления осевой");
    } else {
        in.axis_step = 0;
        prompt(h, mode == 0 ? "Размеры будут определены вдоль оси абсцисс" : "Размеры будут определены вдоль оси ординат");
    }
}

int dimension_input_point(DimensionInput& in, DrawingFile* df, unsigned char* projection, uint32_t projection_number,
                          const unsigned char* point, const DimensionInputHooks& h) {
    uint32_t pn = get_u32(point, point_number);
    if ((get_u16(point, point_flags) & point_flag_no_dimension) && !in.params.show_only)
        say(h, "На эту точку можно ставить размер только для показа");
    if (in.axis_step == 1 && in.params.mode >= 2) {
        in.params.axis[0] = pn;
        in.axis_projection = projection_number;
        in.axis_step = 2;
        prompt(h, "+вторую точку на осевой");
        return INPUT_AXIS_POINT;
    }
    if (in.axis_step == 2 && in.params.mode >= 2) {
        if (pn == in.params.axis[0]) {
            say(h, "Точки на оси не должны совпадать!");
            return INPUT_REFUSED;
        }
        if (projection_number != in.axis_projection) {
            say(h, "Точки на оси должны быть в одной проекции!");
            return INPUT_REFUSED;
        }
        in.params.axis[1] = pn;
        in.axis_step = 0;
        prompt(h, "Следующие точки - опорные для выносных");
        return INPUT_AXIS_POINT;
    }
    if (in.role < LINK_FIRST || in.role > LINK_CENTRE) {
        say(h, "Если вводите новый размер,\nто сначала укажите тип выносной!");
        return INPUT_REFUSED;
    }
    if (in.number && in.projection != projection_number) {
        // The open dimension belongs to another projection: a dimension
        // never links points of two projections.
        say(h, "Размер не готов\nГде размер?");
        return INPUT_REFUSED;
    }
    int kind = in.params.kind;
    if (in.number) {
        unsigned roles = dimension_point_roles(df, projection, in.number, pn);
        if (roles & (1u << in.role)) return INPUT_NOTHING;
        if (in.role == LINK_CENTRE && dimension_role_count(df, projection, in.number, LINK_CENTRE) > 0) {
            say(h, "Центр у размера может быть только один!");
            return INPUT_REFUSED;
        }
        if (kind == DIM_DIAMETER && in.role == LINK_SECOND &&
            dimension_role_count(df, projection, in.number, LINK_CENTRE) > 0)
            return INPUT_REFUSED;
        if (kind == DIM_DIAMETER && in.role == LINK_CENTRE &&
            dimension_role_count(df, projection, in.number, LINK_SECOND) > 0)
            return INPUT_REFUSED;
    }
    if (!in.number) {
        if (h.checkpoint) h.checkpoint();
        DimensionParams p = in.params;
        NominalText n = parse_nominal_text(in.nominal_text.c_str(), kind);
        p.nominal = n.valid ? n.value : 0;
        p.comparison = n.valid ? n.comparison : 0;
        uint32_t number = dimension_create(df, projection, p);
        if (!number) return INPUT_REFUSED;
        in.number = number;
        in.projection = projection_number;
        in.error_mark = 0;
    }
    if (!dimension_link_add(df, projection, in.number, pn, in.role)) return INPUT_REFUSED;
    return INPUT_LINKED;
}

bool dimension_input_open(DimensionInput& in, DrawingFile* df, unsigned char* projection, uint32_t dimension) {
    std::vector<uint8_t> rec = dimension_record_copy(df, projection, dimension);
    if (rec.empty()) return false;
    in.number = dimension;
    in.role = 0;
    in.axis_step = 0;
    uint16_t kw = get_u16(rec.data(), dimension_kind_word);
    uint16_t vw = get_u16(rec.data(), dimension_value_word);
    uint16_t st = get_u16(rec.data(), dimension_state);
    in.params.kind = kw & 0x1F;
    in.params.mode = (kw >> 5) & 7;
    in.params.axis[0] = get_u32(rec.data(), dimension_axis_point1);
    in.params.axis[1] = get_u32(rec.data(), dimension_axis_point2);
    in.params.not_shown = (vw & 0x0008) != 0;
    in.params.shaft = (vw & 0x1000) != 0;
    in.params.show_only = (st & 0x0040) != 0;
    in.params.level_side = (st & 0x0002) != 0;
    in.error_mark = st & 0x0020;
    char text[128];
    format_dimension_value(text, sizeof text, get_f64(rec.data(), dimension_nominal), in.params.kind, (vw >> 8) & 7);
    in.nominal_text = text;
    std::string comment = dimension_comment_text(rec.data());
    if (!comment.empty()) in.nominal_text += " **" + comment;
    in.nominal_typed = true;
    in.variable = get_u16(rec.data(), dimension_variable);
    in.variable_value_set = false;
    in.prefix = dimension_label_prefix_code(df, projection, dimension);
    return true;
}

int dimension_input_commit(DimensionInput& in, DrawingFile* df, unsigned char* projection, const DimensionInputHooks& h) {
    if (!in.number) {
        say(h, "Размер не готов\nГде размер?");
        return 0;
    }
    std::vector<uint8_t> rec = dimension_record_copy(df, projection, in.number);
    if (rec.empty()) {
        say(h, "E20123");
        return 0;
    }
    int kind = get_u16(rec.data(), dimension_kind_word) & 0x1F;
    uint16_t vw = get_u16(rec.data(), dimension_value_word);
    NominalText n = parse_nominal_text(in.nominal_text.c_str(), kind);
    if (in.variable && in.variable_value_set) {
        // A bound model variable's value is the nominal, never an inequality.
        n.value = in.variable_value;
        n.comparison = 0;
        n.valid = true;
        n.empty = false;
    }
    if (n.empty) {
        say(h, "А номинал?");
        return 0;
    }
    if (!n.valid) {
        say(h, "Номинал может быть только числом");
        return 0;
    }
    if ((kind == DIM_ANGLE || kind == DIM_ARC_LENGTH) && !(vw & 0x0004)) {
        say(h, "Надо задать центр!");
        return 0;
    }
    if (!(vw & 0x0001) && !(vw & 0x0002) && kind != DIM_LEVEL) {
        say(h, "Размер не готов\nГде размер?");
        return 0;
    }
    double old_value = get_f64(rec.data(), dimension_nominal);
    int old_comparison = (vw >> 8) & 7;
    int old_prefix = dimension_label_prefix_code(df, projection, in.number);
    bool inequality = n.comparison >= 1 && n.comparison <= 4;

    put_f64(rec.data(), dimension_nominal, n.value);
    put_u16(rec.data(), dimension_variable, static_cast<uint16_t>(in.variable));
    vw = static_cast<uint16_t>((vw & ~0x0700) | (n.comparison << 8));
    vw = static_cast<uint16_t>(in.params.shaft ? vw | 0x1000 : vw & ~0x1000);
    uint16_t st = get_u16(rec.data(), dimension_state);
    st = static_cast<uint16_t>((st & ~0x0020) | in.error_mark);
    bool show_only = in.params.show_only && !inequality;
    bool was_show_only = (st & 0x0040) != 0;
    bool not_shown = in.params.not_shown || inequality;
    bool was_not_shown = (vw & 0x0008) != 0;
    st = static_cast<uint16_t>(show_only ? st | 0x0440 : st & ~0x0440);
    vw = static_cast<uint16_t>(not_shown ? vw | 0x0008 : vw & ~0x0008);
    if (show_only != was_show_only) vw = static_cast<uint16_t>(vw & ~0x8800);
    put_u16(rec.data(), dimension_value_word, vw);
    put_u16(rec.data(), dimension_state, st);
    dimension_record_update(df, projection, rec);
    if (show_only != was_show_only || not_shown != was_not_shown || n.value != old_value ||
        n.comparison != old_comparison)
        projection_mark_for_construction(projection);

    if (n.value != old_value || n.comparison != old_comparison || in.prefix != old_prefix || not_shown != was_not_shown) {
        int r = rebuild_dimension_text(df, projection, in.number, in.prefix);
        if (r == 0) say(h, "Недопустимая длина обозначения номинала!");
    }
    std::vector<uint8_t> now = dimension_record_copy(df, projection, in.number);
    if (!now.empty() && dimension_comment_text(now.data()) != n.comment)
        dimension_set_comment(df, projection, in.number, n.comment);
    reset_dimension_input(in);
    if (inequality) in.params.show_only = false;
    return 1;
}

int dimension_input_delete(DimensionInput& in, DrawingFile* df, unsigned char* projection, const DimensionInputHooks& h) {
    if (!in.number) return 0;
    if (h.checkpoint) h.checkpoint();
    bool done = dimension_delete(df, projection, in.number);
    reset_dimension_input(in);
    return done ? 1 : 0;
}
