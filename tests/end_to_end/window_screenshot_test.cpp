// `qx play` and `qxhost` run as programs with windows on an X server of the test's own. A
// screenshot taken while a movie plays must show, pixel for pixel, a frame `qx export` decodes
// from the same movie, enlarged as the backend enlarges the display in the window; and Esc ends
// each program with status 0.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/sdl/sdl_presenter.h"
#include "tests/end_to_end/child_program.h"
#include "tests/end_to_end/private_x_server.h"
#include "tests/support/temp_movie.h"
#include "tests/tools/encode_test_support.h"
#include "tools/qx/picture_brightness.h"

namespace {

using namespace std::chrono_literals;

constexpr int SCREEN_WIDTH = 1280;
constexpr int SCREEN_HEIGHT = 1024;
constexpr int32_t MOVIE_WIDTH = 320;
constexpr int32_t MOVIE_HEIGHT = 240;
constexpr int32_t MOVIE_FRAMES = 32;
constexpr char HOST_TITLE[] = "Korvath (Orlund Capture)";

// The bits of each channel a 5-6-5 display holds; how the lower ones are filled in when a
// stage widens a channel to 8 bits is its own affair.
uint32_t displayed_bits(uint32_t rgb) {
    return rgb & 0xF8FCF8;
}

// A display's whole memory as 0x00RRGGBB words.
struct DisplayPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

uint32_t rgb_at(const std::vector<uint8_t>& rgb, size_t index) {
    return uint32_t{rgb[3 * index]} << 16 | uint32_t{rgb[3 * index + 1]} << 8 | rgb[3 * index + 2];
}

// `qx play`: a display of the movie's size, the picture filling it.
DisplayPicture play_display(const std::vector<uint8_t>& frame) {
    DisplayPicture display{MOVIE_WIDTH, MOVIE_HEIGHT, {}};
    for (size_t i = 0; i < size_t{MOVIE_WIDTH} * MOVIE_HEIGHT; ++i) {
        display.pixels.push_back(displayed_bits(rgb_at(frame, i)));
    }
    return display;
}

// `qxhost`: 640 x 480, the picture decoded at double width drawn on every other row from the
// top, the rows between never written (black).
DisplayPicture host_display(const std::vector<uint8_t>& double_width_frame) {
    DisplayPicture display{2 * MOVIE_WIDTH, 2 * MOVIE_HEIGHT, {}};
    display.pixels.assign(size_t(display.width) * display.height, 0);
    for (int y = 0; y < MOVIE_HEIGHT; ++y) {
        for (int x = 0; x < display.width; ++x) {
            display.pixels[size_t(2 * y) * display.width + x] =
                displayed_bits(rgb_at(double_width_frame, size_t(y) * display.width + x));
        }
    }
    return display;
}

// Whether `shot` is `display` enlarged by a whole number into the middle of the window, black
// around it, as the SDL backend shows it.
bool shows(const Screenshot& shot, const DisplayPicture& display) {
    const SDL_Rect place = fit_rect(display.width, display.height, shot.width, shot.height);
    const int scale = place.w / display.width;
    if (scale < 1 || place.w != scale * display.width || place.h != scale * display.height) {
        return false;
    }
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const bool inside =
                x >= place.x && x < place.x + place.w && y >= place.y && y < place.y + place.h;
            const uint32_t expected =
                inside ? display.pixels[size_t((y - place.y) / scale) * display.width +
                                        size_t((x - place.x) / scale)]
                       : 0;
            if (displayed_bits(shot.pixels[size_t(y) * shot.width + x]) != expected) {
                return false;
            }
        }
    }
    return true;
}

struct WindowScreenshotFixture : testing::Test {
    TempFolder folder;
    PrivateXServer server{SCREEN_WIDTH, SCREEN_HEIGHT};

    void SetUp() override {
        ASSERT_TRUE(server.ready()) << "Xvfb could not be started";
        std::filesystem::create_directory(folder.path() + "/frames");
        write_png_frames(folder.path() + "/frames/%05d.png", MOVIE_WIDTH, MOVIE_HEIGHT,
                         scene_frames(MOVIE_WIDTH, MOVIE_HEIGHT, MOVIE_FRAMES));
        const QxRun encoded =
            run_qx_in(folder.path(), "encode movie.mnb --input frames --video mnb --fps 8");
        ASSERT_EQ(encoded.status, 0) << encoded.errors;
    }

