#include "audio/ima_decoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace qx {

namespace {

void expect_row(int32_t index, std::vector<int32_t> first_eight) {
    for (size_t nibble = 0; nibble < 8; ++nibble) {
        EXPECT_EQ(IMA_DIFFERENCES[static_cast<size_t>(index)][nibble], first_eight[nibble])
            << "index " << index << " nibble " << nibble;
        EXPECT_EQ(IMA_DIFFERENCES[static_cast<size_t>(index)][nibble + 8], -first_eight[nibble])
            << "index " << index << " nibble " << nibble + 8;
    }
}

struct ImaRun {
    uint32_t samples = 0;
    uint32_t steps = 0;
    std::vector<int16_t> out;

    void decode(std::vector<uint8_t> bytes) {
        out.assign(2 * bytes.size(), 0);
        ima_decode_stereo(bytes, out.data(), bytes.size(), samples, steps);
    }
    int32_t left() const { return static_cast<int16_t>(samples & 0xFFFF); }
    int32_t right() const { return static_cast<int16_t>(samples >> 16); }
    int32_t left_index() const { return static_cast<int32_t>(steps & 0xFFFF); }
    int32_t right_index() const { return static_cast<int32_t>(steps >> 16); }
};

}  // namespace

TEST(ImaDecoder, TablesHoldTheReferenceRows) {
    EXPECT_EQ(sizeof(IMA_DIFFERENCES), 5696u);
    EXPECT_EQ(IMA_STEP_SIZES[0], 7);
    EXPECT_EQ(IMA_STEP_SIZES[20], 50);
    EXPECT_EQ(IMA_STEP_SIZES[88], 32767);
    expect_row(0, {0, 1, 3, 4, 7, 8, 10, 11});
    expect_row(1, {1, 3, 5, 7, 9, 11, 13, 15});
    expect_row(20, {6, 18, 31, 43, 56, 68, 81, 93});
    expect_row(88, {4095, 12286, 20478, 28669, 36862, 45053, 53245, 61436});
    const int32_t adjust[8] = {-64, -64, -64, -64, 128, 256, 384, 512};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(IMA_INDEX_ADJUST[i], adjust[i]);
    }
}

TEST(ImaDecoder, StepsFromZeroState) {
    ImaRun run;
    // Left nibble 7: 0 + 11, index 8 (512). Right nibble 0: 0 + 0, index stays 0.
    run.decode({0x70});
    EXPECT_EQ(run.out[0], 11);
    EXPECT_EQ(run.out[1], 0);
    EXPECT_EQ(run.left_index(), 512);
    EXPECT_EQ(run.right_index(), 0);
    // Left nibble 0 at index 8 (step 16): + 2, index 7.
    run.decode({0x00});
    EXPECT_EQ(run.out[0], 13);
    EXPECT_EQ(run.left_index(), 7 * 64);
}

TEST(ImaDecoder, IndexClampsAtBothEnds) {
    ImaRun run;
    run.decode({0x33});
    EXPECT_EQ(run.left_index(), 0);
    EXPECT_EQ(run.right_index(), 0);
    run.steps = 88 * 64 | (88 * 64) << 16;
    run.samples = 0;
    run.decode({0x7F});
    EXPECT_EQ(run.left_index(), 88 * 64);
    EXPECT_EQ(run.right_index(), 88 * 64);
    // Right nibble 15 at step 32,767 from 0: -61,436 clamps low.
    EXPECT_EQ(run.out[1], -32768);
}

TEST(ImaDecoder, SampleClampsAndTheClampedValueCarriesOn) {
    ImaRun run;
    run.samples = 32760;
    run.steps = 40 * 64;  // step 337
    run.decode({0x70, 0x80});
    EXPECT_EQ(run.out[0], 32767);
    // Nibble 8 at index 48 (step 724): 32,767 - (724 >> 3) = 32,677.
    EXPECT_EQ(run.out[2], 32767 - (724 >> 3));
    EXPECT_EQ(run.left(), 32677);
}

TEST(ImaDecoder, StatePacksLeftLowAndRightHigh) {
    ImaRun run;
    run.decode({0x09, 0x09});
    // Right: nibble 9 is -1 at index 0, then -1 again at index 0.
    EXPECT_EQ(run.right(), -2);
    EXPECT_EQ(run.samples >> 16, 0xFFFEu);
    EXPECT_EQ(run.left(), 0);
}

TEST(ImaDecoder, DecodesNoMoreFramesThanTheOutputHolds) {
    const std::vector<uint8_t> input(8, 0x77);
    std::vector<int16_t> out(8, 0x1234);
    uint32_t samples = 0;
    uint32_t steps = 0;
    ima_decode_stereo(input, out.data(), 3, samples, steps);
    EXPECT_NE(out[5], 0x1234);
    EXPECT_EQ(out[6], 0x1234);
    EXPECT_EQ(out[7], 0x1234);
}

TEST(ImaDecoder, OutOfRangeIndexIsClampedOnEntry) {
    ImaRun run;
    run.steps = 0xFFFF;
    run.decode({0x00});
    EXPECT_EQ(run.out[0], IMA_DIFFERENCES[88][0]);
}

}  // namespace qx
