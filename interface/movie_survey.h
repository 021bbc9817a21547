#pragma once
#include <cstdint>
#include <vector>

#include "interface/damage_log.h"
#include "platform/file.h"

namespace qx {

// One video frame as a reading of the whole movie found it.
struct SurveyedFrame {
    int64_t offset;        // of the frame's chunk
    int64_t sound_before;  // sample frames of the sound read before the frame's chunk
    int32_t kind;
    int32_t width;  // the frame size in force once the frame's header is read
    int32_t height;
    int32_t stated_width;  // the size the header itself states, -1 when it states none
    int32_t stated_height;
};

// One block of sound as the reading found it.
struct SurveyedBlock {
    int64_t offset;  // of the block's chunk
    int64_t first;   // its first sample frame in the whole sound
    int32_t frames;
    int32_t video_stamp;
    bool sides_equal;
};

// What one reading of a movie from start to end learns, before anything is decoded for
// showing: its frames and when each is shown, its sound and its damage.
struct MovieSurvey {
    std::vector<SurveyedFrame> frames;
    std::vector<SurveyedBlock> blocks;
    bool has_audio = false;
    int32_t sample_rate = 0;  // the rate the player plays the sound at
    int32_t channels = 0;
    int32_t compression = -1;
    int32_t sample_bits = 0;
    int64_t sound_frames = 0;  // sample frames in all
    int64_t first_silent = 0;  // the first frame with no sound read after it
    int64_t file_bytes = 0;
    std::vector<DamagedStretch> damage;
};

// Reads the movie through `file` (which it closes) as the player's reader takes it. False when
// memory fails.
bool survey_movie(MovieFile* file, bool stop_at_damage, MovieSurvey& survey);

// When frame `frame` is shown, in milliseconds: when the sound read after its chunk starts to
// play, at the clock's rule. Frames after the last sound follow it at the clock's silent pace,
// one every tick of 10 ms; a movie without sound goes at `fps` frames a second.
int64_t frame_time_ms(const MovieSurvey& survey, int64_t frame, double fps);

}  // namespace qx
