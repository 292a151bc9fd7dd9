// The base interfaces of the component object model. Each is a class of pure
// virtual functions without a virtual destructor, so that g++ lays it out as
// the platform does: one pointer to a table of function pointers, the slots in
// declaration order, IUnknown's three first. On x86-64 Linux the functions use
// the ordinary SysV calling convention with the object pointer first.
#pragma once

#include "platform/com/com_types.h"
#include "platform/com/guid.h"
#include "platform/com/hresult.h"

class IUnknown {
 public:
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
};

class IClassFactory : public IUnknown {
 public:
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;
};

class ISupportErrorInfo : public IUnknown {
 public:
  virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;
};

using LPUNKNOWN = IUnknown*;
using LPCLASSFACTORY = IClassFactory*;
