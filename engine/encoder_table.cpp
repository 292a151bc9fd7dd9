#include "engine/encoder_table.h"

#include "engine/linear/code11.h"
#include "engine/linear/code128.h"
#include "engine/linear/code39.h"
#include "engine/linear/code93.h"
#include "engine/linear/ean_upc.h"
#include "engine/linear/two_of_five.h"

namespace {

struct EncoderEntry {
  int symbology;
  Encoder encoder;
};

constexpr EncoderEntry encoder_table[] = {
    {1, encode_code11},
    {2, encode_matrix_2of5},
    {3, encode_interleaved_2of5},
    {4, encode_iata_2of5},
    {6, encode_datalogic_2of5},
    {7, encode_industrial_2of5},
    {8, encode_code39},
    {9, encode_code39_extended},
    {13, encode_ean_upc},
    {16, encode_code128},
    {20, encode_code128},
    {21, encode_leitcode},
    {22, encode_identcode},
    {25, encode_code93},
    {34, encode_ean_upc},
    {37, encode_ean_upc},
    {50, encode_code39},
    {52, encode_pzn},
    {60, encode_code128},
    {69, encode_ean_upc},
    {72, encode_itf14},
    {75, encode_code128},
    {105, encode_code39},
    {106, encode_code39_extended},
};

}  // namespace

Encoder find_encoder(int symbology) {
  for (const EncoderEntry& entry : encoder_table)
    if (entry.symbology == symbology) return entry.encoder;
  return nullptr;
}
