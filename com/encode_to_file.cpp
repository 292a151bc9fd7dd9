#include "com/encode_to_file.h"

#include <cstring>
#include <optional>
#include <string>

#include "com/exact_palette.h"
#include "com/text_settings.h"
#include "engine/dispatch.h"
#include "engine/result.h"
#include "image/tximage.h"
#include "platform/com/bstr.h"
#include "render/renderer.h"

namespace {

constexpr const char* NO_FORMAT = "error: the file name's extension chooses no image format (BMP, GIF or PNG)";
constexpr const char* NOT_UNICODE = "error: the file name is not valid UTF-16 text";
constexpr const char* CANNOT_CREATE = "error: the file cannot be created";

bool refuse(BarcodeSymbol& symbol, const char* message) {
  fail(symbol, RESULT_INVALID_INPUT, message);
  return false;
}

bool refuse_image(BarcodeSymbol& symbol, const TxImage& image) {
  const char* reason = image.GetLastError();
  if (reason == nullptr || *reason == '\0') return refuse(symbol, CANNOT_CREATE);
  return refuse(symbol, ("error: " + std::string(reason)).c_str());
}

// Setting texts were checked when they were set: they fit their fields.
void copy_setting(char* field, std::size_t size, const char* value) {
  std::size_t length = strnlen(value, size - 1);
  std::memcpy(field, value, length);
  field[length] = '\0';
}

bool equal_ignoring_ascii_case(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c != upper[i]) return false;
  }
  return true;
}

// The format of the text after the last "." of the whole name; a name with
// no "." or only a leading one gets ".PNG" and is saved as PNG.
DWORD choose_format(std::string& name) {
  std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) {
    name += ".PNG";
    return FORMAT_PNG;
  }
  std::string_view extension = std::string_view(name).substr(dot + 1);
  if (equal_ignoring_ascii_case(extension, "BMP")) return FORMAT_BMP;
  if (equal_ignoring_ascii_case(extension, "PNG")) return FORMAT_PNG;
  if (equal_ignoring_ascii_case(extension, "GIF")) return FORMAT_GIF;
  return FORMAT_UNKNOWN;
}

}  // namespace

bool encode_workspace_to_file(std::u16string_view file_name) {
  BarcodeSymbol& symbol = workspace.symbol;
  symbol.error_text[0] = '\0';
  if (const char* refusal = refused_setting_message()) return refuse(symbol, refusal);
  // File names are handed to the file system in its own encoding, UTF-8.
  std::optional<std::string> name = utf8_from_utf16(file_name);
  if (!name || name->find('\0') != std::string::npos) return refuse(symbol, NOT_UNICODE);

  copy_setting(symbol.font_name, sizeof symbol.font_name, workspace.char_set_value);
  copy_setting(symbol.prefix, sizeof symbol.prefix, workspace.prefix_value);
  copy_setting(symbol.suffix, sizeof symbol.suffix, workspace.surfix_value);
  if (is_error(encode_symbol(symbol, symbol.data_text))) return false;
  HBITMAP bitmap = paint_symbol(symbol);
  if (bitmap == nullptr) return false;

  DWORD format = choose_format(*name);
  if (format == FORMAT_UNKNOWN) return refuse(symbol, NO_FORMAT);
  TxImage image;
  if (!image.CreateFromHBITMAP(bitmap, nullptr)) return refuse_image(symbol, image);
  // A GIF of at most 256 colours is written as one image, not a mosaic.
  TxImage indexed;
  TxImage& picture = format == FORMAT_GIF && make_exact_palette_image(image, indexed) ? indexed : image;
  if (!picture.Save(name->c_str(), format)) return refuse_image(symbol, picture);
  return true;
}
