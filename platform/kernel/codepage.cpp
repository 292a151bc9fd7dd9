#include "platform/kernel/codepage.h"

#include <array>

namespace {

// Code points of the bytes 0x80 to 0xFF. Bytes a code page leaves undefined
// hold their own value (a C1 control).
using HighHalf = std::array<char16_t, 128>;

constexpr HighHalf WINDOWS_1252_HIGH = [] {
  HighHalf table{};
  constexpr char16_t c1[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  for (int i = 0; i < 32; ++i) table[i] = c1[i];
  for (int i = 32; i < 128; ++i) table[i] = static_cast<char16_t>(0x80 + i);
  return table;
}();

constexpr HighHalf WINDOWS_1250_HIGH = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

const HighHalf& high_half(UINT codepage) {
  return codepage == CP_WINDOWS_1250 ? WINDOWS_1250_HIGH : WINDOWS_1252_HIGH;
}

constexpr char32_t NOT_A_CHARACTER = 0xFFFFFFFF;

// Decodes one UTF-8 sequence at text[i], advancing i; NOT_A_CHARACTER when
// the sequence is malformed, overlong, a surrogate or past U+10FFFF.
char32_t next_utf8(std::string_view text, std::size_t& i) {
  unsigned char lead = static_cast<unsigned char>(text[i++]);
  if (lead < 0x80) return lead;
  int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (extra < 0 || lead > 0xF4 || i + extra > text.size()) return NOT_A_CHARACTER;
  char32_t code_point = lead & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    unsigned char next = static_cast<unsigned char>(text[i++]);
    if ((next & 0xC0) != 0x80) return NOT_A_CHARACTER;
    code_point = (code_point << 6) | (next & 0x3F);
  }
  constexpr char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
  bool surrogate = code_point >= 0xD800 && code_point <= 0xDFFF;
  if (code_point < smallest[extra] || code_point > 0x10FFFF || surrogate) return NOT_A_CHARACTER;
  return code_point;
}

// Decodes one UTF-16 unit or surrogate pair at text[i], advancing i.
char32_t next_utf16(std::u16string_view text, std::size_t& i) {
  char32_t unit = text[i++];
  if (unit < 0xD800 || unit > 0xDFFF) return unit;
  if (unit >= 0xDC00 || i >= text.size()) return NOT_A_CHARACTER;
  char32_t low = text[i];
  if (low < 0xDC00 || low > 0xDFFF) return NOT_A_CHARACTER;
  ++i;
  return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool append_ansi(std::string& out, char32_t c, UINT codepage) {
  int byte = c == NOT_A_CHARACTER ? -1 : unicode_to_ansi(c, codepage);
  if (byte < 0) return false;
  out += static_cast<char>(byte);
  return true;
}

}  // namespace

char32_t ansi_to_unicode(unsigned char byte, UINT codepage) {
  return byte < 0x80 ? byte : high_half(codepage)[byte - 0x80];
}

int unicode_to_ansi(char32_t code_point, UINT codepage) {
  if (code_point < 0x80) return static_cast<int>(code_point);
  const HighHalf& table = high_half(codepage);
  for (int i = 0; i < 128; ++i)
    if (table[i] == code_point) return 0x80 + i;
  return -1;
}

std::u16string utf16_from_ansi(std::string_view text, UINT codepage) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out += static_cast<char16_t>(ansi_to_unicode(static_cast<unsigned char>(c), codepage));
  return out;
}

std::string utf8_from_ansi(std::string_view text, UINT codepage) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) append_utf8(out, ansi_to_unicode(static_cast<unsigned char>(c), codepage));
  return out;
}

bool ansi_from_utf16(std::u16string_view text, std::string& out, UINT codepage) {
  out.clear();
  for (std::size_t i = 0; i < text.size();)
    if (!append_ansi(out, next_utf16(text, i), codepage)) return false;
  return true;
}

bool ansi_from_utf8(std::string_view text, std::string& out, UINT codepage) {
  out.clear();
  for (std::size_t i = 0; i < text.size();)
    if (!append_ansi(out, next_utf8(text, i), codepage)) return false;
  return true;
}
