#include "interface/sound_start.h"

#include "player/playback_loop.h"
#include "player/player_stream.h"
#include "player/reader.h"

namespace qx {

void SoundStartWatch::end_prefill() {
    audio_only_ = video_queued_ == 0;
    phase_ = Phase::first_turn;
}

bool SoundStartWatch::chunk_read(int32_t result) {
    // Nothing is consumed before the sound starts, so every block read is still queued.
    audio_queued_ += result == READ_AUDIO ? 1 : 0;
    video_queued_ += result == READ_VIDEO ? 1 : 0;
    switch (phase_) {
        case Phase::prefill:
            if (result == READ_END || result == READ_BUSY) {
                end_prefill();
            } else if (second_of_round_ && audio_queued_ >= PREFILL_TARGET) {
                end_prefill();
            } else {
                second_of_round_ = !second_of_round_;
            }
            break;
        case Phase::first_turn: {
            const bool room = audio_queued_ < EXTRA_READ_LIMIT && video_queued_ < EXTRA_READ_LIMIT;
            const bool second =
                (result == READ_VIDEO && has_audio_) || (result == READ_AUDIO && !audio_only_);
            phase_ = room && second ? Phase::second_read : Phase::started;
            break;
        }
        case Phase::second_read:
        case Phase::started:
            phase_ = Phase::started;
            break;
    }
    return started();
}

}  // namespace qx
