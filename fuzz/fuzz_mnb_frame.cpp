// Feeds arbitrary payloads to the Mnb frame decoder through the header reader, as the player
// does; byte 5 (unused by the format) picks 2- or 4-byte pixels.
#include <vector>

#include "codecs/dct/mnb_frame.h"
#include "fuzz/dct_fuzz_support.h"

namespace qx {

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static DctDecoder decoder;
    if (size < 8) {
        return 0;
    }
    DctHeader header{};
    mnb_read_header(data, uint32_t(size), header);
    mnb_build_dequant_table(decoder.dequant_table, header.quality);
    const int32_t pixel_bytes = (data[5] & 1) ? 4 : 2;
    std::vector<uint8_t> picture(fuzz_picture_bytes(header, pixel_bytes));
    const DctFrame frame{header.width, header.height, pixel_bytes, picture.size()};
    mnb_decode_picture(decoder, fuzz_colour_tables(), frame, data + 8, uint32_t(size - 8),
                       picture.data());
    return 0;
}

}  // namespace qx
