#include "platform/gdi/font_engine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>

#include "platform/gdi/font_libraries.h"
#include "platform/gdi/gdi.h"
#include "platform/kernel/codepage.h"

namespace {

// The largest character size the component's 16-bit settings can ask for;
// larger requests are drawn at this size.
constexpr long long MAX_FONT_PIXELS = 32767;
// The character height of a font created with height 0 (12 points at 96 dpi).
constexpr double DEFAULT_CHARACTER_PIXELS = 16;
constexpr int BOLD_FROM_WEIGHT = 600;
// FreeType reports span positions as 16-bit values: glyphs are drawn in
// column strips narrower than that.
constexpr long long STRIP_WIDTH = 16384;

bool engine_started = false;

// The libraries' entry points, for code that holds a face or the FreeType
// library: those exist only once the libraries are loaded.
const FontLibraries& fonts() { return *font_libraries(); }

}  // namespace

struct FontFace {
  FT_Face face = nullptr;
  bool synthetic_bold = false;
  bool synthetic_italic = false;

  FontFace() = default;
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;
  ~FontFace() {
    if (face != nullptr) fonts().FT_Done_Face(face);
  }
};

namespace {

// The face requested by a logical font: family (lower case), weight, italic.
using FaceKey = std::tuple<std::string, int, bool>;

// FreeType and fontconfig for the rest of the process, and every face looked
// up so far (a failed lookup is kept as null). Released at exit, so that
// leak checkers see nothing of it.
class FontEngine {
 public:
  static FontEngine& instance() {
    static FontEngine engine;
    return engine;
  }

  FT_Library library() const { return library_; }

  FontFace* face(const LOGFONTA& font) {
    int weight = font.lfWeight <= 0 ? FW_NORMAL : std::min<LONG>(font.lfWeight, 1000);
    FaceKey key{lower_case(font.lfFaceName), weight, font.lfItalic != 0};
    auto found = faces_.find(key);
    if (found == faces_.end()) found = faces_.emplace(key, look_up(key)).first;
    return found->second.get();
  }

 private:
  FontEngine() {
    engine_started = true;
    if (font_libraries() == nullptr) return;
    fontconfig_ = fonts().FcInit() == FcTrue;
    if (fonts().FT_Init_FreeType(&library_) != 0) library_ = nullptr;
  }

  ~FontEngine() {
    faces_.clear();
    if (library_ != nullptr) fonts().FT_Done_FreeType(library_);
    if (fontconfig_) fonts().FcFini();
  }

  static std::string lower_case(const char* name) {
    std::string text(name, strnlen(name, LF_FACESIZE));
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  }

  // The closest installed face: fontconfig's aliases map the platform's
  // family names to metric-compatible faces, and an unknown name falls back
  // to the default sans-serif face.
  std::unique_ptr<FontFace> look_up(const FaceKey& key) const {
    if (!fontconfig_ || library_ == nullptr) return nullptr;
    const auto& [family, weight, italic] = key;
    FcPattern* pattern = fonts().FcPatternCreate();
    if (pattern == nullptr) return nullptr;
    if (!family.empty()) {
      fonts().FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    }
    fonts().FcPatternAddInteger(pattern, FC_WEIGHT, fonts().FcWeightFromOpenType(weight));
    fonts().FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    fonts().FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    fonts().FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    fonts().FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = fonts().FcFontMatch(nullptr, pattern, &result);
    fonts().FcPatternDestroy(pattern);
    if (match == nullptr) return nullptr;
    std::unique_ptr<FontFace> face = open_match(match, weight, italic);
    fonts().FcPatternDestroy(match);
    return face;
  }

  std::unique_ptr<FontFace> open_match(FcPattern* match, int weight, bool italic) const {
    FcChar8* file = nullptr;
    int index = 0;
    int matched_weight = FC_WEIGHT_REGULAR;
    int matched_slant = FC_SLANT_ROMAN;
    if (fonts().FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch) return nullptr;
    fonts().FcPatternGetInteger(match, FC_INDEX, 0, &index);
    fonts().FcPatternGetInteger(match, FC_WEIGHT, 0, &matched_weight);
    fonts().FcPatternGetInteger(match, FC_SLANT, 0, &matched_slant);

    auto face = std::make_unique<FontFace>();
    if (fonts().FT_New_Face(library_, reinterpret_cast<const char*>(file), index, &face->face) != 0) {
      face->face = nullptr;
      return nullptr;
    }
    if (!FT_IS_SCALABLE(face->face) || face->face->units_per_EM == 0) return nullptr;
    face->synthetic_bold = weight >= BOLD_FROM_WEIGHT && matched_weight < FC_WEIGHT_DEMIBOLD;
    face->synthetic_italic = italic && matched_slant == FC_SLANT_ROMAN;
    return face;
  }

