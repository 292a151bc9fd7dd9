#include "platform/gdi/device_context.h"

#include "platform/gdi/bitmap.h"
#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"

namespace {

HDC add_context(bool screen) {
  ObjectTable& table = object_table();
  auto context = std::make_unique<DeviceContext>(screen);
  context->bitmap = table.stock_bitmap();
  context->font = table.stock_font();
  return to_handle<HDC>(table.add(std::move(context)));
}

// Stock objects may be selected anywhere and are never deleted: their
// selections are not counted.
void note_selected(GdiObject& object, HDC context) {
  if (object.stock) return;
  ++object.selections;
  if (object.kind == GdiKind::bitmap) static_cast<Bitmap&>(object).selected_into = context;
}

void note_deselected(std::uintptr_t handle) {
  GdiObject* object = object_table().find(handle);
  if (object == nullptr || object->stock) return;
  --object->selections;
  if (object->kind == GdiKind::bitmap) static_cast<Bitmap*>(object)->selected_into = nullptr;
}

// Puts the object of handle (known to exist) into slot and returns what the
// slot held.
std::uintptr_t swap_selection(HDC context, std::uintptr_t& slot, std::uintptr_t handle) {
  if (handle == slot) return slot;
  std::uintptr_t previous = slot;
  note_deselected(previous);
  note_selected(*object_table().find(handle), context);
  slot = handle;
  return previous;
}

std::uintptr_t select_bitmap(HDC context, DeviceContext& dc, Bitmap& bitmap, std::uintptr_t handle) {
  std::uintptr_t previous = swap_selection(context, dc.bitmap, handle);
  dc.drawing_target = bitmap.stock ? nullptr : &bitmap;
  return previous;
}

bool selectable_bitmap(const DeviceContext& dc, const Bitmap& bitmap) {
  if (dc.screen) return false;
  return bitmap.stock || bitmap.selected_into == nullptr;
}

}  // namespace

BOOL delete_memory_context(HDC context) {
  DeviceContext* dc = find_object<DeviceContext>(context);
  if (dc == nullptr || dc->screen) return FALSE;
  note_deselected(dc->bitmap);
  note_deselected(dc->font);
  return object_table().remove(handle_value(context)) ? TRUE : FALSE;
}

HDC GetDC(HWND window) {
  if (window != nullptr) return nullptr;
  GdiLock lock;
  return add_context(true);
}

int ReleaseDC(HWND window, HDC screen_context) {
  GdiLock lock;
  DeviceContext* dc = find_object<DeviceContext>(screen_context);
  if (window != nullptr || dc == nullptr || !dc->screen) return 0;
  note_deselected(dc->font);
  return object_table().remove(handle_value(screen_context)) ? 1 : 0;
}

HDC CreateCompatibleDC(HDC context) {
  GdiLock lock;
  if (context != nullptr && find_object<DeviceContext>(context) == nullptr) return nullptr;
  return add_context(false);
}

BOOL DeleteDC(HDC memory_context) {
  GdiLock lock;
  return delete_memory_context(memory_context);
}

HGDIOBJ SelectObject(HDC context, HGDIOBJ object) {
  GdiLock lock;
  DeviceContext* dc = find_object<DeviceContext>(context);
  if (dc == nullptr) return nullptr;
  std::uintptr_t handle = handle_value(object);
  if (Bitmap* bitmap = find_object<Bitmap>(object)) {
    if (handle != dc->bitmap && !selectable_bitmap(*dc, *bitmap)) return nullptr;
    return to_handle<HGDIOBJ>(select_bitmap(context, *dc, *bitmap, handle));
  }
  if (find_object<Font>(object) != nullptr) {
    return to_handle<HGDIOBJ>(swap_selection(context, dc->font, handle));
  }
  return nullptr;
}

HGDIOBJ GetCurrentObject(HDC context, UINT kind) {
  GdiLock lock;
  DeviceContext* dc = find_object<DeviceContext>(context);
  if (dc == nullptr) return nullptr;
  if (kind == OBJ_BITMAP) return to_handle<HGDIOBJ>(dc->bitmap);
  if (kind == OBJ_FONT) return to_handle<HGDIOBJ>(dc->font);
  return nullptr;
}

int SetBkMode(HDC context, int mode) {
  GdiLock lock;
  DeviceContext* dc = find_object<DeviceContext>(context);
  if (dc == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int previous = dc->background_mode;
  dc->background_mode = mode;
  return previous;
}

COLORREF SetTextColor(HDC context, COLORREF color) {
  GdiLock lock;
  DeviceContext* dc = find_object<DeviceContext>(context);
  if (dc == nullptr) return CLR_INVALID;
  COLORREF previous = dc->text_color;
  dc->text_color = color;
  return previous;
}
