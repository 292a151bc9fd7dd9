// Palette entries, grey and blended palettes, index swapping and the
// nearest-colour search with its one-entry cache.
#include <algorithm>
#include <cstring>

#include "image/tximage.h"

namespace {

// Above any sum of three squared byte differences (3 × 255² = 195075).
constexpr long NO_DISTANCE = 200000;

long grey_value(const RGBQUAD& c) { return (601L * c.rgbGreen + 306L * c.rgbRed + 117L * c.rgbBlue) >> 10; }

long colour_distance(const RGBQUAD& a, const RGBQUAD& b) {
  const long blue = a.rgbBlue - b.rgbBlue;
  const long green = a.rgbGreen - b.rgbGreen;
  const long red = a.rgbRed - b.rgbRed;
  return blue * blue + green * green + red * red;
}

bool same_colour(const RGBQUAD& a, const RGBQUAD& b) {
  return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed &&
         a.rgbReserved == b.rgbReserved;
}

}  // namespace

void TxImage::InvalidateNearestColor() { Info.LastColorValid = false; }

bool TxImage::HasPaletteEntry(long index) const {
  return GetPalette() != nullptr && index >= 0 && index < static_cast<long>(Header.biClrUsed);
}

RGBQUAD* TxImage::GetPalette() const {
  if (DibBlock == nullptr || Header.biClrUsed == 0) return nullptr;
  return reinterpret_cast<RGBQUAD*>(static_cast<BYTE*>(DibBlock) + sizeof(BITMAPINFOHEADER));
}

RGBQUAD TxImage::GetPaletteColor(BYTE idx) const {
  if (!HasPaletteEntry(idx)) return RGBQUAD{0, 0, 0, 0};
  return GetPalette()[idx];
}

bool TxImage::GetPaletteColor(BYTE i, BYTE* r, BYTE* g, BYTE* b) const {
  if (!HasPaletteEntry(i) || r == nullptr || g == nullptr || b == nullptr) return false;
  const RGBQUAD& entry = GetPalette()[i];
  *r = entry.rgbRed;
  *g = entry.rgbGreen;
  *b = entry.rgbBlue;
  return true;
}

void TxImage::SetPaletteColor(BYTE idx, BYTE r, BYTE g, BYTE b, BYTE alpha) {
  SetPaletteColor(idx, RGBQUAD{b, g, r, alpha});
}

void TxImage::SetPaletteColor(BYTE idx, RGBQUAD c) {
  if (!HasPaletteEntry(idx)) return;
  GetPalette()[idx] = c;
  InvalidateNearestColor();
}

void TxImage::SetPaletteColor(BYTE idx, COLORREF cr) { SetPaletteColor(idx, RGBtoRGBQUAD(cr)); }

void TxImage::SetPalette(const RGBQUAD* entries, DWORD count) {
  RGBQUAD* palette = GetPalette();
  if (palette == nullptr || entries == nullptr) return;
  std::memcpy(palette, entries, sizeof(RGBQUAD) * std::min(count, Header.biClrUsed));
  InvalidateNearestColor();
}

void TxImage::SetPalette(const rgb_color* rgb, DWORD count) {
  RGBQUAD* palette = GetPalette();
  if (palette == nullptr || rgb == nullptr) return;
  const DWORD n = std::min(count, Header.biClrUsed);
  for (DWORD i = 0; i < n; ++i) {
    palette[i].rgbRed = rgb[i].r;
    palette[i].rgbGreen = rgb[i].g;
    palette[i].rgbBlue = rgb[i].b;
  }
  InvalidateNearestColor();
}

void TxImage::SetPalette(DWORD n, const BYTE* r, const BYTE* g, const BYTE* b) {
  RGBQUAD* palette = GetPalette();
  if (palette == nullptr || r == nullptr) return;
  if (g == nullptr) g = r;
  if (b == nullptr) b = g;
  n = std::min(n, Header.biClrUsed);
  for (DWORD i = 0; i < n; ++i) {
    palette[i].rgbRed = r[i];
    palette[i].rgbGreen = g[i];
    palette[i].rgbBlue = b[i];
  }
  InvalidateNearestColor();
}

