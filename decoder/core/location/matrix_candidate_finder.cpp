#include "decoder/core/location/matrix_candidate_finder.h"

#include "decoder/core/location/dot_neighbour_screen.h"

#include "decoder/core/processor_lanes.h"

#include <bit>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__SSE2__) && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define SCANNER_STRIP_AVX2 1
#endif

namespace DEC2DIvra {

namespace {

int Abs(int v) { return v < 0 ? -v : v; }
int Min(int a, int b) { return a < b ? a : b; }
int Max(int a, int b) { return a > b ? a : b; }

constexpr int kHanXinModules[5] = {1, 1, 1, 1, 3};
constexpr int kHanXinMirrored[5] = {3, 1, 1, 1, 1};
constexpr int kRingCount = 3;  // rings on each side of a bull's-eye's centre

// Sightings closer than this many modules are one pattern.
constexpr int kMergeModules = 3;

// Marks the pixels of a block of `count` (at most 16) above threshold +
// margin and those below threshold - margin, bit k for the k-th pixel; both
// are greys (0 ... 0xFFFF).
void MarkBlock(unsigned short const* pixels, int count, int threshold, int margin, unsigned& above, unsigned& below)
{
#if defined(__SSE2__)
    if (count == 16) {
        // Unsigned lanes: the bounds saturate at the grey scale's ends (no
        // pixel lies past them), and a pixel p lies above h when p -sat h
        // is not 0, below l when l -sat p is not.
        __m128i const t = _mm_set1_epi16(static_cast<short>(threshold));
        __m128i const m = _mm_set1_epi16(static_cast<short>(margin));
        __m128i const h = _mm_adds_epu16(t, m);
        __m128i const l = _mm_subs_epu16(t, m);
        __m128i const zero = _mm_setzero_si128();
        __m128i const a = _mm_loadu_si128(reinterpret_cast<__m128i const*>(pixels));
        __m128i const c = _mm_loadu_si128(reinterpret_cast<__m128i const*>(pixels + 8));
        __m128i const notAbove =
            _mm_packs_epi16(_mm_cmpeq_epi16(_mm_subs_epu16(a, h), zero), _mm_cmpeq_epi16(_mm_subs_epu16(c, h), zero));
        __m128i const notBelow =
            _mm_packs_epi16(_mm_cmpeq_epi16(_mm_subs_epu16(l, a), zero), _mm_cmpeq_epi16(_mm_subs_epu16(l, c), zero));
        above = ~static_cast<unsigned>(_mm_movemask_epi8(notAbove)) & 0xFFFFu;
        below = ~static_cast<unsigned>(_mm_movemask_epi8(notBelow)) & 0xFFFFu;
        return;
    }
#endif
    // No pixel lies above 0xFFFF or below 0.
    int const high = Min(threshold + margin, 0xFFFF);
    int const low = Max(threshold - margin, 0);
    above = 0;
    below = 0;
    for (int k = 0; k < count; ++k) {
        above |= static_cast<unsigned>(pixels[k] > high) << k;
        below |= static_cast<unsigned>(pixels[k] < low) << k;
    }
}

}  // namespace

namespace {

// The steps from pixels[at] on, `move` apart, while the pixels keep the
// colour `dark` (below `threshold`), at most `most`: each colour walks its
// own loop, one compare a pixel.
int WalkColumn(unsigned short const* pixels, long long at, long long move, int most, int threshold, bool dark)
{
    // Counted down: the count's own step tells when it is spent.
    int left = most;
    if (dark) {
        for (; left > 0 && pixels[at] < threshold; --left) {
            at += move;
        }
    } else {
        for (; left > 0 && pixels[at] >= threshold; --left) {
            at += move;
        }
    }
    return most - left;
}

}  // namespace

unsigned SkipFlatBlocks(unsigned short const* threshold, unsigned short const* margin, unsigned short const* middle,
                        unsigned b, unsigned count, bool dark)
{
    int constexpr kTurn = MatrixCandidateFinder::kContrastFloor / 8;
    // A dark run turns where the middle grey lies above the threshold, a
    // light one where it lies below.
    unsigned short const* const higher = dark ? middle : threshold;
    unsigned short const* const lower = dark ? threshold : middle;
#if defined(__SSE2__)
    // Unsigned lanes: higher > lower + kTurn leaves higher -sat (lower +sat
    // kTurn) above 0 (a sum past 0xFFFF saturates: no grey lies above it).
    // Lanes past count are not looked at.
    unsigned const padded = (count + 7) & ~7u;
    __m128i const turn = _mm_set1_epi16(static_cast<short>(kTurn));
    __m128i const zero = _mm_setzero_si128();
    for (; b + 8 <= padded; b += 8) {
        __m128i const m = _mm_loadu_si128(reinterpret_cast<__m128i const*>(margin + b));
        __m128i const h = _mm_loadu_si128(reinterpret_cast<__m128i const*>(higher + b));
        __m128i const l = _mm_loadu_si128(reinterpret_cast<__m128i const*>(lower + b));
        __m128i const past = _mm_subs_epu16(h, _mm_adds_epu16(l, turn));
        __m128i const pass = _mm_and_si128(_mm_cmpeq_epi16(m, zero), _mm_cmpeq_epi16(past, zero));
        unsigned const stop = ~static_cast<unsigned>(_mm_movemask_epi8(pass)) & 0xFFFFu;
        if (stop != 0) {
            unsigned const at = b + static_cast<unsigned>(std::countr_zero(stop)) / 2;
            return at < count ? at : count;
        }
    }
#endif
    for (; b < count; ++b) {
        if (margin[b] != 0 || higher[b] - lower[b] > kTurn) {
            return b;
        }
    }
    return count;
}

bool IsRunRatio(int const* widths, int const* modules, unsigned count, int slack)
{
    long long total = 0;
    long long units = 0;
    for (unsigned i = 0; i < count; ++i) {
        total += widths[i];
        units += modules[i];
    }
    if (total <= 0 || units <= 0) {
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        long long const off = static_cast<long long>(widths[i]) * units - modules[i] * total;
        if ((off < 0 ? -off : off) * 4 > total * (modules[i] + 1) + 4 * units * slack) {
            return false;
        }
    }
    return true;
}

namespace {

constexpr unsigned kBlock = MatrixCandidateFinder::kBlock;
constexpr unsigned kMaxBlocks = MatrixCandidateFinder::kMaxBlocks;

// IsRunRatio for `count` runs of one module each, as it decides: without
// the table of modules, its loads and products.
bool IsEvenRuns(int const* widths, int count, int slack = 0)
{
    long long total = 0;
    for (int i = 0; i < count; ++i) {
        total += widths[i];
    }
    if (total <= 0) {
        return false;
    }
    long long const bound = 2 * total + 4LL * count * slack;
    for (int i = 0; i < count; ++i) {
        long long const off = static_cast<long long>(widths[i]) * count - total;
        if ((off < 0 ? -off : off) * 4 > bound) {
            return false;
        }
    }
    return true;
}

// IsRunRatio for the five runs of a QR finder, 1:1:3:1:1 (seven modules),
// as it decides.
bool IsQRRuns(int const* widths)
{
    long long const total =
        static_cast<long long>(widths[0]) + widths[1] + widths[2] + widths[3] + widths[4];
    if (total <= 0) {
        return false;
    }
    for (int i = 0; i < 5; ++i) {
        long long const modules = i == 2 ? 3 : 1;
        long long const off = 7LL * widths[i] - modules * total;
        if ((off < 0 ? -off : off) * 4 > total * (modules + 1)) {
            return false;
        }
    }
    return true;
}

#if defined(SCANNER_STRIP_AVX2)
// MeasureRanges' lanes sixteen whole blocks at a time: the two 128-bit halves
// of a register hold blocks k and k + 8 and are folded as MeasureRanges
// folds its lanes, on unsigned greys. The blocks measured, from the first.
__attribute__((target("avx2"))) unsigned MeasureRangesWide(unsigned short const* row, int left, int right,
                                                           unsigned count, unsigned short* low, unsigned short* high)
{
    unsigned b = 0;
    for (; b + 16 <= count && left + static_cast<int>((b + 16) * kBlock) - 1 <= right; b += 16) {
        unsigned short const* p = row + left + static_cast<int>(b * kBlock);
        __m256i lo[8];
        __m256i hi[8];
        for (int k = 0; k < 8; ++k) {
            __m256i const x = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(p + 16 * k));
            __m256i const z = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(p + 16 * (k + 8)));
            __m256i const a = _mm256_permute2x128_si256(x, z, 0x20);
            __m256i const c = _mm256_permute2x128_si256(x, z, 0x31);
            lo[k] = _mm256_min_epu16(a, c);
            hi[k] = _mm256_max_epu16(a, c);
        }
        for (int k = 0; k < 4; ++k) {
            lo[k] = _mm256_min_epu16(_mm256_unpacklo_epi16(lo[2 * k], lo[2 * k + 1]),
                                     _mm256_unpackhi_epi16(lo[2 * k], lo[2 * k + 1]));
            hi[k] = _mm256_max_epu16(_mm256_unpacklo_epi16(hi[2 * k], hi[2 * k + 1]),
                                     _mm256_unpackhi_epi16(hi[2 * k], hi[2 * k + 1]));
        }
        for (int k = 0; k < 2; ++k) {
            lo[k] = _mm256_min_epu16(_mm256_unpacklo_epi32(lo[2 * k], lo[2 * k + 1]),
                                     _mm256_unpackhi_epi32(lo[2 * k], lo[2 * k + 1]));
            hi[k] = _mm256_max_epu16(_mm256_unpacklo_epi32(hi[2 * k], hi[2 * k + 1]),
                                     _mm256_unpackhi_epi32(hi[2 * k], hi[2 * k + 1]));
        }
        __m256i const l = _mm256_min_epu16(_mm256_unpacklo_epi64(lo[0], lo[1]), _mm256_unpackhi_epi64(lo[0], lo[1]));
        __m256i const h = _mm256_max_epu16(_mm256_unpacklo_epi64(hi[0], hi[1]), _mm256_unpackhi_epi64(hi[0], hi[1]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(low + b + 1), l);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(high + b + 1), h);
    }
    return b;
}

// The mean of two unsigned greys rounded down: the rounded-up one (avg) less
// the odd bit of their sum.
__attribute__((target("avx2"))) inline __m256i MeanWide(__m256i a, __m256i c)
{
    return _mm256_sub_epi16(_mm256_avg_epu16(a, c), _mm256_and_si256(_mm256_xor_si256(a, c), _mm256_set1_epi16(1)));
}

__attribute__((target("avx2"))) inline __m256i DistanceWide(__m256i a, __m256i c)
{
    return _mm256_or_si256(_mm256_subs_epu16(a, c), _mm256_subs_epu16(c, a));
}

// MeasureRowBlocks' lanes sixteen blocks at a time, while they lie within
// count rounded up to a multiple of 8; `any` gathers the marks of blocks
// with contrast. The blocks measured, from the first.
__attribute__((target("avx2"))) unsigned MeasureContrastWide(unsigned short const* low, unsigned short const* high,
                                                             unsigned count, unsigned short* threshold,
                                                             unsigned short* margin, unsigned short* middle,
                                                             int contrastFloor, unsigned& any)
{
    __m256i const floor = _mm256_set1_epi16(static_cast<short>(contrastFloor - 1));
    __m256i const zero = _mm256_setzero_si256();
    unsigned const padded = (count + 7) & ~7u;
    unsigned b = 0;
    for (; b + 16 <= padded; b += 16) {
        __m256i const lb = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(low + b));
        __m256i const l = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(low + b + 1));
        __m256i const la = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(low + b + 2));
        __m256i const hb = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(high + b));
        __m256i const h = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(high + b + 1));
        __m256i const ha = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(high + b + 2));
        __m256i const mid = MeanWide(l, h);
        __m256i const step = _mm256_max_epu16(DistanceWide(mid, MeanWide(lb, hb)), DistanceWide(mid, MeanWide(la, ha)));
        __m256i const lowest = _mm256_min_epu16(l, _mm256_min_epu16(lb, la));
        __m256i const highest = _mm256_max_epu16(h, _mm256_max_epu16(hb, ha));
        // Flat: neither the range nor the step reaches the floor.
        __m256i const flat =
            _mm256_cmpeq_epi16(_mm256_subs_epu16(_mm256_max_epu16(_mm256_sub_epi16(h, l), step), floor), zero);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(threshold + b), MeanWide(lowest, highest));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(margin + b),
                            _mm256_andnot_si256(flat, _mm256_sub_epi16(highest, lowest)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(middle + b), mid);
        // Lanes past the row's last block do not count.
        unsigned const valid = count - b >= 16 ? 0xFFFFFFFFu : (1u << (2 * (count - b))) - 1u;
        any |= ~static_cast<unsigned>(_mm256_movemask_epi8(flat)) & valid;
    }
    return b;
}

