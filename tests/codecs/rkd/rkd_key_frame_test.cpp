#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "base/memory.h"
#include "codecs/rkd/rkd_key_frame.h"
#include "tests/codecs/rkd/rkd_test_support.h"

namespace qx {

namespace {

std::vector<uint8_t> ramp(size_t count, uint8_t step) {
    std::vector<uint8_t> values(count);
    for (size_t i = 0; i < count; ++i) {
        values[i] = uint8_t(i * step);
    }
    return values;
}

TEST(RkdKeyFrame, ReadsSizePaletteAndPicture) {
    RkdContext c;
    std::vector<uint8_t> pixels = ramp(8 * 4, 3);
    RkdBytes payload = rkd_key_payload(8, 4, ramp(6, 40), rkd_literal_packing(pixels));
    rkd_read_key_header(c.rkd, c.size, payload.data(), payload.size());
    EXPECT_EQ(c.size.width, 8);
    EXPECT_EQ(c.size.height, 4);
    EXPECT_EQ(c.rkd.rkd_palette_count, 2);
    EXPECT_EQ(c.rkd.palette[5], 200);
    ASSERT_EQ(rkd_decode_key_frame(c.rkd, payload.data(), payload.size()), 1);
    EXPECT_EQ(c.frame(), pixels);
}

TEST(RkdKeyFrame, SixteenEntryPaletteLeavesTheRestAsItWas) {
    RkdContext c;
    std::fill(std::begin(c.rkd.palette), std::end(c.rkd.palette), uint8_t(0x77));
    RkdBytes payload = rkd_key_payload(8, 4, ramp(48, 1), rkd_literal_packing(ramp(32, 1)));
    rkd_read_key_header(c.rkd, c.size, payload.data(), payload.size());
    EXPECT_EQ(c.rkd.palette[47], 47);
    EXPECT_EQ(c.rkd.palette[48], 0x77);
    EXPECT_EQ(c.rkd.palette[767], 0x77);
}

TEST(RkdKeyFrame, BufferSizesAndRowOffsetsFor320By200) {
    RkdContext c;
    RkdBytes payload = rkd_key_payload(320, 200, {}, {0, 0, 0, 0, 0, 0xFC});
    rkd_read_key_header(c.rkd, c.size, payload.data(), payload.size());
    ASSERT_EQ(rkd_decode_key_frame(c.rkd, payload.data(), payload.size()), 1);
    EXPECT_EQ(rkd_picture_bytes(320, 200), 64000u);
    EXPECT_EQ(c.rkd.rkd_row_offsets[0], -64000);
    EXPECT_EQ(c.rkd.rkd_row_offsets[200], 0);
    EXPECT_EQ(c.rkd.rkd_row_offsets[201], 320);
    EXPECT_EQ(c.rkd.rkd_row_offsets[399], 63680);
    EXPECT_EQ(c.rkd.rkd_picture_width, 320);
    EXPECT_EQ(c.rkd.rkd_picture_height, 200);
    EXPECT_EQ(rkd_picture_bytes(321, 3), 964u);
}

TEST(RkdKeyFrame, KeyFramesLeaveNoBuffersBehind) {
    RkdContext c;
    RkdBytes payload = rkd_key_payload(16, 8, {}, rkd_literal_packing(ramp(128, 1)));
    rkd_read_key_header(c.rkd, c.size, payload.data(), payload.size());
    ASSERT_EQ(rkd_decode_key_frame(c.rkd, payload.data(), payload.size()), 1);
    int64_t live = memory_counters().live_blocks;
    ASSERT_EQ(rkd_decode_key_frame(c.rkd, payload.data(), payload.size()), 1);
    EXPECT_EQ(memory_counters().live_blocks, live);
}

// Buffers of the size in force are kept; nothing of the picture or map before may show through.
TEST(RkdKeyFrame, KeyFrameOfTheSameSizeShowsNothingOfWhatCameBefore) {
    RkdContext c;
    RkdBytes whole = rkd_key_payload(16, 8, {}, rkd_literal_packing(ramp(128, 1)));
    rkd_read_key_header(c.rkd, c.size, whole.data(), whole.size());
    ASSERT_EQ(rkd_decode_key_frame(c.rkd, whole.data(), whole.size()), 1);
    std::fill_n(c.rkd.rkd_block_map, 8, 5);
    // A stream that ends after 40 of the 128 pixels.
    RkdBytes short_stream = rkd_key_payload(16, 8, {}, rkd_literal_packing(ramp(40, 3)));
    ASSERT_EQ(rkd_decode_key_frame(c.rkd, short_stream.data(), short_stream.size()), 1);
    std::vector<uint8_t> expected = ramp(40, 3);
    expected.resize(128, 0);
    EXPECT_EQ(c.frame(), expected);
    EXPECT_EQ(std::vector<int32_t>(c.rkd.rkd_block_map, c.rkd.rkd_block_map + 8),
              std::vector<int32_t>(8, 0));
}

TEST(RkdKeyFrameFaults, PaletteCountAbove256UsesTheFirst256AndSkipsTheRest) {
    RkdContext c;
    std::vector<uint8_t> palette = ramp(3 * 300, 1);
    RkdBytes payload = rkd_key_payload(8, 4, palette, rkd_literal_packing(ramp(32, 5)));
    rkd_read_key_header(c.rkd, c.size, payload.data(), payload.size());
    EXPECT_EQ(c.rkd.palette[767], uint8_t(767));
    // The picture still starts after all 300 declared entries.
    ASSERT_EQ(rkd_decode_key_frame(c.rkd, payload.data(), payload.size()), 1);
    EXPECT_EQ(c.frame(), ramp(32, 5));
}

TEST(RkdKeyFrameFaults, PaletteCutShortReadsOnlyTheWholeEntriesPresent) {
    RkdContext c;
    RkdBytes payload;
    payload.u16(8).u16(4).u16(0).u16(200).u32(0).u8({10, 11, 12, 13, 14});
    // An exactly sized copy, so that any read past the end trips the address sanitizer.
    std::vector<uint8_t> exact(payload.bytes);
    rkd_read_key_header(c.rkd, c.size, exact.data(), uint32_t(exact.size()));
    EXPECT_EQ(c.rkd.palette[2], 12);
    EXPECT_EQ(c.rkd.palette[3], 0);
    EXPECT_EQ(rkd_decode_key_frame(c.rkd, exact.data(), uint32_t(exact.size())), 1);
    EXPECT_EQ(c.frame(), std::vector<uint8_t>(32, 0));
}

TEST(RkdKeyFrameFaults, UnusableHeadersChangeNothing) {
    RkdContext c;
    c.size.width = 64;
    c.size.height = 48;
    RkdBytes empty = rkd_key_payload(0, 4, {}, {});
    RkdBytes huge = rkd_key_payload(65535, 65535, {}, {});
    RkdBytes cut;
    cut.u16(8).u16(4).u16(0);
    for (const RkdBytes* payload : {&empty, &huge, &cut}) {
        rkd_read_key_header(c.rkd, c.size, payload->data(), payload->size());
        EXPECT_EQ(c.size.width, 64);
        EXPECT_EQ(c.size.height, 48);
        EXPECT_EQ(rkd_decode_key_frame(c.rkd, payload->data(), payload->size()), 0);
        EXPECT_EQ(c.rkd.rkd_frame, nullptr);
    }
}

TEST(RkdKeyFrameFaults, FailedAllocationLeavesNoUsablePicture) {
    RkdContext c;
    RkdBytes payload = rkd_key_payload(8, 4, {}, rkd_literal_packing(ramp(32, 1)));
    rkd_read_key_header(c.rkd, c.size, payload.data(), payload.size());
    for (int failing = 1; failing <= 4; ++failing) {
        memory_fail_after(failing);
        EXPECT_EQ(rkd_decode_key_frame(c.rkd, payload.data(), payload.size()), 0);
        memory_fail_after(0);
        EXPECT_FALSE(rkd_has_picture(c.rkd, c.described()));
    }
}

}  // namespace

}  // namespace qx
