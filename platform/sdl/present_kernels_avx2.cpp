#include <immintrin.h>

#include <cstring>

#include "platform/sdl/present_kernels.h"
#include "platform/sdl/xrgb_conversion.h"

namespace qx {

namespace {

// Eight output pixels a step, gathered by their column numbers; the tail one by one.
void enlarge_row_avx2(const uint32_t* source, const int32_t* columns, uint32_t* out,
                      int32_t out_width) {
    int32_t i = 0;
    for (; i + 8 <= out_width; i += 8) {
        const __m256i where = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + i));
        const __m256i pixels =
            _mm256_i32gather_epi32(reinterpret_cast<const int*>(source), where, 4);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), pixels);
    }
    for (; i < out_width; ++i) {
        out[i] = source[columns[i]];
    }
}

// Four picture pixels a step become eight, each side by side with itself.
void double_row_avx2(const uint32_t* source, uint32_t* out, int32_t width) {
    const __m256i pairs = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
    int32_t i = 0;
    for (; i + 4 <= width; i += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        const __m256i doubled = _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(four), pairs);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * i), doubled);
    }
    for (; i < width; ++i) {
        out[2 * i] = source[i];
        out[2 * i + 1] = source[i];
    }
}

// A component of `bits` bits at `shift` in each lane, widened to 8 bits by repeating its top
// bits, as xrgb_from_16bit does.
template <int32_t BITS, int32_t SHIFT>
__m256i widened(__m256i pixels) {
    const __m256i value =
        _mm256_and_si256(_mm256_srli_epi32(pixels, SHIFT), _mm256_set1_epi32((1 << BITS) - 1));
    return _mm256_or_si256(_mm256_slli_epi32(value, 8 - BITS),
                           _mm256_srli_epi32(value, 2 * BITS - 8));
}

template <int32_t DEPTH>
void xrgb_row_avx2(const uint8_t* pixels, uint32_t* out, int32_t width) {
    constexpr int32_t GREEN_BITS = DEPTH == 16 ? 6 : 5;
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256i words = _mm256_cvtepu16_epi32(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 2 * x)));
        const __m256i red = widened<5, 5 + GREEN_BITS>(words);
        const __m256i green = widened<GREEN_BITS, 5>(words);
        const __m256i blue = widened<5, 0>(words);
        const __m256i xrgb = _mm256_or_si256(
            _mm256_or_si256(_mm256_slli_epi32(red, 16), _mm256_slli_epi32(green, 8)), blue);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), xrgb);
    }
    for (; x < width; ++x) {
        uint16_t pixel;
        std::memcpy(&pixel, pixels + 2 * x, 2);
        out[x] = xrgb_from_16bit(pixel, DEPTH);
    }
}

}  // namespace

void present_kernels_avx2(PresentKernels& kernels) {
    kernels.enlarge_row = enlarge_row_avx2;
    kernels.double_row = double_row_avx2;
    kernels.xrgb_from_555_row = xrgb_row_avx2<15>;
    kernels.xrgb_from_565_row = xrgb_row_avx2<16>;
}

}  // namespace qx
