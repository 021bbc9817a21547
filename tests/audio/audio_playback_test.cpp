// Whole movies played through the player with a sound device whose cursor runs on the
// platform clock, at a raised time scale.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/audio_chunk.h"
#include "authoring/audio_track_writer.h"
#include "platform/kernel.h"
#include "platform/platform_clock.h"
#include "player/player.h"
#include "tests/audio/audio_test_movie.h"
#include "tests/audio/clock_rig.h"

namespace qx {

namespace {

constexpr uint32_t STREAM_BYTES = 32768;
constexpr size_t CHUNK_FRAMES = 1456;  // a multiple of 28, about 66 ms

struct TestMovie {
    MovieWriter movie;
    std::vector<uint8_t> decoded;  // every decoded block, in order
    int32_t video_chunks = 0;
};

// Audio and video chunks taking turns, then `trailing_audio` audio chunks after the last
// video chunk. The signal never starts with silence, so the first heard byte is telling.
TestMovie build_movie(int32_t compression, int32_t channels, int32_t pairs,
                      int32_t trailing_audio) {
    TestMovie built;
    AudioTrackWriter audio(built.movie, channels, 22050, compression);
    size_t frame = 0;
    auto write_audio = [&] {
        std::vector<int16_t> samples;
        for (size_t i = 0; i < CHUNK_FRAMES; ++i, ++frame) {
            const double t = static_cast<double>(frame) / 22050.0;
            for (int32_t c = 0; c < channels; ++c) {
                samples.push_back(static_cast<int16_t>(3000 + 9000 * std::sin(t * (2500 + c))));
            }
        }
        audio.write_chunk(samples);
    };
    for (int32_t i = 0; i < pairs; ++i) {
        write_audio();
        built.movie.chunk("MQXf", std::vector<uint8_t>(16, 0));
        ++built.video_chunks;
    }
    for (int32_t i = 0; i < trailing_audio; ++i) {
        write_audio();
    }
    const std::vector<int16_t>& samples = audio.decoded();
    built.decoded.resize(samples.size() * 2);
    std::memcpy(built.decoded.data(), samples.data(), built.decoded.size());
    return built;
}

// What the frame callback saw: the clock when frame n was shown.
std::atomic<PlayParams*> playing_params{nullptr};
std::vector<std::pair<int32_t, int32_t>> shown_at_clock;

int record_frame() {
    PlayParams& params = *playing_params.load();
    shown_at_clock.emplace_back(params.frames_shown, interlocked_load(params.context->sound.clock));
    return 0;
}

class AudioPlayback : public ::testing::Test {
  protected:
    void SetUp() override {
        platform_clock_set_scale(2.0);
        shown_at_clock.clear();
        params.flags = PLAY_APP_BUFFERS | PLAY_SOUND | PLAY_CALLBACK;
        params.draw_buffer = draw.data();
        params.reference_buffer = reference.data();
        params.red_bits = 5;
        params.green_bits = 6;
        params.blue_bits = 5;
        params.colour_bits = 16;
        params.frame_callback = record_frame;
        playing_params = &params;
    }
    void TearDown() override {
        if (device != nullptr) {
            device->release();
        }
        platform_clock_set_scale(1.0);
    }

    // The application's sound device, on a fresh backend whose cursor runs on the clock.
    SoftBackend& new_sound_device() {
        if (device != nullptr) {
            device->release();
        }
        backend = std::make_unique<SoftBackend>(sound_config(STREAM_BYTES, true));
        backend->create_sound(&device);
        params.sound = device;
        return *backend;
    }

    // Plays the movie to its end; returns false when it could not be started.
    void play(const TestMovie& built) {
        path = audio_test_path("movie.qx");
        ASSERT_TRUE(built.movie.save(path));
        player_start(path.c_str(), nullptr, params);
        ASSERT_EQ(params.status, PLAYER_CLOSED);
    }

