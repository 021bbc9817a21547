#include "interface/movie_survey.h"

#include <cmath>

#include "audio/audio_chunk.h"
#include "interface/chunk_stream.h"
#include "interface/sound_start.h"
#include "player/reader.h"
#include "video/frame_dispatch.h"

namespace qx {

namespace {

// The clock moves on one frame a tick once no sound is waiting.
constexpr int64_t SILENT_TICK_MS = 10;

// The size a frame's header states: the first two little-endian 16-bit fields of a key, Mnb or
// Zle frame; an inter frame states none.
void read_stated_size(const VideoFrameSlot& slot, SurveyedFrame& frame) {
    if (slot.kind == VIDEO_RKD_INTER || slot.data == nullptr || slot.bytes < 4) {
        return;
    }
    frame.stated_width = slot.data[0] | slot.data[1] << 8;
    frame.stated_height = slot.data[2] | slot.data[3] << 8;
}

bool sides_equal(const AudioBlockSlot& block) {
    const auto* samples = reinterpret_cast<const int16_t*>(block.data);
    const size_t count = static_cast<size_t>(block.bytes) / AUDIO_FRAME_BYTES * 2;
    for (size_t i = 0; i + 1 < count; i += 2) {
        if (samples[i] != samples[i + 1]) {
            return false;
        }
    }
    return true;
}

void take_sound_format(const SoundStream& sound, MovieSurvey& survey) {
    survey.sample_rate = sound.sample_rate;
    survey.channels = sound.channels;
    survey.compression = sound.compression;
    survey.sample_bits = sound.sample_bits;
}

}  // namespace

bool survey_movie(MovieFile* file, bool stop_at_damage, MovieSurvey& survey) {
    survey = MovieSurvey{};
    const int32_t length = file_seek(file, 0, FILE_SEEK_END);
    file_seek(file, 0, FILE_SEEK_SET);
    survey.file_bytes = length < 0 ? 0 : length;
    ChunkStream stream;
    if (!stream.open(file, 0, stop_at_damage)) {
        return false;
    }
    PlayerContext& context = stream.context();
    survey.has_audio = stream.params().has_audio != 0;
    SoundStartWatch watch(survey.has_audio);
    DamageLog damage(survey.file_bytes, survey.has_audio);
    StreamChunk chunk{};
    while (stream.next(chunk)) {
        damage.chunk(chunk);
        if (chunk.result == READ_VIDEO) {
            read_frame_header(context.video, payload_of(*chunk.video));
            SurveyedFrame frame{chunk.offset,
                                survey.sound_frames,
                                chunk.video->kind,
                                context.video.frame_width,
                                context.video.frame_height,
                                -1,
                                -1};
            read_stated_size(*chunk.video, frame);
            survey.frames.push_back(frame);
        } else if (chunk.result == READ_AUDIO) {
            const AudioBlockSlot& block = *chunk.audio;
            const int32_t frames = block.bytes / static_cast<int32_t>(AUDIO_FRAME_BYTES);
            survey.blocks.push_back(
                {chunk.offset, survey.sound_frames, frames, block.video_stamp, sides_equal(block)});
            survey.sound_frames += frames;
        }
        // The player opens its sound once, in the format then in force.
        if (survey.has_audio && survey.sample_rate == 0 && watch.chunk_read(chunk.result)) {
            take_sound_format(context.sound, survey);
        }
    }
    if (survey.has_audio && survey.sample_rate == 0) {
        take_sound_format(context.sound, survey);
    }
    damage.end();
    survey.damage = damage.stretches();
    survey.first_silent = static_cast<int64_t>(survey.frames.size());
    while (survey.first_silent > 0 &&
           survey.frames[survey.first_silent - 1].sound_before == survey.sound_frames) {
        --survey.first_silent;
    }
    return true;
}

int64_t frame_time_ms(const MovieSurvey& survey, int64_t frame, double fps) {
    if (frame < 0) {
        return 0;
    }
    if (survey.sound_frames == 0 || survey.sample_rate <= 0) {
        return static_cast<int64_t>(std::floor(static_cast<double>(frame) * 1000.0 / fps));
    }
    const int64_t count = static_cast<int64_t>(survey.frames.size());
    if (count == 0) {
        return 0;
    }
    const int64_t at = frame < count ? frame : count - 1;
    const int64_t time = survey.frames[at].sound_before * 1000 / survey.sample_rate;
    // Frames with no sound after them: the first is shown as the sound ends.
    return frame > survey.first_silent ? time + (frame - survey.first_silent) * SILENT_TICK_MS
                                       : time;
}

}  // namespace qx
