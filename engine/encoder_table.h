// The table from a symbology number, as normalised by the dispatcher, to its
// encoder.
#pragma once

#include "engine/barcode_symbol.h"

// An encoder validates data, appends its rows to the record and leaves the
// text to be shown in data_text; on failure it writes its message and leaves
// the rows as they were. Returns a result code.
using Encoder = int (*)(BarcodeSymbol& symbol, char* data);

// The encoder of the number, or nullptr when it has none.
Encoder find_encoder(int symbology);
