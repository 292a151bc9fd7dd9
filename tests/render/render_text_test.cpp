#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>

#include "render/renderer.h"
#include "tests/render/picture.h"

namespace {

class RenderText : public RenderTest {
 protected:
  // Code 11 "123": 54 modules; with border 10 the picture is 228 x 100, the
  // bands 20 pixels high.
  RenderText() {
    std::strcpy(symbol.data_text, "123");
    symbol.border_width = 10;
  }

  // The picture with and without the text settings applied.
  std::pair<Picture, Picture> render_with_and_without(int char_size, int align) {
    BarcodeSymbol settings = symbol;
    symbol.char_size = 0;
    Picture plain = read_picture(render_symbol(symbol));
    symbol = settings;
    symbol.char_size = char_size;
    symbol.text_align = align;
    Picture text = read_picture(render_symbol(symbol));
    symbol = settings;
    return {plain, text};
  }
};

TEST_F(RenderText, TextLandsInTheBandAndThirdItsFlagsName) {
  struct Case {
    int align;
    int first_row;
    int last_row;   // exclusive
    int third;      // 0 left, 1 centre, 2 right
  };
  const Case cases[] = {
      {DT_CENTER | DT_BOTTOM, 80, 100, 1},
      {DT_LEFT | DT_TOP, 0, 20, 0},
      {DT_RIGHT | DT_TOP, 0, 20, 2},
      {DT_RIGHT | DT_VCENTER, 35, 65, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.align);
    auto [plain, text] = render_with_and_without(12, c.align);
    ASSERT_EQ(text.width, 228);
    Difference d = difference(plain, text);
    ASSERT_GT(d.count, 10);
    EXPECT_GE(d.top, c.first_row);
    EXPECT_LT(d.bottom, c.last_row);
    EXPECT_GE(d.left, c.third * 228 / 3);
    EXPECT_LT(d.right, (c.third + 1) * 228 / 3);
  }
}

TEST_F(RenderText, TextBelowThePictureIsCutOff) {
  symbol.border_width = 0;
  auto [plain, text] = render_with_and_without(12, DT_CENTER | DT_BOTTOM);
  EXPECT_EQ(plain, text);
}

TEST_F(RenderText, CharSizeZeroDrawsNothing) {
  std::strcpy(symbol.prefix, "<<");
  std::strcpy(symbol.suffix, ">>");
  auto [plain, text] = render_with_and_without(0, DT_CENTER | DT_BOTTOM);
  EXPECT_EQ(plain, text);
}

TEST_F(RenderText, PrefixAndSuffixSurroundTheDataText) {
  auto [plain, bare] = render_with_and_without(12, DT_CENTER | DT_BOTTOM);
  std::strcpy(symbol.prefix, "<<<");
  std::strcpy(symbol.suffix, ">>>");
  auto [unused, dressed] = render_with_and_without(12, DT_CENTER | DT_BOTTOM);
  Difference b = difference(plain, bare);
  Difference d = difference(plain, dressed);
  EXPECT_LT(d.left, b.left - 10);
  EXPECT_GT(d.right, b.right + 10);
  // Only the affixes when the data text is empty: nothing in the middle.
  symbol.data_text[0] = '\0';
  Picture affixes = read_picture(render_symbol(symbol));
  EXPECT_GT(difference(plain, affixes).count, 0);
}

TEST_F(RenderText, TextTakesTheForegroundColourAndTheNamedFont) {
  symbol.fore_color = RGB(200, 0, 0);
  auto [plain, red] = render_with_and_without(-16, DT_CENTER | DT_BOTTOM);
  for (int y = 80; y < 100; ++y) {
    for (int x = 0; x < 228; ++x) {
      COLORREF c = red.at(x, y);
      ASSERT_GE(GetRValue(c), 200) << x << "," << y;  // white fading to red
    }
  }
  std::strcpy(symbol.font_name, "Liberation Serif");
  auto [unused, serif] = render_with_and_without(-16, DT_CENTER | DT_BOTTOM);
  EXPECT_NE(serif, red);
}

// Whether FreeType is mapped into the process.
bool font_library_loaded() { return dlopen("libfreetype.so.6", RTLD_NOW | RTLD_NOLOAD) != nullptr; }

TEST(RenderFonts, APictureWithoutTextStartsNoFontMachinery) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        reset_symbol(workspace.symbol);
        std::strcpy(workspace.symbol.data_text, "123");
        render_symbol(workspace.symbol);
        bool early = font_engine_started() || font_library_loaded();
        workspace.symbol.char_size = 12;
        render_symbol(workspace.symbol);
        std::exit(!early && font_engine_started() && font_library_loaded() ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST_F(RenderText, SixteenBitSettingsNeverBreakTheRendering) {
  struct Case {
    int quiet_zone;
    int border;
    int char_size;
    int text_align;
    int rotation;
  };
  const Case cases[] = {
      {-32768, 0, 12, 0, 0},          {20, -32768, 12, 0, 0},        {20, 32767, 12, 8, 0},
      {20, 0, 32767, 4, 0},           {20, 0, -32768, -1, 32767},    {1, 0, 32767, 32767, -32768},
      {0, -1, 12, DT_BOTTOM, 90},     {32767, 0, -32768, 5, 0},      {-1, 1, 1, -32768, 1},
      {20, 5, 12, 10, -32767},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.quiet_zone << " " << c.border << " " << c.char_size << " "
                                    << c.text_align << " " << c.rotation);
    reset_symbol(symbol);
    std::strcpy(symbol.data_text, "123");
    symbol.white_space_width = c.quiet_zone;
    symbol.border_width = c.border;
    symbol.char_size = c.char_size;
    symbol.text_align = c.text_align;
    symbol.rotate_angle = c.rotation;
    symbol.error_text[0] = '\0';
    HBITMAP bitmap = render_symbol(symbol);
    if (bitmap == nullptr) {
      EXPECT_STREQ(symbol.error_text, "error: image size out of range");
    } else {
      BITMAP description{};
      EXPECT_NE(GetObjectA(bitmap, sizeof description, &description), 0);
    }
  }
}

}  // namespace
