// Grey samples along a line and the edges between their dark and light runs.
#include "decoder/stacked/pdf_row_reader.h"

#include <cmath>

#include "decoder/stacked/pdf_row_reader_tools.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace DEC2DIvra {

using namespace pdf_rows;

unsigned PDFRowReader::SampleLine(GrayImage const& image, float x0, float y0, float x1, float y1, bool inverted)
{
    return SampleLine(image, x0, y0, x1, y1, inverted, b_->samples);
}

unsigned PDFRowReader::SampleLine(GrayImage const& image, float x0, float y0, float x1, float y1, bool inverted,
                                  float* out)
{
    float const dx = x1 - x0;
    float const dy = y1 - y0;
    float const length = std::sqrt(dx * dx + dy * dy);
    if (!(length >= 2.0f)) {
        return 0;
    }
    unsigned count = static_cast<unsigned>(length * 2.0f) + 1;
    count = count > kMaxSamples ? kMaxSamples : count;
    float const sx = dx / static_cast<float>(count - 1);
    float const sy = dy / static_cast<float>(count - 1);
    int const width = image.GetWidth();
    int const height = image.GetHeight();
    int const pitch = image.GetPitch();
    unsigned short const* const pixels = image.GetPixels();
    // The samples step in 16.16 fixed point (finer than a float's position
    // across the frame); those with their four neighbours inside the frame
    // read them straight from the rows, the others clamped to the border.
    bool const fixed = pixels != nullptr && Abs(x0) < kFixedReach && Abs(y0) < kFixedReach &&
                       Abs(x1) < kFixedReach && Abs(y1) < kFixedReach;
    if (fixed) {
        int fx = static_cast<int>(std::lround(x0 * 65536.0f));
        int fy = static_cast<int>(std::lround(y0 * 65536.0f));
        int const fsx = static_cast<int>(std::lround(sx * 65536.0f));
        int const fsy = static_cast<int>(std::lround(sy * 65536.0f));
        unsigned const innerWidth = width > 1 ? static_cast<unsigned>(width - 1) : 0u;
        unsigned const innerHeight = height > 1 ? static_cast<unsigned>(height - 1) : 0u;
        auto const sampleAt = [&](int at, int x, int y) {
            int const ix = x >> 16;
            int const iy = y >> 16;
            float const ax = static_cast<float>(x & 0xFFFF) * (1.0f / 65536.0f);
            float const ay = static_cast<float>(y & 0xFFFF) * (1.0f / 65536.0f);
            float p00, p10, p01, p11;
            if (static_cast<unsigned>(ix) < innerWidth && static_cast<unsigned>(iy) < innerHeight) {
                unsigned short const* const p = pixels + static_cast<long long>(iy) * pitch + ix;
                p00 = p[0];
                p10 = p[1];
                p01 = p[pitch];
                p11 = p[pitch + 1];
            } else {
                p00 = image.AtClamped(ix, iy);
                p10 = image.AtClamped(ix + 1, iy);
                p01 = image.AtClamped(ix, iy + 1);
                p11 = image.AtClamped(ix + 1, iy + 1);
            }
            float const top = p00 * (1 - ax) + p10 * ax;
            float const bottom = p01 * (1 - ax) + p11 * ax;
            float const v = top * (1 - ay) + bottom * ay;
            out[at] = inverted ? 1023.0f - v : v;
        };
        // Four samples at a time where all their neighbours lie inside the
        // frame: the same products and sums in float lanes, so each value
        // is the one-by-one blend's exactly. A pixel's offset is its row
        // times the pitch plus its column from one multiply-add of 16-bit
        // halves (a frame and pitch below 2^15).
        unsigned i = 0;
#if defined(__SSE2__)
        if (pitch < 32768 && width < 32768 && height < 32768) {
            __m128i const mask = _mm_set1_epi32(0xFFFF);
            __m128i const none = _mm_set1_epi32(-1);
            __m128i const lastX = _mm_set1_epi32(static_cast<int>(innerWidth));
            __m128i const lastY = _mm_set1_epi32(static_cast<int>(innerHeight));
            __m128i const rowStep = _mm_set1_epi32(1 | (pitch << 16));
            __m128 const one = _mm_set1_ps(1.0f);
            __m128 const unit = _mm_set1_ps(1.0f / 65536.0f);
            __m128 const white = _mm_set1_ps(1023.0f);
            __m128i vx = _mm_setr_epi32(fx, fx + fsx, fx + 2 * fsx, fx + 3 * fsx);
            __m128i vy = _mm_setr_epi32(fy, fy + fsy, fy + 2 * fsy, fy + 3 * fsy);
            __m128i const stepX = _mm_set1_epi32(4 * fsx);
            __m128i const stepY = _mm_set1_epi32(4 * fsy);
            for (; i + 4 <= count; i += 4) {
                __m128i const ix = _mm_srai_epi32(vx, 16);
                __m128i const iy = _mm_srai_epi32(vy, 16);
                __m128i const inside =
                    _mm_and_si128(_mm_and_si128(_mm_cmpgt_epi32(ix, none), _mm_cmplt_epi32(ix, lastX)),
                                  _mm_and_si128(_mm_cmpgt_epi32(iy, none), _mm_cmplt_epi32(iy, lastY)));
                if (_mm_movemask_epi8(inside) != 0xFFFF) {
                    for (int k = 0; k < 4; ++k) {
                        sampleAt(static_cast<int>(i) + k, fx + k * fsx, fy + k * fsy);
                    }
                } else {
                    alignas(16) int at[4];
                    _mm_store_si128(reinterpret_cast<__m128i*>(at),
                                    _mm_madd_epi16(_mm_or_si128(ix, _mm_slli_epi32(iy, 16)), rowStep));
                    unsigned short const* const a = pixels + at[0];
                    unsigned short const* const b = pixels + at[1];
                    unsigned short const* const c = pixels + at[2];
                    unsigned short const* const d = pixels + at[3];
                    // A pixel and its right neighbour in one 32-bit read.
                    __m128i const upper = _mm_setr_epi32(Pair(a), Pair(b), Pair(c), Pair(d));
                    __m128i const lower = _mm_setr_epi32(Pair(a + pitch), Pair(b + pitch), Pair(c + pitch), Pair(d + pitch));
                    __m128 const p00 = _mm_cvtepi32_ps(_mm_and_si128(upper, mask));
                    __m128 const p10 = _mm_cvtepi32_ps(_mm_srli_epi32(upper, 16));
                    __m128 const p01 = _mm_cvtepi32_ps(_mm_and_si128(lower, mask));
                    __m128 const p11 = _mm_cvtepi32_ps(_mm_srli_epi32(lower, 16));
                    __m128 const ax = _mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(vx, mask)), unit);
                    __m128 const ay = _mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(vy, mask)), unit);
                    __m128 const bx = _mm_sub_ps(one, ax);
                    __m128 const top = _mm_add_ps(_mm_mul_ps(p00, bx), _mm_mul_ps(p10, ax));
                    __m128 const bottom = _mm_add_ps(_mm_mul_ps(p01, bx), _mm_mul_ps(p11, ax));
                    __m128 v = _mm_add_ps(_mm_mul_ps(top, _mm_sub_ps(one, ay)), _mm_mul_ps(bottom, ay));
                    v = inverted ? _mm_sub_ps(white, v) : v;
                    _mm_storeu_ps(out + i, v);
                }
                fx += 4 * fsx;
                fy += 4 * fsy;
                vx = _mm_add_epi32(vx, stepX);
                vy = _mm_add_epi32(vy, stepY);
            }
        }
