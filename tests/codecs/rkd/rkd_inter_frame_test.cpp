#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "base/memory.h"
#include "codecs/rkd/rkd_assemble.h"
#include "codecs/rkd/rkd_inter_frame.h"
#include "codecs/rkd/rkd_key_frame.h"
#include "codecs/rkd/rkd_quad_blocks.h"
#include "tests/codecs/rkd/rkd_test_support.h"

namespace qx {

namespace {

struct Vector {
    int32_t dx;
    int32_t dy;
};

struct InterFrame {
    std::vector<Vector> vectors;
    std::vector<std::vector<uint8_t>> raw;   // 16 bytes each
    std::vector<std::vector<uint8_t>> quad;  // 8 bytes each
    uint32_t index_bits = 8;
    std::vector<int32_t> map;

    std::vector<uint8_t> payload() const {
        RkdBytes b;
        b.u16(uint32_t(vectors.size())).u16(uint32_t(raw.size())).u16(uint32_t(quad.size()));
        b.u16(index_bits).u32(0);
        std::vector<int32_t> fields;
        for (const Vector& v : vectors) {
            fields.push_back(v.dx);
            fields.push_back(v.dy);
        }
        b.append(rkd_pack_fields(fields, 10));
        for (const auto& block : raw) {
            b.append(block);
        }
        for (const auto& block : quad) {
            b.append(block);
        }
        if (index_bits != 0) {
            b.append(rkd_pack_fields(map, index_bits));
        }
        return b.bytes;
    }
};

// A context holding a key frame of width x height whose pixel i is i * 7 + 1.
struct RkdInterFixture : ::testing::Test {
    void key_frame(uint32_t width, uint32_t height) {
        picture.assign(size_t(width) * height, 0);
        for (size_t i = 0; i < picture.size(); ++i) {
            picture[i] = uint8_t(i * 7 + 1);
        }
        RkdBytes payload = rkd_key_payload(width, height, {}, rkd_literal_packing(picture));
        rkd_read_key_header(c.rkd, c.size, payload.data(), payload.size());
        ASSERT_EQ(rkd_decode_key_frame(c.rkd, payload.data(), payload.size()), 1);
    }
    int32_t decode(const InterFrame& frame) {
        std::vector<uint8_t> bytes = frame.payload();
        return rkd_decode_inter_frame(c.rkd, c.described(), bytes.data(), uint32_t(bytes.size()));
    }
    // Pixel (x, y) of the previous picture.
    uint8_t was(int32_t x, int32_t y) const { return picture[size_t(y) * 16 + size_t(x)]; }

