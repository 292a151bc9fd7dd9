#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "image/bmp_codec.h"
#include "tests/image/codec_test_util.h"

namespace {

using codec_test::expected_rgba;
using codec_test::fill_pattern;
using codec_test::OpenPngCodec;
using codec_test::ScratchDir;
using codec_test::stream_bytes;
using image_test::read_file;
using image_test::write_file;

mode_t mode_of(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

std::vector<BYTE> encoded(TxImage& image, DWORD format) {
  BYTE* buffer = nullptr;
  long size = 0;
  if (!image.Encode(buffer, size, format)) return {};
  std::vector<BYTE> bytes(buffer, buffer + size);
  image.FreeMemory(buffer);
  return bytes;
}

// Sets the process umask for the scope.
class Umask {
 public:
  explicit Umask(mode_t mask) : old_(::umask(mask)) {}
  ~Umask() { ::umask(old_); }

 private:
  mode_t old_;
};

TEST(Save, FailedEncodingCreatesNoFileAndKeepsAnExistingOne) {
  TxImage valid(8, 4, 24);
  TxImage empty;
  const struct {
    TxImage* image;
    DWORD format;
    const char* message;
  } cases[] = {
      {&valid, 4, "Encode: Unknown format"},
      {&valid, FORMAT_UNKNOWN, "Encode: Unknown format"},
      {&empty, FORMAT_BMP, "null image!!!"},
      {&empty, FORMAT_PNG, "null image!!!"},
  };
  const std::vector<BYTE> old_bytes = {'o', 'l', 'd'};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    ScratchDir dir;
    const std::string fresh = dir.file("fresh.png");
    const std::string kept = dir.file("kept.png");
    write_file(kept, old_bytes);
    ::chmod(kept.c_str(), 0604);
    EXPECT_FALSE(c.image->Save(fresh.c_str(), c.format));
    EXPECT_STREQ(c.image->GetLastError(), c.message);
    EXPECT_FALSE(c.image->Save(kept.c_str(), c.format));
    EXPECT_FALSE(exists(fresh));
    EXPECT_EQ(read_file(kept), old_bytes);
    EXPECT_EQ(mode_of(kept), 0604u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"kept.png"});
  }
}

TEST(Save, NewFilesGetFopensModeAndExistingFilesKeepTheirs) {
  ScratchDir dir;
  TxImage image(8, 4, 24);
  fill_pattern(image, 40);
  for (mode_t mask : {mode_t{022}, mode_t{077}}) {
    Umask scoped(mask);
    const std::string path = dir.file("new-" + std::to_string(mask) + ".bmp");
    ASSERT_TRUE(image.Save(path.c_str(), FORMAT_BMP));
    EXPECT_EQ(mode_of(path), 0666u & ~mask);
    EXPECT_EQ(read_file(path), encoded(image, FORMAT_BMP));
  }
  const std::string existing = dir.file("existing.gif");
  write_file(existing, {'x'});
  ::chmod(existing.c_str(), 0640);
  ASSERT_TRUE(image.Save(existing.c_str(), FORMAT_GIF));
  EXPECT_EQ(mode_of(existing), 0640u);
  EXPECT_EQ(read_file(existing), encoded(image, FORMAT_GIF));
  EXPECT_EQ(dir.entries().size(), 3u);
}

TEST(Save, ReplacesTheFileASymbolicLinkNames) {
  ScratchDir dir;
  const std::string target = dir.file("target.png");
  const std::string link = dir.file("link.png");
  write_file(target, {'x'});
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  TxImage image(3, 3, 8);
  ASSERT_TRUE(image.Save(link.c_str(), FORMAT_PNG));
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(read_file(target), encoded(image, FORMAT_PNG));
}

