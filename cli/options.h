// Options of the tresslin commands: "--name VALUE" pairs, each applied by its
// own handler, and the conversions of option values into record fields.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <span>
#include <string>

#include "platform/win_types.h"

// A usage error message; empty when the value was taken.
using UsageError = std::string;

struct Option {
  const char* name;        // "--symbology"
  const char* value_name;  // "N", shown in the help
  const char* help;
  std::function<UsageError(const char* value)> apply;
};

// Applies every "--name VALUE" pair of args in order, so a repeated option
// takes its last value. Returns the first usage error.
UsageError apply_options(std::span<const Option> options, std::span<char* const> args);

// True when args asks for help (--help or -h).
bool wants_help(std::span<char* const> args);

// One line per option: name, value name and help text.
void print_options(std::span<const Option> options, std::FILE* out);

// A decimal 32-bit signed integer.
UsageError parse_int32(const char* value, int& out);

// Six hex digits RRGGBB into a COLORREF (0x00BBGGRR).
UsageError parse_rgb_colour(const char* value, COLORREF& out);

// UTF-8 text converted to Windows-1252 into a text field of the given
// capacity (terminator included).
UsageError parse_ansi_text(const char* value, char* field, std::size_t capacity);

// Hex digit pairs, one byte 01 to FF each, into a text field of the given
// capacity (terminator included).
UsageError parse_hex_text(const char* value, char* field, std::size_t capacity);
