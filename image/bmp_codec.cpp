#include "image/bmp_codec.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "image/bitfields.h"

namespace {

constexpr WORD BMP_SIGNATURE = 0x4D42;  // "BM"
constexpr DWORD FILE_HEADER_SIZE = 14;
constexpr DWORD CORE_HEADER_SIZE = 12;
constexpr DWORD INFO_HEADER_SIZE = 40;
constexpr DWORD OS2_HEADER_SIZE = 64;
// Info headers that hold the red, green and blue masks after the first 40
// bytes: 52 and 56 bytes (without and with an alpha mask), V4 and V5.
constexpr DWORD MASK_HEADER_SIZES[] = {52, 56, 108, 124};
constexpr DWORD MASKS_SIZE = 12;
constexpr WORD BIT_COUNTS[] = {1, 4, 8, 16, 24, 32};
// Masks of 16-bit pixels without BI_BITFIELDS: 5-5-5.
constexpr DWORD RGB555_MASKS[] = {0x7C00, 0x03E0, 0x001F};
constexpr size_t READ_CHUNK = 4096;
constexpr const char* TRUNCATED = "BMP pixel data truncated";

WORD le16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

DWORD le32(const BYTE* p) {
  return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
         (static_cast<DWORD>(p[3]) << 24);
}

void put_le16(BYTE* p, WORD v) {
  p[0] = static_cast<BYTE>(v);
  p[1] = static_cast<BYTE>(v >> 8);
}

void put_le32(BYTE* p, DWORD v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}

bool contains(const auto& values, auto value) {
  return std::find(std::begin(values), std::end(values), value) != std::end(values);
}

// Bytes of one uncompressed row: ((bpp × width + 31) / 32) × 4.
unsigned long long row_stride(unsigned long long width, unsigned bpp) { return ((width * bpp + 31) / 32) * 4; }

LONG dots_per_inch(LONG pixels_per_metre) {
  return static_cast<LONG>(std::floor(pixels_per_metre * 0.0254 + 0.5));
}

bool read_exact(TxFile* stream, void* buffer, size_t size) { return stream->Read(buffer, 1, size) == size; }

// Parses the 40-byte info header layout.
BITMAPINFOHEADER parse_info_header(const BYTE* p) {
  BITMAPINFOHEADER dib{};
  dib.biSize = le32(p);
  dib.biWidth = static_cast<LONG>(le32(p + 4));
  dib.biHeight = static_cast<LONG>(le32(p + 8));
  dib.biPlanes = le16(p + 12);
  dib.biBitCount = le16(p + 14);
  dib.biCompression = le32(p + 16);
  dib.biSizeImage = le32(p + 20);
  dib.biXPelsPerMeter = static_cast<LONG>(le32(p + 24));
  dib.biYPelsPerMeter = static_cast<LONG>(le32(p + 28));
  dib.biClrUsed = le32(p + 32);
  dib.biClrImportant = le32(p + 36);
  return dib;
}

// The 12-byte core header widened to the 40-byte layout.
BITMAPINFOHEADER parse_core_header(const BYTE* p) {
  BITMAPINFOHEADER dib{};
  dib.biSize = INFO_HEADER_SIZE;
  dib.biWidth = le16(p + 4);
  dib.biHeight = le16(p + 6);
  dib.biPlanes = le16(p + 8);
  dib.biBitCount = le16(p + 10);
  return dib;
}

// A header of another size is taken only when it plainly describes an
// uncompressed image whose size field matches its rows.
bool plausible_other_header(const BITMAPINFOHEADER& dib) {
  const __int128 size = static_cast<__int128>(row_stride(static_cast<DWORD>(dib.biWidth), dib.biBitCount)) *
                        dib.biHeight;
  return dib.biPlanes == 1 && dib.biCompression == BI_RGB && dib.biClrUsed == 0 &&
         static_cast<__int128>(dib.biSizeImage) == size;
}

bool describable(const BITMAPINFOHEADER& dib) {
  return contains(BIT_COUNTS, dib.biBitCount) && dib.biWidth > 0 && dib.biHeight != 0 &&
         dib.biHeight != INT_MIN;
}

// Reads the compressed pixel stream a chunk at a time.
class ByteReader {
 public:
  explicit ByteReader(TxFile* stream) : stream_(stream) {}

