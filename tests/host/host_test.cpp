#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>
#include <vector>

#include "host/host.h"
#include "platform/kernel.h"
#include "platform/sdl/sdl_backend.h"
#include "tests/platform/sdl_test_support.h"

namespace qx {

// The host runs in-process on the test's main thread under Xvfb; a driver thread feeds it keys
// through SDL's event queue, as a keyboard would.
namespace {

using namespace std::chrono_literals;

struct HostFixture : testing::Test {
    std::filesystem::path old_directory = std::filesystem::current_path();
    std::filesystem::path directory;
    SdlBackend backend;
    HostState host;

    int32_t status_now() { return interlocked_load(host.params.status); }

    void SetUp() override {
        directory =
            std::filesystem::temp_directory_path() / ("qx_host_" + std::to_string(::getpid()));
        std::filesystem::create_directories(directory);
        std::filesystem::current_path(directory);
        platform_install_backend(&backend);
    }
    void TearDown() override {
        platform_install_backend(nullptr);
        std::filesystem::current_path(old_directory);
        std::filesystem::remove_all(directory);
    }

    // Runs the host while `drive` runs on a thread of its own; Esc ends the host afterwards
    // whatever `drive` found.
    int run_host_driven(const std::function<void()>& drive) {
        std::thread driver([&, before = host.movies_started.load()] {
            if (wait_for([&] { return host.movies_started.load() > before; }, 20s)) {
                drive();
            }
            push_key(SDLK_ESCAPE);
        });
        const int result = host_run(host);
        driver.join();
        return result;
    }
};

using Host = HostFixture;

}  // namespace

TEST_F(Host, EscEndsTheHostWithResultZero) {
    write_test_movie("ORLUND.MNB", 45, true);
    const int before = host.movies_started.load();
    EXPECT_EQ(run_host_driven([] {}), 0);
    EXPECT_GT(host.movies_started.load(), before);
    EXPECT_TRUE(host.quit_requested);
    EXPECT_EQ(host.params.status, PLAYER_CLOSED);
    EXPECT_EQ(host.params.context, nullptr);
}

TEST_F(Host, SpaceStartsTheMovieAgain) {
    write_test_movie("ORLUND.MNB", 45, true);
    int started_before_space = 0;
    int started_after_space = 0;
    run_host_driven([&] {
        started_before_space = host.movies_started.load();
        push_key(SDLK_SPACE);
        wait_for([&] { return host.movies_started.load() > started_before_space; }, 5s);
        started_after_space = host.movies_started.load();
    });
    EXPECT_GT(started_after_space, started_before_space);
}

TEST_F(Host, ShiftPausesAndResumes) {
    write_test_movie("ORLUND.MNB", 45, true);
    bool paused = false;
    int32_t frames_at_pause = -1;
    int32_t frames_later = -2;
    run_host_driven([&] {
        // A Shift that lands between two movies pauses nothing; press again until one does.
        for (int attempt = 0; attempt < 5 && !paused; ++attempt) {
            push_key(SDLK_LSHIFT);
            paused = wait_for([&] { return status_now() == PLAYER_PAUSED; }, 1s);
        }
        if (!paused) {
            return;
        }
        frames_at_pause = interlocked_load(host.params.frames_shown);
        std::this_thread::sleep_for(300ms);
        frames_later = interlocked_load(host.params.frames_shown);
        push_key(SDLK_LSHIFT);
        wait_for([&] { return status_now() != PLAYER_PAUSED; }, 2s);
    });
    ASSERT_TRUE(paused);
    EXPECT_EQ(frames_later, frames_at_pause);
}

TEST_F(Host, KeypadMinusStopsAtZeroAndPlusHasNoCeiling) {
    write_test_movie("ORLUND.MNB", 45, true);
    int32_t lowest = -1;
    int32_t raised = -1;
    run_host_driven([&] {
        for (int press = 0; press < 12; ++press) {
            push_key(SDLK_KP_MINUS);
        }
        wait_for([&] { return host.brightness == 0; }, 5s);
        lowest = host.brightness;
        for (int press = 0; press < 14; ++press) {
            push_key(SDLK_KP_PLUS);
        }
        wait_for([&] { return host.brightness == 140; }, 5s);
        raised = host.brightness;
    });
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(raised, 140);
}

TEST_F(Host, ClosedWindowEndsTheHost) {
    write_test_movie("ORLUND.MNB", 45, true);
    std::thread closer([this, before = host.movies_started.load()] {
        if (wait_for([&] { return host.movies_started.load() > before; }, 20s)) {
            SDL_Event event{};
            event.type = SDL_QUIT;
            SDL_PushEvent(&event);
        }
    });
    EXPECT_EQ(host_run(host), 0);
    closer.join();
    EXPECT_EQ(host.params.status, PLAYER_CLOSED);
}

TEST_F(Host, MissingMovieIsReportedOnceAndEndsTheHostWithResultOne) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(host_run(host), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Failed to start movie:ORLUND.MNB (check filename?)\n");
}

// The display libraries' own complaints while they look around stay off the terminal; the
// host says in one line of its own why it ends.
TEST_F(Host, WithoutADisplayTheProgramSaysSoAndEndsWithResultOne) {
    write_test_movie("ORLUND.MNB", 45, true);
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " +
                                std::string(QX_BINARY_DIR) +
                                "/qxhost > host_output.txt 2> host_errors.txt";
    const auto started = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    EXPECT_EQ(std::filesystem::file_size("host_output.txt"), 0u);
    std::ifstream errors("host_errors.txt");
    const std::string text{std::istreambuf_iterator<char>(errors), {}};
    EXPECT_EQ(text, "qxhost: no display to open the window on\n");
}

}  // namespace qx
