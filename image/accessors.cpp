// Plain reads and writes of the header and info record fields.
#include <algorithm>
#include <cmath>

#include "image/tximage.h"

namespace {

constexpr long MAX_FIELD = 0x7FFFFFFF;
constexpr DWORD FORMAT_COUNT = 4;

LONG pixels_per_metre(LONG dpi) {
  const double value = std::floor(dpi * 39.37007874015748 + 0.5);
  return static_cast<LONG>(std::min(value, static_cast<double>(MAX_FIELD)));
}

LONG valid_dpi(long dpi) {
  if (dpi <= 0) return 96;
  return static_cast<LONG>(std::min(dpi, MAX_FIELD));
}

}  // namespace

void* TxImage::GetDIB() const { return DibBlock; }
DWORD TxImage::GetWidth() const { return static_cast<DWORD>(Header.biWidth); }
DWORD TxImage::GetHeight() const { return static_cast<DWORD>(Header.biHeight); }
DWORD TxImage::GetEffWidth() const { return Info.EffWidth; }
WORD TxImage::GetBpp() const { return Header.biBitCount; }
DWORD TxImage::GetNumColors() const { return Header.biClrUsed; }
DWORD TxImage::GetPaletteSize() const { return 4 * Header.biClrUsed; }
DWORD TxImage::GetClrImportant() const { return Header.biClrImportant; }

void TxImage::SetClrImportant(DWORD colours) {
  if (colours == 0 || colours > 256) {
    Header.biClrImportant = 0;
  } else if (Header.biBitCount == 1) {
    Header.biClrImportant = std::min<DWORD>(colours, 2);
  } else if (Header.biBitCount == 4) {
    Header.biClrImportant = std::min<DWORD>(colours, 16);
  } else if (Header.biBitCount == 8) {
    Header.biClrImportant = colours;
  } else {
    return;
  }
  // The nearest-colour search runs over the important entries.
  InvalidateNearestColor();
}

DWORD TxImage::GetType() const { return Info.Type; }
bool TxImage::IsIndexed() const { return Header.biClrUsed != 0; }

BYTE TxImage::GetColorType() const {
  if (AlphaPlane != nullptr) return 4;
  return Header.biBitCount > 8 ? 2 : 1;
}

long TxImage::GetTransIndex() const { return Info.TransIndex; }
void TxImage::SetTransIndex(long index) { Info.TransIndex = static_cast<LONG>(index); }
bool TxImage::IsTransparent() const { return Info.TransIndex >= 0; }

RGBQUAD TxImage::GetTransColor() const {
  if (Header.biBitCount < 24 && HasPaletteEntry(Info.TransIndex)) {
    return GetPalette()[Info.TransIndex];
  }
  return Info.TransColor;
}

void TxImage::SetTransColor(RGBQUAD colour) {
  colour.rgbReserved = 0;
  Info.TransColor = colour;
}

long TxImage::GetXDPI() const { return Info.XDPI; }
long TxImage::GetYDPI() const { return Info.YDPI; }

void TxImage::SetXDPI(long dpi) {
  Info.XDPI = valid_dpi(dpi);
  Header.biXPelsPerMeter = pixels_per_metre(Info.XDPI);
}

void TxImage::SetYDPI(long dpi) {
  Info.YDPI = valid_dpi(dpi);
  Header.biYPelsPerMeter = pixels_per_metre(Info.YDPI);
}

DWORD TxImage::GetFlags() const { return Info.Flags; }
void TxImage::SetFlags(DWORD flags, bool keep_reserved) {
  Info.Flags = keep_reserved ? (flags & 0xFFFF) : flags;
}

DWORD TxImage::GetCodecOption(DWORD format) const {
  if (format == FORMAT_UNKNOWN) format = Info.Type;
  return format < FORMAT_COUNT ? Info.CodecOption[format] : 0;
}

bool TxImage::SetCodecOption(DWORD opt, DWORD format) {
  if (format == FORMAT_UNKNOWN) format = Info.Type;
  if (format >= FORMAT_COUNT) return false;
  Info.CodecOption[format] = opt;
  return true;
}

BYTE TxImage::GetJpegQuality() const { return Info.JpegQuality; }
void TxImage::SetJpegQuality(BYTE quality) { Info.JpegQuality = quality; }
BYTE TxImage::GetJpegScale() const { return Info.JpegScale; }
void TxImage::SetJpegScale(BYTE scale) { Info.JpegScale = scale; }
DWORD TxImage::GetFrameDelay() const { return Info.FrameDelay; }
void TxImage::SetFrameDelay(DWORD delay) { Info.FrameDelay = delay; }
long TxImage::GetFrame() const { return Info.Frame; }
void TxImage::SetFrame(long frame) { Info.Frame = static_cast<LONG>(frame); }
long TxImage::GetNumFrames() const { return Info.NumFrames; }

void TxImage::GetOffset(long* x, long* y) const {
  if (x != nullptr) *x = Info.XOffset;
  if (y != nullptr) *y = Info.YOffset;
}

void TxImage::SetOffset(long x, long y) {
  Info.XOffset = static_cast<LONG>(x);
  Info.YOffset = static_cast<LONG>(y);
}

long TxImage::GetProgress() const { return Info.Progress; }
void TxImage::SetProgress(long progress) { Info.Progress = static_cast<LONG>(progress); }
long TxImage::GetEscape() const { return Info.Escape; }
void TxImage::SetEscape(long escape) { Info.Escape = static_cast<LONG>(escape); }
bool TxImage::IsEnabled() const { return Info.Enabled; }
void TxImage::Enable(bool enable) { Info.Enabled = enable; }