  bool Next(BYTE& value) {
    if (position_ == length_) {
      length_ = stream_->Read(buffer_, 1, READ_CHUNK);
      position_ = 0;
      if (length_ == 0) return false;
    }
    value = buffer_[position_++];
    return true;
  }

 private:
  TxFile* stream_;
  BYTE buffer_[READ_CHUNK];
  size_t position_ = 0;
  size_t length_ = 0;
};

// Where run-length codes write: a row counted from the bottom and a column,
// with every write outside the image dropped.
class RleCursor {
 public:
  RleCursor(BYTE* bits, size_t row_units, size_t row_bytes, unsigned long long height)
      : bits_(bits), row_units_(row_units), row_bytes_(row_bytes), height_(height) {}

  bool Inside() const { return row_ < height_ && column_ < row_units_; }
  bool PastImage() const { return row_ >= height_; }
  void EndOfLine() {
    ++row_;
    column_ = 0;
  }
  void Delta(BYTE dx, BYTE dy) {
    column_ += dx;
    row_ += dy;
  }
  void PutByte(BYTE value) {
    if (Inside()) bits_[row_ * row_bytes_ + column_] = value;
    ++column_;
  }
  void PutNibble(BYTE value) {
    if (Inside()) {
      BYTE& slot = bits_[row_ * row_bytes_ + column_ / 2];
      slot = (column_ & 1) == 0 ? static_cast<BYTE>((slot & 0x0F) | (value << 4))
                                : static_cast<BYTE>((slot & 0xF0) | (value & 0x0F));
    }
    ++column_;
  }

 private:
  BYTE* bits_;
  size_t row_units_;
  size_t row_bytes_;
  unsigned long long height_;
  unsigned long long row_ = 0;
  unsigned long long column_ = 0;
};

// RLE escape codes after a zero count.
constexpr BYTE RLE_END_OF_LINE = 0;
constexpr BYTE RLE_END_OF_BITMAP = 1;
constexpr BYTE RLE_DELTA = 2;

}  // namespace

TxBmpCodec::TxBmpCodec() : TxImage(FORMAT_BMP) {}

bool TxBmpCodec::Encode(TxFile* stream) {
  if (EncodeSafeCheck(stream)) return false;
  const DWORD size = static_cast<DWORD>(GetSize());
  BYTE file_header[FILE_HEADER_SIZE] = {};
  put_le16(file_header, BMP_SIGNATURE);
  put_le32(file_header + 2, FILE_HEADER_SIZE + size);
  put_le32(file_header + 10, FILE_HEADER_SIZE + Header.biSize + 4 * Header.biClrUsed);
  // The block's own header copy may hold what a platform call left there.
  std::memcpy(DibBlock, &Header, sizeof(Header));
  if (stream->Write(file_header, 1, FILE_HEADER_SIZE) != FILE_HEADER_SIZE ||
      stream->Write(DibBlock, 1, size) != size) {
    return Fail("BMP write error");
  }
  return true;
}

bool TxBmpCodec::ReadHeaderMasks(TxFile* stream, DWORD header_size) {
  if (!contains(MASK_HEADER_SIZES, header_size)) return true;
  BYTE masks[MASKS_SIZE];
  if (!read_exact(stream, masks, sizeof(masks))) return false;
  RedMask = le32(masks);
  GreenMask = le32(masks + 4);
  BlueMask = le32(masks + 8);
  MasksInHeader = true;
  return true;
}

