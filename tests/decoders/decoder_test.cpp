// Pictures written through Encode2File, read back by zbarimg and ZXingReader
// straight from the PNG, GIF and BMP files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/kernel/codepage.h"
#include "tests/com/automation.h"
#include "tests/decoders/decoder_cases.h"
#include "tests/support/scratch_folder.h"

extern char** environ;

namespace {

// The standard output of a program, or nullopt when it did not run or exit.
std::optional<std::string> output_of(const std::vector<std::string>& args, const std::string& scratch) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, scratch.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  int status = 0;
  bool ran = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
             waitpid(pid, &status, 0) == pid && WIFEXITED(status);
  posix_spawn_file_actions_destroy(&actions);
  if (!ran) return std::nullopt;
  std::ifstream in(scratch, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// zbarimg --raw prints each symbol's data and a newline.
std::string zbar_reading(const DecoderCase& c, const std::string& picture, const std::string& scratch) {
  std::vector<std::string> args = {"zbarimg", "--raw", "-q", "--nodbus", "-Sdisable",
                                   std::string("-S") + c.zbar_name + ".enable"};
  for (const std::string& setting : c.zbar_settings) args.push_back("-S" + setting);
  args.push_back(picture);
  std::optional<std::string> out = output_of(args, scratch);
  if (!out) return "<zbarimg did not run>";
  if (!out->empty() && out->back() == '\n') out->pop_back();
  return *out;
}

struct ZxingReading {
  std::string bytes;
  std::string identifier;
};

// ZXingReader prints "Bytes:" with the content as hex pairs and
// "Identifier:" with the symbology identifier.
ZxingReading zxing_reading(const DecoderCase& c, const std::string& picture, const std::string& scratch) {
  std::optional<std::string> out = output_of({"ZXingReader", "-format", c.zxing_format, picture}, scratch);
  ZxingReading reading{"<ZXingReader did not run>", ""};
  if (!out) return reading;
  reading.bytes = "<nothing read>";
  std::istringstream lines(*out);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string label;
    words >> label;
    if (label == "Identifier:") words >> reading.identifier;
    if (label != "Bytes:") continue;
    reading.bytes.clear();
    for (std::string pair; words >> pair;) reading.bytes += static_cast<char>(std::stoi(pair, nullptr, 16));
  }
  return reading;
}

class DecodersRead : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.path().empty());
    service_ = new_encode_service();
    ASSERT_NE(service_, nullptr);
  }
  void TearDown() override {
    service_->Release();
  }

  ScratchFolder folder_{"tresslin-decoders"};
  IEncodeService* service_ = nullptr;
};

TEST_P(DecodersRead, EveryDataTextOfTheTable) {
  const std::string extension = GetParam();
  Automation service(service_);
  std::string scratch = folder_.file("decoder-output");
  int number = 0;
  for (const DecoderCase& c : all_decoder_cases()) {
    SCOPED_TRACE(std::string(c.what) + " (symbology " + std::to_string(c.symbology) + ", " + extension + ")");
    std::string picture = folder_.file("case" + std::to_string(number++) + "." + extension);
    ASSERT_EQ(service.call_number(u"InitWorkspace"), 1);
    ASSERT_EQ(service.put(u"Symbology", variant_i4(c.symbology)), S_OK);
    ASSERT_EQ(service.put(u"CodedText", variant_text(c.data)), S_OK);
    ASSERT_EQ(service.call_number(u"Encode2File", {variant_text(picture)}), 1) << service.text(u"ErrorText");
    std::string expected = c.expected.empty() ? c.data : c.expected;
    std::string shown = c.shown.empty() ? expected : c.shown;
    EXPECT_EQ(service.text(u"CodedText"), shown) << "the data text after encoding";
    if (c.readers & READ_BY_ZBAR) {
      EXPECT_EQ(zbar_reading(c, picture, scratch), expected) << "zbarimg";
    }
    if (c.readers & READ_BY_ZXING) {
      std::string expected_bytes;
      ASSERT_TRUE(ansi_from_utf8(expected, expected_bytes));
      ZxingReading reading = zxing_reading(c, picture, scratch);
      EXPECT_EQ(reading.bytes, expected_bytes) << "ZXingReader";
      EXPECT_EQ(reading.identifier, c.zxing_identifier) << "ZXingReader";
    }
    service.call_number(u"FreeWorkspace");
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, DecodersRead, ::testing::Values("png", "gif", "bmp"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
