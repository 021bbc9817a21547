#include <algorithm>

#include "codecs/rkd/rkd_convert.h"
#include "platform/kernel.h"

namespace {

// A palette component at the brightness, clamped to 0..255. Negative brightness is black.
uint32_t scaled_component(uint8_t value, int32_t brightness) {
    int64_t scaled = int64_t{value} * std::max(brightness, 0) / 100;
    return uint32_t(std::min<int64_t>(scaled, 255));
}

uint32_t place_component(uint32_t value, int32_t bits, int32_t shift) {
    return (value >> (8 - std::clamp(bits, 0, 8))) << std::clamp(shift, 0, 24);
}

}  // namespace

RkdPixelTable& rkd_pixel_table() {
    static RkdPixelTable table;
    return table;
}

void rkd_fill_pixel_table(RkdPixelTable& table, const uint8_t* palette, const PlayParams& params,
                          int32_t brightness) {
    for (int i = 0; i < 256; ++i) {
        const uint8_t* rgb = palette + 3 * i;
        uint32_t pixel = place_component(scaled_component(rgb[0], brightness), params.red_bits,
                                         params.red_shift) |
                         place_component(scaled_component(rgb[1], brightness), params.green_bits,
                                         params.green_shift) |
                         place_component(scaled_component(rgb[2], brightness), params.blue_bits,
                                         params.blue_shift);
        table.entries[i] = (params.flags & PLAY_DOUBLE_WIDTH) ? pixel | pixel << 16 : pixel;
    }
}

void rkd_build_pixel_table(PlayerContext& context) {
    // The application may change the brightness at any moment: the table is built for one
    // reading of it, which is remembered.
    const int32_t brightness = interlocked_load(context.params->brightness);
    rkd_fill_pixel_table(rkd_pixel_table(), context.palette, *context.params, brightness);
    context.rkd_table_brightness = brightness;
}
