#include "qxplay/qxplay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_movie.h"
#include "tests/tools/encode_test_support.h"

namespace qx {

namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<uint8_t>;

Bytes read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string frame_file(const std::string& folder, int64_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%05d.raw", static_cast<int>(index));
    return folder + name;
}

struct Picture {
    int64_t index;
    int64_t time_ms;
    Bytes pixels;
};

qx_options options_for(qx_pixels pixels) {
    qx_options options;
    qx_default_options(&options);
    options.pixels = pixels;
    return options;
}

std::vector<Picture> all_frames(qx_movie* movie) {
    std::vector<Picture> pictures;
    qx_frame frame;
    while (qx_next_frame(movie, &frame) == 1) {
        pictures.push_back(
            {frame.index, frame.time_ms, Bytes(frame.pixels, frame.pixels + frame.bytes)});
    }
    return pictures;
}

std::vector<int16_t> all_sound(qx_movie* movie) {
    std::vector<int16_t> sound;
    int16_t block[2 * 1000];
    size_t got = 0;
    while ((got = qx_read_audio(movie, block, 1000)) > 0) {
        sound.insert(sound.end(), block, block + 2 * got);
    }
    return sound;
}

// Movies of every codec and sound format, made once by `qx encode`, with their exports.
class CInterface : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder;
        const std::string& dir = folder_->path();
        write_png_frames(dir + "/%05d.png", 64, 48, scene_frames(64, 48, 12));
        SoundFile sound{2, 22050, {}};
        for (int i = 0; i < 22050; ++i) {
            sound.samples.push_back(static_cast<int16_t>((i * 37) % 20000 - 10000));
            sound.samples.push_back(static_cast<int16_t>((i * 91) % 16000 - 8000));
        }
        write_wav(dir + "/sound.wav", sound);
        const char* encodes[] = {
            "encode mnb.qx -i '%05d.png' --audio-in sound.wav --video mnb --audio ima",
            "encode rkd.qx -i '%05d.png' --audio-in sound.wav --video rkd --audio pcm",
            "encode zle.qx -i '%05d.png' --audio-in sound.wav --video zle --audio xa",
            "encode silent.qx -i '%05d.png' --video zle --no-audio --fps 10",
        };
        for (const char* encode : encodes) {
            ASSERT_EQ(run_qx_in(dir, encode).status, 0) << encode;
        }
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }

    static std::string movie(const char* name) { return folder_->path() + "/" + name; }

    // `qx export --raw` of a movie on a display, into a folder of its own.
    static std::string exported(const char* name, const char* display) {
        const std::string out = folder_->path() + "/" + name + "." + display;
        if (!fs::exists(out)) {
            const std::string command =
                std::string("export ") + name + " " + out + " --raw --wav --display " + display;
            EXPECT_EQ(run_qx_in(folder_->path(), command).status, 0) << command;
        }
        return out;
    }

    static TempFolder* folder_;
};

TempFolder* CInterface::folder_ = nullptr;

const char* MOVIES[] = {"mnb.qx", "rkd.qx", "zle.qx", "silent.qx"};

TEST_F(CInterface, EveryFrameInEveryPixelFormatIsWhatTheExportWrites) {
    const std::pair<qx_pixels, const char*> formats[] = {{QX_PIXELS_RGB565, "rgb565"},
                                                         {QX_PIXELS_RGB555, "rgb555"},
                                                         {QX_PIXELS_RGB888, "rgb888"},
                                                         {QX_PIXELS_PAL8, "pal8"}};
    for (const char* name : MOVIES) {
        for (const auto& [pixels, display] : formats) {
            const qx_options options = options_for(pixels);
            int error = 1;
            qx_movie* movie = qx_open_file(this->movie(name).c_str(), &options, &error);
            ASSERT_NE(movie, nullptr) << name << ": " << qx_error_text(error);
            EXPECT_EQ(error, QX_OK);
            const std::vector<Picture> pictures = all_frames(movie);
            ASSERT_EQ(pictures.size(), 12u) << name << " " << display;
            const std::string out = exported(name, display);
            for (const Picture& picture : pictures) {
                ASSERT_EQ(picture.pixels, read_file(frame_file(out, picture.index)))
                    << name << " " << display << " frame " << picture.index;
            }
            qx_close(movie);
        }
    }
}

