// Driving EncodeService as an automation host does: members by name through
// IDispatch, values as VARIANTs.
#pragma once

#include <string>
#include <vector>

#include "com/identifiers.h"
#include "com/iencode_service.h"
#include "com/module.h"
#include "platform/com/bstr.h"
#include "platform/com/oaidl.h"

// A BSTR owned for the life of a scope.
class Bstr {
 public:
  explicit Bstr(std::u16string_view text) : text_(bstr_from(text)) {}
  explicit Bstr(const std::string& utf8) : text_(bstr_from(utf16_from_utf8(utf8).value_or(u""))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(text_); }
  BSTR get() const { return text_; }

 private:
  BSTR text_;
};

inline VARIANT variant_i4(LONG value) { return variant_from_long(value); }

inline VARIANT variant_text(const std::string& utf8) {
  return variant_from_text(utf16_from_utf8(utf8).value_or(u""));
}

inline std::string utf8_of(BSTR text) { return utf8_from_utf16(bstr_view(text)).value_or("?"); }

// An EncodeService object made by the module's own class object.
inline IEncodeService* new_encode_service() {
  IClassFactory* factory = nullptr;
  if (FAILED(DllGetClassObject(CLSID_EncodeService, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
    return nullptr;
  IEncodeService* service = nullptr;
  factory->CreateInstance(nullptr, IID_IEncodeService, reinterpret_cast<void**>(&service));
  factory->Release();
  return service;
}

class Automation {
 public:
  explicit Automation(IDispatch* object) : object_(object) {}

  DISPID id(const std::u16string& name) const {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
    DISPID found = DISPID_UNKNOWN;
    object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &found);
    return found;
  }

  // The value is consumed (cleared) by the call.
  HRESULT put(const std::u16string& name, VARIANT value) const {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    HRESULT hr = object_->Invoke(id(name), IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
    VariantClear(&value);
    return hr;
  }

  // The caller clears the result.
  HRESULT get(const std::u16string& name, VARIANT& result) const {
    DISPPARAMS params{nullptr, nullptr, 0, 0};
    VariantInit(&result);
    return object_->Invoke(id(name), IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, &result, nullptr,
                           nullptr);
  }

  // Arguments in their natural order; they are consumed.
  HRESULT call(const std::u16string& name, std::vector<VARIANT> arguments, VARIANT& result) const {
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    VariantInit(&result);
    HRESULT hr = object_->Invoke(id(name), IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
    for (VARIANT& v : reversed) VariantClear(&v);
    return hr;
  }

  // The number a method returned, or -1000 when the call failed.
  LONG call_number(const std::u16string& name, std::vector<VARIANT> arguments = {}) const {
    VARIANT result;
    if (FAILED(call(name, std::move(arguments), result)) || result.vt != VT_I4) return -1000;
    return result.lVal;
  }

  std::string text(const std::u16string& name) const {
    VARIANT result;
    if (FAILED(get(name, result)) || result.vt != VT_BSTR) return "<no text>";
    std::string out = utf8_of(result.bstrVal);
    VariantClear(&result);
    return out;
  }

  LONG number(const std::u16string& name) const {
    VARIANT result;
    if (FAILED(get(name, result))) return -1000;
    VARIANT as_long;
    VariantInit(&as_long);
    if (FAILED(VariantChangeType(&as_long, &result, 0, VT_I4))) return -1000;
    return as_long.lVal;
  }

 private:
  IDispatch* object_;
};
