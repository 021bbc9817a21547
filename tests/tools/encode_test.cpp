#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "format/video_kinds.h"
#include "tests/support/temp_movie.h"
#include "tests/tools/encode_test_support.h"
#include "tools/qx/encode_psnr.h"
#include "tools/qx/movie_info.h"

namespace qx {

namespace {

constexpr int32_t WIDTH = 64;
constexpr int32_t HEIGHT = 48;

std::vector<uint8_t> file_bytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A chord that moves between the channels, well inside full scale.
SoundFile test_tone(int32_t channels, int32_t sample_rate, double seconds) {
    SoundFile sound{channels, sample_rate, {}};
    const auto frames = static_cast<int32_t>(seconds * sample_rate);
    for (int32_t i = 0; i < frames; ++i) {
        const double t = double(i) / sample_rate;
        const double chord = std::sin(2 * M_PI * 330 * t) + 0.6 * std::sin(2 * M_PI * 495 * t);
        sound.samples.push_back(int16_t(9000 * chord));
        if (channels == 2) {
            sound.samples.push_back(int16_t(7000 * chord * std::cos(2 * M_PI * t)));
        }
    }
    return sound;
}

struct VideoCase {
    const char* name;
    const char* input;  // relative to the test folder
    double floor_db;    // measured PSNR of the exported pictures, less a margin
};

// Pictures go in as PNG, come back through `qx export` on its 5-6-5 display, and are compared
// with what went in. Rkd maps the scene to 256 colours; the DCT formats code at quality 75,
// where Zle spends about a third of Mnb's bytes. Measured worst frames: Rkd 36.7, Mnb 27.7,
// Zle 22.7 dB.
TEST(EncodeTool, EveryVideoFormatRoundTripsThroughExport) {
    const VideoCase cases[] = {
        {"rkd", "frames/%03d.png", 35}, {"mnb", "frames", 26}, {"zle", "frames/%03d.png", 21}};
    TempFolder folder;
    std::filesystem::create_directory(folder.path() + "/frames");
    const auto frames = scene_frames(WIDTH, HEIGHT, 5);
    write_png_frames(folder.path() + "/frames/%03d.png", WIDTH, HEIGHT, frames);
    for (const VideoCase& format : cases) {
        const std::string movie = std::string("out.") + format.name;
        const QxRun encoded =
            run_qx_in(folder.path(), "encode " + movie + " --input '" + format.input +
                                         "' --video " + format.name + " --no-audio");
        ASSERT_EQ(encoded.status, 0) << format.name << ": " << encoded.errors;
        const std::string out = std::string("export-") + format.name;
        ASSERT_EQ(run_qx_in(folder.path(), "export --png " + movie + " " + out).status, 0);
        const auto shown = exported_frames(folder.path() + "/" + out, 10);
        ASSERT_EQ(shown.size(), frames.size()) << format.name;
        PsnrMeter psnr;
        for (size_t i = 0; i < frames.size(); ++i) {
            psnr.add(frames[i], shown[i]);
        }
        std::printf("%s: PSNR %.2f dB, worst frame %.2f dB\n", format.name, psnr.overall(),
                    psnr.worst());
        EXPECT_GE(psnr.worst(), format.floor_db) << format.name;
    }
}

struct AudioCase {
    const char* name;
    int32_t channels;
    double floor_db;  // signal-to-noise of the exported sound
    int32_t chunks;   // XA cuts on whole 28-sample frames, leaving a short eleventh chunk
};

// Sound goes in as WAV and comes back through `qx export --wav` with its channels at the same
// rate: PCM exactly, the two ADPCM codecs within their floors, all at the input's length.
TEST(EncodeTool, EveryAudioFormatRoundTripsThroughExport) {
    const AudioCase cases[] = {// Measured: XA 54.4 dB, IMA 34.7 dB.
                               {"pcm", 2, 99, 10},
                               {"pcm", 1, 99, 10},
                               {"xa", 2, 50, 11},
                               {"ima", 2, 32, 10},
                               {"ima", 1, 32, 10}};
    TempFolder folder;
    write_png_frames(folder.path() + "/still.png", WIDTH, HEIGHT, scene_frames(WIDTH, HEIGHT, 1));
    for (const AudioCase& format : cases) {
        const SoundFile tone = test_tone(format.channels, 22050, 1.0);
        write_wav(folder.path() + "/tone.wav", tone);
        const QxRun encoded =
            run_qx_in(folder.path(), std::string("encode out.mnb --input still.png --fps 10 "
                                                 "--audio-in tone.wav --audio ") +
                                         format.name);
        ASSERT_EQ(encoded.status, 0) << format.name << ": " << encoded.errors;
        MovieInfo info;
        std::string error;
        ASSERT_TRUE(read_movie_info(folder.path() + "/out.mnb", info, error)) << error;
        EXPECT_EQ(info.sample_rate, 22050);
        // One picture, then the second of sound in chunks of a tenth of a second.
        EXPECT_EQ(info.audio_chunks, format.chunks) << format.name;
        ASSERT_EQ(run_qx_in(folder.path(), "export --wav out.mnb sound").status, 0);
        SoundFile decoded = read_wav(folder.path() + "/sound/audio.wav");
        // IMA plays two channels whatever the header says, and the WAV keeps both: equal here.
        const bool ima = std::string(format.name) == "ima";
        ASSERT_EQ(decoded.channels, ima ? 2 : format.channels);
        if (decoded.channels != format.channels) {
            std::vector<int16_t> left;
            for (size_t i = 0; i < decoded.samples.size(); i += 2) {
                EXPECT_EQ(decoded.samples[i], decoded.samples[i + 1]);
                left.push_back(decoded.samples[i]);
            }
            decoded.samples = left;
        }
        EXPECT_GE(decoded.samples.size(), tone.samples.size()) << format.name;
        const double snr = snr_db(tone.samples, decoded.samples);
        std::printf("%s %d channel(s): SNR %.2f dB\n", format.name, format.channels, snr);
        EXPECT_GE(snr, format.floor_db) << format.name;
    }
}

// The audio header first, then each picture followed by its sound, sound left over after the
// last picture in chunks of its own, and the end chunk last.
TEST(EncodeTool, InterleavesOneAudioChunkAfterEachFrame) {
    TempFolder folder;
    write_png_frames(folder.path() + "/%d.png", WIDTH, HEIGHT, scene_frames(WIDTH, HEIGHT, 4));
    write_wav(folder.path() + "/tone.wav", test_tone(2, 8000, 0.6));
    const QxRun encoded = run_qx_in(
        folder.path(), "encode out.rkd -i %d.png --video rkd --fps 10 --audio-in tone.wav");
    ASSERT_EQ(encoded.status, 0) << encoded.errors;
    MovieInfo info;
    std::string error;
    ASSERT_TRUE(read_movie_info(folder.path() + "/out.rkd", info, error)) << error;
    std::string order;
    for (const ChunkInfo& chunk : info.chunks) {
        order += chunk.tag == "SCHl"   ? 'H'
                 : chunk.tag == "SCDl" ? 'a'
                 : chunk.tag == "SCEl" ? 'E'
                                       : 'v';
    }
    EXPECT_EQ(order, "HvavavavaaaE");
    EXPECT_TRUE(info.problems.empty());
    EXPECT_EQ(info.frame_width, WIDTH);
}

// --frames cuts the movie, sound included: the sound of the pictures left out is not written.
TEST(EncodeTool, FrameLimitCutsTheSoundWithThePictures) {
    TempFolder folder;
    write_png_frames(folder.path() + "/%d.png", WIDTH, HEIGHT, scene_frames(WIDTH, HEIGHT, 4));
    write_wav(folder.path() + "/tone.wav", test_tone(2, 8000, 0.6));
    const QxRun encoded = run_qx_in(folder.path(),
                                    "encode out.rkd -i %d.png --video rkd --fps 10 "
                                    "--audio-in tone.wav --frames 2");
    ASSERT_EQ(encoded.status, 0) << encoded.errors;
    MovieInfo info;
    std::string error;
    ASSERT_TRUE(read_movie_info(folder.path() + "/out.rkd", info, error)) << error;
    EXPECT_EQ(info.video_frames, 2);
    EXPECT_EQ(info.audio_chunks, 2);
}

TEST(EncodeTool, ReadsYuv4mpegStreams) {
    TempFolder folder;
    const auto frames = scene_frames(WIDTH, HEIGHT, 3);
    std::ofstream stream(folder.path() + "/in.y4m", std::ios::binary);
    stream << "YUV4MPEG2 W" << WIDTH << " H" << HEIGHT << " F25:1 Ip A1:1 C444\n";
    for (const auto& rgb : frames) {
        stream << "FRAME\n";
        std::vector<uint8_t> planes(size_t(WIDTH) * HEIGHT * 3);
        const size_t pixels = size_t(WIDTH) * HEIGHT;
        for (size_t i = 0; i < pixels; ++i) {
            const double r = rgb[3 * i], g = rgb[3 * i + 1], b = rgb[3 * i + 2];
            planes[i] = uint8_t(std::lround(16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255));
            planes[pixels + i] =
                uint8_t(std::lround(128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255));
            planes[2 * pixels + i] =
                uint8_t(std::lround(128 + (112.0 * r - 93.786 * g - 18.214 * b) / 255));
        }
        stream.write(reinterpret_cast<const char*>(planes.data()), std::streamsize(planes.size()));
    }
    stream.close();
    ASSERT_EQ(run_qx_in(folder.path(), "encode out.zle -i in.y4m --video zle --quality 90").status,
              0);
    ASSERT_EQ(run_qx_in(folder.path(), "export --png out.zle pictures").status, 0);
    const auto shown = exported_frames(folder.path() + "/pictures", 10);
    ASSERT_EQ(shown.size(), frames.size());
    PsnrMeter psnr;
    for (size_t i = 0; i < frames.size(); ++i) {
        psnr.add(frames[i], shown[i]);
    }
    EXPECT_GE(psnr.worst(), 25);  // measured 26.2 dB
    // The stream's own 25 frames a second cut the silent track: 22050 / 25 samples a chunk.
    MovieInfo info;
    std::string error;
    ASSERT_TRUE(read_movie_info(folder.path() + "/out.zle", info, error)) << error;
    EXPECT_EQ(info.audio_chunks, 3);
}

// Frames that come out poorly are named on stderr, ten at most and then a count, and the
// movie is still written: random colours lose most of their detail at any quality.
TEST(EncodeTool, WarnsAboutFramesThatComeOutPoorly) {
    TempFolder folder;
    std::vector<std::vector<uint8_t>> noise(12, std::vector<uint8_t>(size_t(WIDTH) * HEIGHT * 3));
    uint32_t state = 7;
    for (auto& frame : noise) {
        for (uint8_t& byte : frame) {
            state = state * 1664525 + 1013904223;
            byte = uint8_t(state >> 24);
        }
    }
    write_png_frames(folder.path() + "/%02d.png", WIDTH, HEIGHT, noise);
    const QxRun run = run_qx_in(folder.path(), "encode out.mnb -i %02d.png --no-audio");
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 11) << run.errors;
    EXPECT_NE(run.errors.find("qx encode: warning: frame 0 comes out at "), std::string::npos)
        << run.errors;
    EXPECT_NE(run.errors.find("qx encode: warning: 2 more frames below 25 dB"), std::string::npos)
        << run.errors;
    EXPECT_TRUE(std::filesystem::exists(folder.path() + "/out.mnb"));
    // The test scene keeps its colours: no warning.
    write_png_frames(folder.path() + "/scene%02d.png", WIDTH, HEIGHT,
                     scene_frames(WIDTH, HEIGHT, 2));
    const QxRun scene = run_qx_in(folder.path(), "encode scene.mnb -i scene%02d.png --no-audio");
    ASSERT_EQ(scene.status, 0);
    EXPECT_EQ(scene.errors, "");
}

// A YUV4MPEG2 stream of `frames` with `tags` after the size, in studio-range BT.601 with
// chroma averaged over 2^shift_x x 2^shift_y pixels (no chroma planes for mono); the last
// frame is cut to `last_frame_bytes` when that is not 0.
void write_y4m(const std::string& path, const std::string& tags,
               const std::vector<std::vector<uint8_t>>& frames, int shift_x, int shift_y,
               bool mono = false, size_t last_frame_bytes = 0) {
    std::ofstream stream(path, std::ios::binary);
    stream << "YUV4MPEG2 W" << WIDTH << " H" << HEIGHT << tags << "\n";
    for (size_t f = 0; f < frames.size(); ++f) {
        const auto& rgb = frames[f];
        std::vector<uint8_t> planes;
        auto level = [&](int x, int y, double kr, double kg, double kb, double offset) {
            const uint8_t* p = &rgb[3 * (size_t(y) * WIDTH + x)];
            return offset + (kr * p[0] + kg * p[1] + kb * p[2]) / 255;
        };
        for (int y = 0; y < HEIGHT; ++y) {
            for (int x = 0; x < WIDTH; ++x) {
                planes.push_back(uint8_t(std::lround(level(x, y, 65.481, 128.553, 24.966, 16))));
            }
        }
        const double factors[2][3] = {{-37.797, -74.203, 112.0}, {112.0, -93.786, -18.214}};
        for (int k = 0; k < (mono ? 0 : 2); ++k) {
            for (int y = 0; y < HEIGHT >> shift_y; ++y) {
                for (int x = 0; x < WIDTH >> shift_x; ++x) {
                    double sum = 0;
                    for (int dy = 0; dy < 1 << shift_y; ++dy) {
                        for (int dx = 0; dx < 1 << shift_x; ++dx) {
                            sum += level((x << shift_x) + dx, (y << shift_y) + dy, factors[k][0],
                                         factors[k][1], factors[k][2], 128);
                        }
                    }
                    planes.push_back(uint8_t(std::lround(sum / (1 << (shift_x + shift_y)))));
                }
            }
        }
        const bool last = f + 1 == frames.size();
        stream << "FRAME\n";
        stream.write(
            reinterpret_cast<const char*>(planes.data()),
            std::streamsize(last && last_frame_bytes > 0 ? last_frame_bytes : planes.size()));
    }
}

// Every 8-bit colour space tag, interlacing and aspect tags: all frames come through.
TEST(EncodeTool, ReadsEveryYuv4mpegVariant) {
    struct Variant {
        const char* tags;
        int shift_x;
        int shift_y;
        bool mono;
    };
    const Variant variants[] = {{" C420jpeg", 1, 1, false},
                                {" C420mpeg2", 1, 1, false},
                                {" C420paldv", 1, 1, false},
                                {" C420", 1, 1, false},
                                {"", 1, 1, false},
                                {" C422", 1, 0, false},
                                {" C444", 0, 0, false},
                                {" Cmono", 0, 0, true},
                                {" It A10:11", 1, 1, false},
                                {" Ib A0:0", 1, 1, false},
                                {" Im F30000:1001", 1, 1, false}};
    TempFolder folder;
    const auto frames = scene_frames(WIDTH, HEIGHT, 2);
    for (const Variant& variant : variants) {
        write_y4m(folder.path() + "/in.y4m", variant.tags, frames, variant.shift_x, variant.shift_y,
                  variant.mono);
        const QxRun run =
            run_qx_in(folder.path(), "encode out.mnb -i in.y4m --no-audio --quality 90");
        ASSERT_EQ(run.status, 0) << variant.tags << ": " << run.errors;
        MovieInfo info;
        std::string error;
        ASSERT_TRUE(read_movie_info(folder.path() + "/out.mnb", info, error)) << error;
        EXPECT_EQ(info.video_kinds[VIDEO_MNB], 2) << variant.tags;
    }
}

// A stream whose data does not fill its last frame, or whose header does not describe its
// data, or whose samples are deeper than 8 bits, fails with one line and leaves no file.
TEST(EncodeTool, DamagedYuv4mpegStreamsFailWithOneLine) {
    TempFolder folder;
    const auto frames = scene_frames(WIDTH, HEIGHT, 3);
    write_y4m(folder.path() + "/cut.y4m", " C420jpeg", frames, 1, 1, false, 1000);
    write_y4m(folder.path() + "/mislabelled.y4m", " C422", frames, 1, 1);
    write_y4m(folder.path() + "/deep.y4m", " C420p10", frames, 1, 1);
    write_y4m(folder.path() + "/alpha.y4m", " C444alpha", frames, 0, 0);
    for (const char* name : {"cut", "mislabelled", "deep", "alpha"}) {
        const QxRun run =
            run_qx_in(folder.path(), std::string("encode out.mnb -i ") + name + ".y4m --no-audio");
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1)
            << name << ": " << run.errors;
        EXPECT_FALSE(std::filesystem::exists(folder.path() + "/out.mnb")) << name;
    }
    const QxRun cut = run_qx_in(folder.path(), "encode out.mnb -i cut.y4m --no-audio");
    EXPECT_NE(cut.errors.find("ends inside frame 3"), std::string::npos) << cut.errors;
}

