#include "tools/qx/commands.h"

#include <cmath>

namespace qx {

namespace {

std::string movie_path(const std::string& text) {
    return text == "-" ? "/dev/stdin" : text;
}

}  // namespace

void require_above_zero(const CLI::Option& option, double value) {
    if (option.count() > 0 && !(value > 0)) {
        throw CLI::ValidationError(option.get_name() + " must be greater than 0");
    }
}

void require_not_negative(const CLI::Option& option, double value) {
    if (option.count() > 0 && !(value >= 0)) {
        throw CLI::ValidationError(option.get_name() + " must be 0 or more");
    }
}

void require_at_most(const CLI::Option& option, double value, double most) {
    if (option.count() > 0 && !(value <= most)) {
        throw CLI::ValidationError(option.get_name() + " must be at most " +
                                   std::to_string(std::lround(most)));
    }
}

CLI::Option* add_movie_argument(CLI::App& command, std::string& path) {
    return command
        .add_option("MOVIE", path, "the movie file, or - for standard input redirected from one")
        ->required()
        ->transform(movie_path);
}

CLI::Option* add_movies_argument(CLI::App& command, std::vector<std::string>& paths) {
    return command
        .add_option("MOVIE", paths, "movie files, or - for standard input redirected from one")
        ->required()
        ->transform(movie_path);
}

}  // namespace qx
