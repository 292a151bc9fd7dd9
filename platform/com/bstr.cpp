#include "platform/com/bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t PREFIX_SIZE = sizeof(DWORD);

// A block for byte_length bytes of text and a two-byte terminator.
BSTR allocate(std::size_t byte_length) {
  if (byte_length > std::numeric_limits<DWORD>::max() - PREFIX_SIZE - sizeof(OLECHAR)) return nullptr;
  auto* block = static_cast<unsigned char*>(std::malloc(PREFIX_SIZE + byte_length + sizeof(OLECHAR) + 1));
  if (block == nullptr) return nullptr;
  DWORD prefix = static_cast<DWORD>(byte_length);
  std::memcpy(block, &prefix, PREFIX_SIZE);
  std::memset(block + PREFIX_SIZE + byte_length, 0, sizeof(OLECHAR) + 1);
  return reinterpret_cast<BSTR>(block + PREFIX_SIZE);
}

unsigned char* block_of(BSTR text) { return reinterpret_cast<unsigned char*>(text) - PREFIX_SIZE; }

std::size_t text_length(LPCOLESTR text) {
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}

}  // namespace

BSTR SysAllocString(LPCOLESTR text) {
  if (text == nullptr) return nullptr;
  std::size_t length = text_length(text);
  if (length > std::numeric_limits<UINT>::max() / sizeof(OLECHAR)) return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(length));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  std::size_t bytes = std::size_t{length} * sizeof(OLECHAR);
  BSTR result = allocate(bytes);
  if (result == nullptr) return nullptr;
  if (text != nullptr)
    std::memcpy(result, text, bytes);
  else
    std::memset(result, 0, bytes);
  return result;
}

BSTR SysAllocStringByteLen(const char* bytes, UINT length) {
  BSTR result = allocate(length);
  if (result == nullptr) return nullptr;
  auto* target = reinterpret_cast<unsigned char*>(result);
  if (bytes != nullptr)
    std::memcpy(target, bytes, length);
  else
    std::memset(target, 0, length);
  return result;
}

BOOL SysReAllocString(BSTR* target, LPCOLESTR text) {
  if (target == nullptr) return FALSE;
  BSTR copy = SysAllocString(text);
  if (copy == nullptr && text != nullptr) return FALSE;
  SysFreeString(*target);
  *target = copy;
  return TRUE;
}

void SysFreeString(BSTR text) {
  if (text != nullptr) std::free(block_of(text));
}

UINT SysStringByteLen(BSTR text) {
  if (text == nullptr) return 0;
  DWORD prefix;
  std::memcpy(&prefix, block_of(text), PREFIX_SIZE);
  return prefix;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

BSTR bstr_from(std::u16string_view text) {
  if (text.size() > std::numeric_limits<UINT>::max() / sizeof(OLECHAR)) return nullptr;
  return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

std::optional<std::u16string> utf16_from_utf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    auto lead = static_cast<unsigned char>(text[i]);
    int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + extra >= text.size()) return std::nullopt;
    char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      code = code << 6 | (next & 0x3F);
    }
    constexpr char32_t SMALLEST[4] = {0, 0x80, 0x800, 0x10000};
    if (code < SMALLEST[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
    i += 1 + extra;
  }
  return out;
}

std::optional<std::string> utf8_from_utf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (code >= 0xDC00 && code <= 0xDFFF) return std::nullopt;
    if (code >= 0xD800 && code <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return std::nullopt;
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | code >> 6));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | code >> 12));
      out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | code >> 18));
      out.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return out;
}
