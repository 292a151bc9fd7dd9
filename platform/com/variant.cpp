#include "platform/com/variant.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/com/bstr.h"
#include "platform/com/oaidl.h"

namespace {

using Wide = __int128;

// The value a VARIANT holds, reduced to the few kinds the conversions need.
struct Scalar {
  enum Kind { EMPTY, INTEGER, REAL, BOOLEAN, TEXT } kind = EMPTY;
  Wide integer = 0;
  double real = 0;
  bool boolean = false;
  std::u16string_view text;
};

bool is_known_type(VARTYPE base) {
  return base <= VT_DECIMAL || (base >= VT_I1 && base <= VT_UINT);
}

HRESULT read_scalar(const VARIANT& value, Scalar& out, int depth = 0) {
  VARTYPE base = value.vt & VT_TYPEMASK;
  bool by_reference = (value.vt & VT_BYREF) != 0;
  if ((value.vt & ~(VT_TYPEMASK | VT_BYREF)) != 0 || !is_known_type(base)) return DISP_E_BADVARTYPE;
  if (by_reference && value.byref == nullptr) return E_INVALIDARG;
  if (by_reference && base == VT_VARIANT) {
    if (depth > 0) return DISP_E_TYPEMISMATCH;
    return read_scalar(*value.pvarVal, out, depth + 1);
  }
  auto integer = [&](Wide v) {
    out.kind = Scalar::INTEGER;
    out.integer = v;
    return S_OK;
  };
  switch (base) {
    case VT_EMPTY:
      if (by_reference) return DISP_E_TYPEMISMATCH;
      out.kind = Scalar::EMPTY;
      return S_OK;
    case VT_I1: return integer(by_reference ? *value.pcVal : value.cVal);
    case VT_UI1: return integer(by_reference ? *value.pbVal : value.bVal);
    case VT_I2: return integer(by_reference ? *value.piVal : value.iVal);
    case VT_UI2: return integer(by_reference ? *value.puiVal : value.uiVal);
    case VT_I4: return integer(by_reference ? *value.plVal : value.lVal);
    case VT_UI4: return integer(by_reference ? *value.pulVal : value.ulVal);
    case VT_INT: return integer(by_reference ? *value.pintVal : value.intVal);
    case VT_UINT: return integer(by_reference ? *value.puintVal : value.uintVal);
    case VT_I8: return integer(by_reference ? *value.pllVal : value.llVal);
    case VT_UI8: return integer(by_reference ? *value.pullVal : value.ullVal);
    case VT_R4:
      out.kind = Scalar::REAL;
      out.real = by_reference ? *value.pfltVal : value.fltVal;
      return S_OK;
    case VT_R8:
    case VT_DATE:
      out.kind = Scalar::REAL;
      out.real = by_reference ? *value.pdblVal : value.dblVal;
      return S_OK;
    case VT_BOOL:
      out.kind = Scalar::BOOLEAN;
      out.boolean = (by_reference ? *value.pboolVal : value.boolVal) != VARIANT_FALSE;
      return S_OK;
    case VT_BSTR:
      out.kind = Scalar::TEXT;
      out.text = bstr_view(by_reference ? *value.pbstrVal : value.bstrVal);
      return S_OK;
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

bool ascii_equal_ignoring_case(std::u16string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    if (c != static_cast<char16_t>(word[i])) return false;
  }
  return true;
}

std::u16string_view trimmed(std::u16string_view text) {
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Numbers in text: an optional sign, digits with an optional fraction and
// exponent, or "&H" and hexadecimal digits. Integers without fraction or
// exponent are read exactly.
HRESULT number_from_text(std::u16string_view text, Scalar& out) {
  text = trimmed(text);
  if (text.size() > 2 && text[0] == u'&' && (text[1] == u'H' || text[1] == u'h')) {
    Wide value = 0;
    for (char16_t c : text.substr(2)) {
      int digit = is_digit(c) ? c - u'0' : (c >= u'a' && c <= u'f') ? c - u'a' + 10 : (c >= u'A' && c <= u'F') ? c - u'A' + 10 : -1;
      if (digit < 0) return DISP_E_TYPEMISMATCH;
      value = value * 16 + digit;
      if (value > std::numeric_limits<ULONGLONG>::max()) return DISP_E_OVERFLOW;
    }
    out.kind = Scalar::INTEGER;
    out.integer = value;
    return S_OK;
  }
  std::size_t i = 0;
  std::string narrow;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) narrow.push_back(static_cast<char>(text[i++]));
  std::size_t digits = 0;
  bool plain_integer = true;
  for (; i < text.size() && is_digit(text[i]); ++i, ++digits) narrow.push_back(static_cast<char>(text[i]));
  if (i < text.size() && text[i] == u'.') {
    plain_integer = false;
    narrow.push_back('.');
    for (++i; i < text.size() && is_digit(text[i]); ++i, ++digits) narrow.push_back(static_cast<char>(text[i]));
  }
  if (digits == 0) return DISP_E_TYPEMISMATCH;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    plain_integer = false;
    narrow.push_back('e');
    ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) narrow.push_back(static_cast<char>(text[i++]));
    std::size_t exponent_digits = 0;
    for (; i < text.size() && is_digit(text[i]); ++i, ++exponent_digits) narrow.push_back(static_cast<char>(text[i]));
    if (exponent_digits == 0) return DISP_E_TYPEMISMATCH;
  }
  if (i != text.size()) return DISP_E_TYPEMISMATCH;
  if (plain_integer) {
    Wide value = 0;
    bool negative = narrow[0] == '-';
    for (char c : narrow) {
      if (c < '0' || c > '9') continue;
      value = value * 10 + (c - '0');
      if (value > std::numeric_limits<ULONGLONG>::max()) return DISP_E_OVERFLOW;
    }
    out.kind = Scalar::INTEGER;
    out.integer = negative ? -value : value;
    return S_OK;
  }
  out.kind = Scalar::REAL;
  out.real = std::strtod(narrow.c_str(), nullptr);
  if (!std::isfinite(out.real)) return DISP_E_OVERFLOW;
  return S_OK;
}

