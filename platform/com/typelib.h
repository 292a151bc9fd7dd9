// Type libraries: the description of a library's interfaces and classes,
// written in a small subset of the interface definition language, parsed at
// first use, and served as ITypeInfo. Registration writes the library's
// TypeLib and Interface keys under HKEY_CLASSES_ROOT.
//
// The subset: one `library` block with `importlib("...")` lines, interfaces
// derived from IDispatch or IUnknown whose methods all return HRESULT, and
// coclasses naming their interfaces. Attributes in brackets: uuid, version,
// lcid, helpstring, object, dual, oleautomation, nonextensible, hidden,
// pointer_default, id, propget, propput, propputref, in, out, retval,
// default. Parameter types: long, short, int, char, unsigned long/short/int/
// char, BYTE, BSTR, OLE_COLOR, VARIANT_BOOL, double, float, VARIANT, and
// IUnknown* / IDispatch*, each optionally followed by one `*`. Comments in
// C and C++ form.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/oaidl.h"

struct ParameterInfo {
  std::string name;
  VARTYPE type = VT_EMPTY;  // the type itself, or the type pointed at when pointer is set
  bool pointer = false;
  USHORT flags = PARAMFLAG_NONE;
};

struct FunctionInfo {
  std::string name;
  std::string help;
  MEMBERID id = MEMBERID_NIL;
  INVOKEKIND kind = INVOKE_FUNC;
  std::vector<ParameterInfo> parameters;
  int slot = 0;  // index in the interface's virtual table
};

struct InterfaceInfo {
  std::string name;
  IID iid{};
  std::string help;
  std::string base;
  WORD flags = 0;  // TYPEFLAG_*
  std::vector<FunctionInfo> functions;
};

struct CoclassInfo {
  std::string name;
  CLSID clsid{};
  std::string help;
  std::string default_interface;
  std::vector<std::string> interfaces;
};

struct LibraryInfo {
  std::string name;
  GUID libid{};
  WORD major_version = 0;
  WORD minor_version = 0;
  LCID lcid = 0;
  std::string help;
  std::vector<std::string> imports;
  std::vector<InterfaceInfo> interfaces;
  std::vector<CoclassInfo> coclasses;
};

// nullopt on a malformed source, with "line N: what" in *error.
std::optional<LibraryInfo> parse_type_library(std::string_view source, std::string* error);

class TypeLibrary {
 public:
  // TYPE_E_INVDATAREAD when the source does not parse.
  static HRESULT Load(std::string_view source, std::unique_ptr<TypeLibrary>& library, std::string* error = nullptr);
  ~TypeLibrary();

  const LibraryInfo& info() const { return info_; }
  // The type information of one of the library's interfaces; the library
  // owns it and must outlive every use.
  HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** type_info);

 private:
  class InterfaceType;
  explicit TypeLibrary(LibraryInfo info);

  LibraryInfo info_;
  std::vector<std::unique_ptr<InterfaceType>> types_;
};

// TypeLib\{LIBID}\major.minor with the help string, FLAGS, HELPDIR and
// 0\win64 (the module path), and Interface\{IID} for each interface with its
// name, ProxyStubClsid32, ProxyStubClsid and TypeLib.
HRESULT RegisterTypeLib(const LibraryInfo& library, const std::string& module_path);
// Removes what RegisterTypeLib wrote; the library's TypeLib key goes when no
// other version is left.
HRESULT UnRegisterTypeLib(const LibraryInfo& library);

// IDispatch served from type information, for implementations of dual
// interfaces: names looked up without regard to case, arguments coerced to
// the parameters' types, and the interface's own slot called.
HRESULT DispGetIDsOfNames(ITypeInfo* type_info, LPOLESTR* names, UINT name_count, DISPID* ids);
HRESULT DispInvoke(void* instance, ITypeInfo* type_info, DISPID member, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* exception, UINT* argument_error);
