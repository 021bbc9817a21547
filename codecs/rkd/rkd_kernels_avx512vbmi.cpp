// AVX-512 VBMI versions of the Rkd kernels: byte permutes across a whole register serve as
// 128-entry lookup tables. This file alone is compiled for them; it is entered only through
// the kernel table after detection. (Index fields are read by the AVX-512 reader: a
// byte-permute reader sixteen fields a step measured slower than it.)
#include <immintrin.h>

#include <cstring>

#include "codecs/rkd/rkd_kernels.h"

namespace qx {

// The zero-masked forms with every lane set avoid GCC 12's false uninitialised warnings on the
// unmasked ones.

namespace {

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
    kernels.convert = convert_vbmi;
}

}  // namespace qx
