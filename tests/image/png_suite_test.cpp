// Every PngSuite file decodes to its reference and every corrupt one is
// refused. The decoder composes transparency onto the background (the file's
// bKGD colour, else grey 192) unless the file has 32 bits per pixel or a
// palette; those keep their alpha and compare with the reference directly.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tests/image/codec_test_util.h"

namespace {

using codec_test::be32;
using codec_test::expected_rgba;
using codec_test::find_chunk;
using codec_test::OpenPngCodec;
using codec_test::png_chunks;
using codec_test::read_file;

const std::string SUITE = std::string(TRESSLIN_TESTDATA_DIR) + "/pngsuite/";

std::vector<std::string> suite_files(bool corrupt) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(SUITE.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0 && (name[0] == 'x') == corrupt) {
        names.push_back(name);
      }
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

struct FileFormat {
  int bit_depth = 0;
  int color_type = 0;
  int pixel_bits() const {
    static constexpr int channels[] = {1, 0, 3, 1, 2, 0, 4};
    return bit_depth * channels[color_type];
  }
};

// The background a composing decoder uses, as 8-bit red, green, blue.
std::vector<int> background_of(const std::vector<codec_test::PngChunk>& chunks, const FileFormat& f) {
  const auto* bkgd = find_chunk(chunks, "bKGD");
  if (!bkgd) return {192, 192, 192};
  const auto& d = bkgd->data;
  if (f.color_type == 3) {
    const auto& plte = find_chunk(chunks, "PLTE")->data;
    return {plte[3 * d[0]], plte[3 * d[0] + 1], plte[3 * d[0] + 2]};
  }
  auto sample = [&](int i) {
    const int v = (d[2 * i] << 8) | d[2 * i + 1];
    if (f.bit_depth == 16) return v >> 8;
    return v * 255 / ((1 << f.bit_depth) - 1);
  };
  if (f.color_type == 0 || f.color_type == 4) return {sample(0), sample(0), sample(0)};
  return {sample(0), sample(1), sample(2)};
}

std::vector<BYTE> composed(const std::vector<BYTE>& rgba, const std::vector<int>& background) {
  std::vector<BYTE> out(rgba.size());
  for (size_t i = 0; i < rgba.size(); i += 4) {
    const int a = rgba[i + 3];
    for (int c = 0; c < 3; ++c) {
      out[i + c] = static_cast<BYTE>((rgba[i + c] * a + background[c] * (255 - a) + 127) / 255);
    }
    out[i + 3] = 255;
  }
  return out;
}

// "" when equal within tolerance, else where they first differ.
std::string difference(const std::vector<BYTE>& ours, const std::vector<BYTE>& ref, int tolerance) {
  if (ours.size() != ref.size()) return "size " + std::to_string(ours.size()) + " vs " + std::to_string(ref.size());
  for (size_t i = 0; i < ours.size(); ++i) {
    if (std::abs(ours[i] - ref[i]) > tolerance) {
      std::ostringstream text;
      text << "pixel " << i / 4 << " channel " << i % 4 << ": " << int(ours[i]) << " vs " << int(ref[i]);
      return text.str();
    }
  }
  return "";
}

TEST(PngSuite, EveryGoodFileDecodesToItsReference) {
  const auto names = suite_files(false);
  ASSERT_GT(names.size(), 150u);
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    const auto bytes = read_file(SUITE + name);
    const auto reference = read_file(SUITE + name + ".rgba");
    ASSERT_FALSE(reference.empty());
    const auto chunks = png_chunks(bytes);
    const auto& ihdr = find_chunk(chunks, "IHDR")->data;
    const FileFormat format{ihdr[8], ihdr[9]};

    OpenPngCodec codec;
    TxMemFile stream(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    ASSERT_TRUE(codec.Decode(&stream)) << codec.GetLastError();
    EXPECT_EQ(codec.GetWidth(), be32(&ihdr[0]));
    EXPECT_EQ(codec.GetHeight(), be32(&ihdr[4]));
    EXPECT_EQ(codec.GetCodecOption(FORMAT_PNG), ihdr[12] ? 1u : 0u);

    const bool keeps_alpha = format.pixel_bits() == 32 || format.color_type == 3;
    const auto expected = keeps_alpha ? reference : composed(reference, background_of(chunks, format));
    EXPECT_EQ(difference(expected_rgba(codec), expected, format.bit_depth == 16 ? 1 : 0), "");
  }
}

TEST(PngSuite, EveryCorruptFileIsRefusedWithAMessage) {
  const auto names = suite_files(true);
  ASSERT_EQ(names.size(), 14u);
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    const auto bytes = read_file(SUITE + name);
    OpenPngCodec codec;
    TxMemFile stream(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    EXPECT_FALSE(codec.Decode(&stream));
    EXPECT_STRNE(codec.GetLastError(), "");
  }
}

}  // namespace
