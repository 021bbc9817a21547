#include "authoring/zle_encoder.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "codecs/dct/zle_frame.h"
#include "tests/codecs/dct/dct_test_pictures.h"
#include "tests/codecs/dct/dct_test_support.h"

namespace qx {

namespace {

// Plays encoded frames the way the player does: decode into the draw picture, then exchange.
class ZlePlayer {
  public:
    ZlePlayer(int32_t width, int32_t height)
        : draw_(size_t(width) * height * 2, 0),
          reference_(draw_.size(), 0),
          tables_(dct_test_tables()) {}

    int32_t play(const std::vector<uint8_t>& payload) {
        DctHeader header{};
        zle_read_header(payload.data(), uint32_t(payload.size()), header);
        zle_build_dequant_table(decoder_.dequant_table, header.quality);
        const ZleFrameFlags flags = zle_frame_flags(header);
        const int32_t result = zle_decode_picture(
            decoder_, *tables_, dct_frame_of(header, false, draw_.size()), flags,
            payload.data() + 8, uint32_t(payload.size() - 8), draw_.data(), reference_.data());
        std::swap(draw_, reference_);
        return result;
    }
    const std::vector<uint8_t>& shown() const { return reference_; }

  private:
    DctDecoder decoder_;
    std::vector<uint8_t> draw_;
    std::vector<uint8_t> reference_;
    std::unique_ptr<ColourTables> tables_;
};

double zle_still_psnr(const std::vector<uint8_t>& rgb, int32_t width, int32_t height,
                      ZleEncoderOptions options, size_t* bytes = nullptr) {
    ZleEncoder encoder(options);
    const std::vector<uint8_t> payload = encoder.encode(RgbPicture{width, height, rgb.data()});
    if (bytes != nullptr) {
        *bytes = payload.size();
    }
    ZlePlayer player(width, height);
    EXPECT_EQ(player.play(payload), DCT_DECODED);
    EXPECT_TRUE(encoder.last_frame().all_intra);
    return psnr_565(rgb, player.shown());
}

// The quality curve of the test scene in both colour conversions; floors a little under the
// measured values.
TEST(ZleEncoder, RoundTripQualityCurve) {
    const int32_t width = 160;
    const int32_t height = 128;
    const std::vector<uint8_t> rgb = dct_scene(width, height);
    struct Point {
        int quality;
        double summed_floor;
        double channel_floor;
    };
    for (const Point& point :
         {Point{0, 20.5, 22.5}, Point{25, 22.3, 24}, Point{50, 23.8, 25.2}, Point{75, 25.8, 27.2},
          Point{90, 28.3, 28.8}, Point{100, 32.5, 31.3}}) {
        size_t summed_bytes = 0;
        size_t channel_bytes = 0;
        const double summed =
            zle_still_psnr(rgb, width, height, {point.quality, false, true}, &summed_bytes);
        const double channel =
            zle_still_psnr(rgb, width, height, {point.quality, true, true}, &channel_bytes);
        std::printf("zle q=%d summed %.2f dB (%zu bytes) channel %.2f dB (%zu bytes)\n",
                    point.quality, summed, summed_bytes, channel, channel_bytes);
        EXPECT_GE(summed, point.summed_floor) << point.quality;
        EXPECT_GE(channel, point.channel_floor) << point.quality;
    }
}

// Through the channel tables neutral chroma is green; the encoder must choose samples that
// give grey and white and black all the same.
TEST(ZleEncoder, ChannelConversionGivesTheIntendedColours) {
    const int32_t width = 48;
    const int32_t height = 16;
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    const uint8_t colours[3][3] = {{128, 128, 128}, {250, 250, 250}, {200, 30, 40}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::copy(colours[x / 16], colours[x / 16] + 3, &rgb[3 * (y * width + x)]);
        }
    }
    EXPECT_GE(zle_still_psnr(rgb, width, height, {90, true, true}), 28);
}

TEST(ZleEncoder, OddSizesRoundTrip) {
    const std::vector<uint8_t> rgb = dct_scene(41, 23);
    EXPECT_GE(zle_still_psnr(rgb, 41, 23, {90, false, true}), 22.5);
}

// A slowly panning scene: later frames copy most macroblocks and the picture holds up.
TEST(ZleEncoder, MovingPictureUsesCopiedMacroblocks) {
    const int32_t width = 128;
    const int32_t height = 96;
    ZleEncoder encoder({75, false, true});
    ZlePlayer player(width, height);
    int32_t copied = 0;
    double worst = 99;
    for (int frame = 0; frame < 6; ++frame) {
        const std::vector<uint8_t> rgb = dct_scene(width, height, 2 * frame, frame);
        const std::vector<uint8_t> payload = encoder.encode(RgbPicture{width, height, rgb.data()});
        ASSERT_EQ(player.play(payload), DCT_DECODED) << frame;
        EXPECT_EQ(encoder.last_frame().all_intra,
                  frame == 0 || encoder.last_frame().copied_macroblocks == 0);
        copied += encoder.last_frame().copied_macroblocks;
        worst = std::min(worst, psnr_565(rgb, player.shown()));
    }
    std::printf("zle moving: %d copied macroblocks in 5 frames, worst %.2f dB\n", copied, worst);
    EXPECT_GT(copied, 5 * 48 / 4);
    EXPECT_GE(worst, 24);
}

TEST(ZleEncoder, StillFramesAreCopiedWhole) {
    const int32_t width = 64;
    const int32_t height = 32;
    const std::vector<uint8_t> rgb = dct_scene(width, height);
    ZleEncoder encoder({50, false, true});
    ZlePlayer player(width, height);
    player.play(encoder.encode(RgbPicture{width, height, rgb.data()}));
    const double first = psnr_565(rgb, player.shown());
    const std::vector<uint8_t> second = encoder.encode(RgbPicture{width, height, rgb.data()});
    EXPECT_EQ(encoder.last_frame().copied_macroblocks, 8);
    EXPECT_EQ(second.size(), 8u + 16);  // 80 bits in three words, and the look-ahead word
    player.play(second);
    EXPECT_GE(psnr_565(rgb, player.shown()), first);
    encoder.restart();
    encoder.encode(RgbPicture{width, height, rgb.data()});
    EXPECT_TRUE(encoder.last_frame().all_intra);
}

}  // namespace

}  // namespace qx