    PlayParams params{};
    std::unique_ptr<SoftBackend> backend;
    SoundDevice* device = nullptr;
    std::vector<uint8_t> draw = std::vector<uint8_t>(640 * 480 * 2);
    std::vector<uint8_t> reference = std::vector<uint8_t>(640 * 480 * 2);
    std::string path;
};

size_t first_nonzero(const std::vector<uint8_t>& bytes) {
    size_t i = 0;
    while (i < bytes.size() && bytes[i] == 0) {
        ++i;
    }
    return i;
}

bool all_zero(const std::vector<uint8_t>& bytes, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

// What was heard is silence, then the decoded blocks in order with nothing lost, doubled or
// reordered, then silence once the ring ran empty. Only the last buffer's worth may be
// missing: the buffer is released right after the drain.
void expect_heard_as_decoded(const std::vector<uint8_t>& heard,
                             const std::vector<uint8_t>& decoded) {
    const size_t lead = first_nonzero(heard);
    const size_t decoded_lead = first_nonzero(decoded);
    ASSERT_LT(lead, heard.size()) << "nothing was heard";
    ASSERT_GE(lead, decoded_lead);
    const size_t start = lead - decoded_lead;
    const size_t common = std::min(heard.size() - start, decoded.size());
    ASSERT_GE(common + STREAM_BYTES, decoded.size()) << "blocks never reached the buffer";
    EXPECT_TRUE(all_zero(heard, 0, start));
    size_t mismatch = 0;
    while (mismatch < common && heard[start + mismatch] == decoded[mismatch]) {
        ++mismatch;
    }
    EXPECT_EQ(mismatch, common) << "heard differs from decoded at byte " << mismatch;
    EXPECT_TRUE(all_zero(heard, start + common, heard.size()));
}

}  // namespace

TEST_F(AudioPlayback, EveryByteHeardIsTheDecodedBlocksInOrder) {
    const std::pair<int32_t, int32_t> formats[] = {
        {AUDIO_PCM, 1}, {AUDIO_PCM, 2}, {AUDIO_XA, 1}, {AUDIO_XA, 2}, {AUDIO_IMA, 2}};
    for (const auto& [compression, channels] : formats) {
        SCOPED_TRACE(::testing::Message()
                     << "compression " << compression << ", " << channels << " channel(s)");
        const SoftBackend& sound = new_sound_device();
        shown_at_clock.clear();
        const TestMovie built = build_movie(compression, channels, 20, 20);
        play(built);
        EXPECT_EQ(params.frames_shown, built.video_chunks);
        ASSERT_EQ(sound.sound_buffers().size(), 1u);
        expect_heard_as_decoded(sound.heard(0), built.decoded);
        // With audio, frame n is shown only once the clock has reached n + 5.
        for (const auto& [frame, clock] : shown_at_clock) {
            if (frame > 0) {
                EXPECT_GE(clock, frame + 5) << "frame " << frame;
            }
        }
        params.context = nullptr;
        params.status = 0;
        params.file = nullptr;
    }
}

TEST_F(AudioPlayback, PauseStopsTheCursorTheClockAndThePicture) {
    const SoftBackend& sound = new_sound_device();
    params.flags |= PLAY_THREAD;
    const TestMovie built = build_movie(AUDIO_IMA, 2, 40, 0);
    path = audio_test_path("movie.qx");
    ASSERT_TRUE(built.movie.save(path));
    ASSERT_NE(player_start(path.c_str(), nullptr, params), nullptr);
    while (interlocked_load(params.frames_shown) < 3) {
        sleep_ms(5);
    }
    ASSERT_EQ(player_toggle_pause(params), 1);
    sleep_ms(30);
    const auto heard_size = [&] { return sound.sound_buffers().at(0).heard_bytes; };
    const int64_t heard = heard_size();
    const int32_t clock = interlocked_load(params.context->sound.clock);
    const int32_t frames = interlocked_load(params.frames_shown);
    sleep_ms(300);
    EXPECT_EQ(heard_size(), heard);
    EXPECT_EQ(interlocked_load(params.context->sound.clock), clock);
    EXPECT_EQ(interlocked_load(params.frames_shown), frames);
    ASSERT_EQ(player_toggle_pause(params), 0);
    while (interlocked_load(params.status) != PLAYER_CLOSED) {
        sleep_ms(10);
    }
    EXPECT_EQ(params.frames_shown, built.video_chunks);
    expect_heard_as_decoded(sound.heard(0), built.decoded);
}

TEST_F(AudioPlayback, SilentModeConsumesTheAudioAtRealPace) {
    params.flags &= ~PLAY_SOUND;
    const TestMovie built = build_movie(AUDIO_PCM, 2, 20, 10);
    play(built);
    EXPECT_EQ(params.frames_shown, built.video_chunks);
    // 882 bytes a tick, 88,200 a second; the written part can never pass the cursor.
    const double expected_ms = static_cast<double>(built.decoded.size()) / 88.2;
    EXPECT_GE(params.elapsed_ms, 0.9 * expected_ms);
    EXPECT_LE(params.elapsed_ms, 3 * expected_ms + 500);
}

}  // namespace qx
