// The projection and fragment lists: the filter and the active position.
#include "shell/core/projection_list.h"

#include <cmath>

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
