#include "tools/qx/movie_info.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "player/reader.h"
#include "tools/qx/movie_scan.h"

namespace {

const char* kind_name(int32_t kind) {
    switch (kind) {
        case VIDEO_RKD_KEY:
            return "Rkd key frame";
        case VIDEO_RKD_INTER:
            return "Rkd inter frame";
        case VIDEO_MNB:
            return "Mnb frame";
        case VIDEO_ZLE:
            return "Zle frame";
        default:
            return "unknown kind";
    }
}

bool is_end_tag(const char* tag) {
    return std::memcmp(tag, "SEND", 4) == 0 || std::memcmp(tag, "1SNe", 4) == 0 ||
           std::memcmp(tag, "SCEl", 4) == 0;
}

bool is_audio_data_tag(const char* tag) {
    return std::memcmp(tag, "SCDl", 4) == 0 || std::memcmp(tag, "SNDC", 4) == 0 ||
           std::memcmp(tag, "1SNd", 4) == 0;
}

std::string format(const char* pattern, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

// The reader's answer for one chunk in words; problems found on the way go to `info`.
std::string describe(const ScannedChunk& chunk, MovieScan& scan, MovieInfo& info) {
    const std::string at = format("chunk \"%s\" at offset %lld", printable_tag(chunk.tag).c_str(),
                                  static_cast<long long>(chunk.offset));
    if (chunk.size >= CHUNK_HEADER_BYTES &&
        chunk.offset + static_cast<int64_t>(chunk.size) > info.file_bytes &&
        chunk.result != READ_END) {
        info.problems.push_back(at + format(": size %u runs past the end of the file", chunk.size));
    }
    const PlayerContext& context = scan.context();
    switch (chunk.result) {
        case READ_VIDEO: {
            const VideoFrameSlot& slot = *chunk.video;
            ++info.video_kinds[slot.kind];
            if (info.frame_width == 0 && slot.kind != VIDEO_RKD_INTER && slot.bytes >= 4) {
                info.frame_width = slot.data[0] | slot.data[1] << 8;
                info.frame_height = slot.data[2] | slot.data[3] << 8;
            }
            return format("video chunk %d: %s", slot.sequence, kind_name(slot.kind));
        }
        case READ_AUDIO:
            ++info.audio_chunks;
            return format("audio block %d: %d bytes of 16-bit stereo", chunk.audio->sequence,
                          chunk.audio->bytes);
        case READ_AUDIO_HEADER:
            info.audio_format_set = true;
            info.channels = context.channels;
            info.sample_rate = context.sample_rate;
            info.sample_bits = context.sample_bits;
            info.compression = context.compression;
            return format("audio format: %d channel(s), %d Hz, %d bits, compression %d",
                          context.channels, context.sample_rate, context.sample_bits,
                          context.compression);
        case READ_SKIPPED:
            return "read and dropped";
        case READ_ERROR:
            info.problems.push_back(at + ": read error");
            return "read error";
        default:
            break;
    }
    if (chunk.size < CHUNK_HEADER_BYTES) {
        info.problems.push_back(at + format(": size %u is below the 8-byte header", chunk.size));
        return "size below 8: not read";
    }
    if (is_end_tag(chunk.tag)) {
        return "end of movie: not read";
    }
    if (is_audio_data_tag(chunk.tag)) {
        info.problems.push_back(at + ": audio data in a movie without an audio header");
        return "audio data without audio header: not read";
    }
    if (is_known_chunk_tag(chunk.tag)) {
        info.problems.push_back(at + ": the file ends before its body");
        return "no body: the file ends here";
    }
    info.problems.push_back(at + ": unrecognised tag");
    return "unrecognised tag: not read, the reader goes on 8 bytes further";
}

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += format("\\u%04x", byte);
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

bool read_movie_info(const std::string& path, MovieInfo& info, std::string& error) {
    MovieScan scan;
    if (!scan.open(path)) {
        error = scan.error();
        return false;
    }
    std::error_code code;
    info.path = path;
    info.file_bytes = static_cast<int64_t>(std::filesystem::file_size(path, code));
    info.has_audio = scan.params().has_audio != 0;
    scan.run([&](const ScannedChunk& chunk) {
        info.chunks.push_back({chunk.offset, printable_tag(chunk.tag), chunk.size, chunk.result,
                               describe(chunk, scan, info)});
    });
    if (info.chunks.empty()) {
        error = path + ": not a movie (no chunk header at offset 0)";
        return false;
    }
    const ChunkInfo& first = info.chunks.front();
    if (first.result == READ_END && first.action.rfind("end of movie", 0) != 0) {
        error = path + ": not a movie (" + first.action + " at offset 0)";
        return false;
    }
    return true;
}

std::string movie_info_json(const MovieInfo& info) {
    std::string out = "{\"file\": " + json_string(info.path);
    out += format(", \"bytes\": %lld, \"has_audio\": %s", static_cast<long long>(info.file_bytes),
                  info.has_audio ? "true" : "false");
    if (info.audio_format_set) {
        out += format(
            ", \"audio\": {\"channels\": %d, \"sample_rate\": %d, \"sample_bits\": %d, "
            "\"compression\": %d}",
            info.channels, info.sample_rate, info.sample_bits, info.compression);
    }
    out += format(
        ", \"video_chunks\": {\"rkd_key\": %d, \"rkd_inter\": %d, \"mnb\": %d, \"zle\": %d}"
        ", \"audio_chunks\": %d, \"width\": %d, \"height\": %d, \"chunks\": [",
        info.video_kinds[VIDEO_RKD_KEY], info.video_kinds[VIDEO_RKD_INTER],
        info.video_kinds[VIDEO_MNB], info.video_kinds[VIDEO_ZLE], info.audio_chunks,
        info.frame_width, info.frame_height);
    for (size_t i = 0; i < info.chunks.size(); ++i) {
        const ChunkInfo& chunk = info.chunks[i];
        out += format("%s{\"offset\": %lld, \"tag\": ", i ? ", " : "",
                      static_cast<long long>(chunk.offset));
        out += json_string(chunk.tag) +
               format(", \"size\": %u, \"result\": %d, \"reader\": ", chunk.size, chunk.result);
        out += json_string(chunk.action) + "}";
    }
    out += "], \"problems\": [";
    for (size_t i = 0; i < info.problems.size(); ++i) {
        out += (i ? ", " : "") + json_string(info.problems[i]);
    }
    return out + "]}";
}
