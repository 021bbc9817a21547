// Several movies in one process, each on its own thread and soft display: every movie's
// pictures are what it shows when it plays alone, and one movie's brightness is its own.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "authoring/mnb_encoder.h"
#include "authoring/rkd_encoder.h"
#include "authoring/zle_encoder.h"
#include "platform/display.h"
#include "platform/soft/soft_backend.h"
#include "player/player.h"
#include "player/player_context.h"
#include "tests/support/temp_movie.h"

namespace qx {

namespace {

constexpr int32_t WIDTH = 96;
constexpr int32_t HEIGHT = 64;
constexpr int32_t FRAMES = 24;

// Zle is coded with channel conversion, which brightness reaches; zle_intra copies nothing
// from the previous picture, so every frame stands on its own.
enum class Codec { rkd, mnb, zle, zle_intra };

// A moving scene whose colours cover the channel tables' range.
std::vector<uint8_t> scene(int32_t frame) {
    std::vector<uint8_t> rgb(size_t(WIDTH) * HEIGHT * 3);
    for (int32_t y = 0; y < HEIGHT; ++y) {
        for (int32_t x = 0; x < WIDTH; ++x) {
            uint8_t* pixel = &rgb[(size_t(y) * WIDTH + size_t(x)) * 3];
            pixel[0] = uint8_t(x * 2 + frame * 5);
            pixel[1] = uint8_t(y * 4 + ((x / 8 + frame) % 2) * 60);
            pixel[2] = uint8_t(200 - x - frame);
        }
    }
    return rgb;
}

// A movie without sound, so that every frame is decoded and shown, unpaced.
MovieWriter movie_of(Codec codec) {
    MovieWriter writer;
    RkdEncoder rkd;
    MnbEncoder mnb(70);
    ZleEncoder zle(ZleEncoderOptions{
        .quality = 80, .channel_conversion = true, .copies = codec != Codec::zle_intra});
    for (int32_t frame = 0; frame < FRAMES; ++frame) {
        const std::vector<uint8_t> rgb = scene(frame);
        const RgbPicture picture{WIDTH, HEIGHT, rgb.data()};
        if (codec == Codec::rkd) {
            const std::optional<RkdChunk> chunk = rkd.encode_rgb(WIDTH, HEIGHT, rgb);
            writer.chunk(chunk->tag(), chunk->payload);
        } else if (codec == Codec::mnb) {
            writer.chunk(MNB_CHUNK_TAG, mnb.encode(picture));
        } else {
            writer.chunk(ZLE_CHUNK_TAG, zle.encode(picture));
        }
    }
    return writer;
}

// What one movie showed: the packed picture of every frame. frame_callback takes no argument;
// each movie plays synchronously on a thread of its own, so the thread finds its recorder.
struct Recording {
    std::vector<std::vector<uint8_t>> frames;
};

struct Playing {
    PlayParams* params;
    Recording* recording;
    std::function<void(PlayParams&, int32_t)> on_frame;
};

thread_local Playing* playing = nullptr;

int record_frame() {
    PlayParams& params = *playing->params;
    const PlayerContext& context = *params.context;
    const uint8_t* picture = context.video.packed_draw;
    const size_t bytes = size_t(context.video.frame_width) * size_t(context.video.frame_height) * 2;
    playing->recording->frames.emplace_back(picture, picture + bytes);
    if (playing->on_frame) {
        playing->on_frame(params, int32_t(playing->recording->frames.size()));
    }
    return 0;
}

// One movie and its own soft display, ready to play.
class MovieRun {
  public:
    explicit MovieRun(Codec codec, std::function<void(PlayParams&, int32_t)> on_frame = {})
        : file_(movie_of(codec)), on_frame_(std::move(on_frame)) {
        EXPECT_EQ(display_create(&display_), PLATFORM_OK);
        SurfaceDesc desc;
        desc.flags = SURFACE_DESC_CAPS;
        desc.caps = SURFACE_PRIMARY;
        EXPECT_EQ(display_->create_surface(desc, &primary_), PLATFORM_OK);
    }
    ~MovieRun() {
        primary_->release();
        display_->release();
    }
    MovieRun(const MovieRun&) = delete;
    MovieRun& operator=(const MovieRun&) = delete;

    // Plays the movie through on the calling thread.
    void play(int32_t brightness = 100) {
        params_ = PlayParams{};
        params_.flags = PLAY_CALLBACK | PLAY_KEEP_BRIGHTNESS;
        params_.display = display_;
        params_.primary_surface = primary_;
        params_.brightness = brightness;
        params_.frame_callback = record_frame;
        recording_ = {};
        Playing here{&params_, &recording_, on_frame_};
        playing = &here;
        player_start(file_.path().c_str(), nullptr, params_);
        playing = nullptr;
    }

    // The record of the latest play, for the application's side of the race.
    PlayParams& params() { return params_; }

    const Recording& recording() const { return recording_; }