// The bull's-eye screen of Start for runs i ... i + 7, bit k for run i + k:
// the three runs on each side of it (widths[j] the width of run j, from
// i - 3 to i + 10) sum to at least 6, none narrower than a twelfth of their
// sum nor wider than a quarter.
__attribute__((target("avx2"))) unsigned ScreenRingsWide(int const* widths, unsigned i)
{
    int const* const w = widths + i;
    __m256i const a = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(w - 3));
    __m256i const b = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(w - 2));
    __m256i const c = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(w - 1));
    __m256i const d = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(w + 1));
    __m256i const e = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(w + 2));
    __m256i const f = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(w + 3));
    __m256i const rings =
        _mm256_add_epi32(_mm256_add_epi32(_mm256_add_epi32(a, b), _mm256_add_epi32(c, d)), _mm256_add_epi32(e, f));
    __m256i const narrowest =
        _mm256_min_epi32(_mm256_min_epi32(_mm256_min_epi32(a, b), _mm256_min_epi32(c, d)), _mm256_min_epi32(e, f));
    __m256i const widest =
        _mm256_max_epi32(_mm256_max_epi32(_mm256_max_epi32(a, b), _mm256_max_epi32(c, d)), _mm256_max_epi32(e, f));
    __m256i const fail = _mm256_or_si256(
        _mm256_cmpgt_epi32(_mm256_set1_epi32(6), rings),
        _mm256_or_si256(_mm256_cmpgt_epi32(rings, _mm256_mullo_epi32(narrowest, _mm256_set1_epi32(12))),
                        _mm256_cmpgt_epi32(_mm256_slli_epi32(widest, 2), rings)));
    return ~static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(fail))) & 0xFFu;
}

// The QR finder screen of Start for the five runs from i + k on, bit k for
// k < 8 (widths[j] the width of run j, from i to i + 11): at least 7 pixels
// in all, 1:1:3:1:1 as IsQRRuns judges it.
__attribute__((target("avx2"))) unsigned ScreenQRWide(int const* widths, unsigned i)
{
    int const* const w = widths + i;
    __m256i const a = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(w));
    __m256i const b = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(w + 1));
    __m256i const m = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(w + 2));
    __m256i const d = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(w + 3));
    __m256i const e = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(w + 4));
    __m256i const total = _mm256_add_epi32(_mm256_add_epi32(_mm256_add_epi32(a, b), _mm256_add_epi32(d, e)), m);
    __m256i const seven = _mm256_set1_epi32(7);
    // An outer run w is out when 2 |7 w - total| > total; the middle one
    // when 7 w lies below 2 total or above 4 total.
    auto out = [total, seven](__m256i v) __attribute__((target("avx2"))) {
        __m256i const off = _mm256_abs_epi32(_mm256_sub_epi32(_mm256_mullo_epi32(v, seven), total));
        return _mm256_cmpgt_epi32(_mm256_slli_epi32(off, 1), total);
    };
    __m256i const middle = _mm256_mullo_epi32(m, seven);
    __m256i const fail = _mm256_or_si256(
        _mm256_or_si256(_mm256_or_si256(out(a), out(b)), _mm256_or_si256(out(d), out(e))),
        _mm256_or_si256(_mm256_or_si256(_mm256_cmpgt_epi32(seven, total),
                                        _mm256_cmpgt_epi32(_mm256_slli_epi32(total, 1), middle)),
                        _mm256_cmpgt_epi32(middle, _mm256_slli_epi32(total, 2))));
    return ~static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(fail))) & 0xFFu;
}
#endif

// The low and high grey of each block of row[left..right], block b at b + 1
// (ranges of the row's blocks on either side are left to the caller).
void MeasureRanges(unsigned short const* row, int left, int right, unsigned count, bool lanes, unsigned short* low,
                   unsigned short* high)
{
    unsigned b = 0;
#if defined(SCANNER_STRIP_AVX2)
    if (lanes && ProcessorHasAvx2()) {
        b = MeasureRangesWide(row, left, right, count, low, high);
    }
#endif
#if defined(__SSE2__)
    // Eight whole blocks at a time: each block's two halves are folded into
    // one, then the eight blocks' lanes are folded pairwise, interleaved, so
    // that lane k ends with block k's extreme. Unsigned 16-bit values
    // compare as signed ones moved by 0x8000.
    __m128i const bias = _mm_set1_epi16(static_cast<short>(0x8000));
    for (; lanes && b + 8 <= count && left + static_cast<int>((b + 8) * kBlock) - 1 <= right; b += 8) {
        unsigned short const* p = row + left + static_cast<int>(b * kBlock);
        __m128i lo[8];
        __m128i hi[8];
        for (int k = 0; k < 8; ++k) {
            __m128i const a = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<__m128i const*>(p + 16 * k)), bias);
            __m128i const c = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<__m128i const*>(p + 16 * k + 8)), bias);
            lo[k] = _mm_min_epi16(a, c);
            hi[k] = _mm_max_epi16(a, c);
        }
        for (int k = 0; k < 4; ++k) {
            lo[k] = _mm_min_epi16(_mm_unpacklo_epi16(lo[2 * k], lo[2 * k + 1]),
                                  _mm_unpackhi_epi16(lo[2 * k], lo[2 * k + 1]));
            hi[k] = _mm_max_epi16(_mm_unpacklo_epi16(hi[2 * k], hi[2 * k + 1]),
                                  _mm_unpackhi_epi16(hi[2 * k], hi[2 * k + 1]));
        }
        for (int k = 0; k < 2; ++k) {
            lo[k] = _mm_min_epi16(_mm_unpacklo_epi32(lo[2 * k], lo[2 * k + 1]),
                                  _mm_unpackhi_epi32(lo[2 * k], lo[2 * k + 1]));
            hi[k] = _mm_max_epi16(_mm_unpacklo_epi32(hi[2 * k], hi[2 * k + 1]),
                                  _mm_unpackhi_epi32(hi[2 * k], hi[2 * k + 1]));
        }
        __m128i const l = _mm_min_epi16(_mm_unpacklo_epi64(lo[0], lo[1]), _mm_unpackhi_epi64(lo[0], lo[1]));
        __m128i const h = _mm_max_epi16(_mm_unpacklo_epi64(hi[0], hi[1]), _mm_unpackhi_epi64(hi[0], hi[1]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(low + b + 1), _mm_xor_si128(l, bias));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(high + b + 1), _mm_xor_si128(h, bias));
    }
#endif
    for (; b < count; ++b) {
        int const x0 = left + static_cast<int>(b * kBlock);
        int const x1 = Min(x0 + static_cast<int>(kBlock) - 1, right);
        unsigned short lo = row[x0];
        unsigned short hi = lo;
        for (int x = x0 + 1; x <= x1; ++x) {
            lo = row[x] < lo ? row[x] : lo;
            hi = row[x] > hi ? row[x] : hi;
        }
        low[b + 1] = lo;
        high[b + 1] = hi;
    }
}

}  // namespace

bool MeasureRowBlocks(unsigned short const* row, int left, int right, unsigned count, unsigned short* threshold,
                      unsigned short* margin, unsigned short* middle, bool lanes, int contrastFloor)
{
    count = count > kMaxBlocks ? kMaxBlocks : count;
    if (count == 0) {
        return false;
    }
    // Block b at b + 1, its row's end blocks repeated on either side (a
    // block's neighbourhood stops at the row's ends), and to the next
    // multiple of 8.
    unsigned short low[kMaxBlocks + 16];
    unsigned short high[kMaxBlocks + 16];
    MeasureRanges(row, left, right, count, lanes, low, high);
    low[0] = low[1];
    high[0] = high[1];
    for (unsigned b = count + 1; b < count + 9; ++b) {
        low[b] = low[count];
        high[b] = high[count];
    }
    // A block has contrast when its own samples spread, or when its middle
    // grey steps from a neighbour's (an edge on the border between them);
    // noise spreads a block less than it spreads three. Its threshold is
    // taken over it and its neighbours; a flat block keeps the colour it
    // was entered with.
    bool contrast = false;
    unsigned b = 0;
#if defined(__SSE2__)
    if (lanes) {
        // Unsigned 16-bit lanes: a - (a -sat b) is the lower of the two,
        // b + (a -sat b) the higher; the mean rounded down is the rounded-up
        // one (avg) less the odd bit of the sum.
        auto lower = [](__m128i a, __m128i c) { return _mm_sub_epi16(a, _mm_subs_epu16(a, c)); };
        auto higher = [](__m128i a, __m128i c) { return _mm_add_epi16(c, _mm_subs_epu16(a, c)); };
        __m128i const one = _mm_set1_epi16(1);
        auto mean = [one](__m128i a, __m128i c) {
            return _mm_sub_epi16(_mm_avg_epu16(a, c), _mm_and_si128(_mm_xor_si128(a, c), one));
        };
        auto distance = [](__m128i a, __m128i c) { return _mm_or_si128(_mm_subs_epu16(a, c), _mm_subs_epu16(c, a)); };
        __m128i const floor = _mm_set1_epi16(static_cast<short>(contrastFloor - 1));
        __m128i const zero = _mm_setzero_si128();
        unsigned any = 0;
#if defined(SCANNER_STRIP_AVX2)
        if (ProcessorHasAvx2()) {
            b = MeasureContrastWide(low, high, count, threshold, margin, middle, contrastFloor, any);
        }
#endif
        for (; b < count; b += 8) {
            __m128i const lb = _mm_loadu_si128(reinterpret_cast<__m128i const*>(low + b));
            __m128i const l = _mm_loadu_si128(reinterpret_cast<__m128i const*>(low + b + 1));
            __m128i const la = _mm_loadu_si128(reinterpret_cast<__m128i const*>(low + b + 2));
            __m128i const hb = _mm_loadu_si128(reinterpret_cast<__m128i const*>(high + b));
            __m128i const h = _mm_loadu_si128(reinterpret_cast<__m128i const*>(high + b + 1));
            __m128i const ha = _mm_loadu_si128(reinterpret_cast<__m128i const*>(high + b + 2));
            __m128i const mid = mean(l, h);
            __m128i const step = higher(distance(mid, mean(lb, hb)), distance(mid, mean(la, ha)));
            __m128i const lowest = lower(l, lower(lb, la));
            __m128i const highest = higher(h, higher(hb, ha));
            // Flat: neither the range nor the step reaches the floor.
            __m128i const flat = _mm_cmpeq_epi16(_mm_subs_epu16(higher(_mm_sub_epi16(h, l), step), floor), zero);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(threshold + b), mean(lowest, highest));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(margin + b), _mm_andnot_si128(flat, _mm_sub_epi16(highest, lowest)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(middle + b), mid);
            // Lanes past the row's last block do not count.
            unsigned const valid = count - b >= 8 ? 0xFFFFu : (1u << (2 * (count - b))) - 1u;
            any |= ~static_cast<unsigned>(_mm_movemask_epi8(flat)) & valid;
        }
        return any != 0;
    }
#endif
    for (; b < count; ++b) {
        int const lb = low[b], l = low[b + 1], la = low[b + 2];
        int const hb = high[b], h = high[b + 1], ha = high[b + 2];
        int const mid = (l + h) / 2;
        int const step = Max(Abs(mid - (lb + hb) / 2), Abs(mid - (la + ha) / 2));
        int const lowest = Min(l, Min(lb, la));
        int const highest = Max(h, Max(hb, ha));
        bool const flat = Max(h - l, step) < contrastFloor;
        threshold[b] = static_cast<unsigned short>((lowest + highest) / 2);
        // A block with contrast spans at least the floor with its
        // neighbours: 0 is free to mark one without.
        margin[b] = static_cast<unsigned short>(flat ? 0 : highest - lowest);
        middle[b] = static_cast<unsigned short>(mid);
        contrast = contrast || !flat;
    }
    return contrast;
}

