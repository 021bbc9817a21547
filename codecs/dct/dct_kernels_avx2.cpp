// AVX2 versions of the DCT kernels. This file alone is compiled with -mavx2 and
// -ffp-contract=off (a fused multiply-add would skip a rounding the scalar transform makes);
// it is entered only through the kernel table after the processor was found to have AVX2.
#include "codecs/dct/dct_kernels.h"
#include "codecs/dct/idct_simd.h"

namespace {

// The nearest integers of four doubles, ties to even, wrapping as the scalar code does: the
// low 32 bits of value + 1.5 * 2^52.
__m128i nearest_int32_lanes(__m256d value) {
    const __m256i bits =
        _mm256_castpd_si256(_mm256_add_pd(value, _mm256_set1_pd(IDCT_ROUNDING_BIAS)));
    const __m256i low =
        _mm256_permutevar8x32_epi32(bits, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6));
    return _mm256_castsi256_si128(low);
}

// The rotation of four lanes at a time, in double precision.
void rotate_quad(__m128i b, __m128i e, __m128i& r1, __m128i& r2) {
    const __m256d bd = _mm256_cvtepi32_pd(b);
    const __m256d ed = _mm256_cvtepi32_pd(e);
    const __m256d z = _mm256_mul_pd(_mm256_add_pd(bd, ed), _mm256_set1_pd(IDCT_ROT_MIX));
    const __m256d b_rot = _mm256_mul_pd(bd, _mm256_set1_pd(IDCT_ROT_A));
    const __m256d e_rot = _mm256_mul_pd(ed, _mm256_set1_pd(IDCT_ROT_B));
    r1 = nearest_int32_lanes(_mm256_add_pd(b_rot, z));
    r2 = nearest_int32_lanes(_mm256_sub_pd(e_rot, z));
}

// An 8 x 8 transpose in three rounds of in-lane and cross-lane shuffles.
QX_IDCT_INLINE void transpose_rows(Rows r) {
    const __m256i t0 = _mm256_unpacklo_epi32(r[0], r[1]);
    const __m256i t1 = _mm256_unpackhi_epi32(r[0], r[1]);
    const __m256i t2 = _mm256_unpacklo_epi32(r[2], r[3]);
    const __m256i t3 = _mm256_unpackhi_epi32(r[2], r[3]);
    const __m256i t4 = _mm256_unpacklo_epi32(r[4], r[5]);
    const __m256i t5 = _mm256_unpackhi_epi32(r[4], r[5]);
    const __m256i t6 = _mm256_unpacklo_epi32(r[6], r[7]);
    const __m256i t7 = _mm256_unpackhi_epi32(r[6], r[7]);
    const __m256i u0 = _mm256_unpacklo_epi64(t0, t2);
    const __m256i u1 = _mm256_unpackhi_epi64(t0, t2);
    const __m256i u2 = _mm256_unpacklo_epi64(t1, t3);
    const __m256i u3 = _mm256_unpackhi_epi64(t1, t3);
    const __m256i u4 = _mm256_unpacklo_epi64(t4, t6);
    const __m256i u5 = _mm256_unpackhi_epi64(t4, t6);
    const __m256i u6 = _mm256_unpacklo_epi64(t5, t7);
    const __m256i u7 = _mm256_unpackhi_epi64(t5, t7);
    r[0] = _mm256_permute2x128_si256(u0, u4, 0x20);
    r[1] = _mm256_permute2x128_si256(u1, u5, 0x20);
    r[2] = _mm256_permute2x128_si256(u2, u6, 0x20);
    r[3] = _mm256_permute2x128_si256(u3, u7, 0x20);
    r[4] = _mm256_permute2x128_si256(u0, u4, 0x31);
    r[5] = _mm256_permute2x128_si256(u1, u5, 0x31);
    r[6] = _mm256_permute2x128_si256(u2, u6, 0x31);
    r[7] = _mm256_permute2x128_si256(u3, u7, 0x31);
}

// The transform's instruction-set parts on 256-bit registers (see idct_block_lanes).
struct IdctAvx2 {
    QX_IDCT_INLINE static void rotate(__m256i b, __m256i e, __m256i& r1, __m256i& r2) {
        __m128i low1, low2, high1, high2;
        rotate_quad(_mm256_castsi256_si128(b), _mm256_castsi256_si128(e), low1, low2);
        rotate_quad(_mm256_extracti128_si256(b, 1), _mm256_extracti128_si256(e, 1), high1, high2);
        r1 = _mm256_set_m128i(high1, low1);
        r2 = _mm256_set_m128i(high2, low2);
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

    QX_IDCT_INLINE static void load_transposed(const CoefficientBlock& block, Rows x) {
#pragma GCC unroll 8
        for (int32_t u = 0; u < 8; ++u) {
            x[u] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block.values + 8 * u));
        }
        transpose_rows(x);
    }

    QX_IDCT_INLINE static void transpose(Rows x) {
        transpose_rows(x);
    }
};

void idct_block_avx2(const CoefficientBlock& block, int32_t* out, ptrdiff_t stride) {
    idct_block_lanes<IdctAvx2>(block, out, stride);
}

// Eight table words selected by the low 7 bits of eight samples.
__m256i gather_7bit(const uint32_t* table, const int32_t* samples) {
    const __m256i index = _mm256_and_si256(
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(samples)), _mm256_set1_epi32(0x7F));
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(table), index, 4);
}

// Summed tables: per chroma row, the chroma words of its eight columns, each spread over the
// two pixels it serves, then one luma gather per eight pixels.
template <int32_t PixelBytes>
void convert_summed_avx2(const MacroblockPlanes& planes, const ColourTables& tables,
                         uint8_t* destination, size_t stride) {
    const __m256i left_pairs = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
    const __m256i right_pairs = _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7);
    for (int32_t cy = 0; cy < 8; ++cy) {
        const __m256i chroma =
            _mm256_add_epi32(gather_7bit(tables.cb_table, planes.cb_plane + 8 * cy),
                             gather_7bit(tables.cr_table, planes.cr_plane + 8 * cy));
        const __m256i chroma_left = _mm256_permutevar8x32_epi32(chroma, left_pairs);
        const __m256i chroma_right = _mm256_permutevar8x32_epi32(chroma, right_pairs);
        for (int32_t y = 2 * cy; y < 2 * cy + 2; ++y) {
            const int32_t* luma = planes.luma_plane + 16 * y;
            const __m256i left =
                _mm256_add_epi32(gather_7bit(tables.luma_table, luma), chroma_left);
            const __m256i right =
                _mm256_add_epi32(gather_7bit(tables.luma_table, luma + 8), chroma_right);
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
