#include "decoder/core/sampling/binarization_subroutine.h"

#include "decoder/core/processor_lanes.h"

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SCANNER_BINARIZATION_AVX2 1
#include <immintrin.h>
#endif

namespace DEC2DIvra {

namespace {

bool HasMargin(CommonLuminanceMap const& map, Rectangle const& area)
{
    return area.left >= 1 && area.top >= 1 && area.left <= area.right && area.top <= area.bottom &&
           static_cast<long long>(area.right) + 2 <= static_cast<long long>(map.GetWidth()) &&
           static_cast<long long>(area.bottom) + 2 <= static_cast<long long>(map.GetHeight());
}

unsigned CeilDivide(unsigned a, unsigned b) { return (a + b - 1) / b; }

// While the blocks are gathered, gap holds the smallest and threshold the
// largest grey value around the block.
void Widen(GapAndThreshold& into, GapAndThreshold const& from)
{
    into.gap = from.gap < into.gap ? from.gap : into.gap;
    into.threshold = from.threshold > into.threshold ? from.threshold : into.threshold;
}

// The smallest and the largest value down each of the width columns of
// lines rows from first (the map's lines pitch values apart).
void ColumnExtremes(unsigned short const* first, unsigned pitch, unsigned lines, unsigned width,
                    unsigned short* low, unsigned short* high)
{
    unsigned x = 0;
#if defined(__SSE2__)
    // Unsigned values compared as signed ones with the top bit turned over.
    __m128i const flip = _mm_set1_epi16(static_cast<short>(0x8000));
    for (; x + 8 <= width; x += 8) {
        __m128i const top = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<__m128i const*>(first + x)), flip);
        __m128i least = top;
        __m128i most = top;
        for (unsigned y = 1; y < lines; ++y) {
            __m128i const v = _mm_xor_si128(
                _mm_loadu_si128(reinterpret_cast<__m128i const*>(first + static_cast<size_t>(y) * pitch + x)), flip);
            least = _mm_min_epi16(least, v);
            most = _mm_max_epi16(most, v);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(low + x), _mm_xor_si128(least, flip));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(high + x), _mm_xor_si128(most, flip));
    }
#endif
    for (; x < width; ++x) {
        unsigned short least = first[x];
        unsigned short most = first[x];
        for (unsigned y = 1; y < lines; ++y) {
            unsigned short const v = first[static_cast<size_t>(y) * pitch + x];
            least = v < least ? v : least;
            most = v > most ? v : most;
        }
        low[x] = least;
        high[x] = most;
    }
}

#if defined(SCANNER_BINARIZATION_AVX2)
__attribute__((target("avx2"), always_inline)) inline __m256i LoadSixteen(unsigned short const* p)
{
    return _mm256_loadu_si256(reinterpret_cast<__m256i const*>(p));
}

