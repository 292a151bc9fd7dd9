#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "image/bmp_codec.h"
#include "tests/image/codec_test_util.h"

namespace {

using codec_test::be32;
using codec_test::build_png;
using codec_test::encode_png;
using codec_test::expected_rgba;
using codec_test::fill_pattern;
using codec_test::find_chunk;
using codec_test::LimitedStream;
using codec_test::OpenPngCodec;
using codec_test::png_chunks;
using codec_test::PngChunk;
using codec_test::ScratchDir;
using codec_test::write_file;

bool decode_png(OpenPngCodec& codec, const std::vector<BYTE>& bytes) {
  TxMemFile stream(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
  return codec.Decode(&stream);
}

// Each kind of image the encoder writes, with what a reader must see.
struct EncodeCase {
  const char* name;
  std::function<void(TxImage&)> make;
};

const EncodeCase encode_cases[] = {
    {"1-bit palette", [](TxImage& im) { im.Create(37, 23, 1); fill_pattern(im, 1); }},
    {"4-bit palette", [](TxImage& im) { im.Create(29, 17, 4); fill_pattern(im, 2); }},
    {"8-bit palette", [](TxImage& im) { im.Create(300, 250, 8); fill_pattern(im, 3); }},
    {"8-bit palette, transparent index",
     [](TxImage& im) {
       im.Create(31, 19, 8);
       fill_pattern(im, 4);
       im.SetTransIndex(7);
     }},
    {"8-bit alpha palette",
     [](TxImage& im) {
       im.Create(33, 21, 8);
       fill_pattern(im, 5);
       for (int i = 0; i < 256; ++i) im.GetPalette()[i].rgbReserved = static_cast<BYTE>(i * 7);
       im.AlphaPaletteEnable(true);
     }},
    {"24-bit", [](TxImage& im) { im.Create(41, 27, 24); fill_pattern(im, 6); }},
    {"24-bit with alpha",
     [](TxImage& im) {
       im.Create(43, 25, 24);
       fill_pattern(im, 7);
       im.AlphaCreate();
       for (long y = 0; y < 25; ++y) {
         for (long x = 0; x < 43; ++x) im.AlphaSet(x, y, static_cast<BYTE>(x * 5 + y * 3));
       }
     }},
    {"24-bit, transparent colour",
     [](TxImage& im) {
       im.Create(20, 20, 24);
       fill_pattern(im, 8, 7);
       im.SetTransIndex(0);
       im.SetTransColor(im.GetPixelColor(3, 3, false));
     }},
    {"1-bit interlaced",
     [](TxImage& im) {
       im.Create(35, 29, 1);
       fill_pattern(im, 9);
       im.SetCodecOption(1, FORMAT_PNG);
     }},
    {"24-bit with alpha, interlaced",
     [](TxImage& im) {
       im.Create(45, 31, 24);
       fill_pattern(im, 10);
       im.AlphaCreate();
       for (long y = 0; y < 31; ++y) {
         for (long x = 0; x < 45; ++x) im.AlphaSet(x, y, static_cast<BYTE>((x * y) & 0xFF));
       }
       im.SetCodecOption(1, FORMAT_PNG);
     }},
};

// The RGBA a reader sees of a 24-bit image with a transparent colour:
// alpha 0 exactly where a pixel has that colour.
std::vector<BYTE> with_transparent_colour(const TxImage& image) {
  auto rgba = expected_rgba(image);
  const RGBQUAD t = image.GetTransColor();
  for (size_t i = 0; i < rgba.size(); i += 4) {
    if (rgba[i] == t.rgbRed && rgba[i + 1] == t.rgbGreen && rgba[i + 2] == t.rgbBlue) rgba[i + 3] = 0;
  }
  return rgba;
}

TEST(PngEncode, FilesPassPngcheckAndDecodeElsewhereToOurPixels) {
  const bool pngcheck = codec_test::have_tool("pngcheck");
  const bool pillow = image_test::have_pillow();
  REQUIRE_TOOL(pngcheck && pillow, "pngcheck or Pillow");
  ScratchDir dir;
  for (const auto& c : encode_cases) {
    SCOPED_TRACE(c.name);
    TxImage image;
    c.make(image);
    const bool transparent_colour = image.GetBpp() == 24 && image.IsTransparent();
    const auto expected = transparent_colour ? with_transparent_colour(image) : expected_rgba(image);
    const std::string path = dir.file("case.png");
    write_file(path, encode_png(image));

    EXPECT_TRUE(codec_test::run("pngcheck -q '" + path + "'"));
    EXPECT_EQ(codec_test::pillow_rgba(path), expected);

    OpenPngCodec decoded;
    ASSERT_TRUE(decode_png(decoded, image_test::read_file(path))) << decoded.GetLastError();
    EXPECT_EQ(expected_rgba(decoded), expected);
    EXPECT_EQ(decoded.GetCodecOption(FORMAT_PNG), image.GetCodecOption(FORMAT_PNG));
    EXPECT_EQ(decoded.GetBpp(), transparent_colour ? 24 : image.GetBpp());
  }
}

TEST(PngEncode, MainRoadPictureIsPlainRgbWithWhiteBackgroundAndResolution) {
  TxImage image(5, 2, 24);
  image.SetPixelColor(0, 1, RGB(10, 20, 30));
  const auto chunks = png_chunks(encode_png(image));
  std::vector<std::string> types;
  for (const auto& chunk : chunks) types.push_back(chunk.type);
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "bKGD", "pHYs", "IDAT", "IEND"}));
  const auto& ihdr = chunks[0].data;
  EXPECT_EQ(be32(&ihdr[0]), 5u);
  EXPECT_EQ(be32(&ihdr[4]), 2u);
  EXPECT_EQ(ihdr[8], 8);   // bit depth
  EXPECT_EQ(ihdr[9], 2);   // RGB
  EXPECT_EQ(ihdr[12], 0);  // not interlaced
  EXPECT_EQ(find_chunk(chunks, "bKGD")->data, (std::vector<BYTE>{0, 255, 0, 255, 0, 255}));
  EXPECT_EQ(find_chunk(chunks, "pHYs")->data, (std::vector<BYTE>{0, 0, 0x0E, 0xC4, 0, 0, 0x0E, 0xC4, 1}));
}

