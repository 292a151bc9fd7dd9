#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "image/bmp_codec.h"
#include "tests/image/bmp_test_util.h"

namespace {

using image_test::BmpSpec;
using image_test::build_bmp;
using image_test::decode_bmp;
using image_test::encode_bmp;
using image_test::OpenBmpCodec;
using image_test::top_down_rgb;

DWORD le32_at(const std::vector<BYTE>& bytes, size_t offset) {
  DWORD v = 0;
  std::memcpy(&v, bytes.data() + offset, 4);
  return v;
}

// Takes only the first `room` bytes written to it.
class ShortStream : public TxMemFile {
 public:
  explicit ShortStream(size_t room) : room_(room) { Open(); }
  size_t Write(const void* buffer, size_t size, size_t count) override {
    const size_t bytes = std::min(size * count, room_);
    room_ -= bytes;
    return TxMemFile::Write(buffer, 1, bytes) / size;
  }

 private:
  size_t room_;
};

TEST(BmpEncode, WritesTheFileHeaderAndThePackedDib) {
  const struct {
    DWORD width, height, bpp;
    size_t size;
    DWORD off_bits;
  } cases[] = {{2, 2, 24, 70, 54}, {3, 1, 1, 66, 62}, {5, 2, 4, 14 + 40 + 64 + 8, 118}, {1, 1, 8, 14 + 40 + 1024 + 4, 1078}};
  for (const auto& c : cases) {
    TxImage image(c.width, c.height, c.bpp);
    const std::vector<BYTE> file = encode_bmp(image);
    ASSERT_EQ(file.size(), c.size);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(le32_at(file, 2), c.size);
    EXPECT_EQ(le32_at(file, 10), c.off_bits);
    EXPECT_EQ(le32_at(file, 14), 40u);
    EXPECT_EQ(le32_at(file, 34), image.GetEffWidth() * c.height);  // biSizeImage
  }
}

TEST(BmpEncode, RefusesNullStreamsEmptyImagesAndShortWrites) {
  TxImage image(2, 2, 24);
  OpenBmpCodec codec;
  codec.Ghost(&image);
  EXPECT_FALSE(codec.Encode(nullptr));
  EXPECT_STREQ(codec.GetLastError(), "null file handler");
  OpenBmpCodec empty;
  TxMemFile stream;
  stream.Open();
  EXPECT_FALSE(empty.Encode(&stream));
  EXPECT_STREQ(empty.GetLastError(), "null image!!!");
  for (size_t room : {0, 10, 14, 69}) {
    ShortStream short_stream(room);
    EXPECT_FALSE(codec.Encode(&short_stream)) << room;
    EXPECT_STREQ(codec.GetLastError(), "BMP write error");
  }
}

TEST(BmpEncode, RoundTripsEveryDepthWithResolution) {
  for (DWORD bpp : {1u, 4u, 8u, 24u}) {
    TxImage image(7, 5, bpp);
    if (bpp < 24) image.SetStdPalette();
    if (bpp == 1) image.SetPaletteColor(1, 255, 0, 0);
    for (long y = 0; y < 5; ++y)
      for (long x = 0; x < 7; ++x) {
        if (bpp < 24) image.SetPixelIndex(x, y, static_cast<BYTE>(x + 3 * y));
        else image.SetPixelColor(x, y, RGB(x * 30, y * 40, 77));
      }
    image.SetXDPI(300);
    TxBmpCodec decoded;
    ASSERT_TRUE(decode_bmp(decoded, encode_bmp(image))) << decoded.GetLastError();
    EXPECT_EQ(decoded.GetBpp(), bpp);
    EXPECT_EQ(top_down_rgb(decoded), top_down_rgb(image)) << bpp;
    EXPECT_EQ(decoded.GetXDPI(), 300);
    EXPECT_EQ(decoded.GetType(), static_cast<DWORD>(FORMAT_BMP));
  }
}

TEST(BmpDecode, HeaderlessDibTopDownAndDimensionsOnly) {
  BmpSpec spec;
  spec.width = 1;
  spec.height = -2;
  spec.pixels = {1, 2, 3, 0, 4, 5, 6, 0};  // first stored row: (blue 1, green 2, red 3)
  for (bool file_header : {true, false}) {
    spec.file_header = file_header;
    TxBmpCodec codec;
    ASSERT_TRUE(decode_bmp(codec, build_bmp(spec))) << codec.GetLastError();
    EXPECT_EQ(codec.GetHeight(), 2u);
    EXPECT_EQ(TxImage::RGBQUADtoRGB(codec.GetPixelColor(0, 1)), RGB(3, 2, 1));  // top row
    EXPECT_EQ(TxImage::RGBQUADtoRGB(codec.GetPixelColor(0, 0)), RGB(6, 5, 4));
  }
  OpenBmpCodec probe;
  probe.SetEscape(-1);
  ASSERT_TRUE(decode_bmp(probe, build_bmp(spec)));
  EXPECT_STREQ(probe.GetLastError(), "output dimensions returned");
  EXPECT_EQ(probe.GetWidth(), 1u);
  EXPECT_EQ(probe.GetHeight(), 2u);
  EXPECT_FALSE(probe.IsValid());
  TxBmpCodec cancelled;
  cancelled.SetEscape(1);
  EXPECT_FALSE(decode_bmp(cancelled, build_bmp(spec)));
  EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");
}

TEST(BmpDecode, ResolutionFromTheFile) {
  const struct {
    long ppm;
    long dpi;
  } cases[] = {{3780, 96}, {0, 0}, {11811, 300}, {-3780, -96}, {0x7FFFFFFF, 54546085}};
  for (const auto& c : cases) {
    BmpSpec spec;
    spec.x_ppm = c.ppm;
    spec.pixels = {0, 0, 0, 0};
    TxBmpCodec codec;
    ASSERT_TRUE(decode_bmp(codec, build_bmp(spec)));
    EXPECT_EQ(codec.GetXDPI(), c.dpi) << c.ppm;
  }
}

TEST(BmpDecode, SixteenAndThirtyTwoBitPixelsThroughMasks) {
  const struct {
    const char* name;
    unsigned long header_size, bpp, compression;
    std::vector<unsigned long> masks;
    std::vector<BYTE> pixel;  // one pixel, padded to 4 bytes
    COLORREF colour;
  } cases[] = {
      {"5-5-5 by default", 40, 16, 0, {}, {0xFF, 0x7F, 0, 0}, RGB(0xF8, 0xF8, 0xF8)},
      {"5-5-5 red", 40, 16, 0, {}, {0x00, 0x7C, 0, 0}, RGB(0xF8, 0, 0)},
      {"5-6-5", 40, 16, 3, {0xF800, 0x07E0, 0x001F}, {0xE0, 0x07, 0, 0}, RGB(0, 0xFC, 0)},
      {"8-8-0 empty blue", 40, 16, 3, {0xFF00, 0x00FF, 0}, {0x12, 0x34, 0, 0}, RGB(0x34, 0x12, 0)},
      {"4-4-4", 124, 16, 3, {0x0F00, 0x00F0, 0x000F}, {0x5A, 0x0F, 0, 0}, RGB(0xF0, 0x50, 0xA0)},
      {"1-bit channels", 56, 16, 3, {0x4, 0x2, 0x1}, {0x05, 0, 0, 0}, RGB(0x80, 0, 0x80)},
      {"32 bytes", 40, 32, 0, {}, {10, 20, 30, 99}, RGB(30, 20, 10)},
      {"32 default masks", 40, 32, 3, {0xFF0000, 0xFF00, 0xFF}, {10, 20, 30, 99}, RGB(30, 20, 10)},
      {"32 high bytes", 108, 32, 3, {0xFF000000, 0xFF0000, 0xFF00}, {99, 10, 20, 30}, RGB(30, 20, 10)},
      {"32 in 52-byte header", 52, 32, 3, {0xFF, 0xFF00, 0xFF0000}, {10, 20, 30, 0}, RGB(10, 20, 30)},
      {"10-10-10", 40, 32, 3, {0x3FF00000, 0xFFC00, 0x3FF}, {0xFF, 0x03, 0xF0, 0x3F}, RGB(0xFF, 0, 0xFF)},
  };
  for (const auto& c : cases) {
    BmpSpec spec;
    spec.header_size = c.header_size;
    spec.bpp = c.bpp;
    spec.compression = c.compression;
    spec.masks = c.masks;
    spec.pixels = c.pixel;
    TxBmpCodec codec;
    ASSERT_TRUE(decode_bmp(codec, build_bmp(spec))) << c.name << ": " << codec.GetLastError();
    EXPECT_EQ(codec.GetBpp(), 24) << c.name;
    EXPECT_FALSE(codec.AlphaIsValid()) << c.name;
    EXPECT_EQ(TxImage::RGBQUADtoRGB(codec.GetPixelColor(0, 0)), c.colour) << c.name;
  }
}

TEST(BmpDecode, PalettesCoreHeadersAndOversizedTables) {
  // A core header with three-byte entries.
  BmpSpec core;
  core.header_size = 12;
  core.bpp = 1;
  core.width = 2;
  core.palette = {0, 0, 0, 255, 128, 0};
  core.pixels = {0x40, 0, 0, 0};
  TxBmpCodec codec;
  ASSERT_TRUE(decode_bmp(codec, build_bmp(core))) << codec.GetLastError();
  EXPECT_EQ(TxImage::RGBQUADtoRGB(codec.GetPixelColor(1, 0)), RGB(0, 128, 255));
  EXPECT_EQ(codec.GetPaletteColor(1).rgbReserved, 0);

  // Four entries declared for a 1-bit headerless DIB: two read, two skipped.
  BmpSpec oversized;
  oversized.file_header = false;
  oversized.bpp = 1;
  oversized.width = 2;
  oversized.colours_used = 4;
  oversized.palette = {0, 0, 0, 7, 1, 2, 3, 7, 9, 9, 9, 0, 9, 9, 9, 0};
  oversized.pixels = {0x40, 0, 0, 0};
  TxBmpCodec skipped;
  ASSERT_TRUE(decode_bmp(skipped, build_bmp(oversized))) << skipped.GetLastError();
  EXPECT_EQ(TxImage::RGBQUADtoRGB(skipped.GetPixelColor(1, 0)), RGB(3, 2, 1));
  EXPECT_EQ(skipped.GetPixelIndex(0, 0), 0);

  // A headerless 24-bit DIB with a colour table and a 40-byte header with masks.
  BmpSpec true_colour;
  true_colour.file_header = false;
  true_colour.bpp = 16;
  true_colour.compression = 3;
  true_colour.masks = {0xF800, 0x07E0, 0x001F};
  true_colour.colours_used = 2;
  true_colour.palette = {1, 1, 1, 0, 2, 2, 2, 0};
  true_colour.pixels = {0x1F, 0x00, 0, 0};
  TxBmpCodec table;
  ASSERT_TRUE(decode_bmp(table, build_bmp(true_colour))) << table.GetLastError();
  EXPECT_EQ(TxImage::RGBQUADtoRGB(table.GetPixelColor(0, 0)), RGB(0, 0, 0xF8));

  // An 8-bit file with fewer entries than 256: the rest stay black.
  BmpSpec few;
  few.bpp = 8;
  few.colours_used = 1;
  few.palette = {5, 6, 7, 0};
  few.pixels = {200, 0, 0, 0};
  TxBmpCodec partial;
  ASSERT_TRUE(decode_bmp(partial, build_bmp(few)));
  EXPECT_EQ(TxImage::RGBQUADtoRGB(partial.GetPixelColor(0, 0)), RGB(0, 0, 0));
  EXPECT_EQ(partial.GetPaletteColor(0).rgbRed, 7);
}

TEST(BmpDecode, NeverReadsMoreThanItsOwnRows) {
  BmpSpec spec;
  spec.bpp = 8;
  spec.width = 3;
  spec.height = 2;
  spec.size_image = 0xFFFFFFF0;
  spec.palette = std::vector<BYTE>(1024, 0);
  spec.pixels = {1, 2, 3, 0, 4, 5, 6, 0, 0xEE, 0xEE, 0xEE, 0xEE};
  TxBmpCodec codec;
  ASSERT_TRUE(decode_bmp(codec, build_bmp(spec)));
  EXPECT_EQ(codec.GetPixelIndex(2, 1), 6);

}

TEST(BmpDecode, RefusesTruncatedPixelData) {
  const struct {
    const char* name;
    unsigned bpp;
    size_t bytes;  // of 2 rows of 3 pixels
    bool accepted;
  } cases[] = {
      {"8 bits, whole", 8, 8, true},
      {"8 bits, last padding missing", 8, 7, true},
      {"8 bits, last pixel missing", 8, 6, false},
      {"8 bits, no rows", 8, 0, false},
      {"24 bits, last padding missing", 24, 21, true},
      {"24 bits, cut in the first row", 24, 5, false},
      {"16 bits, last padding missing", 16, 14, true},
      {"16 bits, cut in the last row", 16, 13, false},
      {"32 bits, cut in the first row", 32, 11, false},
  };
  for (const auto& c : cases) {
    BmpSpec spec;
    spec.bpp = c.bpp;
    spec.width = 3;
    spec.height = 2;
    spec.pixels = std::vector<BYTE>(c.bytes, 7);
    TxBmpCodec codec;
    EXPECT_EQ(decode_bmp(codec, build_bmp(spec)), c.accepted) << c.name;
    if (!c.accepted) {
      EXPECT_STREQ(codec.GetLastError(), "BMP pixel data truncated") << c.name;
    }
  }
  // Pixels behind an offset past the end of the file are missing too.
  BmpSpec spec;
  spec.pixels = {1, 2, 3, 0};
  std::vector<BYTE> bytes = build_bmp(spec);
  bytes[11] = 0x13;  // bfOffBits 0x1336
  TxBmpCodec codec;
  EXPECT_FALSE(decode_bmp(codec, bytes));
  EXPECT_STREQ(codec.GetLastError(), "BMP pixel data truncated");
}

TEST(BmpDecode, RefusesHeadersItCannotHold) {
  const struct {
    const char* name;
    BmpSpec spec;
  } cases[] = {
      {"2 bits", {.bpp = 2}},
      {"30000 bits", {.bpp = 30000}},
      {"0 bits", {.bpp = 0}},
      {"width 0", {.width = 0}},
      {"negative width", {.width = -5}},
      {"height 0", {.height = 0}},
      {"height INT_MIN", {.height = INT_MIN}},
      {"16-byte header", {.header_size = 16}},
      {"39-byte header", {.header_size = 39}},
      {"66-byte header, RLE", {.header_size = 66, .bpp = 8, .compression = 1}},
      {"66-byte header, wrong size", {.header_size = 66, .size_image = 5}},
      {"palette beyond the file", {.bpp = 8, .colours_used = 305402420}},
      {"table beyond the file", {.bpp = 24, .colours_used = 0x40000000}},
      {"zero masks", {.bpp = 32, .compression = 3, .masks = {0, 0, 0}}},
      {"zero masks in a V5 header", {.header_size = 124, .bpp = 16, .compression = 3, .masks = {0, 0, 0}}},
      {"masks cut off", {.bpp = 16, .compression = 3, .masks = {0xF800}, .off_bits = 0}},
  };
  for (const auto& c : cases) {
    TxBmpCodec codec;
    EXPECT_FALSE(decode_bmp(codec, build_bmp(c.spec))) << c.name;
    EXPECT_STREQ(codec.GetLastError(), "Error reading BMP info") << c.name;
  }
  // A larger header that plainly describes uncompressed rows is accepted.
  BmpSpec larger;
  larger.header_size = 66;
  larger.size_image = 4;
  larger.pixels = {1, 2, 3, 0};
  TxBmpCodec accepted;
  EXPECT_TRUE(decode_bmp(accepted, build_bmp(larger))) << accepted.GetLastError();
}

TEST(BmpDecode, RefusesOtherFailuresWithTheirMessages) {
  const struct {
    const char* name;
    std::vector<BYTE> bytes;
    const char* message;
  } cases[] = {
      {"empty", {}, "Not a BMP"},
      {"13 bytes", std::vector<BYTE>(13, 'B'), "Not a BMP"},
      {"8-bit bit fields", build_bmp({.bpp = 8, .compression = 3}), "compression type not supported"},
      {"24-bit RLE", build_bmp({.bpp = 24, .compression = 1}), "unknown compression"},
      {"32-bit alpha bit fields", build_bmp({.bpp = 32, .compression = 6}), "unknown compression"},
      {"huge", build_bmp({.width = 3000000, .height = 2000000}), "Can't allocate memory"},
  };
  for (const auto& c : cases) {
    TxBmpCodec codec;
    EXPECT_FALSE(decode_bmp(codec, c.bytes)) << c.name;
    EXPECT_STREQ(codec.GetLastError(), c.message) << c.name;
  }
  TxBmpCodec codec;
  EXPECT_FALSE(codec.Decode(nullptr));
}

// Decodes RLE data for an 8- or 4-bit image of the given size.
TxBmpCodec decode_rle(unsigned bpp, long width, long height, std::vector<BYTE> data, bool top_down = false) {
  BmpSpec spec;
  spec.bpp = bpp;
  spec.compression = bpp == 8 ? 1 : 2;
  spec.width = width;
  spec.height = top_down ? -height : height;
  spec.palette = std::vector<BYTE>(4u << bpp, 0);
  spec.pixels = std::move(data);
  TxBmpCodec codec;
  EXPECT_TRUE(decode_bmp(codec, build_bmp(spec))) << codec.GetLastError();
  return codec;
}

std::vector<int> row_indices(const TxImage& image, long y) {
  std::vector<int> row;
  for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) row.push_back(image.GetPixelIndex(x, y));
  return row;
}

