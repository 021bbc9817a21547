#pragma once
#include <cstdint>

namespace qx {

// Instruction-set levels the codecs' kernel tables are built for, each including the ones
// before it.
#if defined(__wasm__)
// WebAssembly: the portable code, and SIMD128 when the module is built with it.
enum CpuLevel : int32_t {
    CPU_PORTABLE = 0,
    CPU_SIMD128 = 1,
};

inline constexpr CpuLevel CPU_LEVELS[] = {CPU_PORTABLE, CPU_SIMD128};
#else
// SSE2 is part of every x86-64 processor, so it is the floor.
enum CpuLevel : int32_t {
    CPU_SSE2 = 0,
    CPU_AVX2 = 1,
    CPU_AVX512 = 2,       // F, VL, BW and DQ together
    CPU_AVX512_VBMI = 3,  // and the byte permutes
};

inline constexpr CpuLevel CPU_LEVELS[] = {CPU_SSE2, CPU_AVX2, CPU_AVX512, CPU_AVX512_VBMI};
#endif

const char* cpu_level_name(CpuLevel level);

// The level the kernel tables are built for, chosen once: the highest this processor and its
// operating system support, or a lower one named by the QX_KERNELS environment variable
// ("sse2", "avx2", "avx512"; "portable" in WebAssembly), so the versions other processors run
// can be timed on this one.
CpuLevel cpu_level();

// `detected`, or the level `wanted` names when that is lower; a missing, unknown or higher
// name leaves `detected`.
CpuLevel cpu_level_at_most(CpuLevel detected, const char* wanted);

}  // namespace qx
