#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "base/memory.h"
#include "platform/faults.h"
#include "platform/file.h"
#include "platform/kernel.h"
#include "platform/open_files.h"
#include "platform/timer.h"
#include "player/player.h"
#include "player/player_context.h"
#include "tests/player/player_test_support.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/movie_builders.h"
#include "tests/support/temp_movie.h"

namespace qx {

namespace {

PlayParams params_with(uint32_t flags) {
    PlayParams params{};
    params.flags = flags;
    params.brightness = 100;
    params.frame_callback = FrameHook::call;
    return params;
}

// Holds the player thread inside its first frame callback until released, so that a test can
// act on a movie that is certainly between two turns.
class HeldFirstFrame {
  public:
    HeldFirstFrame()
        : hook_([this] {
              entered_ = true;
              while (!released_) {
                  std::this_thread::yield();
              }
              return 0;
          }) {}
    void release() { released_ = true; }
    bool entered() const { return entered_; }

  private:
    std::atomic<bool> entered_{false};
    std::atomic<bool> released_{false};
    FrameHook hook_;
};

void wait_until_closed(PlayParams& params) {
    while (interlocked_load(params.status) != PLAYER_CLOSED) {
        sleep_ms(1);
    }
}

TEST(PlayerPlayback, AVideoOnlyMovieShowsEveryFrame) {
    TempMovie movie(video_only_movie(40));
    PlayParams params = params_with(0);
    EXPECT_EQ(player_start(movie.path().c_str(), nullptr, params), nullptr);
    EXPECT_EQ(params.frames_shown, 40);
    EXPECT_EQ(params.status, PLAYER_CLOSED);
    EXPECT_EQ(params.context, nullptr);
    EXPECT_EQ(params.has_audio, 0);
    EXPECT_EQ(params.audio_only, 0);
}

TEST(PlayerPlayback, TheCallbackRunsAfterEveryFrameAndCanEndPlayback) {
    TempMovie movie(video_only_movie(10));
    int calls = 0;
    {
        FrameHook hook([&] { return ++calls == 1 ? 1 : 0; });
        PlayParams params = params_with(PLAY_CALLBACK);
        player_start(movie.path().c_str(), nullptr, params);
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(params.frames_shown, 0) << "the slot stays queued when the callback ends it";
        EXPECT_EQ(params.status, PLAYER_CLOSED);
    }
    calls = 0;
    FrameHook hook([&] { return ++calls, 0; });
    PlayParams params = params_with(PLAY_CALLBACK);
    player_start(movie.path().c_str(), nullptr, params);
    EXPECT_EQ(calls, 10);
}

// Two movies at once, each callback with its own user pointer, which wins over the plain
// callback; that one is not called.
TEST(PlayerPlayback, TheCallbackWithAUserPointerGetsItsOwn) {
    TempMovie short_movie(video_only_movie(4));
    TempMovie long_movie(video_only_movie(9));
    std::atomic<int> plain_calls{0};
    FrameHook hook([&] { return ++plain_calls, 0; });
    std::atomic<int> counts[2] = {0, 0};
    PlayParams params[2] = {params_with(PLAY_CALLBACK | PLAY_THREAD),
                            params_with(PLAY_CALLBACK | PLAY_THREAD)};
    for (int i = 0; i < 2; ++i) {
        params[i].frame_callback_with_user = [](void* count) {
            return ++*static_cast<std::atomic<int>*>(count), 0;
        };
        params[i].frame_callback_user = &counts[i];
    }
    ASSERT_NE(player_start(short_movie.path().c_str(), nullptr, params[0]), nullptr);
    ASSERT_NE(player_start(long_movie.path().c_str(), nullptr, params[1]), nullptr);
    for (PlayParams& played : params) {
        wait_until_closed(played);
        thread_join(played.thread_handle);
    }
    EXPECT_EQ(counts[0], 4);
    EXPECT_EQ(counts[1], 9);
    EXPECT_EQ(plain_calls, 0);
}

TEST(PlayerPrefill, WithoutAudioSixteenVideoChunksAreQueued) {
    TempMovie movie(video_only_movie(40));
    int32_t chunks_at_first_frame = -1;
    PlayParams params = params_with(PLAY_CALLBACK);
    FrameHook hook([&] {
        if (chunks_at_first_frame < 0) {
            chunks_at_first_frame = params.context->reader.video_chunks;
        }
        return 0;
    });
    player_start(movie.path().c_str(), nullptr, params);
    EXPECT_EQ(chunks_at_first_frame, 17) << "16 from the prefill, one from the first turn";
}

TEST(PlayerPrefill, WithAudioSixteenBlocksAreQueued) {
    TempMovie movie(audio_video_movie(40));
    std::atomic<int32_t> video_at_first_frame{-1};
    std::atomic<int32_t> audio_at_first_frame{-1};
    PlayParams params = params_with(PLAY_CALLBACK | PLAY_THREAD);
    FrameHook hook([&] {
        if (video_at_first_frame < 0) {
            video_at_first_frame = params.context->reader.video_chunks;
            audio_at_first_frame = params.context->reader.audio_chunks;
        }
        return 0;
    });
    ASSERT_EQ(player_start(movie.path().c_str(), nullptr, params), &params);
    EXPECT_EQ(params.has_audio, 1);
    while (video_at_first_frame < 0) {
        sleep_ms(1);
    }
    player_stop(params);
    // The prefill ends after the pass that queued the 16th block: 17 video chunks, 16 blocks;
    // the first turn then reads a block and, with it, the next video chunk.
    EXPECT_EQ(video_at_first_frame, 18);
    EXPECT_EQ(audio_at_first_frame, 17);
}

TEST(PlayerThread, StartReturnsOnlyOnceTheLoopRuns) {
    TempMovie movie(video_only_movie(40));
    HeldFirstFrame held;
    PlayParams params = params_with(PLAY_CALLBACK | PLAY_THREAD);
    ASSERT_EQ(player_start(movie.path().c_str(), nullptr, params), &params);
    EXPECT_EQ(interlocked_load(params.status), PLAYER_RUNNING);
    EXPECT_NE(params.thread_handle, 0u);
    held.release();
    wait_until_closed(params);
}

TEST(PlayerPause, TogglingTwiceResumesAndAStopWhilePausedEndsTheMovie) {
    TempMovie movie(video_only_movie(40));
    HeldFirstFrame held;
    PlayParams params = params_with(PLAY_CALLBACK | PLAY_THREAD);
    ASSERT_EQ(player_start(movie.path().c_str(), nullptr, params), &params);
    EXPECT_EQ(player_toggle_pause(params), 1);
    EXPECT_EQ(interlocked_load(params.status), PLAYER_PAUSED);
    EXPECT_EQ(player_toggle_pause(params), 0);
    EXPECT_EQ(interlocked_load(params.status), PLAYER_RUNNING);
    EXPECT_EQ(player_toggle_pause(params), 1);
    held.release();
    sleep_ms(20);
    const int32_t shown = interlocked_load(params.frames_shown);
    sleep_ms(50);
    EXPECT_EQ(interlocked_load(params.frames_shown), shown) << "a paused movie shows nothing";
    EXPECT_EQ(interlocked_load(params.status), PLAYER_PAUSED);
    EXPECT_TRUE(player_is_playing(params));
    EXPECT_EQ(player_stop(params), 0);
    EXPECT_EQ(params.status, PLAYER_CLOSED);
    EXPECT_FALSE(player_is_playing(params));
    EXPECT_LT(params.frames_shown, 40);
}

TEST(PlayerPause, AStopOrAClosedMovieIsNeverTurnedBackIntoARunningOne) {
    PlayParams params = params_with(0);
    for (const int32_t status : {PLAYER_STOP, PLAYER_ENDED, PLAYER_CLOSED}) {
        params.status = status;
        EXPECT_EQ(player_toggle_pause(params), 0);
        EXPECT_EQ(params.status, status);
        EXPECT_FALSE(player_is_playing(params));
    }
}

TEST(PlayerStop, StopAfterTheMovieClosedReturnsAtOnce) {
    TempMovie movie(video_only_movie(3));
    PlayParams params = params_with(0);
    player_start(movie.path().c_str(), nullptr, params);
    ASSERT_EQ(params.status, PLAYER_CLOSED);
    EXPECT_EQ(player_stop(params), 0);
    EXPECT_EQ(params.status, PLAYER_STOP);
}

TEST(PlayerBrightness, AnyValueIsStoredUnchanged) {
    PlayParams params = params_with(0);
    EXPECT_EQ(player_set_brightness(params, -30), 0);
    EXPECT_EQ(params.brightness, -30);
    EXPECT_EQ(player_set_brightness(params, 250), 0);
    EXPECT_EQ(params.brightness, 250);
}

// Each failure of player_start leaves no block, no open file and no linked context.
class PlayerStartFailure : public ::testing::Test {
  protected:
    void SetUp() override {
        blocks_ = memory_counters().live_blocks;
        files_ = file_open_count();
    }
    void TearDown() override {
        platform_faults_reset();
        memory_fail_after(0);
    }
    void expect_nothing_left(PlayParams& params) {
        EXPECT_EQ(params.context, nullptr);
        EXPECT_EQ(memory_counters().live_blocks, blocks_);
        EXPECT_EQ(file_open_count(), files_);
    }
    TempMovie movie_{video_only_movie(4)};