#endif
        for (; i < count; ++i, fx += fsx, fy += fsy) {
            sampleAt(static_cast<int>(i), fx, fy);
        }
    }
    for (unsigned i = 0; i < count && !fixed; ++i) {
        float const x = x0 + sx * static_cast<float>(i);
        float const y = y0 + sy * static_cast<float>(i);
        int const ix = FloorToInt(x);
        int const iy = FloorToInt(y);
        float const fx = x - static_cast<float>(ix);
        float const fy = y - static_cast<float>(iy);
        float const top = image.AtClamped(ix, iy) * (1 - fx) + image.AtClamped(ix + 1, iy) * fx;
        float const bottom = image.AtClamped(ix, iy + 1) * (1 - fx) + image.AtClamped(ix + 1, iy + 1) * fx;
        float const v = top * (1 - fy) + bottom * fy;
        out[i] = inverted ? 1023.0f - v : v;
    }
    // A light smoothing over about a pixel keeps sensor noise from splitting runs.
    float* const s = out;
    float previous = s[0];
    unsigned i = 1;
#if defined(__SSE2__)
    // Four at a time from the values before smoothing: the one before the
    // four kept aside, the one after them still unchanged.
    // A quarter is a power of two: the product is the quotient by four to the bit.
    __m128 const two = _mm_set1_ps(2.0f);
    __m128 const quarter = _mm_set1_ps(0.25f);
    for (; i + 4 < count; i += 4) {
        __m128 const here = _mm_loadu_ps(s + i);
        __m128 const next = _mm_loadu_ps(s + i + 1);
        __m128 const before = _mm_move_ss(_mm_shuffle_ps(here, here, _MM_SHUFFLE(2, 1, 0, 0)), _mm_set_ss(previous));
        previous = s[i + 3];
        _mm_storeu_ps(s + i, _mm_mul_ps(_mm_add_ps(_mm_add_ps(before, _mm_mul_ps(two, here)), next), quarter));
    }
#endif
    for (; i + 1 < count; ++i) {
        float const here = s[i];
        s[i] = (previous + 2.0f * here + s[i + 1]) * 0.25f;
        previous = here;
    }
    return count;
}

unsigned PDFRowReader::FindEdges(unsigned count, bool& firstDark)
{
    return FindEdges(b_->samples, count, b_->edges, firstDark);
}

