#include <immintrin.h>

#include "platform/sdl/present_kernels.h"

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

}  // namespace

void present_kernels_avx2(PresentKernels& kernels) {
    kernels.enlarge_row = enlarge_row_avx2;
}
