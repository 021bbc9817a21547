#include "player/reader.h"

#include <cstring>

#include "audio/audio_chunk.h"
#include "base/byte_order.h"
#include "base/memory.h"
#include "base/ring.h"
#include "platform/file.h"
#include "platform/kernel.h"

namespace qx {

namespace {

// Internal to read_chunk: no chunk the reader takes starts here (an unknown tag, a size that
// cannot be stepped over, sound before any audio header). The design's reader ends there.
constexpr int32_t READ_LOST = -3;

int32_t read_result_code(int32_t got) {
    return got == 0 ? READ_END : READ_ERROR;
}

void set_audio_format(PlayerContext& context, const AudioFormat& format) {
    context.sound.sample_bits = format.sample_bits;
    context.sound.channels = format.channels;
    // The clock thread paces silent mode by the rate while a later header may change it.
    interlocked_store(context.sound.sample_rate, format.sample_rate);
    context.sound.compression = format.compression;
}

// Reads one audio data chunk body of `payload_bytes`, decodes it to 16-bit stereo PCM in the
// audio arena and queues it. READ_END at the end of the file (also a body cut short by it);
// READ_SKIPPED for a payload larger than AUDIO_CHUNK_MAX (stepped over, nothing queued);
// READ_BUSY when the ring is full or the block would overwrite one still queued (the chunk is
// then left in the file).
int32_t read_audio_chunk(PlayerContext& context, uint32_t payload_bytes) {
    if (payload_bytes > AUDIO_CHUNK_MAX) {
        // Outside the format: stepped over whole, so the reader keeps its place.
        file_seek(context.params->file, static_cast<int32_t>(payload_bytes), FILE_SEEK_CUR);
        return READ_SKIPPED;
    }
    uint8_t payload[AUDIO_CHUNK_MAX];
    const int32_t got = read_chunk_body(context, payload, payload_bytes);
    if (got < 0) {
        return got;
    }
    // An empty body reads as nothing, and a body cut short can only be the end of the file.
    if (static_cast<uint32_t>(got) < payload_bytes || got == 0) {
        return READ_END;
    }
    const uint32_t frames = audio_block_frames(context.sound, payload, payload_bytes);
    const uint32_t bytes = frames * AUDIO_FRAME_BYTES;
    Ring<AudioBlockSlot>& ring = context.reader.audio_ring;
    uint8_t* place = ring_place(ring, bytes);
    if (!ring_has_room(ring, place, bytes)) {
        unread_chunk(context, payload_bytes);
        return READ_BUSY;
    }
    decode_audio_payload(context.sound, payload, payload_bytes, frames, place);

    AudioBlockSlot& slot = ring_back(ring);
    slot.video_stamp = context.reader.video_chunks;
    slot.sequence = context.reader.audio_chunks;
    interlocked_store(slot.bytes, static_cast<int32_t>(bytes));
    interlocked_store(slot.data, place);
    ring_push(ring, place, bytes);
    interlocked_increment(context.reader.audio_chunks);
    return READ_AUDIO;
}

}  // namespace

void probe_first_tag(PlayerContext& context) {
    MovieFile* file = context.params->file;
    uint8_t tag[4] = {};
    const int32_t got = file_read(file, tag, 4);
    if (got > 0) {
        file_seek(file, -got, FILE_SEEK_CUR);
    }
    const bool audio_first =
        got == 4 && (std::memcmp(tag, "SEAD", 4) == 0 || std::memcmp(tag, "SCHl", 4) == 0 ||
                     std::memcmp(tag, "1SNh", 4) == 0);
    context.params->has_audio = audio_first ? 1 : 0;
}

int32_t read_chunk_body(PlayerContext& context, uint8_t* buffer, uint32_t body_bytes) {
    MovieFile* file = context.params->file;
    const uint32_t held = body_bytes < CHUNK_BUFFER_BYTES ? body_bytes : CHUNK_BUFFER_BYTES;
    if (held == 0) {
        return 0;
    }
    const int32_t got = file_read(file, buffer, static_cast<int32_t>(held));
    if (got <= 0) {
        return read_result_code(got);
    }
    if (body_bytes > held) {
        file_seek(file, static_cast<int32_t>(body_bytes - held), FILE_SEEK_CUR);
    }
    return got;
}

void unread_chunk(PlayerContext& context, uint32_t body_bytes) {
    file_seek(context.params->file, -static_cast<int32_t>(body_bytes + CHUNK_HEADER_BYTES),
              FILE_SEEK_CUR);
}

namespace {

// One chunk as the design reads it, with READ_LOST where it would end.
int32_t read_one_chunk(PlayerContext& context) {
    uint8_t header[CHUNK_HEADER_BYTES];
    if (file_read(context.params->file, header, CHUNK_HEADER_BYTES) != CHUNK_HEADER_BYTES) {
        return READ_END;
    }
    const uint32_t chunk_bytes = load_le32(header + CHUNK_SIZE_OFFSET);
    ChunkRole role{};
    int32_t kind = 0;
    // A size below the header's own cannot be stepped over: nothing after it can be trusted.
    if (!chunk_tag_role(header, role, kind) || chunk_bytes < CHUNK_HEADER_BYTES ||
        chunk_bytes > INT32_MAX) {
        return READ_LOST;
    }
    const uint32_t body_bytes = chunk_bytes - CHUNK_HEADER_BYTES;
    switch (role) {
        case ChunkRole::Video:
            return store_video_chunk(context, body_bytes, kind);
        case ChunkRole::AudioData:
            return context.params->has_audio ? read_audio_chunk(context, body_bytes) : READ_LOST;
        case ChunkRole::AudioHeader:
            return parse_audio_header(context, body_bytes);
        case ChunkRole::FixedAudioFormat: {
            uint8_t body[CHUNK_BUFFER_BYTES];
            const int32_t got = read_chunk_body(context, body, body_bytes);
            if (got < 0) {
                return got;
            }
            set_audio_format(context, fixed_audio_format());
            return READ_AUDIO_HEADER;
        }
        case ChunkRole::Dropped: {
            uint8_t body[CHUNK_BUFFER_BYTES];
            read_chunk_body(context, body, body_bytes);
            return READ_SKIPPED;
        }
    }
    return READ_LOST;
}

// Past damage the reader steps on 8 bytes at a time, as the design's reader does from call to
// call, until it finds a chunk it takes, and tells the application what it stepped over.
int32_t read_chunk_resyncing(PlayerContext& context) {
    PlayParams& params = *context.params;
    int32_t lost_at = -1;
    for (;;) {
        const int32_t at = file_seek(params.file, 0, FILE_SEEK_CUR);
        const int32_t result = read_one_chunk(context);
        if (result != READ_LOST) {
            if (lost_at >= 0 && result != READ_END) {
                interlocked_store(params.resync_offset, lost_at);
                interlocked_store(params.resync_bytes, at - lost_at);
                interlocked_increment(params.resyncs);
            }
            return result;
        }
        if (lost_at < 0) {
            lost_at = at;
        }
    }
}

}  // namespace

int32_t read_chunk(PlayerContext& context) {
    if (context.params->flags & PLAY_RESYNC) {
        return read_chunk_resyncing(context);
    }
    const int32_t result = read_one_chunk(context);
    return result == READ_LOST ? READ_END : result;
}

int32_t store_video_chunk(PlayerContext& context, uint32_t body_bytes, int32_t kind) {
    Ring<VideoFrameSlot>& ring = context.reader.video_ring;
    uint8_t* place = ring_place(ring, body_bytes);
    if (place == nullptr) {
        // Larger than the whole arena: no picture can come of it.
        file_seek(context.params->file, static_cast<int32_t>(body_bytes), FILE_SEEK_CUR);
        return READ_SKIPPED;
    }
    if (!ring_has_room(ring, place, body_bytes)) {
        unread_chunk(context, 0);
        return READ_BUSY;
    }
    if (body_bytes > 0) {
        const int32_t got =
            file_read(context.params->file, place, static_cast<int32_t>(body_bytes));
        if (got <= 0) {
            return read_result_code(got);
        }
        // A short read is queued with the announced size; its missing tail reads as zeros
        // rather than as an older chunk's bytes.
        std::memset(place + got, 0, body_bytes - static_cast<uint32_t>(got));
    }
    VideoFrameSlot& slot = ring_back(ring);
    slot.data = place;
    slot.kind = kind;
    slot.sequence = context.reader.video_chunks;
    slot.bytes = body_bytes;
    ring_push(ring, place, body_bytes);
    interlocked_increment(context.reader.video_chunks);
    return READ_VIDEO;
}

int32_t parse_audio_header(PlayerContext& context, uint32_t body_bytes) {
    uint8_t body[CHUNK_BUFFER_BYTES];
    const int32_t got = read_chunk_body(context, body, body_bytes);
    if (got < 0) {
        return got;
    }
    if (got == 0) {
        return READ_END;
    }
    set_audio_format(context, audio_header_format(body, static_cast<uint32_t>(got)));
    return READ_AUDIO_HEADER;
}

void release_video_slot(PlayerContext& context) {
    ring_pop(context.reader.video_ring);
}

void release_audio_slot(PlayerContext& context) {
    ring_pop(context.reader.audio_ring);
}

void close_stream(PlayerContext& context) {
    PlayParams& params = *context.params;
    if (!(params.flags & PLAY_APP_FILE) && params.file != nullptr) {
        file_close(params.file, 0);
        params.file = nullptr;
    }
    movie_index_release(context.seek.index);
    memory_free(context.reader.video_ring.arena);
    memory_free(context.reader.audio_ring.arena);
    context.reader.video_ring.arena = nullptr;
    context.reader.audio_ring.arena = nullptr;
    for (VideoFrameSlot& slot : context.reader.video_ring.slots) {
        slot.data = nullptr;
    }
    if (params.has_audio) {
        for (AudioBlockSlot& slot : context.reader.audio_ring.slots) {
            slot.data = nullptr;
        }
    }
}

}  // namespace qx
