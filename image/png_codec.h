// TxPngCodec: writes and reads PNG files through libpng. Used by the format
// dispatch as a short-lived object: a ghost of the caller's image when
// encoding, a fresh image whose result is transferred when decoding.
#pragma once

#include "image/txfile.h"
#include "image/tximage.h"

struct png_struct_def;

class __attribute__((visibility("hidden"))) TxPngCodec : public TxImage {
 public:
  TxPngCodec();
  ~TxPngCodec() override = default;

  bool Encode(TxFile* stream);
  bool Decode(TxFile* stream);

 protected:
  // libpng's input, output and error callbacks; the stream (or, for errors,
  // the codec) is the library's I/O or error pointer.
  static void ReadData(png_struct_def* png, unsigned char* buffer, size_t length);
  static void WriteData(png_struct_def* png, unsigned char* buffer, size_t length);
  static void FlushData(png_struct_def* png);
  [[noreturn]] static void ErrorExit(png_struct_def* png, const char* message);

  // Widens a row of 2-bit pixels to 4-bit pixels in place.
  void Expand2to4(BYTE* buffer);

 private:
  struct WriteJob;
  struct ReadJob;

  bool WriteImage(TxFile* stream, WriteJob* job);
  void WriteHeader(WriteJob* job);
  void WritePalette(WriteJob* job);
  void MarkTransparentColor(WriteJob* job);
  void WriteRgbaRows(WriteJob* job);
  void WriteDibRows(WriteJob* job);
  void ReleaseWriteJob(WriteJob* job);

  bool ReadImage(TxFile* stream, ReadJob* job);
  bool ReadHeader(ReadJob* job);
  void ReadResolution(ReadJob* job);
  void ReadPalette(ReadJob* job);
  bool ReadRows(ReadJob* job);
  void ReleaseReadJob(ReadJob* job);
};
