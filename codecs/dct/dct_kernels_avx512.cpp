// AVX-512 versions of the DCT kernels. This file alone is compiled for AVX-512 (F, VL, BW, DQ)
// with -ffp-contract=off; it is entered only through the kernel table after detection.
#include "codecs/dct/dct_kernels.h"
#include "codecs/dct/idct_half_transposes.h"
#include "codecs/dct/idct_simd.h"

namespace qx {

namespace {

// The low 32 bits of each 64-bit lane. Here and below, the zero-masked forms of conversions,
// extracts and inserts avoid GCC 12's false uninitialised warning on the unmasked ones.
__m256i low_halves(__m512i v) {
    return _mm512_maskz_cvtepi64_epi32(0xFF, v);
}

// The transform's instruction-set parts (see idct_block_lanes): the rotation of all eight lanes
// in one register of doubles; the transposes are the in-half ones.
struct IdctAvx512 : IdctHalfTransposes {
    // The nearest integer is the low 32 bits of value + 1.5 * 2^52, as in the scalar code.
    QX_IDCT_INLINE static void rotate(__m256i b, __m256i e, __m256i& r1, __m256i& r2) {
        const __m512d bias = _mm512_set1_pd(IDCT_ROUNDING_BIAS);
        const __m512d bd = _mm512_maskz_cvtepi32_pd(0xFF, b);
        const __m512d ed = _mm512_maskz_cvtepi32_pd(0xFF, e);
        const __m512d z = _mm512_mul_pd(_mm512_add_pd(bd, ed), _mm512_set1_pd(IDCT_ROT_MIX));
        const __m512d b_rot = _mm512_mul_pd(bd, _mm512_set1_pd(IDCT_ROT_A));
        const __m512d e_rot = _mm512_mul_pd(ed, _mm512_set1_pd(IDCT_ROT_B));
        r1 = low_halves(_mm512_castpd_si512(_mm512_add_pd(_mm512_add_pd(b_rot, z), bias)));
        r2 = low_halves(_mm512_castpd_si512(_mm512_add_pd(_mm512_sub_pd(e_rot, z), bias)));
    }

    QX_IDCT_INLINE static BlockShape shape_of(const CoefficientBlock& block) {
        const __m512i beyond_first_pair =
            _mm512_or_si512(_mm512_loadu_si512(block.values + 16),
                            _mm512_or_si512(_mm512_loadu_si512(block.values + 32),
                                            _mm512_loadu_si512(block.values + 48)));
        const __m512i first_pair = _mm512_loadu_si512(block.values);
        if (_mm512_test_epi32_mask(beyond_first_pair, beyond_first_pair) != 0 ||
            (_mm512_test_epi32_mask(first_pair, first_pair) & 0xFF00) != 0) {
            return BlockShape::FULL;
        }
        return shape_of_first_group(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block.values)));
    }
};

void idct_block_avx512(const CoefficientBlock& block, int32_t* out, ptrdiff_t stride) {
    idct_block_lanes<IdctAvx512>(block, out, stride);
}

// A 128-entry table of the summed conversion held in eight registers, 16 entries each.
struct Table128 {
    __m512i part[8];
};

Table128 load_table(const uint32_t* entries) {
    Table128 table;
    for (int32_t k = 0; k < 8; ++k) {
        table.part[k] = _mm512_loadu_si512(entries + 16 * k);
    }
    return table;
}

// Sixteen entries selected by the low 7 bits of sixteen samples: each two-register permute
// looks up 32 entries by bits 0..4, and bits 5 and 6 pick among the four results.
__m512i look_up_7bit(const Table128& table, __m512i samples) {
    const __m512i q0 = _mm512_permutex2var_epi32(table.part[0], samples, table.part[1]);
    const __m512i q1 = _mm512_permutex2var_epi32(table.part[2], samples, table.part[3]);
    const __m512i q2 = _mm512_permutex2var_epi32(table.part[4], samples, table.part[5]);
    const __m512i q3 = _mm512_permutex2var_epi32(table.part[6], samples, table.part[7]);
    const __mmask16 bit5 = _mm512_test_epi32_mask(samples, _mm512_set1_epi32(32));
    const __mmask16 bit6 = _mm512_test_epi32_mask(samples, _mm512_set1_epi32(64));
    return _mm512_mask_blend_epi32(bit6, _mm512_mask_blend_epi32(bit5, q0, q1),
                                   _mm512_mask_blend_epi32(bit5, q2, q3));
}

// Summed tables looked up in registers, with no memory access but the planes and the output.
// Each chroma register holds two chroma rows; a luma row takes its chroma row's eight words,
// each spread over the two pixels it serves.
template <int32_t PixelBytes>
void convert_summed_avx512(const MacroblockPlanes& planes, const ColourTables& tables,
                           uint8_t* destination, size_t stride) {
    const Table128 luma_table = load_table(tables.luma_table);
    __m512i chroma[4];
    {
        const Table128 cb_table = load_table(tables.cb_table);
        const Table128 cr_table = load_table(tables.cr_table);
        for (int32_t k = 0; k < 4; ++k) {
            chroma[k] = _mm512_add_epi32(
                look_up_7bit(cb_table, _mm512_loadu_si512(planes.cb_plane + 16 * k)),
                look_up_7bit(cr_table, _mm512_loadu_si512(planes.cr_plane + 16 * k)));
        }
    }
    const __m512i upper_row = _mm512_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7);
    const __m512i lower_row = _mm512_add_epi32(upper_row, _mm512_set1_epi32(8));
    for (int32_t y = 0; y < 16; ++y) {
        const __m512i spread = _mm512_maskz_permutexvar_epi32(
            0xFFFF, (y / 2) % 2 ? lower_row : upper_row, chroma[y / 4]);
        const __m512i word = _mm512_add_epi32(
            look_up_7bit(luma_table, _mm512_loadu_si512(planes.luma_plane + 16 * y)), spread);
        uint8_t* out = destination + size_t(y) * stride;
        if constexpr (PixelBytes == 4) {
            _mm512_storeu_si512(out, word);
        } else {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                                _mm512_maskz_cvtepi32_epi16(0xFFFF, word));
        }
    }
}

}  // namespace

void dct_kernels_avx512(DctKernels& kernels) {
    kernels.idct_block = idct_block_avx512;
    kernels.convert_macroblock[CONVERT_SUMMED_2] = convert_summed_avx512<2>;
    kernels.convert_macroblock[CONVERT_SUMMED_4] = convert_summed_avx512<4>;
}

}  // namespace qx
