#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// 256-bit lane paths, taken where the processor has them.
#define SCANNER_DATA_MATRIX_AVX2 1
#include <immintrin.h>
#endif

namespace DEC2DIvra {

// 1/256 pixel, kept within reach of the frame (a point off it reads 0).
inline int ToFixed(float v)
{
    float const bounded = v > -65536.0f && v < 65536.0f ? v : -65536.0f;
    // Halves away from zero, as lround; a float scaled by 256 plus a half
    // is exact in a double, so the truncation rounds it exactly.
    double const scaled = static_cast<double>(bounded * 256);
    return scaled >= 0 ? static_cast<int>(scaled + 0.5) : -static_cast<int>(0.5 - scaled);
}

#if defined(__SSE2__)
// ToFixed in four lanes. The scaled magnitude m lies below 2^24, so its
// whole part t and its fraction m - t are exact in a float, and m + 1/2
// rounded down is t, or t + 1 when the fraction is a half or more.
inline __m128i ToFixed(__m128 v)
{
    __m128 const inside =
        _mm_and_ps(_mm_cmpgt_ps(v, _mm_set1_ps(-65536.0f)), _mm_cmplt_ps(v, _mm_set1_ps(65536.0f)));
    __m128 const bounded = _mm_or_ps(_mm_and_ps(inside, v), _mm_andnot_ps(inside, _mm_set1_ps(-65536.0f)));
    __m128 const scaled = _mm_mul_ps(bounded, _mm_set1_ps(256.0f));
    __m128 const sign = _mm_and_ps(scaled, _mm_set1_ps(-0.0f));
    __m128 const magnitude = _mm_xor_ps(scaled, sign);
    __m128i const whole = _mm_cvttps_epi32(magnitude);
    __m128 const fraction = _mm_sub_ps(magnitude, _mm_cvtepi32_ps(whole));
    // Up by one where the fraction is a half or more (the mask is -1).
    __m128i const rounded =
        _mm_sub_epi32(whole, _mm_castps_si128(_mm_cmpge_ps(fraction, _mm_set1_ps(0.5f))));
    // Negated where the scaled value is negative: (r ^ m) - m with m all ones.
    __m128i const negative = _mm_srai_epi32(_mm_castps_si128(sign), 31);
    return _mm_sub_epi32(_mm_xor_si128(rounded, negative), negative);
}
#endif

#if defined(SCANNER_DATA_MATRIX_AVX2)
// ToFixed in eight lanes, the four lanes' operations lane for lane.
__attribute__((target("avx2"))) inline __m256i ToFixed(__m256 v)
{
    __m256 const inside = _mm256_and_ps(_mm256_cmp_ps(v, _mm256_set1_ps(-65536.0f), _CMP_GT_OQ),
                                        _mm256_cmp_ps(v, _mm256_set1_ps(65536.0f), _CMP_LT_OQ));
    __m256 const bounded =
        _mm256_or_ps(_mm256_and_ps(inside, v), _mm256_andnot_ps(inside, _mm256_set1_ps(-65536.0f)));
    __m256 const scaled = _mm256_mul_ps(bounded, _mm256_set1_ps(256.0f));
    __m256 const sign = _mm256_and_ps(scaled, _mm256_set1_ps(-0.0f));
    __m256 const magnitude = _mm256_xor_ps(scaled, sign);
    __m256i const whole = _mm256_cvttps_epi32(magnitude);
    __m256 const fraction = _mm256_sub_ps(magnitude, _mm256_cvtepi32_ps(whole));
    __m256i const rounded =
        _mm256_sub_epi32(whole, _mm256_castps_si256(_mm256_cmp_ps(fraction, _mm256_set1_ps(0.5f), _CMP_GE_OQ)));
    __m256i const negative = _mm256_srai_epi32(_mm256_castps_si256(sign), 31);
    return _mm256_sub_epi32(_mm256_xor_si256(rounded, negative), negative);
}
#endif

}  // namespace DEC2DIvra
