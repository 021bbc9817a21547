// AVX-512 VBMI versions of the Rkd kernels: byte permutes across a whole register serve as
// 128-entry lookup tables and as field extractors. This file alone is compiled for them; it is
// entered only through the kernel table after detection.
#include <immintrin.h>

#include <cstring>

#include "codecs/rkd/rkd_bit_fields.h"
#include "codecs/rkd/rkd_kernels.h"

// The zero-masked forms with every lane set avoid GCC 12's false uninitialised warnings on the
// unmasked ones.

namespace {

// Sixteen fields a step. Field j of a group starts at bit j * width, inside the 32-bit word at
// byte j * width / 8 for every supported width; one byte permute gathers those sixteen words
// from the group's bytes and one variable shift aligns them. Bytes past the input load as zero.
void read_index_fields_vbmi(int32_t* destination, const uint8_t* source, size_t source_bytes,
                            uint32_t count, uint32_t width) {
    if (!rkd_index_width_supported(width)) {
        return;
    }
    alignas(64) uint8_t word_bytes[64];
    alignas(64) uint32_t shifts[16];
    for (uint32_t j = 0; j < 16; ++j) {
        for (uint32_t k = 0; k < 4; ++k) {
            word_bytes[4 * j + k] = uint8_t(j * width / 8 + k);
        }
        shifts[j] = j * width % 8;
    }
    const __m512i gather = _mm512_load_si512(word_bytes);
    const __m512i shift = _mm512_load_si512(shifts);
    const __m512i mask = _mm512_set1_epi32(int32_t((1u << width) - 1));
    const size_t group_bytes = 2 * size_t{width};
    size_t at = 0;
    for (uint32_t j = 0; j < count; j += 16, at += group_bytes) {
        const size_t left = at < source_bytes ? source_bytes - at : 0;
        const __mmask64 present = left >= 64 ? ~0ull : (1ull << left) - 1;
        const __m512i bytes = _mm512_maskz_loadu_epi8(present, source + (left > 0 ? at : 0));
        const __m512i fields = _mm512_and_si512(
            _mm512_maskz_srlv_epi32(0xFFFF, _mm512_maskz_permutexvar_epi8(~0ull, gather, bytes),
                                    shift),
            mask);
        const uint32_t remaining = count - j;
        const __mmask16 lanes = remaining >= 16 ? 0xFFFF : __mmask16((1u << remaining) - 1);
        _mm512_mask_storeu_epi32(destination + j, lanes, fields);
    }
}

// The low and the high bytes of the 256 16-bit pixels, four registers each.
struct PixelBytes {
    __m512i low[4];
    __m512i high[4];
};

PixelBytes pixel_bytes(const uint32_t* entries) {
    alignas(64) uint8_t low[256];
    alignas(64) uint8_t high[256];
    for (int32_t i = 0; i < 256; ++i) {
        low[i] = uint8_t(entries[i]);
        high[i] = uint8_t(entries[i] >> 8);
    }
    PixelBytes table;
    for (int32_t k = 0; k < 4; ++k) {
        table.low[k] = _mm512_load_si512(low + 64 * k);
        table.high[k] = _mm512_load_si512(high + 64 * k);
    }
    return table;
}

// One byte of 64 pixels: the index's low seven bits pick within a register pair, bit 7 the
// pair.
__m512i look_up_bytes(const __m512i* part, __m512i index, __mmask64 top) {
    return _mm512_mask_blend_epi8(top, _mm512_permutex2var_epi8(part[0], index, part[1]),
                                  _mm512_permutex2var_epi8(part[2], index, part[3]));
}

// 64 pixels from 64 indices into 128 bytes. The indices' eight-byte groups are first put in
// the order the in-lane byte interleave reads them, so its two results are pixels 0-31 and
// 32-63 in order.
void convert_64(const PixelBytes& table, const uint8_t* indices, uint8_t* out) {
    const __m512i index = _mm512_maskz_permutexvar_epi64(
        0xFF, _mm512_setr_epi64(0, 4, 1, 5, 2, 6, 3, 7), _mm512_loadu_si512(indices));
    const __mmask64 top = _mm512_movepi8_mask(index);
    const __m512i low = look_up_bytes(table.low, index, top);
    const __m512i high = look_up_bytes(table.high, index, top);
    _mm512_storeu_si512(out, _mm512_unpacklo_epi8(low, high));
    _mm512_storeu_si512(out + 64, _mm512_unpackhi_epi8(low, high));
}

// 16-bit pixels from the table held in registers; the other forms keep the versions before.
// A step may run past its stretch: the pixels after it get their own values again.
void convert_vbmi(const RkdConversion& c) {
    if (c.palettised || c.double_width) {
        rkd_convert(c);
        return;
    }
    const size_t pixels = size_t(rkd_rows_that_fit(c)) * size_t(c.width);
    const PixelBytes table = pixel_bytes(c.table->entries);
    // A stretch costs its start (the loop set up, its last step past its end, the mispredicted
    // exit) about as much as converting 16 blocks here: unless most blocks are kept, the whole
    // picture converts faster.
    RkdConversion whole = c;
    if (c.kept != nullptr && !rkd_mask_mostly_set(c.kept, c.width / 4, c.height / 4)) {
        whole.kept = nullptr;
    }
    rkd_for_each_converted_span(whole, 16, [&](size_t first, size_t count) {
        size_t i = first;
        for (; i < first + count && i + 64 <= pixels; i += 64) {
            convert_64(table, c.frame + i, c.picture + 2 * i);
        }
        for (; i < first + count; ++i) {
            const auto pixel = uint16_t(c.table->entries[c.frame[i]]);
            std::memcpy(c.picture + 2 * i, &pixel, 2);
        }
    });
}

}  // namespace

void rkd_kernels_avx512vbmi(RkdKernels& kernels) {
    kernels.read_index_fields = read_index_fields_vbmi;
    kernels.convert = convert_vbmi;
}
