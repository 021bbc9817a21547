#include "tools/qx/play_snapshot.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "tools/qx/number_text.h"
#include "tools/qx/picture_png.h"

namespace qx {

namespace {

// Claims `path` by creating it, so that no file of the same name is written over.
bool claim(const std::string& path) {
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file < 0) {
        return false;
    }
    close(file);
    return true;
}

}  // namespace

bool save_snapshot(const std::string& movie, int32_t frame, const RgbImage& picture,
                   std::string& path, std::string& error) {
    const std::string base =
        std::filesystem::path(movie).stem().string() + formatted("_%05d", frame);
    path = base + ".png";
    for (int copy = 2; !claim(path); ++copy) {
        if (errno != EEXIST || copy > 999) {
            error = path + ": cannot be created";
            return false;
        }
        path = base + "-" + std::to_string(copy) + ".png";
    }
    if (!write_png(path, picture, error)) {
        std::filesystem::remove(path);
        return false;
    }
    return true;
}

}  // namespace qx
