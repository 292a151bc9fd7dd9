// Dual interfaces: virtual-table layout, calls through tables of function
// pointers, and IDispatch served from a type library.
#include <gtest/gtest.h>

#include <memory>

#include "platform/com/bstr.h"
#include "platform/com/dispcall.h"
#include "platform/com/typelib.h"

namespace {

constexpr IID IID_ICounter = {0x5D1E7C20, 0x0A1B, 0x4C2D, {0x9E, 0x3F, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60}};

constexpr const char* COUNTER_LIBRARY = R"(
// A counter, to exercise invocation.
[uuid(5D1E7C21-0A1B-4C2D-9E3F-102030405060), version(2.1), lcid(1033), helpstring("Counter Library")]
library CounterLib
{
  importlib("stdole2.tlb");
  [object, uuid(5D1E7C20-0A1B-4C2D-9E3F-102030405060), dual, helpstring("ICounter Interface")]
  interface ICounter : IDispatch
  {
    [id(1), helpstring("method Add")] HRESULT Add([in] long amount, [out, retval] long* total);
    [propget, id(2), helpstring("property Step")] HRESULT Step([out, retval] short* pVal);
    [propput, id(2), helpstring("property Step")] HRESULT Step([in] short newVal);
    [propget, id(3)] HRESULT Label([out, retval] BSTR* pVal);
    [propput, id(3)] HRESULT Label([in] BSTR newVal);
    /* a method that mixes integer and floating-point arguments */
    [id(4)] HRESULT Scale([in] double factor, [in] short offset, [in] float bias, [out, retval] double* pVal);
    [id(5)] HRESULT Fail();
  };
  [uuid(5D1E7C22-0A1B-4C2D-9E3F-102030405060), helpstring("Counter Class")]
  coclass Counter { [default] interface ICounter; };
};
)";

class ICounter : public IDispatch {
 public:
  virtual HRESULT Add(LONG amount, LONG* total) = 0;
  virtual HRESULT get_Step(SHORT* value) = 0;
  virtual HRESULT put_Step(SHORT value) = 0;
  virtual HRESULT get_Label(BSTR* value) = 0;
  virtual HRESULT put_Label(BSTR value) = 0;
  virtual HRESULT Scale(double factor, SHORT offset, float bias, double* value) = 0;
  virtual HRESULT Fail() = 0;
};

TypeLibrary& counter_library() {
  static std::unique_ptr<TypeLibrary> library = [] {
    std::unique_ptr<TypeLibrary> loaded;
    std::string error;
    EXPECT_EQ(TypeLibrary::Load(COUNTER_LIBRARY, loaded, &error), S_OK) << error;
    return loaded;
  }();
  return *library;
}

ITypeInfo* counter_type() {
  ITypeInfo* type = nullptr;
  EXPECT_EQ(counter_library().GetTypeInfoOfGuid(IID_ICounter, &type), S_OK);
  return type;
}

class Counter final : public ICounter {
 public:
  LONG total = 0;
  SHORT step = 1;
  std::u16string label;

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_ICounter) {
      *object = static_cast<ICounter*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 1;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** type) override {
    *type = counter_type();
    return S_OK;
  }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    return DispGetIDsOfNames(counter_type(), names, count, ids);
  }
  HRESULT Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                 UINT* argument_error) override {
    return DispInvoke(static_cast<ICounter*>(this), counter_type(), member, flags, params, result, exception,
                      argument_error);
  }
  HRESULT Add(LONG amount, LONG* result) override {
    total += amount * step;
    *result = total;
    return S_OK;
  }
  HRESULT get_Step(SHORT* value) override {
    *value = step;
    return S_OK;
  }
  HRESULT put_Step(SHORT value) override {
    step = value;
    return S_OK;
  }
  HRESULT get_Label(BSTR* value) override {
    *value = bstr_from(label);
    return S_OK;
  }
  HRESULT put_Label(BSTR value) override {
    label = bstr_view(value);
    return S_OK;
  }
  HRESULT Scale(double factor, SHORT offset, float bias, double* value) override {
    *value = factor * total + offset + bias;
    return S_OK;
  }
  HRESULT Fail() override { return E_INVALIDARG; }
};

// A client that knows only the platform's binary layout: slot numbers in a
// table of function pointers, the object pointer first.
template <typename Function>
Function slot(void* object, int index) {
  return reinterpret_cast<Function>((*static_cast<void***>(object))[index]);
}

