#include "decoder/matrix/data_matrix/data_matrix_outline.h"

#include <bit>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "decoder/core/sampling/bilinear.h"
#include "decoder/matrix/data_matrix/data_matrix_fixed_point.h"

#if defined(SCANNER_DATA_MATRIX_AVX2)
#include "decoder/core/processor_lanes.h"
#endif

namespace DEC2DIvra {

namespace {

float Cross(OutlinePoint const& o, OutlinePoint const& a, OutlinePoint const& b)
{
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// The floor of a value well within int's range.
int FloorWithin(float v)
{
    int const t = static_cast<int>(v);
    return static_cast<float>(t) > v ? t - 1 : t;
}

#if defined(__SSE2__)
// Sample's values at four points whose four pixels all lie on the image,
// each weighed term for term as Sample does; false, nothing written, when a
// point's do not (or the image has no pixels).
[[gnu::always_inline]] inline bool SampleFour(GrayImage const& image, __m128 xs, __m128 ys, __m128& values)
{
    if (image.GetPixels() == nullptr) {
        return false;
    }
    // Floors: truncation stepped down below a negative fraction; far off
    // the image (or not a number) the truncation is the least integer,
    // which fails the test below.
    __m128i x0 = _mm_cvttps_epi32(xs);
    __m128i y0 = _mm_cvttps_epi32(ys);
    x0 = _mm_add_epi32(x0, _mm_castps_si128(_mm_cmpgt_ps(_mm_cvtepi32_ps(x0), xs)));
    y0 = _mm_add_epi32(y0, _mm_castps_si128(_mm_cmpgt_ps(_mm_cvtepi32_ps(y0), ys)));
    // 0 <= x0 < width - 1 and 0 <= y0 < height - 1 in every lane.
    __m128i const zero = _mm_setzero_si128();
    __m128i const off = _mm_or_si128(
        _mm_or_si128(_mm_cmpgt_epi32(x0, _mm_set1_epi32(image.GetWidth() - 2)), _mm_cmplt_epi32(x0, zero)),
        _mm_or_si128(_mm_cmpgt_epi32(y0, _mm_set1_epi32(image.GetHeight() - 2)), _mm_cmplt_epi32(y0, zero)));
    if (_mm_movemask_epi8(off) != 0) {
        return false;
    }
    int const pitch = image.GetPitch();
    int xi[4];
    int yi[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(xi), x0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(yi), y0);
    // Each point's pixel pairs read as 32-bit words, the left pixel in the
    // low half; the pixels as floats are the same whole numbers.
    int upper[4];
    int lower[4];
    unsigned short const* const pixels = image.GetPixels();
    auto pairs = [&](int k) {
        unsigned short const* q = pixels + static_cast<long long>(yi[k]) * pitch + xi[k];
        std::memcpy(&upper[k], q, sizeof(int));
        std::memcpy(&lower[k], q + pitch, sizeof(int));
    };
    pairs(0);
    pairs(1);
    pairs(2);
    pairs(3);
    __m128i const pairsAbove = _mm_loadu_si128(reinterpret_cast<__m128i const*>(upper));
    __m128i const pairsBelow = _mm_loadu_si128(reinterpret_cast<__m128i const*>(lower));
    __m128i const low = _mm_set1_epi32(0xffff);
    __m128 const p00 = _mm_cvtepi32_ps(_mm_and_si128(pairsAbove, low));
    __m128 const p01 = _mm_cvtepi32_ps(_mm_srli_epi32(pairsAbove, 16));
    __m128 const p10 = _mm_cvtepi32_ps(_mm_and_si128(pairsBelow, low));
    __m128 const p11 = _mm_cvtepi32_ps(_mm_srli_epi32(pairsBelow, 16));
    __m128 const one = _mm_set1_ps(1.0f);
    __m128 const ax = _mm_sub_ps(xs, _mm_cvtepi32_ps(x0));
    __m128 const ay = _mm_sub_ps(ys, _mm_cvtepi32_ps(y0));
    __m128 const top = _mm_add_ps(_mm_mul_ps(p00, _mm_sub_ps(one, ax)), _mm_mul_ps(p01, ax));
    __m128 const bottom = _mm_add_ps(_mm_mul_ps(p10, _mm_sub_ps(one, ax)), _mm_mul_ps(p11, ax));
    values = _mm_add_ps(_mm_mul_ps(top, _mm_sub_ps(one, ay)), _mm_mul_ps(bottom, ay));
    return true;
}
#endif

#if defined(SCANNER_DATA_MATRIX_AVX2)
// SampleFour for eight points in 256-bit lanes, each weighed as SampleFour
// weighs it. The pixel pairs are gathered by their offsets from the frame's
// first pixel, which must fit an int: `usable` says whether they do.
struct EightLanes {
    unsigned short const* pixels;
    int pitch;
    int width;
    int height;
    bool usable;

    explicit EightLanes(GrayImage const& image)
        : pixels(image.GetPixels()), pitch(image.GetPitch()), width(image.GetWidth()), height(image.GetHeight()),
          usable(pixels != nullptr && pitch > 0 && static_cast<long long>(pitch) * height <= 0x7fffffffll)
    {
    }

    // False, nothing written, where a point's four pixels leave the image.
    __attribute__((target("avx2"), always_inline)) bool Sample(__m256 x, __m256 y, __m256& values) const
    {
        __m256i x0 = _mm256_cvttps_epi32(x);
        __m256i y0 = _mm256_cvttps_epi32(y);
        x0 = _mm256_add_epi32(x0, _mm256_castps_si256(_mm256_cmp_ps(_mm256_cvtepi32_ps(x0), x, _CMP_GT_OS)));
        y0 = _mm256_add_epi32(y0, _mm256_castps_si256(_mm256_cmp_ps(_mm256_cvtepi32_ps(y0), y, _CMP_GT_OS)));
        __m256i const zero = _mm256_setzero_si256();
        __m256i const off = _mm256_or_si256(
            _mm256_or_si256(_mm256_cmpgt_epi32(x0, _mm256_set1_epi32(width - 2)), _mm256_cmpgt_epi32(zero, x0)),
            _mm256_or_si256(_mm256_cmpgt_epi32(y0, _mm256_set1_epi32(height - 2)), _mm256_cmpgt_epi32(zero, y0)));
        if (!_mm256_testz_si256(off, off)) {
            return false;
        }
        __m256i const index = _mm256_add_epi32(_mm256_mullo_epi32(y0, _mm256_set1_epi32(pitch)), x0);
        __m256i const above = _mm256_i32gather_epi32(reinterpret_cast<int const*>(pixels), index, 2);
        __m256i const below = _mm256_i32gather_epi32(reinterpret_cast<int const*>(pixels + pitch), index, 2);
        __m256i const low = _mm256_set1_epi32(0xffff);
        __m256 const p00 = _mm256_cvtepi32_ps(_mm256_and_si256(above, low));
        __m256 const p01 = _mm256_cvtepi32_ps(_mm256_srli_epi32(above, 16));
        __m256 const p10 = _mm256_cvtepi32_ps(_mm256_and_si256(below, low));
        __m256 const p11 = _mm256_cvtepi32_ps(_mm256_srli_epi32(below, 16));
        __m256 const one = _mm256_set1_ps(1.0f);
        __m256 const ax = _mm256_sub_ps(x, _mm256_cvtepi32_ps(x0));
        __m256 const ay = _mm256_sub_ps(y, _mm256_cvtepi32_ps(y0));
        __m256 const top = _mm256_add_ps(_mm256_mul_ps(p00, _mm256_sub_ps(one, ax)), _mm256_mul_ps(p01, ax));
        __m256 const bottom = _mm256_add_ps(_mm256_mul_ps(p10, _mm256_sub_ps(one, ax)), _mm256_mul_ps(p11, ax));
        values = _mm256_add_ps(_mm256_mul_ps(top, _mm256_sub_ps(one, ay)), _mm256_mul_ps(bottom, ay));
        return true;
    }
};

// Sample's values at points first on, eight at a time while all eight
// points' four pixels lie on the image; the points done, a multiple of eight.
__attribute__((target("avx2"))) unsigned SampleEights(GrayImage const& image, float const* xs, float const* ys,
                                                      unsigned n, float* out)
{
    EightLanes const lanes(image);
    unsigned i = 0;
    for (; lanes.usable && i + 8 <= n; i += 8) {
        __m256 values;
        if (!lanes.Sample(_mm256_loadu_ps(xs + i), _mm256_loadu_ps(ys + i), values)) {
            break;
        }
        _mm256_storeu_ps(out + i, values);
    }
    return i;
}

// The darkness bits of the 64 pixels at p as CalcDarkWord's lanes give
// them, thirty-two pixels at a time in 256-bit lanes: the least of each
// column's three pixels over three neighbouring columns below `limit` (on a
// light-on-dark symbol, the greatest above it), in unsigned 16-bit lanes.
// The pixels one column either side and one row above and below lie on the
// image.
template <bool Negative>
__attribute__((target("avx2"))) unsigned long long DarkBitsWide(unsigned short const* p, int pitch,
                                                                 unsigned short limit)
{
    __m256i const limits = _mm256_set1_epi16(static_cast<short>(limit));
    auto extreme = [&](__m256i a, __m256i b) __attribute__((target("avx2"), always_inline)) {
        return Negative ? _mm256_max_epu16(a, b) : _mm256_min_epu16(a, b);
    };
    auto column = [&](unsigned short const* q) __attribute__((target("avx2"), always_inline)) {
        __m256i const above = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(q - pitch));
        __m256i const at = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(q));
        __m256i const below = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(q + pitch));
        return extreme(extreme(above, at), below);
    };
    // All ones where the pixel is not dark: the extreme lies at or beyond
    // the limit, so that taking the limit's side leaves it as it is.
    auto light = [&](unsigned short const* q) __attribute__((target("avx2"), always_inline)) {
        __m256i const m = extreme(extreme(column(q - 1), column(q)), column(q + 1));
        __m256i const side = Negative ? _mm256_min_epu16(m, limits) : _mm256_max_epu16(m, limits);
        return _mm256_cmpeq_epi16(side, m);
    };
    unsigned long long bits = 0;
    for (int i = 0; i < 64; i += 32) {
        // Packing works within 128-bit halves: the quarters are put back
        // in pixel order before their bytes' top bits are taken.
        __m256i const packed = _mm256_permute4x64_epi64(_mm256_packs_epi16(light(p + i), light(p + i + 16)), 0xD8);
        bits |= static_cast<unsigned long long>(static_cast<unsigned>(_mm256_movemask_epi8(packed))) << i;
    }
    return ~bits;
}

