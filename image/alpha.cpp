// The alpha plane (one byte per pixel, 0 transparent, 255 opaque) and the
// alpha palette (palette reserved bytes taken as alpha).
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "image/tximage.h"

namespace {

BYTE flatten_channel(BYTE background, BYTE colour, long alpha) {
  return static_cast<BYTE>((background * (255 - alpha) + colour * alpha) / 255);
}

}  // namespace

BYTE TxImage::BlindAlphaGet(long x, long y) const {
  return AlphaPlane[static_cast<size_t>(y) * GetWidth() + static_cast<size_t>(x)];
}

void TxImage::AlphaCreate() {
  if (AlphaPlane != nullptr || DibBlock == nullptr) return;
  const size_t size = static_cast<size_t>(GetWidth()) * GetHeight();
  AlphaPlane = static_cast<BYTE*>(std::malloc(size));
  if (AlphaPlane != nullptr) std::memset(AlphaPlane, 255, size);
}

void TxImage::AlphaDelete() {
  std::free(AlphaPlane);
  AlphaPlane = nullptr;
}

bool TxImage::AlphaIsValid() const { return AlphaPlane != nullptr; }

void TxImage::AlphaClear() { AlphaSet(static_cast<BYTE>(0)); }

void TxImage::AlphaSet(BYTE level) {
  if (AlphaPlane != nullptr) std::memset(AlphaPlane, level, static_cast<size_t>(GetWidth()) * GetHeight());
}

void TxImage::AlphaSet(long x, long y, BYTE level) {
  if (AlphaPlane != nullptr && IsInside(x, y)) {
    AlphaPlane[static_cast<size_t>(y) * GetWidth() + static_cast<size_t>(x)] = level;
  }
}

BYTE TxImage::AlphaGet(long x, long y) const {
  return AlphaPlane != nullptr && IsInside(x, y) ? BlindAlphaGet(x, y) : 0;
}

BYTE* TxImage::AlphaGetPointer(long x, long y) const {
  if (AlphaPlane == nullptr || !IsInside(x, y)) return nullptr;
  return AlphaPlane + static_cast<size_t>(y) * GetWidth() + static_cast<size_t>(x);
}

void TxImage::AlphaInvert() {
  if (AlphaPlane == nullptr) return;
  const size_t size = static_cast<size_t>(GetWidth()) * GetHeight();
  for (size_t i = 0; i < size; ++i) AlphaPlane[i] = static_cast<BYTE>(255 - AlphaPlane[i]);
}

bool TxImage::AlphaCopy(const TxImage& from) {
  if (from.AlphaPlane == nullptr || from.GetWidth() != GetWidth() || from.GetHeight() != GetHeight()) {
    return false;
  }
  AlphaCreate();
  if (AlphaPlane == nullptr) return false;
  if (&from != this) std::memcpy(AlphaPlane, from.AlphaPlane, static_cast<size_t>(GetWidth()) * GetHeight());
  Info.AlphaMax = from.Info.AlphaMax;
  return true;
}

bool TxImage::AlphaSet(const TxImage& from) {
  if (!from.IsGrayScale() || from.GetWidth() != GetWidth() || from.GetHeight() != GetHeight()) return false;
  AlphaCreate();
  if (AlphaPlane == nullptr) return false;
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  for (long y = 0; y < height; ++y) {
    BYTE* plane_row = AlphaPlane + static_cast<size_t>(y) * width;
    if (from.GetBpp() == 8) {
      std::memcpy(plane_row, from.GetBits(static_cast<DWORD>(y)), static_cast<size_t>(width));
      continue;
    }
    for (long x = 0; x < width; ++x) plane_row[x] = from.GetPixelIndex(x, y);
  }
  return true;
}

bool TxImage::AlphaFlip() {
  if (AlphaPlane == nullptr) return false;
  const size_t width = GetWidth();
  const size_t height = GetHeight();
  BYTE* flipped = static_cast<BYTE*>(std::malloc(width * height));
  if (flipped == nullptr) return false;
  for (size_t y = 0; y < height; ++y) {
    std::memcpy(flipped + (height - 1 - y) * width, AlphaPlane + y * width, width);
  }
  std::free(AlphaPlane);
  AlphaPlane = flipped;
  return true;
}

