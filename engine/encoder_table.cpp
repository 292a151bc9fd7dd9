#include "engine/encoder_table.h"

#include "engine/linear/code11.h"
#include "engine/linear/code128.h"

namespace {

struct EncoderEntry {
  int symbology;
  Encoder encoder;
};

constexpr EncoderEntry encoder_table[] = {
    {1, encode_code11},
    {16, encode_code128},
    {20, encode_code128},
    {60, encode_code128},
    {75, encode_code128},
};

}  // namespace

Encoder find_encoder(int symbology) {
  for (const EncoderEntry& entry : encoder_table)
    if (entry.symbology == symbology) return entry.encoder;
  return nullptr;
}
