#include "platform/sdl/sdl_stream_buffer.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/platform_clock.h"
#include "platform/sdl/sdl_primary_buffer.h"

namespace qx {

namespace {

// Sample frames SDL asks for at a time: a power of two of 40 to 80 ms of sound. Sound servers
// keep about one request queued, and less than 40 ms runs dry whenever the server or our
// callback thread is scheduled late, which is heard as a click and a skip.
Uint16 device_frames(uint32_t samples_per_sec) {
    return static_cast<Uint16>(
        std::clamp<uint32_t>(std::bit_ceil(samples_per_sec / 25), 256, 4096));
}

}  // namespace

SdlStreamBuffer* SdlStreamBuffer::create(const SoundBufferDesc& desc,
                                         std::shared_ptr<SoundMix> mix) {
    auto* buffer = new SdlStreamBuffer(desc, mix);
    if (!buffer->open_device(desc.format->samples_per_sec)) {
        mix->unavailable.store(true, std::memory_order_relaxed);
        buffer->release();
        return nullptr;
    }
    return buffer;
}

SdlStreamBuffer::SdlStreamBuffer(const SoundBufferDesc& desc, std::shared_ptr<SoundMix> mix)
    : flags_(desc.flags),
      format_(*desc.format),
      memory_(desc.buffer_bytes, format_.bits_per_sample == 8 ? 0x80 : 0),
      mix_(std::move(mix)),
      cursor_(desc.buffer_bytes, format_.samples_per_sec * format_.block_align) {}

SdlStreamBuffer::~SdlStreamBuffer() {
    close_device();
}

bool SdlStreamBuffer::open_device(uint32_t samples_per_sec) {
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(samples_per_sec);
    wanted.format = device_format();
    wanted.channels = static_cast<Uint8>(format_.channels);
    wanted.samples = device_frames(samples_per_sec);
    wanted.callback = play_callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device_ == 0) {
        return false;
    }
    // The callback runs from now on and plays silence until the buffer is played.
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void SdlStreamBuffer::close_device() {
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);
        device_ = 0;
    }
}

void SDLCALL SdlStreamBuffer::play_callback(void* buffer, Uint8* stream, int length) {
    static_cast<SdlStreamBuffer*>(buffer)->fill(stream, static_cast<uint32_t>(length));
}

void SdlStreamBuffer::fill(Uint8* stream, uint32_t length) {
    // SDL goes on calling back at the device's pace once the device is lost, while the cursor
    // already runs on by itself: moving it here too would play the movie twice as fast.
    if (SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) {
        std::memset(stream, silence(), length);
        return;
    }
    memory_gate_.acquire();
    const int64_t now = platform_clock_now_us();
    if (!cursor_.playing()) {
        memory_gate_.release();
        std::memset(stream, silence(), length);
        return;
    }
    const uint32_t size = static_cast<uint32_t>(memory_.size());
    const bool muted = mix_->muted.load(std::memory_order_relaxed);
    const int32_t volume = mix_->volume.load(std::memory_order_relaxed);
    uint32_t position = cursor_.device_position(now);
    uint32_t done = 0;
    while (done < length) {
        const uint32_t run = std::min(length - done, size - position);
        if (!muted && volume == 100) {
            std::memcpy(stream + done, memory_.data() + position, run);
        } else {
            std::memset(stream + done, silence(), run);
            if (!muted) {
                SDL_MixAudioFormat(stream + done, memory_.data() + position, device_format(), run,
                                   volume * SDL_MIX_MAXVOLUME / 100);
            }
        }
        cursor_.device_played(run, now);
        done += run;
        position = (position + run) % size;
        if (!cursor_.playing()) {
            break;
        }
    }
    memory_gate_.release();
    std::memset(stream + done, silence(), length - done);
}

PlatformResult SdlStreamBuffer::get_caps(SoundBufferCaps& caps) {
    caps.flags = flags_;
    caps.buffer_bytes = static_cast<uint32_t>(memory_.size());
    caps.unlock_transfer_rate = 0;
    caps.play_cpu_overhead = 0;
    return PLATFORM_OK;
}

// Only the primary buffer takes a format.
PlatformResult SdlStreamBuffer::set_format(const WaveFormat&) {
    return PLATFORM_FAILED;
}

PlatformResult SdlStreamBuffer::set_frequency(uint32_t samples_per_sec) {
    WaveFormat changed = format_;
    changed.samples_per_sec = samples_per_sec;
    changed.avg_bytes_per_sec = samples_per_sec * format_.block_align;
    if (!wave_format_playable(changed)) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    if (samples_per_sec == format_.samples_per_sec) {
        return PLATFORM_OK;
    }
    // SDL plays one rate per device: reopen it, keeping the cursor where it is.
    close_device();
    format_ = changed;
    cursor_.set_rate(changed.avg_bytes_per_sec, platform_clock_now_us());
    return open_device(samples_per_sec) ? PLATFORM_OK : PLATFORM_FAILED;
}

PlatformResult SdlStreamBuffer::play(uint32_t, uint32_t, uint32_t flags) {
    if (device_ == 0) {
        return PLATFORM_FAILED;
    }
    cursor_.start((flags & SOUND_PLAY_LOOPING) != 0, platform_clock_now_us());
    return PLATFORM_OK;
}

PlatformResult SdlStreamBuffer::stop() {
    cursor_.stop(platform_clock_now_us());
    return PLATFORM_OK;
}

PlatformResult SdlStreamBuffer::get_current_position(uint32_t* play_cursor,
                                                     uint32_t* write_cursor) {
    const bool alive = device_ != 0 && SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_STOPPED;
    const uint32_t position = cursor_.position(platform_clock_now_us(), alive);
    if (play_cursor) {
        *play_cursor = position;
    }
    if (write_cursor) {
        // The device has taken up to one request beyond the play cursor.
        const uint32_t ahead =
            uint32_t{device_frames(format_.samples_per_sec)} * format_.block_align;
        *write_cursor = static_cast<uint32_t>((uint64_t{position} + ahead) % memory_.size());
    }
    return PLATFORM_OK;
}

PlatformResult SdlStreamBuffer::lock(uint32_t offset, uint32_t bytes, void** first,
                                     uint32_t* first_bytes, void** second, uint32_t* second_bytes,
                                     uint32_t) {
    const uint32_t size = static_cast<uint32_t>(memory_.size());
    if (!first || !first_bytes || offset >= size || bytes == 0 || bytes > size) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    if (locked_.exchange(true, std::memory_order_acquire)) {
        return PLATFORM_FAILED;
    }
    memory_gate_.acquire();
    const uint32_t head = std::min(bytes, size - offset);
    *first = memory_.data() + offset;
    *first_bytes = head;
    if (second) {
        *second = head < bytes ? memory_.data() : nullptr;
    }
    if (second_bytes) {
        *second_bytes = bytes - head;
    }
    return PLATFORM_OK;
}

PlatformResult SdlStreamBuffer::unlock(void*, uint32_t, void*, uint32_t) {
    if (!locked_.load(std::memory_order_acquire)) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    memory_gate_.release();
    locked_.store(false, std::memory_order_release);
    return PLATFORM_OK;
}

}  // namespace qx
