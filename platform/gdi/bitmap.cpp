#include "platform/gdi/bitmap.h"

#include <climits>
#include <new>

#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi.h"

namespace {

constexpr long long MAX_BITMAP_BYTES = INT_MAX;

// The last byte of a monochrome row that holds pixels, masked to them.
std::uint8_t last_byte_mask(int width) {
  int used = width % 8;
  return used == 0 ? 0xFF : static_cast<std::uint8_t>(0xFF << (8 - used));
}

bool supported_depth(UINT planes, UINT bits_per_pixel) {
  return planes == 1 &&
         (bits_per_pixel == MONOCHROME_BITS_PER_PIXEL || bits_per_pixel == SCREEN_BITS_PER_PIXEL);
}

// A new bitmap, or null when a side is 0 or below or the pixels would pass
// 2 GiB or cannot be had. The caller holds a GdiLock.
HBITMAP add_bitmap(int width, int height, int bits_per_pixel, const void* rows) {
  if (width <= 0 || height <= 0) return nullptr;
  if (Bitmap::row_bytes(width, bits_per_pixel) * height > MAX_BITMAP_BYTES) return nullptr;
  try {
    auto bitmap = std::make_unique<Bitmap>(width, height, bits_per_pixel);
    if (rows != nullptr) bitmap->load_rows(static_cast<const std::uint8_t*>(rows));
    return to_handle<HBITMAP>(object_table().add(std::move(bitmap)));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

long long Bitmap::row_bytes(long long width, int bits_per_pixel) {
  return (width * bits_per_pixel + 15) / 16 * 2;
}

Bitmap::Bitmap(int width, int height, int bits_per_pixel)
    : GdiObject(object_kind),
      width_(width),
      height_(height),
      bits_per_pixel_(bits_per_pixel),
      stride_(static_cast<int>(row_bytes(width, bits_per_pixel))),
      bytes_(static_cast<std::size_t>(stride_) * static_cast<std::size_t>(height), 0) {}

bool Bitmap::uniform(COLORREF color) const {
  const std::uint8_t* first = row_start(0);
  if (monochrome()) {
    std::uint8_t expected = color == WHITE_COLOR ? 0xFF : 0x00;
    int full = width_ / 8;
    for (int i = 0; i < full; ++i) {
      if (first[i] != expected) return false;
    }
    if (width_ % 8 != 0 && first[full] != (expected & last_byte_mask(width_))) return false;
  } else {
    for (int x = 0; x < width_; ++x) {
      if (pixel(x, 0) != color) return false;
    }
  }
  // Padding is 0 in every row, so the other rows must equal the first.
  for (int y = 1; y < height_; ++y) {
    if (std::memcmp(row_start(y), first, stride_) != 0) return false;
  }
  return true;
}

void Bitmap::fill(COLORREF color) {
  for (int x = 0; x < width_; ++x) set_pixel(x, 0, color);
  for (int y = 1; y < height_; ++y) std::memcpy(row_start(y), row_start(0), stride_);
}

void Bitmap::copy_row_bgr(int y, std::uint8_t* out, int bytes_per_pixel) const {
  const std::uint8_t* row = row_start(y);
  // Stored true-colour pixels are blue, green, red and 0 already.
  if (!monochrome() && bytes_per_pixel == 4) {
    std::memcpy(out, row, static_cast<std::size_t>(width_) * 4);
    return;
  }
  if (!monochrome()) {
    for (std::size_t x = 0; x < static_cast<std::size_t>(width_); ++x) std::memcpy(out + 3 * x, row + 4 * x, 3);
    return;
  }
  for (int x = 0; x < width_; ++x) {
    COLORREF color = pixel(x, y);
    std::uint8_t* target = out + static_cast<std::size_t>(x) * bytes_per_pixel;
    target[0] = GetBValue(color);
    target[1] = GetGValue(color);
    target[2] = GetRValue(color);
    if (bytes_per_pixel == 4) target[3] = 0;
  }
}

void Bitmap::copy_row_bits(int y, std::uint8_t* out) const {
  std::memcpy(out, row_start(y), (static_cast<std::size_t>(width_) + 7) / 8);
}

void Bitmap::load_rows(const std::uint8_t* rows) {
  std::memcpy(bytes_.data(), rows, bytes_.size());
  for (int y = 0; y < height_; ++y) {
    std::uint8_t* row = row_start(y);
    if (monochrome()) {
      int used = (width_ + 7) / 8;
      row[used - 1] &= last_byte_mask(width_);
      std::memset(row + used, 0, stride_ - used);
    } else {
      // The fourth byte of a pixel is not part of its colour.
      for (int x = 0; x < width_; ++x) row[4 * static_cast<std::size_t>(x) + 3] = 0;
    }
  }
}

HBITMAP CreateCompatibleBitmap(HDC context, int width, int height) {
  GdiLock lock;
  const DeviceContext* dc = find_object<DeviceContext>(context);
  if (dc == nullptr) return nullptr;
  // A memory context makes bitmaps like the one selected into it (at first
  // the stock monochrome bitmap), the screen true-colour ones.
  int bits_per_pixel = SCREEN_BITS_PER_PIXEL;
  if (!dc->screen) bits_per_pixel = find_object<Bitmap>(dc->bitmap)->bits_per_pixel();
  return add_bitmap(width, height, bits_per_pixel, nullptr);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel, const void* bits) {
  if (!supported_depth(planes, bits_per_pixel)) return nullptr;
  GdiLock lock;
  return add_bitmap(width, height, static_cast<int>(bits_per_pixel), bits);
}

HBITMAP CreateBitmapIndirect(const BITMAP* description) {
  if (description == nullptr) return nullptr;
  if (description->bmBits != nullptr &&
      description->bmWidthBytes != Bitmap::row_bytes(description->bmWidth, description->bmBitsPixel)) {
    return nullptr;
  }
  return CreateBitmap(description->bmWidth, description->bmHeight, description->bmPlanes,
                      description->bmBitsPixel, description->bmBits);
}
