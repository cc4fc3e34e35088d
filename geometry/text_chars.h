// Character classes, case conversion and the collation compare of
// Windows-1251 texts. Nothing here uses the locale of the C library or of the
// system: the classes and the order are fixed by the tables of this module.
#pragma once

#include <cstddef>
#include <cstdint>

// Class bits ORed into char_class_flags by the classify functions.
constexpr uint16_t char_class_letter = 0x0001;       // any letter, and the exponent 'E'
constexpr uint16_t char_class_digit = 0x0002;        // '0'..'9'
constexpr uint16_t char_class_separator = 0x0004;    // '.' or ','
constexpr uint16_t char_class_plus = 0x0008;         // '+'
constexpr uint16_t char_class_minus = 0x0010;        // '-'
constexpr uint16_t char_class_latin_small = 0x0020;  // 'a'..'z'
constexpr uint16_t char_class_cyr_capital = 0x0040;  // 0xC0..0xDF
constexpr uint16_t char_class_cyr_small = 0x0080;    // 0xE0..0xFF
constexpr uint16_t char_class_times = 0x0100;        // '`' inside a number

// The class bits of the characters accepted since the caller last cleared
// it. The classify functions only OR into it; callers set it to 0 before a
// run of classifications. Each thread has its own word.
extern thread_local uint16_t char_class_flags;

// Each classify function returns 0 when the byte belongs to the class (and
// ORs its bits into char_class_flags), 1 when it does not.
int classify_digit(unsigned char c);
// A digit, '.', ',', '+' or '-'.
int classify_decimal_char(unsigned char c);
// What classify_decimal_char accepts, the exponent letters 'E', 'e', 'Е',
// 'е' (0xC5, 0xE5) and '`'.
int classify_number_char(unsigned char c);
// 'A'..'Z', 'a'..'z', 0xC0..0xFF (not Ё/ё).
int classify_letter(unsigned char c);
// A digit, a letter or one of "_%!$&#" (the signs set no bits).
int classify_identifier_char(unsigned char c);

// 'a'..'z' and 0xE0..0xFF to capitals; every other byte unchanged (ё too).
unsigned char char_to_upper(unsigned char c);
// 'A'..'Z' and 0xC0..0xDF to small letters; every other byte unchanged.
unsigned char char_to_lower(unsigned char c);

// Copy the NUL-terminated src into dst through the conversion, terminator
// included; dst may be src.
void copy_to_upper(char* dst, const char* src);
void copy_to_lower(char* dst, const char* src);

// The collation table: the sort rank of a byte is the index of its first
// occurrence. As stored it holds the soft sign after Я; the compare uses it
// with the five letters from Ы on in the order of the collation mode.
constexpr size_t collation_order_size = 224;
extern const unsigned char collation_order[collation_order_size];

// The sort compare of table rows: -1, 0 or 1, in the collation mode of the
// current drawing (bits 3-5 of the header option word): 0 and 1 the standard
// alphabet (Ь between Ы and Э), 2 the soft sign after Я, 3..7 plain unsigned
// byte order. Control characters and the double quote, which the table does
// not hold, rank in code order before the blank and just after '!'.
int compare_collated(const char* a, const char* b);

// The same in a given mode (0..7).
int compare_collated_in_mode(const char* a, const char* b, int mode);
