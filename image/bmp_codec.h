// Windows BMP files: written as the image's own packed DIB behind a 14-byte
// file header; read from every common info header (core, 40-byte, the 52-,
// 56- and 64-byte variants, V4, V5), uncompressed, RLE8, RLE4 and bit fields,
// and from headerless DIBs.
#pragma once

#include "image/tximage.h"

// Internal to the module: only the format dispatch makes codec objects.
class __attribute__((visibility("hidden"))) TxBmpCodec : public TxImage {
 public:
  TxBmpCodec();

  bool Encode(TxFile* stream);
  bool Decode(TxFile* stream);

 protected:
  // Reads the info header after the file header, widened to 40 bytes and
  // normalised (image size and colour count filled in); false when it cannot
  // be read or describes no image this decoder can hold.
  bool ReadInfoHeader(TxFile* stream, BITMAPINFOHEADER* dib);

 private:
  bool ReadHeaderMasks(TxFile* stream, DWORD header_size);
  void ReadPalette(TxFile* stream, const BITMAPINFOHEADER& dib);
  bool ReadPixels(TxFile* stream, const BITMAPINFOHEADER& dib, long data_start);
  void SeekToData(TxFile* stream, const BITMAPINFOHEADER& dib, long data_start);
  bool ReadChannelMasks(TxFile* stream, const BITMAPINFOHEADER& dib, long data_start, DWORD masks[3]);
  bool ReadUncompressedRows(TxFile* stream);
  bool ReadBitfieldRows(TxFile* stream, const DWORD masks[3], int bpp);
  void DecodeRle(TxFile* stream, int pixels_per_byte);
  void FlipRows();

  // From the info header: whether it is the 12-byte core header (three-byte
  // palette entries) and the channel masks it holds, if any.
  bool CoreHeader = false;
  bool MasksInHeader = false;
  DWORD RedMask = 0;
  DWORD GreenMask = 0;
  DWORD BlueMask = 0;
};
