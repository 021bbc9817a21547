#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "codecs/dct/idct.h"
#include "codecs/dct/macroblock.h"

namespace qx {

namespace {

TEST(DctPrescale, MatchesItsDefinition) {
    EXPECT_EQ(idct_prescale[0], 8192);
    EXPECT_EQ(idct_prescale[7], 29692);
    EXPECT_EQ(idct_prescale[56], 29692);
    EXPECT_EQ(idct_prescale[63], 107619);
    auto w = [](int k) { return k == 0 ? 1.0 : std::sqrt(2.0) * std::cos(k * M_PI / 16); };
    for (int u = 0; u < 8; ++u) {
        for (int v = 0; v < 8; ++v) {
            EXPECT_EQ(idct_prescale[8 * u + v], std::lround(8192 / (w(u) * w(v)))) << u << v;
        }
    }
}

TEST(DctHalfSqrt2, IsEvenAndCloseToTheQuotient) {
    for (int32_t v : {0, 1, -1, 1000, -1000, 123456789, INT32_MAX, INT32_MIN}) {
        const int32_t h = half_sqrt2(v);
        EXPECT_EQ(h % 2, 0) << v;
        EXPECT_NEAR(h, v / std::sqrt(2.0), 2.0) << v;
    }
}

std::vector<int32_t> dc_only_samples(int32_t dc) {
    CoefficientBlock block{};
    block.values[0] = dc;
    std::vector<int32_t> plane(64, 12345);
    idct_block(block, plane.data(), 0, 0, 8);
    return plane;
}

TEST(DctIdct, DcOnlyBlocksShiftBySeventeenBits) {
    for (const auto& [dc, sample] : std::vector<std::pair<int32_t, int32_t>>{
             {65536, 0}, {65536 * 64, 32}, {-65536 * 10, -5}, {131071, 0}, {131072, 1}}) {
        for (int32_t s : dc_only_samples(dc)) {
            ASSERT_EQ(s, sample) << dc;
        }
    }
}

// The transform with the prescale is one half of the standard inverse DCT of level * step.
TEST(DctIdct, ApproximatesTheStandardInverseTransform) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> level(-60, 60);
    double worst = 0;
    for (int trial = 0; trial < 300; ++trial) {
        CoefficientBlock block{};
        double f[64];
        for (int i = 0; i < 64; ++i) {
            const int32_t l = (i < 20 || trial % 3 == 0) ? level(random) : 0;
            f[i] = l * 8.0;  // step 8
            block.values[i] = l * 8 * idct_prescale[i];
        }
        int32_t plane[64];
        idct_block(block, plane, 0, 0, 8);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                double sum = 0;
                for (int u = 0; u < 8; ++u) {
                    for (int v = 0; v < 8; ++v) {
                        const double cu = u == 0 ? M_SQRT1_2 : 1.0;
                        const double cv = v == 0 ? M_SQRT1_2 : 1.0;
                        sum += cu * cv * f[8 * u + v] * std::cos((2 * x + 1) * u * M_PI / 16) *
                               std::cos((2 * y + 1) * v * M_PI / 16);
                    }
                }
                const double expected = sum / 8;  // half of the standard's 1/4 factor
                worst = std::max(worst, std::abs(plane[8 * y + x] - std::floor(expected)));
            }
        }
    }
    EXPECT_LE(worst, 1.0);
}

// Intermediate values that leave 32 bits wrap; the result is fixed bits, not undefined.
TEST(DctIdct, OverflowingCoefficientsWrapDeterministically) {
    CoefficientBlock block{};
    for (int i = 0; i < 64; ++i) {
        block.values[i] = (i % 2 == 0) ? INT32_MAX : INT32_MIN;
    }
    int32_t first[64];
    int32_t second[64];
    idct_block(block, first, 0, 0, 8);
    idct_block(block, second, 0, 0, 8);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(first[i], second[i]);
        EXPECT_LE(std::abs(first[i]), 1 << 15);
    }
}

TEST(DctIdct, FirstPassShortcutAgreesWithTheFullTransform) {
    int32_t x[8] = {777777, 0, 0, 0, 0, 0, 0, 0};
    int32_t y[8];
    idct_1d(x, y);
    for (int n = 0; n < 8; ++n) {
        EXPECT_NEAR(y[n], x[0], 1);
    }
}

TEST(DctIdct, BlocksLandInTheirMacroblockQuadrant) {
    MacroblockPlanes planes{};
    CoefficientBlock block{};
    block.values[0] = 65536 * 20;  // samples of 10
    idct_into_macroblock(block, planes, 3);
    block.values[0] = 65536 * 40;
    idct_into_macroblock(block, planes, 5);
    EXPECT_EQ(planes.luma_plane[0], 0);
    EXPECT_EQ(planes.luma_plane[16 * 8 + 8], 10);
    EXPECT_EQ(planes.luma_plane[255], 10);
    EXPECT_EQ(planes.luma_plane[16 * 7 + 15], 0);
    EXPECT_EQ(planes.cr_plane[63], 20);
    EXPECT_EQ(planes.cb_plane[0], 0);
}

}  // namespace

}  // namespace qx
