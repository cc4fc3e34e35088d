// The units, scale and grid dialog's rules: grid-step texts, scale parts and
// the grid steps accepted.
#include "shell/core/units_grid.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "geometry/text_numbers.h"
#include "geometry/units_scale.h"

size_t format_grid_step(char* out, size_t out_size, double step) {
    if (!out || out_size == 0) return 0;
    if (step == 0.0) {
        std::snprintf(out, out_size, "%s", "нет");
        return std::strlen(out);
    }
    std::snprintf(out, out_size, "%-14.8lf", step);
    return strip_trailing_zeros(std::strlen(out), out);
}

int scale_part_from_value(double value) {
    double m = std::fabs(value);
    if (!std::isfinite(m) || m >= static_cast<double>(scale_part_max)) return std::isfinite(m) ? scale_part_max : 1;
    int part = static_cast<int>(m);
    return part == 0 ? 1 : part;
}

int scale_part_from_text(const char* text) { return scale_part_from_value(text ? parse_number_text(text) : 0.0); }

void scale_from_field(const char* text, int* a, int* b) {
    *a = 1, *b = 1;
    if (!text || !std::strchr(text, ':')) return;
    // The ':' read as the separator of a number pair.
    std::string pair(text);
    for (char& c : pair)
        if (c == ':') c = ',';
    double parts[2] = {0.0, 0.0};
    parse_number_pair(pair.c_str(), 0, parts);
    *a = scale_part_from_value(parts[0]);
    *b = scale_part_from_value(parts[1]);
}

bool grid_step_from_text(const char* text, int unit, double* step) {
    if (!text) return false;
    double v = std::fabs(parse_number_text(text));
    if (!std::isfinite(v)) return false;
    if (v == 0.0) {
        *step = 0.0;
        return true;
    }
    if (unit < 0 || unit >= LENGTH_UNIT_COUNT) unit = 0;
    double mm = v * length_unit_mm[unit];
    if (mm < 0.01 || mm > 100000.0) return false;
    *step = v;
    return true;
}