void MatrixCandidateFinder::Start(GrayImage const& image, Rectangle const& area, unsigned stride,
                                  Wanted const& wanted)
{
    // Only the lists asked for start afresh: the others keep what an
    // earlier sweep of the same image found.
    finderCount_ = wanted.qrFinders && !wanted.laterPart ? 0 : finderCount_;
    // A later part drops the loose sightings appended after the strict ones
    // and appends them again, with its own, at its end.
    bool const restart = wanted.bullsEyes && !wanted.laterPart;
    bullsEyeCount_ = restart ? 0 : (wanted.bullsEyes ? strictBullsEyeCount_ : bullsEyeCount_);
    strictBullsEyeCount_ = restart ? 0 : strictBullsEyeCount_;
    looseBullsEyeCount_ = restart ? 0 : looseBullsEyeCount_;
    hanXinCount_ = wanted.hanXinFinders ? 0 : hanXinCount_;
    lPatternCount_ = wanted.lPatterns ? 0 : lPatternCount_;
    walkedLegCount_ = 0;
    pausedRow_ = -1;
    dotCount_ = wanted.dots ? 0 : dotCount_;
    dotScreens_ = wanted.dots ? 0 : dotScreens_;
    dotListClosed_ = wanted.dots ? false : dotListClosed_;
    area_ = area;
    measuredRow_ = nullptr;
    if (!wanted.Any() || image.GetPixels() == nullptr || area.right < area.left || area.bottom < area.top) {
        return;
    }
    // The largest dot a DotCode reader considers, as it does.
    maxDot_ = Min(Min(image.GetWidth(), image.GetHeight()) / 20, 64);
    stride = stride == 0 ? 1 : stride;
    if (!wanted.sameImage || image.GetPixels() != keptPixels_ || image.GetPitch() != keptPitch_ ||
        area.left != keptLeft_ || area.right != keptRight_) {
        Rectangle grid = area;
        grid.top = wanted.gridStride > 0 ? wanted.gridTop : area.top;
        ForgetRows(image, grid, wanted.gridStride > 0 ? wanted.gridStride : stride);
    }
    for (int y = area.top; y <= area.bottom; y += static_cast<int>(stride)) {
        // A blurred one-module ring of a QR finder peaks little more than an
        // eighth of the contrast past the threshold; the other patterns are
        // cut at a quarter, which keeps noise out of their runs.
        if (wanted.qrFinders && ScanRow(image, area, y, kQRMarginShare)) {
            unsigned first = 0;
#if defined(SCANNER_STRIP_AVX2)
            if (ProcessorHasAvx2()) {
                // Eight runs at a time on the widths laid side by side, zeros
                // past the last run (five runs that take one fail); no run is
                // left to the screen one at a time.
                int widths[kMaxRuns + 16];
                LayWidths(widths);
                for (unsigned i = 0; i + 5 <= runCount_; i += 8) {
                    for (unsigned pass = ScreenQRWide(widths, i); pass != 0; pass &= pass - 1) {
                        unsigned const k = i + static_cast<unsigned>(std::countr_zero(pass));
                        int const total = widths[k] + widths[k + 1] + widths[k + 2] + widths[k + 3] + widths[k + 4];
                        CheckQRFinder(image, k, y, total);
                    }
                }
                first = runCount_;
            }
#endif
            // Five runs at a time, their total carried along the row; the
            // middle run of a finder is 3 of its 7 modules.
            int total = 0;
            for (unsigned i = first; i < runCount_ && i < first + 4; ++i) {
                total += runs_[i].length;
            }
            for (unsigned i = first; i + 5 <= runCount_; ++i) {
                total += runs_[i + 4].length;
                int const middle = 7 * runs_[i + 2].length;
                // The run ratio of a finder (IsQRRuns), here without a call
                // and not judged again by CheckQRFinder: the middle run
                // within a module of 3, each other within half a module of 1
                // (|7 w - total| * 4 <= 2 total).
                if (total >= 7 && middle >= 2 * total && middle <= 4 * total &&
                    2 * Abs(7 * runs_[i].length - total) <= total &&
                    2 * Abs(7 * runs_[i + 1].length - total) <= total &&
                    2 * Abs(7 * runs_[i + 3].length - total) <= total &&
                    2 * Abs(7 * runs_[i + 4].length - total) <= total) {
                    CheckQRFinder(image, i, y, total);
                }
                total -= runs_[i].length;
            }
        }
        // A row without contrast has none at any cut: the bull's-eyes below
        // skip it by themselves.
        bool const others = wanted.hanXinFinders || wanted.lPatterns || wanted.dots;
        if (others && ScanRow(image, area, y, kMarginShare)) {
            for (unsigned i = 0; i < runCount_; ++i) {
                if (wanted.hanXinFinders) {
                    CheckHanXinFinder(i, y);
                }
                if (wanted.lPatterns) {
                    CheckLPattern(image, i, y);
                }
                if (wanted.dots) {
                    CheckDot(image, i, y, stride);
                }
            }
        }
        if (wanted.bullsEyes) {
            SweepBullsEyeRow(image, area, y, wanted.blurredMaxiCentres);
        }
    }
    strictBullsEyeCount_ = wanted.bullsEyes ? bullsEyeCount_ : strictBullsEyeCount_;
    // The loose sightings fill what room is left, each once: the data of a
    // large symbol at two pixels a module makes many, which must not take
    // the place or the turn of its own bull's-eye.
    if (wanted.bullsEyes) {
        AppendBullsEyes(looseBullsEyes_, looseBullsEyeCount_);
    }
}

void MatrixCandidateFinder::SweepBullsEyeRow(GrayImage const& image, Rectangle const& area, int y,
                                             bool blurredMaxiCentres)
{
    // A blurred bull's-eye keeps its one-module rings and centre only
    // as shallow swings about the threshold: its runs are cut without
    // the margin.
    if (!ScanRow(image, area, y, 0)) {
        return;
    }
    unsigned const found = bullsEyeCount_;
    // The three runs on each side of a bull's-eye's centre are each
    // half a ring to one and a half rings wide (6 rings in all): most
    // runs of a row fail that, and are passed over here. Each of the
    // six is within, when the narrowest is at least a twelfth of
    // their sum and the widest at most a quarter.
    static_assert(kRingCount == 3, "the screen below takes three runs on each side");
    unsigned first = kRingCount;
#if defined(SCANNER_STRIP_AVX2)
    if (ProcessorHasAvx2()) {
        // Eight runs at a time on the widths laid side by side, zeros
        // past the last run (a window that holds one fails); no run
        // is left to the screen one at a time.
        int widths[kMaxRuns + 16];
        LayWidths(widths);
        for (unsigned i = kRingCount; i + kRingCount < runCount_; i += 8) {
            for (unsigned pass = ScreenRingsWide(widths, i); pass != 0; pass &= pass - 1) {
                CheckBullsEye(image, i + static_cast<unsigned>(std::countr_zero(pass)), y, true);
            }
        }
        first = runCount_;
    }
#endif
    int rings = 0;
    for (unsigned i = first - kRingCount; i < runCount_ && i < first + kRingCount + 1; ++i) {
        rings += runs_[i].length;
    }
    for (unsigned i = first; i + kRingCount < runCount_; ++i) {
        rings -= runs_[i].length;
        int const a = runs_[i - 3].length;
        int const b = runs_[i - 2].length;
        int const c = runs_[i - 1].length;
        int const d = runs_[i + 1].length;
        int const e = runs_[i + 2].length;
        int const f = runs_[i + 3].length;
        int const narrowest = Min(Min(Min(a, b), Min(c, d)), Min(e, f));
        int const widest = Max(Max(Max(a, b), Max(c, d)), Max(e, f));
        if (rings >= 6 && 12 * narrowest >= rings && 4 * widest <= rings) {
            CheckBullsEye(image, i, y, true);
        }
        rings += runs_[i].length - runs_[i - kRingCount].length;
        rings += i + kRingCount + 1 < runCount_ ? runs_[i + kRingCount + 1].length : 0;
    }
    if (faint_ || (bullsEyeCount_ == found && blurredMaxiCentres)) {
        ScanRowAtLocalMean(image, area, y);
        for (unsigned i = 0; i < runCount_; ++i) {
            CheckBullsEye(image, i, y);
        }
        meanRow_ = nullptr;
    }
}

void MatrixCandidateFinder::SweepFaintBullsEyes(GrayImage const& image, Rectangle const& area, unsigned stride)
{
    if (image.GetPixels() == nullptr || area.right < area.left || area.bottom < area.top) {
        return;
    }
    stride = stride == 0 ? 1 : stride;
    area_ = area;
    faint_ = true;
    faintBullsEyeCount_ = 0;
    faintLooseBullsEyeCount_ = 0;
    measuredRow_ = nullptr;
    for (int y = area.top; y <= area.bottom; y += static_cast<int>(stride)) {
        SweepBullsEyeRow(image, area, y, false);
    }
    // The next cut of any row measures it again at the usual floor.
    measuredRow_ = nullptr;
    faint_ = false;
    AppendBullsEyes(faintBullsEyes_, faintBullsEyeCount_);
    AppendBullsEyes(faintLooseBullsEyes_, faintLooseBullsEyeCount_);
}

void MatrixCandidateFinder::LayWidths(int* widths) const
{
    for (unsigned k = 0; k < runCount_; ++k) {
        widths[k] = runs_[k].length;
    }
    for (unsigned k = runCount_; k < runCount_ + 16; ++k) {
        widths[k] = 0;
    }
}

void MatrixCandidateFinder::AppendBullsEyes(FinderSighting const* list, unsigned count)
{
    for (unsigned i = 0; i < count && bullsEyeCount_ < kMaxBullsEyes; ++i) {
        FinderSighting const& seen = list[i];
        bool known = false;
        for (unsigned k = 0; k < bullsEyeCount_ && !known; ++k) {
            int const reach = Max(bullsEyes_[k].module, seen.module);
            known = Abs(bullsEyes_[k].centre.x - seen.centre.x) <= reach &&
                    Abs(bullsEyes_[k].centre.y - seen.centre.y) <= reach;
        }
        if (!known) {
            bullsEyes_[bullsEyeCount_++] = seen;
        }
    }
}

void MatrixCandidateFinder::StartLPatterns(GrayImage const& image, Rectangle const& area, unsigned stride,
                                           bool sameImage, bool keepLongMisses)
{
    lPatternCount_ = 0;
    walkedLegCount_ = 0;
    // The long misses were walked on these pixels, unchanged when asked to
    // keep them.
    if (!keepLongMisses || image.GetPixels() != longMissPixels_ || image.GetPitch() != longMissPitch_) {
        longMissCount_ = 0;
    }
    longMissPixels_ = image.GetPixels();
    longMissPitch_ = image.GetPitch();
    pausedRow_ = -1;
    area_ = area;
    measuredRow_ = nullptr;
    // Rows outside the image or the area are never swept.
    area_.left = Max(area.left, 0);
    area_.top = Max(area.top, 0);
    area_.right = Min(area.right, image.GetWidth() - 1);
    area_.bottom = Min(area.bottom, image.GetHeight() - 1);
    if (image.GetPixels() == nullptr || area_.right < area_.left || area_.bottom < area_.top) {
        return;
    }
    // Block measures kept from another image (or this one changed) would
    // cut the rows at wrong thresholds.
    if (!sameImage || image.GetPixels() != keptPixels_ || image.GetPitch() != keptPitch_ ||
        area_.left != keptLeft_ || area_.right != keptRight_) {
        ForgetRows(image, area_, stride == 0 ? 1 : stride);
    }
}

void MatrixCandidateFinder::SweepLPatternRow(GrayImage const& image, int y)
{
    while (!SweepLPatternRowPart(image, y)) {
    }
}

bool MatrixCandidateFinder::SweepLPatternRowPart(GrayImage const& image, int y)
{
    if (y != pausedRow_ || image.GetPixels() != pausedPixels_) {
        // ScanRow forgets any row paused on.
        if (image.GetPixels() == nullptr || y < area_.top || y > area_.bottom || area_.right < area_.left ||
            !ScanRow(image, area_, y, kMarginShare)) {
            return true;
        }
        nextRun_ = 0;
    }
    pausedRow_ = -1;
    for (unsigned i = nextRun_; i < runCount_; ++i) {
        unsigned const count = lPatternCount_;
        unsigned const fine = fineLPatterns_;
        CheckLPattern(image, i, y);
        // Only the bits of listed sightings count (kMaxLPatterns < 32).
        unsigned const listed = (1u << lPatternCount_) - 1u;
        bool const brought = lPatternCount_ != count || ((fine ^ fineLPatterns_) & listed) != 0;
        if (brought && (fineLPatterns_ & listed) == 0 && i + 1 < runCount_) {
            pausedRow_ = y;
            pausedPixels_ = image.GetPixels();
            nextRun_ = i + 1;
            return false;
        }
    }
    return true;
}

void MatrixCandidateFinder::ScanRowAtLocalMean(GrayImage const& image, Rectangle const& area, int y)
{
    runCount_ = 0;
    pausedRow_ = -1;
    int const right = Min(area.right, area.left + static_cast<int>(blockCount_ * kBlock) - 1);
    unsigned short const* row = image.GetPixels() + static_cast<long long>(y) * image.GetPitch();
    meanRow_ = row;
    bool dark = false;
    int start = -1;
    // The window [lo, hi) of the running mean.
    int lo = area.left;
    int hi = area.left;
    int sum = 0;
    for (unsigned b = 0; b < blockCount_; ++b) {
        if (margin_[b] == 0) {
            // A flat block ends the runs: they are taken only where the
            // contrast is.
            if (start >= 0 && runCount_ < kMaxRuns) {
                int const x0 = area.left + static_cast<int>(b * kBlock);
                runs_[runCount_++] = Run{start, x0 - start, dark};
            }
            start = -1;
            continue;
        }
        int const x0 = area.left + static_cast<int>(b * kBlock);
        int const x1 = Min(x0 + static_cast<int>(kBlock) - 1, right);
        for (int x = x0; x <= x1; ++x) {
            for (; hi <= Min(area.right, x + kMeanReach); ++hi) {
                sum += row[hi];
            }
            for (; lo < Max(area.left, x - kMeanReach); ++lo) {
                sum -= row[lo];
            }
            bool const now = row[x] * (hi - lo) < sum;
            if (start < 0) {
                start = x;
                dark = now;
                continue;
            }
            if (now == dark) {
                continue;
            }
            if (runCount_ >= kMaxRuns) {
                return;
            }
            runs_[runCount_++] = Run{start, x - start, dark};
            start = x;
            dark = now;
        }
    }
    if (start >= 0 && runCount_ < kMaxRuns) {
        runs_[runCount_++] = Run{start, right + 1 - start, dark};
    }
}

void MatrixCandidateFinder::ForgetRows(GrayImage const& image, Rectangle const& area, unsigned stride)
{
    for (unsigned r = 0; r < keptRows_; ++r) {
        rowState_[r] = kRowUnknown;
    }
    keptPixels_ = image.GetPixels();
    keptPitch_ = image.GetPitch();
    keptLeft_ = area.left;
    keptRight_ = area.right;
    keptTop_ = area.top;
    keptStride_ = static_cast<int>(stride);
    unsigned const width = static_cast<unsigned>(area.right - area.left + 1);
    unsigned blocks = (width + kBlock - 1) / kBlock;
    blocks = blocks > kMaxBlocks ? kMaxBlocks : blocks;
    keptRowValues_ = (blocks + 7) / 8 * 8;
    unsigned const rows = static_cast<unsigned>(area.bottom - area.top) / stride + 1;
    unsigned const room = keptRowValues_ == 0 ? 0 : kMaxKeptValues / (3 * keptRowValues_);
    keptRows_ = Min(Min(static_cast<int>(rows), static_cast<int>(kMaxKeptRows)), static_cast<int>(room));
}

