// GetObjectA and DeleteObject: the calls that take an object of any kind.
#include <algorithm>
#include <cstring>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"

namespace {

int describe_font(const Font& font, int size, LPVOID buffer) {
  if (buffer == nullptr) return sizeof(LOGFONTA);
  int copied = std::min(size, static_cast<int>(sizeof(LOGFONTA)));
  if (copied <= 0) return 0;
  std::memcpy(buffer, &font.logfont, copied);
  return copied;
}

int describe_bitmap(const Bitmap& bitmap, int size, LPVOID buffer) {
  if (buffer == nullptr) return sizeof(BITMAP);
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  BITMAP description{};
  description.bmWidth = bitmap.width();
  description.bmHeight = bitmap.height();
  description.bmWidthBytes = bitmap.width_bytes();
  description.bmPlanes = 1;
  description.bmBitsPixel = static_cast<WORD>(bitmap.bits_per_pixel());
  std::memcpy(buffer, &description, sizeof description);
  return sizeof description;
}

}  // namespace

int GetObjectA(HGDIOBJ object, int size, LPVOID buffer) {
  GdiLock lock;
  if (const Font* font = find_object<Font>(object)) return describe_font(*font, size, buffer);
  if (const Bitmap* bitmap = find_object<Bitmap>(object)) {
    return describe_bitmap(*bitmap, size, buffer);
  }
  return 0;
}

BOOL DeleteObject(HGDIOBJ object) {
  GdiLock lock;
  GdiObject* found = object_table().find(handle_value(object));
  if (found == nullptr) return FALSE;
  if (found->kind == GdiKind::device_context) {
    return delete_memory_context(to_handle<HDC>(handle_value(object)));
  }
  if (found->stock) return TRUE;
  if (found->selections > 0) return FALSE;
  return object_table().remove(handle_value(object)) ? TRUE : FALSE;
}
