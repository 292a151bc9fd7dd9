// Reads the interface-definition subset described in typelib.h.
#include <cctype>
#include <cstdlib>
#include <map>

#include "platform/com/typelib.h"

namespace {

struct TypeName {
  const char* name;
  VARTYPE type;
};
constexpr TypeName TYPE_NAMES[] = {
    {"long", VT_I4},      {"short", VT_I2},     {"int", VT_INT},         {"char", VT_I1},
    {"BYTE", VT_UI1},     {"BSTR", VT_BSTR},    {"OLE_COLOR", VT_UI4},   {"VARIANT_BOOL", VT_BOOL},
    {"double", VT_R8},    {"float", VT_R4},     {"VARIANT", VT_VARIANT}, {"IUnknown", VT_UNKNOWN},
    {"IDispatch", VT_DISPATCH}, {"HRESULT", VT_HRESULT},
};
constexpr TypeName UNSIGNED_TYPE_NAMES[] = {
    {"long", VT_UI4}, {"short", VT_UI2}, {"int", VT_UINT}, {"char", VT_UI1},
};

// Slots of the base interfaces before an interface's own methods.
constexpr int IUNKNOWN_SLOTS = 3;
constexpr int IDISPATCH_SLOTS = 7;

using Attributes = std::map<std::string, std::string>;

class Parser {
 public:
  explicit Parser(std::string_view source) : source_(source) {}

  std::optional<LibraryInfo> parse_library(std::string* error) {
    LibraryInfo library;
    if (!library_block(library)) {
      if (error != nullptr) *error = "line " + std::to_string(line_) + ": " + message_;
      return std::nullopt;
    }
    return library;
  }

 private:
  std::string_view source_;
  std::size_t at_ = 0;
  int line_ = 1;
  std::string message_;

  bool failure(const std::string& message) {
    if (message_.empty()) message_ = message;
    return false;
  }

  void skip_blanks() {
    while (at_ < source_.size()) {
      char c = source_[at_];
      if (c == '\n') {
        ++line_;
        ++at_;
      } else if (std::isspace(static_cast<unsigned char>(c))) {
        ++at_;
      } else if (source_.substr(at_, 2) == "//") {
        while (at_ < source_.size() && source_[at_] != '\n') ++at_;
      } else if (source_.substr(at_, 2) == "/*") {
        std::size_t end = source_.find("*/", at_ + 2);
        end = end == std::string_view::npos ? source_.size() : end + 2;
        for (; at_ < end; ++at_)
          if (source_[at_] == '\n') ++line_;
      } else {
        return;
      }
    }
  }

  bool peek(char c) {
    skip_blanks();
    return at_ < source_.size() && source_[at_] == c;
  }

  bool accept(char c) {
    if (!peek(c)) return false;
    ++at_;
    return true;
  }

  bool expect(char c) { return accept(c) || failure(std::string("expected '") + c + "'"); }

  std::string identifier() {
    skip_blanks();
    std::size_t start = at_;
    while (at_ < source_.size() && (std::isalnum(static_cast<unsigned char>(source_[at_])) || source_[at_] == '_'))
      ++at_;
    return std::string(source_.substr(start, at_ - start));
  }

  bool expect_word(const char* word) {
    std::size_t start = at_;
    int line = line_;
    if (identifier() == word) return true;
    at_ = start;
    line_ = line;
    return failure(std::string("expected '") + word + "'");
  }

  bool next_word_is(const char* word) {
    std::size_t start = at_;
    int line = line_;
    bool found = identifier() == word;
    at_ = start;
    line_ = line;
    return found;
  }

  // A string literal with \" and \\ escapes.
  bool string_literal(std::string& out) {
    if (!expect('"')) return false;
    out.clear();
    while (at_ < source_.size() && source_[at_] != '"') {
      char c = source_[at_++];
      if (c == '\n') return failure("unterminated string");
      if (c == '\\' && at_ < source_.size()) c = source_[at_++];
      out.push_back(c);
    }
    return expect('"');
  }

