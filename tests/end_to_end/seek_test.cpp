// Seeking and stepping through whole movies as an application does: every frame sought shows
// exactly what playing from the start shows, and the sound goes on from the frame sought.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "authoring/movie_writer.h"
#include "authoring/zle_encoder.h"
#include "platform/file.h"
#include "platform/kernel.h"
#include "platform/platform_clock.h"
#include "platform/soft/soft_backend.h"
#include "player/player.h"
#include "tests/codecs/dct/dct_test_support.h"
#include "tests/end_to_end/shaped_movie.h"
#include "tests/end_to_end/test_movie.h"
#include "tests/platform/wait_until.h"
#include "tests/player/player_test_support.h"
#include "tests/support/movie_builders.h"
#include "tests/support/temp_movie.h"
#include "tools/qx/movie_info.h"

namespace qx {

namespace {

constexpr int32_t SEEK_FRAMES = 24;
constexpr double TIME_SCALE = 6.0;

bool held_at_end(PlayParams& params) {
    return wait_until([&] { return interlocked_load(params.held_at_end) != 0; });
}

// A movie played on the player's thread onto a soft 5-6-5 display, holding at its end.
class DisplayedMovie {
  public:
    DisplayedMovie() {
        EXPECT_EQ(display_create(&display_), PLATFORM_OK);
        SurfaceDesc desc;
        desc.flags = SURFACE_DESC_CAPS;
        desc.caps = SURFACE_PRIMARY;
        EXPECT_EQ(display_->create_surface(desc, &primary_), PLATFORM_OK);
        params.flags =
            PLAY_THREAD | PLAY_HOLD_AT_END | PLAY_CALLBACK | PLAY_CENTRE_X | PLAY_CENTRE_Y;
        params.display = display_;
        params.primary_surface = primary_;
        params.brightness = 100;
        params.frame_callback = FrameHook::call;
    }
    ~DisplayedMovie() {
        player_stop(params);
        primary_->release();
        display_->release();
    }
    DisplayedMovie(const DisplayedMovie&) = delete;
    DisplayedMovie& operator=(const DisplayedMovie&) = delete;

    // What the display shows now.
    uint64_t screen() const { return bytes_hash(backend_.surface_image(primary_).pixels); }

    PlayParams params{};

