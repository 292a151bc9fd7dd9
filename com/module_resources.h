// The resources the module carries: its type library, registry script, name
// string and version. They are found with FindResourceA under the module's
// instance handle.
#pragma once

#include <string_view>

#include "platform/win_types.h"

constexpr WORD IDR_TYPELIB = 1;
constexpr WORD IDS_PROJNAME = 100;
constexpr WORD IDR_ENCODESERVICE = 102;
constexpr WORD IDR_VERSION = 1;
constexpr const char* RT_TYPELIB = "TYPELIB";
constexpr const char* RT_REGISTRY = "REGISTRY";

// The module's instance handle (the address it is loaded at).
HMODULE module_instance();
// The full path of the module's file.
const char* module_file_path();

// The text of one of the module's own resources; empty when missing.
std::string_view module_resource_text(WORD id, const char* type);
