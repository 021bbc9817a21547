// Whole movies through the player, the soft display and the soft sound device: what a viewer
// would see and hear.
#include <gtest/gtest.h>

#include "base/memory.h"
#include "platform/kernel.h"
#include "platform/platform_clock.h"
#include "platform/soft/soft_backend.h"
#include "player/player.h"
#include "tests/end_to_end/test_movie.h"
#include "tests/support/temp_movie.h"

namespace qx {

namespace {

TEST(EndToEndPlayback, AMovieWithSoundIsShownPacedAndHeardAndEverythingIsReleased) {
    const TestMovie movie = make_movie();
    TempMovie file(movie.writer);
    ScopedClockScale faster(4.0);
    ScopedSoftBackend backend;
    Display* display = nullptr;
    ASSERT_EQ(display_create(&display), PLATFORM_OK);
    SurfaceDesc primary_desc;
    primary_desc.flags = SURFACE_DESC_CAPS;
    primary_desc.caps = SURFACE_PRIMARY;
    DisplaySurface* primary = nullptr;
    ASSERT_EQ(display->create_surface(primary_desc, &primary), PLATFORM_OK);
    const int64_t blocks_before = memory_counters().live_blocks;

    PlayParams params{};
    params.flags = PLAY_THREAD | PLAY_SOUND | PLAY_CENTRE_X | PLAY_CENTRE_Y;
    params.display = display;
    params.primary_surface = primary;
    params.brightness = 100;
    ASSERT_EQ(player_start(file.path().c_str(), nullptr, params), &params);
    while (interlocked_load(params.status) != PLAYER_CLOSED) {
        sleep_ms(5);
    }
    EXPECT_EQ(params.frames_shown, FRAMES);
    EXPECT_EQ(params.has_audio, 1);
    // Paced against the sound, the pictures cannot come faster than the movie's length
    // (less the five frames the picture is held behind the clock).
    EXPECT_GE(params.elapsed_ms, 1000 * (FRAMES - 6) / FPS);

    const SoftCounters counters = backend.counters();
    EXPECT_EQ(counters.live_sound_buffers, 0) << "stream and primary buffers released";
    EXPECT_EQ(counters.live_sound_devices, 0);
    EXPECT_EQ(counters.live_surfaces, 1) << "only the application's primary surface is left";
    EXPECT_EQ(memory_counters().live_blocks, blocks_before);
    EXPECT_GT(counters.blts, 0);

    // The buffer is released only once its last blocks have played out.
    const std::vector<uint8_t> heard = backend.heard(0);
    const size_t decoded_bytes = movie.decoded.size() * 2;
    EXPECT_EQ(heard_run(heard, movie.decoded), decoded_bytes)
        << "heard " << heard.size() << " of " << decoded_bytes << " decoded bytes";

    // The centred 64 x 48 picture is on the primary surface; the rest stayed black.
    const auto image = backend.surface_image(primary);
    EXPECT_NE(image.pixel(320, 240), 0u);
    EXPECT_EQ(image.pixel(10, 10), 0u);
    primary->release();
    display->release();
}

TEST(EndToEndPlayback, WithoutASoundDeviceTheMovieIsPacedSilently) {
    const TestMovie movie = make_movie();
    TempMovie file(movie.writer);
    ScopedClockScale faster(4.0);
    SoftBackendConfig config;
    ScopedSoftBackend backend(config);
    backend.faults().sound_create = SOFT_FAULT_ALWAYS;
    AppBufferPlayer player;
    PlayParams& params = player.params;
    EXPECT_EQ(player_start(file.path().c_str(), nullptr, params), nullptr);
    EXPECT_EQ(params.status, PLAYER_CLOSED);
    EXPECT_EQ(params.frames_shown, FRAMES);
    EXPECT_EQ(params.stream_buffer, nullptr);
    EXPECT_GE(params.elapsed_ms, 1000 * (FRAMES - 6) / FPS);
    EXPECT_EQ(backend.counters().live_sound_buffers, 0);
}

}  // namespace

}  // namespace qx