TEST(VirtualTable, CppInterfacesHaveThePlatformLayout) {
  Counter counter;
  ICounter* object = &counter;
  static_assert(sizeof(ICounter) == sizeof(void*), "one table pointer and nothing else");
  void* unknown = nullptr;
  ASSERT_EQ(slot<HRESULT (*)(void*, const IID*, void**)>(object, 0)(object, &IID_IDispatch, &unknown), S_OK);
  EXPECT_EQ(unknown, object);
  UINT count = 0;
  ASSERT_EQ(slot<HRESULT (*)(void*, UINT*)>(object, 3)(object, &count), S_OK);
  EXPECT_EQ(count, 1u);
  LONG total = 0;
  ASSERT_EQ(slot<HRESULT (*)(void*, LONG, LONG*)>(object, 7)(object, 5, &total), S_OK);
  EXPECT_EQ(total, 5);
  ASSERT_EQ(slot<HRESULT (*)(void*, SHORT)>(object, 9)(object, -3), S_OK);
  SHORT step = 0;
  ASSERT_EQ(slot<HRESULT (*)(void*, SHORT*)>(object, 8)(object, &step), S_OK);
  EXPECT_EQ(step, -3);
  double scaled = 0;
  ASSERT_EQ(slot<HRESULT (*)(void*, double, SHORT, float, double*)>(object, 12)(object, 0.5, 2, 0.25f, &scaled), S_OK);
  EXPECT_DOUBLE_EQ(scaled, 4.75);
}

// An object made by hand as a C client or server would: a table of plain
// functions, each taking the object first.
struct HandMadeCounter {
  void* const* table;
  LONG total;
  SHORT step;
};
HRESULT hand_add(HandMadeCounter* self, LONG amount, LONG* total) {
  self->total += amount * self->step;
  *total = self->total;
  return S_OK;
}
HRESULT hand_put_step(HandMadeCounter* self, SHORT value) {
  self->step = value;
  return S_OK;
}
HRESULT hand_get_step(HandMadeCounter* self, SHORT* value) {
  *value = self->step;
  return S_OK;
}

