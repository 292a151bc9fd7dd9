#include <gtest/gtest.h>

#include <cstring>

#include "image/tximage.h"
#include "tests/image/bmp_test_util.h"

namespace {

using image_test::OpenImage;

TEST(TxImageCreate, NormalisesDepthAndLaysOutTheBlock) {
  const struct {
    DWORD width, height, bpp;
    WORD depth;
    DWORD eff_width, colours;
    long size;
  } cases[] = {
      {10, 1, 16, 24, 32, 0, 40 + 32},
      {10, 1, 0, 1, 4, 2, 40 + 8 + 4},
      {10, 1, 2, 4, 8, 16, 40 + 64 + 8},
      {10, 1, 5, 8, 12, 256, 40 + 1024 + 12},
      {3, 2, 24, 24, 12, 0, 64},
      {3, 2, 32, 24, 12, 0, 64},
  };
  for (const auto& c : cases) {
    OpenImage image;
    ASSERT_NE(image.Create(c.width, c.height, c.bpp, FORMAT_BMP), nullptr);
    EXPECT_EQ(image.GetBpp(), c.depth);
    EXPECT_EQ(image.GetEffWidth(), c.eff_width);
    EXPECT_EQ(image.GetNumColors(), c.colours);
    EXPECT_EQ(image.Header.biSizeImage, c.eff_width * c.height);
    EXPECT_EQ(image.GetSize(), c.size);
    EXPECT_EQ(image.GetType(), static_cast<DWORD>(FORMAT_BMP));
    EXPECT_EQ(image.IsIndexed(), c.colours != 0);
    EXPECT_EQ(std::memcmp(image.DibBlock, &image.Header, 40), 0);
  }
}

TEST(TxImageCreate, RefusesSizesThatDoNotFitBeforeAllocating) {
  const struct {
    DWORD width, height, bpp;
    const char* message;
  } cases[] = {
      {0, 5, 8, "TxImage::Create : width and height must be greater than zero"},
      {5, 0, 8, "TxImage::Create : width and height must be greater than zero"},
      {0x80000000u, 1, 1, "TXIMAGE_MAX_MEMORY exceeded"},
      {1, 0x80000000u, 1, "TXIMAGE_MAX_MEMORY exceeded"},
      {0xFFFFFFFFu, 0xFFFFFFFFu, 24, "TXIMAGE_MAX_MEMORY exceeded"},
      // Under the memory limit, but 4 GiB of rows (a wrapped 32-bit size would be 0).
      {0x10000, 0x10000, 8, "TXIMAGE_MAX_MEMORY exceeded"},
      {0x7FFFFFFF, 1, 24, "TXIMAGE_MAX_MEMORY exceeded"},
      {100000, 100000, 24, "TXIMAGE_MAX_MEMORY exceeded"},
  };
  for (const auto& c : cases) {
    TxImage image(10, 10, 8);
    EXPECT_EQ(image.Create(c.width, c.height, c.bpp), nullptr);
    EXPECT_STREQ(image.GetLastError(), c.message);
    EXPECT_FALSE(image.IsValid());
  }
}

TEST(TxImageCreate, RowsStartZeroed) {
  for (int round = 0; round < 2; ++round) {
    TxImage image(33, 7, 24);
    const BYTE* bits = image.GetBits(0);
    for (DWORD i = 0; i < image.GetEffWidth() * 7; ++i) ASSERT_EQ(bits[i], 0) << i;
    image.Clear(0xAB);
  }
}

TEST(TxImage, DestroyEmptiesButKeepsTheHeader) {
  OpenImage image(5, 4, 8);
  image.AlphaCreate();
  EXPECT_TRUE(image.Destroy());
  EXPECT_FALSE(image.IsValid());
  EXPECT_EQ(image.Info.Bits, nullptr);
  EXPECT_EQ(image.AlphaPlane, nullptr);
  EXPECT_EQ(image.GetWidth(), 5u);
  EXPECT_EQ(image.GetBits(0), nullptr);
  EXPECT_EQ(image.GetPalette(), nullptr);
}

TEST(TxImage, StartupValues) {
  OpenImage image(FORMAT_PNG);
  EXPECT_EQ(image.GetType(), static_cast<DWORD>(FORMAT_PNG));
  EXPECT_EQ(image.GetJpegQuality(), 90);
  EXPECT_EQ(image.AlphaGetMax(), 255);
  EXPECT_EQ(image.GetTransIndex(), -1);
  EXPECT_TRUE(image.IsEnabled());
  EXPECT_EQ(image.GetXDPI(), 96);
  EXPECT_EQ(image.Header.biXPelsPerMeter, 3780);
  EXPECT_STREQ(image.GetLastError(), "");
  EXPECT_STREQ(image.GetVersion(), "TxImage 1.5c");
  EXPECT_FLOAT_EQ(image.GetVersionNumber(), 1.5f);
}

TEST(TxImage, ClearFillsWholeBytesForEveryDepth) {
  const struct {
    DWORD bpp;
    BYTE value, stored;
  } cases[] = {{1, 1, 0xFF}, {1, 0, 0}, {4, 0x1F, 0xFF}, {4, 0x12, 0x22}, {8, 0x12, 0x12}, {24, 7, 7}};
  for (const auto& c : cases) {
    TxImage image(9, 3, c.bpp);
    image.Clear(c.value);
    const BYTE* bits = image.GetBits(0);
    for (DWORD i = 0; i < image.GetEffWidth() * 3; ++i) ASSERT_EQ(bits[i], c.stored) << c.bpp;
  }
}

TEST(TxImage, GetBitsLocatesRows) {
  OpenImage image(5, 3, 8);
  EXPECT_EQ(image.GetBits(0), static_cast<BYTE*>(image.DibBlock) + 40 + 1024);
  EXPECT_EQ(image.GetBits(2), image.GetBits(0) + 2 * image.GetEffWidth());
  EXPECT_EQ(image.GetBits(3), nullptr);
  EXPECT_EQ(image.Info.Bits, image.GetBits(0));
  EXPECT_TRUE(image.IsInside(4, 2));
  EXPECT_FALSE(image.IsInside(5, 0));
  EXPECT_FALSE(image.IsInside(0, -1));
}

TEST(TxImageAccessors, ResolutionIsKeptInPixelsPerMetre) {
  const struct {
    long dpi;
    long stored;
    LONG ppm;
  } cases[] = {{0, 96, 3780}, {-5, 96, 3780}, {300, 300, 11811}, {72, 72, 2835},
               {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF}, {0x7FFFFFFFFL, 0x7FFFFFFF, 0x7FFFFFFF}};
  for (const auto& c : cases) {
    OpenImage image;
    image.SetXDPI(c.dpi);
    image.SetYDPI(c.dpi);
    EXPECT_EQ(image.GetXDPI(), c.stored);
    EXPECT_EQ(image.Header.biXPelsPerMeter, c.ppm) << c.dpi;
    EXPECT_EQ(image.Header.biYPelsPerMeter, c.ppm) << c.dpi;
  }
}

TEST(TxImageAccessors, FlagsCodecOptionsAndClrImportant) {
  TxImage image(FORMAT_GIF);
  image.SetFlags(0xABCD1234, true);
  EXPECT_EQ(image.GetFlags(), 0x1234u);
  image.SetFlags(0xABCD1234, false);
  EXPECT_EQ(image.GetFlags(), 0xABCD1234u);

  EXPECT_EQ(image.GetCodecOption(4), 0u);
  EXPECT_FALSE(image.SetCodecOption(1, 4));
  EXPECT_TRUE(image.SetCodecOption(7));  // this image's own format
  EXPECT_EQ(image.GetCodecOption(FORMAT_GIF), 7u);
  TxImage odd(9);
  EXPECT_FALSE(odd.SetCodecOption(1));
  EXPECT_EQ(odd.GetCodecOption(), 0u);

  const struct {
    DWORD bpp, asked, stored;
  } cases[] = {{1, 5, 2}, {4, 20, 16}, {8, 200, 200}, {8, 300, 0}, {8, 0, 0}, {24, 5, 77}};
  for (const auto& c : cases) {
    TxImage sized(2, 2, c.bpp);
    sized.SetClrImportant(77);
    sized.SetClrImportant(c.asked);
    EXPECT_EQ(sized.GetClrImportant(), c.bpp == 24 ? 0u : c.stored) << c.bpp << " " << c.asked;
  }

  long x = 0, y = 0;
  image.SetOffset(3, -4);
  image.GetOffset(&x, &y);
  EXPECT_EQ(x, 3);
  EXPECT_EQ(y, -4);
  image.GetOffset(nullptr, nullptr);
}

TEST(TxImageAccessors, TransColorUsesOnlyARealPaletteEntry) {
  TxImage image(2, 2, 8);
  image.SetPaletteColor(3, 10, 20, 30);
  image.SetTransColor(RGBQUAD{1, 2, 3, 4});
  EXPECT_EQ(image.GetTransColor().rgbReserved, 0);  // stored without its reserved byte
  for (long index : {-1L, 300L, -7L}) {
    image.SetTransIndex(index);
    EXPECT_EQ(image.GetTransColor().rgbBlue, 1) << index;
  }
  image.SetTransIndex(3);
  EXPECT_EQ(image.GetTransColor().rgbRed, 10);
  EXPECT_TRUE(image.IsTransparent());
}

TEST(TxImage, CopyTakesPixelsPlanesAndInfo) {
  OpenImage source(4, 3, 8, FORMAT_GIF);
  source.SetPaletteColor(1, 200, 100, 50);
  source.SetPixelIndex(2, 1, 1);
  source.AlphaCreate();
  source.AlphaSet(2, 1, 9);
  source.SetXDPI(300);
  source.SetTransIndex(1);

  OpenImage copy(source);
  EXPECT_TRUE(copy.IsValid());
  EXPECT_NE(copy.DibBlock, source.DibBlock);
  EXPECT_EQ(copy.GetType(), static_cast<DWORD>(FORMAT_GIF));
  EXPECT_EQ(copy.GetPixelIndex(2, 1), 1);
  EXPECT_EQ(copy.GetPixelColor(2, 1, false).rgbRed, 200);
  EXPECT_EQ(copy.AlphaGet(2, 1), 9);
  EXPECT_NE(copy.AlphaPlane, source.AlphaPlane);
  EXPECT_EQ(copy.GetXDPI(), 300);
  EXPECT_EQ(copy.Header.biXPelsPerMeter, 3780);  // the header's resolution is not copied
  EXPECT_EQ(copy.GetTransIndex(), 1);
  EXPECT_EQ(copy.Info.Bits, copy.GetBits(0));

  TxImage palette_only(source, false, false, false);
  EXPECT_EQ(palette_only.GetPixelIndex(2, 1), 0);
  EXPECT_EQ(palette_only.GetPaletteColor(1).rgbRed, 200);
  EXPECT_FALSE(palette_only.AlphaIsValid());

  copy = copy;
  EXPECT_EQ(copy.GetPixelIndex(2, 1), 1);
  TxImage assigned;
  assigned = source;
  EXPECT_EQ(assigned.AlphaGet(2, 1), 9);
}

TEST(TxImage, TransferLeavesTheSourceEmpty) {
  OpenImage a(2, 2, 24);
  OpenImage b(3, 5, 8);
  b.AlphaCreate();
  void* block = b.DibBlock;
  ASSERT_TRUE(a.Transfer(b));
  EXPECT_EQ(a.DibBlock, block);
  EXPECT_EQ(a.GetHeight(), 5u);
  EXPECT_TRUE(a.AlphaIsValid());
  EXPECT_FALSE(b.IsValid());
  EXPECT_EQ(b.AlphaPlane, nullptr);
  EXPECT_EQ(b.GetTransIndex(), 0);
  EXPECT_FALSE(b.IsEnabled());
  EXPECT_EQ(b.GetWidth(), 0u);
  EXPECT_TRUE(a.Transfer(a));
  EXPECT_TRUE(a.IsValid());
}

TEST(TxImage, GhostSharesAndOwnsNothing) {
  OpenImage source(4, 4, 24);
  source.SetPixelColor(1, 1, RGB(1, 2, 3));
  {
    OpenImage ghost;
    ghost.Ghost(&source);
    EXPECT_EQ(ghost.DibBlock, source.DibBlock);
    EXPECT_EQ(ghost.Info.GhostOf, &source);
    EXPECT_FALSE(ghost.Destroy());
    EXPECT_EQ(ghost.Create(2, 2, 8), nullptr);
    OpenImage other(1, 1, 8);
    EXPECT_FALSE(ghost.Transfer(other));
    ghost.Copy(other);  // refused: the ghost keeps the source's pixels
    EXPECT_EQ(ghost.DibBlock, source.DibBlock);
    ghost.SetPixelColor(2, 2, RGB(9, 9, 9));
  }
  EXPECT_TRUE(source.IsValid());
  EXPECT_EQ(source.GetPixelColor(1, 1, false).rgbRed, 1);
  EXPECT_EQ(source.GetPixelColor(2, 2, false).rgbRed, 9);
}

TEST(TxImage, CopyInfoFillsOnlyAnEmptyImage) {
  OpenImage settings(2, 2, 8);
  settings.SetFrame(3);
  settings.SetEscape(-1);
  OpenImage fresh;
  fresh.CopyInfo(settings);
  EXPECT_EQ(fresh.GetFrame(), 3);
  EXPECT_EQ(fresh.GetEscape(), -1);
  EXPECT_EQ(fresh.Info.Bits, nullptr);  // never a pointer into another image's rows
  OpenImage full(1, 1, 8);
  full.CopyInfo(settings);
  EXPECT_EQ(full.GetFrame(), 0);
}

}  // namespace
