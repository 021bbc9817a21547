#include "platform/sdl/present_kernels.h"

#include <cstring>

#include "platform/sdl/xrgb_conversion.h"

namespace qx {

namespace {

void enlarge_row_reference(const uint32_t* source, const int32_t* columns, uint32_t* out,
                           int32_t out_width) {
    for (int32_t i = 0; i < out_width; ++i) {
        out[i] = source[columns[i]];
    }
}

void double_row_reference(const uint32_t* source, uint32_t* out, int32_t width) {
    for (int32_t i = 0; i < width; ++i) {
        out[2 * i] = source[i];
        out[2 * i + 1] = source[i];
    }
}

template <int32_t DEPTH>
void xrgb_row_reference(const uint8_t* pixels, uint32_t* out, int32_t width) {
    for (int32_t x = 0; x < width; ++x) {
        uint16_t pixel;
        std::memcpy(&pixel, pixels + 2 * x, 2);
        out[x] = xrgb_from_16bit(pixel, DEPTH);
    }
}

}  // namespace

PresentKernels present_reference_kernels() {
    return {enlarge_row_reference, double_row_reference, xrgb_row_reference<15>,
            xrgb_row_reference<16>};
}

PresentKernels present_kernels_for(CpuLevel level) {
    PresentKernels kernels = present_reference_kernels();
#if defined(__x86_64__)
    if (level >= CPU_AVX2) {
        present_kernels_avx2(kernels);
    }
#else
    (void)level;
#endif
    return kernels;
}

const PresentKernels& present_kernels() {
    // A function-local static: filled once, safely, by whichever thread presents first.
    static const PresentKernels kernels = present_kernels_for(cpu_level());
    return kernels;
}

}  // namespace qx