// The grey bins (a sixteenth of the 10-bit range, greys above it in the
// top bin) of row points x, x + step, ... counted sixteen at a time in
// 256-bit lanes while sixteen lie at or before `right`, step 1 or 2; the
// counts go to the four histograms by turns. The next point not counted.
__attribute__((target("avx2"))) int CountBinsWide(unsigned short const* row, int x, int right, int step,
                                                  unsigned (*histograms)[64])
{
    __m256i const top = _mm256_set1_epi16(63);
    alignas(32) unsigned short bins[16];
    for (; x + 16 * step - 1 <= right; x += 16 * step) {
        __m256i pixels = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(row + x));
        if (step == 2) {
            // Every other pixel: the low halves of the 32-bit lanes of two
            // loads, packed within 128-bit halves and put back in order.
            __m256i const low = _mm256_set1_epi32(0xffff);
            __m256i const next = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(row + x + 16));
            pixels = _mm256_permute4x64_epi64(
                _mm256_packus_epi32(_mm256_and_si256(pixels, low), _mm256_and_si256(next, low)), 0xD8);
        }
        _mm256_store_si256(reinterpret_cast<__m256i*>(bins), _mm256_min_epu16(_mm256_srli_epi16(pixels, 4), top));
        for (int j = 0; j < 16; ++j) {
            ++histograms[j & 3][bins[j]];
        }
    }
    return x;
}

// An edge scan's eight-point sampling: the luminance (turned over when
// negative) at eight points (px, py) - n at[k] as EightLanes weighs them.
struct EdgeEights {
    EightLanes lanes;
    __m256 pxs;
    __m256 pys;
    __m256 nxs;
    __m256 nys;
    __m256 thresholds;
    bool negative;

    __attribute__((target("avx2"))) EdgeEights(GrayImage const& image, float px, float py, float nx, float ny,
                                               bool turn, float threshold)
        : lanes(image), pxs(_mm256_set1_ps(px)), pys(_mm256_set1_ps(py)), nxs(_mm256_set1_ps(nx)),
          nys(_mm256_set1_ps(ny)), thresholds(_mm256_set1_ps(threshold)), negative(turn)
    {
    }

    // The values at the eight points `at` into values and a bit for each
    // that lies below the threshold, or -1 when they do not all lie on the
    // image.
    __attribute__((target("avx2"), always_inline)) int Dark(float const* at, float* values) const
    {
        __m256 const ss = _mm256_loadu_ps(at);
        __m256 v;
        if (!lanes.Sample(_mm256_sub_ps(pxs, _mm256_mul_ps(nxs, ss)), _mm256_sub_ps(pys, _mm256_mul_ps(nys, ss)), v)) {
            return -1;
        }
        if (negative) {
            v = _mm256_sub_ps(_mm256_set1_ps(1023.0f), v);
        }
        _mm256_storeu_ps(values, v);
        return _mm256_movemask_ps(_mm256_cmp_ps(v, thresholds, _CMP_LT_OS));
    }
};

// The crossing before the first of eight scan points (offsets at, grey
// values) that is dark, dark holding a bit for each: placed between it and
// the point before (previous: the value of the point before the eight).
[[gnu::always_inline]] inline float FirstCrossing(int dark, float const* at, float const* values, float previous,
                                                  float threshold)
{
    int const k = std::countr_zero(static_cast<unsigned>(dark));
    float const before = k == 0 ? previous : values[k - 1];
    return at[k] - 0.5f * (threshold - values[k]) / (before - values[k] + 1e-3f);
}

// The coarse edge scan in 256-bit lanes along a side's table of scan
// offsets (chain[i + 1] is chain[i] plus a half, as the scans step): eight
// runs of Coarse points at a time, each run's last point sampled
// (chain[at + Coarse - 1], chain[at + 2 Coarse - 1], ...), while the eight
// last points lie at or before `inside` and on the image. The dark bits of
// the first eight with a dark point, lane and values holding their last
// points and luminance; else 0 with at and previous moved past the runs
// looked at. The table runs 8 Coarse entries past the first beyond `inside`.
template <int Coarse>
__attribute__((target("avx2"))) int ScanCoarseEightsAlong(GrayImage const& image, float px, float py, float nx,
                                                          float ny, float inside, bool negative, float threshold,
                                                          float const* chain, int& at, float& previous, float* lane,
                                                          float* values)
{
    EdgeEights const eights(image, px, py, nx, ny, negative, threshold);
    if (!eights.lanes.usable) {
        return 0;
    }
    __m256i const steps = _mm256_setr_epi32(0, Coarse, 2 * Coarse, 3 * Coarse, 4 * Coarse, 5 * Coarse, 6 * Coarse,
                                            7 * Coarse);
    for (;;) {
        _mm256_storeu_ps(lane, _mm256_i32gather_ps(chain + at + Coarse - 1, steps, 4));
        if (!(lane[7] <= inside)) {
            return 0;
        }
        int const dark = eights.Dark(lane, values);
        if (dark < 0) {
            return 0;
        }
        if (dark != 0) {
            return dark;
        }
        previous = values[7];
        at += 8 * Coarse;
    }
}

// The fine edge scan in 256-bit lanes along a side's table of scan
// offsets: the eight points from chain[at] on at a time, while the eighth
// lies at or before `inside` and all eight on the image. True with the
// crossing at the first dark point; else `at` and previous are moved past
// the points looked at. The table runs eight entries past the first beyond
// `inside`.
__attribute__((target("avx2"))) bool ScanEightsAlong(GrayImage const& image, float px, float py, float nx, float ny,
                                                     float inside, bool negative, float threshold, float const* chain,
                                                     int& at, float& previous, float& crossing)
{
    EdgeEights const eights(image, px, py, nx, ny, negative, threshold);
    if (!eights.lanes.usable) {
        return false;
    }
    for (;;) {
        float const* const points = chain + at;
        if (!(points[7] <= inside)) {
            return false;
        }
        float values[8];
        int const dark = eights.Dark(points, values);
        if (dark < 0) {
            return false;
        }
        if (dark != 0) {
            crossing = FirstCrossing(dark, points, values, previous, threshold);
            return true;
        }
        previous = values[7];
        at += 8;
    }
}
#endif

}  // namespace

DataMatrixOutline::DataMatrixOutline(VirtualArray<unsigned char> const& marks, VirtualArray<int> const& stack)
    : marks_(marks), stack_(stack)
{
}

