#include "tests/audio/clock_rig.h"

#include <algorithm>

#include "audio/media_clock.h"
#include "audio/sound_output.h"
#include "platform/kernel.h"

namespace qx {

SoftBackendConfig sound_config(uint32_t primary_bytes, bool cursor_follows_clock) {
    SoftBackendConfig config;
    config.primary_buffer_bytes = primary_bytes;
    config.cursor_follows_clock = cursor_follows_clock;
    return config;
}

ClockRig::ClockRig(bool with_sound, uint32_t buffer_bytes)
    : backend(sound_config(buffer_bytes, false)) {
    context.params = &params;
    context.sound.sample_rate = 22050;
    backend.create_sound(&device);
    if (with_sound) {
        params.flags = PLAY_SOUND;
        params.sound = device;
    }
    link_stages(context);
    if (with_sound) {
        sound_open(context.sound);
    }
    sound_stream_start(context.sound);
}

ClockRig::~ClockRig() {
    sound_stream_release(context.sound);
    sound_close(context.sound);
    device->release();
}

namespace {

// Runs `use` over the whole stream buffer's memory, locked.
template <typename Use>
void with_stream_memory(SoundBuffer& buffer, uint32_t size, Use use) {
    void* first = nullptr;
    void* second = nullptr;
    uint32_t first_bytes = 0;
    uint32_t second_bytes = 0;
    if (buffer.lock(0, size, &first, &first_bytes, &second, &second_bytes, 0) == PLATFORM_OK) {
        use(static_cast<uint8_t*>(first));
        buffer.unlock(first, first_bytes, second, second_bytes);
    }
}

}  // namespace

std::vector<uint8_t> ClockRig::stream_bytes(uint32_t from, uint32_t count) {
    std::vector<uint8_t> bytes;
    with_stream_memory(*params.stream_buffer, stream().buffer_bytes, [&](const uint8_t* memory) {
        bytes.assign(memory + from, memory + from + count);
    });
    return bytes;
}

void ClockRig::fill_stream(uint8_t value) {
    const uint32_t size = stream().buffer_bytes;
    with_stream_memory(*params.stream_buffer, size,
                       [&](uint8_t* memory) { std::fill(memory, memory + size, value); });
}

void ClockRig::queue(int32_t bytes, int32_t stamp, uint8_t first) {
    auto block = std::make_unique<std::vector<uint8_t>>(static_cast<size_t>(bytes));
    for (size_t i = 0; i < block->size(); ++i) {
        (*block)[i] = static_cast<uint8_t>(first + i);
    }
    AudioBlockSlot& slot = ring_back(context.reader.audio_ring);
    slot.data = block->data();
    slot.bytes = bytes;
    slot.video_stamp = stamp;
    ring_push(context.reader.audio_ring, slot.data, static_cast<uint32_t>(bytes));
    blocks.push_back(std::move(block));
}

void ClockRig::tick() {
    clock_tick(0, 0, reinterpret_cast<uintptr_t>(&context.sound), 0, 0);
}

}  // namespace qx