// The points 0 .. width - 1 (width at least 16) of a row decided sixteen at a
// time in 256-bit lanes, each as the eight-lane loop in Start decides it,
// with the same operations lane for lane; a width that is no multiple of
// sixteen ends with the last sixteen points decided again.
__attribute__((target("avx2"))) void DecideSixteenLanes(unsigned short const* row, unsigned short const* above,
                                                        unsigned short const* below, unsigned short const* gaps,
                                                        unsigned short const* thresholds, unsigned width,
                                                        bool inverted, bool* decided)
{
    __m256i const zero = _mm256_setzero_si256();
    __m256i const one = _mm256_set1_epi16(1);
    __m256i const ones = _mm256_set1_epi16(-1);
    __m128i const flip = _mm_set1_epi8(inverted ? 1 : 0);
    unsigned x = 0;
    for (;;) {
        bool last = false;
        if (x + 16 > width) {
            if (x == width) {
                break;
            }
            x = width - 16;
            last = true;
        }
        __m256i const l = LoadSixteen(row + x);
        __m256i const n0 = LoadSixteen(above + x);
        __m256i const n1 = LoadSixteen(row + x + 1);
        __m256i const n2 = LoadSixteen(below + x);
        __m256i const n3 = LoadSixteen(row + x - 1);
        __m256i const gap = LoadSixteen(gaps + x);
        __m256i const threshold = LoadSixteen(thresholds + x);
        __m256i const h01 = _mm256_add_epi16(_mm256_and_si256(n0, n1), _mm256_srli_epi16(_mm256_xor_si256(n0, n1), 1));
        __m256i const h23 = _mm256_add_epi16(_mm256_and_si256(n2, n3), _mm256_srli_epi16(_mm256_xor_si256(n2, n3), 1));
        __m256i const bothOdd = _mm256_and_si256(_mm256_xor_si256(n0, n1), _mm256_xor_si256(n2, n3));
        __m256i const mean =
            _mm256_sub_epi16(_mm256_avg_epu16(h01, h23),
                             _mm256_andnot_si256(bothOdd, _mm256_and_si256(_mm256_xor_si256(h01, h23), one)));
        __m256i const high = _mm256_max_epu16(_mm256_max_epu16(n0, n1), _mm256_max_epu16(n2, n3));
        __m256i const low = _mm256_min_epu16(_mm256_min_epu16(n0, n1), _mm256_min_epu16(n2, n3));
        // a >= b where b - a saturates at zero; a > b where a - b does not.
        __m256i const lighterAround = _mm256_cmpeq_epi16(_mm256_subs_epu16(gap, _mm256_subs_epu16(high, l)), zero);
        __m256i const darkerAround = _mm256_cmpeq_epi16(_mm256_subs_epu16(gap, _mm256_subs_epu16(l, low)), zero);
        __m256i const aboveMean = _mm256_andnot_si256(_mm256_cmpeq_epi16(_mm256_subs_epu16(l, mean), zero), ones);
        __m256i const aboveThreshold =
            _mm256_andnot_si256(_mm256_cmpeq_epi16(_mm256_subs_epu16(l, threshold), zero), ones);
        __m256i const light =
            _mm256_or_si256(_mm256_and_si256(_mm256_and_si256(lighterAround, darkerAround), aboveMean),
                            _mm256_andnot_si256(lighterAround, _mm256_or_si256(darkerAround, aboveThreshold)));
        // The two 128-bit halves pack apart: their first eight bytes each,
        // brought together.
        __m256i const packed = _mm256_permute4x64_epi64(_mm256_packs_epi16(light, light), 0x08);
        __m128i const bytes =
            _mm_xor_si128(_mm_and_si128(_mm256_castsi256_si128(packed), _mm_set1_epi8(1)), flip);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(decided + x), bytes);
        x += 16;
        if (last) {
            break;
        }
    }
}

#endif

// The least of low[x .. x + 3] and the largest of high[x .. x + 3] for
// every x below count; the lanes read up to eleven values past count + 2,
// which the caller keeps set.
void FourColumnExtremes(unsigned short const* low, unsigned short const* high, unsigned count, unsigned short* low4,
                        unsigned short* high4)
{
    unsigned x = 0;
#if defined(__SSE2__)
    auto const load = [](unsigned short const* p) { return _mm_loadu_si128(reinterpret_cast<__m128i const*>(p)); };
    // Unsigned 16-bit minimum and maximum from saturated differences.
    auto const smaller = [](__m128i a, __m128i b) { return _mm_sub_epi16(a, _mm_subs_epu16(a, b)); };
    auto const larger = [](__m128i a, __m128i b) { return _mm_add_epi16(_mm_subs_epu16(a, b), b); };
    for (; x < count; x += 8) {
        __m128i const least = smaller(smaller(load(low + x), load(low + x + 1)), smaller(load(low + x + 2), load(low + x + 3)));
        __m128i const most =
            larger(larger(load(high + x), load(high + x + 1)), larger(load(high + x + 2), load(high + x + 3)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(low4 + x), least);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(high4 + x), most);
    }
#endif
    for (; x < count; ++x) {
        unsigned short least = low[x];
        unsigned short most = high[x];
        for (unsigned k = 1; k < 4; ++k) {
            least = low[x + k] < least ? low[x + k] : least;
            most = high[x + k] > most ? high[x + k] : most;
        }
        low4[x] = least;
        high4[x] = most;
    }
}

}  // namespace

