#pragma once
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "codecs/rkd/rkd_buffers.h"
#include "player/display_params.h"
#include "player/play_params.h"
#include "video/colour_tables.h"

namespace qx {

// Little-endian payload builder for hand-made Rkd frames.
class RkdBytes {
  public:
    RkdBytes& u8(std::initializer_list<uint8_t> values) {
        bytes.insert(bytes.end(), values);
        return *this;
    }
    RkdBytes& u16(uint32_t value) {
        bytes.push_back(uint8_t(value));
        bytes.push_back(uint8_t(value >> 8));
        return *this;
    }
    RkdBytes& u32(uint32_t value) { return u16(value & 0xFFFF).u16(value >> 16); }
    RkdBytes& append(const std::vector<uint8_t>& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    uint32_t size() const { return uint32_t(bytes.size()); }
    const uint8_t* data() const { return bytes.data(); }

    std::vector<uint8_t> bytes;
};

// LSB-first bit fields, padded to whole 32-bit words.
inline std::vector<uint8_t> rkd_pack_fields(const std::vector<int32_t>& fields, uint32_t width) {
    std::vector<uint8_t> out(4 * ((fields.size() * width + 31) / 32), 0);
    uint64_t bit = 0;
    for (int32_t field : fields) {
        for (uint32_t k = 0; k < width; ++k, ++bit) {
            if ((uint32_t(field) >> k) & 1) {
                out[bit / 8] |= uint8_t(1u << (bit % 8));
            }
        }
    }
    return out;
}

// A key-frame payload: header, palette of `palette.size() / 3` entries, packed picture.
inline RkdBytes rkd_key_payload(uint32_t width, uint32_t height,
                                const std::vector<uint8_t>& palette,
                                const std::vector<uint8_t>& packed) {
    RkdBytes b;
    b.u16(width).u16(height).u16(0).u16(uint32_t(palette.size() / 3)).u32(0);
    return b.append(palette).append(packed);
}

// A packed picture holding `pixels` as literal runs (no copies).
inline std::vector<uint8_t> rkd_literal_packing(const std::vector<uint8_t>& pixels) {
    std::vector<uint8_t> out{0, 0, uint8_t(pixels.size() >> 16), uint8_t(pixels.size() >> 8),
                             uint8_t(pixels.size())};
    // Room for every run code up front: growing on the last push_back is what GCC 12 misjudges
    // as a write past the end.
    out.reserve(out.size() + pixels.size() + pixels.size() / 4 + 1);
    size_t at = 0;
    while (pixels.size() - at >= 4) {
        size_t run = std::min<size_t>(112, (pixels.size() - at) / 4 * 4);
        out.push_back(uint8_t(0xE0 + run / 4 - 1));
        out.insert(out.end(), pixels.begin() + long(at), pixels.begin() + long(at + run));
        at += run;
    }
    out.push_back(uint8_t(0xFC + pixels.size() - at));
    out.insert(out.end(), pixels.begin() + long(at), pixels.end());
    return out;
}

// A picture with flat bands, a checker of textured tiles and a box, shifted left by `shift`
// pixels: drawn movie content for packing, motion search and speed measurements.
inline std::vector<uint8_t> rkd_drawn_picture(int32_t width, int32_t height, int32_t shift) {
    std::vector<uint8_t> pixels(size_t(width) * size_t(height));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            int32_t sx = x + shift;
            uint8_t value = uint8_t((y / 3) % 40);
            if ((sx / 16 + y / 16) % 3 == 0) {
                value = uint8_t(100 + (sx * 7 + y) % 13);
            }
            if (sx > width / 4 && sx < width / 2 && y > height / 4 && y < height / 2) {
                value = uint8_t(200 + (sx ^ y) % 30);
            }
            pixels[size_t(y) * size_t(width) + size_t(x)] = value;
        }
    }
    return pixels;
}

// A fresh Rkd decoder on a 5-6-5 display of its own, freeing its buffers at the end. `size`
// holds the frame size in force, as the dispatcher keeps it.
struct RkdContext {
    RkdContext() {
        params.brightness = 100;
        params.colour_bits = 16;
        params.red_bits = 5;
        params.green_bits = 6;
        params.blue_bits = 5;
        params.red_shift = 11;
        params.green_shift = 5;
        params.blue_shift = 0;
    }
    ~RkdContext() { rkd_release_buffers(rkd); }
    RkdContext(const RkdContext&) = delete;
    RkdContext& operator=(const RkdContext&) = delete;

    // The frame in hand on this display.
    RkdFrame described() const {
        return {size.width, size.height, params.colour_bits == 8,
                (params.flags & PLAY_DOUBLE_WIDTH) != 0};
    }
    RkdPixelFormat format() {
        return rkd_pixel_format(display_target_of(params), params.brightness);
    }

    std::vector<uint8_t> frame() const {
        const uint8_t* f = rkd.rkd_frame;
        return {f, f + size_t(rkd.rkd_picture_width) * size_t(rkd.rkd_picture_height)};
    }

    PlayParams params{};
    RkdDecoder rkd{};
    RkdFrame size{};
};

}  // namespace qx
