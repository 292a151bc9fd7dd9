// GUIDs (IID, CLSID) with their registry string form
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", and the well-known interface
// identifiers of the platform.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/com/com_types.h"
#include "platform/com/hresult.h"

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];

  friend bool operator==(const GUID&, const GUID&) = default;
};
static_assert(sizeof(GUID) == 16);

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using LPCLSID = CLSID*;

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
inline bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }

constexpr int GUID_STRING_LENGTH = 38;  // without the terminator

// Upper-case form in braces.
std::string guid_to_string(REFGUID guid);
// Accepts the braced form only, hexadecimal digits of either case.
std::optional<GUID> guid_from_string(std::string_view text);

// Writes the braced form and its terminator; returns the characters written
// with the terminator (39), or 0 when max_chars is too small.
int StringFromGUID2(REFGUID guid, LPOLESTR text, int max_chars);
HRESULT IIDFromString(LPCOLESTR text, IID* iid);

constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
constexpr IID IID_NULL = GUID_NULL;
constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID IID_ITypeInfo = {0x00020401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID IID_ISupportErrorInfo = {0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
// The automation marshaller named as ProxyStubClsid32 of dual interfaces.
constexpr CLSID CLSID_PSOAInterface = {0x00020424, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