TEST_F(CInterface, RgbaIsTheWidened565PictureAndTheSoundIsTheExportedWav) {
    for (const char* name : MOVIES) {
        qx_movie* movie = qx_open_file(this->movie(name).c_str(), nullptr, nullptr);
        ASSERT_NE(movie, nullptr);
        const std::string out = exported(name, "rgb565");
        for (const Picture& picture : all_frames(movie)) {
            const Bytes packed = read_file(frame_file(out, picture.index));
            ASSERT_EQ(picture.pixels.size(), packed.size() * 2);
            for (size_t i = 0; i < packed.size() / 2; ++i) {
                const unsigned pixel = packed[2 * i] | packed[2 * i + 1] << 8;
                const unsigned red = pixel >> 11, green = pixel >> 5 & 63, blue = pixel & 31;
                const uint8_t expected[4] = {uint8_t(red << 3 | red >> 2),
                                             uint8_t(green << 2 | green >> 4),
                                             uint8_t(blue << 3 | blue >> 2), 255};
                ASSERT_EQ(0, std::memcmp(&picture.pixels[4 * i], expected, 4))
                    << name << " frame " << picture.index << " pixel " << i;
            }
        }
        const std::vector<int16_t> sound = all_sound(movie);
        if (std::string(name) == "silent.qx") {
            EXPECT_TRUE(sound.empty());
        } else {
            const SoundFile wav = read_wav(out + "/audio.wav");
            ASSERT_EQ(wav.channels, 2) << name;
            EXPECT_EQ(sound, wav.samples) << name;
        }
        qx_close(movie);
    }
}

TEST_F(CInterface, SeeksGiveTheFramesAndSoundOfAStraightDecode) {
    std::mt19937 random(7);
    for (const char* name : MOVIES) {
        qx_movie* movie = qx_open_file(this->movie(name).c_str(), nullptr, nullptr);
        ASSERT_NE(movie, nullptr);
        const std::vector<Picture> straight = all_frames(movie);
        const std::vector<int16_t> sound = all_sound(movie);
        qx_info info;
        ASSERT_EQ(qx_get_info(movie, &info), QX_OK);
        for (int trial = 0; trial < 8; ++trial) {
            const int64_t target = std::uniform_int_distribution<int64_t>(0, 11)(random);
            ASSERT_EQ(qx_seek_frame(movie, target), QX_OK) << name << " " << target;
            qx_frame frame;
            ASSERT_EQ(qx_next_frame(movie, &frame), 1);
            EXPECT_EQ(frame.index, target);
            EXPECT_EQ(frame.time_ms, straight[target].time_ms);
            ASSERT_EQ(Bytes(frame.pixels, frame.pixels + frame.bytes), straight[target].pixels)
                << name << " frame " << target;
            // The sound goes on from the frame's time, to the end.
            const std::vector<int16_t> after = all_sound(movie);
            ASSERT_LE(after.size(), sound.size());
            EXPECT_TRUE(std::equal(after.begin(), after.end(), sound.end() - after.size()));
            if (info.sample_rate > 0) {
                const int64_t start = static_cast<int64_t>(sound.size() - after.size()) / 2;
                EXPECT_EQ(start * 1000 / info.sample_rate, frame.time_ms) << name << " " << target;
            }
        }
        EXPECT_EQ(qx_seek_time(movie, straight[5].time_ms), QX_OK);
        qx_frame frame;
        ASSERT_EQ(qx_next_frame(movie, &frame), 1);
        EXPECT_EQ(frame.index, 5);
        EXPECT_EQ(qx_seek_frame(movie, 12), QX_ERROR_NO_FRAME);
        qx_close(movie);
    }
}

TEST_F(CInterface, InfoTellsTheMovieAndASilentOneGoesAtTheAssumedPace) {
    qx_movie* movie = qx_open_file(this->movie("zle.qx").c_str(), nullptr, nullptr);
    qx_info info;
    ASSERT_EQ(qx_get_info(movie, &info), QX_OK);
    EXPECT_EQ(info.frames, 12);
    EXPECT_EQ(info.width, 64);
    EXPECT_EQ(info.height, 48);
    EXPECT_EQ(info.sizes, 1);
    EXPECT_EQ(info.video_codecs, unsigned{QX_VIDEO_ZLE});
    EXPECT_EQ(info.audio_codec, QX_AUDIO_XA);
    EXPECT_EQ(info.sample_rate, 22050);
    EXPECT_EQ(info.channels, 2);
    EXPECT_NEAR(info.fps, 15.0, 0.1);
    EXPECT_EQ(info.fps_assumed, 0);
    EXPECT_EQ(info.problems, 0);
    qx_close(movie);

    qx_options options;
    qx_default_options(&options);
    options.fps = 10;
    movie = qx_open_file(this->movie("silent.qx").c_str(), &options, nullptr);
    ASSERT_EQ(qx_get_info(movie, &info), QX_OK);
    EXPECT_EQ(info.audio_codec, QX_AUDIO_NONE);
    EXPECT_EQ(info.fps_assumed, 1);
    EXPECT_DOUBLE_EQ(info.duration_seconds, 1.2);
    EXPECT_EQ(qx_frame_time_ms(movie, 3), 300);
    qx_close(movie);
}

