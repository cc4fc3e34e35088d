// The dimension network between the drawing store and memory, and the
// applying of construction results to the record copies.
#include "stages/dimensions/network_store.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/units_scale.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace {

// Copies every record of one chain of the projection.
bool load_chain(DrawingFile* df, const unsigned char* projection, int head_offset, int table,
                std::vector<std::vector<uint8_t>>* out) {
    RecordRef head = get_u32(projection, head_offset);
    PageBuffer* buf = &page_buffers[table];
    for (unsigned char* r = record_next(df, &head, nullptr, buf); r; r = record_next(df, &head, r, buf)) {
        uint16_t len = get_u16(r, 0);
        if (len < 6) return false;
        out->emplace_back(r, r + len);
    }
    return !error_flag;
}

// Calls put(record, copy) for every record of the chain that has a copy of
// the same number; marks the buffer changed when put changed something.
template <typename Put>
bool store_chain(DrawingFile* df, const unsigned char* projection, int head_offset, int table,
                 const std::vector<std::vector<uint8_t>>& copies, Put put) {
    std::unordered_map<uint32_t, const std::vector<uint8_t>*> by_number;
    for (const std::vector<uint8_t>& c : copies)
        if (c.size() >= 6) by_number[get_u32(c.data(), 2)] = &c;
    RecordRef head = get_u32(projection, head_offset);
    PageBuffer* buf = &page_buffers[table];
    for (unsigned char* r = record_next(df, &head, nullptr, buf); r; r = record_next(df, &head, r, buf)) {
        auto it = by_number.find(get_u32(r, 2));
        if (it == by_number.end()) continue;
        if (put(r, *it->second)) buf->clean = 0;
    }
    return !error_flag;
}

}  // namespace

bool network_load(DrawingFile* df, const unsigned char* projection, NetworkRecords* out) {
    *out = NetworkRecords();
    if (!df || !projection) return false;
    uint16_t len = get_u16(projection, 0);
    out->projection.assign(projection, projection + std::max<uint16_t>(len, projection_record_head));
    if (out->projection.size() < 120) out->projection.resize(120, 0);
    if (df->header) {
        out->unit_index = get_u16(df->header, header_length_unit);
        out->coinciding_check = (df->header[113] & 0x04) != 0;
    }
    out->has_elements = get_u32(projection, projection_elements) != 0;
    return load_chain(df, projection, projection_dimensions, table_dimensions, &out->dimensions) &&
           load_chain(df, projection, projection_points, table_points, &out->points) &&
           load_chain(df, projection, projection_links, table_links, &out->links);
}

bool network_store_back(DrawingFile* df, const unsigned char* projection, const NetworkRecords& rec) {
    if (!df || !projection) return false;
    bool ok = store_chain(df, projection, projection_dimensions, table_dimensions, rec.dimensions,
                          [](unsigned char* r, const std::vector<uint8_t>& c) {
                              if (get_u16(r, 0) < dimension_state + 2 || c.size() < dimension_state + 2) return false;
                              uint16_t v = get_u16(c.data(), dimension_state);
                              if (get_u16(r, dimension_state) == v) return false;
                              put_u16(r, dimension_state, v);
                              return true;
                          });
    if (!ok) return false;
    return store_chain(df, projection, projection_points, table_points, rec.points,
                       [](unsigned char* r, const std::vector<uint8_t>& c) {
                           if (get_u16(r, 0) < point_record_size || c.size() < point_record_size) return false;
                           if (std::equal(r + point_flags, r + point_flags + 2, c.begin() + point_flags) &&
                               std::equal(r + point_true_x, r + point_true_y + 8, c.begin() + point_true_x))
                               return false;
                           put_u16(r, point_flags, get_u16(c.data(), point_flags));
                           put_f64(r, point_true_x, get_f64(c.data(), point_true_x));
                           put_f64(r, point_true_y, get_f64(c.data(), point_true_y));
                           return true;
                       });
}

