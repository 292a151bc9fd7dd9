// EncodeService: properties through the virtual table and through IDispatch,
// and the road of Encode2File with its failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/barcode_symbol.h"
#include "tests/com/automation.h"
#include "tests/com/picture_files.h"
#include "tests/support/scratch_folder.h"

namespace {

class EncodeServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.path().empty());
    service_ = new_encode_service();
    ASSERT_NE(service_, nullptr);
    LONG result = 0;
    ASSERT_EQ(service_->InitWorkspace(&result), S_OK);
  }
  void TearDown() override {
    LONG result;
    service_->FreeWorkspace(&result);
    service_->Release();
  }

  std::string path(const std::string& name) const { return folder_.file(name); }

  LONG encode(const std::string& name) {
    Bstr file(path(name));
    LONG result = -1;
    EXPECT_EQ(service_->Encode2File(file.get(), &result), S_OK);
    return result;
  }

  HRESULT set_text(HRESULT (IEncodeService::*setter)(BSTR), const std::string& utf8) {
    Bstr text(utf8);
    return (service_->*setter)(text.get());
  }

  std::string error_text() {
    BSTR text = nullptr;
    EXPECT_EQ(service_->get_ErrorText(&text), S_OK);
    std::string out = utf8_of(text);
    SysFreeString(text);
    return out;
  }

  ScratchFolder folder_{"tresslin-encode"};
  IEncodeService* service_ = nullptr;
};

TEST_F(EncodeServiceTest, InitWorkspaceSetsTheDefaults) {
  Automation automation(service_);
  EXPECT_EQ(automation.number(u"Symbology"), 1);
  EXPECT_EQ(automation.number(u"WhiteSpaceWidth"), 20);
  EXPECT_EQ(automation.number(u"BorderWidth"), 0);
  EXPECT_EQ(automation.number(u"OutputOptions"), 0);
  EXPECT_EQ(automation.number(u"RotateAngle"), 0);
  EXPECT_EQ(automation.number(u"CharSize"), 0);
  EXPECT_EQ(automation.number(u"TextAlign"), 0);
  EXPECT_EQ(automation.number(u"ForeColor"), 0);
  EXPECT_EQ(automation.number(u"BackColor"), 0xFFFFFF);
  for (const char16_t* name : {u"CharSet", u"CodedText", u"Prefix", u"Surfix", u"ErrorText"})
    EXPECT_EQ(automation.text(name), "") << utf8_of(Bstr(std::u16string_view(name)).get());
}

