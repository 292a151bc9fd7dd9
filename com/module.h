// The module's lock count, its exports (C linkage, found by name by hosts),
// and the type information its objects serve IDispatch from.
#pragma once

#include "platform/com/oaidl.h"

// Each live object and each outside reference to the class object holds a
// lock; the module may be unloaded when none is left.
void lock_module();
void unlock_module();
LONG module_lock_count();

// The type information of IEncodeService, read from the module's type
// library resource on first use; the module owns it. Null when the resource
// cannot be read.
ITypeInfo* encode_service_type_info();

extern "C" {
HRESULT DllCanUnloadNow();
HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** object);
HRESULT DllRegisterServer();
HRESULT DllUnregisterServer();
}