int apply_construction_results(NetworkRecords& rec, const Network& net, int result,
                               const std::vector<Point2>& aux_crossings) {
    // A stopped run leaves the previous true image as it was.
    if (result < 0 || net.points.empty()) return -1;

    // 1. Fillet points: every point linked to a fillet dimension.
    std::vector<uint32_t> fillet_dims;
    for (const std::vector<uint8_t>& d : rec.dimensions)
        if (d.size() >= dimension_kind_word + 2 && (get_u16(d.data(), dimension_kind_word) & 0x1F) == 5)
            fillet_dims.push_back(get_u32(d.data(), dimension_number));
    std::vector<uint32_t> fillet_points;
    for (const std::vector<uint8_t>& l : rec.links)
        if (l.size() >= link_record_size &&
            std::find(fillet_dims.begin(), fillet_dims.end(), get_u32(l.data(), link_dimension)) != fillet_dims.end())
            fillet_points.push_back(get_u32(l.data(), link_point));

    // 2. The anchor: an origin point, a point where auxiliary lines cross,
    // else the smallest-numbered characteristic point of the dimensions.
    int anchor = -1;
    for (size_t i = 0; i < net.points.size() && anchor < 0; ++i)
        if (net.points[i].flags & PN_ORIGIN) anchor = static_cast<int>(i);
    // The origin search follows the chain order of the records.
    if (anchor >= 0) {
        int best_record = net.points[anchor].record;
        for (size_t i = 0; i < net.points.size(); ++i)
            if ((net.points[i].flags & PN_ORIGIN) && net.points[i].record < best_record) {
                best_record = net.points[i].record;
                anchor = static_cast<int>(i);
            }
    }
    const double tol = 0.0004848;
    for (size_t c = 0; c < aux_crossings.size() && anchor < 0; ++c)
        for (size_t i = 0; i < net.points.size(); ++i) {
            const PointNode& p = net.points[i];
            if (std::fabs(p.sketch_x - aux_crossings[c].x) <= tol && std::fabs(p.sketch_y - aux_crossings[c].y) <= tol) {
                anchor = static_cast<int>(i);
                break;
            }
        }
    if (anchor < 0) {
        for (const DimensionNode& d : net.dimensions) {
            if (d.derived) continue;
            int p = -1;
            if (dimension_is_linear(d) && !d.points[ROLE_SECOND].empty()) p = d.points[ROLE_SECOND][0];
            else if (dimension_is_linear(d) && !d.points[ROLE_FIRST].empty()) p = d.points[ROLE_FIRST][0];
            else if (!d.points[ROLE_CENTRE].empty()) p = d.points[ROLE_CENTRE][0];
            if (p >= 0 && (anchor < 0 || net.points[p].number < net.points[anchor].number)) anchor = p;
        }
    }

    // 3. One common offset that keeps the anchor (else the first point) at
    // its stored true position: running construction again on an unchanged
    // drawing moves nothing.
    const PointNode& a = net.points[anchor >= 0 ? anchor : 0];
    const std::vector<uint8_t>& arec = rec.points[a.record];
    double dx = get_f64(arec.data(), point_true_x) - a.x;
    double dy = get_f64(arec.data(), point_true_y) - a.y;

    for (const PointNode& p : net.points) {
        std::vector<uint8_t>& r = rec.points[p.record];
        put_f64(r.data(), point_true_x, p.x + dx);
        put_f64(r.data(), point_true_y, p.y + dy);
        // 4. Flags 10 (fillet) and 8 (dimensioned and shown).
        uint16_t f = get_u16(r.data(), point_flags);
        bool fillet = std::find(fillet_points.begin(), fillet_points.end(), p.number) != fillet_points.end();
        f = static_cast<uint16_t>(fillet ? (f | 0x0400) : (f & ~0x0400));
        if (result == 0) {
            bool shown = false;
            for (int di : p.dimensions) shown = shown || !net.dimensions[di].not_shown;
            if (shown) f |= 0x0100;
        }
        put_u16(r.data(), point_flags, f);
    }
    return anchor;
}

bool measure_dimension_record(const NetworkRecords& rec, size_t dimension, double* value) {
    *value = 0;
    if (dimension >= rec.dimensions.size()) return false;
    const std::vector<uint8_t>& d = rec.dimensions[dimension];
    if (d.size() < dimension_record_size - 2) return false;
    uint32_t number = get_u32(d.data(), dimension_number);
    int kind = get_u16(d.data(), dimension_kind_word) & 0x1F;
    int mode = (get_u16(d.data(), dimension_kind_word) >> 5) & 7;
    auto position = [&rec](uint32_t point, Point2* out) {
        for (const std::vector<uint8_t>& p : rec.points)
            if (p.size() >= point_record_size && get_u32(p.data(), point_number) == point) {
                out->x = get_f64(p.data(), point_true_x);
                out->y = get_f64(p.data(), point_true_y);
                return true;
            }
        return false;
    };
    // The first point of each role, in link chain order.
    uint32_t first[4] = {0, 0, 0, 0};
    for (const std::vector<uint8_t>& l : rec.links) {
        if (l.size() < link_record_size || get_u32(l.data(), link_dimension) != number) continue;
        uint16_t role = get_u16(l.data(), link_role);
        if ((role & 0x000C) || !(role & 3)) continue;
        if (!first[role & 3]) first[role & 3] = get_u32(l.data(), link_point);
    }
    const double pi = 3.14159265358979323846;
    Point2 p1{0, 0}, p2{0, 0}, c{0, 0};
    bool has1 = first[1] && position(first[1], &p1);
    bool has2 = first[2] && position(first[2], &p2);
    bool hasc = first[3] && position(first[3], &c);
    double m = 0;
    bool linear = kind == 0 || kind == 6 || (kind == 2 && (has2 || !hasc));
    if (linear) {
        if (!has1 || !has2) return false;
        double f = 0;
        if (mode == 1) f = -pi / 2;
        else if (mode >= 2) {
            Point2 a1{0, 0}, a2{0, 0};
            if (!position(get_u32(d.data(), dimension_axis_point1), &a1) ||
                !position(get_u32(d.data(), dimension_axis_point2), &a2))
                return false;
            if (a1.x == a2.x && a1.y == a2.y) return false;
            double a = std::atan2(a2.y - a1.y, a2.x - a1.x);
            f = mode == 2 ? a : a - pi / 2;
        }
        m = (p2.x - p1.x) * std::cos(f) + (p2.y - p1.y) * std::sin(f);
    } else if (kind == 1 || kind == 2) {
        if (!has1 || !hasc) return false;
        m = std::hypot(p1.x - c.x, p1.y - c.y) * (kind == 2 ? 2 : 1);
    } else if (kind == 3 || kind == 4) {
        if (!has1 || !has2 || !hasc) return false;
        double u = std::atan2(p1.y - c.y, p1.x - c.x) - std::atan2(p2.y - c.y, p2.x - c.x);
        u = std::remainder(u, 2 * pi);
        m = kind == 3 ? u : u * std::hypot(p1.x - c.x, p1.y - c.y);
    } else {
        return false;
    }
    if (kind != 3) {
        double unit = rec.unit_index >= 0 && rec.unit_index < LENGTH_UNIT_COUNT ? length_unit_mm[rec.unit_index] : 1.0;
        double scale = rec.projection.size() >= 120 ? projection_scale_checked(rec.projection.data()) : 1.0;
        m /= unit * scale;
    }
    if (!std::isfinite(m)) return false;
    *value = m;
    return true;
}
