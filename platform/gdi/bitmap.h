// A device-dependent bitmap of the surface, in one of the two formats the
// platform's memory bitmaps come in: true colour, 32 bits per pixel, each
// pixel stored as 0x00RRGGBB (the byte order of a 32-bit DIB); or
// monochrome, 1 bit per pixel, 0 black and 1 white, the leftmost pixel in a
// byte's highest bit. Rows run top down, each padded to 2 bytes as the
// platform lays out device-dependent bitmaps; padding bits stay 0.
// Drawing reaches the pixels through pixel() and set_pixel() and the
// whole-bitmap and whole-row operations below, so other storage formats can
// join behind them.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/object_table.h"

constexpr int SCREEN_BITS_PER_PIXEL = 32;
constexpr int MONOCHROME_BITS_PER_PIXEL = 1;

constexpr COLORREF BLACK_COLOR = 0x00000000;
constexpr COLORREF WHITE_COLOR = 0x00FFFFFF;

class Bitmap final : public GdiObject {
 public:
  static constexpr GdiKind object_kind = GdiKind::bitmap;

  // Black pixels; bits_per_pixel is SCREEN_BITS_PER_PIXEL or
  // MONOCHROME_BITS_PER_PIXEL. Throws std::bad_alloc when the pixels cannot
  // be had.
  Bitmap(int width, int height, int bits_per_pixel);

  // Bytes per row of a bitmap of this width and depth: rows are padded to
  // 2 bytes.
  static long long row_bytes(long long width, int bits_per_pixel);

  int width() const { return width_; }
  int height() const { return height_; }
  int bits_per_pixel() const { return bits_per_pixel_; }
  bool monochrome() const { return bits_per_pixel_ == MONOCHROME_BITS_PER_PIXEL; }
  int width_bytes() const { return stride_; }
  bool contains(long long x, long long y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_;
  }

  // The colour a pixel takes when set to color: the colour itself (without
  // its high byte) for true colour, the nearer of black and white for
  // monochrome.
  COLORREF stored_color(COLORREF color) const {
    color &= 0x00FFFFFF;
    return monochrome() ? (is_light(color) ? WHITE_COLOR : BLACK_COLOR) : color;
  }

  // Callers check contains() first.
  COLORREF pixel(int x, int y) const {
    const std::uint8_t* row = row_start(y);
    if (monochrome()) return (row[x >> 3] >> (7 - (x & 7))) & 1 ? WHITE_COLOR : BLACK_COLOR;
    std::uint32_t stored;
    std::memcpy(&stored, row + 4 * static_cast<std::size_t>(x), sizeof stored);
    return colorref_of(stored);
  }
  // Sets the pixel to stored_color(color) and returns that colour.
  COLORREF set_pixel(int x, int y, COLORREF color) {
    std::uint8_t* row = row_start(y);
    if (monochrome()) {
      std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
      bool light = is_light(color);
      row[x >> 3] = static_cast<std::uint8_t>(light ? row[x >> 3] | bit : row[x >> 3] & ~bit);
      return light ? WHITE_COLOR : BLACK_COLOR;
    }
    std::uint32_t stored = stored_of(color);
    std::memcpy(row + 4 * static_cast<std::size_t>(x), &stored, sizeof stored);
    return color & 0x00FFFFFF;
  }

  // Whether every pixel has the colour color (a stored colour).
  bool uniform(COLORREF color) const;
  // Sets every pixel to stored_color(color).
  void fill(COLORREF color);

  // Row y's pixels as blue, green, red bytes, bytes_per_pixel (3 or 4)
  // apart, into out; the fourth byte of a 4-byte pixel is 0.
  void copy_row_bgr(int y, std::uint8_t* out, int bytes_per_pixel) const;
  // Row y as 1-bit indices into {black, white}, into out (width / 8 bytes
  // rounded up, padding bits 0). Monochrome bitmaps only.
  void copy_row_bits(int y, std::uint8_t* out) const;
  // Sets the pixels from rows laid out as this bitmap's own (width_bytes()
  // per row, top down), as the platform takes the initial bits of a new
  // bitmap.
  void load_rows(const std::uint8_t* rows);

  // The context the bitmap is selected into, or null.
  HDC selected_into = nullptr;

 private:
  // The nearer of black and white in RGB distance: white exactly when
  // r + g + b > 382.5, so no colour is as near to one as to the other.
  static bool is_light(COLORREF color) {
    return GetRValue(color) + GetGValue(color) + GetBValue(color) > 382;
  }
  // 0x00BBGGRR and 0x00RRGGBB turn into each other by reversing the bytes
  // and dropping the lowest.
  static std::uint32_t stored_of(COLORREF color) { return __builtin_bswap32(color) >> 8; }
  static COLORREF colorref_of(std::uint32_t stored) { return __builtin_bswap32(stored) >> 8; }
  const std::uint8_t* row_start(int y) const { return bytes_.data() + static_cast<std::size_t>(y) * stride_; }
  std::uint8_t* row_start(int y) { return bytes_.data() + static_cast<std::size_t>(y) * stride_; }

  int width_;
  int height_;
  int bits_per_pixel_;
  int stride_;
  std::vector<std::uint8_t> bytes_;
};
