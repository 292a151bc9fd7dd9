// The Windows data types the component's interfaces are written in: integer
// aliases, colour values, geometry and the device-independent bitmap headers.
// Sizes and field orders are those of the platform, so that packed DIBs and BMP
// files read and write byte for byte.
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using UINT = std::uint32_t;
using INT = std::int32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using BOOL = std::int32_t;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using LPCVOID = const void*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// 0x00BBGGRR: red in the low byte.
using COLORREF = DWORD;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

struct POINT {
  LONG x;
  LONG y;
};

struct SIZE {
  LONG cx;
  LONG cy;
};

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

#pragma pack(push, 1)
struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct RGBTRIPLE {
  BYTE rgbtBlue;
  BYTE rgbtGreen;
  BYTE rgbtRed;
};

struct BITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
};

struct BITMAPCOREHEADER {
  DWORD bcSize;
  WORD bcWidth;
  WORD bcHeight;
  WORD bcPlanes;
  WORD bcBitCount;
};

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
#pragma pack(pop)

static_assert(sizeof(RGBQUAD) == 4);
static_assert(sizeof(BITMAPFILEHEADER) == 14);
static_assert(sizeof(BITMAPCOREHEADER) == 12);
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// biCompression values.
constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;

// GetDIBits / SetDIBits colour-table usage.
constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;

// Handles are opaque pointers to distinct incomplete types, so that the
// compiler keeps the kinds apart; the drawing surface checks every handle it
// is given before it uses it.
struct HDC__;
struct HGDIOBJ__;
struct HINSTANCE__;
struct HGLOBAL__;
struct HWND__;
using HDC = HDC__*;
using HGDIOBJ = HGDIOBJ__*;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
using HGLOBAL = HGLOBAL__*;
using HWND = HWND__*;

// GDI object handles share one namespace with HGDIOBJ, as on the platform:
// SelectObject and DeleteObject take any of them.
struct HBITMAP__;
struct HFONT__;
struct HBRUSH__;
struct HPEN__;
struct HPALETTE__;
struct HRGN__;
struct HICON__;
using HBITMAP = HBITMAP__*;
using HFONT = HFONT__*;
using HBRUSH = HBRUSH__*;
using HPEN = HPEN__*;
using HPALETTE = HPALETTE__*;
using HRGN = HRGN__*;
using HICON = HICON__*;
using HCURSOR = HICON;

// A resource found in a module (FindResource), before it is loaded.
struct HRSRC__;
using HRSRC = HRSRC__*;
