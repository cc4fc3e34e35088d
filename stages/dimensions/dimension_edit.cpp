// Dimension editing: records, links, point states, nominals and labels.
#include "stages/dimensions/dimension_edit.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/dimension_text.h"
#include "geometry/tolerance.h"
#include "render/output/dimension_texts.h"
#include "stages/dimensions/dimension_network.h"
#include "stages/dimensions/network_store.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/text_codec.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr size_t kCommentMax = 260;
constexpr size_t kLabelHeadMax = 255;       // head byte +7
constexpr size_t kLabelPackedMax = 1986;    // 58 + 1986 = the record limit

RecordRef* chain(unsigned char* projection, uint32_t which) { return projection_chain(projection, which); }

unsigned char* find_dimension(DrawingFile* df, unsigned char* projection, uint32_t number) {
    RecordRef* head = chain(projection, projection_dimensions);
    PageBuffer* b = &page_buffers[table_dimensions];
    for (unsigned char* r = record_next(df, head, nullptr, b); r; r = record_next(df, head, r, b))
        if (get_u16(r, record_length) >= dimension_comment && get_u32(r, dimension_number) == number) return r;
    return nullptr;
}

unsigned char* find_point(DrawingFile* df, unsigned char* projection, uint32_t number) {
    RecordRef* head = chain(projection, projection_points);
    PageBuffer* b = &page_buffers[table_points];
    for (unsigned char* r = record_next(df, head, nullptr, b); r; r = record_next(df, head, r, b))
        if (get_u16(r, record_length) >= point_record_size && get_u32(r, point_number) == number) return r;
    return nullptr;
}

// The annotation record of the kind keyed by the number (the label: kind
// 0; a roughness sign: kind 5).
unsigned char* find_annotation(DrawingFile* df, unsigned char* projection, uint32_t key, int kind) {
    RecordRef* head = chain(projection, projection_annotations);
    PageBuffer* b = &page_buffers[table_annotation];
    for (unsigned char* r = record_next(df, head, nullptr, b); r; r = record_next(df, head, r, b))
        if (get_u16(r, record_length) > record_kind && get_u32(r, 2) == key && r[record_kind] == kind) return r;
    return nullptr;
}

void delete_record(DrawingFile* df, unsigned char* projection, uint32_t which, int table, unsigned char* r) {
    PageBuffer* b = &page_buffers[table];
    RecordRef ref = record_ref_of(b, r);
    if (ref) record_delete(df, chain(projection, which), ref, b);
}

struct LinkCopy {
    uint32_t point;
    int role;
    uint16_t word;
    double direction;
};

std::vector<LinkCopy> links_of(DrawingFile* df, unsigned char* projection, uint32_t dimension) {
    std::vector<LinkCopy> out;
    RecordRef* head = chain(projection, projection_links);
    PageBuffer* b = &page_buffers[table_links];
    for (unsigned char* r = record_next(df, head, nullptr, b); r; r = record_next(df, head, r, b)) {
        if (get_u16(r, record_length) < link_record_size || get_u32(r, link_dimension) != dimension) continue;
        uint16_t w = get_u16(r, link_role);
        out.push_back({get_u32(r, link_point), w & 3, w, get_f64(r, link_direction)});
    }
    return out;
}

uint32_t next_counter(DrawingFile* df, uint32_t offset) {
    if (!df || !df->header) return 0;
    uint32_t n = get_u32(df->header, offset) + 1;
    if (n == 0) return 0;
    put_u32(df->header, offset, n);
    return n;
}

bool is_radial(int kind, uint16_t value_word) {
    return kind == DIM_RADIUS || (kind == DIM_DIAMETER && (value_word & 4) && !(value_word & 2));
}

std::string trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t");
    return s.substr(a, e - a + 1);
}

