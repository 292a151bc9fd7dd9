#include "platform/com/registry_tree.h"

#include <cstdio>

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void append_hex_byte(std::string& out, char prefix, unsigned char byte) {
  char text[4];
  std::snprintf(text, sizeof text, "%c%02X", prefix, byte);
  out += text;
}

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += '\\';
          append_hex_byte(out, 'x', c);
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string header_name(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F || c == '%' || c == ']')
      append_hex_byte(out, '%', c);
    else
      out += static_cast<char>(c);
  }
  return out;
}

std::string formatted_value(const RegistryValue& value) {
  char text[32];
  if (value.type == 1) return quoted(value.data);
  if (value.type == 4 && value.data.size() == 4) {
    DWORD number = 0;
    for (int i = 3; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(value.data[i]);
    std::snprintf(text, sizeof text, "dword:%08X", static_cast<unsigned>(number));
    return text;
  }
  std::snprintf(text, sizeof text, "hex(%u):", static_cast<unsigned>(value.type));
  std::string out = text;
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    if (i > 0) out += ',';
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned char>(value.data[i]));
    out += text;
  }
  return out;
}

void format_key(const RegistryKey& key, const std::string& path, std::string& out) {
  out += "[" + path + "]\n";
  for (const auto& [name, value] : key.values)
    out += (name.empty() ? std::string("@") : quoted(name)) + "=" + formatted_value(value) + "\n";
  out += "\n";
  for (const auto& [name, subkey] : key.subkeys) format_key(*subkey, path + "\\" + header_name(name), out);
}

class LineReader {
 public:
  LineReader(std::string_view line, int number) : line_(line), number_(number) {}

  bool fail(const char* what, std::string& error) const {
    error = "line " + std::to_string(number_) + ": " + what;
    return false;
  }

  bool quoted_text(std::size_t& at, std::string& out) const {
    if (at >= line_.size() || line_[at] != '"') return false;
    out.clear();
    for (++at; at < line_.size(); ++at) {
      char c = line_[at];
      if (c == '"') {
        ++at;
        return true;
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      if (++at >= line_.size()) return false;
      switch (line_[at]) {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'x': {
          if (at + 2 >= line_.size()) return false;
          int high = hex_digit(line_[at + 1]), low = hex_digit(line_[at + 2]);
          if (high < 0 || low < 0) return false;
          out += static_cast<char>(high << 4 | low);
          at += 2;
          break;
        }
        default: return false;
      }
    }
    return false;
  }

  std::string_view line_;
  int number_;
};

bool parse_header(std::string_view inside, std::vector<std::string>& path) {
  path.clear();
  std::string current;
  bool root_seen = false;
  auto finish = [&]() {
    if (current.empty()) return false;
    if (!root_seen) {
      root_seen = true;
      bool is_root = current == REGISTRY_ROOT_NAME;
      current.clear();
      return is_root;
    }
    path.push_back(current);
    current.clear();
    return true;
  };
  for (std::size_t i = 0; i < inside.size(); ++i) {
    char c = inside[i];
    if (c == '\\') {
      if (!finish()) return false;
    } else if (c == '%') {
      if (i + 2 >= inside.size()) return false;
      int high = hex_digit(inside[i + 1]), low = hex_digit(inside[i + 2]);
      if (high < 0 || low < 0) return false;
      current += static_cast<char>(high << 4 | low);
      i += 2;
    } else {
      current += c;
    }
  }
  return finish();
}

bool parse_value_data(std::string_view text, RegistryValue& value) {
  if (text.substr(0, 6) == "dword:") {
    std::string_view digits = text.substr(6);
    if (digits.size() != 8) return false;
    DWORD number = 0;
    for (char c : digits) {
      int digit = hex_digit(c);
      if (digit < 0) return false;
      number = number << 4 | static_cast<DWORD>(digit);
    }
    value.type = 4;
    value.data.clear();
    for (int i = 0; i < 4; ++i) value.data += static_cast<char>(number >> (8 * i) & 0xFF);
    return true;
  }
  if (text.substr(0, 4) != "hex(") return false;
  std::size_t close = text.find("):");
  if (close == std::string_view::npos || close == 4) return false;
  DWORD type = 0;
  for (char c : text.substr(4, close - 4)) {
    if (c < '0' || c > '9') return false;
    type = type * 10 + static_cast<DWORD>(c - '0');
  }
  value.type = type;
  value.data.clear();
  std::string_view bytes = text.substr(close + 2);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    if (i + 1 >= bytes.size() || (i + 2 < bytes.size() && bytes[i + 2] != ',')) return false;
    int high = hex_digit(bytes[i]), low = hex_digit(bytes[i + 1]);
    if (high < 0 || low < 0) return false;
    value.data += static_cast<char>(high << 4 | low);
  }
  return true;
}

}  // namespace

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    char x = lower(a[i]), y = lower(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  return a.size() < b.size();
}

RegistryKey* RegistryKey::find(const std::vector<std::string>& path) {
  RegistryKey* key = this;
  for (const std::string& name : path) {
    auto found = key->subkeys.find(name);
    if (found == key->subkeys.end()) return nullptr;
    key = found->second.get();
  }
  return key;
}

RegistryKey* RegistryKey::find_or_create(const std::vector<std::string>& path, bool& created) {
  created = false;
  RegistryKey* key = this;
  for (const std::string& name : path) {
    std::unique_ptr<RegistryKey>& slot = key->subkeys[name];
    if (!slot) {
      slot = std::make_unique<RegistryKey>();
      created = true;
    }
    key = slot.get();
  }
  return key;
}

bool parse_registry(std::string_view text, RegistryKey& root, std::string& error) {
  RegistryKey* current = nullptr;
  int number = 0;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    LineReader reader(line, number);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      std::vector<std::string> path;
      if (line.back() != ']' || !parse_header(line.substr(1, line.size() - 2), path))
        return reader.fail("malformed key header", error);
      bool created;
      current = root.find_or_create(path, created);
      continue;
    }
    if (current == nullptr) return reader.fail("value outside a key", error);
    std::string name;
    std::size_t at = 0;
    if (line[0] == '@') {
      at = 1;
    } else if (!reader.quoted_text(at, name) || name.empty()) {
      return reader.fail("malformed value name", error);
    }
    if (at >= line.size() || line[at] != '=') return reader.fail("expected '='", error);
    ++at;
    RegistryValue value{1, {}};
    if (at < line.size() && line[at] == '"') {
      if (!reader.quoted_text(at, value.data) || at != line.size()) return reader.fail("malformed string", error);
    } else if (!parse_value_data(line.substr(at), value)) {
      return reader.fail("malformed value", error);
    }
    current->values[name] = std::move(value);
  }
  return true;
}

std::string format_registry(const RegistryKey& root) {
  std::string out = "; Tresslin registry (HKEY_CLASSES_ROOT). Written whole on every change.\n\n";
  format_key(root, REGISTRY_ROOT_NAME, out);
  return out;
}