    RkdContext c;
    std::vector<uint8_t> picture;
};

std::vector<uint8_t> block_of(uint8_t value) {
    return std::vector<uint8_t>(16, value);
}

TEST_F(RkdInterFixture, ZeroVectorEverywhereReproducesThePreviousPicture) {
    key_frame(16, 8);
    InterFrame frame{{{0, 0}}, {}, {}, 1, std::vector<int32_t>(8, 0)};
    ASSERT_EQ(decode(frame), 1);
    EXPECT_EQ(c.frame(), picture);
    EXPECT_EQ(c.rkd.rkd_vector_count, 1);
    EXPECT_EQ(c.rkd.rkd_index_bits, 1);
}

TEST(RkdQuadBlocks, SelectorsRunFromTheTopBitsDown) {
    uint8_t quad[8] = {10, 20, 30, 40, 0x1B, 0x1B, 0x1B, 0x1B};
    uint8_t block[16];
    ASSERT_EQ(rkd_expand_quad_blocks(quad, 8, block, 16), 1u);
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(block[4 * r], 10);
        EXPECT_EQ(block[4 * r + 1], 20);
        EXPECT_EQ(block[4 * r + 2], 30);
        EXPECT_EQ(block[4 * r + 3], 40);
    }
    EXPECT_EQ(rkd_expand_quad_blocks(quad, 8, block, 15), 0u);
}

TEST_F(RkdInterFixture, IndexesPastTheVectorsSelectRawThenQuadBlocks) {
    key_frame(16, 8);
    InterFrame frame{
        {{0, 0}, {4, 0}}, {block_of(200)}, {{1, 2, 3, 4, 0, 0, 0, 0}}, 2, {2, 3, 1, 0, 0, 0, 0, 0}};
    ASSERT_EQ(decode(frame), 1);
    std::vector<uint8_t> f = c.frame();
    EXPECT_EQ(f[0], 200);
    EXPECT_EQ(f[3 * 16 + 3], 200);
    EXPECT_EQ(f[4], 1);  // S = 0 selects c0 everywhere
    EXPECT_EQ(f[3 * 16 + 7], 1);
    EXPECT_EQ(f[8], was(12, 0));  // vector (4, 0)
    EXPECT_EQ(f[16 * 4 + 4], was(4, 4));
}

TEST_F(RkdInterFixture, LeftwardVectorAtTheLeftEdgeTakesThePreviousRowsLastPixel) {
    key_frame(16, 8);
    InterFrame frame{{{0, 0}, {-1, 0}}, {}, {}, 1, {0, 0, 0, 0, 1, 0, 0, 0}};
    ASSERT_EQ(decode(frame), 1);
    std::vector<uint8_t> f = c.frame();
    for (int r = 0; r < 4; ++r) {
        int32_t y = 4 + r;
        EXPECT_EQ(f[size_t(y) * 16], was(15, y - 1));
        EXPECT_EQ(f[size_t(y) * 16 + 1], was(0, y));
        EXPECT_EQ(f[size_t(y) * 16 + 3], was(2, y));
    }
}

TEST_F(RkdInterFixture, WidthZeroReusesThePreviousMap) {
    key_frame(16, 8);
    InterFrame first{{}, {block_of(1), block_of(2)}, {}, 1, {0, 1, 0, 1, 1, 0, 1, 0}};
    ASSERT_EQ(decode(first), 1);
    InterFrame second{{}, {block_of(5), block_of(6)}, {}, 0, {}};
    ASSERT_EQ(decode(second), 1);
    std::vector<uint8_t> f = c.frame();
    EXPECT_EQ(f[0], 5);
    EXPECT_EQ(f[4], 6);
    EXPECT_EQ(f[4 * 16], 6);
    EXPECT_EQ(f[4 * 16 + 12], 5);
}

TEST_F(RkdInterFixture, OnlyTableBlocksOrOnlyVectors) {
    key_frame(16, 8);
    InterFrame table_only{{}, {block_of(9)}, {}, 1, std::vector<int32_t>(8, 0)};
    ASSERT_EQ(decode(table_only), 1);
    EXPECT_EQ(c.frame(), std::vector<uint8_t>(128, 9));
    // The shown picture is now all 9s; vectors copy from it.
    InterFrame vectors_only{{{0, 0}}, {}, {}, 1, std::vector<int32_t>(8, 0)};
    ASSERT_EQ(decode(vectors_only), 1);
    EXPECT_EQ(c.frame(), std::vector<uint8_t>(128, 9));
}

TEST_F(RkdInterFixture, TwentyVectorsAreReadFromFiftyTwoBytes) {
    key_frame(16, 8);
    InterFrame frame;
    for (int i = 0; i < 20; ++i) {
        frame.vectors.push_back({i % 5 - 2, 0});
    }
    frame.raw = {block_of(77)};
    frame.index_bits = 5;
    frame.map = {20, 20, 20, 20, 20, 20, 20, 20};
    ASSERT_EQ(frame.payload().size(), 12u + 52 + 16 + 8);
    ASSERT_EQ(decode(frame), 1);
    EXPECT_EQ(c.frame(), std::vector<uint8_t>(128, 77));
    EXPECT_EQ(c.rkd.rkd_vectors[2 * 19], 2);
}

TEST_F(RkdInterFixture, FastAssemblyMatchesTheReference) {
    std::mt19937 random(11);
    const int32_t width = 64;
    const int32_t height = 32;
    std::vector<uint8_t> previous(width * height);
    for (uint8_t& p : previous) {
        p = uint8_t(random());
    }
    std::vector<int32_t> offsets;
    for (int i = 0; i < 40; ++i) {
        offsets.push_back(int32_t(random() % 41) * width / 4 - 5 * width + int32_t(random() % 9) -
                          4);
    }
    offsets.push_back(RKD_VECTOR_OUTSIDE);
    std::vector<uint8_t> blocks(16 * 10);
    for (uint8_t& p : blocks) {
        p = uint8_t(random());
    }
    std::vector<int32_t> map(width * height / 16);
    for (int32_t& v : map) {
        v = int32_t(random() % 60);
    }
    RkdBlockSources sources{offsets.data(), uint32_t(offsets.size()), blocks.data(), 10};
    std::vector<uint8_t> fast(previous.size()), reference(previous.size());
    rkd_assemble_picture(map.data(), previous.data(), fast.data(), sources, width, height, nullptr);
    rkd_assemble_picture_reference(map.data(), previous.data(), reference.data(), sources, width,
                                   height, nullptr);
    EXPECT_EQ(fast, reference);
}

TEST_F(RkdInterFixture, BadIndexesAndOutsideVectorsKeepTheShownBlock) {
    key_frame(16, 8);
    // (-1, 0) at the top-left, (0, 5) and (0, -600) reach outside; index 9 selects nothing.
    InterFrame frame{{{-1, 0}, {0, 5}, {0, -600}}, {block_of(3)}, {}, 4, {0, 9, 1, 2, 3, 3, 3, 3}};
    ASSERT_EQ(decode(frame), 1);
    std::vector<uint8_t> f = c.frame();
    for (int r = 0; r < 4; ++r) {
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(f[size_t(r) * 16 + size_t(x)], was(x, r));
            EXPECT_EQ(f[size_t(r + 4) * 16 + size_t(x)], 3);
        }
    }
}