float DataMatrixOutline::Sample(GrayImage const& image, float x, float y)
{
    // Far off the image (or not a number, from a degenerate outline) reads
    // dark, as a point off the image does.
    if (!(x > -1.0f && y > -1.0f && x < image.GetWidth() + 1.0f && y < image.GetHeight() + 1.0f)) {
        return 0;
    }
    // Inside the frame the four pixels are read straight from their rows;
    // the weighting is Bilinear's, term for term, so both give the same value.
    // x and y lie within (-1, size + 1) here, so truncation stepped down
    // below a negative fraction is their floor.
    int const x0 = FloorWithin(x);
    int const y0 = FloorWithin(y);
    if (x0 >= 0 && y0 >= 0 && x0 + 1 < image.GetWidth() && y0 + 1 < image.GetHeight() &&
        image.GetPixels() != nullptr) {
        float const fx = static_cast<float>(x0);
        float const fy = static_cast<float>(y0);
        int const pitch = image.GetPitch();
        unsigned short const* p = image.GetPixels() + static_cast<long long>(y0) * pitch + x0;
        float const ax = x - fx;
        float const ay = y - fy;
        float const top = static_cast<float>(p[0]) * (1 - ax) + static_cast<float>(p[1]) * ax;
        float const bottom = static_cast<float>(p[pitch]) * (1 - ax) + static_cast<float>(p[pitch + 1]) * ax;
        return top * (1 - ay) + bottom * ay;
    }
    return Bilinear([&](int i, int j) { return static_cast<float>(image.AtClamped(i, j)); }, x, y);
}

void DataMatrixOutline::SampleAll(GrayImage const& image, float const* xs, float const* ys, unsigned n, float* out)
{
    unsigned i = 0;
#if defined(SCANNER_DATA_MATRIX_AVX2)
    if (ProcessorHasAvx2()) {
        i = SampleEights(image, xs, ys, n, out);
    }
#endif
#if defined(__SSE2__)
    for (; i + 4 <= n; i += 4) {
        __m128 v;
        if (SampleFour(image, _mm_loadu_ps(xs + i), _mm_loadu_ps(ys + i), v)) {
            _mm_storeu_ps(out + i, v);
            continue;
        }
        for (unsigned k = i; k < i + 4; ++k) {
            out[k] = Sample(image, xs[k], ys[k]);
        }
    }
#endif
    for (; i < n; ++i) {
        out[i] = Sample(image, xs[i], ys[i]);
    }
}

float DataMatrixOutline::Luminance(GrayImage const& image, float x, float y) const
{
    float const v = Sample(image, x, y);
    return negative_ ? 1023.0f - v : v;
}

// A pixel with any dark pixel around it: the patch closes over the light
// modules between dark ones, so that the symbol fills as one piece.
bool DataMatrixOutline::IsDark(GrayImage const& image, int x, int y) const
{
    if (x > 0 && y > 0 && x + 1 < image.GetWidth() && y + 1 < image.GetHeight()) {
        int const pitch = image.GetPitch();
        unsigned short const* p = image.GetPixels() + static_cast<long long>(y - 1) * pitch + (x - 1);
        int const t = fillThreshold_;
        if (negative_) {
            return p[0] > t || p[1] > t || p[2] > t || p[pitch] > t || p[pitch + 1] > t || p[pitch + 2] > t ||
                   p[2 * pitch] > t || p[2 * pitch + 1] > t || p[2 * pitch + 2] > t;
        }
        return p[0] < t || p[1] < t || p[2] < t || p[pitch] < t || p[pitch + 1] < t || p[pitch + 2] < t ||
               p[2 * pitch] < t || p[2 * pitch + 1] < t || p[2 * pitch + 2] < t;
    }
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            int const v = image.AtClamped(x + dx, y + dy);
            if (negative_ ? v > fillThreshold_ : v < fillThreshold_) {
                return true;
            }
        }
    }
    return false;
}

// The darkness (IsDark) of the 64 pixels of row y in the given word, bit i
// the word's pixel i; pixels past the frame's width are not dark. Away from
// the frame's border, the least (or, on a light-on-dark symbol, the greatest)
// of each column's three pixels is taken eight columns at a time and then
// over three neighbouring columns; a word on the border goes pixel by pixel.
DataMatrixOutline::Word DataMatrixOutline::CalcDarkWord(GrayImage const& image, int word, int y) const
{
    int const x0 = word * kWordBits;
    if (x0 == 0 || y == 0 || x0 + kWordBits >= width_ || y + 1 >= image.GetHeight()) {
        Word bits = 0;
        int const end = x0 + kWordBits < width_ ? x0 + kWordBits : width_;
        for (int x = x0; x < end; ++x) {
            bits |= IsDark(image, x, y) ? Word{1} << (x - x0) : 0;
        }
        return bits;
    }
    int const pitch = image.GetPitch();
    unsigned short const* p = image.GetPixels() + static_cast<long long>(y) * pitch + x0;
    // Light-on-dark, the values are turned over so that the least is the
    // symbol's own dark either way.
    unsigned short const flip = negative_ ? 0xffff : 0;
    unsigned short const t = static_cast<unsigned short>(negative_ ? 0xffff - fillThreshold_ : fillThreshold_);
#if defined(SCANNER_DATA_MATRIX_AVX2)
    if (ProcessorHasAvx2()) {
        return negative_ ? DarkBitsWide<true>(p, pitch, static_cast<unsigned short>(fillThreshold_))
                         : DarkBitsWide<false>(p, pitch, static_cast<unsigned short>(fillThreshold_));
    }
#endif
#if defined(__SSE2__)
    // Unsigned order from signed 16-bit lanes: the top bit turned over.
    __m128i const turn = _mm_set1_epi16(static_cast<short>(flip ^ 0x8000));
    __m128i const limit = _mm_set1_epi16(static_cast<short>(t ^ 0x8000));
    auto least = [&](unsigned short const* q) {
        __m128i const above = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<__m128i const*>(q - pitch)), turn);
        __m128i const at = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<__m128i const*>(q)), turn);
        __m128i const below = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<__m128i const*>(q + pitch)), turn);
        return _mm_min_epi16(_mm_min_epi16(above, at), below);
    };
    auto dark = [&](unsigned short const* q) {
        __m128i const m = _mm_min_epi16(_mm_min_epi16(least(q - 1), least(q)), least(q + 1));
        return _mm_cmplt_epi16(m, limit);
    };
    Word bits = 0;
    for (int i = 0; i < kWordBits; i += 16) {
        unsigned const mask =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(dark(p + i), dark(p + i + 8)))) & 0xffffu;
        bits |= static_cast<Word>(mask) << i;
    }
    return bits;
#else
    unsigned short column[kWordBits + 2];
    for (int i = 0; i < kWordBits + 2; ++i) {
        unsigned short const above = p[i - 1 - pitch] ^ flip;
        unsigned short const at = p[i - 1] ^ flip;
        unsigned short const below = p[i - 1 + pitch] ^ flip;
        unsigned short const m = above < at ? above : at;
        column[i] = m < below ? m : below;
    }
    Word bits = 0;
    for (int i = 0; i < kWordBits; ++i) {
        unsigned short const a = column[i] < column[i + 1] ? column[i] : column[i + 1];
        unsigned short const b = a < column[i + 2] ? a : column[i + 2];
        bits |= b < t ? Word{1} << i : 0;
    }
    return bits;
#endif
}

// The pixels of a word that are dark and not yet filled; the darkness is
// kept, since the scans of neighbouring rows ask again.
DataMatrixOutline::Word DataMatrixOutline::GetOpenWord(GrayImage const& image, int word, int y)
{
    long long const at = static_cast<long long>(y) * words_ + word;
    if (known_[at] == 0) {
        dark_[at] = CalcDarkWord(image, word, y);
        filled_[at] = 0;
        known_[at] = 1;
    }
    return dark_[at] & ~filled_[at];
}

bool DataMatrixOutline::GetRowSpan(int y, int& left, int& right) const
{
    if (y < top_ || y > bottom_ || y < 0 || y >= kMaxRows || rowRight_[y] < 0) {
        return false;
    }
    left = rowLeft_[y];
    right = rowRight_[y];
    return true;
}

namespace {

unsigned long long Mix(unsigned long long h, unsigned long long v)
{
    h = (h ^ v) * 0x9e3779b97f4a7c15ull;
    return h ^ (h >> 29);
}

}  // namespace

unsigned long long DataMatrixOutline::GetFillDigest() const
{
    unsigned long long h = Mix(Mix(Mix(0, static_cast<unsigned>(threshold_)), negative_ ? 1u : 0u),
                               static_cast<unsigned>(fillThreshold_));
    h = Mix(Mix(h, static_cast<unsigned>(top_)), static_cast<unsigned>(bottom_));
    for (int y = top_ < 0 ? 0 : top_; y <= bottom_ && y < kMaxRows; ++y) {
        h = Mix(h, static_cast<unsigned long long>(static_cast<unsigned>(rowLeft_[y])) << 32 |
                       static_cast<unsigned>(rowRight_[y]));
    }
    return h;
}

