#pragma once
#include <cstdint>

namespace qx {

// The colour model of the channel tables, shared by the decoder's tables and the encoder's model
// of them: the level factors of red, green and blue, the chroma factors of green, and the centre
// of the green table's index. The decoder applies the red, blue and chroma factors in single
// precision, as stored movies were made with.
inline constexpr double CHANNEL_RED_FACTOR = 1.371;
inline constexpr double CHANNEL_GREEN_FACTOR = 1.164;
inline constexpr double CHANNEL_BLUE_FACTOR = 1.734;
inline constexpr double CHANNEL_CB_GREEN_FACTOR = 0.336;
inline constexpr double CHANNEL_CR_GREEN_FACTOR = -0.698;
inline constexpr int32_t CHANNEL_GREEN_CENTRE = 250;

}  // namespace qx
