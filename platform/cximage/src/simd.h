// Run-time choice of the vector kernels: AVX2 where the processor has it, plain code otherwise.
#pragma once

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define CXIMG_X86 1
#include <immintrin.h>
#define CXIMG_AVX2 __attribute__((target("avx2")))
#define CXIMG_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))
namespace cximg {
inline bool HaveAvx2() {
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return have;
}
// 64-byte registers with byte permutes: a 256-entry byte table is four registers.
inline bool HaveVbmi() {
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512bw") != 0 && __builtin_cpu_supports("avx512vbmi") != 0;
    }();
    return have;
}
}  // namespace cximg
#else
#define CXIMG_X86 0
namespace cximg {
inline bool HaveAvx2() { return false; }
inline bool HaveVbmi() { return false; }
}  // namespace cximg
#endif
