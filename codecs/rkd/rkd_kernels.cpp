#include "codecs/rkd/rkd_kernels.h"

#include "codecs/rkd/rkd_bit_fields.h"

namespace qx {

namespace {

void read_index_fields_portable(int32_t* destination, const uint8_t* source, size_t source_bytes,
                                uint32_t count, uint32_t width, uint32_t marked, uint64_t* marks) {
    if (rkd_read_index_fields(destination, source, source_bytes, count, width)) {
        rkd_mark_fields(destination, 0, count, marked, marks);
    }
}

void read_index_fields_reference(int32_t* destination, const uint8_t* source, size_t source_bytes,
                                 uint32_t count, uint32_t width, uint32_t marked, uint64_t* marks) {
    rkd_read_index_fields_reference(destination, source, source_bytes, count, width);
    rkd_mark_fields(destination, 0, count, marked, marks);
}

}  // namespace

RkdEightFields rkd_eight_fields(uint32_t width) {
    RkdEightFields eight{};
    for (uint32_t j = 0; j < 8; ++j) {
        for (uint32_t k = 0; k < 4; ++k) {
            // Only a 16-bit field reaches past the 16 bytes, and its bits end two bytes in.
            const uint32_t byte = j * width / 8 + k;
            eight.word_bytes[4 * j + k] = byte < 16 ? uint8_t(byte) : 0x80;
        }
        eight.shifts[j] = j * width % 8;
    }
    return eight;
}

void rkd_finish_index_fields(int32_t* destination, const uint8_t* source, size_t source_bytes,
                             uint32_t count, uint32_t width, uint32_t marked, uint64_t* marks,
                             uint32_t first, size_t at, uint64_t word) {
    if (first % 64 != 0) {
        marks[first / 64] = word;
    }
    rkd_read_index_fields(destination + first, source + at, source_bytes - at, count - first,
                          width);
    rkd_mark_fields(destination, first, count, marked, marks);
}

RkdKernels rkd_reference_kernels() {
    return {rkd_unpack_reference, rkd_assemble_picture_reference,
            rkd_mark_blocks_of_index_reference, read_index_fields_reference, rkd_convert_reference};
}

RkdKernels rkd_kernels_for(CpuLevel level) {
    RkdKernels kernels{rkd_unpack, rkd_assemble_picture, rkd_mark_blocks_of_index,
                       read_index_fields_portable, rkd_convert};
#if defined(__x86_64__)
    if (level >= CPU_AVX2) {
        rkd_kernels_avx2(kernels);
    }
    if (level >= CPU_AVX512) {
        rkd_kernels_avx512(kernels);
    }
    if (level >= CPU_AVX512_VBMI) {
        rkd_kernels_avx512vbmi(kernels);
    }
#elif defined(__wasm_simd128__)
    if (level >= CPU_SIMD128) {
        rkd_kernels_simd128(kernels);
    }
#else
    (void)level;
#endif
    return kernels;
}

const RkdKernels& rkd_kernels() {
    // A function-local static: filled once, safely, by whichever thread decodes first.
    static const RkdKernels kernels = rkd_kernels_for(cpu_level());
    return kernels;
}

}  // namespace qx