// Reads a plain number with a decimal comma or point filling the whole text.
bool read_number(const std::string& text, double* value) {
    std::string t = text;
    for (char& c : t)
        if (c == ',') c = '.';
    if (t.empty()) return false;
    char* end = nullptr;
    double v = std::strtod(t.c_str(), &end);
    if (!end || end == t.c_str()) return false;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

// An angle of degrees, minutes and seconds: every number followed by its
// mark (or a lone number, degrees); the whole negative when the text
// begins with '-'.
bool read_angle(const std::string& text, double* value) {
    std::string t = text;
    for (char& c : t)
        if (c == ',') c = '.';
    const char* s = t.c_str();
    while (*s == ' ') ++s;
    bool negative = false;
    if (*s == '-') {
        negative = true;
        ++s;
    } else if (*s == '+') {
        ++s;
    }
    double parts[3] = {0, 0, 0};
    bool seen[3] = {false, false, false};
    int next = 0;
    bool any = false;
    while (*s) {
        while (*s == ' ') ++s;
        if (!*s) break;
        char* end = nullptr;
        double v = std::strtod(s, &end);
        if (!end || end == s || !std::isfinite(v) || v < 0) return false;
        s = end;
        while (*s == ' ') ++s;
        int slot;
        unsigned char c = static_cast<unsigned char>(*s);
        if (c == '^' || c == 0xB0) slot = 0;
        else if (c == '\'') slot = 1;
        else if (c == '"') slot = 2;
        else if (c == 0) slot = next;
        else return false;
        if (slot < next || seen[slot]) return false;
        if (c) ++s;
        parts[slot] = v;
        seen[slot] = true;
        next = slot + 1;
        any = true;
        if (next > 3) return false;
    }
    if (!any) return false;
    double r = parts[0] * kPi / 180 + parts[1] * kPi / (180 * 60) + parts[2] * kPi / (180 * 3600);
    *value = negative ? -r : r;
    return true;
}

}  // namespace

void projection_mark_for_construction(unsigned char* projection) {
    uint16_t f = get_u16(projection, projection_flags);
    put_u16(projection, projection_flags, static_cast<uint16_t>((f | 0x0200) & ~0x1000));
}

uint32_t dimension_create(DrawingFile* df, unsigned char* projection, const DimensionParams& p) {
    if (!df || !projection || p.kind < 0 || p.kind > 6 || p.mode < 0 || p.mode > 4) return 0;
    uint32_t number = next_counter(df, header_highest_dimension);
    if (!number) return 0;

    // The label: 58-byte head and an empty packed text (two zero bytes).
    uint8_t label[annotation_default_size] = {};
    put_u16(label, record_length, annotation_default_size);
    put_u32(label, 2, number);
    label[record_kind] = annotation_dimension_text;
    uint16_t flags = static_cast<uint16_t>(0x0001 | 0x0008 | 0x0010 | 0x0800 | ((p.font_index & 0x0F) << 7));
    bool inequality = p.comparison >= 1 && p.comparison <= 4;
    bool hidden = p.not_shown || inequality;
    if (hidden) flags |= 0x1000;
    put_u16(label, annotation_flags, flags);

    uint8_t rec[dimension_record_size] = {};
    put_u16(rec, record_length, dimension_record_size);
    put_u32(rec, dimension_number, number);
    if (p.mode >= 2) {
        put_u32(rec, dimension_axis_point1, p.axis[0]);
        put_u32(rec, dimension_axis_point2, p.axis[1]);
    }
    put_f64(rec, dimension_nominal, p.nominal);
    int first_end = p.end_style & 0x0F, second_end = p.end_style & 0x0F;
    if (p.kind == DIM_RADIUS || p.kind == DIM_FILLET) second_end = 9;
    if (p.kind == DIM_LEVEL) {
        first_end = p.level_side ? 7 : 9;
        second_end = p.level_side ? 9 : 7;
    }
    put_u16(rec, dimension_kind_word,
            static_cast<uint16_t>(p.kind | (p.mode << 5) | (first_end << 8) | (second_end << 12)));
    uint16_t value = static_cast<uint16_t>((inequality ? p.comparison : 0) << 8);
    if (hidden) value |= 0x0008;
    if (p.shaft) value |= 0x1000;
    put_u16(rec, dimension_value_word, value);
    uint16_t state = 0;
    if (p.kind == DIM_FILLET) state |= 0x0001;
    if (p.kind == DIM_LEVEL && p.level_side) state |= 0x0002;
    if (p.show_only && !inequality) state |= 0x0040 | 0x0400;
    put_u16(rec, dimension_state, state);

    record_add(df, chain(projection, projection_annotations), label, &page_buffers[table_annotation]);
    if (error_flag) return 0;
    record_add(df, chain(projection, projection_dimensions), rec, &page_buffers[table_dimensions]);
    if (error_flag) return 0;
    projection_mark_for_construction(projection);
    return number;
}

