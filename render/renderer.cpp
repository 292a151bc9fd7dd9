#include "render/renderer.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "engine/dispatch.h"
#include "engine/result.h"
#include "platform/gdi/gdi.h"
#include "render/picture_size.h"
#include "render/rotation.h"

namespace {

// Symbologies whose module rows have a fixed height in pixels; every other
// one is 100 pixels high (or 2 x (height + 2 x border)) with the module
// area shared among its rows.
struct FixedRowHeight {
  int symbology;
  int pixels;
};

constexpr FixedRowHeight fixed_row_heights[] = {
    {23, 16}, {40, 10}, {82, 10}, {55, 6}, {56, 6}, {58, 2}, {71, 2},
    {63, 4},  {66, 4},  {67, 4},  {68, 4}, {70, 4}, {84, 4}, {85, 4},
};

constexpr int STACKED_SYMBOLOGY = 23;
constexpr int DEFAULT_PICTURE_HEIGHT = 100;
constexpr int PIXELS_PER_MODULE = 2;
constexpr int SEPARATOR_PIXELS = 2;
constexpr COLORREF WHITE = 0x00FFFFFF;
constexpr const char DEFAULT_FONT_NAME[] = "arial";
constexpr int TEXT_BUFFER_SIZE = 256;

constexpr char MAXICODE_MESSAGE[] = "error: Maxicode cannot be displayed in a PNG file";
constexpr char SIZE_MESSAGE[] = "error: image size out of range";

// The picture's layout in pixels. Wide arithmetic: every setting may hold
// any 32-bit value.
struct Geometry {
  long long width;
  long long height;
  long long band;     // border band at each edge
  long long margin;   // border band and quiet zone: where the modules start
  long long row_height;  // 0 or below: rows cannot be mapped to pixels
  bool separators;
};

int fixed_row_height(int symbology) {
  for (const FixedRowHeight& fixed : fixed_row_heights) {
    if (fixed.symbology == symbology) return fixed.pixels;
  }
  return 0;
}

bool bars_above_and_below(const BarcodeSymbol& symbol) {
  return symbol.output_options == OUTPUT_BIND || symbol.output_options == OUTPUT_BOX;
}

Geometry measure(const BarcodeSymbol& symbol) {
  long long border = symbol.border_width;
  long long quiet_zone = symbol.white_space_width;
  Geometry g{};
  g.band = PIXELS_PER_MODULE * border;
  g.margin = PIXELS_PER_MODULE * (border + quiet_zone);
  g.width = PIXELS_PER_MODULE * (static_cast<long long>(symbol.width) + 2 * (border + quiet_zone));
  int fixed = fixed_row_height(symbol.symbology);
  if (fixed != 0) {
    g.height = 4 * border + static_cast<long long>(fixed) * symbol.row_count;
    g.separators = symbol.symbology == STACKED_SYMBOLOGY;
  } else {
    g.height = symbol.height == 0 ? DEFAULT_PICTURE_HEIGHT : 2 * (symbol.height + 2 * border);
    g.separators = symbol.row_count > 1 && bars_above_and_below(symbol);
  }
  g.row_height = symbol.row_count > 0 ? (g.height - 4 * border) / symbol.row_count : 0;
  if (g.row_height <= 0) g.separators = false;
  return g;
}

// What one pixel row of the middle (between the top and bottom bands)
// shows in the module area: a separator line, or a module row (null for the
// remainder below the last row, or when rows cannot be mapped to pixels).
struct MiddleRow {
  bool separator;
  const char* modules;
  long long module_count;
};

MiddleRow middle_row(const BarcodeSymbol& symbol, const Geometry& g, long long y) {
  if (g.row_height <= 0) return {false, nullptr, 0};
  long long offset_y = y - g.band;
  long long row = offset_y / g.row_height;
  bool separator = g.separators && offset_y % g.row_height < SEPARATOR_PIXELS;
  if (row >= std::min(symbol.row_count, MAX_ROWS)) return {separator, nullptr, 0};
  return {separator, symbol.module_rows[row], std::min(symbol.width, MAX_MODULES)};
}

COLORREF middle_pixel(const BarcodeSymbol& symbol, const Geometry& g, const MiddleRow& row, long long x) {
  if (x < g.band || x >= g.width - g.band) {
    return symbol.output_options == OUTPUT_BOX ? symbol.fore_color : symbol.back_color;
  }
  if (x < g.margin || x >= g.width - g.margin) return symbol.back_color;
  if (row.separator) return symbol.fore_color;
  long long column = (x - g.margin) / PIXELS_PER_MODULE;
  bool dark = row.modules != nullptr && column < row.module_count && row.modules[column] == '1';
  return dark ? symbol.fore_color : symbol.back_color;
}

// Every pixel through SetPixel, row by row; what a row shows is worked out
// once per row.
void paint_pixels(HDC context, const BarcodeSymbol& symbol, const Geometry& g) {
  COLORREF band_color = bars_above_and_below(symbol) ? symbol.fore_color : symbol.back_color;
  for (long long y = 0; y < g.height; ++y) {
    int row_y = static_cast<int>(y);
    if (y < g.band || y >= g.height - g.band) {
      for (long long x = 0; x < g.width; ++x) SetPixel(context, static_cast<int>(x), row_y, band_color);
      continue;
    }
    MiddleRow row = middle_row(symbol, g, y);
    for (long long x = 0; x < g.width; ++x) {
      SetPixel(context, static_cast<int>(x), row_y, middle_pixel(symbol, g, row, x));
    }
  }
}

LONG to_long(long long value) { return static_cast<LONG>(std::clamp<long long>(value, LONG_MIN, LONG_MAX)); }

void append_field(char* text, const char* field, std::size_t capacity) {
  std::strncat(text, field, strnlen(field, capacity));
}

// Prefix, data text and suffix, each field read within its capacity.
void human_readable_text(const BarcodeSymbol& symbol, char (&text)[TEXT_BUFFER_SIZE]) {
  std::memset(text, 0, sizeof text);
  append_field(text, symbol.prefix, AFFIX_SIZE);
  append_field(text, symbol.data_text, DATA_TEXT_SIZE);
  append_field(text, symbol.suffix, AFFIX_SIZE);
}

HFONT create_text_font(HDC context, const BarcodeSymbol& symbol) {
  LOGFONTA font{};
  GetObjectA(GetCurrentObject(context, OBJ_FONT), sizeof font, &font);
  font.lfWeight = FW_NORMAL;
  font.lfItalic = 0;
  font.lfUnderline = 0;
  font.lfHeight = symbol.char_size;
  std::size_t name_length = strnlen(symbol.font_name, FONT_NAME_SIZE);
  const char* name = name_length == 0 ? DEFAULT_FONT_NAME : symbol.font_name;
  std::memset(font.lfFaceName, 0, sizeof font.lfFaceName);
  std::memcpy(font.lfFaceName, name, std::min<std::size_t>(strnlen(name, FONT_NAME_SIZE), LF_FACESIZE - 1));
  return CreateFontIndirectA(&font);
}

// The text stands in a rectangle one text height above and below the module
// area, so DT_TOP puts it in the top band and DT_BOTTOM in the bottom band.
void draw_text(HDC context, const BarcodeSymbol& symbol, const Geometry& g) {
  HFONT font = create_text_font(context, symbol);
  HFONT previous = SelectObject(context, font);
  SetBkMode(context, TRANSPARENT);
  SetTextColor(context, symbol.fore_color);
  SIZE extent{};
  GetTextExtentPoint32A(context, symbol.data_text,
                        static_cast<int>(strnlen(symbol.data_text, DATA_TEXT_SIZE)), &extent);
  RECT rect{to_long(g.band), to_long(g.band - extent.cy), to_long(g.width - g.band),
            to_long(g.height - g.band + extent.cy)};
  char text[TEXT_BUFFER_SIZE];
  human_readable_text(symbol, text);
  DrawTextA(context, text, -1, &rect, static_cast<UINT>(symbol.text_align) | DT_SINGLELINE);
  SelectObject(context, previous);
  DeleteObject(font);
}

// The one way the renderer refuses: the message, and no bitmap.
HBITMAP refuse(BarcodeSymbol& symbol, const char* message) {
  fail(symbol, RESULT_UNSUPPORTED, message);
  return nullptr;
}

// Paints into a new bitmap selected into context, rotates it when asked,
// and returns the finished bitmap, or null when none could be made.
HBITMAP paint_picture(HDC screen, HDC context, const BarcodeSymbol& symbol, const Geometry& g) {
  int width = static_cast<int>(g.width);
  int height = static_cast<int>(g.height);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  if (bitmap == nullptr) return nullptr;
  HBITMAP stock = SelectObject(context, bitmap);
  FloodFill(context, 2, 2, WHITE);
  paint_pixels(context, symbol, g);
  if (symbol.char_size != 0) draw_text(context, symbol, g);
  HBITMAP finished = bitmap;
  if (symbol.rotate_angle % 360 != 0) finished = rotate_bitmap(context, width, height, symbol.rotate_angle);
  SelectObject(context, stock);
  if (finished != bitmap) DeleteObject(bitmap);
  return finished;
}

}  // namespace

HBITMAP render_symbol(BarcodeSymbol& symbol) {
  encode_symbol(symbol, symbol.data_text);
  return paint_symbol(symbol);
}

HBITMAP paint_symbol(BarcodeSymbol& symbol) {
  if (symbol.symbology == SYMBOLOGY_WITHOUT_ENCODER) return refuse(symbol, MAXICODE_MESSAGE);
  Geometry g = measure(symbol);
  if (!picture_size_in_range(g.width, g.height)) return refuse(symbol, SIZE_MESSAGE);

  HDC screen = GetDC(nullptr);
  workspace.memory_context = CreateCompatibleDC(screen);
  HBITMAP bitmap = paint_picture(screen, workspace.memory_context, symbol, g);
  ReleaseDC(nullptr, screen);
  DeleteDC(workspace.memory_context);
  workspace.memory_context = nullptr;
  if (bitmap == nullptr) return refuse(symbol, SIZE_MESSAGE);

  if (workspace.symbol_bitmap != nullptr) DeleteObject(workspace.symbol_bitmap);
  workspace.symbol_bitmap = bitmap;
  return bitmap;
}
