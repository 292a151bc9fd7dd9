// The module: exports, resources, registration, class object, unload rule,
// interface map and aggregation.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include "com/encode_service.h"
#include "com/module_resources.h"
#include "platform/com/objbase.h"
#include "platform/com/registry.h"
#include "platform/com/typelib.h"
#include "platform/kernel/resources.h"
#include "platform/kernel/version_info.h"
#include "tests/com/automation.h"
#include "tests/platform/com/temporary_registry.h"

namespace {

using ModuleRegistration = TemporaryRegistry;

const std::string CLSID_KEY = "CLSID\\{" TRESSLIN_CLSID_TEXT "}";

std::optional<std::string> value_of(const std::string& key, const char* name = nullptr) {
  return registry_string(HKEY_CLASSES_ROOT, key.c_str(), name);
}

bool key_exists(const std::string& name) {
  HKEY key;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

TEST(Module, ExportsItsFourEntryPointsByName) {
  void* module = dlopen(module_file_path(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(module, nullptr) << module_file_path();
  for (const char* name : {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"})
    EXPECT_NE(dlsym(module, name), nullptr) << name;
  EXPECT_EQ(dlsym(module, "DllGetClassObject"), reinterpret_cast<void*>(&DllGetClassObject));
  dlclose(module);
}

TEST(Module, CarriesItsNameVersionScriptAndTypeLibraryAsResources) {
  HMODULE module = module_instance();
  char name[32];
  EXPECT_EQ(LoadStringA(module, IDS_PROJNAME, name, sizeof name), 8);
  EXPECT_STREQ(name, "Tresslin");

  HRSRC version = FindResourceA(module, MAKEINTRESOURCE(IDR_VERSION), RT_VERSION);
  ASSERT_NE(version, nullptr);
  const void* block = LockResource(LoadResource(module, version));
  const void* value;
  UINT length;
  ASSERT_TRUE(VerQueryValue(block, "\\", &value, &length));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwSignature, VS_FFI_SIGNATURE);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010005u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010005u);
  ASSERT_TRUE(VerQueryValue(block, "\\StringFileInfo\\040904B0\\FileDescription", &value, &length));
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(value)), u"Tresslin Module");
  EXPECT_FALSE(VerQueryValue(block, "\\StringFileInfo\\040904B0\\Nothing", &value, &length));

  std::string_view script = module_resource_text(IDR_ENCODESERVICE, RT_REGISTRY);
  EXPECT_NE(script.find("%MODULE%"), std::string_view::npos);
  EXPECT_NE(script.find(guid_to_string(CLSID_EncodeService)), std::string_view::npos);
  EXPECT_NE(script.find(guid_to_string(LIBID_TRESSLINLib)), std::string_view::npos);
  EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCE(IDR_TYPELIB), "typelib"),
            FindResourceA(module, MAKEINTRESOURCE(IDR_TYPELIB), RT_TYPELIB));
}

