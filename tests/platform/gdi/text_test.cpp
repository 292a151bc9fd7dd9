#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/platform/gdi/canvas.h"

namespace {

struct FontSpec {
  const char* face = "arial";
  LONG height = -20;
  LONG weight = FW_NORMAL;
  BYTE italic = 0;
  BYTE underline = 0;
  BYTE charset = ANSI_CHARSET;
};

HFONT make_font(const FontSpec& spec) {
  LOGFONTA attributes{};
  attributes.lfHeight = spec.height;
  attributes.lfWeight = spec.weight;
  attributes.lfItalic = spec.italic;
  attributes.lfUnderline = spec.underline;
  attributes.lfCharSet = spec.charset;
  std::strncpy(attributes.lfFaceName, spec.face, LF_FACESIZE - 1);
  return CreateFontIndirectA(&attributes);
}

// A canvas with a font of its own selected and transparent black text.
class TextCanvas : public Canvas {
 public:
  TextCanvas(int width, int height, const FontSpec& spec = {})
      : Canvas(width, height), font_(make_font(spec)) {
    previous_ = SelectObject(context(), font_);
    SetBkMode(context(), TRANSPARENT);
  }
  ~TextCanvas() {
    SelectObject(context(), previous_);
    DeleteObject(font_);
  }

  SIZE extent(const char* text) const {
    SIZE size{};
    EXPECT_TRUE(GetTextExtentPoint32A(context(), text, static_cast<int>(std::strlen(text)), &size));
    return size;
  }

  int draw(const char* text, RECT rect, UINT format) const {
    return DrawTextA(context(), text, -1, &rect, format);
  }

  std::vector<COLORREF> pixels(int width, int height) const {
    std::vector<COLORREF> all;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) all.push_back(GetPixel(context(), x, y));
    return all;
  }

 private:
  HFONT font_;
  HFONT previous_;
};

TEST(GdiFonts, KeepTheirAttributes) {
  EXPECT_EQ(CreateFontIndirectA(nullptr), nullptr);
  FontSpec spec{"Liberation Serif", 17, FW_BOLD, 1, 1, EASTEUROPE_CHARSET};
  HFONT font = make_font(spec);
  LOGFONTA read{};
  EXPECT_EQ(GetObjectA(font, 0, nullptr), int{sizeof(LOGFONTA)});
  ASSERT_EQ(GetObjectA(font, sizeof read, &read), int{sizeof read});
  EXPECT_EQ(read.lfHeight, 17);
  EXPECT_EQ(read.lfWeight, FW_BOLD);
  EXPECT_EQ(read.lfItalic, 1);
  EXPECT_EQ(read.lfUnderline, 1);
  EXPECT_EQ(read.lfCharSet, EASTEUROPE_CHARSET);
  EXPECT_STREQ(read.lfFaceName, "Liberation Serif");
  LONG height = 0;
  EXPECT_EQ(GetObjectA(font, sizeof height, &height), int{sizeof height});
  EXPECT_EQ(height, 17);
  DeleteObject(font);

  // A fresh context's font is the stock font, with a plain weight.
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_EQ(GetObjectA(GetCurrentObject(dc, OBJ_FONT), sizeof read, &read), int{sizeof read});
  EXPECT_EQ(read.lfWeight, FW_NORMAL);
  EXPECT_EQ(read.lfCharSet, ANSI_CHARSET);
  DeleteDC(dc);
}

TEST(GdiText, HeightFollowsThePlatformMeaning) {
  // Positive: the cell height. Negative: the character height, so the cell
  // (with its ascent and descent) is higher. Zero: a default size.
  EXPECT_EQ(TextCanvas(10, 10, {.height = 20}).extent("Hg").cy, 20);
  EXPECT_EQ(TextCanvas(10, 10, {.height = 33}).extent("").cy, 33);
  int character_20 = TextCanvas(10, 10, {.height = -20}).extent("Hg").cy;
  EXPECT_GT(character_20, 20);
  EXPECT_LT(character_20, 26);
  EXPECT_GT(TextCanvas(10, 10, {.height = 0}).extent("Hg").cy, 8);
  // Only the font decides the height; the width grows with the text.
  TextCanvas canvas(10, 10);
  EXPECT_EQ(canvas.extent("1").cy, canvas.extent("1111").cy);
  EXPECT_GT(canvas.extent("1111").cx, 3 * canvas.extent("1").cx);
  EXPECT_EQ(canvas.extent("").cx, 0);
}

