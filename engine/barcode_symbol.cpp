#include "engine/barcode_symbol.h"

#include <cstring>

Workspace workspace;

void reset_symbol(BarcodeSymbol& symbol) {
  std::memset(&symbol, 0, sizeof symbol);
  symbol.symbology = 1;
  symbol.white_space_width = 20;
  symbol.back_color = 0x00FFFFFF;
}