TEST(BmpDecode, Rle8RunsLiteralsDeltasAndEnds) {
  const struct {
    const char* name;
    long width, height;
    std::vector<BYTE> data;
    std::vector<std::vector<int>> rows;  // from the bottom
  } cases[] = {
      {"runs and end of line", 4, 2, {3, 5, 0, 0, 2, 7, 0, 1}, {{5, 5, 5, 0}, {7, 7, 0, 0}}},
      {"a full row continues", 4, 2, {4, 1, 0, 0, 4, 2, 0, 1}, {{1, 1, 1, 1}, {2, 2, 2, 2}}},
      {"literal with padding", 4, 2, {0, 3, 7, 8, 9, 0, 0, 0, 1, 4, 0, 1}, {{7, 8, 9, 0}, {4, 0, 0, 0}}},
      {"delta", 4, 3, {0, 2, 1, 2, 2, 6, 0, 1}, {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 6, 6, 0}}},
      {"run past the row is cut", 4, 2, {9, 3, 0, 0, 1, 4}, {{3, 3, 3, 3}, {4, 0, 0, 0}}},
      {"literal past the row is cut", 2, 1, {0, 5, 1, 2, 3, 4, 5, 0}, {{1, 2}}},
      {"delta past the image", 4, 2, {0, 2, 0, 9, 5, 5, 1, 1}, {{0, 0, 0, 0}, {0, 0, 0, 0}}},
      {"end of stream keeps the rows", 4, 2, {2, 9, 0, 0, 3, 8}, {{9, 9, 0, 0}, {8, 8, 8, 0}}},
      {"stream ends inside a literal", 4, 1, {0, 4, 1, 2}, {{1, 2, 0, 0}}},
      {"end of bitmap stops", 4, 2, {1, 1, 0, 1, 0, 0, 1, 2}, {{1, 0, 0, 0}, {0, 0, 0, 0}}},
  };
  for (const auto& c : cases) {
    const TxBmpCodec image = decode_rle(8, c.width, c.height, c.data);
    for (size_t y = 0; y < c.rows.size(); ++y) EXPECT_EQ(row_indices(image, static_cast<long>(y)), c.rows[y]) << c.name << " row " << y;
  }
  const TxBmpCodec top_down = decode_rle(8, 2, 2, {2, 1, 0, 0, 2, 2, 0, 1}, true);
  EXPECT_EQ(row_indices(top_down, 1), (std::vector<int>{1, 1}));
}

