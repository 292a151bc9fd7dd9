// tresslin encode: writes a barcode picture the way a script does it, by
// creating Tresslin.EncodeService and calling its members by name through
// IDispatch.
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/automation_client.h"
#include "cli/com_host.h"
#include "cli/commands.h"
#include "cli/options.h"

namespace {

constexpr char HELP[] =
    "usage: tresslin encode [OPTIONS] OUTPUT\n"
    "\n"
    "Writes the barcode picture of a text to OUTPUT. The extension of OUTPUT\n"
    "chooses the format: .bmp, .gif or .png; a name without an extension is\n"
    "given \".PNG\" and saved as PNG.\n"
    "\n"
    "The command creates Tresslin.EncodeService by its ProgID and drives it\n"
    "through IDispatch by member names, as a script does: InitWorkspace, the\n"
    "properties the options set, Encode2File(OUTPUT), FreeWorkspace. When the\n"
    "ProgID is not registered, the module installed beside the program is used.\n"
    "\n"
    "options:\n"
    "  -s, --symbology N         symbology number (default 1, Code 11; 20 is Code 128)\n"
    "  -d, --data TEXT           the text to encode (at most 99 characters of Windows-1252)\n"
    "  --whitespace N            quiet zone left and right, in modules (default 20)\n"
    "  --border N                border width around the symbol, in modules (default 0)\n"
    "  --bind                    bars above and below the symbol, in the border\n"
    "  --box                     bars on all four sides, in the border\n"
    "  --rotate DEG              turn the picture DEG degrees counter-clockwise\n"
    "  --text top|bottom|center  draw the human-readable text above the bars, below\n"
    "                            them, or over their middle\n"
    "  --text-align left|center|right\n"
    "                            where the text stands across the picture (default center)\n"
    "  --char-size N             font height of the text (14 when --text is given\n"
    "                            without it; 0 draws no text)\n"
    "  --font NAME               font face of the text (default arial; at most 31 characters)\n"
    "  --prefix TEXT             text drawn before the data (at most 15 characters)\n"
    "  --suffix TEXT             text drawn after the data (at most 15 characters)\n"
    "  --fg RRGGBB               colour of the bars and the text (default 000000)\n"
    "  --bg RRGGBB               colour of the background (default FFFFFF)\n"
    "  --module PATH             use the module at PATH instead of the registered one\n"
    "  -h, --help                this text\n"
    "\n"
    "Text above or below the bars lies in the border; when --border is not given\n"
    "with --text top or bottom, a border just high enough for the text is used.\n"
    "\n"
    "examples:\n"
    "  tresslin encode -s 20 -d \"Tresslin-128\" label.png\n"
    "  tresslin encode -s 1 -d 123-45 --text bottom label.gif\n"
    "  tresslin encode -s 20 -d ROTATED --rotate 90 --box --border 4 label.bmp\n"
    "\n"
    "exit status: 0 when the picture was written (a warning, if any, is printed on\n"
    "standard error), 1 when it was not (the reason is printed), 2 for a usage error.\n";

// DT_ flags of the text placement.
constexpr int DT_TOP = 0x0;
constexpr int DT_LEFT = 0x0;
constexpr int DT_CENTER = 0x1;
constexpr int DT_RIGHT = 0x2;
constexpr int DT_VCENTER = 0x4;
constexpr int DT_BOTTOM = 0x8;
constexpr int DEFAULT_CHAR_SIZE = 14;

struct Keyword {
  const char* name;
  int flags;
};
constexpr Keyword TEXT_PLACES[] = {{"top", DT_TOP}, {"bottom", DT_BOTTOM}, {"center", DT_VCENTER}};
constexpr Keyword TEXT_ALIGNMENTS[] = {{"left", DT_LEFT}, {"center", DT_CENTER}, {"right", DT_RIGHT}};

struct EncodeRequest {
  std::optional<int> symbology, whitespace, border, rotate, char_size;
  std::optional<int> text_place, text_alignment;
  std::optional<std::string> data, font, prefix, suffix;
  std::optional<COLORREF> fore_colour, back_colour;
  bool bind = false;
  bool box = false;
  std::string module;
  std::string output;
};

UsageError short_value(const char* value, std::optional<int>& out) {
  int parsed = 0;
  UsageError error = parse_int32(value, parsed);
  if (!error.empty()) return error;
  if (parsed < -32768 || parsed > 32767) return std::string("'") + value + "' is out of range -32768 to 32767";
  out = parsed;
  return {};
}

UsageError keyword(const char* value, std::span<const Keyword> keywords, std::optional<int>& out) {
  std::string choices;
  for (const Keyword& k : keywords) {
    if (std::strcmp(value, k.name) == 0) {
      out = k.flags;
      return {};
    }
    choices += choices.empty() ? k.name : std::string("|") + k.name;
  }
  return std::string("'") + value + "' is not one of " + choices;
}

UsageError colour(const char* value, std::optional<COLORREF>& out) {
  COLORREF parsed = 0;
  UsageError error = parse_rgb_colour(value, parsed);
  if (error.empty()) out = parsed;
  return error;
}

struct EncodeOption {
  const char* name;
  const char* alias;  // or null
  bool takes_value;
  std::function<UsageError(EncodeRequest&, const char* value)> apply;
};

UsageError set_text(std::optional<std::string>& field, const char* value) {
  field = value;
  return {};
}

const std::vector<EncodeOption>& encode_options() {
  using R = EncodeRequest;
  static const std::vector<EncodeOption> options = {
      {"--symbology", "-s", true, [](R& r, const char* v) { return short_value(v, r.symbology); }},
      {"--data", "-d", true, [](R& r, const char* v) { return set_text(r.data, v); }},
      {"--whitespace", nullptr, true, [](R& r, const char* v) { return short_value(v, r.whitespace); }},
      {"--border", nullptr, true, [](R& r, const char* v) { return short_value(v, r.border); }},
      {"--bind", nullptr, false, [](R& r, const char*) { return r.bind = true, UsageError{}; }},
      {"--box", nullptr, false, [](R& r, const char*) { return r.box = true, UsageError{}; }},
      {"--rotate", nullptr, true, [](R& r, const char* v) { return short_value(v, r.rotate); }},
      {"--text", nullptr, true, [](R& r, const char* v) { return keyword(v, TEXT_PLACES, r.text_place); }},
      {"--text-align", nullptr, true,
       [](R& r, const char* v) { return keyword(v, TEXT_ALIGNMENTS, r.text_alignment); }},
      {"--char-size", nullptr, true, [](R& r, const char* v) { return short_value(v, r.char_size); }},
      {"--font", nullptr, true, [](R& r, const char* v) { return set_text(r.font, v); }},
      {"--prefix", nullptr, true, [](R& r, const char* v) { return set_text(r.prefix, v); }},
      {"--suffix", nullptr, true, [](R& r, const char* v) { return set_text(r.suffix, v); }},
      {"--fg", nullptr, true, [](R& r, const char* v) { return colour(v, r.fore_colour); }},
      {"--bg", nullptr, true, [](R& r, const char* v) { return colour(v, r.back_colour); }},
      {"--module", nullptr, true, [](R& r, const char* v) { return r.module = v, UsageError{}; }},
  };
  return options;
}

const EncodeOption* find_encode_option(std::string_view name) {
  for (const EncodeOption& option : encode_options())
    if (name == option.name || (option.alias != nullptr && name == option.alias)) return &option;
  return nullptr;
}

// Options and their values in any order, and one OUTPUT; a later option
// overrides an earlier one.
UsageError parse_request(std::span<char* const> args, EncodeRequest& request) {
  std::vector<std::string> outputs;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (arg.size() < 2 || arg[0] != '-') {
      outputs.emplace_back(arg);
      continue;
    }
    const EncodeOption* option = find_encode_option(arg);
    if (option == nullptr) return "unknown option '" + std::string(arg) + "'";
    const char* value = nullptr;
    if (option->takes_value) {
      if (i + 1 == args.size()) return std::string(arg) + " needs a value";
      value = args[++i];
    }
    UsageError error = option->apply(request, value);
    if (!error.empty()) return std::string(arg) + ": " + error;
  }
  if (outputs.size() != 1) return outputs.empty() ? "the OUTPUT file name is missing" : "give one OUTPUT file name";
  if (request.bind && request.box) return "give --bind or --box, not both";
  request.output = outputs[0];
  return {};
}

