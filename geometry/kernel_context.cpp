// The kernel context, the per-thread result flags and the current-drawing
// accessor.
#include "geometry/kernel_context.h"

#include <cmath>
#include <cstring>

#include "base/byte_order.h"

namespace {

const char default_number_format[] = "%-24.14lg";
const char default_number_format_small[] = "%-10.4lf";
const char default_number_format_large[] = "%-14.5lg";
const char default_dimension_format_small[] = "%14.8lf";
const char default_dimension_format_medium[] = "%18.8lf";
const char default_dimension_format_large[] = "%14.5lg";
const char default_angle_format[] = "%4i\xB0%2u'%5.2lf\"";
const char default_out_of_memory_text[] =
    "Недостаточно оперативной памяти. Данные будут сохранены, программа рестартована#";

thread_local KernelFlags t_kernel_flags = {0, 0};

DrawingHeaderSource g_header_source = nullptr;

KernelContext standing_context() {
    KernelContext c{};
    c.number_format = default_number_format;
    c.number_format_small = default_number_format_small;
    c.number_format_large = default_number_format_large;
    c.dimension_format_small = default_dimension_format_small;
    c.dimension_format_medium = default_dimension_format_medium;
    c.dimension_format_large = default_dimension_format_large;
    c.angle_format = default_angle_format;
    c.out_of_memory_text = default_out_of_memory_text;
    c.report_message = nullptr;
    return c;
}

void compute_angles(KernelContext& c) {
    c.half_pi = std::atan2(1.0, 0.0);
    c.pi = std::fabs(std::atan2(0.0, -1.0));
    c.two_pi = 2.0 * c.pi;
    c.pi_over_18 = c.pi * 0.05555555555555556;
    c.pi_over_6 = c.half_pi * 0.3333333333333333;
    c.two_thirds_pi = c.two_pi * 0.3333333333333333;
}

KernelContext initial_context() {
    KernelContext c = standing_context();
    compute_angles(c);
    return c;
}

// A text field of the settings block runs from its offset to the next field.
struct TextField {
    size_t offset;
    size_t end;
    const char* KernelContext::*member;
};

const TextField text_fields[] = {
    {settings_number_format_offset, settings_number_format_small_offset,
     &KernelContext::number_format},
    {settings_number_format_small_offset, settings_number_format_large_offset,
     &KernelContext::number_format_small},
    {settings_number_format_large_offset, settings_dimension_format_small_offset,
     &KernelContext::number_format_large},
    {settings_dimension_format_small_offset, settings_dimension_format_medium_offset,
     &KernelContext::dimension_format_small},
    {settings_dimension_format_medium_offset, settings_dimension_format_large_offset,
     &KernelContext::dimension_format_medium},
    {settings_dimension_format_large_offset, settings_angle_format_offset,
     &KernelContext::dimension_format_large},
    {settings_angle_format_offset, 619, &KernelContext::angle_format},
    {settings_out_of_memory_text_offset, 796, &KernelContext::out_of_memory_text},
};

}  // namespace

KernelContext g_kernel_context = initial_context();

void kernel_context_set_defaults() {
    g_kernel_context = initial_context();
}

void kernel_compute_angle_constants() {
    compute_angles(g_kernel_context);
}

int kernel_context_bind_settings_block(const uint8_t* block, size_t size) {
    if (block == nullptr || size < settings_block_size) {
        return 0;
    }
    for (const TextField& f : text_fields) {
        if (std::memchr(block + f.offset, 0, f.end - f.offset) == nullptr) {
            return 0;
        }
    }
    for (const TextField& f : text_fields) {
        g_kernel_context.*(f.member) = reinterpret_cast<const char*>(block + f.offset);
    }
    return 1;
}

void kernel_report_message(const char* text) {
    if (g_kernel_context.report_message != nullptr && text != nullptr) {
        g_kernel_context.report_message(text);
    }
}

KernelFlags& kernel_flags() {
    return t_kernel_flags;
}

void bind_current_drawing_header(DrawingHeaderSource source) {
    g_header_source = source;
}

const uint8_t* current_drawing_header() {
    return g_header_source != nullptr ? g_header_source() : nullptr;
}

bool drawing_is_open() {
    return current_drawing_header() != nullptr;
}

double current_drawing_scale() {
    const uint8_t* h = current_drawing_header();
    if (h == nullptr) {
        return 1.0;
    }
    double s = get_f64(h, header_scale_offset);
    if (!std::isfinite(s) || s == 0.0) {
        return 1.0;
    }
    return s;
}

unsigned current_length_unit() {
    const uint8_t* h = current_drawing_header();
    return h != nullptr ? get_u16(h, header_length_unit_offset) : 0u;
}

uint16_t current_option_word() {
    const uint8_t* h = current_drawing_header();
    return h != nullptr ? get_u16(h, header_option_word_offset) : 0;
}

int current_collation_mode() {
    return (current_option_word() >> 3) & 7;
}

bool current_coarse_curves() {
    const uint8_t* h = current_drawing_header();
    return h != nullptr && (get_u8(h, header_option_byte_offset) & 4) != 0;
}

double model_to_sheet_length(double x) {
    return x * current_drawing_scale();
}

double sheet_to_model_length(double x) {
    return x / current_drawing_scale();
}
