#include "engine/linear/code128.h"

#include <cstring>
#include <iterator>
#include <optional>

#include "engine/helpers.h"
#include "engine/result.h"

namespace {

constexpr int pattern_modules(const char* pattern) {
  int modules = 0;
  for (; *pattern; ++pattern) modules += *pattern - '0';
  return modules;
}

constexpr bool symbol_patterns_are_11_modules() {
  for (int value = 0; value < CODE128_STOP; ++value)
    if (pattern_modules(code128_patterns[value]) != 11) return false;
  return true;
}

static_assert(std::size(code128_patterns) == CODE128_STOP + 1);
static_assert(symbol_patterns_are_11_modules());
static_assert(pattern_modules(code128_patterns[CODE128_STOP]) == 13);

// Symbols from the start to the check character that fit one row next to
// the stop.
constexpr int ROW_SYMBOLS = (MAX_MODULES - 13) / 11;

constexpr int MAX_LENGTH_ESTIMATE = 80;
constexpr int LATCHED_RUN_LENGTH = 5;
constexpr int LATCHED_END_RUN_LENGTH = 3;

constexpr int SUBSET_B = 60;
constexpr int EAN128 = 16;
constexpr int NVE18 = 75;
constexpr int NVE18_DIGITS = 17;
constexpr char nve18_prefix[] = "00";
constexpr int NVE18_LENGTH = NVE18_DIGITS + 3;

bool is_latched_set(CodeMode mode) {
  return mode == CodeMode::set_a || mode == CodeMode::set_b || mode == CodeMode::set_c;
}

bool is_shift(CodeMode mode) { return mode == CodeMode::shift_a || mode == CodeMode::shift_b; }

// The mode a block of the given class and length resolves to; previous is
// the resolved block before it (none for the first block), next_is_a_only
// tells the class of the block after it.
CodeMode resolved_mode(CodeMode cls, int length, const CodeSetBlock* previous, bool next_is_a_only) {
  bool first = previous == nullptr;
  switch (cls) {
    case CodeMode::digit:
      if (length >= 4) return CodeMode::set_c;
      [[fallthrough]];
    case CodeMode::a_or_b:
      if (!first && previous->mode == CodeMode::set_a) return CodeMode::set_a;
      if (!first && previous->mode == CodeMode::set_b) return CodeMode::set_b;
      return next_is_a_only ? CodeMode::set_a : CodeMode::set_b;
    case CodeMode::a_only:
      return first || length >= 2 || previous->mode == CodeMode::set_a ? CodeMode::set_a : CodeMode::shift_a;
    default:
      return first || length >= 2 || previous->mode == CodeMode::set_b ? CodeMode::set_b : CodeMode::shift_b;
  }
}

// A first set C block of odd length gives its last digit to the block after
// it, or to a new set B block when it is the only one.
void even_first_code_c_block(int& block_count) {
  CodeSetBlock& first = code_set_blocks[0];
  if (block_count == 0 || first.mode != CodeMode::set_c || first.length % 2 == 0) return;
  --first.length;
  if (block_count == 1) code_set_blocks[block_count++] = {0, CodeMode::set_b};
  ++code_set_blocks[1].length;
}

int fnc4_of(CodeMode in_force) { return in_force == CodeMode::set_a ? CODE128_CODE_A : CODE128_CODE_B; }

int latch_to(CodeMode set) {
  if (set == CodeMode::set_a) return CODE128_CODE_A;
  if (set == CodeMode::set_b) return CODE128_CODE_B;
  return CODE128_CODE_C;
}

int start_of(CodeMode set) {
  if (set == CodeMode::set_a) return CODE128_START_A;
  if (set == CodeMode::set_c) return CODE128_START_C;
  return CODE128_START_B;
}

// The set a position must be latched to: its own set, or for a shift
// position the shift's set when set C (which has no SHIFT) is in force.
CodeMode latch_target(CodeMode mode, CodeMode in_force) {
  if (mode == CodeMode::shift_a) return in_force == CodeMode::set_c ? CodeMode::set_a : in_force;
  if (mode == CodeMode::shift_b) return in_force == CodeMode::set_c ? CodeMode::set_b : in_force;
  return mode;
}

bool in_set(unsigned char c, CodeMode set) {
  CodeMode cls = classify_code128_char(c);
  return set == CodeMode::set_a ? cls != CodeMode::b_only : cls != CodeMode::a_only;
}

int value_in(CodeMode set, unsigned char c) {
  return set == CodeMode::set_a ? code128_value_a(c) : code128_value_b(c);
}

// The set of the first position (the first block always resolves to set A,
// B or C); set B for empty data.
CodeMode start_set(const Code128Positions& positions) {
  return positions.length == 0 ? CodeMode::set_b : positions.set[0];
}

void push_fnc4_pair(CodeMode in_force, Code128Values& values) {
  values.push(fnc4_of(in_force));
  values.push(fnc4_of(in_force));
}

int check_value(const Code128Values& values) {
  int sum = values.value[0];
  for (int place = 1; place < values.count; ++place) sum += values.value[place] * place;
  return sum % 103;
}

int nve18_check_digit(const char* digits) {
  int sum = 0;
  for (int i = 0; digits[i]; ++i) sum += char_value(digits[i]) * (i % 2 == 0 ? 3 : 1);
  return (10 - sum % 10) % 10;
}

// Checks the 17 digits and writes "00", the digits and the check digit.
int nve18_text(BarcodeSymbol& symbol, const char* data, char (&text)[NVE18_LENGTH + 1]) {
  if (check_charset("0123456789", data) == RESULT_INVALID_DATA)
    return fail(symbol, RESULT_INVALID_DATA, "error: invalid characters in data");
  if (std::strlen(data) != NVE18_DIGITS) return fail(symbol, RESULT_TOO_LONG, "error: input wrong length(=17)");
  std::strcpy(text, nve18_prefix);
  std::strcat(text, data);
  text[NVE18_LENGTH - 1] = value_char(nve18_check_digit(text));
  text[NVE18_LENGTH] = '\0';
  return RESULT_OK;
}

}  // namespace