  private:
    ScopedSoftBackend backend_;
    Display* display_ = nullptr;
    DisplaySurface* primary_ = nullptr;
};

// Plays `writer`'s movie of `frames` pictures through, keeping the screen after every frame,
// then seeks to every frame in a shuffled order and steps both ways: each shows what the
// straight play showed at that frame, and the movie stays paused. With `application_file` the
// application opens the movie, and the player reads it through that one handle.
void expect_seeks_exact(const MovieWriter& writer, int32_t frames, bool application_file = false) {
    TempMovie file(writer);
    DisplayedMovie movie;
    PlayParams& params = movie.params;
    if (application_file) {
        params.flags |= PLAY_APP_FILE;
        params.file = file_open(file.path().c_str(), 0);
        ASSERT_NE(params.file, nullptr);
    }
    std::vector<uint64_t> straight;
    std::atomic<bool> recording{true};
    FrameHook hook([&] {
        if (recording) {
            straight.push_back(movie.screen());
        }
        return 0;
    });
    ASSERT_EQ(player_start(file.path().c_str(), nullptr, params), &params);
    ASSERT_TRUE(held_at_end(params));
    recording = false;
    ASSERT_EQ(static_cast<int32_t>(straight.size()), frames);

    std::vector<int32_t> order(static_cast<size_t>(frames));
    for (int32_t frame = 0; frame < frames; ++frame) {
        order[static_cast<size_t>(frame)] = frame;
    }
    std::shuffle(order.begin(), order.end(), std::mt19937(13));
    for (const int32_t frame : order) {
        ASSERT_EQ(player_seek(params, frame), 0) << "frame " << frame;
        EXPECT_EQ(movie.screen(), straight[static_cast<size_t>(frame)]) << "frame " << frame;
    }
    for (const int32_t delta : {1, 1, -1, -1, -1}) {
        const int32_t from = interlocked_load(params.latest_frame);
        ASSERT_EQ(player_step(params, delta), 0);
        const int32_t to = std::clamp(from + delta, 0, frames - 1);
        EXPECT_EQ(interlocked_load(params.latest_frame), to);
        EXPECT_EQ(movie.screen(), straight[static_cast<size_t>(to)]) << "step to " << to;
    }
    EXPECT_EQ(interlocked_load(params.status), PLAYER_PAUSED);
    if (application_file) {
        player_stop(params);
        file_close(params.file, 0);
    }
}

MovieShape silent_shape(int32_t video_kind, int32_t key_interval) {
    MovieShape shape;
    shape.frames = SEEK_FRAMES;
    shape.video_kind = video_kind;
    shape.key_interval = key_interval;
    shape.sound = false;
    return shape;
}

// Zle frames that each copy macroblocks from the previous picture, some displaced, and code
// the rest as flat blocks whose levels drift: no frame stands alone, so every seek decodes
// from the start of the movie.
MovieWriter zle_movie_without_intra_frames(int32_t frames) {
    MovieWriter writer;
    constexpr int32_t MACROBLOCKS = (SHAPED_WIDTH / 16) * (SHAPED_HEIGHT / 16);
    for (int32_t frame = 0; frame < frames; ++frame) {
        std::string bits;
        for (int32_t macroblock = 0; macroblock < MACROBLOCKS; ++macroblock) {
            if ((macroblock + frame) % 3 == 0) {
                const std::string luma = frame % 2 == 0 ? "001" : "000";  // DC step +1 or -1
                bits += "0";
                for (int i = 0; i < 4; ++i) {
                    bits += luma + "10";
                }
                bits += "00 10 00 10";
            } else {
                // From one pixel to the left or right, or in place at the picture's last one.
                const bool last = macroblock == MACROBLOCKS - 1;
                bits += last ? "1 0 0000 0000" : frame % 2 == 0 ? "1 0 0001 0000" : "1 0 1111 0000";
            }
        }
        std::vector<uint8_t> payload = {SHAPED_WIDTH, 0, SHAPED_HEIGHT, 0, 75, 0, 0, 0};
        const std::vector<uint8_t> stream = zle_stream_from_bits(bits);
        payload.insert(payload.end(), stream.begin(), stream.end());
        writer.chunk(ZLE_CHUNK_TAG, payload);
    }
    return writer;
}

TEST(SeekPictures, MnbFramesEachShowAlone) {
    expect_seeks_exact(shaped_movie(silent_shape(3, 0)).writer, SEEK_FRAMES);
}

TEST(SeekPictures, RkdFramesBetweenKeyFramesDecodeFromTheKeyFrame) {
    expect_seeks_exact(shaped_movie(silent_shape(1, 7)).writer, SEEK_FRAMES);
}

TEST(SeekPictures, TheApplicationsOwnFileIsSharedWithTheReader) {
    expect_seeks_exact(shaped_movie(silent_shape(1, 7)).writer, SEEK_FRAMES, true);
}

TEST(SeekPictures, ZleFramesDecodeFromTheLatestAllIntraFrame) {
    const ShapedMovie movie = shaped_movie(silent_shape(4, 6));
    ASSERT_GT(movie.copied_macroblocks, 0);
    expect_seeks_exact(movie.writer, SEEK_FRAMES);
}

TEST(SeekPictures, ZleFramesWithoutAnAllIntraFrameDecodeFromTheStart) {
    expect_seeks_exact(zle_movie_without_intra_frames(SEEK_FRAMES), SEEK_FRAMES);
}

constexpr int32_t DEVICE_BUFFER_MS = 250;

// A shaped movie with sound, played on the player's thread into application buffers with
// the soft sound device, holding at its end.
class HeardMovie {
  public:
    explicit HeardMovie(const MovieShape& shape)
        : movie(shaped_movie(shape)), file_(movie.writer), backend_(config(shape)) {
        play_ = std::make_unique<AppBufferPlay>(PLAY_THREAD | PLAY_SOUND | PLAY_HOLD_AT_END);
        started_ = player_start(file_.path().c_str(), nullptr, params()) == &params();
    }
    ~HeardMovie() { player_stop(params()); }
    HeardMovie(const HeardMovie&) = delete;
    HeardMovie& operator=(const HeardMovie&) = delete;

