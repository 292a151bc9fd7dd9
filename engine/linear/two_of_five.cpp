#include "engine/linear/two_of_five.h"

#include <cstring>
#include <iterator>

#include "engine/helpers.h"
#include "engine/result.h"

namespace {

constexpr char DIGITS[] = "0123456789";

// Each digit is five elements, two of them wide: NNWWN, WNNNW, NWNNW, WWNNN,
// NNWNW, WNWNN, NWWNN, NNNWW, WNNWN, NWNWN for 0 to 9.

// Bar, space, bar, space, bar (N = 1, W = 3), then a one-module space.
constexpr const char* matrix_2of5_patterns[] = {
    "113311", "311131", "131131", "331111", "113131",
    "313111", "133111", "111331", "311311", "131311"};

// Five bars (N = 1, W = 3), each followed by a one-module space.
constexpr const char* industrial_2of5_patterns[] = {
    "1111313111", "3111111131", "1131111131", "3131111111", "1111311131",
    "3111311111", "1131311111", "1111113131", "3111113111", "1131113111"};

// The five elements with N = 1 and W = 2, used as the bars or the spaces of a
// digit pair.
constexpr const char* interleaved_2of5_patterns[] = {
    "11221", "21112", "12112", "22111", "11212",
    "21211", "12211", "11122", "21121", "12121"};

static_assert(std::size(matrix_2of5_patterns) == std::size(DIGITS) - 1);
static_assert(std::size(industrial_2of5_patterns) == std::size(DIGITS) - 1);
static_assert(std::size(interleaved_2of5_patterns) == std::size(DIGITS) - 1);

constexpr char INTERLEAVED_START[] = "1111";
constexpr char INTERLEAVED_STOP[] = "211";
constexpr std::size_t INTERLEAVED_MAX_LENGTH = 90;

// One digit-by-digit member of the family.
struct TwoOfFive {
  const char* start;
  const char* const* patterns;
  const char* stop;
  std::size_t max_length;
  const char* too_long_message;
  const char* invalid_message;
};

constexpr TwoOfFive MATRIX = {"411111", matrix_2of5_patterns, "41111", 80,
                              "error: input too long(<=80)", "error: invalid characters in data"};
constexpr TwoOfFive INDUSTRIAL = {"212111", industrial_2of5_patterns, "21112", 45,
                                  "error: input too long(<=45)", "error: invalid character in data"};
constexpr TwoOfFive IATA = {"1111", industrial_2of5_patterns, "311", 45,
                            "error: input too long(<=45)", "error: invalid characters in data"};
constexpr TwoOfFive DATALOGIC = {"1111", matrix_2of5_patterns, "311", 80,
                                 "error: input too long(<=80)", "error: invalid characters in data"};

int encode_digit_by_digit(BarcodeSymbol& symbol, const char* data, const TwoOfFive& code) {
  if (std::strlen(data) > code.max_length)
    return fail(symbol, RESULT_TOO_LONG, code.too_long_message);
  if (check_charset(DIGITS, data) != RESULT_OK)
    return fail(symbol, RESULT_INVALID_DATA, code.invalid_message);

  Pattern pattern;
  concat_text(pattern, code.start);
  for (const char* digit = data; *digit; ++digit)
    append_pattern(DIGITS, code.patterns, *digit, pattern);
  concat_text(pattern, code.stop);
  return pattern_to_row(symbol, pattern);
}

// The ten widths of a digit pair: the first digit's on the bars, the second's
// on the spaces.
void append_interleaved_pair(Pattern& pattern, char first, char second) {
  const char* bars = interleaved_2of5_patterns[char_value(first)];
  const char* spaces = interleaved_2of5_patterns[char_value(second)];
  char widths[11] = {};
  for (int i = 0; i < 5; ++i) {
    widths[2 * i] = bars[i];
    widths[2 * i + 1] = spaces[i];
  }
  concat_text(pattern, widths);
}

// (10 - weighted sum mod 10) mod 10, digits at even positions (from 0 at the
// left) weighted even_weight and the others odd_weight.
char mod10_check_digit(const char* digits, int even_weight, int odd_weight) {
  int sum = 0;
  for (int i = 0; digits[i]; ++i)
    sum += char_value(digits[i]) * (i % 2 == 0 ? even_weight : odd_weight);
  return value_char((10 - sum % 10) % 10);
}

// An Interleaved 2 of 5 code of fixed length with a modulo-10 check digit.
struct CheckedInterleaved {
  std::size_t length;
  const char* wrong_length_message;
  const char* invalid_message;
  int even_weight;
  int odd_weight;
};

constexpr CheckedInterleaved ITF14 = {13, "error: input wrong length(=13)",
                                      "error: invalid character in data", 3, 1};
constexpr CheckedInterleaved LEITCODE = {13, "error: input wrong length(=13)",
                                         "error: invalid characters in data", 4, 9};
constexpr CheckedInterleaved IDENTCODE = {11, "erro: input wrong length(=11)",
                                          "error: invalid characters in data", 4, 9};

// Checks the length and the digits, appends the check digit and encodes the
// result as Interleaved 2 of 5.
int encode_with_check_digit(BarcodeSymbol& symbol, const char* data, const CheckedInterleaved& code) {
  if (std::strlen(data) != code.length)
    return fail(symbol, RESULT_TOO_LONG, code.wrong_length_message);
  if (check_charset(DIGITS, data) != RESULT_OK)
    return fail(symbol, RESULT_INVALID_DATA, code.invalid_message);

  char digits[DATA_TEXT_SIZE] = {};
  const char check[2] = {mod10_check_digit(data, code.even_weight, code.odd_weight), '\0'};
  concat_text(digits, sizeof digits, data);
  concat_text(digits, sizeof digits, check);
  return encode_interleaved_2of5(symbol, digits);
}

}  // namespace

