// The two-of-five family: Matrix, Industrial, IATA, Data Logic and
// Interleaved 2 of 5, and the Interleaved 2 of 5 codes with a check digit
// (ITF-14, Deutsche Post Leitcode and Identcode). Each writes one row.
#pragma once

#include "engine/barcode_symbol.h"

// Symbology 2: at most 80 digits; the data text is unchanged.
int encode_matrix_2of5(BarcodeSymbol& symbol, char* data);
// Symbology 7: at most 45 digits, every element a bar; the data text is unchanged.
int encode_industrial_2of5(BarcodeSymbol& symbol, char* data);
// Symbology 4: at most 45 digits; the data text is unchanged.
int encode_iata_2of5(BarcodeSymbol& symbol, char* data);
// Symbology 6: at most 80 digits; the data text is unchanged.
int encode_datalogic_2of5(BarcodeSymbol& symbol, char* data);
// Symbology 3: at most 90 digits in pairs; an odd count gets a leading "0",
// which the record's data text keeps.
int encode_interleaved_2of5(BarcodeSymbol& symbol, char* data);
// Symbology 72: 13 digits and a modulo-10 check digit (weights 3, 1).
int encode_itf14(BarcodeSymbol& symbol, char* data);
// Symbology 21: 13 digits and a modulo-10 check digit (weights 4, 9).
int encode_leitcode(BarcodeSymbol& symbol, char* data);
// Symbology 22: 11 digits and a modulo-10 check digit (weights 4, 9).
int encode_identcode(BarcodeSymbol& symbol, char* data);
