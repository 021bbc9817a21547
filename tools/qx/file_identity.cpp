#include "tools/qx/file_identity.h"

#include <sys/stat.h>

namespace qx {

bool is_one_of(const std::string& path, const std::vector<std::string>& others) {
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0) {
        return false;
    }
    for (const std::string& other : others) {
        struct stat file {};
        if (::stat(other.c_str(), &file) == 0 && file.st_dev == target.st_dev &&
            file.st_ino == target.st_ino) {
            return true;
        }
    }
    return false;
}

}  // namespace qx
