// Whole movies through the player, the soft display and the soft sound device: what a viewer
// would see and hear.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "authoring/audio_track_writer.h"
#include "authoring/mnb_encoder.h"
#include "platform/kernel.h"
#include "platform/memory.h"
#include "platform/platform_clock.h"
#include "platform/soft/soft_backend.h"
#include "player/player.h"
#include "tests/support/temp_movie.h"

namespace {

constexpr int FRAMES = 30;
constexpr int FPS = 15;
constexpr int RATE = 22050;

struct TestMovie {
    MovieWriter writer;
    std::vector<int16_t> decoded;  // 16-bit stereo the player will decode
};

// A moving gradient with a stereo tone, one audio chunk of 1/FPS s after each frame.
TestMovie make_movie() {
    TestMovie movie;
    AudioTrackWriter audio(movie.writer, 2, RATE, 10);
    MnbEncoder video(60);
    const int width = 64;
    const int height = 48;
    std::vector<uint8_t> rgb(width * height * 3);
    std::vector<int16_t> samples(2 * RATE / FPS);
    for (int frame = 0; frame < FRAMES; ++frame) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                uint8_t* pixel = &rgb[(y * width + x) * 3];
                pixel[0] = static_cast<uint8_t>(x * 4 + frame * 8);
                pixel[1] = static_cast<uint8_t>(y * 5);
                pixel[2] = static_cast<uint8_t>(128 + frame);
            }
        }
        movie.writer.chunk(MNB_CHUNK_TAG, video.encode(RgbPicture{width, height, rgb.data()}));
        for (size_t i = 0; i < samples.size() / 2; ++i) {
            const double t = static_cast<double>(frame * samples.size() / 2 + i) / RATE;
            samples[2 * i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * t));
            samples[2 * i + 1] = static_cast<int16_t>(6000 * std::sin(2 * M_PI * 660 * t));
        }
        audio.write_chunk(samples);
    }
    movie.writer.chunk("SCEl", {});
    movie.decoded = audio.decoded();
    return movie;
}

// The longest run of `decoded` found in `heard` when the two are aligned at some offset of
// `heard` (the buffer starts with the silence it was created with).
size_t heard_run(const std::vector<uint8_t>& heard, const std::vector<int16_t>& decoded) {
    const auto* expected = reinterpret_cast<const uint8_t*>(decoded.data());
    const size_t expected_bytes = decoded.size() * 2;
    size_t best = 0;
    for (size_t offset = 0; offset < heard.size() && offset <= 65536; offset += 4) {
        size_t run = 0;
        while (offset + run < heard.size() && run < expected_bytes &&
               heard[offset + run] == expected[run]) {
            ++run;
        }
        best = std::max(best, run);
    }
    return best;
}

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

    // The last blocks reach the buffer but the buffer is released before they play out.
    const std::vector<uint8_t> heard = backend.heard(0);
    const size_t decoded_bytes = movie.decoded.size() * 2;
    EXPECT_GE(heard_run(heard, movie.decoded), decoded_bytes - 2 * 32768)
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
    PlayParams params{};
    params.flags = PLAY_SOUND | PLAY_APP_BUFFERS;
    params.colour_bits = 16;
    params.red_bits = 5;
    params.green_bits = 6;
    params.blue_bits = 5;
    params.red_shift = 11;
    params.green_shift = 5;
    std::vector<uint8_t> draw(64 * 48 * 2);
    std::vector<uint8_t> reference(64 * 48 * 2);
    params.draw_buffer = draw.data();
    params.reference_buffer = reference.data();
    params.brightness = 100;
    EXPECT_EQ(player_start(file.path().c_str(), nullptr, params), nullptr);
    EXPECT_EQ(params.status, PLAYER_CLOSED);
    EXPECT_EQ(params.frames_shown, FRAMES);
    EXPECT_EQ(params.stream_buffer, nullptr);
    EXPECT_GE(params.elapsed_ms, 1000 * (FRAMES - 6) / FPS);
    EXPECT_EQ(backend.counters().live_sound_buffers, 0);
}

}  // namespace
