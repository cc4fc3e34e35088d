// Naming helpers: file paths relative to the sketch library, the sketch
// reference of a projection, view captions, sheet-format designations,
// short names of contours and hatchings, and device-independent bitmaps
// stored as BMP images.  Texts are Windows-1251 bytes.  Every routine that
// writes a text takes the size of its destination (terminator included).
#pragma once
#include <cstddef>
#include <cstdint>

// Offsets in a ProjectionRecord read or written here.
constexpr size_t projection_kind_word_offset = 98;      // u16: bits 0-3 view kind, bit 10 no construction
constexpr size_t projection_option_word_offset = 100;   // u16: bit 10 list II
constexpr size_t projection_scale_offset = 112;         // double
constexpr size_t projection_title_length_offset = 144;  // u16 packed bytes
constexpr size_t projection_sketch_length_offset = 146; // u16 packed bytes
constexpr size_t projection_title_offset = 148;         // packed title, up to 180
constexpr size_t projection_sketch_offset = 180;        // packed sketch reference
constexpr int projection_sketch_words = 130;
constexpr size_t projection_record_room = projection_sketch_offset + 2 * projection_sketch_words;

constexpr int path_max = 260;  // path texts hold at most 259 characters

// ---------------------------------------------------------------- paths
// The base folder of sketch references: the sketch library, else the folder
// of the current drawing with its trailing '\'; empty when there is neither.
size_t sketch_base_folder(char* out, size_t size);
// Replaces the extension of path (a '.' after the last '\' or '/') by
// new_ext, which brings its own '.'; appends it when there is none.
// Returns 0, or -1 (path unchanged) when the result does not fit.
int replace_extension(char* path, size_t size, const char* new_ext);
// path without the base folder when it lies inside it (compared without
// regard to case), else path whole.
void path_relative_to_library(const char* path, char* out, size_t size);
// Puts the base folder in front of a relative path when the whole fits.
void path_absolute_from_library(char* path, size_t size);
// The file-name part of path, with its extension replaced by new_ext when
// new_ext is not empty and the name has one.
void file_name_with_extension(char* dst, size_t size, const char* path, const char* new_ext);
// A path shortened to at most max_len characters for menus.
void shorten_path_for_display(char* dst, size_t size, const char* path, int max_len);
// 1 when the extension of path begins with an entry of list ("JPEG|JPG").
int extension_in_list(const char* path, const char* list);

// ---------------------------------------------------------------- sketch references
// Stores path (relative to the base folder where possible) and, for a page
// above 1, ",page" into the projection's tail.  Returns 0, or -1 with a
// message when the reference does not fit (the projection is unchanged).
int sketch_reference_store(uint8_t* projection, const char* path, int page);
// The absolute path into out (size at least 260) and the page; 0 when size
// is below 260 or there is no reference.
int sketch_reference_load(const uint8_t* projection, char* out, size_t size);

// ---------------------------------------------------------------- captions
enum { VIEW_KIND_COUNT = 9 };
extern const char* const view_kind_names[VIEW_KIND_COUNT];
void view_caption(const uint8_t* projection, char* out, size_t size);
void view_caption_full(const uint8_t* projection, char* out, size_t size);
// The designation of sheet-format code 1..24 ("A4`3"), or an empty text.
void sheet_format_designation(int code, char out[5]);

// ---------------------------------------------------------------- short names
// An 8-byte name field of up to 6 characters, zero-filled.
struct ShortName {
    char text[8];
};
void short_name_base41(uint32_t n, ShortName* out);
void short_name_decimal(uint32_t n, ShortName* out);

// ---------------------------------------------------------------- images
// Number of palette entries and pixel bytes of a DIB whose info header
// starts at dib (biSizeImage 0 is computed from the size and depth).
uint32_t dib_palette_entries(const uint8_t* dib);
uint32_t dib_image_size(const uint8_t* dib);
// Stores the DIB in *block (block_size bytes, heap, freed and cleared here)
// as a BMP image in the current drawing; returns its reference, or 0 when no
// drawing is open, the block is malformed or storing fails.  *size_out gets
// the BMP's size.
uint32_t store_dib_as_bmp(uint8_t** block, size_t block_size, uint32_t* size_out);
// Builds the BMP image of a DIB into a heap block (freed with kernel_free);
// null when the block is malformed or no memory is left.
uint8_t* dib_to_bmp(const uint8_t* dib, size_t dib_size, uint32_t* bmp_size);