  // The raw text of an attribute's argument, up to the closing parenthesis.
  bool attribute_argument(std::string& out) {
    skip_blanks();
    if (peek('"')) return string_literal(out) && expect(')');
    std::size_t start = at_;
    while (at_ < source_.size() && source_[at_] != ')' && source_[at_] != '\n') ++at_;
    out = std::string(source_.substr(start, at_ - start));
    while (!out.empty() && std::isspace(static_cast<unsigned char>(out.back()))) out.pop_back();
    return expect(')');
  }

  bool attributes(Attributes& out) {
    out.clear();
    if (!accept('[')) return true;
    do {
      std::string name = identifier();
      if (name.empty()) return failure("expected an attribute");
      std::string argument;
      if (accept('(') && !attribute_argument(argument)) return false;
      out[name] = argument;
    } while (accept(','));
    return expect(']');
  }

  bool guid_attribute(const Attributes& attrs, GUID& out) {
    auto found = attrs.find("uuid");
    if (found == attrs.end()) return failure("missing uuid");
    std::optional<GUID> guid = guid_from_string("{" + found->second + "}");
    if (!guid) return failure("malformed uuid " + found->second);
    out = *guid;
    return true;
  }

  static std::string text_attribute(const Attributes& attrs, const char* name) {
    auto found = attrs.find(name);
    return found == attrs.end() ? std::string() : found->second;
  }

  bool number(const std::string& text, long& out) {
    char* end = nullptr;
    out = std::strtol(text.c_str(), &end, 0);
    return (!text.empty() && *end == '\0') || failure("malformed number " + text);
  }

  bool library_block(LibraryInfo& library) {
    Attributes attrs;
    if (!attributes(attrs) || !expect_word("library")) return false;
    library.name = identifier();
    if (library.name.empty()) return failure("expected the library's name");
    if (!guid_attribute(attrs, library.libid)) return false;
    library.help = text_attribute(attrs, "helpstring");
    if (!version(text_attribute(attrs, "version"), library.major_version, library.minor_version)) return false;
    long lcid = 0;
    if (attrs.count("lcid") && !number(attrs["lcid"], lcid)) return false;
    library.lcid = static_cast<LCID>(lcid);
    if (!expect('{')) return false;
    while (!accept('}')) {
      if (at_ >= source_.size()) return failure("unexpected end of the library");
      if (!library_item(library)) return false;
    }
    accept(';');
    skip_blanks();
    return at_ == source_.size() || failure("text after the library");
  }

  bool version(const std::string& text, WORD& major, WORD& minor) {
    if (text.empty()) return true;
    std::size_t dot = text.find('.');
    long high = 0, low = 0;
    if (!number(text.substr(0, dot), high)) return false;
    if (dot != std::string::npos && !number(text.substr(dot + 1), low)) return false;
    major = static_cast<WORD>(high);
    minor = static_cast<WORD>(low);
    return true;
  }

  bool library_item(LibraryInfo& library) {
    if (next_word_is("importlib")) {
      identifier();
      std::string name;
      if (!expect('(') || !string_literal(name) || !expect(')') || !expect(';')) return false;
      library.imports.push_back(name);
      return true;
    }
    Attributes attrs;
    if (!attributes(attrs)) return false;
    std::string kind = identifier();
    if (kind == "interface") return interface_block(attrs, library);
    if (kind == "coclass") return coclass_block(attrs, library);
    return failure("expected interface, coclass or importlib");
  }