TEST(Save, FailedWriteReturnsFalseAndLeavesTheOldFile) {
  ScratchDir dir;
  const std::string path = dir.file("picture.bmp");
  const std::vector<BYTE> old_bytes(50, 'o');
  write_file(path, old_bytes);
  TxImage image(64, 64, 24);

  // A file size limit below the picture's size: the write fails part way.
  struct rlimit old_limit {};
  ::getrlimit(RLIMIT_FSIZE, &old_limit);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old_limit;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = image.Save(path.c_str(), FORMAT_BMP);
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_FALSE(saved);
  EXPECT_STREQ(image.GetLastError(), "Save: write error");
  EXPECT_EQ(read_file(path), old_bytes);
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"picture.bmp"});

  // A device is written in place; one that refuses the bytes fails the save.
  EXPECT_FALSE(image.Save("/dev/full", FORMAT_BMP));
  EXPECT_TRUE(image.Save("/dev/null", FORMAT_BMP));
  // A folder that does not exist: nothing can be opened, the message stays.
  image.Save(path.c_str(), 9);
  EXPECT_FALSE(image.Save(dir.file("missing/picture.bmp").c_str(), FORMAT_BMP));
  EXPECT_STREQ(image.GetLastError(), "Encode: Unknown format");
}

TEST(Save, EachFormatReadsBackToTheSamePixels) {
  TxImage true_colour(45, 23, 24);
  fill_pattern(true_colour, 41);
  TxImage indexed(33, 17, 8);
  fill_pattern(indexed, 42);
  ScratchDir dir;
  for (TxImage* image : {&true_colour, &indexed}) {
    const auto expected = expected_rgba(*image);
    const std::string bmp = dir.file("p.bmp");
    const std::string png = dir.file("p.png");
    const std::string gif = dir.file("p.gif");
    ASSERT_TRUE(image->Save(bmp.c_str(), FORMAT_BMP));
    ASSERT_TRUE(image->Save(png.c_str(), FORMAT_PNG));
    ASSERT_TRUE(image->Save(gif.c_str(), FORMAT_GIF));

    TxBmpCodec bmp_codec;
    ASSERT_TRUE(image_test::decode_bmp(bmp_codec, read_file(bmp)));
    EXPECT_EQ(expected_rgba(bmp_codec), expected);
    OpenPngCodec png_codec;
    const auto png_bytes = read_file(png);
    TxMemFile png_stream(const_cast<BYTE*>(png_bytes.data()), static_cast<DWORD>(png_bytes.size()));
    ASSERT_TRUE(png_codec.Decode(&png_stream));
    EXPECT_EQ(expected_rgba(png_codec), expected);
    if (image_test::have_pillow()) {
      EXPECT_EQ(codec_test::pillow_rgba(gif, -1), expected);
    }
  }
}

TEST(EncodeToMemory, HandsOutABufferForFreeMemory) {
  TxImage image(10, 10, 4);
  BYTE* buffer = nullptr;
  long size = 0;
  ASSERT_TRUE(image.Encode(buffer, size, FORMAT_PNG));
  ASSERT_NE(buffer, nullptr);
  EXPECT_GT(size, 8);
  EXPECT_EQ(buffer[1], 'P');
  image.FreeMemory(buffer);
  image.FreeMemory(nullptr);

  BYTE existing = 0;
  BYTE* taken = &existing;
  EXPECT_FALSE(image.Encode(taken, size, FORMAT_BMP));
  EXPECT_STREQ(image.GetLastError(), "the buffer must be empty");
  EXPECT_EQ(taken, &existing);
  EXPECT_FALSE(image.Encode2RGBA(taken, size));
  EXPECT_STREQ(image.GetLastError(), "the buffer must be empty");

  TxImage empty;
  buffer = nullptr;
  EXPECT_FALSE(empty.Encode(buffer, size, FORMAT_GIF));
  EXPECT_STREQ(empty.GetLastError(), "null image!!!");
  EXPECT_EQ(buffer, nullptr);
}

TEST(EncodeToStream, UnknownFormatWritesNothing) {
  TxImage image(4, 4, 8);
  TxMemFile stream;
  stream.Open();
  EXPECT_FALSE(image.Encode(&stream, 7));
  EXPECT_STREQ(image.GetLastError(), "Encode: Unknown format");
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_FALSE(image.Encode(static_cast<TxFile*>(nullptr), FORMAT_PNG));
  EXPECT_STREQ(image.GetLastError(), "null file handler");
}