bool BinarizationSubroutine::CalcGapAndThresholdMap(CommonLuminanceMap const& map, Rectangle const& area,
                                                    Vector const& block, unsigned gapParameter,
                                                    CommonGapAndThresholdMap& blocks) const
{
    if (!HasMargin(map, area) || block.dx < 1 || block.dy < 1 || gapParameter == 0) {
        return false;
    }
    unsigned const areaWidth = static_cast<unsigned>(area.right - area.left + 1);
    unsigned const areaHeight = static_cast<unsigned>(area.bottom - area.top + 1);
    unsigned const bx = static_cast<unsigned>(block.dx);
    unsigned const by = static_cast<unsigned>(block.dy);
    unsigned const columns = CeilDivide(areaWidth, bx);
    unsigned const rows = CeilDivide(areaHeight, by);
    if (!blocks.SetSize(columns, rows)) {
        return false;
    }
    // Extremes of each block with its ring of neighbours, and of the area.
    // Within the widths a block row's columns fit in, the extremes are taken
    // down each column over the block row's lines first (eight columns at a
    // time), then across each block's columns: the same minimum and maximum
    // as over the block's window, from far fewer comparisons.
    // A window of four to eight columns then takes the extremes of the two
    // windows of four at its ends, which overlap or meet: the same values
    // again. The columns' lists run on past the area with values that change
    // no extreme, for the lanes that read on.
    constexpr unsigned kMaxColumns = 512;
    constexpr unsigned kPast = 16;
    unsigned short columnLow[kMaxColumns + kPast];
    unsigned short columnHigh[kMaxColumns + kPast];
    unsigned short fourLow[kMaxColumns + kPast];
    unsigned short fourHigh[kMaxColumns + kPast];
    bool const separable = areaWidth + 2 <= kMaxColumns;
    unsigned const firstColumn = static_cast<unsigned>(area.left) - 1;
    for (unsigned k = 0; separable && k < kPast; ++k) {
        columnLow[areaWidth + 2 + k] = 0xFFFF;
        columnHigh[areaWidth + 2 + k] = 0;
    }
    unsigned short areaLow = 0xFFFF;
    unsigned short areaHigh = 0;
    for (unsigned j = 0; j < rows; ++j) {
        unsigned const y0 = static_cast<unsigned>(area.top) + j * by - 1;
        unsigned const y1 = (j + 1 == rows ? static_cast<unsigned>(area.bottom) : y0 + by) + 1;
        if (separable) {
            ColumnExtremes(&map.At(firstColumn, y0), map.GetWidth(), y1 - y0 + 1, areaWidth + 2, columnLow,
                           columnHigh);
            FourColumnExtremes(columnLow, columnHigh, areaWidth - 1, fourLow, fourHigh);
        }
        for (unsigned i = 0; i < columns; ++i) {
            unsigned const x0 = static_cast<unsigned>(area.left) + i * bx - 1;
            unsigned const x1 = (i + 1 == columns ? static_cast<unsigned>(area.right) : x0 + bx) + 1;
            GapAndThreshold extremes{0xFFFF, 0};
            bool const fourToEight = separable && x1 - x0 >= 3 && x1 - x0 <= 7;
            if (fourToEight) {
                unsigned const a = x0 - firstColumn;
                unsigned const b = x1 - 3 - firstColumn;
                extremes = GapAndThreshold{fourLow[a] < fourLow[b] ? fourLow[a] : fourLow[b],
                                           fourHigh[a] > fourHigh[b] ? fourHigh[a] : fourHigh[b]};
            }
            for (unsigned y = separable ? y1 : y0; y <= y1 && !fourToEight; ++y) {
                unsigned short const* const low = separable ? columnLow - firstColumn : &map.At(0, y);
                unsigned short const* const high = separable ? columnHigh - firstColumn : &map.At(0, y);
                for (unsigned x = x0; x <= x1; ++x) {
                    extremes.gap = low[x] < extremes.gap ? low[x] : extremes.gap;
                    extremes.threshold = high[x] > extremes.threshold ? high[x] : extremes.threshold;
                }
            }
            blocks.At(i, j) = extremes;
            areaLow = extremes.gap < areaLow ? extremes.gap : areaLow;
            areaHigh = extremes.threshold > areaHigh ? extremes.threshold : areaHigh;
        }
    }
    // The eight blocks around, in place: along the rows, then the columns,
    // each pass keeping the original of the block just overwritten.
    for (unsigned j = 0; j < rows; ++j) {
        GapAndThreshold previous = blocks.At(0, j);
        for (unsigned i = 0; i < columns; ++i) {
            GapAndThreshold const original = blocks.At(i, j);
            Widen(blocks.At(i, j), previous);
            if (i + 1 < columns) {
                Widen(blocks.At(i, j), blocks.At(i + 1, j));
            }
            previous = original;
        }
    }
    for (unsigned i = 0; i < columns; ++i) {
        GapAndThreshold previous = blocks.At(i, 0);
        for (unsigned j = 0; j < rows; ++j) {
            GapAndThreshold const original = blocks.At(i, j);
            Widen(blocks.At(i, j), previous);
            if (j + 1 < rows) {
                Widen(blocks.At(i, j), blocks.At(i, j + 1));
            }
            previous = original;
        }
    }
    // A block whose surroundings span under a quarter of the widest
    // surroundings is flat: one colour and noise. It takes the threshold of
    // its non-flat neighbours (else the area's middle) and a gap from that
    // widest range, so that noise never counts as a change of colour.
    unsigned widest = 0;
    for (unsigned j = 0; j < rows; ++j) {
        for (unsigned i = 0; i < columns; ++i) {
            GapAndThreshold const& e = blocks.At(i, j);
            unsigned const range = static_cast<unsigned>(e.threshold - e.gap);
            widest = range > widest ? range : widest;
        }
    }
    // Non-flat blocks first; flat ones keep gap 0 as a mark meanwhile.
    for (unsigned j = 0; j < rows; ++j) {
        for (unsigned i = 0; i < columns; ++i) {
            GapAndThreshold& e = blocks.At(i, j);
            unsigned const range = static_cast<unsigned>(e.threshold - e.gap);
            if (4 * range < widest || range == 0) {
                e = GapAndThreshold{0, 0};
                continue;
            }
            unsigned const gap = range / gapParameter;
            e = GapAndThreshold{static_cast<unsigned short>(gap == 0 ? 1 : gap),
                                static_cast<unsigned short>((static_cast<unsigned>(e.gap) + e.threshold) / 2)};
        }
    }
    unsigned const areaMiddle = (static_cast<unsigned>(areaLow) + areaHigh) / 2;
    for (unsigned j = 0; j < rows; ++j) {
        for (unsigned i = 0; i < columns; ++i) {
            if (blocks.At(i, j).gap != 0) {
                continue;
            }
            unsigned sum = 0;
            unsigned count = 0;
            for (unsigned v = j == 0 ? 0 : j - 1; v <= j + 1 && v < rows; ++v) {
                for (unsigned u = i == 0 ? 0 : i - 1; u <= i + 1 && u < columns; ++u) {
                    if (blocks.At(u, v).gap != 0) {
                        sum += blocks.At(u, v).threshold;
                        ++count;
                    }
                }
            }
            blocks.At(i, j).threshold = static_cast<unsigned short>(count == 0 ? areaMiddle : sum / count);
        }
    }
    unsigned flatGap = widest / 2 / gapParameter;
    flatGap = flatGap == 0 ? 1 : flatGap;
    for (unsigned j = 0; j < rows; ++j) {
        for (unsigned i = 0; i < columns; ++i) {
            GapAndThreshold& e = blocks.At(i, j);
            e.gap = e.gap == 0 ? static_cast<unsigned short>(flatGap) : e.gap;
        }
    }
    return true;
}

