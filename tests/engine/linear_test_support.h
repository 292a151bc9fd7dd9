// Runs one encoder on a fresh record holding the data as its data_text, the
// way the dispatcher calls it, and captures what the encoder left behind.
#pragma once

#include <cstring>
#include <string>

#include "engine/barcode_symbol.h"
#include "engine/encoder_table.h"

struct Encoded {
  int result;
  std::string data_text;
  std::string error_text;
  int width;
  int row_count;
  std::string row;  // row 0, `width` modules
};

// rows_in_use > 0 starts from a record that already holds that many rows.
inline Encoded run_encoder(Encoder encoder, int symbology, const std::string& data,
                           int rows_in_use = 0) {
  BarcodeSymbol symbol;
  reset_symbol(symbol);
  symbol.symbology = symbology;
  symbol.row_count = rows_in_use;
  std::strncpy(symbol.data_text, data.c_str(), DATA_TEXT_SIZE - 1);
  int result = encoder(symbol, symbol.data_text);
  return {result,       symbol.data_text, symbol.error_text, symbol.width,
          symbol.row_count, std::string(symbol.module_rows[0], symbol.width)};
}

// Module row of a pattern of element widths, bar first.
inline std::string modules_of(const std::string& widths) {
  std::string modules;
  char module = '1';
  for (char width : widths) {
    modules.append(width - '0', module);
    module = module == '1' ? '0' : '1';
  }
  return modules;
}