TEST(Module, TypeLibraryDescribesTheClassAndEveryMember) {
  std::unique_ptr<TypeLibrary> library;
  std::string error;
  ASSERT_EQ(TypeLibrary::Load(module_resource_text(IDR_TYPELIB, RT_TYPELIB), library, &error), S_OK) << error;
  const LibraryInfo& info = library->info();
  EXPECT_EQ(info.name, "TRESSLINLib");
  EXPECT_EQ(info.libid, LIBID_TRESSLINLib);
  EXPECT_EQ(info.major_version, 1);
  EXPECT_EQ(info.minor_version, 0);
  EXPECT_EQ(info.lcid, 1033u);
  EXPECT_EQ(info.help, "Tresslin 1.0 Type Library");
  EXPECT_EQ(info.imports, std::vector<std::string>{"stdole2.tlb"});
  ASSERT_EQ(info.coclasses.size(), 1u);
  EXPECT_EQ(info.coclasses[0].name, "EncodeService");
  EXPECT_EQ(info.coclasses[0].clsid, CLSID_EncodeService);
  EXPECT_EQ(info.coclasses[0].help, "EncodeService Class");
  EXPECT_EQ(info.coclasses[0].default_interface, "IEncodeService");
  ASSERT_EQ(info.interfaces.size(), 1u);
  const InterfaceInfo& service = info.interfaces[0];
  EXPECT_EQ(service.iid, IID_IEncodeService);
  EXPECT_EQ(service.help, "IEncodeService Interface");
  EXPECT_TRUE(service.flags & TYPEFLAG_FDUAL);

  struct Member {
    const char* name;
    MEMBERID id;
    const char* kind;
    VARTYPE type;
  } members[] = {
      {"InitWorkspace", 1, "method", VT_I4},    {"FreeWorkspace", 2, "method", VT_I4},
      {"Encode2File", 3, "method", VT_I4},      {"Symbology", 4, "property", VT_I2},
      {"WhiteSpaceWidth", 5, "property", VT_I2}, {"BorderWidth", 6, "property", VT_I2},
      {"OutputOptions", 7, "property", VT_I2},  {"RotateAngle", 8, "property", VT_I2},
      {"TextAlign", 9, "property", VT_I4},      {"CharSize", 10, "property", VT_I2},
      {"CharSet", 11, "property", VT_BSTR},     {"CodedText", 12, "property", VT_BSTR},
      {"Prefix", 13, "property", VT_BSTR},      {"Surfix", 14, "property", VT_BSTR},
      {"ForeColor", 15, "property", VT_UI4},    {"BackColor", 16, "property", VT_UI4},
      {"ErrorText", 17, "read-only", VT_BSTR},
  };
  // Slots: IUnknown and IDispatch take 7; then each method one, each
  // property a get and a put, ErrorText a get only.
  int slot = 7;
  std::size_t function = 0;
  for (const Member& m : members) {
    std::string kind = m.kind;
    int slots = kind == "property" ? 2 : 1;
    for (int k = 0; k < slots; ++k, ++slot, ++function) {
      ASSERT_LT(function, service.functions.size());
      const FunctionInfo& f = service.functions[function];
      EXPECT_EQ(f.name, m.name);
      EXPECT_EQ(f.id, m.id) << m.name;
      EXPECT_EQ(f.slot, slot) << m.name;
      EXPECT_EQ(f.help, (kind == "method" ? "method " : "property ") + std::string(m.name));
      INVOKEKIND expected = kind == "method" ? INVOKE_FUNC : k == 0 ? INVOKE_PROPERTYGET : INVOKE_PROPERTYPUT;
      EXPECT_EQ(f.kind, expected) << m.name;
      ASSERT_FALSE(f.parameters.empty());
      EXPECT_EQ(f.parameters.back().type, m.type) << m.name;
    }
  }
  EXPECT_EQ(function, service.functions.size());
  EXPECT_EQ(slot, 37);
}