TEST(GdiText, WindowsNamesResolveToInstalledFaces) {
  // "arial" finds the metric-compatible face; an unknown name the default
  // sans-serif face.
  const char* text = "Tresslin 0123";
  EXPECT_EQ(TextCanvas(10, 10, {.face = "arial"}).extent(text).cx,
            TextCanvas(10, 10, {.face = "Liberation Sans"}).extent(text).cx);
  TextCanvas unknown(200, 40, {.face = "No Such Face 123"});
  TextCanvas sans(200, 40, {.face = "sans-serif"});
  unknown.draw(text, {0, 0, 200, 40}, DT_SINGLELINE);
  sans.draw(text, {0, 0, 200, 40}, DT_SINGLELINE);
  EXPECT_GT(unknown.non_white().count, 50);
  EXPECT_EQ(unknown.pixels(200, 40), sans.pixels(200, 40));
}

TEST(GdiText, WeightItalicAndUnderlineChangeTheGlyphs) {
  const char* text = "Hello";
  auto drawn = [text](const FontSpec& spec) {
    TextCanvas canvas(120, 40, spec);
    canvas.draw(text, {0, 0, 120, 40}, DT_SINGLELINE);
    return std::make_pair(canvas.pixels(120, 40), canvas.non_white());
  };
  auto [regular, regular_box] = drawn({});
  auto [bold, bold_box] = drawn({.weight = FW_BOLD});
  auto [italic, italic_box] = drawn({.italic = 1});
  auto [underlined, underlined_box] = drawn({.underline = 1});
  EXPECT_GT(bold_box.count, regular_box.count * 11 / 10);
  EXPECT_NE(italic, regular);
  // The underline runs below the glyphs across the whole text.
  EXPECT_GT(underlined_box.bottom, regular_box.bottom);
  EXPECT_LE(underlined_box.left, regular_box.left + 1);
  EXPECT_GE(underlined_box.right, regular_box.right - 1);
}

TEST(GdiText, BytesMapThroughTheFontsCharacterSet) {
  // 0xA5 is the yen sign in Windows-1252 and A with ogonek in Windows-1250.
  auto drawn = [](BYTE charset, const char* text) {
    TextCanvas canvas(40, 40, {.charset = charset});
    canvas.draw(text, {0, 0, 40, 40}, DT_SINGLELINE);
    return canvas.pixels(40, 40);
  };
  EXPECT_NE(drawn(ANSI_CHARSET, "\xA5"), drawn(EASTEUROPE_CHARSET, "\xA5"));
  EXPECT_EQ(drawn(ANSI_CHARSET, "\xA5"), drawn(DEFAULT_CHARSET, "\xA5"));
  EXPECT_EQ(drawn(ANSI_CHARSET, "A"), drawn(EASTEUROPE_CHARSET, "A"));
}

TEST(GdiText, DrawTextPlacesTheLineByItsFlags) {
  // A 300 x 120 canvas, the rectangle inset by 10: the text's pixels must lie
  // in the third of the rectangle the flags name, in both directions.
  struct Case {
    UINT format;
    int column_third;
    int row_third;
  };
  const Case cases[] = {
      {DT_LEFT | DT_TOP, 0, 0},       {DT_CENTER | DT_TOP, 1, 0},  {DT_RIGHT | DT_TOP, 2, 0},
      {DT_LEFT | DT_VCENTER, 0, 1},   {DT_CENTER | DT_VCENTER, 1, 1},
      {DT_RIGHT | DT_BOTTOM, 2, 2},   {DT_CENTER | DT_BOTTOM, 1, 2},
  };
  const RECT rect{10, 10, 290, 110};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    TextCanvas canvas(300, 120);
    int returned = canvas.draw("123", rect, c.format | DT_SINGLELINE);
    SIZE size = canvas.extent("123");
    PixelBounds box = canvas.non_white();
    ASSERT_GT(box.count, 0);
    EXPECT_GE(box.left, 10 + c.column_third * 280 / 3);
    EXPECT_LT(box.right, 10 + (c.column_third + 1) * 280 / 3);
    EXPECT_GE(box.top, 10 + c.row_third * 100 / 3);
    EXPECT_LT(box.bottom, 10 + (c.row_third + 1) * 100 / 3);
    EXPECT_LE(box.right - box.left, size.cx);
    EXPECT_EQ(returned, c.row_third == 2 ? 100 : c.row_third == 0 ? size.cy : returned);
  }
}