  private:
    int64_t blocks_ = 0;
    int32_t files_ = 0;
};

TEST_F(PlayerStartFailure, MissingFile) {
    PlayParams params = params_with(0);
    EXPECT_EQ(player_start((movie_.folder() + "/nothing.qx").c_str(), nullptr, params), nullptr);
    expect_nothing_left(params);
}

TEST_F(PlayerStartFailure, ApplicationFileThatIsNull) {
    PlayParams params = params_with(PLAY_APP_FILE);
    EXPECT_EQ(player_start(movie_.path().c_str(), nullptr, params), nullptr);
    expect_nothing_left(params);
}

TEST_F(PlayerStartFailure, FileBufferRefused) {
    platform_faults().file_set_buffer_fails = true;
    PlayParams params = params_with(0);
    EXPECT_EQ(player_start(movie_.path().c_str(), nullptr, params), nullptr);
    expect_nothing_left(params);
}

TEST_F(PlayerStartFailure, EachAllocation) {
    for (int64_t which = 1; which <= 3; ++which) {
        memory_fail_after(which);
        PlayParams params = params_with(0);
        EXPECT_EQ(player_start(movie_.path().c_str(), nullptr, params), nullptr) << which;
        expect_nothing_left(params);
    }
}

TEST_F(PlayerStartFailure, ThreadCreation) {
    platform_faults().thread_create_fails = true;
    PlayParams params = params_with(PLAY_THREAD);
    EXPECT_EQ(player_start(movie_.path().c_str(), nullptr, params), nullptr);
    expect_nothing_left(params);
    EXPECT_EQ(player_stop(params), 0) << "nothing is left to wait for";
}

TEST_F(PlayerStartFailure, ApplicationFileIsLeftOpen) {
    PlayParams params = params_with(PLAY_APP_FILE);
    params.file = file_open(movie_.path().c_str(), 0);
    memory_fail_after(2);
    EXPECT_EQ(player_start(movie_.path().c_str(), nullptr, params), nullptr);
    char byte = 0;
    EXPECT_EQ(file_read(params.file, &byte, 1), 1) << "the application's file still reads";
    file_close(params.file, 0);
    expect_nothing_left(params);
}

TEST(PlayerMemory, NothingIsAllocatedPerTurn) {
    TempMovie movie(video_only_movie(60));
    MemoryCounters at_second_frame{};
    int64_t news_at_second_frame = 0;
    MemoryCounters at_last_frame{};
    int64_t news_at_last_frame = 0;
    int frame = 0;
    FrameHook hook([&] {
        ++frame;
        if (frame == 2) {
            at_second_frame = memory_counters();
            news_at_second_frame = operator_new_calls();
        } else if (frame == 59) {
            at_last_frame = memory_counters();
            news_at_last_frame = operator_new_calls();
        }
        return 0;
    });
    PlayParams params = params_with(PLAY_CALLBACK);
    player_start(movie.path().c_str(), nullptr, params);
    ASSERT_EQ(frame, 60);
    EXPECT_EQ(at_last_frame.allocations, at_second_frame.allocations);
    EXPECT_EQ(news_at_last_frame, news_at_second_frame);
}

TEST(PlayerTimer, ATimerThatCannotBeKilledNeverTicksOnFreedMemory) {
    TempMovie movie(video_only_movie(5));
    PlayerContext* context = nullptr;
    PlayParams params = params_with(PLAY_CALLBACK);
    FrameHook hook([&] {
        context = params.context;
        return 0;
    });
    platform_faults().timer_kill_fails = true;
    player_start(movie.path().c_str(), nullptr, params);
    platform_faults_reset();
    EXPECT_EQ(params.status, PLAYER_CLOSED);
    ASSERT_NE(context, nullptr);
    sleep_ms(30);  // ticks keep coming, finding their lock held
    ASSERT_NE(context->sound.timer_id, 0u);
    EXPECT_EQ(timer_kill_event(context->sound.timer_id), 0);
    memory_free(context);
}

}  // namespace

}  // namespace qx
