// The reader decoding into the ring on one thread while the timer's tick drains it into the
// sound buffer on another: every block must reach the buffer whole and in order.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "audio/audio_chunk.h"
#include "audio/media_clock.h"
#include "audio/sound_output.h"
#include "authoring/audio_track_writer.h"
#include "platform/kernel.h"
#include "platform/platform_clock.h"
#include "platform/soft/soft_backend.h"
#include "player/reader.h"
#include "tests/audio/audio_test_movie.h"
#include "tests/audio/clock_rig.h"

namespace qx {

namespace {

// Samples whose two bytes are both nonzero, so that the zero fill of silence can be told
// apart from sound in what the buffer was given.
int16_t loud_sample(std::mt19937& random) {
    std::uniform_int_distribution<int> byte(1, 255);
    return static_cast<int16_t>(byte(random) | byte(random) << 8);
}

std::vector<uint8_t> without_zeros(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> kept;
    for (const uint8_t byte : bytes) {
        if (byte != 0) {
            kept.push_back(byte);
        }
    }
    return kept;
}

}  // namespace

TEST(MediaClockConcurrency, StressReaderAndTickNeverLoseOrOverwriteABlock) {
    platform_clock_set_scale(10.0);
    // Blocks from a few hundred bytes to nearly 32 KB: the arena wraps often, blocks larger
    // than half the 16 KB buffer go in pieces, and the reader meets full-ring and overlap
    // back-pressure again and again.
    std::mt19937 random(11);
    std::uniform_int_distribution<int> frames(100, 8100);
    MovieWriter movie;
    AudioTrackWriter audio(movie, 2, 22050, AUDIO_PCM);
    for (int chunk = 0; chunk < 150; ++chunk) {
        std::vector<int16_t> samples(2 * static_cast<size_t>(frames(random)));
        for (int16_t& sample : samples) {
            sample = loud_sample(random);
        }
        audio.write_chunk(samples);
    }
    OpenedMovie opened(movie);
    PlayerContext& context = opened.context();
    SoftBackend backend(sound_config(16384, true));
    SoundDevice* device = nullptr;
    ASSERT_EQ(backend.create_sound(&device), PLATFORM_OK);
    opened.params().flags = PLAY_SOUND;
    opened.params().sound = device;
    link_stages(context);
    ASSERT_EQ(read_chunk(context), READ_AUDIO_HEADER);
    sound_open(context.sound);
    ASSERT_EQ(clock_start(context.sound), CLOCK_STARTED);
    sound_stream_start(context.sound);
    int busy = 0;
    for (;;) {
        const int32_t result = read_chunk(context);
        if (result == READ_END) {
            break;
        }
        if (result == READ_BUSY) {
            ++busy;
            sleep_ms(1);
        }
    }
    while (interlocked_load(context.reader.audio_ring.queued) != 0) {
        sleep_ms(5);
    }
    EXPECT_EQ(clock_stop(context.sound), 0);
    sound_stream_release(context.sound);
    sound_close(context.sound);
    device->release();
    platform_clock_set_scale(1.0);

    EXPECT_GT(busy, 0);
    const std::vector<int16_t>& decoded = audio.decoded();
    std::vector<uint8_t> expected(decoded.size() * 2);
    std::memcpy(expected.data(), decoded.data(), expected.size());
    const std::vector<uint8_t> given = without_zeros(backend.written(0));
    ASSERT_EQ(given.size(), expected.size());
    EXPECT_TRUE(given == expected);
}

}  // namespace qx
