#include "tools/qx/movie_scan.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/file.h"
#include "platform/kernel.h"
#include "player/player.h"
#include "player/reader.h"

bool MovieScan::open(const std::string& path) {
    std::error_code code;
    if (!std::filesystem::exists(path, code)) {
        error_ = path + ": no such file";
        return false;
    }
    const std::filesystem::file_type type = std::filesystem::status(path, code).type();
    if (type == std::filesystem::file_type::fifo || type == std::filesystem::file_type::socket) {
        error_ = path + ": a pipe: a movie is read by seeking in it, so give a file";
        return false;
    }
    if (type != std::filesystem::file_type::regular) {
        error_ = path + ": not a regular file";
        return false;
    }
    context_ = player_open_stream(path.c_str(), nullptr, params_);
    if (context_ == nullptr) {
        error_ = path + ": cannot be opened for reading";
        return false;
    }
    const std::string problem = first_chunk_problem();
    if (!problem.empty()) {
        error_ = path + ": not a movie (" + problem + " at offset 0)";
        return false;
    }
    return true;
}

// Why the reader would stop at the very first chunk, or nothing when it takes it.
std::string MovieScan::first_chunk_problem() {
    MovieFile* file = params_.file;
    uint8_t header[CHUNK_HEADER_BYTES] = {};
    const int32_t got = file_read(file, header, CHUNK_HEADER_BYTES);
    if (got > 0) {
        file_seek(file, -got, FILE_SEEK_CUR);
    }
    if (got != CHUNK_HEADER_BYTES) {
        return "no chunk header";
    }
    const char* tag = reinterpret_cast<const char*>(header);
    if (!is_known_chunk_tag(tag)) {
        return "unrecognised tag \"" + printable_tag(tag) + "\"";
    }
    const uint32_t size = chunk_size(header);
    if (size < CHUNK_HEADER_BYTES || size > INT32_MAX) {
        return "chunk size " + std::to_string(size) + " that the reader cannot step over";
    }
    if (is_audio_data_tag(tag)) {
        return "audio data without an audio header";
    }
    return {};
}

MovieScan::~MovieScan() {
    if (context_ != nullptr) {
        player_close_stream(context_);
    }
}

void MovieScan::run(const std::function<void(const ScannedChunk&)>& visit) {
    PlayerContext& context = *context_;
    MovieFile* file = params_.file;
    stopped_ = false;
    for (;;) {
        ScannedChunk chunk{};
        chunk.offset = file_seek(file, 0, FILE_SEEK_CUR);
        uint8_t header[CHUNK_HEADER_BYTES] = {};
        const int32_t got = file_read(file, header, CHUNK_HEADER_BYTES);
        if (got > 0) {
            file_seek(file, static_cast<int32_t>(chunk.offset), FILE_SEEK_SET);
        }
        if (got != CHUNK_HEADER_BYTES) {
            return;
        }
        for (int i = 0; i < 4; ++i) {
            chunk.tag[i] = static_cast<char>(header[i]);
        }
        chunk.size = chunk_size(header);
        VideoFrameSlot& video_slot = ring_back(context.reader.video_ring);
        AudioBlockSlot& audio_slot = ring_back(context.reader.audio_ring);
        chunk.result = read_chunk(context);
        chunk.next_offset = file_seek(file, 0, FILE_SEEK_CUR);
        if (chunk.result == READ_VIDEO) {
            chunk.video = &video_slot;
        } else if (chunk.result == READ_AUDIO) {
            chunk.audio = &audio_slot;
        }
        visit(chunk);
        if (chunk.result == READ_VIDEO) {
            release_video_slot(context);
        } else if (chunk.result == READ_AUDIO) {
            release_audio_slot(context);
        }
        if (stopped_ || chunk.next_offset == chunk.offset || chunk.result == READ_BUSY) {
            return;
        }
    }
}

std::string printable_tag(const char* tag) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<unsigned char>(tag[i]);
        if (byte >= 0x20 && byte < 0x7F) {
            text += static_cast<char>(byte);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        }
    }
    return text;
}

uint32_t chunk_size(const uint8_t* header) {
    return static_cast<uint32_t>(header[4]) | static_cast<uint32_t>(header[5]) << 8 |
           static_cast<uint32_t>(header[6]) << 16 | static_cast<uint32_t>(header[7]) << 24;
}

bool is_end_tag(const char* tag) {
    return std::memcmp(tag, "SEND", 4) == 0 || std::memcmp(tag, "1SNe", 4) == 0 ||
           std::memcmp(tag, "SCEl", 4) == 0;
}

bool is_audio_data_tag(const char* tag) {
    return std::memcmp(tag, "SCDl", 4) == 0 || std::memcmp(tag, "SNDC", 4) == 0 ||
           std::memcmp(tag, "1SNd", 4) == 0;
}
