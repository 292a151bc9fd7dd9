#include "com/text_settings.h"

#include <cstring>
#include <string>

#include "engine/barcode_symbol.h"
#include "platform/com/bstr.h"
#include "platform/kernel/codepage.h"

namespace {

struct SettingField {
  const char* property;
  std::size_t longest;  // characters the engine can encode or draw
  const char* too_long;
};

// In TextSetting order. CharSet, Prefix and Surfix are copied into the
// record's font_name, prefix and suffix, which hold 31, 15 and 15 characters.
constexpr SettingField FIELDS[] = {
    {"CharSet", FONT_NAME_SIZE - 1, "error: CharSet is longer than 31 characters"},
    {"CodedText", DATA_TEXT_SIZE - 1, "error: CodedText is longer than 99 characters"},
    {"Prefix", AFFIX_SIZE - 1, "error: Prefix is longer than 15 characters"},
    {"Surfix", AFFIX_SIZE - 1, "error: Surfix is longer than 15 characters"},
};
constexpr const char* NOT_REPRESENTABLE[] = {
    "error: CharSet holds a character that Windows-1252 cannot represent",
    "error: CodedText holds a character that Windows-1252 cannot represent",
    "error: Prefix holds a character that Windows-1252 cannot represent",
    "error: Surfix holds a character that Windows-1252 cannot represent",
};
constexpr const char* HOLDS_ZERO[] = {
    "error: CharSet holds a zero character",
    "error: CodedText holds a zero character",
    "error: Prefix holds a zero character",
    "error: Surfix holds a zero character",
};
constexpr int SETTING_COUNT = sizeof FIELDS / sizeof FIELDS[0];
static_assert(sizeof NOT_REPRESENTABLE / sizeof NOT_REPRESENTABLE[0] == SETTING_COUNT);
static_assert(sizeof HOLDS_ZERO / sizeof HOLDS_ZERO[0] == SETTING_COUNT);
static_assert(sizeof Workspace::char_set_value > FONT_NAME_SIZE - 1);
static_assert(sizeof Workspace::prefix_value > AFFIX_SIZE - 1);
static_assert(sizeof Workspace::surfix_value > AFFIX_SIZE - 1);

// The refusal message of each setting, null when its value was taken.
const char* refusals[SETTING_COUNT] = {};

char* field_of(TextSetting setting) {
  switch (setting) {
    case TextSetting::CHAR_SET: return workspace.char_set_value;
    case TextSetting::CODED_TEXT: return workspace.symbol.data_text;
    case TextSetting::PREFIX: return workspace.prefix_value;
    case TextSetting::SURFIX: return workspace.surfix_value;
  }
  return nullptr;
}

}  // namespace

HRESULT put_text_setting(TextSetting setting, BSTR value) {
  int index = static_cast<int>(setting);
  std::u16string_view text = bstr_view(value);
  std::string converted;
  const char* refusal = nullptr;
  if (text.find(u'\0') != std::u16string_view::npos)
    refusal = HOLDS_ZERO[index];
  else if (!ansi_from_utf16(text, converted))
    refusal = NOT_REPRESENTABLE[index];
  else if (converted.size() > FIELDS[index].longest)
    refusal = FIELDS[index].too_long;
  refusals[index] = refusal;
  if (refusal != nullptr) return E_INVALIDARG;
  char* field = field_of(setting);
  std::memcpy(field, converted.c_str(), converted.size() + 1);
  return S_OK;
}

std::size_t capacity_of(TextSetting setting) {
  switch (setting) {
    case TextSetting::CHAR_SET: return sizeof workspace.char_set_value;
    case TextSetting::CODED_TEXT: return sizeof workspace.symbol.data_text;
    case TextSetting::PREFIX: return sizeof workspace.prefix_value;
    case TextSetting::SURFIX: return sizeof workspace.surfix_value;
  }
  return 0;
}

BSTR get_text_setting(TextSetting setting) {
  const char* field = field_of(setting);
  return bstr_from(utf16_from_ansi(std::string_view(field, strnlen(field, capacity_of(setting)))));
}

const char* refused_setting_message() {
  for (const char* refusal : refusals)
    if (refusal != nullptr) return refusal;
  return nullptr;
}

void clear_refused_settings() {
  for (const char*& refusal : refusals) refusal = nullptr;
}
