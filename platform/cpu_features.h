#pragma once
#include <cstdint>

// Instruction-set levels the codecs' kernel tables are built for, each including the ones
// before it. SSE2 is part of every x86-64 processor, so it is the floor.
enum CpuLevel : int32_t {
    CPU_SSE2 = 0,
    CPU_AVX2 = 1,
    CPU_AVX512 = 2,       // F, VL, BW and DQ together
    CPU_AVX512_VBMI = 3,  // and the byte permutes
};

inline constexpr CpuLevel CPU_LEVELS[] = {CPU_SSE2, CPU_AVX2, CPU_AVX512, CPU_AVX512_VBMI};

const char* cpu_level_name(CpuLevel level);

// The highest level this processor and its operating system support, detected once.
CpuLevel cpu_level();
