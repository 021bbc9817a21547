#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <thread>

#include "tests/platform/sdl_test_support.h"
#include "tests/support/program_output.h"
#include "tests/support/temp_movie.h"
#include "tests/support/time_slack.h"
#include "tools/qx/movie_info.h"
#include "tools/qx/play_session.h"

namespace qx {

// `qx play` in-process (keys through SDL's queue, under Xvfb) and as the program.
namespace {

using namespace std::chrono_literals;

struct PlayToolFixture : testing::Test {
    std::filesystem::path movie;

    void SetUp() override {
        movie = std::filesystem::temp_directory_path() /
                ("qx_play_" + std::to_string(::getpid()) + ".mnb");
    }
    void TearDown() override { std::filesystem::remove(movie); }

    PlayOptions options(double fps = 0) {
        PlayOptions result;
        result.movies = {movie.string()};
        result.no_sound = true;
        result.fps = fps;
        return result;
    }

    // Runs the session on this thread while `drive` runs on another; Esc follows `drive`.
    int run_driven(PlaySession& session, const std::function<void()>& drive) {
        std::thread driver([&] {
            if (wait_for([&] { return session.plays_started() > 0; }, 20s)) {
                drive();
            }
            push_key(SDLK_ESCAPE);
        });
        const int status = session.run();
        driver.join();
        return status;
    }
};

using PlayTool = PlayToolFixture;

std::string run_program(const std::string& arguments, int& status) {
    const std::string output_path = std::filesystem::temp_directory_path() /
                                    ("qx_play_out_" + std::to_string(::getpid()) + ".txt");
    const std::string command =
        std::string(QX_BINARY_DIR) + "/qx play " + arguments + " > " + output_path + " 2>&1";
    status = std::system(command.c_str());
    std::ifstream file(output_path);
    std::string output{std::istreambuf_iterator<char>(file), {}};
    std::filesystem::remove(output_path);
    return output;
}

// The frames the summary counts, shown or dropped (a loaded machine may drop one from the
// screen, never from the movie); -1 without a summary.
int frames_played(const std::string& output) {
    std::smatch counts;
    if (!std::regex_search(output, counts, std::regex(R"((\d+) frames shown, (\d+) dropped)"))) {
        return -1;
    }
    return std::stoi(counts[1]) + std::stoi(counts[2]);
}

}  // namespace

TEST_F(PlayTool, HeadlessPlaysEveryFrame) {
    write_test_movie(movie, 40, false);
    PlayOptions headless = options();
    headless.headless = true;
    PlaySession session(headless);
    EXPECT_EQ(session.run(), 0);
    EXPECT_TRUE(session.headless());
    EXPECT_EQ(session.tally().presented + session.tally().dropped, 40);
    EXPECT_EQ(session.tally().plays, 1);
}

TEST_F(PlayTool, FpsPacesAMovieWithoutSound) {
    write_test_movie(movie, 25, false);
    PlayOptions paced = options(50);
    paced.headless = true;
    PlaySession session(paced);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(session.run(), 0);
    // 25 frames at 50 a second: the last is due half a second after the first.
    EXPECT_GE(std::chrono::steady_clock::now() - started, 460ms);
    EXPECT_EQ(session.tally().presented, 25);
}

TEST_F(PlayTool, EscQuitsInTheMiddle) {
    write_test_movie(movie, 200, false);
    PlaySession session(options(20));
    const int status = run_driven(session, [] { std::this_thread::sleep_for(300ms); });
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(session.headless());
    EXPECT_LT(session.tally().presented, 100);
    EXPECT_GT(session.tally().presented, 0);
}

TEST_F(PlayTool, SpacePausesAndResumes) {
    write_test_movie(movie, 400, false);
    PlaySession session(options(50));
    int32_t at_pause = -1;
    int32_t later = -2;
    int32_t resumed = -3;
    run_driven(session, [&] {
        std::this_thread::sleep_for(200ms);
        push_key(SDLK_SPACE);
        // Long enough for the key to reach the player, however slow the build.
        std::this_thread::sleep_for(200ms * time_slack());
        at_pause = session.tally().presented;
        std::this_thread::sleep_for(300ms);
        later = session.tally().presented;
        push_key(SDLK_SPACE);
        std::this_thread::sleep_for(300ms);
        resumed = session.tally().presented;
    });
    EXPECT_EQ(later, at_pause);
    EXPECT_GT(resumed, later);
}

TEST_F(PlayTool, RestartKeyPlaysFromTheStartAgain) {
    write_test_movie(movie, 400, false);
    PlaySession session(options(50));
    run_driven(session, [&] {
        std::this_thread::sleep_for(200ms);
        push_key(SDLK_r);
        wait_for([&] { return session.plays_started() > 1; }, 5s);
    });
    EXPECT_EQ(session.plays_started(), 2);
    EXPECT_LT(session.tally().presented, 400);
}

TEST_F(PlayTool, LoopPlaysOnUntilQuit) {
    write_test_movie(movie, 5, false);
    PlayOptions looping = options(100);
    looping.loop = true;
    PlaySession session(looping);
    run_driven(session, [&] { wait_for([&] { return session.plays_started() >= 3; }, 10s); });
    EXPECT_GE(session.tally().plays, 3);
}

TEST_F(PlayTool, FullScreenKeyAndCloseButton) {
    write_test_movie(movie, 400, false);
    PlaySession session(options(50));
    std::thread driver([&] {
        wait_for([&] { return session.plays_started() > 0; }, 20s);
        push_key(SDLK_f);
        std::this_thread::sleep_for(200ms);
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    });
    EXPECT_EQ(session.run(), 0);
    driver.join();
    EXPECT_LT(session.tally().presented, 400);
}

TEST_F(PlayTool, StatusLineShowsPositionAndTheBrightnessSet) {
    write_test_movie(movie, 400, true);
    PlayOptions dimmed = options();
    dimmed.brightness = 50;
    PlaySession session(dimmed);
    const auto line_has = [&](const std::string& text) {
        return wait_for(
            [&] {
                return play_status_line(session.shown_status()).find(text) != std::string::npos;
            },
            5s);
    };
    run_driven(session, [&] {
        EXPECT_TRUE(line_has(" / 0:26  brightness 50%"));
        push_key(SDLK_KP_PLUS);
        EXPECT_TRUE(line_has("brightness 60%"));
        push_key(SDLK_KP_MINUS);
        push_key(SDLK_KP_MINUS);
        push_key(SDLK_SPACE);
        EXPECT_TRUE(line_has("brightness 40%  paused"));
        // The position is the player's: a restart shows it from the start again.
        push_key(SDLK_SPACE);
        EXPECT_TRUE(line_has("0:01 / 0:26"));
        push_key(SDLK_r);
        EXPECT_TRUE(line_has("0:00 / 0:26"));
    });
    EXPECT_TRUE(line_has("brightness 40%")) << play_status_line(session.shown_status());
}

// Keys and clicks seek through the player to exactly the frame they name.
TEST_F(PlayTool, KeysAndClicksSeekAndStep) {
    write_test_movie(movie, 400, true);
    PlaySession session(options());
    const auto at_frame = [&](int32_t frame) {
        return wait_for([&] { return session.shown_status().frame == frame; }, 5s);
    };
    run_driven(session, [&] {
        ASSERT_TRUE(wait_for([&] { return session.shown_status().frames == 400; }, 5s));
        push_key(SDLK_SPACE);
        ASSERT_TRUE(wait_for([&] { return session.shown_status().paused; }, 5s));
        push_key(SDLK_END);
        EXPECT_TRUE(at_frame(399)) << session.shown_status().frame;
        push_key(SDLK_HOME);
        EXPECT_TRUE(at_frame(0)) << session.shown_status().frame;
        push_key(SDLK_PERIOD);
        EXPECT_TRUE(at_frame(1)) << session.shown_status().frame;
        push_key(SDLK_COMMA);
        EXPECT_TRUE(at_frame(0)) << session.shown_status().frame;
        push_key(SDLK_PAGEUP);
        EXPECT_TRUE(at_frame(40)) << session.shown_status().frame;
        // The player shares the length of the sound evenly among the frames, and tells a
        // frame's time rounded up.
        const auto frame_at = [](int64_t ms) { return static_cast<int32_t>(ms * 400 / 26666); };
        const auto time_of = [](int64_t frame) { return (frame * 26666 + 399) / 400; };
        push_key(SDLK_RIGHT);
        const int32_t later = frame_at(time_of(40) + 5000);
        EXPECT_TRUE(at_frame(later)) << session.shown_status().frame;
        push_key(SDLK_LEFT);
        EXPECT_TRUE(at_frame(frame_at(time_of(later) - 5000))) << session.shown_status().frame;
        push_key(SDLK_UP);
        EXPECT_TRUE(at_frame(399)) << session.shown_status().frame;
        push_key(SDLK_DOWN);
        EXPECT_TRUE(at_frame(0)) << session.shown_status().frame;
        EXPECT_TRUE(session.shown_status().paused);
        // A click on the seek bar, a quarter of the way across.
        int width = 0;
        int height = 0;
        SDL_Window* window = first_sdl_window();
        ASSERT_NE(window, nullptr);
        SDL_GetWindowSize(window, &width, &height);
        const ControlsLayout layout = controls_layout(width, height);
        const int32_t clicked = track_frame(layout, width / 4, 400);
        EXPECT_NEAR(clicked, 100, 10);
        push_click(width / 4, layout.track.y + 1);
        EXPECT_TRUE(at_frame(clicked)) << session.shown_status().frame;
        push_click(width / 2, height / 2);
        push_key(SDLK_PERIOD);
        EXPECT_TRUE(at_frame(clicked + 1)) << "a click above the edge does not seek";
    });
}

TEST_F(PlayTool, ProgramPrintsItsSummary) {
    write_test_movie(movie, 30, false);
    int status = 0;
    const std::string output = run_program("--headless --fps 100 " + movie.string(), status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(frames_played(output), 30) << output;
}

TEST_F(PlayTool, WithoutADisplayItSaysSoAndPlaysHeadless) {
    write_test_movie(movie, 30, false);
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " +
                                std::string(QX_BINARY_DIR) + "/qx play --fps 100 " +
                                movie.string() + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string text;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) {
        text += buffer;
    }
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_NE(text.find("qx play: no display can be opened; playing headless\n"), std::string::npos)
        << text;
    EXPECT_EQ(frames_played(text), 30) << text;
}

TEST_F(PlayTool, MissingOrBrokenMovieIsOneErrorLine) {
    int status = 0;
    const std::string output = run_program("--headless /no/such/movie.mnb", status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(output, "qx play: /no/such/movie.mnb: no such file\n");
}

// Without a sound device the movie plays silently, with one line of qx's own and nothing from
// the libraries that looked for one.
TEST_F(PlayTool, WithoutSoundItSaysSoOnce) {
    write_test_movie(movie, 30, true);
    const ProgramOutput result =
        // As in the window tests, the leak check would blame us for the system display libraries.
        run_command("SDL_AUDIODRIVER=no_such_driver ASAN_OPTIONS=detect_leaks=0 " +
                    std::string(QX_BINARY_DIR) + "/qx play " + movie.string());
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "qx play: no sound device: playing without sound\n");
    EXPECT_EQ(frames_played(result.out), 30) << result.out;
}

// A file dropped on the window plays at once, in place of the movie playing; the list then
// ends with it.
TEST_F(PlayTool, ADroppedFilePlays) {
    write_test_movie(movie, 400, false);
    const std::filesystem::path dropped = movie.string() + ".dropped.mnb";
    write_test_movie(dropped, 12, false);
    PlaySession session(options(50));
    std::thread driver([&] {
        if (wait_for([&] { return session.plays_started() > 0; }, 20s)) {
            push_drop(dropped.string());
        }
    });
    EXPECT_EQ(session.run(), 0);
    driver.join();
    EXPECT_EQ(session.movie(), dropped.string());
    EXPECT_EQ(session.plays_started(), 2);
    EXPECT_EQ(session.tally().presented + session.tally().dropped, 12);
    std::filesystem::remove(dropped);
}

// Without sound and without --fps, frames come at the 15 a second `qx info` assumes.
TEST_F(PlayTool, AMovieWithoutSoundTakesItsFramesAtFifteenASecond) {
    write_test_movie(movie, 9, false);
    PlayOptions soundless;
    soundless.movies = {movie.string()};
    soundless.headless = true;
    PlaySession session(soundless);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(session.run(), 0);
    // The ninth frame is due 8/15 s after the first.
    EXPECT_GE(std::chrono::steady_clock::now() - started, 520ms);
    EXPECT_EQ(session.tally().presented, 9);
}

// Junk over a chunk header in the middle: `qx play` plays every frame `qx info` counts and says
// once where the damage was and how long.
TEST_F(PlayTool, ADamagedMoviePlaysEveryFrameInfoCounts) {
    write_test_movie(movie, 40, true);
    {
        std::fstream file(movie, std::ios::in | std::ios::out | std::ios::binary);
        uint8_t first[8] = {};
        file.read(reinterpret_cast<char*>(first), 8);
        // The 21st picture's chunk header: after the audio header, 20 pairs of sound and
        // picture chunks and the 21st sound chunk.
        const std::streamoff audio_header = first[4] | first[5] << 8;
        const std::streamoff sound = 8 + 4 + 1470 * 4;
        file.seekp(audio_header + 20 * (sound + 8 + 64) + sound);
        file.write("DAMAGED!", 8);
    }
    MovieInfo info;
    std::string error;
    ASSERT_TRUE(read_movie_info(movie.string(), info, error, false)) << error;
    ASSERT_FALSE(info.problems.empty());
    ASSERT_GT(info.video_frames, 20);
    const ProgramOutput result =
        run_command(std::string(QX_BINARY_DIR) + "/qx play --headless " + movie.string());
    EXPECT_EQ(result.status, 0);
    std::smatch counts;
    ASSERT_TRUE(
        std::regex_search(result.out, counts, std::regex("(\\d+) frames shown, (\\d+) dropped")))
        << result.out;
    EXPECT_EQ(std::stoi(counts[1]) + std::stoi(counts[2]), info.video_frames) << result.out;
    EXPECT_NE(result.err.find(": damaged data at "), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("damaged", result.err.find("damaged") + 1), std::string::npos)
        << "said once: " << result.err;
}

// 9 and 0 set the volume the bar shows, ? lays the keys over the picture, and s saves the
// picture shown, named after the movie and the frame, without writing over an earlier one.
TEST_F(PlayTool, VolumeKeysHelpAndSavedPicture) {
    write_test_movie(movie, 400, true);
    TempFolder folder;
    const std::filesystem::path old_directory = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    const std::string stem = movie.stem().string();
    std::ofstream(stem + "_00000.png") << "kept";
    PlaySession session(options());
    std::string message;
    run_driven(session, [&] {
        ASSERT_TRUE(wait_for([&] { return session.shown_status().frames == 400; }, 5s));
        push_key(SDLK_SPACE);
        push_key(SDLK_HOME);
        push_key(SDLK_9);
        push_key(SDLK_9);
        EXPECT_TRUE(wait_for([&] { return session.shown_controls().volume == 90; }, 5s));
        push_key(SDLK_0);
        EXPECT_TRUE(wait_for([&] { return session.shown_controls().volume == 95; }, 5s));
        EXPECT_TRUE(session.shown_controls().bar);
        push_key(SDLK_SLASH);
        EXPECT_TRUE(wait_for([&] { return session.shown_controls().panel.size() > 10; }, 5s));
        push_key(SDLK_s);
        wait_for([&] { return !(message = session.shown_controls().message).empty(); }, 5s);
    });
    const std::string saved = stem + "_00000-2.png";
    EXPECT_EQ(message, "saved " + saved);
    std::ifstream png(saved, std::ios::binary);
    char signature[4] = {};
    png.read(signature, 4);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
    std::ifstream kept(stem + "_00000.png");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "kept");
    std::filesystem::current_path(old_directory);
}

}  // namespace qx
