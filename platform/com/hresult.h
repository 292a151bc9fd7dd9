// Status codes of the component runtime: HRESULT values with their platform
// numbers, and the Win32 error codes the registry calls return.
#pragma once

#include "platform/win_types.h"

using HRESULT = LONG;
using SCODE = LONG;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

constexpr HRESULT make_failure(DWORD value) { return static_cast<HRESULT>(value); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT NOERROR = S_OK;

constexpr HRESULT E_NOTIMPL = make_failure(0x80004001);
constexpr HRESULT E_NOINTERFACE = make_failure(0x80004002);
constexpr HRESULT E_POINTER = make_failure(0x80004003);
constexpr HRESULT E_ABORT = make_failure(0x80004004);
constexpr HRESULT E_FAIL = make_failure(0x80004005);
constexpr HRESULT E_UNEXPECTED = make_failure(0x8000FFFF);
constexpr HRESULT E_ACCESSDENIED = make_failure(0x80070005);
constexpr HRESULT E_HANDLE = make_failure(0x80070006);
constexpr HRESULT E_OUTOFMEMORY = make_failure(0x8007000E);
constexpr HRESULT E_INVALIDARG = make_failure(0x80070057);

constexpr HRESULT CLASS_E_NOAGGREGATION = make_failure(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = make_failure(0x80040111);
constexpr HRESULT REGDB_E_READREGDB = make_failure(0x80040150);
constexpr HRESULT REGDB_E_WRITEREGDB = make_failure(0x80040151);
constexpr HRESULT REGDB_E_CLASSNOTREG = make_failure(0x80040154);
constexpr HRESULT CO_E_CLASSSTRING = make_failure(0x800401F3);
constexpr HRESULT CO_E_DLLNOTFOUND = make_failure(0x800401F8);
constexpr HRESULT CO_E_ERRORINDLL = make_failure(0x800401F9);
constexpr HRESULT SELFREG_E_TYPELIB = make_failure(0x80040200);
constexpr HRESULT SELFREG_E_CLASS = make_failure(0x80040201);

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = make_failure(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = make_failure(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = make_failure(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = make_failure(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = make_failure(0x80020006);
constexpr HRESULT DISP_E_NONAMEDARGS = make_failure(0x80020007);
constexpr HRESULT DISP_E_BADVARTYPE = make_failure(0x80020008);
constexpr HRESULT DISP_E_EXCEPTION = make_failure(0x80020009);
constexpr HRESULT DISP_E_OVERFLOW = make_failure(0x8002000A);
constexpr HRESULT DISP_E_BADINDEX = make_failure(0x8002000B);
constexpr HRESULT DISP_E_BADPARAMCOUNT = make_failure(0x8002000E);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = make_failure(0x8002000F);
constexpr HRESULT DISP_E_BADCALLEE = make_failure(0x80020010);

constexpr HRESULT TYPE_E_INVDATAREAD = make_failure(0x80028018);
constexpr HRESULT TYPE_E_UNSUPFORMAT = make_failure(0x80028019);
constexpr HRESULT TYPE_E_LIBNOTREGISTERED = make_failure(0x8002801D);
constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = make_failure(0x8002802B);
constexpr HRESULT TYPE_E_CANTLOADLIBRARY = make_failure(0x80029C4A);

// Win32 error codes (registry calls return them as LONG).
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_OUTOFMEMORY = 14;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MOD_NOT_FOUND = 126;
constexpr LONG ERROR_PROC_NOT_FOUND = 127;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NO_MORE_ITEMS = 259;
constexpr LONG ERROR_BADDB = 1009;
constexpr LONG ERROR_CANTOPEN = 1011;
constexpr LONG ERROR_CANTREAD = 1012;
constexpr LONG ERROR_CANTWRITE = 1013;
constexpr LONG ERROR_KEY_DELETED = 1018;

constexpr HRESULT HRESULT_FROM_WIN32(LONG error) {
  return error <= 0 ? error : static_cast<HRESULT>((static_cast<DWORD>(error) & 0xFFFF) | 0x80070000);
}