// The middle of the grey range around the corner, from the 5th and 95th
// centiles so that a few noisy pixels do not set it.
bool DataMatrixOutline::CalcThreshold(GrayImage const& image, Point const& corner, int reach, int ink)
{
    // The points of the square every step pixels that lie on the frame,
    // counted in four histograms by turns so that neighbouring points of
    // one grey do not wait on each other's counts; a grey above the 10-bit
    // range counts in the top bin.
    unsigned histograms[4][64] = {};
    unsigned count = 0;
    int const step = reach > 64 ? 2 : 1;
    // The first point of the square's grid at or after `low`.
    auto firstFrom = [step](int start, int low) { return start >= low ? start : start + (low - start + step - 1) / step * step; };
    int const left = firstFrom(corner.x - reach, 0);
    int const right = corner.x + reach < image.GetWidth() - 1 ? corner.x + reach : image.GetWidth() - 1;
    int const bottom = corner.y + reach < image.GetHeight() - 1 ? corner.y + reach : image.GetHeight() - 1;
#if defined(SCANNER_DATA_MATRIX_AVX2)
    bool const wide = ProcessorHasAvx2();
#endif
    for (int y = firstFrom(corner.y - reach, 0); y <= bottom && left <= right; y += step) {
        unsigned short const* row = image.GetPixels() + static_cast<long long>(y) * image.GetPitch();
        unsigned k = 0;
        int x = left;
#if defined(SCANNER_DATA_MATRIX_AVX2)
        if (wide) {
            x = CountBinsWide(row, x, right, step, histograms);
        }
#endif
        for (; x <= right; x += step, k = (k + 1) & 3) {
            unsigned const bin = row[x] >> 4u;
            ++histograms[k][bin < 63u ? bin : 63u];
        }
        count += static_cast<unsigned>((right - left) / step + 1);
    }
    unsigned histogram[64];
    for (unsigned b = 0; b < 64; ++b) {
        histogram[b] = histograms[0][b] + histograms[1][b] + histograms[2][b] + histograms[3][b];
    }
    if (count < 16) {
        return false;
    }
    unsigned low = 0;
    unsigned high = 63;
    for (unsigned seen = 0; low < 63 && (seen += histogram[low]) < count / 20; ++low) {
    }
    for (unsigned seen = 0; high > 0 && (seen += histogram[high]) < count / 20; --high) {
    }
    if (high <= low + 2) {
        return false;  // no contrast
    }
    int lowLevel = static_cast<int>(low * 16 + 8);
    int highLevel = static_cast<int>(high * 16 + 8);
    // The symbol's own dark where the caller has it from its L.
    if (ink >= 0) {
        (negative_ ? highLevel : lowLevel) = ink;
        if (highLevel < lowLevel + kLeastInkContrast) {
            return false;
        }
    }
    threshold_ = (lowLevel + highLevel) / 2;
    // The light level in the scans' terms (Luminance turns a negative
    // symbol's greys over).
    light_ = negative_ ? 1023 - lowLevel : highLevel;
    // The fill keeps nearer the symbol's dark, so that a ground of middle
    // grey beside the quiet zone does not join the patch.
    fillThreshold_ = negative_ ? highLevel - (highLevel - lowLevel) * 7 / 20 : lowLevel + (highLevel - lowLevel) * 7 / 20;
    return true;
}

// The parts of the marks for the frame's height: a part holds a row span
// pair for every row, then the darkness and filled words and the known
// bytes, on a word's alignment.
bool DataMatrixOutline::LayOut(int height)
{
    words_ = (width_ + kWordBits - 1) / kWordBits;
    unsigned long long const count = static_cast<unsigned long long>(words_) * static_cast<unsigned long long>(height);
    unsigned long long const skip =
        (alignof(Word) - reinterpret_cast<unsigned long long>(marks_.GetData()) % alignof(Word)) % alignof(Word);
    unsigned long long const spans = 2ull * kMaxRows * sizeof(int);
    unsigned long long const bits = count * (2 * sizeof(Word) + 1);
    unsigned long long const part = (spans + bits + alignof(Word) - 1) / alignof(Word) * alignof(Word);
    unsigned const parts = skip + 2 * part <= marks_.GetCount() ? 2u : (skip + part <= marks_.GetCount() ? 1u : 0u);
    if (parts == 0) {
        return false;
    }
    if (parts != partCount_ || static_cast<long long>(count) != count_) {
        kept_[0].valid = false;
        kept_[1].valid = false;
    }
    partCount_ = parts;
    count_ = static_cast<long long>(count);
    parts_[0] = marks_.GetData() + skip;
    parts_[1] = parts == 2 ? parts_[0] + part : parts_[0];
    return true;
}

// The darkest of the pixels around the seed starts the fill; in noise the
// sighted corner lies a few pixels off the L. {-1, -1} when none is dark.
Point DataMatrixOutline::FindStart(GrayImage const& image, Point const& seed) const
{
    // Mostly the darkest pixel around the seed lies below the threshold
    // itself, and so is dark: it is then the darkest of the dark pixels (the
    // first in row order of equal ones), found without asking each pixel's
    // neighbours.
    constexpr int kReach = 6;
    int const left = seed.x - kReach > 0 ? seed.x - kReach : 0;
    int const right = seed.x + kReach < image.GetWidth() - 1 ? seed.x + kReach : image.GetWidth() - 1;
    int const top = seed.y - kReach > 0 ? seed.y - kReach : 0;
    int const bottom = seed.y + kReach < image.GetHeight() - 1 ? seed.y + kReach : image.GetHeight() - 1;
    if (left <= right && top <= bottom && image.GetPixels() != nullptr) {
        Point darkest{-1, -1};
        int extreme = negative_ ? -1 : 1 << 20;
        for (int y = top; y <= bottom; ++y) {
            unsigned short const* row = image.GetPixels() + static_cast<long long>(y) * image.GetPitch();
            for (int x = left; x <= right; ++x) {
                int const v = row[x];
                if (negative_ ? v > extreme : v < extreme) {
                    extreme = v;
                    darkest = Point{x, y};
                }
            }
        }
        if (negative_ ? extreme > fillThreshold_ : extreme < fillThreshold_) {
            return darkest;
        }
    }
    Point start{-1, -1};
    int best = negative_ ? -1 : 1 << 20;
    for (int dy = -kReach; dy <= kReach; ++dy) {
        for (int dx = -kReach; dx <= kReach; ++dx) {
            int const x = seed.x + dx;
            int const y = seed.y + dy;
            if (!image.IsInside(x, y) || !IsDark(image, x, y)) {
                continue;
            }
            int const v = image.At(x, y);
            if (negative_ ? v > best : v < best) {
                best = v;
                start = Point{x, y};
            }
        }
    }
    return start;
}

namespace {

// The open bits of a word reached from the seeds by steps towards the
// higher bits (Up) or the lower (Down) through open bits; seeds lie in open.
// Upwards by one addition: the lowest seed of an open run carries through
// the run's bits above it, clearing them, and stops on the closed bit past
// the run's top (or off the word's end); a higher seed of the same run only
// sets its own bit, which that carry had cleared. So the bits that change
// within open are the run's from its lowest seed up, less its higher seeds,
// which are put back.
[[gnu::always_inline]] inline unsigned long long SpreadUp(unsigned long long seeds, unsigned long long open)
{
    return (((open + seeds) ^ open) & open) | seeds;
}

[[gnu::always_inline]] inline unsigned long long SpreadDown(unsigned long long seeds, unsigned long long open)
{
    seeds |= open & (seeds >> 1);
    open &= open >> 1;
    seeds |= open & (seeds >> 2);
    open &= open >> 2;
    seeds |= open & (seeds >> 4);
    open &= open >> 4;
    seeds |= open & (seeds >> 8);
    open &= open >> 8;
    seeds |= open & (seeds >> 16);
    open &= open >> 16;
    return seeds | (open & (seeds >> 32));
}

}  // namespace

// No pixel filled or known dark yet, no row span.
void DataMatrixOutline::ClearFill(int height)
{
    std::memset(known_, 0, static_cast<size_t>(count_));
    for (int y = 0; y < height; ++y) {
        rowLeft_[y] = width_;
        rowRight_[y] = -1;
    }
}

// The pixels filled in the patch's rows so far.
unsigned DataMatrixOutline::CountFilled() const
{
    unsigned count = 0;
    for (int y = top_; y <= bottom_; ++y) {
        long long const at = static_cast<long long>(y) * words_;
        for (int k = 0; k < words_; ++k) {
            count += known_[at + k] != 0 ? static_cast<unsigned>(std::popcount(filled_[at + k])) : 0u;
        }
    }
    return count;
}

