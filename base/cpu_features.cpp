#include "base/cpu_features.h"

#include <cstdlib>
#include <cstring>

namespace qx {

namespace {

CpuLevel detect_cpu_level() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq")) {
        return __builtin_cpu_supports("avx512vbmi") ? CPU_AVX512_VBMI : CPU_AVX512;
    }
    if (__builtin_cpu_supports("avx2")) {
        return CPU_AVX2;
    }
    return CPU_SSE2;
#elif defined(__wasm_simd128__)
    return CPU_SIMD128;
#elif defined(__wasm__)
    return CPU_PORTABLE;
#else
    return CPU_SSE2;
#endif
}

}  // namespace

const char* cpu_level_name(CpuLevel level) {
    switch (level) {
#if defined(__wasm__)
        case CPU_PORTABLE:
            return "portable";
        case CPU_SIMD128:
            return "simd128";
#else
        case CPU_SSE2:
            return "sse2";
        case CPU_AVX2:
            return "avx2";
        case CPU_AVX512:
            return "avx512";
        case CPU_AVX512_VBMI:
            return "avx512vbmi";
#endif
    }
    return "?";
}

CpuLevel cpu_level_at_most(CpuLevel detected, const char* wanted) {
    if (wanted == nullptr) {
        return detected;
    }
    for (CpuLevel level : CPU_LEVELS) {
        if (level < detected && std::strcmp(wanted, cpu_level_name(level)) == 0) {
            return level;
        }
    }
    return detected;
}

CpuLevel cpu_level() {
    static const CpuLevel level = cpu_level_at_most(detect_cpu_level(), std::getenv("QX_KERNELS"));
    return level;
}

}  // namespace qx
