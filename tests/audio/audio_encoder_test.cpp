#include "authoring/audio_encoders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "audio/audio_chunk.h"
#include "audio/xa_decoder.h"
#include "authoring/audio_track_writer.h"
#include "player/reader.h"
#include "tests/audio/audio_test_movie.h"

namespace qx {

namespace {

std::vector<int16_t> tone(size_t frames, int32_t channels) {
    std::vector<int16_t> samples;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / 22050.0;
        samples.push_back(static_cast<int16_t>(12000 * std::sin(2 * M_PI * 440 * t)));
        if (channels == 2) {
            samples.push_back(static_cast<int16_t>(9000 * std::sin(2 * M_PI * 660 * t + 1)));
        }
    }
    return samples;
}

std::vector<int16_t> noise(size_t frames, int32_t channels) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> value(-12000, 12000);
    std::vector<int16_t> samples(frames * static_cast<size_t>(channels));
    for (int16_t& sample : samples) {
        sample = static_cast<int16_t>(value(random));
    }
    return samples;
}

// Signal-to-noise ratio in dB of the decoded stereo against the input.
double snr_db(const std::vector<int16_t>& input, int32_t channels,
              const std::vector<int16_t>& decoded) {
    double signal = 0;
    double error = 0;
    const size_t frames = input.size() / static_cast<size_t>(channels);
    for (size_t i = 0; i < frames; ++i) {
        for (size_t c = 0; c < 2; ++c) {
            const double x = input[i * static_cast<size_t>(channels) + (channels == 2 ? c : 0)];
            const double y = decoded[2 * i + c];
            signal += x * x;
            error += (x - y) * (x - y);
        }
    }
    return 10 * std::log10(signal / (error > 0 ? error : 1e-9));
}

// Writes the samples as chunks of `chunk_frames`, then decodes the movie with the player's
// reader; the decoded audio must be exactly what the writer says the player decodes.
std::vector<int16_t> round_trip(const std::vector<int16_t>& samples, int32_t channels,
                                int32_t compression, size_t chunk_frames) {
    MovieWriter movie;
    AudioTrackWriter audio(movie, channels, 22050, compression);
    const size_t step = chunk_frames * static_cast<size_t>(channels);
    for (size_t at = 0; at < samples.size(); at += step) {
        const size_t count = std::min(step, samples.size() - at);
        audio.write_chunk(std::span<const int16_t>(samples).subspan(at, count));
    }
    OpenedMovie opened(movie);
    std::vector<int16_t> decoded;
    while (opened.read_until(READ_AUDIO) == READ_AUDIO) {
        PlayerContext& context = opened.context();
        const std::vector<int16_t> block = block_samples(
            ring_slot_at(context.reader.audio_ring, context.reader.audio_ring.written - 1));
        decoded.insert(decoded.end(), block.begin(), block.end());
        opened.consume_audio();
    }
    EXPECT_EQ(decoded, audio.decoded());
    return decoded;
}

}  // namespace

TEST(AudioEncoder, PcmRoundTripIsExact) {
    for (const int32_t channels : {1, 2}) {
        const std::vector<int16_t> input = noise(3000, channels);
        const std::vector<int16_t> decoded = round_trip(input, channels, AUDIO_PCM, 700);
        ASSERT_EQ(decoded.size(), 2 * 3000u);
        for (size_t i = 0; i < 3000; ++i) {
            EXPECT_EQ(decoded[2 * i], input[i * static_cast<size_t>(channels)]);
            EXPECT_EQ(decoded[2 * i + 1],
                      input[i * static_cast<size_t>(channels) + (channels == 2 ? 1 : 0)]);
        }
    }
}

TEST(AudioEncoder, AdpcmRoundTripsStayAboveTheirNoiseFloors) {
    struct Case {
        const char* what;
        int32_t compression;
        int32_t channels;
        bool is_tone;
        double floor_db;
    };
    const Case cases[] = {
        {"compression 7 mono tone", AUDIO_XA, 1, true, 45},
        {"compression 7 stereo tone", AUDIO_XA, 2, true, 45},
        {"compression 7 mono noise", AUDIO_XA, 1, false, 19},
        {"compression 7 stereo noise", AUDIO_XA, 2, false, 19},
        {"compression 10 mono tone", AUDIO_IMA, 1, true, 28},
        {"compression 10 stereo tone", AUDIO_IMA, 2, true, 28},
        {"compression 10 stereo noise", AUDIO_IMA, 2, false, 13},
    };
    for (const Case& c : cases) {
        const std::vector<int16_t> input =
            c.is_tone ? tone(28 * 300, c.channels) : noise(28 * 300, c.channels);
        const std::vector<int16_t> decoded = round_trip(input, c.channels, c.compression, 28 * 50);
        ASSERT_EQ(decoded.size(), 2 * 28 * 300u) << c.what;
        const double snr = snr_db(input, c.channels, decoded);
        EXPECT_GE(snr, c.floor_db) << c.what;
    }
}

TEST(AudioEncoder, XaPadsToWholeFramesAndCarriesItsHistory) {
    XaEncoderState state;
    const std::vector<int16_t> input = tone(30, 1);
    const EncodedAudio first = xa_encode_payload(input, 1, state);
    EXPECT_EQ(first.payload.size(), 12 + 2 * XA_MONO_FRAME_BYTES);
    EXPECT_EQ(first.decoded.size(), 2 * 56u);
    const EncodedAudio second = xa_encode_payload(input, 1, state);
    // The second chunk's header holds the history the first one ended with.
    EXPECT_EQ(static_cast<int16_t>(second.payload[4] | second.payload[5] << 8),
              first.decoded[2 * 55]);
    EXPECT_EQ(static_cast<int16_t>(second.payload[6] | second.payload[7] << 8),
              first.decoded[2 * 54]);
}

}  // namespace qx
