#pragma once
#include <cstdint>
#include <vector>

namespace qx {

// What the player shows for one encoded Mnb or Zle intra frame on the 5-6-5 display the DCT
// formats are drawn on, widened to 8 bits as `qx export` writes it, and how many of its pixels
// show a colour the summed tables wrapped: a component sum past its field that carried into or
// borrowed from its neighbour, or left the field's range, shows the far side of the channel.
struct ShownDctFrame {
    int32_t result = -1;       // the decoder's DctResult
    std::vector<uint8_t> rgb;  // 3 bytes a pixel, rows back to back
    int64_t wrapped = 0;       // summed-table frames only; channel-table frames clamp
};

enum class DctFormat { Mnb, Zle };

// `payload` is the chunk payload an encoder made, frame header first.
ShownDctFrame show_dct_frame(DctFormat format, const std::vector<uint8_t>& payload);

}  // namespace qx
