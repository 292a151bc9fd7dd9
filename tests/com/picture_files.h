// Reading back what Encode2File wrote: the file's bytes, its format by its
// signature, its size in pixels, and the images a GIF holds.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::vector<unsigned char> file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string signature_format(const std::vector<unsigned char>& bytes) {
  auto starts = [&](const char* magic, std::size_t n) {
    return bytes.size() >= n && std::equal(magic, magic + n, bytes.begin(),
                                           [](char a, unsigned char b) { return static_cast<unsigned char>(a) == b; });
  };
  if (starts("BM", 2)) return "BMP";
  if (starts("GIF89a", 6) || starts("GIF87a", 6)) return "GIF";
  if (starts("\x89PNG\r\n\x1a\n", 8)) return "PNG";
  return bytes.empty() ? "empty" : "unknown";
}

inline std::uint32_t little(const std::vector<unsigned char>& b, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | b.at(at + i);
  return v;
}

inline std::uint32_t big(const std::vector<unsigned char>& b, std::size_t at) {
  return std::uint32_t{b.at(at)} << 24 | std::uint32_t{b.at(at + 1)} << 16 | std::uint32_t{b.at(at + 2)} << 8 |
         b.at(at + 3);
}

struct PictureSize {
  long width = 0;
  long height = 0;
  bool operator==(const PictureSize&) const = default;
};

inline PictureSize picture_size(const std::vector<unsigned char>& b) {
  std::string format = signature_format(b);
  if (format == "BMP") return {static_cast<long>(little(b, 18, 4)), std::abs(static_cast<int32_t>(little(b, 22, 4)))};
  if (format == "GIF") return {static_cast<long>(little(b, 6, 2)), static_cast<long>(little(b, 8, 2))};
  if (format == "PNG") return {static_cast<long>(big(b, 16)), static_cast<long>(big(b, 20))};
  return {};
}

// The number of images (image descriptors) in a GIF stream; -1 when the
// stream is malformed.
inline int gif_image_count(const std::vector<unsigned char>& b) {
  if (signature_format(b) != "GIF" || b.size() < 13) return -1;
  std::size_t at = 13;
  if (b[10] & 0x80) at += 3u << ((b[10] & 7) + 1);
  auto skip_sub_blocks = [&]() {
    while (at < b.size() && b[at] != 0) at += b[at] + 1u;
    ++at;
  };
  int images = 0;
  while (at < b.size()) {
    unsigned char kind = b[at++];
    if (kind == 0x3B) return images;
    if (kind == 0x21) {
      ++at;
      skip_sub_blocks();
    } else if (kind == 0x2C) {
      if (at + 9 > b.size()) return -1;
      unsigned char flags = b[at + 8];
      at += 9;
      if (flags & 0x80) at += 3u << ((flags & 7) + 1);
      ++at;  // LZW minimum code size
      skip_sub_blocks();
      ++images;
    } else {
      return -1;
    }
  }
  return -1;
}
