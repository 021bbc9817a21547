#include <cstdio>
#include <string>
#include <vector>

#include "tools/qx/commands.h"
#include "tools/qx/movie_info.h"

namespace qx {

namespace {

struct InfoRequest {
    std::vector<std::string> paths;
    bool json = false;
    bool chunks = false;
};

// One summary (or JSON object) a movie, in the order given; with several movies and --json,
// a JSON array of the objects. A movie that cannot be read is named on stderr and the rest
// are still told; the status is then 1.
int run_info(const InfoRequest& request) {
    const bool array = request.json && request.paths.size() > 1;
    int status = 0;
    std::vector<std::string> told;
    for (const std::string& path : request.paths) {
        MovieInfo info;
        std::string error;
        if (!read_movie_info(path, info, error, request.chunks)) {
            std::fprintf(stderr, "qx info: %s\n", error.c_str());
            status = 1;
            continue;
        }
        if (request.json) {
            told.push_back(movie_info_json(info, request.chunks));
        } else {
            const std::string table = request.chunks ? movie_info_chunk_table(info) + "\n" : "";
            told.push_back(table + movie_info_summary(info));
        }
    }
    std::string out;
    for (const std::string& text : told) {
        if (request.json) {
            out += (out.empty() ? "" : ",\n") + text;
        } else {
            out += (out.empty() ? "" : "\n") + text;
        }
    }
    if (array) {
        std::printf("[%s]\n", out.c_str());
    } else if (!out.empty()) {
        std::printf(request.json ? "%s\n" : "%s", out.c_str());
    }
    return status;
}

}  // namespace

void add_info_command(CLI::App& app, int& status) {
    auto* command = app.add_subcommand(
        "info", "Summarise movies: length, size, bit rate, video and audio, damage");
    auto request = std::make_shared<InfoRequest>();
    add_movies_argument(*command, request->paths);
    command->add_flag("--json", request->json,
                      "print the same as JSON (an array of them for several movies)");
    command->add_flag("--chunks", request->chunks, "list every chunk as the reader takes it");
    command->callback([request, &status] { status = run_info(*request); });
}

}  // namespace qx
