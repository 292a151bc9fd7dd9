#include "com/encode_service.h"

#include <cstring>
#include <new>

#include "com/encode_to_file.h"
#include "com/module.h"
#include "com/text_settings.h"
#include "engine/barcode_symbol.h"
#include "platform/com/bstr.h"
#include "platform/com/typelib.h"
#include "platform/gdi/gdi.h"
#include "platform/kernel/codepage.h"

namespace {

BarcodeSymbol& record() { return workspace.symbol; }

// 16-bit properties are sign-extended into the record's 32-bit fields and
// read back as their low 16 bits.
HRESULT get_short(int field, SHORT* value) {
  if (value == nullptr) return E_POINTER;
  *value = static_cast<SHORT>(field);
  return S_OK;
}

HRESULT get_text(TextSetting setting, BSTR* value) {
  if (value == nullptr) return E_POINTER;
  *value = get_text_setting(setting);
  return *value == nullptr ? E_OUTOFMEMORY : S_OK;
}

template <typename T>
HRESULT get_value(T field, T* value) {
  if (value == nullptr) return E_POINTER;
  *value = field;
  return S_OK;
}

// Setters store the value whole; a SHORT is sign-extended into its field.
template <typename Field, typename T>
HRESULT put_value(Field& field, T value) {
  field = value;
  return S_OK;
}

}  // namespace

HRESULT EncodeService::Create(IUnknown* outer, REFIID riid, void** object) {
  auto* service = new (std::nothrow) EncodeService(outer);
  if (service == nullptr) return E_OUTOFMEMORY;
  HRESULT hr = service->inner_.QueryInterface(riid, object);
  service->inner_.Release();
  return hr;
}

EncodeService::EncodeService(IUnknown* outer) : outer_(outer) { lock_module(); }

EncodeService::~EncodeService() { unlock_module(); }

HRESULT EncodeService::InnerUnknown::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (riid == IID_IUnknown)
    *object = owner_.outer_ != nullptr ? static_cast<IUnknown*>(this)
                                       : static_cast<IUnknown*>(static_cast<IEncodeService*>(&owner_));
  else if (riid == IID_IEncodeService || riid == IID_IDispatch)
    *object = static_cast<IEncodeService*>(&owner_);
  else if (riid == IID_ISupportErrorInfo)
    *object = static_cast<ISupportErrorInfo*>(&owner_);
  else
    return E_NOINTERFACE;
  static_cast<IUnknown*>(*object)->AddRef();
  return S_OK;
}

ULONG EncodeService::InnerUnknown::AddRef() { return ++owner_.references_; }

ULONG EncodeService::InnerUnknown::Release() {
  ULONG left = --owner_.references_;
  if (left == 0) delete &owner_;
  return left;
}

HRESULT EncodeService::QueryInterface(REFIID riid, void** object) {
  return outer_ != nullptr ? outer_->QueryInterface(riid, object) : inner_.QueryInterface(riid, object);
}

ULONG EncodeService::AddRef() { return outer_ != nullptr ? outer_->AddRef() : inner_.AddRef(); }

ULONG EncodeService::Release() { return outer_ != nullptr ? outer_->Release() : inner_.Release(); }

HRESULT EncodeService::InterfaceSupportsErrorInfo(REFIID riid) {
  return riid == IID_IEncodeService ? S_OK : S_FALSE;
}

HRESULT EncodeService::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT EncodeService::GetTypeInfo(UINT index, LCID, ITypeInfo** type_info) {
  if (type_info == nullptr) return E_POINTER;
  *type_info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  ITypeInfo* type = encode_service_type_info();
  if (type == nullptr) return TYPE_E_CANTLOADLIBRARY;
  type->AddRef();
  *type_info = type;
  return S_OK;
}

HRESULT EncodeService::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT name_count, LCID, DISPID* ids) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  ITypeInfo* type = encode_service_type_info();
  if (type == nullptr) return TYPE_E_CANTLOADLIBRARY;
  return DispGetIDsOfNames(type, names, name_count, ids);
}

HRESULT EncodeService::Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* exception, UINT* argument_error) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  ITypeInfo* type = encode_service_type_info();
  if (type == nullptr) return TYPE_E_CANTLOADLIBRARY;
  return DispInvoke(static_cast<IEncodeService*>(this), type, member, flags, params, result, exception,
                    argument_error);
}