unsigned PDFRowReader::FindEdges(float const* s, unsigned count, float* out, bool& firstDark)
{
    unsigned const blocks = (count + kBlock - 1) / kBlock;
    float low[kMaxSamples / kBlock + 1];
    float high[kMaxSamples / kBlock + 1];
    float globalLow = 1e9f;
    float globalHigh = -1e9f;
    static_assert(kBlock == 16, "a block is four float lanes of four");
    for (unsigned k = 0; k < blocks; ++k) {
        low[k] = 1e9f;
        high[k] = -1e9f;
        bool const whole = (k + 1) * kBlock <= count;
#if defined(__SSE2__)
        if (whole) {
            // A whole block: the lanes' extremes, then the four lanes'.
            float const* const b = s + k * kBlock;
            __m128 const v0 = _mm_loadu_ps(b);
            __m128 const v1 = _mm_loadu_ps(b + 4);
            __m128 const v2 = _mm_loadu_ps(b + 8);
            __m128 const v3 = _mm_loadu_ps(b + 12);
            alignas(16) float lo[4];
            alignas(16) float hi[4];
            _mm_store_ps(lo, _mm_min_ps(_mm_min_ps(v0, v1), _mm_min_ps(v2, v3)));
            _mm_store_ps(hi, _mm_max_ps(_mm_max_ps(v0, v1), _mm_max_ps(v2, v3)));
            for (unsigned n = 0; n < 4; ++n) {
                low[k] = lo[n] < low[k] ? lo[n] : low[k];
                high[k] = hi[n] > high[k] ? hi[n] : high[k];
            }
        }
        bool const lanes = true;
#else
        bool const lanes = false;
#endif
        for (unsigned i = k * kBlock; i < count && i < (k + 1) * kBlock && !(whole && lanes); ++i) {
            low[k] = s[i] < low[k] ? s[i] : low[k];
            high[k] = s[i] > high[k] ? s[i] : high[k];
        }
        globalLow = low[k] < globalLow ? low[k] : globalLow;
        globalHigh = high[k] > globalHigh ? high[k] : globalHigh;
    }
    float const floor = (globalHigh - globalLow) / 5.0f > 20.0f ? (globalHigh - globalLow) / 5.0f : 20.0f;
    float threshold[kMaxSamples / kBlock + 1];
    float last = (globalHigh + globalLow) / 2;
    for (unsigned k = 0; k < blocks; ++k) {
        float lo = 1e9f;
        float hi = -1e9f;
        unsigned const from = k >= 2 ? k - 2 : 0;
        for (unsigned j = from; j < blocks && j <= k + 2; ++j) {
            lo = low[j] < lo ? low[j] : lo;
            hi = high[j] > hi ? high[j] : hi;
        }
        if (hi - lo >= floor) {
            last = (hi + lo) / 2;
        }
        threshold[k] = last;
    }
    unsigned edges = 0;
    firstDark = false;
    // Block by block, the samples below the block's threshold as a mask of
    // bits; an edge lies wherever a bit differs from the one before it.
    unsigned previous = s[0] < threshold[0] ? 1u : 0u;
    for (unsigned k = 0; k < blocks && edges < kMaxEdges; ++k) {
        unsigned const first = k * kBlock;
        unsigned const n = count - first < kBlock ? count - first : kBlock;
        float const t = threshold[k];
        unsigned dark = 0;
#if defined(__SSE2__)
        bool const lanes = n == kBlock;
        if (lanes) {
            __m128 const vt = _mm_set1_ps(t);
            float const* const b = s + first;
            dark = static_cast<unsigned>(_mm_movemask_ps(_mm_cmplt_ps(_mm_loadu_ps(b), vt))) |
                   static_cast<unsigned>(_mm_movemask_ps(_mm_cmplt_ps(_mm_loadu_ps(b + 4), vt))) << 4 |
                   static_cast<unsigned>(_mm_movemask_ps(_mm_cmplt_ps(_mm_loadu_ps(b + 8), vt))) << 8 |
                   static_cast<unsigned>(_mm_movemask_ps(_mm_cmplt_ps(_mm_loadu_ps(b + 12), vt))) << 12;
        }
#else
        bool const lanes = false;
#endif
        for (unsigned i = 0; i < n && !lanes; ++i) {
            dark |= (s[first + i] < t ? 1u : 0u) << i;
        }
        unsigned changes = (dark ^ ((dark << 1) | previous)) & ((1u << n) - 1u);
        previous = (dark >> (n - 1)) & 1u;
        for (; changes != 0 && edges < kMaxEdges; changes &= changes - 1) {
            unsigned const i = first + static_cast<unsigned>(__builtin_ctz(changes));
            float const d = s[i] - s[i - 1];
            float const at = d != 0 ? static_cast<float>(i - 1) + (t - s[i - 1]) / d : static_cast<float>(i);
            if (edges == 0) {
                firstDark = ((dark >> (i - first)) & 1u) != 0;
            }
            out[edges++] = at;
        }
    }
    return edges;
}

}  // namespace DEC2DIvra