TEST_F(EncodeServiceTest, NumberPropertiesRoundTripThroughBothRoads) {
  struct Case {
    const char16_t* name;
    HRESULT (IEncodeService::*put)(SHORT);
    HRESULT (IEncodeService::*get)(SHORT*);
    int BarcodeSymbol::*field;
  } cases[] = {
      {u"Symbology", &IEncodeService::put_Symbology, &IEncodeService::get_Symbology, &BarcodeSymbol::symbology},
      {u"WhiteSpaceWidth", &IEncodeService::put_WhiteSpaceWidth, &IEncodeService::get_WhiteSpaceWidth,
       &BarcodeSymbol::white_space_width},
      {u"BorderWidth", &IEncodeService::put_BorderWidth, &IEncodeService::get_BorderWidth,
       &BarcodeSymbol::border_width},
      {u"OutputOptions", &IEncodeService::put_OutputOptions, &IEncodeService::get_OutputOptions,
       &BarcodeSymbol::output_options},
      {u"RotateAngle", &IEncodeService::put_RotateAngle, &IEncodeService::get_RotateAngle,
       &BarcodeSymbol::rotate_angle},
      {u"CharSize", &IEncodeService::put_CharSize, &IEncodeService::get_CharSize, &BarcodeSymbol::char_size},
  };
  Automation automation(service_);
  for (const Case& c : cases) {
    ASSERT_EQ((service_->*c.put)(-5), S_OK);
    EXPECT_EQ(workspace.symbol.*c.field, -5) << "sign-extended";
    EXPECT_EQ(automation.number(c.name), -5);
    ASSERT_EQ(automation.put(c.name, variant_text("300")), S_OK);
    SHORT value = 0;
    ASSERT_EQ((service_->*c.get)(&value), S_OK);
    EXPECT_EQ(value, 300);
    EXPECT_EQ(automation.put(c.name, variant_i4(40000)), DISP_E_OVERFLOW);
    EXPECT_EQ(automation.put(c.name, variant_text("wide")), DISP_E_TYPEMISMATCH);
    workspace.symbol.*c.field = 70000;
    ASSERT_EQ((service_->*c.get)(&value), S_OK);
    EXPECT_EQ(value, 4464) << "the low 16 bits";
    EXPECT_EQ((service_->*c.get)(nullptr), E_POINTER);
  }
  ASSERT_EQ(automation.put(u"TextAlign", variant_i4(0x12345)), S_OK);
  EXPECT_EQ(workspace.symbol.text_align, 0x12345) << "32 bits";
  ASSERT_EQ(automation.put(u"ForeColor", variant_i4(0x00FF8040)), S_OK);
  OLE_COLOR colour = 0;
  ASSERT_EQ(service_->get_ForeColor(&colour), S_OK);
  EXPECT_EQ(colour, 0x00FF8040u);
  ASSERT_EQ(service_->put_BackColor(0x80000005), S_OK);
  EXPECT_EQ(workspace.symbol.back_color, 0x80000005u) << "stored unchanged";
}

TEST_F(EncodeServiceTest, TextPropertiesReplaceTheirFieldWhole) {
  Automation automation(service_);
  ASSERT_EQ(automation.put(u"CodedText", variant_text("12345")), S_OK);
  ASSERT_EQ(automation.put(u"CodedText", variant_text("9")), S_OK);
  EXPECT_STREQ(workspace.symbol.data_text, "9");
  ASSERT_EQ(automation.put(u"Prefix", variant_text("\xE2\x82\xAC" "5")), S_OK);  // €5
  EXPECT_STREQ(workspace.prefix_value, "\x80" "5") << "Windows-1252";
  EXPECT_EQ(automation.text(u"Prefix"), "\xE2\x82\xAC" "5");
  ASSERT_EQ(automation.put(u"Surfix", variant_i4(42)), S_OK);
  EXPECT_EQ(automation.text(u"Surfix"), "42");
  ASSERT_EQ(automation.put(u"CharSet", variant_text("DejaVu Sans")), S_OK);
  EXPECT_STREQ(workspace.char_set_value, "DejaVu Sans");
  BSTR text = nullptr;
  ASSERT_EQ(service_->get_CodedText(&text), S_OK);
  EXPECT_EQ(bstr_view(text), u"9");
  SysFreeString(text);
  ASSERT_EQ(service_->put_CodedText(nullptr), S_OK) << "a null BSTR is the empty text";
  EXPECT_STREQ(workspace.symbol.data_text, "");
  EXPECT_EQ(service_->get_CharSet(nullptr), E_POINTER);
}

