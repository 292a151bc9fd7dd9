// Turning the symbol record into a bitmap: quiet zones, border bands, bind
// and box bars, row separators, the human-readable text and rotation, at 2
// pixels per module.
#pragma once

#include "engine/barcode_symbol.h"

// Encodes the record's data_text (the result is not examined: the picture
// shows whatever rows the record holds afterwards), then paint_symbol.
HBITMAP render_symbol(BarcodeSymbol& symbol);

// Paints the record as it stands. The bitmap is kept in the Workspace's
// symbol_bitmap, which releases the bitmap of the previous rendering; the
// caller does not release it. No bitmap, symbol_bitmap unchanged and a
// message in error_text for symbology 57 and for a picture whose width or
// height is 0 or below or that would pass 100 million pixels (also after
// rotation).
HBITMAP paint_symbol(BarcodeSymbol& symbol);
