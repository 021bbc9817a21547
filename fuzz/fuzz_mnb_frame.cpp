// Feeds arbitrary payloads to the Mnb frame decoder through the header reader, as the player
// does, with a picture capped in size so that oversized frames exercise the clipping.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/dct/mnb_frame.h"

namespace {
constexpr size_t PICTURE_CAP = 1 << 20;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ColourTables tables = [] {
        PlayParams params{};
        params.colour_bits = 16;
        params.brightness = 100;
        params.red_bits = 5, params.green_bits = 6, params.blue_bits = 5;
        params.red_shift = 11, params.green_shift = 5;
        ColourTables built;
        build_colour_tables(built, params);
        return built;
    }();
    static DctDecoder decoder;
    if (size < 9) {
        return 0;
    }
    PlayerContext context{};
    mnb_read_header(data, uint32_t(size), context);
    mnb_build_dequant_table(decoder.dequant_table, context.quality);
    const int32_t pixel_bytes = (data[5] & 1) ? 4 : 2;
    const int64_t wanted = int64_t{context.frame_width} * context.frame_height * pixel_bytes;
    std::vector<uint8_t> picture(wanted > 0 ? size_t(std::min<int64_t>(wanted, PICTURE_CAP)) : 0);
    mnb_decode_picture(
        decoder, tables,
        DctFrame{context.frame_width, context.frame_height, pixel_bytes, picture.size()}, data + 8,
        uint32_t(size - 8), picture.data());
    return 0;
}