TEST_F(EncodeServiceTest, TooLongOrUnrepresentableTextsAreRefusedUntilSetAgain) {
  struct Case {
    HRESULT (IEncodeService::*put)(BSTR);
    std::string longest;
    std::string too_long;
    const char* too_long_message;
    const char* not_representable_message;
  } cases[] = {
      {&IEncodeService::put_CodedText, std::string(99, '1'), std::string(100, '1'),
       "error: CodedText is longer than 99 characters",
       "error: CodedText holds a character that Windows-1252 cannot represent"},
      {&IEncodeService::put_Prefix, std::string(15, 'p'), std::string(16, 'p'),
       "error: Prefix is longer than 15 characters",
       "error: Prefix holds a character that Windows-1252 cannot represent"},
      {&IEncodeService::put_Surfix, std::string(15, 's'), std::string(16, 's'),
       "error: Surfix is longer than 15 characters",
       "error: Surfix holds a character that Windows-1252 cannot represent"},
      {&IEncodeService::put_CharSet, std::string(31, 'f'), std::string(32, 'f'),
       "error: CharSet is longer than 31 characters",
       "error: CharSet holds a character that Windows-1252 cannot represent"},
  };
  ASSERT_EQ(service_->put_Symbology(20), S_OK);
  for (const Case& c : cases) {
    LONG result;
    service_->InitWorkspace(&result);
    service_->put_Symbology(20);
    set_text(&IEncodeService::put_CodedText, "KEEP");
    EXPECT_EQ(set_text(c.put, c.too_long), E_INVALIDARG) << c.too_long_message;
    EXPECT_EQ(encode("refused.png"), 0);
    EXPECT_EQ(encode("refused.png"), 0) << "until the property is set again";
    EXPECT_EQ(error_text(), c.too_long_message);
    EXPECT_FALSE(std::filesystem::exists(path("refused.png")));
    EXPECT_EQ(set_text(c.put, "\xCE\xA9"), E_INVALIDARG);  // Ω
    EXPECT_EQ(encode("refused.png"), 0);
    EXPECT_EQ(error_text(), c.not_representable_message);
    EXPECT_EQ(set_text(c.put, std::string("a\0b", 3)), E_INVALIDARG);
    EXPECT_EQ(encode("refused.png"), 0);
    EXPECT_EQ(set_text(c.put, c.longest), S_OK);
    if (c.put == &IEncodeService::put_CodedText) set_text(c.put, "KEEP");
    EXPECT_EQ(encode("accepted.png"), 1) << error_text();
  }
  // InitWorkspace ends a refusal as well.
  LONG result;
  EXPECT_EQ(set_text(&IEncodeService::put_Prefix, std::string(40, 'x')), E_INVALIDARG);
  service_->InitWorkspace(&result);
  service_->put_Symbology(20);
  set_text(&IEncodeService::put_CodedText, "AFTER");
  EXPECT_EQ(encode("after-init.png"), 1) << error_text();
}

TEST_F(EncodeServiceTest, TheExtensionChoosesTheFormat) {
  struct Case {
    const char* name;
    const char* written;  // null: nothing written
    const char* format;
  } cases[] = {
      {"out", "out.PNG", "PNG"},
      {"out.bmp", "out.bmp", "BMP"},
      {"out.Gif", "out.Gif", "GIF"},
      {"out.png", "out.png", "PNG"},
      {"out.jpg", nullptr, nullptr},
      {"data.old/out", nullptr, nullptr},
  };
  std::filesystem::create_directory(path("data.old"));
  for (const Case& c : cases) {
    ASSERT_EQ(set_text(&IEncodeService::put_CodedText, "123"), S_OK);
    LONG written = encode(c.name);
    if (c.written == nullptr) {
      EXPECT_EQ(written, 0) << c.name;
      EXPECT_EQ(error_text(), "error: the file name's extension chooses no image format (BMP, GIF or PNG)");
      EXPECT_FALSE(std::filesystem::exists(path(c.name))) << c.name;
      continue;
    }
    EXPECT_EQ(written, 1) << c.name << ": " << error_text();
    EXPECT_EQ(signature_format(file_bytes(path(c.written))), c.format) << c.name;
  }
  // A name whose only dot is its first character gets ".PNG".
  Bstr dotted(u".png");
  std::filesystem::path here = std::filesystem::current_path();
  std::filesystem::current_path(folder_.path());
  LONG result = 0;
  ASSERT_EQ(service_->Encode2File(dotted.get(), &result), S_OK);
  std::filesystem::current_path(here);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(signature_format(file_bytes(path(".png.PNG"))), "PNG");
}

