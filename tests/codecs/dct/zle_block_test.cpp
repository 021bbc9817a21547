#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "codecs/dct/idct.h"
#include "codecs/dct/zle_bit_reader.h"
#include "codecs/dct/zle_codes.h"
#include "codecs/dct/zle_frame.h"
#include "tests/codecs/dct/dct_test_support.h"

namespace {

DequantTable zle_table(int32_t quality) {
    DequantTable table;
    zle_build_dequant_table(table, quality);
    return table;
}

struct DecodedBlock {
    bool ok;
    CoefficientBlock block;
    uint32_t bits_used;
    int32_t predictor;
};

DecodedBlock decode_pattern(const std::string& pattern, ZleComponent component = ZLE_LUMA,
                            int32_t quality = 50) {
    const std::vector<uint8_t> stream = zle_stream_from_bits(pattern);
    const DequantTable table = zle_table(quality);
    ZleBitReader reader;
    zle_reader_start(reader, stream.data(), uint32_t(stream.size()));
    DecodedBlock out{};
    out.ok = zle_decode_block(reader, component, table, out.block);
    out.bits_used = reader.bit_position;
    out.predictor = reader.dc_predictor[component];
    return out;
}

std::string bits_of(uint32_t value, int length) {
    std::string s;
    for (int i = length - 1; i >= 0; --i) {
        s += ((value >> i) & 1) ? '1' : '0';
    }
    return s;
}

TEST(ZleReader, PeeksAcrossWordsMostSignificantFirst) {
    const std::vector<uint8_t> stream = {0x78, 0x56, 0x34, 0x12, 0xF0, 0xDE, 0xBC, 0x9A};
    ZleBitReader reader;
    zle_reader_start(reader, stream.data(), uint32_t(stream.size()));
    EXPECT_EQ(zle_read_bits(reader, 4), 0x1u);
    EXPECT_EQ(zle_read_bits(reader, 24), 0x234567u);
    EXPECT_EQ(zle_read_bits(reader, 8), 0x89u);  // straddles the two words
    EXPECT_EQ(zle_peek_bits(reader, 28), 0xABCDEF0u);
    EXPECT_EQ(zle_read_bits(reader, 32), 0xABCDEF00u);  // past the end reads zero
    EXPECT_TRUE(zle_reader_overrun(reader));
}

TEST(ZleReader, OddLengthStreamsPadWithZeros) {
    const std::vector<uint8_t> stream = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    ZleBitReader reader;
    zle_reader_start(reader, stream.data(), uint32_t(stream.size()));
    reader.bit_position = 32;
    EXPECT_EQ(zle_peek_bits(reader, 16), 0u);  // the lone fifth byte is the word's low byte
    reader.bit_position = 56;
    EXPECT_EQ(zle_peek_bits(reader, 8), 0xFFu);
}

TEST(ZleBlockDc, LumaSizeCodes) {
    const DecodedBlock zero = decode_pattern("100 10");
    EXPECT_EQ(zero.predictor, 0);
    EXPECT_EQ(zero.bits_used, 5u);
    EXPECT_EQ(decode_pattern("00 0 10").predictor, -1);
    EXPECT_EQ(decode_pattern("00 1 10").predictor, 1);
    EXPECT_EQ(decode_pattern("01 00 10").predictor, -3);
    EXPECT_EQ(decode_pattern("1111110 11001000 10").predictor, 200);
    EXPECT_EQ(decode_pattern("1111110 00110111 10").predictor, -200);
}

TEST(ZleBlockDc, ChromaSizeCodes) {
    EXPECT_EQ(decode_pattern("00 10", ZLE_CB).predictor, 0);
    EXPECT_EQ(decode_pattern("01 1 10", ZLE_CR).predictor, 1);
    EXPECT_EQ(decode_pattern("11111110 00000000 10", ZLE_CB).predictor, -255);
}

// All ones is no code: size 0 and nothing consumed, so the AC codes start on those ones.
TEST(ZleBlockDc, AllOnesPatternConsumesNothing) {
    // "111" "111" "10": level -1 at positions 1 and 2, then end of block.
    const DecodedBlock luma = decode_pattern("1111111 0 10", ZLE_LUMA, 100);
    const DequantTable table = zle_table(100);
    EXPECT_EQ(luma.predictor, 0);
    EXPECT_EQ(luma.bits_used, 8u);
    EXPECT_EQ(luma.block.values[scan_index[1]], -table.values[scan_index[1]]);
    EXPECT_EQ(luma.block.values[scan_index[2]], -table.values[scan_index[2]]);
}

TEST(ZleBlockAc, EscapesCarryEightOrSixteenBitLevels) {
    const DequantTable table = zle_table(50);
    const DecodedBlock plus = decode_pattern("100 000001 000000 00000000 11001000 10");
    EXPECT_TRUE(plus.ok);
    EXPECT_EQ(plus.block.values[8], 200 * table.values[8]);
    const DecodedBlock minus = decode_pattern("100 000001 000000 10000000 00111000 10");
    EXPECT_EQ(minus.block.values[8], -200 * table.values[8]);
    const DecodedBlock small = decode_pattern("100 000001 000011 11111101 10");
    EXPECT_EQ(small.block.values[scan_index[4]], -3 * table.values[scan_index[4]]);
}

TEST(ZleBlockAc, TwelveZerosEndTheBlockWithoutConsuming) {
    const DecodedBlock block = decode_pattern("100 11 0 000000000000 1");
    EXPECT_TRUE(block.ok);
    EXPECT_EQ(block.bits_used, 6u);
}

TEST(ZleBlockAc, RunsPastPosition63AreRefused) {
    EXPECT_FALSE(decode_pattern("100 000001 111111 00000001").ok);
    std::string full = "100";
    for (int i = 0; i < 63; ++i) {
        full += "11 0";
    }
    EXPECT_TRUE(decode_pattern(full + "10").ok);
    EXPECT_FALSE(decode_pattern(full + "11 0").ok);  // no end of block after position 63
}

// Every code of dct_coeff_next, with either sign, decodes to its run and level.
TEST(ZleBlockAc, EveryCodeOfTheTableDecodesToItsEntry) {
    const DequantTable table = zle_table(100);
    for (const ZleCoeffCode& code : ZLE_DCT_COEFF_NEXT) {
        for (int sign = 0; sign < 2; ++sign) {
            const std::string pattern =
                "100 " + bits_of(code.bits, code.length) + (sign ? "1" : "0") + " 10";
            const DecodedBlock out = decode_pattern(pattern, ZLE_LUMA, 100);
            const int index = scan_index[code.run + 1];
            ASSERT_TRUE(out.ok) << pattern;
            EXPECT_EQ(out.block.values[index], (sign ? -1 : 1) * code.level * table.values[index])
                << pattern;
            EXPECT_EQ(out.bits_used, 3u + code.length + 1 + 2) << pattern;
        }
    }
    EXPECT_EQ(decode_pattern("100 10").bits_used, 5u);
}

// The shape of the standard's table: 111 run/level pairs, each once, prefix-free, filling
// the code space except the twelve-zero prefix, with the largest level of every run.
TEST(ZleBlockAc, CoefficientTableHasTheStandardShape) {
    std::vector<std::string> codes;
    std::map<int, int> largest_level;
    std::map<std::pair<int, int>, int> seen;
    for (const ZleCoeffCode& code : ZLE_DCT_COEFF_NEXT) {
        codes.push_back(bits_of(code.bits, code.length));
        largest_level[code.run] = std::max(largest_level[code.run], int(code.level));
        ++seen[{code.run, code.level}];
    }
    codes.push_back(bits_of(ZLE_END_OF_BLOCK.bits, ZLE_END_OF_BLOCK.length));
    codes.push_back(bits_of(ZLE_ESCAPE.bits, ZLE_ESCAPE.length));
    EXPECT_EQ(seen.size(), 111u);
    double kraft = 0;
    for (const std::string& a : codes) {
        kraft += std::ldexp(1.0, -int(a.size()));
        for (const std::string& b : codes) {
            if (&a != &b) {
                EXPECT_NE(b.rfind(a, 0), 0u) << a << " is a prefix of " << b;
            }
        }
    }
    EXPECT_DOUBLE_EQ(kraft, 1.0 - std::ldexp(1.0, -12));
    const std::map<int, int> standard = {
        {0, 40}, {1, 18}, {2, 5},  {3, 4},  {4, 3},  {5, 3},  {6, 3},  {7, 2},
        {8, 2},  {9, 2},  {10, 2}, {11, 2}, {12, 2}, {13, 2}, {14, 2}, {15, 2},
        {16, 2}, {17, 1}, {18, 1}, {19, 1}, {20, 1}, {21, 1}, {22, 1}, {23, 1},
        {24, 1}, {25, 1}, {26, 1}, {27, 1}, {28, 1}, {29, 1}, {30, 1}, {31, 1}};
    EXPECT_EQ(largest_level, standard);
}

TEST(ZleBlockDc, PredictorRunsAcrossBlocks) {
    const std::vector<uint8_t> stream = zle_stream_from_bits("001 10 001 10 01 11 10 01 1 10");
    const DequantTable table = zle_table(50);
    ZleBitReader reader;
    zle_reader_start(reader, stream.data(), uint32_t(stream.size()));
    CoefficientBlock block;
    ASSERT_TRUE(zle_decode_block(reader, ZLE_LUMA, table, block));
    ASSERT_TRUE(zle_decode_block(reader, ZLE_LUMA, table, block));
    EXPECT_EQ(reader.dc_predictor[ZLE_LUMA], 2);
    EXPECT_EQ(block.values[0], 2 * 65536);
    ASSERT_TRUE(zle_decode_block(reader, ZLE_LUMA, table, block));
    EXPECT_EQ(reader.dc_predictor[ZLE_LUMA], 5);
    ASSERT_TRUE(zle_decode_block(reader, ZLE_CB, table, block));
    EXPECT_EQ(reader.dc_predictor[ZLE_CB], 1);
    EXPECT_EQ(reader.dc_predictor[ZLE_LUMA], 5);
}

TEST(ZleDequant, TellingValues) {
    const DequantTable q50 = zle_table(50);
    EXPECT_EQ(q50.values[1], 336642);
    EXPECT_EQ(q50.values[8], 336642);
    EXPECT_EQ(q50.values[63], 31821593);
    const DequantTable q0 = zle_table(0);
    EXPECT_EQ(q0.values[1], 631942);
    EXPECT_EQ(q0.values[63], 59735271);
    const DequantTable q100 = zle_table(100);
    EXPECT_EQ(q100.values[1], 47248);
    EXPECT_EQ(q100.values[63], 860952);
    for (const DequantTable* table : {&q50, &q0, &q100}) {
        EXPECT_EQ(table->values[0], 65536);
    }
}

// The integer form equals rounding prescale * k / 65536 half up, k from the floating form.
TEST(ZleDequant, IntegerFormMatchesTheFloatingForm) {
    for (int quality = 0; quality < 100; ++quality) {
        const DequantTable table = zle_table(quality);
        for (int i = 1; i < 64; ++i) {
            const auto k = static_cast<int64_t>(ZLE_DEFAULT_INTRA_MATRIX[i] *
                                                ((107 - quality) * 0.0625) * 65536);
            const int64_t expected = (int64_t{idct_prescale[i]} * k + 32768) >> 16;
            ASSERT_EQ(table.values[i], expected) << quality << " " << i;
        }
    }
}

}  // namespace
