#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"

namespace {

constexpr COLORREF BLACK = 0x000000;
constexpr COLORREF WHITE = 0xFFFFFF;

// A memory context with a bitmap selected, both released at the end.
class Selected {
 public:
  explicit Selected(HBITMAP bitmap) : bitmap_(bitmap), context_(CreateCompatibleDC(nullptr)) {
    stock_ = SelectObject(context_, bitmap_);
  }
  ~Selected() {
    SelectObject(context_, stock_);
    DeleteObject(bitmap_);
    DeleteDC(context_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

  HDC context() const { return context_; }
  HBITMAP bitmap() const { return bitmap_; }

  // The pixels as rows of '#' (black) and '.' (white); '?' for any other.
  std::vector<std::string> rows(int width, int height) const {
    std::vector<std::string> rows(height, std::string(width, '?'));
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        COLORREF c = GetPixel(context_, x, y);
        rows[y][x] = c == BLACK ? '#' : c == WHITE ? '.' : '?';
      }
    }
    return rows;
  }

 private:
  HBITMAP bitmap_;
  HDC context_;
  HBITMAP stock_;
};

BITMAP describe(HBITMAP bitmap) {
  BITMAP description{};
  GetObjectA(bitmap, sizeof description, &description);
  return description;
}

// 10 x 2 pixels, rows of 2 bytes, 1 white, the leftmost pixel in the highest
// bit. The low six bits of each second byte are padding and set here: they
// must not show.
const BYTE TEN_BY_TWO[] = {0xA0, 0x7F, 0x0F, 0xBF};
const std::vector<std::string> TEN_BY_TWO_ROWS = {".#.######.", "####.....#"};

TEST(MonochromeBitmaps, CreateBitmapTakesRowsPaddedToTwoBytes) {
  Selected mono(CreateBitmap(10, 2, 1, 1, TEN_BY_TWO));
  ASSERT_NE(mono.bitmap(), nullptr);
  BITMAP d = describe(mono.bitmap());
  EXPECT_EQ(d.bmWidth, 10);
  EXPECT_EQ(d.bmHeight, 2);
  EXPECT_EQ(d.bmBitsPixel, 1);
  EXPECT_EQ(d.bmPlanes, 1);
  EXPECT_EQ(d.bmWidthBytes, 2);
  EXPECT_EQ(mono.rows(10, 2), TEN_BY_TWO_ROWS);

  std::vector<BYTE> white(4, 0xFF);
  BITMAP description{0, 17, 1, 2, 1, 1, white.data()};
  EXPECT_EQ(CreateBitmapIndirect(&description), nullptr);  // 17 pixels take 4 bytes a row
  description.bmWidthBytes = 4;
  Selected from_description(CreateBitmapIndirect(&description));
  EXPECT_EQ(describe(from_description.bitmap()).bmBitsPixel, 1);
  EXPECT_EQ(from_description.rows(17, 1), std::vector<std::string>({std::string(17, '.')}));
  EXPECT_EQ(CreateBitmapIndirect(nullptr), nullptr);
}

TEST(MonochromeBitmaps, OnlyMonochromeAndTrueColourFormatsAreMade) {
  struct Case {
    int width, height;
    UINT planes, bits;
    bool made;
  };
  const Case cases[] = {
      {4, 4, 1, 1, true},   {4, 4, 1, 32, true}, {4, 4, 1, 8, false}, {4, 4, 1, 24, false},
      {4, 4, 1, 4, false},  {4, 4, 2, 1, false}, {4, 4, 1, 0, false}, {0, 4, 1, 1, false},
      {4, -1, 1, 1, false}, {1 << 30, 32, 1, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << ", " << c.planes << " x " << c.bits);
    HBITMAP bitmap = CreateBitmap(c.width, c.height, c.planes, c.bits, nullptr);
    EXPECT_EQ(bitmap != nullptr, c.made);
    if (bitmap != nullptr) {
      EXPECT_EQ(describe(bitmap).bmBitsPixel, c.bits);
      EXPECT_EQ(DeleteObject(bitmap), TRUE);
    }
  }
}

TEST(MonochromeBitmaps, TrueColourBitsKeepTheirColourButNotTheFourthByte) {
  const BYTE pixels[] = {0x30, 0x20, 0x10, 0xEE, 0xFF, 0xFF, 0xFF, 0x01};  // blue, green, red, unused
  Selected colour(CreateBitmap(2, 1, 1, 32, pixels));
  EXPECT_EQ(GetPixel(colour.context(), 0, 0), RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(GetPixel(colour.context(), 1, 0), WHITE);
}

TEST(MonochromeBitmaps, ColoursBecomeTheNearerOfBlackAndWhite) {
  Selected mono(CreateBitmap(1, 1, 1, 1, nullptr));
  struct Case {
    COLORREF set;
    COLORREF becomes;
  };
  const Case cases[] = {
      {RGB(255, 0, 0), BLACK},     {RGB(200, 200, 0), WHITE}, {RGB(128, 128, 127), WHITE},
      {RGB(128, 127, 127), BLACK}, {0xFF000000, BLACK},       {RGB(255, 255, 255), WHITE},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SetPixel(mono.context(), 0, 0, c.set), c.becomes) << std::hex << c.set;
    EXPECT_EQ(GetPixel(mono.context(), 0, 0), c.becomes) << std::hex << c.set;
  }
}

TEST(MonochromeBitmaps, MemoryContextsMakeBitmapsLikeTheOneTheyHold) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAP stock = describe(reinterpret_cast<HBITMAP>(GetCurrentObject(memory, OBJ_BITMAP)));
  EXPECT_EQ(stock.bmWidth, 1);
  EXPECT_EQ(stock.bmBitsPixel, 1);
  EXPECT_EQ(SetPixel(memory, 0, 0, WHITE), CLR_INVALID);  // the stock bitmap takes no drawing

