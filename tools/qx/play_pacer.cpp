#include "tools/qx/play_pacer.h"

#include <algorithm>

#include "platform/kernel.h"
#include "platform/platform_clock.h"
#include "player/player_context.h"
#include "tools/qx/play_picture.h"

namespace qx {

namespace {

// The picture is held this many frames behind the media clock (the playback loop's margin).
constexpr int32_t CLOCK_MARGIN = 5;

}  // namespace

PlayPacer::PlayPacer(PlayParams& params, bool has_audio, double frames_per_second,
                     PlayPicture* picture)
    : params_(params),
      has_audio_(has_audio),
      frame_period_us_(frames_per_second > 0 && !has_audio
                           ? static_cast<int64_t>(1000000.0 / frames_per_second)
                           : 0),
      picture_(picture) {
    params_.frame_callback_with_user = frame_callback;
    params_.frame_callback_user = this;
}

// Runs after the frame was decoded and, unless the loop lagged by more than one frame,
// presented: the lag that decided it is still in PlayParams.
void PlayPacer::frame_done() {
    const bool presented = interlocked_load(params_.lag) <= 1;
    (presented ? presented_ : dropped_).fetch_add(1, std::memory_order_relaxed);
    if (presented && picture_ != nullptr && params_.context) {
        const PlayerContext& context = *params_.context;
        picture_->frame_presented(ring_front(context.reader.video_ring).kind, context.video);
    }
    if (presented && has_audio_ && params_.context) {
        const int32_t late = interlocked_load(params_.context->sound.clock) - CLOCK_MARGIN -
                             interlocked_load(params_.frames_shown);
        if (late > worst_lateness_.load(std::memory_order_relaxed)) {
            worst_lateness_.store(late, std::memory_order_relaxed);
        }
    }
    if (frame_period_us_ == 0) {
        return;
    }
    // Wait for the next frame's time; after a pause or a slow frame start afresh from now
    // rather than rushing to catch up.
    const int64_t now = platform_clock_now_us();
    if (next_due_us_ == 0 || now > next_due_us_ + frame_period_us_) {
        next_due_us_ = now;
    }
    next_due_us_ += frame_period_us_;
    platform_clock_sleep_us(std::max<int64_t>(next_due_us_ - now, 0));
}

int PlayPacer::frame_callback(void* pacer) {
    static_cast<PlayPacer*>(pacer)->frame_done();
    return 0;
}

}  // namespace qx