bool dimension_axis_direction(DrawingFile* df, unsigned char* projection, const unsigned char* dimension, double* a) {
    uint32_t n1 = get_u32(dimension, dimension_axis_point1), n2 = get_u32(dimension, dimension_axis_point2);
    int mode = (get_u16(dimension, dimension_kind_word) >> 5) & 7;
    unsigned char* p1 = n1 ? find_point(df, projection, n1) : nullptr;
    if (!p1) return false;
    double x1 = get_f64(p1, point_sketch_x), y1 = get_f64(p1, point_sketch_y);
    unsigned char* p2 = n2 ? find_point(df, projection, n2) : nullptr;
    if (!p2) return false;
    double dx = get_f64(p2, point_sketch_x) - x1, dy = get_f64(p2, point_sketch_y) - y1;
    if (dx == 0 && dy == 0) return false;
    double d = std::atan2(dy, dx);
    if (mode >= 3) d -= kPi / 2;
    *a = normalize_angle(d);
    return true;
}

uint32_t dimension_link_add(DrawingFile* df, unsigned char* projection, uint32_t dimension, uint32_t point, int role) {
    if (role < LINK_FIRST || role > LINK_CENTRE) return 0;
    unsigned char* d = find_dimension(df, projection, dimension);
    if (!d) return 0;
    uint16_t kind_word = get_u16(d, dimension_kind_word);
    bool show_only = (get_u16(d, dimension_state) & 0x0040) != 0;
    int mode = (kind_word >> 5) & 7;
    double direction = 0;
    if (mode == 1) {
        direction = -kPi / 2;
    } else if (mode >= 2) {
        std::vector<uint8_t> copy(d, d + dimension_record_size);
        if (!dimension_axis_direction(df, projection, copy.data(), &direction)) direction = 0;
    }
    d = find_dimension(df, projection, dimension);
    if (!d) return 0;
    put_u16(d, dimension_value_word, static_cast<uint16_t>(get_u16(d, dimension_value_word) | (1u << (role - 1))));
    page_buffers[table_dimensions].clean = 0;

    uint32_t number = next_counter(df, header_highest_link);
    if (!number) return 0;
    uint8_t link[link_record_size] = {};
    put_u16(link, record_length, link_record_size);
    put_u32(link, link_number, number);
    put_u32(link, link_point, point);
    put_u32(link, link_dimension, dimension);
    put_f64(link, link_direction, direction);
    put_u16(link, link_role, static_cast<uint16_t>(role | (show_only ? 0x0008 : 0)));
    record_add_at_end(df, chain(projection, projection_links), link, &page_buffers[table_links]);
    if (error_flag) return 0;
    update_link_directions(df, projection, dimension);
    point_dimension_state(df, projection, point);
    projection_mark_for_construction(projection);
    return number;
}

unsigned dimension_point_roles(DrawingFile* df, unsigned char* projection, uint32_t dimension, uint32_t point) {
    unsigned roles = 0;
    for (const LinkCopy& l : links_of(df, projection, dimension))
        if (l.point == point) roles |= 1u << l.role;
    return roles;
}

std::vector<uint32_t> point_dimensions(DrawingFile* df, unsigned char* projection, uint32_t point) {
    std::vector<uint32_t> out;
    RecordRef* head = chain(projection, projection_links);
    PageBuffer* b = &page_buffers[table_links];
    for (unsigned char* r = record_next(df, head, nullptr, b); r; r = record_next(df, head, r, b)) {
        if (get_u16(r, record_length) < link_record_size || get_u32(r, link_point) != point) continue;
        uint32_t d = get_u32(r, link_dimension);
        bool seen = false;
        for (uint32_t e : out) seen = seen || e == d;
        if (!seen) out.push_back(d);
    }
    return out;
}