bool MatrixCandidateFinder::MeasureRow(unsigned short const* row, Rectangle const& area, int right, int y)
{
    int const off = y - keptTop_;
    unsigned const r = off >= 0 && off % keptStride_ == 0 ? static_cast<unsigned>(off / keptStride_) : kMaxKeptRows;
    unsigned short* values = measured_;
    unsigned stride = kMaxBlocks;
    if (faint_) {
        // Measured at the faint floor for the sweep alone: the rows kept
        // for the other sweeps keep their own measures.
        threshold_ = values;
        margin_ = values + stride;
        middle_ = values + 2 * stride;
        return MeasureRowBlocks(row, area.left, right, blockCount_, values, values + stride, values + 2 * stride,
                                true, kFaintContrastFloor);
    }
    bool const kept = r < keptRows_ && blockCount_ <= keptRowValues_ && 3 * (r + 1) * keptRowValues_ <= kMaxKeptValues;
    if (kept) {
        values = keptMeasures_ + 3 * r * keptRowValues_;
        stride = keptRowValues_;
    }
    threshold_ = values;
    margin_ = values + stride;
    middle_ = values + 2 * stride;
    if (kept && rowState_[r] != kRowUnknown) {
        return rowState_[r] == kRowWithContrast;
    }
    bool const contrast = MeasureRowBlocks(row, area.left, right, blockCount_, values, values + stride,
                                           values + 2 * stride);
    if (kept) {
        rowState_[r] = contrast ? kRowWithContrast : kRowFlat;
    }
    return contrast;
}

bool MatrixCandidateFinder::ScanRow(GrayImage const& image, Rectangle const& area, int y, int marginShare)
{
    runCount_ = 0;
    pausedRow_ = -1;
    int const width = area.right - area.left + 1;
    blockCount_ = static_cast<unsigned>((width + static_cast<int>(kBlock) - 1) / static_cast<int>(kBlock));
    blockCount_ = blockCount_ > kMaxBlocks ? kMaxBlocks : blockCount_;
    int const right = Min(area.right, area.left + static_cast<int>(blockCount_ * kBlock) - 1);
    unsigned short const* row = image.GetPixels() + static_cast<long long>(y) * image.GetPitch();
    // The patterns cut one row at several margins: its blocks are measured once.
    if (row != measuredRow_) {
        measuredRow_ = row;
        rowHasContrast_ = MeasureRow(row, area, right, y);
    }
    if (!rowHasContrast_) {
        return false;
    }
    bool dark = row[area.left] < threshold_[0];
    int start = area.left;
    // The count kept in a local while the row is cut (the member would be
    // stored again with every run).
    unsigned count = 0;
    // The shares are powers of two: a block's margin share is a shift (a
    // division by a variable costs tens of cycles a block).
    unsigned const share = static_cast<unsigned>(marginShare);
    // Without a share the margin is 0: a grey shifted by 16.
    int const shift = share == 0 ? 16 : (std::has_single_bit(share) ? std::countr_zero(share) : -1);
    for (unsigned b = 0; b < blockCount_; ++b) {
        if (margin_[b] == 0) {
            // Most flat blocks keep the run's colour: they are passed over
            // to the next that has contrast or turns it.
            b = SkipFlatBlocks(threshold_, margin_, middle_, b, blockCount_, dark);
            if (b >= blockCount_) {
                break;
            }
        }
        if (margin_[b] == 0) {
            // A flat block clearly to one side of its neighbourhood's
            // threshold has that colour: a pattern's last run may end on its
            // border with a grey that the margin kept in the run's colour.
            int const off = middle_[b] - threshold_[b];
            bool const now = off < 0;
            if (Abs(off) > kContrastFloor / 8 && now != dark && count < kMaxRuns) {
                int const x0 = area.left + static_cast<int>(b * kBlock);
                runs_[count++] = Run{start, x0 - start, dark};
                start = x0;
                dark = now;
            }
            continue;
        }
        int const threshold = threshold_[b];
        int const margin = shift >= 0 ? margin_[b] >> shift : margin_[b] / marginShare;
        int const x0 = area.left + static_cast<int>(b * kBlock);
        int const x1 = Min(x0 + static_cast<int>(kBlock) - 1, right);
        // A dark run ends at a pixel above threshold + margin, a light one
        // at a pixel below threshold - margin: with both kinds of pixel
        // marked in one go, the row is walked from change to change.
        unsigned above = 0;
        unsigned below = 0;
        MarkBlock(row + x0, x1 - x0 + 1, threshold, margin, above, below);
        int at = 0;
        for (;;) {
            unsigned const ends = (dark ? above : below) >> at;
            if (ends == 0) {
                break;
            }
            at += std::countr_zero(ends);
            if (count >= kMaxRuns) {
                runCount_ = count;
                return true;
            }
            int const x = x0 + at;
            runs_[count++] = Run{start, x - start, dark};
            start = x;
            dark = !dark;
        }
    }
    if (count < kMaxRuns) {
        runs_[count++] = Run{start, right + 1 - start, dark};
    }
    runCount_ = count;
    return true;
}

int MatrixCandidateFinder::GetThreshold(int x) const
{
    if (meanRow_ != nullptr) {
        int const from = Max(area_.left, x - kMeanReach);
        int const to = Min(area_.right, x + kMeanReach);
        int sum = 0;
        for (int t = from; t <= to; ++t) {
            sum += meanRow_[t];
        }
        return sum / (to - from + 1);
    }
    unsigned b = static_cast<unsigned>(x - area_.left) / kBlock;
    return threshold_[b >= blockCount_ ? blockCount_ - 1 : b];
}

bool MatrixCandidateFinder::ScanColumn(GrayImage const& image, int x, int y, int threshold, unsigned count,
                                       int limit, int* above, int* below, int& centre, int& top) const
{
    return ScanColumnCentre(image, x, y, threshold, limit, centre, top) &&
           ScanColumnRuns(image, x, threshold, count, limit, above, below, centre, top);
}

bool MatrixCandidateFinder::ScanColumnCentre(GrayImage const& image, int x, int y, int threshold, int limit,
                                             int& centre, int& top) const
{
    if (x < area_.left || x > area_.right) {
        return false;
    }
    // The column is walked by offsets into the pixels, a pitch a row.
    unsigned short const* const pixels = image.GetPixels();
    long long const pitch = image.GetPitch();
    long long const here = static_cast<long long>(y) * pitch + x;
    bool const dark = pixels[here] < threshold;
    // Each walk stops at the area's edge or at the limit, whichever comes
    // first: its steps are bounded once.
    int const up = y - WalkColumn(pixels, here - pitch, -pitch, Min(limit, y - area_.top), threshold, dark);
    int const down = y + WalkColumn(pixels, here + pitch, pitch, Min(limit, area_.bottom - y), threshold, dark);
    centre = down - up + 1;
    top = up;
    return centre <= limit;
}

bool MatrixCandidateFinder::ScanColumnRuns(GrayImage const& image, int x, int threshold, unsigned count, int limit,
                                           int* above, int* below, int centre, int top) const
{
    unsigned short const* const pixels = image.GetPixels();
    long long const pitch = image.GetPitch();
    int const up = top;
    int const down = top + centre - 1;
    bool const dark = pixels[static_cast<long long>(top) * pitch + x] < threshold;
    // Further runs, alternating in colour, outward from the centre run.
    for (int side = 0; side < 2; ++side) {
        int* out = side == 0 ? above : below;
        int const step = side == 0 ? -1 : 1;
        int at = side == 0 ? up - 1 : down + 1;
        long long offset = static_cast<long long>(at) * pitch + x;
        long long const move = step * pitch;
        bool colour = !dark;
        for (unsigned k = 0; k < count; ++k) {
            // A long ground run is only measured up to the limit.
            int const room = side == 0 ? at - area_.top + 1 : area_.bottom - at + 1;
            int const length = WalkColumn(pixels, offset, move, Min(limit, room), threshold, colour);
            at += step * length;
            offset += move * length;
            if (length == 0) {
                return false;
            }
            out[k] = length;
            colour = !colour;
        }
    }
    return true;
}

void MatrixCandidateFinder::Note(FinderSighting* list, unsigned& count, unsigned capacity, FinderSighting const& seen,
                                 int mergeModules)
{
    for (unsigned i = 0; i < count; ++i) {
        FinderSighting& known = list[i];
        int const reach = (mergeModules > 0 ? mergeModules : kMergeModules) * Max(known.module, seen.module);
        if (known.dark == seen.dark && known.kind == seen.kind && Abs(known.centre.x - seen.centre.x) <= reach &&
            Abs(known.centre.y - seen.centre.y) <= reach) {
            int const n = static_cast<int>(known.rows);
            known.centre.x = (known.centre.x * n + seen.centre.x) / (n + 1);
            known.centre.y = (known.centre.y * n + seen.centre.y) / (n + 1);
            known.module = (known.module * n + seen.module) / (n + 1);
            known.square = known.square | seen.square;
            ++known.rows;
            return;
        }
    }
    if (count < capacity) {
        list[count++] = seen;
        return;
    }
    // A full list gives up a sighting of one row that the rows have left
    // behind: a large symbol's data makes many such, and its last finder
    // comes lowest.
    for (unsigned i = 0; i < count; ++i) {
        if (list[i].rows == 1 && list[i].centre.y + kMergeModules * list[i].module < seen.centre.y) {
            list[i] = seen;
            return;
        }
    }
}

int MatrixCandidateFinder::TakeWidths(unsigned first, unsigned count, int* widths) const
{
    if (first + count > runCount_) {
        return 0;
    }
    int total = 0;
    for (unsigned k = 0; k < count; ++k) {
        widths[k] = runs_[first + k].length;
        total += widths[k];
    }
    return total;
}

void MatrixCandidateFinder::CheckQRFinder(GrayImage const& image, unsigned i, int y, int total)
{
    Run const& middle = runs_[i + 2];
    int const x = middle.x + middle.length / 2;
    if (x < area_.left || x > area_.right) {
        return;
    }
    int const threshold = GetThreshold(x);
    int above[2];
    int below[2];
    int centre = 0;
    int top = 0;
    // An outer column run w fails the checks below once 28 w > 12 total:
    // the column's total is at most twice the row's, and a run of one
    // module in seven is then out of ratio. Its walk stops at the first
    // such length, which fails alike.
    int const runLimit = Min(total, 3 * total / 7 + 1);
    if (!ScanColumnCentre(image, x, y, threshold, total, centre, top) ||
        !ScanColumnRuns(image, x, threshold, 2, runLimit, above, below, centre, top)) {
        return;
    }
    int const column[5] = {above[1], above[0], centre, below[0], below[1]};
    int const columnTotal = above[0] + above[1] + centre + below[0] + below[1];
    if (columnTotal * 2 < total || columnTotal > total * 2 || !IsQRRuns(column)) {
        return;
    }
    FinderSighting seen;
    seen.centre = Point{x, top + centre / 2};
    seen.module = Max(1, (total + columnTotal) / 14);
    seen.rows = 1;
    seen.dark = middle.dark ? 1 : 0;
    seen.square = IsSquareQRFinder(image, x, seen.centre.y, threshold, total, columnTotal) ? 1 : 0;
    Note(finders_, finderCount_, kMaxFinders, seen);
}

void MatrixCandidateFinder::CheckBullsEye(GrayImage const& image, unsigned i, int y, bool screened)
{
    if (i < static_cast<unsigned>(kRingCount) || i + kRingCount >= runCount_) {
        return;
    }
    Run const& middle = runs_[i];
    // An Aztec core is one dark module like its rings; a MaxiCode centre is
    // a light spot wider than its rings.
    int rings[6];
    int ringTotal = 0;
    for (int k = 0; k < kRingCount; ++k) {
        rings[k] = runs_[i - kRingCount + static_cast<unsigned>(k)].length;
        rings[kRingCount + k] = runs_[i + 1 + static_cast<unsigned>(k)].length;
        ringTotal += rings[k] + rings[kRingCount + k];
    }
    if (!screened && (ringTotal < 6 || !IsEvenRuns(rings, 6))) {
        return;
    }
    int const module = ringTotal / 6;
    unsigned char kind = middle.dark ? kAztec : kMaxiCode;
    // A light-on-dark Aztec core is a light module no wider than its rings;
    // a MaxiCode centre is half as wide again.
    if (kind == kMaxiCode && middle.length * 4 <= module * 5) {
        kind = kAztec;
    }
    // The local-mean cut serves a blurred MaxiCode's wide light centre, and
    // in the faint sweep an Aztec core too: a small light label on a dark
    // ground lifts the block thresholds above the label's ink.
    if (kind == kAztec && meanRow_ != nullptr && !faint_) {
        return;
    }
    if (kind == kAztec) {
        // Blur narrows the one-module centre most: down to a quarter module.
        // A centre within that needs no ratio of all seven runs.
        int const widths[7] = {rings[0], rings[1], rings[2], middle.length, rings[3], rings[4], rings[5]};
        if ((middle.length * 4 < module || middle.length * 2 > module * 3) && !IsEvenRuns(widths, 7)) {
            return;
        }
    } else if (middle.length * 2 < module || middle.length > module * 4) {
        return;
    }
    int const x = middle.x + middle.length / 2;
    if (x < area_.left || x > area_.right) {
        return;
    }
    int const threshold = GetThreshold(x);
    // An Aztec ring is one module: at two pixels a module, runs cut at whole
    // pixels are a pixel off at times.
    int const slack = kind == kAztec ? 1 : 0;
    int above[kRingCount];
    int below[kRingCount];
    int centre = 0;
    int top = 0;
    int const span = ringTotal + middle.length;
    // The column's centre run alone first: across a symbol's data it is
    // seldom as wide as the row's, and its rings need not be walked. A
    // centre run past twice the row's (and 2) fails, so it is walked no
    // further than one pixel past that.
    int const centreLimit = Min(span, middle.length * 2 + 3);
    // A column ring run w fails the checks below once 2 w > ringTotal +
    // 2 slack: the column's total is at most twice the row's, and a run
    // of one module in six is then out of ratio. Its walk stops at the
    // first such length, which fails alike.
    int const ringLimit = Min(span, (ringTotal + 2 * slack) / 2 + 1);
    if (!ScanColumnCentre(image, x, y, threshold, centreLimit, centre, top) || centre * 2 < middle.length ||
        centre > middle.length * 2 + 2 ||
        !ScanColumnRuns(image, x, threshold, kRingCount, ringLimit, above, below, centre, top)) {
        return;
    }
    int const column[6] = {above[0], above[1], above[2], below[0], below[1], below[2]};
    int const columnTotal = above[0] + above[1] + above[2] + below[0] + below[1] + below[2];
    if (columnTotal * 2 < ringTotal || columnTotal > ringTotal * 2 || !IsEvenRuns(column, 6, slack)) {
        return;
    }
    // The rings are square: both diagonals through the centre cross them at
    // equal widths too, where data, or the crossing of two reference lines
    // of a large symbol, seldom line up. Each diagonal (falling, then rising)
    // is walked once, in half-pixel steps: a pixel of slack is two.
    int falling[2 * kRingCount];
    int rising[2 * kRingCount];
    int diagonalCentre = 0;
    int const centreY = top + centre / 2;
    if (!DiagonalRuns(image, x, centreY, threshold, span * 4, 1, kRingCount, falling, diagonalCentre) ||
        !IsEvenRuns(falling, 6, 2 * slack) ||
        !DiagonalRuns(image, x, centreY, threshold, span * 4, -1, kRingCount, rising, diagonalCentre) ||
        !IsEvenRuns(rising, 6, 2 * slack)) {
        return;
    }
    FinderSighting seen;
    seen.centre = Point{x, centreY};
    seen.module = Max(1, (ringTotal + columnTotal) / 12);
    seen.rows = 1;
    seen.dark = middle.dark ? 1 : 0;
    seen.kind = kind;
    bool const loose =
        slack != 0 && !(IsEvenRuns(column, 6) && IsEvenRuns(falling, 6) && IsEvenRuns(rising, 6));
    // Sightings of one bull's-eye agree to a module: a wider merge would
    // average in the ring-like patterns of its data.
    // Cut at the local mean, noise and texture pass for rings a pixel off
    // now and then: only even rings count there.
    if (faint_ && loose && meanRow_ != nullptr) {
        return;
    }
    if (faint_) {
        Note(loose ? faintLooseBullsEyes_ : faintBullsEyes_, loose ? faintLooseBullsEyeCount_ : faintBullsEyeCount_,
             kMaxBullsEyes, seen, 1);
    } else if (loose) {
        Note(looseBullsEyes_, looseBullsEyeCount_, kMaxBullsEyes, seen, 1);
    } else {
        Note(bullsEyes_, bullsEyeCount_, kMaxBullsEyes, seen, 1);
    }
}

