// Runs tresslin encode, register and unregister as a person at a shell does,
// with the registry in a temporary file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"

extern char** environ;

namespace {

struct CommandRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class EncodeCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.path().empty());
    setenv("TRESSLIN_REGISTRY", path("registry").c_str(), 1);
  }

  std::string path(const std::string& name) const { return folder_.file(name); }

  CommandRun tresslin(const std::vector<std::string>& args) const {
    std::string out = path("stdout"), err = path("stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv = {const_cast<char*>(TRESSLIN_CLI)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    CommandRun run;
    pid_t pid;
    int status;
    if (posix_spawn(&pid, TRESSLIN_CLI, &actions, nullptr, argv.data(), environ) == 0 &&
        waitpid(pid, &status, 0) == pid && WIFEXITED(status))
      run.status = WEXITSTATUS(status);
    posix_spawn_file_actions_destroy(&actions);
    run.out = contents(out);
    run.err = contents(err);
    return run;
  }

  ScratchFolder folder_{"tresslin-cli"};
};

std::string signature(const std::string& bytes) {
  if (bytes.rfind("BM", 0) == 0) return "BMP";
  if (bytes.rfind("GIF89a", 0) == 0) return "GIF";
  if (bytes.rfind("\x89PNG", 0) == 0) return "PNG";
  return "none";
}

TEST_F(EncodeCommand, WritesEachFormat) {
  struct Case {
    std::vector<std::string> options;
    const char* name;
    const char* written;
    const char* format;
  } cases[] = {
      {{"-s", "20", "-d", "Tresslin-128"}, "a.png", "a.png", "PNG"},
      {{"--symbology", "1", "--data", "123-45", "--text", "bottom"}, "b.gif", "b.gif", "GIF"},
      {{"-s", "20", "-d", "R", "--rotate", "90", "--box", "--border", "4"}, "c.bmp", "c.bmp", "BMP"},
      {{"-d", "1", "--fg", "102030", "--bg", "FFFFEE", "--text", "center", "--font", "DejaVu Sans"}, "d", "d.PNG",
       "PNG"},
      {{"-d", "1", "--text", "top", "--char-size", "0"}, "e.bmp", "e.bmp", "BMP"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"encode"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(path(c.name));
    CommandRun run = tresslin(args);
    EXPECT_EQ(run.status, 0) << c.name << ": " << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(signature(contents(path(c.written))), c.format) << c.name;
  }
}

std::uint32_t little_endian(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = at + 4; i-- > at;) value = value << 8 | static_cast<unsigned char>(bytes.at(i));
  return value;
}

// Whether the pixel x columns from the left and y rows from the top of a
// 24-bit BMP is dark.
bool bmp_dark(const std::string& bytes, int x, int y) {
  int width = static_cast<int>(little_endian(bytes, 18));
  int height = static_cast<int>(little_endian(bytes, 22));
  std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  std::size_t at = little_endian(bytes, 10) + stride * (height - 1 - y) + 3 * x;
  return static_cast<unsigned char>(bytes.at(at)) < 128;
}

// The picture of the 100-pixel group keeps its height; a border of B
// modules takes 2B pixels at each edge, so the first bar of the Code 11 start
// begins at column 40 + 2B and row 2B.
TEST_F(EncodeCommand, TextAboveOrBelowTheBarsGetsABorderToStandIn) {
  struct Case {
    std::vector<std::string> options;
    int border;
  } cases[] = {
      {{}, 0},
      {{"--text", "bottom"}, 9},  // 14-pixel text
      {{"--text", "top", "--char-size", "20"}, 12},
      {{"--text", "center"}, 0},  // over the bars
      {{"--text", "bottom", "--border", "2"}, 2},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"encode", "-d", "12"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(path("h.bmp"));
    ASSERT_EQ(tresslin(args).status, 0);
    std::string bytes = contents(path("h.bmp"));
    int row = 0;
    while (row < 100 && !bmp_dark(bytes, 40 + 2 * c.border, row)) ++row;
    EXPECT_EQ(row, 2 * c.border) << testing::PrintToString(c.options);
    EXPECT_FALSE(bmp_dark(bytes, 40 + 2 * c.border - 1, 50)) << "the quiet zone before the first bar";
  }
}

TEST_F(EncodeCommand, FailuresAndWarningsAreReported) {
  CommandRun failed = tresslin({"encode", "-d", "ABC", path("bad.png")});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.err, "tresslin encode: error: invalid characters in data\n");
  EXPECT_FALSE(std::filesystem::exists(path("bad.png")));

  CommandRun too_long = tresslin({"encode", "-s", "20", "-d", std::string(100, 'A'), path("long.png")});
  EXPECT_EQ(too_long.status, 1);
  EXPECT_EQ(too_long.err, "tresslin encode: error: CodedText is longer than 99 characters\n");

  CommandRun unknown_format = tresslin({"encode", "-d", "1", path("x.tiff")});
  EXPECT_EQ(unknown_format.status, 1);
  EXPECT_NE(unknown_format.err.find("chooses no image format"), std::string::npos);

  CommandRun warned = tresslin({"encode", "-s", "0", "-d", "12", path("warned.png")});
  EXPECT_EQ(warned.status, 0);
  EXPECT_EQ(warned.err, "tresslin encode: warning: Symbology out of range, using Code 128\n");
  EXPECT_EQ(signature(contents(path("warned.png"))), "PNG");
}

