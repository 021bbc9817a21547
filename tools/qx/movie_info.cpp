#include "tools/qx/movie_info.h"

#include <algorithm>

#include "tools/qx/movie_open.h"

namespace qx {

namespace {

const char* codec_of_kind(int kind) {
    switch (kind) {
        case QX_FRAME_RKD_KEY:
        case QX_FRAME_RKD_INTER:
            return "rkd";
        case QX_FRAME_MNB:
            return "mnb";
        default:
            return "zle";
    }
}

void count_video(const qx_frame_entry& frame, MovieInfo& info) {
    if (frame.kind >= QX_FRAME_RKD_KEY && frame.kind <= QX_FRAME_ZLE) {
        ++info.video_kinds[frame.kind];
    }
    ++info.video_frames;
    const std::string codec = codec_of_kind(frame.kind);
    if (std::find(info.video_codecs.begin(), info.video_codecs.end(), codec) ==
        info.video_codecs.end()) {
        info.video_codecs.push_back(codec);
    }
    if (frame.stated_width < 0) {
        return;
    }
    const std::pair<int32_t, int32_t> size{frame.stated_width, frame.stated_height};
    if (info.frame_sizes.empty()) {
        info.frame_width = size.first;
        info.frame_height = size.second;
    }
    if (std::find(info.frame_sizes.begin(), info.frame_sizes.end(), size) ==
        info.frame_sizes.end()) {
        info.frame_sizes.push_back(size);
    }
}

void count_audio(const qx_sound_block& block, MovieInfo& info) {
    ++info.audio_chunks;
    const auto stamp = static_cast<int32_t>(block.video_stamp);
    if (stamp > 0 && info.first_stamp == 0) {
        info.first_stamp = stamp;
        info.first_stamp_at = info.audio_frames;
    }
    if (stamp > info.last_stamp) {
        info.last_stamp = stamp;
        info.last_stamp_at = info.audio_frames;
    }
    info.audio_frames += block.frames;
}

int list_chunk(void* cookie, const qx_chunk* chunk) {
    static_cast<MovieInfo*>(cookie)->chunks.push_back(
        {chunk->offset, chunk->tag, chunk->size, chunk->result, chunk->text});
    return 0;
}

}  // namespace

std::optional<double> MovieInfo::duration_seconds() const {
    if (!has_audio || !audio_format_set || sample_rate <= 0) {
        return std::nullopt;
    }
    return static_cast<double>(audio_frames) / sample_rate;
}

std::optional<double> MovieInfo::frames_per_second() const {
    const std::optional<double> seconds = duration_seconds();
    if (!seconds || *seconds <= 0) {
        return std::nullopt;
    }
    if (last_stamp > first_stamp && last_stamp_at > first_stamp_at) {
        return static_cast<double>(last_stamp - first_stamp) * sample_rate /
               static_cast<double>(last_stamp_at - first_stamp_at);
    }
    return video_frames / *seconds;
}

std::optional<MovieInfo::Timing> MovieInfo::timing() const {
    if (const std::optional<double> seconds = duration_seconds()) {
        return Timing{*seconds, frames_per_second(), false};
    }
    if (video_frames == 0) {
        return std::nullopt;
    }
    return Timing{video_frames / ASSUMED_FRAMES_PER_SECOND, ASSUMED_FRAMES_PER_SECOND, true};
}

bool read_movie_info(const std::string& path, MovieInfo& info, std::string& error,
                     bool list_chunks) {
    qx_options options;
    qx_default_options(&options);
    const OpenMovie movie = open_movie_file(path, options, error);
    qx_info facts{};
    if (!movie || qx_get_info(movie.get(), &facts) != QX_OK) {
        return false;
    }
    info.path = path;
    info.file_bytes = facts.file_bytes;
    info.has_audio = facts.audio_header != 0;
    if (info.has_audio) {
        info.audio_format_set = true;
        info.channels = facts.channels;
        info.sample_rate = facts.sample_rate;
        info.sample_bits = facts.sample_bits;
        info.compression = facts.compression;
        info.audio_codec = facts.audio_codec;
    }
    qx_frame_entry frame{};
    for (int64_t i = 0; qx_get_frame_entry(movie.get(), i, &frame) == QX_OK; ++i) {
        count_video(frame, info);
    }
    qx_sound_block block{};
    for (int64_t i = 0; qx_get_sound_block(movie.get(), i, &block) == QX_OK; ++i) {
        count_audio(block, info);
    }
    qx_problem problem{};
    for (int i = 0; qx_get_problem(movie.get(), i, &problem) == QX_OK; ++i) {
        info.problems.push_back({problem.offset, problem.offset + problem.bytes, problem.text});
    }
    const int walked = list_chunks ? qx_walk_chunks(movie.get(), list_chunk, &info) : QX_OK;
    if (walked != QX_OK) {
        error = path + ": " + qx_error_text(walked);
        return false;
    }
    return true;
}

}  // namespace qx
