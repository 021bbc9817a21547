#include "audio/media_clock.h"

#include <cstring>

#include "platform/kernel.h"
#include "platform/timer.h"
#include "player/reader.h"

namespace {

// Where the play cursor stands, or false when it cannot be known (the tick is then skipped:
// a wrong position would overwrite sound not yet played).
bool find_play_cursor(PlayerContext& context, int32_t& cursor) {
    if (context.silent) {
        int32_t position = context.silent_play_pos + SILENT_BYTES_PER_TICK;
        if (position >= context.stream_bytes) {
            position -= context.stream_bytes;
        }
        context.silent_play_pos = position;
        cursor = position;
        return true;
    }
    uint32_t play = 0;
    uint32_t write = 0;
    if (context.params->stream_buffer->get_current_position(&play, &write) != PLATFORM_OK ||
        play >= static_cast<uint32_t>(context.stream_bytes)) {
        return false;
    }
    cursor = static_cast<int32_t>(play);
    return true;
}

// Copies `bytes` of `source` into the stream buffer at the write offset, or zeros when
// `source` is null. A failed lock writes nothing; the stream moves on all the same.
void write_stream(PlayerContext& context, const uint8_t* source, int32_t bytes) {
    if (context.silent || bytes == 0) {
        return;
    }
    SoundBuffer* buffer = context.params->stream_buffer;
    void* regions[2] = {};
    uint32_t lengths[2] = {};
    if (buffer->lock(static_cast<uint32_t>(context.stream_write), static_cast<uint32_t>(bytes),
                     &regions[0], &lengths[0], &regions[1], &lengths[1], 0) != PLATFORM_OK) {
        return;
    }
    auto left = static_cast<uint32_t>(bytes);
    for (int i = 0; i < 2; ++i) {
        const uint32_t length = lengths[i] < left ? lengths[i] : left;
        if (regions[i] == nullptr || length == 0) {
            continue;
        }
        if (source != nullptr) {
            std::memcpy(regions[i], source, length);
            source += length;
        } else {
            std::memset(regions[i], 0, length);
        }
        left -= length;
    }
    buffer->unlock(regions[0], lengths[0], regions[1], lengths[1]);
}

void advance_write(PlayerContext& context, int32_t bytes) {
    context.stream_write = (context.stream_write + bytes) % context.stream_bytes;
}

// The block at the read position has gone into the buffer whole.
void consume_block(PlayerContext& context, AudioBlockSlot& slot) {
    const int32_t stamp = slot.video_stamp;
    context.stream_block_sent = 0;
    release_audio_slot(context);
    interlocked_store(context.clock, stamp);
}

void stream_audio(PlayerContext& context) {
    int32_t cursor = 0;
    if (!find_play_cursor(context, cursor)) {
        return;
    }
    const int32_t free_bytes =
        stream_free_space(cursor, context.stream_write, context.stream_bytes);
    AudioBlockSlot& slot = context.audio_ring[context.audio_read & RING_MASK];
    const int32_t bytes = interlocked_load(slot.bytes);
    // A block larger than half the buffer might never find that much room at once, which
    // would stall the clock: it goes in piece by piece, whole sample frames at a time.
    const bool in_pieces = bytes > context.stream_bytes / 2;
    int32_t piece = bytes;
    if (in_pieces) {
        const int32_t left = bytes - context.stream_block_sent;
        const int32_t room = free_bytes & ~3;
        piece = left < room ? left : room;
        if (piece == 0) {
            return;
        }
    }
    if (free_bytes < piece) {
        return;
    }
    if (interlocked_load(context.audio_queued) != 0) {
        const uint8_t* data = interlocked_load(slot.data);
        write_stream(context, data + context.stream_block_sent, piece);
        advance_write(context, piece);
        context.stream_block_sent += piece;
        if (context.stream_block_sent == bytes) {
            consume_block(context, slot);
        }
        return;
    }
    write_stream(context, nullptr, free_bytes);
    advance_write(context, free_bytes);
    interlocked_increment(context.clock);
}

}  // namespace

int32_t stream_free_space(int32_t play_cursor, int32_t stream_write, int32_t stream_bytes) {
    const int32_t gap = play_cursor - stream_write;
    return stream_write > play_cursor ? gap + stream_bytes : gap;
}

int32_t clock_start(PlayerContext& context) {
    interlocked_store(context.timer_ticks, 0);
    TimerCaps caps;
    if (timer_get_dev_caps(&caps, sizeof caps) != PLATFORM_OK) {
        return CLOCK_NO_TIMER_CAPS;
    }
    uint32_t period = caps.period_min > 1 ? caps.period_min : 1;
    period = period < caps.period_max ? period : caps.period_max;
    // A device that claims no period at all still gets the finest one a request can name.
    context.timer_period = period > 0 ? period : 1;
    timer_begin_period(context.timer_period);
    interlocked_exchange(context.timer_lock, 0);
    context.timer_id = timer_set_event(CLOCK_TICK_MS, context.timer_period, clock_tick,
                                       reinterpret_cast<uintptr_t>(&context), TIMER_PERIODIC);
    if (context.timer_id == 0) {
        timer_end_period(context.timer_period);
        return CLOCK_NO_TIMER;
    }
    return CLOCK_STARTED;
}

void clock_tick(uint32_t, uint32_t, uintptr_t user, uintptr_t, uintptr_t) {
    auto& context = *reinterpret_cast<PlayerContext*>(user);
    if (interlocked_exchange(context.timer_lock, 1) != 0) {
        return;
    }
    if (interlocked_load(context.sound_started)) {
        stream_audio(context);
    }
    interlocked_increment(context.timer_ticks);
    interlocked_exchange(context.timer_lock, 0);
}

int32_t clock_stop(PlayerContext& context) {
    if (context.timer_id == 0) {
        return 0;
    }
    for (int32_t attempt = 0; attempt < CLOCK_STOP_ATTEMPTS; ++attempt) {
        if (interlocked_exchange(context.timer_lock, 1) == 0) {
            break;
        }
        sleep_ms(CLOCK_STOP_RETRY_MS);
    }
    if (timer_kill_event(context.timer_id) != PLATFORM_OK) {
        return 1;
    }
    context.timer_id = 0;
    interlocked_exchange(context.timer_lock, 0);
    timer_end_period(context.timer_period);
    return 0;
}
