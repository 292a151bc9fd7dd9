#include "com/module_resources.h"

#include <limits.h>

#include <cstring>
#include <string>
#include <vector>

#include "com/identifiers.h"
#include "platform/kernel/resources.h"
#include "platform/kernel/version_info.h"

namespace {

// Resource 1, TYPELIB: the interface definition of the module.
constexpr char TYPE_LIBRARY[] = R"(// Tresslin 1.0 type library: the EncodeService class and its dual interface.
[uuid()" TRESSLIN_LIBID_TEXT R"(), version(1.0), lcid(1033), helpstring("Tresslin 1.0 Type Library")]
library TRESSLINLib
{
  importlib("stdole2.tlb");

  [object, uuid()" TRESSLIN_IID_TEXT R"(), dual, oleautomation,
   helpstring("IEncodeService Interface"), pointer_default(unique)]
  interface IEncodeService : IDispatch
  {
    [id(1), helpstring("method InitWorkspace")] HRESULT InitWorkspace([out, retval] long* pResult);
    [id(2), helpstring("method FreeWorkspace")] HRESULT FreeWorkspace([out, retval] long* pResult);
    [id(3), helpstring("method Encode2File")] HRESULT Encode2File([in] BSTR strImageFile, [out, retval] long* pResult);
    [propget, id(4), helpstring("property Symbology")] HRESULT Symbology([out, retval] short* pVal);
    [propput, id(4), helpstring("property Symbology")] HRESULT Symbology([in] short newVal);
    [propget, id(5), helpstring("property WhiteSpaceWidth")] HRESULT WhiteSpaceWidth([out, retval] short* pVal);
    [propput, id(5), helpstring("property WhiteSpaceWidth")] HRESULT WhiteSpaceWidth([in] short newVal);
    [propget, id(6), helpstring("property BorderWidth")] HRESULT BorderWidth([out, retval] short* pVal);
    [propput, id(6), helpstring("property BorderWidth")] HRESULT BorderWidth([in] short newVal);
    [propget, id(7), helpstring("property OutputOptions")] HRESULT OutputOptions([out, retval] short* pVal);
    [propput, id(7), helpstring("property OutputOptions")] HRESULT OutputOptions([in] short newVal);
    [propget, id(8), helpstring("property RotateAngle")] HRESULT RotateAngle([out, retval] short* pVal);
    [propput, id(8), helpstring("property RotateAngle")] HRESULT RotateAngle([in] short newVal);
    [propget, id(9), helpstring("property TextAlign")] HRESULT TextAlign([out, retval] long* pVal);
    [propput, id(9), helpstring("property TextAlign")] HRESULT TextAlign([in] long newVal);
    [propget, id(10), helpstring("property CharSize")] HRESULT CharSize([out, retval] short* pVal);
    [propput, id(10), helpstring("property CharSize")] HRESULT CharSize([in] short newVal);
    [propget, id(11), helpstring("property CharSet")] HRESULT CharSet([out, retval] BSTR* pVal);
    [propput, id(11), helpstring("property CharSet")] HRESULT CharSet([in] BSTR newVal);
    [propget, id(12), helpstring("property CodedText")] HRESULT CodedText([out, retval] BSTR* pVal);
    [propput, id(12), helpstring("property CodedText")] HRESULT CodedText([in] BSTR newVal);
    [propget, id(13), helpstring("property Prefix")] HRESULT Prefix([out, retval] BSTR* pVal);
    [propput, id(13), helpstring("property Prefix")] HRESULT Prefix([in] BSTR newVal);
    [propget, id(14), helpstring("property Surfix")] HRESULT Surfix([out, retval] BSTR* pVal);
    [propput, id(14), helpstring("property Surfix")] HRESULT Surfix([in] BSTR newVal);
    [propget, id(15), helpstring("property ForeColor")] HRESULT ForeColor([out, retval] OLE_COLOR* pVal);
    [propput, id(15), helpstring("property ForeColor")] HRESULT ForeColor([in] OLE_COLOR newVal);
    [propget, id(16), helpstring("property BackColor")] HRESULT BackColor([out, retval] OLE_COLOR* pVal);
    [propput, id(16), helpstring("property BackColor")] HRESULT BackColor([in] OLE_COLOR newVal);
    [propget, id(17), helpstring("property ErrorText")] HRESULT ErrorText([out, retval] BSTR* pVal);
  };

  [uuid()" TRESSLIN_CLSID_TEXT R"(), helpstring("EncodeService Class")]
  coclass EncodeService
  {
    [default] interface IEncodeService;
  };
};
)";