int dimension_role_count(DrawingFile* df, unsigned char* projection, uint32_t dimension, int role) {
    int n = 0;
    for (const LinkCopy& l : links_of(df, projection, dimension))
        if (l.role == role) ++n;
    return n;
}

int point_dimension_state(DrawingFile* df, unsigned char* projection, uint32_t point) {
    std::vector<double> directions;
    RecordRef* head = chain(projection, projection_links);
    PageBuffer* b = &page_buffers[table_links];
    for (unsigned char* r = record_next(df, head, nullptr, b); r; r = record_next(df, head, r, b)) {
        if (get_u16(r, record_length) < link_record_size || get_u32(r, link_point) != point) continue;
        if (get_u16(r, link_role) & 0x0008) continue;
        directions.push_back(get_f64(r, link_direction));
    }
    int state = 0;
    if (!directions.empty()) {
        state = 1;
        for (double d : directions)
            if (!angles_parallel(d, directions[0])) state = 2;
    }
    unsigned char* p = find_point(df, projection, point);
    if (!p) return -1;
    uint16_t f = get_u16(p, point_flags);
    uint16_t nf = static_cast<uint16_t>((f & ~point_flag_state) | state);
    if (nf != f) {
        put_u16(p, point_flags, nf);
        page_buffers[table_points].clean = 0;
    }
    return state;
}

void update_link_directions(DrawingFile* df, unsigned char* projection, uint32_t dimension) {
    unsigned char* d = find_dimension(df, projection, dimension);
    if (!d) return;
    std::vector<uint8_t> copy(d, d + dimension_comment);
    int kind = copy[dimension_kind_word] & 0x1F;
    int mode = (get_u16(copy.data(), dimension_kind_word) >> 5) & 7;
    uint16_t value_word = get_u16(copy.data(), dimension_value_word);
    std::vector<LinkCopy> links = links_of(df, projection, dimension);
    bool radial = is_radial(kind, value_word);
    bool angular = kind == DIM_ANGLE || kind == DIM_ARC_LENGTH;
    double cx = 0, cy = 0;
    bool centre = false;
    if (radial || angular) {
        for (const LinkCopy& l : links) {
            if (l.role != LINK_CENTRE) continue;
            if (unsigned char* p = find_point(df, projection, l.point)) {
                cx = get_f64(p, point_sketch_x);
                cy = get_f64(p, point_sketch_y);
                centre = true;
            }
            break;
        }
    }
    double axis = 0;
    bool has_axis = mode >= 2 && dimension_axis_direction(df, projection, copy.data(), &axis);
    RecordRef* head = chain(projection, projection_links);
    PageBuffer* b = &page_buffers[table_links];
    for (unsigned char* r = record_next(df, head, nullptr, b); r; r = record_next(df, head, r, b)) {
        if (get_u16(r, record_length) < link_record_size || get_u32(r, link_dimension) != dimension) continue;
        int role = get_u16(r, link_role) & 3;
        double dir = get_f64(r, link_direction);
        if ((radial && role == LINK_FIRST) || (angular && role != LINK_CENTRE)) {
            if (!centre) continue;
            // The point record lives in another buffer: read it through a
            // copy of the link's point number.
            uint32_t pn = get_u32(r, link_point);
            RecordRef link_ref = record_ref_of(b, r);
            unsigned char* p = find_point(df, projection, pn);
            if (!p) continue;
            double px = get_f64(p, point_sketch_x), py = get_f64(p, point_sketch_y);
            r = record_read_at(df, &link_ref, b);
            if (!r) return;
            dir = std::atan2(cy - py, cx - px);
            if (angular) dir = normalize_angle(dir + kPi / 2);
        } else if (radial || angular) {
            continue;
        } else if (mode == 0) {
            dir = 0;
        } else if (mode == 1) {
            dir = -kPi / 2;
        } else if (has_axis) {
            dir = axis;
        }
        if (get_f64(r, link_direction) != dir) {
            put_f64(r, link_direction, dir);
            b->clean = 0;
        }
    }
}