void TxImage::SetGrayPalette() {
  RGBQUAD* palette = GetPalette();
  if (palette == nullptr || Header.biClrUsed < 2) return;
  const DWORD step = 255 / (Header.biClrUsed - 1);
  for (DWORD i = 0; i < Header.biClrUsed; ++i) {
    const BYTE level = static_cast<BYTE>(i * step);
    palette[i].rgbBlue = level;
    palette[i].rgbGreen = level;
    palette[i].rgbRed = level;
  }
  InvalidateNearestColor();
}

void TxImage::BlendPalette(COLORREF cr, long percent) {
  RGBQUAD* palette = GetPalette();
  if (palette == nullptr) return;
  percent = std::clamp(percent, 0L, 100L);
  const auto mix = [percent](BYTE old_value, BYTE colour) {
    return static_cast<BYTE>((old_value * (100 - percent) + colour * percent) / 100);
  };
  for (DWORD i = 0; i < Header.biClrUsed; ++i) {
    palette[i].rgbBlue = mix(palette[i].rgbBlue, GetBValue(cr));
    palette[i].rgbGreen = mix(palette[i].rgbGreen, GetGValue(cr));
    palette[i].rgbRed = mix(palette[i].rgbRed, GetRValue(cr));
  }
  InvalidateNearestColor();
}

bool TxImage::IsGrayScale() const {
  const RGBQUAD* palette = GetPalette();
  if (palette == nullptr) return false;
  for (DWORD i = 0; i < Header.biClrUsed; ++i) {
    if (palette[i].rgbBlue != i || palette[i].rgbGreen != i || palette[i].rgbRed != i) return false;
  }
  return true;
}

bool TxImage::IsSamePalette(const TxImage& img, bool compare_alpha) const {
  const RGBQUAD* mine = GetPalette();
  const RGBQUAD* theirs = img.GetPalette();
  if (mine == nullptr || theirs == nullptr || Header.biClrUsed != img.Header.biClrUsed) return false;
  for (DWORD i = 0; i < Header.biClrUsed; ++i) {
    if (mine[i].rgbBlue != theirs[i].rgbBlue || mine[i].rgbGreen != theirs[i].rgbGreen ||
        mine[i].rgbRed != theirs[i].rgbRed) {
      return false;
    }
    if (compare_alpha && mine[i].rgbReserved != theirs[i].rgbReserved) return false;
  }
  return true;
}

void TxImage::SwapIndex(BYTE idx1, BYTE idx2) {
  if (!HasPaletteEntry(idx1) || !HasPaletteEntry(idx2) || idx1 == idx2) return;
  RGBQUAD* palette = GetPalette();
  std::swap(palette[idx1], palette[idx2]);
  InvalidateNearestColor();
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) {
      const BYTE index = BlindGetPixelIndex(x, y);
      if (index == idx1) BlindSetPixelIndex(x, y, idx2);
      if (index == idx2) BlindSetPixelIndex(x, y, idx1);
    }
  }
}

BYTE TxImage::GetNearestIndex(RGBQUAD c) {
  const RGBQUAD* palette = GetPalette();
  if (palette == nullptr || Header.biBitCount > 8) return 0;
  if (Info.LastColorValid && same_colour(c, Info.LastColor)) return Info.LastColorIndex;
  Info.LastColor = c;
  Info.LastColorValid = true;
  const DWORD important = Header.biClrImportant != 0 ? Header.biClrImportant : Header.biClrUsed;
  const DWORD count = std::min(important, Header.biClrUsed);
  long best_distance = NO_DISTANCE;
  BYTE best = 0;
  for (DWORD i = 0; i < count; ++i) {
    const long distance = colour_distance(palette[i], c);
    if (distance < best_distance) {
      best_distance = distance;
      best = static_cast<BYTE>(i);
      if (distance == 0) break;
    }
  }
  Info.LastColorIndex = best;
  return best;
}

void TxImage::RGBtoBGR(BYTE* buffer, int length) const {
  if (buffer == nullptr || DibBlock == nullptr || Header.biClrUsed != 0) return;
  // Only whole pixels: the last group never reaches past the buffer.
  const long end = std::min<long>(length, static_cast<long>(Info.EffWidth));
  for (long i = 0; i + 3 <= end; i += 3) std::swap(buffer[i], buffer[i + 2]);
}

int TxImage::CompareColors(const void* a, const void* b) {
  return static_cast<int>(grey_value(*static_cast<const RGBQUAD*>(b)) -
                          grey_value(*static_cast<const RGBQUAD*>(a)));
}
