// Movies shaped as real ones are, played through player_start as an application plays them:
// each must end, at its own speed, with every frame shown and every sound byte heard.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "base/memory.h"
#include "format/video_kinds.h"
#include "platform/kernel.h"
#include "platform/platform_clock.h"
#include "platform/soft/soft_backend.h"
#include "player/player.h"
#include "tests/end_to_end/shaped_movie.h"
#include "tests/end_to_end/test_movie.h"
#include "tests/support/temp_movie.h"
#include "tests/support/time_slack.h"

namespace qx {

namespace {

constexpr double TIME_SCALE = 6.0;

struct Outcome {
    int32_t status;
    int32_t frames_shown;
    int32_t elapsed_ms;
    RecordedPlay record;
    std::vector<uint8_t> heard;
};

constexpr int32_t DEVICE_BUFFER_MS = 250;

SoftBackendConfig device_buffer(int32_t sample_rate) {
    SoftBackendConfig config;
    config.primary_buffer_bytes =
        static_cast<uint32_t>(sample_rate * 4 * DEVICE_BUFFER_MS / 1000) & ~3u;
    return config;
}

// Plays on the player's thread with the soft sound device, or in silent mode without one.
Outcome play_shaped(const ShapedMovie& movie, bool with_sound_device,
                    const RecordedPlay& script = {}) {
    const SoftBackendConfig config = device_buffer(movie.sample_rate);
    TempMovie file(movie.writer);
    ScopedClockScale faster(TIME_SCALE / time_slack());
    ScopedSoftBackend backend(config);
    if (!with_sound_device) {
        backend.faults().sound_create = SOFT_FAULT_ALWAYS;
    }
    AppBufferPlay play(PLAY_THREAD | PLAY_SOUND);
    play.record = script;
    play.play(file.path().c_str());
    Outcome outcome{
        play.params.status, play.params.frames_shown, play.params.elapsed_ms, play.record, {}};
    if (with_sound_device) {
        outcome.heard = backend.heard(0);
    }
    return outcome;
}

// Every decoded byte came out of the buffer, in order, after the silence it started with.
void expect_all_heard(const Outcome& outcome, const ShapedMovie& movie) {
    EXPECT_EQ(heard_run(outcome.heard, movie.decoded), movie.decoded.size() * 2)
        << "heard " << outcome.heard.size() << " bytes";
}

// The sound's length, and with a device the buffer it first plays out: a movie starts with
// the silence its buffer was created with.
void expect_own_length(const Outcome& outcome, const ShapedMovie& movie, double tolerance) {
    const double sound_ms = static_cast<double>(movie.sound_ms());
    const double latency_ms = outcome.heard.empty() ? 0 : DEVICE_BUFFER_MS;
    EXPECT_NEAR(outcome.elapsed_ms, sound_ms + latency_ms, sound_ms * tolerance)
        << "rate " << movie.sample_rate;
}

// The movie closed by itself after every frame, and with a device every byte was heard.
void expect_played_whole(const Outcome& outcome, const ShapedMovie& movie,
                         const MovieShape& shape) {
    EXPECT_EQ(outcome.status, PLAYER_CLOSED);
    EXPECT_EQ(outcome.frames_shown, shape.frames);
    if (!outcome.heard.empty()) {
        expect_all_heard(outcome, movie);
    }
}

class SoundAroundThePictures : public ::testing::TestWithParam<bool> {};

TEST_P(SoundAroundThePictures, SoundLeadingThePicturesIsPlayedWholeAndTheMovieEnds) {
    for (const int32_t lead : {16, 20, 40}) {
        MovieShape shape;
        shape.sound_lead = lead;
        const ShapedMovie movie = shaped_movie(shape);
        const Outcome outcome = play_shaped(movie, GetParam());
        SCOPED_TRACE(lead);
        expect_played_whole(outcome, movie, shape);
        expect_own_length(outcome, movie, 0.1);
    }
}

TEST_P(SoundAroundThePictures, SoundOutlastingThePicturesIsPlayedWhole) {
    MovieShape shape;
    shape.sound_tail = 30;
    const ShapedMovie movie = shaped_movie(shape);
    const Outcome outcome = play_shaped(movie, GetParam());
    expect_played_whole(outcome, movie, shape);
    expect_own_length(outcome, movie, 0.1);
}

TEST_P(SoundAroundThePictures, PicturesOutlastingTheSoundAreAllShown) {
    MovieShape shape;
    shape.sound_short = 12;
    const ShapedMovie movie = shaped_movie(shape);
    expect_played_whole(play_shaped(movie, GetParam()), movie, shape);
}

INSTANTIATE_TEST_SUITE_P(SilentOrHeard, SoundAroundThePictures, ::testing::Bool(),
                         [](const auto& test) { return test.param ? "Heard" : "Silent"; });

class SampleRates : public ::testing::TestWithParam<int32_t> {};

TEST_P(SampleRates, EachRateTakesItsOwnLengthSilentAndHeard) {
    MovieShape shape;
    shape.sample_rate = GetParam();
    shape.frames = 180;
    const ShapedMovie movie = shaped_movie(shape);
    const Outcome silent = play_shaped(movie, false);
    EXPECT_EQ(silent.frames_shown, shape.frames);
    expect_own_length(silent, movie, 0.05);
    const Outcome heard = play_shaped(movie, true);
    EXPECT_EQ(heard.frames_shown, shape.frames);
    expect_own_length(heard, movie, 0.05);
    expect_all_heard(heard, movie);
}

INSTANTIATE_TEST_SUITE_P(CommonRates, SampleRates, ::testing::Values(11025, 22050, 44100, 48000));

TEST(MovieEnd, APauseOverTheLastFramesInSilentModeStillEnds) {
    MovieShape shape;
    const ShapedMovie movie = shaped_movie(shape);
    TempMovie file(movie.writer);
    ScopedClockScale faster(TIME_SCALE / time_slack());
    ScopedSoftBackend backend;
    backend.faults().sound_create = SOFT_FAULT_ALWAYS;
    AppBufferPlay play(PLAY_THREAD | PLAY_SOUND);
    ASSERT_EQ(player_start(file.path().c_str(), nullptr, play.params), &play.params);
    while (interlocked_load(play.params.frames_shown) < shape.frames - 3) {
        sleep_ms(1);
    }
    ASSERT_EQ(player_toggle_pause(play.params), 1);
    // The silent clock runs on through the pause and consumes the rest of the sound.
    sleep_ms(1000);
    EXPECT_EQ(player_toggle_pause(play.params), 0);
    for (int waited = 0; waited < 4000 && interlocked_load(play.params.status) != PLAYER_CLOSED;
         waited += 5) {
        sleep_ms(5);
    }
    EXPECT_EQ(interlocked_load(play.params.status), PLAYER_CLOSED);
    EXPECT_EQ(play.params.frames_shown, shape.frames);
}

TEST(MovieEnd, ASoundFirstMovieReplayedShowsItsPicturesAndLeavesNothingBehind) {
    MovieShape shape;
    shape.sound_lead = 20;
    shape.frames = 6;
    const ShapedMovie movie = shaped_movie(shape);
    TempMovie file(movie.writer);
    ScopedClockScale faster(4 * TIME_SCALE / time_slack());
    ScopedSoftBackend backend;
    Display* display = nullptr;
    ASSERT_EQ(display_create(&display), PLATFORM_OK);
    SurfaceDesc primary_desc;
    primary_desc.flags = SURFACE_DESC_CAPS;
    primary_desc.caps = SURFACE_PRIMARY;
    DisplaySurface* primary = nullptr;
    ASSERT_EQ(display->create_surface(primary_desc, &primary), PLATFORM_OK);
    const int64_t blocks_before = memory_counters().live_blocks;
    for (int round = 0; round < 20; ++round) {
        PlayParams params{};
        params.flags = PLAY_SOUND;
        params.display = display;
        params.primary_surface = primary;
        params.brightness = 100;
        EXPECT_EQ(player_start(file.path().c_str(), nullptr, params), nullptr);
        EXPECT_EQ(params.status, PLAYER_CLOSED);
        EXPECT_EQ(params.audio_only, 0) << "its pictures came";
        EXPECT_EQ(params.frames_shown, shape.frames);
    }
    const SoftCounters counters = backend.counters();
    EXPECT_EQ(counters.live_surfaces, 1) << "only the application's primary surface is left";
    EXPECT_EQ(counters.live_sound_buffers, 0);
    EXPECT_EQ(memory_counters().live_blocks, blocks_before);
    EXPECT_GE(counters.blts, 20) << "pictures were presented";
    primary->release();
    display->release();
}

// What a stall leaves on screen: the straight decode of every frame, except Mnb frames that
// were skipped while the picture caught up. The straight play is timed too, and on a loaded
// machine it may skip an Mnb frame of its own.
class StallByCodec : public ::testing::TestWithParam<int32_t> {};

TEST_P(StallByCodec, FramesAfterAStallAreTheStraightDecode) {
    MovieShape shape;
    shape.video_kind = GetParam();
    shape.frames = 40;
    const ShapedMovie movie = shaped_movie(shape);
    if (GetParam() == VIDEO_ZLE) {
        ASSERT_GT(movie.copied_macroblocks, 0) << "the movie must build on its previous pictures";
    }
    const Outcome straight = play_shaped(movie, false);
    RecordedPlay stall;
    stall.stall_after_frame = 10;
    const Outcome stalled = play_shaped(movie, false, stall);
    ASSERT_EQ(straight.record.pictures.size(), static_cast<size_t>(shape.frames));
    ASSERT_EQ(stalled.record.pictures.size(), static_cast<size_t>(shape.frames));
    int skipped = 0;
    for (int32_t frame = 0; frame < shape.frames; ++frame) {
        const bool stalled_skipped = stalled.record.lags[frame] > 1;
        skipped += stalled_skipped ? 1 : 0;
        if (GetParam() == VIDEO_MNB && (stalled_skipped || straight.record.lags[frame] > 1)) {
            continue;
        }
        EXPECT_EQ(stalled.record.pictures[frame], straight.record.pictures[frame])
            << "frame " << frame;
    }
    EXPECT_GT(skipped, 0) << "the stall must put the picture behind the clock";
}

INSTANTIATE_TEST_SUITE_P(Codecs, StallByCodec,
                         ::testing::Values(VIDEO_MNB, VIDEO_ZLE, VIDEO_RKD_KEY),
                         [](const auto& test) {
                             return test.param == VIDEO_MNB   ? "Mnb"
                                    : test.param == VIDEO_ZLE ? "Zle"
                                                              : "Rkd";
                         });

TEST(RkdBrightness, AChangeBetweenKeyFramesReachesTheNextFrame) {
    MovieShape shape;
    shape.video_kind = VIDEO_RKD_KEY;
    shape.frames = 8;
    const ShapedMovie movie = shaped_movie(shape);
    const Outcome bright = play_shaped(movie, false);
    RecordedPlay dimmed_script;
    dimmed_script.brightness_after_frame = 2;
    dimmed_script.brightness = 40;
    const Outcome dimmed = play_shaped(movie, false, dimmed_script);
    ASSERT_EQ(dimmed.record.pictures.size(), 8u);
    EXPECT_EQ(dimmed.record.pictures[2], bright.record.pictures[2]);
    for (size_t frame = 3; frame < 8; ++frame) {
        EXPECT_NE(dimmed.record.pictures[frame], bright.record.pictures[frame]) << frame;
    }
}

int32_t niceness_seen = -100;

int note_niceness() {
    niceness_seen = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    return 1;
}

TEST(PlayerPriority, ThePlayerThreadRunsAtTheRequestedPriority) {
    const ShapedMovie movie = shaped_movie(MovieShape{});
    TempMovie file(movie.writer);
    ScopedSoftBackend backend;
    AppBufferPlay play(PLAY_THREAD | PLAY_PRIORITY);
    play.params.thread_priority = THREAD_PRIORITY_LOWEST;
    play.params.frame_callback = note_niceness;
    play.play(file.path().c_str());
    // Lowering a priority is always permitted.
    EXPECT_EQ(niceness_seen, thread_priority_nice(THREAD_PRIORITY_LOWEST));
    EXPECT_EQ(niceness_seen, getpriority(PRIO_PROCESS, 0) + 10);
}

}  // namespace

}  // namespace qx
