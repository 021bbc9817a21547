#pragma once
#include <cstdint>

#include "codecs/rkd/rkd_decoder.h"

namespace qx {

// Bytes before the vector field in an inter-frame payload.
inline constexpr uint32_t RKD_INTER_HEADER_BYTES = 12;

// Builds the next 8-bit picture from the previous one. 1 on success, 0 when the frame is
// dropped: no key frame of the current size before it, a picture size the 4 x 4 blocks do not
// tile, an unsupported index width, a payload shorter than its areas, or a buffer that cannot
// be had. A dropped frame leaves rkd_frame holding the last picture.
int32_t rkd_decode_inter_frame(RkdDecoder& rkd, const RkdFrame& frame, const uint8_t* payload,
                               uint32_t payload_bytes);

}  // namespace qx
