#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>

#include "tools/qx/commands.h"

namespace qx {

namespace {

// The first word that is not an option: the command the user meant, known or not.
std::string command_word(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-') {
            return argv[i];
        }
    }
    return {};
}

// What a command takes, said when it is given a word more; null for a command that takes any
// number of movies.
const char* arguments_taken(const std::string& command) {
    if (command == "play") {
        return "plays one movie at a time";
    }
    if (command == "export") {
        return "takes one movie and one output folder";
    }
    if (command == "encode") {
        return "takes one output file (the pictures come with -i)";
    }
    return nullptr;
}

// The first word left over that is not an option, if the parse stopped at words too many.
std::string extra_word(const CLI::App& app, const CLI::ParseError& error) {
    if (dynamic_cast<const CLI::ExtrasError*>(&error) == nullptr) {
        return {};
    }
    for (const std::string& word : app.remaining(true)) {
        if (!word.empty() && word[0] != '-') {
            return word;
        }
    }
    return {};
}

// Usage errors are one line and status 2, as people expect of command-line tools; help and
// the version go to standard output with status 0.
int usage_error(CLI::App& app, const CLI::ParseError& error, int argc, char** argv) {
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
        return app.exit(error);
    }
    const std::vector<CLI::App*> chosen = app.get_subcommands();
    const std::string word = command_word(argc, argv);
    const std::string extra = extra_word(app, error);
    if (!chosen.empty() && !extra.empty() && arguments_taken(chosen.front()->get_name())) {
        std::fprintf(stderr, "qx %s: %s; '%s' is one too many\n",
                     chosen.front()->get_name().c_str(),
                     arguments_taken(chosen.front()->get_name()), extra.c_str());
    } else if (!chosen.empty()) {
        std::fprintf(stderr, "qx %s: %s\n", chosen.front()->get_name().c_str(), error.what());
    } else if (!word.empty()) {
        std::fprintf(stderr, "qx: unknown command '%s'\n", word.c_str());
    } else if (argc == 1) {
        std::fprintf(stderr,
                     "qx: a command is needed: info, export, play, encode, convert or "
                     "thumbnail (see qx --help)\n");
    } else {
        // Only options, and --help and --version were not among them.
        std::fprintf(stderr, "qx: unknown option '%s'\n", argv[1]);
    }
    return QX_USAGE_ERROR;
}

}  // namespace

}  // namespace qx

int main(int argc, char** argv) {
    using namespace qx;
    CLI::App app{"qx: play, inspect, convert and author Qx movies"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("qx ") + QX_VERSION);
    int status = 0;
    add_info_command(app, status);
    add_export_command(app, status);
    add_play_command(app, status);
    add_encode_command(app, status);
    add_convert_command(app, status);
    add_thumbnail_command(app, status);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return usage_error(app, error, argc, argv);
    }
    return status;
}
