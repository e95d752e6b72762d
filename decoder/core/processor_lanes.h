#pragma once

namespace DEC2DIvra {

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// Whether the processor runs 256-bit integer lanes, asked once; the lane
// paths beside the one-by-one ones take it.
inline bool ProcessorHasAvx2()
{
    static bool const has = __builtin_cpu_supports("avx2") != 0;
    return has;
}
#endif

}  // namespace DEC2DIvra
