#include <gtest/gtest.h>

#include <algorithm>

#include "tests/authoring/dct_round_trip.h"

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
// details pictures and on noise are a property of the 4:2:0 layout; everywhere else the count
// is zero at quality 75 and above.
const PictureFloors FLOORS[] = {
    {DctCodec::Mnb, "colour bars", {{19.5, 283}, {31.5, 0}, {32.0, 0}, {34.0, 0}}},
    {DctCodec::Mnb, "75% colour bars", {{31.0, 0}, {32.0, 0}, {33.0, 0}, {34.5, 0}}},
    {DctCodec::Mnb, "hue sweep", {{29.0, 3}, {29.0, 10}, {31.0, 0}, {32.0, 0}}},
    {DctCodec::Mnb, "red-blue gradient", {{30.5, 0}, {31.5, 0}, {32.5, 0}, {32.5, 0}}},
    {DctCodec::Mnb, "details on white", {{15.5, 774}, {16.5, 657}, {17.5, 568}, {19.5, 783}}},
    {DctCodec::Mnb, "details on black", {{16.0, 805}, {16.5, 725}, {17.5, 591}, {18.5, 678}}},
    {DctCodec::Mnb, "noise", {{12.5, 6047}, {12.5, 5725}, {12.5, 5949}, {12.0, 6930}}},
    {DctCodec::Mnb, "scene", {{28.5, 44}, {29.5, 32}, {30.5, 18}, {31.5, 18}}},
    {DctCodec::ZleSummed, "colour bars", {{18.5, 1550}, {19.0, 635}, {28.0, 0}, {34.0, 0}}},
    {DctCodec::ZleSummed, "75% colour bars", {{21.5, 142}, {26.0, 0}, {29.0, 0}, {33.5, 0}}},
    {DctCodec::ZleSummed, "hue sweep", {{25.5, 49}, {26.5, 24}, {28.5, 3}, {32.0, 0}}},
    {DctCodec::ZleSummed, "red-blue gradient", {{29.0, 0}, {31.0, 0}, {31.0, 0}, {32.5, 0}}},
    {DctCodec::ZleSummed, "details on white", {{15.5, 755}, {15.5, 853}, {15.5, 953}, {19.5, 799}}},
    {DctCodec::ZleSummed,
     "details on black",
     {{15.0, 1063}, {15.0, 1226}, {15.5, 789}, {18.5, 671}}},
    {DctCodec::ZleSummed, "noise", {{10.5, 8990}, {11.0, 8412}, {11.5, 7160}, {13.0, 5331}}},
    {DctCodec::ZleSummed, "scene", {{22.5, 236}, {24.0, 158}, {27.0, 68}, {32.0, 18}}},
    {DctCodec::ZleChannel, "colour bars", {{28.5, 142}, {33.5, 0}, {36.0, 0}, {44.5, 0}}},
    {DctCodec::ZleChannel, "75% colour bars", {{27.0, 0}, {32.0, 0}, {34.5, 0}, {44.0, 0}}},
    {DctCodec::ZleChannel, "hue sweep", {{29.5, 0}, {31.0, 0}, {33.5, 0}, {36.5, 0}}},
    {DctCodec::ZleChannel, "red-blue gradient", {{31.5, 0}, {34.5, 0}, {36.5, 0}, {37.0, 0}}},
    {DctCodec::ZleChannel,
     "details on white",
     {{17.5, 656}, {18.5, 660}, {20.5, 704}, {24.0, 532}}},
    {DctCodec::ZleChannel,
     "details on black",
     {{17.5, 667}, {19.0, 673}, {21.0, 662}, {24.0, 541}}},
    {DctCodec::ZleChannel, "noise", {{10.0, 9507}, {10.5, 8751}, {11.5, 7451}, {13.0, 5312}}},
    {DctCodec::ZleChannel, "scene", {{22.5, 219}, {24.5, 131}, {27.0, 83}, {31.5, 15}}},
};

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
// Where the coarse steps leave no safe luma (Zle's bars, both hue sweeps) the encoder keeps
// what looks best on 5-6-5, and a few hundred pixels still wrap on such a display.
TEST(ColourFidelity, SaturatedColoursAlsoHoldOnATrueColourDisplay) {
    const auto pictures = colour_test_pictures();
    const std::pair<DctCodec, const char*> cases[] = {{DctCodec::Mnb, "colour bars"},
                                                      {DctCodec::Mnb, "75% colour bars"},
                                                      {DctCodec::Mnb, "red-blue gradient"},
                                                      {DctCodec::ZleSummed, "red-blue gradient"}};
    for (const auto& [codec, name] : cases) {
        const ColourPicture& picture = picture_named(pictures, name);
        const DctRoundTrip trip = dct_round_trip(codec, picture, 75, true);
        ASSERT_EQ(trip.result, 0);
        EXPECT_EQ(speckles(picture, trip.shown), 0) << dct_codec_name(codec) << " " << name;
        EXPECT_GE(picture_psnr(picture, trip.shown), 28) << dct_codec_name(codec) << " " << name;
    }
}

}  // namespace
