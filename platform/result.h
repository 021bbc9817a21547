#pragma once
#include <cstdint>

namespace qx {

// Result codes of the platform calls. Zero is success; failures are negative 32-bit values so
// that the codes the player tests for (a lost surface) keep their well-known numbers.
using PlatformResult = int32_t;

inline constexpr PlatformResult PLATFORM_OK = 0;
inline constexpr PlatformResult PLATFORM_FAILED = static_cast<int32_t>(0x80004005u);
inline constexpr PlatformResult PLATFORM_OUT_OF_MEMORY = static_cast<int32_t>(0x8007000Eu);
inline constexpr PlatformResult PLATFORM_INVALID_ARGUMENT = static_cast<int32_t>(0x80070057u);
inline constexpr PlatformResult DISPLAY_SURFACE_LOST = static_cast<int32_t>(0x887601C2u);
inline constexpr PlatformResult DISPLAY_SURFACE_BUSY = static_cast<int32_t>(0x887601AEu);

}  // namespace qx
