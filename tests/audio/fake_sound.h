#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/backend.h"
#include "platform/sound.h"

// What happened to one sound buffer; outlives the buffer, so that a test can look at it after
// the player has released it.
struct FakeSoundLog {
    std::mutex mutex;
    SoundBufferDesc desc;
    WaveFormat format;  // of the description, or as set by set_format
    bool format_set = false;
    uint32_t frequency = 0;
    bool playing = false;
    int play_calls = 0;
    int stop_calls = 0;
    bool released = false;
    std::vector<std::pair<uint32_t, uint32_t>> locks;  // offset, bytes
    std::vector<uint8_t> heard;                        // every byte that passed the play cursor
    std::vector<uint8_t> written;  // every byte put in through lock and unlock, in order
    uint32_t cursor = 0;
};

// Failures a test can switch on for the next buffers a FakeSoundDevice creates.
struct FakeSoundFaults {
    bool create_primary_fails = false;
    bool create_stream_fails = false;
    bool set_format_fails = false;
    bool caps_fail = false;
    bool play_fails = false;
    bool position_fails = false;
    bool lock_fails = false;
    bool cooperative_level_fails = false;
    bool device_caps_fail = false;
};

// A looping sound buffer in memory. With a byte rate its play cursor moves with the platform
// clock while it plays, and the bytes it passes are logged as heard; with none the test moves
// the cursor itself.
class FakeSoundBuffer : public SoundBuffer {
  public:
    FakeSoundBuffer(uint32_t bytes, uint32_t byte_rate, const FakeSoundFaults& faults,
                    std::shared_ptr<FakeSoundLog> log);

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

    void set_cursor(uint32_t cursor);
    FakeSoundFaults& faults() { return faults_; }
    std::vector<uint8_t>& memory() { return memory_; }

  protected:
    void destroy() override;

  private:
    void advance();  // caller holds the log's mutex

    std::vector<uint8_t> memory_;
    uint32_t byte_rate_;
    FakeSoundFaults faults_;
    std::shared_ptr<FakeSoundLog> log_;
    int64_t played_us_ = 0;
    int64_t resumed_at_us_ = 0;
    uint64_t passed_ = 0;
};

// A sound device whose primary buffer has `primary_bytes`, whose stream buffers play in real
// (platform) time when `real_time` is set, and which records every buffer it created.
class FakeSoundDevice : public SoundDevice {
  public:
    explicit FakeSoundDevice(uint32_t primary_bytes = 16384, bool real_time = false,
                             uint32_t caps_flags = SOUND_CAPS_PRIMARY_STEREO |
                                                   SOUND_CAPS_PRIMARY_16BIT);
    ~FakeSoundDevice() override = default;

    PlatformResult set_cooperative_level(WindowHandle window, uint32_t level) override;
    PlatformResult get_caps(SoundCaps& caps) override;
    PlatformResult create_sound_buffer(const SoundBufferDesc& desc, SoundBuffer** buffer) override;

    FakeSoundFaults faults;
    uint32_t cooperative_level = 0;
    bool released = false;
    std::vector<std::shared_ptr<FakeSoundLog>> primary_logs;
    std::vector<std::shared_ptr<FakeSoundLog>> stream_logs;
    std::vector<FakeSoundBuffer*> stream_buffers;  // valid until released

  protected:
    void destroy() override;

  private:
    uint32_t primary_bytes_;
    bool real_time_;
    uint32_t caps_flags_;
};

// Installs a backend whose sound devices are FakeSoundDevices (kept alive by the backend)
// for the life of the object, and puts the previous backend back afterwards.
class FakeSoundBackend : public PlatformBackend {
  public:
    FakeSoundBackend();
    ~FakeSoundBackend() override;
    PlatformResult create_display(Display** display) override;
    PlatformResult create_sound(SoundDevice** device) override;

    bool create_fails = false;
    FakeSoundFaults device_faults;
    std::vector<FakeSoundDevice*> devices;

  private:
    PlatformBackend* previous_;
};
