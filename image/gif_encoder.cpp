#include "image/gif_encoder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

// Low-bit masks of the LZW writer's bit accumulator.
constexpr LONG code_masks[] = {0x0000, 0x0001, 0x0003, 0x0007, 0x000F, 0x001F,
                               0x003F, 0x007F, 0x00FF, 0x01FF, 0x03FF, 0x07FF,
                               0x0FFF, 0x1FFF, 0x3FFF, 0x7FFF, 0xFFFF};

constexpr char signature[] = "GIF89a";
constexpr char loop_application[] = "NETSCAPE2.0";
static_assert(sizeof(signature) - 1 == 6 && sizeof(loop_application) - 1 == 11);

constexpr BYTE EXTENSION_INTRODUCER = 0x21;
constexpr BYTE GRAPHIC_CONTROL_LABEL = 0xF9;
constexpr BYTE COMMENT_LABEL = 0xFE;
constexpr BYTE APPLICATION_LABEL = 0xFF;
constexpr BYTE IMAGE_SEPARATOR = 0x2C;
constexpr BYTE TRAILER = 0x3B;

constexpr int MAX_BITS = 12;
constexpr int MAX_CODES = 1 << MAX_BITS;  // 4096
constexpr int HASH_SHIFT = 4;             // 8 minus the doublings of 5003 up to 65536
constexpr LONG MAX_GIF_VALUE = 65535;     // the 16-bit size and offset fields
constexpr long TILE_WIDTH = 17;
constexpr long TILE_HEIGHT = 15;
constexpr int MAX_COMMENT = 255;

constexpr LONG max_code(int bits) { return (1 << bits) - 1; }

}  // namespace

TxImageGIF::TxImageGIF() : TxImage(FORMAT_GIF) {}

void TxImageGIF::SetLoops(int loops) { Loops = loops; }
long TxImageGIF::GetLoops() const { return Loops; }
void TxImageGIF::SetDisposalMethod(int method) { DisposalMethod = method; }
long TxImageGIF::GetDisposalMethod() const { return DisposalMethod; }

void TxImageGIF::SetComment(const char* comment) {
  if (!comment) return;
  std::strncpy(Comment, comment, MAX_COMMENT);
  Comment[MAX_COMMENT] = '\0';
}

void TxImageGIF::GetComment(char* buffer) const {
  if (buffer) std::strcpy(buffer, Comment);
}

// ---- single image ---------------------------------------------------------

bool TxImageGIF::Encode(TxFile* stream) {
  if (EncodeSafeCheck(stream)) return false;
  if (!FitsGifLimits(*this)) return false;
  WriteFailed = false;
  if (GetBpp() > 8) return EncodeRGB(stream);
  EncodeHeader(stream);
  EncodeExtension(stream);
  EncodeComment(stream);
  if (!EncodeBody(stream, false)) return false;
  PutByte(stream, TRAILER);
  return !StreamFailed(stream) || Fail("Write Error in GIF file");
}

bool TxImageGIF::Encode(FILE* file) {
  if (!file) return Encode(static_cast<TxFile*>(nullptr));
  TxIOFile stream(file);
  return Encode(&stream);
}

// True-colour images: tiles of at most 17 x 15 pixels, each with its own
// 256-entry table, so every pixel keeps its exact colour.
bool TxImageGIF::EncodeRGB(TxFile* stream) {
  EncodeHeader(stream);
  EncodeComment(stream);
  std::unique_ptr<TxImageGIF> tile(new (std::nothrow) TxImageGIF);
  if (!tile) return Fail("GIF: can't allocate memory");
  const long width = GetWidth();
  const long height = GetHeight();
  const bool transparent = IsTransparent();
  const RGBQUAD trans_color = GetTransColor();
  for (long top = 0; top < height; top += TILE_HEIGHT) {
    for (long left = 0; left < width; left += TILE_WIDTH) {
      const long tile_width = std::min(TILE_WIDTH, width - left);
      const long tile_height = std::min(TILE_HEIGHT, height - top);
      if (!tile->IsValid() || static_cast<long>(tile->GetWidth()) != tile_width ||
          static_cast<long>(tile->GetHeight()) != tile_height) {
        if (!tile->Create(tile_width, tile_height, 8, FORMAT_UNKNOWN)) {
          return Fail(tile->GetLastError());
        }
      }
      if (transparent) {
        tile->SetTransIndex(0);
        tile->SetPaletteColor(0, trans_color);
      }
      for (long j = 0; j < tile_height; ++j) {
        for (long k = 0; k < tile_width; ++k) {
          const BYTE slot = static_cast<BYTE>((TILE_WIDTH * j + 1 + k) & 255);
          const RGBQUAD color = GetPixelColor(left + k, height - top - tile_height + j, true);
          tile->SetPaletteColor(slot, color);
          tile->SetPixelIndex(k, j, tile->GetNearestIndex(color));
        }
      }
      tile->SetOffset(left, top);
      tile->EncodeExtension(stream);
      if (!tile->EncodeBody(stream, true)) return Fail(tile->GetLastError());
    }
  }
  PutByte(stream, TRAILER);
  return !StreamFailed(stream) || Fail("Write Error in GIF file");
}

