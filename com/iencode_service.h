// IEncodeService: the dual interface of the EncodeService class. Its own
// slots follow IDispatch's seven, in the order of the type library; each
// property's get slot comes directly before its put slot.
#pragma once

#include "com/identifiers.h"
#include "platform/com/oaidl.h"

class IEncodeService : public IDispatch {
 public:
  virtual HRESULT InitWorkspace(LONG* pResult) = 0;
  virtual HRESULT FreeWorkspace(LONG* pResult) = 0;
  virtual HRESULT Encode2File(BSTR strImageFile, LONG* pResult) = 0;
  virtual HRESULT get_Symbology(SHORT* pVal) = 0;
  virtual HRESULT put_Symbology(SHORT newVal) = 0;
  virtual HRESULT get_WhiteSpaceWidth(SHORT* pVal) = 0;
  virtual HRESULT put_WhiteSpaceWidth(SHORT newVal) = 0;
  virtual HRESULT get_BorderWidth(SHORT* pVal) = 0;
  virtual HRESULT put_BorderWidth(SHORT newVal) = 0;
  virtual HRESULT get_OutputOptions(SHORT* pVal) = 0;
  virtual HRESULT put_OutputOptions(SHORT newVal) = 0;
  virtual HRESULT get_RotateAngle(SHORT* pVal) = 0;
  virtual HRESULT put_RotateAngle(SHORT newVal) = 0;
  virtual HRESULT get_TextAlign(LONG* pVal) = 0;
  virtual HRESULT put_TextAlign(LONG newVal) = 0;
  virtual HRESULT get_CharSize(SHORT* pVal) = 0;
  virtual HRESULT put_CharSize(SHORT newVal) = 0;
  virtual HRESULT get_CharSet(BSTR* pVal) = 0;
  virtual HRESULT put_CharSet(BSTR newVal) = 0;
  virtual HRESULT get_CodedText(BSTR* pVal) = 0;
  virtual HRESULT put_CodedText(BSTR newVal) = 0;
  virtual HRESULT get_Prefix(BSTR* pVal) = 0;
  virtual HRESULT put_Prefix(BSTR newVal) = 0;
  virtual HRESULT get_Surfix(BSTR* pVal) = 0;
  virtual HRESULT put_Surfix(BSTR newVal) = 0;
  virtual HRESULT get_ForeColor(OLE_COLOR* pVal) = 0;
  virtual HRESULT put_ForeColor(OLE_COLOR newVal) = 0;
  virtual HRESULT get_BackColor(OLE_COLOR* pVal) = 0;
  virtual HRESULT put_BackColor(OLE_COLOR newVal) = 0;
  // The warning or error message of the last Encode2File, empty when none.
  virtual HRESULT get_ErrorText(BSTR* pVal) = 0;
};