// Brightness is taken as given, 0 too: a dark picture, not the default one.
TEST_F(CInterface, BrightnessZeroIsBlack) {
    const qx_options packed = options_for(QX_PIXELS_RGB565);
    for (const int brightness : {100, 0}) {
        qx_movie* movie = qx_open_file(this->movie("rkd.qx").c_str(), &packed, nullptr);
        ASSERT_NE(movie, nullptr);
        ASSERT_EQ(qx_set_brightness(movie, brightness), QX_OK);
        qx_frame frame;
        ASSERT_EQ(qx_next_frame(movie, &frame), 1);
        const bool lit = std::any_of(frame.pixels, frame.pixels + frame.bytes,
                                     [](uint8_t byte) { return byte != 0; });
        EXPECT_EQ(lit, brightness != 0);
        qx_close(movie);
    }
}

TEST_F(CInterface, MemoryAndCallbacksGiveWhatTheFileGives) {
    const Bytes bytes = read_file(movie("mnb.qx"));
    qx_movie* from_file = qx_open_file(movie("mnb.qx").c_str(), nullptr, nullptr);
    qx_movie* from_memory = qx_open_memory(bytes.data(), bytes.size(), nullptr, nullptr);
    struct Cursor {
        const Bytes* bytes;
        size_t at;
    } cursor{&bytes, 0};
    const qx_io io = {[](void* cookie, void* buffer, size_t wanted) -> int64_t {
                          auto& c = *static_cast<Cursor*>(cookie);
                          const size_t take = std::min(wanted, c.bytes->size() - c.at);
                          std::memcpy(buffer, c.bytes->data() + c.at, take);
                          c.at += take;
                          return static_cast<int64_t>(take);
                      },
                      [](void* cookie, int64_t offset) -> int64_t {
                          auto& c = *static_cast<Cursor*>(cookie);
                          c.at = std::min<size_t>(static_cast<size_t>(offset), c.bytes->size());
                          return offset;
                      },
                      nullptr};
    qx_movie* from_io = qx_open_io(&io, &cursor, nullptr, nullptr);
    ASSERT_NE(from_memory, nullptr);
    ASSERT_NE(from_io, nullptr);
    // Interleaved reads of pictures and sound share nothing between the movies.
    for (qx_movie* movie : {from_file, from_memory, from_io}) {
        ASSERT_EQ(qx_seek_frame(movie, 4), QX_OK);
    }
    const std::vector<Picture> expected = all_frames(from_file);
    EXPECT_EQ(all_frames(from_memory).size(), expected.size());
    const std::vector<Picture> through_io = all_frames(from_io);
    ASSERT_EQ(through_io.size(), expected.size());
    EXPECT_EQ(through_io.back().pixels, expected.back().pixels);
    EXPECT_EQ(all_sound(from_io), all_sound(from_file));
    for (qx_movie* movie : {from_file, from_memory, from_io}) {
        qx_close(movie);
    }
}

