#include "platform/gdi/font_libraries.h"

#include <dlfcn.h>

namespace {

// The libraries' ABI versions, as the run-time packages install them.
constexpr char FREETYPE_LIBRARY[] = "libfreetype.so.6";
constexpr char FONTCONFIG_LIBRARY[] = "libfontconfig.so.1";

template <class Function>
bool bind(void* library, const char* name, Function& entry) {
  entry = reinterpret_cast<Function>(dlsym(library, name));
  return entry != nullptr;
}

// Each entry under its own name.
#define TX_BIND(library, name) bind(library, #name, to.name)

bool bind_fontconfig(void* fc, FontLibraries& to) {
  return TX_BIND(fc, FcInit) && TX_BIND(fc, FcFini) && TX_BIND(fc, FcPatternCreate) &&
         TX_BIND(fc, FcPatternDestroy) && TX_BIND(fc, FcPatternAddString) && TX_BIND(fc, FcPatternAddInteger) &&
         TX_BIND(fc, FcPatternAddBool) && TX_BIND(fc, FcPatternGetString) && TX_BIND(fc, FcPatternGetInteger) &&
         TX_BIND(fc, FcConfigSubstitute) && TX_BIND(fc, FcDefaultSubstitute) && TX_BIND(fc, FcFontMatch) &&
         TX_BIND(fc, FcWeightFromOpenType);
}

bool bind_freetype(void* ft, FontLibraries& to) {
  return TX_BIND(ft, FT_Init_FreeType) && TX_BIND(ft, FT_Done_FreeType) && TX_BIND(ft, FT_New_Face) &&
         TX_BIND(ft, FT_Done_Face) && TX_BIND(ft, FT_Get_Sfnt_Table) && TX_BIND(ft, FT_Request_Size) &&
         TX_BIND(ft, FT_Get_Char_Index) && TX_BIND(ft, FT_Load_Glyph) && TX_BIND(ft, FT_GlyphSlot_Embolden) &&
         TX_BIND(ft, FT_GlyphSlot_Oblique) && TX_BIND(ft, FT_Outline_Get_CBox) &&
         TX_BIND(ft, FT_Outline_Translate) && TX_BIND(ft, FT_Outline_Render);
}

#undef TX_BIND

// Loaded once and never unloaded: faces and the font configuration live as
// long as the process.
bool load(FontLibraries& to) {
  void* freetype = dlopen(FREETYPE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  void* fontconfig = dlopen(FONTCONFIG_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  return freetype != nullptr && fontconfig != nullptr && bind_freetype(freetype, to) &&
         bind_fontconfig(fontconfig, to);
}

}  // namespace

const FontLibraries* font_libraries() {
  static FontLibraries libraries{};
  static const bool loaded = load(libraries);
  return loaded ? &libraries : nullptr;
}
