#include "authoring/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace qx {

namespace {

constexpr mode_t NEW_FILE_MODE = 0666;  // less the umask, as for any file a program creates

std::string failure(const std::string& path, const char* what, int code) {
    return path + ": " + what + " (" + std::strerror(code) + ")";
}

bool write_all(int fd, std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes = bytes.subspan(size_t(written));
    }
    return ::fsync(fd) == 0;
}

// Gives the unnamed file `fd` the name `path`, replacing a file there: linked under a name of
// its own beside `path` first, since a link cannot replace.
bool name_file(int fd, const std::string& path) {
    const std::string proc_path = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, proc_path.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    if (errno != EEXIST) {
        return false;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temporary =
            path + ".partial-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        if (::linkat(AT_FDCWD, proc_path.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) ==
            0) {
            if (::rename(temporary.c_str(), path.c_str()) == 0) {
                return true;
            }
            const int code = errno;
            ::unlink(temporary.c_str());
            errno = code;
            return false;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

// Where unnamed files are not supported, a named one beside `path` that is renamed over it.
bool write_through_named_file(const std::string& path, std::span<const uint8_t> bytes,
                              std::string& error) {
    std::string temporary = path + ".partial-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        error = failure(path, "cannot be created", errno);
        return false;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    bool done = ::fchmod(fd, NEW_FILE_MODE & ~mask) == 0 && write_all(fd, bytes);
    int code = errno;
    if (::close(fd) != 0 && done) {
        done = false;
        code = errno;
    }
    if (done && ::rename(temporary.c_str(), path.c_str()) != 0) {
        done = false;
        code = errno;
    }
    if (!done) {
        ::unlink(temporary.c_str());
        error = failure(path, "cannot be written", code);
    }
    return done;
}

}  // namespace

bool write_whole_file(const std::string& path, std::span<const uint8_t> bytes, std::string& error) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    const std::string folder_name = folder.empty() ? "." : folder.string();
    const int fd = ::open(folder_name.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, NEW_FILE_MODE);
    if (fd < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
            return write_through_named_file(path, bytes, error);
        }
        error = failure(path, "cannot be created", errno);
        return false;
    }
    const bool done = write_all(fd, bytes) && name_file(fd, path);
    const int code = errno;
    ::close(fd);
    if (!done) {
        error = failure(path, "cannot be written", code);
    }
    return done;
}

}  // namespace qx
