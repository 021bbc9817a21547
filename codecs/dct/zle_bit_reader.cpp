#include "codecs/dct/zle_bit_reader.h"

#include <array>
#include <bit>
#include <cstring>

#include "codecs/dct/wrapping.h"
#include "codecs/dct/zle_codes.h"

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

uint32_t load_le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Words `word` and `word + 1` as one 64-bit value, the first in the upper half.
uint64_t load_window(const ZleBitReader& reader, uint32_t word) {
    const uint64_t offset = uint64_t{word} * 4;
    if (offset + 8 <= reader.stream_bytes) {
        return uint64_t{load_le32(reader.words + offset)} << 32 |
               load_le32(reader.words + offset + 4);
    }
    uint8_t bytes[8] = {};
    if (offset < reader.stream_bytes) {
        std::memcpy(bytes, reader.words + offset, reader.stream_bytes - offset);
    }
    return uint64_t{load_le32(bytes)} << 32 | load_le32(bytes + 4);
}

// The 32 bits from the reader's position, zero past the stream. Internal, so that the block
// decoder has it inlined.
inline uint32_t peek_32(const ZleBitReader& reader) {
    const uint64_t window = load_window(reader, reader.bit_position / 32);
    return static_cast<uint32_t>((window << (reader.bit_position % 32)) >> 32);
}

// Every field of a DC code (a size code of up to 8 bits, then up to 8 bits of difference) lies
// within one 32-bit window, so one load serves the whole code.
int32_t dc_difference(ZleBitReader& reader, ZleComponent component) {
    const uint32_t window = peek_32(reader);
    const DcSizeLookup code =
        component == ZLE_LUMA ? DC_LUMA_LOOKUP[window >> 25] : DC_CHROMA_LOOKUP[window >> 24];
    reader.bit_position += code.length;
    if (code.size == 0) {
        return 0;
    }
    reader.bit_position += code.size;
    const auto v = static_cast<int32_t>((window << code.length) >> (32 - code.size));
    return (v >> (code.size - 1)) != 0 ? v : v - ((1 << code.size) - 1);
}

struct RunLevel {
    int32_t run;
    int32_t level;
    uint32_t bits;  // bits the whole code takes
};

// An escape is 6 bits, a 6-bit run and a level byte, and 8 more bits of level when the byte
// is 0 or 0x80: at most 28 bits, all inside the window that held the escape code.
RunLevel escape_code(uint32_t window) {
    const uint32_t fields = (window << 6) >> 18;
    const auto run = static_cast<int32_t>(fields >> 8);
    const uint32_t level_byte = fields & 0xFF;
    const auto extended = static_cast<int32_t>((window >> 4) & 0xFF);
    if (level_byte == 0) {
        return {run, extended, 28};
    }
    if (level_byte == 0x80) {
        return {run, extended - 256, 28};
    }
    return {run, static_cast<int8_t>(level_byte), 20};
}
}  // namespace

void zle_reader_start(ZleBitReader& reader, const uint8_t* stream, uint32_t stream_bytes) {
    reader.words = stream;
    reader.stream_bytes = stream_bytes;
    reader.bit_position = 0;
    reader.dc_predictor[0] = reader.dc_predictor[1] = reader.dc_predictor[2] = 0;
}

uint32_t zle_peek_bits(const ZleBitReader& reader, int32_t k) {
    return peek_32(reader) >> (32 - k);
}

uint32_t zle_read_bits(ZleBitReader& reader, int32_t k) {
    const uint32_t bits = zle_peek_bits(reader, k);
    reader.bit_position += static_cast<uint32_t>(k);
    return bits;
}

bool zle_reader_overrun(const ZleBitReader& reader) {
    return reader.bit_position > uint64_t{reader.stream_bytes} * 8;
}

bool zle_decode_block(ZleBitReader& reader, ZleComponent component,
                      const DequantTable& dequant_table, CoefficientBlock& block) {
    int32_t& predictor = reader.dc_predictor[component];
    predictor = wrap_add(predictor, dc_difference(reader, component));
    clear_coefficients(block);
    block.values[0] = wrap_mul(predictor, dequant_table.values[0]);

    // One 32-bit window per code: the longest variable-length code and its sign bit take 17
    // bits, an escape with its fields 28.
    int32_t position = 0;
    for (;;) {
        const uint32_t window = peek_32(reader);
        if ((window >> 20) == 0) {  // twelve zeros: no code starts like this
            return true;
        }
        const CoeffLookup& code = lookup_coeff(window >> 16);
        if (code.kind == COEFF_END_OF_BLOCK) {
            reader.bit_position += code.length;
            return true;
        }
        RunLevel coefficient{code.run, code.level, code.length + 1u};
        if (code.kind == COEFF_ESCAPE) {
            coefficient = escape_code(window);
        } else if (((window << code.length) >> 31) != 0) {
            coefficient.level = -coefficient.level;
        }
        reader.bit_position += coefficient.bits;
        position += coefficient.run + 1;
        if (position > 63) {
            return false;
        }
        const uint8_t i = scan_index[position];
        block.values[i] = wrap_mul(coefficient.level, dequant_table.values[i]);
    }
}
