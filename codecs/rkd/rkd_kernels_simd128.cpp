// SIMD128 versions of the Rkd kernels, for the WebAssembly build (compiled with -msimd128). The
// copies of the portable code become 16-byte vector moves there by themselves; the conversion
// looks every pixel up in a table, which SIMD128, without gathers, cannot do faster.
#include <wasm_simd128.h>

#include "codecs/rkd/rkd_bit_fields.h"
#include "codecs/rkd/rkd_kernels.h"

namespace qx {

namespace {

// Eight fields a step, four to a vector, as the AVX2 reader takes them: one byte swizzle puts the
// 32-bit word each field lies in into its lane (an index of 0x80 gives a zero byte). SIMD128 has
// no shift by lane, so a multiply raises each field from its bit (0 to 7) to bit 7 and one
// shift by 7 brings all four down; a field of at most 16 bits stays within the 32 bits.
void read_index_fields_simd128(int32_t* destination, const uint8_t* source, size_t source_bytes,
                               uint32_t count, uint32_t width, uint32_t marked, uint64_t* marks) {
    if (!rkd_index_width_supported(width)) {
        return;
    }
    const RkdEightFields eight = rkd_eight_fields(width);
    v128_t words_of[2];
    v128_t raise[2];
    for (int32_t half = 0; half < 2; ++half) {
        words_of[half] = wasm_v128_load(eight.word_bytes + 16 * half);
        const uint32_t* shifts = eight.shifts + 4 * half;
        raise[half] = wasm_u32x4_make(1u << (7 - shifts[0]), 1u << (7 - shifts[1]),
                                      1u << (7 - shifts[2]), 1u << (7 - shifts[3]));
    }
    const v128_t mask = wasm_u32x4_splat((1u << width) - 1);
    const v128_t wanted = wasm_u32x4_splat(marked);
    uint32_t j = 0;
    size_t at = 0;
    uint64_t word = 0;
    for (; j + 8 <= count && at + 16 <= source_bytes; j += 8, at += width) {
        const v128_t bytes = wasm_v128_load(source + at);
        uint32_t equal = 0;
        for (int32_t half = 0; half < 2; ++half) {
            const v128_t raised =
                wasm_i32x4_mul(wasm_i8x16_swizzle(bytes, words_of[half]), raise[half]);
            const v128_t fields = wasm_v128_and(wasm_u32x4_shr(raised, 7), mask);
            wasm_v128_store(destination + j + 4 * half, fields);
            equal |= wasm_i32x4_bitmask(wasm_i32x4_eq(fields, wanted)) << (4 * half);
        }
        rkd_add_eight_marks(equal, j, word, marks);
    }
    rkd_finish_index_fields(destination, source, source_bytes, count, width, marked, marks, j, at,
                            word);
}

// Four blocks a compare; the blocks after a row's last whole four go one at a time.
void mark_blocks_of_index_simd128(const int32_t* block_map, int32_t columns, int32_t rows,
                                  uint32_t index, uint64_t* mask) {
    const v128_t wanted = wasm_i32x4_splat(int32_t(index));
    rkd_fill_block_mask(
        block_map, columns, rows, mask, [&](const int32_t* row, int32_t first, int32_t end) {
            uint64_t bits = 0;
            int32_t x = first;
            for (; x + 4 <= end; x += 4) {
                const uint32_t equal =
                    wasm_i32x4_bitmask(wasm_i32x4_eq(wasm_v128_load(row + x), wanted));
                bits |= uint64_t{equal} << (x - first);
            }
            for (; x < end; ++x) {
                bits |= uint64_t{uint32_t(row[x]) == index} << (x - first);
            }
            return bits;
        });
}

}  // namespace

void rkd_kernels_simd128(RkdKernels& kernels) {
    kernels.read_index_fields = read_index_fields_simd128;
    kernels.mark_blocks_of_index = mark_blocks_of_index_simd128;
}

}  // namespace qx
