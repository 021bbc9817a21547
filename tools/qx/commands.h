#pragma once
#include <CLI/CLI.hpp>

namespace qx {

// Exit status of a command line that could not be understood.
inline constexpr int QX_USAGE_ERROR = 2;

// Each command adds its subcommand and options to the program; the callback runs it and
// leaves the exit status in `status`.
void add_info_command(CLI::App& app, int& status);
void add_export_command(CLI::App& app, int& status);
void add_play_command(CLI::App& app, int& status);
void add_encode_command(CLI::App& app, int& status);
void add_convert_command(CLI::App& app, int& status);
void add_thumbnail_command(CLI::App& app, int& status);

// The MOVIE argument every command takes: a file, or "-" for standard input, which must then
// be redirected from a file too (the reader seeks in a movie).
CLI::Option* add_movie_argument(CLI::App& command, std::string& path);
// MOVIE... for a command that takes one or more movies.
CLI::Option* add_movies_argument(CLI::App& command, std::vector<std::string>& paths);

// Usage errors for numbers out of range, said in words ("--fps must be greater than 0") where
// CLI11's own checks would quote the whole range of a double. Only options given are checked.
void require_above_zero(const CLI::Option& option, double value);
void require_not_negative(const CLI::Option& option, double value);
void require_at_most(const CLI::Option& option, double value, double most);

// Brightness beyond this shows every colour a channel has at full already; frame rates beyond
// this are faster than any display shows.
inline constexpr double MOST_BRIGHTNESS_PERCENT = 1000;
inline constexpr double MOST_FRAMES_PER_SECOND = 1000;

}  // namespace qx
