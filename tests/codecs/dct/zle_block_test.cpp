#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "authoring/dct_scene.h"
#include "authoring/zle_encoder.h"

#include "codecs/dct/idct.h"
#include "codecs/dct/zle_bit_reader.h"
#include "codecs/dct/zle_codes.h"
#include "codecs/dct/zle_frame.h"
#include "tests/codecs/dct/dct_test_support.h"

namespace qx {

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

// A plain reading of Zle blocks to hold the block decoder against: one bit at a time, every
// code found by walking the tables, position and predictors kept apart from the decoder's.
class ReferenceReader {
  public:
    explicit ReferenceReader(const std::vector<uint8_t>& stream) : stream_(stream) {}

    uint32_t peek(int32_t k) const {
        uint32_t value = 0;
        for (int32_t i = 0; i < k; ++i) {
            value = value << 1 | bit_at(position + uint32_t(i));
        }
        return value;
    }
    uint32_t read(int32_t k) {
        const uint32_t value = peek(k);
        position += uint32_t(k);
        return value;
    }
    // Reads bits until they form one of `codes`; null if none matches within 16 bits.
    template <typename Code, size_t N>
    const Code* read_code(const Code (&codes)[N]) {
        uint32_t value = 0;
        for (int32_t length = 1; length <= 16; ++length) {
            value = value << 1 | read(1);
            for (const Code& code : codes) {
                if (code.length == length && code.bits == value) {
                    return &code;
                }
            }
        }
        return nullptr;
    }

    uint32_t position = 0;
    int32_t predictor[3] = {};

  private:
    // Bit 0 of the stream is the top bit of the first little-endian word, so byte 3.
    uint32_t bit_at(uint32_t p) const {
        const uint64_t byte = uint64_t{p / 32} * 4 + 3 - p % 32 / 8;
        return byte < stream_.size() ? (stream_[byte] >> (7 - p % 8)) & 1 : 0;
    }

