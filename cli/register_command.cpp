// tresslin register / unregister: runs the module's own DllRegisterServer or
// DllUnregisterServer, which write or remove its keys in the registry file.
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/com_host.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "platform/com/objbase.h"
#include "platform/com/registry.h"

namespace {

constexpr char REGISTER_HELP[] =
    "usage: tresslin register [--module PATH]\n"
    "\n"
    "Registers the module's class Tresslin.EncodeService (its ProgIDs, its CLSID\n"
    "with the module's path as InprocServer32, and its type library), so that\n"
    "hosts create it by name. PATH is the module to register; by default the\n"
    "module installed beside the program.\n";

constexpr char UNREGISTER_HELP[] =
    "usage: tresslin unregister [--module PATH]\n"
    "\n"
    "Removes what 'tresslin register' wrote for the module at PATH (by default\n"
    "the module installed beside the program).\n";

constexpr char COMMON_HELP[] =
    "\n"
    "The registry is the text file $TRESSLIN_REGISTRY, else\n"
    "$XDG_CONFIG_HOME/tresslin/registry, else ~/.config/tresslin/registry.\n"
    "\n"
    "options:\n"
    "  --module PATH   the module's file\n"
    "  -h, --help      this text\n"
    "\n"
    "exit status: 0 when done, 1 when the module or the registry failed, 2 for a\n"
    "usage error.\n";

int run_registration(std::span<char* const> args, bool registering) {
  const char* command = registering ? "register" : "unregister";
  if (wants_help(args)) {
    std::fputs(registering ? REGISTER_HELP : UNREGISTER_HELP, stdout);
    std::fputs(COMMON_HELP, stdout);
    return 0;
  }
  std::string module;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (arg == "--module" && i + 1 < args.size()) {
      module = args[++i];
      continue;
    }
    std::fprintf(stderr, "tresslin %s: %s\nTry 'tresslin %s --help'.\n", command,
                 arg == "--module" ? "--module needs a value" : ("unexpected argument '" + std::string(arg) + "'").c_str(),
                 command);
    return EXIT_USAGE;
  }
  if (module.empty()) module = installed_module_path();
  HRESULT hr = register_module(module, registering);
  if (FAILED(hr)) {
    std::string reason = module_load_error();
    std::fprintf(stderr, "tresslin %s: %s: %s\n", command, module.c_str(),
                 (reason.empty() ? hresult_text(hr) : reason).c_str());
    return 1;
  }
  std::printf("%s %s in %s\n", registering ? "registered" : "unregistered", module.c_str(),
              registry_file_path().c_str());
  return 0;
}

}  // namespace

int run_register_command(std::span<char* const> args) { return run_registration(args, true); }

int run_unregister_command(std::span<char* const> args) { return run_registration(args, false); }