bool measure_dimension(DrawingFile* df, unsigned char* projection, uint32_t dimension, bool use_true, double* value) {
    NetworkRecords rec;
    if (!network_load(df, projection, &rec)) return false;
    if (!use_true)
        for (std::vector<uint8_t>& p : rec.points)
            if (p.size() >= point_record_size) {
                put_f64(p.data(), point_true_x, get_f64(p.data(), point_sketch_x));
                put_f64(p.data(), point_true_y, get_f64(p.data(), point_sketch_y));
            }
    for (size_t i = 0; i < rec.dimensions.size(); ++i)
        if (get_u32(rec.dimensions[i].data(), dimension_number) == dimension)
            return measure_dimension_record(rec, i, value);
    return false;
}

bool dimension_delete(DrawingFile* df, unsigned char* projection, uint32_t dimension) {
    unsigned char* d = find_dimension(df, projection, dimension);
    if (!d) return false;
    uint16_t state = get_u16(d, dimension_state);
    // Roughness signs on the extension lines, then the label.
    if (state & 0x0018)
        while (unsigned char* r = find_annotation(df, projection, dimension, annotation_roughness))
            delete_record(df, projection, projection_annotations, table_annotation, r);
    if (unsigned char* r = find_annotation(df, projection, dimension, annotation_dimension_text))
        delete_record(df, projection, projection_annotations, table_annotation, r);
    std::vector<uint32_t> points;
    for (;;) {
        RecordRef* head = chain(projection, projection_links);
        PageBuffer* b = &page_buffers[table_links];
        unsigned char* hit = nullptr;
        for (unsigned char* r = record_next(df, head, nullptr, b); r; r = record_next(df, head, r, b))
            if (get_u16(r, record_length) >= link_record_size && get_u32(r, link_dimension) == dimension) {
                hit = r;
                break;
            }
        if (!hit || error_flag) break;
        points.push_back(get_u32(hit, link_point));
        delete_record(df, projection, projection_links, table_links, hit);
    }
    d = find_dimension(df, projection, dimension);
    if (d) delete_record(df, projection, projection_dimensions, table_dimensions, d);
    for (uint32_t p : points) point_dimension_state(df, projection, p);
    projection_mark_for_construction(projection);
    return true;
}

int recheck_dimension_links(DrawingFile* df, unsigned char* projection, uint32_t dimension) {
    unsigned char* d = find_dimension(df, projection, dimension);
    if (!d) return -1;
    int kind = get_u16(d, dimension_kind_word) & 0x1F;
    unsigned expected = get_u16(d, dimension_value_word) & 7;
    unsigned have = 0;
    for (const LinkCopy& l : links_of(df, projection, dimension))
        if (l.role >= 1) have |= 1u << (l.role - 1);
    bool match;
    if (kind == DIM_DIAMETER)
        match = (have & 1) && ((have & 2) || (have & 4)) && (have & ~expected) == 0;
    else
        match = have == expected;
    if (!match) {
        dimension_delete(df, projection, dimension);
        return 0;
    }
    d = find_dimension(df, projection, dimension);
    if (!d) return -1;
    put_u16(d, dimension_state, static_cast<uint16_t>(get_u16(d, dimension_state) | 0x0020));
    page_buffers[table_dimensions].clean = 0;
    return 1;
}

