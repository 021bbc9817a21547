#include "audio/xa_decoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace qx {

namespace {

// One mono frame: header byte, then 14 bytes of two nibbles each.
std::vector<uint8_t> mono_frame(uint8_t header, uint8_t fill) {
    std::vector<uint8_t> frame(XA_MONO_FRAME_BYTES, fill);
    frame[0] = header;
    return frame;
}

}  // namespace

TEST(XaDecoder, CoefficientsAreTheFourFilters) {
    EXPECT_EQ(XA_COEFFICIENTS[0].k1, 0);
    EXPECT_EQ(XA_COEFFICIENTS[0].k2, 0);
    EXPECT_EQ(XA_COEFFICIENTS[1].k1, 240);
    EXPECT_EQ(XA_COEFFICIENTS[1].k2, 0);
    EXPECT_EQ(XA_COEFFICIENTS[2].k1, 460);
    EXPECT_EQ(XA_COEFFICIENTS[2].k2, -208);
    EXPECT_EQ(XA_COEFFICIENTS[3].k1, 392);
    EXPECT_EQ(XA_COEFFICIENTS[3].k2, -220);
}

TEST(XaDecoder, SampleStepsGiveTheReferenceValues) {
    int32_t current = 0;
    int32_t previous = 0;
    // Filter 0, shift 12: nibble 7 gives (1,792 + 128) >> 8, nibble 0x8 (-8) gives -8.
    EXPECT_EQ(xa_decode_sample(7, 12, XA_COEFFICIENTS[0], current, previous), 7);
    EXPECT_EQ(xa_decode_sample(8, 12, XA_COEFFICIENTS[0], current, previous), -8);
    EXPECT_EQ(current, -8);
    EXPECT_EQ(previous, 7);

    // Filter 1, shift 0, current 32,000, nibble 7: 15,020,160 >> 8 = 58,672, clamped.
    current = 32000;
    previous = 0;
    EXPECT_EQ(xa_decode_sample(7, 0, XA_COEFFICIENTS[1], current, previous), 32767);
    EXPECT_EQ(previous, 32000);
    // The clamped value is what the next step predicts from: 240 x 32,767 / 256 = 30,719.
    EXPECT_EQ(xa_decode_sample(0, 12, XA_COEFFICIENTS[1], current, previous), 30719);
    // And the low clamp.
    current = -32768;
    EXPECT_EQ(xa_decode_sample(8, 0, XA_COEFFICIENTS[1], current, previous), -32768);
}

TEST(XaDecoder, MonoWritesEachSampleToBothHalves) {
    const std::vector<uint8_t> frame = {0x2A, 0x17, 0x8F, 0x70, 0x01, 0x23, 0x45, 0x67,
                                        0x89, 0xAB, 0xCD, 0xEF, 0xF0, 0x0F, 0x55};
    std::vector<int16_t> out(2 * XA_FRAME_SAMPLES, 0x5555);
    int16_t* output = out.data();
    int32_t position = 0;
    int32_t current = 100;
    int32_t previous = -50;
    xa_decode_mono(28, position, current, previous, frame, output, XA_FRAME_SAMPLES);
    EXPECT_EQ(output, out.data() + out.size());
    EXPECT_EQ(position, 28);
    int32_t check_current = 100;
    int32_t check_previous = -50;
    for (int i = 0; i < XA_FRAME_SAMPLES; ++i) {
        const uint8_t byte = frame[1 + i / 2];
        const uint32_t nibble = i % 2 == 0 ? byte >> 4 : byte & 0xF;
        const int32_t expected =
            xa_decode_sample(nibble, 0xA, XA_COEFFICIENTS[2], check_current, check_previous);
        EXPECT_EQ(out[2 * i], expected) << i;
        EXPECT_EQ(out[2 * i + 1], expected) << i;
    }
    EXPECT_EQ(current, check_current);
    EXPECT_EQ(previous, check_previous);
}

