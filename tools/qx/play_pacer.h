#pragma once
#include <atomic>
#include <cstdint>

#include "player/play_params.h"

class PlayPicture;

// Watches every frame of a movie from the player's frame callback, on the player's thread:
// counts frames presented and dropped, keeps the worst lateness of a presented frame against
// the media clock, hands each presented frame to the screen, and with a frame rate of its own
// paces a movie that has no sound.
class PlayPacer {
  public:
    // `frames_per_second` 0 leaves the movie's own pacing alone; `picture` (may be null) is
    // where the player presents.
    PlayPacer(PlayParams& params, bool has_audio, double frames_per_second, PlayPicture* picture);

    // Makes this the pacer of play_frame_callback (null: none).
    static void make_active(PlayPacer* pacer);

    int32_t frames_presented() const { return presented_.load(std::memory_order_relaxed); }
    int32_t frames_dropped() const { return dropped_.load(std::memory_order_relaxed); }
    // In frames of the media clock; 0 when every frame came on time.
    int32_t worst_lateness() const { return worst_lateness_.load(std::memory_order_relaxed); }

    void frame_done();

  private:
    PlayParams& params_;
    const bool has_audio_;
    const int64_t frame_period_us_;
    PlayPicture* picture_;
    int64_t next_due_us_ = 0;
    std::atomic<int32_t> presented_{0};
    std::atomic<int32_t> dropped_{0};
    std::atomic<int32_t> worst_lateness_{0};
};

// The frame callback of PlayParams: hands the frame to the active pacer; never ends playback.
int play_frame_callback();
