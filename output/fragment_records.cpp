// Copying a fragment's records into a target projection.
#include "output/fragment_records.h"

#include "output/fragment_instances.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/extents.h"
#include "geometry/naming.h"
#include "geometry/tolerance.h"
#include "geometry/transforms.h"
#include "render/contours/contour_clip.h"
#include "render/contours/contour_lists.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/number_pools.h"
#include "store/record_layouts.h"
#include "store/records.h"

const char* const text_fragment_counter_full = "Счётчик фрагментов переполнен";
const char* const text_marked_partner_missing = "E20133";

namespace {

using Bytes = std::vector<uint8_t>;

// Offsets that have no name in the shared layouts.
enum : uint32_t {
    dimension_fragment = 30,   // u16 instance number
    // Instance number of leaders and text fragments: a u16, since the point
    // binding follows at 14.
    annotation_fragment = 12,
    annotation_binding = 14,   // u32 point binding of leaders and text fragments
    contour_short_name = 74    // 8-byte name
};
enum : uint16_t {
    element_flags_not_copied = 0x0200 | 0x1000 | 0x2000,
    dimension_value_hidden = 0x0008,
    annotation_flag_instance = 0x0800,
    annotation_flag_without_dimensions = 0x1000,
    projection_flag_breaks = 0x2000
};

// The bar record (construction kind 8) as the copy reads it.
enum : uint32_t {
    copied_bar_element = 2,      // u32 centre element
    copied_bar_number = 8,       // u16 bars of one number are joined
    copied_bar_serial = 10,      // u16 from the fragment counter
    copied_bar_flags = 12,       // u16
    copied_bar_variable = 14,    // u16 model variable of the width
    copied_bar_slots = 24,       // 6 x {u32 outline element, u16 level, u16 type}
    copied_bar_slot_size = 8,
    copied_bar_corners = 72,     // 4 x u32 corner points (88-byte form)
    copied_bar_size = 72,
    copied_bar_size_corners = 88
};
enum : uint16_t {
    copied_bar_built = 0x0010,
    copied_bar_corners_start = 0x0020,
    copied_bar_corners_end = 0x0040,
    copied_bar_lengthen_start = 0x0080,
    copied_bar_lengthen_end = 0x0100,
    copied_bar_has_element = 0x0200,
    // Element option: the element is the centre line of a bar.
    element_opt_bar_centre_line = element_opt_from_source
};

// The records of one chain, copied out of the page buffer.
std::vector<Bytes> snapshot(DrawingFile* df, const uint8_t* projection, uint32_t chain, int table) {
    std::vector<Bytes> out;
    RecordRef head = get_u32(projection, chain);
    PageBuffer* buf = &page_buffers[table];
    for (uint8_t* r = record_next(df, &head, nullptr, buf); r; r = record_next(df, &head, r, buf)) {
        uint16_t len = get_u16(r, record_length);
        if (len < 8) continue;
        out.emplace_back(r, r + len);
    }
    return out;
}

// Contours with their continuation chunks joined into one record.
std::vector<Bytes> snapshot_contours(DrawingFile* df, const uint8_t* projection) {
    std::vector<Bytes> out;
    RecordRef head = get_u32(projection, projection_contours);
    PageBuffer* buf = &page_buffers[table_contours];
    for (uint8_t* r = record_next(df, &head, nullptr, buf); r; r = record_next(df, &head, r, buf)) {
        uint16_t flags = get_u16(r, contour_flags);
        if (flags & contour_flag_continuation) continue;
        if (flags & contour_flag_first_chunk) {
            uint8_t* joined = copy_contour_record(df, &head, r, buf);
            if (!joined) {
                error_flag = 1;
                return out;
            }
            uint32_t members = static_cast<uint16_t>(get_i16(joined, contour_member_count));
            size_t size = contour_head_size + 4 * members;
            out.emplace_back(joined, joined + size);
            if (record_is_heap_copy(joined, buf)) std::free(joined);
            continue;
        }
        out.emplace_back(r, r + get_u16(r, record_length));
    }
    return out;
}

struct MapEntry {
    uint32_t target = 0;
    bool reserved = false;  // read from the previous insertion's map
    bool used = false;      // given to a copy by this insertion
};
using NumberMap = std::map<uint32_t, MapEntry>;

// The copy in progress.
struct Copy {
    DrawingFile* df;
    uint8_t* target;
    FragmentCopyRequest req;
    FragmentCopyResult* result;
    AffineMatrix m;
    bool mirrored = false;
    uint16_t instance = 0;
    bool without_dimensions = false;
    NumberMap maps[4];
    std::map<uint32_t, uint32_t> contour_map;  // source contour -> target contour

    RecordRef* head(uint32_t chain) { return reinterpret_cast<RecordRef*>(target + chain); }

    Point2 apply(Point2 p) const {
        Point2 out;
        affine_apply(&out, &m, p.x, p.y);
        return out;
    }
    void apply_at(uint8_t* rec, uint32_t off) const { put_point2(rec, off, apply(get_point2(rec, off))); }
    void apply_float_at(uint8_t* rec, uint32_t off) const {
        PointF out;
        affine_apply_float(&out, &m, get_f32(rec, off), get_f32(rec, off + 4));
        put_f32(rec, off, out.x);
        put_f32(rec, off + 4, out.y);
    }
    // The displacement that the transform gives the float pair at off.
    void float_shift(const uint8_t* rec, uint32_t off, float* dx, float* dy) const {
        PointF out;
        affine_apply_float(&out, &m, get_f32(rec, off), get_f32(rec, off + 4));
        *dx = out.x - get_f32(rec, off);
        *dy = out.y - get_f32(rec, off + 4);
    }

