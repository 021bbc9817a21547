#include "player/playback_loop.h"

#include <atomic>

#include "audio/media_clock.h"
#include "audio/sound_output.h"
#include "platform/kernel.h"
#include "platform/memory.h"
#include "player/reader.h"
#include "video/colour_tables.h"
#include "video/display_setup.h"
#include "video/frame_dispatch.h"

namespace {

bool stop_requested(PlayParams& params) {
    return interlocked_load(params.status) == PLAYER_STOP;
}

// Takes the request the application left in the status word and writes RUNNING over it.
// A paused movie is left showing PAUSED throughout, so that neither a resume nor a stop that
// arrives during the turn can be overwritten.
int32_t take_request(PlayParams& params) {
    if (interlocked_load(params.status) == PLAYER_PAUSED) {
        return PLAYER_PAUSED;
    }
    const int32_t replaced =
        interlocked_exchange(params.status, static_cast<int32_t>(PLAYER_RUNNING));
    if (replaced == PLAYER_PAUSED) {
        int32_t running = PLAYER_RUNNING;
        std::atomic_ref<int32_t>(params.status).compare_exchange_strong(running, PLAYER_PAUSED);
    }
    return replaced;
}

void read_ahead(PlayerContext& context) {
    const PlayParams& params = *context.params;
    const int32_t first = read_chunk(context);
    const auto audio_queued = static_cast<uint32_t>(interlocked_load(context.audio_queued));
    const auto video_queued = static_cast<uint32_t>(context.video_queued);
    if (audio_queued < EXTRA_READ_LIMIT && video_queued < EXTRA_READ_LIMIT &&
        ((first == READ_VIDEO && params.has_audio) ||
         (first == READ_AUDIO && !params.audio_only))) {
        read_chunk(context);
    }
}

void show_frame(PlayerContext& context, VideoFrameSlot& slot) {
    PlayParams& params = *context.params;
    if (params.lag > 1) {
        // Behind the clock: Rkd frames are still decoded to keep their reference picture.
        if (slot.kind == VIDEO_RKD_KEY || slot.kind == VIDEO_RKD_INTER) {
            decode_video_frame(context, slot);
        }
    } else {
        decode_video_frame(context, slot);
        present_frame(context);
    }
}

// After the last queued video chunk: lets the queued audio reach the sound buffer. Returns
// whether the loop goes on.
bool drain_audio(PlayerContext& context) {
    PlayParams& params = *context.params;
    int32_t queued = interlocked_load(context.audio_queued);
    while (queued > DRAIN_AUDIO_LIMIT && !stop_requested(params)) {
        sleep_ms(10);
        queued = interlocked_load(context.audio_queued);
    }
    if (queued == 0) {
        return false;
    }
    while (interlocked_load(context.audio_queued) == queued && !stop_requested(params)) {
        sleep_ms(10);
    }
    return true;
}

// Holds the picture PACE_FRAMES_BEHIND_CLOCK frames behind the media clock. A stop ends the
// wait, since a paused sound buffer would hold the clock for ever.
void pace(PlayerContext& context) {
    PlayParams& params = *context.params;
    const int32_t shown = interlocked_load(params.frames_shown);
    int32_t target = interlocked_load(context.clock) - PACE_FRAMES_BEHIND_CLOCK;
    while (shown - target >= 1 && !stop_requested(params)) {
        sleep_ms(1);
        target = interlocked_load(context.clock) - PACE_FRAMES_BEHIND_CLOCK;
    }
    const int32_t lag = target - shown;
    params.lag = lag > 0 ? lag : 0;
}

void run_turns(PlayerContext& context) {
    PlayParams& params = *context.params;
    for (;;) {
        const int32_t request = take_request(params);
        VideoFrameSlot& slot = context.video_ring[context.video_read & RING_MASK];
        if (request == PLAYER_STOP) {
            return;
        }
        if (request == PLAYER_PAUSED) {
            sleep_ms(10);
            continue;
        }
        if (request != PLAYER_RUNNING) {
            continue;
        }
        refresh_colour_tables(context);
        read_ahead(context);
        if (!context.sound_started && params.has_audio) {
            sound_stream_start(context);
            interlocked_store(context.clock, 0);
        }
        if (slot.data != nullptr) {
            show_frame(context, slot);
            if ((params.flags & PLAY_CALLBACK) && params.frame_callback != nullptr &&
                params.frame_callback() != 0) {
                return;
            }
            swap_work_surfaces(context);
            release_video_slot(context);
            interlocked_increment(params.frames_shown);
        }
        if (slot.sequence >= context.video_chunks - 1) {
            if (!params.has_audio || !drain_audio(context)) {
                return;
            }
        } else if (params.has_audio) {
            pace(context);
        }
    }
}

}  // namespace

void playback_loop(PlayParams& params) {
    PlayerContext& context = *params.context;
    interlocked_exchange(params.status, static_cast<int32_t>(PLAYER_STARTING));
    if ((params.flags & PLAY_THREAD) && (params.flags & PLAY_PRIORITY)) {
        thread_set_priority(params.thread_priority);
    }
    if (clock_start(context) == 0) {
        params.lag = 0;
        context.start_tick = tick_count();
        run_turns(context);
        context.end_tick = tick_count();
        clock_stop(context);
    }
    sound_stream_release(context);
    interlocked_exchange(params.status, static_cast<int32_t>(PLAYER_ENDED));
}

uint32_t player_thread_entry(void* argument) {
    auto& params = *static_cast<PlayParams*>(argument);
    PlayerContext* context = params.context;
    playback_loop(params);
    if (context->alive) {
        player_teardown(context);
    }
    return 0;
}

void player_teardown(PlayerContext* context) {
    PlayParams& params = *context->params;
    params.elapsed_ms = static_cast<int32_t>(context->end_tick - context->start_tick);
    close_stream(*context);
    sound_close(*context);
    release_display(*context);
    // The record is unlinked and the context freed before CLOSED is written: once the
    // application sees CLOSED it may reuse the record at once.
    interlocked_store(params.context, static_cast<PlayerContext*>(nullptr));
    // A timer that could not be killed may still call its tick with this context; the tick
    // only finds its lock held, so everything else is gone, but the block itself stays.
    if (context->timer_id == 0) {
        memory_free(context);
    }
    interlocked_exchange(params.status, static_cast<int32_t>(PLAYER_CLOSED));
}
