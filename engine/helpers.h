// The small operations every encoder is built from: character-set checks,
// character/value conversion, width patterns and their conversion to module
// rows.
#pragma once

#include <cstddef>

#include "engine/barcode_symbol.h"

constexpr int PATTERN_SIZE = 1000;

// A pattern text: element widths ("1" to "9"), bar first, then alternately
// space and bar. An append that would not fit the buffer is dropped and marks
// the pattern as overflowed; pattern_to_row refuses such a pattern.
struct Pattern {
  char text[PATTERN_SIZE] = {};
  int length = 0;
  bool overflow = false;
};

// Appends src to the pattern.
void concat_text(Pattern& dest, const char* src);

// Appends src to the zero-terminated text dest of the given capacity
// (terminator included). Returns false and leaves dest unchanged when the
// result would not fit.
bool concat_text(char* dest, std::size_t capacity, const char* src);

// c - 48 for "0" to "9", else the byte's signed value - 55 ("A" gives 10).
int char_value(char c);

// v + 48 for 0 to 9, else v + 55 (10 gives "A").
char value_char(int v);

// "a" to "z" become "A" to "Z" in place.
void upper_ascii(char* text);

// RESULT_OK when every byte of data is in set (empty data included), else
// RESULT_INVALID_DATA. Bytes of 0x80 and above are in no set.
int check_charset(const char* set, const char* data);

// Index of the first c in set; 0 when c is absent.
int char_position(const char* set, char c);

// Appends table[i] to dest for every position i at which set holds c; table
// holds one pattern for each position of set.
void append_pattern(const char* set, const char* const* table, char c, Pattern& dest);

// Turns the pattern into the next module row (index row_count) and updates
// width and row_count. Returns RESULT_OK, or RESULT_TOO_LONG with
// "error: symbol too large" and the record untouched when the pattern
// overflowed, the record has no free row, or the row would pass 1000 modules.
int pattern_to_row(BarcodeSymbol& symbol, const Pattern& pattern);

// For encoders that write rows directly from row 0: RESULT_OK when rows and
// width fit the record, else RESULT_TOO_LONG with "error: symbol too large".
int check_symbol_size(BarcodeSymbol& symbol, int rows, int width);
