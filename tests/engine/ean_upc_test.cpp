#include "engine/linear/ean_upc.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/result.h"
#include "tests/engine/linear_test_support.h"

namespace {

constexpr int EAN = 13;
constexpr int UPCA = 34;
constexpr int UPCE = 37;
constexpr int ISBN = 69;

Encoded ean_upc(int symbology, const std::string& data, int rows_in_use = 0) {
  return run_encoder(encode_ean_upc, symbology, data, rows_in_use);
}

// The published module forms of the three EAN character sets.
const char* const set_l[] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                             "0110001", "0101111", "0111011", "0110111", "0001011"};
const char* const set_g[] = {"0100111", "0110011", "0011011", "0100001", "0011101",
                             "0111001", "0000101", "0010001", "0001001", "0010111"};
const char* const set_r[] = {"1110010", "1100110", "1101100", "1000010", "1011100",
                             "1001110", "1010000", "1000100", "1001000", "1110100"};

std::string digits_in(const char* digits, const char* sets) {
  std::string modules;
  for (int i = 0; sets[i]; ++i) {
    int digit = digits[i] - '0';
    modules += sets[i] == 'L' ? set_l[digit] : sets[i] == 'G' ? set_g[digit] : set_r[digit];
  }
  return modules;
}

TEST(EanUpc, ModulesOfEan13WithEan2AddOn) {
  // First digit 4: LGLLGG; add-on 12: 12 mod 4 = 0, LL.
  std::string expected = "101" + digits_in("006381", "LGLLGG") + "01010" + digits_in("333931", "RRRRRR") +
                         "101" + std::string(9, '0') + "1011" + set_l[1] + "01" + set_l[2];
  Encoded encoded = ean_upc(EAN, "400638133393+12");
  ASSERT_EQ(encoded.result, RESULT_OK);
  EXPECT_EQ(encoded.row, expected);
}

TEST(EanUpc, ModulesOfUpce) {
  // Number system 0, check digit 5: GLLGGL.
  Encoded encoded = ean_upc(UPCE, "123456");
  ASSERT_EQ(encoded.result, RESULT_OK);
  EXPECT_EQ(encoded.row, "101" + digits_in("123456", "GLLGGL") + "010101");
}

TEST(EanUpc, ModulesOfEan5Alone) {
  // 52495: 3 * (5 + 4 + 5) + 9 * (2 + 9) = 141, parity row 1: GLGLL.
  Encoded encoded = ean_upc(EAN, "52495");
  ASSERT_EQ(encoded.result, RESULT_OK);
  EXPECT_EQ(encoded.row, std::string("1011") + set_g[5] + "01" + set_l[2] + "01" + set_g[4] + "01" +
                             set_l[9] + "01" + set_l[5]);
}

TEST(EanUpc, CheckDigitsAndShownText) {
  struct Case {
    int symbology;
    const char* data;
    const char* shown;
    int width;
  } cases[] = {
      {EAN, "400638133393", "4006381333931", 95},
      {EAN, "9638507", "96385074", 67},
      {EAN, "400638133393+12", "4006381333931+12", 95 + 9 + 20},
      {EAN, "400638133393+52495", "4006381333931+52495", 95 + 9 + 47},
      {EAN, "9638507+12", "96385074+12", 67 + 9 + 20},
      {EAN, "52495", "52495", 47},
      {EAN, "12", "12", 20},
      {EAN, "400638133393+", "4006381333931", 95},
      {UPCA, "03600029145", "036000291452", 95},
      {UPCA, "03600029145+52495", "036000291452+52495", 95 + 9 + 47},
      {UPCE, "123456", "01234565", 51},
      {UPCE, "0123456", "01234565", 51},
      {UPCE, "5123456", "01234565", 51},  // number system 5 becomes 0
      {UPCE, "1123456", "11234562", 51},
      {UPCE, "123456+12", "01234565+12", 51 + 9 + 20},
      {ISBN, "0306406152", "9780306406157", 95},
      {ISBN, "080442957X", "9780804429573", 95},
      {ISBN, "080442957x", "9780804429573", 95},
      {ISBN, "9780306406157", "9780306406157", 95},
      {ISBN, "9790000000001", "9790000000001", 95},
      {ISBN, "306406152", "9780306406157", 95},  // SBN
      {ISBN, "0306406152+12", "9780306406157+12", 95 + 9 + 20},
      {ISBN, "0306406152+52495", "9780306406157+52495", 95 + 9 + 47},
  };
  for (const Case& c : cases) {
    Encoded encoded = ean_upc(c.symbology, c.data);
    ASSERT_EQ(encoded.result, RESULT_OK) << c.data << ": " << encoded.error_text;
    EXPECT_EQ(encoded.data_text, c.shown);
    EXPECT_EQ(encoded.width, c.width) << c.data;
    EXPECT_EQ(encoded.row_count, 1);
  }
}

