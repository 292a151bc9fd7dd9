// The registry keys of a type library and of its interfaces.
#include <cstdio>

#include "platform/com/registry.h"
#include "platform/com/typelib.h"

namespace {

// The platform names the folder of a 64-bit library's file "win64".
constexpr const char* PLATFORM_KEY = "win64";

std::string hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", value);
  return text;
}

std::string version_key(const LibraryInfo& library) {
  return "TypeLib\\" + guid_to_string(library.libid) + "\\" + hex(library.major_version) + "." +
         hex(library.minor_version);
}

LONG set_string(const std::string& subkey, const char* value_name, const std::string& text) {
  HKEY key;
  LONG status = RegCreateKeyEx(HKEY_CLASSES_ROOT, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                               nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  status = RegSetValueEx(key, value_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
  return status;
}

LONG delete_tree(const std::string& subkey) {
  LONG status = RegDeleteTree(HKEY_CLASSES_ROOT, subkey.c_str());
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

std::string folder_of(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace

HRESULT RegisterTypeLib(const LibraryInfo& library, const std::string& module_path) {
  std::string libid = guid_to_string(library.libid);
  std::string version = version_key(library);
  std::string version_text = hex(library.major_version) + "." + hex(library.minor_version);
  std::string proxy = guid_to_string(CLSID_PSOAInterface);
  LONG status = registry_transaction([&] {
    LONG result = set_string(version, nullptr, library.help);
    if (result == ERROR_SUCCESS) result = set_string(version + "\\FLAGS", nullptr, "0");
    if (result == ERROR_SUCCESS) result = set_string(version + "\\HELPDIR", nullptr, folder_of(module_path));
    if (result == ERROR_SUCCESS)
      result = set_string(version + "\\" + hex(library.lcid) + "\\" + PLATFORM_KEY, nullptr, module_path);
    for (const InterfaceInfo& interface_info : library.interfaces) {
      std::string key = "Interface\\" + guid_to_string(interface_info.iid);
      if (result == ERROR_SUCCESS) result = delete_tree(key);
      if (result == ERROR_SUCCESS) result = set_string(key, nullptr, interface_info.name);
      if (result == ERROR_SUCCESS) result = set_string(key + "\\ProxyStubClsid", nullptr, proxy);
      if (result == ERROR_SUCCESS) result = set_string(key + "\\ProxyStubClsid32", nullptr, proxy);
      if (result == ERROR_SUCCESS) result = set_string(key + "\\TypeLib", nullptr, libid);
      if (result == ERROR_SUCCESS) result = set_string(key + "\\TypeLib", "Version", version_text);
    }
    return result;
  });
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT UnRegisterTypeLib(const LibraryInfo& library) {
  std::string library_key = "TypeLib\\" + guid_to_string(library.libid);
  LONG status = registry_transaction([&] {
    LONG result = ERROR_SUCCESS;
    for (const InterfaceInfo& interface_info : library.interfaces)
      if (result == ERROR_SUCCESS) result = delete_tree("Interface\\" + guid_to_string(interface_info.iid));
    if (result == ERROR_SUCCESS) result = delete_tree(version_key(library));
    HKEY key;
    if (result == ERROR_SUCCESS && RegOpenKeyEx(HKEY_CLASSES_ROOT, library_key.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
      char name[2];
      DWORD size = sizeof name;
      bool empty = RegEnumKeyEx(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_NO_MORE_ITEMS;
      RegCloseKey(key);
      if (empty) result = delete_tree(library_key);
    }
    return result;
  });
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}
