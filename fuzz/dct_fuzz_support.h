#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "codecs/dct/dct_decoder.h"
#include "video/colour_tables.h"
#include "video/display_setup.h"

// Tables of a 5-6-5 display at full brightness, built once.
inline const ColourTables& fuzz_colour_tables() {
    static const ColourTables tables = [] {
        PlayParams params{};
        params.brightness = 100;
        set_display_pixel_format(params,
                                 PixelFormat{32, PIXEL_FORMAT_RGB, 16, 0xF800, 0x07E0, 0x001F});
        ColourTables built;
        build_colour_tables(built, params);
        return built;
    }();
    return tables;
}

// Bytes of the picture the header asks for, capped so that oversized frames are clipped.
inline size_t fuzz_picture_bytes(const DctHeader& header, int32_t pixel_bytes) {
    constexpr int64_t PICTURE_CAP = 1 << 20;
    const int64_t wanted = int64_t{header.width} * header.height * pixel_bytes;
    return wanted > 0 ? size_t(std::min(wanted, PICTURE_CAP)) : 0;
}
