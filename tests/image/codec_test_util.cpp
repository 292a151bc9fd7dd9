#include "tests/image/codec_test_util.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <memory>

namespace codec_test {

namespace {

// ImageMagick from its Debian package, by its full path.
constexpr const char* MAGICK = "/usr/bin/convert";

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

unsigned next_random(unsigned& state) {
  state = state * 1103515245u + 12345u;
  return state >> 8;
}

}  // namespace

std::vector<BYTE> expected_rgba(const TxImage& image) {
  std::vector<BYTE> rgba;
  const long width = image.GetWidth();
  const long height = image.GetHeight();
  const long trans = image.GetTransIndex();
  const bool trans_valid = image.IsIndexed() && trans >= 0 && trans < static_cast<long>(image.GetNumColors());
  for (long y = height - 1; y >= 0; --y) {
    for (long x = 0; x < width; ++x) {
      const RGBQUAD c = image.GetPixelColor(x, y, false);
      BYTE alpha = 255;
      if (image.AlphaIsValid()) {
        alpha = static_cast<BYTE>(image.AlphaGet(x, y) * image.AlphaGetMax() / 255);
      } else if (image.IsIndexed() && image.AlphaPaletteIsEnabled()) {
        alpha = c.rgbReserved;
      } else if (trans_valid && image.GetPixelIndex(x, y) == trans) {
        alpha = 0;
      }
      rgba.insert(rgba.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue, alpha});
    }
  }
  return rgba;
}

void fill_pattern(TxImage& image, unsigned seed, int run_length) {
  unsigned state = seed;
  const long width = image.GetWidth();
  const long height = image.GetHeight();
  const DWORD colours = image.GetNumColors();
  for (DWORD i = 0; i < colours; ++i) {
    image.SetPaletteColor(static_cast<BYTE>(i), static_cast<BYTE>(i * 37 + 11),
                          static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 91 + 3), 0);
  }
  unsigned value = 0;
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) {
      if ((y * width + x) % run_length == 0) value = next_random(state);
      if (colours) {
        image.SetPixelIndex(x, y, static_cast<BYTE>(value % colours));
      } else {
        image.SetPixelColor(x, y, RGBQUAD{static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                                          static_cast<BYTE>(value >> 16), 0});
      }
    }
  }
}

namespace {

constexpr BYTE png_signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

}  // namespace

unsigned long be32(const BYTE* p) {
  return (static_cast<unsigned long>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

std::vector<PngChunk> png_chunks(const std::vector<BYTE>& file) {
  std::vector<PngChunk> chunks;
  if (file.size() < 8 || !std::equal(png_signature, png_signature + 8, file.begin())) return chunks;
  size_t pos = 8;
  while (pos + 12 <= file.size()) {
    const unsigned long length = be32(&file[pos]);
    if (pos + 12 + length > file.size()) break;
    PngChunk chunk;
    chunk.type.assign(reinterpret_cast<const char*>(&file[pos + 4]), 4);
    chunk.data.assign(file.begin() + static_cast<long>(pos + 8),
                      file.begin() + static_cast<long>(pos + 8 + length));
    chunks.push_back(chunk);
    pos += 12 + length;
  }
  return chunks;
}

const PngChunk* find_chunk(const std::vector<PngChunk>& chunks, const std::string& type) {
  for (const auto& chunk : chunks) {
    if (chunk.type == type) return &chunk;
  }
  return nullptr;
}

std::vector<BYTE> build_png(const std::vector<PngChunk>& chunks) {
  std::vector<BYTE> file(png_signature, png_signature + 8);
  for (const auto& chunk : chunks) {
    const unsigned long length = chunk.data.size();
    for (int shift = 24; shift >= 0; shift -= 8) file.push_back(static_cast<BYTE>(length >> shift));
    std::vector<BYTE> body(chunk.type.begin(), chunk.type.end());
    body.insert(body.end(), chunk.data.begin(), chunk.data.end());
    const unsigned long crc = crc32(0, body.data(), static_cast<uInt>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    for (int shift = 24; shift >= 0; shift -= 8) file.push_back(static_cast<BYTE>(crc >> shift));
  }
  return file;
}

namespace {

template <typename Codec>
std::vector<BYTE> encode_with(TxImage& image) {
  Codec codec;
  codec.Ghost(&image);
  TxMemFile stream;
  stream.Open();
  if (!codec.Encode(&stream)) {
    ADD_FAILURE() << "encode failed: " << codec.GetLastError();
    return {};
  }
  const BYTE* buffer = stream.GetBuffer(false);
  return std::vector<BYTE>(buffer, buffer + stream.Size());
}

}  // namespace

std::vector<BYTE> encode_png(TxImage& image) { return encode_with<OpenPngCodec>(image); }
std::vector<BYTE> encode_gif(TxImage& image) { return encode_with<OpenGif>(image); }

bool run_pillow(const std::string& program, const std::vector<std::string>& args) {
  std::string command = std::string(PYTHON) + " -c " + quoted(program);
  for (const auto& arg : args) command += " " + quoted(arg);
  return run(command);
}

std::vector<BYTE> pillow_rgba(const std::string& path, int frame) {
  const std::string out = path + ".pillow.rgba";
  const char* program =
      "import sys\n"
      "from PIL import Image\n"
      "im = Image.open(sys.argv[1])\n"
      "frame = int(sys.argv[3])\n"
      "im.seek(im.n_frames - 1 if frame < 0 else frame)\n"
      "open(sys.argv[2], 'wb').write(im.convert('RGBA').tobytes())\n";
  if (!run_pillow(program, {path, out, std::to_string(frame)})) return {};
  return read_file(out);
}

std::vector<std::vector<BYTE>> magick_frames(const std::string& path) {
  const std::string pattern = path + ".magick-%04d.rgba";
  if (!run(std::string(MAGICK) + " " + quoted(path) + " -coalesce +adjoin -depth 8 " +
           quoted("RGBA:" + pattern) + " 2>/dev/null")) {
    return {};
  }
  std::vector<std::vector<BYTE>> frames;
  for (int i = 0;; ++i) {
    char name[32];
    std::snprintf(name, sizeof(name), ".magick-%04d.rgba", i);
    if (::access((path + name).c_str(), R_OK) != 0) break;
    frames.push_back(read_file(path + name));
  }
  return frames;
}

std::string command_output(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return "";
  std::string out;
  std::array<char, 4096> chunk;
  size_t n;
  while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe.get())) > 0) out.append(chunk.data(), n);
  return out;
}

}  // namespace codec_test
