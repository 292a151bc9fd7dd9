#include "engine/linear/code11.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/dispatch.h"
#include "engine/result.h"

namespace {

BarcodeSymbol symbol_with(const std::string& data) {
  BarcodeSymbol symbol;
  reset_symbol(symbol);
  std::strcpy(symbol.data_text, data.c_str());
  return symbol;
}

TEST(EncodeCode11, AppendsBothCheckCharacters) {
  struct Case {
    std::string data;
    const char* shown;
    int width;
  } cases[] = {
      {"123", "123-4", 54},
      {"1-2", "1-238", 54},
      {"", "00", 29},
      {"12345678901", "123456789014-", 116},     // C weights wrap after 10
      {"98765432109876", "987654321098764-", 139},  // K weights wrap after 9
      {std::string(80, '0'), nullptr, 8 + 82 * 7 + 7},  // C and K are both 0
  };
  for (const Case& c : cases) {
    BarcodeSymbol symbol = symbol_with(c.data);
    ASSERT_EQ(encode_code11(symbol, symbol.data_text), RESULT_OK) << c.data;
    if (c.shown) {
      EXPECT_STREQ(symbol.data_text, c.shown);
    }
    EXPECT_EQ(symbol.width, c.width) << c.data;
    EXPECT_EQ(symbol.row_count, 1);
  }
}

TEST(EncodeCode11, EmptyDataRow) {
  BarcodeSymbol symbol = symbol_with("");
  ASSERT_EQ(encode_code11(symbol, symbol.data_text), RESULT_OK);
  EXPECT_EQ(std::string(symbol.module_rows[0], 29), "10110010" "1010110" "1010110" "1011001");
}

TEST(EncodeCode11, RefusalsLeaveTheRecord) {
  struct Case {
    std::string data;
    int result;
    const char* message;
  } cases[] = {
      {std::string(81, '1'), RESULT_TOO_LONG, "error: input too long(<=80)"},
      {"12a", RESULT_INVALID_DATA, "error: invalid characters in data"},
      {"1 2", RESULT_INVALID_DATA, "error: invalid characters in data"},
      {"1\xB9", RESULT_INVALID_DATA, "error: invalid characters in data"},
  };
  for (const Case& c : cases) {
    BarcodeSymbol symbol = symbol_with(c.data);
    BarcodeSymbol before = symbol;
    EXPECT_EQ(encode_code11(symbol, symbol.data_text), c.result) << c.data;
    EXPECT_STREQ(symbol.error_text, c.message);
    std::strcpy(before.error_text, symbol.error_text);
    EXPECT_EQ(std::memcmp(&before, &symbol, sizeof symbol), 0) << c.data;
  }
}

TEST(EncodeCode11, ReencodingAppendsARowWithTwoMoreChecks) {
  BarcodeSymbol symbol = symbol_with("123");
  ASSERT_EQ(encode_code11(symbol, symbol.data_text), RESULT_OK);
  ASSERT_EQ(encode_code11(symbol, symbol.data_text), RESULT_OK);
  EXPECT_STREQ(symbol.data_text, "123-422");
  EXPECT_EQ(symbol.row_count, 2);
  EXPECT_EQ(symbol.width, 70);
}

TEST(EncodeCode11, DataOutsideTheRecordIsShownInTheRecord) {
  BarcodeSymbol symbol = symbol_with("");
  char data[] = "123";
  ASSERT_EQ(encode_code11(symbol, data), RESULT_OK);
  EXPECT_STREQ(symbol.data_text, "123-4");
  EXPECT_STREQ(data, "123");
}

// Each encode without a reset appends a row; the ninth has no room.
TEST(EncodeCode11, NinthRowIsRefusedAndTheWorkspaceKept) {
  std::memset(&workspace, 0x5A, sizeof workspace);
  reset_symbol(workspace.symbol);
  std::strcpy(workspace.symbol.data_text, "1");
  for (int i = 0; i < MAX_ROWS; ++i)
    ASSERT_EQ(encode_symbol(workspace.symbol, workspace.symbol.data_text), RESULT_OK) << i;
  EXPECT_EQ(std::strlen(workspace.symbol.data_text), 17u);

  Workspace before;
  std::memcpy(&before, &workspace, sizeof workspace);
  EXPECT_EQ(encode_symbol(workspace.symbol, workspace.symbol.data_text), RESULT_TOO_LONG);
  EXPECT_STREQ(workspace.symbol.error_text, "error: symbol too large");
  std::memcpy(before.symbol.error_text, workspace.symbol.error_text, ERROR_TEXT_SIZE);
  EXPECT_EQ(std::memcmp(&before, &workspace, sizeof workspace), 0);
  reset_symbol(workspace.symbol);
}

}  // namespace
