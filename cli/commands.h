// The subcommands of the tresslin program. Each takes the arguments after
// its name and returns the process's exit status.
#pragma once

#include <span>

constexpr int EXIT_USAGE = 2;

// Encodes a text and prints the symbol record's result and module rows.
int run_modules_command(std::span<char* const> args);

// Writes the barcode picture of a text through Tresslin.EncodeService.
int run_encode_command(std::span<char* const> args);
// Registers or unregisters the module's class.
int run_register_command(std::span<char* const> args);
int run_unregister_command(std::span<char* const> args);
