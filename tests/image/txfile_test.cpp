#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>

#include <string>
#include <vector>

#include "image/txfile.h"

namespace {

// Exposes the capacity and growth of a memory stream.
struct OpenMemFile : TxMemFile {
  using TxMemFile::TxMemFile;
  DWORD capacity() const { return Capacity; }
  bool grow(DWORD length) { return Alloc(length); }
};

TEST(TxMemFile, GrowsInWholePagesAboveTheLengthAsked) {
  const struct {
    DWORD length;
    DWORD capacity;
  } cases[] = {{1, 4096}, {10, 4096}, {4095, 4096}, {4096, 8192}, {4097, 8192}, {8191, 8192}};
  for (const auto& c : cases) {
    OpenMemFile stream;
    ASSERT_TRUE(stream.Open());
    EXPECT_EQ(stream.capacity(), 0u);
    ASSERT_TRUE(stream.grow(c.length));
    EXPECT_EQ(stream.capacity(), c.capacity) << c.length;
  }
}

TEST(TxMemFile, WriteReadSeekFollowThePosition) {
  OpenMemFile stream;
  ASSERT_TRUE(stream.Open());
  const char text[] = "0123456789";
  EXPECT_EQ(stream.Write(text, 1, 10), 10u);
  EXPECT_EQ(stream.Size(), 10);
  EXPECT_EQ(stream.Tell(), 10);
  EXPECT_EQ(stream.capacity(), 4096u);

  ASSERT_TRUE(stream.Seek(0, SEEK_SET));
  char out[12] = {};
  EXPECT_EQ(stream.Read(out, 4, 3), 2u);  // 10 bytes copied, two whole elements
  EXPECT_EQ(stream.Tell(), 10);
  EXPECT_EQ(std::memcmp(out, text, 10), 0);
  EXPECT_EQ(stream.GetC(), -1);

  EXPECT_TRUE(stream.Seek(-5, SEEK_SET));
  EXPECT_EQ(stream.Tell(), 0);
  EXPECT_EQ(stream.GetC(), '0');
  EXPECT_TRUE(stream.Seek(-2, SEEK_END));
  EXPECT_EQ(stream.GetC(), '8');
  EXPECT_TRUE(stream.Seek(100, SEEK_SET));
  EXPECT_TRUE(stream.Eof());
  EXPECT_EQ(stream.Error(), 1);
  EXPECT_EQ(stream.Read(out, 1, 1), 0u);
  EXPECT_FALSE(stream.Seek(0, 3));
}

TEST(TxMemFile, WriteAfterSeekingPastTheEndZeroesTheGap) {
  // Fresh heap pages are not necessarily zero (the sanitizer build fills them).
  TxMemFile fresh;
  ASSERT_TRUE(fresh.Open());
  fresh.Write("a", 1, 1);
  ASSERT_TRUE(fresh.Seek(5000, SEEK_SET));
  EXPECT_TRUE(fresh.PutC('z'));
  EXPECT_EQ(fresh.Size(), 5001);
  const BYTE* buffer = fresh.GetBuffer(false);
  for (int i = 1; i < 5000; ++i) ASSERT_EQ(buffer[i], 0) << i;
  EXPECT_EQ(buffer[5000], 'z');
}

TEST(TxMemFile, RefusesToGrowBeyondFourGigabytesAndKeepsItsBuffer) {
  OpenMemFile stream;
  ASSERT_TRUE(stream.Open());
  stream.Write("abc", 1, 3);
  const BYTE* before = stream.GetBuffer(false);
  ASSERT_TRUE(stream.Seek(0xFFFFFFFFL, SEEK_SET));
  EXPECT_EQ(stream.Write("xy", 1, 2), 0u);
  EXPECT_FALSE(stream.PutC('x'));
  ASSERT_TRUE(stream.Seek(0, SEEK_SET));
  // size × count wraps around 64 bits.
  EXPECT_EQ(stream.Write("xy", static_cast<size_t>(1) << 62, 8), 0u);
  EXPECT_EQ(stream.GetBuffer(false), before);
  EXPECT_EQ(stream.Size(), 3);
  EXPECT_EQ(stream.capacity(), 4096u);
  EXPECT_EQ(std::memcmp(before, "abc", 3), 0);
}

TEST(TxMemFile, WithoutBufferEveryOperationRefuses) {
  TxMemFile stream;
  char byte = 0;
  EXPECT_EQ(stream.Tell(), -1);
  EXPECT_EQ(stream.Size(), -1);
  EXPECT_EQ(stream.Error(), -1);
  EXPECT_TRUE(stream.Eof());
  EXPECT_FALSE(stream.Flush());
  EXPECT_FALSE(stream.PutC('a'));
  EXPECT_EQ(stream.GetC(), -1);
  EXPECT_EQ(stream.Write("a", 1, 1), 0u);
  EXPECT_EQ(stream.Read(&byte, 1, 1), 0u);
  EXPECT_FALSE(stream.Seek(0, SEEK_SET));
  EXPECT_TRUE(stream.Close());
  EXPECT_TRUE(stream.Open());
  EXPECT_FALSE(stream.Open());
}

TEST(TxMemFile, DetachedBufferBelongsToTheCaller) {
  BYTE* buffer = nullptr;
  {
    TxMemFile stream;
    ASSERT_TRUE(stream.Open());
    stream.Write("hello", 1, 5);
    buffer = stream.GetBuffer(true);
  }
  EXPECT_EQ(std::memcmp(buffer, "hello", 5), 0);
  std::free(buffer);
}

TEST(TxMemFile, AttachedBufferIsReadAndNotFreed) {
  BYTE data[4] = {1, 2, 3, 4};
  {
    TxMemFile stream(data, 4);
    EXPECT_EQ(stream.Size(), 4);
    EXPECT_EQ(stream.GetC(), 1);
    EXPECT_TRUE(stream.Close());
    EXPECT_EQ(stream.GetC(), 2);  // Close leaves a caller's buffer in place
  }
  EXPECT_EQ(data[3], 4);
}

TEST(TxMemFile, CopiesOwnTheirOwnBytes) {
  TxMemFile original;
  ASSERT_TRUE(original.Open());
  original.Write("abcd", 1, 4);
  TxMemFile copy(original);
  TxMemFile assigned;
  assigned.Open();
  assigned = original;
  original.Seek(0, SEEK_SET);
  original.Write("XY", 1, 2);
  for (TxMemFile* stream : {&copy, &assigned}) {
    EXPECT_EQ(stream->Size(), 4);
    EXPECT_EQ(stream->Tell(), 4);
    ASSERT_TRUE(stream->Seek(0, SEEK_SET));
    char text[5] = {};
    EXPECT_EQ(stream->Read(text, 1, 4), 4u);
    EXPECT_STREQ(text, "abcd");
    EXPECT_EQ(stream->Write("e", 1, 1), 1u);  // a copy grows its own buffer
  }
  assigned = assigned;
  EXPECT_EQ(assigned.Size(), 5);
}  // every buffer is freed exactly once (checked by the sanitizer build)

class TxIOFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/txiofile_XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    path_ = name;
  }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string path_;
};

