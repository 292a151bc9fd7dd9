// Every symbology number from -5 to 110 with hostile data: no crash, no write
// outside the record, and a record the renderer can read safely afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/dispatch.h"
#include "engine/result.h"

namespace {

std::vector<std::string> hostile_data() {
  std::vector<std::string> data = {"", std::string(99, '7'), std::string(99, 'A')};
  std::string mixed;
  for (int i = 0; i < 99; ++i) mixed += "a1-\x7F\xE9"[i % 5];
  data.push_back(mixed);
  // Every byte value 1..255, in chunks that fit data_text.
  for (int first = 1; first <= 255; first += DATA_TEXT_SIZE - 1) {
    std::string chunk;
    for (int byte = first; byte <= 255 && byte < first + DATA_TEXT_SIZE - 1; ++byte) chunk += static_cast<char>(byte);
    data.push_back(chunk);
  }
  return data;
}

bool terminated(const char* text, int capacity) { return std::memchr(text, '\0', capacity) != nullptr; }

// The record holds no more than it has room for, its texts end inside their
// fields, and only module characters stand in the rows in use.
void expect_sound_record(const BarcodeSymbol& symbol, const std::string& what) {
  EXPECT_GE(symbol.row_count, 0) << what;
  EXPECT_LE(symbol.row_count, MAX_ROWS) << what;
  EXPECT_GE(symbol.width, 0) << what;
  EXPECT_LE(symbol.width, MAX_MODULES) << what;
  EXPECT_TRUE(terminated(symbol.data_text, DATA_TEXT_SIZE)) << what;
  EXPECT_TRUE(terminated(symbol.error_text, ERROR_TEXT_SIZE)) << what;
  for (int row = 0; row < MAX_ROWS; ++row)
    for (int column = 0; column < MAX_MODULES; ++column) {
      char module = symbol.module_rows[row][column];
      bool allowed = module == 0 || (row < symbol.row_count && (module == '0' || module == '1'));
      if (!allowed) {
        ADD_FAILURE() << what << ": byte " << int(module) << " at row " << row << ", column " << column;
        return;
      }
    }
}

void expect_settings_kept(const BarcodeSymbol& before, const BarcodeSymbol& after, const std::string& what) {
  EXPECT_EQ(after.height, before.height) << what;
  EXPECT_EQ(after.rotate_angle, before.rotate_angle) << what;
  EXPECT_EQ(after.char_size, before.char_size) << what;
  EXPECT_EQ(after.text_align, before.text_align) << what;
  EXPECT_EQ(std::memcmp(after.font_name, before.font_name, FONT_NAME_SIZE), 0) << what;
  EXPECT_EQ(std::memcmp(after.prefix, before.prefix, AFFIX_SIZE), 0) << what;
  EXPECT_EQ(std::memcmp(after.suffix, before.suffix, AFFIX_SIZE), 0) << what;
  EXPECT_EQ(after.fore_color, before.fore_color) << what;
  EXPECT_EQ(after.back_color, before.back_color) << what;
}

TEST(BadInput, EveryNumberWithHostileData) {
  const std::set<int> known_results = {RESULT_OK,          RESULT_TOO_LONG,     RESULT_INVALID_INPUT,
                                       RESULT_INVALID_CHECK, RESULT_UNSUPPORTED, RESULT_INVALID_DATA};
  const std::vector<std::string> data = hostile_data();
  // Exactly the record's size on the heap, so that a write past it is caught.
  auto symbol = std::make_unique<BarcodeSymbol>();
  for (int number = -5; number <= 110; ++number) {
    for (std::size_t d = 0; d < data.size(); ++d) {
      const std::string what = "symbology " + std::to_string(number) + ", data " + std::to_string(d);
      reset_symbol(*symbol);
      std::strcpy(symbol->font_name, "font");
      std::strcpy(symbol->prefix, "pre");
      std::strcpy(symbol->suffix, "suf");
      symbol->rotate_angle = 90;
      symbol->char_size = 12;
      const BarcodeSymbol before = *symbol;
      // A second encode without a reset starts from the first one's text and rows.
      for (int pass = 0; pass < 2; ++pass) {
        symbol->symbology = number;
        if (pass == 0) std::memcpy(symbol->data_text, data[d].c_str(), data[d].size() + 1);
        int result = encode_symbol(*symbol, symbol->data_text);
        EXPECT_TRUE(known_results.count(result)) << what << ": result " << result;
        if (result != RESULT_OK) {
          EXPECT_NE(symbol->error_text[0], '\0') << what;
        }
        expect_sound_record(*symbol, what);
      }
      expect_settings_kept(before, *symbol, what);
    }
  }
}

}  // namespace