TEST_F(CInterface, MoviesDecodedAtOnceOnThreadsMatchEachAlone) {
    std::vector<std::vector<Picture>> alone;
    for (const char* name : MOVIES) {
        qx_movie* movie = qx_open_file(this->movie(name).c_str(), nullptr, nullptr);
        alone.push_back(all_frames(movie));
        qx_close(movie);
    }
    std::vector<std::vector<Picture>> together(std::size(MOVIES));
    std::vector<std::thread> threads;
    for (size_t i = 0; i < std::size(MOVIES); ++i) {
        threads.emplace_back([&, i] {
            qx_movie* movie = qx_open_file(this->movie(MOVIES[i]).c_str(), nullptr, nullptr);
            together[i] = all_frames(movie);
            qx_close(movie);
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (size_t i = 0; i < std::size(MOVIES); ++i) {
        ASSERT_EQ(together[i].size(), alone[i].size());
        for (size_t f = 0; f < alone[i].size(); ++f) {
            ASSERT_EQ(together[i][f].pixels, alone[i][f].pixels) << MOVIES[i] << " " << f;
        }
    }
}

TEST_F(CInterface, DamageIsSteppedOverAndReportedOrEndsTheMovieWhenAsked) {
    Bytes bytes = read_file(movie("rkd.qx"));
    // Junk over a chunk header in the middle of the movie.
    size_t offset = 0;
    for (int chunk = 0; chunk < 12; ++chunk) {
        offset += bytes[offset + 4] | bytes[offset + 5] << 8 | bytes[offset + 6] << 16;
    }
    std::memset(&bytes[offset], 0xEE, 8);
    TempMovie damaged(bytes);
    const std::string out = folder_->path() + "/damaged.export";
    ASSERT_EQ(run_qx_in(folder_->path(), "export " + damaged.path() + " " + out + " --raw").status,
              0);
    const qx_options packed = options_for(QX_PIXELS_RGB565);
    qx_movie* movie = qx_open_memory(bytes.data(), bytes.size(), &packed, nullptr);
    ASSERT_NE(movie, nullptr);
    qx_info info;
    qx_get_info(movie, &info);
    ASSERT_GE(info.problems, 1);
    qx_problem problem;
    ASSERT_EQ(qx_get_problem(movie, 0, &problem), QX_OK);
    EXPECT_EQ(problem.offset, static_cast<int64_t>(offset));
    EXPECT_NE(std::string(problem.text).find("lost sync"), std::string::npos) << problem.text;
    const std::vector<Picture> pictures = all_frames(movie);
    EXPECT_EQ(static_cast<int64_t>(pictures.size()), info.frames);
    for (const Picture& picture : pictures) {
        ASSERT_EQ(picture.pixels, read_file(frame_file(out, picture.index))) << picture.index;
    }
    qx_close(movie);

    qx_options options;
    qx_default_options(&options);
    options.stop_at_damage = 1;
    movie = qx_open_memory(bytes.data(), bytes.size(), &options, nullptr);
    qx_info stopped;
    qx_get_info(movie, &stopped);
    EXPECT_LT(stopped.frames, info.frames);
    EXPECT_EQ(static_cast<int64_t>(all_frames(movie).size()), stopped.frames);
    EXPECT_EQ(qx_seek_frame(movie, stopped.frames), QX_ERROR_NO_FRAME);
    qx_close(movie);
}

TEST(CInterfaceInput, BadInputGivesAnErrorAndCutMoviesEndEarly) {
    int error = 0;
    EXPECT_EQ(qx_open_file("/nonexistent/movie", nullptr, &error), nullptr);
    EXPECT_EQ(error, QX_ERROR_OPEN);
    EXPECT_EQ(qx_open_memory(nullptr, 0, nullptr, &error), nullptr);
    EXPECT_EQ(error, QX_ERROR_NOT_A_MOVIE);
    const char junk[] = "this is no movie at all";
    EXPECT_EQ(qx_open_memory(junk, sizeof junk, nullptr, &error), nullptr);
    EXPECT_EQ(error, QX_ERROR_NOT_A_MOVIE);
    qx_options options;
    qx_default_options(&options);
    const int unknown_pixels = 9;  // as a C caller may store it
    std::memcpy(&options.pixels, &unknown_pixels, sizeof unknown_pixels);
    EXPECT_EQ(qx_open_memory(junk, sizeof junk, &options, &error), nullptr);
    EXPECT_EQ(error, QX_ERROR_ARGUMENT);
    EXPECT_STREQ(qx_error_text(QX_ERROR_NOT_A_MOVIE), "not a movie");
    EXPECT_EQ(qx_next_frame(nullptr, nullptr), QX_ERROR_ARGUMENT);
    EXPECT_EQ(qx_read_audio(nullptr, nullptr, 10), 0u);
    EXPECT_EQ(std::string(qx_version()), std::to_string(QXPLAY_VERSION_MAJOR) + "." +
                                             std::to_string(QXPLAY_VERSION_MINOR) + "." +
                                             std::to_string(QXPLAY_VERSION_PATCH));
}

}  // namespace

}  // namespace qx