  FT_Library library_ = nullptr;
  bool fontconfig_ = false;
  std::map<FaceKey, std::unique_ptr<FontFace>> faces_;
};

// The face's ascent and descent in font units, as the platform measures a
// cell: the OS/2 table's Windows metrics, else the horizontal header.
std::pair<double, double> cell_in_font_units(FT_Face face) {
  const auto* os2 = static_cast<const TT_OS2*>(fonts().FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    return {os2->usWinAscent, os2->usWinDescent};
  }
  if (face->ascender - face->descender > 0) return {face->ascender, -face->descender};
  return {face->units_per_EM * 0.8, face->units_per_EM * 0.2};
}

UINT codepage_of(BYTE charset) {
  return charset == EASTEUROPE_CHARSET ? CP_WINDOWS_1250 : CP_WINDOWS_1252;
}

FT_GlyphSlot load_glyph(const FontFace& face, char32_t character) {
  FT_UInt index = fonts().FT_Get_Char_Index(face.face, character);
  if (fonts().FT_Load_Glyph(face.face, index, FT_LOAD_NO_BITMAP) != 0) return nullptr;
  FT_GlyphSlot slot = face.face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return nullptr;
  if (face.synthetic_bold) fonts().FT_GlyphSlot_Embolden(slot);
  if (face.synthetic_italic) fonts().FT_GlyphSlot_Oblique(slot);
  return slot;
}

long long advance_of(FT_GlyphSlot slot) { return (slot->advance.x + 32) >> 6; }

COLORREF blend(COLORREF under, COLORREF over, int coverage) {
  auto channel = [coverage](int a, int b) {
    return static_cast<BYTE>((a * (255 - coverage) + b * coverage + 127) / 255);
  };
  return RGB(channel(GetRValue(under), GetRValue(over)), channel(GetGValue(under), GetGValue(over)),
             channel(GetBValue(under), GetBValue(over)));
}

// Where the spans of one strip of a glyph land in the bitmap: span column x
// is bitmap column left + x, scanline y (upwards) is row bottom - 1 - y.
struct SpanTarget {
  Bitmap* bitmap;
  long long left;
  long long bottom;
  COLORREF color;
};

void draw_spans(int y, int count, const FT_Span* spans, void* user) {
  const auto& target = *static_cast<const SpanTarget*>(user);
  int row = static_cast<int>(target.bottom - 1 - y);
  for (int i = 0; i < count; ++i) {
    for (int k = 0; k < spans[i].len; ++k) {
      int column = static_cast<int>(target.left + spans[i].x + k);
      if (!target.bitmap->contains(column, row)) continue;
      COLORREF under = target.bitmap->pixel(column, row);
      target.bitmap->set_pixel(column, row, blend(under, target.color, spans[i].coverage));
    }
  }
}

// Rasterises the glyph in slot, its origin at (pen_x, baseline), into the
// part of the bitmap inside clip. Only that part is ever rasterised, so the
// work is bounded by the clip, not by the glyph's size.
void draw_glyph(FT_Library library, FT_GlyphSlot slot, Bitmap& bitmap, long long pen_x,
                long long baseline, const PixelBox& clip, COLORREF color) {
  FT_Outline& outline = slot->outline;
  if (outline.n_points == 0) return;
  FT_BBox box;
  fonts().FT_Outline_Get_CBox(&outline, &box);
  PixelBox glyph{pen_x + (box.xMin >> 6), baseline - ((box.yMax + 63) >> 6),
                 pen_x + ((box.xMax + 63) >> 6), baseline - (box.yMin >> 6)};
  PixelBox visible = intersect(glyph, clip);
  if (visible.empty()) return;

  // Scanline 0 becomes the visible box's bottom row; each strip then moves
  // the outline so that span column 0 is the strip's left column.
  fonts().FT_Outline_Translate(&outline, 0, (visible.bottom - baseline) * 64);
  long long shifted_x = 0;
  for (long long left = visible.left; left < visible.right; left += STRIP_WIDTH) {
    long long right = std::min(left + STRIP_WIDTH, visible.right);
    fonts().FT_Outline_Translate(&outline, (pen_x - left - shifted_x) * 64, 0);
    shifted_x = pen_x - left;

    SpanTarget target{&bitmap, left, visible.bottom, color};
    FT_Raster_Params params{};
    params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT | FT_RASTER_FLAG_CLIP;
    params.gray_spans = draw_spans;
    params.user = &target;
    params.clip_box = {0, 0, static_cast<FT_Pos>(right - left),
                       static_cast<FT_Pos>(visible.bottom - visible.top)};
    fonts().FT_Outline_Render(library, &outline, &params);
  }
}

void fill_box(Bitmap& bitmap, const PixelBox& box, COLORREF color) {
  for (long long y = box.top; y < box.bottom; ++y) {
    for (long long x = box.left; x < box.right; ++x) {
      bitmap.set_pixel(static_cast<int>(x), static_cast<int>(y), color);
    }
  }
}

}  // namespace