CodeSetBlock code_set_blocks[MAX_CODE_SET_BLOCKS];

CodeMode classify_code128_char(unsigned char c) {
  unsigned char low = c & 0x7F;
  if (c >= '0' && c <= '9') return CodeMode::digit;
  if (low < 0x20) return CodeMode::a_only;
  if (low < 0x60) return CodeMode::a_or_b;
  return CodeMode::b_only;
}

int build_code_set_blocks(const char* text, int length, bool digits_as_a_or_b) {
  for (CodeSetBlock& block : code_set_blocks) block.length = 0;
  int count = 0;
  for (int i = 0; i < length; ++i) {
    CodeMode cls = classify_code128_char(static_cast<unsigned char>(text[i]));
    if (digits_as_a_or_b && cls == CodeMode::digit) cls = CodeMode::a_or_b;
    if (count > 0 && code_set_blocks[count - 1].mode == cls)
      ++code_set_blocks[count - 1].length;
    else
      code_set_blocks[count++] = {1, cls};
  }
  return count;
}

void resolve_code_sets(int& block_count) {
  for (int i = 0; i < block_count; ++i) {
    const CodeSetBlock* previous = i == 0 ? nullptr : &code_set_blocks[i - 1];
    bool next_is_a_only = i + 1 < block_count && code_set_blocks[i + 1].mode == CodeMode::a_only;
    code_set_blocks[i].mode = resolved_mode(code_set_blocks[i].mode, code_set_blocks[i].length, previous, next_is_a_only);
  }
  merge_code_set_blocks(block_count);
}

void merge_code_set_blocks(int& block_count) {
  for (int i = 0; i + 1 < block_count;) {
    if (code_set_blocks[i].mode != code_set_blocks[i + 1].mode) {
      ++i;
      continue;
    }
    code_set_blocks[i].length += code_set_blocks[i + 1].length;
    for (int j = i + 1; j + 1 < block_count; ++j) code_set_blocks[j] = code_set_blocks[j + 1];
    --block_count;
  }
}

void even_later_code_c_blocks(int block_count) {
  for (int i = 1; i < block_count; ++i) {
    if (code_set_blocks[i].mode != CodeMode::set_c || code_set_blocks[i].length % 2 == 0) continue;
    ++code_set_blocks[i - 1].length;
    --code_set_blocks[i].length;
  }
}

int code128_value_a(unsigned char c) {
  int low = c & 0x7F;
  return low < 0x20 ? low + 64 : low - 32;
}

int code128_value_b(unsigned char c) { return (c & 0x7F) - 32; }

int code128_value_c(char first, char second) { return 10 * char_value(first) + char_value(second); }

void mark_extended_positions(const char* text, Code128Positions& positions) {
  int length = static_cast<int>(std::strlen(text));
  positions.length = length;
  for (int i = 0; i < length;) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      positions.extended[i++] = Extended::none;
      continue;
    }
    int end = i;
    while (end < length && static_cast<unsigned char>(text[end]) >= 0x80) ++end;
    int run = end - i;
    bool latched = run >= LATCHED_RUN_LENGTH || (run >= LATCHED_END_RUN_LENGTH && end == length);
    for (; i < end; ++i) positions.extended[i] = latched ? Extended::latched : Extended::shifted;
  }
}

