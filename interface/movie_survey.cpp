#include "interface/movie_survey.h"

#include <cmath>

#include "interface/chunk_stream.h"
#include "interface/sound_start.h"
#include "player/reader.h"
#include "video/frame_dispatch.h"

namespace {

// The clock moves on one frame a tick once no sound is waiting.
constexpr int64_t SILENT_TICK_MS = 10;

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
            read_frame_header(context, *chunk.video);
            survey.frames.push_back({survey.sound_frames, chunk.video->kind,
                                     context.video.frame_width, context.video.frame_height});
        } else if (chunk.result == READ_AUDIO) {
            survey.sound_frames += chunk.audio->bytes / 4;
        }
        // The player opens its sound once, in the format then in force.
        if (survey.has_audio && survey.sample_rate == 0 && watch.chunk_read(chunk.result)) {
            survey.sample_rate = context.sound.sample_rate;
            survey.channels = context.sound.channels;
            survey.compression = context.sound.compression;
        }
    }
    if (survey.has_audio && survey.sample_rate == 0) {
        survey.sample_rate = context.sound.sample_rate;
        survey.channels = context.sound.channels;
        survey.compression = context.sound.compression;
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
