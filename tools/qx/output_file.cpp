#include "tools/qx/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace qx {

namespace {

std::string folder_of(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// A hidden name beside `path`, ".NAME.PID.N.part", that no other conversion of this process
// or another uses at the same time.
std::string temporary_beside(const std::string& path) {
    static std::atomic<unsigned> made{0};
    const std::filesystem::path whole(path);
    const std::string name = "." + whole.filename().string() + "." + std::to_string(getpid()) +
                             "." + std::to_string(made++) + ".part";
    return (whole.parent_path() / name).string();
}

}  // namespace

OutputFile::~OutputFile() {
    discard();
}

bool OutputFile::create(const std::string& path, std::string& error) {
    path_ = path;
    fd_ = open(folder_of(path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        temporary_ = temporary_beside(path);
        fd_ = open(temporary_.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
    }
    if (fd_ < 0) {
        error = path + ": cannot be created (" + std::strerror(errno) + ")";
        temporary_.clear();
        return false;
    }
    return true;
}

bool OutputFile::commit(std::string& error) {
    if (temporary_.empty()) {
        // An unnamed file gets a hidden name first: linking cannot replace a file, renaming can.
        temporary_ = temporary_beside(path_);
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary_.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            error = path_ + ": cannot be written (" + std::strerror(errno) + ")";
            temporary_.clear();
            return false;
        }
    }
    const bool closed = close(fd_) == 0;
    fd_ = -1;
    if (!closed || std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        error = path_ + ": cannot be written (" + std::strerror(errno) + ")";
        discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void OutputFile::discard() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace qx
