// GetDIBits: a bitmap's pixels as a device-independent bitmap in the
// caller's format, indexed formats through a fixed colour table.
#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <vector>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi.h"

namespace {

constexpr RGBQUAD rgb(BYTE r, BYTE g, BYTE b) { return {b, g, r, 0}; }

constexpr std::array<RGBQUAD, 2> MONOCHROME_COLORS = {rgb(0, 0, 0), rgb(255, 255, 255)};

// The sixteen colours of the platform's 4-bit palette.
constexpr std::array<RGBQUAD, 16> SIXTEEN_COLORS = {
    rgb(0, 0, 0),       rgb(128, 0, 0),   rgb(0, 128, 0),   rgb(128, 128, 0),
    rgb(0, 0, 128),     rgb(128, 0, 128), rgb(0, 128, 128), rgb(192, 192, 192),
    rgb(128, 128, 128), rgb(255, 0, 0),   rgb(0, 255, 0),   rgb(255, 255, 0),
    rgb(0, 0, 255),     rgb(255, 0, 255), rgb(0, 255, 255), rgb(255, 255, 255)};

// The sixteen colours, a 6 x 6 x 6 colour cube and 24 greys.
constexpr std::array<RGBQUAD, 256> TWO_HUNDRED_FIFTY_SIX_COLORS = [] {
  std::array<RGBQUAD, 256> table{};
  int next = 0;
  for (RGBQUAD color : SIXTEEN_COLORS) table[next++] = color;
  constexpr BYTE cube_levels[6] = {0, 51, 102, 153, 204, 255};
  for (BYTE r : cube_levels)
    for (BYTE g : cube_levels)
      for (BYTE b : cube_levels) table[next++] = rgb(r, g, b);
  for (int grey = 0; grey < 24; ++grey) {
    BYTE level = static_cast<BYTE>(8 + 10 * grey);
    table[next++] = rgb(level, level, level);
  }
  return table;
}();

std::span<const RGBQUAD> color_table(int bits_per_pixel) {
  switch (bits_per_pixel) {
    case 1: return MONOCHROME_COLORS;
    case 4: return SIXTEEN_COLORS;
    case 8: return TWO_HUNDRED_FIFTY_SIX_COLORS;
    default: return {};
  }
}

// Maps colours to the index of the nearest table entry (the first of equals),
// remembering the last answer: pictures repeat their few colours.
class NearestColor {
 public:
  explicit NearestColor(std::span<const RGBQUAD> table) : table_(table) {}

  int index_of(COLORREF color) {
    if (color == last_color_) return last_index_;
    long best_distance = -1;
    for (std::size_t i = 0; i < table_.size(); ++i) {
      long dr = table_[i].rgbRed - GetRValue(color);
      long dg = table_[i].rgbGreen - GetGValue(color);
      long db = table_[i].rgbBlue - GetBValue(color);
      long distance = dr * dr + dg * dg + db * db;
      if (best_distance < 0 || distance < best_distance) {
        best_distance = distance;
        last_index_ = static_cast<int>(i);
      }
    }
    last_color_ = color;
    return last_index_;
  }

 private:
  std::span<const RGBQUAD> table_;
  COLORREF last_color_ = CLR_INVALID;
  int last_index_ = 0;
};

bool supported_format(const BITMAPINFOHEADER& header, const Bitmap& bitmap) {
  long long height = header.biHeight < 0 ? -static_cast<long long>(header.biHeight) : header.biHeight;
  bool depth = header.biBitCount == 1 || header.biBitCount == 4 || header.biBitCount == 8 ||
               header.biBitCount == 24 || header.biBitCount == 32;
  // The information, version 4 and version 5 headers.
  bool known_header = header.biSize == 40 || header.biSize == 108 || header.biSize == 124;
  return known_header && header.biCompression == BI_RGB && depth &&
         header.biWidth == bitmap.width() && height == bitmap.height();
}

std::size_t row_bytes(int width, int bits_per_pixel) {
  return ((static_cast<std::size_t>(width) * bits_per_pixel + 31) / 32) * 4;
}

void write_indexed_row(const Bitmap& bitmap, int y, int bits_per_pixel, NearestColor& nearest,
                       BYTE* row) {
  // Black and white are entries 0 and 1 of the 2-colour table.
  if (bits_per_pixel == 1 && bitmap.monochrome()) {
    bitmap.copy_row_bits(y, row);
    return;
  }
  int per_byte = 8 / bits_per_pixel;
  for (int x = 0; x < bitmap.width(); ++x) {
    int index = nearest.index_of(bitmap.pixel(x, y));
    int shift = (per_byte - 1 - x % per_byte) * bits_per_pixel;
    row[x / per_byte] |= static_cast<BYTE>(index << shift);
  }
}

}  // namespace

int GetDIBits(HDC context, HBITMAP bitmap, UINT first, UINT lines, LPVOID bits, BITMAPINFO* info,
              UINT usage) {
  GdiLock lock;
  const Bitmap* source = find_object<Bitmap>(bitmap);
  if (find_object<DeviceContext>(context) == nullptr || source == nullptr || bits == nullptr ||
      info == nullptr || usage != DIB_RGB_COLORS || !supported_format(info->bmiHeader, *source)) {
    return 0;
  }
  const BITMAPINFOHEADER& header = info->bmiHeader;
  UINT height = static_cast<UINT>(source->height());
  if (first >= height) return 0;
  UINT copied = std::min(lines, height - first);

  int depth = header.biBitCount;
  std::span<const RGBQUAD> table = color_table(depth);
  // The colour table follows the header, whatever the header's size.
  if (!table.empty()) {
    std::memcpy(reinterpret_cast<BYTE*>(info) + header.biSize, table.data(), table.size_bytes());
  }
  NearestColor nearest(table);

  std::size_t stride = row_bytes(source->width(), depth);
  BYTE* out = static_cast<BYTE*>(bits);
  for (UINT i = 0; i < copied; ++i) {
    UINT dib_row = first + i;
    int y = header.biHeight > 0 ? static_cast<int>(height - 1 - dib_row) : static_cast<int>(dib_row);
    BYTE* row = out + i * stride;
    std::memset(row, 0, stride);
    if (depth <= 8) {
      write_indexed_row(*source, y, depth, nearest, row);
    } else {
      source->copy_row_bgr(y, row, depth / 8);
    }
  }
  return static_cast<int>(copied);
}
