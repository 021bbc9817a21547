#pragma once
#include <atomic>
#include <cstdint>

namespace qx {

// What the application sets for every buffer of a sound device at once, and what it learns
// of them all.
struct SoundMix {
    // Muted buffers play silence while their cursors move on as before.
    std::atomic<bool> muted{false};
    // Loudness in percent, 0 to 100, of everything the buffers play.
    std::atomic<int32_t> volume{100};
    // No sound could be had from the system (no audio driver, or no device to open): the player
    // plays on silently, and the application may say so.
    std::atomic<bool> unavailable{false};
};

}  // namespace qx
