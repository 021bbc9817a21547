#include "audio/audio_chunk.h"

#include <bit>
#include <cstring>
#include <span>

#include "audio/audio_block.h"
#include "audio/ima_decoder.h"
#include "audio/xa_decoder.h"
#include "base/byte_order.h"

namespace qx {

// Blocks go to the sound buffer byte for byte, and its samples are little-endian.
static_assert(std::endian::native == std::endian::little);

namespace {

// The largest block a payload can give (mono compression 7) fits the arena, so a block always
// finds a place once the blocks before it are consumed.
static_assert((AUDIO_CHUNK_MAX - XA_PAYLOAD_HEADER_BYTES) / XA_MONO_FRAME_BYTES * XA_FRAME_SAMPLES *
                  AUDIO_FRAME_BYTES <
              AUDIO_ARENA_BYTES);

bool is_stereo(const SoundStream& sound) {
    return sound.channels == 2;
}

}  // namespace

uint32_t audio_block_frames(const SoundStream& sound, const uint8_t* payload, uint32_t bytes) {
    return audio_block_frames_in(sound.compression, sound.channels, payload, bytes);
}

uint32_t audio_block_frames_in(int32_t compression, int32_t channels, const uint8_t* payload,
                               uint32_t bytes) {
    const bool stereo = channels == 2;
    switch (compression) {
        case AUDIO_PCM: {
            if (bytes < PCM_PAYLOAD_HEADER_BYTES) {
                return 0;
            }
            // A count beyond the payload is cut to the frames it holds.
            const uint32_t frame_bytes = stereo ? 4 : 2;
            const uint32_t held = (bytes - PCM_PAYLOAD_HEADER_BYTES) / frame_bytes;
            const uint32_t count = load_le32(payload);
            return count < held ? count : held;
        }
        case AUDIO_XA: {
            if (bytes < XA_PAYLOAD_HEADER_BYTES) {
                return 0;
            }
            const uint32_t frame_bytes = stereo ? XA_STEREO_FRAME_BYTES : XA_MONO_FRAME_BYTES;
            return (bytes - XA_PAYLOAD_HEADER_BYTES) / frame_bytes * XA_FRAME_SAMPLES;
        }
        case AUDIO_IMA:
            return bytes;
        default:
            return 0;
    }
}

namespace {

void decode_pcm(const SoundStream& sound, const uint8_t* payload, uint32_t frames, uint8_t* block) {
    const uint8_t* samples = payload + PCM_PAYLOAD_HEADER_BYTES;
    if (is_stereo(sound)) {
        std::memcpy(block, samples, static_cast<size_t>(frames) * AUDIO_FRAME_BYTES);
        return;
    }
    for (uint32_t i = 0; i < frames; ++i) {
        block[0] = samples[0];
        block[1] = samples[1];
        block[2] = samples[0];
        block[3] = samples[1];
        samples += 2;
        block += AUDIO_FRAME_BYTES;
    }
}

void decode_xa(SoundStream& sound, const uint8_t* payload, uint32_t bytes, uint32_t frames,
               uint8_t* block) {
    sound.xa_current_left = load_le16_signed(payload + 4);
    sound.xa_previous_left = load_le16_signed(payload + 6);
    sound.xa_current_right = load_le16_signed(payload + 8);
    sound.xa_previous_right = load_le16_signed(payload + 10);
    const std::span<const uint8_t> data(payload + XA_PAYLOAD_HEADER_BYTES,
                                        bytes - XA_PAYLOAD_HEADER_BYTES);
    auto* output = reinterpret_cast<int16_t*>(block);
    const auto samples = static_cast<int32_t>(frames);
    int32_t position = 0;
    if (is_stereo(sound)) {
        xa_decode_stereo(samples, position, sound.xa_current_left, sound.xa_previous_left,
                         sound.xa_current_right, sound.xa_previous_right, data, output, frames);
    } else {
        xa_decode_mono(samples, position, sound.xa_current_left, sound.xa_previous_left, data,
                       output, frames);
    }
}

}  // namespace

void decode_audio_payload(SoundStream& sound, const uint8_t* payload, uint32_t bytes,
                          uint32_t frames, uint8_t* block) {
    switch (sound.compression) {
        case AUDIO_PCM:
            decode_pcm(sound, payload, frames, block);
            break;
        case AUDIO_XA:
            if (bytes >= XA_PAYLOAD_HEADER_BYTES) {
                decode_xa(sound, payload, bytes, frames, block);
            }
            break;
        case AUDIO_IMA:
            ima_decode_stereo(std::span<const uint8_t>(payload, bytes),
                              reinterpret_cast<int16_t*>(block), frames, sound.ima_samples,
                              sound.ima_steps);
            break;
        default:
            break;
    }
}

}  // namespace qx
