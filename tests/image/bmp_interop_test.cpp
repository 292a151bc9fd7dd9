// BMP files checked against independent implementations: files we write are
// read back by Pillow and ImageMagick, and files ImageMagick writes (made at
// test time) are decoded by us; both sides must see the same pixels.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "image/bmp_codec.h"
#include "tests/image/bmp_test_util.h"
#include "tests/support/scratch_folder.h"

namespace {

using image_test::decode_bmp;
using image_test::encode_bmp;
using image_test::have_pillow;
using image_test::have_tool;
using image_test::read_file;
using image_test::run;
using image_test::top_down_rgb;
using image_test::write_file;

// The standard output of a shell command.
std::vector<BYTE> capture(const std::string& command) {
  std::vector<BYTE> out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  BYTE chunk[4096];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof(chunk), pipe)) > 0) out.insert(out.end(), chunk, chunk + n);
  pclose(pipe);
  return out;
}

// RGB, top row first, of a file as ImageMagick decodes it.
std::vector<BYTE> imagemagick_rgb(const std::string& path) {
  return capture("convert '" + path + "' -depth 8 RGB:- 2>/dev/null");
}

std::vector<BYTE> pillow_rgb(const std::string& path) {
  return capture(std::string(image_test::PYTHON) +
                 " -c 'import sys; from PIL import Image; "
                 "sys.stdout.buffer.write(Image.open(sys.argv[1]).convert(\"RGB\").tobytes())' '" +
                 path + "' 2>/dev/null");
}

class BmpInterop : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.path().empty()); }
  std::string path(const std::string& name) const { return dir_.file(name); }
  ScratchFolder dir_{"tresslin-bmp-interop"};
};

// A 37 × 11 picture with every channel varying, so that masks and channel
// order errors show.
std::string make_source(const std::string& path) {
  run("convert -size 37x11 xc: -channel R -fx 'i/w' -channel G -fx 'j/h' -channel B -fx '(i*j)%7/6' +channel "
      "'" + path + "'");
  return path;
}

// Our images of every depth, with palettes for the indexed ones.
std::vector<TxImage> our_images() {
  std::vector<TxImage> images;
  for (DWORD bpp : {1u, 4u, 8u, 24u}) {
    TxImage image(13, 6, bpp);
    if (bpp == 1) {
      image.SetPaletteColor(0, 20, 40, 60);
      image.SetPaletteColor(1, 250, 200, 150);
    } else if (bpp == 4) {
      image.SetStdPalette();
    } else if (bpp == 8) {
      for (int i = 0; i < 256; ++i) image.SetPaletteColor(static_cast<BYTE>(i), i, 255 - i, (i * 7) & 255);
    }
    for (long y = 0; y < 6; ++y) {
      for (long x = 0; x < 13; ++x) {
        if (bpp < 24) image.SetPixelIndex(x, y, static_cast<BYTE>(x * 5 + y * 17));
        else image.SetPixelColor(x, y, RGB(x * 19, y * 40, (x * y * 13) & 255));
      }
    }
    images.push_back(image);
  }
  return images;
}

TEST_F(BmpInterop, PillowAndImageMagickReadOurFiles) {
  const bool pillow = have_pillow();
  const bool imagemagick = have_tool("convert");
  if (!pillow && !imagemagick) GTEST_SKIP() << "neither Pillow (python3-pil) nor ImageMagick is installed";
  for (TxImage& image : our_images()) {
    const std::string file = path("ours" + std::to_string(image.GetBpp()) + ".bmp");
    write_file(file, encode_bmp(image));
    const std::vector<BYTE> expected = top_down_rgb(image);
    if (pillow) {
      EXPECT_EQ(pillow_rgb(file), expected) << "Pillow, " << image.GetBpp() << " bits";
    }
    if (imagemagick) {
      EXPECT_EQ(imagemagick_rgb(file), expected) << "ImageMagick, " << image.GetBpp() << " bits";
    }
  }
}

// Reverses the row order of an uncompressed file and negates its height: the
// same picture stored top-down.
std::vector<BYTE> to_top_down(std::vector<BYTE> file) {
  const DWORD off_bits = file[10] | (file[11] << 8) | (file[12] << 16) | (file[13] << 24);
  int32_t width = 0, height = 0;
  uint16_t bpp = 0;
  std::memcpy(&width, &file[18], 4);
  std::memcpy(&height, &file[22], 4);
  std::memcpy(&bpp, &file[28], 2);
  const size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
  std::vector<BYTE> rows(file.begin() + off_bits, file.begin() + off_bits + stride * height);
  for (int32_t y = 0; y < height; ++y) {
    std::copy_n(rows.begin() + static_cast<long>(stride) * (height - 1 - y), stride,
                file.begin() + off_bits + static_cast<long>(stride) * y);
  }
  const int32_t negative = -height;
  std::memcpy(&file[22], &negative, 4);
  return file;
}

