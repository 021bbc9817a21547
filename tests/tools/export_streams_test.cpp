#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "tests/support/program_output.h"
#include "tests/support/temp_movie.h"
#include "tests/tools/encode_test_support.h"
#include "tests/tools/file_checks.h"
#include "tests/tools/webm_readback.h"
#include "tools/qx/encode_frames.h"

namespace qx {

namespace {

constexpr int32_t WIDTH = 64;
constexpr int32_t HEIGHT = 48;
constexpr int32_t FRAMES = 6;

void make_movie(const std::string& folder, int32_t channels) {
    write_png_frames(folder + "/%d.png", WIDTH, HEIGHT, scene_frames(WIDTH, HEIGHT, FRAMES));
    SoundFile tone{channels, 22050, {}};
    for (int32_t i = 0; i < 22050 * channels * 2 / 5; ++i) {
        tone.samples.push_back(static_cast<int16_t>(5000 * std::sin(i * 0.05)));
    }
    write_wav(folder + "/tone.wav", tone);
    const QxRun made = run_qx_in(folder, "encode movie.mnb -i %d.png --fps 15 --audio-in tone.wav");
    ASSERT_EQ(made.status, 0) << made.errors;
}

}  // namespace

// The pictures through a YUV4MPEG2 stream, read back by our own .y4m input: the exported
// pictures again, within the rounding of the levels at 4:4:4 and of chroma at 4:2:0.
TEST(ExportStreams, Y4mHoldsTheExportedPictures) {
    TempFolder folder;
    make_movie(folder.path(), 2);
    ASSERT_EQ(run_qx_in(folder.path(), "export movie.mnb shown --png").status, 0);
    const auto shown = exported_frames(folder.path() + "/shown", FRAMES);
    ASSERT_EQ(shown.size(), size_t{FRAMES});
    ASSERT_EQ(run_qx_in(folder.path(), "export movie.mnb --y4m half.y4m").status, 0);
    const ProgramOutput piped = run_command("cd '" + folder.path() + "' && " + QX_BINARY_DIR +
                                            "/qx export movie.mnb --y4m - --chroma 444 > full.y4m");
    ASSERT_EQ(piped.status, 0) << piped.err;
    for (const auto& [name, least_psnr] : {std::pair{"half.y4m", 30.0}, {"full.y4m", 42.0}}) {
        std::string error;
        const std::unique_ptr<FrameSource> frames =
            open_y4m_frames(folder.path() + "/" + name, error);
        ASSERT_NE(frames, nullptr) << error;
        EXPECT_DOUBLE_EQ(frames->frame_rate(), 15);
        EXPECT_EQ(frames->frame_count(), FRAMES);
        std::vector<uint8_t> rgb;
        for (const auto& picture : shown) {
            ASSERT_TRUE(frames->next(rgb, error)) << error;
            EXPECT_GE(rgb_psnr(picture, rgb), least_psnr) << name;
        }
    }
}

// The sound to standard output is the WAV a folder export writes, byte for byte, for stereo
// and for mono movies.
TEST(ExportStreams, WavToStandardOutputIsTheExportedWav) {
    for (const int32_t channels : {2, 1}) {
        TempFolder folder;
        make_movie(folder.path(), channels);
        ASSERT_EQ(run_qx_in(folder.path(), "export movie.mnb sound --wav").status, 0);
        const ProgramOutput piped = run_command("cd '" + folder.path() + "' && " + QX_BINARY_DIR +
                                                "/qx export movie.mnb --wav - | cat > piped.wav");
        ASSERT_EQ(piped.status, 0) << piped.err;
        EXPECT_EQ(file_text(folder.path() + "/piped.wav"),
                  file_text(folder.path() + "/sound/audio.wav"))
            << channels << " channels";
        ASSERT_EQ(run_qx_in(folder.path(), "export movie.mnb --wav named.wav").status, 0);
        EXPECT_EQ(file_text(folder.path() + "/named.wav"), file_text(folder.path() + "/piped.wav"));
    }
    TempFolder folder;
    make_movie(folder.path(), 2);
    EXPECT_EQ(run_qx_in(folder.path(), "export movie.mnb --y4m - --wav -").status, 2);
}

// Sound asked of a movie without any: nothing written, and the message says so without
// denying the pictures the movie has.
TEST(ExportStreams, SoundOfASoundlessMovieWritesNothingAndSaysWhy) {
    TempFolder folder;
    write_png_frames(folder.path() + "/%d.png", WIDTH, HEIGHT, scene_frames(WIDTH, HEIGHT, 2));
    ASSERT_EQ(run_qx_in(folder.path(), "encode movie.zle -i %d.png --video zle --no-audio").status,
              0);
    const ProgramOutput exported = run_command("cd '" + folder.path() + "' && " + QX_BINARY_DIR +
                                               "/qx export movie.zle out --wav");
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.out, "wrote nothing: the movie holds none of what was asked for\n");
}

}  // namespace qx