    // What the program wrote on its standard output and error.
    std::string program_output() {
        std::ifstream output(folder.path() + "/output.txt");
        return {std::istreambuf_iterator<char>(output), {}};
    }

    // The movie's frames as `qx export` decodes them for a 5-6-5 display.
    std::vector<std::vector<uint8_t>> exported(const std::string& options, const std::string& out) {
        EXPECT_EQ(run_qx_in(folder.path(), "export --png " + options + " movie.mnb " + out).status,
                  0);
        return exported_frames(folder.path() + "/" + out, MOVIE_FRAMES);
    }

    std::unique_ptr<ChildProgram> start(const std::vector<std::string>& arguments,
                                        const std::string& presenter = "") {
        ChildProgramSetup setup;
        setup.folder = folder.path();
        // In a sanitizer build, the leak check at exit would blame us for the system GL
        // driver's blocks, which can no longer be told apart once SDL has unloaded the driver;
        // our own leaks are looked for by the in-process window tests.
        setup.environment = {
            "DISPLAY=" + server.display_name(), "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=disk",
            "SDL_DISKAUDIOFILE=" + folder.path() + "/heard.raw", "ASAN_OPTIONS=detect_leaks=0"};
        if (!presenter.empty()) {
            setup.environment.push_back("QX_PRESENTER=" + presenter);
        }
        setup.output_path = folder.path() + "/output.txt";
        return std::make_unique<ChildProgram>(arguments, setup);
    }

    unsigned long wait_for_window(const std::string& title) {
        unsigned long window = 0;
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (window == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(20ms);
            window = server.find_window(title);
        }
        return window;
    }

    // Screenshots of the window titled `title` while `program` runs, until two different
    // frames of `displays` have been seen or `limit` has passed: the frames seen.
    std::set<size_t> frames_seen(ChildProgram& program, const std::string& title,
                                 const std::vector<DisplayPicture>& displays,
                                 std::chrono::seconds limit, unsigned long& window) {
        std::set<size_t> seen;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (seen.size() < 2 && program.running() &&
               std::chrono::steady_clock::now() < deadline) {
            window = window != 0 ? window : server.find_window(title);
            Screenshot shot;
            if (window != 0 && server.capture(window, shot)) {
                for (size_t frame = 0; frame < displays.size(); ++frame) {
                    if (shows(shot, displays[frame])) {
                        seen.insert(frame);
                    }
                }
            }
            std::this_thread::sleep_for(40ms);
        }
        return seen;
    }

