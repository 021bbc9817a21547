#include "player/playback_loop.h"

#include <algorithm>
#include <atomic>

#include "audio/media_clock.h"
#include "audio/sound_output.h"
#include "base/memory.h"
#include "platform/kernel.h"
#include "player/reader.h"
#include "player/seek.h"
#include "video/display_setup.h"
#include "video/frame_dispatch.h"

namespace qx {

namespace {

// Chunk headers the index walks per turn until it knows the whole movie.
constexpr int32_t INDEX_CHUNKS_PER_TURN = 64;

bool stop_requested(PlayParams& params) {
    return interlocked_load(params.status) == PLAYER_STOP;
}

bool seek_requested(PlayParams& params) {
    return interlocked_load(params.seek_request) != 0;
}

// A wait for the clock or the sound gives way to a stop, and to a seek, which starts both
// afresh.
bool wait_ends(PlayParams& params) {
    return stop_requested(params) || seek_requested(params);
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

// Reads one chunk, and a second when the first brought one stream and the movie has the
// other. Returns the result of the last read, and notes whether the reader met the end of the
// data.
int32_t read_ahead(PlayerContext& context) {
    const PlayParams& params = *context.params;
    int32_t result = read_chunk(context);
    const auto audio_queued = static_cast<uint32_t>(ring_queued(context.reader.audio_ring));
    const auto video_queued = static_cast<uint32_t>(ring_queued(context.reader.video_ring));
    if (audio_queued < EXTRA_READ_LIMIT && video_queued < EXTRA_READ_LIMIT &&
        ((result == READ_VIDEO && params.has_audio) ||
         (result == READ_AUDIO && !params.audio_only))) {
        result = read_chunk(context);
    }
    context.reader.reader_at_end = result == READ_END ? 1 : 0;
    return result;
}

// Returns whether the frame went through its decoder.
bool show_frame(PlayerContext& context, VideoFrameSlot& slot) {
    PlayParams& params = *context.params;
    if (params.lag > 1) {
        // Behind the clock: only Mnb frames stand alone. Rkd and Zle frames build on the
        // previous picture, so they are decoded all the same and only their presentation skipped.
        if (slot.kind == VIDEO_MNB) {
            return false;
        }
        decode_video_frame(context.video, payload_of(slot));
        return true;
    }
    decode_video_frame(context.video, payload_of(slot));
    present_frame(context.video);
    return true;
}

// Once the data has ended and no picture is left: lets the queued audio reach the sound
// buffer. Returns whether the loop goes on.
bool drain_audio(PlayerContext& context) {
    PlayParams& params = *context.params;
    int32_t queued = ring_queued(context.reader.audio_ring);
    while (queued > DRAIN_AUDIO_LIMIT && !wait_ends(params)) {
        sleep_ms(10);
        queued = ring_queued(context.reader.audio_ring);
    }
    if (queued == 0) {
        return false;
    }
    while (ring_queued(context.reader.audio_ring) == queued && !wait_ends(params)) {
        sleep_ms(10);
    }
    return true;
}

// The last block is in the sound buffer; ending now would release the buffer with up to a
// buffer's worth of sound unplayed. The tick writes silence behind it, and once a whole
// buffer of silence has gone in, the cursor has passed every byte of the movie. A buffer that
// stops moving (a lost device) is given up on after twice its playing time, and a buffer so
// slow that it would hold the end for long (a header's rate of a few hertz) after
// PLAY_OUT_LIMIT_MS.
void play_out_sound(PlayerContext& context) {
    PlayParams& params = *context.params;
    if (context.sound.silent || interlocked_load(params.stream_buffer) == nullptr ||
        context.sound.sample_rate <= 0) {
        return;
    }
    const int64_t buffer_ms =
        int64_t{context.sound.stream_bytes} * 1000 / (int64_t{context.sound.sample_rate} * 4);
    const int64_t limit_ms = std::min<int64_t>(2 * buffer_ms + 100, PLAY_OUT_LIMIT_MS);
    int64_t waited_ms = 0;
    while (interlocked_load(context.sound.stream_silence_bytes) < context.sound.stream_bytes &&
           waited_ms < limit_ms && !wait_ends(params)) {
        sleep_ms(10);
        // A paused buffer holds its cursor: the wait is not counted against it.
        if (interlocked_load(params.status) != PLAYER_PAUSED) {
            waited_ms += 10;
        }
    }
}

// The clock moves on the blocks the reader queues: when sound leads the pictures in the file,
// the blocks the next frame waits for may still be unread, and a wait that does not read
// would hear the sound run dry. Reads one chunk while both rings have room; returns whether
// it did.
bool read_while_waiting(PlayerContext& context) {
    if (context.reader.reader_at_end ||
        static_cast<uint32_t>(ring_queued(context.reader.audio_ring)) >= EXTRA_READ_LIMIT ||
        static_cast<uint32_t>(ring_queued(context.reader.video_ring)) >= EXTRA_READ_LIMIT) {
        return false;
    }
    const int32_t result = read_chunk(context);
    context.reader.reader_at_end = result == READ_END ? 1 : 0;
    return result != READ_END && result != READ_BUSY && result != READ_ERROR;
}

// Holds the picture PACE_FRAMES_BEHIND_CLOCK frames behind the media clock before the next
// frame is shown. A stop ends the wait, since a paused sound buffer would hold the clock for
// ever; returns false then.
bool pace(PlayerContext& context) {
    PlayParams& params = *context.params;
    const int32_t shown = interlocked_load(params.frames_shown);
    int32_t target = interlocked_load(context.sound.clock) - PACE_FRAMES_BEHIND_CLOCK;
    while (shown - target >= 1) {
        if (wait_ends(params)) {
            return false;
        }
        // The clock changes only at a tick: the wait sleeps until the next one.
        if (!read_while_waiting(context)) {
            sleep_ms(clock_next_change_ms(context.sound));
        }
        target = interlocked_load(context.sound.clock) - PACE_FRAMES_BEHIND_CLOCK;
    }
    const int32_t lag = target - shown;
    params.lag = lag > 0 ? lag : 0;
    return true;
}

// A movie classed sound-only at start whose pictures come later gets its display now.
void set_up_late_display(PlayerContext& context) {
    PlayParams& params = *context.params;
    if (!context.video.display_ready) {
        interlocked_store(params.audio_only, 0);
        setup_display(context.video);
    }
}

int call_frame_callback(const PlayParams& params) {
    if (params.frame_callback_with_user != nullptr) {
        return params.frame_callback_with_user(params.frame_callback_user);
    }
    return params.frame_callback != nullptr ? params.frame_callback() : 0;
}

// Shows the frame in `slot` and frees the slot. Returns false when the frame callback ends
// playback.
bool consume_frame(PlayerContext& context, VideoFrameSlot& slot) {
    PlayParams& params = *context.params;
    set_up_late_display(context);
    note_frame_consumed(context, slot.sequence, show_frame(context, slot));
    interlocked_store(params.latest_frame, slot.sequence);
    if ((params.flags & PLAY_CALLBACK) && call_frame_callback(params) != 0) {
        return false;
    }
    swap_work_surfaces(context.video);
    release_video_slot(context);
    interlocked_increment(params.frames_shown);
    return true;
}

// The index is walked a little every turn, so that the movie's length is known early on.
void walk_index(PlayerContext& context) {
    if (context.seek.index.scan_state == INDEX_SCANNING &&
        movie_index_scan(context, INDEX_CHUNKS_PER_TURN)) {
        publish_movie_length(context);
    }
}

// Carries out a seek the application asked for and shows the frame sought, playing or paused.
// Returns false when the frame callback ends playback on that frame.
bool serve_seek(PlayerContext& context) {
    PlayParams& params = *context.params;
    const int32_t request = interlocked_exchange(params.seek_request, 0);
    if (request == 0) {
        return true;
    }
    const int32_t result = stop_requested(params) ? SEEK_NOT_PLAYING : seek_to(context, request);
    bool going = true;
    if (result == SEEK_DONE) {
        going = consume_frame(context, ring_front(context.reader.video_ring));
    }
    interlocked_store(params.seek_result, result);
    interlocked_increment(params.seeks_done);
    return going;
}

// At the end of the movie with PLAY_HOLD_AT_END: pauses on the last frame, where a seek or a
// stop can still reach it. Returns false when the loop is to end after all. Without a thread of
// its own the loop would hold the application's thread for ever, so it ends as ever.
bool hold_at_end(PlayerContext& context) {
    PlayParams& params = *context.params;
    const uint32_t holding = PLAY_HOLD_AT_END | PLAY_THREAD;
    if ((params.flags & holding) != holding || stop_requested(params)) {
        return false;
    }
    interlocked_store(params.held_at_end, 1);
    player_pause_running(params);
    return true;
}

void run_turns(PlayerContext& context) {
    PlayParams& params = *context.params;
    for (;;) {
        if (!serve_seek(context)) {
            return;
        }
        walk_index(context);
        const int32_t request = take_request(params);
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
        const int32_t last_read = read_ahead(context);
        if (!context.sound.sound_started && params.has_audio) {
            sound_stream_start(context.sound);
            interlocked_store(context.sound.clock, 0);
        }
        VideoFrameSlot& slot = ring_front(context.reader.video_ring);
        if (slot.data != nullptr) {
            // The first frame is shown at once; every later one waits for the clock.
            if (params.has_audio && interlocked_load(params.frames_shown) > 0 && !pace(context)) {
                continue;
            }
            if (!consume_frame(context, slot)) {
                return;
            }
            continue;
        }
        // No picture is queued. Only the end of the data means none will come.
        if (context.reader.reader_at_end) {
            if (!params.has_audio || !drain_audio(context)) {
                if (params.has_audio && !wait_ends(params)) {
                    play_out_sound(context);
                }
                if (seek_requested(params) || hold_at_end(context)) {
                    continue;
                }
                return;
            }
        } else if (last_read == READ_BUSY || last_read == READ_ERROR) {
            // The rings are full of sound: reading resumes as the clock consumes it.
            sleep_ms(10);
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
    if (clock_start(context.sound) == 0) {
        params.lag = 0;
        context.start_tick = tick_count();
        run_turns(context);
        context.end_tick = tick_count();
        clock_stop(context.sound);
    }
    sound_stream_release(context.sound);
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
    sound_close(context->sound);
    release_display(context->video);
    // The record is unlinked and the context freed before CLOSED is written: once the
    // application sees CLOSED it may reuse the record at once.
    interlocked_store(params.context, static_cast<PlayerContext*>(nullptr));
    // A timer that could not be killed may still call its tick with this context; the tick
    // only finds its lock held, so everything else is gone, but the block itself stays.
    if (context->sound.timer_id == 0) {
        memory_free(context);
    }
    interlocked_exchange(params.status, static_cast<int32_t>(PLAYER_CLOSED));
}

}  // namespace qx
