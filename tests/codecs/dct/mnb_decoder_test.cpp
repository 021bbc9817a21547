#include <gtest/gtest.h>

#include <vector>

#include "codecs/dct/idct.h"
#include "codecs/dct/mnb_bit_reader.h"
#include "codecs/dct/mnb_frame.h"
#include "tests/codecs/dct/dct_test_support.h"

namespace qx {

namespace {

DequantTable mnb_table(int32_t quality) {
    DequantTable table;
    mnb_build_dequant_table(table, quality);
    return table;
}

CoefficientBlock decode_one(const std::vector<uint8_t>& record, const DequantTable& table,
                            MnbBitReader* reader_out = nullptr) {
    MnbBitReader reader;
    mnb_reader_start(reader, record.data(), record.size());
    CoefficientBlock block;
    mnb_decode_block(reader, table, block);
    if (reader_out != nullptr) {
        *reader_out = reader;
    }
    return block;
}

void expect_only(const CoefficientBlock& block, std::vector<std::pair<int, int32_t>> expected) {
    std::vector<int32_t> want(64, 0);
    for (const auto& [index, value] : expected) {
        want[index] = value;
    }
    EXPECT_EQ(std::vector<int32_t>(block.values, block.values + 64), want);
}

TEST(MnbBlock, DcThenRunOf63IsDcOnly) {
    const DequantTable table = mnb_table(50);
    expect_only(decode_one({0x05, 0xFD}, table), {{0, 5 * table.values[0]}});
    expect_only(decode_one({0xFB, 0xFD}, table), {{0, -5 * table.values[0]}});
}

TEST(MnbBlock, EightBitLevelsAndTheEscape) {
    const DequantTable table = mnb_table(50);
    // 0xFB: low bits 11, bits 2..7 = 62, the signed 6-bit -2; then a run of 62 (0xF9).
    expect_only(decode_one({0x00, 0xFB, 0xF9}, table), {{8, -2 * table.values[8]}});
    // 0xFF 0x80: the escape and the level -128.
    expect_only(decode_one({0x00, 0xFF, 0x80, 0xF9}, table), {{8, -128 * table.values[8]}});
    expect_only(decode_one({0x00, 0x7F, 0xF9}, table), {{8, 31 * table.values[8]}});
}

TEST(MnbBlock, ThreeBitCodesReadLeastSignificantFirst) {
    const DequantTable table = mnb_table(90);
    // After the DC byte: +1 (010), -1 (110), two zeros (100), one zero (000), then a run of
    // 58 (code 0xE9): positions 1 and 2 carry levels, 3..63 are zero.
    const uint32_t bits = 2 | 6 << 3 | 4 << 6 | 0 << 9 | 0xE9u << 12;
    const std::vector<uint8_t> record = {0x01, uint8_t(bits), uint8_t(bits >> 8),
                                         uint8_t(bits >> 16)};
    expect_only(decode_one(record, table), {{0, table.values[0]},
                                            {scan_index[1], table.values[scan_index[1]]},
                                            {scan_index[2], -table.values[scan_index[2]]}});
}

// Run codes with R = 0 or 1 and runs past 63 never write outside the block or hang.
TEST(MnbBlock, MalformedRunsStayInsideTheBlock) {
    const DequantTable table = mnb_table(50);
    expect_only(decode_one({0x02, 0x01, 0x01, 0x05, 0xFD}, table), {{0, 2 * table.values[0]}});
    // A run of 61 then "two zeros" at position 62 passes 63: the block ends there and the
    // next block starts on the following code.
    MnbBitReader reader;
    const std::vector<uint8_t> record = {0x03, 0xF5, 0x04 | 0x07 << 3, 0xFD};
    mnb_reader_start(reader, record.data(), record.size());
    CoefficientBlock block;
    mnb_decode_block(reader, table, block);
    expect_only(block, {{0, 3 * table.values[0]}});
}

TEST(MnbBlock, ReaderNeverLoadsPastTheRecord) {
    const DequantTable table = mnb_table(50);
    const std::vector<uint8_t> memory = {0x04, 0x02, 0x02, 0x02};
    MnbBitReader reader;
    mnb_reader_start(reader, memory.data(), 1);  // only the DC byte belongs to the record
    CoefficientBlock block;
    mnb_decode_block(reader, table, block);
    expect_only(block, {{0, 4 * table.values[0]}});
    EXPECT_EQ(reader.next_byte, memory.data() + 1);
}

TEST(MnbDequant, TellingRows) {
    struct Row {
        int quality, at_0, at_7, at_14;
    };
    for (const Row& row : {Row{0, 30, 45, 60}, Row{50, 19, 27, 35}, Row{75, 13, 17, 22},
                           Row{90, 10, 12, 15}, Row{100, 8, 9, 10}}) {
        const DequantTable table = mnb_table(row.quality);
        EXPECT_EQ(table.values[0], idct_prescale[0] * row.at_0) << row.quality;
        EXPECT_EQ(table.values[7], idct_prescale[7] * row.at_7) << row.quality;
        EXPECT_EQ(table.values[56], idct_prescale[56] * row.at_7) << row.quality;
        EXPECT_EQ(table.values[63], idct_prescale[63] * row.at_14) << row.quality;
    }
    const DequantTable best = mnb_table(100);
    for (int u = 0; u < 8; ++u) {
        for (int v = 0; v < 8; ++v) {
            const int factor = u + v <= 6 ? 8 : u + v <= 13 ? 9 : 10;
            EXPECT_EQ(best.values[8 * u + v], idct_prescale[8 * u + v] * factor);
        }
    }
}

struct MnbPicture {
    int32_t width = 16;
    int32_t height = 16;
    int32_t pixel_bytes = 2;
    int32_t quality = 100;
    std::unique_ptr<ColourTables> tables = dct_test_tables();
    std::vector<uint8_t> pixels;
    int32_t result = 0;

