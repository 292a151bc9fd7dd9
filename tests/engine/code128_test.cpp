#include "engine/linear/code128.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/result.h"

namespace {

std::vector<int> values_of(int symbology, const std::string& text) {
  Code128Values values;
  if (!code128_symbol_values(symbology, text.c_str(), values)) return {};
  return {values.value, values.value + values.count};
}

BarcodeSymbol symbol_with(int symbology, const std::string& data) {
  BarcodeSymbol symbol;
  reset_symbol(symbol);
  symbol.symbology = symbology;
  std::strcpy(symbol.data_text, data.c_str());
  return symbol;
}

// Start, data and check values of the symbols.
TEST(Code128Values, EdgeCases) {
  const std::string e9 = "\xE9";
  struct Case {
    const char* what;
    int symbology;
    std::string text;
    std::vector<int> values;
  } cases[] = {
      {"four digits use set C", 20, "1234", {105, 12, 34, 82}},
      {"two digits stay in set B", 20, "12", {104, 17, 18, 54}},
      {"three digits stay in set B", 20, "123", {104, 17, 18, 19, 8}},
      {"odd only set C block ends in set B", 20, "12345", {105, 12, 34, 100, 21, 54}},
      {"odd later set C block gives its first digit back", 20, "AB12345", {104, 33, 34, 17, 99, 23, 45, 7}},
      {"odd set C block after one letter", 20, "A12345", {104, 33, 17, 99, 23, 45, 64}},
      {"even set C block between letters", 20, "A123456B", {104, 33, 99, 12, 34, 56, 100, 34, 80}},
      {"subset B never uses set C", 60, "1234", {104, 17, 18, 19, 20, 88}},
      {"lower case in set B", 20, "abc", {104, 65, 66, 67, 90}},
      {"short digits before a control start in set A", 20, "12\x01", {103, 17, 18, 65, 42}},
      {"EAN-128 brackets are plain characters", 16, "(01)123", {104, 102, 8, 16, 17, 9, 17, 18, 19, 42}},
      {"empty data", 20, "", {104, 1}},
      {"empty EAN-128", 16, "", {104, 102, 0}},
      {"single extended character", 20, "a" + e9 + "b", {104, 65, 100, 73, 66, 28}},
      {"four extended characters are shifted", 20, "A\xC4\xC4\xC4\xC4" "B",
       {104, 33, 100, 36, 100, 36, 100, 36, 100, 36, 34, 45}},
      {"five extended characters are latched", 20, e9 + e9 + e9 + e9 + e9 + "A",
       {104, 100, 100, 73, 73, 73, 73, 73, 100, 100, 33, 36}},
      {"three extended characters at the end stay open", 20, "ab" + e9 + e9 + e9,
       {104, 65, 66, 100, 100, 73, 73, 73, 49}},
      {"latched from the first position", 20, e9 + e9 + e9, {104, 100, 100, 73, 73, 73, 44}},
      {"latched in set A", 20, "\x01\x81\x81\x81", {103, 65, 101, 101, 65, 65, 65, 0}},
      {"control between letters is shifted", 20, "a\x01" "b", {104, 65, 98, 65, 66, 0}},
      {"lower case after controls is shifted", 20, "\x01\x02" "a", {103, 65, 66, 98, 65, 30}},
      {"extended shift: FNC4 of the set in force, then SHIFT", 20, "\x01\x02\xE9",
       {103, 65, 66, 101, 98, 73, 21}},
      {"shift after set C latches instead", 20, "12345\x01", {105, 12, 34, 101, 21, 65, 73}},
      {"NVE-18 digits after FNC1", 75, "00123456789012345675",
       {105, 102, 0, 12, 34, 56, 78, 90, 12, 34, 56, 75, 42}},
  };
  for (const Case& c : cases) EXPECT_EQ(values_of(c.symbology, c.text), c.values) << c.what;
}

TEST(Code128Values, LengthLimits) {
  EXPECT_FALSE(values_of(20, std::string(79, 'A')).empty());
  EXPECT_TRUE(values_of(20, std::string(80, 'A')).empty());
  EXPECT_EQ(values_of(20, std::string(158, '7')).size(), 81u);
  EXPECT_TRUE(values_of(20, std::string(160, '7')).empty());
  EXPECT_TRUE(values_of(20, std::string(161, 'A')).empty());
}

// The estimate does not count the latch back to set C after each shifted
// letter; the symbols actually emitted would need 1069 modules.
TEST(Code128Values, RefusedWhenTheEmittedSymbolsPassTheRow) {
  std::string text;
  for (int i = 0; i < 19; ++i) text += "1234a";
  Code128Positions positions;
  plan_code128_positions(text.c_str(), false, positions);
  EXPECT_LE(code128_length_estimate(positions), 80);
  EXPECT_TRUE(values_of(20, text).empty());

  BarcodeSymbol symbol = symbol_with(20, text);
  BarcodeSymbol before = symbol;
  EXPECT_EQ(encode_code128(symbol, symbol.data_text), RESULT_TOO_LONG);
  EXPECT_STREQ(symbol.error_text, "error: input too long");
  std::strcpy(before.error_text, symbol.error_text);
  EXPECT_EQ(std::memcmp(&before, &symbol, sizeof symbol), 0);

  text.resize(17 * 5);
  EXPECT_FALSE(values_of(20, text).empty());
}

TEST(Code128Blocks, ResolveAndMergeTheSharedList) {
  int count = build_code_set_blocks("ab\x01" "12cd", 7, false);
  ASSERT_EQ(count, 4);
  EXPECT_EQ(code_set_blocks[0].mode, CodeMode::b_only);
  EXPECT_EQ(code_set_blocks[2].mode, CodeMode::digit);
  resolve_code_sets(count);
  // b_only -> set B, control -> shift to A, digits follow the set B rule of
  // "previous is anything else, next not A only", the letters join them.
  ASSERT_EQ(count, 3);
  EXPECT_EQ(code_set_blocks[0].mode, CodeMode::set_b);
  EXPECT_EQ(code_set_blocks[0].length, 2);
  EXPECT_EQ(code_set_blocks[1].mode, CodeMode::shift_a);
  EXPECT_EQ(code_set_blocks[2].mode, CodeMode::set_b);
  EXPECT_EQ(code_set_blocks[2].length, 4);

  count = build_code_set_blocks("9", 1, false);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(code_set_blocks[1].length, 0);
}

TEST(EncodeCode128, WritesOneRowOfElevenModulesPerSymbol) {
  BarcodeSymbol symbol = symbol_with(20, "1234");
  ASSERT_EQ(encode_code128(symbol, symbol.data_text), RESULT_OK);
  EXPECT_EQ(symbol.width, 4 * 11 + 13);
  EXPECT_EQ(symbol.row_count, 1);
  EXPECT_EQ(std::string(symbol.module_rows[0], symbol.width),
            "11010011100" "10110011100" "10001011000" "10010011110" "1100011101011");
  EXPECT_STREQ(symbol.data_text, "1234");
}

TEST(EncodeCode128, EmptyDataIsStartCheckAndStop) {
  BarcodeSymbol symbol = symbol_with(20, "");
  EXPECT_EQ(encode_code128(symbol, symbol.data_text), RESULT_OK);
  EXPECT_EQ(symbol.width, 35);
  EXPECT_EQ(symbol.row_count, 1);
}

TEST(EncodeCode128, Nve18RewritesTheDataText) {
  struct Case {
    const char* data;
    const char* shown;
  } cases[] = {
      {"12345678901234567", "00123456789012345675"},
      {"00000000000000013", "00000000000000000130"},
  };
  for (const Case& c : cases) {
    BarcodeSymbol symbol = symbol_with(75, c.data);
    EXPECT_EQ(encode_code128(symbol, symbol.data_text), RESULT_OK) << c.data;
    EXPECT_STREQ(symbol.data_text, c.shown);
    EXPECT_EQ(symbol.width, 13 * 11 + 13);
  }
}

TEST(EncodeCode128, RefusalsLeaveTheRecord) {
  struct Case {
    int symbology;
    std::string data;
    int result;
    const char* message;
  } cases[] = {
      {75, "1234567890123456", RESULT_TOO_LONG, "error: input wrong length(=17)"},
      {75, "123456789012345678", RESULT_TOO_LONG, "error: input wrong length(=17)"},
      {75, "1234567890123456A", RESULT_INVALID_DATA, "error: invalid characters in data"},
      {75, "", RESULT_TOO_LONG, "error: input wrong length(=17)"},
      {20, std::string(80, 'A'), RESULT_TOO_LONG, "error: input too long"},
      {16, std::string(79, 'A'), RESULT_OK, ""},
  };
  for (const Case& c : cases) {
    BarcodeSymbol symbol = symbol_with(c.symbology, c.data);
    BarcodeSymbol before = symbol;
    EXPECT_EQ(encode_code128(symbol, symbol.data_text), c.result) << c.data;
    EXPECT_STREQ(symbol.error_text, c.message);
    if (c.result == RESULT_OK) continue;
    std::strcpy(before.error_text, symbol.error_text);
    EXPECT_EQ(std::memcmp(&before, &symbol, sizeof symbol), 0) << c.data;
  }
}

TEST(EncodeCode128, DataLongerThan160Characters) {
  BarcodeSymbol symbol = symbol_with(20, "");
  std::string data(161, '1');
  EXPECT_EQ(encode_code128(symbol, data.data()), RESULT_TOO_LONG);
  EXPECT_STREQ(symbol.error_text, "error: input too long(<=160)");
  data.pop_back();
  EXPECT_EQ(encode_code128(symbol, data.data()), RESULT_TOO_LONG);
  EXPECT_STREQ(symbol.error_text, "error: input too long");
  EXPECT_EQ(symbol.row_count, 0);
}

}  // namespace
