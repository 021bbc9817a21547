#pragma once
#include <cstdint>

#include "codecs/rkd/rkd_buffers.h"
#include "codecs/rkd/rkd_convert.h"

namespace qx {

// A fresh decoder on a display chosen by the low two bits of `mode`: 8-bit or 5-6-5, with or
// without double width. Its buffers go with it.
struct RkdFuzzDecoder {
    explicit RkdFuzzDecoder(uint8_t mode) {
        frame.palettised = (mode & 1) != 0;
        frame.double_width = (mode & 2) != 0;
        format.double_width = frame.double_width;
    }
    ~RkdFuzzDecoder() { rkd_release_buffers(rkd); }
    RkdFuzzDecoder(const RkdFuzzDecoder&) = delete;
    RkdFuzzDecoder& operator=(const RkdFuzzDecoder&) = delete;

    RkdDecoder rkd{};
    RkdFrame frame{};
    RkdPixelFormat format{{5, 11}, {6, 5}, {5, 0}, 100, false};
};

}  // namespace qx
