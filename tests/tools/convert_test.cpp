#include <gtest/gtest.h>
#include <qxplay/qxplay.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/program_output.h"
#include "tests/support/temp_movie.h"
#include "tests/tools/encode_test_support.h"
#include "tests/tools/file_checks.h"
#include "tests/tools/webm_readback.h"
#include "tools/qx/convert_jobs.h"

namespace qx {

namespace {

constexpr int32_t WIDTH = 96;
constexpr int32_t HEIGHT = 64;
constexpr int32_t FRAMES = 20;
// What the default quality promises against the pictures `qx export` gives, 4:2:0 chroma
// included: measured 31.3 to 36 dB on these small, grainy scenes (the demo movie: 36.7 to 38.5).
constexpr double DEFAULT_QUALITY_PSNR = 30;

struct MovieCase {
    const char* name;
    const char* encode;  // `qx encode` options besides the pictures
    int32_t channels;    // of its sound; 0 without
    int32_t sample_rate;
};

// Pictures and, where asked, a chord of `seconds` in `folder`, made into `name` by `qx encode`.
void make_movie(const std::string& folder, const MovieCase& movie, double seconds = 1.4) {
    write_png_frames(folder + "/%d.png", WIDTH, HEIGHT, scene_frames(WIDTH, HEIGHT, FRAMES));
    std::string options = movie.encode;
    if (movie.channels > 0) {
        SoundFile tone{movie.channels, movie.sample_rate, {}};
        for (int32_t i = 0; i < static_cast<int32_t>(seconds * movie.sample_rate); ++i) {
            for (int32_t c = 0; c < movie.channels; ++c) {
                tone.samples.push_back(static_cast<int16_t>(
                    6000 * std::sin(2 * M_PI * (330 + 110 * c) * i / movie.sample_rate)));
            }
        }
        write_wav(folder + "/tone.wav", tone);
        options += " --audio-in tone.wav";
    }
    const QxRun made =
        run_qx_in(folder, std::string("encode ") + movie.name + " -i %d.png " + options);
    ASSERT_EQ(made.status, 0) << made.errors;
}

// The show time of every frame, through the public interface.
std::vector<int64_t> show_times(const std::string& path, qx_info& info) {
    qx_movie* movie = qx_open_file(path.c_str(), nullptr, nullptr);
    std::vector<int64_t> times;
    if (movie == nullptr || qx_get_info(movie, &info) != 0) {
        ADD_FAILURE() << path << " does not open";
        return times;
    }
    for (int64_t i = 0; i < info.frames; ++i) {
        times.push_back(qx_frame_time_ms(movie, i));
    }
    qx_close(movie);
    return times;
}

std::vector<std::vector<uint8_t>> exported_pictures(const std::string& folder,
                                                    const std::string& movie) {
    const QxRun exported = run_qx_in(folder, "export " + movie + " shown --png");
    EXPECT_EQ(exported.status, 0) << exported.errors;
    return exported_frames(folder + "/shown", 1000);
}

}  // namespace

// Each frame at the time the player shows it, the pictures within the default quality's
// promise of what `qx export` decodes, and the sound whole, resampled to 48 kHz: for sound
// at 44.1 kHz, mono sound, and none (then at the pace asked).
TEST(ConvertTool, KeepsEveryFrameAtItsShowTimeAndTheWholeSound) {
    const MovieCase cases[] = {{"stereo.mnb", "--fps 15", 2, 44100},
                               {"mono.rkd", "--video rkd --fps 12", 1, 22050},
                               {"silent.zle", "--video zle --fps 10 --no-audio", 0, 0}};
    for (const MovieCase& movie : cases) {
        TempFolder folder;
        make_movie(folder.path(), movie);
        const QxRun converted =
            run_qx_in(folder.path(), std::string("convert ") + movie.name + " -o out.webm" +
                                         (movie.channels == 0 ? " --fps 8" : ""));
        ASSERT_EQ(converted.status, 0) << movie.name << ": " << converted.errors;
        const WebmReadback file = read_webm(folder.path() + "/out.webm");
        ASSERT_TRUE(file.parsed) << movie.name;
        qx_info info{};
        std::vector<int64_t> expected_times = show_times(folder.path() + "/" + movie.name, info);
        if (movie.channels == 0) {
            for (size_t i = 0; i < expected_times.size(); ++i) {
                expected_times[i] = static_cast<int64_t>(i) * 1000 / 8;
            }
        }
        std::vector<int64_t> times;
        for (const WebmFrame& frame : file.frames) {
            if (frame.track == file.track("V_VP9")->number) {
                times.push_back(frame.time_ms);
            }
        }
        EXPECT_EQ(times, expected_times) << movie.name;
        const std::vector<PlanarPicture> pictures = decode_vp9(file);
        const auto shown = exported_pictures(folder.path(), movie.name);
        ASSERT_EQ(pictures.size(), shown.size()) << movie.name;
        for (size_t i = 0; i < pictures.size(); ++i) {
            const double psnr = rgb_psnr(shown[i], planes_to_rgb(pictures[i]));
            EXPECT_GE(psnr, DEFAULT_QUALITY_PSNR) << movie.name << " frame " << i;
        }
        const WebmTrack* audio = file.track("A_OPUS");
        if (movie.channels == 0) {
            EXPECT_EQ(audio, nullptr);
            EXPECT_NEAR(file.duration_ms, FRAMES * 1000 / 8, 1);
            continue;
        }
        ASSERT_NE(audio, nullptr) << movie.name;
        EXPECT_EQ(audio->channels, 2u);
        const int64_t at_48k = info.audio_frames * 48000 / info.sample_rate;
        EXPECT_EQ(static_cast<int64_t>(decode_opus(file).size() / 2), at_48k) << movie.name;
        EXPECT_NEAR(file.duration_ms, info.duration_seconds * 1000, 1) << movie.name;
    }
}

// Lossless pictures are the exported ones to the byte, also enlarged (sharp: each pixel a
// square of four).
TEST(ConvertTool, LosslessPicturesEqualTheExportedOnes) {
    TempFolder folder;
    make_movie(folder.path(), {"movie.mnb", "--fps 15", 2, 22050});
    const auto shown = exported_pictures(folder.path(), "movie.mnb");
    ASSERT_EQ(run_qx_in(folder.path(), "convert movie.mnb -o exact.webm --lossless").status, 0);
    ASSERT_EQ(run_qx_in(folder.path(), "convert movie.mnb -o big.webm --lossless --scale 2").status,
              0);
    const std::vector<PlanarPicture> exact = decode_vp9(read_webm(folder.path() + "/exact.webm"));
    const std::vector<PlanarPicture> big = decode_vp9(read_webm(folder.path() + "/big.webm"));
    ASSERT_EQ(exact.size(), shown.size());
    ASSERT_EQ(big.size(), shown.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(planes_to_rgb(exact[i]), shown[i]) << "frame " << i;
        ASSERT_EQ(big[i].width, 2 * WIDTH);
        const std::vector<uint8_t> enlarged = planes_to_rgb(big[i]);
        for (int32_t y = 0; y < 2 * HEIGHT; y += 7) {
            for (int32_t x = 0; x < 2 * WIDTH; x += 5) {
                for (int c = 0; c < 3; ++c) {
                    ASSERT_EQ(enlarged[(y * 2 * WIDTH + x) * 3 + c],
                              shown[i][((y / 2) * WIDTH + x / 2) * 3 + c]);
                }
            }
        }
    }
}

// Several movies into a folder at once: one that is no movie is named in one line, the others
// are converted, the status says something failed, and no half-written file stays.
TEST(ConvertTool, AFolderOfMoviesConvertsPastOneThatFails) {
    TempFolder folder;
    make_movie(folder.path(), {"a.mnb", "--fps 15", 2, 22050}, 0.5);
    std::filesystem::copy_file(folder.path() + "/a.mnb", folder.path() + "/b.mnb");
    std::ofstream(folder.path() + "/broken.mnb") << "this is no movie";
    const QxRun run = run_qx_in(folder.path(), "convert a.mnb broken.mnb b.mnb -o webm --jobs 2");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
    EXPECT_NE(run.errors.find("broken.mnb"), std::string::npos) << run.errors;
    EXPECT_EQ(files_in(folder.path() + "/webm"), (std::vector<std::string>{"a.webm", "b.webm"}));
    EXPECT_EQ(file_text(folder.path() + "/webm/a.webm"), file_text(folder.path() + "/webm/b.webm"));
}

TEST(ConvertTool, RefusesToWriteOverAMovieItReads) {
    TempFolder folder;
    make_movie(folder.path(), {"a.mnb", "--fps 15", 0, 0}, 0);
    const std::string before = file_text(folder.path() + "/a.mnb");
    const QxRun run = run_qx_in(folder.path(), "convert a.mnb -o ./a.mnb");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.errors.find("one of the movies"), std::string::npos) << run.errors;
    EXPECT_EQ(file_text(folder.path() + "/a.mnb"), before);
    std::filesystem::create_directory(folder.path() + "/out");
    std::filesystem::copy_file(folder.path() + "/a.mnb", folder.path() + "/out/a.webm");
    EXPECT_EQ(run_qx_in(folder.path(), "convert out/a.webm a.mnb -o out").status, 2);
}

