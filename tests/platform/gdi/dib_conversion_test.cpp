#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/platform/gdi/canvas.h"

namespace {

struct InfoWithColors {
  BITMAPINFOHEADER header;
  RGBQUAD colors[256];

  BITMAPINFO* info() { return reinterpret_cast<BITMAPINFO*>(this); }
};

InfoWithColors dib_format(int width, int height, WORD bits) {
  InfoWithColors format{};
  format.header = {sizeof(BITMAPINFOHEADER), width, height, 1, bits, BI_RGB, 0, 0, 0, 0, 0};
  std::memset(format.colors, 0xAB, sizeof format.colors);
  return format;
}

// 3 x 2: black, white, red above green, blue, grey.
class DibConversion : public ::testing::Test {
 protected:
  DibConversion() : canvas(3, 2) {
    const COLORREF colors[2][3] = {{RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 0, 0)},
                                   {RGB(0, 255, 0), RGB(0, 0, 255), RGB(128, 128, 128)}};
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) SetPixel(canvas.context(), x, y, colors[y][x]);
  }

  std::vector<BYTE> convert(InfoWithColors& format, UINT first = 0, UINT lines = 2) {
    std::vector<BYTE> bits(24, 0xCD);
    last_result = GetDIBits(canvas.screen(), canvas.bitmap(), first, lines, bits.data(),
                            format.info(), DIB_RGB_COLORS);
    return bits;
  }

  Canvas canvas;
  int last_result = -1;
};

TEST_F(DibConversion, ConvertsToEveryDepthBottomRowFirst) {
  struct Case {
    WORD bits;
    LONG height;
    std::vector<BYTE> expected;
  };
  const Case cases[] = {
      {32, 2, {0, 255, 0, 0, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0}},
      {32, -2, {0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 128, 128, 128, 0}},
      {24, 2, {0, 255, 0, 255, 0, 0, 128, 128, 128, 0, 0, 0, 0, 0, 0, 255, 255, 255, 0, 0, 255, 0, 0, 0}},
      // Indices into the sixteen colours: green 10, blue 12, grey 8, black 0,
      // white 15, red 9.
      {8, 2, {10, 12, 8, 0, 0, 15, 9, 0}},
      {4, 2, {0xAC, 0x80, 0, 0, 0x0F, 0x90, 0, 0}},
      // Nearest of black and white: only white and grey are light.
      {1, 2, {0x20, 0, 0, 0, 0x40, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << " bits, height " << c.height);
    InfoWithColors format = dib_format(3, c.height, c.bits);
    std::vector<BYTE> bits = convert(format);
    EXPECT_EQ(last_result, 2);
    EXPECT_EQ(std::vector<BYTE>(bits.begin(), bits.begin() + c.expected.size()), c.expected);
  }
}

TEST_F(DibConversion, FillsTheColourTableOfIndexedFormats) {
  InfoWithColors one = dib_format(3, 2, 1);
  convert(one);
  EXPECT_EQ(one.colors[0].rgbRed + one.colors[0].rgbGreen + one.colors[0].rgbBlue, 0);
  EXPECT_EQ(one.colors[1].rgbRed & one.colors[1].rgbGreen & one.colors[1].rgbBlue, 255);
  EXPECT_EQ(one.colors[2].rgbRed, 0xAB);  // past the two entries nothing is written

  InfoWithColors four = dib_format(3, 2, 4);
  convert(four);
  EXPECT_EQ(four.colors[9].rgbRed, 255);
  EXPECT_EQ(four.colors[9].rgbGreen, 0);
  EXPECT_EQ(four.colors[8].rgbRed, 128);
  EXPECT_EQ(four.colors[16].rgbRed, 0xAB);

  InfoWithColors eight = dib_format(3, 2, 8);
  convert(eight);
  EXPECT_EQ(eight.colors[12].rgbBlue, 255);
  EXPECT_EQ(eight.colors[255].rgbReserved, 0);
}

TEST_F(DibConversion, CopiesOnlyTheRowsAskedFor) {
  InfoWithColors format = dib_format(3, 2, 32);
  std::vector<BYTE> bits = convert(format, 1, 5);
  EXPECT_EQ(last_result, 1);
  EXPECT_EQ(bits[4], 255);   // the top row (white at x = 1) lands first
  EXPECT_EQ(bits[12], 0xCD);  // and nothing after it
  convert(format, 2, 1);
  EXPECT_EQ(last_result, 0);
}

TEST_F(DibConversion, RefusesFormatsItCannotWrite) {
  struct Case {
    const char* what;
    void (*spoil)(InfoWithColors&);
  };
  const Case cases[] = {
      {"16 bits", [](InfoWithColors& f) { f.header.biBitCount = 16; }},
      {"2 bits", [](InfoWithColors& f) { f.header.biBitCount = 2; }},
      {"compressed", [](InfoWithColors& f) { f.header.biCompression = BI_RLE8; }},
      {"other width", [](InfoWithColors& f) { f.header.biWidth = 4; }},
      {"other height", [](InfoWithColors& f) { f.header.biHeight = 3; }},
      {"core header", [](InfoWithColors& f) { f.header.biSize = sizeof(BITMAPCOREHEADER); }},
      {"huge header", [](InfoWithColors& f) { f.header.biSize = 0x7FFFFFFF; }},
  };
  for (const Case& c : cases) {
    InfoWithColors format = dib_format(3, 2, 8);
    c.spoil(format);
    std::vector<BYTE> bits = convert(format);
    EXPECT_EQ(last_result, 0) << c.what;
    EXPECT_EQ(bits[0], 0xCD) << c.what;
  }
  InfoWithColors format = dib_format(3, 2, 24);
  BYTE bits[24];
  EXPECT_EQ(GetDIBits(canvas.screen(), canvas.bitmap(), 0, 2, bits, format.info(), DIB_PAL_COLORS), 0);
  EXPECT_EQ(GetDIBits(canvas.screen(), canvas.bitmap(), 0, 2, nullptr, format.info(), DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetDIBits(canvas.screen(), canvas.bitmap(), 0, 2, bits, nullptr, DIB_RGB_COLORS), 0);
}

}  // namespace
