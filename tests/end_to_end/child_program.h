#pragma once
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace qx {

// A program a test starts and watches from outside, as a person or a script would run it. It
// inherits every descriptor of the test not marked close-on-exec.
struct ChildProgramSetup {
    std::string folder;                    // working folder; empty: the test's own
    std::vector<std::string> environment;  // "NAME=value" entries set over the test's own
    std::string output_path;               // standard output and error; empty: /dev/null
};

// Killed with the object if it is still running.
class ChildProgram {
  public:
    ChildProgram(const std::vector<std::string>& arguments, const ChildProgramSetup& setup);
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    bool started() const { return pid_ > 0; }
    bool running();
    // Waits up to `limit` for the program to end: its exit status, or -1 when it had to be
    // killed or was ended by a signal.
    int wait(std::chrono::milliseconds limit);
    // Asks the program to end (SIGTERM, as `kill` or an ending session does); whether it had
    // ended within `limit`.
    bool terminate(std::chrono::milliseconds limit);

  private:
    pid_t pid_ = -1;
    int status_ = -1;
};

}  // namespace qx
