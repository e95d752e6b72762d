#include "decoder/matrix/qr/qr_module_sampling.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace DEC2DIvra {

namespace {

constexpr int kSharpen = 4;  // sixteenths of the difference to the neighbours
static_assert(kSharpen > 0 && kSharpen <= 8, "the sharpened difference must stay within 16 bits");

unsigned short Clamp(int value) { return static_cast<unsigned short>(value < 0 ? 0 : (value > 1023 ? 1023 : value)); }

unsigned short Sharpen(int value, int left, int right, int up, int down)
{
    return Clamp(value + (4 * value - left - right - up - down) * kSharpen / 16);
}

}  // namespace

void SampleModuleRow(QRSampler const& sampler, QRPoint const* points, unsigned count, unsigned short* out)
{
    unsigned i = 0;
#if defined(__SSE2__)
    // Four points at a time where all four lie inside: the same single
    // precision steps in the same order as the interior read, so the values
    // are the same to the last bit.
    GrayImage const& image = sampler.GetImage();
    unsigned short const* const pixels = image.GetPixels();
    if (pixels != nullptr && image.GetWidth() >= 2 && image.GetHeight() >= 2) {
        long long const pitch = image.GetPitch();
        __m128 const zero = _mm_setzero_ps();
        __m128 const one = _mm_set1_ps(1.0f);
        __m128 const half = _mm_set1_ps(0.5f);
        __m128 const right = _mm_set1_ps(static_cast<float>(image.GetWidth() - 1));
        __m128 const bottom = _mm_set1_ps(static_cast<float>(image.GetHeight() - 1));
        __m128i const top = _mm_set1_epi16(1023);
        bool const reversed = sampler.IsReversed();
        for (; i + 4 <= count; i += 4) {
            __m128 const a = _mm_loadu_ps(&points[i].x);
            __m128 const b = _mm_loadu_ps(&points[i + 2].x);
            __m128 const x = _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
            __m128 const y = _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
            __m128 const inside = _mm_and_ps(_mm_and_ps(_mm_cmpge_ps(x, zero), _mm_cmpge_ps(y, zero)),
                                             _mm_and_ps(_mm_cmplt_ps(x, right), _mm_cmplt_ps(y, bottom)));
            if (_mm_movemask_ps(inside) != 15) {
                for (unsigned k = i; k < i + 4; ++k) {
                    QRPoint const& p = points[k];
                    out[k] = Clamp(sampler.IsInterior(p.x, p.y) ? sampler.AtInterior(p.x, p.y) : sampler.At(p.x, p.y));
                }
                continue;
            }
            __m128i const xi = _mm_cvttps_epi32(x);
            __m128i const yi = _mm_cvttps_epi32(y);
            __m128 const fx = _mm_sub_ps(x, _mm_cvtepi32_ps(xi));
            __m128 const fy = _mm_sub_ps(y, _mm_cvtepi32_ps(yi));
            alignas(16) int xs[4];
            alignas(16) int ys[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(xs), xi);
            _mm_store_si128(reinterpret_cast<__m128i*>(ys), yi);
            alignas(16) int p00[4];
            alignas(16) int p01[4];
            alignas(16) int p10[4];
            alignas(16) int p11[4];
            for (unsigned k = 0; k < 4; ++k) {
                unsigned short const* const p = pixels + static_cast<long long>(ys[k]) * pitch + xs[k];
                p00[k] = p[0];
                p01[k] = p[1];
                p10[k] = p[pitch];
                p11[k] = p[pitch + 1];
            }
            __m128 const gx = _mm_sub_ps(one, fx);
            __m128 const upper =
                _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(_mm_load_si128(reinterpret_cast<__m128i const*>(p00))), gx),
                           _mm_mul_ps(_mm_cvtepi32_ps(_mm_load_si128(reinterpret_cast<__m128i const*>(p01))), fx));
            __m128 const lower =
                _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(_mm_load_si128(reinterpret_cast<__m128i const*>(p10))), gx),
                           _mm_mul_ps(_mm_cvtepi32_ps(_mm_load_si128(reinterpret_cast<__m128i const*>(p11))), fx));
            __m128 const blend =
                _mm_add_ps(_mm_add_ps(_mm_mul_ps(upper, _mm_sub_ps(one, fy)), _mm_mul_ps(lower, fy)), half);
            __m128i v = _mm_cvttps_epi32(blend);
            if (reversed) {
                v = _mm_sub_epi32(_mm_set1_epi32(1023), v);
            }
            __m128i const packed = _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(v, v), _mm_setzero_si128()), top);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), packed);
        }
    }
#endif
    for (; i < count; ++i) {
        QRPoint const& p = points[i];
        out[i] = Clamp(sampler.IsInterior(p.x, p.y) ? sampler.AtInterior(p.x, p.y) : sampler.At(p.x, p.y));
    }
}

