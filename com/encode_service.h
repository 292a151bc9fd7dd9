// EncodeService: the one class of the module. An object holds nothing but its
// reference count (and, when aggregated, its outer unknown); every method and
// property works on the process-wide Workspace.
#pragma once

#include "com/iencode_service.h"

class EncodeService final : public ISupportErrorInfo, public IEncodeService {
 public:
  // Makes an object (aggregated when outer is given) and returns its
  // interface riid; the object is destroyed again when that fails.
  static HRESULT Create(IUnknown* outer, REFIID riid, void** object);

  // IUnknown, delegated to the outer unknown when aggregated.
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT InterfaceSupportsErrorInfo(REFIID riid) override;

  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** type_info) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT name_count, LCID lcid, DISPID* ids) override;
  HRESULT Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argument_error) override;

  HRESULT InitWorkspace(LONG* pResult) override;
  HRESULT FreeWorkspace(LONG* pResult) override;
  HRESULT Encode2File(BSTR strImageFile, LONG* pResult) override;
  HRESULT get_Symbology(SHORT* pVal) override;
  HRESULT put_Symbology(SHORT newVal) override;
  HRESULT get_WhiteSpaceWidth(SHORT* pVal) override;
  HRESULT put_WhiteSpaceWidth(SHORT newVal) override;
  HRESULT get_BorderWidth(SHORT* pVal) override;
  HRESULT put_BorderWidth(SHORT newVal) override;
  HRESULT get_OutputOptions(SHORT* pVal) override;
  HRESULT put_OutputOptions(SHORT newVal) override;
  HRESULT get_RotateAngle(SHORT* pVal) override;
  HRESULT put_RotateAngle(SHORT newVal) override;
  HRESULT get_TextAlign(LONG* pVal) override;
  HRESULT put_TextAlign(LONG newVal) override;
  HRESULT get_CharSize(SHORT* pVal) override;
  HRESULT put_CharSize(SHORT newVal) override;
  HRESULT get_CharSet(BSTR* pVal) override;
  HRESULT put_CharSet(BSTR newVal) override;
  HRESULT get_CodedText(BSTR* pVal) override;
  HRESULT put_CodedText(BSTR newVal) override;
  HRESULT get_Prefix(BSTR* pVal) override;
  HRESULT put_Prefix(BSTR newVal) override;
  HRESULT get_Surfix(BSTR* pVal) override;
  HRESULT put_Surfix(BSTR newVal) override;
  HRESULT get_ForeColor(OLE_COLOR* pVal) override;
  HRESULT put_ForeColor(OLE_COLOR newVal) override;
  HRESULT get_BackColor(OLE_COLOR* pVal) override;
  HRESULT put_BackColor(OLE_COLOR newVal) override;
  HRESULT get_ErrorText(BSTR* pVal) override;

 private:
  // The object's own, non-delegating IUnknown: what an outer object holds.
  class InnerUnknown final : public IUnknown {
   public:
    explicit InnerUnknown(EncodeService& owner) : owner_(owner) {}
    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

   private:
    EncodeService& owner_;
  };

  explicit EncodeService(IUnknown* outer);
  ~EncodeService();

  InnerUnknown inner_{*this};
  IUnknown* outer_;  // null when not aggregated
  ULONG references_ = 1;
};
