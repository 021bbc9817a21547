#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace qx {

// Compression 10: IMA ADPCM, two channels, one byte per stereo sample frame (high nibble
// left, low nibble right). The step index is kept multiplied by 64, the byte length of one
// row of IMA_DIFFERENCES, so that it is the row's offset.

// The IMA ADPCM step sizes, by step index 0-88.
inline constexpr int32_t IMA_STEP_SIZES[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767,
};

inline constexpr int32_t IMA_LAST_STEP = 88;
inline constexpr int32_t IMA_ROW_BYTES = 64;  // 16 entries of 4 bytes
inline constexpr int32_t IMA_MAX_INDEX = IMA_LAST_STEP * IMA_ROW_BYTES;

using ImaDifferenceTable = std::array<std::array<int32_t, 16>, 89>;

// The sample difference of every step index and nibble: (s >> 3), plus s for bit 2, s >> 1
// for bit 1 and s >> 2 for bit 0 of the nibble, negated when bit 3 is set.
constexpr ImaDifferenceTable ima_build_differences() {
    ImaDifferenceTable table{};
    for (size_t index = 0; index < table.size(); ++index) {
        const int32_t step = IMA_STEP_SIZES[index];
        for (int32_t nibble = 0; nibble < 16; ++nibble) {
            int32_t difference = step >> 3;
            difference += (nibble & 4) ? step : 0;
            difference += (nibble & 2) ? step >> 1 : 0;
            difference += (nibble & 1) ? step >> 2 : 0;
            table[index][static_cast<size_t>(nibble)] = (nibble & 8) ? -difference : difference;
        }
    }
    return table;
}

inline constexpr ImaDifferenceTable IMA_DIFFERENCES = ima_build_differences();

// The IMA index adjustments -1, -1, -1, -1, 2, 4, 6, 8 by nibble & 7, in row offsets.
inline constexpr int32_t IMA_INDEX_ADJUST[8] = {-64, -64, -64, -64, 128, 256, 384, 512};

// One nibble of one channel: the sample and the step index (times 64) move on.
inline int32_t ima_decode_nibble(uint32_t nibble, int32_t& sample, int32_t& index) {
    int32_t next = sample + IMA_DIFFERENCES[static_cast<size_t>(index >> 6)][nibble];
    next = next < -32768 ? -32768 : (next > 32767 ? 32767 : next);
    sample = next;
    int32_t next_index = index + IMA_INDEX_ADJUST[nibble & 7];
    next_index = next_index < 0 ? 0 : (next_index > IMA_MAX_INDEX ? IMA_MAX_INDEX : next_index);
    index = next_index;
    return next;
}

// Decodes one stereo frame per input byte, as many as `output_frames` hold, carrying the
// packed state: `samples` (left in the low 16 bits, right in the high 16, signed) and `steps`
// (the step indexes times 64, likewise).
void ima_decode_stereo(std::span<const uint8_t> input, int16_t* output, size_t output_frames,
                       uint32_t& samples, uint32_t& steps);

}  // namespace qx
