// The projection and fragment lists: the filter, the active position and
// the sketch choices.
#include "shell/core/projection_list.h"

#include <algorithm>
#include <cmath>

#include "base/byte_order.h"
#include "geometry/naming.h"

bool projection_listed(int kind_filter, int subtype, int type) {
    if (kind_filter == 8) return type == 8;
    if (kind_filter != 0) return true;
    switch (subtype) {
    case 0: return type != 8 && type != 9 && type != 11;
    case 1: return type == 9;
    case 2: return type == 11;
    default: return false;
    }
}

int projection_list_position(const std::vector<uint32_t>& listed, uint32_t active) {
    if (listed.empty()) return 0;
    for (size_t i = 0; i < listed.size(); ++i)
        if (listed[i] == active) return static_cast<int>(i) + 1;
    return -1;
}

bool projection_scale_acceptable(double scale) { return std::isfinite(scale) && scale > 0.0 && scale <= 2500.0; }

bool projection_sheet_acceptable(long sheet, long sheets) { return sheet >= 1 && sheet <= sheets; }

namespace {
constexpr size_t projection_rotation_offset = 120;  // double, the sketch rotation
}  // namespace

bool projection_sketch_apply(uint8_t* record, const ProjectionSketchEdit& edit) {
    if (!record) return false;
    std::vector<uint8_t> before(record, record + projection_record_room);
    uint16_t flags = get_u16(record, projection_kind_word_offset);
    uint16_t second = get_u16(record, projection_option_word_offset);
    const uint16_t no_sketch = 0x0010, lighten = 0x0008;
    if (edit.no_sketch) {
        flags |= no_sketch;
        second &= static_cast<uint16_t>(~lighten);
        put_f64(record, projection_rotation_offset, 0.0);
    } else {
        if (edit.new_path && edit.new_path[0]) {
            if (sketch_reference_store(record, edit.new_path, 0) != 0) {
                std::copy(before.begin(), before.end(), record);
                return false;
            }
            flags &= static_cast<uint16_t>(~no_sketch);
        }
        second = static_cast<uint16_t>(edit.lighten ? (second | lighten) : (second & ~lighten));
        if (edit.drop_rotation) put_f64(record, projection_rotation_offset, 0.0);
    }
    put_u16(record, projection_kind_word_offset, flags);
    put_u16(record, projection_option_word_offset, second);
    return !std::equal(before.begin(), before.end(), record);
}
