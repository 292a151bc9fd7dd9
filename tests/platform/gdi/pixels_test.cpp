#include <gtest/gtest.h>

#include "tests/platform/gdi/canvas.h"

namespace {

TEST(GdiBitmaps, CompatibleBitmapsAreBlackTrueColourAndDescribeThemselves) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 5, 3);
  ASSERT_NE(bitmap, nullptr);
  BITMAP description{};
  EXPECT_EQ(GetObjectA(bitmap, 0, nullptr), int{sizeof(BITMAP)});
  EXPECT_EQ(GetObjectA(bitmap, sizeof(BITMAP) - 1, &description), 0);
  ASSERT_EQ(GetObjectA(bitmap, sizeof description, &description), int{sizeof description});
  EXPECT_EQ(description.bmWidth, 5);
  EXPECT_EQ(description.bmHeight, 3);
  EXPECT_EQ(description.bmBitsPixel, 32);
  EXPECT_EQ(description.bmPlanes, 1);
  EXPECT_EQ(description.bmWidthBytes, 20);

  HBITMAP stock = SelectObject(memory, bitmap);
  EXPECT_EQ(GetPixel(memory, 4, 2), 0x000000u);
  SelectObject(memory, stock);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

TEST(GdiBitmaps, SizesOutOfRangeMakeNoBitmap) {
  HDC screen = GetDC(nullptr);
  const int sizes[][2] = {{0, 1}, {1, 0}, {-1, 5}, {5, -1}, {40000, 40000}, {1 << 30, 2}};
  for (const auto& size : sizes) {
    EXPECT_EQ(CreateCompatibleBitmap(screen, size[0], size[1]), nullptr) << size[0] << "x" << size[1];
  }
  ReleaseDC(nullptr, screen);
}

TEST(GdiPixels, SetAndGetStayInsideTheBitmap) {
  Canvas canvas(3, 2);
  HDC dc = canvas.context();
  EXPECT_EQ(SetPixel(dc, 2, 1, RGB(1, 2, 3)), RGB(1, 2, 3));
  EXPECT_EQ(GetPixel(dc, 2, 1), RGB(1, 2, 3));
  EXPECT_EQ(SetPixel(dc, 0, 0, 0xFF00FF00), 0x0000FF00u);  // the high byte is not a colour
  for (POINT outside : {POINT{-1, 0}, POINT{3, 0}, POINT{0, 2}, POINT{0, -1}}) {
    EXPECT_EQ(SetPixel(dc, outside.x, outside.y, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(dc, outside.x, outside.y), CLR_INVALID);
  }
  // A fresh memory context holds only the stock bitmap: nothing to draw on.
  HDC fresh = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SetPixel(fresh, 0, 0, 0), CLR_INVALID);
  EXPECT_EQ(GetPixel(canvas.screen(), 0, 0), CLR_INVALID);
  DeleteDC(fresh);
}

TEST(GdiPixels, FloodFillPaintsTheBrushUpToTheBoundaryColour) {
  // A black 6 x 5 bitmap with a red wall in column 3 (open at the bottom
  // row) and a red pixel at (1, 1) inside the left part.
  Canvas canvas(6, 5);
  HDC dc = canvas.context();
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) SetPixel(dc, x, y, 0);
  const COLORREF red = RGB(255, 0, 0);
  for (int y = 0; y < 4; ++y) SetPixel(dc, 3, y, red);
  SetPixel(dc, 1, 1, red);

  EXPECT_EQ(FloodFill(dc, 3, 0, red), FALSE);  // starts on the boundary
  EXPECT_EQ(FloodFill(dc, 6, 0, red), FALSE);  // outside
  ASSERT_EQ(FloodFill(dc, 0, 0, red), TRUE);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 6; ++x) {
      bool wall = (x == 3 && y < 4) || (x == 1 && y == 1);
      EXPECT_EQ(GetPixel(dc, x, y), wall ? red : 0x00FFFFFF) << x << "," << y;
    }
  }
}

TEST(GdiPixels, FloodFillWithAWhiteBoundaryWhitensANewBitmap) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 30);
  HBITMAP stock = SelectObject(dc, bitmap);
  EXPECT_EQ(FloodFill(dc, 2, 2, 0x00FFFFFF), TRUE);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(GetPixel(dc, x, y), 0x00FFFFFFu);
  SelectObject(dc, stock);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

}  // namespace
