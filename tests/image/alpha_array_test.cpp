#include <gtest/gtest.h>

#include <vector>

#include "image/tximage.h"
#include "tests/image/bmp_test_util.h"

namespace {

using image_test::OpenImage;

TEST(Alpha, PlaneLifecycleAndBounds) {
  TxImage image(3, 2, 24);
  EXPECT_FALSE(image.AlphaIsValid());
  EXPECT_EQ(image.AlphaGet(0, 0), 0);
  EXPECT_EQ(image.AlphaGetPointer(0, 0), nullptr);
  image.AlphaCreate();
  ASSERT_TRUE(image.AlphaIsValid());
  EXPECT_EQ(image.AlphaGet(2, 1), 255);
  image.AlphaSet(255);
  image.AlphaInvert();
  EXPECT_EQ(image.AlphaGet(1, 1), 0);
  image.AlphaSet(2, 1, 77);
  image.AlphaSet(3, 1, 99);  // outside: ignored
  EXPECT_EQ(*image.AlphaGetPointer(2, 1), 77);
  EXPECT_EQ(image.AlphaGetPointer(3, 0), nullptr);
  EXPECT_EQ(image.AlphaGet(-1, 0), 0);
  image.AlphaClear();
  EXPECT_EQ(image.AlphaGet(2, 1), 0);
  image.AlphaDelete();
  EXPECT_FALSE(image.AlphaIsValid());
  TxImage empty;
  empty.AlphaCreate();
  EXPECT_FALSE(empty.AlphaIsValid());
}

TEST(Alpha, FlipAndMirrorReorderThePlane) {
  TxImage image(3, 2, 24);
  EXPECT_FALSE(image.AlphaFlip());
  EXPECT_FALSE(image.AlphaMirror());
  image.AlphaCreate();
  image.AlphaSet(0, 0, 1);
  image.AlphaSet(2, 1, 2);
  ASSERT_TRUE(image.AlphaFlip());
  EXPECT_EQ(image.AlphaGet(0, 1), 1);
  EXPECT_EQ(image.AlphaGet(2, 0), 2);
  ASSERT_TRUE(image.AlphaMirror());
  EXPECT_EQ(image.AlphaGet(2, 1), 1);
  EXPECT_EQ(image.AlphaGet(0, 0), 2);
}

TEST(Alpha, CopyNeedsAPlaneOfTheSameSize) {
  TxImage source(2, 2, 24), same_size(2, 2, 8), other(3, 2, 24);
  EXPECT_FALSE(same_size.AlphaCopy(source));
  source.AlphaCreate();
  source.AlphaSet(1, 1, 5);
  source.AlphaSetMax(100);
  EXPECT_FALSE(other.AlphaCopy(source));
  ASSERT_TRUE(same_size.AlphaCopy(source));
  EXPECT_EQ(same_size.AlphaGet(1, 1), 5);
  EXPECT_EQ(same_size.AlphaGetMax(), 100);
}

TEST(Alpha, SetFromAGreyImageReadsIndicesAtEveryDepth) {
  for (DWORD bpp : {1u, 4u, 8u}) {
    // Width 11: the last byte of a 1- or 4-bit row holds pixels beyond the
    // width, and an 8-bit row is shorter than its padded length.
    TxImage grey(11, 3, bpp);
    const DWORD levels = 1u << bpp;
    for (DWORD i = 0; i < levels; ++i) grey.SetPaletteColor(static_cast<BYTE>(i), i, i, i);
    ASSERT_TRUE(grey.IsGrayScale());
    for (long x = 0; x < 11; ++x) grey.SetPixelIndex(x, 2, static_cast<BYTE>(x % levels));
    TxImage target(11, 3, 24);
    ASSERT_TRUE(target.AlphaSet(grey));
    for (long x = 0; x < 11; ++x) {
      EXPECT_EQ(target.AlphaGet(x, 2), x % levels) << bpp;
      EXPECT_EQ(target.AlphaGet(x, 0), 0);
    }
  }
  TxImage colourful(2, 2, 8);
  colourful.SetStdPalette();
  TxImage target(2, 2, 24);
  EXPECT_FALSE(target.AlphaSet(colourful));
}

TEST(Alpha, SplitMakesAGreyImage) {
  TxImage image(2, 1, 24);
  TxImage dest;
  EXPECT_FALSE(image.AlphaSplit(&dest));
  image.AlphaCreate();
  image.AlphaSet(1, 0, 42);
  EXPECT_FALSE(image.AlphaSplit(nullptr));
  ASSERT_TRUE(image.AlphaSplit(&dest));
  EXPECT_EQ(dest.GetBpp(), 8);
  EXPECT_TRUE(dest.IsGrayScale());
  EXPECT_EQ(dest.GetPixelIndex(1, 0), 42);
  EXPECT_EQ(dest.GetPixelIndex(0, 0), 255);

  TxImage indexed(2, 1, 8);
  EXPECT_FALSE(indexed.AlphaPaletteIsValid());
  EXPECT_FALSE(indexed.AlphaPaletteSplit(&dest));
  indexed.SetPaletteColor(1, 0, 0, 0, 128);
  indexed.SetPixelIndex(1, 0, 1);
  ASSERT_TRUE(indexed.AlphaPaletteIsValid());
  ASSERT_TRUE(indexed.AlphaPaletteSplit(&dest));
  EXPECT_EQ(dest.GetPixelIndex(1, 0), 128);
  EXPECT_EQ(dest.GetPixelIndex(0, 0), 0);
  indexed.AlphaPaletteClear();
  EXPECT_FALSE(indexed.AlphaPaletteIsValid());
}

TEST(Alpha, StripFlattensOntoTheBackground) {
  TxImage colour(2, 1, 24);
  colour.SetPixelColor(0, 0, RGB(200, 100, 0));
  colour.SetTransColor(TxImage::RGBtoRGBQUAD(RGB(0, 0, 255)));
  colour.AlphaCreate();
  colour.AlphaSet(0, 0, 51);  // 20 %
  colour.AlphaSet(1, 0, 0);
  colour.SetXDPI(300);
  colour.AlphaStrip();
  EXPECT_FALSE(colour.AlphaIsValid());
  EXPECT_EQ(TxImage::RGBQUADtoRGB(colour.GetPixelColor(0, 0)), RGB(40, 20, 204));
  EXPECT_EQ(TxImage::RGBQUADtoRGB(colour.GetPixelColor(1, 0)), RGB(0, 0, 255));
  EXPECT_EQ(colour.GetXDPI(), 300);  // rewritten in place

  TxImage indexed(2, 1, 8);
  indexed.SetPaletteColor(1, 255, 255, 255, 0);
  indexed.SetPixelIndex(1, 0, 1);
  indexed.SetPaletteColor(0, 0, 0, 0, 255);
  indexed.SetTransColor(TxImage::RGBtoRGBQUAD(RGB(10, 10, 10)));
  indexed.SetTransIndex(1);
  indexed.AlphaStrip();
  EXPECT_EQ(indexed.GetBpp(), 24);
  EXPECT_EQ(TxImage::RGBQUADtoRGB(indexed.GetPixelColor(0, 0)), RGB(0, 0, 0));
  EXPECT_EQ(TxImage::RGBQUADtoRGB(indexed.GetPixelColor(1, 0)), RGB(10, 10, 10));
  EXPECT_EQ(indexed.GetTransIndex(), -1);  // the new image's info record

  TxImage plain(1, 1, 8);
  plain.AlphaStrip();
  EXPECT_EQ(plain.GetBpp(), 8);
}

TEST(ArrayImport, ThirtyTwoBitRowsGiveColourAndAlpha) {
  const BYTE pixels[] = {1, 2, 3, 4, 5, 6, 7, 8,  // source row 0
                         9, 10, 11, 12, 13, 14, 15, 16};
  TxImage image;
  ASSERT_TRUE(image.CreateFromArray(pixels, 2, 2, 32, 8, true));
  EXPECT_EQ(image.GetBpp(), 24);
  ASSERT_TRUE(image.AlphaIsValid());
  const RGBQUAD top_left = image.GetPixelColor(0, 1, true);
  EXPECT_EQ(top_left.rgbBlue, 1);
  EXPECT_EQ(top_left.rgbRed, 3);
  EXPECT_EQ(top_left.rgbReserved, 4);
  EXPECT_EQ(image.AlphaGet(1, 0), 16);
  ASSERT_TRUE(image.CreateFromArray(pixels, 2, 2, 32, 8, false));
  EXPECT_EQ(image.AlphaGet(1, 0), 8);
}

TEST(ArrayImport, RefusesBadInputWithoutReadingPastRows) {
  const BYTE pixels[16] = {};
  TxImage image(1, 1, 8);
  EXPECT_FALSE(image.CreateFromArray(nullptr, 2, 2, 8, 2, false));
  EXPECT_FALSE(image.CreateFromArray(pixels, 2, 2, 16, 4, false));
  EXPECT_FALSE(image.CreateFromArray(pixels, 2, 2, 32, 7, false));  // rows shorter than 4 × width
  EXPECT_TRUE(image.IsValid());  // the refusals came before anything was destroyed
  EXPECT_FALSE(image.CreateFromArray(pixels, 0, 2, 8, 2, false));
}

TEST(ArrayImport, IndexedRowsCopyWhatFitsAndGetAGreyPalette) {
  const std::vector<BYTE> pixels = {1, 2, 3, 9, 9, 9, 4, 5, 6, 9, 9, 9};
  TxImage image;
  ASSERT_TRUE(image.CreateFromArray(pixels.data(), 3, 2, 8, 6, false));
  EXPECT_TRUE(image.IsGrayScale());
  EXPECT_EQ(image.GetPixelIndex(2, 1), 6);
  EXPECT_EQ(image.GetBits(0)[3], 9);  // min(EffWidth 4, row_bytes 6) bytes per row

  const std::vector<BYTE> short_rows = {7, 8};
  ASSERT_TRUE(image.CreateFromArray(short_rows.data(), 3, 2, 24, 1, false));
  EXPECT_EQ(image.GetBits(0)[0], 7);
  EXPECT_EQ(image.GetBits(0)[1], 0);
  EXPECT_EQ(image.GetBits(1)[0], 8);

  const BYTE row[] = {0x80};
  const BYTE* rows[] = {row, nullptr};
  ASSERT_TRUE(image.CreateFromMatrix(rows, 1, 2, 1, 1, true));
  EXPECT_EQ(image.GetPixelIndex(0, 1), 1);
  EXPECT_EQ(image.GetPixelIndex(0, 0), 0);
  EXPECT_FALSE(image.CreateFromMatrix(nullptr, 1, 2, 1, 1, true));
}

}  // namespace
