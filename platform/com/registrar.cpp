#include "platform/com/registrar.h"

#include <cctype>
#include <cstdlib>
#include <memory>

#include "platform/com/registry.h"

namespace {

struct ScriptValue {
  std::string name;  // empty: the key's default value
  char type = 's';   // 's' text, 'd' number
  std::string text;
};

struct ScriptKey {
  enum Flag { NORMAL, NO_REMOVE, FORCE_REMOVE, DELETE } flag = NORMAL;
  std::string name;
  std::vector<ScriptValue> values;
  std::vector<ScriptKey> subkeys;
};

class ScriptParser {
 public:
  ScriptParser(std::string_view text, const ScriptReplacements& replacements)
      : text_(text), replacements_(replacements) {}

  bool parse(std::vector<ScriptKey>& roots, std::string& error) {
    while (true) {
      std::string token;
      if (!next(token)) break;
      if (token != "HKCR" && token != "HKEY_CLASSES_ROOT") return fail("only HKCR is served", error);
      ScriptKey root;
      if (!expect("{", error) || !block(root, error)) return false;
      roots.push_back(std::move(root));
    }
    return message_.empty() || fail(message_, error);
  }

 private:
  std::string_view text_;
  const ScriptReplacements& replacements_;
  std::size_t at_ = 0;
  int line_ = 1;
  std::string message_;
  bool quoted_ = false;  // the last token was quoted text

  // The tokenizer's own complaint, when it has one, says more than what.
  bool fail(const std::string& what, std::string& error) {
    error = "line " + std::to_string(line_) + ": " + (message_.empty() ? what : message_);
    return false;
  }

  void skip_blanks() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) {
      if (text_[at_] == '\n') ++line_;
      ++at_;
    }
  }

  bool replaced(const std::string& raw, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '%') {
        out += raw[i];
        continue;
      }
      std::size_t close = raw.find('%', i + 1);
      if (close == std::string::npos) return false;
      std::string name = raw.substr(i + 1, close - i - 1);
      if (name.empty()) {
        out += '%';
      } else {
        bool found = false;
        for (const auto& [key, value] : replacements_)
          if (key == name) out += value, found = true;
        if (!found) return false;
      }
      i = close;
    }
    return true;
  }

  // A bare token, one of { } =, or quoted text with its replacements made.
  bool next(std::string& token) {
    skip_blanks();
    quoted_ = false;
    if (at_ >= text_.size()) return false;
    char c = text_[at_];
    bool braced_name = c == '{' && at_ + 1 < text_.size() && std::isxdigit(static_cast<unsigned char>(text_[at_ + 1]));
    if (braced_name) {
      // A key named by a GUID in braces, such as {00000000-...}.
      std::size_t start = at_;
      while (at_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[at_])) && text_[at_] != '=') ++at_;
      token = std::string(text_.substr(start, at_ - start));
      return true;
    }
    if (c == '{' || c == '}' || c == '=') {
      token = std::string(1, c);
      ++at_;
      return true;
    }
    if (c == '\'') {
      std::string raw;
      for (++at_;; ++at_) {
        if (at_ >= text_.size() || text_[at_] == '\n') {
          message_ = "unterminated quoted text";
          return false;
        }
        if (text_[at_] == '\'') {
          if (at_ + 1 < text_.size() && text_[at_ + 1] == '\'') {
            raw += '\'';
            ++at_;
            continue;
          }
          ++at_;
          break;
        }
        raw += text_[at_];
      }
      if (!replaced(raw, token)) {
        message_ = "unknown replacement in '" + raw + "'";
        return false;
      }
      quoted_ = true;
      return true;
    }
    std::size_t start = at_;
    while (at_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[at_])) && text_[at_] != '{' &&
           text_[at_] != '}' && text_[at_] != '=' && text_[at_] != '\'')
      ++at_;
    token = std::string(text_.substr(start, at_ - start));
    return true;
  }

  bool peek_is(char c) {
    skip_blanks();
    return at_ < text_.size() && text_[at_] == c;
  }

  bool expect(const char* what, std::string& error) {
    std::string token;
    if (!next(token) || token != what || quoted_)
      return fail(std::string("expected ") + what, error);
    return true;
  }

  bool value_after_equals(ScriptValue& value, std::string& error) {
    std::string type;
    if (!next(type) || (type != "s" && type != "d")) return fail("expected s or d", error);
    value.type = type[0];
    if (!next(value.text) || !quoted_) return fail("expected quoted text", error);
    if (value.type == 'd') {
      char* end = nullptr;
      std::strtoul(value.text.c_str(), &end, 0);
      if (value.text.empty() || *end != '\0') return fail("malformed number", error);
    }
    return true;
  }

  // The members of a key, up to its closing brace.
  bool block(ScriptKey& key, std::string& error) {
    while (!peek_is('}')) {
      std::string token;
      if (!next(token)) return fail("unexpected end of the script", error);
      if (token == "val" && !quoted_) {
        ScriptValue value;
        if (!next(value.name)) return fail("expected a value name", error);
        if (!expect("=", error) || !value_after_equals(value, error)) return false;
        key.values.push_back(std::move(value));
        continue;
      }
      ScriptKey subkey;
      if (!quoted_ && token == "NoRemove") subkey.flag = ScriptKey::NO_REMOVE;
      if (!quoted_ && token == "ForceRemove") subkey.flag = ScriptKey::FORCE_REMOVE;
      if (!quoted_ && token == "Delete") subkey.flag = ScriptKey::DELETE;
      if (subkey.flag != ScriptKey::NORMAL && !next(token)) return fail("expected a key name", error);
      if (token.empty() || token == "{" || token == "}" || token == "=") return fail("expected a key name", error);
      subkey.name = token;
      if (peek_is('=')) {
        ScriptValue value;
        if (!expect("=", error) || !value_after_equals(value, error)) return false;
        subkey.values.push_back(std::move(value));
      }
      if (peek_is('{')) {
        if (!expect("{", error) || !block(subkey, error)) return false;
      }
      key.subkeys.push_back(std::move(subkey));
    }
    return expect("}", error);
  }
};

