#include "platform/kernel/version_info.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr WORD BINARY_VALUE = 0;
constexpr WORD TEXT_VALUE = 1;

// One node of the block tree: a header of three words, a UTF-16 key, the
// value, and the children, each part starting on a 32-bit boundary.
struct Node {
  std::string key;
  WORD type = BINARY_VALUE;
  std::vector<BYTE> value;
  WORD value_length = 0;  // bytes for binary values, characters for text
  std::vector<Node> children;
};

void pad(std::vector<BYTE>& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

void put_word(std::vector<BYTE>& out, WORD value) {
  out.push_back(static_cast<BYTE>(value & 0xFF));
  out.push_back(static_cast<BYTE>(value >> 8));
}

void put_text(std::vector<BYTE>& out, const std::string& ascii) {
  for (char c : ascii) put_word(out, static_cast<BYTE>(c));
  put_word(out, 0);
}

void serialise(const Node& node, std::vector<BYTE>& out) {
  pad(out);
  std::size_t start = out.size();
  put_word(out, 0);
  put_word(out, node.value_length);
  put_word(out, node.type);
  put_text(out, node.key);
  pad(out);
  out.insert(out.end(), node.value.begin(), node.value.end());
  for (const Node& child : node.children) serialise(child, out);
  WORD length = static_cast<WORD>(out.size() - start);
  out[start] = static_cast<BYTE>(length & 0xFF);
  out[start + 1] = static_cast<BYTE>(length >> 8);
}

Node text_node(const std::string& key, const std::string& text) {
  Node node{key, TEXT_VALUE, {}, static_cast<WORD>(text.size() + 1), {}};
  put_text(node.value, text);
  return node;
}

WORD read_word(const BYTE* at) { return static_cast<WORD>(at[0] | at[1] << 8); }

std::size_t aligned(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

char folded(WORD c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c); }

// The bytes of the UTF-16 key at key, its terminator included; 0 when the
// terminator is not within room.
std::size_t key_size(const BYTE* key, std::size_t room) {
  for (std::size_t i = 0; 2 * i + 1 < room; ++i)
    if (read_word(key + 2 * i) == 0) return 2 * (i + 1);
  return 0;
}

bool key_is(const BYTE* key, std::size_t bytes, std::string_view name) {
  if (bytes != 2 * (name.size() + 1)) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    WORD c = read_word(key + 2 * i);
    if (c > 0x7F || folded(c) != folded(static_cast<BYTE>(name[i]))) return false;
  }
  return true;
}

}  // namespace

std::vector<BYTE> build_version_resource(const VersionDescription& d) {
  VS_FIXEDFILEINFO fixed{};
  fixed.dwSignature = VS_FFI_SIGNATURE;
  fixed.dwStrucVersion = 0x00010000;
  fixed.dwFileVersionMS = fixed.dwProductVersionMS = DWORD{d.version[0]} << 16 | d.version[1];
  fixed.dwFileVersionLS = fixed.dwProductVersionLS = DWORD{d.version[2]} << 16 | d.version[3];
  fixed.dwFileFlagsMask = 0x3F;
  fixed.dwFileOS = 0x00040004;
  fixed.dwFileType = VFT_DLL;
  Node root{"VS_VERSION_INFO", BINARY_VALUE, {}, sizeof fixed, {}};
  root.value.resize(sizeof fixed);
  std::memcpy(root.value.data(), &fixed, sizeof fixed);

  char table_key[9];
  std::snprintf(table_key, sizeof table_key, "%04X%04X", d.language, d.code_page);
  Node table{table_key, TEXT_VALUE, {}, 0, {}};
  for (const auto& [name, value] : d.strings) table.children.push_back(text_node(name, value));
  root.children.push_back(Node{"StringFileInfo", TEXT_VALUE, {}, 0, {table}});

  Node translation{"Translation", BINARY_VALUE, {}, 4, {}};
  put_word(translation.value, d.language);
  put_word(translation.value, d.code_page);
  root.children.push_back(Node{"VarFileInfo", TEXT_VALUE, {}, 0, {translation}});

  std::vector<BYTE> out;
  serialise(root, out);
  return out;
}

bool VerQueryValue(const void* block, const char* sub_block, const void** buffer, UINT* length) {
  if (block == nullptr || sub_block == nullptr || buffer == nullptr || length == nullptr) return false;
  const BYTE* node = static_cast<const BYTE*>(block);
  std::string_view path = sub_block;
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  for (;;) {
    std::size_t node_length = read_word(node);
    std::size_t key_bytes = node_length < 6 ? 0 : key_size(node + 6, node_length - 6);
    if (key_bytes == 0) return false;
    std::size_t value_offset = aligned(6 + key_bytes);
    WORD value_length = read_word(node + 2);
    WORD type = read_word(node + 4);
    std::size_t value_bytes = type == TEXT_VALUE ? 2 * std::size_t{value_length} : value_length;
    if (value_offset + value_bytes > node_length) return false;
    if (path.empty()) {
      *buffer = node + value_offset;
      *length = value_length;
      return value_length > 0;
    }
    std::size_t slash = path.find('\\');
    std::string_view name = path.substr(0, slash);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    const BYTE* found = nullptr;
    for (std::size_t child = aligned(value_offset + value_bytes); child + 6 < node_length;) {
      const BYTE* candidate = node + child;
      std::size_t candidate_length = read_word(candidate);
      if (candidate_length < 6 || child + candidate_length > node_length) return false;
      if (key_is(candidate + 6, key_size(candidate + 6, candidate_length - 6), name)) {
        found = candidate;
        break;
      }
      child = aligned(child + candidate_length);
    }
    if (found == nullptr) return false;
    node = found;
  }
}