int encode_matrix_2of5(BarcodeSymbol& symbol, char* data) {
  return encode_digit_by_digit(symbol, data, MATRIX);
}

int encode_industrial_2of5(BarcodeSymbol& symbol, char* data) {
  return encode_digit_by_digit(symbol, data, INDUSTRIAL);
}

int encode_iata_2of5(BarcodeSymbol& symbol, char* data) {
  return encode_digit_by_digit(symbol, data, IATA);
}

int encode_datalogic_2of5(BarcodeSymbol& symbol, char* data) {
  return encode_digit_by_digit(symbol, data, DATALOGIC);
}

int encode_interleaved_2of5(BarcodeSymbol& symbol, char* data) {
  std::size_t length = std::strlen(data);
  if (length > INTERLEAVED_MAX_LENGTH)
    return fail(symbol, RESULT_TOO_LONG, "error: input too long(<=90)");
  if (check_charset(DIGITS, data) != RESULT_OK)
    return fail(symbol, RESULT_INVALID_DATA, "error: invalid characters in data");

  char digits[DATA_TEXT_SIZE] = {};
  if (length % 2 == 1) concat_text(digits, sizeof digits, "0");
  concat_text(digits, sizeof digits, data);

  Pattern pattern;
  concat_text(pattern, INTERLEAVED_START);
  for (const char* pair = digits; *pair; pair += 2) append_interleaved_pair(pattern, pair[0], pair[1]);
  concat_text(pattern, INTERLEAVED_STOP);

  int result = pattern_to_row(symbol, pattern);
  if (is_error(result)) return result;
  std::memcpy(symbol.data_text, digits, sizeof digits);
  return result;
}

int encode_itf14(BarcodeSymbol& symbol, char* data) {
  return encode_with_check_digit(symbol, data, ITF14);
}

int encode_leitcode(BarcodeSymbol& symbol, char* data) {
  return encode_with_check_digit(symbol, data, LEITCODE);
}

int encode_identcode(BarcodeSymbol& symbol, char* data) {
  return encode_with_check_digit(symbol, data, IDENTCODE);
}
