#include "engine/linear/code93.h"

#include <cstring>
#include <iterator>

#include "engine/helpers.h"
#include "engine/result.h"

namespace {

// A character's position is its value; a, b, c, d (43-46) stand for the shift
// characters ($), (%), (/) and (+).
constexpr char code93_charset[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%abcd";

// Six widths, bar first, 9 modules.
constexpr const char* code93_patterns[] = {
    "131112", "111213", "111312", "111411", "121113",  // 0-4
    "121212", "121311", "111114", "131211", "141111",  // 5-9
    "211113", "211212", "211311", "221112", "221211",  // A-E
    "231111", "112113", "112212", "112311", "122112",  // F-J
    "132111", "111123", "111222", "111321", "121122",  // K-O
    "131121", "212112", "212211", "211122", "211221",  // P-T
    "221121", "222111", "112122", "112221", "122121",  // U-Y
    "123111", "121131", "311112", "311211", "321111",  // Z - . space $
    "112131", "113121", "211131", "121221", "312111",  // / + % ($) (%)
    "311121", "122211",                                // (/) (+)
};
static_assert(std::size(code93_patterns) == std::size(code93_charset) - 1);

constexpr char START_PATTERN[] = "111141";
constexpr char STOP_PATTERN[] = "1111411";  // the start and a termination bar

// The Code 93 text standing for each ASCII code, with the shift characters.
constexpr const char* code93_full_ascii[] = {
    "bU", "aA", "aB", "aC", "aD", "aE", "aF", "aG",    // 0-7
    "aH", "aI", "aJ", "aK", "aL", "aM", "aN", "aO",    // 8-15
    "aP", "aQ", "aR", "aS", "aT", "aU", "aV", "aW",    // 16-23
    "aX", "aY", "aZ", "bA", "bB", "bC", "bD", "bE",    // 24-31
    " ",  "cA", "cB", "cC", "cD", "cE", "cF", "cG",    // 32-39
    "cH", "cI", "cJ", "cK", "cL", "cM", "cN", "cO",    // 40-47
    "0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",     // 48-55
    "8",  "9",  "cZ", "bF", "bG", "bH", "bI", "bJ",    // 56-63
    "bV", "A",  "B",  "C",  "D",  "E",  "F",  "G",     // 64-71
    "H",  "I",  "J",  "K",  "L",  "M",  "N",  "O",     // 72-79
    "P",  "Q",  "R",  "S",  "T",  "U",  "V",  "W",     // 80-87
    "X",  "Y",  "Z",  "bK", "bL", "bM", "bN", "bO",    // 88-95
    "bW", "dA", "dB", "dC", "dD", "dE", "dF", "dG",    // 96-103
    "dH", "dI", "dJ", "dK", "dL", "dM", "dN", "dO",    // 104-111
    "dP", "dQ", "dR", "dS", "dT", "dU", "dV", "dW",    // 112-119
    "dX", "dY", "dZ", "bP", "bQ", "bR", "bS", "bT",    // 120-127
};
static_assert(std::size(code93_full_ascii) == 128);

constexpr std::size_t MAX_LENGTH = 45;
constexpr int MODULO = 47;
constexpr int C_WEIGHT_LIMIT = 20;
constexpr int K_WEIGHT_LIMIT = 15;

bool has_byte_above_127(const char* data) {
  for (; *data; ++data)
    if (static_cast<unsigned char>(*data) > 127) return true;
  return false;
}

// Weighted sum modulo 47, the last character weighing 1, the one before 2,
// and so on up to weight_limit, after which the weight starts again at 1.
char check_character(const char* text, int weight_limit) {
  int length = static_cast<int>(std::strlen(text));
  int sum = 0;
  for (int i = 0; i < length; ++i)
    sum += char_position(code93_charset, text[i]) * ((length - 1 - i) % weight_limit + 1);
  return code93_charset[sum % MODULO];
}

}  // namespace

int encode_code93(BarcodeSymbol& symbol, char* data) {
  if (std::strlen(data) > MAX_LENGTH) return fail(symbol, RESULT_TOO_LONG, "error: input too long(<=45)");
  if (has_byte_above_127(data))
    return fail(symbol, RESULT_INVALID_DATA, "error: invalid characters in input data");

  char symbol_text[2 * MAX_LENGTH + 1] = {};
  for (const char* c = data; *c; ++c)
    concat_text(symbol_text, sizeof symbol_text, code93_full_ascii[static_cast<unsigned char>(*c)]);
  if (std::strlen(symbol_text) > MAX_LENGTH)
    return fail(symbol, RESULT_TOO_LONG, "error: input too long(<=45)");

  const char check_c[2] = {check_character(symbol_text, C_WEIGHT_LIMIT), '\0'};
  concat_text(symbol_text, sizeof symbol_text, check_c);
  const char check_k[2] = {check_character(symbol_text, K_WEIGHT_LIMIT), '\0'};
  concat_text(symbol_text, sizeof symbol_text, check_k);

  Pattern pattern;
  concat_text(pattern, START_PATTERN);
  for (const char* c = symbol_text; *c; ++c) append_pattern(code93_charset, code93_patterns, *c, pattern);
  concat_text(pattern, STOP_PATTERN);

  int result = pattern_to_row(symbol, pattern);
  if (is_error(result)) return result;

  char shown[DATA_TEXT_SIZE] = {};
  concat_text(shown, sizeof shown, data);
  concat_text(shown, sizeof shown, check_c);
  concat_text(shown, sizeof shown, check_k);
  std::memcpy(symbol.data_text, shown, sizeof shown);
  return result;
}
