// What the tresslin commands need of the component runtime as a host: the
// module beside the program, the EncodeService object, and readable status
// codes.
#pragma once

#include <string>

#include "platform/com/oaidl.h"

// The module the program was linked with, found beside it.
std::string installed_module_path();

// Tresslin.EncodeService's IDispatch: by its ProgID through the registry, or,
// when the ProgID is not registered, from the module beside the program. With
// a module path, from that module only. Null with the reason in error.
IDispatch* create_encode_service(const std::string& module_path, std::string& error);

// "E_INVALIDARG (0x80070057)" and the like.
std::string hresult_text(HRESULT hr);
