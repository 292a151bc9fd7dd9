#include <gtest/gtest.h>

#include <vector>

#include "image/tximage.h"
#include "tests/image/bmp_test_util.h"

namespace {

using image_test::OpenImage;

bool same(RGBQUAD a, RGBQUAD b) {
  return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed && a.rgbReserved == b.rgbReserved;
}

TEST(Pixels, IndexRoundTripsAtEveryDepthWithoutTouchingNeighbours) {
  for (DWORD bpp : {1u, 4u, 8u}) {
    TxImage image(13, 3, bpp);
    const BYTE max_index = static_cast<BYTE>((1u << bpp) - 1);
    for (long x = 0; x < 13; ++x) image.SetPixelIndex(x, 1, static_cast<BYTE>(x * 7));
    for (long x = 0; x < 13; ++x) {
      EXPECT_EQ(image.GetPixelIndex(x, 1), (x * 7) & max_index) << bpp;
      EXPECT_EQ(image.GetPixelIndex(x, 0), 0);
      EXPECT_EQ(image.GetPixelIndex(x, 2), 0);
    }
    image.SetPixelIndex(13, 1, 1);  // outside: ignored
    image.SetPixelIndex(-1, 1, 1);
  }
  // Bit layout: the leftmost pixel is the most significant bit or nibble.
  TxImage one(9, 1, 1);
  one.SetPixelIndex(0, 0, 1);
  one.SetPixelIndex(8, 0, 1);
  EXPECT_EQ(one.GetBits(0)[0], 0x80);
  EXPECT_EQ(one.GetBits(0)[1], 0x80);
  TxImage four(3, 1, 4);
  four.SetPixelIndex(0, 0, 0xA);
  four.SetPixelIndex(1, 0, 0xB);
  EXPECT_EQ(four.GetBits(0)[0], 0xAB);
}

TEST(Pixels, OutsideReadsGiveTransparencyOrTheFirstPixel) {
  TxImage indexed(4, 4, 8);
  indexed.SetPixelIndex(0, 0, 7);
  EXPECT_EQ(indexed.GetPixelIndex(-1, 0), 7);
  indexed.SetTransIndex(3);
  EXPECT_EQ(indexed.GetPixelIndex(-1, 0), 3);
  indexed.SetPaletteColor(3, 1, 2, 3);
  EXPECT_EQ(indexed.GetPixelColor(10, 10).rgbRed, 1);
  indexed.SetTransIndex(999);  // no such entry: the transparent colour
  indexed.SetTransColor(RGBQUAD{5, 6, 7, 0});
  EXPECT_EQ(indexed.GetPixelColor(10, 10).rgbBlue, 5);

  TxImage colour(4, 4, 24);
  colour.SetPixelColor(0, 0, RGB(10, 20, 30));
  EXPECT_EQ(colour.GetPixelColor(5, 5).rgbRed, 10);
  EXPECT_EQ(colour.GetPixelIndex(1, 1), 0);
  TxImage empty;
  empty.SetTransColor(RGBQUAD{1, 1, 1, 0});
  EXPECT_EQ(empty.GetPixelColor(0, 0).rgbBlue, 1);
  EXPECT_EQ(empty.GetPixelIndex(0, 0), 0);
}

TEST(Pixels, TrueColourAndAlpha) {
  TxImage image(3, 2, 24);
  image.AlphaCreate();
  image.SetPixelColor(1, 1, RGBQUAD{10, 20, 30, 40}, true);
  const RGBQUAD with_alpha = image.GetPixelColor(1, 1, true);
  EXPECT_TRUE(same(with_alpha, RGBQUAD{10, 20, 30, 40}));
  image.SetTransColor(RGBQUAD{0, 0, 0, 0});
  EXPECT_EQ(image.GetPixelColor(1, 1, false).rgbReserved, 0);
  EXPECT_EQ(image.GetPixelGray(1, 1), (601 * 20 + 306 * 30 + 117 * 10) >> 10);
  image.SetPixelColor(2, 0, RGB(1, 2, 3));
  EXPECT_EQ(image.GetBits(0)[6], 3);  // blue, green, red
  EXPECT_EQ(image.GetBits(0)[8], 1);
}

TEST(Pixels, NearestIndexSearchesAndCaches) {
  OpenImage image(2, 2, 4);
  image.SetPaletteColor(2, 255, 255, 255);
  // Entries 0, 1 and 3.. are black: the first black wins.
  EXPECT_EQ(image.GetNearestIndex(RGBQUAD{10, 10, 10, 0}), 0);
  EXPECT_TRUE(image.Info.LastColorValid);
  EXPECT_EQ(image.GetNearestIndex(RGBQUAD{255, 255, 255, 0}), 2);
  EXPECT_EQ(image.GetNearestIndex(RGBQUAD{200, 200, 200, 0}), 2);
  image.SetClrImportant(2);
  EXPECT_EQ(image.GetNearestIndex(RGBQUAD{200, 200, 200, 0}), 0);

  TxImage mono(8, 1, 1);
  mono.SetPaletteColor(1, RGB(255, 255, 255));
  mono.SetPixelColor(3, 0, RGBQUAD{200, 200, 200, 0});
  EXPECT_EQ(mono.GetPixelIndex(3, 0), 1);
  TxImage colour(1, 1, 24);
  EXPECT_EQ(colour.GetNearestIndex(RGBQUAD{1, 1, 1, 0}), 0);
}

TEST(Pixels, EveryPaletteChangeClearsTheNearestColourCache) {
  using Change = void (*)(OpenImage&);
  const Change changes[] = {
      [](OpenImage& i) { i.SetPaletteColor(1, 9, 9, 9); },
      [](OpenImage& i) { RGBQUAD p[2] = {}; i.SetPalette(p, 2); },
      [](OpenImage& i) { TxImage::rgb_color p[1] = {{1, 1, 1}}; i.SetPalette(p, 1); },
      [](OpenImage& i) { BYTE r[1] = {3}; i.SetPalette(1, r); },
      [](OpenImage& i) { i.SetGrayPalette(); },
      [](OpenImage& i) { i.SetStdPalette(); },
      [](OpenImage& i) { i.BlendPalette(RGB(1, 2, 3), 50); },
      [](OpenImage& i) { i.SwapIndex(0, 1); },
      [](OpenImage& i) { i.AlphaPaletteClear(); },
      [](OpenImage& i) { i.SetClrImportant(3); },
      [](OpenImage& i) { i.Create(2, 2, 8); },
  };
  for (const Change& change : changes) {
    OpenImage image(2, 2, 8);
    image.GetNearestIndex(RGBQUAD{50, 50, 50, 0});
    ASSERT_TRUE(image.Info.LastColorValid);
    change(image);
    EXPECT_FALSE(image.Info.LastColorValid);
  }
  // The cache would otherwise answer with a stale index.
  TxImage image(2, 2, 8);
  EXPECT_EQ(image.GetNearestIndex(RGBQUAD{255, 255, 255, 0}), 0);
  image.SwapIndex(0, 5);
  image.SetPaletteColor(9, 255, 255, 255);
  EXPECT_EQ(image.GetNearestIndex(RGBQUAD{255, 255, 255, 0}), 9);
}

TEST(Pixels, BlendClampsItsWeight) {
  const struct {
    float blend;
    BYTE red;
  } cases[] = {{0.5f, 150}, {2.0f, 200}, {1.0f, 200}, {-1.0f, 100}, {0.0f, 100}};
  for (const auto& c : cases) {
    TxImage image(1, 1, 24);
    image.SetPixelColor(0, 0, RGB(100, 0, 0));
    image.BlendPixelColor(0, 0, RGBQUAD{0, 0, 200, 0}, c.blend);
    EXPECT_EQ(image.GetPixelColor(0, 0).rgbRed, c.red) << c.blend;
  }
  TxImage indexed(1, 1, 1);
  indexed.SetPaletteColor(1, 255, 255, 255);
  indexed.BlendPixelColor(0, 0, RGBQUAD{255, 255, 255, 0}, 0.9f);
  EXPECT_EQ(indexed.GetPixelIndex(0, 0), 1);
}

TEST(Pixels, TransparencyByIndexColourOrAlpha) {
  TxImage indexed(2, 1, 8);
  indexed.SetPixelIndex(1, 0, 4);
  indexed.SetTransIndex(4);
  EXPECT_TRUE(indexed.IsTransparent(1, 0));
  EXPECT_FALSE(indexed.IsTransparent(0, 0));
  TxImage colour(2, 1, 24);
  colour.SetPixelColor(0, 0, RGB(1, 2, 3));
  colour.SetTransIndex(0);
  colour.SetTransColor(TxImage::RGBtoRGBQUAD(RGB(1, 2, 3)));
  EXPECT_TRUE(colour.IsTransparent(0, 0));
  EXPECT_FALSE(colour.IsTransparent(1, 0));
  colour.AlphaCreate();
  colour.AlphaSet(1, 0, 0);
  EXPECT_TRUE(colour.IsTransparent(1, 0));
  EXPECT_FALSE(TxImage().IsTransparent(0, 0));
}

TEST(Pixels, DrawLineSetsBresenhamPoints) {
  const struct {
    int x1, x2, y1, y2;
    std::vector<std::pair<int, int>> points;
  } cases[] = {
      {0, 3, 0, 1, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
      {2, 2, 2, 2, {{2, 2}}},
      {1, 0, 0, 3, {{1, 0}, {1, 1}, {0, 2}, {0, 3}}},
      {-2, 1, 0, 0, {{0, 0}, {1, 0}}},
  };
  for (const auto& c : cases) {
    TxImage image(4, 4, 8);
    image.SetPaletteColor(1, 255, 255, 255);
    image.DrawLine(c.x1, c.x2, c.y1, c.y2, RGB(255, 255, 255));
    int set = 0;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) set += image.GetPixelIndex(x, y) == 1;
    EXPECT_EQ(set, static_cast<int>(c.points.size()));
    for (const auto& [x, y] : c.points) EXPECT_EQ(image.GetPixelIndex(x, y), 1) << x << "," << y;
  }
}

TEST(Palette, EntriesAreRangeChecked) {
  TxImage image(3, 1, 1);
  BYTE r = 0, g = 0, b = 0;
  EXPECT_FALSE(image.GetPaletteColor(5, &r, &g, &b));
  image.SetPaletteColor(5, 1, 1, 1);
  image.SetPaletteColor(1, 10, 20, 30, 40);
  EXPECT_TRUE(image.GetPaletteColor(1, &r, &g, &b));
  EXPECT_EQ(r, 10);
  EXPECT_EQ(b, 30);
  EXPECT_EQ(image.GetPaletteColor(1).rgbReserved, 40);
  EXPECT_TRUE(same(image.GetPaletteColor(2), RGBQUAD{0, 0, 0, 0}));
  EXPECT_EQ(TxImage(1, 1, 24).GetPalette(), nullptr);
  RGBQUAD many[256];
  for (auto& e : many) e = RGBQUAD{1, 2, 3, 4};
  image.SetPalette(many, 256);  // copies only the image's two entries
  EXPECT_EQ(image.GetPaletteColor(1).rgbRed, 3);
}

TEST(Palette, GreyAndChannelPalettes) {
  TxImage sixteen(1, 1, 4);
  sixteen.SetGrayPalette();
  for (BYTE i = 0; i < 16; ++i) EXPECT_EQ(sixteen.GetPaletteColor(i).rgbGreen, 17 * i);
  EXPECT_TRUE(TxImage(1, 1, 4).IsGrayScale() == false);
  TxImage grey(1, 1, 8);
  grey.SetGrayPalette();
  EXPECT_TRUE(grey.IsGrayScale());
  grey.SetPaletteColor(7, 7, 7, 8);
  EXPECT_FALSE(grey.IsGrayScale());

  TxImage image(1, 1, 1);
  const BYTE red[2] = {1, 2};
  image.SetPalette(2, red);
  EXPECT_EQ(image.GetPaletteColor(1).rgbBlue, 2);  // b = g = r
  const BYTE green[2] = {5, 6};
  image.SetPalette(2, red, green);
  EXPECT_EQ(image.GetPaletteColor(1).rgbBlue, 6);
}

TEST(Palette, BlendCapsThePercentage) {
  for (long percent : {100L, 150L}) {
    TxImage image(1, 1, 1);
    image.SetPaletteColor(1, 255, 255, 255);
    image.BlendPalette(RGB(10, 20, 30), percent);
    EXPECT_EQ(image.GetPaletteColor(0).rgbRed, 10);
    EXPECT_EQ(image.GetPaletteColor(1).rgbBlue, 30);
  }
  TxImage image(1, 1, 1);
  image.SetPaletteColor(1, 200, 200, 200);
  image.BlendPalette(RGB(0, 0, 0), 50);
  EXPECT_EQ(image.GetPaletteColor(1).rgbGreen, 100);
  image.BlendPalette(RGB(255, 255, 255), -50);  // a negative share counts as 0
  EXPECT_EQ(image.GetPaletteColor(1).rgbGreen, 100);
}

TEST(Palette, SwapIndexExchangesEntriesAndPixels) {
  TxImage image(5, 2, 4);
  image.SetPaletteColor(2, 1, 1, 1);
  image.SetPaletteColor(9, 9, 9, 9);
  image.SetPixelIndex(0, 0, 2);
  image.SetPixelIndex(4, 1, 9);
  image.SwapIndex(2, 9);
  EXPECT_EQ(image.GetPixelIndex(0, 0), 9);
  EXPECT_EQ(image.GetPixelIndex(4, 1), 2);
  EXPECT_EQ(image.GetPaletteColor(9).rgbRed, 1);
  image.SwapIndex(2, 16);  // beyond the palette: nothing
  EXPECT_EQ(image.GetPixelIndex(4, 1), 2);
  EXPECT_EQ(image.GetPaletteColor(2).rgbRed, 9);
}

TEST(Palette, SamePaletteComparesEntries) {
  TxImage a(1, 1, 4), b(1, 1, 4), c(1, 1, 8);
  EXPECT_TRUE(a.IsSamePalette(b));
  b.SetPaletteColor(3, 0, 0, 0, 9);
  EXPECT_FALSE(a.IsSamePalette(b, true));
  EXPECT_TRUE(a.IsSamePalette(b, false));
  EXPECT_FALSE(a.IsSamePalette(c));
  EXPECT_FALSE(TxImage(1, 1, 24).IsSamePalette(TxImage(1, 1, 24)));
}

TEST(Palette, StandardPalettes) {
  TxImage four(1, 1, 4);
  four.SetStdPalette();
  EXPECT_EQ(TxImage::RGBQUADtoRGB(four.GetPaletteColor(7)), RGB(192, 192, 192));
  EXPECT_EQ(TxImage::RGBQUADtoRGB(four.GetPaletteColor(15)), RGB(255, 255, 255));
  TxImage eight(1, 1, 8);
  eight.SetStdPalette();
  const struct {
    BYTE index;
    COLORREF colour;
  } cases[] = {
      {9, RGB(166, 202, 240)},
      {10, RGB(255, 240, 212)},   // first tint of (255, 170, 0)
      {15, RGB(255, 170, 37)},    // t = 5: 240 - 70, 212 - 175
      {16, RGB(255, 170, 0)},     // first shade keeps a mixed base
      {21, RGB(80, 50, 0)},       // t = 5: 255 - 175, 170 - 120
      {40, RGB(254, 0, 0)},       // first shade of pure red uses 254
      {226, RGB(242, 242, 242)},
      {245, RGB(14, 14, 14)},
      {246, RGB(255, 251, 240)},
      {255, RGB(255, 255, 255)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TxImage::RGBQUADtoRGB(eight.GetPaletteColor(c.index)), c.colour) << int(c.index);
  }
  TxImage colour(1, 1, 24);
  colour.SetStdPalette();
  EXPECT_EQ(colour.GetPalette(), nullptr);
}

TEST(Palette, RgbToBgrSwapsOnlyWholePixels) {
  BYTE buffer[4] = {1, 2, 3, 4};  // a 1-pixel row: EffWidth 4
  struct Open : TxImage {
    using TxImage::TxImage;
    using TxImage::RGBtoBGR;
    using TxImage::CompareColors;
  } open(1, 1, 24);
  open.RGBtoBGR(buffer, 4);
  EXPECT_EQ(buffer[0], 3);
  EXPECT_EQ(buffer[2], 1);
  EXPECT_EQ(buffer[3], 4);
  const RGBQUAD light{200, 200, 200, 0}, dark{10, 10, 10, 0};
  EXPECT_GT(Open::CompareColors(&dark, &light), 0);
  EXPECT_LT(Open::CompareColors(&light, &dark), 0);
}

}  // namespace
