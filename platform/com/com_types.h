// Basic types of the component runtime. OLECHAR is a UTF-16 code unit; the
// platform's 16-bit wchar_t is char16_t here, never Linux's 32-bit wchar_t.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;

using LCID = DWORD;
using DISPID = LONG;
using MEMBERID = DISPID;
using HREFTYPE = DWORD;
using VARIANT_BOOL = SHORT;
using OLE_COLOR = DWORD;
using ULONG_PTR = std::uintptr_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using FLOAT = float;
using DOUBLE = double;
using DATE = double;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
