// The compact text codec of stored texts (PackedText): 16-bit words holding
// three symbols of a 40-symbol alphabet each, w = s0 + 40*s1 + 1600*s2, s0
// first.  Symbol 0 is a blank in every class.  Seven symbol classes:
//  - classes 1-5: symbols 1-6 switch the class (code v selects class v when v
//    is below the current class, class v + 1 otherwise); the others are
//    characters.  In class 5 symbol 39 starts a repeat: the following symbols
//    give a count (each 39 adds 39 and another symbol follows) and the
//    previous character is written count + 1 more times;
//  - classes 6 and 7 are entered by a switch and left by symbol 39, which
//    returns to the class in force before; symbols 1-38 are characters.
// The class in force at the start is the mode: 5 general text, 3 names,
// titles and paths, 2 checkpoint descriptions, save stamps and DXF blocks,
// 1 picture names and title-block fields.
// After the markup bytes 25 and 29 the next text byte is stored exactly, as
// two symbols (value s0 + 40*s1; 1599 when the text ends there).
#pragma once
#include <cstdint>

// Packs the first length characters of text into at most max_words words;
// returns the bytes written (2 per word); 0 for an empty text.  The text
// ends at a NUL within length.
int text_pack_words(int length, const char* text, uint16_t* dst, int max_words, int mode);
// Unpacks (packed_bytes + 1) / 2 words into dst (at most dst_len - 1
// characters and a NUL); returns the characters written.
int text_unpack_words(int packed_bytes, const uint16_t* src, char* dst, int dst_len, int mode);
// text_pack_words in mode 5 with strlen(text) and dst_bytes / 2 words.
int text_pack(const char* text, uint16_t* dst, int dst_bytes);
// text_unpack_words in mode 5, then trailing blanks removed; returns the length.
int text_unpack(char* dst, int dst_len, const uint16_t* src, int packed_bytes);
// Unpacks word_count words in mode 2 into a 2048-character text, turning the
// escapes backslash-n into a line feed and backslash-t into a tab.  The text
// stays valid until the next call.
const char* unpack_text_block(const uint16_t* src, int word_count);

void text_word_to_symbols(uint16_t w, uint8_t out[3]);
uint16_t text_symbols_to_word(uint8_t s0, uint8_t s1, uint8_t s2);

// The class (1-7) and symbol of a text byte; class 0 for bytes stored as a blank.
void text_char_symbol(unsigned char c, int* cls, int* symbol);
