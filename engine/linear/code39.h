// Code 39 (symbologies 8, 105 with a modulo-43 check, 50 with the check and
// three-module wide elements), Extended Code 39 (9, 106) and PZN (52).
#pragma once

#include "engine/barcode_symbol.h"

// Upper-cases the data in place, then encodes at most 45 characters between
// "*" start and stop characters. The record's symbology decides on the check
// character, the wide width and the text shown: "*DATA*" for 8 and 105, the
// data (with its check character for 50 and 106) otherwise.
int encode_code39(BarcodeSymbol& symbol, char* data);

// Full ASCII: every byte 0-127 is written as its Code 39 replacement; the
// record's data text stays the data as given.
int encode_code39_extended(BarcodeSymbol& symbol, char* data);

// Six digits and a modulo-11 check character, shown and encoded as "-", the
// digits and the check.
int encode_pzn(BarcodeSymbol& symbol, char* data);
