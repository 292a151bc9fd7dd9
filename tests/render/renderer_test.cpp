#include <gtest/gtest.h>

#include <climits>

#include "engine/dispatch.h"
#include "render/renderer.h"
#include "tests/render/picture.h"

namespace {

// Whether every pixel of the box (right and bottom exclusive) has the colour.
bool box_is(const Picture& p, int left, int top, int right, int bottom, COLORREF color) {
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      if (p.at(x, y) != color) return false;
  return true;
}

// Whether pixel row y of the module area shows the record's module row.
bool shows_row(const Picture& p, const BarcodeSymbol& s, int margin, int y, int row) {
  for (int x = 0; x < 2 * s.width; ++x) {
    COLORREF expected = s.module_rows[row][x / 2] == '1' ? s.fore_color : s.back_color;
    if (p.at(margin + x, y) != expected) return false;
  }
  return true;
}

using Renderer = RenderTest;

TEST_F(Renderer, DefaultsEncodeAndPaintCode11) {
  std::strcpy(symbol.data_text, "123");
  HBITMAP bitmap = render_symbol(symbol);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(workspace.symbol_bitmap, bitmap);
  EXPECT_EQ(symbol.width, 54);
  Picture p = read_picture(bitmap);
  ASSERT_EQ(p.width, 188);
  ASSERT_EQ(p.height, 100);
  EXPECT_TRUE(box_is(p, 0, 0, 40, 100, WHITE));
  EXPECT_TRUE(box_is(p, 148, 0, 188, 100, WHITE));
  for (int y = 0; y < 100; ++y) ASSERT_TRUE(shows_row(p, symbol, 40, y, 0)) << y;
  EXPECT_EQ(p.at(40, 50), BLACK);  // a module row starts with a bar
}

TEST_F(Renderer, BorderBandsFollowTheOutputOptions) {
  struct Case {
    int options;
    bool top_and_bottom;
    bool sides;
  };
  const Case cases[] = {{0, false, false}, {OUTPUT_BIND, true, false}, {OUTPUT_BOX, true, true},
                        {1, false, false}, {6, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    reset_symbol(symbol);
    set_rows({"1101"});
    symbol.border_width = 5;
    symbol.white_space_width = 3;
    symbol.output_options = c.options;
    symbol.back_color = RGB(200, 220, 240);
    symbol.fore_color = RGB(10, 20, 30);
    Picture p = read_picture(paint_symbol(symbol));
    ASSERT_EQ(p.width, 2 * (4 + 2 * 8));
    ASSERT_EQ(p.height, 100);
    COLORREF band = c.top_and_bottom ? symbol.fore_color : symbol.back_color;
    COLORREF side = c.sides ? symbol.fore_color : symbol.back_color;
    EXPECT_TRUE(box_is(p, 0, 0, 40, 10, band));
    EXPECT_TRUE(box_is(p, 0, 90, 40, 100, band));
    EXPECT_TRUE(box_is(p, 0, 10, 10, 90, side));
    EXPECT_TRUE(box_is(p, 30, 10, 40, 90, side));
    EXPECT_TRUE(box_is(p, 10, 10, 16, 90, symbol.back_color));  // quiet zones
    EXPECT_TRUE(box_is(p, 24, 10, 30, 90, symbol.back_color));
    for (int y = 10; y < 90; ++y) ASSERT_TRUE(shows_row(p, symbol, 16, y, 0)) << y;
  }
}

TEST_F(Renderer, StackedRowsGetSeparatorLines) {
  // Symbology 23 as the dispatcher leaves it: border 2, quiet zone 16, bind.
  symbol.symbology = 23;
  symbol.border_width = 2;
  symbol.white_space_width = 16;
  symbol.output_options = OUTPUT_BIND;
  set_rows({"10011", "01010", "11100"});
  Picture p = read_picture(paint_symbol(symbol));
  ASSERT_EQ(p.width, 2 * (5 + 36));
  ASSERT_EQ(p.height, 56);
  for (int row = 0; row < 3; ++row) {
    int top = 4 + 16 * row;
    EXPECT_TRUE(box_is(p, 36, top, 46, top + 2, BLACK)) << row;
    EXPECT_TRUE(box_is(p, 4, top, 36, top + 16, WHITE)) << row;  // not across the quiet zone
    for (int y = top + 2; y < top + 16; ++y) ASSERT_TRUE(shows_row(p, symbol, 36, y, row));
  }
}

TEST_F(Renderer, SharedModuleAreaRowsAndTheirRemainder) {
  struct Case {
    std::vector<const char*> rows;
    int options;
    int row_height;
    bool separators;
  };
  const Case cases[] = {
      {{"0110", "1001"}, OUTPUT_BIND, 50, true},
      {{"0110", "1001"}, 0, 50, false},
      {{"0110", "1001"}, OUTPUT_BOX, 50, true},
      {{"0110", "1001", "0101"}, OUTPUT_BIND, 33, true},
      {{"0110", "1001", "0101"}, 0, 33, false},
      {{"0110"}, OUTPUT_BIND, 100, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rows.size() << " rows, options " << c.options);
    reset_symbol(symbol);
    symbol.white_space_width = 1;
    symbol.output_options = c.options;
    symbol.row_count = 0;
    for (const char* row : c.rows) {
      std::memcpy(symbol.module_rows[symbol.row_count++], row, 4);
    }
    symbol.width = 4;
    Picture p = read_picture(paint_symbol(symbol));
    ASSERT_EQ(p.height, 100);
    for (int y = 0; y < 100; ++y) {
      int row = y / c.row_height;
      bool separator = c.separators && y % c.row_height < 2;
      if (separator) {
        EXPECT_TRUE(box_is(p, 2, y, 10, y + 1, BLACK)) << y;
      } else if (row < static_cast<int>(c.rows.size())) {
        EXPECT_TRUE(shows_row(p, symbol, 2, y, row)) << y;
      } else {
        EXPECT_TRUE(box_is(p, 2, y, 10, y + 1, WHITE)) << y;  // the remainder
      }
    }
  }
}

TEST_F(Renderer, FixedRowHeightsSetThePictureHeight) {
  struct Case {
    int symbology;
    int rows;
    int height;
  };
  // Border 1 in every case: 4 pixels of bands.
  const Case cases[] = {{40, 2, 24}, {82, 1, 14}, {55, 3, 22}, {56, 1, 10}, {58, 5, 14},
                        {71, 1, 6},  {63, 5, 24}, {66, 1, 8},  {85, 2, 12}, {1, 2, 100},
                        {20, 1, 100}};
  for (const Case& c : cases) {
    reset_symbol(symbol);
    symbol.symbology = c.symbology;
    symbol.border_width = 1;
    symbol.row_count = c.rows;
    symbol.width = 3;
    Picture p = read_picture(paint_symbol(symbol));
    EXPECT_EQ(p.height, c.height) << c.symbology;
    EXPECT_EQ(p.width, 2 * (3 + 2 * 21)) << c.symbology;
  }
}

TEST_F(Renderer, MaxicodeIsRefused) {
  std::strcpy(symbol.data_text, "123");
  HBITMAP earlier = render_symbol(symbol);
  symbol.symbology = 57;
  EXPECT_EQ(render_symbol(symbol), nullptr);
  EXPECT_STREQ(symbol.error_text, "error: Maxicode cannot be displayed in a PNG file");
  EXPECT_EQ(workspace.symbol_bitmap, earlier);
}

TEST_F(Renderer, AnEmptyRecordPaintsItsFrameWithoutRows) {
  // A failed encoding after InitWorkspace leaves no rows: nothing to divide
  // by, and the module area is plain background.
  std::strcpy(symbol.data_text, "12A");
  symbol.border_width = 3;
  symbol.output_options = OUTPUT_BOX;
  Picture p = read_picture(render_symbol(symbol));
  EXPECT_EQ(symbol.row_count, 0);
  ASSERT_EQ(p.width, 2 * (2 * 23));
  ASSERT_EQ(p.height, 100);
  EXPECT_TRUE(box_is(p, 0, 0, 92, 6, BLACK));
  EXPECT_TRUE(box_is(p, 0, 6, 6, 94, BLACK));
  EXPECT_TRUE(box_is(p, 6, 6, 86, 94, WHITE));
}

TEST_F(Renderer, RowsLowerThanAPixelPaintBackground) {
  // Eight rows in a module area 4 pixels high: a row height of 0.
  symbol.border_width = 24;
  symbol.white_space_width = 0;
  symbol.output_options = OUTPUT_BIND;
  set_rows({"11", "11", "11", "11", "11", "11", "11", "11"});
  Picture p = read_picture(paint_symbol(symbol));
  ASSERT_EQ(p.height, 100);
  ASSERT_EQ(p.width, 2 * (2 + 48));
  EXPECT_TRUE(box_is(p, 0, 0, 100, 48, BLACK));
  EXPECT_TRUE(box_is(p, 0, 48, 100, 52, WHITE));
  EXPECT_TRUE(box_is(p, 0, 52, 100, 100, BLACK));
}

TEST_F(Renderer, SizesOutOfRangeMakeNoBitmap) {
  struct Case {
    const char* what;
    int symbology;
    int quiet_zone;
    int border;
    int height;
    int row_count;
  };
  const Case cases[] = {
      {"no width", 1, 0, 0, 0, 0},
      {"negative quiet zone", 1, -20, 0, 0, 1},
      {"negative border, fixed rows", 40, 20, -5, 0, 1},
      {"negative height", 1, 20, 0, -60, 1},
      {"past 100 megapixels", 23, 32767, 32767, 0, 8},
      {"past 100 megapixels by height", 1, 10, 0, 32767 * 4000, 1},
      {"32-bit extremes", 40, INT_MAX, INT_MAX, 0, 1},
      {"32-bit minimum", 1, INT_MIN, INT_MIN, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    reset_symbol(symbol);
    set_rows({"1"});
    symbol.symbology = c.symbology;
    symbol.white_space_width = c.quiet_zone;
    symbol.border_width = c.border;
    symbol.height = c.height;
    symbol.row_count = c.row_count;
    symbol.width = c.row_count == 0 ? 0 : 1;
    HBITMAP earlier = workspace.symbol_bitmap;
    int live = live_gdi_objects();
    EXPECT_EQ(paint_symbol(symbol), nullptr);
    EXPECT_STREQ(symbol.error_text, "error: image size out of range");
    EXPECT_EQ(workspace.symbol_bitmap, earlier);
    EXPECT_EQ(live_gdi_objects(), live);
  }
}

TEST_F(Renderer, ANewRenderingReleasesThePreviousBitmap) {
  // A failed encoding keeps the picture small: 4 x 100 pixels.
  std::strcpy(symbol.data_text, "X");
  symbol.white_space_width = 1;
  int live = live_gdi_objects();
  HBITMAP first = render_symbol(symbol);
  for (int i = 0; i < 10000; ++i) ASSERT_NE(render_symbol(symbol), nullptr);
  EXPECT_EQ(live_gdi_objects(), live + 1);
  BITMAP description{};
  EXPECT_EQ(GetObjectA(first, sizeof description, &description), 0);
  EXPECT_EQ(workspace.memory_context, nullptr);
}

TEST_F(Renderer, RotationTurnsThePicture) {
  struct Case {
    int angle;
    int width;
    int height;
  };
  const Case cases[] = {{90, 102, 190},  {-90, 102, 190}, {450, 102, 190}, {32760, 188, 100},
                        {180, 190, 103}, {360, 188, 100}, {-360, 188, 100}, {720, 188, 100},
                        {0, 188, 100}};
  for (const Case& c : cases) {
    reset_symbol(symbol);
    std::strcpy(symbol.data_text, "123");
    symbol.rotate_angle = c.angle;
    int live = live_gdi_objects() - (workspace.symbol_bitmap != nullptr);
    Picture p = read_picture(render_symbol(symbol));
    EXPECT_EQ(p.width, c.width) << c.angle;
    EXPECT_EQ(p.height, c.height) << c.angle;
    EXPECT_EQ(live_gdi_objects(), live + 1) << c.angle;  // the unrotated bitmap is gone
  }
}

TEST_F(Renderer, QuarterTurnsPutTheTopRowOnOppositeSides) {
  // A 6 x 8 picture whose upper half is dark. Turned by 90 (counter-
  // clockwise) the top row lies along the left side, by -90 along the right
  // side; the first source row and column appear twice, and the far edges
  // stay white.
  symbol.symbology = 66;
  symbol.white_space_width = 0;
  set_rows({"111", "000"});
  auto turned = [this](int angle) {
    symbol.rotate_angle = angle;
    Picture p = read_picture(paint_symbol(symbol));
    std::vector<std::string> rows(p.height, std::string(p.width, '?'));
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) rows[y][x] = p.at(x, y) == BLACK ? '#' : '.';
    return rows;
  };
  const std::string left = "#####.....";
  const std::string right = "....#####.";
  const std::string white = "..........";
  EXPECT_EQ(turned(90), std::vector<std::string>({left, left, left, left, left, left, left, white}));
  EXPECT_EQ(turned(-90),
            std::vector<std::string>({right, right, right, right, right, right, right, white}));
}

}  // namespace
