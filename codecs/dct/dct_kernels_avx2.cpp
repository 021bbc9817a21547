// AVX2 versions of the DCT kernels. This file alone is compiled with -mavx2 and
// -ffp-contract=off (a fused multiply-add would skip a rounding the scalar transform makes);
// it is entered only through the kernel table after the processor was found to have AVX2.
#include "codecs/dct/dct_kernels.h"
#include "codecs/dct/idct_half_transposes.h"
#include "codecs/dct/idct_simd.h"

namespace qx {

namespace {

// The first-generation processors that have AVX2 split every 256-bit operation into two 128-bit
// halves and pay several times more for a shuffle across the halves, so the transform moves
// values between halves only where it must: once between the passes.

// The nearest integers of eight doubles held as lanes 0, 1, 4, 5 (`even_pairs`) and 2, 3, 6, 7
// (`odd_pairs`), ties to even, wrapping as the scalar code does: the low 32 bits of value +
// 1.5 * 2^52. Taking the low words of both in one in-half shuffle leaves them in lane order.
QX_IDCT_INLINE __m256i nearest_int32_lanes(__m256d even_pairs, __m256d odd_pairs) {
    const __m256d bias = _mm256_set1_pd(IDCT_ROUNDING_BIAS);
    const __m256 even = _mm256_castpd_ps(_mm256_add_pd(even_pairs, bias));
    const __m256 odd = _mm256_castpd_ps(_mm256_add_pd(odd_pairs, bias));
    return _mm256_castps_si256(_mm256_shuffle_ps(even, odd, _MM_SHUFFLE(2, 0, 2, 0)));
}

// r1 and r2 of the rotation for four lanes of doubles.
struct RotatedPairs {
    __m256d r1;
    __m256d r2;
};

QX_IDCT_INLINE RotatedPairs rotate_pairs(__m128i b, __m128i e) {
    const __m256d bd = _mm256_cvtepi32_pd(b);
    const __m256d ed = _mm256_cvtepi32_pd(e);
    const __m256d z = _mm256_mul_pd(_mm256_add_pd(bd, ed), _mm256_set1_pd(IDCT_ROT_MIX));
    const __m256d b_rot = _mm256_mul_pd(bd, _mm256_set1_pd(IDCT_ROT_A));
    const __m256d e_rot = _mm256_mul_pd(ed, _mm256_set1_pd(IDCT_ROT_B));
    return {_mm256_add_pd(b_rot, z), _mm256_sub_pd(e_rot, z)};
}

// The transform's instruction-set parts on 256-bit registers (see idct_block_lanes).
struct IdctAvx2 : IdctHalfTransposes {
    // Lanes 0, 1, 4, 5 in one register of doubles and 2, 3, 6, 7 in the other, so that the
    // results come back in order without a shuffle across halves.
    QX_IDCT_INLINE static void rotate(__m256i b, __m256i e, __m256i& r1, __m256i& r2) {
        const __m256i b_pairs = _mm256_permute4x64_epi64(b, _MM_SHUFFLE(3, 1, 2, 0));
        const __m256i e_pairs = _mm256_permute4x64_epi64(e, _MM_SHUFFLE(3, 1, 2, 0));
        const RotatedPairs even =
            rotate_pairs(_mm256_castsi256_si128(b_pairs), _mm256_castsi256_si128(e_pairs));
        const RotatedPairs odd = rotate_pairs(_mm256_extracti128_si256(b_pairs, 1),
                                              _mm256_extracti128_si256(e_pairs, 1));
        r1 = nearest_int32_lanes(even.r1, odd.r1);
        r2 = nearest_int32_lanes(even.r2, odd.r2);
    }

    QX_IDCT_INLINE static BlockShape shape_of(const CoefficientBlock& block) {
        const auto* groups = reinterpret_cast<const __m256i*>(block.values);
        __m256i beyond_first_group = _mm256_loadu_si256(groups + 1);
#pragma GCC unroll 8
        for (int32_t u = 2; u < 8; ++u) {
            beyond_first_group =
                _mm256_or_si256(beyond_first_group, _mm256_loadu_si256(groups + u));
        }
        if (!_mm256_testz_si256(beyond_first_group, beyond_first_group)) {
            return BlockShape::FULL;
        }
        return shape_of_first_group(_mm256_loadu_si256(groups));
    }
};

void idct_block_avx2(const CoefficientBlock& block, int32_t* out, ptrdiff_t stride) {
    idct_block_lanes<IdctAvx2>(block, out, stride);
}

// Summed tables: every word of the macroblock is first looked up one by one (on the processors
// that split 256-bit operations a gather costs more than its eight loads), then the vectors add
// each chroma row's words, spread over the two pixels each serves, to the luma words of its two
// rows and pack the pixels.
template <int32_t PixelBytes>
void convert_summed_avx2(const MacroblockPlanes& planes, const ColourTables& tables,
                         uint8_t* destination, size_t stride) {
    SummedWords words;
    look_up_summed_words(planes, tables, words);
    const __m256i left_pairs = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
    const __m256i right_pairs = _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7);
    for (int32_t cy = 0; cy < 8; ++cy) {
        const __m256i chroma =
            _mm256_load_si256(reinterpret_cast<const __m256i*>(words.chroma + 8 * cy));
        const __m256i chroma_left = _mm256_permutevar8x32_epi32(chroma, left_pairs);
        const __m256i chroma_right = _mm256_permutevar8x32_epi32(chroma, right_pairs);
        for (int32_t y = 2 * cy; y < 2 * cy + 2; ++y) {
            const auto* luma = reinterpret_cast<const __m256i*>(words.luma + 16 * y);
            const __m256i left = _mm256_add_epi32(_mm256_load_si256(luma), chroma_left);
            const __m256i right = _mm256_add_epi32(_mm256_load_si256(luma + 1), chroma_right);
            auto* out = reinterpret_cast<__m256i*>(destination + size_t(y) * stride);
            if constexpr (PixelBytes == 4) {
                _mm256_storeu_si256(out, left);
                _mm256_storeu_si256(out + 1, right);
            } else {
                const __m256i low16 = _mm256_set1_epi32(0xFFFF);
                const __m256i packed = _mm256_packus_epi32(_mm256_and_si256(left, low16),
                                                           _mm256_and_si256(right, low16));
                _mm256_storeu_si256(out, _mm256_permute4x64_epi64(packed, 0xD8));
            }
        }
    }
}

}  // namespace

void dct_kernels_avx2(DctKernels& kernels) {
    kernels.idct_block = idct_block_avx2;
    kernels.convert_macroblock[CONVERT_SUMMED_2] = convert_summed_avx2<2>;
    kernels.convert_macroblock[CONVERT_SUMMED_4] = convert_summed_avx2<4>;
}

}  // namespace qx