int BinarizationSubroutine::Start(GrayImage const& image, CommonLuminanceMap const& map, Rectangle const& area,
                                  CommonGapAndThresholdMap& blocks, Vector const& block, bool polarity,
                                  VariableSizeVirtualTable<bool>& out) const
{
    return Start(image, map, area, blocks, block, polarity, kDefaultGapParameter, out);
}

int BinarizationSubroutine::Start(GrayImage const& /*image*/, CommonLuminanceMap const& map, Rectangle const& area,
                                  CommonGapAndThresholdMap& blocks, Vector const& block, bool inverted,
                                  unsigned gapParameter, VariableSizeVirtualTable<bool>& out) const
{
    if (!HasMargin(map, area)) {
        return 0;
    }
    unsigned const areaWidth = static_cast<unsigned>(area.right - area.left + 1);
    unsigned const areaHeight = static_cast<unsigned>(area.bottom - area.top + 1);
    if (static_cast<unsigned long long>(areaWidth) * areaHeight > out.GetCapacity() ||
        !CalcGapAndThresholdMap(map, area, block, gapParameter, blocks) || !out.Resize(areaWidth, areaHeight)) {
        return 0;
    }
    unsigned const bx = static_cast<unsigned>(block.dx);
    unsigned const by = static_cast<unsigned>(block.dy);
    unsigned const mapWidth = map.GetWidth();
    // The gap and threshold of every point of the present block row.
    constexpr unsigned kMaxRow = 512;
    // Eight entries of room past the row: a block's values are written
    // eight at a time, the next block's overwriting the excess.
    unsigned short gaps[kMaxRow + 8];
    unsigned short thresholds[kMaxRow + 8];
    unsigned const wide = areaWidth <= kMaxRow ? areaWidth : 0;
#if defined(SCANNER_BINARIZATION_AVX2)
    bool const sixteenLanes = wide >= 16 && ProcessorHasAvx2();
#endif
    for (unsigned y = 0; y < areaHeight; ++y) {
        // Row pointers held locally: the stores into out could otherwise
        // alias the map's and the blocks' members and force their reload.
        unsigned short const* const row =
            &map.At(static_cast<unsigned>(area.left), static_cast<unsigned>(area.top) + y);
        unsigned short const* const above = row - mapWidth;
        unsigned short const* const below = row + mapWidth;
        unsigned short const* const left = row - 1;
        unsigned short const* const right = row + 1;
        GapAndThreshold const* const blockRow = &blocks.At(0, y / by);
        bool* const decided = out.GetRow(y);
        if (y % by == 0) {
            // Block by block: no division per point.
            unsigned x0 = 0;
            unsigned i = 0;
#if defined(__SSE2__)
            for (; bx <= 8 && x0 < wide; x0 += bx, ++i) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(gaps + x0),
                                 _mm_set1_epi16(static_cast<short>(blockRow[i].gap)));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(thresholds + x0),
                                 _mm_set1_epi16(static_cast<short>(blockRow[i].threshold)));
            }
