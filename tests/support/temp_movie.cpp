#include "tests/support/temp_movie.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

namespace qx {

namespace {
std::string make_folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qxtest-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    return pattern;
}
}  // namespace

TempFolder::TempFolder() : path_(make_folder()) {}

TempFolder::~TempFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

TempMovie::TempMovie(const MovieWriter& writer, const std::string& name)
    : TempMovie(writer.bytes(), name) {}

TempMovie::TempMovie(const std::vector<uint8_t>& bytes, const std::string& name)
    : folder_(make_folder()), path_(folder_ + "/" + name) {
    MovieWriter writer;
    writer.raw(bytes);
    if (!writer.save(path_)) {
        throw std::runtime_error("cannot write " + path_);
    }
}

TempMovie::~TempMovie() {
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
}

}  // namespace qx
