#include <gtest/gtest.h>

#include "image/tximage.h"
#include "platform/gdi/gdi.h"
#include "tests/image/bmp_test_util.h"

namespace {

using image_test::OpenImage;

// A surface bitmap with a few coloured pixels, not selected anywhere.
struct DrawnBitmap {
  DrawnBitmap(int width, int height) {
    HDC screen = GetDC(nullptr);
    bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    HDC context = CreateCompatibleDC(nullptr);
    HBITMAP old = SelectObject(context, bitmap);
    SetPixel(context, 0, 0, RGB(255, 0, 0));
    SetPixel(context, width - 1, 0, RGB(1, 2, 3));
    SetPixel(context, 0, height - 1, RGB(255, 255, 255));
    SelectObject(context, old);
    DeleteDC(context);
  }
  ~DrawnBitmap() { DeleteObject(bitmap); }
  HBITMAP bitmap;
};

TEST(CreateFromHBITMAP, TrueColourBitmapBecomesA24BitImage) {
  DrawnBitmap drawn(7, 3);
  const int objects = live_gdi_objects();
  TxImage image;
  ASSERT_TRUE(image.CreateFromHBITMAP(drawn.bitmap));
  EXPECT_EQ(live_gdi_objects(), objects);
  EXPECT_EQ(image.GetWidth(), 7u);
  EXPECT_EQ(image.GetHeight(), 3u);
  EXPECT_EQ(image.GetBpp(), 24);
  EXPECT_EQ(image.GetType(), static_cast<DWORD>(FORMAT_UNKNOWN));
  // The bitmap's top row is the image's row height - 1.
  EXPECT_EQ(TxImage::RGBQUADtoRGB(image.GetPixelColor(0, 2, false)), RGB(255, 0, 0));
  EXPECT_EQ(TxImage::RGBQUADtoRGB(image.GetPixelColor(6, 2, false)), RGB(1, 2, 3));
  EXPECT_EQ(TxImage::RGBQUADtoRGB(image.GetPixelColor(0, 0, false)), RGB(255, 255, 255));
  EXPECT_EQ(TxImage::RGBQUADtoRGB(image.GetPixelColor(3, 1, false)), RGB(0, 0, 0));
}

TEST(CreateFromHBITMAP, MonochromeBitmapBecomesA1BitImageWithBlackAndWhite) {
  // 3 x 2, rows of 2 bytes: "W.W" above ".W." (W white).
  const BYTE rows[] = {0xA0, 0x00, 0x40, 0x00};
  HBITMAP mono = CreateBitmap(3, 2, 1, 1, rows);
  ASSERT_NE(mono, nullptr);
  TxImage image;
  ASSERT_TRUE(image.CreateFromHBITMAP(mono));
  EXPECT_EQ(image.GetBpp(), 1);
  ASSERT_EQ(image.GetNumColors(), 2u);
  EXPECT_EQ(TxImage::RGBQUADtoRGB(image.GetPaletteColor(0)), RGB(0, 0, 0));
  EXPECT_EQ(TxImage::RGBQUADtoRGB(image.GetPaletteColor(1)), RGB(255, 255, 255));
  const int top[] = {1, 0, 1};
  const int bottom[] = {0, 1, 0};
  for (int x = 0; x < 3; ++x) {
    EXPECT_EQ(image.GetPixelIndex(x, 1), top[x]) << x;
    EXPECT_EQ(image.GetPixelIndex(x, 0), bottom[x]) << x;
  }
  DeleteObject(mono);
}

TEST(CreateFromHBITMAP, RefusesMissingBitmapsAndGhosts) {
  TxImage image(4, 4, 8);
  EXPECT_FALSE(image.CreateFromHBITMAP(nullptr));
  EXPECT_STREQ(image.GetLastError(), "CreateFromHBITMAP: invalid bitmap");
  EXPECT_FALSE(image.IsValid());
  HBITMAP deleted = nullptr;
  {
    DrawnBitmap gone(2, 2);
    deleted = gone.bitmap;
  }
  EXPECT_FALSE(image.CreateFromHBITMAP(deleted));
  EXPECT_STREQ(image.GetLastError(), "CreateFromHBITMAP: invalid bitmap");

  DrawnBitmap drawn(2, 2);
  TxImage source(3, 3, 8);
  OpenImage ghost;
  ghost.Ghost(&source);
  EXPECT_FALSE(ghost.CreateFromHBITMAP(drawn.bitmap));
  EXPECT_EQ(ghost.GetBpp(), 8);
}

}  // namespace
