// Text measurement and drawing on a context, in the context's font.
#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/font.h"
#include "platform/gdi/font_engine.h"
#include "platform/gdi/gdi.h"

namespace {

LONG to_long(long long value) {
  return static_cast<LONG>(std::clamp<long long>(value, LONG_MIN, LONG_MAX));
}

// The line of text in the context's font; false for an invalid context or a
// font without a face.
bool open_line(HDC context, std::string_view text, TextLine& line) {
  const DeviceContext* dc = find_object<DeviceContext>(context);
  if (dc == nullptr) return false;
  const Font* font = find_object<Font>(dc->font);
  return font != nullptr && line.open(font->logfont, text);
}

long long horizontal_position(const RECT& rect, UINT format, long long width) {
  if (format & DT_CENTER) return rect.left + (static_cast<long long>(rect.right) - rect.left - width) / 2;
  if (format & DT_RIGHT) return rect.right - width;
  return rect.left;
}

// Vertical placement applies to single lines only, as on the platform.
long long vertical_position(const RECT& rect, UINT format, long long height) {
  if (!(format & DT_SINGLELINE)) return rect.top;
  if (format & DT_VCENTER) return rect.top + (static_cast<long long>(rect.bottom) - rect.top - height) / 2;
  if (format & DT_BOTTOM) return rect.bottom - height;
  return rect.top;
}

void paint(HDC context, const TextLine& line, const RECT& rect, UINT format, long long x, long long y) {
  Bitmap* target = target_bitmap(context);
  if (target == nullptr) return;
  const DeviceContext* dc = find_object<DeviceContext>(context);
  PixelBox clip{LLONG_MIN, LLONG_MIN, LLONG_MAX, LLONG_MAX};
  if (!(format & DT_NOCLIP)) clip = {rect.left, rect.top, rect.right, rect.bottom};
  clip = intersect(clip, {0, 0, target->width(), target->height()});
  if (dc->background_mode == OPAQUE) {
    PixelBox box = intersect({x, y, x + line.width(), y + line.height()}, clip);
    for (long long row = box.top; row < box.bottom; ++row) {
      for (long long column = box.left; column < box.right; ++column) {
        target->set_pixel(static_cast<int>(column), static_cast<int>(row), dc->background_color);
      }
    }
  }
  line.draw(*target, x, y, clip, dc->text_color);
}

}  // namespace

BOOL GetTextExtentPoint32A(HDC context, LPCSTR text, int length, SIZE* size) {
  if (length < 0 || size == nullptr || (text == nullptr && length > 0)) return FALSE;
  GdiLock lock;
  TextLine line;
  if (!open_line(context, std::string_view(text, static_cast<std::size_t>(length)), line)) return FALSE;
  size->cx = to_long(line.width());
  size->cy = line.height();
  return TRUE;
}

int DrawTextA(HDC context, LPCSTR text, int length, RECT* rect, UINT format) {
  if (text == nullptr || rect == nullptr || length < -1) return 0;
  std::size_t bytes = length == -1 ? std::strlen(text) : static_cast<std::size_t>(length);
  GdiLock lock;
  TextLine line;
  if (!open_line(context, std::string_view(text, bytes), line)) return 0;
  long long x = horizontal_position(*rect, format, line.width());
  long long y = vertical_position(*rect, format, line.height());
  paint(context, line, *rect, format, x, y);
  if ((format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM))) {
    return to_long(y + line.height() - rect->top);
  }
  return line.height();
}

bool font_engine_started() {
  GdiLock lock;
  return font_engine_running();
}
