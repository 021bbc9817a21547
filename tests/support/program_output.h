#pragma once
#include <string>

namespace qx {

// What a program run through the shell left: its exit status (-1 when it did not exit) and
// its standard output and standard error, kept apart.
struct ProgramOutput {
    int status = -1;
    std::string out;
    std::string err;
};

ProgramOutput run_command(const std::string& command_line);
// The same for this build's `qx` or `qxhost` with these arguments (already quoted as needed).
ProgramOutput run_qx(const std::string& arguments);
ProgramOutput run_qxhost(const std::string& arguments);

}  // namespace qx
