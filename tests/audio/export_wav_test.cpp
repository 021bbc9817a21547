#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/audio_chunk.h"
#include "authoring/audio_track_writer.h"
#include "tests/audio/audio_test_movie.h"

namespace qx {

namespace {

std::string qx_binary() {
    return std::string(QX_BINARY_DIR) + "/qx";
}

int run_export(const std::string& movie, const std::string& out_dir) {
    const std::string command =
        qx_binary() + " export '" + movie + "' '" + out_dir + "' --wav >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct WavContents {
    SF_INFO info{};
    std::vector<int16_t> samples;
};

WavContents read_wav(const std::string& path) {
    WavContents wav;
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &wav.info);
    EXPECT_NE(file, nullptr) << path;
    if (file == nullptr) {
        return wav;
    }
    wav.samples.resize(static_cast<size_t>(wav.info.frames * wav.info.channels));
    sf_readf_short(file, wav.samples.data(), wav.info.frames);
    sf_close(file);
    return wav;
}

class AudioExportWav : public ::testing::Test {
  protected:
    void SetUp() override {
        out_dir = audio_test_path("out");
        movie_path = audio_test_path("movie.qx");
        std::filesystem::remove_all(out_dir);
    }
    void TearDown() override {
        std::filesystem::remove_all(out_dir);
        std::filesystem::remove(movie_path);
    }
    std::string out_dir;
    std::string movie_path;
};

}  // namespace