// The patch spread a whole row at a time: the open runs of a row that hold
// a seed are filled at once, across words, and the seeds of the next row
// are its open pixels beside a filled one of this row (diagonals included,
// as in FillRuns). Sweeps down and up the patch's rows carry each row's new
// pixels on until no row gains any; the patch is the same connected patch
// FillRuns fills, and is given up on the same grounds: off two sides of the
// frame, or as large as the stack. 1 filled, 0 given up, -1 when the rows do
// not settle within kMaxSweeps (or a row is wider than kRowWords words).
int DataMatrixOutline::SpreadRows(GrayImage const& image, Point const& start, int height)
{
    ClearFill(height);
    if (words_ > kRowWords) {
        return -1;
    }
    unsigned const capacity = stack_.GetCount();
    // The pixels filled: counted as 64 for every word a row fill adds to
    // (the processor's baseline has no bit count), and counted exactly
    // once that bound reaches the capacity, and from then on.
    unsigned filled = 0;
    bool exact = false;
    unsigned touched = 0;  // the sides of the frame the patch reached, a bit each
    // A row's new pixels are still to be carried down (1) and up (2).
    unsigned char carry[kMaxRows];
    std::memset(carry, 0, static_cast<size_t>(height));
    top_ = start.y;
    bottom_ = start.y;
    Word seeds[kRowWords];
    Word open[kRowWords];
    Word reached[kRowWords];
    // Fills the open runs of row y that hold a seed of words first to last:
    // 1 when pixels were added, 0 none, -1 when the patch is given up. A
    // word's open pixels are asked for only where a seed or a run coming in
    // from the word beside needs them.
    unsigned asked[kRowWords] = {};
    unsigned ask = 0;
    auto fillRow = [&](int y, int first, int last) {
        ++ask;
        long long const rowAt = static_cast<long long>(y) * words_;
        auto openAt = [&](int k) {
            if (asked[k] != ask) {
                asked[k] = ask;
                long long const at = rowAt + k;
                if (known_[at] == 0) {
                    dark_[at] = CalcDarkWord(image, k, y);
                    filled_[at] = 0;
                    known_[at] = 1;
                }
                open[k] = dark_[at] & ~filled_[at];
            }
            return open[k];
        };
        // Up the words from the first, on past the last while a run goes
        // on; then down from the last, on below the first.
        int low = first;
        int high = last;
        Word on = 0;
        int k = first;
        for (; k <= last; ++k) {
            Word const from = seeds[k] | on;
            if (from == 0) {
                reached[k] = 0;
                continue;
            }
            Word const o = openAt(k);
            Word const up = SpreadUp(from & o, o);
            reached[k] = up;
            on = up >> (kWordBits - 1);
        }
        for (; on != 0 && k < words_; ++k) {
            Word const o = openAt(k);
            Word const up = SpreadUp(on & o, o);
            reached[k] = up;
            high = k;
            on = up >> (kWordBits - 1);
        }
        on = 0;
        for (k = last; k >= first; --k) {
            Word const from = seeds[k] | on;
            if (from == 0) {
                continue;
            }
            Word const o = openAt(k);
            Word const down = SpreadDown(from & o, o);
            reached[k] |= down;
            on = (down & 1) << (kWordBits - 1);
        }
        for (; on != 0 && k >= 0; --k) {
            Word const o = openAt(k);
            Word const down = SpreadDown(on & o, o);
            reached[k] = down;
            low = k;
            on = (down & 1) << (kWordBits - 1);
        }
        Word* filledRow = filled_ + rowAt;
        unsigned added = 0;
        int lowest = -1;
        int highest = -1;
        for (k = low; k <= high; ++k) {
            if (reached[k] == 0) {
                continue;
            }
            filledRow[k] |= reached[k];
            added += exact ? static_cast<unsigned>(std::popcount(reached[k])) : kWordBits;
            lowest = lowest < 0 ? k : lowest;
            highest = k;
        }
        if (lowest < 0) {
            return 0;
        }
        // Only the outermost words' ends can widen the row's span or meet
        // the frame's sides.
        int const l = lowest * kWordBits + std::countr_zero(reached[lowest]);
        int const r = highest * kWordBits + kWordBits - 1 - std::countl_zero(reached[highest]);
        rowLeft_[y] = l < rowLeft_[y] ? l : rowLeft_[y];
        rowRight_[y] = r > rowRight_[y] ? r : rowRight_[y];
        touched |= (l == 0 ? 1u : 0u) | (r + 1 == width_ ? 2u : 0u);
        filled += added;
        touched |= (y == 0 ? 4u : 0u) | (y + 1 == height ? 8u : 0u);
        top_ = y < top_ ? y : top_;
        bottom_ = y > bottom_ ? y : bottom_;
        carry[y] = 3;
        if (!exact && filled >= capacity) {
            filled = CountFilled();
            exact = true;
        }
        if ((touched != 0 && (touched & (touched - 1)) != 0) || filled >= capacity) {
            return -1;
        }
        return 1;
    };
    // The seeds of row y beside the pixels filled in row `from` next to it.
    // The words either side of first and last hold no filled pixel of row
    // `from` (its span lies a pixel inside them), nor does a word whose
    // darkness is not yet known.
    Word near[kRowWords + 2];
    auto spread = [&](int from, int y) {
        int const l = rowLeft_[from] > 0 ? rowLeft_[from] - 1 : 0;
        int const r = rowRight_[from] + 1 < width_ ? rowRight_[from] + 1 : rowRight_[from];
        int const first = l / kWordBits;
        int const last = r / kWordBits;
        long long const at = static_cast<long long>(from) * words_;
        // near[k - first + 1]: word k of row `from`, first - 1 <= k <= last + 1.
        near[0] = 0;
        near[last - first + 2] = 0;
        for (int k = first; k <= last; ++k) {
            near[k - first + 1] = known_[at + k] != 0 ? filled_[at + k] : Word{0};
        }
        Word const* const f = near + 1;
        // Row y gains nothing unless a seed lands on one of its open pixels
        // (a word whose darkness is not yet known may hold some): mostly
        // so on the sweep that carries the rows' pixels back the other way.
        long long const to = static_cast<long long>(y) * words_;
        Word reaches = 0;
        for (int k = first; k <= last; ++k) {
            int const i = k - first;
            Word const w = f[i];
            seeds[k] = w | w << 1 | w >> 1 | f[i - 1] >> (kWordBits - 1) | f[i + 1] << (kWordBits - 1);
            reaches |= known_[to + k] != 0 ? seeds[k] & dark_[to + k] & ~filled_[to + k] : seeds[k];
        }
        return reaches != 0 ? fillRow(y, first, last) : 0;
    };
    int const startWord = start.x / kWordBits;
    seeds[startWord] = Word{1} << (start.x % kWordBits);
    if (fillRow(start.y, startWord, startWord) < 0) {
        return 0;
    }
    for (int sweep = 0; sweep < kMaxSweeps; ++sweep) {
        for (int y = top_; y <= bottom_; ++y) {
            if ((carry[y] & 1) == 0) {
                continue;
            }
            carry[y] &= 2;
            if (y + 1 < height && spread(y, y + 1) < 0) {
                return 0;
            }
        }
        bool again = false;
        for (int y = bottom_; y >= top_; --y) {
            if ((carry[y] & 2) == 0) {
                continue;
            }
            carry[y] &= 1;
            if (y == 0) {
                continue;
            }
            int const added = spread(y, y - 1);
            if (added < 0) {
                return 0;
            }
            again = again || added > 0;
        }
        if (!again) {
            return 1;
        }
    }
    return -1;
}

// The patch's rows from a stack of seeds: a seed is left for each run of
// the patch's pixels next to a span in the rows above and below, the runs
// found a word at a time. False when the patch is given up.
bool DataMatrixOutline::FillRuns(GrayImage const& image, Point const& start, int height)
{
    ClearFill(height);
    unsigned const capacity = stack_.GetCount();
    int* stack = stack_.GetData();
    unsigned top = 0;
    unsigned filled = 0;
    unsigned touched = 0;  // the sides of the frame the patch reached, a bit each
    stack[top++] = start.y << 16 | start.x;
    top_ = start.y;
    bottom_ = start.y;
    Word const all = ~Word{0};
    while (top > 0) {
        int const seedAt = stack[--top];
        int const y = seedAt >> 16;
        int l = seedAt & 0xffff;
        Word* filledRow = filled_ + static_cast<long long>(y) * words_;
        GetOpenWord(image, l / kWordBits, y);
        if ((filledRow[l / kWordBits] >> (l % kWordBits) & 1) != 0) {
            continue;
        }
        // The run of open pixels through the seed: those below l down to
        // the first closed one, then those above r.
        int r = l;
        while (l > 0) {
            int const b = (l - 1) % kWordBits;
            Word const open = GetOpenWord(image, (l - 1) / kWordBits, y) << (kWordBits - 1 - b);
            int const ones = std::countl_one(open);
            l -= ones;
            if (ones <= b) {
                break;
            }
        }
        while (r + 1 < width_) {
            int const b = (r + 1) % kWordBits;
            int const ones = std::countr_one(GetOpenWord(image, (r + 1) / kWordBits, y) >> b);
            r += ones;
            if (ones < kWordBits - b) {
                break;
            }
        }
        for (int k = l / kWordBits; k <= r / kWordBits; ++k) {
            Word mask = all;
            mask &= k == l / kWordBits ? all << (l % kWordBits) : all;
            mask &= k == r / kWordBits ? all >> (kWordBits - 1 - r % kWordBits) : all;
            filledRow[k] |= mask;
        }
        filled += static_cast<unsigned>(r - l + 1);
        // A patch that runs off two sides of the frame is no symbol the
        // outline can fit (in heavy noise the fill spreads over the whole
        // frame): it is given up there rather than filled to the end.
        touched |= (l == 0 ? 1u : 0u) | (r + 1 == width_ ? 2u : 0u) | (y == 0 ? 4u : 0u) |
                   (y + 1 == height ? 8u : 0u);
        if (touched != 0 && (touched & (touched - 1)) != 0) {
            return false;
        }
        rowLeft_[y] = l < rowLeft_[y] ? l : rowLeft_[y];
        rowRight_[y] = r > rowRight_[y] ? r : rowRight_[y];
        top_ = y < top_ ? y : top_;
        bottom_ = y > bottom_ ? y : bottom_;
        if (filled >= capacity) {
            return false;  // not a symbol's patch: too large
        }
        // In each neighbouring row the runs that start within one pixel
        // of the span, in order along the row; a run coming in from the
        // left starts at the span's first pixel.
        int const from = l > 0 ? l - 1 : l;
        int const to = r + 1 < width_ ? r + 1 : r;
        for (int ny = y - 1; ny <= y + 1; ny += 2) {
            if (ny < 0 || ny >= height) {
                continue;
            }
            Word carry = 0;
            for (int k = from / kWordBits; k <= to / kWordBits; ++k) {
                Word open = GetOpenWord(image, k, ny);
                open &= k == from / kWordBits ? all << (from % kWordBits) : all;
                open &= k == to / kWordBits ? all >> (kWordBits - 1 - to % kWordBits) : all;
                Word starts = open & ~(open << 1 | carry);
                carry = open >> (kWordBits - 1);
                while (starts != 0) {
                    if (top >= capacity) {
                        return false;
                    }
                    stack[top++] = ny << 16 | (k * kWordBits + std::countr_zero(starts));
                    starts &= starts - 1;
                }
            }
        }
    }
    return true;
}

