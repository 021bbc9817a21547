#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "authoring/rkd_palette_builder.h"

namespace qx {

struct RkdBlockCoderOptions {
    int32_t search_radius = 8;    // motion search window, pixels each way (0: still blocks only)
    int32_t max_block_error = 0;  // largest summed squared RGB error accepted for one block
};

struct RkdMotionVector {
    int32_t dx;
    int32_t dy;
};

// The content of one inter frame, ready to be written.
struct RkdInterCode {
    std::vector<RkdMotionVector> vectors;
    std::vector<std::array<uint8_t, 16>> raw_blocks;
    std::vector<std::array<uint8_t, 8>> quad_blocks;  // c0..c3, then the selector word
    std::vector<int32_t> block_map;                   // one index per block, raster order
    int32_t lossy_blocks = 0;
    int64_t max_block_error = 0;  // the largest error of any block chosen
};

// Codes `picture` (width x height palette indices, multiples of 8 and 4) against
// `reconstruction`, the picture a decoder holds, choosing for every 4 x 4 block an exact
// motion vector, an exact 4-colour block, a raw block, or, when `max_block_error` allows, the
// closest vector or 4-colour approximation. On success `reconstruction` becomes the picture
// the decoder will show; false when the blocks need more table entries than a frame can index.
bool rkd_code_inter_blocks(const uint8_t* picture, std::vector<uint8_t>& reconstruction,
                           int32_t width, int32_t height, const RkdPalette& palette,
                           const RkdBlockCoderOptions& options, RkdInterCode& code);

}  // namespace qx
