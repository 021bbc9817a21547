#include "codecs/dct/coefficient_block.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void clear_coefficients(CoefficientBlock& block) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (int32_t i = 0; i < 64; i += 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(block.values + i), zero);
    }
#else
    std::memset(block.values, 0, sizeof block.values);
#endif
}
