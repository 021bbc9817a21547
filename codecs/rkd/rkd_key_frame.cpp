#include "codecs/rkd/rkd_key_frame.h"

#include <algorithm>
#include <cstring>

#include "base/byte_order.h"
#include "codecs/rkd/rkd_buffers.h"
#include "codecs/rkd/rkd_kernels.h"
#include "codecs/rkd/rkd_unpack.h"

namespace qx {

namespace {

struct KeyHeader {
    int32_t width;
    int32_t height;
    uint32_t palette_count;
};

bool read_header(const uint8_t* payload, uint32_t payload_bytes, KeyHeader& header) {
    if (payload == nullptr || payload_bytes < RKD_KEY_HEADER_BYTES) {
        return false;
    }
    header.width = int32_t(load_le16(payload));
    header.height = int32_t(load_le16(payload + 2));
    header.palette_count = load_le16(payload + 6);
    int64_t pixels = int64_t{header.width} * header.height;
    return pixels > 0 && pixels <= RKD_MAX_PICTURE_PIXELS;
}

}  // namespace

void rkd_read_key_header(RkdDecoder& rkd, RkdFrame& frame, const uint8_t* payload,
                         uint32_t payload_bytes) {
    KeyHeader header;
    if (!read_header(payload, payload_bytes, header)) {
        return;
    }
    frame.width = header.width;
    frame.height = header.height;
    rkd.rkd_palette_count = int32_t(header.palette_count);
    // Counts above 256 take the first 256 entries; entries past the payload are not read.
    uint32_t present = (payload_bytes - RKD_KEY_HEADER_BYTES) / 3;
    uint32_t entries = std::min({header.palette_count, 256u, present});
    std::memcpy(rkd.palette, payload + RKD_KEY_HEADER_BYTES, 3 * entries);
}

int32_t rkd_decode_key_frame(RkdDecoder& rkd, const uint8_t* payload, uint32_t payload_bytes) {
    KeyHeader header;
    if (!read_header(payload, payload_bytes, header)) {
        return 0;
    }
    if (!rkd_allocate_picture(rkd, header.width, header.height)) {
        return 0;
    }
    // A new picture with no still blocks: nothing after it may be kept from before it.
    ++rkd.rkd_picture_number;
    int32_t value = -(header.height * header.width);
    for (int32_t i = 0; i < 2 * header.height; ++i) {
        rkd.rkd_row_offsets[i] = value;
        value += header.width;
    }
    // The packed picture follows the N palette entries the stream declares, used or not.
    uint64_t packed_at = RKD_KEY_HEADER_BYTES + 3 * uint64_t{header.palette_count};
    const uint32_t picture_bytes = rkd_picture_bytes(header.width, header.height);
    size_t written = 0;
    if (packed_at < payload_bytes) {
        written = rkd_kernels()
                      .unpack(payload + packed_at, payload_bytes - packed_at, rkd.rkd_frame,
                              picture_bytes)
                      .written;
    }
    // What a damaged stream leaves undetermined shows as index 0, whatever the picture before.
    std::memset(rkd.rkd_frame + written, 0, picture_bytes - written);
    return 1;
}

}  // namespace qx