    bool mapped(int map, uint32_t source, uint32_t* out) const {
        auto it = maps[map].find(source);
        if (it == maps[map].end() || !it->second.used) return false;
        *out = it->second.target;
        return true;
    }
};

bool target_has_point(Copy& c, uint32_t n) {
    RecordRef from = 0;
    return record_find_key(c.df, c.head(projection_points), n, &from, &page_buffers[table_points]) != nullptr;
}

// The instance of the element carrying number n in the target, -1 when none.
int target_element_instance(Copy& c, uint32_t n) {
    RecordRef from = 0;
    uint8_t* e = record_find_key(c.df, c.head(projection_elements), n, &from, &page_buffers[table_elements]);
    return e ? get_u16(e, element_fragment) : -1;
}

// Reads and deletes the instance's number maps of the previous insertion.
void read_number_maps(Copy& c) {
    RecordRef* h = c.head(projection_construction);
    PageBuffer* buf = &page_buffers[table_construction];
    std::vector<Bytes> found;
    for (;;) {
        uint8_t* hit = nullptr;
        for (uint8_t* r = record_next(c.df, h, nullptr, buf); r; r = record_next(c.df, h, r, buf)) {
            if (r[record_kind] == construction_number_map && get_u16(r, record_length) == number_map_size &&
                get_u16(r, number_map_instance) == c.instance) {
                hit = r;
                break;
            }
        }
        if (!hit) break;
        found.emplace_back(hit, hit + number_map_size);
        record_delete(c.df, h, record_ref_of(buf, hit), buf);
        if (error_flag) return;
    }
    uint32_t highest_dimension = get_u32(c.df->header, header_highest_dimension);
    uint32_t highest_object = get_u32(c.df->header, header_object_counter);
    for (const Bytes& r : found) {
        int kind = r[construction_flags] & 0x0F;
        uint32_t from = get_u32(r.data(), record_key);
        uint32_t to = get_u32(r.data(), number_map_target);
        if (kind > number_map_objects || to == 0) continue;
        bool take = false;
        switch (kind) {
        // A number handed out earlier lies at or below the highest one.
        case number_map_dimensions: take = to <= highest_dimension; break;
        case number_map_objects: take = to <= highest_object; break;
        case number_map_points: take = !target_has_point(c, to); break;
        case number_map_elements: {
            int owner = target_element_instance(c, to);
            take = owner < 0 || owner == c.instance;
            break;
        }
        }
        if (take) c.maps[kind][from] = MapEntry{to, true, false};
    }
}

// The reserved numbers of a map, which fresh numbers must avoid.
std::vector<uint32_t> reserved_numbers(const NumberMap& map) {
    std::vector<uint32_t> out;
    for (const auto& e : map)
        if (e.second.reserved) out.push_back(e.second.target);
    return out;
}

int copy_points(Copy& c, const std::vector<Bytes>& points) {
    const FragmentInsertParams* p = c.req.params;
    NumberMap& map = c.maps[number_map_points];
    std::vector<uint32_t> avoid = reserved_numbers(map);
    for (const Bytes& src : points) {
        if (src.size() < point_record_size) continue;
        uint32_t from = get_u32(src.data(), point_number);
        if (p && !c.without_dimensions && p->source_count >= 1 && p->target_count >= 1 &&
            from == p->source_points[0]) {
            map[from] = MapEntry{p->target_points[0], false, true};
            continue;
        }
        MapEntry& e = map[from];
        uint32_t to = 0;
        if (e.reserved && e.target && !target_has_point(c, e.target)) {
            to = e.target;
        } else {
            to = point_number_alloc_unlisted(avoid.data(), static_cast<int>(avoid.size()));
            if (to == 0 || error_flag) {
                error_flag = 1;
                return -1;
            }
        }
        e.target = to;
        e.used = true;
        Bytes rec(src);
        put_u32(rec.data(), point_number, to);
        c.apply_at(rec.data(), point_sketch_x);
        c.apply_at(rec.data(), point_true_x);
        if (c.instance) {
            put_u16(rec.data(), point_fragment, c.instance);
            uint16_t f = get_u16(rec.data(), point_flags);
            if (c.without_dimensions) f &= static_cast<uint16_t>(~0x0003);
            if (c.req.mode & fragment_mode_without_points) f |= point_flag_hidden;
            put_u16(rec.data(), point_flags, f);
        }
        point_number_mark_used(to);
        if (target_has_point(c, to)) continue;
        if (!record_add_at_end(c.df, c.head(projection_points), rec.data(), &page_buffers[table_points])) return -1;
        ++c.result->points;
        if (error_flag) return -1;
    }
    return 0;
}

// Transforms the coordinates of an element copy and rewrites its point
// numbers; false when one of its points was not copied.
bool transform_element(Copy& c, Bytes& rec) {
    for (const ElementPlace& p : fragment_element_places(rec.data())) {
        if (p.number) {
            uint32_t from = get_u32(rec.data(), p.number), to = 0;
            if (from && !c.mapped(number_map_points, from, &to)) return false;
            if (from) put_u32(rec.data(), p.number, to);
        }
        c.apply_at(rec.data(), p.coords);
    }
    if (element_kind(rec.data()) == element_kind_arc_centre && c.mirrored) {
        // A mirrored arc keeps running the same way: start and end change places.
        uint8_t* r = rec.data();
        uint32_t a = get_u32(r, element_points), b = get_u32(r, element_points + 4);
        put_u32(r, element_points, b);
        put_u32(r, element_points + 4, a);
        Point2 pa = get_point2(r, element_coords3), pb = get_point2(r, element_coords3 + 16);
        put_point2(r, element_coords3, pb);
        put_point2(r, element_coords3 + 16, pa);
    }
    return true;
}

int copy_elements(Copy& c, const std::vector<Bytes>& elements) {
    NumberMap& map = c.maps[number_map_elements];
    for (const Bytes& src : elements) {
        if (src.size() < element_head_size) continue;
        uint16_t flags = get_u16(src.data(), element_flags);
        if (flags & element_flags_not_copied) continue;
        if (!element_kind_valid(element_kind(src.data()))) continue;
        Bytes rec(src);
        if (!transform_element(c, rec)) continue;
        uint32_t from = get_u32(src.data(), element_number);
        MapEntry& e = map[from];
        if (!e.used) {
            if (e.reserved && e.target) {
                element_number_mark_used(e.target);
            } else {
                uint32_t to = element_number_alloc();
                if (to == 0 || error_flag) {
                    error_flag = 1;
                    return -1;
                }
                e.target = to;
            }
            e.used = true;
            ++c.result->elements;
        }
        uint8_t* r = rec.data();
        put_u32(r, element_number, e.target);
        put_u16(r, element_fragment, c.instance);
        put_u16(r, element_flags, static_cast<uint16_t>(flags & ~(element_flag_screened | element_flag_marked)));
        put_u16(r, element_options, static_cast<uint16_t>(get_u16(r, element_options) & ~element_opt_layer));
        if (element_kind(r) == element_kind_break)
            put_u16(c.target, projection_flags,
                    static_cast<uint16_t>(get_u16(c.target, projection_flags) | projection_flag_breaks));
        if (!record_add_at_end(c.df, c.head(projection_elements), r, &page_buffers[table_elements])) return -1;
        if (error_flag) return -1;
    }
    return 0;
}

int copy_dimensions(Copy& c, const std::vector<Bytes>& dimensions) {
    NumberMap& map = c.maps[number_map_dimensions];
    const FragmentPlacement* pl = c.req.placement;
    bool scaled = pl && pl->scale_from_points;
    double k = pl ? pl->k : 1.0;
    for (const Bytes& src : dimensions) {
        if (src.size() < dimension_record_size - 2) continue;
        int kind = dimension_kind(src.data());
        if (c.without_dimensions && kind != 5) continue;
        Bytes rec(src);
        uint8_t* r = rec.data();
        bool lost = false;
        for (uint32_t at : {dimension_axis_point1, dimension_axis_point2}) {
            uint32_t from = get_u32(r, at), to = 0;
            if (!from) continue;
            if (!c.mapped(number_map_points, from, &to)) lost = true;
            put_u32(r, at, to);
        }
        if (lost) continue;  // a dimension on a point that was not copied
        uint32_t from = get_u32(src.data(), dimension_number);
        MapEntry& e = map[from];
        if (!(e.reserved && e.target)) {
            uint32_t next = get_u32(c.df->header, header_highest_dimension) + 1;
            put_u32(c.df->header, header_highest_dimension, next);
            e.target = next;
        }
        e.used = true;
        put_u32(r, dimension_number, e.target);
        uint16_t value = get_u16(r, dimension_value_word);
        if (c.without_dimensions) value |= dimension_value_hidden;
        if (c.instance) {
            value &= static_cast<uint16_t>(~0x8800);
            put_u16(r, dimension_state, static_cast<uint16_t>(get_u16(r, dimension_state) & ~0x0018));
            put_u16(r, dimension_fragment, c.instance);
            if (scaled) {
                if (kind != 3 && kind < 7) put_f64(r, dimension_nominal, get_f64(r, dimension_nominal) * k);
                if (k != 1.0 || !(c.req.mode & fragment_mode_correct_nominals)) put_u16(r, dimension_variable, 0);
            }
            if (c.req.mode & fragment_mode_hide_dimensions) value |= dimension_value_hidden;
        } else {
            put_u16(r, dimension_variable, 0);
        }
        put_u16(r, dimension_value_word, value);
        if (!record_add_at_end(c.df, c.head(projection_dimensions), r, &page_buffers[table_dimensions])) return -1;
        ++c.result->dimensions;
        if (error_flag) return -1;
    }
    return 0;
}

int copy_links(Copy& c, const std::vector<Bytes>& links) {
    if (c.result->dimensions == 0) return 0;
    for (const Bytes& src : links) {
        if (src.size() < link_record_size) continue;
        Bytes rec(src);
        uint8_t* r = rec.data();
        uint32_t point = 0, dimension = 0;
        if (!c.mapped(number_map_dimensions, get_u32(r, link_dimension), &dimension)) continue;
        if (!c.mapped(number_map_points, get_u32(r, link_point), &point)) continue;
        uint32_t next = get_u32(c.df->header, header_highest_link) + 1;
        put_u32(c.df->header, header_highest_link, next);
        put_u32(r, link_number, next);
        put_u32(r, link_point, point);
        put_u32(r, link_dimension, dimension);
        put_u16(r, link_zero, c.instance);
        if (!record_add_at_end(c.df, c.head(projection_links), r, &page_buffers[table_links])) return -1;
        ++c.result->links;
        if (error_flag) return -1;
    }
    return 0;
}

// The number of a contour copy: the one it had at the previous insertion
// of the instance (kept in the instance's contour maps), else a new one from
// the drawing's counter, recorded in a new contour map.
uint32_t contour_number_map(Copy& c, uint32_t source_number) {
    RecordRef* h = c.head(projection_construction);
    PageBuffer* buf = &page_buffers[table_construction];
    if (c.instance) {
        for (uint8_t* r = record_next(c.df, h, nullptr, buf); r; r = record_next(c.df, h, r, buf)) {
            if (r[record_kind] == construction_contour_map && get_u16(r, contour_map_instance) == c.instance &&
                get_u32(r, record_key) == source_number) {
                r[construction_flags] |= 1;
                buf->clean = 0;
                return get_u32(r, contour_map_target);
            }
        }
    }
    uint32_t number = get_u32(c.df->header, header_contour_counter) + 1;
    if (number >= get_u32(c.df->header, header_dword_92)) {
        show_program_message("Слишком много контуров");
        return 0;
    }
    put_u32(c.df->header, header_contour_counter, number);
    if (c.instance) {
        uint8_t map[number_map_size] = {};
        put_u16(map, record_length, number_map_size);
        put_u32(map, record_key, source_number);
        map[record_kind] = construction_contour_map;
        map[construction_flags] = 1;
        put_u16(map, contour_map_instance, c.instance);
        put_u32(map, contour_map_target, number);
        if (!record_add_at_end(c.df, h, map, buf)) return 0;
    }
    return number;
}

int copy_contours(Copy& c, const std::vector<Bytes>& contours) {
    for (const Bytes& src : contours) {
        if (src.size() < contour_head_size) continue;
        if ((get_u16(src.data(), contour_flags) & contour_flag_kind) == 2) continue;
        Bytes rec(src);
        uint8_t* r = rec.data();
        int members = get_i16(r, contour_member_count);
        if (members < 0 || contour_head_size + 4 * static_cast<size_t>(members) > rec.size()) continue;
        bool lost = false;
        for (int i = 0; i < members; ++i) {
            uint32_t at = contour_members + 4 * static_cast<uint32_t>(i), to = 0;
            if (!c.mapped(number_map_elements, get_u32(r, at), &to)) {
                lost = true;
                break;
            }
            put_u32(r, at, to);
        }
        if (lost) continue;  // a member was not copied: the contour is dropped
        uint32_t from = get_u32(r, contour_number);
        uint32_t number = contour_number_map(c, from);
        if (!number || error_flag) return -1;
        c.contour_map[from] = number;
        put_u32(r, contour_number, number);
        put_u16(r, contour_fragment, c.instance);
        put_u16(r, contour_flags,
                static_cast<uint16_t>(get_u16(r, contour_flags) &
                                      ~(contour_flag_first_chunk | contour_flag_continuation)));
        int16_t level = get_i16(r, contour_level);
        if (level > static_cast<int16_t>(get_u16(c.target, projection_highest_level)))
            put_u16(c.target, projection_highest_level, static_cast<uint16_t>(level));
        ShortName name;
        short_name_decimal(number, &name);
        std::memcpy(r + contour_short_name, name.text, sizeof name.text);
        // Box, perimeter and area follow the copy.
        Point2 a = c.apply(Point2{get_f64(r, contour_box), get_f64(r, contour_box + 8)});
        Point2 b = c.apply(Point2{get_f64(r, contour_box + 16), get_f64(r, contour_box + 24)});
        put_f64(r, contour_box, std::fmin(a.x, b.x));
        put_f64(r, contour_box + 8, std::fmin(a.y, b.y));
        put_f64(r, contour_box + 16, std::fmax(a.x, b.x));
        put_f64(r, contour_box + 24, std::fmax(a.y, b.y));
        double k = std::sqrt(std::fabs(c.m.m0 * c.m.m3 - c.m.m1 * c.m.m2));
        put_f64(r, contour_perimeter, get_f64(r, contour_perimeter) * k);
        put_f64(r, contour_area, get_f64(r, contour_area) * k * k);
        c.apply_float_at(r, contour_area_point);
        put_u16(r, record_length, static_cast<uint16_t>(rec.size() > 0xFFFF ? 0xFFFF : rec.size()));
        if (!contour_record_add(c.df, c.head(projection_contours), r)) return -1;
        ++c.result->contours;
        if (error_flag) return -1;
    }
    return 0;
}

uint32_t mapped_or_zero(const Copy& c, int map, uint32_t from) {
    uint32_t to = 0;
    return from && c.mapped(map, from, &to) ? to : 0;
}

int copy_annotation(Copy& c, const std::vector<Bytes>& records) {
    bool instance = c.req.params != nullptr;
    for (const Bytes& src : records) {
        if (src.size() < 10) continue;
        int kind = src[record_kind];
        if (instance && kind != annotation_dimension_text && kind != annotation_leader &&
            kind != annotation_text_fragment)
            continue;
        Bytes rec(src);
        uint8_t* r = rec.data();
        bool keep = true;
        switch (kind) {
        case annotation_dimension_text: {
            uint32_t dim = 0;
            if (!c.mapped(number_map_dimensions, get_u32(r, record_key), &dim)) {
                keep = false;
                break;
            }
            put_u32(r, record_key, dim);
            if (instance) {
                uint16_t f = get_u16(r, annotation_flags) | annotation_flag_instance;
                if (c.without_dimensions) f |= annotation_flag_without_dimensions;
                if (c.req.mode & fragment_mode_hide_dimensions)
                    f |= annotation_flag_instance | annotation_flag_without_dimensions;
                put_u16(r, annotation_flags, f);
            }
            if (rec.size() >= dimension_text_head)
                for (uint32_t at : {dimension_text_leader1, dimension_text_leader2, dimension_text_leader3,
                                    dimension_text_anchor, dimension_text_anchor2})
                    c.apply_float_at(r, at);
            break;
        }
        case annotation_leader: {
            if (rec.size() < leader_head) {
                keep = false;
                break;
            }
            if (instance) put_u16(r, annotation_fragment, c.instance);
            put_u32(r, annotation_binding, mapped_or_zero(c, number_map_points, get_u32(r, annotation_binding)));
            // The texts keep their place beside the shelf's end.
            float dx, dy;
            c.float_shift(r, leader_point3, &dx, &dy);
            for (uint32_t at : {leader_point1, leader_point2, leader_point3}) c.apply_float_at(r, at);
            for (uint32_t at : {leader_text1, leader_text2}) {
                put_f32(r, at, get_f32(r, at) + dx);
                put_f32(r, at + 4, get_f32(r, at + 4) + dy);
            }
            break;
        }
        case annotation_text_fragment: {
            if (rec.size() < text_fragment_head) {
                keep = false;
                break;
            }
            if (instance) put_u16(r, annotation_fragment, c.instance);
            put_u32(r, annotation_binding, mapped_or_zero(c, number_map_points, get_u32(r, annotation_binding)));
            // The frame moves with its lower left corner; the text keeps its
            // size and direction.
            float dx, dy;
            c.float_shift(r, text_fragment_corner1, &dx, &dy);
            for (uint32_t at : {text_fragment_corner1, text_fragment_corner2, text_fragment_frame1, text_fragment_frame2}) {
                put_f32(r, at, get_f32(r, at) + dx);
                put_f32(r, at + 4, get_f32(r, at + 4) + dy);
            }
            bool horizontal = get_f64(r, text_fragment_angle) == 0.0;
            put_f32(r, text_fragment_baseline, get_f32(r, text_fragment_baseline) + (horizontal ? dy : dx));
            break;
        }
        case annotation_hatching: {
            if (rec.size() < hatching_record_size) {
                keep = false;
                break;
            }
            auto it = c.contour_map.find(get_u32(r, record_key));
            if (it == c.contour_map.end()) {
                keep = false;
                break;
            }
            put_u32(r, record_key, it->second);
            put_u32(r, hatching_binding, mapped_or_zero(c, number_map_points, get_u32(r, hatching_binding)));
            c.apply_float_at(r, hatching_seed);
            break;
        }
        case annotation_section: {
            if (rec.size() < section_nodes) {
                keep = false;
                break;
            }
            // The anchor is a point binding.
            put_u32(r, section_binding, mapped_or_zero(c, number_map_points, get_u32(r, section_binding)));
            for (uint32_t at = section_anchor1; at <= section_anchor4; at += 8) c.apply_float_at(r, at);
            unsigned nodes = r[section_nodes_count];
            for (unsigned i = 0; i < nodes && section_nodes + section_node_size * (i + 1) <= rec.size(); ++i)
                c.apply_float_at(r, section_nodes + section_node_size * i);
            break;
        }
        case annotation_roughness: {
            if (rec.size() < roughness_head) {
                keep = false;
                break;
            }
            uint16_t f = get_u16(r, annotation_flags);
            bool on_dimension = ((f >> 7) & 3) == 0 && ((f >> 9) & 3) != 0;
            if (on_dimension) {
                uint32_t dim = 0;
                if (!c.mapped(number_map_dimensions, get_u32(r, record_key), &dim)) {
                    keep = false;
                    break;
                }
                put_u32(r, record_key, dim);
            }
            c.apply_float_at(r, roughness_tip);
            break;
        }
        case annotation_tolerance: {
            if (rec.size() < tolerance_head) {
                keep = false;
                break;
            }
            uint32_t element = 0;
            if (!c.mapped(number_map_elements, get_u32(r, tolerance_element), &element)) {
                keep = false;
                break;
            }
            put_u32(r, tolerance_element, element);
            for (uint32_t at : {tolerance_frame1, tolerance_frame2, tolerance_leader_target, tolerance_leader_start})
                c.apply_float_at(r, at);
            break;
        }
        default:
            keep = false;
        }
        if (!keep) {
            ++c.result->skipped_annotations;
            continue;
        }
        if (!record_add_at_end(c.df, c.head(projection_annotations), r, &page_buffers[table_annotation])) return -1;
        ++c.result->annotations;
        if (error_flag) return -1;
    }
    return 0;
}

// The smallest bar number from 1 that no bar of the projection uses; 0 when
// all up to 65534 are taken.
uint16_t free_bar_number(DrawingFile* df, uint8_t* projection) {
    std::vector<bool> used(65536, false);
    RecordRef* h = reinterpret_cast<RecordRef*>(projection + projection_construction);
    PageBuffer* buf = &page_buffers[table_construction];
    for (uint8_t* r = record_next(df, h, nullptr, buf); r; r = record_next(df, h, r, buf)) {
        uint16_t len = get_u16(r, record_length);
        if (r[record_kind] == construction_bar && (len == copied_bar_size || len == copied_bar_size_corners))
            used[get_u16(r, copied_bar_number)] = true;
    }
    for (uint32_t n = 1; n <= 65534; ++n)
        if (!used[n]) return static_cast<uint16_t>(n);
    return 0;
}

// A bar under a mirroring copy: the outline on the left of the centre line
// comes out on its right.  Lines, arcs on three points and curves keep their
// run, so the two sides, the caps at either end and the corner pairs change
// places; an arc about a centre has its ends exchanged by the copy and keeps
// its sense, so its sides stay and the start's caps and corners change
// places with the end's.  A circle's inner and outer sides stay as they are.
void mirror_bar(uint8_t* bar, int centre_kind) {
    auto swap_slots = [bar](int a, int b) {
        uint8_t t[copied_bar_slot_size];
        std::memcpy(t, bar + copied_bar_slots + copied_bar_slot_size * a, copied_bar_slot_size);
        std::memmove(bar + copied_bar_slots + copied_bar_slot_size * a, bar + copied_bar_slots + copied_bar_slot_size * b, copied_bar_slot_size);
        std::memcpy(bar + copied_bar_slots + copied_bar_slot_size * b, t, copied_bar_slot_size);
    };
    bool corners = get_u16(bar, record_length) == copied_bar_size_corners;
    auto swap_corners = [bar, corners](int a, int b) {
        if (!corners) return;
        uint32_t t = get_u32(bar, copied_bar_corners + 4 * a);
        put_u32(bar, copied_bar_corners + 4 * a, get_u32(bar, copied_bar_corners + 4 * b));
        put_u32(bar, copied_bar_corners + 4 * b, t);
    };
    if (centre_kind == element_kind_circle) return;
    if (centre_kind == element_kind_arc_centre) {
        swap_slots(0, 2);
        swap_slots(5, 3);
        swap_corners(0, 2);
        swap_corners(1, 3);
        uint16_t f = get_u16(bar, copied_bar_flags);
        uint16_t ends = copied_bar_corners_start | copied_bar_corners_end | copied_bar_lengthen_start | copied_bar_lengthen_end;
        uint16_t swapped = static_cast<uint16_t>(((f & copied_bar_corners_start) ? copied_bar_corners_end : 0) |
                                                 ((f & copied_bar_corners_end) ? copied_bar_corners_start : 0) |
                                                 ((f & copied_bar_lengthen_start) ? copied_bar_lengthen_end : 0) |
                                                 ((f & copied_bar_lengthen_end) ? copied_bar_lengthen_start : 0));
        put_u16(bar, copied_bar_flags, static_cast<uint16_t>((f & ~ends) | swapped));
        return;
    }
    swap_slots(1, 4);
    swap_slots(0, 5);
    swap_slots(2, 3);
    swap_corners(0, 1);
    swap_corners(2, 3);
}

// The bars of the copied centre elements, for a new instance: each bar
// copy follows the copy of its centre element, keeps its partners of the
// same bar number together under a number free in the target, takes a
// serial of its own from the fragment counter, and has its outline
// elements and corner points renumbered (the copies of the fragment's
// outlines keep their numbers, so contours along them stay whole).  The
// target's bars are then built again.
int copy_bars(Copy& c, const std::vector<Bytes>& construction, const std::vector<Bytes>& elements,
              bool same_drawing) {
    std::map<uint32_t, int> centres;  // source element number -> its kind
    for (const Bytes& e : elements) {
        if (e.size() < element_head_size) continue;
        uint32_t to = 0;
        if ((get_u16(e.data(), element_options) & element_opt_bar_centre_line) &&
            c.mapped(number_map_elements, get_u32(e.data(), element_number), &to))
            centres[get_u32(e.data(), element_number)] = element_kind(e.data());
    }
    if (centres.empty()) return 0;
    std::map<uint16_t, uint16_t> copied_bar_numbers;  // source bar number -> target's
    int copied = 0;
    for (const Bytes& src : construction) {
        uint16_t len = get_u16(src.data(), record_length);
        if (src[record_kind] != construction_bar || (len != copied_bar_size && len != copied_bar_size_corners) ||
            src.size() < len)
            continue;
        auto centre = centres.find(get_u32(src.data(), copied_bar_element));
        if (centre == centres.end()) continue;
        Bytes rec(src.begin(), src.begin() + len);
        uint8_t* r = rec.data();
        uint32_t element = 0;
        c.mapped(number_map_elements, centre->first, &element);
        put_u32(r, copied_bar_element, element);
        uint16_t from_number = get_u16(r, copied_bar_number);
        auto bn = copied_bar_numbers.find(from_number);
        uint16_t number = 0;
        if (bn != copied_bar_numbers.end()) {
            number = bn->second;
        } else {
            number = free_bar_number(c.df, c.target);
            if (!number) {
                show_program_message("Свободных номеров брусков не осталось");
                error_flag = 1;
                return -1;
            }
            copied_bar_numbers[from_number] = number;
        }
        put_u16(r, copied_bar_number, number);
        uint16_t counter = get_u16(c.target, projection_fragment_counter);
        if (counter >= 65535) {
            show_program_message(text_fragment_counter_full);
            error_flag = 1;
            return -1;
        }
        put_u16(c.target, projection_fragment_counter, static_cast<uint16_t>(counter + 1));
        put_u16(r, copied_bar_serial, static_cast<uint16_t>(counter + 1));
        put_u16(r, copied_bar_flags, static_cast<uint16_t>(get_u16(r, copied_bar_flags) & ~(copied_bar_built | copied_bar_has_element)));
        // A model variable of another drawing means nothing here.
        if (!same_drawing) put_u16(r, copied_bar_variable, 0);
        for (int s = 0; s < 6; ++s) {
            uint32_t at = copied_bar_slots + copied_bar_slot_size * static_cast<uint32_t>(s);
            uint32_t from = get_u32(r, at), to = 0;
            if (!(from && c.mapped(number_map_elements, from, &to))) {
                to = element_number_alloc();
                if (!to || error_flag) {
                    error_flag = 1;
                    return -1;
                }
            }
            put_u32(r, at, to);
        }
        if (len == copied_bar_size_corners)
            for (int k = 0; k < 4; ++k) put_u32(r, copied_bar_corners + 4 * k, mapped_or_zero(c, number_map_points, get_u32(r, copied_bar_corners + 4 * k)));
        if (c.mirrored) mirror_bar(r, centre->second);
        if (!record_add_at_end(c.df, c.head(projection_construction), r, &page_buffers[table_construction])) return -1;
        if (error_flag) return -1;
        ++copied;
    }
    c.result->bars = copied;
    if (copied && fragment_shell.rebuild_bars(c.df, c.target) < 0) return -1;
    return 0;
}

// Writes the maps back as number-map records; reserved numbers that this
// insertion did not use go back to their pools.
int write_number_maps(Copy& c) {
    for (int kind = number_map_dimensions; kind <= number_map_objects; ++kind) {
        for (const auto& e : c.maps[kind]) {
            if (!e.second.used) {
                if (e.second.reserved && kind == number_map_points && !target_has_point(c, e.second.target))
                    point_number_release(e.second.target);
                if (e.second.reserved && kind == number_map_elements && target_element_instance(c, e.second.target) < 0)
                    element_number_release(e.second.target);
                continue;
            }
            uint8_t rec[number_map_size] = {};
            put_u16(rec, record_length, number_map_size);
            put_u32(rec, record_key, e.first);
            rec[record_kind] = construction_number_map;
            rec[construction_flags] = static_cast<uint8_t>(kind);
            put_u32(rec, number_map_target, e.second.target);
            put_u16(rec, number_map_instance, c.instance);
            if (!record_add_at_end(c.df, c.head(projection_construction), rec, &page_buffers[table_construction]))
                return -1;
        }
    }
    return 0;
}

}  // namespace

