#include "authoring/mnb_encoder.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "authoring/dct_colour_model.h"
#include "codecs/dct/mnb_frame.h"
#include "tests/codecs/dct/dct_test_pictures.h"
#include "tests/codecs/dct/dct_test_support.h"

namespace qx {

namespace {

struct MnbRoundTrip {
    std::vector<uint8_t> payload;
    std::vector<uint8_t> picture;
    int32_t result;
};

MnbRoundTrip mnb_round_trip(const std::vector<uint8_t>& rgb, int32_t width, int32_t height,
                            int32_t quality, MnbFrameStats* stats = nullptr) {
    MnbEncoder encoder(quality);
    MnbRoundTrip out;
    out.payload = encoder.encode(RgbPicture{width, height, rgb.data()});
    if (stats != nullptr) {
        *stats = encoder.last_frame();
    }
    DctHeader header{};
    mnb_read_header(out.payload.data(), uint32_t(out.payload.size()), header);
    DctDecoder decoder;
    mnb_build_dequant_table(decoder.dequant_table, header.quality);
    const auto tables = dct_test_tables();
    out.picture.assign(size_t(width) * height * 2, 0);
    out.result = mnb_decode_picture(
        decoder, *tables, dct_frame_of(header, false, out.picture.size()), out.payload.data() + 8,
        uint32_t(out.payload.size() - 8), out.picture.data());
    return out;
}

// The quality curve of the test scene; the floors sit a little under the measured values.
TEST(MnbEncoder, RoundTripQualityCurve) {
    const int32_t width = 160;
    const int32_t height = 128;
    const std::vector<uint8_t> rgb = dct_scene(width, height);
    struct Point {
        int quality;
        double floor;
    };
    double previous = 0;
    for (const Point& point : {Point{0, 26.5}, Point{25, 27.5}, Point{50, 29}, Point{75, 31},
                               Point{90, 31.8}, Point{100, 32.2}}) {
        MnbFrameStats stats{};
        const MnbRoundTrip trip = mnb_round_trip(rgb, width, height, point.quality, &stats);
        ASSERT_EQ(trip.result, DCT_DECODED);
        const double psnr = psnr_565(rgb, trip.picture);
        std::printf("mnb q=%d psnr=%.2f dB bytes=%zu flat=%d coded=%d trimmed=%d\n", point.quality,
                    psnr, trip.payload.size(), stats.flat_macroblocks, stats.coded_macroblocks,
                    stats.trimmed_macroblocks);
        EXPECT_GE(psnr, point.floor) << point.quality;
        EXPECT_GE(psnr, previous - 0.5) << point.quality;
        previous = psnr;
    }
}

TEST(MnbEncoder, FlatAreasBecomeFlatRecords) {
    std::vector<uint8_t> grey(32 * 32 * 3, 128);
    MnbFrameStats stats{};
    const MnbRoundTrip trip = mnb_round_trip(grey, 32, 32, 75, &stats);
    EXPECT_EQ(stats.flat_macroblocks, 4);
    EXPECT_EQ(trip.payload.size(), 8u + 4 * 4);
    EXPECT_GE(psnr_565(grey, trip.picture), 36);
}

TEST(MnbEncoder, RecordsKeepTheirLengthLimits) {
    // Noise at the best quality needs far more than 255 bytes a macroblock.
    std::vector<uint8_t> noise(48 * 32 * 3);
    uint32_t state = 99;
    for (uint8_t& byte : noise) {
        state = state * 1664525 + 1013904223;
        byte = uint8_t(state >> 24);
    }
    MnbFrameStats stats{};
    const MnbRoundTrip trip = mnb_round_trip(noise, 48, 32, 100, &stats);
    EXPECT_EQ(trip.result, DCT_DECODED);
    EXPECT_GT(stats.trimmed_macroblocks, 0);
    size_t at = 8;
    for (int mb = 0; mb < 6; ++mb) {
        ASSERT_LT(at, trip.payload.size());
        EXPECT_GE(trip.payload[at], 13);
        at += 1 + trip.payload[at];
    }
    EXPECT_EQ(at, trip.payload.size());
}

TEST(MnbEncoder, OddSizesAreCodedAndDecodedWithinThePicture) {
    const std::vector<uint8_t> rgb = dct_scene(37, 21);
    const MnbRoundTrip trip = mnb_round_trip(rgb, 37, 21, 90);
    EXPECT_EQ(trip.result, DCT_DECODED);
    EXPECT_GE(psnr_565(rgb, trip.picture), 23);
}

// Planes of YCbCr are coded for the colours they stand for: as well as the RGB picture they
// were made from, up to the rounding of the planes.
TEST(MnbEncoder, YcbcrInputMatchesRgbInput) {
    const int32_t width = 32;
    const int32_t height = 16;
    const std::vector<uint8_t> rgb = dct_scene(width, height);
    const RgbPicture picture{width, height, rgb.data()};
    std::vector<uint8_t> y;
    std::vector<uint8_t> cb;
    std::vector<uint8_t> cr;
    ycbcr_from_rgb(picture, y, cb, cr);
    const YcbcrPicture planes{width, height, y.data(), cb.data(), cr.data()};
    const std::vector<uint8_t> converted = rgb_from_ycbcr(planes);
    MnbEncoder encoder(60);
    EXPECT_EQ(encoder.encode(planes), encoder.encode(RgbPicture{width, height, converted.data()}));
    const MnbRoundTrip from_rgb = mnb_round_trip(rgb, width, height, 60);
    const MnbRoundTrip from_planes = mnb_round_trip(converted, width, height, 60);
    EXPECT_NEAR(psnr_565(rgb, from_planes.picture), psnr_565(rgb, from_rgb.picture), 1.0);
}

}  // namespace

namespace {

// Without edges the format's own precision shows (about 37 dB: three rounded table fields add
// up in every component): no bias in levels or colours.
TEST(MnbEncoder, SmoothPicturesComeBackNearlyExact) {
    const int32_t width = 64;
    const int32_t height = 64;
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = rgb.data() + 3 * (y * width + x);
            p[0] = uint8_t(40 + 2 * x);
            p[1] = uint8_t(60 + x + y);
            p[2] = uint8_t(200 - 2 * y);
        }
    }
    const MnbRoundTrip trip = mnb_round_trip(rgb, width, height, 100);
    const double psnr = psnr_565(rgb, trip.picture);
    std::printf("mnb smooth q=100 psnr=%.2f\n", psnr);
    EXPECT_GE(psnr, 36.5);
}

}  // namespace

}  // namespace qx
