// The public BMP Suite (good, questionable and bad files) and a few files
// written by ImageMagick, decoded and compared with their reference decodings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "image/bmp_codec.h"
#include "tests/image/bmp_test_util.h"

namespace {

using image_test::decode_bmp;
using image_test::read_file;
using image_test::testdata;
using image_test::top_down_rgb;

enum class Expect { Decode, Refuse, Either };

// Bits per red, green and blue channel of the bit-field files; every other
// file has 8-bit channels.
const std::map<std::string, std::array<int, 3>> CHANNEL_BITS = {
    {"g/rgb16.bmp", {5, 5, 5}},          {"g/rgb16bfdef.bmp", {5, 5, 5}},
    {"g/rgb16-565.bmp", {5, 6, 5}},      {"g/rgb16-565pal.bmp", {5, 6, 5}},
    {"q/rgb16faketrns.bmp", {5, 5, 5}},  {"q/rgba16-5551.bmp", {5, 5, 5}},
    {"q/rgba16-4444.bmp", {4, 4, 4}},    {"q/rgba16-1924.bmp", {1, 9, 2}},
    {"q/rgb16-3103.bmp", {3, 10, 3}},    {"q/rgb32-111110.bmp", {11, 11, 10}},
    {"q/rgb32-7187.bmp", {7, 18, 7}},    {"q/rgba32-1010102.bmp", {10, 10, 10}},
    {"q/rgba32-81284.bmp", {8, 12, 8}},  {"q/rgba32-61754.bmp", {6, 17, 5}},
    {"b/rgb16-880.bmp", {8, 8, 0}},
};

// A channel of n bits, widened by shifting, keeps the top n bits of a
// reference that scales (floor or round); one step of 2^(8-n) is allowed for
// scalers that round differently. Wider channels are cut to their top 8
// bits, within 1 of a rounding scaler.
bool channel_matches(int ours, int reference, int bits) {
  if (bits == 0) return ours == 0;
  if (bits > 8) return std::abs(ours - reference) <= 1;
  const int step = 1 << (8 - bits);
  return (reference & (0xFF << (8 - bits)) & 0xFF) == ours || std::abs(ours - reference) <= step;
}

// Empty when the decoding equals the reference, else the first difference.
std::string compare_with_reference(const TxImage& image, const std::string& name) {
  const std::string base = testdata("bmpsuite/") + name;
  const std::string path = name.rfind("crafted/", 0) == 0 ? testdata(name) : base;
  std::ifstream info(path + ".rgba.txt");
  DWORD width = 0, height = 0;
  info >> width >> height;
  if (image.GetWidth() != width || image.GetHeight() != height) {
    std::ostringstream out;
    out << "size " << image.GetWidth() << "x" << image.GetHeight() << ", reference " << width << "x" << height;
    return out.str();
  }
  const std::vector<BYTE> reference = read_file(path + ".rgba");
  const std::vector<BYTE> ours = top_down_rgb(image);
  if (reference.size() != static_cast<size_t>(width) * height * 4) return "reference size";
  const auto bits = CHANNEL_BITS.count(name) != 0 ? CHANNEL_BITS.at(name) : std::array<int, 3>{8, 8, 8};
  for (size_t pixel = 0; pixel < static_cast<size_t>(width) * height; ++pixel) {
    for (int channel = 0; channel < 3; ++channel) {
      const int mine = ours[pixel * 3 + channel];
      const int theirs = reference[pixel * 4 + channel];
      if (!channel_matches(mine, theirs, bits[channel])) {
        std::ostringstream out;
        out << "pixel " << pixel % width << "," << pixel / width << " channel " << channel << ": " << mine
            << ", reference " << theirs;
        return out.str();
      }
    }
  }
  return "";
}

bool has_reference(const std::string& path) { return std::filesystem::exists(path + ".rgba"); }

void check_file(const std::string& name, const std::string& path, Expect expect) {
  SCOPED_TRACE(name);
  TxBmpCodec codec;
  const bool decoded = decode_bmp(codec, read_file(path));
  if (!decoded) {
    EXPECT_NE(expect, Expect::Decode) << "refused: " << codec.GetLastError();
    EXPECT_STRNE(codec.GetLastError(), "");
    return;
  }
  EXPECT_NE(expect, Expect::Refuse) << "decoded";
  if (has_reference(path)) {
    EXPECT_EQ(compare_with_reference(codec, name), "");
  }
}

std::vector<std::string> bmp_files(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(testdata(folder))) {
    if (entry.path().extension() == ".bmp") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class BmpSuite : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(testdata("bmpsuite/g"))) GTEST_SKIP() << "no test data at " << testdata("");
  }
};

TEST_F(BmpSuite, EveryGoodFileDecodesToItsReference) {
  const std::vector<std::string> names = bmp_files("bmpsuite/g");
  EXPECT_EQ(names.size(), 27u);
  for (const std::string& name : names) {
    ASSERT_TRUE(has_reference(testdata("bmpsuite/g/" + name))) << name;
    check_file("g/" + name, testdata("bmpsuite/g/" + name), Expect::Decode);
  }
}

