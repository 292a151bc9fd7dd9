// The Code 128 family: Code 128 (symbology 20), Code 128 subset B (60),
// EAN-128 (16) and NVE-18 (75), one row of symbol characters with the code
// sets A, B and C chosen automatically. The character classes, the code-set
// blocks, the per-position plan, the emission of a position and the per-set
// values are shared with Code 16K.
#pragma once

#include "engine/barcode_symbol.h"

// The published symbol character table, indexed by symbol value: 0 to 105
// are bar, space, bar, space, bar, space widths (11 modules), 106 the stop.
inline constexpr const char* code128_patterns[] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312",
    "132212", "221213", "221312", "231212", "112232", "122132", "122231", "113222",
    "123122", "123221", "223211", "221132", "221231", "213212", "223112", "312131",
    "311222", "321122", "321221", "312212", "322112", "322211", "212123", "212321",
    "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121",
    "313121", "211331", "231131", "213113", "213311", "213131", "311123", "311321",
    "331121", "312113", "312311", "332111", "314111", "221411", "431111", "111224",
    "111422", "121124", "121421", "141122", "141221", "112214", "112412", "122114",
    "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112",
    "421211", "212141", "214121", "412121", "111143", "111341", "131141", "114113",
    "114311", "411113", "411311", "113141", "114131", "311141", "411131", "211412",
    "211214", "211232", "2331112",
};

constexpr int CODE128_SHIFT = 98;
constexpr int CODE128_CODE_C = 99;
constexpr int CODE128_CODE_B = 100;  // FNC4 while in set B
constexpr int CODE128_CODE_A = 101;  // FNC4 while in set A
constexpr int CODE128_FNC1 = 102;
constexpr int CODE128_START_A = 103;
constexpr int CODE128_START_B = 104;
constexpr int CODE128_START_C = 105;
constexpr int CODE128_STOP = 106;

constexpr int CODE128_MAX_LENGTH = 160;

// A block's mode: a character class while the block list is built, a resolved
// mode after resolve_code_sets. Shift modes take single characters from the
// other of the sets A and B.
enum class CodeMode {
  a_only,
  a_or_b,
  digit,
  b_only,
  set_a,
  set_b,
  set_c,
  shift_a,
  shift_b,
};

struct CodeSetBlock {
  int length;
  CodeMode mode;
};

constexpr int MAX_CODE_SET_BLOCKS = 170;

// The process-wide block list of the Code 128 and Code 16K encoders. Not
// guarded: only one such encode may run at a time.
extern CodeSetBlock code_set_blocks[MAX_CODE_SET_BLOCKS];

// The class of a data byte. Digits are class digit; the caller applies the
// subset B rule.
CodeMode classify_code128_char(unsigned char c);

// Clears the block list and cuts text into maximal runs of one class, one
// block each. With digits_as_a_or_b, digits count as class A or B. Returns
// the block count.
int build_code_set_blocks(const char* text, int length, bool digits_as_a_or_b);

// Resolves the class of every block into a code set or shift, then merges
// neighbours of the same mode; block_count is updated.
void resolve_code_sets(int& block_count);

// Joins neighbouring blocks of the same mode; block_count is updated.
void merge_code_set_blocks(int& block_count);

// Moves the first digit of every set C block of odd length after the first
// to the end of the block before it.
void even_later_code_c_blocks(int block_count);

// Symbol values of a data character in set A, B, or of a digit pair in set C.
int code128_value_a(unsigned char c);
int code128_value_b(unsigned char c);
int code128_value_c(char first, char second);

// How an extended character (byte 128 or above) is marked: one FNC4 before
// it, or inside a run opened (and, unless it ends the data, closed) by FNC4
// pairs.
enum class Extended { none, shifted, latched };

// Per data position: the mode of its block and its extended marker.
struct Code128Positions {
  int length = 0;
  CodeMode set[CODE128_MAX_LENGTH];
  Extended extended[CODE128_MAX_LENGTH];
};

// Marks the extended positions of text (at most 160 characters) and sets
// positions.length.
void mark_extended_positions(const char* text, Code128Positions& positions);

// Gives every position the mode of its block.
void take_block_modes(int block_count, Code128Positions& positions);

// The Code 128 plan of text (at most 160 characters): extended markers,
// blocks, resolution, odd set C blocks, positions.
void plan_code128_positions(const char* text, bool subset_b, Code128Positions& positions);

// Start symbol, latches, shifts, FNC4s and data symbols the plan needs
// (set C positions count a half), without FNC1, check and stop.
double code128_length_estimate(const Code128Positions& positions);

// Symbol values as they are emitted; values past the capacity are dropped and
// mark the list as overflowed.
struct Code128Values {
  static constexpr int CAPACITY = 170;
  int value[CAPACITY] = {};
  int count = 0;
  bool overflow = false;

  void push(int v);
};

// Emits the symbols of the position at index (closing or opening FNC4 pairs,
// latch, FNC4, SHIFT, the character's value) with in_force the code set in
// force (set A, B or C), which it updates. Returns the index of the next
// position: two further on for a set C digit pair.
int emit_code128_position(const char* text, const Code128Positions& positions, int index,
                          CodeMode& in_force, Code128Values& values);

// The symbol values of text (NVE-18 already rewritten) from the start symbol
// to the check symbol. False when the text is longer than 160 characters,
// its length estimate is above 80, or its symbols would not fit one row.
bool code128_symbol_values(int symbology, const char* text, Code128Values& values);

// Appends one row. NVE-18 writes its 20 digits into data_text; the other
// symbologies leave the text as it is.
int encode_code128(BarcodeSymbol& symbol, char* data);
