#pragma once
#include <atomic>
#include <cstdint>

#include "player/play_params.h"

namespace qx {

class PlayPicture;

// Watches every frame of a movie from the player's frame callback, on the player's thread:
// counts frames presented and dropped, keeps the worst lateness of a presented frame against
// the media clock, hands each presented frame to the screen, and with a frame rate of its own
// paces a movie that has no sound.
class PlayPacer {
  public:
    // Becomes the frame callback of `params` (it never ends playback). `frames_per_second` 0
    // leaves the movie's own pacing alone; `picture` (may be null) is where the player presents.
    PlayPacer(PlayParams& params, bool has_audio, double frames_per_second, PlayPicture* picture);
    PlayPacer(const PlayPacer&) = delete;
    PlayPacer& operator=(const PlayPacer&) = delete;

    int32_t frames_presented() const { return presented_.load(std::memory_order_relaxed); }
    int32_t frames_dropped() const { return dropped_.load(std::memory_order_relaxed); }
    // In frames of the media clock; 0 when every frame came on time.
    int32_t worst_lateness() const { return worst_lateness_.load(std::memory_order_relaxed); }

  private:
    static int frame_callback(void* pacer);
    void frame_done();

    PlayParams& params_;
    const bool has_audio_;
    const int64_t frame_period_us_;
    PlayPicture* picture_;
    int64_t next_due_us_ = 0;
    std::atomic<int32_t> presented_{0};
    std::atomic<int32_t> dropped_{0};
    std::atomic<int32_t> worst_lateness_{0};
};

}  // namespace qx
