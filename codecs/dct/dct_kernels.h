#pragma once
#include <cstddef>
#include <cstdint>

#include "base/cpu_features.h"
#include "codecs/dct/macroblock.h"

namespace qx {

// The hot loops of the DCT codecs, each reached through this table: the plain reference is
// always there, and faster versions replace it where the processor has the instructions.
// Every version gives the reference's output bit for bit (the kernel checker proves it).

// Transforms the 64 coefficients into 8 x 8 samples: 8 rows of `stride` samples at `out`.
using IdctBlockKernel = void (*)(const CoefficientBlock& block, int32_t* out, ptrdiff_t stride);
// Converts a whole 16 x 16 macroblock: 16 rows at `destination`, `stride` bytes apart.
using ConvertMacroblockKernel = void (*)(const MacroblockPlanes& planes, const ColourTables& tables,
                                         uint8_t* destination, size_t stride);
// Copies `rows` rows of `row_bytes` bytes between pictures whose rows are `stride` apart.
using CopyRowsKernel = void (*)(uint8_t* to, const uint8_t* from, size_t stride, int32_t rows,
                                size_t row_bytes);

struct DctKernels {
    IdctBlockKernel idct_block;
    ConvertMacroblockKernel convert_macroblock[4];  // by ConvertMode
    CopyRowsKernel copy_rows;
};

// The plain versions everything is checked against.
DctKernels dct_reference_kernels();
// The fastest versions up to `level`.
DctKernels dct_kernels_for(CpuLevel level);
// The table the decoders use, filled once for this processor by whichever thread decodes first.
// Inline, since every block goes through it: after the first call it costs a load and a branch.
inline const DctKernels& dct_kernels() {
    static const DctKernels kernels = dct_kernels_for(cpu_level());
    return kernels;
}

// Versions each instruction-set file adds to a table.
void dct_kernels_portable(DctKernels& kernels);
void dct_kernels_avx2(DctKernels& kernels);
void dct_kernels_avx512(DctKernels& kernels);
void dct_kernels_simd128(DctKernels& kernels);

}  // namespace qx
