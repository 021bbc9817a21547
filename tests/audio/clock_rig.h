#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "player/player_context.h"
#include "tests/audio/fake_sound.h"

// A zeroed context whose sound has been started, either on a FakeSoundDevice with a cursor
// the test moves, or in silent mode; blocks are queued by hand, ticks called directly.
struct ClockRig {
    explicit ClockRig(bool with_sound, uint32_t buffer_bytes = 32768,
                      const FakeSoundFaults& faults = {});
    ~ClockRig();

    // Queues a block of `bytes` bytes counting up from `first`, stamped `stamp`.
    void queue(int32_t bytes, int32_t stamp, uint8_t first = 1);
    void tick();
    FakeSoundLog& log() { return *device.stream_logs.back(); }

    PlayParams params{};
    std::unique_ptr<PlayerContext> owned = std::make_unique<PlayerContext>();
    PlayerContext& context = *owned;
    FakeSoundDevice device;
    FakeSoundBuffer* stream = nullptr;
    std::vector<std::unique_ptr<std::vector<uint8_t>>> blocks;
};
