// Point properties: points on one pixel and their dialog flags.
#include "stages/points_elements/point_properties.h"

#include "store/record_layouts.h"

namespace {

bool hidden(const PointCopy& p) {
    return (p.flags2() & (point_flag2_hidden_a | point_flag2_hidden_b)) == (point_flag2_hidden_a | point_flag2_hidden_b);
}

struct Bit {
    bool second;  // in flags2
    uint16_t mask;
};
Bit bit_of(PointPropertyFlag flag) {
    switch (flag) {
    case point_property_show_number: return {false, point_flag_show_number};
    case point_property_origin: return {false, point_flag_origin};
    case point_property_annotation: return {false, point_flag_annotation};
    case point_property_fixed: return {false, point_flag_fixed};
    default: return {true, point_flag2_priority};
    }
}

void put_bit(PointCopy& p, Bit b, bool on) {
    uint16_t v = b.second ? p.flags2() : p.flags();
    v = static_cast<uint16_t>(on ? v | b.mask : v & ~b.mask);
    if (b.second) p.set_flags2(v);
    else p.set_flags(v);
}

}  // namespace

std::vector<PointCopy> points_on_pixel(DrawingFile* df, unsigned char* projection, const ViewTransform* view,
                                       uint32_t current) {
    std::vector<PointCopy> list;
    PointCopy first;
    if (!point_read(df, projection, current, &first)) return list;
    list.push_back(first);
    int32_t px = view_x_to_pixel(view, first.sketch().x), py = view_y_to_pixel(view, first.sketch().y);
    for (const PointCopy& p : points_of_projection(df, projection)) {
        if (p.number() == current || hidden(p)) continue;
        if (view_x_to_pixel(view, p.sketch().x) == px && view_y_to_pixel(view, p.sketch().y) == py) list.push_back(p);
    }
    return list;
}

bool point_property(const PointCopy& p, PointPropertyFlag flag) {
    Bit b = bit_of(flag);
    return ((b.second ? p.flags2() : p.flags()) & b.mask) != 0;
}

void point_property_set(std::vector<PointCopy>& list, size_t i, PointPropertyFlag flag, bool on) {
    if (i >= list.size()) return;
    Bit b = bit_of(flag);
    if (on && (flag == point_property_priority || flag == point_property_origin))
        for (PointCopy& p : list) put_bit(p, b, false);
    put_bit(list[i], b, on);
}

int point_properties_store(DrawingFile* df, unsigned char* projection, const std::vector<PointCopy>& list) {
    uint32_t origin = 0;
    for (const PointCopy& p : list)
        if (p.flags() & point_flag_origin) origin = p.number();
    int changed = 0;
    for (PointCopy p : points_of_projection(df, projection)) {
        PointCopy want = p;
        for (const PointCopy& q : list)
            if (q.number() == p.number()) {
                want.set_flags(q.flags());
                want.set_flags2(q.flags2());
            }
        if (origin && want.number() != origin) want.set_flags(static_cast<uint16_t>(want.flags() & ~point_flag_origin));
        if (want.flags() == p.flags() && want.flags2() == p.flags2()) continue;
        if (point_write(df, projection, want)) ++changed;
    }
    return changed;
}
