// EAN (13: EAN-13, EAN-8, add-ons alone), UPC-A (34), UPC-E (37) and ISBN
// (69), with and without add-ons.
//
// What the decoders report: the digits with the check digit the encoder
// appends. zbarimg reads UPC-A only with its EAN-13 reader and upca enabled
// together (else it reports 13 digits), and an add-on only when ean2 or ean5
// is enabled; it reports the add-on as a symbol of its own, printed before the
// main one. ZXingReader reads add-ons without being asked and appends them to
// the main text after a space, with the identifier ]E3 (]E4 stays for EAN-8).
// The texts of the main symbols cover every row of the EAN-13 first-digit,
// UPC-E and EAN-5 parity tables and all four EAN-2 parities.
#include "tests/decoders/decoder_cases.h"

namespace {

// How the decoders are asked for a main symbol and what ZXingReader reports.
struct MainSymbol {
  const char* zbar_name;
  std::vector<std::string> zbar_settings;
  const char* zxing_format;
  const char* zxing_identifier;
  const char* zxing_identifier_with_addon;
};

const MainSymbol EAN13{"ean13", {}, "EAN-13", "]E0", "]E3"};
const MainSymbol EAN8{"ean8", {}, "EAN-8", "]E4", "]E4"};
const MainSymbol UPCA{"upca", {"ean13.enable"}, "UPC-A", "]E0", "]E3"};
const MainSymbol UPCE{"upce", {}, "UPC-E", "]E0", "]E3"};

// `digits`: the text the decoders read and the data text shows afterwards.
DecoderCase ean(const char* what, int symbology, std::string data, std::string digits, const MainSymbol& main,
                unsigned readers = READ_BY_BOTH) {
  return {what,    symbology, std::move(data), std::move(digits), main.zbar_name, main.zxing_format,
          main.zxing_identifier, readers, {}, main.zbar_settings};
}

// The same picture read by each decoder the way it reports an add-on.
void add_with_addon(std::vector<DecoderCase>& cases, const char* what, int symbology, const std::string& data,
                    const std::string& main_text, const std::string& addon, const MainSymbol& main) {
  std::vector<std::string> zbar_settings = main.zbar_settings;
  zbar_settings.push_back(addon.size() == 2 ? "ean2.enable" : "ean5.enable");
  std::string shown = main_text + "+" + addon;
  cases.push_back({what, symbology, data, addon + "\n" + main_text, main.zbar_name, main.zxing_format, "",
                   READ_BY_ZBAR, shown, zbar_settings});
  cases.push_back({what, symbology, data, main_text + " " + addon, main.zbar_name, main.zxing_format,
                   main.zxing_identifier_with_addon, READ_BY_ZXING, shown});
}

// An add-on drawn alone: zbarimg reads it with its add-on reader; ZXingReader
// 1.4 reads add-ons only behind a main symbol.
DecoderCase addon_alone(const char* what, std::string digits) {
  const char* zbar_name = digits.size() == 2 ? "ean2" : "ean5";
  return {what, 13, std::move(digits), {}, zbar_name, "EAN-13", "", READ_BY_ZBAR};
}

void add_ean13_cases(std::vector<DecoderCase>& cases) {
  cases.push_back(ean("EAN-13", 13, "400638133393", "4006381333931", EAN13));
  // One text for each first digit, so every parity row of digits 2 to 7 is read.
  const char* const by_first_digit[][2] = {
      {"012345678901", "0123456789012"}, {"112345678901", "1123456789011"}, {"212345678901", "2123456789010"},
      {"312345678901", "3123456789019"}, {"412345678901", "4123456789018"}, {"512345678901", "5123456789017"},
      {"612345678901", "6123456789016"}, {"712345678901", "7123456789015"}, {"812345678901", "8123456789014"},
      {"912345678901", "9123456789013"},
  };
  for (const auto& [data, digits] : by_first_digit)
    cases.push_back(ean("EAN-13, parity row of the first digit", 13, data, digits, EAN13));
}

void add_ean8_cases(std::vector<DecoderCase>& cases) {
  cases.push_back(ean("EAN-8", 13, "9638507", "96385074", EAN8));
  cases.push_back(ean("EAN-8, all zeros", 13, "0000000", "00000000", EAN8));
  cases.push_back(ean("EAN-8, check digit 7", 13, "5512345", "55123457", EAN8));
}

void add_addon_cases(std::vector<DecoderCase>& cases) {
  // EAN-2 parity by the value modulo 4: 12 -> 0, 13 -> 1, 14 -> 2, 99 -> 3.
  for (const char* addon : {"12", "13", "14", "99"})
    add_with_addon(cases, "EAN-13 with EAN-2", 13, std::string("400638133393+") + addon, "4006381333931", addon, EAN13);
  // EAN-5 parity rows 0 to 9 (the add-on check of each text, in order).
  for (const char* addon : {"94559", "52495", "72339", "15678", "50119", "13456", "19011", "16789", "61229", "14567"})
    add_with_addon(cases, "EAN-13 with EAN-5", 13, std::string("400638133393+") + addon, "4006381333931", addon, EAN13);
  add_with_addon(cases, "EAN-8 with EAN-2", 13, "9638507+12", "96385074", "12", EAN8);
  add_with_addon(cases, "UPC-A with EAN-5", 34, "03600029145+52495", "036000291452", "52495", UPCA);
  add_with_addon(cases, "UPC-E with EAN-2", 37, "123456+12", "01234565", "12", UPCE);
  add_with_addon(cases, "ISBN-10 with EAN-5", 69, "0306406152+52495", "9780306406157", "52495", EAN13);
  add_with_addon(cases, "ISBN-13 with EAN-2", 69, "9780306406157+12", "9780306406157", "12", EAN13);
  cases.push_back(addon_alone("EAN-2 alone", "12"));
  cases.push_back(addon_alone("EAN-2 alone, parity BB", "99"));
  cases.push_back(addon_alone("EAN-5 alone", "52495"));
  cases.push_back(addon_alone("EAN-5 alone, parity row 0", "94559"));
}

void add_upca_cases(std::vector<DecoderCase>& cases) {
  cases.push_back(ean("UPC-A", 34, "03600029145", "036000291452", UPCA));
  cases.push_back(ean("UPC-A, every digit", 34, "12345678901", "123456789012", UPCA));
  cases.push_back(ean("UPC-A, check digit 6", 34, "88888888888", "888888888886", UPCA));
}

// UPC-E: ten texts of number system 0 that together use every last digit X6
// (each expansion rule) and every check digit (each parity row); the same for
// number system 1, which zbarimg 0.23 does not decode (it knows system 0 only).
void add_upce_cases(std::vector<DecoderCase>& cases) {
  cases.push_back(ean("UPC-E, six digits", 37, "123456", "01234565", UPCE));
  cases.push_back(ean("UPC-E, number system 5 becomes 0", 37, "5123456", "01234565", UPCE));
  const char* const system0[][2] = {
      {"0416460", "04164603"}, {"0150721", "01507210"}, {"0301182", "03011827"}, {"0818123", "08181234"},
      {"0147214", "01472141"}, {"0039855", "00398558"}, {"0131376", "01313765"}, {"0152927", "01529272"},
      {"0590678", "05906789"}, {"0582759", "05827596"},
  };
  for (const auto& [data, digits] : system0) cases.push_back(ean("UPC-E, number system 0", 37, data, digits, UPCE));
  const char* const system1[][2] = {
      {"1733220", "17332204"}, {"1408541", "14085411"}, {"1559002", "15590028"}, {"1738933", "17389335"},
      {"1701544", "17015442"}, {"1218485", "12184859"}, {"1319226", "13192266"}, {"1440217", "14402173"},
      {"1669868", "16698680"}, {"1324939", "13249397"},
  };
  for (const auto& [data, digits] : system1)
    cases.push_back(ean("UPC-E, number system 1", 37, data, digits, UPCE, READ_BY_ZXING));
}

// ISBN: drawn as EAN-13. zbarimg with isbn10 enabled turns a 978 symbol back
// into its ISBN-10, check character included, which checks the conversion from
// the other side.
void add_isbn_cases(std::vector<DecoderCase>& cases) {
  cases.push_back(ean("ISBN-13", 69, "9780306406157", "9780306406157", EAN13));
  cases.push_back(ean("ISBN-13 with 979", 69, "9791234567896", "9791234567896", EAN13));
  cases.push_back(ean("ISBN-10", 69, "0306406152", "9780306406157", EAN13));
  cases.push_back(ean("ISBN-10 with check X", 69, "080442957X", "9780804429573", EAN13));
  cases.push_back(ean("ISBN-10 with check x", 69, "080442957x", "9780804429573", EAN13));
  cases.push_back(ean("SBN", 69, "306406152", "9780306406157", EAN13));
  cases.push_back({"ISBN-10 read as ISBN-10", 69, "0306406152", "0306406152", "isbn10", "EAN-13", "", READ_BY_ZBAR,
                   "9780306406157", {"ean13.enable"}});
  cases.push_back({"ISBN-10 with check X read as ISBN-10", 69, "080442957x", "080442957X", "isbn10", "EAN-13", "",
                   READ_BY_ZBAR, "9780804429573", {"ean13.enable"}});
}

}  // namespace

std::vector<DecoderCase> ean_upc_decoder_cases() {
  std::vector<DecoderCase> cases;
  add_ean13_cases(cases);
  add_ean8_cases(cases);
  add_addon_cases(cases);
  add_upca_cases(cases);
  add_upce_cases(cases);
  add_isbn_cases(cases);
  return cases;
}
