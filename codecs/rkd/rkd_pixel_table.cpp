#include <algorithm>
#include <cstring>

#include "base/memory.h"
#include "codecs/rkd/rkd_convert.h"

namespace qx {

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

void rkd_fill_pixel_pairs(RkdPixelPairs& pairs, const RkdPixelTable& table) {
    uint32_t low[256];
    for (int32_t i = 0; i < 256; ++i) {
        low[i] = table.entries[i] & 0xFFFF;
    }
    for (int32_t second = 0; second < 256; ++second) {
        uint32_t* row = pairs.entries + 256 * second;
        for (int32_t first = 0; first < 256; ++first) {
            row[first] = low[first] | low[second] << 16;
        }
    }
}

void rkd_build_pixel_table(RkdDecoder& rkd, const RkdPixelFormat& format) {
    RkdPixelTable table;
    rkd_fill_pixel_table(table, rkd.palette, format);
    // Most key frames bring the palette and brightness of the one before: the pairs stand.
    const bool changed = std::memcmp(&table, &rkd.rkd_pixel_table, sizeof table) != 0;
    rkd.rkd_pixel_table = table;
    // Only a decoder holding pictures converts: a brightness change during a movie of another
    // codec builds the table alone, and the pairs wait for the first key frame.
    bool fill = changed;
    if (rkd.rkd_pixel_pairs == nullptr && rkd.rkd_frame != nullptr) {
        rkd.rkd_pixel_pairs =
            static_cast<RkdPixelPairs*>(memory_allocate_zeroed(sizeof(RkdPixelPairs)));
        fill = true;
    }
    if (fill && rkd.rkd_pixel_pairs != nullptr) {
        rkd_fill_pixel_pairs(*rkd.rkd_pixel_pairs, table);
    }
    // Pictures converted through the old table hold nothing the new one would give.
    rkd_forget_converted_pictures(rkd);
}

}  // namespace qx
