#include "platform/gdi/bitmap.h"

#include <climits>
#include <new>

#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi.h"

namespace {

constexpr long long MAX_BITMAP_BYTES = INT_MAX;

std::uint32_t stored_pixel(COLORREF color) {
  return (static_cast<std::uint32_t>(GetRValue(color)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(color)) << 8) | GetBValue(color);
}

COLORREF colorref_of(std::uint32_t stored) {
  return RGB(static_cast<BYTE>(stored >> 16), static_cast<BYTE>(stored >> 8),
             static_cast<BYTE>(stored));
}

}  // namespace

Bitmap::Bitmap(int width, int height)
    : GdiObject(object_kind),
      width_(width),
      height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0) {}

COLORREF Bitmap::pixel(int x, int y) const {
  return colorref_of(pixels_[static_cast<std::size_t>(y) * width_ + x]);
}

void Bitmap::set_pixel(int x, int y, COLORREF color) {
  pixels_[static_cast<std::size_t>(y) * width_ + x] = stored_pixel(color);
}

Bitmap* target_bitmap(HDC context) {
  DeviceContext* dc = find_object<DeviceContext>(context);
  if (dc == nullptr) return nullptr;
  Bitmap* bitmap = find_object<Bitmap>(dc->bitmap);
  if (bitmap == nullptr || bitmap->stock) return nullptr;
  return bitmap;
}

HBITMAP CreateCompatibleBitmap(HDC context, int width, int height) {
  std::lock_guard lock(gdi_mutex());
  if (find_object<DeviceContext>(context) == nullptr) return nullptr;
  if (width <= 0 || height <= 0) return nullptr;
  long long bytes = static_cast<long long>(width) * height * (SCREEN_BITS_PER_PIXEL / 8);
  if (bytes > MAX_BITMAP_BYTES) return nullptr;
  try {
    return to_handle<HBITMAP>(object_table().add(std::make_unique<Bitmap>(width, height)));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
