// Projection checks before construction: the dimension and point nodes of
// one projection, built from copies of its records and checked for defects
// that the solver cannot work with.
#include "stages/dimensions/dimension_network.h"

#include "base/byte_order.h"
#include "geometry/dimension_text.h"
#include "geometry/units_scale.h"
#include "store/record_layouts.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace {

const char* const kNoDimensions = "В проекции не заданы размеры";
const char* const kStructure = "$в структуре данных";
const char* const kBadData = "Недопустимые данные или неправильно описан размер";
const char* const kMarkedFollowUp = "...для размера, отмеченного в списке";
const char* const kWrongDimension = "...не правильно задан размер ";
const char* const kOutsidePoints = "Имеются точки вне размерной сети";
const char* const kCoinciding = "Имеются точки, визуально совпадающие на эскизе";

constexpr uint16_t kStateErrorMark = 0x0020;

// Length factor of the drawing's unit; an index outside the table gives 1.
double unit_factor(int unit_index) {
    if (unit_index < 0 || unit_index >= LENGTH_UNIT_COUNT) return 1.0;
    return length_unit_mm[unit_index];
}

// A dimension's nominal in model units: lengths times the unit factor and
// the projection scale; angles and kinds above 6 unchanged.
double node_value(const NetworkRecords& r, double nominal, int kind) {
    if (kind == DIM_ANGLE || kind > DIM_LEVEL) return nominal;
    double scale = r.projection.size() >= 120 ? projection_scale_checked(r.projection.data()) : 1.0;
    return nominal * unit_factor(r.unit_index) * scale;
}

bool contains(const std::vector<int>& v, int x) {
    return std::find(v.begin(), v.end(), x) != v.end();
}

// The error line for a dimension named in the list: counted line, the
// record's error mark, the follow-up line.
void marked_error(Network& net, DimensionNode& d, const char* text) {
    network_line(net, text, true);
    mark_dimension_record(net, d);
    network_line(net, kMarkedFollowUp, false);
}

double angle_0_2pi(double a) {
    const double two_pi = 6.28318530717958647692;
    a = std::fmod(a, two_pi);
    if (a < 0) a += two_pi;
    return a;
}

}  // namespace

bool dimension_is_linear(const DimensionNode& d) {
    return d.kind == DIM_LINEAR || (d.kind == DIM_DIAMETER && !d.points[ROLE_SECOND].empty());
}

bool dimension_is_radial(const DimensionNode& d) {
    return d.kind == DIM_RADIUS || (d.kind == DIM_DIAMETER && d.points[ROLE_SECOND].empty());
}

bool dimension_is_angular(const DimensionNode& d) {
    return d.kind == DIM_ANGLE || d.kind == DIM_ARC_LENGTH;
}

std::string dimension_node_description(const Network& net, const DimensionNode& d) {
    if (!net.records || d.record < 0 || d.record >= static_cast<int>(net.records->dimensions.size()))
        return std::string();
    const std::vector<uint8_t>& rec = net.records->dimensions[d.record];
    if (rec.size() < dimension_record_size - 2) return std::string();
    char buf[260];
    describe_dimension(buf, sizeof buf, rec.data());
    return buf;
}

void mark_dimension_record(Network& net, const DimensionNode& d) {
    if (!net.records || d.record < 0 || d.record >= static_cast<int>(net.records->dimensions.size()))
        return;
    std::vector<uint8_t>& rec = net.records->dimensions[d.record];
    put_u16(rec.data(), dimension_state, get_u16(rec.data(), dimension_state) | kStateErrorMark);
}

void network_line(Network& net, const char* text, bool counted) {
    NetworkLine line;
    line.text = text;
    line.counted = counted;
    net.lines.push_back(line);
    if (counted) ++net.error_count;
}