// ---- animation ------------------------------------------------------------

bool TxImageGIF::Encode(TxFile* stream, TxImage** images, int count, bool local_tables) {
  if (!CheckFrames(stream, images, count)) return false;
  WriteFailed = false;
  std::unique_ptr<TxImageGIF> frame(new (std::nothrow) TxImageGIF);
  if (!frame) return Fail("GIF: can't allocate memory");
  frame->Ghost(images[0]);
  frame->EncodeHeader(stream);
  if (Loops != 1) {
    frame->Loops = std::max<LONG>(Loops - 1, 0);
    frame->EncodeLoopExtension(stream);
  }
  frame->DisposalMethod = DisposalMethod;
  frame->EncodeExtension(stream);
  EncodeComment(stream);
  if (!frame->EncodeBody(stream, false)) return Fail(frame->GetLastError());
  for (int i = 1; i < count; ++i) {
    frame->Ghost(images[i]);
    frame->DisposalMethod = DisposalMethod;
    frame->EncodeExtension(stream);
    if (!frame->EncodeBody(stream, local_tables)) return Fail(frame->GetLastError());
  }
  PutByte(stream, TRAILER);
  return !StreamFailed(stream) || Fail("Write Error in GIF file");
}

bool TxImageGIF::Encode(FILE* file, TxImage** images, int count, bool local_tables) {
  if (!file) return Encode(static_cast<TxFile*>(nullptr), images, count, local_tables);
  TxIOFile stream(file);
  return Encode(&stream, images, count, local_tables);
}

// Every frame is checked before the first byte is written, so a refused
// animation leaves the stream untouched.
bool TxImageGIF::CheckFrames(TxFile* stream, TxImage** images, int count) {
  if (!stream) return Fail("invalid file pointer");
  if (!images || count <= 0 || !images[0] || !images[0]->IsValid()) {
    return Fail("multipage GIF, no images!");
  }
  for (int i = 0; i < count; ++i) {
    if (!images[i] || !images[i]->IsValid()) return Fail("Bad image pointer");
    if (images[i]->GetBpp() > 8) return Fail("multipage GIF, images must have 8 bits or less");
    if (!FitsGifLimits(*images[i])) return false;
  }
  return true;
}

bool TxImageGIF::FitsGifLimits(const TxImage& image) {
  long x = 0;
  long y = 0;
  image.GetOffset(&x, &y);
  const bool fits = image.GetWidth() <= static_cast<DWORD>(MAX_GIF_VALUE) &&
                    image.GetHeight() <= static_cast<DWORD>(MAX_GIF_VALUE) && x >= 0 &&
                    x <= MAX_GIF_VALUE && y >= 0 && y <= MAX_GIF_VALUE;
  return fits || Fail("GIF: image too large");
}

// ---- stream blocks --------------------------------------------------------

void TxImageGIF::EncodeHeader(TxFile* stream) {
  PutBytes(stream, signature, 6);
  Putword(GetWidth(), stream);
  Putword(GetHeight(), stream);
  const int bpp = GetBpp();
  const BYTE flags = GetPalette() ? static_cast<BYTE>((((bpp + 7) * 32) | (bpp - 1) | 0x80) & 0xFF)
                                  : 0x11;
  PutByte(stream, flags);
  PutByte(stream, 0);  // background colour index
  PutByte(stream, 0);  // pixel aspect ratio
  WriteColorTable(stream);
}

