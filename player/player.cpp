#include "player/player.h"
#include "player/player_stream.h"

#include "audio/sound_output.h"
#include "base/memory.h"
#include "platform/file.h"
#include "platform/kernel.h"
#include "player/playback_loop.h"
#include "player/reader.h"
#include "video/display_setup.h"

namespace qx {

namespace {

void free_stream(PlayerContext* context) {
    close_stream(*context);
    memory_free(context);
}

// Reads until the counted stream has PREFILL_TARGET entries queued, the file ends, or a ring
// or arena is full (a movie with many chunks of one stream ahead of the other).
void prefill(PlayerContext& context) {
    PlayParams& params = *context.params;
    const auto stops = [](int32_t result) { return result == READ_END || result == READ_BUSY; };
    if (params.has_audio) {
        while (ring_queued(context.reader.audio_ring) < PREFILL_TARGET) {
            if (stops(read_chunk(context)) || stops(read_chunk(context))) {
                return;
            }
        }
    } else {
        while (ring_queued(context.reader.video_ring) < PREFILL_TARGET) {
            if (stops(read_chunk(context))) {
                return;
            }
        }
    }
}

// Waits until the player thread has run a turn, without hiding a stop or the end of the movie
// behind the STARTING it writes.
void handshake(PlayParams& params) {
    for (;;) {
        int32_t seen = interlocked_load(params.status);
        if (seen != PLAYER_READY && seen != PLAYER_STARTING && seen != PLAYER_RUNNING) {
            return;
        }
        if (!std::atomic_ref<int32_t>(params.status)
                 .compare_exchange_strong(seen, PLAYER_STARTING)) {
            continue;
        }
        if (seen == PLAYER_RUNNING) {
            int32_t starting = PLAYER_STARTING;
            std::atomic_ref<int32_t>(params.status)
                .compare_exchange_strong(starting, PLAYER_RUNNING);
            return;
        }
        sleep_ms(10);
    }
}

}  // namespace

PlayerContext* player_open_stream(const char* file_name, WindowHandle window, PlayParams& params) {
    auto* context = static_cast<PlayerContext*>(memory_allocate_zeroed(sizeof(PlayerContext)));
    if (context == nullptr) {
        return nullptr;
    }
    context->params = &params;
    params.window = window;
    params.draw_surface = nullptr;
    params.reference_surface = nullptr;
    params.frames_shown = 0;
    params.seek_request = 0;
    params.latest_frame = -1;
    params.movie_frames = -1;
    params.movie_duration_ms = 0;
    params.held_at_end = 0;
    context->seek.decoded_first = -1;
    context->seek.decoded_last = -1;
    link_stages(*context);
    if (!(params.flags & PLAY_APP_FILE)) {
        params.file = file_open(file_name, 0);
    }
    if (params.file == nullptr) {
        memory_free(context);
        return nullptr;
    }
    if (file_set_buffer(params.file, nullptr, FILE_DEFAULT_BUFFER_BYTES, 0) != 0) {
        free_stream(context);
        return nullptr;
    }
    probe_first_tag(*context);
    ReaderRings& reader = context->reader;
    ring_set_arena(reader.video_ring,
                   static_cast<uint8_t*>(memory_allocate_zeroed(VIDEO_ARENA_BYTES)),
                   VIDEO_ARENA_BYTES);
    ring_set_arena(reader.audio_ring,
                   static_cast<uint8_t*>(memory_allocate_zeroed(AUDIO_ARENA_BYTES)),
                   AUDIO_ARENA_BYTES);
    if (reader.video_ring.arena == nullptr || reader.audio_ring.arena == nullptr) {
        free_stream(context);
        return nullptr;
    }
    return context;
}

void player_close_stream(PlayerContext* context) {
    free_stream(context);
}

PlayParams* player_start(const char* file_name, WindowHandle window, PlayParams& params) {
    PlayerContext* context = player_open_stream(file_name, window, params);
    if (context == nullptr) {
        return nullptr;
    }
    // An application's open file has no name the index could open on its own.
    if (!movie_index_open(context->seek.index,
                          params.flags & PLAY_APP_FILE ? nullptr : file_name)) {
        free_stream(context);
        return nullptr;
    }
    prefill(*context);
    params.audio_only = context->reader.video_chunks == 0 ? 1 : 0;
    interlocked_store(params.context, context);
    sound_open(context->sound);
    setup_display(context->video);
    interlocked_exchange(params.status, static_cast<int32_t>(PLAYER_READY));
    context->alive = 1;
    if (params.flags & PLAY_THREAD) {
        params.thread_handle = thread_create(player_thread_entry, &params);
        if (params.thread_handle == 0) {
            // Nobody would ever close this movie: close it here, so that a later
            // player_stop does not wait for a teardown that cannot come.
            player_teardown(context);
            return nullptr;
        }
        handshake(params);
        return &params;
    }
    playback_loop(params);
    if (context->alive) {
        player_teardown(context);
    }
    return nullptr;
}

int32_t player_stop(PlayParams& params) {
    // A movie is open while its context is linked, and after the loop has ENDED until the
    // teardown, which unlinks the context first and writes CLOSED as its last touch of the
    // record. The context itself is never looked at here.
    const bool open = interlocked_load(params.context) != nullptr ||
                      interlocked_load(params.status) == PLAYER_ENDED;
    const int32_t replaced = interlocked_exchange(params.status, static_cast<int32_t>(PLAYER_STOP));
    // The teardown may have written CLOSED since the look above: nothing is left to wait for.
    if (open && replaced != PLAYER_CLOSED) {
        while (interlocked_load(params.status) != PLAYER_CLOSED) {
            sleep_ms(10);
        }
    }
    return 0;
}

namespace {

// Stops or restarts the stream buffer unless the loop's exit has taken it: the exit unlinks
// the buffer and then waits for every call counted here before it releases it.
void with_stream_buffer(PlayParams& params, bool play) {
    std::atomic_ref<int32_t>(params.stream_users).fetch_add(1);
    if (SoundBuffer* stream = std::atomic_ref<SoundBuffer*>(params.stream_buffer).load()) {
        if (play) {
            stream->play(0, 0, SOUND_PLAY_LOOPING);
        } else {
            stream->stop();
        }
    }
    std::atomic_ref<int32_t>(params.stream_users).fetch_sub(1);
}

}  // namespace

bool player_pause_running(PlayParams& params) {
    int32_t seen = PLAYER_RUNNING;
    if (!std::atomic_ref<int32_t>(params.status).compare_exchange_strong(seen, PLAYER_PAUSED)) {
        return false;
    }
    with_stream_buffer(params, false);
    return true;
}

int32_t player_toggle_pause(PlayParams& params) {
    // Only a running movie pauses and only a paused one resumes: a plain exchange would turn a
    // stop, an ended or a closed movie back into a running one.
    if (player_pause_running(params)) {
        return 1;
    }
    std::atomic_ref<int32_t> status(params.status);
    int32_t seen = PLAYER_PAUSED;
    if (status.compare_exchange_strong(seen, PLAYER_RUNNING)) {
        with_stream_buffer(params, true);
    }
    return 0;
}

bool player_is_playing(PlayParams& params) {
    const int32_t status = interlocked_load(params.status);
    return status == PLAYER_RUNNING || status == PLAYER_PAUSED;
}

int32_t player_set_brightness(PlayParams& params, int32_t percent) {
    // The player thread rebuilds its tables when it sees the change at the top of its next
    // turn; the context is never looked at here.
    interlocked_store(params.brightness, percent);
    return 0;
}

}  // namespace qx