// What a careful decoder does with each questionable file; files that we
// decode are held to it, so that a change that starts refusing them shows.
const std::map<std::string, Expect> QUESTIONABLE = {
    {"pal1huffmsb.bmp", Expect::Refuse},      // Huffman 1D
    {"pal1p1.bmp", Expect::Decode},
    {"pal2.bmp", Expect::Refuse},             // 2 bits per pixel
    {"pal2color.bmp", Expect::Refuse},
    {"pal4rlecut.bmp", Expect::Decode},
    {"pal4rletrns.bmp", Expect::Decode},
    {"pal8offs.bmp", Expect::Decode},
    {"pal8os2-hs.bmp", Expect::Decode},
    {"pal8os2-sz.bmp", Expect::Decode},
    {"pal8os2sp.bmp", Expect::Decode},
    {"pal8os2v2-16.bmp", Expect::Refuse},     // 16-byte OS/2 header
    {"pal8os2v2-40sz.bmp", Expect::Decode},
    {"pal8os2v2-sz.bmp", Expect::Decode},
    {"pal8os2v2.bmp", Expect::Decode},
    {"pal8oversizepal.bmp", Expect::Decode},  // no reference
    {"pal8rlecut.bmp", Expect::Decode},
    {"pal8rletrns.bmp", Expect::Decode},
    {"rgb16-231.bmp", Expect::Either},        // no reference
    {"rgb16-3103.bmp", Expect::Either},
    {"rgb16faketrns.bmp", Expect::Decode},
    {"rgb24jpeg.bmp", Expect::Refuse},
    {"rgb24largepal.bmp", Expect::Decode},
    {"rgb24lprof.bmp", Expect::Decode},
    {"rgb24png.bmp", Expect::Refuse},
    {"rgb24rle24.bmp", Expect::Refuse},
    {"rgb32-111110.bmp", Expect::Decode},
    {"rgb32-7187.bmp", Expect::Decode},
    {"rgb32-xbgr.bmp", Expect::Decode},
    {"rgb32fakealpha.bmp", Expect::Decode},
    {"rgb32h52.bmp", Expect::Decode},
    {"rgba16-1924.bmp", Expect::Decode},
    {"rgba16-4444.bmp", Expect::Decode},
    {"rgba16-5551.bmp", Expect::Decode},
    {"rgba32-1.bmp", Expect::Decode},
    {"rgba32-1010102.bmp", Expect::Decode},
    {"rgba32-2.bmp", Expect::Decode},
    {"rgba32-61754.bmp", Expect::Either},
    {"rgba32-81284.bmp", Expect::Decode},
    {"rgba32abf.bmp", Expect::Refuse},
    {"rgba32h56.bmp", Expect::Decode},
    {"rgba64.bmp", Expect::Refuse},
};

TEST_F(BmpSuite, QuestionableFilesDecodeToTheirReferenceOrAreRefused) {
  for (const std::string& name : bmp_files("bmpsuite/q")) {
    const auto expect = QUESTIONABLE.find(name);
    ASSERT_NE(expect, QUESTIONABLE.end()) << "no expectation for " << name;
    check_file("q/" + name, testdata("bmpsuite/q/" + name), expect->second);
  }
}

const std::map<std::string, Expect> BAD = {
    {"badbitcount.bmp", Expect::Refuse},   {"badbitssize.bmp", Expect::Decode},
    {"baddens1.bmp", Expect::Decode},      {"baddens2.bmp", Expect::Decode},
    {"badfilesize.bmp", Expect::Decode},   {"badheadersize.bmp", Expect::Refuse},
    {"badpalettesize.bmp", Expect::Refuse}, {"badplanes.bmp", Expect::Either},
    {"badrle.bmp", Expect::Either},        {"badrle4.bmp", Expect::Either},
    {"badrle4bis.bmp", Expect::Either},    {"badrle4ter.bmp", Expect::Either},
    {"badrlebis.bmp", Expect::Either},     {"badrleter.bmp", Expect::Either},
    {"badwidth.bmp", Expect::Refuse},      {"pal8badindex.bmp", Expect::Either},
    {"reallybig.bmp", Expect::Refuse},     {"rgb16-880.bmp", Expect::Either},
    {"rletopdown.bmp", Expect::Either},    {"shortfile.bmp", Expect::Refuse},
};

TEST_F(BmpSuite, BadFilesAreSurvived) {
  for (const std::string& name : bmp_files("bmpsuite/b")) {
    const auto expect = BAD.find(name);
    ASSERT_NE(expect, BAD.end()) << "no expectation for " << name;
    check_file("b/" + name, testdata("bmpsuite/b/" + name), expect->second);
  }
  check_file("x/ba-bm.bmp", testdata("bmpsuite/x/ba-bm.bmp"), Expect::Either);
}

// The 5-5-5 file of this folder is checked in bmp_interop_test.cpp: its
// reference is ImageMagick reading its own mask-less bit fields as black.
TEST_F(BmpSuite, ImageMagickFilesDecodeToTheirReference) {
  for (const std::string& name : bmp_files("crafted/bmp")) {
    if (name == "im_rgb555_33x9.bmp") continue;
    check_file("crafted/bmp/" + name, testdata("crafted/bmp/" + name), Expect::Decode);
  }
}

}  // namespace
