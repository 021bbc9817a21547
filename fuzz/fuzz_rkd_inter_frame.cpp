// Decodes a small key frame of an input-chosen size, then the rest of the input as a series
// of inter frames, converting each picture as the dispatcher does.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "codecs/rkd/rkd_buffers.h"
#include "codecs/rkd/rkd_convert.h"
#include "codecs/rkd/rkd_inter_frame.h"
#include "codecs/rkd/rkd_key_frame.h"
#include "fuzz/rkd_fuzz_support.h"

namespace qx {

namespace {

std::vector<uint8_t> key_frame(uint32_t width, uint32_t height) {
    std::vector<uint8_t> payload{uint8_t(width),
                                 uint8_t(width >> 8),
                                 uint8_t(height),
                                 uint8_t(height >> 8),
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0xFC};
    return payload;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) {
        return 0;
    }
    RkdFuzzDecoder decoder(data[2]);
    RkdFrame& frame = decoder.frame;
    std::vector<uint8_t> key = key_frame(4u * (1 + data[0] % 24), 4u * (1 + data[1] % 16));
    rkd_read_key_header(decoder.rkd, frame, key.data(), uint32_t(key.size()));
    rkd_decode_key_frame(decoder.rkd, key.data(), uint32_t(key.size()));
    rkd_build_pixel_table(decoder.rkd, decoder.format);
    std::vector<uint8_t> picture(size_t(frame.width) * size_t(frame.height) * 4);
    // Frames are separated by a two-byte length prefix.
    size_t at = 3;
    while (at + 2 <= size) {
        size_t length =
            std::min<size_t>(size - at - 2, size_t(data[at]) | size_t(data[at + 1]) << 8);
        std::vector<uint8_t> payload(data + at + 2, data + at + 2 + length);
        rkd_decode_inter_frame(decoder.rkd, frame, payload.data(), uint32_t(payload.size()));
        rkd_convert_picture(decoder.rkd, frame, picture.data(), picture.size());
        at += 2 + length;
    }
    return 0;
}

}  // namespace qx