void SharpenModules(unsigned short const* sampled, unsigned short* sharpened, unsigned size)
{
    if (size < 2) {
        return;
    }
    unsigned const last = size - 1;
    for (unsigned y = 0; y < size; ++y) {
        unsigned short const* const line = sampled + y * size;
        unsigned short const* const above = y > 0 ? line - size : line;
        unsigned short const* const below = y + 1 < size ? line + size : line;
        unsigned short* const out = sharpened + y * size;
        out[0] = Sharpen(line[0], line[0], line[1], above[0], below[0]);
        unsigned x = 1;
#if defined(__SSE2__)
        // Eight modules at a time in 16-bit lanes: values below 1024 keep the
        // weighted difference within 16 bits, and the division by 16 rounds
        // toward zero as the plain one does.
        __m128i const zero = _mm_setzero_si128();
        __m128i const top = _mm_set1_epi16(1023);
        __m128i const weight = _mm_set1_epi16(kSharpen);
        __m128i const round = _mm_set1_epi16(15);
        for (; x + 8 <= last; x += 8) {
            __m128i const v = _mm_loadu_si128(reinterpret_cast<__m128i const*>(line + x));
            __m128i const l = _mm_loadu_si128(reinterpret_cast<__m128i const*>(line + x - 1));
            __m128i const r = _mm_loadu_si128(reinterpret_cast<__m128i const*>(line + x + 1));
            __m128i const u = _mm_loadu_si128(reinterpret_cast<__m128i const*>(above + x));
            __m128i const d = _mm_loadu_si128(reinterpret_cast<__m128i const*>(below + x));
            __m128i const around = _mm_add_epi16(_mm_add_epi16(l, r), _mm_add_epi16(u, d));
            __m128i const weighted = _mm_mullo_epi16(_mm_sub_epi16(_mm_slli_epi16(v, 2), around), weight);
            __m128i const bias = _mm_and_si128(_mm_srai_epi16(weighted, 15), round);
            __m128i const sharp = _mm_add_epi16(v, _mm_srai_epi16(_mm_add_epi16(weighted, bias), 4));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_min_epi16(_mm_max_epi16(sharp, zero), top));
        }
#endif
        for (; x < last; ++x) {
            out[x] = Sharpen(line[x], line[x - 1], line[x + 1], above[x], below[x]);
        }
        out[last] = Sharpen(line[last], line[last - 1], line[last], above[last], below[last]);
    }
}

ModuleSplit SplitModules(unsigned short* values, unsigned char* dark, unsigned count, int threshold)
{
    ModuleSplit split;
    unsigned i = 0;
#if defined(__SSE2__)
    // Eight modules at a time; the sums gather in 32-bit lanes, emptied
    // every 64K modules (each lane then holds below 2^25).
    __m128i const level = _mm_set1_epi16(static_cast<short>(threshold));
    __m128i const ones = _mm_set1_epi16(1);
    while (threshold >= 0 && threshold <= 1023 && i + 8 <= count) {
        unsigned const end = count - i > 65536u ? i + 65536u : count;
        __m128i darkSums = _mm_setzero_si128();
        __m128i allSums = _mm_setzero_si128();
        __m128i darkCounts = _mm_setzero_si128();
        for (; i + 8 <= end; i += 8) {
            __m128i const v = _mm_loadu_si128(reinterpret_cast<__m128i const*>(values + i));
            __m128i const off = _mm_sub_epi16(v, level);
            __m128i const isDark = _mm_srai_epi16(off, 15);
            __m128i const flags = _mm_and_si128(isDark, ones);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(dark + i), _mm_packus_epi16(flags, flags));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(values + i), _mm_sub_epi16(_mm_xor_si128(off, isDark), isDark));
            darkSums = _mm_add_epi32(darkSums, _mm_madd_epi16(_mm_and_si128(v, isDark), ones));
            allSums = _mm_add_epi32(allSums, _mm_madd_epi16(v, ones));
            darkCounts = _mm_add_epi32(darkCounts, _mm_madd_epi16(flags, ones));
        }
        alignas(16) int lanes[3][4];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes[0]), darkSums);
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes[1]), allSums);
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes[2]), darkCounts);
        for (unsigned k = 0; k < 4; ++k) {
            split.darkSum += lanes[0][k];
            split.allSum += lanes[1][k];
            split.darkCount += static_cast<unsigned>(lanes[2][k]);
        }
    }
#endif
    // Dark and light modules come in no order: the loop keeps clear of
    // branches on them.
    for (; i < count; ++i) {
        int const value = values[i];
        int const off = value - threshold;
        int const isDark = off < 0 ? -1 : 0;  // all bits set for a dark module
        dark[i] = static_cast<unsigned char>(isDark & 1);
        values[i] = static_cast<unsigned short>((off ^ isDark) - isDark);
        split.darkSum += value & isDark;
        split.allSum += value;
        split.darkCount += static_cast<unsigned>(isDark & 1);
    }
    return split;
}

}  // namespace DEC2DIvra