NominalText parse_nominal_text(const char* text, int kind) {
    NominalText out;
    std::string t = text ? text : "";
    size_t c = t.find("**");
    if (c != std::string::npos) {
        out.comment = trim(t.substr(c + 2));
        if (out.comment.size() > kCommentMax) out.comment.resize(kCommentMax);
        t = t.substr(0, c);
    }
    size_t brace = t.find('{');
    if (brace != std::string::npos) t = t.substr(0, brace);
    if (t.find("<\xED") != std::string::npos) return out;  // the placeholder " <номинал>"
    t = trim(t);
    if (t.size() > 62) t.resize(62);
    if (t.empty()) return out;
    out.empty = false;
    out.comparison = comparison_kind(t.c_str());
    size_t start = t.find_first_not_of("<>= ");
    std::string number = start == std::string::npos ? std::string() : t.substr(start);
    if (kind == DIM_ANGLE)
        out.valid = read_angle(number, &out.value);
    else
        out.valid = read_number(number, &out.value);
    if (!out.valid) out.value = 0;
    return out;
}

int dimension_label_prefix_code(DrawingFile* df, unsigned char* projection, uint32_t dimension) {
    unsigned char* r = find_annotation(df, projection, dimension, annotation_dimension_text);
    if (!r) return 0;
    int code = dimension_text_prefix_sign(r);
    return code < 0 ? 0 : code;
}

int rebuild_dimension_text(DrawingFile* df, unsigned char* projection, uint32_t dimension, int prefix) {
    unsigned char* d = find_dimension(df, projection, dimension);
    if (!d) return -1;
    std::vector<uint8_t> rec(d, d + dimension_comment);
    char value_text[128];
    format_dimension_value(value_text, sizeof value_text, get_f64(rec.data(), dimension_nominal), rec[dimension_kind_word] & 0x1F,
                           (get_u16(rec.data(), dimension_value_word) >> 8) & 7);
    char signed_text[300];
    format_signed_dimension_text(signed_text, sizeof signed_text, static_cast<char>(prefix), value_text, rec.data());

    std::vector<uint8_t> head(dimension_text_head, 0);
    DimensionTextParts parts;
    parts.empty = true;
    unsigned char* old = find_annotation(df, projection, dimension, annotation_dimension_text);
    std::vector<uint8_t> old_copy;
    if (old) {
        old_copy.assign(old, old + get_u16(old, record_length));
        std::memcpy(head.data(), old_copy.data(), dimension_text_head);
        split_dimension_text(old_copy.data(), &parts);
    } else {
        put_u32(head.data(), 2, dimension);
        head[record_kind] = annotation_dimension_text;
        put_u16(head.data(), annotation_flags, 0x0001 | 0x0008 | 0x0010 | 0x0800);
    }
    std::string first;
    if (!parts.part[0].empty()) first += parts.part[0] + dimension_text_value_mark;
    first += signed_text;
    if (!parts.part[2].empty()) first += dimension_text_deviation_mark + parts.part[2];
    if (first.size() > kLabelHeadMax) return 0;
    std::string whole = first + parts.part[3];
    std::vector<uint16_t> packed(kLabelPackedMax / 2 + 2, 0);
    int bytes = text_pack_words(static_cast<int>(whole.size()), whole.c_str(), packed.data(),
                                static_cast<int>(kLabelPackedMax / 2), 5);
    if (bytes < 0 || static_cast<size_t>(bytes) > kLabelPackedMax) return 0;
    if (bytes == 0) bytes = 2;
    std::vector<uint8_t> label(head);
    label.resize(dimension_text_head + static_cast<size_t>(bytes), 0);
    std::memcpy(label.data() + dimension_text_head, packed.data(), static_cast<size_t>(bytes));
    put_u16(label.data(), record_length, static_cast<uint16_t>(label.size()));
    label[dimension_text_first_length] = static_cast<uint8_t>(first.size());
    uint16_t flags = get_u16(label.data(), annotation_flags);
    flags = static_cast<uint16_t>(parts.part[3].empty() ? flags & ~0x0040 : flags | 0x0040);
    flags = static_cast<uint16_t>((get_u16(rec.data(), dimension_value_word) & 0x0008) ? flags | 0x1000 : flags & ~0x1000);
    put_u16(label.data(), annotation_flags, flags);
    old = find_annotation(df, projection, dimension, annotation_dimension_text);
    if (old) delete_record(df, projection, projection_annotations, table_annotation, old);
    record_add(df, chain(projection, projection_annotations), label.data(), &page_buffers[table_annotation]);
    return error_flag ? 0 : 1;
}