std::vector<ElementPlace> fragment_element_places(const uint8_t* rec) {
    std::vector<ElementPlace> out;
    uint32_t len = get_u16(rec, record_length);
    int kind = element_kind(rec);
    auto fixed = [&](int count, uint32_t coords) {
        if (coords + 16u * static_cast<uint32_t>(count) > len) return;
        for (int i = 0; i < count; ++i)
            out.push_back({element_points + 4u * static_cast<uint32_t>(i), coords + 16u * static_cast<uint32_t>(i)});
    };
    switch (kind) {
    case element_kind_segment:
    case element_kind_circle:
    case element_kind_break: fixed(2, element_coords2); break;
    case element_kind_arc_centre:
    case element_kind_arc_points:
    case element_kind_wavy:
    case element_kind_ellipse: fixed(3, element_coords3); break;
    case element_kind_bezier: fixed(4, element_coords4); break;
    case element_kind_elliptic_arc: fixed(5, element_coords5); break;
    case element_kind_curve: {
        int n = get_i16(rec, curve_count);
        for (int i = 0; i < n; ++i) {
            uint32_t at = curve_vertices + curve_vertex_size * static_cast<uint32_t>(i);
            if (at + curve_vertex_y + 8 > len) break;
            out.push_back({at + curve_vertex_point, at + curve_vertex_x});
            if (at + curve_vertex_through_y + 8 <= len) out.push_back({0, at + curve_vertex_through_x});
        }
        break;
    }
    case element_kind_symbol: {
        int n = get_u16(rec, element_symbol_count);
        for (int i = 0; i < n; ++i) {
            uint32_t at = element_symbol_items + element_symbol_item_size * static_cast<uint32_t>(i);
            if (at + element_symbol_item_size > len) break;
            out.push_back({at, at + 4});
        }
        break;
    }
    default: break;
    }
    return out;
}

