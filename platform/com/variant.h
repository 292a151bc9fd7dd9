// VARIANT, the tagged value of automation, and the coercions hosts rely on.
// The layout is the platform's on a 64-bit system: a 16-bit type tag, three
// reserved words, then a 16-byte union (24 bytes in all).
#pragma once

#include <string_view>

#include "platform/com/com_types.h"
#include "platform/com/hresult.h"
#include "platform/com/unknwn.h"

class IDispatch;

using VARTYPE = USHORT;

enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_PTR = 26,
  VT_USERDEFINED = 29,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF,
};

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONGLONG llVal;
    LONG lVal;
    BYTE bVal;
    SHORT iVal;
    FLOAT fltVal;
    DOUBLE dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    DATE date;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    char cVal;
    USHORT uiVal;
    ULONG ulVal;
    ULONGLONG ullVal;
    INT intVal;
    UINT uintVal;
    BYTE* pbVal;
    SHORT* piVal;
    LONG* plVal;
    LONGLONG* pllVal;
    FLOAT* pfltVal;
    DOUBLE* pdblVal;
    VARIANT_BOOL* pboolVal;
    SCODE* pscode;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    VARIANT* pvarVal;
    char* pcVal;
    USHORT* puiVal;
    ULONG* pulVal;
    ULONGLONG* pullVal;
    INT* pintVal;
    UINT* puintVal;
    void* byref;
    struct {
      void* pvRecord;
      void* pRecInfo;
    } brecVal;
  };
};
using VARIANTARG = VARIANT;
static_assert(sizeof(VARIANT) == 24);

// VariantChangeType flags.
constexpr USHORT VARIANT_NOVALUEPROP = 0x01;
constexpr USHORT VARIANT_ALPHABOOL = 0x02;

void VariantInit(VARIANTARG* value);
// Frees an owned BSTR, releases an owned interface pointer, and leaves
// VT_EMPTY. By-reference values own nothing.
HRESULT VariantClear(VARIANTARG* value);
// Deep copy: BSTRs are duplicated, interface pointers AddRef'ed.
HRESULT VariantCopy(VARIANTARG* target, const VARIANTARG* source);
// Converts source (by-reference values are read through) into target of
// type vt. DISP_E_TYPEMISMATCH when the value has no form of that type,
// DISP_E_OVERFLOW when it does not fit, DISP_E_BADVARTYPE for a type tag
// this runtime does not know. target may be source; on failure target is
// left unchanged.
HRESULT VariantChangeType(VARIANTARG* target, const VARIANTARG* source, USHORT flags, VARTYPE vt);

// A VT_I4 value.
VARIANT variant_from_long(LONG value);
// A VT_BSTR value owning a new copy of text (VariantClear frees it); VT_EMPTY
// when the string cannot be allocated.
VARIANT variant_from_text(std::u16string_view text);
