#pragma once
#include <chrono>
#include <string>

namespace qx {

// What a program run through the shell left, with the most memory it held at once.
struct MeasuredRun {
    int status = -1;  // exit status; -1 when it was killed or ended by a signal
    bool timed_out = false;
    long peak_rss_kb = 0;  // the program's peak resident set, in kilobytes
    double seconds = 0;
    std::string out;
    std::string err;
};

// Runs `command_line` (one program with its redirections, which replaces the shell, so that the
// peak memory is the program's own) and kills it when it runs longer than `limit`.
MeasuredRun run_measured(const std::string& command_line, std::chrono::seconds limit);

}  // namespace qx