TEST(PngEncode, TransparentColourBecomesAlphaForTheWriteOnly) {
  TxImage image(4, 1, 24);
  image.Clear(0xFF);
  image.SetPixelColor(1, 0, RGB(1, 2, 3));
  image.SetTransIndex(0);
  image.SetTransColor(RGBQUAD{255, 255, 255, 0});
  const auto bytes = encode_png(image);
  EXPECT_EQ(find_chunk(png_chunks(bytes), "IHDR")->data[9], 6);  // RGBA
  EXPECT_FALSE(image.AlphaIsValid());
  OpenPngCodec decoded;
  ASSERT_TRUE(decode_png(decoded, bytes));
  EXPECT_EQ(expected_rgba(decoded), (std::vector<BYTE>{255, 255, 255, 0, 1, 2, 3, 255, 255, 255, 255, 0,
                                                       255, 255, 255, 0}));
}

TEST(PngEncode, SmallPalettesAreCutToTheIndicesUsed) {
  const struct {
    DWORD side;
    size_t palette_bytes;
  } cases[] = {{100, 30}, {300, 768}};
  for (const auto& c : cases) {
    TxImage image(c.side, c.side, 8);
    for (DWORD y = 0; y < c.side; ++y) {
      for (DWORD x = 0; x < c.side; ++x) image.SetPixelIndex(x, y, static_cast<BYTE>((x + y) % 10));
    }
    EXPECT_EQ(find_chunk(png_chunks(encode_png(image)), "PLTE")->data.size(), c.palette_bytes);
  }
}

TEST(PngEncode, TransparentIndexMovesToZeroInTheCallersImage) {
  TxImage image(6, 1, 4);
  fill_pattern(image, 11);
  for (long x = 0; x < 6; ++x) image.SetPixelIndex(x, 0, static_cast<BYTE>(x));
  const RGBQUAD entry0 = image.GetPaletteColor(0);
  const RGBQUAD entry5 = image.GetPaletteColor(5);
  image.SetTransIndex(5);
  const auto chunks = png_chunks(encode_png(image));
  EXPECT_EQ(image.GetTransIndex(), 0);
  EXPECT_EQ(std::memcmp(&image.GetPalette()[0], &entry5, 4), 0);
  EXPECT_EQ(std::memcmp(&image.GetPalette()[5], &entry0, 4), 0);
  EXPECT_EQ(image.GetPixelIndex(0, 0), 5);
  EXPECT_EQ(image.GetPixelIndex(5, 0), 0);
  ASSERT_NE(find_chunk(chunks, "tRNS"), nullptr);
  EXPECT_EQ(find_chunk(chunks, "tRNS")->data, std::vector<BYTE>{0});
}

TEST(PngEncode, TransparentIndexOutsideThePaletteMeansNoTransparency) {
  const struct {
    DWORD bpp;
    long index;
  } cases[] = {{1, 2}, {4, 16}, {4, -2}, {8, 300}};
  for (const auto& c : cases) {
    TxImage image(3, 1, c.bpp);
    fill_pattern(image, 12);
    image.SetPixelIndex(0, 0, 0);
    const RGBQUAD entry0 = image.GetPaletteColor(0);
    image.SetTransIndex(c.index);
    const auto chunks = png_chunks(encode_png(image));
    EXPECT_EQ(find_chunk(chunks, "tRNS"), nullptr) << c.bpp << " " << c.index;
    EXPECT_EQ(image.GetTransIndex(), c.index);
    EXPECT_EQ(std::memcmp(&image.GetPalette()[0], &entry0, 4), 0);
  }
}

