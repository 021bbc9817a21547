#pragma once
#include <cstdint>

#include "codecs/rkd/rkd_decoder.h"

namespace qx {

// Bytes before the palette in a key-frame payload.
inline constexpr uint32_t RKD_KEY_HEADER_BYTES = 12;

// Reads the key-frame header: frame size (into `frame`), palette count and palette. Called
// before the work surfaces exist. A header that is cut short or gives an empty or oversized
// picture changes nothing, so the frame is skipped as a whole.
void rkd_read_key_header(RkdDecoder& rkd, RkdFrame& frame, const uint8_t* payload,
                         uint32_t payload_bytes);
// Unpacks the key frame's picture into rkd_frame. 1 on success, 0 when a buffer cannot be had
// or the header is unusable.
int32_t rkd_decode_key_frame(RkdDecoder& rkd, const uint8_t* payload, uint32_t payload_bytes);

}  // namespace qx