TEST_F(RkdInterFixture, UnsupportedIndexWidthsDropTheFrame) {
    key_frame(16, 8);
    for (uint32_t bits : {15u, 17u, 32u}) {
        InterFrame frame{{{0, 0}}, {block_of(3)}, {}, bits, std::vector<int32_t>(8, 1)};
        EXPECT_EQ(decode(frame), 0);
        EXPECT_EQ(c.frame(), picture);
    }
}

TEST_F(RkdInterFixture, InterFrameWithoutMatchingKeyFrameIsDropped) {
    InterFrame frame{{{0, 0}}, {}, {}, 1, std::vector<int32_t>(8, 0)};
    c.size.width = 16;
    c.size.height = 8;
    EXPECT_EQ(decode(frame), 0);
    key_frame(16, 8);
    c.size.width = 32;  // another stream changed the frame size since
    EXPECT_EQ(decode(frame), 0);
}

TEST_F(RkdInterFixture, SizesTheBlocksDoNotTileDropTheFrame) {
    key_frame(18, 8);
    InterFrame frame{{{0, 0}}, {}, {}, 1, std::vector<int32_t>(8, 0)};
    EXPECT_EQ(decode(frame), 0);
}

TEST_F(RkdInterFixture, PayloadShorterThanItsAreasIsDropped) {
    key_frame(16, 8);
    InterFrame frame{
        {{0, 0}}, {block_of(4)}, {{1, 2, 3, 4, 5, 6, 7, 8}}, 2, std::vector<int32_t>(8, 1)};
    std::vector<uint8_t> bytes = frame.payload();
    // The map's two bytes without their word padding are enough.
    std::vector<uint8_t> unpadded(bytes.begin(), bytes.end() - 2);
    EXPECT_EQ(
        rkd_decode_inter_frame(c.rkd, c.described(), unpadded.data(), uint32_t(unpadded.size())),
        1);
    EXPECT_EQ(c.frame(), std::vector<uint8_t>(128, 4));
    for (size_t cut : {size_t(3), size_t(12), size_t(30), size_t(40)}) {
        std::vector<uint8_t> exact(bytes.begin(), bytes.begin() + long(cut));
        EXPECT_EQ(
            rkd_decode_inter_frame(c.rkd, c.described(), exact.data(), uint32_t(exact.size())), 0);
    }
    // Counts that claim far more than the payload holds.
    RkdBytes lying;
    lying.u16(65535).u16(65535).u16(65535).u16(16).u32(0);
    std::vector<uint8_t> exact(lying.bytes);
    EXPECT_EQ(rkd_decode_inter_frame(c.rkd, c.described(), exact.data(), uint32_t(exact.size())),
              0);
    EXPECT_EQ(c.frame(), std::vector<uint8_t>(128, 4));
}

TEST_F(RkdInterFixture, FailedAllocationKeepsTheLastPictureShown) {
    key_frame(16, 8);
    InterFrame frame{{{0, 0}}, {block_of(6)}, {}, 1, std::vector<int32_t>(8, 1)};
    memory_fail_after(1);
    EXPECT_EQ(decode(frame), 0);
    memory_fail_after(0);
    EXPECT_EQ(c.frame(), picture);
    ASSERT_EQ(decode(frame), 1);
    EXPECT_EQ(c.frame(), std::vector<uint8_t>(128, 6));
}

TEST_F(RkdInterFixture, BuffersGrowAndAreThenReused) {
    key_frame(16, 8);
    InterFrame small{{{0, 0}}, {block_of(1)}, {}, 1, std::vector<int32_t>(8, 0)};
    InterFrame large{
        {{0, 0}, {4, 0}, {0, 4}}, {block_of(1), block_of(2)}, {}, 3, std::vector<int32_t>(8, 4)};
    ASSERT_EQ(decode(large), 1);
    EXPECT_EQ(c.rkd.rkd_vectors_capacity, 3);
    EXPECT_EQ(c.rkd.rkd_blocks_capacity, 2);
    int64_t allocations = memory_counters().allocations;
    ASSERT_EQ(decode(small), 1);
    ASSERT_EQ(decode(large), 1);
    EXPECT_EQ(memory_counters().allocations, allocations);
    EXPECT_EQ(c.frame(), std::vector<uint8_t>(128, 2));
}

}  // namespace

}  // namespace qx