PixelBox intersect(const PixelBox& a, const PixelBox& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

bool TextLine::open(const LOGFONTA& font, std::string_view text) {
  FontEngine& engine = FontEngine::instance();
  face_ = engine.face(font);
  if (face_ == nullptr) return false;
  FT_Face face = face_->face;

  // Height: negative is the character (em) height, positive the cell height.
  auto [cell_ascent, cell_descent] = cell_in_font_units(face);
  double units = face->units_per_EM;
  long long requested = std::clamp<long long>(font.lfHeight, -MAX_FONT_PIXELS, MAX_FONT_PIXELS);
  double em = DEFAULT_CHARACTER_PIXELS;
  if (requested < 0) em = static_cast<double>(-requested);
  if (requested > 0) em = requested * units / (cell_ascent + cell_descent);
  em = std::max(em, 1.0);

  FT_Size_RequestRec size{};
  size.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
  size.height = std::lround(em * 64);
  if (fonts().FT_Request_Size(face, &size) != 0) return false;

  if (requested > 0) {
    ascent_ = static_cast<int>(std::lround(requested * cell_ascent / (cell_ascent + cell_descent)));
    descent_ = static_cast<int>(requested) - ascent_;
  } else {
    ascent_ = static_cast<int>(std::lround(cell_ascent * em / units));
    descent_ = static_cast<int>(std::lround(cell_descent * em / units));
  }
  underline_ = font.lfUnderline != 0;
  underline_thickness_ =
      std::max(1, static_cast<int>(std::lround(face->underline_thickness * em / units)));
  underline_offset_ = static_cast<int>(std::lround(-face->underline_position * em / units)) -
                      underline_thickness_ / 2;

  UINT codepage = codepage_of(font.lfCharSet);
  characters_.clear();
  width_ = 0;
  for (char byte : text) {
    char32_t character = ansi_to_unicode(static_cast<unsigned char>(byte), codepage);
    characters_.push_back(character);
    if (FT_GlyphSlot slot = load_glyph(*face_, character)) width_ += advance_of(slot);
  }
  return true;
}

void TextLine::draw(Bitmap& target, long long x, long long y, const PixelBox& clip,
                    COLORREF color) const {
  PixelBox bounds{0, 0, target.width(), target.height()};
  PixelBox visible = intersect(clip, bounds);
  if (visible.empty()) return;
  FT_Library library = FontEngine::instance().library();
  long long baseline = y + ascent_;
  long long pen = x;
  for (char32_t character : characters_) {
    FT_GlyphSlot slot = load_glyph(*face_, character);
    if (slot == nullptr) continue;
    long long advance = advance_of(slot);
    draw_glyph(library, slot, target, pen, baseline, visible, color);
    pen += advance;
  }
  if (underline_) {
    long long top = baseline + underline_offset_;
    fill_box(target, intersect({x, top, x + width_, top + underline_thickness_}, visible), color);
  }
}

bool font_engine_running() { return engine_started; }