  HBITMAP from_stock = CreateCompatibleBitmap(memory, 3, 3);
  EXPECT_EQ(describe(from_stock).bmBitsPixel, 1);
  HBITMAP colour = CreateCompatibleBitmap(screen, 3, 3);
  HBITMAP previous = SelectObject(memory, colour);
  HBITMAP from_colour = CreateCompatibleBitmap(memory, 3, 3);
  EXPECT_EQ(describe(from_colour).bmBitsPixel, 32);
  SelectObject(memory, previous);
  for (HBITMAP bitmap : {from_stock, colour, from_colour}) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

TEST(MonochromeBitmaps, FloodFillWhitensANewBitmapAndStopsAtWhite) {
  Selected fresh(CreateBitmap(11, 3, 1, 1, nullptr));
  EXPECT_EQ(FloodFill(fresh.context(), 2, 2, WHITE), TRUE);
  EXPECT_EQ(fresh.rows(11, 3), std::vector<std::string>(3, std::string(11, '.')));

  // A white wall in column 2; the boundary colour light grey is white here.
  const BYTE walled[] = {0x20, 0x00, 0x20, 0x00};
  Selected wall(CreateBitmap(4, 2, 1, 1, walled));
  const COLORREF light_grey = RGB(200, 200, 200);
  EXPECT_EQ(FloodFill(wall.context(), 2, 0, light_grey), FALSE);  // starts on the boundary
  EXPECT_EQ(FloodFill(wall.context(), 0, 1, light_grey), TRUE);
  EXPECT_EQ(wall.rows(4, 2), std::vector<std::string>({"...#", "...#"}));
}

struct InfoWithColors {
  BITMAPINFOHEADER header;
  RGBQUAD colors[256];
};

TEST(MonochromeBitmaps, GetDIBitsConvertsToEveryDepth) {
  HBITMAP mono = CreateBitmap(10, 2, 1, 1, TEN_BY_TWO);
  HDC screen = GetDC(nullptr);
  // The DIB's bottom row first: "####.....#", then ".#.######.".
  struct Case {
    WORD bits;
    std::vector<BYTE> expected;  // the first bytes of the DIB
  };
  const Case cases[] = {
      {1, {0x0F, 0x80, 0, 0, 0xA0, 0x40, 0, 0}},
      {4, {0, 0, 0xFF, 0xFF, 0xF0, 0, 0, 0, 0xF0, 0xF0, 0, 0, 0x0F, 0, 0, 0}},
      {8, {0, 0, 0, 0, 15, 15, 15, 15, 15, 0, 0, 0, 15, 0, 15, 0, 0, 0, 0, 0, 0, 15, 0, 0}},
      {24, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255}},
      {32, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << " bits");
    InfoWithColors format{};
    format.header = {sizeof(BITMAPINFOHEADER), 10, 2, 1, c.bits, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<BYTE> bits(2 * 40, 0xCD);
    ASSERT_EQ(GetDIBits(screen, mono, 0, 2, bits.data(), reinterpret_cast<BITMAPINFO*>(&format),
                        DIB_RGB_COLORS),
              2);
    EXPECT_EQ(std::vector<BYTE>(bits.begin(), bits.begin() + c.expected.size()), c.expected);
  }
  InfoWithColors one{};
  one.header = {sizeof(BITMAPINFOHEADER), 10, 2, 1, 1, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<BYTE> bits(8);
  GetDIBits(screen, mono, 0, 2, bits.data(), reinterpret_cast<BITMAPINFO*>(&one), DIB_RGB_COLORS);
  EXPECT_EQ(one.colors[0].rgbRed + one.colors[0].rgbGreen + one.colors[0].rgbBlue, 0);
  EXPECT_EQ(one.colors[1].rgbRed & one.colors[1].rgbGreen & one.colors[1].rgbBlue, 255);
  ReleaseDC(nullptr, screen);
  DeleteObject(mono);
}

}  // namespace