bool TxBmpCodec::ReadInfoHeader(TxFile* stream, BITMAPINFOHEADER* dib) {
  if (stream == nullptr || dib == nullptr) return false;
  CoreHeader = false;
  MasksInHeader = false;
  BYTE raw[INFO_HEADER_SIZE];
  if (!read_exact(stream, raw, 4)) return false;
  const DWORD header_size = le32(raw);
  DWORD consumed = 0;
  if (header_size == CORE_HEADER_SIZE) {
    if (!read_exact(stream, raw + 4, CORE_HEADER_SIZE - 4)) return false;
    *dib = parse_core_header(raw);
    CoreHeader = true;
    consumed = CORE_HEADER_SIZE;
  } else {
    if (header_size < INFO_HEADER_SIZE || !read_exact(stream, raw + 4, INFO_HEADER_SIZE - 4)) return false;
    *dib = parse_info_header(raw);
    const bool known = header_size == INFO_HEADER_SIZE || header_size == OS2_HEADER_SIZE ||
                       contains(MASK_HEADER_SIZES, header_size);
    if (!known && !plausible_other_header(*dib)) return false;
    if (!ReadHeaderMasks(stream, header_size)) return false;
    consumed = MasksInHeader ? INFO_HEADER_SIZE + MASKS_SIZE : INFO_HEADER_SIZE;
  }
  if (!describable(*dib)) return false;
  if (header_size > consumed && !stream->Seek(static_cast<long>(header_size - consumed), SEEK_CUR)) return false;

  // A colour table that the rest of the stream cannot hold is not a table.
  const long stream_size = stream->Size();
  const unsigned long long table = static_cast<unsigned long long>(dib->biClrUsed) * (CoreHeader ? 3 : 4);
  if (stream_size >= 0 && table > static_cast<unsigned long long>(std::max(0L, stream_size - stream->Tell()))) {
    return false;
  }

  if (dib->biSizeImage == 0) {
    const unsigned __int128 rows = static_cast<unsigned __int128>(row_stride(static_cast<DWORD>(dib->biWidth),
                                                                              dib->biBitCount)) *
                                   static_cast<unsigned long long>(std::abs(static_cast<long long>(dib->biHeight)));
    dib->biSizeImage = static_cast<DWORD>(std::min<unsigned __int128>(rows, 0xFFFFFFFF));
  }
  if (dib->biClrUsed == 0 && dib->biBitCount <= 8) dib->biClrUsed = 1u << dib->biBitCount;
  return true;
}

bool TxBmpCodec::Decode(TxFile* stream) {
  if (stream == nullptr) return false;
  const long start = stream->Tell();
  BYTE file_header[FILE_HEADER_SIZE];
  if (!read_exact(stream, file_header, sizeof(file_header))) return Fail("Not a BMP");
  DWORD off_bits = le32(file_header + 10);
  if (le16(file_header) != BMP_SIGNATURE) {
    // A headerless DIB: the info header comes first and the pixels follow.
    off_bits = 0;
    stream->Seek(start, SEEK_SET);
  }

  BITMAPINFOHEADER dib;
  if (!ReadInfoHeader(stream, &dib)) return Fail("Error reading BMP info");
  const bool top_down = dib.biHeight < 0;
  const DWORD height = static_cast<DWORD>(std::abs(dib.biHeight));

  if (Info.Escape == -1) {
    Header.biWidth = dib.biWidth;
    Header.biHeight = static_cast<LONG>(height);
    Fail("output dimensions returned");
    return true;
  }
  if (Create(static_cast<DWORD>(dib.biWidth), height, dib.biBitCount, FORMAT_BMP) == nullptr) {
    return Fail("Can't allocate memory");
  }
  Header.biXPelsPerMeter = dib.biXPelsPerMeter;
  Header.biYPelsPerMeter = dib.biYPelsPerMeter;
  Info.XDPI = dots_per_inch(dib.biXPelsPerMeter);
  Info.YDPI = dots_per_inch(dib.biYPelsPerMeter);
  if (Info.Escape != 0) return Fail("Cancelled");

  if (dib.biBitCount <= 8) ReadPalette(stream, dib);
  if (Info.Escape != 0) return Fail("Cancelled");

  const long data_start = off_bits != 0 ? start + static_cast<long>(off_bits) : -1;
  if (!ReadPixels(stream, dib, data_start)) return false;
  if (top_down) FlipRows();
  return true;
}

