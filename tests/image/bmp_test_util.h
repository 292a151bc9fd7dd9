// Shared helpers of the image-core tests: access to protected members, BMP
// bytes built field by field, and decoded pixels as top-down RGB.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/bmp_codec.h"
#include "image/tximage.h"

namespace image_test {

// An image whose protected members a test may read.
struct OpenImage : TxImage {
  using TxImage::TxImage;
  using TxImage::AlphaPlane;
  using TxImage::CopyInfo;
  using TxImage::DibBlock;
  using TxImage::Ghost;
  using TxImage::Header;
  using TxImage::Info;
  using TxImage::SelectionPlane;
};

struct __attribute__((visibility("hidden"))) OpenBmpCodec : TxBmpCodec {
  using TxBmpCodec::Ghost;
  using TxBmpCodec::Info;
};

inline std::vector<BYTE> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_file(const std::string& path, const std::vector<BYTE>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void put16(std::vector<BYTE>& out, unsigned v) {
  out.push_back(static_cast<BYTE>(v));
  out.push_back(static_cast<BYTE>(v >> 8));
}

inline void put32(std::vector<BYTE>& out, unsigned long v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(v >> (8 * i)));
}

// The fields of a BMP file to build; header_size 12 writes a core header, any
// other size a 40-byte layout followed by masks (for sizes of 52 and more)
// and zero bytes up to header_size.
struct BmpSpec {
  bool file_header = true;
  unsigned long header_size = 40;
  long width = 1;
  long height = 1;
  unsigned planes = 1;
  unsigned bpp = 24;
  unsigned long compression = 0;
  unsigned long size_image = 0;
  long x_ppm = 3780;
  long y_ppm = 3780;
  unsigned long colours_used = 0;
  std::vector<unsigned long> masks = {};  // written after the first 40 bytes, or after a 40-byte header
  std::vector<BYTE> palette = {};    // raw entry bytes
  std::vector<BYTE> pixels = {};
  long off_bits = -1;                // -1: directly after the palette
};

inline std::vector<BYTE> build_bmp(const BmpSpec& s) {
  std::vector<BYTE> dib;
  put32(dib, s.header_size);
  if (s.header_size == 12) {
    put16(dib, static_cast<unsigned>(s.width));
    put16(dib, static_cast<unsigned>(s.height));
    put16(dib, s.planes);
    put16(dib, s.bpp);
  } else {
    put32(dib, static_cast<unsigned long>(s.width));
    put32(dib, static_cast<unsigned long>(s.height));
    put16(dib, s.planes);
    put16(dib, s.bpp);
    put32(dib, s.compression);
    put32(dib, s.size_image);
    put32(dib, static_cast<unsigned long>(s.x_ppm));
    put32(dib, static_cast<unsigned long>(s.y_ppm));
    put32(dib, s.colours_used);
    put32(dib, 0);
    for (unsigned long m : s.masks) put32(dib, m);
    while (dib.size() < s.header_size) dib.push_back(0);
  }
  dib.insert(dib.end(), s.palette.begin(), s.palette.end());
  std::vector<BYTE> file;
  if (s.file_header) {
    const unsigned long off = s.off_bits >= 0 ? static_cast<unsigned long>(s.off_bits) : 14 + dib.size();
    file = {'B', 'M'};
    put32(file, 14 + dib.size() + s.pixels.size());
    put32(file, 0);
    put32(file, off);
    while (file.size() + dib.size() < off) dib.push_back(0);
  }
  file.insert(file.end(), dib.begin(), dib.end());
  file.insert(file.end(), s.pixels.begin(), s.pixels.end());
  return file;
}

inline bool decode_bmp(TxBmpCodec& codec, std::vector<BYTE> bytes) {
  TxMemFile stream(bytes.data(), static_cast<DWORD>(bytes.size()));
  return codec.Decode(&stream);
}

inline std::vector<BYTE> encode_bmp(TxImage& image) {
  OpenBmpCodec codec;
  codec.Ghost(&image);
  TxMemFile stream;
  stream.Open();
  if (!codec.Encode(&stream)) return {};
  const long size = stream.Size();
  const BYTE* buffer = stream.GetBuffer(false);
  return std::vector<BYTE>(buffer, buffer + size);
}

// Red, green, blue of every pixel, top row first.
inline std::vector<BYTE> top_down_rgb(const TxImage& image) {
  std::vector<BYTE> rgb;
  for (long y = static_cast<long>(image.GetHeight()) - 1; y >= 0; --y) {
    for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) {
      const RGBQUAD c = image.GetPixelColor(x, y, false);
      rgb.insert(rgb.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
    }
  }
  return rgb;
}

inline std::string testdata(const std::string& relative) {
  return std::string(TRESSLIN_TESTDATA_DIR) + "/" + relative;
}

// Runs a shell command; true when it exits with status 0.
inline bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

inline bool have_tool(const std::string& name) { return run("command -v " + name + " >/dev/null 2>&1"); }

inline const char* PYTHON = "/usr/bin/python3";

inline bool have_pillow() {
  return run(std::string(PYTHON) + " -c 'import PIL' >/dev/null 2>&1");
}

}  // namespace image_test
