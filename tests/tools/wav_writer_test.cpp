#include <gtest/gtest.h>
#include <sndfile.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/temp_movie.h"
#include "tools/qx/wav_writer.h"

namespace qx {

// The export's own WAV files must stay byte for byte what libsndfile wrote before them, since
// people compare exports of one movie across versions.
namespace {

std::vector<char> file_bytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// The same blocks through libsndfile and through our writer.
void expect_written_as_libsndfile(int32_t channels, int32_t sample_rate,
                                  const std::vector<std::vector<int16_t>>& blocks) {
    TempFolder folder;
    const std::string reference = folder.path() + "/reference.wav";
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = sample_rate;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(reference.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    const std::string ours = folder.path() + "/ours.wav";
    WavWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(ours, sample_rate, channels, error)) << error;
    for (const std::vector<int16_t>& block : blocks) {
        const size_t frames = block.size() / static_cast<size_t>(channels);
        sf_writef_short(file, block.data(), static_cast<sf_count_t>(frames));
        EXPECT_TRUE(writer.write(block.data(), frames, error)) << error;
    }
    sf_close(file);
    ASSERT_TRUE(writer.close(error)) << error;
    EXPECT_EQ(file_bytes(ours), file_bytes(reference)) << channels << " channels";
}

}  // namespace

TEST(WavWriter, WritesWhatLibsndfileWrites) {
    std::vector<int16_t> extremes = {0, 1, -1, 32767, -32768, 256, -256, 0x1234};
    std::vector<int16_t> ramp(4410);
    for (size_t i = 0; i < ramp.size(); ++i) {
        ramp[i] = static_cast<int16_t>(i * 37 - 30000);
    }
    expect_written_as_libsndfile(2, 22050, {extremes, ramp, extremes});
    expect_written_as_libsndfile(1, 11025, {ramp, extremes});
    expect_written_as_libsndfile(2, 44100, {});
}

TEST(WavWriter, RefusesFormatsItCannotWrite) {
    TempFolder folder;
    WavWriter writer;
    std::string error;
    EXPECT_FALSE(writer.open(folder.path() + "/a.wav", 22050, 3, error));
    EXPECT_FALSE(writer.open(folder.path() + "/b.wav", 0, 2, error));
    EXPECT_FALSE(writer.is_open());
    EXPECT_FALSE(error.empty());
}

}  // namespace qx