void take_block_modes(int block_count, Code128Positions& positions) {
  int position = 0;
  for (int b = 0; b < block_count; ++b)
    for (int n = 0; n < code_set_blocks[b].length; ++n) positions.set[position++] = code_set_blocks[b].mode;
}

void plan_code128_positions(const char* text, bool subset_b, Code128Positions& positions) {
  mark_extended_positions(text, positions);
  int block_count = build_code_set_blocks(text, positions.length, subset_b);
  resolve_code_sets(block_count);
  even_first_code_c_block(block_count);
  even_later_code_c_blocks(block_count);
  take_block_modes(block_count, positions);
}

double code128_length_estimate(const Code128Positions& positions) {
  double count = 0;
  std::optional<CodeMode> last_latched;
  for (int i = 0; i < positions.length; ++i) {
    CodeMode mode = positions.set[i];
    bool latched = positions.extended[i] == Extended::latched;
    bool previous_latched = i > 0 && positions.extended[i - 1] == Extended::latched;
    if (is_shift(mode)) count += 1;
    if (positions.extended[i] == Extended::shifted) count += 1;
    if (is_latched_set(mode) && mode != last_latched) {
      count += 1;
      last_latched = mode;
    }
    if (latched != previous_latched) count += 2;
    count += mode == CodeMode::set_c ? 0.5 : 1;
  }
  return count;
}

void Code128Values::push(int v) {
  if (count == CAPACITY) {
    overflow = true;
    return;
  }
  value[count++] = v;
}

int emit_code128_position(const char* text, const Code128Positions& positions, int index,
                          CodeMode& in_force, Code128Values& values) {
  CodeMode mode = positions.set[index];
  bool latched = positions.extended[index] == Extended::latched;
  bool previous_latched = index > 0 && positions.extended[index - 1] == Extended::latched;
  unsigned char c = static_cast<unsigned char>(text[index]);

  if (previous_latched && !latched) push_fnc4_pair(in_force, values);
  CodeMode target = latch_target(mode, in_force);
  if (target != in_force) {
    values.push(latch_to(target));
    in_force = target;
  }
  if (latched && !previous_latched) push_fnc4_pair(in_force, values);
  if (positions.extended[index] == Extended::shifted) values.push(fnc4_of(in_force));

  if (mode == CodeMode::set_c) {
    values.push(code128_value_c(text[index], text[index + 1]));
    return index + 2;
  }
  if (in_set(c, in_force)) {
    values.push(value_in(in_force, c));
  } else {
    CodeMode other = in_force == CodeMode::set_a ? CodeMode::set_b : CodeMode::set_a;
    values.push(CODE128_SHIFT);
    values.push(value_in(other, c));
  }
  return index + 1;
}

bool code128_symbol_values(int symbology, const char* text, Code128Values& values) {
  if (std::strlen(text) > CODE128_MAX_LENGTH) return false;
  Code128Positions positions;
  plan_code128_positions(text, symbology == SUBSET_B, positions);
  if (code128_length_estimate(positions) > MAX_LENGTH_ESTIMATE) return false;

  CodeMode in_force = start_set(positions);
  values = Code128Values{};
  values.push(start_of(in_force));
  if (symbology == EAN128 || symbology == NVE18) values.push(CODE128_FNC1);
  for (int i = 0; i < positions.length;) i = emit_code128_position(text, positions, i, in_force, values);
  values.push(check_value(values));
  return !values.overflow && values.count <= ROW_SYMBOLS;
}

int encode_code128(BarcodeSymbol& symbol, char* data) {
  if (std::strlen(data) > CODE128_MAX_LENGTH) return fail(symbol, RESULT_TOO_LONG, "error: input too long(<=160)");

  char nve18[NVE18_LENGTH + 1];
  const char* text = data;
  if (symbol.symbology == NVE18) {
    int result = nve18_text(symbol, data, nve18);
    if (is_error(result)) return result;
    text = nve18;
  }

  Code128Values values;
  if (!code128_symbol_values(symbol.symbology, text, values))
    return fail(symbol, RESULT_TOO_LONG, "error: input too long");

  Pattern pattern;
  for (int i = 0; i < values.count; ++i) concat_text(pattern, code128_patterns[values.value[i]]);
  concat_text(pattern, code128_patterns[CODE128_STOP]);
  int result = pattern_to_row(symbol, pattern);
  if (is_error(result)) return result;

  if (text != data) std::strcpy(symbol.data_text, text);
  return RESULT_OK;
}
