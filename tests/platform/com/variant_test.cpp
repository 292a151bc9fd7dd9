#include <gtest/gtest.h>

#include <string>

#include "platform/com/bstr.h"
#include "platform/com/variant.h"

namespace {

VARIANT of_i4(LONG v) { return variant_from_long(v); }
VARIANT of_i2(SHORT v) {
  VARIANT x = of_i4(0);
  x.vt = VT_I2;
  x.iVal = v;
  return x;
}
VARIANT of_ui4(ULONG v) {
  VARIANT x = of_i4(0);
  x.vt = VT_UI4;
  x.ulVal = v;
  return x;
}
VARIANT of_r8(double v) {
  VARIANT x = of_i4(0);
  x.vt = VT_R8;
  x.dblVal = v;
  return x;
}
VARIANT of_bool(bool v) {
  VARIANT x = of_i4(0);
  x.vt = VT_BOOL;
  x.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
  return x;
}
VARIANT of_text(const char16_t* text) { return variant_from_text(text); }

// The converted value as text, for one comparison per case.
std::string shown(const VARIANT& v) {
  switch (v.vt) {
    case VT_I2: return "I2 " + std::to_string(v.iVal);
    case VT_I4: return "I4 " + std::to_string(v.lVal);
    case VT_UI4: return "UI4 " + std::to_string(v.ulVal);
    case VT_R8: return "R8 " + std::to_string(v.dblVal);
    case VT_BOOL: return "BOOL " + std::to_string(v.boolVal);
    case VT_BSTR: return "BSTR " + *utf8_from_utf16(bstr_view(v.bstrVal));
    case VT_EMPTY: return "EMPTY";
    default: return "vt " + std::to_string(v.vt);
  }
}

struct Conversion {
  const char* what;
  VARIANT source;
  VARTYPE target;
  HRESULT status;
  const char* expected;  // shown() of the result when status is S_OK
};

TEST(VariantChangeType, CoercionsAutomationHostsRelyOn) {
  VARIANT empty;
  VariantInit(&empty);
  Conversion cases[] = {
      {"I4 to I2", of_i4(-5), VT_I2, S_OK, "I2 -5"},
      {"I4 too big for I2", of_i4(32768), VT_I2, DISP_E_OVERFLOW, nullptr},
      {"I4 too small for I2", of_i4(-32769), VT_I2, DISP_E_OVERFLOW, nullptr},
      {"I2 to I4 sign-extends", of_i2(-1), VT_I4, S_OK, "I4 -1"},
      {"negative to UI4", of_i4(-1), VT_UI4, DISP_E_OVERFLOW, nullptr},
      {"UI4 past I4", of_ui4(0x80000000u), VT_I4, DISP_E_OVERFLOW, nullptr},
      {"UI4 to I4", of_ui4(0x00FF00FFu), VT_I4, S_OK, "I4 16711935"},
      {"R8 rounds half to even", of_r8(2.5), VT_I4, S_OK, "I4 2"},
      {"R8 rounds half to even, odd", of_r8(3.5), VT_I2, S_OK, "I2 4"},
      {"R8 negative", of_r8(-1.6), VT_I4, S_OK, "I4 -2"},
      {"R8 too big", of_r8(1e10), VT_I4, DISP_E_OVERFLOW, nullptr},
      {"R8 to I2 overflow", of_r8(40000.0), VT_I2, DISP_E_OVERFLOW, nullptr},
      {"BOOL to I2", of_bool(true), VT_I2, S_OK, "I2 -1"},
      {"BOOL to UI4 overflows", of_bool(true), VT_UI4, DISP_E_OVERFLOW, nullptr},
      {"I4 to BOOL", of_i4(7), VT_BOOL, S_OK, "BOOL -1"},
      {"zero to BOOL", of_i4(0), VT_BOOL, S_OK, "BOOL 0"},
      {"text to I2", of_text(u" 123 "), VT_I2, S_OK, "I2 123"},
      {"signed text", of_text(u"-20"), VT_I4, S_OK, "I4 -20"},
      {"hex text", of_text(u"&HFF"), VT_I4, S_OK, "I4 255"},
      {"decimal text rounds", of_text(u"1.5"), VT_I4, S_OK, "I4 2"},
      {"exponent text", of_text(u"1e3"), VT_R8, S_OK, "R8 1000.000000"},
      {"text too big for I2", of_text(u"70000"), VT_I2, DISP_E_OVERFLOW, nullptr},
      {"huge text", of_text(u"999999999999999999999999"), VT_I4, DISP_E_OVERFLOW, nullptr},
      {"letters to I4", of_text(u"12a"), VT_I4, DISP_E_TYPEMISMATCH, nullptr},
      {"empty text to I4", of_text(u""), VT_I4, DISP_E_TYPEMISMATCH, nullptr},
      {"sign alone", of_text(u"-"), VT_I4, DISP_E_TYPEMISMATCH, nullptr},
      {"text True", of_text(u"true"), VT_BOOL, S_OK, "BOOL -1"},
      {"text False", of_text(u"False"), VT_BOOL, S_OK, "BOOL 0"},
      {"text number to BOOL", of_text(u"0"), VT_BOOL, S_OK, "BOOL 0"},
      {"text to BOOL mismatch", of_text(u"yes"), VT_BOOL, DISP_E_TYPEMISMATCH, nullptr},
      {"I4 to text", of_i4(-42), VT_BSTR, S_OK, "BSTR -42"},
      {"R8 to text", of_r8(0.25), VT_BSTR, S_OK, "BSTR 0.25"},
      {"BOOL to text", of_bool(true), VT_BSTR, S_OK, "BSTR -1"},
      {"text to text", of_text(u"x\u00e9"), VT_BSTR, S_OK, "BSTR x\xC3\xA9"},
      {"empty to I4", empty, VT_I4, S_OK, "I4 0"},
      {"empty to text", empty, VT_BSTR, S_OK, "BSTR "},
      {"I4 to R8", of_i4(3), VT_R8, S_OK, "R8 3.000000"},
      {"unknown type tag", of_i4(1), 99, DISP_E_BADVARTYPE, nullptr},
  };
  for (Conversion& c : cases) {
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(VariantChangeType(&result, &c.source, 0, c.target), c.status) << c.what;
    if (c.status == S_OK)
      EXPECT_EQ(shown(result), c.expected) << c.what;
    else
      EXPECT_EQ(result.vt, VT_EMPTY) << c.what << ": a failed conversion leaves the target as it was";
    VariantClear(&result);
    VariantClear(&c.source);
  }
}

TEST(VariantChangeType, ReadsThroughReferences) {
  LONG number = 300;
  VARIANT reference = of_i4(0);
  reference.vt = VT_BYREF | VT_I4;
  reference.plVal = &number;
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(VariantChangeType(&result, &reference, 0, VT_I2), S_OK);
  EXPECT_EQ(shown(result), "I2 300");

  VARIANT inner = of_text(u"12");
  VARIANT to_variant = of_i4(0);
  to_variant.vt = VT_BYREF | VT_VARIANT;
  to_variant.pvarVal = &inner;
  ASSERT_EQ(VariantChangeType(&result, &to_variant, 0, VT_I4), S_OK);
  EXPECT_EQ(shown(result), "I4 12");
  VariantClear(&inner);

  reference.byref = nullptr;
  EXPECT_EQ(VariantChangeType(&result, &reference, 0, VT_I4), E_INVALIDARG);
}

TEST(VariantChangeType, ConvertsInPlaceAndSpellsBooleansOnRequest) {
  VARIANT value = of_text(u"77");
  ASSERT_EQ(VariantChangeType(&value, &value, 0, VT_I2), S_OK);
  EXPECT_EQ(shown(value), "I2 77");
  VARIANT flag = of_bool(false);
  ASSERT_EQ(VariantChangeType(&flag, &flag, VARIANT_ALPHABOOL, VT_BSTR), S_OK);
  EXPECT_EQ(shown(flag), "BSTR False");
  VariantClear(&flag);
}

TEST(VariantCopy, DuplicatesTextsAndClearFreesThem) {
  VARIANT source = of_text(u"copy me");
  VARIANT copy = of_text(u"old value, freed by the copy");
  ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
  EXPECT_NE(copy.bstrVal, source.bstrVal);
  EXPECT_EQ(bstr_view(copy.bstrVal), u"copy me");
  VariantClear(&source);
  EXPECT_EQ(source.vt, VT_EMPTY);
  EXPECT_EQ(bstr_view(copy.bstrVal), u"copy me");
  VariantClear(&copy);
}

}  // namespace
