#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/image/codec_test_util.h"

namespace {

using codec_test::encode_gif;
using codec_test::expected_rgba;
using codec_test::fill_pattern;
using codec_test::LimitedStream;
using codec_test::OpenGif;
using codec_test::ScratchDir;
using codec_test::stream_bytes;
using codec_test::write_file;

// ---- a small reader of the GIF block structure, for layout checks ----------

struct GifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<BYTE> local_table;
  std::vector<BYTE> control;  // graphic control data, when present
  int min_code_size = 0;
  std::vector<BYTE> data;     // the data sub-blocks joined
  std::vector<int> block_sizes;
};

struct GifFile {
  int width = 0, height = 0;
  BYTE flags = 0;
  std::vector<BYTE> global_table;
  std::vector<GifFrame> frames;
  std::vector<std::string> comments;
  int loop_count = -1;  // -1: no NETSCAPE2.0 extension
  bool trailer = false;
};

class Reader {
 public:
  explicit Reader(const std::vector<BYTE>& bytes) : bytes_(bytes) {}
  int byte() { return pos_ < bytes_.size() ? bytes_[pos_++] : -1; }
  int word() {
    const int low = byte();
    return low | (byte() << 8);
  }
  std::vector<BYTE> take(size_t n) {
    std::vector<BYTE> out;
    for (size_t i = 0; i < n && pos_ < bytes_.size(); ++i) out.push_back(bytes_[pos_++]);
    return out;
  }
  std::vector<BYTE> sub_blocks(std::vector<int>* sizes = nullptr) {
    std::vector<BYTE> out;
    for (int n = byte(); n > 0; n = byte()) {
      if (sizes) sizes->push_back(n);
      const auto part = take(static_cast<size_t>(n));
      out.insert(out.end(), part.begin(), part.end());
    }
    return out;
  }

 private:
  const std::vector<BYTE>& bytes_;
  size_t pos_ = 0;
};

GifFile parse_gif(const std::vector<BYTE>& bytes) {
  GifFile gif;
  Reader in(bytes);
  const auto signature = in.take(6);
  EXPECT_EQ(std::string(signature.begin(), signature.end()), "GIF89a");
  gif.width = in.word();
  gif.height = in.word();
  gif.flags = static_cast<BYTE>(in.byte());
  in.byte();
  in.byte();
  if (gif.flags & 0x80) gif.global_table = in.take(3u << ((gif.flags & 7) + 1));
  std::vector<BYTE> control;
  for (;;) {
    const int block = in.byte();
    if (block == 0x3B) {
      gif.trailer = true;
      break;
    }
    if (block == 0x21) {
      const int label = in.byte();
      const auto data = in.sub_blocks();
      if (label == 0xF9) control = data;
      if (label == 0xFE) gif.comments.emplace_back(data.begin(), data.end());
      if (label == 0xFF && data.size() == 14) gif.loop_count = data[12] | (data[13] << 8);
    } else if (block == 0x2C) {
      GifFrame frame;
      frame.left = in.word();
      frame.top = in.word();
      frame.width = in.word();
      frame.height = in.word();
      const int flags = in.byte();
      if (flags & 0x80) frame.local_table = in.take(3u << ((flags & 7) + 1));
      frame.control = control;
      control.clear();
      frame.min_code_size = in.byte();
      frame.data = in.sub_blocks(&frame.block_sizes);
      gif.frames.push_back(frame);
    } else {
      break;
    }
  }
  return gif;
}

// The codes of an image's data as an LZW reader takes them: each with the
// width it was read at and the number of table entries defined before it.
struct Code {
  int value, width, table_size;
};

std::vector<Code> read_codes(const GifFrame& frame) {
  std::vector<Code> codes;
  const int clear = 1 << frame.min_code_size;
  int width = frame.min_code_size + 1;
  int next = clear + 2;
  bool first = true;
  size_t bit = 0;
  while (bit + static_cast<size_t>(width) <= frame.data.size() * 8) {
    int value = 0;
    for (int i = 0; i < width; ++i, ++bit) value |= ((frame.data[bit / 8] >> (bit % 8)) & 1) << i;
    codes.push_back({value, width, next});
    if (value == clear + 1) break;
    if (value == clear) {
      width = frame.min_code_size + 1;
      next = clear + 2;
      first = true;
      continue;
    }
    if (!first && next < 4096) ++next;
    first = false;
    if (next == (1 << width) && width < 12) ++width;
  }
  return codes;
}

