#include <gtest/gtest.h>

#include <cstdio>

#include "tests/authoring/dct_round_trip.h"

namespace {

// PSNR against bits per pixel for every codec and test picture: the curve the encoders are
// judged by, printed for the record.
TEST(ColourCurve, PrintsPsnrAgainstBitsPerPixel) {
    const auto pictures = colour_test_pictures();
    for (const DctCodec codec : {DctCodec::Mnb, DctCodec::ZleSummed, DctCodec::ZleChannel}) {
        for (const int32_t quality : {20, 50, 75, 100}) {
            double psnr_sum = 0;
            double bpp_sum = 0;
            for (const ColourPicture& picture : pictures) {
                const DctRoundTrip trip = dct_round_trip(codec, picture, quality);
                ASSERT_EQ(trip.result, 0);
                const double psnr = picture_psnr(picture, trip.shown);
                const double bpp = bits_per_pixel(picture, trip.payload_bytes);
                std::printf("curve %-11s q%-3d %-18s %6.2f dB %5.2f bpp %5lld speckles\n",
                            dct_codec_name(codec), quality, picture.name.c_str(), psnr, bpp,
                            static_cast<long long>(speckles(picture, trip.shown)));
                psnr_sum += psnr;
                bpp_sum += bpp;
            }
            std::printf("curve %-11s q%-3d %-18s %6.2f dB %5.2f bpp\n", dct_codec_name(codec),
                        quality, "mean", psnr_sum / double(pictures.size()),
                        bpp_sum / double(pictures.size()));
        }
    }
}

}  // namespace
