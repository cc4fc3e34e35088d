// Units and scale.
#include "geometry/units_scale.h"

#include <cmath>
#include <cstring>

const char* const length_unit_names[LENGTH_UNIT_COUNT] = {"мм", "см", "м", "км", "\"", "ft", "yd"};
const double length_unit_mm[LENGTH_UNIT_COUNT] = {1.0, 10.0, 1000.0, 1000000.0, 25.4, 304.8, 914.4};

double dimension_drawing_constants[DIMENSION_DRAWING_CONSTANT_COUNT];

double parse_scale_ratio(const char* text) {
    const char* colon = std::strchr(text, ':');
    size_t la = colon ? static_cast<size_t>(colon - text) : std::strlen(text);
    if (la > 31) return 0.0;
    char part[32];
    std::memcpy(part, text, la);
    part[la] = 0;
    double a = parse_number_text(part);
    if (compare_doubles(a, 0) == 0) return 0.0;
    if (!colon) return a;
    const char* rest = colon + 1;
    size_t lb = std::strlen(rest);
    if (lb > 31) return 0.0;
    double b = parse_number_text(rest);
    if (compare_doubles(b, 0) == 0) return 0.0;
    return a / b;
}

double projection_scale_checked(const uint8_t* projection) {
    double s = get_f64(projection, 112);
    if (!std::isfinite(s) || s <= 0 || s > 2500.0) return 1.0;
    return s;
}

double nominal_to_view_length(const uint8_t* projection, double value, int kind) {
    switch (kind) {
    case 0: case 1: case 2: case 4: case 5: case 6: {
        int unit = static_cast<int>(current_length_unit());
        double mm = (unit >= 0 && unit < LENGTH_UNIT_COUNT) ? length_unit_mm[unit] : 1.0;
        return value * mm * projection_scale_checked(projection);
    }
    default:
        return value;
    }
}

void init_dimension_drawing_constants() {
    const double v[DIMENSION_DRAWING_CONSTANT_COUNT] = {
        0.95, 4.2, 1.2, 8.4, 3.0, k_half_pi(), k_half_pi() + k_pi_over_6(), 0.475,
        2.4 / 0.866, 4.2 / 0.866, 2.4, 4.2};
    for (int i = 0; i < DIMENSION_DRAWING_CONSTANT_COUNT; ++i) dimension_drawing_constants[i] = v[i];
}
