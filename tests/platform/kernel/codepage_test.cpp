#include "platform/kernel/codepage.h"

#include <gtest/gtest.h>

namespace {

TEST(Codepage, EveryByteRoundTrips) {
  for (UINT codepage : {CP_WINDOWS_1252, CP_WINDOWS_1250}) {
    for (int byte = 1; byte < 256; ++byte) {
      std::string ansi(1, static_cast<char>(byte));
      std::string back;
      ASSERT_TRUE(ansi_from_utf8(utf8_from_ansi(ansi, codepage), back, codepage)) << byte;
      EXPECT_EQ(back, ansi);
      ASSERT_TRUE(ansi_from_utf16(utf16_from_ansi(ansi, codepage), back, codepage)) << byte;
      EXPECT_EQ(back, ansi);
    }
  }
}

TEST(Codepage, KnownCharacters) {
  struct Case {
    unsigned char byte;
    UINT codepage;
    char32_t code_point;
  } cases[] = {
      {0x41, CP_WINDOWS_1252, U'A'},      {0x80, CP_WINDOWS_1252, U'\u20AC'},
      {0x81, CP_WINDOWS_1252, U'\u0081'}, {0x9F, CP_WINDOWS_1252, U'\u0178'},
      {0xE9, CP_WINDOWS_1252, U'\u00E9'}, {0xA3, CP_WINDOWS_1250, U'\u0141'},
      {0xE8, CP_WINDOWS_1250, U'\u010D'}, {0xFF, CP_WINDOWS_1250, U'\u02D9'},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ansi_to_unicode(c.byte, c.codepage), c.code_point) << int(c.byte);
    EXPECT_EQ(unicode_to_ansi(c.code_point, c.codepage), c.byte) << int(c.byte);
  }
}

TEST(Codepage, RefusesWhatCannotBeRepresented) {
  std::string out;
  EXPECT_FALSE(ansi_from_utf8("\xE2\x82\xB9", out));      // rupee sign
  EXPECT_FALSE(ansi_from_utf8("\xC3", out));              // truncated sequence
  EXPECT_FALSE(ansi_from_utf8("\xC0\xAF", out));          // overlong
  EXPECT_FALSE(ansi_from_utf8("\xED\xA0\x80", out));      // surrogate
  EXPECT_FALSE(ansi_from_utf8("\xC5\x81", out));          // L with stroke: 1250 only
  EXPECT_TRUE(ansi_from_utf8("\xC5\x81", out, CP_WINDOWS_1250));
  EXPECT_EQ(out, "\xA3");
  EXPECT_FALSE(ansi_from_utf16(u"\xD800", out));          // lone surrogate
  EXPECT_FALSE(ansi_from_utf16(u"\U0001F600", out));      // outside the code page
  EXPECT_TRUE(ansi_from_utf8("caf\xC3\xA9 \xE2\x82\xAC", out));
  EXPECT_EQ(out, "caf\xE9 \x80");
}

}  // namespace
