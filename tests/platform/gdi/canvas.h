// A memory context with a white bitmap selected, released at the end of the
// test, and helpers to look at its pixels.
#pragma once

#include <algorithm>

#include "platform/gdi/gdi.h"

struct PixelBounds {
  int left = 0;
  int top = 0;
  int right = -1;   // inclusive; right < left when no pixel was found
  int bottom = -1;
  int count = 0;
};

class Canvas {
 public:
  Canvas(int width, int height)
      : screen_(GetDC(nullptr)),
        context_(CreateCompatibleDC(screen_)),
        bitmap_(CreateCompatibleBitmap(screen_, width, height)),
        width_(width),
        height_(height) {
    previous_ = SelectObject(context_, bitmap_);
    FloodFill(context_, 0, 0, 0x00FFFFFF);
  }
  ~Canvas() {
    SelectObject(context_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(context_);
    ReleaseDC(nullptr, screen_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC screen() const { return screen_; }
  HDC context() const { return context_; }
  HBITMAP bitmap() const { return bitmap_; }

  // The box around every pixel that differs from white.
  PixelBounds non_white() const {
    PixelBounds bounds{width_, height_, -1, -1, 0};
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        if (GetPixel(context_, x, y) == 0x00FFFFFF) continue;
        bounds.left = std::min(bounds.left, x);
        bounds.top = std::min(bounds.top, y);
        bounds.right = std::max(bounds.right, x);
        bounds.bottom = std::max(bounds.bottom, y);
        ++bounds.count;
      }
    }
    return bounds;
  }

 private:
  HDC screen_;
  HDC context_;
  HBITMAP bitmap_;
  HBITMAP previous_ = nullptr;
  int width_;
  int height_;
};
