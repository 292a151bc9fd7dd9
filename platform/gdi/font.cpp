#include "platform/gdi/font.h"

#include <cstring>

#include "platform/gdi/gdi.h"

LOGFONTA default_font() {
  LOGFONTA font{};
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = ANSI_CHARSET;
  std::strcpy(font.lfFaceName, "sans-serif");
  return font;
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
  if (font == nullptr) return nullptr;
  LOGFONTA attributes = *font;
  attributes.lfFaceName[LF_FACESIZE - 1] = '\0';
  GdiLock lock;
  return to_handle<HFONT>(object_table().add(std::make_unique<Font>(attributes)));
}