int check_projection_network(NetworkRecords& records, Network& net, const CheckOptions& options) {
    // 1. Fresh lists for this call.
    net = Network();
    net.records = &records;

    // 2. Only projections that need and allow automatic construction.
    if (records.projection.size() < 102) return NETWORK_NOT_CONSTRUCTED;
    uint16_t pflags = get_u16(records.projection.data(), projection_flags);
    if ((pflags & 0x0400) || !(pflags & 0x0200) || (pflags & 0x000F) == 9)
        return NETWORK_NOT_CONSTRUCTED;

    // 3. Dimension nodes, newest record first.
    bool any_symmetric = false;
    for (size_t i = 0; i < records.dimensions.size(); ++i) {
        std::vector<uint8_t>& rec = records.dimensions[i];
        if (rec.size() < dimension_record_size - 2) continue;
        uint16_t state = get_u16(rec.data(), dimension_state);
        if (!options.keep_error_marks) {
            state &= static_cast<uint16_t>(~kStateErrorMark);
            put_u16(rec.data(), dimension_state, state);
        }
        if (state & (0x0001 | 0x0004 | 0x0040)) continue;
        DimensionNode d;
        d.number = get_u32(rec.data(), dimension_number);
        d.record = static_cast<int>(i);
        d.axis_number[0] = get_u32(rec.data(), dimension_axis_point1);
        d.axis_number[1] = get_u32(rec.data(), dimension_axis_point2);
        uint16_t kw = get_u16(rec.data(), dimension_kind_word);
        uint16_t vw = get_u16(rec.data(), dimension_value_word);
        d.kind = kw & 0x1F;
        d.mode = (kw >> 5) & 7;
        d.comparison = (vw >> 8) & 7;
        d.not_shown = (vw & 0x0008) != 0;
        d.shaft = (vw & 0x1000) != 0;
        d.value = node_value(records, get_f64(rec.data(), dimension_nominal), d.kind);
        if (d.mode == 4) any_symmetric = true;
        net.dimensions.push_back(d);
    }
    std::reverse(net.dimensions.begin(), net.dimensions.end());

    // 4. Nothing to construct.
    if (records.dimensions.empty()) {
        bool bare = (records.projection[101] & 1) != 0 || !records.has_elements;
        if (bare) return NETWORK_NOT_CONSTRUCTED;
    } else if (net.dimensions.empty()) {
        return NETWORK_NOT_CONSTRUCTED;
    }

    // 5. Point nodes, newest first; axis points attached by number.
    std::unordered_map<uint32_t, int> point_by_number;
    std::unordered_set<uint64_t> pixels;
    bool coinciding = false;
    std::vector<PointNode> points;
    for (size_t i = 0; i < records.points.size(); ++i) {
        std::vector<uint8_t>& rec = records.points[i];
        if (rec.size() < point_record_size) continue;
        uint16_t f = get_u16(rec.data(), point_flags);
        if (f & point_flag_hidden) continue;
        f &= static_cast<uint16_t>(~(0x0010 | 0x0FC0));
        put_u16(rec.data(), point_flags, f);
        if (f & (point_flag_control | point_flag_no_dimension)) continue;
        PointNode p;
        p.number = get_u32(rec.data(), point_number);
        p.record = static_cast<int>(i);
        p.sketch_x = p.x = get_f64(rec.data(), point_sketch_x);
        p.sketch_y = p.y = get_f64(rec.data(), point_sketch_y);
        if (f & point_flag_origin) p.flags |= PN_ORIGIN;
        if (records.coinciding_check && !options.message_box_mode && options.pixel_of) {
            long px = 0, py = 0;
            options.pixel_of(p.sketch_x, p.sketch_y, &px, &py);
            uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(px)) << 32) |
                           static_cast<uint32_t>(py);
            if (!pixels.insert(key).second) {
                put_u16(rec.data(), point_flags, f | point_flag_big_mark);
                coinciding = true;
            }
        }
        points.push_back(p);
    }
    std::reverse(points.begin(), points.end());
    net.points = points;
    for (size_t i = 0; i < net.points.size(); ++i) point_by_number[net.points[i].number] = static_cast<int>(i);
    for (DimensionNode& d : net.dimensions)
        for (int a = 0; a < 2; ++a) {
            auto it = point_by_number.find(d.axis_number[a]);
            if (it != point_by_number.end()) d.axis_node[a] = it->second;
        }

    // 6. Points but no dimension: the user has not dimensioned the view.
    if (net.dimensions.empty()) {
        network_line(net, kNoDimensions, true);
        return NETWORK_ERROR;
    }

    // 7. Axis points of modes 2-4. A number that names no point record is a
    // damaged structure; a point the user hid, made a control point or
    // barred from dimensions is the user's error and names the dimension.
    std::unordered_set<uint32_t> all_numbers;
    for (const std::vector<uint8_t>& rec : records.points)
        if (rec.size() >= point_record_size) all_numbers.insert(get_u32(rec.data(), point_number));
    bool axis_failed = false;
    for (DimensionNode& d : net.dimensions) {
        if (d.mode < 2) continue;
        if (d.axis_node[0] >= 0 && d.axis_node[1] >= 0) continue;
        axis_failed = true;
        if (!all_numbers.count(d.axis_number[0]) || !all_numbers.count(d.axis_number[1])) {
            network_line(net, kStructure, true);
            mark_dimension_record(net, d);
        } else {
            marked_error(net, d, kBadData);
        }
    }
    if (axis_failed) return NETWORK_ERROR;

    // 8. Links into the role lists; a point linked twice in one role is
    // listed once.
    std::unordered_set<uint64_t> listed;
    std::unordered_map<uint32_t, int> dim_by_number;
    for (size_t i = 0; i < net.dimensions.size(); ++i) dim_by_number[net.dimensions[i].number] = static_cast<int>(i);
    for (const std::vector<uint8_t>& rec : records.links) {
        if (rec.size() < link_record_size) continue;
        uint16_t role = get_u16(rec.data(), link_role);
        auto dit = dim_by_number.find(get_u32(rec.data(), link_dimension));
        if ((role & 3) == 0) {
            network_line(net, kBadData, true);
            if (dit != dim_by_number.end()) {
                mark_dimension_record(net, net.dimensions[dit->second]);
                network_line(net, kMarkedFollowUp, false);
            }
            continue;
        }
        if (role & 0x000C) continue;
        if (dit == dim_by_number.end()) continue;
        DimensionNode& d = net.dimensions[dit->second];
        auto pit = point_by_number.find(get_u32(rec.data(), link_point));
        if (pit == point_by_number.end()) {
            marked_error(net, d, kBadData);
            continue;
        }
        int r = (role & 3) - 1;
        uint64_t key = (static_cast<uint64_t>(dit->second) * 3 + static_cast<uint64_t>(r)) << 32 |
                       static_cast<uint32_t>(pit->second);
        if (listed.insert(key).second) d.points[r].push_back(pit->second);
    }

    // 9. Symmetric dimensions: the full distance perpendicular to the axis
    // and a derived twin of half the value from the axis line.
    if (any_symmetric) {
        std::vector<DimensionNode> twins;
        for (DimensionNode& d : net.dimensions) {
            if (d.mode != 4) continue;
            d.mode = 3;
            DimensionNode t = d;
            t.value = d.value / 2;
            t.derived = true;
            t.points[ROLE_FIRST].clear();
            for (int a = 0; a < 2; ++a) {
                int ax = d.axis_node[a];
                if (ax < 0 || contains(t.points[ROLE_FIRST], ax)) continue;
                if (contains(t.points[ROLE_SECOND], ax) || contains(t.points[ROLE_CENTRE], ax)) continue;
                t.points[ROLE_FIRST].push_back(ax);
            }
            if (t.points[ROLE_FIRST].empty()) {
                marked_error(net, d, kBadData);
                continue;
            }
            if (dimension_is_angular(t)) {
                t.mode = 0;
                t.axis_number[0] = t.axis_number[1] = 0;
                t.axis_node[0] = t.axis_node[1] = -1;
                if (t.points[ROLE_FIRST].size() == 2 && !t.points[ROLE_CENTRE].empty() &&
                    !t.points[ROLE_SECOND].empty()) {
                    const PointNode& c = net.points[t.points[ROLE_CENTRE][0]];
                    const PointNode& s = net.points[t.points[ROLE_SECOND][0]];
                    double base = std::atan2(s.sketch_y - c.sketch_y, s.sketch_x - c.sketch_x);
                    double best = 0;
                    int keep = -1;
                    for (int p : t.points[ROLE_FIRST]) {
                        const PointNode& q = net.points[p];
                        double a = angle_0_2pi(std::atan2(q.sketch_y - c.sketch_y, q.sketch_x - c.sketch_x) - base);
                        if (keep < 0 || a < best) { best = a; keep = p; }
                    }
                    t.points[ROLE_FIRST].assign(1, keep);
                }
            }
            twins.push_back(t);
        }
        for (const DimensionNode& t : twins) net.dimensions.push_back(t);
    }
    if (net.error_count) return NETWORK_ERROR;

    // 11 (before the back-references, so that a refused node is not used).
    bool failed = false;
    for (DimensionNode& d : net.dimensions) {
        int filled = 0;
        for (int r = 0; r < 3; ++r) filled += d.points[r].empty() ? 0 : 1;
        bool bad = filled < 2 || (dimension_is_angular(d) && filled < 3);
        if (bad) {
            std::string line = kWrongDimension + dimension_node_description(net, d);
            network_line(net, line.c_str(), true);
            mark_dimension_record(net, d);
            failed = true;
        }
        if (d.kind == DIM_LEVEL || (d.kind == DIM_DIAMETER && d.points[ROLE_CENTRE].empty()))
            d.kind = DIM_LINEAR;
    }
    if (failed) return NETWORK_ERROR;

    // 10. Back-references: end points always, centres except of angles and
    // arc lengths (their centre must be fixed by other dimensions). The
    // dimensions are taken in order, so a point in two roles of one
    // dimension meets it last in its own list.
    for (size_t i = 0; i < net.dimensions.size(); ++i) {
        DimensionNode& d = net.dimensions[i];
        for (int r = 0; r < 3; ++r) {
            if (r == ROLE_CENTRE && dimension_is_angular(d)) continue;
            for (int p : d.points[r]) {
                std::vector<int>& list = net.points[p].dimensions;
                if (list.empty() || list.back() != static_cast<int>(i)) list.push_back(static_cast<int>(i));
            }
        }
    }

    // 12. Points outside the network.
    std::vector<bool> used(net.points.size(), false);
    for (const DimensionNode& d : net.dimensions)
        for (int r = 0; r < 3; ++r)
            for (int p : d.points[r]) used[p] = true;
    for (size_t i = 0; i < net.points.size(); ++i) {
        if (!net.points[i].dimensions.empty() || !used[i]) continue;
        // Only the centre of angles or arc lengths: nothing else can fix it.
        for (DimensionNode& d : net.dimensions) {
            if (!dimension_is_angular(d) || !contains(d.points[ROLE_CENTRE], static_cast<int>(i))) continue;
            std::string line = "Центр размера";
            line += d.kind == DIM_ANGLE ? " \"Угол\"" : " \"Размер дуги\"";
            line += " не может \"висеть в воздухе\"";
            marked_error(net, d, line.c_str());
            return NETWORK_ERROR;
        }
    }
    // Other unused points are dropped and reported once.
    bool outside = false;
    for (size_t i = 0; i < net.points.size(); ++i)
        if (!used[i]) outside = true;
    if (outside) {
        // Drop the unused points and renumber the node references.
        std::vector<int> remap(net.points.size(), -1);
        std::vector<PointNode> kept;
        for (size_t i = 0; i < net.points.size(); ++i) {
            if (!used[i]) continue;
            remap[i] = static_cast<int>(kept.size());
            kept.push_back(net.points[i]);
        }
        net.points.swap(kept);
        for (DimensionNode& d : net.dimensions) {
            for (int r = 0; r < 3; ++r)
                for (int& p : d.points[r]) p = remap[p];
            for (int a = 0; a < 2; ++a)
                if (d.axis_node[a] >= 0) d.axis_node[a] = remap[d.axis_node[a]];
        }
        network_line(net, kOutsidePoints, true);
    }

    // 13. The coinciding-points warning.
    if (coinciding) network_line(net, kCoinciding, false);
    return net.error_count ? NETWORK_ERROR : NETWORK_OK;
}
