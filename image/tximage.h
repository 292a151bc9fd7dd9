// TxImage: the picture type of the image library. A packed device-independent
// bitmap (40-byte header, palette, bottom-up rows padded to 4 bytes) in one heap
// block, an info record, and optional one-byte-per-pixel alpha and selection
// planes. Pixel coordinates count x from the left and y from the bottom row.
#pragma once

#include <cstdio>

#include "image/txfile.h"
#include "platform/win_types.h"

// Image format numbers.
enum ImageFormat : DWORD {
  FORMAT_UNKNOWN = 0,  // decoding: detect; encoding: refused
  FORMAT_BMP = 1,
  FORMAT_GIF = 2,
  FORMAT_PNG = 3,
};

// Create refuses images whose width × height × bpp / 256 exceeds this.
constexpr unsigned long long TXIMAGE_MAX_MEMORY = 256000000;

class TxImage {
 public:
  // The info record; copied as one unit (pointers included) by CopyInfo,
  // Copy, Ghost and Transfer.
  struct ImageInfo {
    DWORD EffWidth;        // bytes per pixel row
    BYTE* Bits;            // first pixel row inside DibBlock
    TxImage* GhostOf;      // the image this one is a ghost of
    DWORD Type;            // ImageFormat number
    char LastError[256];   // text of the last failure
    LONG Progress;         // progress counter of long operations
    LONG Escape;           // non-zero stops a long operation; -1 asks a decoder for the size only
    LONG TransIndex;       // transparent palette index, -1 for none
    RGBQUAD TransColor;    // transparent colour of true-colour images
    BYTE JpegQuality;      // stored only
    BYTE JpegScale;        // stored only
    LONG Frame;            // frame to decode or being decoded
    LONG NumFrames;        // frames a decoder found
    DWORD FrameDelay;
    LONG XDPI;
    LONG YDPI;
    RECT SelectionBox;
    BYTE AlphaMax;             // global alpha scale
    bool AlphaPaletteEnabled;  // palette reserved bytes act as alpha
    bool Enabled;              // the image may be drawn
    LONG XOffset;
    LONG YOffset;
    DWORD CodecOption[4];  // one option word per ImageFormat number
    RGBQUAD LastColor;     // nearest-colour cache: the colour looked up ...
    BYTE LastColorIndex;   // ... the index found ...
    bool LastColorValid;   // ... and whether the cache holds a result
    DWORD Flags;           // caller flags, stored only
  };

  // Red, green, blue, in that order.
  struct rgb_color {
    BYTE r;
    BYTE g;
    BYTE b;
  };

  // Construction and destruction.
  explicit TxImage(DWORD format = FORMAT_UNKNOWN);
  TxImage(DWORD width, DWORD height, DWORD bpp, DWORD format = FORMAT_UNKNOWN);
  TxImage(const TxImage& src, bool with_pixels = true, bool with_selection = true,
          bool with_alpha = true);
  TxImage& operator=(const TxImage& src);
  virtual ~TxImage();

  // Core operations.
  void* Create(DWORD width, DWORD height, DWORD bpp, DWORD format = FORMAT_UNKNOWN);
  bool Destroy();
  void Copy(const TxImage& src, bool with_pixels = true, bool with_selection = true,
            bool with_alpha = true);
  bool Transfer(TxImage& from);
  void Clear(BYTE value = 0);
  BYTE* GetBits(DWORD row = 0) const;
  long GetSize() const;
  bool IsInside(long x, long y) const;
  bool IsValid() const;
  const char* GetVersion() const;
  float GetVersionNumber() const;
  const char* GetLastError() const;

  // Accessors.
  void* GetDIB() const;
  DWORD GetWidth() const;
  DWORD GetHeight() const;
  DWORD GetEffWidth() const;
  WORD GetBpp() const;
  DWORD GetNumColors() const;
  DWORD GetPaletteSize() const;
  DWORD GetClrImportant() const;
  void SetClrImportant(DWORD colours);
  DWORD GetType() const;
  bool IsIndexed() const;
  BYTE GetColorType() const;
  long GetTransIndex() const;
  void SetTransIndex(long index);
  bool IsTransparent() const;
  RGBQUAD GetTransColor() const;
  void SetTransColor(RGBQUAD colour);
  long GetXDPI() const;
  long GetYDPI() const;
  void SetXDPI(long dpi);
  void SetYDPI(long dpi);
  DWORD GetFlags() const;
  void SetFlags(DWORD flags, bool keep_reserved = true);
  DWORD GetCodecOption(DWORD format = FORMAT_UNKNOWN) const;
  bool SetCodecOption(DWORD opt, DWORD format = FORMAT_UNKNOWN);
  BYTE GetJpegQuality() const;
  void SetJpegQuality(BYTE quality);
  BYTE GetJpegScale() const;
  void SetJpegScale(BYTE scale);
  DWORD GetFrameDelay() const;
  void SetFrameDelay(DWORD delay);
  long GetFrame() const;
  void SetFrame(long frame);
  long GetNumFrames() const;
  void GetOffset(long* x, long* y) const;
  void SetOffset(long x, long y);
  long GetProgress() const;
  void SetProgress(long progress);
  long GetEscape() const;
  void SetEscape(long escape);
  bool IsEnabled() const;
  void Enable(bool enable = true);

