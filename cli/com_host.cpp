#include "cli/com_host.h"

#include <cstdio>

#include "com/identifiers.h"
#include "com/module_resources.h"
#include "platform/com/objbase.h"
#include "platform/com/registry.h"

namespace {

struct NamedCode {
  HRESULT code;
  const char* name;
};
constexpr NamedCode NAMED_CODES[] = {
    {E_NOTIMPL, "E_NOTIMPL"},
    {E_NOINTERFACE, "E_NOINTERFACE"},
    {E_POINTER, "E_POINTER"},
    {E_FAIL, "E_FAIL"},
    {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
    {E_INVALIDARG, "E_INVALIDARG"},
    {CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE"},
    {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG"},
    {CO_E_CLASSSTRING, "CO_E_CLASSSTRING"},
    {CO_E_ERRORINDLL, "CO_E_ERRORINDLL"},
    {SELFREG_E_CLASS, "SELFREG_E_CLASS"},
    {SELFREG_E_TYPELIB, "SELFREG_E_TYPELIB"},
    {DISP_E_MEMBERNOTFOUND, "DISP_E_MEMBERNOTFOUND"},
    {DISP_E_TYPEMISMATCH, "DISP_E_TYPEMISMATCH"},
    {DISP_E_UNKNOWNNAME, "DISP_E_UNKNOWNNAME"},
    {DISP_E_EXCEPTION, "DISP_E_EXCEPTION"},
    {DISP_E_OVERFLOW, "DISP_E_OVERFLOW"},
    {DISP_E_BADPARAMCOUNT, "DISP_E_BADPARAMCOUNT"},
    {HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), "the module cannot be loaded"},
    {HRESULT_FROM_WIN32(ERROR_CANTWRITE), "the registry cannot be written"},
    {HRESULT_FROM_WIN32(ERROR_CANTOPEN), "the registry cannot be opened"},
    {HRESULT_FROM_WIN32(ERROR_BADDB), "the registry file is malformed"},
};

IDispatch* from_module(const std::string& path, std::string& error) {
  IClassFactory* factory = nullptr;
  HRESULT hr = get_class_object_from_module(path, CLSID_EncodeService, IID_IClassFactory,
                                            reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) {
    std::string reason = module_load_error();
    error = path + ": " + (reason.empty() ? hresult_text(hr) : reason);
    return nullptr;
  }
  IDispatch* object = nullptr;
  hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object));
  factory->Release();
  if (FAILED(hr)) error = "EncodeService cannot be created: " + hresult_text(hr);
  return object;
}

}  // namespace

std::string installed_module_path() { return module_file_path(); }

IDispatch* create_encode_service(const std::string& module_path, std::string& error) {
  if (!module_path.empty()) return from_module(module_path, error);
  CLSID clsid;
  if (SUCCEEDED(CLSIDFromProgID(u"Tresslin.EncodeService", &clsid))) {
    IDispatch* object = nullptr;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(&object));
    if (SUCCEEDED(hr)) return object;
    if (hr != REGDB_E_CLASSNOTREG) {
      std::string reason = module_load_error();
      error = "Tresslin.EncodeService (registered in " + registry_file_path() +
              ") cannot be created: " + (reason.empty() ? hresult_text(hr) : reason);
      return nullptr;
    }
  }
  return from_module(installed_module_path(), error);
}

std::string hresult_text(HRESULT hr) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
  for (const NamedCode& named : NAMED_CODES)
    if (named.code == hr) return std::string(named.name) + " (" + code + ")";
  return code;
}
