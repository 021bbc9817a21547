#pragma once
#include <cstdint>

namespace qx {

// Follows a movie chunk by chunk as the player reads it before its sound starts: the prefill
// up to PREFILL_TARGET audio blocks (two reads a round), then the first turn's one or two
// reads. The player opens its sound buffer once, at that point, so the audio format then in
// effect is the one it plays the whole movie at, whatever later headers say.
class SoundStartWatch {
  public:
    explicit SoundStartWatch(bool has_audio) : has_audio_(has_audio) {}

    // After each read, with what read_chunk returned. True from the read after which the
    // player starts its sound.
    bool chunk_read(int32_t result);
    bool started() const { return phase_ == Phase::started; }

  private:
    enum class Phase { prefill, first_turn, second_read, started };

    void end_prefill();

    const bool has_audio_;
    Phase phase_ = Phase::prefill;
    bool second_of_round_ = false;
    bool audio_only_ = false;
    int32_t audio_queued_ = 0;
    int32_t video_queued_ = 0;
};

}  // namespace qx
