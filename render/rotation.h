// Turning a finished barcode picture by a whole number of degrees.
#pragma once

#include "platform/win_types.h"

// A new bitmap holding the width x height bitmap selected into
// source_context turned by angle degrees (positive: counter-clockwise as
// seen on the picture), nearest neighbour, white where no source pixel
// lands. The source is left unchanged. Null when the turned picture would
// be larger than MAX_PICTURE_PIXELS or cannot be made.
HBITMAP rotate_bitmap(HDC source_context, int width, int height, int angle);