    const std::vector<uint8_t>& stream_;
};

// dct_coeff_next with the end of block and the escape, as one list to walk.
const ZleCoeffCode (&every_coeff_code())[113] {
    static ZleCoeffCode codes[113];
    std::copy(std::begin(ZLE_DCT_COEFF_NEXT), std::end(ZLE_DCT_COEFF_NEXT), codes);
    codes[111] = ZLE_END_OF_BLOCK;
    codes[112] = ZLE_ESCAPE;
    return codes;
}

bool same_code(const ZleCoeffCode& a, const ZleCoeffCode& b) {
    return a.bits == b.bits && a.length == b.length;
}

bool reference_decode_block(ReferenceReader& reader, ZleComponent component,
                            const DequantTable& table, CoefficientBlock& block) {
    const int32_t width = component == ZLE_LUMA ? 7 : 8;
    int32_t size = 0;
    if (reader.peek(width) != (1u << width) - 1) {
        size = component == ZLE_LUMA ? reader.read_code(ZLE_DC_SIZE_LUMINANCE)->size
                                     : reader.read_code(ZLE_DC_SIZE_CHROMINANCE)->size;
    }
    int32_t difference = 0;
    if (size > 0) {
        const auto v = int32_t(reader.read(size));
        difference = (v >> (size - 1)) != 0 ? v : v - ((1 << size) - 1);
    }
    int32_t& predictor = reader.predictor[component];
    predictor = int32_t(uint32_t(predictor) + uint32_t(difference));
    block = {};
    block.values[0] = int32_t(uint32_t(predictor) * uint32_t(table.values[0]));
    int32_t position = 0;
    while (reader.peek(12) != 0) {
        const ZleCoeffCode* code = reader.read_code(every_coeff_code());
        if (same_code(*code, ZLE_END_OF_BLOCK)) {
            return true;
        }
        int32_t run = code->run;
        int32_t level = code->level;
        if (same_code(*code, ZLE_ESCAPE)) {
            run = int32_t(reader.read(6));
            const uint32_t level_byte = reader.read(8);
            level = level_byte == 0      ? int32_t(reader.read(8))
                    : level_byte == 0x80 ? int32_t(reader.read(8)) - 256
                                         : int8_t(level_byte);
        } else if (reader.read(1) != 0) {
            level = -level;
        }
        position += run + 1;
        if (position > 63) {
            return false;
        }
        const int32_t i = scan_index[position];
        block.values[i] = int32_t(uint32_t(level) * uint32_t(table.values[i]));
    }
    return true;
}

// Decodes `blocks` blocks in macroblock order (four luma, Cb, Cr) with both readers, going on
// past refused blocks and the stream's end, and expects the same at every step.
void expect_reference_decoding(const std::vector<uint8_t>& stream, int32_t blocks,
                               int32_t quality = 50) {
    const DequantTable table = zle_table(quality);
    ZleBitReader reader;
    zle_reader_start(reader, stream.data(), uint32_t(stream.size()));
    ReferenceReader reference(stream);
    for (int32_t b = 0; b < blocks; ++b) {
        const ZleComponent component = b % 6 < 4 ? ZLE_LUMA : b % 6 == 4 ? ZLE_CB : ZLE_CR;
        CoefficientBlock ours;
        CoefficientBlock expected;
        const bool ok = zle_decode_block(reader, component, table, ours);
        ASSERT_EQ(ok, reference_decode_block(reference, component, table, expected))
            << "block " << b;
        ASSERT_EQ(reader.bit_position, reference.position) << "block " << b;
        ASSERT_EQ(std::memcmp(ours.values, expected.values, sizeof ours.values), 0)
            << "block " << b;
        ASSERT_EQ(reader.dc_predictor[component], reference.predictor[component]);
        ASSERT_EQ(zle_reader_overrun(reader), reference.position > stream.size() * 8);
    }
}

// A random block as a bit pattern: any DC size (or the all-ones non-code), then mostly short
// codes with some long ones and escapes of all three level forms; now and then a run past
// position 63 or no end of block.
std::string random_block(std::mt19937& random, ZleComponent component) {
    const auto& dc_codes = component == ZLE_LUMA ? ZLE_DC_SIZE_LUMINANCE : ZLE_DC_SIZE_CHROMINANCE;
    std::string bits;
    if (random() % 16 == 0) {
        bits = component == ZLE_LUMA ? "1111111" : "11111111";
    } else {
        const ZleDcSizeCode& dc = dc_codes[random() % 9];
        bits = bits_of(dc.bits, dc.length) + bits_of(random(), dc.size);
    }
    const auto codes = int32_t(random() % 24);
    for (int32_t c = 0; c < codes; ++c) {
        const uint32_t kind = random() % 16;
        if (kind == 0) {
            const uint32_t level_byte = random() % 4 == 0 ? (random() % 2) * 0x80 : random() % 256;
            bits += bits_of(ZLE_ESCAPE.bits, ZLE_ESCAPE.length) + bits_of(random() % 8, 6) +
                    bits_of(level_byte, 8) + bits_of(random(), (level_byte & 0x7F) ? 0 : 8);
        } else {
            // The first 23 codes are the short, frequent ones.
            const ZleCoeffCode& code =
                ZLE_DCT_COEFF_NEXT[kind < 12 ? random() % 23 : random() % 111];
            bits += bits_of(code.bits, code.length) + bits_of(random(), 1);
        }
    }
    return random() % 32 == 0 ? bits : bits + "10";
}

TEST(ZleBlockReference, RandomCodeSequencesCutAnywhere) {
    std::mt19937 random(14);
    for (int trial = 0; trial < 300; ++trial) {
        std::string pattern;
        const int32_t blocks = 1 + int32_t(random() % 60);
        for (int32_t b = 0; b < blocks; ++b) {
            pattern += random_block(random, b % 6 < 4 ? ZLE_LUMA : b % 6 == 4 ? ZLE_CB : ZLE_CR);
        }
        std::vector<uint8_t> stream = zle_stream_from_bits(pattern);
        stream.resize(random() % 4 == 0 ? random() % (stream.size() + 1) : stream.size());
        expect_reference_decoding(stream, blocks + 6);
        if (HasFatalFailure()) {
            return;
        }
    }
}

// Random bytes hit the long codes, the escapes and the twelve-zero stop far more often than
// real streams do; zero bytes are made common so that the stop occurs.
TEST(ZleBlockReference, RandomBytes) {
    std::mt19937 random(15);
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<uint8_t> stream(random() % 200);
        for (uint8_t& byte : stream) {
            byte = random() % 3 == 0 ? 0 : uint8_t(random());
        }
        expect_reference_decoding(stream, 60, int32_t(random() % 101));
        if (HasFatalFailure()) {
            return;
        }
    }
}

// An escape-laden block cut at every byte: the stream ends inside the escape fields, before
// and after a word boundary, with lengths that are not whole words.
TEST(ZleBlockReference, StreamsEndingInsideEscapes) {
    const std::vector<uint8_t> full = zle_stream_from_bits(
        "101 0 000001 000011 00000000 11001000 000001 000001 10000000 00111000"
        "0000 0000 0001 0011 1 000001 111111 01111111 10 01 1 10");
    for (size_t bytes = 0; bytes <= full.size(); ++bytes) {
        expect_reference_decoding(std::vector<uint8_t>(full.begin(), full.begin() + bytes), 8);
        ASSERT_FALSE(HasFatalFailure()) << bytes << " bytes";
    }
}

// Encoder output, whole and cut short: long runs of blocks carrying the DC predictors.
TEST(ZleBlockReference, EncodedPictures) {
    std::mt19937 random(16);
    for (const int32_t quality : {10, 75, 100}) {
        const std::vector<uint8_t> rgb = dct_scene(96, 64);
        const std::vector<uint8_t> payload =
            ZleEncoder({quality, false, false}).encode(RgbPicture{96, 64, rgb.data()});
        ASSERT_EQ(payload[7] & 1, 1);  // all intra: the stream is blocks only
        const std::vector<uint8_t> stream(payload.begin() + 8, payload.end());
        const int32_t blocks = 6 * 6 * 4;
        expect_reference_decoding(stream, blocks, payload[4]);
        for (int cut = 0; cut < 4; ++cut) {
            const auto end = stream.begin() + std::ptrdiff_t(random() % stream.size());
            expect_reference_decoding(std::vector<uint8_t>(stream.begin(), end), blocks,
                                      payload[4]);
        }
        ASSERT_FALSE(HasFatalFailure()) << "quality " << quality;
    }
}

}  // namespace

}  // namespace qx
