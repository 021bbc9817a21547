// AVX2 versions of the Rkd kernels. This file alone is compiled with -mavx2; it is entered
// only through the kernel table after the processor was found to have AVX2.
#include <immintrin.h>

#include "codecs/rkd/rkd_bit_fields.h"
#include "codecs/rkd/rkd_kernels.h"

namespace {

// Eight fields at a time: for every supported width a field lies inside the 32-bit word at its
// first byte, so one gather of those words and one variable shift give eight fields. Gathers
// stop where a word would pass the input; the portable reader takes the rest from there, a
// byte-aligned start since every group of eight fields is a whole number of bytes.
void read_index_fields_avx2(int32_t* destination, const uint8_t* source, size_t source_bytes,
                            uint32_t count, uint32_t width) {
    uint32_t j = 0;
    if (uint64_t{count} * width < (uint64_t{1} << 31)) {
        const __m256i field_bits = _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7),
                                                      _mm256_set1_epi32(int32_t(width)));
        const __m256i mask = _mm256_set1_epi32(int32_t((1u << width) - 1));
        for (; j + 8 <= count && (uint64_t{j + 7} * width) / 8 + 4 <= source_bytes; j += 8) {
            const __m256i bit = _mm256_add_epi32(_mm256_set1_epi32(int32_t(j * width)), field_bits);
            const __m256i words = _mm256_i32gather_epi32(reinterpret_cast<const int*>(source),
                                                         _mm256_srli_epi32(bit, 3), 1);
            const __m256i fields = _mm256_and_si256(
                _mm256_srlv_epi32(words, _mm256_and_si256(bit, _mm256_set1_epi32(7))), mask);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + j), fields);
        }
    }
    const size_t done_bytes = size_t(uint64_t{j} * width / 8);
    rkd_read_index_fields(destination + j, source + done_bytes, source_bytes - done_bytes,
                          count - j, width);
}

}  // namespace

void rkd_kernels_avx2(RkdKernels& kernels) {
    // Table conversions by gathers measured slower than the portable loop on the processors
    // tried, so the portable conversion stays.
    kernels.read_index_fields = read_index_fields_avx2;
}
