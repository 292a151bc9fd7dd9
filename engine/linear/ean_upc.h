// The EAN/UPC family: EAN-13, EAN-8 and the EAN-2/EAN-5 add-ons (symbology
// 13), UPC-A (34), UPC-E (37) and ISBN drawn as EAN-13 (69).
#pragma once

#include "engine/barcode_symbol.h"

// Encodes a main part and an optional add-on after a "+" as one row, with the
// guard bars, and sets the record's data text to the digits with their check
// digit ("+" and the add-on appended). ISBN data carries its own check digit,
// which is verified.
int encode_ean_upc(BarcodeSymbol& symbol, char* data);

// Check digits over digit texts, each (10 - weighted sum mod 10) mod 10.
// Weights 1, 3, 1, ... from the left over the first 12 digits.
char ean13_check_digit(const char* digits);
// Weights 3, 1, 3, ... from the left over the first count digits.
char upc_check_digit(const char* digits, int count);
// As ean13_check_digit, over the first 12 of the 13 characters of an ISBN-13.
char isbn13_check_digit(const char* text);
// Over the first 9 of the 10 characters of an ISBN-10, weights 1 to 9, the
// sum modulo 11; a value of 10 is "X".
char isbn10_check_digit(const char* text);
