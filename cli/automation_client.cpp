#include "cli/automation_client.h"

#include "platform/com/bstr.h"

HRESULT AutomationClient::id_of(const char16_t* name, DISPID& id) const {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  return object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
}

HRESULT AutomationClient::put(const char16_t* name, VARIANT value) const {
  DISPID id;
  HRESULT hr = id_of(name, id);
  if (SUCCEEDED(hr)) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
  }
  VariantClear(&value);
  return hr;
}

HRESULT AutomationClient::call(const char16_t* name, std::vector<VARIANT> arguments, VARIANT& result) const {
  VariantInit(&result);
  std::vector<VARIANT> last_first(arguments.rbegin(), arguments.rend());
  DISPID id;
  HRESULT hr = id_of(name, id);
  if (SUCCEEDED(hr)) {
    DISPPARAMS params{last_first.data(), nullptr, static_cast<UINT>(last_first.size()), 0};
    hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
  }
  for (VARIANT& argument : last_first) VariantClear(&argument);
  return hr;
}

std::string AutomationClient::text(const char16_t* name) const {
  DISPID id;
  if (FAILED(id_of(name, id))) return {};
  DISPPARAMS params{nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  HRESULT hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &params, &result, nullptr,
                               nullptr);
  std::string text;
  if (SUCCEEDED(hr) && result.vt == VT_BSTR) text = utf8_from_utf16(bstr_view(result.bstrVal)).value_or("");
  VariantClear(&result);
  return text;
}

VARIANT long_value(LONG value) { return variant_from_long(value); }

bool text_value(const std::string& utf8, VARIANT& value) {
  VariantInit(&value);
  std::optional<std::u16string> wide = utf16_from_utf8(utf8);
  if (!wide) return false;
  value = variant_from_text(*wide);
  return value.vt == VT_BSTR;
}
