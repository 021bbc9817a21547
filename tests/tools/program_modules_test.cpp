#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/platform/sdl_test_support.h"
#include "tests/support/program_output.h"
#include "tests/support/temp_movie.h"
#include "tests/tools/encode_test_support.h"

namespace qx {

// `qx` loads its window and sound-file modules only for the commands that need them: a copy
// of the program without them still inspects and exports movies, and the commands that need
// one say in one line which cannot be loaded.
TEST(ProgramModules, CommandsThatNeedNoneRunWithoutThem) {
    TempFolder folder;
    const std::string qx = folder.path() + "/qx";
    std::filesystem::copy_file(std::string(QX_BINARY_DIR) + "/qx", qx);
    const std::string movie = folder.path() + "/movie.mnb";
    write_test_movie(movie, 6, true);

    EXPECT_EQ(run_command(qx + " info " + movie).status, 0);
    const ProgramOutput exported =
        run_command(qx + " export " + movie + " " + folder.path() + "/out");
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_TRUE(std::filesystem::exists(folder.path() + "/out/audio.wav"));

    const ProgramOutput played = run_command(qx + " play --no-sound " + movie);
    EXPECT_EQ(played.status, 0);
    EXPECT_EQ(played.err.find("qx play: the module qx-window.so cannot be loaded ("), 0u)
        << played.err;
    EXPECT_TRUE(played.err.ends_with("); playing headless\n")) << played.err;
    EXPECT_EQ(played.err.find('\n'), played.err.size() - 1) << played.err;

    SoundFile sound{1, 8000, std::vector<int16_t>(800)};
    write_wav(folder.path() + "/sound.wav", sound);
    write_png_frames(folder.path() + "/frame_%05d.png", 32, 32, scene_frames(32, 32, 2));
    const ProgramOutput encoded =
        run_command(qx + " encode " + folder.path() + "/encoded.mnb -i " + folder.path() +
                    "/frame_%05d.png --audio-in " + folder.path() + "/sound.wav");
    EXPECT_EQ(encoded.status, 1);
    EXPECT_EQ(encoded.err.find("qx encode: the module qx-sound-files.so cannot be loaded ("), 0u)
        << encoded.err;
    EXPECT_FALSE(std::filesystem::exists(folder.path() + "/encoded.mnb"));
}

}  // namespace qx
