#include "engine/barcode_symbol.h"

#include <cstring>

Workspace workspace;

void reset_symbol(BarcodeSymbol& symbol) {
  std::memset(&symbol, 0, sizeof symbol);
  symbol.symbology = 1;
  symbol.white_space_width = 20;
  symbol.back_color = 0x00FFFFFF;
}

void reset_workspace(Workspace& workspace) {
  std::memset(workspace.char_set_value, 0, sizeof workspace.char_set_value);
  std::memset(workspace.prefix_value, 0, sizeof workspace.prefix_value);
  std::memset(workspace.surfix_value, 0, sizeof workspace.surfix_value);
  reset_symbol(workspace.symbol);
}
