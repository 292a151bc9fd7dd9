#include "engine/helpers.h"

#include <cstring>

#include "engine/result.h"

namespace {

constexpr int PHARMACODE_ONE_TRACK = 51;

int symbol_too_large(BarcodeSymbol& symbol) {
  return fail(symbol, RESULT_TOO_LONG, "error: symbol too large");
}

// Modules the pattern writes, or -1 when it passes the row limit.
int pattern_modules(const Pattern& pattern) {
  int modules = 0;
  for (int i = 0; i < pattern.length; ++i) {
    int width = char_value(pattern.text[i]);
    if (width > 0) modules += width;
    if (modules > MAX_MODULES) return -1;
  }
  return modules;
}

}  // namespace

void concat_text(Pattern& dest, const char* src) {
  std::size_t length = std::strlen(src);
  if (dest.overflow || dest.length + length >= PATTERN_SIZE) {
    dest.overflow = true;
    return;
  }
  std::memcpy(dest.text + dest.length, src, length + 1);
  dest.length += static_cast<int>(length);
}

bool concat_text(char* dest, std::size_t capacity, const char* src) {
  std::size_t used = std::strlen(dest);
  std::size_t length = std::strlen(src);
  if (used + length >= capacity) return false;
  std::memcpy(dest + used, src, length + 1);
  return true;
}

int char_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  return static_cast<signed char>(c) - 55;
}

char value_char(int v) {
  return static_cast<char>(v >= 0 && v <= 9 ? v + '0' : v + 55);
}

void upper_ascii(char* text) {
  for (; *text; ++text)
    if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 32);
}

int check_charset(const char* set, const char* data) {
  for (; *data; ++data) {
    unsigned char c = static_cast<unsigned char>(*data);
    if (c >= 0x80 || std::strchr(set, c) == nullptr) return RESULT_INVALID_DATA;
  }
  return RESULT_OK;
}

int char_position(const char* set, char c) {
  for (int i = 0; set[i]; ++i)
    if (set[i] == c) return i;
  return 0;
}

void append_pattern(const char* set, const char* const* table, char c, Pattern& dest) {
  for (int i = 0; set[i]; ++i)
    if (set[i] == c) concat_text(dest, table[i]);
}

int pattern_to_row(BarcodeSymbol& symbol, const Pattern& pattern) {
  int modules = pattern.overflow ? -1 : pattern_modules(pattern);
  if (modules < 0 || symbol.row_count < 0 || symbol.row_count >= MAX_ROWS)
    return symbol_too_large(symbol);

  char* row = symbol.module_rows[symbol.row_count];
  char module = '1';
  int position = 0;
  for (int i = 0; i < pattern.length; ++i) {
    for (int n = char_value(pattern.text[i]); n > 0; --n) row[position++] = module;
    module = module == '1' ? '0' : '1';
  }

  int counted = symbol.symbology == PHARMACODE_ONE_TRACK ? position - 2 : position;
  if (counted > symbol.width) symbol.width = counted;
  ++symbol.row_count;
  return RESULT_OK;
}

int check_symbol_size(BarcodeSymbol& symbol, int rows, int width) {
  if (rows < 0 || rows > MAX_ROWS || width < 0 || width > MAX_MODULES)
    return symbol_too_large(symbol);
  return RESULT_OK;
}
