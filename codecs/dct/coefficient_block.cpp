#include "codecs/dct/coefficient_block.h"

#include <cstring>
#include <utility>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qx {

namespace {

#if defined(__SSE2__)
// Sixteen separate stores rather than a loop, which compilers turn back into a string store.
template <size_t... Quad>
void store_zeros(int32_t* values, std::index_sequence<Quad...>) {
    const __m128i zero = _mm_setzero_si128();
    (_mm_storeu_si128(reinterpret_cast<__m128i*>(values + 4 * Quad), zero), ...);
}
#endif

}  // namespace

void clear_coefficients(CoefficientBlock& block) {
#if defined(__SSE2__)
    store_zeros(block.values, std::make_index_sequence<16>());
#else
    std::memset(block.values, 0, sizeof block.values);
#endif
}

}  // namespace qx