TEST_F(EncodeServiceTest, PicturesHaveTheRenderersSize) {
  ASSERT_EQ(set_text(&IEncodeService::put_CodedText, "123"), S_OK);
  ASSERT_EQ(encode("code11.bmp"), 1);
  // Code 11 of "123": 54 modules and a quiet zone of 20 on each side.
  EXPECT_EQ(picture_size(file_bytes(path("code11.bmp"))), (PictureSize{188, 100}));
  LONG result;
  service_->InitWorkspace(&result);
  service_->put_RotateAngle(90);
  set_text(&IEncodeService::put_CodedText, "123");
  ASSERT_EQ(encode("rotated.png"), 1);
  EXPECT_EQ(picture_size(file_bytes(path("rotated.png"))), (PictureSize{102, 190}));
}

TEST_F(EncodeServiceTest, AGifOfFewColoursIsOneImage) {
  service_->put_Symbology(20);
  service_->put_ForeColor(0x00802010);
  service_->put_BackColor(0x00E0F0FF);
  set_text(&IEncodeService::put_CodedText, "Tresslin-128");
  ASSERT_EQ(encode("few.gif"), 1) << error_text();
  std::vector<unsigned char> bytes = file_bytes(path("few.gif"));
  EXPECT_EQ(gif_image_count(bytes), 1);
  ASSERT_GE(bytes.size(), 13u + 6);
  ASSERT_TRUE(bytes[10] & 0x80) << "a global colour table";
  // The two colours, as stored (COLORREF is 0x00BBGGRR).
  std::vector<unsigned char> table(bytes.begin() + 13, bytes.begin() + 19);
  std::vector<unsigned char> expected_a = {0xFF, 0xF0, 0xE0, 0x10, 0x20, 0x80};
  std::vector<unsigned char> expected_b = {0x10, 0x20, 0x80, 0xFF, 0xF0, 0xE0};
  EXPECT_TRUE(table == expected_a || table == expected_b);
}

TEST_F(EncodeServiceTest, AFailedEncodingWritesNothingAndKeepsTheOldFile) {
  { std::ofstream(path("old.png")) << "the old picture"; }
  ASSERT_EQ(set_text(&IEncodeService::put_CodedText, "ABC"), S_OK);  // Code 11 takes digits and '-'
  EXPECT_EQ(encode("old.png"), 0);
  EXPECT_EQ(error_text(), "error: invalid characters in data");
  std::vector<unsigned char> bytes = file_bytes(path("old.png"));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "the old picture");

  service_->put_Symbology(57);
  set_text(&IEncodeService::put_CodedText, "123");
  EXPECT_EQ(encode("maxicode.png"), 0);
  EXPECT_EQ(error_text(), "error: Maxicode cannot be displayed in a PNG file");
  EXPECT_FALSE(std::filesystem::exists(path("maxicode.png")));

  service_->put_Symbology(27);
  EXPECT_EQ(encode("refused.png"), 0);
  EXPECT_EQ(error_text(), "error: UPCD1 not supported");

  service_->put_Symbology(20);
  std::filesystem::create_directory(path("folder.png"));
  EXPECT_EQ(encode("folder.png"), 0) << "a save that fails";
  EXPECT_NE(error_text(), "");
  EXPECT_TRUE(std::filesystem::is_directory(path("folder.png")));
  EXPECT_EQ(encode("missing-folder/x.png"), 0);
}

TEST_F(EncodeServiceTest, ErrorTextBelongsToTheLastCall) {
  service_->put_Symbology(0);
  set_text(&IEncodeService::put_CodedText, "123");
  EXPECT_EQ(encode("substituted.png"), 1);
  EXPECT_EQ(error_text(), "warning: Symbology out of range, using Code 128");
  SHORT symbology = 0;
  service_->get_Symbology(&symbology);
  EXPECT_EQ(symbology, 20) << "the dispatcher writes the substitute back";
  set_text(&IEncodeService::put_CodedText, "123");
  EXPECT_EQ(encode("plain.png"), 1);
  EXPECT_EQ(error_text(), "");
}

