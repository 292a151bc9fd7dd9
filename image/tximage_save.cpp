// Saving by format number: the codec for the number runs over a ghost of this
// image and writes to a file, a FILE*, a stream or a new memory buffer.
#include <cstdlib>

#include "image/bmp_codec.h"
#include "image/gif_encoder.h"
#include "image/png_codec.h"
#include "image/replace_file.h"
#include "image/tximage.h"

bool TxImage::Encode(TxFile* stream, DWORD format) {
  // The codec's failure text becomes this image's.
  auto encode_with = [this, stream](auto&& codec) {
    codec.Ghost(this);
    return codec.Encode(stream) || Fail(codec.GetLastError());
  };
  switch (format) {
    case FORMAT_BMP:
      return encode_with(TxBmpCodec());
    case FORMAT_GIF:
      return encode_with(TxImageGIF());
    case FORMAT_PNG:
      return encode_with(TxPngCodec());
    default:
      return Fail("Encode: Unknown format");
  }
}

bool TxImage::Encode(FILE* file, DWORD format) {
  if (!file) return Encode(static_cast<TxFile*>(nullptr), format);
  TxIOFile stream(file);
  return Encode(&stream, format);
}

bool TxImage::Encode(BYTE*& buffer, long& size, DWORD format) {
  if (buffer) return Fail("the buffer must be empty");
  TxMemFile stream;
  if (!stream.Open()) return Fail("can't allocate memory");
  if (!Encode(&stream, format)) return false;
  size = stream.Size();
  buffer = stream.GetBuffer(true);
  return true;
}

// The whole picture is encoded before the file is touched, and the file is
// replaced only once every byte is written: a failed save creates nothing
// and leaves an existing file as it was.
bool TxImage::Save(const char* filename, DWORD format) {
  if (!filename) return false;
  BYTE* buffer = nullptr;
  long size = 0;
  if (!Encode(buffer, size, format)) return false;
  const ReplaceResult result = replace_file(filename, buffer, static_cast<size_t>(size));
  FreeMemory(buffer);
  if (result == ReplaceResult::WRITE_FAILED) return Fail("Save: write error");
  return result == ReplaceResult::REPLACED;
}

bool TxImage::Encode(TxFile* stream, TxImage** images, int count, DWORD format) {
  if (format != FORMAT_GIF) return Fail("Multipage Encode, Unsupported operation for this format");
  TxImageGIF codec;
  codec.Ghost(this);
  return codec.Encode(stream, images, count, false) || Fail(codec.GetLastError());
}

bool TxImage::Encode(FILE* file, TxImage** images, int count, DWORD format) {
  if (!file) return Encode(static_cast<TxFile*>(nullptr), images, count, format);
  TxIOFile stream(file);
  return Encode(&stream, images, count, format);
}

// Red, green, blue, alpha of every pixel, from the bottom row up. Alpha is
// the alpha plane's, else the palette entry's reserved byte, else 0.
bool TxImage::Encode2RGBA(TxFile* stream) {
  if (EncodeSafeCheck(stream)) return false;
  const long width = GetWidth();
  const long height = GetHeight();
  bool written = true;
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) {
      const RGBQUAD c = GetPixelColor(x, y, false);
      BYTE alpha = 0;
      if (AlphaIsValid()) {
        alpha = AlphaGet(x, y);
      } else if (IsIndexed()) {
        alpha = c.rgbReserved;
      }
      written = stream->PutC(c.rgbRed) && written;
      written = stream->PutC(c.rgbGreen) && written;
      written = stream->PutC(c.rgbBlue) && written;
      written = stream->PutC(alpha) && written;
    }
  }
  return written || Fail("Encode2RGBA: write error");
}

bool TxImage::Encode2RGBA(BYTE*& buffer, long& size) {
  if (buffer) return Fail("the buffer must be empty");
  TxMemFile stream;
  if (!stream.Open()) return Fail("can't allocate memory");
  if (!Encode2RGBA(&stream)) return false;
  size = stream.Size();
  buffer = stream.GetBuffer(true);
  return true;
}

void TxImage::FreeMemory(void* block) {
  if (block) std::free(block);
}
