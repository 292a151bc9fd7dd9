// A logical font: the attributes it was created with. Faces are looked up
// only when text is measured or drawn (font_engine.h).
#pragma once

#include "platform/gdi/object_table.h"

struct Font final : GdiObject {
  static constexpr GdiKind object_kind = GdiKind::font;

  explicit Font(const LOGFONTA& attributes) : GdiObject(object_kind), logfont(attributes) {}

  LOGFONTA logfont;
};

// The attributes of the stock font every context starts with.
LOGFONTA default_font();
