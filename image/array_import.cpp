// Images built from a caller's pixel array or row pointers.
#include <algorithm>
#include <cstring>

#include "image/tximage.h"

namespace {

bool supported_depth(DWORD bits_per_pixel) {
  switch (bits_per_pixel) {
    case 1: case 4: case 8: case 24: case 32: return true;
    default: return false;
  }
}

// 4-byte blue, green, red, alpha pixels into a 24-bit row and an alpha row.
void split_bgra_row(const BYTE* source, BYTE* pixels, BYTE* alpha, DWORD width) {
  for (DWORD x = 0; x < width; ++x) {
    pixels[0] = source[0];
    pixels[1] = source[1];
    pixels[2] = source[2];
    if (alpha != nullptr) alpha[x] = source[3];
    pixels += 3;
    source += 4;
  }
}

}  // namespace

bool TxImage::ImportRows(const BYTE* const* rows, const BYTE* pixels, DWORD width, DWORD height,
                         DWORD bits_per_pixel, DWORD row_bytes, bool flip) {
  if (!supported_depth(bits_per_pixel)) return false;
  // 32-bit rows are read 4 × width bytes at a time.
  if (bits_per_pixel == 32 && row_bytes / 4 < width) return false;
  if (Create(width, height, bits_per_pixel, FORMAT_UNKNOWN) == nullptr) return false;
  if (bits_per_pixel < 24) SetGrayPalette();
  if (bits_per_pixel == 32) AlphaCreate();
  const size_t copy_bytes = std::min<size_t>(Info.EffWidth, row_bytes);
  for (DWORD y = 0; y < height; ++y) {
    const BYTE* source = rows != nullptr ? rows[y] : pixels + static_cast<size_t>(y) * row_bytes;
    if (source == nullptr) continue;
    const DWORD target_row = flip ? height - 1 - y : y;
    if (bits_per_pixel == 32) {
      BYTE* alpha = AlphaPlane != nullptr ? AlphaPlane + static_cast<size_t>(target_row) * width : nullptr;
      split_bgra_row(source, GetBits(target_row), alpha, width);
    } else {
      std::memcpy(GetBits(target_row), source, copy_bytes);
    }
  }
  return true;
}

bool TxImage::CreateFromArray(const BYTE* pixels, DWORD width, DWORD height, DWORD bits_per_pixel,
                              DWORD row_bytes, bool flip) {
  if (pixels == nullptr) return false;
  return ImportRows(nullptr, pixels, width, height, bits_per_pixel, row_bytes, flip);
}

bool TxImage::CreateFromMatrix(const BYTE* const* rows, DWORD width, DWORD height, DWORD bits_per_pixel,
                               DWORD row_bytes, bool flip) {
  if (rows == nullptr) return false;
  return ImportRows(rows, nullptr, width, height, bits_per_pixel, row_bytes, flip);
}
