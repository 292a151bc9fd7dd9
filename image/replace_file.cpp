#include "image/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr mode_t FOPEN_MODE = 0666;  // fopen's creation mode, before the umask
constexpr int NAME_ATTEMPTS = 100;
constexpr size_t SUFFIX_ROOM = 40;  // ".tmp<pid>-<counter>"

bool write_all(int fd, const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = ::write(fd, bytes, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// The file a path finally names: links followed when the target exists.
// False when the name does not fit.
bool resolve_target(const char* path, char (&target)[PATH_MAX]) {
  if (::realpath(path, target)) return true;
  if (std::strlen(path) >= PATH_MAX) return false;
  std::strcpy(target, path);
  return true;
}

// A new file beside target, created exclusively with fopen's mode, so the
// umask and the folder's default permissions apply as they would to target.
int create_sibling(const char* target, char (&name)[PATH_MAX + SUFFIX_ROOM]) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
    std::snprintf(name, sizeof(name), "%s.tmp%ld-%u", target, static_cast<long>(::getpid()),
                  counter++);
    const int fd = ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, FOPEN_MODE);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

ReplaceResult write_in_place(const char* path, const void* data, size_t size) {
  FILE* file = std::fopen(path, "wb");
  if (!file) return ReplaceResult::OPEN_FAILED;
  const bool written = std::fwrite(data, 1, size, file) == size;
  const bool closed = std::fclose(file) == 0;
  return written && closed ? ReplaceResult::REPLACED : ReplaceResult::WRITE_FAILED;
}

}  // namespace

ReplaceResult replace_file(const char* path, const void* data, size_t size) {
  char target[PATH_MAX];
  if (!resolve_target(path, target)) return ReplaceResult::OPEN_FAILED;
  struct stat existing {};
  const bool exists = ::stat(target, &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) return write_in_place(target, data, size);
  // A file fopen could not open for writing is not replaced either.
  if (exists && ::access(target, W_OK) != 0) return ReplaceResult::OPEN_FAILED;

  char temporary[PATH_MAX + SUFFIX_ROOM];
  const int fd = create_sibling(target, temporary);
  if (fd < 0) return ReplaceResult::OPEN_FAILED;
  bool ok = write_all(fd, data, size);
  if (ok && exists) {
    // The owner is kept where the system allows it (it fails harmlessly
    // for others); the mode is required.
    (void)!::fchown(fd, existing.st_uid, existing.st_gid);
    ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
  }
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temporary, target) == 0;
  if (!ok) {
    ::unlink(temporary);
    return ReplaceResult::WRITE_FAILED;
  }
  return ReplaceResult::REPLACED;
}
