// Reads the input as one key-frame payload and converts the picture into a display buffer of
// an input-chosen size.
#include <vector>

#include "codecs/rkd/rkd_buffers.h"
#include "codecs/rkd/rkd_convert.h"
#include "codecs/rkd/rkd_key_frame.h"
#include "fuzz/rkd_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    PlayerContext& context = rkd_fuzz_context(data[0]);
    std::vector<uint8_t> payload(data + 1, data + size);
    rkd_read_key_header(context, payload.data(), uint32_t(payload.size()));
    // Keep the fuzzer's pictures small enough to run quickly.
    if (int64_t{context.frame_width} * context.frame_height <= (1 << 20)) {
        rkd_decode_key_frame(context, payload.data(), uint32_t(payload.size()));
        rkd_build_pixel_table(context);
        std::vector<uint8_t> picture(size_t(context.frame_width) * size_t(context.frame_height) *
                                     (data[0] >> 2) / 16);
        rkd_convert_picture(context, picture.data(), picture.size());
    }
    rkd_release_buffers(context);
    return 0;
}
