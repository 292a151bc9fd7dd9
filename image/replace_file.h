// Writing a whole file so that a failure never loses the old one: the bytes go
// to a new file in the same folder, which is renamed over the target only
// once every byte is written and the file is closed.
#pragma once

#include <cstddef>

enum class ReplaceResult { REPLACED, OPEN_FAILED, WRITE_FAILED };

// Replaces (or creates) path with size bytes of data. A new file gets the
// mode fopen would give it (0666 less the umask); an existing file keeps its
// mode (and its owner where the system allows) and is replaced only when it
// is writable. A symbolic link is followed, so the file it names is replaced.
// Targets that are not regular files (devices, pipes) are written in place.
// On failure nothing is created and an existing file is left as it was.
ReplaceResult replace_file(const char* path, const void* data, size_t size);
