#include "codecs/dct/mnb_frame.h"
#include "codecs/dct/zle_frame.h"

// Placeholder until the DCT codecs land: only the frame headers are read.
namespace {
void read_dct_header(const uint8_t* payload, uint32_t payload_bytes, PlayerContext& context) {
    if (payload_bytes >= 5) {
        context.frame_width = static_cast<int16_t>(payload[0] | payload[1] << 8);
        context.frame_height = static_cast<int16_t>(payload[2] | payload[3] << 8);
        context.quality = payload[4];
    }
}
}  // namespace

void mnb_read_header(const uint8_t* payload, uint32_t payload_bytes, PlayerContext& context) {
    read_dct_header(payload, payload_bytes, context);
}

void mnb_build_dequant_table(int32_t) {}

void mnb_decode_frame(PlayerContext&, const uint8_t*, uint32_t, uint8_t*, size_t) {}

void zle_read_header(const uint8_t* payload, uint32_t payload_bytes, PlayerContext& context) {
    read_dct_header(payload, payload_bytes, context);
    if (payload_bytes >= 8) {
        context.zle_channel_conversion = payload[7] & 2;
        context.zle_all_intra = payload[7] & 1;
    }
}

void zle_build_dequant_table(int32_t) {}

void zle_decode_frame(PlayerContext&, const uint8_t*, uint32_t, uint8_t*, const uint8_t*, size_t) {}
