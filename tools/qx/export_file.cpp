#include "tools/qx/export_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qx {

namespace {

bool write_all(int file, const uint8_t* bytes, size_t count) {
    while (count > 0) {
        const ssize_t written = write(file, bytes, count);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

bool write_export_file(const std::string& path, const uint8_t* bytes, size_t count,
                       std::string& error) {
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (file < 0) {
        error = path + ": cannot be created (" + std::strerror(errno) + ")";
        return false;
    }
    bool written = write_all(file, bytes, count) && ftruncate(file, static_cast<off_t>(count)) == 0;
    int code = errno;
    if (close(file) != 0 && written) {
        written = false;
        code = errno;
    }
    if (!written) {
        error = path + ": cannot be written (" + std::strerror(code) + ")";
        return false;
    }
    return true;
}

}  // namespace qx
