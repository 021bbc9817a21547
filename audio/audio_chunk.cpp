#include "audio/audio_chunk.h"

#include "platform/kernel.h"
#include "player/reader.h"

// Placeholder until the audio decoders land: the payload is read and dropped, and an empty
// block is queued so that movies with audio run.
int32_t decode_audio_chunk(PlayerContext& context, uint32_t payload_bytes) {
    uint8_t payload[AUDIO_CHUNK_MAX];
    const int32_t got = read_chunk_body(context, payload, payload_bytes);
    if (got < 0) {
        return got;
    }
    AudioBlockSlot& slot = context.audio_ring[context.audio_written & RING_MASK];
    if (context.audio_queued >= RING_SLOTS) {
        unread_chunk(context, payload_bytes);
        return READ_BUSY;
    }
    slot.data = context.audio_write;
    slot.bytes = 0;
    slot.video_stamp = context.video_chunks;
    slot.sequence = context.audio_chunks;
    interlocked_increment(context.audio_written);
    interlocked_increment(context.audio_queued);
    interlocked_increment(context.audio_chunks);
    return READ_AUDIO;
}
