// The fast Mnb block decoder against a plain one written straight from the code table: one bit
// at a time, bytes past the record reading as zero.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "codecs/dct/mnb_bit_reader.h"

namespace qx {

namespace {

struct PlainBits {
    const uint8_t* bytes;
    size_t size;
    size_t position = 0;

    uint32_t take(int32_t count) {
        uint32_t value = 0;
        for (int32_t i = 0; i < count; ++i, ++position) {
            const uint32_t byte = position / 8 < size ? bytes[position / 8] : 0;
            value |= ((byte >> (position % 8)) & 1) << i;
        }
        return value;
    }
};

int32_t times(int32_t level, int32_t step) {
    return static_cast<int32_t>(static_cast<uint32_t>(level) * static_cast<uint32_t>(step));
}

CoefficientBlock plain_decode_block(PlainBits& bits, const DequantTable& table) {
    CoefficientBlock block{};
    block.values[0] = times(static_cast<int8_t>(bits.take(8)), table.values[0]);
    int32_t position = 1;
    while (position <= 63) {
        const uint32_t low = bits.take(3);
        int32_t level = 0;
        int32_t advance = 1;
        if (low == 4) {
            advance = 2;
        } else if (low == 2 || low == 6) {
            level = low == 2 ? 1 : -1;
        } else if (low & 1) {
            const uint32_t code = low | bits.take(5) << 3;
            if ((code & 3) == 1) {
                advance = static_cast<int32_t>(code >> 2);
            } else if (code == 0xFF) {
                level = static_cast<int8_t>(bits.take(8));
            } else {
                level = static_cast<int8_t>(code) >> 2;
            }
        }
        if (level != 0) {
            const uint8_t i = scan_index[position];
            block.values[i] = times(level, table.values[i]);
        }
        position += advance;
    }
    return block;
}

// Codes as an encoder mixes them (mostly 3-bit, some levels, escapes and runs, now and then a
// run of 0 or 1 or past the block), packed least significant bit first.
std::vector<uint8_t> coded_bytes(std::mt19937& random, size_t size) {
    std::vector<uint8_t> bytes(size + 4, 0);
    size_t bit = 0;
    const auto put = [&](uint32_t value, int32_t count) {
        for (int32_t i = 0; i < count; ++i, ++bit) {
            bytes[bit / 8] |= uint8_t(((value >> i) & 1) << (bit % 8));
        }
    };
    while (bit + 16 <= 8 * size) {
        const uint32_t pick = random() % 100;
        if (pick < 70) {
            put(2 * (random() % 4), 3);
        } else if (pick < 84) {
            put((random() % 64) << 2 | 3, 8);
        } else if (pick < 88) {
            put(0xFF, 8);
            put(random() % 256, 8);
        } else {
            put((random() % 64) << 2 | 1, 8);
        }
    }
    bytes.resize(size);
    return bytes;
}

DequantTable random_table(std::mt19937& random, bool wrapping) {
    DequantTable table;
    for (int32_t& step : table.values) {
        step = wrapping ? static_cast<int32_t>(random()) : static_cast<int32_t>(random() % 100000);
    }
    return table;
}

// Decodes eight blocks (two past the six a record carries) from `size` bytes at `record` with
// both decoders and reports the first block that differs.
void expect_same_blocks(const uint8_t* record, size_t size, const DequantTable& table) {
    MnbBitReader reader;
    mnb_reader_start(reader, record, size);
    PlainBits bits{record, size};
    for (int32_t b = 0; b < 8; ++b) {
        CoefficientBlock fast;
        mnb_decode_block(reader, table, fast);
        const CoefficientBlock plain = plain_decode_block(bits, table);
        ASSERT_EQ(std::vector<int32_t>(fast.values, fast.values + 64),
                  std::vector<int32_t>(plain.values, plain.values + 64))
            << "record of " << size << " bytes, block " << b;
    }
}

TEST(MnbBlockReference, EveryRecordLengthAndTable) {
    std::mt19937 random(14);
    for (size_t size = 13; size <= 255; ++size) {
        for (int32_t round = 0; round < 6; ++round) {
            const DequantTable table = random_table(random, round % 2 == 1);
            std::vector<uint8_t> record = coded_bytes(random, size);
            if (round >= 4) {
                for (uint8_t& byte : record) {
                    byte = uint8_t(random());
                }
            }
            // Exactly sized, so that a sanitizer sees any read past the record.
            expect_same_blocks(record.data(), record.size(), table);
        }
    }
}

// A record cut short inside memory that holds more bytes: those bytes must read as zero.
TEST(MnbBlockReference, TruncatedRecordsReadZerosBeyondTheirEnd) {
    std::mt19937 random(7);
    const DequantTable table = random_table(random, true);
    for (int32_t round = 0; round < 200; ++round) {
        const std::vector<uint8_t> memory = coded_bytes(random, 64);
        const size_t size = 1 + random() % 40;
        expect_same_blocks(memory.data(), size, table);
    }
}

}  // namespace

}  // namespace qx