std::string dimension_comment_text(const unsigned char* record) {
    size_t length = get_u16(record, record_length);
    if (!(get_u16(record, dimension_state) & dimension_state_comment) || length < dimension_comment) return std::string();
    size_t n = get_u16(record, dimension_comment_length);
    if (n == 0 || dimension_comment + n > length) return std::string();
    std::vector<uint16_t> words((n + 1) / 2, 0);
    std::memcpy(words.data(), record + dimension_comment, n);
    char out[kCommentMax * 2 + 1] = {};
    int k = text_unpack(out, sizeof out, words.data(), static_cast<int>(n));
    return std::string(out, k > 0 ? static_cast<size_t>(k) : 0);
}

bool dimension_set_comment(DrawingFile* df, unsigned char* projection, uint32_t dimension, const std::string& comment) {
    unsigned char* d = find_dimension(df, projection, dimension);
    if (!d) return false;
    std::vector<uint8_t> rec(d, d + get_u16(d, record_length));
    std::string c = comment.substr(0, kCommentMax);
    std::vector<uint16_t> words(kCommentMax, 0);
    int bytes = c.empty() ? 0 : text_pack_words(static_cast<int>(c.size()), c.c_str(), words.data(), static_cast<int>(words.size()), 5);
    if (bytes < 0) bytes = 0;
    std::vector<uint8_t> fresh(rec.begin(), rec.begin() + dimension_comment);
    uint16_t state = get_u16(fresh.data(), dimension_state);
    if (bytes > 0) {
        fresh.resize(dimension_comment + static_cast<size_t>(bytes), 0);
        std::memcpy(fresh.data() + dimension_comment, words.data(), static_cast<size_t>(bytes));
        put_u16(fresh.data(), dimension_comment_length, static_cast<uint16_t>(bytes));
        state |= dimension_state_comment;
    } else {
        fresh.resize(dimension_record_size, 0);
        put_u16(fresh.data(), dimension_comment_length, 0);
        state &= static_cast<uint16_t>(~dimension_state_comment);
    }
    if (fresh.size() < dimension_record_size) fresh.resize(dimension_record_size, 0);
    put_u16(fresh.data(), dimension_state, state);
    put_u16(fresh.data(), record_length, static_cast<uint16_t>(fresh.size()));
    if (fresh.size() == rec.size()) {
        // Same length: rewritten in place, so the dimension keeps its
        // place in the chain (and the solver its order).
        std::memcpy(d, fresh.data(), fresh.size());
        page_buffers[table_dimensions].clean = 0;
        return true;
    }
    delete_record(df, projection, projection_dimensions, table_dimensions, d);
    record_add(df, chain(projection, projection_dimensions), fresh.data(), &page_buffers[table_dimensions]);
    return !error_flag;
}

std::string dimension_list_line(const unsigned char* record, const char* variable_name) {
    char text[300];
    describe_dimension(text, sizeof text, record);
    std::string line = text;
    if (variable_name && *variable_name) line += std::string("{") + variable_name + "}";
    std::string comment = dimension_comment_text(record);
    if (!comment.empty()) line += " **" + comment;
    return line;
}

std::vector<uint8_t> dimension_record_copy(DrawingFile* df, unsigned char* projection, uint32_t dimension) {
    unsigned char* d = find_dimension(df, projection, dimension);
    if (!d) return {};
    return std::vector<uint8_t>(d, d + get_u16(d, record_length));
}

bool dimension_record_update(DrawingFile* df, unsigned char* projection, const std::vector<uint8_t>& copy) {
    if (copy.size() < dimension_comment) return false;
    unsigned char* d = find_dimension(df, projection, get_u32(copy.data(), dimension_number));
    if (!d) return false;
    // Everything before the comment; the length and the comment stay.
    std::memcpy(d + 2, copy.data() + 2, dimension_comment_length - 2);
    page_buffers[table_dimensions].clean = 0;
    return true;
}
