#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <thread>

#include "tests/support/temp_movie.h"
#include "tests/tools/encode_test_support.h"

namespace qx {

// `qx encode` never damages a file: not one it reads, and not the movie it replaces.
namespace {

constexpr int32_t WIDTH = 64;
constexpr int32_t HEIGHT = 48;

// Every file under `folder` with its bytes.
std::map<std::string, std::string> folder_contents(const std::string& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            std::ifstream file(entry.path(), std::ios::binary);
            contents[entry.path().string()] = {std::istreambuf_iterator<char>(file),
                                               std::istreambuf_iterator<char>()};
        }
    }
    return contents;
}

// Named by another path, by a hard link, or as a picture of a folder or pattern: the output is
// still one of the inputs, and refused before anything is written.
TEST(EncodeSafety, AnOutputThatIsAnInputIsRefused) {
    TempFolder folder;
    const std::string root = folder.path();
    std::filesystem::create_directory(root + "/src");
    write_png_frames(root + "/src/%05d.png", WIDTH, HEIGHT, scene_frames(WIDTH, HEIGHT, 3));
    std::filesystem::create_hard_link(root + "/src/00001.png", root + "/linked.png");
    SoundFile tone{1, 22050, std::vector<int16_t>(22050, 1000)};
    write_wav(root + "/tone.wav", tone);
    const char* cases[] = {
        "src/00000.png -i src --frames 3",
        "./src/../src/00002.png -i src/%05d.png",
        "linked.png -i src",
        "tone.wav -i src --audio-in tone.wav",
        "src/00000.png -i src/00000.png",
    };
    const auto before = folder_contents(root);
    for (const char* arguments : cases) {
        const QxRun run = run_qx_in(root, std::string("encode ") + arguments);
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_NE(run.errors.find("is one of the inputs"), std::string::npos)
            << arguments << ": " << run.errors;
        EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
        EXPECT_TRUE(folder_contents(root) == before) << arguments;
    }
}

// An encode killed at any moment leaves the movie it was to replace as it was, or the whole new
// one, and no other file behind.
TEST(EncodeSafety, AKilledEncodeLeavesTheOldMovieAsItWas) {
    TempFolder folder;
    const std::string root = folder.path();
    std::filesystem::create_directory(root + "/src");
    write_png_frames(root + "/src/%05d.png", 320, 240, scene_frames(320, 240, 40));
    ASSERT_EQ(run_qx_in(root, "encode old.mnb -i src --frames 2").status, 0);
    const auto before = folder_contents(root);
    for (const int after_ms : {20, 150, 600}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, 1);
            dup2(quiet, 2);
            if (chdir(root.c_str()) == 0) {
                const std::string qx = std::string(QX_BINARY_DIR) + "/qx";
                execl(qx.c_str(), "qx", "encode", "old.mnb", "-i", "src", "--quality", "95",
                      static_cast<char*>(nullptr));
            }
            _exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(after_ms));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const auto after = folder_contents(root);
        if (WIFEXITED(status)) {
            // It finished first: the new movie is whole, and nothing else changed.
            EXPECT_EQ(WEXITSTATUS(status), 0);
            EXPECT_EQ(after.size(), before.size());
            continue;
        }
        EXPECT_TRUE(after == before) << "killed after " << after_ms << " ms";
    }
}

}  // namespace

}  // namespace qx
