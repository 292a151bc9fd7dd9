#include "engine/linear/two_of_five.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/dispatch.h"
#include "engine/result.h"
#include "tests/engine/linear_test_support.h"

namespace {

// The two-of-five code of each digit: two wide elements of five.
const char* const wide_narrow_codes[] = {"NNWWN", "WNNNW", "NWNNW", "WWNNN", "NNWNW",
                                         "WNWNN", "NWWNN", "NNNWW", "WNNWN", "NWNWN"};

// Matrix form: bar, space, bar, space, bar (wide 3), then a narrow space.
std::string matrix_digit(int digit) {
  std::string widths;
  for (char element : std::string(wide_narrow_codes[digit])) widths += element == 'W' ? '3' : '1';
  return modules_of(widths + "1");
}

// Industrial form: five bars (wide 3), each followed by a narrow space.
std::string industrial_digit(int digit) {
  std::string widths;
  for (char element : std::string(wide_narrow_codes[digit])) widths += element == 'W' ? "31" : "11";
  return modules_of(widths);
}

TEST(TwoOfFive, PublishedRows) {
  struct Case {
    Encoder encoder;
    int symbology;
    const char* data;
    const char* shown;
    const char* row;
  } cases[] = {
      {encode_matrix_2of5, 2, "12", "12", "1111010101110101110100010111011110101"},
      {encode_industrial_2of5, 7, "12", "12", "1101101011101010101110101110101011101101011"},
      {encode_datalogic_2of5, 6, "12", "12", "10101110101110100010111011101"},
      {encode_iata_2of5, 4, "12", "12", "1010" "11101010101110" "10111010101110" "11101"},
      {encode_interleaved_2of5, 3, "123", "0123", "101010010110110100100110010101101101"},
      {encode_matrix_2of5, 2, "", "", "111101010" "11110101"},
      {encode_industrial_2of5, 7, "", "", "11011010" "1101011"},
      {encode_iata_2of5, 4, "", "", "1010" "11101"},
      {encode_datalogic_2of5, 6, "", "", "1010" "11101"},
      {encode_interleaved_2of5, 3, "", "", "1010" "1101"},
  };
  for (const Case& c : cases) {
    Encoded encoded = run_encoder(c.encoder, c.symbology, c.data);
    ASSERT_EQ(encoded.result, RESULT_OK) << c.symbology << " " << c.data;
    EXPECT_EQ(encoded.row, c.row) << c.symbology << " " << c.data;
    EXPECT_EQ(encoded.data_text, c.shown);
    EXPECT_EQ(encoded.row_count, 1);
  }
}

// Neither decoder reads these four, so every digit is checked against its
// wide/narrow code.
TEST(TwoOfFive, EveryDigitFollowsItsWideNarrowCode) {
  std::string matrix_digits, industrial_digits;
  for (int digit = 0; digit <= 9; ++digit) {
    matrix_digits += matrix_digit(digit);
    industrial_digits += industrial_digit(digit);
  }
  struct Case {
    Encoder encoder;
    int symbology;
    std::string row;
  } cases[] = {
      {encode_matrix_2of5, 2, modules_of("411111") + matrix_digits + modules_of("41111")},
      {encode_datalogic_2of5, 6, modules_of("1111") + matrix_digits + modules_of("311")},
      {encode_industrial_2of5, 7, modules_of("212111") + industrial_digits + modules_of("21112")},
      {encode_iata_2of5, 4, modules_of("1111") + industrial_digits + modules_of("311")},
  };
  for (const Case& c : cases) {
    Encoded encoded = run_encoder(c.encoder, c.symbology, "0123456789");
    ASSERT_EQ(encoded.result, RESULT_OK) << c.symbology;
    EXPECT_EQ(encoded.row, c.row) << c.symbology;
    EXPECT_EQ(encoded.data_text, "0123456789");
  }
}

TEST(TwoOfFive, LongestData) {
  struct Case {
    Encoder encoder;
    int symbology;
    int length;
    int width;
  } cases[] = {
      {encode_matrix_2of5, 2, 80, 9 + 80 * 10 + 8},
      {encode_datalogic_2of5, 6, 80, 4 + 80 * 10 + 5},
      {encode_industrial_2of5, 7, 45, 8 + 45 * 14 + 7},
      {encode_iata_2of5, 4, 45, 4 + 45 * 14 + 5},
      {encode_interleaved_2of5, 3, 90, 4 + 45 * 14 + 4},
      {encode_interleaved_2of5, 3, 89, 4 + 45 * 14 + 4},
  };
  for (const Case& c : cases) {
    std::string data(c.length, '7');
    Encoded encoded = run_encoder(c.encoder, c.symbology, data);
    ASSERT_EQ(encoded.result, RESULT_OK) << c.symbology << " " << c.length;
    EXPECT_EQ(encoded.width, c.width) << c.symbology << " " << c.length;
    EXPECT_EQ(encoded.data_text, c.length % 2 == 1 && c.symbology == 3 ? "0" + data : data);
  }
}

TEST(TwoOfFive, CheckDigitsThenInterleaved) {
  struct Case {
    Encoder encoder;
    int symbology;
    const char* data;
    const char* shown;
  } cases[] = {
      {encode_itf14, 72, "1540014128876", "15400141288763"},
      {encode_itf14, 72, "0000000000000", "00000000000000"},
      {encode_itf14, 72, "0000000000001", "00000000000017"},  // the last digit weighs 3
      {encode_leitcode, 21, "1234567890123", "12345678901236"},
      {encode_identcode, 22, "56310243031", "563102430313"},
      {encode_identcode, 22, "00000000001", "000000000016"},  // the last digit weighs 4
  };
  for (const Case& c : cases) {
    Encoded encoded = run_encoder(c.encoder, c.symbology, c.data);
    ASSERT_EQ(encoded.result, RESULT_OK) << c.data;
    EXPECT_EQ(encoded.data_text, c.shown);
    EXPECT_EQ(encoded.row, run_encoder(encode_interleaved_2of5, 3, c.shown).row) << c.data;
  }
}

TEST(TwoOfFive, Itf14GetsTheBearerBox) {
  BarcodeSymbol symbol;
  reset_symbol(symbol);
  symbol.symbology = 72;
  symbol.white_space_width = 50;
  std::strcpy(symbol.data_text, "1540014128876");
  ASSERT_EQ(encode_symbol(symbol, symbol.data_text), RESULT_OK);
  EXPECT_EQ(symbol.white_space_width, 20);
  EXPECT_EQ(symbol.border_width, 8);
  EXPECT_EQ(symbol.output_options, OUTPUT_BOX);
  EXPECT_EQ(symbol.width, 106);
  EXPECT_STREQ(symbol.data_text, "15400141288763");
}

TEST(TwoOfFive, RefusalsLeaveTheRecord) {
  struct Case {
    Encoder encoder;
    std::string data;
    int result;
    const char* message;
  } cases[] = {
      {encode_matrix_2of5, std::string(81, '1'), RESULT_TOO_LONG, "error: input too long(<=80)"},
      {encode_datalogic_2of5, std::string(81, '1'), RESULT_TOO_LONG, "error: input too long(<=80)"},
      {encode_industrial_2of5, std::string(46, '1'), RESULT_TOO_LONG, "error: input too long(<=45)"},
      {encode_iata_2of5, std::string(46, '1'), RESULT_TOO_LONG, "error: input too long(<=45)"},
      {encode_interleaved_2of5, std::string(91, '1'), RESULT_TOO_LONG, "error: input too long(<=90)"},
      {encode_matrix_2of5, "12a", RESULT_INVALID_DATA, "error: invalid characters in data"},
      {encode_datalogic_2of5, "1\xE9", RESULT_INVALID_DATA, "error: invalid characters in data"},
      {encode_industrial_2of5, "12a", RESULT_INVALID_DATA, "error: invalid character in data"},
      {encode_iata_2of5, "12a", RESULT_INVALID_DATA, "error: invalid characters in data"},
      {encode_interleaved_2of5, "1 2", RESULT_INVALID_DATA, "error: invalid characters in data"},
      {encode_itf14, "15400141288763", RESULT_TOO_LONG, "error: input wrong length(=13)"},
      {encode_itf14, "154001412887", RESULT_TOO_LONG, "error: input wrong length(=13)"},
      {encode_itf14, "154001412887A", RESULT_INVALID_DATA, "error: invalid character in data"},
      {encode_leitcode, "123456789012", RESULT_TOO_LONG, "error: input wrong length(=13)"},
      {encode_leitcode, "123456789012\xB9", RESULT_INVALID_DATA, "error: invalid characters in data"},
      {encode_identcode, "563102430313", RESULT_TOO_LONG, "erro: input wrong length(=11)"},
      {encode_identcode, "5631024303X", RESULT_INVALID_DATA, "error: invalid characters in data"},
  };
  for (const Case& c : cases) {
    Encoded encoded = run_encoder(c.encoder, 0, c.data);
    EXPECT_EQ(encoded.result, c.result) << c.data;
    EXPECT_EQ(encoded.error_text, c.message) << c.data;
    EXPECT_EQ(encoded.data_text, c.data);
    EXPECT_EQ(encoded.row_count, 0) << c.data;
    EXPECT_EQ(encoded.width, 0) << c.data;
  }
}

TEST(TwoOfFive, FullRecordKeepsTheText) {
  struct Case {
    Encoder encoder;
    const char* data;
  } cases[] = {
      {encode_interleaved_2of5, "123"},
      {encode_itf14, "1540014128876"},
      {encode_matrix_2of5, "12"},
  };
  for (const Case& c : cases) {
    Encoded encoded = run_encoder(c.encoder, 0, c.data, MAX_ROWS);
    EXPECT_EQ(encoded.result, RESULT_TOO_LONG) << c.data;
    EXPECT_EQ(encoded.error_text, "error: symbol too large");
    EXPECT_EQ(encoded.data_text, c.data);
    EXPECT_EQ(encoded.row_count, MAX_ROWS);
  }
}

}  // namespace
