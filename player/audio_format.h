#pragma once
#include <cstdint>

// The audio format an audio header (or a "SEAD" chunk) sets, as the reader keeps it.
struct AudioFormat {
    int32_t sample_bits;
    int32_t channels;
    int32_t sample_rate;
    int32_t compression;
};
