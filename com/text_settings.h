// The four text properties of EncodeService. A value is stored whole in the
// code page of the engine, or refused: a text longer than the engine can
// encode or draw, or holding a character Windows-1252 cannot represent, is
// never cut or substituted. A refused setting stays refused, and every
// Encode2File writes nothing, until the property is set again or the
// Workspace is initialised.
#pragma once

#include "platform/com/com_types.h"
#include "platform/com/hresult.h"

enum class TextSetting { CHAR_SET, CODED_TEXT, PREFIX, SURFIX };

// E_INVALIDARG when refused.
HRESULT put_text_setting(TextSetting setting, BSTR value);
// A new BSTR of the stored text (empty when empty); null only when out of
// memory.
BSTR get_text_setting(TextSetting setting);

// "error: NAME ..." for the first refused setting, or null when none is.
const char* refused_setting_message();
void clear_refused_settings();
