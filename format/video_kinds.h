#pragma once
#include <cstdint>

namespace qx {

// Video kinds, from the chunk tag.
inline constexpr int32_t VIDEO_RKD_KEY = 1;
inline constexpr int32_t VIDEO_RKD_INTER = 2;
inline constexpr int32_t VIDEO_MNB = 3;
inline constexpr int32_t VIDEO_ZLE = 4;

}  // namespace qx