TEST(VirtualTable, TypeInformationCallsAHandMadeTable) {
  void* const table[] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         reinterpret_cast<void*>(&hand_add), reinterpret_cast<void*>(&hand_get_step),
                         reinterpret_cast<void*>(&hand_put_step)};
  HandMadeCounter object{table, 10, 2};
  ICounter* as_interface = reinterpret_cast<ICounter*>(&object);
  ITypeInfo* type = counter_type();

  VARIANT argument;
  VariantInit(&argument);
  argument.vt = VT_I2;
  argument.iVal = 7;
  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS put{&argument, &put_id, 1, 1};
  ASSERT_EQ(type->Invoke(as_interface, 2, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(object.step, 7);

  argument.vt = VT_I4;
  argument.lVal = 3;
  DISPPARAMS call{&argument, nullptr, 1, 0};
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(type->Invoke(as_interface, 1, DISPATCH_METHOD, &call, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(result.vt, VT_I4);
  EXPECT_EQ(result.lVal, 31);
  EXPECT_EQ(object.total, 31);
}

double mixed(LONG a, double b, SHORT c, float d, LONG e) { return a + b * c + d - e; }

TEST(DispCallFunc, CallsAnAddressWithMixedArgumentsInOrder) {
  VARIANT values[5];
  for (VARIANT& v : values) VariantInit(&v);
  values[0].lVal = 10;
  values[1].dblVal = 1.5;
  values[2].iVal = -4;
  values[3].fltVal = 0.25f;
  values[4].lVal = 1;
  VARTYPE types[] = {VT_I4, VT_R8, VT_I2, VT_R4, VT_I4};
  VARIANTARG* pointers[] = {&values[0], &values[1], &values[2], &values[3], &values[4]};
  VARIANT result;
  ASSERT_EQ(DispCallFunc(nullptr, reinterpret_cast<ULONG_PTR>(&mixed), CC_CDECL, VT_R8, 5, types, pointers, &result),
            S_OK);
  EXPECT_EQ(result.vt, VT_R8);
  EXPECT_DOUBLE_EQ(result.dblVal, 10 + 1.5 * -4 + 0.25 - 1);
  VARTYPE unsupported[] = {VT_VARIANT};
  EXPECT_EQ(DispCallFunc(nullptr, reinterpret_cast<ULONG_PTR>(&mixed), CC_CDECL, VT_R8, 1, unsupported, pointers,
                         &result),
            DISP_E_BADVARTYPE);
}

DISPID id_of(IDispatch& object, const char16_t* name) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = 12345;
  object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  return id;
}

TEST(Dispatch, NamesAreFoundWithoutRegardToCase) {
  Counter counter;
  EXPECT_EQ(id_of(counter, u"Add"), 1);
  EXPECT_EQ(id_of(counter, u"aDD"), 1);
  EXPECT_EQ(id_of(counter, u"STEP"), 2);
  EXPECT_EQ(id_of(counter, u"label"), 3);
  EXPECT_EQ(id_of(counter, u"Adder"), DISPID_UNKNOWN);
  LPOLESTR names[] = {const_cast<LPOLESTR>(u"add"), const_cast<LPOLESTR>(u"AMOUNT"), const_cast<LPOLESTR>(u"nope")};
  DISPID ids[3];
  EXPECT_EQ(counter.GetIDsOfNames(IID_NULL, names, 3, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 1);
  EXPECT_EQ(ids[1], 0);
  EXPECT_EQ(ids[2], DISPID_UNKNOWN);
}

struct Invocation {
  HRESULT status;
  VARIANT result;
  UINT argument_error = 99;
  EXCEPINFO exception{};
};

Invocation invoke(IDispatch& object, DISPID id, WORD flags, std::vector<VARIANT> arguments, bool named_put = false) {
  Invocation out;
  VariantInit(&out.result);
  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS params{arguments.data(), named_put ? &put_id : nullptr, static_cast<UINT>(arguments.size()),
                    named_put ? 1u : 0u};
  out.status = object.Invoke(id, IID_NULL, 0, flags, &params, &out.result, &out.exception, &out.argument_error);
  for (VARIANT& v : arguments) VariantClear(&v);
  return out;
}

VARIANT i4(LONG v) { return variant_from_long(v); }
VARIANT text(const char16_t* t) { return variant_from_text(t); }

TEST(Dispatch, PropertiesAndMethodsWithCoercion) {
  Counter counter;
  EXPECT_EQ(invoke(counter, 2, DISPATCH_PROPERTYPUT, {text(u"12")}, true).status, S_OK);
  EXPECT_EQ(counter.step, 12);
  Invocation get = invoke(counter, 2, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {});
  ASSERT_EQ(get.status, S_OK);
  EXPECT_EQ(get.result.vt, VT_I2);
  EXPECT_EQ(get.result.iVal, 12);

  Invocation added = invoke(counter, 1, DISPATCH_METHOD, {text(u"2")});
  ASSERT_EQ(added.status, S_OK);
  EXPECT_EQ(added.result.lVal, 24);

  EXPECT_EQ(invoke(counter, 3, DISPATCH_PROPERTYPUT, {i4(-7)}, true).status, S_OK);
  EXPECT_EQ(counter.label, u"-7");
  Invocation label = invoke(counter, 3, DISPATCH_PROPERTYGET, {});
  ASSERT_EQ(label.result.vt, VT_BSTR);
  EXPECT_EQ(bstr_view(label.result.bstrVal), u"-7");
  VariantClear(&label.result);

  VARIANT factor;
  VariantInit(&factor);
  factor.vt = VT_R8;
  factor.dblVal = 0.5;
  // Arguments travel last-first.
  Invocation scaled = invoke(counter, 4, DISPATCH_METHOD, {text(u"0.25"), i4(1), factor});
  ASSERT_EQ(scaled.status, S_OK);
  EXPECT_DOUBLE_EQ(scaled.result.dblVal, 13.25);
}

TEST(Dispatch, RefusesWhatDoesNotFitAndSaysWhichArgument) {
  Counter counter;
  Invocation overflow = invoke(counter, 2, DISPATCH_PROPERTYPUT, {i4(40000)}, true);
  EXPECT_EQ(overflow.status, DISP_E_OVERFLOW);
  EXPECT_EQ(overflow.argument_error, 0u);
  EXPECT_EQ(counter.step, 1);
  Invocation mismatch = invoke(counter, 4, DISPATCH_METHOD, {i4(0), text(u"x"), i4(1)});
  EXPECT_EQ(mismatch.status, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(mismatch.argument_error, 1u);
  EXPECT_EQ(invoke(counter, 1, DISPATCH_METHOD, {}).status, DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(invoke(counter, 1, DISPATCH_METHOD, {i4(1), i4(2), i4(3)}).status, DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(invoke(counter, 9, DISPATCH_METHOD, {}).status, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(invoke(counter, 1, DISPATCH_PROPERTYPUT, {i4(1)}, true).status, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(invoke(counter, 1, DISPATCH_METHOD, {i4(1)}, true).status, DISP_E_NONAMEDARGS);
  Invocation failed = invoke(counter, 5, DISPATCH_METHOD, {});
  EXPECT_EQ(failed.status, DISP_E_EXCEPTION);
  EXPECT_EQ(failed.exception.scode, E_INVALIDARG);
  EXPECT_EQ(bstr_view(failed.exception.bstrSource), u"ICounter");
  SysFreeString(failed.exception.bstrSource);
}

TEST(Dispatch, OutValuesMayGoToTheCallersReferences) {
  Counter counter;
  LONG total = 0;
  VARIANT by_reference;
  VariantInit(&by_reference);
  by_reference.vt = VT_BYREF | VT_I4;
  by_reference.plVal = &total;
  EXPECT_EQ(invoke(counter, 1, DISPATCH_METHOD, {by_reference, i4(4)}).status, S_OK);
  EXPECT_EQ(total, 4);

  VARIANT slot_for_text;
  VariantInit(&slot_for_text);
  counter.label = u"kept";
  VARIANT to_variant;
  VariantInit(&to_variant);
  to_variant.vt = VT_BYREF | VT_VARIANT;
  to_variant.pvarVal = &slot_for_text;
  EXPECT_EQ(invoke(counter, 3, DISPATCH_PROPERTYGET, {to_variant}).status, S_OK);
  ASSERT_EQ(slot_for_text.vt, VT_BSTR);
  EXPECT_EQ(bstr_view(slot_for_text.bstrVal), u"kept");
  VariantClear(&slot_for_text);
}

TEST(TypeLibrary, DescribesTheLibraryAndItsMembers) {
  const LibraryInfo& info = counter_library().info();
  EXPECT_EQ(info.name, "CounterLib");
  EXPECT_EQ(info.major_version, 2);
  EXPECT_EQ(info.minor_version, 1);
  EXPECT_EQ(info.lcid, 1033u);
  EXPECT_EQ(info.help, "Counter Library");
  ASSERT_EQ(info.coclasses.size(), 1u);
  EXPECT_EQ(info.coclasses[0].default_interface, "ICounter");

  ITypeInfo* type = counter_type();
  TYPEATTR* attributes;
  ASSERT_EQ(type->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->guid, IID_ICounter);
  EXPECT_EQ(attributes->cFuncs, 7);
  EXPECT_EQ(attributes->cbSizeVft, 14 * sizeof(void*));
  EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
  type->ReleaseTypeAttr(attributes);

  FUNCDESC* put;
  ASSERT_EQ(type->GetFuncDesc(2, &put), S_OK);
  EXPECT_EQ(put->memid, 2);
  EXPECT_EQ(put->invkind, INVOKE_PROPERTYPUT);
  EXPECT_EQ(put->oVft, 9 * static_cast<SHORT>(sizeof(void*)));
  ASSERT_EQ(put->cParams, 1);
  EXPECT_EQ(put->lprgelemdescParam[0].tdesc.vt, VT_I2);
  type->ReleaseFuncDesc(put);
  FUNCDESC* get;
  ASSERT_EQ(type->GetFuncDesc(1, &get), S_OK);
  EXPECT_EQ(get->lprgelemdescParam[0].tdesc.vt, VT_PTR);
  EXPECT_EQ(get->lprgelemdescParam[0].tdesc.lptdesc->vt, VT_I2);
  EXPECT_EQ(get->lprgelemdescParam[0].paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);

  BSTR name = nullptr, help = nullptr;
  ASSERT_EQ(type->GetDocumentation(2, &name, &help, nullptr, nullptr), S_OK);
  EXPECT_EQ(bstr_view(name), u"Step");
  EXPECT_EQ(bstr_view(help), u"property Step");
  SysFreeString(name);
  SysFreeString(help);
  ASSERT_EQ(type->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr), S_OK);
  EXPECT_EQ(bstr_view(help), u"ICounter Interface");
  SysFreeString(name);
  SysFreeString(help);
  EXPECT_EQ(type->GetDocumentation(77, &name, nullptr, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);
}

TEST(TypeLibrary, MalformedSourcesSayWhere) {
  struct Case {
    const char* source;
    const char* error;
  } cases[] = {
      {"library X {};", "line 1: missing uuid"},
      {"[uuid(1)] library X {};", "line 1: malformed uuid 1"},
      {"[uuid(5D1E7C21-0A1B-4C2D-9E3F-102030405060)]\nlibrary X {\n interface I : IFoo {};\n};",
       "line 3: missing uuid"},
      {"[uuid(5D1E7C21-0A1B-4C2D-9E3F-102030405060)] library X {\n"
       "[uuid(5D1E7C21-0A1B-4C2D-9E3F-102030405061)] interface I : IDispatch {\n"
       "  HRESULT M([in] widget w);\n};\n};",
       "line 3: unknown parameter type widget"},
      {"[uuid(5D1E7C21-0A1B-4C2D-9E3F-102030405060)] library X {\n"
       "[uuid(5D1E7C21-0A1B-4C2D-9E3F-102030405061)] interface I : IDispatch {\n"
       "  long M();\n};\n};",
       "line 3: expected 'HRESULT'"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(parse_type_library(c.source, &error)) << c.source;
    EXPECT_EQ(error, c.error) << c.source;
  }
}

}  // namespace