void TxImageGIF::WriteColorTable(TxFile* stream) {
  const RGBQUAD* palette = GetPalette();
  if (!palette) return;
  for (DWORD i = 0; i < GetNumColors(); ++i) {
    const BYTE rgb[3] = {palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue};
    PutBytes(stream, rgb, 3);
  }
}

// A transparent index outside the palette marks nothing transparent.
bool TxImageGIF::HasTransparentIndex() const {
  return Info.TransIndex >= 0 && static_cast<DWORD>(Info.TransIndex) < GetNumColors();
}

void TxImageGIF::EncodeExtension(TxFile* stream) {
  const bool transparent = HasTransparentIndex();
  ControlBlock[0] = static_cast<BYTE>(((DisposalMethod & 7) << 2) | (transparent ? 1 : 0));
  ControlBlock[1] = static_cast<BYTE>(Info.FrameDelay & 0xFF);
  ControlBlock[2] = static_cast<BYTE>((Info.FrameDelay >> 8) & 0xFF);
  ControlBlock[3] = transparent ? static_cast<BYTE>(Info.TransIndex) : 0;
  const BYTE introducer[3] = {EXTENSION_INTRODUCER, GRAPHIC_CONTROL_LABEL, 4};
  PutBytes(stream, introducer, 3);
  PutBytes(stream, ControlBlock, 4);
  PutByte(stream, 0);
}

void TxImageGIF::EncodeLoopExtension(TxFile* stream) {
  const BYTE introducer[3] = {EXTENSION_INTRODUCER, APPLICATION_LABEL, 11};
  PutBytes(stream, introducer, 3);
  PutBytes(stream, loop_application, 11);
  PutByte(stream, 3);  // sub-block length
  PutByte(stream, 1);  // loop sub-block id
  Putword(Loops, stream);
  PutByte(stream, 0);
}

void TxImageGIF::EncodeComment(TxFile* stream) {
  const size_t length = std::strlen(Comment);
  if (length == 0) return;
  const BYTE introducer[3] = {EXTENSION_INTRODUCER, COMMENT_LABEL, static_cast<BYTE>(length)};
  PutBytes(stream, introducer, 3);
  PutBytes(stream, Comment, length);
  PutByte(stream, 0);
}

bool TxImageGIF::EncodeBody(TxFile* stream, bool local_color_map) {
  const long width = GetWidth();
  const long height = GetHeight();
  CursorX = 0;
  CursorY = height - 1;
  PixelsLeft = static_cast<long long>(width) * height;

  const int bpp = GetBpp();
  PutByte(stream, IMAGE_SEPARATOR);
  Putword(Info.XOffset, stream);
  Putword(Info.YOffset, stream);
  Putword(width, stream);
  Putword(height, stream);
  PutByte(stream, local_color_map ? static_cast<BYTE>((bpp - 1) | 0x80) : 0);
  if (local_color_map) WriteColorTable(stream);

  const int code_size = bpp == 1 ? 2 : bpp;
  PutByte(stream, static_cast<BYTE>(code_size));
  switch (GetCodecOption(FORMAT_GIF)) {
    case COMPRESS_NONE:
      compressNONE(code_size + 1, stream);
      break;
    case COMPRESS_RLE:
      compressRLE(code_size + 1, stream);
      break;
    default:
      compressLZW(code_size + 1, stream);
      break;
  }
  PutByte(stream, 0);
  return !StreamFailed(stream) || Fail("Write Error in GIF file");
}

// Pixels go out row by row from the top of the picture, left to right.
int TxImageGIF::GifNextPixel() {
  if (PixelsLeft == 0) return -1;
  --PixelsLeft;
  // The cursor never leaves the picture: no bounds check per pixel.
  const int index = Header.biClrUsed == 0 ? 0 : BlindGetPixelIndex(CursorX, CursorY);
  if (++CursorX == static_cast<LONG>(GetWidth())) {
    CursorX = 0;
    --CursorY;
  }
  return index;
}

void TxImageGIF::Putword(int value, TxFile* stream) {
  const BYTE bytes[2] = {static_cast<BYTE>(value & 0xFF), static_cast<BYTE>((value >> 8) & 0xFF)};
  PutBytes(stream, bytes, 2);
}