TEST(EanUpc, IsbnIsDrawnAsItsEan13) {
  EXPECT_EQ(ean_upc(ISBN, "0306406152").row, ean_upc(EAN, "978030640615").row);
  EXPECT_EQ(ean_upc(ISBN, "306406152+12").row, ean_upc(EAN, "978030640615+12").row);
}

TEST(EanUpc, UpceExpansionAndItsWarning) {
  struct Case {
    const char* data;
    const char* shown;  // the check digit is that of the UPC-A equivalent
    bool warns;
  } cases[] = {
      {"123450", "01234505", false},  // 01200000345
      {"123452", "01234523", false},  // 01220000345
      {"123453", "01234531", false},  // 01230000045
      {"122453", "01224532", true},   // X3 is 2
      {"123454", "01234543", false},  // 01234000005
      {"123054", "01230545", true},   // X4 is 0
      {"123456", "01234565", false},  // 01234500006
      {"123305", "01233056", true},   // X5 is 0
      {"123309", "01233094", true},
  };
  for (const Case& c : cases) {
    Encoded encoded = ean_upc(UPCE, c.data);
    ASSERT_EQ(encoded.result, RESULT_OK) << c.data;
    EXPECT_EQ(encoded.data_text, c.shown);
    EXPECT_EQ(encoded.error_text, c.warns ? "warning: invalid UPC-E data" : "") << c.data;
    EXPECT_EQ(encoded.row_count, 1);
  }
}

TEST(EanUpc, CheckDigitFunctions) {
  EXPECT_EQ(ean13_check_digit("400638133393"), '1');
  EXPECT_EQ(ean13_check_digit("000000000000"), '0');
  EXPECT_EQ(upc_check_digit("03600029145", 11), '2');
  EXPECT_EQ(upc_check_digit("9638507", 7), '4');
  EXPECT_EQ(isbn13_check_digit("9780306406157"), '7');
  EXPECT_EQ(isbn10_check_digit("0306406152"), '2');
  EXPECT_EQ(isbn10_check_digit("080442957X"), 'X');
  EXPECT_EQ(isbn10_check_digit("0000000000"), '0');
}

