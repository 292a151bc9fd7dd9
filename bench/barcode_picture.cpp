#include "bench/barcode_picture.h"

#include <cstring>

#include "engine/barcode_symbol.h"
#include "render/renderer.h"

namespace {

TxImage* render_picture() {
  BarcodeSymbol& symbol = workspace.symbol;
  reset_symbol(symbol);
  symbol.symbology = CODE_128;
  std::strcpy(symbol.data_text, BENCH_DATA);
  HBITMAP bitmap = render_symbol(symbol);
  if (!bitmap) return nullptr;
  static TxImage picture;
  return picture.CreateFromHBITMAP(bitmap) ? &picture : nullptr;
}

}  // namespace

TxImage* barcode_picture() {
  static TxImage* picture = render_picture();
  return picture;
}