    PlayParams& params() { return play_->params; }
    bool started() const { return started_; }
    bool reached(int32_t frame) {
        return wait_until([&] { return interlocked_load(params().latest_frame) >= frame; });
    }
    // What was heard from byte `from` of the stream on.
    std::vector<uint8_t> heard_since(size_t from) const {
        const std::vector<uint8_t> heard = backend_.heard(0);
        return {heard.begin() + static_cast<std::ptrdiff_t>(std::min(from, heard.size())),
                heard.end()};
    }
    // The decoded sound from the audio chunk that follows picture `frame`.
    std::vector<int16_t> sound_after(int32_t frame) const {
        const size_t start = movie.audio_chunk_starts[static_cast<size_t>(frame)];
        return {movie.decoded.begin() + static_cast<std::ptrdiff_t>(start), movie.decoded.end()};
    }

    const ShapedMovie movie;

  private:
    static SoftBackendConfig config(const MovieShape& shape) {
        SoftBackendConfig config;
        config.primary_buffer_bytes =
            static_cast<uint32_t>(shape.sample_rate * 4 * DEVICE_BUFFER_MS / 1000) & ~3u;
        return config;
    }

    TempMovie file_;
    ScopedClockScale faster_{TIME_SCALE};
    ScopedSoftBackend backend_;
    std::unique_ptr<AppBufferPlay> play_;
    bool started_ = false;
};

// For each sound format: seeking forward in the middle of playing, what is heard from then on
// is the decoded sound from the frame sought, to the end, whole and in order.
TEST(SeekSound, AfterASeekTheSoundGoesOnFromTheFrameSought) {
    for (const int32_t compression : {0, 7, 10}) {
        MovieShape shape;
        shape.frames = 45;
        shape.audio_compression = compression;
        HeardMovie movie(shape);
        ASSERT_TRUE(movie.started());
        ASSERT_TRUE(movie.reached(8));
        const size_t heard_before = movie.heard_since(0).size();
        ASSERT_EQ(player_seek(movie.params(), 30), 0);
        EXPECT_EQ(interlocked_load(movie.params().latest_frame), 30);
        ASSERT_TRUE(held_at_end(movie.params()));
        const std::vector<int16_t> after = movie.sound_after(30);
        EXPECT_EQ(heard_run(movie.heard_since(heard_before), after), after.size() * 2)
            << "compression " << compression;
        EXPECT_EQ(interlocked_load(movie.params().latest_frame), shape.frames - 1);
    }
}

// Sound that outlasts the pictures: a seek back after the last picture, while the sound is
// still draining out, plays the movie on again.
TEST(SeekSound, ASeekDuringTheDrainPlaysOnFromTheFrameSought) {
    MovieShape shape;
    shape.frames = 30;
    shape.sound_tail = 20;
    HeardMovie movie(shape);
    ASSERT_TRUE(movie.started());
    ASSERT_TRUE(movie.reached(shape.frames - 1));
    ASSERT_EQ(interlocked_load(movie.params().held_at_end), 0) << "still draining";
    const size_t heard_before = movie.heard_since(0).size();
    ASSERT_EQ(player_seek(movie.params(), 5), 0);
    ASSERT_TRUE(held_at_end(movie.params()));
    const std::vector<int16_t> after = movie.sound_after(5);
    EXPECT_EQ(heard_run(movie.heard_since(heard_before), after), after.size() * 2);
}

// Held at the end, a seek back to the first frame and a resume play the movie through again;
// paused in the middle, a seek stays paused on the frame sought.
TEST(SeekPlayback, SeekingBackAfterTheEndAndWhilePaused) {
    MovieShape shape;
    shape.frames = 20;
    HeardMovie movie(shape);
    PlayParams& params = movie.params();
    ASSERT_TRUE(movie.started());
    ASSERT_TRUE(held_at_end(params));
    PlayerPosition position{};
    ASSERT_TRUE(player_get_position(params, position));
    EXPECT_TRUE(position.ended);
    EXPECT_TRUE(position.paused);
    EXPECT_EQ(position.frame, shape.frames - 1);
    EXPECT_EQ(position.frames, shape.frames);
    EXPECT_EQ(position.duration_ms, static_cast<uint32_t>(movie.movie.sound_ms()));

    ASSERT_EQ(player_seek(params, 0), 0);
    EXPECT_EQ(interlocked_load(params.latest_frame), 0);
    EXPECT_EQ(interlocked_load(params.status), PLAYER_PAUSED);
    EXPECT_EQ(interlocked_load(params.held_at_end), 0);
    ASSERT_EQ(player_toggle_pause(params), 0);
    ASSERT_TRUE(movie.reached(10));
    player_toggle_pause(params);
    ASSERT_EQ(player_seek(params, 4), 0);
    ASSERT_TRUE(player_get_position(params, position));
    EXPECT_EQ(position.frame, 4);
    EXPECT_TRUE(position.paused);
    const auto frame_start_ms = [&](uint32_t frame) {
        return (frame * position.duration_ms + shape.frames - 1) / shape.frames;
    };
    EXPECT_EQ(position.position_ms, frame_start_ms(4));
    ASSERT_EQ(player_seek_time(params, frame_start_ms(11)), 0);
    EXPECT_EQ(interlocked_load(params.latest_frame), 11);
    ASSERT_EQ(player_seek_time(params, frame_start_ms(12) - 1), 0);
    EXPECT_EQ(interlocked_load(params.latest_frame), 11);
    ASSERT_EQ(player_seek(params, 1000), 0) << "beyond the end: the last frame";
    EXPECT_EQ(interlocked_load(params.latest_frame), shape.frames - 1);
    player_toggle_pause(params);
    ASSERT_TRUE(held_at_end(params));
}

// Seeks from one application thread while another pauses, resumes and brightens: every seek
// is answered, and a stop still closes the movie.
TEST(SeekStress, SeeksAmidPausesAndBrightnessChangesFromAnotherThread) {
    MovieShape shape;
    shape.frames = 40;
    shape.video_kind = 4;
    shape.key_interval = 8;
    HeardMovie movie(shape);
    PlayParams& params = movie.params();
    ASSERT_TRUE(movie.started());
    std::atomic<bool> seeking{true};
    std::thread other([&] {
        for (int32_t turn = 0; seeking; ++turn) {
            player_toggle_pause(params);
            player_set_brightness(params, 60 + turn % 80);
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
    });
    std::mt19937 random(29);
    for (int seek = 0; seek < 40; ++seek) {
        EXPECT_EQ(player_seek(params, static_cast<int32_t>(random() % 40)), 0);
    }
    seeking = false;
    other.join();
    EXPECT_EQ(player_stop(params), 0);
    EXPECT_EQ(interlocked_load(params.status), PLAYER_CLOSED);
}

// Without PLAY_HOLD_AT_END the movie ends as it always has, and then there is nothing to seek.
TEST(SeekPlayback, AMovieThatHasEndedCannotSeek) {
    TempMovie file(shaped_movie(silent_shape(3, 0)).writer);
    ScopedSoftBackend backend;
    AppBufferPlay play(0);
    play.play(file.path().c_str());
    EXPECT_EQ(play.params.status, PLAYER_CLOSED);
    EXPECT_NE(player_seek(play.params, 0), 0);
    PlayerPosition position{};
    EXPECT_FALSE(player_get_position(play.params, position));
}

// Plays `path` silently into application buffers on the player's thread, holding at the end,
// until the index is known; the position then.
PlayerPosition indexed_position(AppBufferPlay& play, const std::string& path) {
    PlayerPosition position{-1, -1, 0, 0, false, false};
    if (player_start(path.c_str(), nullptr, play.params) != &play.params) {
        return position;
    }
    wait_until([&] { return player_get_position(play.params, position) && position.frames >= 0; });
    return position;
}

// The index counts what `qx info` counts: the same frames, and the same length of sound, with
// sound ahead of the pictures and in each format.
TEST(SeekIndex, FramesAndLengthAgreeWithTheMovieInformation) {
    for (const int32_t compression : {0, 7, 10}) {
        MovieShape shape;
        shape.frames = 40;
        shape.sound_lead = 6;
        shape.sample_rate = 11025;
        shape.audio_compression = compression;
        TempMovie file(shaped_movie(shape).writer);
        ScopedSoftBackend backend;
        AppBufferPlay play(PLAY_THREAD | PLAY_HOLD_AT_END);
        const PlayerPosition position = indexed_position(play, file.path());
        MovieInfo info;
        std::string error;
        ASSERT_TRUE(read_movie_info(file.path(), info, error)) << error;
        EXPECT_EQ(position.frames, info.video_frames);
        EXPECT_EQ(position.duration_ms, static_cast<uint32_t>(*info.duration_seconds() * 1000))
            << "compression " << compression;
        player_stop(play.params);
    }
}

// Stretches the reader cannot follow, a size below a header's own, and a last chunk cut short:
// the index finds the frames after a stretch it can step over, and every frame it found can be
// sought, in a movie with sound.
TEST(SeekIndex, ADamagedMovieSeeksToEveryFrameItsReaderFinds) {
    MovieWriter writer;
    writer.audio_header(1, 22050, 0);
    const auto pictures = [&](int frames) {
        for (int i = 0; i < frames; ++i) {
            writer.chunk("pBNM", video_payload(64));
            writer.chunk("SCDl", pcm_payload(200));
        }
    };
    pictures(8);
    writer.raw(std::vector<uint8_t>(96, 0x5A));
    pictures(8);
    writer.chunk_with_size("pBNM", video_payload(64), 7);
    writer.raw(std::vector<uint8_t>(56, 0));
    pictures(4);
    writer.chunk_with_size("pBNM", video_payload(100), 5000);
    TempMovie file(writer);
    ScopedSoftBackend backend;
    AppBufferPlay play(PLAY_THREAD | PLAY_HOLD_AT_END);
    const PlayerPosition position = indexed_position(play, file.path());
    ASSERT_EQ(position.frames, 21);
    for (int32_t frame = position.frames - 1; frame >= 0; frame -= 3) {
        ASSERT_EQ(player_seek(play.params, frame), 0) << "frame " << frame;
        EXPECT_EQ(interlocked_load(play.params.latest_frame), frame);
    }
    player_stop(play.params);
}

// Bytes changed at random all through movies of each codec: seeks anywhere end cleanly.
TEST(SeekIndex, MoviesDamagedAtRandomSeekWithoutHarm) {
    std::mt19937 random(7);
    for (const int32_t kind : {1, 3, 4}) {
        MovieShape shape;
        shape.frames = 20;
        shape.video_kind = kind;
        shape.key_interval = 5;
        std::vector<uint8_t> bytes = shaped_movie(shape).writer.bytes();
        for (int round = 0; round < 4; ++round) {
            std::vector<uint8_t> damaged = bytes;
            for (int i = 0; i < 24; ++i) {
                damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
            }
            TempMovie file(damaged);
            ScopedSoftBackend backend;
            backend.faults().sound_create = SOFT_FAULT_ALWAYS;
            AppBufferPlay play(PLAY_THREAD | PLAY_SOUND | PLAY_HOLD_AT_END);
            if (player_start(file.path().c_str(), nullptr, play.params) != &play.params) {
                continue;
            }
            for (int seek = 0; seek < 6; ++seek) {
                player_seek(play.params, static_cast<int32_t>(random() % 24));
            }
            player_stop(play.params);
            EXPECT_EQ(interlocked_load(play.params.status), PLAYER_CLOSED);
        }
    }
}

}  // namespace

}  // namespace qx
