#include "tools/qx/movie_open.h"

#include <filesystem>

namespace qx {

namespace {

// Why `path` cannot be a movie before it is even opened; empty when it may be one.
std::string file_problem(const std::string& path) {
    std::error_code code;
    if (!std::filesystem::exists(path, code)) {
        return "no such file";
    }
    const std::filesystem::file_type type = std::filesystem::status(path, code).type();
    if (type == std::filesystem::file_type::fifo || type == std::filesystem::file_type::socket) {
        return "a pipe: a movie is read by seeking in it, so give a file";
    }
    if (type != std::filesystem::file_type::regular) {
        return "not a regular file";
    }
    return {};
}

}  // namespace

OpenMovie open_movie_file(const std::string& path, const qx_options& options, std::string& error) {
    const std::string problem = file_problem(path);
    if (!problem.empty()) {
        error = path + ": " + problem;
        return nullptr;
    }
    int code = QX_OK;
    OpenMovie movie(qx_open_file(path.c_str(), &options, &code));
    if (!movie) {
        error = path + ": " + qx_error_text(code);
    }
    return movie;
}

}  // namespace qx
