// ITypeInfo over a parsed interface description, with the Invoke that calls
// the interface's own slots, and the TypeLibrary that owns them.
#include <atomic>

#include "platform/com/bstr.h"
#include "platform/com/dispcall.h"
#include "platform/com/typelib.h"

namespace {

char16_t folded(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool same_name(LPCOLESTR name, const std::string& ascii) {
  if (name == nullptr) return false;
  std::size_t i = 0;
  for (; name[i] != 0; ++i)
    if (i >= ascii.size() || folded(name[i]) != folded(static_cast<char16_t>(ascii[i]))) return false;
  return i == ascii.size();
}

BSTR bstr_from_ascii(const std::string& text) { return bstr_from(std::u16string(text.begin(), text.end())); }

bool matches_flags(INVOKEKIND kind, WORD flags) {
  switch (kind) {
    case INVOKE_FUNC: return (flags & DISPATCH_METHOD) != 0;
    case INVOKE_PROPERTYGET: return (flags & DISPATCH_PROPERTYGET) != 0;
    case INVOKE_PROPERTYPUT: return (flags & DISPATCH_PROPERTYPUT) != 0;
    case INVOKE_PROPERTYPUTREF: return (flags & DISPATCH_PROPERTYPUTREF) != 0;
  }
  return false;
}

bool is_put(INVOKEKIND kind) { return kind == INVOKE_PROPERTYPUT || kind == INVOKE_PROPERTYPUTREF; }

// The arguments of one Invoke, as the slot receives them, and the storage of
// the out values the caller did not supply a place for.
class CallFrame {
 public:
  explicit CallFrame(std::size_t count) : values_(count), outputs_(count), types_(count), pointers_(count) {
    for (std::size_t i = 0; i < count; ++i) {
      VariantInit(&values_[i]);
      VariantInit(&outputs_[i]);
      pointers_[i] = &values_[i];
    }
  }
  CallFrame(const CallFrame&) = delete;
  CallFrame& operator=(const CallFrame&) = delete;
  ~CallFrame() {
    for (std::size_t i = 0; i < values_.size(); ++i) {
      if (owns_value_[i]) VariantClear(&values_[i]);
      if (has_output_[i]) VariantClear(&outputs_[i]);
    }
  }

  HRESULT pass_value(std::size_t i, const VARIANTARG& given, VARTYPE type) {
    HRESULT hr = VariantChangeType(&values_[i], &given, 0, type);
    if (SUCCEEDED(hr)) {
      owns_value_[i] = true;
      types_[i] = type;
    }
    return hr;
  }

  void pass_reference(std::size_t i, void* target, VARTYPE type) {
    values_[i].vt = static_cast<VARTYPE>(VT_BYREF | type);
    values_[i].byref = target;
    types_[i] = values_[i].vt;
  }

  // A place of its own for an out value; collect() hands it over afterwards.
  void pass_output(std::size_t i, VARTYPE type) {
    outputs_[i].vt = VT_EMPTY;
    output_types_[i] = type;
    pass_reference(i, &outputs_[i].llVal, type);
  }

  // The out value written into the frame's own place, now owned by target.
  void collect(std::size_t i, VARIANT& target) {
    outputs_[i].vt = output_types_[i];
    target = outputs_[i];
    VariantInit(&outputs_[i]);
    has_output_[i] = false;
  }

  // Marks the frame's own out places as holding values, so that they are
  // freed if nobody collects them.
  void outputs_written() {
    for (std::size_t i = 0; i < values_.size(); ++i)
      if (output_types_[i] != VT_EMPTY) {
        outputs_[i].vt = output_types_[i];
        has_output_[i] = true;
      }
  }

  std::size_t size() const { return values_.size(); }
  const VARTYPE* types() const { return types_.data(); }
  VARIANTARG** pointers() { return pointers_.data(); }

 private:
  std::vector<VARIANT> values_;
  std::vector<VARIANT> outputs_;
  std::vector<VARTYPE> types_;
  std::vector<VARIANTARG*> pointers_;
  std::vector<VARTYPE> output_types_ = std::vector<VARTYPE>(values_.size(), VT_EMPTY);
  std::vector<bool> owns_value_ = std::vector<bool>(values_.size(), false);
  std::vector<bool> has_output_ = std::vector<bool>(values_.size(), false);
};

}  // namespace

class TypeLibrary::InterfaceType final : public ITypeInfo {
 public:
  InterfaceType(const LibraryInfo& library, const InterfaceInfo& info) : info_(info) {
    attributes_ = {};
    attributes_.guid = info.iid;
    attributes_.lcid = library.lcid;
    attributes_.memidConstructor = MEMBERID_NIL;
    attributes_.memidDestructor = MEMBERID_NIL;
    attributes_.typekind = TKIND_INTERFACE;
    attributes_.cFuncs = static_cast<WORD>(info.functions.size());
    attributes_.cImplTypes = 1;
    attributes_.cbAlignment = alignof(void*);
    attributes_.wTypeFlags = info.flags;
    attributes_.wMajorVerNum = library.major_version;
    attributes_.wMinorVerNum = library.minor_version;
    int slots = info.functions.empty() ? (info.base == "IDispatch" ? 7 : 3) : info.functions.back().slot + 1;
    attributes_.cbSizeVft = static_cast<WORD>(slots * sizeof(void*));
    build_function_descriptions();
  }

