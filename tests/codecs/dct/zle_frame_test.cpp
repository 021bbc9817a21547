#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/dct/zle_frame.h"
#include "tests/codecs/dct/dct_test_support.h"

namespace qx {

namespace {

// A coded macroblock whose six blocks are DC-only with the given DC codes.
std::string coded_macroblock(const std::string& luma_dc, const std::string& chroma_dc = "00") {
    std::string bits;
    for (int i = 0; i < 4; ++i) {
        bits += luma_dc + "10";
    }
    return bits + chroma_dc + "10" + chroma_dc + "10";
}

const std::string STILL_COPY = "1 0 0000 0000";

struct ZlePicture {
    int32_t width = 16;
    int32_t height = 16;
    int32_t pixel_bytes = 2;
    ZleFrameFlags flags{false, false};
    std::unique_ptr<ColourTables> tables = dct_test_tables();
    std::vector<uint8_t> reference;
    std::vector<uint8_t> pixels;
    DctDecoder decoder;
    int32_t result = 0;

    size_t bytes() const { return size_t(width) * height * pixel_bytes; }
    // A reference picture where each 2-byte pixel holds its own index.
    void numbered_reference() {
        reference.resize(bytes());
        for (size_t i = 0; i < reference.size() / 2; ++i) {
            reference[2 * i] = uint8_t(i);
            reference[2 * i + 1] = uint8_t(i >> 8);
        }
    }
    void decode_stream(const std::vector<uint8_t>& stream) {
        zle_build_dequant_table(decoder.dequant_table, 50);
        pixels.assign(bytes(), 0xAB);
        if (reference.size() != bytes()) {
            reference.assign(bytes(), 0);
        }
        result = zle_decode_picture(decoder, *tables, DctFrame{width, height, pixel_bytes, bytes()},
                                    flags, stream.data(), uint32_t(stream.size()), pixels.data(),
                                    reference.data());
    }
    void decode(const std::string& bits) { decode_stream(zle_stream_from_bits(bits)); }
    uint16_t at(int x, int y) const { return pixel16(pixels, size_t(y) * width + x); }
    uint16_t ref(int x, int y) const { return pixel16(reference, size_t(y) * width + x); }
    uint16_t summed(int32_t luma, int32_t cb = 0, int32_t cr = 0) const {
        return static_cast<uint16_t>(tables->luma_table[luma & 0x7F] + tables->cb_table[cb & 0x7F] +
                                     tables->cr_table[cr & 0x7F]);
    }
};

TEST(ZleFrame, StillCopyTakesTenBitsAndCopiesUnchanged) {
    ZlePicture picture;
    picture.numbered_reference();
    picture.decode(STILL_COPY);
    EXPECT_EQ(picture.result, DCT_DECODED);
    EXPECT_EQ(picture.decoder.zle_reader.bit_position, 10u);
    EXPECT_EQ(picture.pixels, picture.reference);
}

TEST(ZleFrame, CopyFromOneLeftAndOneBelow) {
    ZlePicture picture;
    picture.width = picture.height = 48;
    picture.numbered_reference();
    std::string bits;
    for (int mb = 0; mb < 9; ++mb) {
        bits += mb == 4 ? "1 0 0001 1111" : STILL_COPY;
    }
    picture.decode(bits);
    EXPECT_EQ(picture.result, DCT_DECODED);
    for (int r = 0; r < 16; ++r) {
        for (int c = 0; c < 16; ++c) {
            ASSERT_EQ(picture.at(16 + c, 16 + r), picture.ref(15 + c, 17 + r)) << r << "," << c;
        }
    }
}

TEST(ZleFrame, CopyFlagReadsSpareBitAndSignedNibbles) {
    const std::vector<uint8_t> stream = zle_stream_from_bits("1 1 1000 0111 0");
    ZleBitReader reader;
    zle_reader_start(reader, stream.data(), uint32_t(stream.size()));
    int32_t dx = 0;
    int32_t dy = 0;
    EXPECT_TRUE(zle_read_copy_flag(reader, dx, dy));
    EXPECT_EQ(dx, 8);
    EXPECT_EQ(dy, 7);
    EXPECT_FALSE(zle_read_copy_flag(reader, dx, dy));
    EXPECT_EQ(reader.bit_position, 11u);
}

// Sources above the first row or below the last are clamped into the picture; the linear
// run into the neighbouring row, which stored movies rely on, is kept.
TEST(ZleFrame, CopySourcesOutsideThePictureAreClamped) {
    ZlePicture picture;
    picture.width = 32;
    picture.height = 32;
    picture.numbered_reference();
    // (0,0) from 7 rows up and 8 to the right; (16,0) still; (0,16) still; (16,16) from 8 below.
    picture.decode("1 0 1000 0111" + STILL_COPY + STILL_COPY + "1 0 0000 1000");
    EXPECT_EQ(picture.result, DCT_DECODED);
    EXPECT_EQ(picture.at(0, 0), picture.ref(8, 0));  // rows above clamp to the first
    EXPECT_EQ(picture.at(0, 7), picture.ref(8, 0));  // first source row inside
    EXPECT_EQ(picture.at(0, 8), picture.ref(8, 1));
    EXPECT_EQ(picture.at(16, 31), picture.ref(16, 31));  // rows below clamp to the last
    EXPECT_EQ(picture.at(16, 16), picture.ref(16, 24));
}

TEST(ZleFrame, LinearSourceRunsIntoTheNeighbouringRow) {
    ZlePicture picture;
    picture.width = 32;
    picture.height = 32;
    picture.numbered_reference();
    // (16,0) from 8 to the right runs into the next row; (16,16) from 8 to the right past the
    // last pixel is moved back inside.
    picture.decode(STILL_COPY + "1 0 1000 0000" + STILL_COPY + "1 0 1000 0000");
    EXPECT_EQ(picture.at(16 + 8, 0), picture.ref(0, 1));
    EXPECT_EQ(picture.at(31, 31), picture.ref(31, 31));
    EXPECT_EQ(picture.at(16, 31), picture.ref(16, 31));
}

TEST(ZleFrame, AllIntraFramesHaveNoCopyFlags) {
    ZlePicture picture;
    picture.flags.all_intra = true;
    picture.decode(coded_macroblock("001"));  // +1, +1, +1, +1: predictor 4 in the last block
    EXPECT_EQ(picture.result, DCT_DECODED);
    EXPECT_EQ(picture.decoder.zle_reader.bit_position, 4u * 5 + 2 * 4);
    EXPECT_EQ(picture.at(0, 0), picture.summed(0));
    EXPECT_EQ(picture.at(15, 15), picture.summed(2));
}

TEST(ZleFrame, PredictorCarriesPastCopiedMacroblocks) {
    ZlePicture picture;
    picture.width = 48;
    picture.decode(std::string("0")
                       .append(coded_macroblock("001"))
                       .append(STILL_COPY)
                       .append("0")
                       .append(coded_macroblock("100")));
    EXPECT_EQ(picture.result, DCT_DECODED);
    EXPECT_EQ(picture.at(47, 0), picture.summed(2));
    EXPECT_EQ(picture.at(47, 0), picture.at(15, 15));
}

// A predictor of 200 gives samples of 100, outside the summed tables' range: they wrap.
TEST(ZleFrame, LargeLumaPredictorWrapsThroughTheSummedTables) {
    ZlePicture picture;
    picture.flags.all_intra = true;
    picture.decode("1111110 11001000 10" + std::string("100 10 100 10 100 10") + " 00 10 00 10");
    EXPECT_EQ(picture.at(0, 0), picture.summed(100));
    EXPECT_EQ(picture.at(0, 0), picture.summed(100 - 128));
}

TEST(ZleFrame, ChannelConversionOfNeutralChromaIsGreen) {
    ZlePicture picture;
    picture.flags = {true, true};
    picture.decode(coded_macroblock("100"));
    EXPECT_EQ(picture.at(3, 3), picture.tables->green_table[250]);
    EXPECT_EQ(picture.at(3, 3) & 0xF81Fu, 0u);
}

TEST(ZleFrame, StreamEndingEarlyStopsTheFrame) {
    ZlePicture picture;
    picture.width = 32;
    picture.flags.all_intra = true;
    std::vector<uint8_t> stream = zle_stream_from_bits(coded_macroblock("001"));
    stream.resize(5);  // the second macroblock is not there, the first one is cut short
    picture.decode_stream(stream);
    EXPECT_EQ(picture.result, DCT_TRUNCATED);
    picture.decode_stream({});
    EXPECT_EQ(picture.result, DCT_TRUNCATED);
    EXPECT_EQ(picture.at(0, 0), 0xABAB);
}

TEST(ZleFrame, BrokenBlockStopsTheFrameAndKeepsWhatWasDecoded) {
    ZlePicture picture;
    picture.width = 32;
    picture.flags.all_intra = true;
    picture.decode(coded_macroblock("001") + "100 000001 111111 00000001");
    EXPECT_EQ(picture.result, DCT_BAD_BLOCK);
    EXPECT_EQ(picture.at(15, 15), picture.summed(2));
    EXPECT_EQ(picture.at(16, 0), 0xABAB);
}

TEST(ZleFrame, SizesAreCheckedAndEdgesClipped) {
    ZlePicture bad;
    bad.width = 0;
    bad.decode(STILL_COPY);
    EXPECT_EQ(bad.result, DCT_BAD_SIZE);

    ZlePicture odd;
    odd.width = 20;
    odd.height = 18;
    odd.flags.all_intra = true;
    std::string bits;
    for (int mb = 0; mb < 4; ++mb) {
        bits += coded_macroblock("100");
    }
    odd.decode(bits);
    EXPECT_EQ(odd.result, DCT_DECODED);
    EXPECT_EQ(odd.at(19, 17), odd.summed(0));

    ZlePicture copies;
    copies.width = 20;
    copies.height = 18;
    copies.numbered_reference();
    copies.decode(STILL_COPY + STILL_COPY + "1 0 0000 1000" + "1 0 1000 1000");
    EXPECT_EQ(copies.result, DCT_DECODED);
    EXPECT_EQ(copies.at(19, 17), copies.ref(19, 17));
}

TEST(ZleFrame, HeaderSetsTheFrameFlags) {
    DctHeader header{};
    const std::vector<uint8_t> payload = {0x80, 0x02, 0xE0, 0x01, 90, 0, 0, 0xFF};
    zle_read_header(payload.data(), uint32_t(payload.size()), header);
    EXPECT_EQ(header.width, 640);
    EXPECT_EQ(header.height, 480);
    EXPECT_EQ(header.quality, 90);
    EXPECT_EQ(header.zle_channel_conversion, 2);
    EXPECT_EQ(header.zle_all_intra, 1);
}

}  // namespace

}  // namespace qx
