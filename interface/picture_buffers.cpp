#include "interface/picture_buffers.h"

#include <bit>
#include <climits>
#include <cstring>

#include "base/memory.h"

namespace qx {

PictureBuffers::~PictureBuffers() {
    memory_free(first_);
    memory_free(second_);
}

bool PictureBuffers::allocate(size_t bytes, PlayParams& params) {
    if (bytes == 0 || bytes > UINT32_MAX) {
        return false;
    }
    first_ = static_cast<uint8_t*>(memory_allocate_zeroed(bytes));
    second_ = static_cast<uint8_t*>(memory_allocate_zeroed(bytes));
    params.draw_buffer = first_;
    params.reference_buffer = second_;
    params.buffer_bytes = static_cast<uint32_t>(bytes);
    return first_ != nullptr && second_ != nullptr;
}

void widen_rgb565_to_rgba(const uint8_t* source, size_t pixels, uint8_t* rgba) {
    // A word a pixel, each component placed and repeated with shifts and masks alone, stored in
    // one piece: a loop compilers turn into vector code (four byte stores keep them from it).
    for (size_t i = 0; i < pixels; ++i) {
        const uint32_t pixel = source[2 * i] | uint32_t{source[2 * i + 1]} << 8;
        const uint32_t red = (pixel >> 8 & 0xF8) | (pixel >> 13);
        const uint32_t green = (pixel >> 3 & 0xFC) | (pixel >> 9 & 0x03);
        const uint32_t blue = (pixel << 3 & 0xF8) | (pixel >> 2 & 0x07);
        const uint32_t word = std::endian::native == std::endian::little
                                  ? red | green << 8 | blue << 16 | 0xFF000000u
                                  : red << 24 | green << 16 | blue << 8 | 0xFFu;
        std::memcpy(rgba + 4 * i, &word, 4);
    }
}

}  // namespace qx
