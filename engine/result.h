// Result codes of the encoders and the dispatcher. A code above 4 is an error.
#pragma once

#include "engine/barcode_symbol.h"

constexpr int RESULT_OK = 0;
constexpr int RESULT_WARNING = 2;
constexpr int RESULT_TOO_LONG = 5;
constexpr int RESULT_INVALID_INPUT = 6;
constexpr int RESULT_INVALID_CHECK = 7;
constexpr int RESULT_UNSUPPORTED = 8;
constexpr int RESULT_INVALID_DATA = 13;

constexpr bool is_error(int result) { return result > 4; }

// Copies a fixed message into the record's error_text (cut to fit) and
// returns the code: the one way an encoder reports a warning or a failure.
int fail(BarcodeSymbol& symbol, int code, const char* message);
