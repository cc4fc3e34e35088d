// A current drawing for the kernel tests: a header whose scale, length unit
// and coarse-curve bit the tests set, bound through the current-drawing
// accessor.  Each test starts from scale 1, unit 0, fine curves, the
// standing tolerance and the standing kernel context.
#pragma once
#include "base/byte_order.h"
#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"

#include <gtest/gtest.h>

#include <cstring>

namespace fake_drawing {

inline uint8_t* header() {
    static uint8_t h[drawing_header_size];
    return h;
}

inline const uint8_t* source() { return header(); }

inline void reset() {
    std::memset(header(), 0, drawing_header_size);
    put_f64(header(), header_scale_offset, 1.0);
    bind_current_drawing_header(source);
    kernel_context_set_defaults();
    tolerance_set_default();
    kernel_flags() = KernelFlags{0, 0};
}

inline void set_scale(double s) { put_f64(header(), header_scale_offset, s); }
inline void set_unit(uint16_t u) { put_u16(header(), header_length_unit_offset, u); }
inline void set_coarse(bool on) {
    uint8_t b = get_u8(header(), header_option_byte_offset);
    put_u8(header(), header_option_byte_offset, on ? (b | 4) : (b & ~4));
}

}  // namespace fake_drawing

// Base fixture of the kernel tests.
class KernelTest : public ::testing::Test {
protected:
    void SetUp() override { fake_drawing::reset(); }
    void TearDown() override { bind_current_drawing_header(nullptr); }
};
