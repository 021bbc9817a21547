#include <gtest/gtest.h>

#include <algorithm>

#include "authoring/saturated_scenes.h"
#include "tests/authoring/dct_round_trip.h"

namespace qx {

namespace {

constexpr int32_t QUALITIES[] = {20, 50, 75, 100};

struct Floor {
    double psnr;       // dB, measured less at least half a dB
    int64_t speckles;  // pixels a channel more than 64 off, measured plus a tenth
};

struct PictureFloors {
    DctCodec codec;
    const char* picture;
    Floor at[4];  // qualities 20, 50, 75, 100
};

// Measured on the pictures of colour_test_pictures (160 x 64), decoded by the player and
// shown on a 5-6-5 screen. For comparison, a JPEG File Interchange Format codec at its quality
// 75 (8-bit output, 4:2:0) measured 25.4 dB and 384 speckles on the full colour bars, 28.0 dB
// on 75% bars, 43.3 and 47.3 dB on the hue sweep and the red-blue gradient, 21.6 dB and about
// 490 speckles on each details picture, 12.5 dB and 6416 speckles on noise, 31.7 dB on the
// scene. Single saturated pixels share their chroma with three neighbours, so speckles on the
// details pictures and on noise are a property of the 4:2:0 layout; elsewhere at quality 75
// and above the count is zero, but for under 0.1% of the scene. Noise has no picture a 4:2:0 DCT
// codec can keep: there a speckle counts against the reference codec, and at quality 75 no codec
// may show more than its 6416.
constexpr int64_t NOISE_SPECKLES_OF_REFERENCE = 6416;
// At quality 75 the details pictures are held to the reference codec: its 21.6 dB less 3 dB,
// and no more speckles than its 483 on white and 497 on black.
constexpr Floor ON_WHITE_BAR{18.6, 483};
constexpr Floor ON_BLACK_BAR{18.6, 497};

const PictureFloors FLOORS[] = {
    {DctCodec::Mnb, "colour bars", {{32.5, 0}, {33.5, 0}, {33.5, 0}, {34.0, 0}}},
    {DctCodec::Mnb, "75% colour bars", {{31.5, 0}, {32.0, 0}, {33.5, 0}, {34.0, 0}}},
    {DctCodec::Mnb, "hue sweep", {{30.5, 0}, {31.5, 0}, {31.5, 0}, {32.0, 0}}},
    {DctCodec::Mnb, "red-blue gradient", {{31.0, 0}, {32.0, 0}, {32.5, 0}, {32.5, 0}}},
    {DctCodec::Mnb, "details on white", {{16.5, 570}, {17.5, 510}, ON_WHITE_BAR, {19.5, 576}}},
    {DctCodec::Mnb, "details on black", {{16.5, 640}, {17.5, 564}, ON_BLACK_BAR, {19.0, 564}}},
    {DctCodec::Mnb,
     "noise",
     {{13.0, 5154}, {12.0, 6574}, {12.0, NOISE_SPECKLES_OF_REFERENCE}, {12.0, 6725}}},
    {DctCodec::Mnb, "scene", {{29.5, 20}, {31.0, 11}, {31.5, 10}, {32.0, 10}}},
    {DctCodec::ZleSummed, "colour bars", {{31.5, 0}, {32.5, 0}, {33.5, 0}, {34.0, 0}}},
    {DctCodec::ZleSummed, "75% colour bars", {{31.0, 0}, {33.5, 0}, {33.5, 0}, {33.5, 0}}},
    {DctCodec::ZleSummed, "hue sweep", {{30.0, 2}, {32.0, 0}, {32.0, 0}, {32.5, 0}}},
    {DctCodec::ZleSummed, "red-blue gradient", {{32.0, 0}, {32.5, 0}, {32.5, 0}, {33.0, 0}}},
    {DctCodec::ZleSummed,
     "details on white",
     {{17.0, 535}, {17.5, 504}, ON_WHITE_BAR, {20.0, 612}}},
    {DctCodec::ZleSummed,
     "details on black",
     {{16.5, 575}, {17.5, 488}, ON_BLACK_BAR, {19.0, 591}}},
    {DctCodec::ZleSummed, "noise", {{12.5, 5672}, {13.0, 5123}, {13.0, 5099}, {13.0, 5052}}},
    {DctCodec::ZleSummed, "scene", {{29.0, 20}, {30.5, 11}, {31.5, 9}, {32.5, 11}}},
    {DctCodec::ZleChannel, "colour bars", {{39.5, 0}, {44.0, 0}, {43.5, 0}, {48.0, 0}}},
    {DctCodec::ZleChannel, "75% colour bars", {{37.0, 0}, {44.5, 0}, {43.0, 0}, {45.0, 0}}},
    {DctCodec::ZleChannel, "hue sweep", {{35.0, 0}, {36.5, 0}, {37.0, 0}, {37.0, 0}}},
    {DctCodec::ZleChannel, "red-blue gradient", {{35.5, 0}, {36.5, 0}, {36.5, 0}, {38.0, 0}}},
    {DctCodec::ZleChannel,
     "details on white",
     {{22.0, 456}, {23.5, 486}, {23.5, 472}, {24.0, 487}}},
    {DctCodec::ZleChannel,
     "details on black",
     {{22.5, 463}, {24.0, 478}, {24.0, 491}, {24.0, 520}}},
    {DctCodec::ZleChannel, "noise", {{12.5, 5695}, {13.0, 5064}, {13.0, 5020}, {13.0, 5042}}},
    {DctCodec::ZleChannel, "scene", {{28.5, 20}, {30.5, 11}, {31.5, 8}, {32.0, 8}}},
};

// The most speckles one codec may leave on one picture.
struct SpeckleCeiling {
    DctCodec codec;
    const char* picture;
    int64_t speckles;
};

// How far a finer quality's PSNR may fall below a coarser one's: where thin lettering meets
// saturated chroma, finer steps move which pixels get the luma room (measured 0.3 dB on Mnb's
// white text at quality 100), not a trend.
constexpr double PSNR_WOBBLE = 0.5;

const ColourPicture& picture_named(const std::vector<ColourPicture>& pictures, const char* name) {
    return *std::find_if(pictures.begin(), pictures.end(),
                         [&](const ColourPicture& picture) { return picture.name == name; });
}

TEST(ColourFidelity, EveryPictureKeepsItsColoursAtEveryQuality) {
    const auto pictures = colour_test_pictures();
    for (const PictureFloors& floors : FLOORS) {
        const ColourPicture& picture = picture_named(pictures, floors.picture);
        for (size_t q = 0; q < std::size(QUALITIES); ++q) {
            const DctRoundTrip trip = dct_round_trip(floors.codec, picture, QUALITIES[q]);
            ASSERT_EQ(trip.result, 0);
            const std::string what = std::string(dct_codec_name(floors.codec)) + " " +
                                     picture.name + " at quality " + std::to_string(QUALITIES[q]);
            EXPECT_GE(picture_psnr(picture, trip.shown), floors.at[q].psnr) << what;
            EXPECT_LE(speckles(picture, trip.shown), floors.at[q].speckles) << what;
        }
    }
}

// Saturated edges inside a macroblock ring most where the steps are coarse: from quality 10 up,
// every quality keeps the bars' colours, and the hue sweep loses at most one pixel.
TEST(ColourFidelity, SaturatedEdgesHoldFromQualityTenUp) {
    const auto pictures = colour_test_pictures();
    const std::pair<const char*, int64_t> cases[] = {
        {"colour bars", 0}, {"75% colour bars", 0}, {"red-blue gradient", 0}, {"hue sweep", 1}};
    for (const DctCodec codec : {DctCodec::Mnb, DctCodec::ZleSummed, DctCodec::ZleChannel}) {
        for (const auto& [name, allowed] : cases) {
            const ColourPicture& picture = picture_named(pictures, name);
            // Every quality where the steps are coarsest, then every fifth.
            for (int32_t quality = 10; quality <= 100; quality += quality < 30 ? 1 : 5) {
                const DctRoundTrip trip = dct_round_trip(codec, picture, quality);
                ASSERT_EQ(trip.result, 0);
                EXPECT_LE(speckles(picture, trip.shown), allowed)
                    << dct_codec_name(codec) << " " << name << " at quality " << quality;
            }
        }
    }
}

// Flat saturated colours are reachable exactly through the summed tables: a frame of one
// primary or secondary colour comes back within the 5-6-5 screen's own rounding.
TEST(ColourFidelity, FlatSaturatedColoursComeBackWhole) {
    const uint8_t colours[8][3] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},     {255, 255, 0},
                                   {0, 255, 255}, {255, 0, 255}, {255, 255, 255}, {0, 0, 0}};
    for (const auto& colour : colours) {
        ColourPicture picture{"flat", 32, 32, {}};
        for (int32_t i = 0; i < 32 * 32; ++i) {
            picture.rgb.insert(picture.rgb.end(), colour, colour + 3);
        }
        for (const DctCodec codec : {DctCodec::Mnb, DctCodec::ZleSummed, DctCodec::ZleChannel}) {
            for (const int32_t quality : QUALITIES) {
                const DctRoundTrip trip = dct_round_trip(codec, picture, quality);
                const auto worst = std::mismatch(
                    picture.rgb.begin(), picture.rgb.end(), trip.shown.begin(),
                    [](uint8_t a, uint8_t b) { return std::abs(int(a) - int(b)) <= 12; });
                EXPECT_TRUE(worst.first == picture.rgb.end())
                    << dct_codec_name(codec) << " quality " << quality << " colour "
                    << int(colour[0]) << "," << int(colour[1]) << "," << int(colour[2]) << " shows "
                    << int(*worst.second);
            }
        }
    }
}