int insert_fragment_records(DrawingFile* target_df, uint8_t* target, const uint8_t* source, DrawingFile* source_df,
                            const FragmentCopyRequest& request, FragmentCopyResult* result) {
    FragmentCopyResult local;
    if (!result) result = &local;
    *result = FragmentCopyResult{};
    if (!target_df || !target || !source || !source_df) return -1;
    Copy c{target_df, target, request, result, {}, false, 0, false, {}, {}};
    if (request.placement) {
        c.m = request.placement->matrix;
        c.mirrored = request.placement->mirror < 0;
    } else {
        c.m = AffineMatrix{1, 0, 0, 1, 0, 0, 0};
    }
    c.without_dimensions = (request.mode & fragment_mode_without_dimensions) != 0;

    // Everything of the source is read before anything is written.
    Bytes source_copy(source, source + get_u16(source, record_length));
    std::vector<Bytes> points = snapshot(source_df, source_copy.data(), projection_points, table_points);
    std::vector<Bytes> elements = snapshot(source_df, source_copy.data(), projection_elements, table_elements);
    std::vector<Bytes> dimensions = snapshot(source_df, source_copy.data(), projection_dimensions, table_dimensions);
    std::vector<Bytes> links = snapshot(source_df, source_copy.data(), projection_links, table_links);
    std::vector<Bytes> annotation = snapshot(source_df, source_copy.data(), projection_annotations, table_annotation);
    std::vector<Bytes> contours = snapshot_contours(source_df, source_copy.data());
    std::vector<Bytes> construction =
        request.params ? snapshot(source_df, source_copy.data(), projection_construction, table_construction)
                       : std::vector<Bytes>();
    if (error_flag) return -1;

    if (request.params) {
        if (request.reinsert && request.params->instance) {
            c.instance = request.params->instance;
        } else {
            uint16_t counter = get_u16(target, projection_fragment_counter);
            if (counter >= 65535) {
                show_program_message(text_fragment_counter_full);
                error_flag = 1;
                return -1;
            }
            c.instance = static_cast<uint16_t>(counter + 1);
            put_u16(target, projection_fragment_counter, c.instance);
        }
        result->instance = c.instance;
        read_number_maps(c);
        if (error_flag) return -1;
    }
    if (copy_points(c, points) || copy_elements(c, elements) || copy_dimensions(c, dimensions) ||
        copy_links(c, links) || copy_contours(c, contours) || copy_annotation(c, annotation))
        return -1;
    if (request.params && copy_bars(c, construction, elements, source_df == target_df)) return -1;
    if (request.params && write_number_maps(c)) return -1;
    projection_compute_extents(target, 0);
    if (result->contours) rebuild_view_screening(target);
    return error_flag ? -1 : 0;
}

