#include <gtest/gtest.h>

#include <cstring>

#include "platform/com/bstr.h"
#include "platform/com/guid.h"

namespace {

TEST(Guid, WellKnownIdentifiersReadAsTheirRegistryForm) {
  struct Case {
    const IID& iid;
    const char* text;
  } cases[] = {
      {IID_IUnknown, "{00000000-0000-0000-C000-000000000046}"},
      {IID_IClassFactory, "{00000001-0000-0000-C000-000000000046}"},
      {IID_IDispatch, "{00020400-0000-0000-C000-000000000046}"},
      {IID_ISupportErrorInfo, "{DF0B3D60-548F-101B-8E65-08002B2BD119}"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(guid_to_string(c.iid), c.text);
    EXPECT_EQ(guid_from_string(c.text), c.iid);
  }
}

TEST(Guid, ParsingAcceptsEitherCaseAndRefusesMalformedText) {
  EXPECT_EQ(guid_from_string("{df0b3d60-548f-101b-8e65-08002b2bd119}"), IID_ISupportErrorInfo);
  for (const char* bad : {"", "DF0B3D60-548F-101B-8E65-08002B2BD119", "{DF0B3D60-548F-101B-8E65-08002B2BD11}",
                          "{DF0B3D60-548F-101B-8E65-08002B2BD1190}", "{DF0B3D60+548F-101B-8E65-08002B2BD119}",
                          "{DF0B3D60-548F-101B-8E65-08002B2BD11G}"})
    EXPECT_FALSE(guid_from_string(bad)) << bad;
}

TEST(Guid, Utf16Forms) {
  OLECHAR text[39];
  EXPECT_EQ(StringFromGUID2(IID_IDispatch, text, 38), 0);
  ASSERT_EQ(StringFromGUID2(IID_IDispatch, text, 39), 39);
  EXPECT_EQ(std::u16string(text), u"{00020400-0000-0000-C000-000000000046}");
  IID iid;
  ASSERT_EQ(IIDFromString(text, &iid), S_OK);
  EXPECT_EQ(iid, IID_IDispatch);
  EXPECT_EQ(IIDFromString(u"{00020400-0000-0000-C000-00000000004\u00e9}", &iid), E_INVALIDARG);
}

TEST(Bstr, CarriesItsByteLengthBeforeTheTextAndATerminatorAfter) {
  BSTR text = SysAllocString(u"Tresslin");
  ASSERT_NE(text, nullptr);
  DWORD prefix;
  std::memcpy(&prefix, reinterpret_cast<char*>(text) - 4, 4);
  EXPECT_EQ(prefix, 16u);
  EXPECT_EQ(SysStringLen(text), 8u);
  EXPECT_EQ(SysStringByteLen(text), 16u);
  EXPECT_EQ(text[8], 0);
  SysFreeString(text);
}

TEST(Bstr, EmbeddedZerosOddByteLengthsAndNull) {
  const OLECHAR with_zero[] = {u'a', 0, u'b'};
  BSTR text = SysAllocStringLen(with_zero, 3);
  EXPECT_EQ(bstr_view(text), std::u16string_view(with_zero, 3));
  ASSERT_TRUE(SysReAllocString(&text, u"new"));
  EXPECT_EQ(bstr_view(text), u"new");
  SysFreeString(text);

  BSTR bytes = SysAllocStringByteLen("abc", 3);
  EXPECT_EQ(SysStringByteLen(bytes), 3u);
  EXPECT_EQ(SysStringLen(bytes), 1u);
  SysFreeString(bytes);

  BSTR zeros = SysAllocStringLen(nullptr, 4);
  EXPECT_EQ(bstr_view(zeros), std::u16string_view(u"\0\0\0\0", 4));
  SysFreeString(zeros);

  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(bstr_view(nullptr), u"");
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  SysFreeString(nullptr);
}

TEST(Unicode, Utf8AndUtf16RoundTripAndRefuseMalformedInput) {
  const char* utf8 = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // A é € 😀
  std::optional<std::u16string> wide = utf16_from_utf8(utf8);
  ASSERT_TRUE(wide);
  EXPECT_EQ(*wide, u"A\u00e9\u20ac\U0001F600");
  EXPECT_EQ(utf8_from_utf16(*wide), utf8);
  for (const char* bad : {"\xC3", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80", "a\xE2\x82"})
    EXPECT_FALSE(utf16_from_utf8(bad)) << bad;
  EXPECT_FALSE(utf8_from_utf16(u"\xD800"));
  EXPECT_FALSE(utf8_from_utf16(std::u16string(1, u'\xDC00')));
}

}  // namespace
