#include "tests/audio/fake_sound.h"

#include <algorithm>

#include "platform/platform_clock.h"

FakeSoundBuffer::FakeSoundBuffer(uint32_t bytes, uint32_t byte_rate, const FakeSoundFaults& faults,
                                 std::shared_ptr<FakeSoundLog> log)
    : memory_(bytes, 0), byte_rate_(byte_rate), faults_(faults), log_(std::move(log)) {}

void FakeSoundBuffer::destroy() {
    {
        std::lock_guard lock(log_->mutex);
        advance();
        log_->released = true;
    }
    delete this;
}

void FakeSoundBuffer::advance() {
    if (byte_rate_ == 0 || !log_->playing || memory_.empty()) {
        return;
    }
    const int64_t now = platform_clock_now_us();
    const int64_t played = played_us_ + (now - resumed_at_us_);
    const uint64_t target = static_cast<uint64_t>(played) * byte_rate_ / 1000000 & ~uint64_t{3};
    for (; passed_ < target; ++passed_) {
        log_->heard.push_back(memory_[log_->cursor]);
        log_->cursor = (log_->cursor + 1) % static_cast<uint32_t>(memory_.size());
    }
}

PlatformResult FakeSoundBuffer::get_caps(SoundBufferCaps& caps) {
    if (faults_.caps_fail) {
        return PLATFORM_FAILED;
    }
    caps.buffer_bytes = static_cast<uint32_t>(memory_.size());
    return PLATFORM_OK;
}

PlatformResult FakeSoundBuffer::set_format(const WaveFormat& format) {
    if (faults_.set_format_fails) {
        return PLATFORM_FAILED;
    }
    std::lock_guard lock(log_->mutex);
    log_->format = format;
    log_->format_set = true;
    return PLATFORM_OK;
}

PlatformResult FakeSoundBuffer::set_frequency(uint32_t samples_per_sec) {
    std::lock_guard lock(log_->mutex);
    log_->frequency = samples_per_sec;
    return PLATFORM_OK;
}

PlatformResult FakeSoundBuffer::play(uint32_t, uint32_t, uint32_t) {
    if (faults_.play_fails) {
        return PLATFORM_FAILED;
    }
    std::lock_guard lock(log_->mutex);
    ++log_->play_calls;
    if (!log_->playing) {
        log_->playing = true;
        resumed_at_us_ = platform_clock_now_us();
    }
    return PLATFORM_OK;
}

PlatformResult FakeSoundBuffer::stop() {
    std::lock_guard lock(log_->mutex);
    ++log_->stop_calls;
    advance();
    if (log_->playing) {
        played_us_ += platform_clock_now_us() - resumed_at_us_;
        log_->playing = false;
    }
    return PLATFORM_OK;
}

PlatformResult FakeSoundBuffer::get_current_position(uint32_t* play_cursor,
                                                     uint32_t* write_cursor) {
    if (faults_.position_fails) {
        return PLATFORM_FAILED;
    }
    std::lock_guard lock(log_->mutex);
    advance();
    *play_cursor = log_->cursor;
    *write_cursor = log_->cursor;
    return PLATFORM_OK;
}

PlatformResult FakeSoundBuffer::lock(uint32_t offset, uint32_t bytes, void** first,
                                     uint32_t* first_bytes, void** second, uint32_t* second_bytes,
                                     uint32_t) {
    const auto size = static_cast<uint32_t>(memory_.size());
    if (faults_.lock_fails || offset >= size || bytes > size || bytes == 0) {
        return PLATFORM_FAILED;
    }
    std::lock_guard lock(log_->mutex);
    advance();
    log_->locks.emplace_back(offset, bytes);
    const uint32_t to_end = std::min(bytes, size - offset);
    *first = memory_.data() + offset;
    *first_bytes = to_end;
    *second = bytes > to_end ? memory_.data() : nullptr;
    *second_bytes = bytes - to_end;
    return PLATFORM_OK;
}

PlatformResult FakeSoundBuffer::unlock(void* first, uint32_t first_bytes, void* second,
                                       uint32_t second_bytes) {
    std::lock_guard lock(log_->mutex);
    const auto* one = static_cast<const uint8_t*>(first);
    const auto* two = static_cast<const uint8_t*>(second);
    log_->written.insert(log_->written.end(), one, one + first_bytes);
    if (two != nullptr) {
        log_->written.insert(log_->written.end(), two, two + second_bytes);
    }
    return PLATFORM_OK;
}

void FakeSoundBuffer::set_cursor(uint32_t cursor) {
    std::lock_guard lock(log_->mutex);
    log_->cursor = cursor;
}

FakeSoundDevice::FakeSoundDevice(uint32_t primary_bytes, bool real_time, uint32_t caps_flags)
    : primary_bytes_(primary_bytes), real_time_(real_time), caps_flags_(caps_flags) {}

void FakeSoundDevice::destroy() {
    released = true;
}

PlatformResult FakeSoundDevice::set_cooperative_level(WindowHandle, uint32_t level) {
    if (faults.cooperative_level_fails) {
        return PLATFORM_FAILED;
    }
    cooperative_level = level;
    return PLATFORM_OK;
}

PlatformResult FakeSoundDevice::get_caps(SoundCaps& caps) {
    if (faults.device_caps_fail) {
        return PLATFORM_FAILED;
    }
    caps.flags = caps_flags_;
    return PLATFORM_OK;
}

PlatformResult FakeSoundDevice::create_sound_buffer(const SoundBufferDesc& desc,
                                                    SoundBuffer** buffer) {
    *buffer = nullptr;
    auto log = std::make_shared<FakeSoundLog>();
    log->desc = desc;
    if (desc.flags & SOUND_BUFFER_PRIMARY) {
        if (faults.create_primary_fails) {
            return PLATFORM_FAILED;
        }
        primary_logs.push_back(log);
        *buffer = new FakeSoundBuffer(primary_bytes_, 0, faults, log);
        return PLATFORM_OK;
    }
    if (faults.create_stream_fails || desc.format == nullptr || desc.buffer_bytes == 0) {
        return PLATFORM_FAILED;
    }
    log->format = *desc.format;
    stream_logs.push_back(log);
    const uint32_t rate = real_time_ ? desc.format->avg_bytes_per_sec : 0;
    auto* stream = new FakeSoundBuffer(desc.buffer_bytes, rate, faults, log);
    stream_buffers.push_back(stream);
    *buffer = stream;
    return PLATFORM_OK;
}

FakeSoundBackend::FakeSoundBackend() : previous_(platform_installed_backend()) {
    platform_install_backend(this);
}

FakeSoundBackend::~FakeSoundBackend() {
    platform_install_backend(previous_);
    for (FakeSoundDevice* device : devices) {
        delete device;
    }
}

PlatformResult FakeSoundBackend::create_display(Display**) {
    return PLATFORM_FAILED;
}

PlatformResult FakeSoundBackend::create_sound(SoundDevice** device) {
    if (create_fails) {
        return PLATFORM_FAILED;
    }
    auto* fake = new FakeSoundDevice();
    fake->faults = device_faults;
    devices.push_back(fake);
    *device = fake;
    return PLATFORM_OK;
}
