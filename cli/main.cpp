// tresslin: the command-line host of the barcode engine.
#include <cstdio>
#include <span>
#include <string_view>

#include "cli/commands.h"

namespace {

struct Command {
  const char* name;
  const char* summary;
  int (*run)(std::span<char* const> args);
};

constexpr Command commands[] = {
    {"encode", "write the barcode picture of a text to a BMP, GIF or PNG file", run_encode_command},
    {"register", "register the module's class Tresslin.EncodeService", run_register_command},
    {"unregister", "remove the module's registration", run_unregister_command},
    {"modules", "encode a text and print the module rows of the symbol", run_modules_command},
};

void print_usage(std::FILE* out) {
  std::fputs("usage: tresslin COMMAND [OPTIONS]\n\ncommands:\n", out);
  for (const Command& command : commands) std::fprintf(out, "  %-12s %s\n", command.name, command.summary);
  std::fputs("\n'tresslin COMMAND --help' describes the options of a command.\n", out);
}

}  // namespace

int main(int argc, char** argv) {
  std::span<char* const> args(argv + 1, argc - 1);
  if (args.empty()) {
    print_usage(stderr);
    return EXIT_USAGE;
  }
  std::string_view name = args[0];
  if (name == "--help" || name == "-h" || name == "help") {
    print_usage(stdout);
    return 0;
  }
  for (const Command& command : commands)
    if (name == command.name) return command.run(args.subspan(1));
  std::fprintf(stderr, "tresslin: unknown command '%s'\n", args[0]);
  print_usage(stderr);
  return EXIT_USAGE;
}
