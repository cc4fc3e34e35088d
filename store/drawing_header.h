// The drawing header (page 0 of every drawing file, bytes 0-237 defined,
// little-endian) and opening or creating a drawing file.
//
// Every header field is named here once; the store and every subsystem read
// and write the header through these offsets.
#pragma once
#include <cstdint>

#include "store/drawing_file.h"

enum : uint32_t {
    header_tag = 0,                 // 4 bytes "SARV"
    header_version = 4,             // u16, 12358 current; a larger one is refused
    header_word_6 = 6,              // u16, 0 at creation
    header_free_list = 8,           // u32 RecordRef of the first free-list page
    header_library_boundary = 12,   // u32 B: library pages lie at or above it
    header_library_length = 16,     // u32 L: non-zero, the drawing continues a library
    header_library_dir = 20,        // 4 words: library directory name, packed (mode 3)
    header_library_file = 28,       // 4 words: library file name, packed (mode 3)
    header_library_name = 12,       // bytes 12-35: the whole library reference
    header_library_name_end = 36,
    header_tables = 40,             // u32 chain head: tables (buffer 10)
    header_sheets = 44,             // u32 chain head: sheets (buffer 10)
    header_model_program = 48,      // u32 chain head: model program (buffer 9)
    header_model_variables = 52,    // u32 chain head: model variables (buffer 9)
    header_title_block = 56,        // u32 chain head: title-block fields (buffer 8)
    header_projections = 60,        // u32 chain head: projections (buffer 2)
    header_counters = 64,           // 7 x u32 per-drawing counters (64-91)
    header_highest_point = 68,      // u32 highest point number
    header_highest_element = 72,    // u32 highest element number
    header_highest_dimension = 80,  // u32 highest dimension number
    header_highest_link = 84,       // u32 highest link number
    header_contour_counter = 88,    // u32 contour-number counter
    header_dword_92 = 92,           // u32, -1 at creation (contour-number limit)
    header_object_counter = 96,     // u32 a further object-number counter (0xFFFFFFFF exhausted)
    header_current_sheet = 104,     // u16 current sheet number
    header_word_106 = 106,          // u16 set for the time of a save by the construction log
    header_options = 110,           // u16 option bits, see header_opt_*
    header_options2 = 112,          // u16 option bits, see header_opt2_*
    header_options3 = 114,          // u8 option bits, see header_opt3_*
    header_length_unit = 116,       // u16 length unit index
    header_title_block_kind = 118,  // u8, 1 at creation
    header_sheet_format = 119,      // u8, 0 at creation
    header_sheet_width = 120,       // float, current sheet width in mm after rotation
    header_sheet_height = 124,      // float, current sheet height in mm after rotation
    header_scale = 128,             // double drawing scale, 1.0 at creation
    header_old_identity = 134,      // u32 creation identity of the older layout (up to 215)
    header_construction_time = 136, // u32 time of the last view construction / last edit
    header_dword_140 = 140,         // u32 cleared together with 136
    header_identity = 148,          // u32 creation identity: time() at creation
    header_grid_x = 152,            // float grid step x
    header_grid_y = 156,            // float grid step y
    header_pictures = 160,          // u32 chain head: pictures (buffer 12)
    header_word_164 = 164,          // u16, 1 at creation
    header_user_format_width = 166, // u32 user sheet format width, mm
    header_user_format_height = 170,// u32 user sheet format height, mm
    header_stamp = 174,             // 20 x u16 packed text (mode 2): checkpoint description or save stamp
    header_float_214 = 214,         // float, 0.5 at creation
    header_float_218 = 218,         // float, 75.0 at creation
    header_checkpoint_limit = 222,  // u8 checkpoint time limit minus 1 (s), 3 at creation
    header_model_program2 = 226,    // u32 chain head: model program of the second kind (buffer 9)
    header_float_230 = 230,         // float, 2.0 at creation
    header_float_234 = 234,         // float, 0.25 at creation
    header_defined_size = 238
};

// Bits of the u16 at header_options (110).
enum : uint16_t {
    header_opt_point_numbers = 0x0001,    // new points show their number
    header_opt_bit1 = 0x0002,             // set at creation (also selects roughness dialogs)
    header_opt_continue_to_annotation = 0x0004,  // set at creation; go on to annotation after a clean construction
    header_opt_collation_mask = 0x0038,   // bits 3-5 collation order of tables
    header_opt_sheet_turned = 0x0080,     // current sheet rotated
    header_opt_bit8 = 0x0100,             // cleared after construction, element clicks and hatch edits
    // One state: generated hatch lines are present for the sheets; they are
    // shown on sheets and purged (with the other temporary records) before an edit.
    header_opt_hatch_lines = 0x0200,
    header_opt_drawing_open = 0x0400,     // set while the drawing is open; cleared by a normal close
    header_opt_failed = 0x0800,           // an internal-error message ends the program (byte 111 bit 3)
    header_opt_settings_mask = 0xF000     // bits 12-15 copied from and to the settings block
};

// Bits of the u16 at header_options2 (112).
enum : uint16_t {
    header_opt2_text_size_mask = 0x000F,  // text-size index
    // One option, set for drawings made by drawing_new: the newer drawing
    // style (fillet corners not drawn thin, extension lines from the far end).
    header_opt2_new_style = 0x0010,
    header_opt2_variable_names = 0x0020,  // show model variable names
    header_opt2_transform_guard = 0x0040, // with dimensions, offer the projection transformation only when clear
    header_opt2_bit8 = 0x0100,            // set at creation
    header_opt2_bit9 = 0x0200,            // set at creation; replace sketches by true images on entering annotation
    header_opt2_same_pixel_check = 0x0400,// check for points drawn on the same pixel
    header_opt2_no_checkpoint_timing = 0x0800,  // byte 113 bit 3
    header_opt2_bit15 = 0x8000            // set at creation
};

// Bits of the byte at header_options3 (114).
enum : uint8_t {
    header_opt3_coarse_curves = 0x04,     // coarse curve tolerance, set at creation
    header_opt3_auto_dimensions = 0x10    // automatic dimensioning after each stored element
};

enum : uint16_t { drawing_format_version = 12358 };

// Settings-block values that new headers and default records take (0 while
// the settings block is not unpacked): the text-size index (settings byte
// 187) and the option bits 12-15 (settings u16 at byte 189).
uint16_t settings_text_size_for_store();
uint16_t settings_header_options_for_store();

// Zeroes bytes 0-237, writes the defaults of a new drawing and writes the page.
void drawing_header_init(DrawingFile* df);

// Opens or creates the file by the mode in df's flags.  A non-zero silent
// opens an existing file read-only and reports nothing.  Returns error_flag.
int drawing_file_open(DrawingFile* df, int silent);

// Finds and opens the fragment library of a drawing that continues one.
void library_file_open(DrawingFile* df);

// Hook of library_file_open: called for each candidate path "X:/dir/file"
// (drive letters C to Y); returns 1 and may rewrite path (size 780) to the
// real place when the file is there.  Null: the path is tried as it is.
extern int (*library_path_probe)(char* path, unsigned path_size);

// The current folder kept for the file dialogs.
extern char* saved_directory;
void current_dir_save();
