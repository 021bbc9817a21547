#include <cstdio>
#include <string>
#include <vector>

#include "player/reader.h"
#include "tools/qx/commands.h"
#include "tools/qx/movie_info.h"

namespace {

void print_text(const MovieInfo& info) {
    std::printf("%-10s %-8s %-10s %s\n", "offset", "tag", "size", "reader");
    for (const ChunkInfo& chunk : info.chunks) {
        std::printf("%-10lld %-8s %-10u %s\n", static_cast<long long>(chunk.offset),
                    chunk.tag.c_str(), chunk.size, chunk.action.c_str());
    }
    std::printf("\naudio: %s\n", info.has_audio ? "yes" : "no");
    if (info.audio_format_set) {
        std::printf("audio format: %d channel(s), %d Hz, %d bits, compression %d\n", info.channels,
                    info.sample_rate, info.sample_bits, info.compression);
    }
    std::printf("video chunks: %d Rkd key, %d Rkd inter, %d Mnb, %d Zle\n",
                info.video_kinds[VIDEO_RKD_KEY], info.video_kinds[VIDEO_RKD_INTER],
                info.video_kinds[VIDEO_MNB], info.video_kinds[VIDEO_ZLE]);
    std::printf("audio data chunks: %d\n", info.audio_chunks);
    if (info.frame_width > 0) {
        std::printf("picture: %d x %d\n", info.frame_width, info.frame_height);
    }
    for (const std::string& problem : info.problems) {
        std::printf("problem: %s\n", problem.c_str());
    }
}

void run_info(const std::string& path, bool json, int& status) {
    MovieInfo info;
    std::string error;
    if (!read_movie_info(path, info, error)) {
        std::fprintf(stderr, "qx info: %s\n", error.c_str());
        status = 1;
        return;
    }
    if (json) {
        std::printf("%s\n", movie_info_json(info).c_str());
    } else {
        print_text(info);
    }
    status = 0;
}

}  // namespace

void add_info_command(CLI::App& app, int& status) {
    auto* command = app.add_subcommand("info", "List the chunks of a movie and what they hold");
    auto path = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    command->add_option("MOVIE", *path, "the movie file")->required();
    command->add_flag("--json", *json, "print the same as JSON");
    command->callback([path, json, &status] { run_info(*path, *json, status); });
}