// The settings the text options imply: a font height when text is asked
// for, a placement when only a height is given, and a border the text fits
// in when it goes above or below the bars.
void complete_text_settings(EncodeRequest& request) {
  bool text_asked = request.text_place || request.text_alignment;
  if (text_asked && !request.char_size) request.char_size = DEFAULT_CHAR_SIZE;
  if (!request.char_size || *request.char_size == 0) return;
  request.text_place = request.text_place.value_or(DT_BOTTOM);
  request.text_alignment = request.text_alignment.value_or(DT_CENTER);
  if (!request.border && *request.text_place != DT_VCENTER) request.border = (*request.char_size + 3) / 2 + 1;
}

struct Property {
  const char16_t* name;
  VARIANT value;
};

// The property puts of a request; each value is handed over when it is put,
// and whatever is left is freed with the list.
struct PropertyList {
  std::vector<Property> items;
  PropertyList() = default;
  PropertyList(const PropertyList&) = delete;
  PropertyList& operator=(const PropertyList&) = delete;
  ~PropertyList() {
    for (Property& property : items) VariantClear(&property.value);
  }
};

// The property puts of the request, in the order of the interface.
bool request_properties(const EncodeRequest& request, std::vector<Property>& properties, std::string& error) {
    auto number = [&](const char16_t* name, const std::optional<int>& value) {
    if (value) properties.push_back({name, long_value(*value)});
  };
  auto text = [&](const char16_t* name, const char* option, const std::optional<std::string>& value) {
    if (!value) return true;
    VARIANT v;
    if (!text_value(*value, v)) return error = std::string(option) + ": not valid UTF-8", false;
    properties.push_back({name, v});
    return true;
  };
  number(u"Symbology", request.symbology);
  number(u"WhiteSpaceWidth", request.whitespace);
  number(u"BorderWidth", request.border);
  if (request.bind || request.box) properties.push_back({u"OutputOptions", long_value(request.box ? 4 : 2)});
  number(u"RotateAngle", request.rotate);
  if (request.text_place || request.text_alignment)
    properties.push_back(
        {u"TextAlign", long_value(request.text_place.value_or(DT_BOTTOM) | request.text_alignment.value_or(DT_CENTER))});
  number(u"CharSize", request.char_size);
  if (!text(u"CharSet", "--font", request.font) || !text(u"CodedText", "--data", request.data) ||
      !text(u"Prefix", "--prefix", request.prefix) || !text(u"Surfix", "--suffix", request.suffix))
    return false;
  if (request.fore_colour) properties.push_back({u"ForeColor", long_value(static_cast<LONG>(*request.fore_colour))});
  if (request.back_colour) properties.push_back({u"BackColor", long_value(static_cast<LONG>(*request.back_colour))});
  return true;
}

