#include "cli/options.h"

#include <charconv>
#include <cstring>
#include <optional>
#include <string_view>

#include "platform/kernel/codepage.h"

namespace {

const Option* find_option(std::span<const Option> options, std::string_view name) {
  for (const Option& option : options)
    if (name == option.name) return &option;
  return nullptr;
}

std::optional<int> hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

std::optional<int> hex_byte(const char* pair) {
  std::optional<int> high = hex_digit(pair[0]);
  std::optional<int> low = hex_digit(pair[1]);
  if (!high || !low) return std::nullopt;
  return *high * 16 + *low;
}

struct Utf8Character {
  char32_t code_point;
  std::size_t length;
};

// Bytes of the sequence a lead byte opens; 0 for a byte that opens none.
std::size_t utf8_sequence_length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// The well-formed UTF-8 character at text[at], if there is one.
std::optional<Utf8Character> decode_utf8(std::string_view text, std::size_t at) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(at);
  std::size_t length = utf8_sequence_length(lead);
  if (length == 0 || at + length > text.size()) return std::nullopt;
  constexpr unsigned char lead_bits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  char32_t code_point = lead & lead_bits[length];
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return std::nullopt;
    code_point = code_point << 6 | (byte(at + i) & 0x3F);
  }
  if (code_point < smallest[length] || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF))
    return std::nullopt;
  return Utf8Character{code_point, length};
}

// Why text cannot be converted: its first character outside Windows-1252,
// or the place where it stops being UTF-8.
UsageError describe_unconvertible(std::string_view text) {
  char message[96];
  for (std::size_t at = 0; at < text.size();) {
    std::optional<Utf8Character> character = decode_utf8(text, at);
    if (!character) {
      std::snprintf(message, sizeof message, "not valid UTF-8 (byte 0x%02X at offset %zu)",
                    static_cast<unsigned char>(text[at]), at);
      return message;
    }
    if (unicode_to_ansi(character->code_point) < 0) {
      std::snprintf(message, sizeof message, "the character U+%04X is not in Windows-1252",
                    static_cast<unsigned>(character->code_point));
      return message;
    }
    at += character->length;
  }
  return "cannot be converted to Windows-1252";
}

UsageError too_long(std::size_t bytes, std::size_t capacity, const char* unit) {
  return "too long: " + std::to_string(bytes) + " " + unit + ", at most " + std::to_string(capacity - 1);
}

}  // namespace

UsageError apply_options(std::span<const Option> options, std::span<char* const> args) {
  for (std::size_t i = 0; i < args.size(); i += 2) {
    const Option* option = find_option(options, args[i]);
    if (option == nullptr) return std::string("unknown option '") + args[i] + "'";
    if (i + 1 == args.size()) return std::string(option->name) + " needs a value " + option->value_name;
    UsageError error = option->apply(args[i + 1]);
    if (!error.empty()) return std::string(option->name) + ": " + error;
  }
  return {};
}

bool wants_help(std::span<char* const> args) {
  for (const char* arg : args)
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) return true;
  return false;
}

void print_options(std::span<const Option> options, std::FILE* out) {
  for (const Option& option : options) {
    std::string usage = std::string(option.name) + " " + option.value_name;
    std::fprintf(out, "  %-22s %s\n", usage.c_str(), option.help);
  }
}

UsageError parse_int32(const char* value, int& out) {
  const char* end = value + std::strlen(value);
  int parsed = 0;
  auto [stop, error] = std::from_chars(value, end, parsed);
  if (error == std::errc::result_out_of_range) return std::string("'") + value + "' is out of range";
  if (error != std::errc() || stop != end || stop == value) return std::string("'") + value + "' is not a whole number";
  out = parsed;
  return {};
}

UsageError parse_rgb_colour(const char* value, COLORREF& out) {
  std::optional<int> red, green, blue;
  if (std::strlen(value) == 6) {
    red = hex_byte(value);
    green = hex_byte(value + 2);
    blue = hex_byte(value + 4);
  }
  if (!red || !green || !blue) return std::string("'") + value + "' is not a colour RRGGBB (six hex digits)";
  out = RGB(static_cast<BYTE>(*red), static_cast<BYTE>(*green), static_cast<BYTE>(*blue));
  return {};
}

UsageError parse_ansi_text(const char* value, char* field, std::size_t capacity) {
  std::string ansi;
  if (!ansi_from_utf8(value, ansi)) return describe_unconvertible(value);
  if (ansi.size() >= capacity) return too_long(ansi.size(), capacity, "bytes in Windows-1252");
  std::memcpy(field, ansi.c_str(), ansi.size() + 1);
  return {};
}

UsageError parse_hex_text(const char* value, char* field, std::size_t capacity) {
  std::size_t digits = std::strlen(value);
  if (digits % 2 != 0) return "an even number of hex digits is needed, two per byte";
  if (digits / 2 >= capacity) return too_long(digits / 2, capacity, "bytes");
  std::string bytes;
  for (std::size_t i = 0; i < digits; i += 2) {
    std::optional<int> byte = hex_byte(value + i);
    if (!byte) return std::string("'") + std::string(value + i, 2) + "' is not a hex byte";
    if (*byte == 0) return "the byte 00 cannot stand in a text; bytes are 01 to FF";
    bytes += static_cast<char>(*byte);
  }
  std::memcpy(field, bytes.c_str(), bytes.size() + 1);
  return {};
}
