#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "image/txfile.h"

namespace {

constexpr unsigned long long PAGE_SIZE = 4096;

// size × count, or a value above any stream length when the product wraps.
unsigned long long byte_count(size_t size, size_t count) {
  unsigned long long total = 0;
  if (__builtin_mul_overflow(static_cast<unsigned long long>(size),
                             static_cast<unsigned long long>(count), &total)) {
    return ~0ull;
  }
  return total;
}

}  // namespace

TxMemFile::TxMemFile(BYTE* buffer, DWORD size)
    : Buffer(buffer),
      BufferSize(buffer != nullptr ? size : 0),
      Owner(buffer == nullptr),
      Position(0),
      Capacity(buffer != nullptr ? size : 0) {}

TxMemFile::TxMemFile(const TxMemFile& other)
    : TxFile(other), Buffer(nullptr), BufferSize(0), Owner(true), Position(0), Capacity(0) {
  CopyFrom(other);
}

TxMemFile& TxMemFile::operator=(const TxMemFile& other) {
  if (this != &other) {
    Close();
    Buffer = nullptr;
    CopyFrom(other);
  }
  return *this;
}

TxMemFile::~TxMemFile() { Close(); }

void TxMemFile::CopyFrom(const TxMemFile& other) {
  BufferSize = 0;
  Capacity = 0;
  Position = 0;
  Owner = true;
  if (other.Buffer == nullptr) return;
  Buffer = static_cast<BYTE*>(std::malloc(std::max<DWORD>(other.BufferSize, 1)));
  if (Buffer == nullptr) return;
  if (other.BufferSize != 0) std::memcpy(Buffer, other.Buffer, other.BufferSize);
  BufferSize = other.BufferSize;
  Capacity = other.BufferSize;
  Position = other.Position;
}

bool TxMemFile::Open() {
  if (Buffer != nullptr) return false;
  BufferSize = 0;
  Capacity = 0;
  Position = 0;
  Buffer = static_cast<BYTE*>(std::malloc(1));
  Owner = true;
  return Buffer != nullptr;
}

bool TxMemFile::Close() {
  if (Buffer != nullptr && Owner) {
    std::free(Buffer);
    Buffer = nullptr;
    BufferSize = 0;
    Capacity = 0;
    Position = 0;
  }
  return true;
}

void TxMemFile::Free() { Close(); }

BYTE* TxMemFile::GetBuffer(bool detach) {
  Owner = !detach;
  return Buffer;
}

size_t TxMemFile::Read(void* buffer, size_t size, size_t count) {
  if (buffer == nullptr || Buffer == nullptr || Position >= static_cast<long>(BufferSize)) return 0;
  const unsigned long long wanted = byte_count(size, count);
  if (wanted == 0) return 0;
  const unsigned long long left = BufferSize - static_cast<unsigned long long>(Position);
  const size_t n = static_cast<size_t>(std::min(wanted, left));
  std::memcpy(buffer, Buffer + Position, n);
  Position += static_cast<long>(n);
  return n / size;
}

bool TxMemFile::Alloc(DWORD new_length) {
  if (new_length <= Capacity && Buffer != nullptr) return true;
  const unsigned long long stepped = (new_length & ~(PAGE_SIZE - 1)) + PAGE_SIZE;
  const DWORD new_capacity = static_cast<DWORD>(std::min(stepped, MAX_LENGTH));
  BYTE* grown = static_cast<BYTE*>(std::realloc(Buffer, new_capacity));
  if (grown == nullptr) return false;
  Buffer = grown;
  Capacity = new_capacity;
  Owner = true;
  return true;
}

bool TxMemFile::PrepareWrite(unsigned long long length) {
  const unsigned long long end = static_cast<unsigned long long>(Position) + length;
  if (length > MAX_LENGTH || end > MAX_LENGTH) return false;
  if (end > Capacity && !Alloc(static_cast<DWORD>(end))) return false;
  if (Position > static_cast<long>(BufferSize)) {
    std::memset(Buffer + BufferSize, 0, static_cast<size_t>(Position - BufferSize));
  }
  return true;
}

size_t TxMemFile::Write(const void* buffer, size_t size, size_t count) {
  if (Buffer == nullptr || buffer == nullptr) return 0;
  const unsigned long long length = byte_count(size, count);
  if (length == 0 || !PrepareWrite(length)) return 0;
  std::memcpy(Buffer + Position, buffer, static_cast<size_t>(length));
  Position += static_cast<long>(length);
  BufferSize = std::max(BufferSize, static_cast<DWORD>(Position));
  return count;
}

bool TxMemFile::PutC(unsigned char c) {
  if (Buffer == nullptr || !PrepareWrite(1)) return false;
  Buffer[Position++] = c;
  BufferSize = std::max(BufferSize, static_cast<DWORD>(Position));
  return true;
}

bool TxMemFile::Seek(long offset, int origin) {
  if (Buffer == nullptr) return false;
  long base = 0;
  switch (origin) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = Position; break;
    case SEEK_END: base = static_cast<long>(BufferSize); break;
    default: return false;
  }
  long target = 0;
  if (__builtin_add_overflow(base, offset, &target)) return false;
  Position = std::max(target, 0L);
  return true;
}

long TxMemFile::Tell() { return Buffer != nullptr ? Position : -1; }

long TxMemFile::Size() { return Buffer != nullptr ? static_cast<long>(BufferSize) : -1; }

bool TxMemFile::Flush() { return Buffer != nullptr; }

bool TxMemFile::Eof() { return Buffer == nullptr || Position >= static_cast<long>(BufferSize); }

long TxMemFile::Error() {
  if (Buffer == nullptr) return -1;
  return Position > static_cast<long>(BufferSize) ? 1 : 0;
}

long TxMemFile::GetC() {
  if (Eof()) return -1;
  return Buffer[Position++];
}