TEST_F(ModuleRegistration, RegistersTheScriptsKeysAndRemovesThemAgain) {
  ASSERT_EQ(DllRegisterServer(), S_OK);
  std::string clsid = "{" TRESSLIN_CLSID_TEXT "}";
  EXPECT_EQ(value_of("Tresslin.EncodeService.1"), "EncodeService Class");
  EXPECT_EQ(value_of("Tresslin.EncodeService.1\\CLSID"), clsid);
  EXPECT_EQ(value_of("Tresslin.EncodeService"), "EncodeService Class");
  EXPECT_EQ(value_of("Tresslin.EncodeService\\CLSID"), clsid);
  EXPECT_EQ(value_of("Tresslin.EncodeService\\CurVer"), "Tresslin.EncodeService.1");
  EXPECT_EQ(value_of(CLSID_KEY), "EncodeService Class");
  EXPECT_EQ(value_of(CLSID_KEY + "\\ProgID"), "Tresslin.EncodeService.1");
  EXPECT_EQ(value_of(CLSID_KEY + "\\VersionIndependentProgID"), "Tresslin.EncodeService");
  EXPECT_TRUE(key_exists(CLSID_KEY + "\\Programmable"));
  EXPECT_EQ(value_of(CLSID_KEY + "\\InprocServer32"), module_file_path());
  EXPECT_EQ(value_of(CLSID_KEY + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(value_of(CLSID_KEY + "\\TypeLib"), "{" TRESSLIN_LIBID_TEXT "}");
  std::string typelib = "TypeLib\\{" TRESSLIN_LIBID_TEXT "}\\1.0";
  EXPECT_EQ(value_of(typelib), "Tresslin 1.0 Type Library");
  EXPECT_EQ(value_of(typelib + "\\409\\win64"), module_file_path());
  std::string interface_key = "Interface\\{" TRESSLIN_IID_TEXT "}";
  EXPECT_EQ(value_of(interface_key), "IEncodeService");
  EXPECT_EQ(value_of(interface_key + "\\TypeLib"), "{" TRESSLIN_LIBID_TEXT "}");

  CLSID found;
  ASSERT_EQ(CLSIDFromProgID(u"Tresslin.EncodeService", &found), S_OK);
  EXPECT_EQ(found, CLSID_EncodeService);
  ASSERT_EQ(CLSIDFromProgID(u"tresslin.encodeservice.1", &found), S_OK);
  EXPECT_EQ(found, CLSID_EncodeService);
  EXPECT_EQ(DllRegisterServer(), S_OK) << "registering again replaces the keys";

  ASSERT_EQ(DllUnregisterServer(), S_OK);
  for (const std::string& gone : {std::string("Tresslin.EncodeService"), std::string("Tresslin.EncodeService.1"),
                                  CLSID_KEY, std::string("TypeLib\\{" TRESSLIN_LIBID_TEXT "}"), interface_key})
    EXPECT_FALSE(key_exists(gone)) << gone;
  EXPECT_TRUE(key_exists("CLSID"));
  EXPECT_EQ(CLSIDFromProgID(u"Tresslin.EncodeService", &found), CO_E_CLASSSTRING);
}

TEST_F(ModuleRegistration, HostsCreateTheObjectByProgIDThroughTheRegistry) {
  ASSERT_EQ(DllRegisterServer(), S_OK);
  CLSID clsid;
  ASSERT_EQ(CLSIDFromString(u"Tresslin.EncodeService", &clsid), S_OK);
  IDispatch* object = nullptr;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object)),
            S_OK);
  Automation service(object);
  EXPECT_EQ(service.call_number(u"InitWorkspace"), 1);
  EXPECT_EQ(service.number(u"WhiteSpaceWidth"), 20);
  object->Release();
  CoFreeUnusedLibraries();
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object)),
            S_OK)
      << "a freed library is loaded again";
  object->Release();
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object)),
            REGDB_E_CLASSNOTREG);
  ASSERT_EQ(DllUnregisterServer(), S_OK);
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object)),
            REGDB_E_CLASSNOTREG);
}

