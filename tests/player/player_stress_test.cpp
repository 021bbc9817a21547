#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "platform/kernel.h"
#include "platform/platform_clock.h"
#include "platform/soft/soft_backend.h"
#include "player/player.h"
#include "tests/support/movie_builders.h"
#include "tests/support/temp_movie.h"

namespace qx {

namespace {

// The application drives a running player from its own thread in every order the operations
// allow; each movie must close, with its context unlinked, whatever came in between.
TEST(PlayerStress, StartPauseBrightnessAndStopAgainstARunningPlayer) {
    TempMovie movie(video_only_movie(120));
    std::mt19937 random(12345);
    for (int round = 0; round < 2000; ++round) {
        PlayParams params{};
        params.flags = PLAY_THREAD;
        params.brightness = 100;
        ASSERT_EQ(player_start(movie.path().c_str(), nullptr, params), &params);
        const unsigned actions = random() % 8;
        for (unsigned i = 0; i < actions; ++i) {
            switch (random() % 3) {
                case 0:
                    player_toggle_pause(params);
                    break;
                case 1:
                    player_set_brightness(params, static_cast<int32_t>(random() % 200));
                    break;
                default:
                    sleep_ms(random() % 2);
                    break;
            }
        }
        EXPECT_EQ(player_stop(params), 0);
        // STOP remains only when the movie had already closed by itself.
        const int32_t status = interlocked_load(params.status);
        ASSERT_TRUE(status == PLAYER_CLOSED ||
                    (status == PLAYER_STOP && params.frames_shown == 120))
            << "round " << round << " status " << status;
        ASSERT_EQ(interlocked_load(params.context), nullptr);
        ASSERT_LE(params.frames_shown, 120);
    }
}

// Pause and resume hammered while short movies with sound end by themselves: the loop's exit
// releases the stream buffer while the application stops and restarts it, and a stop may meet
// the teardown's CLOSED. Every movie must close, and nothing may touch a released buffer.
TEST(PlayerStress, PauseAndStopAtTheVeryEndOfMoviesWithSound) {
    TempMovie movie(audio_video_movie(3, 200));
    ScopedClockScale faster(20.0);
    ScopedSoftBackend backend;
    std::mt19937 random(777);
    for (int round = 0; round < 300; ++round) {
        PlayParams params{};
        params.flags = PLAY_THREAD | PLAY_SOUND;
        params.brightness = 100;
        ASSERT_EQ(player_start(movie.path().c_str(), nullptr, params), &params);
        while (interlocked_load(params.status) != PLAYER_CLOSED) {
            player_toggle_pause(params);
            if (random() % 50 == 0) {
                player_stop(params);
            }
        }
        ASSERT_EQ(interlocked_load(params.context), nullptr) << "round " << round;
    }
    EXPECT_EQ(backend.counters().live_sound_buffers, 0);
}

// Audio headers between the chunks change the rate while the clock thread paces silent mode
// by it; the movie must play to its end with every frame.
TEST(PlayerStress, SilentModeWhileLaterAudioHeadersChangeTheRate) {
    constexpr int FRAMES = 40;
    MovieWriter writer;
    writer.audio_header(1, 22050, 0);
    for (int i = 0; i < FRAMES; ++i) {
        writer.chunk("pBNM", video_payload(64));
        writer.audio_header(1, i % 2 == 0 ? 11025 : 22050, 0);
        writer.chunk("SCDl", pcm_payload(441));
    }
    writer.chunk("SCEl", {});
    TempMovie movie(writer);
    ScopedClockScale faster(20.0);
    ScopedSoftBackend backend;
    backend.faults().sound_create = SOFT_FAULT_ALWAYS;
    PlayParams params{};
    params.flags = PLAY_THREAD | PLAY_SOUND;
    params.brightness = 100;
    ASSERT_EQ(player_start(movie.path().c_str(), nullptr, params), &params);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (interlocked_load(params.status) != PLAYER_CLOSED &&
           std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(interlocked_load(params.status), PLAYER_CLOSED);
    EXPECT_EQ(params.frames_shown, FRAMES);
}

}  // namespace

}  // namespace qx
