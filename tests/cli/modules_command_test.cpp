// Runs the built tresslin program and checks its output and exit status.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct ProgramRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string temp_path(const char* name) { return testing::TempDir() + "tresslin_cli_" + std::to_string(getpid()) + name; }

// Runs tresslin with the arguments; status is -1 unless it exited normally.
ProgramRun run_tresslin(const std::vector<std::string>& args) {
  const std::string out_path = temp_path(".out");
  const std::string err_path = temp_path(".err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> argv = {const_cast<char*>(TRESSLIN_CLI)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  ProgramRun run;
  pid_t pid = 0;
  int wait_status = 0;
  if (posix_spawn(&pid, TRESSLIN_CLI, &actions, nullptr, argv.data(), environ) == 0 &&
      waitpid(pid, &wait_status, 0) == pid && WIFEXITED(wait_status))
    run.status = WEXITSTATUS(wait_status);
  posix_spawn_file_actions_destroy(&actions);
  run.out = read_file(out_path);
  run.err = read_file(err_path);
  unlink(out_path.c_str());
  unlink(err_path.c_str());
  return run;
}

std::string header(int result, int symbology, const std::string& text, const std::string& message, int width,
                   int rows) {
  return "result: " + std::to_string(result) + "\nsymbology: " + std::to_string(symbology) + "\ntext: " + text +
         "\nmessage: " + message + "\nwidth: " + std::to_string(width) + "\nrows: " + std::to_string(rows) + "\n";
}

TEST(ModulesCommand, ExactOutput) {
  struct Case {
    std::vector<std::string> args;
    std::string out;
    int status;
  } cases[] = {
      {{"modules", "--symbology", "20", "--data", "1234"},
       header(0, 20, "1234", "", 57, 1) + "110100111001011001110010001011000100100111101100011101011\n", 0},
      {{"modules", "--data-hex", "313233"},
       header(0, 1, "123-4", "", 54, 1) + "101100101101011010010110110010101011010101101101011001\n", 0},
      {{"modules", "--data", "abc"}, header(13, 1, "abc", "error: invalid characters in data", 0, 0), 1},
      {{"modules", "--symbology", "55", "--data", "1"}, header(8, 55, "1", "error: symbology not supported", 0, 0), 1},
      {{"modules", "--symbology", "57", "--data", "1"}, header(0, 57, "1", "", 0, 0), 0},
  };
  for (const Case& c : cases) {
    ProgramRun run = run_tresslin(c.args);
    EXPECT_EQ(run.out, c.out) << c.args[2];
    EXPECT_EQ(run.status, c.status) << c.args[2];
    EXPECT_EQ(run.err, "") << c.args[2];
  }
}

// Texts come in as UTF-8 or hex bytes and go out as UTF-8 with control
// bytes escaped.
TEST(ModulesCommand, TextsAndMessagesAsUtf8) {
  struct Case {
    std::vector<std::string> args;
    std::string text_line;
    std::string message_line;
  } cases[] = {
      {{"--data-hex", "41097F42"}, "text: A\\x09\\x7FB", "message: "},
      {{"--data", "\xC3\xA9\xE2\x82\xAC"}, "text: \xC3\xA9\xE2\x82\xAC", "message: "},
      {{"--data-hex", "e980"}, "text: \xC3\xA9\xE2\x82\xAC", "message: "},
      {{"--symbology", "90", "--data", "A"}, "text: A",
       "message: warning: Symbology out of range, using Code 128\\x0A"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"modules", "--symbology", "20"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ProgramRun run = run_tresslin(args);
    EXPECT_EQ(run.status, 0) << c.text_line;
    EXPECT_NE(run.out.find("\n" + c.text_line + "\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\n" + c.message_line + "\n"), std::string::npos) << run.out;
  }
}

TEST(ModulesCommand, RecordSettingsAreAccepted) {
  ProgramRun run = run_tresslin({"modules", "--symbology", "20", "--whitespace", "5", "--border", "3", "--output-options",
                          "4", "--rotate", "-90", "--char-size", "12", "--text-align", "1", "--font", "DejaVu Sans",
                          "--prefix", "\xC2\xA7", "--suffix", "!", "--fg", "FF8000", "--bg", "00ff00", "--data", "A"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("result: 0\nsymbology: 20\ntext: A\n", 0), 0u) << run.out;
}

TEST(ModulesCommand, UsageErrors) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"modules"}, "the data is missing"},
      {{"modules", "--data", "1", "--data-hex", "31"}, "either --data or --data-hex"},
      {{"modules", "--data"}, "--data needs a value TEXT"},
      {{"modules", "--colour", "1", "--data", "1"}, "unknown option '--colour'"},
      {{"modules", "1234"}, "unknown option '1234'"},
      {{"modules", "--symbology", "x", "--data", "1"}, "--symbology: 'x' is not a whole number"},
      {{"modules", "--border", "7b", "--data", "1"}, "'7b' is not a whole number"},
      {{"modules", "--symbology", "99999999999", "--data", "1"}, "'99999999999' is out of range"},
      {{"modules", "--data", "\xE4\xB8\xAD"}, "--data: the character U+4E2D is not in Windows-1252"},
      {{"modules", "--data", "a\xFF"}, "not valid UTF-8 (byte 0xFF at offset 1)"},
      {{"modules", "--data", std::string(100, '1')}, "--data: too long: 100 bytes in Windows-1252, at most 99"},
      {{"modules", "--data-hex", "123"}, "an even number of hex digits"},
      {{"modules", "--data-hex", "3100"}, "the byte 00"},
      {{"modules", "--data-hex", "zz"}, "'zz' is not a hex byte"},
      {{"modules", "--data-hex", std::string(200, 'A')}, "--data-hex: too long: 100 bytes, at most 99"},
      {{"modules", "--prefix", std::string(8, '\xC3') + std::string(8, '\xA9')}, "not valid UTF-8"},
      {{"modules", "--prefix", "0123456789abcdef", "--data", "1"}, "--prefix: too long: 16 bytes"},
      {{"modules", "--font", std::string(32, 'f'), "--data", "1"}, "--font: too long: 32 bytes"},
      {{"modules", "--fg", "12345", "--data", "1"}, "--fg: '12345' is not a colour RRGGBB"},
      {{"modules", "--bg", "GG0000", "--data", "1"}, "--bg: 'GG0000' is not a colour RRGGBB"},
      {{}, "usage: tresslin COMMAND"},
      {{"nonsense"}, "unknown command 'nonsense'"},
  };
  for (const Case& c : cases) {
    ProgramRun run = run_tresslin(c.args);
    EXPECT_EQ(run.status, 2) << c.message;
    EXPECT_EQ(run.out, "") << c.message;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
}

TEST(ModulesCommand, Help) {
  ProgramRun run = run_tresslin({"modules", "--help"});
  EXPECT_EQ(run.status, 0);
  for (const char* word : {"usage: tresslin modules", "--data-hex HEX", "--fg RRGGBB", "exit status"})
    EXPECT_NE(run.out.find(word), std::string::npos) << word;

  run = run_tresslin({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("modules"), std::string::npos);
}

}  // namespace