TEST(GdiText, DrawTextIsCutAtTheRectangleAndTheBitmap) {
  TextCanvas clipped(200, 60);
  clipped.draw("88888888", {20, 10, 40, 50}, DT_SINGLELINE);
  PixelBounds box = clipped.non_white();
  ASSERT_GT(box.count, 0);
  EXPECT_GE(box.left, 20);
  EXPECT_LT(box.right, 40);

  TextCanvas unclipped(200, 60);
  unclipped.draw("88888888", {20, 10, 40, 50}, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(unclipped.non_white().right, 60);

  // Rectangles that hang over the bitmap's edges, or lie outside it.
  const RECT beyond[] = {{-30, -15, 20, 10}, {180, 40, 400, 100}, {0, 60, 200, 100},
                         {-1000, -1000, -900, -900}};
  for (const RECT& rect : beyond) {
    TextCanvas edge(200, 60);
    edge.draw("WWWW", rect, DT_SINGLELINE | DT_NOCLIP);
    PixelBounds inside = edge.non_white();
    if (inside.count == 0) continue;
    EXPECT_GE(inside.left, std::max<LONG>(rect.left, 0));
    EXPECT_GE(inside.top, std::max<LONG>(rect.top, 0));
  }
  TextCanvas below(200, 60);
  below.draw("WWWW", {0, 60, 200, 100}, DT_SINGLELINE);
  EXPECT_EQ(below.non_white().count, 0);
}

TEST(GdiText, OpaqueModePaintsTheBackgroundBox) {
  auto red_left = [](int mode) {
    TextCanvas canvas(80, 40);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 80; ++x) SetPixel(canvas.context(), x, y, RGB(255, 0, 0));
    SetBkMode(canvas.context(), mode);
    canvas.draw("ii", {0, 0, 80, 40}, DT_SINGLELINE);
    int red = 0;
    for (COLORREF c : canvas.pixels(80, 40)) red += c == RGB(255, 0, 0);
    return red;
  };
  // The glyphs cover the same pixels; the box adds the cell's other pixels.
  int transparent = red_left(TRANSPARENT);
  int opaque = red_left(OPAQUE);
  EXPECT_GT(transparent, opaque + 50);
  EXPECT_GT(opaque, 2000);
}

TEST(GdiText, TextColourAndBlending) {
  TextCanvas canvas(60, 40, {.height = -30});
  SetTextColor(canvas.context(), RGB(0, 0, 255));
  canvas.draw("I", {0, 0, 60, 40}, DT_SINGLELINE);
  bool full = false;
  for (COLORREF c : canvas.pixels(60, 40)) {
    EXPECT_EQ(GetBValue(c), 255);  // blue over white: only red and green fade
    full = full || c == RGB(0, 0, 255);
  }
  EXPECT_TRUE(full);
}

TEST(GdiText, HugeSizesAreCutToTheBitmap) {
  for (LONG height : {32767, -32768, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE(height);
    TextCanvas canvas(120, 80, {.height = height});
    SIZE size = canvas.extent("W");
    EXPECT_GE(size.cy, 32767);
    EXPECT_GT(canvas.draw("WA", {-5000, -30000, 120, 80}, DT_SINGLELINE), 0);
  }
  // The stem of a centred "I" covers the whole bitmap.
  TextCanvas canvas(120, 80, {.height = -32768});
  canvas.draw("I", {0, 0, 120, 80}, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  EXPECT_EQ(canvas.non_white().count, 120 * 80);
}

TEST(GdiText, BadArgumentsFail) {
  TextCanvas canvas(20, 20);
  RECT rect{0, 0, 20, 20};
  SIZE size{};
  EXPECT_EQ(GetTextExtentPoint32A(canvas.context(), "A", -1, &size), FALSE);
  EXPECT_EQ(GetTextExtentPoint32A(canvas.context(), "A", 1, nullptr), FALSE);
  EXPECT_EQ(GetTextExtentPoint32A(canvas.context(), nullptr, 1, &size), FALSE);
  EXPECT_EQ(DrawTextA(canvas.context(), nullptr, 1, &rect, DT_SINGLELINE), 0);
  EXPECT_EQ(DrawTextA(canvas.context(), "A", -2, &rect, DT_SINGLELINE), 0);
  EXPECT_EQ(DrawTextA(canvas.context(), "A", 1, nullptr, DT_SINGLELINE), 0);
  EXPECT_EQ(SetBkMode(canvas.context(), 7), 0);
}

}  // namespace
