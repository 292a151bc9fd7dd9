// Glyphs for logical fonts: faces found through fontconfig and rasterised by
// FreeType. Nothing starts, and neither library is loaded (font_libraries.h),
// before the first text is measured or drawn; each face is then looked up
// once and kept for the process. Every call is made under a GdiLock.
#pragma once

#include <string>
#include <string_view>

#include "platform/gdi/bitmap.h"

struct FontFace;

// A clip rectangle in bitmap pixels, right and bottom exclusive.
struct PixelBox {
  long long left;
  long long top;
  long long right;
  long long bottom;

  bool empty() const { return left >= right || top >= bottom; }
};

PixelBox intersect(const PixelBox& a, const PixelBox& b);

// One line of text in one logical font at its pixel size. Measuring and
// drawing use the same glyph advances.
class TextLine {
 public:
  // False when no face can be had for the font.
  bool open(const LOGFONTA& font, std::string_view text);

  long long width() const { return width_; }
  int height() const { return ascent_ + descent_; }

  // Draws the glyphs (and underline) with the top of the line's cell at
  // (x, y), blending color by glyph coverage, inside clip.
  void draw(Bitmap& target, long long x, long long y, const PixelBox& clip, COLORREF color) const;

 private:
  FontFace* face_ = nullptr;
  std::u32string characters_;
  bool underline_ = false;
  int ascent_ = 0;
  int descent_ = 0;
  int underline_offset_ = 0;
  int underline_thickness_ = 0;
  long long width_ = 0;
};

// Whether the font machinery has been started in this process.
bool font_engine_running();