// Code 16K and ITF-14 overwrite the host's layout, and the properties read
// the forced values back (the dispatcher forces them before the encoder runs).
TEST_F(EncodeServiceTest, ForcedLayoutsReadBack) {
  struct Case {
    SHORT symbology;
    const char* data;
    SHORT white_space, border, options;
  } cases[] = {{23, "123", 16, 2, 2}, {72, "1234567890123", 20, 8, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.symbology);
    service_->put_Symbology(c.symbology);
    service_->put_WhiteSpaceWidth(50);
    service_->put_BorderWidth(0);
    service_->put_OutputOptions(0);
    set_text(&IEncodeService::put_CodedText, c.data);
    LONG written = encode("forced.png");
    if (c.symbology == 72) {
      EXPECT_EQ(written, 1) << error_text();
    }
    SHORT value = 0;
    service_->get_WhiteSpaceWidth(&value);
    EXPECT_EQ(value, c.white_space);
    service_->get_BorderWidth(&value);
    EXPECT_EQ(value, c.border);
    service_->get_OutputOptions(&value);
    EXPECT_EQ(value, c.options);
  }
}

TEST_F(EncodeServiceTest, FreeWorkspaceReleasesTheBitmapAndIsHarmlessTwice) {
  LONG result = 0;
  ASSERT_EQ(service_->FreeWorkspace(&result), S_OK);
  EXPECT_EQ(result, 1);
  set_text(&IEncodeService::put_CodedText, "123");
  ASSERT_EQ(encode("a.png"), 1);
  EXPECT_NE(workspace.symbol_bitmap, nullptr);
  ASSERT_EQ(service_->FreeWorkspace(&result), S_OK);
  EXPECT_EQ(workspace.symbol_bitmap, nullptr);
  result = 0;
  ASSERT_EQ(service_->FreeWorkspace(&result), S_OK);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(service_->FreeWorkspace(nullptr), E_POINTER);
  EXPECT_EQ(service_->InitWorkspace(nullptr), E_POINTER);
  EXPECT_EQ(service_->Encode2File(nullptr, nullptr), E_POINTER);
}

TEST_F(EncodeServiceTest, ScriptsDriveEverythingByName) {
  Automation automation(service_);
  EXPECT_EQ(automation.id(u"encode2file"), 3);
  EXPECT_EQ(automation.id(u"ERRORTEXT"), 17);
  EXPECT_EQ(automation.call_number(u"InitWorkspace"), 1);
  ASSERT_EQ(automation.put(u"symbology", variant_text("20")), S_OK);
  ASSERT_EQ(automation.put(u"CodedText", variant_text("Tresslin")), S_OK);
  EXPECT_EQ(automation.call_number(u"Encode2File", {variant_text(path("by-name.gif"))}), 1);
  EXPECT_EQ(signature_format(file_bytes(path("by-name.gif"))), "GIF");
  EXPECT_EQ(automation.call_number(u"Encode2File", {variant_text(path("by-name.tif"))}), 0);
  EXPECT_EQ(automation.text(u"ErrorText"), "error: the file name's extension chooses no image format (BMP, GIF or PNG)");
  EXPECT_EQ(automation.put(u"ErrorText", variant_text("x")), DISP_E_MEMBERNOTFOUND) << "read-only";
  EXPECT_EQ(automation.put(u"CodedText", variant_text(std::string(120, '7'))), DISP_E_EXCEPTION);
  EXPECT_EQ(automation.call_number(u"FreeWorkspace"), 1);

  ITypeInfo* type = nullptr;
  ASSERT_EQ(service_->GetTypeInfo(0, 0, &type), S_OK);
  BSTR name = nullptr, help = nullptr;
  ASSERT_EQ(type->GetDocumentation(17, &name, &help, nullptr, nullptr), S_OK);
  EXPECT_EQ(bstr_view(name), u"ErrorText");
  EXPECT_EQ(bstr_view(help), u"property ErrorText");
  SysFreeString(name);
  SysFreeString(help);
  type->Release();
  EXPECT_EQ(service_->GetTypeInfo(1, 0, &type), DISP_E_BADINDEX);
}

}  // namespace
