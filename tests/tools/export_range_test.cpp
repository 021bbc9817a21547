#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "format/video_kinds.h"
#include "tests/end_to_end/shaped_movie.h"
#include "tests/support/program_output.h"
#include "tests/support/temp_movie.h"

namespace qx {

// `qx export --start-frame/--frames/--start`: the files of a range are those a whole export
// writes under the same numbers, and its sound is the matching stretch of the whole sound.
namespace {

namespace fs = std::filesystem;

constexpr int32_t LEAD = 2;  // audio chunks before the first picture
constexpr int32_t TAIL = 3;  // and after the last
constexpr int32_t FRAMES = 30;
// Stereo sample frames of each audio chunk of a shaped movie (22,050 Hz, 15 fps).
constexpr int32_t CHUNK_FRAMES = 22050 / 15;

std::vector<uint8_t> file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<int16_t> wav_samples(const fs::path& path, int& channels) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(file, nullptr) << path;
    std::vector<int16_t> samples;
    if (file != nullptr) {
        samples.resize(static_cast<size_t>(info.frames * info.channels));
        sf_readf_short(file, samples.data(), info.frames);
        sf_close(file);
    }
    channels = info.channels;
    return samples;
}

std::vector<std::string> names_in(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class ExportRangeTest : public ::testing::TestWithParam<int32_t> {
  protected:
    void SetUp() override {
        MovieShape shape;
        shape.frames = FRAMES;
        shape.video_kind = GetParam();
        shape.sound_lead = LEAD;
        shape.sound_tail = TAIL;
        ShapedMovie made = shaped_movie(shape);
        copied_macroblocks_ = made.copied_macroblocks;
        movie_ = folder_.path() + "/movie.qx";
        ASSERT_TRUE(made.writer.save(movie_));
        const ProgramOutput whole = export_to("whole", "");
        ASSERT_EQ(whole.status, 0) << whole.err;
        whole_wav_ = wav_samples(folder_.path() + "/whole/audio.wav", channels_);
        ASSERT_EQ(channels_, 2);
        ASSERT_EQ(whole_wav_.size(), size_t{2} * CHUNK_FRAMES * (LEAD + FRAMES + TAIL));
    }

    ProgramOutput export_to(const std::string& name, const std::string& range) {
        return run_qx("export " + movie_ + " " + folder_.path() + "/" + name +
                      " --raw --png --wav " + range);
    }

    // Every file of the range is the whole export's file of that name, the range holds
    // exactly the frames first to end - 1, and its sound is the whole sound's samples from
    // `sound_from` to `sound_to` (in stereo sample frames).
    void expect_range_matches(const std::string& name, int32_t first, int32_t end,
                              int64_t sound_from, int64_t sound_to) {
        const fs::path part = folder_.path() + "/" + name;
        const fs::path whole = folder_.path() + "/whole";
        int32_t pictures = 0;
        for (const std::string& file : names_in(part)) {
            if (file.rfind("frame_", 0) != 0) {
                continue;
            }
            const int32_t index = std::stoi(file.substr(6, 5));
            EXPECT_GE(index, first) << file;
            EXPECT_LT(index, end) << file;
            EXPECT_EQ(file_bytes(part / file), file_bytes(whole / file)) << file;
            pictures += file.ends_with(".png") ? 1 : 0;
        }
        EXPECT_EQ(pictures, end - first);
        int channels = 0;
        const std::vector<int16_t> sound = wav_samples(part / "audio.wav", channels);
        const std::vector<int16_t> expected(whole_wav_.begin() + 2 * sound_from,
                                            whole_wav_.begin() + 2 * sound_to);
        EXPECT_EQ(channels, 2);
        EXPECT_TRUE(sound == expected)
            << name << ": " << sound.size() << " samples, " << expected.size() << " expected";
    }

    std::string frame_kind(int32_t index) {
        const std::vector<uint8_t> json = file_bytes(folder_.path() + "/whole/frames.json");
        const std::string text(json.begin(), json.end());
        const std::string key = "\"index\": " + std::to_string(index) + ", \"kind\": ";
        const size_t at = text.find(key);
        return at == std::string::npos ? "" : text.substr(at + key.size(), 1);
    }

    TempFolder folder_;
    std::string movie_;
    std::vector<int16_t> whole_wav_;
    int channels_ = 0;
    int32_t copied_macroblocks_ = 0;
};

TEST_P(ExportRangeTest, RangesAreTheWholeExportsFilesAndSound) {
    if (GetParam() == VIDEO_RKD_KEY) {
        // The range starts on an inter frame, whose picture rests on the frames before it.
        ASSERT_EQ(frame_kind(11), "2");
    } else if (GetParam() == VIDEO_ZLE) {
        ASSERT_GT(copied_macroblocks_, 0);
    }
    // Frame f's sound is the chunk after its picture; the lead goes with frame 0, the tail
    // with the last frame.
    const ProgramOutput middle = export_to("middle", "--start-frame 11 --frames 7");
    EXPECT_EQ(middle.status, 0) << middle.err;
    EXPECT_EQ(middle.out,
              "wrote 7 PNG pictures, 7 raw frames with frames.json and audio.wav (0.5 s, 22,050 "
              "Hz stereo) for frames 11 to 17\n");
    expect_range_matches("middle", 11, 18, int64_t{LEAD + 11} * CHUNK_FRAMES,
                         int64_t{LEAD + 18} * CHUNK_FRAMES);

    const ProgramOutput opening = export_to("opening", "--frames 3");
    EXPECT_EQ(opening.status, 0) << opening.err;
    expect_range_matches("opening", 0, 3, 0, int64_t{LEAD + 3} * CHUNK_FRAMES);

    // A count past the end stops at the last frame.
    const ProgramOutput closing = export_to("closing", "--start-frame 27 --frames 100");
    EXPECT_EQ(closing.status, 0) << closing.err;
    EXPECT_NE(closing.out.find("for frames 27 to 29\n"), std::string::npos) << closing.out;
    expect_range_matches("closing", 27, FRAMES, int64_t{LEAD + 27} * CHUNK_FRAMES,
                         int64_t{LEAD + FRAMES + TAIL} * CHUNK_FRAMES);
}

INSTANTIATE_TEST_SUITE_P(EachCodec, ExportRangeTest,
                         ::testing::Values(VIDEO_MNB, VIDEO_RKD_KEY, VIDEO_ZLE),
                         [](const auto& codec) {
                             return codec.param == VIDEO_MNB   ? std::string("Mnb")
                                    : codec.param == VIDEO_ZLE ? std::string("Zle")
                                                               : std::string("Rkd");
                         });

// The player's seek by time shares the length of the sound evenly among the frames; --start
// lands on the frame it does.
TEST(ExportRange, StartInSecondsIsTheFrameThePlayerSeeksTo) {
    TempFolder folder;
    MovieShape shape;
    shape.frames = FRAMES;
    const std::string movie = folder.path() + "/movie.qx";
    ASSERT_TRUE(shaped_movie(shape).writer.save(movie));
    shape.sound_lead = 10;
    const std::string led = folder.path() + "/led.qx";
    ASSERT_TRUE(shaped_movie(shape).writer.save(led));
    const struct {
        const std::string& movie;
        const char* start;
        int first;
    } cases[] = {{movie, "0", 0},    {movie, "0.06", 0},  {movie, "0.07", 1},
                 {movie, "1.0", 15}, {movie, "1.06", 15}, {led, "1.0", 11}};
    for (const auto& c : cases) {
        const ProgramOutput result =
            run_qx("export " + c.movie + " " + folder.path() + "/out --wav --start " + c.start);
        EXPECT_EQ(result.status, 0) << c.start << ": " << result.err;
        EXPECT_NE(result.out.find(" for frames " + std::to_string(c.first) + " to 29"),
                  std::string::npos)
            << c.start << ": " << result.out;
    }
}

TEST(ExportRange, RangesOutsideTheMovieAreUsageErrors) {
    TempFolder folder;
    MovieShape shape;
    shape.frames = 10;
    const std::string movie = folder.path() + "/movie.qx";
    ASSERT_TRUE(shaped_movie(shape).writer.save(movie));
    MovieShape silent = shape;
    silent.sound = false;
    const std::string silent_movie = folder.path() + "/silent.qx";
    ASSERT_TRUE(shaped_movie(silent).writer.save(silent_movie));
    const std::string out = folder.path() + "/out";
    const struct {
        std::string arguments;
        std::string line;
    } cases[] = {
        {movie + " " + out + " --start-frame 10",
         "qx export: --start-frame 10 is past the last frame (9)\n"},
        {movie + " " + out + " --start 0.7",
         "qx export: --start 0.7 is past the end of the movie (0.67 s)\n"},
        {movie + " " + out + " --frames 0", "qx export: --frames must be greater than 0\n"},
        {movie + " " + out + " --start-frame -1", "qx export: --start-frame must be 0 or more\n"},
        {movie + " " + out + " --start 1 --start-frame 2", ""},
        {silent_movie + " " + out + " --start 0.1",
         "qx export: --start needs a movie with sound to time its frames; use --start-frame\n"},
    };
    for (const auto& c : cases) {
        const ProgramOutput result = run_qx("export " + c.arguments);
        EXPECT_EQ(result.status, 2) << c.arguments;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        if (!c.line.empty()) {
            EXPECT_EQ(result.err, c.line) << c.arguments;
        }
        EXPECT_TRUE(result.out.empty()) << result.out;
    }
    EXPECT_FALSE(fs::exists(out));
}

}  // namespace

}  // namespace qx