// The pixel indices an LZW reader decodes from an image's data.
std::vector<int> decode_indices(const GifFrame& frame) {
  const int clear = 1 << frame.min_code_size;
  std::vector<std::vector<int>> table;
  auto reset = [&] {
    table.assign(static_cast<size_t>(clear + 2), {});
    for (int i = 0; i < clear; ++i) table[static_cast<size_t>(i)] = {i};
  };
  reset();
  std::vector<int> out;
  std::vector<int> previous;
  for (const Code& code : read_codes(frame)) {
    if (code.value == clear) {
      reset();
      previous.clear();
      continue;
    }
    if (code.value == clear + 1) break;
    std::vector<int> entry;
    if (code.value < static_cast<int>(table.size())) {
      entry = table[static_cast<size_t>(code.value)];
    } else {
      entry = previous;
      entry.push_back(previous.at(0));
    }
    if (!previous.empty() && table.size() < 4096) {
      auto added = previous;
      added.push_back(entry[0]);
      table.push_back(added);
    }
    out.insert(out.end(), entry.begin(), entry.end());
    previous = entry;
  }
  return out;
}

// The image's indices top row first, as the GIF stream orders them.
std::vector<int> top_down_indices(const TxImage& image) {
  std::vector<int> out;
  for (long y = static_cast<long>(image.GetHeight()) - 1; y >= 0; --y) {
    for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) out.push_back(image.GetPixelIndex(x, y));
  }
  return out;
}

// ---- layout -----------------------------------------------------------------

TEST(GifEncode, OneBitImageHasTwoColoursAndCodeSizeTwo) {
  TxImage image(3, 2, 1);
  image.SetPaletteColor(0, 10, 20, 30);
  image.SetPaletteColor(1, 40, 50, 60);
  image.SetPixelIndex(1, 1, 1);
  const auto gif = parse_gif(encode_gif(image));
  EXPECT_EQ(gif.flags, 0x80);
  EXPECT_EQ(gif.global_table, (std::vector<BYTE>{10, 20, 30, 40, 50, 60}));
  ASSERT_EQ(gif.frames.size(), 1u);
  const auto& frame = gif.frames[0];
  EXPECT_EQ(frame.control, (std::vector<BYTE>{0, 0, 0, 0}));
  EXPECT_EQ(frame.min_code_size, 2);
  const auto codes = read_codes(frame);
  EXPECT_EQ(codes[0].value, 4);
  EXPECT_EQ(codes[0].width, 3);
  EXPECT_EQ(decode_indices(frame), (std::vector<int>{0, 1, 0, 0, 0, 0}));
  EXPECT_TRUE(gif.trailer);
}

TEST(GifEncode, HeaderFlagsFollowTheDepth) {
  const struct {
    DWORD bpp;
    BYTE flags;
    size_t table;
  } cases[] = {{1, 0x80, 6}, {4, 0xE3, 48}, {8, 0xE7, 768}};
  for (const auto& c : cases) {
    TxImage image(2, 2, c.bpp);
    const auto gif = parse_gif(encode_gif(image));
    EXPECT_EQ(gif.flags, c.flags);
    EXPECT_EQ(gif.global_table.size(), c.table);
    EXPECT_EQ(gif.frames.at(0).min_code_size, c.bpp == 1 ? 2 : static_cast<int>(c.bpp));
  }
}

TEST(GifEncode, UncompressedDataIsEveryIndexAsItsOwnCode) {
  TxImage image(2, 2, 8);
  image.SetPixelIndex(0, 1, 1);
  image.SetPixelIndex(1, 1, 2);
  image.SetPixelIndex(0, 0, 3);
  image.SetPixelIndex(1, 0, 4);
  image.SetCodecOption(TxImageGIF::COMPRESS_NONE, FORMAT_GIF);
  const auto codes = read_codes(parse_gif(encode_gif(image)).frames.at(0));
  const int values[] = {256, 1, 2, 3, 4, 257};
  ASSERT_EQ(codes.size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(codes[i].value, values[i]);
    EXPECT_EQ(codes[i].width, 9);
  }
}

