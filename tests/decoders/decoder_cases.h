// The data texts the independent decoders must read back from pictures
// written through Encode2File. Each symbology family lists its cases in a
// function of its own (decoder_cases_<family>.cpp) and adds it to
// all_decoder_cases().
#pragma once

#include <string>
#include <vector>

// Which decoder reads a case back faithfully.
constexpr unsigned READ_BY_ZBAR = 1;
constexpr unsigned READ_BY_ZXING = 2;
constexpr unsigned READ_BY_BOTH = READ_BY_ZBAR | READ_BY_ZXING;

struct DecoderCase {
  const char* what;
  int symbology;
  std::string data;      // CodedText, UTF-8
  std::string expected;  // the decoded text, UTF-8; empty: the data itself
  const char* zbar_name;         // zbarimg's name of the symbology (-S<name>.enable)
  const char* zxing_format;      // ZXingReader -format
  const char* zxing_identifier;  // the symbology identifier ZXingReader reports
  unsigned readers = READ_BY_BOTH;
  std::string shown = {};                       // the data text after encoding; empty: the decoded text
  std::vector<std::string> zbar_settings = {};  // more zbarimg settings, each passed as -S<setting>
};

std::vector<DecoderCase> code128_decoder_cases();
std::vector<DecoderCase> ean_upc_decoder_cases();
std::vector<DecoderCase> code39_decoder_cases();
std::vector<DecoderCase> two_of_five_decoder_cases();

inline std::vector<DecoderCase> all_decoder_cases() {
  std::vector<DecoderCase> cases;
  for (auto family : {code128_decoder_cases, ean_upc_decoder_cases, code39_decoder_cases,
                      two_of_five_decoder_cases}) {
    std::vector<DecoderCase> more = family();
    cases.insert(cases.end(), more.begin(), more.end());
  }
  return cases;
}
