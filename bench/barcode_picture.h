// The picture every saving benchmark writes: a 20-character Code 128 symbol
// rendered at the default settings and imported as the image library does on
// the main road (about 500 x 100 pixels, 24 bits, two colours).
#pragma once

#include "image/tximage.h"

inline constexpr int CODE_128 = 20;
inline constexpr char BENCH_DATA[] = "TRESSLIN-BENCH-12345";
static_assert(sizeof(BENCH_DATA) - 1 == 20);

// Rendered once; null when rendering or the import failed.
TxImage* barcode_picture();
