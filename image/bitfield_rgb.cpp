#include <bit>

#include "image/bitfields.h"
#include "image/tximage.h"

namespace {

DWORD read_le16(const BYTE* p) { return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8); }

DWORD read_le32(const BYTE* p) {
  return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
         (static_cast<DWORD>(p[3]) << 24);
}

}  // namespace

BitfieldChannel::BitfieldChannel(DWORD channel_mask) : mask(channel_mask), shift(0) {
  if (mask == 0) return;
  const int lowest = std::countr_zero(mask);
  const int width = std::popcount(mask);
  shift = lowest + width - 8;
}

BitfieldMasks::BitfieldMasks(DWORD red_mask, DWORD green_mask, DWORD blue_mask, int bpp)
    : red(bpp == 16 ? red_mask & 0xFFFF : red_mask),
      green(bpp == 16 ? green_mask & 0xFFFF : green_mask),
      blue(bpp == 16 ? blue_mask & 0xFFFF : blue_mask),
      byte_order(bpp == 32 && red_mask == 0 && green_mask == 0 && blue_mask == 0) {}

void widen_bitfield_row(const BYTE* source, BYTE* target, DWORD width, const BitfieldMasks& masks, int bpp) {
  const int source_bytes = bpp / 8;
  for (DWORD i = width; i-- > 0;) {
    const BYTE* in = source + static_cast<size_t>(i) * source_bytes;
    BYTE* out = target + static_cast<size_t>(i) * 3;
    if (masks.byte_order) {
      const BYTE blue = in[0], green = in[1], red = in[2];
      out[0] = blue;
      out[1] = green;
      out[2] = red;
      continue;
    }
    const DWORD pixel = bpp == 16 ? read_le16(in) : read_le32(in);
    out[0] = masks.blue.Extract(pixel);
    out[1] = masks.green.Extract(pixel);
    out[2] = masks.red.Extract(pixel);
  }
}

void TxImage::Bitfield2RGB(BYTE* src, DWORD red_mask, DWORD green_mask, DWORD blue_mask, BYTE bpp) {
  if (src == nullptr || DibBlock == nullptr || Header.biBitCount != 24 || (bpp != 16 && bpp != 32)) return;
  const BitfieldMasks masks(red_mask, green_mask, blue_mask, bpp);
  const DWORD width = GetWidth();
  const size_t source_stride = bpp == 16 ? static_cast<size_t>((width + 1) / 2) * 4 : static_cast<size_t>(width) * 4;
  // From the top row down, so that src may be this image's own rows.
  for (DWORD y = GetHeight(); y-- > 0;) {
    widen_bitfield_row(src + y * source_stride, GetBits(y), width, masks, bpp);
  }
}
