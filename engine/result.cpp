#include "engine/result.h"

#include <cstring>

int fail(BarcodeSymbol& symbol, int code, const char* message) {
  std::strncpy(symbol.error_text, message, ERROR_TEXT_SIZE - 1);
  symbol.error_text[ERROR_TEXT_SIZE - 1] = '\0';
  return code;
}