  // Pixel access.
  BYTE GetPixelIndex(long x, long y) const;
  RGBQUAD GetPixelColor(long x, long y, bool get_alpha = true) const;
  BYTE GetPixelGray(long x, long y) const;
  void SetPixelIndex(long x, long y, BYTE i);
  void SetPixelColor(long x, long y, RGBQUAD c, bool set_alpha = false);
  void SetPixelColor(long x, long y, COLORREF cr);
  void BlendPixelColor(long x, long y, RGBQUAD c, float blend, bool set_alpha = false);
  bool IsTransparent(long x, long y) const;
  void DrawLine(int x1, int x2, int y1, int y2, RGBQUAD color, bool set_alpha = false);
  void DrawLine(int x1, int x2, int y1, int y2, COLORREF cr);
  static RGBQUAD RGBtoRGBQUAD(COLORREF cr);
  static COLORREF RGBQUADtoRGB(RGBQUAD c);

  // Palette.
  RGBQUAD* GetPalette() const;
  RGBQUAD GetPaletteColor(BYTE idx) const;
  bool GetPaletteColor(BYTE i, BYTE* r, BYTE* g, BYTE* b) const;
  void SetPaletteColor(BYTE idx, BYTE r, BYTE g, BYTE b, BYTE alpha = 0);
  void SetPaletteColor(BYTE idx, RGBQUAD c);
  void SetPaletteColor(BYTE idx, COLORREF cr);
  void SetPalette(const RGBQUAD* entries, DWORD count = 256);
  void SetPalette(const rgb_color* rgb, DWORD count = 256);
  void SetPalette(DWORD n, const BYTE* r, const BYTE* g = nullptr, const BYTE* b = nullptr);
  void SetGrayPalette();
  void SetStdPalette();
  void BlendPalette(COLORREF cr, long percent);
  bool IsGrayScale() const;
  bool IsSamePalette(const TxImage& img, bool compare_alpha = true) const;
  void SwapIndex(BYTE idx1, BYTE idx2);
  BYTE GetNearestIndex(RGBQUAD c);

  // Alpha plane and alpha palette.
  void AlphaCreate();
  void AlphaDelete();
  bool AlphaIsValid() const;
  void AlphaClear();
  void AlphaSet(BYTE level);
  void AlphaSet(long x, long y, BYTE level);
  BYTE AlphaGet(long x, long y) const;
  BYTE* AlphaGetPointer(long x = 0, long y = 0) const;
  void AlphaInvert();
  bool AlphaCopy(const TxImage& from);
  bool AlphaSet(const TxImage& from);
  bool AlphaFlip();
  bool AlphaMirror();
  bool AlphaSplit(TxImage* dest) const;
  bool AlphaPaletteSplit(TxImage* dest) const;
  void AlphaStrip();
  BYTE AlphaGetMax() const;
  void AlphaSetMax(BYTE alpha_max);
  void AlphaPaletteEnable(bool enable = true);
  bool AlphaPaletteIsEnabled() const;
  void AlphaPaletteClear();
  bool AlphaPaletteIsValid() const;

  // Building from caller data.
  bool CreateFromArray(const BYTE* pixels, DWORD width, DWORD height, DWORD bits_per_pixel,
                       DWORD row_bytes, bool flip);
  bool CreateFromMatrix(const BYTE* const* rows, DWORD width, DWORD height,
                        DWORD bits_per_pixel, DWORD row_bytes, bool flip);

  // Saving, import and codecs
  // (declarations of this block are kept by the saving and codec sources)
  bool Save(const char* filename, DWORD format);
  bool Encode(FILE* file, DWORD format);
  bool Encode(TxFile* stream, DWORD format);
  bool Encode(BYTE*& buffer, long& size, DWORD format);
  bool Encode(FILE* file, TxImage** images, int count, DWORD format);
  bool Encode(TxFile* stream, TxImage** images, int count, DWORD format);
  bool Encode2RGBA(TxFile* stream);
  bool Encode2RGBA(BYTE*& buffer, long& size);
  bool CreateFromHBITMAP(HBITMAP bitmap, HPALETTE palette = nullptr);
  void FreeMemory(void* block);
  friend class TxImageGIF;
  friend class TxPngCodec;
  // End of saving, import and codecs

 protected:
  void CopyInfo(const TxImage& src);
  void Ghost(TxImage* src);
  // True when encoding must not start (null stream or empty image), with
  // the reason in LastError.
  bool EncodeSafeCheck(TxFile* stream);
  // Widens 16- or 32-bit pixels at src into this 24-bit image's rows, each
  // channel taken from its mask.
  void Bitfield2RGB(BYTE* src, DWORD red_mask, DWORD green_mask, DWORD blue_mask, BYTE bpp);
  // Copies at most 255 characters of message into LastError; returns false,
  // so that a failing operation can end with `return Fail("...")`.
  bool Fail(const char* message);

  BYTE BlindGetPixelIndex(long x, long y) const;
  RGBQUAD BlindGetPixelColor(long x, long y) const;
  void* BlindGetPixelPointer(long x, long y) const;
  BYTE BlindAlphaGet(long x, long y) const;
  void RGBtoBGR(BYTE* buffer, int length) const;
  static int CompareColors(const void* a, const void* b);

  void* DibBlock;
  BITMAPINFOHEADER Header;
  ImageInfo Info;
  BYTE* SelectionPlane;
  BYTE* AlphaPlane;

 private:
  void Startup(DWORD format);
  void InvalidateNearestColor();
  bool HasPaletteEntry(long index) const;
  void BlindSetPixelIndex(long x, long y, BYTE i);
  bool CopyPlane(BYTE*& plane, const BYTE* source);
  bool ImportRows(const BYTE* const* rows, const BYTE* pixels, DWORD width, DWORD height,
                  DWORD bits_per_pixel, DWORD row_bytes, bool flip);
};