TEST(PngDecode, FileKindsBecomeTheImagesTheyShould) {
  const struct {
    const char* file;
    WORD bpp;
    bool alpha;
    long trans_index;
    bool alpha_palette;
    long dpi;
  } cases[] = {
      {"basn2c16.png", 24, false, -1, false, 96},  // 16-bit RGB
      {"basn0g02.png", 4, false, -1, false, 96},   // 2-bit grey
      {"basn6a08.png", 24, true, -1, false, 96},   // 8-bit RGBA
      {"basn4a16.png", 24, true, -1, false, 96},   // 16-bit grey with alpha
      {"basn4a08.png", 8, false, -1, false, 96},   // 8-bit grey with alpha: composed
      {"tm3n3p02.png", 4, false, -1, true, 96},    // palette, several transparency values
      {"tbbn3p08.png", 8, false, 0, false, 96},    // palette, one transparent entry
      {"cdun2c08.png", 24, false, -1, false, 25},  // 1000 pixels per metre
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    OpenPngCodec codec;
    ASSERT_TRUE(decode_png(codec, image_test::read_file(image_test::testdata(std::string("pngsuite/") + c.file))));
    EXPECT_EQ(codec.GetBpp(), c.bpp);
    EXPECT_EQ(codec.AlphaIsValid(), c.alpha);
    EXPECT_EQ(codec.GetTransIndex(), c.trans_index);
    EXPECT_EQ(codec.AlphaPaletteIsEnabled(), c.alpha_palette);
    EXPECT_EQ(codec.GetXDPI(), c.dpi);
  }
  OpenPngCodec grey2;
  ASSERT_TRUE(decode_png(grey2, image_test::read_file(image_test::testdata("pngsuite/basn0g02.png"))));
  for (BYTE i = 0; i < 4; ++i) EXPECT_EQ(grey2.GetPaletteColor(i).rgbRed, i * 85);
}

// A valid signature and header for a picture of the given size, then an
// image data chunk that is never reached.
std::vector<BYTE> header_only_png(unsigned long width, unsigned long height) {
  std::vector<BYTE> ihdr;
  for (unsigned long v : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) ihdr.push_back(static_cast<BYTE>(v >> shift));
  }
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
  return build_png({{"IHDR", ihdr}, {"IDAT", {0x78, 0x9C}}, {"IEND", {}}});
}

TEST(PngDecode, FailuresReturnFalseWithTheirMessage) {
  TxImage source(64, 64, 24);
  fill_pattern(source, 13);
  const auto good = encode_png(source);
  const std::vector<BYTE> truncated(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
  const struct {
    const char* name;
    std::vector<BYTE> bytes;
    const char* message;
  } cases[] = {
      {"stream ends inside the image data", truncated, "Read Error"},
      {"picture beyond the memory limit", header_only_png(100000, 100000), "TXIMAGE_MAX_MEMORY exceeded"},
      {"not a PNG file", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0}, "Not a PNG file"},
  };
  for (const auto& c : cases) {
    OpenPngCodec codec;
    EXPECT_FALSE(decode_png(codec, c.bytes)) << c.name;
    EXPECT_STREQ(codec.GetLastError(), c.message) << c.name;
  }
}

TEST(PngDecode, EscapeCancelsAndKeepsTheMessage) {
  TxImage source(8, 8, 24);
  const auto bytes = encode_png(source);
  OpenPngCodec codec;
  codec.SetEscape(1);
  std::strcpy(codec.Info.LastError, "before");
  EXPECT_FALSE(decode_png(codec, bytes));
  EXPECT_STREQ(codec.GetLastError(), "before");
}

TEST(PngEncode, FailuresReturnFalseWithTheirMessage) {
  OpenPngCodec empty;
  TxMemFile sink;
  sink.Open();
  EXPECT_FALSE(empty.Encode(&sink));
  EXPECT_STREQ(empty.GetLastError(), "null image!!!");
  EXPECT_FALSE(empty.Encode(nullptr));
  EXPECT_STREQ(empty.GetLastError(), "null file handler");

  // A full disk part way through, for a picture whose transparent colour
  // needs an alpha plane made for the write: the plane goes with the rest.
  for (size_t limit : {0, 40, 200}) {
    TxImage image(64, 64, 24);
    fill_pattern(image, 14);
    image.SetTransIndex(0);
    OpenPngCodec codec;
    codec.Ghost(&image);
    LimitedStream stream(limit);
    EXPECT_FALSE(codec.Encode(&stream)) << limit;
    EXPECT_STREQ(codec.GetLastError(), "Error saving PNG file");
    EXPECT_FALSE(codec.AlphaIsValid());
    EXPECT_FALSE(image.AlphaIsValid());
  }
}

}  // namespace

namespace {

TEST(PngEncode, NegativeResolutionFromABmpIsWrittenAsZero) {
  TxBmpCodec bmp;
  ASSERT_TRUE(image_test::decode_bmp(
      bmp, image_test::build_bmp({.width = 2, .height = 1, .x_ppm = -5000, .y_ppm = 2000,
                                  .masks = {}, .palette = {}, .pixels = std::vector<BYTE>(8, 0)})));
  const auto chunks = png_chunks(encode_png(bmp));
  EXPECT_EQ(find_chunk(chunks, "pHYs")->data, (std::vector<BYTE>{0, 0, 0, 0, 0, 0, 0x07, 0xD0, 1}));
}

}  // namespace
