// The registry: HKEY_CLASSES_ROOT and the calls registration and class lookup
// need. It is kept in one human-readable text file, $TRESSLIN_REGISTRY when
// set, else $XDG_CONFIG_HOME/tresslin/registry, else
// ~/.config/tresslin/registry. Every change takes an advisory lock (flock on
// the file's name with ".lock" appended), reads the file, and writes it whole
// to a new file that is renamed over the old one, so concurrent writers and a
// process killed mid-write never tear or lose it. Readers need no lock.
//
// Narrow strings are UTF-8. Key and value names are matched without regard to
// ASCII case and keep the case they were created with; key names cannot hold
// a backslash, which separates the levels of a path.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/com/hresult.h"

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u));

// Access masks are accepted and not enforced.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

LONG RegCreateKeyEx(HKEY key, const char* subkey, DWORD reserved, char* class_name, DWORD options, REGSAM sam,
                    void* security, PHKEY result, DWORD* disposition);
LONG RegOpenKeyEx(HKEY key, const char* subkey, DWORD options, REGSAM sam, PHKEY result);
LONG RegCloseKey(HKEY key);
// A null or empty value name is the key's default value. REG_SZ data counts
// its terminator.
LONG RegSetValueEx(HKEY key, const char* value_name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
// ERROR_MORE_DATA with the size needed in *size when data is too small;
// data may be null to ask for the size only.
LONG RegQueryValueEx(HKEY key, const char* value_name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
LONG RegDeleteValue(HKEY key, const char* value_name);
// ERROR_ACCESS_DENIED when the key has subkeys.
LONG RegDeleteKey(HKEY key, const char* subkey);
// The subkey with everything below it; a null subkey empties key itself.
LONG RegDeleteTree(HKEY key, const char* subkey);
// *name_size: the buffer's size in; the name's length without terminator out.
LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* name_size, DWORD* reserved, char* class_name,
                  DWORD* class_size, void* last_write_time);

// Runs body with every registry call this thread makes applied to one copy
// of the registry, read under the lock, which is held throughout. The copy is
// written back once, when body returns ERROR_SUCCESS; otherwise nothing
// changes. Returns body's result, or the error of reading or writing.
LONG registry_transaction(const std::function<LONG()>& body);

// The file the registry lives in.
std::string registry_file_path();

// The REG_SZ value of key\subkey, or nullopt.
std::optional<std::string> registry_string(HKEY key, const char* subkey, const char* value_name);
