#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/soft/soft_state.h"
#include "platform/sound.h"

namespace qx {

// A sound buffer in memory. The primary buffer only takes a format. A secondary buffer has a
// play cursor that moves with the platform clock at its byte rate while it plays, and every
// byte the cursor passes goes to the backend's heard log, as a listener would have heard it.
// The cursor is brought up to date on every call, before the call acts, so the log holds each
// byte as it was when the cursor passed it; bytes it passes while a region is locked are
// logged as the writer left them, at the unlock.
class SoftSoundBuffer : public SoundBuffer, public SoftObject {
  public:
    // The primary buffer of a device.
    SoftSoundBuffer(std::shared_ptr<SoftState> state, const SoftObject* device);
    // A secondary buffer; `bytes` is a whole number of sample frames. Throws std::bad_alloc.
    SoftSoundBuffer(std::shared_ptr<SoftState> state, const SoftObject* device, uint32_t flags,
                    uint32_t bytes, const WaveFormat& format);
    ~SoftSoundBuffer() override;

    PlatformResult get_caps(SoundBufferCaps& caps) override;
    PlatformResult set_format(const WaveFormat& format) override;
    PlatformResult set_frequency(uint32_t samples_per_sec) override;
    PlatformResult play(uint32_t reserved, uint32_t priority, uint32_t flags) override;
    PlatformResult stop() override;
    PlatformResult get_current_position(uint32_t* play_cursor, uint32_t* write_cursor) override;
    PlatformResult lock(uint32_t offset, uint32_t bytes, void** first, uint32_t* first_bytes,
                        void** second, uint32_t* second_bytes, uint32_t flags) override;
    PlatformResult unlock(void* first, uint32_t first_bytes, void* second,
                          uint32_t second_bytes) override;

    const void* face() const override { return static_cast<const SoundBuffer*>(this); }

    // Called with the state's mutex held: brings the cursor and the heard log up to now.
    void advance();
    // Called with the state's mutex held: plays on until the cursor stands at `cursor`.
    void move_cursor_to(uint32_t cursor);

  private:
    void destroy() override { destroy_with_lock(); }
    bool is_primary() const { return memory_.empty(); }
    SoftSoundBufferRecord& record() { return state_->sound_buffers[record_index_]; }
    // Starts a new stretch of steady motion at the current time and rate.
    void restart_motion();
    // The cursor plays `bytes` further.
    void pass(uint64_t bytes);
    // Appends `bytes` of the buffer from `from` on, wrapping at its end, to a log.
    void append_to_log(std::vector<uint8_t>& log, uint32_t from, uint64_t bytes) const;
    void log_heard(uint32_t from, uint64_t bytes);
    // Logs what the cursor passed while a region was locked, as the writer left it.
    void log_held_back();

    std::vector<uint8_t> memory_;
    size_t record_index_ = 0;
    uint32_t cursor_ = 0;
    int64_t motion_start_us_ = 0;
    int64_t motion_frames_ = 0;  // sample frames passed since motion_start_us_
    struct LockedRegion {
        const void* first;
        uint32_t offset;
        uint32_t bytes;
    };
    std::vector<LockedRegion> locked_;  // every lock not yet unlocked
    // Bytes the cursor passed while a region was locked: the writer may be writing them on
    // another thread, so they are read once the last lock is undone.
    uint32_t held_back_from_ = 0;
    uint64_t held_back_bytes_ = 0;
};

// True for a format the soft buffers can play: PCM, 1 or 2 channels of 8 or 16 bits, the
// block alignment and byte rate that follow from them, and a rate the device supports.
bool soft_wave_format_valid(const WaveFormat& format);

inline constexpr uint32_t SOFT_MIN_SAMPLE_RATE = 100;
inline constexpr uint32_t SOFT_MAX_SAMPLE_RATE = 100000;
inline constexpr uint32_t SOFT_MIN_SOUND_BUFFER_BYTES = 4;
inline constexpr uint32_t SOFT_MAX_SOUND_BUFFER_BYTES = 16u << 20;

}  // namespace qx
