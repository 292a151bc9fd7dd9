// Single-pixel reads and writes, blending and line drawing.
#include <algorithm>
#include <cstdlib>

#include "image/tximage.h"

namespace {

bool same_colour(RGBQUAD a, RGBQUAD b) {
  return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed &&
         a.rgbReserved == b.rgbReserved;
}

BYTE blend_channel(BYTE old_value, BYTE new_value, int weight) {
  return static_cast<BYTE>((old_value * (256 - weight) + new_value * weight) >> 8);
}

}  // namespace

RGBQUAD TxImage::RGBtoRGBQUAD(COLORREF cr) {
  return RGBQUAD{GetBValue(cr), GetGValue(cr), GetRValue(cr), 0};
}

COLORREF TxImage::RGBQUADtoRGB(RGBQUAD c) { return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue); }

BYTE TxImage::BlindGetPixelIndex(long x, long y) const {
  const BYTE* row = Info.Bits + static_cast<size_t>(y) * Info.EffWidth;
  switch (Header.biBitCount) {
    case 8: return row[x];
    case 4: return static_cast<BYTE>((row[x >> 1] >> ((x & 1) != 0 ? 0 : 4)) & 0x0F);
    case 1: return static_cast<BYTE>((row[x >> 3] >> (7 - (x & 7))) & 0x01);
    default: return 0;
  }
}

void TxImage::BlindSetPixelIndex(long x, long y, BYTE i) {
  BYTE* row = Info.Bits + static_cast<size_t>(y) * Info.EffWidth;
  switch (Header.biBitCount) {
    case 8:
      row[x] = i;
      break;
    case 4: {
      const int shift = (x & 1) != 0 ? 0 : 4;
      BYTE& slot = row[x >> 1];
      slot = static_cast<BYTE>((slot & ~(0x0F << shift)) | ((i & 0x0F) << shift));
      break;
    }
    case 1: {
      const int shift = 7 - (x & 7);
      BYTE& slot = row[x >> 3];
      slot = static_cast<BYTE>((slot & ~(1 << shift)) | ((i & 1) << shift));
      break;
    }
    default:
      break;
  }
}

void* TxImage::BlindGetPixelPointer(long x, long y) const {
  if (Header.biBitCount <= 8) return nullptr;
  return Info.Bits + static_cast<size_t>(y) * Info.EffWidth + static_cast<size_t>(x) * 3;
}

RGBQUAD TxImage::BlindGetPixelColor(long x, long y) const {
  if (Header.biBitCount <= 8) return GetPaletteColor(BlindGetPixelIndex(x, y));
  const BYTE* pixel = static_cast<const BYTE*>(BlindGetPixelPointer(x, y));
  const BYTE alpha = AlphaPlane != nullptr ? BlindAlphaGet(x, y) : 0;
  return RGBQUAD{pixel[0], pixel[1], pixel[2], alpha};
}

BYTE TxImage::GetPixelIndex(long x, long y) const {
  if (DibBlock == nullptr || Header.biClrUsed == 0 || Header.biBitCount > 8) return 0;
  if (IsInside(x, y)) return BlindGetPixelIndex(x, y);
  if (Info.TransIndex != -1) return static_cast<BYTE>(Info.TransIndex);
  return BlindGetPixelIndex(0, 0);
}

RGBQUAD TxImage::GetPixelColor(long x, long y, bool get_alpha) const {
  if (DibBlock == nullptr || !IsInside(x, y)) {
    if (Info.TransIndex != -1) return GetTransColor();
    return DibBlock != nullptr ? GetPixelColor(0, 0, true) : Info.TransColor;
  }
  RGBQUAD colour;
  if (Header.biBitCount <= 8) {
    colour = GetPaletteColor(BlindGetPixelIndex(x, y));
  } else {
    const BYTE* pixel = static_cast<const BYTE*>(BlindGetPixelPointer(x, y));
    colour = RGBQUAD{pixel[0], pixel[1], pixel[2], Info.TransColor.rgbReserved};
  }
  if (get_alpha && AlphaPlane != nullptr) colour.rgbReserved = BlindAlphaGet(x, y);
  return colour;
}

