// Reading a rendered bitmap back, and a fixture that leaves the Workspace
// as it found it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/barcode_symbol.h"
#include "platform/gdi/gdi.h"

constexpr COLORREF BLACK = 0x000000;
constexpr COLORREF WHITE = 0xFFFFFF;

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;  // rows top down

  COLORREF at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }

  bool operator==(const Picture&) const = default;
};

// The bitmap's pixels, through the same DIB conversion an image import uses.
inline Picture read_picture(HBITMAP bitmap) {
  Picture picture;
  BITMAP description{};
  if (GetObjectA(bitmap, sizeof description, &description) == 0) return picture;
  picture.width = description.bmWidth;
  picture.height = description.bmHeight;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), picture.width, -picture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<RGBQUAD> bits(static_cast<std::size_t>(picture.width) * picture.height);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, picture.height, bits.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  for (const RGBQUAD& q : bits) picture.pixels.push_back(RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
  return picture;
}

// The box around the pixels in which two pictures of one size differ.
struct Difference {
  int left = 1 << 30;
  int top = 1 << 30;
  int right = -1;
  int bottom = -1;
  int count = 0;
};

inline Difference difference(const Picture& a, const Picture& b) {
  Difference d;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      if (a.at(x, y) == b.at(x, y)) continue;
      d.left = std::min(d.left, x);
      d.top = std::min(d.top, y);
      d.right = std::max(d.right, x);
      d.bottom = std::max(d.bottom, y);
      ++d.count;
    }
  }
  return d;
}

// Starts every test from InitWorkspace's record and releases the bitmap.
class RenderTest : public ::testing::Test {
 protected:
  RenderTest() {
    reset_symbol(workspace.symbol);
    workspace.symbol_bitmap = nullptr;
  }
  ~RenderTest() override {
    DeleteObject(workspace.symbol_bitmap);
    workspace.symbol_bitmap = nullptr;
  }

  BarcodeSymbol& symbol = workspace.symbol;

  // Writes module rows directly, as an encoder would.
  void set_rows(std::initializer_list<const char*> rows) {
    symbol.row_count = 0;
    for (const char* row : rows) {
      std::memcpy(symbol.module_rows[symbol.row_count], row, std::strlen(row));
      symbol.width = static_cast<int>(std::strlen(row));
      ++symbol.row_count;
    }
  }
};
