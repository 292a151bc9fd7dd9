// Class lookup and object creation. In-process servers are shared libraries
// named by the InprocServer32 key of their class; the runtime loads them with
// dlopen and finds their exports (DllGetClassObject, DllCanUnloadNow,
// DllRegisterServer, DllUnregisterServer) by name.
#pragma once

#include <string>

#include "platform/com/unknwn.h"

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC | CLSCTX_LOCAL_SERVER;

using DllGetClassObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID riid, void** object);
using DllCanUnloadNowFunction = HRESULT (*)();
using DllRegisterServerFunction = HRESULT (*)();

// Only in-process servers are served: REGDB_E_CLASSNOTREG when context has no
// CLSCTX_INPROC_SERVER, or the class or its InprocServer32 key is missing.
// server_info must be null.
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* server_info, REFIID riid, void** object);
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object);
// HKCR\ProgID\CLSID, or through the ProgID's CurVer; CO_E_CLASSSTRING when
// the ProgID is not registered.
HRESULT CLSIDFromProgID(LPCOLESTR prog_id, LPCLSID clsid);
// A braced GUID, or else a ProgID.
HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid);
// Unloads every server loaded by this runtime whose DllCanUnloadNow says S_OK.
void CoFreeUnusedLibraries();

// The class object of clsid from the server at module_path, registered or
// not (the runtime's own loader, for hosts that find a server beside them).
HRESULT get_class_object_from_module(const std::string& module_path, REFCLSID clsid, REFIID riid, void** object);
// Runs the server's DllRegisterServer (or DllUnregisterServer).
HRESULT register_module(const std::string& module_path, bool registering);
// Why the last load on this thread failed (the loader's message), or empty.
std::string module_load_error();