TEST_F(TxIOFileTest, OpenWriteSizeAndRead) {
  TxIOFile file;
  ASSERT_TRUE(file.Open(path_.c_str(), "w+b"));
  EXPECT_FALSE(file.Open(path_.c_str(), "rb"));
  EXPECT_EQ(file.Write("abcdef", 1, 6), 6u);
  EXPECT_TRUE(file.PutC('g'));
  EXPECT_TRUE(file.Flush());
  EXPECT_TRUE(file.Seek(2, SEEK_SET));
  EXPECT_EQ(file.Size(), 7);
  EXPECT_EQ(file.Tell(), 2);
  EXPECT_EQ(file.GetC(), 'c');
  char rest[8] = {};
  EXPECT_EQ(file.Read(rest, 1, 8), 4u);
  EXPECT_STREQ(rest, "defg");
  EXPECT_TRUE(file.Eof());
  EXPECT_EQ(file.Error(), 0);
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(file.Tell(), 0);
  EXPECT_EQ(file.Size(), -1);
  EXPECT_EQ(file.Error(), -1);
  EXPECT_TRUE(file.Eof());
  EXPECT_FALSE(file.PutC('x'));
  EXPECT_EQ(file.GetC(), -1);
  EXPECT_FALSE(file.Open("/nonexistent-dir/x", "rb"));
}

TEST_F(TxIOFileTest, AttachedStreamsAndCopiesNeverCloseTheFile) {
  FILE* fp = std::fopen(path_.c_str(), "w+b");
  ASSERT_NE(fp, nullptr);
  {
    TxIOFile attached(fp);
    TxIOFile copy(attached);
    EXPECT_EQ(copy.Write("ab", 1, 2), 2u);
  }
  EXPECT_EQ(std::fputc('c', fp), 'c');  // still open
  std::fclose(fp);

  TxIOFile owner;
  ASSERT_TRUE(owner.Open(path_.c_str(), "rb"));
  {
    TxIOFile copy(owner);
    TxIOFile assigned;
    assigned = owner;
    EXPECT_EQ(copy.GetC(), 'a');
  }
  EXPECT_EQ(owner.GetC(), 'b');  // the copies left it open
  EXPECT_TRUE(owner.Close());
}

}  // namespace
