#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ChunkInfo {
    int64_t offset;
    std::string tag;
    uint32_t size;
    int32_t result;
    std::string action;
};

// What `qx info` tells of a movie: every chunk as the player's reader takes it.
struct MovieInfo {
    std::string path;
    int64_t file_bytes = 0;
    bool has_audio = false;
    bool audio_format_set = false;
    int32_t channels = 0;
    int32_t sample_rate = 0;
    int32_t sample_bits = 0;
    int32_t compression = 0;
    int32_t video_kinds[5] = {};  // indexed by video kind 1 to 4
    int32_t audio_chunks = 0;
    int32_t frame_width = 0;
    int32_t frame_height = 0;
    std::vector<ChunkInfo> chunks;
    std::vector<std::string> problems;
};

// False, with one line in `error`, when the file is missing, unreadable or not a movie.
bool read_movie_info(const std::string& path, MovieInfo& info, std::string& error);
std::string movie_info_json(const MovieInfo& info);