TEST(EncodeToStream, FileStreamStaysOpenForTheCaller) {
  TxImage image(6, 5, 1);
  FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(image.Encode(file, FORMAT_BMP));
  EXPECT_EQ(std::fputc('!', file), '!');
  const long size = std::ftell(file);
  std::rewind(file);
  std::vector<BYTE> bytes(static_cast<size_t>(size));
  ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
  std::fclose(file);
  auto expected = encoded(image, FORMAT_BMP);
  expected.push_back('!');
  EXPECT_EQ(bytes, expected);
  EXPECT_FALSE(image.Encode(static_cast<FILE*>(nullptr), FORMAT_GIF));
  EXPECT_STREQ(image.GetLastError(), "null file handler");
}

TEST(EncodeToStream, MultipleImagesOnlyAsGif) {
  TxImage frame(4, 4, 8);
  TxImage* frames[] = {&frame, &frame, &frame};
  TxImage owner;
  TxMemFile stream;
  stream.Open();
  EXPECT_FALSE(owner.Encode(&stream, frames, 3, FORMAT_PNG));
  EXPECT_STREQ(owner.GetLastError(), "Multipage Encode, Unsupported operation for this format");
  EXPECT_FALSE(owner.Encode(&stream, frames, 0, FORMAT_GIF));
  EXPECT_STREQ(owner.GetLastError(), "multipage GIF, no images!");
  EXPECT_EQ(stream.Size(), 0);
  ASSERT_TRUE(owner.Encode(&stream, frames, 3, FORMAT_GIF));
  const auto bytes = stream_bytes(stream);
  size_t images = 0;
  for (size_t i = 0; i + 1 < bytes.size(); ++i) images += bytes[i] == 0x00 && bytes[i + 1] == 0x2C;
  EXPECT_EQ(images, 3u);  // each image descriptor follows a block terminator
  EXPECT_EQ(bytes.back(), 0x3B);
}

TEST(Encode2RGBA, WritesRedGreenBlueAlphaFromTheBottomRow) {
  TxImage plain(2, 1, 24);
  plain.SetPixelColor(0, 0, RGB(1, 2, 3));
  plain.SetPixelColor(1, 0, RGB(4, 5, 6));
  BYTE* buffer = nullptr;
  long size = 0;
  ASSERT_TRUE(plain.Encode2RGBA(buffer, size));
  EXPECT_EQ(std::vector<BYTE>(buffer, buffer + size), (std::vector<BYTE>{1, 2, 3, 0, 4, 5, 6, 0}));
  plain.FreeMemory(buffer);

  TxImage indexed(1, 2, 8);
  indexed.SetPaletteColor(0, 10, 20, 30, 77);
  indexed.SetPaletteColor(1, 40, 50, 60, 88);
  indexed.SetPixelIndex(0, 1, 1);
  TxMemFile stream;
  stream.Open();
  ASSERT_TRUE(indexed.Encode2RGBA(&stream));
  EXPECT_EQ(stream_bytes(stream), (std::vector<BYTE>{10, 20, 30, 77, 40, 50, 60, 88}));

  indexed.AlphaCreate();
  indexed.AlphaSet(0, 0, 5);
  TxMemFile with_plane;
  with_plane.Open();
  ASSERT_TRUE(indexed.Encode2RGBA(&with_plane));
  EXPECT_EQ(stream_bytes(with_plane), (std::vector<BYTE>{10, 20, 30, 5, 40, 50, 60, 255}));

  TxImage empty;
  EXPECT_FALSE(empty.Encode2RGBA(&with_plane));
  EXPECT_STREQ(empty.GetLastError(), "null image!!!");
  codec_test::LimitedStream full(6);
  EXPECT_FALSE(plain.Encode2RGBA(&full));
  EXPECT_STREQ(plain.GetLastError(), "Encode2RGBA: write error");
}

}  // namespace
