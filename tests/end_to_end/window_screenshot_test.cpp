// `qx play` and `qxhost` run as programs with windows on an X server of the test's own. A
// screenshot taken while a movie plays must show, pixel for pixel, a frame `qx export` decodes
// from the same movie, enlarged as the backend enlarges the display in the window; and Esc ends
// each program with status 0.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/end_to_end/child_program.h"
#include "tests/end_to_end/private_x_server.h"
#include "tests/end_to_end/window_pictures.h"
#include "tests/support/temp_movie.h"
#include "tests/support/time_slack.h"
#include "tests/tools/encode_test_support.h"
#include "tools/qx/picture_brightness.h"
#include "tools/qx/play_controls.h"

namespace qx {

namespace {

using namespace std::chrono_literals;

constexpr int SCREEN_WIDTH = 1280;
constexpr int SCREEN_HEIGHT = 1024;
constexpr int32_t MOVIE_WIDTH = 320;
constexpr int32_t MOVIE_HEIGHT = 240;
constexpr int32_t MOVIE_FRAMES = 32;
constexpr char HOST_TITLE[] = "Korvath (Orlund Capture)";

DisplayPicture play_display(const std::vector<uint8_t>& frame) {
    return qx::play_display(frame, MOVIE_WIDTH, MOVIE_HEIGHT);
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

    // A program starting under a race checker on a busy machine may take a while to show its
    // window: making its renderer compiles the software GL driver's shaders.
    unsigned long wait_for_window(const std::string& title) {
        unsigned long window = 0;
        const auto deadline =
            std::chrono::steady_clock::now() +
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(20s * time_slack());
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

    // The movie's frames as `qx play` shows them.
    std::vector<DisplayPicture> play_displays() {
        std::vector<DisplayPicture> displays;
        for (const std::vector<uint8_t>& frame : exported("", "export")) {
            displays.push_back(play_display(frame));
        }
        return displays;
    }

    // Takes screenshots of `window` until one satisfies `wanted`, for up to `limit` (stretched
    // for slow builds); whether one did. The last one taken stays in `shot`.
    bool screenshot_until(unsigned long window, const std::function<bool()>& wanted,
                          Screenshot& shot, std::chrono::milliseconds limit) {
        const auto deadline =
            std::chrono::steady_clock::now() +
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(limit * time_slack());
        while (std::chrono::steady_clock::now() < deadline) {
            if (server.capture(window, shot) && wanted()) {
                return true;
            }
            std::this_thread::sleep_for(30ms);
        }
        return false;
    }

    // The frame of `displays` the window shows whole, with nothing over it; -1 while none.
    static int frame_shown(const Screenshot& shot, const std::vector<DisplayPicture>& displays) {
        for (size_t frame = 0; frame < displays.size(); ++frame) {
            if (shows(shot, displays[frame])) {
                return static_cast<int>(frame);
            }
        }
        return -1;
    }

    // `qx play` of the movie, paused, once its controls have gone: the window holds `frame`.
    struct PausedPlay {
        std::vector<DisplayPicture> displays;
        std::unique_ptr<ChildProgram> program;
        unsigned long window = 0;
        int frame = -1;
        Screenshot shot;
        ControlsLayout layout;
    };
    void start_paused_play(PausedPlay& play) {
        play.displays = play_displays();
        play.program = start({std::string(QX_BINARY_DIR) + "/qx", "play", "movie.mnb"});
        play.window = wait_for_window("qx play: movie.mnb");
        ASSERT_NE(play.window, 0u) << "no window appeared";
        server.press_key(play.window, "space");
        // The key brings the bar; once it has gone the window holds the paused frame.
        screenshot_until(
            play.window, [&] { return frame_shown(play.shot, play.displays) < 0; }, play.shot, 5s);
        screenshot_until(
            play.window, [&] { return (play.frame = frame_shown(play.shot, play.displays)) >= 0; },
            play.shot, 10s);
        ASSERT_GE(play.frame, 0) << "the paused window never showed an exported frame alone";
        play.layout = controls_layout(play.shot.width, play.shot.height);
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

// The controls come over the picture on a pointer move and leave the exact picture again 2 s
// after the pointer stops; the picture above them stays exact meanwhile.
TEST_F(WindowScreenshot, QxPlayControlsShowOnAPointerMoveAndGoTwoSecondsLater) {
    PausedPlay play;
    ASSERT_NO_FATAL_FAILURE(start_paused_play(play));
    const DisplayPicture& held = play.displays[play.frame];
    Screenshot& shot = play.shot;
    server.move_pointer(play.window, shot.width / 2, shot.height / 3);
    const auto moved = std::chrono::steady_clock::now();
    server.move_pointer(play.window, shot.width / 2 + 10, shot.height / 3);
    EXPECT_TRUE(screenshot_until(
        play.window, [&] { return !shows(shot, held) && shows(shot, held, play.layout.bar.y); },
        shot, 3s))
        << "no bar over the bottom of the picture";
    EXPECT_TRUE(screenshot_until(
        play.window, [&] { return shows(shot, held); }, shot, 6s))
        << "the bar never went";
    EXPECT_GE(std::chrono::steady_clock::now() - moved, 1900ms) << "the bar went too soon";
    server.press_key(play.window, "Escape");
    EXPECT_EQ(play.program->wait(20s), 0) << program_output();
}

// A press on the seek bar and a drag along it show, above the bar, the frame under the
// pointer; let go, the frame stays (the movie is paused) and the bar goes.
TEST_F(WindowScreenshot, QxPlayDragOnTheBarShowsTheFrameThere) {
    PausedPlay play;
    ASSERT_NO_FATAL_FAILURE(start_paused_play(play));
    const ControlsLayout& layout = play.layout;
    Screenshot& shot = play.shot;
    const int y = layout.track.y + layout.track.height / 2;
    const int from = layout.track.x + layout.track.width / 5;
    const int to = layout.track.x + layout.track.width * 3 / 4;
    server.move_pointer(play.window, from, y);
    server.press_button(true);
    for (int x = from; x <= to; x += (to - from) / 4) {
        server.move_pointer(play.window, x, y);
        std::this_thread::sleep_for(50ms);
    }
    server.move_pointer(play.window, to, y);
    const int wanted = track_frame(layout, to, MOVIE_FRAMES);
    ASSERT_NE(wanted, play.frame);
    const DisplayPicture& dragged_to = play.displays[wanted];
    EXPECT_TRUE(screenshot_until(
        play.window, [&] { return shows(shot, dragged_to, layout.bar.y); }, shot, 5s))
        << "the frame under the pointer is not shown while dragging";
    server.press_button(false);
    server.move_pointer(play.window, shot.width / 2, shot.height / 4);
    EXPECT_TRUE(screenshot_until(
        play.window, [&] { return shows(shot, dragged_to); }, shot, 6s))
        << "after the drag the window does not show that frame alone";
    server.press_key(play.window, "Escape");
    EXPECT_EQ(play.program->wait(20s), 0) << program_output();
}

// Movies given together play one after the other; n skips to the next at once.
TEST_F(WindowScreenshot, QxPlayPlaysMoviesInTurnAndNextSkips) {
    constexpr int SECOND_WIDTH = 160;
    constexpr int SECOND_HEIGHT = 120;
    constexpr int SECOND_FRAMES = 16;
    std::filesystem::create_directory(folder.path() + "/second");
    write_png_frames(folder.path() + "/second/%05d.png", SECOND_WIDTH, SECOND_HEIGHT,
                     scene_frames(SECOND_WIDTH, SECOND_HEIGHT, SECOND_FRAMES));
    ASSERT_EQ(run_qx_in(folder.path(), "encode second.mnb --input second --fps 8").status, 0);
    ASSERT_EQ(run_qx_in(folder.path(), "export --png second.mnb second-export").status, 0);
    std::vector<DisplayPicture> second;
    for (const auto& picture : exported_frames(folder.path() + "/second-export", SECOND_FRAMES)) {
        second.push_back(qx::play_display(picture, SECOND_WIDTH, SECOND_HEIGHT));
    }
    const std::vector<DisplayPicture> first = play_displays();
    auto program =
        start({std::string(QX_BINARY_DIR) + "/qx", "play", "movie.mnb", "second.mnb", "movie.mnb"});
    const unsigned long window = wait_for_window("qx play: movie.mnb");
    ASSERT_NE(window, 0u) << "no window appeared";
    Screenshot shot;
    EXPECT_TRUE(screenshot_until(
        window, [&] { return frame_shown(shot, first) >= 0; }, shot, 10s));
    server.press_key(window, "n");
    EXPECT_TRUE(screenshot_until(
        window, [&] { return frame_shown(shot, second) >= 0; }, shot, 5s))
        << "n did not go on to the second movie";
    EXPECT_TRUE(screenshot_until(
        window, [&] { return frame_shown(shot, first) >= 0; }, shot, 10s))
        << "the third movie did not follow the second";
    server.press_key(window, "Escape");
    EXPECT_EQ(program->wait(20s), 0) << program_output();
    const std::string text = program_output();
    const std::regex summary("(\\w+)\\.mnb: [^\\n]*frames? shown");
    std::vector<std::string> played;
    for (auto line = std::sregex_iterator(text.begin(), text.end(), summary);
         line != std::sregex_iterator(); ++line) {
        played.push_back((*line)[1]);
    }
    EXPECT_EQ(played, (std::vector<std::string>{"movie", "second", "movie"})) << text;
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

}  // namespace qx
