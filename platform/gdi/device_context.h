// A device context: the screen, or a memory context with the bitmap and the
// font selected into it and its text settings.
#pragma once

#include "platform/gdi/object_table.h"

constexpr COLORREF WHITE_BRUSH_COLOR = 0x00FFFFFF;

struct DeviceContext final : GdiObject {
  static constexpr GdiKind object_kind = GdiKind::device_context;

  explicit DeviceContext(bool screen_context)
      : GdiObject(object_kind), screen(screen_context) {}

  const bool screen;
  std::uintptr_t bitmap = 0;
  std::uintptr_t font = 0;
  int background_mode = OPAQUE;
  COLORREF text_color = 0x00000000;
  COLORREF background_color = 0x00FFFFFF;
  COLORREF brush_color = WHITE_BRUSH_COLOR;
};

// Releases a memory context, deselecting its objects; FALSE for any other
// handle. The caller holds gdi_mutex().
BOOL delete_memory_context(HDC context);
