// Calling an automation object by member names, as a script does.
#pragma once

#include <string>
#include <vector>

#include "platform/com/oaidl.h"

class AutomationClient {
 public:
  explicit AutomationClient(IDispatch* object) : object_(object) {}

  // The value is consumed.
  HRESULT put(const char16_t* name, VARIANT value) const;
  // Arguments in their natural order, consumed; the result is the caller's.
  HRESULT call(const char16_t* name, std::vector<VARIANT> arguments, VARIANT& result) const;
  // A text property as UTF-8; empty when it cannot be read.
  std::string text(const char16_t* name) const;

 private:
  HRESULT id_of(const char16_t* name, DISPID& id) const;

  IDispatch* object_;
};

VARIANT long_value(LONG value);
// UTF-8 text; false when it is not well-formed.
bool text_value(const std::string& utf8, VARIANT& value);
