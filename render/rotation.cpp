#include "render/rotation.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/gdi.h"
#include "render/picture_size.h"

namespace {

constexpr double ONE_NINETIETH = 0.011111111111111112;
constexpr COLORREF WHITE = 0x00FFFFFF;

struct Turn {
  double c;
  double s;
};

// The bounding box of the turned picture, from the images of its corners
// (W, 0), (0, H) and (W - 1, H), each coordinate rounded down; the origin
// stays in place.
struct Bounds {
  long long min_x = 0;
  long long max_x = 0;
  long long min_y = 0;
  long long max_y = 0;

  void include(double x, double y) {
    long long fx = static_cast<long long>(std::floor(x));
    long long fy = static_cast<long long>(std::floor(y));
    min_x = std::min(min_x, fx);
    max_x = std::max(max_x, fx);
    min_y = std::min(min_y, fy);
    max_y = std::max(max_y, fy);
  }
};

Bounds turned_bounds(const Turn& turn, double width, double height) {
  Bounds bounds;
  bounds.include(width * turn.c, width * turn.s);
  bounds.include(-height * turn.s, height * turn.c);
  bounds.include((width - 1) * turn.c - height * turn.s, (width - 1) * turn.s + height * turn.c);
  return bounds;
}

// Inverse mapping: each destination pixel takes the source pixel it comes
// from, the coordinates truncated toward zero after subtracting 0.5, and is
// white when there is none. Every pixel is written, so the new bitmap needs
// no white fill first (a fill from (2, 2) would miss bitmaps narrower or
// lower than 3 pixels).
void copy_turned(HDC source, int width, int height, HDC target, const Turn& turn,
                 const Bounds& bounds, long long target_width, long long target_height) {
  for (long long ny = 0; ny < target_height; ++ny) {
    double y = static_cast<double>(bounds.min_y + ny);
    for (long long nx = 0; nx < target_width; ++nx) {
      double x = static_cast<double>(bounds.min_x + nx);
      double sx = std::trunc(x * turn.c + y * turn.s - 0.5);
      double sy = std::trunc(y * turn.c - x * turn.s - 0.5);
      bool inside = sx >= 0 && sx < width && sy >= 0 && sy < height;
      COLORREF color = inside ? GetPixel(source, static_cast<int>(sx), static_cast<int>(sy)) : WHITE;
      SetPixel(target, static_cast<int>(nx), static_cast<int>(ny), color);
    }
  }
}

}  // namespace

HBITMAP rotate_bitmap(HDC source_context, int width, int height, int angle) {
  double theta = std::acos(0.0) * -static_cast<double>(angle) * ONE_NINETIETH;
  Turn turn{std::cos(theta), std::sin(theta)};
  Bounds bounds = turned_bounds(turn, width, height);
  long long target_width = bounds.max_x + 2 - bounds.min_x;
  long long target_height = bounds.max_y + 2 - bounds.min_y;
  if (!picture_size_in_range(target_width, target_height)) return nullptr;

  HDC screen = GetDC(nullptr);
  HDC target = CreateCompatibleDC(screen);
  HBITMAP turned = CreateCompatibleBitmap(screen, static_cast<int>(target_width),
                                          static_cast<int>(target_height));
  if (turned != nullptr) {
    HBITMAP stock = SelectObject(target, turned);
    copy_turned(source_context, width, height, target, turn, bounds, target_width, target_height);
    SelectObject(target, stock);
  }
  ReleaseDC(nullptr, screen);
  DeleteDC(target);
  return turned;
}