void TxImageGIF::PutByte(TxFile* stream, BYTE c) {
  if (!stream->PutC(c)) WriteFailed = true;
}

void TxImageGIF::PutBytes(TxFile* stream, const void* bytes, size_t count) {
  if (stream->Write(bytes, 1, count) != count) WriteFailed = true;
}

bool TxImageGIF::StreamFailed(TxFile* stream) {
  const bool flushed = stream->Flush();
  return WriteFailed || !flushed || stream->Error() != 0;
}

// ---- LZW writer -----------------------------------------------------------

void TxImageGIF::StartCompressor(int init_bits, TxFile* outfile) {
  OutFile = outfile;
  StartBits = init_bits;
  CodeBits = StartBits;
  ResetPending = 0;
  BitAccumulator = 0;
  BitCount = 0;
  PacketLength = 0;
  CodeLimit = static_cast<WORD>(max_code(CodeBits));
  WriterClearCode = 1 << (init_bits - 1);
  WriterEndCode = WriterClearCode + 1;
  NextCode = static_cast<WORD>(WriterClearCode + 2);
}

void TxImageGIF::compressLZW(int init_bits, TxFile* outfile) {
  StartCompressor(init_bits, outfile);
  LONG ent = GifNextPixel();
  cl_hash();
  output(WriterClearCode);
  int c;
  while ((c = GifNextPixel()) != -1) {
    const LONG key = (static_cast<LONG>(c) << MAX_BITS) + ent;
    int i = (c << HASH_SHIFT) ^ ent;
    if (HashKeys[i] == key) {
      ent = HashCodes[i];
      continue;
    }
    bool found = false;
    if (HashKeys[i] >= 0) {
      const int step = i == 0 ? 1 : HASH_SIZE - i;
      do {
        i -= step;
        if (i < 0) i += HASH_SIZE;
        if (HashKeys[i] == key) {
          found = true;
          break;
        }
      } while (HashKeys[i] > 0);
    }
    if (found) {
      ent = HashCodes[i];
      continue;
    }
    output(ent);
    ent = c;
    if (NextCode < MAX_CODES) {
      HashCodes[i] = NextCode++;
      HashKeys[i] = key;
    } else {
      cl_hash();
      NextCode = static_cast<WORD>(WriterClearCode + 2);
      ResetPending = 1;
      output(WriterClearCode);
    }
  }
  output(ent);
  output(WriterEndCode);
}

// Every pixel becomes its own code; the table is counted as an LZW reader
// builds it, so the code width grows and resets exactly as the reader expects.
void TxImageGIF::compressNONE(int init_bits, TxFile* outfile) {
  StartCompressor(init_bits, outfile);
  output(WriterClearCode);
  int c;
  while ((c = GifNextPixel()) != -1) {
    output(c);
    if (NextCode < MAX_CODES) {
      ++NextCode;
    } else {
      NextCode = static_cast<WORD>(WriterClearCode + 2);
      ResetPending = 1;
      output(WriterClearCode);
    }
  }
  output(WriterEndCode);
}

void TxImageGIF::output(int code) {
  BitAccumulator &= code_masks[BitCount];
  BitAccumulator = BitCount > 0 ? BitAccumulator | (static_cast<LONG>(code) << BitCount) : code;
  BitCount += CodeBits;
  while (BitCount >= 8) {
    char_out(static_cast<BYTE>(BitAccumulator & 0xFF));
    BitAccumulator >>= 8;
    BitCount -= 8;
  }
  if (NextCode > CodeLimit || ResetPending) {
    if (ResetPending) {
      CodeBits = StartBits;
      CodeLimit = static_cast<WORD>(max_code(CodeBits));
      ResetPending = 0;
    } else {
      ++CodeBits;
      CodeLimit = static_cast<WORD>(CodeBits == MAX_BITS ? MAX_CODES : max_code(CodeBits));
    }
  }
  if (code == WriterEndCode) {
    while (BitCount > 0) {
      char_out(static_cast<BYTE>(BitAccumulator & 0xFF));
      BitAccumulator >>= 8;
      BitCount -= 8;
    }
    flush_char();
  }
}

