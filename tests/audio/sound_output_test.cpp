#include "audio/sound_output.h"

#include <gtest/gtest.h>

#include <memory>

#include "player/player_context.h"
#include "tests/audio/fake_sound.h"

namespace {

struct SoundRig {
    explicit SoundRig(uint32_t flags = PLAY_SOUND) {
        params.flags = flags;
        context.params = &params;
        context.sound.sample_rate = 22050;
        link_stages(context);
    }
    PlayParams params{};
    std::unique_ptr<PlayerContext> owned = std::make_unique<PlayerContext>();
    PlayerContext& context = *owned;
};

void expect_silent(SoundRig& rig) {
    EXPECT_EQ(rig.params.stream_buffer, nullptr);
    EXPECT_EQ(rig.context.sound.silent, 1);
    EXPECT_EQ(rig.context.sound.stream_bytes, SILENT_STREAM_BYTES);
    EXPECT_EQ(rig.context.sound.silent_play_pos, 0);
    EXPECT_EQ(rig.context.sound.stream_write, 0);
    EXPECT_EQ(rig.context.sound.sound_started, 1);
}

// A primary buffer the application created itself.
SoundBuffer* application_primary(FakeSoundDevice& device) {
    SoundBuffer* primary = nullptr;
    SoundBufferDesc desc;
    desc.flags = SOUND_BUFFER_PRIMARY;
    device.create_sound_buffer(desc, &primary);
    return primary;
}

}  // namespace

TEST(SoundOutput, WithoutPlaySoundNothingIsOpenedAndTheMovieIsSilent) {
    FakeSoundBackend backend;
    SoundRig rig(0);
    EXPECT_EQ(sound_open(rig.context.sound), 0);
    EXPECT_TRUE(backend.devices.empty());
    EXPECT_EQ(rig.context.sound.primary_buffer_bytes, 0);
    EXPECT_EQ(sound_stream_start(rig.context.sound), 0);
    expect_silent(rig);
    EXPECT_EQ(sound_stream_release(rig.context.sound), 0);
    EXPECT_EQ(sound_close(rig.context.sound), 0);
}

TEST(SoundOutput, PlayerCreatesDeviceAndPrimaryAndReleasesBoth) {
    FakeSoundBackend backend;
    SoundRig rig;
    EXPECT_EQ(sound_open(rig.context.sound), 0);
    ASSERT_EQ(backend.devices.size(), 1u);
    FakeSoundDevice& device = *backend.devices[0];
    EXPECT_EQ(device.cooperative_level, SOUND_COOPERATIVE_PRIORITY);
    ASSERT_EQ(device.primary_logs.size(), 1u);
    const FakeSoundLog& primary = *device.primary_logs[0];
    EXPECT_EQ(primary.desc.flags, SOUND_BUFFER_PRIMARY);
    EXPECT_EQ(primary.desc.buffer_bytes, 0u);
    ASSERT_TRUE(primary.format_set);
    EXPECT_EQ(primary.format.format_tag, WAVE_FORMAT_PCM);
    EXPECT_EQ(primary.format.channels, 2);
    EXPECT_EQ(primary.format.samples_per_sec, 22050u);
    EXPECT_EQ(primary.format.bits_per_sample, 16);
    EXPECT_EQ(primary.format.block_align, 4);
    EXPECT_EQ(primary.format.avg_bytes_per_sec, 88200u);
    EXPECT_EQ(rig.context.sound.primary_buffer_bytes, 16384);
    EXPECT_EQ(rig.context.sound.owns_sound, 1);
    EXPECT_EQ(rig.context.sound.owns_primary_buffer, 1);
    sound_close(rig.context.sound);
    EXPECT_TRUE(device.released);
    EXPECT_TRUE(primary.released);
    EXPECT_EQ(rig.params.sound, nullptr);
    EXPECT_EQ(rig.params.primary_sound_buffer, nullptr);
}

TEST(SoundOutput, DeviceWithoutStereoOr16BitGetsAMono8BitPrimary) {
    FakeSoundDevice device(16384, false, 0);
    SoundRig rig;
    rig.params.sound = &device;
    sound_open(rig.context.sound);
    const FakeSoundLog& primary = *device.primary_logs[0];
    EXPECT_EQ(primary.format.channels, 1);
    EXPECT_EQ(primary.format.bits_per_sample, 8);
    EXPECT_EQ(primary.format.block_align, 1);
    EXPECT_EQ(primary.format.avg_bytes_per_sec, 22050u);
    // The stream buffer is 16-bit stereo all the same.
    rig.context.sound.sample_rate = 11025;
    sound_stream_start(rig.context.sound);
    EXPECT_EQ(device.stream_logs[0]->format.channels, 2);
    EXPECT_EQ(device.stream_logs[0]->format.bits_per_sample, 16);
    sound_stream_release(rig.context.sound);
    sound_close(rig.context.sound);
}

TEST(SoundOutput, ApplicationDeviceIsKeptAndOnlyThePrimaryReleased) {
    FakeSoundDevice device;
    SoundRig rig;
    rig.params.sound = &device;
    sound_open(rig.context.sound);
    EXPECT_EQ(rig.context.sound.owns_sound, 0);
    EXPECT_EQ(rig.context.sound.owns_primary_buffer, 1);
    sound_close(rig.context.sound);
    EXPECT_FALSE(device.released);
    EXPECT_EQ(rig.params.sound, &device);
    EXPECT_TRUE(device.primary_logs[0]->released);
}

