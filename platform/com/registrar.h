// Registry scripts: the text a module carries to describe the keys it
// registers, applied under HKEY_CLASSES_ROOT.
//
//   HKCR
//   {
//     Some.ProgID = s 'Description'
//     {
//       CLSID = s '{...}'
//     }
//     NoRemove CLSID
//     {
//       ForceRemove {...} = s 'Description'
//       {
//         InprocServer32 = s '%MODULE%'
//         {
//           val ThreadingModel = s 'Apartment'
//         }
//       }
//     }
//   }
//
// A key is a bare name or a 'quoted' one, optionally with a default value
// (s 'text' or d 'number'), then optionally a block of subkeys and
// `val NAME = s|d 'value'` lines. Flags before a key: NoRemove (never removed
// on unregistration), ForceRemove (removed whole with its subkeys before it
// is registered, and on unregistration), Delete (removed whole on both).
// Unregistration removes the script's values and each other key once it has
// no subkeys left. %NAME% in quoted text is replaced from the table given;
// %% stands for %. In quoted text '' stands for a quote.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/hresult.h"

using ScriptReplacements = std::vector<std::pair<std::string, std::string>>;

// Applies the whole script in one registry transaction: either every change
// lands or none. DISP_E_EXCEPTION for a malformed script (with "line N: what"
// in *error), else the registry's error as an HRESULT.
HRESULT run_registry_script(std::string_view script, bool registering, const ScriptReplacements& replacements,
                            std::string* error = nullptr);
