#include "platform/kernel/resources.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <cstring>
#include <mutex>
#include <vector>

namespace {

struct RegisteredModule {
  const void* address;
  ResourceLister lister;
};

struct ResourceRegistry {
  std::mutex mutex;
  std::vector<RegisteredModule> modules;
};

ResourceRegistry& resource_registry() {
  static ResourceRegistry registry;
  return registry;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool same_name(LPCSTR a, LPCSTR b) {
  if (IS_INTRESOURCE(a) || IS_INTRESOURCE(b)) return a == b;
  for (; *a != '\0' && *b != '\0'; ++a, ++b)
    if (lower(*a) != lower(*b)) return false;
  return *a == *b;
}

const ResourceEntry* entry_of(HRSRC resource) { return reinterpret_cast<const ResourceEntry*>(resource); }

}  // namespace

HMODULE module_handle_of(const void* address) {
  Dl_info info;
  if (address == nullptr || ::dladdr(address, &info) == 0) return nullptr;
  return static_cast<HMODULE>(info.dli_fbase);
}

const char* module_path_of(HMODULE module, char* buffer, std::size_t size) {
  Dl_info info;
  if (size == 0) return buffer;
  buffer[0] = '\0';
  if (module == nullptr || ::dladdr(module, &info) == 0 || info.dli_fname == nullptr) return buffer;
  char resolved[PATH_MAX];
  const char* path = ::realpath(info.dli_fname, resolved) != nullptr ? resolved : info.dli_fname;
  if (std::strlen(path) < size) std::strcpy(buffer, path);
  return buffer;
}

void register_module_resources(const void* address_in_module, ResourceLister lister) {
  ResourceRegistry& registry = resource_registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.modules.push_back({address_in_module, lister});
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  if (module == nullptr || name == nullptr || type == nullptr) return nullptr;
  ResourceRegistry& registry = resource_registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  for (const RegisteredModule& registered : registry.modules) {
    if (module_handle_of(registered.address) != module) continue;
    std::size_t count = 0;
    const ResourceEntry* entries = registered.lister(&count);
    for (std::size_t i = 0; i < count; ++i)
      if (same_name(entries[i].type, type) && same_name(entries[i].name, name))
        return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(&entries[i]));
  }
  return nullptr;
}

DWORD SizeofResource(HMODULE, HRSRC resource) { return resource == nullptr ? 0 : entry_of(resource)->size; }

// Resources are part of the module's image: loading is finding the data.
HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  return resource == nullptr ? nullptr : reinterpret_cast<HGLOBAL>(const_cast<void*>(entry_of(resource)->data));
}

LPVOID LockResource(HGLOBAL loaded) { return loaded; }

int LoadStringA(HMODULE module, UINT id, LPSTR buffer, int size) {
  if (buffer == nullptr || size <= 0 || id > 0xFFFF) return 0;
  buffer[0] = '\0';
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCE(static_cast<WORD>(id)), RT_STRING);
  if (resource == nullptr) return 0;
  const char* text = static_cast<const char*>(entry_of(resource)->data);
  std::size_t length = strnlen(text, entry_of(resource)->size);
  if (length > static_cast<std::size_t>(size - 1)) length = static_cast<std::size_t>(size - 1);
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}