void TxBmpCodec::ReadPalette(TxFile* stream, const BITMAPINFOHEADER& dib) {
  const size_t entry_size = CoreHeader ? 3 : 4;
  const DWORD fitting = std::min(dib.biClrUsed, Header.biClrUsed);
  BYTE entries[256 * 4] = {};
  stream->Read(entries, entry_size, fitting);
  RGBQUAD palette[256];
  for (DWORD i = 0; i < fitting; ++i) {
    const BYTE* entry = entries + i * entry_size;
    palette[i] = RGBQUAD{entry[0], entry[1], entry[2], 0};
  }
  SetPalette(palette, fitting);
  // Entries past what the depth can index are skipped.
  const unsigned long long excess = static_cast<unsigned long long>(dib.biClrUsed - fitting) * entry_size;
  if (excess != 0) stream->Seek(static_cast<long>(excess), SEEK_CUR);
}

void TxBmpCodec::SeekToData(TxFile* stream, const BITMAPINFOHEADER& dib, long data_start) {
  if (data_start >= 0) {
    stream->Seek(data_start, SEEK_SET);
  } else if (dib.biBitCount > 8 && dib.biClrUsed != 0) {
    // A headerless true-colour DIB may still carry a colour table.
    const unsigned long long table = static_cast<unsigned long long>(dib.biClrUsed) * (CoreHeader ? 3 : 4);
    stream->Seek(static_cast<long>(table), SEEK_CUR);
  }
}

bool TxBmpCodec::ReadChannelMasks(TxFile* stream, const BITMAPINFOHEADER& dib, long data_start,
                                  DWORD masks[3]) {
  // Some writers mark bit fields without room for the masks before the pixels:
  // those files hold the default layout.
  const bool masks_follow =
      MasksInHeader || data_start < 0 || stream->Tell() + static_cast<long>(MASKS_SIZE) <= data_start;
  if (dib.biCompression != BI_BITFIELDS || !masks_follow) {
    // 16 bits default to 5-5-5; 32 bits without masks take bytes as blue, green, red.
    for (int i = 0; i < 3; ++i) masks[i] = dib.biBitCount == 16 ? RGB555_MASKS[i] : 0;
    return true;
  }
  if (MasksInHeader) {
    masks[0] = RedMask;
    masks[1] = GreenMask;
    masks[2] = BlueMask;
  } else {
    BYTE raw[MASKS_SIZE];
    if (!read_exact(stream, raw, sizeof(raw))) return false;
    for (int i = 0; i < 3; ++i) masks[i] = le32(raw + 4 * i);
  }
  // Bit fields without a single channel hold no picture.
  return (masks[0] | masks[1] | masks[2]) != 0;
}

bool TxBmpCodec::ReadPixels(TxFile* stream, const BITMAPINFOHEADER& dib, long data_start) {
  switch (dib.biBitCount) {
    case 1:
    case 4:
    case 8:
      SeekToData(stream, dib, data_start);
      switch (dib.biCompression) {
        case BI_RGB: return ReadUncompressedRows(stream);
        case BI_RLE8: DecodeRle(stream, 1); return true;
        case BI_RLE4: DecodeRle(stream, 2); return true;
        default: return Fail("compression type not supported");
      }
    case 24:
      if (dib.biCompression != BI_RGB) return Fail("unknown compression");
      SeekToData(stream, dib, data_start);
      return ReadUncompressedRows(stream);
    default: {
      if (dib.biBitCount == 32 && dib.biCompression != BI_RGB && dib.biCompression != BI_BITFIELDS) {
        return Fail("unknown compression");
      }
      DWORD masks[3];
      if (!ReadChannelMasks(stream, dib, data_start, masks)) return Fail("Error reading BMP info");
      SeekToData(stream, dib, data_start);
      return ReadBitfieldRows(stream, masks, dib.biBitCount);
    }
  }
}