TEST(BmpDecode, Rle4Nibbles) {
  const struct {
    const char* name;
    long width, height;
    std::vector<BYTE> data;
    std::vector<std::vector<int>> rows;
  } cases[] = {
      {"alternating run", 5, 1, {5, 0x12, 0, 1}, {{1, 2, 1, 2, 1}}},
      {"literal and padding", 5, 2, {0, 3, 0x34, 0x50, 0, 0, 2, 0xAB}, {{3, 4, 5, 0, 0}, {10, 11, 0, 0, 0}}},
      {"odd byte count padded", 8, 1, {0, 5, 0x12, 0x34, 0x50, 0, 1, 0xFF}, {{1, 2, 3, 4, 5, 15, 0, 0}}},
      {"delta then run", 4, 2, {0, 2, 2, 1, 2, 0x77}, {{0, 0, 0, 0}, {0, 0, 7, 7}}},
      {"run past the row is cut", 3, 2, {200, 0x11, 0, 0, 1, 0x20}, {{1, 1, 1}, {2, 0, 0}}},
  };
  for (const auto& c : cases) {
    const TxBmpCodec image = decode_rle(4, c.width, c.height, c.data);
    for (size_t y = 0; y < c.rows.size(); ++y) EXPECT_EQ(row_indices(image, static_cast<long>(y)), c.rows[y]) << c.name << " row " << y;
  }
}

}  // namespace

