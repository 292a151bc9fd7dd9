#include "com/module.h"

#include <atomic>
#include <memory>

#include "com/class_factory.h"
#include "com/identifiers.h"
#include "com/module_resources.h"
#include "platform/com/registrar.h"
#include "platform/com/registry.h"
#include "platform/com/typelib.h"

namespace {

std::atomic<LONG> lock_count{0};

TypeLibrary* module_type_library() {
  static const std::unique_ptr<TypeLibrary> library = [] {
    std::unique_ptr<TypeLibrary> loaded;
    std::string_view source = module_resource_text(IDR_TYPELIB, RT_TYPELIB);
    if (source.empty() || FAILED(TypeLibrary::Load(source, loaded))) loaded.reset();
    return loaded;
  }();
  return library.get();
}

// Runs the registry script and (un)registers the type library as one
// registry transaction: either all of it lands or none.
HRESULT update_registration(bool registering) {
  TypeLibrary* library = module_type_library();
  std::string_view script = module_resource_text(IDR_ENCODESERVICE, RT_REGISTRY);
  if (library == nullptr) return SELFREG_E_TYPELIB;
  if (script.empty()) return SELFREG_E_CLASS;
  std::string path = module_file_path();
  if (path.empty()) return SELFREG_E_CLASS;
  HRESULT result = S_OK;
  LONG status = registry_transaction([&] {
    result = run_registry_script(script, registering, {{"MODULE", path}});
    if (SUCCEEDED(result))
      result = registering ? RegisterTypeLib(library->info(), path) : UnRegisterTypeLib(library->info());
    return SUCCEEDED(result) ? ERROR_SUCCESS : ERROR_CANTWRITE;
  });
  if (FAILED(result)) return result;
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

}  // namespace

void lock_module() { ++lock_count; }
void unlock_module() { --lock_count; }
LONG module_lock_count() { return lock_count.load(); }

ITypeInfo* encode_service_type_info() {
  static ITypeInfo* const type = [] {
    ITypeInfo* found = nullptr;
    TypeLibrary* library = module_type_library();
    if (library != nullptr) library->GetTypeInfoOfGuid(IID_IEncodeService, &found);
    return found;
  }();
  return type;
}

extern "C" HRESULT DllCanUnloadNow() { return module_lock_count() == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_EncodeService) return CLASS_E_CLASSNOTAVAILABLE;
  return encode_service_factory().QueryInterface(riid, object);
}

extern "C" HRESULT DllRegisterServer() { return update_registration(true); }

extern "C" HRESULT DllUnregisterServer() { return update_registration(false); }