bool TxImage::AlphaMirror() {
  if (AlphaPlane == nullptr) return false;
  const size_t width = GetWidth();
  const size_t height = GetHeight();
  BYTE* mirrored = static_cast<BYTE*>(std::malloc(width * height));
  if (mirrored == nullptr) return false;
  for (size_t y = 0; y < height; ++y) {
    std::reverse_copy(AlphaPlane + y * width, AlphaPlane + (y + 1) * width, mirrored + y * width);
  }
  std::free(AlphaPlane);
  AlphaPlane = mirrored;
  return true;
}

bool TxImage::AlphaSplit(TxImage* dest) const {
  if (AlphaPlane == nullptr || dest == nullptr) return false;
  TxImage grey(GetWidth(), GetHeight(), 8);
  if (!grey.IsValid()) return false;
  grey.SetGrayPalette();
  for (DWORD y = 0; y < GetHeight(); ++y) {
    std::memcpy(grey.GetBits(y), AlphaPlane + static_cast<size_t>(y) * GetWidth(), GetWidth());
  }
  return dest->Transfer(grey);
}

bool TxImage::AlphaPaletteSplit(TxImage* dest) const {
  if (!AlphaPaletteIsValid() || dest == nullptr) return false;
  TxImage grey(GetWidth(), GetHeight(), 8);
  if (!grey.IsValid()) return false;
  grey.SetGrayPalette();
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  for (long y = 0; y < height; ++y) {
    BYTE* row = grey.GetBits(static_cast<DWORD>(y));
    for (long x = 0; x < width; ++x) row[x] = GetPixelColor(x, y, true).rgbReserved;
  }
  return dest->Transfer(grey);
}

void TxImage::AlphaStrip() {
  const bool palette_alpha = AlphaPaletteIsValid();
  if (DibBlock == nullptr || (AlphaPlane == nullptr && !palette_alpha)) return;
  const RGBQUAD background = Info.TransColor;
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  const bool true_colour = Header.biBitCount == 24;
  TxImage flattened;
  if (!true_colour && flattened.Create(GetWidth(), GetHeight(), 24) == nullptr) return;
  TxImage& target = true_colour ? *this : flattened;
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) {
      const RGBQUAD c = GetPixelColor(x, y, true);
      long alpha = AlphaPlane != nullptr ? BlindAlphaGet(x, y) * Info.AlphaMax / 255 : Info.AlphaMax;
      if (!true_colour && palette_alpha) alpha = alpha * c.rgbReserved / 255;
      BYTE* pixel = static_cast<BYTE*>(target.BlindGetPixelPointer(x, y));
      pixel[0] = flatten_channel(background.rgbBlue, c.rgbBlue, alpha);
      pixel[1] = flatten_channel(background.rgbGreen, c.rgbGreen, alpha);
      pixel[2] = flatten_channel(background.rgbRed, c.rgbRed, alpha);
    }
  }
  if (true_colour) {
    AlphaDelete();
  } else {
    Transfer(flattened);
  }
}

BYTE TxImage::AlphaGetMax() const { return Info.AlphaMax; }
void TxImage::AlphaSetMax(BYTE alpha_max) { Info.AlphaMax = alpha_max; }
void TxImage::AlphaPaletteEnable(bool enable) { Info.AlphaPaletteEnabled = enable; }
bool TxImage::AlphaPaletteIsEnabled() const { return Info.AlphaPaletteEnabled; }

void TxImage::AlphaPaletteClear() {
  RGBQUAD* palette = GetPalette();
  if (palette == nullptr) return;
  for (DWORD i = 0; i < Header.biClrUsed; ++i) palette[i].rgbReserved = 0;
  InvalidateNearestColor();
}

bool TxImage::AlphaPaletteIsValid() const {
  const RGBQUAD* palette = GetPalette();
  if (palette == nullptr) return false;
  for (DWORD i = 0; i < Header.biClrUsed; ++i) {
    if (palette[i].rgbReserved != 0) return true;
  }
  return false;
}