    // Decodes `records` into a picture prefilled with 0xAB, sized exactly for the frame.
    void decode(const std::vector<uint8_t>& records) {
        DctDecoder decoder;
        mnb_build_dequant_table(decoder.dequant_table, quality);
        const size_t bytes = width > 0 && height > 0 ? size_t(width) * height * pixel_bytes : 0;
        pixels.assign(bytes, 0xAB);
        const DctFrame frame{width, height, pixel_bytes, pixels.size()};
        result = mnb_decode_picture(decoder, *tables, frame, records.data(),
                                    static_cast<uint32_t>(records.size()), pixels.data());
    }
    uint16_t at(int x, int y) const { return pixel16(pixels, size_t(y) * width + x); }
    uint16_t expected(int32_t luma, int32_t cb, int32_t cr) const {
        return static_cast<uint16_t>(tables->luma_table[luma & 0x7F] + tables->cb_table[cb & 0x7F] +
                                     tables->cr_table[cr & 0x7F]);
    }
};

TEST(MnbFrame, FlatLevelsAtQualityHundredAreHalved) {
    MnbPicture picture;
    picture.decode({6, 127, 0x80, 0xFF, 7, 20, 0xF0});  // Y 127, -128, -1, 7; Cb 20, Cr -16
    EXPECT_EQ(picture.result, DCT_DECODED);
    EXPECT_EQ(picture.at(0, 0), picture.expected(63, 10, -8));
    EXPECT_EQ(picture.at(15, 0), picture.expected(-64, 10, -8));
    EXPECT_EQ(picture.at(0, 15), picture.expected(-1, 10, -8));
    EXPECT_EQ(picture.at(15, 15), picture.expected(3, 10, -8));
    EXPECT_EQ(picture.at(7, 7), picture.expected(63, 10, -8));
    EXPECT_EQ(picture.at(8, 8), picture.expected(3, 10, -8));
}

std::vector<uint8_t> dc_only_coded_record(std::initializer_list<uint8_t> dc_levels) {
    std::vector<uint8_t> record = {13};
    for (uint8_t level : dc_levels) {
        record.push_back(level);
        record.push_back(0xFD);
    }
    record.push_back(0);  // coded records are longer than 12 bytes
    return record;
}

// At quality 0 the flat path rounds (t = 4, sample 2) where the transform truncates
// (245760 >> 17 = 1): the two paths stay separate.
TEST(MnbFrame, FlatAndCodedRoundDifferentlyAtQualityZero) {
    MnbPicture flat;
    flat.quality = 0;
    flat.decode({3, 1, 0, 0});
    EXPECT_EQ(flat.at(5, 5), flat.expected(2, 0, 0));
    MnbPicture coded;
    coded.quality = 0;
    coded.decode(dc_only_coded_record({1, 1, 1, 1, 0, 0}));
    EXPECT_EQ(coded.at(5, 5), coded.expected(1, 0, 0));
}

TEST(MnbFrame, CodedDcMatchesFlatAtQualityHundred) {
    MnbPicture flat;
    flat.decode({6, 9, 0xF7, 40, 0x81, 5, 0xFA});
    MnbPicture coded;
    coded.decode(dc_only_coded_record({9, 0xF7, 40, 0x81, 5, 0xFA}));
    EXPECT_EQ(flat.pixels, coded.pixels);
}

TEST(MnbFrame, ShortRecordsLeaveTheirMacroblockUntouched) {
    MnbPicture picture;
    picture.width = 64;
    // n = 0 (one byte), n = 1, n = 4 with skipped bytes, then a flat record.
    picture.decode({0, 1, 0x55, 4, 1, 2, 3, 4, 3, 10, 0, 0});
    EXPECT_EQ(picture.result, DCT_DECODED);
    for (int x = 0; x < 48; ++x) {
        ASSERT_EQ(picture.at(x, 3), 0xABAB) << x;
    }
    EXPECT_EQ(picture.at(48, 0), picture.expected(5, 0, 0));
}

TEST(MnbFrame, OddBytesOfTheWideFlatRecordAreIgnored) {
    MnbPicture plain;
    plain.decode({12, 10, 0, 20, 0, 30, 0, 40, 0, 50, 0, 60, 0});
    MnbPicture noisy;
    noisy.decode({12, 10, 0x11, 20, 0x22, 30, 0x33, 40, 0x44, 50, 0x55, 60, 0x66});
    EXPECT_EQ(plain.pixels, noisy.pixels);
    EXPECT_EQ(plain.at(15, 15), plain.expected(20, 25, 30));
}

TEST(MnbFrame, DoubleWidthWritesWholeWords) {
    MnbPicture picture;
    picture.pixel_bytes = 4;
    picture.tables = dct_test_tables(16, true);
    picture.decode({3, 50, 0, 0});
    const uint32_t word =
        picture.tables->luma_table[25] + picture.tables->cb_table[0] + picture.tables->cr_table[0];
    for (int i = 0; i < 256; ++i) {
        const uint8_t* p = picture.pixels.data() + 4 * i;
        ASSERT_EQ(uint32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24), word);
    }
}

TEST(MnbFrame, RecordRunningPastThePayloadStopsTheFrame) {
    MnbPicture picture;
    picture.width = 32;
    picture.decode({3, 4, 0, 0, 200, 1, 2, 3});
    EXPECT_EQ(picture.result, DCT_TRUNCATED);
    EXPECT_EQ(picture.at(0, 0), picture.expected(2, 0, 0));
    EXPECT_EQ(picture.at(16, 0), 0xABAB);
    picture.decode({3, 4, 0});
    EXPECT_EQ(picture.result, DCT_TRUNCATED);
    picture.decode({});
    EXPECT_EQ(picture.result, DCT_TRUNCATED);
}

TEST(MnbFrame, SizesThatAreNotPositiveDecodeNothing) {
    for (const auto& [w, h] :
         std::vector<std::pair<int, int>>{{0, 16}, {16, 0}, {-16, 16}, {16, -32}}) {
        MnbPicture picture;
        picture.width = w;
        picture.height = h;
        picture.decode({3, 4, 0, 0});
        EXPECT_EQ(picture.result, DCT_BAD_SIZE) << w << "x" << h;
    }
}

// A 24 x 20 picture: the second macroblock column and row are clipped to the picture, whose
// buffer is exactly its size.
TEST(MnbFrame, PartialMacroblocksAreClipped) {
    MnbPicture picture;
    picture.width = 24;
    picture.height = 20;
    const std::vector<uint8_t> four_flat = {3, 2, 0, 0, 3, 4, 0, 0, 3, 6, 0, 0, 3, 8, 0, 0};
    std::vector<uint8_t> coded;
    for (int i = 0; i < 4; ++i) {
        const auto record = dc_only_coded_record({uint8_t(2 * i + 2), 0, 0, 0, 0, 0});
        coded.insert(coded.end(), record.begin(), record.end());
    }
    for (const auto& records : {four_flat, coded}) {
        picture.decode(records);
        EXPECT_EQ(picture.result, DCT_DECODED);
        EXPECT_EQ(picture.at(23, 0), picture.expected(2, 0, 0));
        EXPECT_EQ(picture.at(0, 19), picture.expected(3, 0, 0));
    }
}

TEST(MnbFrame, PictureSmallerThanTheFrameIsNotOverrun) {
    DctDecoder decoder;
    mnb_build_dequant_table(decoder.dequant_table, 100);
    const auto tables = dct_test_tables();
    std::vector<uint8_t> pixels(16 * 2 * 10, 0);  // ten rows of a 16 x 32 frame
    const std::vector<uint8_t> records = {3, 2, 0, 0, 3, 2, 0, 0};
    EXPECT_EQ(mnb_decode_picture(decoder, *tables, DctFrame{16, 32, 2, pixels.size()},
                                 records.data(), uint32_t(records.size()), pixels.data()),
              DCT_DECODED);
    EXPECT_EQ(pixel16(pixels, 16 * 10 - 1),
              uint16_t(tables->luma_table[1] + tables->cb_table[0] + tables->cr_table[0]));
}

TEST(MnbFrame, HeaderReadsSignedSizes) {
    DctHeader header{};
    const std::vector<uint8_t> payload = {0x40, 0x01, 0xF0, 0xFF, 75, 0, 0, 0};
    mnb_read_header(payload.data(), uint32_t(payload.size()), header);
    EXPECT_EQ(header.width, 320);
    EXPECT_EQ(header.height, -16);
    EXPECT_EQ(header.quality, 75);
}

}  // namespace

}  // namespace qx
