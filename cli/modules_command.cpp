// tresslin modules: resets the symbol record as InitWorkspace does, applies
// the options, encodes the data and prints the record.
#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/picture_output.h"
#include "engine/barcode_symbol.h"
#include "engine/dispatch.h"
#include "engine/result.h"
#include "platform/kernel/codepage.h"

namespace {

constexpr char usage_line[] =
    "usage: tresslin modules [--symbology N] [--whitespace N] [--border N] [--output-options N]\n"
    "                        [OPTIONS] (--data TEXT | --data-hex HEX)\n";

constexpr char description[] =
    "Resets a symbol record as InitWorkspace does, applies the options, encodes\n"
    "the data and prints, one per line:\n"
    "  result: CODE        the encoder's result (above 4 is an error)\n"
    "  symbology: N        the number after normalisation\n"
    "  text: TEXT          the data text after encoding\n"
    "  message: TEXT       the record's error text\n"
    "  width: N            the width in modules\n"
    "  rows: N             the number of module rows\n"
    "then one line per module row of width characters: 1 dark, 0 light.\n"
    "With --render the record is also painted as a picture is for a file and\n"
    "written as a binary PPM.\n"
    "Texts are given and printed as UTF-8 and held in Windows-1252; in the\n"
    "printed text and message, bytes below 0x20 and 0x7F are written as \\xNN.\n";

constexpr char examples_and_exit_status[] =
    "examples:\n"
    "  tresslin modules --symbology 20 --data \"Tresslin-128\"\n"
    "  tresslin modules --symbology 20 --data-hex 41E90942\n\n"
    "exit status: 0 when the result is 4 or below, 1 above, 2 for a usage error.\n";

struct ModulesRequest {
  bool data_text = false;
  bool data_hex = false;
  std::string render_path;
};

std::vector<Option> modules_options(BarcodeSymbol& symbol, ModulesRequest& request) {
  auto integer = [](int& field) { return [&field](const char* value) { return parse_int32(value, field); }; };
  auto text = [](char* field, std::size_t capacity) {
    return [field, capacity](const char* value) { return parse_ansi_text(value, field, capacity); };
  };
  auto colour = [](COLORREF& field) { return [&field](const char* value) { return parse_rgb_colour(value, field); }; };
  return {
      {"--symbology", "N", "symbology number (default 1, Code 11)", integer(symbol.symbology)},
      {"--whitespace", "N", "quiet zone left and right, in modules (default 20)", integer(symbol.white_space_width)},
      {"--border", "N", "border width in modules (default 0)", integer(symbol.border_width)},
      {"--output-options", "N", "2 bind, 4 box, other values no bars (default 0)", integer(symbol.output_options)},
      {"--rotate", "DEG", "rotation in degrees, counter-clockwise (default 0)", integer(symbol.rotate_angle)},
      {"--char-size", "N", "font height of the human-readable text; 0 no text", integer(symbol.char_size)},
      {"--text-align", "N", "text placement flags (default 0)", integer(symbol.text_align)},
      {"--font", "NAME", "font face name, at most 31 bytes", text(symbol.font_name, FONT_NAME_SIZE)},
      {"--prefix", "TEXT", "text drawn in front of the data text, at most 15 bytes", text(symbol.prefix, AFFIX_SIZE)},
      {"--suffix", "TEXT", "text drawn after the data text, at most 15 bytes", text(symbol.suffix, AFFIX_SIZE)},
      {"--fg", "RRGGBB", "colour of dark modules and text (default 000000)", colour(symbol.fore_color)},
      {"--bg", "RRGGBB", "colour of light modules (default FFFFFF)", colour(symbol.back_color)},
      {"--render", "FILE.ppm", "also write the rendered picture as a binary PPM",
       [&request](const char* value) {
         request.render_path = value;
         return UsageError{};
       }},
      {"--data", "TEXT", "the data text, at most 99 bytes",
       [&symbol, &request](const char* value) {
         request.data_text = true;
         return parse_ansi_text(value, symbol.data_text, DATA_TEXT_SIZE);
       }},
      {"--data-hex", "HEX", "the data text as hex bytes 01 to FF, at most 99",
       [&symbol, &request](const char* value) {
         request.data_hex = true;
         return parse_hex_text(value, symbol.data_text, DATA_TEXT_SIZE);
       }},
  };
}

UsageError check_request(const ModulesRequest& request) {
  if (request.data_text && request.data_hex) return "give either --data or --data-hex, not both";
  if (!request.data_text && !request.data_hex) return "the data is missing: give --data TEXT or --data-hex HEX";
  return {};
}

int usage_error(const UsageError& error) {
  std::fprintf(stderr, "tresslin modules: %s\nTry 'tresslin modules --help'.\n", error.c_str());
  return EXIT_USAGE;
}

void print_help(std::span<const Option> options) {
  std::printf("%s\n%s\noptions:\n", usage_line, description);
  print_options(options, stdout);
  std::printf("  %-22s %s\n\n%s", "--help", "this text", examples_and_exit_status);
}

// A record text as UTF-8, with control bytes written as \xNN.
std::string printable(const char* field, std::size_t capacity) {
  std::string out;
  for (std::size_t i = 0; i < capacity && field[i] != '\0'; ++i) {
    unsigned char byte = static_cast<unsigned char>(field[i]);
    if (byte < 0x20 || byte == 0x7F) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else {
      out += utf8_from_ansi(std::string_view(&field[i], 1));
    }
  }
  return out;
}

void print_record(int result, const BarcodeSymbol& symbol) {
  std::printf("result: %d\n", result);
  std::printf("symbology: %d\n", symbol.symbology);
  std::printf("text: %s\n", printable(symbol.data_text, DATA_TEXT_SIZE).c_str());
  std::printf("message: %s\n", printable(symbol.error_text, ERROR_TEXT_SIZE).c_str());
  std::printf("width: %d\n", symbol.width);
  std::printf("rows: %d\n", symbol.row_count);
  int rows = std::clamp(symbol.row_count, 0, MAX_ROWS);
  int width = std::clamp(symbol.width, 0, MAX_MODULES);
  std::string line(width, '0');
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < width; ++column) line[column] = symbol.module_rows[row][column] == '1' ? '1' : '0';
    std::printf("%s\n", line.c_str());
  }
}

}  // namespace

int run_modules_command(std::span<char* const> args) {
  reset_workspace(workspace);
  BarcodeSymbol& symbol = workspace.symbol;
  ModulesRequest request;
  const std::vector<Option> options = modules_options(symbol, request);
  if (wants_help(args)) {
    print_help(options);
    return 0;
  }
  if (UsageError error = apply_options(options, args); !error.empty()) return usage_error(error);
  if (UsageError error = check_request(request); !error.empty()) return usage_error(error);

  int result = encode_symbol(symbol, symbol.data_text);
  bool rendered = request.render_path.empty() || write_rendering_ppm(symbol, request.render_path);
  print_record(result, symbol);
  return is_error(result) || !rendered ? 1 : 0;
}