#endif
            for (; x0 < wide; x0 += bx, ++i) {
                unsigned const x1 = x0 + bx < wide ? x0 + bx : wide;
                for (unsigned x = x0; x < x1; ++x) {
                    gaps[x] = blockRow[i].gap;
                    thresholds[x] = blockRow[i].threshold;
                }
            }
        }
        unsigned x = 0;
#if defined(SCANNER_BINARIZATION_AVX2)
        if (sixteenLanes) {
            DecideSixteenLanes(row, above, below, gaps, thresholds, wide, inverted, decided);
            x = wide;
        }
#endif
#if defined(__SSE2__)
        // Eight points at a time in unsigned 16-bit lanes, decided as below.
        // a >= b is a saturated b - a of zero; the gaps the map above gives
        // are never zero, so a difference that saturates at zero (a negative
        // one) is below the gap as it should be.
        __m128i const zero = _mm_setzero_si128();
        __m128i const one = _mm_set1_epi16(1);
        __m128i const flip = _mm_set1_epi8(inverted ? 1 : 0);
        auto const load = [](unsigned short const* p) {
            return _mm_loadu_si128(reinterpret_cast<__m128i const*>(p));
        };
        auto const larger = [](__m128i a, __m128i b) { return _mm_add_epi16(_mm_subs_epu16(a, b), b); };
        auto const smaller = [](__m128i a, __m128i b) { return _mm_sub_epi16(a, _mm_subs_epu16(a, b)); };
        auto const atLeast = [&](__m128i a, __m128i b) { return _mm_cmpeq_epi16(_mm_subs_epu16(b, a), zero); };
        auto const over = [&](__m128i a, __m128i b) {
            return _mm_andnot_si128(_mm_cmpeq_epi16(_mm_subs_epu16(a, b), zero), _mm_set1_epi16(-1));
        };
        // Half a sum of two without its lowest bit, and that bit.
        auto const half = [](__m128i a, __m128i b) {
            return _mm_add_epi16(_mm_and_si128(a, b), _mm_srli_epi16(_mm_xor_si128(a, b), 1));
        };
        // A row whose width is no multiple of eight ends with the last eight
        // points decided again, all at once: the same decisions, written
        // twice.
        for (;;) {
            bool last = false;
            if (x + 8 > wide) {
                if (wide < 8 || x == wide) {
                    break;
                }
                x = wide - 8;
                last = true;
            }
            __m128i const l = load(row + x);
            __m128i const n0 = load(above + x);
            __m128i const n1 = load(right + x);
            __m128i const n2 = load(below + x);
            __m128i const n3 = load(left + x);
            __m128i const gap = load(gaps + x);
            __m128i const threshold = load(thresholds + x);
            // The floor of the sum of four over four, from the halves of
            // the two pair sums: their rounded-up mean, less one where the
            // halves' sum is odd and the pair sums were not both odd.
            __m128i const h01 = half(n0, n1);
            __m128i const h23 = half(n2, n3);
            __m128i const bothOdd = _mm_and_si128(_mm_xor_si128(n0, n1), _mm_xor_si128(n2, n3));
            __m128i const mean = _mm_sub_epi16(_mm_avg_epu16(h01, h23),
                                               _mm_andnot_si128(bothOdd, _mm_and_si128(_mm_xor_si128(h01, h23), one)));
            __m128i const high = larger(larger(n0, n1), larger(n2, n3));
            __m128i const low = smaller(smaller(n0, n1), smaller(n2, n3));
            __m128i const lighterAround = atLeast(_mm_subs_epu16(high, l), gap);
            __m128i const darkerAround = atLeast(_mm_subs_epu16(l, low), gap);
            __m128i const aboveMean = over(l, mean);
            __m128i const aboveThreshold = over(l, threshold);
            __m128i const light =
                _mm_or_si128(_mm_and_si128(_mm_and_si128(lighterAround, darkerAround), aboveMean),
                             _mm_andnot_si128(lighterAround, _mm_or_si128(darkerAround, aboveThreshold)));
            // One byte of 0 or 1 a point.
            __m128i const bytes = _mm_xor_si128(_mm_and_si128(_mm_packs_epi16(light, light), _mm_set1_epi8(1)), flip);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(decided + x), bytes);
            x += 8;
            if (last) {
                break;
            }
        }
#endif
        for (; x < areaWidth; ++x) {
            GapAndThreshold const entry = blockRow[x / bx];
            int const gap = entry.gap;
            int const l = row[x];
            int const n[4] = {above[x], right[x], below[x], left[x]};
            int const sum = n[0] + n[1] + n[2] + n[3];
            int high = n[0];
            int low = n[0];
            for (int v : n) {
                high = v > high ? v : high;
                low = v < low ? v : low;
            }
            // With a neighbour lighter by the gap, the point is light only when
            // one is also darker by the gap and it lies above their mean;
            // without one, it is light when one is darker by the gap or it lies
            // above the block's threshold. Decided without branches: modules
            // are a coin toss.
            unsigned const lighterAround = gap <= high - l ? 1u : 0u;
            unsigned const darkerAround = gap <= l - low ? 1u : 0u;
            unsigned const aboveMean = l > sum / 4 ? 1u : 0u;
            unsigned const aboveThreshold = l > entry.threshold ? 1u : 0u;
            unsigned const light = (lighterAround & darkerAround & aboveMean) |
                                   ((lighterAround ^ 1u) & (darkerAround | aboveThreshold));
            decided[x] = (light != 0) != inverted;
        }
    }
    return 1;
}

}  // namespace DEC2DIvra