// Resource 102, REGISTRY: the keys registration writes under HKEY_CLASSES_ROOT.
constexpr char REGISTRY_SCRIPT[] = R"(HKCR
{
  Tresslin.EncodeService.1 = s 'EncodeService Class'
  {
    CLSID = s '{)" TRESSLIN_CLSID_TEXT R"(}'
  }
  Tresslin.EncodeService = s 'EncodeService Class'
  {
    CLSID = s '{)" TRESSLIN_CLSID_TEXT R"(}'
    CurVer = s 'Tresslin.EncodeService.1'
  }
  NoRemove CLSID
  {
    ForceRemove {)" TRESSLIN_CLSID_TEXT R"(} = s 'EncodeService Class'
    {
      ProgID = s 'Tresslin.EncodeService.1'
      VersionIndependentProgID = s 'Tresslin.EncodeService'
      ForceRemove 'Programmable'
      InprocServer32 = s '%MODULE%'
      {
        val ThreadingModel = s 'Apartment'
      }
      'TypeLib' = s '{)" TRESSLIN_LIBID_TEXT R"(}'
    }
  }
}
)";

constexpr char PROJECT_NAME[] = "Tresslin";

const std::vector<BYTE>& version_resource() {
  static const std::vector<BYTE> block = build_version_resource({
      {1, 5, 0, 1},
      0x0409,
      0x04B0,
      {{"CompanyName", ""},
       {"FileDescription", "Tresslin Module"},
       {"FileVersion", "1, 5, 0, 1"},
       {"InternalName", "Tresslin"},
       {"OriginalFilename", "libtresslin.so"},
       {"ProductName", "Tresslin Module"},
       {"ProductVersion", "1, 5, 0, 1"}},
  });
  return block;
}

const ResourceEntry* list_resources(std::size_t* count) {
  static const ResourceEntry entries[] = {
      {RT_TYPELIB, MAKEINTRESOURCE(IDR_TYPELIB), TYPE_LIBRARY, sizeof TYPE_LIBRARY - 1},
      {RT_REGISTRY, MAKEINTRESOURCE(IDR_ENCODESERVICE), REGISTRY_SCRIPT, sizeof REGISTRY_SCRIPT - 1},
      {RT_STRING, MAKEINTRESOURCE(IDS_PROJNAME), PROJECT_NAME, sizeof PROJECT_NAME},
      {RT_VERSION, MAKEINTRESOURCE(IDR_VERSION), version_resource().data(),
       static_cast<DWORD>(version_resource().size())},
  };
  *count = sizeof entries / sizeof entries[0];
  return entries;
}

// Makes the table known when the module is loaded; the table itself is
// built at the first lookup.
[[maybe_unused]] const bool resources_registered = (register_module_resources(TYPE_LIBRARY, list_resources), true);

}  // namespace

HMODULE module_instance() {
  static const HMODULE instance = module_handle_of(TYPE_LIBRARY);
  return instance;
}

const char* module_file_path() {
  static const std::string path = [] {
    char buffer[PATH_MAX];
    return std::string(module_path_of(module_instance(), buffer, sizeof buffer));
  }();
  return path.c_str();
}

std::string_view module_resource_text(WORD id, const char* type) {
  HMODULE module = module_instance();
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCE(id), type);
  if (resource == nullptr) return {};
  const void* data = LockResource(LoadResource(module, resource));
  return {static_cast<const char*>(data), SizeofResource(module, resource)};
}
