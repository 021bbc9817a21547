#include "interface/picture_buffers.h"

#include <climits>

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
    for (size_t i = 0; i < pixels; ++i) {
        const uint32_t pixel = source[2 * i] | uint32_t{source[2 * i + 1]} << 8;
        const uint32_t red = pixel >> 11;
        const uint32_t green = pixel >> 5 & 0x3F;
        const uint32_t blue = pixel & 0x1F;
        rgba[4 * i] = static_cast<uint8_t>(red << 3 | red >> 2);
        rgba[4 * i + 1] = static_cast<uint8_t>(green << 2 | green >> 4);
        rgba[4 * i + 2] = static_cast<uint8_t>(blue << 3 | blue >> 2);
        rgba[4 * i + 3] = 255;
    }
}

}  // namespace qx
