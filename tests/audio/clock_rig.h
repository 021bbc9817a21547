#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/soft/soft_backend.h"
#include "player/player_context.h"

namespace qx {

// A zeroed context whose sound has been started, either on a soft sound device whose cursor
// the test moves, or in silent mode; blocks are queued by hand, ticks called directly.
struct ClockRig {
    explicit ClockRig(bool with_sound, uint32_t buffer_bytes = 32768);
    ~ClockRig();

    // Queues a block of `bytes` bytes counting up from `first`, stamped `stamp`.
    void queue(int32_t bytes, int32_t stamp, uint8_t first = 1);
    void tick();
    void set_cursor(uint32_t cursor) { backend.move_play_cursor(0, cursor); }
    SoftSoundBufferRecord stream() const { return backend.sound_buffers().at(0); }
    // The stream buffer's bytes from `from` on, read through a lock as any writer would.
    std::vector<uint8_t> stream_bytes(uint32_t from, uint32_t count);
    void fill_stream(uint8_t value);

    SoftBackend backend;
    PlayParams params{};
    std::unique_ptr<PlayerContext> owned = std::make_unique<PlayerContext>();
    PlayerContext& context = *owned;
    SoundDevice* device = nullptr;
    std::vector<std::unique_ptr<std::vector<uint8_t>>> blocks;
};

// A soft backend whose primary sound buffer reports `primary_bytes`.
SoftBackendConfig sound_config(uint32_t primary_bytes, bool cursor_follows_clock);

}  // namespace qx