TEST(EanUpc, RefusalsLeaveTheRecord) {
  struct Case {
    int symbology;
    std::string data;
    int result;
    const char* message;
  } cases[] = {
      {EAN, std::string(20, '1'), RESULT_TOO_LONG, "error: input too long(<=19)"},
      {ISBN, std::string(20, '1'), RESULT_TOO_LONG, "error: input too long(<=19)"},
      {EAN, "40063813339A", RESULT_INVALID_DATA, "error: invalid characters in data"},
      {UPCA, "0360002914\xE9", RESULT_INVALID_DATA, "error: invalid characters in data"},
      {EAN, "4006381333931", RESULT_TOO_LONG, "error: invalid length input"},
      {EAN, "123", RESULT_TOO_LONG, "error: invalid length input"},
      {EAN, "", RESULT_TOO_LONG, "error: invalid length input"},
      {EAN, "+12", RESULT_TOO_LONG, "error: invalid length input"},
      // The add-on is checked before anything is built.
      {EAN, "400638133393+123", RESULT_TOO_LONG, "error: invalid length input"},
      {EAN, "400638133393+1", RESULT_TOO_LONG, "error: invalid length input"},
      {UPCA, "03600029145+1234", RESULT_TOO_LONG, "error: invalid length input"},
      // A second "+" is refused.
      {EAN, "400638133393+1+2", RESULT_INVALID_DATA, "error: invalid characters in data"},
      {EAN, "12++", RESULT_INVALID_DATA, "error: invalid characters in data"},
      {UPCA, "036000291452", RESULT_TOO_LONG, "error: input wrong length(=11)"},
      {UPCE, "12345", RESULT_TOO_LONG, "error: input wrong length"},
      {UPCE, "12345678", RESULT_TOO_LONG, "error: input wrong length"},
      // ISBN add-ons are digits, of length 2 or 5.
      {ISBN, "0306406152+AB", RESULT_INVALID_DATA, "error: invalid characters in data"},
      {ISBN, "0306406152+1\xE9", RESULT_INVALID_DATA, "error: invalid characters in data"},
      {ISBN, "0306406152+1+2", RESULT_INVALID_DATA, "error: invalid characters in data"},
      {ISBN, "0306406152+123", RESULT_TOO_LONG, "error: invalid length input"},
      // "X" only as the check digit of an ISBN-10 or SBN.
      {ISBN, "03064061X2", RESULT_INVALID_DATA, "error: invalid characters in input"},
      {ISBN, "X306406152", RESULT_INVALID_DATA, "error: invalid characters in input"},
      {ISBN, "978030640615X", RESULT_INVALID_DATA, "error: invalid characters in input"},
      {ISBN, "1234X", RESULT_INVALID_DATA, "error: invalid characters in input"},
      {ISBN, "08044295XX", RESULT_INVALID_DATA, "error: invalid characters in input"},
      {ISBN, "0306-406152", RESULT_INVALID_DATA, "error: invalid characters in input"},
      {ISBN, "03064\xE9" "6152", RESULT_INVALID_DATA, "error: invalid characters in input"},
      {ISBN, "03064061", RESULT_TOO_LONG, "error: input wrong length(9~13)"},
      {ISBN, "03064061521", RESULT_TOO_LONG, "error: input wrong length(9~13)"},
      {ISBN, "9770306406157", RESULT_INVALID_DATA, "error: invalid ISBN"},
      {ISBN, "9780306406158", RESULT_INVALID_CHECK, "error: incorrect ISBN check"},
      {ISBN, "0306406153", RESULT_INVALID_CHECK, "error: incorrect ISBN check"},
      {ISBN, "030640615x", RESULT_INVALID_CHECK, "error: incorrect ISBN check"},
      {ISBN, "306406153", RESULT_INVALID_CHECK, "error: incorrect SBN check"},
  };
  for (const Case& c : cases) {
    Encoded encoded = ean_upc(c.symbology, c.data);
    EXPECT_EQ(encoded.result, c.result) << c.data;
    EXPECT_EQ(encoded.error_text, c.message) << c.data;
    EXPECT_EQ(encoded.data_text, c.data);
    EXPECT_EQ(encoded.row_count, 0) << c.data;
    EXPECT_EQ(encoded.width, 0) << c.data;
  }
}

TEST(EanUpc, FullRecordKeepsTheText) {
  struct Case {
    int symbology;
    const char* data;
  } cases[] = {
      {EAN, "400638133393+12"},
      {UPCE, "123305"},  // the warning gives way to the error
      {ISBN, "080442957x"},
  };
  for (const Case& c : cases) {
    Encoded encoded = ean_upc(c.symbology, c.data, MAX_ROWS);
    EXPECT_EQ(encoded.result, RESULT_TOO_LONG) << c.data;
    EXPECT_EQ(encoded.error_text, "error: symbol too large");
    EXPECT_EQ(encoded.data_text, c.data);
  }
}

}  // namespace