bool TxBmpCodec::ReadUncompressedRows(TxFile* stream) {
  // The image's own rows bound the read, whatever the file's size field says.
  const size_t read = stream->Read(Info.Bits, 1, Header.biSizeImage);
  // Only the padding after the last pixel of the top row may be missing.
  const size_t last_row_pixels = (static_cast<size_t>(GetWidth()) * GetBpp() + 7) / 8;
  if (read < Header.biSizeImage - Info.EffWidth + last_row_pixels) return Fail(TRUNCATED);
  return true;
}

bool TxBmpCodec::ReadBitfieldRows(TxFile* stream, const DWORD masks[3], int bpp) {
  const DWORD width = GetWidth();
  const size_t stride = static_cast<size_t>(row_stride(width, static_cast<unsigned>(bpp)));
  BYTE* row = static_cast<BYTE*>(std::malloc(stride));
  if (row == nullptr) return Fail("can't allocate memory");
  const BitfieldMasks channels(masks[0], masks[1], masks[2], bpp);
  const size_t row_pixels = static_cast<size_t>(width) * (bpp / 8);
  bool complete = true;
  for (DWORD y = 0; y < GetHeight() && complete; ++y) {
    // Only the padding after the last pixel of the top row may be missing.
    const size_t read = stream->Read(row, 1, stride);
    complete = read == stride || (read >= row_pixels && y + 1 == GetHeight());
    if (complete) widen_bitfield_row(row, GetBits(y), width, channels, bpp);
  }
  std::free(row);
  return complete || Fail(TRUNCATED);
}

// RLE8 (one pixel a byte) and RLE4 (two pixels a byte, high nibble first):
// runs repeat a byte's pixels, literals copy bytes padded to an even count.
void TxBmpCodec::DecodeRle(TxFile* stream, int pixels_per_byte) {
  ByteReader reader(stream);
  RleCursor cursor(Info.Bits, static_cast<size_t>(Info.EffWidth) * pixels_per_byte, Info.EffWidth,
                   GetHeight());
  auto put = [&](BYTE byte, int i) {
    if (pixels_per_byte == 1) cursor.PutByte(byte);
    else cursor.PutNibble((i & 1) == 0 ? byte >> 4 : byte & 0x0F);
  };
  BYTE count = 0;
  BYTE value = 0;
  while (!cursor.PastImage() && reader.Next(count) && reader.Next(value)) {
    if (count > 0) {
      for (int i = 0; i < count; ++i) put(value, i);
      continue;
    }
    if (value == RLE_END_OF_LINE) {
      cursor.EndOfLine();
    } else if (value == RLE_END_OF_BITMAP) {
      return;
    } else if (value == RLE_DELTA) {
      BYTE dx = 0;
      BYTE dy = 0;
      if (!reader.Next(dx) || !reader.Next(dy)) return;
      cursor.Delta(dx, dy);
    } else {
      BYTE literal = 0;
      for (int i = 0; i < value; ++i) {
        if (i % pixels_per_byte == 0 && !reader.Next(literal)) return;
        put(literal, i);
      }
      const int bytes = (value + pixels_per_byte - 1) / pixels_per_byte;
      BYTE padding = 0;
      if ((bytes & 1) != 0 && !reader.Next(padding)) return;
    }
  }
}

void TxBmpCodec::FlipRows() {
  const DWORD height = GetHeight();
  for (DWORD y = 0; y < height / 2; ++y) {
    BYTE* lower = GetBits(y);
    std::swap_ranges(lower, lower + Info.EffWidth, GetBits(height - 1 - y));
  }
}
