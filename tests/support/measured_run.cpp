#include "tests/support/measured_run.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "tests/support/temp_movie.h"

namespace qx {

namespace {

std::string read_text(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

MeasuredRun run_measured(const std::string& command_line, std::chrono::seconds limit) {
    TempFolder folder;
    const std::string out = folder.path() + "/out";
    const std::string err = folder.path() + "/err";
    const std::string script = "exec " + command_line + " >" + out + " 2>" + err;
    MeasuredRun run;
    const auto started = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) {
        return run;
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, WNOHANG, &usage) == 0) {
        if (std::chrono::steady_clock::now() - started > limit) {
            run.timed_out = true;
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    run.status = WIFEXITED(status) && !run.timed_out ? WEXITSTATUS(status) : -1;
    run.peak_rss_kb = usage.ru_maxrss;
    run.out = read_text(out);
    run.err = read_text(err);
    return run;
}

}  // namespace qx