TEST(GifEncode, FullTableEmitsAClearAndTheWidthStartsAgain) {
  TxImage image(300, 300, 8);
  fill_pattern(image, 21);
  for (DWORD option : {TxImageGIF::COMPRESS_LZW, TxImageGIF::COMPRESS_NONE}) {
    image.SetCodecOption(option, FORMAT_GIF);
    const auto frame = parse_gif(encode_gif(image)).frames.at(0);
    const auto codes = read_codes(frame);
    size_t clears = 0;
    for (size_t i = 1; i < codes.size(); ++i) {
      if (codes[i].value != 256) continue;
      ++clears;
      EXPECT_EQ(codes[i].table_size, 4096) << option;
      EXPECT_EQ(codes[i].width, 12);
      ASSERT_LT(i + 1, codes.size());
      EXPECT_EQ(codes[i + 1].width, 9);
    }
    EXPECT_GT(clears, 0u);
    EXPECT_EQ(decode_indices(frame), top_down_indices(image)) << option;
  }
}

TEST(GifEncode, CommentIsCutTo255CharactersAndEmptyWritesNone) {
  TxImageGIF image;
  image.Create(2, 2, 1);
  EXPECT_TRUE(parse_gif(encode_gif(image)).comments.empty());
  const std::string long_comment(300, 'c');
  image.SetComment(long_comment.c_str());
  char stored[300] = {};
  image.GetComment(stored);
  EXPECT_EQ(std::string(stored), std::string(255, 'c'));
  TxMemFile stream;
  stream.Open();
  ASSERT_TRUE(image.Encode(&stream));
  const auto gif = parse_gif(stream_bytes(stream));
  ASSERT_EQ(gif.comments.size(), 1u);
  EXPECT_EQ(gif.comments[0], std::string(255, 'c'));
}

TEST(GifEncode, TrueColourIsWrittenAsTilesOfSeventeenByFifteen) {
  TxImage image(40, 20, 24);
  fill_pattern(image, 22);
  const auto gif = parse_gif(encode_gif(image));
  EXPECT_EQ(gif.flags, 0x11);
  EXPECT_TRUE(gif.global_table.empty());
  const int expected[6][4] = {{0, 0, 17, 15}, {17, 0, 17, 15}, {34, 0, 6, 15},
                              {0, 15, 17, 5}, {17, 15, 17, 5}, {34, 15, 6, 5}};
  ASSERT_EQ(gif.frames.size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    const auto& f = gif.frames[i];
    EXPECT_EQ((std::vector<int>{f.left, f.top, f.width, f.height}),
              (std::vector<int>(expected[i], expected[i] + 4)));
    EXPECT_EQ(f.local_table.size(), 768u);
    EXPECT_EQ(f.min_code_size, 8);
  }
}

TEST(GifEncode, TransparentTrueColourTilesMarkEntryZero) {
  TxImage image(20, 16, 24);
  fill_pattern(image, 23);
  image.SetTransIndex(0);
  image.SetTransColor(RGBQUAD{7, 8, 9, 0});
  image.SetPixelColor(0, 0, RGBQUAD{7, 8, 9, 0});
  const auto gif = parse_gif(encode_gif(image));
  ASSERT_EQ(gif.frames.size(), 4u);
  for (const auto& f : gif.frames) {
    EXPECT_EQ((std::vector<BYTE>(f.local_table.begin(), f.local_table.begin() + 3)), (std::vector<BYTE>{9, 8, 7}));
    EXPECT_EQ(f.control, (std::vector<BYTE>{1, 0, 0, 0}));
  }
  // Pixel (0, 0) is the bottom-left one: the first column of the bottom tile row.
  EXPECT_EQ(decode_indices(gif.frames[2]).at(0), 0);
}

TEST(GifEncode, AnimationLoopCount) {
  const struct {
    int loops;
    int written;
  } cases[] = {{0, 0}, {1, -1}, {3, 2}};
  TxImage frame(2, 2, 8);
  TxImage* frames[] = {&frame, &frame};
  for (const auto& c : cases) {
    TxImageGIF gif;
    gif.SetLoops(c.loops);
    TxMemFile stream;
    stream.Open();
    ASSERT_TRUE(gif.Encode(&stream, frames, 2, false));
    const auto parsed = parse_gif(stream_bytes(stream));
    EXPECT_EQ(parsed.loop_count, c.written) << c.loops;
    EXPECT_EQ(parsed.frames.size(), 2u);
  }
}

// ---- refusals and stream failures --------------------------------------------