    // `qx play` with these options shows two different frames of `displays`, and Esc ends it.
    // `presenter` forces the pictures' way to the window (see QX_PRESENTER).
    void expect_qx_play_shows(const std::vector<std::string>& options,
                              const std::vector<DisplayPicture>& displays,
                              const std::string& presenter = "") {
        std::vector<std::string> arguments = {std::string(QX_BINARY_DIR) + "/qx", "play"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back("movie.mnb");
        auto program = start(arguments, presenter);
        ASSERT_TRUE(program->started());
        unsigned long window = 0;
        const std::set<size_t> seen =
            frames_seen(*program, "qx play: movie.mnb", displays, 20s, window);
        ASSERT_NE(window, 0u) << "no window appeared";
        EXPECT_EQ(seen.size(), 2u) << "screenshots showing a frame expected: " << seen.size();
        server.press_key(window, "Escape");
        EXPECT_EQ(program->wait(20s), 0) << program_output();
    }
};

using WindowScreenshot = WindowScreenshotFixture;

TEST_F(WindowScreenshot, QxPlayShowsTheExportedFramesEnlargedAndEndsOnEsc) {
    std::vector<DisplayPicture> displays;
    for (const std::vector<uint8_t>& frame : exported("", "export")) {
        displays.push_back(play_display(frame));
    }
    ASSERT_EQ(displays.size(), size_t{MOVIE_FRAMES});
    expect_qx_play_shows({}, displays);
}

// The server here has no graphics hardware, so by itself `qx play` draws in the window's own
// surface; through a renderer's texture the pictures must be the same.
TEST_F(WindowScreenshot, QxPlayShowsTheSameFramesThroughARenderer) {
    std::vector<DisplayPicture> displays;
    for (const std::vector<uint8_t>& frame : exported("", "export")) {
        displays.push_back(play_display(frame));
    }
    expect_qx_play_shows({}, displays, "renderer");
}

// The summed colour tables of Mnb leave brightness out; `qx play` applies it to what it shows.
TEST_F(WindowScreenshot, QxPlayShowsMnbFramesAtTheBrightnessAsked) {
    PictureBrightness half;
    ASSERT_TRUE(half.set(PixelFormat{32, PIXEL_FORMAT_RGB, 16, 0xF800, 0x07E0, 0x001F}, 50));
    std::vector<DisplayPicture> displays;
    for (const std::vector<uint8_t>& frame : exported("", "export")) {
        DisplayPicture display = play_display(frame);
        for (uint32_t& rgb : display.pixels) {
            const auto pixel = static_cast<uint16_t>((rgb >> 19) << 11 | (rgb >> 10 & 0x3F) << 5 |
                                                     (rgb >> 3 & 0x1F));
            const uint16_t darker = half.apply(pixel);
            rgb = uint32_t(darker >> 11) << 19 | uint32_t(darker >> 5 & 0x3F) << 10 |
                  uint32_t(darker & 0x1F) << 3;
        }
        displays.push_back(std::move(display));
    }
    expect_qx_play_shows({"--brightness", "50"}, displays);
}

TEST_F(WindowScreenshot, HostShowsTheExportedFramesOnScanLinesAndEndsOnEsc) {
    std::vector<DisplayPicture> displays;
    for (const std::vector<uint8_t>& frame : exported("--double-width", "export-double-width")) {
        displays.push_back(host_display(frame));
    }
    ASSERT_EQ(displays.size(), size_t{MOVIE_FRAMES});
    std::filesystem::copy_file(folder.path() + "/movie.mnb", folder.path() + "/ORLUND.MNB");
    auto program = start({std::string(QX_BINARY_DIR) + "/qxhost"});
    ASSERT_TRUE(program->started());
    unsigned long window = 0;
    const std::set<size_t> seen = frames_seen(*program, HOST_TITLE, displays, 20s, window);
    ASSERT_NE(window, 0u) << "no window appeared";
    EXPECT_EQ(seen.size(), 2u) << "screenshots showing an exported frame: " << seen.size();
    server.press_key(window, "Escape");
    EXPECT_EQ(program->wait(20s), 0) << program_output();
}

// The display goes away in the middle of the movie: playback goes on unseen to the end.
TEST_F(WindowScreenshot, QxPlayPlaysOnHiddenWhenTheDisplayGoesAway) {
    auto program = start({std::string(QX_BINARY_DIR) + "/qx", "play", "movie.mnb"});
    ASSERT_NE(wait_for_window("qx play: movie.mnb"), 0u);
    std::this_thread::sleep_for(500ms);
    server.shut_down();
    EXPECT_EQ(program->wait(30s), 0) << program_output();
    const std::string text = program_output();
    std::smatch counts;
    ASSERT_TRUE(std::regex_search(text, counts, std::regex("(\\d+) frames shown, (\\d+) dropped")))
        << text;
    EXPECT_EQ(std::stoi(counts[1]) + std::stoi(counts[2]), MOVIE_FRAMES) << text;
}

// The host plays over and over until a key or the window ends it; with the display gone it
// must simply keep playing, and, with no window left to close, end on a terminate signal as
// any program does (which it can only while its main thread goes on).
TEST_F(WindowScreenshot, HostPlaysOnHiddenWhenTheDisplayGoesAway) {
    std::filesystem::copy_file(folder.path() + "/movie.mnb", folder.path() + "/ORLUND.MNB");
    auto program = start({std::string(QX_BINARY_DIR) + "/qxhost"});
    ASSERT_NE(wait_for_window(HOST_TITLE), 0u);
    std::this_thread::sleep_for(500ms);
    server.shut_down();
    std::this_thread::sleep_for(5s);
    EXPECT_TRUE(program->running());
    EXPECT_TRUE(program->terminate(10s)) << "still running after a terminate signal";
}

}  // namespace
