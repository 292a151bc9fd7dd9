#include "engine/helpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/result.h"

namespace {

BarcodeSymbol fresh_symbol() {
  BarcodeSymbol symbol;
  reset_symbol(symbol);
  return symbol;
}

Pattern pattern_of(const char* text) {
  Pattern pattern;
  concat_text(pattern, text);
  return pattern;
}

std::string row_text(const BarcodeSymbol& symbol, int row, int length) {
  return std::string(symbol.module_rows[row], length);
}

TEST(ResetSymbol, SetsDefaults) {
  BarcodeSymbol symbol;
  std::memset(&symbol, 0x5A, sizeof symbol);
  reset_symbol(symbol);
  EXPECT_EQ(symbol.symbology, 1);
  EXPECT_EQ(symbol.white_space_width, 20);
  EXPECT_EQ(symbol.back_color, 0x00FFFFFFu);
  EXPECT_EQ(symbol.fore_color, 0u);
  EXPECT_EQ(symbol.border_width, 0);
  EXPECT_EQ(symbol.row_count, 0);
  EXPECT_EQ(symbol.width, 0);
  EXPECT_STREQ(symbol.data_text, "");
  EXPECT_EQ(symbol.module_rows[7][999], 0);
}

TEST(CheckCharset, Cases) {
  struct Case {
    const char* set;
    const char* data;
    int expected;
  } cases[] = {
      {"0123456789", "", RESULT_OK},
      {"0123456789", "0459", RESULT_OK},
      {"", "1", RESULT_INVALID_DATA},
      {"0123456789", "12a", RESULT_INVALID_DATA},
      {"\xE9", "\xE9", RESULT_INVALID_DATA},
  };
  for (const Case& c : cases) EXPECT_EQ(check_charset(c.set, c.data), c.expected) << c.data;
}

TEST(CharValue, ConvertsBothWays) {
  EXPECT_EQ(char_value('0'), 0);
  EXPECT_EQ(char_value('9'), 9);
  EXPECT_EQ(char_value('A'), 10);
  EXPECT_EQ(char_value('Z'), 35);
  EXPECT_EQ(char_value('-'), -10);
  EXPECT_EQ(char_value('a'), 42);
  EXPECT_EQ(char_value('\xE9'), -78);
  EXPECT_EQ(value_char(10), 'A');
  EXPECT_EQ(value_char(7), '7');
  EXPECT_EQ(value_char(-1), '6');
}

TEST(CharPosition, MissingAndFirstBothZero) {
  EXPECT_EQ(char_position("ABCD", 'E'), 0);
  EXPECT_EQ(char_position("ABCD", 'A'), 0);
  EXPECT_EQ(char_position("ABCD", 'D'), 3);
}

TEST(UpperAscii, OnlyLatinLetters) {
  char text[] = "ab-Z\xE9z";
  upper_ascii(text);
  EXPECT_STREQ(text, "AB-Z\xE9Z");
}

TEST(AppendPattern, AppendsEveryMatchAndNothingForAStranger) {
  constexpr const char* table[] = {"11", "22", "33"};
  Pattern pattern = pattern_of("9");
  append_pattern("ABA", table, 'A', pattern);
  EXPECT_STREQ(pattern.text, "91133");
  append_pattern("ABA", table, 'X', pattern);
  EXPECT_STREQ(pattern.text, "91133");
}

TEST(ConcatText, RefusesWhatDoesNotFit) {
  char text[6] = "abc";
  EXPECT_TRUE(concat_text(text, sizeof text, "de"));
  EXPECT_STREQ(text, "abcde");
  EXPECT_FALSE(concat_text(text, sizeof text, "f"));
  EXPECT_STREQ(text, "abcde");

  Pattern pattern;
  std::string long_text(PATTERN_SIZE - 1, '1');
  concat_text(pattern, long_text.c_str());
  EXPECT_FALSE(pattern.overflow);
  concat_text(pattern, "1");
  EXPECT_TRUE(pattern.overflow);
}

TEST(PatternToRow, StacksRowsAndKeepsTheWidestWidth) {
  BarcodeSymbol symbol = fresh_symbol();
  EXPECT_EQ(pattern_to_row(symbol, pattern_of("112211")), RESULT_OK);
  EXPECT_EQ(row_text(symbol, 0, 8), "10110010");
  EXPECT_EQ(symbol.width, 8);
  EXPECT_EQ(symbol.row_count, 1);

  EXPECT_EQ(pattern_to_row(symbol, pattern_of("11")), RESULT_OK);
  EXPECT_EQ(row_text(symbol, 1, 2), "10");
  EXPECT_EQ(symbol.width, 8);
  EXPECT_EQ(symbol.row_count, 2);
}

TEST(PatternToRow, ZeroWidthSwitchesTheModule) {
  BarcodeSymbol symbol = fresh_symbol();
  EXPECT_EQ(pattern_to_row(symbol, pattern_of("2021")), RESULT_OK);
  EXPECT_EQ(row_text(symbol, 0, 5), "11110");
}

TEST(PatternToRow, PharmacodeOneTrackDropsTwoModules) {
  BarcodeSymbol symbol = fresh_symbol();
  symbol.symbology = 51;
  EXPECT_EQ(pattern_to_row(symbol, pattern_of("333111")), RESULT_OK);
  EXPECT_EQ(symbol.width, 10);
}

TEST(PatternToRow, RefusesANinthRowAndLeavesTheRecord) {
  BarcodeSymbol symbol = fresh_symbol();
  for (int i = 0; i < MAX_ROWS; ++i) ASSERT_EQ(pattern_to_row(symbol, pattern_of("11")), RESULT_OK);
  BarcodeSymbol before = symbol;
  EXPECT_EQ(pattern_to_row(symbol, pattern_of("11")), RESULT_TOO_LONG);
  EXPECT_STREQ(symbol.error_text, "error: symbol too large");
  std::strcpy(before.error_text, symbol.error_text);
  EXPECT_EQ(std::memcmp(&before, &symbol, sizeof symbol), 0);
}

TEST(PatternToRow, RefusesMoreThanAThousandModules) {
  BarcodeSymbol symbol = fresh_symbol();
  Pattern fits;
  for (int i = 0; i < 100; ++i) concat_text(fits, "55");
  EXPECT_EQ(pattern_to_row(symbol, fits), RESULT_OK);
  EXPECT_EQ(symbol.width, 1000);

  Pattern too_wide = fits;
  concat_text(too_wide, "1");
  EXPECT_EQ(pattern_to_row(symbol, too_wide), RESULT_TOO_LONG);
  EXPECT_EQ(symbol.row_count, 1);

  Pattern overflowed;
  overflowed.overflow = true;
  EXPECT_EQ(pattern_to_row(symbol, overflowed), RESULT_TOO_LONG);
}

TEST(Fail, CopiesTheMessageCutToFit) {
  BarcodeSymbol symbol = fresh_symbol();
  EXPECT_EQ(fail(symbol, RESULT_TOO_LONG, "error: input too long"), RESULT_TOO_LONG);
  EXPECT_STREQ(symbol.error_text, "error: input too long");
  std::string huge(300, 'x');
  fail(symbol, RESULT_INVALID_DATA, huge.c_str());
  EXPECT_EQ(std::strlen(symbol.error_text), static_cast<size_t>(ERROR_TEXT_SIZE - 1));
}

}  // namespace
