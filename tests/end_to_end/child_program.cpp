#include "tests/end_to_end/child_program.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;

namespace qx {

namespace {

// The test's environment with `changes` set over it.
std::vector<std::string> merged_environment(const std::vector<std::string>& changes) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        bool replaced = false;
        for (const std::string& change : changes) {
            replaced = replaced || change.substr(0, change.find('=')) == name;
        }
        if (!replaced) {
            result.push_back(text);
        }
    }
    result.insert(result.end(), changes.begin(), changes.end());
    return result;
}

std::vector<char*> pointers_to(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

ChildProgram::ChildProgram(const std::vector<std::string>& arguments,
                           const ChildProgramSetup& setup) {
    std::vector<std::string> argument_texts = arguments;
    std::vector<std::string> environment = merged_environment(setup.environment);
    std::vector<char*> argv = pointers_to(argument_texts);
    std::vector<char*> envp = pointers_to(environment);
    const std::string output = setup.output_path.empty() ? "/dev/null" : setup.output_path;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    if (!setup.folder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, setup.folder.c_str());
    }
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
        pid_ = pid;
    }
    posix_spawn_file_actions_destroy(&actions);
}

ChildProgram::~ChildProgram() {
    if (running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool ChildProgram::running() {
    if (pid_ <= 0) {
        return false;
    }
    int status = 0;
    const pid_t ended = waitpid(pid_, &status, WNOHANG);
    if (ended == 0) {
        return true;
    }
    status_ = ended == pid_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
    return false;
}

int ChildProgram::wait(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status_;
}

bool ChildProgram::terminate(std::chrono::milliseconds limit) {
    if (running()) {
        kill(pid_, SIGTERM);
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace qx
