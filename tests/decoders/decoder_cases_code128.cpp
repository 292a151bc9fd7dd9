// Code 128 (20), Code 128 subset B (60), EAN-128 (16) and NVE-18 (75).
//
// What the decoders report: both give the data characters; for EAN-128 and
// NVE-18 they give the digits without parentheses, ZXingReader with the
// identifier ]C1 (FNC1 in first position, GS1 content). zbarimg 0.23 does not
// apply FNC4, so texts with characters from 0x80 up are checked with
// ZXingReader only, which returns their bytes (ISO-8859-1, the same bytes as
// Windows-1252 from 0xA0 up).
#include "tests/decoders/decoder_cases.h"

namespace {

DecoderCase code128(const char* what, int symbology, std::string data, std::string expected = {},
                    unsigned readers = READ_BY_BOTH) {
  const char* identifier = symbology == 16 || symbology == 75 ? "]C1" : "]C0";
  return {what, symbology, std::move(data), std::move(expected), "code128", "Code128", identifier, readers};
}

}  // namespace

std::vector<DecoderCase> code128_decoder_cases() {
  return {
      code128("letters", 20, "Tresslin"),
      code128("letters, space and punctuation", 20, "Hello, World! #42 (ok)"),
      code128("lower case and symbols of set B", 20, "a{b}c|d~e`f"),
      code128("odd digit run", 20, "1234567"),
      code128("even digit run", 20, "12345678"),
      code128("digit runs between letters", 20, "AB1234CD567EF89012"),
      code128("control character from set A", 20, "ab\tcd"),
      code128("one extended character between letters", 20, "caf\xC3\xA9 au lait", {}, READ_BY_ZXING),
      code128("latched run of extended characters", 20, "\xC3\x80\xC3\x89\xC3\x8E\xC3\x95\xC3\x9C", {},
              READ_BY_ZXING),
      code128("longest text of set B", 20, std::string(79, 'Z')),
      code128("longest digit text", 20, std::string(99, '7')),
      code128("subset B: digits stay in set B", 60, "12345678"),
      code128("subset B: letters and odd digits", 60, "Lot 12345"),
      code128("subset B: longest", 60, std::string(79, '5')),
      code128("EAN-128: GTIN", 16, "0112345678901231"),
      code128("EAN-128: batch with letters", 16, "10ABC123"),
      code128("EAN-128: odd digit count", 16, "0112345678901231" "17250101" "3"),
      code128("EAN-128: longest digit text", 16, std::string(99, '1')),
      code128("NVE-18", 75, "12345678901234567", "00123456789012345675"),
      code128("NVE-18 with check digit 0", 75, "34012345678901234", "00340123456789012340"),
  };
}
