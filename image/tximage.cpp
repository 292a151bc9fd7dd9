#include "image/tximage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD INFO_HEADER_SIZE = 40;
// Width, height and pixel block must fit the header's signed 32-bit fields.
constexpr unsigned long long MAX_DIMENSION = 0x7FFFFFFF;
constexpr unsigned long long MAX_BLOCK = 0x7FFFFFFF;

WORD normalised_bpp(DWORD bpp) {
  if (bpp <= 1) return 1;
  if (bpp <= 4) return 4;
  if (bpp <= 8) return 8;
  return 24;
}

}  // namespace

TxImage::TxImage(DWORD format) { Startup(format); }

TxImage::TxImage(DWORD width, DWORD height, DWORD bpp, DWORD format) {
  Startup(format);
  Create(width, height, bpp, format);
}

TxImage::TxImage(const TxImage& src, bool with_pixels, bool with_selection, bool with_alpha) {
  Startup(src.GetType());
  Copy(src, with_pixels, with_selection, with_alpha);
}

TxImage& TxImage::operator=(const TxImage& src) {
  if (this != &src) Copy(src, true, true, true);
  return *this;
}

TxImage::~TxImage() { Destroy(); }

void TxImage::Startup(DWORD format) {
  DibBlock = nullptr;
  SelectionPlane = nullptr;
  AlphaPlane = nullptr;
  std::memset(&Header, 0, sizeof(Header));
  std::memset(&Info, 0, sizeof(Info));
  Info.Type = format;
  Info.JpegQuality = 90;
  Info.AlphaMax = 255;
  Info.TransIndex = -1;
  Info.Enabled = true;
  SetXDPI(96);
  SetYDPI(96);
}

bool TxImage::Fail(const char* message) {
  const size_t length = strnlen(message, sizeof(Info.LastError) - 1);
  std::memmove(Info.LastError, message, length);
  Info.LastError[length] = '\0';
  return false;
}

void* TxImage::Create(DWORD width, DWORD height, DWORD bpp, DWORD format) {
  if (!Destroy()) return nullptr;
  if (width == 0 || height == 0) {
    Fail("TxImage::Create : width and height must be greater than zero");
    return nullptr;
  }
  const WORD depth = normalised_bpp(bpp);
  const unsigned long long effective_width = ((static_cast<unsigned long long>(width) * depth + 31) / 32) * 4;
  const DWORD colours = depth <= 8 ? (1u << depth) : 0;
  const unsigned __int128 bits = static_cast<unsigned __int128>(width) * height * depth;
  const unsigned __int128 block = INFO_HEADER_SIZE + 4ull * colours +
                                  static_cast<unsigned __int128>(effective_width) * height;
  if (width > MAX_DIMENSION || height > MAX_DIMENSION || bits / 256 > TXIMAGE_MAX_MEMORY ||
      block > MAX_BLOCK) {
    Fail("TXIMAGE_MAX_MEMORY exceeded");
    return nullptr;
  }

  Info.Type = format;
  Info.EffWidth = static_cast<DWORD>(effective_width);
  Header.biSize = INFO_HEADER_SIZE;
  Header.biWidth = static_cast<LONG>(width);
  Header.biHeight = static_cast<LONG>(height);
  Header.biPlanes = 1;
  Header.biBitCount = depth;
  Header.biCompression = BI_RGB;
  Header.biSizeImage = static_cast<DWORD>(effective_width * height);
  Header.biClrUsed = colours;
  Header.biClrImportant = 0;

  // Zeroed, so that a partial decode never leaves heap contents in the rows.
  DibBlock = std::calloc(1, static_cast<size_t>(GetSize()));
  if (DibBlock == nullptr) {
    Fail("TxImage::Create can't allocate memory");
    return nullptr;
  }
  std::memcpy(DibBlock, &Header, sizeof(Header));
  Info.Bits = GetBits(0);
  InvalidateNearestColor();
  return DibBlock;
}

bool TxImage::Destroy() {
  if (Info.GhostOf != nullptr) return false;
  std::free(SelectionPlane);
  std::free(AlphaPlane);
  std::free(DibBlock);
  SelectionPlane = nullptr;
  AlphaPlane = nullptr;
  DibBlock = nullptr;
  Info.Bits = nullptr;
  return true;
}

