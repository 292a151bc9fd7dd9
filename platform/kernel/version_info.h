// Version resources in the platform's binary layout (VS_VERSIONINFO: the
// fixed file information, then a StringFileInfo table and the VarFileInfo
// translation), built from a short description, and read back with
// VerQueryValue.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/win_types.h"

struct VS_FIXEDFILEINFO {
  DWORD dwSignature;
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;
constexpr DWORD VFT_DLL = 2;

struct VersionDescription {
  WORD version[4];  // file and product version, most significant part first
  WORD language;    // 0x0409
  WORD code_page;   // 0x04B0 (Unicode)
  std::vector<std::pair<std::string, std::string>> strings;  // ASCII names and values
};

std::vector<BYTE> build_version_resource(const VersionDescription& description);

// sub_block "\\" gives the VS_FIXEDFILEINFO; "\\StringFileInfo\\040904B0\\Name"
// a string value (UTF-16, length in characters with its terminator);
// "\\VarFileInfo\\Translation" the language and code page words.
bool VerQueryValue(const void* block, const char* sub_block, const void** buffer, UINT* length);