  private:
    TempMovie file_;
    std::function<void(PlayParams&, int32_t)> on_frame_;
    Display* display_ = nullptr;
    DisplaySurface* primary_ = nullptr;
    Recording recording_;
    PlayParams params_{};
};

// Plays each movie alone, then all of them at once, each on its own thread.
std::vector<Recording> alone_then_together(std::vector<std::unique_ptr<MovieRun>>& runs,
                                           std::vector<Recording>& together) {
    std::vector<Recording> alone;
    for (auto& run : runs) {
        run->play();
        alone.push_back(run->recording());
    }
    std::vector<std::thread> threads;
    for (auto& run : runs) {
        threads.emplace_back([&run] { run->play(); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (auto& run : runs) {
        together.push_back(run->recording());
    }
    return alone;
}

void expect_same_pictures(const Recording& alone, const Recording& together, const char* name) {
    ASSERT_EQ(alone.frames.size(), size_t(FRAMES)) << name;
    ASSERT_EQ(together.frames.size(), alone.frames.size()) << name;
    for (size_t i = 0; i < alone.frames.size(); ++i) {
        EXPECT_EQ(together.frames[i], alone.frames[i]) << name << " frame " << i;
    }
}

class SeveralMovies : public ::testing::Test {
  protected:
    ScopedSoftBackend backend_;
};

TEST_F(SeveralMovies, TwoAndThreeMoviesOfDifferentCodecsShowWhatEachShowsAlone) {
    const std::vector<std::vector<Codec>> groups = {
        {Codec::mnb, Codec::zle}, {Codec::rkd, Codec::zle}, {Codec::rkd, Codec::mnb, Codec::zle}};
    const char* names[] = {"rkd", "mnb", "zle"};
    for (const auto& group : groups) {
        std::vector<std::unique_ptr<MovieRun>> runs;
        for (Codec codec : group) {
            runs.push_back(std::make_unique<MovieRun>(codec));
        }
        std::vector<Recording> together;
        const std::vector<Recording> alone = alone_then_together(runs, together);
        for (size_t i = 0; i < group.size(); ++i) {
            expect_same_pictures(alone[i], together[i], names[int(group[i])]);
        }
    }
}

// Brightness reaches the pictures of the movie it was set on, from the next frame, and no
// other movie's.
TEST_F(SeveralMovies, BrightnessOfOneMovieLeavesTheOtherAlone) {
    const auto dim_after_eight = [](PlayParams& params, int32_t shown) {
        if (shown == 8) {
            player_set_brightness(params, 40);
        }
    };
    for (Codec dimmed : {Codec::rkd, Codec::zle}) {
        std::vector<std::unique_ptr<MovieRun>> runs;
        runs.push_back(std::make_unique<MovieRun>(dimmed, dim_after_eight));
        runs.push_back(std::make_unique<MovieRun>(Codec::zle));
        std::vector<Recording> together;
        const std::vector<Recording> alone = alone_then_together(runs, together);
        expect_same_pictures(alone[0], together[0], "dimmed");
        expect_same_pictures(alone[1], together[1], "other");

        MovieRun bright(dimmed);
        bright.play();
        const auto& frames = bright.recording().frames;
        ASSERT_EQ(frames.size(), size_t(FRAMES));
        for (size_t i = 0; i < frames.size(); ++i) {
            if (i < 8) {
                EXPECT_EQ(alone[0].frames[i], frames[i]) << "frame " << i << " before the change";
            } else {
                EXPECT_NE(alone[0].frames[i], frames[i]) << "frame " << i << " after the change";
            }
        }
    }
}

// The application flips the brightness from its own thread while the movie plays (each frame
// waits for a few flips, so that they overlap the decoding of the next): the tables change only
// between frames, so every frame is wholly dark or wholly bright, and the race checker finds
// nothing.
TEST(ColourTablesConcurrency, BrightnessChangesNeverMixWithinAFrame) {
    ScopedSoftBackend backend;
    MovieRun dark_run(Codec::zle_intra);
    dark_run.play(0);
    MovieRun bright_run(Codec::zle_intra);
    bright_run.play(100);
    const Recording& dark = dark_run.recording();
    const Recording& bright = bright_run.recording();
    ASSERT_EQ(dark.frames.size(), size_t(FRAMES));
    ASSERT_EQ(bright.frames.size(), size_t(FRAMES));

    std::atomic<bool> started{false};
    std::atomic<bool> done{false};
    std::atomic<int64_t> flips{0};
    MovieRun run(Codec::zle_intra, [&](PlayParams&, int32_t) {
        const int64_t seen = flips.load();
        started = true;
        for (int wait = 0; wait < 100 && flips.load() < seen + 2; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    std::thread application([&] {
        while (!started.load()) {
            std::this_thread::yield();
        }
        for (int32_t i = 0; !done.load(); ++i) {
            player_set_brightness(run.params(), i % 2 == 0 ? 0 : 100);
            flips.fetch_add(1);
        }
    });
    run.play(100);
    done = true;
    application.join();

    int mixed = 0;
    int dark_frames = 0;
    const auto& frames = run.recording().frames;
    ASSERT_EQ(frames.size(), size_t(FRAMES));
    for (size_t i = 0; i < frames.size(); ++i) {
        dark_frames += frames[i] == dark.frames[i];
        mixed += frames[i] != dark.frames[i] && frames[i] != bright.frames[i];
    }
    EXPECT_EQ(mixed, 0);
    EXPECT_GT(dark_frames, 0) << "the changes reached the pictures";
}

}  // namespace

}  // namespace qx
