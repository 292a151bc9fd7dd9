#include "com/exact_palette.h"

#include <gtest/gtest.h>

namespace {

// A 24-bit image of two rows, pixel x of its own colour in both.
TxImage colour_strip(DWORD colours) {
  TxImage image;
  image.Create(colours, 2, 24);
  for (DWORD x = 0; x < colours; ++x)
    for (long y = 0; y < 2; ++y)
      image.SetPixelColor(x, y, RGBQUAD{static_cast<BYTE>(x & 0xFF), static_cast<BYTE>(x >> 8), 7, 0});
  return image;
}

TEST(ExactPalette, KeepsEveryPixelOfAPictureOfAtMost256Colours) {
  for (DWORD colours : {1u, 2u, 256u}) {
    TxImage source = colour_strip(colours);
    TxImage indexed;
    ASSERT_TRUE(make_exact_palette_image(source, indexed)) << colours;
    EXPECT_EQ(indexed.GetBpp(), 8);
    ASSERT_EQ(indexed.GetWidth(), source.GetWidth());
    ASSERT_EQ(indexed.GetHeight(), 2u);
    for (DWORD x = 0; x < colours; ++x)
      for (long y = 0; y < 2; ++y) {
        RGBQUAD a = source.GetPixelColor(x, y, false), b = indexed.GetPixelColor(x, y, false);
        ASSERT_TRUE(a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue) << x << "," << y;
      }
  }
}

TEST(ExactPalette, LeavesPicturesOfMoreColoursAndOtherDepthsAlone) {
  TxImage indexed;
  EXPECT_FALSE(make_exact_palette_image(colour_strip(257), indexed));
  EXPECT_FALSE(indexed.IsValid());
  TxImage eight_bit;
  eight_bit.Create(4, 4, 8);
  EXPECT_FALSE(make_exact_palette_image(eight_bit, indexed));
  EXPECT_FALSE(make_exact_palette_image(TxImage(), indexed));
}

}  // namespace