bool MatrixCandidateFinder::DiagonalRuns(GrayImage const& image, int x, int y, int threshold, int steps, int slope,
                                         int count, int* widths, int& centre) const
{
    if (!image.IsInside(x, y)) {
        return false;
    }
    // Half-pixel steps along the diagonal (the odd ones the mean of the four
    // pixels around them): whole-pixel steps are too coarse for rings of
    // two pixels.
    int const pitch = image.GetPitch();
    unsigned short const* const origin = image.GetPixels() + static_cast<long long>(y) * pitch + x;
    bool const dark = *origin < threshold;
    centre = -1;
    for (int side = 0; side < 2; ++side) {
        int const step = side == 0 ? -1 : 1;
        long long const down = static_cast<long long>(step * slope) * pitch;
        long long const along = step + down;
        // The diagonal's whole pixels reach the image's edge `reach` pixels
        // on: half step k lies inside (its pixels do) while k <= 2 * reach.
        int const reachX = step > 0 ? image.GetWidth() - 1 - x : x;
        int const reachY = step * slope > 0 ? image.GetHeight() - 1 - y : y;
        int const last = 2 * Min(reachX, reachY);
        // The walk keeps the whole pixel of its half step at hand: half step
        // `at` lies at p, or between p and p + along when it is odd. It goes
        // on while the half steps keep `colour`, up to `stop`, an even and an
        // odd step a turn.
        unsigned short const* p = origin;
        int const quad = threshold * 4;
        int at = 0;
        auto walk = [&](bool colour, int stop) {
            while (at < stop) {
                if ((at & 1) == 0) {
                    if ((*p < threshold) != colour) {
                        return;
                    }
                    if (++at >= stop) {
                        return;
                    }
                }
                if ((p[0] + p[step] + p[down] + p[along] < quad) != colour) {
                    return;
                }
                p += along;
                ++at;
            }
        };
        // Leave the centre run, then measure the runs outward; no walk
        // passes the last half step inside the image.
        walk(dark, Min(steps, last + 1));
        centre += at;
        bool colour = !dark;
        for (int k = 0; k < count; ++k) {
            int const from = at;
            walk(colour, Min(at + steps, last + 1));
            int const length = at - from;
            if (length == 0 || length >= steps) {
                return false;
            }
            widths[side == 0 ? count - 1 - k : count + k] = length;
            colour = !colour;
        }
    }
    return true;
}

bool MatrixCandidateFinder::IsSquareQRFinder(GrayImage const& image, int x, int y, int threshold, int rowTotal,
                                             int columnTotal) const
{
    // Through a square finder's centre every line crosses the rings 1:1:3:1:1,
    // between 1 and 1.41 times as long as across: a run pattern of bars
    // passes across and along the column, but its diagonal along the bars
    // is at least twice as long as the shorter of those.
    int shortest = Min(rowTotal, columnTotal);
    int longest = Max(rowTotal, columnTotal);
    for (int slope = -1; slope <= 1; slope += 2) {
        int widths[4];
        int centre = 0;
        if (!DiagonalRuns(image, x, y, threshold, longest * 4, slope, 2, widths, centre)) {
            return false;
        }
        int const runs[5] = {widths[0], widths[1], centre, widths[2], widths[3]};
        if (!IsQRRuns(runs)) {
            return false;
        }
        // Half-pixel steps along a diagonal are 0.707 pixels each.
        int const total = (widths[0] + widths[1] + centre + widths[2] + widths[3]) * 707 / 1000;
        shortest = Min(shortest, total);
        longest = Max(longest, total);
    }
    return longest * 4 <= shortest * 7;
}

void MatrixCandidateFinder::CheckHanXinFinder(unsigned i, int y)
{
    int widths[5];
    int const total = TakeWidths(i, 5, widths);
    if (!runs_[i].dark || total < 7 ||
        (!IsRunRatio(widths, kHanXinModules, 5) && !IsRunRatio(widths, kHanXinMirrored, 5))) {
        return;
    }
    FinderSighting seen;
    seen.centre = Point{runs_[i].x + total / 2, y};
    seen.module = Max(1, total / 7);
    seen.rows = 1;
    Note(hanXin_, hanXinCount_, kMaxHanXinFinders, seen);
}

namespace {

#if defined(SCANNER_STRIP_AVX2)
// The grey between pixels at (px, py) (1/256 pixel) in the lanes `load`
// marks, as InterpolatedSamples::Interpolate weighs it: each pixel and its
// right neighbour gathered as one 32-bit word, the row below likewise.
__attribute__((target("avx2"))) inline __m256i GatherBetween(int const* words, __m256i pitch, __m256i px, __m256i py,
                                                            __m256i load)
{
    __m256i const low16 = _mm256_set1_epi32(0xFFFF);
    __m256i const fraction = _mm256_set1_epi32(255);
    __m256i const fx = _mm256_and_si256(px, fraction);
    __m256i const fy = _mm256_and_si256(py, fraction);
    __m256i const row = _mm256_mullo_epi32(_mm256_srai_epi32(py, 8), pitch);
    __m256i const offset = _mm256_add_epi32(row, _mm256_srai_epi32(px, 8));
    __m256i const upper = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), words, offset, load, 2);
    __m256i const lower =
        _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), words, _mm256_add_epi32(offset, pitch), load, 2);
    __m256i const left = _mm256_and_si256(upper, low16);
    __m256i const lowLeft = _mm256_and_si256(lower, low16);
    __m256i const top = _mm256_add_epi32(_mm256_slli_epi32(left, 8),
                                         _mm256_mullo_epi32(_mm256_sub_epi32(_mm256_srli_epi32(upper, 16), left), fx));
    __m256i const bottom = _mm256_add_epi32(
        _mm256_slli_epi32(lowLeft, 8), _mm256_mullo_epi32(_mm256_sub_epi32(_mm256_srli_epi32(lower, 16), lowLeft), fx));
    // Unsigned as Interpolate's last mean: the lanes wrap alike, shifted
    // down without the sign.
    return _mm256_srli_epi32(
        _mm256_add_epi32(_mm256_slli_epi32(top, 8), _mm256_mullo_epi32(_mm256_sub_epi32(bottom, top), fy)), 16);
}

// How many of the samples n, n + 1, ... up to `end` are of the strip's
// colour before the first that is not, plus n, eight at a time: lane k of a
// round holds (qx, qy) = (sx + k ax, sy + k ay) for the round's first
// sample, and `sums` gives each loaded lane's three taps' greys summed.
// Lanes past `end` are not loaded.
template <class Sums>
__attribute__((target("avx2"))) inline int CountLanes(int sx, int sy, int ax, int ay, int limit, bool dark, int n,
                                                      int end, Sums const& sums)
{
    __m256i const lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i qx = _mm256_add_epi32(_mm256_set1_epi32(sx), _mm256_mullo_epi32(lane, _mm256_set1_epi32(ax)));
    __m256i qy = _mm256_add_epi32(_mm256_set1_epi32(sy), _mm256_mullo_epi32(lane, _mm256_set1_epi32(ay)));
    __m256i const stepX = _mm256_set1_epi32(8 * ax);
    __m256i const stepY = _mm256_set1_epi32(8 * ay);
    __m256i const bound = _mm256_set1_epi32(limit);
    while (n < end) {
        int const count = end - n < 8 ? end - n : 8;
        __m256i const load = _mm256_cmpgt_epi32(_mm256_set1_epi32(count), lane);
        __m256i const sum = sums(qx, qy, load);
        unsigned const below =
            static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(bound, sum))));
        unsigned const off = (dark ? ~below : below) & ((1u << count) - 1u);
        if (off != 0) {
            return n + std::countr_zero(off);
        }
        n += count;
        qx = _mm256_add_epi32(qx, stepX);
        qy = _mm256_add_epi32(qy, stepY);
    }
    return n;
}

// InterpolatedSamples::Extent's loop eight samples at a time: lane k takes
// the sample at (x + (sx + k ax) / 4, y + (sy + k ay) / 4), each quotient
// rounded toward zero as the loop's, with its two taps. Lanes past `far`
// are not loaded. The same sums and count as one sample at a time.
__attribute__((target("avx2"))) int FineExtentLanes(unsigned short const* pixels, int pitch, int limit, bool dark,
                                                    int x, int y, int sx, int sy, int ax, int ay, int dx, int dy, int n,
                                                    int far)
{
    __m256i const originX = _mm256_set1_epi32(x);
    __m256i const originY = _mm256_set1_epi32(y);
    __m256i const tapX = _mm256_set1_epi32(dx);
    __m256i const tapY = _mm256_set1_epi32(dy);
    __m256i const rowPitch = _mm256_set1_epi32(pitch);
    __m256i const three = _mm256_set1_epi32(3);
    int const* const words = reinterpret_cast<int const*>(pixels);
    // A quarter rounded toward zero: negative values are raised by 3 first.
    auto quarter = [three](__m256i v) __attribute__((target("avx2"))) {
        return _mm256_srai_epi32(_mm256_add_epi32(v, _mm256_and_si256(_mm256_srai_epi32(v, 31), three)), 2);
    };
    auto sums = [&](__m256i qx, __m256i qy, __m256i load) __attribute__((target("avx2"))) {
        __m256i const cx = _mm256_add_epi32(originX, quarter(qx));
        __m256i const cy = _mm256_add_epi32(originY, quarter(qy));
        return _mm256_add_epi32(
            _mm256_add_epi32(
                GatherBetween(words, rowPitch, _mm256_sub_epi32(cx, tapX), _mm256_sub_epi32(cy, tapY), load),
                GatherBetween(words, rowPitch, cx, cy, load)),
            GatherBetween(words, rowPitch, _mm256_add_epi32(cx, tapX), _mm256_add_epi32(cy, tapY), load));
    };
    return CountLanes(sx, sy, ax, ay, limit, dark, n, far, sums);
}

// PixelSamples::RunInside's loop eight samples at a time: lane k takes the
// sample at (cx + k ax, cy + k ay) (1/256 pixel, all taps in the frame and
// off its last row) with its two taps (dx, dy) before and after it, each
// pixel the low half of the 32-bit word from its own on (the row below
// keeps the word inside the frame). Lanes past `last` are not loaded. The
// same sums and count as one sample at a time.
__attribute__((target("avx2"))) int PixelExtentLanes(unsigned short const* pixels, int pitch, int limit, bool dark,
                                                     int cx, int cy, int ax, int ay, int dx, int dy, int n, int last)
{
    __m256i const tapX = _mm256_set1_epi32(dx);
    __m256i const tapY = _mm256_set1_epi32(dy);
    __m256i const rowPitch = _mm256_set1_epi32(pitch);
    __m256i const low16 = _mm256_set1_epi32(0xFFFF);
    int const* const words = reinterpret_cast<int const*>(pixels);
    auto grey = [&](__m256i px, __m256i py, __m256i load) __attribute__((target("avx2"))) {
        __m256i const offset =
            _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(py, 8), rowPitch), _mm256_srai_epi32(px, 8));
        return _mm256_and_si256(_mm256_mask_i32gather_epi32(_mm256_setzero_si256(), words, offset, load, 2), low16);
    };
    auto sums = [&](__m256i qx, __m256i qy, __m256i load) __attribute__((target("avx2"))) {
        return _mm256_add_epi32(
            _mm256_add_epi32(grey(_mm256_sub_epi32(qx, tapX), _mm256_sub_epi32(qy, tapY), load), grey(qx, qy, load)),
            grey(_mm256_add_epi32(qx, tapX), _mm256_add_epi32(qy, tapY), load));
    };
    return CountLanes(cx, cy, ax, ay, limit, dark, n, last, sums);
}
#endif

