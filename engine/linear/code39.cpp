#include "engine/linear/code39.h"

#include <cstring>
#include <iterator>

#include "engine/helpers.h"
#include "engine/result.h"

namespace {

// A character's position is its value: digits 0-9, letters 10-35, then
// "-" 36, "." 37, space 38, "$" 39, "/" 40, "+" 41, "%" 42.
constexpr char code39_charset[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";

// Nine elements, bar first (narrow 1, wide 2), then the narrow gap.
constexpr const char* code39_patterns[] = {
    "1112212111", "2112111121", "1122111121", "2122111111", "1112211121",  // 0-4
    "2112211111", "1122211111", "1112112121", "2112112111", "1122112111",  // 5-9
    "2111121121", "1121121121", "2121121111", "1111221121", "2111221111",  // A-E
    "1121221111", "1111122121", "2111122111", "1121122111", "1111222111",  // F-J
    "2111111221", "1121111221", "2121111211", "1111211221", "2111211211",  // K-O
    "1121211211", "1111112221", "2111112211", "1121112211", "1111212211",  // P-T
    "2211111121", "1221111121", "2221111111", "1211211121", "2211211111",  // U-Y
    "1221211111", "1211112121", "2211112111", "1221112111", "1212121111",  // Z - . space $
    "1212111211", "1211121211", "1112121211",                              // / + %
};
static_assert(std::size(code39_patterns) == std::size(code39_charset) - 1);

constexpr char START_PATTERN[] = "1211212111";  // "*" with its gap
constexpr char STOP_PATTERN[] = "121121211";    // "*" without a gap

// The Code 39 text standing for each ASCII code.
constexpr const char* code39_full_ascii[] = {
    "%U", "$A", "$B", "$C", "$D", "$E", "$F", "$G",    // 0-7
    "$H", "$I", "$J", "$K", "$L", "$M", "$N", "$O",    // 8-15
    "$P", "$Q", "$R", "$S", "$T", "$U", "$V", "$W",    // 16-23
    "$X", "$Y", "$Z", "%A", "%B", "%C", "%D", "%E",    // 24-31
    " ",  "/A", "/B", "/C", "/D", "/E", "/F", "/G",    // 32-39
    "/H", "/I", "/J", "/K", "/L", "-",  ".",  "/O",    // 40-47
    "0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",     // 48-55
    "8",  "9",  "/Z", "%F", "%G", "%H", "%I", "%J",    // 56-63
    "%V", "A",  "B",  "C",  "D",  "E",  "F",  "G",     // 64-71
    "H",  "I",  "J",  "K",  "L",  "M",  "N",  "O",     // 72-79
    "P",  "Q",  "R",  "S",  "T",  "U",  "V",  "W",     // 80-87
    "X",  "Y",  "Z",  "%K", "%L", "%M", "%N", "%O",    // 88-95
    "%W", "+A", "+B", "+C", "+D", "+E", "+F", "+G",    // 96-103
    "+H", "+I", "+J", "+K", "+L", "+M", "+N", "+O",    // 104-111
    "+P", "+Q", "+R", "+S", "+T", "+U", "+V", "+W",    // 112-119
    "+X", "+Y", "+Z", "%P", "%Q", "%R", "%S", "%T",    // 120-127
};
static_assert(std::size(code39_full_ascii) == 128);

constexpr char DIGITS[] = "0123456789";
constexpr std::size_t MAX_LENGTH = 45;
constexpr std::size_t PZN_LENGTH = 6;
constexpr int MODULO = 43;

constexpr int CODE39 = 8;
constexpr int CODE39_WIDE_CHECKED = 50;
constexpr int CODE39_CHECKED = 105;
constexpr int CODE39_EXTENDED_CHECKED = 106;

bool has_check_character(int symbology) {
  return symbology == CODE39_WIDE_CHECKED || symbology == CODE39_CHECKED ||
         symbology == CODE39_EXTENDED_CHECKED;
}

bool shows_asterisks(int symbology) { return symbology == CODE39 || symbology == CODE39_CHECKED; }

bool has_byte_above_127(const char* data) {
  for (; *data; ++data)
    if (static_cast<unsigned char>(*data) > 127) return true;
  return false;
}

// Wide elements become three modules wide.
void widen(Pattern& pattern) {
  for (int i = 0; i < pattern.length; ++i)
    if (pattern.text[i] == '2') pattern.text[i] = '3';
}

void set_data_text(BarcodeSymbol& symbol, const char* text) {
  symbol.data_text[0] = '\0';
  concat_text(symbol.data_text, sizeof symbol.data_text, text);
}

}  // namespace

int encode_code39(BarcodeSymbol& symbol, char* data) {
  upper_ascii(data);
  if (std::strlen(data) > MAX_LENGTH) return fail(symbol, RESULT_TOO_LONG, "error: input too long(<=45)");
  if (check_charset(code39_charset, data) != RESULT_OK)
    return fail(symbol, RESULT_INVALID_DATA, "error: invalid characters in data");

  Pattern pattern;
  concat_text(pattern, START_PATTERN);
  int sum = 0;
  for (const char* c = data; *c; ++c) {
    append_pattern(code39_charset, code39_patterns, *c, pattern);
    sum += char_position(code39_charset, *c);
  }
  char shown_check[2] = {};
  if (has_check_character(symbol.symbology)) {
    char check = code39_charset[sum % MODULO];
    append_pattern(code39_charset, code39_patterns, check, pattern);
    shown_check[0] = check == ' ' ? '_' : check;
  }
  concat_text(pattern, STOP_PATTERN);
  if (symbol.symbology == CODE39_WIDE_CHECKED) widen(pattern);

  int result = pattern_to_row(symbol, pattern);
  if (is_error(result)) return result;

  char shown[DATA_TEXT_SIZE] = {};
  const char* asterisk = shows_asterisks(symbol.symbology) ? "*" : "";
  concat_text(shown, sizeof shown, asterisk);
  concat_text(shown, sizeof shown, data);
  concat_text(shown, sizeof shown, shown_check);
  concat_text(shown, sizeof shown, asterisk);
  set_data_text(symbol, shown);
  return result;
}

int encode_code39_extended(BarcodeSymbol& symbol, char* data) {
  if (std::strlen(data) > MAX_LENGTH) return fail(symbol, RESULT_TOO_LONG, "error: input too long(<=45)");
  if (has_byte_above_127(data))
    return fail(symbol, RESULT_INVALID_DATA, "error: invalid characters in input data");

  char original[DATA_TEXT_SIZE] = {};
  concat_text(original, sizeof original, data);
  char replaced[2 * MAX_LENGTH + 1] = {};
  for (const char* c = data; *c; ++c)
    concat_text(replaced, sizeof replaced, code39_full_ascii[static_cast<unsigned char>(*c)]);

  int result = encode_code39(symbol, replaced);
  if (is_error(result)) return result;
  set_data_text(symbol, original);
  return result;
}

int encode_pzn(BarcodeSymbol& symbol, char* data) {
  if (std::strlen(data) != PZN_LENGTH) return fail(symbol, RESULT_TOO_LONG, "error: input wrong length(=6)");
  if (check_charset(DIGITS, data) != RESULT_OK)
    return fail(symbol, RESULT_INVALID_DATA, "error: invalid characters in data");

  int sum = 0;
  for (std::size_t i = 0; i < PZN_LENGTH; ++i) sum += char_value(data[i]) * static_cast<int>(i + 2);
  char text[PZN_LENGTH + 3] = "-";
  concat_text(text, sizeof text, data);
  text[PZN_LENGTH + 1] = value_char(sum % 11);
  return encode_code39(symbol, text);
}
