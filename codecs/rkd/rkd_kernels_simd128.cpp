// SIMD128 versions of the Rkd kernels, for the WebAssembly build (compiled with -msimd128). The
// copies of the portable code become 16-byte vector moves there by themselves; the conversion
// looks every pixel up in a table, which SIMD128, without gathers, cannot do faster.
#include <wasm_simd128.h>

#include "codecs/rkd/rkd_kernels.h"

namespace qx {

namespace {

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
    kernels.mark_blocks_of_index = mark_blocks_of_index_simd128;
}

}  // namespace qx
