// Code 11 (symbology 1): digits and the dash, two check characters C and K.
#pragma once

#include "engine/barcode_symbol.h"

// Appends one row and leaves data followed by C and K in data_text.
int encode_code11(BarcodeSymbol& symbol, char* data);
