#include "codecs/rkd/rkd_convert.h"
#include "codecs/rkd/rkd_inter_frame.h"
#include "codecs/rkd/rkd_key_frame.h"

// Placeholder until the Rkd codec lands: only the frame size is read.
void rkd_read_key_header(PlayerContext& context, const uint8_t* payload, uint32_t payload_bytes) {
    if (payload_bytes >= 4) {
        context.frame_width = payload[0] | payload[1] << 8;
        context.frame_height = payload[2] | payload[3] << 8;
    }
}

int32_t rkd_decode_key_frame(PlayerContext&, const uint8_t*, uint32_t) {
    return 1;
}

int32_t rkd_decode_inter_frame(PlayerContext&, const uint8_t*, uint32_t) {
    return 1;
}

void rkd_build_pixel_table(PlayerContext&) {}

void rkd_convert_picture(PlayerContext&, uint8_t*, size_t) {}
