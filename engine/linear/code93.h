// Code 93 (symbology 25): always full ASCII, with the check characters C and K.
#pragma once

#include "engine/barcode_symbol.h"

// Encodes at most 45 bytes of 0-127 whose full-ASCII text is at most 45
// characters; the record's data text becomes the data followed by C and K
// (the shift characters shown as a, b, c, d).
int encode_code93(BarcodeSymbol& symbol, char* data);
