#include "platform/kernel/resources.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/kernel/version_info.h"

namespace {

constexpr char SCRIPT[] = "HKCR { }";
constexpr char NAME[] = "Sample name";
constexpr unsigned char BYTES[] = {1, 2, 3};

const ResourceEntry* sample_resources(std::size_t* count) {
  static const ResourceEntry entries[] = {
      {"REGISTRY", MAKEINTRESOURCE(102), SCRIPT, sizeof SCRIPT - 1},
      {RT_STRING, MAKEINTRESOURCE(100), NAME, sizeof NAME},
      {"DATA", "named", BYTES, sizeof BYTES},
  };
  *count = 3;
  return entries;
}

[[maybe_unused]] const bool registered = (register_module_resources(SCRIPT, sample_resources), true);

TEST(Resources, FoundByNumberOrNameUnderTheModulesHandle) {
  HMODULE module = module_handle_of(SCRIPT);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(module, module_handle_of(reinterpret_cast<const void*>(&sample_resources)));
  HRSRC script = FindResourceA(module, MAKEINTRESOURCE(102), "registry");
  ASSERT_NE(script, nullptr);
  EXPECT_EQ(SizeofResource(module, script), sizeof SCRIPT - 1);
  EXPECT_EQ(std::memcmp(LockResource(LoadResource(module, script)), SCRIPT, sizeof SCRIPT - 1), 0);
  HRSRC data = FindResourceA(module, "NAMED", "data");
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(LockResource(LoadResource(module, data)), BYTES);
  EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCE(103), "REGISTRY"), nullptr);
  EXPECT_EQ(FindResourceA(module, "named", "REGISTRY"), nullptr);
  EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCE(102), "REGISTRY"), nullptr);
  EXPECT_EQ(FindResourceA(module_handle_of(reinterpret_cast<const void*>(&std::memcmp)), MAKEINTRESOURCE(102), "REGISTRY"),
            nullptr)
      << "another module's resources are its own";
  char path[4096];
  EXPECT_NE(std::string(module_path_of(module, path, sizeof path)).find("test_platform_kernel"), std::string::npos);
}

TEST(Resources, LoadStringCopiesWhatFits) {
  HMODULE module = module_handle_of(SCRIPT);
  char buffer[32];
  EXPECT_EQ(LoadStringA(module, 100, buffer, sizeof buffer), 11);
  EXPECT_STREQ(buffer, "Sample name");
  EXPECT_EQ(LoadStringA(module, 100, buffer, 7), 6);
  EXPECT_STREQ(buffer, "Sample");
  EXPECT_EQ(LoadStringA(module, 101, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
}

TEST(VersionInfo, BuildsThePlatformLayoutAndReadsItBack) {
  std::vector<BYTE> block = build_version_resource(
      {{1, 5, 0, 1}, 0x0409, 0x04B0, {{"FileDescription", "Tresslin Module"}, {"ProductName", "Tresslin"}}});
  ASSERT_GE(block.size(), 92u);
  EXPECT_EQ(block[0] | block[1] << 8, static_cast<int>(block.size())) << "the root's length is the whole block";
  EXPECT_EQ(block[2] | block[3] << 8, 52) << "the fixed information's length";
  const void* value;
  UINT length;
  ASSERT_TRUE(VerQueryValue(block.data(), "\\", &value, &length));
  EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, value, sizeof fixed);
  EXPECT_EQ(fixed.dwSignature, VS_FFI_SIGNATURE);
  EXPECT_EQ(fixed.dwFileVersionMS, 0x00010005u);
  EXPECT_EQ(fixed.dwFileVersionLS, 0x00000001u);
  EXPECT_EQ(fixed.dwFileType, VFT_DLL);
  ASSERT_TRUE(VerQueryValue(block.data(), "\\StringFileInfo\\040904b0\\ProductName", &value, &length));
  EXPECT_EQ(length, 9u) << "characters with the terminator";
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(value)), u"Tresslin");
  ASSERT_TRUE(VerQueryValue(block.data(), "\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  const BYTE* translation = static_cast<const BYTE*>(value);
  EXPECT_EQ(translation[0] | translation[1] << 8, 0x0409);
  EXPECT_EQ(translation[2] | translation[3] << 8, 0x04B0);
  EXPECT_FALSE(VerQueryValue(block.data(), "\\StringFileInfo\\040904B0\\Missing", &value, &length));
  EXPECT_FALSE(VerQueryValue(block.data(), "\\StringFileInfo\\04070000\\ProductName", &value, &length));
}

}  // namespace
