// The fixed identifiers of the module: the EncodeService class, its
// IEncodeService interface and the TRESSLINLib type library. The texts are
// the ones the registry script and the type library carry.
#pragma once

#include "platform/com/guid.h"

#define TRESSLIN_CLSID_TEXT "CE17E639-949F-45AA-9AAD-841601C76095"
#define TRESSLIN_IID_TEXT "3B00A274-8300-4A18-BEBC-0E8C58E2834A"
#define TRESSLIN_LIBID_TEXT "116BD1A6-72E3-4BCC-827F-F8537BCA395C"

constexpr CLSID CLSID_EncodeService = {0xCE17E639, 0x949F, 0x45AA, {0x9A, 0xAD, 0x84, 0x16, 0x01, 0xC7, 0x60, 0x95}};
constexpr IID IID_IEncodeService = {0x3B00A274, 0x8300, 0x4A18, {0xBE, 0xBC, 0x0E, 0x8C, 0x58, 0xE2, 0x83, 0x4A}};
constexpr GUID LIBID_TRESSLINLib = {0x116BD1A6, 0x72E3, 0x4BCC, {0x82, 0x7F, 0xF8, 0x53, 0x7B, 0xCA, 0x39, 0x5C}};

constexpr const char* ENCODE_SERVICE_PROGID = "Tresslin.EncodeService";
constexpr const char* ENCODE_SERVICE_VERSIONED_PROGID = "Tresslin.EncodeService.1";
