#include "engine/dispatch.h"

#include <climits>

#include "engine/encoder_table.h"
#include "engine/result.h"

namespace {

constexpr int UNCHANGED = -1;

// A range of requested numbers, the number they are encoded as, and the
// message and result the substitution or refusal reports.
struct Normalisation {
  int first;
  int last;
  int encoded_as;
  const char* message;
  int result;
};

constexpr char out_of_range[] = "warning: Symbology out of range, using Code 128";
constexpr char out_of_range_line[] = "warning: Symbology out of range, using Code 128\n";
constexpr char rss_as_code128[] = "warning: RSS not supported, using Code 128";
constexpr char no_encoder[] = "error: symbology not supported";

// Numbers not listed here are encoded unchanged and report nothing.
constexpr Normalisation symbology_normalisations[] = {
    {INT_MIN, 0, 20, out_of_range, RESULT_WARNING},
    {5, 5, 2, nullptr, RESULT_OK},
    {10, 15, 13, nullptr, RESULT_OK},
    {17, 17, 34, nullptr, RESULT_OK},
    {19, 19, 18, "warning: Codabar 18 not supported, using Codabar", RESULT_WARNING},
    {24, 24, 25, "warning: Code 49 not supported, using Code 93", RESULT_WARNING},
    {26, 26, 34, nullptr, RESULT_OK},
    {27, 27, UNCHANGED, "error: UPCD1 not supported", RESULT_UNSUPPORTED},
    {29, 31, 20, rss_as_code128, RESULT_WARNING},
    {33, 33, 16, nullptr, RESULT_OK},
    {35, 36, 34, nullptr, RESULT_OK},
    {38, 39, 37, nullptr, RESULT_OK},
    {40, 45, 40, nullptr, RESULT_OK},
    {46, 46, 86, nullptr, RESULT_OK},
    {48, 48, 75, nullptr, RESULT_OK},
    {54, 54, 20, "warning: General Parcel not supported, using Code 128", RESULT_WARNING},
    {55, 56, UNCHANGED, no_encoder, RESULT_UNSUPPORTED},
    {58, 58, UNCHANGED, no_encoder, RESULT_UNSUPPORTED},
    {59, 59, 20, nullptr, RESULT_OK},
    {61, 61, 20, nullptr, RESULT_OK},
    {62, 62, 25, nullptr, RESULT_OK},
    {64, 65, 63, nullptr, RESULT_OK},
    {71, 71, UNCHANGED, no_encoder, RESULT_UNSUPPORTED},
    {73, 73, UNCHANGED, "error: Codablock E not supported", RESULT_UNSUPPORTED},
    {74, 74, UNCHANGED, "error: Codablock F not supported", RESULT_UNSUPPORTED},
    {76, 76, UNCHANGED, "error: Japanese Postal Code not supported", RESULT_UNSUPPORTED},
    {77, 77, UNCHANGED, "error: Korean Postal Code not supported", RESULT_UNSUPPORTED},
    {78, 81, UNCHANGED, "error: RSS not supported", RESULT_UNSUPPORTED},
    {83, 83, 82, nullptr, RESULT_OK},
    {84, 84, UNCHANGED, no_encoder, RESULT_UNSUPPORTED},
    {87, 99, 20, out_of_range_line, RESULT_WARNING},
    {107, INT_MAX, 20, out_of_range, RESULT_WARNING},
};

// Layout settings that overwrite the host's values.
struct ForcedSettings {
  int symbology;
  int white_space_width;
  int border_width;
  int output_options;
};

constexpr ForcedSettings forced_settings[] = {
    {23, 16, 2, OUTPUT_BIND},
    {72, 20, 8, OUTPUT_BOX},
};

void apply_forced_settings(BarcodeSymbol& symbol) {
  for (const ForcedSettings& forced : forced_settings) {
    if (forced.symbology != symbol.symbology) continue;
    symbol.white_space_width = forced.white_space_width;
    symbol.border_width = forced.border_width;
    symbol.output_options = forced.output_options;
  }
}

}  // namespace

int normalise_symbology(BarcodeSymbol& symbol) {
  for (const Normalisation& rule : symbology_normalisations) {
    if (symbol.symbology < rule.first || symbol.symbology > rule.last) continue;
    if (rule.encoded_as != UNCHANGED) symbol.symbology = rule.encoded_as;
    if (rule.message != nullptr) return fail(symbol, rule.result, rule.message);
    return rule.result;
  }
  return RESULT_OK;
}

int encode_symbol(BarcodeSymbol& symbol, char* data) {
  int pending = normalise_symbology(symbol);
  if (is_error(pending)) return pending;

  apply_forced_settings(symbol);

  Encoder encoder = find_encoder(symbol.symbology);
  if (encoder != nullptr) return encoder(symbol, data);
  if (symbol.symbology == SYMBOLOGY_WITHOUT_ENCODER) return pending;
  return fail(symbol, RESULT_UNSUPPORTED, "error: symbology not available");
}
