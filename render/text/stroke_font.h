// Stroke fonts: the fourteen built-in "gfnt" font sets, the text font state,
// the in-line markup of texts and the measuring of text lines.
//
// A font set is used in place, in the bytes of its resource: every field is
// read through the byte accessors below at its offset, little-endian.
//
//   0  u8   first character code covered
//   1  u8   last character code covered
//   2  u16  baseline in glyph units (40 type A, 30 type B)
//   4  12 bytes per code first..last: the glyph records
//   then stroke and curve data, addressed by u16 offsets from the start.
//
// Glyph record: top, bottom, left at top, left at bottom, right at top,
// right at bottom, number of straight strokes, number of curves (u8 each),
// u16 offset of the strokes, u16 offset of the curves.  A straight stroke is
// x1, y1, x2, y2 (u8); y2 == 0xFF makes it a circle about (x1, y1) with
// radius x2.  A curve is one cubic Bezier: u8 x0, y0, s16 x1, y1, x2, y2 (the
// inner control points in 1/100 glyph unit), u8 x3, y3.
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------- font sets

struct StrokeFontSet {
    const uint8_t* data;   // the resource bytes (used in place, not copied)
    uint32_t size;
    uint8_t first;         // first and last code covered
    uint8_t last;
    uint16_t baseline;     // glyph units: 40 type A, 30 type B
};

struct GlyphRecord {
    uint8_t top;
    uint8_t bottom;
    uint8_t left_top;
    uint8_t left_bottom;
    uint8_t right_top;
    uint8_t right_bottom;
    uint8_t line_count;
    uint8_t curve_count;
    uint16_t line_offset;
    uint16_t curve_offset;
};

struct GlyphLine {          // y2 == glyph_circle_mark: circle (x1, y1), radius x2
    uint8_t x1, y1, x2, y2;
};

struct GlyphCurve {         // control points in hundredths of a glyph unit
    uint8_t x0, y0;
    int16_t x1, y1, x2, y2;
    uint8_t x3, y3;
};

constexpr uint8_t glyph_circle_mark = 0xFF;
constexpr size_t glyph_record_size = 12;
constexpr size_t glyph_line_size = 4;
constexpr size_t glyph_curve_size = 12;

// The fourteen sets in load order, with the codes each covers.
constexpr int stroke_font_count = 14;
extern const uint16_t stroke_font_ids[stroke_font_count];

// One resource as the program holds it: the locked resource under Win32,
// the built file's bytes in the tests.
struct FontResourceBytes {
    const uint8_t* data;
    uint32_t size;
};

// Opens one resource as font set `id`: checks the codes and baseline the set
// must have and that every glyph's strokes and curves lie inside `size`.
// Returns 0, or -1 for a damaged resource (nothing of it is used then).
int stroke_font_set_open(uint16_t id, const uint8_t* data, uint32_t size, StrokeFontSet* out);

// Opens the fourteen resources (in stroke_font_ids order) and fills the
// font tables.  Returns 0; or -1 at the first resource that is missing or
// damaged: its id in stroke_font_failed_id, the tables left empty,
// error_flag 1 and a message detail "gfnt <id>"; start-up then shows
// "$загрузки ресурсов" and ends.
int stroke_fonts_load(const FontResourceBytes resources[stroke_font_count]);
extern uint16_t stroke_font_failed_id;

// The loaded sets by load order and the two tables (type A, type B) of 4
// style rows by 4 slots; a row is searched up to its first empty slot.
extern StrokeFontSet stroke_font_sets[stroke_font_count];
extern const StrokeFontSet* stroke_font_tables[2][4][4];

// Glyph access (the code must lie in first..last; line/curve index below
// the glyph's counts; the set has passed stroke_font_set_open).
GlyphRecord glyph_record(const StrokeFontSet* set, uint8_t code);
GlyphLine glyph_line(const StrokeFontSet* set, const GlyphRecord& g, int index);
GlyphCurve glyph_curve(const StrokeFontSet* set, const GlyphRecord& g, int index);
int glyph_left(const GlyphRecord& g);      // min(left at top, left at bottom)
int glyph_right(const GlyphRecord& g);     // max(right at top, right at bottom)
int glyph_advance(const GlyphRecord& g);   // right - left

