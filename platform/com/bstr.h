// BSTR: UTF-16 text in a heap block with a 32-bit byte-length prefix directly
// before the first character and a zero code unit after the last. A null BSTR
// stands for the empty text. Also the UTF-8 <-> UTF-16 conversions the runtime
// needs at its edges (command lines, file names).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/com/com_types.h"

BSTR SysAllocString(LPCOLESTR text);
// A null text gives a BSTR of length characters, all zero.
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
// length counts bytes; an odd count is kept (SysStringByteLen returns it).
BSTR SysAllocStringByteLen(const char* bytes, UINT length);
// Replaces *target with a copy of text; false (and *target unchanged) when
// out of memory.
BOOL SysReAllocString(BSTR* target, LPCOLESTR text);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);

inline std::u16string_view bstr_view(BSTR text) { return {text, SysStringLen(text)}; }
BSTR bstr_from(std::u16string_view text);

// nullopt when the input is not well-formed.
std::optional<std::u16string> utf16_from_utf8(std::string_view text);
std::optional<std::string> utf8_from_utf16(std::u16string_view text);
