#include "tools/qx/movie_info.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>

#include "audio/audio_chunk.h"
#include "player/reader.h"
#include "tools/qx/movie_scan.h"
#include "tools/qx/number_text.h"
#include "interface/sound_start.h"

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

const char* codec_of_kind(int32_t kind) {
    switch (kind) {
        case VIDEO_RKD_KEY:
        case VIDEO_RKD_INTER:
            return "rkd";
        case VIDEO_MNB:
            return "mnb";
        default:
            return "zle";
    }
}

std::string quoted_tag(const ScannedChunk& chunk) {
    return std::string("\"").append(printable_tag(chunk.tag)).append("\"");
}

// Why the reader, having read this chunk's header, cannot go on from the chunk's end; empty
// when it can. It then steps on 8 bytes at a time until a header makes sense again.
std::string sync_loss(const ScannedChunk& chunk, bool has_audio) {
    if (chunk.result != READ_END || is_end_tag(chunk.tag)) {
        return {};
    }
    if (!is_known_chunk_tag(chunk.tag)) {
        return "unrecognised tag " + quoted_tag(chunk);
    }
    if (chunk.size < CHUNK_HEADER_BYTES || chunk.size > INT32_MAX) {
        return "chunk " + quoted_tag(chunk) + " of size " + grouped(chunk.size);
    }
    if (is_audio_data_tag(chunk.tag) && !has_audio) {
        return "audio data in a movie without an audio header";
    }
    return {};
}

// Follows the scan and turns what went wrong into a few ranges rather than a line per chunk.
class DamageLog {
  public:
    explicit DamageLog(MovieInfo& info) : info_(info) {}

    void chunk(const ScannedChunk& chunk) {
        const std::string loss = sync_loss(chunk, info_.has_audio);
        if (!loss.empty()) {
            if (lost_at_ < 0) {
                lost_at_ = chunk.offset;
                cause_ = loss;
            }
            return;
        }
        found_again(chunk.offset);
        const int64_t announced_end = chunk.offset + static_cast<int64_t>(chunk.size);
        if (is_known_chunk_tag(chunk.tag) && announced_end > info_.file_bytes) {
            info_.problems.push_back(
                {chunk.offset, info_.file_bytes,
                 "chunk " + quoted_tag(chunk) + " at " + grouped(chunk.offset) +
                     " runs past the end of the file: " + grouped(chunk.size) +
                     " bytes announced, " + grouped(info_.file_bytes - chunk.offset) + " there"});
        } else if (chunk.result == READ_ERROR) {
            info_.problems.push_back(
                {chunk.offset, chunk.next_offset,
                 "read error in chunk " + quoted_tag(chunk) + " at " + grouped(chunk.offset)});
        }
    }

    void end() {
        if (lost_at_ >= 0) {
            info_.problems.push_back(
                {lost_at_, info_.file_bytes,
                 "lost sync at " + grouped(lost_at_) + ", not found again before the end, " +
                     grouped(info_.file_bytes - lost_at_) + " bytes skipped (" + cause_ + ")"});
        }
    }

  private:
    void found_again(int64_t offset) {
        if (lost_at_ < 0) {
            return;
        }
        info_.problems.push_back({lost_at_, offset,
                                  "lost sync at " + grouped(lost_at_) + ", found again at " +
                                      grouped(offset) + ", " + grouped(offset - lost_at_) +
                                      " bytes skipped (" + cause_ + ")"});
        lost_at_ = -1;
    }

    MovieInfo& info_;
    int64_t lost_at_ = -1;
    std::string cause_;
};

// The reader's answer for one chunk in words.
std::string describe(const ScannedChunk& chunk, bool has_audio) {
    switch (chunk.result) {
        case READ_VIDEO:
            return formatted("video chunk %d: %s", chunk.video->sequence,
                             kind_name(chunk.video->kind));
        case READ_AUDIO:
            return formatted("audio block %d: %d bytes of 16-bit stereo", chunk.audio->sequence,
                             chunk.audio->bytes);
        case READ_AUDIO_HEADER:
            return "audio format set";
        case READ_SKIPPED:
            return "read and dropped";
        case READ_ERROR:
            return "read error";
        default:
            break;
    }
    if (is_end_tag(chunk.tag)) {
        return "end of movie: not read";
    }
    const std::string loss = sync_loss(chunk, has_audio);
    if (!loss.empty()) {
        return loss + ": not read, the reader goes on 8 bytes further";
    }
    return "no body: the file ends here";
}

void count_video(const VideoFrameSlot& slot, MovieInfo& info) {
    ++info.video_kinds[slot.kind];
    ++info.video_frames;
    const std::string codec = codec_of_kind(slot.kind);
    if (std::find(info.video_codecs.begin(), info.video_codecs.end(), codec) ==
        info.video_codecs.end()) {
        info.video_codecs.push_back(codec);
    }
    if (slot.kind == VIDEO_RKD_INTER || slot.bytes < 4) {
        return;
    }
    const std::pair<int32_t, int32_t> size{slot.data[0] | slot.data[1] << 8,
                                           slot.data[2] | slot.data[3] << 8};
    if (info.frame_sizes.empty()) {
        info.frame_width = size.first;
        info.frame_height = size.second;
    }
    if (std::find(info.frame_sizes.begin(), info.frame_sizes.end(), size) ==
        info.frame_sizes.end()) {
        info.frame_sizes.push_back(size);
    }
}

void count_audio(const AudioBlockSlot& block, MovieInfo& info) {
    ++info.audio_chunks;
    const int32_t stamp = block.video_stamp;
    if (stamp > 0 && info.first_stamp == 0) {
        info.first_stamp = stamp;
        info.first_stamp_at = info.audio_frames;
    }
    if (stamp > info.last_stamp) {
        info.last_stamp = stamp;
        info.last_stamp_at = info.audio_frames;
    }
    info.audio_frames += block.bytes / static_cast<int32_t>(AUDIO_FRAME_BYTES);
}

void take_audio_format(const PlayerContext& context, MovieInfo& info) {
    info.audio_format_set = true;
    info.channels = context.sound.channels;
    info.sample_rate = context.sound.sample_rate;
    info.sample_bits = context.sound.sample_bits;
    info.compression = context.sound.compression;
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
    MovieScan scan;
    if (!scan.open(path)) {
        error = scan.error();
        return false;
    }
    std::error_code code;
    info.path = path;
    info.file_bytes = static_cast<int64_t>(std::filesystem::file_size(path, code));
    info.has_audio = scan.params().has_audio != 0;
    SoundStartWatch watch(info.has_audio);
    DamageLog damage(info);
    const PlayerContext& context = scan.context();
    scan.run([&](const ScannedChunk& chunk) {
        if (chunk.result == READ_VIDEO) {
            count_video(*chunk.video, info);
        } else if (chunk.result == READ_AUDIO) {
            count_audio(*chunk.audio, info);
        }
        if (!watch.started() && watch.chunk_read(chunk.result) && info.has_audio) {
            take_audio_format(context, info);
        }
        damage.chunk(chunk);
        if (!list_chunks) {
            return;
        }
        info.chunks.push_back({chunk.offset, printable_tag(chunk.tag), chunk.size, chunk.result,
                               describe(chunk, info.has_audio)});
    });
    damage.end();
    // A movie that ends before the player would have started its sound plays at the format
    // it ended with.
    if (info.has_audio && !watch.started()) {
        take_audio_format(context, info);
    }
    return true;
}