// ---------------------------------------------------------------- font state

// Text settings of the SettingsBlock: the block's own values until start-up
// has unpacked the block and called text_settings_bind_settings_block.
struct TextSettings {
    double text_heights[10];     // sheet mm by size index
    double index_shifts[4][2];   // glyph units, [lower 1, lower 2, upper 1, upper 2][type A, type B]
    double slant_factor;         // -tan 15 degrees
    uint32_t text_colour;        // COLORREF
};
extern TextSettings text_settings;
void text_settings_bind_settings_block();

struct TextFontState {
    uint16_t size_index;    // 0..9
    double text_height;     // sheet mm
    int slant;
    int font_type;          // 0 type A, 1 type B
    uint8_t style_row;      // 0..2, reset at the start of every line
    double width_limit;     // measuring: the fit index counts glyphs ending within it
    int fit_index;          // index of the character after the last glyph that fits
};
extern TextFontState text_font_state;

// Text sizes are held in sheet millimetres and become model units through
// sheet_to_model_length, with the scale of the current drawing.

const StrokeFontSet* find_font_set(uint8_t code);
void select_text_font(int size_index, int slant, int font_type);
uint32_t swap_text_colour(uint32_t colour);

double text_line_step(int size_index);      // model units; 0.0 for an index of 10 or more
double text_spacing_unit(int size_index);   // 10 glyph units in model units

// ---------------------------------------------------------------- one line

struct TextPoint {
    double x, y;
};

// Where the strokes of a line go when it is drawn: a projection window's
// output primitives, or a recording canvas in the tests.  Measuring passes
// no canvas.
struct TextCanvas {
    void* context;
    // before each glyph: the pen width (10 glyph units) in sheet millimetres
    void (*begin_glyph)(void* context, double pen_width_sheet_mm);
    void (*line)(void* context, TextPoint a, TextPoint b);
    void (*circle)(void* context, TextPoint centre, double radius);
    void (*bezier)(void* context, const TextPoint points[4]);
    void (*end_glyph)(void* context);
    // the arc over a marked number: through start, end and the raised middle
    void (*arc_sign)(void* context, TextPoint start, TextPoint end, TextPoint middle);
};

// The arc over a marked number: its height over the chord (a quarter of the
// text height in sheet mm, as a model length) and its raised middle point.
double arc_sign_height(double text_height);
TextPoint arc_sign_middle(TextPoint start, TextPoint end, double text_height);

// Lays out one line of text (markup and model-variable references of the
// current drawing included) from the anchor (x, y) on the
// baseline at the line's left end, turned by `angle` (radians), y pointing
// down.  With a canvas the strokes are drawn on it; without one the line is
// measured: width and height (either may be null) get the extents, the
// result is the depth of the line below its baseline.
double draw_text_line_canvas(const TextCanvas* canvas, double x, double y, double angle,
                             const char* text, double* width, double* height);

// Measures one line at (0, 0), angle 0; returns the depth below the baseline.
double measure_text(const char* text, double* width, double* height);

// Measures a text of several lines (broken at CR LF, ESC and "\n"), its
// model variables replaced by their values.
// Returns the number of lines; box width = widest line, box height = first
// line above its baseline + (lines - 1) * line step + last line's depth.
int measure_multiline_text(const char* text, double* box_width, double* box_height,
                           double line_step, double* last_depth);

// Draws a text of several lines so that the anchor (x, y) is the baseline of
// line `line_count` (the last one, as measured); the lines step down by
// `line_step` and stand left (alignment 0), centred (1) or right (2) in a
// box `width` wide; the whole block turns about the anchor by `angle`.
void draw_multiline_text_canvas(const TextCanvas* canvas, double x, double y, double angle,
                                const char* text, double line_step, int line_count, int alignment,
                                double width);
