#include "engine/linear/code39.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/result.h"
#include "tests/engine/linear_test_support.h"

namespace {

constexpr int CODE39 = 8;
constexpr int CODE39_EXTENDED = 9;
constexpr int CODE39_WIDE_CHECKED = 50;
constexpr int PZN = 52;
constexpr int CODE39_CHECKED = 105;
constexpr int CODE39_EXTENDED_CHECKED = 106;

Encoded code39(int symbology, const std::string& data) {
  return run_encoder(encode_code39, symbology, data);
}

TEST(Code39, ModulesOfStartCharacterAndStop) {
  Encoded encoded = code39(CODE39, "A");
  ASSERT_EQ(encoded.result, RESULT_OK);
  EXPECT_EQ(encoded.row, "1001011011010" "1101010010110" "100101101101");
}

TEST(Code39, CheckCharactersAndShownText) {
  const std::string longest(45, 'Z');  // 45 * 35 = 1575, check value 27 "R"
  struct Case {
    int symbology;
    std::string data;
    std::string shown;
    int width;
  } cases[] = {
      {CODE39, "abc", "*ABC*", 13 * 4 + 12},
      {CODE39, "", "**", 13 + 12},
      {CODE39_CHECKED, "ABC", "*ABCX*", 13 * 5 + 12},
      {CODE39_CHECKED, "Z3", "*Z3_*", 13 * 4 + 12},  // check value 38 is space
      {CODE39_CHECKED, "%", "*%%*", 13 * 3 + 12},    // check value 42
      {CODE39_CHECKED, longest, "*" + longest + "R*", 13 * 47 + 12},
      {CODE39_WIDE_CHECKED, "ABC", "ABCX", 16 * 5 + 15},
      {CODE39_WIDE_CHECKED, "Z3", "Z3_", 16 * 4 + 15},
  };
  for (const Case& c : cases) {
    Encoded encoded = code39(c.symbology, c.data);
    ASSERT_EQ(encoded.result, RESULT_OK) << c.data;
    EXPECT_EQ(encoded.data_text, c.shown);
    EXPECT_EQ(encoded.width, c.width) << c.data;
    EXPECT_EQ(encoded.row_count, 1);
  }
}

TEST(Code39, SpaceCheckCharacterIsDrawnAsSpace) {
  // "Z3" with its check drawn is "Z3 " without one.
  EXPECT_EQ(code39(CODE39_CHECKED, "Z3").row, code39(CODE39, "Z3 ").row);
}

TEST(Code39, WideVariantIsTheCheckedSymbolWithWiderElements) {
  std::string checked = code39(CODE39_CHECKED, "CODE39").row;
  std::string wide = code39(CODE39_WIDE_CHECKED, "CODE39").row;
  std::string widened;
  for (std::size_t i = 0; i < checked.size();) {
    std::size_t run = checked.find_first_not_of(checked[i], i);
    if (run == std::string::npos) run = checked.size();
    widened.append(run - i == 2 ? 3 : run - i, checked[i]);
    i = run;
  }
  EXPECT_EQ(wide, widened);
}

TEST(Code39Extended, FullAsciiReplacements) {
  struct Case {
    const char* data;
    const char* replacement;
  } cases[] = {
      {"\x01", "$A"}, {"\x1A", "$Z"}, {"\x1B", "%A"}, {"\x1F", "%E"}, {" ", " "},
      {"!", "/A"},    {",", "/L"},    {"-", "-"},     {".", "."},     {"/", "/O"},
      {"09", "09"},   {":", "/Z"},    {";", "%F"},    {"?", "%J"},    {"@", "%V"},
      {"AZ", "AZ"},   {"[", "%K"},    {"_", "%O"},    {"`", "%W"},    {"az", "+A+Z"},
      {"{", "%P"},    {"\x7F", "%T"}, {"Hello", "H+E+L+L+O"},
  };
  for (const Case& c : cases) {
    Encoded extended = run_encoder(encode_code39_extended, CODE39_EXTENDED, c.data);
    ASSERT_EQ(extended.result, RESULT_OK) << c.replacement;
    EXPECT_EQ(extended.row, code39(CODE39, c.replacement).row) << c.replacement;
    EXPECT_EQ(extended.data_text, c.data);
  }
}

TEST(Code39Extended, CheckCharacterOverTheReplacement) {
  Encoded extended = run_encoder(encode_code39_extended, CODE39_EXTENDED_CHECKED, "hello");
  ASSERT_EQ(extended.result, RESULT_OK);
  EXPECT_EQ(extended.row, code39(CODE39_CHECKED, "+H+E+L+L+O").row);
  EXPECT_EQ(extended.data_text, "hello");
}

TEST(Pzn, ModuloElevenCheckDrawnAsCode39) {
  struct Case {
    const char* data;
    const char* shown;
  } cases[] = {
      {"123456", "-1234562"},
      {"500000", "-500000A"},  // remainder 10
      {"000000", "-0000000"},
  };
  for (const Case& c : cases) {
    Encoded encoded = run_encoder(encode_pzn, PZN, c.data);
    ASSERT_EQ(encoded.result, RESULT_OK) << c.data;
    EXPECT_EQ(encoded.data_text, c.shown);
    EXPECT_EQ(encoded.row, code39(CODE39, c.shown).row) << c.data;
  }
}

TEST(Code39Family, Refusals) {
  struct Case {
    Encoder encoder;
    int symbology;
    std::string data;
    int result;
    const char* message;
    std::string text_after;
  } cases[] = {
      {encode_code39, CODE39, std::string(46, 'A'), RESULT_TOO_LONG, "error: input too long(<=45)",
       std::string(46, 'A')},
      {encode_code39, CODE39, "ab#", RESULT_INVALID_DATA, "error: invalid characters in data", "AB#"},
      {encode_code39, CODE39_CHECKED, "A\xE9", RESULT_INVALID_DATA, "error: invalid characters in data",
       "A\xE9"},
      {encode_code39, CODE39, "a_b", RESULT_INVALID_DATA, "error: invalid characters in data", "A_B"},
      {encode_pzn, PZN, "12345", RESULT_TOO_LONG, "error: input wrong length(=6)", "12345"},
      {encode_pzn, PZN, "1234567", RESULT_TOO_LONG, "error: input wrong length(=6)", "1234567"},
      {encode_pzn, PZN, "12345a", RESULT_INVALID_DATA, "error: invalid characters in data", "12345a"},
      {encode_code39_extended, CODE39_EXTENDED, std::string(46, 'A'), RESULT_TOO_LONG,
       "error: input too long(<=45)", std::string(46, 'A')},
      {encode_code39_extended, CODE39_EXTENDED, std::string(23, 'a'), RESULT_TOO_LONG,
       "error: input too long(<=45)", std::string(23, 'a')},
      {encode_code39_extended, CODE39_EXTENDED_CHECKED, "caf\xE9", RESULT_INVALID_DATA,
       "error: invalid characters in input data", "caf\xE9"},
  };
  for (const Case& c : cases) {
    Encoded encoded = run_encoder(c.encoder, c.symbology, c.data);
    EXPECT_EQ(encoded.result, c.result) << c.data;
    EXPECT_EQ(encoded.error_text, c.message) << c.data;
    EXPECT_EQ(encoded.data_text, c.text_after);
    EXPECT_EQ(encoded.row_count, 0) << c.data;
  }
}

TEST(Code39Family, LongestReplacementFits) {
  std::string data = std::string(22, 'a') + "A";  // 45 replacement characters
  Encoded encoded = run_encoder(encode_code39_extended, CODE39_EXTENDED_CHECKED, data);
  ASSERT_EQ(encoded.result, RESULT_OK);
  EXPECT_EQ(encoded.width, 13 * 47 + 12);
  EXPECT_EQ(encoded.data_text, data);
}

TEST(Code39Family, FullRecordKeepsTheText) {
  struct Case {
    Encoder encoder;
    int symbology;
    const char* data;
  } cases[] = {
      {encode_code39, CODE39_CHECKED, "ABC"},
      {encode_code39_extended, CODE39_EXTENDED, "Hello"},
      {encode_pzn, PZN, "123456"},
  };
  for (const Case& c : cases) {
    Encoded encoded = run_encoder(c.encoder, c.symbology, c.data, MAX_ROWS);
    EXPECT_EQ(encoded.result, RESULT_TOO_LONG) << c.data;
    EXPECT_EQ(encoded.error_text, "error: symbol too large");
    EXPECT_EQ(encoded.data_text, c.data);
  }
}

}  // namespace
