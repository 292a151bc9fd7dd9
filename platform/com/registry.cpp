#include "platform/com/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#include "platform/com/registry_tree.h"

// An open key: the path of names below HKEY_CLASSES_ROOT.
struct HKEY__ {
  std::vector<std::string> path;
};

namespace {

// The copy of the registry a transaction on this thread works on.
struct Snapshot {
  RegistryKey root;
  bool changed = false;
};
thread_local Snapshot* active_snapshot = nullptr;

std::mutex& handles_mutex() {
  static std::mutex mutex;
  return mutex;
}

std::set<HKEY>& live_handles() {
  static std::set<HKEY> handles;
  return handles;
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

std::string folder_of(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool make_folders(const std::string& folder) {
  struct stat info;
  if (::stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  std::string parent = folder_of(folder);
  if (parent != folder && !make_folders(parent)) return false;
  return ::mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST;
}

bool write_all(int fd, const std::string& text) {
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    ssize_t written = ::write(fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

LONG read_registry_file(const std::string& path, RegistryKey& root) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return errno == ENOENT ? ERROR_SUCCESS : ERROR_CANTREAD;
  std::string text;
  char buffer[8192];
  for (;;) {
    ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return ERROR_CANTREAD;
    if (got == 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  std::string error;
  return parse_registry(text, root, error) ? ERROR_SUCCESS : ERROR_BADDB;
}

// The new content goes to a file of its own in the same folder, which
// replaces the old file by a rename only once it is complete on disk.
LONG write_registry_file(const std::string& path, const RegistryKey& root) {
  static std::atomic<unsigned> counter{0};
  std::string temporary = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (file.get() < 0) return ERROR_CANTWRITE;
  bool written = write_all(file.get(), format_registry(root)) && ::fsync(file.get()) == 0;
  written = ::close(file.release()) == 0 && written;
  if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return ERROR_CANTWRITE;
  }
  FileDescriptor folder(::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) ::fsync(folder.get());
  return ERROR_SUCCESS;
}

// Runs work on the registry for reading: the active transaction's copy, or
// the file as it is now.
template <typename Work>
LONG read_registry(Work work) {
  if (active_snapshot != nullptr) return work(active_snapshot->root);
  RegistryKey root;
  LONG status = read_registry_file(registry_file_path(), root);
  return status == ERROR_SUCCESS ? work(root) : status;
}

// Runs work(root, changed) inside a transaction of its own, or as part of
// the active one.
template <typename Work>
LONG change_registry(Work work) {
  return registry_transaction([&] { return work(active_snapshot->root, active_snapshot->changed); });
}

LONG split_path(const char* subkey, std::vector<std::string>& path) {
  if (subkey == nullptr) return ERROR_SUCCESS;
  std::string_view rest = subkey;
  while (!rest.empty()) {
    std::size_t slash = rest.find('\\');
    std::string_view name = rest.substr(0, slash);
    if (name.empty()) return ERROR_INVALID_PARAMETER;
    path.emplace_back(name);
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
    if (rest.empty()) break;
  }
  return ERROR_SUCCESS;
}

// The full path of key\subkey.
LONG resolve(HKEY key, const char* subkey, std::vector<std::string>& path) {
  path.clear();
  if (key != HKEY_CLASSES_ROOT) {
    std::lock_guard<std::mutex> lock(handles_mutex());
    if (live_handles().count(key) == 0) return ERROR_INVALID_HANDLE;
    path = key->path;
  }
  return split_path(subkey, path);
}

HKEY new_handle(std::vector<std::string> path) {
  HKEY handle = new HKEY__{std::move(path)};
  std::lock_guard<std::mutex> lock(handles_mutex());
  live_handles().insert(handle);
  return handle;
}

std::string value_key(const char* value_name) { return value_name == nullptr ? std::string() : value_name; }

}  // namespace

std::string registry_file_path() {
  if (const char* path = std::getenv("TRESSLIN_REGISTRY"); path != nullptr && *path != '\0') return path;
  std::string config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
    config = xdg;
  } else {
    const char* home = std::getenv("HOME");
    config = std::string(home != nullptr ? home : "") + "/.config";
  }
  return config + "/tresslin/registry";
}

LONG registry_transaction(const std::function<LONG()>& body) {
  if (active_snapshot != nullptr) return body();
  std::string path = registry_file_path();
  if (!make_folders(folder_of(path))) return ERROR_CANTOPEN;
  FileDescriptor lock(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
  if (lock.get() < 0) return ERROR_CANTOPEN;
  int locked;
  do locked = ::flock(lock.get(), LOCK_EX);
  while (locked != 0 && errno == EINTR);
  if (locked != 0) return ERROR_CANTOPEN;
  Snapshot snapshot;
  LONG status = read_registry_file(path, snapshot.root);
  if (status != ERROR_SUCCESS) return status;
  struct Activation {
    explicit Activation(Snapshot* snapshot) { active_snapshot = snapshot; }
    ~Activation() { active_snapshot = nullptr; }
  };
  {
    Activation activation(&snapshot);
    status = body();
  }
  if (status == ERROR_SUCCESS && snapshot.changed) status = write_registry_file(path, snapshot.root);
  return status;
}

LONG RegCreateKeyEx(HKEY key, const char* subkey, DWORD, char*, DWORD, REGSAM, void*, PHKEY result,
                    DWORD* disposition) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::vector<std::string> path;
  LONG status = resolve(key, subkey, path);
  if (status != ERROR_SUCCESS) return status;
  bool created = false;
  status = change_registry([&](RegistryKey& root, bool& changed) {
    root.find_or_create(path, created);
    changed = changed || created;
    return ERROR_SUCCESS;
  });
  if (status != ERROR_SUCCESS) return status;
  if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = new_handle(std::move(path));
  return ERROR_SUCCESS;
}

LONG RegOpenKeyEx(HKEY key, const char* subkey, DWORD, REGSAM, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::vector<std::string> path;
  LONG status = resolve(key, subkey, path);
  if (status != ERROR_SUCCESS) return status;
  status = read_registry([&](RegistryKey& root) { return root.find(path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND; });
  if (status != ERROR_SUCCESS) return status;
  *result = new_handle(std::move(path));
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (key == HKEY_CLASSES_ROOT) return ERROR_SUCCESS;
  {
    std::lock_guard<std::mutex> lock(handles_mutex());
    if (live_handles().erase(key) == 0) return ERROR_INVALID_HANDLE;
  }
  delete key;
  return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, const char* value_name, DWORD, DWORD type, const BYTE* data, DWORD size) {
  if (data == nullptr && size > 0) return ERROR_INVALID_PARAMETER;
  std::vector<std::string> path;
  LONG status = resolve(key, nullptr, path);
  if (status != ERROR_SUCCESS) return status;
  RegistryValue value{type, std::string(reinterpret_cast<const char*>(data), data == nullptr ? 0 : size)};
  if (type == REG_SZ && !value.data.empty() && value.data.back() == '\0') value.data.pop_back();
  return change_registry([&](RegistryKey& root, bool& changed) {
    RegistryKey* target = root.find(path);
    if (target == nullptr) return ERROR_KEY_DELETED;
    std::string name = value_key(value_name);
    auto found = target->values.find(name);
    if (found != target->values.end() && found->second.type == value.type && found->second.data == value.data)
      return ERROR_SUCCESS;
    target->values[name] = value;
    changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegQueryValueEx(HKEY key, const char* value_name, DWORD*, DWORD* type, BYTE* data, DWORD* size) {
  if (data != nullptr && size == nullptr) return ERROR_INVALID_PARAMETER;
  std::vector<std::string> path;
  LONG status = resolve(key, nullptr, path);
  if (status != ERROR_SUCCESS) return status;
  return read_registry([&](RegistryKey& root) {
    RegistryKey* target = root.find(path);
    if (target == nullptr) return ERROR_KEY_DELETED;
    auto found = target->values.find(value_key(value_name));
    if (found == target->values.end()) return ERROR_FILE_NOT_FOUND;
    std::string bytes = found->second.data;
    if (found->second.type == REG_SZ) bytes.push_back('\0');
    if (type != nullptr) *type = found->second.type;
    if (size == nullptr) return ERROR_SUCCESS;
    DWORD room = *size;
    *size = static_cast<DWORD>(bytes.size());
    if (data == nullptr) return ERROR_SUCCESS;
    if (room < bytes.size()) return ERROR_MORE_DATA;
    std::memcpy(data, bytes.data(), bytes.size());
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValue(HKEY key, const char* value_name) {
  std::vector<std::string> path;
  LONG status = resolve(key, nullptr, path);
  if (status != ERROR_SUCCESS) return status;
  return change_registry([&](RegistryKey& root, bool& changed) {
    RegistryKey* target = root.find(path);
    if (target == nullptr) return ERROR_KEY_DELETED;
    if (target->values.erase(value_key(value_name)) == 0) return ERROR_FILE_NOT_FOUND;
    changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteKey(HKEY key, const char* subkey) {
  std::vector<std::string> path;
  LONG status = resolve(key, subkey, path);
  if (status != ERROR_SUCCESS) return status;
  if (path.empty()) return ERROR_ACCESS_DENIED;
  return change_registry([&](RegistryKey& root, bool& changed) {
    std::string name = path.back();
    path.pop_back();
    RegistryKey* parent = root.find(path);
    if (parent == nullptr) return ERROR_FILE_NOT_FOUND;
    auto found = parent->subkeys.find(name);
    if (found == parent->subkeys.end()) return ERROR_FILE_NOT_FOUND;
    if (!found->second->subkeys.empty()) return ERROR_ACCESS_DENIED;
    parent->subkeys.erase(found);
    changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteTree(HKEY key, const char* subkey) {
  std::vector<std::string> path;
  LONG status = resolve(key, subkey, path);
  if (status != ERROR_SUCCESS) return status;
  bool whole_key = subkey != nullptr && *subkey != '\0';
  if (whole_key && path.empty()) return ERROR_ACCESS_DENIED;
  return change_registry([&](RegistryKey& root, bool& changed) {
    if (!whole_key) {
      RegistryKey* target = root.find(path);
      if (target == nullptr) return ERROR_KEY_DELETED;
      changed = changed || !target->subkeys.empty() || !target->values.empty();
      target->subkeys.clear();
      target->values.clear();
      return ERROR_SUCCESS;
    }
    std::string name = path.back();
    path.pop_back();
    RegistryKey* parent = root.find(path);
    if (parent == nullptr || parent->subkeys.erase(name) == 0) return ERROR_FILE_NOT_FOUND;
    changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* name_size, DWORD*, char*, DWORD*, void*) {
  if (name == nullptr || name_size == nullptr) return ERROR_INVALID_PARAMETER;
  std::vector<std::string> path;
  LONG status = resolve(key, nullptr, path);
  if (status != ERROR_SUCCESS) return status;
  return read_registry([&](RegistryKey& root) {
    RegistryKey* target = root.find(path);
    if (target == nullptr) return ERROR_KEY_DELETED;
    if (index >= target->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    auto entry = target->subkeys.begin();
    std::advance(entry, index);
    const std::string& found = entry->first;
    if (*name_size <= found.size()) {
      *name_size = static_cast<DWORD>(found.size());
      return ERROR_MORE_DATA;
    }
    std::memcpy(name, found.c_str(), found.size() + 1);
    *name_size = static_cast<DWORD>(found.size());
    return ERROR_SUCCESS;
  });
}

std::optional<std::string> registry_string(HKEY key, const char* subkey, const char* value_name) {
  std::vector<std::string> path;
  if (resolve(key, subkey, path) != ERROR_SUCCESS) return std::nullopt;
  std::optional<std::string> text;
  read_registry([&](RegistryKey& root) {
    RegistryKey* target = root.find(path);
    if (target == nullptr) return ERROR_FILE_NOT_FOUND;
    auto found = target->values.find(value_key(value_name));
    if (found == target->values.end() || found->second.type != REG_SZ) return ERROR_FILE_NOT_FOUND;
    text = found->second.data;
    return ERROR_SUCCESS;
  });
  return text;
}
