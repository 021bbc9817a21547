#include <gtest/gtest.h>

#include "base/cpu_features.h"

namespace qx {

namespace {

// QX_KERNELS may only take the kernel tables down to versions the processor runs.
TEST(CpuLevelAtMost, ANamedLevelLowersTheDetectedOneAndNeverRaisesIt) {
    EXPECT_EQ(cpu_level_at_most(CPU_AVX512_VBMI, "avx2"), CPU_AVX2);
    EXPECT_EQ(cpu_level_at_most(CPU_AVX512_VBMI, "sse2"), CPU_SSE2);
    EXPECT_EQ(cpu_level_at_most(CPU_AVX512_VBMI, "avx512"), CPU_AVX512);
    EXPECT_EQ(cpu_level_at_most(CPU_AVX2, "avx2"), CPU_AVX2);
    EXPECT_EQ(cpu_level_at_most(CPU_AVX2, "avx512"), CPU_AVX2);
    EXPECT_EQ(cpu_level_at_most(CPU_SSE2, "avx512vbmi"), CPU_SSE2);
    for (const char* unknown : {"", "AVX2", "avx2 ", "fastest"}) {
        EXPECT_EQ(cpu_level_at_most(CPU_AVX512, unknown), CPU_AVX512) << '"' << unknown << '"';
    }
    EXPECT_EQ(cpu_level_at_most(CPU_AVX512, nullptr), CPU_AVX512);
}

}  // namespace

}  // namespace qx
