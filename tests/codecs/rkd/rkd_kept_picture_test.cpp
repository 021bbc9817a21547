// Inter frames leave still blocks alone, in the 8-bit picture and in the display pictures the
// player keeps. Whatever happens between frames, every picture must come out as a whole decode
// and a whole conversion would make it.
#include <gtest/gtest.h>

#include <vector>

#include "authoring/rkd_encoder.h"
#include "codecs/rkd/rkd_convert.h"
#include "codecs/rkd/rkd_inter_frame.h"
#include "codecs/rkd/rkd_key_frame.h"
#include "tests/codecs/rkd/rkd_test_support.h"

namespace qx {

namespace {

constexpr int32_t WIDTH = 96;
constexpr int32_t HEIGHT = 48;

// A still background with a textured box moving right and down across it.
std::vector<uint8_t> moving_box(int32_t frame) {
    std::vector<uint8_t> pixels = rkd_drawn_picture(WIDTH, HEIGHT, 0);
    for (int32_t y = 8 + frame; y < 28 + frame; ++y) {
        for (int32_t x = 12 + 3 * frame; x < 40 + 3 * frame; ++x) {
            pixels[size_t(y) * WIDTH + size_t(x)] = uint8_t(150 + (x * 7 + y * 3) % 50);
        }
    }
    return pixels;
}

enum Event { NONE, KEY_FRAME, FAILED_FRAME, BRIGHTNESS, PICTURE_WRITTEN };

// Decodes frames of the moving box as the player would, converting each into the next of
// `picture_count` kept pictures, with `event` happening before frame `at`.
void play_moving_box(RkdContext& c, int32_t picture_count, Event event, int32_t at) {
    RkdPalette palette;
    palette.count = 256;
    for (size_t i = 0; i < palette.rgb.size(); ++i) {
        palette.rgb[i] = uint8_t(i * 37);
    }
    RkdEncoder encoder;
    encoder.set_palette(palette);
    const size_t bytes =
        size_t(HEIGHT) * rkd_converted_row_bytes(WIDTH, c.params.colour_bits == 8,
                                                 (c.params.flags & PLAY_DOUBLE_WIDTH) != 0);
    std::vector<std::vector<uint8_t>> pictures(size_t(picture_count),
                                               std::vector<uint8_t>(bytes, 0x5A));
    int32_t turn = 0;
    for (int32_t frame = 0; frame < 10; ++frame) {
        SCOPED_TRACE(frame);
        if (frame == at && event == KEY_FRAME) {
            encoder.force_key_frame();
        }
        const RkdChunk chunk = *encoder.encode_indexed(WIDTH, HEIGHT, moving_box(frame));
        const auto payload_bytes = uint32_t(chunk.payload.size());
        if (chunk.kind == VIDEO_RKD_KEY) {
            rkd_read_key_header(c.rkd, c.size, chunk.payload.data(), payload_bytes);
            ASSERT_EQ(rkd_decode_key_frame(c.rkd, chunk.payload.data(), payload_bytes), 1);
            rkd_build_pixel_table(c.rkd, c.format());
        } else {
            if (frame == at && event == FAILED_FRAME) {
                // Cut short, it decodes nothing; the player shows nothing and turns its pictures.
                ASSERT_EQ(rkd_decode_inter_frame(c.rkd, c.size, chunk.payload.data(), 12), 0);
                ++turn;
            }
            ASSERT_EQ(rkd_decode_inter_frame(c.rkd, c.size, chunk.payload.data(), payload_bytes),
                      1);
        }
        ASSERT_EQ(c.frame(), encoder.reconstruction());
        const RkdFrame described = c.described();
        std::vector<uint8_t>& picture = pictures[size_t(turn++ % picture_count)];
        if (frame == at && event == BRIGHTNESS) {
            c.params.brightness = 60;
            rkd_build_pixel_table(c.rkd, c.format());
        }
        if (frame == at && event == PICTURE_WRITTEN) {
            // Another decoder drew into the picture, as a Zle frame of the same movie would.
            std::fill(picture.begin(), picture.end(), 0x77);
            rkd_forget_converted_pictures(c.rkd);
        }
        rkd_convert_kept_picture(c.rkd, described, picture.data(), picture.size());
        std::vector<uint8_t> whole(bytes);
        rkd_convert_picture(c.rkd, described, whole.data(), whole.size());
        ASSERT_EQ(picture, whole);
    }
}

TEST(RkdKeptPictures, OneOrTwoPicturesOnEveryDisplayMatchAWholeConversion) {
    for (int32_t picture_count : {1, 2}) {
        for (int32_t form = 0; form < 3; ++form) {
            SCOPED_TRACE(testing::Message() << picture_count << " pictures, form " << form);
            RkdContext c;
            c.params.colour_bits = form == 2 ? 8 : 16;
            c.params.flags = form == 1 ? PLAY_DOUBLE_WIDTH : 0;
            play_moving_box(c, picture_count, NONE, 0);
        }
    }
}

TEST(RkdKeptPictures, KeyFramesFailuresTablesAndOtherWritersForceWholeConversions) {
    for (Event event : {KEY_FRAME, FAILED_FRAME, BRIGHTNESS, PICTURE_WRITTEN}) {
        for (int32_t at : {3, 4}) {
            SCOPED_TRACE(testing::Message() << "event " << event << " at " << at);
            RkdContext c;
            play_moving_box(c, 2, event, at);
        }
    }
}

}  // namespace

}  // namespace qx