namespace {

struct WideningImage : TxImage {
  using TxImage::TxImage;
  using TxImage::Bitfield2RGB;
};

TEST(Bitfield2RGB, WidensSixteenBitRowsInPlace) {
  WideningImage image(3, 2, 24);
  // Rows of ((3 + 1) / 2) × 4 = 8 bytes of 5-5-5 words, packed at the start of
  // the image's own rows: bottom row red, green, blue; top row white, black, grey.
  const WORD words[2][4] = {{0x7C00, 0x03E0, 0x001F, 0}, {0x7FFF, 0x0000, 0x4210, 0}};
  std::memcpy(image.GetBits(0), words, sizeof(words));
  image.Bitfield2RGB(image.GetBits(0), 0x7C00, 0x03E0, 0x001F, 16);
  const COLORREF expected[2][3] = {{RGB(0xF8, 0, 0), RGB(0, 0xF8, 0), RGB(0, 0, 0xF8)},
                                   {RGB(0xF8, 0xF8, 0xF8), RGB(0, 0, 0), RGB(0x80, 0x80, 0x80)}};
  for (long y = 0; y < 2; ++y) {
    for (long x = 0; x < 3; ++x) EXPECT_EQ(TxImage::RGBQUADtoRGB(image.GetPixelColor(x, y)), expected[y][x]) << x << "," << y;
  }
  WideningImage indexed(3, 2, 8);
  indexed.Bitfield2RGB(indexed.GetBits(0), 0x7C00, 0x03E0, 0x001F, 16);  // not a 24-bit image: nothing
  EXPECT_EQ(indexed.GetPixelIndex(0, 0), 0);
}

}  // namespace
