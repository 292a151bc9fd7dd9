#include "platform/com/objbase.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

#include "platform/com/bstr.h"
#include "platform/com/registry.h"

namespace {

constexpr int MAX_CURVER_STEPS = 8;

thread_local std::string load_error;

struct LoadedServers {
  std::mutex mutex;
  std::map<std::string, void*> handles;  // by path
};

LoadedServers& loaded_servers() {
  static LoadedServers servers;
  return servers;
}

HRESULT load_server(const std::string& path, void*& handle) {
  LoadedServers& servers = loaded_servers();
  std::lock_guard<std::mutex> lock(servers.mutex);
  auto found = servers.handles.find(path);
  if (found != servers.handles.end()) {
    handle = found->second;
    return S_OK;
  }
  handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* message = ::dlerror();
    load_error = message != nullptr ? message : path + ": cannot be loaded";
    return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  }
  servers.handles[path] = handle;
  return S_OK;
}

template <typename Function>
HRESULT find_export(const std::string& path, const char* name, Function& function) {
  void* handle;
  HRESULT hr = load_server(path, handle);
  if (FAILED(hr)) return hr;
  void* symbol = ::dlsym(handle, name);
  if (symbol == nullptr) {
    load_error = path + ": no export " + name;
    return CO_E_ERRORINDLL;
  }
  function = reinterpret_cast<Function>(symbol);
  return S_OK;
}

std::optional<std::string> narrow(LPCOLESTR text) {
  if (text == nullptr) return std::nullopt;
  std::u16string_view view(text);
  return utf8_from_utf16(view);
}

}  // namespace

HRESULT get_class_object_from_module(const std::string& module_path, REFCLSID clsid, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  load_error.clear();
  DllGetClassObjectFunction get_class_object;
  HRESULT hr = find_export(module_path, "DllGetClassObject", get_class_object);
  return FAILED(hr) ? hr : get_class_object(clsid, riid, object);
}

HRESULT register_module(const std::string& module_path, bool registering) {
  load_error.clear();
  DllRegisterServerFunction entry;
  HRESULT hr = find_export(module_path, registering ? "DllRegisterServer" : "DllUnregisterServer", entry);
  return FAILED(hr) ? hr : entry();
}

std::string module_load_error() { return load_error; }

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* server_info, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (server_info != nullptr) return E_INVALIDARG;
  if ((context & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
  std::string key = "CLSID\\" + guid_to_string(clsid) + "\\InprocServer32";
  std::optional<std::string> path = registry_string(HKEY_CLASSES_ROOT, key.c_str(), nullptr);
  if (!path || path->empty()) return REGDB_E_CLASSNOTREG;
  return get_class_object_from_module(*path, clsid, riid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(outer, riid, object);
  factory->Release();
  return hr;
}

HRESULT CLSIDFromProgID(LPCOLESTR prog_id, LPCLSID clsid) {
  if (clsid == nullptr) return E_INVALIDARG;
  std::optional<std::string> name = narrow(prog_id);
  if (!name || name->empty()) return CO_E_CLASSSTRING;
  for (int step = 0; step < MAX_CURVER_STEPS; ++step) {
    if (name->find('\\') != std::string::npos) return CO_E_CLASSSTRING;
    std::optional<std::string> text = registry_string(HKEY_CLASSES_ROOT, (*name + "\\CLSID").c_str(), nullptr);
    if (text) {
      std::optional<GUID> guid = guid_from_string(*text);
      if (!guid) return CO_E_CLASSSTRING;
      *clsid = *guid;
      return S_OK;
    }
    std::optional<std::string> current = registry_string(HKEY_CLASSES_ROOT, (*name + "\\CurVer").c_str(), nullptr);
    if (!current || current->empty()) return CO_E_CLASSSTRING;
    name = current;
  }
  return CO_E_CLASSSTRING;
}

HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid) {
  if (clsid == nullptr) return E_INVALIDARG;
  if (text != nullptr && text[0] == u'{') {
    std::optional<std::string> narrow_text = narrow(text);
    std::optional<GUID> guid = narrow_text ? guid_from_string(*narrow_text) : std::nullopt;
    if (!guid) return CO_E_CLASSSTRING;
    *clsid = *guid;
    return S_OK;
  }
  return CLSIDFromProgID(text, clsid);
}

void CoFreeUnusedLibraries() {
  LoadedServers& servers = loaded_servers();
  std::lock_guard<std::mutex> lock(servers.mutex);
  for (auto entry = servers.handles.begin(); entry != servers.handles.end();) {
    auto can_unload = reinterpret_cast<DllCanUnloadNowFunction>(::dlsym(entry->second, "DllCanUnloadNow"));
    if (can_unload != nullptr && can_unload() == S_OK) {
      ::dlclose(entry->second);
      entry = servers.handles.erase(entry);
    } else {
      ++entry;
    }
  }
}
