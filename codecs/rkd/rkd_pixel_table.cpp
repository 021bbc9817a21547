#include <algorithm>

#include "codecs/rkd/rkd_convert.h"

namespace {

// A palette component at the brightness, clamped to 0..255. Negative brightness is black.
uint32_t scaled_component(uint8_t value, int32_t brightness) {
    int64_t scaled = int64_t{value} * std::max(brightness, 0) / 100;
    return uint32_t(std::min<int64_t>(scaled, 255));
}

uint32_t place_component(uint32_t value, RkdComponent component) {
    return (value >> (8 - std::clamp(component.bits, 0, 8))) << std::clamp(component.shift, 0, 24);
}

}  // namespace

void rkd_fill_pixel_table(RkdPixelTable& table, const uint8_t* palette,
                          const RkdPixelFormat& format) {
    for (int i = 0; i < 256; ++i) {
        const uint8_t* rgb = palette + 3 * i;
        uint32_t pixel =
            place_component(scaled_component(rgb[0], format.brightness), format.red) |
            place_component(scaled_component(rgb[1], format.brightness), format.green) |
            place_component(scaled_component(rgb[2], format.brightness), format.blue);
        table.entries[i] = format.double_width ? pixel | pixel << 16 : pixel;
    }
}

void rkd_build_pixel_table(RkdDecoder& rkd, const RkdPixelFormat& format) {
    rkd_fill_pixel_table(rkd.rkd_pixel_table, rkd.palette, format);
    // Pictures converted through the old table hold nothing the new one would give.
    rkd_forget_converted_pictures(rkd);
}
