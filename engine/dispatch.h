// The single entry into the encoders: maps the requested symbology number
// onto the number that is encoded, forces the layout settings some
// symbologies need, and runs the encoder.
#pragma once

#include "engine/barcode_symbol.h"

// Symbology 57 is accepted but encodes nothing; the renderer refuses it.
constexpr int SYMBOLOGY_WITHOUT_ENCODER = 57;

// Rewrites symbol.symbology with the number that is encoded and copies the
// number's message, if any, into error_text. Returns RESULT_OK,
// RESULT_WARNING for a substitution, or RESULT_UNSUPPORTED for a refused
// number.
int normalise_symbology(BarcodeSymbol& symbol);

// Normalises the number, forces the layout settings of Code 16K and ITF-14
// and encodes data, which is usually the record's own data_text (encoders
// rewrite it). A refused number leaves rows, width and row count as they
// were. Returns the encoder's result.
int encode_symbol(BarcodeSymbol& symbol, char* data);
