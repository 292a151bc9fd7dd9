// Decodes arbitrary bytes as a PNG file through a memory stream. A decoded
// image is encoded again and decoded once more; the second decoding must give
// the same size and the same colour and alpha in every pixel. The seed corpus
// (fuzz/corpus/png) is a few PngSuite files.
//
// Chunk checksums are recomputed before decoding, so that mutated chunks
// reach the decoder instead of stopping at a CRC error.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "image/png_codec.h"

namespace {

// Pictures above this many pixels are skipped: the decoder accepts them (up
// to the image size limit) but the fuzzer's memory limit would not.
constexpr unsigned long long MAX_FUZZ_PIXELS = 1ull << 20;

unsigned long long be32(const uint8_t* p) {
  return (static_cast<unsigned long long>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// The header chunk must come first; its size is read before decoding.
bool small_enough(const uint8_t* data, size_t size) {
  if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) return true;
  return be32(data + 16) * be32(data + 20) <= MAX_FUZZ_PIXELS;
}

void fix_checksums(std::vector<uint8_t>& bytes) {
  size_t pos = 8;
  while (pos + 12 <= bytes.size()) {
    const unsigned long long length = be32(&bytes[pos]);
    if (length > bytes.size() - pos - 12) return;
    const uLong crc = crc32(0, &bytes[pos + 4], static_cast<uInt>(length + 4));
    uint8_t* out = &bytes[pos + 8 + length];
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    pos += 12 + length;
  }
}

bool same_pixels(const TxImage& a, const TxImage& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
  for (long y = 0; y < static_cast<long>(a.GetHeight()); ++y) {
    for (long x = 0; x < static_cast<long>(a.GetWidth()); ++x) {
      const RGBQUAD p = a.GetPixelColor(x, y, true);
      const RGBQUAD q = b.GetPixelColor(x, y, true);
      if (std::memcmp(&p, &q, sizeof(p)) != 0) return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!small_enough(data, size)) return 0;
  std::vector<uint8_t> bytes(data, data + size);
  fix_checksums(bytes);
  TxMemFile input(bytes.data(), static_cast<DWORD>(bytes.size()));
  TxPngCodec decoded;
  if (!decoded.Decode(&input)) {
    if (decoded.GetLastError()[0] == '\0') __builtin_trap();
    return 0;
  }

  TxMemFile output;
  output.Open();
  if (!decoded.Encode(&output)) __builtin_trap();
  output.Seek(0, SEEK_SET);
  TxPngCodec again;
  if (!again.Decode(&output) || !same_pixels(decoded, again)) __builtin_trap();
  return 0;
}
