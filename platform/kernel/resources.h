// Module resources: data a module carries, found by type and name under the
// module's instance handle, as on the platform. A module makes its resources
// known by registering a function that lists them; the list is asked for only
// when a resource of that module is first looked up.
//
// Names and types are texts or 16-bit numbers (MAKEINTRESOURCE). String
// resources are kept one entry per string, under the string's own number.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"

struct ResourceEntry {
  LPCSTR type;
  LPCSTR name;
  const void* data;
  DWORD size;
};

// Returns the module's table and stores its length in count.
using ResourceLister = const ResourceEntry* (*)(std::size_t* count);

inline LPCSTR MAKEINTRESOURCE(WORD id) { return reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(id)); }
inline bool IS_INTRESOURCE(LPCSTR name) { return reinterpret_cast<std::uintptr_t>(name) <= 0xFFFF; }

inline LPCSTR const RT_STRING = MAKEINTRESOURCE(6);
inline LPCSTR const RT_VERSION = MAKEINTRESOURCE(16);

// The instance handle of the loaded module that holds address: the address
// the module is loaded at. Null when address is in no module.
HMODULE module_handle_of(const void* address);
// The full path of that module's file, or empty.
const char* module_path_of(HMODULE module, char* buffer, std::size_t size);

// Registers the resources of the module that holds address_in_module.
void register_module_resources(const void* address_in_module, ResourceLister lister);

// Text names and types match without regard to ASCII case.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
DWORD SizeofResource(HMODULE module, HRSRC resource);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL loaded);
// Copies string resource id (cut to size - 1 bytes) with its terminator;
// returns the bytes copied without the terminator, 0 when there is none.
int LoadStringA(HMODULE module, UINT id, LPSTR buffer, int size);
