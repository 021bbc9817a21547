#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "tests/support/temp_movie.h"
#include "tests/tools/webm_readback.h"
#include "tools/qx/output_file.h"
#include "tools/qx/webm_encoder.h"

namespace qx {

namespace {

// A moving scene with smooth areas and sharp edges, as the movies have.
RgbImage scene(int32_t width, int32_t height, int step) {
    RgbImage picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* pixel = picture.rgb.data() + (static_cast<size_t>(y) * width + x) * 3;
            const bool box = std::abs(x - (step * 2) % width) < 8 && std::abs(y - height / 2) < 8;
            pixel[0] = box ? 250 : static_cast<uint8_t>(x * 255 / width);
            pixel[1] = box ? 30 : static_cast<uint8_t>(y * 255 / height);
            pixel[2] = static_cast<uint8_t>((x + y + step) & 0xFF);
        }
    }
    return picture;
}

std::vector<int16_t> tone(int32_t rate, int32_t frames) {
    std::vector<int16_t> stereo(static_cast<size_t>(frames) * 2);
    for (int32_t i = 0; i < frames; ++i) {
        stereo[2 * i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440.0 * i / rate));
        stereo[2 * i + 1] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 660.0 * i / rate));
    }
    return stereo;
}

struct Written {
    std::string path;
    std::vector<RgbImage> pictures;
    std::vector<int64_t> times;
};

// Pictures at uneven times, as a movie's clock shows them, with sound handed in piecemeal.
Written write_file(const TempFolder& folder, const WebmSettings& settings, int frames,
                   int32_t sound_frames) {
    Written written;
    written.path = folder.path() + "/out.webm";
    std::string error;
    OutputFile output;
    EXPECT_TRUE(output.create(written.path, error)) << error;
    auto encoder = std::unique_ptr<WebmEncoder>(qx_open_webm_encoder(output.fd(), settings, error));
    if (encoder == nullptr) {
        ADD_FAILURE() << error;
        return written;
    }
    const std::vector<int16_t> sound = tone(settings.sample_rate, sound_frames);
    size_t sound_given = 0;
    for (int i = 0; i < frames && settings.width > 0; ++i) {
        const int64_t time = i * 67 + (i % 3 == 0 ? 1 : 0);
        written.times.push_back(time);
        written.pictures.push_back(scene(settings.width, settings.height, i));
        PlanarPicture planes;
        if (settings.lossless) {
            rgb_to_gbr(written.pictures.back(), planes);
        } else {
            rgb_to_ycbcr(written.pictures.back(), true, planes);
        }
        EXPECT_TRUE(encoder->add_picture(planes, time, 67, error)) << error;
        const size_t due = std::min(sound.size() / 2,
                                    static_cast<size_t>((time + 67) * settings.sample_rate / 1000));
        if (due > sound_given) {
            EXPECT_TRUE(
                encoder->add_sound(sound.data() + 2 * sound_given, due - sound_given, error));
            sound_given = due;
        }
    }
    if (sound.size() / 2 > sound_given) {
        EXPECT_TRUE(encoder->add_sound(sound.data() + 2 * sound_given,
                                       sound.size() / 2 - sound_given, error));
    }
    EXPECT_TRUE(encoder->finish(2000, error)) << error;
    encoder.reset();
    EXPECT_TRUE(output.commit(error)) << error;
    return written;
}

TEST(WebmWriter, PicturesAndSoundComeBackWithTheirTimesColourAndLength) {
    TempFolder folder;
    WebmSettings settings;
    settings.width = 96;
    settings.height = 64;
    settings.sample_rate = 22050;
    const Written written = write_file(folder, settings, 30, 22050 * 19 / 10);
    const WebmReadback file = read_webm(written.path);
    ASSERT_TRUE(file.parsed);
    EXPECT_EQ(file.doc_type, "webm");
    EXPECT_DOUBLE_EQ(file.duration_ms, 2000);
    EXPECT_EQ(file.seek_entries, 3);  // info, tracks, cues
    EXPECT_GE(file.cue_points, 1);
    const WebmTrack* video = file.track("V_VP9");
    const WebmTrack* audio = file.track("A_OPUS");
    ASSERT_NE(video, nullptr);
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(video->width, 96u);
    EXPECT_EQ(video->height, 64u);
    EXPECT_EQ(video->matrix, 6);  // BT.601
    EXPECT_EQ(video->range, 1);   // studio range
    EXPECT_EQ(audio->channels, 2u);
    EXPECT_EQ(audio->sample_rate, 48000);
    EXPECT_GT(audio->codec_delay_ns, 0u);

    std::vector<int64_t> times;
    int64_t last = -1;
    for (const WebmFrame& frame : file.frames) {
        EXPECT_GE(frame.time_ms, last) << "blocks out of time order";
        last = frame.time_ms;
        if (frame.track == video->number) {
            times.push_back(frame.time_ms);
        }
    }
    EXPECT_EQ(times, written.times);
    const std::vector<PlanarPicture> pictures = decode_vp9(file);
    ASSERT_EQ(pictures.size(), written.pictures.size());
    for (size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_GT(rgb_psnr(written.pictures[i].rgb, planes_to_rgb(pictures[i])), 30) << i;
    }
    // 1.9 s of sound at 22,050 Hz is exactly 91,200 frames at 48 kHz.
    EXPECT_EQ(decode_opus(file).size(), 91200u * 2);
}

TEST(WebmWriter, LosslessPicturesDecodeToTheSameBytes) {
    TempFolder folder;
    WebmSettings settings;
    settings.width = 50;  // odd chroma sizes would show at 4:2:0; 4:4:4 has none
    settings.height = 38;
    settings.lossless = true;
    const Written written = write_file(folder, settings, 8, 0);
    const WebmReadback file = read_webm(written.path);
    ASSERT_TRUE(file.parsed);
    EXPECT_EQ(file.track("A_OPUS"), nullptr);
    EXPECT_EQ(file.track("V_VP9")->matrix, 0);  // identity: the planes are G, B, R
    const std::vector<PlanarPicture> pictures = decode_vp9(file);
    ASSERT_EQ(pictures.size(), 8u);
    for (size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_EQ(planes_to_rgb(pictures[i]), written.pictures[i].rgb) << i;
    }
}

TEST(WebmWriter, SoundAloneKeepsItsLengthAndCanBeSought) {
    TempFolder folder;
    WebmSettings settings;
    settings.sample_rate = 48000;
    write_file(folder, settings, 0, 48000 * 12 + 7);
    const WebmReadback file = read_webm(folder.path() + "/out.webm");
    ASSERT_TRUE(file.parsed);
    EXPECT_EQ(file.track("V_VP9"), nullptr);
    EXPECT_GE(file.cue_points, 3);  // a cluster every few seconds, each a place to start
    EXPECT_EQ(decode_opus(file).size(), (48000u * 12 + 7) * 2);
}

}  // namespace

}  // namespace qx
