// Importing a bitmap of the drawing surface: the platform converts its pixels
// into this image's own format through GetDIBits.
#include "image/tximage.h"
#include "platform/gdi/gdi.h"

bool TxImage::CreateFromHBITMAP(HBITMAP bitmap, HPALETTE palette) {
  if (!Destroy()) return false;
  BITMAP description{};
  if (!bitmap || GetObjectA(bitmap, sizeof(description), &description) == 0) {
    return Fail("CreateFromHBITMAP: invalid bitmap");
  }
  // 16- and 32-bit bitmaps become 24-bit images.
  if (!Create(description.bmWidth, description.bmHeight, description.bmBitsPixel, FORMAT_UNKNOWN)) {
    return false;
  }
  HDC screen = GetDC(nullptr);
  if (!screen) return false;
  // The screen is true colour: a logical palette would change nothing in
  // the conversion, so none is selected.
  (void)palette;
  const int rows = GetDIBits(screen, bitmap, 0, GetHeight(), Info.Bits,
                             static_cast<BITMAPINFO*>(DibBlock), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return rows != 0 || Fail("GetDIBits failed");
}
