// What the geometry kernel and the text utilities read from the rest of the
// program, gathered in one small explicit context:
//
//  - KernelContext: process-wide values set up once at start-up: the angle
//    constants and the texts of the settings block that the kernel prints
//    with or reports (number formats, the out-of-memory message), plus the
//    hook through which the kernel shows a program message. It starts with
//    the standing values; start-up binds it to the real settings block with
//    kernel_context_bind_settings_block.
//  - KernelFlags: the run-time result flags of the kernel (overflow of the
//    sheet-precision compare, collinear segments), kept per thread so that
//    the GUI thread and a worker thread never see each other's results.
//  - The current-drawing accessor: the kernel reads the drawing scale, the
//    length unit, the collation mode and the coarse-curve setting from the
//    header of the current drawing. The store binds a function that returns
//    the header bytes of the current drawing (null when none is open).
//
// The geometric tolerance itself is per thread as well; see tolerance.h.
#pragma once

#include <cstddef>
#include <cstdint>

struct KernelContext {
    // Angle constants (radians).
    double half_pi;
    double pi;
    double two_pi;
    double pi_over_18;
    double pi_over_6;
    double two_thirds_pi;

    // NUL-terminated Windows-1251 texts of the settings block.
    const char* number_format;            // "%-24.14lg"
    const char* number_format_small;      // "%-10.4lf"
    const char* number_format_large;      // "%-14.5lg"
    const char* dimension_format_small;   // "%14.8lf"
    const char* dimension_format_medium;  // "%18.8lf"
    const char* dimension_format_large;   // "%14.5lg"
    const char* angle_format;             // degrees, minutes, seconds
    const char* out_of_memory_text;       // fatal out-of-memory message

    // Shows a program message (message markers included). Null: nothing is
    // shown; the failure is still reported through the caller's result.
    void (*report_message)(const char* text);
};

// Offsets of the kernel's values in the settings block.
constexpr size_t settings_segments_collinear_offset = 0;   // int32
constexpr size_t settings_overflow_error_offset = 4;       // int16
constexpr size_t settings_tolerance_offset = 6;            // double
constexpr size_t settings_number_format_offset = 550;
constexpr size_t settings_number_format_small_offset = 560;
constexpr size_t settings_number_format_large_offset = 569;
constexpr size_t settings_dimension_format_small_offset = 578;
constexpr size_t settings_dimension_format_medium_offset = 586;
constexpr size_t settings_dimension_format_large_offset = 594;
constexpr size_t settings_angle_format_offset = 602;
constexpr size_t settings_out_of_memory_text_offset = 715;
constexpr size_t settings_block_size = 2913;

extern KernelContext g_kernel_context;

inline KernelContext& kernel_context() {
    return g_kernel_context;
}

// Puts back the standing values (angle constants computed, built-in texts,
// no message hook).
void kernel_context_set_defaults();

// Computes the angle constants as start-up does: half_pi = atan2(1, 0),
// pi = |atan2(0, -1)|, two_pi = 2 pi, pi_over_18 = pi x 0.05555555555555556,
// pi_over_6 = half_pi x 0.3333333333333333, two_thirds_pi =
// two_pi x 0.3333333333333333.
void kernel_compute_angle_constants();

// Points the texts of the context at the unpacked settings block (which must
// outlive the context's use). Returns 0 when the block is too short or a text
// is not NUL-terminated within its field (the context is then left as it
// was), 1 when bound.
int kernel_context_bind_settings_block(const uint8_t* block, size_t size);

// Shows text through the message hook, if one is bound.
void kernel_report_message(const char* text);

// ---------------------------------------------------------------- per thread
struct KernelFlags {
    int16_t overflow_error;      // set to 1 when a compare met a non-finite operand
    int32_t segments_collinear;  // result flag of the segment intersection
};

// The flags of the calling thread (both 0 in a new thread).
KernelFlags& kernel_flags();

// ---------------------------------------------------------------- current drawing
// Offsets in the drawing header read by the kernel.
constexpr size_t header_option_word_offset = 110;  // u16; bits 3-5 collation mode
constexpr size_t header_option_byte_offset = 114;  // u8; bit 2 coarse curves
constexpr size_t header_length_unit_offset = 116;  // u16, index 0..6
constexpr size_t header_scale_offset = 128;        // double, never 0
constexpr size_t drawing_header_size = 238;

// Returns the header bytes (at least drawing_header_size) of the current
// drawing, or null when no drawing is open.
using DrawingHeaderSource = const uint8_t* (*)();

// Binds the source (null: no drawing is ever open).
void bind_current_drawing_header(DrawingHeaderSource source);

// Header bytes of the current drawing, or null.
const uint8_t* current_drawing_header();

bool drawing_is_open();

// The drawing scale (header byte 128); 1.0 when no drawing is open or the
// stored value is 0 or not finite.
double current_drawing_scale();

// The length-unit index (header u16 at 116); 0 when no drawing is open.
unsigned current_length_unit();

// The option word (header u16 at 110); 0 when no drawing is open.
uint16_t current_option_word();

// Collation mode, bits 3-5 of the option word (0..7).
int current_collation_mode();

// Bit 2 of the option byte at 114: the coarse Bezier/arc setting.
bool current_coarse_curves();

// x times the drawing scale: a model length as sheet millimetres.
double model_to_sheet_length(double x);

// x divided by the drawing scale: sheet millimetres as a model length.
double sheet_to_model_length(double x);