bool DataMatrixOutline::FillFrom(GrayImage const& image, Point const& seed, bool mayRepeat)
{
    width_ = image.GetWidth();
    int const height = image.GetHeight();
    top_ = 0;
    bottom_ = -1;
    repeat_ = false;
    // A seed on the stack holds its column in 16 bits.
    if (height > kMaxRows || width_ > 0xffff || width_ <= 0 || height <= 0 || stack_.GetCount() == 0 ||
        marks_.GetData() == nullptr || !LayOut(height)) {
        return false;
    }
    unsigned const polarity = negative_ ? 1 : 0;
    unsigned char* const part = parts_[polarity];
    int* const keptLeft = reinterpret_cast<int*>(part);
    int* const keptRight = keptLeft + kMaxRows;
    dark_ = reinterpret_cast<Word*>(part + 2ull * kMaxRows * sizeof(int));
    filled_ = dark_ + count_;
    known_ = reinterpret_cast<unsigned char*>(filled_ + count_);
    Point const start = FindStart(image, seed);
    if (start.x < 0) {
        extent_ = 0;
        return false;
    }
    // The patch of a fill is the whole connected patch its start lies in:
    // from any of its pixels, on the same frame and thresholds, the fill
    // finds it again to the pixel.
    Kept& kept = kept_[polarity];
    if (mayRepeat && kept.valid && kept.pixels == image.GetPixels() && kept.width == width_ &&
        kept.height == height && kept.pitch == image.GetPitch() && kept.threshold == threshold_ &&
        kept.fillThreshold == fillThreshold_) {
        long long const at = static_cast<long long>(start.y) * words_ + start.x / kWordBits;
        if (known_[at] != 0 && (filled_[at] >> (start.x % kWordBits) & 1) != 0) {
            top_ = kept.top;
            bottom_ = kept.bottom;
            for (int y = top_; y <= bottom_; ++y) {
                rowLeft_[y] = keptLeft[y];
                rowRight_[y] = keptRight[y];
            }
            repeat_ = true;
            extent_ = CalcExtent();
            return true;
        }
    }
    // The fill below overwrites this polarity's part (or the only one).
    kept.valid = false;
    if (partCount_ < 2) {
        kept_[1 - polarity].valid = false;
    }
    // The patch is spread a row at a time; a patch whose rows do not
    // settle within a few sweeps is filled again run by run.
    int const spread = SpreadRows(image, start, height);
    if (spread == 0) {
        return false;
    }
    if (spread < 0 && !FillRuns(image, start, height)) {
        return false;
    }
    extent_ = CalcExtent();
    if (bottom_ - top_ < 6) {
        return false;
    }
    if (partCount_ == 2) {
        for (int y = top_; y <= bottom_; ++y) {
            keptLeft[y] = rowLeft_[y];
            keptRight[y] = rowRight_[y];
        }
        kept = Kept{true, image.GetPixels(), width_, height, image.GetPitch(), threshold_, fillThreshold_, top_, bottom_};
    }
    return true;
}

// Andrew's monotone chain over the ends of the patch's rows, which come
// sorted by row and then column.
unsigned DataMatrixOutline::CalcHull()
{
    unsigned count = 0;
    for (int y = top_; y <= bottom_; ++y) {
        if (rowRight_[y] < 0) {
            continue;
        }
        rowEnds_[count++] = OutlinePoint{static_cast<float>(rowLeft_[y]), static_cast<float>(y)};
        if (rowRight_[y] != rowLeft_[y]) {
            rowEnds_[count++] = OutlinePoint{static_cast<float>(rowRight_[y]), static_cast<float>(y)};
        }
    }
    if (count < 3 || count > kMaxHull / 2) {
        return 0;
    }
    unsigned k = 0;
    for (unsigned i = 0; i < count; ++i) {
        while (k >= 2 && Cross(hull_[k - 2], hull_[k - 1], rowEnds_[i]) <= 0) {
            --k;
        }
        hull_[k++] = rowEnds_[i];
    }
    unsigned const lower = k + 1;
    for (unsigned i = count - 1; i-- > 0;) {
        while (k >= lower && Cross(hull_[k - 2], hull_[k - 1], rowEnds_[i]) <= 0) {
            --k;
        }
        hull_[k++] = rowEnds_[i];
    }
    return k > 1 ? k - 1 : 0;
}

// The rectangle of least area around the hull gives the symbol's axes; the
// hull's farthest vertex along each of its diagonals is a rough corner.
bool DataMatrixOutline::CalcRoughCorners(unsigned hullCount, OutlinePoint* rough) const
{
    float bestArea = -1;
    float ux = 1;
    float uy = 0;
    for (unsigned i = 0; i < hullCount; ++i) {
        OutlinePoint const& a = hull_[i];
        OutlinePoint const& b = hull_[(i + 1) % hullCount];
        float dx = b.x - a.x;
        float dy = b.y - a.y;
        float const length = std::sqrt(dx * dx + dy * dy);
        if (length < 1) {
            continue;
        }
        dx /= length;
        dy /= length;
        float minU = 1e30f, maxU = -1e30f, minV = 1e30f, maxV = -1e30f;
        for (unsigned j = 0; j < hullCount; ++j) {
            float const u = hull_[j].x * dx + hull_[j].y * dy;
            float const v = -hull_[j].x * dy + hull_[j].y * dx;
            minU = u < minU ? u : minU;
            maxU = u > maxU ? u : maxU;
            minV = v < minV ? v : minV;
            maxV = v > maxV ? v : maxV;
        }
        float const area = (maxU - minU) * (maxV - minV);
        if (bestArea < 0 || area < bestArea) {
            bestArea = area;
            ux = dx;
            uy = dy;
        }
    }
    if (bestArea <= 0) {
        return false;
    }
    // Diagonal directions: u + v, -u + v, -u - v, u - v with v = u turned.
    float const vx = -uy;
    float const vy = ux;
    float const signs[4][2] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
    for (unsigned c = 0; c < 4; ++c) {
        float const dx = signs[c][0] * ux + signs[c][1] * vx;
        float const dy = signs[c][0] * uy + signs[c][1] * vy;
        float best = -1e30f;
        for (unsigned j = 0; j < hullCount; ++j) {
            float const d = hull_[j].x * dx + hull_[j].y * dy;
            if (d > best) {
                best = d;
                rough[c] = hull_[j];
            }
        }
    }
    return true;
}

