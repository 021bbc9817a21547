#include "format/audio_header.h"

#include <gtest/gtest.h>

#include <vector>

namespace qx {

namespace {

AudioFormat parsed(const std::vector<uint8_t>& body) {
    return audio_header_format(body.data(), static_cast<uint32_t>(body.size()));
}

// 4 bytes, an empty first list, then `second`.
std::vector<uint8_t> header_with(std::vector<uint8_t> second) {
    second.insert(second.begin(), {'P', 'T', 0, 0, AUDIO_LIST_BREAK});
    return second;
}

TEST(AudioHeaderFormat, ElementsOfTheSecondListSetTheFormat) {
    const AudioFormat format =
        parsed(header_with({AUDIO_ELEMENT_CHANNELS, 1, 2, AUDIO_ELEMENT_COMPRESSION, 1, 7,
                            AUDIO_ELEMENT_SAMPLE_RATE, 3, 0, 0xAC, 0x44, AUDIO_HEADER_END}));
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.compression, AUDIO_XA);
    EXPECT_EQ(format.sample_rate, 0xAC44);
    EXPECT_EQ(format.sample_bits, 16);
}

TEST(AudioHeaderFormat, ShortValuesWithTheTopBitSetAreNegative) {
    EXPECT_EQ(parsed(header_with({AUDIO_ELEMENT_SAMPLE_RATE, 2, 0xAC, 0x44})).sample_rate, -0x53BC);
    EXPECT_EQ(parsed(header_with({AUDIO_ELEMENT_SAMPLE_RATE, 3, 0xFF, 0xAC, 0x44})).sample_rate,
              -0x53BC);
    // Four bytes are taken as they are.
    EXPECT_EQ(parsed(header_with({AUDIO_ELEMENT_SAMPLE_RATE, 4, 0, 0, 0xAC, 0x44})).sample_rate,
              0xAC44);
}

// Elements that run past the body are not read: the format keeps what was set before them.
TEST(AudioHeaderFormat, ElementsCutShortKeepTheDefaults) {
    EXPECT_EQ(parsed(header_with({AUDIO_ELEMENT_CHANNELS, 4, 2})).channels, 1);
    EXPECT_EQ(parsed({'P', 'T', 0, 0, 0x10, 200, 1}).channels, 1);
    const AudioFormat empty = parsed({});
    EXPECT_EQ(empty.sample_rate, 22050);
    EXPECT_EQ(empty.compression, AUDIO_PCM);
}

TEST(AudioHeaderFormat, FirstListIsSkipped) {
    std::vector<uint8_t> body = {
        'P', 'T', 0, 0, AUDIO_ELEMENT_CHANNELS, 1, 2, AUDIO_LIST_BREAK, AUDIO_HEADER_END};
    EXPECT_EQ(parsed(body).channels, 1);
}

}  // namespace

}  // namespace qx