bool TxImage::CopyPlane(BYTE*& plane, const BYTE* source) {
  std::free(plane);
  plane = nullptr;
  if (source == nullptr) return true;
  const size_t size = static_cast<size_t>(GetWidth()) * GetHeight();
  plane = static_cast<BYTE*>(std::malloc(size));
  if (plane == nullptr) return false;
  std::memcpy(plane, source, size);
  return true;
}

void TxImage::Copy(const TxImage& src, bool with_pixels, bool with_selection, bool with_alpha) {
  // A ghost shares its blocks with another image and cannot take new ones.
  if (&src == this || Info.GhostOf != nullptr) return;
  Info = src.Info;
  Info.GhostOf = nullptr;
  Info.Bits = nullptr;
  if (Create(src.GetWidth(), src.GetHeight(), src.GetBpp(), src.GetType()) == nullptr) return;
  if (with_pixels && src.DibBlock != nullptr) {
    std::memcpy(DibBlock, src.DibBlock, static_cast<size_t>(std::min(GetSize(), src.GetSize())));
  } else {
    SetPalette(src.GetPalette(), 256);
  }
  bool planes_copied = true;
  if (with_selection && src.SelectionPlane != nullptr) {
    planes_copied = CopyPlane(SelectionPlane, src.SelectionPlane) && planes_copied;
  }
  if (with_alpha && src.AlphaPlane != nullptr) {
    planes_copied = CopyPlane(AlphaPlane, src.AlphaPlane) && planes_copied;
  }
  if (!planes_copied) Fail("TxImage::Copy can't allocate memory");
}

void TxImage::CopyInfo(const TxImage& src) {
  if (DibBlock != nullptr) return;
  TxImage* const ghost_of = Info.GhostOf;
  Info = src.Info;
  Info.GhostOf = ghost_of;
  Info.Bits = nullptr;
}

bool TxImage::Transfer(TxImage& from) {
  if (&from == this) return true;
  if (!Destroy()) return false;
  Header = from.Header;
  Info = from.Info;
  DibBlock = from.DibBlock;
  SelectionPlane = from.SelectionPlane;
  AlphaPlane = from.AlphaPlane;
  std::memset(&from.Header, 0, sizeof(from.Header));
  std::memset(&from.Info, 0, sizeof(from.Info));
  from.DibBlock = nullptr;
  from.SelectionPlane = nullptr;
  from.AlphaPlane = nullptr;
  return true;
}

void TxImage::Ghost(TxImage* src) {
  if (src == nullptr || src == this) return;
  Destroy();
  Header = src->Header;
  Info = src->Info;
  DibBlock = src->DibBlock;
  SelectionPlane = src->SelectionPlane;
  AlphaPlane = src->AlphaPlane;
  Info.GhostOf = src;
}

bool TxImage::EncodeSafeCheck(TxFile* stream) {
  if (stream == nullptr) return !Fail("null file handler");
  if (DibBlock == nullptr) return !Fail("null image!!!");
  return false;
}

void TxImage::Clear(BYTE value) {
  if (DibBlock == nullptr) return;
  if (Header.biBitCount == 1) value = value != 0 ? 0xFF : 0;
  if (Header.biBitCount == 4) value = static_cast<BYTE>(17 * (value & 15));
  std::memset(Info.Bits, value, Header.biSizeImage);
}

BYTE* TxImage::GetBits(DWORD row) const {
  if (DibBlock == nullptr || row >= GetHeight()) return nullptr;
  DWORD block_header_size = 0;
  std::memcpy(&block_header_size, DibBlock, sizeof(block_header_size));
  return static_cast<BYTE*>(DibBlock) + block_header_size + 4ull * Header.biClrUsed +
         static_cast<size_t>(row) * Info.EffWidth;
}

long TxImage::GetSize() const {
  return static_cast<long>(static_cast<unsigned long long>(Header.biSize) + Header.biSizeImage +
                           4ull * Header.biClrUsed);
}

bool TxImage::IsInside(long x, long y) const {
  return x >= 0 && y >= 0 && x < static_cast<long>(GetWidth()) && y < static_cast<long>(GetHeight());
}

bool TxImage::IsValid() const { return DibBlock != nullptr; }

const char* TxImage::GetVersion() const { return "TxImage 1.5c"; }

float TxImage::GetVersionNumber() const { return 1.5f; }

const char* TxImage::GetLastError() const { return Info.LastError; }
