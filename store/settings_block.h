// The settings block: 2913 bytes of settings and program texts, compiled into
// the program packed in its own archive format and unpacked once at start-up.
//
// Fields are addressed by their byte offsets; numbers are little-endian and
// unaligned, texts NUL-terminated in Windows-1251.  Read and write them only
// through the accessors below.  The block's source is
// resources/settings_block.txt; the build packs it with
// scripts/pack_settings_block.py.
#pragma once
#include <cstddef>
#include <cstdint>

#include "geometry/kernel_context.h"  // settings_block_size and the kernel's offsets

// The packed image (generated at build time).
extern const unsigned char settings_block_packed[];
extern const size_t settings_block_packed_size;

// The unpacked block on the heap; null until settings_block_unpack succeeds.
extern uint8_t* settings_block;

// Unpacks the compiled-in image into a new heap block, makes it
// settings_block and points the kernel's texts at it.  Returns 0 on success;
// otherwise the reader's failure (1 or -1), settings_block stays null and the
// caller ends start-up with the resource-loading message.
int settings_block_unpack();

// The same from any packed image.
int settings_block_unpack_image(const void* packed, size_t size);

// Frees the block (settings_block becomes null).
void settings_block_free();

// ---------------------------------------------------------------- offsets
// (settings_segments_collinear_offset, settings_overflow_error_offset,
// settings_tolerance_offset, the number formats and the out-of-memory text are
// in geometry/kernel_context.h.)
constexpr size_t settings_placement_list_offset = 18;      // run time, see below
constexpr size_t settings_web_address_offset = 71;         // text
constexpr size_t settings_point_tool_value_offset = 95;    // int32
constexpr size_t settings_text_heights_offset = 99;        // 10 doubles
constexpr size_t settings_text_height_offset = 179;        // double
constexpr size_t settings_text_size_index_offset = 187;    // u16
constexpr size_t settings_arrowhead_kind_offset = 189;     // u16
constexpr size_t settings_index_shifts_offset = 191;       // 8 doubles
constexpr size_t settings_slant_factor_offset = 255;       // double
constexpr size_t settings_arrow_width_factor_offset = 263; // double
constexpr size_t settings_colours_offset = 271;            // 16 COLORREF
constexpr size_t settings_line_colour_offset = 271;
constexpr size_t settings_hidden_colour_offset = 299;
constexpr size_t settings_marked_colour_offset = 307;
constexpr size_t settings_pick_marker_colour_offset = 315;
constexpr size_t settings_contour_colour_offset = 319;
constexpr size_t settings_break_colour_offset = 323;
constexpr size_t settings_accent_colour_offset = 327;
constexpr size_t settings_background_colour_offset = 331;
constexpr size_t settings_text_colour_offset = 335;
constexpr size_t settings_point_mark_half_width_offset = 339;   // int32
constexpr size_t settings_point_mark_half_height_offset = 343;  // int32
constexpr size_t settings_twain_library_offset = 347;           // text
constexpr size_t settings_point_colour_offset = 518;            // COLORREF
constexpr size_t settings_mark_colour_offset = 522;             // COLORREF
constexpr size_t settings_mark_margin_offset = 526;             // int32
constexpr size_t settings_dimension_panel_offset = 530;         // 5 int32
constexpr size_t settings_open_failure_offset = 619;            // "$открытия файла"
constexpr size_t settings_write_failure_offset = 635;           // "$записи в файл"
constexpr size_t settings_read_failure_offset = 650;            // "$чтения файла"
constexpr size_t settings_system_failure_offset = 664;          // "$в системе"
constexpr size_t settings_list_failure_offset = 675;            // "$составления списка"
constexpr size_t settings_document_failure_offset = 695;        // "$в структуре данных"
constexpr size_t settings_too_many_contour_elements_offset = 796;
constexpr size_t settings_too_many_contours_offset = 830;
constexpr size_t settings_too_many_elements_offset = 853;
constexpr size_t settings_real_overflow_offset = 883;
constexpr size_t settings_symbol_table_hint_offset = 916;
constexpr size_t settings_model_texts_offset = 1827;
constexpr size_t settings_close_failure_offset = 2797;          // "$закрытия файла"
constexpr size_t settings_program_key_offset = 2824;            // under HKEY_LOCAL_MACHINE
constexpr size_t settings_user_key_offset = 2888;               // under HKEY_CURRENT_USER

// Offset of the text of a confirmation question, or 0 for a code whose text
// is not in the block.
size_t settings_question_offset(int code);

// ---------------------------------------------------------------- accessors
// Each reads or writes one field of settings_block.  Before the block is
// unpacked, or for a field outside it, reads give 0 or "" and writes do
// nothing.
int16_t settings_i16(size_t offset);
uint16_t settings_u16(size_t offset);
int32_t settings_i32(size_t offset);
uint32_t settings_u32(size_t offset);  // also COLORREF values
double settings_f64(size_t offset);
const char* settings_text(size_t offset);
void settings_set_i16(size_t offset, int16_t v);
void settings_set_u16(size_t offset, uint16_t v);
void settings_set_i32(size_t offset, int32_t v);
void settings_set_u32(size_t offset, uint32_t v);
void settings_set_f64(size_t offset, double v);

// The head of the automatic-placement work list.  The block has a 32-bit slot
// for it at offset 18, too small for a pointer on a 64-bit build, so the head
// lives here; the block is never written back, so nothing depends on the slot.
void* settings_placement_list();
void settings_set_placement_list(void* head);
