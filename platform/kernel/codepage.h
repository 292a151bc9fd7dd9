// Conversions between the ANSI code pages the component uses (Windows-1252,
// the process's ANSI code page, and Windows-1250 for fonts with the
// east-European character set) and Unicode text.
#pragma once

#include <string>
#include <string_view>

#include "platform/win_types.h"

constexpr UINT CP_WINDOWS_1252 = 1252;
constexpr UINT CP_WINDOWS_1250 = 1250;
constexpr UINT CP_ACP = CP_WINDOWS_1252;

// The code point of one byte. Bytes a code page leaves undefined map to the
// C1 control of the same value, as the platform's conversion does.
char32_t ansi_to_unicode(unsigned char byte, UINT codepage = CP_ACP);

// The byte for a code point, or -1 when the code page cannot represent it.
int unicode_to_ansi(char32_t code_point, UINT codepage = CP_ACP);

std::u16string utf16_from_ansi(std::string_view text, UINT codepage = CP_ACP);
std::string utf8_from_ansi(std::string_view text, UINT codepage = CP_ACP);

// False when the text is malformed or holds a character the code page cannot
// represent; out is then unspecified.
bool ansi_from_utf16(std::u16string_view text, std::string& out, UINT codepage = CP_ACP);
bool ansi_from_utf8(std::string_view text, std::string& out, UINT codepage = CP_ACP);
