#include "tests/audio/clock_rig.h"

#include "audio/media_clock.h"
#include "audio/sound_output.h"
#include "platform/kernel.h"

ClockRig::ClockRig(bool with_sound, uint32_t buffer_bytes, const FakeSoundFaults& faults)
    : device(buffer_bytes) {
    context.params = &params;
    context.sound.sample_rate = 22050;
    device.faults = faults;
    if (with_sound) {
        params.flags = PLAY_SOUND;
        params.sound = &device;
    }
    link_stages(context);
    if (with_sound) {
        sound_open(context.sound);
    }
    sound_stream_start(context.sound);
    if (!device.stream_buffers.empty()) {
        stream = device.stream_buffers.back();
    }
}

ClockRig::~ClockRig() {
    sound_stream_release(context.sound);
    sound_close(context.sound);
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
