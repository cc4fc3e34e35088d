// Dimension and annotation texts: the parts of a dimension label's text, its
// prefix sign and display text, the escape of a tolerance sign, and the
// unpacking of the packed text stored after an annotation record's head.
//
// A dimension label (DimensionTextRecord) stores one packed text after its
// 58-byte head.  Its first text, record byte 7 characters long, holds up to
// three parts joined by two control bytes:
//   leading text, 24, value (prefix sign first), 26, deviation
// (24 only with a leading text, 26 only with a deviation).  With flag bit 6 a
// second text follows the first directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Control bytes of a label's first text.
constexpr char dimension_text_value_mark = 24;
constexpr char dimension_text_deviation_mark = 26;
// Shown for a label whose display text trims to nothing.
constexpr unsigned char dimension_text_empty_mark = 0xB4;

// The packed text stored after `head` bytes of an annotation record,
// unpacked (text mode 5, trailing blanks trimmed).  The length word of the
// record (at most 2044) bounds the packed bytes; a record no longer than its
// head has no text.  The text is cut at annotation_text_capacity characters,
// so a damaged record gives a cut text, never an overrun.
constexpr size_t annotation_text_capacity = 4096;
std::string unpack_annotation_text(const uint8_t* record, size_t head);

// The four parts of a label: 0 before byte 24, 1 between 24 and 26 (or to
// the end of the first text), 2 after 26, 3 the second text.  Without byte
// 24 part 0 is empty and part 1 starts at the beginning.
struct DimensionTextParts {
    std::string part[4];
    bool empty;  // the unpacked text is empty
};
// Clears the error flag first.  A null record reports a document failure
// ("$в структуре данных", error flag 1) and returns -1; else 0.  The first
// text's length is bounded by the unpacked text.
int split_dimension_text(const uint8_t* record, DimensionTextParts* out);

// The prefix sign of part 1 ('#', 'M', 'R', 127 or 0xAA), 0 when it has
// none, -1 when the text is empty (or the record is missing).
int dimension_text_prefix_sign(const uint8_t* record);

// The text shown for a label with flag bit 13: the first text with the
// value between bytes 24 and 26 replaced by the prefix sign of part 1 (a
// text without byte 24 drops everything before byte 26), trailing blanks
// trimmed; an empty result is the single character 0xB4.  `unpacked` is the
// record's unpacked text.
std::string build_dimension_display_text(const std::string& unpacked, const uint8_t* record);

// "@1" + the sign code(s) of a form or position tolerance kind + "@"; a kind
// above 16 gives "@1@".  Drawn, it switches to style row 1 for the sign.
std::string tolerance_sign_escape(int kind);

// The part of a text before the first occurrence of `mark` (the whole text
// when there is none), and what follows the mark (empty when there is none).
std::string text_before(const std::string& text, char mark);
std::string text_after(const std::string& text, char mark);

// A text split at each backslash-n into lines.
std::vector<std::string> split_text_lines(const std::string& text);
