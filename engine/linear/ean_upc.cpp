#include "engine/linear/ean_upc.h"

#include <cstring>
#include <iterator>

#include "engine/helpers.h"
#include "engine/result.h"

namespace {

constexpr char DIGITS[] = "0123456789";

// Digit patterns: four widths beginning with a space, 7 modules. A right-hand
// half uses set A: it follows a guard that ends in a space, so its characters
// begin with a bar, which gives the right-hand patterns.
constexpr const char* ean_set_a[] = {"3211", "2221", "2122", "1411", "1132",
                                     "1231", "1114", "1312", "1213", "3112"};
constexpr const char* ean_set_b[] = {"1123", "1222", "2212", "1141", "2311",
                                     "1321", "4111", "2131", "3121", "2113"};
static_assert(std::size(ean_set_a) == std::size(DIGITS) - 1);
static_assert(std::size(ean_set_b) == std::size(DIGITS) - 1);

constexpr char NORMAL_GUARD[] = "111";
constexpr char CENTRE_GUARD[] = "11111";
constexpr char UPCE_END_GUARD[] = "111111";
constexpr char ADDON_START[] = "112";
constexpr char ADDON_SEPARATOR[] = "11";
constexpr char ADDON_GAP[] = "9";

// Parities: the set of each digit.
// EAN-13 digits 3 to 7, by the first digit.
constexpr const char* ean13_parity[] = {"AAAAA", "ABABB", "ABBAB", "ABBBA", "BAABB",
                                        "BBAAB", "BBBAA", "BABAB", "BABBA", "BBABA"};
// UPC-E digits X1 to X6, by the check digit, for number systems 0 and 1.
constexpr const char* upce_parity_system0[] = {"BBBAAA", "BBABAA", "BBAABA", "BBAAAB", "BABBAA",
                                               "BAABBA", "BAAABB", "BABABA", "BABAAB", "BAABAB"};
constexpr const char* upce_parity_system1[] = {"AAABBB", "AABABB", "AABBAB", "AABBBA", "ABAABB",
                                               "ABBAAB", "ABBBAA", "ABABAB", "ABABBA", "ABBABA"};
// EAN-5, by the add-on check; EAN-2, by the add-on value modulo 4.
constexpr const char* ean5_parity[] = {"BBAAA", "BABAA", "BAABA", "BAAAB", "ABBAA",
                                       "AABBA", "AAABB", "ABABA", "ABAAB", "AABAB"};
constexpr const char* ean2_parity[] = {"AA", "AB", "BA", "BB"};
static_assert(std::size(ean13_parity) == std::size(DIGITS) - 1);
static_assert(std::size(upce_parity_system0) == std::size(DIGITS) - 1);
static_assert(std::size(upce_parity_system1) == std::size(DIGITS) - 1);
static_assert(std::size(ean5_parity) == std::size(DIGITS) - 1);

// UPC-A equivalents of UPC-E, by X6: "S" the number system, "a" to "f" the
// digits X1 to X6, "0" a zero.
constexpr const char* upce_expansion[] = {
    "Sabf0000cde", "Sabf0000cde", "Sabf0000cde", "Sabc00000de", "Sabcd00000e",
    "Sabcde0000f", "Sabcde0000f", "Sabcde0000f", "Sabcde0000f", "Sabcde0000f"};
static_assert(std::size(upce_expansion) == std::size(DIGITS) - 1);

constexpr int SYMBOLOGY_EAN = 13;
constexpr int SYMBOLOGY_UPCA = 34;
constexpr int SYMBOLOGY_UPCE = 37;
constexpr int SYMBOLOGY_ISBN = 69;

constexpr std::size_t MAX_LENGTH = 19;
constexpr std::size_t PART_SIZE = MAX_LENGTH + 1;

// The symbol being built: its pattern and the text it shows.
struct EanSymbol {
  Pattern pattern;
  char text[DATA_TEXT_SIZE] = {};
};

// The data split at its "+".
struct EanParts {
  char main[PART_SIZE] = {};
  char addon[PART_SIZE] = {};
};

int invalid_data(BarcodeSymbol& symbol) {
  return fail(symbol, RESULT_INVALID_DATA, "error: invalid characters in data");
}

int invalid_length(BarcodeSymbol& symbol) {
  return fail(symbol, RESULT_TOO_LONG, "error: invalid length input");
}

// Appends the digit in the set its letter gives ("A" or "B").
void append_digit(Pattern& pattern, char digit, char set) {
  append_pattern(DIGITS, set == 'B' ? ean_set_b : ean_set_a, digit, pattern);
}

// Appends each digit in the set of its letter in sets.
void append_digits(Pattern& pattern, const char* digits, const char* sets) {
  for (int i = 0; sets[i] && digits[i]; ++i) append_digit(pattern, digits[i], sets[i]);
}

void append_set_a(Pattern& pattern, const char* digits, int count) {
  for (int i = 0; i < count && digits[i]; ++i) append_pattern(DIGITS, ean_set_a, digits[i], pattern);
}

// Copies count digits into text and appends the check digit.
void with_check_digit(char* text, const char* digits, int count, char check) {
  std::memcpy(text, digits, count);
  text[count] = check;
  text[count + 1] = '\0';
}

// 12 digits: the first is carried only by the parity of digits 2 to 7.
void encode_ean13(EanSymbol& ean, const char* digits) {
  with_check_digit(ean.text, digits, 12, ean13_check_digit(digits));
  concat_text(ean.pattern, NORMAL_GUARD);
  append_digits(ean.pattern, ean.text + 1, "A");
  append_digits(ean.pattern, ean.text + 2, ean13_parity[char_value(ean.text[0])]);
  concat_text(ean.pattern, CENTRE_GUARD);
  append_set_a(ean.pattern, ean.text + 7, 6);
  concat_text(ean.pattern, NORMAL_GUARD);
}

// 11 digits (UPC-A) or 7 (EAN-8).
void encode_upca(EanSymbol& ean, const char* digits, int count) {
  with_check_digit(ean.text, digits, count, upc_check_digit(digits, count));
  int half = (count + 1) / 2;
  concat_text(ean.pattern, NORMAL_GUARD);
  append_set_a(ean.pattern, ean.text, half);
  concat_text(ean.pattern, CENTRE_GUARD);
  append_set_a(ean.pattern, ean.text + half, half);
  concat_text(ean.pattern, NORMAL_GUARD);
}

// Writes the UPC-A equivalent of number system and the six digits x into
// equivalent (12 bytes); returns false when the digits break the rule of
// their expansion.
bool expand_upce(char system, const char* x, char* equivalent) {
  const char* layout = upce_expansion[char_value(x[5])];
  for (int i = 0; i < 11; ++i) {
    char place = layout[i];
    equivalent[i] = place == 'S' ? system : place == '0' ? '0' : x[place - 'a'];
  }
  equivalent[11] = '\0';
  switch (x[5]) {
    case '3': return x[2] > '2';
    case '4': return x[3] != '0';
    case '0': case '1': case '2': return true;
    default: return x[4] != '0';
  }
}

// 6 digits, or 7 beginning with the number system (a system other than 1
// becomes 0).
void encode_upce(BarcodeSymbol& symbol, EanSymbol& ean, const char* digits) {
  char system = '0';
  const char* x = digits;
  if (std::strlen(digits) == 7) {
    system = digits[0] == '1' ? '1' : '0';
    x = digits + 1;
  }
  char equivalent[12];
  if (!expand_upce(system, x, equivalent)) fail(symbol, RESULT_OK, "warning: invalid UPC-E data");
  char check = upc_check_digit(equivalent, 11);

  const char* const* parity = system == '1' ? upce_parity_system1 : upce_parity_system0;
  concat_text(ean.pattern, NORMAL_GUARD);
  append_digits(ean.pattern, x, parity[char_value(check)]);
  concat_text(ean.pattern, UPCE_END_GUARD);

  ean.text[0] = system;
  with_check_digit(ean.text + 1, x, 6, check);
}

// 2 or 5 digits, after a 9-module gap when appended to a main symbol.
void encode_ean_addon(EanSymbol& ean, const char* digits, bool appended) {
  if (appended) concat_text(ean.pattern, ADDON_GAP);
  concat_text(ean.pattern, ADDON_START);
  int d[5] = {};
  int count = static_cast<int>(std::strlen(digits));
  for (int i = 0; i < count; ++i) d[i] = char_value(digits[i]);
  const char* sets = count == 2 ? ean2_parity[(10 * d[0] + d[1]) % 4]
                                : ean5_parity[(3 * (d[0] + d[2] + d[4]) + 9 * (d[1] + d[3])) % 10];
  for (int i = 0; i < count; ++i) {
    if (i > 0) concat_text(ean.pattern, ADDON_SEPARATOR);
    append_digit(ean.pattern, digits[i], sets[i]);
  }
}

// An "X" only as the check digit of a 9- or 10-character ISBN.
bool x_in_check_place_only(const char* text) {
  std::size_t length = std::strlen(text);
  const char* x = std::strchr(text, 'X');
  return x == nullptr || (x == text + length - 1 && (length == 9 || length == 10));
}

// An ISBN-13, ISBN-10 or SBN, verified and drawn as EAN-13.
int encode_isbn(BarcodeSymbol& symbol, EanSymbol& ean, char* text) {
  upper_ascii(text);
  if (check_charset("0123456789X", text) != RESULT_OK || !x_in_check_place_only(text))
    return fail(symbol, RESULT_INVALID_DATA, "error: invalid characters in input");
  std::size_t length = std::strlen(text);
  if (length != 9 && length != 10 && length != 13)
    return fail(symbol, RESULT_TOO_LONG, "error: input wrong length(9~13)");

  char ean_digits[13] = {};
  if (length == 13) {
    if (std::strncmp(text, "978", 3) != 0 && std::strncmp(text, "979", 3) != 0)
      return fail(symbol, RESULT_INVALID_DATA, "error: invalid ISBN");
    if (text[12] != isbn13_check_digit(text))
      return fail(symbol, RESULT_INVALID_CHECK, "error: incorrect ISBN check");
    std::memcpy(ean_digits, text, 12);
  } else {
    char isbn10[11] = "0";
    std::memcpy(isbn10 + (length == 9 ? 1 : 0), text, length);
    if (isbn10[9] != isbn10_check_digit(isbn10))
      return fail(symbol, RESULT_INVALID_CHECK,
                  length == 9 ? "error: incorrect SBN check" : "error: incorrect ISBN check");
    std::memcpy(ean_digits, "978", 3);
    std::memcpy(ean_digits + 3, isbn10, 9);
  }
  encode_ean13(ean, ean_digits);
  return RESULT_OK;
}

int encode_main_part(BarcodeSymbol& symbol, EanSymbol& ean, char* main) {
  int length = static_cast<int>(std::strlen(main));
  switch (symbol.symbology) {
    case SYMBOLOGY_EAN:
      if (length == 2 || length == 5) {
        encode_ean_addon(ean, main, false);
        concat_text(ean.text, sizeof ean.text, main);
      } else if (length == 7) {
        encode_upca(ean, main, 7);
      } else if (length == 12) {
        encode_ean13(ean, main);
      } else {
        return invalid_length(symbol);
      }
      return RESULT_OK;
    case SYMBOLOGY_UPCA:
      if (length != 11) return fail(symbol, RESULT_TOO_LONG, "error: input wrong length(=11)");
      encode_upca(ean, main, 11);
      return RESULT_OK;
    case SYMBOLOGY_UPCE:
      if (length != 6 && length != 7) return fail(symbol, RESULT_TOO_LONG, "error: input wrong length");
      encode_upce(symbol, ean, main);
      return RESULT_OK;
    case SYMBOLOGY_ISBN:
      return encode_isbn(symbol, ean, main);
    default:
      return fail(symbol, RESULT_UNSUPPORTED, "error: not an EAN/UPC symbology");
  }
}

// Splits data at its "+"; false when it holds more than one.
bool split_parts(const char* data, EanParts& parts) {
  const char* plus = std::strchr(data, '+');
  if (plus == nullptr) {
    concat_text(parts.main, sizeof parts.main, data);
    return true;
  }
  if (std::strchr(plus + 1, '+') != nullptr) return false;
  std::memcpy(parts.main, data, plus - data);
  concat_text(parts.addon, sizeof parts.addon, plus + 1);
  return true;
}

int weighted_check_digit(const char* digits, int count, int first_weight, int second_weight) {
  int sum = 0;
  for (int i = 0; i < count; ++i) sum += char_value(digits[i]) * (i % 2 == 0 ? first_weight : second_weight);
  return (10 - sum % 10) % 10;
}

}  // namespace

