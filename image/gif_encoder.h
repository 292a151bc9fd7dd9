// TxImageGIF: the GIF codec class. Writes GIF89a streams: images of 1, 4 and
// 8 bits as one image with a global colour table, deeper images losslessly as
// a mosaic of small tiles with their own tables, and animations from an array
// of images. The pixel data goes through one of three compressors chosen by
// the image's GIF codec option: LZW (default), uncompressed (1) or
// run-length (2); all three produce streams any LZW reader accepts.
#pragma once

#include <cstdio>

#include "image/txfile.h"
#include "image/tximage.h"

class TxImageGIF : public TxImage {
 public:
  // Codec option values for FORMAT_GIF.
  static constexpr DWORD COMPRESS_LZW = 0;
  static constexpr DWORD COMPRESS_NONE = 1;
  static constexpr DWORD COMPRESS_RLE = 2;

  TxImageGIF();
  TxImageGIF(const TxImageGIF& other) = default;
  TxImageGIF& operator=(const TxImageGIF& other) = default;
  ~TxImageGIF() override = default;

  void SetLoops(int loops);
  long GetLoops() const;
  void SetDisposalMethod(int method);
  long GetDisposalMethod() const;
  // Keeps at most 255 characters.
  void SetComment(const char* comment);
  // Copies the comment (at most 255 characters and the terminator).
  void GetComment(char* buffer) const;

  bool Encode(TxFile* stream);
  // An animation of count images; local_tables gives the frames after the
  // first their own colour tables.
  bool Encode(TxFile* stream, TxImage** images, int count, bool local_tables);
  bool Encode(FILE* file);
  bool Encode(FILE* file, TxImage** images, int count, bool local_tables);

 protected:
  // Output state of the run-length compressor.
  struct tag_RLE {
    int rl_pixel;
    int rl_basecode;
    int rl_count;
    int rl_table_pixel;
    int rl_table_max;
    int just_cleared;
    int out_bits;
    int out_bits_init;
    int out_count;
    int out_bump;
    int out_bump_init;
    int out_clear;
    int out_clear_init;
    int max_ocodes;
    int code_clear;
    int code_eof;
    unsigned int obuf;
    int obits;
    BYTE oblock[256];
    int oblen;
  };

  void EncodeHeader(TxFile* stream);
  void EncodeExtension(TxFile* stream);
  void EncodeLoopExtension(TxFile* stream);
  void EncodeComment(TxFile* stream);
  // Writes one image (descriptor, optional local table, compressed data);
  // false with "Write Error in GIF file" when the stream failed.
  bool EncodeBody(TxFile* stream, bool local_color_map);
  bool EncodeRGB(TxFile* stream);
  int GifNextPixel();
  void Putword(int value, TxFile* stream);

  void compressLZW(int init_bits, TxFile* outfile);
  void compressNONE(int init_bits, TxFile* outfile);
  void compressRLE(int init_bits, TxFile* outfile);
  void output(int code);
  void cl_hash();
  void char_out(BYTE c);
  void flush_char();

  void rle_clear(tag_RLE* rle);
  void rle_flush(tag_RLE* rle);
  void rle_flush_withtable(int count, tag_RLE* rle);
  void rle_flush_clearorrep(int count, tag_RLE* rle);
  void rle_flush_fromclear(int count, tag_RLE* rle);
  void rle_output_plain(int c, tag_RLE* rle);
  void rle_reset_out_clear(tag_RLE* rle);
  static unsigned int rle_compute_triangle_count(unsigned int count, unsigned int nrepcodes);
  static unsigned int rle_isqrt(unsigned int x);
  void rle_write_block(tag_RLE* rle);
  void rle_block_out(BYTE c, tag_RLE* rle);
  void rle_block_flush(tag_RLE* rle);
  void rle_output(int val, tag_RLE* rle);
  void rle_output_flush(tag_RLE* rle);

  static constexpr int HASH_SIZE = 5003;

  // Graphic control extension data: flags, delay (little-endian), index.
  BYTE ControlBlock[4] = {};
  LONG CursorX = 0;
  LONG CursorY = 0;
  // 64 bits: a 1-bit image may hold more than 2^31 pixels.
  long long PixelsLeft = 0;
  LONG BitAccumulator = 0;
  LONG BitCount = 0;
  LONG HashKeys[HASH_SIZE] = {};
  WORD HashCodes[HASH_SIZE] = {};
  LONG CodeBits = 0;
  WORD CodeLimit = 0;
  WORD NextCode = 0;
  LONG ResetPending = 0;
  LONG StartBits = 0;
  TxFile* OutFile = nullptr;
  LONG WriterClearCode = 0;
  LONG WriterEndCode = 0;
  LONG PacketLength = 0;
  BYTE Packet[256] = {};
  char Comment[256] = {};
  LONG Loops = 0;
  LONG DisposalMethod = 0;

 private:
  // Every byte goes out through these two, which remember a refused write:
  // a memory stream that cannot grow refuses bytes without setting its error
  // indicator.
  void PutByte(TxFile* stream, BYTE c);
  void PutBytes(TxFile* stream, const void* bytes, size_t count);
  // Flushes the stream; true when it or an earlier write failed.
  bool StreamFailed(TxFile* stream);
  bool HasTransparentIndex() const;
  bool FitsGifLimits(const TxImage& image);
  bool CheckFrames(TxFile* stream, TxImage** images, int count);
  void WriteColorTable(TxFile* stream);
  void StartCompressor(int init_bits, TxFile* outfile);

  bool WriteFailed = false;
};