TEST(XaDecoder, StereoChannelsNeverInfluenceEachOther) {
    // Left: filter 3, shift 4 with varied nibbles; right: filter 0, shift 12, nibble 1 always.
    std::vector<uint8_t> frame(XA_STEREO_FRAME_BYTES);
    frame[0] = 0x30;
    frame[1] = 0x4C;
    for (size_t i = 2; i < frame.size(); ++i) {
        frame[i] = static_cast<uint8_t>((i * 5 & 0xF) << 4 | 0x1);
    }
    std::vector<int16_t> out(2 * XA_FRAME_SAMPLES);
    int16_t* output = out.data();
    int32_t position = 0;
    int32_t left_current = 0;
    int32_t left_previous = 0;
    int32_t right_current = 0;
    int32_t right_previous = 0;
    xa_decode_stereo(28, position, left_current, left_previous, right_current, right_previous,
                     frame, output, XA_FRAME_SAMPLES);
    int32_t current = 0;
    int32_t previous = 0;
    for (int i = 0; i < XA_FRAME_SAMPLES; ++i) {
        EXPECT_EQ(out[2 * i],
                  xa_decode_sample(frame[2 + i] >> 4, 4, XA_COEFFICIENTS[3], current, previous));
        EXPECT_EQ(out[2 * i + 1], 1);
    }
    EXPECT_EQ(right_current, 1);
    EXPECT_EQ(left_current, current);
}

TEST(XaDecoder, ZeroSamplesLeaveEverythingUnchanged) {
    const std::vector<uint8_t> frame = mono_frame(0x1C, 0x77);
    int16_t out[2] = {9, 9};
    int16_t* output = out;
    int32_t position = 0;
    int32_t current = 12;
    int32_t previous = 34;
    xa_decode_mono(0, position, current, previous, frame, output, 1);
    EXPECT_EQ(output, out);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(current, 12);
    EXPECT_EQ(previous, 34);
    EXPECT_EQ(out[0], 9);
}

TEST(XaDecoder, PositionSelectsTheFrameAndCountsRoundUp) {
    std::vector<uint8_t> data = mono_frame(0x0C, 0x11);
    const std::vector<uint8_t> second = mono_frame(0x0C, 0x22);
    data.insert(data.end(), second.begin(), second.end());
    std::vector<int16_t> out(4 * XA_FRAME_SAMPLES);
    int16_t* output = out.data();
    int32_t position = 28;
    int32_t current = 0;
    int32_t previous = 0;
    // One sample asked for: one whole frame, the second.
    xa_decode_mono(1, position, current, previous, data, output, 2 * XA_FRAME_SAMPLES);
    EXPECT_EQ(position, 56);
    EXPECT_EQ(output, out.data() + 2 * XA_FRAME_SAMPLES);
    EXPECT_EQ(out[0], 2);
}

TEST(XaDecoder, StaysInsideItsInputAndOutput) {
    const std::vector<uint8_t> data = mono_frame(0x0C, 0x11);
    std::vector<int16_t> out(2 * XA_FRAME_SAMPLES + 2, 0x7777);
    int16_t* output = out.data();
    int32_t position = 0;
    int32_t current = 0;
    int32_t previous = 0;
    // Ten frames asked for, one in the data.
    xa_decode_mono(280, position, current, previous, data, output, XA_FRAME_SAMPLES + 1);
    EXPECT_EQ(output, out.data() + 2 * XA_FRAME_SAMPLES);
    EXPECT_EQ(out[2 * XA_FRAME_SAMPLES], 0x7777);
    // An output too small for a whole frame gets nothing.
    output = out.data();
    position = 0;
    xa_decode_mono(28, position, current, previous, data, output, XA_FRAME_SAMPLES - 1);
    EXPECT_EQ(output, out.data());
    // A position past the data, or before it, reads nothing.
    position = 28;
    xa_decode_mono(28, position, current, previous, data, output, XA_FRAME_SAMPLES);
    EXPECT_EQ(output, out.data());
    position = -28;
    xa_decode_stereo(28, position, current, previous, current, previous, data, output,
                     XA_FRAME_SAMPLES);
    EXPECT_EQ(output, out.data());
}

TEST(XaDecoder, FilterAboveThreeDecodesWithoutPrediction) {
    std::vector<int16_t> plain(2 * XA_FRAME_SAMPLES);
    std::vector<int16_t> odd(2 * XA_FRAME_SAMPLES);
    for (auto [header, out] : {std::pair{uint8_t{0x08}, &plain}, std::pair{uint8_t{0xF8}, &odd}}) {
        const std::vector<uint8_t> frame = mono_frame(header, 0x3D);
        int16_t* output = out->data();
        int32_t position = 0;
        int32_t current = 1000;
        int32_t previous = 2000;
        xa_decode_mono(28, position, current, previous, frame, output, XA_FRAME_SAMPLES);
    }
    EXPECT_EQ(plain, odd);
}

}  // namespace qx