int usage_error(const std::string& error) {
  std::fprintf(stderr, "tresslin encode: %s\nTry 'tresslin encode --help'.\n", error.c_str());
  return EXIT_USAGE;
}

int failure(const std::string& message) {
  std::fprintf(stderr, "tresslin encode: %s\n", message.c_str());
  return 1;
}

// Runs the script on the object: 1 when the picture was written.
int run_script(const AutomationClient& service, std::vector<Property>& properties, const std::string& output) {
  VARIANT result;
  HRESULT hr = service.call(u"InitWorkspace", {}, result);
  if (FAILED(hr)) return failure("InitWorkspace failed: " + hresult_text(hr));
  for (Property& property : properties) {
    hr = service.put(property.name, property.value);
    VariantInit(&property.value);
    // A refused text is explained by Encode2File's ErrorText below.
    if (FAILED(hr) && hr != DISP_E_EXCEPTION) {
      std::string name(property.name, property.name + std::char_traits<char16_t>::length(property.name));
      return failure(name + " cannot be set: " + hresult_text(hr));
    }
  }
  VARIANT file;
  if (!text_value(output, file)) return usage_error("the OUTPUT file name is not valid UTF-8");
  hr = service.call(u"Encode2File", {file}, result);
  if (FAILED(hr)) return failure("Encode2File failed: " + hresult_text(hr));
  bool written = result.vt == VT_I4 && result.lVal == 1;
  std::string message = service.text(u"ErrorText");
  VARIANT freed;
  service.call(u"FreeWorkspace", {}, freed);
  if (!written) return failure(message.empty() ? "the picture was not written" : message);
  if (!message.empty()) std::fprintf(stderr, "tresslin encode: %s\n", message.c_str());
  return 0;
}

}  // namespace

int run_encode_command(std::span<char* const> args) {
  if (wants_help(args)) {
    std::fputs(HELP, stdout);
    return 0;
  }
  EncodeRequest request;
  UsageError error = parse_request(args, request);
  if (!error.empty()) return usage_error(error);
  complete_text_settings(request);
  PropertyList properties;
  std::string problem;
  if (!request_properties(request, properties.items, problem)) return usage_error(problem);
  IDispatch* object = create_encode_service(request.module, problem);
  if (object == nullptr) return failure(problem);
  int status = run_script(AutomationClient(object), properties.items, request.output);
  object->Release();
  return status;
}