TEST(GifEncode, AnimationChecksEveryFrameBeforeWriting) {
  TxImage good(4, 4, 8);
  TxImage empty;
  TxImage deep(4, 4, 24);
  TxImage wide(65536, 1, 1);
  TxImage far(4, 4, 8);
  far.SetOffset(0, 70000);
  const struct {
    std::vector<TxImage*> frames;
    int count;
    const char* message;
  } cases[] = {
      {{}, 0, "multipage GIF, no images!"},
      {{&good}, 0, "multipage GIF, no images!"},
      {{nullptr, &good}, 2, "multipage GIF, no images!"},
      {{&empty, &good}, 2, "multipage GIF, no images!"},
      {{&good, nullptr}, 2, "Bad image pointer"},
      {{&good, &good, &empty}, 3, "Bad image pointer"},
      {{&good, &deep}, 2, "multipage GIF, images must have 8 bits or less"},
      {{&deep}, 1, "multipage GIF, images must have 8 bits or less"},
      {{&good, &wide}, 2, "GIF: image too large"},
      {{&good, &far}, 2, "GIF: image too large"},
  };
  for (const auto& c : cases) {
    TxImageGIF gif;
    TxMemFile stream;
    stream.Open();
    auto frames = c.frames;
    EXPECT_FALSE(gif.Encode(&stream, frames.empty() ? nullptr : frames.data(), c.count, false)) << c.message;
    EXPECT_STREQ(gif.GetLastError(), c.message);
    EXPECT_EQ(stream.Size(), 0) << c.message;
  }
  TxImageGIF gif;
  TxImage* frames[] = {&good};
  EXPECT_FALSE(gif.Encode(static_cast<TxFile*>(nullptr), frames, 1, false));
  EXPECT_STREQ(gif.GetLastError(), "invalid file pointer");
}

TEST(GifEncode, SizesAndOffsetsBeyondSixteenBitsAreRefused) {
  const struct {
    DWORD width, height;
    long x, y;
  } cases[] = {{65536, 1, 0, 0}, {1, 65536, 0, 0}, {70000, 2, 0, 0}, {2, 2, 65536, 0}, {2, 2, 0, -1}};
  for (const auto& c : cases) {
    OpenGif gif;
    gif.Create(c.width, c.height, 1);
    gif.SetOffset(c.x, c.y);
    TxMemFile stream;
    stream.Open();
    EXPECT_FALSE(gif.Encode(&stream));
    EXPECT_STREQ(gif.GetLastError(), "GIF: image too large");
    EXPECT_EQ(stream.Size(), 0);
  }
  OpenGif largest;
  largest.Create(65535, 1, 1);
  TxMemFile stream;
  stream.Open();
  EXPECT_TRUE(largest.Encode(&stream));
}

TEST(GifEncode, StreamFailureMakesTheEncodeFail) {
  TxImage indexed(50, 40, 8);
  fill_pattern(indexed, 24);
  TxImage true_colour(40, 30, 24);
  fill_pattern(true_colour, 25);
  for (TxImage* image : {&indexed, &true_colour}) {
    const size_t full = encode_gif(*image).size();
    for (size_t limit : {size_t{0}, size_t{10}, full / 2, full - 1}) {
      OpenGif gif;
      gif.Ghost(image);
      LimitedStream stream(limit);
      EXPECT_FALSE(gif.Encode(&stream)) << limit;
      EXPECT_STREQ(gif.GetLastError(), "Write Error in GIF file");
    }
    OpenGif gif;
    gif.Ghost(image);
    LimitedStream stream(full);
    EXPECT_TRUE(gif.Encode(&stream));
  }
  TxImage* frames[] = {&indexed, &indexed};
  TxImageGIF animation;
  LimitedStream stream(100);
  EXPECT_FALSE(animation.Encode(&stream, frames, 2, true));
  EXPECT_STREQ(animation.GetLastError(), "Write Error in GIF file");
}

TEST(GifEncode, NullStreamOrEmptyImage) {
  TxImageGIF gif;
  TxMemFile stream;
  stream.Open();
  EXPECT_FALSE(gif.Encode(&stream));
  EXPECT_STREQ(gif.GetLastError(), "null image!!!");
  gif.Create(2, 2, 8);
  EXPECT_FALSE(gif.Encode(static_cast<FILE*>(nullptr)));
  EXPECT_STREQ(gif.GetLastError(), "null file handler");
}

// ---- independent readers ---------------------------------------------------------

