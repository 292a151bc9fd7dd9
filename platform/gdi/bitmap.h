// A device-dependent bitmap of the surface: 32 bits per pixel, rows top
// down, each pixel stored as 0x00RRGGBB (the byte order of a 32-bit DIB).
// Drawing reaches the pixels only through pixel() and set_pixel(), so other
// storage formats can join behind them.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi/object_table.h"

constexpr int SCREEN_BITS_PER_PIXEL = 32;

class Bitmap final : public GdiObject {
 public:
  static constexpr GdiKind object_kind = GdiKind::bitmap;

  // Black pixels; throws std::bad_alloc when they cannot be had.
  Bitmap(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  int bits_per_pixel() const { return SCREEN_BITS_PER_PIXEL; }
  bool contains(long long x, long long y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_;
  }

  // Callers check contains() first.
  COLORREF pixel(int x, int y) const;
  void set_pixel(int x, int y, COLORREF color);

  // The context the bitmap is selected into, or null.
  HDC selected_into = nullptr;

 private:
  int width_;
  int height_;
  std::vector<std::uint32_t> pixels_;
};

// The bitmap a context draws into, or null when the context is invalid or
// holds no drawable bitmap (the screen, or the stock bitmap).
Bitmap* target_bitmap(HDC context);
