// Byte streams of the image library: the abstract TxFile every codec reads and
// writes, TxIOFile over a C runtime FILE*, and TxMemFile over a growable heap
// buffer.
#pragma once

#include <cstddef>
#include <cstdio>

#include "platform/win_types.h"

class TxFile {
 public:
  TxFile() = default;
  TxFile(const TxFile&) = default;
  TxFile& operator=(const TxFile&) = default;
  virtual ~TxFile() = default;

  virtual bool Close() = 0;
  virtual size_t Read(void* buffer, size_t size, size_t count) = 0;
  virtual size_t Write(const void* buffer, size_t size, size_t count) = 0;
  // origin: 0 from the start, 1 from the current position, 2 from the end.
  virtual bool Seek(long offset, int origin) = 0;
  virtual long Tell() = 0;
  virtual long Size() = 0;
  virtual bool Flush() = 0;
  virtual bool Eof() = 0;
  virtual long Error() = 0;
  virtual bool PutC(unsigned char c);
  // The next byte as 0..255, or -1 at the end or on error.
  virtual long GetC() = 0;
};

// A stream over a stdio FILE*. A FILE* handed to the constructor is attached:
// the object never closes it. Only a file opened by Open() is owned.
class TxIOFile : public TxFile {
 public:
  explicit TxIOFile(FILE* fp = nullptr);
  // A copy is attached to the same FILE* and never closes it.
  TxIOFile(const TxIOFile& other);
  TxIOFile& operator=(const TxIOFile& other);
  ~TxIOFile() override;

  bool Open(const char* filename, const char* mode);
  bool Close() override;
  size_t Read(void* buffer, size_t size, size_t count) override;
  size_t Write(const void* buffer, size_t size, size_t count) override;
  bool Seek(long offset, int origin) override;
  long Tell() override;
  long Size() override;
  bool Flush() override;
  bool Eof() override;
  long Error() override;
  bool PutC(unsigned char c) override;
  long GetC() override;

 protected:
  FILE* File;
  bool Owner;
};

// A stream over a heap buffer that grows in 4096-byte pages as it is written.
// A buffer handed to the constructor is attached (not freed) until a write
// grows it; the stream owns a buffer it allocated or reallocated.
class TxMemFile : public TxFile {
 public:
  // The largest number of bytes a memory stream can hold.
  static constexpr unsigned long long MAX_LENGTH = 0xFFFFFFFFull;

  explicit TxMemFile(BYTE* buffer = nullptr, DWORD size = 0);
  // A copy owns a copy of the bytes (none when that allocation fails).
  TxMemFile(const TxMemFile& other);
  TxMemFile& operator=(const TxMemFile& other);
  ~TxMemFile() override;

  bool Open();
  bool Close() override;
  // The buffer; with detach true it is handed to the caller and survives Close.
  BYTE* GetBuffer(bool detach = true);
  size_t Read(void* buffer, size_t size, size_t count) override;
  size_t Write(const void* buffer, size_t size, size_t count) override;
  bool Seek(long offset, int origin) override;
  long Tell() override;
  long Size() override;
  bool Flush() override;
  bool Eof() override;
  long Error() override;
  bool PutC(unsigned char c) override;
  long GetC() override;

 protected:
  // Grows the capacity to hold new_length bytes; false (buffer unchanged)
  // when the reallocation fails.
  bool Alloc(DWORD new_length);
  void Free();

  BYTE* Buffer;
  DWORD BufferSize;
  bool Owner;
  long Position;
  DWORD Capacity;

 private:
  // Makes room for length bytes at the position and zeroes any gap between
  // the old end and the position; false when that is impossible.
  bool PrepareWrite(unsigned long long length);
  void CopyFrom(const TxMemFile& other);
};