// The samples a strip is walked on, in 1/256 pixel along the unit vector
// (dx, dy) x 256. A point is judged with the two beside it along the strip,
// so that sensor noise does not cut or widen the strip while its edges stay
// sharp. kQuarters: the steps across the strip a pixel holds.
struct PixelSamples {
    static constexpr int kQuarters = 1;
    GrayImage const& image;
    int threshold;
    bool dark;
    int dx;
    int dy;
    // The offset of every pixel of the frame fits an int.
    bool intOffsets = static_cast<long long>(image.GetHeight()) * image.GetPitch() <= 0x7FFFFFFF;
    // Extents of this many samples or more are measured in vector lanes.
    static constexpr int kLaneExtent = 8;
    bool lanes = true;

    // A sample off the image (any of its taps) is not of the colour.
    bool operator()(int x, int y) const { return AllInside(x, y, x, y) && Inside(x, y); }

    // Whether every pixel of the samples on the segment from (x0, y0) to
    // (x1, y1) lies in the image: the taps' box then does.
    bool AllInside(int x0, int y0, int x1, int y1) const
    {
        int const ax = Abs(dx);
        int const ay = Abs(dy);
        return Min(x0, x1) - ax >= 0 && Min(y0, y1) - ay >= 0 && (Max(x0, x1) + ax) >> 8 < image.GetWidth() &&
               (Max(y0, y1) + ay) >> 8 < image.GetHeight();
    }

    // As operator(), for a sample known to lie in the image.
    bool Inside(int x, int y) const
    {
        int const sum = image.At((x - dx) >> 8, (y - dy) >> 8) + image.At(x >> 8, y >> 8) +
                        image.At((x + dx) >> 8, (y + dy) >> 8);
        return (sum < 3 * threshold) == dark;
    }

    // How many of the samples at (x + k ax, y + k ay), k = first + 1, ...
    // `far`, are of the strip's colour before the first that is not, plus
    // `first` (the samples before it known to be). A sample with a tap off
    // the image is not: the samples whose taps all lie in it are one
    // stretch of the line (the image's box, narrowed by the taps, is
    // convex), found by halving, and the run ends at the stretch's end at
    // the latest. Inlined: it runs at every step of a walk.
    [[gnu::always_inline]] int Extent(int x, int y, int ax, int ay, int far, int first = 0) const
    {
        if (far <= first) {
            return first;
        }
        int const x0 = x + ax * (first + 1);
        int const y0 = y + ay * (first + 1);
        int last = far;
        if (!AllInside(x0, y0, x + ax * far, y + ay * far)) {
            if (!AllInside(x0, y0, x0, y0)) {
                return first;
            }
            // AllInside holds from first + 1 to `last`, not to `beyond`.
            last = first + 1;
            int beyond = far;
            while (beyond - last > 1) {
                int const middle = last + (beyond - last) / 2;
                if (AllInside(x0, y0, x + ax * middle, y + ay * middle)) {
                    last = middle;
                } else {
                    beyond = middle;
                }
            }
        }
        if (!intOffsets) {
            int n = first;
            while (n < last && Inside(x + ax * (n + 1), y + ay * (n + 1))) {
                ++n;
            }
            return n;
        }
#if defined(SCANNER_STRIP_AVX2)
        // Longer extents in vector lanes, while no tap lies on the frame's
        // last row (a pixel is read with the one after it).
        if (lanes && last - first >= kLaneExtent && ProcessorHasAvx2() &&
            (Max(y0, y + ay * last) + Abs(dy)) >> 8 < image.GetHeight() - 1) {
            return PixelExtentLanes(image.GetPixels(), image.GetPitch(), 3 * threshold, dark, x0, y0, ax, ay, dx, dy,
                                    first, last);
        }
#endif
        return dark ? RunInside<true>(x0, y0, ax, ay, first, last) : RunInside<false>(x0, y0, ax, ay, first, last);
    }

    // Extent's count over samples whose taps all lie in the image and whose
    // offsets fit an int, from the sample at (cx, cy), the (first + 1)-th,
    // to the last-th: the positions stepped by adding, the taps read by
    // offset, the same sums as Inside's; one loop for each colour.
    template <bool kDark>
    [[gnu::always_inline]] int RunInside(int cx, int cy, int ax, int ay, int first, int last) const
    {
        int const pitch = image.GetPitch();
        unsigned short const* const pixels = image.GetPixels();
        int const limit = 3 * threshold;
        int bx = cx - dx;
        int by = cy - dy;
        int fx = cx + dx;
        int fy = cy + dy;
        int n = first;
        for (; n < last; ++n) {
            int const sum = pixels[(by >> 8) * pitch + (bx >> 8)] + pixels[(cy >> 8) * pitch + (cx >> 8)] +
                            pixels[(fy >> 8) * pitch + (fx >> 8)];
            if ((sum < limit) != kDark) {
                break;
            }
            bx += ax;
            by += ay;
            cx += ax;
            cy += ay;
            fx += ax;
            fy += ay;
        }
        return n;
    }
};

// Interpolated between pixels and measured across in quarter pixels, so
// that a strip's middle is kept to a quarter pixel however narrow it is.
struct InterpolatedSamples {
    static constexpr int kQuarters = 4;
    // Extents of this many samples or more are measured in vector lanes
    // (shorter ones take longer so: a gather costs several loads, and
    // each sample takes three gathers of four pixels).
    static constexpr int kLaneExtent = 6;
    GrayImage const& image;
    int threshold;
    bool dark;
    int dx;
    int dy;
    bool lanes = true;

    bool Level(int x, int y, int& value) const
    {
        int const px = x >> 8;
        int const py = y >> 8;
        if (x < 0 || y < 0 || px >= image.GetWidth() - 1 || py >= image.GetHeight() - 1) {
            return false;
        }
        value = Interpolate(x, y);
        return true;
    }

    bool operator()(int x, int y) const
    {
        int sum = 0;
        for (int k = -1; k <= 1; ++k) {
            int value = 0;
            if (!Level(x + k * dx, y + k * dy, value)) {
                return false;
            }
            sum += value;
        }
        return (sum < 3 * threshold) == dark;
    }

    bool AllInside(int x0, int y0, int x1, int y1) const
    {
        int const ax = Abs(dx);
        int const ay = Abs(dy);
        return Min(x0, x1) - ax >= 0 && Min(y0, y1) - ay >= 0 && (Max(x0, x1) + ax) >> 8 < image.GetWidth() - 1 &&
               (Max(y0, y1) + ay) >> 8 < image.GetHeight() - 1;
    }

    // How many of the samples at (x + k ax / 4, y + k ay / 4), k = first + 1,
    // ... `far` (each quotient taken as the walk takes it), are of the
    // strip's colour before the first that is not, plus `first`.
    int Extent(int x, int y, int ax, int ay, int far, int first = 0) const
    {
        int n = first;
        if (AllInside(x + ax * (n + 1) / kQuarters, y + ay * (n + 1) / kQuarters, x + ax * far / kQuarters,
                      y + ay * far / kQuarters)) {
            // The frame and its pitch held in locals (the image's are read
            // again after every store otherwise), three taps a sample.
            unsigned short const* const pixels = image.GetPixels();
            int const pitch = image.GetPitch();
            int const limit = 3 * threshold;
            int sx = ax * (n + 1);
            int sy = ay * (n + 1);
#if defined(SCANNER_STRIP_AVX2)
            // Longer extents in vector lanes, where every pixel's offset fits an int.
            if (lanes && far - n >= kLaneExtent && ProcessorHasAvx2() &&
                static_cast<long long>(image.GetHeight()) * pitch <= 0x7FFFFFFF) {
                return FineExtentLanes(pixels, pitch, limit, dark, x, y, sx, sy, ax, ay, dx, dy, n, far);
            }
#endif
            for (; n < far; ++n) {
                int const cx = x + sx / kQuarters;
                int const cy = y + sy / kQuarters;
                int const sum = Interpolate(pixels, pitch, cx - dx, cy - dy) + Interpolate(pixels, pitch, cx, cy) +
                                Interpolate(pixels, pitch, cx + dx, cy + dy);
                if ((sum < limit) != dark) {
                    break;
                }
                sx += ax;
                sy += ay;
            }
            return n;
        }
        while (n < far && (*this)(x + ax * (n + 1) / kQuarters, y + ay * (n + 1) / kQuarters)) {
            ++n;
        }
        return n;
    }

    // The grey at (x, y) (1/256 pixel), which lies in the image with the
    // pixels right of and below it.
    int Interpolate(int x, int y) const { return Interpolate(image.GetPixels(), image.GetPitch(), x, y); }

    // The same from the frame's pixels and pitch: each weighted mean taken
    // as the first value and the weighted step to the second, one product
    // where the two weights took two (the same integers). The last mean is
    // 65535 x 65536 at most, past an int's range for greys of 32768 and
    // more: it is taken in unsigned 32 bits, where the negative step wraps
    // back into range.
    [[gnu::always_inline]] static int Interpolate(unsigned short const* pixels, int pitch, int x, int y)
    {
        int const fx = x & 255;
        int const fy = y & 255;
        unsigned short const* const p = pixels + static_cast<long long>(y >> 8) * pitch + (x >> 8);
        int const left = p[0];
        int const lowLeft = p[pitch];
        int const top = (left << 8) + (p[1] - left) * fx;
        int const low = (lowLeft << 8) + (p[pitch + 1] - lowLeft) * fx;
        unsigned const mean =
            (static_cast<unsigned>(top) << 8) + static_cast<unsigned>(low - top) * static_cast<unsigned>(fy);
        return static_cast<int>(mean >> 16);
    }
};

// The strip walk of MatrixCandidateFinder::FollowStrip on either kind of
// samples.
template <class Same, bool kTraced = false>
int WalkStrip(Same const& same, Point from, int dx, int dy, int width, Point& end, StripTrace* trace = nullptr)
{
    constexpr int q = Same::kQuarters;
    int x = from.x;
    int y = from.y;
    int length = 0;
    int const pixels = width < 1 ? 1 : width;
    // Across the strip, in steps of 1 / q pixel: the narrowest seen so far,
    // the estimate at first. An extent past a quarter over it only counts
    // as wide.
    int strip = q * pixels;
    // The extents a (to the side (dy, -dx)) and b (the other side) of the
    // strip's colour across (px, py), in samples n / q, n = 1, 2, ..., up to
    // a quarter past the narrowest (`far`). Each is measured only as far as
    // the walk's judgement of them needs: beyond the narrowest a side only
    // counts as merged, and a merged side beside a clean one only as long
    // as it makes the two too wide together, so such a side is measured up
    // to the longer of those and counts as that long; two merged sides end
    // the walk, however long. The walk takes the same turns as on whole
    // extents.
    auto extents = [&](int px, int py, int& a, int& b) {
        int const far = strip + strip / 4 + 2 * q;
        int const wide = strip + q + strip / 4;  // a + b + 1 past it: too wide
        a = same.Extent(px, py, dy, -dx, strip + 1);
        b = same.Extent(px, py, -dy, dx, strip + 1);
        if (a > strip && b <= strip) {
            a = same.Extent(px, py, dy, -dx, Min(far, Max(wide - b, strip + 1)), a);
        } else if (b > strip && a <= strip) {
            b = same.Extent(px, py, -dy, dx, Min(far, Max(wide - a, strip + 1)), b);
        }
    };
    // A pixel or two off the colour (noise, blur) is stepped over, less
    // than half the strip's width so that a row of modules in turn does not
    // pass for a strip.
    int const maxSkip = Min(2, (pixels - 1) / 2);
    if (q > 1 && same(x, y)) {
        // Between pixels the start (a second leg's a width past the first's
        // end) is first moved to the strip's middle.
        int a = 0;
        int b = 0;
        extents(x, y, a, b);
        if (a + b + 1 <= strip + q + strip / 4) {
            int const shift = (a - b) / 2;
            x += dy * shift / q;
            y -= dx * shift / q;
        }
    }
    while (length < 1024) {
        int nx = x + dx;
        int ny = y + dy;
        int skipped = 0;
        bool on = same(nx, ny);
        while (!on && skipped < maxSkip) {
            nx += dx;
            ny += dy;
            ++skipped;
            on = same(nx, ny);
        }
        if (!on) {
            break;
        }
        length += skipped;
        // Across the strip: its extent to both sides, then its middle.
        int a = 0;
        int b = 0;
        extents(nx, ny, a, b);
        int shift = (a - b) / 2;
        if (a + b + 1 > strip + q + strip / 4) {
            // Modules of the same colour beside the strip: keep to the edge
            // on the clean side; both sides merged is a blob or the other
            // leg.
            int const half = (strip - 1) / 2;
            if (a <= strip && a < b) {
                shift = a - half;
            } else if (b <= strip && b < a) {
                shift = half - b;
            } else {
                break;
            }
        } else if (a + b + 1 < strip) {
            strip = a + b + 1;
        }
        x = nx + dy * shift / q;
        y = ny - dx * shift / q;
        ++length;
        if (kTraced && (length & (StripTrace::kStride - 1)) == 0 && trace->count < StripTrace::kMaxPoints) {
            trace->x[trace->count] = x;
            trace->y[trace->count] = y;
            ++trace->count;
        }
    }
    end = Point{x >> 8, y >> 8};
    return length;
}

}  // namespace

