#include "platform/com/guid.h"

#include <cstdio>

namespace {

// Offsets of the 32 hexadecimal digits in "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}",
// the dashes and braces skipped.
constexpr int DIGIT_POSITIONS[32] = {1,  2,  3,  4,  5,  6,  7,  8,  10, 11, 12, 13, 15, 16, 17, 18,
                                     20, 21, 22, 23, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36};
constexpr int DASH_POSITIONS[4] = {9, 14, 19, 24};

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string guid_to_string(REFGUID guid) {
  char text[GUID_STRING_LENGTH + 1];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

std::optional<GUID> guid_from_string(std::string_view text) {
  if (text.size() != GUID_STRING_LENGTH || text.front() != '{' || text.back() != '}') return std::nullopt;
  for (int dash : DASH_POSITIONS)
    if (text[dash] != '-') return std::nullopt;
  BYTE bytes[16];
  for (int i = 0; i < 16; ++i) {
    int high = hex_value(text[DIGIT_POSITIONS[2 * i]]);
    int low = hex_value(text[DIGIT_POSITIONS[2 * i + 1]]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = static_cast<BYTE>(high << 4 | low);
  }
  GUID guid;
  guid.Data1 = DWORD{bytes[0]} << 24 | DWORD{bytes[1]} << 16 | DWORD{bytes[2]} << 8 | bytes[3];
  guid.Data2 = static_cast<WORD>(bytes[4] << 8 | bytes[5]);
  guid.Data3 = static_cast<WORD>(bytes[6] << 8 | bytes[7]);
  for (int i = 0; i < 8; ++i) guid.Data4[i] = bytes[8 + i];
  return guid;
}

int StringFromGUID2(REFGUID guid, LPOLESTR text, int max_chars) {
  if (text == nullptr || max_chars < GUID_STRING_LENGTH + 1) return 0;
  std::string narrow = guid_to_string(guid);
  for (int i = 0; i < GUID_STRING_LENGTH; ++i) text[i] = static_cast<OLECHAR>(narrow[i]);
  text[GUID_STRING_LENGTH] = 0;
  return GUID_STRING_LENGTH + 1;
}

HRESULT IIDFromString(LPCOLESTR text, IID* iid) {
  if (text == nullptr || iid == nullptr) return E_INVALIDARG;
  std::string narrow;
  for (LPCOLESTR p = text; *p != 0 && narrow.size() <= GUID_STRING_LENGTH; ++p) {
    if (*p > 0x7F) return E_INVALIDARG;
    narrow.push_back(static_cast<char>(*p));
  }
  std::optional<GUID> guid = guid_from_string(narrow);
  if (!guid) return E_INVALIDARG;
  *iid = *guid;
  return S_OK;
}
