// Pixel access and flood fill on the bitmap selected into a context.
#include <new>
#include <vector>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi.h"

namespace {

constexpr COLORREF SET_PIXEL_FAILED = static_cast<COLORREF>(-1);

// A scanline fill: each popped seed grows into the widest run of its row
// that is neither boundary nor already filled, and seeds the runs above and
// below it. Filled pixels are marked, so a brush of any colour terminates.
class AreaFill {
 public:
  AreaFill(Bitmap& bitmap, COLORREF boundary, COLORREF brush)
      : bitmap_(bitmap),
        boundary_(boundary),
        brush_(brush),
        filled_(static_cast<std::size_t>(bitmap.width()) * bitmap.height(), false) {}

  void run(int x, int y) {
    seeds_.push_back({x, y});
    while (!seeds_.empty()) {
      POINT seed = seeds_.back();
      seeds_.pop_back();
      if (fillable(seed.x, seed.y)) fill_run(seed.x, seed.y);
    }
  }

 private:
  bool fillable(int x, int y) const {
    return !filled_[index(x, y)] && bitmap_.pixel(x, y) != boundary_;
  }

  std::size_t index(int x, int y) const {
    return static_cast<std::size_t>(y) * bitmap_.width() + x;
  }

  void fill_run(int x, int y) {
    int left = x;
    while (left > 0 && fillable(left - 1, y)) --left;
    int right = x;
    while (right + 1 < bitmap_.width() && fillable(right + 1, y)) ++right;
    for (int i = left; i <= right; ++i) {
      bitmap_.set_pixel(i, y, brush_);
      filled_[index(i, y)] = true;
    }
    if (y > 0) seed_runs(left, right, y - 1);
    if (y + 1 < bitmap_.height()) seed_runs(left, right, y + 1);
  }

  void seed_runs(int left, int right, int y) {
    bool in_run = false;
    for (int i = left; i <= right; ++i) {
      bool open = fillable(i, y);
      if (open && !in_run) seeds_.push_back({i, y});
      in_run = open;
    }
  }

  Bitmap& bitmap_;
  const COLORREF boundary_;
  const COLORREF brush_;
  std::vector<bool> filled_;
  std::vector<POINT> seeds_;
};

}  // namespace

COLORREF SetPixel(HDC context, int x, int y, COLORREF color) {
  GdiLock lock;
  Bitmap* bitmap = target_bitmap(context);
  if (bitmap == nullptr || !bitmap->contains(x, y)) return SET_PIXEL_FAILED;
  return bitmap->set_pixel(x, y, color);
}

COLORREF GetPixel(HDC context, int x, int y) {
  GdiLock lock;
  const Bitmap* bitmap = target_bitmap(context);
  if (bitmap == nullptr || !bitmap->contains(x, y)) return CLR_INVALID;
  return bitmap->pixel(x, y);
}

BOOL FloodFill(HDC context, int x, int y, COLORREF boundary_color) {
  GdiLock lock;
  Bitmap* bitmap = target_bitmap(context);
  if (bitmap == nullptr || !bitmap->contains(x, y)) return FALSE;
  COLORREF boundary = bitmap->stored_color(boundary_color);
  COLORREF start = bitmap->pixel(x, y);
  if (start == boundary) return FALSE;
  COLORREF brush = find_object<DeviceContext>(context)->brush_color;
  // A bitmap of one colour (a new one, say) holds no boundary: all of it
  // is filled.
  if (bitmap->uniform(start)) {
    bitmap->fill(brush);
    return TRUE;
  }
  try {
    AreaFill(*bitmap, boundary, brush).run(x, y);
  } catch (const std::bad_alloc&) {
    return FALSE;
  }
  return TRUE;
}
