// Interleaved 2 of 5 (3), ITF-14 (72) and the Deutsche Post Leitcode (21) and
// Identcode (22), which both decoders read as Interleaved 2 of 5.
//
// What the decoders report: every digit drawn, the leading "0" of an odd
// length and the check digit of 72, 21 and 22 included. zbarimg reads
// Interleaved 2 of 5 from six digits up unless i25.min-length is lowered;
// ZXingReader reads it from six digits up, with no option to lower that.
// ZXingReader checks the modulo-10 check digit of a 14-digit symbol on its own
// and reports ]I1 when it holds (ITF-14), ]I0 otherwise; Leitcode's check
// digit, weighted 4 and 9, is a different one.
#include "tests/decoders/decoder_cases.h"

namespace {

DecoderCase itf(const char* what, int symbology, std::string data, std::string digits,
                const char* zxing_identifier = "]I0") {
  return {what, symbology, std::move(data), std::move(digits), "i25", "ITF", zxing_identifier};
}

// The digits 1234567890 repeated up to `length`.
std::string digit_run(size_t length) {
  std::string digits;
  while (digits.size() < length) digits += static_cast<char>('0' + (digits.size() + 1) % 10);
  return digits;
}

}  // namespace

std::vector<DecoderCase> two_of_five_decoder_cases() {
  DecoderCase shortest = itf("Interleaved: odd length padded, four digits", 3, "123", "0123");
  shortest.readers = READ_BY_ZBAR;
  shortest.zbar_settings = {"i25.min-length=4"};
  return {
      shortest,
      itf("Interleaved: six digits", 3, "123456", "123456"),
      itf("Interleaved: odd length padded", 3, "1234567", "01234567"),
      itf("Interleaved: even digits on bars, odd on spaces", 3, "0123456789", "0123456789"),
      itf("Interleaved: odd digits on bars, even on spaces", 3, "1032547698", "1032547698"),
      itf("Interleaved: longest odd length", 3, digit_run(89), "0" + digit_run(89)),
      itf("Interleaved: longest", 3, digit_run(90), digit_run(90)),
      itf("ITF-14", 72, "1540014128876", "15400141288763", "]I1"),
      itf("ITF-14, the last digit weighs 3", 72, "0000000000001", "00000000000017", "]I1"),
      itf("Leitcode", 21, "1234567890123", "12345678901236"),
      itf("Leitcode of zeros, its check digit also the modulo-10 one", 21, "0000000000000", "00000000000000", "]I1"),
      itf("Identcode", 22, "56310243031", "563102430313"),
      itf("Identcode, the last digit weighs 4", 22, "00000000001", "000000000016"),
  };
}
