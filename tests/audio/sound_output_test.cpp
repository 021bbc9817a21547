#include "audio/sound_output.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/soft/soft_backend.h"
#include "player/player_context.h"
#include "tests/audio/clock_rig.h"

namespace qx {

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

// A sound device the application created itself, on `backend`; the rig's target.
struct ApplicationDevice {
    ApplicationDevice(SoftBackend& backend, SoundRig& rig) {
        backend.create_sound(&device);
        rig.params.sound = device;
    }
    ~ApplicationDevice() { device->release(); }
    // A primary buffer the application created itself.
    SoundBuffer* create_primary() {
        SoundBuffer* primary = nullptr;
        SoundBufferDesc desc;
        desc.flags = SOUND_BUFFER_PRIMARY;
        device->create_sound_buffer(desc, &primary);
        return primary;
    }
    SoundDevice* device = nullptr;
};

const SoftBackendConfig SIXTEEN_KB_PRIMARY = sound_config(16384, false);

}  // namespace

TEST(SoundOutput, WithoutPlaySoundNothingIsOpenedAndTheMovieIsSilent) {
    ScopedSoftBackend backend(SIXTEEN_KB_PRIMARY);
    // A tripwire: a device creation would consume this one failure.
    backend.faults().sound_create = 1;
    SoundRig rig(0);
    EXPECT_EQ(sound_open(rig.context.sound), 0);
    EXPECT_EQ(backend.faults().sound_create, 1);
    EXPECT_EQ(rig.context.sound.primary_buffer_bytes, 0);
    EXPECT_EQ(sound_stream_start(rig.context.sound), 0);
    expect_silent(rig);
    EXPECT_EQ(sound_stream_release(rig.context.sound), 0);
    EXPECT_EQ(sound_close(rig.context.sound), 0);
}

TEST(SoundOutput, PlayerCreatesDeviceAndPrimaryAndReleasesBoth) {
    ScopedSoftBackend backend(SIXTEEN_KB_PRIMARY);
    SoundRig rig;
    EXPECT_EQ(sound_open(rig.context.sound), 0);
    const SoftCounters opened = backend.counters();
    ASSERT_EQ(opened.live_sound_devices, 1);
    EXPECT_EQ(opened.sound_cooperative_level, SOUND_COOPERATIVE_PRIORITY);
    // The soft device grants a primary only to a request without size or format.
    ASSERT_EQ(opened.live_sound_buffers, 1);
    ASSERT_TRUE(opened.primary_format_set);
    const WaveFormat& format = opened.primary_format;
    EXPECT_EQ(format.format_tag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.samples_per_sec, 22050u);
    EXPECT_EQ(format.bits_per_sample, 16);
    EXPECT_EQ(format.block_align, 4);
    EXPECT_EQ(format.avg_bytes_per_sec, 88200u);
    EXPECT_EQ(rig.context.sound.primary_buffer_bytes, 16384);
    EXPECT_EQ(rig.context.sound.owns_sound, 1);
    EXPECT_EQ(rig.context.sound.owns_primary_buffer, 1);
    sound_close(rig.context.sound);
    EXPECT_EQ(backend.counters().live_sound_devices, 0);
    EXPECT_EQ(backend.counters().live_sound_buffers, 0);
    EXPECT_EQ(rig.params.sound, nullptr);
    EXPECT_EQ(rig.params.primary_sound_buffer, nullptr);
}

TEST(SoundOutput, DeviceWithoutStereoOr16BitGetsAMono8BitPrimary) {
    SoftBackendConfig config = SIXTEEN_KB_PRIMARY;
    config.sound_caps_flags = 0;
    SoftBackend backend(config);
    SoundRig rig;
    ApplicationDevice application(backend, rig);
    sound_open(rig.context.sound);
    const WaveFormat primary = backend.counters().primary_format;
    EXPECT_EQ(primary.channels, 1);
    EXPECT_EQ(primary.bits_per_sample, 8);
    EXPECT_EQ(primary.block_align, 1);
    EXPECT_EQ(primary.avg_bytes_per_sec, 22050u);
    // The stream buffer is 16-bit stereo all the same.
    rig.context.sound.sample_rate = 11025;
    sound_stream_start(rig.context.sound);
    ASSERT_EQ(backend.sound_buffers().size(), 1u);
    EXPECT_EQ(backend.sound_buffers()[0].format.channels, 2);
    EXPECT_EQ(backend.sound_buffers()[0].format.bits_per_sample, 16);
    sound_stream_release(rig.context.sound);
    sound_close(rig.context.sound);
}

TEST(SoundOutput, ApplicationDeviceIsKeptAndOnlyThePrimaryReleased) {
    SoftBackend backend(SIXTEEN_KB_PRIMARY);
    SoundRig rig;
    ApplicationDevice application(backend, rig);
    sound_open(rig.context.sound);
    EXPECT_EQ(rig.context.sound.owns_sound, 0);
    EXPECT_EQ(rig.context.sound.owns_primary_buffer, 1);
    EXPECT_EQ(backend.counters().live_sound_buffers, 1);
    sound_close(rig.context.sound);
    EXPECT_EQ(backend.counters().live_sound_devices, 1);
    EXPECT_EQ(rig.params.sound, application.device);
    EXPECT_EQ(backend.counters().live_sound_buffers, 0);
}

