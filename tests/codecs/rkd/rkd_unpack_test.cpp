#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "codecs/rkd/rkd_unpack.h"

namespace qx {

namespace {

struct Unpacked {
    RkdUnpackResult result;
    std::vector<uint8_t> bytes;
};

// Unpacks with both the fast and the reference unpacker and insists they agree exactly.
Unpacked unpack_both(const std::vector<uint8_t>& packed, size_t capacity) {
    std::vector<uint8_t> fast(capacity, 0xEE);
    std::vector<uint8_t> reference(capacity, 0xEE);
    RkdUnpackResult a = rkd_unpack(packed.data(), packed.size(), fast.data(), fast.size());
    RkdUnpackResult b =
        rkd_unpack_reference(packed.data(), packed.size(), reference.data(), reference.size());
    EXPECT_EQ(a.status, b.status);
    EXPECT_EQ(a.written, b.written);
    EXPECT_EQ(fast, reference);
    fast.resize(a.written);
    return {a, fast};
}

std::vector<uint8_t> bytes(std::initializer_list<uint8_t> values) {
    return values;
}

TEST(RkdUnpack, EightByteExampleCopiesFourLiteralsThenThreeFromFourBack) {
    Unpacked u = unpack_both(
        bytes({0x00, 0x00, 0x00, 0x00, 0x08, 0xE0, 0x61, 0x62, 0x63, 0x64, 0x00, 0x03, 0xFD, 0x64}),
        8);
    EXPECT_EQ(u.result.status, RKD_UNPACK_ENDED);
    EXPECT_EQ(u.bytes, bytes({0x61, 0x62, 0x63, 0x64, 0x61, 0x62, 0x63, 0x64}));
}

TEST(RkdUnpack, DistanceOneRepeatsTheLastByte) {
    Unpacked u = unpack_both(bytes({0, 0, 0, 0, 11, 0x1D, 0x00, 0x41, 0xFC}), 16);
    EXPECT_EQ(u.result.status, RKD_UNPACK_ENDED);
    EXPECT_EQ(u.bytes, std::vector<uint8_t>(11, 0x41));
}

TEST(RkdUnpack, OverlappingCopyRepeatsTheLastDistanceBytes) {
    // Three literals, then 3-byte form K = 4 + 9 = 13 from D = 3 back.
    Unpacked u = unpack_both(bytes({0, 0, 0, 0, 16, 0x89, 0xC0, 0x02, 1, 2, 3, 0xFC}), 16);
    std::vector<uint8_t> expected;
    for (int i = 0; i < 16; ++i) {
        expected.push_back(uint8_t(i % 3 + 1));
    }
    EXPECT_EQ(u.bytes, expected);
}

TEST(RkdUnpack, HeaderFlagShiftsSizeAndCommandsByThree) {
    Unpacked u = unpack_both(bytes({0x01, 0x00, 0xAA, 0xBB, 0xCC, 0, 0, 2, 0xFE, 7, 8}), 4);
    EXPECT_EQ(u.result.status, RKD_UNPACK_ENDED);
    EXPECT_EQ(u.bytes, bytes({7, 8}));
}

TEST(RkdUnpack, EndCommandsCarryZeroToThreeLiterals) {
    EXPECT_EQ(unpack_both(bytes({0, 0, 0, 0, 0, 0xFC, 9, 9, 9}), 8).bytes, bytes({}));
    Unpacked three = unpack_both(bytes({0, 0, 0, 0, 3, 0xFF, 4, 5, 6, 9}), 8);
    EXPECT_EQ(three.result.status, RKD_UNPACK_ENDED);
    EXPECT_EQ(three.bytes, bytes({4, 5, 6}));
}

TEST(RkdUnpack, EveryCommandFormDecodesItsFields) {
    // 2-byte form at its extremes: L = 3, K = 10, D = 1024 needs 1024 bytes of history.
    std::vector<uint8_t> packed{0, 0, 0, 0, 0};
    std::vector<uint8_t> expected;
    for (int run = 0; run < 9; ++run) {  // 9 x 112 + 16 = 1024 literals
        packed.push_back(0xFB);
        for (int i = 0; i < 112; ++i) {
            packed.push_back(uint8_t(expected.size() * 7));
            expected.push_back(uint8_t(expected.size() * 7));
        }
    }
    packed.push_back(0xE3);
    for (int i = 0; i < 16; ++i) {
        packed.push_back(uint8_t(expected.size() * 7));
        expected.push_back(uint8_t(expected.size() * 7));
    }
    auto copy = [&](size_t literal_count, size_t count, size_t distance) {
        for (size_t i = 0; i < literal_count; ++i) {
            packed.push_back(uint8_t(0x30 + i));
            expected.push_back(uint8_t(0x30 + i));
        }
        for (size_t i = 0; i < count; ++i) {
            expected.push_back(expected[expected.size() - distance]);
        }
    };
    // 0x7F: L = 3, K = 7 + 3 = 10, D = (0x60 << 3) + 0xFF + 1 = 1024.
    packed.insert(packed.end(), {0x7F, 0xFF});
    copy(3, 10, 1024);
    // 3-byte: K = 0x3F + 4 = 67, L = 0x84 >> 6 = 2, D = (0x04 << 8) + 0x05 + 1 = 1030.
    packed.insert(packed.end(), {0xBF, 0x84, 0x05});
    copy(2, 67, 1030);
    // 4-byte: L = 1, K = ((0x0C) << 6) + 0xFF + 5 = 1028, D = (0x04 << 8) + 0x10 + 1 = 1041.
    packed.insert(packed.end(), {0xCD, 0x04, 0x10, 0xFF});
    copy(1, 1028, 1041);
    packed.push_back(0xFC);
    Unpacked u = unpack_both(packed, expected.size());
    EXPECT_EQ(u.result.status, RKD_UNPACK_ENDED);
    EXPECT_EQ(u.bytes, expected);
}

TEST(RkdUnpack, FourByteFormReachesPastSixtyFourKilobytes) {
    std::vector<uint8_t> packed{0, 0, 0, 0, 0};
    std::vector<uint8_t> expected;
    while (expected.size() < 66000) {
        packed.push_back(0xFB);
        for (int i = 0; i < 112; ++i) {
            uint8_t value = uint8_t(expected.size() * 13 + expected.size() / 251);
            packed.push_back(value);
            expected.push_back(value);
        }
    }
    // 0xD0: bit 16 of D - 1 set, L = 0, K = 5; D = 65536 + 0x0102 + 1.
    packed.insert(packed.end(), {0xD0, 0x01, 0x02, 0x00, 0xFC});
    for (int i = 0; i < 5; ++i) {
        expected.push_back(expected[expected.size() - 65795]);
    }
    Unpacked u = unpack_both(packed, expected.size());
    EXPECT_EQ(u.result.status, RKD_UNPACK_ENDED);
    EXPECT_EQ(u.bytes, expected);
}

TEST(RkdUnpack, LiteralRunsReachOneHundredTwelveBytes) {
    std::vector<uint8_t> packed{0, 0, 0, 0, 112, 0xFB};
    for (int i = 0; i < 112; ++i) {
        packed.push_back(uint8_t(i));
    }
    packed.push_back(0xFC);
    Unpacked u = unpack_both(packed, 200);
    EXPECT_EQ(u.result.status, RKD_UNPACK_ENDED);
    ASSERT_EQ(u.bytes.size(), 112u);
    EXPECT_EQ(u.bytes[111], 111);
}

TEST(RkdUnpackFaults, DistanceBeforeThePictureStopsBeforeTheCopy) {
    // One literal, then D = 4 with only one byte written.
    Unpacked u = unpack_both(bytes({0, 0, 0, 0, 8, 0x01, 0x03, 0x55, 0xFC}), 8);
    EXPECT_EQ(u.result.status, RKD_UNPACK_BAD_DISTANCE);
    EXPECT_EQ(u.bytes, bytes({0x55}));
}

TEST(RkdUnpackFaults, CopyPastThePictureStopsAtItsEnd) {
    Unpacked u = unpack_both(bytes({0, 0, 0, 0, 6, 0x1D, 0x00, 0x41, 0xFC}), 6);
    EXPECT_EQ(u.result.status, RKD_UNPACK_OUTPUT_FULL);
    EXPECT_EQ(u.bytes, std::vector<uint8_t>(6, 0x41));
}

TEST(RkdUnpackFaults, LiteralRunPastThePictureStopsAtItsEnd) {
    Unpacked u = unpack_both(bytes({0, 0, 0, 0, 4, 0xE1, 1, 2, 3, 4, 5, 6, 7, 8, 0xFC}), 3);
    EXPECT_EQ(u.result.status, RKD_UNPACK_OUTPUT_FULL);
    EXPECT_EQ(u.bytes, bytes({1, 2, 3}));
}

TEST(RkdUnpackFaults, StreamWithoutEndCommandStopsAtThePayloadEnd) {
    // A literal run cut short, a command cut short, and a payload with no command at all.
    Unpacked cut_run = unpack_both(bytes({0, 0, 0, 0, 8, 0xE1, 1, 2, 3}), 8);
    EXPECT_EQ(cut_run.result.status, RKD_UNPACK_INPUT_ENDED);
    EXPECT_EQ(cut_run.bytes, bytes({1, 2, 3}));
    Unpacked cut_command = unpack_both(bytes({0, 0, 0, 0, 8, 0xE0, 1, 2, 3, 4, 0xC0, 0}), 8);
    EXPECT_EQ(cut_command.result.status, RKD_UNPACK_INPUT_ENDED);
    EXPECT_EQ(cut_command.bytes, bytes({1, 2, 3, 4}));
    EXPECT_EQ(unpack_both(bytes({0, 0, 0, 0, 8}), 8).result.status, RKD_UNPACK_INPUT_ENDED);
    EXPECT_EQ(unpack_both(bytes({1, 0, 0, 0, 0}), 8).result.status, RKD_UNPACK_INPUT_ENDED);
    EXPECT_EQ(rkd_unpack(nullptr, 0, nullptr, 0).written, 0u);
}

TEST(RkdUnpackFaults, RandomStreamsAgreeWithTheReferenceAndStayInside) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> packed(5 + random() % 300);
        for (uint8_t& b : packed) {
            b = uint8_t(random());
        }
        packed[0] &= 0xFE;
        // Mostly literal runs first, so that later copies find history.
        packed[5 % packed.size()] = 0xFB;
        Unpacked u = unpack_both(packed, random() % 2000);
        EXPECT_LE(u.result.written, 2000u);
    }
}

}  // namespace

}  // namespace qx
