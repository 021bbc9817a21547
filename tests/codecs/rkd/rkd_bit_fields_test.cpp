#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "codecs/rkd/rkd_bit_fields.h"
#include "tests/codecs/rkd/rkd_test_support.h"

namespace qx {

namespace {

TEST(RkdBitFields, TenBitVectorFieldsAreSigned) {
    std::vector<uint8_t> packed = rkd_pack_fields({0x3FF, 0x200, 0x1FF, 0}, 10);
    int32_t values[4];
    rkd_read_signed_fields(values, packed.data(), packed.size(), 4, 10);
    EXPECT_EQ(values[0], -1);
    EXPECT_EQ(values[1], -512);
    EXPECT_EQ(values[2], 511);
    EXPECT_EQ(values[3], 0);
}

TEST(RkdBitFields, TwentyVectorsTakeFiftyTwoBytes) {
    EXPECT_EQ(rkd_pack_fields(std::vector<int32_t>(40, 1), 10).size(), 52u);
}

TEST(RkdBitFields, GroupReaderMatchesTheBitwiseReferenceForEverySupportedWidth) {
    std::mt19937 random(3);
    for (uint32_t width = 1; width <= 16; ++width) {
        ASSERT_EQ(rkd_index_width_supported(width), width != 15);
        if (width == 15) {
            continue;
        }
        for (uint32_t count : {1u, 3u, 4u, 5u, 31u, 32u, 33u, 257u}) {
            std::vector<int32_t> fields(count);
            for (int32_t& f : fields) {
                f = int32_t(random() & ((1u << width) - 1));
            }
            std::vector<uint8_t> packed = rkd_pack_fields(fields, width);
            // Drop the word padding too: the reader must manage with the bytes it is given.
            packed.resize((count * width + 7) / 8);
            std::vector<int32_t> fast(count), reference(count);
            ASSERT_TRUE(
                rkd_read_index_fields(fast.data(), packed.data(), packed.size(), count, width));
            rkd_read_index_fields_reference(reference.data(), packed.data(), packed.size(), count,
                                            width);
            EXPECT_EQ(fast, fields) << "width " << width << " count " << count;
            EXPECT_EQ(reference, fields);
        }
    }
}

TEST(RkdBitFieldsFaults, UnsupportedWidthsReadNothing) {
    std::vector<uint8_t> packed(64, 0xFF);
    int32_t values[4] = {7, 7, 7, 7};
    for (uint32_t width : {0u, 15u, 17u, 32u}) {
        EXPECT_FALSE(rkd_read_index_fields(values, packed.data(), packed.size(), 4, width));
    }
    EXPECT_EQ(values[0], 7);
}

TEST(RkdBitFieldsFaults, BitsPastTheInputReadAsZero) {
    std::vector<uint8_t> packed{0xFF};
    int32_t values[3];
    ASSERT_TRUE(rkd_read_index_fields(values, packed.data(), packed.size(), 3, 6));
    EXPECT_EQ(values[0], 63);
    EXPECT_EQ(values[1], 3);
    EXPECT_EQ(values[2], 0);
}

}  // namespace

}  // namespace qx
