#pragma once
#include <CLI/CLI.hpp>

// Each command adds its subcommand and options to the program; the callback runs it and
// leaves the exit status in `status`.
void add_info_command(CLI::App& app, int& status);
void add_export_command(CLI::App& app, int& status);
void add_play_command(CLI::App& app, int& status);
void add_encode_command(CLI::App& app, int& status);
