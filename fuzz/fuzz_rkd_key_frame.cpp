// Reads the input as one key-frame payload and converts the picture into a display buffer of
// an input-chosen size.
#include <vector>

#include "codecs/rkd/rkd_buffers.h"
#include "codecs/rkd/rkd_convert.h"
#include "codecs/rkd/rkd_key_frame.h"
#include "fuzz/rkd_fuzz_support.h"

namespace qx {

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    RkdFuzzDecoder decoder(data[0]);
    RkdFrame& frame = decoder.frame;
    std::vector<uint8_t> payload(data + 1, data + size);
    rkd_read_key_header(decoder.rkd, frame, payload.data(), uint32_t(payload.size()));
    // Keep the fuzzer's pictures small enough to run quickly.
    if (int64_t{frame.width} * frame.height <= (1 << 20)) {
        rkd_decode_key_frame(decoder.rkd, payload.data(), uint32_t(payload.size()));
        rkd_build_pixel_table(decoder.rkd, decoder.format);
        std::vector<uint8_t> picture(size_t(frame.width) * size_t(frame.height) * (data[0] >> 2) /
                                     16);
        rkd_convert_picture(decoder.rkd, frame, picture.data(), picture.size());
    }
    return 0;
}

}  // namespace qx