// A movie with a damaged stretch converts past it, and says so.
TEST(ConvertTool, ConvertsPastDamageAndSaysSo) {
    TempFolder folder;
    make_movie(folder.path(), {"a.mnb", "--fps 15", 2, 22050}, 1.4);
    // The header of the chunk that passes the middle of the file is overwritten.
    std::string bytes = file_text(folder.path() + "/a.mnb");
    size_t chunk = 0;
    while (chunk + 8 < bytes.size() / 2) {
        chunk += static_cast<uint8_t>(bytes[chunk + 4]) |
                 static_cast<uint8_t>(bytes[chunk + 5]) << 8 |
                 static_cast<uint8_t>(bytes[chunk + 6]) << 16;
    }
    bytes.replace(chunk, 8, std::string(8, '\xEE'));
    std::ofstream(folder.path() + "/damaged.mnb", std::ios::binary) << bytes;
    const QxRun run = run_qx_in(folder.path(), "convert damaged.mnb -o out.webm");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(run.errors.find("damaged"), std::string::npos) << run.errors;
    const WebmReadback file = read_webm(folder.path() + "/out.webm");
    EXPECT_TRUE(file.parsed);
    EXPECT_GT(decode_vp9(file).size(), 10u);
}

// What a browser makes of the file: its length, its size, a seek to the middle that lands
// there, the sound decoded, and playing to the end.
TEST(ConvertTool, ChromiumPlaysAndSeeksTheFile) {
    TempFolder folder;
    make_movie(folder.path(), {"a.mnb", "--fps 15", 2, 44100}, 2.0);
    ASSERT_EQ(run_qx_in(folder.path(), "convert a.mnb -o a.webm").status, 0);
    const ProgramOutput page =
        run_command("/usr/bin/python3 " + std::string(QX_SOURCE_DIR) +
                    "/tests/tools/webm_in_chromium.py '" + folder.path() + "/a.webm'");
    ASSERT_EQ(page.status, 0) << page.err;
    // {"audio_bytes": N, "duration": 2, "ended": true, "height": 64, "seeked_to": 1, ...}
    const auto value = [&](const std::string& key) {
        const size_t at = page.out.find("\"" + key + "\": ");
        return at == std::string::npos
                   ? std::string("missing")
                   : page.out.substr(at + key.size() + 4,
                                     page.out.find_first_of(",}", at) - at - key.size() - 4);
    };
    EXPECT_NEAR(std::stod(value("duration")), 2.0, 0.01) << page.out;
    EXPECT_EQ(value("width"), std::to_string(WIDTH)) << page.out;
    EXPECT_EQ(value("height"), std::to_string(HEIGHT)) << page.out;
    EXPECT_NEAR(std::stod(value("seeked_to")), 1.0, 0.01) << page.out;
    EXPECT_GT(std::stol(value("audio_bytes")), 0) << page.out;
    EXPECT_EQ(value("ended"), "true") << page.out;
}

// However many movies and jobs are asked for, the encoders' threads never outnumber the cores.
TEST(ConvertJobs, NeverMoreEncoderThreadsThanCores) {
    const JobPlan folder = plan_jobs(0, 5, 2);
    EXPECT_EQ(folder.jobs, 2);
    EXPECT_EQ(folder.threads_each, 1);
    const JobPlan one = plan_jobs(0, 1, 2);
    EXPECT_EQ(one.jobs, 1);
    EXPECT_EQ(one.threads_each, 2);
    for (int cores : {1, 2, 3, 8}) {
        for (int asked : {0, 1, 2, 5, 64}) {
            for (size_t movies : {1, 2, 7}) {
                const JobPlan plan = plan_jobs(asked, movies, cores);
                EXPECT_LE(plan.jobs * plan.threads_each, cores) << asked << " " << movies;
                EXPECT_GE(plan.jobs, 1);
                EXPECT_LE(static_cast<size_t>(plan.jobs), movies);
            }
        }
    }
}

}  // namespace qx
