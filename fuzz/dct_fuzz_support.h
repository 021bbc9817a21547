#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "player/player_context.h"
#include "video/colour_tables.h"

// Tables of a 5-6-5 display at full brightness, built once.
inline const ColourTables& fuzz_colour_tables() {
    static const ColourTables tables = [] {
        PlayParams params{};
        params.colour_bits = 16;
        params.brightness = 100;
        params.red_bits = 5, params.green_bits = 6, params.blue_bits = 5;
        params.red_shift = 11, params.green_shift = 5;
        ColourTables built;
        build_colour_tables(built, params);
        return built;
    }();
    return tables;
}

// Bytes of the picture the header asks for, capped so that oversized frames are clipped.
inline size_t fuzz_picture_bytes(const PlayerContext& context, int32_t pixel_bytes) {
    constexpr int64_t PICTURE_CAP = 1 << 20;
    const int64_t wanted = int64_t{context.frame_width} * context.frame_height * pixel_bytes;
    return wanted > 0 ? size_t(std::min(wanted, PICTURE_CAP)) : 0;
}
