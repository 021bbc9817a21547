#pragma once
#include <cstdint>

namespace qx {

// Compression codes of the audio header.
inline constexpr int32_t AUDIO_PCM = 0;
inline constexpr int32_t AUDIO_XA = 7;
inline constexpr int32_t AUDIO_IMA = 10;

// An audio header body: 4 bytes, a first element list ended by AUDIO_LIST_BREAK, a second one
// ended by AUDIO_HEADER_END. An element is a tag byte, a length byte L and L value bytes, the
// value big-endian. Of the second list these elements set the format:
inline constexpr uint32_t AUDIO_HEADER_LISTS_OFFSET = 4;
inline constexpr uint8_t AUDIO_LIST_BREAK = 0xFD;
inline constexpr uint8_t AUDIO_HEADER_END = 0x8A;
inline constexpr uint8_t AUDIO_ELEMENT_SAMPLE_BITS = 0x81;
inline constexpr uint8_t AUDIO_ELEMENT_CHANNELS = 0x82;
inline constexpr uint8_t AUDIO_ELEMENT_COMPRESSION = 0x83;
inline constexpr uint8_t AUDIO_ELEMENT_SAMPLE_RATE = 0x84;

// The audio format an audio header (or a "SEAD" chunk) sets, as the reader keeps it.
struct AudioFormat {
    int32_t sample_bits;
    int32_t channels;
    int32_t sample_rate;
    int32_t compression;
};

// The format a "SEAD" chunk sets.
AudioFormat fixed_audio_format();
// The format an audio header body of `bytes` sets: the defaults, changed by its element list.
AudioFormat audio_header_format(const uint8_t* body, uint32_t bytes);

}  // namespace qx
