// Calls a function of an interface's virtual table, or at an address, with
// arguments given as VARIANTs: the bridge between automation's Invoke and an
// interface's own methods.
#pragma once

#include "platform/com/oaidl.h"

// instance: the interface pointer (its table's slot at byte offset
// vtable_offset is called, with instance as first argument), or null to call
// the function whose address is vtable_offset. argument_types[i] says how
// arguments[i] is read. Integer, pointer, by-reference, BSTR and interface
// arguments, and R4/R8 values, are supported, up to 5 integer-class arguments
// after the instance and 8 floating-point ones. return_type VT_EMPTY or
// VT_VOID discards the return value.
HRESULT DispCallFunc(void* instance, ULONG_PTR vtable_offset, CALLCONV convention, VARTYPE return_type,
                     UINT argument_count, const VARTYPE* argument_types, VARIANTARG** arguments,
                     VARIANT* result);
