// AVX2 versions of the Rkd kernels. This file alone is compiled with -mavx2; it is entered
// only through the kernel table after the processor was found to have AVX2.
#include <immintrin.h>

#include "codecs/rkd/rkd_bit_fields.h"
#include "codecs/rkd/rkd_kernels.h"

namespace qx {

namespace {

// Eight fields a step, without gathers (slow on the processors that have AVX2 but not
// AVX-512). Eight fields of a supported width fill `width` bytes, so a group starts on a byte
// and lies within the 16 bytes loaded there; each field lies inside the 32-bit word at its
// first byte, which one byte shuffle puts in its lane (fields 0-3 in the low half, 4-7 in the
// high one) and one variable shift aligns; one compare marks them. Where 16 bytes would pass
// the input, the portable reader takes the rest.
void read_index_fields_avx2(int32_t* destination, const uint8_t* source, size_t source_bytes,
                            uint32_t count, uint32_t width, uint32_t marked, uint64_t* marks) {
    if (!rkd_index_width_supported(width)) {
        return;
    }
    const RkdEightFields eight = rkd_eight_fields(width);
    const __m256i gather = _mm256_load_si256(reinterpret_cast<const __m256i*>(eight.word_bytes));
    const __m256i shift = _mm256_load_si256(reinterpret_cast<const __m256i*>(eight.shifts));
    const __m256i mask = _mm256_set1_epi32(int32_t((1u << width) - 1));
    const __m256i wanted = _mm256_set1_epi32(int32_t(marked));
    uint32_t j = 0;
    size_t at = 0;
    uint64_t word = 0;
    for (; j + 8 <= count && at + 16 <= source_bytes; j += 8, at += width) {
        const __m256i bytes = _mm256_broadcastsi128_si256(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + at)));
        const __m256i fields =
            _mm256_and_si256(_mm256_srlv_epi32(_mm256_shuffle_epi8(bytes, gather), shift), mask);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + j), fields);
        const auto equal =
            uint32_t(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(fields, wanted))));
        rkd_add_eight_marks(equal, j, word, marks);
    }
    rkd_finish_index_fields(destination, source, source_bytes, count, width, marked, marks, j, at,
                            word);
}

// Eight blocks a compare; the blocks after a row's last whole eight go one at a time.
void mark_blocks_of_index_avx2(const int32_t* block_map, int32_t columns, int32_t rows,
                               uint32_t index, uint64_t* mask) {
    const __m256i wanted = _mm256_set1_epi32(int32_t(index));
    rkd_fill_block_mask(
        block_map, columns, rows, mask, [&](const int32_t* row, int32_t first, int32_t end) {
            uint64_t bits = 0;
            int32_t x = first;
            for (; x + 8 <= end; x += 8) {
                const __m256i indexes =
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
                const auto equal = uint32_t(
                    _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(indexes, wanted))));
                bits |= uint64_t{equal} << (x - first);
            }
            for (; x < end; ++x) {
                bits |= uint64_t{uint32_t(row[x]) == index} << (x - first);
            }
            return bits;
        });
}

}  // namespace

void rkd_kernels_avx2(RkdKernels& kernels) {
    // Table conversions by gathers measured slower than the portable loop on the processors
    // tried, so the portable conversion stays.
    kernels.read_index_fields = read_index_fields_avx2;
    kernels.mark_blocks_of_index = mark_blocks_of_index_avx2;
}

}  // namespace qx
