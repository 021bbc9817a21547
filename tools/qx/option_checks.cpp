#include "tools/qx/commands.h"

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

CLI::Option* add_movie_argument(CLI::App& command, std::string& path) {
    return command
        .add_option("MOVIE", path, "the movie file, or - for standard input redirected from one")
        ->required()
        ->transform([](const std::string& text) { return text == "-" ? "/dev/stdin" : text; });
}
