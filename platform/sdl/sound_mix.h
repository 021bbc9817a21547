#pragma once
#include <atomic>

// What the application sets for every buffer of a sound device at once.
struct SoundMix {
    // Muted buffers play silence while their cursors move on as before.
    std::atomic<bool> muted{false};
};