char ean13_check_digit(const char* digits) { return value_char(weighted_check_digit(digits, 12, 1, 3)); }

char upc_check_digit(const char* digits, int count) {
  return value_char(weighted_check_digit(digits, count, 3, 1));
}

char isbn13_check_digit(const char* text) { return ean13_check_digit(text); }

char isbn10_check_digit(const char* text) {
  int sum = 0;
  for (int i = 0; i < 9; ++i) sum += char_value(text[i]) * (i + 1);
  int value = sum % 11;
  return value == 10 ? 'X' : value_char(value);
}

int encode_ean_upc(BarcodeSymbol& symbol, char* data) {
  if (std::strlen(data) > MAX_LENGTH) return fail(symbol, RESULT_TOO_LONG, "error: input too long(<=19)");
  if (symbol.symbology != SYMBOLOGY_ISBN && check_charset("0123456789+", data) != RESULT_OK)
    return invalid_data(symbol);
  EanParts parts;
  if (!split_parts(data, parts) || check_charset(DIGITS, parts.addon) != RESULT_OK)
    return invalid_data(symbol);
  std::size_t addon_length = std::strlen(parts.addon);
  if (addon_length != 0 && addon_length != 2 && addon_length != 5) return invalid_length(symbol);

  EanSymbol ean;
  int result = encode_main_part(symbol, ean, parts.main);
  if (is_error(result)) return result;
  if (addon_length > 0) {
    encode_ean_addon(ean, parts.addon, true);
    concat_text(ean.text, sizeof ean.text, "+");
    concat_text(ean.text, sizeof ean.text, parts.addon);
  }
  result = pattern_to_row(symbol, ean.pattern);
  if (is_error(result)) return result;
  std::memcpy(symbol.data_text, ean.text, sizeof ean.text);
  return RESULT_OK;
}
