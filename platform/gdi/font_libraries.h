// FreeType and fontconfig, mapped into the process when the first text is
// measured or drawn rather than when the module is loaded: a picture without
// text never pays for them. Their entry points are reached through this
// table; the two libraries stay loaded for the rest of the process.
#pragma once

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

struct FontLibraries {
  decltype(&::FcInit) FcInit;
  decltype(&::FcFini) FcFini;
  decltype(&::FcPatternCreate) FcPatternCreate;
  decltype(&::FcPatternDestroy) FcPatternDestroy;
  decltype(&::FcPatternAddString) FcPatternAddString;
  decltype(&::FcPatternAddInteger) FcPatternAddInteger;
  decltype(&::FcPatternAddBool) FcPatternAddBool;
  decltype(&::FcPatternGetString) FcPatternGetString;
  decltype(&::FcPatternGetInteger) FcPatternGetInteger;
  decltype(&::FcConfigSubstitute) FcConfigSubstitute;
  decltype(&::FcDefaultSubstitute) FcDefaultSubstitute;
  decltype(&::FcFontMatch) FcFontMatch;
  decltype(&::FcWeightFromOpenType) FcWeightFromOpenType;

  decltype(&::FT_Init_FreeType) FT_Init_FreeType;
  decltype(&::FT_Done_FreeType) FT_Done_FreeType;
  decltype(&::FT_New_Face) FT_New_Face;
  decltype(&::FT_Done_Face) FT_Done_Face;
  decltype(&::FT_Get_Sfnt_Table) FT_Get_Sfnt_Table;
  decltype(&::FT_Request_Size) FT_Request_Size;
  decltype(&::FT_Get_Char_Index) FT_Get_Char_Index;
  decltype(&::FT_Load_Glyph) FT_Load_Glyph;
  decltype(&::FT_GlyphSlot_Embolden) FT_GlyphSlot_Embolden;
  decltype(&::FT_GlyphSlot_Oblique) FT_GlyphSlot_Oblique;
  decltype(&::FT_Outline_Get_CBox) FT_Outline_Get_CBox;
  decltype(&::FT_Outline_Translate) FT_Outline_Translate;
  decltype(&::FT_Outline_Render) FT_Outline_Render;
};

// The entry points, loaded on the first call; null, then and on every later
// call, when a library or one of its functions cannot be had. The caller
// holds a GdiLock.
const FontLibraries* font_libraries();