void TxImageGIF::cl_hash() { std::fill(std::begin(HashKeys), std::end(HashKeys), -1); }

void TxImageGIF::char_out(BYTE c) {
  Packet[PacketLength++] = c;
  if (PacketLength >= 254) flush_char();
}

void TxImageGIF::flush_char() {
  if (PacketLength == 0) return;
  PutByte(OutFile, static_cast<BYTE>(PacketLength));
  PutBytes(OutFile, Packet, PacketLength);
  PacketLength = 0;
}

// ---- run-length writer ----------------------------------------------------
// Emits only codes an LZW reader accepts: after a clear code, a run of one
// pixel p makes the reader define "pp", "ppp", ... with each further code,
// so runs can be sent as those growing codes without building a table here.

void TxImageGIF::compressRLE(int init_bits, TxFile* outfile) {
  OutFile = outfile;
  StartBits = init_bits;
  tag_RLE rle{};
  rle.code_clear = 1 << (init_bits - 1);
  rle.code_eof = rle.code_clear + 1;
  rle.rl_basecode = rle.code_clear + 2;
  rle.out_bump_init = rle.code_clear - 1;
  rle.out_clear_init = init_bits <= 3 ? 9 : rle.code_clear - 2;
  rle.out_bits_init = init_bits;
  rle.max_ocodes = (MAX_CODES - 3) - rle.code_clear;
  rle_clear(&rle);
  rle_output(rle.code_clear, &rle);
  for (;;) {
    const int c = GifNextPixel();
    if (rle.rl_count > 0 && c != rle.rl_pixel) rle_flush(&rle);
    if (c == -1) break;
    if (rle.rl_count > 0 && rle.rl_pixel == c) {
      ++rle.rl_count;
    } else {
      rle.rl_pixel = c;
      rle.rl_count = 1;
    }
  }
  rle_output(rle.code_eof, &rle);
  rle_output_flush(&rle);
}

void TxImageGIF::rle_clear(tag_RLE* rle) {
  rle->out_bits = rle->out_bits_init;
  rle->out_bump = rle->out_bump_init;
  rle->out_clear = rle->out_clear_init;
  rle->out_count = 0;
  rle->rl_table_max = 0;
  rle->just_cleared = 1;
}

void TxImageGIF::rle_flush(tag_RLE* rle) {
  if (rle->rl_count == 1) {
    rle_output_plain(rle->rl_pixel, rle);
  } else if (rle->just_cleared) {
    rle_flush_fromclear(rle->rl_count, rle);
  } else if (rle->rl_table_max < 2 || rle->rl_table_pixel != rle->rl_pixel) {
    rle_flush_clearorrep(rle->rl_count, rle);
  } else {
    rle_flush_withtable(rle->rl_count, rle);
  }
  rle->rl_count = 0;
}

void TxImageGIF::rle_flush_withtable(int count, tag_RLE* rle) {
  int repmax = count / rle->rl_table_max;
  int leftover = count % rle->rl_table_max;
  int repleft = leftover ? 1 : 0;
  if (rle->out_count + repmax + repleft > rle->max_ocodes) {
    repmax = rle->max_ocodes - rle->out_count;
    leftover = count - repmax * rle->rl_table_max;
    repleft = 1 + static_cast<int>(rle_compute_triangle_count(leftover, rle->max_ocodes));
  }
  if (1 + static_cast<int>(rle_compute_triangle_count(count, rle->max_ocodes)) <
      repmax + repleft) {
    rle_output(rle->code_clear, rle);
    rle_clear(rle);
    rle_flush_fromclear(count, rle);
    return;
  }
  rle->out_clear = rle->max_ocodes;
  for (; repmax > 0; --repmax) rle_output_plain(rle->rl_basecode + rle->rl_table_max - 2, rle);
  if (leftover) {
    if (rle->just_cleared) {
      rle_flush_fromclear(leftover, rle);
    } else if (leftover == 1) {
      rle_output_plain(rle->rl_pixel, rle);
    } else {
      rle_output_plain(rle->rl_basecode + leftover - 2, rle);
    }
  }
  rle_reset_out_clear(rle);
}