int CountStripSamples(GrayImage const& image, int threshold, bool dark, int dx, int dy, int x, int y, int ax, int ay,
                      int far, bool fine, bool lanes)
{
    if (fine) {
        InterpolatedSamples samples{image, threshold, dark, dx, dy};
        samples.lanes = lanes;
        return samples.Extent(x, y, ax, ay, far);
    }
    PixelSamples samples{image, threshold, dark, dx, dy};
    samples.lanes = lanes;
    return samples.Extent(x, y, ax, ay, far);
}

int MatrixCandidateFinder::FollowStrip(GrayImage const& image, int threshold, bool dark, Point from, int dx,
                                       int dy, int width, bool fine, Point& end, StripTrace* trace) const
{
    if (trace != nullptr) {
        // Only a wide strip's first walk is traced, in whole pixels or finely.
        trace->count = 0;
        return fine ? WalkStrip<InterpolatedSamples, true>(InterpolatedSamples{image, threshold, dark, dx, dy}, from,
                                                           dx, dy, width, end, trace)
                    : WalkStrip<PixelSamples, true>(PixelSamples{image, threshold, dark, dx, dy}, from, dx, dy, width,
                                                    end, trace);
    }
    return fine ? WalkStrip(InterpolatedSamples{image, threshold, dark, dx, dy}, from, dx, dy, width, end)
                : WalkStrip(PixelSamples{image, threshold, dark, dx, dy}, from, dx, dy, width, end);
}

// A leg of either colour at any angle: the strip through the run's middle is
// followed both ways, and at one of its ends a second strip must leave at a
// right angle while the other end stays free (the frame of a finder square
// has a leg at both). A leg along the row is met where the other crosses.
void MatrixCandidateFinder::CheckLPattern(GrayImage const& image, unsigned i, int y)
{
    Run const& run = runs_[i];
    if (lPatternCount_ >= kMaxLPatterns || run.length < 2 || run.length > 64 || i == 0 || i + 1 >= runCount_) {
        return;
    }
    int const cx = run.x + run.length / 2;
    int const threshold = GetThreshold(cx);
    bool const dark = run.dark;
    auto chord = [&](int sx, int sy) {
        int n = 0;
        for (int s = -1; s <= 1; s += 2) {
            int k = 1;
            while (k < 128 && image.IsInside(cx + s * k * sx, y + s * k * sy) &&
                   (image.At(cx + s * k * sx, y + s * k * sy) < threshold) == dark) {
                ++k;
            }
            n += k - 1;
        }
        return n + 1;
    };
    int const vertical = chord(0, 1);
    if (vertical < 2 || vertical > 127) {
        return;
    }
    int const horizontal = run.length;
    int const sign = chord(1, 1) >= chord(1, -1) ? 1 : -1;
    // Along the strip: (horizontal, sign x vertical), as a unit vector.
    long long const norm2 = static_cast<long long>(horizontal) * horizontal + static_cast<long long>(vertical) * vertical;
    int const norm = static_cast<int>(std::sqrt(static_cast<double>(norm2)));
    if (norm == 0) {
        return;
    }
    int const dx = horizontal * 256 / norm;
    int const dy = sign * vertical * 256 / norm;
    int const width = horizontal * vertical / norm + 1;
    Point const start{cx * 256 + 128, y * 256 + 128};
    // Thin legs walked this far in whole pixels are walked again finely.
    int const kMaxFineWidth = 4;
    int const kMinFineLeg = 8;
    int walked = 0;
    if (SightL(image, threshold, dark, start, dx, dy, width, run.length % 2 == 0, false, walked) ||
        width > kMaxFineWidth || walked < kMinFineLeg) {
        return;
    }
    // A leg two or three pixels wide is held to its middle only between
    // pixels: followed in whole pixels it drifts off its edge and comes out
    // short, or its far end wanders. What was not seen so is walked again
    // at a quarter pixel.
    SightL(image, threshold, dark, start, dx, dy, width, run.length % 2 == 0, true, walked);
}

bool MatrixCandidateFinder::SightL(GrayImage const& image, int threshold, bool dark, Point start, int dx, int dy,
                                   int width, bool evenRun, bool fine, int& walked)
{
    if (IsOnFoundLeg(start, dark, fine)) {
        return true;
    }
    if (IsInWideFrame(start, dark, fine, width) || IsInWideMiss(start, dark, fine, width) ||
        IsAlongWideMiss(image, threshold, start, dark, fine, width, dx, dy)) {
        walked = 0;
        return false;
    }
    auto follow = [&](Point from, int sx, int sy, int across, Point& end) {
        return FollowStrip(image, threshold, dark, from, sx, sy, across, fine, end);
    };
    // A wide strip's first walk is traced, for the path of a miss.
    bool const traced = width >= kWideStrip;
    auto walkFirst = [&](Point from, int sx, int sy, Point& end, StripTrace& trace) {
        return FollowStrip(image, threshold, dark, from, sx, sy, width, fine, end, traced ? &trace : nullptr);
    };
    Point ends[2];
    int leg = walkFirst(start, dx, dy, ends[0], traces_[0]) + walkFirst(start, -dx, -dy, ends[1], traces_[1]);
    if (leg < kMinLeg - 4 && evenRun && !fine) {
        // An even run's middle lies between two pixels: from the one right
        // of it a strip two pixels wide is lost off its edge, so the strip
        // is followed again from the middle itself.
        start.x -= 128;
        leg = walkFirst(start, dx, dy, ends[0], traces_[0]) + walkFirst(start, -dx, -dy, ends[1], traces_[1]);
    }
    walked = leg;
    if (leg >= kMinLeg - 4 && IsKnownMiss(ends, width, dark, fine)) {
        return false;
    }
    // What this walk makes of a wide strip, for a row that walks it to
    // about the same ends; the timing sides alone are judged again.
    WalkedLeg miss{{ends[0], ends[1]}, width, dark, fine, false};
    if (traced) {
        // From ends[1] back to the start, then on to ends[0], evenly.
        unsigned const back = traces_[1].count;
        unsigned const total = back + traces_[0].count;
        if (total >= 2) {
            unsigned const last = WalkedLeg::kPathPoints - 1;
            for (unsigned k = 0; k <= last; ++k) {
                unsigned const at = (total - 1) * k / last;
                bool const before = at < back;
                StripTrace const& trace = before ? traces_[1] : traces_[0];
                unsigned const i = before ? back - 1 - at : at - back;
                miss.path[k] = Point{trace.x[i] >> 8, trace.y[i] >> 8};
            }
            miss.pathCount = WalkedLeg::kPathPoints;
        }
    }
    if (leg >= kMinLeg - 4) {
        // The chords mislead where modules of the leg's colour touch it: the
        // ends walked give the leg's direction; walk it again along that.
        int const ex = ends[0].x - ends[1].x;
        int const ey = ends[0].y - ends[1].y;
        int const length = static_cast<int>(std::sqrt(static_cast<double>(ex * ex + ey * ey)));
        if (length > 0) {
            dx = ex * 256 / length;
            dy = ey * 256 / length;
            Point const middle{(ends[0].x + ends[1].x) * 128 + 128, (ends[0].y + ends[1].y) * 128 + 128};
            // The leg's own width: the narrowest across it at a few places
            // (the chords take in modules of its colour beside it).
            int narrowest = width;
            for (int k = 1; k < 8; ++k) {
                int const px = ends[1].x + ex * k / 8;
                int const py = ends[1].y + ey * k / 8;
                int across = 0;
                for (int side = -1; side <= 1; side += 2) {
                    int const sx = -dy * side;
                    int const sy = dx * side;
                    int n = 1;
                    while (n <= width && image.IsInside(px + sx * n / 256, py + sy * n / 256) &&
                           (image.At(px + sx * n / 256, py + sy * n / 256) < threshold) == dark) {
                        ++n;
                    }
                    across += n - 1;
                }
                if (image.IsInside(px, py) && (image.At(px, py) < threshold) == dark && across + 1 < narrowest) {
                    narrowest = across + 1;
                }
            }
            width = narrowest;
            miss.narrowest = narrowest;
            leg = follow(middle, dx, dy, width, ends[0]) + follow(middle, -dx, -dy, width, ends[1]);
        }
    }
    if (leg < kMinLeg - 4) {
        if (walked >= kMinLeg - 4 && miss.width >= kWideStrip) {
            NoteLeg(miss);
        }
        return false;
    }
    // Legs are long and thin: the shorter side of the smallest symbol is 8
    // modules (the edge of a label is not). Thin strips are left alone: the
    // chords make small modules look wider than they are. Judged before the
    // second legs are walked: a wide strip's walks cost the most.
    if (width >= 8 && leg < 5 * width) {
        if (miss.width >= kWideStrip) {
            NoteLeg(miss);
        }
        return false;
    }
    // A second leg at an end: leaving from one width beyond the end, at a
    // right angle, on either side.
    Point second[2];
    int secondLength[2] = {0, 0};
    for (int e = 0; e < 2; ++e) {
        int const ex = e == 0 ? dx : -dx;
        int const ey = e == 0 ? dy : -dy;
        Point const back{ends[e].x * 256 + 128 - ex * width / 2, ends[e].y * 256 + 128 - ey * width / 2};
        for (int side = -1; side <= 1; side += 2) {
            int const nx = -ey * side;
            int const ny = ex * side;
            Point const out{back.x + nx * width, back.y + ny * width};
            Point tip;
            int const length = follow(out, nx, ny, width, tip) + width;
            if (length > secondLength[e]) {
                secondLength[e] = length;
                second[e] = tip;
            }
        }
    }
    int const wanted = Max(6, leg / 8);
    int const first = secondLength[0] >= secondLength[1] ? 0 : 1;
    if (secondLength[first] < wanted || secondLength[first] > leg * 8) {
        if (miss.width >= kWideStrip) {
            NoteLeg(miss);
        }
        return false;
    }
    // Data modules touching a thin leg draw the walks into them: its far
    // end then looks like a corner too, and the timing sides judge which
    // end is the corner.
    bool const thin = width <= 3;
    if (secondLength[1 - first] * 3 > leg && !thin) {
        if (miss.width >= kWideStrip) {
            // A wide strip turning at both ends: a quiet zone or a label's
            // frame, which every row across it walks to about here.
            NoteLeg(miss);
            NoteLeg(WalkedLeg{{ends[0], ends[1]}, miss.width, dark, fine, false, true});
        }
        return false;
    }
    int const tries = secondLength[1 - first] * 3 > leg && secondLength[1 - first] >= wanted ? 2 : 1;
    int e = -1;
    for (int t = 0; t < tries && e < 0; ++t) {
        int const c = t == 0 ? first : 1 - first;
        if (IsTimed(image, threshold, dark, width, ends[c], ends[1 - c], second[c], fine)) {
            e = c;
        }
    }
    if (e < 0) {
        return false;
    }
    Point const corner = ends[e];
    Point along = ends[1 - e];
    Point across = second[e];
    long long const cross = static_cast<long long>(along.x - corner.x) * (across.y - corner.y) -
                            static_cast<long long>(along.y - corner.y) * (across.x - corner.x);
    if (cross > 0) {
        Point const swap = along;
        along = across;
        across = swap;
    }
    // Its two legs: a row across either finds this L again.
    NoteLeg(WalkedLeg{{corner, along}, width, dark, fine, true});
    NoteLeg(WalkedLeg{{corner, across}, width, dark, fine, true});
    unsigned slot = lPatternCount_;
    for (unsigned k = 0; k < lPatternCount_; ++k) {
        if (Abs(lPatterns_[k].corner.x - corner.x) <= kMinLeg / 2 &&
            Abs(lPatterns_[k].corner.y - corner.y) <= kMinLeg / 2) {
            // A corner walked in whole pixels is the surer: it takes the
            // place of one walked finely (thin data modules can pass for
            // a leg there), never the other way.
            if (fine || (fineLPatterns_ & (1u << k)) == 0) {
                return true;
            }
            slot = k;
            break;
        }
    }
    lPatterns_[slot] = LPatternSighting{corner, along, across};
    fineLPatterns_ = fine ? fineLPatterns_ | (1u << slot) : fineLPatterns_ & ~(1u << slot);
    lPatternCount_ += slot == lPatternCount_ ? 1 : 0;
    return true;
}

bool MatrixCandidateFinder::IsOnLeg(WalkedLeg const& leg, Point start, int reach, int inset)
{
    // 1/256 pixel: between the ends, at most reach off the line through them.
    long long const px = start.x;
    long long const py = start.y;
    long long const ax = leg.ends[0].x * 256LL + 128;
    long long const ay = leg.ends[0].y * 256LL + 128;
    long long const ex = leg.ends[1].x * 256LL + 128 - ax;
    long long const ey = leg.ends[1].y * 256LL + 128 - ay;
    long long const length2 = ex * ex + ey * ey;
    if (length2 == 0) {
        return false;
    }
    long long const along = (px - ax) * ex + (py - ay) * ey;
    double const across = static_cast<double>((px - ax) * ey - (py - ay) * ex);
    // `along` is the distance from the first end times the length.
    double const margin = static_cast<double>(inset) * std::sqrt(static_cast<double>(length2));
    return static_cast<double>(along) >= margin && static_cast<double>(along) <= static_cast<double>(length2) - margin &&
           across * across <= static_cast<double>(reach) * static_cast<double>(reach) * static_cast<double>(length2);
}

