// The registry's content in memory, and its text form:
//
//   ; comment
//   [HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32]
//   @="/usr/lib/libtresslin.so"
//   "ThreadingModel"="Apartment"
//   "Flags"=dword:00000001
//   "Data"=hex(3):01,02
//
// One section per key, every key listed (empty ones too) in sorted order.
// In strings, \\ \" \n \r \t and \xHH stand for their bytes; in key names in
// section headers, %HH stands for a byte (for '%', ']', and control bytes).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_types.h"

struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

struct RegistryValue {
  DWORD type;
  std::string data;  // REG_SZ without its terminator
};

struct RegistryKey {
  std::map<std::string, RegistryValue, CaseInsensitiveLess> values;  // "" is the default value
  std::map<std::string, std::unique_ptr<RegistryKey>, CaseInsensitiveLess> subkeys;

  RegistryKey* find(const std::vector<std::string>& path);
  RegistryKey* find_or_create(const std::vector<std::string>& path, bool& created);
};

constexpr const char* REGISTRY_ROOT_NAME = "HKEY_CLASSES_ROOT";

// False with "line N: what" in error when the text is malformed.
bool parse_registry(std::string_view text, RegistryKey& root, std::string& error);
std::string format_registry(const RegistryKey& root);