TEST_F(AudioExportWav, WritesEveryDecodedBlockInOrder) {
    struct Case {
        int32_t compression;
        int32_t channels;
        int32_t rate;
    };
    for (const Case c :
         {Case{AUDIO_PCM, 1, 11025}, Case{AUDIO_PCM, 2, 11025}, Case{AUDIO_XA, 1, 22050},
          Case{AUDIO_XA, 2, 22050}, Case{AUDIO_IMA, 2, 44100}}) {
        SCOPED_TRACE(::testing::Message()
                     << "compression " << c.compression << ", " << c.channels << " channels");
        MovieWriter movie;
        AudioTrackWriter audio(movie, c.channels, c.rate, c.compression);
        for (int chunk = 0; chunk < 12; ++chunk) {
            std::vector<int16_t> samples;
            for (int i = 0; i < 560 * c.channels; ++i) {
                samples.push_back(static_cast<int16_t>(8000 * std::sin((chunk * 560 + i) * 0.05)));
            }
            audio.write_chunk(samples);
            movie.chunk("MQXf", std::vector<uint8_t>(16, 0));
        }
        ASSERT_TRUE(movie.save(movie_path));
        ASSERT_EQ(run_export(movie_path, out_dir), 0);
        const WavContents wav = read_wav(out_dir + "/audio.wav");
        EXPECT_EQ(wav.info.samplerate, c.rate);
        EXPECT_EQ(wav.info.channels, c.channels);
        EXPECT_EQ(wav.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        // A mono movie's decoded blocks carry each sample twice; its WAV carries it once.
        std::vector<int16_t> expected;
        for (size_t i = 0; i < audio.decoded().size(); i += 2 / c.channels) {
            expected.push_back(audio.decoded()[i]);
        }
        EXPECT_EQ(wav.samples, expected);
        std::filesystem::remove_all(out_dir);
    }
}

TEST_F(AudioExportWav, MovieWithoutAudioWritesNoFile) {
    MovieWriter movie;
    for (int frame = 0; frame < 20; ++frame) {
        movie.chunk("MQXf", std::vector<uint8_t>(16, 0));
    }
    // Damage makes the reader step on through the file, as past the point where a movie with
    // sound would start it.
    movie.raw(std::vector<uint8_t>(32, 0x55));
    ASSERT_TRUE(movie.save(movie_path));
    EXPECT_EQ(run_export(movie_path, out_dir), 0);
    EXPECT_FALSE(std::filesystem::exists(out_dir + "/audio.wav"));
}

TEST_F(AudioExportWav, FailuresAreReported) {
    MovieWriter movie;
    AudioTrackWriter audio(movie, 2, 22050, AUDIO_PCM);
    audio.write_chunk(std::vector<int16_t>(100, 5));
    ASSERT_TRUE(movie.save(movie_path));
    // audio.wav cannot be created where a folder of that name stands.
    std::filesystem::create_directories(out_dir + "/audio.wav");
    EXPECT_EQ(run_export(movie_path, out_dir), 1);

    MovieWriter no_rate;
    AudioTrackWriter zero(no_rate, 2, 0, AUDIO_PCM);
    zero.write_chunk(std::vector<int16_t>(100, 5));
    ASSERT_TRUE(no_rate.save(movie_path));
    std::filesystem::remove_all(out_dir);
    EXPECT_EQ(run_export(movie_path, out_dir), 1);
}

// The player opens its sound buffer once, after its prefill and first turn: a header read
// by then sets the rate everything is played at, a later one changes nothing.
TEST_F(AudioExportWav, RateIsTheOneThePlayerPlays) {
    for (const int second_header_at : {3, 30}) {
        SCOPED_TRACE(second_header_at);
        MovieWriter movie;
        AudioTrackWriter first(movie, 2, 22050, AUDIO_PCM);
        std::vector<int16_t> heard;
        for (int chunk = 0; chunk < 40; ++chunk) {
            if (chunk == second_header_at) {
                movie.audio_header(2, 32000, AUDIO_PCM);
            }
            first.write_chunk(std::vector<int16_t>(2 * 700, static_cast<int16_t>(chunk)));
            movie.chunk("MQXf", std::vector<uint8_t>(16, 0));
        }
        ASSERT_TRUE(movie.save(movie_path));
        ASSERT_EQ(run_export(movie_path, out_dir), 0);
        const WavContents wav = read_wav(out_dir + "/audio.wav");
        EXPECT_EQ(wav.info.samplerate, second_header_at == 3 ? 32000 : 22050);
        EXPECT_EQ(wav.samples, first.decoded());
        std::filesystem::remove_all(out_dir);
    }
}

// Two-sided sound for a movie whose header may say otherwise: payloads encoded as stereo
// elsewhere, each chunk followed by a picture, and what the player decodes from them.
struct TwoSidedSound {
    MovieWriter scratch;
    AudioTrackWriter encoder{scratch, 2, 22050, AUDIO_IMA};

    void write_chunks(MovieWriter& movie, int first, int count) {
        for (int chunk = first; chunk < first + count; ++chunk) {
            std::vector<int16_t> samples;
            for (int i = 0; i < 700; ++i) {
                const double t = (chunk * 700 + i) * 0.03;
                samples.push_back(static_cast<int16_t>(6000 * std::sin(t)));
                samples.push_back(static_cast<int16_t>(6000 * std::cos(1.7 * t)));
            }
            movie.chunk("SCDl", encoder.write_chunk(samples).payload);
            movie.chunk("MQXf", std::vector<uint8_t>(16, 0));
        }
    }
};

// IMA is always decoded as two channels, which the player plays as decoded: a header saying
// mono loses neither side in the WAV. A mono movie whose later header switches to IMA plays
// both sides from then on: the WAV turns stereo, the earlier sound heard on both sides.
TEST_F(AudioExportWav, ImaWithAMonoHeaderKeepsBothSides) {
    for (const int mono_chunks : {0, 30}) {
        SCOPED_TRACE(mono_chunks);
        MovieWriter movie;
        AudioTrackWriter pcm(movie, 1, 22050, AUDIO_PCM);
        for (int chunk = 0; chunk < mono_chunks; ++chunk) {
            pcm.write_chunk(std::vector<int16_t>(700, static_cast<int16_t>(100 * chunk - 1000)));
            movie.chunk("MQXf", std::vector<uint8_t>(16, 0));
        }
        movie.audio_header(1, 22050, AUDIO_IMA);
        TwoSidedSound sound;
        sound.write_chunks(movie, mono_chunks, 20);
        ASSERT_TRUE(movie.save(movie_path));
        ASSERT_EQ(run_export(movie_path, out_dir), 0);
        const WavContents wav = read_wav(out_dir + "/audio.wav");
        EXPECT_EQ(wav.info.channels, 2);
        std::vector<int16_t> expected = pcm.decoded();
        expected.insert(expected.end(), sound.encoder.decoded().begin(),
                        sound.encoder.decoded().end());
        EXPECT_EQ(wav.samples, expected);
        std::filesystem::remove_all(out_dir);
    }
}

}  // namespace qx