  bool interface_block(const Attributes& attrs, LibraryInfo& library) {
    InterfaceInfo info;
    info.name = identifier();
    if (info.name.empty()) return failure("expected the interface's name");
    if (!guid_attribute(attrs, info.iid)) return false;
    info.help = text_attribute(attrs, "helpstring");
    if (attrs.count("dual")) info.flags |= TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
    if (attrs.count("oleautomation")) info.flags |= TYPEFLAG_FOLEAUTOMATION;
    if (attrs.count("nonextensible")) info.flags |= TYPEFLAG_FNONEXTENSIBLE;
    if (attrs.count("hidden")) info.flags |= TYPEFLAG_FHIDDEN;
    if (!expect(':')) return false;
    info.base = identifier();
    int slot;
    if (info.base == "IDispatch")
      slot = IDISPATCH_SLOTS;
    else if (info.base == "IUnknown")
      slot = IUNKNOWN_SLOTS;
    else
      return failure("interfaces derive from IDispatch or IUnknown");
    if (!expect('{')) return false;
    while (!accept('}')) {
      if (at_ >= source_.size()) return failure("unexpected end of the interface");
      FunctionInfo function;
      if (!method(function)) return false;
      function.slot = slot++;
      info.functions.push_back(std::move(function));
    }
    if (!expect(';')) return false;
    library.interfaces.push_back(std::move(info));
    return true;
  }

  bool method(FunctionInfo& function) {
    Attributes attrs;
    if (!attributes(attrs)) return false;
    long id = MEMBERID_NIL;
    if (attrs.count("id") && !number(attrs["id"], id)) return false;
    function.id = static_cast<MEMBERID>(id);
    function.help = text_attribute(attrs, "helpstring");
    function.kind = attrs.count("propget")      ? INVOKE_PROPERTYGET
                    : attrs.count("propput")    ? INVOKE_PROPERTYPUT
                    : attrs.count("propputref") ? INVOKE_PROPERTYPUTREF
                                                : INVOKE_FUNC;
    if (!expect_word("HRESULT")) return failure("methods return HRESULT");
    function.name = identifier();
    if (function.name.empty()) return failure("expected the method's name");
    if (!expect('(')) return false;
    if (!accept(')')) {
      do {
        ParameterInfo parameter;
        if (!parameter_declaration(parameter)) return false;
        function.parameters.push_back(std::move(parameter));
      } while (accept(','));
      if (!expect(')')) return false;
    }
    return expect(';');
  }

  bool parameter_declaration(ParameterInfo& parameter) {
    Attributes attrs;
    if (!attributes(attrs)) return false;
    if (attrs.count("in")) parameter.flags |= PARAMFLAG_FIN;
    if (attrs.count("out")) parameter.flags |= PARAMFLAG_FOUT;
    if (attrs.count("retval")) parameter.flags |= PARAMFLAG_FRETVAL;
    std::string type = identifier();
    bool found = false;
    if (type == "unsigned") {
      type = identifier();
      for (const TypeName& entry : UNSIGNED_TYPE_NAMES)
        if (type == entry.name) parameter.type = entry.type, found = true;
    } else {
      for (const TypeName& entry : TYPE_NAMES)
        if (type == entry.name) parameter.type = entry.type, found = true;
    }
    if (!found || parameter.type == VT_HRESULT) return failure("unknown parameter type " + type);
    bool interface_type = parameter.type == VT_UNKNOWN || parameter.type == VT_DISPATCH;
    if (interface_type && !expect('*')) return false;
    parameter.pointer = accept('*');
    if (accept('*')) return failure("one level of pointer at most");
    parameter.name = identifier();
    if (parameter.name.empty()) return failure("expected the parameter's name");
    if ((parameter.flags & PARAMFLAG_FOUT) && !parameter.pointer) return failure("out parameters are pointers");
    return true;
  }

  bool coclass_block(const Attributes& attrs, LibraryInfo& library) {
    CoclassInfo info;
    info.name = identifier();
    if (info.name.empty()) return failure("expected the coclass's name");
    if (!guid_attribute(attrs, info.clsid)) return false;
    info.help = text_attribute(attrs, "helpstring");
    if (!expect('{')) return false;
    while (!accept('}')) {
      Attributes member;
      if (!attributes(member) || !expect_word("interface")) return false;
      std::string name = identifier();
      if (name.empty() || !expect(';')) return failure("expected an interface name");
      if (member.count("default")) info.default_interface = name;
      info.interfaces.push_back(name);
    }
    if (!expect(';')) return false;
    library.coclasses.push_back(std::move(info));
    return true;
  }
};

}  // namespace

std::optional<LibraryInfo> parse_type_library(std::string_view source, std::string* error) {
  return Parser(source).parse_library(error);
}