uint32_t fragment_point_find_or_add(DrawingFile* df, uint8_t* target, Point2 at, const FragmentInsertParams* params,
                                    uint16_t instance) {
    if (!df || !target) return 0;
    RecordRef* head = reinterpret_cast<RecordRef*>(target + projection_points);
    PageBuffer* buf = &page_buffers[table_points];
    for (uint8_t* r = record_next(df, head, nullptr, buf); r; r = record_next(df, head, r, buf)) {
        if (get_u16(r, record_length) < point_record_size) continue;
        if (compare_doubles(get_f64(r, point_sketch_x), at.x) != 0 || compare_doubles(get_f64(r, point_sketch_y), at.y) != 0)
            continue;
        uint32_t number = get_u32(r, point_number);
        // A binding point that another instance brought now belongs to the
        // target itself, so removing that instance leaves it standing.
        bool binding = false;
        for (int i = 0; params && i < params->target_count && i < 3; ++i)
            if (params->target_points[i] == number) binding = true;
        uint16_t owner = get_u16(r, point_fragment);
        if (binding && owner != 0 && owner != instance) {
            put_u16(r, point_fragment, 0);
            buf->clean = 0;
        }
        return number;
    }
    uint32_t number = point_number_alloc();
    if (!number || error_flag) {
        error_flag = 1;
        return 0;
    }
    uint8_t rec[point_record_size] = {};
    put_u16(rec, record_length, point_record_size);
    put_u32(rec, point_number, number);
    put_point2(rec, point_sketch_x, at);
    put_point2(rec, point_true_x, at);
    put_u16(rec, point_fragment, instance);
    if (get_u16(df->header, header_options) & header_opt_point_numbers) put_u16(rec, point_flags, point_flag_show_number);
    if (!record_add_at_end(df, head, rec, buf)) return 0;
    return number;
}