// The first point of a scan inwards from s on, in steps of half a pixel up
// to `inside`, that lies darker than the threshold; the crossing is placed
// between it and the point before (previous: that point's value). With
// vector lanes four points are sampled at once while all four lie well on
// the image, each exactly as Sample weighs it; the first dark lane ends the
// scan as the point-by-point loop would. With coarse above 1 the lanes
// first take every coarse-th point (the points stepped by half a pixel one
// after the other, as the fine scan steps them) and, at the first dark
// lane, the points since the last light lane are looked at in order: a
// side's dark edge and its modules are wider than a coarse step, so the
// first dark point met is the fine scan's.
bool DataMatrixOutline::FindEdge(GrayImage const& image, float px, float py, float nx, float ny, float s,
                                 float inside, float previous, int coarse, float const* chain, float& crossing) const
{
    float const threshold = static_cast<float>(threshold_);
    int offset = 0;  // s is chain[offset] where the scan has a table
#if defined(__SSE2__)
    __m128 const pxs = _mm_set1_ps(px);
    __m128 const pys = _mm_set1_ps(py);
    __m128 const nxs = _mm_set1_ps(nx);
    __m128 const nys = _mm_set1_ps(ny);
    // The luminance at four points of the scan; a bit for each that is
    // dark, or -1 when they do not all lie on the image.
    auto sampleLanes = [&](__m128 ss, float* values) __attribute__((always_inline)) {
        __m128 v;
        if (!SampleFour(image, _mm_sub_ps(pxs, _mm_mul_ps(nxs, ss)), _mm_sub_ps(pys, _mm_mul_ps(nys, ss)), v)) {
            return -1;
        }
        if (negative_) {
            v = _mm_sub_ps(_mm_set1_ps(1023.0f), v);
        }
        _mm_storeu_ps(values, v);
        return _mm_movemask_ps(_mm_cmplt_ps(v, _mm_set1_ps(threshold)));
    };
    coarse = coarse > kMaxCoarse ? kMaxCoarse : coarse;
    // The crossing within the coarse run whose last point (lane[k], with
    // luminance values[k]) is the first dark one: the run's points looked
    // at in order from the one after lane[k - 1] (or from s).
    auto inRun = [&](int dark, float const* lane, float const* values) {
        int const k = std::countr_zero(static_cast<unsigned>(dark));
        float before = k == 0 ? previous : values[k - 1];
        float at = k == 0 ? s : lane[k - 1] + 0.5f;
        for (int i = 0;; ++i, at += 0.5f) {
            float const value = i + 1 == coarse ? values[k] : Luminance(image, px - nx * at, py - ny * at);
            if (value < threshold) {
                return at - 0.5f * (threshold_ - value) / (before - value + 1e-3f);
            }
            before = value;
        }
    };
#if defined(SCANNER_DATA_MATRIX_AVX2)
    // Eight runs at a time in 256-bit lanes where the processor has them
    // and the side has its table of offsets, then four: eight that do not
    // all fit before `inside` or on the image leave the runs from s on to
    // the four lanes.
    if (coarse > 1 && ProcessorHasAvx2() && chain != nullptr) {
        float lane[8];
        float values[8];
        int dark = 0;
        static_assert(kMaxCoarse == 4, "a scan for each coarse step");
        switch (coarse) {
            case 2:
                dark = ScanCoarseEightsAlong<2>(image, px, py, nx, ny, inside, negative_, threshold, chain, offset,
                                                previous, lane, values);
                break;
            case 3:
                dark = ScanCoarseEightsAlong<3>(image, px, py, nx, ny, inside, negative_, threshold, chain, offset,
                                                previous, lane, values);
                break;
            default:
                dark = ScanCoarseEightsAlong<kMaxCoarse>(image, px, py, nx, ny, inside, negative_, threshold, chain,
                                                         offset, previous, lane, values);
                break;
        }
        s = chain[offset];
        if (dark != 0) {
            crossing = inRun(dark, lane, values);
            return true;
        }
    }
#endif
    while (coarse > 1) {
        // lane[k]: the last point of the k-th run of coarse points from s.
        float lane[4];
        float t = s;
        for (int k = 0; k < 4; ++k) {
            for (int i = k == 0 ? 1 : 0; i < coarse; ++i) {
                t += 0.5f;
            }
            lane[k] = t;
        }
        float values[4];
        int const dark = lane[3] <= inside ? sampleLanes(_mm_loadu_ps(lane), values) : -1;
        if (dark < 0) {
            break;  // the rest point by point
        }
        if (dark != 0) {
            crossing = inRun(dark, lane, values);
            return true;
        }
        previous = values[3];
        s = lane[3] + 0.5f;
        offset += 4 * coarse;
    }
#if defined(SCANNER_DATA_MATRIX_AVX2)
    // Eight points at a time while eight fit before `inside`, the points
    // the side's table of offsets holds, each the one before plus a half as
    // below. Without a table (a side too long for it) the four lanes take
    // the whole scan, coarse runs and fine points alike: they meet the
    // same first dark point.
    if (ProcessorHasAvx2() && chain != nullptr) {
        bool const found =
            ScanEightsAlong(image, px, py, nx, ny, inside, negative_, threshold, chain, offset, previous, crossing);
        s = chain[offset];
        if (found) {
            return true;
        }
    }
#endif
    for (;;) {
        float const s1 = s + 0.5f;
        float const s2 = s1 + 0.5f;
        float const s3 = s2 + 0.5f;
        if (!(s3 <= inside)) {
            break;
        }
        float values[4];
        int const dark = sampleLanes(_mm_set_ps(s3, s2, s1, s), values);
        if (dark < 0) {
            break;
        }
        if (dark != 0) {
            int const k = std::countr_zero(static_cast<unsigned>(dark));
            float const at[4] = {s, s1, s2, s3};
            float const before = k == 0 ? previous : values[k - 1];
            crossing = at[k] - 0.5f * (threshold_ - values[k]) / (before - values[k] + 1e-3f);
            return true;
        }
        previous = values[3];
        s = s3 + 0.5f;
    }
#endif
    for (; s <= inside; s += 0.5f) {
        float const v = Luminance(image, px - nx * s, py - ny * s);
        if (v < threshold) {
            crossing = s - 0.5f * (threshold_ - v) / (previous - v + 1e-3f);
            return true;
        }
        previous = v;
    }
    return false;
}