struct BadInput {
    const char* what;
    const char* arguments;
};

// Each failure is one line on stderr and exit status 1, and leaves no file at all behind.
TEST(EncodeTool, BadInputFailsCleanlyWithoutOutput) {
    TempFolder folder;
    const std::string root = folder.path();
    std::filesystem::create_directory(root + "/mixed");
    write_png_frames(root + "/mixed/a.png", WIDTH, HEIGHT, scene_frames(WIDTH, HEIGHT, 1));
    write_png_frames(root + "/mixed/b.png", WIDTH, HEIGHT + 16,
                     scene_frames(WIDTH, HEIGHT + 16, 1));
    write_png_frames(root + "/odd.png", 36, 20, scene_frames(36, 20, 1));
    write_png_frames(root + "/good.png", WIDTH, HEIGHT, scene_frames(WIDTH, HEIGHT, 1));
    std::ofstream(root + "/noise.wav") << "this is no sound";
    write_wav(root + "/long.wav", test_tone(2, 44100, 1.2));
    std::ofstream(root + "/broken.png") << "\x89PNG\r\n\x1a\n and then nothing";
    std::ofstream(root + "/short.y4m") << "YUV4MPEG2 W64 H48 C420jpeg\nFRAME\nabc";
    std::ofstream(root + "/bad.y4m") << "YUV4MPEG2 W0 H48\n";
    const BadInput cases[] = {
        {"missing pictures", "-i nowhere/%04d.png"},
        {"picture of another size", "-i mixed"},
        {"unreadable sound", "-i good.png --audio-in noise.wav"},
        {"missing sound", "-i good.png --audio-in absent.flac"},
        {"size Rkd cannot take", "-i odd.png --video rkd"},
        {"audio chunks too large to play", "-i good.png --audio-in long.wav --audio pcm --fps 1"},
        {"damaged PNG", "-i broken.png"},
        {"truncated y4m", "-i short.y4m"},
        {"y4m without a size", "-i bad.y4m"},
        {"pattern with a string field", "-i %s.png"},
        {"no input", ""},
    };
    const auto listing = [&] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(root)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    const auto before = listing();
    for (const BadInput& input : cases) {
        const QxRun run = run_qx_in(root, std::string("encode out.mnb ") + input.arguments);
        EXPECT_EQ(run.status, 1) << input.what;
        EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1)
            << input.what << ": " << run.errors;
        EXPECT_EQ(run.errors.rfind("qx encode: ", 0), 0u) << input.what << ": " << run.errors;
        EXPECT_EQ(listing(), before) << input.what;
    }
}

// The demo is made the same, byte for byte, every time; a short one shows it.
TEST(EncodeTool, DemoIsTheSameEveryTime) {
    TempFolder folder;
    ASSERT_EQ(run_qx_in(folder.path(), "encode --demo --frames 6 first.mnb").status, 0);
    ASSERT_EQ(run_qx_in(folder.path(), "encode --demo --frames 6 second.mnb").status, 0);
    const auto first = file_bytes(folder.path() + "/first.mnb");
    EXPECT_GT(first.size(), 1000u);
    EXPECT_TRUE(first == file_bytes(folder.path() + "/second.mnb"));
    MovieInfo info;
    std::string error;
    ASSERT_TRUE(read_movie_info(folder.path() + "/first.mnb", info, error)) << error;
    EXPECT_EQ(info.frame_width, 320);
    EXPECT_EQ(info.frame_height, 240);
    EXPECT_EQ(info.video_kinds[VIDEO_MNB], 6);
    EXPECT_EQ(info.compression, 10);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.audio_chunks, 6);
}

}  // namespace

}  // namespace qx
