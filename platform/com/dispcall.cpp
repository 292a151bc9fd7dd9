#include "platform/com/dispcall.h"

#include <cstring>

#if !defined(__x86_64__) && !defined(__aarch64__)
#error "DispCallFunc relies on an ABI that passes integer and floating-point arguments in separate register sequences"
#endif

namespace {

// On x86-64 SysV (and AArch64) integer-class and floating-point arguments fill
// two independent register sequences, each in declaration order. A function of
// any mix of at most 6 integer-class and 8 floating-point parameters therefore
// receives its arguments correctly when called through one of these shapes
// with the integers and the reals each gathered in order; unused registers
// are ignored by the callee.
using IntegerCall = ULONG_PTR (*)(ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, double, double,
                                  double, double, double, double, double, double);
using RealCall = double (*)(ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, double, double, double,
                            double, double, double, double, double);

constexpr int INTEGER_REGISTERS = 6;
constexpr int REAL_REGISTERS = 8;

struct Registers {
  ULONG_PTR integer[INTEGER_REGISTERS] = {};
  double real[REAL_REGISTERS] = {};
  int integers = 0;
  int reals = 0;
};

HRESULT push_integer(Registers& registers, ULONG_PTR value) {
  if (registers.integers == INTEGER_REGISTERS) return DISP_E_BADPARAMCOUNT;
  registers.integer[registers.integers++] = value;
  return S_OK;
}

HRESULT push_real(Registers& registers, double value) {
  if (registers.reals == REAL_REGISTERS) return DISP_E_BADPARAMCOUNT;
  registers.real[registers.reals++] = value;
  return S_OK;
}

// A float travels in the low 32 bits of its register.
double float_register(float value) {
  double slot = 0;
  std::memcpy(&slot, &value, sizeof value);
  return slot;
}

template <typename T>
ULONG_PTR sign_extended(T value) {
  return static_cast<ULONG_PTR>(static_cast<LONGLONG>(value));
}

HRESULT push_argument(Registers& registers, VARTYPE vt, const VARIANTARG& value) {
  if (vt & (VT_BYREF | VT_ARRAY)) return push_integer(registers, reinterpret_cast<ULONG_PTR>(value.byref));
  switch (vt) {
    case VT_I1: return push_integer(registers, sign_extended(value.cVal));
    case VT_UI1: return push_integer(registers, value.bVal);
    case VT_I2:
    case VT_BOOL: return push_integer(registers, sign_extended(value.iVal));
    case VT_UI2: return push_integer(registers, value.uiVal);
    case VT_I4:
    case VT_INT:
    case VT_ERROR:
    case VT_HRESULT: return push_integer(registers, sign_extended(value.lVal));
    case VT_UI4:
    case VT_UINT: return push_integer(registers, value.ulVal);
    case VT_I8:
    case VT_UI8: return push_integer(registers, value.ullVal);
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH:
    case VT_PTR: return push_integer(registers, reinterpret_cast<ULONG_PTR>(value.byref));
    case VT_R8:
    case VT_DATE: return push_real(registers, value.dblVal);
    case VT_R4: return push_real(registers, float_register(value.fltVal));
    default: return DISP_E_BADVARTYPE;
  }
}

void store_result(VARTYPE vt, ULONG_PTR integer, VARIANT& result) {
  VariantInit(&result);
  result.vt = vt;
  switch (vt) {
    case VT_I1: result.cVal = static_cast<char>(integer); break;
    case VT_UI1: result.bVal = static_cast<BYTE>(integer); break;
    case VT_I2:
    case VT_BOOL: result.iVal = static_cast<SHORT>(integer); break;
    case VT_UI2: result.uiVal = static_cast<USHORT>(integer); break;
    case VT_I4:
    case VT_INT:
    case VT_ERROR:
    case VT_HRESULT: result.lVal = static_cast<LONG>(integer); break;
    case VT_UI4:
    case VT_UINT: result.ulVal = static_cast<ULONG>(integer); break;
    default: result.ullVal = integer; break;
  }
}

bool returns_real(VARTYPE vt) { return vt == VT_R8 || vt == VT_DATE || vt == VT_R4; }

}  // namespace

HRESULT DispCallFunc(void* instance, ULONG_PTR vtable_offset, CALLCONV convention, VARTYPE return_type,
                     UINT argument_count, const VARTYPE* argument_types, VARIANTARG** arguments,
                     VARIANT* result) {
  if (convention != CC_CDECL && convention != CC_STDCALL) return E_INVALIDARG;
  if (argument_count > 0 && (argument_types == nullptr || arguments == nullptr)) return E_INVALIDARG;
  if (instance != nullptr && vtable_offset % sizeof(void*) != 0) return E_INVALIDARG;
  Registers registers;
  void* function;
  if (instance != nullptr) {
    void** table = *static_cast<void***>(instance);
    function = table[vtable_offset / sizeof(void*)];
    push_integer(registers, reinterpret_cast<ULONG_PTR>(instance));
  } else {
    function = reinterpret_cast<void*>(vtable_offset);
  }
  if (function == nullptr) return E_INVALIDARG;
  for (UINT i = 0; i < argument_count; ++i) {
    if (arguments[i] == nullptr) return E_INVALIDARG;
    HRESULT hr = push_argument(registers, argument_types[i], *arguments[i]);
    if (FAILED(hr)) return hr;
  }
  const ULONG_PTR* n = registers.integer;
  const double* r = registers.real;
  if (returns_real(return_type)) {
    double value = reinterpret_cast<RealCall>(function)(n[0], n[1], n[2], n[3], n[4], n[5], r[0], r[1], r[2], r[3],
                                                        r[4], r[5], r[6], r[7]);
    if (result != nullptr) {
      VariantInit(result);
      result->vt = return_type;
      if (return_type == VT_R4)
        std::memcpy(&result->fltVal, &value, sizeof result->fltVal);
      else
        result->dblVal = value;
    }
    return S_OK;
  }
  ULONG_PTR value = reinterpret_cast<IntegerCall>(function)(n[0], n[1], n[2], n[3], n[4], n[5], r[0], r[1], r[2],
                                                            r[3], r[4], r[5], r[6], r[7]);
  if (result != nullptr) {
    if (return_type == VT_EMPTY || return_type == VT_VOID)
      VariantInit(result);
    else
      store_result(return_type, value, *result);
  }
  return S_OK;
}
