// Decodes arbitrary bytes as a BMP file through a memory stream. A decoded
// image is encoded again and decoded once more, so that the encoder and the
// decoder's treatment of its own output are exercised too.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/bmp_codec.h"

namespace {

// Images above this many pixels are skipped: the decoder accepts them (up to
// its own size limit) but the fuzzer's memory limit would not.
constexpr unsigned long long MAX_FUZZ_PIXELS = 1ull << 20;

bool small_enough(std::vector<BYTE>& bytes) {
  TxMemFile stream(bytes.data(), static_cast<DWORD>(bytes.size()));
  TxBmpCodec probe;
  probe.SetEscape(-1);
  if (!probe.Decode(&stream)) return true;  // refused before any allocation
  return static_cast<unsigned long long>(probe.GetWidth()) * probe.GetHeight() <= MAX_FUZZ_PIXELS;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<BYTE> bytes(data, data + size);
  if (!small_enough(bytes)) return 0;

  TxMemFile input(bytes.data(), static_cast<DWORD>(bytes.size()));
  TxBmpCodec decoded;
  if (!decoded.Decode(&input)) return 0;
  volatile BYTE sink = 0;
  for (DWORD y = 0; y < decoded.GetHeight(); ++y) sink = sink + decoded.GetPixelColor(0, y).rgbRed;

  TxMemFile output;
  output.Open();
  if (!decoded.Encode(&output)) __builtin_trap();
  output.Seek(0, SEEK_SET);
  TxBmpCodec again;
  if (!again.Decode(&output) || again.GetWidth() != decoded.GetWidth() || again.GetHeight() != decoded.GetHeight()) {
    __builtin_trap();
  }
  return 0;
}
