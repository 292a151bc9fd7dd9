// Code 39 (8), with the modulo-43 check (105) and with wide elements of three
// modules (50), Extended Code 39 (9, 106), PZN (52) and Code 93 (25).
//
// What the decoders report:
// - Code 39: the symbol characters between the asterisks, the modulo-43 check
//   character included as the last one. Neither decoder is asked to verify or
//   strip it (zbarimg 0.23 accepts code39.add-check and code39.emit-check but
//   its Code 39 reader ignores both; ZXingReader has no option for it), so the
//   expected texts carry the check characters worked out by hand. A check
//   character of space is read as a space while the data text shows "_".
// - Extended Code 39: neither program decodes full ASCII (zbarimg ignores
//   code39.ascii, ZXingReader 1.4 sets no extended mode and has no option for
//   it), so both report the Code 39 characters the symbol carries: the
//   published full-ASCII replacement of every character, written out by hand
//   here, which checks the replacement character by character.
// - Code 93: both decoders verify the check characters C and K and strip
//   them, and decode the shift characters, so they report the data itself;
//   the data text afterwards shows C and K (a, b, c, d for the shifts).
#include "tests/decoders/decoder_cases.h"

namespace {

DecoderCase code39(const char* what, int symbology, std::string data, std::string decoded, std::string shown) {
  return {what, symbology, std::move(data), std::move(decoded), "code39", "Code39", "]A0", READ_BY_BOTH,
          std::move(shown)};
}

DecoderCase code93(const char* what, std::string data, std::string shown) {
  return {what, 25, std::move(data), {}, "code93", "Code93", "]G0", READ_BY_BOTH, std::move(shown)};
}

const char ALL_CODE39[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
const char LONGEST_CODE39[] = "TRESSLIN-39 0123456789ABCDEFGHIJKLMNOPQRSTUVW";
static_assert(sizeof LONGEST_CODE39 - 1 == 45);

std::vector<DecoderCase> plain_code39_cases() {
  const std::string all = ALL_CODE39, longest = LONGEST_CODE39;
  return {
      code39("letters", 8, "ABC", "ABC", "*ABC*"),
      code39("lower case is upper-cased", 8, "abc", "ABC", "*ABC*"),
      code39("every character", 8, all, all, "*" + all + "*"),
      code39("longest", 8, longest, longest, "*" + longest + "*"),
      code39("check character", 105, "ABC", "ABCX", "*ABCX*"),
      code39("check character of lower case", 105, "code39", "CODE39W", "*CODE39W*"),
      code39("check character space", 105, "ABC5", "ABC5 ", "*ABC5_*"),
      code39("check character of every character", 105, all, all + "0", "*" + all + "0*"),
      code39("check character of the longest", 105, longest, longest + "S", "*" + longest + "S*"),
      code39("wide elements of three modules", 50, "ABC", "ABCX", "ABCX"),
      code39("wide elements, check character space", 50, "ABC5", "ABC5 ", "ABC5_"),
  };
}

std::vector<DecoderCase> extended_code39_cases() {
  const std::string controls_and_punctuation = "\x01\x1a\x1b\x1f !,-./09:";
  const std::string symbols_and_letters = ";?@AZ[_`az{\x7f";
  return {
      code39("full ASCII: mixed case", 9, "Hello", "H+E+L+L+O", "Hello"),
      code39("full ASCII: controls and punctuation", 9, controls_and_punctuation, "$A$Z%A%E /A/L-./O09/Z",
             controls_and_punctuation),
      code39("full ASCII: symbols and both cases", 9, symbols_and_letters, "%F%J%VAZ%K%O%W+A+Z%P%T",
             symbols_and_letters),
      code39("full ASCII with check: mixed case", 106, "Hello", "H+E+L+L+O3", "Hello"),
      code39("full ASCII with check: text", 106, "Tresslin 1.0/x", "T+R+E+S+S+L+I+N 1.0/O+X1", "Tresslin 1.0/x"),
      code39("full ASCII with check: controls and punctuation", 106, controls_and_punctuation,
             "$A$Z%A%E /A/L-./O09/Z%", controls_and_punctuation),
      code39("full ASCII with check: symbols and both cases", 106, symbols_and_letters, "%F%J%VAZ%K%O%W+A+Z%P%TF",
             symbols_and_letters),
  };
}

// PZN: "-", the six digits and the modulo-11 check digit, drawn as Code 39.
std::vector<DecoderCase> pzn_cases() {
  return {
      code39("PZN", 52, "123456", "-1234562", "-1234562"),
      code39("PZN with check digit 0", 52, "100006", "-1000060", "-1000060"),
      code39("PZN with remainder 10 drawn as A", 52, "100009", "-100009A", "-100009A"),
  };
}

std::vector<DecoderCase> code93_cases() {
  return {
      code93("letters and digits", "TEST93", "TEST93+6"),
      code93("letters, digits, space and the shifted $, %, +",
             "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%+", "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%+3P"),
      code93("longest", "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678",
             "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678SR"),
      code93("check character C a shift", "Code 93", "Code 93a8"),
      code93("check character K a shift", "Hello, World!", "Hello, World!Qc"),
      code93("shifted minus, full stop and slash", "a-b.c/d", "a-b.c/d$%"),
      code93("punctuation", "-./:;<=>?@[\\]^_`{|}~", "-./:;<=>?@[\\]^_`{|}~MS"),
      code93("control characters", "\x01\x1a\x1b\x1f", "\x01\x1a\x1b\x1fRF"),
      code93("tab and delete", "A\tB\x7f", "A\tB\x7fRL"),
  };
}

}  // namespace

std::vector<DecoderCase> code39_decoder_cases() {
  std::vector<DecoderCase> cases;
  for (auto family : {plain_code39_cases, extended_code39_cases, pzn_cases, code93_cases}) {
    std::vector<DecoderCase> more = family();
    cases.insert(cases.end(), more.begin(), more.end());
  }
  return cases;
}
