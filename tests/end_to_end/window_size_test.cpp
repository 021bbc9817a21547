// `qx play` on a screen smaller than the movie, with no window manager: the window opens
// scaled to fit, `f` covers the whole screen and `f` again brings the window back.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "authoring/movie_writer.h"
#include "tests/end_to_end/child_program.h"
#include "tests/end_to_end/private_x_server.h"
#include "tests/support/temp_movie.h"
#include "tests/video/video_rig.h"

namespace qx {

namespace {

using namespace std::chrono_literals;

constexpr int SCREEN_WIDTH = 1280;
constexpr int SCREEN_HEIGHT = 800;

struct WindowSizeFixture : testing::Test {
    TempFolder folder;
    PrivateXServer server{SCREEN_WIDTH, SCREEN_HEIGHT};

    void SetUp() override { ASSERT_TRUE(server.ready()) << "Xvfb could not be started"; }

    std::string program_output() {
        std::ifstream output(folder.path() + "/output.txt");
        return {std::istreambuf_iterator<char>(output), {}};
    }

    std::unique_ptr<ChildProgram> start(const std::vector<std::string>& arguments) {
        ChildProgramSetup setup;
        setup.folder = folder.path();
        setup.environment = {"DISPLAY=" + server.display_name(), "SDL_VIDEODRIVER=x11",
                             "ASAN_OPTIONS=detect_leaks=0"};
        setup.output_path = folder.path() + "/output.txt";
        return std::make_unique<ChildProgram>(arguments, setup);
    }

    // The window's size once it has stayed the same for a moment and `holds` accepts it.
    bool settled_size(unsigned long window, const std::function<bool(int, int)>& holds, int& width,
                      int& height) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < deadline) {
            Screenshot shot;
            if (server.capture(window, shot) && holds(shot.width, shot.height)) {
                width = shot.width;
                height = shot.height;
                return true;
            }
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }
};

using WindowSize = WindowSizeFixture;

TEST_F(WindowSize, LargeMovieFitsTheScreenAndFullScreenCoversItAndRestores) {
    MovieWriter movie;
    for (int frame = 0; frame < 600; ++frame) {
        movie.chunk("pBNM", dct_payload(1920, 1088));
    }
    ASSERT_TRUE(movie.save(folder.path() + "/big.mnb"));
    auto program = start({std::string(QX_BINARY_DIR) + "/qx", "play", "--fps", "25", "big.mnb"});
    unsigned long window = 0;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (window == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
        window = server.find_window("qx play: big.mnb");
    }
    ASSERT_NE(window, 0u) << program_output();

    int width = 0;
    int height = 0;
    ASSERT_TRUE(settled_size(
        window, [](int w, int h) { return w > 0 && h > 0; }, width, height));
    EXPECT_LE(width, SCREEN_WIDTH);
    EXPECT_LE(height, SCREEN_HEIGHT);
    EXPECT_NEAR(static_cast<double>(width) / height, 1920.0 / 1088, 0.01);

    server.press_key(window, "f");
    int full_width = 0;
    int full_height = 0;
    EXPECT_TRUE(settled_size(
        window, [](int w, int h) { return w == SCREEN_WIDTH && h == SCREEN_HEIGHT; }, full_width,
        full_height))
        << "full screen did not cover the screen";

    server.press_key(window, "f");
    int back_width = 0;
    int back_height = 0;
    EXPECT_TRUE(settled_size(
        window, [&](int w, int h) { return w == width && h == height; }, back_width, back_height))
        << "the window did not come back to " << width << " x " << height;

    server.press_key(window, "Escape");
    EXPECT_EQ(program->wait(20s), 0) << program_output();
}

}  // namespace

}  // namespace qx
