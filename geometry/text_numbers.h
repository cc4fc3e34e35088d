// Trimming of texts, reading numbers written with a decimal comma or point,
// and printing numbers by the formats of the settings block. Numbers are
// always printed with a decimal point; a comma is accepted on input only.
// Printed texts are the same in every build of the program.
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------- trimming
// From position len-1 backwards, replaces each blank or NUL by NUL until
// another character is met (tabs and line breaks stay). Returns the new
// length.
size_t trim_trailing_blanks(size_t len, char* buf);

// When the text holds a '.', removes trailing '0', blank and NUL characters
// back to the '.', and the '.' itself when nothing is left after it (12.500
// gives 12.5, 12.000 gives 12). In a text with an exponent only the mantissa
// is stripped (1.50e+20 gives 1.5e+20; the exponent keeps its zeros). A text
// without '.' only gets trim_trailing_blanks. Returns the new length.
size_t strip_trailing_zeros(size_t len, char* buf);

// The same, but a '.' left last gets one '0' after it (12.000 gives 12.0,
// .000 gives .0). A '.' that ends the text with no room after it within len
// is removed instead.
size_t strip_trailing_zeros_keep_one(size_t len, char* buf);

// Copies src leaving out CR and LF. At a line break after a '-', the hyphen
// is taken back and the blanks that begin the next line are skipped (a
// hyphenated word is joined); any other line break is dropped with no blank
// put in. dst needs strlen(src) + 1 bytes.
void join_text_lines(char* dst, const char* src);

// Copies the first min(strlen(src), max_len) characters of src leaving out
// every blank, then writes NUL. Returns the number of characters examined.
// dst needs that number + 1 bytes.
size_t copy_without_blanks(char* dst, const char* src, size_t max_len);

// The first character of text that is not a blank (' ' only); when count is
// given, the number of blanks skipped is added to it.
const char* skip_blanks(const char* text, int* count = nullptr);
char* skip_blanks(char* text, int* count = nullptr);

// 1 when x is not 0, else 0.
int is_nonzero(double x);

// ---------------------------------------------------------------- number input
// Reads a number written with a decimal comma or point: the text (at most
// 259 characters of it) with its first ',' read as '.', converted like atof:
// leading white space skipped, reading stops at the first character that
// does not fit, and a text with no number gives 0.0.
double parse_number_text(const char* text);

// Reads up to two numbers from text at pos, as in a grid-step field: twice,
// skips one ',' or '/' at the position and reads a number; a number followed
// directly by ',' goes to out[0], any other to out[1]. A place where no
// number can be read stores nothing and reads no characters. Returns the
// position after the parse, one further when a '/' follows.
int parse_number_pair(const char* text, int pos, double out[2]);

// ---------------------------------------------------------------- number output
// Each writes a NUL-terminated text of at most out_size - 1 characters and
// returns its length.

// By the settings block's number format ("%-24.14lg"), then
// strip_trailing_zeros_keep_one. The number writer of the exchange formats.
size_t format_number(char* out, size_t out_size, double value);

// Prints like format_number and appends the text to the NUL-terminated text
// in out, within out_size bytes in all. Returns the new length of out.
size_t append_number(char* out, size_t out_size, double value);

// By the small number format ("%-10.4lf") when |value| < 100000.0, else the
// large one ("%-14.5lg"), then strip_trailing_zeros_keep_one. The common
// display format of lengths and scales.
size_t format_number_by_magnitude(char* out, size_t out_size, double value);

// "%-10.1lf" when |value| < 100000.0, else "%-14.2lg", then
// strip_trailing_zeros (12.0 gives 12).
size_t format_number_short(char* out, size_t out_size, double value);

// ---------------------------------------------------------------- helpers
// A heap text of integers separated by commas, with its length and capacity.
struct NumberList {
    char* text;
    size_t length;
    size_t capacity;
};

// Appends n to the list (a null list is first created empty and gets no
// comma before its first number). Returns the list. Out of memory: the
// out-of-memory message is reported, the list is freed and null returned.
NumberList* append_number_to_list(NumberList* list, int n);

// Frees the list and its text (null is allowed).
void number_list_free(NumberList* list);

// Exchanges two blocks of size bytes in place. Sizes 2, 4, 8, 12 and 16 are
// exchanged directly and return a; any other size goes through a heap
// temporary and returns null (also when the exchange was done; when the
// temporary cannot be had nothing is exchanged).
void* swap_values(void* a, void* b, size_t size);

// Fills every byte of buf with random words, each 0..32767, little-endian
// (an odd count ends with the low byte of one more word). The generator is
// seeded once per process from the time, so calls in quick succession give
// different words. Safe to call from any thread.
void fill_random_words(void* buf, size_t bytes);
