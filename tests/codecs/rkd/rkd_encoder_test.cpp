#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "authoring/rkd_encoder.h"
#include "authoring/rkd_lz_packer.h"
#include "codecs/rkd/rkd_inter_frame.h"
#include "codecs/rkd/rkd_key_frame.h"
#include "codecs/rkd/rkd_unpack.h"
#include "tests/codecs/rkd/rkd_test_support.h"

namespace qx {

namespace {

std::vector<uint8_t> unpacked(const std::vector<uint8_t>& packed, size_t size) {
    std::vector<uint8_t> out(size, 0xEE);
    RkdUnpackResult result = rkd_unpack(packed.data(), packed.size(), out.data(), out.size());
    EXPECT_EQ(result.status, RKD_UNPACK_ENDED);
    EXPECT_EQ(result.written, size);
    return out;
}

// Which command forms a packed picture uses: 2-, 3-, 4-byte copies, runs, end.
std::set<int> command_forms(const std::vector<uint8_t>& packed) {
    std::set<int> forms;
    size_t at = 5;
    while (at < packed.size()) {
        uint8_t b0 = packed[at];
        if (b0 < 0x80) {
            forms.insert(2);
            at += 2 + (b0 & 3);
        } else if (b0 < 0xC0) {
            forms.insert(3);
            at += 3 + (packed[at + 1] >> 6);
        } else if (b0 < 0xE0) {
            forms.insert(4);
            at += 4 + (b0 & 3);
        } else if (b0 < 0xFC) {
            forms.insert(1);
            at += 1 + ((b0 & 0x1F) + 1) * 4;
        } else {
            forms.insert(0);
            break;
        }
    }
    return forms;
}

TEST(RkdLzPacking, RoundTripsRandomRepetitiveAndDrawnPictures) {
    std::mt19937 random(1);
    std::vector<uint8_t> noise(50000);
    for (uint8_t& b : noise) {
        b = uint8_t(random());
    }
    std::vector<uint8_t> flat(70000, 9);
    std::vector<uint8_t> cycle(30000);
    for (size_t i = 0; i < cycle.size(); ++i) {
        cycle[i] = uint8_t(i % 5 + (i / 997) % 3);
    }
    std::vector<uint8_t> drawn = rkd_drawn_picture(320, 200, 0);
    for (const auto* pixels : {&noise, &flat, &cycle, &drawn}) {
        for (bool lazy : {false, true}) {
            std::vector<uint8_t> packed = rkd_pack_picture(*pixels, {16, lazy});
            EXPECT_EQ(unpacked(packed, pixels->size()), *pixels);
        }
    }
    EXPECT_LT(rkd_pack_picture(flat).size(), 400u);
    EXPECT_LT(rkd_pack_picture(drawn).size(), drawn.size() / 3);
    for (size_t size : {0u, 1u, 3u, 4u, 5u, 113u}) {
        std::vector<uint8_t> small(noise.begin(), noise.begin() + long(size));
        EXPECT_EQ(unpacked(rkd_pack_picture(small), size), small);
    }
}

TEST(RkdLzPacking, UsesEveryCommandFormWhereItPays) {
    std::mt19937 random(2);
    std::vector<uint8_t> pixels(200000);
    for (uint8_t& b : pixels) {
        b = uint8_t(random());
    }
    // Repeats near (2-byte), mid-range (3-byte) and far or long (4-byte).
    std::copy_n(pixels.begin() + 1000, 6, pixels.begin() + 1500);
    std::copy_n(pixels.begin() + 2000, 40, pixels.begin() + 12000);
    std::copy_n(pixels.begin() + 3000, 900, pixels.begin() + 100000);
    std::vector<uint8_t> packed = rkd_pack_picture(pixels);
    EXPECT_EQ(command_forms(packed), (std::set<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(unpacked(packed, pixels.size()), pixels);
}

// RGB frames made from an index picture and a palette.
std::vector<uint8_t> to_rgb(const std::vector<uint8_t>& indices, const RkdPalette& palette) {
    std::vector<uint8_t> rgb;
    for (uint8_t i : indices) {
        rgb.insert(rgb.end(), palette.rgb.begin() + 3 * i, palette.rgb.begin() + 3 * i + 3);
    }
    return rgb;
}

RkdPalette spread_palette() {
    RkdPalette palette;
    palette.count = 256;
    for (int i = 0; i < 256; ++i) {
        palette.rgb[3 * size_t(i)] = uint8_t(i);
        palette.rgb[3 * size_t(i) + 1] = uint8_t(255 - i);
        palette.rgb[3 * size_t(i) + 2] = uint8_t(i * 5);
    }
    return palette;
}

// Feeds chunks to the decoder as the dispatcher would.
struct Decoder {
    int32_t decode(const RkdChunk& chunk) {
        uint32_t bytes = uint32_t(chunk.payload.size());
        if (chunk.kind == VIDEO_RKD_KEY) {
            rkd_read_key_header(c.rkd, c.size, chunk.payload.data(), bytes);
            return rkd_decode_key_frame(c.rkd, chunk.payload.data(), bytes);
        }
        return rkd_decode_inter_frame(c.rkd, c.described(), chunk.payload.data(), bytes);
    }
    std::vector<uint8_t> rgb() {
        std::vector<uint8_t> out;
        for (uint8_t i : c.frame()) {
            out.insert(out.end(), c.rkd.palette + 3 * i, c.rkd.palette + 3 * i + 3);
        }
        return out;
    }
    RkdContext c;
};

TEST(RkdEncoderRoundTrip, PalettedSequenceComesBackExactly) {
    RkdPalette palette = spread_palette();
    RkdEncoderOptions options;
    options.blocks.search_radius = 6;
    RkdEncoder encoder(options);
    Decoder decoder;
    int32_t inter_frames = 0;
    for (int32_t frame = 0; frame < 8; ++frame) {
        std::vector<uint8_t> indices = rkd_drawn_picture(160, 96, frame * 3);
        // A few changed pixels that no vector can supply.
        indices[size_t(frame) * 331 % indices.size()] = 250;
        std::vector<uint8_t> rgb = to_rgb(indices, palette);
        std::optional<RkdChunk> chunk = encoder.encode_rgb(160, 96, rgb);
        ASSERT_TRUE(chunk);
        ASSERT_EQ(decoder.decode(*chunk), 1);
        EXPECT_EQ(decoder.rgb(), rgb) << "frame " << frame;
        EXPECT_EQ(decoder.c.frame(), encoder.reconstruction());
        EXPECT_EQ(encoder.last_stats().lossy_blocks, 0);
        if (chunk->kind == VIDEO_RKD_INTER) {
            ++inter_frames;
            EXPECT_STREQ(chunk->tag(), "fDKR");
            EXPECT_GT(encoder.last_stats().vectors, 1);
            EXPECT_LT(chunk->payload.size(), indices.size() / 4);
        } else {
            EXPECT_STREQ(chunk->tag(), "kDKR");
        }
    }
    EXPECT_EQ(inter_frames, 7);
}

TEST(RkdEncoderRoundTrip, FourColourBlocksStayWithinTheStatedError) {
    std::mt19937 random(4);
    RkdPalette palette = spread_palette();
    RkdEncoderOptions options;
    options.blocks.max_block_error = 4000;
    RkdEncoder encoder(options);
    encoder.set_palette(palette);
    Decoder decoder;
    std::vector<uint8_t> indices(64 * 32);
    for (int32_t frame = 0; frame < 4; ++frame) {
        for (uint8_t& i : indices) {
            i = uint8_t(i + random() % 5);  // many colours per block, close to each other
        }
        std::optional<RkdChunk> chunk = encoder.encode_indexed(64, 32, indices);
        ASSERT_TRUE(chunk);
        ASSERT_EQ(decoder.decode(*chunk), 1);
        ASSERT_EQ(decoder.c.frame(), encoder.reconstruction());
        if (chunk->kind != VIDEO_RKD_INTER) {
            EXPECT_EQ(decoder.c.frame(), indices);
            continue;
        }
        EXPECT_GT(encoder.last_stats().lossy_blocks, 0);
        EXPECT_LE(encoder.last_stats().max_block_error, 4000);
        // Every block's summed squared RGB error is within the bound.
        std::vector<uint8_t> shown = decoder.c.frame();
        for (int32_t by = 0; by < 32; by += 4) {
            for (int32_t bx = 0; bx < 64; bx += 4) {
                int64_t error = 0;
                for (int32_t r = 0; r < 4; ++r) {
                    for (int32_t x = 0; x < 4; ++x) {
                        size_t at = size_t(by + r) * 64 + size_t(bx + x);
                        error += rkd_colour_distance(palette, indices[at], shown[at]);
                    }
                }
                EXPECT_LE(error, 4000);
            }
        }
    }
}

TEST(RkdEncoder, RepeatedMapIsSentAsWidthZero) {
    RkdPalette palette = spread_palette();
    RkdEncoder encoder;
    encoder.set_palette(palette);
    Decoder decoder;
    std::vector<uint8_t> indices = rkd_drawn_picture(32, 16, 0);
    for (int32_t frame = 0; frame < 3; ++frame) {
        std::optional<RkdChunk> chunk = encoder.encode_indexed(32, 16, indices);
        ASSERT_TRUE(chunk);
        ASSERT_EQ(decoder.decode(*chunk), 1);
        EXPECT_EQ(decoder.c.frame(), indices);
    }
    EXPECT_EQ(encoder.last_stats().kind, VIDEO_RKD_INTER);
    EXPECT_EQ(encoder.last_stats().index_bits, 0);
}

TEST(RkdEncoder, KeyFramesComeAtTheIntervalAndOnNewColours) {
    RkdEncoderOptions options;
    options.key_interval = 3;
    RkdEncoder encoder(options);
    std::vector<uint8_t> rgb(16 * 8 * 3, 10);
    std::vector<int32_t> kinds;
    for (int32_t frame = 0; frame < 5; ++frame) {
        kinds.push_back(encoder.encode_rgb(16, 8, rgb)->kind);
    }
    EXPECT_EQ(kinds, (std::vector<int32_t>{1, 2, 2, 1, 2}));
    rgb[5] = 99;
    std::optional<RkdChunk> chunk = encoder.encode_rgb(16, 8, rgb);
    EXPECT_EQ(chunk->kind, VIDEO_RKD_KEY);
    EXPECT_EQ(encoder.palette().count, 2);
}

TEST(RkdEncoder, ManyColoursGetAQuantisedPaletteCloseToThePicture) {
    std::vector<uint8_t> rgb;
    for (int32_t y = 0; y < 64; ++y) {
        for (int32_t x = 0; x < 64; ++x) {
            rgb.insert(rgb.end(), {uint8_t(x * 4), uint8_t(y * 4), uint8_t((x + y) * 2)});
        }
    }
    RkdEncoder encoder;
    std::optional<RkdChunk> chunk = encoder.encode_rgb(64, 64, rgb);
    ASSERT_TRUE(chunk);
    EXPECT_EQ(encoder.palette().count, 256);
    Decoder decoder;
    ASSERT_EQ(decoder.decode(*chunk), 1);
    std::vector<uint8_t> shown = decoder.rgb();
    int64_t worst = 0;
    for (size_t i = 0; i < rgb.size(); ++i) {
        worst = std::max<int64_t>(worst, std::abs(int32_t(rgb[i]) - int32_t(shown[i])));
    }
    EXPECT_LE(worst, 24);
}

TEST(RkdEncoder, RefusesSizesTheFormatCannotCarry) {
    RkdEncoder encoder;
    std::vector<uint8_t> pixels(12 * 8);
    EXPECT_FALSE(encoder.encode_indexed(12, 8, pixels));
    EXPECT_FALSE(encoder.encode_indexed(16, 6, std::vector<uint8_t>(96)));
    EXPECT_FALSE(encoder.encode_indexed(16, 8, pixels));
    EXPECT_FALSE(encoder.encode_rgb(0, 8, {}));
}

}  // namespace

}  // namespace qx