int insert_marked_elements(DrawingFile* target_df, uint8_t* target, const uint8_t* source, DrawingFile* source_df,
                           const FragmentPlacement* placement, const FragmentInsertParams* params,
                           FragmentCopyResult* result) {
    FragmentCopyResult local;
    if (!result) result = &local;
    *result = FragmentCopyResult{};
    if (!target_df || !target || !source || !source_df) return -1;
    AffineMatrix m = placement ? placement->matrix : AffineMatrix{1, 0, 0, 1, 0, 0, 0};
    bool mirrored = placement && placement->mirror < 0;
    Bytes source_copy(source, source + get_u16(source, record_length));
    std::vector<Bytes> all = snapshot(source_df, source_copy.data(), projection_elements, table_elements);
    if (error_flag) return -1;
    std::vector<bool> take(all.size(), false);
    for (size_t i = 0; i < all.size(); ++i) {
        const Bytes& e = all[i];
        if (e.size() < element_head_size) continue;
        uint16_t flags = get_u16(e.data(), element_flags);
        if (!(flags & element_flag_marked) || (flags & element_flags_not_copied)) continue;
        if (!element_kind_valid(element_kind(e.data()))) continue;
        take[i] = true;
    }
    // A marked curve image stands for its wavy line, ellipse, elliptic arc
    // or Bezier spline of the same number, which comes along even when it
    // is not marked itself.  An image without that partner means a damaged
    // drawing: reported, and nothing copied.
    for (size_t i = 0; i < all.size(); ++i) {
        if (!take[i] || !(get_u16(all[i].data(), element_options) & element_opt_image)) continue;
        uint32_t number = get_u32(all[i].data(), element_number);
        bool found = false;
        for (size_t j = 0; j < all.size() && !found; ++j) {
            const uint8_t* q = all[j].data();
            if (all[j].size() < element_head_size || get_u32(q, element_number) != number ||
                (get_u16(q, element_options) & element_opt_image) || (get_u16(q, element_flags) & element_flags_not_copied))
                continue;
            int kind = element_kind(q);
            if (kind == element_kind_wavy || kind == element_kind_elliptic_arc || kind == element_kind_ellipse ||
                kind == element_kind_bezier) {
                take[j] = true;
                found = true;
            }
        }
        if (!found) {
            error_stack_push(text_marked_partner_missing);
            report_document_failure(source_df);
            return -1;
        }
    }
    std::vector<Bytes> marked;
    for (size_t i = 0; i < all.size(); ++i)
        if (take[i]) marked.push_back(std::move(all[i]));
    if (marked.empty()) return 0;
    uint16_t counter = get_u16(target, projection_fragment_counter);
    if (counter >= 65535) {
        show_program_message(text_fragment_counter_full);
        error_flag = 1;
        return -1;
    }
    uint16_t instance = static_cast<uint16_t>(counter + 1);
    put_u16(target, projection_fragment_counter, instance);
    result->instance = instance;
    RecordRef* elements = reinterpret_cast<RecordRef*>(target + projection_elements);
    std::set<uint32_t> points_before;
    for (Bytes& rec : marked) {
        uint8_t* r = rec.data();
        for (const ElementPlace& p : fragment_element_places(r)) {
            Point2 at;
            Point2 from = get_point2(r, p.coords);
            affine_apply(&at, &m, from.x, from.y);
            put_point2(r, p.coords, at);
            if (!p.number || !get_u32(r, p.number)) continue;
            uint32_t n = fragment_point_find_or_add(target_df, target, at, params, instance);
            if (!n) {
                error_flag = 1;
                return -1;
            }
            put_u32(r, p.number, n);
        }
        if (element_kind(r) == element_kind_arc_centre && mirrored) {
            uint32_t a = get_u32(r, element_points), b = get_u32(r, element_points + 4);
            put_u32(r, element_points, b);
            put_u32(r, element_points + 4, a);
            Point2 pa = get_point2(r, element_coords3), pb = get_point2(r, element_coords3 + 16);
            put_point2(r, element_coords3, pb);
            put_point2(r, element_coords3 + 16, pa);
        }
        uint32_t number = element_number_alloc();
        if (!number || error_flag) {
            error_flag = 1;
            return -1;
        }
        put_u32(r, element_number, number);
        put_u16(r, element_fragment, instance);
        uint16_t flags = get_u16(r, element_flags);
        put_u16(r, element_flags, static_cast<uint16_t>(flags & ~(element_flag_screened | element_flag_marked)));
        put_u16(r, element_options,
                static_cast<uint16_t>(get_u16(r, element_options) & ~(element_opt_layer | element_opt_bar_centre_line)));
        if (!record_add_at_end(target_df, elements, r, &page_buffers[table_elements])) return -1;
        ++result->elements;
        if (error_flag) return -1;
    }
    projection_compute_extents(target, 0);
    if (get_u32(target, projection_contours)) rebuild_view_screening(target);
    return error_flag ? -1 : 0;
}