HRESULT to_integer(const Scalar& value, Wide& out) {
  switch (value.kind) {
    case Scalar::EMPTY: out = 0; return S_OK;
    case Scalar::INTEGER: out = value.integer; return S_OK;
    case Scalar::BOOLEAN: out = value.boolean ? -1 : 0; return S_OK;
    case Scalar::REAL: {
      // Halves round to the even neighbour, as automation does.
      double rounded = std::nearbyint(value.real);
      if (!(std::fabs(rounded) < 18446744073709551616.0)) return DISP_E_OVERFLOW;
      out = rounded < 0 ? -static_cast<Wide>(static_cast<ULONGLONG>(-rounded)) : static_cast<Wide>(static_cast<ULONGLONG>(rounded));
      return S_OK;
    }
    case Scalar::TEXT: {
      Scalar number;
      HRESULT hr = number_from_text(value.text, number);
      if (FAILED(hr)) return hr;
      return to_integer(number, out);
    }
  }
  return DISP_E_TYPEMISMATCH;
}

HRESULT to_real(const Scalar& value, double& out) {
  switch (value.kind) {
    case Scalar::EMPTY: out = 0; return S_OK;
    case Scalar::INTEGER: out = static_cast<double>(value.integer); return S_OK;
    case Scalar::BOOLEAN: out = value.boolean ? -1.0 : 0.0; return S_OK;
    case Scalar::REAL: out = value.real; return S_OK;
    case Scalar::TEXT: {
      Scalar number;
      HRESULT hr = number_from_text(value.text, number);
      if (FAILED(hr)) return hr;
      return to_real(number, out);
    }
  }
  return DISP_E_TYPEMISMATCH;
}

HRESULT to_boolean(const Scalar& value, bool& out) {
  if (value.kind == Scalar::BOOLEAN) {
    out = value.boolean;
    return S_OK;
  }
  if (value.kind == Scalar::TEXT) {
    std::u16string_view text = trimmed(value.text);
    if (ascii_equal_ignoring_case(text, "true")) return out = true, S_OK;
    if (ascii_equal_ignoring_case(text, "false")) return out = false, S_OK;
  }
  double real;
  HRESULT hr = to_real(value, real);
  if (SUCCEEDED(hr)) out = real != 0;
  return hr;
}

std::u16string widened(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

HRESULT to_text(const Scalar& value, USHORT flags, std::u16string& out) {
  switch (value.kind) {
    case Scalar::EMPTY: out.clear(); return S_OK;
    case Scalar::TEXT: out = value.text; return S_OK;
    case Scalar::BOOLEAN:
      if (flags & VARIANT_ALPHABOOL)
        out = value.boolean ? u"True" : u"False";
      else
        out = value.boolean ? u"-1" : u"0";
      return S_OK;
    case Scalar::INTEGER: {
      bool negative = value.integer < 0;
      auto magnitude = static_cast<unsigned __int128>(negative ? -value.integer : value.integer);
      std::string digits;
      do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
      } while (magnitude != 0);
      out = widened(negative ? "-" + digits : digits);
      return S_OK;
    }
    case Scalar::REAL: {
      char text[40];
      std::snprintf(text, sizeof text, "%.15G", value.real);
      out = widened(text);
      return S_OK;
    }
  }
  return DISP_E_TYPEMISMATCH;
}

struct IntegerRange {
  VARTYPE vt;
  Wide low;
  Wide high;
};
constexpr IntegerRange INTEGER_RANGES[] = {
    {VT_I1, -128, 127},
    {VT_UI1, 0, 255},
    {VT_I2, -32768, 32767},
    {VT_UI2, 0, 65535},
    {VT_I4, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()},
    {VT_INT, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()},
    {VT_UI4, 0, std::numeric_limits<ULONG>::max()},
    {VT_UINT, 0, std::numeric_limits<ULONG>::max()},
    {VT_I8, std::numeric_limits<LONGLONG>::min(), std::numeric_limits<LONGLONG>::max()},
    {VT_UI8, 0, std::numeric_limits<ULONGLONG>::max()},
};

