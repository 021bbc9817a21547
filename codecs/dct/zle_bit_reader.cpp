#include "codecs/dct/zle_bit_reader.h"

#include <array>
#include <bit>
#include <cstring>

#include "base/byte_order.h"
#include "codecs/dct/wrapping.h"
#include "codecs/dct/zle_codes.h"

namespace qx {

namespace {

// DC size lookups indexed by the next 7 (luma) or 8 (chroma) bits; the all-ones window keeps
// the default of size 0 and no bits consumed.
struct DcSizeLookup {
    uint8_t size;
    uint8_t length;
};

template <size_t Bits>
constexpr std::array<DcSizeLookup, size_t{1} << Bits> dc_size_lookup(
    const ZleDcSizeCode (&codes)[9]) {
    std::array<DcSizeLookup, size_t{1} << Bits> lookup{};
    for (const ZleDcSizeCode& code : codes) {
        const size_t first = size_t{code.bits} << (Bits - code.length);
        for (size_t i = 0; i < size_t{1} << (Bits - code.length); ++i) {
            lookup[first + i] = {code.size, code.length};
        }
    }
    return lookup;
}

constexpr auto DC_LUMA_LOOKUP = dc_size_lookup<7>(ZLE_DC_SIZE_LUMINANCE);
constexpr auto DC_CHROMA_LOOKUP = dc_size_lookup<8>(ZLE_DC_SIZE_CHROMINANCE);

// dct_coeff_next in two levels: the leading zeros of a 16-bit window (0..11) select a group,
// the bits after the first one index it.
enum CoeffKind : uint8_t { COEFF_LEVEL, COEFF_END_OF_BLOCK, COEFF_ESCAPE };

struct CoeffLookup {
    uint8_t kind;
    uint8_t length;
    uint8_t run;
    uint8_t level;
};

constexpr int32_t GROUP_BITS[12] = {1, 2, 5, 2, 2, 0, 3, 4, 4, 4, 4, 4};

constexpr std::array<int32_t, 13> group_offsets() {
    std::array<int32_t, 13> offsets{};
    for (int32_t zeros = 0; zeros < 12; ++zeros) {
        offsets[zeros + 1] = offsets[zeros] + (1 << GROUP_BITS[zeros]);
    }
    return offsets;
}

constexpr auto GROUP_OFFSETS = group_offsets();

constexpr void add_coeff_code(std::array<CoeffLookup, GROUP_OFFSETS[12]>& lookup,
                              const ZleCoeffCode& code, uint8_t kind) {
    const int32_t zeros = code.length - std::bit_width(unsigned{code.bits});
    const int32_t after = code.length - zeros - 1;
    const int32_t spare = GROUP_BITS[zeros] - after;
    const int32_t tail = code.bits & ((1 << after) - 1);
    for (int32_t i = 0; i < (1 << spare); ++i) {
        lookup[GROUP_OFFSETS[zeros] + (tail << spare) + i] = {kind, code.length, code.run,
                                                              code.level};
    }
}

constexpr std::array<CoeffLookup, GROUP_OFFSETS[12]> coeff_lookup() {
    std::array<CoeffLookup, GROUP_OFFSETS[12]> lookup{};
    for (const ZleCoeffCode& code : ZLE_DCT_COEFF_NEXT) {
        add_coeff_code(lookup, code, COEFF_LEVEL);
    }
    add_coeff_code(lookup, ZLE_END_OF_BLOCK, COEFF_END_OF_BLOCK);
    add_coeff_code(lookup, ZLE_ESCAPE, COEFF_ESCAPE);
    return lookup;
}

constexpr auto COEFF_LOOKUP = coeff_lookup();

constexpr bool every_window_decodes() {
    for (const CoeffLookup& entry : COEFF_LOOKUP) {
        if (entry.length == 0) {
            return false;
        }
    }
    return true;
}
static_assert(every_window_decodes(),
              "dct_coeff_next leaves a window with 1..11 leading "
              "zeros undecoded");

const CoeffLookup& lookup_coeff(uint32_t window16) {
    const int32_t zeros = std::countl_zero(window16 << 16);
    const uint32_t after = (window16 << (zeros + 1)) & 0xFFFF;
    return COEFF_LOOKUP[GROUP_OFFSETS[zeros] + (after >> (16 - GROUP_BITS[zeros]))];
}

// The stream's last word when it is cut short, and the zero words past it.
[[gnu::noinline]] uint32_t load_word_at_end(const uint8_t* words, uint32_t stream_bytes,
                                            uint64_t offset) {
    uint8_t bytes[4] = {};
    if (offset < stream_bytes) {
        std::memcpy(bytes, words + offset, stream_bytes - offset);
    }
    return load_le32(bytes);
}

// Word `word` of the stream; bytes past its end read as zero and are never loaded.
[[gnu::always_inline]] inline uint32_t load_word(const uint8_t* words, uint32_t stream_bytes,
                                                 uint32_t word) {
    const uint64_t offset = uint64_t{word} * 4;
    if (offset + 4 <= stream_bytes) [[likely]] {
        return load_le32(words + offset);
    }
    return load_word_at_end(words, stream_bytes, offset);
}

// The bits from the reader's position held in a register for the length of one block, so
// that a code costs a shift and a look-up; one word is loaded whenever fewer than 32 remain.
// The stream is copied in so that stores to the block cannot make the compiler reload it.
struct BitCache {
    const uint8_t* words;
    uint32_t stream_bytes;
    uint64_t bits;       // the next bit at the top, zeros below the `count` valid ones
    int32_t count;       // 32..64 whenever a code starts
    uint32_t next_word;  // the word the next refill loads
};

[[gnu::always_inline]] inline BitCache cache_start(const ZleBitReader& reader) {
    const uint32_t word = reader.bit_position / 32;
    const uint32_t skip = reader.bit_position % 32;
    const uint64_t window = uint64_t{load_word(reader.words, reader.stream_bytes, word)} << 32 |
                            load_word(reader.words, reader.stream_bytes, word + 1);
    return {reader.words, reader.stream_bytes, window << skip, 64 - static_cast<int32_t>(skip),
            word + 2};
}

// The reader's position, exact to the bit: what was loaded less what is still held.
uint32_t cache_position(const BitCache& cache) {
    return cache.next_word * 32 - static_cast<uint32_t>(cache.count);
}

void cache_refill(BitCache& cache) {
    if (cache.count < 32) {
        const uint32_t word = load_word(cache.words, cache.stream_bytes, cache.next_word++);
        cache.bits |= uint64_t{word} << (32 - cache.count);
        cache.count += 32;
    }
}

void cache_consume(BitCache& cache, uint32_t length) {
    cache.bits <<= length;
    cache.count -= static_cast<int32_t>(length);
}

// A size code of up to 8 bits and up to 8 bits of difference: 16 bits, all in the cache.
// Branch-free, as DC sizes of 0 and of 1..8 mix unpredictably.
int32_t dc_difference(BitCache& cache, ZleComponent component) {
    const DcSizeLookup code = component == ZLE_LUMA ? DC_LUMA_LOOKUP[cache.bits >> 57]
                                                    : DC_CHROMA_LOOKUP[cache.bits >> 56];
    const auto field = static_cast<uint32_t>((cache.bits << code.length) >> 48);
    const auto v = static_cast<int32_t>(field >> (16 - code.size));
    cache_consume(cache, code.length + code.size);
    const int32_t top_bit = (v << 1) >> code.size;  // 0 when size is 0, as is v
    return top_bit != 0 ? v : v + 1 - (1 << code.size);
}

// One coefficient code's effect on the block. `advance` moves the scan position: run + 1,
// or END_OF_BLOCK_ADVANCE, which no run reaches, for the end of block.
struct CoeffStep {
    int16_t level;
    uint8_t length;  // bits of the whole code, sign and escape fields included
    uint8_t advance;
};

constexpr uint8_t END_OF_BLOCK_ADVANCE = 128;

// The common codes resolved from the next SHORT_CODE_BITS bits in one look-up, sign folded in.
// Windows of longer codes and of the escape hold length 0 and go to the two-level look-up.
constexpr int32_t SHORT_CODE_BITS = 11;
static_assert(SHORT_CODE_BITS <= 12, "twelve zeros must reach the two-level look-up");

constexpr void add_short_code(std::array<CoeffStep, size_t{1} << SHORT_CODE_BITS>& table,
                              uint32_t bits, int32_t length, CoeffStep step) {
    const int32_t spare = SHORT_CODE_BITS - length;
    for (uint32_t i = 0; i < (1u << spare); ++i) {
        table[(bits << spare) | i] = step;
    }
}

constexpr std::array<CoeffStep, size_t{1} << SHORT_CODE_BITS> short_codes() {
    std::array<CoeffStep, size_t{1} << SHORT_CODE_BITS> table{};
    for (const ZleCoeffCode& code : ZLE_DCT_COEFF_NEXT) {
        const int32_t length = code.length + 1;
        if (length > SHORT_CODE_BITS) {
            continue;
        }
        const auto advance = static_cast<uint8_t>(code.run + 1);
        const auto bits = uint32_t{code.bits} << 1;
        add_short_code(table, bits, length, {code.level, uint8_t(length), advance});
        add_short_code(table, bits | 1, length, {int16_t(-code.level), uint8_t(length), advance});
    }
    add_short_code(table, ZLE_END_OF_BLOCK.bits, ZLE_END_OF_BLOCK.length,
                   {0, ZLE_END_OF_BLOCK.length, END_OF_BLOCK_ADVANCE});
    return table;
}

// Two codes from one look-up wherever both fit in the window: decoding is bound by the chain
// look-up, shift, look-up, so each link places as many coefficients as it can. An entry with
// one code repeats its coefficient as the second at advance 0: the second store then rewrites
// the same value, and no branch asks whether there is a second code.
struct CoeffPair {
    int16_t first_level;
    int16_t second_level;
    uint8_t first_advance;
    uint8_t second_advance;
    uint8_t first_length;  // 0: a long code, an escape or twelve zeros
    uint8_t length;        // both codes
};

constexpr CoeffPair one_code(CoeffStep step) {
    return {step.level, step.level, step.advance, 0, step.length, step.length};
}

constexpr std::array<CoeffPair, size_t{1} << SHORT_CODE_BITS> code_pairs() {
    constexpr auto short_table = short_codes();
    constexpr uint32_t mask = (1u << SHORT_CODE_BITS) - 1;
    std::array<CoeffPair, size_t{1} << SHORT_CODE_BITS> table{};
    for (uint32_t window = 0; window <= mask; ++window) {
        const CoeffStep first = short_table[window];
        const CoeffStep second = short_table[(window << first.length) & mask];
        const bool both_fit = first.length != 0 && first.advance != END_OF_BLOCK_ADVANCE &&
                              second.length != 0 && first.length + second.length <= SHORT_CODE_BITS;
        table[window] = both_fit ? CoeffPair{first.level,   second.level,
                                             first.advance, second.advance,
                                             first.length,  uint8_t(first.length + second.length)}
                                 : one_code(first);
    }
    return table;
}

constexpr auto CODE_PAIRS = code_pairs();

// An escape is 6 bits, a 6-bit run and a level byte, and 8 more bits of level when the byte
// is 0 or 0x80: at most 28 bits, all inside the window that held the escape code.
CoeffStep escape_code(uint32_t window) {
    const uint32_t fields = (window << 6) >> 18;
    const auto advance = static_cast<uint8_t>((fields >> 8) + 1);
    const uint32_t level_byte = fields & 0xFF;
    const auto extended = static_cast<int16_t>((window >> 4) & 0xFF);
    if (level_byte == 0) {
        return {extended, 28, advance};
    }
    if (level_byte == 0x80) {
        return {int16_t(extended - 256), 28, advance};
    }
    return {static_cast<int8_t>(level_byte), 20, advance};
}

// A code of the window's leading 17 bits (28 for an escape) that the short table leaves out.
CoeffStep long_code(uint32_t window) {
    const CoeffLookup& code = lookup_coeff(window >> 16);
    if (code.kind == COEFF_ESCAPE) {
        return escape_code(window);
    }
    const bool negative = ((window << code.length) >> 31) != 0;
    return {int16_t(negative ? -code.level : code.level), uint8_t(code.length + 1),
            uint8_t(code.run + 1)};
}

void store_coefficient(CoefficientBlock& block, const DequantTable& dequant_table, int32_t position,
                       int32_t level) {
    const uint8_t i = scan_index[position];
    block.values[i] = wrap_mul(level, dequant_table.values[i]);
}

}  // namespace

void zle_reader_start(ZleBitReader& reader, const uint8_t* stream, uint32_t stream_bytes) {
    reader.words = stream;
    reader.stream_bytes = stream_bytes;
    reader.bit_position = 0;
    reader.dc_predictor[0] = reader.dc_predictor[1] = reader.dc_predictor[2] = 0;
}

uint32_t zle_peek_bits(const ZleBitReader& reader, int32_t k) {
    return static_cast<uint32_t>(cache_start(reader).bits >> (64 - k));
}

uint32_t zle_read_bits(ZleBitReader& reader, int32_t k) {
    const uint32_t bits = zle_peek_bits(reader, k);
    zle_skip_bits(reader, k);
    return bits;
}

void zle_skip_bits(ZleBitReader& reader, int32_t k) {
    reader.bit_position += static_cast<uint32_t>(k);
}

bool zle_reader_overrun(const ZleBitReader& reader) {
    return reader.bit_position > uint64_t{reader.stream_bytes} * 8;
}

bool zle_decode_block(ZleBitReader& reader, ZleComponent component,
                      const DequantTable& dequant_table, CoefficientBlock& block) {
    BitCache cache = cache_start(reader);
    int32_t& predictor = reader.dc_predictor[component];
    predictor = wrap_add(predictor, dc_difference(cache, component));
    clear_coefficients(block);
    block.values[0] = wrap_mul(predictor, dequant_table.values[0]);

    // The longest variable-length code and its sign bit take 17 bits, an escape 28: a code
    // never needs more than the 32 the cache holds when it starts.
    int32_t position = 0;
    bool ended = true;
    for (;;) {
        cache_refill(cache);
        CoeffPair pair = CODE_PAIRS[cache.bits >> (64 - SHORT_CODE_BITS)];
        if (pair.first_length == 0) {
            const auto window = static_cast<uint32_t>(cache.bits >> 32);
            if ((window >> 20) == 0) {  // twelve zeros: no code starts like this
                break;
            }
            pair = one_code(long_code(window));
        }
        position += pair.first_advance;
        if (position > 63) {
            cache_consume(cache, pair.first_length);
            ended = pair.first_advance == END_OF_BLOCK_ADVANCE;
            break;
        }
        store_coefficient(block, dequant_table, position, pair.first_level);
        position += pair.second_advance;
        cache_consume(cache, pair.length);
        if (position > 63) {
            ended = pair.second_advance == END_OF_BLOCK_ADVANCE;
            break;
        }
        store_coefficient(block, dequant_table, position, pair.second_level);
    }
    reader.bit_position = cache_position(cache);
    return ended;
}

}  // namespace qx
