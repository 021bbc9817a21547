#pragma once
#include <cstdint>

namespace qx {

// `qx encode --quality` is the user's scale of fidelity, 0..100, meant to read like JPEG's
// quality numbers. Each DCT format has its own quantiser setting (the quality byte of its frame
// header, which is what the decoder reads); these turn the user's number into it. Both grow
// with the user's quality, and 100 gives the finest steps the format can use.
int32_t mnb_stream_quality(int32_t quality);
int32_t zle_stream_quality(int32_t quality);

}  // namespace qx