HRESULT EncodeService::InitWorkspace(LONG* pResult) {
  if (pResult == nullptr) return E_POINTER;
  reset_workspace(workspace);
  clear_refused_settings();
  *pResult = 1;
  return S_OK;
}

HRESULT EncodeService::FreeWorkspace(LONG* pResult) {
  if (pResult == nullptr) return E_POINTER;
  if (workspace.symbol_bitmap != nullptr) {
    DeleteObject(workspace.symbol_bitmap);
    workspace.symbol_bitmap = nullptr;
  }
  *pResult = 1;
  return S_OK;
}

HRESULT EncodeService::Encode2File(BSTR strImageFile, LONG* pResult) {
  if (pResult == nullptr) return E_POINTER;
  *pResult = encode_workspace_to_file(bstr_view(strImageFile)) ? 1 : 0;
  return S_OK;
}

HRESULT EncodeService::get_Symbology(SHORT* pVal) { return get_short(record().symbology, pVal); }
HRESULT EncodeService::put_Symbology(SHORT newVal) { return put_value(record().symbology, newVal); }
HRESULT EncodeService::get_WhiteSpaceWidth(SHORT* pVal) { return get_short(record().white_space_width, pVal); }
HRESULT EncodeService::put_WhiteSpaceWidth(SHORT newVal) { return put_value(record().white_space_width, newVal); }
HRESULT EncodeService::get_BorderWidth(SHORT* pVal) { return get_short(record().border_width, pVal); }
HRESULT EncodeService::put_BorderWidth(SHORT newVal) { return put_value(record().border_width, newVal); }
HRESULT EncodeService::get_OutputOptions(SHORT* pVal) { return get_short(record().output_options, pVal); }
HRESULT EncodeService::put_OutputOptions(SHORT newVal) { return put_value(record().output_options, newVal); }
HRESULT EncodeService::get_RotateAngle(SHORT* pVal) { return get_short(record().rotate_angle, pVal); }
HRESULT EncodeService::put_RotateAngle(SHORT newVal) { return put_value(record().rotate_angle, newVal); }
HRESULT EncodeService::get_TextAlign(LONG* pVal) { return get_value<LONG>(record().text_align, pVal); }
HRESULT EncodeService::put_TextAlign(LONG newVal) { return put_value(record().text_align, newVal); }
HRESULT EncodeService::get_CharSize(SHORT* pVal) { return get_short(record().char_size, pVal); }
HRESULT EncodeService::put_CharSize(SHORT newVal) { return put_value(record().char_size, newVal); }
HRESULT EncodeService::get_CharSet(BSTR* pVal) { return get_text(TextSetting::CHAR_SET, pVal); }
HRESULT EncodeService::put_CharSet(BSTR newVal) { return put_text_setting(TextSetting::CHAR_SET, newVal); }
HRESULT EncodeService::get_CodedText(BSTR* pVal) { return get_text(TextSetting::CODED_TEXT, pVal); }
HRESULT EncodeService::put_CodedText(BSTR newVal) { return put_text_setting(TextSetting::CODED_TEXT, newVal); }
HRESULT EncodeService::get_Prefix(BSTR* pVal) { return get_text(TextSetting::PREFIX, pVal); }
HRESULT EncodeService::put_Prefix(BSTR newVal) { return put_text_setting(TextSetting::PREFIX, newVal); }
HRESULT EncodeService::get_Surfix(BSTR* pVal) { return get_text(TextSetting::SURFIX, pVal); }
HRESULT EncodeService::put_Surfix(BSTR newVal) { return put_text_setting(TextSetting::SURFIX, newVal); }
HRESULT EncodeService::get_ForeColor(OLE_COLOR* pVal) { return get_value<OLE_COLOR>(record().fore_color, pVal); }
HRESULT EncodeService::put_ForeColor(OLE_COLOR newVal) { return put_value(record().fore_color, newVal); }
HRESULT EncodeService::get_BackColor(OLE_COLOR* pVal) { return get_value<OLE_COLOR>(record().back_color, pVal); }
HRESULT EncodeService::put_BackColor(OLE_COLOR newVal) { return put_value(record().back_color, newVal); }

HRESULT EncodeService::get_ErrorText(BSTR* pVal) {
  if (pVal == nullptr) return E_POINTER;
  const char* text = record().error_text;
  *pVal = bstr_from(utf16_from_ansi(std::string_view(text, strnlen(text, sizeof record().error_text))));
  return *pVal == nullptr ? E_OUTOFMEMORY : S_OK;
}
