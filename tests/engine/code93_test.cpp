#include "engine/linear/code93.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/result.h"
#include "tests/engine/linear_test_support.h"

namespace {

constexpr int CODE93 = 25;

Encoded code93(const std::string& data, int rows_in_use = 0) {
  return run_encoder(encode_code93, CODE93, data, rows_in_use);
}

TEST(Code93, CheckCharactersCAndK) {
  struct Case {
    std::string data;
    std::string shown;
    int width;
  } cases[] = {
      {"TEST93", "TEST93+6", 9 + 8 * 9 + 10},
      {"a", "a8P", 9 + 4 * 9 + 10},  // carried as (+)A: the shift has value 46
      {"", "00", 9 + 2 * 9 + 10},
      {"-", "-I9", 9 + 4 * 9 + 10},  // carried as (/)M, unlike Code 39
      // Longer than both weight cycles (20 for C, 15 for K).
      {"Hello world! 93 {}~-.", "Hello world! 93 {}~-.1d", 9 + 38 * 9 + 10},
      {std::string(45, 'Z'), std::string(45, 'Z') + "b1", 9 + 47 * 9 + 10},
  };
  for (const Case& c : cases) {
    Encoded encoded = code93(c.data);
    ASSERT_EQ(encoded.result, RESULT_OK) << c.data;
    EXPECT_EQ(encoded.data_text, c.shown);
    EXPECT_EQ(encoded.width, c.width) << c.data;
    EXPECT_EQ(encoded.row_count, 1);
  }
}

TEST(Code93, ModulesOfStartCharacterChecksAndStop) {
  // "A" (211113), C = 10 "A", K = 10 + 2 * 10 = 30 "U" (221121).
  Encoded encoded = code93("A");
  ASSERT_EQ(encoded.result, RESULT_OK);
  EXPECT_EQ(encoded.data_text, "AAU");
  EXPECT_EQ(encoded.row, modules_of("111141" "211113" "211113" "221121" "1111411"));
}

TEST(Code93, Refusals) {
  struct Case {
    std::string data;
    int result;
    const char* message;
  } cases[] = {
      {std::string(46, 'A'), RESULT_TOO_LONG, "error: input too long(<=45)"},
      {std::string(23, 'a'), RESULT_TOO_LONG, "error: input too long(<=45)"},  // 46 symbol characters
      {"caf\xE9", RESULT_INVALID_DATA, "error: invalid characters in input data"},
      {"\x80", RESULT_INVALID_DATA, "error: invalid characters in input data"},
  };
  for (const Case& c : cases) {
    Encoded encoded = code93(c.data);
    EXPECT_EQ(encoded.result, c.result) << c.data;
    EXPECT_EQ(encoded.error_text, c.message) << c.data;
    EXPECT_EQ(encoded.data_text, c.data);
    EXPECT_EQ(encoded.row_count, 0) << c.data;
  }
}

TEST(Code93, FullRecordKeepsTheText) {
  Encoded encoded = code93("TEST93", MAX_ROWS);
  EXPECT_EQ(encoded.result, RESULT_TOO_LONG);
  EXPECT_EQ(encoded.error_text, "error: symbol too large");
  EXPECT_EQ(encoded.data_text, "TEST93");
}

}  // namespace
