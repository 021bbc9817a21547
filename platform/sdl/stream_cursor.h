#pragma once
#include <cstdint>
#include <mutex>

namespace qx {

// The play cursor of a streaming buffer. The sound card moves it as it takes the buffer's
// bytes; when the card stops taking them while the buffer plays (the device was lost or
// hangs), the cursor runs on by itself at the buffer's byte rate from where the card left
// it, so whoever paces itself against the cursor never waits for ever.
class StreamCursor {
  public:
    // A device that has taken nothing for this long while playing counts as gone.
    static constexpr int64_t STALL_US = 1000000;

    StreamCursor(uint32_t buffer_bytes, uint32_t bytes_per_second);

    void set_rate(uint32_t bytes_per_second, int64_t now_us);
    void start(bool looping, int64_t now_us);
    void stop(int64_t now_us);
    bool playing();

    // The device side: where the next bytes to play start, then how many it took. Once the
    // end of a buffer playing without looping is reached, playing() turns false.
    uint32_t device_position(int64_t now_us);
    void device_played(uint32_t bytes, int64_t now_us);

    // The play cursor as the player sees it; `device_alive` false means the card is gone.
    // Between two requests of the card it moves on at the byte rate through the bytes the
    // card took last, so it runs smoothly however large the card's requests are.
    uint32_t position(int64_t now_us, bool device_alive);

  private:
    // With the mutex held: leaves the free-running state, keeping its position.
    void settle(int64_t now_us);
    uint32_t free_running_position(int64_t now_us) const;

    std::mutex mutex_;
    const uint32_t buffer_bytes_;
    uint32_t bytes_per_second_;
    uint32_t cursor_ = 0;
    uint32_t last_taken_ = 0;  // bytes of the card's last request, heard since then
    bool playing_ = false;
    bool looping_ = true;
    bool free_running_ = false;
    int64_t last_progress_us_ = 0;
};

}  // namespace qx
