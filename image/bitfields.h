// Widening of 16- and 32-bit pixels with channel masks into 24-bit
// blue, green, red rows.
#pragma once

#include "platform/win_types.h"

// One colour channel of a bit-field pixel: the value is masked, then moved so
// that the channel's top bit lands on bit 7 (shifted right for channels wider
// than 8 bits, left for narrower ones). An empty mask gives 0.
struct BitfieldChannel {
  DWORD mask;
  int shift;  // right shift when positive, left shift when negative

  explicit BitfieldChannel(DWORD channel_mask);
  BYTE Extract(DWORD pixel) const {
    const DWORD value = pixel & mask;
    return static_cast<BYTE>(shift >= 0 ? value >> shift : value << -shift);
  }
};

struct BitfieldMasks {
  BitfieldChannel red;
  BitfieldChannel green;
  BitfieldChannel blue;
  // All masks 0 with 32 bits: the first three bytes are blue, green, red.
  bool byte_order;

  BitfieldMasks(DWORD red_mask, DWORD green_mask, DWORD blue_mask, int bpp);
};

// Writes width pixels of 16 or 32 bits from source as blue, green, red
// triples to target. target may overlap source when it starts at or after it
// and the pixels are 16 bits wide: pixels are processed from right to left.
void widen_bitfield_row(const BYTE* source, BYTE* target, DWORD width, const BitfieldMasks& masks, int bpp);
