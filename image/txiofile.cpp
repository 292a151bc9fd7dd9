#include "image/txfile.h"

TxIOFile::TxIOFile(FILE* fp) : File(fp), Owner(fp == nullptr) {}

TxIOFile::TxIOFile(const TxIOFile& other) : TxFile(other), File(other.File), Owner(false) {}

TxIOFile& TxIOFile::operator=(const TxIOFile& other) {
  if (this != &other) {
    Close();
    File = other.File;
    Owner = false;
  }
  return *this;
}

TxIOFile::~TxIOFile() { Close(); }

bool TxIOFile::Open(const char* filename, const char* mode) {
  if (File != nullptr) return false;
  File = std::fopen(filename, mode);
  if (File == nullptr) return false;
  Owner = true;
  return true;
}

bool TxIOFile::Close() {
  if (File == nullptr || !Owner) return true;
  const int result = std::fclose(File);
  File = nullptr;
  return result == 0;
}

size_t TxIOFile::Read(void* buffer, size_t size, size_t count) {
  return File != nullptr ? std::fread(buffer, size, count, File) : 0;
}

size_t TxIOFile::Write(const void* buffer, size_t size, size_t count) {
  return File != nullptr ? std::fwrite(buffer, size, count, File) : 0;
}

bool TxIOFile::Seek(long offset, int origin) {
  return File != nullptr && std::fseek(File, offset, origin) == 0;
}

long TxIOFile::Tell() { return File != nullptr ? std::ftell(File) : 0; }

long TxIOFile::Size() {
  if (File == nullptr) return -1;
  const long position = std::ftell(File);
  std::fseek(File, 0, SEEK_END);
  const long size = std::ftell(File);
  std::fseek(File, position, SEEK_SET);
  return size;
}

bool TxIOFile::Flush() { return File != nullptr && std::fflush(File) == 0; }

bool TxIOFile::Eof() { return File == nullptr || std::feof(File) != 0; }

long TxIOFile::Error() { return File != nullptr ? std::ferror(File) : -1; }

bool TxIOFile::PutC(unsigned char c) {
  return File != nullptr && std::fputc(c, File) == c;
}

long TxIOFile::GetC() { return File != nullptr ? std::getc(File) : -1; }