bool MatrixCandidateFinder::IsOnFoundLeg(Point start, bool dark, bool fine) const
{
    for (unsigned k = 0; k < walkedLegCount_ && k < kMaxWalkedLegs; ++k) {
        WalkedLeg const& leg = walkedLegs_[k];
        // A corner seen finely gives way to one walked in whole pixels.
        if (leg.found && leg.dark == dark && (!leg.fine || fine) && IsOnLeg(leg, start, leg.width * 128 + 256)) {
            return true;
        }
    }
    return false;
}

bool MatrixCandidateFinder::IsInWideFrame(Point start, bool dark, bool fine, int width) const
{
    for (unsigned k = 0; k < walkedLegCount_ && k < kMaxWalkedLegs; ++k) {
        WalkedLeg const& leg = walkedLegs_[k];
        if (leg.frame && leg.dark == dark && leg.fine == fine && Abs(leg.width - width) <= leg.width / 4 &&
            IsOnLeg(leg, start, leg.width * 128)) {
            return true;
        }
    }
    return false;
}

bool MatrixCandidateFinder::IsInWideMiss(Point start, bool dark, bool fine, int width) const
{
    // A later row across the middle of a wide strip that was no L walks
    // about the same strip again, and a wide strip's walk costs the most:
    // the edges of a label seen in perspective (its long bright margin, the
    // darker ground beside it) are crossed by row after row, whose chords
    // make them anything from half to twice as wide. Only the band of the
    // strip's own width measured across it counts (a label's bright inside,
    // narrowing to a corner, is walked as a wide strip too, and the quiet
    // zone of a symbol on it lies beside that band), and its ends are left
    // out by that width each: a row near an end may leave the strip there
    // and follow a leg the walk before only touched. A thin run is always
    // walked.
    if (width < kWideStrip) {
        return false;
    }
    unsigned const count = walkedLegCount_ < kMaxWalkedLegs ? walkedLegCount_ : kMaxWalkedLegs;
    unsigned const longCount = longMissCount_ < kMaxLongMisses ? longMissCount_ : kMaxLongMisses;
    for (unsigned k = 0; k < count + longCount; ++k) {
        WalkedLeg const& leg = k < count ? walkedLegs_[k] : longMisses_[k - count];
        if (!leg.found && !leg.frame && leg.width >= kWideStrip && leg.dark == dark && leg.fine == fine &&
            2 * width >= leg.width && width <= 2 * leg.width &&
            IsOnLeg(leg, start, leg.narrowest * 128, leg.narrowest * 256)) {
            return true;
        }
    }
    return false;
}

bool MatrixCandidateFinder::IsAlongWideMiss(GrayImage const& image, int threshold, Point start, bool dark, bool fine,
                                            int width, int dx, int dy) const
{
    // Row after row crosses the ground beside a label's edge seen in
    // perspective, each run's middle as far from the edge as the run is
    // long: the walk from it joins the strip along the edge that a row
    // before walked to no L, and ends where that walk did (IsKnownMiss).
    // Such a walk is not made when the run's chords point along that part
    // of the strip's path and the run's middle reaches the path through
    // its colour alone (a symbol's leg beside the edge lies past the
    // label's margin).
    if (width < kWideStrip) {
        return false;
    }
    unsigned const count = walkedLegCount_ < kMaxWalkedLegs ? walkedLegCount_ : kMaxWalkedLegs;
    unsigned const longCount = longMissCount_ < kMaxLongMisses ? longMissCount_ : kMaxLongMisses;
    for (unsigned k = 0; k < count + longCount; ++k) {
        WalkedLeg const& leg = k < count ? walkedLegs_[k] : longMisses_[k - count];
        if (leg.found || leg.frame || leg.width < kWideStrip || leg.dark != dark || leg.fine != fine ||
            2 * width < leg.width || width > 2 * leg.width) {
            continue;
        }
        // The path's pieces in turn (the ends alone when not traced), once
        // the run's middle lies in reach of the box around them.
        unsigned const points = leg.pathCount >= 2 ? leg.pathCount : 2;
        Point const* const path = leg.pathCount >= 2 ? leg.path : leg.ends;
        int left = path[0].x;
        int right = path[0].x;
        int top = path[0].y;
        int bottom = path[0].y;
        for (unsigned p = 1; p < points; ++p) {
            left = Min(left, path[p].x);
            right = Max(right, path[p].x);
            top = Min(top, path[p].y);
            bottom = Max(bottom, path[p].y);
        }
        int const sx = start.x >> 8;
        int const sy = start.y >> 8;
        if (sx < left - 2 * leg.width - 1 || sx > right + 2 * leg.width + 1 || sy < top - 2 * leg.width - 1 ||
            sy > bottom + 2 * leg.width + 1) {
            continue;
        }
        for (unsigned p = 0; p + 1 < points; ++p) {
            Point const a = leg.pathCount >= 2 ? leg.path[p] : leg.ends[1];
            Point const b = leg.pathCount >= 2 ? leg.path[p + 1] : leg.ends[0];
            // 1/256 pixel, from a's middle.
            long long const ax = a.x * 256LL + 128;
            long long const ay = a.y * 256LL + 128;
            long long const ex = (b.x - a.x) * 256LL;
            long long const ey = (b.y - a.y) * 256LL;
            long long const length2 = ex * ex + ey * ey;
            if (length2 == 0) {
                continue;
            }
            long long const along = (start.x - ax) * ex + (start.y - ay) * ey;
            double const length = std::sqrt(static_cast<double>(length2));
            double const across = static_cast<double>((start.x - ax) * ey - (start.y - ay) * ex) / length;
            // Between the piece's ends, the path's own ends left out by the
            // strip's width: a row near one may leave the strip there.
            double const lowest = p == 0 ? leg.width * 256.0 * length : 0.0;
            double const highest = static_cast<double>(length2) - (p + 2 == points ? leg.width * 256.0 * length : 0.0);
            if (static_cast<double>(along) < lowest || static_cast<double>(along) > highest ||
                std::fabs(across) > leg.width * 512.0) {
                continue;
            }
            // Within about 14 degrees: the sine of the angle between the
            // chords' direction (dx, dy), 256 long, and the piece's at most
            // a quarter.
            double const turn = static_cast<double>(ex * dy - ey * dx) / (length * 256.0);
            if (std::fabs(turn) > 0.25) {
                continue;
            }
            // From the run's middle straight to the piece, a pixel at a time.
            long long const fx = ax + along * ex / length2;
            long long const fy = ay + along * ey / length2;
            long long const gx = fx - start.x;
            long long const gy = fy - start.y;
            int const steps = Max(Abs(static_cast<int>(gx / 256)), Abs(static_cast<int>(gy / 256)));
            bool joined = true;
            for (int n = 1; n <= steps && joined; ++n) {
                int const x = static_cast<int>((start.x + gx * n / steps) >> 8);
                int const y = static_cast<int>((start.y + gy * n / steps) >> 8);
                joined = image.IsInside(x, y) && (image.At(x, y) < threshold) == dark;
            }
            if (joined) {
                return true;
            }
        }
    }
    return false;
}

bool MatrixCandidateFinder::IsKnownMiss(Point const* ends, int width, bool dark, bool fine) const
{
    // A wide strip (a quiet zone between a symbol and the label's edge) is
    // walked to ends and measured a few pixels apart from row to row. Thin
    // strips are always walked again: in noise one row's walk misses a leg
    // that the next row's finds.
    for (unsigned k = 0; k < walkedLegCount_ && k < kMaxWalkedLegs; ++k) {
        WalkedLeg const& leg = walkedLegs_[k];
        int const slack = leg.width / 2;
        auto near = [&](Point const& a, Point const& b) { return Abs(a.x - b.x) <= slack && Abs(a.y - b.y) <= slack; };
        if (leg.found || leg.frame || leg.dark != dark || leg.fine != fine || leg.width < kWideStrip ||
            Abs(leg.width - width) > leg.width / 4) {
            continue;
        }
        if ((near(leg.ends[0], ends[0]) && near(leg.ends[1], ends[1])) ||
            (near(leg.ends[0], ends[1]) && near(leg.ends[1], ends[0]))) {
            return true;
        }
    }
    return false;
}

void MatrixCandidateFinder::NoteLeg(WalkedLeg const& leg)
{
    // The oldest gives way when the list is full.
    walkedLegs_[walkedLegCount_ % kMaxWalkedLegs] = leg;
    ++walkedLegCount_;
    // A long wide miss is kept apart as well, for the later L sweeps of the
    // same image.
    int const ex = leg.ends[1].x - leg.ends[0].x;
    int const ey = leg.ends[1].y - leg.ends[0].y;
    if (!leg.found && !leg.frame && leg.width >= kWideStrip && ex * ex + ey * ey >= kLongMiss * kLongMiss) {
        longMisses_[longMissCount_ % kMaxLongMisses] = leg;
        ++longMissCount_;
    }
}

// Opposite each leg runs a timing side, a module of each colour in turn:
// the row of modules at the far end of one leg, followed parallel to the
// other, changes colour about once a module (a letter's or a frame's corner
// has plain ground there, data modules change half as often).
bool MatrixCandidateFinder::IsTimed(GrayImage const& image, int threshold, bool dark, int width, Point corner,
                                    Point along, Point across, bool fine) const
{
    for (int pass = 0; pass < 2; ++pass) {
        Point const& end = pass == 0 ? along : across;
        Point const& other = pass == 0 ? across : along;
        int const span = Max(Abs(end.x - corner.x), Abs(end.y - corner.y));
        int const steps = Max(Abs(other.x - corner.x), Abs(other.y - corner.y));
        if (span == 0 || steps < 4 || end.x < 2 || end.y < 2 || end.x >= image.GetWidth() - 2 ||
            end.y >= image.GetHeight() - 2 || other.x < 2 || other.y < 2 || other.x >= image.GetWidth() - 2 ||
            other.y >= image.GetHeight() - 2) {
            return false;
        }
        // Half a module back from the leg's end, toward the corner; an end
        // walked finely is only known to a pixel, as much as half a thin
        // module, so a pixel either side of that is tried too (in half
        // pixels).
        int const tries = fine ? 3 : 1;
        bool timed = false;
        for (int t = 0; t < tries && !timed; ++t) {
            int const back = t == 0 ? width : (t == 1 ? width + 2 : width - 2);
            if (back < 0) {
                continue;
            }
            int const bx = end.x - (end.x - corner.x) * back / (2 * span);
            int const by = end.y - (end.y - corner.y) * back / (2 * span);
            int changes = 0;
            bool last = dark;
            bool inside = true;
            for (int k = 0; k <= steps && inside; ++k) {
                int const px = bx + (other.x - corner.x) * k / steps;
                int const py = by + (other.y - corner.y) * k / steps;
                inside = image.IsInside(px, py);
                bool const colour = inside && image.At(px, py) < threshold;
                changes += colour != last ? 1 : 0;
                last = colour;
            }
            int const modules = steps * 256 / Max(width * 256, 256);
            timed = inside && changes >= 3 && changes * 10 >= modules * 6;
        }
        if (!timed) {
            return false;
        }
    }
    return true;
}

static_assert(MatrixCandidateFinder::kMaxDots <= DotNeighbourScreen::kMaxDots, "the screen takes the whole list");
static_assert(MatrixCandidateFinder::kMaxDots / 8 > 0, "a screen must free room");

void MatrixCandidateFinder::CheckDot(GrayImage const& image, unsigned i, int y, unsigned stride)
{
    Run const& run = runs_[i];
    if (i == 0 || i + 1 >= runCount_ || run.length > 2 * maxDot_ || dotListClosed_) {
        return;
    }
    if (dotCount_ >= kMaxDots) {
        // Texture met first must not take the room of a symbol further down.
        unsigned const before = dotCount_;
        dotCount_ = DotNeighbourScreen::Start(dots_, dotCount_, y, maxDot_);
        ++dotScreens_;
        dotListClosed_ = dotScreens_ >= kMaxDotScreens || before - dotCount_ < kMaxDots / 8;
        if (dotCount_ >= kMaxDots) {
            return;
        }
    }
    int const ground = Max(1, run.length / 2);
    if (runs_[i - 1].length < ground || runs_[i + 1].length < ground) {
        return;
    }
    int const x = run.x + run.length / 2;
    int const threshold = GetThreshold(x);
    // Each dot once: from the first sampled row that crosses it.
    int const previousRow = y - static_cast<int>(stride);
    if (previousRow >= area_.top && (image.At(x, previousRow) < threshold) == run.dark) {
        return;
    }
    int centre = 0;
    int top = 0;
    int above[1];
    int below[1];
    if (!ScanColumn(image, x, y, threshold, 1, maxDot_ + 1, above, below, centre, top)) {
        return;
    }
    if (y - top >= static_cast<int>(stride) || above[0] < Max(1, centre / 2) || below[0] < Max(1, centre / 2)) {
        return;
    }
    Dot dot;
    dot.position = Point{x, top + centre / 2};
    dot.dark = run.dark ? 1 : 0;
    if (run.length <= maxDot_ && centre <= maxDot_ && run.length * 2 >= centre && centre * 2 >= run.length) {
        dot.size = static_cast<unsigned>(Max(run.length, centre));
    } else if (run.length > centre * 3 / 2 && run.length <= 2 * maxDot_ && centre <= maxDot_) {
        // Two dots touching side by side.
        dot.size = static_cast<unsigned>(run.length);
        dot.separation = Dot::kTwo;
        dot.separated[0] = Point{run.x + run.length / 4, dot.position.y};
        dot.separated[1] = Point{run.x + run.length - 1 - run.length / 4, dot.position.y};
    } else {
        return;
    }
    dots_[dotCount_++] = dot;
}

}  // namespace DEC2DIvra
