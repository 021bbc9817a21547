#include "audio/stream_feeder.h"

#include <algorithm>
#include <cstring>

#include "audio/audio_chunk.h"
#include "audio/media_clock.h"
#include "base/ring.h"
#include "platform/kernel.h"

namespace qx {

namespace {

// Ticks of silent mode this tick stands for: one, or more when the timer ran late and ticks
// were lost (a loaded machine), so that the simulated cursor keeps to the platform clock. At
// most half the buffer is caught up at once, so that the free space cannot wrap around.
int32_t silent_ticks_now(SoundStream& sound, int32_t bytes_per_second) {
    const uint32_t elapsed_ms = tick_count() - sound.silent_start_tick;
    const int64_t owed = int64_t{elapsed_ms / CLOCK_TICK_MS} - sound.silent_ticks;
    const int64_t most =
        std::max<int64_t>(1, int64_t{sound.stream_bytes} / 2 * TICKS_PER_SECOND / bytes_per_second);
    const auto ticks = static_cast<int32_t>(std::clamp<int64_t>(owed, 1, most));
    sound.silent_ticks += ticks;
    return ticks;
}

// Bytes the simulated cursor of silent mode moves in this tick: the movie's own byte rate,
// with the hundredths carried from tick to tick so that rates not divisible by 25 keep time.
int32_t silent_bytes_this_tick(SoundStream& sound) {
    const int32_t rate = silent_byte_rate(interlocked_load(sound.sample_rate));
    const int64_t hundredths =
        sound.silent_rate_remainder + int64_t{rate} * silent_ticks_now(sound, rate);
    sound.silent_rate_remainder = static_cast<int32_t>(hundredths % TICKS_PER_SECOND);
    return static_cast<int32_t>(hundredths / TICKS_PER_SECOND);
}

// Where the play cursor stands, or false when it cannot be known (the tick is then skipped:
// a wrong position would overwrite sound not yet played).
bool find_play_cursor(SoundStream& sound, int32_t& cursor) {
    if (sound.silent) {
        int32_t position = sound.silent_play_pos + silent_bytes_this_tick(sound);
        if (position >= sound.stream_bytes) {
            position -= sound.stream_bytes;
        }
        sound.silent_play_pos = position;
        cursor = position;
        return true;
    }
    uint32_t play = 0;
    uint32_t write = 0;
    if ((*sound.target.stream_buffer)->get_current_position(&play, &write) != PLATFORM_OK ||
        play >= static_cast<uint32_t>(sound.stream_bytes)) {
        return false;
    }
    cursor = static_cast<int32_t>(play);
    return true;
}

// Copies `bytes` of `source` into the stream buffer at the write offset, or zeros when
// `source` is null. A failed lock writes nothing; the stream moves on all the same.
void write_stream(SoundStream& sound, const uint8_t* source, int32_t bytes) {
    if (sound.silent || bytes == 0) {
        return;
    }
    SoundBuffer* buffer = *sound.target.stream_buffer;
    void* regions[2] = {};
    uint32_t lengths[2] = {};
    if (buffer->lock(static_cast<uint32_t>(sound.stream_write), static_cast<uint32_t>(bytes),
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

void advance_write(SoundStream& sound, int32_t bytes) {
    sound.stream_write = (sound.stream_write + bytes) % sound.stream_bytes;
}

// The block at the read position has gone into the buffer whole.
void consume_block(SoundStream& sound, AudioBlockSlot& slot) {
    const int32_t stamp = slot.video_stamp;
    sound.stream_block_sent = 0;
    interlocked_store(sound.stream_silence_bytes, 0);
    ring_pop(*sound.blocks);
    interlocked_store(sound.clock, stamp);
}

// The ticks to come until the cursor has moved `short_bytes` further, at the earliest. Only
// the simulated cursor keeps time exactly; a device's may move by whole periods at once.
int32_t ticks_until_played(const SoundStream& sound, int32_t short_bytes) {
    if (!sound.silent) {
        return 1;
    }
    const int64_t rate = silent_byte_rate(interlocked_load(sound.sample_rate));
    const int64_t hundredths =
        int64_t{short_bytes} * TICKS_PER_SECOND - sound.silent_rate_remainder;
    return static_cast<int32_t>(std::max<int64_t>(1, (hundredths + rate - 1) / rate));
}

// Ticks to come until the block at the read position fits beside the `free_bytes` left: 1
// when it fits already, or when none waits (the next tick writes silence) or it goes in
// pieces.
int32_t ticks_until_room(SoundStream& sound, int32_t free_bytes) {
    if (ring_queued(*sound.blocks) == 0) {
        return 1;
    }
    const int32_t bytes = interlocked_load(ring_front(*sound.blocks).bytes);
    if (bytes <= free_bytes || bytes > sound.stream_bytes / 2) {
        return 1;
    }
    return ticks_until_played(sound, bytes - free_bytes);
}

}  // namespace

int32_t silent_byte_rate(int32_t sample_rate) {
    const int32_t rate =
        sample_rate > 0 && sample_rate <= SILENT_RATE_LIMIT ? sample_rate : SILENT_DEFAULT_RATE;
    return rate * static_cast<int32_t>(AUDIO_FRAME_BYTES);
}

int32_t stream_free_space(int32_t play_cursor, int32_t stream_write, int32_t stream_bytes) {
    const int32_t gap = play_cursor - stream_write;
    return stream_write > play_cursor ? gap + stream_bytes : gap;
}

int32_t stream_audio(SoundStream& sound) {
    int32_t cursor = 0;
    if (!find_play_cursor(sound, cursor)) {
        return 1;
    }
    const int32_t free_bytes = stream_free_space(cursor, sound.stream_write, sound.stream_bytes);
    AudioBlockSlot& slot = ring_front(*sound.blocks);
    const int32_t bytes = interlocked_load(slot.bytes);
    // A block larger than half the buffer might never find that much room at once, which
    // would stall the clock: it goes in piece by piece, whole sample frames at a time.
    const bool in_pieces = bytes > sound.stream_bytes / 2;
    int32_t piece = bytes;
    if (in_pieces) {
        const int32_t left = bytes - sound.stream_block_sent;
        const int32_t room = free_bytes & ~3;
        piece = left < room ? left : room;
        if (piece == 0) {
            return 1;
        }
    }
    if (free_bytes < piece) {
        return ticks_until_room(sound, free_bytes);
    }
    if (ring_queued(*sound.blocks) != 0) {
        const uint8_t* data = interlocked_load(slot.data);
        write_stream(sound, data + sound.stream_block_sent, piece);
        advance_write(sound, piece);
        sound.stream_block_sent += piece;
        if (sound.stream_block_sent != bytes) {
            return 1;
        }
        consume_block(sound, slot);
        return ticks_until_room(sound, free_bytes - piece);
    }
    write_stream(sound, nullptr, free_bytes);
    advance_write(sound, free_bytes);
    const int32_t silence = interlocked_load(sound.stream_silence_bytes);
    if (silence < sound.stream_bytes) {
        interlocked_store(sound.stream_silence_bytes, silence + free_bytes);
    }
    interlocked_increment(sound.clock);
    return 1;
}

}  // namespace qx