  const InterfaceInfo& info() const { return info_; }

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ITypeInfo) {
      *object = static_cast<ITypeInfo*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // The library owns its type information; the count only serves callers
  // that pair their calls.
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override { return --references_; }

  HRESULT GetTypeAttr(TYPEATTR** attributes) override {
    if (attributes == nullptr) return E_INVALIDARG;
    *attributes = &attributes_;
    return S_OK;
  }
  HRESULT GetTypeComp(ITypeComp** type_comp) override {
    if (type_comp != nullptr) *type_comp = nullptr;
    return E_NOTIMPL;
  }
  HRESULT GetFuncDesc(UINT index, FUNCDESC** description) override {
    if (description == nullptr) return E_INVALIDARG;
    if (index >= descriptions_.size()) return TYPE_E_ELEMENTNOTFOUND;
    *description = &descriptions_[index];
    return S_OK;
  }
  HRESULT GetVarDesc(UINT, VARDESC** description) override {
    if (description != nullptr) *description = nullptr;
    return TYPE_E_ELEMENTNOTFOUND;
  }
  HRESULT GetNames(MEMBERID member, BSTR* names, UINT max_names, UINT* name_count) override {
    if (names == nullptr || name_count == nullptr) return E_INVALIDARG;
    const FunctionInfo* function = first_with_id(member);
    if (function == nullptr) return TYPE_E_ELEMENTNOTFOUND;
    std::vector<const std::string*> all{&function->name};
    for (const ParameterInfo& parameter : function->parameters) all.push_back(&parameter.name);
    UINT count = 0;
    for (; count < max_names && count < all.size(); ++count) names[count] = bstr_from_ascii(*all[count]);
    *name_count = count;
    return S_OK;
  }
  HRESULT GetRefTypeOfImplType(UINT, HREFTYPE* type) override {
    if (type != nullptr) *type = 0;
    return E_NOTIMPL;
  }
  HRESULT GetImplTypeFlags(UINT, INT* flags) override {
    if (flags != nullptr) *flags = 0;
    return E_NOTIMPL;
  }

  HRESULT GetIDsOfNames(LPOLESTR* names, UINT name_count, MEMBERID* ids) override {
    if (names == nullptr || ids == nullptr || name_count == 0) return E_INVALIDARG;
    const FunctionInfo* function = nullptr;
    for (const FunctionInfo& candidate : info_.functions)
      if (same_name(names[0], candidate.name)) {
        function = &candidate;
        break;
      }
    for (UINT i = 0; i < name_count; ++i) ids[i] = DISPID_UNKNOWN;
    if (function == nullptr) return DISP_E_UNKNOWNNAME;
    ids[0] = function->id;
    HRESULT hr = S_OK;
    for (UINT i = 1; i < name_count; ++i) {
      ids[i] = parameter_index(function->id, names[i]);
      if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }

  HRESULT Invoke(void* instance, MEMBERID member, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argument_error) override {
    if (instance == nullptr || params == nullptr) return E_INVALIDARG;
    if (params->cArgs > 0 && params->rgvarg == nullptr) return E_INVALIDARG;
    if (params->cNamedArgs > params->cArgs || (params->cNamedArgs > 0 && params->rgdispidNamedArgs == nullptr))
      return E_INVALIDARG;
    const FunctionInfo* function = find_function(member, flags);
    if (function == nullptr) return DISP_E_MEMBERNOTFOUND;
    std::vector<VARIANTARG*> given;
    HRESULT hr = arguments_by_parameter(*function, *params, given);
    if (FAILED(hr)) return hr;
    CallFrame frame(function->parameters.size());
    std::vector<std::size_t> own_outputs;
    for (std::size_t i = 0; i < frame.size(); ++i) {
      hr = prepare_argument(function->parameters[i], given[i], i, frame, own_outputs);
      if (FAILED(hr)) {
        if (argument_error != nullptr && given[i] != nullptr)
          *argument_error = static_cast<UINT>(given[i] - params->rgvarg);
        return hr;
      }
    }
    VARIANT returned;
    hr = DispCallFunc(instance, static_cast<ULONG_PTR>(function->slot) * sizeof(void*), CC_CDECL, VT_HRESULT,
                      static_cast<UINT>(frame.size()), frame.types(), frame.pointers(), &returned);
    if (FAILED(hr)) return hr;
    frame.outputs_written();
    if (FAILED(returned.lVal)) {
      fill_exception(exception, returned.lVal);
      return DISP_E_EXCEPTION;
    }
    if (result != nullptr) VariantInit(result);
    for (std::size_t i : own_outputs) {
      VARIANT value;
      if (given[i] != nullptr) {
        frame.collect(i, value);
        VariantClear(given[i]->pvarVal);
        *given[i]->pvarVal = value;
      } else if (result != nullptr) {
        frame.collect(i, value);
        *result = value;
      }
    }
    return S_OK;
  }

  HRESULT GetDocumentation(MEMBERID member, BSTR* name, BSTR* doc_string, DWORD* help_context,
                           BSTR* help_file) override {
    const std::string* member_name = &info_.name;
    const std::string* help = &info_.help;
    if (member != MEMBERID_NIL) {
      const FunctionInfo* function = first_with_id(member);
      if (function == nullptr) return TYPE_E_ELEMENTNOTFOUND;
      member_name = &function->name;
      help = &function->help;
    }
    if (name != nullptr) *name = bstr_from_ascii(*member_name);
    if (doc_string != nullptr) *doc_string = bstr_from_ascii(*help);
    if (help_context != nullptr) *help_context = 0;
    if (help_file != nullptr) *help_file = nullptr;
    return S_OK;
  }
  HRESULT GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) override { return TYPE_E_ELEMENTNOTFOUND; }
  HRESULT GetRefTypeInfo(HREFTYPE, ITypeInfo** type_info) override {
    if (type_info != nullptr) *type_info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT AddressOfMember(MEMBERID, INVOKEKIND, void** address) override {
    if (address != nullptr) *address = nullptr;
    return E_NOTIMPL;
  }
  HRESULT CreateInstance(IUnknown*, REFIID, void** object) override {
    if (object != nullptr) *object = nullptr;
    return E_NOTIMPL;
  }
  HRESULT GetMops(MEMBERID, BSTR* mops) override {
    if (mops != nullptr) *mops = nullptr;
    return S_OK;
  }
  HRESULT GetContainingTypeLib(ITypeLib** type_lib, UINT* index) override {
    if (type_lib != nullptr) *type_lib = nullptr;
    if (index != nullptr) *index = 0;
    return E_NOTIMPL;
  }
  // Attributes and descriptions belong to the type information itself.
  void ReleaseTypeAttr(TYPEATTR*) override {}
  void ReleaseFuncDesc(FUNCDESC*) override {}
  void ReleaseVarDesc(VARDESC*) override {}

 private:
  const InterfaceInfo& info_;
  std::atomic<ULONG> references_{1};
  TYPEATTR attributes_;
  std::vector<FUNCDESC> descriptions_;
  std::vector<std::vector<ELEMDESC>> parameter_descriptions_;
  std::vector<std::vector<TYPEDESC>> pointed_types_;

  static TYPEDESC type_description(VARTYPE type) {
    TYPEDESC description{};
    description.vt = type;
    return description;
  }

  void build_function_descriptions() {
    std::size_t count = info_.functions.size();
    parameter_descriptions_.resize(count);
    pointed_types_.resize(count);
    descriptions_.resize(count);
    for (std::size_t f = 0; f < count; ++f) {
      const FunctionInfo& function = info_.functions[f];
      std::vector<ELEMDESC>& elements = parameter_descriptions_[f];
      std::vector<TYPEDESC>& pointed = pointed_types_[f];
      pointed.reserve(function.parameters.size());
      for (const ParameterInfo& parameter : function.parameters) {
        ELEMDESC element{};
        element.paramdesc.wParamFlags = parameter.flags;
        if (parameter.pointer) {
          pointed.push_back(type_description(parameter.type));
          element.tdesc.vt = VT_PTR;
          element.tdesc.lptdesc = &pointed.back();
        } else {
          element.tdesc = type_description(parameter.type);
        }
        elements.push_back(element);
      }
      FUNCDESC& description = descriptions_[f];
      description = {};
      description.memid = function.id;
      description.lprgelemdescParam = elements.empty() ? nullptr : elements.data();
      description.funckind = FUNC_PUREVIRTUAL;
      description.invkind = function.kind;
      description.callconv = CC_CDECL;
      description.cParams = static_cast<SHORT>(elements.size());
      description.oVft = static_cast<SHORT>(function.slot * sizeof(void*));
      description.elemdescFunc.tdesc = type_description(VT_HRESULT);
    }
  }

  const FunctionInfo* first_with_id(MEMBERID member) const {
    for (const FunctionInfo& function : info_.functions)
      if (function.id == member) return &function;
    return nullptr;
  }

  const FunctionInfo* find_function(MEMBERID member, WORD flags) const {
    for (const FunctionInfo& function : info_.functions)
      if (function.id == member && matches_flags(function.kind, flags)) return &function;
    return nullptr;
  }

  MEMBERID parameter_index(MEMBERID member, LPCOLESTR name) const {
    for (const FunctionInfo& function : info_.functions) {
      if (function.id != member) continue;
      for (std::size_t i = 0; i < function.parameters.size(); ++i)
        if (same_name(name, function.parameters[i].name)) return static_cast<MEMBERID>(i);
    }
    return DISPID_UNKNOWN;
  }

  // given[i]: the caller's argument for parameter i, or null. Positional
  // arguments come last-first in rgvarg; the one named argument a property
  // put may carry (DISPID_PROPERTYPUT) is the value, the last parameter.
  static HRESULT arguments_by_parameter(const FunctionInfo& function, DISPPARAMS& params,
                                        std::vector<VARIANTARG*>& given) {
    std::size_t count = function.parameters.size();
    given.assign(count, nullptr);
    UINT named = params.cNamedArgs;
    if (named > 1 || (named == 1 && (!is_put(function.kind) || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)))
      return DISP_E_NONAMEDARGS;
    std::size_t positional = params.cArgs - named;
    if (positional + named > count || (named == 1 && positional + 1 != count)) return DISP_E_BADPARAMCOUNT;
    for (std::size_t j = 0; j < positional; ++j) given[j] = &params.rgvarg[params.cArgs - 1 - j];
    if (named == 1) given[count - 1] = &params.rgvarg[0];
    return S_OK;
  }

  static HRESULT prepare_argument(const ParameterInfo& parameter, VARIANTARG* given, std::size_t i, CallFrame& frame,
                                  std::vector<std::size_t>& own_outputs) {
    if (!parameter.pointer) {
      if (given == nullptr) return DISP_E_BADPARAMCOUNT;
      return frame.pass_value(i, *given, parameter.type);
    }
    VARTYPE reference = static_cast<VARTYPE>(VT_BYREF | parameter.type);
    if (given == nullptr) {
      if (!(parameter.flags & PARAMFLAG_FRETVAL)) return DISP_E_BADPARAMCOUNT;
      frame.pass_output(i, parameter.type);
      own_outputs.push_back(i);
      return S_OK;
    }
    if (given->vt == reference) {
      if (given->byref == nullptr) return E_INVALIDARG;
      frame.pass_reference(i, given->byref, parameter.type);
      return S_OK;
    }
    if (given->vt == (VT_BYREF | VT_VARIANT) && (parameter.flags & PARAMFLAG_FOUT)) {
      if (given->pvarVal == nullptr) return E_INVALIDARG;
      frame.pass_output(i, parameter.type);
      own_outputs.push_back(i);
      return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
  }

  void fill_exception(EXCEPINFO* exception, HRESULT code) const {
    if (exception == nullptr) return;
    *exception = {};
    exception->bstrSource = bstr_from_ascii(info_.name);
    exception->scode = code;
  }
};

TypeLibrary::TypeLibrary(LibraryInfo info) : info_(std::move(info)) {
  for (const InterfaceInfo& interface_info : info_.interfaces)
    types_.push_back(std::make_unique<InterfaceType>(info_, interface_info));
}

TypeLibrary::~TypeLibrary() = default;

HRESULT TypeLibrary::Load(std::string_view source, std::unique_ptr<TypeLibrary>& library, std::string* error) {
  std::optional<LibraryInfo> info = parse_type_library(source, error);
  if (!info) return TYPE_E_INVDATAREAD;
  library.reset(new TypeLibrary(std::move(*info)));
  return S_OK;
}

HRESULT TypeLibrary::GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** type_info) {
  if (type_info == nullptr) return E_INVALIDARG;
  *type_info = nullptr;
  for (const std::unique_ptr<InterfaceType>& type : types_)
    if (type->info().iid == guid) {
      type->AddRef();
      *type_info = type.get();
      return S_OK;
    }
  return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT DispGetIDsOfNames(ITypeInfo* type_info, LPOLESTR* names, UINT name_count, DISPID* ids) {
  if (type_info == nullptr) return E_INVALIDARG;
  return type_info->GetIDsOfNames(names, name_count, ids);
}

HRESULT DispInvoke(void* instance, ITypeInfo* type_info, DISPID member, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* exception, UINT* argument_error) {
  if (type_info == nullptr) return E_INVALIDARG;
  return type_info->Invoke(instance, member, flags, params, result, exception, argument_error);
}