TEST_F(EncodeCommand, UsageErrors) {
  struct Case {
    std::vector<std::string> args;
    const char* first_line;
  } cases[] = {
      {{"encode", "-d", "1"}, "tresslin encode: the OUTPUT file name is missing"},
      {{"encode", "-d", "1", "a.png", "b.png"}, "tresslin encode: give one OUTPUT file name"},
      {{"encode", "--colour", "red", "a.png"}, "tresslin encode: unknown option '--colour'"},
      {{"encode", "a.png", "-d"}, "tresslin encode: -d needs a value"},
      {{"encode", "--rotate", "40000", "a.png"}, "tresslin encode: --rotate: '40000' is out of range -32768 to 32767"},
      {{"encode", "--text", "side", "a.png"}, "tresslin encode: --text: 'side' is not one of top|bottom|center"},
      {{"encode", "--text-align", "up", "a.png"},
       "tresslin encode: --text-align: 'up' is not one of left|center|right"},
      {{"encode", "--fg", "12", "a.png"}, "tresslin encode: --fg: '12' is not a colour RRGGBB (six hex digits)"},
      {{"encode", "--bind", "--box", "a.png"}, "tresslin encode: give --bind or --box, not both"},
      {{"encode", "-d", "\xff", "a.png"}, "tresslin encode: --data: not valid UTF-8"},
      {{"register", "--bogus"}, "tresslin register: unexpected argument '--bogus'"},
      {{"unregister", "--module"}, "tresslin unregister: --module needs a value"},
  };
  for (const Case& c : cases) {
    CommandRun run = tresslin(c.args);
    EXPECT_EQ(run.status, 2) << c.first_line;
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), c.first_line);
  }
}

TEST_F(EncodeCommand, RegisteredClassesAreCreatedThroughTheRegistry) {
  CommandRun registered = tresslin({"register"});
  ASSERT_EQ(registered.status, 0) << registered.err;
  EXPECT_NE(registered.out.find(path("registry")), std::string::npos);
  std::string registry = contents(path("registry"));
  EXPECT_NE(registry.find("[HKEY_CLASSES_ROOT\\Tresslin.EncodeService]"), std::string::npos);
  EXPECT_EQ(tresslin({"encode", "-s", "20", "-d", "via-registry", path("r.png")}).status, 0);

  // A registration that names a module which is not there is an error, not a
  // silent fallback.
  std::string broken = registry;
  std::size_t at = broken.find("libtresslin.so");
  ASSERT_NE(at, std::string::npos);
  broken.replace(at, 3, "xyz");
  std::ofstream(path("registry")) << broken;
  CommandRun failed = tresslin({"encode", "-d", "1", path("f.png")});
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("Tresslin.EncodeService (registered in " + path("registry")), std::string::npos)
      << failed.err;

  std::ofstream(path("registry")) << registry;
  CommandRun unregistered = tresslin({"unregister"});
  EXPECT_EQ(unregistered.status, 0) << unregistered.err;
  EXPECT_EQ(contents(path("registry")).find("Tresslin.EncodeService"), std::string::npos);
  EXPECT_EQ(tresslin({"encode", "-d", "1", path("beside.png")}).status, 0) << "the module beside the program";

  CommandRun missing = tresslin({"register", "--module", path("nothing.so")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("nothing.so"), std::string::npos);
  CommandRun missing_encode = tresslin({"encode", "--module", path("nothing.so"), "-d", "1", path("m.png")});
  EXPECT_EQ(missing_encode.status, 1);
}

TEST_F(EncodeCommand, HelpSaysItAll) {
  CommandRun top = tresslin({"--help"});
  EXPECT_EQ(top.status, 0);
  for (const char* command : {"encode", "register", "unregister", "modules"})
    EXPECT_NE(top.out.find(std::string("  ") + command), std::string::npos) << command;
  CommandRun encode = tresslin({"encode", "--help"});
  EXPECT_EQ(encode.status, 0);
  for (const char* option : {"--symbology", "--data", "--whitespace", "--border", "--bind", "--box", "--rotate",
                             "--text top|bottom|center", "--text-align", "--char-size", "--font", "--prefix",
                             "--suffix", "--fg", "--bg", "--module", "OUTPUT"})
    EXPECT_NE(encode.out.find(option), std::string::npos) << option;
  for (const char* command : {"register", "unregister"}) {
    CommandRun help = tresslin({command, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--module PATH"), std::string::npos);
    EXPECT_NE(help.out.find("TRESSLIN_REGISTRY"), std::string::npos);
  }
}

}  // namespace
