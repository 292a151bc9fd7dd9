#include "engine/dispatch.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "engine/encoder_table.h"
#include "engine/result.h"

namespace {

constexpr char earlier_message[] = "earlier message";

BarcodeSymbol symbol_with(int symbology, const char* data) {
  BarcodeSymbol symbol;
  reset_symbol(symbol);
  symbol.symbology = symbology;
  std::strcpy(symbol.data_text, data);
  std::strcpy(symbol.error_text, earlier_message);
  return symbol;
}

TEST(NormaliseSymbology, NumberTable) {
  constexpr const char* out_of_range = "warning: Symbology out of range, using Code 128";
  constexpr const char* rss = "warning: RSS not supported, using Code 128";
  constexpr const char* no_encoder = "error: symbology not supported";
  struct Case {
    int requested;
    int encoded;
    const char* message;  // nullptr: error_text is left alone
    int result;
  } cases[] = {
      {INT_MIN, 20, out_of_range, RESULT_WARNING},
      {-5, 20, out_of_range, RESULT_WARNING},
      {0, 20, out_of_range, RESULT_WARNING},
      {1, 1, nullptr, RESULT_OK},
      {2, 2, nullptr, RESULT_OK},
      {5, 2, nullptr, RESULT_OK},
      {10, 13, nullptr, RESULT_OK},
      {15, 13, nullptr, RESULT_OK},
      {33, 16, nullptr, RESULT_OK},
      {17, 34, nullptr, RESULT_OK},
      {26, 34, nullptr, RESULT_OK},
      {36, 34, nullptr, RESULT_OK},
      {19, 18, "warning: Codabar 18 not supported, using Codabar", RESULT_WARNING},
      {59, 20, nullptr, RESULT_OK},
      {61, 20, nullptr, RESULT_OK},
      {23, 23, nullptr, RESULT_OK},
      {24, 25, "warning: Code 49 not supported, using Code 93", RESULT_WARNING},
      {62, 25, nullptr, RESULT_OK},
      {27, 27, "error: UPCD1 not supported", RESULT_UNSUPPORTED},
      {29, 20, rss, RESULT_WARNING},
      {31, 20, rss, RESULT_WARNING},
      {38, 37, nullptr, RESULT_OK},
      {39, 37, nullptr, RESULT_OK},
      {41, 40, nullptr, RESULT_OK},
      {45, 40, nullptr, RESULT_OK},
      {46, 86, nullptr, RESULT_OK},
      {48, 75, nullptr, RESULT_OK},
      {54, 20, "warning: General Parcel not supported, using Code 128", RESULT_WARNING},
      {55, 55, no_encoder, RESULT_UNSUPPORTED},
      {56, 56, no_encoder, RESULT_UNSUPPORTED},
      {57, 57, nullptr, RESULT_OK},
      {58, 58, no_encoder, RESULT_UNSUPPORTED},
      {71, 71, no_encoder, RESULT_UNSUPPORTED},
      {84, 84, no_encoder, RESULT_UNSUPPORTED},
      {64, 63, nullptr, RESULT_OK},
      {65, 63, nullptr, RESULT_OK},
      {66, 66, nullptr, RESULT_OK},
      {73, 73, "error: Codablock E not supported", RESULT_UNSUPPORTED},
      {74, 74, "error: Codablock F not supported", RESULT_UNSUPPORTED},
      {76, 76, "error: Japanese Postal Code not supported", RESULT_UNSUPPORTED},
      {77, 77, "error: Korean Postal Code not supported", RESULT_UNSUPPORTED},
      {78, 78, "error: RSS not supported", RESULT_UNSUPPORTED},
      {81, 81, "error: RSS not supported", RESULT_UNSUPPORTED},
      {83, 82, nullptr, RESULT_OK},
      {86, 86, nullptr, RESULT_OK},
      {87, 20, "warning: Symbology out of range, using Code 128\n", RESULT_WARNING},
      {99, 20, "warning: Symbology out of range, using Code 128\n", RESULT_WARNING},
      {100, 100, nullptr, RESULT_OK},
      {104, 104, nullptr, RESULT_OK},
      {106, 106, nullptr, RESULT_OK},
      {107, 20, out_of_range, RESULT_WARNING},
      {INT_MAX, 20, out_of_range, RESULT_WARNING},
  };
  for (const Case& c : cases) {
    BarcodeSymbol symbol = symbol_with(c.requested, "");
    EXPECT_EQ(normalise_symbology(symbol), c.result) << c.requested;
    EXPECT_EQ(symbol.symbology, c.encoded) << c.requested;
    EXPECT_STREQ(symbol.error_text, c.message ? c.message : earlier_message) << c.requested;
  }
}

TEST(EncodeSymbol, WarningSurvivesASuccessfulEncoding) {
  BarcodeSymbol symbol = symbol_with(0, "abc");
  EXPECT_EQ(encode_symbol(symbol, symbol.data_text), RESULT_OK);
  EXPECT_EQ(symbol.symbology, 20);
  EXPECT_STREQ(symbol.error_text, "warning: Symbology out of range, using Code 128");
  EXPECT_EQ(symbol.row_count, 1);
}

TEST(EncodeSymbol, EncoderFailureIsReturned) {
  BarcodeSymbol symbol = symbol_with(1, "abc");
  EXPECT_EQ(encode_symbol(symbol, symbol.data_text), RESULT_INVALID_DATA);
  EXPECT_STREQ(symbol.error_text, "error: invalid characters in data");
}

// 55, 56, 58, 71 and 84 have no encoder and report it rather than success.
TEST(EncodeSymbol, RefusedNumbersKeepEarlierRows) {
  for (int number : {27, 55, 56, 58, 71, 73, 74, 76, 77, 78, 84}) {
    BarcodeSymbol symbol = symbol_with(1, "12");
    ASSERT_EQ(encode_symbol(symbol, symbol.data_text), RESULT_OK);
    BarcodeSymbol before = symbol;
    symbol.symbology = number;
    EXPECT_EQ(encode_symbol(symbol, symbol.data_text), RESULT_UNSUPPORTED) << number;
    EXPECT_EQ(std::strncmp(symbol.error_text, "error: ", 7), 0) << number;
    EXPECT_EQ(symbol.row_count, 1);
    EXPECT_EQ(symbol.width, before.width);
    EXPECT_STREQ(symbol.data_text, before.data_text);
    EXPECT_EQ(std::memcmp(symbol.module_rows, before.module_rows, sizeof symbol.module_rows), 0);
  }
}

TEST(EncodeSymbol, SymbologyWithoutEncoderSucceedsWithNothing) {
  BarcodeSymbol symbol = symbol_with(SYMBOLOGY_WITHOUT_ENCODER, "123");
  EXPECT_EQ(encode_symbol(symbol, symbol.data_text), RESULT_OK);
  EXPECT_EQ(symbol.row_count, 0);
  EXPECT_STREQ(symbol.error_text, earlier_message);
}

TEST(EncodeSymbol, ForcedLayoutSettingsStay) {
  struct Case {
    int symbology;
    int white_space_width;
    int border_width;
    int output_options;
  } cases[] = {
      {23, 16, 2, OUTPUT_BIND},
      {72, 20, 8, OUTPUT_BOX},
      {20, 50, 3, 7},
  };
  for (const Case& c : cases) {
    BarcodeSymbol symbol = symbol_with(c.symbology, "12");
    symbol.white_space_width = 50;
    symbol.border_width = 3;
    symbol.output_options = 7;
    encode_symbol(symbol, symbol.data_text);
    EXPECT_EQ(symbol.white_space_width, c.white_space_width) << c.symbology;
    EXPECT_EQ(symbol.border_width, c.border_width) << c.symbology;
    EXPECT_EQ(symbol.output_options, c.output_options) << c.symbology;
  }
}

// Holds for every number, whichever encoders have joined the table.
TEST(EncodeSymbol, AcceptedNumberWithoutEncoderIsNotAvailable) {
  for (int number = 1; number <= 106; ++number) {
    BarcodeSymbol symbol = symbol_with(number, "");
    if (is_error(normalise_symbology(symbol))) continue;
    int encoded = symbol.symbology;
    if (find_encoder(encoded) != nullptr || encoded == SYMBOLOGY_WITHOUT_ENCODER) continue;
    symbol = symbol_with(number, "");
    EXPECT_EQ(encode_symbol(symbol, symbol.data_text), RESULT_UNSUPPORTED) << number;
    EXPECT_STREQ(symbol.error_text, "error: symbology not available") << number;
  }
}

}  // namespace