DataMatrixOutline::Line DataMatrixOutline::FitSide(GrayImage const& image, OutlinePoint const& a,
                                                  OutlinePoint const& b, OutlinePoint const& centre,
                                                  bool nearerOnDark) const
{
    Line line;
    float const dx = b.x - a.x;
    float const dy = b.y - a.y;
    float const length = std::sqrt(dx * dx + dy * dy);
    if (length < 6) {
        return line;
    }
    float nx = dy / length;
    float ny = -dx / length;
    if ((a.x - centre.x) * nx + (a.y - centre.y) * ny < 0) {
        nx = -nx;
        ny = -ny;
    }
    float const outside =
        std::fmax(4.0f, scans_ == kNearestScans ? std::fmin(length * 0.1f, 2.0f + length * 0.01f)
                        : scans_ == kNearScans  ? std::fmin(length * 0.1f, 3.0f + length * 0.03f)
                                                : length * 0.1f);
    float const inside = std::fmax(4.0f, length * 0.2f);
    // Edge scans in coarse steps of about half the least module a side of
    // this length can have (a side holds at most 144 modules), in half pixels.
    int const coarse = static_cast<int>(length / kMaxModules + 0.5f);
    float ts[kScans];
    float ss[kScans];
    unsigned n = 0;
    float const t0 = 0.06f;
    // The scans' first points, outside the side, sampled all together.
    float scanT[kScans];
    float scanX[kScans];
    float scanY[kScans];
    float outX[kScans];
    float outY[kScans];
    float outside0[kScans];
    for (unsigned i = 0; i < kScans; ++i) {
        float const t = t0 + (1 - 2 * t0) * (i + 0.5f) / kScans;
        scanT[i] = t;
        scanX[i] = a.x + t * dx;
        scanY[i] = a.y + t * dy;
        outX[i] = scanX[i] + nx * outside;
        outY[i] = scanY[i] + ny * outside;
    }
    SampleAll(image, outX, outY, kScans, outside0);
    float const clearLight = static_cast<float>(threshold_ + (light_ - threshold_) / 3);
    // Every scan of the side steps through the same offsets from its
    // first, coarse runs and fine points alike: they are laid out once, up
    // to eight coarse steps past the first beyond `inside`; none when they
    // do not fit the table.
    float chain[kChainPoints];
    float const* scanChain = nullptr;
    {
        int const past = 8 * (coarse > kMaxCoarse ? kMaxCoarse : (coarse > 1 ? coarse : 1));
        float v = -outside + 0.5f;
        int beyond = -1;
        for (int i = 0; i < kChainPoints; ++i, v += 0.5f) {
            chain[i] = v;
            beyond = beyond < 0 && v > inside ? i : beyond;
            if (beyond >= 0 && i == beyond + past) {
                scanChain = chain;
                break;
            }
        }
    }
    for (unsigned i = 0; i < kScans; ++i) {
        float const t = scanT[i];
        float const px = scanX[i];
        float const py = scanY[i];
        float previous = negative_ ? 1023.0f - outside0[i] : outside0[i];
        // A large symbol's quiet zone may be narrower than a tenth of its
        // side, with a darker ground beyond: a scan whose first point is
        // dark starts again nearer the side, at half the distance each time
        // down to kLeastOutside pixels, from the first clearly light point
        // (a grey that passes the threshold only just may be the ground's).
        int first = 0;
        float start = previous;
        bool const darkStart = nearerOnDark && previous < threshold_;
        for (float o = outside * 0.5f; darkStart && start < clearLight && o >= kLeastOutside; o *= 0.5f) {
            int const at = static_cast<int>((outside - o) * 2.0f);
            float const v = Luminance(image, px + nx * (outside - 0.5f * at), py + ny * (outside - 0.5f * at));
            if (v >= clearLight) {
                first = at;
                start = v;
            }
        }
        previous = start >= clearLight ? start : previous;
        if (previous < threshold_) {
            continue;  // dark outside: no clean edge here
        }
        float crossing = 0;
        if (FindEdge(image, px, py, nx, ny, -outside + 0.5f * (first + 1), inside, previous, coarse,
                     scanChain != nullptr ? scanChain + first : nullptr, crossing)) {
            ts[n] = t;
            ss[n] = crossing;
            ++n;
        }
    }
    if (n < 6) {
        return line;
    }
    // s = alpha + beta t over the kept crossings: first all, then those not
    // deeper than the line, then those near it.
    bool keep[kScans];
    for (unsigned i = 0; i < n; ++i) {
        keep[i] = true;
    }
    float alpha = 0;
    float beta = 0;
    for (int pass = 0; pass < 4; ++pass) {
        float st = 0, ss2 = 0, stt = 0, sts = 0;
        unsigned m = 0;
        for (unsigned i = 0; i < n; ++i) {
            if (keep[i]) {
                st += ts[i];
                ss2 += ss[i];
                stt += ts[i] * ts[i];
                sts += ts[i] * ss[i];
                ++m;
            }
        }
        float const det = m * stt - st * st;
        if (m < 3 || std::fabs(det) < 1e-6f) {
            if (pass == 0) {
                return line;
            }
            break;  // too few left: the fit before stands
        }
        beta = (m * sts - st * ss2) / det;
        alpha = (ss2 - beta * st) / m;
        // The first two passes keep the crossings not deeper than the
        // line by more than the limit, the last two those near it.
        float const limit = pass == 0 ? 0.5f : (pass == 1 ? 0.75f : (pass == 2 ? 1.0f : 0.75f));
        if (pass < 2) {
            for (unsigned i = 0; i < n; ++i) {
                keep[i] = ss[i] - (alpha + beta * ts[i]) <= limit;
            }
        } else {
            for (unsigned i = 0; i < n; ++i) {
                keep[i] = std::fabs(ss[i] - (alpha + beta * ts[i])) <= limit;
            }
        }
    }
    float depth = 0;
    for (unsigned i = 0; i < n; ++i) {
        float const r = ss[i] - (alpha + beta * ts[i]);
        depth += r > 0 ? r : 0;
    }
    // Scans that met no edge count as deep as the scan went.
    depth += static_cast<float>(kScans - n) * inside;
    line.depth = depth / kScans;
    float const e0x = a.x - nx * alpha;
    float const e0y = a.y - ny * alpha;
    float const e1x = b.x - nx * (alpha + beta);
    float const e1y = b.y - ny * (alpha + beta);
    float const lx = e1x - e0x;
    float const ly = e1y - e0y;
    float const l = std::sqrt(lx * lx + ly * ly);
    if (l < 1) {
        return line;
    }
    line.nx = ly / l;
    line.ny = -lx / l;
    if (line.nx * nx + line.ny * ny < 0) {
        line.nx = -line.nx;
        line.ny = -line.ny;
    }
    line.c = line.nx * e0x + line.ny * e0y;
    line.valid = true;
    return line;
}

bool DataMatrixOutline::Fill(GrayImage const& image, Point const& corner, int reach, bool negative, bool mayRepeat)
{
    negative_ = negative;
    repeat_ = false;
    extent_ = -1;
    return CalcThreshold(image, corner, reach < 12 ? 12 : reach, -1) && FillFrom(image, corner, mayRepeat);
}

bool DataMatrixOutline::FillAtInk(GrayImage const& image, Point const& corner, int reach, bool negative, int ink)
{
    negative_ = negative;
    repeat_ = false;
    extent_ = -1;
    return ink >= 0 && CalcThreshold(image, corner, reach < 12 ? 12 : reach, ink) && FillFrom(image, corner, false);
}

int DataMatrixOutline::CalcExtent() const
{
    int left = width_;
    int right = -1;
    for (int y = top_; y <= bottom_; ++y) {
        if (rowRight_[y] >= 0) {
            left = rowLeft_[y] < left ? rowLeft_[y] : left;
            right = rowRight_[y] > right ? rowRight_[y] : right;
        }
    }
    int const height = bottom_ - top_ + 1;
    return right < left ? 0 : (right - left + 1 > height ? right - left + 1 : height);
}

bool DataMatrixOutline::Fit(GrayImage const& image, int scans, bool refitTiming)
{
    scans_ = scans;
    unsigned const hullCount = CalcHull();
    OutlinePoint rough[4];
    if (hullCount < 4 || !CalcRoughCorners(hullCount, rough)) {
        return false;
    }
    OutlinePoint centre{(rough[0].x + rough[1].x + rough[2].x + rough[3].x) / 4,
                        (rough[0].y + rough[1].y + rough[2].y + rough[3].y) / 4};
    Line sides[4];
    for (unsigned i = 0; i < 4; ++i) {
        sides[i] = FitSide(image, rough[i], rough[(i + 1) & 3], centre, true);
        if (!sides[i].valid) {
            return false;
        }
    }
    OutlinePoint refined[4];  // refined[i]: where side i-1 meets side i
    for (unsigned i = 0; i < 4; ++i) {
        Line const& p = sides[(i + 3) & 3];
        Line const& q = sides[i];
        float const det = p.nx * q.ny - p.ny * q.nx;
        if (std::fabs(det) < 0.2f) {
            return false;  // sides nearly parallel
        }
        refined[i].x = (p.c * q.ny - p.ny * q.c) / det;
        refined[i].y = (p.nx * q.c - p.c * q.nx) / det;
    }
    // The L: the two neighbouring sides whose edge crossings lie least deep.
    unsigned best = 0;
    float bestDepth = 1e30f;
    for (unsigned i = 0; i < 4; ++i) {
        float const d = sides[i].depth + sides[(i + 1) & 3].depth;
        if (d < bestDepth) {
            bestDepth = d;
            best = i;
        }
    }
    float const timing = sides[(best + 2) & 3].depth + sides[(best + 3) & 3].depth;
    if (!(timing > bestDepth * 1.5f + 0.3f)) {
        return false;
    }
    unsigned const k = (best + 1) & 3;  // sides best and best + 1 meet here
    // The timing sides again, from the corner that completes the L to a
    // parallelogram: the hull may miss a timing corner by several modules
    // when its modules do not touch the rest.
    for (int pass = 0; pass < (refitTiming ? 3 : 0); ++pass) {
        OutlinePoint const& lc = refined[k];
        OutlinePoint const& pc = refined[(k + 3) & 3];
        OutlinePoint const& qc = refined[(k + 1) & 3];
        OutlinePoint const far = pass == 0 ? OutlinePoint{pc.x + qc.x - lc.x, pc.y + qc.y - lc.y} : refined[(k + 2) & 3];
        OutlinePoint const middle{(pc.x + qc.x) / 2, (pc.y + qc.y) / 2};
        Line const toQ = FitSide(image, far, qc, middle, false);
        Line const fromP = FitSide(image, pc, far, middle, false);
        if (!toQ.valid || !fromP.valid) {
            return false;
        }
        // Side i runs from corner i to corner i + 1: the far corner is k + 2.
        sides[(k + 1) & 3] = toQ;
        sides[(k + 2) & 3] = fromP;
        for (unsigned i = 0; i < 4; ++i) {
            Line const& a = sides[(i + 3) & 3];
            Line const& b = sides[i];
            float const det = a.nx * b.ny - a.ny * b.nx;
            if (std::fabs(det) < 0.2f) {
                return false;
            }
            refined[i].x = (a.c * b.ny - a.ny * b.c) / det;
            refined[i].y = (a.nx * b.c - a.c * b.nx) / det;
        }
    }
    OutlinePoint const& l = refined[k];
    OutlinePoint const& p = refined[(k + 3) & 3];
    OutlinePoint const& q = refined[(k + 1) & 3];
    OutlinePoint const& opposite = refined[(k + 2) & 3];
    corners_[0] = l;
    corners_[2] = opposite;
    if (Cross(l, p, opposite) > 0) {
        corners_[1] = p;
        corners_[3] = q;
    } else {
        corners_[1] = q;
        corners_[3] = p;
    }
    return true;
}

}  // namespace DEC2DIvra