bool channels_match(const std::vector<BYTE>& ours, const std::vector<BYTE>& reference, const int bits[3]) {
  if (ours.size() != reference.size()) return false;
  for (size_t i = 0; i < ours.size(); ++i) {
    const int n = bits[i % 3];
    // A shifting decoder keeps the top n bits of a scaling one (±1 step).
    if (std::abs(ours[i] - (reference[i] & (0xFF << (8 - n)) & 0xFF)) > (n == 8 ? 0 : 1 << (8 - n))) return false;
  }
  return true;
}

TEST_F(BmpInterop, WeDecodeImageMagickFiles) {
  if (!have_tool("convert")) GTEST_SKIP() << "ImageMagick (convert) is not installed";
  const std::string source = make_source(path("source.png"));
  const struct {
    const char* name;
    const char* options;
    WORD bpp;
    DWORD compression;
    int bits[3];
    bool top_down;
  } cases[] = {
      {"1-bit", "-colors 2 -type Palette BMP3:", 1, 0, {8, 8, 8}, false},
      {"4-bit", "-colors 12 -type Palette BMP3:", 4, 0, {8, 8, 8}, false},
      {"8-bit", "-colors 200 -type Palette -compress None BMP3:", 8, 0, {8, 8, 8}, false},
      {"8-bit RLE", "-colors 200 -type Palette -compress RLE BMP3:", 8, 1, {8, 8, 8}, false},
      {"24-bit", "-type TrueColor BMP3:", 24, 0, {8, 8, 8}, false},
      {"32-bit", "-alpha on -define bmp3:alpha=true BMP3:", 32, 0, {8, 8, 8}, false},
      {"32-bit bit fields", "-alpha on BMP:", 32, 3, {8, 8, 8}, false},
      {"16-bit 5-6-5", "-define bmp:subtype=RGB565 BMP:", 16, 3, {5, 6, 5}, false},
      {"16-bit 5-5-5", "-define bmp:subtype=RGB555 BMP:", 16, 3, {5, 5, 5}, false},
      {"24-bit top-down", "-type TrueColor BMP3:", 24, 0, {8, 8, 8}, true},
      {"8-bit top-down", "-colors 200 -type Palette -compress None BMP3:", 8, 0, {8, 8, 8}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = path(std::string(c.name) + ".bmp");
    std::string options = c.options;
    const size_t split = options.rfind(' ') == std::string::npos ? 0 : options.rfind(' ') + 1;
    ASSERT_TRUE(run("convert '" + source + "' " + options.substr(0, split) + "'" + options.substr(split) + file + "'"));
    std::vector<BYTE> bytes = read_file(file);
    ASSERT_GT(bytes.size(), 54u);
    WORD bpp = 0;
    DWORD compression = 0;
    std::memcpy(&bpp, &bytes[28], 2);
    std::memcpy(&compression, &bytes[30], 4);
    ASSERT_EQ(bpp, c.bpp) << "ImageMagick wrote another depth";
    ASSERT_EQ(compression, c.compression) << "ImageMagick wrote another compression";
    const std::vector<BYTE> reference = imagemagick_rgb(file);
    if (c.top_down) bytes = to_top_down(bytes);
    TxBmpCodec codec;
    ASSERT_TRUE(decode_bmp(codec, bytes)) << codec.GetLastError();
    EXPECT_TRUE(channels_match(top_down_rgb(codec), reference, c.bits));
  }
}

// ImageMagick's BMP3 writer marks 5-5-5 pixels as bit fields without writing
// the masks, and reads the file back black. The stored pixels are 5-5-5; the
// same bytes marked BI_RGB (whose 16-bit layout is 5-5-5) are decoded by
// ImageMagick as the picture we must show.
TEST_F(BmpInterop, BitFieldsWithoutMasksAreTheDefaultLayout) {
  if (!have_tool("convert")) GTEST_SKIP() << "ImageMagick (convert) is not installed";
  const std::string crafted = image_test::testdata("crafted/bmp/im_rgb555_33x9.bmp");
  if (!std::filesystem::exists(crafted)) GTEST_SKIP() << "no test data";
  std::vector<BYTE> bytes = read_file(crafted);
  TxBmpCodec codec;
  ASSERT_TRUE(decode_bmp(codec, bytes)) << codec.GetLastError();
  bytes[30] = 0;  // BI_RGB
  const std::string plain = path("plain555.bmp");
  write_file(plain, bytes);
  const int bits[3] = {5, 5, 5};
  EXPECT_TRUE(channels_match(top_down_rgb(codec), imagemagick_rgb(plain), bits));
}

}  // namespace
