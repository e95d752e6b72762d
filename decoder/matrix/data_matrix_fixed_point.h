#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
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

}  // namespace DEC2DIvra
