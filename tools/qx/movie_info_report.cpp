#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "tools/qx/movie_info.h"
#include "tools/qx/number_text.h"

namespace qx {

namespace {

// Problems listed before the rest are only counted.
constexpr size_t SUMMARY_PROBLEMS = 4;

// 15 as "15", 14.985 as "14.99", 12.5 as "12.5".
std::string short_number(double value) {
    std::string text = formatted("%.2f", value);
    while (text.back() == '0') {
        text.pop_back();
    }
    if (text.back() == '.') {
        text.pop_back();
    }
    return text;
}

const char* audio_codec_text(qx_audio_codec codec) {
    switch (codec) {
        case QX_AUDIO_PCM:
            return "16-bit PCM";
        case QX_AUDIO_XA:
            return "XA ADPCM";
        case QX_AUDIO_IMA:
            return "IMA ADPCM";
        default:
            return nullptr;
    }
}

// "2.90 MB", "12.3 kB", "800 bytes".
std::string file_size_text(int64_t bytes) {
    if (bytes >= 1000000) {
        return formatted("%.2f MB", static_cast<double>(bytes) / 1e6);
    }
    if (bytes >= 1000) {
        return formatted("%.1f kB", static_cast<double>(bytes) / 1e3);
    }
    return counted(bytes, "byte");
}

std::string size_text(const std::pair<int32_t, int32_t>& size) {
    return formatted("%dx%d", size.first, size.second);
}

// "320x240", or "64x48 to 128x96, 3 sizes" for a movie whose pictures change size.
std::string frame_sizes_text(const MovieInfo& info) {
    if (info.frame_sizes.size() == 1) {
        return size_text(info.frame_sizes.front());
    }
    const auto [smallest, largest] = std::minmax_element(
        info.frame_sizes.begin(), info.frame_sizes.end(), [](const auto& a, const auto& b) {
            return int64_t{a.first} * a.second < int64_t{b.first} * b.second;
        });
    return size_text(*smallest) + " to " + size_text(*largest) + ", " +
           counted(static_cast<int64_t>(info.frame_sizes.size()), "size");
}

std::string video_line(const MovieInfo& info) {
    if (info.video_frames == 0) {
        return "video: none";
    }
    std::string codecs;
    for (const std::string& codec : info.video_codecs) {
        // "rkd" as the name people read: "Rkd".
        if (!codecs.empty()) {
            codecs += '+';
        }
        codecs += static_cast<char>(std::toupper(codec[0]));
        codecs += codec.substr(1);
    }
    std::string line = "video: " + codecs;
    if (!info.frame_sizes.empty()) {
        line += " " + frame_sizes_text(info);
    }
    const std::optional<MovieInfo::Timing> timing = info.timing();
    if (timing && timing->fps) {
        line += ", " + short_number(*timing->fps) + " fps" + (timing->assumed ? " (assumed)" : "");
    }
    return line + ", " + counted(info.video_frames, "frame");
}

std::string audio_line(const MovieInfo& info) {
    if (!info.has_audio) {
        return "audio: none";
    }
    const char* codec = audio_codec_text(info.audio_codec);
    std::string line =
        "audio: " +
        (codec ? std::string(codec) : formatted("compression %d, not decoded", info.compression));
    line += ", " + grouped(info.sample_rate) + " Hz, " + (info.channels == 2 ? "stereo" : "mono");
    return line;
}

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += formatted("\\u%04x", byte);
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string json_number(const std::optional<double>& value) {
    return value ? formatted("%.10g", *value) : "null";
}

std::string json_video(const MovieInfo& info) {
    if (info.video_frames == 0) {
        return "null";
    }
    std::string codecs;
    for (const std::string& codec : info.video_codecs) {
        codecs += (codecs.empty() ? "" : ", ") + json_string(codec);
    }
    std::string sizes;
    for (const auto& [width, height] : info.frame_sizes) {
        sizes += formatted("%s{\"width\": %d, \"height\": %d}", sizes.empty() ? "" : ", ", width,
                           height);
    }
    const std::optional<MovieInfo::Timing> timing = info.timing();
    return formatted("{\"codecs\": [%s], \"width\": %d, \"height\": %d, \"sizes\": [",
                     codecs.c_str(), info.frame_width, info.frame_height) +
           sizes +
           formatted("], \"frames\": %d, \"fps\": %s}", info.video_frames,
                     json_number(timing ? timing->fps : std::nullopt).c_str());
}

std::string json_audio(const MovieInfo& info) {
    if (!info.has_audio) {
        return "null";
    }
    const char* codec = audio_codec_name(info.audio_codec);
    return formatted(
        "{\"codec\": %s, \"sample_rate\": %d, \"channels\": %d, \"blocks\": %d, "
        "\"sample_bits\": %d, \"compression\": %d}",
        codec ? json_string(codec).c_str() : "null", info.sample_rate, info.channels,
        info.audio_chunks, info.sample_bits, info.compression);
}

std::string json_chunks(const MovieInfo& info) {
    std::string out = "[";
    for (size_t i = 0; i < info.chunks.size(); ++i) {
        const ChunkInfo& chunk = info.chunks[i];
        out += formatted("%s{\"offset\": %lld, \"tag\": ", i ? ", " : "",
                         static_cast<long long>(chunk.offset));
        out += json_string(chunk.tag) +
               formatted(", \"size\": %u, \"result\": %d, \"reader\": ", chunk.size, chunk.result);
        out += json_string(chunk.action) + "}";
    }
    return out + "]";
}

std::string json_problems(const MovieInfo& info) {
    std::string out = "[";
    for (size_t i = 0; i < info.problems.size(); ++i) {
        const MovieProblem& problem = info.problems[i];
        out += formatted(
            "%s{\"offset\": %lld, \"end\": %lld, \"bytes\": %lld, \"text\": ", i ? ", " : "",
            static_cast<long long>(problem.offset), static_cast<long long>(problem.end),
            static_cast<long long>(problem.end - problem.offset));
        out += json_string(problem.text) + "}";
    }
    return out + "]";
}

}  // namespace

const char* audio_codec_name(qx_audio_codec codec) {
    switch (codec) {
        case QX_AUDIO_PCM:
            return "pcm";
        case QX_AUDIO_XA:
            return "xa-adpcm";
        case QX_AUDIO_IMA:
            return "ima-adpcm";
        default:
            return nullptr;
    }
}

std::string movie_info_summary(const MovieInfo& info) {
    std::string text = info.path + ":";
    const std::optional<MovieInfo::Timing> timing = info.timing();
    if (timing) {
        text += formatted(" %.2f s", timing->seconds);
        text += timing->assumed ? " at an assumed " + short_number(*timing->fps) + " fps," : ",";
    }
    text += " " + file_size_text(info.file_bytes);
    if (timing && timing->seconds > 0) {
        text +=
            ", " + grouped(std::llround(info.file_bytes * 8 / timing->seconds / 1000)) + " kb/s";
    }
    text.append("\n").append(video_line(info)).append("\n").append(audio_line(info)).append("\n");
    for (size_t i = 0; i < info.problems.size() && i < SUMMARY_PROBLEMS; ++i) {
        text += "problem: " + info.problems[i].text + "\n";
    }
    if (info.problems.size() > SUMMARY_PROBLEMS) {
        text +=
            "and " +
            counted(static_cast<int64_t>(info.problems.size() - SUMMARY_PROBLEMS), "more problem") +
            " (qx info --json lists them)\n";
    }
    return text;
}

std::string movie_info_chunk_table(const MovieInfo& info) {
    std::string text = formatted("%-10s %-8s %-10s %s\n", "offset", "tag", "size", "reader");
    for (const ChunkInfo& chunk : info.chunks) {
        text += formatted("%-10lld %-8s %-10u ", static_cast<long long>(chunk.offset),
                          chunk.tag.c_str(), chunk.size) +
                chunk.action + "\n";
    }
    return text;
}

std::string movie_info_json(const MovieInfo& info, bool with_chunks) {
    std::string out = "{\"file\": " + json_string(info.path);
    const std::optional<MovieInfo::Timing> timing = info.timing();
    out += formatted(
        ", \"bytes\": %lld, \"duration_seconds\": %s, \"timing_assumed\": %s, \"has_audio\": %s",
        static_cast<long long>(info.file_bytes),
        json_number(timing ? std::optional(timing->seconds) : std::nullopt).c_str(),
        timing && timing->assumed ? "true" : "false", info.has_audio ? "true" : "false");
    out += ", \"video\": " + json_video(info) + ", \"audio\": " + json_audio(info);
    out += formatted(
        ", \"video_chunks\": {\"rkd_key\": %d, \"rkd_inter\": %d, \"mnb\": %d, \"zle\": %d}",
        info.video_kinds[QX_FRAME_RKD_KEY], info.video_kinds[QX_FRAME_RKD_INTER],
        info.video_kinds[QX_FRAME_MNB], info.video_kinds[QX_FRAME_ZLE]);
    out += ", \"problems\": " + json_problems(info);
    if (with_chunks) {
        out += ", \"chunks\": " + json_chunks(info);
    }
    return out + "}";
}

}  // namespace qx