void TxImageGIF::rle_flush_clearorrep(int count, tag_RLE* rle) {
  const int with_clear = 1 + static_cast<int>(rle_compute_triangle_count(count, rle->max_ocodes));
  if (with_clear < count) {
    rle_output(rle->code_clear, rle);
    rle_clear(rle);
    rle_flush_fromclear(count, rle);
    return;
  }
  for (; count > 0; --count) rle_output_plain(rle->rl_pixel, rle);
}

void TxImageGIF::rle_flush_fromclear(int count, tag_RLE* rle) {
  rle->out_clear = rle->max_ocodes;
  rle->rl_table_pixel = rle->rl_pixel;
  int n = 1;
  while (count > 0) {
    if (n == 1) {
      rle->rl_table_max = 1;
      rle_output_plain(rle->rl_pixel, rle);
      --count;
    } else if (count >= n) {
      rle->rl_table_max = n;
      rle_output_plain(rle->rl_basecode + n - 2, rle);
      count -= n;
    } else if (count == 1) {
      ++rle->rl_table_max;
      rle_output_plain(rle->rl_pixel, rle);
      count = 0;
    } else {
      ++rle->rl_table_max;
      rle_output_plain(rle->rl_basecode + count - 2, rle);
      count = 0;
    }
    n = rle->out_count == 0 ? 1 : n + 1;
  }
  rle_reset_out_clear(rle);
}

void TxImageGIF::rle_output_plain(int c, tag_RLE* rle) {
  rle->just_cleared = 0;
  rle_output(c, rle);
  ++rle->out_count;
  if (rle->out_count >= rle->out_bump) {
    ++rle->out_bits;
    rle->out_bump += 1 << (rle->out_bits - 1);
  }
  if (rle->out_count >= rle->out_clear) {
    rle_output(rle->code_clear, rle);
    rle_clear(rle);
  }
}

void TxImageGIF::rle_reset_out_clear(tag_RLE* rle) {
  rle->out_clear = rle->out_clear_init;
  if (rle->out_count >= rle->out_clear) {
    rle_output(rle->code_clear, rle);
    rle_clear(rle);
  }
}

// Codes needed to send count pixels as growing runs from a clear, with at
// most nrepcodes codes between clears.
unsigned int TxImageGIF::rle_compute_triangle_count(unsigned int count, unsigned int nrepcodes) {
  unsigned int cost = 0;
  const unsigned int per_clear = (nrepcodes * (nrepcodes + 1)) / 2;
  while (count >= per_clear) {
    cost += nrepcodes;
    count -= per_clear;
  }
  if (count > 0) {
    unsigned int n = rle_isqrt(count);
    while (n * (n + 1) >= 2 * count) --n;
    while (n * (n + 1) < 2 * count) ++n;
    cost += n;
  }
  return cost;
}

unsigned int TxImageGIF::rle_isqrt(unsigned int x) {
  if (x < 2) return x;
  unsigned int r = 1;
  for (unsigned int v = x; v; v >>= 2) r <<= 1;
  for (;;) {
    const unsigned int next = (x / r + r) / 2;
    if (next == r || next == r + 1) return r;
    r = next;
  }
}

void TxImageGIF::rle_write_block(tag_RLE* rle) {
  PutByte(OutFile, static_cast<BYTE>(rle->oblen));
  PutBytes(OutFile, rle->oblock, rle->oblen);
  rle->oblen = 0;
}

void TxImageGIF::rle_block_out(BYTE c, tag_RLE* rle) {
  rle->oblock[rle->oblen++] = c;
  if (rle->oblen >= 255) rle_write_block(rle);
}

void TxImageGIF::rle_block_flush(tag_RLE* rle) {
  if (rle->oblen > 0) rle_write_block(rle);
}

void TxImageGIF::rle_output(int val, tag_RLE* rle) {
  rle->obuf |= static_cast<unsigned int>(val) << rle->obits;
  rle->obits += rle->out_bits;
  while (rle->obits >= 8) {
    rle_block_out(static_cast<BYTE>(rle->obuf & 0xFF), rle);
    rle->obuf >>= 8;
    rle->obits -= 8;
  }
}

void TxImageGIF::rle_output_flush(tag_RLE* rle) {
  if (rle->obits > 0) rle_block_out(static_cast<BYTE>(rle->obuf & 0xFF), rle);
  rle_block_flush(rle);
}