TEST(GifEncode, IndependentReadersDecodeExactlyOurPixels) {
  const bool pillow = image_test::have_pillow();
  const bool magick = codec_test::have_tool("/usr/bin/convert");
  const bool gifsicle = codec_test::have_tool("gifsicle");
  REQUIRE_TOOL(pillow && magick && gifsicle, "Pillow, ImageMagick or gifsicle");
  ScratchDir dir;
  const struct {
    const char* name;
    int run_length;
  } patterns[] = {{"noise", 1}, {"runs13", 13}, {"runs700", 700}, {"flat", 1 << 30}};
  const char* compressors[] = {"lzw", "none", "rle"};
  for (DWORD bpp : {1u, 4u, 8u}) {
    for (const auto& pattern : patterns) {
      for (DWORD option = 0; option < 3; ++option) {
        const std::string name = std::to_string(bpp) + "bit-" + pattern.name + "-" + compressors[option];
        SCOPED_TRACE(name);
        TxImage image(173, 91, bpp);
        fill_pattern(image, bpp * 7 + option, pattern.run_length);
        image.SetCodecOption(option, FORMAT_GIF);
        const std::string path = dir.file(name + ".gif");
        const auto bytes = encode_gif(image);
        write_file(path, bytes);
        const auto expected = expected_rgba(image);
        EXPECT_EQ(decode_indices(parse_gif(bytes).frames.at(0)), top_down_indices(image));
        EXPECT_EQ(codec_test::pillow_rgba(path), expected);
        const auto magick_frames = codec_test::magick_frames(path);
        ASSERT_EQ(magick_frames.size(), 1u);
        EXPECT_EQ(magick_frames[0], expected);
        // gifsicle decodes and writes the picture again with its own coder.
        const std::string copy = path + ".gifsicle.gif";
        ASSERT_TRUE(codec_test::run("gifsicle --no-warnings '" + path + "' -o '" + copy + "'"));
        EXPECT_EQ(codec_test::pillow_rgba(copy), expected);
      }
    }
  }
}

TEST(GifEncode, MosaicIsLosslessForManyColours) {
  const bool pillow = image_test::have_pillow();
  const bool magick = codec_test::have_tool("/usr/bin/convert");
  REQUIRE_TOOL(pillow && magick, "Pillow or ImageMagick");
  ScratchDir dir;
  TxImage image(61, 47, 24);
  fill_pattern(image, 26);
  const std::string path = dir.file("mosaic.gif");
  write_file(path, encode_gif(image));
  const auto expected = expected_rgba(image);
  EXPECT_EQ(codec_test::pillow_rgba(path, -1), expected);
  const auto frames = codec_test::magick_frames(path);
  ASSERT_EQ(frames.size(), 16u);  // 4 x 4 tiles
  EXPECT_EQ(frames.back(), expected);
}

TEST(GifEncode, AnimationDecodesFrameByFrameWithLoopAndDelays) {
  const bool pillow = image_test::have_pillow();
  const bool magick = codec_test::have_tool("/usr/bin/convert");
  const bool gifsicle = codec_test::have_tool("gifsicle");
  REQUIRE_TOOL(pillow && magick && gifsicle, "Pillow, ImageMagick or gifsicle");
  ScratchDir dir;
  TxImage frames[3];
  TxImage* pointers[3];
  for (int i = 0; i < 3; ++i) {
    frames[i].Create(37, 23, 8);
    fill_pattern(frames[i], 30 + i, 5);
    for (int e = 0; e < 256; ++e) frames[i].SetPaletteColor(static_cast<BYTE>(e), static_cast<BYTE>(e), static_cast<BYTE>(e * (i + 2)), static_cast<BYTE>(40 * i));
    frames[i].SetFrameDelay(10 * (i + 1));
    pointers[i] = &frames[i];
  }
  TxImageGIF gif;
  gif.SetLoops(3);
  const std::string path = dir.file("animation.gif");
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(gif.Encode(file, pointers, 3, true));
  std::fclose(file);

  const auto magick_frames = codec_test::magick_frames(path);
  ASSERT_EQ(magick_frames.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const auto expected = expected_rgba(frames[i]);
    EXPECT_EQ(codec_test::pillow_rgba(path, i), expected) << i;
    EXPECT_EQ(magick_frames[static_cast<size_t>(i)], expected) << i;
  }
  EXPECT_TRUE(codec_test::run_pillow(
      "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
      "d = []\nfor i in range(im.n_frames):\n  im.seek(i); d.append(im.info['duration'])\n"
      "assert im.n_frames == 3 and im.info['loop'] == 2 and d == [100, 200, 300], (im.info, d)\n",
      {path}));
  const std::string info = codec_test::command_output("gifsicle --info '" + path + "'");
  EXPECT_NE(info.find("3 images"), std::string::npos) << info;
  EXPECT_NE(info.find("loop count 2"), std::string::npos) << info;
  EXPECT_NE(info.find("delay 0.30s"), std::string::npos) << info;
}

}  // namespace
