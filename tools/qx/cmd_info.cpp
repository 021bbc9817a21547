#include <cstdio>
#include <string>

#include "tools/qx/commands.h"
#include "tools/qx/movie_info.h"

namespace {

struct InfoRequest {
    std::string path;
    bool json = false;
    bool chunks = false;
};

int run_info(const InfoRequest& request) {
    MovieInfo info;
    std::string error;
    if (!read_movie_info(request.path, info, error, request.chunks)) {
        std::fprintf(stderr, "qx info: %s\n", error.c_str());
        return 1;
    }
    if (request.json) {
        std::printf("%s\n", movie_info_json(info, request.chunks).c_str());
    } else {
        const std::string table = request.chunks ? movie_info_chunk_table(info) + "\n" : "";
        std::printf("%s%s", table.c_str(), movie_info_summary(info).c_str());
    }
    return 0;
}

}  // namespace

void add_info_command(CLI::App& app, int& status) {
    auto* command = app.add_subcommand(
        "info", "Summarise a movie: length, size, bit rate, video and audio, damage");
    auto request = std::make_shared<InfoRequest>();
    add_movie_argument(*command, request->path);
    command->add_flag("--json", request->json, "print the same as JSON");
    command->add_flag("--chunks", request->chunks, "list every chunk as the reader takes it");
    command->callback([request, &status] { status = run_info(*request); });
}