BYTE TxImage::GetPixelGray(long x, long y) const {
  const RGBQUAD c = GetPixelColor(x, y, true);
  return static_cast<BYTE>((601 * c.rgbGreen + 306 * c.rgbRed + 117 * c.rgbBlue) >> 10);
}

void TxImage::SetPixelIndex(long x, long y, BYTE i) {
  if (DibBlock == nullptr || Header.biClrUsed == 0 || Header.biBitCount > 8 || !IsInside(x, y)) return;
  BlindSetPixelIndex(x, y, i);
}

void TxImage::SetPixelColor(long x, long y, RGBQUAD c, bool set_alpha) {
  if (DibBlock == nullptr || !IsInside(x, y)) return;
  if (Header.biBitCount <= 8) {
    BlindSetPixelIndex(x, y, GetNearestIndex(c));
    return;
  }
  BYTE* pixel = static_cast<BYTE*>(BlindGetPixelPointer(x, y));
  pixel[0] = c.rgbBlue;
  pixel[1] = c.rgbGreen;
  pixel[2] = c.rgbRed;
  if (set_alpha) AlphaSet(x, y, c.rgbReserved);
}

void TxImage::SetPixelColor(long x, long y, COLORREF cr) { SetPixelColor(x, y, RGBtoRGBQUAD(cr), false); }

void TxImage::BlendPixelColor(long x, long y, RGBQUAD c, float blend, bool set_alpha) {
  if (DibBlock == nullptr || !IsInside(x, y)) return;
  // Written so that a NaN blend counts as 0.
  const float clamped = blend > 0.0f ? std::min(blend, 1.0f) : 0.0f;
  const int weight = static_cast<int>(clamped * 256);
  const RGBQUAD old = BlindGetPixelColor(x, y);
  const RGBQUAD mixed{blend_channel(old.rgbBlue, c.rgbBlue, weight),
                      blend_channel(old.rgbGreen, c.rgbGreen, weight),
                      blend_channel(old.rgbRed, c.rgbRed, weight), c.rgbReserved};
  SetPixelColor(x, y, mixed, set_alpha);
}

bool TxImage::IsTransparent(long x, long y) const {
  if (DibBlock == nullptr) return false;
  if (Info.TransIndex >= 0) {
    if (Header.biBitCount <= 8) {
      if (GetPixelIndex(x, y) == Info.TransIndex) return true;
    } else if (same_colour(GetPixelColor(x, y, false), Info.TransColor)) {
      return true;
    }
  }
  return AlphaPlane != nullptr && AlphaGet(x, y) == 0;
}

void TxImage::DrawLine(int x1, int x2, int y1, int y2, RGBQUAD color, bool set_alpha) {
  if (DibBlock == nullptr) return;
  // 64-bit steps, so that lines between extreme coordinates do not overflow.
  long long x = x1;
  long long y = y1;
  const long long dx = std::llabs(static_cast<long long>(x2) - x1);
  const long long dy = std::llabs(static_cast<long long>(y2) - y1);
  const int step_x = x2 >= x1 ? 1 : -1;
  const int step_y = y2 >= y1 ? 1 : -1;
  const bool along_x = dx >= dy;
  const long long major = along_x ? dx : dy;
  const long long minor = along_x ? dy : dx;
  long long accumulator = major / 2;
  for (long long i = 0; i <= major; ++i) {
    SetPixelColor(static_cast<long>(x), static_cast<long>(y), color, set_alpha);
    accumulator += minor;
    const bool minor_step = accumulator >= major && major != 0;
    if (minor_step) accumulator -= major;
    if (along_x) {
      x += step_x;
      if (minor_step) y += step_y;
    } else {
      y += step_y;
      if (minor_step) x += step_x;
    }
  }
}

void TxImage::DrawLine(int x1, int x2, int y1, int y2, COLORREF cr) {
  DrawLine(x1, x2, y1, y2, RGBtoRGBQUAD(cr), false);
}