class OpenKey {
 public:
  OpenKey() = default;
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  ~OpenKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

LONG set_value(HKEY key, const ScriptValue& value) {
  if (value.type == 'd') {
    DWORD number = static_cast<DWORD>(std::strtoul(value.text.c_str(), nullptr, 0));
    return RegSetValueEx(key, value.name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                         sizeof number);
  }
  return RegSetValueEx(key, value.name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()),
                       static_cast<DWORD>(value.text.size() + 1));
}

bool has_subkeys(HKEY key) {
  char name[2];
  DWORD size = sizeof name;
  LONG status = RegEnumKeyEx(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
  return status == ERROR_SUCCESS || status == ERROR_MORE_DATA;
}

LONG ignore_missing(LONG status) { return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status; }

LONG register_key(HKEY parent, const ScriptKey& key) {
  if (key.flag == ScriptKey::FORCE_REMOVE || key.flag == ScriptKey::DELETE) {
    LONG status = ignore_missing(RegDeleteTree(parent, key.name.c_str()));
    if (status != ERROR_SUCCESS || key.flag == ScriptKey::DELETE) return status;
  }
  OpenKey opened;
  LONG status = RegCreateKeyEx(parent, key.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                               nullptr, opened.out(), nullptr);
  for (const ScriptValue& value : key.values)
    if (status == ERROR_SUCCESS) status = set_value(opened.get(), value);
  for (const ScriptKey& subkey : key.subkeys)
    if (status == ERROR_SUCCESS) status = register_key(opened.get(), subkey);
  return status;
}

LONG unregister_key(HKEY parent, const ScriptKey& key) {
  if (key.flag == ScriptKey::FORCE_REMOVE || key.flag == ScriptKey::DELETE)
    return ignore_missing(RegDeleteTree(parent, key.name.c_str()));
  OpenKey opened;
  LONG status = RegOpenKeyEx(parent, key.name.c_str(), 0, KEY_ALL_ACCESS, opened.out());
  if (status != ERROR_SUCCESS) return ignore_missing(status);
  for (const ScriptKey& subkey : key.subkeys)
    if (status == ERROR_SUCCESS) status = unregister_key(opened.get(), subkey);
  if (status != ERROR_SUCCESS || key.flag == ScriptKey::NO_REMOVE) return status;
  for (const ScriptValue& value : key.values)
    if (status == ERROR_SUCCESS) status = ignore_missing(RegDeleteValue(opened.get(), value.name.c_str()));
  if (status == ERROR_SUCCESS && !has_subkeys(opened.get())) status = ignore_missing(RegDeleteTree(parent, key.name.c_str()));
  return status;
}

}  // namespace

HRESULT run_registry_script(std::string_view script, bool registering, const ScriptReplacements& replacements,
                            std::string* error) {
  std::vector<ScriptKey> roots;
  std::string message;
  if (!ScriptParser(script, replacements).parse(roots, message)) {
    if (error != nullptr) *error = message;
    return DISP_E_EXCEPTION;
  }
  LONG status = registry_transaction([&] {
    LONG result = ERROR_SUCCESS;
    for (const ScriptKey& root : roots)
      for (const ScriptKey& key : root.subkeys) {
        if (result != ERROR_SUCCESS) break;
        result = registering ? register_key(HKEY_CLASSES_ROOT, key) : unregister_key(HKEY_CLASSES_ROOT, key);
      }
    return result;
  });
  return HRESULT_FROM_WIN32(status);
}