void remove_dimension_records(DrawingFile* df, uint8_t* projection, uint32_t dimension_number) {
    RecordRef* annotations = reinterpret_cast<RecordRef*>(projection + projection_annotations);
    PageBuffer* abuf = &page_buffers[table_annotation];
    // Roughness signs on its extension lines, then its label.
    for (;;) {
        uint8_t* hit = nullptr;
        for (uint8_t* r = record_next(df, annotations, nullptr, abuf); r; r = record_next(df, annotations, r, abuf)) {
            if (get_u32(r, record_key) != dimension_number) continue;
            uint16_t f = get_u16(r, annotation_flags);
            if (r[record_kind] == annotation_dimension_text ||
                (r[record_kind] == annotation_roughness && ((f >> 7) & 3) == 0 && ((f >> 9) & 3) != 0)) {
                hit = r;
                break;
            }
        }
        if (!hit) break;
        record_delete(df, annotations, record_ref_of(abuf, hit), abuf);
        if (error_flag) return;
    }
    RecordRef* dims = reinterpret_cast<RecordRef*>(projection + projection_dimensions);
    record_delete_key(df, dims, dimension_number, &page_buffers[table_dimensions]);
    RecordRef* links = reinterpret_cast<RecordRef*>(projection + projection_links);
    PageBuffer* lbuf = &page_buffers[table_links];
    for (;;) {
        uint8_t* hit = nullptr;
        for (uint8_t* r = record_next(df, links, nullptr, lbuf); r; r = record_next(df, links, r, lbuf))
            if (get_u32(r, link_dimension) == dimension_number) {
                hit = r;
                break;
            }
        if (!hit) break;
        record_delete(df, links, record_ref_of(lbuf, hit), lbuf);
        if (error_flag) return;
    }
}