TEST(SoundOutput, ApplicationPrimaryOnlyHasItsSizeRead) {
    SoftBackend backend(SIXTEEN_KB_PRIMARY);
    SoundRig rig;
    ApplicationDevice application(backend, rig);
    SoundBuffer* primary = application.create_primary();
    ASSERT_NE(primary, nullptr);
    rig.params.primary_sound_buffer = primary;
    EXPECT_EQ(sound_open(rig.context.sound), 0);
    EXPECT_EQ(rig.context.sound.primary_buffer_bytes, 16384);
    EXPECT_FALSE(backend.counters().primary_format_set);
    sound_close(rig.context.sound);
    EXPECT_EQ(backend.counters().live_sound_buffers, 1);
    EXPECT_EQ(rig.params.primary_sound_buffer, primary);
    primary->release();
}

TEST(SoundOutput, OpenFailuresLeadToSilentMode) {
    struct Case {
        const char* what;
        SoftFault SoftFaults::*fault;
        int32_t result;
    };
    const Case cases[] = {
        {"device creation fails", &SoftFaults::sound_create, 0},
        {"cooperative level refused", &SoftFaults::sound_cooperative_level, 0},
        {"primary buffer cannot be created", &SoftFaults::primary_buffer_create, 0},
        {"primary format refused", &SoftFaults::primary_set_format, 1},
    };
    for (const Case& c : cases) {
        ScopedSoftBackend backend(SIXTEEN_KB_PRIMARY);
        backend.faults().*c.fault = SOFT_FAULT_ALWAYS;
        SoundRig rig;
        EXPECT_EQ(sound_open(rig.context.sound), c.result) << c.what;
        EXPECT_EQ(rig.params.primary_sound_buffer, nullptr) << c.what;
        sound_stream_start(rig.context.sound);
        expect_silent(rig);
        sound_close(rig.context.sound);
        EXPECT_EQ(backend.counters().live_sound_devices, 0) << c.what;
        EXPECT_EQ(backend.counters().live_sound_buffers, 0) << c.what;
    }
}

TEST(SoundOutput, StreamBufferIs16BitStereoAtTheMovieRate) {
    SoftBackend backend(sound_config(65536, false));
    SoundRig rig;
    ApplicationDevice application(backend, rig);
    rig.context.sound.sample_rate = 44100;
    sound_open(rig.context.sound);
    EXPECT_EQ(sound_stream_start(rig.context.sound), 0);
    ASSERT_EQ(backend.sound_buffers().size(), 1u);
    const SoftSoundBufferRecord stream = backend.sound_buffers()[0];
    EXPECT_EQ(stream.flags, 0x100E0u);
    EXPECT_EQ(stream.buffer_bytes, 65536u);
    EXPECT_EQ(stream.format.format_tag, WAVE_FORMAT_PCM);
    EXPECT_EQ(stream.format.channels, 2);
    EXPECT_EQ(stream.format.samples_per_sec, 44100u);
    EXPECT_EQ(stream.format.avg_bytes_per_sec, 176400u);
    EXPECT_EQ(stream.format.block_align, 4);
    EXPECT_EQ(stream.format.bits_per_sample, 16);
    EXPECT_EQ(stream.frequency, 44100u);
    EXPECT_TRUE(stream.playing);
    EXPECT_EQ(rig.params.stream_buffer, stream.buffer);
    EXPECT_EQ(rig.context.sound.stream_bytes, 65536);
    EXPECT_EQ(rig.context.sound.silent, 0);
    EXPECT_EQ(rig.context.sound.sound_started, 1);
    sound_stream_release(rig.context.sound);
    EXPECT_FALSE(backend.sound_buffers()[0].alive);
    EXPECT_EQ(rig.params.stream_buffer, nullptr);
    EXPECT_EQ(sound_stream_release(rig.context.sound), 0);
    sound_close(rig.context.sound);
}

TEST(SoundOutput, StreamFailuresReleaseTheBufferAndGoSilent) {
    for (SoftFault SoftFaults::*fault : {&SoftFaults::secondary_buffer_create,
                                         &SoftFaults::secondary_get_caps, &SoftFaults::play}) {
        SoftBackend backend(SIXTEEN_KB_PRIMARY);
        SoundRig rig;
        ApplicationDevice application(backend, rig);
        sound_open(rig.context.sound);
        backend.faults().*fault = SOFT_FAULT_ALWAYS;
        sound_stream_start(rig.context.sound);
        expect_silent(rig);
        for (const SoftSoundBufferRecord& stream : backend.sound_buffers()) {
            EXPECT_FALSE(stream.alive);
        }
        sound_close(rig.context.sound);
    }
}

TEST(SoundOutput, SampleRateOfZeroOrBelowPlaysSilent) {
    for (const int32_t rate : {0, -21436}) {
        SoftBackend backend(SIXTEEN_KB_PRIMARY);
        SoundRig rig;
        ApplicationDevice application(backend, rig);
        rig.context.sound.sample_rate = rate;
        sound_open(rig.context.sound);
        sound_stream_start(rig.context.sound);
        expect_silent(rig);
        EXPECT_TRUE(backend.sound_buffers().empty());
        sound_close(rig.context.sound);
    }
}

TEST(SoundOutput, ApplicationObjectsWithoutPlaySoundAskForAnEmptyBuffer) {
    SoftBackend backend(SIXTEEN_KB_PRIMARY);
    SoundRig rig(0);
    ApplicationDevice application(backend, rig);
    SoundBuffer* primary = application.create_primary();
    ASSERT_NE(primary, nullptr);
    rig.params.primary_sound_buffer = primary;
    sound_open(rig.context.sound);
    sound_stream_start(rig.context.sound);
    expect_silent(rig);
    primary->release();
}

}  // namespace qx
