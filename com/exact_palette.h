// The lossless reduction a GIF picture needs to be one image: a true-colour
// picture of at most 256 colours becomes an 8-bit image of the same pixels
// with exactly those colours in its palette.
#pragma once

#include "image/tximage.h"

// False (indexed untouched) when source is not a 24-bit image or has more
// than 256 colours.
bool make_exact_palette_image(const TxImage& source, TxImage& indexed);
