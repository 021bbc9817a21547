#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "codecs/dct/dct_colour_tables.h"
#include "codecs/dct/dct_decoder.h"

namespace qx {

// Tables of a 5-6-5 display at full brightness, built once.
inline const ColourTables& fuzz_colour_tables() {
    static const ColourTables tables = [] {
        ColourTables built;
        build_colour_tables(built, DCT_RGB565);
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

}  // namespace qx
