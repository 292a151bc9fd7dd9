// The drawing surface: device contexts, bitmaps, fonts and text, with the
// calls and results of the platform's graphics interface.
//
// Every handle is checked: a null, released or wrong-kind handle makes the
// call fail with the platform's failure value (0, null, -1 or CLR_INVALID)
// and changes nothing. An object selected into a context cannot be deleted
// (DeleteObject returns FALSE); stock objects ignore deletion. The screen
// context is true colour, 32 bits per pixel, and so are the bitmaps made
// compatible with it. All calls may be made from any thread.
#pragma once

#include "platform/gdi/gdi_types.h"

// Contexts. GetDC accepts only the null window (the screen).
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC screen_context);
// A memory context compatible with context, or with the screen when it is
// null. It starts with the stock 1 x 1 monochrome bitmap, which takes no
// drawing, and the stock font selected.
HDC CreateCompatibleDC(HDC context);
BOOL DeleteDC(HDC memory_context);

// Bitmaps come in two formats: true colour (32 bits per pixel) and
// monochrome (1 bit per pixel, black and white). Each call gives null when a
// side is 0 or below or the pixels would pass 2 GiB.
//
// A bitmap in the context's format, all pixels black: true colour for the
// screen; for a memory context the format of the bitmap selected into it,
// so a context that still holds its stock bitmap makes monochrome ones.
HBITMAP CreateCompatibleBitmap(HDC context, int width, int height);
// A bitmap of planes 1 and bits_per_pixel 1 (monochrome) or 32 (true
// colour); null for any other format. bits, when not null, holds the rows
// top down, each padded to 2 bytes: 1 bit per pixel (1 white, the leftmost
// pixel in the highest bit), or blue, green, red and an unused byte per
// pixel. Without bits the pixels are black.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel, const void* bits);
// CreateBitmap with the description's size, planes, depth and bits; null
// when bits are given and bmWidthBytes is not the row size above.
HBITMAP CreateBitmapIndirect(const BITMAP* description);
HFONT CreateFontIndirectA(const LOGFONTA* font);

// Selects a bitmap (memory contexts only; a bitmap is selected into one
// context at a time) or a font and returns the object it replaces.
HGDIOBJ SelectObject(HDC context, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC context, UINT kind);
// Bytes copied into buffer (LOGFONTA for fonts, up to size bytes; BITMAP for
// bitmaps, which needs the whole structure), or the size needed when buffer
// is null; 0 on failure.
int GetObjectA(HGDIOBJ object, int size, LPVOID buffer);
// Releases a bitmap, a font or a memory context.
BOOL DeleteObject(HGDIOBJ object);

// Typed forms, as the platform's handles convert to HGDIOBJ implicitly.
inline HGDIOBJ as_object(HBITMAP bitmap) { return reinterpret_cast<HGDIOBJ>(bitmap); }
inline HGDIOBJ as_object(HFONT font) { return reinterpret_cast<HGDIOBJ>(font); }
inline HBITMAP SelectObject(HDC context, HBITMAP bitmap) {
  return reinterpret_cast<HBITMAP>(SelectObject(context, as_object(bitmap)));
}
inline HFONT SelectObject(HDC context, HFONT font) {
  return reinterpret_cast<HFONT>(SelectObject(context, as_object(font)));
}
inline int GetObjectA(HBITMAP bitmap, int size, LPVOID buffer) {
  return GetObjectA(as_object(bitmap), size, buffer);
}
inline int GetObjectA(HFONT font, int size, LPVOID buffer) {
  return GetObjectA(as_object(font), size, buffer);
}
inline BOOL DeleteObject(HBITMAP bitmap) { return DeleteObject(as_object(bitmap)); }
inline BOOL DeleteObject(HFONT font) { return DeleteObject(as_object(font)); }

// Pixels. SetPixel returns the colour set (on a monochrome bitmap the
// nearer of black and white), or -1 for a point outside the selected
// bitmap; GetPixel returns CLR_INVALID there.
COLORREF SetPixel(HDC context, int x, int y, COLORREF color);
COLORREF GetPixel(HDC context, int x, int y);
// Fills the area around (x, y) that is bounded by pixels of boundary_color
// with the context's brush (the stock white brush); on a monochrome bitmap
// both colours are taken as the nearer of black and white. FALSE when the
// point is outside the bitmap or has the boundary colour.
BOOL FloodFill(HDC context, int x, int y, COLORREF boundary_color);

// Text. Bytes map to characters through the code page of the font's
// character set (238: Windows-1250, every other: Windows-1252).
// SetBkMode and SetTextColor return the earlier value (0, CLR_INVALID on
// failure).
int SetBkMode(HDC context, int mode);
COLORREF SetTextColor(HDC context, COLORREF color);
BOOL GetTextExtentPoint32A(HDC context, LPCSTR text, int length, SIZE* size);
// Draws one line (DT_SINGLELINE; line breaks are not honoured) placed in
// rect by DT_LEFT, DT_CENTER or DT_RIGHT and DT_TOP, DT_VCENTER or
// DT_BOTTOM, cut off at the rectangle (unless DT_NOCLIP) and at the bitmap's
// edges. length -1 takes the text up to its zero byte. Returns the text's
// height (for DT_VCENTER and DT_BOTTOM the offset from rect->top to the
// text's bottom), 0 on failure.
int DrawTextA(HDC context, LPCSTR text, int length, RECT* rect, UINT format);

// GetDIBits: copies up to lines rows of bitmap, from DIB row first on (row 0
// is the bottom row for a positive biHeight, the top row for a negative one),
// into bits in the format of info->bmiHeader: BI_RGB at 1, 4, 8, 24 or 32
// bits per pixel, biWidth and |biHeight| equal to the bitmap's size, rows
// padded to 4 bytes. For 1, 4 and 8 bits it fills info->bmiColors with the
// 2, 16 or 256 colours of the table it maps every pixel to (nearest colour;
// the 2 colours are black and white, so a monochrome bitmap keeps its bits).
// Returns the number of rows copied, 0 on failure.
int GetDIBits(HDC context, HBITMAP bitmap, UINT first, UINT lines, LPVOID bits, BITMAPINFO* info,
              UINT usage);

// For tests and diagnostics: objects made and not yet released (contexts,
// bitmaps, fonts; stock objects not counted), and whether text has been
// measured or drawn in this process, which starts the font machinery.
int live_gdi_objects();
bool font_engine_started();
