// A device context: the screen, or a memory context with the bitmap and the
// font selected into it and its text settings.
#pragma once

#include "platform/gdi/object_table.h"

constexpr COLORREF WHITE_BRUSH_COLOR = 0x00FFFFFF;

class Bitmap;

struct DeviceContext final : GdiObject {
  static constexpr GdiKind object_kind = GdiKind::device_context;

  explicit DeviceContext(bool screen_context)
      : GdiObject(object_kind), screen(screen_context) {}

  const bool screen;
  std::uintptr_t bitmap = 0;
  // The selected bitmap unless it is the stock one: what drawing reaches.
  Bitmap* drawing_target = nullptr;
  std::uintptr_t font = 0;
  int background_mode = OPAQUE;
  COLORREF text_color = 0x00000000;
  COLORREF background_color = 0x00FFFFFF;
  COLORREF brush_color = WHITE_BRUSH_COLOR;
};

// The bitmap a context draws into, or null when the context is invalid or
// holds no drawable bitmap (the screen, or the stock bitmap). The caller
// holds a GdiLock.
inline Bitmap* target_bitmap(HDC context) {
  DeviceContext* dc = find_object<DeviceContext>(context);
  return dc == nullptr ? nullptr : dc->drawing_target;
}

// Releases a memory context, deselecting its objects; FALSE for any other
// handle. The caller holds a GdiLock.
BOOL delete_memory_context(HDC context);
