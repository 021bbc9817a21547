#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "audio/audio_chunk.h"
#include "authoring/audio_track_writer.h"
#include "tests/support/movie_builders.h"
#include "tests/support/program_output.h"
#include "tests/support/temp_movie.h"
#include "tools/qx/movie_info.h"
#include "tools/qx/number_text.h"

namespace qx {

// `qx info`'s summary: length from the decoded sound at the rate the player plays, frame rate,
// codecs, and damage told as a few ranges.
namespace {

std::vector<int16_t> tone(int frames, int channels, int start) {
    std::vector<int16_t> samples;
    for (int i = 0; i < frames * channels; ++i) {
        samples.push_back(static_cast<int16_t>(6000 * std::sin((start + i) * 0.03)));
    }
    return samples;
}

// `frames` Mnb pictures of 32 x 16, each followed by 1/15 s of sound.
struct SoundMovie {
    MovieWriter movie;
    AudioTrackWriter track;

    SoundMovie(int frames, int32_t channels, int32_t rate, int32_t compression)
        : track(movie, channels, rate, compression) {
        for (int frame = 0; frame < frames; ++frame) {
            movie.chunk("pBNM", video_payload(64, 32, 16));
            track.write_chunk(tone(rate / 15, channels, frame * rate / 15));
        }
    }
};

MovieInfo info_of(const std::string& path) {
    MovieInfo info;
    std::string error;
    EXPECT_TRUE(read_movie_info(path, info, error)) << error;
    return info;
}

TEST(InfoSummary, LengthAndFrameRateForEverySoundFormatAndRate) {
    const struct {
        int32_t compression;
        int32_t channels;
        int32_t rate;
        const char* codec;
    } cases[] = {{AUDIO_PCM, 1, 11025, "pcm"},
                 {AUDIO_XA, 2, 22050, "xa-adpcm"},
                 {AUDIO_IMA, 2, 44100, "ima-adpcm"},
                 {AUDIO_IMA, 1, 22050, "ima-adpcm"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codec + std::string(" ") + std::to_string(c.rate));
        const SoundMovie sound(45, c.channels, c.rate, c.compression);
        TempMovie movie(sound.movie);
        const MovieInfo info = info_of(movie.path());
        const double decoded_seconds =
            static_cast<double>(sound.track.decoded().size() / 2) / c.rate;
        ASSERT_TRUE(info.duration_seconds().has_value());
        EXPECT_DOUBLE_EQ(*info.duration_seconds(), decoded_seconds);
        // Whole ADPCM frames round each chunk's sound up a little; never by a frame's worth.
        EXPECT_NEAR(*info.frames_per_second(), 15.0, 0.5);
        EXPECT_EQ(info.video_frames, 45);
        EXPECT_EQ(info.audio_chunks, 45);
        EXPECT_EQ(info.sample_rate, c.rate);
        EXPECT_EQ(info.channels, c.channels);
        const std::string json = movie_info_json(info, false);
        EXPECT_NE(json.find("\"codec\": \"" + std::string(c.codec) + "\""), std::string::npos)
            << json;
        EXPECT_NE(json.find("\"duration_seconds\": "), std::string::npos) << json;
        EXPECT_EQ(json.find("\"chunks\""), std::string::npos) << json;
    }
}

// The frame rate is the pictures' own pace, whatever sound runs before or after them.
TEST(InfoSummary, FrameRateIsThePicturesPaceNotTheSoundsLength) {
    const int32_t rate = 22050;
    const int32_t per_picture = rate / 15;
    for (const int leading_chunks : {0, 10}) {
        SCOPED_TRACE(leading_chunks);
        MovieWriter movie;
        AudioTrackWriter track(movie, 2, rate, AUDIO_PCM);
        for (int i = 0; i < leading_chunks; ++i) {
            track.write_chunk(tone(per_picture, 2, 0));
        }
        for (int frame = 0; frame < 20; ++frame) {
            movie.chunk("pBNM", video_payload(64, 32, 16));
            track.write_chunk(tone(per_picture, 2, 0));
        }
        for (int i = 0; i < 45; ++i) {  // three more seconds of sound after the last picture
            track.write_chunk(tone(per_picture, 2, 0));
        }
        TempMovie file(movie);
        const MovieInfo info = info_of(file.path());
        EXPECT_NEAR(*info.duration_seconds(), (leading_chunks + 65) / 15.0, 0.01);
        EXPECT_NEAR(*info.frames_per_second(), 15.0, 0.01);
    }
}

TEST(InfoSummary, TextSummaryIsThreeLines) {
    MovieWriter movie;
    movie.audio_header(1, 22050, AUDIO_PCM);
    for (int frame = 0; frame < 30; ++frame) {
        movie.chunk("pBNM", video_payload(64, 320, 240));
        movie.chunk("SCDl", pcm_payload(1470));
    }
    TempMovie file(movie);
    const ProgramOutput result = run_qx("info " + file.path());
    EXPECT_EQ(result.status, 0);
    const int64_t bytes = static_cast<int64_t>(movie.bytes().size());
    char expected[512];
    std::snprintf(expected, sizeof expected,
                  "%s: 2.00 s, %.1f kB, %lld kb/s\nvideo: Mnb 320x240, 15 fps, 30 frames\n"
                  "audio: 16-bit PCM, 22,050 Hz, mono\n",
                  file.path().c_str(), bytes / 1e3,
                  static_cast<long long>(std::llround(bytes * 8 / 2.0 / 1000)));
    EXPECT_EQ(result.out, expected);
}

// Pictures without sound play at an assumed 15 frames a second: the length and pace are told
// at that rate and said to be assumed; the absent sound is null, as absent pictures are.
TEST(InfoSummary, WithoutSoundTheLengthIsAtAnAssumedPace) {
    TempMovie movie(video_only_movie(12));
    const MovieInfo info = info_of(movie.path());
    EXPECT_FALSE(info.duration_seconds().has_value());
    ASSERT_TRUE(info.timing().has_value());
    EXPECT_DOUBLE_EQ(info.timing()->seconds, 12 / 15.0);
    EXPECT_TRUE(info.timing()->assumed);
    const std::string json = movie_info_json(info, false);
    EXPECT_NE(json.find("\"duration_seconds\": 0.8, \"timing_assumed\": true"), std::string::npos)
        << json;
    EXPECT_NE(json.find("\"fps\": 15}"), std::string::npos) << json;
    EXPECT_NE(json.find("\"audio\": null"), std::string::npos) << json;
    EXPECT_NE(json.find("\"codecs\": [\"mnb\"]"), std::string::npos) << json;
    const std::string text = run_qx("info " + movie.path()).out;
    EXPECT_NE(text.find(": 0.80 s at an assumed 15 fps, "), std::string::npos) << text;
    EXPECT_NE(text.find("video: Mnb 16x16, 15 fps (assumed), 12 frames\n"), std::string::npos)
        << text;

    MovieWriter sound_only;
    AudioTrackWriter track(sound_only, 2, 22050, AUDIO_PCM);
    track.write_chunk(tone(2205, 2, 0));
    TempMovie no_pictures(sound_only);
    const std::string sound_json = movie_info_json(info_of(no_pictures.path()), false);
    EXPECT_NE(sound_json.find("\"timing_assumed\": false"), std::string::npos) << sound_json;
    EXPECT_NE(sound_json.find("\"video\": null"), std::string::npos) << sound_json;
}

// Every size the pictures take is told: the range in the summary, the list in JSON.
TEST(InfoSummary, EveryFrameSizeIsTold) {
    MovieWriter movie;
    for (const auto& [width, height] : {std::pair{64, 48}, {96, 72}, {128, 96}, {64, 48}}) {
        movie.chunk("pBNM", video_payload(64, uint16_t(width), uint16_t(height)));
    }
    TempMovie file(movie);
    const MovieInfo info = info_of(file.path());
    EXPECT_EQ(info.frame_sizes.size(), 3u);
    EXPECT_NE(run_qx("info " + file.path()).out.find("video: Mnb 64x48 to 128x96, 3 sizes, "),
              std::string::npos);
    const std::string json = movie_info_json(info, false);
    EXPECT_NE(json.find("\"sizes\": [{\"width\": 64, \"height\": 48}, {\"width\": 96, "
                        "\"height\": 72}, {\"width\": 128, \"height\": 96}]"),
              std::string::npos)
        << json;
}

// Sizes under a megabyte are told in kilobytes or bytes, never as "0.00 MB".
TEST(InfoSummary, SmallFilesAreToldInKilobytesOrBytes) {
    TempMovie tiny(video_only_movie(1, 16));
    const std::string text = run_qx("info " + tiny.path()).out;
    EXPECT_NE(text.find(", 32 bytes, "), std::string::npos) << text;
    EXPECT_NE(text.find(", 1 frame\n"), std::string::npos) << text;
    TempMovie small(video_only_movie(40, 2000));
    EXPECT_NE(run_qx("info " + small.path()).out.find(", 80.3 kB, "), std::string::npos);
}

// Several movies each get their summary; with --json an array of the objects one movie gives.
// A movie that cannot be read is named and the others are still told, with status 1.
TEST(InfoSummary, SeveralMoviesAreToldInTurn) {
    TempMovie first(video_only_movie(3), "first.qx");
    TempMovie second(video_only_movie(5), "second.qx");
    const ProgramOutput both = run_qx("info " + first.path() + " " + second.path());
    EXPECT_EQ(both.status, 0) << both.err;
    EXPECT_NE(both.out.find(first.path() + ": "), std::string::npos) << both.out;
    EXPECT_NE(both.out.find(second.path() + ": "), std::string::npos) << both.out;
    const ProgramOutput json = run_qx("info --json " + first.path() + " " + second.path());
    EXPECT_EQ(json.out, "[" + movie_info_json(info_of(first.path()), false) + ",\n" +
                            movie_info_json(info_of(second.path()), false) + "]\n");
    EXPECT_EQ(run_qx("info --json " + first.path()).out,
              movie_info_json(info_of(first.path()), false) + "\n");
    const ProgramOutput missing =
        run_qx("info " + first.path() + " " + first.folder() + "/absent.qx " + second.path());
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << missing.err;
    EXPECT_NE(missing.out.find(second.path() + ": "), std::string::npos) << missing.out;
}

TEST(InfoSummary, CodecsInOrderOfFirstAppearance) {
    MovieWriter movie;
    movie.chunk("pELZ", video_payload(16));
    movie.chunk("kDKR", video_payload(16));
    movie.chunk("pBNM", video_payload(16));
    movie.chunk("fDKR", video_payload(16));
    movie.chunk("pELZ", video_payload(16));
    TempMovie file(movie);
    const MovieInfo info = info_of(file.path());
    EXPECT_EQ(info.video_codecs, (std::vector<std::string>{"zle", "rkd", "mnb"}));
    EXPECT_NE(run_qx("info " + file.path()).out.find("video: Zle+Rkd+Mnb 16x16"),
              std::string::npos);
}

// The player opens its sound once its prefill of 16 blocks and its first turn are read; a
// header before that sets the rate of the whole movie, one after it changes nothing.
TEST(InfoSummary, PlayedRateIsTheOneInEffectWhenTheSoundStarts) {
    for (const int second_header_at : {2, 40}) {
        SCOPED_TRACE(second_header_at);
        MovieWriter movie;
        movie.audio_header(2, 22050, AUDIO_PCM);
        for (int frame = 0; frame < 50; ++frame) {
            if (frame == second_header_at) {
                movie.audio_header(2, 11025, AUDIO_PCM);
            }
            movie.chunk("pBNM", video_payload(16));
            movie.chunk("SCDl", pcm_payload(1470));
        }
        TempMovie file(movie);
        EXPECT_EQ(info_of(file.path()).sample_rate, second_header_at == 2 ? 11025 : 22050);
    }
}

TEST(InfoSummary, LostSyncIsOneRange) {
    MovieWriter movie;
    movie.audio_header(2, 22050, AUDIO_PCM);
    for (int frame = 0; frame < 10; ++frame) {
        movie.chunk("pBNM", video_payload(64));
        movie.chunk("SCDl", pcm_payload(100));
    }
    const int64_t lost_at = static_cast<int64_t>(movie.bytes().size());
    // A stretch of rubbish of whole 8-byte steps: the reader lands on the next header.
    movie.raw(std::vector<uint8_t>(8000, 0x55));
    for (int frame = 0; frame < 10; ++frame) {
        movie.chunk("pBNM", video_payload(64));
        movie.chunk("SCDl", pcm_payload(100));
    }
    TempMovie file(movie);
    const MovieInfo info = info_of(file.path());
    ASSERT_EQ(info.problems.size(), 1u);
    EXPECT_EQ(info.problems[0].offset, lost_at);
    EXPECT_EQ(info.problems[0].end, lost_at + 8000);
    EXPECT_EQ(info.problems[0].text, "lost sync at " + grouped(lost_at) + ", found again at " +
                                         grouped(lost_at + 8000) +
                                         ", 8,000 bytes skipped (unrecognised tag \"UUUU\")");
    EXPECT_EQ(info.video_frames, 20);
    const ProgramOutput text = run_qx("info " + file.path());
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 4) << text.out;
    const ProgramOutput json = run_qx("info --json " + file.path());
    EXPECT_LT(json.out.size(), 1000u) << json.out;
}

TEST(InfoSummary, ACutOffFileIsSaidToBeCutOff) {
    MovieWriter movie;
    movie.audio_header(2, 22050, AUDIO_PCM);
    movie.chunk("pBNM", video_payload(64));
    movie.chunk("SCDl", pcm_payload(1000));
    std::vector<uint8_t> bytes = movie.bytes();
    bytes.resize(bytes.size() - 500);
    TempMovie file(bytes);
    const MovieInfo info = info_of(file.path());
    ASSERT_EQ(info.problems.size(), 1u);
    EXPECT_NE(info.problems[0].text.find("runs past the end of the file"), std::string::npos)
        << info.problems[0].text;
    EXPECT_EQ(info.problems[0].text.find("audio header"), std::string::npos);
}

TEST(InfoSummary, ManyProblemsAreCountedAfterAFew) {
    MovieWriter movie;
    for (int stretch = 0; stretch < 9; ++stretch) {
        movie.chunk("pBNM", video_payload(64));
        movie.raw(std::vector<uint8_t>(16, 0x55));
    }
    TempMovie file(movie);
    EXPECT_EQ(info_of(file.path()).problems.size(), 9u);
    const std::string summary = run_qx("info " + file.path()).out;
    EXPECT_NE(summary.find("and 5 more problems"), std::string::npos) << summary;
    EXPECT_LE(std::count(summary.begin(), summary.end(), '\n'), 8) << summary;
}

}  // namespace

}  // namespace qx