TEST(SoundOutput, ApplicationPrimaryOnlyHasItsSizeRead) {
    FakeSoundDevice device(16384);
    SoundBuffer* primary = application_primary(device);
    ASSERT_NE(primary, nullptr);
    SoundRig rig;
    rig.params.sound = &device;
    rig.params.primary_sound_buffer = primary;
    EXPECT_EQ(sound_open(rig.context.sound), 0);
    EXPECT_EQ(rig.context.sound.primary_buffer_bytes, 16384);
    EXPECT_FALSE(device.primary_logs[0]->format_set);
    sound_close(rig.context.sound);
    EXPECT_FALSE(device.primary_logs[0]->released);
    EXPECT_EQ(rig.params.primary_sound_buffer, primary);
    primary->release();
}

TEST(SoundOutput, OpenFailuresLeadToSilentMode) {
    struct Case {
        const char* what;
        bool create_fails;
        FakeSoundFaults faults;
        int32_t result;
    };
    FakeSoundFaults cooperative;
    cooperative.cooperative_level_fails = true;
    FakeSoundFaults primary;
    primary.create_primary_fails = true;
    FakeSoundFaults format;
    format.set_format_fails = true;
    const Case cases[] = {
        {"device creation fails", true, {}, 0},
        {"cooperative level refused", false, cooperative, 0},
        {"primary buffer cannot be created", false, primary, 0},
        {"primary format refused", false, format, 1},
    };
    for (const Case& c : cases) {
        FakeSoundBackend backend;
        backend.create_fails = c.create_fails;
        backend.device_faults = c.faults;
        SoundRig rig;
        EXPECT_EQ(sound_open(rig.context.sound), c.result) << c.what;
        EXPECT_EQ(rig.params.primary_sound_buffer, nullptr) << c.what;
        sound_stream_start(rig.context.sound);
        expect_silent(rig);
        sound_close(rig.context.sound);
        for (FakeSoundDevice* device : backend.devices) {
            EXPECT_TRUE(device->released) << c.what;
            for (const auto& log : device->primary_logs) {
                EXPECT_TRUE(log->released) << c.what;
            }
        }
    }
}

TEST(SoundOutput, StreamBufferIs16BitStereoAtTheMovieRate) {
    FakeSoundDevice device(65536);
    SoundRig rig;
    rig.params.sound = &device;
    rig.context.sound.sample_rate = 44100;
    sound_open(rig.context.sound);
    EXPECT_EQ(sound_stream_start(rig.context.sound), 0);
    ASSERT_EQ(device.stream_logs.size(), 1u);
    const FakeSoundLog& stream = *device.stream_logs[0];
    EXPECT_EQ(stream.desc.flags, 0x100E0u);
    EXPECT_EQ(stream.desc.buffer_bytes, 65536u);
    EXPECT_EQ(stream.format.format_tag, WAVE_FORMAT_PCM);
    EXPECT_EQ(stream.format.channels, 2);
    EXPECT_EQ(stream.format.samples_per_sec, 44100u);
    EXPECT_EQ(stream.format.avg_bytes_per_sec, 176400u);
    EXPECT_EQ(stream.format.block_align, 4);
    EXPECT_EQ(stream.format.bits_per_sample, 16);
    EXPECT_EQ(stream.frequency, 44100u);
    EXPECT_TRUE(stream.playing);
    EXPECT_EQ(rig.params.stream_buffer, device.stream_buffers[0]);
    EXPECT_EQ(rig.context.sound.stream_bytes, 65536);
    EXPECT_EQ(rig.context.sound.silent, 0);
    EXPECT_EQ(rig.context.sound.sound_started, 1);
    sound_stream_release(rig.context.sound);
    EXPECT_TRUE(stream.released);
    EXPECT_EQ(rig.params.stream_buffer, nullptr);
    EXPECT_EQ(sound_stream_release(rig.context.sound), 0);
    sound_close(rig.context.sound);
}

TEST(SoundOutput, StreamFailuresReleaseTheBufferAndGoSilent) {
    FakeSoundFaults create;
    create.create_stream_fails = true;
    FakeSoundFaults caps;
    caps.caps_fail = true;
    FakeSoundFaults play;
    play.play_fails = true;
    for (const FakeSoundFaults& faults : {create, caps, play}) {
        FakeSoundDevice device;
        SoundRig rig;
        rig.params.sound = &device;
        sound_open(rig.context.sound);
        device.faults = faults;
        sound_stream_start(rig.context.sound);
        expect_silent(rig);
        for (const auto& log : device.stream_logs) {
            EXPECT_TRUE(log->released);
        }
        sound_close(rig.context.sound);
    }
}

TEST(SoundOutput, SampleRateOfZeroOrBelowPlaysSilent) {
    for (const int32_t rate : {0, -21436}) {
        FakeSoundDevice device;
        SoundRig rig;
        rig.params.sound = &device;
        rig.context.sound.sample_rate = rate;
        sound_open(rig.context.sound);
        sound_stream_start(rig.context.sound);
        expect_silent(rig);
        EXPECT_TRUE(device.stream_logs.empty());
        sound_close(rig.context.sound);
    }
}

TEST(SoundOutput, ApplicationObjectsWithoutPlaySoundAskForAnEmptyBuffer) {
    FakeSoundDevice device;
    SoundBuffer* primary = application_primary(device);
    ASSERT_NE(primary, nullptr);
    SoundRig rig(0);
    rig.params.sound = &device;
    rig.params.primary_sound_buffer = primary;
    sound_open(rig.context.sound);
    sound_stream_start(rig.context.sound);
    expect_silent(rig);
    primary->release();
}