void store_integer(VARIANT& out, VARTYPE vt, Wide v) {
  switch (vt) {
    case VT_I1: out.cVal = static_cast<char>(v); break;
    case VT_UI1: out.bVal = static_cast<BYTE>(v); break;
    case VT_I2: out.iVal = static_cast<SHORT>(v); break;
    case VT_UI2: out.uiVal = static_cast<USHORT>(v); break;
    case VT_I4: out.lVal = static_cast<LONG>(v); break;
    case VT_INT: out.intVal = static_cast<INT>(v); break;
    case VT_UI4: out.ulVal = static_cast<ULONG>(v); break;
    case VT_UINT: out.uintVal = static_cast<UINT>(v); break;
    case VT_I8: out.llVal = static_cast<LONGLONG>(v); break;
    default: out.ullVal = static_cast<ULONGLONG>(v); break;
  }
}

// Builds the converted value in out (which owns its BSTR, if any).
HRESULT convert(const Scalar& value, USHORT flags, VARTYPE vt, VARIANT& out) {
  VariantInit(&out);
  for (const IntegerRange& range : INTEGER_RANGES) {
    if (range.vt != vt) continue;
    Wide v;
    HRESULT hr = to_integer(value, v);
    if (FAILED(hr)) return hr;
    if (v < range.low || v > range.high) return DISP_E_OVERFLOW;
    store_integer(out, vt, v);
    out.vt = vt;
    return S_OK;
  }
  switch (vt) {
    case VT_EMPTY:
      return S_OK;
    case VT_R8:
    case VT_R4: {
      double real;
      HRESULT hr = to_real(value, real);
      if (FAILED(hr)) return hr;
      if (vt == VT_R4) {
        if (std::fabs(real) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
        out.fltVal = static_cast<float>(real);
      } else {
        out.dblVal = real;
      }
      out.vt = vt;
      return S_OK;
    }
    case VT_BOOL: {
      bool boolean;
      HRESULT hr = to_boolean(value, boolean);
      if (FAILED(hr)) return hr;
      out.boolVal = boolean ? VARIANT_TRUE : VARIANT_FALSE;
      out.vt = VT_BOOL;
      return S_OK;
    }
    case VT_BSTR: {
      std::u16string text;
      HRESULT hr = to_text(value, flags, text);
      if (FAILED(hr)) return hr;
      out.bstrVal = bstr_from(text);
      if (out.bstrVal == nullptr) return E_OUTOFMEMORY;
      out.vt = VT_BSTR;
      return S_OK;
    }
    default:
      return is_known_type(vt) ? DISP_E_TYPEMISMATCH : DISP_E_BADVARTYPE;
  }
}

}  // namespace

void VariantInit(VARIANTARG* value) {
  value->vt = VT_EMPTY;
  value->wReserved1 = value->wReserved2 = value->wReserved3 = 0;
  value->brecVal = {nullptr, nullptr};
}

HRESULT VariantClear(VARIANTARG* value) {
  if (value == nullptr) return E_INVALIDARG;
  if ((value->vt & VT_BYREF) == 0) {
    if (value->vt & VT_ARRAY) return DISP_E_BADVARTYPE;
    switch (value->vt) {
      case VT_BSTR: SysFreeString(value->bstrVal); break;
      case VT_UNKNOWN:
      case VT_DISPATCH:
        if (value->punkVal != nullptr) value->punkVal->Release();
        break;
      default: break;
    }
  }
  VariantInit(value);
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* target, const VARIANTARG* source) {
  if (target == nullptr || source == nullptr) return E_INVALIDARG;
  if (target == source) return S_OK;
  if ((source->vt & VT_ARRAY) && !(source->vt & VT_BYREF)) return DISP_E_BADVARTYPE;
  VARIANT copy = *source;
  if (source->vt == VT_BSTR && source->bstrVal != nullptr) {
    copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<const char*>(source->bstrVal), SysStringByteLen(source->bstrVal));
    if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
  } else if ((source->vt == VT_UNKNOWN || source->vt == VT_DISPATCH) && source->punkVal != nullptr) {
    source->punkVal->AddRef();
  }
  HRESULT hr = VariantClear(target);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  *target = copy;
  return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* target, const VARIANTARG* source, USHORT flags, VARTYPE vt) {
  if (target == nullptr || source == nullptr) return E_INVALIDARG;
  if (vt == VT_VARIANT || vt == source->vt) return target == source ? S_OK : VariantCopy(target, source);
  Scalar value;
  HRESULT hr = read_scalar(*source, value);
  if (FAILED(hr)) return hr;
  VARIANT converted;
  hr = convert(value, flags, vt, converted);
  if (FAILED(hr)) {
    VariantClear(&converted);
    return hr;
  }
  VariantClear(target);
  *target = converted;
  return S_OK;
}

VARIANT variant_from_long(LONG value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

VARIANT variant_from_text(std::u16string_view text) {
  VARIANT v;
  VariantInit(&v);
  v.bstrVal = bstr_from(text);
  if (v.bstrVal != nullptr) v.vt = VT_BSTR;
  return v;
}
