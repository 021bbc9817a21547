// AVX2 versions of the Rkd kernels. This file alone is compiled with -mavx2; it is entered
// only through the kernel table after the processor was found to have AVX2.
#include <immintrin.h>

#include <cstring>

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

// Eight table entries for the eight palette indices at `indices`.
__m256i gather_entries(const uint32_t* table, const uint8_t* indices) {
    const __m256i index =
        _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(indices)));
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(table), index, 4);
}

// Table conversions gather eight entries at a time; 8-bit displays copy bytes, which the
// portable version already does with plain moves.
void convert_avx2(const RkdConversion& c) {
    if (c.palettised) {
        rkd_convert(c);
        return;
    }
    // Rows are back to back on both sides, so the picture converts as one run of pixels.
    const size_t pixels = size_t(rkd_rows_that_fit(c)) * size_t(c.width);
    const uint32_t* table = c.table->entries;
    size_t i = 0;
    if (c.double_width) {
        for (; i + 8 <= pixels; i += 8) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(c.picture + 4 * i),
                                gather_entries(table, c.frame + i));
        }
        for (; i < pixels; ++i) {
            std::memcpy(c.picture + 4 * i, &table[c.frame[i]], 4);
        }
        return;
    }
    const __m256i low16 = _mm256_set1_epi32(0xFFFF);
    for (; i + 16 <= pixels; i += 16) {
        const __m256i left = _mm256_and_si256(gather_entries(table, c.frame + i), low16);
        const __m256i right = _mm256_and_si256(gather_entries(table, c.frame + i + 8), low16);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(c.picture + 2 * i),
                            _mm256_permute4x64_epi64(_mm256_packus_epi32(left, right), 0xD8));
    }
    for (; i < pixels; ++i) {
        const auto pixel = uint16_t(table[c.frame[i]]);
        std::memcpy(c.picture + 2 * i, &pixel, 2);
    }
}

}  // namespace

void rkd_kernels_avx2(RkdKernels& kernels) {
    kernels.read_index_fields = read_index_fields_avx2;
    kernels.convert = convert_avx2;
}
