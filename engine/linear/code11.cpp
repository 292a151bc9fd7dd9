#include "engine/linear/code11.h"

#include <cstring>
#include <iterator>

#include "engine/helpers.h"
#include "engine/result.h"

namespace {

constexpr char code11_charset[] = "0123456789-";

constexpr const char* code11_patterns[] = {
    "111121", "211121", "121121", "221111", "112121", "212111",
    "122111", "111221", "211211", "211111", "112111",
};
static_assert(std::size(code11_patterns) == std::size(code11_charset) - 1);

constexpr char code11_start[] = "112211";
constexpr char code11_stop[] = "11221";

constexpr int CODE11_MAX_LENGTH = 80;
constexpr int C_WEIGHT_LIMIT = 10;
constexpr int K_WEIGHT_LIMIT = 9;

// Weights 1, 2, ... weight_limit, then 1 again, from the last value back to
// the first; the sum modulo 11.
int weighted_check(const int* values, int count, int weight_limit) {
  int sum = 0;
  int weight = 1;
  for (int i = count - 1; i >= 0; --i) {
    sum += weight * values[i];
    weight = weight == weight_limit ? 1 : weight + 1;
  }
  return sum % 11;
}

}  // namespace

int encode_code11(BarcodeSymbol& symbol, char* data) {
  int length = static_cast<int>(std::strlen(data));
  if (length > CODE11_MAX_LENGTH) return fail(symbol, RESULT_TOO_LONG, "error: input too long(<=80)");
  if (check_charset(code11_charset, data) == RESULT_INVALID_DATA)
    return fail(symbol, RESULT_INVALID_DATA, "error: invalid characters in data");

  // Values of the data characters, then of C.
  int values[CODE11_MAX_LENGTH + 1];
  Pattern pattern;
  concat_text(pattern, code11_start);
  for (int i = 0; i < length; ++i) {
    append_pattern(code11_charset, code11_patterns, data[i], pattern);
    values[i] = char_position(code11_charset, data[i]);
  }
  int c = weighted_check(values, length, C_WEIGHT_LIMIT);
  values[length] = c;
  int k = weighted_check(values, length + 1, K_WEIGHT_LIMIT);
  concat_text(pattern, code11_patterns[c]);
  concat_text(pattern, code11_patterns[k]);
  concat_text(pattern, code11_stop);

  int result = pattern_to_row(symbol, pattern);
  if (is_error(result)) return result;

  char shown[DATA_TEXT_SIZE];
  std::memcpy(shown, data, length);
  shown[length] = code11_charset[c];
  shown[length + 1] = code11_charset[k];
  shown[length + 2] = '\0';
  std::memcpy(symbol.data_text, shown, length + 3);
  return RESULT_OK;
}