// Samples are aimed where no component sum leaves 0..255 on any display, not only on the 5-6-5
// one the encoder measures, so that a display of 8 bits a component keeps the colours too.
// Where the steps leave no safe luma in the hue sweep the encoder keeps what looks best on
// 5-6-5, and a few pixels (measured 14 for Mnb, 2 for Zle) still wrap on such a display.
TEST(ColourFidelity, SaturatedColoursAlsoHoldOnATrueColourDisplay) {
    const auto pictures = colour_test_pictures();
    const SpeckleCeiling cases[] = {{DctCodec::Mnb, "colour bars", 0},
                                    {DctCodec::Mnb, "75% colour bars", 0},
                                    {DctCodec::Mnb, "red-blue gradient", 0},
                                    {DctCodec::Mnb, "hue sweep", 16},
                                    {DctCodec::ZleSummed, "colour bars", 0},
                                    {DctCodec::ZleSummed, "75% colour bars", 0},
                                    {DctCodec::ZleSummed, "red-blue gradient", 0},
                                    {DctCodec::ZleSummed, "hue sweep", 3}};
    for (const SpeckleCeiling& c : cases) {
        const ColourPicture& picture = picture_named(pictures, c.picture);
        const DctRoundTrip trip = dct_round_trip(c.codec, picture, 75, true);
        ASSERT_EQ(trip.result, 0);
        EXPECT_LE(speckles(picture, trip.shown), c.speckles)
            << dct_codec_name(c.codec) << " " << c.picture;
        EXPECT_GE(picture_psnr(picture, trip.shown), 28)
            << dct_codec_name(c.codec) << " " << c.picture;
    }
}

