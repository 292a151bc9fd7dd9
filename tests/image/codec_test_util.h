// Shared helpers of the PNG, GIF and saving tests: pictures to encode, the
// RGBA a reader should see, scratch files, and decodings by the independent
// tools (Pillow, ImageMagick, gifsicle, pngcheck).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "image/gif_encoder.h"
#include "image/png_codec.h"
#include "image/tximage.h"
#include "tests/image/bmp_test_util.h"
#include "tests/support/scratch_folder.h"

namespace codec_test {

using image_test::PYTHON;
using image_test::read_file;
using image_test::run;
using image_test::write_file;

struct __attribute__((visibility("hidden"))) OpenPngCodec : TxPngCodec {
  using TxPngCodec::Ghost;
  using TxPngCodec::Info;
};

struct OpenGif : TxImageGIF {
  using TxImageGIF::Ghost;
  using TxImageGIF::Info;
};

using ScratchDir = ScratchFolder;

// 8-bit red, green, blue, alpha of every pixel, top row first, as a reader
// of the file should see them: alpha from the alpha plane, else from an
// enabled alpha palette, else 0 for a valid transparent index, else 255.
std::vector<BYTE> expected_rgba(const TxImage& image);

// A pseudo-random picture: an indexed image (1, 4 or 8 bits) whose palette
// entries are distinct colours, or a 24-bit one. run_length > 1 repeats each
// value that many times along the rows, giving long runs.
void fill_pattern(TxImage& image, unsigned seed, int run_length = 1);

// A memory stream that refuses every byte past limit, as a full disk would.
class LimitedStream : public TxMemFile {
 public:
  explicit LimitedStream(size_t limit) : limit_(limit) { Open(); }
  size_t Write(const void* buffer, size_t size, size_t count) override {
    if (static_cast<size_t>(Tell()) + size * count > limit_) return 0;
    return TxMemFile::Write(buffer, size, count);
  }
  bool PutC(unsigned char c) override { return Write(&c, 1, 1) == 1; }

 private:
  size_t limit_;
};

// The bytes written into a memory stream so far.
inline std::vector<BYTE> stream_bytes(TxMemFile& stream) {
  const BYTE* buffer = stream.GetBuffer(false);
  return buffer ? std::vector<BYTE>(buffer, buffer + stream.Size()) : std::vector<BYTE>();
}

// The chunks of a PNG file, in order (nothing when the signature is wrong).
struct PngChunk {
  std::string type;
  std::vector<BYTE> data;
};
std::vector<PngChunk> png_chunks(const std::vector<BYTE>& file);
const PngChunk* find_chunk(const std::vector<PngChunk>& chunks, const std::string& type);
unsigned long be32(const BYTE* p);
// A PNG file built from chunks (CRCs computed).
std::vector<BYTE> build_png(const std::vector<PngChunk>& chunks);

// The bytes an encoder wrote into memory; empty when it failed.
std::vector<BYTE> encode_png(TxImage& image);
std::vector<BYTE> encode_gif(TxImage& image);

// Runs a Python program with Pillow; argv[1..] are the arguments. True on
// exit status 0.
bool run_pillow(const std::string& program, const std::vector<std::string>& args);

// RGBA of a file's frame (-1: the last), as Pillow composes it.
std::vector<BYTE> pillow_rgba(const std::string& path, int frame = 0);
// RGBA of every coalesced frame, as ImageMagick composes them.
std::vector<std::vector<BYTE>> magick_frames(const std::string& path);
// Output of a command's standard output, or "" when it fails.
std::string command_output(const std::string& command);

inline bool have_tool(const std::string& name) { return image_test::have_tool(name); }

#define REQUIRE_TOOL(available, name)                   \
  do {                                                  \
    if (!(available)) GTEST_SKIP() << name " missing";  \
  } while (0)

}  // namespace codec_test