TEST(ClassObject, IsCachedAndLocksTheModuleWhileHeld) {
  ASSERT_EQ(DllCanUnloadNow(), S_OK);
  IClassFactory* first = nullptr;
  IClassFactory* second = nullptr;
  ASSERT_EQ(DllGetClassObject(CLSID_EncodeService, IID_IClassFactory, reinterpret_cast<void**>(&first)), S_OK);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  ASSERT_EQ(DllGetClassObject(CLSID_EncodeService, IID_IUnknown, reinterpret_cast<void**>(&second)), S_OK);
  EXPECT_EQ(first, second);
  second->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  first->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);

  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(DllGetClassObject(CLSID_EncodeService, IID_IDispatch, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(DllGetClassObject(IID_IUnknown, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(DllGetClassObject(CLSID_EncodeService, IID_IClassFactory, nullptr), E_POINTER);

  ASSERT_EQ(DllGetClassObject(CLSID_EncodeService, IID_IClassFactory, reinterpret_cast<void**>(&first)), S_OK);
  first->LockServer(TRUE);
  first->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  first->LockServer(FALSE);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(ClassObject, EveryLiveObjectLocksTheModule) {
  IEncodeService* one = new_encode_service();
  IEncodeService* two = new_encode_service();
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(module_lock_count(), 2);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  one->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  two->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(InterfaceMap, AnswersInItsOrderWithOneIdentity) {
  IEncodeService* service = new_encode_service();
  ASSERT_NE(service, nullptr);
  void* dispatch = nullptr;
  void* unknown = nullptr;
  void* errors = nullptr;
  void* other = reinterpret_cast<void*>(1);
  ASSERT_EQ(service->QueryInterface(IID_IDispatch, &dispatch), S_OK);
  ASSERT_EQ(service->QueryInterface(IID_IUnknown, &unknown), S_OK);
  ASSERT_EQ(service->QueryInterface(IID_ISupportErrorInfo, &errors), S_OK);
  EXPECT_EQ(dispatch, service);
  EXPECT_EQ(unknown, service) << "IUnknown is the first entry";
  EXPECT_NE(errors, static_cast<void*>(service));
  EXPECT_EQ(service->QueryInterface(IID_IClassFactory, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  auto* error_info = static_cast<ISupportErrorInfo*>(errors);
  EXPECT_EQ(error_info->InterfaceSupportsErrorInfo(IID_IEncodeService), S_OK);
  EXPECT_EQ(error_info->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
  void* back = nullptr;
  ASSERT_EQ(error_info->QueryInterface(IID_IUnknown, &back), S_OK);
  EXPECT_EQ(back, service);
  for (void* p : {dispatch, unknown, errors, back}) static_cast<IUnknown*>(p)->Release();
  EXPECT_EQ(service->Release(), 0u);
}

// An outer object that aggregates EncodeService and counts the calls its
// inner object delegates.
class Outer final : public IUnknown {
 public:
  IUnknown* inner = nullptr;
  ULONG references = 1;
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown) {
      *object = this;
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(riid, object);
  }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }
};

TEST(Aggregation, InterfacesOfTheInnerObjectDelegateToTheOuter) {
  IClassFactory* factory = nullptr;
  ASSERT_EQ(DllGetClassObject(CLSID_EncodeService, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  Outer outer;
  void* refused = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IEncodeService, &refused), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(refused, nullptr);
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
  factory->Release();
  EXPECT_EQ(outer.references, 1u) << "the inner unknown does not reference the outer";

  IEncodeService* service = nullptr;
  ASSERT_EQ(outer.QueryInterface(IID_IEncodeService, reinterpret_cast<void**>(&service)), S_OK);
  EXPECT_EQ(outer.references, 2u);
  void* identity = nullptr;
  ASSERT_EQ(service->QueryInterface(IID_IUnknown, &identity), S_OK);
  EXPECT_EQ(identity, &outer);
  outer.Release();
  service->Release();
  EXPECT_EQ(outer.references, 1u);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "the inner object is alive";
  EXPECT_EQ(outer.inner->Release(), 0u);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

template <typename Function>
Function slot(void* object, int index) {
  return reinterpret_cast<Function>((*static_cast<void***>(object))[index]);
}

TEST(VirtualTable, AClientOfFunctionPointersReachesEveryMemberByItsSlot) {
  IEncodeService* service = new_encode_service();
  ASSERT_NE(service, nullptr);
  LONG result = 0;
  ASSERT_EQ(slot<HRESULT (*)(void*, LONG*)>(service, 7)(service, &result), S_OK);  // InitWorkspace
  EXPECT_EQ(result, 1);
  ASSERT_EQ(slot<HRESULT (*)(void*, SHORT)>(service, 11)(service, -5), S_OK);  // put_Symbology
  SHORT symbology = 0;
  ASSERT_EQ(slot<HRESULT (*)(void*, SHORT*)>(service, 10)(service, &symbology), S_OK);
  EXPECT_EQ(symbology, -5);
  ASSERT_EQ(slot<HRESULT (*)(void*, LONG)>(service, 21)(service, 0x25), S_OK);  // put_TextAlign
  LONG align = 0;
  ASSERT_EQ(slot<HRESULT (*)(void*, LONG*)>(service, 20)(service, &align), S_OK);
  EXPECT_EQ(align, 0x25);
  ASSERT_EQ(slot<HRESULT (*)(void*, OLE_COLOR)>(service, 35)(service, 0x00123456), S_OK);  // put_BackColor
  OLE_COLOR colour = 0;
  ASSERT_EQ(slot<HRESULT (*)(void*, OLE_COLOR*)>(service, 34)(service, &colour), S_OK);
  EXPECT_EQ(colour, 0x00123456u);
  BSTR text = nullptr;
  ASSERT_EQ(slot<HRESULT (*)(void*, BSTR*)>(service, 36)(service, &text), S_OK);  // get_ErrorText
  EXPECT_EQ(bstr_view(text), u"");
  SysFreeString(text);
  EXPECT_EQ(slot<ULONG (*)(void*)>(service, 2)(service), 0u);  // Release
}

}  // namespace
