// Annotation properties: what the property dialogs of the annotation
// elements share, apart from any window: the text style bits of each kind,
// the font radio buttons and the height index, the one policy for texts
// that are packed into a record, the line-break mapping between edit
// controls and stored texts, re-storing a record in its chain, and the
// backup that Cancel puts back.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "store/records.h"

using RecordBytes = std::vector<uint8_t>;

// Control ids the dialogs share (their templates use the same numbers).
enum : int {
    prop_font_a_slanted = 1170,
    prop_font_a_upright = 1171,
    prop_height_combo = 1172,
    prop_font_b_slanted = 1175,
    prop_font_b_upright = 1176,
    prop_variables_combo = 1586,
    prop_symbol_table = 1494,
    prop_delete = 1109,
    prop_clone = 1675
};

// ---------------------------------------------------------------- text style

// Where a kind keeps its slant flag, font-B flag and height index; false for
// a kind without text style (hatching) or an unknown kind.
struct TextStyleBits {
    uint16_t slant;
    uint16_t font_b;
    int height_shift;  // four bits from here
};
bool annotation_style_bits(int kind, TextStyleBits* out);

// Height index 0..9 of a stored index (records can hold 10..15).
int clamp_height_index(int index);

struct TextStyle {
    int height_index;  // clamped 0..9
    int font_b;
    int slant;
};
// The style of a record of kind 0, 1, 3, 4, 5 or 6 (false for others).
bool annotation_style_get(const uint8_t* rec, TextStyle* out);
// The font radio button that shows a style: 1170, 1171, 1175 or 1176.
int font_radio_for_style(int font_b, int slant);
// A font radio button's style; false for another id.
bool font_radio_style(int control_id, int* font_b, int* slant);
// Writes the style of a font radio button (control 1170..1176) or of a
// height chosen in combo 1172 (height_index) into the record's flags word
// at the bits of its kind.  Returns false (record unchanged) for a control
// outside the font group, a kind without style, or a height outside 0..9.
bool annotation_style_apply(uint8_t* rec, int control_id, int height_index);

// ---------------------------------------------------------------- texts

// Packs the whole text (markup included) into a scratch buffer large
// enough for any text: 2 x length + 8 bytes.  Returns the packed bytes
// (empty for an empty text).
RecordBytes pack_whole_text(const std::string& text);
// Unpacks `packed_bytes` bytes of packed text at `src` into a buffer sized
// from them; trailing blanks are trimmed as by text_unpack.
std::string unpack_whole_text(const uint8_t* src, int packed_bytes);
// The packed text of a record after its fixed head, unpacked.
std::string record_text(const uint8_t* rec, uint32_t head);

// Edit control text -> stored text: every CR LF pair, lone CR and lone LF
// becomes the two characters backslash and 'n'.
std::string edit_text_to_stored(const std::string& edit);
// Stored text -> edit control text: backslash-n pairs become CR LF; with
// drop_escapes, ESC characters (27, line breaks of a laid-out fragment) are
// removed.
std::string stored_text_to_edit(const std::string& stored, bool drop_escapes);

// Refusal messages of the packing limits ('%' expands to "недопустим").
extern const char* const text_refusal_length;      // leaders, tolerances, roughness
extern const char* const text_refusal_too_long;    // text fragments

// ---------------------------------------------------------------- storing

// Replaces the record at *ref of the chain *head (records in buf) by rec:
// deletes the old one and adds the new; *ref takes the new reference.
// Returns the stored record (pointer into buf) or null on a store failure.
unsigned char* annotation_record_replace(RecordRef* head, RecordRef* ref, const uint8_t* rec,
                                         PageBuffer* buf);
// The same in the annotation chain of a projection record.
unsigned char* projection_annotation_replace(uint8_t* projection, RecordRef* ref, const uint8_t* rec);
// The record at ref in the annotation chain's buffer, or null.
unsigned char* annotation_record_at(RecordRef ref);

// ---------------------------------------------------------------- backup

// Copies of every record a dialog may change, taken at opening; Cancel puts
// each back in the chain it came from.  The first item is the dialog's own
// record, found again through the caller's current reference; the others
// are found by key (and kind in the annotation chain).
struct RecordBackupItem {
    int table;            // table_annotation, table_dimensions or table_title_block
    uint32_t chain;       // projection chain offset; 0 for the title-block list
    uint32_t key;
    int kind;             // annotation kind to match; -1 any
    int attachment;       // roughness sign carried on a leader: 1; -1 any
    RecordBytes bytes;
};
struct RecordBackup {
    std::vector<RecordBackupItem> items;
};
// The head of the chain an item lives in (projection chain, or the
// drawing's title-block list), and its buffer.
RecordRef* backup_chain_head(uint8_t* projection, const RecordBackupItem& item, PageBuffer** buf);
// Takes the dialog's own record at `ref` (of the projection's annotation
// chain, or of the title-block list when in_title_block) and the records
// that depend on it: a label's dimension, a roughness sign's carrying
// leader, a leader's carried sign.  False (and the settings' out-of-memory
// message) when a copy cannot be made.
bool annotation_backup_take(uint8_t* projection, RecordRef ref, bool in_title_block, RecordBackup* out);
// Puts every item back: the own record in place of the one at *ref (which
// takes the new reference), the others in place of the records that match
// them now (added again when they were deleted).  Returns false on a store
// failure.
bool annotation_backup_restore(uint8_t* projection, RecordRef* ref, const RecordBackup& backup);

// ---------------------------------------------------------------- dialog table

// The dialog template of an annotation kind: 0 for none.  `low_resolution`
// is a screen of 100 pixels per inch or less; `roughness_option` the
// drawing-header option bit 1 at offset 110.
int annotation_dialog_for_kind(int kind, bool low_resolution, bool roughness_option);

// ---------------------------------------------------------------- picking

struct Box;
// The drawing box of one annotation record, measured as the projection's
// annotation extents measure it; false when it has none.
bool annotation_record_box(const uint8_t* rec, Box* out);
// The reference of the annotation record of the projection whose box holds
// (x, y) widened by `slack` (model units), the smallest such box first; 0
// when none does.  Hidden labels (flag bit 12) are not picked.
RecordRef annotation_pick(uint8_t* projection, double x, double y, double slack);