// The summed tables do not clamp: a sample whose sum leaves its field shows the far side of the
// channel. On saturated bars and gradients no pixel may, at any quality, on either summed-table
// codec.
TEST(ColourFidelity, SaturatedPicturesShowNoWrappedColour) {
    const auto pictures = colour_test_pictures();
    for (const char* name : {"colour bars", "75% colour bars", "red-blue gradient"}) {
        const ColourPicture& picture = picture_named(pictures, name);
        for (const DctCodec codec : {DctCodec::Mnb, DctCodec::ZleSummed}) {
            for (int32_t quality = 10; quality <= 100; quality += 10) {
                const ShownDctFrame shown = shown_frame(codec, picture, quality);
                EXPECT_TRUE(shown.result == 0 && shown.wrapped == 0)
                    << dct_codec_name(codec) << " " << name << " at quality " << quality;
            }
        }
    }
}

// Lettering and discs in saturated colours on saturated grounds, where a 4:2:0 cell often holds
// two colours the summed tables cannot show under one chroma without clamping.
std::vector<ColourPicture> saturated_lettering(int32_t width, int32_t height) {
    return {{"logo", width, height, saturated_logo(width, height)},
            {"white text on colour", width, height, white_text_on_colour(width, height)},
            {"yellow discs on green", width, height, yellow_discs_on_green(width, height)}};
}

// A wrapped colour is worse than any loss of detail: at no quality does a pixel show one. From
// quality 50 up, finer quality keeps buying fidelity.
TEST(ColourFidelity, SaturatedLetteringShowsNoWrappedColourAtAnyQuality) {
    for (const ColourPicture& picture : saturated_lettering(160, 120)) {
        for (const DctCodec codec : {DctCodec::Mnb, DctCodec::ZleSummed}) {
            double coarser_psnr = 0;
            for (int32_t quality = 0; quality <= 100; quality += 10) {
                const std::string what = std::string(dct_codec_name(codec)) + " " + picture.name +
                                         " at quality " + std::to_string(quality);
                const ShownDctFrame shown = shown_frame(codec, picture, quality);
                ASSERT_EQ(shown.result, 0) << what;
                EXPECT_EQ(shown.wrapped, 0) << what;
                if (quality >= 50) {
                    const double psnr = picture_psnr(picture, shown.rgb);
                    EXPECT_GE(psnr, coarser_psnr - PSNR_WOBBLE) << what;
                    coarser_psnr = std::max(coarser_psnr, psnr);
                }
            }
        }
    }
}

// Pixels a channel more than 64 off at quality 75 on 320 x 240 pictures, beside libjpeg-turbo's
// quality-75 4:2:0 coding of the same pictures (8-bit output), measured 6050 on the logo, 4947
// on the white text and 327 on the discs. The logo keeps fewer than the reference; where a cell
// holds white or yellow beside saturated chroma the summed tables, which cannot clamp, still
// keep more, held here to what is measured plus a tenth.
TEST(ColourFidelity, SaturatedLetteringSpeckleShareAtQuality75) {
    const SpeckleCeiling cases[] = {{DctCodec::Mnb, "logo", 6050},
                                    {DctCodec::ZleSummed, "logo", 6050},
                                    {DctCodec::Mnb, "white text on colour", 11055},
                                    {DctCodec::ZleSummed, "white text on colour", 11170},
                                    {DctCodec::Mnb, "yellow discs on green", 845},
                                    {DctCodec::ZleSummed, "yellow discs on green", 953}};
    const auto pictures = saturated_lettering(320, 240);
    for (const SpeckleCeiling& c : cases) {
        const DctRoundTrip trip = dct_round_trip(c.codec, picture_named(pictures, c.picture), 75);
        EXPECT_LE(speckles(picture_named(pictures, c.picture), trip.shown), c.speckles)
            << dct_codec_name(c.codec) << " " << c.picture;
    }
}

}  // namespace

}  // namespace qx
