#include "codecs/dct/dct_kernels.h"

#include <cstring>

#include "codecs/dct/idct.h"

namespace qx {

namespace {

void idct_block_reference(const CoefficientBlock& block, int32_t* out, ptrdiff_t stride) {
    idct_block(block, out, 0, 0, static_cast<int32_t>(stride));
}

template <ConvertMode Mode>
void convert_whole_reference(const MacroblockPlanes& planes, const ColourTables& tables,
                             uint8_t* destination, size_t stride) {
    convert_macroblock_reference(planes, tables, destination, stride, Mode);
}

template <ConvertMode Mode>
void convert_whole_portable(const MacroblockPlanes& planes, const ColourTables& tables,
                            uint8_t* destination, size_t stride) {
    convert_macroblock_portable(planes, tables, destination, stride, Mode);
}

void copy_rows_reference(uint8_t* to, const uint8_t* from, size_t stride, int32_t rows,
                         size_t row_bytes) {
    for (int32_t r = 0; r < rows; ++r) {
        std::memcpy(to + size_t(r) * stride, from + size_t(r) * stride, row_bytes);
    }
}

// Macroblock rows are 32 or 64 bytes: copies of a size known here become a few vector moves
// instead of library calls.
template <size_t RowBytes>
void copy_fixed_rows(uint8_t* to, const uint8_t* from, size_t stride, int32_t rows) {
    for (int32_t r = 0; r < rows; ++r) {
        std::memcpy(to + size_t(r) * stride, from + size_t(r) * stride, RowBytes);
    }
}

void copy_rows_portable(uint8_t* to, const uint8_t* from, size_t stride, int32_t rows,
                        size_t row_bytes) {
    if (row_bytes == 32) {
        copy_fixed_rows<32>(to, from, stride, rows);
    } else if (row_bytes == 64) {
        copy_fixed_rows<64>(to, from, stride, rows);
    } else {
        copy_rows_reference(to, from, stride, rows, row_bytes);
    }
}

}  // namespace

DctKernels dct_reference_kernels() {
    return {
        idct_block_reference,
        {convert_whole_reference<CONVERT_SUMMED_2>, convert_whole_reference<CONVERT_SUMMED_4>,
         convert_whole_reference<CONVERT_CHANNEL_2>, convert_whole_reference<CONVERT_CHANNEL_4>},
        copy_rows_reference};
}

void dct_kernels_portable(DctKernels& kernels) {
    kernels.idct_block = idct_block_sparse;
    kernels.convert_macroblock[CONVERT_SUMMED_2] = convert_whole_portable<CONVERT_SUMMED_2>;
    kernels.convert_macroblock[CONVERT_SUMMED_4] = convert_whole_portable<CONVERT_SUMMED_4>;
    kernels.convert_macroblock[CONVERT_CHANNEL_2] = convert_whole_portable<CONVERT_CHANNEL_2>;
    kernels.convert_macroblock[CONVERT_CHANNEL_4] = convert_whole_portable<CONVERT_CHANNEL_4>;
    kernels.copy_rows = copy_rows_portable;
}

DctKernels dct_kernels_for(CpuLevel level) {
    DctKernels kernels = dct_reference_kernels();
    dct_kernels_portable(kernels);
#if defined(__x86_64__)
    if (level >= CPU_AVX2) {
        dct_kernels_avx2(kernels);
    }
    if (level >= CPU_AVX512) {
        dct_kernels_avx512(kernels);
    }
#elif defined(__wasm_simd128__)
    if (level >= CPU_SIMD128) {
        dct_kernels_simd128(kernels);
    }
#else
    (void)level;
#endif
    return kernels;
}

}  // namespace qx
