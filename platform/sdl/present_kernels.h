#pragma once
#include <cstdint>

#include "base/cpu_features.h"

namespace qx {

// The hot loop of showing pictures in a window's own surface, reached through this table: the
// plain reference is always there, and faster versions replace it where the processor has the
// instructions. Every version gives the reference's output bit for bit (the kernel checker
// proves it).

// out[i] = source[columns[i]] for i below out_width.
using EnlargeRowKernel = void (*)(const uint32_t* source, const int32_t* columns, uint32_t* out,
                                  int32_t out_width);

// out[2 i] = out[2 i + 1] = source[i] for i below width: the common doubling, without a column
// map.
using DoubleRowKernel = void (*)(const uint32_t* source, uint32_t* out, int32_t width);
// One row of `width` 16-bit frame-buffer pixels (any alignment) as 0x00RRGGBB words, each the
// word xrgb_from_16bit gives.
using XrgbRowKernel = void (*)(const uint8_t* pixels, uint32_t* out, int32_t width);

struct PresentKernels {
    EnlargeRowKernel enlarge_row;
    DoubleRowKernel double_row;
    XrgbRowKernel xrgb_from_555_row;
    XrgbRowKernel xrgb_from_565_row;
};

// The plain versions everything is checked against.
PresentKernels present_reference_kernels();
// The fastest versions up to `level`.
PresentKernels present_kernels_for(CpuLevel level);
// The table the presenter uses, filled for this processor on first use.
const PresentKernels& present_kernels();

// Versions each instruction-set file adds to a table.
void present_kernels_avx2(PresentKernels& kernels);

}  // namespace qx
