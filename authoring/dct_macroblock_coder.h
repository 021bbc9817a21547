#pragma once
#include <cstdint>

#include "authoring/dct_shown.h"
#include "codecs/dct/coefficient_block.h"

namespace qx {

// How one frame's macroblocks are quantised: the decoder's dequantisation for the frame's
// quality and the limits of the format's codes.
struct DctQuantiser {
    DctConversion conversion = DctConversion::Summed;
    DequantTable dequant{};   // as the decoder builds it
    double steps[64]{};       // the step of each level: dequant over the transform's prescale
    int32_t level_limit = 0;  // AC levels within -limit..limit
    int32_t dc_low = 0;       // DC levels within dc_low..dc_high
    int32_t dc_high = 0;
    int32_t scan_limit = 63;  // scan positions after this one stay zero
};

// Fills `steps` from `dequant`.
void set_quantiser_steps(DctQuantiser& quantiser);

// One macroblock coded as six blocks, with what the player will show for it.
struct MacroblockCoding {
    int32_t levels[6][64];   // 8 u + v, as the decoders hold coefficients
    uint8_t shown[256 * 3];  // 16 x 16 RGB
    int64_t error;           // summed squared error of `shown` against the source
};

// Codes the 16 x 16 RGB pixels `source` with the decoder in the loop: the chroma is
// quantised and decoded first, each pixel's luma is then chosen for the chroma the player will
// have, and any sample that would wrap (a component sum past its field, a sample past the
// tables) has its target pulled back and the block coded again, down to softer detail where
// the steps are too coarse to hold an edge. A coding that shows no wrapped colour is preferred
// to any gain elsewhere, and one always exists: chroma drawn to grey leaves every luma whole.
MacroblockCoding code_macroblock(const uint8_t* source, const DctQuantiser& quantiser);

// The samples and pixels a player shows for `levels`, and their error against `source`.
void show_macroblock(const uint8_t* source, const DctQuantiser& quantiser,
                     MacroblockCoding& coding);

}  // namespace qx
